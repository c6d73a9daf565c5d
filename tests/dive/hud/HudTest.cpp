// The dive's HUD on the real state stack: the air with its read-out, warnings, expiry and leak; the
// treasure chest's sizes, fill, drain and coin stream; the score board; the drop targets taking only
// their kinds; the level indicator; the end of a dive, won and lost, and its hand-over.
#include <cmath>
#include <string>

#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSpline.h"
#include "engine/ui/ZDragController.h"
#include "engine/ui/ZSprite2D.h"
#include "game/dive/ZDiveServices.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/hud/ZGuiDropTarget.h"
#include "game/dive/hud/ZLevelIndicator.h"
#include "engine/resource/ZProfileManager.h"
#include "tests/dive/hud/HudTestSupport.h"

using hudtest::HudTest;
using hudtest::ShellSetting;

namespace
{
std::string Readout(double seconds)
{
    char text[32];
    ZOxygenBar::FormatTime(seconds, text, sizeof text);
    return text;
}
} // namespace

TEST_F(HudTest, TheHudHoldsEveryWidgetOfItsLayout)
{
    ASSERT_TRUE(Start("open", 7));
    ASSERT_NE(air, nullptr);
    EXPECT_NE(air->GetReadout(), nullptr);
    EXPECT_NE(air->GetTarget(), nullptr) << "the air bar's sprite";
    ASSERT_NE(chest, nullptr);
    EXPECT_NE(chest->GetText(), nullptr);
    ASSERT_NE(score, nullptr);
    EXPECT_NE(score->GetText(), nullptr);
    for (int i = 0; i < ZInGame::kDropTargets; ++i)
        EXPECT_NE(dive->GetDropTarget(i), nullptr) << i;
    ASSERT_NE(dive->GetLevelIndicator(), nullptr);
    ASSERT_NE(dive->GetLevelIndicator()->GetLevelText(), nullptr);
    EXPECT_EQ(dive->GetLevelIndicator()->GetLevelText()->GetText(), " 7");
    EXPECT_NE(dive->GetLevelIndicator()->GetMenuButton(), nullptr);
    EXPECT_NE(dive->GetTopBar(), nullptr);
    EXPECT_NE(dive->GetEndDiveButton(), nullptr);
    EXPECT_NE(dive->GetRotateButton(0), nullptr);
    EXPECT_NE(dive->GetRotateButton(1), nullptr);
    for (int i = 0; i < ZInGame::kThemes; ++i)
        EXPECT_NE(dive->GetThemeLight(i), nullptr) << i;
    for (int i = 0; i < ZInGame::kAmuletKeys; ++i)
        EXPECT_NE(dive->GetAmuletKey(i), nullptr) << i;
    EXPECT_NE(dive->GetRoot()->FindNode("completionwidget/indicators/indicator_11"), nullptr);
    EXPECT_NE(dive->GetRoot()->FindNode("leftbar/toolbelt/slot_4/button"), nullptr);
    EXPECT_NE(dive->GetRoot()->FindNode("rightbar/artifact_drop"), nullptr);
    // The end-dive button waits for a medal.
    EXPECT_TRUE(dive->GetEndDiveButton()->IsHidden());
}

TEST_F(HudTest, TheAirReadoutRoundsItsSecondsAndPadsItsMinutes)
{
    const struct
    {
        double seconds;
        const char* text;
    } cases[] = {{61.95, " 1:02"}, {59.95, " 0:59"}, {0.0, " 0:00"}, {-5.0, " 0:00"}, {600.0, "10:00"}};
    for (const auto& c : cases)
        EXPECT_EQ(Readout(c.seconds), c.text) << c.seconds;
}

