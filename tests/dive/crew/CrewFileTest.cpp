// Crew members and the crew files: levels from experience, charging by colour, the one crew-name
// order, the player's file written safely and read back equal, and damaged or hostile files that
// leave the game's crew (the damaged file kept aside) without a crash or a grown pool.
#include <gtest/gtest.h>

#include <filesystem>

#include "CrewTestSupport.h"
#include "game/common/ZCrew.h"

using crewtest::CrewScreenTest;

namespace
{
struct SLevelCase
{
    int xp, level, low, high, open;
};

class CrewFileTest : public CrewScreenTest
{
protected:
    ZCharacter* Member(int i) { return crew->GetCharacter(i); }
    // Writes the player's file by hand and loads the profile again.
    void LoadWith(const std::string& text)
    {
        ASSERT_TRUE(qvtest::WriteWholeFile(ProfileFile(), text));
        profiles->LoadProfile();
    }
};
} // namespace

TEST(CrewNames, OneOrderServesEveryName)
{
    for (int i = 0; i < kCrewCount; ++i)
        EXPECT_EQ(ParseCrewName(kCrewNames[i]), i);
    EXPECT_EQ(ParseCrewName("Finn"), -1);
    EXPECT_EQ(ParseCrewName(""), -1);
    EXPECT_EQ(ParseCrewName(nullptr), -1);
    // The availability settings carry the same names, index by index.
    for (int i = 0; i < kCrewCount; ++i)
        EXPECT_EQ(std::string(GetCrewSetting(i)->GetName()), std::string("profile.crew.") + kCrewNames[i]);
    EXPECT_TRUE(GetCrewSetting(0)->GetDefault());
    EXPECT_FALSE(GetCrewSetting(4)->GetDefault());
}

TEST_F(CrewFileTest, ExperienceGivesLevelsBoundsAndOpenPowers)
{
    const SLevelCase cases[] = {
        {0, 0, 0, 500, 0},          {499, 0, 0, 500, 0},        {500, 1, 500, 3000, 1},
        {2999, 1, 500, 3000, 1},    {20000, 5, 20000, 40000, 5}, {40000, 6, 20000, 40000, 6},
        {1000000, 6, 20000, 40000, 6}, {-50, 0, 0, 500, 0},
    };
    ZCharacter* finn = Member(0);
    ASSERT_NE(finn, nullptr);
    for (const SLevelCase& c : cases)
    {
        finn->Reset();
        finn->SetXP(c.xp);
        EXPECT_EQ(finn->GetLevel(), c.level) << c.xp;
        EXPECT_EQ(finn->GetXPLow(), c.low) << c.xp;
        EXPECT_EQ(finn->GetXPHigh(), c.high) << c.xp;
        EXPECT_EQ(finn->GetOpenCharges(), c.open) << c.xp;
        EXPECT_GE(finn->GetXP(), 0);
    }
    // A level reached opens its power full; lowering the experience closes it, charges untouched.
    finn->Reset();
    finn->SetCharge(3, 0.0f);
    finn->SetXP(11000);
    EXPECT_FLOAT_EQ(finn->GetCharge(3), 1.0f);
    finn->SetCharge(0, 0.25f);
    finn->SetXP(100);
    EXPECT_EQ(finn->GetOpenCharges(), 0);
    EXPECT_FLOAT_EQ(finn->GetCharge(0), 0.25f);
}

TEST_F(CrewFileTest, PopsChargeTheSlotOfTheirColourAndOverchargeOnlyWhenOpen)
{
    ZCharacter* finn = Member(0);
    finn->Reset();
    finn->SetXP(3000); // level 2: slots 0 and 1 open, no overcharge
    finn->SetCharge(0, 0.0f);
    const int red = finn->GetColour(0), green = finn->GetColour(1), blue = finn->GetColour(2);
    EXPECT_EQ(red, 0);
    EXPECT_EQ(green, 1);
    EXPECT_EQ(blue, 2);
    EXPECT_EQ(finn->SlotForColour(blue), -1) << "slot 2 is not open yet";
    EXPECT_FALSE(finn->Charge(blue, 1.0f, 1.0f));
    ASSERT_TRUE(finn->Charge(red, 1.0f, 3.0f / 8.0f));
    EXPECT_NEAR(finn->GetCharge(0), 1.0f / 3.0f * 3.0f / 8.0f * finn->GetChargeSpeed(0), 1e-5);
    for (int i = 0; i < 40; ++i)
        finn->Charge(red, 1.0f, 1.0f);
    EXPECT_FLOAT_EQ(finn->GetCharge(0), 1.0f);
    EXPECT_FLOAT_EQ(finn->GetCharge(3), 0.0f) << "the overcharge of slot 0 opens at level 4";
    finn->SetXP(11000);
    finn->SetCharge(3, 0.0f);
    finn->Charge(red, 1.0f, 1.0f);
    EXPECT_GT(finn->GetCharge(3), 0.0f);
}

TEST_F(CrewFileTest, TheGameCrewComesFromTheCrewFileInCrewOrder)
{
    for (int i = 0; i < kCrewCount; ++i)
    {
        ZCharacter* member = Member(i);
        ASSERT_NE(member, nullptr) << i;
        EXPECT_STREQ(member->GetName(), kCrewNames[i]);
        // Every member has one power of each colour in its first three slots, and their overcharge.
        for (int slot = 0; slot < 6; ++slot)
        {
            EXPECT_GE(member->GetAbility(slot), 0) << member->GetName() << " slot " << slot;
            EXPECT_EQ(member->GetColour(slot), slot % 3) << member->GetName() << " slot " << slot;
        }
        EXPECT_GT(member->GetAir(), 0.0f);
        EXPECT_EQ(member->GetLevel(), 1);
    }
    EXPECT_GT(crew->GetMaxAir(), 1.0f);
}

TEST_F(CrewFileTest, TheProfileFileIsWrittenThroughATemporaryFileAndReadsBackEqual)
{
    ZCharacter* mira = Member(1);
    mira->SetXP(12345);
    mira->SetCharge(0, 0.5f);
    mira->SetCharge(4, 0.25f);
    mira->SetLastViewLevel(3);
    Member(0)->SetXP(0);
    ASSERT_EQ(profiles->SaveProfile(), 0);
    const std::string written = qvtest::ReadWholeFile(ProfileFile());
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.find("<characterscreen>"), 0u) << written;
    EXPECT_NE(written.find("<character name=\"finn\" xp=\"0\" air=\"1.000000\" charge0=\""), std::string::npos)
        << written;
    // No temporary file is left beside it.
    for (const auto& entry : std::filesystem::directory_iterator(profiles->GetCurrentFolder()))
        EXPECT_EQ(entry.path().filename().string().find("characters.xml."), std::string::npos) << entry.path();

    // Everything the player changed comes back; experience 0 stays 0 (it is always written).
    mira->SetXP(1);
    mira->SetCharge(0, 1.0f);
    profiles->LoadProfile();
    EXPECT_EQ(Member(1)->GetXP(), 12345);
    EXPECT_EQ(Member(1)->GetLevel(), 4);
    EXPECT_FLOAT_EQ(Member(1)->GetCharge(0), 0.5f);
    EXPECT_FLOAT_EQ(Member(1)->GetCharge(4), 0.25f);
    EXPECT_EQ(Member(1)->GetLastViewLevel(), 3);
    EXPECT_EQ(Member(0)->GetXP(), 0);
    EXPECT_EQ(crew->WriteProfileText(), written);
}

