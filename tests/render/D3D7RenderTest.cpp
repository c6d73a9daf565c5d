// The Direct3D 7 back end on the software display layer: set-up choices, resource slots, the state
// object's device states, a drawn frame and the restore of a lost device.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/app/ZEngineSettings.h"
#include "engine/core/ZAllocBase.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZFont.h"
#include "engine/render/ZRenderFont.h"
#include "engine/render/d3d7/ZRenderD3D7.h"
#include "engine/render/resources/ZPixelFormat.h"
#include "tests/platform/SoftD3D7TestSupport.h"

using namespace soft7;

namespace
{
// A machine without SDL: a 1024 x 768 desktop with the standard devices and formats.
SSoftDriverConfig VirtualMachine()
{
    return softd3d7_test::VirtualMachine(
        {{640, 480, 32, 60}, {800, 600, 16, 60}, {800, 600, 32, 60}, {1024, 768, 32, 60}});
}

uint32_t Get(ZSoftD3DDevice* device, RS state)
{
    return device->State().Get(state);
}
uint32_t Get(ZSoftD3DDevice* device, int stage, TSS state)
{
    return device->State().Get(stage, state);
}

class D3D7Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_renderDesktopResolution.SetValue(true);
        render = new ZRenderD3D7(VirtualMachine());
        ASSERT_EQ(render->Init(800, 600, true, nullptr), 0);
    }
    void TearDown() override { delete render; }
    ZRenderD3D7* render = nullptr;
};
} // namespace

TEST(D3D7Choice, LaterDeviceReplacesOnlyWithEveryCapabilityAndWrappingStencil)
{
    SSoftDeviceDesc hal;
    hal.devCaps = kDevCapsTextureVideoMemory | kDevCapsHwRasterization;
    hal.stencilCaps = 0xFF;
    SSoftDeviceDesc lacking = hal;
    lacking.devCaps = kDevCapsTextureVideoMemory;
    SSoftDeviceDesc noWrap = hal;
    noWrap.stencilCaps = 0x7F;
    SSoftDeviceDesc same = hal;
    EXPECT_FALSE(ZRenderD3D7::PreferDevice(hal, lacking));
    EXPECT_FALSE(ZRenderD3D7::PreferDevice(hal, noWrap));
    // No better, still taken.
    EXPECT_TRUE(ZRenderD3D7::PreferDevice(hal, same));
}

TEST(D3D7Choice, TextureFormatNeedsAlphaAndTakesTheLargerAlphaMask)
{
    const SSoftPixelFormat argb = FormatA8R8G8B8(), a4 = FormatA4R4G4B4(), a1 = FormatA1R5G5B5();
    EXPECT_FALSE(ZRenderD3D7::PreferTextureFormat(nullptr, FormatR5G6B5()));
    EXPECT_FALSE(ZRenderD3D7::PreferTextureFormat(nullptr, FormatA8L8())); // luminance
    EXPECT_TRUE(ZRenderD3D7::PreferTextureFormat(nullptr, a1));
    EXPECT_TRUE(ZRenderD3D7::PreferTextureFormat(&a1, a4));
    EXPECT_TRUE(ZRenderD3D7::PreferTextureFormat(&a4, argb));
    EXPECT_FALSE(ZRenderD3D7::PreferTextureFormat(&argb, a4));
}

