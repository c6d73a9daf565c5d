// Each generator gives the same bytes for the same inputs: run again here, its output must
// equal the file the build put into the game folder, twice over.
#include <gtest/gtest.h>

#include <set>

#include "data/GameFolder.h"

namespace
{

using namespace qvtest;

// The first line of each kind (generator or recipe): every code path once, without redoing
// the whole content build.
std::vector<ListLine> OnePerKind(const std::string& list, size_t kindColumn)
{
    std::vector<ListLine> picked;
    std::set<std::string> seen;
    for (const ListLine& line : ReadList(list))
        if (line.words[0] != "playlist" && line.words.size() > kindColumn &&
            seen.insert(line.words[kindColumn]).second)
            picked.push_back(line);
    return picked;
}

class Determinism : public ::testing::Test
{
protected:
    // Runs the tool twice with the output in two folders; both must match the built file.
    void Check(const std::string& tool, const fs::path& built, const std::vector<std::string>& before,
               const std::vector<std::string>& after)
    {
        SCOPED_TRACE(built.filename().string());
        std::vector<uint8_t> expected = ReadBytes(built);
        ASSERT_FALSE(expected.empty()) << built;
        for (const char* round : {"a", "b"})
        {
            fs::create_directories(dir_ / round);
            fs::path out = dir_ / round / built.filename();
            std::vector<std::string> args = before;
            args.push_back(out.string());
            args.insert(args.end(), after.begin(), after.end());
            ASSERT_EQ(RunTool(ToolPath(tool), args), 0);
            EXPECT_EQ(ReadBytes(out), expected) << "run " << round << " differs from the build's file";
        }
    }

    TempDir scratch_{"qv-content"};
    const fs::path dir_{scratch_.Path()};
};

TEST_F(Determinism, ImageGenerator)
{
    for (const ListLine& line : OnePerKind("images.list", 1))
    {
        fs::path built = line.options.count("place") ? GameDir() / line.words[0]
                                                     : BinaryDir() / "data" / "resources" / line.words[0];
        Check("imagegen", built, {}, std::vector<std::string>(line.words.begin() + 1, line.words.end()));
    }
}

TEST_F(Determinism, FontGenerator)
{
    const fs::path stage = BinaryDir() / "data" / "resources";
    for (const ListLine& line : ReadList("fonts.list"))
    {
        if (line.words[0] != "font_popup" && line.words[0] != "plain")
            continue;
        SCOPED_TRACE(line.words[0]);
        for (const char* round : {"a", "b"})
        {
            fs::create_directories(dir_ / round);
            fs::path fnt = dir_ / round / (line.words[0] + ".fnt"),
                     png = dir_ / round / (line.words[0] + ".png");
            std::vector<std::string> args = {fnt.string(), png.string(),
                                             "/usr/share/fonts/truetype/" + line.words[1]};
            args.insert(args.end(), line.words.begin() + 2, line.words.end());
            ASSERT_EQ(RunTool(ToolPath("fontgen"), args), 0);
            EXPECT_EQ(ReadBytes(fnt), ReadBytes(stage / fnt.filename()));
            EXPECT_EQ(ReadBytes(png), ReadBytes(stage / png.filename()));
        }
    }
}

TEST_F(Determinism, SoundGenerator)
{
    for (const ListLine& line : OnePerKind("sounds.list", 1))
        Check("soundgen", GameDir() / "audio" / (line.words[0] + ".ogg"), {},
              std::vector<std::string>(line.words.begin() + 1, line.words.end()));
}

TEST_F(Determinism, ArchivePacker)
{
    for (const char* round : {"a", "b"})
    {
        fs::path out = dir_ / round / "resources.brn";
        ASSERT_EQ(RunTool("python3", {(SourceDir() / "tools" / "pack" / "qv_pack.py").string(), out.string(),
                                      (BinaryDir() / "data" / "resources.manifest").string()}),
                  0);
        EXPECT_EQ(ReadBytes(out), ReadBytes(GameDir() / "resources.brn"));
    }
}

} // namespace