TEST_F(HudTest, TheAirRunsDownWarnsInTheLastMinuteAndRunsOutOnce)
{
    ASSERT_TRUE(Start("open"));
    ASSERT_GT(air->GetDuration(), 60.0);
    const double before = air->GetRemaining();
    Run(2.0);
    EXPECT_NEAR(before - air->GetRemaining(), 2.0, 0.1);
    EXPECT_EQ(air->GetReadout()->GetText(), Readout(air->GetRemaining()));
    EXPECT_EQ(air->GetWarningCount(), 0);

    // At exactly a minute left the first warning and its sound come at once.
    air->remaining = 60.0 + 0.02;
    Frames(2);
    EXPECT_EQ(air->GetWarningCount(), 1);
    EXPECT_EQ(air->GetWarningSoundCount(), 1);
    ASSERT_FALSE(shell.popups.empty());
    EXPECT_EQ(shell.popups.back(), ZStringTable::GetInstance()->GetText("general.airwarning"));
    // Then a warning every 12 s and a sound every 20 s.
    Run(24.5);
    EXPECT_EQ(air->GetWarningCount(), 3);
    EXPECT_EQ(air->GetWarningSoundCount(), 2);

    // While paused no warning is given.
    dive->SetPaused(true, false);
    const int warnings = air->GetWarningCount();
    Run(13.0);
    EXPECT_EQ(air->GetWarningCount(), warnings);
    dive->SetPaused(false, false);

    // The air runs out: the board hears it once and ends the dive.
    air->AddTime(-1.0e6);
    Run(0.5);
    EXPECT_TRUE(air->IsExpired());
    EXPECT_TRUE(dive->IsEnding());
    EXPECT_TRUE(dive->IsLost());
    ASSERT_EQ(shell.gameOvers.size(), 1u);
    EXPECT_FALSE(shell.gameOvers[0]);
}

TEST_F(HudTest, RelaxedPlayKeepsTheAirAndHidesTheReadout)
{
    ShellSetting<bool> relax("profile.relaxmode", true);
    ASSERT_TRUE(Start("open"));
    const double before = air->GetRemaining();
    Run(3.0);
    EXPECT_DOUBLE_EQ(air->GetRemaining(), before);
    EXPECT_TRUE(air->GetReadout()->IsHidden());
    EXPECT_NEAR(air->GetAirConsumed(), 3.0, 0.2) << "the air used is still counted";
}

TEST_F(HudTest, TheLeakDrainsAFullBarInThreeSeconds)
{
    ASSERT_TRUE(Start("open"));
    dive->BeginEndDive();
    ASSERT_NEAR(air->GetDisplayedFraction(), 1.0f, 0.01f);
    air->StartLeak();
    Run(1.5);
    EXPECT_NEAR(air->GetLeakProgress(), 0.5f, 0.05f);
    Run(1.7);
    EXPECT_FLOAT_EQ(air->GetLeakProgress(), 1.0f);
    EXPECT_FALSE(air->IsLeaking());
    air->StopLeak();
}

TEST_F(HudTest, TheAirTimeComesFromTheBoardTheUpgradeAndTheCrew)
{
    // The fourth step of the air upgrade goes on from the table rather than read past it; a crew
    // member without an air factor leaves the air as it is.
    EXPECT_FLOAT_EQ(ZInGame::AirFactor(0), 1.0f);
    EXPECT_FLOAT_EQ(ZInGame::AirFactor(2), 0.76f);
    EXPECT_FLOAT_EQ(ZInGame::AirFactor(3), 0.64f);
    EXPECT_FLOAT_EQ(ZInGame::AirFactor(99), 0.64f);
    EXPECT_NEAR(ZInGame::DiveAirSeconds(120.0, 1, 1.0f), 120.0 / 0.88, 1e-3);
    EXPECT_NEAR(ZInGame::DiveAirSeconds(120.0, 0, 0.0f), 120.0, 1e-9);
    EXPECT_NEAR(ZInGame::DiveAirSeconds(120.0, 0, 1.5f), 80.0, 1e-4);
    // Without a sound length (the silent audio layer) the intro takes 2 s; a 3 s sound stretches it.
    EXPECT_DOUBLE_EQ(ZInGame::IntroProgress(1.0, 0.0), 0.5);
    EXPECT_DOUBLE_EQ(ZInGame::IntroProgress(1.5, 3.0), 0.5);
    EXPECT_DOUBLE_EQ(ZInGame::IntroProgress(9.0, 3.0), 1.0);
    ASSERT_TRUE(Start("open"));
    EXPECT_NEAR(air->GetDuration(), board->airTime(), 1e-3);
}