TEST_F(D3D7Test, HeadlessInitChoosesDeviceFormatAndReportsCaps)
{
    ASSERT_NE(render->GetDevice(), nullptr);
    EXPECT_EQ(render->GetTextureFormat(), FormatA8R8G8B8());
    EXPECT_TRUE(render->TestStateA(kRenderWindowed));
    // The logical picture in desktop-resolution mode.
    EXPECT_EQ(render->GetDefaultRenderTarget()->Width(), 800u);
    EXPECT_EQ(render->GetDefaultRenderTarget()->Height(), 600u);
    EXPECT_TRUE(render->HasDisplayMode(800, 600));
    const auto report = render->GetCapsReport();
    const char* keys[] = {"gfx-driver",        "gfx-desc",          "gfx-driver-version",
                          "gfx-whql",          "non-pow2",          "free-texture-mem",
                          "total-texture-mem", "caps-max-textures", "caps-max-aspect",
                          "caps-tex-min-size", "caps-tex-max-size", "caps-tex-max-repeat",
                          "caps-d3ddev-caps",  "caps-stencil-caps", "caps-texture-caps"};
    ASSERT_EQ(report.size(), std::size(keys));
    for (size_t i = 0; i < report.size(); ++i)
        EXPECT_EQ(report[i].first, keys[i]);
    EXPECT_EQ(report[4].second, render->TestStateB(kRenderNonPowerOfTwo) ? "Y" : "N");
    EXPECT_NE(std::string(render->GetDriverDescription()).find("@hardware:gfx-whql=\""), std::string::npos);
    uint32_t total = 0, free = 0;
    EXPECT_TRUE(render->GetFreeTextureMemory(total, free));
    EXPECT_GT(total, 0u);
}

TEST(D3D7Setup, FullScreenWithoutUsableModesFailsWhileAWindowStarts)
{
    SSoftDriverConfig config = VirtualMachine();
    config.modes = {{800, 600, 24, 60}};
    {
        ZRenderD3D7 render(config);
        EXPECT_EQ(render.Init(800, 600, false, nullptr), 1);
    }
    ZRenderD3D7 render(config);
    EXPECT_EQ(render.Init(800, 600, true, nullptr), 0);
}

TEST(D3D7Setup, ForcePow2ClearsTheNonPowerOfTwoBit)
{
    g_engineRenderForcePow2.SetValue(true);
    ZRenderD3D7 render(VirtualMachine());
    ASSERT_EQ(render.Init(800, 600, true, nullptr), 0);
    EXPECT_FALSE(render.TestStateB(kRenderNonPowerOfTwo));
    g_engineRenderForcePow2.SetValue(false);
}

// The window-less dummy video driver keeps the test the same with or without a display.
TEST(D3D7Setup, InitOnAWindow)
{
    const char* old = std::getenv("SDL_VIDEODRIVER");
    const std::string saved = old ? old : "";
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    struct Restore
    {
        const char* old;
        std::string saved;
        ~Restore()
        {
            if (old)
                setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
            else
                unsetenv("SDL_VIDEODRIVER");
        }
    } restore{old, saved};
    if (plat::InitVideo() != 0)
        GTEST_SKIP() << "no display: " << plat::GetVideoError();
    {
        ZPlatformWindow window;
        ASSERT_EQ(window.Create("d3d7", 320, 240, true), 0);
        ZRenderD3D7 render;
        ASSERT_EQ(render.Init(320, 240, true, &window), 0);
        EXPECT_EQ(render.RenderFrame(), 0);
        EXPECT_EQ(render.GetFrameCount(), 1u);
    }
    plat::ShutdownVideo();
}

TEST_F(D3D7Test, TexturesAreCreatedLockedAndDeletedAndIdMinusOneIsRefused)
{
    const uint8_t pixels[2 * 2 * 4] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const int id = render->CreateTexture(2, 2, pixels, kPixelBGRA, false);
    ASSERT_GE(id, 0);
    EXPECT_EQ(render->GetTextureSize(id), 16);
    EXPECT_EQ(render->GetTextureBytes(), 16u);
    int pitch = 0;
    uint8_t* bits = nullptr;
    ASSERT_EQ(render->LockTexture(id, pitch, bits), 0);
    EXPECT_EQ(std::memcmp(bits + pitch, pixels + 8, 8), 0);
    EXPECT_EQ(render->UnlockTexture(id), 0);

    for (int bad : {-1, -5, 2048, 99999})
    {
        EXPECT_EQ(render->GetTextureSize(bad), 0) << bad;
        EXPECT_EQ(render->LockTexture(bad, pitch, bits), 1) << bad;
        EXPECT_EQ(render->UnlockTexture(bad), 1) << bad;
        render->DeleteTexture(bad);
    }
    render->DeleteTexture(id);
    EXPECT_EQ(render->GetTextureSize(id), 0);
    EXPECT_EQ(render->GetTextureBytes(), 0u);
    EXPECT_EQ(render->GetPeakTextureMemoryMiB(), 16.0f / 1048576.0f);
}

