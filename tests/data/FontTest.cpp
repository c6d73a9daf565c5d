// The bitmap font descriptors made by the font tool, read under the engine's rules.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <set>

#include "data/GameFolder.h"
#include "engine/render/ZFont.h"

namespace
{

using namespace qvtest;

struct Glyph
{
    long id, x, y, width, height, xoffset, yoffset, xadvance;
};

struct Descriptor
{
    long lineHeight = -1, base = -1;
    long padding[4] = {-1, -1, -1, -1};
    std::vector<Glyph> glyphs;
    std::vector<std::array<long, 3>> kernings;
    bool charAfterKernings = false;
    std::vector<std::string> problems;
};

// Tokenises as the engine does: separators blank, '=', ',', tab, CR; reading stops at the
// first empty line; keys are found by scanning the tokens.
Descriptor ParseDescriptor(const std::string& text)
{
    Descriptor d;
    bool kerningsSeen = false;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty())
        {
            if (start < text.size())
                d.problems.push_back("empty line before the end: the rest would be ignored");
            break;
        }
        std::vector<std::string> tokens;
        std::string token;
        for (char c : line + " ")
        {
            if (c == ' ' || c == '=' || c == ',' || c == '\t' || c == '\r')
            {
                if (!token.empty())
                    tokens.push_back(token);
                token.clear();
            }
            else
                token += c;
        }
        if (tokens.size() > 64)
            d.problems.push_back("more than 64 tokens: " + line);
        auto value = [&](const std::string& key, int offset = 1) -> long
        {
            for (size_t i = 0; i + offset < tokens.size(); ++i)
                if (tokens[i] == key)
                    return std::strtol(tokens[i + offset].c_str(), nullptr, 10);
            d.problems.push_back("missing key " + key + ": " + line);
            return 0;
        };
        const std::string& tag = tokens[0];
        if (tag == "info")
            for (int i = 0; i < 4; ++i)
                d.padding[i] = value("padding", i + 1);
        else if (tag == "common")
        {
            d.lineHeight = value("lineHeight");
            d.base = value("base");
        }
        else if (tag == "char")
        {
            if (kerningsSeen)
                d.charAfterKernings = true;
            d.glyphs.push_back({value("id"), value("x"), value("y"), value("width"), value("height"),
                                value("xoffset"), value("yoffset"), value("xadvance")});
        }
        else if (tag == "kernings")
            kerningsSeen = true;
        else if (tag == "kerning")
            d.kernings.push_back({value("first"), value("second"), value("amount")});
        // Quoted values must not hold blanks, which would split them into extra tokens.
        size_t q = line.find('"');
        while (q != std::string::npos)
        {
            size_t close = line.find('"', q + 1);
            if (close == std::string::npos || line.substr(q, close - q).find(' ') != std::string::npos)
                d.problems.push_back("quoted value with a blank: " + line);
            q = close == std::string::npos ? close : line.find('"', close + 1);
        }
    }
    return d;
}

void PngSize(const std::string& png, long& width, long& height)
{
    width = height = -1;
    if (png.size() < 24 || png.compare(1, 3, "PNG") != 0)
        return;
    auto be = [&](size_t at)
    {
        return (long(uint8_t(png[at])) << 24) | (long(uint8_t(png[at + 1])) << 16) |
               (long(uint8_t(png[at + 2])) << 8) | long(uint8_t(png[at + 3]));
    };
    width = be(16);
    height = be(20);
}

