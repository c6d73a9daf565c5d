#pragma once
// The recorded dive the end-to-end test replays and the dive benchmark plays: the game started on
// a board by name, real swaps made with the mouse until the dive ends, the end screen's pictures
// taken, and the game left. Written through the engine's own recorder.
#include <string>

#include "tests/shell/SessionSupport.h"

namespace divesession
{
// The test settings every replay runs with.
constexpr float kStep = 1.0f / 80.0f;
constexpr const char* kStepText = "0.0125";
constexpr const char* kBoard = "sand_01";

inline int Frames(float seconds)
{
    return int(seconds / kStep);
}

// The writer with the pointer drags the game's tools need.
class DiveWriter
{
public:
    explicit DiveWriter(const std::string& path) : m_session(path) {}
    bool Ok() const { return m_session.Ok(); }
    shelltest::SessionWriter& Session() { return m_session; }
    void Idle(float seconds) { m_session.Idle(Frames(seconds)); }
    void Shot() { m_session.Key(0x2C, 0x37); }
    // One swap: the tile, then the one beside it.
    void Swap(shelltest::SPoint a, shelltest::SPoint b)
    {
        m_session.Click(a);
        m_session.Click(b);
    }
    // Held down on `from`, carried to `to` over a few frames and let go there.
    void Drag(shelltest::SPoint from, shelltest::SPoint to)
    {
        ZInputWindows& input = m_session.Input();
        input.QueueMouseMove(from.x, from.y);
        m_session.Idle(4);
        input.QueueButtonDown(0);
        m_session.Idle(2);
        constexpr int kSteps = 12;
        for (int i = 1; i <= kSteps; ++i)
        {
            const float t = float(i) / float(kSteps);
            input.QueueMouseMove(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t);
            m_session.Idle(1);
        }
        m_session.Idle(3);
        input.QueueButtonUp(0);
        m_session.Idle(1);
    }

private:
    shelltest::SessionWriter m_session;
};

inline bool WriteDiveSession(const std::string& path)
{
    DiveWriter session(path);
    if (!session.Ok())
        return false;
    session.Idle(4.5f); // the board fades in and the air starts
    // Two real swaps: three stars in a row, three coins in a column.
    session.Swap({410, 262}, {410, 300});
    session.Idle(2.0f);
    session.Swap({448, 224}, {448, 262});
    session.Idle(2.0f);
    // The shell cracker from the belt breaks the tile under each crown: both drop out at the exits.
    session.Drag({155, 400}, {334, 414});
    session.Idle(2.0f);
    session.Drag({155, 400}, {448, 414});
    session.Idle(2.5f);
    session.Shot(); // picture 1: the completion medal reached, the surface button showing
    session.Session().Click({700, 445}); // surface: the dive ends and its results are counted
    session.Idle(3.0f);
    session.Session().Click({420, 486}); // continue: the test board starts again
    session.Idle(3.0f);
    session.Shot();                  // picture 2: the board again, fresh
    session.Session().Key(27, 0x01); // Escape: the pause menu
    session.Idle(1.0f);
    session.Session().Click({400, 420}); // main menu, and yes
    session.Idle(1.0f);
    session.Session().Click({300, 358});
    session.Idle(1.5f);
    session.Session().Key(27, 0x01); // Escape on the main menu leaves the game
    session.Idle(2.0f);
    return true;
}
} // namespace divesession
