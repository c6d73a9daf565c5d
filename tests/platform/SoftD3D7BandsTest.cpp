// The software device's faster ways of drawing give the same pixels as its general loop drawn in
// one piece: the span loop of flat triangles (and its sprite kernel), bands of rows drawn one
// after the other, and bands drawn on worker threads. A long random sequence of draws, clears and
// state changes is drawn each way and every colour, depth and stencil value compared.
#include "SoftD3D7TestSupport.h"

#include "engine/core/ZWorkerPool.h"

#include <random>

using namespace soft7;
using namespace softd3d7_test;

namespace
{
constexpr uint32_t kWidth = 97;
constexpr uint32_t kHeight = 83;

struct Way
{
    const char* name;
    bool spanLoop;
    int bands;
    int workers; // -1: no runner
};

// The whole random scene on one device; every way gets the same sequence from the same seed.
void DrawScene(SoftDevice& d, uint32_t seed)
{
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % uint32_t(n)); };
    auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    auto colour = [&]() { return uint32_t(rng()) | (pick(3) == 0 ? 0xFF000000u : 0u); };

    std::vector<uint32_t> texels(16 * 16);
    for (uint32_t& t : texels)
        t = rng();
    ZSoftSurface* argb = d.Texture(16, 16, texels);
    ZSoftSurface* odd = d.Texture(8, 4, std::vector<uint32_t>(texels.begin(), texels.begin() + 32));
    ZSoftSurface* packed = d.Texture(8, 8, std::vector<uint32_t>(texels.begin(), texels.begin() + 64),
                                     FormatR5G6B5());
    ZSoftSurface* textures[] = {argb, odd, packed, nullptr};
    const Top colourOps[] = {Top::Modulate, Top::SelectArg1, Top::SelectArg2, Top::Add, Top::BlendTextureAlpha};
    const Top alphaOps[] = {Top::Modulate, Top::SelectArg1, Top::SelectArg2, Top::Disable};
    const uint32_t args[] = {kTaTexture, kTaDiffuse, kTaTFactor, kTaCurrent, kTaSpecular, kTaTexture | kTaComplement};
    const std::pair<Blend, Blend> blends[] = {{Blend::SrcAlpha, Blend::InvSrcAlpha},
                                              {Blend::SrcAlpha, Blend::One},
                                              {Blend::One, Blend::Zero},
                                              {Blend::DestColor, Blend::Zero},
                                              {Blend::Zero, Blend::SrcColor}};
    const Address addresses[] = {Address::Wrap, Address::Clamp, Address::Mirror, Address::Border};

    d.Clear(0xFF203040);
    ASSERT_EQ(d.device->BeginScene(), kOk);
    for (int i = 0; i < 400; ++i)
    {
        // State: most draws look like sprites, the rest stir everything else in.
        const bool sprite = pick(3) != 0;
        ZSoftSurface* texture = sprite ? (pick(4) == 0 ? odd : argb) : textures[pick(4)];
        d.device->SetTexture(0, texture);
        d.Stage(0, TSS::ColorOp, uint32_t(sprite ? colourOps[pick(3)] : colourOps[pick(5)]));
        d.Stage(0, TSS::ColorArg1, sprite ? kTaTexture : args[pick(6)]);
        d.Stage(0, TSS::ColorArg2, sprite ? args[1 + pick(2)] : args[pick(6)]);
        d.Stage(0, TSS::AlphaOp, uint32_t(alphaOps[pick(4)]));
        d.Stage(0, TSS::AlphaArg1, sprite ? kTaTexture : args[pick(6)]);
        d.Stage(0, TSS::AlphaArg2, args[1 + pick(2)]);
        const Filter mag = pick(2) ? Filter::Linear : Filter::Point;
        d.Stage(0, TSS::MagFilter, uint32_t(mag));
        d.Stage(0, TSS::MinFilter, uint32_t(sprite || pick(2) ? mag : Filter::Linear));
        d.Stage(0, TSS::AddressU, uint32_t(sprite ? Address::Clamp : addresses[pick(4)]));
        d.Stage(0, TSS::AddressV, uint32_t(sprite ? Address::Wrap : addresses[pick(4)]));
        d.Stage(0, TSS::BorderColor, colour());
        d.Stage(1, TSS::ColorOp, uint32_t(!sprite && pick(4) == 0 ? Top::AddSigned : Top::Disable));
        d.Set(RS::TextureFactor, colour());
        const auto& blend = blends[pick(5)];
        d.Set(RS::AlphaBlendEnable, pick(4) != 0);
        d.Set(RS::SrcBlend, uint32_t(blend.first));
        d.Set(RS::DestBlend, uint32_t(blend.second));
        d.Set(RS::AlphaTestEnable, pick(4) == 0);
        d.Set(RS::AlphaFunc, uint32_t(Cmp::Greater));
        d.Set(RS::AlphaRef, uint32_t(pick(256)));
        d.Set(RS::ZEnable, !sprite && pick(2));
        d.Set(RS::ZWriteEnable, pick(2));
        d.Set(RS::StencilEnable, !sprite && pick(4) == 0);
        d.Set(RS::StencilFunc, uint32_t(pick(2) ? Cmp::Always : Cmp::Equal));
        d.Set(RS::StencilRef, uint32_t(pick(3)));
        d.Set(RS::StencilPass, uint32_t(pick(2) ? StencilOp::Incr : StencilOp::Keep));
        d.Set(RS::SpecularEnable, !sprite && pick(4) == 0);
        d.Set(RS::FogEnable, !sprite && pick(4) == 0);
        d.Set(RS::FogMode, uint32_t(Fog::Linear));
        d.Set(RS::FogStart, FloatBits(0.5f));
        d.Set(RS::FogEnd, FloatBits(3.0f));
        d.Set(RS::FogColor, colour());
        d.Set(RS::ShadeMode, uint32_t(pick(5) == 0 ? Shade::Flat : Shade::Gouraud));

        // Geometry: flat quads anywhere (partly off the target too), turned or shaded triangles,
        // triangles in perspective, lines, points, and now and then a clear of a viewport.
        const float x0 = real(-20.0f, float(kWidth)), y0 = real(-20.0f, float(kHeight));
        const float w = real(1.0f, 60.0f), h = real(1.0f, 60.0f), z = real(0.0f, 1.0f);
        const uint32_t c = colour();
        const float u0 = real(-1.0f, 1.0f), v0 = real(-1.0f, 1.0f), u1 = real(0.0f, 2.0f), v1 = real(0.0f, 2.0f);
        switch (pick(sprite ? 1 : 6))
        {
        case 0:
        {
            const std::vector<TLVertex> q = {{x0, y0, z, 1, c, u0, v0},
                                             {x0 + w, y0, z, 1, c, u1, v0},
                                             {x0, y0 + h, z, 1, c, u0, v1},
                                             {x0 + w, y0 + h, z, 1, c, u1, v1}};
            ASSERT_EQ(d.device->DrawPrimitive(Prim::TriangleStrip, kTLFvf, q.data(), 4, 0), kOk);
            break;
        }
        case 1:
        case 2:
        {
            const float rhw = pick(2) ? 1.0f : real(0.3f, 2.0f);
            const std::vector<TLVertex> t = {{x0, y0, z, 1, c, u0, v0},
                                             {x0 + w, y0 + real(-10, 10), real(0, 1), rhw, colour(), u1, v0},
                                             {x0 + real(-10, 10), y0 + h, z, 1, pick(2) ? c : colour(), u0, v1}};
            ASSERT_EQ(d.device->DrawPrimitive(Prim::TriangleList, kTLFvf, t.data(), 3, 0), kOk);
            break;
        }
        case 3:
        {
            const std::vector<TLVertex> l = {{x0, y0, z, 1, c, u0, v0}, {x0 + w, y0 + h, z, 1, colour(), u1, v1}};
            ASSERT_EQ(d.device->DrawPrimitive(Prim::LineList, kTLFvf, l.data(), 2, 0), kOk);
            break;
        }
        case 4:
        {
            const std::vector<TLVertex> p = {{x0, y0, z, 1, c, u0, v0}, {x0 + w, y0, z, 1, c, u1, v1}};
            ASSERT_EQ(d.device->DrawPrimitive(Prim::PointList, kTLFvf, p.data(), 2, 0), kOk);
            break;
        }
        default:
        {
            const uint32_t vx = uint32_t(pick(40)), vy = uint32_t(pick(40));
            const SSoftViewport vp{int32_t(vx), int32_t(vy), 1 + uint32_t(pick(int(kWidth - vx - 1))),
                                   1 + uint32_t(pick(int(kHeight - vy - 1))), 0.0f, 1.0f};
            ASSERT_EQ(d.device->SetViewport(vp), kOk);
            ASSERT_EQ(d.device->Clear(0, nullptr, kClearTarget | kClearZBuffer | kClearStencil, colour(),
                                      real(0, 1), uint32_t(pick(4))),
                      kOk);
            break;
        }
        }
    }
    ASSERT_EQ(d.device->EndScene(), kOk);
}

