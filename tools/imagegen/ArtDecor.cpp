// The decoration's pictures. The whale is one silhouette cut into ten overlapping strips at its
// joints (x0= says where a strip starts in the 400 x 140 drawing); it is drawn pale, since the
// game tints it sea-green. The menu creatures are drawn in parts: each part's pivot is where the
// scene hangs it (the bottom centre for stalks and tentacles, the centre otherwise).
#include "tools/imagegen/ArtDecor.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{
namespace
{
float Smoothstep(float a, float b, float x)
{
    const float t = Clamp01((x - a) / (b - a));
    return t * t * (3.0f - 2.0f * t);
}

// A body lit from the top left: a dark rim in its own colour, a dome of light, a soft highlight
// and a touch of cool sea light from below.
void LitBody(Canvas& canvas, const Field& shape, const Colour& base, float cx, float cy, float size,
             float rim = 1.6f)
{
    canvas.Fill([&](float x, float y) { return shape(x, y) - rim; }, Scale(base, 0.35f));
    canvas.Fill(shape,
                [&](float x, float y)
                {
                    const float depth = Clamp01(-shape(x, y) / (size * 0.55f));
                    const float dome = std::sqrt(depth);
                    const float lx = (x - cx) / size, ly = (y - cy) / size;
                    const float light = 0.6f + 0.4f * dome - 0.22f * Clamp01(0.4f * lx + 0.7f * ly);
                    Colour c = Scale(base, light);
                    c = Mix(c, Colour{0.55f, 0.9f, 1.0f, 1.0f}, Clamp01(ly - 0.3f) * (1.0f - dome) * 0.17f);
                    c.a = base.a;
                    return c;
                });
    const float hx = cx - size * 0.35f, hy = cy - size * 0.4f;
    canvas.Fill([&](float x, float y) { return sdf::Ellipse(x, y, hx, hy, size * 0.28f, size * 0.16f); },
                [&](float x, float y)
                {
                    const float d = sdf::Ellipse(x, y, hx, hy, size * 0.28f, size * 0.16f);
                    return Colour{1.0f, 0.98f, 0.92f, 0.5f * Clamp01(-d / (size * 0.12f))};
                },
                2.0f);
}

// ---- whale: a 400 x 140 drawing, head at the left, tail's end at x = 400

float WhaleSpine(float x)
{
    return 70.0f - 5.0f * std::sin(x / 360.0f * kPi);
}

float WhaleHalf(float x)
{
    if (x < 0.0f)
        return -1.0f;
    if (x < 34.0f)
        return 44.0f * std::sqrt(x / 34.0f);
    if (x < 120.0f)
        return 44.0f + 7.0f * Smoothstep(34.0f, 120.0f, x);
    if (x < 350.0f)
        return 51.0f - 43.0f * Smoothstep(120.0f, 350.0f, x);
    return 8.0f - 2.0f * (x - 350.0f) / 10.0f;
}

float WhaleBody(float x, float y)
{
    if (x > 362.0f)
        return 1e3f;
    const float h = WhaleHalf(x);
    if (h <= 0.0f)
        return std::hypot(x, y - WhaleSpine(0.0f)) + 0.5f;
    const float c = WhaleSpine(x);
    // The belly is fuller than the back.
    const float half = y > c ? h * 1.06f : h * 0.92f;
    return std::fabs(y - c) - half;
}

float WhaleFluke(float x, float y)
{
    const std::vector<float> upper{340, 66, 366, 48, 392, 24, 404, 20, 394, 46, 384, 68, 340, 72};
    const std::vector<float> lower{340, 68, 384, 72, 394, 94, 404, 120, 392, 116, 366, 92, 340, 74};
    return sdf::Union(sdf::Polygon(x, y, upper), sdf::Polygon(x, y, lower));
}

float WhaleFins(float x, float y)
{
    // Pectoral fin sweeping back from under the chest; a small dorsal fin far back.
    const float pectoral = sdf::Capsule(x, y, 118.0f, 98.0f, 176.0f, 122.0f, 7.0f);
    const std::vector<float> dorsal{276, 58, 292, 40, 300, 40, 304, 62};
    return sdf::Union(pectoral, sdf::Polygon(x, y, dorsal));
}

float WhaleShape(float x, float y)
{
    return sdf::Smooth(sdf::Union(WhaleBody(x, y), WhaleFluke(x, y)), WhaleFins(x, y), 4.0f);
}

bool DrawWhale(const ToolOptions& o, Canvas& canvas)
{
    const float x0 = float(o.Number("x0", 0.0));
    const float y0 = float(o.Number("y0", 0.0));
    const Field shape = [=](float x, float y) { return WhaleShape(x + x0, y + y0); };
    canvas.Fill([&](float x, float y) { return shape(x, y) - 1.2f; }, Colour{0.42f, 0.46f, 0.5f, 1.0f});
    canvas.Fill(shape,
                [=](float px, float py)
                {
                    const float x = px + x0, y = py + y0;
                    const float c = WhaleSpine(std::min(x, 360.0f));
                    const float h = std::max(WhaleHalf(std::min(x, 350.0f)), 6.0f);
                    // Dark back, pale belly: the game's tint makes it a sea-green silhouette.
                    const float v = Clamp01((y - c) / h * 0.5f + 0.5f);
                    float light = 0.58f + 0.42f * Smoothstep(0.25f, 0.85f, v);
                    // Throat grooves under the jaw.
                    if (x > 16.0f && x < 130.0f && v > 0.72f)
                    {
                        const float groove = std::fabs(std::sin((y - c) * 0.9f + x * 0.02f));
                        light -= 0.1f * Smoothstep(0.85f, 1.0f, groove) * Smoothstep(0.72f, 0.8f, v);
                    }
                    // A soft top-light along the back.
                    light += 0.12f * Clamp01(1.0f - std::fabs(v - 0.22f) * 6.0f);
                    return Colour{light * 0.96f, light * 0.99f, light, 1.0f};
                });
    // Mouth line and eye.
    canvas.Fill([=](float x, float y)
                { return sdf::Capsule(x + x0, y + y0, 6.0f, 80.0f, 70.0f, 90.0f, 1.2f); },
                Colour{0.38f, 0.42f, 0.46f, 1.0f});
    canvas.Fill([=](float x, float y) { return sdf::Circle(x + x0, y + y0, 58.0f, 76.0f, 3.4f); },
                Colour{0.16f, 0.2f, 0.24f, 1.0f});
    canvas.Fill([=](float x, float y) { return sdf::Circle(x + x0, y + y0, 57.0f, 75.0f, 1.1f); },
                Colour{0.95f, 0.97f, 1.0f, 0.9f});
    // fade=n: the strip's last n columns fade out over the next part, so the joint shows no cut;
    // the first and last columns stay clear, so filtering never wraps an edge round.
    const int fade = o.Integer("fade", 0);
    const int w = canvas.Width();
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < w; ++x)
        {
            float k = 1.0f;
            if (fade > 0 && x >= w - fade)
                k = Clamp01(float(w - 1 - x) / float(fade));
            if (x == 0 && x0 > 0.0f)
                k = 0.0f;
            if (k < 1.0f)
            {
                Colour c = canvas.Get(x, y);
                canvas.Set(x, y, Colour{c.r * k, c.g * k, c.b * k, c.a * k});
            }
        }
    return true;
}

