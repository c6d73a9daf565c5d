// The tool belt and its slot buttons.
#include "game/dive/crew/ZToolBelt.h"

#include <algorithm>
#include <cstdio>

#include "engine/core/ZSerializer.h"
#include "engine/scene/ZFontText.h"
#include "game/dive/crew/ZInventory.h"

namespace
{
ZSerializerRTTI<ZToolBeltButton> s_toolBeltButtonSerializer;
constexpr ZNameId kSlotAttribute{"slot"};
} // namespace

ZToolBeltButton::~ZToolBeltButton()
{
    if (m_setting)
        m_setting->RemoveListener(this);
    FollowCount(nullptr);
}

void ZToolBeltButton::FollowCount(ZPropertyInt* count)
{
    if (count == m_countSetting)
        return;
    // The inventory owns the count settings: one made again since is not the one followed.
    ZInventory* inventory = ZInventory::PeekInstance();
    if (m_countSetting && inventory && inventory->GetCountSetting(GetItem()) == m_countSetting)
        m_countSetting->RemoveListener(this);
    m_countSetting = count;
    if (m_countSetting)
        m_countSetting->AddListener(this);
}

ZSerializerBase* ZToolBeltButton::GetSerializer() const
{
    return &s_toolBeltButtonSerializer;
}

bool ZToolBeltButton::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (id == kSlotAttribute.Value())
    {
        int32_t slot = -1;
        if (!value || !ParseSettingInt(value, &slot) || slot < 0 || slot >= ZToolBelt::kSlotCount)
        {
            std::fprintf(stderr, "toolbeltbutton: slot \"%s\" is not 0 to 4; the button stays unbound\n",
                         value ? value : "");
            slot = -1;
        }
        m_slot = slot;
        return true;
    }
    return ZAbilityButton::SetProperty(id, name, value);
}

void ZToolBeltButton::OnLoaded()
{
    ZAbilityButton::OnLoaded();
    if (!m_countText)
        m_countText = ZEntityCast<ZFontText>(FindChildNamed("count", 5, false));
    SetSlot(m_slot);
}

void ZToolBeltButton::SetSlot(int slot)
{
    if (m_setting)
        m_setting->RemoveListener(this);
    m_slot = slot >= 0 && slot < ZToolBelt::kSlotCount ? slot : -1;
    m_setting = ZInventory::GetSlotSetting(m_slot);
    m_count = 0;
    FollowCount(nullptr);
    SetItem(-1);
    SetEnabled(false);
    if (m_setting)
    {
        m_setting->AddListener(this);
        OnPropertyChanged(m_setting);
    }
}

void ZToolBeltButton::SetEnabled(bool enabled)
{
    ZAbilityButton::SetEnabled(enabled);
    if (m_countText)
        m_countText->SetHidden(!enabled || m_count <= 0);
}

void ZToolBeltButton::OnPropertyChanged(ZProperty* property)
{
    if (property && property == m_countSetting)
    {
        // Our own use already counted itself down.
        if (m_using)
            return;
        RefreshCount();
        SetEnabled(GetItem() >= 0 && m_count > 0);
        ShowCount();
        return;
    }
    if (property != m_setting || !m_setting)
        return;
    const int id = ZAbilityManager::FindAbilityId(m_setting->GetValue().c_str());
    FollowCount(nullptr);
    SetItem(id);
    ZInventory* inventory = ZInventory::PeekInstance();
    FollowCount(inventory ? inventory->GetCountSetting(GetItem()) : nullptr);
    if (GetItem() >= 0)
        RefreshCount();
    else
        m_count = 0;
    SetEnabled(GetItem() >= 0 && m_count > 0);
    ShowCount();
}

void ZToolBeltButton::RefreshCount()
{
    m_count = 0;
    if (ZInventory* inventory = ZInventory::PeekInstance())
        m_count = inventory->GetOfferedCount(GetItem());
}

void ZToolBeltButton::ShowCount()
{
    if (!m_countText)
        return;
    m_countText->SetTextF("%i", m_count);
    m_countText->SetHidden(!IsEnabled() || m_count <= 0);
}

void ZToolBeltButton::OnAbilityConsumed()
{
    UseOne();
}

void ZToolBeltButton::UseOne()
{
    m_using = true;
    if (ZInventory* inventory = ZInventory::PeekInstance())
        inventory->SetCount(GetItem(), inventory->GetCount(GetItem()) - 1);
    m_using = false;
    m_count = std::max(0, m_count - 1);
    SetEnabled(m_count > 0);
    ShowCount();
}

ZToolBelt::ZToolBelt()
{
    s_instance = this;
}

ZToolBelt::~ZToolBelt()
{
    if (m_numSlots)
        m_numSlots->RemoveListener(this);
    if (s_instance == this)
        s_instance = nullptr;
}

void ZToolBelt::Load(ZNode* root)
{
    m_root = root;
    for (int slot = 0; slot < kSlotCount; ++slot)
    {
        char path[16];
        std::snprintf(path, sizeof path, "slot_%i", slot);
        ZNode* node = root ? root->FindNode(path) : nullptr;
        m_slots[size_t(slot)] = node;
        m_buttons[size_t(slot)] = node ? ZEntityCast<ZToolBeltButton>(node->FindNode("button")) : nullptr;
    }
    if (m_numSlots)
        m_numSlots->RemoveListener(this);
    m_numSlots = ZInventory::GetNumSlotsSetting();
    ApplySlotCount();
    if (m_numSlots)
        m_numSlots->AddListener(this);
}

void ZToolBelt::ApplySlotCount()
{
    const int usable = m_numSlots ? std::clamp(m_numSlots->GetValue(), 0, kSlotCount) : 0;
    for (int slot = 0; slot < kSlotCount; ++slot)
    {
        if (ZNode* node = m_slots[size_t(slot)])
            node->SetActive(slot < usable);
        if (slot < usable)
            continue;
        if (ZPropertyText* setting = ZInventory::GetSlotSetting(slot))
            setting->SetValue(std::string());
    }
}

void ZToolBelt::FillEmptySlots()
{
    ZInventory* inventory = ZInventory::PeekInstance();
    if (!inventory)
        return;
    const int usable = m_numSlots ? std::clamp(m_numSlots->GetValue(), 0, kSlotCount) : 0;
    for (int slot = 0; slot < usable; ++slot)
    {
        ZPropertyText* setting = ZInventory::GetSlotSetting(slot);
        if (setting && setting->GetValue().empty())
            setting->SetValue(inventory->PickStockedItemNotOnBelt());
    }
}

bool ZToolBelt::IsOnBelt(const char* name)
{
    return ZInventory::IsOnBelt(name);
}

void ZToolBelt::OnPropertyChanged(ZProperty* property)
{
    if (property == m_numSlots)
        ApplySlotCount();
}
