#include "engine/platform/ZCriticalSection.h"

namespace plat
{
namespace
{
std::atomic<uint64_t>& Counter()
{
    static std::atomic<uint64_t> counter{0};
    return counter;
}
} // namespace

uint64_t LockCount() { return Counter().load(std::memory_order_relaxed); }
void CountLockUse() { Counter().fetch_add(1, std::memory_order_relaxed); }
} // namespace plat
