#include "engine/core/ZAllocBase.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZSpinLock.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace
{
// A pool size is a stack pop and push under the allocator's lock.
void BM_AllocMainPoolBlock(benchmark::State& state)
{
    auto a = std::make_unique<ZAllocMain>();
    for (auto _ : state)
    {
        void* p = a->Alloc(32);
        benchmark::DoNotOptimize(p);
        a->Free(p);
    }
}
BENCHMARK(BM_AllocMainPoolBlock);

void BM_AllocMainHeapBlock(benchmark::State& state)
{
    auto a = std::make_unique<ZAllocMain>();
    for (auto _ : state)
    {
        void* p = a->Alloc(40);
        benchmark::DoNotOptimize(p);
        a->Free(p);
    }
}
BENCHMARK(BM_AllocMainHeapBlock);

void BM_GlobalNewDelete(benchmark::State& state)
{
    for (auto _ : state)
    {
        auto* p = new std::string(20, 'x');
        benchmark::DoNotOptimize(p);
        delete p;
    }
}
BENCHMARK(BM_GlobalNewDelete)->Threads(1)->Threads(4);

void BM_NameHash(benchmark::State& state)
{
    const std::string name = "resources:mainmenu.xml";
    for (auto _ : state)
        benchmark::DoNotOptimize(ZNameHash(int32_t(name.size()), name.data()));
}
BENCHMARK(BM_NameHash);

void BM_SpinLockUncontended(benchmark::State& state)
{
    ZSpinLock lock;
    for (auto _ : state)
    {
        lock.Lock();
        lock.Unlock();
    }
}
BENCHMARK(BM_SpinLockUncontended);
} // namespace
