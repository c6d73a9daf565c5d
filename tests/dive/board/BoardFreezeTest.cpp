// The ice on a board: it spreads on its 25-second clock with the looping warning in the last five
// seconds, at most two tiles at a time and only to tiles that can hold ice; a halt silences it
// and the clock restarts when the last halt ends; breaking a frozen tile (a match through it or
// the ice pick) clears it, and the freeze abilities halt it.
#include <gtest/gtest.h>

#include "../abilities/AbilityBoardSupport.h"
#include "engine/audio/ZSound.h"

using abilitytest::AbilityBoardTest;

namespace
{
class BoardFreezeTest : public AbilityBoardTest
{
protected:
    void SetUp() override
    {
        AbilityBoardTest::SetUp();
        warning = new ZSound();
        warning->SetName("freezewarning");
    }
    void TearDown() override
    {
        freeze().Stop();
        delete warning;
        AbilityBoardTest::TearDown();
    }
    ZBoardFreeze& freeze() { return dive.freeze; }
    int Frozen() const { return boardeffects::CountFrozenTiles(*G()); }
    void At(double now) { freeze().Spread(now, *G()); }

    ZSound* warning = nullptr;
};
} // namespace

TEST_F(BoardFreezeTest, TheIceSpreadsAtOnceThenEveryTwentyFiveSecondsWithAWarningBeforeEach)
{
    Square(5);
    AbilityBoardTest::At(2, 2)->setKind(kTileFreeze);
    freeze().StartLevel(true);
    At(10.0);
    EXPECT_EQ(Frozen(), 2) << "the first update of play spreads";
    EXPECT_EQ(freeze().GetLastSpread(), 10.0);
    EXPECT_FALSE(freeze().IsWarning());

    At(29.9);
    EXPECT_FALSE(freeze().IsWarning());
    At(30.1);
    EXPECT_TRUE(freeze().IsWarning());
    EXPECT_TRUE(warning->IsLooping());
    At(34.9);
    EXPECT_EQ(Frozen(), 2);
    At(35.0);
    EXPECT_FALSE(freeze().IsWarning());
    // Two frozen tiles, each takes one neighbour.
    EXPECT_EQ(Frozen(), 4);
    At(60.0);
    EXPECT_EQ(Frozen(), 6) << "never more than two tiles per spread";
}

TEST_F(BoardFreezeTest, ALevelWithoutIceOrWithoutFrozenTilesNeverWarns)
{
    Square(4);
    freeze().StartLevel(false);
    AbilityBoardTest::At(1, 1)->setKind(kTileFreeze);
    At(100.0);
    EXPECT_EQ(Frozen(), 1);
    freeze().StartLevel(true);
    AbilityBoardTest::At(1, 1)->setKind(kTilePlain);
    At(100.0);
    At(121.0);
    EXPECT_FALSE(freeze().IsWarning());
}

TEST_F(BoardFreezeTest, IceDoesNotSpreadOntoChainsIceArtifactsBlocksOrEmptyTiles)
{
    Rebuild(BoardText("CZC\nHH0\nLx?\n"));
    AbilityBoardTest::At(2, 2)->setKind(kTileChain);
    freeze().StartLevel(true);
    const int before = Frozen();
    ASSERT_EQ(before, 2);
    At(10.0);
    EXPECT_EQ(Frozen(), before);
    // Nothing could freeze, so the clock did not move: the next update tries again.
    EXPECT_EQ(freeze().GetLastSpread(), ZBoardFreeze::kNever);
    AbilityBoardTest::At(2, 2)->setKind(kTilePlain);
    At(10.1);
    EXPECT_EQ(Frozen(), before + 1);
    EXPECT_EQ(AbilityBoardTest::At(2, 2)->getKind(), kTileFreeze);
}

