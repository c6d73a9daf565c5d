// Interface art: buttons, panels, pointers, particles, bars, the emblem, icons, frame strips
// (spinner, bubbles, turn sheets) and the ability and upgrade medallions.
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{

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

} // namespace qvtool
