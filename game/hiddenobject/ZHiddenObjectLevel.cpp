// Bonus-game levels: registry, level-file attributes, texts, the run of finds and the prize.
#include "game/hiddenobject/ZHiddenObjectLevel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/core/ZMath.h"
#include "engine/core/ZRandom.h"
#include "engine/core/ZSerializer.h"
#include "engine/core/ZTextFormat.h"
#include "engine/resource/ZStringTable.h"
#include "game/hiddenobject/ZHiddenObject.h"
#include "game/hiddenobject/ZHiddenObjectFile.h"
#include "game/hiddenobject/ZHiddenObjectGame.h"
#include "game/hiddenobject/ZHiddenObjectSettings.h"

namespace
{
hiddenobject::TNamedRegistry<ZHiddenObjectLevel>& Registry()
{
    static hiddenobject::TNamedRegistry<ZHiddenObjectLevel> registry(ZHiddenObjectLevel::kMaxLevels,
                                                                     "levels");
    return registry;
}

ZHiddenObjectLevel* FindForFile(const char* name)
{
    return ZHiddenObjectLevel::Find(name);
}

ZHiddenObjectLevel* CreateForFile()
{
    std::fprintf(stderr, "Hidden objects: a level without a name is ignored\n");
    return nullptr;
}

ZSerializerRTTI<ZHiddenObjectLevel> s_serializer(true, &CreateForFile, &FindForFile);

// The item ids of the air items, which relaxed play (no air) has no use for.
bool IsAirItem(int id)
{
    return id >= 14 && id <= 18;
}

// Draws after which a substitute search gives up (a table of nothing but air items).
constexpr int kMaxSubstituteDraws = 200;
} // namespace

ZHiddenObjectLevel* ZHiddenObjectLevel::Find(const char* name)
{
    return Registry().Find(name);
}

void ZHiddenObjectLevel::ReleaseAll()
{
    Registry().Clear();
}

ZHiddenObjectLevel* GetHiddenObjectLevel(const char* name)
{
    return ZHiddenObjectLevel::Find(name);
}

void ZHiddenObjectLevel::SetName(const char* name)
{
    m_name = name ? name : "";
    m_id = ZNameId(name).Value();
}

void ZHiddenObjectLevel::SetAward(const char* award)
{
    m_award = award ? award : "treasure";
    m_awardIsItem = m_award != "treasure";
}

bool ZHiddenObjectLevel::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)id;
    if (ZHiddenObject* object = hiddenobject::NestedObject(value))
    {
        if (name)
            return false;
        if (m_entries.size() >= kMaxEntries && !m_entries.count(object->GetId()))
        {
            if (!m_tooManyTold)
                std::fprintf(stderr, "Hidden objects: level \"%s\" lists more than %zu objects; the rest are ignored\n",
                             m_name.c_str(), kMaxEntries);
            m_tooManyTold = true;
            return true;
        }
        AddObject(object, object->GetNeeded(), object->GetVisible());
        return true;
    }
    static const hiddenobject::SAttribute<ZHiddenObjectLevel> kAttributes[] = {
        {"name", nullptr},
        {"time", [](ZHiddenObjectLevel& l, const char* v) { l.m_time = ParseFloatWithPi(v); }},
        {"award", [](ZHiddenObjectLevel& l, const char* v) { l.SetAward(v); }},
        {"needed", [](ZHiddenObjectLevel& l, const char* v) { l.m_needed = ParseInt(v); }},
        {"awardcount", [](ZHiddenObjectLevel& l, const char* v) { l.m_awardCount = ParseInt(v); }},
        {"type", [](ZHiddenObjectLevel& l, const char* v) { l.m_class = std::strcmp(v, "class") == 0; }},
    };
    return hiddenobject::ApplyAttribute(*this, kAttributes, name, value);
}

void ZHiddenObjectLevel::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    visitor->Attribute("name", m_name.c_str());
    visitor->Attribute("award", m_award.c_str());
}

void ZHiddenObjectLevel::SaveChildren(ISaveVisitor* visitor)
{
    (void)visitor;
}

int ZHiddenObjectLevel::AddObject(ZHiddenObject* object, int needed, int visible)
{
    if (object && !Contains(object))
        m_entries[object->GetId()] = SEntry{object, needed, visible};
    return int(m_entries.size());
}

void ZHiddenObjectLevel::RemoveObject(ZHiddenObject* object)
{
    if (!object)
        return;
    m_entries.erase(object->GetId());
    m_remaining.erase(std::remove(m_remaining.begin(), m_remaining.end(), object), m_remaining.end());
}

bool ZHiddenObjectLevel::Contains(const ZHiddenObject* object) const
{
    for (const auto& [id, entry] : m_entries)
        if (object->IsA(entry.object) || object->MemberIsA(entry.object))
            return true;
    return false;
}

bool ZHiddenObjectLevel::Uses(const ZHiddenObject* object) const
{
    for (const auto& [id, entry] : m_entries)
        if (entry.object->ContainsObject(object))
            return true;
    return false;
}

