#pragma once
// The recorded session of the whole game's beginning: the campaign start of the sea-chart session
// (a new player, the opening story, the crew screen, the first level won), then the second and
// the third level dived from the chart's cards and won with real swaps, and the island shop the
// campaign opens after the third level, where the player buys a Shell Cracker with the treasure
// the dives brought up, leaves, and is back on the chart. Written through the engine's own
// recorder.
#include <span>

#include "tests/shell/MapSession.h"

namespace gamesession
{
using divesession::DiveWriter;
using mapsession::SSwap;
using shelltest::SPoint;
using shelltest::Window;

// Where the island shop puts the Shell Cracker, the prompt's "Yes" and the leave button.
inline const SPoint kShopShellCracker = Window(30.0f, 178.0f);
inline const SPoint kShopYes = Window(-95.0f, -40.0f);
inline const SPoint kShopLeave = Window(270.0f, -250.0f);

// The second and the third level's swaps, found as the first level's were: the session replayed
// up to the board with the grid printed each time it settled (a local print, not kept), and a
// small search over the printed grid for swaps that take a crown out with the creatures already
// in view, replayed until an artifact was out through an exit. On the second level the left-hand
// crown leaves, on the third the right-hand one. Each board's deal is drawn afresh from its
// level's name when it is built, so what the chart, the card and the end-of-level screen draw
// before does not move these; the creatures that drop in after depend on every frame from the
// board's start on (the fade-in, each swap's frame, each wait).
inline const SSwap kSecondLevelSwaps[] = {
    {2, 1, 2, 2, 2.0f},
    {0, 5, 1, 5, 2.0f},
    {1, 5, 1, 6, 2.0f},
};
inline const SSwap kThirdLevelSwaps[] = {
    {4, 2, 4, 3, 2.0f},
    {5, 5, 6, 5, 2.0f},
    {2, 6, 3, 6, 2.0f},
};

// From the chart to the next level's board: the chart's dive button opens the card of the level
// the boat lies at, and the card's dive button starts it.
inline void DiveFromChart(DiveWriter& session)
{
    session.Session().Click(mapsession::kMapDive);
    session.Idle(1.5f);
    session.Shot(); // the card
    session.Session().Click(mapsession::kCardDive);
    session.Idle(5.0f); // the board fades in and the air starts
}

// The swaps, then the surface button, the end-of-level screen counted through and its continue.
inline void WinLevel(DiveWriter& session, std::span<const SSwap> swaps)
{
    for (const SSwap& swap : swaps)
    {
        session.Swap(mapsession::Tile(swap.c1, swap.r1), mapsession::Tile(swap.c2, swap.r2));
        session.Idle(swap.wait);
    }
    session.Shot(); // the completion reached
    session.Session().Click(mapsession::kSurface);
    session.Idle(6.0f);
    session.Shot(); // the end-of-level screen, counted
    session.Session().Click(mapsession::kEndContinue);
    session.Idle(4.0f);
}

// In the island shop: the Shell Cracker, "Yes" on the prompt, and out to the chart.
inline void BuyShellCracker(DiveWriter& session)
{
    // The shop's tips (how to buy, then the next) stand one after another over the top row of
    // items, and a click on a tip box only moves the tip aside: the second click buys.
    session.Idle(4.5f);
    session.Shot(); // the shop with its new stock
    session.Session().Click(kShopShellCracker);
    session.Idle(0.5f);
    session.Session().Click(kShopShellCracker);
    session.Idle(1.0f);
    session.Shot(); // the prompt with the price
    session.Session().Click(kShopYes);
    session.Idle(1.5f);
    session.Shot(); // the treasure after the purchase
    session.Session().Click(kShopLeave);
    session.Idle(4.0f);
}

// The whole session: from the splash to the chart after the shop.
inline void PlayToTheShopAndBack(DiveWriter& session, std::span<const SSwap> second, std::span<const SSwap> third)
{
    mapsession::StartNewPlayer(session);
    mapsession::ReachFirstBoard(session);
    mapsession::WinFirstLevel(session);
    DiveFromChart(session);
    WinLevel(session, second);
    session.Shot(); // the chart with the tool belt
    DiveFromChart(session);
    WinLevel(session, third);
    BuyShellCracker(session);
    session.Shot(); // the chart after the shop
}
} // namespace gamesession
