// Shake, halo and highlight on a hand-set frame clock: the shake's offsets and its exact return to
// rest, the halo's fade timeline, the highlight's orbit and its end after its particles, and what
// each leaves on its target.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/controllers/ZHaloController.h"
#include "engine/controllers/ZHighlight.h"
#include "engine/controllers/ZShakeController.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZRandom.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSprite.h"
#include "scene/RenderDoubles.h"
#include "scene/SceneTestSupport.h"
#include "tests/support/ClockedScene.h"

namespace
{

using namespace doubles;

Renderer* g_render = nullptr;

// Halo sprites with a material of their own, so that their alpha can be read back.
ZSprite* MakeTestHaloSprite(ZTextureResource*)
{
    return ZSprite::Create(100.0f, 100.0f, PIVOT_CENTER, M(g_render->NewMaterial("halo")));
}

class Gone : public INodeStateListener
{
public:
    void NodeGone(ZNode* node) override { gone.push_back(node); }
    std::vector<ZNode*> gone;
};

class ShakeHaloTest : public qvtest::ClockedSceneTest
{
protected:
    void SetUp() override
    {
        ClockedSceneTest::SetUp();
        m_timer.now = 10.0;
        RandomSeed(77);
        g_render = &render;
        m_savedFactory = g_makeHaloSprite;
        g_makeHaloSprite = MakeTestHaloSprite;
    }

public:
    void TearDown() override
    {
        ClockedSceneTest::TearDown();
        g_makeHaloSprite = m_savedFactory;
        g_render = nullptr;
    }
    ZSprite* AddSprite(float x, float y, float z, ZNode* parent = nullptr)
    {
        ZSprite* s = ZSprite::Create(60.0f, 40.0f);
        (parent ? parent : static_cast<ZNode*>(tree))->AddChild(s);
        s->SetPositionXYZ(x, y, z);
        return s;
    }

protected:
    Renderer render;
    ZSprite* (*m_savedFactory)(ZTextureResource*) = nullptr;
    ZFrameTimer& m_timer = clock.timer;
};

float ScaleOf(ZGeom* g)
{
    return g->Orientation().GetRow(0).Length();
}

// Positions of a whole shake run on a fresh seed.
std::vector<V3> RunShake(ShakeHaloTest* test, ZSprite* target, void (ShakeHaloTest::*frame)(double))
{
    std::vector<V3> path;
    ZShakeController* shake = ZShakeController::Create(target);
    shake->SetActive(true);
    for (int i = 0; i < 12 && shake->IsActive(); ++i)
    {
        (test->*frame)(0.05);
        path.push_back(target->Position());
    }
    shake->Release();
    return path;
}

TEST_F(ShakeHaloTest, ShakeStaysWithinItsShrinkingBoxAndReturnsToRestExactly)
{
    ZSprite* target = AddSprite(13.25f, -7.5f, 3.0f);
    ZShakeController* shake = ZShakeController::Create(target);
    EXPECT_FALSE(shake->IsActive());
    EXPECT_EQ(shake->GetDuration(), double(0.35f));
    EXPECT_FLOAT_EQ(shake->amplitude, 40.0f);
    shake->SetActive(true);

    int frames = 0;
    bool moved = false;
    while (shake->IsActive() && frames < 50)
    {
        Frame(0.05);
        ++frames;
        const float m = shake->amplitude * (1.0f - shake->GetT());
        const V3 p = target->Position();
        EXPECT_LE(std::fabs(p.x - 13.25f), m / 2.0f + 1e-4f) << frames;
        EXPECT_LE(std::fabs(p.y + 7.5f), m / 2.0f + 1e-4f) << frames;
        EXPECT_FLOAT_EQ(p.z, 3.0f);
        EXPECT_GE(ScaleOf(target), 1.0f - 1e-6f);
        moved = moved || p.x != 13.25f;
    }
    EXPECT_TRUE(moved);
    EXPECT_LT(frames, 50);
    // Back exactly where it was, at scale 1.
    EXPECT_EQ(target->Position().x, 13.25f);
    EXPECT_EQ(target->Position().y, -7.5f);
    EXPECT_EQ(target->Position().z, 3.0f);
    EXPECT_FLOAT_EQ(ScaleOf(target), 1.0f);

    // Cut short mid-run: rest position again.
    shake->SetActive(true);
    Frame(0.05);
    shake->SetActive(false);
    EXPECT_EQ(target->Position().x, 13.25f);
    EXPECT_EQ(target->Position().y, -7.5f);
    EXPECT_FLOAT_EQ(ScaleOf(target), 1.0f);
}

TEST_F(ShakeHaloTest, ShakeWithoutScaleAmplitudeKeepsTheScaleAndSeedRepeatsIt)
{
    ZSprite* target = AddSprite(0.0f, 0.0f, 0.0f);
    target->SetScale({2.0f, 2.0f, 2.0f});
    ZShakeController* shake = ZShakeController::Create(target);
    shake->scaleAmplitude = 0.0f;
    shake->SetActive(true);
    while (shake->IsActive())
    {
        Frame(0.05);
        EXPECT_FLOAT_EQ(ScaleOf(target), 2.0f);
    }
    EXPECT_FLOAT_EQ(ScaleOf(target), 2.0f);
    target->SetScale({1.0f, 1.0f, 1.0f});

    RandomSeed(5);
    const std::vector<V3> a = RunShake(this, target, &ShakeHaloTest::Frame);
    RandomSeed(5);
    const std::vector<V3> b = RunShake(this, target, &ShakeHaloTest::Frame);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
    {
        EXPECT_EQ(a[i].x, b[i].x);
        EXPECT_EQ(a[i].y, b[i].y);
    }
}

TEST_F(ShakeHaloTest, HaloFadeTimeline)
{
    ZSprite* target = AddSprite(0.0f, 0.0f, 0.0f);
    ZHaloController* halo = ZHaloController::Create(target);
    EXPECT_EQ(halo->GetParent(), target);
    EXPECT_FLOAT_EQ(halo->size.x, 60.0f);
    ZSprite* a = halo->CreateHaloSprite(nullptr, 1.0f, 2.0f, 0.8f);
    ZSprite* b = halo->CreateHaloSprite(nullptr, -2.0f, 1.0f, 0.4f);
    EXPECT_FLOAT_EQ(a->Position().z, 1.0f);
    EXPECT_FLOAT_EQ(b->Position().z, 2.0f);
    for (int i = 0; i < 3; ++i)
        halo->CreateHaloSprite(nullptr, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(halo->GetSpriteCount(), 4);

    halo->endTime = 1.0f;
    halo->SetActive(true);
    EXPECT_EQ(a->GetParent(), target);
    EXPECT_FLOAT_EQ(a->GetAlpha(), 0.0f);

    // Timer after each 0.125 s frame, and the share of its alpha each sprite shows.
    struct Row
    {
        float timer, share;
        bool active;
    };
    const Row rows[] = {
        {0.125f, 0.625f, true}, {0.25f, 1.0f, true}, {0.375f, 1.0f, true},  {0.5f, 1.0f, true},
        {0.625f, 1.0f, true},   {0.75f, 1.0f, true}, {0.875f, 1.0f, true},  {1.0f, 1.0f, true},
        {1.125f, 0.75f, true},  {1.25f, 0.5f, true}, {1.375f, 0.25f, true}, {1.5f, 0.0f, true},
        {1.625f, 0.0f, false},
    };
    for (const Row& r : rows)
    {
        Frame(0.125);
        EXPECT_FLOAT_EQ(halo->GetTimer(), r.timer);
        EXPECT_NEAR(a->GetAlpha(), 0.8f * r.share, 1e-6f) << r.timer;
        EXPECT_NEAR(b->GetAlpha(), 0.4f * r.share, 1e-6f) << r.timer;
        EXPECT_EQ(halo->IsActive(), r.active) << r.timer;
    }
    // Stopped: the sprites left the target, the halo stays for another run.
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_EQ(target->GetChildCount(), 1u);
    // The sprite keeps the scale it was made with while it turns.
    EXPECT_FLOAT_EQ(a->GetScale().x, 2.0f);
}

TEST_F(ShakeHaloTest, HaloWithoutEndRunsUntilStopNowAndHalfAlphaAtATenth)
{
    ZSprite* target = AddSprite(0.0f, 0.0f, 0.0f);
    ZHaloController* halo = ZHaloController::Create(target);
    halo->releaseSelfOnStop = true;
    ZSprite* a = halo->CreateHaloSprite(nullptr, 3.0f, 1.0f, 1.0f);
    halo->SetActive(true);
    Frame(0.1);
    EXPECT_NEAR(a->GetAlpha(), 0.5f, 1e-6f);
    for (int i = 0; i < 100; ++i)
        Frame(0.1);
    EXPECT_TRUE(halo->IsActive());
    EXPECT_FLOAT_EQ(a->GetAlpha(), 1.0f);
    // Turning at 3 rad/s on the engine clock.
    const float angle = float(3.0 * m_timer.now);
    EXPECT_NEAR(a->Orientation().GetRow(0).x, std::cos(angle), 1e-4f);
    EXPECT_NEAR(a->Orientation().GetRow(0).y, std::sin(angle), 1e-4f);

    Gone gone;
    a->AddStateListener(&gone);
    halo->AddStateListener(&gone);
    halo->stopNow = true;
    Frame(0.1);
    // Ended, released through the deferred deletion, taking its sprites with it.
    EXPECT_EQ(gone.gone.size(), 2u);
    EXPECT_EQ(target->GetChildCount(), 0u);
}

TEST_F(ShakeHaloTest, HaloAroundAnotherNodeSurvivesItsDeletion)
{
    ZGroup* layer = ZGroup::CreateNamed("layer");
    tree->AddChild(layer);
    layer->SetPositionXYZ(100.0f, 0.0f, 0.0f);
    ZSprite* source = AddSprite(30.0f, 40.0f, 0.0f);
    ZHaloController* halo = ZHaloController::Create(source, layer);
    EXPECT_EQ(halo->GetParent(), layer);
    ZSprite* a = halo->CreateHaloSprite(nullptr, 1.0f, 1.0f, 1.0f);
    halo->SetActive(true);
    // At the source's world point in the layer's space, lifted by 2.
    EXPECT_FLOAT_EQ(a->Position().x, -70.0f);
    EXPECT_FLOAT_EQ(a->Position().y, 40.0f);
    EXPECT_FLOAT_EQ(a->Position().z, 2.0f);

    delete source;
    EXPECT_EQ(halo->GetSizeSource(), nullptr);
    Frame(0.1);
    Frame(0.1);
    EXPECT_TRUE(halo->IsActive());

    // Deleting the target with the halo and its sprites under it frees each once.
    delete layer;
}

TEST_F(ShakeHaloTest, HighlightOrbitsFadesAndEndsOnlyAfterItsParticles)
{
    ZSprite* target = AddSprite(0.0f, 0.0f, 0.0f);
    ZHighlight* highlight = ZHighlight::Create(target);
    EXPECT_EQ(highlight->GetParent(), target);
    EXPECT_EQ(highlight->emission, 50);
    ZMaterial sparkMaterial;
    ZMaterial* spark = &sparkMaterial;
    highlight->AddTemplateToEmitters(spark);
    for (int i = 0; i < ZHighlight::kEmitterCount; ++i)
    {
        ZParticleEmitterSystem* emitter = highlight->GetEmitter(i);
        ASSERT_NE(emitter, nullptr);
        EXPECT_EQ(std::string(emitter->GetName()), "highlight_emitter_" + std::to_string(i));
        EXPECT_EQ(emitter->GetTemplate(0), spark);
        EXPECT_FALSE(emitter->IsActive());
    }
    ZSprite* extra = MakeTestHaloSprite(nullptr);
    ASSERT_TRUE(highlight->AddSprite(extra, 2.0f));
    highlight->endTime = 1.0f;
    highlight->SetActive(true);
    EXPECT_EQ(extra->GetParent(), target);
    EXPECT_FLOAT_EQ(extra->GetAlpha(), 0.0f);
    for (int i = 0; i < ZHighlight::kEmitterCount; ++i)
    {
        EXPECT_EQ(highlight->GetEmitter(i)->GetParent(), target);
        EXPECT_TRUE(highlight->GetEmitter(i)->IsActive());
    }

    // Three emitters a third of a turn apart on an ellipse of 0.7 x the size, plus the wobble.
    Frame(0.1);
    EXPECT_NEAR(extra->GetAlpha(), 0.5f, 1e-6f);
    const double now = m_timer.now;
    const float wobble = 5.0f * float(std::sin(now * 15.0));
    for (int i = 0; i < ZHighlight::kEmitterCount; ++i)
    {
        const double angle = i * 2.0943952 + now * 2.5;
        const V3 p = highlight->GetEmitter(i)->Position();
        EXPECT_NEAR(p.x, (0.7f * 60.0f + wobble) * std::cos(angle), 1e-3) << i;
        EXPECT_NEAR(p.y, (0.7f * 40.0f + wobble) * std::sin(angle), 1e-3) << i;
    }
    EXPECT_GT(highlight->GetEmitter(0)->GetAliveCount(), 0u);

    // After the end time the sprite fades over 0.5 s; the highlight ends once no emitter runs.
    bool endedWithEmittersRunning = false;
    int frames = 0;
    while (highlight->IsActive() && frames < 100)
    {
        Frame(0.1);
        ++frames;
        if (highlight->GetTimer() > 1.5f && highlight->GetTimer() < 1.55f)
        {
            EXPECT_NEAR(extra->GetAlpha(), 0.0f, 1e-6f);
        }
        bool running = false;
        for (int i = 0; i < ZHighlight::kEmitterCount; ++i)
            running = running || highlight->GetEmitter(i)->IsActive();
        if (running && !highlight->IsActive())
            endedWithEmittersRunning = true;
    }
    EXPECT_FALSE(endedWithEmittersRunning);
    EXPECT_FALSE(highlight->IsActive());
    EXPECT_GT(highlight->GetTimer(), 1.5f);
    EXPECT_LT(highlight->GetTimer(), 3.0f);
    EXPECT_EQ(target->GetChildCount(), 1u); // only the highlight itself
    EXPECT_EQ(highlight->GetEmitter(0)->GetParent(), nullptr);
    // The emitters hold the template: they go first.
    delete target;
    EXPECT_EQ(sparkMaterial.GetRefCount(), 0);
}

// The highlight takes at most four sprites; one deleted by someone else while the highlight rests
// is forgotten, so the next run and the highlight's own end touch only the others.
TEST_F(ShakeHaloTest, HighlightSpritesStopAtFourAndOneDeletedElsewhereIsForgotten)
{
    ZSprite* target = AddSprite(0.0f, 0.0f, 0.0f);
    ZHighlight* highlight = ZHighlight::Create(target);
    ZSprite* sprites[ZHighlight::kMaxSprites] = {};
    for (ZSprite*& sprite : sprites)
    {
        sprite = MakeTestHaloSprite(nullptr);
        ASSERT_TRUE(highlight->AddSprite(sprite, 1.0f));
    }
    ZSprite* fifth = MakeTestHaloSprite(nullptr);
    EXPECT_FALSE(highlight->AddSprite(fifth, 1.0f));
    EXPECT_FALSE(highlight->AddSprite(nullptr, 1.0f));
    EXPECT_EQ(highlight->GetSpriteCount(), ZHighlight::kMaxSprites);
    delete fifth;

    delete sprites[1];
    EXPECT_EQ(highlight->GetSprite(1), nullptr);
    highlight->SetActive(true);
    Frame(0.1);
    for (int i : {0, 2, 3})
        EXPECT_EQ(sprites[i]->GetParent(), target) << i;
    EXPECT_NEAR(sprites[0]->GetAlpha(), 0.5f, 1e-6f);

    Gone gone;
    sprites[0]->AddStateListener(&gone);
    delete highlight;
    EXPECT_EQ(gone.gone.size(), 1u) << "the highlight deletes the sprites it still holds";
}

TEST_F(ShakeHaloTest, HighlightAroundAnotherNodeSurvivesItsDeletion)
{
    ZGroup* layer = ZGroup::CreateNamed("layer");
    tree->AddChild(layer);
    layer->SetPositionXYZ(100.0f, 0.0f, 0.0f);
    ZSprite* source = AddSprite(30.0f, 40.0f, 0.0f);
    ZHighlight* highlight = ZHighlight::Create(layer);
    highlight->SetSizeSource(source);
    highlight->wobbleAmplitude = 0.0f;
    highlight->SetActive(true);
    // At the source's world point in the layer's space, 2 below it.
    EXPECT_FLOAT_EQ(highlight->GetEmitter(0)->Position().x, -70.0f);
    EXPECT_FLOAT_EQ(highlight->GetEmitter(0)->Position().z, -2.0f);

    delete source;
    EXPECT_EQ(highlight->GetSizeSource(), nullptr);
    Frame(0.1);
    // Without a size source: around the target's origin at the default size.
    const double angle = m_timer.now * 2.5;
    EXPECT_NEAR(highlight->GetEmitter(0)->Position().x, 70.0f * std::cos(angle), 1e-3);
    EXPECT_TRUE(highlight->IsActive());

    // Deleting the target with the highlight and its emitters under it frees each once.
    delete layer;
}

} // namespace
