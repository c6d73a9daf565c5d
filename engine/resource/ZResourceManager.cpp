#include "engine/resource/ZResourceManager.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "engine/fs/ZFile.h"
#include "engine/platform/ZPlatformTime.h"
#include "engine/resource/ITextureLoader.h"
#include "engine/resource/ZResourcePath.h"

namespace
{
template <class T> bool EraseValue(std::vector<T*>& list, const T* value)
{
    auto end = std::remove(list.begin(), list.end(), value);
    const bool found = end != list.end();
    list.erase(end, list.end());
    return found;
}

// The group of one resource kind; the kind's static pointer is cleared with it.
class ZKindGroup : public ZResourceGroup
{
public:
    ZKindGroup(const char* name, ZResourceGroup** slot) : ZResourceGroup(name), m_slot(slot) {}
    ~ZKindGroup() override
    {
        if (m_slot && *m_slot == this)
            *m_slot = nullptr;
    }

private:
    ZResourceGroup** m_slot;
};

bool IsStructuralGroup(const ZResource* resource)
{
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    return manager && (resource == manager->GetResourcesGroup() || resource == manager->GetMetaGroup());
}
} // namespace

ZResourceGroup* CreateKindGroup(const char* name, bool meta, ZResourceGroup** slot)
{
    ZResourceManager* manager = ZResourceManager::GetInstance();
    auto* group = new ZKindGroup(name, slot);
    (meta ? manager->GetMetaGroup() : manager->GetResourcesGroup())->AddQuietly(group);
    return group;
}

// ZResourceLoaderThread

ZResourceLoaderThread::ZResourceLoaderThread() : ZThread("resource_loader_thread")
{
    SetPeriod(50);
    SetPriority(2);
}

ZResourceLoaderThread::~ZResourceLoaderThread()
{
    // Run must not be called once this part is gone.
    Stop();
}

void ZResourceLoaderThread::Enqueue(ZResource* resource, bool urgent, uint32_t contextId)
{
    const Item item{resource, contextId, resource->GetFlags()};
    const int cost = resource->GetCost();
    {
        ZCriticalSectionGuard guard(m_queueLock);
        if (urgent)
            m_queue.push_front(item);
        else
            m_queue.push_back(item);
        m_totalCost += cost;
    }
    {
        std::lock_guard<std::mutex> guard(m_idleMutex);
        m_workQueued = true;
    }
    m_idleWake.notify_one();
}

float ZResourceLoaderThread::GetProgress()
{
    ZCriticalSectionGuard guard(m_queueLock);
    if (m_totalCost == 0)
        return 1.0f;
    return std::clamp(float(m_loadedCost) / float(m_totalCost), 0.0f, 1.0f);
}

void ZResourceLoaderThread::ClearWork()
{
    ZCriticalSectionGuard guard(m_queueLock);
    m_queue.clear();
}

bool ZResourceLoaderThread::Dequeue(ZResource* resource)
{
    ZCriticalSectionGuard guard(m_queueLock);
    const size_t before = m_queue.size();
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                 [resource](const Item& item) { return item.resource == resource; }),
                  m_queue.end());
    return m_queue.size() != before;
}

size_t ZResourceLoaderThread::GetQueueLength()
{
    ZCriticalSectionGuard guard(m_queueLock);
    return m_queue.size();
}

void ZResourceLoaderThread::Run()
{
    while (!IsStopRequested())
    {
        Item item{};
        bool have = false;
        {
            ZCriticalSectionGuard guard(m_queueLock);
            if (!m_queue.empty())
            {
                item = m_queue.front();
                m_queue.pop_front();
                have = true;
            }
        }
        // A resource taken just now stays pending; stopping the loader returns it to its old state.
        if (IsStopRequested())
            return;
        if (!have)
        {
            const int32_t previous = m_idleRounds;
            if (m_idleRounds <= kYieldRounds)
                ++m_idleRounds;
            if (previous < kYieldRounds)
                plat::Yield();
            else
            {
                {
                    ZCriticalSectionGuard guard(m_queueLock);
                    m_totalCost = 0;
                    m_loadedCost = 0;
                }
                std::unique_lock<std::mutex> lock(m_idleMutex);
                m_idleWake.wait_for(lock, std::chrono::milliseconds(10), [this] { return m_workQueued; });
                m_workQueued = false;
            }
            continue;
        }
        m_idleRounds = 0;
        Load(item);
    }
}

