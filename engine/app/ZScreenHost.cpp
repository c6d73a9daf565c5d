#include "engine/app/ZScreenHost.h"

#include "engine/app/ZEngine.h"
#include "engine/app/ZInput.h"
#include "engine/render/ZView.h"
#include "engine/scene/ZCamera.h"

namespace
{
IScreenHost s_defaultHost;
IScreenHost* s_host = nullptr;
} // namespace

ZCamera* IScreenHost::CreateScreenCamera() { return ZCamera::Create(nullptr, nullptr, false, true); }

void IScreenHost::OnCameraOrderChanged(ZCamera* camera)
{
    if (ZView* view = camera ? dynamic_cast<ZView*>(camera->GetView()) : nullptr)
        view->SortCameras();
}

void IScreenHost::SetInputEnabled(bool enabled)
{
    // The pointer has its own lock; this switch holds the keyboard back.
    if (ZInput* input = g_engine ? g_engine->GetInput() : nullptr)
        input->SetKeyboardEnabled(enabled);
}

IScreenHost* GetScreenHost() { return s_host ? s_host : &s_defaultHost; }

void SetScreenHost(IScreenHost* host) { s_host = host; }
