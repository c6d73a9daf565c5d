// Player profiles: the folder scan, new profiles and their numbers, renaming, selection with its
// saves and loads, deletion that keeps the current index right, sub-profiles, the per-player file
// stream, and saves that never lose the previous file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlayerDataTestSupport.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/resource/ZProfileManager.h"

namespace
{
using playerdata::ReadWholeFile;
using playerdata::WriteWholeFile;

class RecordingListener : public ZProfileListener, public IPropertyListener
{
public:
    int OnProfileLoaded() override { return Log("loaded"); }
    int OnProfileSaved() override { return Log("saved"); }
    int OnProfileSaving() override { return Log("saving"); }
    int OnProfileLoading() override { return Log("loading"); }
    void OnPropertyChanged(ZProperty*) override
    {
        if (ZProfileManager::PeekInstance() && ZProfileManager::PeekInstance()->IsLoading())
            ++scoreChangesWhileLoading;
    }
    int Log(const char* what)
    {
        events.push_back(what);
        return 0;
    }
    std::vector<std::string> events;
    int scoreChangesWhileLoading = 0;
};

class ProfileTest : public playerdata::ScratchFolder
{
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        ZPropertyManager::GetInstance();
        g_gameCurrentProfile.Reset(false);
        g_profileScore.Reset(false);
        g_profileName.Reset(false);
    }
    void TearDown() override
    {
        ZProfileManager::DestroyInstance();
        g_gameCurrentProfile.Reset(false);
        g_profileScore.Reset(false);
        g_profileName.Reset(false);
        ScratchFolder::TearDown();
    }
    std::string Profiles() const { return Path("profiles/"); }
    // A profile folder with the given file text ("" for a folder without "profile.txt").
    void MakeProfile(const std::string& folder, const std::string& text)
    {
        ASSERT_TRUE(CreateDirectoryTree((Profiles() + folder).c_str()));
        if (!text.empty())
            WriteWholeFile(Profiles() + folder + "/profile.txt", text);
    }
    ZProfileManager* Make() { return new ZProfileManager(Profiles().c_str()); }
    std::vector<std::string> Names(const ZProfileManager& m) const
    {
        std::vector<std::string> names;
        m.ListProfileNames(names);
        return names;
    }
};
} // namespace

TEST_F(ProfileTest, TheScanListsProfileFoldersByNumberAndIgnoresFiles)
{
    MakeProfile("profile_10", "profile.name = Ten\n");
    MakeProfile("profile_2", "profile.name = Two\n");
    MakeProfile("profile_1", "");
    WriteWholeFile(Profiles() + "profile_3", "a stray file, not a profile");
    ZProfileManager* m = Make();
    EXPECT_EQ(Names(*m), (std::vector<std::string>{"No name", "Two", "Ten"}));
    EXPECT_EQ(m->GetCurrentIndex(), 0);
    EXPECT_EQ(m->GetCurrentFolder(), Profiles() + "profile_1/");
    EXPECT_EQ(g_profileName.GetValue(), "No name");
}

TEST_F(ProfileTest, AMissingProfilesFolderGivesNoProfiles)
{
    ZProfileManager* m = Make();
    EXPECT_EQ(m->GetProfileCount(), 0);
    EXPECT_EQ(m->GetCurrent(), nullptr);
    EXPECT_EQ(m->GetCurrentIndex(), -1);
    EXPECT_EQ(m->SaveProfile(), 0);
    EXPECT_FALSE(FileExists(Profiles().c_str()));
}

TEST_F(ProfileTest, AnOutOfRangeCurrentProfileFallsBackToTheFirst)
{
    MakeProfile("profile_0", "profile.name = Ada\nprofile.score = 10\n");
    MakeProfile("profile_1", "profile.name = Bo\nprofile.score = 20\n");
    g_gameCurrentProfile.SetValue(5);
    ZProfileManager* m = Make();
    EXPECT_EQ(g_gameCurrentProfile.GetValue(), 0);
    EXPECT_EQ(m->GetCurrentIndex(), 0);
    EXPECT_EQ(g_profileName.GetValue(), "Ada");
    EXPECT_EQ(g_profileScore.GetValue(), 10);

    g_gameCurrentProfile.SetValue(1);
    m->ScanProfiles(true);
    EXPECT_EQ(g_profileName.GetValue(), "Bo");
    EXPECT_EQ(g_profileScore.GetValue(), 20);
}

