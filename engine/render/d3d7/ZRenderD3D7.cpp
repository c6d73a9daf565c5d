// The Direct3D 7 back end: the render state object, the display and device set-up and the
// recovery of a lost device (the frame is in ZRenderD3D7Frame.cpp, the slots of textures, render
// targets, vertex buffers and quads in ZRenderD3D7Resources.cpp).
#include "engine/render/d3d7/ZRenderD3D7.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/ZAllocBase.h"
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

// Render state object.

ZSoftD3DDevice* ZRenderD3D7State::Device() const
{
    (void)m_owner;
    auto* render = dynamic_cast<ZRenderD3D7*>(g_render);
    return render ? render->GetDevice() : nullptr;
}

void ZRenderD3D7State::AfterApply(ZRenderState* previousBase)
{
    if (auto* previous = dynamic_cast<ZRenderD3D7State*>(previousBase); previous && previous != this)
        previous->m_flags = m_flags;
}

ZRenderState* ZRenderD3D7State::Apply(ZRenderState* previousBase)
{
    ZSoftD3DDevice* device = Device();
    if (!device)
        return this;
    auto* previous = dynamic_cast<ZRenderD3D7State*>(previousBase);
    const uint32_t now = m_flags;
    const uint32_t before = previous ? previous->m_flags : ~now;
    auto changed = [&](uint32_t flag) { return ((now ^ before) & flag) != 0; };
    auto isSet = [&](uint32_t flag) { return (now & flag) != 0 && (!previous || changed(flag)); };
    auto cleared = [&](uint32_t flag) { return (now & flag) == 0 && (!previous || changed(flag)); };
    auto rs = [&](RS state, uint32_t value) { device->SetRenderState(state, value); };
    auto blend = [&](Blend src, Blend dst)
    {
        rs(RS::SrcBlend, uint32_t(src));
        rs(RS::DestBlend, uint32_t(dst));
    };
    auto tss = [&](uint32_t stage, TSS state, uint32_t value)
    { device->SetTextureStageState(stage, state, value); };

    // 1. Blend factors.
    if (isSet(kStateAdditive))
        blend(Blend::SrcAlpha, Blend::One);
    else if (isSet(kStateColorBlend))
        blend(Blend::SrcColor, Blend::DestColor);
    else if (isSet(kStateNoColor))
        blend(Blend::Zero, Blend::One);
    else if (isSet(kStateMultiply))
        blend(Blend::Zero, Blend::SrcColor);
    else if ((!(now & kStateAdditive) && (!previous || (before & kStateAdditive))) ||
             (previous && (cleared(kStateColorBlend) || cleared(kStateNoColor) || cleared(kStateMultiply))))
    {
        // Any of the special factors still set keeps its own pair.
        if (!(now & (kStateAdditive | kStateColorBlend | kStateNoColor | kStateMultiply)))
            blend(Blend::SrcAlpha, Blend::InvSrcAlpha);
    }
    // 2-5.
    if (isSet(kStateNoBlend))
        rs(RS::AlphaBlendEnable, 0);
    else if (cleared(kStateNoBlend))
        rs(RS::AlphaBlendEnable, 1);
    if (isSet(kStateNoCull))
        rs(RS::CullMode, uint32_t(Cull::None));
    else if (cleared(kStateNoCull))
        rs(RS::CullMode, uint32_t(Cull::CCW));
    if (isSet(kStateUnlit))
        rs(RS::Lighting, 0);
    else if (cleared(kStateUnlit))
        rs(RS::Lighting, 1);
    if (isSet(kStateAlphaTest))
        rs(RS::AlphaTestEnable, 1);
    else if (cleared(kStateAlphaTest))
        rs(RS::AlphaTestEnable, 0);
    // 6. Unbound stages.
    if (cleared(kStateStage0Textured))
        device->SetTexture(0, nullptr);
    if (cleared(kStateStage1Textured))
        device->SetTexture(1, nullptr);
    // 7.
    if (isSet(kStateMaterialSource))
    {
        rs(RS::DiffuseMaterialSource, uint32_t(MaterialSource::Material));
        rs(RS::SpecularMaterialSource, uint32_t(MaterialSource::Material));
        rs(RS::AmbientMaterialSource, uint32_t(MaterialSource::Material));
        rs(RS::EmissiveMaterialSource, uint32_t(MaterialSource::Material));
    }
    // 8.
    if (isSet(kStateTexTransform))
        tss(0, TSS::TextureTransformFlags, uint32_t(TexTransform::Count2));
    else if (cleared(kStateTexTransform))
        tss(0, TSS::TextureTransformFlags, uint32_t(TexTransform::Disable));
    // 9. Stage 0 operations.
    if (isSet(kStateModulateFactor))
    {
        tss(0, TSS::ColorOp, uint32_t(Top::Modulate));
        tss(0, TSS::ColorArg1, kTaTexture);
        tss(0, TSS::ColorArg2, kTaTFactor);
        tss(0, TSS::AlphaOp, uint32_t(Top::Modulate));
        tss(0, TSS::AlphaArg1, kTaTexture);
        tss(0, TSS::AlphaArg2, kTaTFactor);
    }
    else if (isSet(kStateAddFactor))
    {
        tss(0, TSS::ColorOp, uint32_t(Top::Add));
        tss(0, TSS::ColorArg1, kTaTexture);
        tss(0, TSS::ColorArg2, kTaTFactor);
        tss(0, TSS::AlphaOp, uint32_t(Top::Modulate));
        tss(0, TSS::AlphaArg1, kTaTexture);
        tss(0, TSS::AlphaArg2, kTaTFactor);
    }
    else if (isSet(kStateModulateVertex))
    {
        rs(RS::ColorVertex, 1);
        tss(0, TSS::ColorOp, uint32_t(Top::Modulate));
        tss(0, TSS::ColorArg1, kTaTexture);
        tss(0, TSS::ColorArg2, kTaDiffuse);
        tss(0, TSS::AlphaOp, uint32_t(Top::Modulate));
        tss(0, TSS::AlphaArg1, kTaTexture);
        tss(0, TSS::AlphaArg2, kTaDiffuse);
    }
    else if (!(now & (kStateModulateFactor | kStateAddFactor | kStateModulateVertex)) &&
             (cleared(kStateModulateFactor) || cleared(kStateAddFactor) || cleared(kStateModulateVertex)))
    {
        // A modulate by vertex colour that was switched off must not leave its argument behind.
        tss(0, TSS::ColorOp, uint32_t(Top::SelectArg1));
        tss(0, TSS::ColorArg1, kTaTexture);
        tss(0, TSS::AlphaOp, uint32_t(Top::SelectArg1));
        tss(0, TSS::AlphaArg1, kTaTexture);
    }
    // 10. Stage 1 operations.
    if (isSet(kStateStage1BlendAlpha) || isSet(kStateStage1Modulate) || isSet(kStateStage1Add))
    {
        const Top op = (now & kStateStage1BlendAlpha) ? Top::BlendTextureAlpha
                       : (now & kStateStage1Modulate) ? Top::Modulate
                                                      : Top::Add;
        tss(1, TSS::ColorOp, uint32_t(op));
        tss(1, TSS::ColorArg1, kTaTexture);
        tss(1, TSS::ColorArg2, kTaCurrent);
        tss(1, TSS::AlphaOp, uint32_t(Top::SelectArg2));
        tss(1, TSS::AlphaArg2, kTaCurrent);
    }
    else if (!(now & (kStateStage1BlendAlpha | kStateStage1Modulate | kStateStage1Add)) &&
             (cleared(kStateStage1BlendAlpha) || cleared(kStateStage1Modulate) || cleared(kStateStage1Add)))
    {
        tss(1, TSS::ColorOp, uint32_t(Top::Disable));
        tss(1, TSS::AlphaOp, uint32_t(Top::Disable));
    }
    // 11. Fog comes back through the camera set-up, not here.
    if (isSet(kStateNoFog))
        rs(RS::FogEnable, 0);
    // 12-15.
    if (isSet(kStateNoDepthTest))
        rs(RS::ZEnable, 0);
    else if (cleared(kStateNoDepthTest))
        rs(RS::ZEnable, 1);
    if (isSet(kStateNoDepthWrite))
        rs(RS::ZWriteEnable, 0);
    else if (cleared(kStateNoDepthWrite))
        rs(RS::ZWriteEnable, 1);
    if (isSet(kStateLinearFilter) || cleared(kStateLinearFilter))
    {
        const Filter filter = (now & kStateLinearFilter) ? Filter::Linear : Filter::Point;
        tss(0, TSS::MinFilter, uint32_t(filter));
        tss(0, TSS::MagFilter, uint32_t(filter));
    }
    if (isSet(kStateStencilTest))
        rs(RS::StencilEnable, 1);
    else if (cleared(kStateStencilTest))
        rs(RS::StencilEnable, 0);
    // 16.
    if (isSet(kStateStencilWrite))
    {
        rs(RS::AlphaTestEnable, 1);
        rs(RS::AlphaFunc, uint32_t(Cmp::Greater));
        rs(RS::AlphaRef, 0);
        rs(RS::StencilFunc, uint32_t(Cmp::Always));
        rs(RS::StencilFail, uint32_t(StencilOp::Zero));
        rs(RS::StencilZFail, uint32_t(StencilOp::Keep));
        rs(RS::StencilPass, uint32_t(StencilOp::Replace));
        rs(RS::StencilRef, 1);
    }
    else if (isSet(kStateStencilClear))
    {
        rs(RS::StencilFunc, uint32_t(Cmp::Always));
        rs(RS::StencilFail, uint32_t(StencilOp::Keep));
        rs(RS::StencilZFail, uint32_t(StencilOp::Keep));
        rs(RS::StencilPass, uint32_t(StencilOp::Zero));
    }
    else if (!(now & (kStateStencilWrite | kStateStencilClear)) &&
             (cleared(kStateStencilWrite) || cleared(kStateStencilClear)))
    {
        rs(RS::StencilFunc, uint32_t(Cmp::Equal));
        rs(RS::StencilFail, uint32_t(StencilOp::Keep));
        rs(RS::StencilZFail, uint32_t(StencilOp::Keep));
        rs(RS::StencilPass, uint32_t(StencilOp::Keep));
    }
    // 17. Opaque drawing comes from the blend factors.
    rs(RS::AlphaBlendEnable, 1);
    return this;
}

