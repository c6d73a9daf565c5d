// The resource manager and its loader thread: synchronous and background loads, hand-over to the main
// thread, failures, parking of queued resources, the context stack, the decoders, and a stop while
// many requests are in flight.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ResourceTestSupport.h"
#include "engine/platform/ZPlatformTime.h"
#include "engine/resource/ITextureLoader.h"

using namespace restest;

namespace
{
std::atomic<bool> g_gateOpen{true};
std::atomic<int> g_atGate{0};
std::vector<std::string> g_loadOrder; // written by the loader, read after it stopped

void WaitAtGate(TestResource*)
{
    ++g_atGate;
    while (!g_gateOpen.load())
        plat::Sleep(1);
}

std::atomic<bool> g_secondGateOpen{true};
std::atomic<int> g_atSecondGate{0};

void WaitAtSecondGate(TestResource*)
{
    ++g_atSecondGate;
    while (!g_secondGateOpen.load())
        plat::Sleep(1);
}

// Loads that take until the loader is asked to stop: a stop always lands in the middle of one.
void WaitForLoaderStop(TestResource*)
{
    ++g_atGate;
    ZResourceLoaderThread* loader = ZResourceManager::PeekInstance()->GetLoaderThread();
    while (!loader->IsStopRequested())
        plat::Sleep(1);
}

void LogOrder(TestResource* resource)
{
    g_loadOrder.push_back(resource->GetName());
}

void WaitUntil(const std::atomic<int>& counter, int value)
{
    while (counter.load() < value)
        plat::Sleep(1);
}

class ManagerTest : public ResourceTest
{
protected:
    void SetUp() override
    {
        ResourceTest::SetUp();
        g_gateOpen = true;
        g_secondGateOpen = true;
        g_atGate = 0;
        g_loadOrder.clear();
    }
    void TearDown() override
    {
        g_gateOpen = true;
        g_secondGateOpen = true;
        ResourceTest::TearDown();
    }
};

TestResource* Async(const char* name, uint16_t extra = 0)
{
    return new TestResource(name, kResourceAsync | extra);
}
} // namespace

TEST_F(ManagerTest, ASynchronousKindLoadsAtOnceAndFiresOnTheCallingThread)
{
    LoadLog log;
    auto* r = new TestResource("sync");
    r->AddListener(&log);
    ASSERT_EQ(manager->PushContext(ZNameId("menu"), nullptr), 0);
    EXPECT_EQ(r->Load(), 0);
    manager->PopContext();
    EXPECT_TRUE(r->IsLoaded());
    EXPECT_EQ(r->GetContextId(), ZNameId("menu").Value());
    ASSERT_EQ(log.loaded.size(), 1u);
    EXPECT_EQ(log.threads[0], std::this_thread::get_id());
    EXPECT_EQ(r->dataLoads, 0);
    EXPECT_EQ(manager->GetLoaderThread(), nullptr);

    EXPECT_EQ(r->Load(), 0);
    EXPECT_EQ(r->syncLoads, 1);
    EXPECT_EQ(log.loaded.size(), 1u);

    auto* failing = new TestResource("fails");
    failing->failSync = true;
    failing->AddListener(&log);
    EXPECT_EQ(failing->Load(), 1);
    EXPECT_FALSE(failing->IsLoaded());
    EXPECT_EQ(log.loaded.size(), 1u);
}

