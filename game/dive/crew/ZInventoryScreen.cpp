// The inventory screen, its item buttons and its belt slots.
#include "game/dive/crew/ZInventoryScreen.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/ZFrameTimer.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZStatsLog.h"
#include "engine/audio/ZSound.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZSerializer.h"
#include "engine/resource/ZStringTable.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZInventory.h"

namespace
{
ZSerializerRTTI<ZInventoryButton> s_buttonSerializer;
ZSerializerRTTI<ZInventoryDropTarget> s_targetSerializer;

double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

ZPropertyInt* IntSetting(const char* name)
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    return settings ? settings->FindTyped<int32_t>(name) : nullptr;
}

int ShopLevel()
{
    ZPropertyInt* level = IntSetting("profile.shoplevel");
    return level ? level->GetValue() : 0;
}

void OpenTip(const char* name)
{
    if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
        tips->OpenTimedToolTip(name, nullptr, 0, 3.0f);
}

// Puts a power icon on a 2D sprite; false without one.
bool ShowPowerIcon(ZSprite* sprite, int item)
{
    ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
    ZTexture* texture = abilities ? abilities->GetPowerIcon(item) : nullptr;
    auto* sprite2d = ZEntityCast<ZSprite2D>(sprite);
    if (!texture || !sprite2d)
        return false;
    sprite2d->SetTexture(texture, true);
    return true;
}

// The screen's drags carry the dragged item's key as their payload.
const std::string* DraggedKey(ZDragController* controller)
{
    return controller ? static_cast<const std::string*>(controller->GetPayload()) : nullptr;
}

void WatchDrops(ZDragController* drag)
{
    ZInventoryScreen* screen = ZInventoryScreen::PeekInstance();
    if (!drag || !screen)
        return;
    for (int i = 0; i < ZInventoryScreen::kSlots; ++i)
    {
        if (ZInventoryDropTarget* slot = screen->GetSlot(i))
            drag->AddListener(slot);
    }
}
} // namespace

// ---- item buttons ----

ZInventoryButton::~ZInventoryButton()
{
    // The count setting goes with the inventory, which may have gone first.
    ZInventory* inventory = ZInventory::PeekInstance();
    if (m_countSetting && inventory && inventory->GetCountSetting(m_item) == m_countSetting)
        m_countSetting->RemoveListener(this);
    g_cheatsUnlockAll.RemoveListener(this);
    g_profileLevel.RemoveListener(this);
    if (m_drag && !ZSceneTree::IsShutdownBegun())
    {
        m_drag->RemoveListener(this);
        m_drag->SetPayload(nullptr);
    }
}

ZSerializerBase* ZInventoryButton::GetSerializer() const
{
    return &s_buttonSerializer;
}

void ZInventoryButton::OnLoaded()
{
    ZButton2D::OnLoaded();
    const char* name = GetName();
    m_item = ZAbilityManager::FindAbilityId(name);
    m_key = m_item >= 0 && name ? name : "";
    m_countText = ZEntityCast<ZFontText>(FindNode("readout/count"));
    if (m_item < 0)
        return;
    ZStringTable* strings = ZStringTable::GetInstance();
    const char* level = strings->FindFormat("%s.level", m_key.c_str());
    m_requiredLevel = level && *level ? std::atoi(level) : -1;
    m_icon = ZSprite2D::Create();
    if (m_icon)
    {
        m_icon->SetName("icon");
        ShowPowerIcon(m_icon, m_item);
        // Inside the button's frame, whatever the picture's own size.
        m_icon->SetSize(kIconSize, kIconSize);
        m_icon->SetPositionXYZ(0.0f, 0.0f, kIconDepth);
        AddChild(m_icon);
        m_icon->GetPosition(m_iconHome);
        m_drag = ZDragController::Create(m_icon);
        m_drag->SetReturnOrDrop(true);
        m_drag->SetZOffset(kDragDepth);
        m_drag->SetPayload(&m_key);
        m_drag->AddListener(this);
    }
    if (ZInventory* inventory = ZInventory::PeekInstance())
    {
        m_countSetting = inventory->GetCountSetting(m_item);
        if (m_countSetting)
            m_countSetting->AddListener(this);
    }
    g_cheatsUnlockAll.AddListener(this);
    g_profileLevel.AddListener(this);
    Refresh();
}

