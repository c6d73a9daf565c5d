// Bitmap fonts from text descriptors (a descriptor the content pipeline generated, synthetic ones
// for exact numbers, broken ones), measuring, and the text drawer's layout: wrapping, alignment and
// the rebuild of a node's glyph records only when the node is dirty.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/render/ZFont.h"
#include "engine/render/ZRenderFont.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZFontText.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/TestFiles.h"

namespace
{

// Hands out quad ids like a device would; can be told to fail.
class QuadRender : public test::RecordingRender
{
public:
    int CreateQuad(float, float, float, float, float, float) override
    {
        if (failQuads)
            return -1;
        ++quadsMade;
        return nextQuad++;
    }
    void DeleteQuad(int) override { ++quadsDeleted; }
    int nextQuad = 1;
    int quadsMade = 0;
    int quadsDeleted = 0;
    bool failQuads = false;
};

// Every draw of a glyph, recorded instead of sent to a device.
class RecordingFontRenderer : public ZRenderFont
{
public:
    std::vector<int> drawn;

protected:
    void DrawGlyph(ZCamera*, const DrawRecord&) override { drawn.push_back(GetCurrentQuad()); }
};

// A: 8 x 10, advance 9; B: 8 x 10, advance 10; C: 6 x 4 low, advance 7; space advance 5.
// Kerning A then B: -2. Line height 16.
const char* const kSmallFont = "info face=\"Test\" size=12 padding=0,0,0,0 spacing=1,1\n"
                               "common lineHeight=16 base=12 scaleW=64 scaleH=64 pages=1\n"
                               "page id=0 file=\"ignored.png\"\n"
                               "chars count=4\n"
                               "char id=32 x=0 y=0 width=0 height=0 xoffset=0 yoffset=12 xadvance=5 page=0\n"
                               "char id=65 x=0 y=0 width=8 height=10 xoffset=0 yoffset=2 xadvance=9 page=0\n"
                               "char id=66 x=10 y=0 width=8 height=10 xoffset=1 yoffset=2 xadvance=10 page=0\n"
                               "char id=67 x=20 y=0 width=6 height=4 xoffset=0 yoffset=8 xadvance=7 page=0\n"
                               "kernings count=1\n"
                               "kerning first=65 second=66 amount=-2\n";

class FontTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        table.AddMount("fonts", (std::string(QV_FIXTURES) + "/fonts").c_str());
        fs = new ZFileSystem(&table);
        manager = ZResourceManager::GetInstance();
        render.SetResourceManager(manager);
        render.Init(800, 600, true, nullptr);
        page = ZTexture::CreateEmpty(static_cast<uint8_t*>(std::calloc(64 * 64, 4)), 64, 64, 0);
    }
    void TearDown() override
    {
        for (ZFontText* text : texts)
            delete text;
        for (ZFont* font : fonts)
            delete font;
        delete page;
        ZResourceManager::DestroyInstance();
        delete fs;
    }

    // A font from descriptor text with its glyph quads made on the page texture.
    ZFont* MakeFont(const char* descriptor)
    {
        ZFont* font = ZFont::Create();
        fonts.push_back(font);
        EXPECT_EQ(font->ParseDescriptor(descriptor, std::strlen(descriptor)), 0);
        font->SetTexture(page);
        EXPECT_EQ(font->Load(), 0);
        EXPECT_TRUE(font->HasQuads());
        return font;
    }
    ZFontText* MakeText(ZFont* font, const char* text)
    {
        ZFontText* node = ZFontText::Create(font);
        texts.push_back(node);
        node->SetText(text);
        return node;
    }

    ZMountTable table;
    ZFileSystem* fs = nullptr;
    ZResourceManager* manager = nullptr;
    QuadRender render;
    ZTexture* page = nullptr;
    std::vector<ZFont*> fonts;
    std::vector<ZFontText*> texts;
};

