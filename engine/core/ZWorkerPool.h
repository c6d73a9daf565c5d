#pragma once
// A small pool of worker threads, made through ZThread, that runs a number of independent jobs at
// once and returns when all are done (the software display's bands of rows use it). The calling
// thread takes jobs too, so a pool of n workers runs up to n + 1 jobs at the same time. Between
// runs the workers sleep on a condition variable and cost nothing.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/core/ZThread.h"
#include "engine/platform/ZPlatformThread.h"

class ZWorkerPool final : public plat::IParallelRunner
{
public:
    // workers: threads besides the caller; 0 runs every job on the caller. Workers that cannot be
    // started are left out.
    explicit ZWorkerPool(int workers, const char* name = "worker");
    ~ZWorkerPool();
    ZWorkerPool(const ZWorkerPool&) = delete;
    ZWorkerPool& operator=(const ZWorkerPool&) = delete;

    int GetThreadCount() const override { return int(m_workers.size()) + 1; }
    // One run at a time: the pool serves the thread that made it.
    void Run(int count, const std::function<void(int)>& job) override;

    // Workers for this machine: one fewer than its processors, at most `limit`.
    static int DefaultWorkerCount(int limit);

private:
    class Worker final : public ZThread
    {
    public:
        Worker(ZWorkerPool* pool, const char* name);
        ~Worker() override;

    protected:
        void Run() override;

    private:
        ZWorkerPool* m_pool;
        uint64_t m_seen = 0;
        friend class ZWorkerPool;
    };

    // Takes jobs of the current run until none is left.
    void TakeJobs();
    // Waits for the next run (or the end of the pool); false at the end.
    bool WaitForRun(uint64_t& seen);
    void FinishRun();

    std::vector<std::unique_ptr<Worker>> m_workers;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    uint64_t m_generation = 0;
    int m_finished = 0;
    bool m_quit = false;
    const std::function<void(int)>* m_job = nullptr;
    int m_count = 0;
    std::atomic<int> m_next{0};
};
