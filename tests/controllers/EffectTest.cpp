// Appearance effects, fades and pop-up text on a hand-set engine clock: each effect's timeline
// frame by frame, how it ends, its events and end actions, and what it leaves on its target.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "engine/controllers/ZFadeIn.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/controllers/ZPopupTextController.h"
#include "engine/core/ZEasing.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZRandom.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSprite.h"
#include "scene/RenderDoubles.h"
#include "scene/SceneTestSupport.h"
#include "tests/support/ClockedScene.h"

namespace
{

using namespace doubles;

class Events : public ZTransientListener
{
public:
    void Started(ZControllerBase*) override { log.push_back("Started"); }
    void Ended(ZControllerBase*) override { log.push_back("Ended"); }
    std::vector<std::string> log;
};

// Records the deletion of the nodes it watches.
class Gone : public INodeStateListener
{
public:
    void Watch(ZNode* node) { node->AddStateListener(this); }
    void NodeGone(ZNode* node) override { gone.push_back(node); }
    bool Saw(ZNode* node) const { return std::find(gone.begin(), gone.end(), node) != gone.end(); }
    std::vector<ZNode*> gone;
};

class EffectTest : public qvtest::ClockedSceneTest
{
protected:
    void SetUp() override
    {
        ClockedSceneTest::SetUp();
        m_timer.now = 10.0;
        m_timer.frameDelta = 0.0;
        RandomSeed(1234);
    }
    double Now() const { return m_timer.now; }

    ZSprite* MakeSprite(float w, float h, const char* name = "sprite")
    {
        ZSprite* s = ZSprite::Create(w, h, PIVOT_CENTER, M(render.NewMaterial(name)));
        s->SetName(name);
        return s;
    }
    ZGroup* MakeGroup(const char* name, ZNode* parent = nullptr)
    {
        ZGroup* g = ZGroup::CreateNamed(name);
        (parent ? parent : static_cast<ZNode*>(tree))->AddChild(g);
        return g;
    }

