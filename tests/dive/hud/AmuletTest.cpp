// The amulet on the dive's HUD: its introduction on the level that brings it (the board's full
// turn, the message, the music held back, the top bar revealed, play after it), the rotation charge
// with its buttons and boosts, and the medal popup's stages.
#include <cmath>

#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/ui/ZSprite2D.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/hud/ZAmuletIntro.h"
#include "game/dive/hud/ZMedalPopup.h"
#include "tests/dive/hud/HudTestSupport.h"

using hudtest::HudTest;
using hudtest::ShellSetting;

namespace
{
class AmuletTest : public HudTest
{
protected:
    // Enters the dive again with the amulet to introduce, and starts the level.
    void EnterIntroducingLevel()
    {
        game->ClearStates(&screen);
        Frames(3);
        g_profileIntroduceAmulet.SetValue(true);
        ZGame::GotoState(dive);
        Frames(3);
        ASSERT_TRUE(dive->StartLevel("open", 3, -1));
    }
    void TearDown() override
    {
        g_profileIntroduceAmulet.SetValue(false);
        HudTest::TearDown();
    }
};
} // namespace

TEST_F(AmuletTest, TheLevelThatBringsTheAmuletPlaysItsIntroductionFirst)
{
    ShellSetting<bool> rotation("profile.rotation", true);
    EnterIntroducingLevel();
    ASSERT_NE(dive->GetAmuletIntro(), nullptr);
    EXPECT_TRUE(dive->GetTopBar()->IsHidden());
    // The board fades in, then the introduction takes over; the music waits.
    Run(1.1);
    ASSERT_EQ(dive->GetPhase(), ZInGame::kAmuletIntro);
    ZAmuletIntro* intro = dive->GetAmuletIntro();
    EXPECT_TRUE(intro->IsActive());
    EXPECT_FALSE(dive->IsMusicStarted());
    // One second in, the message.
    Run(1.05);
    ASSERT_FALSE(shell.popups.empty());
    EXPECT_EQ(shell.popups.back(), ZStringTable::GetInstance()->GetText("game.amulet"));
    // In the long phase the board turns once while the amulet turns twice.
    Run(1.0);
    ASSERT_EQ(intro->GetPhase(), 3);
    EXPECT_GT(intro->GetBoardTurn(), 0.0f);
    EXPECT_NEAR(intro->GetAmuletTurn(), 2.0f * intro->GetBoardTurn(), 1e-3f);
    // Pausing freezes it.
    dive->SetPaused(true, false);
    const float turn = intro->GetBoardTurn();
    Run(1.0);
    EXPECT_TRUE(intro->IsPaused());
    EXPECT_FLOAT_EQ(intro->GetBoardTurn(), turn);
    dive->SetPaused(false, false);
    Run(2.7);
    EXPECT_GE(intro->GetPhase(), 4);
    EXPECT_NEAR(intro->GetBoardTurn(), 6.2831853f, 1e-3f) << "one full turn";
    // It settles, reveals the top bar and closes; four seconds later the dive plays.
    Run(3.0);
    EXPECT_FALSE(intro->IsActive());
    EXPECT_FALSE(dive->GetTopBar()->IsHidden());
    EXPECT_EQ(dive->GetPhase(), ZInGame::kAmuletIntro);
    EXPECT_FALSE(dive->IsMusicStarted());
    Run(4.2);
    EXPECT_EQ(dive->GetPhase(), ZInGame::kPlaying);
    EXPECT_TRUE(dive->IsMusicStarted());
    EXPECT_FALSE(g_profileIntroduceAmulet.GetValue());
    EXPECT_EQ(pointer->GetLockCount(), 0) << "the pointer is free again";
}

TEST_F(AmuletTest, TheSettlingFrameNeverLeavesItsRange)
{
    EXPECT_EQ(ZAmuletIntro::FrameFor(0.0f), 0);
    EXPECT_EQ(ZAmuletIntro::FrameFor(0.5f), 3);
    EXPECT_EQ(ZAmuletIntro::FrameFor(1.0f), 6);
    EXPECT_EQ(ZAmuletIntro::FrameFor(-1.0f), 0);
}

