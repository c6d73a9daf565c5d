#pragma once
// Runs the real game as a process with a private home and user-data folder, and writes the session
// files it plays back: frame records written through the engine's own recorder, exactly as a live
// session would be recorded.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

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
// a screen forever, so the run is killed after four minutes and reported as failed. The game does
// not pause when its window loses focus: under a shared test display another test's window may
// take it, and a paused game waits for window messages a replay never sends.
inline int RunGame(const std::string& home, const std::string& args, const std::string& root = "")
{
    const std::string cmd =
        "cd '" + home + "' && XDG_DATA_HOME='" + home + "' HOME='" + home + "' XDG_CONFIG_HOME='" + home +
        "/.config' SDL_AUDIODRIVER=dummy timeout -s KILL 240 env engineroot='" +
        (root.empty() ? std::string(QV_BINARY_DIR) + "/home" : root) + "' '" + QV_BINARY_DIR + "/quorvane' " +
        args + " --engine.pauseonblur=0 > '" + home + "/out.txt' 2>&1";
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
} // namespace shelltest
