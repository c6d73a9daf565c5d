#include "PlatformTestSupport.h"
#include "engine/platform/ZPlatformWindow.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace
{
// Restores the count so that tests sharing a process start from the same state.
class CursorCount : public ::testing::Test
{
protected:
    void SetUp() override { m_start = plat::GetCursorShowCount(); }
    void TearDown() override
    {
        while (plat::GetCursorShowCount() < m_start)
            plat::ShowCursor(true);
        while (plat::GetCursorShowCount() > m_start)
            plat::ShowCursor(false);
    }
    int m_start = 0;
};

TEST_F(CursorCount, CountsLikeTheWindowsCounter)
{
    ASSERT_EQ(m_start, 0); // a new process starts shown
    EXPECT_EQ(plat::ShowCursor(false), -1);
    EXPECT_EQ(plat::ShowCursor(false), -2);
    EXPECT_EQ(plat::ShowCursor(true), -1);
    EXPECT_EQ(plat::ShowCursor(true), 0);
    EXPECT_EQ(plat::ShowCursor(true), 1);
    // The engine's "show until the count is >= 0" and "hide until < 0" loops end.
    int guard = 0;
    while (plat::ShowCursor(false) >= 0 && ++guard < 10)
    {
    }
    EXPECT_EQ(plat::GetCursorShowCount(), -1);
}

TEST_F(CursorCount, VisibilityFollowsTheCount)
{
    qvtest::ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    plat::ShowCursor(false);
    // The count set before the video starts is applied when it starts.
    ASSERT_EQ(plat::InitVideo(), 0) << plat::GetVideoError();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    plat::ShowCursor(false);
    plat::ShowCursor(true);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE); // still -1
    plat::ShowCursor(true);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    plat::ShutdownVideo();
}
} // namespace
