// The bonus game's findable objects: registry, level-file attributes, groups, labels and finding.
#include "game/hiddenobject/ZHiddenObject.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "engine/core/ZMath.h"
#include "engine/core/ZRandom.h"
#include "engine/core/ZSerializer.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZNode.h"
#include "engine/scene/ZSprite.h"
#include "game/hiddenobject/ZHiddenObjectFile.h"

namespace
{
hiddenobject::TNamedRegistry<ZHiddenObject>& Registry()
{
    static hiddenobject::TNamedRegistry<ZHiddenObject> registry(ZHiddenObject::kMaxObjects, "objects");
    return registry;
}

ZHiddenObject* FindForFile(const char* name)
{
    return ZHiddenObject::Find(name);
}

// An element without a name cannot be referred to by anything: it is not made.
ZHiddenObject* CreateForFile()
{
    std::fprintf(stderr, "Hidden objects: an object without a name is ignored\n");
    return nullptr;
}

ZSerializerRTTI<ZHiddenObject> s_serializer(true, &CreateForFile, &FindForFile);

const char* Localized(const char* format, const char* name)
{
    ZStringTable* strings = ZStringTable::PeekInstance();
    return strings ? strings->FindFormat(format, name) : nullptr;
}

bool Has(const std::vector<ZHiddenObject*>& list, const ZHiddenObject* object)
{
    for (const ZHiddenObject* o : list)
        if (o == object)
            return true;
    return false;
}

void AddOnce(std::vector<ZHiddenObject*>& list, ZHiddenObject* object)
{
    if (object && !Has(list, object) && list.size() < ZHiddenObject::kMaxObjects)
        list.push_back(object);
}

void ShowNode(ZNode* node, bool shown)
{
    if (node && node->IsActive() != shown)
        node->SetActive(shown);
}
} // namespace

ZHiddenObject* ZHiddenObject::Find(const char* name)
{
    return Registry().Find(name);
}

ZHiddenObject* ZHiddenObject::Peek(uint32_t id)
{
    return Registry().Peek(id);
}

size_t ZHiddenObject::GetCount()
{
    return Registry().Size();
}

void ZHiddenObject::ReleaseAll()
{
    Registry().Clear();
}

ZHiddenObject* GetHiddenObject(const char* name)
{
    return ZHiddenObject::Find(name);
}

void ZHiddenObject::SetName(const char* name)
{
    m_name = name ? name : "";
    m_id = ZNameId(name).Value();
    m_singular = name ? Localized("hidden.%s.name", name) : nullptr;
    m_plural = name ? Localized("hidden.%s.plural", name) : nullptr;
    m_label = m_singular ? m_singular : "[ unknown ]";
}

// Level-file attributes: name, visible, needed and template as text; nested objects with
// property="contains", "obscures" or "isa" join those lists; a nested object without a property
// becomes a member of this group.
bool ZHiddenObject::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)id;
    if (ZHiddenObject* child = hiddenobject::NestedObject(value))
    {
        if (child == this)
        {
            std::fprintf(stderr, "Hidden objects: \"%s\" cannot hold itself; ignored\n", m_name.c_str());
            return true;
        }
        if (!name)
            AddMember(child);
        else if (std::strcmp(name, "contains") == 0)
            AddContained(child);
        else if (std::strcmp(name, "obscures") == 0)
            AddObscured(child);
        else if (std::strcmp(name, "isa") == 0)
            AddClass(child);
        else
            return false;
        return true;
    }
    static const hiddenobject::SAttribute<ZHiddenObject> kAttributes[] = {
        {"name", nullptr},
        {"visible", [](ZHiddenObject& o, const char* v) { o.SetVisibleCount(ParseInt(v)); }},
        {"needed", [](ZHiddenObject& o, const char* v) { o.SetNeeded(ParseInt(v)); }},
        {"template", [](ZHiddenObject& o, const char* v) { o.SetTemplate(Find(v)); }},
    };
    return hiddenobject::ApplyAttribute(*this, kAttributes, name, value);
}

void ZHiddenObject::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    visitor->Attribute("name", m_name.c_str());
    if (m_template)
        visitor->Attribute("template", m_template->GetName());
}

void ZHiddenObject::SaveChildren(ISaveVisitor* visitor)
{
    (void)visitor;
}

void ZHiddenObject::AddMember(ZHiddenObject* member)
{
    if (!member || member == this || Has(m_members, member))
        return;
    if (m_members.size() >= kMaxMembers)
    {
        std::fprintf(stderr, "Hidden objects: group \"%s\" takes at most %zu members; \"%s\" ignored\n",
                     m_name.c_str(), kMaxMembers, member->GetName());
        return;
    }
    m_members.push_back(member);
    m_isGroup = true;
    member->m_isMember = true;
    AddOnce(member->m_classes, this);
}

void ZHiddenObject::AddContained(ZHiddenObject* object)
{
    if (!object || object == this)
        return;
    AddOnce(m_contains, object);
    AddOnce(object->m_containedIn, this);
}

void ZHiddenObject::AddObscured(ZHiddenObject* object)
{
    if (!object || object == this)
        return;
    AddOnce(m_obscures, object);
    AddOnce(object->m_obscuredBy, this);
}

void ZHiddenObject::AddClass(ZHiddenObject* object)
{
    if (object && object != this)
        AddOnce(m_classes, object);
}

