// Board files: the cell table, the analysis (thresholds, letters, air time, holes, texts,
// difficulty) and the refusal of malformed and hostile files.
#include <gtest/gtest.h>

#include <string>

#include "engine/core/ZRandom.h"
#include "game/dive/model/ZLevelLoader.h"
#include "tests/support/TestFiles.h"

namespace
{
const char* kKeys = "@complete: xxx\n@bronze: xx\n@silver:\n@gold: x\n@time: 90\n"
                    "@tokens: red_crab,red_blowfish,green_octopus,green_jellyfish,green_turtle\n";

std::string WithRows(const std::string& rows)
{
    return std::string(kKeys) + rows;
}
} // namespace

TEST(LevelLoader, CellCharactersMapToKindsAndStarts)
{
    struct Case
    {
        char cell;
        int32_t start, kind, type;
    };
    const Case cases[] = {
        {0, kCellNoTile, 0, -1},     {'E', kCellNoTile, 0, -1},   {' ', kCellNoTile, 0, -1},
        {'C', kCellRandom, 4, -1},   {'Z', kCellRandom, 5, -1},   {'H', kCellRandom, 6, -1},
        {'L', kCellNone, 1, -1},     {'l', kCellNone, 1, -1},     {'M', kCellArtifact, 2, -1},
        {'n', kCellArtifact, 3, -1}, {'0', kCellWaiting, 0, -1},  {'1', kCellToken, 0, 0},
        {'5', kCellToken, 0, 4},     {'6', kCellArtifact, 0, -1}, {'?', kCellRandom, 0, -1},
        {'Q', kCellRandom, 0, -1},   {'s', kCellSpawn, 0, -1},    {'D', kCellArtifact, 0, -1},
        {'x', kCellArtifact, 0, -1}, {'!', kCellArtifact, 0, -1}, {char(0xC3), kCellNoTile, 0, -1},
    };
    for (const Case& c : cases)
    {
        const SCellMeaning m = ClassifyCell(int8_t(c.cell));
        EXPECT_EQ(m.start, c.start) << int(c.cell);
        EXPECT_EQ(m.kind, c.kind) << int(c.cell);
        EXPECT_EQ(m.tokenType, c.type) << int(c.cell);
    }
}

TEST(LevelLoader, MedalValuesGiveCumulativeThresholdsAndTheLetterSequence)
{
    ZLevelLoader loader;
    ASSERT_EQ(loader.LoadText(WithRows("???\n???\n"), "level01"), 0) << loader.GetError();
    EXPECT_EQ(loader.GetThreshold(0), 3);
    EXPECT_EQ(loader.GetThreshold(1), 5);
    EXPECT_EQ(loader.GetThreshold(2), 5);
    EXPECT_EQ(loader.GetThreshold(3), 6);
    EXPECT_EQ(loader.GetLastEmptyMedal(), 2);
    ASSERT_EQ(loader.GetArtifactLetters().size(), 6u);
    for (uint8_t letter : loader.GetArtifactLetters())
        EXPECT_NE(std::string("DTSFOPQ").find(char(letter)), std::string::npos);
    EXPECT_FLOAT_EQ(loader.GetAirTime(), 90.0f);
    EXPECT_EQ(loader.GetTokenNames().size(), 5u);

    // The same file draws the same letters, and the random sequence after them repeats.
    const std::vector<uint8_t> first = loader.GetArtifactLetters();
    const uint32_t next = RandomNext();
    ZLevelLoader again;
    ASSERT_EQ(again.LoadText(WithRows("???\n???\n"), "some/folder/level01"), 0);
    EXPECT_EQ(again.GetArtifactLetters(), first);
    EXPECT_EQ(RandomNext(), next);
}

TEST(LevelLoader, EmptyMedalValuesAndTheirDifficulty)
{
    ZLevelLoader loader;
    ASSERT_EQ(loader.LoadText("@complete:\n@bronze:\n@silver:\n@gold:\n@time: 5\n@tokens: a,b,c,d,e\n?\n", "x"), 0);
    EXPECT_EQ(loader.GetThreshold(3), 0);
    EXPECT_EQ(loader.GetLastEmptyMedal(), 3);
    EXPECT_TRUE(loader.GetArtifactLetters().empty());
    EXPECT_GE(loader.GetDifficulty(), 1);
}

TEST(LevelLoader, AirTimeForms)
{
    EXPECT_NEAR(ZLevelLoader::ParseAirTime("PI/4"), 0.7853982f, 1e-6f);
    EXPECT_FLOAT_EQ(ZLevelLoader::ParseAirTime("PI"), 3.1415927f);
    EXPECT_FLOAT_EQ(ZLevelLoader::ParseAirTime("PI2"), 6.2831855f);
    EXPECT_FLOAT_EQ(ZLevelLoader::ParseAirTime("PI3"), 0.0f);
    EXPECT_FLOAT_EQ(ZLevelLoader::ParseAirTime("PI/0"), 0.0f);
    EXPECT_FLOAT_EQ(ZLevelLoader::ParseAirTime("90"), 90.0f);
    EXPECT_FLOAT_EQ(ZLevelLoader::ParseAirTime("75.5"), 75.5f);
}