// ---- tube creature ("towermone"): a ringed stalk and a crown of feathery tentacles

bool DrawTubeStalk(const ToolOptions& o, Canvas& canvas)
{
    const Colour base = ColourOption(o, "colour", Colour{0.85f, 0.42f, 0.36f, 1.0f});
    const float w = canvas.Width(), h = canvas.Height();
    const Field shape = [=](float x, float y)
    {
        const float t = y / h; // 0 top, 1 bottom
        const float half = w * (0.26f + 0.12f * t) + 1.5f * std::sin(y * 0.35f);
        return std::max(std::fabs(x - w * 0.5f) - half, std::max(2.0f - y, y - (h - 1.0f)));
    };
    LitBody(canvas, shape, base, w * 0.5f, h * 0.3f, w * 0.6f);
    // Rings of the tube.
    canvas.Fill([=](float x, float y)
                {
                    const float ring = std::fabs(std::fmod(y + 6.0f, 11.0f) - 5.5f) - 1.0f;
                    return std::max(shape(x, y) + 2.0f, ring);
                },
                WithAlpha(Scale(base, 0.55f), 0.55f));
    return true;
}

bool DrawTubeCrown(const ToolOptions& o, Canvas& canvas)
{
    const Colour base = ColourOption(o, "colour", Colour{1.0f, 0.62f, 0.3f, 1.0f});
    const Colour tip = ColourOption(o, "tip", Colour{1.0f, 0.93f, 0.55f, 1.0f});
    const float w = canvas.Width(), h = canvas.Height();
    const float cx = w * 0.5f, cy = h - 4.0f;
    const int n = 11;
    for (int i = 0; i < n; ++i)
    {
        const float a = kPi * (0.12f + 0.76f * float(i) / float(n - 1));
        const float len = h * (0.78f + 0.16f * std::sin(float(i) * 1.7f));
        const float ex = cx - std::cos(a) * len * 0.95f, ey = cy - std::sin(a) * len;
        const float mx = (cx + ex) * 0.5f - std::cos(a) * 4.0f, my = (cy + ey) * 0.5f;
        const Field arm = [=](float x, float y)
        {
            return sdf::Union(sdf::Capsule(x, y, cx, cy, mx, my, 3.2f), sdf::Capsule(x, y, mx, my, ex, ey, 2.6f));
        };
        canvas.Fill([&](float x, float y) { return arm(x, y) - 1.2f; }, Scale(base, 0.4f));
        canvas.Fill(arm,
                    [=](float x, float y)
                    {
                        const float t = Clamp01(std::hypot(x - cx, y - cy) / len);
                        return Mix(base, tip, Smoothstep(0.5f, 1.0f, t));
                    });
        // Feathery side barbs.
        for (int k = 1; k < 6; ++k)
        {
            const float t = float(k) / 6.0f;
            const float bx = cx + (ex - cx) * t, by = cy + (ey - cy) * t;
            const float nx = -(ey - cy) / len * 5.0f, ny = (ex - cx) / len * 5.0f;
            canvas.Fill([=](float x, float y)
                        {
                            return sdf::Union(sdf::Capsule(x, y, bx, by, bx + nx, by + ny - 2.0f, 0.8f),
                                              sdf::Capsule(x, y, bx, by, bx - nx, by - ny - 2.0f, 0.8f));
                        },
                        WithAlpha(Mix(base, tip, t), 0.85f));
        }
    }
    // The mouth ring the tentacles grow from.
    LitBody(canvas, [=](float x, float y) { return sdf::Ellipse(x, y, cx, cy - 2.0f, w * 0.16f, 5.0f); },
            Scale(base, 0.8f), cx, cy - 2.0f, w * 0.16f, 1.0f);
    return true;
}

