#include "tools/imagegen/Art.h"

#include "tools/imagegen/ArtBoard.h"
#include "tools/imagegen/Title.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace qvtool
{

namespace
{

const float kPi = 3.14159265358979f;

float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

using Field = std::function<float(float, float)>;

void DrawProps(const std::string& props, Canvas& canvas, const Colour& colour, const Colour& glow,
               float groundY, Random& rng);

Colour ColourOption(const ToolOptions& options, const std::string& key, const Colour& fallback)
{
    float c[4];
    if (!options.Colour(key, c))
        return fallback;
    return {c[0], c[1], c[2], c[3]};
}

// A glossy, softly lit body: dark rim, dome shading lit from the top left, specular spot.
// size is the body's rough radius in pixels (for the shading falloff).
void GlossyBody(Canvas& canvas, const Field& shape, const Colour& base, float cx, float cy, float size,
                float rim = 1.6f)
{
    Colour outline = Scale(base, 0.35f);
    canvas.Fill([&](float x, float y) { return shape(x, y) - rim; }, outline);
    canvas.Fill(shape,
                [&](float x, float y)
                {
                    float depth = Clamp01(-shape(x, y) / (size * 0.55f));
                    float dome = std::sqrt(depth);
                    float lx = (x - cx) / size, ly = (y - cy) / size;
                    float light = 0.62f + 0.38f * dome - 0.22f * Clamp01(0.4f * lx + 0.7f * ly);
                    Colour c = Scale(base, light);
                    // A touch of reflected sea light at the bottom edge.
                    float bounce = Clamp01(ly - 0.3f) * (1.0f - dome) * 0.5f;
                    c = Mix(c, Colour{0.55f, 0.9f, 1.0f, 1.0f}, bounce * 0.35f);
                    c.a = base.a;
                    return c;
                });
    // Specular highlight: a soft ellipse toward the top left.
    float hx = cx - size * 0.35f, hy = cy - size * 0.45f;
    canvas.Fill(
        [&](float x, float y) {
            return std::max(shape(x, y) + size * 0.12f,
                            sdf::Ellipse(x, y, hx, hy, size * 0.38f, size * 0.22f));
        },
        [&](float x, float y)
        {
            float t = Clamp01(1.0f - std::hypot((x - hx) / (size * 0.38f), (y - hy) / (size * 0.22f)));
            return Colour{1, 1, 1, 0.55f * t};
        },
        2.0f);
}

// Cartoon eyes: white, pupils looking in a direction; closed in a blink; happy arcs when good.
void Eyes(Canvas& canvas, float cx, float cy, float spacing, float r, const std::string& look,
          const std::string& mood)
{
    float dx = 0, dy = 0;
    if (look == "up")
        dy = -1;
    else if (look == "down")
        dy = 1;
    else if (look == "left")
        dx = -1;
    else if (look == "right")
        dx = 1;
    for (int side = -1; side <= 1; side += 2)
    {
        float ex = cx + side * spacing, ey = cy;
        if (mood == "blink")
        {
            canvas.Fill([&](float x, float y)
                        { return sdf::Capsule(x, y, ex - r, ey, ex + r, ey, r * 0.22f); },
                        Colour{0.08f, 0.06f, 0.1f, 1});
            continue;
        }
        if (mood == "good")
        {
            // Smiling eyes: upper arcs.
            canvas.Fill(
                [&](float x, float y)
                {
                    float ring = std::fabs(sdf::Circle(x, y, ex, ey + r * 0.35f, r * 0.8f)) - r * 0.22f;
                    return std::max(ring, y - (ey + r * 0.2f));
                },
                Colour{0.08f, 0.06f, 0.1f, 1});
            continue;
        }
        canvas.Fill([&](float x, float y) { return sdf::Ellipse(x, y, ex, ey, r * 1.12f, r * 1.2f); },
                    Colour{0.1f, 0.08f, 0.12f, 1});
        canvas.Fill([&](float x, float y) { return sdf::Ellipse(x, y, ex, ey, r, r * 1.08f); },
                    Colour{1, 1, 1, 1});
        float px = ex + dx * r * 0.42f, py = ey + dy * r * 0.42f + (mood == "bad" ? r * 0.2f : 0.0f);
        canvas.Fill([&](float x, float y) { return sdf::Circle(x, y, px, py, r * 0.55f); },
                    Colour{0.07f, 0.05f, 0.12f, 1});
        canvas.Fill([&](float x, float y)
                    { return sdf::Circle(x, y, px - r * 0.2f, py - r * 0.22f, r * 0.18f); },
                    Colour{1, 1, 1, 0.95f});
        if (mood == "bad")
        {
            // Worried brows slanting up toward the middle.
            float inner = ex - side * r * 0.9f, outer = ex + side * r * 0.9f;
            canvas.Fill(
                [&](float x, float y)
                { return sdf::Capsule(x, y, outer, ey - r * 1.35f, inner, ey - r * 1.75f, r * 0.18f); },
                Colour{0.1f, 0.06f, 0.1f, 1});
        }
    }
}

void Mouth(Canvas& canvas, float cx, float cy, float w, const std::string& mood)
{
    Colour ink{0.12f, 0.05f, 0.08f, 1};
    if (mood == "good")
    {
        canvas.Fill([&](float x, float y)
                    { return std::max(sdf::Circle(x, y, cx, cy - w * 0.3f, w * 0.75f), cy - w * 0.15f - y); },
                    Colour{0.45f, 0.08f, 0.12f, 1});
        return;
    }
    if (mood == "bad")
    {
        canvas.Fill(
            [&](float x, float y)
            {
                float ring = std::fabs(sdf::Circle(x, y, cx, cy + w * 0.75f, w * 0.6f)) - w * 0.09f;
                return std::max(ring, y - (cy + w * 0.45f));
            },
            ink);
        return;
    }
    canvas.Fill(
        [&](float x, float y)
        {
            float ring = std::fabs(sdf::Circle(x, y, cx, cy - w * 0.45f, w * 0.55f)) - w * 0.08f;
            return std::max(ring, (cy - w * 0.2f) - y);
        },
        ink);
}

// The nine sea creatures of the board. Every token shares one size and eye layout so the
// board reads evenly; the silhouettes and colours tell the kinds apart.
bool DrawCreature(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string kind = o.Text("kind", "fish");
    const std::string look = o.Text("look", "none");
    const std::string mood = o.Text("mood", "normal");
    const Colour base = ColourOption(o, "colour", Colour{0.9f, 0.3f, 0.2f, 1});
    const Colour accent = ColourOption(o, "accent", Scale(base, 1.3f));
    const float s =
        std::min(canvas.Width(), canvas.Height()) / 64.0f * static_cast<float>(o.Number("scale", 1.0));
    const float cx = canvas.Width() * 0.5f, cy = canvas.Height() * 0.52f;
    float eyeY = cy - 4 * s, eyeSpacing = 8 * s, eyeR = 5.2f * s, mouthY = cy + 8 * s;

    Canvas body(canvas.Width(), canvas.Height());
    Field shape;
    if (kind == "blowfish")
    {
        // Spikes first (behind the body), then the round body.
        for (int i = 0; i < 14; ++i)
        {
            float a = 2 * kPi * i / 14 + 0.1f;
            float bx = cx + std::cos(a) * 20 * s, by = cy + std::sin(a) * 20 * s;
            float tx = cx + std::cos(a) * 28 * s, ty = cy + std::sin(a) * 28 * s;
            float nx = -std::sin(a) * 3.2f * s, ny = std::cos(a) * 3.2f * s;
            std::vector<float> tri = {bx + nx, by + ny, tx, ty, bx - nx, by - ny};
            body.Fill([&](float x, float y) { return sdf::Polygon(x, y, tri); }, Scale(accent, 0.9f));
        }
        shape = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, 22 * s); };
        GlossyBody(body, shape, base, cx, cy, 22 * s);
        // Pale belly.
        body.Fill(
            [&](float x, float y)
            { return std::max(shape(x, y) + 2 * s, sdf::Ellipse(x, y, cx, cy + 14 * s, 16 * s, 10 * s)); },
            WithAlpha(Mix(base, Colour{1, 0.95f, 0.8f, 1}, 0.6f), 0.85f), 2.0f);
        eyeSpacing = 8.5f * s;
    }
    else if (kind == "crab")
    {
        Colour leg = Scale(base, 0.75f);
        for (int side = -1; side <= 1; side += 2)
            for (int i = 0; i < 3; ++i)
            {
                float ay = cy + (2 + i * 5) * s;
                body.Fill(
                    [&](float x, float y) {
                        return sdf::Capsule(x, y, cx + side * 14 * s, ay, cx + side * 28 * s, ay + 6 * s,
                                            2.2f * s);
                    },
                    leg);
            }
        // Claws up top.
        for (int side = -1; side <= 1; side += 2)
        {
            float kx = cx + side * 19 * s, ky = cy - 17 * s;
            Field claw = [=](float x, float y)
            {
                float c = sdf::Circle(x, y, kx, ky, 8 * s);
                float notch = sdf::Polygon(
                    x, y, {kx, ky, kx + side * 2 * s, ky - 12 * s, kx + side * 10 * s, ky - 6 * s});
                return sdf::Subtract(c, notch);
            };
            body.Fill(
                [&](float x, float y)
                { return sdf::Capsule(x, y, cx + side * 10 * s, cy - 4 * s, kx, ky + 4 * s, 2.6f * s); },
                Scale(base, 0.8f));
            GlossyBody(body, claw, accent, kx, ky, 8 * s, 1.2f);
        }
        shape = [=](float x, float y) { return sdf::Ellipse(x, y, cx, cy + 3 * s, 21 * s, 15 * s); };
        GlossyBody(body, shape, base, cx, cy + 3 * s, 18 * s);
        eyeY = cy - 1 * s;
        mouthY = cy + 10 * s;
    }
    else if (kind == "orangefish" || kind == "fish")
    {
        bool striped = kind == "orangefish";
        float bx = cx + 3 * s;
        std::vector<float> tail = {bx - 16 * s, cy, bx - 29 * s, cy - 13 * s,
                                   bx - 26 * s, cy, bx - 29 * s, cy + 13 * s};
        body.Fill([&](float x, float y) { return sdf::Polygon(x, y, tail) - 1.5f * s; }, Scale(base, 0.35f));
        body.Fill([&](float x, float y) { return sdf::Polygon(x, y, tail); }, accent);
        // The plain fish is a tall angelfish with long sail fins above and below, so that it
        // never shares the clownfish's outline: the two differ in shape, not only in colour.
        std::vector<std::vector<float>> fins;
        if (striped)
            fins.push_back({bx - 6 * s, cy - 14 * s, bx + 2 * s, cy - 25 * s, bx + 10 * s, cy - 15 * s});
        else
        {
            fins.push_back({bx - 12 * s, cy - 10 * s, bx - 14 * s, cy - 30 * s, bx + 6 * s, cy - 16 * s});
            fins.push_back({bx - 12 * s, cy + 10 * s, bx - 14 * s, cy + 30 * s, bx + 6 * s, cy + 16 * s});
        }
        for (const std::vector<float>& fin : fins)
        {
            body.Fill([&](float x, float y) { return sdf::Polygon(x, y, fin) - 1.2f * s; },
                      Scale(base, 0.35f));
            body.Fill([&](float x, float y) { return sdf::Polygon(x, y, fin); }, accent);
        }
        const float rx = striped ? 22 * s : 18 * s, ry = striped ? 17 * s : 19 * s;
        shape = [=](float x, float y) { return sdf::Ellipse(x, y, bx, cy, rx, ry); };
        GlossyBody(body, shape, base, bx, cy, 20 * s);
        if (striped)
            for (int i = 0; i < 2; ++i)
            {
                float sx = i == 0 ? bx - 10 * s : bx + 16 * s;
                body.Fill(
                    [&](float x, float y) {
                        return std::max(shape(x, y) + 1.0f * s,
                                        std::fabs(x - sx - (y - cy) * 0.15f) - 2.6f * s);
                    },
                    Colour{1, 1, 1, 0.92f});
            }
        else
            for (int i = 0; i < 5; ++i)
            {
                float sx = bx - 15 * s + i * 3.5f * s, sy = cy + 6 * s + (i % 2) * 3 * s;
                body.Fill([&](float x, float y) { return sdf::Circle(x, y, sx, sy, 1.5f * s); },
                          Colour{1, 1, 1, 0.5f});
            }
        eyeY = cy - 4 * s;
        eyeSpacing = 6.5f * s;
        eyeR = 4.8f * s;
        mouthY = cy + 7 * s;
        Canvas face(canvas.Width(), canvas.Height());
        Eyes(face, bx + 6 * s, eyeY, eyeSpacing, eyeR, look, mood);
        Mouth(face, bx + 8 * s, mouthY, 6 * s, mood);
        body.Composite(face);
        canvas.DropShadow(body, 0, static_cast<int>(2 * s), static_cast<int>(2 * s),
                          Colour{0, 0.05f, 0.15f, 0.45f});
        canvas.Composite(body);
        return true;
    }
    else if (kind == "octopus")
    {
        for (int i = 0; i < 5; ++i)
        {
            float tx = cx + (i - 2) * 8.5f * s;
            float phase = i * 1.3f;
            Field tentacle = [=](float x, float y)
            {
                float sway = std::sin((y - cy) / (5 * s) + phase) * 2.5f * s;
                float width = 3.8f * s * (1.0f - Clamp01((y - cy) / (30 * s)) * 0.55f);
                float d = std::fabs(x - tx - sway) - width;
                return std::max(d, std::max(cy - y, y - (cy + 27 * s)));
            };
            GlossyBody(body, tentacle, Scale(base, 0.9f), tx, cy + 14 * s, 6 * s, 1.2f);
        }
        shape = [=](float x, float y)
        {
            return sdf::Smooth(sdf::Ellipse(x, y, cx, cy - 4 * s, 20 * s, 19 * s),
                               sdf::Ellipse(x, y, cx, cy + 9 * s, 19 * s, 7 * s), 4 * s);
        };
        GlossyBody(body, shape, base, cx, cy - 3 * s, 20 * s);
        for (int i = 0; i < 4; ++i)
        {
            float sx = cx + (i - 1.5f) * 9 * s, sy = cy - 15 * s + (i % 2) * 4 * s;
            body.Fill([&](float x, float y) { return sdf::Circle(x, y, sx, sy, 1.8f * s); },
                      WithAlpha(accent, 0.8f));
        }
        eyeY = cy - 1 * s;
        mouthY = cy + 10 * s;
    }
    else if (kind == "jellyfish")
    {
        for (int i = 0; i < 6; ++i)
        {
            float tx = cx + (i - 2.5f) * 6 * s;
            float phase = i * 0.9f;
            body.Fill(
                [&](float x, float y)
                {
                    float sway = std::sin((y - cy) / (4 * s) + phase) * 2 * s;
                    float d = std::fabs(x - tx - sway) - 1.4f * s;
                    return std::max(d, std::max(cy + 2 * s - y, y - (cy + 28 * s - (i % 2) * 4 * s)));
                },
                WithAlpha(accent, 0.85f));
        }
        shape = [=](float x, float y)
        {
            float dome = sdf::Ellipse(x, y, cx, cy + 2 * s, 24 * s, 24 * s);
            float skirt = y - (cy + 8 * s + std::sin(x / (3 * s)) * 1.5f * s);
            return std::max(dome, skirt);
        };
        Colour glassy = base;
        glassy.a = 0.92f;
        GlossyBody(body, shape, glassy, cx, cy - 4 * s, 20 * s);
        body.Fill(
            [&](float x, float y)
            { return std::max(shape(x, y) + 4 * s, sdf::Ellipse(x, y, cx, cy - 8 * s, 12 * s, 8 * s)); },
            Colour{1, 1, 1, 0.18f}, 3.0f);
        eyeY = cy - 4 * s;
        mouthY = cy + 4 * s;
        eyeR = 4.6f * s;
    }
    else if (kind == "turtle")
    {
        Colour skin = ColourOption(o, "skin", Colour{0.55f, 0.8f, 0.45f, 1});
        for (int sx = -1; sx <= 1; sx += 2)
            for (int sy = -1; sy <= 1; sy += 2)
            {
                float fx = cx + sx * 18 * s, fy = cy + sy * 12 * s + 6 * s;
                GlossyBody(
                    body, [=](float x, float y) { return sdf::Ellipse(x, y, fx, fy, 7 * s, 5 * s); }, skin,
                    fx, fy, 6 * s, 1.2f);
            }
        Field head = [=](float x, float y) { return sdf::Circle(x, y, cx, cy - 14 * s, 11 * s); };
        shape = [=](float x, float y) { return sdf::Ellipse(x, y, cx, cy + 8 * s, 21 * s, 15 * s); };
        GlossyBody(body, shape, base, cx, cy + 8 * s, 19 * s);
        // Shell plates.
        body.Fill(
            [&](float x, float y)
            {
                float hx = (x - cx) / (9 * s), hy = (y - cy - 8 * s) / (8 * s);
                float fx = hx - std::round(hx),
                      fy = hy - std::round(hy + 0.5f * std::fmod(std::fabs(std::round(hx)), 2.0f));
                float edge = 0.5f - std::max(std::fabs(fx), std::fabs(fy));
                return std::max(shape(x, y) + 2 * s, edge * 8 * s - 1.0f * s);
            },
            WithAlpha(Scale(base, 0.55f), 0.7f));
        GlossyBody(body, head, skin, cx, cy - 14 * s, 11 * s);
        eyeY = cy - 16 * s;
        eyeSpacing = 5 * s;
        eyeR = 3.8f * s;
        mouthY = cy - 9 * s;
        Canvas face(canvas.Width(), canvas.Height());
        Eyes(face, cx, eyeY, eyeSpacing, eyeR, look, mood);
        Mouth(face, cx, mouthY, 4.5f * s, mood);
        body.Composite(face);
        canvas.DropShadow(body, 0, static_cast<int>(2 * s), static_cast<int>(2 * s),
                          Colour{0, 0.05f, 0.15f, 0.45f});
        canvas.Composite(body);
        return true;
    }
    else if (kind == "starfish")
    {
        shape = [=](float x, float y)
        { return sdf::Star(x, y, cx, cy + 2 * s, 5, 29 * s, 13 * s, -kPi / 2) + 0.0f; };
        Field rounded = [=](float x, float y)
        { return sdf::Star(x, y, cx, cy + 2 * s, 5, 25 * s, 10 * s, -kPi / 2) - 3.5f * s; };
        GlossyBody(body, rounded, base, cx, cy, 22 * s);
        Random rng(HashText(kind));
        for (int i = 0; i < 14; ++i)
        {
            float a = rng.Range(0, 2 * kPi), r = rng.Range(12, 22) * s;
            float dx = cx + std::cos(a) * r, dy = cy + 2 * s + std::sin(a) * r;
            body.Fill([&](float x, float y)
                      { return std::max(rounded(x, y) + 2 * s, sdf::Circle(x, y, dx, dy, 1.4f * s)); },
                      WithAlpha(accent, 0.9f));
        }
        eyeY = cy - 1 * s;
        eyeSpacing = 6.5f * s;
        eyeR = 4.5f * s;
        mouthY = cy + 8 * s;
    }
    else if (kind == "seahorse")
    {
        // Body as a chain of circles along an S curve, then the head and snout.
        Field chain = [=](float x, float y)
        {
            float d = 1e9f;
            for (int i = 0; i <= 16; ++i)
            {
                float t = i / 16.0f;
                float px = cx + std::sin(t * 4.2f + 0.6f) * 8 * s - 2 * s;
                float py = cy - 6 * s + t * 32 * s;
                float r = (11 - 8.5f * t) * s;
                d = std::min(d, sdf::Circle(x, y, px, py, r));
            }
            return d;
        };
        Field head = [=](float x, float y)
        {
            return sdf::Smooth(sdf::Circle(x, y, cx + 1 * s, cy - 14 * s, 11 * s),
                               sdf::Capsule(x, y, cx + 6 * s, cy - 12 * s, cx + 19 * s, cy - 9 * s, 3.5f * s),
                               3 * s);
        };
        shape = [=](float x, float y) { return sdf::Smooth(chain(x, y), head(x, y), 3 * s); };
        // Crest spikes.
        for (int i = 0; i < 4; ++i)
        {
            float by = cy - 20 * s + i * 8 * s;
            float bx = cx - 9 * s - (i == 0 ? 0 : 4 * s);
            std::vector<float> tri = {bx + 4 * s, by - 3 * s, bx - 5 * s, by, bx + 4 * s, by + 3 * s};
            body.Fill([&](float x, float y) { return sdf::Polygon(x, y, tri); }, accent);
        }
        GlossyBody(body, shape, base, cx, cy - 4 * s, 18 * s);
        eyeY = cy - 15 * s;
        // A single large eye in profile (both eyes of the pair drawn on the same spot).
        Eyes(body, cx + 3 * s, eyeY, 0.0f, 4.8f * s, look, mood);
        Mouth(body, cx + 17 * s, cy - 5 * s, 3 * s, mood);
        canvas.DropShadow(body, 0, static_cast<int>(2 * s), static_cast<int>(2 * s),
                          Colour{0, 0.05f, 0.15f, 0.45f});
        canvas.Composite(body);
        return true;
    }
    else
    {
        error = "unknown creature kind '" + kind + "'";
        return false;
    }

    Canvas face(canvas.Width(), canvas.Height());
    Eyes(face, cx, eyeY, eyeSpacing, eyeR, look, mood);
    Mouth(face, cx, mouthY, 6 * s, mood);
    body.Composite(face);
    canvas.DropShadow(body, 0, static_cast<int>(2 * s), static_cast<int>(2 * s),
                      Colour{0, 0.05f, 0.15f, 0.45f});
    canvas.Composite(body);
    return true;
}

