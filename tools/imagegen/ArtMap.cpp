// The sea map's own pictures:
//   seachart  the chart under the route: water that deepens along the route's seas, islands with
//             sandy shores where the places stand, the dashed route, a compass rose and a frame
//             (route= and islands= as x:y pairs in pixels, y down; volcano=x:y adds a smoking
//             cone on an island of its own)
//   mapdot    a marker look: look=none|complete|bronze|silver|gold, or a board square of the level
//             cards: look=square|locked
//   mapplace  a round badge with the symbol of a place, a shop or a bonus game (kind=)
//   mappalm   a palm crown seen from above, for the swaying palm tops
//   mapsmoke  a soft puff of grey-white smoke, for the volcano's plume
#include "tools/imagegen/ArtMap.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{
namespace
{
constexpr float kPi = 3.14159265f;

Colour Hex(unsigned rgb, float a = 1.0f)
{
    return Colour{float((rgb >> 16) & 0xFF) / 255.0f, float((rgb >> 8) & 0xFF) / 255.0f,
                  float(rgb & 0xFF) / 255.0f, a};
}

struct P
{
    float x, y;
};

bool ParsePoints(const std::string& text, std::vector<P>& out)
{
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
    {
        const size_t colon = item.find(':');
        if (colon == std::string::npos)
            return false;
        try
        {
            out.push_back(P{std::stof(item.substr(0, colon)), std::stof(item.substr(colon + 1))});
        }
        catch (...)
        {
            return false;
        }
    }
    return true;
}

float SegmentDistance(float x, float y, P a, P b, float* along)
{
    const float vx = b.x - a.x, vy = b.y - a.y;
    const float len2 = vx * vx + vy * vy;
    float t = len2 > 0 ? ((x - a.x) * vx + (y - a.y) * vy) / len2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    if (along)
        *along = t * std::sqrt(len2);
    const float dx = x - (a.x + t * vx), dy = y - (a.y + t * vy);
    return std::sqrt(dx * dx + dy * dy);
}

// The chart: the seas along the route darken from the harbour's shallows to the deep; islands
// carry the places; the route is a dashed line of warm white.
bool DrawSeaChart(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    std::vector<P> route, islands;
    if (!ParsePoints(o.Text("route", ""), route) || !ParsePoints(o.Text("islands", ""), islands) ||
        route.size() < 2)
    {
        error = "seachart needs route= (at least two x:y points) and islands= (x:y points)";
        return false;
    }
    const unsigned seed = unsigned(o.Number("seed", 7));
    const float w = float(canvas.Width()), h = float(canvas.Height());
    // The six seas' water, shallow to deep, as the route runs down the chart.
    const Colour seas[6] = {Hex(0x4cc0d0), Hex(0x3ab8d8), Hex(0x2e8ea8),
                            Hex(0x2a6e98), Hex(0x1a5a8a), Hex(0x164a70)};
    // Per pixel: the route's nearest point gives the sea, so each sea's water lies about its legs.
    std::vector<float> cumulative(route.size(), 0.0f);
    for (size_t i = 1; i < route.size(); ++i)
        cumulative[i] =
            cumulative[i - 1] + std::hypot(route[i].x - route[i - 1].x, route[i].y - route[i - 1].y);
    const float total = cumulative.back();
    auto nearest = [&](float x, float y, float& distance)
    {
        distance = 1e9f;
        float pos = 0.0f;
        for (size_t i = 1; i < route.size(); ++i)
        {
            float along = 0.0f;
            const float d = SegmentDistance(x, y, route[i - 1], route[i], &along);
            if (d < distance)
            {
                distance = d;
                pos = cumulative[i - 1] + along;
            }
        }
        return total > 0 ? pos / total : 0.0f;
    };
    // Islands: soft blobs, fringed by shallows.
    auto island = [&](float x, float y)
    {
        float best = -1e9f;
        for (size_t i = 0; i < islands.size(); ++i)
        {
            const P c = islands[i];
            // Each island its own size, stretch and lean, with a ragged coast.
            const float r = 27.0f + 12.0f * Noise(float(i) * 3.1f, 0.5f, seed);
            const float lean = 0.6f * (Noise(float(i) * 1.7f, 4.5f, seed) - 0.5f);
            const float sx = 0.7f + 0.35f * Noise(float(i) * 2.3f, 8.5f, seed);
            const float dx = x - c.x, dy = y - c.y;
            const float u = dx * std::cos(lean) + dy * std::sin(lean),
                        v = -dx * std::sin(lean) + dy * std::cos(lean);
            const float wobble = 14.0f * (Fbm(x * 0.045f, y * 0.045f, seed + unsigned(i), 4) - 0.5f);
            best = std::max(best, r + wobble - std::hypot(u * sx, v * 1.25f));
        }
        return best;
    };
    canvas.Shade(
        [&](float x, float y)
        {
            float d = 0.0f;
            const float s = nearest(x, y, d) * 5.0f;
            const int i = std::min(int(s), 4);
            Colour water = Mix(seas[i], seas[i + 1], Clamp01(s - float(i)));
            // Ripples and a lighter band of open water far from the route.
            const float ripple = Fbm(x * 0.02f, y * 0.035f, seed, 4);
            water = Scale(water, 0.88f + 0.24f * ripple);
            const float isl = island(x, y);
            if (isl > -14.0f && isl <= 0.0f)
                water = Mix(water, Hex(0x8ae8e0), 0.5f * (1.0f + isl / 14.0f));
            return water;
        });
    // Wave marks: short light strokes scattered over the water.
    canvas.Fill(
        [&](float x, float y)
        {
            const float gx = std::floor(x / 46.0f), gy = std::floor(y / 34.0f);
            const float jx = Noise(gx, gy, seed + 11) * 30.0f + 8.0f;
            const float jy = Noise(gy, gx, seed + 12) * 22.0f + 6.0f;
            const float lx = x - gx * 46.0f - jx, ly = y - gy * 34.0f - jy;
            const float arc = std::fabs(ly + 0.05f * lx * lx - 2.0f);
            return std::fabs(lx) < 7.0f ? arc - 0.9f : 1.0f;
        },
        WithAlpha(Hex(0xe0fcff), 0.22f));
    // Islands: sand rim, green heart, a shadow towards the bottom right.
    Canvas land(canvas.Width(), canvas.Height());
    land.Fill([&](float x, float y) { return -island(x, y); }, [&](float x, float y)
              { return Mix(Hex(0xf0dca0), Hex(0xd8b878), Fbm(x * 0.1f, y * 0.1f, seed + 3, 2)); });
    land.Fill([&](float x, float y) { return 9.0f - island(x, y); },
              [&](float x, float y)
              {
                  const float n = Fbm(x * 0.08f, y * 0.08f, seed + 5, 3);
                  return Mix(Hex(0x3aae4a), Hex(0x2a7a3a), n);
              });
    canvas.DropShadow(land, 3, 4, 4, Colour{0.0f, 0.05f, 0.15f, 0.45f});
    canvas.Composite(land);
    // The volcano: dark rocky slopes rising from its island, a glowing crater at the top.
    std::vector<P> volcano;
    if (!ParsePoints(o.Text("volcano", ""), volcano))
    {
        error = "seachart volcano= is an x:y point";
        return false;
    }
    for (const P& v : volcano)
    {
        Canvas cone(canvas.Width(), canvas.Height());
        const float r = 26.0f;
        auto coast = [&](float x, float y)
        {
            const float wobble = 7.0f * (Fbm(x * 0.06f, y * 0.06f, seed + 21, 3) - 0.5f);
            return std::hypot((x - v.x) * 0.85f, (y - v.y) * 1.15f) - (r + 10.0f + wobble);
        };
        cone.Fill([&](float x, float y) { return coast(x, y) + 6.0f; }, [&](float x, float y)
                  { return Mix(Hex(0xe8d49a), Hex(0xc8a870), Fbm(x * 0.1f, y * 0.1f, seed + 4, 2)); });
        cone.Fill([&](float x, float y) { return coast(x, y) + 13.0f; }, [&](float x, float y)
                  { return Mix(Hex(0x4a9a44), Hex(0x2e6a34), Fbm(x * 0.09f, y * 0.09f, seed + 6, 3)); });
        // Slopes lit from the top left, ridged by lava channels.
        cone.Fill([&](float x, float y) { return std::hypot(x - v.x, (y - v.y) * 1.2f) - r; },
                  [&](float x, float y)
                  {
                      const float dx = x - v.x, dy = y - v.y;
                      const float light = Clamp01(0.5f - 0.5f * (dx + dy) / r);
                      const float ridge =
                          0.5f + 0.5f * std::sin(std::atan2(dy, dx) * 9.0f +
                                                 2.0f * Fbm(x * 0.15f, y * 0.15f, seed + 8, 2));
                      Colour rock = Mix(Hex(0x4a3a32), Hex(0x8a7462), light);
                      return Scale(rock, 0.85f + 0.2f * ridge);
                  });
        // Lava runs down one flank from the crater.
        cone.Fill(
            [&](float x, float y)
            {
                const float t = Clamp01((y - v.y) / r);
                const float cx = v.x + 4.0f + 3.0f * std::sin(t * 5.0f);
                return (y < v.y || y > v.y + r * 0.85f) ? 1.0f : std::fabs(x - cx) - (2.2f - 1.6f * t);
            },
            WithAlpha(Hex(0xff7a2a), 0.85f), 1.0f);
        cone.Fill([&](float x, float y) { return std::hypot(x - v.x, (y - v.y) * 1.3f) - 8.5f; },
                  Hex(0x2a1a16));
        cone.Fill([&](float x, float y) { return std::hypot(x - v.x, (y - v.y) * 1.3f) - 5.5f; },
                  [&](float x, float y) {
                      return Mix(Hex(0xffd040), Hex(0xff5a1a), Clamp01(std::hypot(x - v.x, y - v.y) / 6.0f));
                  });
        canvas.DropShadow(cone, 3, 4, 4, Colour{0.0f, 0.05f, 0.15f, 0.45f});
        canvas.Composite(cone);
    }
    // The route: a dashed line of warm white with a faint dark edge.
    auto routeField = [&](float x, float y, float width, bool dashed)
    {
        float best = -1e9f;
        for (size_t i = 1; i < route.size(); ++i)
        {
            float along = 0.0f;
            const float d = SegmentDistance(x, y, route[i - 1], route[i], &along);
            float v = width - d;
            if (dashed && std::fmod(cumulative[i - 1] + along, 12.0f) > 7.0f)
                v = -1.0f;
            best = std::max(best, v);
        }
        return best;
    };
    canvas.Fill([&](float x, float y) { return -routeField(x, y, 3.2f, true); },
                WithAlpha(Hex(0x06203a), 0.35f));
    canvas.Fill([&](float x, float y) { return -routeField(x, y, 1.8f, true); },
                WithAlpha(Hex(0xfff4c0), 0.9f));
    // Compass rose in the top right corner.
    const float cx = w - 62.0f, cy = 58.0f;
    canvas.Fill([&](float x, float y) { return std::hypot(x - cx, y - cy) - 34.0f; },
                WithAlpha(Hex(0x08294d), 0.35f));
    canvas.Fill([&](float x, float y) { return std::fabs(31.0f - std::hypot(x - cx, y - cy)) - 1.2f; },
                WithAlpha(Hex(0xfff4c0), 0.8f));
    canvas.Fill([&](float x, float y) { return sdf::Star(x, y, cx, cy, 4, 30.0f, 7.0f, -kPi / 2); },
                WithAlpha(Hex(0xfff4c0), 0.9f));
    canvas.Fill([&](float x, float y) { return sdf::Star(x, y, cx, cy, 4, 16.0f, 4.0f, -kPi / 4); },
                WithAlpha(Hex(0xe0a030), 0.9f));
    // Frame: a dark rope edge with a light line inside, and a vignette.
    canvas.Shade(
        [&](float x, float y)
        {
            const float e = std::min(std::min(x, w - x), std::min(y, h - y));
            if (e < 6.0f)
                return WithAlpha(Hex(0x08294d), 0.95f);
            if (e < 8.0f)
                return WithAlpha(Hex(0x8cd9f2), 0.8f);
            return WithAlpha(Hex(0x000d26), 0.35f * std::pow(Clamp01(1.0f - e / 90.0f), 2.0f));
        });
    return true;
}

// A marker look or a board square.
bool DrawMapDot(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string look = o.Text("look", "none");
    const float w = float(canvas.Width()), h = float(canvas.Height());
    const float cx = w / 2, cy = h / 2, r = std::min(w, h) * 0.40f;
    Field disc = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, r); };
    Canvas layer(canvas.Width(), canvas.Height());
    if (look == "square" || look == "locked")
    {
        const Colour body = look == "square" ? Hex(0x7af0d0) : Hex(0x8cd9f2);
        Field box = [=](float x, float y)
        { return sdf::RoundBox(x, y, cx, cy, w * 0.42f, h * 0.42f, w * 0.12f); };
        layer.Fill(box, Scale(body, 0.45f));
        layer.Fill([=](float x, float y) { return box(x, y) + 1.0f; },
                   [&](float, float y) { return Mix(body, Scale(body, 0.75f), y / h); });
        if (look == "locked")
            // A cross-hatch of ice or chains: cells that start held.
            layer.Fill(
                [=](float x, float y)
                { return std::min(std::fabs((x - cx) - (y - cy)), std::fabs((x - cx) + (y - cy))) - 1.0f; },
                WithAlpha(Hex(0x0a2942), 0.8f));
        canvas.Composite(layer);
        return true;
    }
    Colour body;
    if (look == "none")
        body = Hex(0xfff4c0);
    else if (look == "complete")
        body = Hex(0x48d8ff);
    else if (look == "bronze")
        body = Hex(0xd08a4a);
    else if (look == "silver")
        body = Hex(0xd0dce8);
    else if (look == "gold")
        body = Hex(0xffc83a);
    else
    {
        error = "mapdot look must be none, complete, bronze, silver, gold, square or locked";
        return false;
    }
    if (look == "none")
    {
        // An open ring: a level still to dive.
        layer.Fill(disc, Scale(body, 0.35f));
        layer.Fill([=](float x, float y) { return disc(x, y) + 1.6f; }, body);
        layer.Fill([=](float x, float y) { return disc(x, y) + r * 0.42f; }, Hex(0x0a3a5c));
        layer.Fill([=](float x, float y) { return disc(x, y) + r * 0.62f; }, Hex(0x48d8ff));
    }
    else
    {
        GlossyBody(layer, disc, body, cx, cy, r);
        if (look != "complete")
            layer.Fill([=](float x, float y)
                       { return sdf::Star(x, y, cx, cy + 0.5f, 5, r * 0.62f, r * 0.27f, -kPi / 2); },
                       WithAlpha(Hex(0xfff8e0), 0.9f));
        else
            layer.Fill(
                [=](float x, float y)
                {
                    return std::max(std::fabs((y - cy) + 0.8f * (x - cx) - r * 0.15f) - 1.4f,
                                    std::hypot(x - cx, y - cy) - r * 0.6f);
                },
                Hex(0xfff8e0));
    }
    canvas.DropShadow(layer, 0, 2, 2, Colour{0.0f, 0.05f, 0.15f, 0.45f});
    canvas.Composite(layer);
    return true;
}

