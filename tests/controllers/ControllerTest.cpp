// The controller bases: counters, targets and their lifetimes, transient events.
#include <gtest/gtest.h>

#include "engine/controllers/ZControllerBase.h"
#include "engine/scene/ZGeom.h"
#include "scene/SceneTestSupport.h"

namespace
{

class Plain : public ZTransientController
{
public:
    explicit Plain(ZNode* target = nullptr) : ZTransientController(target) {}
    ZControllerBase* CreateInstance() override { return new Plain(); }
};

class EventLog : public ZTransientListener
{
public:
    void Started(ZControllerBase*) override { ++started; }
    void Ended(ZControllerBase*) override { ++ended; }
    int started = 0;
    int ended = 0;
};

using ControllerTest = SceneTest;

} // namespace

TEST_F(ControllerTest, CountersFollowConstructionActivationAndDestruction)
{
    const int alive = g_controllersAlive;
    const int active = g_controllersActive;
    delete new Plain();
    EXPECT_EQ(g_controllersAlive, alive);
    EXPECT_EQ(g_controllersActive, active);

    auto* running = new Plain();
    EXPECT_FALSE(running->IsActive());
    EXPECT_EQ(g_controllersAlive, alive + 1);
    running->SetActive(true);
    EXPECT_EQ(g_controllersActive, active + 1);
    delete running;
    EXPECT_EQ(g_controllersAlive, alive);
    EXPECT_EQ(g_controllersActive, active);
}

TEST_F(ControllerTest, AControllerIsItsTargetsChildAndOutlivesItSafely)
{
    auto* target = ZGroup::CreateNamed("target");
    auto* controller = new Plain(target);
    EXPECT_EQ(controller->GetParent(), target);
    EXPECT_EQ(controller->GetTarget(), target);

    // One that lives elsewhere hears of its target's end.
    auto* elsewhere = new Plain();
    tree->AddChild(elsewhere);
    elsewhere->CopySettingsFrom(controller);
    EXPECT_EQ(elsewhere->GetTarget(), target);
    EXPECT_EQ(elsewhere->GetParent(), tree->GetControllersGroup());
    delete target;
    EXPECT_EQ(elsewhere->GetTarget(), nullptr);
}

TEST_F(ControllerTest, AControllerDeletedFirstIsNoLongerToldOfItsTarget)
{
    auto* target = ZGroup::CreateNamed("target");
    tree->AddChild(target);
    auto* first = new Plain();
    tree->AddChild(first);
    first->SetTarget(target); // becomes the target's child
    auto* second = new Plain();
    tree->AddChild(second);
    second->CopySettingsFrom(first);
    delete second;
    delete first;
    // Flag changes and the target's own end reach no dead listener.
    target->SetHidden(true);
    delete target;
}

TEST_F(ControllerTest, SetTargetMovesTheControllerAndItsWatch)
{
    auto* a = ZGroup::CreateNamed("a");
    auto* b = ZGroup::CreateNamed("b");
    tree->AddChild(a);
    tree->AddChild(b);
    auto* controller = new Plain(a);
    controller->SetTarget(b);
    EXPECT_EQ(controller->GetParent(), b);
    delete a; // no longer the target: nothing changes
    EXPECT_EQ(controller->GetTarget(), b);
    ZControllerBase* instance = controller->CreateInstance();
    EXPECT_EQ(instance->GetTypeRecord(), controller->GetTypeRecord());
    EXPECT_FALSE(instance->IsActive());
    delete instance;
}

TEST_F(ControllerTest, StartedAndEndedReachListenersUnlessMuted)
{
    Plain controller;
    EventLog log;
    controller.AddListener(&log);
    controller.SetActive(true);
    EXPECT_EQ(log.started, 1);
    EXPECT_FALSE(controller.IsFinished());
    controller.FireEnded();
    EXPECT_EQ(log.ended, 1);
    EXPECT_TRUE(controller.IsFinished());

    controller.Reset();
    EXPECT_FALSE(controller.IsFinished());
    controller.ZEventProducer<ZTransientListener>::SetMuted(true);
    controller.FireEnded();
    EXPECT_TRUE(controller.IsFinished());
    EXPECT_EQ(log.ended, 1);
    controller.Deactivate();
    EXPECT_FALSE(controller.IsActive());
}