void ZRenderD3D7State::Reset()
{
    m_flags = 0;
    m_fogWord = 0;
    m_id = kNoStateId;
    ZSoftD3DDevice* device = Device();
    if (!device)
        return;
    auto rs = [&](RS state, uint32_t value) { device->SetRenderState(state, value); };
    rs(RS::ZFunc, uint32_t(Cmp::LessEqual));
    rs(RS::ZEnable, 1);
    rs(RS::ZWriteEnable, 1);
    rs(RS::AlphaBlendEnable, 1);
    rs(RS::CullMode, uint32_t(Cull::CCW));
    rs(RS::SrcBlend, uint32_t(Blend::SrcAlpha));
    rs(RS::DestBlend, uint32_t(Blend::InvSrcAlpha));
    rs(RS::ShadeMode, uint32_t(Shade::Gouraud));
    rs(RS::ColorVertex, 0);
    rs(RS::FogEnable, 0);
    rs(RS::Lighting, 0);
    rs(RS::AlphaTestEnable, 0);
    rs(RS::AlphaRef, 0);
    rs(RS::AlphaFunc, uint32_t(Cmp::Greater));
    rs(RS::StencilEnable, 0);
    rs(RS::StencilMask, 0xFFFFFFFFu);
    rs(RS::StencilWriteMask, 0xFFFFFFFFu);
    rs(RS::StencilRef, 1);
    rs(RS::StencilFunc, uint32_t(Cmp::Equal));
    rs(RS::StencilFail, uint32_t(StencilOp::Keep));
    rs(RS::StencilZFail, uint32_t(StencilOp::Keep));
    rs(RS::StencilPass, uint32_t(StencilOp::Keep));
    device->SetTextureStageState(0, TSS::TextureTransformFlags, uint32_t(TexTransform::Disable));
    device->SetTextureStageState(0, TSS::ColorOp, uint32_t(Top::SelectArg1));
    device->SetTextureStageState(0, TSS::ColorArg1, kTaTexture);
    device->SetTextureStageState(0, TSS::ColorArg2, kTaTFactor);
    device->SetTextureStageState(0, TSS::AlphaArg1, kTaTexture);
    device->SetTextureStageState(0, TSS::AlphaArg2, kTaTFactor);
    device->SetTextureStageState(0, TSS::MinFilter, uint32_t(Filter::Point));
    device->SetTextureStageState(0, TSS::MagFilter, uint32_t(Filter::Point));
    for (uint32_t stage = 1; stage < 8; ++stage)
    {
        device->SetTextureStageState(stage, TSS::ColorOp, uint32_t(Top::Disable));
        device->SetTextureStageState(stage, TSS::ColorArg1, kTaTexture);
        device->SetTextureStageState(stage, TSS::ColorArg2, kTaCurrent);
        device->SetTextureStageState(stage, TSS::AlphaArg1, kTaTexture);
        device->SetTextureStageState(stage, TSS::AlphaArg2, kTaCurrent);
        device->SetTextureStageState(stage, TSS::TextureTransformFlags, uint32_t(TexTransform::Disable));
        device->SetTextureStageState(stage, TSS::TexCoordIndex, 0);
    }
}