// A badge for a place, a shop or a bonus game: a glossy disc in the kind's colour with its symbol.
bool DrawMapPlace(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string kind = o.Text("kind", "");
    const float w = float(canvas.Width()), h = float(canvas.Height());
    const float cx = w / 2, cy = h / 2, r = std::min(w, h) * 0.42f;
    Colour body = Hex(0x1f8cb8);
    if (kind.rfind("shop", 0) == 0)
        body = Hex(0xc89a3a);
    else if (kind.rfind("bonus", 0) == 0)
        body = Hex(0x8a5ac8);
    else if (kind == "bottle")
        body = Hex(0x3aa0b0);
    Canvas layer(canvas.Width(), canvas.Height());
    Field disc = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, r); };
    GlossyBody(layer, disc, body, cx, cy, r);
    layer.Fill([=](float x, float y) { return std::fabs(r - 2.5f - std::hypot(x - cx, y - cy)) - 1.0f; },
               WithAlpha(Hex(0xfff8e0), 0.45f));
    const Colour ink = Hex(0xfff8e0);
    const float s = r / 26.0f;
    auto at = [=](float x, float y) { return P{(x - cx) / s, (y - cy) / s}; };
    Field symbol;
    if (kind == "harbour")
        symbol = [=](float x, float y)
        {
            const P p = at(x, y);
            // An anchor: ring, shank, stock and curved arms.
            const float ring = std::fabs(4.0f - std::hypot(p.x, p.y + 12.0f)) - 1.8f;
            const float shank = sdf::Capsule(p.x, p.y, 0, -8, 0, 13, 2.2f);
            const float stock = sdf::Capsule(p.x, p.y, -7, -4, 7, -4, 2.0f);
            const float arms = std::fabs(13.0f - std::hypot(p.x, p.y - 1.0f)) - 2.2f;
            return std::min({ring, shank, stock, std::max(arms, 5.0f - p.y)});
        };
    else if (kind == "lagoon")
        symbol = [=](float x, float y)
        {
            const P p = at(x, y);
            // A calm lagoon: three gentle waves.
            float v = 1e9f;
            for (int i = -1; i <= 1; ++i)
                v = std::min(v, std::fabs(p.y - float(i) * 8.0f - 2.5f * std::sin(p.x * 0.45f)) - 2.0f +
                                    std::max(0.0f, std::fabs(p.x) - 14.0f));
            return v;
        };
    else if (kind == "reef")
        symbol = [=](float x, float y)
        {
            const P p = at(x, y);
            // Branching coral.
            return std::min(
                {sdf::Capsule(p.x, p.y, 0, 14, 0, -4, 2.6f), sdf::Capsule(p.x, p.y, 0, 4, -9, -8, 2.3f),
                 sdf::Capsule(p.x, p.y, 0, 2, 9, -10, 2.3f), sdf::Capsule(p.x, p.y, -9, -8, -11, -15, 2.0f),
                 sdf::Capsule(p.x, p.y, 0, -4, 2, -15, 2.0f)});
        };
    else if (kind == "wreck")
        symbol = [=](float x, float y)
        {
            const P p = at(x, y);
            // A hull tilted on the sea floor with a broken mast.
            const float hull = sdf::Polygon(p.x, p.y, {-15, 2, 15, -2, 11, 10, -11, 12});
            const float mast = sdf::Capsule(p.x, p.y, 1, 0, 5, -15, 1.8f);
            return std::min(hull, mast);
        };
    else if (kind == "vents")
        symbol = [=](float x, float y)
        {
            const P p = at(x, y);
            // A chimney with rising plumes.
            const float chimney = sdf::Polygon(p.x, p.y, {-8, 15, 8, 15, 4, 2, -4, 2});
            const float plume1 = sdf::Circle(p.x, p.y, -1, -5, 5.0f);
            const float plume2 = sdf::Circle(p.x, p.y, 4, -12, 4.0f);
            return std::min({chimney, plume1, plume2});
        };
    else if (kind == "trench")
        symbol = [=](float x, float y)
        {
            const P p = at(x, y);
            // A V of cliffs going down into the dark.
            return std::min(sdf::Polygon(p.x, p.y, {-16, -12, -4, 14, -1, 14, -10, -12}),
                            sdf::Polygon(p.x, p.y, {16, -12, 4, 14, 1, 14, 10, -12}));
        };
    else if (kind == "ruins")
        symbol = [=](float x, float y)
        {
            const P p = at(x, y);
            // Two columns under a broken lintel.
            return std::min({sdf::Polygon(p.x, p.y, {-14, -10, 12, -12, 13, -7, -14, -5}),
                             sdf::RoundBox(p.x, p.y, -8, 4, 3, 10, 1),
                             sdf::RoundBox(p.x, p.y, 7, 4, 3, 10, 1),
                             sdf::RoundBox(p.x, p.y, 0, 14, 15, 2, 1)});
        };
    else if (kind == "shop1" || kind == "shop2" || kind == "shop3")
        symbol = [=](float x, float y)
        {
            const P p = at(x, y);
            // A coin bag with the shop's number of stripes.
            const float bag = sdf::Circle(p.x, p.y, 0, 4, 11.0f);
            const float neck = sdf::Polygon(p.x, p.y, {-6, -12, 6, -12, 3, -5, -3, -5});
            float v = std::min(bag, neck);
            const int stripes = kind[4] - '0';
            for (int i = 0; i < stripes; ++i)
            {
                const float sx = (float(i) - float(stripes - 1) * 0.5f) * 5.0f;
                const float stripe = std::max(std::fabs(p.x - sx) - 1.1f, std::fabs(p.y - 5.0f) - 6.0f);
                v = std::max(v, -stripe);
            }
            return v;
        };
    else if (kind == "bonus0" || kind == "bonus1" || kind == "bonus2")
        symbol = [=](float x, float y)
        {
            const P p = at(x, y);
            // A magnifying glass: the bonus games are searches.
            const float ring = std::fabs(8.0f - std::hypot(p.x + 3.0f, p.y + 3.0f)) - 2.6f;
            const float handle = sdf::Capsule(p.x, p.y, 4, 4, 13, 13, 2.8f);
            return std::min(ring, handle);
        };
    else if (kind == "bottle")
        symbol = [=](float x, float y)
        {
            const P p = at(x, y);
            // A message in a bottle, lying aslant: the unread story of the place.
            const float body = sdf::Capsule(p.x, p.y, -9, 7, 5, -5, 6.5f);
            const float neck = sdf::Capsule(p.x, p.y, 5, -5, 12, -11, 2.6f);
            const float paper = -sdf::Capsule(p.x, p.y, -6, 4, 2, -3, 2.2f);
            return std::min(std::max(body, paper), neck);
        };
    else
    {
        error = "mapplace kind must be a place (harbour, lagoon, reef, wreck, vents, trench, ruins), "
                "shop1..3, bonus0..2 or bottle";
        return false;
    }
    layer.Fill([=](float x, float y) { return symbol(x, y - 1.0f) - 0.8f; },
               WithAlpha(Scale(body, 0.3f), 0.7f));
    layer.Fill(symbol, ink);
    canvas.DropShadow(layer, 0, 2, 2, Colour{0.0f, 0.05f, 0.15f, 0.45f});
    canvas.Composite(layer);
    return true;
}

