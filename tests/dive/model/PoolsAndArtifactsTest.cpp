// The token and tile pools, the token's looks and pop swell, and the artifact registry.
#include <cmath>

#include "tests/support/BoardModelFixture.h"

using boardtest::BoardModelTest;

TEST_F(BoardModelTest, PoolsReuseTheLastReleasedAndHandOutNothingWhileClosed)
{
    ZTokenPool& pool = host->tokens;
    ZToken* a = pool.acquire(M33{});
    ZToken* b = pool.acquire(M33{});
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, a);
    EXPECT_EQ(a->getState(), kTokenFree);
    pool.release(a);
    pool.release(b);
    EXPECT_FALSE(b->IsActive());
    EXPECT_EQ(pool.acquire(M33{}), b);
    EXPECT_EQ(pool.acquire(M33{}), a);
    EXPECT_EQ(pool.size(), 2);

    pool.setClosed(true);
    EXPECT_EQ(pool.acquire(M33{}), nullptr);
    EXPECT_EQ(pool.size(), 2);
    pool.setClosed(false);

    // A released token empties its tile, which then waits.
    Build(Board("1\n"));
    ZTile* tile = grid->tileAt(0, 0);
    ZToken* token = tile->getToken();
    pool.release(token);
    EXPECT_EQ(tile->getToken(), nullptr);
    EXPECT_EQ(tile->getState(), kTileWaiting);
    EXPECT_EQ(token->getTile(), nullptr);

    ZTilePool& tiles = host->tiles;
    ZTile* t = tiles.acquire();
    const int32_t made = tiles.size();
    tiles.release(t);
    EXPECT_FALSE(t->IsActive());
    EXPECT_EQ(tiles.acquire(), t);
    EXPECT_EQ(tiles.size(), made);
    EXPECT_EQ(t->getKind(), kTilePlain);
}

TEST_F(BoardModelTest, ANullTokenFromAClosedPoolStopsFillAndSpawnQuietly)
{
    host->tokens.setClosed(true);
    Build(Board("0\n"));
    ZTile* tile = grid->tileAt(0, 0);
    EXPECT_EQ(tile->createToken(1), nullptr);
    tile->requestFill();
    EXPECT_EQ(tile->getIncomingToken(), nullptr);
    EXPECT_EQ(tile->getState(), kTileWaiting);
    tile->chooseInitialToken();
    EXPECT_EQ(tile->getToken(), nullptr);
}

TEST_F(BoardModelTest, LooksStackAndPopSwellStaysFiniteForEveryTiming)
{
    Build(Board("1\n"));
    ZToken* token = grid->tileAt(0, 0)->getToken();
    token->clearLooks();
    token->pushLook(kLookGood, 0.6f);
    token->pushLook(kLookBlink, 0.08f);
    EXPECT_EQ(token->getShownLook(), kLookBlink);
    Frame(0.1);
    EXPECT_EQ(token->getShownLook(), kLookGood);
    Frame(0.6);
    EXPECT_EQ(token->getShownLook(), kLookPlain);

    for (float span : {0.18f, 0.0f})
    {
        for (float end : {0.18f, 0.045f, 0.0f})
        {
            for (float elapsed : {0.0f, 0.02f, 0.1f, 0.2f})
            {
                token->popSwell(elapsed, end, span);
                const float scale = token->getPopScale().x;
                EXPECT_TRUE(std::isfinite(scale)) << elapsed << " " << end << " " << span;
                EXPECT_GE(scale, 0.49f);
                EXPECT_LE(scale, 1.66f);
            }
        }
    }
    token->popSwell(0.0f, 0.18f, 0.18f);
    EXPECT_FLOAT_EQ(token->getPopScale().x, 1.0f);
}

TEST_F(BoardModelTest, ArtifactRecordsRegisterOnceNamedAndLastOneWins)
{
    auto set = [](ZArtifact* a, const char* key, const char* value)
    { return a->SetProperty(ZNameId(key).Value(), key, value); };
    ZArtifactRegistry* registry = ZArtifactRegistry::GetInstance();
    ZArtifact* first = ZArtifact::Create();
    EXPECT_TRUE(set(first, "shorthand", "D"));
    EXPECT_EQ(registry->FindByShorthand('D'), nullptr);
    EXPECT_TRUE(set(first, "name", "artifact.dagger.name"));
    EXPECT_EQ(registry->FindByShorthand('D'), first);
    EXPECT_TRUE(set(first, "ui", "whatever"));
    EXPECT_FALSE(set(first, "texture", ""));
    EXPECT_FALSE(set(first, "colour", "red"));

    ZArtifact* nameless = ZArtifact::Create();
    set(nameless, "shorthand", "Q");
    EXPECT_EQ(registry->FindByShorthand('Q'), nullptr);
    EXPECT_EQ(registry->FindByShorthand('X'), nullptr);

    ZArtifact* second = ZArtifact::Create();
    set(second, "type", "artifact.type.blade");
    set(second, "name", "artifact.sword.name");
    set(second, "shorthand", "D");
    EXPECT_EQ(registry->FindByShorthand('D'), second);
    EXPECT_EQ(registry->FindByType("artifact.type.blade"), second);
    EXPECT_EQ(second->GetId(), uint8_t('D'));
    // A record without a type stays out of the type map.
    EXPECT_EQ(registry->FindByType(nullptr), nullptr);
}