TEST_F(HudTest, TheRotateButtonsTurnTheBoardAndWaitForTheCharge)
{
    ShellSetting<bool> rotation("profile.rotation", true);
    ASSERT_TRUE(Start("open"));
    ZButton2D* left = dive->GetRotateButton(0);
    ASSERT_NE(left, nullptr);
    EXPECT_TRUE(left->IsEnabled()) << "the first turn is there from the start";
    const int turns = board->quarterTurns();
    dive->OnClicked(left);
    EXPECT_TRUE(board->isRotating());
    EXPECT_FALSE(left->IsEnabled());
    EXPECT_FALSE(dive->GetRotateButton(1)->IsEnabled());
    Run(ZInGame::BoardRotationSeconds(0) + 0.2);
    EXPECT_NE(board->quarterTurns(), turns);
    ZProgressBarTimer* charge = dive->GetRotationCharge();
    ASSERT_NE(charge, nullptr);
    EXPECT_NEAR(charge->GetDuration(), ZInGame::RotationChargeSeconds(0) * ZInGame::AmuletChargeFactor(0), 1e-4);

    // A boost half way keeps the charge half full with the longer duration; its end never drops
    // the factor below 1.
    charge->remaining = charge->GetDuration() / 2.0;
    dive->BoostRotationCharge(2.0f);
    EXPECT_NEAR(charge->GetDisplayValue(), 0.5f, 1e-4f);
    EXPECT_NEAR(charge->GetDuration(), 2.0 * 36.0, 1e-3);
    dive->EndRotationBoost(4.0f);
    EXPECT_FLOAT_EQ(dive->GetRotationChargeFactor(), 1.0f);
    EXPECT_NEAR(charge->GetDisplayValue(), 0.5f, 1e-4f);

    Run(charge->GetDuration() / 2.0 + 0.5);
    EXPECT_TRUE(left->IsEnabled());
    EXPECT_TRUE(dive->GetRotateButton(1)->IsEnabled());
}

TEST_F(HudTest, EffectEmittersShowWhileARunningAbilityFeedsThem)
{
    ASSERT_TRUE(Start("open"));
    ASSERT_NE(dive->GetEffectEmitter(2), nullptr);
    EXPECT_TRUE(dive->GetEffectEmitter(2)->IsHidden());
    dive->AddEffectValue(0x02, 0.5f);
    EXPECT_FALSE(dive->GetEffectEmitter(2)->IsHidden());
    EXPECT_FLOAT_EQ(dive->GetEffectValue(2), 0.5f);
    // Each frame starts from nothing: without a feeder it hides again.
    Frames(1);
    EXPECT_TRUE(dive->GetEffectEmitter(2)->IsHidden());
}

TEST_F(HudTest, TheMedalPopupSwellsLiftsAndShrinksAway)
{
    ZSprite2D* medal = Sprite("medal", dive->GetRoot(), 0.0f, 0.0f, 0.0f, 100.0f, 100.0f);
    ZMedalPopup* popup = ZMedalPopup::Create();
    popup->SetTarget(medal);
    popup->SetStartPosition(10.0f, 20.0f);
    popup->SetActive(true);
    EXPECT_FLOAT_EQ(medal->GetAlpha(), 0.0f);
    popup->Apply(0.15f);
    EXPECT_EQ(popup->GetStage(), 0);
    EXPECT_FLOAT_EQ(medal->GetAlpha(), 1.0f);
    EXPECT_NEAR(medal->Position().y, 20.0f, 1e-4f);
    popup->Apply(0.8f);
    EXPECT_EQ(popup->GetStage(), 1);
    EXPECT_NEAR(medal->Position().y, 38.0f, 1e-4f) << "18 units above the start";
    popup->Apply(0.81f);
    EXPECT_EQ(popup->GetStage(), 2);
    EXPECT_LT(medal->GetAlpha(), 1.0f);
    popup->Apply(1.0f);
    EXPECT_FALSE(popup->IsActive());
    EXPECT_FALSE(medal->IsActive()) << "the medal hides at the end";
    popup->Release();
}
