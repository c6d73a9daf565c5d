// The abilities against the ice.
#include "game/dive/abilities/ZAbilityFreeze.h"

#include "game/dive/abilities/IAbilityDive.h"
#include "game/dive/model/ZTile.h"

QV_REGISTER_ABILITY(ZAbilityBreakFreeze);
QV_REGISTER_ABILITY(ZAbilityHaltFreeze);
QV_REGISTER_ABILITY(ZAbilityHaltFreeze2);

void ZAbilityBreakFreeze::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    if (!tile)
        return;
    tile->collectSettledNeighbours(out);
    out.push_back(tile);
}

bool ZAbilityBreakFreeze::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    if (!tile)
        return false;
    ZTileList around;
    tile->collectSettledNeighbours(around);
    const size_t before = out.size();
    for (ZTile* t : around)
        if (t->getKind() == kTileFreeze)
            out.push_back(t);
    if (tile->getKind() == kTileFreeze)
        out.push_back(tile);
    return out.size() > before;
}

bool ZAbilityHaltFreeze::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)tile, (void)second, (void)out;
    return !GetAbilityDive()->IsFreezeHalted();
}

void ZAbilityHaltFreeze::StartEffect()
{
    SetDuration(kSeconds);
    GetAbilityDive()->BeginFreezeHalt();
}

void ZAbilityHaltFreeze::EndEffect()
{
    GetAbilityDive()->EndFreezeHalt();
}

void ZAbilityHaltFreeze2::StartEffect()
{
    GetAbilityDive()->BeginFreezeHalt();
}

void ZAbilityHaltFreeze2::EndEffect()
{
    GetAbilityDive()->EndFreezeHalt();
}
