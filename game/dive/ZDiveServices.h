#pragma once
// What the board asks of the dive's other parts that are not built with it: the armed ability
// (which takes a click or a swap before the board does), the crew (charged by creature pops,
// rewarded for ability use) and the treasure bar (paid by treasure pops). The default answers as
// a dive without abilities, crew or treasure bar does; the parts install themselves when they
// exist. Never null.
#include <vector>

#include "engine/core/ZVector.h"

class ZTextureResource;
class ZTile;

class IDiveServices
{
public:
    virtual ~IDiveServices() = default;

    // The armed ability, as the board's input sees it.
    virtual bool HasArmedAbility() { return false; }
    virtual void DisarmAbility() {}
    // The armed ability may take a swap of the two tiles; true when it did, with the tiles it
    // changed in `changed`.
    virtual bool TrySwapWithAbility(ZTile* target, ZTile* selected, std::vector<ZTile*>& changed)
    {
        (void)target, (void)selected, (void)changed;
        return false;
    }
    // With no swap left on the board: the fallback ability breaks some tiles; false when none.
    virtual bool FireFallbackAbility(std::vector<ZTile*>& changed)
    {
        (void)changed;
        return false;
    }

    // The current crew member takes a charge of the colour group from a creature pop at `from`;
    // false when there is no crew member or the member has no slot for it.
    virtual bool ChargeCrew(int colourGroup, float value, int count, const V3& from)
    {
        (void)colourGroup, (void)value, (void)count, (void)from;
        return false;
    }
    // The current crew member's treasure factor (1.0 without a crew).
    virtual float GetTreasureFactor() { return 1.0f; }

    // The treasure bar pays `amount` with a flight from `from`; false without a treasure bar.
    virtual bool PayTreasure(int amount, const V3& from, ZTextureResource* texture)
    {
        (void)amount, (void)from, (void)texture;
        return false;
    }
    virtual bool HasScoreBoard() { return false; }
};

IDiveServices* GetDiveServices();
// Null restores the default. Not owned.
void SetDiveServices(IDiveServices* services);
