// A whole recorded dive in the real game: the game's own engine is started in this process with the
// recorded dive session (tests/shell/DiveSession.h) and the fixed-step test settings, and its frames
// are paced at the engine's 80 fps limit as a player's would be. Reports the frame statistics of
// FrameStats.h, the engine's own time per frame (input, scene update and the game's update, median
// and 99th percentile), the main thread's time in the back end's frame (draw list, draw calls and
// present), the process's peak resident memory, the back end's peak texture memory and the frames
// played. Arg 0: the Direct3D 7 back end on the software device, 1: OpenGL. Needs a display
// (xvfb-run -a quorvane_bench --benchmark_filter=Dive).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "FrameStats.h"
#include "engine/app/ZEngineMain.h"
#include "engine/render/resources/IRender.h"
#include "game/shell/ZQuorvaneEngine.h"
#include "tests/shell/DiveSession.h"

namespace
{
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// What one run measured, frame by frame.
struct SDiveFrames
{
    std::vector<double> wall, engine, renderCpu;
    // The process's processor time and the wall clock at the first and the last frame: loading
    // before the first frame is not part of the dive.
    double firstCpu = -1.0, lastCpu = 0.0;
    // The most texture memory the back end held at once (on llvmpipe it is part of the process's
    // resident memory).
    double textureMiB = 0.0;
    Clock::time_point firstWall, lastWall;
};
SDiveFrames* g_frames = nullptr;

// The game's engine with its frames timed and paced: the frame-rate limit does not apply with the
// fixed step the replay needs, so the pacing is done here.
class ZDiveBenchEngine : public ZQuorvaneEngine
{
public:
    bool Frame() override
    {
        const auto period =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / 80.0));
        if (m_next == Clock::time_point())
            m_next = Clock::now();
        std::this_thread::sleep_until(m_next);
        m_next = std::max(m_next + period, Clock::now());
        m_engineMs = 0.0;
        m_renderCpuBefore = -1.0;
        const auto start = Clock::now();
        const bool shown = ZQuorvaneEngine::Frame();
        const double threadEnd = benchframe::CpuMs(CLOCK_THREAD_CPUTIME_ID);
        if (g_frames && shown)
        {
            if (g_frames->firstCpu < 0.0)
            {
                g_frames->firstCpu = benchframe::CpuMs(CLOCK_PROCESS_CPUTIME_ID);
                g_frames->firstWall = Clock::now();
            }
            g_frames->lastCpu = benchframe::CpuMs(CLOCK_PROCESS_CPUTIME_ID);
            g_frames->lastWall = Clock::now();
            if (g_render)
                g_frames->textureMiB = double(g_render->GetPeakTextureMemoryMiB());
            g_frames->wall.push_back(Ms(Clock::now() - start));
            g_frames->engine.push_back(m_engineMs);
            g_frames->renderCpu.push_back(m_renderCpuBefore >= 0.0 ? threadEnd - m_renderCpuBefore : 0.0);
        }
        return shown;
    }
    void UpdateScene() override
    {
        const auto start = Clock::now();
        ZQuorvaneEngine::UpdateScene();
        m_engineMs += Ms(Clock::now() - start);
    }
    void UpdateGame() override
    {
        const auto start = Clock::now();
        ZQuorvaneEngine::UpdateGame();
        m_engineMs += Ms(Clock::now() - start);
        // The audio's update and the back end's frame follow.
        m_renderCpuBefore = benchframe::CpuMs(CLOCK_THREAD_CPUTIME_ID);
    }

private:
    Clock::time_point m_next;
    double m_engineMs = 0.0;
    double m_renderCpuBefore = -1.0;
};
} // namespace

template <> const char* ZEngineFactoryTempl<ZDiveBenchEngine>::displayName = "Quorvane";
template <> const char* ZEngineFactoryTempl<ZDiveBenchEngine>::keyName = "quorvane";