void ZHiddenObject::SetTemplate(ZHiddenObject* object)
{
    m_template = object == this ? nullptr : object;
    UpdateLabel();
}

void ZHiddenObject::Reset()
{
    ResetAt(0);
}

void ZHiddenObject::ResetAt(int depth)
{
    m_slot = -1;
    m_needed = 1;
    m_visible = int(m_members.size());
    m_found = 0;
    m_inPlay = false;
    if (m_node)
    {
        ShowNode(m_node, true);
        if (ZSprite* sprite = ZEntityCast<ZSprite>(m_node))
            sprite->SetAlpha(1.0f);
        m_node->SetHidden(false);
        m_node->SetFlags(kNodePickable);
    }
    SetShownAt(true, depth);
    if (depth < kMaxLinkDepth)
        for (ZHiddenObject* member : m_members)
            member->ResetAt(depth + 1);
    UpdateLabel();
}

void ZHiddenObject::SetVisibleCount(int n)
{
    const int members = int(m_members.size());
    if (n < 1)
        n += members;
    m_visible = n;
    for (int i = 0; i < members; ++i)
        m_members[size_t(i)]->SetShown(i < n);
}

void ZHiddenObject::SetShown(bool shown)
{
    SetShownAt(shown, 0);
}

void ZHiddenObject::SetShownAt(bool shown, int depth)
{
    ShowNode(m_node, shown);
    m_shown = shown;
    if (depth >= kMaxLinkDepth)
        return;
    for (ZHiddenObject* member : m_members)
        member->SetShownAt(shown, depth + 1);
    if (!shown)
        for (ZHiddenObject* object : m_contains)
            object->SetShownAt(false, depth + 1);
}

void ZHiddenObject::ShowNeeded()
{
    if (m_members.empty())
    {
        SetShown(true);
        return;
    }
    for (int i = 0; i < m_needed && i < int(m_members.size()); ++i)
        m_members[size_t(i)]->SetShown(true);
}

void ZHiddenObject::SetHintable(bool on)
{
    m_inPlay = on;
    for (int i = 0; i < m_needed && i < int(m_members.size()); ++i)
        m_members[size_t(i)]->m_inPlay = on;
}

void ZHiddenObject::SetNeeded(int n)
{
    if (n < 1)
        n += int(m_members.size());
    m_needed = n;
    UpdateLabel();
}

void ZHiddenObject::SetSlot(int slot)
{
    SetSlotAt(slot, 0);
}

void ZHiddenObject::SetSlotAt(int slot, int depth)
{
    m_slot = slot;
    if (depth < kMaxLinkDepth)
        for (ZHiddenObject* member : m_members)
            member->SetSlotAt(slot, depth + 1);
}

bool ZHiddenObject::TryFind(ZHiddenObject* clicked, ZHiddenObject*& found)
{
    if (!m_isGroup)
    {
        if (clicked != this)
            return false;
        ++m_found;
        found = this;
        return true;
    }
    // Members are single objects or groups of their own; one level of nesting is searched, so a
    // group that holds itself through another cannot recurse.
    for (ZHiddenObject* member : m_members)
    {
        if (!member->m_shown || member->m_isGroup || member != clicked)
            continue;
        ++member->m_found;
        ++m_found;
        found = this;
        UpdateLabel();
        return true;
    }
    return false;
}

const ZHiddenObject* ZHiddenObject::TextSource() const
{
    const ZHiddenObject* source = this;
    for (int step = 0; source->m_template && step < kMaxLinkDepth; ++step)
        source = source->m_template;
    return source;
}

void ZHiddenObject::UpdateLabel()
{
    const ZHiddenObject* source = TextSource();
    const int remaining = m_needed - m_found;
    const char* text = source->m_singular;
    if (remaining >= 2)
    {
        const char* plural = source->m_plural ? source->m_plural : source->m_singular;
        if (plural)
        {
            char buffer[64];
            std::snprintf(buffer, sizeof(buffer), "%i %s", remaining, plural);
            m_label = buffer;
            return;
        }
        text = nullptr;
    }
    m_label = text ? text : "[ unknown ]";
}

ZHiddenObject* ZHiddenObject::PickHintMember()
{
    if (m_found >= m_needed)
        return nullptr;
    std::vector<ZHiddenObject*> candidates;
    for (int i = 0; i < m_visible && i < int(m_members.size()); ++i)
    {
        ZHiddenObject* member = m_members[size_t(i)];
        if (member->m_found < member->m_needed)
            candidates.push_back(member);
    }
    if (candidates.empty())
        return nullptr;
    return candidates[RandomNext() % candidates.size()];
}

bool ZHiddenObject::ContainsObject(const ZHiddenObject* object) const
{
    return object == this || Has(m_contains, object) || Has(m_members, object);
}

bool ZHiddenObject::IsA(const ZHiddenObject* object) const
{
    return Has(m_classes, object);
}

bool ZHiddenObject::MemberIsA(const ZHiddenObject* object) const
{
    for (const ZHiddenObject* member : m_members)
        if (member->IsA(object))
            return true;
    return false;
}

bool ZHiddenObject::IsFindable(int depth) const
{
    if (m_node)
        return true;
    if (depth >= kMaxLinkDepth)
        return false;
    for (const ZHiddenObject* member : m_members)
        if (member->IsFindable(depth + 1))
            return true;
    return false;
}
