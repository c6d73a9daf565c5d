#pragma once
// The abilities against the ice: breaking it around a tile, and halting its spread for a minute or
// for the rest of the dive.
#include "game/dive/abilities/ZAbility.h"

// Breaks the ice on the tile and on its usable neighbours.
class ZAbilityBreakFreeze : public ZAbility
{
    QV_ABILITY(ZAbilityBreakFreeze, 23, "breakfreeze", kAimed, 0)
public:
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};

// The ice stops spreading for 60 seconds.
class ZAbilityHaltFreeze : public ZAbility
{
    QV_ABILITY(ZAbilityHaltFreeze, 21, "haltfreeze", kBoardWide, kHaltsFreeze)
public:
    static constexpr float kSeconds = 60.0f;
    bool IsOneShot() const override { return false; }
    bool IsTimed() const override { return true; }
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
    void StartEffect() override;
    void EndEffect() override;
};

// The ice stops spreading until the dive ends.
class ZAbilityHaltFreeze2 : public ZAbility
{
    QV_ABILITY(ZAbilityHaltFreeze2, 22, "haltfreeze2", kBoardWide, kHaltsFreeze)
public:
    bool IsOneShot() const override { return false; }
    void StartEffect() override;
    void EndEffect() override;
};
