// Particle emitter: the record pool and its free list under every count factor, reproducible
// runs from a fixed seed, the emission rate and trail rules, and the area node's lifetime.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "SceneTestSupport.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZRandom.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "tests/support/ClockedScene.h"

namespace
{

class GoneWatcher : public INodeStateListener
{
public:
    void NodeGone(ZNode* node) override { gone.insert(node); }
    std::set<ZNode*> gone;
};

class EmitterTest : public SceneTest
{
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        timer.frameDelta = 1.0 / 60.0;
        g_particlesFactor.SetValue(1.0f);
        RandomSeed(1234);
    }
    void TearDown() override
    {
        g_particlesFactor.SetValue(1.0f);
        SceneTest::TearDown();
    }

    // Every free-list entry is a distinct free record inside the effective range, every record
    // beyond it is free, and alive + free = effective.
    static void ExpectConsistent(const ZParticleEmitterSystem& e)
    {
        const SParticleRecord* records = e.GetRecords();
        std::set<uint16_t> seen;
        for (uint32_t i = 0; i < e.GetFreeCount(); ++i)
        {
            const uint16_t index = e.GetFreeList()[i];
            ASSERT_LT(index, e.GetEffectiveCount());
            ASSERT_TRUE(seen.insert(index).second) << "index " << index << " listed twice";
            ASSERT_EQ(records[index].flags, 0);
        }
        uint32_t alive = 0;
        for (uint32_t i = 0; i < e.GetCapacity(); ++i)
        {
            if (records[i].flags & kParticleRecordAlive)
            {
                ASSERT_LT(i, e.GetEffectiveCount());
                ++alive;
            }
        }
        ASSERT_EQ(alive, e.GetAliveCount());
        ASSERT_EQ(alive + e.GetFreeCount(), e.GetEffectiveCount());
    }

    qvtest::TestClock clock;
    ZFrameTimer& timer = clock.timer;
    // A member, so that it outlives the tree's teardown.
    GoneWatcher watcher;
};

TEST_F(EmitterTest, PoolStaysConsistentAtEveryFactorAndTheStoppedEmitterIsFreed)
{
    for (float factor : {1.0f, 0.75f, 0.5f, 0.33f, 0.25f})
    {
        SCOPED_TRACE(factor);
        // A new emitter may take a freed one's address.
        watcher.gone.clear();
        g_particlesFactor.SetValue(1.0f);
        ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
        ASSERT_NE(emitter, nullptr);
        emitter->AddStateListener(&watcher);
        emitter->releaseOnStop = true;
        emitter->SetEmitterSegment({-50, -50, 0}, {50, 50, 0});
        emitter->SetRandomDirections(-90.0f, 90.0f);
        emitter->growthSpread = 0.2f;
        emitter->SetParticleCount(120);
        tree->AddChild(emitter);
        // Long enough for many generations of particles; the factor changes while they fly.
        for (int frame = 0; frame < 600; ++frame)
        {
            if (frame == 100)
                g_particlesFactor.SetValue(factor);
            if (frame == 300)
                emitter->SetIntensity(0.5f);
            if (frame == 400)
                emitter->SetIntensity(1.0f);
            if (frame % 7 == 0)
                emitter->MoveBy(3.0f, 1.0f, 0.0f);
            tree->Update();
            ExpectConsistent(*emitter);
            if (HasFatalFailure())
                return;
        }
        EXPECT_EQ(emitter->GetEffectiveCount(), uint32_t(120.0f * factor));
        EXPECT_GT(emitter->GetAliveCount(), 0u);
        EXPECT_GT(emitter->GetEmitted(), 3u * emitter->GetEffectiveCount());
        // Emission stops: the emitter deactivates once the last particle died, then releases.
        emitter->emitting = false;
        for (int frame = 0; frame < 200 && !watcher.gone.count(emitter); ++frame)
        {
            ExpectConsistent(*emitter);
            tree->Update();
        }
        EXPECT_TRUE(watcher.gone.count(emitter)) << "stopped emitter was never freed";
        EXPECT_EQ(tree->DeferredCount(), 0u);
    }
}