void ZRenderD3D7State::SetFogEnabled(bool on)
{
    ZSoftD3DDevice* device = Device();
    if (!on && !(m_fogWord & 1))
    {
        if (device)
            device->SetRenderState(RS::FogEnable, 0);
        m_fogWord |= 1;
    }
    else if (on && (m_fogWord & 1))
    {
        if (device)
            device->SetRenderState(RS::FogEnable, 1);
        m_fogWord &= ~1u;
    }
}

// Construction and set-up.

namespace
{
constexpr int kMaxRasterWorkers = 7;
constexpr int kBandsPerThread = 4;
} // namespace

ZRenderD3D7::ZRenderD3D7() : m_vertexBuffers(kD3D7VertexSlots), m_quads(kD3D7QuadSlots), m_textures(kD3D7TextureSlots)
{
    m_ffp = new ZRenderD3D7ShaderFFP(this);
    m_ffpSprite = new ZRenderD3D7ShaderFFPSprite(this);
    RegisterShaderCode();
}

void ZRenderD3D7::RegisterShaderCode()
{
    ZShaderLibrary* library = ZShaderLibrary::GetInstance();
    if (!library)
        return;
    for (ZShaderCodeBase* code :
         {static_cast<ZShaderCodeBase*>(m_ffp), static_cast<ZShaderCodeBase*>(m_ffpSprite)})
        library->AddShaderCode(code);
}

ZRenderD3D7::ZRenderD3D7(const SSoftDriverConfig& config) : ZRenderD3D7()
{
    m_config = config;
    m_hasConfig = true;
}

