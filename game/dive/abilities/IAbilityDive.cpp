// The default dive of the abilities: the board's part goes to the board, the air and the end of
// the dive to the in-game state, when they exist.
#include "game/dive/abilities/IAbilityDive.h"

#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZFrameTimer.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"

namespace
{
IAbilityDive g_defaultDive;
IAbilityDive* g_dive = nullptr;
} // namespace

void IAbilityDive::AddAirTime(float seconds)
{
    ZInGame* dive = ZInGame::PeekInstance();
    if (ZProgressBarTimer* air = dive ? dive->GetAirTimer() : nullptr)
        air->AddTime(seconds);
}

void IAbilityDive::SkipLevel()
{
    if (ZInGame* dive = ZInGame::PeekInstance())
        dive->BeginEndDive();
}

void IAbilityDive::HighlightBoardEdges(bool on, bool force)
{
    if (ZBoard* board = ZBoard::PeekInstance())
        board->highlightEdgeTiles(on, force);
}

void IAbilityDive::ClearBoardPreview()
{
    if (ZBoard* board = ZBoard::PeekInstance())
        board->clearPreview();
}

ZBoardGrid* IAbilityDive::GetBoardGrid()
{
    ZBoard* board = ZBoard::PeekInstance();
    return board ? &board->grid() : nullptr;
}

void IAbilityDive::BreakAllChains()
{
    if (ZBoard* board = ZBoard::PeekInstance())
        board->breakAllChains();
}

bool IAbilityDive::IsFreezeHalted()
{
    ZBoard* board = ZBoard::PeekInstance();
    return board && board->freeze().IsHalted();
}

void IAbilityDive::BeginFreezeHalt()
{
    if (ZBoard* board = ZBoard::PeekInstance())
        board->freeze().BeginHalt(board->edgeTiles());
}

void IAbilityDive::EndFreezeHalt()
{
    if (ZBoard* board = ZBoard::PeekInstance())
        board->freeze().EndHalt(g_frameTimer ? g_frameTimer->now : 0.0, board->edgeTiles());
}

IAbilityDive* GetAbilityDive()
{
    return g_dive ? g_dive : &g_defaultDive;
}

void SetAbilityDive(IAbilityDive* dive)
{
    g_dive = dive;
}
