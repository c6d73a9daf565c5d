// The pointer through whole frames: window pixels to logical pixels, picking order, over/out and
// hover, press and release delivery with the handled and stop flags, the input lock, the pointer
// images and nodes destroyed while the pointer holds them.
#include <algorithm>
#include <memory>

#include "engine/app/ZGame.h"
#include "engine/app/ZGameState.h"
#include "engine/app/ZScreenHost.h"
#include "engine/controllers/ZInterpolate.h"
#include "tests/support/UiTestSupport.h"

using uitest::RecordingListener;

namespace
{
class PointerTest : public uitest::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_EQ(engine->CreateLayers(), 0);
        manager = ZLayer2DManager::GetInstance();
        ASSERT_NE(manager, nullptr);
        layer = manager->GetDefaultLayer();
        pointer = ZMousePointer::GetInstance();
        pointer->EnterPhase2();
        pointer->SetLayerCamera(layer->camera);
        // Into a corner first: the very first still frame may start a hover on nothing at once.
        MoveToLogical(-390.0f, 290.0f);
    }

    // Two overlapping sprites at the centre (the nearer has the smaller z) and one off to the right.
    void Overlapping()
    {
        far = Sprite("far", layer->group, 0.0f, 0.0f, 5.0f);
        near = Sprite("near", layer->group, 10.0f, 0.0f, 1.0f);
        Sprite("right", layer->group, 300.0f, 0.0f, 0.0f);
    }

    size_t Count(const std::string& entry) const { return size_t(std::count(log.begin(), log.end(), entry)); }

    ZLayer2DManager* manager = nullptr;
    ZLayer2D* layer = nullptr;
    ZMousePointer* pointer = nullptr;
    ZSprite2D* far = nullptr;
    ZSprite2D* near = nullptr;
    std::vector<std::string> log;
};
} // namespace

TEST_F(PointerTest, WindowPixelsBecomeLogicalPixelsAroundTheCentreWithYUp)
{
    struct Case
    {
        int actualWidth, actualHeight;
        float deviceX, deviceY;
        float x, y;
    } const cases[] = {
        {800, 600, 400.0f, 300.0f, 0.0f, 0.0f},
        {800, 600, 0.0f, 0.0f, -400.0f, 300.0f},
        {800, 600, 800.0f, 600.0f, 400.0f, -300.0f},
        {800, 600, 600.0f, 450.0f, 200.0f, -150.0f},
        // A larger display shows the screen letterboxed at one to one.
        {1600, 1200, 0.0f, 0.0f, -800.0f, 600.0f},
        // A smaller one is scaled up to the logical size.
        {640, 480, 0.0f, 0.0f, -400.0f, 300.0f},
        {640, 480, 480.0f, 120.0f, 200.0f, 150.0f},
        // Beyond the window the normalised position stops at -0.5 and 1.5.
        {800, 600, -800.0f, 1200.0f, -800.0f, -600.0f},
        {800, 600, 2000.0f, -900.0f, 800.0f, 600.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.actualWidth) + " " + std::to_string(c.deviceX) + "," +
                     std::to_string(c.deviceY));
        g_renderWidthActual.SetValue(c.actualWidth);
        g_renderHeightActual.SetValue(c.actualHeight);
        const float beforeX = pointer->GetX(), beforeY = pointer->GetY();
        MoveTo(c.deviceX, c.deviceY);
        EXPECT_FLOAT_EQ(pointer->GetX(), c.x);
        EXPECT_FLOAT_EQ(pointer->GetY(), c.y);
        EXPECT_FLOAT_EQ(pointer->GetState().dx, c.x - beforeX);
        EXPECT_FLOAT_EQ(pointer->GetState().dy, c.y - beforeY);
    }
}

