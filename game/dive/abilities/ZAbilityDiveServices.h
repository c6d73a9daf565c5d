#pragma once
// The abilities' answers to what the board asks of the dive (the armed ability, its aim, its
// preview, its firing, the ability's swap, the fallback when no swap is left), given by the
// ability manager, and the board told when an ability was used. The manager installs it when it
// is made, unless another part installed its own dive services first; a part that adds the
// crew's and the treasure bar's answers derives from this class to keep these.
#include "game/dive/ZDiveServices.h"
#include "game/dive/abilities/ZAbilityManager.h"

class ZAbilityDiveServices : public IDiveServices, public IAbilityListener
{
public:
    bool HasArmedAbility() override;
    void DisarmAbility() override;
    bool TrySwapWithAbility(ZTile* target, ZTile* selected, std::vector<ZTile*>& changed) override;
    int GetArmedCategory() override;
    bool IsArmedPairAbility() override;
    const char* GetArmedKey() override;
    bool IsSilent() override;
    bool CanTargetArmed(ZTile* tile) override;
    void PreviewArmed(ZTile* hover, ZTile* selected, std::vector<ZTile*>& out) override;
    bool FireArmedAbility(ZTile* tile, ZTile* firstTarget, std::vector<ZTile*>& changed) override;
    bool FireFallbackAbility(std::vector<ZTile*>& changed) override;

    // IAbilityListener: the board plays the ability's sound (or the false move) and shakes.
    void OnAbilityUsed(bool success, ZAbility* ability) override;
};