TEST_F(HudTest, TheChestFillsClosesAndRefusesMore)
{
    ASSERT_TRUE(Start("open"));
    g_profileChest.SetValue(0);
    chest->SetValue(0);
    EXPECT_EQ(chest->GetCapacity(), 1000u);
    chest->AddTreasure(600);
    EXPECT_TRUE(chest->IsOpen());
    chest->AddTreasure(600);
    EXPECT_EQ(chest->GetContent(), 1000u);
    EXPECT_FALSE(chest->IsOpen());
    EXPECT_EQ(chest->GetSlamCount(), 1);
    chest->AddTreasure(50);
    EXPECT_EQ(chest->GetContent(), 1000u);
    EXPECT_EQ(chest->GetFullCount(), 1);
    EXPECT_EQ(chest->GetSlamCount(), 1);
    ZNode* size0 = chest->GetSizeNode(0);
    ASSERT_NE(size0, nullptr);
    EXPECT_TRUE(size0->FindNode("open")->IsHidden());
    EXPECT_FALSE(size0->FindNode("closed")->IsHidden());

    // A bigger chest opens again; a smaller one cuts the content.
    g_profileChest.SetValue(1);
    EXPECT_EQ(chest->GetCapacity(), 2000u);
    EXPECT_TRUE(chest->IsOpen());
    EXPECT_EQ(chest->GetChestNode(), chest->GetSizeNode(1));
    EXPECT_TRUE(size0->IsHidden());
    chest->SetValue(1800);
    g_profileChest.SetValue(0);
    EXPECT_EQ(chest->GetContent(), 1000u);
    EXPECT_FALSE(chest->IsOpen());
    g_profileChest.SetValue(0);
}

TEST_F(HudTest, TheChestSizesAndTheirContentText)
{
    ASSERT_TRUE(Start("open"));
    const unsigned capacity[5] = {1000, 2000, 4000, 8000, 25000};
    for (int size = 0; size < 5; ++size)
    {
        g_profileChest.SetValue(size);
        EXPECT_EQ(chest->GetCapacity(), capacity[size]) << size;
        EXPECT_EQ(chest->GetChestNode(), chest->GetSizeNode(size)) << size;
        EXPECT_FALSE(chest->GetSizeNode(size)->IsHidden()) << size;
        EXPECT_GT(chest->GetHaloScale(), 0.9f) << "every size has a halo, also past the table's three";
    }
    g_profileChest.SetValue(0);
    chest->SetValue(950);
    EXPECT_EQ(chest->GetText()->GetText(), "  950");
}

TEST_F(HudTest, TheDrainEmptiesTheChestAtItsRateAndStopsAtZero)
{
    ASSERT_TRUE(Start("open"));
    g_profileChest.SetValue(0);
    chest->SetValue(1000);
    chest->StartDrain(500.0f);
    Run(1.0);
    EXPECT_NEAR(double(chest->GetContent()), 500.0, 30.0);
    Run(1.2);
    EXPECT_EQ(chest->GetContent(), 0u) << "no wrap-around to a full chest";
    EXPECT_FALSE(chest->IsDraining());
}

TEST_F(HudTest, TheCoinStreamStopsAtThreeQuartersAndFadesOutByTheEnd)
{
    ASSERT_TRUE(Start("open"));
    ZSplineNode* path = ZSplineNode::Create();
    ZSpline* spline = ZSpline::Create();
    spline->AddKnot(ZSplineKnot::Create(V4{-200.0f, 0.0f, 0.0f, 1.0f}));
    spline->AddKnot(ZSplineKnot::Create(V4{200.0f, 100.0f, 0.0f, 1.0f}));
    path->SetSpline(spline);
    dive->GetRoot()->AddChild(path);
    chest->InitCoinStream(path);
    int most = 0;
    for (int i = 0; i < 150; ++i)
    {
        Frame();
        chest->UpdateCoinStream(0.5f);
        most = std::max(most, chest->GetLiveCoins());
    }
    EXPECT_GT(most, 50);
    EXPECT_LE(most, ZTreasureBar::kCoinPool) << "never more coins than the pool holds";
    const int live = chest->GetLiveCoins();
    Frame();
    chest->UpdateCoinStream(0.75f);
    EXPECT_LE(chest->GetLiveCoins(), live) << "no new coins from three quarters on";
    Frame();
    chest->UpdateCoinStream(1.0f);
    for (ZSprite* coin : chest->GetCoinSprites())
    {
        if (!coin->IsHidden())
        {
            EXPECT_FLOAT_EQ(coin->GetAlpha(), 0.0f);
        }
    }
    chest->ClearCoinStream();
    EXPECT_EQ(chest->GetLiveCoins(), 0);
}

TEST_F(HudTest, TreasurePoppedOnTheBoardFliesIntoTheChest)
{
    ASSERT_TRUE(Start("open"));
    g_profileChest.SetValue(0);
    chest->SetValue(0);
    ASSERT_TRUE(GetDiveServices()->PayTreasure(120, {0.0f, 0.0f, 0.0f}, nullptr));
    EXPECT_EQ(chest->GetFlightsInAir(), 1);
    EXPECT_EQ(chest->GetContent(), 0u) << "paid when it arrives";
    Run(ZTreasureBar::kFlightSeconds + 0.2);
    EXPECT_EQ(chest->GetContent(), 120u);
    EXPECT_EQ(chest->GetFlightsInAir(), 0);
}

