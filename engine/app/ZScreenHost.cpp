#include "engine/app/ZScreenHost.h"

#include "engine/scene/ZCamera.h"

namespace
{
IScreenHost s_defaultHost;
IScreenHost* s_host = nullptr;
} // namespace

ZCamera* IScreenHost::CreateScreenCamera()
{
    return ZCamera::Create(nullptr, nullptr, false, true);
}

IScreenHost* GetScreenHost()
{
    return s_host ? s_host : &s_defaultHost;
}

void SetScreenHost(IScreenHost* host)
{
    s_host = host;
}