// Treasure tokens: coins, gems and bars; "bad" treasure is a rusty, barnacled coin.
bool DrawTreasure(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string kind = o.Text("kind", "coin");
    const Colour metal = ColourOption(o, "colour", Colour{1.0f, 0.8f, 0.25f, 1});
    const float s =
        std::min(canvas.Width(), canvas.Height()) / 64.0f * static_cast<float>(o.Number("scale", 1.0));
    const float cx = canvas.Width() * 0.5f, cy = canvas.Height() * 0.5f;
    Canvas layer(canvas.Width(), canvas.Height());
    // Each metal has its own stamp, so pieces of different metals differ in shape and not
    // only in colour: "star" (gold), "hole" (copper: a square hole punched through coins),
    // "moon" (silver, whose coins also have a scalloped edge).
    const std::string mark = o.Text("mark", "star");
    if (mark != "star" && mark != "hole" && mark != "moon")
    {
        error = "unknown treasure mark '" + mark + "'";
        return false;
    }
    // The stamp as a distance field, centred on (mx, my), radius r, squashed vertically by k.
    auto stamp = [&](float mx, float my, float r, float k) -> Field
    {
        if (mark == "hole")
            return [=](float x, float y)
            { return sdf::RoundBox(x, (y - my) / k + my, mx, my, r * 0.5f, r * 0.5f, r * 0.1f); };
        if (mark == "moon")
            return [=](float x, float y)
            {
                const float yy = (y - my) / k + my;
                return sdf::Subtract(sdf::Circle(x, yy, mx, my, r * 0.8f),
                                     sdf::Circle(x, yy, mx + r * 0.42f, my - r * 0.22f, r * 0.68f));
            };
        return [=](float x, float y)
        { return sdf::Star(x, (y - my) / k + my, mx, my, 5, r, r * 0.44f, -kPi / 2); };
    };
    if (kind == "coin" || kind == "bad")
    {
        const bool scallop = kind == "coin" && mark == "moon";
        Field outer = [=](float x, float y)
        {
            float d = sdf::Circle(x, y, cx, cy, 24 * s);
            if (scallop)
                d += 1.6f * s * (0.5f + 0.5f * std::cos(14.0f * std::atan2(y - cy, x - cx)));
            return d;
        };
        if (kind == "coin" && mark == "hole")
        {
            Field round = outer;
            Field hole = stamp(cx, cy, 11 * s, 1.0f);
            outer = [=](float x, float y) { return sdf::Subtract(round(x, y), hole(x, y)); };
        }
        GlossyBody(layer, outer, metal, cx, cy, 24 * s);
        Field inner = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, 17 * s); };
        layer.Fill([&](float x, float y) { return std::fabs(inner(x, y)) - 1.3f * s; }, Scale(metal, 0.6f));
        if (kind == "coin" && mark == "hole")
        {
            // The hole's bevel.
            Field hole = stamp(cx, cy, 11 * s, 1.0f);
            layer.Fill([&](float x, float y) { return std::fabs(hole(x, y) - 1.2f * s) - 1.2f * s; },
                       Scale(metal, 0.55f));
        }
        else if (kind == "coin")
            layer.Fill(stamp(cx, cy, 11 * s, 1.0f), Scale(metal, mark == "moon" ? 0.62f : 1.25f));
        else
            layer.Fill([&](float x, float y)
                       { return sdf::Star(x, y, cx, cy, 5, 11 * s, 4.8f * s, -kPi / 2); },
                       Scale(metal, 1.25f));
        if (kind == "bad")
        {
            Random rng(HashText("barnacles") + o.Integer("seed", 0));
            for (int i = 0; i < 9; ++i)
            {
                float a = rng.Range(0, 2 * kPi), r = rng.Range(4, 20) * s, br = rng.Range(2.5f, 5.0f) * s;
                float bx = cx + std::cos(a) * r, by = cy + std::sin(a) * r;
                GlossyBody(
                    layer, [=](float x, float y) { return sdf::Circle(x, y, bx, by, br); },
                    Colour{0.75f, 0.72f, 0.62f, 1}, bx, by, br, 1.0f);
                layer.Fill([&](float x, float y) { return sdf::Circle(x, y, bx, by, br * 0.35f); },
                           Colour{0.2f, 0.18f, 0.15f, 1});
            }
            layer.Fill([&](float x, float y) { return outer(x, y); },
                       [&](float x, float y)
                       {
                           float n = Fbm(x / (6 * s), y / (6 * s), 77, 3);
                           return Colour{0.35f, 0.5f, 0.3f, Clamp01((n - 0.45f) * 2.0f) * 0.6f};
                       });
        }
    }
    else if (kind == "stack")
    {
        // The stacks differ in outline too: gold stands straight (4 coins), copper leans
        // (3 coins), silver wobbles (5 thinner coins).
        const int coins = mark == "hole" ? 3 : (mark == "moon" ? 5 : 4);
        const float step = mark == "moon" ? 5.5f * s : 7 * s;
        for (int i = coins - 1; i >= 0; --i)
        {
            float shift =
                mark == "hole" ? (i - 1) * 4.0f * s : (mark == "moon" ? (i % 2 ? 3.0f : -3.0f) * s : 0.0f);
            float x0 = cx + shift, y0 = cy + 12 * s - i * step;
            Field disc = [=](float x, float y) { return sdf::Ellipse(x, y, x0, y0, 21 * s, 8 * s); };
            layer.Fill(
                [&](float x, float y)
                { return std::max(std::fabs(x - x0) - 21 * s, std::fabs(y - y0 - 2.5f * s) - 2.5f * s); },
                Scale(metal, 0.6f));
            GlossyBody(layer, disc, metal, x0, y0, 14 * s, 1.2f);
            if (i == coins - 1)
                layer.Fill(stamp(x0, y0, 12 * s, 8.0f / 21.0f), Scale(metal, mark == "star" ? 1.3f : 0.45f));
        }
    }
    else if (kind == "bar")
    {
        // Gold: a low trapezoid ingot; copper: a tall narrow one; silver: a rounded bar.
        std::vector<float> top = {cx - 16 * s, cy - 8 * s,  cx + 16 * s, cy - 8 * s,
                                  cx + 24 * s, cy + 10 * s, cx - 24 * s, cy + 10 * s};
        if (mark == "hole")
            top = {cx - 10 * s, cy - 16 * s, cx + 10 * s, cy - 16 * s,
                   cx + 16 * s, cy + 14 * s, cx - 16 * s, cy + 14 * s};
        Field bar = [=](float x, float y) { return sdf::Polygon(x, y, top); };
        if (mark == "moon")
            bar = [=](float x, float y)
            { return sdf::RoundBox(x, y, cx, cy + 1 * s, 24 * s, 10 * s, 9 * s); };
        GlossyBody(layer, bar, metal, cx, cy, 18 * s);
        const float ridge = mark == "hole" ? cy - 14 * s : cy - 10 * s;
        if (mark != "moon")
            layer.Fill(
                [&](float x, float y)
                { return sdf::RoundBox(x, y, cx, ridge, mark == "hole" ? 10 * s : 16 * s, 2.5f * s, 2 * s); },
                Scale(metal, 1.3f));
        layer.Fill(stamp(cx, cy + 1 * s, 9 * s, 1.0f), Scale(metal, mark == "star" ? 0.7f : 0.5f));
    }
    else if (kind == "gem")
    {
        int facets = o.Integer("facets", 6);
        std::vector<float> outline;
        for (int i = 0; i < facets; ++i)
        {
            float a = -kPi / 2 + 2 * kPi * i / facets;
            outline.push_back(cx + std::cos(a) * 24 * s);
            outline.push_back(cy + std::sin(a) * 24 * s);
        }
        Field gem = [=](float x, float y) { return sdf::Polygon(x, y, outline); };
        layer.Fill([&](float x, float y) { return gem(x, y) - 1.5f * s; }, Scale(metal, 0.3f));
        layer.Fill(gem,
                   [&](float x, float y)
                   {
                       float a = std::atan2(y - cy, x - cx);
                       float sector = std::floor((a + kPi) / (2 * kPi) * facets);
                       float shade = 0.65f + 0.35f * std::cos(sector * 2.1f + 0.7f);
                       float centre = Clamp01(1.0f - std::hypot(x - cx, y - cy) / (24 * s));
                       return Scale(metal, shade + centre * 0.4f);
                   });
        layer.Fill(
            [&](float x, float y)
            {
                std::vector<float> table;
                for (int i = 0; i < facets; ++i)
                {
                    float a = -kPi / 2 + 2 * kPi * i / facets;
                    table.push_back(cx + std::cos(a) * 12 * s);
                    table.push_back(cy + std::sin(a) * 12 * s);
                }
                return sdf::Polygon(x, y, table);
            },
            WithAlpha(Scale(metal, 1.5f), 0.8f));
        layer.Fill([&](float x, float y)
                   { return sdf::Star(x, y, cx - 8 * s, cy - 10 * s, 4, 6 * s, 1.2f * s, 0); },
                   Colour{1, 1, 1, 0.9f});
    }
    else
    {
        error = "unknown treasure kind '" + kind + "'";
        return false;
    }
    canvas.DropShadow(layer, 0, static_cast<int>(2 * s), static_cast<int>(2 * s),
                      Colour{0, 0.05f, 0.15f, 0.45f});
    canvas.Composite(layer);
    return true;
}

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
    for (int i = 0; i < count; ++i)
    {
        float x0 = rng.Range(0.1f, 0.9f) * w, width = rng.Range(0.05f, 0.14f) * w,
              strength = rng.Range(0.35f, 0.7f);
        canvas.AddLight(
            [=](float x, float y)
            {
                float d = std::fabs(x - x0 - (y / h - 0.5f) * w * 0.1f) / (width * (0.6f + 0.6f * y / h));
                float fall = std::pow(Clamp01(1.0f - y / h), 1.3f);
                return Colour{0.75f, 0.92f, 1.0f, std::pow(Clamp01(1.0f - d), 2.0f) * strength * fall};
            });
    }
}