TEST_F(EmitterTest, TimedEmitterAtReducedFactorEmitsItsScaledCountOnceAndDeactivates)
{
    g_particlesFactor.SetValue(0.5f);
    for (float duration : {0.0f, 0.5f})
    {
        SCOPED_TRACE(duration);
        ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
        emitter->duration = duration;
        emitter->SetParticleCount(80);
        tree->AddChild(emitter);
        uint32_t aliveMax = 0;
        for (int frame = 0; frame < 200 && emitter->IsActive(); ++frame)
        {
            tree->Update();
            ExpectConsistent(*emitter);
            aliveMax = std::max(aliveMax, emitter->GetAliveCount());
        }
        EXPECT_EQ(emitter->GetEmitted(), 40u);
        EXPECT_FALSE(emitter->IsActive());
        EXPECT_EQ(emitter->GetAliveCount(), 0u);
        if (duration == 0.0f)
        {
            EXPECT_EQ(aliveMax, 40u);
        }
        emitter->Release();
        tree->Update();
    }
}

TEST_F(EmitterTest, TimedEmitterScaledToNothingEndsAtOnce)
{
    g_particlesFactor.SetValue(0.25f);
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    emitter->duration = 2.0f;
    emitter->releaseOnStop = true;
    emitter->SetParticleCount(3);
    tree->AddChild(emitter);
    emitter->AddStateListener(&watcher);
    tree->Update();
    EXPECT_TRUE(watcher.gone.count(emitter));
}

TEST_F(EmitterTest, OnlyTheScaledRangeOfRecordsIsUsed)
{
    g_particlesFactor.SetValue(0.5f);
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    emitter->lifeMinimum = emitter->lifeMaximum = 100.0f;
    emitter->SetParticleCount(80);
    tree->AddChild(emitter);
    for (int frame = 0; frame < 120; ++frame)
        tree->Update();
    EXPECT_EQ(emitter->GetEffectiveCount(), 40u);
    EXPECT_EQ(emitter->GetAliveCount(), 40u);
    for (uint32_t i = 40; i < 80; ++i)
        EXPECT_EQ(emitter->GetRecords()[i].flags, 0) << i;
}

TEST_F(EmitterTest, FixedSeedReproducesARun)
{
    auto run = [this](uint32_t seed)
    {
        RandomSeed(seed);
        ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
        emitter->SetEmitterSegment({-10, 20, 0}, {10, 80, 0});
        emitter->SetRandomDirections(-30.0f, 30.0f);
        emitter->growthSpread = 0.5f;
        emitter->jitterX = 4.0f;
        emitter->SetParticleCount(50);
        tree->AddChild(emitter);
        for (int frame = 0; frame < 90; ++frame)
            tree->Update();
        std::vector<float> state;
        for (uint32_t i = 0; i < emitter->GetCapacity(); ++i)
        {
            const SParticleRecord& r = emitter->GetRecords()[i];
            state.insert(state.end(), {float(r.flags), r.position.x, r.position.y, r.velocity.x, r.life,
                                       r.size, r.spin.m[0][1]});
        }
        emitter->Release();
        tree->Update();
        return state;
    };
    const std::vector<float> first = run(99);
    const std::vector<float> second = run(99);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, run(100));
}

TEST_F(EmitterTest, EndlessRateCarriesTheFractionFromFrameToFrame)
{
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    emitter->lifeMinimum = emitter->lifeMaximum = 100.0f;
    // 100 records at mean life 0.7: 142.86 per second, 71.43 in half a second.
    emitter->SetParticleCount(100);
    for (int frame = 0; frame < 50; ++frame)
        emitter->EmitForTime(0.01f);
    EXPECT_EQ(emitter->GetEmitted(), 71u);
    EXPECT_NEAR(emitter->emitRemainder, 0.43f, 0.01f);
    delete emitter;
}

TEST_F(EmitterTest, MovingEmitterLeavesAnEvenTrail)
{
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    emitter->SetParticleCount(8);
    emitter->lifeMinimum = emitter->lifeMaximum = 10.0f;
    tree->AddChild(emitter);
    emitter->Emit(4);
    emitter->SetPositionXYZ(8.0f, 0.0f, 0.0f);
    emitter->Emit(4);
    std::multiset<float> xs;
    for (uint32_t i = 4; i < 8; ++i)
        xs.insert(emitter->GetRecords()[i].position.x);
    EXPECT_EQ(xs, (std::multiset<float>{0.0f, 2.0f, 4.0f, 6.0f}));
}