// ---- anemone: a soft column and curling tentacles

bool DrawAnemoneBody(const ToolOptions& o, Canvas& canvas)
{
    const Colour base = ColourOption(o, "colour", Colour{0.62f, 0.3f, 0.62f, 1.0f});
    const float w = canvas.Width(), h = canvas.Height();
    const Field shape = [=](float x, float y)
    {
        const float t = y / h;
        const float half = w * (0.3f + 0.16f * t * t) + 2.0f * std::sin(y * 0.2f);
        return std::max(std::fabs(x - w * 0.5f) - half, std::max(h * 0.12f - y, y - (h - 2.0f)));
    };
    LitBody(canvas, shape, base, w * 0.45f, h * 0.4f, w * 0.5f);
    // Pale stripes down the column.
    canvas.Fill([=](float x, float y)
                { return std::max(shape(x, y) + 2.5f, std::fabs(std::fmod(x + 4.0f, 14.0f) - 7.0f) - 1.6f); },
                WithAlpha(Colour{1.0f, 0.85f, 0.95f, 1.0f}, 0.22f));
    // The rim of the disc at the top.
    LitBody(canvas, [=](float x, float y) { return sdf::Ellipse(x, y, w * 0.5f, h * 0.14f, w * 0.36f, h * 0.07f); },
            Scale(base, 1.15f), w * 0.5f, h * 0.14f, w * 0.36f, 1.2f);
    return true;
}