TEST_F(CrewFileTest, ADamagedFileGivesTheGameCrewAndIsKeptAside)
{
    Member(2)->SetXP(9000);
    ASSERT_EQ(profiles->SaveProfile(), 0);
    std::string text = qvtest::ReadWholeFile(ProfileFile());
    text.resize(text.size() / 2);
    LoadWith(text);
    for (int i = 0; i < kCrewCount; ++i)
        EXPECT_EQ(Member(i)->GetXP(), 500) << "the game's starting experience, not half a file";
    EXPECT_EQ(qvtest::ReadWholeFile(ProfileFile() + ".damaged"), text);
    EXPECT_FALSE(std::filesystem::exists(ProfileFile()));
    // The next save writes a whole file again; the damaged one stays for the player.
    ASSERT_EQ(profiles->SaveProfile(), 0);
    EXPECT_TRUE(std::filesystem::exists(ProfileFile()));
    EXPECT_EQ(qvtest::ReadWholeFile(ProfileFile() + ".damaged"), text);
}

TEST_F(CrewFileTest, HostileFilesKeepTheValidMembersAndNeverGrowTheCrew)
{
    std::string thousands = "<characterscreen>";
    for (int i = 0; i < 3000; ++i)
        thousands += "<character name=\"stranger" + std::to_string(i) + "\" xp=\"7\"/>";
    thousands += "<character name=\"juno\" xp=\"6000\"/></characterscreen>";
    struct SCase
    {
        const char* what;
        std::string text;
        int junoXp;
        bool damaged;
    } cases[] = {
        {"unknown names", "<characterscreen><character name=\"bob\" xp=\"40000\"/><character name=\"juno\" xp=\"3000\"/></characterscreen>", 3000, false},
        {"thousands of members", thousands, 6000, false},
        {"negative experience", "<characterscreen><character name=\"juno\" xp=\"-40000\"/></characterscreen>", 0, false},
        {"huge experience", "<characterscreen><character name=\"juno\" xp=\"99999999999999\"/></characterscreen>", ZCharacter::kMaxXp, false},
        {"words for numbers", "<characterscreen><character name=\"juno\" xp=\"lots\" air=\"nan\" charge0=\"inf\" lastviewlevel=\"-3\"/></characterscreen>", 500, false},
        {"cut short", "<characterscreen><character name=\"juno\" xp=\"3000\"/><charac", 500, true},
        {"no crew root", "<levelcontrol progress=\"3\"/>", 500, true},
        {"empty", "", 500, true},
    };
    for (const SCase& c : cases)
    {
        std::filesystem::remove(ProfileFile() + ".damaged");
        LoadWith(c.text);
        ZCharacter* juno = Member(4);
        EXPECT_EQ(juno->GetXP(), c.junoXp) << c.what;
        EXPECT_FLOAT_EQ(juno->GetAir(), 1.25f) << c.what;
        EXPECT_GE(juno->GetCharge(0), 0.0f) << c.what;
        EXPECT_LE(juno->GetCharge(0), 1.0f) << c.what;
        EXPECT_EQ(std::filesystem::exists(ProfileFile() + ".damaged"), c.damaged) << c.what;
        EXPECT_EQ(ZCharacter::Find("bob"), nullptr) << c.what;
        EXPECT_EQ(ZCharacter::Find("stranger1"), nullptr) << c.what;
        EXPECT_EQ(Member(0)->GetXP(), 500) << c.what;
    }
}

TEST_F(CrewFileTest, TheLastTwoCrewNamesGiveTheSameCrewInEitherOrder)
{
    LoadWith("<characterscreen><character name=\"juno\" xp=\"3000\"/><character name=\"tess\" xp=\"6000\"/>"
             "</characterscreen>");
    const int junoFirst = Member(4)->GetXP(), tessFirst = Member(3)->GetXP();
    LoadWith("<characterscreen><character name=\"tess\" xp=\"6000\"/><character name=\"juno\" xp=\"3000\"/>"
             "</characterscreen>");
    EXPECT_EQ(Member(4)->GetXP(), junoFirst);
    EXPECT_EQ(Member(3)->GetXP(), tessFirst);
    EXPECT_EQ(junoFirst, 3000);
    EXPECT_EQ(tessFirst, 6000);
}
