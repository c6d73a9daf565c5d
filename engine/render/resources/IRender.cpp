// The renderer set by its constructor and the host the engine installs.
#include "engine/render/resources/IRender.h"

IRender* g_render = nullptr;

namespace
{
IRenderHost g_defaultRenderHost;
IRenderHost* g_renderHost = nullptr;
} // namespace

IRenderHost* GetRenderHost()
{
    return g_renderHost ? g_renderHost : &g_defaultRenderHost;
}

void SetRenderHost(IRenderHost* host)
{
    g_renderHost = host;
}
