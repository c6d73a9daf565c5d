#pragma once
// The ice on the board: on a level with frozen tiles, every 25 seconds one or two frozen tiles
// freeze a neighbour each, and the looping "freezewarning" sound runs during the last 5 seconds
// before each spread. The freeze-halting abilities stop the spreading while they run; the board's
// edge tiles glow while a board-wide ability is armed and show the warm halted look while the
// ice is halted. The board owns one and calls it from its update, its level start and the
// abilities' board services.
#include <cstdint>

#include "game/dive/model/ZTile.h"

class ZBoardGrid;
class ZSound;

class ZBoardFreeze
{
public:
    static constexpr double kSpreadInterval = 25.0;
    static constexpr double kWarningTime = 5.0;
    // The spread clock at level start: the first spread comes with the first update of play.
    static constexpr double kNever = -1.0e38;

    ZBoardFreeze() = default;
    ~ZBoardFreeze();
    ZBoardFreeze(const ZBoardFreeze&) = delete;
    ZBoardFreeze& operator=(const ZBoardFreeze&) = delete;

    // A new level: freezing on when the board file has frozen tiles; the clock back to "never",
    // no halt, the warning silent.
    void StartLevel(bool freezing);
    // Every update of play: warns and spreads on the clock. `now` is the game time in seconds.
    void Spread(double now, const ZBoardGrid& grid);
    // The end of a dive or of the board: the warning stops.
    void Stop();

    // A halt begins (a freeze-halting ability started); halts count, so overlapping ones end
    // together with the last of them.
    void BeginHalt(const ZTileList& edgeTiles);
    // A halt ends; when it was the last, the ice spreads again on a clock restarted at `now`.
    void EndHalt(double now, const ZTileList& edgeTiles);
    bool IsHalted() const { return m_halts > 0; }
    int GetHaltCount() const { return m_halts; }

    // Edge glow while a board-wide ability is armed; see the source for the halted case.
    void HighlightEdgeTiles(bool on, bool force, const ZTileList& edgeTiles);
    // The halted look of the edge tiles on or off.
    void ShowHalted(bool halted, const ZTileList& edgeTiles);

    bool IsFreezing() const { return m_freezing; }
    double GetLastSpread() const { return m_lastSpread; }
    void SetLastSpread(double t) { m_lastSpread = t; }
    bool IsWarning() const { return m_warning; }
    bool GetHighlight() const { return m_highlight; }
    int GetSpreadCount() const { return m_spreads; }

private:
    void StartWarning();
    void StopWarning();

    bool m_freezing = false;
    int m_halts = 0;
    double m_lastSpread = kNever;
    bool m_warning = false;
    bool m_highlight = false;
    int m_spreads = 0;
    ZSound* m_sound = nullptr;
};
