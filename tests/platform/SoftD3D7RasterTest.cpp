// Pixels of the software Direct3D-shaped device: coverage, sampling, perspective, the stage
// combiner, blending, alpha test, depth, stencil, clears, lighting and fog.
#include "SoftD3D7TestSupport.h"

#include <cmath>

using namespace soft7;
using namespace softd3d7_test;

namespace
{
uint32_t Red(uint32_t argb)
{
    return (argb >> 16) & 0xFF;
}

// Draws a convex polygon as a fan with additive blending of 1 per draw, so that every pixel's red
// channel counts how often it was written.
void DrawCounting(SoftDevice& d, const std::vector<std::pair<float, float>>& poly)
{
    d.Set(RS::AlphaBlendEnable, 1);
    d.Set(RS::SrcBlend, uint32_t(Blend::One));
    d.Set(RS::DestBlend, uint32_t(Blend::One));
    d.Stage(0, TSS::ColorOp, uint32_t(Top::SelectArg2));
    d.Stage(0, TSS::ColorArg2, kTaDiffuse);
    for (size_t i = 1; i + 1 < poly.size(); ++i)
        d.Draw(Prim::TriangleList, {{poly[0].first, poly[0].second, 0.5f, 1, 0x00010101, 0, 0},
                                    {poly[i].first, poly[i].second, 0.5f, 1, 0x00010101, 0, 0},
                                    {poly[i + 1].first, poly[i + 1].second, 0.5f, 1, 0x00010101, 0, 0}});
}

// Signed distance-like value of a point from the polygon's boundary: > 0 inside (clockwise on screen).
double InsideMargin(const std::vector<std::pair<float, float>>& poly, double x, double y)
{
    double margin = 1e9;
    for (size_t i = 0; i < poly.size(); ++i)
    {
        auto [ax, ay] = poly[i];
        auto [bx, by] = poly[(i + 1) % poly.size()];
        double ex = bx - ax, ey = by - ay;
        double cross = (ex * (y - ay) - ey * (x - ax)) / std::sqrt(ex * ex + ey * ey);
        margin = std::min(margin, cross);
    }
    return margin;
}
} // namespace

TEST(SoftD3D7Coverage, TriangleFollowsTopLeftRuleOnIntegerCentres)
{
    SoftDevice d;
    d.Clear(0);
    DrawCounting(d, {{0, 0}, {4, 0}, {0, 4}});
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(Red(d.At(x, y)), (x + y < 4) ? 1u : 0u) << x << "," << y;
}

TEST(SoftD3D7Coverage, SharedEdgesDrawEveryPixelExactlyOnce)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<float, float>> poly;
    };
    std::vector<Case> cases = {
        {"whole-pixel square", {{2, 2}, {10, 2}, {10, 9}, {2, 9}}},
        {"half-pixel square", {{1.5f, 1.5f}, {9.5f, 1.5f}, {9.5f, 7.5f}, {1.5f, 7.5f}}},
        {"quarter offsets", {{1.25f, 2.75f}, {12.75f, 1.25f}, {13.5f, 12.25f}, {2.125f, 13.0f}}},
    };
    // A fan around a sub-pixel centre, with vertices at thirds of a pixel.
    Case fan{"fan", {}};
    for (int i = 0; i < 9; ++i)
    {
        double a = i * 2.0 * 3.14159265358979 / 9.0;
        fan.poly.push_back({float(std::round((8.1 + 6.3 * std::cos(a)) * 3.0) / 3.0),
                            float(std::round((7.9 + 6.3 * std::sin(a)) * 3.0) / 3.0)});
    }
    cases.push_back(fan);

    for (const Case& c : cases)
    {
        SoftDevice d;
        d.Clear(0);
        // Fans from two different corners give two different sets of inner edges.
        for (size_t start : {size_t(0), size_t(1)})
        {
            d.Clear(0);
            std::vector<std::pair<float, float>> p(c.poly.begin() + start, c.poly.end());
            p.insert(p.end(), c.poly.begin(), c.poly.begin() + start);
            DrawCounting(d, p);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                {
                    uint32_t n = Red(d.At(x, y));
                    double m = InsideMargin(c.poly, x, y);
                    EXPECT_LE(n, 1u) << c.name << " drawn twice at " << x << "," << y;
                    if (m > 1e-3)
                    {
                        EXPECT_EQ(n, 1u) << c.name << " hole at " << x << "," << y;
                    }
                    if (m < -1e-3)
                    {
                        EXPECT_EQ(n, 0u) << c.name << " outside at " << x << "," << y;
                    }
                }
        }
    }
}

TEST(SoftD3D7Coverage, CullModesDropTheMatchingWinding)
{
    struct Case
    {
        Cull cull;
        bool clockwise;
        bool drawn;
    };
    const Case cases[] = {
        {Cull::CCW, true, true}, {Cull::CCW, false, false}, {Cull::CW, true, false},
        {Cull::CW, false, true}, {Cull::None, true, true},  {Cull::None, false, true},
    };
    for (const Case& c : cases)
    {
        SoftDevice d;
        d.Set(RS::CullMode, uint32_t(c.cull));
        TLVertex a{1, 1, 0.5f, 1, 0xFFFFFFFF, 0, 0}, b{9, 1, 0.5f, 1, 0xFFFFFFFF, 0, 0},
            e{1, 9, 0.5f, 1, 0xFFFFFFFF, 0, 0};
        if (c.clockwise)
            d.Draw(Prim::TriangleList, {a, b, e});
        else
            d.Draw(Prim::TriangleList, {a, e, b});
        EXPECT_EQ(d.At(2, 2), c.drawn ? 0xFFFFFFFFu : 0xFF000000u)
            << "cull " << int(c.cull) << " clockwise " << c.clockwise;
    }
}

