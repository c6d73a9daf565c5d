// Particle emitters at steady state: emission, movement and the free list for a few thousand
// records per frame, at full and reduced count factor.
#include <benchmark/benchmark.h>

#include "engine/app/ZFrameTimer.h"
#include "engine/scene/ZParticleEmitterSystem.h"

namespace
{

void BM_EmitterFrame(benchmark::State& state)
{
    ZFrameTimer timer;
    ZFrameTimer* saved = g_frameTimer;
    g_frameTimer = &timer;
    timer.frameDelta = 1.0 / 60.0;
    g_particlesFactor.SetValue(float(state.range(1)) / 100.0f);
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    emitter->SetEmitterSegment({-50, -50, 0}, {50, 50, 0});
    emitter->SetRandomDirections(-90.0f, 90.0f);
    emitter->growthSpread = 0.2f;
    emitter->drag = 0.1f;
    emitter->SetParticleCount(uint32_t(state.range(0)));
    for (int i = 0; i < 120; ++i)
        emitter->Update();
    for (auto _ : state)
    {
        emitter->Update();
        benchmark::DoNotOptimize(emitter->GetRecords());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(emitter->GetEffectiveCount()));
    delete emitter;
    g_particlesFactor.SetValue(1.0f);
    g_frameTimer = saved;
}
BENCHMARK(BM_EmitterFrame)->Args({500, 100})->Args({4000, 100})->Args({4000, 25});

} // namespace