// Rounded, bevelled button face in one of its four states.
void DrawButton(const ToolOptions& o, Canvas& canvas)
{
    const std::string state = o.Text("state", "idle");
    Colour base = ColourOption(o, "colour", Colour{0.12f, 0.55f, 0.72f, 1});
    const float w = canvas.Width(), h = canvas.Height();
    const float radius = static_cast<float>(o.Number("radius", std::min(w, h) * 0.35f));
    if (state == "hover")
        base = Scale(base, 1.25f);
    else if (state == "pressed")
        base = Scale(base, 0.8f);
    else if (state == "disabled")
    {
        float grey = 0.3f * base.r + 0.5f * base.g + 0.2f * base.b;
        base = Mix(base, Colour{grey, grey, grey, 1}, 0.8f);
        base.a = 0.75f;
    }
    const float inset = 3.0f, press = state == "pressed" ? 1.0f : 0.0f;
    Field shape = [=](float x, float y)
    { return sdf::RoundBox(x, y, w / 2, h / 2 + press, w / 2 - inset, h / 2 - inset - 1, radius); };
    Canvas layer(canvas.Width(), canvas.Height());
    layer.Fill([&](float x, float y) { return shape(x, y) - 1.5f; }, Scale(base, 0.3f));
    layer.Fill(shape,
               [&](float, float y)
               {
                   float t = (y - inset) / (h - 2 * inset);
                   Colour c = Mix(Scale(base, 1.35f), Scale(base, 0.7f), Clamp01(t));
                   c.a = base.a;
                   return c;
               });
    // Glassy upper half.
    layer.Fill([&](float x, float y) { return std::max(shape(x, y) + 3.0f, y - h * 0.48f); },
               [&](float, float y) {
                   return Colour{1, 1, 1, 0.35f * Clamp01(1.0f - (y - inset) / (h * 0.45f))};
               });
    // Inner rim line.
    layer.Fill([&](float x, float y) { return std::fabs(shape(x, y) + 2.0f) - 0.6f; },
               Colour{1, 1, 1, 0.25f});
    if (state == "hover")
        canvas.DropShadow(layer, 0, 0, 4, Colour{0.6f, 0.95f, 1.0f, 0.8f});
    else
        canvas.DropShadow(layer, 0, 2, 2, Colour{0, 0.05f, 0.1f, 0.5f});
    canvas.Composite(layer);
}

