// Matching queries on small fixture boards: runs, the match search and its groups, the swap
// check, neighbourhoods and lines.
#include <algorithm>
#include <string>

#include "game/dive/model/ZBoardRules.h"
#include "tests/support/BoardModelFixture.h"

using boardtest::BoardModelTest;

namespace
{
class Matching : public BoardModelTest
{
protected:
    ZTile* At(int32_t x, int32_t y) { return grid->tileAt(x, y); }
    // "x,y" names of the tiles, sorted, for order-free comparisons.
    static std::vector<std::string> Cells(const ZTileList& tiles)
    {
        std::vector<std::string> cells;
        for (const ZTile* t : tiles)
            cells.push_back(std::to_string(t->getGridColumn()) + "," + std::to_string(t->getGridRow()));
        std::sort(cells.begin(), cells.end());
        return cells;
    }
    ZTileList Matches(const std::vector<std::pair<int, int>>& starts)
    {
        ZTileList start;
        for (auto [x, y] : starts)
            start.push_back(At(x, y));
        ZTileList out;
        FindMatches(start, out);
        return out;
    }
    ZArtifact* Record(const char* letter)
    {
        auto* record = ZArtifact::Create();
        record->SetProperty(ZNameId("name").Value(), "name", "artifact");
        record->SetProperty(ZNameId("shorthand").Value(), "shorthand", letter);
        return record;
    }
    ZToken* PutArtifact(ZTile* tile, ZArtifact* record)
    {
        ZToken* token = Put(tile, kArtifactTokenType);
        token->setArtifact(record);
        return token;
    }
};
} // namespace

// Each board is a grid of fixed types; the search starts from the listed tiles.
TEST_F(Matching, LinesOfThreeOrMoreFormOneGroupPerPass)
{
    struct Case
    {
        const char* what;
        const char* rows;
        std::vector<std::pair<int, int>> starts;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"column of three", "12\n13\n14\n", {{0, 1}}, {"0,0", "0,1", "0,2"}},
        {"column of two", "12\n13\n24\n", {{0, 0}}, {}},
        {"row of four", "1111\n2345\n", {{3, 0}}, {"0,0", "1,0", "2,0", "3,0"}},
        {"L shape is one group", "1112\n1345\n1423\n", {{0, 0}}, {"0,0", "0,1", "0,2", "1,0", "2,0"}},
        {"cross through the start", "213\n111\n415\n", {{1, 1}}, {"0,1", "1,0", "1,1", "1,2", "2,1"}},
        {"two lines of one landing join one record",
         "1234\n1234\n1534\n",
         {{0, 0}, {2, 2}},
         {"0,0", "0,1", "0,2", "2,0", "2,1", "2,2"}},
        {"a start that closes no line", "1234\n5123\n", {{0, 0}}, {}},
    };
    for (const Case& c : cases)
    {
        Build(Board(c.rows));
        EXPECT_EQ(Cells(Matches(c.starts)), c.expected) << c.what;
    }
}

TEST_F(Matching, MovingLockedAndBlockedTilesBreakARun)
{
    Build(Board("1\n1\n1\n1\n1\n"));
    At(0, 2)->getToken()->setState(kTokenMoving);
    EXPECT_TRUE(Matches({{0, 0}}).empty());
    At(0, 2)->getToken()->setState(kTokenSettled);
    At(0, 2)->setState(kTileIncoming);
    EXPECT_TRUE(Matches({{0, 0}}).empty());
    EXPECT_EQ(Matches({{0, 4}}).size(), 0u);
    At(0, 2)->setState(kTileIdle);
    At(0, 1)->setIncomingToken(At(0, 4)->getToken());
    EXPECT_TRUE(Matches({{0, 0}}).empty());
    At(0, 1)->setIncomingToken(nullptr);
    EXPECT_EQ(Matches({{0, 0}}).size(), 5u);
}

TEST_F(Matching, ArtifactsLineUpOnlyWithTheSameLetter)
{
    Build(Board("222\n345\n"));
    ZArtifact* d = Record("D");
    ZArtifact* t = Record("T");
    PutArtifact(At(0, 0), d);
    PutArtifact(At(1, 0), t);
    PutArtifact(At(2, 0), d);
    EXPECT_TRUE(Matches({{0, 0}}).empty());
    PutArtifact(At(1, 0), d);
    EXPECT_EQ(Matches({{0, 0}}).size(), 3u);
}

TEST_F(Matching, TheSwapCheckCountsATokenAsIfItStoodOnTheTile)
{
    // Moving the '1' at (2, 1) up to (2, 0) would finish the row 1 1 _.
    Build(Board("112\n341\n"));
    ZTileList out, scratch;
    ZToken* mover = At(2, 1)->getToken();
    EXPECT_EQ(At(0, 0)->collectMatchRuns(At(2, 0), mover, out, scratch), 3);
    EXPECT_EQ(Cells(out), (std::vector<std::string>{"0,0", "1,0", "2,1"}));
    EXPECT_EQ(At(0, 0)->collectMatchRuns(At(2, 0), nullptr, out, scratch), 0);
    // A token in a row and a column of its own appears twice.
    Build(Board("313\n111\n414\n"));
    EXPECT_EQ(At(1, 1)->collectMatchRuns(At(1, 1), At(1, 1)->getToken(), out, scratch), 6);
}

TEST_F(Matching, NeighbourhoodsAndLinesCollectUsableTiles)
{
    Build(Board("12345\n23451\n34512\n45123\n"));
    ZTileList ring;
    At(0, 0)->collectTwoRing(ring);
    EXPECT_EQ(Cells(ring), (std::vector<std::string>{"0,0", "0,1", "0,2", "1,0", "1,1", "1,2", "2,0", "2,1", "2,2"}));
    EXPECT_TRUE(At(0, 0)->isWithinTwoRing(At(2, 2)));
    EXPECT_FALSE(At(0, 0)->isWithinTwoRing(At(3, 0)));

    ZTileList settled;
    At(1, 1)->getToken()->setState(kTokenMoving);
    EXPECT_EQ(At(0, 0)->collectSettledNeighbours(settled), 2);

    ZTileList row, column, diagonals;
    At(2, 1)->setState(kTilePopping);
    At(2, 2)->collectRow(row);
    At(2, 2)->collectColumn(column);
    At(2, 2)->collectDiagonals(diagonals);
    EXPECT_EQ(row.size(), 5u);
    // The popping tile above is passed over, the walk goes on past it.
    EXPECT_EQ(Cells(column), (std::vector<std::string>{"2,0", "2,2", "2,3"}));
    EXPECT_EQ(column.front(), At(2, 2));
    EXPECT_EQ(Cells(diagonals), (std::vector<std::string>{"0,0", "1,1", "1,3", "2,2", "3,1", "3,3", "4,0"}));
}

TEST_F(Matching, TileTestsForSwapsAndAbilities)
{
    Build(Board("1C\nH?\n"));
    EXPECT_TRUE(At(0, 0)->isSwappable());
    EXPECT_FALSE(At(1, 0)->isSwappable());
    EXPECT_TRUE(At(1, 0)->isMatchable());
    EXPECT_TRUE(At(0, 1)->isFixed());
    EXPECT_TRUE(At(0, 0)->isOrthogonalNeighbour(At(1, 0)));
    EXPECT_FALSE(At(0, 0)->isOrthogonalNeighbour(At(1, 1)));
    EXPECT_FALSE(At(0, 0)->isOrthogonalNeighbour(nullptr));
    At(0, 0)->setState(kTilePopping);
    EXPECT_TRUE(At(0, 0)->isFixed());
}
