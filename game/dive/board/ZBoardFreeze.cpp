// The ice's spreading clock, its warning, the halts and the edge tiles' looks.
#include "game/dive/board/ZBoardFreeze.h"

#include "engine/audio/ZSound.h"
#include "game/dive/model/ZBoardEffects.h"
#include "game/dive/model/ZBoardGrid.h"

ZBoardFreeze::~ZBoardFreeze()
{
    StopWarning();
}

void ZBoardFreeze::StartLevel(bool freezing)
{
    StopWarning();
    m_freezing = freezing;
    m_halts = 0;
    m_lastSpread = kNever;
    m_spreads = 0;
}

void ZBoardFreeze::Stop()
{
    StopWarning();
}

void ZBoardFreeze::StartWarning()
{
    if (m_warning)
        return;
    m_warning = true;
    if (!m_sound)
        m_sound = ZSound::Find("freezewarning");
    if (m_sound)
    {
        m_sound->SetLooping(true);
        m_sound->Play();
    }
}

void ZBoardFreeze::StopWarning()
{
    if (!m_warning)
        return;
    m_warning = false;
    if (m_sound)
        m_sound->Stop();
}

void ZBoardFreeze::Spread(double now, const ZBoardGrid& grid)
{
    if (!m_freezing)
        return;
    if (IsHalted() || boardeffects::CountFrozenTiles(grid) == 0)
    {
        StopWarning();
        return;
    }
    const double elapsed = now - m_lastSpread;
    if (elapsed < kSpreadInterval)
    {
        if (kSpreadInterval - elapsed < kWarningTime)
            StartWarning();
        return;
    }
    StopWarning();
    ZTileList chosen;
    boardeffects::ChooseFreezeSpread(grid, chosen);
    // The clock moves only when ice actually spreads: a frozen tile with no room keeps trying.
    if (chosen.empty())
        return;
    m_lastSpread = now;
    for (ZTile* tile : chosen)
    {
        tile->setKind(kTileFreeze);
        ++m_spreads;
    }
}

void ZBoardFreeze::BeginHalt(const ZTileList& edgeTiles)
{
    if (m_halts++ > 0)
        return;
    StopWarning();
    ShowHalted(true, edgeTiles);
}

void ZBoardFreeze::EndHalt(double now, const ZTileList& edgeTiles)
{
    if (m_halts <= 0 || --m_halts > 0)
        return;
    // The halt ran for its whole time: the player gets a full interval before the next spread,
    // rather than an overdue spread the moment the item runs out.
    m_lastSpread = now;
    ShowHalted(false, edgeTiles);
}

void ZBoardFreeze::HighlightEdgeTiles(bool on, bool force, const ZTileList& edgeTiles)
{
    m_highlight = on;
    if (IsHalted() && !force)
    {
        // The halted look stays; arming takes it off while the glow shows the board-wide aim,
        // and disarming brings it back.
        for (ZTile* tile : edgeTiles)
        {
            tile->applyGlowStyle(!on);
            tile->setEdgeGlow(true, true);
        }
        return;
    }
    for (ZTile* tile : edgeTiles)
    {
        tile->applyGlowStyle(false);
        tile->setEdgeGlow(on, force);
    }
}

void ZBoardFreeze::ShowHalted(bool halted, const ZTileList& edgeTiles)
{
    for (ZTile* tile : edgeTiles)
    {
        tile->applyGlowStyle(halted);
        tile->setEdgeGlow(halted || m_highlight, true);
    }
}