    Renderer render;
    ZFrameTimer& m_timer = clock.timer;
};

float ScaleX(const ZNode* node)
{
    return static_cast<const ZGeom*>(node)->Orientation().m[0][0];
}
float ScaleY(const ZNode* node)
{
    return static_cast<const ZGeom*>(node)->Orientation().m[1][1];
}
float Opacity(ZSprite* sprite)
{
    return sprite->GetAlpha();
}

// ZFlicker

TEST_F(EffectTest, FlickerRunsItsTimeAndRestoresTheHiddenState)
{
    for (const bool hiddenAtCreate : {false, true})
    {
        ZGroup* target = MakeGroup("target");
        target->SetHidden(hiddenAtCreate);
        ZFlicker* flicker = ZFlicker::Create(target);
        EXPECT_EQ(flicker->GetParent(), target);
        EXPECT_FALSE(flicker->IsActive());
        EXPECT_EQ(flicker->savedHidden, hiddenAtCreate);
        EXPECT_DOUBLE_EQ(flicker->GetDuration(), 1.0);
        Events events;
        flicker->AddListener(static_cast<ZTransientListener*>(&events));
        flicker->SetReleaseSelfAtEnd(true);
        Gone gone;
        gone.Watch(flicker);

        flicker->SetActive(true);
        // Random steps: both states show up within the second.
        int hiddenFrames = 0, shownFrames = 0;
        int frames = 0;
        // The run ends and the flicker is gone in the same frame.
        while (!gone.Saw(flicker) && frames < 100)
        {
            Frame(0.05);
            ++frames;
            if (!gone.Saw(flicker))
                (target->IsHidden() ? hiddenFrames : shownFrames)++;
        }
        EXPECT_EQ(frames, 20) << hiddenAtCreate;
        EXPECT_GT(hiddenFrames, 0);
        EXPECT_GT(shownFrames, 0);
        EXPECT_EQ(events.log, std::vector<std::string>{"Ended"});
        // Whatever the last step chose, the state of creation is back, and the end action
        // released the flicker through the deferred deletion.
        EXPECT_EQ(target->IsHidden(), hiddenAtCreate);
        EXPECT_TRUE(gone.Saw(flicker));
        EXPECT_EQ(target->GetChildCount(), 0u);
        target->Release();
        Frame(0.0);
    }
}

// ZBlink

TEST_F(EffectTest, BlinkTogglesEveryIntervalCarryingTheOvershoot)
{
    struct Case
    {
        double dt;
        int frames;
        std::vector<int> toggleFrames;
    };
    const Case cases[] = {
        // A remaining time of exactly 0 counts as run out: 0.5 s, 1.0 s, 1.5 s.
        {0.25, 6, {2, 4, 6}},
        // 0.75 s, 1.125 s, 1.5 s.
        {0.375, 4, {2, 3, 4}},
        // A frame longer than the interval toggles once, never twice.
        {0.7, 4, {1, 2, 3, 4}},
    };
    for (const Case& c : cases)
    {
        ZGroup* target = MakeGroup("target");
        target->SetHidden(true);
        ZBlink* blink = ZBlink::Create(target);
        // Started shows the target; the blink lives under the controllers group.
        EXPECT_TRUE(blink->IsActive());
        EXPECT_EQ(blink->GetParent(), tree->GetControllersGroup());
        EXPECT_FALSE(target->IsHidden());
        std::vector<int> toggles;
        bool hidden = target->IsHidden();
        for (int f = 1; f <= c.frames; ++f)
        {
            Frame(c.dt);
            if (target->IsHidden() != hidden)
                toggles.push_back(f);
            hidden = target->IsHidden();
        }
        EXPECT_EQ(toggles, c.toggleFrames) << "dt " << c.dt;
        // Stopping shows the target again.
        target->SetHidden(true);
        blink->SetActive(false);
        EXPECT_FALSE(target->IsHidden());
        blink->Release();
        target->Release();
        Frame(0.0);
    }
}

TEST_F(EffectTest, BlinkCanToggleTheActiveFlag)
{
    ZGroup* target = MakeGroup("target");
    ZBlink* blink = ZBlink::Create(target);
    blink->toggleActive = true;
    Frame(0.5);
    EXPECT_FALSE(target->IsActive());
    EXPECT_FALSE(target->IsHidden());
    Frame(0.5);
    EXPECT_TRUE(target->IsActive());
    Frame(0.5);
    blink->SetActive(false);
    EXPECT_TRUE(target->IsActive());
}

// ZScaleInto and ZScaleOutFrom: a target whose child sprite is twice the shown size of the other
// node.

class ScaleEffectTest : public EffectTest
{
protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        target = MakeGroup("target");
        target->SetPositionXYZ(-50.0f, 20.0f, 5.0f);
        child = MakeSprite(200.0f, 200.0f, "child");
        target->AddChild(child);
        other = MakeSprite(50.0f, 100.0f, "other");
        other->SetSpriteScale({2.0f, 1.0f});
        other->SetPositionXYZ(150.0f, 120.0f, 40.0f);
        tree->AddChild(other);
    }
    // The eased value of the frame at `elapsed` seconds of a 0.6 s run.
    static float Eased(double elapsed) { return EaseOutCubicQuartic(float(elapsed / 0.6)); }

    ZGroup* target = nullptr;
    ZSprite* child = nullptr;
    ZSprite* other = nullptr;
};

