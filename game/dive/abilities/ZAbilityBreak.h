#pragma once
// The breaking abilities: aimed at a tile, they list the tiles the board must break (one tile, a
// pair, a row, a column, the diagonals, an area, the chains around, every token of a kind, the
// tiles behind the artifacts, twenty at random), or break every chain on the board at once.
#include "game/dive/abilities/ZAbility.h"

class ZSound;

// Breaks one tile; not a tile holding an artifact.
class ZAbilityBreakTile : public ZAbility
{
    QV_ABILITY(ZAbilityBreakTile, 0, "breaktile", kAimed, 0)
public:
    ZSound* GetSound() override;
    bool Reset() override;
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
    // The last apply hit a chain or a treasure: the hard sound.
    bool IsMetal() const { return m_metal; }

private:
    bool m_metal = false;
};

// Breaks a tile and the tile below it, artifacts too.
class ZAbilityBreakTile2 : public ZAbility
{
    QV_ABILITY(ZAbilityBreakTile2, 1, "breaktile2", kAimed, 0)
public:
    ZSound* GetSound() override;
    bool Reset() override;
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool IsMetal() const { return m_metal; }

private:
    bool m_metal = false;
};

// The tile's row.
class ZAbilityBreakRow : public ZAbility
{
    QV_ABILITY(ZAbilityBreakRow, 2, "breakrow", kAimed, 0)
public:
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};

// The eight tiles around the tile.
class ZAbilityBreak3x3 : public ZAbility
{
    QV_ABILITY(ZAbilityBreak3x3, 6, "break3x3", kAimed, 0)
public:
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};

// The five by five square around the tile.
class ZAbilityBreak5x5 : public ZAbility
{
    QV_ABILITY(ZAbilityBreak5x5, 7, "break5x5", kAimed, 0)
public:
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};

// The chains among the eight tiles around the tile (a double chain twice).
class ZAbilityBreakMetal : public ZAbility
{
    QV_ABILITY(ZAbilityBreakMetal, 8, "breakmetal", kAimed, 0)
public:
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};

// Every token of the tile's token type.
class ZAbilityBreakType : public ZAbility
{
    QV_ABILITY(ZAbilityBreakType, 9, "breaktype", kAimed, 0)
public:
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};

// The tile and the four diagonal rays from it.
class ZAbilityBreakDiagonal : public ZAbility
{
    QV_ABILITY(ZAbilityBreakDiagonal, 10, "breakdiagonal", kAimed, 0)
public:
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};

// The tile's column.
class ZAbilityBreakColumn : public ZAbility
{
    QV_ABILITY(ZAbilityBreakColumn, 11, "breakcolumn", kAimed, 0)
public:
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};

// Every tile between the artifacts and the board's bottom, in the fall direction.
class ZAbilityBreakColumn2 : public ZAbility
{
    QV_ABILITY(ZAbilityBreakColumn2, 12, "breakcolumn2", kAimed, 0)
public:
    void Preview(ZTile* tile, ZTile* second, ZTileList& out) override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};

// Twenty tiles at random, wherever it is fired. As the board's fallback when no swap is left it
// takes every candidate when there are twenty or fewer, so that the board changes.
class ZAbilityBreakRandom : public ZAbility
{
    QV_ABILITY(ZAbilityBreakRandom, 13, "breakrandom", kAimed, 0)
public:
    bool Reset() override;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
    void SetFallback(bool on) { m_fallback = on; }

private:
    bool m_fallback = false;
};

// Breaks every chain on the board at once.
class ZAbilityBreakAllChains : public ZAbility
{
    QV_ABILITY(ZAbilityBreakAllChains, 27, "breakallchains", kBoardWide, 0)
public:
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};
