// The assembled game folder seen through the engine's own mounts: every file the engine reads
// at start-up resolves and reads back whole through the alias it is reached by.
#include <gtest/gtest.h>

#include "data/GameFolder.h"
#include "engine/app/ZGameEngine.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/resource/ZPropertyFile.h"
#include "engine/resource/ZStringTable.h"

namespace
{

using namespace qvtest;

class ShippedEngine : public ZGameEngine
{
public:
    ShippedEngine() { SetNames("Quorvane", "quorvane"); }
    bool CheckSingleInstance() override { return true; }
};

std::vector<uint8_t> ReadThroughEngine(const char* name)
{
    std::vector<uint8_t> bytes;
    IFile* file = ZFileSystem::GetInstance()->Open(name, FILE_READ);
    if (!file)
        return bytes;
    if (file->Open() == 0 && file->GetSize() > 0)
    {
        bytes.resize(static_cast<size_t>(file->GetSize()));
        if (file->ReadAll(bytes.data()) != 0)
            bytes.clear();
        file->Close();
    }
    delete file;
    return bytes;
}

TEST(EngineMounts, EveryStartUpFileResolvesThroughItsAlias)
{
    ZMountTable table;
    new ZFileSystem(&table); // the engine deletes the file system it finds
    ShippedEngine engine;
    ZFileSystem::GetInstance()->MountDefaultPaths(GameHome().string().c_str(), nullptr);
    engine.MountGamePaths();
    engine.MountResources();

    struct Case
    {
        const char* name;
        fs::path loose;     // the file on disk it must equal, or
        const char* member; // the archive member it must equal
    } const cases[] = {
        {"game:system.cfg", GameDir() / "system.cfg", nullptr},
        {"media:quorvane/shaders.def", GameDir() / "shaders.def", nullptr},
        {"media:shaders/shaders.def", GameHome() / "media" / "shaders" / "shaders.def", nullptr},
        {"audio:music_main.ogg", GameDir() / "audio" / "music_main.ogg", nullptr},
        {"audio:button_click.ogg", GameDir() / "audio" / "button_click.ogg", nullptr},
        {"home:media/quorvane/localized/en/quorvane.ico", GameDir() / "localized" / "en" / "quorvane.ico",
         nullptr},
        {"localized:strings.xml", {}, "localized/en/strings.xml"},
        {"localized:medal_gold.png", {}, "localized/en/medal_gold.png"},
        {"resources:resources.xml", {}, "resources.xml"},
        {"resources:soundtrack.xml", {}, "soundtrack.xml"},
        {"resources:fonts.xml", {}, "fonts.xml"},
        {"resources:font_popup.fnt", {}, "font_popup.fnt"},
        {"resources:theme_background_coral_0.jpg", {}, "theme_background_coral_0.jpg"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> expected;
        if (c.member)
        {
            std::string text = ArchiveText(c.member);
            expected.assign(text.begin(), text.end());
        }
        else
            expected = ReadBytes(c.loose);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(ReadThroughEngine(c.name), expected);
    }

    // The start-up readers take the shipped files as they are: the engine loaded the strings
    // while mounting, and the settings file reads as property text.
    ZStringTable* strings = ZStringTable::GetInstance();
    ASSERT_NE(strings, nullptr);
    EXPECT_STREQ(strings->Find("general.sure"), "Are you sure?");
    EXPECT_STREQ(strings->Find("preview.title"), "Dive %i: %s");
    ZPropertyFile config;
    ASSERT_EQ(config.Load("game:system.cfg", false), 0);
    const SPropertyEntry* renderer = config.FindEntry("engine.render.system");
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(renderer->value, "renderopengl");
}

} // namespace
