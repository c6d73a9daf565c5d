// qv_contactsheet <game folder> <output.png> [width=2048] [grey=1]
// Writes one picture for reviewing the game's content at a glance: every image of the resource
// archive and of the loose game folder (decoded with DevIL, as the game decodes them) with its
// name, over a checkerboard that shows transparency, then a sample line in every bitmap font.
// It reads the assembled game folder, so it shows what ships, not what the tools meant to make.
// grey=1 draws the sheet in luminance only, to check that tokens differ in shape, not just colour.
#include <IL/il.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/fs/ZZipArchive.h"
#include "tools/common/ImageFile.h"
#include "tools/common/ToolOptions.h"

namespace fs = std::filesystem;
using qvtool::Rgba8Image;

namespace
{
constexpr int kMargin = 16;
constexpr int kGap = 12;
constexpr int kThumbHeight = 128; // tallest thumbnail
constexpr int kThumbWidth = 384;  // widest thumbnail
const uint8_t kBackground[3] = {10, 30, 48};

bool HasExtension(const std::string& name, std::initializer_list<const char*> extensions)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (const char* e : extensions)
    {
        const std::string ext = e;
        if (lower.size() > ext.size() && lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0)
            return true;
    }
    return false;
}

bool IsImage(const std::string& name)
{
    return HasExtension(name, {".png", ".jpg", ".jpeg", ".bmp", ".tga", ".ico", ".jp2", ".j2k"});
}

// Decodes with DevIL into straight RGBA, top row first; false when DevIL cannot.
bool Decode(const std::string& name, const std::vector<uint8_t>& bytes, Rgba8Image& out)
{
    ILuint id = 0;
    ilGenImages(1, &id);
    ilBindImage(id);
    ILenum type = ilTypeFromExt(name.c_str());
    if (type == IL_TYPE_UNKNOWN)
        type = ilDetermineTypeL(bytes.data(), ILuint(bytes.size()));
    bool ok = ilLoadL(type, bytes.data(), ILuint(bytes.size())) && ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE);
    if (ok)
    {
        out.width = ilGetInteger(IL_IMAGE_WIDTH);
        out.height = ilGetInteger(IL_IMAGE_HEIGHT);
        const uint8_t* data = ilGetData();
        ok = out.width > 0 && out.height > 0 && data;
        if (ok)
            out.pixels.assign(data, data + size_t(out.width) * size_t(out.height) * 4);
    }
    while (ilGetError() != IL_NO_ERROR)
    {
    }
    ilDeleteImages(1, &id);
    return ok;
}

// The sheet: an RGB picture with straight-alpha painting onto it.
class Sheet
{
public:
    Sheet(int width, int height) : m_width(width), m_height(height), m_rgb(size_t(width) * height * 3)
    {
        for (size_t i = 0; i < m_rgb.size(); i += 3)
            std::copy(kBackground, kBackground + 3, m_rgb.begin() + std::ptrdiff_t(i));
    }
    int Width() const { return m_width; }