void ZInventoryButton::Refresh()
{
    if (m_item < 0)
        return;
    ZInventory* inventory = ZInventory::PeekInstance();
    const bool all = g_cheatsUnlockAll.GetValue();
    m_count = all ? 99 : (inventory ? inventory->GetCount(m_item) : 0);
    if (m_countText)
        m_countText->SetText(std::to_string(m_count).c_str());
    ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
    ZPropertyBool* unlock = abilities ? abilities->GetUnlockSetting(m_item) : nullptr;
    SetHidden(!(m_count >= 1 || (unlock && unlock->GetValue()) || all));
    bool enabled = m_count >= 1 || all;
    if (m_requiredLevel >= 0 && g_profileLevel.GetValue() < m_requiredLevel)
    {
        enabled = false;
        m_state = kLocked;
    }
    else if (m_count == 0)
    {
        m_state = kNoneOwned;
    }
    else
    {
        m_state = ZInventory::IsOnBelt(m_key.c_str()) ? kOnBelt : kUsable;
    }
    SetEnabled(enabled);
    if (m_drag)
        m_drag->SetEnabled(enabled);
    if (m_icon)
        m_icon->SetAlpha(enabled ? 1.0f : 0.35f);
}

void ZInventoryButton::OnLeftDown(const SPointerState& state, ZNode* target, bool* handled)
{
    const bool mine = target && (target == this || target == m_icon || IsOwnTarget(target));
    if (mine && IsEnabled() && IsInTopState() && m_drag && !ZDragController::GetRunningDrag())
    {
        // The drag begins from the icon's home, where a drop beside every slot sends it back; then
        // the icon jumps under the pointer and follows it there.
        m_drag->BeginDrag(state, true);
        if (!m_drag->IsDragging())
            return;
        if (auto* icon = ZEntityCast<ZGeom>(m_icon))
        {
            const V3 start = m_drag->GetStartWorldPosition();
            icon->SetWorldPosition(V3{state.x, state.y, start.z + m_drag->GetZOffset()});
        }
        m_drag->SetGrabOffset(V2{0.0f, 0.0f});
        if (handled)
            *handled = true;
        return;
    }
    ZButton2D::OnLeftDown(state, target, handled);
}

void ZInventoryButton::OnDragEnd(ZNode* node, ZDragController* controller)
{
    (void)node, (void)controller;
    // The drop (if any) follows this; the icon is sent home after it too.
    if (m_icon)
        m_icon->SetPosition(m_iconHome);
}

void ZInventoryButton::OnPropertyChanged(ZProperty* property)
{
    (void)property;
    Refresh();
}

// ---- belt slots ----

ZInventoryDropTarget::~ZInventoryDropTarget()
{
    if (m_setting)
        m_setting->RemoveListener(this);
    if (m_drag && !ZSceneTree::IsShutdownBegun())
    {
        m_drag->ZEventProducer<IDragListener>::RemoveListener(this);
        m_drag->SetPayload(nullptr);
    }
}

ZSerializerBase* ZInventoryDropTarget::GetSerializer() const
{
    return &s_targetSerializer;
}

bool ZInventoryDropTarget::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (name && std::strcmp(name, "slot") == 0)
    {
        m_slotIndex = value ? std::atoi(value) : -1;
        return true;
    }
    return ZDropTarget2D::SetProperty(id, name, value);
}

void ZInventoryDropTarget::OnLoaded()
{
    ZDropTarget2D::OnLoaded();
    if (m_slotIndex < 0 && GetName() && std::strncmp(GetName(), "slot_", 5) == 0)
        m_slotIndex = std::atoi(GetName() + 5);
    if (m_slotIndex < 0 || m_slotIndex >= ZInventoryScreen::kSlots)
        m_slotIndex = -1;
    m_icon = ZEntityCast<ZSprite>(FindNode("icon"));
    m_count = ZEntityCast<ZFontText>(FindNode("count"));
    m_slot = FindNode("slot");
    if (m_icon)
    {
        m_icon->GetPosition(m_iconHome);
        m_drag = ZDragController::Create(m_icon);
        m_drag->SetReturnOrDrop(true);
        m_drag->SetZOffset(ZInventoryButton::kDragDepth);
        m_drag->SetPayload(&m_dragKey);
        m_drag->ZEventProducer<IDragListener>::AddListener(this);
    }
    m_setting = ZInventory::GetSlotSetting(m_slotIndex);
    if (m_setting)
        m_setting->AddListener(this);
    Refresh();
}

