// The display side of the software DirectDraw/Direct3D stand-in: enumeration, surfaces, blits and
// flips, video memory, lost surfaces and their restore, object lifetime, and presentation.
#include "SoftD3D7TestSupport.h"

#include "support/DisplayTestSupport.h"

#include <SDL.h>
#include <cstdlib>

using namespace soft7;
using namespace softd3d7_test;

namespace
{
ZSoftDirectDraw* MakeDisplay(SSoftDriverConfig config = {})
{
    config.useSdl = false;
    ZSoftDirectDraw* dd = nullptr;
    EXPECT_EQ(ZSoftDirectDraw::Create(&config, &dd), kOk);
    return dd;
}

ZSoftSurface* MakeSurface(ZSoftDirectDraw* dd, uint32_t w, uint32_t h, uint32_t caps,
                          SSoftPixelFormat format = FormatX8R8G8B8())
{
    SSoftSurfaceDesc desc;
    desc.width = w;
    desc.height = h;
    desc.caps = caps;
    desc.hasPixelFormat = true;
    desc.pixelFormat = format;
    ZSoftSurface* s = nullptr;
    EXPECT_EQ(dd->CreateSurface(desc, &s), kOk);
    return s;
}

struct DisplayGuard
{
    ZSoftDirectDraw* dd;
    ~DisplayGuard() { dd->Release(); }
};
} // namespace

TEST(SoftD3D7Display, VirtualDisplayOffersEverySizeAtBothDepths)
{
    DisplayGuard g{MakeDisplay()};
    std::vector<SSoftDisplayMode> modes;
    g.dd->EnumDisplayModes(
        [&](const SSoftDisplayMode& m)
        {
            modes.push_back(m);
            return true;
        });
    ASSERT_FALSE(modes.empty());
    for (const SSoftDisplayMode& m : modes)
    {
        EXPECT_TRUE(m.bitsPerPixel == 16 || m.bitsPerPixel == 32);
        auto other = std::find_if(modes.begin(), modes.end(),
                                  [&](const SSoftDisplayMode& o) {
                                      return o.width == m.width && o.height == m.height &&
                                             o.bitsPerPixel != m.bitsPerPixel;
                                  });
        EXPECT_NE(other, modes.end()) << m.width << "x" << m.height;
    }
    SSoftDisplayMode current;
    g.dd->GetDisplayMode(current);
    EXPECT_EQ(current, (SSoftDisplayMode{1024, 768, 32, 60}));
    int wmm = 0, hmm = 0;
    g.dd->GetPhysicalSize(wmm, hmm);
    EXPECT_EQ(wmm, 270); // 96 dots per inch
    EXPECT_EQ(hmm, 203);

    int seen = 0;
    g.dd->EnumDisplayModes([&](const SSoftDisplayMode&) { return ++seen < 2; });
    EXPECT_EQ(seen, 2); // the callback stops the enumeration
}

TEST(SoftD3D7Display, ConfiguredModesAreOfferedAsGiven)
{
    SSoftDriverConfig config;
    config.modes = {{800, 600, 24, 60}, {1024, 768, 24, 60}};
    DisplayGuard g{MakeDisplay(config)};
    std::vector<SSoftDisplayMode> modes;
    g.dd->EnumDisplayModes(
        [&](const SSoftDisplayMode& m)
        {
            modes.push_back(m);
            return true;
        });
    EXPECT_EQ(modes, config.modes);
}

