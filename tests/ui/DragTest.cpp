// Dragging through the real pointer with synthetic mouse input: press-drag-release, click mode,
// drop targets that arm, hover, accept or refuse, the one-drag-at-a-time rule, the pointer lock,
// and controllers, targets and nodes that go away in the middle of a drag.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/import/ZSceneXMLImport2.h"
#include "engine/ui/ZDragController.h"
#include "engine/ui/ZDropTarget2D.h"
#include "tests/support/UiTestSupport.h"

namespace
{
class DragLog : public IDragListener, public IDropListener
{
public:
    void OnDragStart(ZNode* n, ZDragController*) override { Note("start", n); }
    void OnDragEnd(ZNode* n, ZDragController*) override { Note("end", n); }
    void OnDragMove(ZNode* n, ZDragController*) override { Note("move", n); }
    void OnDrop(ZNode* n, ZDragController* c, ZDropTarget2D* t) override
    {
        Note("drop", n);
        droppedOn = t;
        droppedNode = c->GetTarget();
    }
    void OnDragEnter(ZNode* n, ZDragController*, ZDropTarget2D* t) override
    {
        Note("enter", n);
        enteredTarget = t;
    }
    bool Accepts(ZNode*, ZDragController*, ZDropTarget2D*) override { return accepts; }

    size_t Count(const std::string& what) const { return size_t(std::count(log.begin(), log.end(), what)); }

    std::vector<std::string> log;
    bool accepts = true;
    ZDropTarget2D* droppedOn = nullptr;
    ZDropTarget2D* enteredTarget = nullptr;
    ZNode* droppedNode = nullptr;

private:
    void Note(const char* what, ZNode*) { log.push_back(what); }
};

V3 WorldOf(ZNode* node)
{
    _M44 world;
    static_cast<ZGeom*>(node)->GetWorldMatrix(world);
    return {world.m[3][0], world.m[3][1], world.m[3][2]};
}

class DragTest : public uitest::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_EQ(engine->CreateLayers(), 0);
        layer = ZLayer2DManager::GetInstance()->GetDefaultLayer();
        pointer = ZMousePointer::GetInstance();
        // Started scene: controllers made later register with the pointer as they join it.
        ZSceneTree::GetInstance()->EnterPhase2();
        pointer->SetLayerCamera(layer->camera);
        MoveToLogical(-390.0f, 290.0f);
        piece = Sprite("piece", layer->group, 0.0f, 0.0f, 1.0f, 40.0f, 40.0f);
        drag = ZDragController::Create(piece);
        drag->AddListener(&events);
    }

    // A drop target with its three parts at a logical position; it listens to `drag`.
    ZDropTarget2D* Target(const char* name, float x, float y)
    {
        ZDropTarget2D* target = ZDropTarget2D::Create();
        target->SetName(name);
        target->SetPositionXYZ(x, y, 5.0f);
        layer->group->AddChild(target);
        Sprite("zone", target, 0.0f, 0.0f, 0.0f, 60.0f, 60.0f)->ClearFlags(kNodePickable);
        Sprite("hover", target, 0.0f, 0.0f, 0.0f);
        Sprite("glow", target, 0.0f, 0.0f, 0.0f);
        Set(target, "hitzone", "zone");
        Set(target, "onhover", "hover");
        Set(target, "ondrag", "glow");
        target->AddListener(&events);
        drag->AddListener(target);
        return target;
    }
    static void Set(ZNode* node, const char* name, const char* value)
    {
        node->SetProperty(ZNameId(name).Value(), name, value);
    }
    // Press at one logical point, move through the others, release at the last.
    void DragAlong(std::initializer_list<V2> points)
    {
        bool first = true;
        for (const V2& p : points)
        {
            MoveToLogical(p.x, p.y);
            if (first)
                Press();
            first = false;
        }
        Release();
    }

    ZLayer2D* layer = nullptr;
    ZMousePointer* pointer = nullptr;
    ZSprite2D* piece = nullptr;
    ZDragController* drag = nullptr;
    DragLog events;
};
} // namespace

