// Tool tips through the real pointer and a real layout file: hover tips after their delay, sticky
// tips with their countdown footer, the queue, placement next to the node or at named places,
// texts from the string table, the tip camera, and nodes that go away while a tip holds them.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/controllers/ZHighlight2.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/ZView.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZGameSprite.h"
#include "engine/ui/ZToolTipManager.h"
#include "tests/support/UiTestSupport.h"

namespace
{
V3 WorldOf(ZNode* node)
{
    _M44 world;
    static_cast<ZGeom*>(node)->GetWorldMatrix(world);
    return {world.m[3][0], world.m[3][1], world.m[3][2]};
}

class ToolTipTest : public uitest::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        table.AddMount("resources", (std::string(QV_FIXTURES) + "/ui").c_str());
        ASSERT_EQ(engine->CreateLayers(), 0);
        layer = ZLayer2DManager::GetInstance()->GetDefaultLayer();
        pointer = ZMousePointer::GetInstance();
        pointer->EnterPhase2();
        pointer->SetLayerCamera(layer->camera);
        MoveToLogical(-390.0f, 290.0f);
        Frame(1.0);

        ZStringTable* strings = ZStringTable::GetInstance();
        for (const auto& [key, text] : std::initializer_list<std::pair<const char*, const char*>>{
                 {"tip.pearl.title", "Pearl"},
                 {"tip.pearl.text", "A pearl from the reef"},
                 {"tip.shell.title", "Shell"},
                 {"tip.shell.text", "An empty shell"},
                 {"tip.anchor.text", "Heavy"},
                 {"tip.anchor.location", "top"},
                 {"tip.anchor.geom", "arrow"},
                 {"tip.clicktoclose", "Click to close"},
                 {"tip.movetoclose", "Move to close"},
                 {"tip.secsleft", "%d seconds left"},
                 {"tip.closingin", "Closing in %i"},
             })
            strings->Add(key, text, std::strlen(text));

        tips = ZToolTipManager::GetInstance();
        ASSERT_EQ(tips->CreateLayer("resources:tooltip.xml"), 0);
        // A screen's root, picked after the tip box as a game state's would be.
        screen = ZGroup::CreateNamed("screen");
        layer->group->AddChild(screen);
        pointer->AddPointerTarget(screen);
    }
    void TearDown() override
    {
        ZToolTipManager::DestroyInstance();
        g_tipsTest.Reset(false);
        UiTest::TearDown();
    }

    // Time passes; the engine's frame listeners run as after every frame.
    void Wait(double seconds)
    {
        Frame(seconds);
        tips->OnFrame();
    }
    // The pointer onto a point and resting there past the hover delay.
    void HoverAt(float x, float y)
    {
        MoveToLogical(x, y);
        Wait(0.7);
    }
    void Click()
    {
        Press();
        Release();
    }
    std::string Message() const { return tips->GetMessageNode()->GetText(); }
    std::string Text() const { return tips->GetTextNode()->GetText(); }

    ZLayer2D* layer = nullptr;
    ZMousePointer* pointer = nullptr;
    ZToolTipManager* tips = nullptr;
    ZGroup* screen = nullptr;
};
} // namespace

