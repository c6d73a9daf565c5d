// The bonus game's locations: a coral reef, a shipwreck and a sunken temple, each a picture larger
// than the screen with its findable objects painted into it. One scene description per location
// feeds both layers: the background is the scene without the objects, each item picture is one
// object lit and tinted as the scene shows it, with whatever the scene puts in front of it taken
// out of its alpha. Laid over the background at its place, every item completes the painting, and
// when it is found and fades, the scenery behind it is already there.
#include "tools/imagegen/ArtHiddenObject.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{
namespace
{
constexpr int kPictureW = 1280;
constexpr int kPictureH = 900;

using Shade = std::function<Colour(float, float)>;

// Paints scene coordinates into a canvas whose top-left pixel is the scene point (ox, oy); fills
// only visit the rectangle they are given, so a small item costs little.
struct Region
{
    Canvas& canvas;
    float ox = 0.0f, oy = 0.0f;

    void Fill(const Field& field, const Shade& shade, float x0, float y0, float x1, float y1,
              float softness = 1.0f) const
    {
        const int ix0 = std::max(0, int(std::floor(x0 - ox))), iy0 = std::max(0, int(std::floor(y0 - oy)));
        const int ix1 = std::min(canvas.Width(), int(std::ceil(x1 - ox)) + 1);
        const int iy1 = std::min(canvas.Height(), int(std::ceil(y1 - oy)) + 1);
        for (int y = iy0; y < iy1; ++y)
            for (int x = ix0; x < ix1; ++x)
            {
                const float px = x + 0.5f + ox, py = y + 0.5f + oy;
                const float cover = Clamp01(0.5f - field(px, py) / softness);
                if (cover <= 0.0f)
                    continue;
                const Colour c = shade(px, py);
                const float a = Clamp01(c.a) * cover;
                Colour p = canvas.Get(x, y);
                p.r = c.r * a + p.r * (1 - a);
                p.g = c.g * a + p.g * (1 - a);
                p.b = c.b * a + p.b * (1 - a);
                p.a = a + p.a * (1 - a);
                canvas.Set(x, y, p);
            }
    }
    void Fill(const Field& field, const Colour& colour, float x0, float y0, float x1, float y1,
              float softness = 1.0f) const
    {
        Fill(field, [&](float, float) { return colour; }, x0, y0, x1, y1, softness);
    }
};

// One object being painted: shapes in its own units (about -1..1, v downwards), turned and scaled
// into the scene.
struct Obj
{
    const Region& r;
    float cx, cy, s, ca, sa;
    Colour haze;
    float hazeAmount;

    float U(float x, float y) const { return ((x - cx) * ca + (y - cy) * sa) / s; }
    float V(float x, float y) const { return (-(x - cx) * sa + (y - cy) * ca) / s; }
    Colour Tint(Colour c) const
    {
        const float a = c.a;
        c = Mix(c, haze, hazeAmount);
        c.a = a;
        return c;
    }
    void F(const Field& shape, const Colour& colour) const
    {
        const float e = 1.6f * s;
        r.Fill([&](float x, float y) { return shape(U(x, y), V(x, y)) * s; },
               [&](float, float) { return Tint(colour); }, cx - e, cy - e, cx + e, cy + e);
    }
    void F(const Field& shape, const Shade& shade) const
    {
        const float e = 1.6f * s;
        r.Fill([&](float x, float y) { return shape(U(x, y), V(x, y)) * s; },
               [&](float x, float y) { return Tint(shade(U(x, y), V(x, y))); }, cx - e, cy - e, cx + e, cy + e);
    }
    // A lit, rounded body with a rim in its own shadow colour and a soft highlight up to the left.
    void G(const Field& shape, const Colour& base, float hu = -0.3f, float hv = -0.4f, float rim = 1.4f) const
    {
        const float rimUnits = rim / s;
        F([&](float u, float v) { return shape(u, v) - rimUnits; }, Scale(base, 0.35f));
        F(shape,
          [&](float u, float v)
          {
              const float dome = std::sqrt(Clamp01(-shape(u, v) / 0.3f));
              const float light = 0.6f + 0.4f * dome - 0.25f * Clamp01(0.4f * u + 0.6f * v);
              Colour c = Scale(base, light);
              c = Mix(c, Colour{0.55f, 0.9f, 1.0f, 1.0f}, Clamp01(v - 0.4f) * (1.0f - dome) * 0.25f);
              c.a = base.a;
              return c;
          });
        F([&](float u, float v) { return std::max(shape(u, v) + 0.08f, sdf::Ellipse(u, v, hu, hv, 0.3f, 0.16f)); },
          [&](float u, float v)
          { return Colour{1, 1, 0.95f, 0.5f * Clamp01(1.0f - std::hypot((u - hu) / 0.3f, (v - hv) / 0.16f))}; });
    }
};

Colour Hex(unsigned rgb, float a = 1.0f)
{
    return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, a};
}

using Box = float (*)(float, float, float, float, float, float, float);
float RB(float u, float v, float cx, float cy, float hw, float hh, float r = 0.04f)
{
    return sdf::RoundBox(u, v, cx, cy, hw, hh, r);
}
float Ring(float u, float v, float cx, float cy, float r, float w)
{
    return std::fabs(sdf::Circle(u, v, cx, cy, r)) - w;
}

// ------------------------------------------------------------------------------- object kinds

void Shell(const Obj& o, Colour c)
{
    auto body = [](float u, float v)
    { return sdf::Union(std::max(sdf::Circle(u, v, 0, 0.5f, 1.0f), v - 0.5f), RB(u, v, 0, 0.62f, 0.32f, 0.14f)); };
    o.G(body, c);
    for (int k = -3; k <= 3; ++k)
    {
        const float a = k * 0.36f;
        o.F([&](float u, float v)
            { return std::max(sdf::Capsule(u, v, 0, 0.5f, std::sin(a) * 0.95f, 0.5f - std::cos(a) * 0.95f, 0.035f), body(u, v) + 0.06f); },
            WithAlpha(Scale(c, 0.6f), 0.8f));
    }
}

void Starfish(const Obj& o, Colour c)
{
    auto body = [](float u, float v) { return sdf::Star(u, v, 0, 0, 5, 1.0f, 0.45f, -kPi / 2) - 0.06f; };
    o.G(body, c, -0.2f, -0.25f);
    for (int k = 0; k < 5; ++k)
    {
        const float a = -kPi / 2 + k * 2 * kPi / 5;
        for (int d = 1; d <= 3; ++d)
        {
            const float px = std::cos(a) * d * 0.22f, py = std::sin(a) * d * 0.22f;
            o.F([=](float u, float v) { return sdf::Circle(u, v, px, py, 0.05f); }, Scale(c, 1.35f));
        }
    }
}

void Anchor(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    {
        float d = Ring(u, v, 0, -0.8f, 0.16f, 0.055f);
        d = sdf::Union(d, RB(u, v, 0, 0.0f, 0.08f, 0.68f));
        d = sdf::Union(d, RB(u, v, 0, -0.45f, 0.42f, 0.07f));
        d = sdf::Union(d, std::max(Ring(u, v, 0, 0.05f, 0.68f, 0.075f), 0.25f - v));
        d = sdf::Union(d, sdf::Polygon(u, v, {-0.78f, 0.12f, -0.5f, 0.3f, -0.8f, 0.42f}));
        d = sdf::Union(d, sdf::Polygon(u, v, {0.78f, 0.12f, 0.5f, 0.3f, 0.8f, 0.42f}));
        return d;
    };
    o.G(shape, c, -0.1f, -0.5f);
}

void Bottle(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    { return sdf::Smooth(RB(u, v, 0, 0.25f, 0.36f, 0.62f, 0.28f), RB(u, v, 0, -0.55f, 0.13f, 0.32f, 0.05f), 0.12f); };
    o.G(shape, WithAlpha(c, 0.92f), -0.15f, 0.0f);
    o.F([](float u, float v) { return RB(u, v, 0, -0.9f, 0.11f, 0.1f, 0.03f); }, Hex(0xa07850));
    o.F([](float u, float v) { return RB(u, v, -0.18f, 0.2f, 0.045f, 0.4f, 0.04f); }, Colour{1, 1, 1, 0.35f});
    o.F([](float u, float v) { return RB(u, v, 0, 0.3f, 0.3f, 0.2f, 0.03f); }, Hex(0xe8dcb0, 0.85f));
}

