// Board-wide tile choices: freeze spread, chains, artifacts' trails, token types, random breaks.
#include "game/dive/model/ZBoardEffects.h"

#include <algorithm>
#include <utility>

#include "engine/core/ZRandom.h"
#include "game/dive/model/ZBoardGrid.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

namespace boardeffects
{
namespace
{
bool HoldsArtifact(const ZTile* tile)
{
    const ZToken* token = tile ? tile->getToken() : nullptr;
    return token && (token->getType() == kArtifactTokenType || token->getArtifact());
}

bool Contains(const ZTileList& list, const ZTile* tile)
{
    return std::find(list.begin(), list.end(), tile) != list.end();
}
} // namespace

bool CanFreeze(const ZTile* tile)
{
    if (!tile || tile->getState() == kTilePopping)
        return false;
    const int32_t kind = tile->getKind();
    if (kind == kTileBlock || kind == kTileChain || kind == kTileDoubleChain || kind == kTileFreeze)
        return false;
    return tile->isMatchable() && !HoldsArtifact(tile);
}

void ChooseFreezeSpread(const ZBoardGrid& grid, ZTileList& chosen)
{
    ZTileList tiles;
    grid.collectTiles(tiles);
    int frozenMet = 0;
    int spreads = 0;
    for (ZTile* frozen : tiles)
    {
        if (frozen->getKind() != kTileFreeze)
            continue;
        ++frozenMet;
        ZTileList around;
        CollectNeighbours3x3(frozen, around);
        for (size_t i = around.size(); i > 1; --i)
            std::swap(around[i - 1], around[RandomNext() % i]);
        while (!around.empty())
        {
            ZTile* candidate = around.back();
            around.pop_back();
            // A tile two frozen tiles share freezes once, and counts once.
            if (!boardeffects::CanFreeze(candidate) || Contains(chosen, candidate))
                continue;
            chosen.push_back(candidate);
            ++frozenMet;
            ++spreads;
            break;
        }
        if (spreads >= kMaxSpreads || frozenMet > kMaxFrozenMet)
            break;
    }
}

void CollectArea5x5(ZTile* tile, ZTileList& out)
{
    if (!tile)
        return;
    // The row through the tile, two each way, then two up and two down from each of them.
    ZTileList row{tile};
    for (int32_t side : {kDirLeft, kDirRight})
    {
        ZTile* t = tile;
        for (int step = 0; step < 2 && t; ++step)
            if ((t = t->getLink(side)))
                row.push_back(t);
    }
    for (ZTile* centre : row)
    {
        ZTileList column{centre};
        for (int32_t side : {kDirUp, kDirDown})
        {
            ZTile* t = centre;
            for (int step = 0; step < 2 && t; ++step)
                if ((t = t->getLink(side)))
                    column.push_back(t);
        }
        for (ZTile* t : column)
            if (t->getState() == kTileIdle && !Contains(out, t))
                out.push_back(t);
    }
}

void CollectTilesBehindArtifacts(const ZBoardGrid& grid, ZTileList& out)
{
    const int32_t width = grid.getWidth();
    const int32_t height = grid.getHeight();
    const int32_t q = ((grid.getRotation() % 4) + 4) % 4;
    // Columns for orientations 0 and 2, rows for 1 and 3; 2 and 3 walk from the far end.
    const bool byColumn = q == 0 || q == 2;
    const bool reversed = q == 2 || q == 3;
    const int32_t lines = byColumn ? width : height;
    const int32_t length = byColumn ? height : width;
    for (int32_t line = 0; line < lines; ++line)
    {
        bool behind = false;
        for (int32_t i = 0; i < length; ++i)
        {
            const int32_t step = reversed ? length - 1 - i : i;
            ZTile* tile = byColumn ? grid.tileAt(line, step) : grid.tileAt(step, line);
            if (!tile)
                continue;
            if (!behind)
            {
                behind = HoldsArtifact(tile);
                continue;
            }
            if (tile->isMatchable())
                out.push_back(tile);
        }
    }
}

void CollectTokensOfType(const ZBoardGrid& grid, int32_t type, ZTileList& out)
{
    ZTileList tiles;
    grid.collectTiles(tiles);
    for (ZTile* tile : tiles)
        if (tile->isMatchable() && tile->getToken()->getType() == type)
            out.push_back(tile);
}

void ChooseRandomBreak(const ZBoardGrid& grid, bool allWhenFew, ZTileList& out)
{
    ZTileList tiles;
    grid.collectTiles(tiles);
    ZTileList candidates;
    for (ZTile* tile : tiles)
        if (tile->isMatchable() && !HoldsArtifact(tile))
            candidates.push_back(tile);
    if (int32_t(candidates.size()) <= kRandomBreakCount)
    {
        if (allWhenFew)
            out.insert(out.end(), candidates.begin(), candidates.end());
        return;
    }
    for (int taken = 0; taken < kRandomBreakCount; ++taken)
    {
        const size_t pick = size_t(RandomNext() >> 1) % candidates.size();
        out.push_back(candidates[pick]);
        candidates.erase(candidates.begin() + std::ptrdiff_t(pick));
    }
}
} // namespace boardeffects
