// The grid built from board text: tiles, kinds, exits, links, positions and first tokens; the
// start without waiting matches, the same for the same level; points to cells; quarter turns.
#include <string>

#include "engine/controllers/ZFlicker.h"
#include "tests/support/BoardModelFixture.h"
#include "tests/support/TestFiles.h"

using boardtest::BoardModelTest;

namespace
{
// True when some line of three like tokens (non-artifacts) stands on the grid.
bool HasMatch(const ZBoardGrid& grid)
{
    for (int32_t y = 0; y < grid.getHeight(); ++y)
    {
        for (int32_t x = 0; x < grid.getWidth(); ++x)
        {
            ZTile* tile = grid.tileAt(x, y);
            if (!tile || !tile->getToken())
                continue;
            ZTileList out, scratch;
            if (tile->collectMatchRuns(tile, tile->getToken(), out, scratch) > 0)
                return true;
        }
    }
    return false;
}
} // namespace

TEST_F(BoardModelTest, CellsBecomeTilesOfTheirKindsWithFirstTokens)
{
    Build(Board(" E  \n1CZH\n2L0?\nMN s\n", "@complete: xx\n"));
    ASSERT_EQ(grid->getWidth(), 4);
    ASSERT_EQ(grid->getHeight(), 4);
    EXPECT_EQ(grid->tileAt(1, 0), nullptr);
    EXPECT_EQ(grid->tileAt(2, 3), nullptr);
    EXPECT_EQ(grid->tileAt(0, 1)->getKind(), kTilePlain);
    EXPECT_EQ(grid->tileAt(1, 1)->getKind(), kTileChain);
    EXPECT_EQ(grid->tileAt(2, 1)->getKind(), kTileDoubleChain);
    EXPECT_EQ(grid->tileAt(3, 1)->getKind(), kTileFreeze);
    EXPECT_EQ(grid->tileAt(1, 2)->getKind(), kTileBlock);
    EXPECT_EQ(grid->tileAt(0, 3)->getKind(), kTileSoftBlock);
    EXPECT_EQ(grid->tileAt(1, 3)->getKind(), kTileHardBlock);
    for (int32_t kind : {kTileChain, kTileDoubleChain, kTileFreeze})
        EXPECT_NE(grid->tileAt(kind - 3, 1)->getOverlay(), nullptr);
    EXPECT_EQ(grid->tileAt(0, 1)->getOverlay(), nullptr);

    EXPECT_EQ(grid->tileAt(0, 1)->getToken()->getType(), 0);
    EXPECT_EQ(grid->tileAt(0, 2)->getToken()->getType(), 1);
    EXPECT_EQ(grid->tileAt(1, 2)->getToken(), nullptr); // a block holds nothing
    EXPECT_TRUE(grid->tileAt(3, 3)->spawnsArtifacts());
    // The chain below the exit cell has an exit up.
    EXPECT_TRUE(grid->tileAt(1, 1)->isExitTile());
    EXPECT_TRUE(grid->tileAt(1, 1)->hasExit(kDirUp));
    EXPECT_FALSE(grid->tileAt(1, 1)->isExitLit());
    ASSERT_EQ(host->exitTiles.size(), 1u);

    // The pool holds a token more than there are tiles.
    EXPECT_GE(host->tokens.size(), grid->getTileCount() + 1);
    EXPECT_TRUE(Settle());
    EXPECT_FALSE(HasMatch(*grid));
}

TEST_F(BoardModelTest, ArtifactCellsTakeTheLevelsLettersInReadingOrder)
{
    auto* d = ZArtifact::Create();
    d->SetProperty(ZNameId("shorthand").Value(), "shorthand", "D");
    d->SetProperty(ZNameId("name").Value(), "name", "artifact.d.name");
    for (const char* letter : {"T", "S", "F", "O", "P", "Q"})
    {
        auto* record = ZArtifact::Create();
        record->SetProperty(ZNameId("name").Value(), "name", "artifact.name");
        record->SetProperty(ZNameId("shorthand").Value(), "shorthand", letter);
    }
    Build(Board("?x?\n?y?\n???\n", "@complete: xx\n"), "artifacts");
    const std::vector<uint8_t>& letters = grid->loader().GetArtifactLetters();
    ASSERT_EQ(letters.size(), 2u);
    ASSERT_EQ(grid->tileAt(1, 0)->getToken()->getType(), kArtifactTokenType);
    EXPECT_EQ(grid->tileAt(1, 0)->getToken()->getArtifactId(), letters[0]);
    EXPECT_EQ(grid->tileAt(1, 1)->getToken()->getArtifactId(), letters[1]);
    EXPECT_TRUE(grid->tileAt(1, 1)->spawnsArtifacts());
    EXPECT_EQ(host->spawnTiles.size(), 2u);
}