struct Picture
{
    std::vector<uint32_t> colour, stencil;
    std::vector<float> depth;
};

Picture Draw(const Way& way, uint32_t seed, SSoftPixelFormat format)
{
    std::unique_ptr<ZWorkerPool> pool;
    if (way.workers >= 0)
        pool = std::make_unique<ZWorkerPool>(way.workers, "bandtest");
    Picture p;
    {
        SoftDevice d(kWidth, kHeight, format);
        d.dd->SetSpanLoop(way.spanLoop);
        d.dd->SetParallelRunner(pool.get(), way.bands);
        DrawScene(d, seed);
        for (uint32_t y = 0; y < kHeight; ++y)
            for (uint32_t x = 0; x < kWidth; ++x)
            {
                p.colour.push_back(d.At(int(x), int(y)));
                p.depth.push_back(d.depth->ReadDepth(int(x), int(y)));
                p.stencil.push_back(d.depth->ReadStencil(int(x), int(y)));
            }
    }
    return p;
}
} // namespace

TEST(SoftD3D7Bands, EveryWayOfDrawingGivesTheGeneralLoopsPixels)
{
    const Way reference{"general loop, one piece", false, 1, -1};
    const Way ways[] = {{"span loop, one piece", true, 1, -1},
                        {"span loop, 5 bands in turn", true, 5, -1},
                        {"general loop, 7 bands on 3 workers", false, 7, 3},
                        {"span loop, 16 bands on 3 workers", true, 16, 3}};
    for (SSoftPixelFormat format : {FormatA8R8G8B8(), FormatX8R8G8B8(), FormatR5G6B5()})
        for (uint32_t seed : {1u, 2u, 3u})
        {
            const Picture expected = Draw(reference, seed, format);
            for (const Way& way : ways)
            {
                SCOPED_TRACE(testing::Message() << way.name << ", seed " << seed << ", "
                                                << format.bitCount << " bits");
                const Picture got = Draw(way, seed, format);
                size_t differing = 0;
                for (size_t i = 0; i < expected.colour.size(); ++i)
                    if (got.colour[i] != expected.colour[i] || got.depth[i] != expected.depth[i] ||
                        got.stencil[i] != expected.stencil[i])
                        ++differing;
                EXPECT_EQ(differing, 0u);
            }
        }
}