namespace
{
// The dive in this process (a child of the benchmark, so every run starts the engine afresh and
// its memory is its own): writes the frame figures to `out` and returns the game's exit code.
int PlayDive(bool gl, const fs::path& home, int out)
{
    const std::string root = std::string(QV_BINARY_DIR) + "/home";
    const fs::path data = home / "Brannoch" / "quorvane";
    fs::create_directories(data / "sessions");
    if (!divesession::WriteDiveSession((data / "sessions" / "session.dat").string()))
        return 2;
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    setenv("engineroot", root.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    fs::current_path(home);

    const std::string step = std::string("--engine.fixedstep=") + divesession::kStepText;
    const std::string render = std::string("--engine.render.system=") + (gl ? "renderopengl" : "renderd3d7");
    const std::string board = std::string("--zelk.board=") + divesession::kBoard;
    const char* words[] = {"play",        step.c_str(),   "--engine.randomseed=7",
                           board.c_str(), render.c_str(), "--engine.pauseonblur=0"};
    SDiveFrames frames;
    g_frames = &frames;
    const int code = RunEngine(int(std::size(words)), words, ZEngineFactoryTempl<ZDiveBenchEngine>::Get());
    g_frames = nullptr;
    using benchframe::FrameStats;
    const double diveWall = Ms(frames.lastWall - frames.firstWall);
    const double figures[8] = {double(frames.wall.size()),
                               FrameStats::Percentile(frames.wall, 0.5),
                               FrameStats::Percentile(frames.wall, 0.99),
                               FrameStats::Percentile(frames.engine, 0.5),
                               FrameStats::Percentile(frames.engine, 0.99),
                               FrameStats::Percentile(frames.renderCpu, 0.5),
                               diveWall > 0.0 ? 100.0 * (frames.lastCpu - frames.firstCpu) / diveWall : 0.0,
                               frames.textureMiB};
    if (write(out, figures, sizeof figures) != ssize_t(sizeof figures))
        return 2;
    return code;
}

void BM_RecordedDive(benchmark::State& state)
{
    const bool gl = state.range(0) != 0;
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if ((driver && std::strcmp(driver, "dummy") == 0) || !std::getenv("DISPLAY"))
    {
        state.SkipWithError("no display");
        return;
    }
    if (!fs::exists(std::string(QV_BINARY_DIR) + "/home"))
    {
        state.SkipWithError("no game folder (build the game first)");
        return;
    }
    for (auto _ : state)
    {
        char pattern[] = "/tmp/quorvane-divebench-XXXXXX";
        const char* dir = mkdtemp(pattern);
        int channel[2];
        if (!dir || pipe(channel) != 0)
        {
            state.SkipWithError("no temporary folder or pipe");
            return;
        }
        const fs::path home = dir;
        const double load = benchframe::LoadAverage();
        const auto start = Clock::now();
        const pid_t child = fork();
        if (child == 0)
        {
            close(channel[0]);
            _exit(PlayDive(gl, home, channel[1]));
        }
        close(channel[1]);
        double figures[8] = {};
        const bool read = child > 0 && ::read(channel[0], figures, sizeof figures) == ssize_t(sizeof figures);
        close(channel[0]);
        int status = 0;
        rusage usage{};
        if (child > 0)
            wait4(child, &status, 0, &usage);
        const double wallMs = Ms(Clock::now() - start);
        fs::remove_all(home);
        if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        {
            state.SkipWithError("the game did not end normally");
            return;
        }
        const double cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                             double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
        state.counters["run_core_pct"] = wallMs > 0.0 ? 100.0 * cpuMs / wallMs : 0.0;
        state.counters["frames"] = figures[0];
        state.counters["median_ms"] = figures[1];
        state.counters["p99_ms"] = figures[2];
        state.counters["engine_ms"] = figures[3];
        state.counters["engine_p99_ms"] = figures[4];
        state.counters["render_cpu_ms"] = figures[5];
        state.counters["core_pct"] = figures[6];
        state.counters["peak_rss_mb"] = double(usage.ru_maxrss) / 1024.0;
        state.counters["texture_mb"] = figures[7] * 1.048576;
        state.counters["load1"] = std::max(load, benchframe::LoadAverage());
    }
}
} // namespace

// One dive per run, each in a process of its own.
BENCHMARK(BM_RecordedDive)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);