bool DrawAnemoneTentacle(const ToolOptions& o, Canvas& canvas)
{
    const Colour base = ColourOption(o, "colour", Colour{0.95f, 0.45f, 0.7f, 1.0f});
    const Colour tip = ColourOption(o, "tip", Colour{1.0f, 0.9f, 0.95f, 1.0f});
    const float w = canvas.Width(), h = canvas.Height();
    const float bend = float(o.Number("bend", 0.3));
    const Field shape = [=](float x, float y)
    {
        const float t = 1.0f - y / h; // 0 at the root (bottom), 1 at the tip
        const float cx = w * 0.5f + bend * w * 0.35f * t * t;
        const float half = w * 0.3f * (1.0f - 0.7f * t);
        return std::max(std::fabs(x - cx) - half, std::max(3.0f - y, y - h));
    };
    canvas.Fill([&](float x, float y) { return shape(x, y) - 1.2f; }, Scale(base, 0.4f));
    canvas.Fill(shape,
                [=](float x, float y)
                {
                    const float t = 1.0f - y / h;
                    const float cx = w * 0.5f + bend * w * 0.35f * t * t;
                    const float side = Clamp01(0.5f + (x - cx) / (w * 0.5f));
                    Colour c = Mix(base, tip, Smoothstep(0.45f, 1.0f, t));
                    return Scale(c, 1.05f - 0.3f * side);
                });
    canvas.Fill([=](float x, float y)
                {
                    const float cx = w * 0.5f + bend * w * 0.35f;
                    return sdf::Circle(x, y, cx, 5.0f, w * 0.13f);
                },
                tip);
    return true;
}

// ---- crab: body, claws, legs, eye stalks, eyeballs, pupils and lids