TEST_F(ToolTipTest, TheLayerHasItsOwnCameraAndIsPickedFirst)
{
    ZGroup* group = tips->GetGroup();
    ASSERT_NE(group, nullptr);
    EXPECT_STREQ(group->GetName(), "tooltips");
    EXPECT_TRUE(group->IsHidden());
    EXPECT_FLOAT_EQ(WorldOf(group).z, ZToolTipManager::kDepth);
    ASSERT_NE(tips->GetBackground(), nullptr);
    EXPECT_TRUE(tips->GetBackground()->TestFlags(kNodePickable));
    EXPECT_EQ(tips->GetBoxSize(), (V2{300.0f, 120.0f}));
    ASSERT_NE(tips->GetTitleNode(), nullptr);
    ASSERT_NE(tips->GetMessageNode(), nullptr);

    ZCamera* camera = tips->GetCamera();
    ASSERT_NE(camera, nullptr);
    EXPECT_STREQ(camera->GetName(), "tooltip_cam");
    EXPECT_FLOAT_EQ(camera->GetPriority(), 900.0f);
    EXPECT_EQ(camera->GetRoot(), group);
    EXPECT_FALSE(camera->IsActive()) << "the box is put away: its camera would draw it empty";
    const auto& cameras = ZLayer2DManager::GetInstance()->GetScreenView()->GetCameras();
    EXPECT_NE(std::find(cameras.begin(), cameras.end(), camera), cameras.end());

    // The open box covers a screen's node beneath it and swallows the click.
    ZSprite2D* under = Sprite("under", screen, 0.0f, 0.0f, 1.0f, 800.0f, 600.0f);
    std::vector<std::string> log;
    uitest::RecordingListener listener(log);
    pointer->AddListener(&listener);
    tips->RegisterToolTipByKey("pearl", nullptr, 0, false);
    tips->PresentToolTipByName("pearl", 5.0f);
    ASSERT_TRUE(tips->IsOpen());
    EXPECT_TRUE(camera->IsActive());
    MoveToLogical(WorldOf(group).x, WorldOf(group).y);
    EXPECT_EQ(pointer->GetTopTarget(), tips->GetBackground());
    Press();
    EXPECT_TRUE(std::find(log.begin(), log.end(), "ldown:background") == log.end());
    EXPECT_TRUE(std::find(log.begin(), log.end(), "ldown:under") == log.end());
    Release();
    // The open box is drawn by its own camera, not again by the layer's.
    auto drawn = [&](ZCamera* cam)
    {
        cam->BuildDrawList();
        for (uint32_t i = 0; i < cam->GetEntryCount(); ++i)
        {
            if (cam->GetEntries()[i].node == tips->GetBackground())
                return true;
        }
        return false;
    };
    EXPECT_TRUE(drawn(camera));
    EXPECT_FALSE(drawn(layer->camera));

    // Closed, the box catches nothing: the screen beneath has the pointer again.
    tips->HideNow();
    Frame();
    EXPECT_EQ(pointer->GetTopTarget(), under);
    EXPECT_FALSE(camera->IsActive()) << "a closed box would be drawn, empty, by its camera";
    pointer->RemoveListener(&listener);
}

TEST_F(ToolTipTest, AHoverTipOpensAfterTheDelayBesideItsNodeAndClosesWhenThePointerLeaves)
{
    ZSprite2D* gem = Sprite("gem", screen, 200.0f, 100.0f, 1.0f, 50.0f, 50.0f);
    gem->ClearFlags(kNodePickable);
    tips->RegisterToolTipForNode("pearl", gem, false);
    EXPECT_TRUE(gem->TestFlags(kNodePickable));

    MoveToLogical(200.0f, 100.0f);
    Wait(0.3);
    EXPECT_FALSE(tips->IsOpen());
    Wait(0.4);
    ASSERT_TRUE(tips->IsOpen());
    EXPECT_FALSE(tips->IsSticky());
    EXPECT_FALSE(tips->GetGroup()->IsHidden());
    EXPECT_EQ(tips->GetTitleNode()->GetText(), "Pearl");
    EXPECT_EQ(Text(), "A pearl from the reef");
    EXPECT_EQ(Message(), "Move to close");
    // Toward the centre by half the box and 5 pixels on each axis.
    EXPECT_NEAR(WorldOf(tips->GetGroup()).x, 200.0f - 155.0f, 1e-3f);
    EXPECT_NEAR(WorldOf(tips->GetGroup()).y, 100.0f - 65.0f, 1e-3f);
    EXPECT_FLOAT_EQ(WorldOf(tips->GetGroup()).z, -500.0f);

    // Moving within the node keeps it; leaving closes it.
    MoveToLogical(210.0f, 100.0f);
    EXPECT_TRUE(tips->IsOpen());
    MoveToLogical(-300.0f, -250.0f);
    EXPECT_FALSE(tips->IsOpen());
    EXPECT_TRUE(tips->GetGroup()->IsHidden());
}

