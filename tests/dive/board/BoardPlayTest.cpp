// Playing a dive on the real state stack with synthetic pointer input: drags and clicks that swap,
// false moves, pops and refills, groups, chains, artifacts through exits into the completion bar,
// turns of the board, the hint and the end of the dive by air.
#include <cmath>

#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZMath.h"
#include "tests/dive/board/DiveTestSupport.h"

using divetest::DiveTest;

namespace
{

// The token's orientation on screen: the z turn of its world matrix.
float WorldTurn(ZGeom* node)
{
    _M44 m;
    node->GetWorldMatrix(m);
    return std::atan2(m.m[0][1], m.m[0][0]);
}
} // namespace

TEST_F(DiveTest, ADragPastTheThresholdSwapsAndAShortOneDoesNot)
{
    ASSERT_TRUE(Start("swap3"));
    ASSERT_EQ(Type(1, 0), 1);
    ASSERT_EQ(Type(1, 1), 0);

    // 15 units: the token follows the pointer and falls back; nothing swaps.
    Drag(Tile(1, 1), 0.0f, 15.0f);
    Run(0.5);
    EXPECT_EQ(Type(1, 1), 0);
    EXPECT_EQ(board->dragMoves(), 0u);

    // 25 units up: the neighbour above, at once, without a release.
    const V2 c = Centre(Tile(1, 1));
    MoveToLogical(c.x, c.y);
    Press();
    MoveToLogical(c.x, c.y + 12.0f);
    MoveToLogical(c.x, c.y + 25.0f);
    EXPECT_EQ(board->dragMoves(), 1u);
    Release();
    // The line of three along the top pops: the board holds what refilled it.
    ASSERT_TRUE(Settle());
    EXPECT_EQ(board->poppedTokens(), 3u);
    EXPECT_EQ(Type(1, 1), 1);
}

TEST_F(DiveTest, ASwapThatMakesNoLineGoesBackWithTheFalseMoveSound)
{
    ASSERT_TRUE(Start("swap3"));
    const int left = Type(0, 3), right = Type(1, 3);
    Drag(Tile(0, 3), 25.0f, 0.0f);
    Run(0.25);
    EXPECT_TRUE(SoundPlayed("falsemove"));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Type(0, 3), left);
    EXPECT_EQ(Type(1, 3), right);
    EXPECT_EQ(board->poppedTokens(), 0u);
}

TEST_F(DiveTest, AClickSelectsAndAClickOnANeighbourSwaps)
{
    ASSERT_TRUE(Start("swap3"));
    Click(Tile(1, 1));
    EXPECT_EQ(board->selectedTile(), Tile(1, 1));
    Click(Tile(1, 0));
    EXPECT_EQ(board->selectedTile(), nullptr);
    EXPECT_EQ(board->clickMoves(), 1u);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(board->poppedTokens(), 3u);
}

TEST_F(DiveTest, ThreeInALinePopAndTheBoardRefills)
{
    ASSERT_TRUE(Start("swap3"));
    Drag(Tile(1, 1), 0.0f, 25.0f);
    // The line waits its 0.18 s swelling before it pops.
    for (int i = 0; i < 50 && board->pendingPops().empty(); ++i)
        Frames(1);
    ASSERT_EQ(board->pendingPops().size(), 1u);
    EXPECT_EQ(board->pendingPops()[0]->tiles.size(), 3u);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(board->poppedTokens(), 3u);
    for (ZTile* tile : board->gridTiles())
    {
        ASSERT_NE(tile->getToken(), nullptr);
        EXPECT_EQ(tile->getToken()->getState(), kTokenSettled);
    }
}

TEST_F(DiveTest, AnLShapePopsAsOneGroupOfFive)
{
    ASSERT_TRUE(Start("lshape"));
    Drag(Tile(0, 3), 0.0f, 25.0f);
    for (int i = 0; i < 50 && board->pendingPops().empty(); ++i)
        Frames(1);
    ASSERT_EQ(board->pendingPops().size(), 1u);
    EXPECT_EQ(board->pendingPops()[0]->tiles.size(), 5u);
    // Five tokens wait 0.18 + 5/3 x 0.8 x 0.18 s.
    EXPECT_NEAR(board->pendingPops()[0]->delay, 0.18f + 5.0f / 3.0f * 0.8f * 0.18f, 1e-5f);
    ASSERT_TRUE(Settle());
    EXPECT_GE(board->poppedTokens(), 5u);
}

TEST_F(DiveTest, ALineThroughAChainBreaksTheChain)
{
    ASSERT_TRUE(Start("chain"));
    ZToken* chained = Tile(1, 1)->getToken();
    ASSERT_NE(chained, nullptr);
    chained->setType(0);
    ASSERT_EQ(Tile(1, 1)->getKind(), kTileChain);
    // A chain tile is never selected or swapped.
    Click(Tile(1, 1));
    EXPECT_EQ(board->selectedTile(), nullptr);
    Drag(Tile(2, 0), 0.0f, -25.0f);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(board->poppedTokens(), 3u);
    EXPECT_EQ(Tile(1, 1)->getKind(), kTilePlain);
    EXPECT_EQ(Tile(1, 1)->getToken(), chained);
}