TEST(SoftD3D7Coverage, StripKeepsOneWindingUnderDefaultCulling)
{
    SoftDevice d;
    d.Set(RS::CullMode, uint32_t(Cull::CCW));
    d.Quad(0, 0, 8, 8, 0xFFFFFFFF);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(d.At(x, y), 0xFFFFFFFFu) << x << "," << y;
    EXPECT_EQ(d.At(8, 8), 0xFF000000u);
}

TEST(SoftD3D7Sampling, PointAndBilinearAtKnownTexels)
{
    SoftDevice d;
    // red | green
    // blue | white
    ZSoftSurface* t = d.Texture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    struct Case
    {
        float u, v;
        Filter filter;
        Address address;
        uint32_t expected;
    };
    const Case cases[] = {
        {0.25f, 0.25f, Filter::Point, Address::Wrap, 0xFFFF0000},
        {0.75f, 0.25f, Filter::Point, Address::Wrap, 0xFF00FF00},
        {0.25f, 0.75f, Filter::Point, Address::Wrap, 0xFF0000FF},
        {0.99f, 0.99f, Filter::Point, Address::Wrap, 0xFFFFFFFF},
        {1.25f, 0.25f, Filter::Point, Address::Wrap, 0xFFFF0000},
        {1.25f, 0.25f, Filter::Point, Address::Clamp, 0xFF00FF00},
        {1.25f, 0.25f, Filter::Point, Address::Mirror, 0xFF00FF00},
        {-0.1f, 0.25f, Filter::Point, Address::Border, 0x12345678},
        // Bilinear: exact on texel centres, half way between two centres gives the mean.
        {0.25f, 0.25f, Filter::Linear, Address::Wrap, 0xFFFF0000},
        {0.5f, 0.25f, Filter::Linear, Address::Wrap, 0xFF808000},
        {0.0f, 0.25f, Filter::Linear, Address::Wrap, 0xFF808000},
        {0.0f, 0.25f, Filter::Linear, Address::Clamp, 0xFFFF0000},
        {0.375f, 0.375f, Filter::Linear, Address::Wrap, 0xFF9F4040},
    };
    for (const Case& c : cases)
    {
        Color8 s = ZSoftRasterizer::Sample(t, c.u, c.v, c.filter, c.address, c.address, 0x12345678);
        EXPECT_EQ(ToARGB(s), c.expected)
            << c.u << "," << c.v << " filter " << int(c.filter) << " address " << int(c.address);
    }
}

TEST(SoftD3D7Sampling, MagnifiedQuadPointVersusLinear)
{
    for (Filter f : {Filter::Point, Filter::Linear})
    {
        SoftDevice d;
        ZSoftSurface* t = d.Texture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
        ASSERT_EQ(d.device->SetTexture(0, t), kOk);
        d.Stage(0, TSS::MagFilter, uint32_t(f));
        d.Stage(0, TSS::MinFilter, uint32_t(f));
        d.Stage(0, TSS::AddressU, uint32_t(Address::Clamp));
        d.Stage(0, TSS::AddressV, uint32_t(Address::Clamp));
        // Shifted by half a pixel: texel centres land on pixel centres' grid as the sprites place them.
        d.Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF);
        if (f == Filter::Point)
        {
            EXPECT_EQ(d.At(1, 1), 0xFFFF0000u);
            EXPECT_EQ(d.At(2, 1), 0xFF00FF00u);
            EXPECT_EQ(d.At(1, 2), 0xFF0000FFu);
            EXPECT_EQ(d.At(3, 3), 0xFFFFFFFFu);
        }
        else
        {
            EXPECT_EQ(d.At(1, 1), 0xFF9F4040u); // u = v = 0.375
            EXPECT_EQ(d.At(0, 0), 0xFFFF0000u); // clamped corner
        }
    }
}

TEST(SoftD3D7Sampling, MinificationAndMagnificationFiltersAreChosenPerPixel)
{
    // A 4 x 1 checker squeezed into 2 pixels is minified: linear min filter averages neighbours,
    // while the point mag filter would pick single texels.
    SoftDevice d;
    ZSoftSurface* t = d.Texture(4, 1, {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000});
    ASSERT_EQ(d.device->SetTexture(0, t), kOk);
    d.Stage(0, TSS::MinFilter, uint32_t(Filter::Linear));
    d.Stage(0, TSS::MagFilter, uint32_t(Filter::Point));
    d.Quad(-0.5f, -0.5f, 1.5f, 0.5f, 0xFFFFFFFF);
    EXPECT_EQ(d.At(0, 0), 0xFF808080u);
    EXPECT_EQ(d.At(1, 0), 0xFF808080u);
}