TEST(BitmapFonts, EveryDescriptorParsesAndEveryGlyphLiesInsideItsPage)
{
    std::vector<ListLine> fonts = ReadList("fonts.list");
    ASSERT_FALSE(fonts.empty());
    for (const ListLine& font : fonts)
    {
        const std::string name = font.words[0];
        SCOPED_TRACE(name);
        const std::string text = ArchiveText(name + ".fnt");
        Descriptor d = ParseDescriptor(text);
        // The engine's own reader takes the descriptor whole.
        {
            ZFont* engineFont = ZFont::Create();
            EXPECT_EQ(engineFont->ParseDescriptor(text.data(), text.size()), 0);
            EXPECT_EQ(engineFont->GetGlyphs().size(), d.glyphs.size());
            EXPECT_EQ(size_t(engineFont->GetKerningCount()), d.kernings.size());
            delete engineFont;
        }
        long pageWidth, pageHeight;
        PngSize(ArchiveText(name + ".png"), pageWidth, pageHeight);
        ASSERT_GT(pageWidth, 0);
        EXPECT_TRUE(d.problems.empty()) << d.problems.front();
        EXPECT_FALSE(d.charAfterKernings);
        EXPECT_GT(d.lineHeight, 0);
        EXPECT_GT(d.base, 0);
        EXPECT_LE(d.base, d.lineHeight);
        std::set<long> ids;
        for (const Glyph& g : d.glyphs)
        {
            EXPECT_TRUE(ids.insert(g.id).second) << "glyph " << g.id << " twice";
            EXPECT_GE(g.id, 0);
            EXPECT_LT(g.id, 65536);
            EXPECT_GE(g.x, 0) << g.id;
            EXPECT_GE(g.y, 0) << g.id;
            EXPECT_LE(g.x + g.width, pageWidth) << g.id;
            EXPECT_LE(g.y + g.height, pageHeight) << g.id;
            EXPECT_GT(g.xadvance, 0) << g.id;
        }
        // What the screens print: names, digits, the format characters and 'x' for alignment.
        for (char c :
             std::string(" _%$:+/x.,!?-'()0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"))
            EXPECT_TRUE(ids.count(static_cast<unsigned char>(c))) << "missing '" << c << "'";
        for (const auto& k : d.kernings)
        {
            EXPECT_TRUE(ids.count(k[0]) && ids.count(k[1])) << "kerning of a missing glyph";
            EXPECT_GE(k[2], -128);
            EXPECT_LE(k[2], 127);
        }
    }
}

TEST(BitmapFonts, EveryDeclaredFontHasItsDescriptorAndPage)
{
    const std::string declarations = ArchiveText("fonts.xml");
    for (const ListLine& font : ReadList("fonts.list"))
    {
        const std::string name = font.words[0];
        EXPECT_NE(declarations.find("name=\"" + name + "\" path=\"resources:" + name +
                                    ".fnt\" texture=\"resources:" + name + ".png\""),
                  std::string::npos)
            << name;
    }
    // The names the game object and the help pages look up.
    for (const char* name : {"font_popup", "font_popup_blue", "story", "plain"})
        EXPECT_NE(declarations.find(std::string("name=\"") + name + "\""), std::string::npos) << name;
    EXPECT_NE(ArchiveText("resources.xml").find("<merge path=\"resources:fonts.xml\"/>"), std::string::npos);
}

// Any text may be set in any font: every character of the English strings needs a glyph.
TEST(BitmapFonts, EveryFontHoldsEveryCharacterOfTheStrings)
{
    const std::string xml = ArchiveText("localized/en/strings.xml");
    ASSERT_FALSE(xml.empty());
    std::set<long> used;
    for (size_t i = 0; i < xml.size();)
    {
        unsigned char c = static_cast<unsigned char>(xml[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : 3;
        long code = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k <= extra && i + k < xml.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(xml[i + k]) & 0x3F);
        if (code >= 32)
            used.insert(code);
        i += 1 + extra;
    }
    for (const ListLine& font : ReadList("fonts.list"))
    {
        Descriptor d = ParseDescriptor(ArchiveText(font.words[0] + ".fnt"));
        std::set<long> ids;
        for (const Glyph& g : d.glyphs)
            ids.insert(g.id);
        for (long code : used)
            EXPECT_TRUE(ids.count(code)) << font.words[0] << " lacks U+" << std::hex << code;
    }
}

} // namespace
