// The ability manager: item table, unlocks, arming, firing and the running abilities.
#include "game/dive/abilities/ZAbilityManager.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/dive/abilities/IAbilityDive.h"
#include "game/dive/abilities/ZAbilityBreak.h"
#include "game/dive/abilities/ZAbilityDiveServices.h"
#include "game/dive/crew/ZInventory.h"

namespace
{
// How many of each item one tool-belt slot holds, by item id.
constexpr int kItemCaps[ZAbilityManager::kItemCount] = {10, 6, 5, 10, 8, 5, 3, 2, 5, 5, 8, 3, 1, 6,
                                                        1,  2, 2, 5,  3, 3, 2, 5, 3, 6, 5, 3, 1, 1};
// The token colour group that charges each item on a crew member (-1 none).
constexpr int kColourGroups[ZAbilityManager::kItemCount] = {0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0,
                                                            2, 2, 2, 2, 2, 2, 2, 2, 2, 0, 1, 1, -1, 0};
constexpr int kFirstAirItem = 14;
constexpr int kLastAirItem = 18;
constexpr int kAffordableDraws = 21;

constexpr ZUpgradeInfo kUpgradeRows[ZAbilityManager::kUpgradeCount] = {
    {"airless", 2, nullptr, false},       {"airless2", 2, nullptr, false},
    {"chest2", 0, nullptr, true},         {"chest3", 0, nullptr, true},
    {"chest4", 0, nullptr, true},         {"chest5", 2, nullptr, true},
    {"inventory1", 0, nullptr, true},     {"inventory2", 0, nullptr, true},
    {"inventory3", 0, nullptr, true},     {"inventory4", 2, nullptr, true},
    {"rotateupgrade", 0, nullptr, true},  {"rotateupgrade2", 0, nullptr, true},
    {"rotateupgrade3", 0, nullptr, true},
};

bool ValidId(int id)
{
    return id >= 0 && id < ZAbilityManager::kItemCount;
}

ZAbilityDiveServices g_abilityServices;

template <class T> void EraseOne(std::vector<T*>& list, T* item)
{
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end())
        list.erase(it);
}

template <class T> void AppendOnce(std::vector<T*>& list, T* item)
{
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}
} // namespace

ZAbilityListener::ZAbilityListener()
{
    if (ZAbilityManager* manager = ZAbilityManager::PeekInstance())
        manager->AddListener(this);
}

ZAbilityListener::~ZAbilityListener()
{
    if (ZAbilityManager* manager = ZAbilityManager::PeekInstance())
        manager->RemoveListener(this);
}

ZAbilityManager::ZAbilityManager()
{
    m_running.reserve(32);
    m_airModifiers.reserve(32);
    m_treasureModifiers.reserve(32);
    for (int row = 0; row < kUpgradeCount; ++row)
        m_upgrades[size_t(row)] = kUpgradeRows[row];

    ZPropertyManager* properties = ZPropertyManager::GetInstance();
    properties->AddCommand(this);
    // The board reaches the armed ability through the dive services, unless a part that answers
    // for the abilities too installed its own.
    IDiveServices* installed = GetDiveServices();
    SetDiveServices(nullptr);
    SetDiveServices(GetDiveServices() == installed ? &g_abilityServices : installed);
    // The board hears of every use, to answer with its sound and shake.
    AddListener(&g_abilityServices);

    for (ZAbilityFactoryBase* f = ZInstanceChain<ZAbilityFactoryBase>::Head(); f; f = f->NextInChain())
    {
        const int id = f->GetId();
        if (!ValidId(id))
        {
            std::fprintf(stderr, "Ability \"%s\" has the id %d outside the item table; ignored\n", f->GetName(), id);
            continue;
        }
        // A second factory for an item (registered by two modules) would split its instances.
        if (m_factories[size_t(id)])
        {
            std::fprintf(stderr, "Ability \"%s\" is registered twice for item %d; the first is kept\n",
                         f->GetName(), id);
            continue;
        }
        m_byName[ZNameId(f->GetName()).Value()] = f;
        m_factories[size_t(id)] = f;
    }

    // The names live as long as the settings that point at them.
    const uint32_t group = ZNameId("profile").Value();
    for (int id = 0; id < kItemCount; ++id)
    {
        const char* key = m_factories[size_t(id)] ? m_factories[size_t(id)]->GetName() : nullptr;
        if (!key)
        {
            std::fprintf(stderr, "Ability manager: no ability registered for item %d\n", id);
            continue;
        }
        m_unlockNames[size_t(id)] = std::string("unlock.") + key;
        m_unlock[size_t(id)] = new ZPropertyBool(m_unlockNames[size_t(id)].c_str(), "", "", ZProperty::kSaved, group, false);
    }
    for (int row = 0; row < kUpgradeCount; ++row)
    {
        std::string& name = m_unlockNames[size_t(kItemCount + row)];
        name = std::string("unlock.") + m_upgrades[size_t(row)].name;
        m_upgradeUnlock[size_t(row)] = new ZPropertyBool(name.c_str(), "", "", ZProperty::kSaved, group, false);
    }
    for (ZUpgradeInfo& upgrade : m_upgrades)
    {
        char path[96];
        std::snprintf(path, sizeof path, "resources:power_%s.png", upgrade.name);
        upgrade.icon = ZTexture::FindOrLoad(path, 0, 1);
    }
    for (ZPropertyBool* setting : m_unlock)
        if (setting)
            setting->AddListener(this);
    for (ZPropertyBool* setting : m_upgradeUnlock)
        setting->AddListener(this);
}

