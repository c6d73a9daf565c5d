// The start fill and the refill cascade: where an emptied tile takes its token from, spawning at
// the top with a fixed seed, and breaking tiles.
#include "engine/core/ZRandom.h"
#include "game/dive/model/ZBoardRules.h"
#include "tests/support/BoardModelFixture.h"

using boardtest::BoardModelTest;

namespace
{
class Refill : public BoardModelTest
{
protected:
    ZTile* At(int32_t x, int32_t y) { return grid->tileAt(x, y); }
    // Empties the tile as a pop does and asks for a token.
    void Empty(ZTile* tile)
    {
        host->releaseToken(tile->getToken());
        tile->requestFill();
    }
};
} // namespace

TEST_F(Refill, InitialFillStrikesTheNeighboursTypes)
{
    // Up and right hold type 0, down type 1, nothing left: count 2 over free types 2, 3, 4 -> 2 or 3.
    // With left holding type 2 as well: count 1 over free types 3, 4 -> always 3.
    struct Case
    {
        const char* rows;
        int32_t x, y;
        std::vector<int32_t> allowed;
    };
    const std::vector<Case> cases = {
        {"E1E\nE01\nE2E\n", 1, 1, {2, 3}},
        {"E1E\n301\nE2E\n", 1, 1, {3}},
        {"0\n", 0, 0, {0, 1, 2, 3, 4}},
    };
    for (const Case& c : cases)
    {
        std::vector<int32_t> seen;
        for (uint32_t seed = 1; seed < 40; ++seed)
        {
            Build(Board(c.rows));
            ZTile* tile = grid->tileAt(c.x, c.y);
            ASSERT_NE(tile, nullptr);
            if (tile->getToken())
                host->releaseToken(tile->getToken());
            RandomSeed(seed);
            tile->chooseInitialToken();
            ASSERT_NE(tile->getToken(), nullptr);
            const int32_t type = tile->getToken()->getType();
            EXPECT_NE(std::find(c.allowed.begin(), c.allowed.end(), type), c.allowed.end())
                << c.rows << " seed " << seed << " gave " << type;
            if (std::find(seen.begin(), seen.end(), type) == seen.end())
                seen.push_back(type);
        }
        // Every allowed type comes up over the seeds.
        EXPECT_EQ(seen.size(), c.allowed.size()) << c.rows;
    }
}

TEST_F(Refill, AnEmptiedTilePullsFromAboveAndTheTopSpawnsWithTheSeed)
{
    Build(Board("1\n2\n3\n"));
    ZToken* top = At(0, 0)->getToken();
    ZToken* middle = At(0, 1)->getToken();
    RandomSeed(77);
    Empty(At(0, 2));
    EXPECT_EQ(middle->getState(), kTokenMoving);
    EXPECT_EQ(At(0, 2)->getState(), kTileIncoming);
    // Only the tile below the emptied one is asked first; the chain fills one step at a time.
    EXPECT_EQ(top->getState(), kTokenMoving);
    FadeIn();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(At(0, 2)->getToken(), middle);
    EXPECT_EQ(At(0, 1)->getToken(), top);
    RandomSeed(77);
    EXPECT_EQ(At(0, 0)->getToken()->getType(), int32_t(RandomNext() % 5));
    for (int32_t y = 0; y < 3; ++y)
        EXPECT_EQ(At(0, y)->getState(), kTileIdle);
}

TEST_F(Refill, TheSameSeedRefillsTheSameWay)
{
    const std::string rows = "????\n????\n????\n????\n";
    std::vector<std::string> results;
    for (int run = 0; run < 2; ++run)
    {
        Build(Board(rows), "refill");
        FadeIn();
        ASSERT_TRUE(Settle());
        RandomSeed(4242);
        for (int32_t x = 0; x < 4; ++x)
            Empty(At(x, 3 - x));
        ASSERT_TRUE(Settle());
        std::string all;
        for (const std::string& row : Types())
            all += row + "/";
        results.push_back(all);
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0].find('_'), std::string::npos);
}

TEST_F(Refill, DiagonalSourcesPreferCreaturesAndNeverBeatTheTileAbove)
{
    auto* record = ZArtifact::Create();
    record->SetProperty(ZNameId("name").Value(), "name", "a");
    record->SetProperty(ZNameId("shorthand").Value(), "shorthand", "D");

    // Up-left holds an artifact, up-right a creature, straight up a chain: the creature comes.
    Build(Board("1C2\n313\n"));
    Put(At(0, 0), kArtifactTokenType)->setArtifact(record);
    ZToken* creature = At(2, 0)->getToken();
    ZToken* artifact = At(0, 0)->getToken();
    Empty(At(1, 1));
    EXPECT_EQ(creature->getState(), kTokenMoving);
    EXPECT_EQ(artifact->getState(), kTokenSettled);

    // With an answering tile above (itself empty, asking further up) no diagonal moves.
    Build(Board("121\n303\n434\n"));
    host->releaseToken(At(1, 1)->getToken());
    ZToken* left = At(0, 1)->getToken();
    ZToken* right = At(2, 1)->getToken();
    Empty(At(1, 2));
    EXPECT_EQ(left->getState(), kTokenSettled);
    EXPECT_EQ(right->getState(), kTokenSettled);
    EXPECT_EQ(At(1, 0)->getToken()->getState(), kTokenMoving);
}

