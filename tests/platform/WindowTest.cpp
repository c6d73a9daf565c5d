// The window under the window-less dummy driver, and with a real display when one exists.
#include "PlatformTestSupport.h"
#include "engine/platform/ZGLContext.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"

#include <SDL.h>
#include <cstring>
#include <gtest/gtest.h>

#include "support/DisplayTestSupport.h"

namespace
{
using plat::Rect;

TEST(WindowPlacement, CentresOnTheDisplayWithItsOrigin)
{
    struct Case
    {
        const char* label;
        Rect display;
        int width, height;
        bool windowed;
        Rect expected;
    };
    const Case cases[] = {
        {"primary display", {0, 0, 1920, 1080}, 800, 600, true, {560, 240, 800, 600}},
        {"display right of the primary", {1920, 0, 1280, 1024}, 800, 600, true, {2160, 212, 800, 600}},
        {"display left of and above the primary",
         {-1280, -200, 1280, 1024},
         800,
         600,
         true,
         {-1040, 12, 800, 600}},
        {"odd sizes truncate each half", {0, 0, 1025, 769}, 801, 601, true, {112, 84, 801, 601}},
        {"windowed is capped at the display", {100, 50, 640, 480}, 800, 600, true, {100, 50, 640, 480}},
        {"full screen covers the display", {1920, 0, 1280, 1024}, 800, 600, false, {1920, 0, 1280, 1024}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        const Rect r = plat::CenteredPlacement(c.display, c.width, c.height, c.windowed);
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.w, c.expected.w);
        EXPECT_EQ(r.h, c.expected.h);
    }
}

class DummyWindow : public ::testing::Test
{
protected:
    void SetUp() override { plat::ClearMessages(); }
    void TearDown() override { plat::ClearMessages(); }
    qvtest::ScopedEnv m_driver{"SDL_VIDEODRIVER", "dummy"};
};

TEST_F(DummyWindow, CreateCentreRestyleAndDestroy)
{
    EXPECT_FALSE(plat::HasDisplay());
    ZPlatformWindow window;
    ASSERT_EQ(window.Create("Quorvane", 800, 600, true), 0) << plat::GetVideoError();
    EXPECT_TRUE(window.IsOpen());
    EXPECT_TRUE(window.IsWindowed());
    EXPECT_FALSE(plat::HasDisplay()); // the dummy driver shows nothing to anyone
    EXPECT_NE(window.GetId(), 0u);

    Rect client;
    ASSERT_TRUE(window.GetClientRect(client));
    EXPECT_EQ(client.x, 0);
    EXPECT_EQ(client.y, 0);
    EXPECT_EQ(client.w, 800);
    EXPECT_EQ(client.h, 600);

    Rect display;
    ASSERT_TRUE(window.GetDisplayBounds(display));
    plat::DisplayMode mode;
    ASSERT_TRUE(window.GetDesktopMode(mode));
    EXPECT_EQ(mode.width, display.w);
    EXPECT_EQ(mode.height, display.h);
    plat::DisplayMode primary;
    ASSERT_TRUE(plat::GetPrimaryDesktopMode(primary));
    EXPECT_EQ(primary.width, mode.width);

    // Larger than the display: capped and centred.
    int w = display.w + 500, h = display.h + 500;
    ASSERT_TRUE(window.CenterOnDisplay(w, h));
    EXPECT_EQ(w, display.w);
    EXPECT_EQ(h, display.h);
    w = 320;
    h = 200;
    ASSERT_TRUE(window.CenterOnDisplay(w, h));
    Rect placed;
    ASSERT_TRUE(window.GetWindowRect(placed));
    EXPECT_EQ(placed.x, display.x + display.w / 2 - 160);
    EXPECT_EQ(placed.y, display.y + display.h / 2 - 100);
    EXPECT_EQ(placed.w, 320);
    EXPECT_EQ(placed.h, 200);

    ASSERT_EQ(window.SetWindowed(false, 0, 0), 0);
    EXPECT_FALSE(window.IsWindowed());
    ASSERT_EQ(window.SetWindowed(true, 640, 480), 0);
    EXPECT_TRUE(window.IsWindowed());
    ASSERT_TRUE(window.GetClientRect(client));
    EXPECT_EQ(client.w, 640);
    EXPECT_EQ(client.h, 480);

    const std::vector<uint8_t> icon(64 * 64 * 4, 0x80);
    EXPECT_TRUE(window.SetIcon(icon.data(), 64, 64));
    EXPECT_FALSE(window.SetIcon(nullptr, 64, 64));

    plat::ClearMessages();
    const uint32_t id = window.GetId();
    window.Destroy();
    EXPECT_FALSE(window.IsOpen());
    EXPECT_FALSE(plat::IsVideoInitialised());
    plat::Message m;
    ASSERT_TRUE(plat::PeekMessage(m));
    EXPECT_EQ(m.type, plat::MessageType::Destroy);
    EXPECT_EQ(m.windowId, id);
}

TEST_F(DummyWindow, FullScreenCoversTheDisplay)
{
    ZPlatformWindow window;
    ASSERT_EQ(window.Create("Quorvane", 800, 600, false), 0) << plat::GetVideoError();
    EXPECT_FALSE(window.IsWindowed());
    int w = 800, h = 600;
    ASSERT_TRUE(window.CenterOnDisplay(w, h));
    Rect display;
    ASSERT_TRUE(window.GetDisplayBounds(display));
    EXPECT_EQ(w, display.w);
    EXPECT_EQ(h, display.h);
}

TEST_F(DummyWindow, BadRequestsFail)
{
    ZPlatformWindow window;
    EXPECT_EQ(window.Create("Quorvane", 0, 600, true), 1);
    EXPECT_FALSE(plat::IsVideoInitialised());
    EXPECT_EQ(window.SetWindowed(true, 800, 600), 1);
    int w = 800, h = 600;
    EXPECT_FALSE(window.CenterOnDisplay(w, h));
    // The dummy driver has no OpenGL: the failure is reported, not hidden.
    EXPECT_EQ(window.Create("Quorvane", 800, 600, true, ZPlatformWindow::kOpenGL), 1);
    EXPECT_FALSE(plat::GetVideoError().empty());
    EXPECT_FALSE(plat::IsVideoInitialised());
    ASSERT_EQ(window.Create("Quorvane", 800, 600, true), 0);
    EXPECT_EQ(window.Create("Quorvane", 800, 600, true), 1); // one window per object
    ZGLContext context;
    EXPECT_EQ(context.Create(window), 1); // not made for OpenGL
    EXPECT_EQ(context.GetProcAddress("glClear"), nullptr);
}

// With a real display (CI runs the tests under a virtual X server).
class DisplayWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (std::string why; !qvtest::OpenRealDisplay(why))
            GTEST_SKIP() << why;
        m_video = true;
        plat::ClearMessages();
    }
    void TearDown() override
    {
        plat::ClearMessages();
        if (m_video)
            plat::ShutdownVideo();
    }
    bool m_video = false;
};

