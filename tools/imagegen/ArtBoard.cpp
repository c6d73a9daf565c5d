// The dive board's own pictures: the seven artifacts, the exit arrows and their glow, the tile
// frames behind each theme's tiles and the edge glows of the board.
//   artifact  kind=dagger|trident|sundisc|fossil|orb|amphora|crown colour= aura= scale=
//   exit      style=on|off|glow colour=
//   tileframe colour=
//   edgeglow  colour= rays=
#include "tools/imagegen/ArtBoard.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{
namespace
{
// A small faceted gem.
void Gem(Canvas& canvas, float cx, float cy, float r, const Colour& colour)
{
    GlossyBody(canvas, [=](float x, float y) { return sdf::Circle(x, y, cx, cy, r); }, colour, cx, cy, r, 1.0f);
    canvas.Fill([=](float x, float y) { return sdf::Circle(x, y, cx - r * 0.35f, cy - r * 0.35f, r * 0.3f); },
                Colour{1, 1, 1, 0.85f});
}

// The field of a polygon given in units of the picture's half size around its centre.
Field Shape(const std::vector<float>& unitPoints, float cx, float cy, float k)
{
    std::vector<float> points(unitPoints.size());
    for (size_t i = 0; i < unitPoints.size(); i += 2)
    {
        points[i] = cx + unitPoints[i] * k;
        points[i + 1] = cy + unitPoints[i + 1] * k;
    }
    return [points](float x, float y) { return sdf::Polygon(x, y, points); };
}

const Colour kGold{1.0f, 0.78f, 0.23f, 1};
const Colour kSilver{0.82f, 0.86f, 0.92f, 1};
const Colour kViolet{0.75f, 0.5f, 1.0f, 1};

void DrawDagger(Canvas& c, float cx, float cy, float k, const Colour& colour)
{
    // Blade up and to the right, hilt down-left: a diagonal silhouette no other token has.
    Canvas layer(c.Width(), c.Height());
    const float a = -kPi / 4.0f;
    auto rot = [&](float u, float v, float& x, float& y)
    {
        x = cx + (u * std::cos(a) - v * std::sin(a)) * k;
        y = cy + (u * std::sin(a) + v * std::cos(a)) * k;
    };
    auto poly = [&](std::vector<float> uv)
    {
        std::vector<float> p(uv.size());
        for (size_t i = 0; i < uv.size(); i += 2)
            rot(uv[i], uv[i + 1], p[i], p[i + 1]);
        return Field([p](float x, float y) { return sdf::Polygon(x, y, p); });
    };
    GlossyBody(layer, poly({-0.15f, 0.18f, 0.95f, 0.0f, -0.15f, -0.18f}), kSilver, cx + 0.2f * k, cy - 0.2f * k, 0.4f * k);
    // A fuller groove along the blade.
    layer.Fill(poly({-0.05f, 0.03f, 0.7f, 0.0f, -0.05f, -0.03f}), WithAlpha(Scale(kSilver, 0.55f), 0.8f));
    GlossyBody(layer, poly({-0.22f, 0.42f, -0.1f, 0.42f, -0.1f, -0.42f, -0.22f, -0.42f}), colour, cx, cy, 0.3f * k);
    GlossyBody(layer, poly({-0.7f, 0.09f, -0.22f, 0.09f, -0.22f, -0.09f, -0.7f, -0.09f}), Scale(colour, 0.7f), cx - 0.3f * k,
          cy + 0.3f * k, 0.25f * k);
    float gx, gy;
    rot(-0.8f, 0.0f, gx, gy);
    Gem(layer, gx, gy, 0.14f * k, kViolet);
    rot(-0.16f, 0.0f, gx, gy);
    Gem(layer, gx, gy, 0.08f * k, Colour{1.0f, 0.3f, 0.4f, 1});
    c.Composite(layer);
}

void DrawTrident(Canvas& c, float cx, float cy, float k, const Colour& colour)
{
    Field shaft = [=](float x, float y) { return sdf::Capsule(x, y, cx, cy - 0.35f * k, cx, cy + 0.95f * k, 0.07f * k); };
    GlossyBody(c, shaft, Scale(colour, 0.85f), cx, cy + 0.3f * k, 0.3f * k);
    Field head = [=](float x, float y)
    {
        const float bar = sdf::Capsule(x, y, cx - 0.5f * k, cy - 0.3f * k, cx + 0.5f * k, cy - 0.3f * k, 0.08f * k);
        const float left = sdf::Capsule(x, y, cx - 0.5f * k, cy - 0.3f * k, cx - 0.5f * k, cy - 0.75f * k, 0.07f * k);
        const float right = sdf::Capsule(x, y, cx + 0.5f * k, cy - 0.3f * k, cx + 0.5f * k, cy - 0.75f * k, 0.07f * k);
        const float middle = sdf::Capsule(x, y, cx, cy - 0.3f * k, cx, cy - 0.85f * k, 0.08f * k);
        float d = std::min(std::min(bar, left), std::min(right, middle));
        // Barbed points.
        for (float px : {-0.5f, 0.0f, 0.5f})
        {
            const float top = px == 0.0f ? -1.02f : -0.92f;
            d = std::min(d, sdf::Polygon(x, y,
                                         {cx + (px - 0.14f) * k, cy + (top + 0.24f) * k, cx + px * k, cy + top * k,
                                          cx + (px + 0.14f) * k, cy + (top + 0.24f) * k}));
        }
        return d;
    };
    GlossyBody(c, head, colour, cx, cy - 0.55f * k, 0.5f * k, 1.4f);
    Gem(c, cx, cy - 0.3f * k, 0.11f * k, Colour{0.3f, 0.85f, 0.9f, 1});
}

void DrawSunDisc(Canvas& c, float cx, float cy, float k, const Colour& colour)
{
    Field rays = [=](float x, float y) { return sdf::Star(x, y, cx, cy, 12, 0.95f * k, 0.62f * k, -kPi / 2.0f); };
    GlossyBody(c, rays, Scale(colour, 0.9f), cx, cy, 0.8f * k);
    Field disc = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, 0.55f * k); };
    GlossyBody(c, disc, colour, cx, cy, 0.55f * k);
    // An engraved ring and a face of two eyes and a smile.
    const Colour ink = WithAlpha(Scale(colour, 0.4f), 0.85f);
    c.Fill([=](float x, float y) { return std::fabs(sdf::Circle(x, y, cx, cy, 0.42f * k)) - 0.025f * k; }, ink);
    for (float ex : {-0.15f, 0.15f})
        c.Fill([=](float x, float y) { return sdf::Circle(x, y, cx + ex * k, cy - 0.08f * k, 0.055f * k); }, ink);
    c.Fill([=](float x, float y)
           {
               const float ring = std::fabs(sdf::Circle(x, y, cx, cy + 0.02f * k, 0.2f * k)) - 0.025f * k;
               return std::max(ring, cy + 0.1f * k - y);
           },
           ink);
}