TEST(SoftD3D7Perspective, SlantedQuadInterpolatesInPerspective)
{
    // 16 texels, texel i has blue value i; left edge at w = 1, right edge at w = 4.
    std::vector<uint32_t> texels;
    for (uint32_t i = 0; i < 16; ++i)
        texels.push_back(0xFF000000u | i);
    SoftDevice tl, xyz;
    for (SoftDevice* d : {&tl, &xyz})
        ASSERT_EQ(d->device->SetTexture(0, d->Texture(16, 1, texels)), kOk);

    tl.Draw(Prim::TriangleStrip, {{0, 0, 0.0f, 1.0f, 0xFFFFFFFF, 0, 0},
                                  {16, 0, 1.0f, 0.25f, 0xFFFFFFFF, 1, 0},
                                  {0, 16, 0.0f, 1.0f, 0xFFFFFFFF, 0, 1},
                                  {16, 16, 1.0f, 0.25f, 0xFFFFFFFF, 1, 1}});

    // The same quad in view space through a perspective projection: x = -1 at z = 1 and x = 4 at
    // z = 4 both land on the viewport's edges.
    SSoftMatrix proj;
    const float n = 1.0f, f = 4.0f;
    proj.m[2][2] = f / (f - n);
    proj.m[2][3] = 1.0f;
    proj.m[3][2] = -n * f / (f - n);
    proj.m[3][3] = 0.0f;
    ASSERT_EQ(xyz.device->SetTransform(Transform::Projection, proj), kOk);
    struct XyzVertex
    {
        float x, y, z;
        uint32_t diffuse;
        float u, v;
    };
    const XyzVertex quad[] = {{-1, 1, 1, 0xFFFFFFFF, 0, 0},
                              {4, 4, 4, 0xFFFFFFFF, 1, 0},
                              {-1, -1, 1, 0xFFFFFFFF, 0, 1},
                              {4, -4, 4, 0xFFFFFFFF, 1, 1}};
    ASSERT_EQ(xyz.device->BeginScene(), kOk);
    ASSERT_EQ(xyz.device->DrawPrimitive(Prim::TriangleStrip, kFvfXyz | kFvfDiffuse | kFvfTex1, quad, 4, 0),
              kOk);
    ASSERT_EQ(xyz.device->EndScene(), kOk);

    int differsFromAffine = 0;
    for (int x = 0; x < 16; ++x)
    {
        const double t = x / 16.0;
        const double u = t * 0.25 / ((1 - t) * 1.0 + t * 0.25);
        const double texel = u * 16.0;
        if (std::fabs(texel - std::round(texel)) < 1e-3)
            continue;
        const uint32_t expected = uint32_t(std::floor(texel));
        EXPECT_EQ(tl.At(x, 5) & 0xFF, expected) << "transformed, x " << x;
        EXPECT_EQ(xyz.At(x, 5) & 0xFF, expected) << "untransformed, x " << x;
        differsFromAffine += expected != uint32_t(x);
    }
    EXPECT_GT(differsFromAffine, 8);
}