TEST(SoftD3D7Display, DevicesAndFormatsAsADriverOffersThem)
{
    DisplayGuard g{MakeDisplay()};
    ZSoftDirect3D* d3d = nullptr;
    ASSERT_EQ(g.dd->QueryDirect3D(&d3d), kOk);
    std::vector<SSoftDeviceDesc> devices;
    d3d->EnumDevices(
        [&](const SSoftDeviceDesc& d)
        {
            devices.push_back(d);
            return true;
        });
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].kind, DeviceKind::Rgb);
    EXPECT_EQ(devices[1].kind, DeviceKind::Hal);
    EXPECT_EQ(devices[2].kind, DeviceKind::TnlHal);
    const uint32_t preferred =
        kDevCapsTextureVideoMemory | kDevCapsHwRasterization | kDevCapsDrawPrimitives2Ex;
    EXPECT_EQ(devices[0].devCaps & preferred, 0u);
    EXPECT_EQ(devices[1].devCaps & preferred, preferred);
    EXPECT_TRUE(devices[2].devCaps & kDevCapsHwTransformAndLight);
    for (const SSoftDeviceDesc& d : devices)
    {
        EXPECT_GE(d.stencilCaps, kStencilCapsDecr);
        EXPECT_EQ(d.textureCaps & (kTexCapsPow2 | kTexCapsNonPow2Conditional | kTexCapsSquareOnly), 0u);
    }

    std::vector<SSoftPixelFormat> depth;
    d3d->EnumZBufferFormats(DeviceKind::TnlHal,
                            [&](const SSoftPixelFormat& f)
                            {
                                depth.push_back(f);
                                return true;
                            });
    auto firstStencil =
        std::find_if(depth.begin(), depth.end(),
                     [](const SSoftPixelFormat& f) { return f.stencilBits > 0 && f.zBits >= 16; });
    ASSERT_NE(firstStencil, depth.end());
    EXPECT_EQ(firstStencil->zBits, 24u);
    EXPECT_EQ(firstStencil->stencilBits, 8u);

    ZSoftSurface* target = MakeSurface(g.dd, 8, 8, kCaps3DDevice | kCapsVideoMemory);
    ZSoftD3DDevice* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(DeviceKind::TnlHal, target, &device), kOk);
    std::vector<SSoftPixelFormat> textures;
    device->EnumTextureFormats(
        [&](const SSoftPixelFormat& f)
        {
            textures.push_back(f);
            return true;
        });
    EXPECT_NE(std::find(textures.begin(), textures.end(), FormatA8R8G8B8()), textures.end());
    EXPECT_NE(std::find(textures.begin(), textures.end(), FormatA4R4G4B4()), textures.end());
    EXPECT_TRUE(std::any_of(textures.begin(), textures.end(),
                            [](const SSoftPixelFormat& f) { return (f.flags & kPfLuminance) != 0; }));
    // Every offered texture format can be made into a texture.
    for (const SSoftPixelFormat& f : textures)
        EXPECT_NE(MakeSurface(g.dd, 4, 4, kCapsTexture | kCapsTextureManage, f), nullptr);
}

TEST(SoftD3D7Display, DeviceTargetMemoryMustMatchTheDevice)
{
    DisplayGuard g{MakeDisplay()};
    ZSoftDirect3D* d3d = nullptr;
    ASSERT_EQ(g.dd->QueryDirect3D(&d3d), kOk);
    ZSoftSurface* video = MakeSurface(g.dd, 8, 8, kCaps3DDevice | kCapsVideoMemory);
    ZSoftSurface* system = MakeSurface(g.dd, 8, 8, kCaps3DDevice | kCapsSystemMemory);
    ZSoftSurface* plain = MakeSurface(g.dd, 8, 8, kCapsOffscreenPlain | kCapsSystemMemory);
    ZSoftD3DDevice* device = nullptr;
    EXPECT_EQ(d3d->CreateDevice(DeviceKind::Rgb, video, &device), kErrInvalidSurfaceType);
    EXPECT_EQ(d3d->CreateDevice(DeviceKind::Hal, system, &device), kErrInvalidSurfaceType);
    EXPECT_EQ(d3d->CreateDevice(DeviceKind::Rgb, plain, &device), kErrInvalidSurfaceType);
    EXPECT_EQ(d3d->CreateDevice(DeviceKind::Rgb, system, &device), kOk);
    EXPECT_EQ(d3d->CreateDevice(DeviceKind::Hal, video, &device), kOk);
}

