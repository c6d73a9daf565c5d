// The board's pure decisions: match search, drag step, pop numbers, artifact candidates, freeze
// choice and medals.
#include "game/dive/model/ZBoardRules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/core/ZRandom.h"
#include "game/dive/model/ZBoardGrid.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
bool Contains(const ZTileList& list, const ZTile* tile)
{
    return std::find(list.begin(), list.end(), tile) != list.end();
}

// The line through the tile along one axis (two directions), with the tile, without the tiles
// already in `visited` or `group`; empty when no line of three stands there.
ZTileList LineThrough(ZTile* tile, ZToken* reference, int32_t first, int32_t second, const ZTileList& visited,
                      const ZTileList& group)
{
    ZTileList line;
    tile->collectRun(reference, first, line);
    tile->collectRun(reference, second, line);
    if (line.size() < 2)
        return {};
    line.push_back(tile);
    std::erase_if(line, [&](ZTile* t) { return Contains(visited, t) || Contains(group, t); });
    return line;
}
} // namespace

void CollectMatchGroup(ZTile* tile, ZTileList& visited, ZTileList& group)
{
    if (!tile || Contains(visited, tile))
        return;
    ZToken* reference = tile->getToken();
    ZTileList vertical;
    ZTileList horizontal;
    if (reference && tile->isMatchable())
    {
        vertical = LineThrough(tile, reference, kDirUp, kDirDown, visited, group);
        group.insert(group.end(), vertical.begin(), vertical.end());
        horizontal = LineThrough(tile, reference, kDirLeft, kDirRight, visited, group);
        group.insert(group.end(), horizontal.begin(), horizontal.end());
    }
    visited.push_back(tile);
    if (vertical.size() >= 2)
    {
        for (ZTile* t : vertical)
            CollectMatchGroup(t, visited, group);
    }
    if (horizontal.size() >= 2)
    {
        for (ZTile* t : horizontal)
            CollectMatchGroup(t, visited, group);
    }
}

void FindMatches(const ZTileList& startTiles, ZTileList& out)
{
    for (ZTile* start : startTiles)
    {
        ZTileList visited;
        ZTileList group;
        CollectMatchGroup(start, visited, group);
        for (ZTile* tile : group)
        {
            if (!Contains(out, tile))
                out.push_back(tile);
        }
    }
}

int32_t RefillSources(const ZTile* tile, ZTile* out[5])
{
    if (!tile || !out)
        return 0;
    int32_t count = 0;
    if (ZTile* up = tile->getLink(kDirUp))
        out[count++] = up;
    for (int32_t d : {kDirUpLeft, kDirUpRight})
    {
        ZTile* source = tile->getLink(d);
        if (source && !source->isSettledArtifact())
            out[count++] = source;
    }
    for (int32_t d : {kDirUpLeft, kDirUpRight})
    {
        if (ZTile* source = tile->getLink(d))
            out[count++] = source;
    }
    return count;
}

bool DragStep(float dx, float dy, int32_t orientation, int32_t& stepColumn, int32_t& stepRow)
{
    stepColumn = stepRow = 0;
    const float ax = std::fabs(dx);
    const float ay = std::fabs(dy);
    if (std::sqrt(ax * ax + ay * ay) <= kDragThreshold)
        return false;
    int32_t x = 0;
    int32_t y = 0;
    if (ax > 1.5f * ay)
        x = dx > 0.0f ? 1 : -1;
    else if (ay > 1.5f * ax)
        y = dy < 0.0f ? 1 : -1;
    else
    {
        x = dx > 0.0f ? 1 : -1;
        y = dy < 0.0f ? 1 : -1;
    }
    switch (((orientation % 4) + 4) % 4)
    {
    case 1:
        stepColumn = y;
        stepRow = -x;
        break;
    case 2:
        stepColumn = -x;
        stepRow = -y;
        break;
    case 3:
        stepColumn = -y;
        stepRow = x;
        break;
    default:
        stepColumn = x;
        stepRow = y;
        break;
    }
    return true;
}

float PopDelay(int32_t tiles, float delayFactor)
{
    if (tiles > 3)
        return 0.18f + (float(tiles) / 3.0f) * delayFactor * 0.18f;
    return 0.18f;
}

float PopPan(float centreX)
{
    return std::clamp(centreX / 400.0f, -1.0f, 1.0f);
}

int32_t PopSoundVariant(uint32_t draw, int32_t variants)
{
    if (variants <= 0)
        return -1;
    return int32_t(draw % uint32_t(variants));
}

int32_t TreasureLineAmount(int32_t tiles, float value, float crewFactor)
{
    return int32_t(float(std::max(tiles - 2, 1)) * value * crewFactor);
}

int32_t TreasureBrokenAmount(int32_t count, float value, float crewFactor)
{
    return int32_t(float(count) * float(int32_t(value)) * crewFactor);
}

int32_t AbilityExperience(int32_t price, bool priced)
{
    if (!priced)
        return 0;
    const float steps = std::ceil(float(price) / 400.0f / 5.0f) * 5.0f;
    return std::clamp(int32_t(steps), 5, 25);
}

bool CanPlaceArtifact(const ZTile* tile)
{
    if (!tile || !tile->isSwappable() || tile->getState() == kTilePopping)
        return false;
    return tile->getToken()->getType() != kArtifactTokenType;
}

