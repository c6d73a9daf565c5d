// The engine's configuration files and localized texts at start-up: "game:system.cfg" first, the
// user's "main.cfg" over it, the strings file once the resource mounts exist; "main.cfg" written
// back safely.
#include <gtest/gtest.h>

#include "support/TestFiles.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineMain.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/resource/ZPropertyFile.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "tests/support/TestFiles.h"

namespace
{
ZPropertyInt s_shipped("enginecfg.shipped", "", "", ZProperty::kSaved, ZProperty::kNoGroup, 1, 100, 0);
ZPropertyInt s_chosen("enginecfg.chosen", "", "", ZProperty::kSaved, ZProperty::kNoGroup, 1, 100, 0);
ZPropertyText s_text("enginecfg.text", "", "", ZProperty::kSaved, ZProperty::kNoGroup, std::string("plain"));

// An engine without layers whose user-data folder and game folder are temporary folders. Start-up
// stops at the version check, after the configuration and the resource mounts.
class ConfigEngine : public ZEngine
{
public:
    int CreateRenderer(int, int, bool) override { return 1; }
    int CreateInput() override { return 1; }
    int CreateAudio() override { return 1; }
    bool CheckSingleInstance() override { return true; }
    bool CheckVersion() override
    {
        // What start-up has made of the settings and texts by now.
        shippedSeen = s_shipped.GetValue();
        chosenSeen = s_chosen.GetValue();
        ZStringTable* table = ZStringTable::PeekInstance();
        playSeen = table && table->Find("menu.play") ? table->Find("menu.play") : "";
        return false;
    }
    int MountGamePaths() override
    {
        ZFileSystem::GetCurrentMountTable()->AddMount("game", (root + "/game").c_str());
        return 0;
    }
    int MountResources() override
    {
        ZFileSystem::GetCurrentMountTable()->AddMount("localized", (root + "/localized").c_str());
        return ZEngine::MountResources();
    }
    int GetUserDataFolder(std::string& out, const char* subfolder, const char* file) override
    {
        (void)subfolder;
        if (!userData)
            return 1;
        out = root + "/user/" + (file ? file : "");
        return 0;
    }

    static inline std::string root;
    static inline bool userData = true;
    static inline ZMountTable* table = nullptr;
    static inline int shippedSeen = 0;
    static inline int chosenSeen = 0;
    static inline std::string playSeen;
};

ZEngineFactory ConfigFactory()
{
    return {[](const ZCommandLine& words)
            {
                // The engine deletes the file system it finds when it goes.
                new ZFileSystem(ConfigEngine::table);
                auto* engine = new ConfigEngine();
                engine->commandLine = words;
                engine->CreateCoreObjects();
            },
            []
            {
                delete g_engine;
                g_engine = nullptr;
            }};
}

class EngineConfigTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_temp.Path().empty());
        ConfigEngine::root = m_temp.Path();
        ConfigEngine::userData = true;
        ConfigEngine::table = &m_table;
        ConfigEngine::playSeen.clear();
        for (const char* folder : {"/game", "/user", "/home", "/localized"})
            ASSERT_TRUE(CreateDirectoryTree((ConfigEngine::root + folder).c_str()));
        m_table.AddMount("home", (ConfigEngine::root + "/home").c_str());
        g_gameCheckVersion.SetValue(true);
        ResetSettings();
    }
    void TearDown() override
    {
        delete g_engine;
        g_engine = nullptr;
        g_gameCheckVersion.Reset(false);
        ResetSettings();
    }
    static void ResetSettings()
    {
        s_shipped.Reset(false);
        s_chosen.Reset(false);
        s_text.Reset(false);
    }
    static std::string Path(const char* name) { return ConfigEngine::root + "/" + name; }
    // Runs start-up up to the version check; the engine is then kept alive for the test.
    void StartUp()
    {
        const ZEngineFactory factory = ConfigFactory();
        ZEngineFactory keep = {factory.createEngine, [] {}};
        const char* argv[] = {"quorvane"};
        ASSERT_EQ(RunEngine(1, argv, keep), 0);
        ASSERT_NE(g_engine, nullptr);
    }

    qvtest::TempDir m_temp{"qv_enginecfg"};
    ZMountTable m_table;
};