TEST(SoftD3D7Display, SceneAndStateCallsAreChecked)
{
    SoftDevice d;
    const TLVertex v[3] = {};
    EXPECT_EQ(d.device->DrawPrimitive(Prim::TriangleList, kTLFvf, v, 3, 0), kErrSceneNotInScene);
    EXPECT_EQ(d.device->EndScene(), kErrSceneNotInScene);
    ASSERT_EQ(d.device->BeginScene(), kOk);
    EXPECT_EQ(d.device->BeginScene(), kErrSceneInScene);
    EXPECT_EQ(d.device->DrawPrimitive(Prim::TriangleList, 0, v, 3, 0), kErrInvalidParams);
    EXPECT_EQ(d.device->DrawPrimitive(Prim(99), kTLFvf, v, 3, 0), kErrInvalidParams);
    EXPECT_EQ(d.device->EndScene(), kOk);
    EXPECT_EQ(d.device->SetRenderState(RS::Count, 0), kErrInvalidParams);
    EXPECT_EQ(d.device->SetTextureStageState(8, TSS::ColorOp, 0), kErrInvalidParams);
    EXPECT_EQ(d.device->SetTexture(8, nullptr), kErrInvalidParams);
    EXPECT_EQ(d.device->SetTexture(0, d.depth), kErrInvalidParams);
    EXPECT_EQ(d.device->SetLight(16, SSoftLight{}), kErrInvalidParams);
    SSoftViewport outside{8, 8, 16, 16, 0, 1};
    EXPECT_EQ(d.device->SetViewport(outside), kErrInvalidParams);
}

TEST(SoftD3D7Display, PrimaryAndFlippingChainNeedTheRightCooperativeLevel)
{
    DisplayGuard g{MakeDisplay()};
    SSoftSurfaceDesc flip;
    flip.caps = kCapsPrimary | kCapsFlip | kCapsComplex | kCaps3DDevice;
    flip.backBufferCount = 1;
    ZSoftSurface* front = nullptr;
    EXPECT_EQ(g.dd->CreateSurface(flip, &front), kErrNoExclusiveMode);
    EXPECT_EQ(g.dd->SetDisplayMode(800, 600, 32, 0, 0), kErrNoExclusiveMode);

    ASSERT_EQ(g.dd->SetCooperativeLevel(nullptr, kCoopExclusive | kCoopFullscreen | kCoopMultithreaded), kOk);
    EXPECT_EQ(g.dd->SetDisplayMode(801, 600, 32, 0, 0), kErrInvalidMode);
    ASSERT_EQ(g.dd->SetDisplayMode(800, 600, 32, 0, 0), kOk);
    ASSERT_EQ(g.dd->CreateSurface(flip, &front), kOk);
    SSoftSurfaceDesc primary;
    primary.caps = kCapsPrimary;
    ZSoftSurface* second = nullptr;
    EXPECT_EQ(g.dd->CreateSurface(primary, &second), kErrPrimaryExists);

    ZSoftSurface* back = nullptr;
    ASSERT_EQ(front->GetAttachedSurface(kCapsBackBuffer, &back), kOk);
    SSoftSurfaceDesc desc;
    back->GetSurfaceDesc(desc);
    EXPECT_EQ(desc.width, 800u);
    EXPECT_EQ(desc.height, 600u);
    EXPECT_EQ(desc.pixelFormat, FormatX8R8G8B8());

    // Flip exchanges what the two buffers hold.
    ASSERT_EQ(back->Blt(nullptr, nullptr, nullptr, kBltColorFill | kBltWait, 0x00FF0000), kOk);
    ASSERT_EQ(front->Flip(nullptr, kFlipWait), kOk);
    EXPECT_EQ(front->ReadPixel(10, 10), 0xFFFF0000u);
    EXPECT_EQ(back->ReadPixel(10, 10), 0xFF000000u);
    EXPECT_EQ(back->Flip(nullptr, 0), kErrNotFlippable);
    back->Release();
    front->Release();
}