TEST_F(EmitterTest, LoweringTheIntensityFreesParticlesAboveTheNewCount)
{
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    emitter->lifeMinimum = emitter->lifeMaximum = 10.0f;
    emitter->SetParticleCount(20);
    emitter->Emit(20);
    EXPECT_EQ(emitter->GetAliveCount(), 20u);
    emitter->SetIntensity(0.25f);
    EXPECT_EQ(emitter->GetLiveCount(), 5u);
    EXPECT_EQ(emitter->GetAliveCount(), 5u);
    for (uint32_t i = 5; i < 20; ++i)
        EXPECT_EQ(emitter->GetRecords()[i].flags, 0);
    emitter->SetIntensity(7.0f);
    EXPECT_EQ(emitter->intensity, 1.0f);
    EXPECT_EQ(emitter->GetLiveCount(), 20u);
    delete emitter;
}

TEST_F(EmitterTest, PrewarmRunsItsStepsOverOneSecond)
{
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    emitter->lifeMinimum = emitter->lifeMaximum = 100.0f;
    emitter->SetParticleCount(30);
    emitter->prewarmTime = 3.0f;
    emitter->prewarmStep = 1.0f;
    emitter->Prewarm();
    // Three steps of a third of a second: the oldest particles are one second old.
    float oldest = 0.0f;
    for (uint32_t i = 0; i < 30; ++i)
        oldest = std::max(oldest, emitter->GetRecords()[i].age);
    EXPECT_NEAR(oldest, 1.0f, 1e-5f);
    EXPECT_EQ(emitter->GetEmitted(), 42u);
    delete emitter;
}

TEST_F(EmitterTest, AreaNodeIsForgottenWhenDeletedAndAnEmptyAreaUsesItsOrigin)
{
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    emitter->SetParticleCount(10);
    emitter->lifeMinimum = emitter->lifeMaximum = 10.0f;
    ZGroup* area = ZGroup::Create();
    area->SetPositionXYZ(30.0f, -20.0f, 0.0f);
    tree->AddChild(area);
    tree->AddChild(emitter);
    emitter->SetTemplateNode(area);
    emitter->Emit(3);
    for (uint32_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(emitter->GetRecords()[i].position.x, 30.0f);
        EXPECT_EQ(emitter->GetRecords()[i].position.y, -20.0f);
    }
    delete area;
    EXPECT_EQ(emitter->GetTemplateNode(), nullptr);
    emitter->Emit(2);
    EXPECT_EQ(emitter->GetAliveCount(), 5u);
}

TEST_F(EmitterTest, FollowingAnAreaNodeStartsAndStopsEmission)
{
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    emitter->SetParticleCount(10);
    ZGroup* area = ZGroup::Create();
    tree->AddChild(area);
    tree->AddChild(emitter);
    emitter->followAreaNode = true;
    emitter->SetTemplateNode(area);
    area->SetActive(false);
    EXPECT_FALSE(emitter->emitting);
    emitter->SetActive(false);
    area->SetActive(true);
    EXPECT_TRUE(emitter->emitting);
    EXPECT_TRUE(emitter->IsActive());
}

TEST_F(EmitterTest, TemplatesAreCountedReferencesSpreadOverTheParticles)
{
    ZResourceManager::GetInstance();
    {
        ZMaterial first;
        ZMaterial second;
        ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
        EXPECT_TRUE(emitter->AddTemplate(&first));
        EXPECT_TRUE(emitter->AddTemplate(&second));
        EXPECT_EQ(first.GetRefCount(), 1);
        for (int i = 2; i < ZParticleEmitterSystem::kMaxTemplates; ++i)
            EXPECT_TRUE(emitter->AddTemplate(&second));
        EXPECT_FALSE(emitter->AddTemplate(&first)) << "a seventeenth template is refused";
        EXPECT_EQ(first.GetRefCount(), 1);
        emitter->SetParticleCount(64);
        emitter->lifeMinimum = emitter->lifeMaximum = 10.0f;
        emitter->Emit(64);
        int onFirst = 0;
        for (uint32_t i = 0; i < 64; ++i)
        {
            EXPECT_LT(emitter->GetRecords()[i].templateIndex, ZParticleEmitterSystem::kMaxTemplates);
            onFirst += emitter->GetRecords()[i].templateIndex == 0 ? 1 : 0;
        }
        EXPECT_GT(onFirst, 0);
        EXPECT_LT(onFirst, 64);
        delete emitter;
        EXPECT_EQ(first.GetRefCount(), 0);
        EXPECT_EQ(second.GetRefCount(), 0);
    }
    ZResourceManager::DestroyInstance();
}

} // namespace
