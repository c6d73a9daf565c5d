// The campaign control on the real stack: script order and indices, the settings snapshot of each
// entry, playing from the main menu, checkpoints, the map's level choice, entries whose screens do
// not exist, and test mode.
#include <gtest/gtest.h>

#include "tests/dive/campaign/CampaignTestSupport.h"

using camptest::CampaignTest;
using camptest::EventScreen;

namespace
{
// Map, story, level, map, level, map (theme coral), shop, delay, level, map, level, map.
const char* const kScript = R"(<levelcontrol>
  <levelstate name="map"><levelproperty name="zelk.theme" value="sand" persistent="1"/></levelstate>
  <levelstate name="story" story="intro"/>
  <level name="t_sand1"/>
  <levelstate name="map">
    <levelproperty name="campaigntest.unlock" value="true" persistent="1"/>
    <levelevent name="tip" tip="moreshops"/>
  </levelstate>
  <level name="t_sand2"/>
  <levelstate name="map"><levelproperty name="zelk.theme" value="coral" persistent="true"/></levelstate>
  <levelstate name="shop" level="0" tip="shopstock"/>
  <leveldelay time="PI"/>
  <level name="t_coral1"/>
  <levelstate name="map"/>
  <level name="t_coral2"/>
  <levelstate name="map"/>
</levelcontrol>)";

class ScriptTest : public CampaignTest
{
protected:
    void SetUp() override
    {
        CampaignTest::SetUp();
        ASSERT_EQ(campaign->LoadScriptText(kScript), 0);
        map = Own(new EventScreen("ZMapScreen"));
        story = Own(new uitest::ScreenState("ZGameStoryScreen"));
        shop = Own(new uitest::ScreenState("ZShop0"));
        // The stack learns state names when a state is first set up.
        for (ZGameState* s : {static_cast<ZGameState*>(map), story, shop, mainMenu,
                              static_cast<ZGameState*>(campaign), static_cast<ZGameState*>(dive)})
            s->Init();
    }
    ZLevel* Level(int number) { return campaign->GetLevels().at(size_t(number) - 1); }
    // The map's level card: the chosen level, then back to the campaign.
    void ChooseOnMap(int levelIndex)
    {
        campaign->SelectLevel(levelIndex);
        ReturnToCampaign();
    }
    EventScreen* map = nullptr;
    ZGameState* story = nullptr;
    ZGameState* shop = nullptr;
};
} // namespace

TEST_F(ScriptTest, EntriesKeepFileOrderWithTheirIndexAndLevelNumbers)
{
    const auto& entries = campaign->GetEntries();
    ASSERT_EQ(entries.size(), 12u);
    const char* kinds[] = {"levelstate", "levelstate", "level", "levelstate", "level", "levelstate",
                           "levelstate", "leveldelay", "level", "levelstate", "level", "levelstate"};
    for (size_t i = 0; i < entries.size(); ++i)
    {
        EXPECT_EQ(entries[i]->lci, int(i));
        EXPECT_STREQ(entries[i]->GetElementName(), kinds[i]) << i;
        EXPECT_EQ(entries[i]->IsCheckpoint(), i == 0 || i == 3 || i == 5 || i == 9 || i == 11) << i;
    }
    ASSERT_EQ(campaign->GetLevels().size(), 4u);
    const char* names[] = {"t_sand1", "t_sand2", "t_coral1", "t_coral2"};
    const int themes[] = {0, 0, 1, 1};
    for (int n = 1; n <= 4; ++n)
    {
        EXPECT_EQ(Level(n)->number, n);
        EXPECT_EQ(Level(n)->GetBoardName(), names[n - 1]);
        EXPECT_EQ(Level(n)->GetBoardPath(), std::string("resources:boards/") + names[n - 1]);
        EXPECT_EQ(Level(n)->theme, themes[n - 1]) << n;
    }
    EXPECT_EQ(campaign->FindLevel("t_coral1"), Level(3));
    EXPECT_FLOAT_EQ(static_cast<ZLevelDelay*>(entries[7])->duration, 3.1415927f);
    auto* shopEntry = static_cast<ZLevelState*>(entries[6]);
    EXPECT_EQ(shopEntry->kind, ZLevelState::kShop);
    EXPECT_EQ(shopEntry->tip, "shopstock");
    EXPECT_EQ(static_cast<ZLevelState*>(entries[3])->GetChildren().size(), 2u);
}

