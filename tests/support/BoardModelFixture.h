#pragma once
// A board host over the real token and tile pools, for tests of the dive's model (tiles, tokens,
// the grid) without the board itself, and a fixture with a fresh scene tree and a clock the test
// drives. The host keeps the artifact queue and counts, the lists the grid fills, and logs the
// board calls it receives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZRandom.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "game/dive/model/IBoardHost.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZBoardGrid.h"
#include "game/dive/model/ZBoardPools.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

extern bool g_engineStartingUp;

namespace boardtest
{
class TestBoardHost : public IBoardHost
{
public:
    explicit TestBoardHost(ZNode* root)
    {
        tokens.setParent(root);
        tiles.setParent(root);
    }
    ~TestBoardHost() override
    {
        for (ZMovementGroup* group : groups)
            delete group;
    }

    ZToken* acquireToken() override { return tokens.acquire(M33{}); }
    void releaseToken(ZToken* token) override { tokens.release(token); }
    int32_t tokenPoolSize() const override { return tokens.size(); }
    void createToken() override { tokens.create(); }
    ZTile* acquireTile() override { return tiles.acquire(); }
    void releaseTile(ZTile* tile) override { tiles.release(tile); }

    ZMovementGroup* currentMovementGroup() override
    {
        if (!current)
        {
            current = new ZMovementGroup();
            groups.push_back(current);
        }
        return current;
    }
    void dropMovementGroup(ZMovementGroup* group) override
    {
        if (group == current)
            current = nullptr;
        std::erase(groups, group);
        delete group;
    }
    void resolveMatches(ZMovementGroup*) override { ++resolveCalls; }

    void addEdgeTile(ZTile* tile) override { edgeTiles.push_back(tile); }
    void addExitTile(ZTile* tile) override { exitTiles.push_back(tile); }
    void addArtifactSpawnTile(ZTile* tile) override { spawnTiles.push_back(tile); }

    void registerToken(ZToken* token) override
    {
        if (token && token->getType() == kArtifactTokenType)
        {
            const auto it = std::find(artifactQueue.begin(), artifactQueue.end(), token->getArtifactId());
            if (it != artifactQueue.end())
                artifactQueue.erase(it);
            artifactTokens.push_back(token);
        }
    }
    int32_t artifactsOnBoard() const override { return int32_t(artifactTokens.size()); }
    int32_t artifactLimit() const override { return limit; }
    int32_t artifactsToCollect() const override { return toCollect; }
    uint8_t nextArtifactId() const override { return artifactQueue.empty() ? 0 : artifactQueue.front(); }
    void artifactLeft(ZToken* token, int32_t how) override
    {
        (void)how;
        left.push_back(token);
    }
    void playSound(const char* name) override { sounds.push_back(name); }

    ZTokenPool tokens;
    ZTilePool tiles;
    ZMovementGroup* current = nullptr;
    std::vector<ZMovementGroup*> groups;
    int32_t resolveCalls = 0;
    std::vector<ZTile*> edgeTiles, exitTiles, spawnTiles;
    std::vector<uint8_t> artifactQueue;
    std::vector<ZToken*> artifactTokens;
    std::vector<ZToken*> left;
    std::vector<std::string> sounds;
    int32_t limit = 0;
    int32_t toCollect = 0;
};

class BoardModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_engineStartingUp = false;
        ZSceneTree::SetShutdownBegun(false);
        g_nodeListenersMuted = false;
        if (!g_frameTimer)
        {
            g_frameTimer = new ZFrameTimer();
            ownTimer = true;
        }
        g_frameTimer->now = 10.0;
        g_frameTimer->frameDelta = 0.0;
        root = ZGroup::Create();
        ZSceneTree::GetInstance()->AddChild(root);
        host = new TestBoardHost(root);
        SetBoardHost(host);
        SetGravityDirection(kDirDown);
        SetBoardTheme(0);
        const ZTokenTypeInfo* rows[kLevelTokenTypes] = {&g_tokenTypes[0], &g_tokenTypes[3], &g_tokenTypes[6],
                                                        &g_tokenTypes[1], &g_tokenTypes[4]};
        SetLevelTokenTypes(rows);
        RandomSeed(1234);
    }
    void TearDown() override
    {
        delete grid;
        grid = nullptr;
        host->tokens.releaseAll();
        host->tiles.releaseAll();
        SetBoardHost(nullptr);
        delete host;
        // Nodes handed to the tree for deletion go at the end of a frame.
        Frame(0.0);
        host = nullptr;
        ZSceneTree::DestroyInstance();
        ZArtifactRegistry::DestroyInstance();
        if (ownTimer)
        {
            delete g_frameTimer;
            g_frameTimer = nullptr;
        }
        SetGravityDirection(kDirDown);
    }

    // One frame of the scene (controllers, tokens' falls and looks, deferred deletions).
    void Frame(double seconds = 0.02)
    {
        g_frameTimer->now += seconds;
        g_frameTimer->frameDelta = seconds;
        ZSceneTree::GetInstance()->Update();
    }
    // The board's intro: every tile fades in, which also lets tokens spawned while the board was
    // hidden finish their spawn.
    void FadeIn()
    {
        ZTileList tiles;
        grid->collectTiles(tiles);
        for (ZTile* tile : tiles)
            tile->fadeIn();
    }
    // Frames until no token moves or spawns (at most `limit` frames); true when settled.
    bool Settle(int limit = 2000)
    {
        for (int i = 0; i < limit; ++i)
        {
            bool busy = false;
            for (ZToken* token : host->tokens.active())
                busy = busy || token->getState() == kTokenMoving || token->getState() == kTokenSpawning;
            if (!busy)
                return true;
            Frame();
        }
        return false;
    }

    // A grid read from board text and placed; asserts that the text loads.
    ZBoardGrid* Build(const std::string& text, const char* name = "fixture")
    {
        delete grid;
        grid = new ZBoardGrid();
        EXPECT_EQ(grid->loader().LoadText(text, name), 0) << grid->loader().GetError();
        EXPECT_EQ(grid->buildFromLoader(), 0);
        grid->place();
        return grid;
    }

    // Board text with the required keys around the rows.
    static std::string Board(const std::string& rows, const std::string& medals = "@complete: x\n")
    {
        return medals + "@bronze:\n@silver:\n@gold:\n@time: 90\n"
                        "@tokens: red_crab,green_octopus,blue_fish,red_blowfish,green_turtle\n" +
            rows;
    }

    // A settled token of the type on the tile (the tile's old token goes back to the pool).
    ZToken* Put(ZTile* tile, int32_t type)
    {
        if (tile->getToken())
            host->releaseToken(tile->getToken());
        ZToken* token = tile->createToken(type);
        tile->setState(kTileIdle);
        return token;
    }

    // The type letter of every cell ('.' no tile, '_' empty, 'A' artifact, '0'..'4' types), one
    // string per row.
    std::vector<std::string> Types() const
    {
        std::vector<std::string> rows;
        for (int32_t y = 0; y < grid->getHeight(); ++y)
        {
            std::string row;
            for (int32_t x = 0; x < grid->getWidth(); ++x)
            {
                const ZTile* tile = grid->tileAt(x, y);
                const ZToken* token = tile ? tile->getToken() : nullptr;
                row += !tile ? '.' : !token ? '_' : token->getType() == kArtifactTokenType ? 'A'
                                                                                            : char('0' + token->getType());
            }
            rows.push_back(row);
        }
        return rows;
    }

    ZGroup* root = nullptr;
    TestBoardHost* host = nullptr;
    ZBoardGrid* grid = nullptr;
    bool ownTimer = false;
};
} // namespace boardtest
