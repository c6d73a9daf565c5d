#include "engine/resource/ZResource.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/resource/ZResourceManager.h"

namespace
{
std::atomic<uint32_t> g_resourceSerial{0};

template <class T> void EraseValue(std::vector<T*>& list, const T* value)
{
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}
} // namespace

// ZResource

ZResource::ZResource() : m_serial(g_resourceSerial.fetch_add(1, std::memory_order_relaxed)) {}

ZResource::~ZResource()
{
    if (ZResourceManager* manager = ZResourceManager::PeekInstance())
    {
        if (TestFlags(kResourceParked | kResourceQueued))
            manager->Forget(this);
    }
    if (m_parent)
        m_parent->Remove(this);
}

const char* ZResource::GetName() const
{
    return m_name.c_str();
}

void ZResource::SetName(const char* name)
{
    if (name ? (m_hasName && m_name == name) : !m_hasName)
        return;
    const uint32_t oldId = m_nameId;
    m_hasName = name != nullptr;
    m_name = name ? name : "";
    m_nameId = ZNameId(name).Value();
    if (m_parent)
        m_parent->Rekey(this, oldId);
}

uint16_t ZResource::GetLoadState()
{
    ZSpinLockGuard guard(m_exchangeLock);
    return m_loadState;
}

int ZResource::AddRef()
{
    if (TestFlags(kResourceManaged) && TestFlags(kResourceParked) && m_refCount == 0)
    {
        if (ZResourceManager* manager = ZResourceManager::PeekInstance())
            manager->Unpark(this);
    }
    return ++m_refCount;
}

int ZResource::Release()
{
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    if (!manager || m_refCount == 0)
        return 0;
    --m_refCount;
    if (m_refCount == 0 && TestFlags(kResourceManaged))
        manager->Park(this);
    return m_refCount;
}

int ZResource::Load(bool wait)
{
    if (IsLoaded())
        return 0;
    ZResourceManager* manager = ZResourceManager::GetInstance();
    m_contextId = manager->GetCurrentContextId();
    if (LoadSync() != 0)
    {
        ClearFlags(kResourceLoaded);
        return 1;
    }
    if (!TestFlags(kResourceAsync))
    {
        SetFlags(kResourceLoaded);
        FireLoaded();
        return 0;
    }
    if (manager->RequestAsyncLoad(this, wait) != 0)
    {
        // Nothing of a refused load may stay behind.
        UnloadData();
        ClearFlags(kResourceLoaded | kResourceDataReady);
        return 1;
    }
    if (wait)
        return IsLoaded() ? 0 : 1;
    return 0;
}

int ZResource::Unload()
{
    if (TestFlags(kResourceQueued))
        return 1;
    if (IsLoaded() && !TestFlags(kResourceKeep))
    {
        if (UnloadData() != 0)
            return 1;
        ClearFlags(kResourceLoaded | kResourceDataReady);
    }
    return 0;
}

void ZResource::FireLoaded()
{
    Deliver([this](ZResourceListener* listener) { listener->OnResourceLoaded(this); });
}

// ZResourceGroup

ZResourceGroup::ZResourceGroup(const char* name)
{
    SetName(name);
}

ZResourceGroup::~ZResourceGroup()
{
    UnloadData();
    ReleaseChildren();
}

ZResourceGroup* ZResourceGroup::CreateGroup(const char* name, ZResourceGroup* parent)
{
    auto* group = new ZResourceGroup(name);
    if (parent)
        parent->Add(group);
    return group;
}

void ZResourceGroup::Add(ZResource* resource)
{
    Enter(resource, true);
}

void ZResourceGroup::AddQuietly(ZResource* resource)
{
    Enter(resource, false);
}

void ZResourceGroup::Enter(ZResource* resource, bool tellContext)
{
    if (!resource || resource == this)
        return;
    if (tellContext)
    {
        ZResourceManager* manager = ZResourceManager::PeekInstance();
        // Read under the context lock, called outside it.
        if (ZResourceContext* context = manager ? manager->GetCurrentContext() : nullptr)
            context->OnResourceAdded(resource);
    }
    if (resource->m_parent)
        resource->m_parent->Detach(resource);
    m_children.push_back(resource);
    if (resource->IsA<ZResourceGroup>())
        m_groups.push_back(static_cast<ZResourceGroup*>(resource));
    if (resource->m_nameId != ZNameId::kNone)
        m_map[resource->m_nameId] = resource;
    resource->m_parent = this;
}