TEST_F(ScriptTest, EachEntryCarriesTheSettingsThatHoldWhenTheCampaignGetsThere)
{
    const auto& entries = campaign->GetEntries();
    ASSERT_NE(Setting("story.intro"), nullptr);
    auto value = [&](size_t i, const char* name)
    {
        const std::string* v = entries[i]->FindAssignment(name);
        return v ? *v : std::string("<unset>");
    };
    // Persistent settings start from their values at load time, then change where the script
    // changes them, and stay changed for every later entry.
    EXPECT_EQ(value(0, "campaigntest.unlock"), "false");
    EXPECT_EQ(value(0, "story.intro"), "false");
    EXPECT_EQ(value(2, "story.intro"), "true");
    EXPECT_EQ(value(2, "campaigntest.unlock"), "false");
    EXPECT_EQ(value(4, "campaigntest.unlock"), "true");
    EXPECT_EQ(value(4, "zelk.theme"), "sand");
    EXPECT_EQ(value(8, "zelk.theme"), "coral");
    EXPECT_EQ(value(11, "campaigntest.unlock"), "true");

    // Jumping back and forth restores them.
    campaign->SetEntryIndex(8);
    campaign->ApplyCurrentSettings();
    EXPECT_EQ(SettingText("campaigntest.unlock"), "true");
    EXPECT_EQ(SettingText("zelk.theme"), "coral");
    EXPECT_EQ(SettingText("story.intro"), "true");
    campaign->SetEntryIndex(-1);
    campaign->ApplyCurrentSettings();
    EXPECT_EQ(SettingText("campaigntest.unlock"), "false");
    EXPECT_EQ(SettingText("story.intro"), "false");
}

TEST_F(ScriptTest, PlayFromTheMainMenuRunsTheScriptAndALevelWithoutAMedalRewindsToItsMap)
{
    PlayFromMainMenu();
    EXPECT_STREQ(TopName(), "ZMapScreen");
    EXPECT_EQ(campaign->GetEntryIndex(), 0);
    EXPECT_EQ(SettingText("zelk.theme"), "sand");

    // The next level in line runs the script on: the story first, then the dive.
    ChooseOnMap(campaign->GetFurthestLevelIndex());
    EXPECT_STREQ(TopName(), "ZGameStoryScreen");
    EXPECT_EQ(SettingText("story.intro"), "true");
    game->PopState();
    Step(3);
    EXPECT_STREQ(TopName(), "ZInGame");
    ASSERT_EQ(dive->started, std::vector<std::string>{"t_sand1"});
    EXPECT_EQ(SettingText("profile.level"), "1");

    // A medal moves on to the next map, whose children run over it: the unlock and the tip.
    Level(1)->medal = kMedalBronze;
    ReturnToCampaign();
    EXPECT_STREQ(TopName(), "ZMapScreen");
    EXPECT_EQ(campaign->GetEntryIndex(), 3);
    Step(2);
    EXPECT_EQ(SettingText("campaigntest.unlock"), "true");
    ASSERT_EQ(map->events.size(), 1u);
    EXPECT_EQ(map->events[0], std::to_string(ZNameId("tip").Value()) + ":moreshops");

    ChooseOnMap(campaign->GetFurthestLevelIndex());
    EXPECT_EQ(dive->started.back(), "t_sand2");
    EXPECT_EQ(campaign->GetEntryIndex(), 4);

    // No medal: back at the map before the level, the level still to win.
    ReturnToCampaign();
    EXPECT_STREQ(TopName(), "ZMapScreen");
    EXPECT_EQ(campaign->GetEntryIndex(), 3);
    EXPECT_EQ(campaign->GetFurthestLevelIndex(), 1);

    // Coming back from the main menu resumes at the same map.
    game->ClearStates(mainMenu);
    Step(2);
    ReturnToCampaign();
    EXPECT_STREQ(TopName(), "ZMapScreen");
    EXPECT_EQ(campaign->GetEntryIndex(), 3);
}

