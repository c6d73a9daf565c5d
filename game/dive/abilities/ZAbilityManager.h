#pragma once
// The item table of the game and the abilities in a dive. The manager maps the 28 item ids and key
// names to the ability factories, knows each item's per-slot cap, icon, price and colour group,
// keeps one unlock setting per item and per shop upgrade in the player's profile, and during a dive
// holds the one armed ability, fires it, keeps lasting abilities running with their countdowns,
// folds the running air and treasure modifiers and stops everything at the end of a dive. Its
// listeners (the board, the ability buttons) hear what happened. It answers the console command
// "give <item>".
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/core/ZEventProducer.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZSingleton.h"
#include "game/dive/abilities/ZAbility.h"

class ZTexture;

class IAbilityListener
{
public:
    virtual ~IAbilityListener() = default;
    // The armed ability was fired (success or failure) or disarmed (failure).
    virtual void OnAbilityUsed(bool success, ZAbility* ability) { (void)success, (void)ability; }
    // The player picked a target tile for the armed ability; accepted or not.
    virtual void OnAbilityTarget(bool accepted, ZAbility* ability, ZTile* tile)
    {
        (void)accepted, (void)ability, (void)tile;
    }
};

// A listener that joins the manager when it is made (if the manager exists) and leaves it when it
// is destroyed.
class ZAbilityListener : public IAbilityListener
{
public:
    ZAbilityListener();
    ~ZAbilityListener() override;
    ZAbilityListener(const ZAbilityListener&) = delete;
    ZAbilityListener& operator=(const ZAbilityListener&) = delete;
};

// One shop upgrade: bought once, never used in a dive.
struct ZUpgradeInfo
{
    const char* name;
    int shop;       // carried as data: 2 for the third shop's rows
    ZTexture* icon; // "resources:power_<name>.png", loaded with the manager
    bool nonAir;
};

class ZAbilityManager : public ICommandListener,
                        public IPropertyListener,
                        public ZEventProducer<IAbilityListener>,
                        public ZSingleton<ZAbilityManager>
{
public:
    static constexpr int kItemCount = 28;
    static constexpr int kUpgradeCount = 13;
    // The ability the board falls back on when no swap is left: it needs no tile.
    static constexpr int kFallbackItem = 13; // "breakrandom"

    ZAbilityManager();
    ~ZAbilityManager() override;

    // Item table.
    // The id of the item with that key name, or -1 (also for null).
    static int FindAbilityId(const char* name);
    // The key name of an item id, or null outside 0..27 or for an id no factory registered.
    const char* GetItemName(int id) const;
    ZAbilityFactoryBase* GetFactory(int id) const;
    // How many of the item one tool-belt slot holds; 0 outside 0..27.
    static int GetItemCap(int id);
    // The token colour group whose creature pops charge the item on a crew member: 0, 1 or 2, or
    // -1 for none and for every id outside 0..27 (an unknown crew ability).
    static int GetColourGroup(int id);
    // "resources:power_<key>.png", loaded on first request; null outside 0..27.
    ZTexture* GetPowerIcon(int id);
    // The localized "<key>.price" as a decimal number; 0 (and a log line) when the text is missing
    // or not a number, asked again next time.
    int GetItemPrice(int id);
    // Draws items at random until one costs at most the budget; after 21 draws the 21st, at the
    // budget. Items priced 0 are not for sale and never picked.
    int PickAffordableItem(int budget, int* price);
    const ZUpgradeInfo* FindUpgradeByName(const char* name) const;
    const ZUpgradeInfo& GetUpgrade(int row) const { return m_upgrades[size_t(row)]; }
    // False only for the five air items; true for upgrades without the air flag, unknown names and null.
    bool IsNonAirItem(const char* name) const;
    ZPropertyBool* GetUnlockSetting(int id) const;
    ZPropertyBool* GetUpgradeUnlockSetting(int row) const;

    // Arming and firing.
    // A new instance of the item, spent, armed; null for an unknown id.
    ZAbility* ArmAbilityById(int id);
    void ArmAbility(ZAbility* ability);
    void DisarmAbility();
    // Fires the armed ability at the tiles; false with nothing armed or when it could not apply.
    bool fireArmedAbility(ZTile* tile, ZTile* second, ZTileList& tiles);
    // The armed ability takes the pair when it accepts pairs; false otherwise.
    bool TrySwapWithAbility(ZTile* first, ZTile* second, ZTileList& tiles);
    // The armed ability's target test; a refused tile disarms it.
    bool SelectTarget(ZTile* tile);
    // With no swap left: the fallback ability, armed, fired at no tile and finished. False when it
    // listed nothing to break.
    bool FireFallbackAbility(ZTileList& tiles);
    ZAbility* GetArmedAbility() const { return m_armed; }
    bool HasArmedAbility() const { return m_armed != nullptr; }
    // The next firing tells no listener (developer keys).
    void SetSilent(bool on) { m_silent = on; }
    bool IsSilent() const { return m_silent; }

    // Running abilities.
    float ModifyAirRate(float rate);
    int ModifyTreasureValue(int value);
    void StopAllAbilities();
    // Counts the timed abilities down and finishes those that ran out.
    void updateCooldowns(float dt);
    const std::vector<ZAbility*>& GetRunning() const { return m_running; }
    bool IsRunning(int id) const;
    // How many lasting abilities of the item were started since the manager was made.
    int GetUses(int id) const;

    // ICommandListener: "give <item>".
    void Execute(const char* command, const std::vector<std::string>& arguments) override;
    // IPropertyListener: an unlock setting turned on.
    void OnPropertyChanged(ZProperty* property) override;

    using ZEventProducer<IAbilityListener>::AddListener;
    using ZEventProducer<IAbilityListener>::RemoveListener;

private:
    void Finish(ZAbility* ability);
    void RemoveFromLists(ZAbility* ability);
    void AfterFirstSuccess(ZAbility* ability);

    std::vector<ZAbility*> m_running;
    std::array<ZAbilityFactoryBase*, kItemCount> m_factories{};
    std::array<int, kItemCount> m_uses{};
    std::array<std::string, kItemCount + kUpgradeCount> m_unlockNames;
    std::array<ZPropertyBool*, kItemCount> m_unlock{};
    std::array<ZPropertyBool*, kUpgradeCount> m_upgradeUnlock{};
    std::unordered_map<uint32_t, ZAbilityFactoryBase*> m_byName;
    ZAbility* m_armed = nullptr;
    // An instance the manager made itself (ArmAbilityById): given back when disarmed.
    ZAbility* m_ownArmed = nullptr;
    std::vector<ZAbility*> m_airModifiers;
    std::vector<ZAbility*> m_treasureModifiers;
    std::array<ZTexture*, kItemCount> m_icons{};
    std::array<int, kItemCount> m_prices{};
    std::array<ZUpgradeInfo, kUpgradeCount> m_upgrades;
    bool m_silent = false;
};