ZRenderD3D7::~ZRenderD3D7()
{
    // The drawers give their glyph quads and textures back while the device lives.
    DeleteAuxiliary();
    // The codes belong to the library once registered; a library that is gone (or never was)
    // leaves them to this renderer.
    ZShaderLibrary* library = ZShaderLibrary::GetInstance();
    for (ZRenderD3D7ShaderFFP* code : {m_ffp, static_cast<ZRenderD3D7ShaderFFP*>(m_ffpSprite)})
    {
        const auto& held = library ? library->GetShaderCode() : std::vector<ZShaderCodeBase*>();
        if (std::find(held.begin(), held.end(), code) != held.end())
            code->Detach();
        else
            delete code;
    }
    m_ffp = nullptr;
    m_ffpSprite = nullptr;
    // Textures outlive a renderer in the resource manager's groups; the atlas pages holding them
    // do not, so they leave the pages here. While the engine itself is being destroyed the pages
    // no longer track their textures (the resources went first, in the engine's order): nothing
    // to do then.
    if (!GetRenderHost()->IsBeingDestroyed())
        for (size_t i = 0; i < GetPageCount(); ++i)
            if (ZTextureAtlas* page = GetPage(i))
                for (ZTexture* texture : page->GetTextures())
                {
                    texture->SetAtlasPage(nullptr);
                    texture->SetRenderTextureId(-1);
                    texture->ClearTextureFlags(kTextureResident);
                }
    DeleteRenderState();
    ReleaseAll();
    GetRenderHost()->ClipCursor(false);
}

void ZRenderD3D7::ReleaseAll()
{
    for (int id = 0; id < kD3D7VertexSlots; ++id)
        if (m_vertexBuffers[size_t(id)].buffer || !m_vertexBuffers[size_t(id)].copy.empty())
            DeleteVertexBuffer(id);
    for (int id = 0; id < kD3D7QuadSlots; ++id)
        if (m_quads[size_t(id)].buffer || !m_quads[size_t(id)].copy.empty())
            DeleteQuad(id);
    m_defaultQuad = -1;
    for (int id = 0; id < kD3D7TextureSlots; ++id)
        if (m_textures[size_t(id)].surface)
            DeleteTexture(id);
    ReleaseSurfaces();
    if (m_d3d)
        m_d3d->Release();
    m_d3d = nullptr;
    if (m_ddraw)
    {
        // The worker pool goes with this renderer; the display object must not keep using it.
        m_ddraw->SetParallelRunner(nullptr, 1);
        m_ddraw->Release();
    }
    m_ddraw = nullptr;
}

SoftResult ZRenderD3D7::Report(const char* source, int line, const char* call, SoftResult result)
{
    if (result >= 0)
        return result;
    char text[4096];
    std::snprintf(text, sizeof text, "%s(%d): %s (hr=%s(0x%x))", source, line, call, "Unknown",
                  uint32_t(result));
    std::fprintf(stderr, "%s\n", text);
    return result;
}

int ZRenderD3D7::Init(int width, int height, bool windowed, ZPlatformWindow* window)
{
    m_window = window;
    m_sdlWindow = window ? window->GetSDLWindow() : nullptr;
    const int base = ZRenderBase::Init(width, height, windowed, window);
    if (base != 0)
        return base;
    if (SetupDisplay(!windowed) != 0)
        return 1;
    if (ChooseTextureFormat() != 0)
        return 1;
    // The definitions name shader code that the device provides: read them once, when the first
    // device exists (a display made again keeps them).
    if (ZShaderLibrary* library = ZShaderLibrary::GetInstance())
    {
        RegisterShaderCode();
        if (!m_definitionsLoaded)
        {
            library->SetCodeExtension(".vsh");
            library->LoadAllDefinitions();
            m_definitionsLoaded = true;
        }
    }
    ResetDeviceState(m_surfacesLost);
    // The new device starts with its own transforms: nothing cached is valid for it.
    ZRenderBase::ResetMatrices();
    if (!windowed)
        GetRenderHost()->ClipCursor(true);
    // The drawers' device side: the built-in font and its glyph quads, the overlay's texture. A
    // display made again keeps them (textures and quads come back with their contents), so the
    // font is built once.
    if (m_textRenderer && !m_textRenderer->GetDefaultFont())
        m_textRenderer->Init();
    // The overlay exists only when its setting was on: then it shows.
    if (m_overlay && m_overlay->InitFpsOverlay() == 0)
        EnableStateC(kRenderOverlayPerCamera);
    return 0;
}

