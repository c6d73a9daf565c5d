#include "engine/platform/ZPlatformWindow.h"

#include "engine/platform/ZGLContext.h"
#include "engine/platform/ZPlatformMessage.h"

#include <SDL.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
// Sanitizer builds: the desktop-bus library that SDL's video start-up connects through keeps a
// read buffer for the life of the process, even after SDL closes the connection. That is the
// system library's, not ours; every program that opens the video would otherwise be reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}
#endif

namespace plat
{
namespace
{
int g_videoReferences = 0;
int g_cursorCount = 0;

void ApplyCursorCount()
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_ShowCursor(g_cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

// Every frame the GL driver (and the software device's bands) allocate and free a few megabytes
// of command and vertex memory. With the C library's default the freed top of the heap goes back
// to the system at the end of each frame and the next frame faults every page of it in again:
// about 250 page faults a frame, which cost the main thread several milliseconds when the
// machine is busy. Keeping up to 16 MB of freed memory for reuse ends that; the peak resident
// size is the same, since the frame needs that memory anyway.
void KeepFrameMemory()
{
#if defined(__GLIBC__)
    static bool done = false;
    if (done)
        return;
    done = true;
    mallopt(M_TRIM_THRESHOLD, 16 << 20);
#endif
}

bool IsHeadlessDriver(const char* name)
{
    return name && (std::strcmp(name, "dummy") == 0 || std::strcmp(name, "offscreen") == 0);
}
} // namespace

int InitVideo()
{
    if (g_videoReferences > 0)
    {
        ++g_videoReferences;
        return 0;
    }
    // The engine decides when the game ends: closing its only window must reach it as a close
    // message, not as a quit of its own. A click that activates the window also counts as a
    // click in it, as players expect.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // A window's surface (where the software display shows its frames) is the window system's
    // own shared memory, not a texture of a GL renderer made behind it: that renderer would cost
    // a GL context, its threads and a copy more for every frame. GL windows are not affected.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    KeepFrameMemory();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        return 1;
    g_videoReferences = 1;
    ApplyCursorCount();
    return 0;
}

void ShutdownVideo()
{
    if (g_videoReferences <= 0)
        return;
    if (--g_videoReferences != 0)
        return;
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    // With nothing else of SDL in use, let it release what it keeps for the whole process
    // (its desktop-bus connection among others).
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
        SDL_Quit();
}

bool IsVideoInitialised()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

std::string GetVideoError()
{
    const char* text = SDL_GetError();
    return text ? text : "";
}

bool HasDisplay()
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return !IsHeadlessDriver(SDL_GetCurrentVideoDriver());
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (IsHeadlessDriver(driver))
        return false;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && x11[0]) || (wayland && wayland[0]);
}

namespace
{
bool ReadDesktopMode(int display, DisplayMode& out)
{
    SDL_DisplayMode mode{};
    if (!SDL_WasInit(SDL_INIT_VIDEO) || SDL_GetDesktopDisplayMode(display, &mode) != 0)
        return false;
    out.width = mode.w;
    out.height = mode.h;
    out.refreshRate = mode.refresh_rate;
    out.bitsPerPixel = int(SDL_BITSPERPIXEL(mode.format));
    return true;
}

bool ReadDisplayBounds(int display, Rect& out)
{
    SDL_Rect r{};
    if (!SDL_WasInit(SDL_INIT_VIDEO) || SDL_GetDisplayBounds(display, &r) != 0)
        return false;
    out = {r.x, r.y, r.w, r.h};
    return true;
}
} // namespace

bool GetPrimaryDesktopMode(DisplayMode& out)
{
    return ReadDesktopMode(0, out);
}
bool GetPrimaryDisplayBounds(Rect& out)
{
    return ReadDisplayBounds(0, out);
}

Rect CenteredPlacement(const Rect& display, int width, int height, bool windowed)
{
    if (!windowed)
        return display;
    const int w = std::min(width, display.w);
    const int h = std::min(height, display.h);
    return {display.x + display.w / 2 - w / 2, display.y + display.h / 2 - h / 2, w, h};
}

int ShowCursor(bool show)
{
    g_cursorCount += show ? 1 : -1;
    ApplyCursorCount();
    return g_cursorCount;
}

int GetCursorShowCount()
{
    return g_cursorCount;
}

bool SetCapture(bool on)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return false;
    return SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE) == 0;
}
} // namespace plat

ZPlatformWindow::~ZPlatformWindow()
{
    DestroyWindow();
}

int ZPlatformWindow::Create(const std::string& title, int width, int height, bool windowed, uint32_t flags)
{
    if (m_window)
        return 1;
    if (width <= 0 || height <= 0)
        return 1;
    if (plat::InitVideo() != 0)
        return 1;
    m_videoReference = true;
    uint32_t sdlFlags = SDL_WINDOW_HIDDEN;
    if (flags & kOpenGL)
    {
        ZGLContext::SetWindowAttributes();
        sdlFlags |= SDL_WINDOW_OPENGL;
    }
    if (!windowed)
        sdlFlags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    m_window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                sdlFlags);
    if (!m_window)
    {
        // Keep the reason readable after the video subsystem is released.
        const std::string reason = plat::GetVideoError();
        m_videoReference = false;
        plat::ShutdownVideo();
        SDL_SetError("%s", reason.c_str());
        return 1;
    }
    m_windowed = windowed;
    SDL_StartTextInput();
    return 0;
}