TEST(SoftD3D7Combiner, StageOperationsAndArguments)
{
    const uint32_t T = 0x80C06020; // texture:  a 128, r 192, g 96, b 32
    const uint32_t D = 0xC0408010; // diffuse:  a 192, r 64, g 128, b 16
    const uint32_t F = 0x40FF8000; // factor:   a 64, r 255, g 128, b 0
    struct Case
    {
        const char* name;
        int stage;
        Top colorOp;
        uint32_t c1, c2;
        Top alphaOp;
        uint32_t a1, a2;
        bool texture;
        uint32_t expected;
    };
    const Case cases[] = {
        {"select texture", 0, Top::SelectArg1, kTaTexture, kTaDiffuse, Top::SelectArg1, kTaTexture,
         kTaDiffuse, true, T},
        {"select diffuse", 0, Top::SelectArg2, kTaTexture, kTaDiffuse, Top::SelectArg2, kTaTexture,
         kTaDiffuse, true, D},
        {"modulate", 0, Top::Modulate, kTaTexture, kTaDiffuse, Top::Modulate, kTaTexture, kTaDiffuse, true,
         0x60303002},
        {"add", 0, Top::Add, kTaTexture, kTaDiffuse, Top::Add, kTaTexture, kTaDiffuse, true, 0xFFFFE030},
        {"modulate factor", 0, Top::Modulate, kTaTexture, kTaTFactor, Top::Modulate, kTaTexture, kTaTFactor,
         true, 0x20C03000},
        {"add factor", 0, Top::Add, kTaTexture, kTaTFactor, Top::Modulate, kTaTexture, kTaTFactor, true,
         0x20FFE020},
        {"unbound texture reads white", 0, Top::Modulate, kTaTexture, kTaDiffuse, Top::Modulate, kTaTexture,
         kTaDiffuse, false, D},
        {"complement", 0, Top::SelectArg1, kTaTexture | kTaComplement, kTaDiffuse, Top::SelectArg1,
         kTaTexture | kTaComplement, kTaDiffuse, true, 0x7F3F9FDF},
        {"alpha replicate", 0, Top::SelectArg1, kTaTexture | kTaAlphaReplicate, kTaDiffuse, Top::SelectArg1,
         kTaTexture, kTaDiffuse, true, 0x80808080},
        {"blend texture alpha", 0, Top::BlendTextureAlpha, kTaTexture, kTaDiffuse, Top::SelectArg2,
         kTaTexture, kTaDiffuse, true, 0xC0807018},
        {"stage 1 modulate", 1, Top::Modulate, kTaTexture, kTaCurrent, Top::SelectArg2, kTaTexture,
         kTaCurrent, true, 0xC0303002},
        {"stage 1 add", 1, Top::Add, kTaTexture, kTaCurrent, Top::SelectArg2, kTaTexture, kTaCurrent, true,
         0xC0FFE030},
        {"stage 1 blend by texture alpha", 1, Top::BlendTextureAlpha, kTaTexture, kTaCurrent, Top::SelectArg2,
         kTaTexture, kTaCurrent, true, 0xC0807018},
        {"stage 1 disabled", 1, Top::Disable, kTaTexture, kTaCurrent, Top::Disable, kTaTexture, kTaCurrent,
         true, D},
    };
    for (const Case& c : cases)
    {
        SoftDevice d;
        d.Set(RS::TextureFactor, F);
        if (c.stage == 1)
        {
            // Stage 0 passes the diffuse colour on.
            d.Stage(0, TSS::ColorOp, uint32_t(Top::SelectArg2));
            d.Stage(0, TSS::ColorArg2, kTaDiffuse);
            d.Stage(0, TSS::AlphaOp, uint32_t(Top::SelectArg2));
            d.Stage(0, TSS::AlphaArg2, kTaDiffuse);
        }
        d.Stage(c.stage, TSS::ColorOp, uint32_t(c.colorOp));
        d.Stage(c.stage, TSS::ColorArg1, c.c1);
        d.Stage(c.stage, TSS::ColorArg2, c.c2);
        d.Stage(c.stage, TSS::AlphaOp, uint32_t(c.alphaOp));
        d.Stage(c.stage, TSS::AlphaArg1, c.a1);
        d.Stage(c.stage, TSS::AlphaArg2, c.a2);
        if (c.texture)
        {
            ASSERT_EQ(d.device->SetTexture(c.stage, d.Texture(1, 1, {T})), kOk);
        }
        d.Quad(0, 0, 2, 2, D);
        EXPECT_EQ(d.At(0, 0), c.expected) << c.name << std::hex << " got " << d.At(0, 0);
    }
}

TEST(SoftD3D7Output, BlendFactors)
{
    const uint32_t S = 0x80C06020; // source: a 128, r 192, g 96, b 32
    const uint32_t Dst = 0xFF408020;
    struct Case
    {
        const char* name;
        bool enable;
        Blend src, dst;
        uint32_t expected;
    };
    const Case cases[] = {
        {"alpha blend", true, Blend::SrcAlpha, Blend::InvSrcAlpha, 0xBF807020},
        {"additive", true, Blend::SrcAlpha, Blend::One, 0xFFA0B030},
        {"colour blend", true, Blend::SrcColor, Blend::DestColor, 0xFFA16408},
        {"no colour", true, Blend::Zero, Blend::One, Dst},
        {"multiply", true, Blend::Zero, Blend::SrcColor, 0x80303004},
        {"one zero", true, Blend::One, Blend::Zero, S},
        {"blending off", false, Blend::Zero, Blend::One, S},
    };
    for (const Case& c : cases)
    {
        SoftDevice d;
        d.Clear(Dst);
        d.Stage(0, TSS::ColorOp, uint32_t(Top::SelectArg2));
        d.Stage(0, TSS::ColorArg2, kTaDiffuse);
        d.Stage(0, TSS::AlphaOp, uint32_t(Top::SelectArg2));
        d.Stage(0, TSS::AlphaArg2, kTaDiffuse);
        d.Set(RS::AlphaBlendEnable, c.enable);
        d.Set(RS::SrcBlend, uint32_t(c.src));
        d.Set(RS::DestBlend, uint32_t(c.dst));
        d.Quad(0, 0, 2, 2, S);
        EXPECT_EQ(d.At(0, 0), c.expected) << c.name << std::hex << " got " << d.At(0, 0);
    }
}

TEST(SoftD3D7Output, AlphaTest)
{
    struct Case
    {
        Cmp func;
        uint32_t ref, alpha;
        bool drawn;
    };
    const Case cases[] = {
        {Cmp::Greater, 0, 0, false},          {Cmp::Greater, 0, 1, true},
        {Cmp::GreaterEqual, 128, 127, false}, {Cmp::GreaterEqual, 128, 128, true},
        {Cmp::Less, 128, 127, true},          {Cmp::Never, 0, 255, false},
    };
    for (const Case& c : cases)
    {
        SoftDevice d;
        d.Stage(0, TSS::AlphaOp, uint32_t(Top::SelectArg2));
        d.Stage(0, TSS::AlphaArg2, kTaDiffuse);
        d.Set(RS::AlphaTestEnable, 1);
        d.Set(RS::AlphaFunc, uint32_t(c.func));
        d.Set(RS::AlphaRef, c.ref);
        d.Quad(0, 0, 2, 2, (c.alpha << 24) | 0xFFFFFF);
        EXPECT_EQ(d.At(0, 0) & 0xFFFFFF, c.drawn ? 0xFFFFFFu : 0u)
            << int(c.func) << " " << c.ref << " " << c.alpha;
    }
}

