// The shops' own pictures: the three shop interiors behind the counter (generator "shopscene",
// shop=1..3: the harbour hut of planks with ropes and a lamp, the reef trader's coral grotto, the
// deep bazaar's tent of violet cloth under glowing lanterns), each with shelves of goods, a
// counter and a place for the shopkeeper's portrait; and the signs the item buttons wear
// (generator "shopsign", kind=soldout|comsoon|newstock).
#include "tools/imagegen/ArtShop.h"

#include <algorithm>
#include <cmath>

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{
namespace
{
struct ShopLook
{
    Colour top, bottom, floor;
    Colour wall, wallDark, trim, accent, lamp;
};

ShopLook LookOf(int shop)
{
    switch (shop)
    {
    case 2: // the reef trader: coral pinks on a bright reef
        return {Colour{0.23f, 0.72f, 0.85f, 1}, Colour{0.04f, 0.18f, 0.35f, 1},
                Colour{0.48f, 0.23f, 0.29f, 1}, Colour{0.85f, 0.42f, 0.42f, 1},
                Colour{0.45f, 0.16f, 0.22f, 1}, Colour{1.0f, 0.62f, 0.45f, 1},
                Colour{0.37f, 0.88f, 0.66f, 1}, Colour{1.0f, 0.94f, 0.63f, 1}};
    case 3: // the deep bazaar: violet cloth in the dark
        return {Colour{0.1f, 0.35f, 0.54f, 1},  Colour{0.01f, 0.04f, 0.12f, 1},
                Colour{0.05f, 0.09f, 0.14f, 1}, Colour{0.35f, 0.23f, 0.54f, 1},
                Colour{0.16f, 0.08f, 0.28f, 1}, Colour{0.75f, 0.5f, 1.0f, 1},
                Colour{0.48f, 0.94f, 0.82f, 1}, Colour{0.63f, 0.94f, 1.0f, 1}};
    default: // the harbour shop: warm planks on sand
        return {Colour{0.3f, 0.75f, 0.82f, 1},  Colour{0.04f, 0.23f, 0.36f, 1},
                Colour{0.42f, 0.35f, 0.23f, 1}, Colour{0.62f, 0.42f, 0.25f, 1},
                Colour{0.33f, 0.2f, 0.11f, 1},  Colour{1.0f, 0.78f, 0.23f, 1},
                Colour{0.12f, 0.55f, 0.72f, 1}, Colour{1.0f, 0.86f, 0.5f, 1}};
    }
}

// One jar, bottle or box on a shelf: a glossy body with a lid.
void Good(Canvas& canvas, Random& rng, float x, float baseY, float s)
{
    const int kind = int(rng.Uniform() * 3.0f);
    const Colour colours[6] = {Colour{0.78f, 0.28f, 0.23f, 1}, Colour{0.23f, 0.6f, 0.35f, 1},
                               Colour{0.23f, 0.42f, 0.78f, 1}, Colour{1.0f, 0.78f, 0.23f, 1},
                               Colour{0.75f, 0.5f, 1.0f, 1},   Colour{0.37f, 0.88f, 0.66f, 1}};
    const Colour c = colours[int(rng.Uniform() * 6.0f) % 6];
    const float w = rng.Range(9.0f, 14.0f) * s, h = rng.Range(14.0f, 26.0f) * s;
    const float cy = baseY - h / 2;
    Field body;
    if (kind == 0) // jar
        body = [=](float px, float py) { return sdf::RoundBox(px, py, x, cy, w, h / 2, w * 0.5f); };
    else if (kind == 1) // bottle: a round belly and a neck
        body = [=](float px, float py)
        {
            return sdf::Union(sdf::Circle(px, py, x, baseY - w, w),
                              sdf::RoundBox(px, py, x, baseY - w * 2 - h * 0.2f, w * 0.35f, h * 0.3f, 2 * s));
        };
    else // box
        body = [=](float px, float py)
        { return sdf::RoundBox(px, py, x, cy, w * 1.1f, h * 0.35f + 4 * s, 2 * s); };
    GlossyBody(canvas, body, c, x, cy, std::max(w, h / 2), 1.3f * s);
    if (kind == 0)
        canvas.Fill([=](float px, float py)
                    { return sdf::RoundBox(px, py, x, baseY - h - 1.5f * s, w * 0.8f, 2.5f * s, 1.5f * s); },
                    Colour{0.55f, 0.38f, 0.22f, 1});
}

void Shelf(Canvas& canvas, Random& rng, const ShopLook& look, float x0, float x1, float y, float s)
{
    Canvas layer(canvas.Width(), canvas.Height());
    for (float x = x0 + 14 * s; x < x1 - 10 * s; x += rng.Range(22.0f, 32.0f) * s)
        Good(layer, rng, x, y, s);
    layer.Fill([=](float px, float py)
               { return sdf::RoundBox(px, py, (x0 + x1) / 2, y + 4 * s, (x1 - x0) / 2, 4 * s, 2 * s); },
               [=](float, float py)
               { return Mix(Scale(look.wall, 1.2f), look.wallDark, (py - y) / (8 * s)); });
    canvas.DropShadow(layer, 0, int(3 * s), int(3 * s), Colour{0.0f, 0.05f, 0.15f, 0.45f});
    canvas.Composite(layer);
}

// A lantern hanging on its string, with a warm glow around it.
void Lantern(Canvas& canvas, const ShopLook& look, float x, float y, float s)
{
    canvas.Fill([=](float px, float py) { return sdf::Capsule(px, py, x, 0, x, y - 16 * s, 0.8f * s); },
                Colour{0.1f, 0.08f, 0.06f, 0.8f});
    canvas.AddLight(
        [=](float px, float py)
        {
            const float d = std::hypot(px - x, py - y) / (110 * s);
            return WithAlpha(look.lamp, 0.55f * std::exp(-d * d * 3.0f));
        });
    Field glass = [=](float px, float py) { return sdf::Ellipse(px, py, x, y, 11 * s, 15 * s); };
    GlossyBody(canvas, glass, look.lamp, x, y, 13 * s, 1.2f * s);
    canvas.Fill([=](float px, float py) { return sdf::RoundBox(px, py, x, y - 16 * s, 8 * s, 3 * s, 1 * s); },
                Colour{0.25f, 0.18f, 0.1f, 1});
    canvas.Fill([=](float px, float py) { return sdf::RoundBox(px, py, x, y + 16 * s, 8 * s, 3 * s, 1 * s); },
                Colour{0.25f, 0.18f, 0.1f, 1});
}

void DrawShopScene(int shop, Canvas& canvas)
{
    const ShopLook look = LookOf(shop);
    const float W = float(canvas.Width()), H = float(canvas.Height());
    const float s = std::min(W / 800.0f, H / 600.0f);
    Random rng(unsigned(31 + shop * 17));

    // The sea behind the shop, lit from the surface.
    canvas.Shade(
        [&](float x, float y)
        {
            const float t = y / H;
            const float ray =
                std::pow(std::max(0.0f, std::sin(x / (57 * s) + y / (190 * s))), 8.0f) * (1.0f - t);
            return Mix(Mix(look.top, look.bottom, t), Colour{0.8f, 0.97f, 1.0f, 1}, 0.15f * ray);
        });
    // The sea floor.
    canvas.Fill(
        [&](float x, float y) { return (H * 0.86f + 8 * s * std::sin(x / (60 * s))) - y; },
        [&](float, float y)
        { return Mix(Scale(look.floor, 1.2f), Scale(look.floor, 0.6f), (y - H * 0.82f) / (H * 0.18f)); });

    // The shop's back wall: a wide arch over the whole left half and the middle.
    const float wallX = W * 0.5f, wallY = H * 0.52f, wallW = W * 0.47f, wallH = H * 0.44f;
    Field wall = [=](float x, float y) { return sdf::RoundBox(x, y, wallX, wallY, wallW, wallH, 60 * s); };
    Canvas back(canvas.Width(), canvas.Height());
    back.Fill(
        wall,
        [&](float x, float y)
        {
            Colour c = Mix(look.wall, look.wallDark, Clamp01((y - (wallY - wallH)) / (2 * wallH)) * 0.8f);
            if (shop == 1) // planks
            {
                const float plank = std::fmod(y + 400, 38 * s) / (38 * s);
                if (plank < 0.06f)
                    c = Scale(c, 0.6f);
                c = Scale(c, 0.92f + 0.12f * Noise(x / (40 * s), float(int(y / (38 * s))), 7));
            }
            else if (shop == 2) // coral pores
            {
                const float pore = Fbm(x / (34 * s), y / (34 * s), 11, 3);
                const float dimple = std::pow(std::fabs(std::sin(x / (7 * s)) * std::sin(y / (7 * s))), 6.0f);
                c = Scale(c, 0.86f + 0.22f * pore - 0.08f * dimple);
            }
            else // tent stripes
            {
                const float stripe = 0.5f + 0.5f * std::sin((x - wallX) / (26 * s) +
                                                            0.002f * (y - wallY) * (x - wallX) / s / 40);
                c = Mix(c, Scale(look.trim, 0.6f), 0.25f * stripe);
            }
            return c;
        });
    // A border in the trim colour.
    back.Fill([&](float x, float y) { return std::fabs(wall(x, y)) - 5 * s; }, Scale(look.trim, 0.8f));
    canvas.DropShadow(back, 0, int(4 * s), int(6 * s), Colour{0.0f, 0.05f, 0.15f, 0.5f});
    canvas.Composite(back);

    // Shelves of goods along the right part of the wall, behind the item panel.
    for (int row = 0; row < 3; ++row)
        Shelf(canvas, rng, look, W * 0.06f, W * 0.38f, H * (0.42f + 0.17f * row), s);

    // The counter in front, across the bottom.
    Canvas counter(canvas.Width(), canvas.Height());
    Field top = [=](float x, float y)
    { return sdf::RoundBox(x, y, W * 0.5f, H * 0.83f, W * 0.49f, 10 * s, 5 * s); };
    Field front = [=](float x, float y)
    { return sdf::RoundBox(x, y, W * 0.5f, H * 0.93f, W * 0.47f, H * 0.09f, 4 * s); };
    counter.Fill(front,
                 [&](float x, float y)
                 {
                     const float grain = Fbm(x / (80 * s), y / (8 * s), 5, 3);
                     return Scale(Mix(look.wallDark, look.wall, 0.35f + 0.3f * grain), 0.9f);
                 });
    counter.Fill(top, [&](float, float y)
                 { return Mix(Scale(look.trim, 1.1f), Scale(look.wall, 0.8f), (y - H * 0.81f) / (20 * s)); });
    canvas.DropShadow(counter, 0, int(-3 * s), int(6 * s), Colour{0.0f, 0.05f, 0.15f, 0.45f});
    canvas.Composite(counter);

    // The shop's own things: ropes and a life ring, coral fans, or banners of cloth.
    if (shop == 1)
    {
        Canvas ring(canvas.Width(), canvas.Height());
        Field donut = [=](float x, float y)
        { return std::fabs(sdf::Circle(x, y, W * 0.9f, H * 0.28f, 36 * s)) - 11 * s; };
        ring.Fill(donut,
                  [&](float x, float y)
                  {
                      const float a = std::atan2(y - H * 0.28f, x - W * 0.9f);
                      return std::fmod(a + 10.0f, kPi / 2) < kPi / 4 ? Colour{0.85f, 0.23f, 0.16f, 1}
                                                                     : Colour{1.0f, 0.97f, 0.88f, 1};
                  });
        canvas.DropShadow(ring, 2, int(3 * s), int(4 * s), Colour{0.0f, 0.05f, 0.15f, 0.45f});
        canvas.Composite(ring);
        canvas.Fill([&](float x, float y)
                    { return std::fabs(y - (H * 0.1f + 30 * s * std::sin(x / (W * 0.3f) * kPi))) - 3 * s; },
                    Colour{0.78f, 0.65f, 0.42f, 1});
    }
    else if (shop == 2)
    {
        for (int i = 0; i < 3; ++i)
        {
            const float fx = W * (0.82f + 0.07f * i), fy = H * 0.8f;
            Field fan = [=](float x, float y)
            {
                const float a = std::atan2(fy - y, x - fx);
                const float r = std::hypot(x - fx, y - fy);
                const float spread = std::fabs(a - kPi / 2) - 0.9f;
                return std::max(r - (70 + 20 * i) * s, spread * r);
            };
            canvas.Fill(fan,
                        [&](float x, float y)
                        {
                            const float lace = 0.5f + 0.5f * std::sin(std::hypot(x - fx, y - fy) / (5 * s));
                            return WithAlpha(Mix(look.trim, look.accent, 0.3f * i), 0.75f + 0.25f * lace);
                        });
        }
    }
    else
    {
        for (int i = 0; i < 4; ++i)
        {
            const float bx = W * (0.1f + 0.27f * i);
            canvas.Fill(
                [&](float x, float y)
                {
                    return sdf::Polygon(x, y,
                                        {bx - 22 * s, 0, bx + 22 * s, 0, bx + 22 * s, H * 0.16f, bx, H * 0.2f,
                                         bx - 22 * s, H * 0.16f});
                },
                [&](float, float y)
                { return Mix(Scale(look.trim, 0.9f), Scale(look.wall, 0.8f), y / (H * 0.2f)); });
        }
    }

    // Lanterns over the counter.
    for (int i = 0; i < 3; ++i)
        Lantern(canvas, look, W * (0.32f + 0.28f * i), H * (0.16f + 0.03f * (i % 2)), s);

    // Rising bubbles and drifting specks.
    for (int i = 0; i < 30; ++i)
    {
        const float bx = rng.Range(0, W), by = rng.Range(0, H * 0.8f), br = rng.Range(1.5f, 4.5f) * s;
        canvas.Fill([=](float x, float y) { return std::fabs(sdf::Circle(x, y, bx, by, br)) - 0.6f * s; },
                    Colour{0.85f, 0.97f, 1.0f, 0.45f});
    }
    // A cool light from above over everything.
    canvas.AddLight(
        [&](float, float y) {
            return WithAlpha(Colour{0.63f, 0.94f, 1.0f, 1}, 0.08f * (1.0f - y / H));
        });
}

bool DrawShopSign(const std::string& kind, Canvas& canvas, std::string& error)
{
    const float W = float(canvas.Width()), H = float(canvas.Height());
    const float s = std::min(W, H) / 64.0f;
    const float cx = W / 2, cy = H / 2;
    Canvas layer(canvas.Width(), canvas.Height());
    const Colour ink{1.0f, 0.97f, 0.88f, 1};
    if (kind == "soldout")
    {
        // A red seal with a white cross: nothing more to buy.
        Field seal = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, 24 * s); };
        GlossyBody(layer, seal, Colour{0.85f, 0.25f, 0.22f, 1}, cx, cy, 24 * s, 1.6f * s);
        layer.Fill([=](float x, float y) { return std::fabs(sdf::Circle(x, y, cx, cy, 19 * s)) - 1.2f * s; },
                   WithAlpha(ink, 0.7f));
        const float a = 10 * s;
        layer.Fill(
            [=](float x, float y)
            {
                return sdf::Union(sdf::Capsule(x, y, cx - a, cy - a, cx + a, cy + a, 3.5f * s),
                                  sdf::Capsule(x, y, cx - a, cy + a, cx + a, cy - a, 3.5f * s));
            },
            ink);
    }
    else if (kind == "comsoon")
    {
        // A blue tag with an hourglass: the step before it comes first.
        Field tag = [=](float x, float y) { return sdf::RoundBox(x, y, cx, cy, 22 * s, 24 * s, 8 * s); };
        GlossyBody(layer, tag, Colour{0.23f, 0.42f, 0.78f, 1}, cx, cy, 24 * s, 1.6f * s);
        layer.Fill(
            [=](float x, float y)
            {
                return sdf::Union(
                    sdf::Polygon(x, y, {cx - 11 * s, cy - 15 * s, cx + 11 * s, cy - 15 * s, cx, cy}),
                    sdf::Polygon(x, y, {cx, cy, cx + 11 * s, cy + 15 * s, cx - 11 * s, cy + 15 * s}));
            },
            ink);
        layer.Fill(
            [=](float x, float y) {
                return sdf::Polygon(x, y, {cx - 5 * s, cy + 12 * s, cx + 5 * s, cy + 12 * s, cx, cy + 5 * s});
            },
            Colour{1.0f, 0.78f, 0.23f, 1});
    }
    else if (kind == "newstock")
    {
        // A gold star burst with an exclamation mark: just in.
        Field star = [=](float x, float y) { return sdf::Star(x, y, cx, cy, 10, 29 * s, 20 * s, -kPi / 2); };
        GlossyBody(layer, star, Colour{1.0f, 0.78f, 0.23f, 1}, cx, cy, 26 * s, 1.6f * s);
        layer.Fill([=](float x, float y)
                   { return sdf::Capsule(x, y, cx, cy - 12 * s, cx, cy + 2 * s, 3.5f * s); },
                   Colour{0.55f, 0.16f, 0.08f, 1});
        layer.Fill([=](float x, float y) { return sdf::Circle(x, y, cx, cy + 11 * s, 3.8f * s); },
                   Colour{0.55f, 0.16f, 0.08f, 1});
    }
    else
    {
        error = "shopsign kind must be soldout, comsoon or newstock";
        return false;
    }
    canvas.DropShadow(layer, 0, int(2 * s), int(2 * s), Colour{0.0f, 0.05f, 0.15f, 0.45f});
    canvas.Composite(layer);
    return true;
}
} // namespace

bool DrawShopArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error,
                 bool& handled)
{
    handled = generator == "shopscene" || generator == "shopsign";
    if (generator == "shopscene")
    {
        const int shop = options.Integer("shop", 1);
        if (shop < 1 || shop > 3)
        {
            error = "shopscene shop must be 1, 2 or 3";
            return false;
        }
        DrawShopScene(shop, canvas);
        return true;
    }
    if (generator == "shopsign")
        return DrawShopSign(options.Text("kind", ""), canvas, error);
    return false;
}

} // namespace qvtool