TEST_F(ToolTipTest, NamedPlacesKeepTheTipOffWhatItPointsAt)
{
    tips->AddLocation("top", {170.0f, 220.0f});
    tips->AddLocation("bottom", {170.0f, -220.0f});
    ZSprite2D* high = Sprite("high", screen, 170.0f, 200.0f, 1.0f, 40.0f, 40.0f);
    ZSprite2D* low = Sprite("low", screen, -300.0f, -200.0f, 1.0f, 40.0f, 40.0f);
    tips->RegisterToolTipForNode("pearl", high, false);
    tips->RegisterToolTipForNode("anchor", low, false);

    // The first place would cover the node: the farthest one is taken.
    HoverAt(170.0f, 200.0f);
    ASSERT_TRUE(tips->IsOpen());
    EXPECT_EQ(tips->GetCurrentLocation(), 1);
    EXPECT_NEAR(WorldOf(tips->GetGroup()).y, -220.0f, 1e-3f);
    MoveToLogical(0.0f, 0.0f);
    ASSERT_FALSE(tips->IsOpen());

    // A tip that names its place goes there, and shows its geom node while open.
    ZNode* arrow = tips->GetGroup()->FindNode("arrow");
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(tips->FindTip(ZNameId("anchor"))->geom, arrow);
    HoverAt(-300.0f, -200.0f);
    ASSERT_TRUE(tips->IsOpen());
    EXPECT_NEAR(WorldOf(tips->GetGroup()).y, 220.0f, 1e-3f);
    EXPECT_FALSE(arrow->IsHidden());
    // The tip camera sees the box where the screen's camera would: it stays where the layer's
    // camera is while the box moves (a camera moving with the box drew it in the same spot,
    // whatever the place, off every screen's eye).
    const V3 eye = WorldOf(tips->GetCamera());
    const V3 layerEye = WorldOf(layer->camera);
    EXPECT_NEAR(eye.x, layerEye.x, 1e-3f);
    EXPECT_NEAR(eye.y, layerEye.y, 1e-3f);
    EXPECT_NEAR(eye.z, layerEye.z, 1e-3f);
    EXPECT_NEAR(WorldOf(tips->GetBackground()).y - eye.y, 220.0f, 1e-3f);
    // No title text in the table: the key shows, as for any missing text.
    EXPECT_EQ(tips->GetTitleNode()->GetText(), "tip.anchor.title");
    MoveToLogical(0.0f, 0.0f);
    EXPECT_TRUE(arrow->IsHidden());
}

TEST_F(ToolTipTest, AStickyTipCountsDownAndAClickMovesItOrClosesIt)
{
    tips->RegisterToolTipByKey("pearl", nullptr, 0, false);
    tips->PresentToolTipByName("pearl", 3.0f);
    ASSERT_TRUE(tips->IsOpen());
    EXPECT_TRUE(tips->IsSticky());
    EXPECT_EQ(Message(), "4 seconds left");
    struct Step
    {
        double wait;
        const char* message;
    } const steps[] = {{0.7, "3 seconds left"}, {2.1, "1 seconds left"}, {0.25, "Click to close"}};
    for (const Step& s : steps)
    {
        Wait(s.wait);
        EXPECT_EQ(Message(), s.message);
    }
    // Moving does not close a tip nobody clicked; a click after the countdown does.
    MoveToLogical(100.0f, 100.0f);
    EXPECT_TRUE(tips->IsOpen());
    Click();
    EXPECT_FALSE(tips->IsOpen());

    // A click during the countdown moves the tip out of the pointer's way and the footer changes.
    tips->AddLocation("top", {170.0f, 220.0f});
    tips->AddLocation("bottom", {170.0f, -220.0f});
    tips->PresentToolTipByName("pearl", 2.0f);
    ASSERT_TRUE(tips->IsOpen());
    EXPECT_NEAR(WorldOf(tips->GetGroup()).y, 220.0f, 1e-3f);
    MoveToLogical(170.0f, 220.0f);
    Click();
    EXPECT_TRUE(tips->IsOpen());
    EXPECT_TRUE(tips->IsClicked());
    EXPECT_TRUE(tips->GetMoveController()->IsActive());
    EXPECT_NEAR(tips->GetMoveController()->end.y, -220.0f, 1e-3f);
    Wait(0.3);
    EXPECT_NEAR(WorldOf(tips->GetGroup()).y, -220.0f, 1e-3f);
    EXPECT_EQ(Message(), "Closing in 2");
    Wait(1.8);
    EXPECT_EQ(Message(), "Move to close");
    EXPECT_TRUE(tips->IsOpen());
    MoveToLogical(0.0f, 10.0f);
    EXPECT_FALSE(tips->IsOpen());
}

