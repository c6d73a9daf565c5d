// The breaking abilities.
#include "game/dive/abilities/ZAbilityBreak.h"

#include "engine/audio/ZSound.h"
#include "game/common/IGameShell.h"
#include "game/dive/abilities/IAbilityDive.h"
#include "game/dive/model/ZBoardEffects.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

QV_REGISTER_ABILITY(ZAbilityBreakTile);
QV_REGISTER_ABILITY(ZAbilityBreakTile2);
QV_REGISTER_ABILITY(ZAbilityBreakRow);
QV_REGISTER_ABILITY(ZAbilityBreak3x3);
QV_REGISTER_ABILITY(ZAbilityBreak5x5);
QV_REGISTER_ABILITY(ZAbilityBreakMetal);
QV_REGISTER_ABILITY(ZAbilityBreakType);
QV_REGISTER_ABILITY(ZAbilityBreakDiagonal);
QV_REGISTER_ABILITY(ZAbilityBreakColumn);
QV_REGISTER_ABILITY(ZAbilityBreakColumn2);
QV_REGISTER_ABILITY(ZAbilityBreakRandom);
QV_REGISTER_ABILITY(ZAbilityBreakAllChains);

namespace
{
constexpr float kEffectDepth = -60.0f;

bool IsArtifact(const ZToken* token)
{
    return token && (token->getType() == kArtifactTokenType || token->getArtifact());
}

// A chain, a double chain or a treasure token: the hard sound.
bool IsMetalTile(const ZTile* tile)
{
    if (!tile)
        return false;
    if (tile->getKind() == kTileChain || tile->getKind() == kTileDoubleChain)
        return true;
    const ZToken* token = tile->getToken();
    return token && !IsArtifact(token) && token->getColourGroup() < 0;
}

void SpawnAt(const char* effect, ZTile* tile)
{
    V3 at;
    tile->LocalToWorld(at);
    at.z = kEffectDepth;
    GetGameShell()->SpawnParticleEffect(effect, at);
}

// The two break-tile sounds, found by name when asked for: a kept pointer would outlive the
// resource manager that owns the sound.
ZSound* BreakSound(bool metal)
{
    return ZSound::Find(metal ? "ability_breaktile_metal" : "ability_breaktile_soft");
}
} // namespace

ZSound* ZAbilityBreakTile::GetSound()
{
    return BreakSound(m_metal);
}

bool ZAbilityBreakTile::Reset()
{
    m_metal = false;
    return ZAbility::Reset();
}

void ZAbilityBreakTile::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    if (tile)
        out.push_back(tile);
}

bool ZAbilityBreakTile::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    if (!tile || IsArtifact(tile->getToken()))
        return false;
    out.push_back(tile);
    m_metal = IsMetalTile(tile);
    SpawnAt("power_particle_squid", tile);
    return true;
}

ZSound* ZAbilityBreakTile2::GetSound()
{
    return BreakSound(m_metal);
}

bool ZAbilityBreakTile2::Reset()
{
    m_metal = false;
    return ZAbility::Reset();
}

void ZAbilityBreakTile2::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    if (!tile)
        return;
    out.push_back(tile);
    if (ZTile* below = tile->getLink(kDirDown))
        out.push_back(below);
}

bool ZAbilityBreakTile2::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    if (!tile)
        return false;
    ZTile* below = tile->getLink(kDirDown);
    out.push_back(tile);
    if (below)
        out.push_back(below);
    m_metal = IsMetalTile(tile) || IsMetalTile(below);
    SpawnAt("power_particle_squid", tile);
    return true;
}

void ZAbilityBreakRow::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    if (tile)
        tile->collectRow(out);
}

bool ZAbilityBreakRow::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    if (!tile)
        return false;
    Preview(tile, second, out);
    return true;
}

void ZAbilityBreak3x3::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    boardeffects::CollectNeighbours3x3(tile, out);
}

bool ZAbilityBreak3x3::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    if (!tile)
        return false;
    Preview(tile, second, out);
    SpawnAt("power_particle_urchin", tile);
    return true;
}

void ZAbilityBreak5x5::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    boardeffects::CollectArea5x5(tile, out);
}

bool ZAbilityBreak5x5::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    if (!tile)
        return false;
    Preview(tile, second, out);
    SpawnAt("yellowglowburst", tile);
    return true;
}

void ZAbilityBreakMetal::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    boardeffects::CollectNeighbours3x3(tile, out);
}

bool ZAbilityBreakMetal::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    ZTileList around;
    boardeffects::CollectNeighbours3x3(tile, around);
    const size_t before = out.size();
    for (ZTile* t : around)
    {
        if (t->getKind() == kTileChain)
            out.push_back(t);
        else if (t->getKind() == kTileDoubleChain)
        {
            out.push_back(t);
            out.push_back(t);
        }
    }
    return out.size() > before;
}

void ZAbilityBreakType::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    ZBoardGrid* grid = GetAbilityDive()->GetBoardGrid();
    if (tile && grid && tile->isMatchable())
        boardeffects::CollectTokensOfType(*grid, tile->getToken()->getType(), out);
}

bool ZAbilityBreakType::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    if (!tile || !tile->isMatchable() || !GetAbilityDive()->GetBoardGrid())
        return false;
    Preview(tile, second, out);
    return true;
}

void ZAbilityBreakDiagonal::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    if (!tile)
        return;
    tile->collectDiagonals(out);
    out.push_back(tile);
}

bool ZAbilityBreakDiagonal::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    if (!tile)
        return false;
    Preview(tile, second, out);
    return true;
}

void ZAbilityBreakColumn::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)second;
    if (tile)
        tile->collectColumn(out);
}

bool ZAbilityBreakColumn::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    if (!tile)
        return false;
    Preview(tile, second, out);
    return true;
}

void ZAbilityBreakColumn2::Preview(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)tile, (void)second;
    if (ZBoardGrid* grid = GetAbilityDive()->GetBoardGrid())
        boardeffects::CollectTilesBehindArtifacts(*grid, out);
}

bool ZAbilityBreakColumn2::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    const size_t before = out.size();
    Preview(tile, second, out);
    return out.size() > before;
}

bool ZAbilityBreakRandom::Reset()
{
    m_fallback = false;
    return ZAbility::Reset();
}

bool ZAbilityBreakRandom::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)tile, (void)second;
    if (ZBoardGrid* grid = GetAbilityDive()->GetBoardGrid())
        boardeffects::ChooseRandomBreak(*grid, m_fallback, out);
    return true;
}

bool ZAbilityBreakAllChains::Apply(ZTile* tile, ZTile* second, ZTileList& out)
{
    (void)tile, (void)second, (void)out;
    GetAbilityDive()->BreakAllChains();
    return true;
}