TEST_F(ProfileTest, ANewProfileTakesTheNextFreeFolderNumber)
{
    struct Case
    {
        std::vector<int> existing;
        int expected;
    };
    const Case cases[] = {{{0, 1, 3}, 4}, {{0, 1, 2}, 3}, {{}, 0}, {{5}, 1}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.existing));
        DeleteDirectoryTree(Profiles().c_str());
        for (int n : c.existing)
            MakeProfile("profile_" + std::to_string(n), "profile.name = P" + std::to_string(n) + "\n");
        ZProfileManager::DestroyInstance();
        g_gameCurrentProfile.Reset(false);
        ZProfileManager* m = Make();
        ASSERT_TRUE(m->NewProfile("Fresh"));
        EXPECT_EQ(m->GetCurrentFolder(), Profiles() + "profile_" + std::to_string(c.expected) + "/");
    }
}

TEST_F(ProfileTest, ANewProfileStartsAtTheDefaultsAndIsWrittenAtOnce)
{
    MakeProfile("profile_0", "profile.name = Ada\nprofile.score = 10\n");
    ZProfileManager* m = Make();
    g_profileScore.SetValue(77); // Ada's unsaved progress
    ASSERT_TRUE(m->NewProfile("Bo"));
    EXPECT_EQ(m->GetCurrentIndex(), 1);
    EXPECT_EQ(g_gameCurrentProfile.GetValue(), 1);
    EXPECT_EQ(g_profileScore.GetValue(), 0);
    EXPECT_EQ(g_profileName.GetValue(), "Bo");
    EXPECT_EQ(ReadWholeFile(Profiles() + "profile_1/profile.txt"), "profile.name = Bo\n");
    EXPECT_NE(ReadWholeFile(Profiles() + "profile_0/profile.txt").find("profile.score = 77"),
              std::string::npos)
        << "the previous player's progress is saved before the switch";

    EXPECT_FALSE(m->NewProfile("Ada")) << "the name exists";
    EXPECT_FALSE(m->NewProfile("Has # hash")) << "a name the file cannot hold";
    EXPECT_FALSE(m->NewProfile(nullptr));
    EXPECT_EQ(m->GetProfileCount(), 2);
    EXPECT_EQ(m->GetCurrentIndex(), 1);
}

// A name with outer blanks would read back without them: it is taken trimmed, so two profiles
// never end up with one name, and a blank name is refused.
TEST_F(ProfileTest, NamesAreTakenWithoutTheirOuterBlanks)
{
    MakeProfile("profile_0", "profile.name = Ada\n");
    ZProfileManager* m = Make();
    EXPECT_FALSE(m->NewProfile(" Ada ")) << "Ada with blanks is Ada";
    EXPECT_FALSE(m->NewProfile("   ")) << "a blank name";
    EXPECT_FALSE(m->NewProfile(""));
    EXPECT_EQ(m->GetProfileCount(), 1);
    ASSERT_TRUE(m->NewProfile("\tBo  "));
    EXPECT_EQ(g_profileName.GetValue(), "Bo");
    EXPECT_TRUE(m->NameExists("Bo"));
    EXPECT_FALSE(m->RenameProfile(1, "Ada  ")) << "renamed onto another profile's name";
    EXPECT_FALSE(m->RenameProfile(0, " "));
    ASSERT_TRUE(m->RenameProfile(0, "  Cy"));
    EXPECT_TRUE(m->NameExists("Cy"));
    // What the files say after a fresh scan is what the manager said.
    m->ScanProfiles(false);
    EXPECT_EQ(Names(*m), (std::vector<std::string>{"Cy", "Bo"}));
}

