// Every ability armed from the tool belt and fired on a board: what it lists, what the board's
// break then changes, the air it adds and how long it lasts (printed as a table), and the cases
// that refuse a target.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "AbilityBoardSupport.h"
#include "engine/audio/ZSound.h"
#include "game/dive/abilities/ZAbilityBreak.h"
#include "game/dive/abilities/ZAbilitySwap.h"

using abilitytest::AbilityBoardTest;

namespace
{
struct SOutcome
{
    bool fired = false;
    int listed = 0;
    int changed = 0;
};

// The tiles whose kind or token differs between two snapshots.
struct SSnapshot
{
    std::vector<int32_t> kinds;
    std::vector<const ZToken*> tokens;
};

SSnapshot Snap(const ZBoardGrid& grid)
{
    SSnapshot s;
    ZTileList tiles;
    grid.collectTiles(tiles);
    for (ZTile* t : tiles)
    {
        s.kinds.push_back(t->getKind());
        s.tokens.push_back(t->getToken());
    }
    return s;
}

int Changed(const SSnapshot& a, const SSnapshot& b)
{
    int n = 0;
    for (size_t i = 0; i < a.kinds.size() && i < b.kinds.size(); ++i)
        n += (a.kinds[i] != b.kinds[i] || a.tokens[i] != b.tokens[i]) ? 1 : 0;
    return n;
}
} // namespace