void Key(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    {
        float d = Ring(u, v, -0.55f, 0, 0.28f, 0.1f);
        d = sdf::Union(d, RB(u, v, 0.2f, 0, 0.62f, 0.08f));
        d = sdf::Union(d, RB(u, v, 0.62f, 0.2f, 0.06f, 0.14f, 0.01f));
        d = sdf::Union(d, RB(u, v, 0.42f, 0.16f, 0.05f, 0.1f, 0.01f));
        return d;
    };
    o.G(shape, c, -0.6f, -0.2f);
}

void Coin(const Obj& o, Colour c)
{
    o.G([](float u, float v) { return sdf::Circle(u, v, 0, 0, 0.9f); }, c);
    o.F([](float u, float v) { return Ring(u, v, 0, 0, 0.72f, 0.04f); }, Scale(c, 0.7f));
    o.F([](float u, float v) { return sdf::Star(u, v, 0, 0.02f, 5, 0.45f, 0.2f, -kPi / 2); }, Scale(c, 0.75f));
}

void Pearl(const Obj& o, Colour c)
{
    // In its open shell.
    o.G([](float u, float v) { return std::max(sdf::Ellipse(u, v, 0, 0.25f, 1.0f, 0.55f), -v + 0.1f); }, Hex(0x9a7a8a));
    o.G([](float u, float v) { return sdf::Circle(u, v, 0, 0.05f, 0.45f); }, c, -0.15f, -0.15f);
}

void RingJewel(const Obj& o, Colour c)
{
    o.G([](float u, float v) { return Ring(u, v, 0, 0.2f, 0.55f, 0.12f); }, c, -0.3f, -0.2f);
    o.G([](float u, float v) { return sdf::Circle(u, v, 0, -0.45f, 0.28f); }, Hex(0xff4a6a), -0.08f, -0.55f);
}

void Compass(const Obj& o, Colour c)
{
    o.G([](float u, float v) { return sdf::Circle(u, v, 0, 0, 0.9f); }, c);
    o.F([](float u, float v) { return sdf::Circle(u, v, 0, 0, 0.7f); }, Hex(0xf0e4c0));
    o.F([](float u, float v) { return sdf::Polygon(u, v, {0, -0.62f, 0.12f, 0, -0.12f, 0}); }, Hex(0xd03a2a));
    o.F([](float u, float v) { return sdf::Polygon(u, v, {0, 0.62f, 0.12f, 0, -0.12f, 0}); }, Hex(0x2a4a8a));
    o.F([](float u, float v) { return sdf::Circle(u, v, 0, 0, 0.08f); }, Scale(c, 0.6f));
    o.F([](float u, float v) { return RB(u, v, 0, -0.98f, 0.12f, 0.1f); }, c);
}

void Spyglass(const Obj& o, Colour c)
{
    o.G([](float u, float v) { return sdf::Polygon(u, v, {-1.0f, -0.16f, 1.0f, -0.28f, 1.0f, 0.28f, -1.0f, 0.16f}); }, c,
        0.0f, -0.15f);
    for (float x : {-0.55f, 0.05f, 0.6f})
        o.F([=](float u, float v) { return RB(u, v, x, 0, 0.05f, 0.32f, 0.02f); }, Scale(c, 0.6f));
    o.F([](float u, float v) { return sdf::Ellipse(u, v, 1.0f, 0, 0.05f, 0.24f); }, Hex(0xa0e0ff));
}

void Boot(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    { return sdf::Smooth(RB(u, v, -0.25f, -0.25f, 0.34f, 0.65f, 0.1f), RB(u, v, 0.15f, 0.45f, 0.72f, 0.25f, 0.18f), 0.15f); };
    o.G(shape, c, -0.4f, -0.4f);
    o.F([](float u, float v) { return RB(u, v, 0.15f, 0.68f, 0.72f, 0.05f, 0.03f); }, Scale(c, 0.4f));
    o.F([](float u, float v) { return RB(u, v, -0.25f, -0.82f, 0.38f, 0.08f, 0.03f); }, Scale(c, 0.6f));
}

void Teapot(const Obj& o, Colour c)
{
    o.F([](float u, float v) { return Ring(u, v, -0.7f, 0.1f, 0.28f, 0.07f); }, Scale(c, 0.8f));
    o.F([](float u, float v) { return sdf::Capsule(u, v, 0.5f, 0.2f, 0.95f, -0.3f, 0.1f); }, Scale(c, 0.9f));
    o.G([](float u, float v) { return sdf::Ellipse(u, v, 0, 0.15f, 0.65f, 0.5f); }, c);
    o.F([](float u, float v) { return sdf::Ellipse(u, v, 0, 0.15f, 0.66f, 0.08f); }, Hex(0x3a6ac8, 0.8f));
    o.G([](float u, float v) { return sdf::Union(sdf::Ellipse(u, v, 0, -0.36f, 0.34f, 0.12f), sdf::Circle(u, v, 0, -0.5f, 0.09f)); },
        c, -0.1f, -0.5f);
}

void Bell(const Obj& o, Colour c)
{
    o.F([](float u, float v) { return Ring(u, v, 0, -0.78f, 0.15f, 0.05f); }, Scale(c, 0.7f));
    o.G([](float u, float v) { return sdf::Union(RB(u, v, 0, -0.1f, 0.42f, 0.55f, 0.38f), sdf::Ellipse(u, v, 0, 0.45f, 0.75f, 0.17f)); }, c);
    o.G([](float u, float v) { return sdf::Circle(u, v, 0, 0.68f, 0.13f); }, Scale(c, 0.7f));
}

void Trident(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    {
        float d = RB(u, v, 0, 0.22f, 0.06f, 0.8f);
        d = sdf::Union(d, RB(u, v, 0, -0.52f, 0.45f, 0.06f));
        for (float x : {-0.45f, 0.0f, 0.45f})
        {
            d = sdf::Union(d, RB(u, v, x, -0.72f, 0.05f, 0.22f, 0.01f));
            d = sdf::Union(d, sdf::Polygon(u, v, {x - 0.1f, -0.9f, x + 0.1f, -0.9f, x, -1.05f}));
        }
        return d;
    };
    o.G(shape, c, 0.0f, -0.6f);
}

void Goblet(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    {
        float d = std::max(sdf::Circle(u, v, 0, -0.5f, 0.6f), -0.5f - v);
        d = sdf::Union(d, RB(u, v, 0, 0.35f, 0.07f, 0.32f));
        d = sdf::Union(d, sdf::Ellipse(u, v, 0, 0.72f, 0.42f, 0.1f));
        return d;
    };
    o.G(shape, c, -0.25f, -0.35f);
    o.F([](float u, float v) { return sdf::Ellipse(u, v, 0, -0.5f, 0.6f, 0.08f); }, Scale(c, 0.5f));
    o.F([](float u, float v) { return sdf::Circle(u, v, 0, -0.2f, 0.1f); }, Hex(0x5af0a0));
}

void Amphora(const Obj& o, Colour c)
{
    o.F([](float u, float v) { return std::max(Ring(u, v, -0.38f, -0.45f, 0.2f, 0.05f), u + 0.3f); }, Scale(c, 0.7f));
    o.F([](float u, float v) { return std::max(Ring(u, v, 0.38f, -0.45f, 0.2f, 0.05f), 0.3f - u); }, Scale(c, 0.7f));
    auto shape = [](float u, float v)
    {
        float d = sdf::Smooth(sdf::Ellipse(u, v, 0, 0.1f, 0.52f, 0.68f), RB(u, v, 0, -0.68f, 0.17f, 0.25f), 0.15f);
        d = sdf::Union(d, RB(u, v, 0, -0.93f, 0.27f, 0.06f));
        d = sdf::Union(d, RB(u, v, 0, 0.82f, 0.2f, 0.08f));
        return d;
    };
    o.G(shape, c);
    o.F([&](float u, float v) { return std::max(shape(u, v) + 0.02f, std::fabs(v - 0.05f) - 0.07f); }, Hex(0x2a1a14));
}

