// Filling one 800 x 600 frame with textured sprite quads through the software Direct3D-shaped
// device, the way the 2D layers draw: screen-space strips, the texture modulated by the factor.
#include "engine/platform/d3d7/ZSoftDirect3D.h"

#include <benchmark/benchmark.h>

using namespace soft7;

namespace
{
struct TLVertex
{
    float x, y, z, rhw;
    uint32_t diffuse;
    float u, v;
};

struct Scene
{
    ZSoftDirectDraw* dd = nullptr;
    ZSoftDirect3D* d3d = nullptr;
    ZSoftSurface* target = nullptr;
    ZSoftSurface* texture = nullptr;
    ZSoftD3DDevice* device = nullptr;

    Scene()
    {
        SSoftDriverConfig config;
        config.useSdl = false;
        ZSoftDirectDraw::Create(&config, &dd);
        dd->QueryDirect3D(&d3d);
        SSoftSurfaceDesc desc;
        desc.width = 800;
        desc.height = 600;
        desc.caps = kCaps3DDevice | kCapsVideoMemory;
        desc.hasPixelFormat = true;
        desc.pixelFormat = FormatX8R8G8B8();
        dd->CreateSurface(desc, &target);
        d3d->CreateDevice(DeviceKind::TnlHal, target, &device);

        SSoftSurfaceDesc tdesc;
        tdesc.width = 128;
        tdesc.height = 128;
        tdesc.caps = kCapsTexture | kCapsTextureManage;
        tdesc.hasPixelFormat = true;
        tdesc.pixelFormat = FormatA8R8G8B8();
        dd->CreateSurface(tdesc, &texture);
        SSoftSurfaceDesc locked;
        texture->Lock(nullptr, locked, kLockWait);
        for (uint32_t y = 0; y < 128; ++y)
        {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.surface) + y * locked.pitch);
            for (uint32_t x = 0; x < 128; ++x)
                row[x] = ((x ^ y) & 16 ? 0xFF000000u : 0x80000000u) | (x * 2) << 16 | (y * 2) << 8 | 0x40;
        }
        texture->Unlock(nullptr);

        device->SetRenderState(RS::Lighting, 0);
        device->SetRenderState(RS::ZEnable, 0);
        device->SetRenderState(RS::CullMode, uint32_t(Cull::None));
        device->SetTexture(0, texture);
        device->SetTextureStageState(0, TSS::ColorOp, uint32_t(Top::Modulate));
        device->SetTextureStageState(0, TSS::ColorArg2, kTaTFactor);
        device->SetTextureStageState(0, TSS::AlphaOp, uint32_t(Top::Modulate));
        device->SetTextureStageState(0, TSS::AlphaArg2, kTaTFactor);
        device->SetRenderState(RS::TextureFactor, 0xFFFFFFFF);
    }
    ~Scene() { dd->Release(); }

    // 8 x 6 quads of 100 x 100 pixels: every pixel of the frame once.
    void Frame()
    {
        device->BeginScene();
        for (int qy = 0; qy < 6; ++qy)
            for (int qx = 0; qx < 8; ++qx)
            {
                const float x0 = qx * 100.0f - 0.5f, y0 = qy * 100.0f - 0.5f;
                const TLVertex v[4] = {{x0, y0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                       {x0 + 100, y0, 0.5f, 1, 0xFFFFFFFF, 1, 0},
                                       {x0, y0 + 100, 0.5f, 1, 0xFFFFFFFF, 0, 1},
                                       {x0 + 100, y0 + 100, 0.5f, 1, 0xFFFFFFFF, 1, 1}};
                device->DrawPrimitive(Prim::TriangleStrip, kFvfXyzRhw | kFvfDiffuse | kFvfTex1, v, 4, 0);
            }
        device->EndScene();
    }
};

void BM_SoftD3D7_TexturedFrame(benchmark::State& state)
{
    Scene scene;
    const bool linear = state.range(0) != 0;
    const bool blend = state.range(1) != 0;
    const Filter f = linear ? Filter::Linear : Filter::Point;
    scene.device->SetTextureStageState(0, TSS::MinFilter, uint32_t(f));
    scene.device->SetTextureStageState(0, TSS::MagFilter, uint32_t(f));
    scene.device->SetRenderState(RS::AlphaBlendEnable, blend);
    scene.device->SetRenderState(RS::SrcBlend, uint32_t(blend ? Blend::SrcAlpha : Blend::One));
    scene.device->SetRenderState(RS::DestBlend, uint32_t(blend ? Blend::InvSrcAlpha : Blend::Zero));
    for (auto _ : state)
        scene.Frame();
    state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(BM_SoftD3D7_TexturedFrame)
    ->ArgNames({"linear", "blend"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);
} // namespace
