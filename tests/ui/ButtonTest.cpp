// Buttons driven through the real pointer with synthetic mouse input: visual states and their
// pictures, the order of press, release and click, disabling, the activated picture, the layout
// attributes and the rule that only buttons of the top screen react.
#include <cstring>

#include "engine/audio/ZSound.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/scene/ZFontText.h"
#include "tests/support/WidgetTestSupport.h"

using uitest::ButtonLog;

namespace
{
class ButtonTest : public uitest::WidgetTest
{
protected:
    // Imports a layout under the screen's root and returns the button of that name.
    ZButton2D* Load(const char* xml, const char* name)
    {
        ZSceneXMLImport2 import;
        import.SetParentNode(Root());
        EXPECT_EQ(import.ImportBuffer(xml, std::strlen(xml)), 0);
        ZSceneXMLImport2::SetCurrent(nullptr);
        auto* button = ZEntityCast<ZButton2D>(Root()->FindNode(name));
        if (button)
            button->AddListener(&log);
        Frame();
        return button;
    }
    static float Alpha(ZNode* node) { return static_cast<ZSprite*>(node)->GetAlpha(); }

    ButtonLog log;
};

// Two pictures in the same place; the pointer rests at the screen corner.
constexpr const char* kIdleHover = R"(<scenetree>
  <button2d name="ok" idle="ok_idle" hover="ok_hover" addhover="glow">
    <sprite2d name="ok_idle" width="100" height="50"/>
    <sprite2d name="ok_hover" width="100" height="50"/>
    <sprite2d name="glow" width="120" height="60"/>
  </button2d>
</scenetree>)";

constexpr const char* kWithClicked = R"(<scenetree>
  <button2d name="ok" idle="ok_idle" hover="ok_hover" clicked="ok_down">
    <sprite2d name="ok_idle" width="100" height="50"/>
    <sprite2d name="ok_hover" width="100" height="50"/>
    <sprite2d name="ok_down" width="100" height="50"/>
  </button2d>
</scenetree>)";
} // namespace

TEST_F(ButtonTest, WithoutAClickedPictureThePressClicksAndTheReleaseOnlyReleases)
{
    ZButton2D* button = Load(kIdleHover, "ok");
    ASSERT_NE(button, nullptr);
    ZNode* idle = button->GetStatePicture(ZButton2D::kIdle);
    ZNode* hover = button->GetStatePicture(ZButton2D::kHover);
    ASSERT_TRUE(idle && hover && button->GetHoverExtra());
    EXPECT_TRUE(idle->TestFlags(kNodePickable | kNodeHandPointer));
    EXPECT_FALSE(idle->IsHidden());
    EXPECT_TRUE(hover->IsHidden());
    EXPECT_TRUE(button->GetHoverExtra()->IsHidden());

    // A listener behind the button never hears the press: the button reports it handled.
    std::vector<std::string> behind;
    uitest::RecordingListener late(behind);
    pointer->AddListener(&late);

    MoveToLogical(10.0f, 5.0f);
    Frames(3);
    EXPECT_EQ(log.Text(), "over:ok");
    EXPECT_EQ(button->GetVisualState(), ZButton2D::kHover);
    EXPECT_TRUE(idle->IsHidden());
    EXPECT_FALSE(hover->IsHidden());
    EXPECT_FALSE(button->GetHoverExtra()->IsHidden());

    Press();
    EXPECT_EQ(log.Text(), "over:ok pressed:ok clicked:ok");
    EXPECT_EQ(button->GetVisualState(), ZButton2D::kClicked);
    Release();
    Frames(2);
    EXPECT_EQ(log.Text(), "over:ok pressed:ok clicked:ok released:ok");
    EXPECT_EQ(button->GetVisualState(), ZButton2D::kHover);
    EXPECT_EQ(std::count(behind.begin(), behind.end(), "ldown:ok_hover"), 0);

    MoveToLogical(200.0f, 200.0f);
    Frame();
    EXPECT_EQ(log.Text(), "over:ok pressed:ok clicked:ok released:ok out:ok");
    EXPECT_EQ(button->GetVisualState(), ZButton2D::kIdle);
    EXPECT_FALSE(idle->IsHidden());
    EXPECT_TRUE(button->GetHoverExtra()->IsHidden());
    pointer->RemoveListener(&late);
}

TEST_F(ButtonTest, WithAClickedPictureOnlyAReleaseOverTheButtonClicks)
{
    ZButton2D* button = Load(kWithClicked, "ok");
    ASSERT_NE(button, nullptr);
    MoveToLogical(0.0f, 0.0f);
    Press();
    Frame();
    EXPECT_FALSE(button->GetStatePicture(ZButton2D::kClicked)->IsHidden());
    Release();
    Frames(2);
    EXPECT_EQ(log.Text(), "over:ok pressed:ok released:ok clicked:ok");
    // The hover picture that the release showed is no new over, and the hidden picture's out is none.
    EXPECT_EQ(button->GetVisualState(), ZButton2D::kHover);

    log.events.clear();
    Press();
    Frame();
    MoveToLogical(300.0f, -200.0f);
    Release();
    Frames(2);
    EXPECT_EQ(log.Text(), "pressed:ok out:ok");
    EXPECT_EQ(button->GetVisualState(), ZButton2D::kIdle);
}