TEST_F(HudTest, TheScoreBoardFollowsTheProfileScore)
{
    ASSERT_TRUE(Start("open"));
    const int old = g_profileScore.GetValue();
    g_profileScore.SetValue(42);
    EXPECT_EQ(score->GetText()->GetText(), "00042");
    g_profileScore.SetValue(123456);
    EXPECT_EQ(score->GetText()->GetText(), "123456");
    g_profileScore.SetValue(old);
}

TEST_F(HudTest, DropTargetsTakeOnlyTheirKindOfAbility)
{
    EXPECT_EQ(ZGuiDropTarget::ParseDropType("air"), ZGuiDropTarget::kAir);
    EXPECT_EQ(ZGuiDropTarget::ParseDropType("rotate"), ZGuiDropTarget::kRotate);
    EXPECT_EQ(ZGuiDropTarget::ParseDropType("Air"), -1) << "compared exactly";
    EXPECT_EQ(ZGuiDropTarget::ParseDropType(nullptr), -1);
    ASSERT_TRUE(Start("open"));
    ZAbilityManager* manager = ZAbilityManager::GetInstance();
    ZGuiDropTarget* level = dive->GetDropTarget(0);
    ZGuiDropTarget* treasure = dive->GetDropTarget(1);
    ZGuiDropTarget* airTarget = dive->GetDropTarget(2);
    ZGuiDropTarget* rotate = dive->GetDropTarget(3);
    ASSERT_TRUE(level && treasure && airTarget && rotate);
    EXPECT_EQ(level->GetDropType(), ZGuiDropTarget::kLevel);
    EXPECT_EQ(treasure->GetDropType(), ZGuiDropTarget::kTreasure);
    EXPECT_EQ(airTarget->GetDropType(), ZGuiDropTarget::kAir);
    EXPECT_EQ(rotate->GetDropType(), ZGuiDropTarget::kRotate);

    ZSprite2D* icon = Sprite("icon", dive->GetRoot(), 0.0f, 0.0f, -10.0f, 40.0f, 40.0f);
    ZDragController* drag = ZDragController::Create(icon);
    // A drag that carries nothing is taken by no target, and a drop of it only disarms.
    EXPECT_FALSE(airTarget->Accepts(icon, drag));
    airTarget->Drop(icon, drag);

    ZAbility* air2 = manager->ArmAbilityById(ZAbilityManager::FindAbilityId("air2"));
    ASSERT_NE(air2, nullptr);
    drag->SetPayload(air2);
    for (ZGuiDropTarget* target : {level, treasure, rotate})
        EXPECT_FALSE(target->Accepts(icon, drag)) << target->GetDropType();
    EXPECT_TRUE(airTarget->Accepts(icon, drag));

    // Dropped on its own kind it fires: the air comes back.
    air->AddTime(-30.0);
    const double before = air->GetRemaining();
    airTarget->Drop(icon, drag);
    EXPECT_GT(air->GetRemaining(), before);
    EXPECT_FALSE(manager->HasArmedAbility());

    // Dropped elsewhere it is only disarmed.
    ZAbility* again = manager->ArmAbilityById(ZAbilityManager::FindAbilityId("air2"));
    drag->SetPayload(again);
    const double kept = air->GetRemaining();
    treasure->Drop(icon, drag);
    EXPECT_FALSE(manager->HasArmedAbility());
    EXPECT_NEAR(air->GetRemaining(), kept, 0.05);
    drag->SetPayload(nullptr);
}