TEST_F(ScriptTest, AnEarlierLevelChosenOnTheMapIsPlayedAloneAndTheScriptResumesAtItsMap)
{
    PlayFromMainMenu();
    ChooseOnMap(0);
    game->PopState();
    Step(3);
    Level(1)->medal = kMedalGold;
    ReturnToCampaign();
    ChooseOnMap(1);
    Level(2)->medal = kMedalSilver;
    ReturnToCampaign();
    ASSERT_EQ(campaign->GetEntryIndex(), 5);
    ASSERT_STREQ(TopName(), "ZMapScreen");

    ChooseOnMap(0);
    EXPECT_EQ(dive->started.back(), "t_sand1");
    EXPECT_EQ(campaign->GetEntryIndex(), 5);
    ReturnToCampaign();
    EXPECT_STREQ(TopName(), "ZMapScreen");
    EXPECT_EQ(campaign->GetEntryIndex(), 5);

    // The next in line after that map: the shop, then the delay, then the level.
    ChooseOnMap(campaign->GetFurthestLevelIndex());
    EXPECT_STREQ(TopName(), "ZShop0");
    EXPECT_EQ(SettingText("zelk.theme"), "coral");
    game->PopState();
    Step(3);
    EXPECT_EQ(campaign->GetEntryIndex(), 7);
    Step(int(3.2 / 0.02));
    EXPECT_EQ(dive->started.back(), "t_coral1");
    EXPECT_EQ(dive->numbers.back(), 3);
}

TEST_F(ScriptTest, CheckpointRulesAndTheFurthestLevel)
{
    EXPECT_FALSE(campaign->RewindToCheckpoint()); // before the start
    campaign->SetEntryIndex(4);                   // a level without a medal
    EXPECT_TRUE(campaign->RewindToCheckpoint());
    EXPECT_EQ(campaign->GetEntryIndex(), 2); // one before its map
    campaign->SetEntryIndex(2);
    Level(1)->medal = kMedalComplete; // won, and a map follows: stays
    EXPECT_TRUE(campaign->RewindToCheckpoint());
    EXPECT_EQ(campaign->GetEntryIndex(), 2);
    campaign->SetEntryIndex(8);
    EXPECT_TRUE(campaign->RewindToCheckpoint());
    EXPECT_EQ(campaign->GetEntryIndex(), 4);

    EXPECT_EQ(campaign->GetFurthestLevelIndex(), 1);
    for (int n = 1; n <= 4; ++n)
        Level(n)->medal = kMedalGold;
    EXPECT_EQ(campaign->GetFurthestLevelIndex(), 3); // the last level at most
    campaign->SelectLevel(99);
    EXPECT_EQ(campaign->GetPendingEntry(), Level(4));
    campaign->SelectLevel(-5);
    EXPECT_EQ(campaign->GetPendingEntry(), Level(1));
}

TEST_F(ScriptTest, DeveloperStepsMoveOneEntryAndGiveGold)
{
    campaign->NextEntry();
    campaign->NextEntry();
    campaign->NextEntry();
    EXPECT_EQ(campaign->GetEntryIndex(), 2);
    EXPECT_EQ(Level(1)->medal, kMedalGold);
    EXPECT_EQ(SettingText("story.intro"), "true");
    for (int i = 0; i < 20; ++i)
        campaign->NextEntry();
    EXPECT_EQ(campaign->GetEntryIndex(), 11);
    for (int i = 0; i < 20; ++i)
        campaign->PreviousEntry();
    EXPECT_EQ(campaign->GetEntryIndex(), -1);
}

