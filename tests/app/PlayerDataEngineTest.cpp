// Where the engine puts the player's data and the statistics log: the profile manager, the
// high-score table and the log, each made the way the game's services make them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZStatsLog.h"
#include "engine/fs/ZFile.h"
#include "engine/resource/ZHighscoreTable.h"
#include "engine/resource/ZProfileManager.h"
#include "tests/support/TestFiles.h"

namespace
{
class FolderEngine : public ZEngine
{
public:
    int CreateRenderer(int, int, bool) override { return 1; }
    int CreateInput() override { return 1; }
    int CreateAudio() override { return 1; }
    bool CheckSingleInstance() override { return true; }
    bool CheckVersion() override { return true; }
    int GetUserDataFolder(std::string& out, const char* subfolder, const char* file) override
    {
        out = userData + "/" + (subfolder ? std::string(subfolder) + "/" : "") + (file ? file : "");
        return 0;
    }
    int GetDesktopFolder(std::string& out, const char* subfolder, const char* file) override
    {
        out = desktop + "/" + (subfolder ? std::string(subfolder) + "/" : "") + (file ? file : "");
        return 0;
    }
    std::string userData;
    std::string desktop;
};

class PlayerDataEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.empty());
        ASSERT_TRUE(CreateDirectoryTree((m_dir + "/data").c_str()));
        ASSERT_TRUE(CreateDirectoryTree((m_dir + "/desktop").c_str()));
        m_engine = new FolderEngine();
        m_engine->SetNames("Quorvane", "quorvane");
        m_engine->userData = m_dir + "/data";
        m_engine->desktop = m_dir + "/desktop";
        g_engineStats.Reset(false);
        g_engineStatsDesktop.Reset(false);
        g_gameCurrentProfile.Reset(false);
    }
    void TearDown() override
    {
        ZStatsLog::DestroyInstance();
        ZProfileManager::DestroyInstance();
        ZHighscoreTable::DestroyInstance();
        delete m_engine;
        g_engineStats.Reset(false);
        g_engineStatsDesktop.Reset(false);
        g_gameCurrentProfile.Reset(false);
        g_profileName.Reset(false);
        g_profileScore.Reset(false);
    }

    qvtest::TempDir m_temp{"qv_engine_data"};
    std::string m_dir = m_temp.Path();
    FolderEngine* m_engine = nullptr;
};
} // namespace

TEST_F(PlayerDataEngineTest, TheStatisticsLogGoesToTheUserDataFolderOrTheDesktop)
{
    EXPECT_EQ(ZStatsLog::ChooseLogPath(), m_dir + "/data/stats.txt");
    g_engineStatsDesktop.SetValue(true);
    EXPECT_EQ(ZStatsLog::ChooseLogPath(), m_dir + "/desktop/quorvane_stats.txt");

    // The tester's file in the user-data folder turns statistics on as the log starts.
    std::ofstream(m_dir + "/data/betatester.cfg") << "engine.stats = true\n";
    ZStatsLog* log = ZStatsLog::GetInstance();
    EXPECT_EQ(log->GetFilePath(), m_dir + "/desktop/quorvane_stats.txt");
    log->WriteSessionStart();
    const SStatsRecord session = log->GetQueuedRecords().front();
    EXPECT_EQ(session.fields.at("game"), "quorvane");
    EXPECT_EQ(session.fields.at("build"), ZEngine::GetBuildStamp());
    ZStatsLog::DestroyInstance();
    EXPECT_TRUE(FileExists((m_dir + "/desktop/quorvane_stats.txt").c_str()));
    EXPECT_FALSE(FileExists((m_dir + "/data/stats.txt").c_str()));
}

TEST_F(PlayerDataEngineTest, ProfilesAndHighScoresLiveInTheUserDataFolder)
{
    ZProfileManager* profiles = ZProfileManager::GetInstance();
    EXPECT_EQ(profiles->GetProfilesFolder(), m_dir + "/data/profiles/");
    ASSERT_TRUE(profiles->NewProfile("Ada"));
    EXPECT_TRUE(FileExists((m_dir + "/data/profiles/profile_0/profile.txt").c_str()));

    ZHighscoreTable* scores = ZHighscoreTable::GetInstance();
    ASSERT_TRUE(scores->Insert("Ada", 3000000, "Tess"));
    ASSERT_EQ(scores->Save(), 0);
    ZHighscoreTable::Destroy();
    EXPECT_EQ(ZHighscoreTable::GetInstance()->GetEntries().front().name, "Ada");
    EXPECT_TRUE(FileExists((m_dir + "/data/highscores.dat").c_str()));
}