void OrderArtifactCandidates(const ZTileList& spawnPoints, const ZTileList& exitTiles, ZTileList& out)
{
    struct Candidate
    {
        ZTile* tile;
        int32_t distance;
    };
    std::vector<Candidate> candidates;
    for (ZTile* spawn : spawnPoints)
    {
        if (!spawn || (spawn->isExitTile() && spawn->isExitLit()))
            continue;
        int32_t distance = 0;
        const ZTile* nearest = nullptr;
        for (const ZTile* exit : exitTiles)
        {
            const int32_t d = std::abs(exit->getGridColumn() - spawn->getGridColumn()) +
                std::abs(exit->getGridRow() - spawn->getGridRow());
            if (!nearest || d < distance)
            {
                nearest = exit;
                distance = d;
            }
        }
        // Without exits every spawn point counts as equally far.
        if (nearest && nearest->isExitLit())
            distance -= 10;
        ZTileList around;
        spawn->collectTwoRing(around);
        const bool crowded = std::any_of(around.begin(), around.end(), [](const ZTile* t)
                                         { return t->isMatchable() && t->getToken()->getType() == kArtifactTokenType; });
        if (!crowded)
            candidates.push_back({spawn, distance});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.distance > b.distance; });
    for (const Candidate& c : candidates)
        out.push_back(c.tile);
}

void CollectNeighbours3x3(const ZTile* tile, ZTileList& out)
{
    if (!tile)
        return;
    for (int32_t d = 0; d < kDirCount; ++d)
    {
        ZTile* neighbour = tile->getLink(d);
        if (!neighbour || neighbour->getKind() == kTileFreeze || neighbour->getIncomingToken())
            continue;
        out.push_back(neighbour);
    }
}

bool CanFreeze(const ZTile* tile)
{
    if (!tile || tile->getState() == kTilePopping || tile->holdsToken() || !tile->isMatchable())
        return false;
    return tile->getToken()->getType() != kArtifactTokenType;
}

void ChooseFreezeTargets(const ZBoardGrid& grid, ZTileList& out)
{
    int32_t frozenMet = 0;
    int32_t spreads = 0;
    for (int32_t row = 0; row < grid.getHeight(); ++row)
    {
        for (int32_t column = 0; column < grid.getWidth(); ++column)
        {
            ZTile* tile = grid.tileAt(column, row);
            if (!tile || tile->getKind() != kTileFreeze)
                continue;
            ++frozenMet;
            ZTileList neighbours;
            CollectNeighbours3x3(tile, neighbours);
            // Fisher-Yates over the game's generator.
            for (size_t i = neighbours.size(); i > 1; --i)
                std::swap(neighbours[i - 1], neighbours[RandomNext() % i]);
            while (!neighbours.empty())
            {
                ZTile* candidate = neighbours.back();
                neighbours.pop_back();
                if (CanFreeze(candidate) && std::find(out.begin(), out.end(), candidate) == out.end())
                {
                    out.push_back(candidate);
                    ++frozenMet;
                    ++spreads;
                    break;
                }
            }
            if (spreads >= 2 || frozenMet > 40)
                return;
        }
    }
}

int32_t CountFrozenTiles(const ZBoardGrid& grid)
{
    int32_t count = 0;
    ZTileList tiles;
    grid.collectTiles(tiles);
    for (const ZTile* tile : tiles)
        count += tile->getKind() == kTileFreeze ? 1 : 0;
    return count;
}

void CollectChainBreaks(const ZBoardGrid& grid, ZTileList& out)
{
    ZTileList tiles;
    grid.collectTiles(tiles);
    for (ZTile* tile : tiles)
    {
        if (!tile->isMatchable())
            continue;
        if (tile->getKind() == kTileChain)
            out.push_back(tile);
        else if (tile->getKind() == kTileDoubleChain)
        {
            out.push_back(tile);
            out.push_back(tile);
        }
    }
}

void CollectTilesBehindArtifacts(const ZBoardGrid& grid, int32_t orientation, ZTileList& out)
{
    const int32_t q = ((orientation % 4) + 4) % 4;
    const bool byColumn = q == 0 || q == 2;
    const int32_t lines = byColumn ? grid.getWidth() : grid.getHeight();
    const int32_t length = byColumn ? grid.getHeight() : grid.getWidth();
    const bool reverse = q == 2 || q == 3;
    for (int32_t line = 0; line < lines; ++line)
    {
        bool behind = false;
        for (int32_t i = 0; i < length; ++i)
        {
            const int32_t step = reverse ? length - 1 - i : i;
            ZTile* tile = byColumn ? grid.tileAt(line, step) : grid.tileAt(step, line);
            if (!tile)
                continue;
            if (behind)
            {
                if (tile->isMatchable())
                    out.push_back(tile);
            }
            else if (tile->getToken() && tile->getToken()->getArtifact())
                behind = true;
        }
    }
}

int32_t MedalLevel(int32_t count, const int32_t thresholds[4])
{
    if (count <= 0 || !thresholds)
        return -1;
    for (int32_t medal = 3; medal >= 0; --medal)
    {
        if (count >= thresholds[medal])
            return medal;
    }
    return -1;
}
