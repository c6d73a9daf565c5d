// Sprite particles: the static pool and its stack, state integration copied into the node, the
// time-out behaviours and the release path back to the pool.
#include <gtest/gtest.h>

#include <set>

#include "SceneTestSupport.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZNameId.h"
#include "engine/scene/ZSpriteParticle.h"
#include "tests/support/ClockedScene.h"

namespace
{

class SpriteParticleTest : public SceneTest
{
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        ZSpriteParticle::InitPool();
        timer.frameDelta = 0.1;
        root = ZGroup::Create();
        tree->AddChild(root);
    }
    void TearDown() override
    {
        SceneTest::TearDown();
        EXPECT_EQ(ZSpriteParticle::GetPoolFreeCount(), ZSpriteParticle::kPoolSize) << "a particle was lost";
    }
    static bool Set(ZNode* node, const char* key, const char* value)
    {
        return node->SetProperty(ZNameId(key).Value(), key, value);
    }
    ZSpriteParticle* Spawn()
    {
        ZSpriteParticle* p = ZSpriteParticle::Allocate();
        p->SetState(new ZParticleEx());
        p->GetState()->running = true;
        root->AddChild(p);
        return p;
    }

    qvtest::TestClock clock;
    ZFrameTimer& timer = clock.timer;
    ZGroup* root = nullptr;
};

TEST_F(SpriteParticleTest, PoolHandsOutEachParticleOnceAndTakesEveryOneBack)
{
    std::set<ZSpriteParticle*> taken;
    for (int round = 0; round < 3; ++round)
    {
        for (int i = 0; i < ZSpriteParticle::kPoolSize; ++i)
        {
            ZSpriteParticle* p = ZSpriteParticle::Allocate();
            ASSERT_NE(p, nullptr);
            EXPECT_TRUE(p->IsActive());
            EXPECT_TRUE(p->TestFlags(kNodeRecycled));
            EXPECT_TRUE(taken.insert(p).second);
            root->AddChild(p);
            // Hidden and timed out last round; a reused particle starts clean.
            EXPECT_FALSE(p->IsHidden());
            EXPECT_EQ(p->GetState(), nullptr);
            p->SetState(new ZParticleEx());
            Set(p, "hideontimeout", "true");
            Set(p, "timeout", "0.05");
            p->GetState()->running = true;
        }
        EXPECT_EQ(ZSpriteParticle::Allocate(), nullptr) << "the empty pool refuses";
        tree->Update();
        for (ZSpriteParticle* p : taken)
        {
            EXPECT_TRUE(p->IsHidden());
            p->Release();
        }
        tree->Update();
        EXPECT_EQ(ZSpriteParticle::GetPoolFreeCount(), ZSpriteParticle::kPoolSize);
        EXPECT_EQ(root->GetChildCount(), 0u);
        taken.clear();
    }
}

TEST_F(SpriteParticleTest, ReleasingAParentReturnsItsPooledChildren)
{
    ZGroup* holder = ZGroup::Create();
    root->AddChild(holder);
    for (int i = 0; i < 10; ++i)
        holder->AddChild(ZSpriteParticle::Allocate());
    EXPECT_EQ(ZSpriteParticle::GetPoolFreeCount(), ZSpriteParticle::kPoolSize - 10);
    holder->Release();
    tree->Update();
    EXPECT_EQ(ZSpriteParticle::GetPoolFreeCount(), ZSpriteParticle::kPoolSize);
}

TEST_F(SpriteParticleTest, StateMotionReachesTheNode)
{
    ZSpriteParticle* p = Spawn();
    root->SetPositionXYZ(100.0f, 0.0f, 0.0f);
    p->SetPositionXYZ(100.0f, 50.0f, 0.0f);
    Set(p, "alphaspeed", "-2");
    p->SetVelocity({10.0f, 0.0f, 0.0f});
    for (int i = 0; i < 6; ++i)
        tree->Update();
    // World x 106 in a parent placed at x 100.
    EXPECT_NEAR(p->Position().x, 6.0f, 1e-4f);
    EXPECT_NEAR(p->Position().y, 50.0f, 1e-4f);
    EXPECT_NEAR(p->GetAlpha(), 0.0f, 1e-6f);
    EXPECT_FALSE(p->GetState()->flags & kParticleFading);
    p->Release();
    tree->Update();
}

TEST_F(SpriteParticleTest, ShrinkingToNothingHidesTheNode)
{
    ZSpriteParticle* p = Spawn();
    Set(p, "scalespeed", "-1");
    for (int i = 0; i < 9; ++i)
        tree->Update();
    EXPECT_FALSE(p->IsHidden());
    tree->Update();
    tree->Update();
    EXPECT_TRUE(p->IsHidden());
    EXPECT_FALSE(p->GetState()->flags & kParticleSizing);
    p->Release();
    tree->Update();
}

TEST_F(SpriteParticleTest, TimeOutActions)
{
    struct Case
    {
        const char* key;
        bool hidden, active, returned;
    };
    for (const Case& c :
         {Case{"hideontimeout", true, true, false}, Case{"inactiveontimeout", false, false, false},
          Case{"deleteontimeout", false, true, true}})
    {
        SCOPED_TRACE(c.key);
        ZSpriteParticle* p = Spawn();
        Set(p, c.key, "1");
        Set(p, "timeout", "1.5");
        const int before = ZSpriteParticle::GetPoolFreeCount();
        for (int i = 0; i < 14; ++i)
            tree->Update();
        EXPECT_FALSE(p->IsHidden());
        for (int i = 0; i < 2; ++i)
            tree->Update();
        EXPECT_EQ(ZSpriteParticle::GetPoolFreeCount() == before + 1, c.returned);
        if (!c.returned)
        {
            EXPECT_EQ(p->IsHidden(), c.hidden);
            EXPECT_EQ(p->IsActive(), c.active);
            p->Release();
            tree->Update();
        }
    }
}

TEST_F(SpriteParticleTest, HeapParticlesCopyTheirTemplateState)
{
    ZSpriteParticle* templ = ZSpriteParticle::Create();
    templ->GetState()->SetVelocity({0.0f, 3.0f, 0.0f});
    templ->deleteOnTimeout = true;
    ZSpriteParticle* p = ZSpriteParticle::Allocate();
    p->CopyFrom(templ);
    ASSERT_NE(p->GetState(), nullptr);
    EXPECT_NE(p->GetState(), templ->GetState());
    EXPECT_EQ(p->GetState()->velocity.y, 3.0f);
    EXPECT_TRUE(p->deleteOnTimeout);
    auto* clone = static_cast<ZSpriteParticle*>(templ->Clone());
    EXPECT_EQ(clone->GetState()->velocity.y, 3.0f);
    delete clone;
    delete templ;
    p->ReturnToPool();
    p->ReturnToPool();
}

} // namespace