TEST_F(PointerTest, NearestTargetFirstAndOverOutFollowThePointer)
{
    Overlapping();
    RecordingListener listener(log);
    pointer->AddListener(&listener);

    MoveToLogical(0.0f, 0.0f);
    ASSERT_EQ(pointer->GetTargets().size(), 2u);
    EXPECT_EQ(pointer->GetTargets()[0], near);
    EXPECT_EQ(pointer->GetTopTarget(), near);
    EXPECT_TRUE(pointer->IsFirstHitUnderFirstRoot());
    EXPECT_EQ(Count("move:near"), 1u);
    EXPECT_EQ(Count("over:near"), 1u);
    EXPECT_EQ(Count("over:far"), 1u);
    EXPECT_LT(std::find(log.begin(), log.end(), "over:near"), std::find(log.begin(), log.end(), "over:far"));

    // Only the far sprite (-50..50) is under -45; the near one spans -40..60.
    log.clear();
    MoveToLogical(-45.0f, 40.0f);
    ASSERT_EQ(pointer->GetTargets().size(), 1u);
    EXPECT_EQ(pointer->GetTopTarget(), far);
    EXPECT_EQ(log, (std::vector<std::string>{"move:far", "hoverend:-", "out:near"}));

    log.clear();
    MoveToLogical(300.0f, 0.0f);
    EXPECT_EQ(Count("out:far"), 1u);
    EXPECT_EQ(Count("over:right"), 1u);
    EXPECT_TRUE(pointer->GetOverList() == std::vector<ZNode*>{pointer->GetTopTarget()});

    // Hidden and unpickable sprites are not hit.
    near->SetHidden(true);
    far->ClearFlags(kNodePickable);
    MoveToLogical(0.0f, 0.0f);
    EXPECT_TRUE(pointer->GetTargets().empty());
    EXPECT_EQ(pointer->GetTopTarget(), nullptr);
    pointer->RemoveListener(&listener);
}

TEST_F(PointerTest, AStillFrameMovesNothingUnlessAlwaysMoveIsOn)
{
    Overlapping();
    RecordingListener listener(log);
    pointer->AddListener(&listener);
    MoveToLogical(0.0f, 0.0f);
    log.clear();
    Frame();
    EXPECT_EQ(Count("move:near"), 0u);

    // Always moving re-arms the hover timer every frame, so no hover starts.
    g_mouseAlwaysMove.SetValue(true);
    for (int i = 0; i < 60; ++i)
        Frame(0.05);
    EXPECT_EQ(Count("move:near"), 60u);
    EXPECT_EQ(Count("hoverend:-"), 60u);
    EXPECT_EQ(Count("hoverstart:near"), 0u);
    pointer->RemoveListener(&listener);
}

TEST_F(PointerTest, HoverStartsAfterTheHoverTimeAtRestAndEndsOnLeaving)
{
    Overlapping();
    RecordingListener listener(log);
    pointer->AddListener(&listener);
    MoveToLogical(0.0f, 0.0f);
    EXPECT_EQ(pointer->GetHoverCandidate(), near);
    Frame(0.3);
    Frame(0.3);
    EXPECT_EQ(Count("hoverstart:near"), 0u);
    Frame(0.1);
    EXPECT_EQ(Count("hoverstart:near"), 1u);
    EXPECT_EQ(pointer->GetHoverNode(), near);
    for (int i = 0; i < 20; ++i)
        Frame(0.1);
    EXPECT_EQ(Count("hoverstart:near"), 1u);

    // Moving inside the hovered node keeps the hover; leaving it ends it.
    MoveToLogical(5.0f, 5.0f);
    EXPECT_EQ(Count("hoverend:near"), 0u);
    MoveToLogical(-300.0f, 200.0f);
    EXPECT_EQ(Count("hoverend:near"), 1u);
    EXPECT_EQ(pointer->GetHoverNode(), nullptr);
    pointer->RemoveListener(&listener);
}

TEST_F(PointerTest, APositiveToleranceEndsTheHoverAfterThatMuchMovement)
{
    Overlapping();
    g_mouseHoverTolerance.SetValue(10.0f);
    RecordingListener listener(log);
    pointer->AddListener(&listener);
    MoveToLogical(0.0f, 0.0f);
    Frame(1.0);
    ASSERT_EQ(pointer->GetHoverNode(), near);
    MoveToLogical(4.0f, 0.0f);
    EXPECT_EQ(Count("hoverend:near"), 0u);
    MoveToLogical(12.0f, 0.0f);
    EXPECT_EQ(Count("hoverend:near"), 1u);
    pointer->RemoveListener(&listener);
}