TEST_F(BoardModelTest, AnArtifactLetterWithoutARecordLeavesTheCellToTheStartFill)
{
    Build(Board("?x?\n???\n", "@complete: x\n"), "norecord");
    ZToken* token = grid->tileAt(1, 0)->getToken();
    ASSERT_NE(token, nullptr);
    EXPECT_LT(token->getType(), kArtifactTokenType);
    EXPECT_FALSE(grid->tileAt(1, 0)->spawnsArtifacts());
}

TEST_F(BoardModelTest, TheSameLevelNameBuildsTheSameGridWithoutWaitingMatches)
{
    const std::string text = Board("??????\n??????\n??????\n??????\n??????\n??????\n");
    Build(text, "level12");
    const std::vector<std::string> first = Types();
    EXPECT_FALSE(HasMatch(*grid));
    Build(text, "level12");
    EXPECT_EQ(Types(), first);
    Build(text, "level13");
    EXPECT_NE(Types(), first);
    EXPECT_FALSE(HasMatch(*grid));
}

TEST_F(BoardModelTest, TilesSitCentredWithRowZeroOnTop)
{
    Build(Board("??\n??\n??\n"));
    EXPECT_FLOAT_EQ(grid->getUsedWidth(), 76.0f);
    EXPECT_FLOAT_EQ(grid->getUsedHeight(), 114.0f);
    const V3& topLeft = grid->tileAt(0, 0)->Position();
    EXPECT_FLOAT_EQ(topLeft.x, -19.0f);
    EXPECT_FLOAT_EQ(topLeft.y, 38.0f);
    EXPECT_FLOAT_EQ(topLeft.z, 20.0f);
    EXPECT_FLOAT_EQ(grid->tileAt(1, 2)->Position().z, 20.0f + 0.25f * 5.0f);
    EXPECT_STREQ(grid->tileAt(1, 2)->GetName(), "tile_1_2");

    int32_t column = -1, row = -1;
    EXPECT_TRUE(grid->cellAtPoint({-19.0f, 38.0f, 0.0f}, column, row));
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 0);
    EXPECT_TRUE(grid->cellAtPoint({30.0f, -50.0f, 0.0f}, column, row));
    EXPECT_EQ(column, 1);
    EXPECT_EQ(row, 2);
    // Above the used area: no cell; up to a cell below it: the row past the last.
    EXPECT_FALSE(grid->cellAtPoint({0.0f, 57.5f, 0.0f}, column, row));
    EXPECT_TRUE(grid->cellAtPoint({0.0f, -60.0f, 0.0f}, column, row));
    EXPECT_EQ(row, 3);
    EXPECT_EQ(grid->tileAt(column, row), nullptr);
    EXPECT_FALSE(grid->cellAtPoint({-40.0f, 0.0f, 0.0f}, column, row));
}

TEST_F(BoardModelTest, LinksFollowTheQuarterTurnsAndExitsLightWithGravity)
{
    Build(Board("E\n?\n"));
    ZTile* single = grid->tileAt(0, 1);
    ASSERT_NE(single, nullptr);
    EXPECT_TRUE(single->isOnEdge());
    EXPECT_FALSE(single->isExitLit());
    grid->setRotation(2);
    grid->updateGravity();
    grid->applyRotation();
    EXPECT_EQ(GetGravityDirection(), kDirUp);
    EXPECT_TRUE(single->isExitLit());

    Build(Board("???\n???\n???\n"));
    grid->setRotation(1);
    grid->updateGravity();
    grid->applyRotation();
    EXPECT_EQ(grid->getGravity(), kDirRight);
    ZTile* centre = grid->tileAt(1, 1);
    // Gravity points right: "up" is the left neighbour in the array.
    EXPECT_EQ(centre->getLink(kDirUp), grid->tileAt(0, 1));
    EXPECT_EQ(centre->getLink(kDirDown), grid->tileAt(2, 1));
    EXPECT_EQ(centre->getLink(kDirRight), grid->tileAt(1, 0));
    EXPECT_EQ(grid->tileAt(0, 1)->getLink(kDirUp), nullptr);
}

