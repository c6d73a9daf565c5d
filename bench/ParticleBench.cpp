// Particle emitters at steady state: emission, movement and the free list for a few thousand
// records per frame, at full and reduced count factor.
#include <benchmark/benchmark.h>

#include "engine/core/ZFrameTimer.h"
#include <vector>

#include "engine/core/ZRandom.h"
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

// A busy screen's particles: 20 endless emitters, each holding about 200 live particles, all
// updated once per frame. Reported as time per frame.
void BM_TwentyEmittersFrame(benchmark::State& state)
{
    ZFrameTimer timer;
    ZFrameTimer* saved = g_frameTimer;
    g_frameTimer = &timer;
    timer.frameDelta = 1.0 / 60.0;
    g_particlesFactor.SetValue(1.0f);
    RandomSeed(2024);
    std::vector<ZParticleEmitterSystem*> emitters;
    for (int i = 0; i < 20; ++i)
    {
        ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
        emitter->SetPositionXYZ(float(i * 30 - 300), 0.0f, 0.0f);
        emitter->SetEmitterSegment({-20, -20, 0}, {20, 20, 0});
        emitter->SetRandomDirections(-90.0f, 90.0f);
        emitter->growthSpread = 0.2f;
        emitter->drag = 0.1f;
        // Endless: particles are born as fast as they die, so the pool stays full.
        emitter->duration = -1.0f;
        emitter->lifeMinimum = 0.8f;
        emitter->lifeMaximum = 1.2f;
        emitter->meanLife = 1.0f;
        emitter->SetParticleCount(200);
        emitters.push_back(emitter);
    }
    for (int frame = 0; frame < 180; ++frame)
        for (ZParticleEmitterSystem* emitter : emitters)
            emitter->Update();
    uint64_t alive = 0;
    for (auto _ : state)
    {
        for (ZParticleEmitterSystem* emitter : emitters)
            emitter->Update();
        benchmark::ClobberMemory();
    }
    for (ZParticleEmitterSystem* emitter : emitters)
    {
        alive += emitter->GetAliveCount();
        delete emitter;
    }
    state.counters["live_particles"] = double(alive);
    state.SetItemsProcessed(state.iterations() * int64_t(alive));
    g_frameTimer = saved;
}
BENCHMARK(BM_TwentyEmittersFrame)->Unit(benchmark::kMicrosecond);

} // namespace
