// The board's pieces: creature and treasure tokens, tiles with their frames, medals.
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{

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

} // namespace qvtool
