// The board's side of the abilities: an armed ability takes a click first (aimed at a usable
// tile, board-wide anywhere, a pair in two clicks), its preview lights the tiles it would hit, and
// the ice and the board-wide effects work on the whole grid.
#include <algorithm>

#include "engine/app/ZFrameTimer.h"
#include "engine/audio/ZSound.h"
#include "engine/ui/ZGameSprite.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZSwapTokensController.h"
#include "game/dive/model/ZBoardEffects.h"
#include "game/dive/model/ZBoardGrid.h"
#include "game/dive/model/ZToken.h"

namespace
{
double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}
} // namespace

bool ZBoard::useArmedAbility(ZTile* tile)
{
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    ZAbility* ability = manager ? manager->GetArmedAbility() : nullptr;
    if (!ability || !tile)
        return false;
    if (m_abilityFirstFor != ability)
        m_abilityFirst = nullptr;
    const int category = ability->GetCategory();
    std::vector<ZTile*> tiles;
    ZSound* sound = nullptr;
    bool fired = false;

    if (category == ZAbility::kBoardWide)
    {
        fired = manager->fireArmedAbility(tile->isMatchable() ? tile : nullptr, nullptr, tiles);
        sound = fired ? ability->GetSound() : nullptr;
    }
    else if (category != ZAbility::kAimed || !tile->isMatchable())
    {
        // Aimed abilities need a usable tile; the others are fired from their own targets.
        manager->DisarmAbility();
        return true;
    }
    else if (ability->IsPairAbility())
    {
        if (!m_abilityFirst)
        {
            if (manager->SelectTarget(tile))
            {
                m_abilityFirst = tile;
                m_abilityFirstFor = ability;
                selectTile(tile);
            }
            return true;
        }
        ZTile* first = m_abilityFirst;
        m_abilityFirst = nullptr;
        m_abilityFirstFor = nullptr;
        ZToken* a = first->getToken();
        ZToken* b = tile->getToken();
        fired = a && b && manager->TrySwapWithAbility(first, tile, tiles);
        if (!fired && manager->GetArmedAbility() == ability)
            manager->DisarmAbility();
        if (fired)
        {
            sound = ability->GetSound();
            // The swap stands whether it matches or not.
            ZSwapTokensController::Create(a, b, false, kSwapTime);
        }
        clearSelection();
    }
    else
    {
        if (!manager->SelectTarget(tile))
            return true;
        fired = manager->fireArmedAbility(tile, nullptr, tiles);
        sound = fired ? ability->GetSound() : nullptr;
    }
    if (fired)
    {
        if (!tiles.empty())
            removeBrokenTiles(tiles, true);
        // The log notes the sound, or the item when it has none.
        play(sound, sound ? sound->GetName() : ability->GetName());
    }
    else
    {
        play(m_falseMove, "falsemove");
    }
    clearPreview();
    return true;
}

bool ZBoard::showAbilityPreview(ZTile* tile)
{
    ZAbilityManager* manager = ZAbilityManager::PeekInstance();
    ZAbility* ability = manager ? manager->GetArmedAbility() : nullptr;
    if (!ability)
        return false;
    std::vector<ZTile*> tiles;
    ZTile* first = m_abilityFirstFor == ability ? m_abilityFirst : nullptr;
    if (first)
        ability->Preview(first, tile, tiles);
    else
        ability->Preview(tile, nullptr, tiles);
    size_t used = 0;
    for (size_t i = 0; i < tiles.size(); ++i)
    {
        // A tile listed twice (a double chain, the diagonal's centre) lights once.
        if (std::find(tiles.begin(), tiles.begin() + std::ptrdiff_t(i), tiles[i]) != tiles.begin() + std::ptrdiff_t(i))
            continue;
        if (ZGameSprite* sprite = highlightSprite(used++))
            tiles[i]->placeNodeAbove(sprite, -5.5f);
    }
    for (size_t i = used; i < m_highlights.size(); ++i)
        m_highlights[i]->SetActive(false);
    return true;
}

void ZBoard::spreadFreeze()
{
    if (m_grid)
        m_freeze.Spread(Now(), *m_grid);
}

int ZBoard::countFrozenTiles() const
{
    return m_grid ? boardeffects::CountFrozenTiles(*m_grid) : 0;
}

void ZBoard::highlightEdgeTiles(bool on, bool force)
{
    m_freeze.HighlightEdgeTiles(on, force, m_edgeTiles);
}

void ZBoard::showFreezeHalted(bool halted)
{
    m_freeze.ShowHalted(halted, m_edgeTiles);
}

void ZBoard::breakAllChains()
{
    if (!m_grid)
        return;
    std::vector<ZTile*> chains;
    boardeffects::ListChainsToBreak(*m_grid, chains);
    if (!chains.empty())
        removeBrokenTiles(chains, false);
}

void ZBoard::tilesBehindArtifacts(std::vector<ZTile*>& out) const
{
    if (m_grid)
        boardeffects::CollectTilesBehindArtifacts(*m_grid, out);
}