TEST_F(ProfileTest, Renaming)
{
    MakeProfile("profile_0", "profile.name = Ada\nprofile.score = 10\n");
    MakeProfile("profile_1", "# Bo's own note\nprofile.name = Bo\nprofile.score = 20\n");
    ZProfileManager* m = Make();
    EXPECT_FALSE(m->RenameProfile(0, "Bo")) << "another profile's name";
    EXPECT_FALSE(m->RenameProfile(0, "Ada")) << "its own name exists too";
    EXPECT_FALSE(m->RenameProfile(2, "Cy"));
    EXPECT_FALSE(m->RenameProfile(-1, "Cy"));

    ASSERT_TRUE(m->RenameProfile(1, "Cy"));
    EXPECT_EQ(Names(*m), (std::vector<std::string>{"Ada", "Cy"}));
    const std::string renamed = ReadWholeFile(Profiles() + "profile_1/profile.txt");
    EXPECT_NE(renamed.find("# Bo's own note\nprofile.name = Cy\nprofile.score = 20\n"), std::string::npos)
        << renamed;
    EXPECT_EQ(g_profileName.GetValue(), "Ada") << "the current player's settings are untouched";
    EXPECT_EQ(g_profileScore.GetValue(), 10);
    EXPECT_FALSE(m->IsLoading());

    ASSERT_TRUE(m->RenameProfile(0, "Di"));
    EXPECT_EQ(g_profileName.GetValue(), "Di");
    EXPECT_EQ(ReadWholeFile(Profiles() + "profile_0/profile.txt"), "profile.name = Di\nprofile.score = 10\n");
}

TEST_F(ProfileTest, SelectionSavesTheCurrentProfileAndLoadsTheNext)
{
    MakeProfile("profile_0", "profile.name = Ada\nprofile.score = 10\n");
    MakeProfile("profile_1", "profile.name = Bo\nprofile.score = 20\n");
    ZProfileManager* m = Make();
    RecordingListener listener;
    m->AddListener(&listener);
    g_profileScore.AddListener(&listener);

    m->SelectProfile(0, nullptr, true);
    EXPECT_TRUE(listener.events.empty()) << "selecting the current profile again does nothing";
    m->SelectProfile(2, nullptr, true);
    m->SelectProfile(-1, nullptr, true);
    EXPECT_TRUE(listener.events.empty());

    g_profileScore.SetValue(11);
    m->SelectProfile(1, nullptr, true);
    EXPECT_EQ(listener.events, (std::vector<std::string>{"saving", "saved", "loading", "loaded"}));
    EXPECT_GT(listener.scoreChangesWhileLoading, 0) << "setting listeners can tell a load";
    EXPECT_EQ(g_profileScore.GetValue(), 20);
    EXPECT_EQ(g_profileName.GetValue(), "Bo");
    EXPECT_EQ(g_gameCurrentProfile.GetValue(), 1);
    EXPECT_EQ(ReadWholeFile(Profiles() + "profile_0/profile.txt"),
              "profile.name = Ada\nprofile.score = 11\n");

    m->SelectProfile(0, nullptr, true);
    EXPECT_EQ(g_profileScore.GetValue(), 11);
    g_profileScore.RemoveListener(&listener);
    m->RemoveListener(&listener);
}