void Lantern(const Obj& o, Colour c)
{
    o.F([](float u, float v) { return Ring(u, v, 0, -0.85f, 0.14f, 0.045f); }, Scale(c, 0.8f));
    o.G([](float u, float v) { return RB(u, v, 0, 0.1f, 0.45f, 0.62f, 0.06f); }, c);
    o.F([](float u, float v) { return RB(u, v, 0, 0.1f, 0.32f, 0.48f, 0.03f); },
        [](float u, float v) { return Mix(Hex(0xfff0a0), Hex(0xe0a030), Clamp01(std::hypot(u, v - 0.1f))); });
    o.F([](float u, float v) { return RB(u, v, 0, 0.1f, 0.03f, 0.48f, 0.01f); }, Scale(c, 0.6f));
    o.G([](float u, float v) { return sdf::Polygon(u, v, {-0.5f, -0.5f, 0.5f, -0.5f, 0.2f, -0.72f, -0.2f, -0.72f}); }, c);
}

void Crown(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    {
        return sdf::Union(RB(u, v, 0, 0.38f, 0.82f, 0.22f),
                          sdf::Polygon(u, v, {-0.82f, 0.2f, -0.82f, -0.55f, -0.42f, -0.05f, 0.0f, -0.7f, 0.42f, -0.05f,
                                              0.82f, -0.55f, 0.82f, 0.2f}));
    };
    o.G(shape, c);
    for (float x : {-0.5f, 0.0f, 0.5f})
        o.G([=](float u, float v) { return sdf::Circle(u, v, x, 0.38f, 0.12f); }, x == 0.0f ? Hex(0xff4a6a) : Hex(0x3a6ae8),
            x - 0.04f, 0.33f, 0.8f);
}

void Mask(const Obj& o, Colour c)
{
    auto face = [](float u, float v) { return sdf::Ellipse(u, v, 0, 0.05f, 0.66f, 0.88f); };
    o.G(face, c, -0.2f, -0.45f);
    for (float x : {-0.26f, 0.26f})
        o.F([=](float u, float v) { return sdf::Ellipse(u, v, x, -0.12f, 0.17f, 0.09f); }, Hex(0x10141c));
    o.F([](float u, float v) { return sdf::Ellipse(u, v, 0, 0.5f, 0.22f, 0.06f); }, Hex(0x10141c));
    o.F([](float u, float v) { return std::max(Ring(u, v, 0, -0.1f, 0.78f, 0.04f), v + 0.45f); }, Scale(c, 0.6f));
}

void Sword(const Obj& o, Colour c)
{
    o.G([](float u, float v) { return sdf::Union(RB(u, v, 0, -0.18f, 0.08f, 0.7f, 0.01f), sdf::Polygon(u, v, {-0.08f, -0.88f, 0.08f, -0.88f, 0, -1.05f})); },
        Hex(0xc8d4e0), -0.02f, -0.5f);
    o.G([](float u, float v) { return RB(u, v, 0, 0.55f, 0.38f, 0.06f); }, c);
    o.F([](float u, float v) { return RB(u, v, 0, 0.76f, 0.06f, 0.18f); }, Hex(0x5a3a22));
    o.G([](float u, float v) { return sdf::Circle(u, v, 0, 0.97f, 0.09f); }, c);
}

void Helmet(const Obj& o, Colour c)
{
    o.G([](float u, float v) { return sdf::Polygon(u, v, {-0.15f, -0.75f, 0.15f, -0.75f, 0.05f, -1.0f, -0.05f, -1.0f}); }, Hex(0xc83a3a));
    o.G([](float u, float v) { return sdf::Union(std::max(sdf::Circle(u, v, 0, 0.15f, 0.8f), v - 0.45f), RB(u, v, 0, 0.45f, 0.9f, 0.08f)); }, c);
    o.F([](float u, float v) { return RB(u, v, 0, 0.12f, 0.5f, 0.05f, 0.02f); }, Hex(0x141820));
}

void Shield(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    { return sdf::Polygon(u, v, {-0.75f, -0.8f, 0.75f, -0.8f, 0.75f, 0.0f, 0.0f, 0.95f, -0.75f, 0.0f}) - 0.04f; };
    o.G(shape, c);
    o.F([&](float u, float v) { return std::max(shape(u, v) + 0.12f, std::min(std::fabs(u) - 0.1f, std::fabs(v + 0.15f) - 0.1f)); },
        Hex(0xffc83a));
    o.G([](float u, float v) { return sdf::Circle(u, v, 0, -0.15f, 0.16f); }, Hex(0xffc83a));
}

void Skull(const Obj& o, Colour c)
{
    o.G([](float u, float v) { return sdf::Smooth(sdf::Circle(u, v, 0, -0.15f, 0.7f), RB(u, v, 0, 0.48f, 0.36f, 0.25f, 0.12f), 0.15f); }, c);
    for (float x : {-0.27f, 0.27f})
        o.F([=](float u, float v) { return sdf::Circle(u, v, x, -0.05f, 0.17f); }, Hex(0x1a1410));
    o.F([](float u, float v) { return sdf::Polygon(u, v, {0, 0.12f, 0.08f, 0.3f, -0.08f, 0.3f}); }, Hex(0x1a1410));
    for (float x : {-0.2f, -0.07f, 0.07f, 0.2f})
        o.F([=](float u, float v) { return RB(u, v, x, 0.55f, 0.012f, 0.1f, 0.0f); }, Scale(c, 0.45f));
}

void Cannonball(const Obj& o, Colour c)
{
    o.G([](float u, float v) { return sdf::Circle(u, v, 0, 0, 0.85f); }, c, -0.3f, -0.35f, 1.8f);
}

void Fishbone(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    {
        float d = sdf::Capsule(u, v, -0.75f, 0, 0.55f, 0, 0.045f);
        for (int k = 0; k < 5; ++k)
        {
            const float x = -0.5f + k * 0.22f;
            d = sdf::Union(d, sdf::Capsule(u, v, x, 0, x + 0.12f, -0.35f + std::fabs(k - 2) * 0.04f, 0.03f));
            d = sdf::Union(d, sdf::Capsule(u, v, x, 0, x + 0.12f, 0.35f - std::fabs(k - 2) * 0.04f, 0.03f));
        }
        d = sdf::Union(d, sdf::Polygon(u, v, {0.5f, -0.32f, 1.0f, 0.0f, 0.5f, 0.32f}));
        d = sdf::Union(d, sdf::Polygon(u, v, {-0.72f, 0, -1.0f, -0.3f, -0.95f, 0, -1.0f, 0.3f}));
        return d;
    };
    o.G(shape, c, 0.6f, -0.15f, 1.0f);
    o.F([](float u, float v) { return sdf::Circle(u, v, 0.72f, -0.06f, 0.07f); }, Hex(0x1a1410));
}

void Hourglass(const Obj& o, Colour c)
{
    for (float y : {-0.85f, 0.85f})
        o.G([=](float u, float v) { return RB(u, v, 0, y, 0.55f, 0.08f); }, c);
    for (float x : {-0.45f, 0.45f})
        o.F([=](float u, float v) { return RB(u, v, x, 0, 0.04f, 0.8f); }, Scale(c, 0.8f));
    auto glass = [](float u, float v)
    { return sdf::Union(sdf::Polygon(u, v, {-0.35f, -0.77f, 0.35f, -0.77f, 0.04f, 0}), sdf::Polygon(u, v, {-0.35f, 0.77f, 0.35f, 0.77f, 0.04f, 0}) ) - 0.06f; };
    o.F(glass, Colour{0.75f, 0.95f, 1.0f, 0.45f});
    o.F([&](float u, float v) { return std::max(glass(u, v) + 0.03f, 0.35f - v); }, Hex(0xe8c070));
}

