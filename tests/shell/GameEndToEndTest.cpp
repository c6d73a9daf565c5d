// The beginning of the whole game in the real executable: a session recorded with the engine's own
// recorder names a new player, reads the opening story, meets the crew, wins the first three
// levels from the chart's cards with real swaps, counts each end of level through, visits the
// island shop the campaign opens after the third level (clicking the Shell Cracker and "Yes"),
// leaves through the chart's menu and quits. The game plays it back twice with the fixed-step test
// settings; both runs must end every dive the same way, take the same pictures and save the same
// profile, and the profile keeps the three medals and treasure enough for the Shell Cracker.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "tests/shell/GameSession.h"

using namespace shelltest;

namespace
{
bool WriteGameSession(const std::string& path)
{
    divesession::DiveWriter session(path);
    if (!session.Ok())
        return false;
    gamesession::PlayToTheShopAndBack(session, gamesession::kSecondLevelSwaps, gamesession::kThirdLevelSwaps);
    session.Idle(2.0f);
    session.Session().Click(mapsession::kMapMenu); // the chart's menu button
    session.Idle(4.0f);
    session.Shot();                  // the main menu
    session.Session().Key(27, 0x01); // Escape on the main menu leaves the game
    session.Idle(2.0f);
    return true;
}

// The value of a setting in the saved profile ("name = value" lines), "" when it is not there.
std::string Setting(const std::string& file, const std::string& name)
{
    std::smatch match;
    if (std::regex_search(file, match, std::regex("(^|\n)" + name + " = ([^\n]*)")))
        return match[2];
    return "";
}

// What a dive's end line reports it earned: the end of level adds it to the player's treasure.
int DiveScore(const std::string& line)
{
    std::smatch match;
    return std::regex_search(line, match, std::regex("score (-?[0-9]+),")) ? std::stoi(match[1]) : -1;
}
} // namespace

TEST(GameEndToEnd, ThreeLevelsFromTheChartAStoryTheCrewAndAPurchaseInTheFirstShop)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
        // About 100 s optimised; unoptimised and under the sanitizers the two runs take half an hour,
        // which no test run can wait for. The map session plays the same start under the sanitizers.
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
    GTEST_SKIP() << "the whole game is too slow to replay in a debug or sanitizer build";
#endif
    SReplay runs[2];
    ASSERT_TRUE(ReplayTwice(WriteGameSession,
                            std::string("play --engine.fixedstep=") + divesession::kStepText +
                                " --engine.randomseed=7 --engine.render.system=renderopengl",
                            800, runs));
    ASSERT_EQ(runs[0].code, 0) << runs[0].out;
    ASSERT_EQ(runs[1].code, 0) << runs[1].out;

    // Three dives, the campaign's first three levels in order, each ended with a medal.
    const std::vector<std::string> dives = LinesStarting(runs[0].out, "Dive: ");
    ASSERT_EQ(dives.size(), 3u) << runs[0].out;
    const char* levels[] = {"sand_01", "sand_02", "sand_03"};
    int brought = 0;
    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_TRUE(DiveEndedWithAMedal(dives[i], levels[i])) << dives[i];
        brought += DiveScore(dives[i]);
    }
    // The shop was reached and left, and the chart's menu led to the main menu.
    EXPECT_NE(runs[0].out.find("Main menu: shown"), std::string::npos) << runs[0].out;

    // Pictures: the chart's first visit as the map session takes them (the card, the story, the
    // crew, the board, the completion, the end of the level, the chart), then for each of the next
    // two levels the card, the completion and the end of the level, the chart with the tool belt
    // between them, the shop, its prompt, the purchase, the chart after it and the main menu.
    ExpectPictures(runs[0], 19);
    if (HasFatalFailure())
        return;

    // The profile keeps the three medals, the purchase and what it cost.
    const auto levelsFile = runs[0].profile.find("profile_0/levels.xml");
    ASSERT_NE(levelsFile, runs[0].profile.end());
    for (const char* level : levels)
        EXPECT_TRUE(std::regex_search(levelsFile->second,
                                      std::regex(std::string("<level name=\"") + level + "\"[^>]* medal=\"(complete|bronze|silver|gold)\"")))
            << level << "\n"
            << levelsFile->second;
    // The dives earned the Shell Cracker's price and more, the end of each level added its score
    // to the player's treasure, and the shop took the price for one Shell Cracker.
    const auto settings = runs[0].profile.find("profile_0/profile.txt");
    ASSERT_NE(settings, runs[0].profile.end());
    constexpr int kShellCrackerPrice = 150;
    EXPECT_GE(brought, kShellCrackerPrice);
    const std::string treasure = Setting(settings->second, "profile.treasure");
    ASSERT_FALSE(treasure.empty()) << settings->second;
    EXPECT_EQ(std::stoi(treasure), brought - kShellCrackerPrice) << settings->second;
    EXPECT_EQ(Setting(settings->second, "profile.inventory.breaktile"), "1") << settings->second;

    // The replay ends the same way every run.
    EXPECT_EQ(LinesStarting(runs[1].out, "Dive: "), dives);
    ASSERT_EQ(runs[1].shots.size(), runs[0].shots.size());
    // The main menu's living background is left out, as in the map session.
    for (size_t i = 0; i + 1 < runs[0].shots.size(); ++i)
        EXPECT_TRUE(runs[1].shots[i] == runs[0].shots[i]) << "picture " << i + 1 << " differs between runs";
    EXPECT_EQ(runs[1].profile, runs[0].profile);
}
