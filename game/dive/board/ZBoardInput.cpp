// The player's hand on the board: pointer presses, drags and clicks become a selected tile, a
// lifted token that follows the pointer, or a swap of two neighbouring tokens; an armed ability
// takes the pair first.
#include <cmath>
#include <cstdlib>

#include "engine/audio/ZSound.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/controllers/ZShakeController.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZGameSprite.h"
#include "game/dive/ZDiveServices.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/board/ZSwapTokensController.h"
#include "game/dive/model/ZBoardGrid.h"
#include "game/dive/model/ZBoardRules.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"

bool ZBoard::acceptsInput() const
{
    if (!IsActive() || !m_inputEnabled)
        return false;
    ZInGame* dive = ZInGame::PeekInstance();
    return dive && dive->IsPlaying() && !dive->IsPaused();
}

void ZBoard::OnMouseMove(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)target, (void)handled;
    if (!acceptsInput())
        return;
    V2 point = {state.x, state.y};
    if (m_pressedTile)
        point = {point.x + m_dragOffset.x, point.y + m_dragOffset.y};
    ZTile* under = tileAt(point.x, point.y);
    if (under != m_hover)
        setHoverTile(under);
    if (!m_pressedTile)
        return;

    const float dx = state.x - m_pressedPoint.x;
    const float dy = state.y - m_pressedPoint.y;
    ZTile* aim = under;
    // A screen direction becomes a grid step through the board's orientation (0 to 3), which
    // also holds after counter-clockwise turns.
    int32_t stepColumn = 0, stepRow = 0;
    if (DragStep(dx, dy, m_orientation, stepColumn, stepRow))
        aim = m_grid->tileAt(m_pressedTile->getGridColumn() + stepColumn, m_pressedTile->getGridRow() + stepRow);
    if (!aim)
    {
        m_pressedTile->snapTokenBack();
        return;
    }
    if (!m_pressed)
        return;
    if (aim != m_pressedTile)
    {
        m_dragging = false;
        m_selected = m_pressedTile;
        if (trySwap(aim))
            ++m_dragMoves;
        else
        {
            m_pressedTile->snapTokenBack();
            clearSelection();
        }
        m_pressedTile = nullptr;
        if (m_pulses[1])
            m_pulses[1]->SetActive(false);
        return;
    }
    ZToken* token = m_pressedTile->getToken();
    if (token && token->getTile() == m_pressedTile && token->getState() == kTokenSettled)
    {
        V3 at = ZGeom::WorldPositionOf(token);
        at.x = state.x + m_dragOffset.x;
        at.y = state.y + m_dragOffset.y;
        PlaceAtWorldPoint(token, at);
    }
}

void ZBoard::OnLeftDown(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)target, (void)handled;
    if (!acceptsInput())
        return;
    m_pressed = true;
    m_pressedTile = tileAt(state.x, state.y);
    m_pressedPoint = {state.x, state.y};
    if (!m_pressedTile)
    {
        clearSelection();
        GetDiveServices()->DisarmAbility();
        return;
    }
    ZToken* token = m_pressedTile->getToken();
    if (!token)
        return;
    if (ZPulseController* pulse = m_pulses[1])
    {
        pulse->SetActive(false);
        pulse->SetTarget(token);
        pulse->SetActive(true);
    }
    m_pressedTile->placeNodeAbove(m_selectFrame, -8.0f);
    m_dragging = true;
    const V3 at = ZGeom::WorldPositionOf(token);
    m_dragOffset = {at.x - state.x, at.y - state.y, 0.0f};
}

void ZBoard::OnLeftUp(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)target, (void)handled;
    if (!acceptsInput())
        return;
    if (m_sweepState == kSweepReady)
        m_pressed = false;
    ZTile* tile = tileAt(state.x, state.y);
    ZTile* pressed = m_pressedTile;
    m_pressedTile = nullptr;
    m_dragOffset = {};
    if (!tile)
    {
        if (pressed)
            pressed->snapTokenBack();
        clearSelection();
        return;
    }
    m_selectFrame->SetActive(false);
    if (pressed)
        pressed->snapTokenBack();
    if (m_dragging)
    {
        m_dragging = false;
        if (trySwap(tile))
        {
            ++m_clickMoves;
            return;
        }
        if (tile->isMatchable())
            selectTile(tile);
    }
    IDiveServices* services = GetDiveServices();
    if (services->IsSilent() && services->HasArmedAbility())
        OnDragEnded();
}

