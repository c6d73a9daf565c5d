#pragma once
// The global owner of all resources: the group tree, the stack of resource contexts, the texture
// decoders, the queue to the background loader and the lists through which loaded resources come
// back to the main thread and unreferenced ones are unloaded.
//
// Locks: the finished lock (critical section) may be held while a resource's exchange lock is taken;
// the pending lock (spin lock) and the loader's queue lock are never held together with another lock.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "engine/core/ZEventProducer.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZSpinLock.h"
#include "engine/core/ZThread.h"
#include "engine/platform/ZCriticalSection.h"
#include "engine/resource/ZResource.h"

class ITextureLoader;
class ZResourcePath;

// A unit that owns the resources made while it is the current context (every game state has one).
class ZResourceContext
{
public:
    virtual ~ZResourceContext() = default;
    virtual void OnResourceAdded(ZResource* resource) { (void)resource; }
    virtual void OnResourceRemoved(ZResource* resource) { (void)resource; }
    // False when a full atlas-page chain of this context is not to be tried again.
    virtual bool AllowsPageRetry() { return true; }
};

// Told when the current resource context changes (the renderer is one).
class ZResourceContextListener
{
public:
    virtual ~ZResourceContextListener() = default;
    virtual void OnContextChanged(uint32_t previousId, uint32_t newId) = 0;
};

// Told after LoadAllResources with the group that was loaded.
class ZResourceLoadObserver
{
public:
    virtual ~ZResourceLoadObserver() = default;
    virtual void OnResourcesLoaded(ZResourceGroup* group) = 0;
};

// "resource_loader_thread": loads queued resources one at a time and hands each to the manager's
// finished list. When idle it yields for 101 rounds, then sleeps 10 ms per round.
class ZResourceLoaderThread : public ZThread
{
public:
    static constexpr int kYieldRounds = 101;

    ZResourceLoaderThread();
    ~ZResourceLoaderThread() override;

    // Urgent items go to the front. The cost of the resource is added to the total.
    void Enqueue(ZResource* resource, bool urgent, uint32_t contextId);
    // Loaded / total cost in [0, 1]; 1.0 when nothing was enqueued since the totals were reset.
    float GetProgress();
    void ClearWork() override;
    // Removes a resource that has not been taken yet; true when it was found.
    bool Dequeue(ZResource* resource);
    size_t GetQueueLength();
    // Context of the item being loaded (65535 when none was yet).
    uint32_t GetCurrentContextId() const { return m_currentContext.load(std::memory_order_acquire); }

protected:
    void Run() override;

private:
    struct Item
    {
        ZResource* resource;
        uint32_t contextId;
        uint32_t extra; // the resource's flags when it was queued
    };

    void Load(const Item& item);

    std::deque<Item> m_queue;
    ZCriticalSection m_queueLock;
    // An idle loader sleeps up to 10 ms a round; work queued meanwhile ends the sleep, so a load
    // that the main thread waits for is not held up by the sleep.
    std::mutex m_idleMutex;
    std::condition_variable m_idleWake;
    bool m_workQueued = false;
    std::atomic<uint32_t> m_currentContext{ZNameId::kNone};
    int32_t m_totalCost = 0;
    int32_t m_idleRounds = 0;
    int32_t m_loadedCost = 0;
};

class ZResourceManager : public ZSingleton<ZResourceManager>
{
public:
    static constexpr int kContextSlots = 8; // the base entry and at most 7 pushed contexts
    static constexpr int kMaxTextureLoaders = 4;

    ZResourceManager();
    ~ZResourceManager();

    ZResourceGroup* GetRootGroup() const { return m_root; }
    ZResourceGroup* GetResourcesGroup() const { return m_resources; }
    ZResourceGroup* GetMetaGroup() const { return m_meta; }

    // Loading. Main thread.
    int RequestAsyncLoad(ZResource* resource, bool wait);
    void WaitFor(ZResource* resource);
    void WaitForPendingLoads();
    void ProcessFinished();
    void UnloadParked();
    int FreeResource(ZResource* resource);
    void Park(ZResource* resource);
    void Unpark(ZResource* resource);
    // Stops the loader cooperatively and joins it; resources it had not begun return to their state
    // from before they were queued.
    void StopLoader();
    // Asks the loader to end and refuses new asynchronous loads from now on; nothing is joined here.
    void RequestStop();
    bool IsStopRequested() const { return m_stopRequested.load(std::memory_order_acquire); }
    // Loads every resource of every kind group (each waited for), then tells the load observers.
    int LoadAllResources();
    // Unloads the tree and deletes every resource nobody references, keeping the structural groups
    // "root", "resources" and "meta". The loader is stopped first.
    void ReleaseAll();