// The recording must not change what callers see: a pixel read between draws, a lock of the target
// and a texture changed after a draw that uses it all see the drawing done so far.
TEST(SoftD3D7Bands, ReadsAndChangesSeeTheDrawingSoFar)
{
    ZWorkerPool pool(2, "bandtest");
    SoftDevice d(32, 32);
    d.dd->SetParallelRunner(&pool, 4);
    ZSoftSurface* t = d.Texture(1, 1, {0xFF00FF00u});
    d.device->SetTexture(0, t);
    d.Stage(0, TSS::ColorOp, uint32_t(Top::SelectArg1));
    d.Stage(0, TSS::ColorArg1, kTaTexture);
    ASSERT_EQ(d.device->BeginScene(), kOk);
    const std::vector<TLVertex> q = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                     {16, 0, 0.5f, 1, 0xFFFFFFFF, 1, 0},
                                     {0, 32, 0.5f, 1, 0xFFFFFFFF, 0, 1},
                                     {16, 32, 0.5f, 1, 0xFFFFFFFF, 1, 1}};
    ASSERT_EQ(d.device->DrawPrimitive(Prim::TriangleStrip, kTLFvf, q.data(), 4, 0), kOk);
    // Still inside the scene: the read must find the quad drawn.
    EXPECT_EQ(d.At(3, 30), 0xFF00FF00u);
    // The texture changes after the next draw was recorded: that draw keeps the old texel.
    std::vector<TLVertex> right = q;
    for (TLVertex& v : right)
        v.x += 16;
    ASSERT_EQ(d.device->DrawPrimitive(Prim::TriangleStrip, kTLFvf, right.data(), 4, 0), kOk);
    SSoftSurfaceDesc locked;
    ASSERT_EQ(t->Lock(nullptr, locked, kLockWait), kOk);
    *static_cast<uint32_t*>(locked.surface) = 0xFFFF0000u;
    ASSERT_EQ(t->Unlock(nullptr), kOk);
    ASSERT_EQ(d.device->EndScene(), kOk);
    EXPECT_EQ(d.At(20, 5), 0xFF00FF00u);
    // A lock of the target sees the pixels too.
    ASSERT_EQ(d.target->Lock(nullptr, locked, kLockWait), kOk);
    EXPECT_EQ(*reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(locked.surface) + 31 * locked.pitch + 31 * 4),
              0xFF00FF00u);
    ASSERT_EQ(d.target->Unlock(nullptr), kOk);
}