TEST_F(ProfileTest, DeletingKeepsTheCurrentIndexOnTheSamePlayer)
{
    struct Case
    {
        const char* name;
        int current;
        int deleted;
        int expectedIndex;   // -1: no current profile
        int expectedSetting; // game.currentprofile afterwards
        const char* currentName;
    };
    const Case cases[] = {
        {"a lower profile", 2, 0, 1, 1, "Cy"},         {"a higher profile", 0, 2, 0, 0, "Ada"},
        {"the current profile", 1, 1, -1, 1, nullptr}, {"the current, last profile", 2, 2, -1, 1, nullptr},
        {"outside the list", 1, 7, 1, 1, "Bo"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        DeleteDirectoryTree(Profiles().c_str());
        MakeProfile("profile_0", "profile.name = Ada\nprofile.score = 1\n");
        MakeProfile("profile_1", "profile.name = Bo\nprofile.score = 2\n");
        MakeProfile("profile_2", "profile.name = Cy\nprofile.score = 3\n");
        ZProfileManager::DestroyInstance();
        g_gameCurrentProfile.SetValue(c.current);
        ZProfileManager* m = Make();
        const std::string deletedFolder = Profiles() + "profile_" + std::to_string(c.deleted);

        m->DeleteProfile(c.deleted);
        EXPECT_EQ(m->GetCurrentIndex(), c.expectedIndex);
        EXPECT_EQ(g_gameCurrentProfile.GetValue(), c.expectedSetting);
        EXPECT_LT(g_gameCurrentProfile.GetValue(), m->GetProfileCount());
        if (c.deleted < 3)
        {
            EXPECT_FALSE(FileExists(deletedFolder.c_str()));
        }
        if (c.currentName)
        {
            ASSERT_NE(m->GetCurrent(), nullptr);
            EXPECT_EQ(m->GetCurrent()->GetName(), c.currentName);
            // The player's progress still goes to the player's own folder.
            g_profileScore.SetValue(50);
            ASSERT_EQ(m->SaveProfile(), 0);
            EXPECT_NE(ReadWholeFile(m->GetCurrentFolder() + "profile.txt")
                          .find("profile.name = " + std::string(c.currentName)),
                      std::string::npos);
        }
        else
        {
            EXPECT_EQ(m->GetCurrent(), nullptr);
            g_profileScore.SetValue(50);
            EXPECT_EQ(m->SaveProfile(), 0) << "nothing to save";
            EXPECT_FALSE(FileExists(deletedFolder.c_str())) << "the deleted player is not written back";
            // The next selection, even of the same index, loads that profile.
            m->SelectProfile(g_gameCurrentProfile.GetValue(), nullptr, true);
            ASSERT_NE(m->GetCurrent(), nullptr);
            EXPECT_EQ(g_profileName.GetValue(), m->GetCurrent()->GetName());
            EXPECT_NE(g_profileScore.GetValue(), 50);
        }
    }
}

TEST_F(ProfileTest, DeletingTheOnlyProfileLeavesNone)
{
    MakeProfile("profile_0", "profile.name = Ada\n");
    ZProfileManager* m = Make();
    m->DeleteProfile(0);
    EXPECT_EQ(m->GetProfileCount(), 0);
    EXPECT_EQ(m->GetCurrentIndex(), -1);
    EXPECT_EQ(g_gameCurrentProfile.GetValue(), 0);
    m->SelectProfile(0, nullptr, true);
    EXPECT_EQ(m->GetCurrent(), nullptr);
}

TEST_F(ProfileTest, SubProfilesHaveTheirOwnSettingsAndTheTopProfilesName)
{
    MakeProfile("profile_0", "profile.name = Ada\nprofile.score = 10\n");
    MakeProfile("profile_0/untimed", "profile.score = 99\n");
    ZProfileManager* m = Make();
    m->AddSubProfileName("untimed");
    m->ScanProfiles(true);

    m->SelectProfile(0, "untimed", true);
    EXPECT_EQ(m->GetCurrentFolder(), Profiles() + "profile_0/untimed/");
    EXPECT_EQ(g_profileScore.GetValue(), 99);
    EXPECT_EQ(g_profileName.GetValue(), "Ada");

    m->SelectProfile(0, nullptr, true);
    EXPECT_EQ(g_profileScore.GetValue(), 10);

    ASSERT_TRUE(m->NewProfile("Bo"));
    m->SelectProfile(1, "untimed", true);
    EXPECT_EQ(g_profileName.GetValue(), "Bo");
    g_profileScore.SetValue(5);
    ASSERT_EQ(m->SaveProfile(), 0);
    EXPECT_TRUE(FileExists((Profiles() + "profile_1/untimed/profile.txt").c_str()));
}

TEST_F(ProfileTest, AFailedOrInterruptedSaveKeepsThePreviousProfileFile)
{
    MakeProfile("profile_0", "profile.name = Ada\nprofile.score = 10\n");
    ZProfileManager* m = Make();
    const std::string path = Profiles() + "profile_0/profile.txt";
    const std::string before = ReadWholeFile(path);
    g_profileScore.SetValue(123456);
    g_profileName.SetValue(std::string(4000, 'a'));

    int status = 0;
    playerdata::WithFileSizeLimit(256, [&] { status = m->SaveProfile(); });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ReadWholeFile(path), before);

    EXPECT_TRUE(playerdata::KilledMidway(256, [&] { m->SaveProfile(); }));
    EXPECT_EQ(ReadWholeFile(path), before);
    // A killed writer may leave its temporary file; it never replaces the profile, and the next
    // good save goes through.
    ASSERT_EQ(m->SaveProfile(), 0);
    EXPECT_NE(ReadWholeFile(path).find("profile.score = 123456"), std::string::npos);
}

