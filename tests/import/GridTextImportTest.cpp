// Board text files: comments, properties, rows with their leads, every line-end form, the content
// bounds, and damaged input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/import/ZGameGridTextImport.h"

namespace
{
std::string Fixture(const char* name)
{
    return std::string(QV_FIXTURES) + "/grid/" + name;
}

// Each row as text, '.' for an empty cell inside the row, for comparing whole grids at once.
std::vector<std::string> Rows(const ZGameGridTextImport& grid)
{
    std::vector<std::string> rows;
    for (int32_t y = 0; y < grid.GetInfo()->rows; ++y)
    {
        std::string row;
        for (int32_t x = 0; x < 200; ++x)
        {
            if (grid.GetCell(x, y) == -1)
                break;
            const int8_t c = grid.GetCell(x, y);
            row += c == 0 ? '.' : char(c);
        }
        rows.push_back(row);
    }
    return rows;
}
} // namespace

TEST(GridTextImport, TheFirstBoardReadsTheSameWithEveryLineEnd)
{
    for (const char* name : {"first_board_lf.txt", "first_board_crlf.txt", "first_board_cr.txt"})
    {
        SCOPED_TRACE(name);
        ZGameGridTextImport grid;
        grid.SetOutsideValue(uint8_t(0xff));
        ASSERT_EQ(grid.ImportPath(Fixture(name).c_str()), 0);
        ASSERT_NE(grid.GetProperty("name"), nullptr);
        EXPECT_STREQ(grid.GetProperty("name"), "First Board");
        EXPECT_EQ(grid.GetFileName(), name);

        const SGridInfo& info = *grid.GetInfo();
        EXPECT_EQ(info.rows, 2) << "comments and empty lines make no rows";
        EXPECT_EQ(info.width, 4);
        EXPECT_EQ(info.contentWidth, 4);
        EXPECT_EQ(info.contentHeight, 2);
        EXPECT_EQ(info.left, 0);
        EXPECT_EQ(info.top, 0);

        EXPECT_EQ(grid.GetCell(0, 0), 'a');
        EXPECT_EQ(grid.GetCell(1, 0), 'b');
        EXPECT_EQ(grid.GetCell(2, 0), -1) << "past the row's length";
        EXPECT_EQ(grid.GetCell(1, 1), 0);
        EXPECT_EQ(grid.GetCell(2, 1), 0);
        EXPECT_EQ(grid.GetCell(3, 1), 'c');
        EXPECT_EQ(grid.GetCell(4, 1), -1);
        EXPECT_EQ(grid.GetCell(-1, 0), -1);
        EXPECT_EQ(grid.GetCell(0, 2), -1);
        EXPECT_EQ(grid.GetCell(0, -1), -1);
    }
}

