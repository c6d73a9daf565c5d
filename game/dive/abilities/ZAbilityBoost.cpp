// The boosts and skipping the level.
#include "game/dive/abilities/ZAbilityBoost.h"

#include "game/dive/abilities/IAbilityDive.h"

QV_REGISTER_ABILITY(ZAbilityTreasureBoost);
QV_REGISTER_ABILITY(ZAbilityTreasureBoost2);
QV_REGISTER_ABILITY(ZAbilityRotateBoost);
QV_REGISTER_ABILITY(ZAbilityRotateBoost2);
QV_REGISTER_ABILITY(ZAbilitySkipLevel);

void ZAbilityRotateBoost::StartEffect()
{
    SetDuration(kSeconds);
    GetAbilityDive()->BeginRotationBoost(kCharge, kSpeed);
}

void ZAbilityRotateBoost::EndEffect()
{
    GetAbilityDive()->EndRotationBoost(kCharge, kSpeed);
}

void ZAbilityRotateBoost2::StartEffect()
{
    SetDuration(kSeconds);
    GetAbilityDive()->BeginRotationBoost(kCharge, kSpeed);
}

void ZAbilityRotateBoost2::EndEffect()
{
    GetAbilityDive()->EndRotationBoost(kCharge, kSpeed);
}

bool ZAbilitySkipLevel::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)tile, (void)second, (void)out;
    GetAbilityDive()->SkipLevel();
    return true;
}