int ZRenderD3D7::SetupDisplay(bool fullscreen)
{
    if (!m_ddraw)
    {
        if (D3D7_CHECK("renderd3d7setup",
                       ZSoftDirectDraw::Create(m_hasConfig ? &m_config : nullptr, &m_ddraw)) < 0)
            return 1;
        // The frame is drawn in bands of rows on every processor; a few bands per thread even out
        // the work when some bands are busier or a processor is taken by another program.
        if (!m_workers)
            m_workers = std::make_unique<ZWorkerPool>(ZWorkerPool::DefaultWorkerCount(kMaxRasterWorkers), "raster");
        m_ddraw->SetParallelRunner(m_workers.get(), m_workers->GetThreadCount() * kBandsPerThread);
        m_displayModes.clear();
        m_ddraw->EnumDisplayModes(
            [this](const SSoftDisplayMode& mode)
            {
                if (mode.bitsPerPixel == 16 || mode.bitsPerPixel == 32)
                    AddDisplayMode(int(mode.width), int(mode.height));
                return true;
            });
        int widthMm = 0, heightMm = 0;
        m_ddraw->GetPhysicalSize(widthMm, heightMm);
        if (widthMm > 0 && heightMm > 0)
            m_physicalAspect = float(widthMm) / float(heightMm);
    }
    m_ddraw->RestoreDisplayMode();
    if (fullscreen)
    {
        int w = GetWidth(), h = GetHeight();
        if (!ChooseDisplayMode(w, h, g_renderWidescreen.GetValue() ? m_physicalAspect : -1.0f))
            return 1;
        m_width = w;
        m_height = h;
        g_renderWidthActual.SetValue(w);
        g_renderHeightActual.SetValue(h);
    }
    else
    {
        g_renderWidthActual.SetValue(g_renderWidth.GetValue());
        g_renderHeightActual.SetValue(g_renderHeight.GetValue());
    }
    if (!m_d3d)
    {
        if (D3D7_CHECK("renderd3d7setup", m_ddraw->QueryDirect3D(&m_d3d)) < 0)
            return 1;
        if (ChooseDevice() != 0)
            return 1;
        const bool pow2Only = (m_deviceDesc.textureCaps & (kTexCapsPow2 | kTexCapsNonPow2Conditional)) != 0;
        if (g_engineRenderForcePow2.GetValue() || pow2Only)
            m_stateB &= uint16_t(~kRenderNonPowerOfTwo);
        else
            m_stateB |= kRenderNonPowerOfTwo;
    }
    if (CreateSurfaces(fullscreen) != 0)
        return 1;
    if (D3D7_CHECK("renderd3d7setup", m_d3d->CreateDevice(m_deviceDesc.kind, m_target, &m_device)) < 0)
        return 1;
    m_currentTarget = m_target;
    return 0;
}

bool ZRenderD3D7::PreferDevice(const SSoftDeviceDesc& chosen, const SSoftDeviceDesc& candidate)
{
    const uint32_t wanted = kDevCapsTextureVideoMemory | kDevCapsHwRasterization | kDevCapsDrawPrimitives2Ex |
                            kDevCapsHwTransformAndLight;
    const uint32_t had = chosen.devCaps & wanted;
    return (candidate.devCaps & had) == had && candidate.stencilCaps >= kStencilCapsDecr;
}

int ZRenderD3D7::ChooseDevice()
{
    m_hasDevice = false;
    m_deviceDesc = SSoftDeviceDesc();
    m_d3d->EnumDevices(
        [this](const SSoftDeviceDesc& desc)
        {
            if (!m_hasDevice || PreferDevice(m_deviceDesc, desc))
                m_deviceDesc = desc;
            m_hasDevice = true;
            return true;
        });
    return m_hasDevice ? 0 : 1;
}

int ZRenderD3D7::CreateSurfaces(bool fullscreen)
{
    if (fullscreen)
    {
        if (D3D7_CHECK("renderd3d7setup",
                       m_ddraw->SetCooperativeLevel(m_sdlWindow, kCoopExclusive | kCoopFullscreen |
                                                                     kCoopMultithreaded)) < 0)
            return 1;
        if (m_ddraw->SetDisplayMode(uint32_t(m_width), uint32_t(m_height), 32, 0, 0) < 0 &&
            D3D7_CHECK("renderd3d7setup",
                       m_ddraw->SetDisplayMode(uint32_t(m_width), uint32_t(m_height), 16, 0, 0)) < 0)
            return 1;
    }
    else if (D3D7_CHECK("renderd3d7setup",
                        m_ddraw->SetCooperativeLevel(m_sdlWindow, kCoopNormal | kCoopMultithreaded)) < 0)
        return 1;
    ReleaseSurfaces();

    SSoftSurfaceDesc desc;
    desc.caps = kCapsPrimary;
    if (fullscreen)
    {
        desc.caps |= kCapsFlip | kCapsComplex | kCaps3DDevice;
        desc.backBufferCount = 1;
    }
    if (D3D7_CHECK("renderd3d7setup", m_ddraw->CreateSurface(desc, &m_front)) < 0)
        return 1;
    if (fullscreen)
    {
        if (D3D7_CHECK("renderd3d7setup", m_front->GetAttachedSurface(kCapsBackBuffer, &m_back)) < 0)
            return 1;
    }
    else if (m_sdlWindow)
    {
        ZSoftClipper* clipper = nullptr;
        if (D3D7_CHECK("renderd3d7setup", m_ddraw->CreateClipper(0, &clipper)) < 0)
            return 1;
        clipper->SetWindow(m_sdlWindow);
        m_front->SetClipper(clipper);
        clipper->Release();
    }

    const bool hardware = m_deviceDesc.kind != DeviceKind::Rgb;
    if (fullscreen && !g_renderDesktopResolution.GetValue())
    {
        m_target = m_back;
        m_target->AddRef();
    }
    else
    {
        SSoftSurfaceDesc frontDesc;
        if (D3D7_CHECK("renderd3d7setup", m_front->GetSurfaceDesc(frontDesc)) < 0)
            return 1;
        SSoftSurfaceDesc targetDesc;
        const bool logical = g_renderDesktopResolution.GetValue();
        targetDesc.width = uint32_t(logical ? g_renderWidth.GetValue() : GetWidth());
        targetDesc.height = uint32_t(logical ? g_renderHeight.GetValue() : GetHeight());
        targetDesc.caps = kCapsOffscreenPlain | kCaps3DDevice | kCapsTexture |
                          (hardware ? kCapsVideoMemory : kCapsSystemMemory);
        targetDesc.hasPixelFormat = true;
        targetDesc.pixelFormat = frontDesc.pixelFormat;
        if (D3D7_CHECK("renderd3d7setup", m_ddraw->CreateSurface(targetDesc, &m_target)) < 0)
            return 1;
    }
    if (!fullscreen)
    {
        // In a window the back buffer is the render target itself.
        m_back = m_target;
        m_back->AddRef();
    }
    return AttachZBuffer(m_target);
}

