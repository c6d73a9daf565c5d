// Boid flocks: steering rules, the box (wrap and bounce), a long run that never leaves the box and
// a fixed seed that repeats a run.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZRandom.h"
#include "engine/scene/ZBoidGroup.h"
#include "engine/scene/ZSprite.h"
#include "scene/SceneTestSupport.h"
#include "tests/support/ClockedScene.h"

namespace
{

class BoidGroupTest : public qvtest::ClockedSceneTest
{
protected:
    // A flock of the map screen's template boids, scattered from a fixed seed.
    ZBoidGroup* MakeFlock(uint32_t seed, int count, bool wrap)
    {
        RandomSeed(seed);
        ZBoidGroup* group = ZBoidGroup::Create();
        tree->AddChild(group);
        group->SetBox({0, 0, 0}, {400, 300, 20});
        group->wrap = wrap;
        ZParticleBoid templ;
        templ.nearRadius = 10.0f;
        templ.farRadius = 75.0f;
        templ.viewCosine = 0.8f;
        templ.separationWeight = 0.5f;
        templ.alignmentWeight = 0.1f;
        templ.cohesionWeight = 1.0f;
        templ.goalWeight = 0.02f;
        templ.wanderWeight = 0.5f;
        templ.maximumSpeed = 5.0f;
        for (int i = 0; i < count; ++i)
        {
            ZSprite* s = ZSprite::Create(12.0f, 8.0f);
            ZParticleBoid* b = templ.Clone();
            b->position = {RandomRange(-200, 200), RandomRange(-150, 150), RandomRange(-10, 10)};
            b->velocity = {RandomRange(-5, 5), RandomRange(-5, 5), RandomRange(-1, 1)};
            group->AddBoid(s, b);
        }
        group->SetGoal({150, 100, 0});
        return group;
    }