void ZResourceLoaderThread::Load(const Item& item)
{
    m_currentContext.store(item.contextId, std::memory_order_release);
    ZResource* resource = item.resource;
    if (ZResourceManager::LoadQueued(resource, uint16_t(item.extra)))
    {
        const int cost = resource->GetCost();
        ZCriticalSectionGuard guard(m_queueLock);
        m_loadedCost += cost;
    }
    if (ZResourceManager* manager = ZResourceManager::PeekInstance())
        manager->HandOver(resource);
}

// ZResourceManager

ZResourceManager::ZResourceManager()
{
    std::fill(std::begin(m_contextIds), std::end(m_contextIds), ZNameId::kNone);
    m_root = new ZResourceGroup("root");
    m_resources = new ZResourceGroup("resources");
    m_meta = new ZResourceGroup("meta");
    m_root->AddQuietly(m_resources);
    m_root->AddQuietly(m_meta);
    // The renderer's decoders register through AddTextureLoader: OpenJPEG first, then DevIL, which
    // accepts every extension and would otherwise take the JPEG 2000 files too.
}

ZResourceManager::~ZResourceManager()
{
    m_shuttingDown = true;
    m_stopRequested.store(true, std::memory_order_release);
    StopLoader();
    {
        ZSpinLockGuard guard(m_contextLock);
        std::fill(std::begin(m_contexts), std::end(m_contexts), nullptr);
        m_contextIndex = 0;
    }
    m_root->UnloadData();
    delete m_root; // the groups "resources" and "meta" go with it
    m_root = m_resources = m_meta = nullptr;
    for (int i = 0; i < m_loaderCount; ++i)
    {
        m_loaders[i]->Shutdown();
        delete m_loaders[i];
        m_loaders[i] = nullptr;
    }
    m_loaderCount = 0;
    delete m_loader;
    m_loader = nullptr;
    m_parked.clear();
    m_pending.clear();
    m_finished.clear();
}

int ZResourceManager::RequestAsyncLoad(ZResource* resource, bool wait)
{
    if (!resource)
        return 1;
    if (resource->TestFlags(kResourceLoaded | kResourceQueued))
        return 0;
    if (m_shuttingDown || IsStopRequested())
        return 1;
    {
        ZSpinLockGuard guard(resource->m_exchangeLock);
        resource->m_loadState = resource->GetFlags();
        resource->SetFlags(kResourceQueued);
    }
    {
        ZSpinLockGuard guard(m_pendingLock);
        m_pending.push_back(resource);
    }
    ProcessFinished();
    if (!m_loader)
        m_loader = new ZResourceLoaderThread();
    if (!m_loader->IsRunning() && !m_loader->Start())
    {
        // Without a thread the request would never be served: load it here and now.
        LoadInline(resource);
        return resource->IsLoaded() || !wait ? 0 : 1;
    }
    m_loader->Enqueue(resource, wait, GetCurrentContextId());
    if (wait)
    {
        WaitFor(resource);
        // ProcessFinished has run the post-load step already.
        return resource->IsLoaded() ? 0 : 1;
    }
    return 0;
}

bool ZResourceManager::LoadQueued(ZResource* resource, uint16_t queuedFlags)
{
    bool ranToEnd = false;
    bool loaded = false;
    const bool fileBacked = (queuedFlags & kResourceFileBacked) != 0;
    if (!fileBacked || resource->OpenSource() == 0)
    {
        const int status = resource->LoadData();
        if (!fileBacked || resource->CloseSource() == 0)
        {
            ranToEnd = true;
            loaded = status == 0;
        }
    }
    ZSpinLockGuard guard(resource->m_exchangeLock);
    if (loaded)
        resource->m_loadState |= kResourceLoaded;
    else
        resource->m_loadState &= uint16_t(~kResourceLoaded);
    return ranToEnd;
}

