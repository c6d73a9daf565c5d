// The worker pool: every job of a run is done exactly once and the run returns only after all are
// done, run after run; the workers really take part; a pool without workers runs on the caller.
#include "engine/core/ZWorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

TEST(WorkerPool, EachJobRunsOnceAndTheRunWaitsForAll)
{
    for (int workers : {0, 1, 3})
    {
        ZWorkerPool pool(workers, "pooltest");
        EXPECT_EQ(pool.GetThreadCount(), workers + 1);
        for (int run = 0; run < 200; ++run)
        {
            const int count = 1 + run % 17;
            std::vector<std::atomic<int>> done(static_cast<size_t>(count));
            pool.Run(count,
                     [&](int i)
                     {
                         if (i % 5 == 0)
                             std::this_thread::yield();
                         done[size_t(i)].fetch_add(1);
                     });
            for (int i = 0; i < count; ++i)
                ASSERT_EQ(done[size_t(i)].load(), 1) << "workers " << workers << ", run " << run << ", job " << i;
        }
    }
}

TEST(WorkerPool, WorkersTakeJobsBesideTheCaller)
{
    ZWorkerPool pool(3, "pooltest");
    std::mutex mutex;
    std::set<std::thread::id> threads;
    // Jobs that wait for each other a little: one thread alone would take them all in turn.
    for (int run = 0; run < 20 && threads.size() < 2; ++run)
        pool.Run(16,
                 [&](int)
                 {
                     std::this_thread::sleep_for(std::chrono::milliseconds(1));
                     std::lock_guard<std::mutex> lock(mutex);
                     threads.insert(std::this_thread::get_id());
                 });
    EXPECT_GE(threads.size(), 2u);
}