TEST_F(DisplayWindow, GLContextHasTheRequestedFormat)
{
    ZPlatformWindow window;
    ASSERT_EQ(window.Create("Quorvane GL", 320, 240, true, ZPlatformWindow::kOpenGL), 0)
        << plat::GetVideoError();
    ZGLContext context;
    ASSERT_EQ(context.Create(window), 0) << plat::GetVideoError();
    ASSERT_TRUE(context.MakeCurrent());
    ZGLContext::Format format;
    ASSERT_TRUE(context.GetFormat(format));
    EXPECT_EQ(format.red, 8);
    EXPECT_EQ(format.green, 8);
    EXPECT_EQ(format.blue, 8);
    EXPECT_EQ(format.alpha, 8);
    EXPECT_GE(format.depth, 16);
    EXPECT_GE(format.stencil, 1);
    EXPECT_TRUE(format.doubleBuffer);
    EXPECT_TRUE(format.compatibilityProfile);

    using GetStringFn = const unsigned char* (*)(unsigned);
    using ClearFn = void (*)(unsigned);
    auto getString = reinterpret_cast<GetStringFn>(context.GetProcAddress("glGetString"));
    auto clear = reinterpret_cast<ClearFn>(context.GetProcAddress("glClear"));
    ASSERT_NE(getString, nullptr);
    ASSERT_NE(clear, nullptr);
    const unsigned char* version = getString(0x1F02 /* GL_VERSION */);
    ASSERT_NE(version, nullptr);
    EXPECT_GT(std::strlen(reinterpret_cast<const char*>(version)), 0u);
    // The fixed-function entry points the OpenGL back end needs exist in this profile.
    EXPECT_NE(context.GetProcAddress("glActiveTextureARB"), nullptr);
    EXPECT_NE(context.GetProcAddress("glBindBufferARB"), nullptr);
    clear(0x4000 /* GL_COLOR_BUFFER_BIT */);
    context.SwapBuffers();
    context.Destroy();
    EXPECT_FALSE(context.IsCreated());
}

TEST_F(DisplayWindow, ShownWindowReportsItsPlacement)
{
    ZPlatformWindow window;
    ASSERT_EQ(window.Create("Quorvane", 400, 300, true), 0) << plat::GetVideoError();
    int w = 400, h = 300;
    ASSERT_TRUE(window.CenterOnDisplay(w, h));
    window.Show();
    Rect display;
    ASSERT_TRUE(window.GetDisplayBounds(display));
    Rect placed;
    ASSERT_TRUE(window.GetWindowRect(placed));
    EXPECT_EQ(placed.w, 400);
    EXPECT_EQ(placed.h, 300);
    EXPECT_GE(placed.x, display.x);
    EXPECT_GE(placed.y, display.y);
    EXPECT_TRUE(plat::HasDisplay());

    const Rect clip{placed.x + 10, placed.y + 10, 100, 100};
    EXPECT_TRUE(window.ClipCursor(&clip));
    EXPECT_TRUE(window.ClipCursor(nullptr));
}
} // namespace