void DrawFossil(Canvas& c, float cx, float cy, float k, const Colour& colour)
{
    // An ammonite: a round shell with a spiral groove and ribs.
    Field shell = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, 0.85f * k); };
    GlossyBody(c, shell, colour, cx, cy, 0.85f * k);
    const Colour groove = WithAlpha(Scale(colour, 0.4f), 0.9f);
    c.Fill(
        [=](float x, float y)
        {
            const float dx = x - cx, dy = y - cy;
            const float r = std::hypot(dx, dy) / k;
            float angle = std::atan2(dy, dx);
            if (angle < 0)
                angle += 2.0f * kPi;
            // Spiral r = 0.12 e^(0.22 theta), over several turns.
            float best = 1e9f;
            for (int turn = 0; turn < 4; ++turn)
            {
                const float theta = angle + 2.0f * kPi * float(turn);
                const float sr = 0.1f * std::exp(0.2f * theta);
                best = std::min(best, std::fabs(r - sr));
            }
            return (r > 0.82f ? 1.0f : best * k) - 0.035f * k;
        },
        groove);
    // Ribs across the outer whorl.
    for (int i = 0; i < 14; ++i)
    {
        const float angle = float(i) / 14.0f * 2.0f * kPi;
        const float r0 = 0.56f, r1 = 0.8f;
        c.Fill([=](float x, float y)
               {
                   return sdf::Capsule(x, y, cx + std::cos(angle) * r0 * k, cy + std::sin(angle) * r0 * k,
                                       cx + std::cos(angle) * r1 * k, cy + std::sin(angle) * r1 * k, 0.018f * k);
               },
               WithAlpha(Scale(colour, 0.55f), 0.7f));
    }
}

