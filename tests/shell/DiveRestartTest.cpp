// The dive started by board name, on the real state stack with the game's own screens: the dive
// ends, the end of level counts it and its continue starts the same board again. The new dive
// starts with an empty chest and an empty completion bar, and the score board shows the score
// the last dive earned. A dive whose air runs out ends in the game-over dialog.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/controllers/ZProgressBar.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZDialogGameState.h"
#include "game/dive/ZInGame.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/hud/ZScoreBoard.h"
#include "game/dive/hud/ZTreasureBar.h"
#include "game/screens/ZGameEndOfLevel.h"
#include "tests/shell/ShellTestSupport.h"

using namespace shelltest;

namespace
{
class DiveRestartTest : public ShellTest
{
protected:
    void TearDown() override
    {
        g_zelkBoard.SetValue(std::string());
        ShellTest::TearDown();
    }
    // Frames until the state is on top (at most `limit`).
    bool RunUntilTop(ZGameState* state, int limit)
    {
        for (int i = 0; i < limit && Top() != state; ++i)
            Frames(1);
        return Top() == state;
    }
};
} // namespace

TEST_F(DiveRestartTest, ADiveStartedAgainAfterItsEndOfLevelStartsEmptyAndShowsTheNewScore)
{
    MakePlayer("Ann");
    g_zelkBoard.SetValue("sand_01");
    StartGame();
    auto* dive = static_cast<ZInGame*>(quorvane->GetInGame());
    ASSERT_TRUE(RunUntilTop(dive, 400));
    Frames(250); // the board fades in and the air starts
    ZTreasureBar* chest = ZTreasureBar::PeekInstance();
    ZCompletionBar* bar = ZCompletionBar::PeekInstance();
    ZScoreBoard* score = ZScoreBoard::PeekInstance();
    ASSERT_NE(chest, nullptr);
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(score, nullptr);
    ASSERT_NE(score->GetText(), nullptr);
    EXPECT_EQ(score->GetText()->GetText(), "00000");

    // Treasure in the chest and two crowns on the bar, then the dive ends.
    chest->AddTreasure(60);
    ZTextureResource* crown = ZTexture::FindOrLoad("resources:artifact_c.png", 0, 1);
    bar->FillSlot('C', crown);
    bar->FillSlot('C', crown);
    Frames(120);
    ASSERT_EQ(bar->GetFilledCount(), 2);
    dive->BeginEndDive();
    ZGameEndOfLevel* end = quorvane->GetEndOfLevel();
    ASSERT_TRUE(RunUntilTop(end, 300));
    // The end of level lifts the crowns off the bar on their way to the money.
    for (int i = 0; i < 1200 && end->GetStep() < ZGameEndOfLevel::kStepAir; ++i)
        Frames(1);
    ASSERT_GE(end->GetStep(), ZGameEndOfLevel::kStepAir);
    EXPECT_TRUE(bar->GetSlotNode(0)->IsHidden());
    // Continue in the middle of the air's count: the dive is counted in full all the same.
    ClickOn(end->GetContinueButton());
    ASSERT_TRUE(RunUntilTop(dive, 400));
    Frames(10);

    EXPECT_EQ(chest->GetContent(), 0u) << "the last dive's treasure stays in the chest";
    EXPECT_EQ(bar->GetFilledCount(), 0);
    for (int i = 0; i < bar->GetSlotNodeCount(); ++i)
    {
        EXPECT_FALSE(bar->IsSlotFilled(i)) << "slot " << i;
        EXPECT_FALSE(bar->GetSlotNode(i)->IsActive())
            << "slot " << i << " still shows the last dive's artifact";
    }
    // The score counted at the end of level: treasure, 100 per artifact and twice the air left.
    const int earned = g_profileScore.GetValue();
    EXPECT_GT(earned, 60 + 200);
    char shown[16];
    std::snprintf(shown, sizeof shown, "%05i", earned);
    EXPECT_EQ(score->GetText()->GetText(), shown);

    // An artifact brought out in the new dive shows on the bar again.
    bar->FillSlot('C', crown);
    EXPECT_TRUE(bar->GetSlotNode(0)->IsActive());
    EXPECT_FALSE(bar->GetSlotNode(0)->IsHidden()) << "the slot the end of level emptied stays hidden";
}

TEST_F(DiveRestartTest, ADiveWhoseAirRunsOutEndsInTheGameOverDialogOverTheDive)
{
    MakePlayer("Ann");
    g_zelkBoard.SetValue("sand_01");
    StartGame();
    auto* dive = static_cast<ZInGame*>(quorvane->GetInGame());
    ASSERT_TRUE(RunUntilTop(dive, 400));
    Frames(250);
    ZProgressBarTimer* air = dive->GetAirTimer();
    ASSERT_NE(air, nullptr);
    ASSERT_GT(air->GetRemaining(), 60.0);
    // The last second of air.
    air->SetDuration(1.0);
    air->Restart();
    ZGameState* gameOver = State(quorvane->GetGameOverDialog());
    ASSERT_NE(gameOver, nullptr);
    ASSERT_TRUE(RunUntilTop(gameOver, 300));
    EXPECT_TRUE(dive->IsLost());
}
