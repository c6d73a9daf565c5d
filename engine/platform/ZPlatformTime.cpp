#include "engine/platform/ZPlatformTime.h"

#include <atomic>
#include <sched.h>
#include <time.h>

namespace plat
{
namespace
{
uint32_t MonotonicTicks()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
    return uint32_t(ms);
}

std::atomic<TickSource>& Source()
{
    static std::atomic<TickSource> source{&MonotonicTicks};
    return source;
}
} // namespace

uint32_t GetTickCount() { return Source().load()(); }

void SetTickSource(TickSource source) { Source().store(source ? source : &MonotonicTicks); }

void Sleep(uint32_t milliseconds)
{
    if (milliseconds == 0)
    {
        Yield();
        return;
    }
    timespec ts{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0)
    {
    }
}

void Yield() { sched_yield(); }
} // namespace plat
