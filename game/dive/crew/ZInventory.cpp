// The player's item counts and the tool belt's slot rules.
#include "game/dive/crew/ZInventory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/core/ZPropertyManager.h"
#include "game/dive/abilities/ZAbilityManager.h"

namespace
{
constexpr const char* kCountPrefix = "profile.inventory.";
constexpr const char* kSlotNames[ZInventory::kSlotCount] = {"profile.slot0", "profile.slot1", "profile.slot2",
                                                           "profile.slot3", "profile.slot4"};
constexpr int kSkipLevel = 26;
constexpr int kTestingCount = 10;

bool ValidId(int id)
{
    return id >= 0 && id < ZInventory::kItemCount;
}

int UsableSlots()
{
    const ZPropertyInt* numSlots = ZInventory::GetNumSlotsSetting();
    return numSlots ? std::clamp(numSlots->GetValue(), 0, ZInventory::kSlotCount) : 0;
}
} // namespace

ZInventory::ZInventory()
{
    ZAbilityManager* manager = ZAbilityManager::GetInstance();
    const uint32_t group = ZNameId("profile").Value();
    for (int id = 0; id < kItemCount; ++id)
    {
        const char* key = manager->GetItemName(id);
        if (!key)
            continue;
        // The whole name: two keys that share their first characters must not share a setting.
        m_names[size_t(id)] = std::string(kCountPrefix) + key;
        m_counts[size_t(id)] = new ZPropertyInt(m_names[size_t(id)].c_str(), "", "",
                                                ZProperty::kSaved | ZProperty::kAlwaysWrite, group, 0, kMaxCount, 0);
    }
    m_toolBelt = GetToolBeltSetting();
    if (m_toolBelt)
        m_toolBelt->AddListener(this);
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
    {
        profiles->AddListener(this);
        m_listensToProfiles = true;
    }
    SetAllCounts();
}

ZInventory::~ZInventory()
{
    if (m_toolBelt)
        m_toolBelt->RemoveListener(this);
    if (m_listensToProfiles)
    {
        if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
            profiles->RemoveListener(this);
    }
    for (ZPropertyInt*& count : m_counts)
    {
        delete count;
        count = nullptr;
    }
}

ZPropertyInt* ZInventory::GetCountSetting(int id) const
{
    return ValidId(id) ? m_counts[size_t(id)] : nullptr;
}

int ZInventory::GetCount(int id) const
{
    const ZPropertyInt* count = GetCountSetting(id);
    return count ? count->GetValue() : 0;
}

void ZInventory::SetCount(int id, int count)
{
    if (ZPropertyInt* setting = GetCountSetting(id))
        setting->SetValue(std::clamp(count, 0, kMaxCount));
}

int ZInventory::GetOfferedCount(int id) const
{
    return std::min(ZAbilityManager::GetItemCap(id), GetCount(id));
}

bool ZInventory::AddItem(const char* name)
{
    const int id = ZAbilityManager::FindAbilityId(name);
    if (!GetCountSetting(id))
        return false;
    SetCount(id, std::min(GetCount(id), kMaxCount - 1) + 1);
    return true;
}

void ZInventory::SetAllCounts()
{
    const ZPropertyBool* unlockAll = ZPropertyManager::GetInstance()->FindTyped<bool>("cheats.unlockall");
    const int value = unlockAll && unlockAll->GetValue() ? kMaxCount : 0;
    for (int id = 0; id < kItemCount; ++id)
        SetCount(id, value);
}

std::string ZInventory::PickStockedItemNotOnBelt() const
{
    std::vector<const char*> candidates;
    const ZAbilityManager* manager = ZAbilityManager::GetInstance();
    for (int id = 0; id < kItemCount; ++id)
    {
        const char* key = manager->GetItemName(id);
        if (key && GetCount(id) > 0 && !IsOnBelt(key))
            candidates.push_back(key);
    }
    if (candidates.empty())
        return std::string();
    return candidates[size_t(std::rand()) % candidates.size()];
}

bool ZInventory::ValidateToolBelt()
{
    bool any = false;
    for (int slot = 0; slot < kSlotCount; ++slot)
    {
        ZPropertyText* setting = GetSlotSetting(slot);
        if (!setting)
            continue;
        const std::string& name = setting->GetValue();
        const int id = ZAbilityManager::FindAbilityId(name.c_str());
        if (name.empty() || (id >= 0 && GetOfferedCount(id) == 0))
            setting->SetValue(PickStockedItemNotOnBelt());
        if (!setting->GetValue().empty())
            any = true;
    }
    return any;
}

void ZInventory::FillForTesting()
{
    for (int id = 0; id < kItemCount; ++id)
        SetCount(id, id == kSkipLevel ? 0 : kTestingCount);
    ValidateToolBelt();
}

ZPropertyText* ZInventory::GetSlotSetting(int slot)
{
    if (slot < 0 || slot >= kSlotCount)
        return nullptr;
    return ZPropertyManager::GetInstance()->FindTyped<std::string>(kSlotNames[slot]);
}

ZPropertyInt* ZInventory::GetNumSlotsSetting()
{
    return ZPropertyManager::GetInstance()->FindTyped<int32_t>("profile.numslots");
}

ZPropertyBool* ZInventory::GetToolBeltSetting()
{
    return ZPropertyManager::GetInstance()->FindTyped<bool>("profile.toolbelt");
}

bool ZInventory::IsOnBelt(const char* name)
{
    if (!name || !*name)
        return false;
    const int usable = UsableSlots();
    for (int slot = 0; slot < usable; ++slot)
    {
        const ZPropertyText* setting = GetSlotSetting(slot);
        if (setting && setting->GetValue() == name)
            return true;
    }
    return false;
}

void ZInventory::OnPropertyChanged(ZProperty* property)
{
    if (property != m_toolBelt || !m_toolBelt->GetValue())
        return;
    ZPropertyInt* numSlots = GetNumSlotsSetting();
    if (numSlots && numSlots->GetValue() == 0)
        numSlots->SetValue(1);
}

int ZInventory::OnProfileLoaded()
{
    const ZProfileManager* profiles = ZProfileManager::PeekInstance();
    const SProfileInfo* profile = profiles ? profiles->GetCurrent() : nullptr;
    if (!profile)
        return 0;
    const size_t prefix = std::strlen(kCountPrefix);
    for (const SPropertyEntry& entry : profile->propertyFile.GetEntries())
    {
        if (entry.key.compare(0, prefix, kCountPrefix) != 0)
            continue;
        const int id = ZAbilityManager::FindAbilityId(entry.key.c_str() + prefix);
        const ZPropertyInt* count = GetCountSetting(id);
        if (!count)
            std::fprintf(stderr, "Profile: \"%s\" names no item; ignored\n", entry.key.c_str());
        else if (!count->EqualsText(entry.value.c_str()))
            std::fprintf(stderr, "Profile: \"%s = %s\" is no count from 0 to %d; %d taken\n", entry.key.c_str(),
                         entry.value.c_str(), kMaxCount, count->GetValue());
    }
    for (int slot = 0; slot < kSlotCount; ++slot)
    {
        ZPropertyText* setting = GetSlotSetting(slot);
        if (!setting || setting->GetValue().empty() || ZAbilityManager::FindAbilityId(setting->GetValue().c_str()) >= 0)
            continue;
        std::fprintf(stderr, "Profile: \"%s = %s\" names no item; the slot is emptied\n", setting->GetName(),
                     setting->GetValue().c_str());
        setting->SetValue(std::string());
    }
    return 0;
}