ZAbilityManager::~ZAbilityManager()
{
    // Instances still running or armed go back to their factories, whose pools free them at exit.
    StopAllAbilities();
    if (m_ownArmed && m_ownArmed->GetFactory())
        m_ownArmed->GetFactory()->Release(m_ownArmed);
    m_ownArmed = nullptr;
    if (GetDiveServices() == &g_abilityServices)
        SetDiveServices(nullptr);
    m_armed = nullptr;
    for (ZPropertyBool*& setting : m_unlock)
    {
        delete setting;
        setting = nullptr;
    }
    for (ZPropertyBool*& setting : m_upgradeUnlock)
    {
        delete setting;
        setting = nullptr;
    }
    if (ZPropertyManager* properties = ZPropertyManager::PeekInstance())
    {
        if (ZPropertyCommand* give = dynamic_cast<ZPropertyCommand*>(properties->Find("give")))
        {
            if (give->GetHandler() == this)
            {
                properties->Remove(give);
                delete give;
            }
        }
    }
    m_running.clear();
    m_airModifiers.clear();
    m_treasureModifiers.clear();
    m_byName.clear();
}

int ZAbilityManager::FindAbilityId(const char* name)
{
    if (!name)
        return -1;
    for (ZAbilityFactoryBase* f = ZInstanceChain<ZAbilityFactoryBase>::Head(); f; f = f->NextInChain())
    {
        if (std::strcmp(f->GetName(), name) == 0 && ValidId(f->GetId()))
            return f->GetId();
    }
    return -1;
}

const char* ZAbilityManager::GetItemName(int id) const
{
    ZAbilityFactoryBase* factory = GetFactory(id);
    return factory ? factory->GetName() : nullptr;
}

ZAbilityFactoryBase* ZAbilityManager::GetFactory(int id) const
{
    return ValidId(id) ? m_factories[size_t(id)] : nullptr;
}

int ZAbilityManager::GetItemCap(int id)
{
    return ValidId(id) ? kItemCaps[id] : 0;
}

int ZAbilityManager::GetColourGroup(int id)
{
    return ValidId(id) ? kColourGroups[id] : -1;
}

ZTexture* ZAbilityManager::GetPowerIcon(int id)
{
    const char* name = GetItemName(id);
    if (!name)
        return nullptr;
    ZTexture*& icon = m_icons[size_t(id)];
    if (!icon)
    {
        char path[96];
        std::snprintf(path, sizeof path, "resources:power_%s.png", name);
        icon = ZTexture::FindOrLoad(path, 0, 1);
    }
    return icon;
}

int ZAbilityManager::GetItemPrice(int id)
{
    const char* name = GetItemName(id);
    if (!name)
        return 0;
    int& price = m_prices[size_t(id)];
    if (price == 0)
    {
        const char* text = ZStringTable::GetInstance()->FindFormat("%s.price", name);
        int32_t value = 0;
        if (text && ParseSettingInt(text, &value) && value > 0)
            price = value;
        else
            std::fprintf(stderr, "Item \"%s\": no price (\"%s.price\" is %s); not for sale\n", name, name,
                         text ? text : "missing");
    }
    return price;
}

int ZAbilityManager::PickAffordableItem(int budget, int* price)
{
    int id = 0;
    for (int draw = 0; draw < kAffordableDraws; ++draw)
    {
        id = std::rand() % kItemCount;
        const int cost = GetItemPrice(id);
        if (cost > 0 && cost <= budget)
        {
            if (price)
                *price = cost;
            return id;
        }
    }
    if (price)
        *price = budget;
    return id;
}

