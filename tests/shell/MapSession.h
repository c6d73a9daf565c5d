#pragma once
// The recorded campaign start the sea-chart end-to-end test replays: a new player named in the
// name entry plays from the main menu onto the sea chart, opens the first level's card from the
// chart's dive button, starts the dive from the card, reads past the opening story and the crew
// screen the campaign shows first, wins the first level with real swaps and the crew member's power
// dragged onto the board, counts the end-of-level screen through and is back on the chart. Written
// through the engine's own recorder; the whole game's session goes on from here.
#include <string>

#include "tests/shell/DiveSession.h"

namespace mapsession
{
using divesession::DiveWriter;
using shelltest::SPoint;
using shelltest::Window;

// Where the screens on the way put their buttons (window pixels of the 800 x 600 window).
inline const SPoint kMenuPlay = Window(0.0f, 60.0f);
inline const SPoint kMapDive = Window(300.0f, -262.0f);
inline const SPoint kMapMenu = Window(-300.0f, -262.0f);
inline const SPoint kCardDive = Window(200.0f, -190.0f);
inline const SPoint kStoryNext = Window(250.0f, -204.0f);
inline const SPoint kStorySkip = Window(0.0f, -204.0f);
inline const SPoint kCrewContinue = Window(290.0f, -262.0f);
inline const SPoint kEndContinue = Window(20.0f, -186.0f);
inline const SPoint kSurface = {700.0f, 445.0f};

// The tile at column `c`, row `r` of the sand boards (seven columns, the exits below row 6).
inline SPoint Tile(int c, int r)
{
    return {296.0f + 38.0f * float(c), 186.0f + 38.0f * float(r)};
}

// One swap: the tile at (c1, r1) with its neighbour at (c2, r2), and the wait for the board to
// settle after it.
struct SSwap
{
    int c1, r1, c2, r2;
    float wait;
};
// The first level's swaps, found by playing this seed's board: matches low on the board bring
// new creatures down. Some find no match (the board refuses them, as it would a player's); every
// swap and wait counts, since the creatures that drop in depend on the frame each swap lands on
// (and on the crew's charge flights, which draw from the same random numbers).
inline const SSwap kFirstLevelSwaps[] = {
    {5, 3, 5, 4, 2.0f}, {4, 1, 4, 2, 2.0f}, {5, 4, 6, 4, 2.0f}, {0, 1, 1, 1, 2.0f},
    {3, 4, 4, 4, 2.0f}, {3, 6, 4, 6, 2.0f}, {3, 5, 3, 6, 2.5f}, {3, 4, 3, 5, 2.0f},
    {2, 6, 3, 6, 2.0f}, {4, 3, 4, 4, 2.0f}, {5, 3, 5, 4, 2.0f},
};
// The crew member's first power on the crew button beside the portrait (ready from the dive's
// start), and the tile it is dropped on: the one under the right-hand crown, which then drops out
// through the exit below.
inline const SPoint kCrewPower = Window(-280.0f, -233.0f);
constexpr int kPowerColumn = 4;
constexpr int kPowerRow = 6;

// Splash, the name entry ("Ann"), the main menu's play: the sea chart fades in.
inline void StartNewPlayer(DiveWriter& session)
{
    session.Idle(8.0f); // splash, loading, the name entry opens
    for (char c : std::string("Ann"))
        session.Session().Key(c, 0x1E);
    session.Idle(0.25f);
    session.Session().Key(13, 0x1C); // Enter: the profile is made and the menu is free
    session.Idle(1.5f);
    session.Session().Click(kMenuPlay);
    session.Idle(3.0f);
}

// From the chart to the first board: the card, the opening story and the crew screen.
inline void ReachFirstBoard(DiveWriter& session)
{
    session.Session().Click(kMapDive); // the first level's card
    session.Idle(1.5f);
    session.Shot(); // the card
    session.Session().Click(kCardDive);
    session.Idle(2.0f);
    session.Shot(); // the opening story's first page
    session.Session().Click(kStoryNext);
    session.Idle(1.0f);
    session.Session().Click(kStorySkip); // on to the page no player skips: how a dive is played
    session.Idle(1.0f);
    session.Session().Click(kStoryNext);
    session.Idle(2.0f);
    session.Shot(); // the crew screen with the first crew member
    session.Session().Click(kCrewContinue);
    session.Idle(4.5f); // the board fades in and the air starts
    session.Shot();     // the board
}

// The first dive won, counted, and back on the chart.
inline void WinFirstLevel(DiveWriter& session)
{
    // Real swaps, chosen on the board this seed deals, then the crew member's power breaks the tile
    // under a crown, which leaves through the exit: the level is complete and the surface button
    // shows.
    for (const SSwap& swap : kFirstLevelSwaps)
    {
        session.Swap(Tile(swap.c1, swap.r1), Tile(swap.c2, swap.r2));
        session.Idle(swap.wait);
    }
    session.Drag(kCrewPower, Tile(kPowerColumn, kPowerRow));
    session.Idle(3.0f);
    session.Shot();                    // the completion reached
    session.Session().Click(kSurface); // the dive ends and the end-of-level screen counts it
    session.Idle(6.0f);
    session.Shot(); // the end-of-level screen, counted
    session.Session().Click(kEndContinue);
    session.Idle(4.0f); // the chart again, the boat sailing on to the second marker
    session.Shot();     // the chart with the first level's medal
}
} // namespace mapsession
