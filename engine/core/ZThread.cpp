#include "engine/core/ZThread.h"

#include "engine/platform/ZPlatformThread.h"
#include "engine/platform/ZPlatformTime.h"

#include <chrono>
#include <system_error>

ZThread::ZThread(const char* name) : m_name(name ? name : "") {}

ZThread::~ZThread()
{
    // A self-deleting thread runs this on itself, with its loop already over.
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        Stop();
}

bool ZThread::Start()
{
    if (IsRunning())
        return true;
    // The previous run has left its loop; collect its system thread.
    if (m_thread.joinable())
        m_thread.join();
    OnStart();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_running.store(true, std::memory_order_release);
    m_suspended = m_startSuspended;
    try
    {
        m_thread = std::thread(&ZThread::ThreadProc, this);
    }
    catch (const std::system_error&)
    {
        m_running.store(false, std::memory_order_release);
        return false;
    }
    // The worker waits for this lock before it looks at anything, so it cannot delete itself
    // before the handle is let go.
    if (m_deleteWhenDone)
        m_thread.detach();
    return true;
}

void ZThread::Resume()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_suspended = false;
    }
    m_wake.notify_all();
}

void ZThread::RequestStop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopRequested.store(true, std::memory_order_release);
    }
    m_wake.notify_all();
}

void ZThread::Stop()
{
    RequestStop();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
    // Now the thread has ended, so it may be started again.
    if (!IsRunning())
        m_stopRequested.store(false, std::memory_order_release);
}

void ZThread::SetPriority(int priority)
{
    m_priority = priority;
    ApplyPriority();
}

void ZThread::ApplyPriority()
{
    const uint32_t id = GetThreadId();
    if (id != 0 && IsRunning())
        plat::SetThreadPriority(id, m_priority);
}

void ZThread::ThreadProc(ZThread* object)
{
    object->Loop();
}

void ZThread::Loop()
{
    {
        // A stop releases a suspended thread too: it then ends without a step.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_suspended || IsStopRequested(); });
    }
    const uint32_t id = plat::GetCurrentThreadId();
    m_threadId.store(id, std::memory_order_release);
    plat::SetCurrentThreadName(m_name);
    plat::SetThreadPriority(id, m_priority);

    while (!IsStopRequested())
    {
        Run();
        const uint32_t period = m_period;
        if (period == 0)
        {
            plat::Yield();
            continue;
        }
        // The wait between steps ends early when a stop is requested.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait_for(lock, std::chrono::milliseconds(period), [this] { return IsStopRequested(); });
    }

    OnExit();
    const bool deleteSelf = m_deleteWhenDone;
    // Cleared last: an owner polling this flag may destroy the object right after.
    m_running.store(false, std::memory_order_release);
    if (deleteSelf)
        delete this;
}
