// The abilities' answers to the board.
#include "game/dive/abilities/ZAbilityDiveServices.h"

#include "game/dive/board/ZBoard.h"

namespace
{
ZAbility* Armed()
{
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    return manager ? manager->GetArmedAbility() : nullptr;
}
} // namespace

bool ZAbilityDiveServices::HasArmedAbility()
{
    return Armed() != nullptr;
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

int ZAbilityDiveServices::GetArmedCategory()
{
    ZAbility* ability = Armed();
    return ability ? ability->GetCategory() : -1;
}

bool ZAbilityDiveServices::IsArmedPairAbility()
{
    ZAbility* ability = Armed();
    return ability && ability->IsPairAbility();
}

const char* ZAbilityDiveServices::GetArmedKey()
{
    ZAbility* ability = Armed();
    return ability ? ability->GetName() : nullptr;
}

bool ZAbilityDiveServices::IsSilent()
{
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    return manager && manager->IsSilent();
}

bool ZAbilityDiveServices::CanTargetArmed(ZTile* tile)
{
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    return manager && manager->SelectTarget(tile);
}

void ZAbilityDiveServices::PreviewArmed(ZTile* hover, ZTile* selected, std::vector<ZTile*>& out)
{
    ZAbility* ability = Armed();
    if (!ability || !hover)
        return;
    // A pair ability previews around its first tile once that is chosen.
    if (ability->IsPairAbility() && selected)
        ability->Preview(selected, hover, out);
    else
        ability->Preview(hover, nullptr, out);
}

bool ZAbilityDiveServices::FireArmedAbility(ZTile* tile, ZTile* firstTarget, std::vector<ZTile*>& changed)
{
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    ZAbility* ability = Armed();
    if (!manager || !ability)
        return false;
    if (ability->IsPairAbility())
        return firstTarget && manager->TrySwapWithAbility(firstTarget, tile, changed);
    // An aimed ability asks whether it takes the tile; a refused tile disarms it.
    if (ability->GetCategory() == ZAbility::kAimed && (!tile || !manager->SelectTarget(tile)))
        return false;
    return manager->fireArmedAbility(tile, nullptr, changed);
}

bool ZAbilityDiveServices::FireFallbackAbility(std::vector<ZTile*>& changed)
{
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    return manager && manager->FireFallbackAbility(changed);
}

void ZAbilityDiveServices::OnAbilityUsed(bool success, ZAbility* ability)
{
    if (ZBoard* board = ZBoard::PeekInstance())
        board->OnAbilityUsed(success, ability ? ability->GetId() : -1, ability ? ability->GetSound() : nullptr);
}
