#pragma once
// The inventory screen "ZInventoryScreen" (layout "resources:inventoryscreen.xml"): between dives
// the player equips the tool belt. Every item the player owns shows as a ZInventoryButton (named by
// its item key) with its icon and count; dragging its icon onto one of the belt slots
// (ZInventoryDropTarget "slots/slot_<i>", the settings "profile.slot0".."profile.slot4") puts it
// there, and only the first `profile.numslots` slots show. An item already on the belt moves to the
// slot it is dropped on, the two slots exchanging what they held. The screen explains why an item
// cannot be equipped, leads to the shops and shows its one-time tips.
#include <array>
#include <cstdint>
#include <string>

#include "engine/app/ZGameState.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZDragController.h"
#include "engine/ui/ZDropTarget2D.h"

class ZFontText;
class ZSound;
class ZSprite;

class ZInventoryButton : public ZButton2D, public IPropertyListener, public IDragListener
{
    QV_TYPE_RECORD(ZInventoryButton, &ZButton2D::kTypeRecord)

public:
    enum EState
    {
        kUsable = -1,
        kCannotUse = 0,
        kOnBelt = 1,
        kNoneOwned = 2,
        kLocked = 3,
    };
    static constexpr float kIconDepth = -50.0f;
    static constexpr float kIconSize = 52.0f;
    static constexpr float kDragDepth = -600.0f;

    ZInventoryButton() = default;
    ~ZInventoryButton() override;
    static ZInventoryButton* Create() { return new ZInventoryButton(); }
    ZSerializerBase* GetSerializer() const override;
    // The item from the node's name, the count text "readout/count", the icon and its drag object.
    void OnLoaded() override;

    // Count, visibility, enabling and the lock by `profile.level`.
    void Refresh();
    // A press on an enabled button picks its icon up.
    void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnPropertyChanged(ZProperty* property) override;
    // IDragListener: the icon goes home when the drag ends (a slot took the item or not).
    void OnDragEnd(ZNode* node, ZDragController* controller) override;

    int GetItem() const { return m_item; }
    const std::string& GetKey() const { return m_key; }
    int GetCount() const { return m_count; }
    int GetState() const { return m_state; }
    int GetRequiredLevel() const { return m_requiredLevel; }
    ZDragController* GetDragObject() const { return m_drag; }
    ZSprite* GetIcon() const { return m_icon; }

private:
    int m_item = -1;
    std::string m_key;
    int m_count = 0;
    int m_state = kNoneOwned;
    int m_requiredLevel = -1;
    ZFontText* m_countText = nullptr;
    ZSprite* m_icon = nullptr;
    V3 m_iconHome;
    ZDragController* m_drag = nullptr;
    ZPropertyInt* m_countSetting = nullptr;
};

class ZInventoryDropTarget : public ZDropTarget2D, public IPropertyListener
{
    QV_TYPE_RECORD(ZInventoryDropTarget, &ZDropTarget2D::kTypeRecord)

public:
    ZInventoryDropTarget() = default;
    ~ZInventoryDropTarget() override;
    static ZInventoryDropTarget* Create() { return new ZInventoryDropTarget(); }
    ZSerializerBase* GetSerializer() const override;
    // "slot": the belt slot shown (0..4); without it the number in the node's name "slot_<i>".
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    // Finds "icon", "count" and "slot", follows the slot's setting, makes the icon draggable.
    void OnLoaded() override;

    // The item dragged onto the slot goes in; a slot that held it takes what this one held.
    void Drop(ZNode* node, ZDragController* controller) override;
    // Shows the slot's item icon and the count a slot offers; an empty slot shows neither.
    void Refresh();
    void OnPropertyChanged(ZProperty* property) override;
    // Picking the slot's own icon up shows the item's name and description.
    void OnDragStart(ZNode* node, ZDragController* controller) override;
    void OnDragEnd(ZNode* node, ZDragController* controller) override;

    int GetSlotIndex() const { return m_slotIndex; }
    // The item key the slot holds ("" when empty or no item).
    std::string GetKey() const;
    ZDragController* GetDragObject() const { return m_drag; }
    ZSprite* GetIcon() const { return m_icon; }

private:
    int m_slotIndex = -1;
    ZSprite* m_icon = nullptr;
    ZFontText* m_count = nullptr;
    ZNode* m_slot = nullptr;
    V3 m_iconHome;
    ZDragController* m_drag = nullptr;
    ZPropertyText* m_setting = nullptr;
    std::string m_dragKey;
    bool m_dropping = false;
};

class ZInventoryScreen : public ZGameState,
                         public IPropertyListener,
                         public IButtonListener,
                         public ZSingleton<ZInventoryScreen>
{
    QV_TYPE_RECORD(ZInventoryScreen, &ZGameState::kTypeRecord)

public:
    static constexpr int kItems = 28;
    static constexpr int kSlots = 5;
    static constexpr int kShops = 3;

    ZInventoryScreen();
    ~ZInventoryScreen() override;

    const char* GetName() const override { return "ZInventoryScreen"; }
    int Build() override;
    void OnEnter() override;
    void Update(double dt) override;
    void OnLeave() override;

    void OnClicked(ZButton2D* button) override;
    // Pointing at an item shows its name and description, or why it cannot be used.
    void OnMouseOver(ZButton2D* button) override;
    void OnPropertyChanged(ZProperty* property) override;

    // The name and description of an item in the info texts, with its cap; for an item that cannot
    // be equipped (a state of ZInventoryButton from 0), the reason in place of the description.
    void ShowItemInfo(int item, int state);
    // Re-reads every slot and shows the slots below `profile.numslots`.
    void RefreshSlots();
    void RefreshItems();
    // The item was equipped (the sound).
    void OnEquipped();

    ZInventoryButton* GetItemButton(int item) const
    {
        return item >= 0 && item < kItems ? m_items[size_t(item)] : nullptr;
    }
    ZInventoryDropTarget* GetSlot(int i) const { return i >= 0 && i < kSlots ? m_slots[size_t(i)] : nullptr; }
    ZButton2D* GetContinueButton() const { return m_continue; }
    ZButton2D* GetBackButton() const { return m_back; }
    ZButton2D* GetShopButton(int i) const { return i >= 0 && i < kShops ? m_shopButtons[size_t(i)] : nullptr; }
    bool IsFromShop() const { return m_fromShop; }
    int GetClicks() const { return m_clicks; }
    int GetEquips() const { return m_equips; }

private:
    ZGameState* ShopState(int i) const;
    void SetInfo(const char* path, const char* text, bool shown = true);

    ZButton2D* m_continue = nullptr;
    ZButton2D* m_back = nullptr;
    std::array<ZButton2D*, kShops> m_shopButtons{};
    std::array<ZInventoryDropTarget*, kSlots> m_slots{};
    std::array<ZInventoryButton*, kItems> m_items{};
    ZSound* m_equipSound = nullptr;
    double m_enterTime = 0.0;
    int m_clicks = 0;
    int m_equips = 0;
    bool m_fromShop = false;
    bool m_followsUnlock = false;
};
