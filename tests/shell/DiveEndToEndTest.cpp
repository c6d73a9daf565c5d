// A whole dive in the real game: a session recorded with the engine's own recorder starts a board
// by name, makes real swaps and uses the belt's tool until the completion medal is reached, surfaces,
// and leaves through the pause menu. The real executable plays it back twice with the fixed-step
// test settings on each back end: both runs must end the dive the same way (medal, artifacts,
// treasure, score, air, the board's hash) and take the same pictures, The dive's logic does not
// depend on the back end, so both reach the same end line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/shell/DiveSession.h"

namespace fs = std::filesystem;

using namespace shelltest;

namespace
{
struct SDiveRun
{
    int code = -1;
    std::string out;
    std::string endLine;  // the game's "Dive: ..." line
    std::string shots[2]; // the two pictures' bytes
};

SDiveRun PlayRecordedDive(const char* renderer)
{
    SDiveRun run;
    const fs::path home = MakeHome();
    const fs::path data = home / "Brannoch" / "quorvane";
    fs::create_directories(data / "sessions");
    if (!divesession::WriteDiveSession((data / "sessions" / "session.dat").string()))
        return run;
    run.code = RunGame(home.string(), std::string("play --engine.fixedstep=") + divesession::kStepText +
                                          " --engine.randomseed=7 --zelk.board=" + divesession::kBoard +
                                          " --engine.render.system=" + renderer);
    run.out = Slurp(home / "out.txt");
    const size_t at = run.out.find("Dive: ");
    if (at != std::string::npos)
        run.endLine = run.out.substr(at, run.out.find('\n', at) - at);
    for (int i = 0; i < 2; ++i)
        run.shots[i] = Slurp(home / ("Quorvane Screenshot " + std::to_string(i + 1) + ".png"));
    if (!std::getenv("QV_KEEP_E2E"))
        fs::remove_all(home);
    else
        std::printf("kept %s\n", home.c_str());
    return run;
}

// `pictures`: whether the screenshots are compared too (see the Direct3D 7 test for why not there).
void CheckRecordedDive(const char* renderer, bool pictures)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
    const SDiveRun first = PlayRecordedDive(renderer);
    ASSERT_EQ(first.code, 0) << first.out;
    // Two crowns brought out of the sand board's four: its bronze medal, and the player surfaced
    // with air left.
    EXPECT_NE(first.endLine.find("Dive: sand_01 ended (surfaced): medal 1, artifacts 2,"), std::string::npos)
        << first.out;
    EXPECT_NE(first.endLine.find(", board "), std::string::npos) << first.out;
    for (size_t i = 0; pictures && i < 2; ++i)
        EXPECT_GT(first.shots[i].size(), 10000u) << "a screenshot is missing";

    // The same line whatever draws the dive.
    // The score is what the dive earns: 150 in treasure, 100 for each crown and twice the air left.
    // (The sea behind the board draws random numbers too, so the refills follow from it.)
    EXPECT_NE(first.endLine.find("treasure 150, score 585, air left 117.78 s, board e5cd2d3593d02e2e"),
              std::string::npos)
        << first.endLine;

    const SDiveRun second = PlayRecordedDive(renderer);
    ASSERT_EQ(second.code, 0) << second.out;
    EXPECT_EQ(second.endLine, first.endLine);
    for (int i = 0; pictures && i < 2; ++i)
        EXPECT_TRUE(second.shots[i] == first.shots[i]) << "picture " << i + 1 << " differs between runs";
}
} // namespace

TEST(DiveEndToEnd, ARecordedDiveEndsTheSameOnOpenGL)
{
    CheckRecordedDive("renderopengl", true);
}

// The software Direct3D 7 device shows the game on the whole display (the test display's
// 1280 x 1024), where the session's points are replayed on the same spots of the game as in the
// 800 x 600 window it was recorded in. Its rasterizer draws every pixel on the processor: without
// optimisation and under the sanitizers one run takes many minutes, past the run's time limit,
// so there the optimised builds' run stands for it. Its screenshots are not compared: with the
// machine busy, Print Screen on this device sometimes saves a blank picture.
TEST(DiveEndToEnd, ARecordedDiveEndsTheSameOnDirect3D7)
{
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
    GTEST_SKIP() << "the software device is too slow in a debug or sanitizer build";
#else
    CheckRecordedDive("renderd3d7", false);
#endif
}
