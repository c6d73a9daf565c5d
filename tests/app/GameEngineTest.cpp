// The game engine's mounts: the game folders, the resource archive's name by language and its
// place before or after the loose folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGameEngine.h"
#include "engine/core/ZModule.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "support/TestFiles.h"

namespace
{
class MountEngine : public ZGameEngine
{
public:
    MountEngine() { SetNames("Quorvane", "quorvane"); }
    bool CheckSingleInstance() override { return true; }
};

// The places of an alias as "archive#path" or "path", in search order.
std::vector<std::string> Places(ZMountTable* table, const char* alias)
{
    std::vector<std::string> out;
    for (const SMountEntry& e : table->GetEntries())
        if (e.name == alias)
            out.push_back(e.archive.empty() ? e.path : e.archive + "#" + e.path);
    return out;
}

class GameEngineMounts : public ::testing::Test
{
protected:
    // The engine deletes the file system it finds when it goes.
    void NewFileSystem() { new ZFileSystem(&ownTable); }
    void TearDown() override
    {
        g_language.Reset(false);
        g_gameResourceFileLast.Reset(false);
        g_gameDisableResourceFile.Reset(false);
    }
    ZMountTable ownTable;
};
} // namespace

TEST_F(GameEngineMounts, GamePathsHangOffTheKeyName)
{
    NewFileSystem();
    MountEngine engine;
    engine.MountGamePaths();
    EXPECT_EQ(Places(&ownTable, "game"), std::vector<std::string>{"media:quorvane"});
    EXPECT_EQ(Places(&ownTable, "shaders"), std::vector<std::string>{"game:shaders"});
    EXPECT_EQ(Places(&ownTable, "audio"), std::vector<std::string>{"game:audio"});
    EXPECT_EQ(engine.GetShaderDefsPath(), "media:quorvane/shaders.def");
}

TEST_F(GameEngineMounts, ResourcesByLanguageAndOrder)
{
    struct Case
    {
        const char* language;
        bool last;
        bool disabled;
        size_t folderIndex;
        std::string archive;
        std::string localized;
    } const cases[] = {
        {"en", false, false, 1, "game:resources.brn", "resources:localized/en"},
        {"de", false, false, 1, "game:resources_de.brn", "resources:localized/de"},
        {"en", true, false, 0, "game:resources.brn", "resources:localized/en"},
        {"en", false, true, 0, "", "resources:localized/en"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.language) + (c.last ? " last" : "") + (c.disabled ? " disabled" : ""));
        ownTable = ZMountTable();
        NewFileSystem();
        g_language.SetFromText(c.language, false, false);
        g_gameResourceFileLast.SetValue(c.last);
        g_gameDisableResourceFile.SetValue(c.disabled);
        MountEngine engine;
        engine.MountResources();
        const std::vector<std::string> places = Places(&ownTable, "resources");
        ASSERT_EQ(places.size(), c.disabled ? 1u : 2u);
        EXPECT_EQ(places[c.folderIndex], "media:quorvane");
        if (!c.disabled)
        {
            EXPECT_NE(places[1 - c.folderIndex].find(c.archive), std::string::npos) << places[1 - c.folderIndex];
        }
        EXPECT_EQ(Places(&ownTable, "localized"), std::vector<std::string>{c.localized});
    }
}

TEST(Modules, UnregisteredLayersAreNotFound)
{
    MountEngine engine;
    engine.AddModule(new ZModule<int>("ZSomething"));
    EXPECT_NE(engine.FindModule("ZSomething"), nullptr);
    for (const char* name : {"ZRenderD3D9", "ZInputDX", "ZAudioOpenAL", static_cast<const char*>(nullptr)})
        EXPECT_EQ(engine.FindModule(name), nullptr);
}

// A damaged resource archive is named in the error, not only the first resource that then fails;
// a missing one (a game run from its folders) and a sound one say nothing.
TEST_F(GameEngineMounts, ADamagedArchiveIsNamed)
{
    qvtest::TempDir media("qvmedia");
    ASSERT_TRUE(CreateDirectoryTree((media.Path() + "/quorvane").c_str()));
    const auto startUp = [&]
    {
        ownTable = ZMountTable();
        ownTable.AddMount("media", media.Path().c_str());
        NewFileSystem();
        MountEngine engine;
        engine.MountGamePaths();
        ::testing::internal::CaptureStderr();
        engine.MountResources();
        return ::testing::internal::GetCapturedStderr();
    };
    EXPECT_EQ(startUp(), "") << "no archive";
    qvtest::WriteWholeFile(media.Path() + "/quorvane/resources.brn", "this is no zip archive");
    const std::string said = startUp();
    EXPECT_NE(said.find("resources.brn"), std::string::npos) << said;
    EXPECT_NE(said.find("damaged"), std::string::npos) << said;
    // An empty archive: the end record alone.
    qvtest::WriteWholeFile(media.Path() + "/quorvane/resources.brn",
                           std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    EXPECT_EQ(startUp(), "");
}