TEST(SoftD3D7Display, BltStretchesConvertsFillsAndChecksRectangles)
{
    DisplayGuard g{MakeDisplay()};
    ZSoftSurface* src = MakeSurface(g.dd, 2, 2, kCapsOffscreenPlain, FormatA8R8G8B8());
    SSoftSurfaceDesc locked;
    ASSERT_EQ(src->Lock(nullptr, locked, kLockWait), kOk);
    const uint32_t texels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    for (int y = 0; y < 2; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.surface) + y * locked.pitch, texels + 2 * y, 8);
    EXPECT_EQ(src->Lock(nullptr, locked, 0), kErrSurfaceBusy);
    ASSERT_EQ(src->Unlock(nullptr), kOk);

    ZSoftSurface* dst = MakeSurface(g.dd, 8, 8, kCapsOffscreenPlain, FormatR5G6B5());
    SSoftRect to{2, 2, 6, 6};
    ASSERT_EQ(dst->Blt(&to, src, nullptr, kBltWait), kOk);
    EXPECT_EQ(dst->ReadPixel(2, 2), 0xFFFF0000u);
    EXPECT_EQ(dst->ReadPixel(3, 3), 0xFFFF0000u);
    EXPECT_EQ(dst->ReadPixel(4, 3), 0xFF00FF00u);
    EXPECT_EQ(dst->ReadPixel(3, 4), 0xFF0000FFu);
    EXPECT_EQ(dst->ReadPixel(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(dst->ReadPixel(1, 1), 0xFF000000u);

    SSoftRect bar{0, 0, 1, 8};
    ASSERT_EQ(dst->Blt(&bar, nullptr, nullptr, kBltColorFill | kBltWait, 0x07E0), kOk); // raw 5-6-5 green
    EXPECT_EQ(dst->ReadPixel(0, 7), 0xFF00FF00u);

    SSoftRect outside{4, 4, 9, 8};
    EXPECT_EQ(dst->Blt(&outside, src, nullptr, kBltWait), kErrInvalidRect);
    SSoftRect badSource{0, 0, 3, 2};
    EXPECT_EQ(dst->Blt(nullptr, src, &badSource, kBltWait), kErrInvalidRect);
}

TEST(SoftD3D7Display, VideoMemoryIsCountedAndCanRunOut)
{
    SSoftDriverConfig config;
    config.videoMemoryBytes = 1 << 20;
    DisplayGuard g{MakeDisplay(config)};
    uint64_t total = 0, free0 = 0, free1 = 0;
    g.dd->GetAvailableVidMem(kCapsTexture, &total, &free0);
    EXPECT_EQ(total, 1u << 20);
    ZSoftSurface* s = MakeSurface(g.dd, 256, 256, kCapsTexture | kCapsVideoMemory, FormatA8R8G8B8());
    g.dd->GetAvailableVidMem(kCapsTexture, nullptr, &free1);
    EXPECT_EQ(free0 - free1, 256u * 256u * 4u);

    SSoftSurfaceDesc big;
    big.width = 1024;
    big.height = 1024;
    big.caps = kCapsTexture | kCapsVideoMemory;
    ZSoftSurface* none = nullptr;
    EXPECT_EQ(g.dd->CreateSurface(big, &none), kErrOutOfVideoMemory);
    EXPECT_EQ(none, nullptr);
    // Without a placement the surface falls back to system memory.
    big.caps = kCapsTexture;
    ASSERT_EQ(g.dd->CreateSurface(big, &none), kOk);
    SSoftSurfaceDesc desc;
    none->GetSurfaceDesc(desc);
    EXPECT_TRUE(desc.caps & kCapsSystemMemory);

    s->Release();
    g.dd->GetAvailableVidMem(kCapsTexture, nullptr, &free1);
    EXPECT_EQ(free1, free0);
}

TEST(SoftD3D7Display, LostSurfacesComeBackOnlyWithTheDisplay)
{
    SoftDevice d;
    ZSoftSurface* system = MakeSurface(d.dd, 4, 4, kCapsOffscreenPlain | kCapsSystemMemory);
    ZSoftSurface* managed = d.Texture(2, 2, {1, 2, 3, 4});
    d.Clear(0xFF00FF00);

    d.dd->LoseDisplay();
    EXPECT_EQ(d.target->IsLost(), kErrSurfaceLost);
    EXPECT_EQ(d.depth->IsLost(), kErrSurfaceLost);
    EXPECT_EQ(system->IsLost(), kOk);
    EXPECT_EQ(managed->IsLost(), kOk);
    SSoftSurfaceDesc locked;
    EXPECT_EQ(d.target->Lock(nullptr, locked, kLockWait), kErrSurfaceLost);
    EXPECT_EQ(d.device->BeginScene(), kErrSurfaceLost);
    EXPECT_EQ(system->Blt(nullptr, d.target, nullptr, kBltWait), kErrSurfaceLost);
    EXPECT_NE(d.dd->TestCooperativeLevel(), kOk);
    EXPECT_NE(d.dd->RestoreAllSurfaces(), kOk);
    EXPECT_EQ(d.target->Restore(), kErrWrongMode);
    EXPECT_EQ(d.target->IsLost(), kErrSurfaceLost);

    d.dd->RegainDisplay();
    EXPECT_EQ(d.dd->TestCooperativeLevel(), kOk);
    ASSERT_EQ(d.dd->RestoreAllSurfaces(), kOk);
    EXPECT_EQ(d.target->IsLost(), kOk);
    EXPECT_EQ(d.depth->IsLost(), kOk);
    EXPECT_EQ(d.At(0, 0), 0u); // the memory came back, the picture did not
    EXPECT_EQ(d.device->BeginScene(), kOk);
    EXPECT_EQ(d.device->EndScene(), kOk);
}

TEST(SoftD3D7Display, ChangingTheDisplayModeLosesVideoSurfaces)
{
    DisplayGuard g{MakeDisplay()};
    ZSoftSurface* video = MakeSurface(g.dd, 4, 4, kCapsTexture | kCapsVideoMemory);
    ZSoftSurface* system = MakeSurface(g.dd, 4, 4, kCapsTexture | kCapsSystemMemory);
    ASSERT_EQ(g.dd->SetCooperativeLevel(nullptr, kCoopExclusive | kCoopFullscreen), kOk);
    ASSERT_EQ(g.dd->SetDisplayMode(1024, 768, 32, 0, 0), kOk); // the same mode: nothing lost
    EXPECT_EQ(video->IsLost(), kOk);
    ASSERT_EQ(g.dd->SetDisplayMode(800, 600, 16, 0, 0), kOk);
    EXPECT_EQ(video->IsLost(), kErrSurfaceLost);
    EXPECT_EQ(system->IsLost(), kOk);
    EXPECT_EQ(g.dd->TestCooperativeLevel(), kOk);
    EXPECT_EQ(video->Restore(), kOk);
    ASSERT_EQ(g.dd->RestoreDisplayMode(), kOk);
    EXPECT_EQ(video->IsLost(), kErrSurfaceLost);
}

TEST(SoftD3D7Display, RenderTargetTextureFeedsAnotherTarget)
{
    // The shape of the scaled presentation: draw into one target, then draw it as a texture.
    SoftDevice d(8, 8);
    d.Quad(0, 0, 8, 4, 0xFFFF0000);
    ZSoftSurface* other = MakeSurface(d.dd, 16, 16, kCaps3DDevice | kCapsVideoMemory);
    ASSERT_EQ(d.device->SetRenderTarget(other, 0), kOk);
    SSoftViewport vp;
    d.device->GetViewport(vp);
    EXPECT_EQ(vp.width, 16u);
    ASSERT_EQ(d.device->SetTexture(0, d.target), kOk);
    d.Set(RS::ZEnable, 0); // the new target has no depth surface attached
    d.Quad(-0.5f, -0.5f, 15.5f, 15.5f, 0xFFFFFFFF);
    EXPECT_EQ(other->ReadPixel(3, 3), 0xFFFF0000u);
    EXPECT_EQ(other->ReadPixel(3, 12), 0xFF000000u);
}

TEST(SoftD3D7Display, FullScreenChainDrawsIntoTheBackBufferAndFlips)
{
    DisplayGuard g{MakeDisplay()};
    ASSERT_EQ(g.dd->SetCooperativeLevel(nullptr, kCoopExclusive | kCoopFullscreen | kCoopMultithreaded), kOk);
    ASSERT_EQ(g.dd->SetDisplayMode(640, 480, 32, 0, 0), kOk);
    SSoftSurfaceDesc chain;
    chain.caps = kCapsPrimary | kCapsFlip | kCapsComplex | kCaps3DDevice;
    chain.backBufferCount = 1;
    ZSoftSurface* front = nullptr;
    ASSERT_EQ(g.dd->CreateSurface(chain, &front), kOk);
    ZSoftSurface* back = nullptr;
    ASSERT_EQ(front->GetAttachedSurface(kCapsBackBuffer, &back), kOk);
    SSoftSurfaceDesc zdesc;
    zdesc.width = 640;
    zdesc.height = 480;
    zdesc.caps = kCapsZBuffer | kCapsVideoMemory;
    zdesc.hasPixelFormat = true;
    zdesc.pixelFormat = FormatDepth(24, 8);
    ZSoftSurface* depth = nullptr;
    ASSERT_EQ(g.dd->CreateSurface(zdesc, &depth), kOk);
    ASSERT_EQ(back->AddAttachedSurface(depth), kOk);
    ZSoftDirect3D* d3d = nullptr;
    ASSERT_EQ(g.dd->QueryDirect3D(&d3d), kOk);
    ZSoftD3DDevice* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(DeviceKind::TnlHal, back, &device), kOk);
    uint32_t zEnable = 0;
    device->GetRenderState(RS::ZEnable, &zEnable);
    EXPECT_EQ(zEnable, 1u); // a depth surface was attached when the device was made

    ASSERT_EQ(device->Clear(0, nullptr, kClearTarget | kClearZBuffer | kClearStencil, 0xFF0000FF, 1.0f, 0),
              kOk);
    ASSERT_EQ(front->Flip(nullptr, kFlipWait), kOk);
    EXPECT_EQ(front->ReadPixel(320, 240), 0xFF0000FFu);

    // Switching away loses the whole chain; restoring the front brings the back buffer too.
    g.dd->LoseDisplay();
    EXPECT_EQ(front->Flip(nullptr, kFlipWait), kErrSurfaceLost);
    EXPECT_EQ(device->BeginScene(), kErrSurfaceLost);
    g.dd->RegainDisplay();
    ASSERT_EQ(front->Restore(), kOk);
    EXPECT_EQ(back->IsLost(), kOk);
    EXPECT_EQ(front->Flip(nullptr, kFlipWait), kOk);
    back->Release();
}

