// Interpolators on a hand-set engine clock: runs, easing, the end of a run, end actions, events,
// releases and deletions mid-run, delays; the channel tween with its waits and pointer lock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/controllers/ZInterpolate.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZEasing.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/scene/ZSpline.h"
#include "scene/SceneTestSupport.h"
#include "tests/support/ClockedScene.h"

namespace
{

class Events : public ZTransientListener, public ZInterpolateBaseListener
{
public:
    void Started(ZControllerBase*) override { log.push_back("Started"); }
    void Ended(ZControllerBase*) override { log.push_back("Ended"); }
    void OnStarted(ZInterpolateBase*) override { log.push_back("OnStarted"); }
    void OnStopped(ZInterpolateBase*) override { log.push_back("OnStopped"); }
    void OnProgress(float t, ZInterpolateBase*) override { values.push_back(t); }
    std::vector<std::string> log;
    std::vector<float> values;
};

int g_lockDepth = 0;
void CountLock(bool lock)
{
    g_lockDepth += lock ? 1 : -1;
}

class InterpolateTest : public SceneTest
{
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        m_timer.now = 10.0;
        g_lockDepth = 0;
        g_pointerInputLock = &CountLock;
    }
    void TearDown() override
    {
        SceneTest::TearDown();
        g_pointerInputLock = nullptr;
    }
    // One frame at the given clock time.
    void FrameAt(double now, double delta = 0.0)
    {
        m_timer.now = now;
        m_timer.frameDelta = delta;
        tree->Update();
    }
    ZGroup* MakeTarget(const char* name = "target")
    {
        auto* node = ZGroup::CreateNamed(name);
        tree->AddChild(node);
        return node;
    }
    ZInterpolateLocalPos* MakeMover(ZNode* target, double duration)
    {
        auto* mover = ZInterpolateLocalPos::Create(target);
        mover->start = {0.0f, 0.0f, 0.0f};
        mover->end = {100.0f, 0.0f, 0.0f};
        mover->SetDuration(duration);
        return mover;
    }

    qvtest::TestClock m_clock;
    ZFrameTimer& m_timer = m_clock.timer;
};

float X(ZNode* node)
{
    return static_cast<ZGeom*>(node)->Position().x;
}

} // namespace

TEST_F(InterpolateTest, ARunMovesItsTargetFiresEndedAndEndsInTheNextFrame)
{
    ZGroup* target = MakeTarget();
    auto* mover = MakeMover(target, 2.0);
    EXPECT_EQ(mover->GetParent(), tree->GetControllersGroup());
    Events events;
    mover->ZInterpolateBase::AddListener(static_cast<ZTransientListener*>(&events));
    mover->ZInterpolateBase::AddListener(static_cast<ZInterpolateBaseListener*>(&events));
    mover->SetDeactivateTargetAtEnd(true);
    mover->SetReleaseSelfAtEnd(true);
    mover->SetActive(true);
    // Interpolators begin (twice: before and after applying 0) instead of sending Started.
    EXPECT_EQ(events.log, (std::vector<std::string>{"OnStarted", "OnStarted"}));
    EXPECT_EQ(X(target), 0.0f);

    FrameAt(11.0);
    EXPECT_FLOAT_EQ(X(target), 50.0f);
    EXPECT_TRUE(mover->IsRunning());
    FrameAt(12.0);
    EXPECT_FLOAT_EQ(X(target), 100.0f);
    EXPECT_TRUE(mover->IsFinished());
    EXPECT_TRUE(mover->IsEndPending());
    EXPECT_TRUE(target->IsActive());
    EXPECT_EQ(events.log.back(), "Ended");
    EXPECT_EQ(events.values, (std::vector<float>{0.0f, 0.5f, 1.0f, 1.0f}));

    FrameAt(12.1);
    EXPECT_FALSE(target->IsActive());
    EXPECT_EQ(events.log, (std::vector<std::string>{"OnStarted", "OnStarted", "Ended", "OnStopped"}));
    // Released itself: gone after that frame.
    EXPECT_EQ(tree->GetControllersGroup()->GetChildCount(), 0u);
}

TEST_F(InterpolateTest, WithinOneEighty192thOfOneCountsAsFinished)
{
    struct Case
    {
        double elapsed;
        bool finished;
    };
    const Case cases[] = {
        {1.0 - 1.0 / 8192.0, true},
        {1.0 - 2.0 / 8192.0, false},
        {1.0, true},
        {5.0, true},
    };
    for (const Case& c : cases)
    {
        ZGroup* target = MakeTarget();
        auto* mover = MakeMover(target, 1.0);
        m_timer.now = 0.0;
        mover->SetActive(true);
        FrameAt(c.elapsed);
        EXPECT_EQ(mover->IsFinished(), c.finished) << c.elapsed;
        target->Release();
        mover->Release();
        FrameAt(c.elapsed);
    }
}

