// The board's pure decisions as tables: drag steps, pop numbers, experience, medals, artifact
// candidates, freeze choice, chain breaks and the tiles behind artifacts.
#include <gtest/gtest.h>

#include "game/common/ZMedals.h"
#include "game/dive/model/ZBoardRules.h"
#include "tests/support/BoardModelFixture.h"

using boardtest::BoardModelTest;

TEST(BoardRules, DragStepsByLengthDirectionAndOrientation)
{
    struct Case
    {
        float dx, dy;
        int32_t orientation;
        bool aims;
        int32_t column, row;
    };
    const Case cases[] = {
        {19.0f, 0.0f, 0, false, 0, 0},   // at the threshold: no aim
        {13.0f, 13.0f, 0, false, 0, 0},  // 18.4 long
        {20.0f, 0.0f, 0, true, 1, 0},    // right
        {-25.0f, 5.0f, 0, true, -1, 0},  // left
        {0.0f, 20.0f, 0, true, 0, -1},   // up (y up on screen, row grows downwards)
        {3.0f, -30.0f, 0, true, 0, 1},   // down
        {20.0f, 20.0f, 0, true, 1, -1},  // 45 degrees: the diagonal
        {20.0f, 0.0f, 1, true, 0, -1},   // a quarter turn: right aims one row up the array
        {20.0f, 0.0f, 2, true, -1, 0},
        {20.0f, 0.0f, 3, true, 0, 1},
        {20.0f, 0.0f, 4, true, 1, 0},    // four quarter turns are none
        {20.0f, 0.0f, -1, true, 0, 1},   // one turn back is three
    };
    for (const Case& c : cases)
    {
        int32_t column = 9, row = 9;
        EXPECT_EQ(DragStep(c.dx, c.dy, c.orientation, column, row), c.aims) << c.dx << "," << c.dy << " q" << c.orientation;
        EXPECT_EQ(column, c.column) << c.dx << "," << c.dy << " q" << c.orientation;
        EXPECT_EQ(row, c.row) << c.dx << "," << c.dy << " q" << c.orientation;
    }
}

TEST(BoardRules, PopDelayPanVariantAndPay)
{
    EXPECT_FLOAT_EQ(PopDelay(3, 0.8f), 0.18f);
    EXPECT_FLOAT_EQ(PopDelay(6, 0.8f), 0.468f);
    EXPECT_FLOAT_EQ(PopPan(200.0f), 0.5f);
    EXPECT_FLOAT_EQ(PopPan(-600.0f), -1.0f);
    EXPECT_EQ(PopSoundVariant(7, 3), 1);
    EXPECT_EQ(PopSoundVariant(7, 0), -1);
    EXPECT_EQ(TreasureLineAmount(3, 120.0f, 1.0f), 120);
    EXPECT_EQ(TreasureLineAmount(5, 120.0f, 1.0f), 360);
    EXPECT_EQ(TreasureLineAmount(1, 50.0f, 1.5f), 75);
    EXPECT_EQ(TreasureBrokenAmount(3, 120.0f, 1.0f), 360);
    EXPECT_EQ(AbilityExperience(4000, true), 10);
    EXPECT_EQ(AbilityExperience(100, true), 5);
    EXPECT_EQ(AbilityExperience(20000, true), 25);
    EXPECT_EQ(AbilityExperience(0, false), 0);
}

TEST(BoardRules, MedalLevelsFromDeliveredArtifacts)
{
    const int32_t thresholds[4] = {3, 5, 5, 6};
    const int32_t expected[] = {-1, -1, -1, 0, 0, 2, 3, 3};
    for (int32_t n = 0; n < 8; ++n)
        EXPECT_EQ(MedalLevel(n, thresholds), expected[n]) << n;
    const int32_t zero[4] = {0, 0, 0, 0};
    EXPECT_EQ(MedalLevel(0, zero), -1);
    EXPECT_EQ(MedalLevel(1, zero), 3);
    EXPECT_STREQ(MedalName(1), "bronze");
    EXPECT_EQ(MedalName(kMedalNone), nullptr);
}

namespace
{
class Rules : public BoardModelTest
{
protected:
    ZArtifact* Record(const char* letter)
    {
        auto* record = ZArtifact::Create();
        record->SetProperty(ZNameId("name").Value(), "name", "artifact");
        record->SetProperty(ZNameId("shorthand").Value(), "shorthand", letter);
        return record;
    }
};
} // namespace