TEST_F(AbilityBoardTest, EveryAbilityArmedFromTheBeltAndFiredOnABoard)
{
    struct SRow
    {
        const char* key;
        const char* target;
        std::function<SOutcome(AbilityBoardTest&)> run;
        int listed;   // tiles the ability lists for the board (-1: not checked here)
        int changed;  // tiles whose kind or token changed
        float air;    // seconds of air added
        const char* lasts;
    };
    auto aimed = [](int column, int row, std::function<void(AbilityBoardTest&)> setup = nullptr)
    {
        return [=](AbilityBoardTest& t)
        {
            t.Square(5);
            if (setup)
                setup(t);
            const SSnapshot before = Snap(*t.G());
            SOutcome o;
            o.fired = t.FireAt(t.At(column, row));
            o.listed = int(t.listed.size());
            o.changed = Changed(before, Snap(*t.G()));
            return o;
        };
    };
    auto unaimed = [](std::function<void(AbilityBoardTest&)> setup = nullptr)
    {
        return [=](AbilityBoardTest& t)
        {
            t.Square(5);
            if (setup)
                setup(t);
            const SSnapshot before = Snap(*t.G());
            SOutcome o;
            o.fired = t.FireUnaimed();
            o.listed = int(t.listed.size());
            o.changed = Changed(before, Snap(*t.G()));
            return o;
        };
    };
    auto swap = [](int c1, int r1, int c2, int r2)
    {
        return [=](AbilityBoardTest& t)
        {
            t.Square(5);
            const SSnapshot before = Snap(*t.G());
            SOutcome o;
            o.fired = t.SwapWith(t.At(c1, r1), t.At(c2, r2));
            o.changed = Changed(before, Snap(*t.G()));
            return o;
        };
    };
    auto chains = [](AbilityBoardTest& t)
    {
        t.At(1, 1)->setKind(kTileChain);
        t.At(3, 3)->setKind(kTileDoubleChain);
    };
    auto ice = [](AbilityBoardTest& t)
    {
        t.At(1, 2)->setKind(kTileFreeze);
        t.At(3, 2)->setKind(kTileFreeze);
    };
    const std::vector<SRow> rows = {
        {"breaktile", "tile (2,2)", aimed(2, 2), 1, 1, 0, "at once"},
        {"breaktile2", "tile (2,1)", aimed(2, 1), 2, 2, 0, "at once"},
        {"breakrow", "tile (2,2)", aimed(2, 2), 5, 5, 0, "at once"},
        {"swap", "(2,2) with (3,2)", swap(2, 2, 3, 2), 0, 2, 0, "at once"},
        {"swap2", "(2,2) with (3,3)", swap(2, 2, 3, 3), 0, 2, 0, "at once"},
        {"swap3", "(2,2) with (4,2)", swap(2, 2, 4, 2), 0, 2, 0, "at once"},
        {"break3x3", "tile (2,2)", aimed(2, 2), 8, 8, 0, "at once"},
        {"break5x5", "tile (2,2)", aimed(2, 2), 25, 25, 0, "at once"},
        {"breakmetal", "tile (2,2), chain and double chain near", aimed(2, 2, chains), 3, 2, 0, "at once"},
        {"breaktype", "tile (2,2)", aimed(2, 2), -1, -1, 0, "at once"},
        {"breakdiagonal", "tile (2,2)", aimed(2, 2), 10, 9, 0, "at once"},
        {"breakcolumn", "tile (2,2)", aimed(2, 2), 5, 5, 0, "at once"},
        {"breakcolumn2", "artifact at (1,1)", aimed(2, 2,
                                                   [](AbilityBoardTest& t)
                                                   {
                                                       t.Rebuild(t.BoardText("?????\n?x???\n?????\n?????\n?????\n"));
                                                   }),
         3, 3, 0, "at once"},
        {"breakrandom", "anywhere, 25 tiles", aimed(0, 0), 20, 20, 0, "at once"},
        {"noair", "air gauge", unaimed(), 0, 0, 0, "to the end of the dive"},
        {"lessair", "air gauge", unaimed(), 0, 0, 0, "30 s"},
        {"lessair2", "air gauge", unaimed(), 0, 0, 0, "30 s"},
        {"air", "air gauge", unaimed(), 0, 0, 60, "at once"},
        {"air2", "air gauge", unaimed(), 0, 0, 120, "at once"},
        {"treasureboost", "treasure chest", unaimed(), 0, 0, 0, "60 s"},
        {"treasureboost2", "treasure chest", unaimed(), 0, 0, 0, "120 s"},
        {"haltfreeze", "any board tile", aimed(0, 0, ice), 0, 0, 0, "60 s"},
        {"haltfreeze2", "any board tile", aimed(0, 0, ice), 0, 0, 0, "to the end of the dive"},
        {"breakfreeze", "tile (2,2), ice left and right", aimed(2, 2, ice), 2, 2, 0, "at once"},
        {"rotateboost", "rotation gauge", unaimed(), 0, 0, 0, "60 s"},
        {"rotateboost2", "rotation gauge", unaimed(), 0, 0, 0, "80 s"},
        {"skiplevel", "level gauge", unaimed(), 0, 0, 0, "at once"},
        {"breakallchains", "any board tile, chain and double chain", aimed(0, 0, chains), 0, 2, 0, "at once"},
    };
    ASSERT_EQ(rows.size(), size_t(ZAbilityManager::kItemCount));

    std::printf("| ability | target | listed | changed | air added | lasts |\n|---|---|---|---|---|---|\n");
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.key);
        manager->StopAllAbilities();
        dive.airAdded = 0.0f;
        ZAbility* ability = ArmFromBelt(row.key);
        ASSERT_NE(ability, nullptr);
        const int id = ability->GetId();
        const SOutcome o = row.run(*this);
        EXPECT_TRUE(o.fired);
        if (row.listed >= 0)
        {
            EXPECT_EQ(o.listed, row.listed);
        }
        if (row.changed >= 0)
        {
            EXPECT_EQ(o.changed, row.changed);
        }
        EXPECT_FLOAT_EQ(dive.airAdded, row.air);
        // Used from the belt: one fewer in the inventory, a fresh instance on the button.
        EXPECT_EQ(inventory->GetCount(id), 0);
        EXPECT_NE(belt->GetAbility(), ability);
        char lasts[32] = "at once";
        if (manager->IsRunning(id))
        {
            const ZAbility* running = manager->GetRunning().back();
            if (running->IsTimed())
                std::snprintf(lasts, sizeof lasts, "%.0f s", double(running->GetDuration()));
            else
                std::snprintf(lasts, sizeof lasts, "to the end of the dive");
        }
        EXPECT_STREQ(lasts, row.lasts);
        std::printf("| %s | %s | %d | %d | %.0f | %s |\n", row.key, row.target, o.listed, o.changed,
                    double(dive.airAdded), lasts);
    }
}

TEST_F(AbilityBoardTest, BreakTileRefusesAnArtifactAndTheItemIsNotUsedWhileBreakTile2TakesIt)
{
    Rebuild(Board("???\n?x?\n???\n"));
    ArmFromBelt("breaktile");
    ZAbility* held = belt->GetAbility();
    EXPECT_FALSE(FireAt(At(1, 1)));
    EXPECT_EQ(inventory->GetCount(ZAbilityManager::FindAbilityId("breaktile")), 1);
    EXPECT_EQ(belt->GetAbility(), held);
    EXPECT_FALSE(held->IsSpent());

    ArmFromBelt("breaktile2");
    EXPECT_TRUE(FireAt(At(1, 1)));
    EXPECT_EQ(listed, (ZTileList{At(1, 1), At(1, 2)}));
}

