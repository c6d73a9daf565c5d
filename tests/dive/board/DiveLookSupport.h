#pragma once
// A dive on a real window for the look tests: the engine's core objects, the OpenGL back end on an
// 800 x 600 window, the game's pictures, materials and shaders, and the in-game state with a
// shipped board started and settled; Shot draws the frame and writes it as a PNG for a person to
// look at. Open skips the test when QV_* names no file to write or no display is there.
#include <cstdlib>
#include <string>

#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZTokenType.h"
#include "support/LookDisplay.h"

namespace divetest
{
class DiveLook : public qvtest::LookDisplay
{
protected:
    // The file named by the variable, or null (the caller skips).
    static const char* ShotFile(const char* variable) { return std::getenv(variable); }

    // Brings the engine up on a real display and starts the board (QV_DIVE_BOARD, else the given
    // one). False with the reason in `why` when no display can be had (the test skips), false
    // with a failure added when anything else does not come up.
    bool Open(const char* defaultBoard, std::string& why)
    {
        if (!OpenDisplay(why))
            return false;
        const char* boardName = std::getenv("QV_DIVE_BOARD") ? std::getenv("QV_DIVE_BOARD") : defaultBoard;
        dive = ZInGame::GetInstance();
        ZGame::GotoState(dive);
        for (int i = 0; i < 3; ++i)
            Frame(0.02);
        if (!dive->StartLevel(boardName, 1, -1))
        {
            ADD_FAILURE() << "board " << boardName << " does not start";
            why.clear();
            return false;
        }
        for (int i = 0; i < 150; ++i)
            Frame(0.02);
        board = ZBoard::GetInstance();
        return true;
    }

    void TearDown() override
    {
        if (!IsOpen())
            return;
        if (HasGame())
        {
            ZInGame::DestroyInstance();
            BeforeGameGoes();
            CloseGame();
        }
        ZBoardHints::DestroyInstance();
        ZCompletionBar::DestroyInstance();
        ZArtifactRegistry::DestroyInstance();
        ReleaseTokenTypeTextures();
        ZTile::releaseSharedVisuals();
        CloseDisplay();
    }

    // What a test made beside the dive goes here, after the in-game state and before the stack.
    virtual void BeforeGameGoes() {}

    ZInGame* dive = nullptr;
    ZBoard* board = nullptr;
};
} // namespace divetest
