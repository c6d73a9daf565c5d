// Underwater scenery: the sea backdrops with their props, caustic light and light beams.
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{

// Underwater backdrop: depth gradient, light shafts from the surface, drifting haze, a
// silhouetted floor and suspended specks.
void DrawSea(const ToolOptions& o, Canvas& canvas)
{
    const Colour top = ColourOption(o, "top", Colour{0.2f, 0.65f, 0.8f, 1});
    const Colour bottom = ColourOption(o, "bottom", Colour{0.02f, 0.12f, 0.3f, 1});
    const Colour floorColour = ColourOption(o, "floor", Colour{0.05f, 0.1f, 0.18f, 1});
    const unsigned seed = static_cast<unsigned>(o.Integer("seed", 1));
    const int rays = o.Integer("rays", 6);
    const float floorHeight = static_cast<float>(o.Number("floorheight", 0.18));
    const int specks = o.Integer("specks", 120);
    const float w = canvas.Width(), h = canvas.Height();

    canvas.Shade(
        [&](float x, float y)
        {
            float t = y / h;
            Colour c = Mix(top, bottom, std::pow(t, 0.85f));
            float haze = Fbm(x / 180.0f, y / 140.0f, seed, 4);
            c = Scale(c, 0.9f + 0.2f * haze);
            c.a = 1;
            return c;
        });
    Random rng(seed * 31u + 7u);
    for (int i = 0; i < rays; ++i)
    {
        float x0 = rng.Range(-0.1f, 1.1f) * w, slope = rng.Range(0.15f, 0.45f),
              width = rng.Range(0.02f, 0.07f) * w;
        float strength = rng.Range(0.08f, 0.2f);
        canvas.AddLight(
            [=](float x, float y)
            {
                float cxr = x0 + y * slope;
                float d = std::fabs(x - cxr) / width;
                float fall = Clamp01(1.0f - y / (h * 0.9f));
                return Colour{0.8f, 0.95f, 1.0f, Clamp01(1.0f - d) * Clamp01(1.0f - d) * strength * fall};
            });
    }
    // Surface shimmer at the very top.
    canvas.AddLight(
        [&](float x, float y)
        {
            float band = Clamp01(1.0f - y / (h * 0.12f));
            float ripple = 0.5f + 0.5f * std::sin(x / 23.0f + std::sin(x / 61.0f) * 3.0f);
            return Colour{0.9f, 1.0f, 1.0f, band * band * (0.15f + 0.15f * ripple)};
        });
    if (floorHeight > 0)
    {
        // Two layers of floor: a hazy far ridge and a darker near one with plant tufts.
        Colour far = Mix(floorColour, bottom, 0.55f);
        canvas.Fill(
            [&](float x, float y)
            {
                float ridge = h * (1.0f - floorHeight * 1.25f) +
                              (Fbm(x / 160.0f, 3.0f, seed + 11, 4) - 0.5f) * h * 0.12f;
                return ridge - y;
            },
            far, 2.0f);
        const std::string props = o.Text("props", "");
        if (!props.empty())
        {
            Random propRng(seed * 17u + 3u);
            DrawProps(props, canvas, Mix(floorColour, bottom, 0.4f),
                      ColourOption(o, "glow", Colour{1.0f, 0.45f, 0.15f, 1}), h * (1.0f - floorHeight * 1.1f),
                      propRng);
        }
        canvas.Fill(
            [&](float x, float y)
            {
                float ridge =
                    h * (1.0f - floorHeight) + (Fbm(x / 110.0f, 9.0f, seed + 23, 5) - 0.5f) * h * 0.1f;
                return ridge - y;
            },
            [&](float, float y)
            { return Mix(floorColour, Scale(floorColour, 0.6f), Clamp01((y / h - 0.8f) * 4)); },
            1.5f);
        int tufts = o.Integer("plants", 9);
        for (int i = 0; i < tufts; ++i)
        {
            float px = rng.Range(0, 1) * w, ph = rng.Range(0.08f, 0.22f) * h;
            float base =
                h * (1.0f - floorHeight) + (Fbm(px / 110.0f, 9.0f, seed + 23, 5) - 0.5f) * h * 0.1f + 6;
            int blades = 3 + static_cast<int>(rng.Range(0, 3));
            for (int b = 0; b < blades; ++b)
            {
                float lean = rng.Range(-0.5f, 0.5f), bw = rng.Range(3.0f, 6.0f),
                      bh = ph * rng.Range(0.6f, 1.0f);
                float off = rng.Range(-10.0f, 10.0f);
                canvas.Fill(
                    [=](float x, float y)
                    {
                        float t = Clamp01((base - y) / bh);
                        float centre = px + off + lean * (base - y) + std::sin(t * 3.0f + b) * 6.0f * t;
                        float d = std::fabs(x - centre) - bw * (1.0f - t * 0.85f);
                        return std::max(d, std::max(y - base, (base - bh) - y));
                    },
                    Scale(floorColour, 0.75f));
            }
        }
    }
    for (int i = 0; i < specks; ++i)
    {
        float px = rng.Range(0, w), py = rng.Range(0, h), r = rng.Range(0.6f, 2.0f),
              a = rng.Range(0.1f, 0.45f);
        canvas.Fill([=](float x, float y) { return sdf::Circle(x, y, px, py, r); },
                    Colour{0.85f, 0.97f, 1.0f, a}, 1.5f);
    }
}

// Caustic light pattern as a frame sheet: frames left to right, then top to bottom, looping.
bool DrawCaustics(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const int fw = o.Integer("framewidth", 128), fh = o.Integer("frameheight", 64);
    const int frames = o.Integer("frames", 16);
    // fade=1: each frame dims towards its bottom edge (the water surface seen from below).
    const bool fade = o.Integer("fade", 0) != 0;
    const int cols = canvas.Width() / std::max(1, fw);
    if (fw <= 0 || fh <= 0 || cols * (canvas.Height() / fh) < frames)
    {
        error = "the sheet does not hold the frames";
        return false;
    }
    canvas.Shade(
        [&](float x, float y)
        {
            int col = static_cast<int>(x) / fw, row = static_cast<int>(y) / fh;
            int frame = row * cols + col;
            if (frame >= frames)
                return Colour{0, 0, 0, 1};
            float phase = 2 * kPi * frame / frames;
            float u = (x - col * fw) / fw * 2 * kPi, v = (y - row * fh) / fh * 2 * kPi;
            // Sum of periodic waves: tiles seamlessly in space and loops in time.
            float sum = 0;
            sum += std::sin(u * 2 + std::sin(v + phase) * 1.5f + phase);
            sum += std::sin(v * 2 + std::sin(u * 2 - phase) * 1.2f - phase);
            sum += std::sin((u + v) * 1 + std::cos(u - v + phase) * 1.3f + 2 * phase);
            float lines = std::pow(1.0f - std::fabs(std::sin(sum * 1.2f)), 6.0f);
            float glow = 0.08f + 0.92f * lines;
            if (fade)
            {
                // Dark at both edges of the frame, so that filtering never bleeds the next
                // frame's bright edge into this one.
                const float v = (y - row * fh) / fh;
                glow *= std::pow(Clamp01(1.0f - v / 0.9f), 1.6f) * Clamp01(v / 0.08f);
            }
            return Colour{0.55f * glow, 0.85f * glow, 0.95f * glow, 1};
        });
    return true;
}

// Soft vertical light shafts on black, drawn additively by the game.
void DrawBeams(const ToolOptions& o, Canvas& canvas)
{
    const float w = canvas.Width(), h = canvas.Height();
    Random rng(static_cast<unsigned>(o.Integer("seed", 5)));
    canvas.Clear(Colour{0, 0, 0, 1});
    int count = o.Integer("count", 5);
    // fadein=f: the shafts brighten over the first f of the height instead of starting at full.
    const float fadeIn = static_cast<float>(o.Number("fadein", 0.0));
    for (int i = 0; i < count; ++i)
    {
        float x0 = rng.Range(0.1f, 0.9f) * w, width = rng.Range(0.05f, 0.14f) * w,
              strength = rng.Range(0.35f, 0.7f);
        canvas.AddLight(
            [=](float x, float y)
            {
                float d = std::fabs(x - x0 - (y / h - 0.5f) * w * 0.1f) / (width * (0.6f + 0.6f * y / h));
                float fall = std::pow(Clamp01(1.0f - y / h), 1.3f);
                if (fadeIn > 0.0f)
                    fall *= Clamp01(y / (h * fadeIn));
                return Colour{0.75f, 0.92f, 1.0f, std::pow(Clamp01(1.0f - d), 2.0f) * strength * fall};
            });
    }
}


// Mid-distance scenery for the theme backgrounds, in the hazy colour of that depth.
void DrawProps(const std::string& props, Canvas& canvas, const Colour& colour, const Colour& glow,
               float groundY, Random& rng)
{
    const float w = canvas.Width(), h = canvas.Height();
    if (props == "columns")
    {
        for (int i = 0; i < 4; ++i)
        {
            float x0 = w * (0.12f + 0.25f * i) + rng.Range(-30, 30), height = h * rng.Range(0.18f, 0.42f),
                  cw = rng.Range(18, 28);
            float tilt = rng.Range(-0.06f, 0.06f);
            canvas.Fill(
                [=](float x, float y)
                {
                    float lx = x - x0 - (groundY - y) * tilt;
                    float shaft =
                        std::max(std::fabs(lx) - cw, std::max(y - groundY - 10, groundY - height - y));
                    float capital = sdf::RoundBox(lx, y, 0, groundY - height, cw * 1.5f, 8, 2);
                    float broken = (groundY - height - 8) + std::sin(lx * 0.4f) * 6 - y;
                    return std::max(std::min(shaft, capital), i % 2 ? broken : -1e9f);
                },
                colour);
        }
    }
    else if (props == "wreck")
    {
        float x0 = w * rng.Range(0.35f, 0.55f);
        canvas.Fill(
            [=](float x, float y)
            {
                float lx = x - x0, ly = y - groundY + 20;
                float c = std::cos(0.12f), sn = std::sin(0.12f);
                float rx = c * lx + sn * ly, ry = -sn * lx + c * ly;
                float hull = std::max(sdf::Ellipse(rx, ry, 0, 0, w * 0.26f, h * 0.12f), ry - h * 0.02f);
                float mast = sdf::RoundBox(rx, ry, -w * 0.05f, -h * 0.2f, 4, h * 0.2f, 2);
                float spar = sdf::RoundBox(rx, ry, -w * 0.05f, -h * 0.3f, w * 0.08f, 3, 1.5f);
                return std::min(hull, std::min(mast, spar));
            },
            colour);
    }
    else if (props == "coral")
    {
        for (int i = 0; i < 7; ++i)
        {
            float x0 = rng.Range(0, w), size = rng.Range(30, 70);
            Colour tint = Mix(colour, FromHsv(rng.Range(0.9f, 1.05f), 0.6f, 0.8f), 0.35f);
            for (int b = 0; b < 6; ++b)
            {
                float a = -kPi / 2 + rng.Range(-0.9f, 0.9f), len = size * rng.Range(0.6f, 1.0f);
                float tx = x0 + std::cos(a) * len, ty = groundY + std::sin(a) * len;
                canvas.Fill(
                    [=](float x, float y)
                    {
                        return std::min(sdf::Capsule(x, y, x0, groundY, tx, ty, size * 0.07f),
                                        sdf::Circle(x, y, tx, ty, size * 0.12f));
                    },
                    tint);
            }
        }
    }
    else if (props == "vents")
    {
        for (int i = 0; i < 3; ++i)
        {
            float x0 = w * (0.2f + 0.3f * i) + rng.Range(-40, 40), height = h * rng.Range(0.12f, 0.22f),
                  base = rng.Range(60, 110);
            canvas.Fill(
                [=](float x, float y)
                {
                    return sdf::Polygon(x, y,
                                        {x0 - base, groundY + 10, x0 - 10, groundY - height, x0 + 10,
                                         groundY - height, x0 + base, groundY + 10});
                },
                colour);
            canvas.AddLight(
                [=](float x, float y)
                {
                    float d = std::hypot((x - x0) / 40.0f, (y - (groundY - height)) / 25.0f);
                    return WithAlpha(glow, Clamp01(1.0f - d) * 0.6f);
                });
        }
    }
    else if (props == "rocks")
    {
        for (int i = 0; i < 6; ++i)
        {
            float x0 = rng.Range(0, w), rx = rng.Range(40, 90), ry = rng.Range(25, 55);
            canvas.Fill(
                [=](float x, float y) {
                    return sdf::Ellipse(x, y, x0, groundY, rx, ry) +
                           (Noise(x / 14.0f, y / 14.0f, 5) - 0.5f) * 8;
                },
                colour);
        }
    }
}

} // namespace qvtool