void DrawOrb(Canvas& c, float cx, float cy, float k, const Colour& colour)
{
    Field stand = Shape({-0.45f, 0.95f, 0.45f, 0.95f, 0.3f, 0.62f, -0.3f, 0.62f}, cx, cy, k);
    GlossyBody(c, stand, kGold, cx, cy + 0.8f * k, 0.4f * k);
    for (float px : {-0.38f, 0.38f})
        c.Fill([=](float x, float y)
               { return sdf::Capsule(x, y, cx + px * k, cy + 0.62f * k, cx + px * 0.7f * k, cy + 0.35f * k, 0.06f * k); },
               Scale(kGold, 0.8f));
    Field orb = [=](float x, float y) { return sdf::Circle(x, y, cx, cy - 0.15f * k, 0.66f * k); };
    GlossyBody(c, orb, colour, cx, cy - 0.15f * k, 0.66f * k);
    // A glowing heart inside the crystal.
    c.AddLight([=](float x, float y)
               {
                   const float d = std::hypot(x - cx, y - (cy - 0.1f * k)) / (0.45f * k);
                   return Colour{0.9f, 0.8f, 1.0f, 0.7f * Clamp01(1.0f - d) * Clamp01(1.0f - d)};
               });
}

void DrawAmphora(Canvas& c, float cx, float cy, float k, const Colour& colour)
{
    Field body = [=](float x, float y)
    {
        const float belly = sdf::Ellipse(x, y, cx, cy + 0.15f * k, 0.55f * k, 0.62f * k);
        const float neck = sdf::RoundBox(x, y, cx, cy - 0.6f * k, 0.18f * k, 0.3f * k, 0.05f * k);
        const float lip = sdf::RoundBox(x, y, cx, cy - 0.9f * k, 0.28f * k, 0.07f * k, 0.04f * k);
        const float foot = sdf::RoundBox(x, y, cx, cy + 0.85f * k, 0.22f * k, 0.1f * k, 0.04f * k);
        return std::min(std::min(sdf::Smooth(belly, neck, 0.12f * k), lip), foot);
    };
    for (float side : {-1.0f, 1.0f})
        c.Fill([=](float x, float y)
               {
                   const float ring = std::fabs(sdf::Ellipse(x, y, cx + side * 0.38f * k, cy - 0.5f * k, 0.2f * k, 0.28f * k)) -
                       0.05f * k;
                   return std::max(ring, side * (cx - x) + 0.2f * k);
               },
               Scale(colour, 0.55f));
    GlossyBody(c, body, colour, cx, cy, 0.65f * k);
    // A painted band with a wave pattern.
    const Colour paint = WithAlpha(Colour{0.12f, 0.08f, 0.06f, 1}, 0.75f);
    c.Fill([=](float x, float y)
           {
               const float band = std::fabs(y - (cy + 0.1f * k)) - 0.12f * k;
               const float wave = std::fabs(y - (cy + 0.1f * k) - 0.06f * k * std::sin((x - cx) / k * 12.0f)) - 0.025f * k;
               return std::max(std::max(body(x, y) + 0.06f * k, band), -wave);
           },
           paint);
}

