#include "engine/core/ZEntity.h"
#include "engine/core/ZEventManager.h"
#include "engine/core/ZEventProducer.h"
#include "engine/core/ZInstanceChain.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZSpinLock.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace
{
class ZTestShape : public ZEntity
{
    QV_TYPE_RECORD(ZTestShape, &ZEntity::kTypeRecord)
};
class ZTestCircle : public ZTestShape
{
    QV_TYPE_RECORD(ZTestCircle, &ZTestShape::kTypeRecord)
public:
    const char* GetName() const override { return "circle"; }
};
class ZTestOther : public ZEntity
{
    QV_TYPE_RECORD(ZTestOther, &ZEntity::kTypeRecord)
};
// A record declared without a base: its chain ends at itself.
class ZTestLoose : public ZEntity
{
    QV_TYPE_RECORD(ZTestLoose, nullptr)
};

TEST(TypeRecord, IsAFollowsTheBaseChain)
{
    ZTestCircle circle;
    EXPECT_TRUE(circle.IsA<ZTestCircle>());
    EXPECT_TRUE(circle.IsA<ZTestShape>());
    EXPECT_TRUE(circle.IsA<ZEntity>());
    EXPECT_FALSE(circle.IsA<ZTestOther>());

    ZTestLoose loose;
    EXPECT_TRUE(loose.IsA<ZTestLoose>());
    EXPECT_FALSE(loose.IsA<ZEntity>());

    ZEntity* asEntity = &circle;
    EXPECT_EQ(ZEntityCast<ZTestShape>(asEntity), &circle);
    EXPECT_EQ(ZEntityCast<ZTestOther>(asEntity), nullptr);
    EXPECT_FALSE(ZEntity::IsA(nullptr, ZEntity::kTypeRecord));
}

TEST(TypeRecord, RecordHoldsHashedNameCutTo31Characters)
{
    EXPECT_STREQ(ZTestCircle::kTypeRecord.name, "ZTestCircle");
    EXPECT_EQ(ZTestCircle::kTypeRecord.id, ZNameId("ZTestCircle").Value());
    EXPECT_EQ(ZTestCircle::kTypeRecord.base, &ZTestShape::kTypeRecord);

    constexpr ZTypeRecord longName{"ZAVeryLongClassNameThatGoesOnAndOnForever", nullptr};
    EXPECT_STREQ(longName.name, "ZAVeryLongClassNameThatGoesOnAn");
    EXPECT_EQ(longName.id, ZNameId("ZAVeryLongClassNameThatGoesOnAn").Value());

    ZEntity plain;
    ZTestCircle circle;
    EXPECT_STREQ(plain.GetName(), "N/A");
    EXPECT_STREQ(static_cast<ZEntity&>(circle).GetName(), "circle");
}

// --- listener lists ---------------------------------------------------------------------------

class ITestListener
{
public:
    virtual ~ITestListener() = default;
    virtual void OnPing() = 0;
};

class TestProducer : public ZEventProducer<ITestListener>
{
public:
    void Ping()
    {
        Deliver([](ITestListener* l) { l->OnPing(); });
    }
};

struct Recorder : ITestListener
{
    std::vector<int>* log = nullptr;
    int id = 0;
    std::function<void()> action;
    void OnPing() override
    {
        log->push_back(id);
        if (action)
            action();
    }
};

struct ListenerSet
{
    std::vector<int> log;
    Recorder r[4];
    ListenerSet()
    {
        for (int i = 0; i < 4; ++i)
        {
            r[i].log = &log;
            r[i].id = i;
        }
    }
};

TEST(EventProducer, DuplicatesAreIgnoredAndEmptyListIsReleased)
{
    TestProducer p;
    ListenerSet s;
    EXPECT_FALSE(p.HasListeners());
    p.AddListener(&s.r[0]);
    p.AddListener(&s.r[0]);
    EXPECT_EQ(p.ListenerCount(), 1u);
    p.RemoveListener(&s.r[0]);
    EXPECT_FALSE(p.HasListeners());
    p.RemoveListener(&s.r[0]); // absent: no effect
    p.Ping();
    EXPECT_TRUE(s.log.empty());
}

TEST(EventProducer, ListenerRemovingItselfDuringDelivery)
{
    TestProducer p;
    ListenerSet s;
    for (int i = 0; i < 3; ++i)
        p.AddListener(&s.r[i]);
    s.r[0].action = [&] { p.RemoveListener(&s.r[0]); };
    p.Ping();
    EXPECT_EQ(s.log, (std::vector<int>{0, 1, 2}));
    s.log.clear();
    p.Ping();
    EXPECT_EQ(s.log, (std::vector<int>{1, 2}));
}

TEST(EventProducer, LoneListenerRemovingItselfEndsDeliveryAndReleasesList)
{
    TestProducer p;
    ListenerSet s;
    p.AddListener(&s.r[0]);
    s.r[0].action = [&] { p.RemoveListener(&s.r[0]); };
    p.Ping();
    EXPECT_EQ(s.log, (std::vector<int>{0}));
    EXPECT_FALSE(p.HasListeners());
}

TEST(EventProducer, RemovalOfOthersDuringDelivery)
{
    TestProducer p;
    ListenerSet s;
    for (int i = 0; i < 4; ++i)
        p.AddListener(&s.r[i]);
    // 1 removes 3 (not yet called) and 0 (already called): 2 must still be called once, 3 never.
    s.r[1].action = [&]
    {
        p.RemoveListener(&s.r[3]);
        p.RemoveListener(&s.r[0]);
    };
    p.Ping();
    EXPECT_EQ(s.log, (std::vector<int>{0, 1, 2}));
}

TEST(EventProducer, ListenerAddedDuringDeliveryIsCalledLast)
{
    TestProducer p;
    ListenerSet s;
    p.AddListener(&s.r[0]);
    p.AddListener(&s.r[1]);
    s.r[0].action = [&] { p.AddListener(&s.r[2]); };
    p.Ping();
    EXPECT_EQ(s.log, (std::vector<int>{0, 1, 2}));
}

TEST(EventProducer, NestedDeliveryAndEmptyingTheList)
{
    TestProducer p;
    ListenerSet s;
    p.AddListener(&s.r[0]);
    p.AddListener(&s.r[1]);
    p.AddListener(&s.r[2]);
    bool nested = false;
    s.r[0].action = [&]
    {
        if (nested)
            return;
        nested = true;
        p.Ping(); // inner delivery
        p.RemoveListener(&s.r[0]);
    };
    // 1 empties the list inside the inner delivery: both deliveries stop, nothing released is touched.
    s.r[1].action = [&]
    {
        p.RemoveListener(&s.r[2]);
        p.RemoveListener(&s.r[1]);
    };
    p.Ping();
    EXPECT_EQ(s.log, (std::vector<int>{0, 0, 1}));
    EXPECT_FALSE(p.HasListeners());
}

TEST(EventProducer, ProducerDestroyedDuringDelivery)
{
    auto p = std::make_unique<TestProducer>();
    ListenerSet s;
    p->AddListener(&s.r[0]);
    p->AddListener(&s.r[1]);
    s.r[0].action = [&] { p.reset(); };
    TestProducer* raw = p.get();
    raw->Ping();
    EXPECT_EQ(s.log, (std::vector<int>{0}));
}

TEST(EventProducer, MutedProducerDeliversNothingAndDoesNotReplay)
{
    TestProducer p;
    ListenerSet s;
    p.AddListener(&s.r[0]);
    p.SetMuted(true);
    p.Ping();
    EXPECT_TRUE(s.log.empty());
    p.SetMuted(false);
    EXPECT_TRUE(s.log.empty());
    p.Ping();
    EXPECT_EQ(s.log, (std::vector<int>{0}));
}

TEST(EventProducer, CursorStepsByHand)
{
    TestProducer p;
    ListenerSet s;
    p.AddListener(&s.r[0]);
    p.AddListener(&s.r[1]);
    auto cursor = p.BeginIteration();
    EXPECT_EQ(TestProducer::NextListener(cursor), &s.r[0]);
    EXPECT_EQ(TestProducer::NextListener(cursor), &s.r[1]);
    EXPECT_EQ(TestProducer::NextListener(cursor), nullptr);
}

// --- instance chains and singletons --------------------------------------------------------------

struct ChainItem : ZInstanceChain<ChainItem>
{
    int value;
    explicit ChainItem(int v) : value(v) {}
};

ChainItem g_first(1);
ChainItem g_second(2);

std::vector<int> ChainValues()
{
    std::vector<int> values;
    for (ChainItem* i = ZInstanceChain<ChainItem>::Head(); i; i = i->NextInChain())
        values.push_back(i->value);
    return values;
}

TEST(InstanceChain, HoldsInstancesInConstructionOrderAndDropsDeadOnes)
{
    EXPECT_EQ(ChainValues(), (std::vector<int>{1, 2}));
    {
        ChainItem a(3);
        ChainItem b(4);
        EXPECT_EQ(ChainValues(), (std::vector<int>{1, 2, 3, 4}));
    }
    EXPECT_EQ(ChainValues(), (std::vector<int>{1, 2}));
    ChainItem c(5);
    EXPECT_EQ(ChainValues(), (std::vector<int>{1, 2, 5}));
}

class TestSingleton : public ZSingleton<TestSingleton>
{
public:
    TestSingleton() : seenDuringConstruction(PeekInstance()) { ++constructed; }
    TestSingleton* seenDuringConstruction;
    static inline int constructed = 0;
};

TEST(Singleton, CreatedOnceOnFirstRequestAndClearedOnDelete)
{
    EXPECT_FALSE(TestSingleton::HasInstance());
    TestSingleton* a = TestSingleton::GetInstance();
    EXPECT_EQ(TestSingleton::GetInstance(), a);
    EXPECT_EQ(TestSingleton::constructed, 1);
    EXPECT_EQ(a->seenDuringConstruction, a);
    TestSingleton::DestroyInstance();
    EXPECT_EQ(TestSingleton::PeekInstance(), nullptr);
    TestSingleton::GetInstance();
    EXPECT_EQ(TestSingleton::constructed, 2);
    TestSingleton::DestroyInstance();
}

// --- spin lock and event manager ---------------------------------------------------------------

TEST(SpinLock, GuardsASharedCounterAcrossThreads)
{
    ZSpinLock lock;
    long counter = 0;
    uint64_t retries = 0;
    std::vector<std::thread> threads;
    std::vector<uint64_t> perThread(4, 0);
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < 20000; ++i)
                {
                    perThread[t] += lock.Lock();
                    ++counter;
                    lock.Unlock();
                }
            });
    }
    for (std::thread& t : threads)
        t.join();
    for (uint64_t r : perThread)
        retries += r;
    EXPECT_EQ(counter, 80000);
    EXPECT_EQ(lock.GetContention(), retries);
    EXPECT_FALSE(lock.IsLocked());
}

