// The abilities' answers to the board.
#include "game/dive/abilities/ZAbilityDiveServices.h"

#include "game/dive/abilities/ZAbilityManager.h"

bool ZAbilityDiveServices::HasArmedAbility()
{
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    return manager && manager->HasArmedAbility();
}

void ZAbilityDiveServices::DisarmAbility()
{
    if (ZAbilityManager* manager = ZAbilityManager::PeekInstance())
        manager->DisarmAbility();
}

bool ZAbilityDiveServices::TrySwapWithAbility(ZTile* target, ZTile* selected, std::vector<ZTile*>& changed)
{
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    return manager && manager->TrySwapWithAbility(selected, target, changed);
}

bool ZAbilityDiveServices::FireFallbackAbility(std::vector<ZTile*>& changed)
{
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    return manager && manager->FireFallbackAbility(changed);
}