TEST_F(ManagerTest, ABackgroundLoadIsTakenOverOnTheMainThread)
{
    LoadLog log;
    auto* r = Async("bg", kResourcePostLoad);
    r->AddListener(&log);
    EXPECT_EQ(r->Load(), 0);
    EXPECT_TRUE(r->TestFlags(kResourceQueued));
    EXPECT_TRUE(manager->HasQueuedLoads());
    ASSERT_NE(manager->GetLoaderThread(), nullptr);

    manager->WaitForPendingLoads();
    // Loaded on the loader, but nothing changes for the main thread until it takes the resource over.
    EXPECT_FALSE(r->IsLoaded());
    EXPECT_TRUE(log.loaded.empty());
    EXPECT_TRUE(manager->HasQueuedLoads());

    manager->ProcessFinished();
    EXPECT_TRUE(r->IsLoaded());
    EXPECT_FALSE(r->TestFlags(kResourceQueued));
    EXPECT_FALSE(manager->HasQueuedLoads());
    ASSERT_EQ(log.loaded.size(), 1u);
    EXPECT_EQ(log.threads[0], std::this_thread::get_id());
    EXPECT_EQ(r->postLoads, 1);
    EXPECT_EQ(manager->GetLoaderThread()->GetName(), "resource_loader_thread");
    // The system keeps the first 15 characters of a thread's name.
    EXPECT_EQ(r->loaderThreadName, std::string("resource_loader_thread").substr(0, 15));
    ASSERT_NE(r->data, nullptr);
    EXPECT_EQ(*r->data, "loaded");

    // A second request for a loaded resource does nothing.
    EXPECT_EQ(r->Load(), 0);
    EXPECT_EQ(manager->RequestAsyncLoad(r, false), 0);
    EXPECT_EQ(r->dataLoads, 1);
}

TEST_F(ManagerTest, RequestingTwiceQueuesOnce)
{
    g_gateOpen = false;
    auto* r = Async("twice");
    r->onLoadData = &WaitAtGate;
    EXPECT_EQ(r->Load(), 0);
    EXPECT_EQ(r->Load(), 0);
    EXPECT_EQ(manager->RequestAsyncLoad(r, false), 0);
    g_gateOpen = true;
    manager->WaitForPendingLoads();
    manager->ProcessFinished();
    EXPECT_TRUE(r->IsLoaded());
    EXPECT_EQ(r->dataLoads, 1);
}

TEST_F(ManagerTest, AWaitedLoadReturnsLoadedWithItsEventFired)
{
    LoadLog log;
    auto* r = Async("waited");
    r->AddListener(&log);
    EXPECT_EQ(r->Load(true), 0);
    EXPECT_TRUE(r->IsLoaded());
    EXPECT_EQ(log.Count(r), 1u);
}

TEST_F(ManagerTest, AFailedBackgroundLoadIsReportedAndLeavesNothingHalfLoaded)
{
    LoadLog log;
    auto* r = Async("broken", kResourcePostLoad);
    r->AddListener(&log);
    r->failData = true;
    EXPECT_EQ(r->Load(true), 1);
    EXPECT_FALSE(r->TestFlags(kResourceLoaded | kResourceQueued | kResourceDataReady));
    EXPECT_EQ(r->data, nullptr);
    EXPECT_EQ(r->GetMemorySize(), 0);
    EXPECT_TRUE(log.loaded.empty());
    EXPECT_EQ(r->postLoads, 0);

    // It can be loaded again later.
    r->failData = false;
    EXPECT_EQ(r->Load(true), 0);
    EXPECT_EQ(log.Count(r), 1u);
}

TEST_F(ManagerTest, AFileBackedResourceReadsItsOpenSource)
{
    auto* r = Async("file", kResourceFileBacked);
    r->path.Parse("testres:payload.txt");
    EXPECT_EQ(r->Load(true), 0);
    ASSERT_NE(r->data, nullptr);
    EXPECT_EQ(*r->data, "resource payload 0123456789\n");
    EXPECT_EQ(r->closes, 1);
    EXPECT_FALSE(r->path.IsOpen());

    auto* missing = Async("missing", kResourceFileBacked);
    missing->path.Parse("testres:missing.txt");
    EXPECT_EQ(missing->Load(true), 1);
    EXPECT_EQ(missing->dataLoads, 0);
    EXPECT_FALSE(missing->TestFlags(kResourceLoaded | kResourceQueued));
}