TEST_F(InterpolateTest, EasingShapesTheValueAndAnOvershootEndsTheRunEarly)
{
    ZGroup* target = MakeTarget();
    auto* eased = MakeMover(target, 1.0);
    eased->SetEasing(&EaseInQuad);
    eased->SetActive(true);
    FrameAt(10.5);
    EXPECT_FLOAT_EQ(X(target), 25.0f);
    eased->Release();
    FrameAt(10.5);

    auto* overshoot = MakeMover(target, 1.0);
    overshoot->SetEasing([](float t) { return t * 2.0f; });
    m_timer.now = 20.0;
    overshoot->SetActive(true);
    FrameAt(20.25);
    EXPECT_FALSE(overshoot->IsFinished());
    FrameAt(20.5);
    EXPECT_TRUE(overshoot->IsFinished());
}

TEST_F(InterpolateTest, AZeroDurationAppliesZeroOnlyAndStillRunsTheEndActions)
{
    ZGroup* target = MakeTarget();
    target->SetPositionXYZ(7.0f, 0.0f, 0.0f);
    auto* mover = MakeMover(target, 0.0);
    Events events;
    mover->ZInterpolateBase::AddListener(static_cast<ZTransientListener*>(&events));
    mover->ZInterpolateBase::AddListener(static_cast<ZInterpolateBaseListener*>(&events));
    mover->SetReleaseTargetAtEnd(true);
    const int active = g_controllersActive;
    mover->SetActive(true);
    EXPECT_FALSE(mover->IsActive());
    EXPECT_EQ(g_controllersActive, active);
    EXPECT_EQ(X(target), 0.0f);
    EXPECT_EQ(events.values, (std::vector<float>{0.0f}));
    EXPECT_TRUE(target->TestFlags(kNodePendingDelete));
    EXPECT_EQ(std::count(events.log.begin(), events.log.end(), "Ended"), 0);
    FrameAt(11.0);
    EXPECT_EQ(tree->FindNode("target"), nullptr);
}

TEST_F(InterpolateTest, AReleasedRunAppliesOneAndGoesWithoutEnded)
{
    ZGroup* target = MakeTarget();
    auto* mover = MakeMover(target, 2.0);
    Events events;
    mover->ZInterpolateBase::AddListener(static_cast<ZTransientListener*>(&events));
    mover->SetActive(true);
    FrameAt(10.5);
    mover->Release();
    FrameAt(10.6);
    EXPECT_FLOAT_EQ(X(target), 100.0f);
    EXPECT_TRUE(events.log.empty());
    EXPECT_EQ(tree->GetControllersGroup()->GetChildCount(), 0u);
}

TEST_F(InterpolateTest, ATargetDeletedMidRunLeavesTheRunHarmless)
{
    ZGroup* target = MakeTarget();
    auto* mover = MakeMover(target, 2.0);
    mover->SetDeactivateTargetAtEnd(true);
    mover->SetActive(true);
    FrameAt(10.5);
    delete target;
    EXPECT_EQ(mover->GetTarget(), nullptr);
    FrameAt(11.0);
    FrameAt(13.0);
    FrameAt(13.1);
    EXPECT_FALSE(mover->IsActive());
}

TEST_F(InterpolateTest, ANodeReleasedByTheInterpolatorsOwnEndIsSafe)
{
    ZGroup* target = MakeTarget();
    auto* mover = new ZInterpolateLocalPos();
    mover->SetTarget(target); // lives under its target
    mover->end = {10.0f, 0.0f, 0.0f};
    mover->SetDuration(1.0);
    mover->SetReleaseTargetAtEnd(true);
    mover->SetActive(true);
    FrameAt(11.0);
    FrameAt(11.1);
    EXPECT_EQ(tree->FindNode("target"), nullptr);
}

TEST_F(InterpolateTest, WithFinishAtOneClearedTheRunStaysAtOne)
{
    ZGroup* target = MakeTarget();
    auto* mover = MakeMover(target, 1.0);
    mover->SetFinishAtOne(false);
    mover->SetActive(true);
    FrameAt(12.0);
    FrameAt(13.0);
    EXPECT_TRUE(mover->IsActive());
    EXPECT_FALSE(mover->IsFinished());
    EXPECT_FLOAT_EQ(X(target), 100.0f);
    mover->SetActive(false);
    EXPECT_FALSE(mover->IsRunning());
}

TEST_F(InterpolateTest, WorldAndSplineMoversPlaceInTheParentsSpace)
{
    auto* parent = ZGroup::CreateNamed("parent");
    parent->SetPositionXYZ(50.0f, 0.0f, 0.0f);
    parent->SetScale({2.0f, 2.0f, 2.0f});
    tree->AddChild(parent);
    auto* child = ZGroup::CreateNamed("child");
    parent->AddChild(child);

    auto* world = ZInterpolateWorldPos::Create(child);
    world->start = {50.0f, 0.0f, 0.0f};
    world->end = {150.0f, 0.0f, 0.0f};
    world->SetActive(true);
    FrameAt(10.5);
    V3 p;
    child->LocalToWorld(p);
    EXPECT_NEAR(p.x, 100.0f, 1e-3f);
    world->Release();

    auto* path = ZSplineNode::Create();
    auto* spline = ZSpline::Create();
    spline->AddKnot(ZSplineKnot::Create(V4{0, 0, 0, 0}));
    spline->AddKnot(ZSplineKnot::Create(V4{0, 80, 0, 0}));
    path->SetSpline(spline);
    tree->AddChild(path);
    auto* along = new ZInterpolateSpline();
    along->SetTarget(child);
    along->SetSpline(path);
    along->SetActive(true);
    FrameAt(11.5);
    V3 q;
    child->LocalToWorld(q);
    EXPECT_NEAR(q.x, 0.0f, 1e-3f);
    EXPECT_NEAR(q.y, path->GetPointAt(along->GetT()).y, 1e-3f);
}