TEST_F(BoardModelTest, WaitingCellsFillFromAboveAndTheTopSpawns)
{
    Build(Board("0?\n0?\n0?\n"));
    FadeIn();
    EXPECT_TRUE(Settle());
    for (int32_t y = 0; y < 3; ++y)
    {
        ZTile* tile = grid->tileAt(0, y);
        ASSERT_NE(tile->getToken(), nullptr) << y;
        EXPECT_EQ(tile->getState(), kTileIdle);
        EXPECT_EQ(tile->getToken()->getState(), kTokenSettled);
    }
    EXPECT_GT(host->resolveCalls, 0);
}

TEST_F(BoardModelTest, ARefusedOrMissingBoardFileBuildsNoTiles)
{
    qvtest::TempDir dir;
    std::string junk(300, '\0');
    for (size_t i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 97 + 13) & 0xff);
    const std::pair<const char*, std::string> files[] = {
        {"junk", junk},
        {"empty", ""},
        {"fourtokens", "@complete: x\n@bronze:\n@silver:\n@gold:\n@time: 9\n@tokens: a,b,c,d\n???\n"},
        {"wide", Board(std::string(500, '?') + "\n")},
    };
    grid = new ZBoardGrid();
    for (const auto& [name, text] : files)
    {
        ASSERT_TRUE(qvtest::WriteWholeFile(dir / name, text));
        EXPECT_EQ(grid->build((dir / name).c_str()), ZLevelLoader::kLoadMalformed) << name;
        grid->place();
        EXPECT_EQ(grid->getTileCount(), 0) << name;
        EXPECT_EQ(grid->tileAt(0, 0), nullptr) << name;
    }
    EXPECT_EQ(grid->build((dir / "missing").c_str()), ZLevelLoader::kLoadUnreadable);
    EXPECT_EQ(grid->build(nullptr), ZLevelLoader::kLoadUnreadable);
    EXPECT_EQ(host->tiles.size(), 0);
}

TEST_F(BoardModelTest, AnExitFlashPeaksAfterATenthAndFadesOverFiveSeconds)
{
    Build(Board("?\nE\n"));
    ZTile* tile = grid->tileAt(0, 0);
    ASSERT_TRUE(tile->isExitLit());
    ZPulsateController* pulse = tile->getExitPulse(kDirDown);
    ASSERT_NE(pulse, nullptr);
    // The arrow of the bottom exit sits below the tile and points down, out of the board.
    ZGameSprite* arrow = tile->getExitSprite(kDirDown);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->GetParent(), tile);
    EXPECT_FLOAT_EQ(arrow->Position().y, -26.0f);
    EXPECT_NEAR(arrow->Orientation().GetRow(0).y, -1.0f, 1e-6f);
    EXPECT_EQ(tile->getExitSprite(kDirUp)->GetParent(), nullptr);
    EXPECT_FLOAT_EQ(pulse->scaleAmplitude, 0.25f);
    tile->startExitFlash();
    const double start = g_frameTimer->now;
    // Amplitude (1 - t) x 0.25 + t x 0.6 for intensity t.
    const std::pair<double, float> steps[] = {{0.1, 0.6f}, {2.55, 0.425f}, {5.01, 0.25f}};
    for (const auto& [at, amplitude] : steps)
    {
        Frame(start + at - g_frameTimer->now);
        EXPECT_NEAR(pulse->scaleAmplitude, amplitude, 2e-3f) << at;
    }
    EXPECT_FALSE(tile->isExitFlashing());
}

TEST_F(BoardModelTest, EdgeTilesCarryAGlowThatTheHaltedLookShows)
{
    Build(Board("???\n???\n???\n"));
    EXPECT_EQ(host->edgeTiles.size(), 8u);
    ZTile* centre = grid->tileAt(1, 1);
    EXPECT_FALSE(centre->isOnEdge());
    EXPECT_EQ(centre->getEdgeGlow(), nullptr);
    ZTile* corner = grid->tileAt(0, 0);
    ASSERT_NE(corner->getEdgeGlow(), nullptr);
    corner->setHaltedLook(true);
    EXPECT_TRUE(corner->hasHaltedLook());
    EXPECT_TRUE(corner->getEdgeGlow()->IsActive());
    corner->setHaltedLook(false);
    EXPECT_FALSE(corner->getEdgeGlow()->IsActive());
    centre->setHaltedLook(true); // no glow: nothing to show
    EXPECT_EQ(centre->getEdgeGlow(), nullptr);
}