TEST_F(FontTest, GeneratedDescriptorParsesWithEveryGlyphOnItsPageAndEveryKerningPair)
{
    ZFont* font = ZFont::Create();
    fonts.push_back(font);
    font->SetName("small");
    font->SetDescriptorPath("fonts:font_small.fnt");
    ASSERT_EQ(font->LoadDescriptor(), 0);
    EXPECT_EQ(ZFont::Find("small"), font);
    EXPECT_EQ(ZFont::Find("missing"), nullptr);

    // The reference numbers come from the file itself.
    const std::string text = qvtest::ReadWholeFile(std::string(QV_FIXTURES) + "/fonts/font_small.fnt");
    std::istringstream lines(text);
    std::string line;
    int pageWidth = 0, pageHeight = 0, charCount = 0, lineHeight = 0, base = 0;
    std::vector<std::array<int, 3>> pairs;
    while (std::getline(lines, line))
    {
        if (line.rfind("common ", 0) == 0)
            std::sscanf(line.c_str(), "common lineHeight=%d base=%d scaleW=%d scaleH=%d", &lineHeight, &base,
                        &pageWidth, &pageHeight);
        else if (line.rfind("char ", 0) == 0)
            ++charCount;
        else if (line.rfind("kerning ", 0) == 0)
        {
            std::array<int, 3> pair{};
            std::sscanf(line.c_str(), "kerning first=%d second=%d amount=%d", &pair[0], &pair[1], &pair[2]);
            pairs.push_back(pair);
        }
    }
    ASSERT_GT(charCount, 100);
    ASSERT_FALSE(pairs.empty());
    EXPECT_EQ(font->GetLineHeight(), lineHeight);
    EXPECT_EQ(font->GetBase(), base);
    ASSERT_EQ(int(font->GetGlyphs().size()), charCount);
    for (const ZFont::SGlyph& glyph : font->GetGlyphs())
    {
        SCOPED_TRACE(glyph.id);
        EXPECT_GE(glyph.x, 0);
        EXPECT_GE(glyph.y, 0);
        EXPECT_LE(glyph.x + glyph.width, pageWidth);
        EXPECT_LE(glyph.y + glyph.height, pageHeight);
        EXPECT_EQ(font->GetGlyphs()[size_t(font->GetGlyphIndex(uint32_t(glyph.id)))].id, glyph.id);
    }
    EXPECT_EQ(font->GetKerningCount(), int(pairs.size()));
    for (const auto& pair : pairs)
        EXPECT_EQ(font->GetKerning(uint32_t(pair[0]), uint32_t(pair[1])), pair[2])
            << pair[0] << "," << pair[1];
    EXPECT_EQ(font->GetKerning('A', 'A'), 0);
}

TEST_F(FontTest, LoadingMakesOneQuadPerGlyphAndFiresTheLoadedEvent)
{
    ZFont* font = ZFont::Create();
    fonts.push_back(font);
    ASSERT_EQ(font->ParseDescriptor(kSmallFont, std::strlen(kSmallFont)), 0);
    ZFontText* node = MakeText(font, "AB");
    node->ClearDirty();
    font->SetTexture(page);
    ASSERT_EQ(font->Load(), 0);
    EXPECT_EQ(render.quadsMade, 4);
    // The node heard the loaded event and must lay out again.
    EXPECT_TRUE(node->IsDirty());
    EXPECT_FLOAT_EQ(font->GetXHeight(), 0.0f);

    ZFont::SGlyphInfo glyph;
    ASSERT_EQ(font->GetGlyph('B', glyph), 0);
    EXPECT_FLOAT_EQ(glyph.xoffset, 1.0f);
    EXPECT_FLOAT_EQ(glyph.xadvance, 10.0f);
    EXPECT_EQ(font->GetGlyph('Z', glyph), 1);

    ASSERT_EQ(font->Unload(), 0);
    EXPECT_EQ(render.quadsDeleted, 4);
    EXPECT_EQ(font->GetGlyph('B', glyph), 1);
}

TEST_F(FontTest, FailedQuadsLeaveNoUsableGlyph)
{
    render.failQuads = true;
    ZFont* font = ZFont::Create();
    fonts.push_back(font);
    ASSERT_EQ(font->ParseDescriptor(kSmallFont, std::strlen(kSmallFont)), 0);
    font->SetTexture(page);
    font->Load();
    ZFont::SGlyphInfo glyph;
    EXPECT_EQ(font->GetGlyph('A', glyph), 1);
    float w = -1, h = -1, top = 0;
    font->MeasureText(u"AB", w, h, top, -1, 0.0f);
    EXPECT_FLOAT_EQ(w, 0.0f);
    EXPECT_FLOAT_EQ(top, ZFont::kNoTop);
}