TEST_F(AbilityBoardTest, BreakTileSoundsMetalOnChainsAndTreasureAndSoftAgainAfterAReset)
{
    // Sounds live for the whole run, as the game's do.
    static ZSound* const metal = []
    {
        auto* s = new ZSound();
        s->SetName("ability_breaktile_metal");
        return s;
    }();
    static ZSound* const soft = []
    {
        auto* s = new ZSound();
        s->SetName("ability_breaktile_soft");
        return s;
    }();
    Square(3);
    At(0, 0)->setKind(kTileChain);
    auto* ability = static_cast<ZAbilityBreakTile*>(manager->GetFactory(0)->Create());
    ZTileList out;
    ASSERT_TRUE(ability->Apply(At(0, 0), nullptr, out));
    EXPECT_TRUE(ability->IsMetal());
    EXPECT_EQ(ability->GetSound(), metal);
    ability->Reset();
    EXPECT_EQ(ability->GetSound(), soft);
    ASSERT_TRUE(ability->Apply(At(2, 2), nullptr, out));
    EXPECT_EQ(ability->GetSound(), soft);
    manager->GetFactory(0)->Release(ability);
}

TEST_F(AbilityBoardTest, SwapsReachStraightDiagonalAndTwoStepNeighboursOnly)
{
    Square(5);
    struct SCase
    {
        const char* key;
        int c1, r1, c2, r2;
        bool accepted;
    } cases[] = {
        {"swap", 2, 2, 3, 2, true},  {"swap", 2, 2, 3, 3, false}, {"swap", 2, 2, 2, 2, false},
        {"swap2", 2, 2, 3, 3, true}, {"swap2", 2, 2, 4, 2, false}, {"swap3", 2, 2, 4, 2, true},
        {"swap3", 2, 2, 4, 4, true}, {"swap3", 0, 2, 3, 2, false},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(std::string(c.key) + " " + std::to_string(c.c2) + "," + std::to_string(c.r2));
        ArmFromBelt(c.key);
        EXPECT_EQ(SwapWith(At(c.c1, c.r1), At(c.c2, c.r2)), c.accepted);
        manager->DisarmAbility();
    }
}

TEST_F(AbilityBoardTest, TheSwapIsTwoStepsAndRefusesChainedFrozenAndBlockTiles)
{
    Square(4);
    ArmFromBelt("swap");
    ZAbility* swap = manager->GetArmedAbility();
    // Step one: the first tile is picked and the ability stays armed for the second.
    ASSERT_TRUE(manager->SelectTarget(At(1, 1)));
    EXPECT_EQ(manager->GetArmedAbility(), swap);
    ZTileList preview;
    swap->Preview(At(1, 1), nullptr, preview);
    EXPECT_EQ(preview, (ZTileList{At(1, 1), At(0, 1), At(1, 0), At(2, 1), At(1, 2)}));
    // Step two: the pair.
    ZToken* a = At(1, 1)->getToken();
    ZToken* b = At(2, 1)->getToken();
    ZTileList out;
    ASSERT_TRUE(manager->TrySwapWithAbility(At(1, 1), At(2, 1), out));
    EXPECT_EQ(manager->GetArmedAbility(), nullptr);
    EXPECT_EQ(At(1, 1)->getToken(), a) << "the board moves the tokens, not the ability";
    (void)b;

    for (int32_t kind : {kTileChain, kTileDoubleChain, kTileFreeze, kTileBlock})
    {
        SCOPED_TRACE(kind);
        Square(4);
        At(2, 1)->setKind(kind);
        ArmFromBelt("swap");
        // Picking it first disarms at once; as the second tile it is refused.
        EXPECT_FALSE(manager->SelectTarget(At(2, 1)));
        EXPECT_EQ(manager->GetArmedAbility(), nullptr);
        ArmFromBelt("swap");
        EXPECT_FALSE(SwapWith(At(1, 1), At(2, 1)));
        manager->DisarmAbility();
    }
}