// Translucent panel with a soft border; with frame=1 only the border is drawn.
void DrawPanel(const ToolOptions& o, Canvas& canvas)
{
    const Colour fill = ColourOption(o, "colour", Colour{0.03f, 0.16f, 0.3f, 0.82f});
    const Colour border = ColourOption(o, "border", Colour{0.55f, 0.85f, 0.95f, 1});
    const float w = canvas.Width(), h = canvas.Height();
    const float radius = static_cast<float>(o.Number("radius", 18));
    const float thickness = static_cast<float>(o.Number("thickness", 3));
    const bool frameOnly = o.Integer("frame", 0) != 0;
    const float inset = 6.0f;
    Field shape = [=](float x, float y)
    { return sdf::RoundBox(x, y, w / 2, h / 2, w / 2 - inset, h / 2 - inset, radius); };
    Canvas layer(canvas.Width(), canvas.Height());
    if (!frameOnly)
    {
        layer.Fill(shape,
                   [&](float x, float y)
                   {
                       float t = y / h;
                       Colour c = Mix(Scale(fill, 1.3f), Scale(fill, 0.75f), t);
                       float n = Fbm(x / 40.0f, y / 40.0f, 3, 3);
                       c = Scale(c, 0.92f + 0.16f * n);
                       c.a = fill.a;
                       return c;
                   });
        layer.Fill([&](float x, float y) { return std::max(shape(x, y) + thickness + 2, y - h * 0.25f); },
                   [&](float, float y) {
                       return Colour{1, 1, 1, 0.12f * Clamp01(1.0f - y / (h * 0.25f))};
                   });
    }
    layer.Fill([&](float x, float y) { return std::fabs(shape(x, y) + thickness * 0.5f) - thickness * 0.5f; },
               [&](float, float y) { return Mix(border, Scale(border, 0.6f), y / h); });
    layer.Fill([&](float x, float y) { return std::fabs(shape(x, y) + thickness + 1.5f) - 0.5f; },
               WithAlpha(border, 0.35f));
    canvas.DropShadow(layer, 0, 3, 4, Colour{0, 0.02f, 0.08f, 0.5f});
    canvas.Composite(layer);
}

// The mouse pointer: an arrow (hot spot at the top-left corner) or a pointing hand.
bool DrawPointer(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string style = o.Text("style", "arrow");
    const float s = std::min(canvas.Width(), canvas.Height()) / 32.0f;
    Canvas layer(canvas.Width(), canvas.Height());
    Colour fill = ColourOption(o, "colour", Colour{1.0f, 0.97f, 0.88f, 1});
    Colour edge{0.05f, 0.12f, 0.2f, 1};
    Field shape;
    if (style == "arrow")
    {
        std::vector<float> pts = {1.5f * s, 1.5f * s,  1.5f * s,  22 * s,    7 * s,     17 * s,    11 * s,
                                  26 * s,   14.5f * s, 24.5f * s, 10.5f * s, 15.5f * s, 17.5f * s, 15.5f * s};
        shape = [=](float x, float y) { return sdf::Polygon(x, y, pts); };
    }
    else if (style == "hand")
    {
        shape = [=](float x, float y)
        {
            float finger = sdf::Capsule(x, y, 9 * s, 3.5f * s, 9 * s, 14 * s, 2.6f * s);
            float palm = sdf::RoundBox(x, y, 13 * s, 20 * s, 7.5f * s, 7 * s, 3 * s);
            float knuckles = 1e9f;
            for (int i = 0; i < 3; ++i)
                knuckles = std::min(knuckles, sdf::Circle(x, y, (12.5f + i * 3.6f) * s, 13.5f * s, 2.4f * s));
            float thumb = sdf::Capsule(x, y, 6 * s, 19 * s, 3.5f * s, 15 * s, 2.3f * s);
            return std::min(std::min(finger, palm), std::min(knuckles, thumb));
        };
    }
    else
    {
        error = "unknown pointer style '" + style + "'";
        return false;
    }
    layer.Fill([&](float x, float y) { return shape(x, y) - 1.4f * s; }, edge);
    layer.Fill(shape,
               [&](float x, float y) { return Mix(fill, Scale(fill, 0.78f), Clamp01((x + y) / (40 * s))); });
    canvas.DropShadow(layer, static_cast<int>(s), static_cast<int>(s * 1.5f), static_cast<int>(s),
                      Colour{0, 0, 0, 0.45f});
    canvas.Composite(layer);
    return true;
}

// Particles and small effects, centred in the canvas.
bool DrawParticle(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string style = o.Text("style", "glow");
    const Colour colour = ColourOption(o, "colour", Colour{1, 1, 1, 1});
    const float w = canvas.Width(), h = canvas.Height();
    const float cx = w / 2, cy = h / 2, r = std::min(w, h) / 2;
    if (style == "glow")
    {
        canvas.Shade(
            [&](float x, float y)
            {
                float d = Clamp01(1.0f - std::hypot(x - cx, y - cy) / r);
                return WithAlpha(Mix(colour, Colour{1, 1, 1, 1}, d * d * 0.6f), d * d);
            });
    }
    else if (style == "sparkle")
    {
        canvas.Shade(
            [&](float x, float y)
            {
                float dx = std::fabs(x - cx) / r, dy = std::fabs(y - cy) / r;
                float cross = Clamp01(1.0f - dx * 8.0f) * Clamp01(1.0f - dy) +
                              Clamp01(1.0f - dy * 8.0f) * Clamp01(1.0f - dx);
                float diag =
                    Clamp01(1.0f - std::fabs(dx - dy) * 10.0f) * Clamp01(1.0f - (dx + dy) * 1.6f) * 0.5f;
                float core = Clamp01(1.0f - std::hypot(dx, dy) * 3.0f);
                float a = Clamp01(cross + diag + core);
                return WithAlpha(Mix(colour, Colour{1, 1, 1, 1}, core), a);
            });
    }
    else if (style == "bubble")
    {
        Field circle = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, r - 1.5f); };
        canvas.Fill(circle,
                    [&](float x, float y)
                    {
                        float d = Clamp01(std::hypot(x - cx, y - cy) / (r - 1.5f));
                        return WithAlpha(colour, 0.08f + 0.55f * std::pow(d, 6.0f));
                    });
        canvas.Fill([&](float x, float y)
                    { return sdf::Ellipse(x, y, cx - r * 0.35f, cy - r * 0.4f, r * 0.28f, r * 0.18f); },
                    Colour{1, 1, 1, 0.85f}, 1.5f);
        canvas.Fill([&](float x, float y)
                    { return sdf::Circle(x, y, cx + r * 0.38f, cy + r * 0.35f, r * 0.08f); },
                    Colour{1, 1, 1, 0.5f}, 1.5f);
    }
    else if (style == "dust")
    {
        Random rng(static_cast<unsigned>(o.Integer("seed", 9)));
        for (int i = 0; i < 7; ++i)
        {
            float a = rng.Range(0, 2 * kPi), d = rng.Range(0, 0.6f) * r, pr = rng.Range(0.12f, 0.3f) * r;
            float px = cx + std::cos(a) * d, py = cy + std::sin(a) * d;
            canvas.Fill([=](float x, float y) { return sdf::Circle(x, y, px, py, pr); },
                        [=](float x, float y)
                        {
                            float t = Clamp01(1.0f - std::hypot(x - px, y - py) / pr);
                            return WithAlpha(colour, 0.25f + 0.5f * t);
                        },
                        2.0f);
        }
    }
    else if (style == "ring")
    {
        canvas.Shade(
            [&](float x, float y)
            {
                float d = std::hypot(x - cx, y - cy) / r;
                float a = Clamp01(1.0f - std::fabs(d - 0.78f) * 6.0f);
                return WithAlpha(colour, a * a);
            });
    }
    else if (style == "star")
    {
        canvas.Fill([&](float x, float y)
                    { return sdf::Star(x, y, cx, cy, 5, r * 0.95f, r * 0.42f, -kPi / 2); },
                    [&](float x, float y)
                    {
                        float t = Clamp01(1.0f - std::hypot(x - cx, y - cy) / r);
                        return Mix(colour, Colour{1, 1, 1, 1}, t * 0.7f);
                    });
    }
    else
    {
        error = "unknown particle style '" + style + "'";
        return false;
    }
    return true;
}