TEST_F(DragTest, PressDragReleaseFollowsThePointerAtTheGrabOffset)
{
    MoveToLogical(10.0f, 5.0f);
    Press();
    EXPECT_TRUE(drag->IsDragging());
    EXPECT_EQ(ZDragController::GetRunningDrag(), drag);
    EXPECT_FALSE(piece->TestFlags(kNodePickable));
    for (int i = 1; i <= 5; ++i)
        MoveToLogical(10.0f + 10.0f * float(i), 5.0f);
    // A still frame moves nothing.
    Frame();
    EXPECT_NEAR(WorldOf(piece).x, 50.0f, 1e-3f);
    EXPECT_NEAR(WorldOf(piece).y, 0.0f, 1e-3f);
    Release();
    EXPECT_FALSE(drag->IsDragging());
    EXPECT_EQ(ZDragController::GetRunningDrag(), nullptr);
    EXPECT_TRUE(piece->TestFlags(kNodePickable));
    EXPECT_EQ(events.log, (std::vector<std::string>{"start", "move", "move", "move", "move", "move", "end"}));
    // Without return-or-drop the node stays where it was let go.
    EXPECT_NEAR(WorldOf(piece).x, 50.0f, 1e-3f);
}

TEST_F(DragTest, KeepAxesClampAndDepthOffset)
{
    drag->SetKeepY(true);
    drag->SetDragBounds({-30.0f, -30.0f}, {30.0f, 30.0f});
    drag->SetZOffset(-0.5f);
    DragAlong({{0.0f, 0.0f}, {100.0f, 80.0f}});
    const V3 at = WorldOf(piece);
    EXPECT_EQ(at.x, 30.0f);
    EXPECT_EQ(at.y, 0.0f);
    EXPECT_FLOAT_EQ(at.z, 0.5f);
}

TEST_F(DragTest, DropOnAnAcceptingTargetHoverAndArming)
{
    drag->SetReturnOrDrop(true);
    ZDropTarget2D* target = Target("slot", 200.0f, 0.0f);
    EXPECT_TRUE(target->GetHoverNode()->IsHidden());
    EXPECT_TRUE(target->GetDragNode()->IsHidden());
    EXPECT_TRUE(target->GetHitZone()->TestFlags(kNodePickable));

    MoveToLogical(0.0f, 0.0f);
    Press();
    EXPECT_TRUE(target->IsArmed());
    EXPECT_FALSE(target->GetDragNode()->IsHidden());
    MoveToLogical(100.0f, 0.0f);
    EXPECT_TRUE(target->GetHoverNode()->IsHidden());
    EXPECT_EQ(drag->GetCurrentDropTarget(), nullptr);
    MoveToLogical(190.0f, 0.0f);
    MoveToLogical(195.0f, 0.0f);
    EXPECT_FALSE(target->GetHoverNode()->IsHidden());
    EXPECT_EQ(drag->GetCurrentDropTarget(), target);
    EXPECT_EQ(events.Count("enter"), 1u);
    EXPECT_EQ(events.enteredTarget, target);
    Release();

    EXPECT_EQ(events.Count("drop"), 1u);
    EXPECT_EQ(events.droppedOn, target);
    EXPECT_EQ(events.droppedNode, piece);
    EXPECT_NEAR(WorldOf(piece).x, 195.0f, 1e-3f);
    EXPECT_FALSE(target->IsArmed());
    EXPECT_TRUE(target->GetHoverNode()->IsHidden());
    EXPECT_TRUE(target->GetDragNode()->IsHidden());
    EXPECT_EQ(drag->GetCurrentDropTarget(), nullptr);
}

