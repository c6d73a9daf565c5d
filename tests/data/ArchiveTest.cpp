// The resource archive: readable by the engine's rules and by standard tools, complete,
// and refused by the packer when its inputs are unsafe.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include <expat.h>

#include "data/GameFolder.h"

namespace
{

using namespace qvtest;

bool ParsesAsXml(const std::vector<uint8_t>& bytes, std::string& error)
{
    XML_Parser parser = XML_ParserCreate(nullptr);
    bool ok = XML_Parse(parser, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                        1) == XML_STATUS_OK;
    if (!ok)
        error = XML_ErrorString(XML_GetErrorCode(parser));
    XML_ParserFree(parser);
    return ok;
}

TEST(ResourceArchive, ReadsUnderTheEngineRulesAndEveryMemberInflates)
{
    ZipReader zip(GameDir() / "resources.brn");
    ASSERT_TRUE(zip.Ok()) << zip.Error();
    ASSERT_FALSE(zip.Entries().empty());
    std::vector<std::string> names;
    for (const ZipEntry& entry : zip.Entries())
    {
        names.push_back(entry.name);
        EXPECT_EQ(entry.method, 8) << entry.name;
        EXPECT_EQ(entry.flags & 0x8, 0) << entry.name << " uses a data descriptor";
        std::vector<uint8_t> bytes;
        std::string error;
        EXPECT_TRUE(zip.Read(entry, bytes, error)) << error;
        if (entry.name.size() > 4 && entry.name.substr(entry.name.size() - 4) == ".xml")
        {
            EXPECT_TRUE(ParsesAsXml(bytes, error)) << entry.name << ": " << error;
        }
    }
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

TEST(ResourceArchive, ListsAndTestsCleanWithStandardTools)
{
    const std::string archive = (GameDir() / "resources.brn").string();
    EXPECT_EQ(RunTool("python3", {"-c",
                                  "import sys, zipfile\n"
                                  "z = zipfile.ZipFile(sys.argv[1])\n"
                                  "sys.exit(1 if z.testzip() is not None or not z.namelist() else 0)",
                                  archive}),
              0);
    EXPECT_EQ(RunTool("unzip", {"-tq", archive}), 0);
}

TEST(ResourceArchive, HoldsTheResourcesAndNothingOfTheGameFolderItself)
{
    ZipReader zip(GameDir() / "resources.brn");
    ASSERT_TRUE(zip.Ok()) << zip.Error();
    for (const char* member : {"localized/en/strings.xml", "resources.xml", "fonts.xml", "soundtrack.xml",
                               "localized/en/medal_gold.png", "pointer.png", "token_red_crab_blink.png"})
        EXPECT_NE(zip.Find(member), nullptr) << member;
    for (const ListLine& line : ReadList("images.list"))
        if (!line.options.count("place"))
        {
            EXPECT_NE(zip.Find(line.words[0]), nullptr) << line.words[0];
        }
    for (const ListLine& line : ReadList("fonts.list"))
    {
        EXPECT_NE(zip.Find(line.words[0] + ".fnt"), nullptr) << line.words[0];
        EXPECT_NE(zip.Find(line.words[0] + ".png"), nullptr) << line.words[0];
    }
    // Read from the game folder only: an archive copy would never be looked at.
    for (const char* member : {"system.cfg", "shaders.def", "localized/en/quorvane.ico"})
        EXPECT_EQ(zip.Find(member), nullptr) << member;
    for (const ZipEntry& entry : zip.Entries())
        EXPECT_NE(entry.name.rfind("audio/", 0), 0u) << entry.name << ": sounds are loose files";
}

TEST(ResourceArchive, GameFolderHoldsTheLooseFilesTheEngineReadsDirectly)
{
    for (const fs::path& file :
         {GameDir() / "system.cfg", GameDir() / "shaders.def", GameDir() / "resources.brn",
          GameDir() / "localized" / "en" / "quorvane.ico", GameHome() / "media" / "shaders" / "shaders.def"})
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
}

// Pictures the code loads by fixed name: losing a list line must fail here, not in the game.
TEST(ResourceArchive, HoldsThePicturesTheCodeNames)
{
    ZipReader zip(GameDir() / "resources.brn");
    ASSERT_TRUE(zip.Ok()) << zip.Error();
    std::vector<std::string> names = {"pointer.png",
                                      "pointer_down.png",
                                      "splash_brn.png",
                                      "caustics_surface.jpg",
                                      "beams.jpg",
                                      "highlight.png",
                                      "mapscreen_glow_0.png",
                                      "mapscreen_glow_1.png",
                                      "boat_rotation.png",
                                      "token_artifact_0.png",
                                      "tokenpop.png",
                                      "tile_status_chain.png",
                                      "tile_status_2xchain.png",
                                      "tile_status_freeze.png",
                                      "tile_status_hole.png",
                                      "tile_block_l.png",
                                      "tile_block_m.png",
                                      "tile_block_n.png"};
    for (const char* medal : {"bronze", "silver", "gold"})
        names.push_back(std::string("localized/en/medal_") + medal + ".png");
    for (const char* row : {"red_blowfish", "red_crab", "red_orangefish", "green_octopus", "green_jellyfish",
                            "green_turtle", "blue_starfish", "blue_seahorse", "blue_fish"})
        for (const char* suffix : {"", "_up", "_right", "_down", "_left", "_blink", "_good", "_bad"})
            names.push_back(std::string("token_") + row + suffix + ".png");
    for (const char* kind : {"bad", "copper", "silver", "gold", "super"})
        for (int i = 0; i < 3; ++i)
            names.push_back(std::string("token_treasure_") + kind + "_" + std::to_string(i) + ".png");
    for (const char* theme : {"sand", "coral", "shipwreck", "volcano", "deepwater", "sunkencity"})
    {
        for (const char* tile : {"", "_select", "_highlight"})
            names.push_back(std::string("tile_") + theme + tile + ".png");
        for (int i = 0; i < 2; ++i)
            names.push_back(std::string("theme_background_") + theme + "_" + std::to_string(i) + ".jpg");
    }
    for (const char* key : {"breaktile",     "breakrow",       "swap",          "break3x3",
                            "breakmetal",    "breakdiagonal",  "breakcolumn",   "air",
                            "air2",          "breakfreeze",    "breaktile2",    "swap2",
                            "swap3",         "break5x5",       "breaktype",     "breakrandom",
                            "lessair",       "lessair2",       "haltfreeze",    "rotateboost",
                            "breakcolumn2",  "noair",          "haltfreeze2",   "rotateboost2",
                            "skiplevel",     "breakallchains", "treasureboost", "treasureboost2",
                            "airless",       "airless2",       "chest2",        "chest3",
                            "chest4",        "chest5",         "inventory1",    "inventory2",
                            "inventory3",    "inventory4",     "rotateupgrade", "rotateupgrade2",
                            "rotateupgrade3"})
        names.push_back(std::string("power_") + key + ".png");
    for (const std::string& name : names)
        EXPECT_NE(zip.Find(name), nullptr) << name;
}

// The packer's input checks, on small manifests of its own.
class Packer : public ::testing::Test
{
protected:
    fs::path Write(const std::string& name, const std::string& text)
    {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return dir_ / name;
    }

    int Pack(const std::string& manifest)
    {
        return RunTool("python3", {(SourceDir() / "tools" / "pack" / "qv_pack.py").string(),
                                   (dir_ / "out.brn").string(), Write("manifest", manifest).string()});
    }

    TempDir scratch_{"qv-content"};
    const fs::path dir_{scratch_.Path()};
};

TEST_F(Packer, RefusesUnsafeInputAndLeavesNoArchive)
{
    fs::path good = Write("good.xml", "<scene><group name=\"a\"/></scene>");
    fs::path cut = Write("cut.xml", "<scene><group name=\"a\">");
    struct Case
    {
        const char* what;
        std::string manifest;
    } cases[] = {
        {"upper-case name", "Mainmenu.xml\t" + good.string() + "\n"},
        {"blank in name", "main menu.xml\t" + good.string() + "\n"},
        {"backslash", "boards\\a.xml\t" + good.string() + "\n"},
        {"cut-off XML", "cut.xml\t" + cut.string() + "\n"},
        {"missing source", "a.xml\t" + (dir_ / "nothing.xml").string() + "\n"},
    };
    for (const Case& c : cases)
    {
        EXPECT_NE(Pack(c.manifest), 0) << c.what;
        EXPECT_FALSE(fs::exists(dir_ / "out.brn")) << c.what;
    }
    EXPECT_EQ(Pack("good.xml\t" + good.string() + "\n"), 0);
    EXPECT_TRUE(fs::exists(dir_ / "out.brn"));
}

TEST_F(Packer, SameSourcesGiveTheSameArchiveWhateverTheFileTimes)
{
    fs::path a = Write("a.txt", "first");
    fs::path b = Write("b.txt", std::string(5000, 'x'));
    ASSERT_EQ(Pack("b.txt\t" + b.string() + "\na.txt\t" + a.string() + "\n"), 0);
    std::vector<uint8_t> first = ReadBytes(dir_ / "out.brn");
    fs::last_write_time(a, fs::last_write_time(a) - std::chrono::hours(50));
    ASSERT_EQ(Pack("a.txt\t" + a.string() + "\nb.txt\t" + b.string() + "\n"), 0);
    EXPECT_EQ(ReadBytes(dir_ / "out.brn"), first);
    ZipReader zip(dir_ / "out.brn");
    ASSERT_TRUE(zip.Ok()) << zip.Error();
    ASSERT_EQ(zip.Entries().size(), 2u);
    EXPECT_EQ(zip.Entries()[0].name, "a.txt");
}

} // namespace