TEST_F(Rules, ArtifactCandidatesFarFromOpenExitsComeFirst)
{
    // Spawn A stands 1 cell from a closed side exit; spawn B 2 cells from the open bottom exit
    // (2 - 10 = -8); spawn C sits on the open exit itself and never takes part.
    Build(Board("E?s??????\n?????????\n?????????\n?????????\n?????????\n?????????\n?????????\n?????????\n"
                "?????s?s?\n???????E\n",
                "@complete: x\n"));
    ZTile* a = grid->tileAt(2, 0);
    ZTile* b = grid->tileAt(5, 8);
    ZTile* c = grid->tileAt(7, 8);
    ASSERT_TRUE(c->isExitTile());
    ASSERT_TRUE(c->isExitLit());
    ZTileList out;
    OrderArtifactCandidates({b, a, c}, host->exitTiles, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], a);
    EXPECT_EQ(out[1], b);

    // An artifact within two steps keeps a spawn point out.
    Put(grid->tileAt(3, 1), kArtifactTokenType)->setArtifact(Record("D"));
    out.clear();
    OrderArtifactCandidates({b, a, c}, host->exitTiles, out);
    EXPECT_EQ(out, (ZTileList{b}));
    // Equal distances keep the list order.
    out.clear();
    OrderArtifactCandidates({b, b}, host->exitTiles, out);
    EXPECT_EQ(out, (ZTileList{b, b}));
}

TEST_F(Rules, ArtifactsReplaceSettledCreaturesOnFreeTiles)
{
    Record("T");
    Build(Board("?C\n??\n"));
    host->artifactQueue = {'T'};
    EXPECT_FALSE(grid->tileAt(1, 0)->placeArtifact()); // a chain
    grid->tileAt(0, 1)->setState(kTilePopping);
    EXPECT_FALSE(grid->tileAt(0, 1)->placeArtifact());
    ZTile* tile = grid->tileAt(0, 0);
    ASSERT_TRUE(tile->placeArtifact());
    EXPECT_EQ(tile->getToken()->getArtifactId(), uint8_t('T'));
    EXPECT_TRUE(host->artifactQueue.empty());
    EXPECT_FALSE(tile->placeArtifact()); // already an artifact
    EXPECT_FALSE(grid->tileAt(1, 1)->placeArtifact()); // no letter left
}

TEST_F(Rules, FreezeSpreadsToAtMostTwoUsableNeighbours)
{
    Build(Board("HC?\nCH?\n???\nH??\n"));
    EXPECT_EQ(CountFrozenTiles(*grid), 3);
    for (uint32_t seed = 1; seed < 20; ++seed)
    {
        RandomSeed(seed);
        ZTileList chosen;
        ChooseFreezeTargets(*grid, chosen);
        ASSERT_EQ(chosen.size(), 2u) << seed;
        for (ZTile* tile : chosen)
        {
            EXPECT_TRUE(CanFreeze(tile));
            EXPECT_EQ(tile->getKind(), kTilePlain);
        }
        // The first frozen tile has no usable neighbour but (1, 1)'s and (0, 3)'s neighbours do; the
        // two spreads come from (1, 1) and (0, 3), never twice from one.
        const bool nearMiddle = std::abs(chosen[0]->getGridColumn() - 1) <= 1 && std::abs(chosen[0]->getGridRow() - 1) <= 1;
        EXPECT_TRUE(nearMiddle) << seed;
    }
    // Only chains, frozen tiles and artifacts around: nothing spreads.
    Build(Board("CHC\nHHH\n"));
    ZTileList none;
    ChooseFreezeTargets(*grid, none);
    EXPECT_TRUE(none.empty());
}

TEST_F(Rules, ChainBreaksAndTilesBehindArtifacts)
{
    Build(Board("C?Z\n???\n"));
    ZTileList breaks;
    CollectChainBreaks(*grid, breaks);
    EXPECT_EQ(breaks, (ZTileList{grid->tileAt(0, 0), grid->tileAt(2, 0), grid->tileAt(2, 0)}));

    Build(Board("???\n???\n???\n"));
    Put(grid->tileAt(1, 1), kArtifactTokenType)->setArtifact(Record("D"));
    ZTileList behind;
    CollectTilesBehindArtifacts(*grid, 0, behind);
    EXPECT_EQ(behind, (ZTileList{grid->tileAt(1, 2)}));
    behind.clear();
    CollectTilesBehindArtifacts(*grid, 2, behind);
    EXPECT_EQ(behind, (ZTileList{grid->tileAt(1, 0)}));
    behind.clear();
    CollectTilesBehindArtifacts(*grid, 1, behind);
    EXPECT_EQ(behind, (ZTileList{grid->tileAt(2, 1)}));
    behind.clear();
    CollectTilesBehindArtifacts(*grid, 3, behind);
    EXPECT_EQ(behind, (ZTileList{grid->tileAt(0, 1)}));
}
