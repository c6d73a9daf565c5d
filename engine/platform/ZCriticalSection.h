#pragma once
// Recursive lock shared by the engine's threads. Every entry counts one lock use in the
// program-wide lock counter that the "mutex.monitor" debug setting watches.
#include <atomic>
#include <cstdint>
#include <mutex>

namespace plat
{
// Program-wide count of critical-section entries since start.
uint64_t LockCount();
void CountLockUse();
} // namespace plat

class ZCriticalSection
{
public:
    void Enter()
    {
        plat::CountLockUse();
        m_mutex.lock();
    }
    bool TryEnter()
    {
        plat::CountLockUse();
        return m_mutex.try_lock();
    }
    void Leave() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds a critical section for one scope; a null section is allowed and does nothing.
class ZCriticalSectionGuard
{
public:
    explicit ZCriticalSectionGuard(ZCriticalSection* cs) : m_cs(cs)
    {
        if (m_cs)
            m_cs->Enter();
    }
    explicit ZCriticalSectionGuard(ZCriticalSection& cs) : ZCriticalSectionGuard(&cs) {}
    ~ZCriticalSectionGuard() { Release(); }
    void Release()
    {
        if (m_cs)
            m_cs->Leave();
        m_cs = nullptr;
    }
    ZCriticalSectionGuard(const ZCriticalSectionGuard&) = delete;
    ZCriticalSectionGuard& operator=(const ZCriticalSectionGuard&) = delete;

private:
    ZCriticalSection* m_cs;
};