// Board tiles: a bevelled stone or sand square, the selection frame and the highlight.
bool DrawTile(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string style = o.Text("style", "plain");
    const Colour colour = ColourOption(o, "colour", Colour{0.8f, 0.7f, 0.5f, 0.9f});
    const float w = canvas.Width(), h = canvas.Height();
    const unsigned seed = static_cast<unsigned>(o.Integer("seed", 4));
    Field box = [=](float x, float y)
    { return sdf::RoundBox(x, y, w / 2, h / 2, w / 2 - 1, h / 2 - 1, w * 0.14f); };
    if (style == "plain")
    {
        canvas.Fill(box,
                    [&](float x, float y)
                    {
                        float n = Fbm(x / 9.0f, y / 9.0f, seed, 4);
                        float edge = Clamp01(-box(x, y) / (w * 0.12f));
                        float light = 0.75f + 0.25f * edge - 0.15f * (y / h) + 0.15f * (n - 0.5f);
                        Colour c = Scale(colour, light);
                        c.a = colour.a;
                        return c;
                    });
        canvas.Fill([&](float x, float y) { return std::fabs(box(x, y) + 1.0f) - 0.7f; },
                    WithAlpha(Scale(colour, 1.4f), 0.5f));
    }
    else if (style == "select")
    {
        canvas.Fill([&](float x, float y) { return std::fabs(box(x, y) + 2.5f) - 2.2f; },
                    [&](float x, float y) {
                        return Mix(colour, Colour{1, 1, 1, colour.a}, Clamp01(1.0f - (x + y) / (w + h)));
                    });
        canvas.Fill([&](float x, float y) { return std::fabs(box(x, y) + 6.0f) - 1.5f; },
                    WithAlpha(colour, colour.a * 0.35f), 2.0f);
    }
    else if (style == "highlight")
    {
        canvas.Fill(box,
                    [&](float x, float y)
                    {
                        float d = Clamp01(-box(x, y) / (w * 0.45f));
                        return WithAlpha(colour, colour.a * (0.15f + 0.6f * (1.0f - d) * (1.0f - d)));
                    });
    }
    else if (style == "chain" || style == "2xchain")
    {
        int rows = style == "chain" ? 1 : 2;
        Colour steel = ColourOption(o, "colour", Colour{0.7f, 0.72f, 0.76f, 1});
        for (int r = 0; r < rows; ++r)
        {
            float slope = r == 0 ? 1.0f : -1.0f;
            for (int i = -2; i <= 2; ++i)
            {
                float lx = w / 2 + i * w * 0.19f, ly = h / 2 + slope * i * h * 0.19f;
                bool across = (i % 2) != 0;
                float rx = across ? w * 0.07f : w * 0.13f, ry = across ? h * 0.13f : h * 0.07f;
                Field link = [=](float x, float y)
                { return std::fabs(sdf::Ellipse(x, y, lx, ly, rx, ry)) - w * 0.028f; };
                GlossyBody(canvas, link, steel, lx, ly, w * 0.08f, 1.0f);
            }
        }
    }
    else if (style == "freeze")
    {
        canvas.Fill(box,
                    [&](float x, float y)
                    {
                        float n = Fbm(x / 7.0f, y / 7.0f, seed + 5, 4);
                        float cracks =
                            Clamp01(1.0f - std::fabs(Noise(x / 6.0f, y / 6.0f, seed) - 0.5f) * 14.0f);
                        return Colour{0.75f + 0.2f * n, 0.92f, 1.0f, 0.26f + 0.2f * n + 0.32f * cracks};
                    });
        canvas.Fill([&](float x, float y) { return std::fabs(box(x, y) + 1.5f) - 1.0f; },
                    Colour{1, 1, 1, 0.8f});
        canvas.Fill([&](float x, float y)
                    { return sdf::Star(x, y, w * 0.3f, h * 0.3f, 4, w * 0.12f, w * 0.02f, 0); },
                    Colour{1, 1, 1, 0.9f});
    }
    else if (style == "hole")
    {
        canvas.Fill(box,
                    [&](float x, float y)
                    {
                        float d = Clamp01(-box(x, y) / (w * 0.4f));
                        return Colour{0.01f, 0.03f, 0.08f, 0.55f + 0.4f * d};
                    });
        canvas.Fill([&](float x, float y) { return std::fabs(box(x, y) + 1.0f) - 1.0f; },
                    WithAlpha(colour, 0.6f));
    }
    else if (style == "block")
    {
        canvas.Fill(box,
                    [&](float x, float y)
                    {
                        float n = Fbm(x / 6.0f, y / 6.0f, seed + 9, 5);
                        float edge = Clamp01(-box(x, y) / (w * 0.15f));
                        Colour c = Scale(colour, 0.6f + 0.3f * edge + 0.3f * (n - 0.5f));
                        c.a = 1;
                        return c;
                    });
        canvas.Fill([&](float x, float y) { return std::fabs(box(x, y) + 2.0f) - 1.0f; },
                    WithAlpha(Scale(colour, 1.4f), 0.6f));
        for (int i = 0; i < 3; ++i)
        {
            float ax = w * (0.25f + 0.22f * i), ay = h * (0.3f + 0.15f * (i % 2));
            canvas.Fill([&](float x, float y)
                        { return sdf::Capsule(x, y, ax, ay, ax + w * 0.12f, ay + h * 0.3f, 0.8f); },
                        WithAlpha(Scale(colour, 0.35f), 0.8f));
        }
    }
    else
    {
        error = "unknown tile style '" + style + "'";
        return false;
    }
    return true;
}

// A medal: a ribbon and a bevelled disc with a star.
void DrawMedal(const ToolOptions& o, Canvas& canvas)
{
    const Colour metal = ColourOption(o, "colour", Colour{1.0f, 0.8f, 0.25f, 1});
    const Colour ribbon = ColourOption(o, "ribbon", Colour{0.15f, 0.45f, 0.85f, 1});
    const float s = std::min(canvas.Width(), canvas.Height()) / 128.0f;
    const float cx = canvas.Width() / 2.0f, cy = canvas.Height() * 0.58f;
    Canvas layer(canvas.Width(), canvas.Height());
    for (int side = -1; side <= 1; side += 2)
    {
        std::vector<float> band = {cx + side * 6 * s,  cy - 20 * s, cx + side * 30 * s, 4 * s,
                                   cx + side * 48 * s, 4 * s,       cx + side * 26 * s, cy - 20 * s};
        layer.Fill([&](float x, float y) { return sdf::Polygon(x, y, band); },
                   [&](float x, float) { return Scale(ribbon, 0.8f + 0.3f * std::sin(x / (4 * s))); });
    }
    Field disc = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, 40 * s); };
    GlossyBody(layer, disc, metal, cx, cy, 40 * s, 2.5f * s);
    layer.Fill([&](float x, float y) { return std::fabs(sdf::Circle(x, y, cx, cy, 31 * s)) - 1.8f * s; },
               Scale(metal, 0.6f));
    layer.Fill(
        [&](float x, float y) { return sdf::Star(x, y, cx, cy + 1 * s, 5, 22 * s, 9.5f * s, -kPi / 2); },
        [&](float, float y)
        { return Mix(Scale(metal, 1.35f), Scale(metal, 0.85f), Clamp01((y - cy + 22 * s) / (44 * s))); });
    canvas.DropShadow(layer, 0, static_cast<int>(3 * s), static_cast<int>(3 * s),
                      Colour{0, 0.05f, 0.1f, 0.5f});
    canvas.Composite(layer);
}

// Horizontal bar art: a trough (style=back) or its fill (style=fill).
void DrawBar(const ToolOptions& o, Canvas& canvas)
{
    const std::string style = o.Text("style", "fill");
    const Colour colour = ColourOption(o, "colour", Colour{0.3f, 0.85f, 1.0f, 1});
    const float w = canvas.Width(), h = canvas.Height();
    Field shape = [=](float x, float y)
    { return sdf::RoundBox(x, y, w / 2, h / 2, w / 2 - 1, h / 2 - 1, h / 2 - 1); };
    if (style == "back")
    {
        canvas.Fill(shape, Colour{0.02f, 0.08f, 0.16f, 0.75f});
        canvas.Fill([&](float x, float y) { return std::fabs(shape(x, y) + 0.8f) - 0.8f; },
                    WithAlpha(colour, 0.7f));
        return;
    }
    canvas.Fill(shape,
                [&](float, float y)
                {
                    float t = y / h;
                    Colour c = Mix(Scale(colour, 1.4f), Scale(colour, 0.7f), t);
                    float gloss = Clamp01(1.0f - std::fabs(t - 0.3f) * 5.0f) * 0.4f;
                    return Mix(c, Colour{1, 1, 1, 1}, gloss);
                });
}

