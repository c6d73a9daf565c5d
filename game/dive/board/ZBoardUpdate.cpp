// The board's frame: the order of its timed work, the row-by-row sweeps that bring the tiles in
// and out, the quarter turns of the whole board, showing, hiding and fading it, and the two ways a
// dive ends on the board's side.
#include <algorithm>
#include <cmath>

#include "engine/audio/ZSound.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMath.h"
#include "engine/ui/ZGameSprite.h"
#include "engine/ui/ZMousePointer.h"
#include "game/common/IGameShell.h"
#include "game/dive/ZDiveServices.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/model/ZBoardGrid.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"

namespace
{

M33 TurnZ(float angle)
{
    M33 m;
    m.SetRotationZ(angle);
    return m;
}

bool SweepRunning(ZTile* tile)
{
    ZGameSprite* background = tile->getBackground();
    return background && background->GetFadeState() != ZGameSprite::kFadeNone;
}
} // namespace

void ZBoard::Update()
{
    ZGroup::Update();
    sweepStep();
    flushLandingBatch();
    ZInGame* dive = ZInGame::PeekInstance();
    if (!dive || !dive->IsPlaying() || dive->IsPaused())
        return;
    const double dt = g_frameTimer ? g_frameTimer->frameDelta : 0.0;

    updateTips();

    const double airUsed = dive->GetAirRunningTime();
    if (airUsed > 3.0)
        m_exitGlowDone = true;
    else if (!m_exitGlowDone)
        setExitGlow((1.0f - std::clamp(float(airUsed / 3.0), 0.0f, 1.0f)) * 0.4f);

    if (m_rotationLeft > -1.0f)
    {
        m_rotationLeft -= float(dt);
        m_rotationElapsed += float(dt);
        SetOrientation(m_rotationStart);
        // A rotation of no duration turns at once.
        float t = m_rotationDuration > 0.0f ? std::clamp(m_rotationElapsed / m_rotationDuration, 0.0f, 1.0f) : 1.0f;
        if (m_rotationLeft <= 0.0f)
        {
            releaseRotationLock();
            if (m_rotateBoard)
                m_rotateBoard->Stop();
            play(m_rotateBoardEnd, "rotateboardend");
            m_rotationLeft = -1.0f;
            m_boardAngle = m_rotationStartAngle + m_rotationAngle;
            if (m_rotationDirection == -1)
                turnCounterClockwise();
            else
                turnClockwise();
            t = 1.0f;
        }
        applyRotation(m_rotationAngle * t);
    }

    if (ZBoardHints* hints = ZBoardHints::PeekInstance())
        hints->UpdateHintTimer(dt);
    spreadFreeze();
    popPendingGroups(float(dt));
    if (dive->IsEnding())
        return;

    ZCompletionBar* bar = ZCompletionBar::PeekInstance();
    const uint32_t remaining = bar ? uint32_t(std::max(bar->GetRemaining(), 0)) : uint32_t(m_lettersToCome.size());
    const uint32_t limit = std::min(m_maxArtifacts, remaining);
    if (m_artifacts.size() < limit)
        placeArtifacts();
    else if (bar && bar->GetSlotCount() > 0 && bar->GetRemaining() <= 0)
        winDive();
}

void ZBoard::sweepStep()
{
    if (m_sweepState != kSweepIntro && m_sweepState != kSweepOutro)
        return;
    const int height = m_grid->getHeight();
    const int width = m_grid->getWidth();
    // One row with tiles a frame; a row without tiles costs nothing.
    while (int(m_sweepRow) < height)
    {
        bool any = false;
        for (int column = 0; column < width; ++column)
        {
            if (ZTile* tile = m_grid->tileAt(column, int(m_sweepRow)))
            {
                any = true;
                if (m_sweepState == kSweepIntro)
                    tile->fadeIn();
                else
                    tile->fadeOut();
            }
        }
        ++m_sweepRow;
        if (any)
            break;
    }
    if (int(m_sweepRow) < height)
        return;
    for (ZTile* tile : m_gridTiles)
    {
        if (SweepRunning(tile))
            return;
    }
    if (m_sweepState == kSweepIntro)
    {
        m_sweepState = kSweepReady;
        resolveAllWaiting();
    }
    else
        m_sweepState = kSweepIdle;
}

void ZBoard::startRotation(int direction, float duration)
{
    if (isRotating())
        return;
    GetDiveServices()->DisarmAbility();
    m_rotationDirection = direction == 1 ? 1 : -1;
    m_rotationAngle = direction == 1 ? -kHalfPi : kHalfPi;
    m_rotationStart = Orientation();
    m_rotationStartAngle = m_boardAngle;
    m_rotationDuration = std::max(duration, 0.0f);
    m_rotationLeft = m_rotationDuration;
    m_rotationElapsed = 0.0f;
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance(); pointer && !m_holdsPointerLock)
    {
        pointer->LockInput(true);
        m_holdsPointerLock = true;
    }
    play(m_rotateBoard, "rotateboard");
}

void ZBoard::releaseRotationLock()
{
    // Only the lock the rotation took is given back: another party's lock stays.
    if (!m_holdsPointerLock)
        return;
    m_holdsPointerLock = false;
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        pointer->LockInput(false);
}