int ZRenderD3D7::AttachZBuffer(ZSoftSurface* surface)
{
    bool found = false;
    SSoftPixelFormat chosen;
    m_d3d->EnumZBufferFormats(m_deviceDesc.kind,
                              [&](const SSoftPixelFormat& format)
                              {
                                  if (!(format.flags & kPfZBuffer))
                                      return true;
                                  chosen = format;
                                  found = true;
                                  // The first with stencil and at least 16 depth bits; otherwise the last one
                                  // offered.
                                  return !(format.stencilBits > 0 && format.zBits >= 16);
                              });
    if (!found)
        return 1;
    SSoftSurfaceDesc desc;
    desc.width = surface->Width();
    desc.height = surface->Height();
    desc.caps = kCapsZBuffer | kCapsVideoMemory;
    desc.hasPixelFormat = true;
    desc.pixelFormat = chosen;
    ZSoftSurface* zbuffer = nullptr;
    if (D3D7_CHECK("renderd3d7setup", m_ddraw->CreateSurface(desc, &zbuffer)) < 0)
        return 1;
    const SoftResult attached = D3D7_CHECK("renderd3d7setup", surface->AddAttachedSurface(zbuffer));
    if (surface == m_target)
    {
        if (m_zbuffer)
            m_zbuffer->Release();
        m_zbuffer = zbuffer;
    }
    else
        zbuffer->Release(); // the surface keeps its own reference
    return attached < 0 ? 1 : 0;
}

bool ZRenderD3D7::PreferTextureFormat(const SSoftPixelFormat* kept, const SSoftPixelFormat& candidate)
{
    if (candidate.bitCount < 16 || !(candidate.flags & kPfAlphaPixels) ||
        (candidate.flags & (kPfLuminance | kPfBumpDuDv | kPfFourCC)))
        return false;
    return !kept || (candidate.bitCount >= kept->bitCount && candidate.aMask > kept->aMask);
}

int ZRenderD3D7::ChooseTextureFormat()
{
    bool found = false;
    m_device->EnumTextureFormats(
        [&](const SSoftPixelFormat& format)
        {
            if (PreferTextureFormat(found ? &m_textureFormat : nullptr, format))
            {
                m_textureFormat = format;
                found = true;
            }
            return true;
        });
    return found ? 0 : 1;
}

void ZRenderD3D7::ReleaseSurfaces()
{
    // Render-target textures keep their slots (their owners hold the ids); a display made again
    // gives them new surfaces (ResetMatrices).
    if (m_device)
        m_device->Release();
    m_device = nullptr;
    m_currentTarget = nullptr;
    for (ZSoftSurface** surface : {&m_zbuffer, &m_target, &m_back, &m_front})
    {
        if (*surface)
            (*surface)->Release();
        *surface = nullptr;
    }
}

void ZRenderD3D7::RestoreDisplayMode()
{
    if (m_ddraw)
        m_ddraw->RestoreDisplayMode();
}

const char* ZRenderD3D7::GetDriverDescription() const
{
    if (m_description.empty() && m_ddraw)
    {
        SSoftDeviceIdentifier id;
        m_ddraw->GetDeviceIdentifier(id);
        char text[256];
        std::snprintf(
            text, sizeof text,
            "@hardware:gfx-driver=\"%s\"\n@hardware:gfx-desc=\"%s\"\n@hardware:gfx-driver-version=\"%llu\"\n"
            "@hardware:gfx-whql=\"%u\"\n",
            id.driver.c_str(), id.description.c_str(), (unsigned long long)id.driverVersion, id.whqlLevel);
        m_description = text;
    }
    return m_description.c_str();
}