TEST_F(D3D7Test, RenderTargetTextureTakesTheDrawingAndGoesBack)
{
    const int id = render->CreateTextureOfSize(100, 60);
    ASSERT_GE(id, 0);
    int w = 0, h = 0;
    ASSERT_TRUE(render->GetTextureSize(id, w, h));
    if (render->TestStateB(kRenderNonPowerOfTwo))
        EXPECT_EQ(w * 1000 + h, 100060);
    else
        EXPECT_EQ(w * 1000 + h, 128064);
    ASSERT_EQ(render->SetRenderTarget(id), 0);
    render->BeginRenderTargetScene();
    render->Clear(nullptr, true, true, false);
    render->GetDevice()->Clear(0, nullptr, kClearTarget, 0xFF00FF00u, 1.0f, 0);
    render->EndRenderTargetScene();
    EXPECT_EQ(render->GetTextureSurface(id)->ReadPixel(5, 5) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(render->GetDefaultRenderTarget()->ReadPixel(5, 5) & 0xFFFFFF, 0u);
    EXPECT_EQ(render->ResetRenderTarget(), 0);
    // Deleting the current target hands the device back to the default one.
    render->SetRenderTarget(id);
    render->DeleteTexture(id);
    EXPECT_EQ(render->GetDevice()->State().target, render->GetDefaultRenderTarget());
}

TEST_F(D3D7Test, VertexBuffersKeepACopyAndRefuseBadIds)
{
    SD3D7Vertex vertices[3] = {};
    vertices[1].x = 7.0f;
    const int id = render->CreateVertexBuffer(vertices, 3, false);
    ASSERT_GE(id, 0);
    auto* data = static_cast<uint8_t*>(render->LockVertexBuffer(id));
    ASSERT_NE(data, nullptr);
    float x = 0;
    std::memcpy(&x, data + kD3D7VertexSize, 4);
    EXPECT_EQ(x, 7.0f);
    EXPECT_EQ(render->UnlockVertexBuffer(id), 0);
    EXPECT_EQ(render->LockVertexBuffer(-1), nullptr);
    EXPECT_EQ(render->UnlockVertexBuffer(-1), 1);
    EXPECT_EQ(render->CreateVertexBuffer(nullptr, 3, false), -1);
    render->DeleteVertexBuffer(-1);
    render->DeleteVertexBuffer(id);
    EXPECT_EQ(render->LockVertexBuffer(id), nullptr);
}

// Each flag on its own, applied over a state with no flags, and the device states it must leave.
TEST_F(D3D7Test, StateFlagsWriteTheirDeviceStates)
{
    struct Case
    {
        uint32_t flag;
        RS state;
        uint32_t value;
    };
    const Case cases[] = {
        {kStateAdditive, RS::DestBlend, uint32_t(Blend::One)},
        {kStateNoCull, RS::CullMode, uint32_t(Cull::None)},
        {kStateAlphaTest, RS::AlphaTestEnable, 1},
        {kStateMaterialSource, RS::DiffuseMaterialSource, uint32_t(MaterialSource::Material)},
        {kStateModulateVertex, RS::ColorVertex, 1},
        {kStateNoFog, RS::FogEnable, 0},
        {kStateNoDepthTest, RS::ZEnable, 0},
        {kStateNoDepthWrite, RS::ZWriteEnable, 0},
        {kStateColorBlend, RS::SrcBlend, uint32_t(Blend::SrcColor)},
        {kStateNoColor, RS::SrcBlend, uint32_t(Blend::Zero)},
        {kStateMultiply, RS::DestBlend, uint32_t(Blend::SrcColor)},
        {kStateStencilTest, RS::StencilEnable, 1},
        {kStateStencilWrite, RS::StencilPass, uint32_t(StencilOp::Replace)},
        {kStateStencilWrite, RS::AlphaTestEnable, 1},
        {kStateStencilClear, RS::StencilPass, uint32_t(StencilOp::Zero)},
        // No blend is overridden by the last step: blending stays on.
        {kStateNoBlend, RS::AlphaBlendEnable, 1},
    };
    ZSoftD3DDevice* device = render->GetDevice();
    ZRenderState* base = render->CreateRenderState();
    ZRenderState* next = render->CreateRenderState();
    auto* before = static_cast<ZRenderD3D7State*>(base);
    auto* state = static_cast<ZRenderD3D7State*>(next);
    for (const Case& c : cases)
    {
        before->Reset();
        before->Apply(nullptr);
        state->SetFlags(c.flag);
        state->Apply(before);
        EXPECT_EQ(Get(device, c.state), c.value) << std::hex << c.flag;
        // And back: the default again (the material sources and fog are never restored).
        before->Apply(state);
        if (c.flag != kStateMaterialSource && c.flag != kStateNoFog && c.flag != kStateModulateVertex &&
            c.state != RS::AlphaTestEnable)
        {
            before->SetFlags(0);
            ZRenderD3D7State* fresh = static_cast<ZRenderD3D7State*>(render->CreateRenderState());
            fresh->Reset();
            fresh->Apply(nullptr);
            const uint32_t expected = Get(device, c.state);
            fresh->Destroy();
            state->Apply(before);
            before->Apply(state);
            EXPECT_EQ(Get(device, c.state), expected) << "restore " << std::hex << c.flag;
        }
    }
    // Stage states.
    before->Reset();
    before->Apply(nullptr);
    state->SetFlags(kStateModulateFactor | kStateLinearFilter | kStateTexTransform | kStateStage1Modulate);
    state->Apply(before);
    EXPECT_EQ(Get(device, 0, TSS::ColorOp), uint32_t(Top::Modulate));
    EXPECT_EQ(Get(device, 0, TSS::ColorArg2), kTaTFactor);
    EXPECT_EQ(Get(device, 0, TSS::MagFilter), uint32_t(Filter::Linear));
    EXPECT_EQ(Get(device, 0, TSS::TextureTransformFlags), uint32_t(TexTransform::Count2));
    EXPECT_EQ(Get(device, 1, TSS::ColorOp), uint32_t(Top::Modulate));
    EXPECT_EQ(Get(device, 1, TSS::AlphaOp), uint32_t(Top::SelectArg2));
    before->Apply(state);
    EXPECT_EQ(Get(device, 0, TSS::ColorOp), uint32_t(Top::SelectArg1));
    EXPECT_EQ(Get(device, 0, TSS::MagFilter), uint32_t(Filter::Point));
    EXPECT_EQ(Get(device, 0, TSS::TextureTransformFlags), uint32_t(TexTransform::Disable));
    EXPECT_EQ(Get(device, 1, TSS::ColorOp), uint32_t(Top::Disable));
    // Fog switched off once is remembered.
    state->SetFogEnabled(false);
    EXPECT_TRUE(state->IsFogOff());
    state->SetFogEnabled(true);
    EXPECT_EQ(Get(device, RS::FogEnable), 1u);
    before->Destroy();
    state->Destroy();
}

// A 2 x 2 texture on the default 100 x 100 sprite quad in the middle of the 800 x 600 picture.
TEST_F(D3D7Test, FrameDrawsATexturedSpriteQuadIntoTheBackBuffer)
{
    // B, G, R, A bytes: red, green / blue, white.
    const uint8_t texels[16] = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255};
    const int texture = render->CreateTexture(2, 2, texels, kPixelBGRA, false);
    ASSERT_GE(texture, 0);
    const int quad = render->GetDefaultQuad();
    ASSERT_GE(quad, 0);
    ZSoftD3DDevice* device = render->GetDevice();

    auto* state = static_cast<ZRenderD3D7State*>(render->GetRenderState());
    state->Reset();
    state->SetFlags(kStateNoCull | kStateUnlit | kStateStage0Textured);
    state->Apply(nullptr);
    device->SetTexture(0, render->GetTextureSurface(texture));
    _M44 projection;
    projection.m[0][0] = 2.0f / 800.0f;
    projection.m[1][1] = 2.0f / 600.0f;
    render->SetWorldMatrix(_M44());
    render->SetViewMatrix(_M44());
    render->SetProjectionMatrix(projection);

    ASSERT_EQ(device->BeginScene(), kOk);
    render->GetDevice()->Clear(0, nullptr, kClearTarget | kClearZBuffer, 0xFF000000u, 1.0f, 0);
    EXPECT_EQ(render->DrawQuadBuffer(quad), 0);
    EXPECT_EQ(render->DrawQuadBuffer(-1), 1);
    ASSERT_EQ(device->EndScene(), kOk);

    ZSoftSurface* target = render->GetDefaultRenderTarget();
    // Clip-space y points up and the picture stands upright: texel row 0 (v = 0) is at the top.
    EXPECT_EQ(target->ReadPixel(370, 270) & 0xFFFFFF, 0xFF0000u); // red
    EXPECT_EQ(target->ReadPixel(430, 270) & 0xFFFFFF, 0x00FF00u); // green
    EXPECT_EQ(target->ReadPixel(370, 330) & 0xFFFFFF, 0x0000FFu); // blue
    EXPECT_EQ(target->ReadPixel(430, 330) & 0xFFFFFF, 0xFFFFFFu); // white
    EXPECT_EQ(target->ReadPixel(340, 300) & 0xFFFFFF, 0u);        // outside
    EXPECT_EQ(target->ReadPixel(400, 360) & 0xFFFFFF, 0u);

    // The frame presents the picture into the front buffer.
    EXPECT_EQ(render->RenderFrame(), 0);
    EXPECT_EQ(render->GetFrameCount(), 1u);
    EXPECT_EQ(render->GetFrontBuffer()->ReadPixel(370, 270) & 0xFFFFFF, 0xFF0000u);
    uint32_t w = 0, h = 0;
    g_renderScreenDumpTexture.SetValue(-3);
    uint32_t* grabbed = render->GrabScreen(w, h);
    ASSERT_NE(grabbed, nullptr);
    EXPECT_EQ(w * 10000 + h, 8000600u);
    EXPECT_EQ(grabbed[270 * 800 + 430] & 0xFFFFFF, 0x00FF00u);
    GetAllocHook()->Free(grabbed);
}