std::string ZInventoryDropTarget::GetKey() const
{
    if (!m_setting)
        return std::string();
    const std::string& key = m_setting->GetValue();
    return ZAbilityManager::FindAbilityId(key.c_str()) >= 0 ? key : std::string();
}

void ZInventoryDropTarget::Refresh()
{
    m_dragKey = GetKey();
    const int item = ZAbilityManager::FindAbilityId(m_dragKey.c_str());
    ZInventory* inventory = ZInventory::PeekInstance();
    const bool shown = item >= 0 && m_icon && ShowPowerIcon(m_icon, item);
    if (m_icon)
        m_icon->SetHidden(!shown);
    if (m_drag)
        m_drag->SetEnabled(shown);
    if (m_count)
    {
        m_count->SetHidden(item < 0);
        const int offered = inventory ? inventory->GetOfferedCount(item) : 0;
        m_count->SetText(std::to_string(offered).c_str());
    }
}

void ZInventoryDropTarget::Drop(ZNode* node, ZDragController* controller)
{
    if (m_dropping || !m_setting)
        return;
    const std::string* dragged = DraggedKey(controller);
    if (!dragged || ZAbilityManager::FindAbilityId(dragged->c_str()) < 0)
        return;
    m_dropping = true;
    const std::string item = *dragged;
    const std::string held = m_setting->GetValue();
    // Every slot that holds the item takes what this slot held: the two exchange their contents.
    for (int i = 0; i < ZInventoryScreen::kSlots; ++i)
    {
        ZPropertyText* other = ZInventory::GetSlotSetting(i);
        if (other && other != m_setting && other->GetValue() == item)
            other->SetValue(held);
    }
    m_setting->SetValue(item);
    ZDropTarget2D::Drop(node, controller);
    // The dragged icon goes back where it came from (its owner shows the item anew); `node` is what
    // lies under the pointer, a slot's own picture, which stays where it is.
    if (auto* dragged = ZEntityCast<ZGeom>(controller->GetTarget()))
        dragged->SetWorldPosition(controller->GetStartWorldPosition());
    if (ZInventoryScreen* screen = ZInventoryScreen::PeekInstance())
    {
        screen->RefreshSlots();
        screen->RefreshItems();
        screen->OnEquipped();
    }
    m_dropping = false;
}

void ZInventoryDropTarget::OnDragStart(ZNode* node, ZDragController* controller)
{
    if (controller == m_drag)
    {
        if (ZInventoryScreen* screen = ZInventoryScreen::PeekInstance())
            screen->ShowItemInfo(ZAbilityManager::FindAbilityId(m_dragKey.c_str()), -1);
    }
    ZDropTarget2D::OnDragStart(node, controller);
}

void ZInventoryDropTarget::OnDragEnd(ZNode* node, ZDragController* controller)
{
    if (controller == m_drag)
    {
        // A slot's own icon goes home; a drop on another slot has already changed the settings.
        if (m_icon)
            m_icon->SetPosition(m_iconHome);
        return;
    }
    ZDropTarget2D::OnDragEnd(node, controller);
}

void ZInventoryDropTarget::OnPropertyChanged(ZProperty* property)
{
    (void)property;
    Refresh();
}

// ---- the screen ----

ZInventoryScreen::ZInventoryScreen()
{
    SetFlags(kStateResourcesWhileStacked);
}

ZInventoryScreen::~ZInventoryScreen()
{
    // The layout's buttons may outlive the screen.
    if (GetRoot() && !ZSceneTree::IsShutdownBegun())
        ZButton2D::RemoveListenerBelow(GetRoot(), this);
    if (m_followsUnlock)
    {
        g_cheatsUnlockAll.RemoveListener(this);
        g_profileNumSlots.RemoveListener(this);
    }
    // The equip sound was made for this screen alone.
    if (m_equipSound)
        m_equipSound->Release();
}