TEST_F(ScaleEffectTest, ScaleIntoShrinksFliesAndFadesThenResets)
{
    ZScaleInto* effect = ZScaleInto::Create(target);
    EXPECT_EQ(effect->GetParent(), target);
    EXPECT_FALSE(effect->IsActive());
    effect->otherNode = other;
    Events events;
    effect->AddListener(static_cast<ZTransientListener*>(&events));
    target->SetActive(false);

    effect->SetActive(true);
    EXPECT_TRUE(target->IsActive());
    EXPECT_EQ(effect->endScale, (V2{0.5f, 0.5f}));
    EXPECT_EQ(effect->startPosition, (V4{-50.0f, 20.0f, 5.0f, 0.0f}));
    EXPECT_EQ(effect->endPosition, (V4{150.0f, 120.0f, 5.0f, 0.0f}));
    EXPECT_FLOAT_EQ(ScaleX(target), 1.0f);

    double elapsed = 0.0;
    bool sawOpaqueLate = false;
    while (events.log.empty() && elapsed < 2.0)
    {
        Frame(0.05);
        elapsed += 0.05;
        const float t = events.log.empty() ? Eased(elapsed) : 1.0f;
        EXPECT_NEAR(ScaleX(target), 0.5f + 0.5f * (1.0f - t), 1e-5f) << elapsed;
        EXPECT_NEAR(ScaleY(target), 0.5f + 0.5f * (1.0f - t), 1e-5f) << elapsed;
        EXPECT_NEAR(target->Position().x, -50.0f + 200.0f * t, 1e-3f) << elapsed;
        EXPECT_NEAR(target->Position().y, 20.0f + 100.0f * t, 1e-3f) << elapsed;
        EXPECT_FLOAT_EQ(target->Position().z, 5.0f);
        // Opaque until the eased t reaches 0.8, transparent at 1.
        const float expected = t <= 0.8f ? 1.0f : 1.0f - (t - 0.8f) / 0.2f;
        EXPECT_NEAR(Opacity(child), expected, 1e-4f) << elapsed;
        if (t > 0.7f && t <= 0.8f)
            sawOpaqueLate = Opacity(child) == 1.0f;
    }
    EXPECT_TRUE(sawOpaqueLate);
    EXPECT_EQ(events.log, std::vector<std::string>{"Ended"});
    EXPECT_FLOAT_EQ(Opacity(child), 0.0f);

    // The next frame stops it: back where it started, unscaled and inactive.
    Frame(0.05);
    EXPECT_FALSE(effect->IsActive());
    EXPECT_FALSE(target->IsActive());
    EXPECT_EQ(target->Position(), (V3{-50.0f, 20.0f, 5.0f}));
    EXPECT_FLOAT_EQ(ScaleX(target), 1.0f);
    EXPECT_FLOAT_EQ(ScaleY(target), 1.0f);
}

TEST_F(ScaleEffectTest, ScaleOutFromGrowsAndFadesInOverItsFirstPart)
{
    ZScaleOutFrom* effect = ZScaleOutFrom::Create(target);
    effect->otherNode = other;
    effect->SetActive(true);
    EXPECT_EQ(effect->startScale, (V2{0.5f, 0.5f}));
    EXPECT_EQ(effect->startPosition, (V4{150.0f, 120.0f, 5.0f, 0.0f}));
    EXPECT_EQ(effect->endPosition, (V4{-50.0f, 20.0f, 5.0f, 0.0f}));
    // At t = 0: small, over the other node, transparent.
    EXPECT_FLOAT_EQ(ScaleX(target), 0.5f);
    EXPECT_EQ(target->Position(), (V3{150.0f, 120.0f, 5.0f}));
    EXPECT_FLOAT_EQ(Opacity(child), 0.0f);

    for (double elapsed = 0.05; elapsed < 0.5; elapsed += 0.05)
    {
        Frame(0.05);
        const float t = Eased(elapsed);
        EXPECT_NEAR(ScaleX(target), 0.5f + 0.5f * t, 1e-5f);
        EXPECT_NEAR(Opacity(child), std::min(t / 0.4f, 1.0f), 1e-4f);
    }
    while (effect->IsActive())
        Frame(0.05);
    EXPECT_TRUE(target->IsActive());
    EXPECT_EQ(target->Position(), (V3{-50.0f, 20.0f, 5.0f}));
    EXPECT_FLOAT_EQ(ScaleX(target), 1.0f);
    EXPECT_FLOAT_EQ(Opacity(child), 1.0f);
}

TEST_F(ScaleEffectTest, WithoutAnOtherNodeOrASizeTheScaleStaysOne)
{
    // No other node: nothing to match, nowhere to fly.
    ZScaleInto* into = ZScaleInto::Create(target);
    into->SetActive(true);
    Frame(0.3);
    EXPECT_FLOAT_EQ(ScaleX(target), 1.0f);
    EXPECT_EQ(target->Position(), (V3{-50.0f, 20.0f, 5.0f}));
    into->SetActive(false);
    into->Release();

    // A flat target (a line) matches on the axis it has only.
    child->SetSize(200.0f, 0.0f);
    ZScaleOutFrom* out = ZScaleOutFrom::Create(target);
    out->otherNode = other;
    out->SetActive(true);
    EXPECT_EQ(out->startScale, (V2{0.5f, 1.0f}));
    EXPECT_TRUE(std::isfinite(ScaleY(target)));

    // The other node deleted before the next start is forgotten, not read.
    out->SetActive(false);
    delete other;
    other = nullptr;
    EXPECT_EQ(out->otherNode, nullptr);
    out->SetActive(true);
    EXPECT_EQ(out->startPosition, out->endPosition);
}