void Scroll(const Obj& o, Colour c)
{
    o.G([](float u, float v) { return RB(u, v, 0, 0, 0.75f, 0.42f, 0.03f); }, c, -0.4f, -0.2f);
    for (float x : {-0.8f, 0.8f})
        o.G([=](float u, float v) { return RB(u, v, x, 0, 0.1f, 0.5f, 0.08f); }, Scale(c, 0.85f));
    for (float y : {-0.2f, 0.0f, 0.2f})
        o.F([=](float u, float v) { return RB(u, v, -0.05f, y, 0.5f, 0.015f, 0.01f); }, Hex(0x6a4a2a, 0.7f));
    o.F([](float u, float v) { return sdf::Circle(u, v, 0.45f, 0.22f, 0.1f); }, Hex(0xb02a2a));
}

void Gem(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    { return sdf::Polygon(u, v, {-0.55f, -0.45f, 0.55f, -0.45f, 0.85f, -0.1f, 0.0f, 0.85f, -0.85f, -0.1f}); };
    o.G(shape, c, -0.2f, -0.25f, 1.2f);
    o.F([&](float u, float v) { return std::max(shape(u, v), std::fabs(v + 0.1f) - 0.02f); }, Scale(c, 1.4f));
    o.F([&](float u, float v) { return std::max(shape(u, v), std::fabs(u * 0.9f - (v + 0.1f) * 0.35f) - 0.02f); }, Scale(c, 0.7f));
}

void Book(const Obj& o, Colour c)
{
    o.F([](float u, float v) { return RB(u, v, 0.06f, 0.05f, 0.58f, 0.8f, 0.05f); }, Hex(0xf0e4c0));
    o.G([](float u, float v) { return RB(u, v, -0.02f, 0, 0.58f, 0.8f, 0.06f); }, c, -0.3f, -0.5f);
    o.F([](float u, float v) { return RB(u, v, -0.52f, 0, 0.06f, 0.8f, 0.02f); }, Scale(c, 0.6f));
    o.F([](float u, float v) { return Ring(u, v, 0.02f, -0.1f, 0.22f, 0.04f); }, Hex(0xffc83a));
}

void Candlestick(const Obj& o, Colour c)
{
    o.G([](float u, float v) { return RB(u, v, 0, -0.25f, 0.17f, 0.55f, 0.05f); }, Hex(0xf0e8d0), -0.08f, -0.5f);
    o.G([](float u, float v) { return sdf::Union(sdf::Ellipse(u, v, 0, 0.38f, 0.48f, 0.1f), sdf::Union(RB(u, v, 0, 0.6f, 0.08f, 0.22f), sdf::Ellipse(u, v, 0, 0.85f, 0.36f, 0.1f))); }, c);
    o.F([](float u, float v) { return RB(u, v, 0, -0.86f, 0.015f, 0.07f, 0.0f); }, Hex(0x2a1a10));
}

void Comb(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    {
        float d = RB(u, v, 0, -0.35f, 0.85f, 0.16f, 0.08f);
        for (int k = 0; k < 12; ++k)
            d = sdf::Union(d, RB(u, v, -0.77f + k * 0.14f, 0.05f, 0.035f, 0.3f, 0.02f));
        return d;
    };
    o.G(shape, c, -0.5f, -0.4f, 1.0f);
}

void Crab(const Obj& o, Colour c)
{
    for (int side = -1; side <= 1; side += 2)
    {
        for (int k = 0; k < 3; ++k)
            o.F([=](float u, float v)
                { return sdf::Capsule(u, v, side * 0.4f, 0.1f + k * 0.12f, side * 0.9f, 0.4f + k * 0.15f, 0.05f); },
                Scale(c, 0.7f));
        o.G([=](float u, float v) { return sdf::Circle(u, v, side * 0.75f, -0.45f, 0.2f); }, c);
    }
    o.G([](float u, float v) { return sdf::Ellipse(u, v, 0, 0.05f, 0.6f, 0.4f); }, c);
    for (int side = -1; side <= 1; side += 2)
        o.F([=](float u, float v) { return sdf::Circle(u, v, side * 0.18f, -0.32f, 0.08f); }, Hex(0x101010));
}

void Seahorse(const Obj& o, Colour c)
{
    auto shape = [](float u, float v)
    {
        float d = sdf::Ellipse(u, v, 0.05f, -0.55f, 0.28f, 0.22f);
        d = sdf::Smooth(d, sdf::Capsule(u, v, 0.25f, -0.6f, 0.58f, -0.55f, 0.07f), 0.05f);
        d = sdf::Smooth(d, sdf::Ellipse(u, v, -0.05f, 0.0f, 0.3f, 0.45f), 0.12f);
        d = sdf::Smooth(d, std::max(Ring(u, v, 0.05f, 0.55f, 0.28f, 0.08f), -(v - 0.45f) - u), 0.08f);
        return d;
    };
    o.G(shape, c, -0.15f, -0.6f, 1.2f);
    o.F([](float u, float v) { return sdf::Circle(u, v, 0.12f, -0.6f, 0.06f); }, Hex(0x101010));
}

struct Kind
{
    const char* name;
    void (*paint)(const Obj&, Colour);
    unsigned colour;
};

const Kind kKinds[] = {
    {"shell", Shell, 0xf0a888},     {"starfish", Starfish, 0xf07840}, {"anchor", Anchor, 0x6a7a88},
    {"bottle", Bottle, 0x3a9a5a},   {"key", Key, 0xe0b040},           {"coin", Coin, 0xffc83a},
    {"pearl", Pearl, 0xf4ecf0},     {"ring", RingJewel, 0xffc83a},    {"compass", Compass, 0xc89a4a},
    {"spyglass", Spyglass, 0xc89a4a}, {"boot", Boot, 0x7a4a2a},       {"teapot", Teapot, 0xe8eef4},
    {"bell", Bell, 0xc8903a},       {"trident", Trident, 0x4ab09a},   {"goblet", Goblet, 0xe8c050},
    {"amphora", Amphora, 0xc8683a}, {"lantern", Lantern, 0x4a5a5a},   {"crown", Crown, 0xffc83a},
    {"mask", Mask, 0xe0b040},       {"sword", Sword, 0xc8a040},       {"helmet", Helmet, 0xa8b0b8},
    {"shield", Shield, 0x3a5aa8},   {"skull", Skull, 0xe8dcc0},       {"cannonball", Cannonball, 0x3a3e44},
    {"fishbone", Fishbone, 0xe8e0d0}, {"hourglass", Hourglass, 0x8a5a2a}, {"scroll", Scroll, 0xe8d4a0},
    {"gem", Gem, 0x3ad0a0},         {"book", Book, 0x8a2a3a},         {"candlestick", Candlestick, 0xc89a4a},
    {"comb", Comb, 0xd8c090},       {"crab", Crab, 0xd84a2a},         {"seahorse", Seahorse, 0xf0a030},
};

const Kind* FindKind(const std::string& name)
{
    for (const Kind& k : kKinds)
        if (name == k.name)
            return &k;
    return nullptr;
}

// ------------------------------------------------------------------------------- locations

// One findable object: its item name, the kind painted, its centre and half size in the
// picture, its turn (radians) and colour (0: the kind's own).
struct Item
{
    const char* name;
    const char* kind;
    float x, y, size, angle;
    unsigned colour;
};