void ZHiddenObjectLevel::InitTexts(const char* key)
{
    const int n = m_location + 1;
    const char* k = key ? key : m_name.c_str();
    ZStringTable* strings = ZStringTable::PeekInstance();
    m_introText = strings ? strings->FindFormat("ho%i.%s.intro", n, k) : nullptr;
    m_title = strings ? strings->FindFormat("ho%i.%s.title", n, k) : nullptr;
    m_label = strings ? strings->FindFormat("ho%i.%s.label", n, k) : nullptr;
    m_failure = strings ? strings->FindFormat("hiddenobjectgame%i.failure", n) : nullptr;
    m_success = strings ? strings->FindFormat("hiddenobjectgame%i.success", n) : nullptr;
    // The intro is data: only its one number is filled in, any other conversion shows as written.
    const int count = m_needed < 0 ? int(m_entries.size()) : m_needed;
    m_intro = m_introText ? FormatChecked(m_introText, {count}) : std::string();
    if (m_intro.size() > 2047)
        m_intro.resize(2047);
}

void ZHiddenObjectLevel::Reset()
{
    m_complete = false;
    m_found.clear();
    m_remaining.clear();
    m_foundCount = 0;
    for (auto& [id, entry] : m_entries)
    {
        ZHiddenObject* object = entry.object;
        if (object->IsGroup())
        {
            object->Reset();
            object->SetVisibleCount(entry.visible);
            object->SetNeeded(entry.needed);
            object->UpdateLabel();
        }
        m_remaining.push_back(object);
    }
    for (size_t i = m_remaining.size(); i > 1; --i)
        std::swap(m_remaining[i - 1], m_remaining[RandomNext() % i]);
}

void ZHiddenObjectLevel::OnObjectFound(ZHiddenObject* object)
{
    FindObject(object, 0);
    m_complete = IsComplete();
}

void ZHiddenObjectLevel::FindObject(ZHiddenObject* object, int depth)
{
    if (!object || std::find(m_found.begin(), m_found.end(), object) != m_found.end())
        return;
    // A copy: completing an entry takes it out of the list being walked.
    const std::vector<ZHiddenObject*> entries = m_remaining;
    for (ZHiddenObject* entry : entries)
    {
        ZHiddenObject* found = nullptr;
        const bool success = entry->TryFind(object, found);
        if (!success || entry->GetFound() < entry->GetNeeded())
        {
            if (found)
            {
                if (m_game)
                    m_game->ShowSlotLabel(found->GetSlot(), found->GetLabel().c_str());
                ++m_foundCount;
            }
        }
        else
        {
            Complete(entry);
            ++m_foundCount;
        }
        if (!success)
            continue;
        // What the found object holds is found with it and leaves the picture; the depth cap ends
        // a chain of containers that leads back to itself.
        if (found && !found->GetContained().empty() && depth < ZHiddenObject::kMaxLinkDepth)
        {
            const std::vector<ZHiddenObject*> contained = found->GetContained();
            for (ZHiddenObject* inner : contained)
            {
                FindObject(inner, depth + 1);
                inner->SetShown(false);
            }
        }
        return;
    }
}

void ZHiddenObjectLevel::Complete(ZHiddenObject* entry)
{
    m_remaining.erase(std::remove(m_remaining.begin(), m_remaining.end(), entry), m_remaining.end());
    m_found.push_back(entry);
    if (m_game)
        m_game->TickSlot(entry->GetSlot(), entry->GetLabel().c_str());
}

bool ZHiddenObjectLevel::IsComplete() const
{
    if (m_found.size() >= m_entries.size())
        return true;
    return m_needed >= 0 && int(m_found.size()) >= m_needed;
}

int ZHiddenObjectLevel::GetAwardCount() const
{
    int total = 0;
    for (const auto& [id, entry] : m_entries)
        total += entry.needed;
    return total;
}

int ZHiddenObjectLevel::GetAwardItem()
{
    if (m_awardItem < 0 && m_awardIsItem)
    {
        IGameShell* shell = GetGameShell();
        m_awardItem = shell->FindItemId(m_award.c_str());
        m_substituteItem = m_awardItem;
        if (IsAirItem(m_awardItem))
        {
            int budget = shell->GetItemPrice(m_awardItem);
            m_substituteItem = -1;
            for (int draw = 0; draw < kMaxSubstituteDraws; ++draw)
            {
                int price = 0;
                const int pick = shell->PickAffordableItem(budget, &price);
                budget += 100;
                if (pick >= 0 && !IsAirItem(pick))
                {
                    m_substituteItem = pick;
                    break;
                }
            }
        }
    }
    return hiddenobject::IsRelaxMode() ? m_substituteItem : m_awardItem;
}

std::string ZHiddenObjectLevel::GetAwardName()
{
    if (!hiddenobject::HasToolBelt())
        return "treasure";
    if (hiddenobject::IsRelaxMode())
    {
        const char* name = GetGameShell()->GetItemName(GetAwardItem());
        return name ? name : "treasure";
    }
    return m_award;
}

int ZHiddenObjectLevel::GetPrizeItem()
{
    if (!hiddenobject::HasToolBelt() || !m_awardIsItem)
        return -1;
    return GetAwardItem();
}

int ZHiddenObjectLevel::GetPrizeCount() const
{
    return hiddenobject::HasToolBelt() ? m_awardCount : GetAwardCount() * 100;
}

void ZHiddenObjectLevel::OnPrizeDialogButton(bool startPage)
{
    if (m_game)
        m_game->OnPrizeDialogButton(startPage);
}