TEST_F(BoardFreezeTest, AHaltSilencesTheIceAndTheClockRestartsWhenTheLastHaltEnds)
{
    Square(5);
    AbilityBoardTest::At(0, 0)->setKind(kTileFreeze);
    freeze().StartLevel(true);
    At(10.0);
    At(31.0);
    ASSERT_TRUE(freeze().IsWarning());

    ArmFromBelt("haltfreeze");
    ASSERT_TRUE(FireAt(AbilityBoardTest::At(4, 4)));
    EXPECT_TRUE(freeze().IsHalted());
    EXPECT_FALSE(freeze().IsWarning());
    // The stronger halt on top of the first one.
    ArmFromBelt("haltfreeze2");
    ASSERT_TRUE(FireAt(AbilityBoardTest::At(4, 4)));
    EXPECT_EQ(freeze().GetHaltCount(), 2);
    // A second minute-long halt is refused while the ice is halted; the item is kept.
    ArmFromBelt("haltfreeze");
    EXPECT_FALSE(FireAt(AbilityBoardTest::At(4, 4)));
    EXPECT_EQ(inventory->GetCount(ZAbilityManager::FindAbilityId("haltfreeze")), 1);
    manager->DisarmAbility();

    const int frozen = Frozen();
    At(80.0);
    EXPECT_EQ(Frozen(), frozen);
    // The minute-long halt ends; the other still holds the ice.
    g_frameTimer->now = 90.0;
    manager->updateCooldowns(60.0f);
    EXPECT_FALSE(manager->IsRunning(21));
    EXPECT_TRUE(freeze().IsHalted());
    At(95.0);
    EXPECT_EQ(Frozen(), frozen);
    // The dive ends: the last halt ends, the clock starts over.
    g_frameTimer->now = 100.0;
    manager->StopAllAbilities();
    EXPECT_FALSE(freeze().IsHalted());
    EXPECT_EQ(freeze().GetLastSpread(), 100.0);
    At(119.0);
    EXPECT_EQ(Frozen(), frozen);
    At(121.0);
    EXPECT_TRUE(freeze().IsWarning());
    At(125.0);
    EXPECT_EQ(Frozen(), frozen + 2);
}

TEST_F(BoardFreezeTest, BreakingAFrozenTileClearsTheIceAndSilencesTheWarning)
{
    Square(4);
    AbilityBoardTest::At(1, 1)->setKind(kTileFreeze);
    freeze().StartLevel(true);
    At(10.0);
    ASSERT_EQ(Frozen(), 2);
    At(31.0);
    ASSERT_TRUE(freeze().IsWarning());
    // A match through the frozen tiles breaks them as the pop does.
    ZTileList frozen;
    ZTileList tiles;
    G()->collectTiles(tiles);
    for (ZTile* t : tiles)
        if (t->getKind() == kTileFreeze)
            frozen.push_back(t);
    frozen[0]->breakTile(nullptr);
    EXPECT_EQ(Frozen(), 1);
    // The ice pick takes the rest.
    ArmFromBelt("breakfreeze");
    ASSERT_TRUE(FireAt(frozen[1]));
    EXPECT_EQ(Frozen(), 0);
    At(32.0);
    EXPECT_FALSE(freeze().IsWarning());
    EXPECT_EQ(std::count(host->sounds.begin(), host->sounds.end(), "tilebreakice"), 2);
}

TEST_F(BoardFreezeTest, TheEdgeGlowFollowsArmingAndTheHaltedLookStaysUntilTheHaltEnds)
{
    Square(4);
    const ZTileList& edges = host->edgeTiles;
    ASSERT_EQ(edges.size(), 12u);
    freeze().StartLevel(true);
    freeze().HighlightEdgeTiles(true, false, edges);
    EXPECT_TRUE(edges.front()->isEdgeGlowOn());
    freeze().HighlightEdgeTiles(false, false, edges);
    EXPECT_FALSE(edges.front()->isEdgeGlowOn());

    freeze().BeginHalt(edges);
    for (ZTile* t : edges)
        EXPECT_TRUE(t->isEdgeGlowOn());
    // Disarming a board-wide ability during the halt keeps the halted look.
    freeze().HighlightEdgeTiles(false, false, edges);
    EXPECT_TRUE(edges.back()->isEdgeGlowOn());
    freeze().EndHalt(50.0, edges);
    for (ZTile* t : edges)
        EXPECT_FALSE(t->isEdgeGlowOn());
}
