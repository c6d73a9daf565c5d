#include "engine/core/ZThread.h"
#include "engine/platform/ZPlatformThread.h"
#include <algorithm>

#include <atomic>
#include <cerrno>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

namespace
{
// Polls a condition with a generous bound; the bound only keeps a broken build from hanging.
template <typename F> bool Eventually(F condition)
{
    for (int i = 0; i < 30000; ++i)
    {
        if (condition())
            return true;
        usleep(1000);
    }
    return condition();
}

class CountingThread : public ZThread
{
public:
    explicit CountingThread(const char* name, uint32_t period = 1) : ZThread(name) { SetPeriod(period); }
    ~CountingThread() override { Stop(); }

    std::atomic<int> starts{0};
    std::atomic<int> steps{0};
    std::atomic<int> exits{0};
    std::atomic<uint32_t> stepThread{0};
    std::atomic<uint32_t> exitThread{0};
    std::atomic<int> niceInStep{0};
    std::mutex nameLock;
    std::string nameInStep;

protected:
    void OnStart() override { ++starts; }
    void Run() override
    {
        stepThread = plat::GetCurrentThreadId();
        errno = 0;
        niceInStep = getpriority(PRIO_PROCESS, 0);
        {
            std::lock_guard<std::mutex> lock(nameLock);
            nameInStep = plat::GetCurrentThreadName();
        }
        ++steps;
    }
    void OnExit() override
    {
        exitThread = plat::GetCurrentThreadId();
        ++exits;
    }
};

TEST(Thread, RunsStepsUntilStoppedAndJoins)
{
    CountingThread thread("music_thread");
    EXPECT_EQ(thread.GetPriority(), 2);
    EXPECT_FALSE(thread.IsRunning());
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(thread.IsRunning());
    ASSERT_TRUE(Eventually([&] { return thread.steps >= 3; }));
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    const int steps = thread.steps;
    EXPECT_EQ(thread.exits, 1);
    EXPECT_EQ(thread.starts, 1);
    // Work and exit ran on the worker, whose id the thread stored itself.
    EXPECT_NE(thread.stepThread, plat::GetCurrentThreadId());
    EXPECT_EQ(thread.exitThread, thread.stepThread.load());
    EXPECT_EQ(thread.GetThreadId(), thread.stepThread.load());
    {
        std::lock_guard<std::mutex> lock(thread.nameLock);
        EXPECT_EQ(thread.nameInStep, "music_thread");
    }
    usleep(5000);
    EXPECT_EQ(thread.steps, steps); // nothing runs after the join
}

TEST(Thread, LongNamesAreCutToWhatTheSystemKeeps)
{
    CountingThread thread("resource_loader_thread");
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(Eventually([&] { return thread.steps >= 1; }));
    thread.Stop();
    std::lock_guard<std::mutex> lock(thread.nameLock);
    EXPECT_EQ(thread.nameInStep, "resource_loader");
    EXPECT_EQ(thread.GetName(), "resource_loader_thread");
}

TEST(Thread, StartTwiceMakesOneThread)
{
    CountingThread thread("twice");
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(Eventually([&] { return thread.steps >= 1; }));
    thread.Stop();
    EXPECT_EQ(thread.starts, 1);
    EXPECT_EQ(thread.exits, 1);
}

TEST(Thread, StopBeforeTheFirstStepRunsNoStepButExits)
{
    CountingThread thread("early");
    thread.RequestStop();
    ASSERT_TRUE(thread.Start());
    thread.Stop();
    EXPECT_EQ(thread.steps, 0);
    EXPECT_EQ(thread.exits, 1);
    EXPECT_FALSE(thread.IsRunning());
}

TEST(Thread, CanStartAgainAfterItEnded)
{
    CountingThread thread("again");
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(Eventually([&] { return thread.steps >= 1; }));
    thread.Stop();
    const int first = thread.steps;
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(Eventually([&] { return thread.steps > first; }));
    thread.Stop();
    EXPECT_EQ(thread.starts, 2);
    EXPECT_EQ(thread.exits, 2);
}

TEST(Thread, SuspendedThreadWaitsForResumeOrStop)
{
    CountingThread resumed("resumed");
    resumed.SetStartSuspended(true);
    ASSERT_TRUE(resumed.Start());
    EXPECT_TRUE(resumed.IsRunning());
    resumed.Resume();
    ASSERT_TRUE(Eventually([&] { return resumed.steps >= 1; }));
    resumed.Stop();

    CountingThread stopped("stopped");
    stopped.SetStartSuspended(true);
    ASSERT_TRUE(stopped.Start());
    stopped.Stop(); // must not hang on the suspended thread
    EXPECT_EQ(stopped.steps, 0);
    EXPECT_EQ(stopped.exits, 1);
}

TEST(Thread, StopDoesNotWaitOutALongPeriod)
{
    CountingThread thread("slow", 3600u * 1000u); // one hour between steps
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(Eventually([&] { return thread.steps >= 1; }));
    thread.Stop(); // would hang for an hour if the wait were a plain sleep
    EXPECT_EQ(thread.steps, 1);
}

TEST(Thread, DeleteWhenDoneFreesItsOwnObject)
{
    static std::atomic<bool> destroyed{false};
    struct SelfDeleting : ZThread
    {
        std::atomic<bool>* stop;
        explicit SelfDeleting(std::atomic<bool>* s) : ZThread("self"), stop(s) { SetPeriod(1); }
        ~SelfDeleting() override { destroyed = true; }
        void Run() override
        {
            if (*stop)
                RequestStop();
        }
    };
    std::atomic<bool> stop{false};
    auto* thread = new SelfDeleting(&stop);
    thread->SetDeleteWhenDone(true);
    ASSERT_TRUE(thread->Start());
    stop = true;
    EXPECT_TRUE(Eventually([] { return destroyed.load(); }));
}

TEST(Thread, RunningClearsOnlyAfterOnExitFinished)
{
    // An owner that sees the thread no longer running may destroy it at once: OnExit must be
    // over by then.
    struct SlowExit : ZThread
    {
        std::atomic<bool> exitDone{false};
        SlowExit() : ZThread("slow_exit") { SetPeriod(1); }
        ~SlowExit() override { Stop(); }
        void Run() override { RequestStop(); }
        void OnExit() override
        {
            usleep(20000);
            exitDone = true;
        }
    };
    auto thread = std::make_unique<SlowExit>();
    ASSERT_TRUE(thread->Start());
    ASSERT_TRUE(Eventually([&] { return !thread->IsRunning(); }));
    EXPECT_TRUE(thread->exitDone);
    thread.reset();
}

// Each priority as the thread itself sees it: its nice value against the process's. Raising a
// thread above normal needs a privilege the process may lack; it then runs at normal.
TEST(Thread, EachPriorityRunsAtItsNiceValue)
{
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, 0);
    ASSERT_FALSE(base == -1 && errno != 0);
    struct Case
    {
        int priority;
        int offset;
    };
    const Case cases[] = {{0, 19}, {1, 2}, {2, 0}, {3, -2}, {7, 0}, {-1, 0}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.priority);
        CountingThread thread("table");
        thread.SetPriority(c.priority);
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(Eventually([&] { return thread.steps >= 1; }));
        thread.Stop();
        const int expected = std::min(base + c.offset, 19);
        if (c.offset < 0 && thread.niceInStep == base)
            continue; // not permitted here
        EXPECT_EQ(thread.niceInStep, expected);
    }
}

TEST(Thread, LowerPriorityIsApplied)
{
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, 0);
    ASSERT_FALSE(base == -1 && errno != 0);
    if (base > 17)
        GTEST_SKIP() << "the process already runs at the lowest priority";
    CountingThread below("below");
    below.SetPriority(1);
    ASSERT_TRUE(below.Start());
    ASSERT_TRUE(Eventually([&] { return below.steps >= 1; }));
    below.Stop();
    EXPECT_EQ(below.niceInStep, base + 2);

    CountingThread normal("normal");
    normal.SetPriority(7); // unknown priorities run as normal
    ASSERT_TRUE(normal.Start());
    ASSERT_TRUE(Eventually([&] { return normal.steps >= 1; }));
    normal.Stop();
    EXPECT_EQ(normal.niceInStep, base);
}
} // namespace