void ZBoard::applyRotation(float angle)
{
    M33 turned = TurnZ(angle);
    M33::MultiplyAssign(m_rotationStart, turned);
    SetOrientation(turned);
    // Tokens turn the other way by the board's whole turn since the level began, so they stay
    // upright on screen.
    m_tokenOrientation = TurnZ(-(m_rotationStartAngle + angle));
    for (ZToken* token : m_activeTokens)
        token->SetOrientation(m_tokenOrientation);
}

void ZBoard::turnClockwise()
{
    ++m_quarterTurns;
    m_orientation = (m_orientation + 1) % 4;
    m_grid->setRotation(m_orientation);
    m_grid->updateGravity();
    m_grid->applyRotation();
    refillAfterTurn();
}

void ZBoard::turnCounterClockwise()
{
    ++m_quarterTurns;
    m_orientation = (m_orientation + 3) % 4;
    m_grid->setRotation(m_orientation);
    m_grid->updateGravity();
    m_grid->applyRotation();
    refillAfterTurn();
}

void ZBoard::refillAfterTurn()
{
    for (ZTile* tile : m_gridTiles)
    {
        if (!tile->getToken() && tile->getState() != kTileIncoming && tile->isFillable())
            tile->requestFill();
    }
    for (ZTile* tile : m_exitTiles)
    {
        ZToken* token = tile->getToken();
        if (token && tile->isExitLit() && tile->isMatchable())
            token->leaveExit();
    }
}

void ZBoard::restoreOrientation()
{
    SetOrientation(m_loadOrientation);
    m_boardAngle = 0.0f;
    m_tokenOrientation = M33();
}

void ZBoard::startIntro()
{
    m_sweepRow = 0;
    m_sweepState = kSweepIntro;
    clearSelection();
    clearPreview();
}

void ZBoard::startOutro()
{
    m_sweepRow = 0;
    m_sweepState = kSweepOutro;
    clearSelection();
    clearPreview();
    stopLoops();
    for (ZPulseController* pulse : m_pulses)
    {
        if (pulse && pulse->GetTarget())
            pulse->SetActive(false);
    }
}

void ZBoard::finishIntro()
{
    if (m_sweepState == kSweepReady)
        return;
    for (ZTile* tile : m_gridTiles)
        tile->resetFade();
    m_sweepState = kSweepReady;
    resolveAllWaiting();
}

void ZBoard::stopLoops()
{
    if (m_freezeWarning)
        m_freezeWarning->Stop();
    m_freeze.Stop();
    if (m_rotateBoard)
        m_rotateBoard->Stop();
}

void ZBoard::prepareLevelView()
{
    m_breakToExitShown = false;
    clearPreview();
    finishIntro();
    SetScale({0.2f, 0.2f, 1.0f});
}

void ZBoard::fadeStep(float t)
{
    const float u = 0.8f * t + 0.2f;
    const float s = 1.0f - (u - 1.0f) * (u - 1.0f);
    SetScale({s, s, 1.0f});
}

void ZBoard::setVeiled(bool veiled)
{
    if (veiled)
        SetFlags(kNodeHidden);
    else
        ClearFlags(kNodeHidden);
    m_sweepRow = 0;
    m_sweepState = veiled ? kSweepOutro : kSweepIntro;
    clearSelection();
    clearPreview();
}

void ZBoard::applyTheme(int theme)
{
    m_theme = std::clamp(theme, 0, 5);
    if (m_selectFrame && m_frameTextures[m_theme])
        m_selectFrame->SetTexture(m_frameTextures[m_theme], true);
    for (ZGameSprite* sprite : m_highlights)
    {
        if (m_highlightTextures[m_theme])
            sprite->SetTexture(m_highlightTextures[m_theme], true);
    }
}

void ZBoard::endCleanup()
{
    stopLoops();
    for (ZPulseController* pulse : m_pulses)
    {
        if (pulse)
            pulse->SetActive(false);
    }
    if (ZBoardHints* hints = ZBoardHints::PeekInstance())
        hints->HideAll();
    resetBoard();
    releaseRotationLock();
}

void ZBoard::OnTimerExpired(ZProgressBarTimer* timer)
{
    (void)timer;
    ZInGame* dive = ZInGame::PeekInstance();
    if (!dive || dive->IsEnding())
        return;
    GetDiveServices()->DisarmAbility();
    ZCompletionBar* bar = ZCompletionBar::PeekInstance();
    const int filled = bar ? bar->GetFilledCount() : 0;
    bool won = false;
    if (filled >= 1)
    {
        for (int m = 3; m >= 0; --m)
            won = won || filled >= m_thresholds[m];
    }
    if (won)
        winDive();
    else
        loseDive();
}

void ZBoard::winDive()
{
    ZInGame* dive = ZInGame::PeekInstance();
    if (!dive || dive->IsEnding())
        return;
    dive->SetLost(false);
    dive->BeginEndDive();
    if (ZCompletionBar* bar = ZCompletionBar::PeekInstance())
        bar->HideSlotsFrom(bar->GetFilledCount());
    clearPreview();
}

void ZBoard::loseDive()
{
    ZInGame* dive = ZInGame::PeekInstance();
    if (!dive || dive->IsEnding())
        return;
    GetGameShell()->ShowGameOver(false);
    play(dive->GetGameOverSound(), "gameover");
    dive->SetLost(true);
    dive->BeginEndDive();
    clearPreview();
}