    // Pending requests: queued, being loaded, or finished and not yet taken over.
    bool HasQueuedLoads();
    // The loader's progress; 1.0 without a loader.
    float GetLoadProgress();
    // 1 = immediate (load-mode-0 textures load at once only then); other values are only stored.
    uint8_t GetLoadMode() const { return m_loadMode; }
    void SetLoadMode(uint8_t mode) { m_loadMode = mode; }

    // Contexts. A push beyond the 8 slots, or a pop of the base entry, is refused with 1.
    int PushContext(uint32_t id, ZResourceContext* context);
    int PopContext();
    uint32_t GetCurrentContextId();
    ZResourceContext* GetCurrentContext();
    int GetContextDepth() const { return m_contextIndex; }
    void AddContextListener(ZResourceContextListener* listener) { m_contextListeners.AddListener(listener); }
    void RemoveContextListener(ZResourceContextListener* listener)
    {
        m_contextListeners.RemoveListener(listener);
    }
    ZEventProducer<ZResourceContextListener>& GetContextListeners() { return m_contextListeners; }

    void AddLoadObserver(ZResourceLoadObserver* observer);
    void RemoveLoadObserver(ZResourceLoadObserver* observer);

    // Texture decoders. The manager takes ownership and runs Init; at most 4; a decoder whose Init
    // fails is deleted. 0 when registered.
    int AddTextureLoader(ITextureLoader* loader);
    int GetTextureLoaderCount() const { return m_loaderCount; }
    // The decoder DecodeTexture hands a file of that extension to: the first that accepts it.
    ITextureLoader* FindTextureLoader(const char* extension) const;
    // Reads the texture's open source file and hands it to the first decoder that accepts the
    // extension of `path`. 1 when the file is not open, cannot be read or no decoder accepts it.
    int DecodeTexture(ZResource* texture, const ZResourcePath& path, int argument);
    // Offers the image to each decoder's Save (format 6) until one writes it. 0 when written.
    int SaveImage(const char* fileName, const uint8_t* pixels, int width, int height);
    // Passed to every decode: true when the renderer needs power-of-two texture sizes.
    void SetDecoderOption(bool powerOfTwo) { m_decoderOption = powerOfTwo ? 1 : 0; }
    uint8_t GetDecoderOption() const { return m_decoderOption; }

    bool IsShuttingDown() const { return m_shuttingDown; }
    ZResourceLoaderThread* GetLoaderThread() const { return m_loader; }
    size_t GetParkedCount() const { return m_parked.size(); }

private:
    friend class ZResource;
    friend class ZResourceLoaderThread;

    // Called by ~ZResource: drops the resource from every list that still names it.
    void Forget(ZResource* resource);
    // The loader's hand-over: appended to the finished list, then out of the pending list.
    void HandOver(ZResource* resource);
    bool IsPending(ZResource* resource);
    // Loads a queued resource on the calling thread when no loader thread can run.
    void LoadInline(ZResource* resource);
    // The loader's work on one resource, on whichever thread runs it: open, load, close, then the
    // loader's copy of the loaded bit. True when the load ran to its end (its cost counts as loaded).
    static bool LoadQueued(ZResource* resource, uint16_t queuedFlags);
    void TakeOver(ZResource* resource);

    ZEventProducer<ZResourceContextListener> m_contextListeners;
    ZResourceGroup* m_root = nullptr;
    ZResourceGroup* m_resources = nullptr;
    ZResourceGroup* m_meta = nullptr;
    std::vector<ZResourceLoadObserver*> m_loadObservers;
    bool m_shuttingDown = false;
    bool m_unloadingParked = false;
    uint8_t m_decoderOption = 0;
    uint8_t m_loadMode = 0;
    std::atomic<bool> m_stopRequested{false};
    std::vector<ZResource*> m_parked;
    std::vector<ZResource*> m_unloading; // the parked list being worked through by UnloadParked
    ZResourceLoaderThread* m_loader = nullptr;
    ITextureLoader* m_loaders[kMaxTextureLoaders] = {};
    int m_loaderCount = 0;
    uint32_t m_contextIds[kContextSlots];
    ZResourceContext* m_contexts[kContextSlots] = {};
    int m_contextIndex = 0;
    ZSpinLock m_contextLock;
    ZCriticalSection m_decodeLock;
    std::vector<ZResource*> m_pending;
    std::vector<ZResource*> m_finished;
    ZSpinLock m_pendingLock;
    ZCriticalSection m_finishedLock;
};
