#pragma once
// The board-wide decisions of the freeze and of the abilities that act on the whole board, as
// free functions over the grid: which tiles the ice spreads to, which tiles hold chains, which
// lie behind the artifacts, which tokens share a type, which tiles a random break takes, and the
// tile neighbourhoods the area breaks use. They only choose tiles; the board breaks them or
// changes their kind.
#include <cstdint>

#include "game/dive/model/ZBoardRules.h"
#include "game/dive/model/ZTile.h"

class ZBoardGrid;

namespace boardeffects
{
// At most this many tiles freeze in one spread, and the walk gives up after meeting more than
// this many frozen tiles.
inline constexpr int kMaxSpreads = 2;
inline constexpr int kMaxFrozenMet = 40;
// A random break takes this many tiles when more qualify.
inline constexpr int kRandomBreakCount = 20;

// A tile the ice may take: not popping, a kind that holds a plain token (not 1, 4, 5 or 6),
// matchable, its token no artifact.
bool CanFreeze(const ZTile* tile);
// The tiles of kind 6 on the grid.
using ::CountFrozenTiles;
// The tiles one spread freezes (at most two, each once): the grid is walked row by row and every
// frozen tile tries its eight neighbours in a random order (the engine's generator).
void ChooseFreezeSpread(const ZBoardGrid& grid, ZTileList& chosen);

// The eight neighbours, skipping frozen tiles and tiles with a token on its way in.
using ::CollectNeighbours3x3;
// The tiles of state 0 within two steps across and two steps along the links (the tile too).
void CollectArea5x5(ZTile* tile, ZTileList& out);
// Every matchable chain tile once and every matchable double chain twice, in grid order.
inline void ListChainsToBreak(const ZBoardGrid& grid, ZTileList& out)
{
    ::CollectChainBreaks(grid, out);
}
// Along each line of the grid in its fall direction, every matchable tile after the first tile
// whose token carries an artifact (that tile itself not), by the grid's orientation.
void CollectTilesBehindArtifacts(const ZBoardGrid& grid, ZTileList& out);
// Every matchable tile whose token is of the type, in grid order.
void CollectTokensOfType(const ZBoardGrid& grid, int32_t type, ZTileList& out);
// Every matchable tile whose token is no artifact; with more than twenty, twenty of them at
// random. With twenty or fewer: none, or all of them when `allWhenFew` (the board's fallback when
// no swap is left, which must change the board).
void ChooseRandomBreak(const ZBoardGrid& grid, bool allWhenFew, ZTileList& out);
} // namespace boardeffects