const ZUpgradeInfo* ZAbilityManager::FindUpgradeByName(const char* name) const
{
    if (!name)
        return nullptr;
    for (const ZUpgradeInfo& upgrade : m_upgrades)
        if (std::strcmp(upgrade.name, name) == 0)
            return &upgrade;
    return nullptr;
}

bool ZAbilityManager::IsNonAirItem(const char* name) const
{
    const int id = FindAbilityId(name);
    if (id >= 0)
        return id < kFirstAirItem || id > kLastAirItem;
    if (const ZUpgradeInfo* upgrade = FindUpgradeByName(name))
        return upgrade->nonAir;
    return true;
}

ZPropertyBool* ZAbilityManager::GetUnlockSetting(int id) const
{
    return ValidId(id) ? m_unlock[size_t(id)] : nullptr;
}

ZPropertyBool* ZAbilityManager::GetUpgradeUnlockSetting(int row) const
{
    return row >= 0 && row < kUpgradeCount ? m_upgradeUnlock[size_t(row)] : nullptr;
}

ZAbility* ZAbilityManager::ArmAbilityById(int id)
{
    ZAbilityFactoryBase* factory = GetFactory(id);
    if (!factory)
        return nullptr;
    ZAbility* ability = factory->Create();
    ability->SetSpent(true);
    ArmAbility(ability);
    m_ownArmed = ability;
    return ability;
}

void ZAbilityManager::ArmAbility(ZAbility* ability)
{
    if (!ability)
        return;
    if (m_armed && m_armed != ability)
        DisarmAbility();
    if (ability->GetCategory() == ZAbility::kBoardWide)
        GetAbilityDive()->HighlightBoardEdges(true, false);
    m_armed = ability;
    ability->SetArmed(true);
    m_silent = false;
}

void ZAbilityManager::DisarmAbility()
{
    if (ZAbility* ability = m_armed)
    {
        if (ability->GetCategory() == ZAbility::kBoardWide)
            GetAbilityDive()->HighlightBoardEdges(false, false);
        // An effect on the running list belongs to the list; only a stray one ends here.
        if (ability->IsRunning() && std::find(m_running.begin(), m_running.end(), ability) == m_running.end())
        {
            ability->EndEffect();
            ability->SetRunning(false);
        }
        Deliver([ability](IAbilityListener* l) { l->OnAbilityUsed(false, ability); });
        ability->SetArmed(false);
        m_armed = nullptr;
        // Nobody else holds an instance the manager made for itself.
        if (ability == m_ownArmed)
        {
            m_ownArmed = nullptr;
            if (ZAbilityFactoryBase* factory = ability->GetFactory())
                factory->Release(ability);
        }
    }
    GetAbilityDive()->ClearBoardPreview();
}

bool ZAbilityManager::fireArmedAbility(ZTile* tile, ZTile* second, ZTileList& tiles)
{
    ZAbility* ability = m_armed;
    if (!ability)
        return false;
    if (ability->GetCategory() == ZAbility::kBoardWide)
        GetAbilityDive()->HighlightBoardEdges(false, false);
    const bool success = ability->Apply(tile, second, tiles);
    if (!m_silent)
        Deliver([success, ability](IAbilityListener* l) { l->OnAbilityUsed(success, ability); });
    const bool silent = m_silent;
    m_silent = false;
    ability->SetArmed(false);
    m_armed = nullptr;
    const bool own = ability == m_ownArmed;
    m_ownArmed = nullptr;
    if (!success)
    {
        if (own)
        {
            if (ZAbilityFactoryBase* factory = ability->GetFactory())
                factory->Release(ability);
        }
        return false;
    }

    if (ability->IsOneShot())
    {
        Finish(ability);
    }
    else
    {
        ability->SetSpent(true);
        if (!ability->IsRunning())
        {
            ability->StartEffect();
            ability->SetRunning(true);
        }
        // Firing one that already runs keeps its countdown and its single place on the lists.
        if (std::find(m_running.begin(), m_running.end(), ability) == m_running.end())
        {
            m_running.push_back(ability);
            ++m_uses[size_t(ability->GetId())];
        }
        if (ability->HasFlag(ZAbility::kAirEffect))
            AppendOnce(m_airModifiers, ability);
        if (ability->HasFlag(ZAbility::kTreasureEffect))
            AppendOnce(m_treasureModifiers, ability);
    }
    if (!silent)
        AfterFirstSuccess(ability);
    return true;
}

