// The progress file "levels.xml": what is written, the round trip through a profile, relaxed
// play's own progress, safe writing, and hostile files that must neither crash nor corrupt.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/dive/campaign/CampaignTestSupport.h"
#include "tests/resource/PlayerDataTestSupport.h"

using camptest::CampaignTest;

namespace
{
const char* const kScript = R"(<levelcontrol>
  <levelstate name="map"><levelproperty name="zelk.theme" value="sand" persistent="1"/></levelstate>
  <levelstate name="story" story="intro">
    <levelproperty name="campaigntest.unlock" value="true" persistent="1"/>
    <levelproperty name="zelk.theme" value="sand" persistent="1"/>
  </levelstate>
  <level name="p_one"/>
  <levelstate name="map"/>
  <leveldelay time="2"/>
  <level name="p_two"/>
  <levelstate name="map"/>
  <level name="p_three"/>
  <levelstate name="map"/>
</levelcontrol>)";

class ProgressTest : public CampaignTest
{
protected:
    void SetUp() override
    {
        CampaignTest::SetUp();
        ASSERT_EQ(campaign->LoadScriptText(kScript), 0);
        ASSERT_TRUE(profiles->NewProfile("Ada"));
    }
    ZLevel* Level(int number) { return campaign->GetLevels().at(size_t(number) - 1); }
    ZLevelState* Screen(int lci) { return static_cast<ZLevelState*>(campaign->GetEntries().at(size_t(lci))); }
    std::string ProgressPath() const { return profiles->GetCurrentFolder() + "levels.xml"; }
    std::string ProfilePath() const { return profiles->GetCurrentFolder() + "profile.txt"; }
    // A player who has won the first level and stands at the next map.
    void PlaySome()
    {
        Level(1)->medal = kMedalSilver;
        Level(1)->score = 1234;
        Screen(1)->ssi = 1;
        campaign->SetEntryIndex(3);
    }
};
} // namespace

TEST_F(ProgressTest, WrittenWithTheSaveAndRestoredWithTheLoad)
{
    PlaySome();
    ASSERT_EQ(profiles->SaveProfile(), 0);
    const std::string written = qvtest::ReadWholeFile(ProgressPath());
    EXPECT_NE(written.find("<levelcontrol progress=\"3\">"), std::string::npos) << written;
    EXPECT_NE(written.find("<level name=\"p_one\" medal=\"silver\" score=\"1234\" lci=\"2\" />"), std::string::npos)
        << written;
    // A level without a medal or score writes neither.
    EXPECT_NE(written.find("<level name=\"p_two\" lci=\"5\" />"), std::string::npos) << written;
    EXPECT_NE(written.find("<levelstate ssi=\"1\" lci=\"1\" />"), std::string::npos) << written;
    EXPECT_NE(written.find("<leveldelay lci=\"4\" />"), std::string::npos) << written;

    // Another player starts at the beginning, with the settings of the first entry.
    ASSERT_TRUE(profiles->NewProfile("Bo"));
    EXPECT_EQ(campaign->GetEntryIndex(), -1);
    EXPECT_EQ(Level(1)->medal, kMedalNone);
    EXPECT_EQ(Screen(1)->ssi, 0);
    EXPECT_EQ(SettingText("campaigntest.unlock"), "false");

    // Back to the first: everything as it was, settings of that point included.
    profiles->SelectProfile(0, nullptr, true);
    EXPECT_EQ(campaign->GetEntryIndex(), 3);
    EXPECT_EQ(Level(1)->medal, kMedalSilver);
    EXPECT_EQ(Level(1)->score, 1234);
    EXPECT_EQ(Level(2)->medal, kMedalNone);
    EXPECT_EQ(Screen(1)->ssi, 1);
    EXPECT_EQ(SettingText("campaigntest.unlock"), "true");
    EXPECT_EQ(SettingText("story.intro"), "true");
    EXPECT_EQ(campaign->WriteProgress(), written);
}