TEST_F(ButtonTest, ADisabledButtonReportsOverAndOutButNeverPresses)
{
    ZButton2D* button = Load(kIdleHover, "ok");
    ASSERT_NE(button, nullptr);
    ZNode* idle = button->GetStatePicture(ZButton2D::kIdle);

    button->SetEnabled(true);
    EXPECT_EQ(log.Text(), "") << "enabling a button that was never disabled";
    button->SetEnabled(false);
    button->SetEnabled(false);
    EXPECT_EQ(log.Text(), "disabled:ok");
    EXPECT_EQ(button->GetVisualState(), ZButton2D::kDisabled);
    EXPECT_FLOAT_EQ(Alpha(idle), ZButton2D::kDisabledAlpha);

    ClickAt(0.0f, 0.0f);
    MoveToLogical(300.0f, 200.0f);
    Frame();
    EXPECT_EQ(log.Text(), "disabled:ok over:ok out:ok");
    EXPECT_EQ(button->GetVisualState(), ZButton2D::kDisabled);
    EXPECT_FLOAT_EQ(Alpha(idle), ZButton2D::kDisabledAlpha);

    button->SetEnabled(true);
    EXPECT_EQ(log.Text(), "disabled:ok over:ok out:ok enabled:ok");
    EXPECT_EQ(button->GetVisualState(), ZButton2D::kIdle);
    EXPECT_FLOAT_EQ(Alpha(idle), 1.0f);
    ClickAt(0.0f, 0.0f);
    EXPECT_NE(log.Text().find("clicked:ok"), std::string::npos);
}

TEST_F(ButtonTest, TheActivatedPictureShowsInEveryState)
{
    ZButton2D* button = Load(R"(<scenetree>
  <button2d name="tool" idle="a" hover="b" activated="c">
    <sprite2d name="a" width="60" height="60"/>
    <sprite2d name="b" width="60" height="60"/>
    <sprite2d name="c" width="60" height="60"/>
  </button2d>
</scenetree>)",
                             "tool");
    ASSERT_NE(button, nullptr);
    ZNode* activated = button->GetStatePicture(ZButton2D::kActivated);
    button->SetActivated(true);
    EXPECT_EQ(button->GetCurrentPicture(), activated);
    for (int32_t state : {ZButton2D::kHover, ZButton2D::kClicked, ZButton2D::kIdle})
    {
        button->SetVisualState(state);
        EXPECT_EQ(button->GetCurrentPicture(), activated) << state;
        EXPECT_FALSE(activated->IsHidden());
        EXPECT_TRUE(button->GetStatePicture(ZButton2D::kIdle)->IsHidden());
    }
    button->SetActivated(false);
    EXPECT_EQ(button->GetCurrentPicture(), button->GetStatePicture(ZButton2D::kIdle));
    EXPECT_TRUE(activated->IsHidden());
}

TEST_F(ButtonTest, LayoutPartsHitZoneCaptionAndUnknownChildren)
{
    ZButton2D* button = Load(R"(<scenetree>
  <button2d name="play" idle="missing" hitzone="zone" fonttext="label" text="Play">
    <sprite2d name="zone" width="200" height="80"/>
    <fonttext name="label" text="from layout"/>
  </button2d>
</scenetree>)",
                             "play");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetStatePicture(ZButton2D::kIdle), nullptr);
    ZNode* zone = button->GetHitZone();
    ASSERT_NE(zone, nullptr);
    EXPECT_EQ(button->GetHitNode(), zone);
    EXPECT_TRUE(zone->TestFlags(kNodePickable | kNodeHandPointer));
    EXPECT_FLOAT_EQ(Alpha(zone), 0.0f);
    ASSERT_NE(button->GetCaptionNode(), nullptr);
    EXPECT_EQ(button->GetCaptionNode()->GetText(), "Play");
    button->SetText("Again");
    EXPECT_EQ(button->GetCaptionNode()->GetText(), "Again");

    // The invisible zone takes the pointer; a button without pictures changes only its state.
    ClickAt(90.0f, 30.0f);
    EXPECT_EQ(log.Text(), "over:play pressed:play clicked:play released:play");
    EXPECT_EQ(button->GetVisualState(), ZButton2D::kHover);
}

TEST_F(ButtonTest, ButtonsOfALowerScreenReactOnlyWhenTheTopScreenLetsThem)
{
    ZButton2D* button = Load(kIdleHover, "ok");
    ASSERT_NE(button, nullptr);
    uitest::ScreenState dialog("dialog", false);
    // The screen stays pickable beneath the dialog, so only the button's own rule holds it back.
    screen.SetFlags(kStatePickedWhileCovered);
    ZGame::GotoState(&dialog);
    Frames(3);
    ASSERT_EQ(game->GetTopState(), &dialog);

    ClickAt(0.0f, 0.0f);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(button->GetVisualState(), ZButton2D::kIdle);

    MoveToLogical(300.0f, 200.0f);
    dialog.SetSpare(true);
    ClickAt(0.0f, 0.0f);
    EXPECT_EQ(log.Text(), "over:ok pressed:ok clicked:ok released:ok");
    game->PopState();
    Frames(3);
}

TEST_F(ButtonTest, TheSecondStageTakesTheHoverAndClickSoundsByName)
{
    ZSerializerState* state = ZSerializerBase::FindByName("sound")->CreateNew();
    ASSERT_NE(state, nullptr);
    state->SetAttribute(ZNameId("name"), "name", "button_click");
    ZSerializerState::Release(state);
    ZSound* click = ZSound::Find("button_click");
    ASSERT_NE(click, nullptr);
    ZButton2D* button = Load(kIdleHover, "ok");
    ASSERT_NE(button, nullptr);
    button->EnterPhase2();
    EXPECT_EQ(button->GetStateSound(ZButton2D::kClicked), click);
    EXPECT_EQ(button->GetStateSound(ZButton2D::kHover), nullptr) << "no such sound";
    EXPECT_EQ(button->GetStateSound(ZButton2D::kIdle), nullptr);
    // Without an audio object nothing plays and the events still come.
    ClickAt(0.0f, 0.0f);
    EXPECT_EQ(log.Text(), "over:ok pressed:ok clicked:ok released:ok");
}