// ZPulsateController

TEST_F(EffectTest, PulsateWavesScaleAndAlpha)
{
    ZSprite* sprite = MakeSprite(10.0f, 10.0f);
    tree->AddChild(sprite);
    ZPulsateController* pulse = ZPulsateController::Create(sprite);
    EXPECT_EQ(pulse->GetParent(), sprite);
    EXPECT_TRUE(pulse->IsActive());

    // Defaults: scale 1 +- 0.25 and alpha 0.8 +- 0.2, period 2 s; sampled at 100 fps.
    struct Sample
    {
        int frame;
        float scale;
        float alpha;
    };
    const Sample samples[] = {
        {50, 1.25f, 1.0f},
        {100, 1.0f, 0.8f},
        {150, 0.75f, 0.6f},
        {200, 1.0f, 0.8f},
    };
    int frame = 0;
    float minScale = 2.0f, maxScale = 0.0f;
    for (const Sample& s : samples)
    {
        while (frame < s.frame)
        {
            Frame(0.01);
            ++frame;
            minScale = std::min(minScale, ScaleX(sprite));
            maxScale = std::max(maxScale, ScaleX(sprite));
        }
        EXPECT_NEAR(ScaleX(sprite), s.scale, 1e-3f) << s.frame;
        EXPECT_NEAR(Opacity(sprite), s.alpha, 1e-3f) << s.frame;
    }
    EXPECT_NEAR(minScale, 0.75f, 1e-3f);
    EXPECT_NEAR(maxScale, 1.25f, 1e-3f);

    // A fade-out: alpha falls linearly to 0 and stays there.
    pulse->alphaAmplitude = 0.0f;
    pulse->alphaBase = 1.0f;
    pulse->fadeTime = 0.5f;
    pulse->fadeRemaining = 0.5f;
    Frame(0.25);
    EXPECT_NEAR(Opacity(sprite), 0.5f, 1e-5f);
    Frame(0.5);
    EXPECT_FLOAT_EQ(Opacity(sprite), 0.0f);
    Frame(0.5);
    EXPECT_FLOAT_EQ(Opacity(sprite), 0.0f);

    // Stop: unit scale.
    pulse->SetActive(false);
    EXPECT_FLOAT_EQ(ScaleX(sprite), 1.0f);
}

TEST_F(EffectTest, PulsateOptionsAndOffsetBlending)
{
    ZSprite* sprite = MakeSprite(10.0f, 10.0f);
    tree->AddChild(sprite);
    sprite->SetAlpha(0.3f);
    ZPulsateController* pulse = ZPulsateController::Create(sprite);
    // Alpha only: scale amplitude 0 keeps the scale at its base; no alpha wave leaves alpha alone.
    pulse->scaleAmplitude = 0.0f;
    pulse->scaleBase = 1.5f;
    pulse->alphaAmplitude = 0.0f;
    Frame(0.3);
    EXPECT_FLOAT_EQ(ScaleX(sprite), 1.5f);
    EXPECT_FLOAT_EQ(Opacity(sprite), 0.3f);
    // A fade length of 0 with a remaining time is no fade (it would divide by nothing).
    pulse->fadeRemaining = 0.2f;
    Frame(0.1);
    EXPECT_FLOAT_EQ(Opacity(sprite), 0.3f);

    // Offset blending: about 63 % of the step after one blend time, then a snap within 1/8192.
    pulse->scaleOffsetTarget = 1.0f;
    for (int i = 0; i < 100; ++i)
        Frame(0.01);
    EXPECT_NEAR(pulse->scaleOffset, 0.634f, 0.01f);
    for (int i = 0; i < 2000 && pulse->scaleOffset != 1.0f; ++i)
        Frame(0.01);
    EXPECT_EQ(pulse->scaleOffset, 1.0f);
}

// ZPulseController