TEST(SoftD3D7Output, DepthTestAndWrite)
{
    SoftDevice d;
    d.Quad(0, 0, 4, 4, 0xFFFF0000, 0.5f);
    d.Quad(0, 0, 4, 4, 0xFF00FF00, 0.7f); // behind: rejected
    EXPECT_EQ(d.At(1, 1), 0xFFFF0000u);
    d.Quad(0, 0, 4, 4, 0xFF0000FF, 0.5f); // equal passes less-or-equal
    EXPECT_EQ(d.At(1, 1), 0xFF0000FFu);
    EXPECT_NEAR(d.depth->ReadDepth(1, 1), 0.5f, 1e-6);

    d.Set(RS::ZWriteEnable, 0);
    d.Quad(0, 0, 4, 4, 0xFFFFFF00, 0.2f); // drawn, depth kept at 0.5
    EXPECT_EQ(d.At(1, 1), 0xFFFFFF00u);
    d.Set(RS::ZWriteEnable, 1);
    d.Quad(0, 0, 4, 4, 0xFF00FFFF, 0.4f);
    EXPECT_EQ(d.At(1, 1), 0xFF00FFFFu);

    d.Set(RS::ZEnable, 0); // no test, no write
    d.Quad(0, 0, 4, 4, 0xFF123456, 0.9f);
    EXPECT_EQ(d.At(1, 1), 0xFF123456u);
    EXPECT_NEAR(d.depth->ReadDepth(1, 1), 0.4f, 1e-6);
}

TEST(SoftD3D7Output, StencilWriteUnderAlphaTestThenStencilTest)
{
    SoftDevice d;
    d.Clear(0xFF102030);
    // Left texel transparent, right texel opaque.
    ASSERT_EQ(d.device->SetTexture(0, d.Texture(2, 1, {0x00FFFFFF, 0xFFFFFFFF})), kOk);
    // The "draw into the stencil only" set-up: stencil replace with 1 where alpha > 0, colour kept.
    d.Set(RS::AlphaTestEnable, 1);
    d.Set(RS::AlphaFunc, uint32_t(Cmp::Greater));
    d.Set(RS::AlphaRef, 0);
    d.Set(RS::StencilEnable, 1);
    d.Set(RS::StencilFunc, uint32_t(Cmp::Always));
    d.Set(RS::StencilRef, 1);
    d.Set(RS::StencilFail, uint32_t(StencilOp::Zero));
    d.Set(RS::StencilZFail, uint32_t(StencilOp::Keep));
    d.Set(RS::StencilPass, uint32_t(StencilOp::Replace));
    d.Set(RS::AlphaBlendEnable, 1);
    d.Set(RS::SrcBlend, uint32_t(Blend::Zero));
    d.Set(RS::DestBlend, uint32_t(Blend::One));
    d.Quad(0, 0, 8, 2, 0xFFFFFFFF);
    for (int x = 0; x < 8; ++x)
    {
        EXPECT_EQ(d.depth->ReadStencil(x, 0), x < 4 ? 0u : 1u) << x;
        EXPECT_EQ(d.At(x, 0), 0xFF102030u) << x;
    }

    ASSERT_EQ(d.device->SetTexture(0, nullptr), kOk);
    d.Set(RS::AlphaTestEnable, 0);
    d.Set(RS::StencilFunc, uint32_t(Cmp::Equal));
    d.Set(RS::StencilPass, uint32_t(StencilOp::Keep));
    d.Set(RS::SrcBlend, uint32_t(Blend::One));
    d.Set(RS::DestBlend, uint32_t(Blend::Zero));
    d.Quad(0, 0, 8, 2, 0xFFFF0000, 0.4f);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(d.At(x, 1), x < 4 ? 0xFF102030u : 0xFFFF0000u) << x;
}

TEST(SoftD3D7Output, StencilOperations)
{
    struct Case
    {
        StencilOp op;
        uint32_t before, expected;
    };
    const Case cases[] = {
        {StencilOp::Keep, 5, 5},        {StencilOp::Zero, 5, 0},    {StencilOp::Replace, 5, 7},
        {StencilOp::IncrSat, 255, 255}, {StencilOp::DecrSat, 0, 0}, {StencilOp::Invert, 5, 250},
        {StencilOp::Incr, 255, 0},      {StencilOp::Decr, 0, 255},
    };
    for (const Case& c : cases)
    {
        SoftDevice d;
        ASSERT_EQ(d.device->Clear(0, nullptr, kClearStencil, 0, 1.0f, c.before), kOk);
        d.Set(RS::StencilEnable, 1);
        d.Set(RS::StencilRef, 7);
        d.Set(RS::StencilPass, uint32_t(c.op));
        d.Quad(0, 0, 2, 2, 0xFFFFFFFF);
        EXPECT_EQ(d.depth->ReadStencil(0, 0), c.expected) << int(c.op);
    }
}

