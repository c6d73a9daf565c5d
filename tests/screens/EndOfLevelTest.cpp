// The end-of-level screen on the real state stack with the game's layout and crew: the money count
// ends for every treasure (1 and 2 included), medals give their experience once with level-ups,
// artifacts and air are paid, relaxed play skips the air on screen, and continue (at any step)
// commits the results to the profile, the crew and the campaign's level, clamped to their ranges.
#include <gtest/gtest.h>

#include <string>

#include "dive/crew/CrewTestSupport.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "game/common/ZShellSettings.h"
#include "game/dive/campaign/ZLevelControlEntry.h"
#include "game/screens/ZGameEndOfLevel.h"

namespace
{
class EndOfLevelTest : public crewtest::CrewScreenTest
{
protected:
    void SetUp() override
    {
        table.AddMount("localized", QV_SOURCE_DIR "/data/localized/en");
        table.AddMount("localized", QV_BINARY_DIR "/data/resources/localized/en");
        CrewScreenTest::SetUp();
        ZStringTable::GetInstance()->Add("general.levelup", "Level up!", 9);
        g_profileRelaxMode.Reset(false);
        g_profileTreasure.Reset(false);
        g_profileScore.Reset(false);
        for (const char* tip : {"zelk.tip.medalxponce", "zelk.tip.wastexp"})
            ZPropertyManager::GetInstance()->FindTyped<bool>(tip)->Reset(false);
        eol = Own(ZGameEndOfLevel::GetInstance());
        member = crew->GetSelected();
        ASSERT_NE(member, nullptr);
    }
    void TearDown() override
    {
        g_profileRelaxMode.Reset(false);
        g_profileTreasure.Reset(false);
        g_profileScore.Reset(false);
        CrewScreenTest::TearDown();
    }
    SDiveResult Result(uint32_t treasure, int artifacts, int medal, float air)
    {
        SDiveResult r;
        r.treasure = treasure;
        r.artifacts = artifacts;
        r.medal = medal;
        r.airLeft = air;
        r.airBonus = int32_t(air * 2.0f);
        r.profileTreasure = g_profileTreasure.GetValue();
        r.profileScore = g_profileScore.GetValue();
        r.level = &level;
        r.levelNumber = 7;
        r.title = "7";
        return r;
    }
    void Enter(const SDiveResult& r)
    {
        eol->SetResult(r);
        Go(eol);
        ASSERT_EQ(Top(), eol);
    }
    // Frames until the screen reaches the step (false when it does not within the time).
    bool RunTo(int step, double seconds = 20.0)
    {
        for (int i = 0; i < int(seconds / 0.02) && eol->GetStep() < step; ++i)
            Frames(1);
        return eol->GetStep() >= step;
    }
    void Continue()
    {
        ASSERT_NE(eol->GetContinueButton(), nullptr);
        ClickOn(eol->GetContinueButton());
        Frames(3);
    }
    int Count(const std::string& popup) const
    {
        int n = 0;
        for (const std::string& p : shell.popups)
            n += p == popup ? 1 : 0;
        return n;
    }