TEST(SoftD3D7Display, WindowedPrimaryReceivesTheBlitAtItsScreenRectangle)
{
    DisplayGuard g{MakeDisplay()};
    ASSERT_EQ(g.dd->SetCooperativeLevel(nullptr, kCoopNormal | kCoopMultithreaded), kOk);
    SSoftSurfaceDesc primaryDesc;
    primaryDesc.caps = kCapsPrimary;
    ZSoftSurface* primary = nullptr;
    ASSERT_EQ(g.dd->CreateSurface(primaryDesc, &primary), kOk);
    SSoftSurfaceDesc desc;
    primary->GetSurfaceDesc(desc);
    EXPECT_EQ(desc.width, 1024u); // the desktop
    ZSoftClipper* clipper = nullptr;
    ASSERT_EQ(g.dd->CreateClipper(0, &clipper), kOk);
    ASSERT_EQ(primary->SetClipper(clipper), kOk);

    ZSoftSurface* picture = MakeSurface(g.dd, 4, 4, kCaps3DDevice | kCapsVideoMemory);
    ASSERT_EQ(picture->Blt(nullptr, nullptr, nullptr, kBltColorFill, 0x00FF00FF), kOk);
    // Stretched to 8 x 8 and partly off the screen's left edge: cut, not refused.
    SSoftRect screen{-4, 100, 4, 108};
    ASSERT_EQ(primary->Blt(&screen, picture, nullptr, kBltWait), kOk);
    EXPECT_EQ(primary->ReadPixel(0, 100), 0xFFFF00FFu);
    EXPECT_EQ(primary->ReadPixel(3, 107), 0xFFFF00FFu);
    EXPECT_EQ(primary->ReadPixel(4, 100), 0xFF000000u);
    EXPECT_EQ(primary->ReadPixel(0, 108), 0xFF000000u);
    SSoftRect absurd{-2000000000, 0, 10, 10};
    EXPECT_EQ(primary->Blt(&absurd, picture, nullptr, kBltWait), kErrInvalidRect);
}

