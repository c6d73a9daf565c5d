#pragma once
// The tool belt in the dive's HUD: five slots ("slot_0".."slot_4" under the belt's root), each
// with a ZToolBeltButton ("button") bound to the slot's profile setting "profile.slot<i>", which
// names the item in it. Only the first `profile.numslots` slots are usable: the others are hidden
// and emptied. A belt button shows its item's icon and how many uses it offers (the smaller of the
// item's cap and the inventory count), arms the item's ability when dragged, and takes one item
// from the inventory for every successful use.
#include <array>

#include "engine/core/ZProperty.h"
#include "game/dive/abilities/ZAbilityButton.h"

class ZFontText;
class ZNode;

class ZToolBeltButton : public ZAbilityButton, public IPropertyListener
{
    QV_TYPE_RECORD(ZToolBeltButton, &ZAbilityButton::kTypeRecord)

public:
    ZToolBeltButton() = default;
    ~ZToolBeltButton() override;

    static ZToolBeltButton* Create() { return new ZToolBeltButton(); }
    ZSerializerBase* GetSerializer() const override;
    // "slot": the belt slot (0 to 4) whose setting the button follows.
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    // Finds "count", follows the slot's setting and shows its item.
    void OnLoaded() override;
    // Binds the button to a slot (0 to 4; others unbind it) and shows the slot's item.
    void SetSlot(int slot);
    int GetSlot() const { return m_slot; }

    void SetEnabled(bool enabled) override;
    // The slot's setting changed: its item (none for a text that names no item) and its count;
    // the item's inventory count changed (a shop, a prize): the count.
    void OnPropertyChanged(ZProperty* property) override;
    // One item used: one fewer in the inventory and on the button.
    void OnAbilityConsumed() override;
    void UseOne();
    int GetCount() const { return m_count; }
    ZFontText* GetCountText() const { return m_countText; }

private:
    void RefreshCount();
    void ShowCount();
    void FollowCount(ZPropertyInt* count);

    ZPropertyText* m_setting = nullptr;
    ZPropertyInt* m_countSetting = nullptr;
    bool m_using = false;
    int m_slot = -1;
    int m_count = 0;
    ZFontText* m_countText = nullptr;
};

class ZToolBelt : public IPropertyListener
{
public:
    static constexpr int kSlotCount = 5;

    ZToolBelt();
    ~ZToolBelt() override;
    // The belt of the HUD, or null when none was made.
    static ZToolBelt* GetInstance() { return s_instance; }

    // Finds the slots under the HUD's belt root, applies the slot count and follows it.
    void Load(ZNode* root);
    // Every usable slot that is empty takes an item in stock that is not on the belt yet.
    void FillEmptySlots();
    static bool IsOnBelt(const char* name);
    // Slot nodes at or past `profile.numslots` hide, and their settings are emptied.
    void ApplySlotCount();
    void OnPropertyChanged(ZProperty* property) override;

    ZNode* GetSlotNode(int slot) const { return slot >= 0 && slot < kSlotCount ? m_slots[size_t(slot)] : nullptr; }
    ZToolBeltButton* GetButton(int slot) const
    {
        return slot >= 0 && slot < kSlotCount ? m_buttons[size_t(slot)] : nullptr;
    }

private:
    static inline ZToolBelt* s_instance = nullptr;
    ZNode* m_root = nullptr;
    std::array<ZNode*, kSlotCount> m_slots{};
    std::array<ZToolBeltButton*, kSlotCount> m_buttons{};
    ZPropertyInt* m_numSlots = nullptr;
};