TEST_F(InterpolateTest, ADelayHoldsTheRunBackByFrameTime)
{
    struct Delayed : ZInterpolateDelayBase
    {
        ZControllerBase* CreateInstance() override { return nullptr; }
        void ApplyValue(float t) override { applied.push_back(t); }
        std::vector<float> applied;
    };
    auto* delayed = new Delayed();
    tree->AddChild(delayed);
    delayed->SetDelay(0.5f);
    delayed->SetActive(true);
    FrameAt(10.3, 0.3);
    EXPECT_FALSE(delayed->IsDelayPassed());
    EXPECT_EQ(delayed->applied.size(), 1u);
    FrameAt(10.6, 0.3);
    EXPECT_TRUE(delayed->IsDelayPassed());
    EXPECT_DOUBLE_EQ(delayed->GetStartTime(), 10.6);
    FrameAt(11.1, 0.5);
    EXPECT_FLOAT_EQ(delayed->applied.back(), 0.5f);
}

TEST_F(InterpolateTest, ATweenWaitsForItsChannelAndGivesBackItsLock)
{
    ZGroup* a = MakeTarget("a");
    ZGroup* b = MakeTarget("b");
    const ZNameId channel("slide");
    auto* first = new ZInterpolate();
    first->SetTarget(a);
    first->ownChannel = channel;
    first->blocksPointer = true;
    first->endPosition = {10.0f, 0.0f, 0.0f, 0.0f};
    first->SetActive(true);
    EXPECT_EQ(ZInterpolate::ChannelCount(channel), 1);
    EXPECT_EQ(g_lockDepth, 1);

    auto* second = new ZInterpolate();
    second->SetTarget(b);
    second->waitChannel = channel;
    second->endPosition = {20.0f, 0.0f, 0.0f, 0.0f};
    second->SetActive(true);
    EXPECT_TRUE(second->IsWaiting());

    FrameAt(11.0); // first reaches its end
    EXPECT_TRUE(second->IsWaiting());
    // First deactivates, which frees the channel, and second (updated after it) starts in that
    // same frame.
    FrameAt(11.2);
    EXPECT_EQ(ZInterpolate::ChannelCount(channel), 0);
    EXPECT_EQ(g_lockDepth, 0);
    EXPECT_FALSE(second->IsWaiting());
    EXPECT_DOUBLE_EQ(second->GetStartTime(), 11.2);
    FrameAt(11.7);
    EXPECT_FLOAT_EQ(X(b), 10.0f);

    // A tween that never took the lock gives none back.
    g_lockDepth = 5;
    second->blocksPointer = true;
    second->SetActive(false);
    EXPECT_EQ(g_lockDepth, 5);
    g_lockDepth = 0;
}

TEST_F(InterpolateTest, ATweenDeletedWhileRunningGivesBackWhatItTook)
{
    ZGroup* a = MakeTarget("a");
    const ZNameId channel("pop");
    ZInterpolate* tween = ZInterpolate::Create(a, {0, 0, 0}, {1, 0, 0}, 1.0f);
    tween->SetActive(false);
    tween->ownChannel = channel;
    tween->blocksPointer = true;
    tween->SetActive(true);
    EXPECT_EQ(ZInterpolate::ChannelCount(channel), 1);
    EXPECT_EQ(g_lockDepth, 1);
    tween->Release();
    FrameAt(10.5);
    EXPECT_EQ(ZInterpolate::ChannelCount(channel), 0);
    EXPECT_EQ(g_lockDepth, 0);
}

TEST_F(InterpolateTest, ATweenScalesAndResetsToItsDefaults)
{
    ZGroup* a = MakeTarget("a");
    ZInterpolate* tween = ZInterpolate::Create(a, {0, 0, 0}, {0, 0, 0}, 1.0f);
    tween->SetActive(false);
    tween->startScale = {0.0f, 0.0f, 0.0f, 0.0f};
    tween->endScale = {2.0f, 2.0f, 2.0f, 0.0f};
    tween->SetActive(true);
    FrameAt(10.5);
    EXPECT_NEAR(a->Orientation().GetRow(0).Length(), 1.0f, 1e-5f);
    FrameAt(11.0);
    FrameAt(11.1);
    EXPECT_TRUE(tween->IsFinished());
    EXPECT_NEAR(a->Orientation().GetRow(2).Length(), 2.0f, 1e-5f);
    tween->Reset();
    EXPECT_FALSE(tween->IsFinished());
    EXPECT_EQ(tween->channels, ZInterpolate::kScale | ZInterpolate::kPosition);
    EXPECT_FLOAT_EQ(tween->duration, 1.0f);
}