int ZInventoryScreen::Build()
{
    // The slots must exist before the item buttons load, so their drags can find them: the
    // layout's buttons are found and wired after the import.
    const int result = ImportSceneFile(ZResourcePath("resources:inventoryscreen.xml"), GetRoot());
    if (result != 0)
        return result;
    ZNode* root = GetRoot();
    m_continue = ZEntityCast<ZButton2D>(root->FindNode("button_continue"));
    m_back = ZEntityCast<ZButton2D>(root->FindNode("button_back"));
    const char* shopNames[kShops] = {"island_shop_button", "second_shop_button", "magic_shop_button"};
    for (int i = 0; i < kShops; ++i)
        m_shopButtons[size_t(i)] = ZEntityCast<ZButton2D>(root->FindNode(shopNames[i]));
    for (ZButton2D* button : {m_continue, m_back, m_shopButtons[0], m_shopButtons[1], m_shopButtons[2]})
    {
        if (button)
            button->AddListener(this);
    }
    char path[32];
    for (int i = 0; i < kSlots; ++i)
    {
        std::snprintf(path, sizeof path, "slots/slot_%i", i);
        m_slots[size_t(i)] = ZEntityCast<ZInventoryDropTarget>(root->FindNode(path));
    }
    ZAbilityManager* abilities = ZAbilityManager::GetInstance();
    for (int item = 0; item < kItems; ++item)
    {
        const char* key = abilities->GetItemName(item);
        auto* button = key ? ZEntityCast<ZInventoryButton>(root->FindNode(key)) : nullptr;
        m_items[size_t(item)] = button;
        if (!button)
            continue;
        button->AddListener(this);
        WatchDrops(button->GetDragObject());
    }
    for (ZInventoryDropTarget* slot : m_slots)
    {
        if (slot)
            WatchDrops(slot->GetDragObject());
    }
    m_equipSound = ZSound::CreateEquipSound();
    g_cheatsUnlockAll.AddListener(this);
    g_profileNumSlots.AddListener(this);
    m_followsUnlock = true;
    ZStringTable* strings = ZStringTable::GetInstance();
    SetInfo("headline", strings->GetText("inventory.headline"));
    SetInfo("subheadline", strings->GetText("inventory.description"));
    ShowItemInfo(-1, -1);
    RefreshSlots();
    return 0;
}

void ZInventoryScreen::SetInfo(const char* path, const char* text, bool shown)
{
    if (auto* node = ZEntityCast<ZFontText>(GetRoot()->FindNode(path)))
    {
        node->SetText(text ? text : "");
        node->SetHidden(!shown);
    }
}

ZGameState* ZInventoryScreen::ShopState(int i) const
{
    if (ZGameState* shop = GetGameShell()->GetCampaignScreen("shop", i))
        return shop;
    ZGame* game = ZGame::PeekInstance();
    char name[16];
    std::snprintf(name, sizeof name, "ZShop%i", i);
    return game ? game->FindState(name) : nullptr;
}

void ZInventoryScreen::OnEnter()
{
    m_enterTime = Now();
    m_clicks = 0;
    m_fromShop = false;
    if (ZGame* game = ZGame::PeekInstance())
    {
        const auto& stack = game->GetStack();
        ZGameState* below = stack.size() >= 2 && stack.back() == this ? stack[stack.size() - 2] : nullptr;
        for (int i = 0; i < kShops && below; ++i)
            m_fromShop = m_fromShop || below == ShopState(i);
    }
    if (m_back)
        m_back->SetHidden(!m_fromShop);
    RefreshItems();
    const int shopLevel = ShopLevel();
    for (int i = 0; i < kShops; ++i)
    {
        if (ZButton2D* shop = m_shopButtons[size_t(i)])
            shop->SetHidden(!(i < shopLevel || g_cheatsUnlockAll.GetValue()));
    }
    RefreshSlots();
    ShowItemInfo(-1, -1);
    bool ownsAny = false;
    if (ZInventory* inventory = ZInventory::PeekInstance())
    {
        for (int item = 0; item < kItems; ++item)
            ownsAny = ownsAny || inventory->GetCount(item) > 0;
    }
    if (!ownsAny)
    {
        if (shopLevel < 1)
        {
            OpenTip("shopssoon");
        }
        else if (g_tipEmptyInventory.GetValue() < 3)
        {
            MarkTipShown(g_tipEmptyInventory);
            OpenTip("emptyinventory");
        }
    }
}