TEST_F(ManagerTest, AnUrgentItemGoesBeforeEverythingQueued)
{
    ZResourceLoaderThread loader;
    auto* a = Async("a");
    auto* b = Async("b");
    auto* c = Async("c");
    for (TestResource* r : {a, b, c})
        r->onLoadData = &LogOrder;
    loader.Enqueue(a, false, ZNameId::kNone);
    loader.Enqueue(b, false, ZNameId::kNone);
    loader.Enqueue(c, true, ZNameId::kNone);
    ASSERT_TRUE(loader.Start());
    while (a->dataLoads + b->dataLoads + c->dataLoads < 3)
        plat::Sleep(1);
    loader.Stop();
    EXPECT_EQ(g_loadOrder, (std::vector<std::string>{"c", "a", "b"}));
    manager->ProcessFinished();
}

TEST_F(ManagerTest, ProgressFollowsTheCostOfWhatWasLoaded)
{
    EXPECT_FLOAT_EQ(manager->GetLoadProgress(), 1.0f);
    ZResourceLoaderThread loader;
    EXPECT_FLOAT_EQ(loader.GetProgress(), 1.0f);
    g_gateOpen = false;
    g_secondGateOpen = false;
    g_atSecondGate = 0;
    auto* small = Async("small");
    small->cost = 10;
    auto* big = Async("big");
    big->cost = 30;
    big->onLoadData = &WaitAtGate;
    // Held at a gate of its own, so that the batch is still open when the big one has counted.
    auto* tail = Async("tail");
    tail->cost = 20;
    tail->onLoadData = &WaitAtSecondGate;
    loader.Enqueue(small, false, ZNameId::kNone);
    loader.Enqueue(big, false, ZNameId::kNone);
    loader.Enqueue(tail, false, ZNameId::kNone);
    EXPECT_FLOAT_EQ(loader.GetProgress(), 0.0f);
    ASSERT_TRUE(loader.Start());
    WaitUntil(g_atGate, 1);
    EXPECT_FLOAT_EQ(loader.GetProgress(), 10.0f / 60.0f);
    g_gateOpen = true;
    WaitUntil(g_atSecondGate, 1);
    EXPECT_FLOAT_EQ(loader.GetProgress(), 40.0f / 60.0f) << "the big one counts its whole cost";
    g_secondGateOpen = true;
    while (loader.GetQueueLength() > 0 || tail->dataLoads == 0)
        plat::Sleep(1);
    loader.Stop();
    EXPECT_FLOAT_EQ(loader.GetProgress(), 1.0f);
    manager->ProcessFinished();
}

TEST_F(ManagerTest, StopInTheMiddleFinishesTheCurrentLoadAndReturnsTheRest)
{
    LoadLog log;
    auto* current = Async("current");
    current->onLoadData = &WaitForLoaderStop;
    current->AddListener(&log);
    auto* waiting = Async("waiting", kResourceFileBacked);
    waiting->path.Parse("testres:payload.txt");
    auto* alsoWaiting = Async("also");
    ASSERT_EQ(current->Load(), 0);
    ASSERT_EQ(waiting->Load(), 0);
    ASSERT_EQ(alsoWaiting->Load(), 0);
    WaitUntil(g_atGate, 1);

    manager->StopLoader();
    EXPECT_FALSE(manager->GetLoaderThread()->IsRunning());
    EXPECT_FALSE(manager->HasQueuedLoads());
    // The load under way ran to its end and was taken over.
    EXPECT_TRUE(current->IsLoaded());
    EXPECT_EQ(log.Count(current), 1u);
    // The others are as they were before they were queued, their files closed.
    for (TestResource* r : {waiting, alsoWaiting})
    {
        EXPECT_FALSE(r->TestFlags(kResourceLoaded | kResourceQueued));
        EXPECT_EQ(r->dataLoads, 0);
        EXPECT_EQ(r->closes, 1);
    }
    EXPECT_FALSE(waiting->path.IsOpen());

    // A later request starts the loader again.
    EXPECT_EQ(waiting->Load(true), 0);
    EXPECT_EQ(*waiting->data, "resource payload 0123456789\n");
}

