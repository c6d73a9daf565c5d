#pragma once
// What the player owns: one count per item (0 to 99) as the profile setting
// "profile.inventory.<key>", saved and loaded with the player's profile, and the rules that keep
// the tool belt's five slot settings ("profile.slot0".."profile.slot4", the key name of the item in
// each slot) consistent with the counts. The game makes the ability manager first, then the
// inventory, which takes the item names from the manager's factories.
//
// A profile is player-editable text: after each load the inventory reports, and leaves out, what it
// could not take (counts out of range or not numbers, items no longer in the game, slots naming
// no item).
#include <array>
#include <string>

#include "engine/core/ZEntity.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/resource/ZProfileManager.h"

class ZInventory : public ZEntity,
                   public IPropertyListener,
                   public ZProfileListener,
                   public ZSingleton<ZInventory>
{
    QV_TYPE_RECORD(ZInventory, &ZEntity::kTypeRecord)

public:
    static constexpr int kItemCount = 28;
    static constexpr int kSlotCount = 5;
    static constexpr int kMaxCount = 99;

    ZInventory();
    ~ZInventory() override;

    // The count setting of an item; null for an unknown id.
    ZPropertyInt* GetCountSetting(int id) const;
    // The count of an item; 0 for an unknown id.
    int GetCount(int id) const;
    // Sets a count, clamped to 0..99, and notifies; an unknown id does nothing.
    void SetCount(int id, int count);
    // How many of the item one belt slot offers: the smaller of its cap and its count.
    int GetOfferedCount(int id) const;

    // One more of the named item (the "give" command); false for a name that is no item.
    bool AddItem(const char* name);
    // Every count to 99 with `cheats.unlockall` on, else to 0.
    void SetAllCounts();
    // The key name of a random item in stock that is not on one of the usable belt slots, or "".
    std::string PickStockedItemNotOnBelt() const;
    // Refills every belt slot that is empty or names an item no longer offered; true when at least
    // one slot then holds an item.
    bool ValidateToolBelt();
    // Ten of every item but "skiplevel", then the belt validated (a developer key).
    void FillForTesting();

    // The tool belt's settings, wherever they were made; null when they do not exist.
    static ZPropertyText* GetSlotSetting(int slot);
    static ZPropertyInt* GetNumSlotsSetting();
    static ZPropertyBool* GetToolBeltSetting();
    // The item in one of the first `profile.numslots` slots, by key name.
    static bool IsOnBelt(const char* name);

    // IPropertyListener: getting the tool belt gives its first slot.
    void OnPropertyChanged(ZProperty* property) override;
    // ZProfileListener: reports what the loaded profile said that could not be taken.
    int OnProfileLoaded() override;

private:
    std::array<std::string, kItemCount> m_names;
    std::array<ZPropertyInt*, kItemCount> m_counts{};
    ZPropertyBool* m_toolBelt = nullptr;
    bool m_listensToProfiles = false;
};