void ZInventoryScreen::Update(double dt)
{
    (void)dt;
    if (Now() - m_enterTime > 0.5 && !g_tipInventory.GetValue())
    {
        OpenTip("inventory");
        MarkTipShown(g_tipInventory);
    }
}

void ZInventoryScreen::OnLeave()
{
    if (ZStatsLog* stats = ZStatsLog::PeekInstance(); stats && stats->BeginRecord("inventory"))
    {
        stats->SetFloat("time-spent", float(Now() - m_enterTime));
        stats->SetInt("clicks", m_clicks);
        stats->Flush();
    }
}

void ZInventoryScreen::RefreshItems()
{
    for (ZInventoryButton* button : m_items)
    {
        if (button)
            button->Refresh();
    }
}

void ZInventoryScreen::RefreshSlots()
{
    const int usable = g_profileNumSlots.GetValue();
    for (ZInventoryDropTarget* slot : m_slots)
    {
        if (!slot)
            continue;
        slot->Refresh();
        slot->SetHidden(slot->GetSlotIndex() >= usable);
    }
}

void ZInventoryScreen::OnEquipped()
{
    ++m_equips;
    if (m_equipSound)
        m_equipSound->Play();
}

void ZInventoryScreen::ShowItemInfo(int item, int state)
{
    ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
    const char* key = abilities ? abilities->GetItemName(item) : nullptr;
    ZStringTable* strings = ZStringTable::GetInstance();
    if (!key)
    {
        SetInfo("name", "");
        SetInfo("description", "");
        SetInfo("max_count", "", false);
        SetInfo("max_text", "", false);
        return;
    }
    SetInfo("name", strings->GetTextFormat("%s.name", key));
    static const char* const kReasons[4] = {"inventory.cantuse", "inventory.already", "inventory.havenone",
                                            "inventory.locked"};
    if (state >= 0 && state < 4)
    {
        SetInfo("description", strings->GetText(kReasons[state]));
        SetInfo("max_count", "", false);
        SetInfo("max_text", "", false);
        return;
    }
    SetInfo("description", strings->GetTextFormat("%s.description", key));
    const int cap = ZAbilityManager::GetItemCap(item);
    SetInfo("max_count", std::to_string(cap).c_str(), cap > 0);
    SetInfo("max_text", strings->GetText("inventory.maxtext"), cap > 0);
}

void ZInventoryScreen::OnMouseOver(ZButton2D* button)
{
    for (int item = 0; item < kItems; ++item)
    {
        ZInventoryButton* itemButton = m_items[size_t(item)];
        if (itemButton && itemButton == button)
        {
            ShowItemInfo(item, itemButton->GetState());
            return;
        }
    }
}

void ZInventoryScreen::OnClicked(ZButton2D* button)
{
    ZGame* game = ZGame::PeekInstance();
    if (!game || game->GetTopState() != this || !button)
        return;
    ++m_clicks;
    if (button == m_continue)
    {
        game->PopState();
        if (m_fromShop)
            game->PopState();
        return;
    }
    if (button == m_back)
    {
        game->PopState();
        return;
    }
    for (int i = 0; i < kShops; ++i)
    {
        if (button != m_shopButtons[size_t(i)])
            continue;
        ZGameState* shop = ShopState(i);
        const auto& stack = game->GetStack();
        ZGameState* below = stack.size() >= 2 ? stack[stack.size() - 2] : nullptr;
        if (m_fromShop && shop && below == shop)
        {
            game->PopState();
            return;
        }
        game->PopState();
        if (m_fromShop)
            game->PopState();
        if (shop)
            game->PushState(shop, false);
        return;
    }
}

void ZInventoryScreen::OnPropertyChanged(ZProperty* property)
{
    if (property == &g_cheatsUnlockAll)
        RefreshItems();
    RefreshSlots();
}