    ZFrameTimer& m_timer = clock.timer;
};

TEST_F(BoidGroupTest, BoxWrapsOrBounces)
{
    struct Case
    {
        bool wrap;
        V3 start, velocity;
        V3 position, newVelocity;
    };
    const Case cases[] = {
        {true, {51, 0, 0}, {0, 0, 0}, {-49, 0, 0}, {0, 0, 0}},
        {false, {51, 0, 0}, {0, 0, 0}, {50, 0, 0}, {0, 0, 0}},
        {true, {40, 0, 0}, {20, 0, 0}, {-40, 0, 0}, {20, 0, 0}},
        {false, {40, 0, 0}, {20, 0, 0}, {50, 0, 0}, {-20, 0, 0}},
        {true, {0, -45, 0}, {0, -10, 0}, {0, 45, 0}, {0, -10, 0}},
        // z always bounces.
        {true, {0, 0, 45}, {0, 0, 10}, {0, 0, 50}, {0, 0, -10}},
    };
    for (const Case& c : cases)
    {
        ZBoidGroup* group = ZBoidGroup::Create();
        tree->AddChild(group);
        group->SetBox({0, 0, 0}, {100, 100, 100});
        group->wrap = c.wrap;
        ZGeom* node = ZGeom::Create();
        node->SetActive(true);
        group->AddNode(node);
        ZParticleBoid* b = group->FindBoid(node);
        ASSERT_NE(b, nullptr);
        b->separationWeight = b->alignmentWeight = b->cohesionWeight = 0.0f;
        b->position = c.start;
        b->velocity = c.velocity;
        Frame(1.0);
        EXPECT_FLOAT_EQ(b->position.x, c.position.x) << c.start.x << c.wrap;
        EXPECT_FLOAT_EQ(b->position.y, c.position.y);
        EXPECT_FLOAT_EQ(b->position.z, c.position.z);
        EXPECT_FLOAT_EQ(b->velocity.x, c.newVelocity.x);
        EXPECT_FLOAT_EQ(b->velocity.z, c.newVelocity.z);
        EXPECT_FLOAT_EQ(node->Position().x, c.position.x);
        group->Release();
        Frame(0.0);
    }
}

TEST_F(BoidGroupTest, SteeringRules)
{
    // A neighbour on the same point pushes off in a random direction with positive components.
    ZParticleBoid a, b;
    a.alignmentWeight = a.cohesionWeight = 0.0f;
    a.maximumSpeed = 1e9f;
    RandomSeed(3);
    std::vector<ZParticleBoid*> both{&a, &b};
    a.Steer(both);
    EXPECT_GT(a.velocity.x, 0.0f);
    EXPECT_GT(a.velocity.y, 0.0f);
    EXPECT_GT(a.velocity.z, 0.0f);
    EXPECT_NEAR(a.velocity.Length(), 2.0f, 1e-4f);

    // A speed of 200 is cut to 80 in the same direction.
    ZParticleBoid fast;
    fast.velocity = {120, 160, 0};
    std::vector<ZParticleBoid*> alone{&fast};
    fast.Steer(alone);
    EXPECT_NEAR(fast.velocity.x, 48.0f, 1e-3f);
    EXPECT_NEAR(fast.velocity.y, 64.0f, 1e-3f);

    // Neighbours: inside the near radius always, beyond the far one never, between by view.
    ZParticleBoid self;
    self.velocity = {1, 0, 0};
    ZParticleBoid other;
    struct Case
    {
        V3 at;
        bool neighbour;
    };
    const Case cases[] = {{{-40, 0, 0}, true},
                          {{-101, 0, 0}, false},
                          {{80, 0, 0}, true},
                          {{-80, 0, 0}, false},
                          {{0, 80, 0}, true}};
    for (const Case& c : cases)
    {
        other.position = c.at;
        EXPECT_EQ(self.IsNeighbour(other), c.neighbour) << c.at.x << "," << c.at.y;
    }

    // A stopped boid does not steer.
    ZParticleBoid idle;
    idle.running = false;
    idle.velocity = {500, 0, 0};
    idle.Steer(alone);
    EXPECT_FLOAT_EQ(idle.velocity.x, 500.0f);
}

TEST_F(BoidGroupTest, LongRunStaysInTheBoxAndASeedRepeatsIt)
{
    for (const bool wrap : {true, false})
    {
        std::vector<std::vector<V3>> runs;
        for (int run = 0; run < 2; ++run)
        {
            ZBoidGroup* group = MakeFlock(42, 24, wrap);
            std::vector<V3> trace;
            for (int frame = 0; frame < 1000; ++frame)
            {
                Frame(frame % 7 == 0 ? 0.5 : 1.0 / 60.0);
                for (ZParticleBoid* b : group->GetBoids())
                {
                    EXPECT_LE(b->velocity.Length(), 5.0f + 1e-4f);
                    const ZBoundingBox& box = group->GetBox();
                    ASSERT_TRUE(b->position.x >= box.min.x && b->position.x <= box.max.x) << frame;
                    ASSERT_TRUE(b->position.y >= box.min.y && b->position.y <= box.max.y) << frame;
                    ASSERT_TRUE(b->position.z >= box.min.z && b->position.z <= box.max.z) << frame;
                }
            }
            for (ZNode* c = group->GetFirstChild(); c; c = c->GetNextSibling())
            {
                if (ZParticleBoid* b = group->FindBoid(c))
                {
                    const V3 p = static_cast<ZGeom*>(c)->Position();
                    EXPECT_EQ(p.x, b->position.x);
                    trace.push_back(p);
                }
            }
            runs.push_back(trace);
            group->Release();
            Frame(0.0);
        }
        ASSERT_EQ(runs[0].size(), 24u);
        for (size_t i = 0; i < runs[0].size(); ++i)
        {
            EXPECT_EQ(runs[0][i].x, runs[1][i].x);
            EXPECT_EQ(runs[0][i].y, runs[1][i].y);
        }
    }
}

TEST_F(BoidGroupTest, RemovedNodeLeavesTheFlock)
{
    ZBoidGroup* group = MakeFlock(1, 3, true);
    ZNode* first = group->GetFirstChild();
    ASSERT_NE(group->FindBoid(first), nullptr);
    group->RemoveChild(first);
    EXPECT_EQ(group->FindBoid(first), nullptr);
    EXPECT_EQ(group->GetBoids().size(), 2u);
    delete first;
    Frame(0.1);
    delete group;
}

TEST_F(BoidGroupTest, ABoidIsAParticleStateThatSizesAndFades)
{
    ZBoidGroup* group = ZBoidGroup::Create();
    tree->AddChild(group);
    ZSprite* sprite = ZSprite::Create(12.0f, 8.0f);
    sprite->SetActive(true);
    group->AddNode(sprite);
    ZParticleBoid* boid = group->FindBoid(sprite);
    ASSERT_NE(boid, nullptr);
    ZParticleEx* state = boid;
    EXPECT_FLOAT_EQ(boid->GetRadius(), 12.0f);
    EXPECT_FLOAT_EQ(state->extra[0], 12.0f);
    boid->separationWeight = boid->alignmentWeight = boid->cohesionWeight = 0.0f;
    boid->velocity = {10.0f, 0.0f, 0.0f};
    state->SetAlphaSpeed(-2.0f);
    state->SetSizeSpeed({-1.0f, -1.0f});
    // The group's step is the particle's: motion, size and alpha together.
    Frame(0.25);
    EXPECT_FLOAT_EQ(boid->position.x, 2.5f);
    EXPECT_FLOAT_EQ(state->alpha, 0.5f);
    EXPECT_FLOAT_EQ(state->size.x, 0.75f);

    // A clone is a boid with every field; Reset brings the defaults back, running included.
    boid->goalWeight = 0.3f;
    ZParticle* copy = static_cast<ZParticle*>(boid)->Clone();
    auto* boidCopy = dynamic_cast<ZParticleBoid*>(copy);
    ASSERT_NE(boidCopy, nullptr);
    EXPECT_FLOAT_EQ(boidCopy->goalWeight, 0.3f);
    EXPECT_FLOAT_EQ(boidCopy->alpha, 0.5f);
    copy->Reset();
    EXPECT_FLOAT_EQ(boidCopy->goalWeight, 0.0f);
    EXPECT_FLOAT_EQ(boidCopy->alpha, 1.0f);
    EXPECT_FLOAT_EQ(boidCopy->nearRadius, 50.0f);
    EXPECT_TRUE(boidCopy->running);
    delete copy;
    group->Release();
    Frame(0.0);
}

} // namespace