// The studio emblem and window icon: a nautilus-like spiral shell over a wave disc.
void DrawEmblem(const ToolOptions& o, Canvas& canvas)
{
    const Colour sea = ColourOption(o, "colour", Colour{0.08f, 0.45f, 0.7f, 1});
    const Colour shell = ColourOption(o, "shell", Colour{1.0f, 0.78f, 0.5f, 1});
    const bool disc = o.Integer("disc", 1) != 0;
    const float s = std::min(canvas.Width(), canvas.Height()) / 64.0f;
    const float cx = canvas.Width() / 2.0f, cy = canvas.Height() / 2.0f;
    Canvas layer(canvas.Width(), canvas.Height());
    if (disc)
    {
        Field round = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, 30 * s); };
        layer.Fill([&](float x, float y) { return round(x, y) - 1.2f * s; }, Colour{0.02f, 0.1f, 0.2f, 1});
        layer.Fill(round,
                   [&](float x, float y)
                   {
                       float t = (y - cy + 30 * s) / (60 * s);
                       float wave = 0.5f + 0.5f * std::sin(x / (4 * s) + std::sin(y / (7 * s)) * 2);
                       return Mix(Scale(sea, 1.5f), Scale(sea, 0.6f), t + 0.06f * wave);
                   });
    }
    // Spiral shell: chambers of growing radius around the centre.
    Field spiral = [=](float x, float y)
    {
        float d = 1e9f;
        for (int i = 0; i < 26; ++i)
        {
            float t = i / 25.0f;
            float a = t * 4.2f * kPi;
            float rad = (2.5f + 15.5f * t) * s;
            float px = cx + std::cos(a) * rad * 0.6f, py = cy + std::sin(a) * rad * 0.6f;
            d = std::min(d, sdf::Circle(x, y, px, py, (1.5f + 9.0f * t) * s));
        }
        return d;
    };
    GlossyBody(layer, spiral, shell, cx, cy, 18 * s, 1.2f * s);
    layer.Fill(
        [&](float x, float y)
        {
            float a = std::atan2(y - cy, x - cx);
            float rad = std::hypot(x - cx, y - cy);
            float ridge = std::fabs(std::sin(a * 5 + rad / (2.5f * s)));
            return std::max(spiral(x, y) + 1.5f * s, ridge - 0.15f);
        },
        WithAlpha(Scale(shell, 0.6f), 0.6f));
    canvas.DropShadow(layer, 0, static_cast<int>(s), static_cast<int>(s), Colour{0, 0, 0, 0.4f});
    canvas.Composite(layer);
}

// Interface symbols on transparent ground: arrows, check, cross, plus, minus, play, pause,
// question mark and star, filled with a soft gradient and outlined.
bool DrawIcon(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string shape = o.Text("shape", "check");
    const Colour fill = ColourOption(o, "colour", Colour{1.0f, 0.96f, 0.85f, 1});
    const Colour edge = ColourOption(o, "outline", Colour{0.04f, 0.16f, 0.26f, 1});
    const float s = std::min(canvas.Width(), canvas.Height()) / 32.0f;
    const float cx = canvas.Width() / 2.0f, cy = canvas.Height() / 2.0f;
    Field field;
    auto arrow = [=](float angle)
    {
        // An arrow pointing right, turned by angle (clockwise, y down).
        return [=](float x, float y)
        {
            float c = std::cos(angle), sn = std::sin(angle);
            float dx = x - cx, dy = y - cy;
            float lx = c * dx + sn * dy, ly = -sn * dx + c * dy;
            float head = sdf::Polygon(lx, ly, {1 * s, -10 * s, 11 * s, 0, 1 * s, 10 * s});
            float shaft = sdf::RoundBox(lx, ly, -4 * s, 0, 7 * s, 3.5f * s, 1.5f * s);
            return std::min(head, shaft) - 1.0f * s;
        };
    };
    if (shape == "right")
        field = arrow(0);
    else if (shape == "down")
        field = arrow(kPi / 2);
    else if (shape == "left")
        field = arrow(kPi);
    else if (shape == "up")
        field = arrow(-kPi / 2);
    else if (shape == "check")
        field = [=](float x, float y)
        {
            return std::min(sdf::Capsule(x, y, cx - 9 * s, cy + 1 * s, cx - 3 * s, cy + 8 * s, 3 * s),
                            sdf::Capsule(x, y, cx - 3 * s, cy + 8 * s, cx + 10 * s, cy - 9 * s, 3 * s));
        };
    else if (shape == "cross")
        field = [=](float x, float y)
        {
            return std::min(sdf::Capsule(x, y, cx - 8 * s, cy - 8 * s, cx + 8 * s, cy + 8 * s, 3 * s),
                            sdf::Capsule(x, y, cx - 8 * s, cy + 8 * s, cx + 8 * s, cy - 8 * s, 3 * s));
        };
    else if (shape == "plus" || shape == "minus")
    {
        bool plus = shape == "plus";
        field = [=](float x, float y)
        {
            float h = sdf::RoundBox(x, y, cx, cy, 10 * s, 3 * s, 1.5f * s);
            return plus ? std::min(h, sdf::RoundBox(x, y, cx, cy, 3 * s, 10 * s, 1.5f * s)) : h;
        };
    }
    else if (shape == "play")
        field = [=](float x, float y)
        {
            return sdf::Polygon(x, y, {cx - 7 * s, cy - 10 * s, cx + 10 * s, cy, cx - 7 * s, cy + 10 * s}) -
                   1.5f * s;
        };
    else if (shape == "pause")
        field = [=](float x, float y)
        {
            return std::min(sdf::RoundBox(x, y, cx - 5 * s, cy, 3 * s, 10 * s, 1.2f * s),
                            sdf::RoundBox(x, y, cx + 5 * s, cy, 3 * s, 10 * s, 1.2f * s));
        };
    else if (shape == "question")
        field = [=](float x, float y)
        {
            float ring = std::fabs(sdf::Circle(x, y, cx, cy - 4 * s, 6.5f * s)) - 2.6f * s;
            ring = std::max(ring, -std::max(x - cx, (cy - 4 * s) - y)); // open at the lower left
            float stem = sdf::Capsule(x, y, cx + 1 * s, cy + 1 * s, cx, cy + 5 * s, 2.6f * s);
            float dot = sdf::Circle(x, y, cx, cy + 11 * s, 2.8f * s);
            return std::min(std::min(ring, stem), dot);
        };
    else if (shape == "star")
        field = [=](float x, float y)
        { return sdf::Star(x, y, cx, cy + 1 * s, 5, 13 * s, 5.5f * s, -kPi / 2); };
    else
    {
        error = "unknown icon shape '" + shape + "'";
        return false;
    }
    Canvas layer(canvas.Width(), canvas.Height());
    layer.Fill([&](float x, float y) { return field(x, y) - 1.6f * s; }, edge);
    layer.Fill(field, [&](float, float y)
               { return Mix(fill, Scale(fill, 0.75f), Clamp01((y - cy + 12 * s) / (24 * s))); });
    canvas.DropShadow(layer, 0, static_cast<int>(s), static_cast<int>(s), Colour{0, 0, 0, 0.4f});
    canvas.Composite(layer);
    return true;
}

// Frame strips: frames left to right, then top to bottom, each framewidth x frameheight.
struct Sheet
{
    int fw = 0, fh = 0, frames = 0, cols = 0;
    bool Read(const ToolOptions& o, const Canvas& canvas, int defaultFrames, std::string& error)
    {
        fw = o.Integer("framewidth", canvas.Height());
        fh = o.Integer("frameheight", canvas.Height());
        frames = o.Integer("frames", defaultFrames);
        cols = fw > 0 ? canvas.Width() / fw : 0;
        if (fw <= 0 || fh <= 0 || frames <= 0 || cols * (canvas.Height() / fh) < frames)
        {
            error = "the sheet does not hold the frames";
            return false;
        }
        return true;
    }
    float CentreX(int frame) const { return (frame % cols) * fw + fw * 0.5f; }
    float CentreY(int frame) const { return (frame / cols) * fh + fh * 0.5f; }
};

// Loading indicator: a ring of bubbles, one bright bubble running round.
bool DrawSpinner(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    Sheet sheet;
    if (!sheet.Read(o, canvas, 8, error))
        return false;
    const Colour colour = ColourOption(o, "colour", Colour{0.7f, 0.95f, 1.0f, 1});
    const int dots = 8;
    for (int f = 0; f < sheet.frames; ++f)
    {
        float cx = sheet.CentreX(f), cy = sheet.CentreY(f), r = std::min(sheet.fw, sheet.fh) * 0.34f;
        for (int i = 0; i < dots; ++i)
        {
            float a = 2 * kPi * i / dots - kPi / 2;
            int age = ((f * dots / sheet.frames) - i + dots) % dots; // 0 = the bright one
            float k = 1.0f - age / static_cast<float>(dots);
            float px = cx + std::cos(a) * r, py = cy + std::sin(a) * r, pr = r * (0.16f + 0.1f * k);
            canvas.Fill(
                [=](float x, float y) { return sdf::Circle(x, y, px, py, pr); },
                [=](float x, float y)
                {
                    float t = Clamp01(1.0f - std::hypot(x - px + pr * 0.3f, y - py + pr * 0.3f) / pr);
                    return WithAlpha(Mix(colour, Colour{1, 1, 1, 1}, t * 0.6f), 0.25f + 0.75f * k * k);
                });
        }
    }
    return true;
}

