#pragma once
// The game window on SDL2: creation, full screen and windowed styles, placement on its
// display, the cursor (show count, capture, clipping) and the display queries. Messages from
// the window are read through ZPlatformMessage.h.
#include <cstdint>
#include <string>

struct SDL_Window;

namespace plat
{
struct Rect
{
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

struct DisplayMode
{
    int width = 0;
    int height = 0;
    int refreshRate = 0; // Hz, 0 when unknown
    int bitsPerPixel = 0;
};

// The video and event subsystems, counted: every successful InitVideo needs one ShutdownVideo.
// Windows take their own reference. 0 success, 1 failure (GetVideoError tells why).
int InitVideo();
void ShutdownVideo();
bool IsVideoInitialised();
// The last error text of the window system, for diagnostics.
std::string GetVideoError();

// True when a person can see what the game shows: a real display connection, not the dummy
// or off-screen driver used by tests.
bool HasDisplay();

// The primary display's desktop mode and bounds (origin included); false without video.
bool GetPrimaryDesktopMode(DisplayMode& out);
bool GetPrimaryDisplayBounds(Rect& out);

// Where a window of client size width x height goes on a display with the given bounds:
// centred, the display's origin included; windowed, the size is first capped at the display's.
// Full screen takes the whole display.
Rect CenteredPlacement(const Rect& display, int width, int height, bool windowed);

// Cursor show count, kept with the Windows meaning: each call adds or takes one, the cursor is
// visible while the count is >= 0, and it starts at 0. Returns the new count.
int ShowCursor(bool show);
int GetCursorShowCount();
// Mouse capture: while on, the window keeps getting mouse messages outside its area.
bool SetCapture(bool on);
} // namespace plat

class ZPlatformWindow
{
public:
    // Creation flags.
    static constexpr uint32_t kOpenGL = 1; // the window will carry a GL context (ZGLContext)

    ZPlatformWindow() = default;
    // Destroys the window without posting the destroy message: by then nobody reads messages.
    ~ZPlatformWindow();
    ZPlatformWindow(const ZPlatformWindow&) = delete;
    ZPlatformWindow& operator=(const ZPlatformWindow&) = delete;

    // Creates a hidden window whose client area is width x height, windowed or full screen
    // (full screen covers the window's display at the desktop mode). 0 success, 1 failure.
    int Create(const std::string& title, int width, int height, bool windowed, uint32_t flags = 0);
    // Changes between windowed and full screen; windowed takes the client size given.
    int SetWindowed(bool windowed, int width, int height);
    // Sizes and centres the window on its display, the display's origin included. In windowed
    // mode the size is first capped at the display's size; width and height return the size
    // used. False when the display cannot be read (the window is then left where it is).
    bool CenterOnDisplay(int& width, int& height);
    void Show();
    void Hide();
    // Brings the window to the front and gives it the focus.
    void Raise();
    // Destroys the window and posts the destroy message.
    void Destroy();

    bool IsOpen() const { return m_window != nullptr; }
    bool IsWindowed() const { return m_windowed; }
    uint32_t GetId() const;
    SDL_Window* GetSDLWindow() const { return m_window; }

    // The display the window is on: its bounds and its desktop mode.
    bool GetDisplayBounds(plat::Rect& out) const;
    bool GetDesktopMode(plat::DisplayMode& out) const;
    // Client area: at 0, 0 with the size in pixels; and its place on the screen.
    bool GetClientRect(plat::Rect& out) const;
    bool GetWindowRect(plat::Rect& out) const;

    void SetTitle(const std::string& title);
    // Window icon from RGBA pixels, rows top to bottom.
    bool SetIcon(const uint8_t* rgba, int width, int height);
    // Confines the cursor to a rectangle in screen coordinates; null releases it.
    bool ClipCursor(const plat::Rect* screenRect);
    // Asks for a paint message.
    void Invalidate();

private:
    void DestroyWindow();

    SDL_Window* m_window = nullptr;
    bool m_videoReference = false;
    bool m_windowed = true;
};