TEST_F(EffectTest, PulseSpringsOnceAndEndsAtUnitScale)
{
    ZSprite* sprite = MakeSprite(10.0f, 10.0f);
    tree->AddChild(sprite);
    ZPulseController* pulse = ZPulseController::Create(sprite);
    EXPECT_EQ(pulse->GetParent(), sprite);
    EXPECT_FALSE(pulse->IsActive());
    Events events;
    pulse->AddListener(&events);

    pulse->SetActive(true);
    EXPECT_EQ(events.log, std::vector<std::string>{"Started"});
    // 80 frames per second.
    float peak = 0.0f, peakTime = 0.0f, dip = 2.0f, dipTime = 0.0f;
    float time = 0.0f;
    while (pulse->IsActive() && time < 5.0f)
    {
        Frame(0.0125);
        time += 0.0125f;
        if (!pulse->IsActive())
            break;
        if (ScaleX(sprite) > peak)
            peak = ScaleX(sprite), peakTime = time;
        if (time < 0.5f && ScaleX(sprite) < dip)
            dip = ScaleX(sprite), dipTime = time;
    }
    EXPECT_NEAR(peak, 1.27f, 0.02f);
    EXPECT_NEAR(peakTime, 0.06f, 0.02f);
    EXPECT_NEAR(dip, 0.94f, 0.02f);
    EXPECT_NEAR(dipTime, 0.24f, 0.03f);
    EXPECT_GT(time, 1.0f);
    EXPECT_LT(time, 2.0f);
    EXPECT_EQ(ScaleX(sprite), 1.0f);
    EXPECT_TRUE(pulse->IsFinished() == false);
    EXPECT_EQ(events.log, std::vector<std::string>{"Started"});
}

TEST_F(EffectTest, PulseStepsAreCappedAndTheRunIsLimited)
{
    ZSprite* sprite = MakeSprite(10.0f, 10.0f);
    tree->AddChild(sprite);
    ZPulseController* pulse = ZPulseController::Create(sprite);
    pulse->SetActive(true);
    // A 0.1 s frame integrates 0.05 s: v = 10 - 150 x 0.05 = 2.5, d = 2.5 x 0.05.
    Frame(0.1);
    EXPECT_FLOAT_EQ(ScaleX(sprite), 1.125f);

    // An undamped spring never settles: the time limit ends it, and scale 1 is the last word.
    pulse->damping = 0.0f;
    pulse->SetActive(false);
    pulse->SetActive(true);
    int frames = 0;
    while (pulse->IsActive() && frames < 1000)
    {
        Frame(0.01);
        ++frames;
    }
    EXPECT_NEAR(frames, 200, 1);
    EXPECT_EQ(ScaleX(sprite), 1.0f);
}

// Fades

// ZFlash

TEST_F(EffectTest, FlashFadesItsTargetBesideABurstThatEndsIt)
{
    // Alpha of the target at the engine time since the start (0.025 s frames); the flash ends
    // once its burst is over, leaving the target shown or not as the fade left it, at alpha 1.
    struct Case
    {
        bool fadeIn;
        std::vector<std::pair<float, float>> alphaAt; // (seconds since start, alpha)
        bool activeAfter;
    };
    const Case cases[] = {
        {false, {{0.05f, 1.0f}, {0.15f, 1.0f}, {0.275f, 0.5f}, {0.4f, 0.0f}}, false},
        {true, {{0.05f, 0.2f}, {0.125f, 0.5f}, {0.25f, 1.0f}, {0.4f, 1.0f}}, true},
    };
    for (const Case& c : cases)
    {
        ZGroup* layer = MakeGroup("layer");
        ZSprite* target = MakeSprite(40, 40, "target");
        layer->AddChild(target);
        if (c.fadeIn)
            target->SetActive(false);
        ZMaterial sparkMaterial;
        ZMaterial* spark = &sparkMaterial;
        ZFlash* flash = ZFlash::Create(target, spark);
        Events events;
        flash->AddListener(&events);
        ASSERT_NE(flash->GetEmitter(), nullptr);
        EXPECT_EQ(flash->GetEmitter()->GetTemplate(0), spark);
        EXPECT_EQ(flash->GetParent(), tree->GetControllersGroup());
        // The doubles' materials have no texture to pick spawn points by.
        flash->GetEmitter()->pickByAlpha = false;
        if (c.fadeIn)
        {
            flash->SetActive(false);
            EXPECT_FALSE(target->IsActive());
            flash->fadeIn = true;
            flash->SetActive(true);
            EXPECT_EQ(events.log, std::vector<std::string>{"Started"});
            EXPECT_FLOAT_EQ(Opacity(target), 0.0f);
        }
        EXPECT_TRUE(target->IsActive());
        // The burst is drawn beside the target, around it.
        EXPECT_EQ(flash->GetEmitter()->GetParent(), layer);
        EXPECT_EQ(flash->GetEmitter()->GetTemplateNode(), target);

        size_t next = 0;
        int frames = 0;
        while (flash->IsActive() && frames < 400)
        {
            Frame(0.025);
            ++frames;
            const float e = float(frames) * 0.025f;
            if (next < c.alphaAt.size() && std::fabs(e - c.alphaAt[next].first) < 1e-4f)
            {
                EXPECT_NEAR(Opacity(target), c.alphaAt[next].second, 1e-3f) << c.fadeIn << " at " << e;
                ++next;
            }
        }
        EXPECT_EQ(next, c.alphaAt.size());
        EXPECT_FALSE(flash->IsActive()) << c.fadeIn;
        // The particles lived up to 1.3 x 0.4 s after a burst of 0.16 s.
        EXPECT_GE(frames, 20);
        EXPECT_LE(frames, 30);
        EXPECT_EQ(target->IsActive(), c.activeAfter);
        EXPECT_FLOAT_EQ(Opacity(target), 1.0f);
        EXPECT_EQ(flash->GetEmitter()->GetParent(), nullptr);
        EXPECT_EQ(layer->GetChildCount(), 1u);
        flash->RemoveListener(&events);
        flash->Release();
        layer->Release();
        Frame(0.0);
    }
}