void ZAbilityManager::AfterFirstSuccess(ZAbility* ability)
{
    // The ability may be back in its pool already, but its factory and name stay.
    if (ZAbilityFactoryBase* factory = ability->GetFactory())
    {
        if (const char* popup = factory->GetPopupText())
            GetGameShell()->ShowPopupAt(popup, true, 2.0, nullptr);
    }
    ZPropertyBool* tip = ZPropertyManager::GetInstance()->FindTyped<bool>("zelk.tip.abilityxp");
    if (tip && !tip->GetValue())
    {
        tip->SetValue(true);
        if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
            tips->OpenTimedToolTip("abilityxp", nullptr, 0, 3.0f);
    }
}

bool ZAbilityManager::TrySwapWithAbility(ZTile* first, ZTile* second, ZTileList& tiles)
{
    if (!m_armed || !m_armed->AcceptsPair(first, second))
        return false;
    return fireArmedAbility(first, second, tiles);
}

bool ZAbilityManager::SelectTarget(ZTile* tile)
{
    ZAbility* ability = m_armed;
    if (!ability)
        return false;
    const bool accepted = ability->CanTarget(tile);
    Deliver([accepted, ability, tile](IAbilityListener* l) { l->OnAbilityTarget(accepted, ability, tile); });
    if (!accepted && m_armed == ability)
        DisarmAbility();
    return accepted;
}

bool ZAbilityManager::FireFallbackAbility(ZTileList& tiles)
{
    ZAbilityFactoryBase* factory = GetFactory(kFallbackItem);
    if (!factory)
        return false;
    ZAbility* ability = factory->Create();
    // It must change the board even when few tiles qualify.
    if (auto* random = dynamic_cast<ZAbilityBreakRandom*>(ability))
        random->SetFallback(true);
    ArmAbility(ability);
    m_silent = true;
    const size_t before = tiles.size();
    fireArmedAbility(nullptr, nullptr, tiles);
    return tiles.size() > before;
}

void ZAbilityManager::Finish(ZAbility* ability)
{
    if (ability->IsRunning())
    {
        ability->EndEffect();
        ability->SetRunning(false);
    }
    RemoveFromLists(ability);
    if (m_armed == ability)
        m_armed = nullptr;
    if (ZAbilityFactoryBase* factory = ability->GetFactory())
        factory->Release(ability);
}

void ZAbilityManager::RemoveFromLists(ZAbility* ability)
{
    EraseOne(m_running, ability);
    EraseOne(m_airModifiers, ability);
    EraseOne(m_treasureModifiers, ability);
}

float ZAbilityManager::ModifyAirRate(float rate)
{
    for (ZAbility* ability : m_airModifiers)
        rate = ability->ModifyAirRate(rate);
    return rate;
}

int ZAbilityManager::ModifyTreasureValue(int value)
{
    for (ZAbility* ability : m_treasureModifiers)
        value = ability->ModifyTreasureValue(value);
    return value;
}

void ZAbilityManager::StopAllAbilities()
{
    while (!m_running.empty())
        Finish(m_running.front());
}

void ZAbilityManager::updateCooldowns(float dt)
{
    // Finishing changes the list: walk a copy.
    const std::vector<ZAbility*> running = m_running;
    for (ZAbility* ability : running)
    {
        if (!ability->IsTimed())
            continue;
        const float remaining = std::max(0.0f, ability->GetRemaining() - dt);
        ability->SetRemaining(remaining);
        const float duration = ability->GetDuration();
        const float progress = duration > 0.0f ? (duration - remaining) / duration : 1.0f;
        ability->SetProgress(progress);
        ability->Update(progress);
        if (remaining <= 0.0f)
            Finish(ability);
    }
}

bool ZAbilityManager::IsRunning(int id) const
{
    for (const ZAbility* ability : m_running)
        if (ability->GetId() == id)
            return true;
    return false;
}

int ZAbilityManager::GetUses(int id) const
{
    return ValidId(id) ? m_uses[size_t(id)] : 0;
}

void ZAbilityManager::Execute(const char* command, const std::vector<std::string>& arguments)
{
    (void)command;
    if (arguments.empty())
        return;
    const int id = FindAbilityId(arguments[0].c_str());
    if (id < 0)
    {
        std::fprintf(stderr, "give: no item is called \"%s\"\n", arguments[0].c_str());
        return;
    }
    if (ZInventory* inventory = ZInventory::PeekInstance())
        inventory->AddItem(arguments[0].c_str());
}

void ZAbilityManager::OnPropertyChanged(ZProperty* property)
{
    ZPropertyBool* setting = static_cast<ZPropertyBool*>(property);
    if (!setting->GetValue())
        return;
    const ZProfileManager* profiles = ZProfileManager::PeekInstance();
    if (profiles && profiles->IsLoading())
        return;
    // "unlock." and the key name.
    const char* key = setting->GetName() + std::strlen("unlock.");
    GetGameShell()->ShowNewStock(key);
}
