// The air abilities.
#include "game/dive/abilities/ZAbilityAir.h"

#include "game/dive/abilities/IAbilityDive.h"

QV_REGISTER_ABILITY(ZAbilityNoAir);
QV_REGISTER_ABILITY(ZAbilityLessAir);
QV_REGISTER_ABILITY(ZAbilityLessAir2);
QV_REGISTER_ABILITY(ZAbilityAir);
QV_REGISTER_ABILITY(ZAbilityAir2);

bool ZAbilityAir::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)tile, (void)second, (void)out;
    GetAbilityDive()->AddAirTime(kSeconds);
    return true;
}

bool ZAbilityAir2::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)tile, (void)second, (void)out;
    GetAbilityDive()->AddAirTime(kSeconds);
    return true;
}

float ZAbilityNoAir::ModifyAirRate(float rate)
{
    (void)rate;
    return 0.0f;
}

void ZAbilityNoAir::StartEffect()
{
    GetAbilityDive()->SetAirWarnings(false);
}

void ZAbilityNoAir::EndEffect()
{
    GetAbilityDive()->SetAirWarnings(true);
}