// Print Screen saves the last finished frame: not the next frame half drawn over it, and not the
// cleared surfaces of a display that was taken away (a busy machine's windows take it often).
TEST_F(D3D7Test, PrintScreenSavesTheLastFinishedFrameWhateverTheSurfacesHoldSince)
{
    const uint8_t red[4] = {0, 0, 255, 255};
    const int texture = render->CreateTexture(1, 1, red, kPixelBGRA, false);
    ASSERT_GE(texture, 0);
    ZSoftD3DDevice* device = render->GetDevice();
    auto* state = static_cast<ZRenderD3D7State*>(render->GetRenderState());
    state->Reset();
    state->SetFlags(kStateNoCull | kStateUnlit | kStateStage0Textured);
    state->Apply(nullptr);
    device->SetTexture(0, render->GetTextureSurface(texture));
    _M44 projection;
    projection.m[0][0] = 2.0f / 800.0f;
    projection.m[1][1] = 2.0f / 600.0f;
    render->SetWorldMatrix(_M44());
    render->SetViewMatrix(_M44());
    render->SetProjectionMatrix(projection);
    ASSERT_EQ(device->BeginScene(), kOk);
    device->Clear(0, nullptr, kClearTarget | kClearZBuffer, 0xFF000000u, 1.0f, 0);
    EXPECT_EQ(render->DrawQuadBuffer(render->GetDefaultQuad()), 0);
    ASSERT_EQ(device->EndScene(), kOk);
    ASSERT_EQ(render->RenderFrame(), 0);

    g_renderScreenDumpTexture.SetValue(-1);
    auto grabbedAt = [this](int x, int y)
    {
        uint32_t w = 0, h = 0;
        uint32_t* grabbed = render->GrabScreen(w, h);
        EXPECT_EQ(w * 10000 + h, 8000600u);
        const uint32_t pixel = grabbed && w == 800 && h == 600 ? grabbed[size_t(y) * 800 + size_t(x)] : 0;
        GetAllocHook()->Free(grabbed);
        return pixel & 0xFFFFFF;
    };
    EXPECT_EQ(grabbedAt(400, 300), 0xFF0000u);
    EXPECT_EQ(grabbedAt(300, 300), 0u);

    // The next frame has begun with a blue clear: the saved picture is still the finished one.
    ASSERT_EQ(device->BeginScene(), kOk);
    device->Clear(0, nullptr, kClearTarget, 0xFF0000FFu, 1.0f, 0);
    ASSERT_EQ(device->EndScene(), kOk);
    EXPECT_EQ(grabbedAt(400, 300), 0xFF0000u);
    EXPECT_EQ(grabbedAt(300, 300), 0u);

    // The display is taken away and the surfaces come back empty.
    render->GetDirectDraw()->LoseDisplay();
    render->RestoreSurfaces();
    EXPECT_EQ(grabbedAt(400, 300), 0xFF0000u);
    render->GetDirectDraw()->RegainDisplay();
}