TEST_F(EffectTest, FlashSurvivesItsSurroundingsGoingFirst)
{
    // The target's parent deletes the burst along with itself: the flash forgets it.
    ZGroup* layer = MakeGroup("layer");
    ZSprite* target = MakeSprite(40, 40, "target");
    layer->AddChild(target);
    ZFlash* flash = ZFlash::Create(target, nullptr);
    Gone gone;
    gone.Watch(flash->GetEmitter());
    ZNode* emitter = flash->GetEmitter();
    delete layer;
    EXPECT_TRUE(gone.Saw(emitter));
    EXPECT_EQ(flash->GetEmitter(), nullptr);
    EXPECT_EQ(flash->GetTarget(), nullptr);
    Frame(0.1);
    EXPECT_FALSE(flash->IsActive());
    delete flash;

    // A target without a parent gets no burst; zero times divide nothing.
    ZSprite* loose = MakeSprite(40, 40, "loose");
    ZFlash* bare = ZFlash::Create(loose, nullptr);
    EXPECT_EQ(bare->GetEmitter()->GetParent(), nullptr);
    bare->SetActive(false);
    bare->fadeIn = true;
    bare->fadeTime = 0.0f;
    bare->lifetime = 0.0f;
    bare->SetActive(true);
    Frame(0.05);
    EXPECT_FLOAT_EQ(Opacity(loose), 1.0f);
    EXPECT_FALSE(bare->IsActive());
    delete bare;
    delete loose;
}

class FadeTest : public EffectTest
{
protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        panel = MakeGroup("panel");
        a = MakeSprite(10, 10, "a");
        b = MakeSprite(10, 10, "b");
        hidden = MakeSprite(10, 10, "hidden");
        hidden->SetHidden(true);
        hidden->SetAlpha(0.7f);
        text = ZFontText::Create(nullptr);
        text->SetActive(false);
        text->SetAlphaField(0.7f);
        panel->AddChild(a);
        panel->AddChild(b);
        panel->AddChild(hidden);
        panel->AddChild(text);
    }
    void ExpectPanelAlpha(float alpha, const char* when)
    {
        EXPECT_FLOAT_EQ(Opacity(a), alpha) << when;
        EXPECT_FLOAT_EQ(Opacity(b), alpha) << when;
        EXPECT_FLOAT_EQ(Opacity(hidden), 0.7f) << when;
        EXPECT_FLOAT_EQ(text->GetAlpha(), 0.7f) << when;
    }

    ZGroup* panel = nullptr;
    ZSprite* a = nullptr;
    ZSprite* b = nullptr;
    ZSprite* hidden = nullptr;
    ZFontText* text = nullptr;
};