TEST_F(ManagerTest, AfterTheStopFlagNewBackgroundLoadsAreRefused)
{
    auto* first = Async("first");
    ASSERT_EQ(first->Load(true), 0);
    manager->RequestStop();
    auto* late = Async("late");
    EXPECT_EQ(late->Load(true), 1);
    EXPECT_FALSE(late->TestFlags(kResourceLoaded | kResourceQueued));
    manager->StopLoader();
    EXPECT_FALSE(manager->GetLoaderThread()->IsRunning());
}

TEST_F(ManagerTest, AParkedResourceIsFreedOnlyAfterTheLoaderGaveItBack)
{
    bool destroyed = false;
    g_gateOpen = false;
    auto* r = Async("parked", kResourceManaged);
    r->destroyed = &destroyed;
    r->onLoadData = &WaitAtGate;
    r->AddRef();
    ASSERT_EQ(r->Load(), 0);
    WaitUntil(g_atGate, 1);
    r->Release();
    EXPECT_TRUE(r->TestFlags(kResourceParked));
    manager->UnloadParked();
    EXPECT_FALSE(destroyed);

    g_gateOpen = true;
    manager->WaitForPendingLoads();
    manager->UnloadParked(); // finished, but not yet taken over
    EXPECT_FALSE(destroyed);
    manager->ProcessFinished();
    EXPECT_TRUE(r->TestFlags(kResourceParked));
    manager->UnloadParked();
    EXPECT_TRUE(destroyed);
}

TEST_F(ManagerTest, ALoadedListenerMayStartFurtherLoads)
{
    struct Chain : ZResourceListener
    {
        void OnResourceLoaded(ZResource*) override
        {
            for (TestResource* r : next)
                r->Load();
        }
        std::vector<TestResource*> next;
    } chain;
    LoadLog log;
    auto* head = Async("head");
    head->AddListener(&chain);
    for (const char* name : {"n1", "n2", "n3"})
    {
        auto* r = Async(name);
        r->AddListener(&log);
        chain.next.push_back(r);
    }
    ASSERT_EQ(head->Load(true), 0);
    manager->WaitForPendingLoads();
    manager->ProcessFinished();
    for (TestResource* r : chain.next)
    {
        EXPECT_TRUE(r->IsLoaded());
        EXPECT_EQ(log.Count(r), 1u);
    }
}

TEST_F(ManagerTest, TheContextStackHoldsEightEntries)
{
    struct Listener : ZResourceContextListener
    {
        void OnContextChanged(uint32_t previous, uint32_t now) override
        {
            changes.push_back({previous, now});
        }
        std::vector<std::pair<uint32_t, uint32_t>> changes;
    } listener;
    manager->AddContextListener(&listener);
    for (uint32_t id = 1; id <= 7; ++id)
        ASSERT_EQ(manager->PushContext(id, nullptr), 0);
    EXPECT_EQ(manager->GetContextDepth(), 7);
    EXPECT_EQ(manager->PushContext(8, nullptr), 1);
    EXPECT_EQ(manager->GetCurrentContextId(), 7u);
    ASSERT_EQ(listener.changes.size(), 7u);
    EXPECT_EQ(listener.changes[0], std::make_pair(uint32_t(ZNameId::kNone), 1u));
    EXPECT_EQ(listener.changes[6], std::make_pair(6u, 7u));

    listener.changes.clear();
    for (int i = 0; i < 7; ++i)
        ASSERT_EQ(manager->PopContext(), 0);
    EXPECT_EQ(manager->PopContext(), 1);
    EXPECT_EQ(manager->GetCurrentContextId(), uint32_t(ZNameId::kNone));
    ASSERT_EQ(listener.changes.size(), 7u);
    EXPECT_EQ(listener.changes[0], std::make_pair(7u, 6u));
    EXPECT_EQ(listener.changes[6], std::make_pair(1u, uint32_t(ZNameId::kNone)));

    // The loader records the context each item was queued in.
    manager->PushContext(42, nullptr);
    auto* r = Async("in42");
    ASSERT_EQ(r->Load(true), 0);
    manager->PopContext();
    EXPECT_EQ(r->GetContextId(), 42u);
    EXPECT_EQ(manager->GetLoaderThread()->GetCurrentContextId(), 42u);
    manager->RemoveContextListener(&listener);
}

