// The board where things go on at once: a pop whose token an ability took first, a pop that sets
// off a reset, tokens and batches after a cascade, pointer locks, the pool at the end of a dive,
// pop sounds by group and place, treasure pay, and where new artifacts appear.
#include <algorithm>
#include <cmath>

#include "game/dive/ZDiveServices.h"
#include "tests/dive/board/DiveTestSupport.h"

using divetest::DiveTest;

namespace
{
// Records what the board asks of crew and treasure, and can reset the board from inside a pop.
class RecordingServices : public IDiveServices
{
public:
    bool ChargeCrew(int colourGroup, float value, int count, const V3& from) override
    {
        (void)value, (void)from;
        charges.push_back(colourGroup * 100 + count);
        if (resetOnCharge)
            ZBoard::GetInstance()->resetBoard();
        return true;
    }
    float GetTreasureFactor() override { return 1.0f; }
    bool PayTreasure(int amount, const V3& from, ZTextureResource* texture) override
    {
        (void)from, (void)texture;
        paid.push_back(amount);
        return true;
    }
    std::vector<int> charges;
    std::vector<int> paid;
    bool resetOnCharge = false;
};

class BoardFaultTest : public DiveTest
{
protected:
    void TearDown() override
    {
        SetDiveServices(nullptr);
        DiveTest::TearDown();
    }
    void WaitForPop()
    {
        for (int i = 0; i < 50 && board->pendingPops().empty(); ++i)
            Frames(1);
    }
    RecordingServices services;
};
} // namespace

TEST_F(BoardFaultTest, APopWhoseTokenWasTakenFirstPopsWhatIsLeft)
{
    ASSERT_TRUE(Start("swap3"));
    Drag(Tile(1, 1), 0.0f, 25.0f);
    WaitForPop();
    ASSERT_EQ(board->pendingPops().size(), 1u);
    // An ability breaks the first tile of the waiting line.
    ZTile* first = board->pendingPops()[0]->tiles[0];
    board->removeToken(first->getToken(), false);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(board->poppedTokens(), 2u);
}

TEST_F(BoardFaultTest, AResetSetOffByAPopEndsThePopStep)
{
    SetDiveServices(&services);
    ASSERT_TRUE(Start("swap3"));
    services.resetOnCharge = true;
    Drag(Tile(1, 1), 0.0f, 25.0f);
    WaitForPop();
    Run(0.5);
    EXPECT_EQ(services.charges.size(), 1u);
    EXPECT_TRUE(board->pendingPops().empty());
    EXPECT_TRUE(board->gridTiles().empty());
    EXPECT_TRUE(board->activeTokens().empty());
}

TEST_F(BoardFaultTest, AfterACascadeNoTokenKeepsALandingBatch)
{
    SetDiveServices(&services);
    ASSERT_TRUE(Start("lshape"));
    Drag(Tile(0, 3), 0.0f, 25.0f);
    ASSERT_TRUE(Settle());
    for (ZToken* token : board->activeTokens())
        EXPECT_EQ(token->getMovementGroup(), nullptr);
    EXPECT_TRUE(board->waitingBatches().empty());
    // A creature group of five charges the crew once, by its colour and size.
    ASSERT_FALSE(services.charges.empty());
    EXPECT_EQ(services.charges[0] % 100, 5);
}

TEST_F(BoardFaultTest, TheRotationGivesBackOnlyItsOwnPointerLock)
{
    ASSERT_TRUE(Start("swap3"));
    ZMousePointer* pointer = ZMousePointer::GetInstance();
    pointer->LockInput(true);
    board->endCleanup();
    EXPECT_EQ(pointer->GetLockCount(), 1);
    pointer->LockInput(false);

    ASSERT_TRUE(Start("swap3"));
    board->startRotation(1, 5.0f);
    EXPECT_EQ(pointer->GetLockCount(), 1);
    // A second request while turning takes no second lock.
    board->startRotation(-1, 5.0f);
    EXPECT_EQ(pointer->GetLockCount(), 1);
    board->endCleanup();
    EXPECT_EQ(pointer->GetLockCount(), 0);
}

TEST_F(BoardFaultTest, ThePoolHandsOutNothingWhileTheDiveEnds)
{
    ASSERT_TRUE(Start("swap3"));
    EXPECT_NE(board->acquireToken(), nullptr);
    dive->BeginEndDive();
    EXPECT_EQ(board->acquireToken(), nullptr);
    // Input no longer reaches the board.
    Click(Tile(1, 1));
    EXPECT_EQ(board->selectedTile(), nullptr);
}

TEST_F(BoardFaultTest, PopSoundsPanByTheGroupsPlaceAndTreasureGroupsPay)
{
    SetDiveServices(&services);
    // Type 3 of this level is a gold treasure: three of them pay 120 x max(3 - 2, 1).
    ASSERT_TRUE(Start("treasure"));
    ASSERT_EQ(board->levelTokenType(3)->colourGroup, kColourTreasure);
    std::vector<ZTile*> line = {Tile(0, 2), Tile(1, 2), Tile(2, 2)};
    for (ZTile* tile : line)
    {
        tile->getToken()->setType(3);
        tile->getToken()->setState(kTokenPopping);
    }
    board->popGroup(line);
    ASSERT_EQ(services.paid.size(), 1u);
    EXPECT_EQ(services.paid[0], 120);
    const V2 c = Centre(Tile(1, 2));
    EXPECT_NEAR(board->lastPopPan(), std::clamp(c.x / 400.0f, -1.0f, 1.0f), 1e-4f);
    EXPECT_TRUE(services.charges.empty());
}

TEST_F(BoardFaultTest, NewArtifactsAppearFarthestFromAnOpenExitEveryTwoSeconds)
{
    ASSERT_TRUE(Start("spawns"));
    ASSERT_EQ(board->artifactTokens().size(), 1u);
    ASSERT_EQ(board->maxArtifacts(), 1u);
    ZToken* first = board->artifactTokens()[0];
    board->removeToken(first, true);
    ASSERT_TRUE(board->artifactTokens().empty());
    Run(2.1);
    ASSERT_EQ(board->artifactTokens().size(), 1u);
    // The spawn point at the top left is 4 cells from an open exit, the artifact's own cell 3 and
    // the one low on the right only 1.
    EXPECT_EQ(board->artifactTokens()[0]->getTile(), Tile(0, 0));
}