TEST_F(ProgressTest, RelaxedPlayKeepsItsOwnProgress)
{
    // Sub-profiles come with the next scan, as at start-up.
    profiles->AddSubProfileName("untimed");
    profiles->ScanProfiles(true);
    PlaySome();
    ASSERT_EQ(profiles->SaveProfile(), 0);

    profiles->SelectProfile(0, "untimed", true);
    EXPECT_EQ(campaign->GetEntryIndex(), -1);
    Level(1)->medal = kMedalGold;
    Level(2)->medal = kMedalBronze;
    campaign->SetEntryIndex(6);
    ASSERT_EQ(profiles->SaveProfile(), 0);
    EXPECT_TRUE(std::filesystem::exists(profiles->GetCurrentFolder() + "levels.xml"));

    profiles->SelectProfile(0, nullptr, true);
    EXPECT_EQ(campaign->GetEntryIndex(), 3);
    EXPECT_EQ(Level(1)->medal, kMedalSilver);
    EXPECT_EQ(Level(2)->medal, kMedalNone);

    profiles->SelectProfile(0, "untimed", true);
    EXPECT_EQ(campaign->GetEntryIndex(), 6);
    EXPECT_EQ(Level(1)->medal, kMedalGold);
    EXPECT_EQ(Level(2)->medal, kMedalBronze);
}

TEST_F(ProgressTest, AFailedWriteKeepsThePreviousProgress)
{
    PlaySome();
    ASSERT_EQ(campaign->SaveProgress(), 0);
    const std::string before = qvtest::ReadWholeFile(ProgressPath());
    campaign->SetEntryIndex(6);
    Level(2)->medal = kMedalGold;
    playerdata::WithFileSizeLimit(16, [&] { EXPECT_NE(campaign->SaveProgress(), 0); });
    EXPECT_EQ(qvtest::ReadWholeFile(ProgressPath()), before);
    EXPECT_EQ(qvtest::ListFileNames(profiles->GetCurrentFolder()),
              (std::set<std::string>{"levels.xml", "profile.txt"}));
}

TEST_F(ProgressTest, AScriptThatChangedFindsLevelsByNameAndSkipsEntriesThatMovedAway)
{
    // Written by an older script: the screen entry now sits where a level was.
    qvtest::WriteWholeFile(ProgressPath(), R"(<levelcontrol progress="2">
        <levelstate ssi="1" lci="2"/>
        <leveldelay lci="4"/>
        <level name="p_two" medal="gold" score="77" lci="9"/>
        <levelstate ssi="1" lci="-1"/>
        <levelstate ssi="1" lci="1"/>
      </levelcontrol>)");
    ASSERT_EQ(campaign->LoadProgress(), 0);
    EXPECT_EQ(campaign->GetEntryIndex(), 2);
    EXPECT_EQ(Level(2)->medal, kMedalGold);
    EXPECT_EQ(Level(2)->score, 77);
    EXPECT_EQ(Screen(1)->ssi, 1);
    EXPECT_EQ(Screen(0)->ssi, 0);
}

namespace
{
struct HostileCase
{
    const char* what;
    std::string text;
    int index;      // the entry index afterwards
    int firstMedal; // p_one's medal afterwards
    int firstSsi;   // the story screen's sub-state afterwards
};

std::string ManyUnknownNames(int count)
{
    std::string text = "<levelcontrol progress=\"3\">";
    for (int i = 0; i < count; ++i)
        text += "<level name=\"nowhere_" + std::to_string(i) + "\" medal=\"gold\" score=\"5\" lci=\"2\"/>";
    return text + "<level name=\"p_one\" medal=\"bronze\"/></levelcontrol>";
}

std::string ManyCopiesOfAKnownName(int count)
{
    std::string text = "<levelcontrol progress=\"1\">";
    for (int i = 0; i < count; ++i)
        text += "<level name=\"p_one\" medal=\"gold\"/><levelstate ssi=\"1\" lci=\"1\"/>";
    return text + "</levelcontrol>";
}

const std::string kGood = "<levelcontrol progress=\"3\"><levelstate ssi=\"1\" lci=\"1\"/>"
                          "<level name=\"p_one\" medal=\"silver\" lci=\"2\"/></levelcontrol>";
} // namespace