int ZPlatformWindow::SetWindowed(bool windowed, int width, int height)
{
    if (!m_window)
        return 1;
    if (SDL_SetWindowFullscreen(m_window, windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        return 1;
    m_windowed = windowed;
    if (windowed)
    {
        SDL_SetWindowAlwaysOnTop(m_window, SDL_FALSE);
        if (width > 0 && height > 0)
            SDL_SetWindowSize(m_window, width, height);
        SDL_ShowWindow(m_window);
    }
    return 0;
}

bool ZPlatformWindow::CenterOnDisplay(int& width, int& height)
{
    plat::Rect bounds;
    if (!m_window || !GetDisplayBounds(bounds))
        return false;
    const plat::Rect place = plat::CenteredPlacement(bounds, width, height, m_windowed);
    width = place.w;
    height = place.h;
    // Full screen already covers the display.
    if (m_windowed)
    {
        SDL_SetWindowSize(m_window, place.w, place.h);
        SDL_SetWindowPosition(m_window, place.x, place.y);
    }
    Invalidate();
    return true;
}

void ZPlatformWindow::Show()
{
    if (m_window)
        SDL_ShowWindow(m_window);
}

void ZPlatformWindow::Hide()
{
    if (m_window)
        SDL_HideWindow(m_window);
}

void ZPlatformWindow::Raise()
{
    if (!m_window)
        return;
    SDL_ShowWindow(m_window);
    SDL_RestoreWindow(m_window);
    SDL_RaiseWindow(m_window);
}

void ZPlatformWindow::Destroy()
{
    if (!m_window)
        return;
    plat::Message message;
    message.type = plat::MessageType::Destroy;
    message.windowId = GetId();
    DestroyWindow();
    plat::PostMessage(message);
}

void ZPlatformWindow::DestroyWindow()
{
    if (m_window)
    {
        SDL_SetWindowMouseRect(m_window, nullptr);
        SDL_DestroyWindow(m_window);
        m_window = nullptr;
    }
    if (m_videoReference)
    {
        m_videoReference = false;
        plat::ShutdownVideo();
    }
}

uint32_t ZPlatformWindow::GetId() const
{
    return m_window ? SDL_GetWindowID(m_window) : 0;
}

bool ZPlatformWindow::GetDisplayBounds(plat::Rect& out) const
{
    if (!m_window)
        return false;
    const int display = SDL_GetWindowDisplayIndex(m_window);
    return display >= 0 && plat::ReadDisplayBounds(display, out);
}

bool ZPlatformWindow::GetDesktopMode(plat::DisplayMode& out) const
{
    if (!m_window)
        return false;
    const int display = SDL_GetWindowDisplayIndex(m_window);
    return display >= 0 && plat::ReadDesktopMode(display, out);
}

bool ZPlatformWindow::GetClientRect(plat::Rect& out) const
{
    if (!m_window)
        return false;
    int w = 0, h = 0;
    SDL_GetWindowSize(m_window, &w, &h);
    out = {0, 0, w, h};
    return true;
}

bool ZPlatformWindow::GetWindowRect(plat::Rect& out) const
{
    if (!m_window)
        return false;
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(m_window, &x, &y);
    SDL_GetWindowSize(m_window, &w, &h);
    out = {x, y, w, h};
    return true;
}

void ZPlatformWindow::SetTitle(const std::string& title)
{
    if (m_window)
        SDL_SetWindowTitle(m_window, title.c_str());
}

bool ZPlatformWindow::SetIcon(const uint8_t* rgba, int width, int height)
{
    if (!m_window || !rgba || width <= 0 || height <= 0)
        return false;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba), width, height, 32,
                                                              width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface)
        return false;
    SDL_SetWindowIcon(m_window, surface);
    SDL_FreeSurface(surface);
    return true;
}

bool ZPlatformWindow::ClipCursor(const plat::Rect* screenRect)
{
    if (!m_window)
        return false;
    if (!screenRect)
        return SDL_SetWindowMouseRect(m_window, nullptr) == 0;
    // The platform confines the pointer in window coordinates.
    int x = 0, y = 0;
    SDL_GetWindowPosition(m_window, &x, &y);
    const SDL_Rect r{screenRect->x - x, screenRect->y - y, std::max(screenRect->w, 1),
                     std::max(screenRect->h, 1)};
    return SDL_SetWindowMouseRect(m_window, &r) == 0;
}

void ZPlatformWindow::Invalidate()
{
    if (!m_window)
        return;
    plat::Message message;
    message.type = plat::MessageType::Paint;
    message.windowId = GetId();
    plat::PostMessage(message);
}