    void Blend(int x, int y, float r, float g, float b, float a)
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height || a <= 0.0f)
            return;
        uint8_t* p = &m_rgb[(size_t(y) * m_width + x) * 3];
        p[0] = uint8_t(std::lround(p[0] + (r - p[0]) * a));
        p[1] = uint8_t(std::lround(p[1] + (g - p[1]) * a));
        p[2] = uint8_t(std::lround(p[2] + (b - p[2]) * a));
    }
    void Rect(int x, int y, int w, int h, const uint8_t rgb[3], float a = 1.0f)
    {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                Blend(i, j, rgb[0], rgb[1], rgb[2], a);
    }
    // A checkerboard of 8-pixel squares behind a picture, so transparency shows.
    void Checker(int x, int y, int w, int h)
    {
        const uint8_t light[3] = {92, 100, 108};
        const uint8_t dark[3] = {64, 70, 78};
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
            {
                const uint8_t* c = ((i / 8 + j / 8) % 2) ? light : dark;
                Blend(x + i, y + j, c[0], c[1], c[2], 1.0f);
            }
    }
    // Draws the image scaled to w x h: box filter when shrinking, nearest pixel when enlarging.
    void Draw(const Rgba8Image& image, int x, int y, int w, int h)
    {
        const float sx = float(image.width) / float(w);
        const float sy = float(image.height) / float(h);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
            {
                const int x0 = int(std::floor(i * sx));
                const int y0 = int(std::floor(j * sy));
                const int x1 = std::max(x0 + 1, std::min(image.width, int(std::ceil((i + 1) * sx))));
                const int y1 = std::max(y0 + 1, std::min(image.height, int(std::ceil((j + 1) * sy))));
                float r = 0, g = 0, b = 0, a = 0;
                int n = 0;
                for (int v = y0; v < y1; ++v)
                    for (int u = x0; u < x1; ++u)
                    {
                        const uint8_t* p = &image.pixels[(size_t(v) * image.width + u) * 4];
                        const float pa = p[3] / 255.0f;
                        r += p[0] * pa;
                        g += p[1] * pa;
                        b += p[2] * pa;
                        a += pa;
                        ++n;
                    }
                if (a > 0.0f)
                    Blend(x + i, y + j, r / a, g / a, b / a, a / float(n));
            }
    }
    // With `grey`, in luminance only: what is left when colours cannot be told apart.
    Rgba8Image ToImage(bool grey) const
    {
        Rgba8Image image;
        image.width = m_width;
        image.height = m_height;
        image.pixels.resize(size_t(m_width) * m_height * 4);
        for (size_t p = 0; p < size_t(m_width) * m_height; ++p)
        {
            const uint8_t* c = &m_rgb[p * 3];
            uint8_t* out = &image.pixels[p * 4];
            if (grey)
            {
                const auto y = uint8_t(std::lround(0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2]));
                out[0] = out[1] = out[2] = y;
            }
            else
                std::copy(c, c + 3, out);
            out[3] = 255;
        }
        return image;
    }

private:
    int m_width;
    int m_height;
    std::vector<uint8_t> m_rgb;
};

// A bitmap font from its BMFont text descriptor and page picture.
class BitmapFont
{
public:
    struct Glyph
    {
        int x = 0, y = 0, width = 0, height = 0, xoffset = 0, yoffset = 0, xadvance = 0;
    };

    bool Parse(const std::string& text, Rgba8Image page)
    {
        m_page = std::move(page);
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line))
        {
            std::istringstream words(line);
            std::string tag;
            words >> tag;
            std::map<std::string, int> values;
            std::string word;
            while (words >> word)
            {
                const size_t eq = word.find('=');
                if (eq != std::string::npos && word[eq + 1] != '"')
                    values[word.substr(0, eq)] = std::atoi(word.c_str() + eq + 1);
            }
            if (tag == "common")
                m_lineHeight = values["lineHeight"];
            else if (tag == "char")
            {
                Glyph g{values["x"],       values["y"],       values["width"],   values["height"],
                        values["xoffset"], values["yoffset"], values["xadvance"]};
                m_glyphs[uint32_t(values["id"])] = g;
            }
            else if (tag == "kerning")
                m_kerning[{uint32_t(values["first"]), uint32_t(values["second"])}] = values["amount"];
        }
        return m_lineHeight > 0 && !m_glyphs.empty() && m_page.width > 0;
    }
    int LineHeight() const { return m_lineHeight; }

    // Draws a line of code points with the pen's top-left at (x, y); returns the width.
    int DrawText(Sheet* sheet, int x, int y, const std::u32string& text) const
    {
        int pen = x;
        uint32_t previous = 0;
        for (char32_t c : text)
        {
            auto it = m_glyphs.find(uint32_t(c));
            if (it == m_glyphs.end())
                it = m_glyphs.find(uint32_t('?'));
            if (it == m_glyphs.end())
                continue;
            auto kern = m_kerning.find({previous, uint32_t(c)});
            if (kern != m_kerning.end())
                pen += kern->second;
            const Glyph& g = it->second;
            if (sheet)
                for (int j = 0; j < g.height; ++j)
                    for (int i = 0; i < g.width; ++i)
                    {
                        const int u = g.x + i;
                        const int v = g.y + j;
                        if (u < 0 || v < 0 || u >= m_page.width || v >= m_page.height)
                            continue;
                        const uint8_t* p = &m_page.pixels[(size_t(v) * m_page.width + u) * 4];
                        sheet->Blend(pen + g.xoffset + i, y + g.yoffset + j, p[0], p[1], p[2], p[3] / 255.0f);
                    }
            pen += g.xadvance;
            previous = uint32_t(c);
        }
        return pen - x;
    }

