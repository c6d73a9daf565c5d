#pragma once
// The free swaps: the player picks a first tile, then a second, and the two tokens change places
// whether or not the swap makes a match. The plain swap takes a straight neighbour, the wide swap
// any of the eight neighbours, the long swap a tile up to two steps away.
#include "game/dive/abilities/ZAbility.h"

class ZAbilitySwap : public ZAbility
{
    QV_ABILITY(ZAbilitySwap, 3, "swap", kAimed, 0)
public:
    bool IsPairAbility() const override { return true; }
    bool AcceptsPair(ZTile* first, ZTile* second) override;
    bool CanTarget(ZTile* tile) override;
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* first, ZTile* second, ZTileList& out) override;

    // Chained, double-chained, frozen, block or popping tiles never swap.
    static bool IsUnswappable(const ZTile* tile);
    static bool IsCandidate(const ZTile* tile);
};

class ZAbilitySwap2 : public ZAbility
{
    QV_ABILITY(ZAbilitySwap2, 4, "swap2", kAimed, 0)
public:
    bool IsPairAbility() const override { return true; }
    bool AcceptsPair(ZTile* first, ZTile* second) override;
    bool CanTarget(ZTile* tile) override;
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* first, ZTile* second, ZTileList& out) override;
};

class ZAbilitySwap3 : public ZAbility
{
    QV_ABILITY(ZAbilitySwap3, 5, "swap3", kAimed, 0)
public:
    bool IsPairAbility() const override { return true; }
    bool AcceptsPair(ZTile* first, ZTile* second) override;
    bool CanTarget(ZTile* tile) override;
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* first, ZTile* second, ZTileList& out) override;

    // The tiles reachable from the tile in at most two steps through usable neighbours.
    static void CollectTwoSteps(ZTile* tile, ZTileList& out);
};