TEST_F(ProgressTest, HostileFilesAreClampedOrIgnoredAndNeverCrash)
{
    const HostileCase cases[] = {
        {"progress far past the end", "<levelcontrol progress=\"99999\"/>", 8, -1, 0},
        {"progress below -1", "<levelcontrol progress=\"-2147483648\"/>", -1, -1, 0},
        {"progress that is no number", "<levelcontrol progress=\"lots\"><level name=\"p_one\" medal=\"gold\"/></levelcontrol>",
         -1, 3, 0},
        {"unknown level names by the thousand", ManyUnknownNames(5000), 3, 1, 0},
        {"a known name over and over", ManyCopiesOfAKnownName(20000), 1, 3, 1},
        {"cut short", kGood.substr(0, kGood.size() - 20), -1, -1, 0},
        {"cut inside the root tag", "<levelcontrol progr", -1, -1, 0},
        {"wrong types", "<levelcontrol progress=\"2\"><level name=\"p_one\" medal=\"42\" score=\"x\" lci=\"y\"/>"
                        "<levelstate ssi=\"-9\" lci=\"1\"/><levelstate ssi=\"zz\" lci=\"zz\"/></levelcontrol>",
         2, -1, 0},
        {"sub-state far past the children", "<levelcontrol><levelstate ssi=\"999999\" lci=\"1\"/></levelcontrol>", -1,
         -1, 2},
        {"another class at an index", "<levelcontrol><leveldelay lci=\"1\"/><levelstate ssi=\"1\" lci=\"4\"/>"
                                      "<levelcontrolentry lci=\"0\"/></levelcontrol>",
         -1, -1, 0},
        {"nested entries and a second root", "<levelcontrol><levelstate lci=\"1\" ssi=\"1\"><level name=\"p_one\" "
                                             "medal=\"gold\"/><levelcontrol progress=\"5\"/></levelstate></levelcontrol>",
         5, -1, 1},
        {"scene content smuggled in", "<levelcontrol progress=\"1\"><group name=\"x\"/><merge path=\"resources:nope.xml\"/>"
                                      "</levelcontrol>",
         1, -1, 0},
        {"not xml", "\x01\x02garbage\xff\xfe", -1, -1, 0},
        {"empty", "", -1, -1, 0},
        {"another root", "<profile progress=\"4\"><level name=\"p_one\" medal=\"gold\"/></profile>", -1, -1, 0},
    };
    ASSERT_EQ(profiles->SaveProfile(), 0);
    const std::string profileText = qvtest::ReadWholeFile(ProfilePath());
    ASSERT_FALSE(profileText.empty());
    const size_t levelCount = campaign->GetLevels().size();
    for (const HostileCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(qvtest::WriteWholeFile(ProgressPath(), c.text));
        campaign->LoadProgress();
        EXPECT_EQ(campaign->GetEntryIndex(), c.index);
        EXPECT_EQ(Level(1)->medal, c.firstMedal);
        EXPECT_EQ(Screen(1)->ssi, c.firstSsi);
        EXPECT_EQ(campaign->GetLevels().size(), levelCount);
        EXPECT_EQ(campaign->FindLevel("nowhere_0"), nullptr);
        // Reading never writes: the player's files stay as they are.
        EXPECT_EQ(qvtest::ReadWholeFile(ProgressPath()), c.text);
        EXPECT_EQ(qvtest::ReadWholeFile(ProfilePath()), profileText);
        // And the campaign still runs from there.
        campaign->Advance();
        campaign->ApplyCurrentSettings();
    }
}

TEST_F(ProgressTest, AFileTooLargeToBeProgressIsNotRead)
{
    std::string huge = "<levelcontrol progress=\"3\">";
    huge.append(size_t(ZLevelControl::kMaxProgressBytes), ' ');
    huge += "</levelcontrol>";
    ASSERT_TRUE(qvtest::WriteWholeFile(ProgressPath(), huge));
    EXPECT_NE(campaign->LoadProgress(), 0);
    EXPECT_EQ(campaign->GetEntryIndex(), -1);
}

TEST_F(ProgressTest, WithoutAScriptThePlayersProgressIsLeftAlone)
{
    PlaySome();
    ASSERT_EQ(campaign->SaveProgress(), 0);
    const std::string before = qvtest::ReadWholeFile(ProgressPath());
    EXPECT_NE(campaign->LoadScriptText("<levelcontrol"), 0);
    profiles->SaveProfile();
    EXPECT_NE(campaign->SaveProgress(), 0);
    EXPECT_EQ(qvtest::ReadWholeFile(ProgressPath()), before);
}
