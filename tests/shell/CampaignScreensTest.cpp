// The crew's screens and the bonus games as the game object makes them and hands them to the
// campaign, on the real state stack with the game's own layouts: a bonus entry of the campaign
// script and the sea chart's bonus buttons play a bonus game framed by the prize dialog, focus
// loss pauses the game, and the inventory screen opens and closes.
#include <gtest/gtest.h>

#include "engine/core/ZPropertyManager.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "game/dive/campaign/ZLevelControlEntry.h"
#include "game/dive/crew/ZBonusEndOfLevel.h"
#include "game/dive/crew/ZInventory.h"
#include "game/dive/crew/ZInventoryScreen.h"
#include "game/hiddenobject/ZHiddenObjectGame.h"
#include "game/hiddenobject/ZHiddenObjectLevel.h"
#include "game/screens/ZShop.h"
#include "game/screens/map/ZMapScreen.h"
#include "game/shell/ZGameMainMenu.h"
#include "tests/shell/ShellTestSupport.h"

using shelltest::ShellTest;

namespace
{
// The index of the campaign's first entry that shows bonus game `number`, or -1.
int FindBonusEntry(int number)
{
    const auto& entries = ZLevelControl::GetInstance()->GetEntries();
    for (size_t i = 0; i < entries.size(); ++i)
        if (auto* state = ZEntityCast<ZLevelState>(entries[i]);
            state && state->kind == ZLevelState::kBonus && state->level == number)
            return int(i);
    return -1;
}

// The player's treasure and every item count, in one figure that any payment raises.
int64_t Wealth()
{
    ZPropertyInt* treasure = ZPropertyManager::GetInstance()->FindTyped<int32_t>("profile.treasure");
    int64_t sum = treasure ? treasure->GetValue() : 0;
    if (ZInventory* inventory = ZInventory::PeekInstance())
        for (int item = 0; item < ZInventoryScreen::kItems; ++item)
            sum += inventory->GetCount(item);
    return sum;
}
} // namespace

TEST_F(ShellTest, ABonusEntryOfTheCampaignPlaysTheBonusGameBetweenThePrizeDialogsPages)
{
    // The game's texts, as the engine reads them at start: the dialog shows the level's.
    engine->MountResources();
    MakePlayer("Ann");
    StartGame();
    Frames(40);
    ZBonusEndOfLevel* dialog = quorvane->GetBonusDialog();
    ASSERT_NE(dialog, nullptr);
    for (int number = 0; number < ZQuorvane::kBonusGames; ++number)
    {
        SCOPED_TRACE(number);
        ZHiddenObjectGame* bonus = quorvane->GetBonusGame(number);
        ASSERT_NE(bonus, nullptr);
        EXPECT_EQ(bonus->GetLocation(), number);
        const int entry = FindBonusEntry(number);
        ASSERT_GE(entry, 1);
        // The campaign steps on from the entry before into the bonus entry.
        ZLevelControl* campaign = ZLevelControl::GetInstance();
        campaign->SetEntryIndex(entry - 1);
        campaign->Advance();
        Frames(30);
        ASSERT_NE(bonus->GetCurrentLevel(), nullptr);
        // The start page over the game: the level's title, its intro and the prize.
        ASSERT_EQ(Top(), State(dialog));
        EXPECT_TRUE(dialog->IsBeforeSearch());
        const char* title = bonus->GetCurrentLevel()->GetPrizeTitle();
        ASSERT_NE(title, nullptr) << bonus->GetCurrentLevel()->GetName();
        EXPECT_EQ(dialog->GetText("title"), title);
        EXPECT_FALSE(dialog->GetText("text").empty());
        EXPECT_EQ(dialog->GetText("prize_count"),
                  "x " + std::to_string(bonus->GetCurrentLevel()->GetPrizeCount()));
        EXPECT_EQ(bonus->GetPhase(), ZHiddenObjectGame::kPhaseIdle);
        ASSERT_NE(dialog->GetButton(), nullptr);
        ClickOn(dialog->GetButton());
        Frames(30);
        ASSERT_EQ(Top(), State(bonus));
        EXPECT_EQ(bonus->GetPhase(), ZHiddenObjectGame::kPhasePlaying);

        // Won: the game pays the prize; the result page shows it, pays nothing more and closes
        // both.
        bonus->EndLevel(true);
        Frames(30);
        ASSERT_EQ(Top(), State(dialog));
        EXPECT_FALSE(dialog->IsBeforeSearch());
        EXPECT_EQ(dialog->GetText("prize_count"),
                  "x " + std::to_string(bonus->GetCurrentLevel()->GetPrizeCount()));
        const int64_t paid = Wealth();
        ClickOn(dialog->GetButton());
        Frames(30);
        EXPECT_NE(Top(), State(dialog));
        EXPECT_NE(Top(), State(bonus));
        EXPECT_EQ(Wealth(), paid);
        quorvane->ClearStates(quorvane->GetMainMenu());
        Frames(30);
    }
}

