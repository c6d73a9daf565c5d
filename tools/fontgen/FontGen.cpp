// qv_fontgen <descriptor.fnt> <page.png> <font file> [key=value ...]
//
// Rasterises the glyphs the game's texts use (printable ASCII, Latin-1 and a few
// typographic marks) with FreeType and packs them on one page. Options:
//   size=<pixels>          nominal pixel size (default 24)
//   colour=<rrggbb[aa]>    fill colour at the top of a line (default white, so text can be tinted)
//   colour2=<rrggbb[aa]>   fill colour at the baseline (default: colour)
//   outline=<pixels>       outline width (default 0)
//   outlinecolour=<hex>    outline colour (default 10203a)
//   shadow=<pixels>        drop shadow offset down and right (default 0)
//   shadowcolour=<hex>     shadow colour (default 00000090)
//   spacing=<pixels>       gap between glyphs on the page (default 1)
//   pagewidth=<pixels>     page width (default 256); the height grows to a power of two
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "tools/common/Canvas.h"
#include "tools/common/ImageFile.h"
#include "tools/common/ToolOptions.h"

namespace
{

struct Glyph
{
    unsigned id = 0;
    int width = 0, height = 0;    // box on the page, padding included
    int xoffset = 0, yoffset = 0; // from the pen position and the line top
    int xadvance = 0;
    int x = 0, y = 0;            // place on the page
    std::vector<float> coverage; // width x height, fill coverage
};

std::vector<unsigned> CharacterSet()
{
    std::vector<unsigned> ids;
    for (unsigned c = 32; c < 127; ++c)
        ids.push_back(c);
    for (unsigned c = 160; c < 256; ++c)
        ids.push_back(c);
    // Quotes, dashes, ellipsis, bullet, euro and trade mark: common in written English texts.
    for (unsigned c :
         {0x2018u, 0x2019u, 0x201Cu, 0x201Du, 0x2013u, 0x2014u, 0x2026u, 0x2022u, 0x20ACu, 0x2122u})
        ids.push_back(c);
    return ids;
}

int NextPowerOfTwo(int v)
{
    int p = 1;
    while (p < v)
        p <<= 1;
    return p;
}

float Dilate(const std::vector<float>& src, int w, int h, int x, int y, float radius)
{
    int r = static_cast<int>(std::ceil(radius));
    float best = 0;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
        {
            int sx = x + dx, sy = y + dy;
            if (sx < 0 || sy < 0 || sx >= w || sy >= h)
                continue;
            float d = std::hypot(static_cast<float>(dx), static_cast<float>(dy));
            float weight = std::clamp(radius + 0.5f - d, 0.0f, 1.0f);
            best = std::max(best, src[size_t(sy) * w + sx] * weight);
        }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    qvtool::ToolOptions options(argc, argv, 1, 3);
    if (options.PositionalCount() < 3)
    {
        std::fprintf(stderr, "usage: qv_fontgen <descriptor.fnt> <page.png> <font file> [key=value ...]\n");
        return 2;
    }
    const std::string descriptorPath = options.Positional(0);
    const std::string pagePath = options.Positional(1);
    const std::string fontPath = options.Positional(2);
    const int size = options.Integer("size", 24);
    float fillTop[4] = {1, 1, 1, 1}, fillBottom[4], outlineColour[4], shadowColour[4];
    options.Colour("colour", fillTop);
    std::copy(fillTop, fillTop + 4, fillBottom);
    options.Colour("colour2", fillBottom);
    if (!options.Colour("outlinecolour", outlineColour))
        qvtool::ParseColour("10203aff", outlineColour);
    if (!options.Colour("shadowcolour", shadowColour))
        qvtool::ParseColour("00000090", shadowColour);
    const float outline = static_cast<float>(options.Number("outline", 0));
    const int shadow = options.Integer("shadow", 0);
    const int spacing = options.Integer("spacing", 1);
    const int pageWidth = options.Integer("pagewidth", 256);
    options.Has("letterspacing"); // a declaration option, used by the font element
    for (const std::string& key : options.Unused())
    {
        std::fprintf(stderr, "qv_fontgen: %s: unknown option '%s'\n", descriptorPath.c_str(), key.c_str());
        return 1;
    }
    if (size < 4 || size > 200 || outline < 0 || outline > 8 || shadow < 0 || shadow > 8 || pageWidth < 64 ||
        pageWidth > 4096)
    {
        std::fprintf(stderr, "qv_fontgen: %s: option out of range\n", descriptorPath.c_str());
        return 1;
    }

    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0)
    {
        std::fprintf(stderr, "qv_fontgen: FreeType does not start\n");
        return 1;
    }
    if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0)
    {
        std::fprintf(stderr, "qv_fontgen: cannot open font %s\n", fontPath.c_str());
        FT_Done_FreeType(library);
        return 1;
    }
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
    const int ascender = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    const int lineHeight = static_cast<int>((face->size->metrics.height + 63) >> 6);
    const int pad = static_cast<int>(std::ceil(outline));
    const int padRight = pad + shadow, padDown = pad + shadow;

    std::vector<Glyph> glyphs;
    for (unsigned id : CharacterSet())
    {
        FT_UInt index = FT_Get_Char_Index(face, id);
        if (index == 0 && id != 32)
            continue; // the font has no such character: leave it out rather than draw a box
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) != 0 ||
            FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
            continue;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        Glyph g;
        g.id = id;
        g.xadvance = static_cast<int>((face->glyph->advance.x + 32) >> 6);
        if (bitmap.width == 0 || bitmap.rows == 0)
        {
            g.yoffset = ascender;
            glyphs.push_back(g);
            continue;
        }
        int bw = static_cast<int>(bitmap.width), bh = static_cast<int>(bitmap.rows);
        g.width = bw + pad + padRight;
        g.height = bh + pad + padDown;
        g.xoffset = face->glyph->bitmap_left - pad;
        g.yoffset = ascender - face->glyph->bitmap_top - pad;
        g.coverage.assign(size_t(g.width) * g.height, 0.0f);
        for (int y = 0; y < bh; ++y)
            for (int x = 0; x < bw; ++x)
                g.coverage[size_t(y + pad) * g.width + (x + pad)] =
                    bitmap.buffer[y * bitmap.pitch + x] / 255.0f;
        glyphs.push_back(g);
    }

    // Kerning between the letters and digits, where the font carries a kerning table.
    std::vector<std::array<int, 3>> kernings;
    if (FT_HAS_KERNING(face))
        for (const Glyph& a : glyphs)
            for (const Glyph& b : glyphs)
            {
                if (a.id > 126 || b.id > 126)
                    continue;
                FT_Vector delta;
                if (FT_Get_Kerning(face, FT_Get_Char_Index(face, a.id), FT_Get_Char_Index(face, b.id),
                                   FT_KERNING_DEFAULT, &delta) != 0)
                    continue;
                int amount = static_cast<int>(std::lround(delta.x / 64.0));
                if (amount != 0)
                    kernings.push_back(
                        {static_cast<int>(a.id), static_cast<int>(b.id), std::clamp(amount, -128, 127)});
            }
    std::string faceName = std::string(face->family_name ? face->family_name : "font") +
                           (face->style_name ? std::string("-") + face->style_name : std::string());
    for (char& c : faceName)
        if (c == ' ' || c == '"')
            c = '_';
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    // Shelf packing, tallest first (ties by id), so the layout depends on the glyphs alone.
    std::vector<Glyph*> order;
    for (Glyph& g : glyphs)
        if (g.width > 0)
            order.push_back(&g);
    std::stable_sort(order.begin(), order.end(),
                     [](const Glyph* a, const Glyph* b)
                     { return a->height != b->height ? a->height > b->height : a->id < b->id; });
    int penX = spacing, penY = spacing, shelf = 0;
    for (Glyph* g : order)
    {
        if (g->width + 2 * spacing > pageWidth)
        {
            std::fprintf(stderr, "qv_fontgen: %s: glyph %u wider than the page\n", descriptorPath.c_str(),
                         g->id);
            return 1;
        }
        if (penX + g->width + spacing > pageWidth)
        {
            penX = spacing;
            penY += shelf + spacing;
            shelf = 0;
        }
        g->x = penX;
        g->y = penY;
        penX += g->width + spacing;
        shelf = std::max(shelf, g->height);
    }
    const int pageHeight = NextPowerOfTwo(penY + shelf + spacing);

    qvtool::Canvas page(pageWidth, pageHeight);
    for (const Glyph& g : glyphs)
    {
        if (g.width == 0)
            continue;
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x)
            {
                // Layers bottom up: shadow, outline, fill (vertical gradient over the line).
                float fill = g.coverage[size_t(y) * g.width + x];
                float out = outline > 0 ? Dilate(g.coverage, g.width, g.height, x, y, outline) : 0.0f;
                float shade = 0;
                if (shadow > 0)
                {
                    int sx = x - shadow, sy = y - shadow;
                    if (sx >= 0 && sy >= 0)
                        shade = outline > 0 ? Dilate(g.coverage, g.width, g.height, sx, sy, outline)
                                            : g.coverage[size_t(sy) * g.width + sx];
                }
                float t = std::clamp((g.yoffset + y) / static_cast<float>(std::max(1, ascender)), 0.0f, 1.0f);
                float fc[4];
                for (int c = 0; c < 4; ++c)
                    fc[c] = fillTop[c] + (fillBottom[c] - fillTop[c]) * t;
                float r = 0, gg = 0, b = 0, a = 0;
                auto over = [&](const float* colour, float coverage)
                {
                    float k = colour[3] * coverage;
                    r = colour[0] * k + r * (1 - k);
                    gg = colour[1] * k + gg * (1 - k);
                    b = colour[2] * k + b * (1 - k);
                    a = k + a * (1 - k);
                };
                over(shadowColour, shade);
                over(outlineColour, out);
                over(fc, fill);
                page.Set(g.x + x, g.y + y, {r, gg, b, a});
            }
    }
    if (!qvtool::WritePng(pagePath, page.ToImage()))
    {
        std::fprintf(stderr, "qv_fontgen: cannot write %s\n", pagePath.c_str());
        return 1;
    }

    std::string pageName = pagePath.substr(pagePath.find_last_of('/') + 1);
    std::string text;
    char line[256];
    std::snprintf(
        line, sizeof line,
        "info face=\"%s\" size=%d bold=0 italic=0 charset=\"\" unicode=1 stretchH=100 smooth=1 aa=1 "
        "padding=%d,%d,%d,%d spacing=%d,%d\n",
        faceName.c_str(), size, pad, padRight, padDown, pad, spacing, spacing);
    text += line;
    std::snprintf(line, sizeof line, "common lineHeight=%d base=%d scaleW=%d scaleH=%d pages=1 packed=0\n",
                  lineHeight, ascender, pageWidth, pageHeight);
    text += line;
    text += "page id=0 file=\"" + pageName + "\"\n";
    std::snprintf(line, sizeof line, "chars count=%zu\n", glyphs.size());
    text += line;
    for (const Glyph& g : glyphs)
    {
        std::snprintf(
            line, sizeof line,
            "char id=%u x=%d y=%d width=%d height=%d xoffset=%d yoffset=%d xadvance=%d page=0 chnl=15\n",
            g.id, g.x, g.y, g.width, g.height, g.xoffset, g.yoffset, g.xadvance);
        text += line;
    }
    if (!kernings.empty())
    {
        std::snprintf(line, sizeof line, "kernings count=%zu\n", kernings.size());
        text += line;
        for (const auto& k : kernings)
        {
            std::snprintf(line, sizeof line, "kerning first=%d second=%d amount=%d\n", k[0], k[1], k[2]);
            text += line;
        }
    }
    if (!qvtool::WriteFileBytes(descriptorPath, std::vector<uint8_t>(text.begin(), text.end())))
    {
        std::fprintf(stderr, "qv_fontgen: cannot write %s\n", descriptorPath.c_str());
        return 1;
    }
    return 0;
}
