#include "tools/imagegen/Title.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "tools/imagegen/ArtPainters.h"

namespace qvtool
{

namespace
{

// Coverage of the whole text at one pixel size, laid out on one line.
struct Lettering
{
    int width = 0, height = 0;
    std::vector<float> coverage;
};

bool SetText(FT_Face face, const std::u32string& text, int size, float wave, int pad, Lettering& out)
{
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
    const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
    const int descender = static_cast<int>(-face->size->metrics.descender >> 6);
    int penWidth = 0;
    for (char32_t c : text)
    {
        if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) != 0)
            return false;
        penWidth += static_cast<int>(face->glyph->advance.x >> 6);
    }
    out.width = penWidth + 2 * pad;
    out.height = ascender + descender + 2 * pad + static_cast<int>(std::ceil(2 * wave));
    out.coverage.assign(size_t(out.width) * out.height, 0.0f);
    int pen = pad;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (FT_Load_Char(face, text[i], FT_LOAD_RENDER) != 0)
            return false;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        int lift = static_cast<int>(std::lround(std::sin(i * 0.9) * wave));
        int x0 = pen + face->glyph->bitmap_left;
        int y0 = pad + static_cast<int>(std::ceil(wave)) + ascender - face->glyph->bitmap_top - lift;
        for (unsigned y = 0; y < bitmap.rows; ++y)
            for (unsigned x = 0; x < bitmap.width; ++x)
            {
                int px = x0 + static_cast<int>(x), py = y0 + static_cast<int>(y);
                if (px < 0 || py < 0 || px >= out.width || py >= out.height)
                    continue;
                float& c = out.coverage[size_t(py) * out.width + px];
                c = std::max(c, bitmap.buffer[y * bitmap.pitch + x] / 255.0f);
            }
        pen += static_cast<int>(face->glyph->advance.x >> 6);
    }
    return true;
}

std::vector<float> Dilate(const std::vector<float>& src, int w, int h, float radius)
{
    std::vector<float> out(src.size(), 0.0f);
    int r = static_cast<int>(std::ceil(radius));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float best = 0;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx)
                {
                    int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h)
                        continue;
                    float weight = Clamp01(radius + 0.5f - std::hypot(float(dx), float(dy)));
                    best = std::max(best, src[size_t(sy) * w + sx] * weight);
                }
            out[size_t(y) * w + x] = best;
        }
    return out;
}

std::u32string Decode(const std::string& text)
{
    // The lists are ASCII; anything else is kept byte by byte (Latin-1).
    std::u32string out;
    for (unsigned char c : text)
        out.push_back(c == '_' ? U' ' : static_cast<char32_t>(c));
    return out;
}

} // namespace

bool DrawTitle(const ToolOptions& o, Canvas& canvas, std::string& error)
{
    const std::u32string text = Decode(o.Text("text", "Quorvane"));
    const std::string fontPath =
        o.Text("fontdir", "/usr/share/fonts/truetype") + "/" + o.Text("font", "freefont/FreeSerifBold.ttf");
    const Colour top = ColourOption(o, "colour", Colour{1.0f, 0.97f, 0.8f, 1});
    const Colour bottom = ColourOption(o, "colour2", Colour{1.0f, 0.7f, 0.2f, 1});
    const Colour edge = ColourOption(o, "outlinecolour", Colour{0.02f, 0.18f, 0.3f, 1});
    const Colour glowColour = ColourOption(o, "glowcolour", Colour{0.4f, 0.9f, 1.0f, 0.8f});
    const float outline = static_cast<float>(o.Number("outline", 3));
    const int glow = o.Integer("glow", 6);
    const float wave = static_cast<float>(o.Number("wave", 0));
    if (text.empty() || outline < 0 || outline > 12 || glow < 0 || glow > 32)
    {
        error = "bad title options";
        return false;
    }

    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0)
    {
        error = "FreeType does not start";
        return false;
    }
    if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0)
    {
        FT_Done_FreeType(library);
        error = "cannot open font " + fontPath;
        return false;
    }
    // Largest size whose lettering, with its outline and glow, fits the canvas.
    const int pad = static_cast<int>(std::ceil(outline)) + glow + 2;
    Lettering lettering;
    bool ok = false;
    for (int size = canvas.Height(); size >= 6; size = size * 15 / 16)
    {
        if (!SetText(face, text, size, wave * size / 64.0f, pad, lettering))
            break;
        if (lettering.width <= canvas.Width() && lettering.height <= canvas.Height())
        {
            ok = true;
            break;
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (!ok)
    {
        error = "the text does not fit";
        return false;
    }

    const int w = lettering.width, h = lettering.height;
    std::vector<float> outer = outline > 0 ? Dilate(lettering.coverage, w, h, outline) : lettering.coverage;
    Canvas layer(w, h);
    // Glow: the outlined shape, blurred, in the glow colour.
    Canvas halo(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float a = outer[size_t(y) * w + x] * glowColour.a;
            halo.Set(x, y, {glowColour.r * a, glowColour.g * a, glowColour.b * a, a});
        }
    halo.Blur(glow);
    layer.Composite(halo);
    int inkTop = h, inkBottom = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (lettering.coverage[size_t(y) * w + x] > 0.5f)
            {
                inkTop = std::min(inkTop, y);
                inkBottom = std::max(inkBottom, y);
            }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float t = Clamp01((y - inkTop) / static_cast<float>(std::max(1, inkBottom - inkTop)));
            Colour fill = Mix(top, bottom, t);
            // A glassy band across the upper third of the letters.
            float shine = Clamp01(1.0f - std::fabs(t - 0.28f) * 9.0f) * 0.35f;
            fill = Mix(fill, Colour{1, 1, 1, 1}, shine);
            float out = outer[size_t(y) * w + x], in = lettering.coverage[size_t(y) * w + x];
            Colour c = layer.Get(x, y);
            float ea = out * edge.a;
            c = {edge.r * ea + c.r * (1 - ea), edge.g * ea + c.g * (1 - ea), edge.b * ea + c.b * (1 - ea),
                 ea + c.a * (1 - ea)};
            c = {fill.r * in + c.r * (1 - in), fill.g * in + c.g * (1 - in), fill.b * in + c.b * (1 - in),
                 in + c.a * (1 - in)};
            layer.Set(x, y, c);
        }
    Canvas shadowed(canvas.Width(), canvas.Height());
    Canvas placed(canvas.Width(), canvas.Height());
    const int ox = (canvas.Width() - w) / 2, oy = (canvas.Height() - h) / 2;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            placed.Set(x + ox, y + oy, layer.Get(x, y));
    canvas.DropShadow(placed, 0, 3, 3, Colour{0, 0.03f, 0.1f, 0.5f});
    canvas.Composite(placed);
    return true;
}

} // namespace qvtool