TEST_F(ToolTipTest, ClickingANodeOpensItsTipAtOnceAndProofingClosesOnTheNextClick)
{
    ZSprite2D* gem = Sprite("gem", screen, 200.0f, 100.0f, 1.0f, 50.0f, 50.0f);
    tips->RegisterToolTipForNode("pearl", gem, false);
    MoveToLogical(200.0f, 100.0f);
    Press();
    ASSERT_TRUE(tips->IsOpen());
    EXPECT_TRUE(tips->IsSticky());
    EXPECT_EQ(Message(), "Click to close");
    Release();

    g_tipsTest.SetValue(true);
    tips->HideNow();
    tips->PresentToolTipByName("pearl", 30.0f);
    ASSERT_TRUE(tips->IsOpen());
    MoveToLogical(-300.0f, -250.0f);
    Click();
    EXPECT_FALSE(tips->IsOpen());
}

TEST_F(ToolTipTest, RequestedTipsWaitOnceEachAndHoveredOnesAreDropped)
{
    ZSprite2D* gem = Sprite("gem", screen, 200.0f, 100.0f, 1.0f, 50.0f, 50.0f);
    tips->RegisterToolTipForNode("pearl", gem, false);
    tips->RegisterToolTipByKey("shell", nullptr, 0, false);
    tips->RegisterToolTipByKey("anchor", nullptr, 0, false);

    tips->PresentToolTipByName("shell", 5.0f);
    tips->PresentToolTipByName("anchor", 1.0f);
    tips->PresentToolTipByName("anchor", 1.0f);
    EXPECT_EQ(tips->GetQueueSize(), 1u);
    // The waiting tip does not take over the open one's countdown.
    EXPECT_FLOAT_EQ(tips->GetDuration(), 5.0f);
    EXPECT_EQ(Text(), "An empty shell");
    HoverAt(200.0f, 100.0f);
    EXPECT_EQ(tips->GetQueueSize(), 1u);
    EXPECT_EQ(Text(), "An empty shell");

    tips->StartHide();
    ASSERT_TRUE(tips->IsOpen());
    EXPECT_EQ(Text(), "Heavy");
    EXPECT_TRUE(tips->IsSticky());
    EXPECT_FLOAT_EQ(tips->GetDuration(), 1.0f);
    EXPECT_EQ(tips->GetQueueSize(), 0u);
    // A key the tips do not know does nothing.
    tips->HideNow();
    tips->PresentToolTipByName("kelp", 1.0f);
    EXPECT_FALSE(tips->IsOpen());
    // Nor does anything while the tips are switched off.
    tips->SetEnabled(false);
    tips->PresentToolTipByName("shell", 1.0f);
    EXPECT_FALSE(tips->IsOpen());
    EXPECT_EQ(tips->GetQueueSize(), 0u);
}

TEST_F(ToolTipTest, ClosingByRequestAfterADelay)
{
    tips->RegisterToolTipByKey("shell", nullptr, 0, false);
    tips->RegisterToolTipByKey("anchor", nullptr, 0, false);
    tips->PresentToolTipByName("shell", 5.0f);
    tips->PresentToolTipByName("anchor", 5.0f);
    tips->CloseToolTipByName("anchor", 0.0f);
    Wait(0.02);
    EXPECT_EQ(tips->GetQueueSize(), 0u);
    EXPECT_EQ(Text(), "An empty shell");
    tips->CloseToolTipByName("shell", 0.5f);
    Wait(0.3);
    EXPECT_TRUE(tips->IsOpen());
    Wait(0.3);
    EXPECT_FALSE(tips->IsOpen());

    tips->PresentToolTipByName("shell", 5.0f);
    tips->PresentToolTipByName("anchor", 5.0f);
    tips->CloseAll();
    EXPECT_EQ(tips->GetQueueSize(), 0u);
    Wait(0.1);
    EXPECT_FALSE(tips->IsOpen());
}