void DrawCrown(Canvas& c, float cx, float cy, float k, const Colour& colour)
{
    Field crown = Shape({-0.85f, 0.6f, 0.85f, 0.6f, 0.9f, -0.55f, 0.45f, -0.05f, 0.0f, -0.75f, -0.45f, -0.05f,
                         -0.9f, -0.55f},
                        cx, cy, k);
    GlossyBody(c, crown, colour, cx, cy, 0.8f * k);
    Field band = [=](float x, float y) { return sdf::RoundBox(x, y, cx, cy + 0.5f * k, 0.88f * k, 0.14f * k, 0.05f * k); };
    GlossyBody(c, band, Scale(colour, 0.85f), cx, cy + 0.5f * k, 0.3f * k, 1.2f);
    for (auto [px, py] : {std::pair{-0.9f, -0.6f}, std::pair{0.0f, -0.82f}, std::pair{0.9f, -0.6f}})
        Gem(c, cx + px * k, cy + py * k, 0.11f * k, Colour{1.0f, 0.95f, 0.8f, 1});
    Gem(c, cx, cy + 0.5f * k, 0.12f * k, Colour{0.9f, 0.2f, 0.3f, 1});
    Gem(c, cx - 0.5f * k, cy + 0.5f * k, 0.08f * k, Colour{0.3f, 0.6f, 1.0f, 1});
    Gem(c, cx + 0.5f * k, cy + 0.5f * k, 0.08f * k, Colour{0.3f, 0.9f, 0.5f, 1});
}

bool DrawArtifact(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string kind = o.Text("kind", "orb");
    const Colour colour = ColourOption(o, "colour", kGold);
    const Colour aura = ColourOption(o, "aura", Colour{0.75f, 0.5f, 1.0f, 1});
    const float w = float(canvas.Width()), h = float(canvas.Height());
    const float cx = w / 2.0f, cy = h / 2.0f;
    const float k = std::min(w, h) * 0.5f * o.Number("scale", 0.7f);

    // The artifact's aura: a violet halo that marks every artifact on the board.
    canvas.Shade([=](float x, float y)
                    {
                        const float d = std::hypot(x - cx, y - cy) / (std::min(w, h) * 0.5f);
                        const float t = Clamp01(1.0f - d);
                        return WithAlpha(aura, 0.55f * t * t);
                    });
    Canvas body(canvas.Width(), canvas.Height());
    if (kind == "dagger")
        DrawDagger(body, cx, cy, k * 1.15f, colour);
    else if (kind == "trident")
        DrawTrident(body, cx, cy, k, colour);
    else if (kind == "sundisc")
        DrawSunDisc(body, cx, cy, k, colour);
    else if (kind == "fossil")
        DrawFossil(body, cx, cy, k, colour);
    else if (kind == "orb")
        DrawOrb(body, cx, cy, k, colour);
    else if (kind == "amphora")
        DrawAmphora(body, cx, cy, k, colour);
    else if (kind == "crown")
        DrawCrown(body, cx, cy, k, colour);
    else
    {
        error = "unknown artifact kind '" + kind + "'";
        return false;
    }
    canvas.DropShadow(body, 0, 2, 2, Colour{0.0f, 0.05f, 0.15f, 0.45f});
    canvas.Composite(body);
    // Two sparkles: artifacts glitter.
    for (auto [sx, sy, r] : {std::tuple{0.72f, 0.2f, 0.09f}, std::tuple{0.22f, 0.8f, 0.06f}})
        canvas.Fill([=](float x, float y) { return sdf::Star(x, y, sx * w, sy * h, 4, r * w, r * w * 0.22f, 0.0f); },
                    Colour{1.0f, 0.97f, 0.85f, 0.95f});
    return true;
}

