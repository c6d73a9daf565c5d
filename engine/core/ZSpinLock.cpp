#include "engine/core/ZSpinLock.h"

#include "engine/platform/ZPlatformTime.h"

uint32_t ZSpinLock::Lock()
{
    uint32_t failed = 0;
    while (m_lock.exchange(1, std::memory_order_acquire) != 0)
    {
        ++failed;
        if (failed >= kSpinTries)
            plat::Yield();
    }
    if (failed)
        m_contention.fetch_add(failed, std::memory_order_relaxed);
    return failed;
}