TEST_F(EngineConfigTest, MainConfigOverridesTheShippedDefaults)
{
    qvtest::WriteWholeFile(Path("game/system.cfg"), "enginecfg.shipped = 10\nenginecfg.chosen = 20\n");
    qvtest::WriteWholeFile(Path("user/main.cfg"), "enginecfg.chosen = 30 # the player's choice\n");
    qvtest::WriteWholeFile(Path("localized/strings.xml"), "<strings><s key=\"menu.play\" value=\"Play\"/></strings>");
    StartUp();
    EXPECT_EQ(ConfigEngine::shippedSeen, 10);
    EXPECT_EQ(ConfigEngine::chosenSeen, 30);
    EXPECT_EQ(ConfigEngine::playSeen, "Play");
    ASSERT_NE(g_engine->GetMainConfig(), nullptr);
    EXPECT_TRUE(g_engine->GetMainConfig()->IsLoaded());

    delete g_engine;
    g_engine = nullptr;
    EXPECT_EQ(ZStringTable::PeekInstance(), nullptr) << "the engine deletes its text table";
}

// The effects quality chosen in "main.cfg" sets the particle multiplier from the start, and a later
// change follows.
TEST_F(EngineConfigTest, TheLoadedQualitySetsTheParticleFactorAtStart)
{
    qvtest::WriteWholeFile(Path("user/main.cfg"), "render.quality = 0\n");
    StartUp();
    EXPECT_FLOAT_EQ(g_renderQuality.GetValue(), 0.0f);
    EXPECT_FLOAT_EQ(g_particlesFactor.GetValue(), 0.25f);
    g_renderQuality.SetValue(0.5f);
    EXPECT_FLOAT_EQ(g_particlesFactor.GetValue(), 0.625f);
    delete g_engine;
    g_engine = nullptr;
    g_renderQuality.Reset(false);
    g_particlesFactor.Reset(false);
}

TEST_F(EngineConfigTest, MissingFilesLeaveTheDefaultsAndABrokenStringsFileLeavesKeys)
{
    qvtest::WriteWholeFile(Path("localized/strings.xml"), "<strings><s key=\"menu.play\" value=\"Play\"/>");
    StartUp();
    EXPECT_EQ(ConfigEngine::shippedSeen, 1);
    EXPECT_EQ(ConfigEngine::chosenSeen, 1);
    EXPECT_EQ(ConfigEngine::playSeen, "") << "a cut-off strings file loads nothing";
    ASSERT_NE(ZStringTable::PeekInstance(), nullptr);
    EXPECT_STREQ(ZStringTable::PeekInstance()->GetText("menu.play"), "menu.play");
}

TEST_F(EngineConfigTest, WithoutAUserDataFolderMainConfigIsAtHome)
{
    ConfigEngine::userData = false;
    qvtest::WriteWholeFile(Path("home/main.cfg"), "enginecfg.chosen = 40\n");
    StartUp();
    EXPECT_EQ(ConfigEngine::chosenSeen, 40);

    s_chosen.SetValue(41);
    ASSERT_EQ(g_engine->GetMainConfig()->Save(), 0);
    EXPECT_NE(qvtest::ReadWholeFile(Path("home/main.cfg")).find("enginecfg.chosen = 41\n"), std::string::npos);
}

TEST_F(EngineConfigTest, MainConfigIsRewrittenSafely)
{
    const std::string mainCfg = Path("user/main.cfg");
    const std::string old = "# settings\nenginecfg.chosen = 30\n";
    qvtest::WriteWholeFile(mainCfg, old);
    StartUp();
    ZConfigFile* config = g_engine->GetMainConfig();

    // A change is written back, the user's lines kept.
    s_chosen.SetValue(35);
    ASSERT_EQ(config->Save(), 0);
    const std::string saved = qvtest::ReadWholeFile(mainCfg);
    EXPECT_EQ(saved.rfind(" # settings\nenginecfg.chosen = 35\n", 0), 0u) << saved;

    // Nothing differs: nothing is written.
    qvtest::WriteWholeFile(mainCfg, "sentinel\n");
    ASSERT_EQ(config->Save(), 0);
    EXPECT_EQ(qvtest::ReadWholeFile(mainCfg), "sentinel\n");
    qvtest::WriteWholeFile(mainCfg, saved);

    // A write that fails (a file-size limit acts like a full disk) keeps the old file whole.
    s_text.SetValue(std::string(100000, 't'));
    struct rlimit limit;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const struct rlimit saveLimit = limit;
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const int status = config->Save();
    setrlimit(RLIMIT_FSIZE, &saveLimit);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(qvtest::ReadWholeFile(mainCfg), saved);

    std::vector<ZFileSystemEntry*> entries;
    ZDir(Path("user")).GetFiles(entries);
    EXPECT_EQ(entries.size(), 1u) << "no temporary file is left beside main.cfg";
    for (ZFileSystemEntry* e : entries)
        delete e;
}
} // namespace
