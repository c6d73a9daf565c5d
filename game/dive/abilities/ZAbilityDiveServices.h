#pragma once
// The abilities' answers to what the board asks of the dive (the armed ability, the ability's
// swap, the fallback when no swap is left), given by the ability manager. The manager installs it
// when it is made, unless another part installed its own dive services first; a part that adds
// the crew's and the treasure bar's answers derives from this class to keep these.
#include "game/dive/ZDiveServices.h"

class ZAbilityDiveServices : public IDiveServices
{
public:
    bool HasArmedAbility() override;
    void DisarmAbility() override;
    bool TrySwapWithAbility(ZTile* target, ZTile* selected, std::vector<ZTile*>& changed) override;
    bool FireFallbackAbility(std::vector<ZTile*>& changed) override;
};