TEST_F(DragTest, ANodeNoTargetTakesGoesBackToItsStart)
{
    drag->SetReturnOrDrop(true);
    struct Case
    {
        const char* what;
        bool accepts;
        float endX;
    } const cases[] = {
        {"outside every target", true, -150.0f},
        {"on a target that refuses", false, 200.0f},
    };
    ZDropTarget2D* target = Target("slot", 200.0f, 0.0f);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        events.log.clear();
        events.accepts = c.accepts;
        DragAlong({{0.0f, 0.0f}, {c.endX / 2.0f, 0.0f}, {c.endX, 0.0f}});
        EXPECT_EQ(events.Count("drop"), 0u);
        EXPECT_EQ(events.Count("end"), 1u);
        // A refusing target does not even arm, so nothing is entered.
        EXPECT_EQ(events.Count("enter"), 0u);
        EXPECT_NEAR(WorldOf(piece).x, 0.0f, 1e-3f);
        EXPECT_NEAR(WorldOf(piece).y, 0.0f, 1e-3f);
    }
    EXPECT_FALSE(target->IsArmed());
}

TEST_F(DragTest, AnEarlierDropTargetDoesNotTakeTheNextDrop)
{
    drag->SetReturnOrDrop(true);
    ZDropTarget2D* target = Target("slot", 200.0f, 0.0f);
    DragAlong({{0.0f, 0.0f}, {100.0f, 0.0f}, {200.0f, 0.0f}});
    ASSERT_EQ(events.Count("drop"), 1u);
    ASSERT_EQ(WorldOf(piece).x, 200.0f);

    // The game puts the piece back; a click on it without any move must not drop it on the slot
    // it left.
    piece->SetPositionXYZ(0.0f, 0.0f, 1.0f);
    MoveToLogical(0.0f, 0.0f);
    Press();
    Release();
    EXPECT_EQ(events.Count("drop"), 1u);
    EXPECT_NEAR(WorldOf(piece).x, 0.0f, 1e-3f);
    EXPECT_TRUE(target->GetHoverNode()->IsHidden());
}

TEST_F(DragTest, OfTwoOverlappingTargetsTheFirstToReportOverlapIsCurrent)
{
    drag->SetReturnOrDrop(true);
    ZDropTarget2D* first = Target("a", 200.0f, 0.0f);
    ZDropTarget2D* second = Target("b", 230.0f, 0.0f);
    MoveToLogical(0.0f, 0.0f);
    Press();
    MoveToLogical(215.0f, 0.0f);
    EXPECT_EQ(drag->GetCurrentDropTarget(), first);
    EXPECT_FALSE(first->GetHoverNode()->IsHidden());
    EXPECT_TRUE(second->GetHoverNode()->IsHidden());
    // Off the first, still on the second: the second becomes current on the next move.
    MoveToLogical(255.0f, 0.0f);
    EXPECT_EQ(drag->GetCurrentDropTarget(), second);
    EXPECT_TRUE(first->GetHoverNode()->IsHidden());
    // Flung in one move from the second alone onto the first alone: the first takes over, although
    // the second (which hears the move later) was still current when the first heard it.
    MoveToLogical(175.0f, 0.0f);
    EXPECT_EQ(drag->GetCurrentDropTarget(), first);
    EXPECT_FALSE(first->GetHoverNode()->IsHidden());
    EXPECT_TRUE(second->GetHoverNode()->IsHidden());
    MoveToLogical(255.0f, 0.0f);
    Release();
    EXPECT_EQ(events.droppedOn, second);
}