TEST(SoftD3D7Display, ReleasingTheDisplayObjectReleasesEverythingItMade)
{
    // Nothing below is released on its own: the display object takes it all with it (the leak
    // checker of the sanitiser build watches this test).
    ZSoftDirectDraw* dd = MakeDisplay();
    ZSoftDirect3D* d3d = nullptr;
    ASSERT_EQ(dd->QueryDirect3D(&d3d), kOk);
    ZSoftSurface* target = MakeSurface(dd, 8, 8, kCaps3DDevice | kCapsVideoMemory | kCapsTexture);
    SSoftSurfaceDesc zdesc;
    zdesc.width = 8;
    zdesc.height = 8;
    zdesc.caps = kCapsZBuffer;
    ZSoftSurface* depth = nullptr;
    ASSERT_EQ(dd->CreateSurface(zdesc, &depth), kOk);
    ASSERT_EQ(target->AddAttachedSurface(depth), kOk);
    ZSoftD3DDevice* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(DeviceKind::TnlHal, target, &device), kOk);
    ASSERT_EQ(device->SetTexture(0, target), kOk);
    ZSoftVertexBuffer* vb = nullptr;
    ASSERT_EQ(d3d->CreateVertexBuffer({0, kTLFvf, 6}, &vb, 0), kOk);
    ZSoftClipper* clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper), kOk);
    SSoftSurfaceDesc primary;
    primary.caps = kCapsPrimary;
    ZSoftSurface* front = nullptr;
    ASSERT_EQ(dd->CreateSurface(primary, &front), kOk);
    ASSERT_EQ(front->SetClipper(clipper), kOk);

    // References taken and given back in between leave the objects alive.
    ZSoftSurface* again = nullptr;
    ASSERT_EQ(target->GetAttachedSurface(kCapsZBuffer, &again), kOk);
    EXPECT_EQ(again, depth);
    again->Release();
    EXPECT_EQ(depth->Release(), 1u); // still held by the target
    EXPECT_EQ(dd->Release(), 0u);
}