TEST(SoftD3D7Output, ClearRectanglesAreCutToTheViewport)
{
    SoftDevice d;
    const SSoftRect r{2, 3, 6, 5};
    ASSERT_EQ(d.device->Clear(1, &r, kClearTarget, 0xFF00FF00, 1.0f, 0), kOk);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(d.At(x, y), (x >= 2 && x < 6 && y >= 3 && y < 5) ? 0xFF00FF00u : 0xFF000000u)
                << x << "," << y;

    SSoftViewport vp{4, 4, 8, 8, 0.0f, 1.0f};
    ASSERT_EQ(d.device->SetViewport(vp), kOk);
    const SSoftRect all{0, 0, 16, 16};
    ASSERT_EQ(d.device->Clear(1, &all, kClearTarget | kClearZBuffer, 0xFFFFFFFF, 0.25f, 0), kOk);
    EXPECT_EQ(d.At(1, 1), 0xFF000000u);
    EXPECT_EQ(d.At(4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(d.At(11, 11), 0xFFFFFFFFu);
    EXPECT_EQ(d.At(12, 12), 0xFF000000u);
    EXPECT_NEAR(d.depth->ReadDepth(4, 4), 0.25f, 1e-6);
    EXPECT_NEAR(d.depth->ReadDepth(12, 12), 1.0f, 1e-6);
}

TEST(SoftD3D7Output, SixteenBitTargetStoresAndReadsBack)
{
    SoftDevice d(8, 8, FormatR5G6B5());
    d.Quad(0, 0, 4, 4, 0xFFFF0000);
    d.Quad(4, 0, 8, 4, 0xFF808080);
    EXPECT_EQ(d.At(1, 1), 0xFFFF0000u);
    EXPECT_EQ(d.At(5, 1), 0xFF848284u); // 5-6-5 truncation, widened again
}

namespace
{
struct LitVertex
{
    float x, y, z;
    float nx, ny, nz;
    uint32_t diffuse;
};
constexpr uint32_t kLitFvf = kFvfXyz | kFvfNormal | kFvfDiffuse;

void DrawLitQuad(SoftDevice& d, uint32_t color)
{
    const LitVertex v[] = {{-1, 1, 0.5f, 0, 0, -1, color},
                           {1, 1, 0.5f, 0, 0, -1, color},
                           {-1, -1, 0.5f, 0, 0, -1, color},
                           {1, -1, 0.5f, 0, 0, -1, color}};
    ASSERT_EQ(d.device->BeginScene(), kOk);
    ASSERT_EQ(d.device->DrawPrimitive(Prim::TriangleStrip, kLitFvf, v, 4, 0), kOk);
    ASSERT_EQ(d.device->EndScene(), kOk);
}
} // namespace

TEST(SoftD3D7Lighting, LightingWithoutLightsIsBlack)
{
    SoftDevice d;
    d.Clear(0xFF112233);
    d.Set(RS::Lighting, 1);
    DrawLitQuad(d, 0xFFFFFFFF);
    EXPECT_EQ(d.At(8, 8), 0xFF000000u);

    d.Set(RS::Lighting, 0);
    DrawLitQuad(d, 0xFF808080);
    EXPECT_EQ(d.At(8, 8), 0xFF808080u);
}

TEST(SoftD3D7Lighting, DirectionalLightOnAFacingSurface)
{
    SoftDevice d;
    d.Set(RS::Lighting, 1);
    SSoftLight light;
    light.type = LightType::Directional;
    light.diffuse = {1, 1, 1, 1};
    light.direction[0] = 0;
    light.direction[1] = 0;
    light.direction[2] = 1; // shining into the screen, onto normals that face the viewer
    ASSERT_EQ(d.device->SetLight(0, light), kOk);
    ASSERT_EQ(d.device->LightEnable(0, true), kOk);
    DrawLitQuad(d, 0xFF808080);
    EXPECT_EQ(d.At(8, 8), 0xFF808080u);

    light.direction[2] = -1; // from behind: only ambient (none) remains
    ASSERT_EQ(d.device->SetLight(0, light), kOk);
    DrawLitQuad(d, 0xFF808080);
    EXPECT_EQ(d.At(8, 8), 0xFF000000u);
}

TEST(SoftD3D7Fog, LinearFogBlendsTowardsTheFogColour)
{
    SoftDevice d;
    d.Set(RS::FogEnable, 1);
    d.Set(RS::FogMode, uint32_t(Fog::Linear));
    d.Set(RS::FogStart, FloatBits(0.0f));
    d.Set(RS::FogEnd, FloatBits(2.0f));
    d.Set(RS::FogColor, 0xFF0000FF);
    // Transformed vertices at w = 1 sit half way through the fog.
    d.Quad(0, 0, 4, 4, 0xFFFFFFFF);
    EXPECT_EQ(d.At(1, 1), 0xFF8080FFu);
}

TEST(SoftD3D7Primitives, PointsAndLinesTouchTheExpectedPixels)
{
    SoftDevice d;
    d.Draw(Prim::PointList, {{3.2f, 4.7f, 0.5f, 1, 0xFFFF0000, 0, 0}});
    EXPECT_EQ(d.At(3, 5), 0xFFFF0000u);
    EXPECT_EQ(d.At(3, 4), 0xFF000000u);

    d.Draw(Prim::LineList, {{0, 8, 0.5f, 1, 0xFF00FF00, 0, 0}, {6, 8, 0.5f, 1, 0xFF00FF00, 0, 0}});
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(d.At(x, 8), 0xFF00FF00u) << x;
    EXPECT_EQ(d.At(6, 8), 0xFF000000u); // the end pixel is left to the next segment
}

TEST(SoftD3D7Primitives, IndexedAndVertexBufferDrawsMatchPlainDraws)
{
    SoftDevice plain, indexed, buffered;
    plain.Quad(0, 0, 8, 8, 0xFF336699);

    const TLVertex v[] = {{0, 0, 0.5f, 1, 0xFF336699, 0, 0},
                          {8, 0, 0.5f, 1, 0xFF336699, 0, 0},
                          {0, 8, 0.5f, 1, 0xFF336699, 0, 0},
                          {8, 8, 0.5f, 1, 0xFF336699, 0, 0}};
    const uint16_t idx[] = {0, 1, 2, 2, 1, 3};
    ASSERT_EQ(indexed.device->BeginScene(), kOk);
    ASSERT_EQ(indexed.device->DrawIndexedPrimitive(Prim::TriangleList, kTLFvf, v, 4, idx, 6, 0), kOk);
    const uint16_t bad[] = {0, 1, 4};
    EXPECT_EQ(indexed.device->DrawIndexedPrimitive(Prim::TriangleList, kTLFvf, v, 4, bad, 3, 0),
              kErrInvalidParams);
    ASSERT_EQ(indexed.device->EndScene(), kOk);

    ZSoftVertexBuffer* vb = nullptr;
    ASSERT_EQ(buffered.d3d->CreateVertexBuffer({kVbWriteOnly, kTLFvf, 4}, &vb, 0), kOk);
    void* mem = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(vb->Lock(kLockWait | kLockWriteOnly, &mem, &size), kOk);
    ASSERT_EQ(size, sizeof v);
    std::memcpy(mem, v, sizeof v);
    ASSERT_EQ(buffered.device->BeginScene(), kOk);
    EXPECT_EQ(buffered.device->DrawPrimitiveVB(Prim::TriangleStrip, vb, 0, 4, 0), kErrVertexBufferLocked);
    ASSERT_EQ(vb->Unlock(), kOk);
    EXPECT_EQ(buffered.device->DrawPrimitiveVB(Prim::TriangleStrip, vb, 0, 4, 0), kOk);
    EXPECT_EQ(buffered.device->DrawPrimitiveVB(Prim::TriangleStrip, vb, 1, 4, 0), kErrInvalidParams);
    ASSERT_EQ(buffered.device->EndScene(), kOk);

    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
        {
            ASSERT_EQ(indexed.At(x, y), plain.At(x, y)) << x << "," << y;
            ASSERT_EQ(buffered.At(x, y), plain.At(x, y)) << x << "," << y;
        }
}

TEST(SoftD3D7Primitives, ClippingAtTheNearPlaneKeepsTheVisiblePart)
{
    // A triangle crossing the near plane (z < 0 in clip space) is cut, not dropped.
    SoftDevice d;
    struct XyzVertex
    {
        float x, y, z;
        uint32_t diffuse;
    };
    const XyzVertex v[] = {{-1, 1, -0.5f, 0xFFFFFFFF}, {1, 1, 0.5f, 0xFFFFFFFF}, {-1, -1, 0.5f, 0xFFFFFFFF}};
    ASSERT_EQ(d.device->BeginScene(), kOk);
    ASSERT_EQ(d.device->DrawPrimitive(Prim::TriangleList, kFvfXyz | kFvfDiffuse, v, 3, 0), kOk);
    ASSERT_EQ(d.device->EndScene(), kOk);
    EXPECT_EQ(d.At(0, 15), 0xFFFFFFFFu); // z = 0.5 corner
    EXPECT_EQ(d.At(1, 1), 0xFF000000u);  // z < 0 corner cut away
}

TEST(SoftD3D7Sampling, TextureTransformTakesTheShiftFromTheThirdRow)
{
    // The atlas form: scale on the diagonal, translation in row 2, applied to (u, v, 1, 0).
    SoftDevice d;
    ASSERT_EQ(d.device->SetTexture(0, d.Texture(4, 1, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF})),
              kOk);
    SSoftMatrix atlas;
    atlas.m[0][0] = 0.25f;
    atlas.m[2][0] = 0.5f;
    atlas.m[3][0] = 7.0f; // row 3 plays no part for two coordinates
    ASSERT_EQ(d.device->SetTransform(Transform::Texture0, atlas), kOk);
    d.Stage(0, TSS::TextureTransformFlags, uint32_t(TexTransform::Count2));
    struct XyzTexVertex
    {
        float x, y, z;
        float u, v;
    };
    const XyzTexVertex quad[] = {
        {-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {-1, -1, 0.5f, 0, 1}, {1, -1, 0.5f, 1, 1}};
    ASSERT_EQ(d.device->BeginScene(), kOk);
    ASSERT_EQ(d.device->DrawPrimitive(Prim::TriangleStrip, kFvfXyz | kFvfTex1, quad, 4, 0), kOk);
    ASSERT_EQ(d.device->EndScene(), kOk);
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(d.At(x, 8), 0xFF0000FFu) << x; // every pixel inside texel 2's quarter
}

TEST(SoftD3D7Sampling, ScaledPresentationQuadMapsWholeTexelBlocks)
{
    // The full-screen quad of the scaled presentation: clip space -1..1, texture coordinates moved
    // by half a display pixel, a 4 x 4 picture shown on 8 x 8 with point magnification.
    SoftDevice d(8, 8);
    std::vector<uint32_t> picture;
    for (uint32_t i = 0; i < 16; ++i)
        picture.push_back(0xFF000000u | i);
    ASSERT_EQ(d.device->SetTexture(0, d.Texture(4, 4, picture)), kOk);
    d.Stage(0, TSS::ColorOp, uint32_t(Top::SelectArg1));
    d.Set(RS::ZEnable, 0);
    struct QuadVertex
    {
        float x, y, z, nx, ny, nz;
        uint32_t diffuse;
        float u, v;
    };
    const float o = 0.5f / 8;
    const QuadVertex q[] = {
        {-1, 1, 0, 0, 0, 1, 0xFFFFFFFF, o, o},      {1, 1, 0, 0, 0, 1, 0xFFFFFFFF, 1 + o, o},
        {-1, -1, 0, 0, 0, 1, 0xFFFFFFFF, o, 1 + o}, {-1, -1, 0, 0, 0, 1, 0xFFFFFFFF, o, 1 + o},
        {1, 1, 0, 0, 0, 1, 0xFFFFFFFF, 1 + o, o},   {1, -1, 0, 0, 0, 1, 0xFFFFFFFF, 1 + o, 1 + o}};
    ASSERT_EQ(d.device->BeginScene(), kOk);
    ASSERT_EQ(
        d.device->DrawPrimitive(Prim::TriangleList, kFvfXyz | kFvfNormal | kFvfDiffuse | kFvfTex1, q, 6, 0),
        kOk);
    ASSERT_EQ(d.device->EndScene(), kOk);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(d.At(x, y) & 0xFF, uint32_t((y / 2) * 4 + x / 2)) << x << "," << y;
}

TEST(SoftD3D7Primitives, BadNumbersAreDrawnSafelyOrSkipped)
{
    SoftDevice d;
    const float nan = std::nanf("");
    // Positions that are not numbers or lie absurdly far away draw nothing.
    d.Draw(Prim::TriangleList, {{nan, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                {8, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                {0, 8, 0.5f, 1, 0xFFFFFFFF, 0, 0}});
    d.Draw(Prim::TriangleList, {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                {1e30f, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                {0, 8, 0.5f, 1, 0xFFFFFFFF, 0, 0}});
    EXPECT_EQ(d.At(1, 1), 0xFF000000u);
    // So does a depth that is not a number.
    d.Draw(Prim::TriangleList, {{0, 0, nan, 1, 0xFFFFFFFF, 0, 0},
                                {8, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                {0, 8, 0.5f, 1, 0xFFFFFFFF, 0, 0}});
    EXPECT_EQ(d.At(1, 1), 0xFF000000u);
    // Texture coordinates that are not numbers, or huge, still give a defined pixel.
    ASSERT_EQ(d.device->SetTexture(0, d.Texture(2, 2, {0xFF112233, 0xFF112233, 0xFF112233, 0xFF112233})),
              kOk);
    d.Draw(Prim::TriangleList, {{0, 0, 0.5f, 1, 0xFFFFFFFF, nan, 1e30f},
                                {8, 0, 0.5f, 1, 0xFFFFFFFF, -1e30f, nan},
                                {0, 8, 0.5f, 1, 0xFFFFFFFF, nan, nan}});
    EXPECT_EQ(d.At(1, 1), 0xFF112233u);
    ASSERT_EQ(d.device->SetTexture(0, nullptr), kOk);
    // A line reaching far beyond the target only walks the visible part.
    d.Draw(Prim::LineList, {{-1e6f, 12, 0.5f, 1, 0xFF00FF00, 0, 0}, {1e6f, 12, 0.5f, 1, 0xFF00FF00, 0, 0}});
    EXPECT_EQ(d.At(0, 12), 0xFF00FF00u);
    EXPECT_EQ(d.At(15, 12), 0xFF00FF00u);

    std::vector<TLVertex> many(0x10000, TLVertex{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0});
    ASSERT_EQ(d.device->BeginScene(), kOk);
    EXPECT_EQ(d.device->DrawPrimitive(Prim::PointList, kTLFvf, many.data(), uint32_t(many.size()), 0),
              kErrInvalidParams);
    ASSERT_EQ(d.device->EndScene(), kOk);

    SSoftSurfaceDesc huge;
    huge.width = 16384;
    huge.height = 16384;
    huge.caps = kCapsTexture | kCapsSystemMemory;
    ZSoftSurface* none = nullptr;
    EXPECT_EQ(d.dd->CreateSurface(huge, &none), kErrOutOfMemory);
    EXPECT_EQ(none, nullptr);
}