TEST_F(ManagerTest, LoadAllResourcesLoadsEveryKindAndTellsTheObservers)
{
    struct Observer : ZResourceLoadObserver
    {
        void OnResourcesLoaded(ZResourceGroup* group) override { groups.push_back(group); }
        std::vector<ZResourceGroup*> groups;
    } observer;
    manager->AddLoadObserver(&observer);
    auto* sync = new TestResource("s");
    auto* async = Async("a");
    auto* broken = Async("x");
    broken->failData = true;
    EXPECT_EQ(manager->LoadAllResources(), 1);
    EXPECT_TRUE(sync->IsLoaded());
    EXPECT_TRUE(async->IsLoaded());
    EXPECT_FALSE(broken->IsLoaded());
    ASSERT_EQ(observer.groups.size(), 1u);
    EXPECT_EQ(observer.groups[0], manager->GetResourcesGroup());

    broken->failData = false;
    EXPECT_EQ(manager->LoadAllResources(), 0);
    EXPECT_TRUE(broken->IsLoaded());
    manager->RemoveLoadObserver(&observer);
}

TEST_F(ManagerTest, ReleaseAllDeletesWhatNobodyHoldsAndKeepsTheTree)
{
    bool freeGone = false;
    bool heldGone = false;
    auto* loose = Async("loose");
    loose->destroyed = &freeGone;
    ASSERT_EQ(loose->Load(true), 0);
    auto* held = new TestResource("held");
    held->destroyed = &heldGone;
    held->AddRef();
    new TestMetaResource("m");

    manager->ReleaseAll();
    EXPECT_TRUE(freeGone);
    EXPECT_FALSE(heldGone);
    EXPECT_EQ(held->GetParent(), nullptr);
    EXPECT_EQ(TestResource::GetKindGroup(), nullptr);
    EXPECT_EQ(TestMetaResource::GetKindGroup(), nullptr);
    EXPECT_EQ(manager->GetResourcesGroup()->GetParent(), manager->GetRootGroup());
    EXPECT_EQ(manager->GetRootGroup()->GetChildren().size(), 2u);

    auto* again = new TestResource("again");
    EXPECT_EQ(TestResource::Find("again"), again);
    held->Release();
    delete held;
}

// Texture decoders

namespace
{
struct DecoderLog
{
    std::vector<std::string> calls;
    std::string data;
    int argument = -1;
    bool powerOfTwo = false;
};

class FakeDecoder : public ITextureLoader
{
public:
    FakeDecoder(const char* name, const char* extension, DecoderLog& log)
        : m_name(name), m_ext(extension), m_log(log)
    {
    }
    ~FakeDecoder() override { m_log.calls.push_back(m_name + ":deleted"); }
    int Init() override
    {
        m_log.calls.push_back(m_name + ":init");
        return initResult;
    }
    void Shutdown() override { m_log.calls.push_back(m_name + ":shutdown"); }
    int Load(ZResource*, const uint8_t* data, size_t size, int targetFormat, bool powerOfTwo) override
    {
        m_log.calls.push_back(m_name + ":load");
        m_log.data.assign(reinterpret_cast<const char*>(data), size);
        m_log.argument = targetFormat;
        m_log.powerOfTwo = powerOfTwo;
        return loadResult;
    }
    bool Save(const char*, int format, const uint8_t*, int, int) override
    {
        m_log.calls.push_back(m_name + ":save" + std::to_string(format));
        return saves;
    }
    bool CanLoad(const char* extension) override { return m_ext == "*" || m_ext == extension; }