TEST_F(ProfileTest, ANewProfileThatCannotBeWrittenIsNotKept)
{
    MakeProfile("profile_0", "profile.name = Ada\nprofile.score = 10\n");
    ZProfileManager* m = Make();
    bool created = true;
    playerdata::WithFileSizeLimit(8, [&] { created = m->NewProfile(std::string(100, 'b').c_str()); });
    EXPECT_FALSE(created);
    EXPECT_EQ(m->GetProfileCount(), 1);
    EXPECT_EQ(m->GetCurrentIndex(), 0);
    EXPECT_EQ(g_gameCurrentProfile.GetValue(), 0);
    EXPECT_EQ(g_profileName.GetValue(), "Ada");
    EXPECT_EQ(g_profileScore.GetValue(), 10);
    EXPECT_FALSE(FileExists((Profiles() + "profile_1").c_str()));
}

TEST_F(ProfileTest, ProfileFilesAreReadAndWrittenInTheCurrentFolder)
{
    {
        ZProfileFile none("levels.xml", FILE_WRITE);
        EXPECT_FALSE(none.IsOpen()) << "no profile manager, no folder";
    }
    MakeProfile("profile_0", "profile.name = Ada\n");
    Make();
    const std::string path = Profiles() + "profile_0/levels.xml";
    {
        ZProfileFile out("levels.xml", FILE_WRITE);
        ASSERT_TRUE(out.IsOpen());
        ASSERT_TRUE(out.Write("<progress/>", 11));
        EXPECT_FALSE(FileExists(path.c_str())) << "nothing replaces the file before Close";
        ASSERT_EQ(out.Close(), 0);
    }
    EXPECT_EQ(ReadWholeFile(path), "<progress/>");
    {
        ZProfileFile in("levels.xml", FILE_READ);
        ASSERT_TRUE(in.IsOpen());
        char buffer[32] = {};
        EXPECT_EQ(in.Read(buffer, sizeof(buffer)), 11u);
        EXPECT_STREQ(buffer, "<progress/>");
    }
    {
        ZProfileFile dropped("levels.xml", FILE_WRITE);
        ASSERT_TRUE(dropped.Write("half", 4));
    }
    EXPECT_EQ(ReadWholeFile(path), "<progress/>") << "a stream destroyed unclosed changes nothing";

    const std::string big(100000, 'x');
    int status = 0;
    playerdata::WithFileSizeLimit(1024,
                                  [&]
                                  {
                                      ZProfileFile out("levels.xml", FILE_WRITE);
                                      out.Write(big.data(), big.size());
                                      status = out.Close();
                                  });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ReadWholeFile(path), "<progress/>");
    ZProfileFile missing("characters.xml", FILE_READ);
    EXPECT_FALSE(missing.IsOpen());
}