void ZBoard::OnRightDownAfter(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)state, (void)target, (void)handled;
    GetDiveServices()->DisarmAbility();
}

void ZBoard::OnButtonDown(uint32_t button)
{
    if (button != 1 || !acceptsInput())
        return;
    clearPreview();
    showPreview(m_hover);
}

bool ZBoard::trySwap(ZTile* target)
{
    if (!m_selected || !target)
        return false;
    if (!m_selected->isMatchable())
    {
        clearSelection();
        return false;
    }
    if (target == m_selected || target->holdsToken())
        return false;
    if (!target->isMatchable() || !m_selected->isSwappable())
        return false;
    ZToken* selectedToken = m_selected->getToken();
    ZToken* targetToken = target->getToken();
    selectedToken->setHintPulse(false);
    targetToken->setHintPulse(false);
    std::vector<ZTile*> changed;
    changed.reserve(8);
    IDiveServices* services = GetDiveServices();
    const char* armedKey = services->HasArmedAbility() ? services->GetArmedKey() : nullptr;
    if (services->TrySwapWithAbility(target, m_selected, changed))
    {
        if (armedKey)
        {
            V3 at;
            target->LocalToWorld(at);
            at.y += 20.0f;
            services->AddCrewExperience(abilityExperience(armedKey), at);
        }
        // An ability's swap stands whether it matches or not.
        ZSwapTokensController::Create(selectedToken, targetToken, false, kSwapTime);
        removeBrokenTiles(changed, true);
        clearSelection();
        return true;
    }
    if (!m_selected->isOrthogonalNeighbour(target))
        return false;
    ZSwapTokensController::Create(selectedToken, targetToken, true, kSwapTime);
    clearSelection();
    return true;
}

void ZBoard::selectTile(ZTile* tile)
{
    if (!tile || !tile->isSwappable())
        return;
    if (m_selected && m_selected != tile && m_selected->getToken())
        m_selected->getToken()->showDeselected();
    tile->placeNodeAbove(m_selectFrame, -8.0f);
    m_selected = tile;
    if (ZToken* token = tile->getToken())
        token->showSelected();
}

void ZBoard::clearSelection()
{
    if (m_selectFrame)
        m_selectFrame->SetActive(false);
    m_selected = nullptr;
}

void ZBoard::clearPreview()
{
    clearSelection();
    for (ZGameSprite* sprite : m_highlights)
        sprite->SetActive(false);
    if (ZBoardHints* hints = ZBoardHints::PeekInstance())
        hints->ClearHighlight();
}

void ZBoard::setHoverTile(ZTile* tile)
{
    if (m_hover && m_hover->getToken())
        m_hover->getToken()->setHover(false);
    if (tile && tile->getToken())
        tile->getToken()->setHover(true);
    m_hover = tile;
    showPreview(tile);
}

void ZBoard::showPreview(ZTile* tile)
{
    IDiveServices* services = GetDiveServices();
    if (tile)
    {
        tile->placeNodeAbove(highlightSprite(0), -5.5f);
        size_t used = 1;
        if (services->HasArmedAbility())
        {
            std::vector<ZTile*> hits;
            hits.reserve(25);
            services->PreviewArmed(tile, m_selected, hits);
            for (ZTile* hit : hits)
                hit->placeNodeAbove(highlightSprite(used++), -5.0f);
        }
        for (size_t i = used; i < m_highlights.size(); ++i)
            m_highlights[i]->SetActive(false);
        return;
    }
    // A pair ability keeps showing what it would hit from the selected tile.
    if (services->HasArmedAbility() && services->IsArmedPairAbility() && m_selected)
        return;
    for (ZGameSprite* sprite : m_highlights)
        sprite->SetActive(false);
}

void ZBoard::OnDragEnd(ZNode* node, ZDragController* controller)
{
    (void)node, (void)controller;
    OnDragEnded();
}

int ZBoard::abilityExperience(const char* key) const
{
    if (!key)
        return 0;
    const char* price = ZStringTable::GetInstance()->FindFormat("%s.price", key);
    if (!price)
        return 0;
    return AbilityExperience(int32_t(std::strtol(price, nullptr, 10)), true);
}