    int initResult = 0;
    int loadResult = 0;
    bool saves = false;

private:
    std::string m_name;
    std::string m_ext;
    DecoderLog& m_log;
};
} // namespace

TEST_F(ManagerTest, DecodersAreAskedInRegistrationOrderByExtension)
{
    DecoderLog log;
    ASSERT_EQ(manager->AddTextureLoader(new FakeDecoder("j2k", "jp2", log)), 0);
    ASSERT_EQ(manager->AddTextureLoader(new FakeDecoder("any", "*", log)), 0);
    manager->SetDecoderOption(true);
    auto* texture = new TestResource("tex");

    ZResourcePath jp2("testres:fake.jp2");
    ASSERT_EQ(jp2.Open(), 0);
    log.calls.clear();
    EXPECT_EQ(manager->DecodeTexture(texture, jp2, 6), 0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"j2k:load"}));
    EXPECT_EQ(log.data, "fake jpeg 2000 bytes\n");
    EXPECT_EQ(log.argument, 6);
    EXPECT_TRUE(log.powerOfTwo);

    ZResourcePath png("testres:fake.png");
    ASSERT_EQ(png.Open(), 0);
    log.calls.clear();
    manager->SetDecoderOption(false);
    EXPECT_EQ(manager->DecodeTexture(texture, png, 3), 0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"any:load"}));
    EXPECT_FALSE(log.powerOfTwo);

    // A file that is not open decodes nothing.
    ZResourcePath closed("testres:fake.png");
    log.calls.clear();
    EXPECT_EQ(manager->DecodeTexture(texture, closed, 3), 1);
    EXPECT_TRUE(log.calls.empty());
    ZResourceManager::DestroyInstance(); // its decoders write to the log while they go
}

TEST_F(ManagerTest, AFormatNoDecoderTakesIsAFailure)
{
    DecoderLog log;
    auto* only = new FakeDecoder("j2k", "jp2", log);
    only->loadResult = 0;
    ASSERT_EQ(manager->AddTextureLoader(only), 0);
    auto* texture = new TestResource("tex");
    ZResourcePath png("testres:fake.png");
    ASSERT_EQ(png.Open(), 0);
    EXPECT_EQ(manager->DecodeTexture(texture, png, 3), 1);

    // A decoder's failure comes back as it is.
    ZResourcePath jp2("testres:fake.jp2");
    ASSERT_EQ(jp2.Open(), 0);
    only->loadResult = 1;
    EXPECT_EQ(manager->DecodeTexture(texture, jp2, 3), 1);
    ZResourceManager::DestroyInstance();
}

TEST_F(ManagerTest, DecoderRegistrationIsBoundedAndOwned)
{
    DecoderLog log;
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(manager->AddTextureLoader(new FakeDecoder(("d" + std::to_string(i)).c_str(), "*", log)), 0);
    EXPECT_EQ(manager->AddTextureLoader(new FakeDecoder("fifth", "*", log)), 1);
    EXPECT_NE(std::find(log.calls.begin(), log.calls.end(), "fifth:deleted"), log.calls.end());
    EXPECT_EQ(manager->GetTextureLoaderCount(), 4);

    ZResourceManager::DestroyInstance();
    manager = ZResourceManager::GetInstance();
    auto* broken = new FakeDecoder("broken", "*", log);
    broken->initResult = 1;
    EXPECT_EQ(manager->AddTextureLoader(broken), 1);
    EXPECT_EQ(manager->GetTextureLoaderCount(), 0);
    // The first manager shut its decoders down and deleted them.
    for (int i = 0; i < 4; ++i)
    {
        const std::string name = "d" + std::to_string(i);
        auto shutdown = std::find(log.calls.begin(), log.calls.end(), name + ":shutdown");
        ASSERT_NE(shutdown, log.calls.end());
        EXPECT_NE(std::find(shutdown, log.calls.end(), name + ":deleted"), log.calls.end());
    }
    ZResourceManager::DestroyInstance();
}

