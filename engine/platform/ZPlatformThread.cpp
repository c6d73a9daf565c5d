#include "engine/platform/ZPlatformThread.h"

#include <algorithm>
#include <cerrno>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace plat
{
uint32_t GetCurrentThreadId()
{
    return uint32_t(gettid());
}

bool SetCurrentThreadName(const std::string& name)
{
    return pthread_setname_np(pthread_self(), name.substr(0, 15).c_str()) == 0;
}

std::string GetCurrentThreadName()
{
    char buffer[64] = {};
    if (pthread_getname_np(pthread_self(), buffer, sizeof buffer) != 0)
        return {};
    return buffer;
}

int ThreadPriorityNiceOffset(int priority)
{
    switch (priority)
    {
    case 0:
        return 19; // idle: runs when nothing else wants the processor
    case 1:
        return 2;
    case 3:
        return -2;
    default:
        return 0;
    }
}

bool SetThreadPriority(uint32_t threadId, int priority)
{
    if (threadId == 0)
        return false;
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, id_t(getpid()));
    if (base == -1 && errno != 0)
        return false;
    const int nice = std::clamp(base + ThreadPriorityNiceOffset(priority), -20, 19);
    // On Linux a thread id names that one thread here.
    return setpriority(PRIO_PROCESS, id_t(threadId), nice) == 0;
}
} // namespace plat