TEST_F(ToolTipTest, AStateSwitchClosesAtOnceWithoutTheAnimation)
{
    auto* fade = new ZTransientController();
    ZSceneTree::GetInstance()->AddChild(fade);
    tips->SetHideController(fade);
    tips->RegisterToolTipByKey("shell", nullptr, 0, true);
    tips->PresentToolTipByName("shell", 5.0f);
    tips->StartHide();
    // The hide animation runs; the tip is closing, not closed.
    EXPECT_TRUE(tips->IsOpen());
    EXPECT_TRUE(tips->IsClosing());
    EXPECT_TRUE(fade->IsActive());
    tips->OnStateSwitched(nullptr, nullptr);
    EXPECT_FALSE(tips->IsOpen());
    EXPECT_FALSE(fade->IsActive());
    // It was to be forgotten after closing.
    EXPECT_EQ(tips->FindTip(ZNameId("shell")), nullptr);

    // The animation's end closes an animated tip.
    tips->RegisterToolTipByKey("shell", nullptr, 0, false);
    tips->PresentToolTipByName("shell", 5.0f);
    tips->StartHide();
    fade->FireEnded();
    EXPECT_FALSE(tips->IsOpen());
}

TEST_F(ToolTipTest, UnregisteringGivesBackOnlyThePickingTheTipAdded)
{
    ZSprite2D* pickable = Sprite("pickable", screen, 0.0f, 0.0f, 1.0f);
    ZSprite2D* plain = Sprite("plain", screen, 0.0f, 0.0f, 1.0f);
    plain->ClearFlags(kNodePickable);
    ZSprite2D* token = Sprite("token", screen, 0.0f, 0.0f, 1.0f);
    token->ClearFlags(kNodePickable);
    token->SetFlags(kNodeToken);
    ZNode* nodes[] = {pickable, plain, token, plain};
    tips->RegisterToolTipByKey("pearl", nodes, 4, false);
    EXPECT_EQ(tips->FindTip(ZNameId("pearl"))->nodeCount, 3);
    EXPECT_TRUE(plain->TestFlags(kNodePickable));
    EXPECT_FALSE(token->TestFlags(kNodePickable));
    tips->UnregisterTip(ZNameId("pearl"));
    EXPECT_TRUE(pickable->TestFlags(kNodePickable));
    EXPECT_FALSE(plain->TestFlags(kNodePickable));
    EXPECT_EQ(tips->FindTarget(pickable), nullptr);
    EXPECT_EQ(tips->FindTip(ZNameId("pearl")), nullptr);
}

TEST_F(ToolTipTest, ANodeDestroyedWhileItsTipIsUpLeavesEveryRecord)
{
    ZSprite2D* gem = Sprite("gem", screen, 200.0f, 100.0f, 1.0f, 50.0f, 50.0f);
    ZHighlight2* ring = ZHighlight2::Create(nullptr, nullptr, 40.0f, nullptr);
    ZSceneTree::GetInstance()->AddChild(ring);
    tips->SetHighlight(0, ring);
    tips->RegisterToolTipForNode("pearl", gem, false);
    tips->RegisterToolTipByKey("shell", nullptr, 0, false);
    tips->PresentToolTipByName("pearl", 5.0f);
    ZNode* gemNode = gem;
    tips->PresentToolTipByName("shell", &gemNode, 1, 5.0f);
    ASSERT_TRUE(tips->IsOpen());
    EXPECT_EQ(ring->GetTarget(), gem);
    EXPECT_TRUE(ring->IsActive());

    gem->Release();
    Wait(0.02);
    EXPECT_EQ(tips->FindTarget(gem), nullptr);
    EXPECT_EQ(tips->GetOpenRecord().nodeCount, 0);
    EXPECT_EQ(tips->FindTip(ZNameId("pearl"))->nodeCount, 0);
    EXPECT_EQ(tips->GetQueue().front().nodeCount, 0);
    // The highlight outlived the node it ran on.
    EXPECT_EQ(ring->GetTarget(), nullptr);
    EXPECT_FALSE(ring->IsActive());
    // A sticky tip stays up for its countdown.
    EXPECT_TRUE(tips->IsOpen());
    tips->CloseAll();
    Wait(0.1);
    ASSERT_FALSE(tips->IsOpen());

    // A hover tip whose node goes can never hear the hover end: it closes with its node.
    ZSprite2D* shell = Sprite("shell", screen, -200.0f, 100.0f, 1.0f, 50.0f, 50.0f);
    tips->RegisterToolTipForNode("shell", shell, true);
    HoverAt(-200.0f, 100.0f);
    ASSERT_TRUE(tips->IsOpen());
    shell->Release();
    Wait(0.02);
    EXPECT_FALSE(tips->IsOpen());
    EXPECT_EQ(tips->FindTip(ZNameId("shell")), nullptr);
}