TEST_F(DiveTest, AnArtifactReachesTheExitAndFillsACompletionSlot)
{
    ASSERT_TRUE(Start("exit"));
    ASSERT_EQ(board->artifactTokens().size(), 1u);
    ASSERT_GE(bar->GetSlotNodeCount(), 1);
    EXPECT_FALSE(bar->IsSlotFilled(0));
    const char letter = char(board->artifactTokens()[0]->getArtifactId());
    Drag(Tile(0, 3), 25.0f, 0.0f);
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(board->artifactTokens().empty());
    EXPECT_TRUE(SoundPlayed("artifact_exit"));
    // The flight to the bar takes a second.
    Run(1.2);
    EXPECT_TRUE(bar->IsSlotFilled(0));
    EXPECT_EQ(bar->GetSlotShorthand(0), letter);
    // One artifact is every threshold of this level: gold.
    EXPECT_EQ(bar->GetMedalLevel(), 3);
    // Every artifact of the level delivered: the dive ends won on the next frame.
    Frames(2);
    EXPECT_TRUE(dive->IsEnding());
    EXPECT_FALSE(dive->IsLost());
}

TEST_F(DiveTest, TheBoardTurnsBothWaysAndTokensStayUpright)
{
    ASSERT_TRUE(Start("swap3"));
    ZToken* token = Tile(2, 2)->getToken();
    board->startRotation(1, 0.5f);
    EXPECT_TRUE(ZMousePointer::GetInstance()->IsLocked());
    Run(0.25);
    EXPECT_NEAR(WorldTurn(token), 0.0f, 1e-3f) << "board " << WorldTurn(board);
    Run(0.4);
    EXPECT_FALSE(board->isRotating());
    EXPECT_FALSE(ZMousePointer::GetInstance()->IsLocked());
    EXPECT_EQ(board->orientationIndex(), 1);
    EXPECT_TRUE(SoundPlayed("rotateboardend"));
    ASSERT_TRUE(Settle());
    for (ZToken* t : board->activeTokens())
        EXPECT_NEAR(std::sin(WorldTurn(t)), 0.0f, 1e-3f) << "board " << WorldTurn(board) << " token " << WorldTurn(t);
    EXPECT_NEAR(std::cos(WorldTurn(token)), 1.0f, 1e-3f);

    board->startRotation(-1, 0.5f);
    Run(0.7);
    EXPECT_EQ(board->orientationIndex(), 0);
    board->startRotation(-1, 0.5f);
    Run(0.7);
    EXPECT_EQ(board->orientationIndex(), 3);
    ASSERT_TRUE(Settle());
    for (ZToken* t : board->activeTokens())
        EXPECT_NEAR(std::cos(WorldTurn(t)), 1.0f, 1e-3f);
}

TEST_F(DiveTest, ARotationOfNoDurationTurnsAtOnce)
{
    ASSERT_TRUE(Start("swap3"));
    board->startRotation(1, 0.0f);
    Frames(2);
    EXPECT_FALSE(board->isRotating());
    EXPECT_EQ(board->orientationIndex(), 1);
    EXPECT_FALSE(ZMousePointer::GetInstance()->IsLocked());
    _M44 m;
    board->GetWorldMatrix(m);
    EXPECT_FALSE(std::isnan(m.m[0][0]));
}

TEST_F(DiveTest, ADragAfterACounterClockwiseTurnAimsByTheBoardsOrientation)
{
    ASSERT_TRUE(Start("swap3"));
    board->startRotation(-1, 0.0f);
    Frames(2);
    ASSERT_EQ(board->orientationIndex(), 3);
    ASSERT_TRUE(Settle());
    // After a counter-clockwise quarter turn the grid's row axis points to the right on screen:
    // a drag to the right reaches the tile one row down.
    ZTile* from = Tile(1, 1);
    ZTile* below = Tile(1, 2);
    ZToken* a = from->getToken();
    ZToken* b = below->getToken();
    Drag(from, 25.0f, 0.0f);
    ASSERT_EQ(board->dragMoves(), 1u);
    // The swap under way sends each token to the other's tile.
    EXPECT_EQ(a->getTile(), below);
    EXPECT_EQ(b->getTile(), from);
}

TEST_F(DiveTest, TheHintAppearsAfterTheIdleTime)
{
    ASSERT_TRUE(Start("swap3"));
    Run(9.0);
    EXPECT_EQ(hints->GetHintsShown(), 0);
    Run(1.5);
    ASSERT_EQ(hints->GetHintsShown(), 1);
    ZToken* a = hints->GetLastHint().first;
    ZToken* b = hints->GetLastHint().second;
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(a->getTile()->isOrthogonalNeighbour(b->getTile()));
    // A pop starts the countdown again.
    Drag(Tile(1, 1), 0.0f, 25.0f);
    ASSERT_TRUE(Settle());
    EXPECT_GT(hints->GetHintCountdown(), 8.0);
}

TEST_F(DiveTest, AirRunningOutLosesBelowTheThresholds)
{
    ASSERT_TRUE(Start("shortair"));
    Run(3.5);
    EXPECT_TRUE(dive->IsEnding());
    EXPECT_TRUE(dive->IsLost());
    EXPECT_TRUE(SoundPlayed("gameover"));
}

TEST_F(DiveTest, AirRunningOutWinsOnceAMedalIsReached)
{
    ASSERT_TRUE(Start("open"));
    // Two artifacts of four are the "complete" threshold.
    ASSERT_EQ(board->threshold(0), 2);
    bar->FillSlot('D', nullptr);
    bar->FillSlot('T', nullptr);
    ASSERT_EQ(bar->GetMedalLevel(), 0);
    dive->GetAirTimer()->AddTime(-1.0e6);
    Run(0.1);
    EXPECT_TRUE(dive->IsEnding());
    EXPECT_FALSE(dive->IsLost());
}