TEST_F(FadeTest, FadeInAndOutReachTheirEndExactlyAndStop)
{
    struct Case
    {
        const char* what;
        ZInterpolateBase* (*make)(ZNode*);
        double duration;
        float startAlpha;
        float endAlpha;
    };
    const Case cases[] = {
        {"fade in", [](ZNode* n) -> ZInterpolateBase* { return ZFadeIn::Create(n); }, double(0.3f), 0.0f,
         1.0f},
        {"fade out", [](ZNode* n) -> ZInterpolateBase* { return ZFadeOut::Create(n); }, 0.5, 1.0f, 0.0f},
    };
    for (const Case& c : cases)
    {
        ZInterpolateBase* fade = c.make(panel);
        EXPECT_EQ(fade->GetParent(), panel) << c.what;
        EXPECT_TRUE(fade->IsActive()) << c.what;
        EXPECT_DOUBLE_EQ(fade->GetDuration(), c.duration) << c.what;
        // The usual pattern: stop it at once, listen, begin when the panel is to change.
        fade->SetActive(false);
        ExpectPanelAlpha(1.0f, c.what);
        Events events;
        fade->AddListener(static_cast<ZTransientListener*>(&events));
        fade->Begin();
        ExpectPanelAlpha(c.startAlpha, c.what);

        // Eased through the curve: at 0.1 s the alpha is the eased fraction of the run.
        Frame(0.1);
        const float eased = EaseOutCubicQuartic(float(0.1 / c.duration));
        ExpectPanelAlpha(c.startAlpha + (c.endAlpha - c.startAlpha) * eased, c.what);

        int frames = 0;
        while (events.log.empty() && frames < 100)
        {
            Frame(0.05);
            ++frames;
        }
        EXPECT_EQ(events.log, std::vector<std::string>{"Ended"}) << c.what;
        ExpectPanelAlpha(c.endAlpha, c.what);
        EXPECT_TRUE(fade->IsFinished());
        // It stops in the next frame; stopping leaves the children whole, as its owner expects
        // when the panel is shown again.
        Frame(0.05);
        EXPECT_FALSE(fade->IsActive()) << c.what;
        ExpectPanelAlpha(1.0f, c.what);
        Frame(0.05);
        EXPECT_EQ(events.log.size(), 1u);

        // It runs again from its start alpha.
        fade->Begin();
        ExpectPanelAlpha(c.startAlpha, c.what);
        EXPECT_FALSE(fade->IsFinished());
        fade->SetActive(false);
        fade->Release();
        Frame(0.0);
    }
}

TEST_F(FadeTest, ARunCutOffAfterItsEndStillTellsTheNextRunsEnd)
{
    // A screen's fade ends, and the screen's root goes inactive before the fade's next update;
    // entered again later, the screen stops the fade and starts it once more when it leaves. The
    // second run used to stop at its first update unheard, and the screen waited for it for good.
    for (const bool fadeIn : {false, true})
    {
        ZInterpolateBase* fade =
            fadeIn ? static_cast<ZInterpolateBase*>(ZFadeIn::Create(panel)) : ZFadeOut::Create(panel);
        fade->SetActive(false);
        Events events;
        fade->AddListener(static_cast<ZTransientListener*>(&events));
        fade->Begin();
        for (int i = 0; i < 40 && events.log.empty(); ++i)
            Frame(0.05);
        ASSERT_EQ(events.log.size(), 1u) << fadeIn;
        ASSERT_TRUE(fade->IsEndPending()) << fadeIn;
        fade->SetActive(false); // entered again: the fade is stopped
        fade->SetActive(true);  // left again: the fade starts once more
        for (int i = 0; i < 40 && events.log.size() < 2; ++i)
            Frame(0.05);
        EXPECT_EQ(events.log.size(), 2u) << fadeIn;
        fade->SetActive(false);
        fade->Release();
        Frame(0.0);
    }
}

TEST_F(FadeTest, EndActionsRun)
{
    ZFadeOut* fade = ZFadeOut::Create(panel);
    fade->SetDeactivateTargetAtEnd(true);
    fade->SetReleaseSelfAtEnd(true);
    Gone gone;
    gone.Watch(fade);
    fade->SetActive(false);
    fade->Begin();
    for (int i = 0; i < 20 && !gone.Saw(fade); ++i)
        Frame(0.1);
    EXPECT_TRUE(gone.Saw(fade));
    EXPECT_FALSE(panel->IsActive());
}

// Pop-up text