TEST_F(FontTest, MeasureText)
{
    ZFont* font = MakeFont(kSmallFont);
    struct Case
    {
        const char16_t* text;
        int length;
        float extra;
        float width, height, top;
    };
    const Case cases[] = {
        {u"A", -1, 0.0f, 9.0f, 10.0f, 2.0f},
        {u"AB", -1, 0.0f, 17.0f, 10.0f, 2.0f},         // kerned by -2
        {u"BA", -1, 0.0f, 19.0f, 10.0f, 2.0f},         // no kerning this way round
        {u"AB", -1, 1.0f, 18.0f, 10.0f, 2.0f},         // one gap of extra spacing, none after the last
        {u"A\nB", -1, 0.0f, 10.0f, 26.0f, 2.0f},       // widest line; one line height per newline
        {u"A\n\nB", -1, 0.0f, 10.0f, 42.0f, 2.0f},
        {u"AC", -1, 0.0f, 16.0f, 10.0f, 2.0f},         // the low C reaches no lower than A
        {u"C", -1, 0.0f, 7.0f, 4.0f, 8.0f},
        {u"A\u00e9B", -1, 0.0f, 19.0f, 10.0f, 2.0f},   // no glyph: no room; the pair is broken
        {u"ABAB", 2, 0.0f, 17.0f, 10.0f, 2.0f},        // only the first two units
        {u"", -1, 0.0f, 0.0f, 0.0f, ZFont::kNoTop},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::u16string(c.text).size());
        float width = -1.0f, height = -1.0f, top = -1.0f;
        font->MeasureText(c.text, width, height, top, c.length, c.extra);
        EXPECT_FLOAT_EQ(width, c.width);
        EXPECT_FLOAT_EQ(height, c.height);
        EXPECT_FLOAT_EQ(top, c.top);
    }
    float width = -1.0f, height = -1.0f, top = -1.0f;
    font->MeasureText(u"AB", width, height, top, 0, 0.0f);
    EXPECT_FLOAT_EQ(width, -1.0f) << "length 0 writes nothing";
}

TEST_F(FontTest, DescriptorReaderFollowsTheFormatsQuirks)
{
    const char* descriptor = "INFO face=x PADDING=1,2,3,4 spacing=2,3\n"
                             "common lineHeight=20 base=16\n"
                             "kerning first=65 second=65 amount=5\n"
                             "char id=65 x=10 y=20 width=8 height=12 xoffset=0 yoffset=2 xadvance=9 page=0 "
                             "chnl=15\n"
                             "char id=65 x=11 y=21 width=8 height=12 xoffset=0 yoffset=2 xadvance=9 page=0\n"
                             "char id=120 x=0 y=0 width=6 height=9 xoffset=0 yoffset=4 xadvance=7\n"
                             "kernings count=1\n"
                             "kerning first=65 second=120 amount=200\n"
                             "kerning first=65 second=999 amount=3\n"
                             "char id=66 x=0 y=0 width=6 height=9 xoffset=0 yoffset=4 xadvance=7\n"
                             "kerning first=66 second=65 amount=4\n";
    ZFont* font = MakeFont(descriptor);
    // padding lists up, right, down, left; stored left, bottom, right, top.
    EXPECT_FLOAT_EQ(font->GetPadding()[3], 1.0f);
    EXPECT_FLOAT_EQ(font->GetPadding()[2], 2.0f);
    EXPECT_FLOAT_EQ(font->GetPadding()[1], 3.0f);
    EXPECT_FLOAT_EQ(font->GetPadding()[0], 4.0f);
    EXPECT_FLOAT_EQ(font->GetSpacing()[1], 3.0f);
    EXPECT_EQ(font->GetLineHeight(), 20);
    // The later of two glyphs with one id wins.
    EXPECT_EQ(font->GetGlyphs()[size_t(font->GetGlyphIndex('A'))].x, 11);
    EXPECT_EQ(font->GetKerning('A', 'A'), 0) << "kerning before the table is ignored";
    EXPECT_EQ(font->GetKerning('A', 'x'), -56) << "amounts are 8-bit";
    // B came after the table was sized: no kerning, and nothing outside the table touched.
    EXPECT_EQ(font->GetKerning('B', 'A'), 0);
    EXPECT_FLOAT_EQ(font->GetXHeight(), 9.0f - (1.0f + 3.0f));
}