namespace
{
using qvtest::LeakCheckPause;

// Video for one test; SDL is shut down fully afterwards when nothing else uses it, which also
// releases what its start-up took from the system libraries.
struct SdlVideo
{
    // SDL's video start-up keeps system-library state (a desktop-bus connection, modules) that is
    // never given back; it is not this layer's leak, so the leak checker looks away meanwhile.
    // This layer's own objects are watched by the other tests.
    LeakCheckPause pause;
    bool ok = false;
    SdlVideo()
    {
        const char* display = std::getenv("DISPLAY");
        ok = display && *display && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    ~SdlVideo()
    {
        if (!ok)
            return;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
            SDL_Quit();
    }
};
} // namespace

TEST(SoftD3D7Present, WindowedBlitReachesTheWindow)
{
    SdlVideo video;
    if (!video.ok)
        GTEST_SKIP() << "no X display";
    SDL_Window* window = SDL_CreateWindow("softd3d7", 10, 10, 64, 48, SDL_WINDOW_SHOWN);
    if (!window)
        GTEST_SKIP() << "no window: " << SDL_GetError();
    ZSoftDirectDraw* dd = nullptr;
    ASSERT_EQ(ZSoftDirectDraw::Create(nullptr, &dd), kOk);
    ASSERT_EQ(dd->SetCooperativeLevel(window, kCoopNormal), kOk);
    SSoftSurfaceDesc primaryDesc;
    primaryDesc.caps = kCapsPrimary;
    ZSoftSurface* primary = nullptr;
    ASSERT_EQ(dd->CreateSurface(primaryDesc, &primary), kOk);
    ZSoftClipper* clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper), kOk);
    ASSERT_EQ(clipper->SetWindow(window), kOk);
    ASSERT_EQ(primary->SetClipper(clipper), kOk);

    ZSoftSurface* picture = MakeSurface(dd, 64, 48, kCapsOffscreenPlain | kCaps3DDevice, FormatX8R8G8B8());
    ASSERT_EQ(picture->Blt(nullptr, nullptr, nullptr, kBltColorFill, 0x00FF8000), kOk);
    int wx = 0, wy = 0;
    SDL_GetWindowPosition(window, &wx, &wy);
    SSoftRect screen{wx, wy, wx + 64, wy + 48};
    ASSERT_EQ(primary->Blt(&screen, picture, nullptr, kBltWait), kOk);

    SDL_Surface* shown = SDL_GetWindowSurface(window);
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(SDL_LockSurface(shown), 0);
    uint32_t raw = 0;
    const uint8_t* p =
        static_cast<const uint8_t*>(shown->pixels) + 20 * shown->pitch + 30 * shown->format->BytesPerPixel;
    std::memcpy(&raw, p, shown->format->BytesPerPixel);
    uint8_t r = 0, gr = 0, b = 0;
    SDL_GetRGB(raw, shown->format, &r, &gr, &b);
    SDL_UnlockSurface(shown);
    EXPECT_EQ(r, 0xFF);
    EXPECT_EQ(gr, 0x80);
    EXPECT_EQ(b, 0x00);

    dd->Release();
    SDL_DestroyWindow(window);
}