TEST_F(EffectTest, PopupTextSpringsInDriftsFadesAndReleasesItself)
{
    Font* font = render.NewFont("f");
    ZGroup* layer = MakeGroup("layer");
    layer->SetPositionXYZ(100.0f, 0.0f, 0.0f);
    const V3 start{100.0f, 0.0f, 0.0f};
    const V3 end{100.0f, 200.0f, 0.0f};
    ZPopupTextController* popup =
        ZPopupTextController::Show("+50", F(font), layer, &start, &end, 1.0f, 0.25f, 0.0f, 1.0f, 1.0);
    ZFontText* text = popup->GetText();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetParent(), layer);
    EXPECT_STREQ(text->GetName(), "+50");
    EXPECT_EQ(text->GetText(), "+50");
    EXPECT_EQ(text->GetPivot(), uint32_t(PIVOT_CENTER));
    EXPECT_EQ(popup->GetParent(), tree->GetControllersGroup());
    EXPECT_TRUE(popup->IsActive());
    EXPECT_EQ(popup->alphaCurve, &EaseBumpQuartic);
    EXPECT_EQ(popup->scaleCurve, &EaseOutCubicQuartic);

    // The characters spring in from 100 units up.
    auto* spring = dynamic_cast<ZCharModifierSpring*>(text->GetModifier());
    ASSERT_NE(spring, nullptr);
    EXPECT_TRUE(spring->IsRunning());
    EXPECT_EQ(spring->GetCount(), 3u);
    EXPECT_FLOAT_EQ(spring->dropHeight, 100.0f);
    EXPECT_FLOAT_EQ(spring->GetStartTime(), 10.0f);
    V2 position;
    V2 scale{1.0f, 1.0f};
    float alpha = 1.0f;
    spring->Apply(position, 10.0f, 0.0f, 2, scale, alpha);
    EXPECT_FLOAT_EQ(position.y, 100.0f);
    EXPECT_FLOAT_EQ(alpha, 0.0f);

    // Invisible at t = 0, in front of its points by 60, in the layer's space.
    EXPECT_FLOAT_EQ(text->GetAlpha(), 0.0f);
    EXPECT_EQ(text->Position(), (V3{0.0f, 0.0f, -60.0f}));
    Gone gone;
    gone.Watch(text);
    gone.Watch(popup);

    Frame(0.0);
    Frame(0.5);
    EXPECT_FLOAT_EQ(text->GetAlpha(), 1.0f);
    EXPECT_NEAR(text->Position().y, 100.0f, 1e-3f);
    EXPECT_FLOAT_EQ(text->Position().z, -60.0f);
    const float s = EaseOutCubicQuartic(0.5f);
    EXPECT_FLOAT_EQ(text->GetTextScale().x, 1.0f * (1.0f - s) + 0.25f * s);
    EXPECT_FLOAT_EQ(ScaleX(text), 1.0f * (1.0f - s) + 0.25f * s);
    EXPECT_TRUE(text->IsDirty());

    // The last step leaves it invisible at the end point; the next frame releases the text and the
    // controller through the deferred deletion.
    Frame(0.5);
    EXPECT_FALSE(gone.Saw(text));
    EXPECT_FLOAT_EQ(text->GetAlpha(), 0.0f);
    EXPECT_NEAR(text->Position().y, 200.0f, 1e-3f);
    Frame(0.05);
    EXPECT_TRUE(gone.Saw(text));
    EXPECT_TRUE(gone.Saw(popup));
    EXPECT_EQ(layer->GetChildCount(), 0u);
    EXPECT_EQ(tree->GetControllersGroup()->GetChildCount(), 0u);
    EXPECT_EQ(tree->DeferredCount(), 0u);
}

TEST_F(EffectTest, PopupTextWhoseTextGoesFirstEndsQuietly)
{
    ZGroup* layer = MakeGroup("layer");
    ZPopupTextController* popup = ZPopupTextController::Create("hi", nullptr, layer, nullptr, nullptr, 1.0f,
                                                               1.0f, 1.0f, 1.0f, &EaseInCubic, 0.5);
    EXPECT_FALSE(popup->IsActive());
    popup->SetActive(true);
    Gone gone;
    gone.Watch(popup);
    // The layer (and the text in it) goes while the pop-up runs.
    layer->Release();
    for (int i = 0; i < 20 && !gone.Saw(popup); ++i)
        Frame(0.1);
    EXPECT_TRUE(gone.Saw(popup));
}

} // namespace