void ZResourceManager::LoadInline(ZResource* resource)
{
    LoadQueued(resource, resource->GetFlags());
    HandOver(resource);
    ProcessFinished();
}

void ZResourceManager::HandOver(ZResource* resource)
{
    // Finished first, then out of the pending list: a waiter that no longer sees it pending finds
    // it in the finished list.
    {
        ZCriticalSectionGuard guard(m_finishedLock);
        m_finished.push_back(resource);
    }
    ZSpinLockGuard guard(m_pendingLock);
    EraseValue(m_pending, resource);
}

bool ZResourceManager::IsPending(ZResource* resource)
{
    ZSpinLockGuard guard(m_pendingLock);
    return std::find(m_pending.begin(), m_pending.end(), resource) != m_pending.end();
}

void ZResourceManager::WaitFor(ZResource* resource)
{
    while (IsPending(resource))
    {
        // A loader that is stopping or gone will not finish it; StopLoader returns it instead.
        if (!m_loader || !m_loader->IsRunning() || m_loader->IsStopRequested())
            break;
        plat::Sleep(1);
    }
    ProcessFinished();
}

void ZResourceManager::WaitForPendingLoads()
{
    for (;;)
    {
        {
            ZSpinLockGuard guard(m_pendingLock);
            if (m_pending.empty())
                return;
        }
        if (!m_loader || !m_loader->IsRunning() || m_loader->IsStopRequested())
            return;
        plat::Sleep(1);
    }
}

void ZResourceManager::ProcessFinished()
{
    // One resource at a time, each out of the list before its listeners run: a listener may start a
    // load (which comes back here) or change the list, and the lock is not held while it runs.
    for (;;)
    {
        ZResource* resource;
        {
            ZCriticalSectionGuard guard(m_finishedLock);
            if (m_finished.empty())
                return;
            resource = m_finished.front();
            m_finished.erase(m_finished.begin());
        }
        TakeOver(resource);
    }
}

void ZResourceManager::TakeOver(ZResource* resource)
{
    bool loaded;
    {
        // Only the loader's bits come back: the main thread may have parked the resource meanwhile.
        ZSpinLockGuard guard(resource->m_exchangeLock);
        loaded = (resource->m_loadState & kResourceLoaded) != 0;
        resource->ClearFlags(kResourceQueued);
        if (loaded)
            resource->SetFlags(kResourceLoaded);
        else
            resource->ClearFlags(kResourceLoaded);
    }
    if (m_shuttingDown)
        return;
    if (!loaded)
    {
        // A failed load leaves nothing half-made behind; it may be loaded again later.
        resource->UnloadData();
        resource->ClearFlags(kResourceLoaded | kResourceDataReady);
        return;
    }
    const bool postLoad = resource->TestFlags(kResourcePostLoad);
    resource->FireLoaded();
    if (postLoad)
        resource->PostLoad(false);
}

void ZResourceManager::UnloadParked()
{
    if (m_shuttingDown)
        return;
    m_unloadingParked = true;
    // Freeing one resource can release others; they are parked anew and wait for the next frame.
    m_unloading.swap(m_parked);
    for (size_t i = 0; i < m_unloading.size(); ++i)
    {
        ZResource* resource = m_unloading[i];
        if (!resource)
            continue;
        m_unloading[i] = nullptr;
        if (!resource->TestFlags(kResourceParked))
            continue;
        if (resource->TestFlags(kResourceQueued))
        {
            // The loader still works on it: it is freed once it has come back.
            m_parked.push_back(resource);
            continue;
        }
        if (resource->GetRefCount() < 1 && resource->IsLoaded())
        {
            if (resource->UnloadData() == 0)
                resource->ClearFlags(kResourceLoaded | kResourceDataReady);
        }
        resource->ClearFlags(kResourceParked);
        FreeResource(resource);
    }
    m_unloading.clear();
    m_unloadingParked = false;
}