std::vector<std::pair<std::string, std::string>> ZRenderD3D7::GetCapsReport() const
{
    std::vector<std::pair<std::string, std::string>> report;
    if (!m_ddraw)
        return report;
    SSoftDeviceIdentifier id;
    m_ddraw->GetDeviceIdentifier(id);
    auto format = [](const char* pattern, auto... values)
    {
        char text[64];
        std::snprintf(text, sizeof text, pattern, values...);
        return std::string(text);
    };
    uint64_t total = 0, free = 0;
    m_ddraw->GetAvailableVidMem(kCapsTexture, &total, &free);
    const SSoftDeviceDesc& d = m_deviceDesc;
    report.emplace_back("gfx-driver", id.driver);
    report.emplace_back("gfx-desc", id.description);
    report.emplace_back("gfx-driver-version", format("%u", unsigned(id.driverVersion)));
    report.emplace_back("gfx-whql", format("%u", id.whqlLevel));
    report.emplace_back("non-pow2", TestStateB(kRenderNonPowerOfTwo) ? "Y" : "N");
    report.emplace_back("free-texture-mem", format("%.1f", double(free) / 1048576.0));
    report.emplace_back("total-texture-mem", format("%.1f", double(total) / 1048576.0));
    report.emplace_back("caps-max-textures", format("%i", int(d.maxSimultaneousTextures)));
    report.emplace_back("caps-max-aspect", format("%i", int(d.maxTextureAspectRatio)));
    report.emplace_back("caps-tex-min-size",
                        format("%i x %i", int(d.minTextureWidth), int(d.minTextureHeight)));
    report.emplace_back("caps-tex-max-size",
                        format("%i x %i", int(d.maxTextureWidth), int(d.maxTextureHeight)));
    report.emplace_back("caps-tex-max-repeat", format("%i", int(d.maxTextureRepeat)));
    report.emplace_back("caps-d3ddev-caps", format("%i", int(d.devCaps)));
    report.emplace_back("caps-stencil-caps", format("%i", int(d.stencilCaps)));
    report.emplace_back("caps-texture-caps", format("%i", int(d.textureCaps)));
    return report;
}

void ZRenderD3D7::ReportCaps()
{
    for (const auto& [key, value] : GetCapsReport())
        std::fprintf(stderr, "@hardware:%s=\"%s\"\n", key.c_str(), value.c_str());
}

bool ZRenderD3D7::GetFreeTextureMemory(uint32_t& total, uint32_t& free)
{
    total = free = 0;
    uint64_t t = 0, f = 0;
    if (!m_ddraw || m_ddraw->GetAvailableVidMem(kCapsTexture, &t, &f) < 0)
        return false;
    total = uint32_t(std::min<uint64_t>(t, 0xFFFFFFFFu));
    free = uint32_t(std::min<uint64_t>(f, 0xFFFFFFFFu));
    return true;
}

ZShaderCodeBase* ZRenderD3D7::CreateShaderCode(const char* name)
{
    // Code files are not compiled here: the fixed-function codes are the whole repertoire.
    (void)name;
    return nullptr;
}

ZRenderState* ZRenderD3D7::ApplyRenderState(ZRenderState* state)
{
    if (state && !dynamic_cast<ZRenderD3D7State*>(state))
        return m_renderState;
    return ZRenderBase::ApplyRenderState(state);
}

int ZRenderD3D7::ResetMatrices()
{
    ZRenderBase::ResetMatrices();
    if (!m_device)
        return 1;
    int result = 0;
    for (int id = 0; id < kD3D7TextureSlots; ++id)
    {
        TextureSlot& slot = m_textures[size_t(id)];
        if (!slot.surface || (!slot.renderTarget && slot.surface->IsLost() >= 0))
            continue;
        const int width = int(slot.surface->Width()), height = int(slot.surface->Height());
        ZSoftSurface* fresh = MakeTextureSurface(width, height, slot.renderTarget);
        if (!fresh)
        {
            result = 1;
            continue;
        }
        for (uint32_t stage = 0; stage < 2; ++stage)
            if (m_device->State().stages[stage].texture == slot.surface)
                m_device->SetTexture(stage, nullptr);
        if (m_currentTarget == slot.surface)
        {
            m_device->SetRenderTarget(m_target, 0);
            m_currentTarget = m_target;
        }
        slot.surface->Release();
        slot.surface = fresh;
        slot.staging.clear();
        slot.lost = true;
        if (slot.renderTarget)
            result |= AttachZBuffer(fresh);
        else if (RestoreTextureSlot(id) != 0)
            result = 1;
        slot.lost = false;
    }
    for (auto* table : {&m_vertexBuffers, &m_quads})
        for (BufferSlot& slot : *table)
        {
            if (slot.copy.empty())
                continue;
            if (slot.buffer)
                slot.buffer->Release();
            slot.buffer = nullptr;
            if (FillBuffer(slot) != 0)
                result = 1;
        }
    OnDeviceReset();
    RefreshViews();
    return result;
}

