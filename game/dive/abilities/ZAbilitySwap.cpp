// The free swaps.
#include "game/dive/abilities/ZAbilitySwap.h"

#include <algorithm>

#include "game/common/IGameShell.h"
#include "game/dive/model/ZTile.h"

QV_REGISTER_ABILITY(ZAbilitySwap);
QV_REGISTER_ABILITY(ZAbilitySwap2);
QV_REGISTER_ABILITY(ZAbilitySwap3);

namespace
{
bool Contains(const ZTileList& list, const ZTile* tile)
{
    return std::find(list.begin(), list.end(), tile) != list.end();
}

bool IsLinked(const ZTile* from, const ZTile* to, int32_t firstDirection, int32_t lastDirection)
{
    for (int32_t d = firstDirection; d <= lastDirection; ++d)
        if (from->getLink(d) == to)
            return true;
    return false;
}

// A usable neighbour: a settled token, not blocked, nothing on its way in.
void CollectUsable(const ZTile* tile, ZTileList& out)
{
    for (int32_t d = 0; d < kDirCount; ++d)
    {
        ZTile* link = tile->getLink(d);
        if (link && link->isMatchable() && !Contains(out, link))
            out.push_back(link);
    }
}

bool PairOk(ZTile* first, ZTile* second)
{
    return first && second && first != second && !ZAbilitySwap::IsUnswappable(first) &&
        !ZAbilitySwap::IsUnswappable(second);
}
} // namespace

bool ZAbilitySwap::IsUnswappable(const ZTile* tile)
{
    if (!tile || tile->getState() == kTilePopping)
        return true;
    const int32_t kind = tile->getKind();
    return kind == kTileBlock || kind == kTileChain || kind == kTileDoubleChain || kind == kTileFreeze;
}

bool ZAbilitySwap::IsCandidate(const ZTile* tile)
{
    return tile && !IsUnswappable(tile) && tile->getToken();
}

bool ZAbilitySwap::AcceptsPair(ZTile* first, ZTile* second)
{
    (void)first, (void)second;
    return true;
}

bool ZAbilitySwap::CanTarget(ZTile* tile)
{
    return !IsUnswappable(tile);
}

void ZAbilitySwap::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    ZTile* centre = second ? second : tile;
    if (!centre)
        return;
    out.push_back(centre);
    for (int32_t d : {kDirLeft, kDirUp, kDirRight, kDirDown})
    {
        ZTile* link = centre->getLink(d);
        if (IsCandidate(link))
            out.push_back(link);
    }
}

bool ZAbilitySwap::Apply(ZTile* first, ZTile* second, ZTileList& out)
{
    (void)out;
    if (!PairOk(first, second) || !IsLinked(first, second, kDirUp, kDirLeft))
        return false;
    V3 a, b;
    first->LocalToWorld(a);
    second->LocalToWorld(b);
    GetGameShell()->SpawnParticleEffect("power_particle_jelly",
                                        V3{a.x + 0.5f * (b.x - a.x), a.y + 0.5f * (b.y - a.y), -60.0f});
    return true;
}

bool ZAbilitySwap2::AcceptsPair(ZTile* first, ZTile* second)
{
    (void)first, (void)second;
    return true;
}

bool ZAbilitySwap2::CanTarget(ZTile* tile)
{
    return !ZAbilitySwap::IsUnswappable(tile);
}

void ZAbilitySwap2::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    ZTile* centre = second ? second : tile;
    if (!centre)
        return;
    ZTileList around{centre};
    CollectUsable(centre, around);
    for (ZTile* t : around)
        if (ZAbilitySwap::IsCandidate(t))
            out.push_back(t);
}

bool ZAbilitySwap2::Apply(ZTile* first, ZTile* second, ZTileList& out)
{
    (void)out;
    return PairOk(first, second) && IsLinked(first, second, 0, kDirCount - 1);
}

void ZAbilitySwap3::CollectTwoSteps(ZTile* tile, ZTileList& out)
{
    if (!tile)
        return;
    ZTileList first;
    CollectUsable(tile, first);
    for (ZTile* neighbour : first)
    {
        if (!Contains(out, neighbour))
            out.push_back(neighbour);
        CollectUsable(neighbour, out);
    }
}

bool ZAbilitySwap3::AcceptsPair(ZTile* first, ZTile* second)
{
    (void)first, (void)second;
    return true;
}

bool ZAbilitySwap3::CanTarget(ZTile* tile)
{
    return !ZAbilitySwap::IsUnswappable(tile);
}

void ZAbilitySwap3::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    ZTile* centre = second ? second : tile;
    if (!centre)
        return;
    ZTileList reach{centre};
    CollectTwoSteps(centre, reach);
    for (ZTile* t : reach)
        if (ZAbilitySwap::IsCandidate(t))
            out.push_back(t);
}

bool ZAbilitySwap3::Apply(ZTile* first, ZTile* second, ZTileList& out)
{
    (void)out;
    if (!PairOk(first, second))
        return false;
    ZTileList reach;
    CollectTwoSteps(first, reach);
    return Contains(reach, second);
}