// Reef: coral garden on pale sand.
const Item kReef[] = {
    {"anchor", "anchor", 1060, 690, 62, 0.35f, 0},       {"bottle", "bottle", 205, 700, 34, -1.2f, 0},
    {"key", "key", 640, 770, 26, 0.5f, 0},              {"compass", "compass", 905, 560, 30, 0.0f, 0},
    {"pearl", "pearl", 470, 628, 28, 0.1f, 0},           {"ring", "ring", 1150, 505, 20, -0.3f, 0},
    {"spyglass", "spyglass", 345, 515, 44, 0.4f, 0},     {"boot", "boot", 770, 655, 38, -0.2f, 0},
    {"teapot", "teapot", 120, 560, 34, 0.15f, 0},        {"bell", "bell", 560, 395, 30, 0.25f, 0},
    {"trident", "trident", 1215, 300, 56, 0.5f, 0},      {"goblet", "goblet", 980, 395, 28, -0.15f, 0},
    {"seahorse", "seahorse", 270, 345, 38, 0.1f, 0},     {"crab", "crab", 880, 820, 32, 0.0f, 0},
    {"fishbone", "fishbone", 430, 830, 40, -0.1f, 0},    {"gem", "gem", 1180, 815, 20, 0.2f, 0},
    {"comb", "comb", 70, 820, 30, 0.9f, 0},              {"mask", "mask", 730, 250, 30, -0.2f, 0xb0c0c8},
    {"shell", "shell", 330, 650, 30, -0.3f, 0},          {"amphora", "amphora", 60, 390, 44, -0.25f, 0},
    {"hourglass", "hourglass", 1030, 240, 30, 0.3f, 0},  {"starfish_1", "starfish", 560, 700, 26, 0.3f, 0xf07840},
    {"starfish_2", "starfish", 1010, 800, 24, 1.0f, 0xe8585c}, {"starfish_3", "starfish", 160, 460, 22, 0.4f, 0xf0c040},
    {"starfish_4", "starfish", 820, 460, 22, 0.0f, 0x3a6ae8}, {"starfish_5", "starfish", 690, 540, 20, 0.7f, 0xc070e0},
};

// Wreck: the hull of a sunken ship, its deck and cargo.
const Item kWreck[] = {
    {"anchor", "anchor", 1170, 650, 70, -0.2f, 0},       {"lantern", "lantern", 495, 330, 34, 0.2f, 0},
    {"sword", "sword", 830, 740, 50, 1.2f, 0},           {"helmet", "helmet", 300, 760, 36, 0.3f, 0xc8a060},
    {"skull", "skull", 715, 590, 28, -0.2f, 0},          {"cannonball", "cannonball", 980, 775, 24, 0.0f, 0},
    {"compass", "compass", 175, 610, 28, 0.5f, 0},       {"spyglass", "spyglass", 580, 480, 46, -0.3f, 0},
    {"bottle", "bottle", 1085, 470, 32, 0.6f, 0x5a8ac8}, {"key", "key", 420, 640, 24, -0.6f, 0xc8d4e0},
    {"bell", "bell", 930, 270, 36, -0.1f, 0},            {"scroll", "scroll", 250, 440, 38, 0.25f, 0},
    {"book", "book", 850, 520, 30, -0.4f, 0},            {"hourglass", "hourglass", 650, 270, 30, -0.2f, 0},
    {"boot", "boot", 90, 780, 34, 0.4f, 0x4a3a2a},       {"goblet", "goblet", 1210, 390, 26, 0.2f, 0xc8d4e0},
    {"teapot", "teapot", 360, 560, 30, -0.3f, 0xc8d4e0}, {"fishbone", "fishbone", 560, 820, 40, 0.2f, 0},
    {"crab", "crab", 1130, 810, 30, 0.2f, 0xe07030},     {"candlestick", "candlestick", 760, 400, 34, 0.15f, 0},
    {"ring", "ring", 1010, 620, 18, 0.4f, 0xc8d4e0},     {"coin_1", "coin", 480, 745, 18, 0.0f, 0},
    {"coin_2", "coin", 700, 700, 17, 0.3f, 0},           {"coin_3", "coin", 1060, 560, 17, -0.4f, 0},
    {"coin_4", "coin", 155, 350, 16, 0.6f, 0},           {"coin_5", "coin", 915, 650, 17, 0.1f, 0},
};

// Temple: columns and steps of a sunken city.
const Item kTemple[] = {
    {"crown", "crown", 640, 300, 38, 0.1f, 0},
    {"mask", "mask", 215, 470, 36, 0.2f, 0},
    {"amphora", "amphora", 1110, 630, 50, 0.15f, 0},
    {"trident", "trident", 450, 700, 60, -0.7f, 0xc8a040},
    {"shield", "shield", 880, 740, 40, 0.35f, 0},
    {"helmet", "helmet", 320, 790, 34, -0.25f, 0xe0b040},
    {"goblet", "goblet", 760, 560, 30, 0.0f, 0},
    {"ruby", "gem", 1000, 450, 22, -0.3f, 0xff4a6a},
    {"ring", "ring", 560, 610, 20, 0.2f, 0},
    {"scroll", "scroll", 120, 640, 36, -0.5f, 0},
    {"hourglass", "hourglass", 1190, 380, 32, -0.2f, 0},
    {"bell", "bell", 390, 300, 30, 0.1f, 0x6aa0a0},
    {"sword", "sword", 1050, 800, 52, -1.0f, 0},
    {"book", "book", 655, 760, 32, 0.3f, 0x2a5a8a},
    {"candlestick", "candlestick", 870, 330, 36, -0.1f, 0xffc83a},
    {"skull", "skull", 180, 790, 30, 0.3f, 0xd8ccb0},
    {"key", "key", 950, 600, 26, 1.2f, 0},
    {"seahorse", "seahorse", 1230, 720, 34, -0.2f, 0xa070e0},
    {"comb", "comb", 540, 470, 28, -0.2f, 0xe0b040},
    {"shell", "shell", 820, 840, 28, 0.2f, 0xf0c8d8},
    {"teapot", "teapot", 300, 610, 32, 0.2f, 0xd8804a},
    {"gem_1", "gem", 85, 420, 18, 0.2f, 0x3ad0a0},
    {"gem_2", "gem", 735, 450, 17, -0.3f, 0x3a6ae8},
    {"gem_3", "gem", 1140, 520, 16, 0.5f, 0xa8f0ff},
    {"gem_4", "gem", 480, 830, 17, 0.0f, 0xffc83a},
    {"gem_5", "gem", 1240, 250, 16, 0.7f, 0xc080ff},
};

struct Location
{
    const Item* items;
    size_t count;
    Colour haze;
};

Location GetLocation(int n)
{
    switch (n)
    {
    case 1:
        return {kReef, std::size(kReef), Hex(0x2a7aa0)};
    case 2:
        return {kWreck, std::size(kWreck), Hex(0x1a4a62)};
    default:
        return {kTemple, std::size(kTemple), Hex(0x2a6878)};
    }
}

int BoxSize(const Item& item)
{
    return int(std::ceil(item.size * 2.6f)) | 1;
}

// ------------------------------------------------------------------------------- scenery

float GroundLine(int location, float x)
{
    const float base = location == 2 ? 700.0f : (location == 3 ? 600.0f : 610.0f);
    return base + std::sin(x / 210.0f + location) * 22.0f + (Fbm(x / 140.0f, 1.5f, 40u + unsigned(location), 3) - 0.5f) * 40.0f;
}

void PaintFloor(const Region& r, int location, Colour sand, Colour dark)
{
    r.Fill([&](float x, float y) { return GroundLine(location, x) - y; },
           [&](float x, float y)
           {
               const float depth = Clamp01((y - GroundLine(location, x)) / 300.0f);
               Colour c = Mix(Scale(sand, 0.8f), sand, depth);
               const float grain = Fbm(x / 9.0f, y / 7.0f, 77u, 3);
               const float ripple = 0.5f + 0.5f * std::sin(x / 26.0f + std::sin(y / 40.0f) * 2.0f + y / 15.0f);
               c = Mix(c, dark, 0.18f * grain + 0.08f * ripple);
               return c;
           },
           0, 400, kPictureW, kPictureH, 2.0f);
}