TEST_F(Refill, ATileBelowAHoldingTileStaysWaiting)
{
    for (const char* rows : {"C\n1\n", "Z\n1\n", "H\n1\n", "L\n1\n"})
    {
        Build(Board(rows));
        const int32_t before = host->tokens.size();
        Empty(At(0, 1));
        EXPECT_EQ(At(0, 1)->getState(), kTileWaiting) << rows;
        EXPECT_EQ(At(0, 1)->getIncomingToken(), nullptr) << rows;
        EXPECT_EQ(host->tokens.size(), before) << rows;
    }
}

TEST_F(Refill, TopTilesSpawnArtifactsWhileBelowBothLimits)
{
    auto* record = ZArtifact::Create();
    record->SetProperty(ZNameId("name").Value(), "name", "a");
    record->SetProperty(ZNameId("shorthand").Value(), "shorthand", "S");
    Build(Board("s\n1\n"));
    host->artifactQueue = {'S', 'S'};
    host->limit = 1;
    host->toCollect = 2;
    Empty(At(0, 0));
    ASSERT_NE(At(0, 0)->getIncomingToken(), nullptr);
    EXPECT_EQ(At(0, 0)->getIncomingToken()->getType(), kArtifactTokenType);
    EXPECT_EQ(At(0, 0)->getIncomingToken()->getArtifactId(), uint8_t('S'));
    EXPECT_EQ(host->artifactQueue.size(), 1u);
    FadeIn();
    ASSERT_TRUE(Settle());

    // One artifact stands on the board, the limit is one: the next spawn is a creature.
    Empty(At(0, 1));
    ASSERT_TRUE(Settle());
    EXPECT_LT(At(0, 0)->getToken()->getType(), kArtifactTokenType);
}

TEST_F(Refill, BreakingStepsKindsDownAndSparesArtifacts)
{
    Build(Board("NZL\n?HM\n", "@complete: xx\n"));
    ZTileList affected;
    At(0, 0)->breakTile(&affected);
    EXPECT_EQ(At(0, 0)->getKind(), kTileSoftBlock);
    At(0, 0)->breakTile(&affected);
    EXPECT_EQ(At(0, 0)->getKind(), kTilePlain);
    EXPECT_EQ(affected.size(), 1u);

    At(1, 0)->breakTile(&affected);
    EXPECT_EQ(At(1, 0)->getKind(), kTileChain);
    At(1, 0)->breakTile(&affected);
    EXPECT_EQ(At(1, 0)->getKind(), kTilePlain);
    EXPECT_EQ(At(1, 0)->getOverlay(), nullptr);
    At(1, 1)->breakTile(&affected);
    EXPECT_EQ(At(1, 1)->getKind(), kTilePlain);
    EXPECT_EQ(host->sounds, (std::vector<std::string>{"tilebreakchain", "tilebreakchain", "tilebreakice"}));

    // Breaking the plain tile next to the 'L' block clears the block too.
    Build(Board("?LL\n???\n"));
    At(0, 0)->breakTile(nullptr);
    EXPECT_EQ(At(1, 0)->getKind(), kTilePlain);
    EXPECT_EQ(At(2, 0)->getKind(), kTileBlock);
    EXPECT_EQ(At(0, 0)->getState(), kTileWaiting);

    auto* record = ZArtifact::Create();
    record->SetProperty(ZNameId("name").Value(), "name", "a");
    record->SetProperty(ZNameId("shorthand").Value(), "shorthand", "D");
    Build(Board("C?\n??\n"));
    Put(At(0, 0), kArtifactTokenType)->setArtifact(record);
    At(0, 0)->breakTile(nullptr);
    EXPECT_EQ(At(0, 0)->getKind(), kTileChain);
}

TEST_F(Refill, SourcesAreAskedStraightUpThenCreaturesThenArtifacts)
{
    auto* record = ZArtifact::Create();
    record->SetProperty(ZNameId("name").Value(), "name", "a");
    record->SetProperty(ZNameId("shorthand").Value(), "shorthand", "D");
    Build(Board("?E?\n???\nE?E\n"));
    struct Case
    {
        const char* what;
        int32_t x, y;
        std::vector<std::pair<int, int>> expected;
    };
    Put(At(0, 0), kArtifactTokenType)->setArtifact(record);
    const std::vector<Case> cases = {
        {"top edge", 0, 0, {}},
        {"diagonals only, the artifact last", 1, 1, {{2, 0}, {0, 0}, {2, 0}}},
        {"straight up first", 1, 2, {{1, 1}, {0, 1}, {2, 1}, {0, 1}, {2, 1}}},
    };
    for (const Case& c : cases)
    {
        ZTile* sources[5];
        const int32_t n = RefillSources(At(c.x, c.y), sources);
        std::vector<std::pair<int, int>> got;
        for (int32_t i = 0; i < n; ++i)
            got.emplace_back(sources[i]->getGridColumn(), sources[i]->getGridRow());
        EXPECT_EQ(got, c.expected) << c.what;
    }
}