void ZResourceGroup::Remove(ZResource* resource)
{
    if (!resource || (resource->m_parent != this && resource->m_parent != nullptr))
        return;
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    if (ZResourceContext* context = manager ? manager->GetCurrentContext() : nullptr)
        context->OnResourceRemoved(resource);
    if (resource->m_parent)
        Detach(resource);
}

void ZResourceGroup::Detach(ZResource* resource)
{
    EraseValue(m_children, resource);
    if (resource->IsA<ZResourceGroup>())
        EraseValue(m_groups, static_cast<ZResourceGroup*>(resource));
    EraseFromMap(resource, resource->m_nameId);
    resource->m_parent = nullptr;
}

void ZResourceGroup::EraseFromMap(ZResource* resource, uint32_t id)
{
    if (id == ZNameId::kNone)
        return;
    auto it = m_map.find(id);
    if (it == m_map.end() || it->second != resource)
        return;
    m_map.erase(it);
    // An older child of the same name is found again once the newer one is gone.
    for (auto child = m_children.rbegin(); child != m_children.rend(); ++child)
    {
        if (*child != resource && (*child)->m_nameId == id)
        {
            m_map[id] = *child;
            break;
        }
    }
}

void ZResourceGroup::Rekey(ZResource* resource, uint32_t oldId)
{
    EraseFromMap(resource, oldId);
    if (resource->m_nameId != ZNameId::kNone)
        m_map[resource->m_nameId] = resource;
}

ZResource* ZResourceGroup::FindById(ZNameId id) const
{
    auto it = m_map.find(id.Value());
    if (it != m_map.end())
        return it->second;
    for (const ZResourceGroup* group : m_groups)
    {
        if (ZResource* found = group->FindById(id))
            return found;
    }
    return nullptr;
}

int ZResourceGroup::LoadSync()
{
    int status = 0;
    // A copy: loading may add resources (a material makes its textures).
    const std::vector<ZResource*> children = m_children;
    for (ZResource* child : children)
    {
        int result;
        if (child->IsA<ZResourceGroup>())
            result = static_cast<ZResourceGroup*>(child)->LoadSync();
        else
            result = child->Load(true);
        if (result != 0)
            status = 1;
    }
    return status;
}

int ZResourceGroup::UnloadData()
{
    const std::vector<ZResource*> children = m_children;
    for (ZResource* child : children)
    {
        if (child->IsA<ZResourceGroup>())
        {
            static_cast<ZResourceGroup*>(child)->UnloadData();
            continue;
        }
        if (child->IsLoaded() && !child->TestFlags(kResourceQueued | kResourceKeep))
        {
            if (child->UnloadData() == 0)
                child->ClearFlags(kResourceLoaded | kResourceDataReady);
        }
    }
    return 0;
}

int64_t ZResourceGroup::GetMemorySize() const
{
    int64_t total = 0;
    for (const ZResource* child : m_children)
        total += child->GetMemorySize();
    return total;
}

void ZResourceGroup::ReleaseChildren(bool (*keep)(const ZResource*))
{
    std::vector<ZResource*> work;
    for (ZResource* child : m_children)
    {
        if (!keep || !keep(child))
            work.push_back(child);
    }
    size_t steps = work.size() * 3;
    size_t next = 0;
    while (next < work.size() && steps > 0)
    {
        --steps;
        ZResource* child = work[next++];
        // Freeing an earlier child may have taken this one out of the group already.
        if (child->m_parent != this)
            continue;
        // A queued child is still the loader's; it is treated like a referenced one.
        if (child->GetRefCount() != 0 || child->TestFlags(kResourceQueued))
        {
            work.push_back(child);
            continue;
        }
        Detach(child);
        if (child->TestFlags(kResourceFreeInPlace))
            child->FreeInPlace();
        else
        {
            child->SetFlags(kResourceFreeing);
            delete child;
        }
    }
    // Whatever is still referenced lives on outside the group.
    for (; next < work.size(); ++next)
    {
        if (work[next]->m_parent == this)
            Detach(work[next]);
    }
}

// Lookups

ZResource* FindResourceByFormat(const char* format, ...)
{
    if (!format)
        return nullptr;
    char name[64];
    va_list args;
    va_start(args, format);
    std::vsnprintf(name, sizeof(name), format, args);
    va_end(args);
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    if (!manager || !manager->GetMetaGroup())
        return nullptr;
    auto* group = ZEntityCast<ZResourceGroup>(manager->GetMetaGroup()->FindById(ZNameId("ZSound")));
    return group ? group->FindById(ZNameId(name)) : nullptr;
}
