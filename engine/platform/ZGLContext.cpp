#include "engine/platform/ZGLContext.h"

#include "engine/platform/ZPlatformWindow.h"

#include <SDL.h>

void ZGLContext::SetWindowAttributes()
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 1);
}

ZGLContext::~ZGLContext()
{
    Destroy();
}

int ZGLContext::Create(ZPlatformWindow& window)
{
    if (m_context)
        return 1;
    SDL_Window* sdlWindow = window.GetSDLWindow();
    if (!sdlWindow || !(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_OPENGL))
    {
        SDL_SetError("the window was not made for OpenGL");
        return 1;
    }
    SetWindowAttributes();
    SDL_GLContext context = SDL_GL_CreateContext(sdlWindow);
    if (!context)
        return 1;
    m_context = context;
    m_window = sdlWindow;
    return 0;
}

void ZGLContext::Destroy()
{
    if (!m_context)
        return;
    if (SDL_GL_GetCurrentContext() == m_context)
        SDL_GL_MakeCurrent(m_window, nullptr);
    SDL_GL_DeleteContext(m_context);
    m_context = nullptr;
    m_window = nullptr;
}

bool ZGLContext::MakeCurrent()
{
    return m_context && SDL_GL_MakeCurrent(m_window, m_context) == 0;
}

void ZGLContext::SwapBuffers()
{
    if (m_context)
        SDL_GL_SwapWindow(m_window);
}

bool ZGLContext::SetSwapInterval(int interval)
{
    return m_context && SDL_GL_SetSwapInterval(interval) == 0;
}

void* ZGLContext::GetProcAddress(const char* name) const
{
    if (!m_context || !name)
        return nullptr;
    return SDL_GL_GetProcAddress(name);
}

bool ZGLContext::GetFormat(Format& out) const
{
    if (!m_context || SDL_GL_GetCurrentContext() != m_context)
        return false;
    int value = 0;
    SDL_GL_GetAttribute(SDL_GL_RED_SIZE, &out.red);
    SDL_GL_GetAttribute(SDL_GL_GREEN_SIZE, &out.green);
    SDL_GL_GetAttribute(SDL_GL_BLUE_SIZE, &out.blue);
    SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &out.alpha);
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &out.depth);
    SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &out.stencil);
    SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &value);
    out.doubleBuffer = value != 0;
    value = 0;
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &value);
    out.compatibilityProfile = value == SDL_GL_CONTEXT_PROFILE_COMPATIBILITY;
    return true;
}