TEST_F(FontTest, BrokenDescriptorsFailCleanly)
{
    const std::string full = qvtest::ReadWholeFile(std::string(QV_FIXTURES) + "/fonts/font_small.fnt");
    struct Case
    {
        const char* what;
        std::string text;
        int result;
        size_t glyphs;
    };
    const Case cases[] = {
        {"empty", "", 1, 0},
        {"not a font", "hello world\nthis is text", 1, 0},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), 1, 0},
        {"cut inside the info line", full.substr(0, 40), 1, 0},
        // A glyph without its place, size or advance is refused; the glyphs before it stay.
        {"cut inside a char line", full.substr(0, full.find("char id=66") + 14), 0, 34},
        {"blank line after common", "info size=1\ncommon lineHeight=5 base=4\n\nchar id=65 width=3\n", 0, 0},
        {"no line height", "common lineHeight\nchar id=65 x=0 y=0 width=3 height=3 xadvance=3\n", 1, 0},
        {"missing values", "common lineHeight=5\nchar id\nchar\nchar id=65 x=0 y=0 width=3 xadvance=3\n", 0, 0},
        {"ids out of range", "common lineHeight=5\nchar id=-5 x=0 y=0 width=3 height=3 xadvance=3\n"
                             "char id=65536 x=0 y=0 width=3 height=3 xadvance=3\n"
                             "char id=99999999999999999999 x=0 y=0 width=3 height=3 xadvance=3\n", 0, 0},
        {"negative size", "common lineHeight=5\nchar id=65 x=0 y=0 width=-3 height=3 xadvance=3\n", 0, 0},
        {"huge kerning count", "common lineHeight=5\nchar id=66 x=0 y=0 width=3 height=3 xadvance=3\n"
                               "kernings count=2147483647\nkerning first=66 second=66 amount=1\n", 0, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ZFont* font = ZFont::Create();
        fonts.push_back(font);
        EXPECT_EQ(font->ParseDescriptor(c.text.data(), c.text.size()), c.result);
        EXPECT_EQ(font->GetGlyphs().size(), c.glyphs);
        EXPECT_EQ(font->IsDescriptorRead(), c.result == 0);
        ZFont::SGlyphInfo glyph;
        EXPECT_EQ(font->GetGlyph('A', glyph), 1);
        EXPECT_EQ(font->GetGlyphIndex(65535), -1);
    }
    ZFont* missing = ZFont::Create();
    fonts.push_back(missing);
    missing->SetDescriptorPath("fonts:no_such.fnt");
    EXPECT_EQ(missing->LoadDescriptor(), 1);
    missing->SetTexture(page);
    EXPECT_EQ(missing->Load(), 1);

    ZFont* noTexture = ZFont::Create();
    fonts.push_back(noTexture);
    ASSERT_EQ(noTexture->ParseDescriptor(kSmallFont, std::strlen(kSmallFont)), 0);
    EXPECT_EQ(noTexture->Load(), 1) << "a font without a page texture cannot load";
}

// Centre x of each slot for the characters that carry a glyph, and line (by y) of each.
struct Placed
{
    std::vector<float> x;
    std::vector<float> y;
};

Placed Collect(const ZFontText& node)
{
    Placed out;
    const ZRenderFont::SGlyphSlot* slots = ZRenderFont::GetSlots(node);
    for (size_t i = 0; i < node.GetWideText().size(); ++i)
    {
        if (slots[i].quadId == ZRenderFont::kEndOfText)
            break;
        if (slots[i].quadId == ZRenderFont::kNoGlyph || slots[i].width <= 0.0f)
            continue;
        out.x.push_back(slots[i].x - slots[i].width * 0.5f);
        out.y.push_back(slots[i].y);
    }
    return out;
}

