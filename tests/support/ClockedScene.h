#pragma once
// The engine's clocks and scene under a test's control, shared by every test that needs them:
// ManualTicks drives the platform tick counter by hand (wrap-around included), TestClock puts a
// frame timer of the test's in g_frameTimer, SceneTest gives each test a fresh scene tree and
// ClockedSceneTest both, with frames that move the clock and then update the tree. Each puts back
// what it replaced.
#include <gtest/gtest.h>

#include <cstdint>

#include "engine/core/ZFrameTimer.h"
#include "engine/platform/ZPlatformTime.h"
#include "engine/scene/ZNode.h"
#include "engine/scene/ZSceneTree.h"

namespace qvtest
{
// The platform tick counter reads `Now()` for this object's lifetime. One at a time.
class ManualTicks
{
public:
    explicit ManualTicks(uint32_t start = 0)
    {
        Ticks() = start;
        plat::SetTickSource(&Read);
    }
    ~ManualTicks() { plat::SetTickSource(nullptr); }
    ManualTicks(const ManualTicks&) = delete;
    ManualTicks& operator=(const ManualTicks&) = delete;

    void Advance(uint32_t milliseconds) { Ticks() += milliseconds; }
    uint32_t Now() const { return Ticks(); }

private:
    static uint32_t& Ticks()
    {
        static uint32_t ticks = 0;
        return ticks;
    }
    static uint32_t Read() { return Ticks(); }
};

// g_frameTimer is `timer` for this object's lifetime; the timer before is put back after.
class TestClock
{
public:
    TestClock() : m_saved(g_frameTimer) { g_frameTimer = &timer; }
    ~TestClock() { g_frameTimer = m_saved; }
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    // One frame of `dt` seconds: the time moves on by it and it is the frame's delta.
    void Advance(double dt)
    {
        timer.now += dt;
        timer.frameDelta = dt;
    }
    double Now() const { return timer.now; }

    ZFrameTimer timer;

private:
    ZFrameTimer* m_saved;
};

// A fresh scene tree for each test, destroyed after it, outside start-up and shutdown.
class SceneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_engineStartingUp = false;
        ZSceneTree::SetShutdownBegun(false);
        g_nodeListenersMuted = false;
        tree = ZSceneTree::GetInstance();
    }
    void TearDown() override
    {
        ZSceneTree::DestroyInstance();
        g_engineStartingUp = false;
        ZSceneTree::SetShutdownBegun(false);
    }

    ZSceneTree* tree = nullptr;
};

// A fresh scene tree and the test's clock.
class ClockedSceneTest : public SceneTest
{
public:
    // One frame of `dt` seconds: the clock moves, then the tree updates.
    void Frame(double dt)
    {
        clock.Advance(dt);
        tree->Update();
    }

protected:
    TestClock clock;
};
} // namespace qvtest