TEST(LevelLoader, HolesAreGapsInsideTheBoardOnly)
{
    ZLevelLoader inside;
    ASSERT_EQ(inside.LoadText(WithRows("?????\n?CC CC\n?????\n"), "holes"), 0);
    EXPECT_EQ(inside.GetHoleCount(), 1);
    EXPECT_EQ(inside.GetChainCount(), 4);
    EXPECT_EQ(inside.GetFeatures(), (std::vector<std::string>{"chain", "hole"}));

    ZLevelLoader firstRow;
    ASSERT_EQ(firstRow.LoadText(WithRows("?CC CC\n??????\n??????\n"), "top"), 0);
    EXPECT_EQ(firstRow.GetHoleCount(), 0);
    ZLevelLoader lastRow;
    ASSERT_EQ(lastRow.LoadText(WithRows("??????\n??????\n?CC CC\n"), "bottom"), 0);
    EXPECT_EQ(lastRow.GetHoleCount(), 0);
}

TEST(LevelLoader, FreezeTextsAndDifficultyBonus)
{
    ZLevelLoader loader;
    ASSERT_EQ(loader.LoadText(WithRows("HHH\n???\n"), "cold"), 0);
    EXPECT_TRUE(loader.HasFreeze());
    EXPECT_STREQ(loader.GetLevelName(), "dive.cold.name");
    EXPECT_STREQ(loader.GetLevelDescription(), "dive.cold.desc");
    // 6 letters: base 2; 3 freezes: bonus 1.0.
    EXPECT_EQ(loader.GetDifficulty(), 3);
    EXPECT_EQ(loader.GetFeatures(), (std::vector<std::string>{"freeze"}));
}

TEST(LevelLoader, TokenNamesSkipEmptyPieces)
{
    ZLevelLoader loader;
    ASSERT_EQ(loader.LoadText("@complete:\n@bronze:\n@silver:\n@gold:\n@time: 9\n"
                              "@tokens: red_crab,,red_blowfish,green_octopus,green_jellyfish,green_turtle\n?\n",
                              "t"),
              0);
    EXPECT_EQ(loader.GetTokenNames(), (std::vector<std::string>{"red_crab", "red_blowfish", "green_octopus",
                                                                "green_jellyfish", "green_turtle"}));
}

TEST(LevelLoader, TheUsedAreaLeavesExitsOutAndRowsShiftLeft)
{
    ZLevelLoader loader;
    ASSERT_EQ(loader.LoadText(WithRows("   EEE\n  E??1E\n   ??2\n"), "area"), 0);
    EXPECT_EQ(loader.GetWidth(), 5);
    EXPECT_EQ(loader.GetHeight(), 3);
    EXPECT_EQ(loader.GetFirstUsedColumn(), 1);
    EXPECT_EQ(loader.GetFirstUsedRow(), 1);
    EXPECT_EQ(loader.GetUsedColumns(), 3);
    EXPECT_EQ(loader.GetUsedRows(), 2);
    EXPECT_EQ(loader.GetCellAt(0, 1), 'E');
    EXPECT_EQ(loader.GetCellAt(3, 2), '2');
    EXPECT_EQ(loader.GetCellAt(9, 9), 0);
}

// Every malformed or hostile file is refused with its problem and line, and leaves nothing read.
TEST(LevelLoader, MalformedAndHostileFilesAreRefused)
{
    struct Case
    {
        const char* what;
        std::string text;
        int32_t line;
    };
    const std::string junk = [] {
        std::string s;
        for (int i = 0; i < 600; ++i)
            s += char((i * 131 + 7) & 0xff);
        return s;
    }();
    const Case cases[] = {
        {"empty file", "", 0},
        {"missing key", "@complete: x\n@bronze:\n@silver:\n@gold:\n@tokens: a,b,c,d,e\n??\n", 0},
        {"four token names", "@complete: x\n@bronze:\n@silver:\n@gold:\n@time: 1\n@tokens: a,b,,c,d\n??\n", 6},
        {"artifact cells past the letters", WithRows("??D\n?DD\nDDD\nDD?\n"), 10},
        {"gold over twelve", "@complete: xxxxxxx\n@bronze: xxxxxx\n@silver:\n@gold:\n@time: 1\n@tokens: a,b,c,d,e\n?\n",
         4},
        {"500-character row", WithRows(std::string(500, '?') + "\n"), 7},
        {"control character", WithRows("??\x01?\n"), 7},
        {"binary junk", junk, 1},
        {"no rows", kKeys, 0},
        {"byte-order mark", "\xEF\xBB\xBF" + WithRows("??\n"), 1},
    };
    for (const Case& c : cases)
    {
        ZLevelLoader loader;
        EXPECT_EQ(loader.LoadText(c.text, "hostile"), ZLevelLoader::kLoadMalformed) << c.what;
        EXPECT_FALSE(loader.GetError().empty()) << c.what;
        EXPECT_EQ(loader.GetErrorLine(), c.line) << c.what << ": " << loader.GetError();
        EXPECT_EQ(loader.GetWidth(), 0) << c.what;
        EXPECT_TRUE(loader.GetTokenNames().empty()) << c.what;
    }
}

TEST(LevelLoader, FilesAreReadThroughTheFileSystemAndAnUnreadableOneKeepsTheOldBoard)
{
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::WriteWholeFile(dir / "level05", WithRows("?1\n2?\n")));
    ZLevelLoader loader;
    ASSERT_EQ(loader.Load((dir / "level05").c_str()), 0);
    EXPECT_EQ(loader.GetFileName(), "level05");
    EXPECT_EQ(loader.GetCellAt(1, 0), '1');
    EXPECT_EQ(loader.Load((dir / "missing").c_str()), ZLevelLoader::kLoadUnreadable);
    EXPECT_EQ(loader.GetCellAt(1, 0), '1');
}
