#pragma once
// Shared by the ability, inventory and tool-belt tests: a dive that records what the abilities
// asked of it, the game-shell calls they made, the belt settings (made here when no library made
// them) and a fixture that makes and destroys the manager and the inventory around each test.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/core/ZPropertyManager.h"
#include "engine/resource/ZStringTable.h"
#include "game/common/IGameShell.h"
#include "game/dive/abilities/IAbilityDive.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZInventory.h"

namespace abilitytest
{
// Hears every use of an ability (the listener signs itself up).
class UseLog : public ZAbilityListener
{
public:
    void OnAbilityUsed(bool success, ZAbility* ability) override
    {
        (void)ability;
        (success ? used : failed) += 1;
    }
    int used = 0;
    int failed = 0;
};

class RecordingDive : public IAbilityDive
{
public:
    void AddEffectValue(unsigned flag, float value) override { effects.push_back({flag, value}); }
    void AddAirTime(float seconds) override { airAdded += seconds; }
    void SetAirWarnings(bool on) override { warnings.push_back(on); }
    void BeginRotationBoost(float charge, float speed) override
    {
        chargeFactor *= charge;
        speedFactor *= speed;
    }
    void EndRotationBoost(float charge, float speed) override
    {
        chargeFactor /= charge;
        speedFactor /= speed;
    }
    void SkipLevel() override { ++skips; }
    void HighlightBoardEdges(bool on, bool force) override
    {
        highlighted = on;
        (void)force;
        ++highlightCalls;
    }
    void ClearBoardPreview() override { ++previewClears; }

    struct Effect
    {
        unsigned flag;
        float value;
    };
    std::vector<Effect> effects;
    float airAdded = 0.0f;
    std::vector<bool> warnings;
    float chargeFactor = 1.0f;
    float speedFactor = 1.0f;
    int skips = 0;
    bool highlighted = false;
    int highlightCalls = 0;
    int previewClears = 0;
};

class RecordingShell : public IGameShell
{
public:
    void ShowPopupAt(const char* text, bool exclusive, double duration, ZNode* parent) override
    {
        (void)exclusive, (void)parent;
        popups.push_back(text ? text : "");
        popupDuration = duration;
    }
    void ShowNewStock(const char* key) override { newStock.push_back(key ? key : ""); }
    std::vector<std::string> popups;
    double popupDuration = 0.0;
    std::vector<std::string> newStock;
};

// The registered setting of that name, or one made here for the whole test program.
template <class T, class... Args> ZPropertyTempl<T>* EnsureSetting(const char* name, Args... args)
{
    if (ZPropertyTempl<T>* found = ZPropertyManager::GetInstance()->FindTyped<T>(name))
        return found;
    static std::vector<std::unique_ptr<ZProperty>> made;
    auto* setting = new ZPropertyTempl<T>(name, "", "", ZProperty::kSaved, ZNameId("profile").Value(), args...);
    made.emplace_back(setting);
    return setting;
}

inline ZPropertyInt* NumSlots() { return EnsureSetting<int32_t>("profile.numslots", 0, 5, 0); }
inline ZPropertyBool* ToolBelt() { return EnsureSetting<bool>("profile.toolbelt", false); }
inline ZPropertyBool* AbilityTip() { return EnsureSetting<bool>("zelk.tip.abilityxp", false); }
inline ZPropertyBool* UnlockAll() { return EnsureSetting<bool>("cheats.unlockall", false); }
inline ZPropertyText* Slot(int i)
{
    static const char* names[5] = {"profile.slot0", "profile.slot1", "profile.slot2", "profile.slot3", "profile.slot4"};
    return EnsureSetting<std::string>(names[i], std::string());
}

// The manager and the inventory made fresh for each test, with the recording dive and shell.
class AbilityFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NumSlots()->Reset(false);
        ToolBelt()->Reset(false);
        AbilityTip()->Reset(false);
        UnlockAll()->Reset(false);
        for (int i = 0; i < 5; ++i)
            Slot(i)->Reset(false);
        SetAbilityDive(&dive);
        SetGameShell(&shell);
        manager = ZAbilityManager::GetInstance();
        for (int id = 0; id < ZAbilityManager::kItemCount; ++id)
            if (ZAbilityFactoryBase* factory = manager->GetFactory(id))
                factory->ForgetPopupText();
        inventory = ZInventory::GetInstance();
    }
    void TearDown() override
    {
        ZInventory::DestroyInstance();
        ZAbilityManager::DestroyInstance();
        SetAbilityDive(nullptr);
        SetGameShell(nullptr);
    }
    // Arms a fresh instance of the item as a belt button would and fires it.
    bool Fire(int id, ZTile* tile = nullptr, ZTile* second = nullptr)
    {
        ZAbility* ability = manager->GetFactory(id)->Create();
        manager->ArmAbility(ability);
        tiles.clear();
        return manager->fireArmedAbility(tile, second, tiles);
    }

    RecordingDive dive;
    RecordingShell shell;
    ZAbilityManager* manager = nullptr;
    ZInventory* inventory = nullptr;
    ZTileList tiles;
};
} // namespace abilitytest