TEST_F(ShellTest, FocusLossPausesTheBonusGameOnTopAndFocusBringsItBack)
{
    MakePlayer("Ann");
    StartGame();
    Frames(40);
    g_enginePauseOnBlur.SetValue(true);
    ZHiddenObjectGame* bonus = quorvane->GetBonusGame(0);
    ASSERT_NE(bonus, nullptr);
    quorvane->PrepareCampaignScreen("bonus", 0, "", "", "", "");
    ZGame::GotoState(bonus);
    Frames(30);
    // The start page covers the game; it is closed to play.
    if (Top() == State(quorvane->GetBonusDialog()))
        ClickOn(quorvane->GetBonusDialog()->GetButton());
    Frames(30);
    ASSERT_EQ(Top(), State(bonus));
    EXPECT_FALSE(bonus->IsFadedOut());
    EXPECT_TRUE(quorvane->OnFocusLost());
    Frames(60);
    EXPECT_TRUE(bonus->IsFadedOut());
    quorvane->OnFocusGained();
    Frames(60);
    EXPECT_FALSE(bonus->IsFadedOut());
}

TEST_F(ShellTest, TheInventoryScreenOpensWithTheBeltAndContinueCloses)
{
    MakePlayer("Ann");
    StartGame();
    Frames(40);
    g_profileToolBelt.SetValue(true);
    ZInventoryScreen* inventory = quorvane->GetInventoryScreen();
    ASSERT_NE(inventory, nullptr);
    ZGame::GotoState(inventory);
    Frames(30);
    ASSERT_EQ(Top(), State(inventory));
    EXPECT_NE(inventory->GetSlot(0), nullptr);
    EXPECT_NE(inventory->GetItemButton(0), nullptr);
    ASSERT_NE(inventory->GetContinueButton(), nullptr);
    ClickOn(inventory->GetContinueButton());
    Frames(30);
    EXPECT_EQ(Top(), State(quorvane->GetMainMenu()));
    g_profileToolBelt.Reset(false);
}

TEST_F(ShellTest, TheMapsBonusButtonsPlayTheirBonusGamesAndLeavingReturnsToTheChart)
{
    engine->MountResources();
    MakePlayer("Ann");
    StartGame();
    Frames(40);
    g_profileBonusLevel.SetValue(ZQuorvane::kBonusGames);
    auto* map = static_cast<ZMapScreen*>(quorvane->GetMapScreen());
    ASSERT_NE(map, nullptr);
    ZBonusEndOfLevel* dialog = quorvane->GetBonusDialog();
    ASSERT_NE(dialog, nullptr);
    ZGame::GotoState(map);
    Frames(40);
    // One island after the other from the same chart: the chart is left again each time, which
    // once stopped its screen switch for good after the first visit.
    for (int number = 0; number < ZQuorvane::kBonusGames; ++number)
    {
        SCOPED_TRACE(number);
        ASSERT_EQ(Top(), State(map));
        ZButton2D* button = map->GetBonusButton(number);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->IsActive() && !button->IsHidden());
        // The player clicks the island's button: the game comes up under its start page.
        ClickOn(button);
        Frames(40);
        ZHiddenObjectGame* bonus = quorvane->GetBonusGame(number);
        ASSERT_NE(bonus->GetCurrentLevel(), nullptr);
        ASSERT_EQ(Top(), State(dialog));
        EXPECT_TRUE(dialog->IsBeforeSearch());
        EXPECT_EQ(dialog->GetText("title"), bonus->GetCurrentLevel()->GetPrizeTitle());
        ClickOn(dialog->GetButton());
        Frames(30);
        ASSERT_EQ(Top(), State(bonus));
        EXPECT_EQ(bonus->GetPhase(), ZHiddenObjectGame::kPhasePlaying);
        // Leaving with nothing found asks nothing and goes back to the chart.
        ClickOn(bonus->GetLeaveButton());
        Frames(40);
        EXPECT_EQ(Top(), State(map));
    }
    g_profileBonusLevel.Reset(false);
}

TEST_F(ShellTest, TheMapsShopButtonOpensItsShop)
{
    engine->MountResources();
    MakePlayer("Ann");
    StartGame();
    Frames(40);
    auto* map = static_cast<ZMapScreen*>(quorvane->GetMapScreen());
    ASSERT_NE(map, nullptr);
    ZGame::GotoState(map);
    Frames(40);
    ASSERT_EQ(Top(), State(map));
    ASSERT_NE(map->GetShopButton(0), nullptr);
    map->OnClicked(map->GetShopButton(0));
    Frames(40);
    EXPECT_EQ(Top(), State(quorvane->GetShop(0)));
    // Leaving the shop goes back to the chart.
    ZGame::PeekInstance()->PopState();
    Frames(40);
    EXPECT_EQ(Top(), State(map));
}