int ZResourceManager::FreeResource(ZResource* resource)
{
    if (!resource || resource->TestFlags(kResourceFreeing))
        return 1;
    if (m_shuttingDown)
        return 0;
    if (resource->GetRefCount() != 0)
        return 1;
    // The loader may be running its LoadData right now.
    if (resource->TestFlags(kResourceQueued))
        return 1;
    if (resource->TestFlags(kResourceParked))
        Unpark(resource);
    if (ZResourceGroup* parent = resource->GetParent())
        parent->Remove(resource);
    if (resource->TestFlags(kResourceFreeInPlace))
    {
        resource->FreeInPlace();
        return 0;
    }
    resource->SetFlags(kResourceFreeing);
    delete resource;
    return 0;
}

void ZResourceManager::Park(ZResource* resource)
{
    if (m_shuttingDown || !resource || resource->TestFlags(kResourceParked))
        return;
    m_parked.push_back(resource);
    resource->SetFlags(kResourceParked);
}

void ZResourceManager::Unpark(ZResource* resource)
{
    if (m_shuttingDown || !resource)
        return;
    EraseValue(m_parked, resource);
    std::replace(m_unloading.begin(), m_unloading.end(), resource, static_cast<ZResource*>(nullptr));
    resource->ClearFlags(kResourceParked);
}

void ZResourceManager::Forget(ZResource* resource)
{
    EraseValue(m_parked, resource);
    std::replace(m_unloading.begin(), m_unloading.end(), resource, static_cast<ZResource*>(nullptr));
    if (!resource->TestFlags(kResourceQueued))
        return;
    if (m_loader)
        m_loader->Dequeue(resource);
    {
        ZSpinLockGuard guard(m_pendingLock);
        EraseValue(m_pending, resource);
    }
    ZCriticalSectionGuard guard(m_finishedLock);
    EraseValue(m_finished, resource);
}

void ZResourceManager::StopLoader()
{
    if (!m_loader)
        return;
    m_loader->ClearWork();
    m_loader->Stop();
    std::vector<ZResource*> cancelled;
    {
        ZSpinLockGuard guard(m_pendingLock);
        cancelled.swap(m_pending);
    }
    for (ZResource* resource : cancelled)
    {
        {
            // Back to its state from before it was queued.
            ZSpinLockGuard guard(resource->m_exchangeLock);
            resource->ClearFlags(kResourceQueued | kResourceLoaded);
            if (resource->m_loadState & kResourceLoaded)
                resource->SetFlags(kResourceLoaded);
        }
        resource->CloseSource();
    }
    ProcessFinished();
}

void ZResourceManager::RequestStop()
{
    m_stopRequested.store(true, std::memory_order_release);
    if (m_loader)
        m_loader->RequestStop();
}

int ZResourceManager::LoadAllResources()
{
    const int status = m_resources->LoadSync();
    const std::vector<ZResourceLoadObserver*> observers = m_loadObservers;
    for (ZResourceLoadObserver* observer : observers)
        observer->OnResourcesLoaded(m_resources);
    return status;
}

void ZResourceManager::ReleaseAll()
{
    StopLoader();
    m_root->UnloadData();
    // Materials, fonts and sounds first: they hold references to the plain kinds.
    m_meta->ReleaseChildren();
    m_resources->ReleaseChildren();
    m_root->ReleaseChildren(&IsStructuralGroup);
}

bool ZResourceManager::HasQueuedLoads()
{
    {
        ZSpinLockGuard guard(m_pendingLock);
        if (!m_pending.empty())
            return true;
    }
    ZCriticalSectionGuard guard(m_finishedLock);
    return !m_finished.empty();
}