// A wobbling bubble, one frame per step of the wobble.
bool DrawBubbleAnimation(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    Sheet sheet;
    if (!sheet.Read(o, canvas, 8, error))
        return false;
    const Colour colour = ColourOption(o, "colour", Colour{0.75f, 0.95f, 1.0f, 1});
    for (int f = 0; f < sheet.frames; ++f)
    {
        float phase = 2 * kPi * f / sheet.frames;
        float cx = sheet.CentreX(f), cy = sheet.CentreY(f), r = std::min(sheet.fw, sheet.fh) * 0.44f;
        float rx = r * (1.0f + 0.06f * std::sin(phase)), ry = r * (1.0f - 0.06f * std::sin(phase));
        Field bubble = [=](float x, float y) { return sdf::Ellipse(x, y, cx, cy, rx, ry); };
        canvas.Fill(bubble,
                    [=](float x, float y)
                    {
                        float d = Clamp01(std::hypot((x - cx) / rx, (y - cy) / ry));
                        return WithAlpha(colour, 0.08f + 0.6f * std::pow(d, 6.0f));
                    });
        float hx = cx - r * 0.35f + std::cos(phase) * r * 0.04f, hy = cy - r * 0.4f;
        canvas.Fill([=](float x, float y) { return sdf::Ellipse(x, y, hx, hy, r * 0.26f, r * 0.16f); },
                    Colour{1, 1, 1, 0.85f}, 1.5f);
    }
    return true;
}

// Turned copies of one picture: a boid fish (headings from heading0 in steps) or the map boat
// (a full turn over the frames). Headings are angles in the game's y-up space.
bool DrawTurnSheet(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    Sheet sheet;
    if (!sheet.Read(o, canvas, 4, error))
        return false;
    const std::string subject = o.Text("subject", "fish");
    const float heading0 = static_cast<float>(o.Number("heading0", 0));
    const float step = static_cast<float>(o.Number("step", 2 * 3.14159265358979 / sheet.frames));
    const int size = 4 * std::max(sheet.fw, sheet.fh);
    Canvas picture(size, size);
    const float s = size / 64.0f;
    const float c = size / 2.0f;
    if (subject == "fish")
    {
        // A plain fish silhouette facing +x, for the background school.
        const Colour body = ColourOption(o, "colour", Colour{0.55f, 0.8f, 0.9f, 1});
        std::vector<float> tail = {c - 12 * s, c, c - 26 * s, c - 10 * s,
                                   c - 23 * s, c, c - 26 * s, c + 10 * s};
        picture.Fill([&](float x, float y) { return sdf::Polygon(x, y, tail); }, Scale(body, 0.8f));
        Field shape = [=](float x, float y) { return sdf::Ellipse(x, y, c + 2 * s, c, 18 * s, 9 * s); };
        GlossyBody(picture, shape, body, c + 2 * s, c, 12 * s, 1.0f * s);
        picture.Fill([&](float x, float y) { return sdf::Circle(x, y, c + 12 * s, c - 2 * s, 2.2f * s); },
                     Colour{0.05f, 0.08f, 0.12f, 1});
    }
    else if (subject == "boat")
    {
        // The expedition boat from above: pointed hull facing +x, deck, cabin, a wake.
        const Colour hull = ColourOption(o, "colour", Colour{0.85f, 0.3f, 0.22f, 1});
        picture.Fill(
            [&](float x, float y) {
                return std::max(std::fabs(y - c) - (c - x) * 0.22f,
                                std::max(x - (c - 12 * s), (c - 30 * s) - x));
            },
            Colour{1, 1, 1, 0.35f}, 2.0f * s);
        Field shape = [=](float x, float y)
        {
            float body = sdf::RoundBox(x, y, c - 4 * s, c, 12 * s, 8 * s, 4 * s);
            float bow = sdf::Polygon(x, y, {c + 6 * s, c - 8 * s, c + 20 * s, c, c + 6 * s, c + 8 * s});
            return sdf::Smooth(body, bow, 2 * s);
        };
        GlossyBody(picture, shape, hull, c, c, 12 * s, 1.2f * s);
        picture.Fill([&](float x, float y)
                     { return sdf::RoundBox(x, y, c - 1 * s, c, 12 * s, 5.5f * s, 2.5f * s); },
                     Colour{0.85f, 0.7f, 0.5f, 1});
        GlossyBody(
            picture,
            [=](float x, float y) { return sdf::RoundBox(x, y, c - 6 * s, c, 5 * s, 4 * s, 1.5f * s); },
            Colour{0.95f, 0.95f, 0.9f, 1}, c - 6 * s, c, 5 * s, 0.8f * s);
    }
    else
    {
        error = "unknown subject '" + subject + "'";
        return false;
    }
    const float scale =
        std::min(sheet.fw, sheet.fh) / static_cast<float>(size) * static_cast<float>(o.Number("zoom", 1.6));
    for (int f = 0; f < sheet.frames; ++f)
    {
        // A heading turns counterclockwise in y-up space: clockwise by minus that on the page.
        float heading = heading0 + f * step;
        int col = f % sheet.cols, row = f / sheet.cols;
        canvas.DrawRotated(picture, sheet.CentreX(f), sheet.CentreY(f), -heading, scale, col * sheet.fw,
                           row * sheet.fh, sheet.fw, sheet.fh);
    }
    return true;
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

// Ability and upgrade icons: a glossy medallion in the ability's colour with a symbol and,
// for stronger versions, pips along the bottom.
bool DrawPower(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string symbol = o.Text("symbol", "burst");
    const Colour medal = ColourOption(o, "colour", Colour{0.8f, 0.3f, 0.25f, 1});
    const Colour ink = ColourOption(o, "ink", Colour{1.0f, 0.97f, 0.88f, 1});
    const int pips = std::clamp(o.Integer("pips", 0), 0, 5);
    const float s = std::min(canvas.Width(), canvas.Height()) / 64.0f;
    const float cx = canvas.Width() / 2.0f, cy = canvas.Height() / 2.0f;
    auto arrow = [=](float x, float y, float ax, float ay, float bx, float by)
    {
        // A double-headed arrow from a to b.
        float len = std::hypot(bx - ax, by - ay);
        float ux = (bx - ax) / len, uy = (by - ay) / len, nx = -uy, ny = ux;
        float shaft =
            sdf::Capsule(x, y, ax + ux * 6 * s, ay + uy * 6 * s, bx - ux * 6 * s, by - uy * 6 * s, 2.2f * s);
        float headB = sdf::Polygon(x, y,
                                   {bx, by, bx - ux * 9 * s + nx * 6 * s, by - uy * 9 * s + ny * 6 * s,
                                    bx - ux * 9 * s - nx * 6 * s, by - uy * 9 * s - ny * 6 * s});
        float headA = sdf::Polygon(x, y,
                                   {ax, ay, ax + ux * 9 * s - nx * 6 * s, ay + uy * 9 * s - ny * 6 * s,
                                    ax + ux * 9 * s + nx * 6 * s, ay + uy * 9 * s + ny * 6 * s});
        return std::min(shaft, std::min(headA, headB));
    };
    auto ringArrow = [=](float x, float y, float r, float from, float to)
    {
        // A circular arrow running from angle `from` to `to` (clockwise on the page).
        float a = std::atan2(y - cy, x - cx);
        float span = to - from;
        float t = a - from;
        while (t < 0)
            t += 2 * kPi;
        float ring = std::fabs(std::hypot(x - cx, y - cy) - r) - 2.4f * s;
        float arc = t <= span ? ring : 1e9f;
        float hx = cx + std::cos(to) * r, hy = cy + std::sin(to) * r;
        float tx = -std::sin(to), ty = std::cos(to); // direction of travel
        float head =
            sdf::Polygon(x, y,
                         {hx + tx * 8 * s, hy + ty * 8 * s, hx - tx * 2 * s + std::cos(to) * 7 * s,
                          hy - ty * 2 * s + std::sin(to) * 7 * s, hx - tx * 2 * s - std::cos(to) * 7 * s,
                          hy - ty * 2 * s - std::sin(to) * 7 * s});
        return std::min(arc, head);
    };
    Field field;
    if (symbol == "burst")
        field = [=](float x, float y) { return sdf::Star(x, y, cx, cy - 2 * s, 8, 16 * s, 7 * s, -kPi / 2); };
    else if (symbol == "row")
        field = [=](float x, float y)
        { return arrow(x, y, cx - 18 * s, cy - 2 * s, cx + 18 * s, cy - 2 * s); };
    else if (symbol == "column")
        field = [=](float x, float y) { return arrow(x, y, cx, cy - 20 * s, cx, cy + 16 * s); };
    else if (symbol == "diagonal")
        field = [=](float x, float y)
        { return arrow(x, y, cx - 14 * s, cy + 12 * s, cx + 14 * s, cy - 16 * s); };
    else if (symbol == "cross")
        field = [=](float x, float y)
        {
            return std::min(arrow(x, y, cx - 18 * s, cy - 2 * s, cx + 18 * s, cy - 2 * s),
                            arrow(x, y, cx, cy - 20 * s, cx, cy + 16 * s));
        };
    else if (symbol == "grid3" || symbol == "grid5")
    {
        int n = symbol == "grid3" ? 3 : 5;
        field = [=](float x, float y)
        {
            float cell = 30.0f * s / n, d = 1e9f;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                {
                    float px = cx - 15 * s + cell * (i + 0.5f), py = cy - 17 * s + cell * (j + 0.5f);
                    d = std::min(d, sdf::RoundBox(x, y, px, py, cell * 0.36f, cell * 0.36f, cell * 0.1f));
                }
            return d;
        };
    }
    else if (symbol == "hammer")
        field = [=](float x, float y)
        {
            float handle = sdf::Capsule(x, y, cx - 12 * s, cy + 14 * s, cx + 6 * s, cy - 6 * s, 2.6f * s);
            float c = std::cos(-kPi / 4), sn = std::sin(-kPi / 4);
            float dx = x - (cx + 7 * s), dy = y - (cy - 8 * s);
            float head = sdf::RoundBox(c * dx + sn * dy, -sn * dx + c * dy, 0, 0, 12 * s, 5 * s, 1.5f * s);
            return std::min(handle, head);
        };
    else if (symbol == "dice")
        field = [=](float x, float y)
        {
            float box = sdf::RoundBox(x, y, cx, cy - 2 * s, 15 * s, 15 * s, 4 * s);
            float dots = 1e9f;
            for (auto [px, py] : {std::pair{-7, -7}, {7, 7}, {0, 0}, {7, -7}, {-7, 7}})
                dots = std::min(dots, sdf::Circle(x, y, cx + px * s, cy - 2 * s + py * s, 2.6f * s));
            return std::max(box, -dots);
        };
    else if (symbol == "target")
        field = [=](float x, float y)
        {
            float r = std::hypot(x - cx, y - cy + 2 * s);
            return std::min(std::fabs(r - 13 * s) - 2.2f * s, r - 5 * s);
        };
    else if (symbol == "snowflake")
        field = [=](float x, float y)
        {
            float d = 1e9f;
            for (int i = 0; i < 6; ++i)
            {
                float a = kPi * i / 3;
                float ex = cx + std::cos(a) * 17 * s, ey = cy - 2 * s + std::sin(a) * 17 * s;
                d = std::min(d, sdf::Capsule(x, y, cx, cy - 2 * s, ex, ey, 2 * s));
                float mx = cx + std::cos(a) * 10 * s, my = cy - 2 * s + std::sin(a) * 10 * s;
                for (int k = -1; k <= 1; k += 2)
                    d = std::min(d, sdf::Capsule(x, y, mx, my, mx + std::cos(a + k * 0.8f) * 6 * s,
                                                 my + std::sin(a + k * 0.8f) * 6 * s, 1.6f * s));
            }
            return d;
        };
    else if (symbol == "chain")
        field = [=](float x, float y)
        {
            float a = std::fabs(sdf::Ellipse(x, y, cx - 7 * s, cy - 2 * s, 10 * s, 6 * s)) - 2.2f * s;
            float b = std::fabs(sdf::Ellipse(x, y, cx + 7 * s, cy - 2 * s, 10 * s, 6 * s)) - 2.2f * s;
            float gap = sdf::RoundBox(x, y, cx, cy - 2 * s, 2 * s, 12 * s, 0.5f * s); // the break
            return std::max(std::min(a, b), -gap);
        };
    else if (symbol == "swap")
        field = [=](float x, float y)
        {
            return std::min(arrow(x, y, cx - 16 * s, cy - 9 * s, cx + 16 * s, cy - 9 * s),
                            arrow(x, y, cx + 16 * s, cy + 6 * s, cx - 16 * s, cy + 6 * s));
        };
    else if (symbol == "rotate")
        field = [=](float x, float y) { return ringArrow(x, y, 14 * s, -kPi * 0.9f, kPi * 0.55f); };
    else if (symbol == "bubble" || symbol == "lessair" || symbol == "noair")
        field = [=](float x, float y)
        {
            float ring = std::fabs(sdf::Circle(x, y, cx, cy - 2 * s, 15 * s)) - 2.2f * s;
            float shine = sdf::Ellipse(x, y, cx - 6 * s, cy - 9 * s, 4 * s, 2.5f * s);
            float d = std::min(ring, shine);
            if (symbol == "lessair")
                d = std::min(d, sdf::RoundBox(x, y, cx + 2 * s, cy + 2 * s, 7 * s, 2 * s, 1 * s));
            if (symbol == "noair")
                d = std::min(
                    d, sdf::Capsule(x, y, cx - 14 * s, cy + 12 * s, cx + 14 * s, cy - 16 * s, 2.4f * s));
            if (symbol == "bubble")
                d = std::min(d, std::min(sdf::RoundBox(x, y, cx + 2 * s, cy + 1 * s, 7 * s, 2 * s, 1 * s),
                                         sdf::RoundBox(x, y, cx + 2 * s, cy + 1 * s, 2 * s, 7 * s, 1 * s)));
            return d;
        };
    else if (symbol == "coin")
        field = [=](float x, float y)
        {
            float ring = std::fabs(sdf::Circle(x, y, cx, cy - 2 * s, 15 * s)) - 2.2f * s;
            return std::min(ring, sdf::Star(x, y, cx, cy - 2 * s, 5, 9 * s, 4 * s, -kPi / 2));
        };
    else if (symbol == "skip")
        field = [=](float x, float y)
        {
            return std::min(sdf::Polygon(x, y,
                                         {cx - 16 * s, cy - 13 * s, cx, cy - 2 * s, cx - 16 * s, cy + 9 * s}),
                            sdf::Polygon(x, y, {cx, cy - 13 * s, cx + 16 * s, cy - 2 * s, cx, cy + 9 * s})) -
                   1 * s;
        };
    else if (symbol == "chest")
        field = [=](float x, float y)
        {
            float box = sdf::RoundBox(x, y, cx, cy + 3 * s, 16 * s, 9 * s, 2 * s);
            float lid = std::max(sdf::Ellipse(x, y, cx, cy - 6 * s, 16 * s, 9 * s), y - (cy - 6 * s));
            float d = std::min(box, lid - 0.5f * s);
            float seam = std::fabs(y - (cy - 5 * s)) - 1.0f * s;
            float lock = sdf::RoundBox(x, y, cx, cy - 4 * s, 3 * s, 4 * s, 1 * s);
            return std::max(d, -std::min(seam, lock));
        };
    else if (symbol == "belt")
        field = [=](float x, float y)
        {
            float strap = sdf::RoundBox(x, y, cx, cy - 2 * s, 19 * s, 5 * s, 2 * s);
            float pouches = 1e9f;
            for (int i = -1; i <= 1; ++i)
                pouches =
                    std::min(pouches, sdf::RoundBox(x, y, cx + i * 12 * s, cy + 4 * s, 5 * s, 7 * s, 2 * s));
            return std::min(strap, pouches);
        };
    else if (symbol == "lungs")
        field = [=](float x, float y)
        {
            float left = sdf::Ellipse(x, y, cx - 8 * s, cy + 1 * s, 7 * s, 12 * s);
            float right = sdf::Ellipse(x, y, cx + 8 * s, cy + 1 * s, 7 * s, 12 * s);
            float pipe = sdf::Capsule(x, y, cx, cy - 18 * s, cx, cy - 6 * s, 2 * s);
            return std::min(std::min(left, right), pipe);
        };
    else
    {
        error = "unknown power symbol '" + symbol + "'";
        return false;
    }
    Canvas layer(canvas.Width(), canvas.Height());
    Field disc = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, 28 * s); };
    GlossyBody(layer, disc, medal, cx, cy, 28 * s, 1.6f * s);
    layer.Fill([&](float x, float y) { return std::fabs(sdf::Circle(x, y, cx, cy, 25 * s)) - 0.8f * s; },
               WithAlpha(Scale(medal, 1.5f), 0.7f));
    layer.Fill([&](float x, float y) { return field(x, y) - 1.6f * s; }, WithAlpha(Scale(medal, 0.3f), 0.9f));
    layer.Fill(field, [&](float, float y)
               { return Mix(ink, Scale(ink, 0.8f), Clamp01((y - cy + 18 * s) / (36 * s))); });
    for (int i = 0; i < pips; ++i)
    {
        float px = cx + (i - (pips - 1) / 2.0f) * 6 * s, py = cy + 20 * s;
        layer.Fill([=](float x, float y) { return sdf::Circle(x, y, px, py, 2.2f * s); },
                   Colour{1.0f, 0.85f, 0.3f, 1});
    }
    canvas.DropShadow(layer, 0, static_cast<int>(2 * s), static_cast<int>(2 * s),
                      Colour{0, 0.05f, 0.12f, 0.5f});
    canvas.Composite(layer);
    return true;
}

} // namespace