void ZBoard::OnDragEnded()
{
    IDiveServices* services = GetDiveServices();
    if (!services->HasArmedAbility())
        return;
    const int category = services->GetArmedCategory();
    const char* key = services->GetArmedKey();
    ZMousePointer* pointer = ZMousePointer::PeekInstance();
    ZTile* tile = pointer ? tileAt(pointer->GetX(), pointer->GetY()) : nullptr;
    if (tile && tile->isMatchable())
    {
        if (!services->IsArmedPairAbility())
        {
            std::vector<ZTile*> changed;
            changed.reserve(32);
            if (category == 2 || category == 0)
            {
                if (services->FireArmedAbility(tile, m_firstTarget, changed))
                {
                    removeBrokenTiles(changed, false);
                    V3 at;
                    tile->LocalToWorld(at);
                    at.y += 20.0f;
                    services->AddCrewExperience(abilityExperience(key), at);
                }
            }
            else
            {
                services->DisarmAbility();
                m_firstTarget = nullptr;
            }
            clearPreview();
            return;
        }
        if (services->CanTargetArmed(tile))
            m_firstTarget = tile;
        else
        {
            for (ZGameSprite* sprite : m_highlights)
                sprite->SetActive(false);
            m_firstTarget = nullptr;
        }
        return;
    }
    if (category == 2 || (category == 0 && !tile))
    {
        services->DisarmAbility();
        return;
    }
    if (category == 0)
    {
        std::vector<ZTile*> changed;
        if (services->FireArmedAbility(nullptr, nullptr, changed))
            services->AddCrewExperience(abilityExperience(key), {0.0f, 60.0f, 0.0f});
    }
}

void ZBoard::OnAbilityUsed(bool success, int abilityId, ZSound* ownSound)
{
    // The kind of each item id: 0 breaks, 1 swaps, 2 air, -1 none.
    static constexpr int kKinds[28] = {0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0,
                                       2, 2, 2, 2, 2, 2, 2, 2, 2, 0, 1, 1, -1, 0};
    if (!success)
    {
        play(m_falseMove, "falsemove");
        clearSelection();
        clearPreview();
        return;
    }
    const int kind = abilityId >= 0 && abilityId < 28 ? kKinds[abilityId] : -1;
    if (ownSound)
        play(ownSound, ownSound->GetName());
    else if (kind >= 0)
    {
        static const char* const kKindSounds[3] = {"abilityrow", "abilityswap", "abilityo2"};
        play(ZSound::Find(kKindSounds[kind]), kKindSounds[kind]);
    }
    if (kind != 0 || !m_shake)
        return;
    float duration = 0.35f, strength = 20.0f, step = 0.1f;
    switch (abilityId)
    {
    case 0: duration = 0.25f, strength = 15.0f, step = 0.02f; break;
    case 1: duration = 0.25f, strength = 20.0f, step = 0.035f; break;
    case 2:
    case 10: duration = 0.5f, strength = 35.0f, step = 0.08f; break;
    case 6:
    case 11:
    case 13:
    case 27: duration = 0.4f, strength = 40.0f, step = 0.15f; break;
    case 7:
    case 12: duration = 0.8f, strength = 50.0f, step = 0.3f; break;
    default: break;
    }
    m_shake->SetActive(false);
    m_shake->SetDuration(duration);
    m_shake->amplitude = strength;
    m_shake->scaleAmplitude = step;
    m_shake->SetActive(true);
}

void ZBoard::removeBrokenTiles(const std::vector<ZTile*>& tiles, bool collectTreasure)
{
    if (collectTreasure)
        collectTreasures(tiles);
    if (ZBoardHints* hints = ZBoardHints::PeekInstance())
        hints->SpawnPopSprites(tiles, int(tiles.size()));
    for (ZTile* tile : tiles)
    {
        if (ZToken* token = tile->getToken())
            token->setHintPulse(false);
    }
    ZTileList fall;
    for (ZTile* tile : tiles)
        tile->breakTile(&fall);
    for (ZTile* tile : fall)
        tile->tileChanged();
    clearSelection();
    clearPreview();
}