TEST_F(CampaignTest, ScreensThatDoNotExistYetArePassedAndTheCampaignEndsQuietly)
{
    SetDiveStarter(nullptr);
    ASSERT_EQ(campaign->LoadScriptText(kScript), 0);
    PlayFromMainMenu();
    Step(300);
    EXPECT_EQ(campaign->GetEntryIndex(), 11);
    for (ZLevel* level : campaign->GetLevels())
    {
        EXPECT_TRUE(level->WasPassed());
        EXPECT_EQ(level->medal, kMedalNone);
    }
    EXPECT_STREQ(TopName(), "ZLevelControl");
}

TEST_F(CampaignTest, BadScriptsGiveAnEmptyOrPartialCampaignWithoutACrash)
{
    const char* const broken[] = {"", "<levelcontrol>", "<levelcontrol/>", "not xml at all", "<levelcontrol><level"};
    for (const char* text : broken)
    {
        EXPECT_NE(campaign->LoadScriptText(text), 0) << text;
        EXPECT_TRUE(campaign->GetEntries().empty());
        campaign->Advance();
        campaign->ApplyCurrentSettings();
        campaign->SelectLevel(3);
        campaign->NextEntry();
        campaign->PreviousEntry();
        EXPECT_FALSE(campaign->RewindToCheckpoint());
        EXPECT_EQ(campaign->GetFurthestLevelIndex(), 0);
    }

    // Events outside a screen, levels inside one, a plain entry element and a repeated level.
    ASSERT_EQ(campaign->LoadScriptText(R"(<levelcontrol>
        <levelcontrolentry lci="7"/>
        <levelevent name="tip" tip="x"/>
        <levelstate name="map"><level name="inner"/><levelevent name="flash_continue"/></levelstate>
        <level name="a"/><level name="a"/>
        <levelstate name="bigstory"/>
        <levelstate name="nonsense"/>
      </levelcontrol>)"),
              0);
    const auto& entries = campaign->GetEntries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(campaign->GetLevels().size(), 1u);
    EXPECT_EQ(static_cast<ZLevelState*>(entries[1])->GetChildren().size(), 1u);
    // The event and the map are passed; the level plays.
    PlayFromMainMenu();
    Step(5);
    EXPECT_EQ(campaign->GetEntryIndex(), 2);
    EXPECT_STREQ(TopName(), "ZInGame");
    // Won: "bigstory" and the unknown screen are passed, and the campaign ends there.
    campaign->GetLevels()[0]->medal = kMedalComplete;
    ReturnToCampaign();
    Step(5);
    EXPECT_EQ(campaign->GetEntryIndex(), 4);
}

TEST_F(CampaignTest, TestModeReplaysTheNamedBoard)
{
    ASSERT_EQ(campaign->LoadScriptText(kScript), 0);
    Setting("zelk.board")->SetFromText("t_special", false, true);
    PlayFromMainMenu();
    ReturnToCampaign();
    ASSERT_EQ(dive->started.size(), 2u);
    EXPECT_EQ(dive->started[1], "t_special");
    EXPECT_EQ(dive->numbers[1], ZLevel::kTestLevelNumber);
}

TEST_F(CampaignTest, RandomOrderPicksANumberWithinTheLevels)
{
    ASSERT_EQ(campaign->LoadScriptText(kScript), 0);
    for (ZGameState* s : {mainMenu, static_cast<ZGameState*>(campaign), static_cast<ZGameState*>(dive)})
        s->Init();
    for (int i = 0; i < 20; ++i)
    {
        campaign->ResetProgress();
        Setting("profile.randomizelevels")->SetFromText("true", false, true);
        campaign->SetEntryIndex(1);
        campaign->Advance();
        const int level = std::stoi(SettingText("profile.level"));
        EXPECT_GE(level, 1);
        EXPECT_LE(level, 4);
        EXPECT_TRUE(campaign->HasJumped());
    }
}