void ZRenderD3D7::SetupCamera(ZCamera* camera)
{
    if (!m_device)
        return;
    if (!camera)
        return;
    const SCameraFog* fog = &camera->GetFog();
    auto* state = static_cast<ZRenderD3D7State*>(m_renderState);
    if (fog->kind == 0)
    {
        if (state)
            state->SetFogEnabled(false);
        else
            m_device->SetRenderState(RS::FogEnable, 0);
        return;
    }
    if (state)
        state->SetFogEnabled(true);
    // The device's fog switch is set whatever the state object remembered: a material may have
    // switched fog off without telling it.
    m_device->SetRenderState(RS::FogEnable, 1);
    switch (fog->kind)
    {
    case 1:
        m_device->SetRenderState(RS::FogMode, uint32_t(Fog::Linear));
        m_device->SetRenderState(RS::FogStart, FloatBits(fog->start));
        m_device->SetRenderState(RS::FogEnd, FloatBits(fog->end));
        break;
    case 2:
        m_device->SetRenderState(RS::FogMode, uint32_t(Fog::Exp));
        m_device->SetRenderState(RS::FogDensity, FloatBits(fog->density));
        break;
    case 3:
        m_device->SetRenderState(RS::FogMode, uint32_t(Fog::Exp2));
        m_device->SetRenderState(RS::FogDensity, FloatBits(fog->density));
        break;
    default:
        break;
    }
    m_device->SetRenderState(RS::FogColor, ColorToARGB(fog->color));
}

void ZRenderD3D7::SetCursorForMode()
{
    if (plat::GetCursorShowCount() >= 0)
        while (plat::ShowCursor(false) >= 0)
        {
        }
    GetRenderHost()->ClipCursor(!TestStateA(kRenderWindowed));
}

int ZRenderD3D7::ResetDeviceState(bool restoreContents)
{
    GetRenderHost()->SetDisplayResetting(true);
    ZRenderBase::ResetDeviceState(restoreContents);
    for (ZRenderD3D7ShaderFFP* code : {m_ffp, static_cast<ZRenderD3D7ShaderFFP*>(m_ffpSprite)})
        if (code)
            code->ClearCache();
    if (restoreContents)
        OnDeviceReset();
    RecreateBuffers();
    SetCursorForMode();
    if (restoreContents)
    {
        for (int id = 0; id < kD3D7TextureSlots; ++id)
            if (m_textures[size_t(id)].surface)
                RestoreTextureSlot(id);
    }
    for (TextureSlot& slot : m_textures)
        slot.lost = false;
    GetRenderHost()->SetDisplayResetting(false);
    return 0;
}

int ZRenderD3D7::RestoreTextureSlot(int id)
{
    TextureSlot& slot = m_textures[size_t(id)];
    // A render target is drawn again by its camera; its texture has nothing to upload.
    if (slot.renderTarget)
        return 0;
    ZTexture* texture = slot.texture;
    if (!texture)
    {
        // An atlas page keeps its own pixels: committing it fills the surface again.
        for (size_t i = 0; i < GetPageCount(); ++i)
            if (ZTextureAtlas* page = GetPage(i); page && page->GetRenderTextureId() == id)
                page->Commit();
        return 0;
    }
    // Only a full pixel copy can be uploaded; an alpha map kept for picking is not one.
    const bool fullCopy = texture->GetPixels() && (texture->GetTextureFlags() & kTexturePixels) &&
                          !(texture->GetTextureFlags() & kTextureAlphaMap);
    if (fullCopy)
        return UploadPixels(slot.surface, texture);
    // Contents that survived need nothing.
    if (!slot.lost)
        return 0;
    // The copy was given up after the first upload: the file is read again.
    ZTexture* saved = texture;
    if (ReconvertTexture(saved) != 0 || !saved->GetPixels())
        return 1;
    const int result = UploadPixels(slot.surface, saved);
    saved->AfterUpload();
    return result;
}

void ZRenderD3D7::ReleaseDefaultQuad()
{
    if (m_defaultQuad >= 0)
        DeleteQuad(m_defaultQuad);
    m_defaultQuad = -1;
}

int ZRenderD3D7::RestoreSurfaces()
{
    ZRenderBase::RestoreSurfaces();
    m_surfacesLost = true;
    return 0;
}

int ZRenderD3D7::RecreateBuffers()
{
    int result = 0;
    for (auto* table : {&m_vertexBuffers, &m_quads})
        for (BufferSlot& slot : *table)
            if (!slot.copy.empty() && FillBuffer(slot) != 0)
                result = 1;
    return result;
}

bool ZRenderD3D7::RestoreDevice()
{
    if (!m_ddraw || m_ddraw->TestCooperativeLevel() < 0)
        return false;
    // Which texture surfaces lost their contents: only those are filled again from a file.
    for (TextureSlot& slot : m_textures)
        slot.lost = slot.surface && slot.surface->IsLost() < 0;
    if (m_ddraw->RestoreAllSurfaces() < 0)
        return false;
    ResetDeviceState(true);
    m_surfacesLost = false;
    return true;
}