TEST_F(PointerTest, PressesGoToTheTopTargetThenTheOthersAndAlwaysGetTheSecondPass)
{
    struct Case
    {
        const char* name;
        uint32_t button;
        std::vector<std::string> aHandles;
        std::string aStops;
        std::vector<std::string> expected;
    } const cases[] = {
        {"nobody handles",
         0,
         {},
         "",
         {"A:ldown:near", "B:ldown:near", "A:ldown:far", "B:ldown:far", "A:lafter:near", "B:lafter:near",
          "A:lafter:far", "B:lafter:far", "A:lup:near", "B:lup:near", "A:lup:far", "B:lup:far"}},
        {"A handles the press",
         0,
         {"ldown"},
         "",
         {"A:ldown:near", "A:lafter:near", "B:lafter:near", "A:lafter:far", "B:lafter:far", "A:lup:near",
          "B:lup:near", "A:lup:far", "B:lup:far"}},
        {"A stops every event",
         0,
         {},
         "lup",
         {"A:ldown:near", "B:ldown:near", "A:ldown:far", "B:ldown:far", "A:lafter:near", "B:lafter:near",
          "A:lafter:far", "B:lafter:far", "A:lup:near"}},
        {"A handles the second pass",
         0,
         {"lafter"},
         "",
         {"A:ldown:near", "B:ldown:near", "A:ldown:far", "B:ldown:far", "A:lafter:near", "A:lup:near",
          "B:lup:near", "A:lup:far", "B:lup:far"}},
        {"right button",
         1,
         {"rdown", "rup"},
         "",
         {"A:rdown:near", "A:rafter:near", "B:rafter:near", "A:rafter:far", "B:rafter:far", "A:rup:near"}},
    };
    Overlapping();
    MoveToLogical(0.0f, 0.0f);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        RecordingListener a(log, "A:"), b(log, "B:");
        a.handles = c.aHandles;
        a.stops = c.aStops;
        pointer->AddListener(&a);
        pointer->AddListener(&b);
        log.clear();
        const uint32_t serial = pointer->GetSerial();
        Press(c.button);
        EXPECT_EQ(pointer->GetSerial(), serial + 2);
        EXPECT_EQ(pointer->GetPressedTarget(), near);
        Release(c.button);
        EXPECT_EQ(log, c.expected);
        pointer->RemoveListener(&a);
        pointer->RemoveListener(&b);
    }
}

TEST_F(PointerTest, LockingWhileTheLeftButtonIsHeldReleasesOnceAndDropsPresses)
{
    Overlapping();
    MoveToLogical(0.0f, 0.0f);
    RecordingListener a(log, "A:"), b(log, "B:");
    pointer->AddListener(&a);
    pointer->AddListener(&b);
    Press(0);
    log.clear();

    pointer->LockInput(true);
    EXPECT_EQ(log, (std::vector<std::string>{"A:lup:near", "B:lup:near"}));
    // Only the first lock releases.
    g_pointerInputLock(true);
    GetScreenHost()->LockPointerInput(true);
    EXPECT_EQ(pointer->GetLockCount(), 3);
    EXPECT_EQ(log.size(), 2u);

    log.clear();
    Release(0);
    Press(0);
    Press(1);
    EXPECT_TRUE(log.empty());
    // Moves, over and out still run while locked.
    MoveToLogical(300.0f, 0.0f);
    EXPECT_EQ(Count("A:out:near"), 1u);

    for (int i = 0; i < 5; ++i)
        pointer->LockInput(false);
    EXPECT_EQ(pointer->GetLockCount(), 0);
    log.clear();
    Release(0);
    Press(0);
    EXPECT_EQ(Count("A:ldown:right"), 1u);

    // Without a held left button a lock releases nothing.
    Release(0);
    log.clear();
    pointer->LockInput(true);
    EXPECT_TRUE(log.empty());
    pointer->LockInput(false);
    pointer->RemoveListener(&a);
    pointer->RemoveListener(&b);
}