TEST_F(DragTest, ClickModePicksUpWithOneClickAndDropsWithTheNext)
{
    drag->SetClickMode(true);
    MoveToLogical(0.0f, 0.0f);
    Press();
    Release();
    EXPECT_TRUE(drag->IsDragging());
    MoveToLogical(60.0f, 40.0f);
    EXPECT_NEAR(WorldOf(piece).x, 60.0f, 1e-3f);
    EXPECT_NEAR(WorldOf(piece).y, 40.0f, 1e-3f);
    Press();
    EXPECT_FALSE(drag->IsDragging());
    Release();
    EXPECT_FALSE(drag->IsDragging());
    EXPECT_EQ(events.Count("start"), 1u);
    EXPECT_EQ(events.Count("end"), 1u);
    EXPECT_EQ(drag->GetPressCount(), 0);
    EXPECT_EQ(drag->GetReleaseCount(), 0);

    // And it picks up again afterwards, once a frame has picked it again.
    Frame();
    Press();
    Release();
    EXPECT_TRUE(drag->IsDragging());
}

TEST_F(DragTest, ClickModeWithTheButtonHeldBeyondTenPixelsIsAPressDragRelease)
{
    drag->SetClickMode(true);
    MoveToLogical(0.0f, 0.0f);
    Press();
    MoveToLogical(5.0f, 0.0f);
    EXPECT_FALSE(drag->IsPickedUpByMotion());
    MoveToLogical(30.0f, 0.0f);
    EXPECT_TRUE(drag->IsPickedUpByMotion());
    Release();
    EXPECT_FALSE(drag->IsDragging());
    EXPECT_NEAR(WorldOf(piece).x, 30.0f, 1e-3f);
    EXPECT_EQ(drag->GetPressCount(), 0);
    EXPECT_FALSE(drag->IsPickedUpByMotion());
}

TEST_F(DragTest, OnlyOneDragRunsAtATime)
{
    ZSprite2D* other = Sprite("other", layer->group, 200.0f, 0.0f, 1.0f, 40.0f, 40.0f);
    ZDragController* second = ZDragController::Create(other);
    MoveToLogical(0.0f, 0.0f);
    drag->SetClickMode(true);
    Press();
    Release();
    ASSERT_TRUE(drag->IsDragging());
    // The first node is carried over the second and the second is clicked: it stays put.
    MoveToLogical(200.0f, 0.0f);
    EXPECT_FALSE(second->IsDragging());
    second->BeginDrag(pointer->GetState(), true);
    EXPECT_FALSE(second->IsDragging());
    EXPECT_EQ(ZDragController::GetRunningDrag(), drag);
    EXPECT_NEAR(WorldOf(other).x, 200.0f, 1e-3f);
}

TEST_F(DragTest, TheLockReleasesAHeldDragAndBlocksNewOnes)
{
    MoveToLogical(0.0f, 0.0f);
    Press();
    MoveToLogical(20.0f, 0.0f);
    ASSERT_TRUE(drag->IsDragging());
    // A transition locks the pointer while the button is held: the drag is let go at once.
    pointer->LockInput(true);
    EXPECT_FALSE(drag->IsDragging());
    EXPECT_EQ(events.Count("end"), 1u);
    Release();
    MoveToLogical(20.0f, 0.0f);
    Press();
    EXPECT_FALSE(drag->IsDragging());
    Release();
    pointer->LockInput(false);
    Press();
    EXPECT_TRUE(drag->IsDragging());
    Release();
    EXPECT_FALSE(drag->IsDragging());
}

TEST_F(DragTest, DisabledControllersAndResetDrag)
{
    drag->SetEnabled(false);
    MoveToLogical(0.0f, 0.0f);
    Press();
    EXPECT_FALSE(drag->IsDragging());
    Release();
    drag->SetEnabled(true);
    Press();
    ASSERT_TRUE(drag->IsDragging());
    drag->ResetDrag();
    EXPECT_FALSE(drag->IsDragging());
    EXPECT_EQ(ZDragController::GetRunningDrag(), nullptr);
    EXPECT_TRUE(piece->TestFlags(kNodePickable));
    Release();
    EXPECT_EQ(events.Count("end"), 0u);
}