bool DrawArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error)
{
    bool boardArt = false;
    const bool boardDrawn = DrawBoardArt(generator, options, canvas, error, boardArt);
    if (boardArt)
        return boardDrawn;
    if (generator == "creature")
        return DrawCreature(options, canvas, error);
    if (generator == "treasure")
        return DrawTreasure(options, canvas, error);
    if (generator == "sea")
    {
        DrawSea(options, canvas);
        return true;
    }
    if (generator == "caustics")
        return DrawCaustics(options, canvas, error);
    if (generator == "beams")
    {
        DrawBeams(options, canvas);
        return true;
    }
    if (generator == "button")
    {
        DrawButton(options, canvas);
        return true;
    }
    if (generator == "panel")
    {
        DrawPanel(options, canvas);
        return true;
    }
    if (generator == "pointer")
        return DrawPointer(options, canvas, error);
    if (generator == "particle")
        return DrawParticle(options, canvas, error);
    if (generator == "tile")
        return DrawTile(options, canvas, error);
    if (generator == "medal")
    {
        DrawMedal(options, canvas);
        return true;
    }
    if (generator == "bar")
    {
        DrawBar(options, canvas);
        return true;
    }
    if (generator == "title")
        return DrawTitle(options, canvas, error);
    if (generator == "power")
        return DrawPower(options, canvas, error);
    if (generator == "splash")
    {
        // The emblem above, the lettering below.
        const int emblemSize = std::min(canvas.Width(), canvas.Height() * 3 / 4);
        Canvas emblem(emblemSize, emblemSize);
        const ToolOptions emblemDefaults(0, nullptr, 0, 0); // the colour options belong to the lettering
        DrawEmblem(emblemDefaults, emblem);
        canvas.DrawRotated(emblem, canvas.Width() / 2.0f, emblemSize / 2.0f, 0.0f, 1.0f, 0, 0, canvas.Width(),
                           emblemSize);
        Canvas lettering(canvas.Width(), canvas.Height() - emblemSize);
        if (!DrawTitle(options, lettering, error))
            return false;
        canvas.DrawRotated(lettering, canvas.Width() / 2.0f, emblemSize + lettering.Height() / 2.0f, 0.0f,
                           1.0f, 0, emblemSize, canvas.Width(), lettering.Height());
        return true;
    }
    if (generator == "icon")
        return DrawIcon(options, canvas, error);
    if (generator == "spinner")
        return DrawSpinner(options, canvas, error);
    if (generator == "bubbleanim")
        return DrawBubbleAnimation(options, canvas, error);
    if (generator == "turnsheet")
        return DrawTurnSheet(options, canvas, error);
    if (generator == "emblem")
    {
        DrawEmblem(options, canvas);
        return true;
    }
    error = "unknown generator '" + generator + "'";
    return false;
}

} // namespace qvtool
