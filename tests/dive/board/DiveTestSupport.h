#pragma once
// A dive on the real state stack: the engine with a recording renderer, the pointer on the 2D
// layer's camera, the game's stack with the in-game state on top, fixture boards mounted as
// "resources:boards/", the seven artifact records, and helpers that drive the pointer over tiles.
#include "engine/render/resources/ZMaterial.h"
#include "engine/resource/ZResourceManager.h"
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/app/ZGame.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZNameId.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"
#include "tests/support/WidgetTestSupport.h"

namespace divetest
{
class DiveTest : public uitest::WidgetTest
{
protected:
    void SetUp() override
    {
        table.AddMount("resources", (std::string(QV_FIXTURES) + "/dive").c_str());
        WidgetTest::SetUp();
        for (const char* letter : {"D", "T", "S", "F", "O", "P", "Q"})
        {
            ZArtifact* record = ZArtifact::Create();
            record->SetProperty(ZNameId("shorthand").Value(), "shorthand", letter);
            record->SetProperty(ZNameId("name").Value(), "name", "artifact.name");
        }
        dive = ZInGame::GetInstance();
        ZGame::GotoState(dive);
        Frames(3);
        board = ZBoard::PeekInstance();
        hints = ZBoardHints::PeekInstance();
        bar = ZCompletionBar::PeekInstance();
    }
    void TearDown() override
    {
        // Nodes the board let go of are deleted by the next frame.
        Frame();
        game.reset();
        ZGroup* root = dive->GetRoot();
        ZInGame::DestroyInstance();
        ZBoardHints::DestroyInstance();
        ZCompletionBar::DestroyInstance();
        ZArtifactRegistry::DestroyInstance();
        ReleaseTokenTypeTextures();
        ZTile::releaseSharedVisuals();
        // The dive's nodes go now, while the resource manager can still take back their
        // materials (the material pool outlives the engine of one test).
        root->Release();
        Frame();
        ZResourceManager::GetInstance()->UnloadParked();
        WidgetTest::TearDown();
    }

    // Starts the fixture board and runs the intro until the dive plays.
    bool Start(const char* name, int levelNumber = 666)
    {
        if (!dive->StartLevel(name, levelNumber, -1))
            return false;
        for (int i = 0; i < 200 && !dive->IsPlaying(); ++i)
            Frames(1);
        Frames(2);
        return dive->IsPlaying();
    }
    // Frames until nothing moves or waits to pop (at most `limit` frames); true when settled.
    bool Settle(int limit = 2000)
    {
        for (int i = 0; i < limit; ++i)
        {
            if (board->isSettled())
                return true;
            Frames(1);
        }
        return board->isSettled();
    }
    // Seconds of frames.
    void Run(double seconds)
    {
        const int n = int(std::ceil(seconds / 0.02));
        Frames(n);
    }

    ZTile* Tile(int column, int row) { return board->tileAtCell(column, row); }
    int Type(int column, int row)
    {
        ZTile* tile = Tile(column, row);
        return tile && tile->getToken() ? tile->getToken()->getType() : -1;
    }
    // The tile's centre in logical screen points.
    V2 Centre(ZTile* tile)
    {
        V3 p;
        tile->LocalToWorld(p);
        return {p.x, p.y};
    }
    // Presses on a tile, moves the pointer by (dx, dy) in steps and releases.
    void Drag(ZTile* from, float dx, float dy)
    {
        const V2 c = Centre(from);
        MoveToLogical(c.x, c.y);
        Press();
        for (int s = 1; s <= 4; ++s)
            MoveToLogical(c.x + dx * float(s) / 4.0f, c.y + dy * float(s) / 4.0f);
        Release();
        Frame();
    }
    void Click(ZTile* tile)
    {
        const V2 c = Centre(tile);
        ClickAt(c.x, c.y);
    }
    bool SoundPlayed(const char* name)
    {
        for (const char* s : board->soundLog())
        {
            if (s && std::string(s) == name)
                return true;
        }
        return false;
    }

    ZInGame* dive = nullptr;
    ZBoard* board = nullptr;
    ZBoardHints* hints = nullptr;
    ZCompletionBar* bar = nullptr;
};
} // namespace divetest