TEST_F(DragTest, WhatGoesAwayMidDragLeavesNothingHeld)
{
    // The controller.
    MoveToLogical(0.0f, 0.0f);
    Press();
    ASSERT_EQ(ZDragController::GetRunningDrag(), drag);
    drag->Release();
    Frame();
    EXPECT_EQ(ZDragController::GetRunningDrag(), nullptr);
    Release();

    // The dragged node.
    ZSprite2D* other = Sprite("other", layer->group, 200.0f, 0.0f, 1.0f, 40.0f, 40.0f);
    ZDragController* second = ZDragController::Create(other);
    second->SetReturnOrDrop(true);
    MoveToLogical(200.0f, 0.0f);
    Press();
    ASSERT_EQ(ZDragController::GetRunningDrag(), second);
    other->Release();
    MoveToLogical(210.0f, 0.0f);
    EXPECT_EQ(ZDragController::GetRunningDrag(), nullptr);
    Release();

    // A drop target that was current.
    ZSprite2D* third = Sprite("third", layer->group, -200.0f, 0.0f, 1.0f, 40.0f, 40.0f);
    ZDragController* carrier = ZDragController::Create(third);
    carrier->SetReturnOrDrop(true);
    drag = carrier;
    ZDropTarget2D* target = Target("slot", -100.0f, 0.0f);
    MoveToLogical(-200.0f, 0.0f);
    Press();
    MoveToLogical(-150.0f, 0.0f);
    MoveToLogical(-100.0f, 0.0f);
    ASSERT_EQ(carrier->GetCurrentDropTarget(), target);
    target->Release();
    Frame();
    EXPECT_EQ(carrier->GetCurrentDropTarget(), nullptr);
    Release();
    EXPECT_NEAR(WorldOf(third).x, -200.0f, 1e-3f);
}

TEST_F(DragTest, ALayoutMakesADropTargetWithItsParts)
{
    const std::string xml = "<scenetree><droptarget2d name=\"slot\" onhover=\"hover\" ondrag=\"glow\" "
                            "hitzone=\"zone\">"
                            "<sprite2d name=\"zone\" width=\"50\" height=\"50\"/>"
                            "<sprite2d name=\"hover\"/><sprite2d name=\"glow\"/>"
                            "</droptarget2d></scenetree>";
    ZSceneXMLImport2 import;
    import.SetParentNode(layer->group);
    ASSERT_EQ(import.ImportBuffer(xml.data(), xml.size()), 0);
    auto* target = ZEntityCast<ZDropTarget2D>(layer->group->FindNode("slot"));
    ASSERT_NE(target, nullptr);
    ASSERT_NE(target->GetHitZone(), nullptr);
    EXPECT_STREQ(target->GetHitZone()->GetName(), "zone");
    EXPECT_TRUE(target->GetHitZone()->TestFlags(kNodePickable));
    ASSERT_NE(target->GetHoverNode(), nullptr);
    EXPECT_TRUE(target->GetHoverNode()->IsHidden());
    ASSERT_NE(target->GetDragNode(), nullptr);
    EXPECT_TRUE(target->GetDragNode()->IsHidden());

    // A copy takes its own children as its parts.
    auto* copy = ZEntityCast<ZDropTarget2D>(target->Clone());
    ASSERT_NE(copy, nullptr);
    layer->group->AddChild(copy);
    ASSERT_NE(copy->GetHitZone(), nullptr);
    EXPECT_EQ(copy->GetHitZone()->GetParent(), copy);
    EXPECT_EQ(copy->GetHoverNode()->GetParent(), copy);
}

TEST_F(DragTest, TheEngineMayShutDownInTheMiddleOfADrag)
{
    ZDropTarget2D* target = Target("slot", 200.0f, 0.0f);
    drag->SetReturnOrDrop(true);
    MoveToLogical(0.0f, 0.0f);
    Press();
    MoveToLogical(195.0f, 0.0f);
    ASSERT_EQ(drag->GetCurrentDropTarget(), target);
    delete engine;
    engine = nullptr;
    EXPECT_EQ(ZDragController::GetRunningDrag(), nullptr);
}
