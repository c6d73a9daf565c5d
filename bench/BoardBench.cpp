// The dive board's frame while a full board cascades: a bot swaps whenever a swap stands ready,
// so pops, falls and refills run all through 1,000 frames; each frame's board update (its tiles and tokens,
// the landings with their match search, the pending pops) is timed on its own. The counters give
// the median and the worst frame in milliseconds; the budget is 1 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "engine/app/ZGame.h"
#include "engine/app/ZGameEngine.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZRandom.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/scene/ZSceneTree.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZTokenType.h"
#include "tests/support/RecordingRender.h"

extern bool g_engineStartingUp;

namespace
{
class BenchEngine : public ZGameEngine
{
public:
    BenchEngine() { SetNames("Quorvane", "quorvane"); }
    bool CheckSingleInstance() override { return true; }
};

void BM_BoardCascade(benchmark::State& state)
{
    ZMountTable table;
    table.AddMount("resources", (std::string(QV_SOURCE_DIR) + "/tests/fixtures/dive").c_str());
    new ZFileSystem(&table);
    auto* engine = new BenchEngine();
    engine->CreateCoreObjects();
    g_engineStartingUp = false;
    auto* render = new test::RecordingRender();
    engine->SetRender(render);
    render->Init(800, 600, true, nullptr);
    engine->CreateLayers();
    g_frameTimer->now = 10.0;
    {
        ZGame game;
        ZInGame* dive = ZInGame::GetInstance();
        ZGame::GotoState(dive);
        for (int i = 0; i < 3; ++i)
        {
            g_frameTimer->now += 0.0125;
            g_frameTimer->frameDelta = 0.0125;
            ZSceneTree::GetInstance()->Update();
            game.Update(0.0125);
        }
        std::vector<double> frames;
        for (auto _ : state)
        {
            dive->StartLevel("cascade", 666, -1);
            for (int i = 0; i < 200 && !dive->IsPlaying(); ++i)
            {
                g_frameTimer->now += 0.0125;
                g_frameTimer->frameDelta = 0.0125;
                ZSceneTree::GetInstance()->Update();
                game.Update(0.0125);
            }
            ZBoard* board = ZBoard::GetInstance();
            std::vector<std::pair<ZTile*, ZTile*>> candidates;
            frames.clear();
            for (int f = 0; f < 1000; ++f)
            {
                // A swap whenever one stands ready, without waiting for the board to settle.
                {
                    ZBoardHints::CollectHintCandidates(candidates);
                    if (!candidates.empty())
                    {
                        const auto& pick = candidates[RandomNext() % uint32_t(candidates.size())];
                        board->selectTile(pick.first);
                        board->trySwap(pick.second);
                    }
                }
                g_frameTimer->now += 0.0125;
                g_frameTimer->frameDelta = 0.0125;
                const auto begin = std::chrono::steady_clock::now();
                board->Update();
                const auto end = std::chrono::steady_clock::now();
                frames.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
                // The rest of the scene and the game, untimed (the board already had its turn).
                board->SetActive(false);
                ZSceneTree::GetInstance()->Update();
                board->SetActive(true);
                game.Update(0.0125);
            }
            benchmark::DoNotOptimize(board->poppedTokens());
            state.counters["popped"] = double(board->poppedTokens());
        }
        std::sort(frames.begin(), frames.end());
        state.counters["median_ms"] = frames.empty() ? 0.0 : frames[frames.size() / 2];
        state.counters["worst_ms"] = frames.empty() ? 0.0 : frames.back();
        ZInGame::DestroyInstance();
    }
    ZBoardHints::DestroyInstance();
    ZCompletionBar::DestroyInstance();
    ZArtifactRegistry::DestroyInstance();
    ReleaseTokenTypeTextures();
    delete engine;
}
BENCHMARK(BM_BoardCascade)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace
