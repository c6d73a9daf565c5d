// The Direct3D 7 back end's frame: the scene, letterbox and present, matrices, viewport and clears.
#include "engine/render/d3d7/ZRenderD3D7.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/ZAllocBase.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZWorkerPool.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/platform/d3d7/ZSoftPixels.h"
#include "engine/render/ZRenderFont.h"
#include "engine/render/ZRenderOverlay.h"
#include "engine/render/ZRenderParticles.h"
#include "engine/render/ZView.h"
#include "engine/render/d3d7/ZRenderD3D7ShaderFFP.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPrimitive.h"
#include "engine/render/resources/ZRenderSettings.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/render/resources/ZTextureAtlas.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZParticleEmitterSystem.h"

using namespace soft7;

namespace
{
SSoftMatrix ToSoft(const _M44& m)
{
    SSoftMatrix out;
    static_assert(sizeof(out.m) == sizeof(float) * 16);
    std::memcpy(out.m, m.m, sizeof(out.m));
    return out;
}
} // namespace

// Frame.

float ZRenderD3D7::UploadBudget()
{
    const float limit = g_engineFpsLimit.GetValue();
    return limit > 0.0f ? 0.15f / limit : 0.15f / 80.0f;
}

int ZRenderD3D7::RenderFrame()
{
    if (!m_device)
        return 1;
    if (m_surfacesLost && !RestoreDevice())
    {
        SDL_Delay(1);
        return 1;
    }
    ProcessUploadQueue(UploadBudget());
    CommitAtlasPages();
    ZRenderBase::RenderFrame();
    RenderTargetViews();
    const SoftResult begun = m_device->BeginScene();
    if (begun < 0)
    {
        Report("renderd3d7", __LINE__, "m_pD3DDevice->BeginScene()", begun);
        if (begun == kErrSurfaceLost)
            RestoreSurfaces();
        Present();
        ++m_frameCount;
        return 0;
    }
    RenderViews();
    if (!g_renderDesktopResolution.GetValue())
        DrawLetterbox();
    DrawDebugText();
    D3D7_CHECK("renderd3d7", m_device->EndScene());
    KeepShownFrame();
    Present();
    ++m_frameCount;
    return 0;
}

void ZRenderD3D7::KeepShownFrame()
{
    if (!m_target || m_target->IsLostFlag())
        return;
    // Reading the rows directly needs the recorded drawing carried out first.
    if (m_ddraw)
        m_ddraw->FlushDrawing();
    const uint32_t w = m_target->Width(), h = m_target->Height();
    m_shown.resize(size_t(w) * h);
    const PixelKind kind = m_target->Kind();
    for (uint32_t y = 0; y < h; ++y)
    {
        const uint8_t* row = m_target->Row(int(y));
        uint32_t* out = m_shown.data() + size_t(y) * w;
        if (kind == PixelKind::ARGB8888 || kind == PixelKind::XRGB8888)
            std::memcpy(out, row, size_t(w) * 4);
        else
            for (uint32_t x = 0; x < w; ++x)
                out[x] = DecodeARGB(kind, row + size_t(x) * BytesPerPixel(kind));
    }
    m_shownWidth = w;
    m_shownHeight = h;
    m_shownOpaque = !KindHasAlpha(kind);
}

void ZRenderD3D7::DrawLetterbox()
{
    const int width = g_renderWidth.GetValue(), height = g_renderHeight.GetValue();
    const int actualW = g_renderWidthActual.GetValue(), actualH = g_renderHeightActual.GetValue();
    auto fill = [&](int l, int t, int r, int b)
    {
        SSoftRect rect{std::max(l, 0), std::max(t, 0), std::min(r, int(m_target->Width())),
                       std::min(b, int(m_target->Height()))};
        if (rect.right > rect.left && rect.bottom > rect.top)
            D3D7_CHECK("renderd3d7",
                       m_target->Blt(&rect, nullptr, nullptr, kBltColorFill | kBltWait, 0xFF000000u));
    };
    if (width < actualW)
    {
        const int bar = (actualW - width) / 2;
        fill(0, 0, bar + 1, actualH);
        fill(actualW - bar - 1, 0, actualW, actualH);
    }
    if (height < actualH)
    {
        const int bar = (actualH - height) / 2;
        fill(0, 0, actualW, bar + 1);
        fill(0, actualH - bar - 1, actualW, actualH);
    }
}

void ZRenderD3D7::Present()
{
    if (!m_front || !m_target)
        return;
    SoftResult result = kOk;
    if (TestStateA(kRenderWindowed))
    {
        // The client area in screen coordinates: the primary surface is the whole display.
        SSoftRect dst{0, 0, int32_t(m_target->Width()), int32_t(m_target->Height())};
        if (m_sdlWindow)
        {
            int x = 0, y = 0;
            SDL_GetWindowSize(m_sdlWindow, &dst.right, &dst.bottom);
            SDL_GetWindowPosition(m_sdlWindow, &x, &y);
            dst = {x, y, x + dst.right, y + dst.bottom};
        }
        else
        {
            dst.right = std::min<int32_t>(dst.right, int32_t(m_front->Width()));
            dst.bottom = std::min<int32_t>(dst.bottom, int32_t(m_front->Height()));
        }
        result = D3D7_CHECK("renderd3d7", m_front->Blt(&dst, m_target, nullptr, kBltWait));
    }
    else if (m_back == m_target)
        result = D3D7_CHECK(
            "renderd3d7", m_front->Flip(nullptr, g_engineRenderVsync.GetValue() ? kFlipWait : kFlipNoVSync));
    else
    {
        // The logical picture scaled to the display, with bars when the shapes differ.
        const int actualW = int(m_back->Width()), actualH = int(m_back->Height());
        SSoftRect dst{0, 0, actualW, actualH};
        if (g_renderWidescreen.GetValue())
        {
            int w = int(float(g_renderWidth.GetValue()) / float(g_renderHeight.GetValue()) * float(actualH));
            w = std::min(w, actualW);
            const int x0 = std::max(0, (actualW - w) / 2);
            dst = {x0, 0, std::min(x0 + w, actualW), actualH};
            if (w != actualW)
            {
                SSoftRect left{0, 0, x0, actualH}, right{dst.right, 0, actualW, actualH};
                if (left.right > 0)
                    m_back->Blt(&left, nullptr, nullptr, kBltColorFill | kBltWait, 0xFF000000u);
                if (right.right > right.left)
                    m_back->Blt(&right, nullptr, nullptr, kBltColorFill | kBltWait, 0xFF000000u);
            }
        }
        SSoftRect src{0, 0, g_renderWidth.GetValue(), g_renderHeight.GetValue()};
        src.right = std::min<int32_t>(src.right, int32_t(m_target->Width()));
        src.bottom = std::min<int32_t>(src.bottom, int32_t(m_target->Height()));
        result = D3D7_CHECK("renderd3d7", m_back->Blt(&dst, m_target, &src, kBltWait));
        if (result >= 0)
            result =
                D3D7_CHECK("renderd3d7",
                           m_front->Flip(nullptr, g_engineRenderVsync.GetValue() ? kFlipWait : kFlipNoVSync));
    }
    if (result == kErrSurfaceLost)
        RestoreSurfaces();
}

void ZRenderD3D7::SetWorldMatrix(const _M44& matrix)
{
    if (m_device)
        m_device->SetTransform(Transform::World, ToSoft(matrix));
}

void ZRenderD3D7::SetViewMatrix(const _M44& matrix)
{
    if (m_device)
        m_device->SetTransform(Transform::View, ToSoft(matrix));
}

void ZRenderD3D7::SetProjectionMatrix(const _M44& matrix)
{
    if (m_device)
        m_device->SetTransform(Transform::Projection, ToSoft(matrix));
}

void ZRenderD3D7::SetRenderStateFlag(uint32_t state, bool on)
{
    if (!m_device)
        return;
    if (state & 1)
        m_device->SetRenderState(RS::ZEnable, on ? 1 : 0);
    if (state & 4)
        m_device->SetRenderState(RS::Lighting, on ? 1 : 0);
}

void ZRenderD3D7::SetViewport(ZView* view)
{
    if (!m_device || !view)
        return;
    const bool logical = g_renderDesktopResolution.GetValue();
    const float w = float(logical ? g_renderWidth.GetValue() : GetWidth());
    const float h = float(logical ? g_renderHeight.GetValue() : GetHeight());
    SSoftViewport viewport;
    viewport.x = int32_t(w * (view->GetX() + view->GetOffsetU()));
    viewport.y = int32_t(h * (view->GetY() + view->GetOffsetV()));
    viewport.width = uint32_t(w * view->GetWidth());
    viewport.height = uint32_t(h * view->GetHeight());
    D3D7_CHECK("renderd3d7", m_device->SetViewport(viewport));
}

void ZRenderD3D7::Clear(ZView* view, bool color, bool depth, bool stencil)
{
    if (!m_device)
        return;
    uint32_t flags = (color ? kClearTarget : 0) | (depth ? kClearZBuffer : 0) | (stencil ? kClearStencil : 0);
    if (flags == 0)
        return;
    const uint32_t argb = view ? ColorToARGB(view->GetClearColor()) : 0;
    D3D7_CHECK("renderd3d7", m_device->Clear(0, nullptr, flags, argb, 1.0f, 0));
}

void ZRenderD3D7::BeginRenderTargetScene()
{
    if (m_device)
        D3D7_CHECK("renderd3d7", m_device->BeginScene());
}

void ZRenderD3D7::EndRenderTargetScene()
{
    if (m_device)
        D3D7_CHECK("renderd3d7", m_device->EndScene());
}