// An exit arrow pointing right (+x); the tile turns it towards its side.
bool DrawExit(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string style = o.Text("style", "on");
    const float w = float(canvas.Width()), h = float(canvas.Height());
    const float cx = w / 2.0f, cy = h / 2.0f;
    if (style == "glow")
    {
        const Colour colour = ColourOption(o, "colour", Colour{0.63f, 0.94f, 1.0f, 1});
        canvas.Shade([=](float x, float y)
                        {
                            const float dx = (x - cx) / (w * 0.5f), dy = (y - cy) / (h * 0.5f);
                            const float t = Clamp01(1.0f - std::hypot(dx, dy));
                            return WithAlpha(colour, t * t * 0.9f);
                        });
        return true;
    }
    if (style != "on" && style != "off")
    {
        error = "unknown exit style '" + style + "'";
        return false;
    }
    const bool on = style == "on";
    const Colour colour = ColourOption(o, "colour", on ? Colour{1.0f, 0.96f, 0.75f, 1} : Colour{0.35f, 0.47f, 0.56f, 0.85f});
    const float k = std::min(w, h) * 0.5f;
    Field arrow = [=](float x, float y)
    {
        // A chevron with a short stem: reads as "out this way" even when small.
        const float head = sdf::Polygon(x, y, {cx - 0.1f * w, cy - 0.45f * h, cx + 0.42f * w, cy, cx - 0.1f * w, cy + 0.45f * h,
                                               cx + 0.05f * w, cy});
        const float stem = sdf::RoundBox(x, y, cx - 0.22f * w, cy, 0.2f * w, 0.1f * h, 0.05f * w);
        return std::min(head, stem);
    };
    if (on)
        canvas.Shade([=](float x, float y)
                        {
                            const float t = Clamp01(1.0f + arrow(x, y) / (0.3f * k));
                            const float edge = Clamp01(std::min(std::min(x, w - x), std::min(y, h - y)) / 3.0f);
                            return WithAlpha(Colour{1.0f, 0.85f, 0.4f, 1}, 0.5f * t * t * edge);
                        });
    Canvas layer(canvas.Width(), canvas.Height());
    GlossyBody(layer, arrow, colour, cx, cy, 0.6f * k, 1.2f);
    canvas.DropShadow(layer, 0, 1, 1, Colour{0.0f, 0.05f, 0.15f, on ? 0.45f : 0.3f});
    canvas.Composite(layer);
    return true;
}

// The rim behind a theme's tiles: a darker rounded square slightly larger than the tile, so the
// board reads as set stones with grout between them.
void DrawTileFrame(const ToolOptions& o, Canvas& canvas)
{
    const Colour colour = ColourOption(o, "colour", Colour{0.3f, 0.25f, 0.2f, 1});
    const float w = float(canvas.Width()), h = float(canvas.Height());
    Field outer = [=](float x, float y) { return sdf::RoundBox(x, y, w / 2, h / 2, w / 2 - 1.5f, h / 2 - 1.5f, w * 0.18f); };
    canvas.Fill(outer,
                [=](float, float y)
                {
                    const float t = y / h;
                    Colour c = Scale(colour, 0.55f - 0.2f * t);
                    c.a = 0.85f;
                    return c;
                },
                1.5f);
    // A faint light rim on the top edge, as stone catching the light from above.
    canvas.Fill([=](float x, float y) { return std::max(std::fabs(outer(x, y) + 1.0f) - 0.6f, y - h * 0.45f); },
                WithAlpha(Scale(colour, 1.5f), 0.45f));
}

// The glow under the board's edge tiles: a soft disc with a few rays, so that its slow turn shows.
void DrawEdgeGlow(const ToolOptions& o, Canvas& canvas)
{
    const Colour colour = ColourOption(o, "colour", Colour{0.63f, 0.94f, 1.0f, 1});
    const int rays = std::max(0, o.Integer("rays", 5));
    const float w = float(canvas.Width()), h = float(canvas.Height());
    const float cx = w / 2.0f, cy = h / 2.0f;
    canvas.Shade([=](float x, float y)
                    {
                        const float dx = (x - cx) / (w * 0.5f), dy = (y - cy) / (h * 0.5f);
                        const float r = std::hypot(dx, dy);
                        const float disc = Clamp01(1.0f - r);
                        const float angle = std::atan2(dy, dx);
                        const float ray = rays > 0 ? std::pow(0.5f + 0.5f * std::cos(angle * float(rays)), 6.0f) : 0.0f;
                        const float a = disc * disc * 0.6f + ray * disc * 0.35f;
                        return WithAlpha(colour, Clamp01(a));
                    });
}
} // namespace

bool DrawBoardArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error,
                  bool& handled)
{
    handled = true;
    if (generator == "artifact")
        return DrawArtifact(options, canvas, error);
    if (generator == "exit")
        return DrawExit(options, canvas, error);
    if (generator == "tileframe")
    {
        DrawTileFrame(options, canvas);
        return true;
    }
    if (generator == "edgeglow")
    {
        DrawEdgeGlow(options, canvas);
        return true;
    }
    handled = false;
    return false;
}

} // namespace qvtool