TEST_F(PointerTest, ADestroyedNodeLeavesThePointerAndIsNeverHandedToListeners)
{
    Overlapping();
    RecordingListener listener(log);
    pointer->AddListener(&listener);
    MoveToLogical(0.0f, 0.0f);
    Frame(1.0);
    ASSERT_EQ(pointer->GetHoverNode(), near);
    Press(0);
    ASSERT_EQ(pointer->GetPressedTarget(), near);

    // Released nodes go after the scene update; the next frames must not mention them.
    near->Release();
    Frame();
    log.clear();
    EXPECT_TRUE(std::find(pointer->GetOverList().begin(), pointer->GetOverList().end(),
                          static_cast<ZNode*>(near)) == pointer->GetOverList().end());
    EXPECT_EQ(pointer->GetHoverNode(), nullptr);
    EXPECT_EQ(pointer->GetPressedTarget(), nullptr);
    Release(0);
    MoveToLogical(300.0f, 0.0f);
    MoveToLogical(0.0f, 0.0f);
    EXPECT_EQ(Count("out:near"), 0u);
    EXPECT_EQ(Count("lup:near"), 0u);
    EXPECT_EQ(pointer->GetTopTarget(), far);

    // A node deleted outright in the middle of a delivery is skipped by the rest of it.
    struct Deleter : IMousePointerListener
    {
        void OnLeftDown(const SPointerState&, ZNode* target, bool*) override
        {
            if (target && victim == target)
            {
                delete victim;
                victim = nullptr;
            }
        }
        ZNode* victim = nullptr;
    } deleter;
    ZSprite2D* front = Sprite("front", layer->group, 0.0f, 0.0f, -1.0f);
    Frame();
    deleter.victim = front;
    pointer->RemoveListener(&listener);
    pointer->AddListener(&deleter);
    pointer->AddListener(&listener);
    log.clear();
    Press(0);
    EXPECT_EQ(deleter.victim, nullptr);
    EXPECT_EQ(Count("ldown:front"), 0u);
    EXPECT_EQ(Count("ldown:-"), 1u);
    EXPECT_EQ(Count("ldown:far"), 1u);
    Release(0);
    pointer->RemoveListener(&deleter);
    pointer->RemoveListener(&listener);
}

TEST_F(PointerTest, PointerTargetsArePickedFirstAndTheHandShowsWithinTheScope)
{
    Overlapping();
    near->SetFlags(kNodeHandPointer);
    ZSprite2D* arrow = Sprite("arrow", layer->group, 0.0f, 0.0f, 0.0f, 8.0f, 8.0f);
    ZSprite2D* hand = Sprite("hand", layer->group, 0.0f, 0.0f, 0.0f, 8.0f, 8.0f);
    arrow->ClearFlags(kNodePickable);
    hand->ClearFlags(kNodePickable);
    pointer->SetPointerImage(ZMousePointer::kArrow, arrow);
    pointer->SetPointerImage(ZMousePointer::kHand, hand);
    EXPECT_EQ(render->GetCursorSprite(), arrow);
    EXPECT_TRUE(hand->IsHidden());

    MoveToLogical(0.0f, 0.0f);
    EXPECT_EQ(pointer->GetShownImage(), ZMousePointer::kHand);
    EXPECT_EQ(render->GetCursorSprite(), hand);
    EXPECT_FALSE(hand->IsHidden());
    EXPECT_TRUE(arrow->IsHidden());
    // The cursor image follows the pointer.
    MoveToLogical(20.0f, 10.0f);
    EXPECT_NEAR(hand->Position().x, 20.0f, 1e-3f);
    EXPECT_NEAR(hand->Position().y, 10.0f, 1e-3f);

    // Outside the scope the arrow shows.
    ZGroup* elsewhere = ZGroup::CreateNamed("elsewhere");
    layer->group->AddChild(elsewhere);
    ZSprite2D* inside = Sprite("inside", elsewhere, -300.0f, 0.0f, 0.0f);
    inside->SetFlags(kNodeHandPointer);
    pointer->SetScopeNode(elsewhere);
    MoveToLogical(0.0f, 0.0f);
    EXPECT_EQ(pointer->GetShownImage(), ZMousePointer::kArrow);
    MoveToLogical(-300.0f, 0.0f);
    EXPECT_EQ(pointer->GetShownImage(), ZMousePointer::kHand);

    // A registered root is walked instead of the layer; the layer's sprites are no longer hit.
    ZGroup* overlay = ZGroup::CreateNamed("overlay");
    ZSceneTree::GetInstance()->AddChild(overlay);
    ZSprite2D* popup = Sprite("popup", overlay, 0.0f, 0.0f, 3.0f);
    pointer->AddPointerTarget(overlay);
    MoveToLogical(0.0f, 0.0f);
    ASSERT_EQ(pointer->GetTargets().size(), 1u);
    EXPECT_EQ(pointer->GetTopTarget(), popup);
    EXPECT_TRUE(pointer->IsUnderPointer(popup));
    EXPECT_FALSE(pointer->IsUnderPointer(near));
    // An inactive registered root is left out, and the layer is walked again.
    overlay->SetActive(false);
    MoveToLogical(1.0f, 0.0f);
    EXPECT_EQ(pointer->GetTopTarget(), near);

    // Images destroyed while shown leave the renderer too.
    hand->Release();
    Frame();
    EXPECT_EQ(pointer->GetPointerImage(ZMousePointer::kHand), nullptr);
    EXPECT_NE(render->GetCursorSprite(), static_cast<ZSprite*>(hand));
}

