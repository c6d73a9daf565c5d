// A simple player that always takes a swap the hint search finds: the same level, seed and moves
// give the same board, and every board of the game's data plays to its end without a stall and
// is completed. Each level seeds the game's generator from its board's name, so every board plays
// on its own fixed seed and the run is the same every time.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/ZRandom.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "tests/dive/board/DiveTestSupport.h"

namespace
{
struct BotRun
{
    int moves = 0;
    bool ended = false;
    bool lost = false;
    int medal = -1;
    uint64_t hash = 0;
};

class DiveBotTest : public divetest::DiveTest
{
protected:
    void SetUp() override
    {
        // The game's own boards, after the fixtures (which also hold the HUD's bar for the test).
        table.AddMount("resources", (std::string(QV_SOURCE_DIR) + "/data").c_str());
        DiveTest::SetUp();
        // The dive's abilities, as in the game: a board left without any swap gets the fallback
        // break when the hint countdown runs out, instead of standing still until the air ends.
        ZAbilityManager::GetInstance();
    }
    void TearDown() override
    {
        ZAbilityManager::GetInstance()->StopAllAbilities();
        ZAbilityManager::DestroyInstance();
        DiveTest::TearDown();
    }

    void Step(double dt)
    {
        Frame(dt);
        game->Update(dt);
    }

    // Among the swaps the hint search finds, one under an artifact (in its column, nearest the
    // artifact first), as a player bringing the artifact down would; else any, at random.
    const std::pair<ZTile*, ZTile*>& Choose(const std::vector<std::pair<ZTile*, ZTile*>>& candidates)
    {
        const std::pair<ZTile*, ZTile*>* best = nullptr;
        int bestDistance = 1 << 20;
        for (ZToken* artifact : board->artifactTokens())
        {
            ZTile* at = artifact->getTile();
            if (!at)
                continue;
            for (const auto& c : candidates)
            {
                for (ZTile* tile : {c.first, c.second})
                {
                    const int below = tile->getRow() - at->getRow();
                    if (tile->getColumn() == at->getColumn() && below > 0 && below < bestDistance)
                    {
                        bestDistance = below;
                        best = &c;
                    }
                }
            }
        }
        return best ? *best : candidates[RandomNext() % uint32_t(candidates.size())];
    }

    // Plays until the dive ends, `maxMoves` moves were made, or no frame budget is left.
    BotRun Play(const char* name, int maxMoves, double dt, double budgetSeconds)
    {
        BotRun run;
        // The same input includes the same clock: each run starts at the same time.
        g_frameTimer->now = 10.0;
        if (!Start(name))
            return run;
        std::vector<std::pair<ZTile*, ZTile*>> candidates;
        const int frames = int(budgetSeconds / dt);
        for (int f = 0; f < frames && !dive->IsEnding() && run.moves < maxMoves; ++f)
        {
            if (board->isSettled())
            {
                ZBoardHints::CollectHintCandidates(candidates);
                if (!candidates.empty())
                {
                    const auto& pick = Choose(candidates);
                    board->selectTile(pick.first);
                    if (board->trySwap(pick.second))
                        ++run.moves;
                }
            }
            Step(dt);
        }
        // A dive that ends lets its last flights land.
        for (int f = 0; f < 100; ++f)
            Step(dt);
        run.ended = dive->IsEnding();
        run.lost = dive->IsLost();
        run.medal = bar->GetMedalLevel();
        run.hash = board->gridHash();
        return run;
    }
};

const char* MedalText(int medal)
{
    static const char* const names[] = {"complete", "bronze", "silver", "gold"};
    return medal >= 0 && medal < 4 ? names[medal] : "none";
}
} // namespace

TEST_F(DiveBotTest, TheSameLevelSeedAndMovesGiveTheSameBoard)
{
    const BotRun first = Play("cascade", 500, 0.05, 4000.0);
    ASSERT_GE(first.moves, 500) << "the bot ran out of moves before 500";
    const BotRun second = Play("cascade", 500, 0.05, 4000.0);
    EXPECT_EQ(first.moves, second.moves);
    EXPECT_EQ(first.hash, second.hash);
    std::printf("[ bot ] determinism: %d moves, grid hash %016llx\n", first.moves,
                static_cast<unsigned long long>(first.hash));
}

TEST_F(DiveBotTest, EveryBoardOfTheGamePlaysToItsEnd)
{
    const std::filesystem::path folder = std::filesystem::path(QV_SOURCE_DIR) / "data" / "boards";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no boards in " << folder;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names)
    {
        SCOPED_TRACE(name);
        const BotRun run = Play(name.c_str(), 100000, 0.05, 3000.0);
        EXPECT_TRUE(run.ended) << "the dive did not end";
        // A board this player cannot complete is a fault of the board, ice or not: it uses no
        // tools, so a board that needs them to be completed at all is too hard.
        EXPECT_FALSE(run.lost) << "the bot could not complete it";
        std::printf("[ bot ] %-16s %-8s %4d moves%s\n", name.c_str(), MedalText(run.medal), run.moves,
                    run.lost ? " (lost)" : "");
    }
}