TEST_F(ManagerTest, SaveImageStopsAtTheFirstDecoderThatWrites)
{
    EXPECT_EQ(manager->SaveImage("shot.png", nullptr, 1, 1), 1);
    DecoderLog log;
    auto* j2k = new FakeDecoder("j2k", "jp2", log);
    auto* devil = new FakeDecoder("devil", "*", log);
    devil->saves = true;
    auto* extra = new FakeDecoder("extra", "*", log);
    extra->saves = true;
    manager->AddTextureLoader(j2k);
    manager->AddTextureLoader(devil);
    manager->AddTextureLoader(extra);
    log.calls.clear();
    const uint8_t pixel[4] = {1, 2, 3, 4};
    EXPECT_EQ(manager->SaveImage("shot.png", pixel, 1, 1), 0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"j2k:save6", "devil:save6"}));
    ZResourceManager::DestroyInstance();
}

// Many requests while the loader runs, resources released and re-acquired between frames, and a stop
// in the middle. Whatever the interleaving, every resource ends either loaded with exactly one event
// or unloaded with nothing left behind, and nothing is queued.
TEST_F(ManagerTest, ManyRequestsWithAStopInTheMiddleEndCleanly)
{
    constexpr int kCount = 400;
    std::unique_ptr<bool[]> gone(new bool[kCount]{});
    std::vector<TestResource*> all;
    LoadLog log;
    for (int i = 0; i < kCount; ++i)
    {
        uint16_t flags = kResourceAsync | kResourceManaged;
        if (i % 3 == 0)
            flags |= kResourceFileBacked;
        if (i % 5 == 0)
            flags |= kResourcePostLoad;
        auto* r = new TestResource(("r" + std::to_string(i)).c_str(), flags);
        r->destroyed = &gone[i];
        r->cost = 1 + i % 4;
        if (flags & kResourceFileBacked)
            r->path.Parse(i % 2 ? "testres:payload.txt" : "testres:missing.txt");
        r->failData = i % 7 == 0;
        r->AddRef();
        r->AddListener(&log);
        all.push_back(r);

        r->Load(i % 50 == 0);
        if (i % 4 == 0)
            r->Release(); // parked while it may still be queued
        if (i % 6 == 0 && i >= 12 && !gone[i - 12] && all[i - 12]->GetRefCount() == 0)
            all[i - 12]->AddRef(); // revived before the end of the frame
        if (i % 10 == 0)
        {
            manager->ProcessFinished();
            manager->UnloadParked();
        }
        if (i == kCount / 2)
        {
            manager->StopLoader();
            EXPECT_FALSE(manager->HasQueuedLoads());
        }
    }
    manager->RequestStop();
    manager->StopLoader();
    EXPECT_FALSE(manager->HasQueuedLoads());

    for (int i = 0; i < kCount; ++i)
    {
        if (gone[i])
            continue;
        SCOPED_TRACE(i);
        TestResource* r = all[i];
        EXPECT_FALSE(r->TestFlags(kResourceQueued));
        if (r->IsLoaded())
        {
            EXPECT_EQ(log.Count(r), 1u);
            ASSERT_NE(r->data, nullptr);
            EXPECT_NE(*r->data, "partial");
        }
        else
        {
            EXPECT_EQ(log.Count(r), 0u);
            EXPECT_EQ(r->data, nullptr);
        }
    }
    for (int i = 0; i < kCount; ++i)
    {
        if (!gone[i])
        {
            all[i]->RemoveListener(&log);
            while (all[i]->GetRefCount() > 0)
                all[i]->Release();
        }
    }
    manager->UnloadParked();
    for (int i = 0; i < kCount; ++i)
        EXPECT_TRUE(gone[i]) << i;
}
