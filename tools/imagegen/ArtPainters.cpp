// Painting helpers the generators share: glossy bodies, cartoon eyes and mouths, options.
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{

float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

Colour ColourOption(const ToolOptions& options, const std::string& key, const Colour& fallback)
{
    float c[4];
    if (!options.Colour(key, c))
        return fallback;
    return {c[0], c[1], c[2], c[3]};
}

// A glossy, softly lit body: dark rim, dome shading lit from the top left, specular spot.
// size is the body's rough radius in pixels (for the shading falloff).
void GlossyBody(Canvas& canvas, const Field& shape, const Colour& base, float cx, float cy, float size, float rim)
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

} // namespace qvtool