TEST_F(PointerTest, WithoutInputOrRendererOrLayerCameraNothingIsPicked)
{
    Overlapping();
    RecordingListener listener(log);
    pointer->AddListener(&listener);
    pointer->SetLayerCamera(nullptr);
    MoveToLogical(0.0f, 0.0f);
    EXPECT_EQ(pointer->GetTopTarget(), nullptr);
    EXPECT_TRUE(pointer->GetTargets().empty());
    Press(0);
    EXPECT_EQ(Count("ldown:-"), 1u);
    Release(0);

    pointer->SetLayerCamera(layer->camera);
    engine->SetInput(nullptr);
    log.clear();
    Frame();
    EXPECT_TRUE(log.empty());
    engine->SetInput(input);
    pointer->RemoveListener(&listener);
}

namespace
{
class PlainState : public ZGameState
{
public:
    PlainState(const char* name, bool opaque) : m_name(name) { SetOpaque(opaque); }
    const char* GetName() const override { return m_name.c_str(); }

private:
    std::string m_name;
};
} // namespace

TEST_F(PointerTest, OnlyTheTopScreenIsPickedUnlessTheOneBeneathIsPickedWhileCovered)
{
    auto game = std::make_unique<ZGame>();
    PlainState screen("screen", true), dialog("dialog", false);
    RecordingListener listener(log);
    pointer->AddListener(&listener);
    auto frames = [&](int n)
    {
        for (int i = 0; i < n; ++i)
        {
            Frame();
            game->Update(0.02);
        }
    };
    ZGame::GotoState(&screen);
    frames(2);
    ZSprite2D* board = Sprite("board", screen.GetRoot(), 0.0f, 0.0f, 2.0f);
    board->SetFlags(kNodeHandPointer);
    ZGame::GotoState(&dialog);
    frames(2);
    ASSERT_TRUE(screen.IsActive() && dialog.IsActive());
    // The states' cameras joined the screen view through the host.
    EXPECT_TRUE(screen.GetCamera() && screen.GetCamera()->GetView());
    ZSprite2D* button = Sprite("button", dialog.GetRoot(), 200.0f, 0.0f, 1.0f);
    button->SetFlags(kNodeHandPointer);

    MoveToLogical(0.0f, 0.0f);
    EXPECT_TRUE(pointer->GetTargets().empty());
    MoveToLogical(200.0f, 0.0f);
    EXPECT_EQ(pointer->GetTopTarget(), button);

    // Picked while covered: the screen's board is hit too, but a hit there shows no hand.
    screen.SetFlags(kStatePickedWhileCovered);
    MoveToLogical(0.0f, 0.0f);
    EXPECT_EQ(pointer->GetTopTarget(), board);
    EXPECT_FALSE(pointer->IsFirstHitUnderFirstRoot());
    EXPECT_EQ(pointer->GetShownImage(), ZMousePointer::kArrow);
    MoveToLogical(200.0f, 0.0f);
    EXPECT_TRUE(pointer->IsFirstHitUnderFirstRoot());
    EXPECT_EQ(pointer->GetShownImage(), ZMousePointer::kHand);

    // A transition locks the pointer through the host, and the lock is given back after it.
    game->PopState();
    EXPECT_EQ(pointer->GetLockCount(), game->IsInputBlocked() ? 1 : 0);
    frames(3);
    EXPECT_EQ(pointer->GetLockCount(), 0);
    pointer->RemoveListener(&listener);
    game.reset();
}