TEST_F(AbilityBoardTest, BoardWideAbilitiesLightTheEdgesWhenArmedAndFireOnAnyClick)
{
    Square(4);
    At(1, 1)->setKind(kTileChain);
    At(2, 2)->setKind(kTileDoubleChain);
    ArmFromBelt("breakallchains");
    EXPECT_TRUE(dive.highlighted);
    // Arming another ability takes the highlight away: the first one is disarmed.
    ArmFromBelt("breaktile");
    EXPECT_FALSE(dive.highlighted);
    ArmFromBelt("breakallchains");
    EXPECT_TRUE(dive.highlighted);
    // Any click on the board fires it at once, whatever the tile.
    EXPECT_TRUE(FireAt(At(3, 0)));
    EXPECT_FALSE(dive.highlighted);
    EXPECT_EQ(dive.chainBreaks, 3);
    ZTileList tiles;
    grid->collectTiles(tiles);
    for (ZTile* t : tiles)
        EXPECT_EQ(t->getKind(), kTilePlain);
}

TEST_F(AbilityBoardTest, BoardWideChoicesReachEveryTile)
{
    // Every tile a chain: breaking all chains reaches all sixteen.
    Square(4);
    ZTileList tiles;
    grid->collectTiles(tiles);
    for (ZTile* t : tiles)
        t->setKind(kTileChain);
    ZTileList chains;
    boardeffects::ListChainsToBreak(*grid, chains);
    EXPECT_EQ(chains.size(), 16u);
    // Every token of one type, wherever it stands.
    for (ZTile* t : tiles)
        Put(t, 2);
    ZTileList sameType;
    boardeffects::CollectTokensOfType(*grid, 2, sameType);
    EXPECT_EQ(sameType.size(), 16u);
    // The edge glow reaches every edge tile of the board.
    dive.freeze.HighlightEdgeTiles(true, false, host->edgeTiles);
    EXPECT_EQ(host->edgeTiles.size(), 12u);
    for (ZTile* t : host->edgeTiles)
        EXPECT_TRUE(t->isEdgeGlowOn());
    dive.freeze.HighlightEdgeTiles(false, false, host->edgeTiles);
    for (ZTile* t : host->edgeTiles)
        EXPECT_FALSE(t->isEdgeGlowOn());
}

TEST_F(AbilityBoardTest, RandomBreakTakesTwentyOfMoreAndNoneOfFewerButTheFallbackTakesAll)
{
    Square(4);
    ArmFromBelt("breakrandom");
    ASSERT_TRUE(FireAt(At(0, 0)));
    EXPECT_TRUE(listed.empty()) << "sixteen tiles are too few for the item";

    Square(4);
    ZTileList fallback;
    EXPECT_TRUE(manager->FireFallbackAbility(fallback));
    EXPECT_EQ(fallback.size(), 16u);
    EXPECT_EQ(manager->GetArmedAbility(), nullptr);

    // 21 candidates (one of 22 tiles holds an artifact): twenty of them, each once.
    Rebuild(Board("?????\n?????\n?????\n?????\n?x\n"));
    ZTileList out;
    boardeffects::ChooseRandomBreak(*grid, false, out);
    EXPECT_EQ(out.size(), 20u);
    for (ZTile* t : out)
    {
        EXPECT_EQ(std::count(out.begin(), out.end(), t), 1);
        EXPECT_NE(t->getToken()->getType(), kArtifactTokenType);
    }
}

TEST_F(AbilityBoardTest, BreakMetalAndBreakFreezeFailWithNothingToBreak)
{
    Square(3);
    ArmFromBelt("breakmetal");
    EXPECT_FALSE(FireAt(At(1, 1)));
    ArmFromBelt("breakfreeze");
    EXPECT_FALSE(FireAt(At(1, 1)));
    At(1, 1)->setKind(kTileFreeze);
    ArmFromBelt("breakfreeze");
    EXPECT_TRUE(FireAt(At(1, 1)));
    EXPECT_EQ(listed, ZTileList{At(1, 1)});
    EXPECT_EQ(At(1, 1)->getKind(), kTilePlain);
}

TEST_F(AbilityBoardTest, TilesBehindArtifactsFollowTheFallDirection)
{
    Rebuild(Board("???\n?x?\n???\n"));
    ZTileList out;
    boardeffects::CollectTilesBehindArtifacts(*grid, out);
    EXPECT_EQ(out, ZTileList{At(1, 2)});
    out.clear();
    grid->setRotation(2);
    boardeffects::CollectTilesBehindArtifacts(*grid, out);
    EXPECT_EQ(out, ZTileList{At(1, 0)});
    out.clear();
    grid->setRotation(1);
    boardeffects::CollectTilesBehindArtifacts(*grid, out);
    EXPECT_EQ(out, ZTileList{At(2, 1)});
    grid->setRotation(0);
}