// A palm crown from above: seven fronds around a brown heart, each with a central rib.
void DrawMapPalm(const ToolOptions& o, Canvas& canvas)
{
    const float w = float(canvas.Width()), h = float(canvas.Height());
    const float cx = w / 2, cy = h / 2, len = std::min(w, h) * 0.46f;
    const unsigned seed = unsigned(o.Number("seed", 3));
    Canvas layer(canvas.Width(), canvas.Height());
    for (int i = 0; i < 7; ++i)
    {
        const float a = float(i) / 7.0f * 2.0f * kPi + 0.4f * Noise(float(i), 1.0f, seed);
        const float l = len * (0.8f + 0.2f * Noise(float(i), 2.0f, seed));
        auto frond = [=](float x, float y)
        {
            const float dx = x - cx, dy = y - cy;
            const float u = dx * std::cos(a) + dy * std::sin(a);
            const float v = -dx * std::sin(a) + dy * std::cos(a) - 0.12f * u * u / l;
            if (u < 0.0f || u > l)
                return 1.0f;
            const float width = 0.26f * l * std::sin(kPi * u / l);
            // Leaflets: the edge is notched.
            const float notch = 1.5f * std::fabs(std::sin(u * 0.9f));
            return std::fabs(v) - (width - notch);
        };
        layer.Fill(frond, [=](float x, float y)
                   { return Mix(Hex(0x5ac85a), Hex(0x2a7a3a), Clamp01(std::hypot(x - cx, y - cy) / len)); });
        layer.Fill(
            [=](float x, float y)
            {
                const float dx = x - cx, dy = y - cy;
                const float u = dx * std::cos(a) + dy * std::sin(a);
                const float v = -dx * std::sin(a) + dy * std::cos(a) - 0.12f * u * u / l;
                return (u < 2.0f || u > l * 0.9f) ? 1.0f : std::fabs(v) - 0.7f;
            },
            WithAlpha(Hex(0xc8f0a0), 0.7f));
    }
    layer.Fill([=](float x, float y) { return sdf::Circle(x, y, cx, cy, len * 0.13f); }, Hex(0x8a5a2a));
    canvas.DropShadow(layer, 2, 3, 3, Colour{0.0f, 0.05f, 0.15f, 0.45f});
    canvas.Composite(layer);
}
// A puff of smoke: a soft, lumpy cloud, lighter on top, transparent at its rim.
void DrawMapSmoke(const ToolOptions& o, Canvas& canvas)
{
    const float w = float(canvas.Width()), h = float(canvas.Height());
    const float cx = w / 2, cy = h / 2, r = std::min(w, h) * 0.46f;
    const unsigned seed = unsigned(o.Number("seed", 5));
    canvas.Shade(
        [&](float x, float y)
        {
            const float lump = Fbm(x * 0.09f, y * 0.09f, seed, 4);
            const float d = std::hypot(x - cx, y - cy) / r + 0.45f * (0.5f - lump);
            const float a = Clamp01(1.0f - d);
            const float light = Clamp01(0.55f + 0.5f * (cy - y) / r + 0.3f * (lump - 0.5f));
            return WithAlpha(Mix(Hex(0x9a948c), Hex(0xf4f0ea), light), a * a * (3.0f - 2.0f * a) * 0.9f);
        });
}
} // namespace

bool DrawMapArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error,
                bool& handled)
{
    handled = true;
    if (generator == "seachart")
        return DrawSeaChart(options, canvas, error);
    if (generator == "mapdot")
        return DrawMapDot(options, canvas, error);
    if (generator == "mapplace")
        return DrawMapPlace(options, canvas, error);
    if (generator == "mappalm")
    {
        DrawMapPalm(options, canvas);
        return true;
    }
    if (generator == "mapsmoke")
    {
        DrawMapSmoke(options, canvas);
        return true;
    }
    handled = false;
    return false;
}
} // namespace qvtool
