// The dive HUD's own pictures: the theme lights, the air tube, the treasure chests in their five
// sizes, the amulet with its settling frames and shadow, the amulet's socket in the top bar, glass
// overlays and the turning arrows of the rotate buttons.
#include "tools/imagegen/ArtHud.h"

#include <algorithm>
#include <cmath>

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{
namespace
{
// A soft light from the surface over the whole screen, in the theme's colour: brightest at the top,
// with a few slanted shafts, fading out well above the bottom so the board stays clear.
void DrawHudLight(const ToolOptions& o, Canvas& canvas)
{
    const Colour light = ColourOption(o, "colour", Colour{0.63f, 0.94f, 1.0f, 1});
    const float strength = static_cast<float>(o.Number("strength", 0.35));
    const float w = canvas.Width(), h = canvas.Height();
    canvas.Shade(
        [&](float x, float y)
        {
            const float top = std::pow(Clamp01(1.0f - y / (h * 0.7f)), 1.8f);
            float shafts = 0.0f;
            for (int i = 0; i < 4; ++i)
            {
                const float cx = w * (0.15f + 0.24f * float(i)) + (y * 0.35f);
                shafts += std::exp(-std::pow((x - cx) / (w * 0.035f), 2.0f)) * 0.5f;
            }
            const float sides = 0.25f * std::pow(std::fabs(x / w - 0.5f) * 2.0f, 3.0f);
            const float a = Clamp01(strength * (top * (0.55f + shafts) + sides * (1.0f - y / h)));
            return WithAlpha(light, a);
        });
}

// The air tube: a glass capsule lying at the bar's angle (descending to the right). style=back
// draws the dark inside with a rim, style=glass the glossy front.
void DrawAirTube(const ToolOptions& o, Canvas& canvas)
{
    const std::string style = o.Text("style", "back");
    const float w = canvas.Width(), h = canvas.Height();
    const float tilt = static_cast<float>(o.Number("tilt", 0.2827));
    const float len = static_cast<float>(o.Number("length", w * 0.8f));
    const float r = static_cast<float>(o.Number("radius", h * 0.16f));
    const float cx = w / 2, cy = h / 2;
    const float dx = std::cos(tilt) * len / 2, dy = std::sin(tilt) * len / 2;
    Field tube = [=](float x, float y) { return sdf::Capsule(x, y, cx - dx, cy - dy, cx + dx, cy + dy, r); };
    Canvas layer(canvas.Width(), canvas.Height());
    if (style == "back")
    {
        layer.Fill([&](float x, float y) { return tube(x, y) - 3.0f; }, Colour{0.1f, 0.3f, 0.38f, 1});
        layer.Fill([&](float x, float y) { return tube(x, y) - 1.5f; }, Colour{0.55f, 0.85f, 0.95f, 1});
        layer.Fill(tube, Colour{0.01f, 0.06f, 0.12f, 0.9f});
        // Brass caps at both ends.
        for (float s : {-1.0f, 1.0f})
        {
            const float ex = cx + s * dx, ey = cy + s * dy;
            layer.Fill([&](float x, float y) { return sdf::Circle(x, y, ex, ey, r + 3.5f); },
                       [&](float, float y)
                       {
                           const float t = Clamp01((y - ey + r) / (2 * r + 7));
                           return Mix(Colour{1.0f, 0.86f, 0.5f, 1}, Colour{0.55f, 0.36f, 0.12f, 1}, t);
                       });
        }
        canvas.DropShadow(layer, 0, 2, 2, Colour{0, 0.05f, 0.15f, 0.45f});
        canvas.Composite(layer);
        return;
    }
    // Glass: a highlight along the upper side and a faint tint.
    layer.Fill(tube, Colour{0.7f, 0.95f, 1.0f, 0.1f});
    const float up = r * 0.45f * std::cos(tilt);
    layer.Fill([&](float x, float y)
               { return sdf::Capsule(x, y, cx - dx * 0.85f, cy - dy * 0.85f - up, cx + dx * 0.85f, cy + dy * 0.85f - up, r * 0.28f); },
               Colour{1, 1, 1, 0.55f});
    canvas.Composite(layer);
}

// A wooden treasure chest banded in metal; bigger chests carry richer metal and gems. Open: the
// lid stands up behind a heap of gold; closed: the lid is shut and locked.
void DrawChest(const ToolOptions& o, Canvas& canvas)
{
    const int size = std::clamp(static_cast<int>(o.Integer("size", 0)), 0, 4);
    const bool open = o.Text("state", "open") == "open";
    const float w = canvas.Width(), h = canvas.Height();
    const Colour wood = Colour{0.45f, 0.25f, 0.12f, 1};
    static const Colour kBands[5] = {{0.55f, 0.5f, 0.45f, 1}, {0.85f, 0.5f, 0.29f, 1}, {0.78f, 0.83f, 0.88f, 1},
                                     {1.0f, 0.78f, 0.23f, 1}, {1.0f, 0.85f, 0.35f, 1}};
    const Colour band = kBands[size];
    const float bx0 = w * 0.1f, bx1 = w * 0.9f;
    const float bodyTop = h * 0.48f, bodyBottom = h * 0.92f;
    const float bcx = w / 2, bhw = (bx1 - bx0) / 2;
    Canvas layer(canvas.Width(), canvas.Height());
    auto woodShade = [&](float x, float y, float top, float bottom)
    {
        const float t = Clamp01((y - top) / (bottom - top));
        Colour c = Mix(Scale(wood, 1.35f), Scale(wood, 0.7f), t);
        const float grain = Fbm(x / 3.0f, y / 14.0f, 7, 3);
        return Scale(c, 0.85f + 0.3f * grain);
    };
    Field body = [=](float x, float y)
    { return sdf::RoundBox(x, y, bcx, (bodyTop + bodyBottom) / 2, bhw, (bodyBottom - bodyTop) / 2, 4); };
    if (open)
    {
        // The lid stands open behind, seen from inside.
        const float lidTop = h * 0.06f;
        Field lid = [=](float x, float y)
        { return sdf::RoundBox(x, y, bcx, (lidTop + bodyTop) / 2, bhw * 0.96f, (bodyTop - lidTop) / 2, 8); };
        layer.Fill([&](float x, float y) { return lid(x, y) - 1.5f; }, Scale(wood, 0.35f));
        layer.Fill(lid, [&](float x, float y) { return Scale(woodShade(x, y, lidTop, bodyTop), 0.75f); });
        layer.Fill([&](float x, float y) { return std::fabs(lid(x, y) + 3.0f) - 1.6f; }, band);
        // Gold heaped above the rim.
        Random rng(31u + unsigned(size));
        const int coins = 10 + 4 * size;
        for (int i = 0; i < coins; ++i)
        {
            const float cx = bx0 + 8 + rng.Uniform() * (bx1 - bx0 - 16);
            const float spread = 1.0f - std::fabs(cx - bcx) / bhw;
            const float cy = bodyTop - rng.Uniform() * h * 0.16f * spread;
            const float r = w * (0.055f + 0.02f * rng.Uniform());
            layer.Fill([&](float x, float y) { return sdf::Ellipse(x, y, cx, cy, r, r * 0.8f); },
                       [&](float x, float y)
                       {
                           const float t = Clamp01((y - cy + r) / (2 * r));
                           Colour c = Mix(Colour{1.0f, 0.93f, 0.55f, 1}, Colour{0.8f, 0.5f, 0.1f, 1}, t);
                           const float spec = Clamp01(1.0f - std::hypot(x - cx + r * 0.3f, y - cy + r * 0.3f) / (r * 0.5f));
                           return Mix(c, Colour{1, 1, 0.9f, 1}, spec * 0.6f);
                       });
        }
        if (size >= 2)
        {
            // Gems for the richer chests.
            const Colour gems[3] = {{0.66f, 0.94f, 1.0f, 1}, {1.0f, 0.29f, 0.42f, 1}, {0.35f, 0.94f, 0.63f, 1}};
            for (int i = 0; i < size - 1; ++i)
            {
                const float gx = bcx + (float(i) - float(size - 2) / 2.0f) * w * 0.18f;
                const float gy = bodyTop - h * 0.08f;
                layer.Fill([&](float x, float y) { return sdf::Star(x, y, gx, gy, 6, w * 0.06f, w * 0.045f, 0); },
                           [&](float, float y) { return Mix(Scale(gems[i % 3], 1.3f), Scale(gems[i % 3], 0.7f),
                                                            Clamp01((y - gy + 6) / 12)); });
            }
        }
    }
    // The body with its bands.
    layer.Fill([&](float x, float y) { return body(x, y) - 1.5f; }, Scale(wood, 0.3f));
    layer.Fill(body, [&](float x, float y) { return woodShade(x, y, bodyTop, bodyBottom); });
    for (float fx : {0.22f, 0.78f})
    {
        const float x0 = w * fx;
        layer.Fill(
            [&](float x, float y) { return std::max(body(x, y), std::fabs(x - x0) - w * 0.045f); },
            [&](float, float y) { return Mix(Scale(band, 1.25f), Scale(band, 0.7f), Clamp01((y - bodyTop) / (bodyBottom - bodyTop))); });
    }
    layer.Fill([&](float x, float y) { return std::max(body(x, y), std::fabs(y - bodyTop - 3) - 2.5f); }, band);
    if (!open)
    {
        // The shut lid: a rounded top over the body.
        const float lidTop = h * 0.22f;
        Field lid = [=](float x, float y)
        {
            const float box = sdf::RoundBox(x, y, bcx, (lidTop + bodyTop) / 2 + 2, bhw, (bodyTop - lidTop) / 2 + 2, 14);
            return box;
        };
        layer.Fill([&](float x, float y) { return lid(x, y) - 1.5f; }, Scale(wood, 0.3f));
        layer.Fill(lid, [&](float x, float y) { return woodShade(x, y, lidTop, bodyTop); });
        layer.Fill([&](float x, float y) { return std::max(lid(x, y), std::fabs(y - bodyTop + 1) - 2.0f); },
                   Scale(band, 0.8f));
        for (float fx : {0.22f, 0.78f})
        {
            const float x0 = w * fx;
            layer.Fill([&](float x, float y) { return std::max(lid(x, y), std::fabs(x - x0) - w * 0.045f); },
                       Scale(band, 1.1f));
        }
        // The lock.
        layer.Fill([&](float x, float y) { return sdf::RoundBox(x, y, bcx, bodyTop + 4, w * 0.07f, h * 0.09f, 3); },
                   [&](float, float y) { return Mix(Colour{1.0f, 0.9f, 0.55f, 1}, Colour{0.6f, 0.4f, 0.1f, 1},
                                                    Clamp01((y - bodyTop + 4) / (h * 0.18f))); });
        layer.Fill([&](float x, float y) { return sdf::Circle(x, y, bcx, bodyTop + 2, w * 0.018f); },
                   Colour{0.15f, 0.08f, 0.02f, 1});
    }
    else
    {
        layer.Fill([&](float x, float y) { return sdf::RoundBox(x, y, bcx, bodyTop + 10, w * 0.06f, h * 0.06f, 3); },
                   Mix(band, Colour{1, 0.9f, 0.6f, 1}, 0.3f));
    }
    canvas.DropShadow(layer, 0, 2, 2, Colour{0, 0.05f, 0.15f, 0.45f});
    canvas.Composite(layer);
}

// The amulet: a golden disc set with a sea-green stone and a ring of small pearls, a trident in the
// stone. frame=0..6 is the settling flash (a light sweeping over it and a growing glow); style=shadow
// is its soft navy shadow.
void DrawAmulet(const ToolOptions& o, Canvas& canvas)
{
    const float w = canvas.Width(), h = canvas.Height();
    const float cx = w / 2, cy = h / 2;
    if (o.Text("style", "amulet") == "shadow")
    {
        canvas.Fill([&](float x, float y) { return sdf::Ellipse(x, y, cx, cy, w * 0.4f, h * 0.3f); },
                    Colour{0, 0.05f, 0.15f, 0.5f}, std::min(w, h) * 0.15f);
        return;
    }
    const int frame = std::clamp(static_cast<int>(o.Integer("frame", 0)), 0, 6);
    const float R = std::min(w, h) * 0.4f;
    Canvas layer(canvas.Width(), canvas.Height());
    const Colour gold{1.0f, 0.78f, 0.23f, 1};
    // Chain loop on top.
    layer.Fill([&](float x, float y) { return std::fabs(sdf::Circle(x, y, cx, cy - R * 1.05f, R * 0.18f)) - R * 0.05f; },
               Scale(gold, 0.9f));
    layer.Fill([&](float x, float y) { return sdf::Circle(x, y, cx, cy, R) - 1.5f; }, Scale(gold, 0.3f));
    layer.Fill([&](float x, float y) { return sdf::Circle(x, y, cx, cy, R); },
               [&](float x, float y)
               {
                   const float t = Clamp01((y - cy + R) / (2 * R));
                   const float ring = 0.5f + 0.5f * std::sin(std::atan2(y - cy, x - cx) * 12.0f);
                   return Scale(Mix(Scale(gold, 1.3f), Scale(gold, 0.6f), t), 0.9f + 0.15f * ring);
               });
    // Pearls around the stone.
    for (int i = 0; i < 12; ++i)
    {
        const float a = float(i) / 12.0f * 2 * kPi;
        const float px = cx + std::cos(a) * R * 0.78f, py = cy + std::sin(a) * R * 0.78f;
        layer.Fill([&](float x, float y) { return sdf::Circle(x, y, px, py, R * 0.085f); },
                   [&](float x, float y)
                   {
                       const float s = Clamp01(1.0f - std::hypot(x - px + R * 0.03f, y - py + R * 0.03f) / (R * 0.08f));
                       return Mix(Colour{0.85f, 0.9f, 0.95f, 1}, Colour{1, 1, 1, 1}, s);
                   });
    }
    // The stone with its trident.
    const Colour stone{0.2f, 0.75f, 0.7f, 1};
    layer.Fill([&](float x, float y) { return sdf::Circle(x, y, cx, cy, R * 0.62f); },
               [&](float x, float y)
               {
                   const float d = std::hypot(x - cx + R * 0.2f, y - cy + R * 0.25f) / (R * 0.9f);
                   return Mix(Scale(stone, 1.6f), Scale(stone, 0.45f), Clamp01(d));
               });
    const Colour ink{1.0f, 0.97f, 0.88f, 0.95f};
    layer.Fill([&](float x, float y) { return sdf::Capsule(x, y, cx, cy - R * 0.35f, cx, cy + R * 0.42f, R * 0.05f); }, ink);
    for (float s : {-1.0f, 0.0f, 1.0f})
    {
        const float tx = cx + s * R * 0.24f;
        const float ty = cy - R * (s == 0.0f ? 0.46f : 0.36f);
        layer.Fill([&](float x, float y)
                   { return sdf::Polygon(x, y, {tx - R * 0.07f, ty + R * 0.1f, tx, ty - R * 0.08f, tx + R * 0.07f, ty + R * 0.1f}); },
                   ink);
        if (s != 0.0f)
            layer.Fill([&](float x, float y) { return sdf::Capsule(x, y, tx, ty + R * 0.08f, tx, cy - R * 0.12f, R * 0.045f); }, ink);
    }
    layer.Fill([&](float x, float y) { return sdf::Capsule(x, y, cx - R * 0.24f, cy - R * 0.12f, cx + R * 0.24f, cy - R * 0.12f, R * 0.045f); },
               ink);
    // Specular spot from the top left.
    layer.Fill([&](float x, float y) { return sdf::Ellipse(x, y, cx - R * 0.32f, cy - R * 0.4f, R * 0.22f, R * 0.12f); },
               Colour{1, 1, 1, 0.45f}, 3.0f);
    // The settling frames: a sweep of light across and a glow that swells and fades.
    if (frame > 0)
    {
        const float sweep = -R + 2.2f * R * float(frame) / 6.0f;
        const float glow = std::sin(float(frame) / 6.0f * kPi);
        layer.AddLight(
            [&](float x, float y)
            {
                const float inside = sdf::Circle(x, y, cx, cy, R) < 0 ? 1.0f : 0.0f;
                const float band = std::exp(-std::pow(((x - cx) + (y - cy) - sweep) / (R * 0.22f), 2.0f));
                return Colour{1, 1, 0.85f, inside * band * 0.7f};
            });
        canvas.Fill([&](float x, float y) { return sdf::Circle(x, y, cx, cy, R * 1.15f); },
                    Colour{0.63f, 0.94f, 1.0f, 0.35f * glow}, R * 0.3f);
    }
    canvas.DropShadow(layer, 0, 2, 2, Colour{0, 0.05f, 0.15f, 0.45f});
    canvas.Composite(layer);
}

// The amulet's socket in the top bar: a dark plaque with brass edges and a round recess.
void DrawSocket(const ToolOptions& o, Canvas& canvas)
{
    const float w = canvas.Width(), h = canvas.Height();
    const Colour fill = ColourOption(o, "colour", Colour{0.03f, 0.16f, 0.3f, 0.9f});
    const Colour brass{0.85f, 0.65f, 0.3f, 1};
    Field plate = [=](float x, float y) { return sdf::RoundBox(x, y, w / 2, h * 0.55f, w / 2 - 4, h * 0.38f, h * 0.3f); };
    Field recess = [=](float x, float y) { return sdf::Circle(x, y, w / 2, h * 0.45f, h * 0.42f); };
    Field shape = [=](float x, float y) { return sdf::Union(plate(x, y), recess(x, y) - 3.0f); };
    Canvas layer(canvas.Width(), canvas.Height());
    layer.Fill([&](float x, float y) { return shape(x, y) - 1.5f; }, Scale(brass, 0.35f));
    layer.Fill(shape, [&](float, float y) { return WithAlpha(Mix(Scale(fill, 1.4f), Scale(fill, 0.7f), y / h), fill.a); });
    layer.Fill([&](float x, float y) { return std::fabs(shape(x, y) + 2.0f) - 1.4f; },
               [&](float, float y) { return Mix(Scale(brass, 1.2f), Scale(brass, 0.6f), y / h); });
    layer.Fill(recess, [&](float x, float y)
               {
                   const float d = std::hypot(x - w / 2, y - h * 0.45f) / (h * 0.42f);
                   return Colour{0.01f, 0.05f, 0.1f, 0.85f * (0.6f + 0.4f * d)};
               });
    layer.Fill([&](float x, float y) { return std::fabs(recess(x, y)) - 1.2f; }, Scale(brass, 1.1f));
    canvas.DropShadow(layer, 0, 3, 4, Colour{0, 0.02f, 0.08f, 0.5f});
    canvas.Composite(layer);
}

// A glass cover for a bar: a faint tint with a bright streak along the top.
void DrawGlass(const ToolOptions& o, Canvas& canvas)
{
    (void)o;
    const float w = canvas.Width(), h = canvas.Height();
    Field shape = [=](float x, float y) { return sdf::RoundBox(x, y, w / 2, h / 2, w / 2 - 1, h / 2 - 1, h / 2 - 1); };
    canvas.Fill(shape, Colour{0.7f, 0.95f, 1.0f, 0.08f});
    canvas.Fill([&](float x, float y) { return std::max(shape(x, y) + 2.0f, y - h * 0.4f); }, Colour{1, 1, 1, 0.5f});
    canvas.Fill([&](float x, float y) { return std::fabs(shape(x, y) + 0.6f) - 0.6f; }, Colour{0.55f, 0.85f, 0.95f, 0.8f});
}

// A curved arrow a quarter of a turn long: dir=left turns anticlockwise, right clockwise.
void DrawRotateArrow(const ToolOptions& o, Canvas& canvas)
{
    const bool left = o.Text("dir", "left") == "left";
    const Colour ink = ColourOption(o, "colour", Colour{1.0f, 0.97f, 0.88f, 1});
    const float w = canvas.Width(), h = canvas.Height();
    const float cx = w / 2, cy = h / 2 + h * 0.05f, R = std::min(w, h) * 0.3f, t = std::min(w, h) * 0.085f;
    const float a0 = kPi * 1.1f, a1 = kPi * 1.9f;
    Field arc = [=](float x, float y)
    {
        float a = std::atan2(y - cy, x - cx);
        if (a < 0)
            a += 2 * kPi;
        const float ring = std::fabs(std::hypot(x - cx, y - cy) - R) - t;
        const float mid = (a0 + a1) / 2, half = (a1 - a0) / 2;
        const float span = std::fabs(a - mid) - half;
        return std::max(ring, span * R);
    };
    const float tipA = left ? a0 : a1;
    const float tx = cx + std::cos(tipA) * R, ty = cy + std::sin(tipA) * R;
    // The head points along the arc, away from it.
    const float dirX = left ? std::sin(tipA) : -std::sin(tipA), dirY = left ? -std::cos(tipA) : std::cos(tipA);
    const float nx = std::cos(tipA), ny = std::sin(tipA), s = t * 2.6f;
    Field head = [=](float x, float y)
    {
        return sdf::Polygon(x, y, {tx + nx * s, ty + ny * s, tx - nx * s, ty - ny * s, tx + dirX * s * 1.3f, ty + dirY * s * 1.3f});
    };
    Field shape = [=](float x, float y) { return sdf::Union(arc(x, y), head(x, y)); };
    Canvas layer(canvas.Width(), canvas.Height());
    layer.Fill([&](float x, float y) { return shape(x, y) - 1.6f; }, Colour{0.04f, 0.16f, 0.26f, 1});
    layer.Fill(shape, ink);
    canvas.DropShadow(layer, 0, 1, 1, Colour{0, 0.05f, 0.15f, 0.5f});
    canvas.Composite(layer);
}
} // namespace

bool DrawHudArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error,
                bool& handled)
{
    (void)error;
    handled = true;
    if (generator == "hudlight")
        DrawHudLight(options, canvas);
    else if (generator == "airtube")
        DrawAirTube(options, canvas);
    else if (generator == "chest")
        DrawChest(options, canvas);
    else if (generator == "amulet")
        DrawAmulet(options, canvas);
    else if (generator == "socket")
        DrawSocket(options, canvas);
    else if (generator == "glass")
        DrawGlass(options, canvas);
    else if (generator == "rotatearrow")
        DrawRotateArrow(options, canvas);
    else
        handled = false;
    return true;
}
} // namespace qvtool