TEST_F(D3D7Test, LostSurfacesAreRestoredWithTheirBuffers)
{
    SD3D7Vertex vertices[3] = {};
    vertices[2].u = 0.25f;
    const int id = render->CreateVertexBuffer(vertices, 3, false);
    ASSERT_GE(id, 0);
    render->GetDirectDraw()->LoseDisplay();
    render->RestoreSurfaces();
    EXPECT_TRUE(render->AreSurfacesLost());
    // While the display is away every frame fails and nothing is drawn.
    EXPECT_EQ(render->RenderFrame(), 1);
    EXPECT_EQ(render->GetFrameCount(), 0u);
    render->GetDirectDraw()->RegainDisplay();
    EXPECT_EQ(render->RenderFrame(), 0);
    EXPECT_FALSE(render->AreSurfacesLost());
    EXPECT_EQ(render->GetFrameCount(), 1u);
    auto* data = static_cast<uint8_t*>(render->LockVertexBuffer(id));
    ASSERT_NE(data, nullptr);
    float u = 0;
    std::memcpy(&u, data + 2 * kD3D7VertexSize + 28, 4);
    EXPECT_EQ(u, 0.25f);
    render->UnlockVertexBuffer(id);
}

TEST(D3D7Frame, UploadBudgetIsAShareOfTheFramePeriod)
{
    const float saved = g_engineFpsLimit.GetValue();
    g_engineFpsLimit.SetValue(80.0f);
    EXPECT_FLOAT_EQ(ZRenderD3D7::UploadBudget(), 0.001875f);
    g_engineFpsLimit.SetValue(40.0f);
    EXPECT_FLOAT_EQ(ZRenderD3D7::UploadBudget(), 0.00375f);
    g_engineFpsLimit.SetValue(saved);
}

TEST_F(D3D7Test, TextDrawerAndBuiltInFontComeWithTheDevice)
{
    ZRenderFont* text = render->GetTextRenderer();
    ASSERT_NE(text, nullptr);
    ZFont* font = ZFont::Find("defaultfont");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, text->GetDefaultFont());
    // Its glyph quads live in this device's quad buffers.
    ZFont::SGlyphInfo glyph;
    ASSERT_EQ(font->GetGlyph('A', glyph), 0);
    EXPECT_GE(glyph.quadId, 0);
    EXPECT_FLOAT_EQ(glyph.width, 9.0f);
    // The display made again brings a new built-in font, and the old one's quads go back.
    ASSERT_EQ(render->Init(800, 600, true, nullptr), 0);
    EXPECT_NE(text->GetDefaultFont(), nullptr);
    EXPECT_EQ(ZFont::Find("defaultfont"), text->GetDefaultFont());
}
