#include "engine/platform/ZGLContext.h"

#include "engine/platform/ZPlatformWindow.h"

#include <SDL.h>
#include <dlfcn.h>
#include <link.h>

#include <string>
#include <vector>

namespace
{
int CollectModule(dl_phdr_info* info, size_t, void* out)
{
    if (info->dlpi_name && info->dlpi_name[0])
        static_cast<std::vector<std::string>*>(out)->emplace_back(info->dlpi_name);
    return 0;
}

// The GL driver stack (the vendor dispatch library, the driver and what it pulls in) is loaded
// when the first context is made and unloaded again when the video layer closes. Unloading a
// driver is not something drivers are written for: blocks that only its own globals pointed at are
// then lost, and a leak check can no longer tell whose they were. Every module loaded by then is
// kept for the life of the process instead, as programs that make contexts again and again do.
void KeepDriverLoaded()
{
    std::vector<std::string> modules;
    dl_iterate_phdr(&CollectModule, &modules);
    for (const std::string& name : modules)
    {
        // RTLD_NOLOAD only marks modules already in memory; nothing new is loaded.
        if (void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE))
            dlclose(handle);
    }
}
} // namespace

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
    KeepDriverLoaded();
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
