// The token-type table and the choice of a level's five types from its board's names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/ZNameId.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
int32_t Row(const ZTokenTypeInfo* row)
{
    return TokenTypeRowIndex(row);
}

// The rows chosen for the names under the level name.
std::vector<int32_t> Choose(const std::vector<std::string>& names, const char* level)
{
    const ZTokenTypeInfo* rows[kLevelTokenTypes] = {};
    ChooseTokenTypes(names, level, rows);
    return {Row(rows[0]), Row(rows[1]), Row(rows[2]), Row(rows[3]), Row(rows[4])};
}
} // namespace

TEST(TokenTypeTable, RowsHoldTheNineCreaturesAndFifteenTreasuresWithTheirFamilies)
{
    EXPECT_STREQ(g_tokenTypes[0].name, "red_blowfish");
    EXPECT_STREQ(g_tokenTypes[8].name, "blue_fish");
    EXPECT_STREQ(g_tokenTypes[23].name, "treasure_super_2");
    EXPECT_EQ(g_tokenTypes[kTokenTypeRowCount].name, nullptr);
    EXPECT_EQ(g_tokenTypes[4].colourGroup, kColourGreen);
    EXPECT_EQ(g_tokenTypes[12].colourGroup, kColourTreasure);
    EXPECT_FLOAT_EQ(g_tokenTypes[2].value, 1.0f);
    EXPECT_FLOAT_EQ(g_tokenTypes[9].value, 25.0f);
    EXPECT_FLOAT_EQ(g_tokenTypes[20].value, 120.0f);
    EXPECT_FLOAT_EQ(g_tokenTypes[21].value, 160.0f);
    EXPECT_EQ(g_tokenTypes[1].family, ZNameId("red").Value());
    EXPECT_EQ(g_tokenTypes[14].family, ZNameId("treasure_copper").Value());
    EXPECT_EQ(TokenFamilyId("treasure_copper_1"), ZNameId("treasure_copper").Value());
}

// Table of requests: the name, the level (seed), and the rows the result may be.
TEST(TokenTypeTable, FindTokenTypeByExactNameFamilyOrNothing)
{
    struct Case
    {
        const char* name;
        const char* level;
        int32_t low, high; // the result lies in [low, high]; -1, -1 for none
    };
    const Case cases[] = {
        {"red_crab", "level01", 1, 1},
        {"red_crab", "anything else", 1, 1},
        {"treasure_gold_2", "level01", 20, 20},
        {"red", "level01", 0, 2},
        {"green", "level07", 3, 5},
        {"treasure_gold", "level01", 18, 20},
        {"treasure_super", "deep", 21, 23},
        {"purple", "level01", -1, -1},
        {"", "level01", -1, -1},
        {"red_", "level01", -1, -1},
    };
    for (const Case& c : cases)
    {
        const int32_t row = Row(FindTokenType(c.name, c.level, nullptr, 0));
        EXPECT_GE(row, c.low) << c.name;
        EXPECT_LE(row, c.high) << c.name;
        // The same level always gets the same row.
        EXPECT_EQ(row, Row(FindTokenType(c.name, c.level, nullptr, 0))) << c.name;
    }
}

TEST(TokenTypeTable, AFamilyPicksByTheLevelNameAndSkipsRowsAlreadyTaken)
{
    // Different level names spread over the family's rows.
    std::vector<int32_t> seen(3, 0);
    for (int i = 0; i < 40; ++i)
        ++seen[size_t(Row(FindTokenType("blue", ("level" + std::to_string(i)).c_str(), nullptr, 0)) - 6)];
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[2], 0);

    // Two requests of one family give two rows of it; four give three and then row 0.
    const std::vector<int32_t> two = Choose({"red", "red", "green_turtle", "blue_fish", "blue_starfish"}, "lvl");
    EXPECT_NE(two[0], two[1]);
    EXPECT_LE(two[0], 2);
    EXPECT_LE(two[1], 2);
    EXPECT_EQ(two[2], 5);

    const std::vector<int32_t> four = Choose({"green", "green", "green", "green", "red_crab"}, "lvl");
    EXPECT_GE(four[0], 3);
    EXPECT_GE(four[1], 3);
    EXPECT_GE(four[2], 3);
    EXPECT_NE(four[0], four[1]);
    EXPECT_NE(four[1], four[2]);
    EXPECT_NE(four[0], four[2]);
    EXPECT_EQ(four[3], 0);
    EXPECT_EQ(four[4], 1);
    EXPECT_EQ(four, Choose({"green", "green", "green", "green", "red_crab"}, "lvl"));
}

TEST(TokenTypeTable, UnknownAndMissingNamesGiveTheFirstRow)
{
    EXPECT_EQ(Choose({"nothing", "blue_fish"}, "lvl"), (std::vector<int32_t>{0, 8, 0, 0, 0}));
}

TEST(TokenTypeTable, LevelTypesServeTheirColourGroupsAndLooks)
{
    const ZTokenTypeInfo* rows[kLevelTokenTypes] = {&g_tokenTypes[7], &g_tokenTypes[12], nullptr, &g_tokenTypes[3],
                                                    &g_tokenTypes[0]};
    SetLevelTokenTypes(rows);
    EXPECT_EQ(GetLevelTokenType(0)->colourGroup, kColourBlue);
    EXPECT_EQ(GetLevelTokenType(1)->colourGroup, kColourTreasure);
    EXPECT_EQ(GetLevelTokenType(2), &g_tokenTypes[0]);
    EXPECT_EQ(GetLevelTokenType(5), nullptr);
    EXPECT_EQ(GetLevelTokenType(-1), nullptr);
    EXPECT_EQ(GetLevelTokenTexture(0, kLookCount), nullptr);
    EXPECT_EQ(GetLevelTokenTexture(kArtifactTokenType, 0), nullptr);
}
