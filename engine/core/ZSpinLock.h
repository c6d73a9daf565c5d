#pragma once
// A small non-recursive lock for short sections shared between threads (audio request ring, texture
// upload queue, resource lists, text table). The holder must not block.
#include <atomic>
#include <cstdint>

class ZSpinLock
{
public:
    // Failed tries that spin before every further try yields the time slice.
    static constexpr uint32_t kSpinTries = 101;

    // Takes the lock; returns the number of failed tries, which is also added to the contention
    // counter.
    uint32_t Lock();
    bool TryLock() { return m_lock.exchange(1, std::memory_order_acquire) == 0; }
    void Unlock() { m_lock.store(0, std::memory_order_release); }

    bool IsLocked() const { return m_lock.load(std::memory_order_relaxed) != 0; }
    // Total failed tries since construction, for monitoring.
    uint32_t GetContention() const { return m_contention.load(std::memory_order_relaxed); }

private:
    std::atomic<uint32_t> m_lock{0};
    std::atomic<uint32_t> m_contention{0};
};

class ZSpinLockGuard
{
public:
    explicit ZSpinLockGuard(ZSpinLock& lock) : m_lock(lock) { m_lock.Lock(); }
    ~ZSpinLockGuard() { m_lock.Unlock(); }
    ZSpinLockGuard(const ZSpinLockGuard&) = delete;
    ZSpinLockGuard& operator=(const ZSpinLockGuard&) = delete;

private:
    ZSpinLock& m_lock;
};