TEST_F(HudTest, ADraggedAbilityLightsOnlyTheTargetsOfItsKind)
{
    ASSERT_TRUE(Start("open"));
    ZSprite2D* icon = Sprite("icon", dive->GetRoot(), 0.0f, 0.0f, -10.0f, 40.0f, 40.0f);
    ZDragController* drag = ZDragController::Create(icon);
    for (int i = 0; i < ZInGame::kDropTargets; ++i)
        drag->AddListener(dive->GetDropTarget(i));
    ZAbility* ability = ZAbilityManager::GetInstance()->ArmAbilityById(ZAbilityManager::FindAbilityId("air2"));
    drag->SetPayload(ability);
    for (int i = 0; i < ZInGame::kDropTargets; ++i)
        dive->GetDropTarget(i)->OnDragStart(icon, drag);
    for (int i = 0; i < ZInGame::kDropTargets; ++i)
    {
        ZGuiDropTarget* target = dive->GetDropTarget(i);
        ASSERT_NE(target->GetDragNode(), nullptr) << i;
        EXPECT_EQ(target->IsArmed(), target->GetDropType() == ZGuiDropTarget::kAir) << i;
        EXPECT_EQ(!target->GetDragNode()->IsHidden(), target->GetDropType() == ZGuiDropTarget::kAir) << i;
    }
    for (int i = 0; i < ZInGame::kDropTargets; ++i)
        dive->GetDropTarget(i)->OnDragEnd(icon, drag);
    drag->SetPayload(nullptr);
    ZAbilityManager::GetInstance()->DisarmAbility();
}

TEST_F(HudTest, AWonDiveHandsItsResultsToTheEndOfLevelScreen)
{
    ASSERT_TRUE(Start("open", 4));
    ASSERT_EQ(board->threshold(0), 2);
    bar->FillSlot('D', nullptr);
    bar->FillSlot('T', nullptr);
    Run(1.0);
    dive->BeginEndDive();
    Run(2.0);
    ASSERT_EQ(dive->GetPhase(), ZInGame::kFinished);
    ASSERT_EQ(shell.results.size(), 1u);
    const SDiveResult& result = shell.results[0];
    EXPECT_EQ(result.medal, 0);
    EXPECT_EQ(result.artifacts, 2);
    EXPECT_EQ(result.completionPoints, 200);
    EXPECT_EQ(result.levelNumber, 4);
    EXPECT_EQ(result.title, "4");
    EXPECT_FALSE(result.lost);
    EXPECT_GT(result.airLeft, 0.0f);
    EXPECT_EQ(result.airBonus, int(result.airLeft * 2.0f));
    EXPECT_EQ(shell.outOfAir, 0);
    EXPECT_TRUE(shell.gameOvers.empty());
}

TEST_F(HudTest, ALostDiveEndsWithTheGameOverAndNoMedal)
{
    ASSERT_TRUE(Start("shortair"));
    Run(4.0);
    EXPECT_TRUE(dive->IsLost());
    ASSERT_EQ(shell.gameOvers.size(), 1u);
    EXPECT_FALSE(shell.gameOvers[0]);
    ASSERT_EQ(shell.results.size(), 1u);
    EXPECT_EQ(shell.results[0].medal, -1);
    EXPECT_TRUE(shell.results[0].lost);
    EXPECT_FLOAT_EQ(shell.results[0].airLeft, 0.0f);
}

TEST_F(HudTest, TheEndScreenOpensWithTheDiverOutOfAirAndAnOverrideIsUsedOnce)
{
    uitest::ScreenState endScreen("ZGameEndOfLevel", false);
    shell.endScreen = &endScreen;
    ASSERT_TRUE(Start("shortair"));
    // Skipping the level gives silver whatever was collected.
    dive->SkipLevel();
    Run(1.0);
    ASSERT_EQ(shell.results.size(), 1u);
    EXPECT_EQ(shell.results[0].medal, 2);
    EXPECT_EQ(dive->GetMedalOverride(), -1);
    Frames(3);
    EXPECT_EQ(game->GetTopState(), &endScreen);
    game->ClearStates(dive);
    Frames(3);
    shell.endScreen = nullptr;

    // Next dive: the air runs out and the end screen hears that the diver ran out of air.
    shell.endScreen = &endScreen;
    ASSERT_TRUE(Start("shortair"));
    Run(4.0);
    ASSERT_EQ(shell.results.size(), 2u);
    EXPECT_EQ(shell.results[1].medal, -1) << "the override was used once";
    EXPECT_EQ(shell.outOfAir, 1);
    shell.endScreen = nullptr;
    Frames(3);
    // The end screen goes before the test's screen does.
    game->ClearStates(&screen);
    Frames(3);
}

TEST_F(HudTest, TheMedalTableAndAZeroCompletion)
{
    const int thresholds[4] = {0, 2, 3, 4};
    EXPECT_EQ(ZInGame::MedalFor(0, thresholds), -1) << "nothing collected is no medal, even at 0";
    EXPECT_EQ(ZInGame::MedalFor(1, thresholds), 0);
    EXPECT_EQ(ZInGame::MedalFor(3, thresholds), 2);
    EXPECT_EQ(ZInGame::MedalFor(9, thresholds), 3);
}
