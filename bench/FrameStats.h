#pragma once
// Frame statistics of the frame benchmarks: wall time per frame (median and 99th percentile), the
// main thread's processor time per frame, the whole process's processor time per frame and as a
// share of one core over the run (pacing sleeps included), and the machine's one-minute load
// average beside them, since other programs share the processors.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

namespace benchframe
{
inline double CpuMs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1.0e6;
}

inline double LoadAverage()
{
    double load[1] = {0.0};
    return getloadavg(load, 1) == 1 ? load[0] : -1.0;
}

class FrameStats
{
public:
    // fps > 0 paces the frames as the engine's limit does: each frame starts a period after the one
    // before, sleeping for what is left.
    explicit FrameStats(double fps = 0.0) : m_period(fps > 0.0 ? 1.0 / fps : 0.0)
    {
        m_runStart = Clock::now();
        m_runProcess = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
        m_next = m_runStart;
        m_loadBefore = LoadAverage();
    }

    void BeginFrame()
    {
        if (m_period > 0.0)
        {
            std::this_thread::sleep_until(m_next);
            m_next += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(m_period));
            // A frame that ran late does not make the next ones hurry.
            m_next = std::max(m_next, Clock::now());
        }
        m_start = Clock::now();
        m_thread = CpuMs(CLOCK_THREAD_CPUTIME_ID);
        m_process = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    }

    void EndFrame()
    {
        m_wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - m_start).count());
        m_threadMs.push_back(CpuMs(CLOCK_THREAD_CPUTIME_ID) - m_thread);
        m_processMs.push_back(CpuMs(CLOCK_PROCESS_CPUTIME_ID) - m_process);
    }

    void Report(benchmark::State& state)
    {
        const double wallTotal = std::chrono::duration<double, std::milli>(Clock::now() - m_runStart).count();
        const double processTotal = CpuMs(CLOCK_PROCESS_CPUTIME_ID) - m_runProcess;
        state.counters["median_ms"] = Percentile(m_wall, 0.5);
        state.counters["p99_ms"] = Percentile(m_wall, 0.99);
        state.counters["main_cpu_ms"] = Percentile(m_threadMs, 0.5);
        state.counters["proc_cpu_ms"] = Mean(m_processMs);
        state.counters["core_pct"] = wallTotal > 0.0 ? 100.0 * processTotal / wallTotal : 0.0;
        state.counters["load1"] = std::max(m_loadBefore, LoadAverage());
    }

    static double Percentile(std::vector<double> values, double p)
    {
        if (values.empty())
            return 0.0;
        std::sort(values.begin(), values.end());
        const size_t index = std::min(values.size() - 1, size_t(p * double(values.size())));
        return values[index];
    }
    static double Mean(const std::vector<double>& values)
    {
        double sum = 0.0;
        for (double v : values)
            sum += v;
        return values.empty() ? 0.0 : sum / double(values.size());
    }

private:
    using Clock = std::chrono::steady_clock;
    double m_period;
    Clock::time_point m_runStart, m_next, m_start;
    double m_runProcess = 0.0, m_thread = 0.0, m_process = 0.0, m_loadBefore = 0.0;
    std::vector<double> m_wall, m_threadMs, m_processMs;
};
} // namespace benchframe
