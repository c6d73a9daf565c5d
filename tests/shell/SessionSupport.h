#pragma once
// Runs the real game as a process with a private home and user-data folder, and writes the session
// files it plays back: frame records written through the engine's own recorder, exactly as a live
// session would be recorded.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "engine/app/ZInput.h"

namespace shelltest
{
namespace fs = std::filesystem;

// Logical point (centre origin, y up) to window pixels of the 800 x 600 window.
struct SPoint
{
    float x, y;
};
inline SPoint Window(float x, float y)
{
    return {x + 400.0f, 300.0f - y};
}

// Writes frame records through the recorder exactly as a live session would.
class SessionWriter
{
public:
    explicit SessionWriter(const std::string& path)
    {
        ZInputRecorder::DestroyInstance();
        m_recorder = ZInputRecorder::CreateInstance();
        m_recorder->SetMode(ZInputRecorder::kRecord);
        m_ok = m_recorder->Open(path.c_str()) == 0;
        m_input.Init();
    }
    ~SessionWriter()
    {
        m_recorder->Close();
        ZInputRecorder::DestroyInstance();
    }
    bool Ok() const { return m_ok; }
    void Idle(int frames)
    {
        for (int i = 0; i < frames; ++i)
            m_input.Update();
    }
    void Click(SPoint p)
    {
        m_input.QueueMouseMove(p.x, p.y);
        Idle(4);
        m_input.QueueButtonDown(0);
        Idle(2);
        m_input.QueueButtonUp(0);
        Idle(1);
    }
    void Key(int character, uint32_t scanCode)
    {
        m_input.QueueKeyDown(uint32_t(character) & 0xFF, scanCode << 16);
        Idle(1);
        m_input.QueueKeyUp(uint32_t(character) & 0xFF, scanCode << 16);
        Idle(1);
    }

    // For sessions that need other gestures (drags).
    ZInputWindows& Input() { return m_input; }

private:
    ZInputRecorder* m_recorder = nullptr;
    ZInputWindows m_input;
    bool m_ok = false;
};

// The game's exit code; its output (both streams) goes to <home>/out.txt. The game folder is the
// build's unless another engine root is given. A replay that goes astray would otherwise wait on
// a screen forever, so the run is killed after `limitSeconds` (four minutes unless told) and
// reported as failed. The game does not pause when its window loses focus: under a shared test
// display another test's window may take it, and a paused game waits for window messages a
// replay never sends.
inline int RunGame(const std::string& home, const std::string& args, const std::string& root = "",
                   int limitSeconds = 240)
{
    const std::string cmd =
        "cd '" + home + "' && XDG_DATA_HOME='" + home + "' HOME='" + home + "' XDG_CONFIG_HOME='" + home +
        "/.config' SDL_AUDIODRIVER=dummy timeout -s KILL " + std::to_string(limitSeconds) +
        " env engineroot='" + (root.empty() ? std::string(QV_BINARY_DIR) + "/home" : root) + "' '" +
        QV_BINARY_DIR + "/quorvane' " + args + " --engine.pauseonblur=0 > '" + home + "/out.txt' 2>&1";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string Slurp(const fs::path& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
// A fresh private folder for one run.
inline fs::path MakeHome()
{
    char pattern[] = "/tmp/quorvane-e2e-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? fs::path(dir) : fs::path();
}

// What one replay of a recorded session left: the exit code, the output, the pictures the game
// took in order, and the files of the player's profile folder by path below it.
struct SReplay
{
    int code = -1;
    std::string out;
    std::vector<std::string> shots;
    std::map<std::string, std::string> profile;
};

// The lines of the output that start with `prefix`, in order.
inline std::vector<std::string> LinesStarting(const std::string& out, const std::string& prefix)
{
    std::vector<std::string> lines;
    for (size_t at = out.find(prefix); at != std::string::npos; at = out.find(prefix, at + 1))
        if (at == 0 || out[at - 1] == '\n')
            lines.push_back(out.substr(at, out.find('\n', at) - at));
    return lines;
}

// Whether a dive's end line tells of the level surfaced or won with a medal.
inline bool DiveEndedWithAMedal(const std::string& line, const std::string& level)
{
    return std::regex_search(line,
                             std::regex("^Dive: " + level + " ended \\((surfaced|won)\\): medal [0-3],"));
}

// The replay took `count` pictures, each a real one (not a near-empty file).
inline void ExpectPictures(const SReplay& run, size_t count)
{
    ASSERT_EQ(run.shots.size(), count) << run.out;
    for (const std::string& shot : run.shots)
        EXPECT_GT(shot.size(), 10000u) << "a picture is missing";
}

// Plays a session twice with the same settings, both games at once so a long session costs the
// time of one. `write(path)` writes the session file; it runs before the games start, since the
// recorder is one per process.
template <class Write>
bool ReplayTwice(Write write, const std::string& args, int limitSeconds, SReplay (&runs)[2])
{
    fs::path homes[2];
    for (fs::path& home : homes)
    {
        home = MakeHome();
        const fs::path sessions = home / "Brannoch" / "quorvane" / "sessions";
        fs::create_directories(sessions);
        if (!write((sessions / "session.dat").string()))
            return false;
        if (std::getenv("QV_KEEP_E2E"))
            std::printf("keeping %s\n", home.c_str());
    }
    std::fflush(stdout);
    std::thread second([&] { runs[1].code = RunGame(homes[1].string(), args, "", limitSeconds); });
    runs[0].code = RunGame(homes[0].string(), args, "", limitSeconds);
    second.join();
    for (int i = 0; i < 2; ++i)
    {
        const fs::path& home = homes[i];
        runs[i].out = Slurp(home / "out.txt");
        for (int n = 1; fs::exists(home / ("Quorvane Screenshot " + std::to_string(n) + ".png")); ++n)
            runs[i].shots.push_back(Slurp(home / ("Quorvane Screenshot " + std::to_string(n) + ".png")));
        const fs::path profiles = home / "Brannoch" / "quorvane" / "profiles";
        if (fs::exists(profiles))
            for (const auto& entry : fs::recursive_directory_iterator(profiles))
                if (entry.is_regular_file())
                    runs[i].profile[fs::relative(entry.path(), profiles).string()] = Slurp(entry.path());
        if (!std::getenv("QV_KEEP_E2E"))
            fs::remove_all(home);
    }
    return true;
}
} // namespace shelltest