bool DrawCrabPart(const std::string& part, const ToolOptions& o, Canvas& canvas)
{
    const Colour red = ColourOption(o, "colour", Colour{0.85f, 0.23f, 0.16f, 1.0f});
    const float w = canvas.Width(), h = canvas.Height();
    if (part == "body")
    {
        const Field shape = [=](float x, float y)
        {
            const float shell = sdf::Ellipse(x, y, w * 0.5f, h * 0.52f, w * 0.46f, h * 0.4f);
            const float flat = y - h * 0.8f;
            return sdf::Smooth(std::max(shell, flat),
                               sdf::RoundBox(x, y, w * 0.5f, h * 0.78f, w * 0.38f, h * 0.08f, 6.0f), 6.0f);
        };
        LitBody(canvas, shape, red, w * 0.5f, h * 0.5f, w * 0.45f, 1.8f);
        // Speckles and a smile.
        Random rng(7);
        for (int i = 0; i < 14; ++i)
        {
            const float sx = rng.Range(0.2f, 0.8f) * w, sy = rng.Range(0.25f, 0.6f) * h, r = rng.Range(1.5f, 3.0f);
            canvas.Fill([=](float x, float y) { return std::max(sdf::Circle(x, y, sx, sy, r), shape(x, y) + 4.0f); },
                        WithAlpha(Colour{1.0f, 0.75f, 0.6f, 1.0f}, 0.5f));
        }
        canvas.Fill([=](float x, float y)
                    {
                        const float arc = std::fabs(sdf::Circle(x, y, w * 0.5f, h * 0.5f, w * 0.16f)) - 1.3f;
                        return std::max(arc, h * 0.62f - y);
                    },
                    Scale(red, 0.3f));
        return true;
    }
    if (part == "claw")
    {
        // An open pincer pointing up, its arm at the bottom.
        const Field shape = [=](float x, float y)
        {
            const float arm = sdf::Capsule(x, y, w * 0.5f, h - 6.0f, w * 0.5f, h * 0.58f, w * 0.14f);
            const float palm = sdf::Ellipse(x, y, w * 0.5f, h * 0.45f, w * 0.36f, h * 0.22f);
            const float gap = sdf::Polygon(x, y, {w * 0.5f, h * 0.4f, w * 0.62f, -2.0f, w * 0.9f, -2.0f});
            const float fingers = sdf::Subtract(sdf::Ellipse(x, y, w * 0.52f, h * 0.26f, w * 0.4f, h * 0.24f), gap);
            return sdf::Smooth(sdf::Union(arm, palm), fingers, 3.0f);
        };
        LitBody(canvas, shape, red, w * 0.45f, h * 0.4f, w * 0.4f, 1.6f);
        return true;
    }
    if (part == "legs")
    {
        // Four legs a side, bent down and out, drawn as one piece behind the body.
        for (int side = -1; side <= 1; side += 2)
            for (int i = 0; i < 4; ++i)
            {
                const float ax = w * 0.5f + side * w * (0.14f + 0.05f * i), ay = h * (0.25f + 0.1f * i);
                const float kx = w * 0.5f + side * w * (0.34f + 0.03f * i), ky = h * (0.12f + 0.12f * i);
                const float fx = w * 0.5f + side * w * (0.44f + 0.02f * i), fy = h * (0.7f + 0.08f * i);
                const Field leg = [=](float x, float y)
                { return sdf::Union(sdf::Capsule(x, y, ax, ay, kx, ky, 4.0f), sdf::Capsule(x, y, kx, ky, fx, fy, 3.0f)); };
                LitBody(canvas, leg, Scale(red, 0.85f), (ax + fx) * 0.5f, (ay + fy) * 0.5f, 14.0f, 1.4f);
            }
        return true;
    }
    if (part == "stalk")
    {
        const Field shape = [=](float x, float y) { return sdf::Capsule(x, y, w * 0.5f, h - 3.0f, w * 0.5f, 3.0f, w * 0.3f); };
        LitBody(canvas, shape, red, w * 0.4f, h * 0.4f, w * 0.5f, 1.2f);
        return true;
    }
    if (part == "eye")
    {
        const Field shape = [=](float x, float y) { return sdf::Circle(x, y, w * 0.5f, h * 0.5f, w * 0.46f); };
        LitBody(canvas, shape, Colour{1.0f, 0.97f, 0.9f, 1.0f}, w * 0.5f, h * 0.5f, w * 0.46f, 1.3f);
        return true;
    }
    if (part == "pupil")
    {
        canvas.Fill([=](float x, float y) { return sdf::Circle(x, y, w * 0.5f, h * 0.5f, w * 0.46f); },
                    Colour{0.04f, 0.08f, 0.16f, 1.0f});
        canvas.Fill([=](float x, float y) { return sdf::Circle(x, y, w * 0.36f, h * 0.34f, w * 0.14f); },
                    Colour{1.0f, 1.0f, 1.0f, 0.9f});
        return true;
    }
    if (part == "lid" || part == "lidclosed")
    {
        // The upper lid: a cap over the top of the eyeball, or the whole eyeball when closed.
        const bool closed = part == "lidclosed";
        const Field shape = [=](float x, float y)
        {
            const float ball = sdf::Circle(x, y, w * 0.5f, h * 0.5f, w * 0.48f);
            return closed ? ball : std::max(ball, y - h * 0.3f);
        };
        LitBody(canvas, shape, Scale(red, 1.05f), w * 0.5f, h * 0.3f, w * 0.45f, 1.2f);
        if (closed)
            canvas.Fill([=](float x, float y)
                        { return std::max(std::fabs(y - h * 0.55f) - 1.2f, std::fabs(x - w * 0.5f) - w * 0.34f); },
                        Scale(red, 0.3f));
        return true;
    }
    return false;
}
} // namespace

bool DrawDecorArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error,
                  bool& handled)
{
    handled = true;
    if (generator == "whale")
        return DrawWhale(options, canvas);
    if (generator == "tubestalk")
        return DrawTubeStalk(options, canvas);
    if (generator == "tubecrown")
        return DrawTubeCrown(options, canvas);
    if (generator == "anemonebody")
        return DrawAnemoneBody(options, canvas);
    if (generator == "anemonetentacle")
        return DrawAnemoneTentacle(options, canvas);
    if (generator == "crab")
    {
        const std::string part = options.Text("part", "body");
        // mirror=1: the part as seen from the other side (the right claw).
        const bool mirror = options.Integer("mirror", 0) != 0;
        if (DrawCrabPart(part, options, canvas))
        {
            if (mirror)
                for (int y = 0; y < canvas.Height(); ++y)
                    for (int x = 0; x < canvas.Width() / 2; ++x)
                    {
                        const Colour a = canvas.Get(x, y), b = canvas.Get(canvas.Width() - 1 - x, y);
                        canvas.Set(x, y, b);
                        canvas.Set(canvas.Width() - 1 - x, y, a);
                    }
            return true;
        }
        error = "unknown crab part '" + part + "'";
        return false;
    }
    handled = false;
    return false;
}

} // namespace qvtool
