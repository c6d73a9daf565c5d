// Text nodes: layout and its dirty mark, text conversion and trimming, fonts and their users,
// properties and draw keys; the type writer, wave and spring character modifiers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "scene/RenderDoubles.h"
#include "scene/SceneTestSupport.h"

namespace
{

using namespace doubles;

class FontTextTest : public SceneTest
{
protected:
    void TearDown() override
    {
        ZStringTable::DestroyInstance();
        SceneTest::TearDown();
    }
    Renderer render;
};

bool Set(ZNode* node, const char* key, const char* value)
{
    return node->SetProperty(ZNameId(key), key, value);
}

TEST_F(FontTextTest, VerticalModesPlaceTheBox)
{
    // Line height 32, base 24, x-height 10; the text measures 20 high with its top glyph at 3.
    Font* font = render.NewFont("f");
    struct Case
    {
        const char* name;
        float offset;
        float boxHeight;
    };
    const Case cases[] = {
        {"lineheight", 32 * 0.5f - 20 * 0.5f, 32.0f},
        {"xheight", (24 - 20 * 0.5f) - 10 * 0.5f, 10.0f},
        {"actual", 3.0f, 20.0f},
        {"baseline", 24 - 20 * 0.5f, 10.0f},
        {"unknown", 6.0f, 32.0f},
    };
    for (const Case& c : cases)
    {
        ZFontText* text = ZFontText::Create(F(font));
        text->SetText("abc");
        EXPECT_TRUE(Set(text, "vertical", c.name));
        EXPECT_FLOAT_EQ(text->GetVerticalOffset(), c.offset) << c.name;
        EXPECT_FLOAT_EQ(text->GetBoxSize().y, c.boxHeight) << c.name;
        EXPECT_FLOAT_EQ(text->GetBoxSize().x, 30.0f) << c.name;
        delete text;
    }

    // A fixed width of 0 is a fixed box: no vertical offset.
    ZFontText* boxed = ZFontText::Create(F(font));
    boxed->SetText("abc");
    boxed->SetVertical(kVerticalLineHeight);
    boxed->SetBoxSize(0.0f, 40.0f);
    EXPECT_EQ(boxed->GetBoxSize(), (V2{0.0f, 40.0f}));
    EXPECT_FLOAT_EQ(boxed->GetVerticalOffset(), 0.0f);
    EXPECT_EQ(boxed->GetMeasuredSize(), (V2{30.0f, 20.0f}));
    delete boxed;
}

TEST_F(FontTextTest, SpacingWidensTheBoxPerCharacter)
{
    Font* font = render.NewFont("f");
    ZFontText* text = ZFontText::Create(F(font));
    text->SetSpacing(2.0f);
    text->SetText("ab");
    EXPECT_FLOAT_EQ(text->GetBoxSize().x, 20.0f + 2.0f);
    // Three characters in six UTF-8 bytes: two gaps, not five.
    text->SetText("\xC3\xA4\xC3\xB6\xC3\xBC");
    EXPECT_EQ(text->GetWideText().size(), 3u);
    EXPECT_FLOAT_EQ(text->GetBoxSize().x, 30.0f + 2 * 2.0f);
    delete text;
}

TEST_F(FontTextTest, ChangesMarkTheLayoutDirty)
{
    Font* font = render.NewFont("f");
    Font* other = render.NewFont("g");
    struct Case
    {
        const char* what;
        void (*change)(ZFontText*, Font*);
    };
    const Case cases[] = {
        {"text", [](ZFontText* t, Font*) { t->SetText("new"); }},
        {"font", [](ZFontText* t, Font* f) { t->SetFont(F(f)); }},
        {"box", [](ZFontText* t, Font*) { t->SetBoxSize(100.0f, -1.0f); }},
        {"vertical", [](ZFontText* t, Font*) { t->SetVertical(kVerticalActual); }},
        {"align", [](ZFontText* t, Font*) { Set(t, "align", "center"); }},
        {"invalidate", [](ZFontText* t, Font*) { t->InvalidateLayout(); }},
        {"orientation",
         [](ZFontText* t, Font*)
         {
             M33 rows;
             rows.m[0][0] = 2.0f;
             t->SetOrientation(rows);
         }},
        {"font loaded", [](ZFontText* t, Font*) { t->OnResourceLoaded(nullptr); }},
    };
    for (const Case& c : cases)
    {
        ZFontText* text = ZFontText::Create(F(font));
        text->SetText("old");
        text->ClearDirty();
        c.change(text, other);
        EXPECT_TRUE(text->IsDirty()) << c.what;
        delete text;
    }

    // Colour and alpha leave the glyph records alone.
    ZFontText* text = ZFontText::Create(F(font));
    text->ClearDirty();
    text->SetColor(1, 0, 0, 1);
    text->SetAlphaField(0.5f);
    EXPECT_FALSE(text->IsDirty());
    delete text;
}

TEST_F(FontTextTest, TextConversionAndTrimming)
{
    Font* font = render.NewFont("f");
    ZFontText* text = ZFontText::Create(F(font));
    text->SetText("  padded\t ");
    EXPECT_EQ(text->GetText(), "padded");
    EXPECT_EQ(text->GetWideText(), u"padded");
    text->SetTrim(false);
    text->SetText("  padded ");
    EXPECT_EQ(text->GetWideText(), u"  padded ");

    // 2047 units and the terminator fill the buffer; one more shows nothing but keeps the text.
    text->SetText(std::string(2047, 'x').c_str());
    EXPECT_EQ(text->GetWideText().size(), 2047u);
    text->SetText(std::string(2048, 'x').c_str());
    EXPECT_TRUE(text->GetWideText().empty());
    EXPECT_EQ(text->GetText().size(), 2048u);
    EXPECT_FLOAT_EQ(text->GetMeasuredSize().x, 0.0f);

    // Malformed UTF-8 shows nothing; a character beyond 16 bits takes two units.
    text->SetText("bad\xC3");
    EXPECT_TRUE(text->GetWideText().empty());
    text->SetText("\xC0\xAF");
    EXPECT_TRUE(text->GetWideText().empty());
    text->SetText("\xF0\x9F\x98\x80");
    EXPECT_EQ(text->GetWideText(), std::u16string(u"\U0001F600"));
    text->SetText(nullptr);
    EXPECT_TRUE(text->GetText().empty());

    text->SetTextF("%s %d", "score", 42);
    EXPECT_EQ(text->GetText(), "score 42");
    text->SetTextF("%s", std::string(400, 'y').c_str());
    EXPECT_EQ(text->GetText().size(), 255u);

    // Without a font the text is kept but not laid out; the font lays it out.
    ZFontText* bare = ZFontText::Create(nullptr);
    bare->SetText("abcd");
    EXPECT_FLOAT_EQ(bare->GetMeasuredSize().x, 0.0f);
    bare->SetFont(F(font));
    EXPECT_FLOAT_EQ(bare->GetMeasuredSize().x, 40.0f);
    EXPECT_GE(bare->GetGlyphCapacity(), 4);
    delete bare;
    delete text;
}

TEST_F(FontTextTest, FontReferencesAndUsers)
{
    Font* a = render.NewFont("a");
    Font* b = render.NewFont("b");
    ZFontText* text = ZFontText::Create(F(a));
    EXPECT_EQ(a->refs, 1);
    EXPECT_EQ(a->users, std::vector<ZFontText*>{text});

    EXPECT_TRUE(Set(text, "font", "missing"));
    EXPECT_EQ(text->GetFont(), F(a));
    EXPECT_TRUE(Set(text, "font", "b"));
    EXPECT_EQ(text->GetFont(), F(b));
    EXPECT_EQ(a->refs, 0);
    EXPECT_TRUE(a->users.empty());
    EXPECT_EQ(b->refs, 1);

    // A copy takes its own reference and its own place among the users, but not the modifier,
    // which each node frees.
    text->SetModifier(new ZCharModifierWave());
    auto* copy = static_cast<ZFontText*>(text->Clone());
    EXPECT_EQ(b->refs, 2);
    EXPECT_EQ(copy->GetModifier(), nullptr);
    delete copy;
    delete text;
    EXPECT_EQ(b->refs, 0);
    EXPECT_TRUE(b->users.empty());
}

TEST_F(FontTextTest, Properties)
{
    Font* font = render.NewFont("f");
    ZFontText* text = ZFontText::Create(F(font));
    EXPECT_TRUE(Set(text, "text", "hello"));
    EXPECT_EQ(text->GetText(), "hello");
    // A key missing from the localized table shows the key itself.
    ZStringTable::GetInstance()->Add("greeting", "Welcome", 7);
    EXPECT_TRUE(Set(text, "sid", "greeting"));
    EXPECT_EQ(text->GetText(), "Welcome");
    EXPECT_TRUE(Set(text, "sid", "no.such.key"));
    EXPECT_EQ(text->GetText(), "no.such.key");

    EXPECT_TRUE(Set(text, "color", "80FF0000"));
    EXPECT_EQ(text->GetColor(), (V4{1.0f, 0.0f, 0.0f, 128.0f / 255.0f}));
    EXPECT_TRUE(Set(text, "pivot", "Center"));
    EXPECT_EQ(text->GetPivot(), uint32_t(PIVOT_CENTER));
    EXPECT_TRUE(Set(text, "width", "120"));
    EXPECT_TRUE(Set(text, "height", "30"));
    EXPECT_EQ(text->GetFixedBox(), (V2{120.0f, 30.0f}));

    const std::pair<const char*, uint32_t> aligns[] = {
        {"left", kAlignLeft},     {"right", kAlignRight},     {"justify", kAlignJustify},
        {"center", kAlignCenter}, {"default", kAlignDefault}, {"middle", kAlignDefault},
    };
    for (const auto& [name, code] : aligns)
    {
        EXPECT_TRUE(Set(text, "align", name));
        EXPECT_EQ(text->GetAlign(), code) << name;
    }
    EXPECT_TRUE(Set(text, "name", "label"));
    EXPECT_STREQ(text->GetName(), "label");
    delete text;
}

TEST_F(FontTextTest, DrawKeyAndBounds)
{
    Font* font = render.NewFont("f");
    ZFontText* text = ZFontText::Create(F(font));
    text->SetName("t");
    text->SetIs2D(true);
    text->SetPositionXYZ(0.0f, 0.0f, 250.0f);
    ZCamera* camera = ZCamera::Create("ui", nullptr, false, true);
    tree->AddChild(camera);
    tree->AddChild(text);
    ASSERT_TRUE(camera->BuildDrawList());
    ASSERT_EQ(camera->GetEntryCount(), 1u);
    EXPECT_EQ(camera->GetEntries()[0].key, ZCamera::DepthKey(250.0f) + 7u);

    // Bounds: the vertical offset, then the pivot offset of the scaled size.
    text->SetText("ab");
    text->SetVertical(kVerticalLineHeight);
    text->SetTextScale({2.0f, 1.0f});
    V2 p;
    text->GetBounds({20.0f, 10.0f}, p);
    EXPECT_EQ(p, (V2{20.0f, 6.0f - 5.0f}));
}

// One character at a time, as the text drawing calls the modifier.
struct CharOut
{
    V2 position;
    V2 scale{1.0f, 1.0f};
    float alpha = 1.0f;
};

CharOut Draw(ZModifierV2& modifier, float time, float dt, int index, V2 position = {})
{
    CharOut out;
    out.position = position;
    modifier.Apply(out.position, time, dt, index, out.scale, out.alpha);
    return out;
}

TEST_F(FontTextTest, TypeWriterRevealsCharactersInTurn)
{
    ZCharModifierTypeWriter writer;
    writer.rate = 125;
    writer.delay = 0.05f;
    writer.Start(10.0f);
    writer.SetCount(11);
    struct Case
    {
        float elapsed;
        int index;
        float alpha;
    };
    const Case cases[] = {
        {0.049f, 0, 0.0f}, {0.051f, 0, 1.0f}, {0.051f, 1, 0.0f}, {0.129f, 10, 0.0f}, {0.131f, 10, 1.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(Draw(writer, 10.0f + c.elapsed, 0.0f, c.index).alpha, c.alpha)
            << c.elapsed << " " << c.index;
    // The last character shown stopped it and left the cursor on it.
    EXPECT_FALSE(writer.IsRunning());
    EXPECT_EQ(writer.lastShown, 10);
    // A stopped modifier leaves characters alone.
    EXPECT_FLOAT_EQ(Draw(writer, 10.0f, 0.0f, 5).alpha, 1.0f);

    writer.Start(0.0f);
    EXPECT_EQ(writer.lastShown, -1);
    Draw(writer, 1.0f, 0.0f, 0, {7.0f, 8.0f});
    EXPECT_EQ(writer.cursor.x, 7.0f);
    EXPECT_EQ(writer.cursor.y, 8.0f);
}

TEST_F(FontTextTest, WaveMovesCharactersForever)
{
    ZCharModifierWave wave;
    wave.Start(0.0f);
    EXPECT_FALSE(wave.IsRunning());
    for (int i = 0; i < 3; ++i)
    {
        const float t = 0.3f * float(i);
        const CharOut out = Draw(wave, t, 0.016f, i, {5.0f, 1.0f});
        EXPECT_FLOAT_EQ(out.position.y, 1.0f + std::sin(2.0f * float(i) + 1.0f * t * 6.2831855f) * 2.0f);
        EXPECT_FLOAT_EQ(out.position.x, 5.0f);
        EXPECT_FLOAT_EQ(out.alpha, 1.0f);
    }
}

TEST_F(FontTextTest, SpringDropsCharactersInAndStops)
{
    ZCharModifierSpring spring;
    spring.dropHeight = 100.0f;
    spring.Start(0.0f);
    spring.SetCount(3);

    // Not yet dropped: 100 units up and invisible.
    CharOut waiting = Draw(spring, 0.01f, 0.01f, 2, {0.0f, 5.0f});
    EXPECT_FLOAT_EQ(waiting.position.y, 105.0f);
    EXPECT_FLOAT_EQ(waiting.alpha, 0.0f);

    // Frame by frame at 100 fps: every character falls into place and fades in; the last one to
    // settle stops the modifier.
    float lastAlpha = 0.0f;
    int frames = 0;
    for (; spring.IsRunning() && frames < 1000; ++frames)
    {
        const float time = 0.01f * float(frames + 1);
        for (int i = 0; i < 3; ++i)
        {
            const CharOut out = Draw(spring, time, 0.01f, i);
            EXPECT_GE(out.alpha, 0.0f);
            EXPECT_LE(out.alpha, 1.0f);
            if (i == 0)
                lastAlpha = out.alpha;
        }
    }
    EXPECT_FALSE(spring.IsRunning());
    EXPECT_LT(frames, 1000);
    EXPECT_NEAR(spring.offset[2], 0.0f, 1.0f / 8192.0f);
    EXPECT_NEAR(lastAlpha, 1.0f, 1e-3f);

    // Without a drop height there is nothing to fade: alpha 1, not NaN.
    ZCharModifierSpring flat;
    flat.Start(0.0f);
    flat.SetCount(1);
    EXPECT_FLOAT_EQ(Draw(flat, 1.0f, 0.01f, 0).alpha, 1.0f);

    // Characters past the spring's 255 slots are drawn in place.
    ZCharModifierSpring longText;
    longText.dropHeight = 100.0f;
    longText.Start(0.0f);
    longText.SetCount(300);
    const CharOut beyond = Draw(longText, 0.0f, 0.01f, 299, {1.0f, 2.0f});
    EXPECT_EQ(beyond.position, (V2{1.0f, 2.0f}));
    EXPECT_FLOAT_EQ(beyond.alpha, 1.0f);
}

} // namespace