TEST_F(FontTest, WrappingAndAlignment)
{
    ZFont* font = MakeFont(kSmallFont);
    // Left edges of the glyph boxes (B has xoffset 1), relative to the start corner.
    struct Case
    {
        const char* what;
        const char* text;
        const char* align;
        float box;
        std::vector<float> left;
        std::vector<int> line;
    };
    const Case cases[] = {
        // "AB " is 9-2+10+5 = 22 wide; "AB A" fits in 30 only when the second word starts at 22.
        {"fits", "AB A", "left", 40.0f, {0, 8, 22}, {0, 0, 0}},
        {"wraps before the word", "AB AB", "left", 30.0f, {0, 8, 0, 8}, {0, 0, 1, 1}},
        {"newline", "A\nB", "left", 40.0f, {0, 1}, {0, 1}},
        {"first word wider than the box", "ABAB", "left", 10.0f, {0, 8, 17, 25}, {1, 1, 1, 1}},
        {"tab takes no room", "A\tB", "left", 40.0f, {0, 10}, {0, 0}},
        // Wrapped lines keep their trailing space in their width: 22, then the last line 17.
        {"right", "AB AB", "right", 30.0f, {8, 16, 13, 21}, {0, 0, 1, 1}},
        {"centre", "AB AB", "center", 30.0f, {4, 12, 6, 14}, {0, 0, 1, 1}},
        // The wrapped line is 22 wide with 3 slots (A, B, space): gap (30 - 22) / 2.
        {"justify spreads wrapped lines only", "AB AB", "justify", 30.0f, {0, 12, 0, 8}, {0, 0, 1, 1}},
        {"automatic is left inside a box", "AB AB", nullptr, 30.0f, {0, 8, 0, 8}, {0, 0, 1, 1}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ZFontText* node = MakeText(font, c.text);
        node->SetBoxSize(c.box, 100.0f);
        if (c.align)
            node->SetProperty(ZNameId("align"), "align", c.align);
        const V2 start{0.0f, 0.0f};
        ZRenderFont::LayoutNode(*node, start);
        EXPECT_FALSE(node->IsDirty());
        const Placed placed = Collect(*node);
        ASSERT_EQ(placed.x.size(), c.left.size());
        for (size_t i = 0; i < c.left.size(); ++i)
        {
            EXPECT_FLOAT_EQ(placed.x[i], c.left[i]) << i;
            const float lineTop = -16.0f * float(c.line[i]);
            EXPECT_GT(placed.y[i], lineTop - 16.0f) << i;
            EXPECT_LT(placed.y[i], lineTop) << i;
        }
    }
}

TEST_F(FontTest, CentredTextWithoutABoxCentresEveryLine)
{
    ZFont* font = MakeFont(kSmallFont);
    ZFontText* node = MakeText(font, "AB\nA");
    node->SetProperty(ZNameId("align"), "align", "center");
    ZRenderFont::LayoutNode(*node, V2{0.0f, 0.0f});
    const Placed placed = Collect(*node);
    // Measured width 17 (the first line); the second line (9) moves by floor(4).
    ASSERT_EQ(placed.x.size(), 3u);
    EXPECT_FLOAT_EQ(placed.x[0], 0.0f);
    EXPECT_FLOAT_EQ(placed.x[2], 4.0f);
}

TEST_F(FontTest, GlyphRecordsAreRebuiltOnlyWhenTheNodeIsDirty)
{
    ZFont* font = MakeFont(kSmallFont);
    RecordingFontRenderer drawer;
    drawer.Init();
    ZFontText* node = MakeText(font, "AB");
    DrawRecord record;

    drawer.DrawTextNode(node, nullptr, record);
    EXPECT_EQ(drawer.GetLayoutCount(), 1u);
    EXPECT_FALSE(node->IsDirty());
    drawer.DrawTextNode(node, nullptr, record);
    drawer.DrawTextNode(node, nullptr, record);
    EXPECT_EQ(drawer.GetLayoutCount(), 1u);

    node->SetText("ABA");
    drawer.DrawTextNode(node, nullptr, record);
    EXPECT_EQ(drawer.GetLayoutCount(), 2u);
    EXPECT_EQ(Collect(*node).x.size(), 3u);

    node->SetSpacing(2.0f);
    drawer.DrawTextNode(node, nullptr, record);
    EXPECT_EQ(drawer.GetLayoutCount(), 3u);

    g_renderDisableFontCache.SetValue(true);
    drawer.DrawTextNode(node, nullptr, record);
    drawer.DrawTextNode(node, nullptr, record);
    g_renderDisableFontCache.SetValue(false);
    EXPECT_EQ(drawer.GetLayoutCount(), 5u);
}

TEST_F(FontTest, TextUsersLeaveTheFontAndTheTableIsFilled)
{
    ZFont* font = MakeFont(kSmallFont);
    ZFontText* node = MakeText(font, "A");
    ASSERT_NE(TextFontCalls().Find, nullptr);
    EXPECT_EQ(font->GetTexts().size(), 1u);
    font->AddText(node);
    font->RemoveText(node);
    EXPECT_TRUE(font->GetTexts().empty()) << "every occurrence leaves";
    EXPECT_EQ(TextFontCalls().GetId(font), uint8_t(font->GetSerial() & 0xFF));
    font->SetName("named");
    EXPECT_EQ(TextFontCalls().Find("named"), font);
}

} // namespace