TEST_F(ToolTipTest, AGameSpriteTipKeyInALayoutRegistersTheSprite)
{
    const std::string xml = "<scenetree><gamesprite name=\"gem\" tip=\"pearl\" width=\"50\" height=\"50\"/>"
                            "</scenetree>";
    ZSceneXMLImport2 import;
    import.SetParentNode(screen);
    ASSERT_EQ(import.ImportBuffer(xml.data(), xml.size()), 0);
    ZNode* gem = screen->FindNode("gem");
    ASSERT_NE(gem, nullptr);
    const ZToolTipRecord* record = tips->FindTarget(gem);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->key, ZNameId("pearl"));
    HoverAt(0.0f, 0.0f);
    EXPECT_TRUE(tips->IsOpen());
    EXPECT_EQ(Text(), "A pearl from the reef");

    ZToolTipManager::DestroyInstance();
    tips = nullptr;
    EXPECT_EQ(g_registerSpriteToolTip, nullptr);
    tips = ZToolTipManager::GetInstance();
}

TEST_F(ToolTipTest, TheTipCameraGoesWithTheBoxItDraws)
{
    ZCamera* camera = tips->GetCamera();
    ASSERT_NE(camera, nullptr);
    const auto& cameras = ZLayer2DManager::GetInstance()->GetScreenView()->GetCameras();
    ASSERT_NE(std::find(cameras.begin(), cameras.end(), camera), cameras.end());
    tips->GetGroup()->Release();
    Wait(0.1);
    EXPECT_EQ(tips->GetGroup(), nullptr);
    EXPECT_EQ(tips->GetCamera(), nullptr);
    EXPECT_EQ(std::find(cameras.begin(), cameras.end(), camera), cameras.end());
    // Nothing opens on a box that is gone.
    tips->RegisterToolTipByKey("pearl", nullptr, 0, false);
    tips->PresentToolTipByName("pearl", 5.0f);
    Wait(0.1);
}

TEST_F(ToolTipTest, TheEngineMayGoBeforeTheTips)
{
    ZSprite2D* gem = Sprite("gem", screen, 200.0f, 100.0f, 1.0f, 50.0f, 50.0f);
    tips->RegisterToolTipForNode("pearl", gem, false);
    HoverAt(200.0f, 100.0f);
    ASSERT_TRUE(tips->IsOpen());
    delete engine;
    engine = nullptr;
    ZToolTipManager::DestroyInstance();
    tips = nullptr;
}

TEST_F(ToolTipTest, ATipFromTextsAlreadyLookedUpKeepsItsOwnCopies)
{
    ZSprite2D* button = Sprite("button", screen, 0.0f, 0.0f, 1.0f);
    {
        std::string title = "Dive";
        std::string text = "Start the next dive";
        tips->ShowToolTip(title.c_str(), text.c_str(), button, nullptr);
        title.assign(40, 'x');
        text.assign(40, 'y');
    }
    ASSERT_TRUE(tips->IsOpen());
    EXPECT_EQ(Text(), "Start the next dive");
    const ZToolTipRecord* record = tips->FindTarget(button);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->title, "Dive");
    EXPECT_EQ(Message(), "Click to close");
}