TEST(SpinLock, TryLockAndReturnedRetries)
{
    ZSpinLock lock;
    EXPECT_EQ(lock.Lock(), 0u);
    EXPECT_FALSE(lock.TryLock());
    lock.Unlock();
    EXPECT_TRUE(lock.TryLock());
    lock.Unlock();
    EXPECT_EQ(lock.GetContention(), 0u);
}

struct EventRecorder : IEventListener
{
    std::vector<std::string> heard;
    std::string name;
    std::function<void()> action;
    void OnEvent(const ZEvent& event) override
    {
        const char* until = event.args.Find("until");
        heard.push_back(name + ":" + (until ? until : "-"));
        if (action)
            action();
    }
};

TEST(EventManager, DeliversByIdInRegistrationOrder)
{
    ZEventManager* m = ZEventManager::GetInstance();
    EventRecorder a, b, late;
    a.name = "a";
    b.name = "b";
    late.name = "late";
    m->AddListener(&b, ZNameId("hide_until"));
    m->AddListener(&a, ZNameId("hide_until"));
    m->AddListener(&a, ZNameId("hide_until")); // duplicate
    m->AddListener(&a, ZNameId("other"));
    b.action = [&] { m->AddListener(&late, ZNameId("hide_until")); };

    ZEvent e;
    e.id = ZNameId("hide_until");
    e.args.Set("until", "door");
    EXPECT_TRUE(m->SendEvent(e));
    EXPECT_EQ(b.heard, (std::vector<std::string>{"b:door"}));
    EXPECT_EQ(a.heard, (std::vector<std::string>{"a:door"}));
    EXPECT_EQ(late.heard.size(), 1u);

    ZEvent nobody;
    nobody.id = ZNameId("nobody listens");
    EXPECT_TRUE(m->SendEvent(nobody));
    ZEventManager::DestroyInstance();
}
} // namespace
