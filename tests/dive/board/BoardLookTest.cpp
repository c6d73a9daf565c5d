// What a dive looks like: the in-game state with a shipped board drawn by the OpenGL back end
// from the game's generated pictures, written as a PNG for a person to look at. Runs only when
// QV_DIVE_SHOT names the file to write (and a display is there).
#include <utility>
#include <vector>

#include "tests/dive/board/DiveLookSupport.h"

using DiveLook = divetest::DiveLook;

TEST_F(DiveLook, ABoardOnScreen)
{
    const char* shot = ShotFile("QV_DIVE_SHOT");
    if (!shot)
        GTEST_SKIP() << "QV_DIVE_SHOT names no file to write";
    std::string why;
    if (!Open("sand01", why))
    {
        if (!why.empty())
            GTEST_SKIP() << why;
        return;
    }
    std::vector<std::pair<ZTile*, ZTile*>> candidates;
    ZBoardHints::CollectHintCandidates(candidates);
    if (!candidates.empty())
    {
        board->selectTile(candidates[0].first);
        board->trySwap(candidates[0].second);
    }
    for (int i = 0; i < 30; ++i)
        Frame(0.02);
    Shot(shot);
}
