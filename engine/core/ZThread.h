#pragma once
// The engine's only way to start a thread. A subclass supplies one step of work (Run); the
// thread repeats the step and waits a fixed period between steps until it is asked to stop.
//
// Stopping is cooperative: RequestStop sets the flag, Stop also waits for the loop to end and
// joins the thread. A thread is never killed, since a killed thread could die holding a lock.
// Subclasses stop the thread in their own destructor: once a subclass part is gone, Run must
// no longer be called. ZThread's destructor stops it too, as a last safety net.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class ZThread
{
public:
    explicit ZThread(const char* name);
    virtual ~ZThread();
    ZThread(const ZThread&) = delete;
    ZThread& operator=(const ZThread&) = delete;

    // Starts the thread unless it is running. False when the system could not create it; the
    // work then simply does not happen in the background.
    bool Start();
    // Lets a thread started suspended begin its loop.
    void Resume();
    // Asks the loop to end after its current step. A stop requested before Start lets the
    // thread end without a single step.
    void RequestStop();
    // Requests the stop, waits until the loop has ended and joins the thread. Afterwards the
    // thread may be started again. Must not be called from the thread itself.
    void Stop();

    // Priority 0 idle, 1 below normal, 2 normal, 3 above normal; other values count as
    // normal. Advisory on this platform.
    void SetPriority(int priority);
    void ApplyPriority();
    void SetPeriod(uint32_t milliseconds) { m_period = milliseconds; }
    // Only before Start.
    void SetStartSuspended(bool on) { m_startSuspended = on; }
    // The thread deletes its own object after it ends; nobody else may then delete or stop it.
    void SetDeleteWhenDone(bool on) { m_deleteWhenDone = on; }

    bool IsRunning() const { return m_running.load(std::memory_order_acquire); }
    bool IsStopRequested() const { return m_stopRequested.load(std::memory_order_acquire); }
    int GetPriority() const { return m_priority; }
    uint32_t GetPeriod() const { return m_period; }
    const std::string& GetName() const { return m_name; }
    // Kernel id of the running thread, stored by the thread itself; 0 before it ran.
    uint32_t GetThreadId() const { return m_threadId.load(std::memory_order_acquire); }

    // Discards work waiting for the thread; the owner calls it before stopping.
    virtual void ClearWork() {}

protected:
    // Called by Start on the starting thread, before the system thread exists.
    virtual void OnStart() {}
    // Called on the worker thread after its loop ended.
    virtual void OnExit() {}
    // One step of work, on the worker thread.
    virtual void Run() {}

private:
    // The worker thread's entry.
    static void ThreadProc(ZThread* object);
    void Loop();

    std::atomic<int> m_priority{2};
    std::atomic<uint32_t> m_period{50};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopRequested{false};
    bool m_startSuspended = false;
    bool m_deleteWhenDone = false;
    bool m_suspended = false;
    std::string m_name;
    std::atomic<uint32_t> m_threadId{0};
    std::thread m_thread;
    // Guards the start hand-over, the suspension and the wait between steps.
    std::mutex m_mutex;
    std::condition_variable m_wake;
};
