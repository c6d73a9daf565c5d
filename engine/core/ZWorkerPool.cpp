#include "engine/core/ZWorkerPool.h"

#include <algorithm>
#include <string>
#include <thread>

ZWorkerPool::Worker::Worker(ZWorkerPool* pool, const char* name) : ZThread(name), m_pool(pool)
{
    // Run waits for work itself: no pause between steps.
    SetPeriod(0);
}

ZWorkerPool::Worker::~Worker()
{
    Stop();
}

void ZWorkerPool::Worker::Run()
{
    if (!m_pool->WaitForRun(m_seen))
        return;
    m_pool->TakeJobs();
    m_pool->FinishRun();
}

ZWorkerPool::ZWorkerPool(int workers, const char* name)
{
    for (int i = 0; i < workers; ++i)
    {
        const std::string threadName = std::string(name ? name : "worker") + std::to_string(i);
        auto worker = std::make_unique<Worker>(this, threadName.c_str());
        if (!worker->Start())
            break;
        m_workers.push_back(std::move(worker));
    }
}

ZWorkerPool::~ZWorkerPool()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    for (auto& worker : m_workers)
        worker->RequestStop();
    m_workers.clear();
}

int ZWorkerPool::DefaultWorkerCount(int limit)
{
    const int processors = int(std::thread::hardware_concurrency());
    return std::clamp(processors - 1, 0, std::max(0, limit));
}

bool ZWorkerPool::WaitForRun(uint64_t& seen)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [&] { return m_quit || m_generation != seen; });
    if (m_quit)
        return false;
    seen = m_generation;
    return true;
}

void ZWorkerPool::TakeJobs()
{
    for (;;)
    {
        const int index = m_next.fetch_add(1, std::memory_order_relaxed);
        if (index >= m_count)
            return;
        (*m_job)(index);
    }
}

void ZWorkerPool::FinishRun()
{
    bool last;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        last = ++m_finished == int(m_workers.size());
    }
    if (last)
        m_done.notify_one();
}

void ZWorkerPool::Run(int count, const std::function<void(int)>& job)
{
    if (count <= 0)
        return;
    if (count == 1 || m_workers.empty())
    {
        for (int i = 0; i < count; ++i)
            job(i);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job = &job;
        m_count = count;
        m_next.store(0, std::memory_order_relaxed);
        m_finished = 0;
        ++m_generation;
    }
    m_wake.notify_all();
    TakeJobs();
    // Every worker takes part in each run, if only to find nothing left: the run is over when
    // all have looked, so none can still be reading this run's job afterwards.
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [&] { return m_finished == int(m_workers.size()); });
    m_job = nullptr;
}
