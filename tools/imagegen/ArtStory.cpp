// The story's pictures: one illustration per story scene (generator "storypage", scene=<name>),
// painted from the game's own scenery, creatures, chests, artifacts and amulet so the story looks
// like the dives it tells of, and the log book the story screen shows them in ("storybook", its
// picture frame "storyframe" and the rule under a page's title "storyrule").
#include "tools/imagegen/ArtStory.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/imagegen/Art.h"
#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{
namespace
{
// Another generator's picture at the given size, with options as "key=value" words.
Canvas Painted(const std::string& generator, int w, int h, const std::vector<std::string>& words)
{
    std::vector<std::string> storage(words);
    std::vector<char*> argv;
    for (std::string& word : storage)
        argv.push_back(word.data());
    ToolOptions options(static_cast<int>(argv.size()), argv.data(), 0, 0);
    Canvas canvas(w, h);
    std::string error;
    DrawArt(generator, options, canvas, error);
    return canvas;
}

// Places a picture centred at (cx, cy), scaled and turned, casting the navy shadow of the style.
void Place(Canvas& canvas, const Canvas& picture, float cx, float cy, float scale, float angle = 0.0f)
{
    Canvas layer(canvas.Width(), canvas.Height());
    layer.DrawRotated(picture, cx, cy, angle, scale, 0, 0, canvas.Width(), canvas.Height());
    canvas.DropShadow(layer, 0, 3, 3, Colour{0, 0.05f, 0.15f, 0.45f});
    canvas.Composite(layer);
}

Colour Hex(unsigned rgb, float a = 1.0f)
{
    return Colour{float((rgb >> 16) & 0xff) / 255.0f, float((rgb >> 8) & 0xff) / 255.0f,
                  float(rgb & 0xff) / 255.0f, a};
}

// Light falling from the surface and a soft dark edge, the look every story picture shares.
void Finish(Canvas& canvas)
{
    const float w = canvas.Width(), h = canvas.Height();
    canvas.AddLight(
        [&](float x, float y)
        {
            const float beam = 0.5f + 0.5f * std::sin((x - y * 0.35f) / w * 9.0f);
            return WithAlpha(Hex(0xa0f0ff), 0.10f * beam * Clamp01(1.0f - y / (h * 0.8f)));
        });
    canvas.Shade(
        [&](float x, float y)
        {
            const float dx = (x / w - 0.5f) * 2.0f, dy = (y / h - 0.5f) * 2.0f;
            const float edge = Clamp01((dx * dx + dy * dy - 0.55f) / 1.2f);
            return Colour{0.0f, 0.02f, 0.08f, 0.55f * edge};
        });
}

Canvas Sea(int w, int h, const std::string& top, const std::string& bottom, const std::string& floorColour,
           const std::string& props, int seed, const std::string& extra = "")
{
    std::vector<std::string> words = {"top=" + top,
                                      "bottom=" + bottom,
                                      "floor=" + floorColour,
                                      "seed=" + std::to_string(seed),
                                      "rays=5",
                                      "floorheight=0.2",
                                      "specks=60"};
    if (!props.empty())
        words.push_back("props=" + props);
    if (!extra.empty())
        words.push_back(extra);
    return Painted("sea", w, h, words);
}

// A small boat on the surface, seen from the side: a red hull, a white cabin, a mast with a sail.
void Boat(Canvas& canvas, float cx, float cy, float s)
{
    Canvas layer(canvas.Width(), canvas.Height());
    const Colour hull = Hex(0xc8483a), cabin = Hex(0xfff4c0), wood = Hex(0x8a5a3a), sail = Hex(0xfff8e0);
    Field hullShape = [=](float x, float y)
    {
        return sdf::Polygon(x, y,
                            {cx - 60 * s, cy - 6 * s, cx + 66 * s, cy - 6 * s, cx + 44 * s, cy + 22 * s,
                             cx - 46 * s, cy + 22 * s});
    };
    GlossyBody(layer, hullShape, hull, cx, cy + 8 * s, 50 * s);
    layer.Fill([=](float x, float y)
               { return sdf::RoundBox(x, y, cx - 14 * s, cy - 18 * s, 20 * s, 12 * s, 3 * s); },
               cabin);
    layer.Fill([=](float x, float y)
               { return sdf::RoundBox(x, y, cx - 20 * s, cy - 19 * s, 4 * s, 4 * s, 1 * s); },
               Hex(0x3a9ab8));
    layer.Fill([=](float x, float y)
               { return sdf::Capsule(x, y, cx + 16 * s, cy - 6 * s, cx + 16 * s, cy - 86 * s, 2.2f * s); },
               wood);
    layer.Fill(
        [=](float x, float y)
        {
            return sdf::Polygon(
                x, y, {cx + 20 * s, cy - 82 * s, cx + 62 * s, cy - 18 * s, cx + 20 * s, cy - 16 * s});
        },
        [=](float, float y)
        { return Mix(sail, Scale(sail, 0.8f), Clamp01((y - (cy - 82 * s)) / (66 * s))); });
    layer.Fill([=](float x, float y)
               { return sdf::RoundBox(x, y, cx - 2 * s, cy + 4 * s, 60 * s, 1.6f * s, 1 * s); },
               Hex(0xfff8e0, 0.7f));
    canvas.DropShadow(layer, 0, 3, 3, Colour{0, 0.05f, 0.15f, 0.4f});
    canvas.Composite(layer);
}

// The harbour at dawn: sky, a jetty and the boat, the sea below the waterline.
void Harbour(Canvas& canvas)
{
    const float w = canvas.Width(), h = canvas.Height();
    const float waterline = h * 0.52f;
    canvas.Shade(
        [&](float, float y)
        {
            if (y < waterline)
                return Mix(Hex(0xffc88a), Hex(0x7ad0f0), Clamp01(y / waterline * 1.4f - 0.2f));
            return Mix(Hex(0x3aa8c8), Hex(0x052040), Clamp01((y - waterline) / (h - waterline)));
        });
    // The low sun and its glitter on the water.
    canvas.Fill([&](float x, float y) { return sdf::Circle(x, y, w * 0.72f, waterline - 26, 22); },
                Hex(0xfff0a0));
    canvas.AddLight(
        [&](float x, float y)
        {
            return WithAlpha(Hex(0xffe070),
                             0.5f * Clamp01(1.0f - std::hypot(x - w * 0.72f, y - waterline + 26) / 90.0f));
        });
    Random rng(7);
    for (int i = 0; i < 40; ++i)
    {
        const float x = w * 0.72f + rng.Range(-60, 60), y = waterline + rng.Range(3, 40),
                    len = rng.Range(3, 9);
        canvas.Fill([=](float px, float py) { return sdf::RoundBox(px, py, x, y, len, 0.8f, 0.8f); },
                    Hex(0xfff4c0, 0.6f));
    }
    // Far hills and the jetty.
    canvas.Fill(
        [&](float x, float y)
        { return y - (waterline - 14 - 16 * std::sin(x / w * 5.0f + 1.0f) - 10 * Fbm(x / 40, 0, 3, 2)); },
        Hex(0x4a7a8a));
    canvas.Fill([&](float x, float y)
                { return sdf::RoundBox(x, y, w * 0.14f, waterline - 6, w * 0.16f, 4, 1); },
                Hex(0x8a5a3a));
    for (int i = 0; i < 4; ++i)
    {
        const float px = w * (0.02f + 0.08f * i);
        canvas.Fill([=](float x, float y) { return sdf::RoundBox(x, y, px, waterline + 10, 3, 20, 1); },
                    Hex(0x5a3a2a));
    }
    Boat(canvas, w * 0.46f, waterline - 4, w / 320.0f);
    // Under the surface: a school of small fish heading out to sea.
    Canvas fish = Painted("creature", 64, 64, {"kind=fish", "colour=2848c8"});
    for (int i = 0; i < 5; ++i)
        Place(canvas, fish, w * (0.25f + 0.12f * i), h * (0.74f + 0.04f * float(i % 2)), 0.45f);
}

// The captain's chart on the chart table: six seas, a dotted route and the mark of the wreck.
void Chart(Canvas& canvas)
{
    const float w = canvas.Width(), h = canvas.Height();
    canvas.Shade([&](float x, float y)
                 { return Mix(Hex(0x3a2418), Hex(0x1e120c), Fbm(x / 30, y / 90, 4, 3)); });
    Field paper = [=](float x, float y)
    { return sdf::RoundBox(x, y, w / 2, h / 2 + 4, w * 0.42f, h * 0.4f, 6); };
    Canvas sheet(canvas.Width(), canvas.Height());
    sheet.Fill(paper,
               [&](float x, float y)
               {
                   const float n = Fbm(x / 25, y / 25, 11, 4);
                   return Mix(Hex(0xf0dcae), Hex(0xc8a870), 0.25f + 0.5f * n);
               });
    // The sea, land and route drawn in ink.
    sheet.Fill([&](float x, float y)
               { return std::max(paper(x, y) + 10, Fbm(x / 60, y / 60, 5, 3) - 0.52f); },
               Hex(0x8ab0a0, 0.7f));
    const std::vector<float> route = {w * 0.16f, h * 0.70f, w * 0.30f, h * 0.52f, w * 0.44f, h * 0.62f,
                                      w * 0.56f, h * 0.40f, w * 0.70f, h * 0.50f, w * 0.82f, h * 0.30f};
    for (size_t i = 0; i + 3 < route.size(); i += 2)
        for (int d = 0; d < 8; ++d)
        {
            const float t = float(d) / 8.0f;
            const float x = route[i] + (route[i + 2] - route[i]) * t,
                        y = route[i + 1] + (route[i + 3] - route[i + 1]) * t;
            sheet.Fill([=](float px, float py) { return sdf::Circle(px, py, x, y, 1.8f); }, Hex(0x6a2a1a));
        }
    for (size_t i = 0; i < route.size(); i += 2)
        sheet.Fill([&](float x, float y) { return sdf::Circle(x, y, route[i], route[i + 1], 5); },
                   Hex(0x2a5aa0));
    const float ex = route[route.size() - 2], ey = route.back();
    sheet.Fill(
        [&](float x, float y)
        {
            return std::min(sdf::Capsule(x, y, ex - 10, ey - 10, ex + 10, ey + 10, 2.5f),
                            sdf::Capsule(x, y, ex - 10, ey + 10, ex + 10, ey - 10, 2.5f));
        },
        Hex(0xa03a2a));
    // A compass rose in the corner.
    sheet.Fill([&](float x, float y) { return sdf::Star(x, y, w * 0.2f, h * 0.27f, 4, 22, 6, -kPi / 2); },
               Hex(0x6a4a2a));
    sheet.Fill([&](float x, float y) { return sdf::Star(x, y, w * 0.2f, h * 0.27f, 4, 12, 4, -kPi / 4); },
               Hex(0xc89a3a));
    canvas.DropShadow(sheet, 0, 4, 5, Colour{0, 0, 0, 0.6f});
    canvas.Composite(sheet);
    Canvas coin = Painted("treasure", 64, 64, {"kind=coin", "colour=ffc83a"});
    Place(canvas, coin, w * 0.86f, h * 0.8f, 0.7f);
}

// A first dive: creatures and treasure in the shallows, light from above.
void FirstDive(Canvas& canvas)
{
    const int w = canvas.Width(), h = canvas.Height();
    canvas.Composite(Sea(w, h, "4cc0d0", "0a3a5c", "6a5a3a", "rocks", 21));
    const char* kinds[] = {"kind=blowfish colour=e8585c", "kind=octopus colour=3aae4a",
                           "kind=starfish colour=3a6ae8", "kind=orangefish colour=ff8a1c"};
    const float spots[][2] = {{0.22f, 0.42f}, {0.5f, 0.62f}, {0.78f, 0.4f}, {0.36f, 0.76f}};
    for (int i = 0; i < 4; ++i)
    {
        std::vector<std::string> words;
        std::string k(kinds[i]);
        words.push_back(k.substr(0, k.find(' ')));
        words.push_back(k.substr(k.find(' ') + 1));
        words.push_back("mood=good");
        Place(canvas, Painted("creature", 64, 64, words), w * spots[i][0], h * spots[i][1], 1.1f);
    }
    Place(canvas, Painted("treasure", 64, 64, {"kind=stack", "colour=ffc83a"}), w * 0.66f, h * 0.8f, 0.9f);
}

// A sea of the campaign with its own life in front.
void Arrival(Canvas& canvas, const std::string& scene)
{
    const int w = canvas.Width(), h = canvas.Height();
    if (scene == "coral")
    {
        canvas.Composite(Sea(w, h, "3ab8d8", "0a2e5a", "7a3a4a", "coral", 31));
        Place(canvas, Painted("creature", 64, 64, {"kind=orangefish", "colour=ff8a1c", "look=left"}),
              w * 0.64f, h * 0.42f, 1.3f);
        Place(canvas, Painted("creature", 64, 64, {"kind=jellyfish", "colour=5ee0a8"}), w * 0.28f, h * 0.3f,
              1.0f);
        Place(canvas, Painted("tile", 40, 40, {"style=chain"}), w * 0.5f, h * 0.78f, 1.2f, 0.3f);
    }
    else if (scene == "wreck")
    {
        canvas.Composite(Sea(w, h, "2e8ea8", "06223c", "3a3428", "wreck", 41));
        Place(canvas, Painted("chest", 96, 96, {"size=3", "state=open"}), w * 0.62f, h * 0.74f, 1.1f);
        Place(canvas, Painted("creature", 64, 64, {"kind=crab", "colour=d83a2a"}), w * 0.3f, h * 0.8f, 1.0f);
    }
    else if (scene == "vents")
    {
        canvas.Composite(Sea(w, h, "3a7a98", "140c20", "3a1a14", "vents", 51, "glow=ff7030"));
        canvas.AddLight(
            [&](float x, float y) {
                return WithAlpha(Hex(0xff8040),
                                 0.35f * Clamp01(1.0f - std::hypot(x - w * 0.5f, y - h) / (h * 0.7f)));
            });
        Place(canvas, Painted("tile", 40, 40, {"style=2xchain"}), w * 0.3f, h * 0.62f, 1.3f);
        Place(canvas, Painted("creature", 64, 64, {"kind=turtle", "colour=2a8a4a", "look=right"}), w * 0.68f,
              h * 0.4f, 1.2f);
    }
    else if (scene == "trench")
    {
        canvas.Composite(Sea(w, h, "1a5a8a", "020a1e", "06121e", "rocks", 61));
        Random rng(9);
        for (int i = 0; i < 9; ++i)
        {
            const float x = rng.Range(0.1f, 0.9f) * float(w), y = rng.Range(0.55f, 0.92f) * float(h),
                        r = rng.Range(8, 18);
            canvas.Fill(
                [=](float px, float py) { return sdf::Star(px, py, x, y, 6, r, r * 0.35f, 0.0f); },
                [=](float, float py)
                { return Mix(Hex(0xe0fcff, 0.9f), Hex(0x8ce6ff, 0.7f), Clamp01((py - y + r) / (2 * r))); });
        }
        Place(canvas, Painted("tile", 40, 40, {"style=freeze"}), w * 0.5f, h * 0.5f, 1.4f);
        Place(canvas, Painted("creature", 64, 64, {"kind=seahorse", "colour=3aa0f0"}), w * 0.22f, h * 0.36f,
              1.1f);
    }
    else // city
    {
        canvas.Composite(Sea(w, h, "3aa0b0", "0a2038", "2a3a3a", "columns", 71));
        Place(canvas, Painted("artifact", 64, 64, {"kind=amphora", "colour=c080ff"}), w * 0.7f, h * 0.7f,
              1.2f);
        Place(canvas, Painted("creature", 64, 64, {"kind=fish", "colour=2848c8", "look=left"}), w * 0.3f,
              h * 0.4f, 1.2f);
    }
}

// The amulet in the coral with `keys` keys in place, glowing more with each.
void Amulet(Canvas& canvas, int keys)
{
    const int w = canvas.Width(), h = canvas.Height();
    canvas.Composite(Sea(w, h, "2e8ea8", "06223c", "4a3a3a", "coral", 81 + keys));
    const float glow = 0.2f + 0.12f * float(keys);
    canvas.AddLight(
        [&](float x, float y)
        {
            return WithAlpha(Hex(0xa0f0ff),
                             glow * Clamp01(1.0f - std::hypot(x - w * 0.5f, y - h * 0.5f) / (h * 0.55f)));
        });
    Place(canvas, Painted("amulet", 128, 128, {"frame=" + std::to_string(std::clamp(keys, 0, 6))}), w * 0.5f,
          h * 0.5f, 1.35f);
}

// The Quorvane on her side, her hold open, and the treasures of every sea before her.
void Finale(Canvas& canvas)
{
    const int w = canvas.Width(), h = canvas.Height();
    canvas.Composite(Sea(w, h, "3aa0b0", "0a2038", "2a3a3a", "wreck", 91));
    canvas.AddLight(
        [&](float x, float y)
        {
            return WithAlpha(Hex(0xffe070),
                             0.45f * Clamp01(1.0f - std::hypot(x - w * 0.5f, y - h * 0.72f) / (h * 0.5f)));
        });
    Place(canvas, Painted("chest", 96, 96, {"size=4", "state=open"}), w * 0.5f, h * 0.7f, 1.3f);
    const char* artifacts[] = {"kind=crown", "kind=trident", "kind=sundisc", "kind=orb"};
    const float spots[][2] = {{0.22f, 0.72f}, {0.78f, 0.7f}, {0.3f, 0.45f}, {0.7f, 0.42f}};
    for (int i = 0; i < 4; ++i)
        Place(canvas, Painted("artifact", 64, 64, {artifacts[i], "colour=ffc83a"}), w * spots[i][0],
              h * spots[i][1], 1.0f);
}

bool DrawStoryPage(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string scene = o.Text("scene", "");
    if (scene == "harbour")
        Harbour(canvas);
    else if (scene == "chart")
        Chart(canvas);
    else if (scene == "dive")
        FirstDive(canvas);
    else if (scene == "coral" || scene == "wreck" || scene == "vents" || scene == "trench" || scene == "city")
        Arrival(canvas, scene);
    else if (scene == "amulet")
        Amulet(canvas, o.Integer("keys", 1));
    else if (scene == "finale")
        Finale(canvas);
    else
    {
        error = "storypage: unknown scene '" + scene + "'";
        return false;
    }
    Finish(canvas);
    return true;
}

// An open log book in the panel colours: two pages, a spine, faint ruled lines.
void DrawStoryBook(Canvas& canvas)
{
    const float w = canvas.Width(), h = canvas.Height();
    const Colour fill = Hex(0x08294d, 0.9f), border = Hex(0x8cd9f2);
    Field cover = [=](float x, float y)
    { return sdf::RoundBox(x, y, w / 2, h / 2, w / 2 - 8, h / 2 - 8, 26); };
    Canvas layer(canvas.Width(), canvas.Height());
    layer.Fill(cover,
               [&](float x, float y)
               {
                   Colour c = Mix(Scale(fill, 1.3f), Scale(fill, 0.75f), y / h);
                   c = Scale(c, 0.92f + 0.14f * Fbm(x / 50, y / 50, 13, 3));
                   c.a = fill.a;
                   return c;
               });
    // The spine: darker in the fold, a light edge on each page beside it.
    layer.Fill([&](float x, float y) { return std::max(cover(x, y) + 4, std::fabs(x - w / 2) - 18); },
               [&](float x, float)
               {
                   const float d = std::fabs(x - w / 2) / 18.0f;
                   return Colour{0.0f, 0.03f, 0.1f, 0.55f * (1.0f - d)};
               });
    layer.Fill([&](float x, float y)
               { return std::max(cover(x, y) + 14, std::fabs(std::fabs(x - w / 2) - 20) - 0.8f); },
               Hex(0x8cd9f2, 0.35f));
    // Ruled lines on the right page.
    for (float y = h * 0.36f; y < h * 0.8f; y += 26.0f)
        layer.Fill([&, y](float px, float py)
                   { return std::max(std::fabs(py - y) - 0.5f, std::fabs(px - w * 0.74f) - w * 0.2f); },
                   Hex(0x8cd9f2, 0.10f));
    layer.Fill([&](float x, float y) { return std::fabs(cover(x, y) + 1.5f) - 1.5f; },
               [&](float, float y) { return Mix(border, Scale(border, 0.6f), y / h); });
    layer.Fill([&](float x, float y) { return std::fabs(cover(x, y) + 5.0f) - 0.5f; },
               WithAlpha(border, 0.35f));
    canvas.DropShadow(layer, 0, 3, 4, Colour{0, 0.02f, 0.08f, 0.5f});
    canvas.Composite(layer);
}

// The frame around a story picture: a warm gold edge with a dark inner line.
void DrawStoryFrame(Canvas& canvas)
{
    const float w = canvas.Width(), h = canvas.Height();
    Field outer = [=](float x, float y)
    { return sdf::RoundBox(x, y, w / 2, h / 2, w / 2 - 4, h / 2 - 4, 10); };
    Canvas layer(canvas.Width(), canvas.Height());
    layer.Fill([&](float x, float y) { return std::fabs(outer(x, y) + 5.0f) - 5.0f; },
               [&](float x, float y)
               {
                   const Colour gold = Hex(0xffc83a);
                   return Scale(Mix(gold, Hex(0xa06a1a), Clamp01(y / h)),
                                0.85f + 0.3f * Fbm(x / 8, y / 8, 17, 2));
               });
    layer.Fill([&](float x, float y) { return std::fabs(outer(x, y) + 10.5f) - 0.8f; }, Hex(0x3a1a00, 0.8f));
    layer.Fill([&](float x, float y) { return std::fabs(outer(x, y) + 1.5f) - 0.6f; }, Hex(0xfff4c0, 0.6f));
    canvas.DropShadow(layer, 0, 3, 4, Colour{0, 0.02f, 0.08f, 0.5f});
    canvas.Composite(layer);
}

// A thin golden rule with a diamond in the middle, under a page's title.
void DrawStoryRule(Canvas& canvas)
{
    const float w = canvas.Width(), h = canvas.Height();
    canvas.Fill([&](float x, float y)
                { return std::max(std::fabs(y - h / 2) - 0.9f, std::fabs(x - w / 2) - (w / 2 - 6)); },
                [&](float x, float)
                { return Hex(0xffc83a, 0.9f * Clamp01(1.0f - std::fabs(x - w / 2) / (w / 2))); });
    canvas.Fill([&](float x, float y)
                { return sdf::Star(x, y, w / 2, h / 2, 4, h * 0.42f, h * 0.18f, 0.0f); },
                Hex(0xffe070));
}
} // namespace

bool DrawStoryArt(const std::string& generator, const ToolOptions& options, Canvas& canvas,
                  std::string& error, bool& handled)
{
    handled = true;
    if (generator == "storypage")
        return DrawStoryPage(options, canvas, error);
    if (generator == "storybook")
    {
        DrawStoryBook(canvas);
        return true;
    }
    if (generator == "storyframe")
    {
        DrawStoryFrame(canvas);
        return true;
    }
    if (generator == "storyrule")
    {
        DrawStoryRule(canvas);
        return true;
    }
    handled = false;
    return false;
}

} // namespace qvtool