void Rock(const Region& r, float cx, float cy, float rx, float ry, Colour c, unsigned seed)
{
    auto field = [=](float x, float y)
    { return sdf::Ellipse(x, y, cx, cy, rx, ry) + (Fbm(x / 30.0f, y / 30.0f, seed, 3) - 0.5f) * rx * 0.35f; };
    r.Fill(field,
           [=](float x, float y)
           {
               const float lx = (x - cx) / rx, ly = (y - cy) / ry;
               const float light = 0.75f + 0.3f * Clamp01(-0.6f * lx - 0.8f * ly) - 0.25f * Clamp01(ly);
               Colour col = Scale(c, light * (0.85f + 0.3f * Fbm(x / 12.0f, y / 12.0f, seed + 5, 3)));
               col.a = 1;
               return col;
           },
           cx - rx * 1.5f, cy - ry * 1.5f, cx + rx * 1.5f, cy + ry * 1.5f, 1.5f);
}

// A tall frond swaying from its root, drawn as a chain of capsules.
void Kelp(const Region& r, float x0, float y0, float height, float width, Colour c, float phase)
{
    const int steps = 18;
    for (int i = 0; i < steps; ++i)
    {
        const float t0 = float(i) / steps, t1 = float(i + 1) / steps;
        const float ax = x0 + std::sin(t0 * 3.0f + phase) * height * 0.12f * t0, ay = y0 - height * t0;
        const float bx = x0 + std::sin(t1 * 3.0f + phase) * height * 0.12f * t1, by = y0 - height * t1;
        const float w = width * (1.0f - 0.6f * t0);
        const Colour col = Mix(Scale(c, 0.7f), c, t0);
        r.Fill([=](float x, float y) { return sdf::Capsule(x, y, ax, ay, bx, by, w); }, col,
               std::min(ax, bx) - w - 2, std::min(ay, by) - w - 2, std::max(ax, bx) + w + 2, std::max(ay, by) + w + 2);
        if (i % 3 == 1)
        {
            const float side = (i % 6 == 1) ? 1.0f : -1.0f;
            const float lx = bx + side * w * 2.5f, ly = by - w;
            r.Fill([=](float x, float y) { return sdf::Ellipse(x, y, (bx + lx) / 2, (by + ly) / 2, w * 1.6f, w * 0.7f); },
                   col, std::min(bx, lx) - w * 2, by - w * 3, std::max(bx, lx) + w * 2, by + w * 2);
        }
    }
}

void BranchCoral(const Region& r, float x0, float y0, float size, Colour c, unsigned seed)
{
    Random rng(seed);
    struct B
    {
        float x, y, a, len, w;
        int depth;
    };
    std::vector<B> stack{{x0, y0, -kPi / 2, size * 0.45f, size * 0.07f, 0}};
    while (!stack.empty())
    {
        B b = stack.back();
        stack.pop_back();
        const float ex = b.x + std::cos(b.a) * b.len, ey = b.y + std::sin(b.a) * b.len;
        const Colour col = Mix(Scale(c, 0.75f), c, float(b.depth) / 4.0f);
        r.Fill([=](float x, float y) { return sdf::Capsule(x, y, b.x, b.y, ex, ey, b.w); }, col,
               std::min(b.x, ex) - b.w - 2, std::min(b.y, ey) - b.w - 2, std::max(b.x, ex) + b.w + 2, std::max(b.y, ey) + b.w + 2);
        if (b.depth < 4)
            for (int k = 0; k < 2; ++k)
                stack.push_back({ex, ey, b.a + (k == 0 ? -1.0f : 1.0f) * rng.Range(0.25f, 0.6f), b.len * 0.72f, b.w * 0.78f,
                                 b.depth + 1});
        else
            r.Fill([=](float x, float y) { return sdf::Circle(x, y, ex, ey, b.w * 1.3f); }, Scale(c, 1.2f), ex - 10, ey - 10,
                   ex + 10, ey + 10);
    }
}

void BrainCoral(const Region& r, float cx, float cy, float rx, Colour c)
{
    r.Fill([=](float x, float y) { return std::max(sdf::Ellipse(x, y, cx, cy, rx, rx * 0.7f), y - cy - rx * 0.15f); },
           [=](float x, float y)
           {
               const float ridge = 0.5f + 0.5f * std::sin((x - cx) / 5.0f + std::sin((y - cy) / 9.0f) * 3.0f);
               const float light = 0.7f + 0.3f * Clamp01(-(y - cy) / rx);
               Colour col = Scale(Mix(c, Scale(c, 0.6f), ridge * 0.6f), light);
               col.a = 1;
               return col;
           },
           cx - rx - 2, cy - rx, cx + rx + 2, cy + rx * 0.3f, 1.5f);
}

void FanCoral(const Region& r, float cx, float cy, float radius, Colour c)
{
    r.Fill([=](float x, float y) { return std::max(sdf::Circle(x, y, cx, cy, radius), y - cy); },
           [=](float x, float y)
           {
               const float a = std::atan2(y - cy, x - cx), d = std::hypot(x - cx, y - cy);
               const float lattice = std::max(0.5f + 0.5f * std::cos(a * 40.0f), 0.5f + 0.5f * std::cos(d / 5.0f));
               return WithAlpha(Mix(Scale(c, 0.8f), c, d / radius), 0.35f + 0.55f * std::pow(lattice, 6.0f));
           },
           cx - radius, cy - radius, cx + radius, cy, 1.5f);
    r.Fill([=](float x, float y) { return sdf::Capsule(x, y, cx, cy, cx, cy + 40, 5); }, Scale(c, 0.6f), cx - 8, cy - 4,
           cx + 8, cy + 46);
}

void Planks(const Region& r, const std::vector<float>& polygon, Colour wood, float angle, float x0, float y0, float x1, float y1)
{
    const float ca = std::cos(angle), sa = std::sin(angle);
    r.Fill([&](float x, float y) { return sdf::Polygon(x, y, polygon); },
           [=](float x, float y)
           {
               const float along = x * ca + y * sa, across = -x * sa + y * ca;
               const float seam = std::fabs(std::fmod(across + 10000.0f, 26.0f) - 13.0f);
               const float grain = Fbm(along / 40.0f, across / 4.0f, 9u, 3);
               Colour c = Scale(wood, 0.75f + 0.35f * grain);
               if (seam > 11.5f)
                   c = Scale(c, 0.45f);
               c.a = 1;
               return c;
           },
           x0, y0, x1, y1, 1.5f);
}

void Barrel(const Region& r, float cx, float cy, float rx, float ry, Colour wood)
{
    r.Fill([=](float x, float y) { return sdf::RoundBox(x, y, cx, cy, rx, ry, rx * 0.45f); },
           [=](float x, float y)
           {
               const float lx = (x - cx) / rx;
               Colour c = Scale(wood, 0.55f + 0.5f * (1.0f - lx * lx) * (lx < 0.2f ? 1.0f : 0.8f));
               const float band = std::fabs(std::fabs(y - cy) - ry * 0.6f);
               if (band < 5.0f)
                   c = Scale(Hex(0x5a6068), 0.6f + 0.4f * (1.0f - lx * lx));
               c.a = 1;
               return c;
           },
           cx - rx - 2, cy - ry - 2, cx + rx + 2, cy + ry + 2, 1.5f);
}

void Column(const Region& r, float cx, float base, float height, float width, Colour stone, bool broken, unsigned seed)
{
    const float top = base - height;
    auto shaft = [=](float x, float y)
    {
        float d = sdf::RoundBox(x, y, cx, (top + base) / 2, width / 2, height / 2, 3);
        if (broken)
            d = std::max(d, top + 20.0f + (Fbm(x / 8.0f, 1.0f, seed, 2) - 0.5f) * 40.0f - y);
        return d;
    };
    r.Fill(shaft,
           [=](float x, float y)
           {
               const float lx = (x - cx) / (width / 2);
               const float flute = 0.5f + 0.5f * std::cos(lx * kPi * 3.5f);
               Colour c = Scale(stone, 0.6f + 0.45f * (1.0f - lx * lx) - 0.12f * flute);
               c = Mix(c, Hex(0x3a6a50), 0.25f * Fbm(x / 20.0f, y / 30.0f, seed + 2, 3));
               c.a = 1;
               return c;
           },
           cx - width, top - 30, cx + width, base + 30, 1.5f);
    r.Fill([=](float x, float y) { return sdf::RoundBox(x, y, cx, base - 8, width * 0.7f, 10, 3); }, Scale(stone, 0.8f),
           cx - width, base - 20, cx + width, base + 4);
    if (!broken)
        r.Fill([=](float x, float y) { return sdf::RoundBox(x, y, cx, top + 6, width * 0.75f, 12, 4); }, Scale(stone, 0.95f),
               cx - width, top - 10, cx + width, top + 20);
}

