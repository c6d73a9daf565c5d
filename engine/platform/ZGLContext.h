#pragma once
// The OpenGL context of the game window: compatibility profile, double buffered, 8-bit RGBA
// with a 16-bit depth buffer and a 1-bit stencil buffer. The OpenGL back end draws through it
// and loads its extension entry points with GetProcAddress.
class ZPlatformWindow;
struct SDL_Window;

class ZGLContext
{
public:
    struct Format
    {
        int red = 0;
        int green = 0;
        int blue = 0;
        int alpha = 0;
        int depth = 0;
        int stencil = 0;
        bool doubleBuffer = false;
        bool compatibilityProfile = false;
    };

    // The pixel format requests; ZPlatformWindow::Create applies them to a window made with
    // ZPlatformWindow::kOpenGL before the window exists, as the platform requires.
    static void SetWindowAttributes();

    ZGLContext() = default;
    ~ZGLContext();
    ZGLContext(const ZGLContext&) = delete;
    ZGLContext& operator=(const ZGLContext&) = delete;

    // Creates the context on the window and makes it current. 0 success, 1 failure
    // (plat::GetVideoError tells why).
    int Create(ZPlatformWindow& window);
    void Destroy();
    bool IsCreated() const { return m_context != nullptr; }
    bool MakeCurrent();
    // Presents the back buffer.
    void SwapBuffers();
    // 0 off, 1 wait for the vertical retrace; false when the driver refuses.
    bool SetSwapInterval(int interval);
    // Entry point of a GL function or extension; null when unknown.
    void* GetProcAddress(const char* name) const;
    // What the driver actually gave.
    bool GetFormat(Format& out) const;

private:
    void* m_context = nullptr;
    SDL_Window* m_window = nullptr;
};
