#pragma once
// A small memory-only device for the software display layer's tests: a render target with a
// 24-bit depth and 8-bit stencil surface, and helpers to draw transformed (screen-space) quads.
#include "engine/platform/d3d7/ZSoftDirect3D.h"
#include "engine/platform/d3d7/ZSoftRasterizer.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace softd3d7_test
{
// A machine without SDL on a 1024 x 768 desktop offering these display modes: pictures are drawn
// into memory surfaces only.
inline SSoftDriverConfig VirtualMachine(std::vector<SSoftDisplayMode> modes)
{
    SSoftDriverConfig config;
    config.useSdl = false;
    config.desktop = {1024, 768, 32, 60};
    config.modes = std::move(modes);
    return config;
}

struct TLVertex
{
    float x, y, z, rhw;
    uint32_t diffuse;
    float u, v;
};
constexpr uint32_t kTLFvf = soft7::kFvfXyzRhw | soft7::kFvfDiffuse | soft7::kFvfTex1;

struct SoftDevice
{
    ZSoftDirectDraw* dd = nullptr;
    ZSoftDirect3D* d3d = nullptr;
    ZSoftSurface* target = nullptr;
    ZSoftSurface* depth = nullptr;
    ZSoftD3DDevice* device = nullptr;

    explicit SoftDevice(uint32_t w = 16, uint32_t h = 16, SSoftPixelFormat format = soft7::FormatA8R8G8B8())
    {
        SSoftDriverConfig config;
        config.useSdl = false;
        EXPECT_EQ(ZSoftDirectDraw::Create(&config, &dd), soft7::kOk);
        EXPECT_EQ(dd->QueryDirect3D(&d3d), soft7::kOk);
        SSoftSurfaceDesc desc;
        desc.width = w;
        desc.height = h;
        desc.caps =
            soft7::kCapsOffscreenPlain | soft7::kCaps3DDevice | soft7::kCapsTexture | soft7::kCapsVideoMemory;
        desc.hasPixelFormat = true;
        desc.pixelFormat = format;
        EXPECT_EQ(dd->CreateSurface(desc, &target), soft7::kOk);
        SSoftSurfaceDesc zdesc;
        zdesc.width = w;
        zdesc.height = h;
        zdesc.caps = soft7::kCapsZBuffer | soft7::kCapsVideoMemory;
        zdesc.hasPixelFormat = true;
        zdesc.pixelFormat = soft7::FormatDepth(24, 8);
        EXPECT_EQ(dd->CreateSurface(zdesc, &depth), soft7::kOk);
        EXPECT_EQ(target->AddAttachedSurface(depth), soft7::kOk);
        EXPECT_EQ(d3d->CreateDevice(soft7::DeviceKind::TnlHal, target, &device), soft7::kOk);
        // Screen-space drawing as the sprite paths use it: no lighting, no culling, plain colour.
        Set(soft7::RS::Lighting, 0);
        Set(soft7::RS::CullMode, uint32_t(soft7::Cull::None));
        Clear(0xFF000000);
    }
    ~SoftDevice() { dd->Release(); }
    SoftDevice(const SoftDevice&) = delete;
    SoftDevice& operator=(const SoftDevice&) = delete;

    void Set(soft7::RS s, uint32_t v) { ASSERT_EQ(device->SetRenderState(s, v), soft7::kOk); }
    void Stage(uint32_t stage, soft7::TSS s, uint32_t v)
    {
        ASSERT_EQ(device->SetTextureStageState(stage, s, v), soft7::kOk);
    }
    void Clear(uint32_t color)
    {
        ASSERT_EQ(device->Clear(0, nullptr, soft7::kClearTarget | soft7::kClearZBuffer | soft7::kClearStencil,
                                color, 1.0f, 0),
                  soft7::kOk);
    }
    void Draw(soft7::Prim prim, const std::vector<TLVertex>& v)
    {
        ASSERT_EQ(device->BeginScene(), soft7::kOk);
        ASSERT_EQ(device->DrawPrimitive(prim, kTLFvf, v.data(), uint32_t(v.size()), 0), soft7::kOk);
        ASSERT_EQ(device->EndScene(), soft7::kOk);
    }
    // An axis-aligned screen quad as a triangle strip (clockwise on screen).
    void Quad(float x0, float y0, float x1, float y1, uint32_t color, float z = 0.5f, float u0 = 0,
              float v0 = 0, float u1 = 1, float v1 = 1)
    {
        Draw(soft7::Prim::TriangleStrip, {{x0, y0, z, 1, color, u0, v0},
                                          {x1, y0, z, 1, color, u1, v0},
                                          {x0, y1, z, 1, color, u0, v1},
                                          {x1, y1, z, 1, color, u1, v1}});
    }
    // A texture surface filled from ARGB words, row by row.
    ZSoftSurface* Texture(uint32_t w, uint32_t h, const std::vector<uint32_t>& texels,
                          SSoftPixelFormat format = soft7::FormatA8R8G8B8())
    {
        SSoftSurfaceDesc desc;
        desc.width = w;
        desc.height = h;
        desc.caps = soft7::kCapsTexture | soft7::kCapsTextureManage;
        desc.hasPixelFormat = true;
        desc.pixelFormat = format;
        ZSoftSurface* t = nullptr;
        EXPECT_EQ(dd->CreateSurface(desc, &t), soft7::kOk);
        SSoftSurfaceDesc locked;
        EXPECT_EQ(t->Lock(nullptr, locked, soft7::kLockWait), soft7::kOk);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                soft7::EncodeARGB(t->Kind(), texels[y * w + x],
                                  static_cast<uint8_t*>(locked.surface) + y * uint32_t(locked.pitch) +
                                      x * soft7::BytesPerPixel(t->Kind()));
        EXPECT_EQ(t->Unlock(nullptr), soft7::kOk);
        return t; // released with the display object
    }
    uint32_t At(int x, int y) const { return target->ReadPixel(x, y); }
};
} // namespace softd3d7_test