// ------------------------------------------------------------------------------- the scenes

// Scenery behind the objects; drawn only for the background.
void PaintBack(Canvas& canvas, int location)
{
    const Region r{canvas, 0, 0};
    const char* argsReef[] = {"x", "top=3ab8d8", "bottom=0a2e5a", "floor=7a3a4a", "seed=41", "rays=7", "floorheight=0.45", "props=coral"};
    const char* argsWreck[] = {"x", "top=2e8ea8", "bottom=06223c", "floor=3a3428", "seed=42", "rays=5", "floorheight=0.42", "props=rocks"};
    const char* argsTemple[] = {"x", "top=3aa0b0", "bottom=0a2038", "floor=2a3a3a", "seed=43", "rays=6", "floorheight=0.48", "props=columns"};
    const char** args = location == 1 ? argsReef : (location == 2 ? argsWreck : argsTemple);
    const ToolOptions sea(8, const_cast<char**>(args), 1, 0);
    DrawSea(sea, canvas);
    if (location == 1)
    {
        PaintFloor(r, 1, Hex(0xe0c890), Hex(0x8a7050));
        Rock(r, 180, 600, 150, 80, Hex(0x5a7a80), 3);
        Rock(r, 930, 590, 170, 95, Hex(0x607a7a), 4);
        Rock(r, 560, 470, 110, 70, Hex(0x587078), 5);
        FanCoral(r, 390, 560, 120, Hex(0xe06a9a));
        FanCoral(r, 1160, 560, 100, Hex(0x9a6ae0));
        BrainCoral(r, 700, 600, 90, Hex(0xd8a050));
        BrainCoral(r, 60, 660, 70, Hex(0xc87850));
        BranchCoral(r, 250, 640, 260, Hex(0xf08060), 11);
        BranchCoral(r, 840, 560, 200, Hex(0xf0c040), 12);
        BranchCoral(r, 1060, 610, 300, Hex(0xe05a7a), 13);
        BranchCoral(r, 620, 520, 180, Hex(0x60c0e0), 14);
        Rock(r, 1000, 760, 60, 30, Hex(0x6a8080), 6);
        Rock(r, 370, 790, 50, 25, Hex(0x6a7a7a), 7);
    }
    else if (location == 2)
    {
        PaintFloor(r, 2, Hex(0xa89070), Hex(0x4a3a2a));
        // The hull, lying over on its side, with a broken deck inside.
        Planks(r, {80, 700, 180, 300, 420, 200, 900, 170, 1200, 250, 1270, 420, 1230, 700}, Hex(0x6a4a2e), -0.08f, 60, 150, 1280, 720);
        Planks(r, {150, 690, 230, 380, 420, 300, 880, 280, 1150, 340, 1190, 680}, Hex(0x3e2a1a), 0.0f, 140, 270, 1200, 700);
        for (float x : {330.0f, 560.0f, 790.0f, 1020.0f})
            r.Fill([=](float px, float py) { return sdf::RoundBox(px, py, x, 480, 12, 200, 4); }, Hex(0x2e1e12), x - 14, 270, x + 14, 690);
        for (float x : {260.0f, 1000.0f, 1150.0f})
        {
            r.Fill([=](float px, float py) { return sdf::Circle(px, py, x, 235 + (x - 600) * 0.02f, 26); }, Hex(0x8a7a5a), x - 30, 200, x + 30, 270);
            r.Fill([=](float px, float py) { return sdf::Circle(px, py, x, 235 + (x - 600) * 0.02f, 18); }, Hex(0x0e2a3a), x - 20, 210, x + 20, 260);
        }
        // The mast, fallen across the deck.
        r.Fill([](float x, float y) { return sdf::Capsule(x, y, 120, 160, 1180, 110, 18); },
               [](float x, float y) { (void)x; return Scale(Hex(0x5a3e26), 0.8f + 0.2f * Fbm(x / 30.0f, y / 5.0f, 3u, 2)); }, 90, 80, 1210, 190);
        Barrel(r, 470, 610, 55, 75, Hex(0x8a5a32));
        Barrel(r, 880, 640, 60, 80, Hex(0x7a5030));
        r.Fill([](float x, float y) { return sdf::RoundBox(x, y, 1000, 700, 80, 50, 4); },
               [](float x, float y) { Colour c = Scale(Hex(0x9a7a50), 0.8f + 0.2f * Fbm(x / 20.0f, y / 4.0f, 5u, 2)); if (std::fabs(std::fmod(y, 25.0f)) < 2.0f) c = Scale(c, 0.5f); return c; },
               910, 640, 1090, 760);
        Rock(r, 640, 800, 90, 40, Hex(0x505a5a), 8);
    }
    else
    {
        PaintFloor(r, 3, Hex(0xb0b8a0), Hex(0x5a6a5a));
        // Floor slabs.
        r.Fill([](float x, float y) { return GroundLine(3, x) + 20 - y; },
               [](float x, float y)
               {
                   const float gx = std::fabs(std::fmod(x + (y - 600) * 0.3f, 140.0f)), gy = std::fabs(std::fmod(y, 70.0f));
                   Colour c = Scale(Hex(0x9aa094), 0.75f + 0.3f * Fbm(x / 25.0f, y / 25.0f, 21u, 3));
                   if (gx < 3.0f || gy < 3.0f)
                       c = Scale(c, 0.55f);
                   return WithAlpha(c, 0.9f);
               },
               0, 560, kPictureW, kPictureH, 2.0f);
        // Steps up to a doorway.
        for (int i = 0; i < 4; ++i)
        {
            const float y = 560 - i * 34.0f, hw = 330 - i * 40.0f;
            r.Fill([=](float x, float py) { return sdf::RoundBox(x, py, 640, y, hw, 17, 2); },
                   [=](float x, float py) { (void)x; return Scale(Hex(0xa8ae9c), 0.7f + 0.25f * (py < y ? 1.0f : 0.6f)); },
                   640 - hw - 2, y - 19, 640 + hw + 2, y + 19);
        }
        r.Fill([](float x, float y) { return sdf::Union(sdf::RoundBox(x, y, 640, 330, 170, 130, 2), sdf::Circle(x, y, 640, 200, 170)); },
               [](float x, float y) { return Scale(Hex(0x8a9488), 0.7f + 0.3f * Fbm(x / 30.0f, y / 30.0f, 22u, 3)); }, 460, 20, 820, 470);
        r.Fill([](float x, float y) { return sdf::Union(sdf::RoundBox(x, y, 640, 360, 100, 100, 2), sdf::Circle(x, y, 640, 260, 100)); },
               Hex(0x0a2a36), 530, 150, 750, 470);
        Column(r, 200, 600, 420, 80, Hex(0xc0c4b0), false, 31);
        Column(r, 420, 560, 360, 70, Hex(0xb8bca8), true, 32);
        Column(r, 880, 560, 380, 70, Hex(0xb8bca8), false, 33);
        Column(r, 1100, 600, 440, 80, Hex(0xc0c4b0), true, 34);
        // A fallen drum of a column.
        r.Fill([](float x, float y) { return sdf::RoundBox(x, y, 700, 690, 120, 38, 16); },
               [](float x, float y) { (void)x; return Scale(Hex(0xb0b4a0), 0.6f + 0.45f * Clamp01(1.0f - std::fabs(y - 680) / 40.0f)); }, 570, 645, 830, 735);
        // A statue's head, half sunk.
        r.Fill([](float x, float y) { return std::max(sdf::Ellipse(x, y, 1020, 690, 95, 120), y - 760); },
               [](float x, float y) { return Scale(Hex(0x9aa090), 0.65f + 0.35f * Clamp01(-(x - 1000) / 90.0f) * Clamp01(-(y - 700) / 80.0f + 0.5f)); },
               920, 560, 1120, 770);
        r.Fill([](float x, float y) { return sdf::Union(sdf::Ellipse(x, y, 990, 670, 16, 7), sdf::Ellipse(x, y, 1050, 670, 16, 7)); },
               Hex(0x3a4240), 960, 650, 1080, 690);
    }
}