    ZGameEndOfLevel* eol = nullptr;
    ZCharacter* member = nullptr;
    ZLevel level;
};

TEST(EndOfLevelRules, CountRatesMoveEveryAmountAndMedalsGiveTheirExperienceOnce)
{
    // A treasure of 1 or 2 used to give a rate of 0 and a count that never ended.
    const struct
    {
        int64_t amount;
        int32_t rate;
    } rates[] = {{0, 0}, {-5, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 2}, {300, 100}, {3001, 1001}};
    for (const auto& c : rates)
        EXPECT_EQ(ZGameEndOfLevel::CountRate(c.amount), c.rate) << c.amount;

    const struct
    {
        int oldMedal, newMedal, floor, xp;
    } medals[] = {
        {-1, -1, -1, 0}, {-1, 0, -1, 100}, {-1, 3, -1, 1000}, {1, 3, -1, 700}, // gold over bronze
        {3, 3, -1, 0},   {3, 1, -1, 0},    {-1, 2, 0, 600},   {-1, 2, 1, 300}, // floor: from floor + 1
        {0, 9, -1, 900},                                                       // beyond gold: gold
    };
    for (const auto& c : medals)
        EXPECT_EQ(ZGameEndOfLevel::MedalXpFor(c.oldMedal, c.newMedal, c.floor), c.xp)
            << c.oldMedal << " -> " << c.newMedal << " floor " << c.floor;

    EXPECT_EQ(ZGameEndOfLevel::ClampedSum(1999999990, 100, 0, 0, 2000000000), 2000000000);
    EXPECT_EQ(ZGameEndOfLevel::ClampedSum(-50, 10, 0, 0, 2000000000), 0);
}

TEST_F(EndOfLevelTest, TheTreasureCountEndsForEveryAmountAndShowsTheTarget)
{
    for (uint32_t treasure : {0u, 1u, 2u, 5u, 1234u})
    {
        SCOPED_TRACE(treasure);
        g_profileTreasure.SetValue(40);
        Enter(Result(treasure, 0, -1, 0.0f));
        EXPECT_EQ(eol->GetCounter(), 40);
        ASSERT_TRUE(RunTo(ZGameEndOfLevel::kStepArtifacts, 8.0));
        EXPECT_EQ(eol->GetCounter(), int32_t(40 + treasure));
        EXPECT_EQ(eol->GetScoreText()->GetText(), std::to_string(40 + treasure));
        ASSERT_TRUE(RunTo(ZGameEndOfLevel::kStepDone, 4.0));
        Continue();
        EXPECT_EQ(Top(), &screen);
        EXPECT_EQ(g_profileTreasure.GetValue(), int32_t(40 + treasure));
    }
}

TEST_F(EndOfLevelTest, GoldOverBronzeFliesTwoMedalsThenPaysArtifactsAndAirAndContinueCommits)
{
    level.medal = 1;
    level.score = 9999;
    member->SetXP(600);
    g_profileTreasure.SetValue(1000);
    g_profileScore.SetValue(5000);
    Enter(Result(250, 3, 3, 10.4f));
    EXPECT_EQ(eol->GetMedalXp(), 700);
    EXPECT_FALSE(eol->GetRoot()->FindNode("gold")->IsHidden());
    EXPECT_TRUE(eol->GetRoot()->FindNode("bronze")->IsHidden());

    ASSERT_TRUE(RunTo(ZGameEndOfLevel::kStepTreasure));
    // Two flights, gold first, then silver; each one's experience rises as a popup.
    EXPECT_EQ(eol->GetXpFlightsLanded(), 2);
    ASSERT_GE(shell.popups.size(), 2u);
    EXPECT_EQ(shell.popups[0], "+400 XP");
    EXPECT_EQ(shell.popups[1], "+300 XP");
    EXPECT_EQ(eol->GetXpGained(), 700);
    // The replayed level shows its one-time tip.
    EXPECT_TRUE(ZPropertyManager::GetInstance()->FindTyped<bool>("zelk.tip.medalxponce")->GetValue());

    ASSERT_TRUE(RunTo(ZGameEndOfLevel::kStepArtifacts));
    EXPECT_EQ(eol->GetCounter(), 1250);
    ASSERT_TRUE(RunTo(ZGameEndOfLevel::kStepAir));
    EXPECT_EQ(eol->GetArtifactsLanded(), 3);
    EXPECT_EQ(Count("+$100"), 3);
    EXPECT_EQ(eol->GetCounter(), 1550);
    ASSERT_TRUE(RunTo(ZGameEndOfLevel::kStepDone));
    EXPECT_EQ(eol->GetCounter(), 1570);

    // Nothing is written before the player goes on.
    EXPECT_EQ(g_profileTreasure.GetValue(), 1000);
    EXPECT_EQ(member->GetXP(), 600);
    Continue();
    EXPECT_EQ(Top(), &screen);
    EXPECT_EQ(g_profileTreasure.GetValue(), 1570);
    EXPECT_EQ(g_profileScore.GetValue(), 5570);
    EXPECT_EQ(member->GetXP(), 1300);
    EXPECT_EQ(level.medal, 3);
    EXPECT_EQ(level.score, 570);
}

TEST_F(EndOfLevelTest, ExperienceFlightsLevelTheMemberUpOnScreenWithTheBarStartingAgain)
{
    member->SetXP(450);
    Enter(Result(0, 4, 3, 0.0f));
    EXPECT_EQ(eol->GetMedalXp(), 1000);
    auto* low = ZEntityCast<ZFontText>(eol->GetRoot()->FindNode("low_level"));
    ASSERT_NE(low, nullptr);
    EXPECT_EQ(low->GetText(), "Level 1");
    ASSERT_TRUE(RunTo(ZGameEndOfLevel::kStepTreasure));
    EXPECT_EQ(eol->GetXpFlightsLanded(), 4);
    EXPECT_EQ(eol->GetLevelUps(), 1);
    EXPECT_EQ(eol->GetLevelsShown(), 1);
    EXPECT_EQ(Count("Level up!"), 1);
    EXPECT_EQ(low->GetText(), "Level 2");
    // 1450 experience: (1450 - 500) / (3000 - 500) of level 1.
    EXPECT_NEAR(eol->GetBarFraction(), 0.38f, 0.01f);
    Continue();
    EXPECT_EQ(member->GetXP(), 1450);
    EXPECT_EQ(member->GetLevel(), 1);
}

TEST_F(EndOfLevelTest, TheDivesFloatingTextsLeaveWhenTheResultsOpenAndItsOwnStillShow)
{
    // The dive stays paused under the results; its floating texts used to stay too, frozen over
    // the results on top of each other.
    shell.ShowPopup("Salvaged!", 1.2, V3{});
    const int hiddenBefore = shell.popupsHidden;
    Enter(Result(0, 1, 1, 0.0f));
    EXPECT_GT(shell.popupsHidden, hiddenBefore);
    // The screen's own texts come after: the medal's experience.
    ASSERT_TRUE(RunTo(ZGameEndOfLevel::kStepTreasure));
    ASSERT_GE(shell.popups.size(), 2u);
    EXPECT_NE(shell.popups.back().find("XP"), std::string::npos) << shell.popups.back();
    Continue();
}

TEST_F(EndOfLevelTest, NoNewMedalMeansNoFlightsButTheMedalStepStillWaits)
{
    level.medal = 2;
    Enter(Result(10, 0, 2, 0.0f));
    EXPECT_EQ(eol->GetMedalXp(), 0);
    ASSERT_TRUE(RunTo(ZGameEndOfLevel::kStepMedalXp));
    const double start = g_frameTimer->now;
    ASSERT_TRUE(RunTo(ZGameEndOfLevel::kStepTreasure));
    EXPECT_GE(g_frameTimer->now - start, 1.3);
    EXPECT_EQ(eol->GetXpFlightsLanded(), 0);
    EXPECT_EQ(Count("+100 XP"), 0);
}

TEST_F(EndOfLevelTest, RelaxedPlaySkipsTheAirOnScreenButPaysItAndAMaxedMemberGetsItsTipOnce)
{
    g_profileRelaxMode.SetValue(true);
    member->SetXP(40000);
    Enter(Result(3, 0, 0, 20.0f));
    bool sawAir = false;
    for (int i = 0; i < 1000 && eol->GetStep() < ZGameEndOfLevel::kStepDone; ++i)
    {
        Frames(1);
        sawAir = sawAir || eol->GetStep() == ZGameEndOfLevel::kStepAir;
    }
    EXPECT_EQ(eol->GetStep(), ZGameEndOfLevel::kStepDone);
    EXPECT_FALSE(sawAir);
    EXPECT_EQ(eol->GetCounter(), 3);
    EXPECT_FLOAT_EQ(eol->GetBarFraction(), 1.0f);
    ZPropertyBool* wasteTip = ZPropertyManager::GetInstance()->FindTyped<bool>("zelk.tip.wastexp");
    EXPECT_TRUE(wasteTip->GetValue());
    Continue();
    EXPECT_EQ(g_profileTreasure.GetValue(), 43);
}

TEST_F(EndOfLevelTest, ContinueAtOnceCommitsEverythingAndOutOfRangeTreasureIsClamped)
{
    // A profile written with a treasure beyond its limit, or below zero, reads back clamped.
    ASSERT_TRUE(g_profileTreasure.SetFromText("99999999999", false, true) ||
                g_profileTreasure.GetValue() == g_profileTreasure.GetDefault());
    ASSERT_TRUE(g_profileTreasure.SetFromText("-7", false, true));
    EXPECT_EQ(g_profileTreasure.GetValue(), 0);
    ASSERT_TRUE(g_profileTreasure.SetFromText("1999999950", false, true));

    SDiveResult r = Result(80, 1, 1, 5.0f);
    member->SetXP(0);
    Enter(r);
    Continue();
    EXPECT_EQ(Top(), &screen);
    // Everything, even what the screen had not yet counted; the treasure stops at its limit.
    EXPECT_EQ(g_profileTreasure.GetValue(), 2000000000);
    EXPECT_EQ(member->GetXP(), 300);
    EXPECT_EQ(level.medal, 1);
    EXPECT_EQ(level.score, 190);

    // A result that arrives with a negative profile treasure starts from 0.
    r.profileTreasure = -500;
    r.level = nullptr;
    Enter(r);
    EXPECT_EQ(eol->GetCounter(), 0);
    Continue();
    EXPECT_EQ(g_profileTreasure.GetValue(), 190);
}
} // namespace