private:
    Rgba8Image m_page;
    int m_lineHeight = 0;
    std::map<uint32_t, Glyph> m_glyphs;
    std::map<std::pair<uint32_t, uint32_t>, int> m_kerning;
};

std::u32string Widen(const std::string& ascii)
{
    return std::u32string(ascii.begin(), ascii.end());
}

struct Picture
{
    std::string name;
    Rgba8Image image;
    bool broken = false;
    int w = 0, h = 0; // thumbnail size
};

struct Placed
{
    size_t index;
    int x, y, cellWidth;
};
} // namespace

int main(int argc, char** argv)
{
    qvtool::ToolOptions options(argc, argv, 1, 2);
    if (options.PositionalCount() < 2)
    {
        std::fprintf(stderr, "usage: qv_contactsheet <game folder> <output.png> [width=2048] [grey=1]\n");
        return 2;
    }
    const fs::path game = options.Positional(0);
    const std::string output = options.Positional(1);
    const int sheetWidth = std::clamp(options.Integer("width", 2048), 640, 8192);
    const bool grey = options.Integer("grey", 0) != 0;

    ilInit();
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_UPPER_LEFT);

    // Every file of the archive and of the loose folder, by name.
    std::map<std::string, std::vector<uint8_t>> files;
    const std::string archivePath = (game / "resources.brn").string();
    ZZipArchive archive(archivePath.c_str());
    if (archive.Open() == 0)
    {
        for (int i = 0; i < archive.GetEntryCount(); ++i)
        {
            SZipEntry entry;
            if (!archive.GetEntry(i, entry) || entry.name.empty() || entry.name.back() == '/')
                continue;
            std::vector<uint8_t> bytes(entry.size);
            if (archive.ReadMember(i, bytes.data()) == 0)
                files[entry.name] = std::move(bytes);
            else
                std::fprintf(stderr, "qv_contactsheet: cannot read %s from the archive\n",
                             entry.name.c_str());
        }
        archive.Close();
    }
    else
        std::fprintf(stderr, "qv_contactsheet: no archive at %s; loose files only\n", archivePath.c_str());
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(game, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
    {
        if (!it->is_regular_file() || !IsImage(it->path().string()))
            continue;
        const std::string rel = fs::relative(it->path(), game).generic_string();
        std::FILE* f = std::fopen(it->path().c_str(), "rb");
        if (!f)
            continue;
        std::vector<uint8_t> bytes(size_t(it->file_size()));
        const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        bytes.resize(got);
        files["(loose) " + rel] = std::move(bytes);
    }
    if (files.empty())
    {
        std::fprintf(stderr, "qv_contactsheet: nothing found in %s\n", game.c_str());
        return 1;
    }

    // Fonts: descriptors with their pages. Pages are shown as fonts, not as pictures.
    std::map<std::string, BitmapFont> fonts;
    std::vector<std::string> fontPages;
    for (const auto& [name, bytes] : files)
    {
        if (!HasExtension(name, {".fnt"}))
            continue;
        const std::string base = name.substr(0, name.size() - 4);
        const auto page = files.find(base + ".png");
        Rgba8Image pageImage;
        BitmapFont font;
        if (page == files.end() || !Decode(page->first, page->second, pageImage) ||
            !font.Parse(std::string(bytes.begin(), bytes.end()), std::move(pageImage)))
        {
            std::fprintf(stderr, "qv_contactsheet: font %s is broken\n", name.c_str());
            continue;
        }
        fonts[base] = std::move(font);
        fontPages.push_back(base + ".png");
    }
    const BitmapFont* label = fonts.count("font_small") ? &fonts["font_small"] : nullptr;
    const BitmapFont* heading = fonts.count("font_title") ? &fonts["font_title"] : label;
    if (!label && !fonts.empty())
        label = heading = &fonts.begin()->second;

    std::vector<Picture> pictures;
    int broken = 0;
    for (const auto& [name, bytes] : files)
    {
        if (!IsImage(name) || std::find(fontPages.begin(), fontPages.end(), name) != fontPages.end())
            continue;
        Picture p;
        p.name = name;
        if (!Decode(name, bytes, p.image))
        {
            p.broken = true;
            ++broken;
            std::fprintf(stderr, "qv_contactsheet: %s does not decode\n", name.c_str());
            p.w = p.h = 64;
        }
        else
        {
            // Small pictures are enlarged (up to 2x) so that their detail shows.
            const float scale = std::min({2.0f, float(kThumbHeight) / float(p.image.height),
                                          float(kThumbWidth) / float(p.image.width)});
            p.w = std::max(1, int(std::lround(p.image.width * scale)));
            p.h = std::max(1, int(std::lround(p.image.height * scale)));
        }
        pictures.push_back(std::move(p));
    }

    // Lay out rows of cells: thumbnail above its name.
    const int labelHeight = label ? label->LineHeight() * 2 + 4 : 0;
    const int headingHeight = heading ? heading->LineHeight() + kGap : 0;
    std::vector<Placed> placed;
    int x = kMargin;
    int y = kMargin + headingHeight;
    int rowHeight = 0;
    for (size_t i = 0; i < pictures.size(); ++i)
    {
        const Picture& p = pictures[i];
        const std::string shown = p.name.substr(p.name.find_last_of('/') + 1);
        const int nameWidth = label ? label->DrawText(nullptr, 0, 0, Widen(shown)) : 0;
        const int cell = std::max(p.w, nameWidth) + kGap;
        if (x + cell > sheetWidth - kMargin && x > kMargin)
        {
            x = kMargin;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        placed.push_back({i, x, y, cell});
        x += cell;
        rowHeight = std::max(rowHeight, p.h + labelHeight);
    }
    y += rowHeight + kGap * 2;
    const int fontsTop = y;
    for (const auto& entry : fonts)
        y += entry.second.LineHeight() + (label ? label->LineHeight() : 0) + kGap;
    const int sheetHeight = y + kMargin;

    Sheet sheet(sheetWidth, sheetHeight);
    const std::u32string sample = U"The quick brown fox jumps over the lazy dog. 0123456789 "
                                  U"\u00c4\u00d6\u00dc \u00e9\u00e8\u00ea\u00e7 \u00df \u20ac $%&?! "
                                  U"\u201cQuotes\u201d \u2013 \u2026";
    if (heading)
    {
        char text[160];
        std::snprintf(text, sizeof text, "%zu pictures (%d broken), %zu fonts", pictures.size(), broken,
                      fonts.size());
        heading->DrawText(&sheet, kMargin, kMargin, Widen(text));
    }
    const uint8_t red[3] = {200, 40, 40};
    for (const Placed& c : placed)
    {
        const Picture& p = pictures[c.index];
        if (p.broken)
            sheet.Rect(c.x, c.y, p.w, p.h, red);
        else
        {
            sheet.Checker(c.x, c.y, p.w, p.h);
            sheet.Draw(p.image, c.x, c.y, p.w, p.h);
        }
        if (label)
        {
            const std::string shown = p.name.substr(p.name.find_last_of('/') + 1);
            label->DrawText(&sheet, c.x, c.y + p.h + 2, Widen(shown));
            char size[32];
            std::snprintf(size, sizeof size, "%d x %d", p.image.width, p.image.height);
            label->DrawText(&sheet, c.x, c.y + p.h + 2 + label->LineHeight(), Widen(size));
        }
    }
    y = fontsTop;
    const uint8_t band[3] = {30, 60, 84};
    for (const auto& [name, font] : fonts)
    {
        if (label)
        {
            label->DrawText(&sheet, kMargin, y, Widen(name));
            y += label->LineHeight();
        }
        sheet.Rect(kMargin, y, sheetWidth - 2 * kMargin, font.LineHeight(), band);
        font.DrawText(&sheet, kMargin, y, sample);
        y += font.LineHeight() + kGap;
    }

    if (!qvtool::WritePng(output, sheet.ToImage(grey)))
    {
        std::fprintf(stderr, "qv_contactsheet: cannot write %s\n", output.c_str());
        return 1;
    }
    std::printf("%s: %zu pictures (%d broken), %zu fonts\n", output.c_str(), pictures.size(), broken,
                fonts.size());
    return broken ? 1 : 0;
}
