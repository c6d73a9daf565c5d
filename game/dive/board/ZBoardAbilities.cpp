// The board's side of the ice and of the board-wide abilities: the spreading clock with its
// warning and halts, the edge tiles' looks, breaking every chain, the tiles behind the artifacts.
#include "engine/core/ZFrameTimer.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/model/ZBoardEffects.h"
#include "game/dive/model/ZBoardGrid.h"

namespace
{
double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}
} // namespace

void ZBoard::spreadFreeze()
{
    if (m_grid)
        m_freeze.Spread(Now(), *m_grid);
}

int ZBoard::countFrozenTiles() const
{
    return m_grid ? boardeffects::CountFrozenTiles(*m_grid) : 0;
}

void ZBoard::highlightEdgeTiles(bool on, bool force)
{
    m_freeze.HighlightEdgeTiles(on, force, m_edgeTiles);
}

void ZBoard::showFreezeHalted(bool halted)
{
    m_freeze.ShowHalted(halted, m_edgeTiles);
}

void ZBoard::breakAllChains()
{
    if (!m_grid)
        return;
    std::vector<ZTile*> chains;
    boardeffects::ListChainsToBreak(*m_grid, chains);
    if (!chains.empty())
        removeBrokenTiles(chains, false);
}

void ZBoard::tilesBehindArtifacts(std::vector<ZTile*>& out) const
{
    if (m_grid)
        boardeffects::CollectTilesBehindArtifacts(*m_grid, out);
}