// Scenery in front of the objects: drawn for the background, and taken out of the items' alpha.
void PaintFront(const Region& r, int location)
{
    if (location == 1)
    {
        Kelp(r, 30, 900, 420, 11, Hex(0x2a8a4a), 0.3f);
        Kelp(r, 300, 900, 250, 9, Hex(0x3a9a4a), 1.6f);
        Kelp(r, 520, 640, 180, 7, Hex(0x3aa05a), 2.4f);
        Kelp(r, 1250, 900, 460, 12, Hex(0x2a7a44), 0.9f);
        Kelp(r, 1120, 640, 200, 8, Hex(0x4aa060), 2.0f);
        Kelp(r, 790, 900, 200, 9, Hex(0x2a8a4a), 3.0f);
        Rock(r, 1230, 880, 120, 60, Hex(0x3a4a50), 9);
        Rock(r, 520, 905, 110, 40, Hex(0x3e5054), 10);
    }
    else if (location == 2)
    {
        Kelp(r, 20, 900, 380, 10, Hex(0x3a7a3a), 0.5f);
        Kelp(r, 640, 900, 220, 9, Hex(0x3a8a44), 2.2f);
        Kelp(r, 1265, 900, 330, 11, Hex(0x2a6a3a), 1.2f);
        // A broken beam leaning in front.
        r.Fill([](float x, float y) { return sdf::Capsule(x, y, 330, 910, 520, 600, 14); },
               [](float x, float y) { (void)x; return Scale(Hex(0x4a3220), 0.8f + 0.2f * Fbm(x / 20.0f, y / 6.0f, 4u, 2)); }, 300, 580, 550, 930);
        // Rope hanging from the mast.
        r.Fill([](float x, float y) { return std::fabs(x - (760 + std::sin(y / 40.0f) * 12.0f)) - 4.0f + (y > 430 ? 1000.0f : 0.0f); },
               Hex(0xb09a6a), 740, 120, 780, 440);
    }
    else
    {
        Kelp(r, 40, 900, 430, 11, Hex(0x3a8a5a), 0.7f);
        Kelp(r, 980, 900, 260, 9, Hex(0x2a7a4a), 1.8f);
        Kelp(r, 1260, 900, 380, 11, Hex(0x3a9a5a), 2.6f);
        Kelp(r, 560, 560, 160, 7, Hex(0x4aa060), 0.2f);
        Rock(r, 370, 905, 120, 45, Hex(0x4a5450), 11);
        // A broken column drum in the foreground.
        r.Fill([](float x, float y) { return sdf::RoundBox(x, y, 1190, 865, 90, 55, 20); },
               [](float x, float y) { return Scale(Hex(0x8a9080), 0.6f + 0.4f * Clamp01(1.0f - std::fabs(y - 850) / 60.0f) * (0.8f + 0.2f * Fbm(x / 15.0f, y / 15.0f, 7u, 2))); },
               1090, 800, 1280, 920);
    }
}

// One object as the scene shows it: contact shadow, body, tint of the water around it.
void PaintItem(const Region& r, const Item& item, const Colour& haze)
{
    const Kind* kind = FindKind(item.kind);
    if (!kind)
        return;
    // A soft navy shadow on the ground below it (faint: a click there is no click on the object).
    r.Fill([&](float x, float y) { return sdf::Ellipse(x, y, item.x + item.size * 0.1f, item.y + item.size * 0.75f, item.size * 0.85f, item.size * 0.2f); },
           Hex(0x000d26, 0.3f), item.x - item.size * 1.2f, item.y + item.size * 0.3f, item.x + item.size * 1.2f,
           item.y + item.size * 1.2f, item.size * 0.25f);
    const Obj o{r, item.x, item.y, item.size, std::cos(item.angle), std::sin(item.angle), haze, 0.18f};
    kind->paint(o, Hex(item.colour ? item.colour : kind->colour));
}

const Item* FindItem(const Location& location, const std::string& name)
{
    for (size_t i = 0; i < location.count; ++i)
        if (name == location.items[i].name)
            return &location.items[i];
    return nullptr;
}
} // namespace

bool DrawHiddenObjectArt(const std::string& generator, const ToolOptions& options, Canvas& canvas,
                         std::string& error, bool& handled)
{
    handled = generator == "hoscene";
    if (!handled)
        return false;
    const int location = options.Integer("location", 1);
    if (location < 1 || location > 3)
    {
        error = "location must be 1, 2 or 3";
        return false;
    }
    const Location loc = GetLocation(location);
    const std::string layer = options.Text("layer", "background");
    if (layer == "background")
    {
        if (canvas.Width() != kPictureW || canvas.Height() != kPictureH)
        {
            error = "the background is " + std::to_string(kPictureW) + " x " + std::to_string(kPictureH);
            return false;
        }
        PaintBack(canvas, location);
        PaintFront(Region{canvas, 0, 0}, location);
        return true;
    }
    if (layer != "item")
    {
        error = "layer must be background or item";
        return false;
    }
    const std::string name = options.Text("item", "");
    const Item* item = FindItem(loc, name);
    if (!item)
    {
        error = "no item '" + name + "' in location " + std::to_string(location);
        return false;
    }
    const int box = BoxSize(*item);
    if (canvas.Width() != box || canvas.Height() != box)
    {
        error = "item '" + name + "' is " + std::to_string(box) + " x " + std::to_string(box);
        return false;
    }
    const float ox = std::round(item->x) - float(box / 2), oy = std::round(item->y) - float(box / 2);
    PaintItem(Region{canvas, ox, oy}, *item, loc.haze);
    // What stands in front of the object in the scene hides that part of it.
    Canvas front(box, box);
    PaintFront(Region{front, ox, oy}, location);
    for (int y = 0; y < box; ++y)
        for (int x = 0; x < box; ++x)
        {
            const float keep = 1.0f - front.Get(x, y).a;
            Colour p = canvas.Get(x, y);
            canvas.Set(x, y, {p.r * keep, p.g * keep, p.b * keep, p.a * keep});
        }
    return true;
}

std::string HiddenObjectLayout(int location)
{
    const Location loc = GetLocation(location);
    std::string out;
    char line[512];
    for (size_t i = 0; i < loc.count; ++i)
    {
        const Item& item = loc.items[i];
        const int box = BoxSize(item);
        // Centre of the item's box relative to the picture's centre, y up.
        const float ox = std::round(item.x) - float(box / 2), oy = std::round(item.y) - float(box / 2);
        const float px = ox + box / 2.0f - kPictureW / 2.0f, py = kPictureH / 2.0f - (oy + box / 2.0f);
        std::snprintf(line, sizeof(line),
                      "    <sprite2d name=\"%s\" sizemodel=\"stretched\" path=\"resources:ho%i_%s.png\" width=\"%i\" "
                      "height=\"%i\"><v3 property=\"position\" x=\"%g\" y=\"%g\" z=\"%i\"/></sprite2d>\n",
                      item.name, location, item.name, box, box, px, py, -int(i));
        out += line;
    }
    out += "\n";
    for (size_t i = 0; i < loc.count; ++i)
    {
        const Item& item = loc.items[i];
        const int box = BoxSize(item);
        std::snprintf(line, sizeof(line), "ho%i_%s.png hoscene %i %i location=%i layer=item item=%s\n", location,
                      item.name, box, box, location, item.name);
        out += line;
    }
    return out;
}

} // namespace qvtool
