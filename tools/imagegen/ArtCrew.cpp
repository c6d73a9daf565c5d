// The crew's portraits: a diver's head and shoulders in a round sea medallion, the dive mask pushed
// up on the forehead, in the member's suit colour. Options: skin=, hair=, suit=, accent= (collar
// stripe), bg= (the medallion's sea), hair style style=short|long|bun|curly|beard, and mood=
// normal|grin (the mouth).
#include <algorithm>
#include <cmath>

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{

bool DrawPortrait(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::string style = o.Text("style", "short");
    if (style != "short" && style != "long" && style != "bun" && style != "curly" && style != "beard")
    {
        error = "portrait style must be short, long, bun, curly or beard";
        return false;
    }
    const Colour skin = ColourOption(o, "skin", Colour{0.96f, 0.78f, 0.62f, 1});
    const Colour hair = ColourOption(o, "hair", Colour{0.35f, 0.22f, 0.12f, 1});
    const Colour suit = ColourOption(o, "suit", Colour{0.12f, 0.55f, 0.72f, 1});
    const Colour accent = ColourOption(o, "accent", Colour{1.0f, 0.78f, 0.23f, 1});
    const Colour sea = ColourOption(o, "bg", Colour{0.16f, 0.55f, 0.72f, 1});
    const bool grin = o.Text("mood", "normal") == "grin";
    const float s = std::min(canvas.Width(), canvas.Height()) / 128.0f;
    const float cx = canvas.Width() / 2.0f, cy = canvas.Height() / 2.0f;
    const float r = 60 * s;
    const Colour ink{0.04f, 0.16f, 0.26f, 1};

    // The medallion: a lit sea with a few rising bubbles, a light border.
    Field disc = [=](float x, float y) { return sdf::Circle(x, y, cx, cy, r); };
    canvas.Fill([&](float x, float y) { return disc(x, y) - 3.0f * s; }, Colour{0.55f, 0.85f, 0.95f, 1});
    canvas.Fill(disc,
                [&](float x, float y)
                {
                    const float t = Clamp01((y - cy + r) / (2 * r));
                    const float ray = 0.5f + 0.5f * std::sin((x - cx) / (9 * s) + t * 2.0f);
                    Colour c = Mix(Scale(sea, 1.45f), Scale(sea, 0.45f), t);
                    return Mix(c, Colour{0.75f, 0.95f, 1.0f, 1}, 0.12f * ray * (1.0f - t));
                });
    Canvas figure(canvas.Width(), canvas.Height());
    Random rng(HashText(o.Text("hair", "x") + style));
    for (int i = 0; i < 7; ++i)
    {
        const float bx = cx + rng.Range(-48, 48) * s, by = cy + rng.Range(-50, 20) * s, br = rng.Range(1.5f, 4.0f) * s;
        canvas.Fill([&](float x, float y) { return std::fabs(sdf::Circle(x, y, bx, by, br)) - 0.6f * s; },
                    Colour{0.85f, 0.97f, 1.0f, 0.55f});
    }

    const float headX = cx, headY = cy - 6 * s;
    // Long hair falls behind the head and onto the shoulders.
    if (style == "long")
    {
        Field back = [=](float x, float y)
        { return sdf::RoundBox(x, y, headX, headY + 16 * s, 27 * s, 34 * s, 20 * s); };
        GlossyBody(figure, back, Scale(hair, 0.85f), headX, headY + 10 * s, 30 * s, 1.6f * s);
    }
    // Shoulders in the wetsuit, with the collar stripe.
    Field shoulders = [=](float x, float y)
    { return sdf::Ellipse(x, y, cx, cy + 60 * s, 50 * s, 34 * s); };
    GlossyBody(figure, shoulders, suit, cx, cy + 50 * s, 42 * s, 1.6f * s);
    figure.Fill(
        [&](float x, float y)
        {
            return std::max(std::fabs(sdf::Ellipse(x, y, cx, cy + 56 * s, 26 * s, 16 * s)) - 3.0f * s,
                            shoulders(x, y));
        },
        accent);
    // Neck and head.
    Field neck = [=](float x, float y) { return sdf::RoundBox(x, y, headX, headY + 26 * s, 9 * s, 12 * s, 5 * s); };
    GlossyBody(figure, neck, Scale(skin, 0.86f), headX, headY + 26 * s, 10 * s, 1.4f * s);
    Field head = [=](float x, float y) { return sdf::Ellipse(x, y, headX, headY, 23 * s, 27 * s); };
    Field ears = [=](float x, float y)
    {
        return std::min(sdf::Ellipse(x, y, headX - 23 * s, headY + 2 * s, 5 * s, 7 * s),
                        sdf::Ellipse(x, y, headX + 23 * s, headY + 2 * s, 5 * s, 7 * s));
    };
    GlossyBody(figure, ears, Scale(skin, 0.92f), headX, headY, 24 * s, 1.4f * s);
    GlossyBody(figure, head, skin, headX, headY, 26 * s, 1.6f * s);

    // Hair on top.
    Field top = [=](float x, float y)
    {
        const float cap = std::max(sdf::Ellipse(x, y, headX, headY - 7 * s, 26 * s, 26 * s), y - (headY - 6 * s) - std::fabs(x - headX) * 0.35f);
        return cap;
    };
    if (style == "curly")
    {
        Field curls = [=](float x, float y)
        {
            float d = top(x, y);
            for (int i = 0; i < 9; ++i)
            {
                const float a = kPi * (1.05f + 0.9f * i / 8.0f);
                d = std::min(d, sdf::Circle(x, y, headX + std::cos(a) * 22 * s, headY - 10 * s + std::sin(a) * 20 * s,
                                            8 * s));
            }
            return d;
        };
        GlossyBody(figure, curls, hair, headX, headY - 18 * s, 24 * s, 1.6f * s);
    }
    else
    {
        GlossyBody(figure, top, hair, headX, headY - 16 * s, 24 * s, 1.6f * s);
    }
    if (style == "bun")
    {
        Field bun = [=](float x, float y) { return sdf::Circle(x, y, headX + 4 * s, headY - 36 * s, 10 * s); };
        GlossyBody(figure, bun, hair, headX + 4 * s, headY - 36 * s, 10 * s, 1.4f * s);
    }
    if (style == "beard")
    {
        Field beard = [=](float x, float y)
        {
            return std::max(sdf::Ellipse(x, y, headX, headY + 10 * s, 22 * s, 20 * s),
                            -sdf::Ellipse(x, y, headX, headY + 2 * s, 16 * s, 10 * s));
        };
        GlossyBody(figure, beard, hair, headX, headY + 14 * s, 20 * s, 1.4f * s);
    }

    // The dive mask pushed up on the forehead: strap, frame, glass with a glint.
    const float maskY = headY - 14 * s;
    figure.Fill([&](float x, float y) { return std::max(std::fabs(y - maskY) - 2.2f * s, head(x, y) - 2 * s); },
                Scale(suit, 0.45f));
    Field frame = [=](float x, float y) { return sdf::RoundBox(x, y, headX, maskY, 17 * s, 7.5f * s, 5 * s); };
    GlossyBody(figure, frame, Scale(suit, 0.55f), headX, maskY, 14 * s, 1.2f * s);
    Field glass = [=](float x, float y) { return sdf::RoundBox(x, y, headX, maskY, 14 * s, 5 * s, 3.5f * s); };
    figure.Fill(glass,
                [&](float, float y)
                {
                    const float t = Clamp01((y - maskY + 5 * s) / (10 * s));
                    return Mix(Colour{0.75f, 0.96f, 1.0f, 1}, Colour{0.25f, 0.62f, 0.8f, 1}, t);
                });
    figure.Fill([&](float x, float y) { return sdf::Capsule(x, y, headX - 9 * s, maskY + 2 * s, headX - 4 * s, maskY - 3 * s, 1.2f * s); },
                Colour{1, 1, 1, 0.8f});

    // Face: eyes, brows, cheeks, mouth.
    const float eyeY = headY + 1 * s;
    for (int side = -1; side <= 1; side += 2)
    {
        const float ex = headX + side * 9 * s;
        figure.Fill([&](float x, float y) { return sdf::Ellipse(x, y, ex, eyeY, 3.6f * s, 4.4f * s); }, ink);
        figure.Fill([&](float x, float y) { return sdf::Circle(x, y, ex - 1.1f * s, eyeY - 1.5f * s, 1.3f * s); },
                    Colour{1, 1, 1, 0.95f});
        figure.Fill([&](float x, float y) { return sdf::Ellipse(x, y, ex + side * 3 * s, eyeY + 8 * s, 4.5f * s, 2.6f * s); },
                    Colour{1.0f, 0.45f, 0.45f, 0.28f}, 2.0f * s);
        figure.Fill(
            [&](float x, float y)
            { return sdf::Capsule(x, y, ex - 4 * s, eyeY - 8 * s + side * 0.0f, ex + 4 * s, eyeY - 9 * s, 1.1f * s); },
            Scale(hair, 0.7f));
    }
    const float mouthY = headY + 13 * s;
    if (grin)
    {
        figure.Fill(
            [&](float x, float y)
            { return std::max(sdf::Ellipse(x, y, headX, mouthY - 1 * s, 8 * s, 6 * s), mouthY - 1 * s - y); },
            Colour{0.45f, 0.12f, 0.12f, 1});
        figure.Fill([&](float x, float y)
                    { return std::max(sdf::Ellipse(x, y, headX, mouthY - 1 * s, 7 * s, 5 * s), y - (mouthY + 1.2f * s)); },
                    Colour{1, 0.98f, 0.94f, 1});
    }
    else
    {
        figure.Fill(
            [&](float x, float y)
            {
                const float arc = std::fabs(sdf::Circle(x, y, headX, mouthY - 7 * s, 8 * s)) - 1.2f * s;
                return std::max(arc, mouthY - 3 * s - y);
            },
            Scale(skin, 0.45f));
    }

    // The figure stays inside the medallion, with a soft navy shadow under it.
    for (int y = 0; y < figure.Height(); ++y)
    {
        for (int x = 0; x < figure.Width(); ++x)
        {
            const float inside = Clamp01(-(disc(x + 0.5f, y + 0.5f) + 1.0f * s) + 0.5f);
            const Colour c = figure.Get(x, y);
            figure.Set(x, y, Colour{c.r * inside, c.g * inside, c.b * inside, c.a * inside});
        }
    }
    canvas.DropShadow(figure, 0, int(2 * s), int(2 * s), Colour{0.0f, 0.05f, 0.15f, 0.45f});
    canvas.Composite(figure);
    // A glass sheen across the medallion.
    canvas.Fill([&](float x, float y) { return std::max(disc(x, y) + 2 * s, sdf::Ellipse(x, y, cx - 22 * s, cy - 36 * s, 30 * s, 14 * s)); },
                Colour{1, 1, 1, 0.12f}, 6.0f * s);
    return true;
}

} // namespace qvtool
