#pragma once
// A dive in its whole HUD on the real state stack: the dive fixture with the game's own layout
// ("ingame.xml", its resource list and the chest's display) found before the fixture boards, a game
// shell that records what the dive asks of the game object, and settings of the shell that the dive
// reads made here when the game has none yet.
#include <memory>
#include <string>
#include <vector>

#include "engine/core/ZPropertyManager.h"
#include "game/common/IGameShell.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/hud/ZOxygenBar.h"
#include "game/dive/hud/ZScoreBoard.h"
#include "game/dive/hud/ZTreasureBar.h"
#include "tests/dive/board/DiveTestSupport.h"

namespace hudtest
{
// Records the game object's services the dive uses.
class RecordingShell : public IGameShell
{
public:
    void ShowGameOver(bool completed) override { gameOvers.push_back(completed); }
    ZGameState* PrepareEndOfLevel(const SDiveResult& result) override
    {
        results.push_back(result);
        return endScreen;
    }
    void OnDiverOutOfAir() override { ++outOfAir; }
    void ShowPopupAt(const char* text, bool exclusive, double duration, ZNode* parent) override
    {
        (void)exclusive, (void)duration, (void)parent;
        popups.push_back(text ? text : "");
    }
    void ShowExclusivePopup(const char* text, double duration, const V3& position) override
    {
        (void)duration, (void)position;
        popups.push_back(text ? text : "");
    }

    std::vector<bool> gameOvers;
    std::vector<SDiveResult> results;
    std::vector<std::string> popups;
    int outOfAir = 0;
    ZGameState* endScreen = nullptr;
};

// A bool or int setting of the shell, made for the test when the game has not made it.
template <class T> class ShellSetting
{
public:
    ShellSetting(const char* name, T value)
    {
        setting = ZPropertyManager::GetInstance()->FindTyped<T>(name);
        if (!setting)
        {
            if constexpr (std::is_same_v<T, bool>)
                own = std::make_unique<ZPropertyTempl<T>>(name, "", "", 0, ZProperty::kNoGroup, value);
            else
                own = std::make_unique<ZPropertyTempl<T>>(name, "", "", 0, ZProperty::kNoGroup, value, T(1000000),
                                                          T(0));
            setting = own.get();
        }
        old = setting->GetValue();
        setting->SetValue(value);
    }
    ~ShellSetting()
    {
        setting->SetValue(old);
        if (own)
            ZPropertyManager::GetInstance()->Remove(own.get());
    }
    ZPropertyTempl<T>* setting = nullptr;

private:
    std::unique_ptr<ZPropertyTempl<T>> own;
    T old{};
};

class HudTest : public divetest::DiveTest
{
protected:
    void SetUp() override
    {
        // The game's layouts first (its generated pictures, then its source files), the fixture
        // boards after them.
        table.AddMount("resources", (std::string(QV_BINARY_DIR) + "/data/resources").c_str());
        table.AddMount("resources", (std::string(QV_SOURCE_DIR) + "/data").c_str());
        SetGameShell(&shell);
        // An empty tool belt, whatever an earlier test put in it.
        for (ZPropertyText& slot : g_profileSlot)
            slot.SetValue(std::string());
        DiveTest::SetUp();
        air = dive->GetOxygenBar();
        chest = ZTreasureBar::PeekInstance();
        score = ZScoreBoard::PeekInstance();
    }
    void TearDown() override
    {
        // The ability manager keeps its icons, which go with this test's engine.
        if (ZAbilityManager* manager = ZAbilityManager::PeekInstance())
        {
            manager->StopAllAbilities();
            ZAbilityManager::DestroyInstance();
        }
        DiveTest::TearDown();
        SetGameShell(nullptr);
    }

    RecordingShell shell;
    ZOxygenBar* air = nullptr;
    ZTreasureBar* chest = nullptr;
    ZScoreBoard* score = nullptr;
};
} // namespace hudtest
