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
    // The armed ability's category (0 board-wide, 1 rotate, 2 tile, ...; -1 with none armed),
    // whether it takes a pair of tiles, and its item key ("breaktile", ...) for its price text.
    virtual int GetArmedCategory() { return -1; }
    virtual bool IsArmedPairAbility() { return false; }
    virtual const char* GetArmedKey() { return nullptr; }
    // The manager's "silent" flag: a release on the board aims the armed ability.
    virtual bool IsSilent() { return false; }
    // Whether the armed pair ability accepts the tile as its first target.
    virtual bool CanTargetArmed(ZTile* tile)
    {
        (void)tile;
        return true;
    }
    // The tiles the armed ability would hit from the hover tile (with the selected tile).
    virtual void PreviewArmed(ZTile* hover, ZTile* selected, std::vector<ZTile*>& out)
    {
        (void)hover, (void)selected, (void)out;
    }
    // Fires the armed ability at the tile (null: no tile), with a first target for pair
    // abilities; true on success, with the tiles it changed in `changed`.
    virtual bool FireArmedAbility(ZTile* tile, ZTile* firstTarget, std::vector<ZTile*>& changed)
    {
        (void)tile, (void)firstTarget, (void)changed;
        return false;
    }
    // The current crew member gains experience, shown at the point.
    virtual void AddCrewExperience(int experience, const V3& at) { (void)experience, (void)at; }

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
    // The current crew member's air factor (1.0 without a crew): the dive's air is divided by it.
    virtual float GetCrewAirFactor() { return 1.0f; }

    // The treasure bar pays `amount` with a flight from `from`; false without a treasure bar.
    virtual bool PayTreasure(int amount, const V3& from, ZTextureResource* texture);
    // Whether the HUD shows a score board.
    virtual bool HasScoreBoard();
};

IDiveServices* GetDiveServices();
// Null restores the default. Not owned.
void SetDiveServices(IDiveServices* services);