TEST(GridTextImport, PropertyLines)
{
    struct Case
    {
        const char* text;
        const char* key;
        const char* value; // null: no such key
    };
    const Case cases[] = {
        {"@ size : 8\n", "size ", "8"},
        {"@ size : 8\n", "size", nullptr},
        {"@time:\t 90 \t\n", "time", "90"},
        {"@@\ttip:a: b\n", "tip", "a: b"},
        {"@music:\n", "music", ""},
        {"@novalue\n", "novalue", nullptr},
        {"@gold: 1\n@gold: 22\n", "gold", "22"},
        {"@Gold: 1\n", "gold", nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        ZGameGridTextImport grid;
        ASSERT_EQ(grid.ImportText(c.text), 0);
        const char* value = grid.GetProperty(c.key);
        if (c.value)
        {
            ASSERT_NE(value, nullptr);
            EXPECT_STREQ(value, c.value);
        }
        else
            EXPECT_EQ(value, nullptr);
        EXPECT_EQ(grid.GetInfo()->rows, 0) << "property lines are not rows";
    }
}

TEST(GridTextImport, RowsLeadsAndContentBounds)
{
    struct Case
    {
        const char* name;
        const char* text;
        std::vector<std::string> rows;
        SGridInfo info; // width, rows, content width, content height, left, top
    };
    const Case cases[] = {
        {"extra lead", "  ab\n    c\n", {"ab", "..c"}, {3, 2, 3, 2, 0, 0}},
        {"one blank row between", "x\n   \ny\n", {"x", "", "y"}, {1, 3, 1, 3, 0, 0}},
        {"three blank rows count once", "x\n \n  \n   \ny\n", {"x", "", "", "", "y"}, {1, 5, 1, 3, 0, 0}},
        {"leading blank rows set the top", " \n \n ab\n", {"", "", ".ab"}, {3, 3, 2, 1, 1, 2}},
        {"trailing blanks do not count", "ab    \n", {"ab"}, {2, 1, 2, 1, 0, 0}},
        {"hash starts a comment, slash-slash too", "#1\n//2\n/x\nz\n", {"/x", "z"}, {2, 2, 2, 2, 0, 0}},
        {"a comment mark after a blank is a row", " #\n", {"#"}, {1, 1, 1, 1, 0, 0}},
        {"tabs are cells", "\ta\n", {"\ta"}, {2, 1, 2, 1, 0, 0}},
        {"nothing but comments", "// a\n# b\n\n\r\n", {}, {0, 0, 0, 0, 0, 0}},
        {"blank rows only", "   \n \n", {"", ""}, {0, 2, 0, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ZGameGridTextImport grid;
        grid.SetOutsideValue(uint8_t(0xff));
        ASSERT_EQ(grid.ImportText(c.text), 0);
        EXPECT_EQ(Rows(grid), c.rows);
        const SGridInfo& info = *grid.GetInfo();
        EXPECT_EQ(info.width, c.info.width);
        EXPECT_EQ(info.rows, c.info.rows);
        EXPECT_EQ(info.contentWidth, c.info.contentWidth);
        EXPECT_EQ(info.contentHeight, c.info.contentHeight);
        EXPECT_EQ(info.left, c.info.left);
        EXPECT_EQ(info.top, c.info.top);
    }
}

TEST(GridTextImport, EmptyCellCharactersNarrowTheContentBox)
{
    ZGameGridTextImport grid;
    grid.SetEmptyCells(" 0");
    ASSERT_EQ(grid.ImportText("00a0\n0000\n0b00\n"), 0);
    const SGridInfo& info = *grid.GetInfo();
    EXPECT_EQ(info.width, 4);
    EXPECT_EQ(info.contentWidth, 2) << "columns 1 and 2 hold content";
    EXPECT_EQ(info.left, 1);
    EXPECT_EQ(info.contentHeight, 3);
    EXPECT_EQ(grid.GetCell(0, 0), '0') << "an empty-cell character is still the cell's value";
}

TEST(GridTextImport, GetCellsGoesThroughTheSubclassTranslation)
{
    class Doubling : public ZGameGridTextImport
    {
    public:
        int8_t GetCell(int32_t column, int32_t row) const override
        {
            const int8_t c = ZGameGridTextImport::GetCell(column, row);
            return c >= '1' && c <= '4' ? int8_t((c - '0') * 2) : c;
        }
    };
    Doubling grid;
    grid.SetOutsideValue(9);
    ASSERT_EQ(grid.ImportText("12\n 3\n"), 0);
    uint8_t cells[3 * 3];
    grid.GetCells(cells, 3, 3);
    const uint8_t expected[3 * 3] = {2, 4, 9, 0, 6, 9, 9, 9, 9};
    EXPECT_EQ(std::vector<uint8_t>(cells, cells + 9), std::vector<uint8_t>(expected, expected + 9));
}

TEST(GridTextImport, DamagedInputNeverReadsOutsideTheRows)
{
    ZGameGridTextImport grid;
    grid.SetOutsideValue(uint8_t(0xfe));
    ASSERT_EQ(grid.ImportPath(Fixture("damaged.txt").c_str()), 0);
    EXPECT_STREQ(grid.GetProperty("name"), "Broken");
    const SGridInfo& info = *grid.GetInfo();
    ASSERT_EQ(info.rows, 3) << "the text ends at the NUL byte";
    EXPECT_EQ(info.width, 300) << "a row past 127 characters keeps its true length";
    EXPECT_EQ(grid.GetCell(0, 0), 1);
    EXPECT_EQ(grid.GetCell(2, 0), int8_t(0xff));
    EXPECT_EQ(grid.GetCell(299, 1), 'q');
    EXPECT_EQ(grid.GetCell(300, 1), int8_t(0xfe));
    EXPECT_EQ(grid.GetCell(2, 2), 'y');
    EXPECT_EQ(grid.GetCell(3, 2), int8_t(0xfe));
    std::vector<uint8_t> all(size_t(info.width) * size_t(info.rows + 1));
    grid.GetCells(all.data(), info.width, info.rows + 1);
    EXPECT_EQ(all.back(), 0xfe);
}

TEST(GridTextImport, AMissingFileFailsAndKeepsTheLastBoard)
{
    ZGameGridTextImport grid;
    ASSERT_EQ(grid.ImportText("@name: Kept\nab\n"), 0);
    EXPECT_EQ(grid.ImportPath(Fixture("no_such_board.txt").c_str()), 1);
    EXPECT_EQ(grid.ImportPath(""), 1);
    EXPECT_EQ(grid.ImportPath(nullptr), 1);
    EXPECT_STREQ(grid.GetProperty("name"), "Kept");
    EXPECT_EQ(grid.GetCell(1, 0), 'b');

    // A new import starts from nothing.
    ASSERT_EQ(grid.ImportText("x\n"), 0);
    EXPECT_EQ(grid.GetProperty("name"), nullptr);
    EXPECT_EQ(grid.GetInfo()->rows, 1);
}

TEST(GridTextImport, ANonZeroParseResultStopsTheLoop)
{
    class StopAtX : public ZGameGridTextImport
    {
    public:
        int ParseLine(std::string line) override
        {
            seen.push_back(line);
            return line == "x" ? 1 : ZGameGridTextImport::ParseLine(line);
        }
        std::vector<std::string> seen;
    };
    StopAtX grid;
    ASSERT_EQ(grid.ImportText("a\n// c\nx\nb\n"), 0);
    EXPECT_EQ(grid.seen, (std::vector<std::string>{"a", "x"}));
    EXPECT_EQ(grid.GetInfo()->rows, 1);
}
