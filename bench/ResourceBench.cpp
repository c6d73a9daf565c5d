// Waited loads through the loader thread, as the start-up's sound list makes them: one resource at
// a time, each asked for after the loader has run out of work and gone to sleep. "wait_ms" is the
// time the caller waits for one load that itself costs next to nothing.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>
#include <vector>

#include "engine/resource/ZResource.h"
#include "engine/resource/ZResourceManager.h"

namespace
{
class BenchResource : public ZResourceType<BenchResource>
{
    QV_TYPE_RECORD(BenchResource, &ZResource::kTypeRecord)

public:
    BenchResource() { SetFlags(kResourceAsync); }
    int LoadSync() override { return 0; }
    int LoadData() override { return 0; }
    int UnloadData() override { return 0; }
    int64_t GetMemorySize() const override { return 0; }
};

void BM_WaitedLoadAfterTheLoaderIdles(benchmark::State& state)
{
    ZResourceManager* manager = ZResourceManager::GetInstance();
    std::vector<BenchResource*> made;
    double waited = 0.0;
    for (auto _ : state)
    {
        state.PauseTiming();
        // Past the loader's yielding rounds, into its sleeping ones.
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        auto* resource = new BenchResource();
        resource->AddRef();
        made.push_back(resource);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        resource->Load(true);
        waited += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(resource->IsLoaded());
    }
    state.counters["wait_ms"] = waited / double(state.iterations());
    manager->StopLoader();
    for (BenchResource* resource : made)
        resource->Release();
    ZResourceManager::DestroyInstance();
}
BENCHMARK(BM_WaitedLoadAfterTheLoaderIdles)->Iterations(40)->Unit(benchmark::kMillisecond);
} // namespace