float ZResourceManager::GetLoadProgress()
{
    return m_loader ? m_loader->GetProgress() : 1.0f;
}

int ZResourceManager::PushContext(uint32_t id, ZResourceContext* context)
{
    uint32_t previous;
    {
        ZSpinLockGuard guard(m_contextLock);
        if (m_contextIndex + 1 >= kContextSlots)
            return 1;
        previous = m_contextIds[m_contextIndex];
        ++m_contextIndex;
        m_contextIds[m_contextIndex] = id;
        m_contexts[m_contextIndex] = context;
    }
    m_contextListeners.Deliver([&](ZResourceContextListener* l) { l->OnContextChanged(previous, id); });
    return 0;
}

int ZResourceManager::PopContext()
{
    uint32_t popped;
    uint32_t current;
    {
        ZSpinLockGuard guard(m_contextLock);
        if (m_contextIndex == 0)
            return 1;
        popped = m_contextIds[m_contextIndex];
        m_contexts[m_contextIndex] = nullptr;
        m_contextIds[m_contextIndex] = ZNameId::kNone;
        --m_contextIndex;
        current = m_contextIds[m_contextIndex];
    }
    m_contextListeners.Deliver([&](ZResourceContextListener* l) { l->OnContextChanged(popped, current); });
    return 0;
}

uint32_t ZResourceManager::GetCurrentContextId()
{
    ZSpinLockGuard guard(m_contextLock);
    return m_contextIds[m_contextIndex];
}

ZResourceContext* ZResourceManager::GetCurrentContext()
{
    ZSpinLockGuard guard(m_contextLock);
    return m_contexts[m_contextIndex];
}

void ZResourceManager::AddLoadObserver(ZResourceLoadObserver* observer)
{
    if (observer &&
        std::find(m_loadObservers.begin(), m_loadObservers.end(), observer) == m_loadObservers.end())
        m_loadObservers.push_back(observer);
}

void ZResourceManager::RemoveLoadObserver(ZResourceLoadObserver* observer)
{
    EraseValue(m_loadObservers, observer);
}

int ZResourceManager::AddTextureLoader(ITextureLoader* loader)
{
    if (!loader)
        return 1;
    if (m_loaderCount >= kMaxTextureLoaders || loader->Init() != 0)
    {
        delete loader;
        return 1;
    }
    m_loaders[m_loaderCount++] = loader;
    return 0;
}

int ZResourceManager::DecodeTexture(ZResource* texture, const ZResourcePath& path, int argument)
{
    ZCriticalSectionGuard guard(m_decodeLock);
    IFile* file = path.GetFile();
    if (!texture || !file || !file->IsOpen())
        return 1;
    const int64_t size = file->GetSize();
    if (size <= 0)
        return 1;
    std::vector<uint8_t> buffer(static_cast<size_t>(size));
    if (file->ReadAll(buffer.data()) != 0)
        return 1;
    const std::string extension = path.GetExtension();
    if (ITextureLoader* loader = FindTextureLoader(extension.c_str()))
        return loader->Load(texture, buffer.data(), buffer.size(), argument, m_decoderOption != 0);
    // No decoder for the format: the texture has no pixels, which is a failure, not a load.
    return 1;
}

ITextureLoader* ZResourceManager::FindTextureLoader(const char* extension) const
{
    for (int i = 0; i < m_loaderCount; ++i)
        if (m_loaders[i]->CanLoad(extension ? extension : ""))
            return m_loaders[i];
    return nullptr;
}

int ZResourceManager::SaveImage(const char* fileName, const uint8_t* pixels, int width, int height)
{
    // The image library keeps one current image for the whole process: a screenshot saved on the
    // main thread must not switch it under a decode running on the loader thread.
    ZCriticalSectionGuard guard(m_decodeLock);
    for (int i = 0; i < m_loaderCount; ++i)
    {
        if (m_loaders[i]->Save(fileName, 6, pixels, width, height))
            return 0;
    }
    return 1;
}
