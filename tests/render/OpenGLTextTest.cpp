// Text, particles, the frame-rate overlay and debug drawing through the OpenGL back end's frame, read
// back from the window (a virtual X server in CI).
#include <gtest/gtest.h>

#include "support/DisplayTestSupport.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZFont.h"
#include "engine/render/ZRenderDebug.h"
#include "engine/render/ZRenderFont.h"
#include "engine/render/ZRenderOverlay.h"
#include "engine/render/ZRenderParticles.h"
#include "engine/render/ZView.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/render/opengl/ZRenderOpenGLBatch.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSprite.h"
#include "tests/support/ClockedScene.h"

namespace
{
// The smallest logical screen the settings allow.
constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Rgb
{
    int r = 0, g = 0, b = 0;
    bool Black() const { return r < 8 && g < 8 && b < 8; }
};

const char* const kShaders = "shaderdef font\nshadercode sprite_ffp\ncolor 0 base 1,1,1,1\n"
                             "bool 18 texturemodulate true\nend\n"
                             "shaderdef sprite\nshadercode sprite_ffp\ncolor 0 base 1,1,1,1\n"
                             "bool 18 texturemodulate true\nend\n"
                             "shaderdef particle\nshadercode sprite_ffp\ncolor 0 base 1,1,1,1\n"
                             "bool 18 texturemodulate true\nbool 1 nodepthwrite true\nend\n";

class OpenGLDrawing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (std::string why; !qvtest::OpenRealDisplay(why))
            GTEST_SKIP() << why;
        m_video = true;
        m_pause = std::make_unique<qvtest::LeakCheckPause>();
        m_oldWidth = g_renderWidth.GetValue();
        m_oldHeight = g_renderHeight.GetValue();
        g_renderWidth.SetValue(kWidth);
        g_renderHeight.SetValue(kHeight);
        m_table.AddMount("fixtures", (std::string(QV_FIXTURES) + "/render").c_str());
        m_fs = std::make_unique<ZFileSystem>(&m_table);
        ZMaterial::InitPool();
        // As at start-up: the back end's built-in codes exist when the definitions name them.
        m_library.AddShaderCode(new ZRenderOpenGLShaderFFPSprite());
        m_library.ParseDefinitions(kShaders);
        if (m_window.Create("Quorvane GL text", kWidth, kHeight, true, ZPlatformWindow::kOpenGL) != 0)
            GTEST_SKIP() << "no GL window: " << plat::GetVideoError();
        m_render = new ZRenderOpenGL();
        m_render->SetResourceManager(ZResourceManager::GetInstance());
        if (Overlays())
            m_render->EnableStateA(kRenderOverlays);
        if (m_render->Init(kWidth, kHeight, true, &m_window) != 0)
            GTEST_SKIP() << "no OpenGL with the required extensions";
        m_root = ZGroup::Create();
        m_camera = ZCamera::Create("camera", m_root, false, true);
        m_view = ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 1.0f);
        m_view->SetFlags(ZView::kViewClear);
        m_view->AddCamera(m_camera);
    }
    void TearDown() override
    {
        delete m_root;
        delete m_camera;
        delete m_render;
        for (ZFont* font : m_fonts)
            delete font;
        ZResourceManager::DestroyInstance();
        m_window.Destroy();
        plat::ClearMessages();
        if (m_video)
            plat::ShutdownVideo();
        if (m_video)
        {
            g_renderWidth.SetValue(m_oldWidth);
            g_renderHeight.SetValue(m_oldHeight);
        }
        m_pause.reset();
    }
    virtual bool Overlays() const { return false; }

    // The texture on the device, as the loader would have put it there.
    void MakeResident(ZTextureResource* resource)
    {
        auto* texture = static_cast<ZTexture*>(resource);
        if (!texture || texture->GetRenderTextureId() >= 0)
            return;
        const int id = m_render->CreateTexture(texture->GetTextureWidth(), texture->GetTextureHeight(),
                                               texture->GetPixels(), kPixelRGBA, false);
        texture->SetRenderTextureId(id);
    }

    // A page of `w` x `h` texels, transparent, with the given rectangles filled opaque in their colours.
    struct Fill
    {
        int x, y, w, h;
        uint32_t rgb;
    };
    ZTexture* MakePage(int w, int h, const std::vector<Fill>& fills)
    {
        auto* pixels = static_cast<uint8_t*>(std::calloc(size_t(w) * size_t(h), 4));
        for (const Fill& f : fills)
            for (int y = f.y; y < f.y + f.h; ++y)
                for (int x = f.x; x < f.x + f.w; ++x)
                {
                    uint8_t* p = pixels + (size_t(y) * size_t(w) + size_t(x)) * 4;
                    p[0] = uint8_t(f.rgb >> 16), p[1] = uint8_t(f.rgb >> 8), p[2] = uint8_t(f.rgb),
                    p[3] = 255;
                }
        ZTexture* page = ZTexture::CreateEmpty(pixels, w, h, kTextureKeepPixels);
        MakeResident(page);
        return page;
    }

    ZFont* LoadFont(const char* descriptor, ZTexture* page)
    {
        ZFont* font = ZFont::Create();
        m_fonts.push_back(font);
        font->SetDescriptorPath(descriptor);
        font->LoadDescriptor();
        font->SetTexture(page);
        font->Load();
        return font;
    }

    ZFontText* AddText(ZFont* font, const char* text, float x, float y)
    {
        ZFontText* node = ZFontText::Create(font);
        node->SetText(text);
        node->SetPosition(V3{x, y, 0.0f});
        m_root->AddChild(node);
        return node;
    }

    // One frame through the back end; the picture as it was presented, top row first.
    std::vector<Rgb> Frame()
    {
        qvtest::LeakCheckPause pause;
        EXPECT_EQ(m_render->RenderFrame(), 0);
        // The swap copies the picture to the window and leaves the back buffer as it was drawn.
        std::vector<uint8_t> rows(size_t(kWidth) * kHeight * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
        std::vector<Rgb> picture(size_t(kWidth) * kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
            {
                const uint8_t* p = rows.data() + (size_t(kHeight - 1 - y) * kWidth + size_t(x)) * 4;
                picture[size_t(y) * kWidth + size_t(x)] = {p[0], p[1], p[2]};
            }
        return picture;
    }
    // Screen pixel of a point of the logical screen (origin at the centre, y up).
    static int PixelX(float x) { return int(x) + kWidth / 2; }
    static int PixelY(float y) { return kHeight / 2 - int(y); }
    static const Rgb& At(const std::vector<Rgb>& picture, int x, int y)
    {
        return picture[size_t(y) * kWidth + size_t(x)];
    }
    static int LitPixels(const std::vector<Rgb>& picture)
    {
        int lit = 0;
        for (const Rgb& p : picture)
            lit += p.Black() ? 0 : 1;
        return lit;
    }

    ZMountTable m_table;
    std::unique_ptr<ZFileSystem> m_fs;
    ZShaderLibrary m_library;
    ZPlatformWindow m_window;
    ZRenderOpenGL* m_render = nullptr;
    ZGroup* m_root = nullptr;
    ZCamera* m_camera = nullptr;
    ZView* m_view = nullptr;
    std::vector<ZFont*> m_fonts;
    int m_oldWidth = 0;
    int m_oldHeight = 0;
    bool m_video = false;
    std::unique_ptr<qvtest::LeakCheckPause> m_pause;
};

// Each glyph shows its own rectangle of the page, texel for texel, where the metrics put it.
void ExpectGlyphsAt(const std::vector<Rgb>& picture, ZFont* font, const std::u16string& text, int left,
                    int top)
{
    const uint8_t* page = font->GetTexture()->GetPixels();
    const int pageWidth = font->GetTexture()->GetTextureWidth();
    std::vector<bool> covered(picture.size(), false);
    int pen = 0;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const int index = font->GetGlyphIndex(text[i]);
        ASSERT_GE(index, 0) << "glyph " << int(text[i]);
        const ZFont::SGlyph& g = font->GetGlyphs()[size_t(index)];
        for (int dy = 0; dy < g.height; ++dy)
            for (int dx = 0; dx < g.width; ++dx)
            {
                const int x = left + pen + g.xoffset + dx, y = top + g.yoffset + dy;
                const uint8_t* texel = page + (size_t(g.y + dy) * size_t(pageWidth) + size_t(g.x + dx)) * 4;
                const Rgb& got = picture[size_t(y) * kWidth + size_t(x)];
                covered[size_t(y) * kWidth + size_t(x)] = true;
                const Rgb want = texel[3] ? Rgb{texel[0], texel[1], texel[2]} : Rgb{};
                EXPECT_NEAR(got.r, want.r, 2) << "glyph " << i << " at " << x << "," << y;
                EXPECT_NEAR(got.g, want.g, 2) << "glyph " << i << " at " << x << "," << y;
                EXPECT_NEAR(got.b, want.b, 2) << "glyph " << i << " at " << x << "," << y;
            }
        const char16_t next = i + 1 < text.size() ? text[i + 1] : 0;
        pen += g.xadvance + font->GetKerning(text[i], next);
    }
    int stray = 0;
    for (size_t p = 0; p < picture.size(); ++p)
        stray += (!covered[p] && !picture[p].Black()) ? 1 : 0;
    EXPECT_EQ(stray, 0) << "lit pixels outside every glyph box";
}
} // namespace

TEST_F(OpenGLDrawing, BuiltInFontDrawsTextWithoutAnyFontFile)
{
    ZFont* font = ZFont::Find("defaultfont");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, m_render->GetTextRenderer()->GetDefaultFont());
    EXPECT_EQ(font->GetLineHeight(), 16);
    EXPECT_EQ(font->GetGlyphs().size(), 126u);
    MakeResident(font->GetTexture());
    ZFontText* node = AddText(font, "Ag(_x!", -40.0f, 20.0f);
    // Within the frame the text is laid out from its top-left corner, rounded to whole pixels.
    const std::vector<Rgb> picture = Frame();
    const V2 start = ZRenderFont::ComputeStart(*node);
    EXPECT_GT(LitPixels(picture), 60);
    ExpectGlyphsAt(picture, font, u"Ag(_x!", PixelX(-40.0f + start.x), PixelY(20.0f + start.y));
}

TEST_F(OpenGLDrawing, FontFileGlyphsLandWhereItsMetricsAndKerningSay)
{
    ZTexture* page =
        MakePage(32, 16, {{0, 0, 5, 8, 0xFF0000}, {8, 0, 5, 10, 0x00FF00}, {16, 4, 7, 4, 0x0000FF}});
    ZFont* font = LoadFont("fixtures:glyphs.fnt", page);
    ASSERT_TRUE(font->HasQuads());
    EXPECT_EQ(font->GetKerning('A', 'B'), -2);
    ZFontText* node = AddText(font, "ABCA", -30.0f, 10.0f);
    const uint64_t before = m_render->GetDrawCallCount();
    const std::vector<Rgb> picture = Frame();
    // The whole line is one vertex array.
    EXPECT_EQ(m_render->GetDrawCallCount() - before, 1u);
    const V2 start = ZRenderFont::ComputeStart(*node);
    ExpectGlyphsAt(picture, font, u"ABCA", PixelX(-30.0f + start.x), PixelY(10.0f + start.y));
    // The kerning pulls B two pixels towards A: B's first column is at pen 6.
    const int left = PixelX(-30.0f + start.x), top = PixelY(10.0f + start.y);
    EXPECT_EQ(At(picture, left + 6, top + 1).g, 255);
    EXPECT_TRUE(At(picture, left + 5, top + 1).Black());
}

TEST_F(OpenGLDrawing, OneArrayPerTextAndEmitterGivesThePictureOfOneDrawPerQuad)
{
    ZFont* font = ZFont::Find("defaultfont");
    MakeResident(font->GetTexture());
    ZFontText* node = AddText(font, "Batch 42 (quads)", -150.0f, 60.0f);
    node->SetColor(1.0f, 0.5f, 0.25f, 0.75f);
    ZFontText* turned = AddText(font, "scaled", -100.0f, -40.0f);
    turned->SetTextScale(V2{2.0f, 1.5f});
    ZTexture* white = MakePage(4, 4, {{0, 0, 4, 4, 0xFFFFFF}});
    ZMaterial* material = ZMaterial::CreateForShader("batch_particle", m_library.FindShader("particle"));
    material->SetTexture(0, white, false);
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    m_root->AddChild(emitter);
    emitter->AddTemplate(material);
    emitter->SetParticleCount(20);
    emitter->particleSize = V2{12.0f, 12.0f};
    emitter->drawValues[0] = 0.5f; // growing: smaller and fainter
    emitter->Emit(20);
    auto* records = const_cast<SParticleRecord*>(emitter->GetRecords());
    for (uint32_t i = 0; i < emitter->GetEffectiveCount(); ++i)
    {
        records[i].position = V3{float(int(i % 10) * 25 - 120), float(int(i / 10) * 20 - 100), 0.0f};
        records[i].scale.SetIdentity();
        records[i].age = 0.05f * float(i % 10);
        records[i].life = 10.0f;
    }
    auto* text = static_cast<ZRenderOpenGLFont*>(m_render->GetTextRenderer());
    auto* particles = static_cast<ZRenderOpenGLParticles*>(m_render->GetParticleRenderer());
    // The draws of one frame each way, and the pictures compared.
    const auto compare = [&](uint64_t& batchedDraws, uint64_t& singleDraws)
    {
        text->SetBatching(true);
        particles->SetBatching(true);
        uint64_t before = m_render->GetDrawCallCount();
        const std::vector<Rgb> batched = Frame();
        batchedDraws = m_render->GetDrawCallCount() - before;
        text->SetBatching(false);
        particles->SetBatching(false);
        before = m_render->GetDrawCallCount();
        const std::vector<Rgb> single = Frame();
        singleDraws = m_render->GetDrawCallCount() - before;
        EXPECT_GT(LitPixels(batched), 200);
        int differing = 0;
        for (size_t i = 0; i < batched.size(); ++i)
            differing +=
                (std::abs(batched[i].r - single[i].r) > 1 || std::abs(batched[i].g - single[i].g) > 1 ||
                 std::abs(batched[i].b - single[i].b) > 1)
                    ? 1
                    : 0;
        EXPECT_EQ(differing, 0);
    };
    uint64_t batchedDraws = 0, singleDraws = 0;
    compare(batchedDraws, singleDraws);
    // Both texts share a font and join one run (their colours differ); the emitter is the other
    // draw. A draw per visible glyph and per particle otherwise.
    EXPECT_EQ(batchedDraws, 2u);
    EXPECT_GT(singleDraws, 30u);

    // Texts of another font among them: the shared material's page changes, and each run keeps
    // its own page and colours.
    ZTexture* page =
        MakePage(32, 16, {{0, 0, 5, 8, 0xFF0000}, {8, 0, 5, 10, 0x00FF00}, {16, 4, 7, 4, 0x0000FF}});
    ZFont* other = LoadFont("fixtures:glyphs.fnt", page);
    MakeResident(page);
    AddText(other, "ABCA", 60.0f, 100.0f)->SetColor(0.5f, 1.0f, 1.0f, 1.0f);
    AddText(font, "again", 40.0f, -100.0f)->SetColor(0.25f, 1.0f, 0.5f, 0.5f);
    AddText(other, "CAB", -200.0f, -120.0f);
    compare(batchedDraws, singleDraws);
    EXPECT_GE(batchedDraws, 3u);
    EXPECT_LE(batchedDraws, 6u);
    material->Release();
}

// Sprites of one material, texture and filter one after the other are drawn from one vertex array;
// the picture is the one a draw per sprite gives: overlapping, tinted, faded, turned and scaled
// sprites, runs broken by a sprite of another material, and pivots off the centre.
TEST_F(OpenGLDrawing, RunsOfSpritesGiveThePictureOfOneDrawPerSprite)
{
    ZRenderBase::RegisterDrawClass({&ZSprite::kTypeRecord, EDrawKind::Sprite, nullptr, nullptr,
                                    [](ZNode* node) { return static_cast<ZSprite*>(node)->GetMaterial(); }});
    ZTexture* checker = MakePage(8, 8, {{0, 0, 4, 4, 0xE04030}, {4, 4, 4, 4, 0x30A0E0}, {4, 0, 4, 4, 0xF0D020}});
    ZTexture* ramp = MakePage(16, 2, {{0, 0, 8, 2, 0x40C060}, {8, 0, 8, 1, 0xFFFFFF}});
    ZMaterial* plain = ZMaterial::CreateForShader("run_plain", m_library.FindShader("sprite"));
    plain->SetTexture(0, checker, false);
    ZMaterial* smooth = ZMaterial::CreateForShader("run_smooth", m_library.FindShader("sprite"));
    smooth->SetTexture(0, checker, false);
    smooth->SetFilter(true);
    ZMaterial* tinted = ZMaterial::CreateForShader("run_tinted", m_library.FindShader("sprite"));
    tinted->SetTexture(0, ramp, false);
    tinted->SetColor(0, V4{1.0f, 0.5f, 0.25f, 1.0f});
    tinted->SetOpacity(0.6f);
    auto add = [&](ZMaterial* material, float x, float y, float w, float h, uint32_t pivot = PIVOT_CENTER)
    {
        ZSprite* sprite = ZSprite::Create(w, h, pivot, material);
        // As the screens' sprites are: kept in the order they were added.
        sprite->SetFlags(kNode2D);
        sprite->SetPosition(V3{x, y, 0.0f});
        m_root->AddChild(sprite);
        return sprite;
    };
    for (int i = 0; i < 12; ++i)
        add(plain, -250.0f + float(i) * 17.0f, 150.0f, 24.0f, 24.0f);
    for (int i = 0; i < 12; ++i)
        add(tinted, -250.0f + float(i) * 17.0f, 110.0f, 24.0f, 20.0f);
    for (int i = 0; i < 12; ++i)
        add(i % 3 ? smooth : tinted, -250.0f + float(i) * 21.0f, 60.0f, 30.0f, 30.0f);
    ZSprite* turned = add(smooth, 120.0f, -60.0f, 90.0f, 50.0f);
    turned->SetRotationZ(0.4f);
    turned->SetScale(V3{1.5f, 0.75f, 1.0f});
    add(smooth, 150.0f, -150.0f, 40.0f, 30.0f, PIVOT_TOPLEFT);
    add(smooth, 100.0f, -150.0f, 40.0f, 30.0f, PIVOT_BOTTOMRIGHT);

    uint64_t before = m_render->GetDrawCallCount();
    const std::vector<Rgb> batched = Frame();
    const uint64_t batchedDraws = m_render->GetDrawCallCount() - before;
    m_render->SetSpriteBatching(false);
    before = m_render->GetDrawCallCount();
    const std::vector<Rgb> single = Frame();
    const uint64_t singleDraws = m_render->GetDrawCallCount() - before;
    ZRenderBase::UnregisterDrawClass(&ZSprite::kTypeRecord);

    EXPECT_EQ(singleDraws, 39u);
    EXPECT_LT(batchedDraws, 20u);
    EXPECT_GT(LitPixels(batched), 3000);
    int differing = 0;
    for (size_t i = 0; i < batched.size(); ++i)
        differing += (batched[i].r != single[i].r || batched[i].g != single[i].g || batched[i].b != single[i].b)
                         ? 1
                         : 0;
    EXPECT_EQ(differing, 0);
    for (ZMaterial* material : {plain, smooth, tinted})
        material->Release();
}

TEST_F(OpenGLDrawing, BrokenDescriptorDrawsNothing)
{
    ZTexture* page = MakePage(32, 16, {{0, 0, 32, 16, 0xFFFFFF}});
    ZFont* font = LoadFont("fixtures:broken.fnt", page);
    // Glyphs missing their width or advance, with ids outside the map, a negative size or a
    // rectangle off the page are refused: no id wraps onto another character.
    EXPECT_EQ(font->GetGlyphs().size(), 1u);
    for (char16_t code : {u'A', u'B', u'C', u'D', u'E'})
    {
        ZFont::SGlyphInfo glyph;
        EXPECT_EQ(font->GetGlyph(code, glyph), 1) << int(code);
    }
    AddText(font, "ABCDE", -30.0f, 10.0f);
    EXPECT_EQ(LitPixels(Frame()), 0);
}

TEST_F(OpenGLDrawing, EmitterParticlesAreDrawnAsSpritesOfTheirMaterial)
{
    ZTexture* white = MakePage(4, 4, {{0, 0, 4, 4, 0xFFFFFF}});
    ZMaterial* material = ZMaterial::CreateForShader("test_particle", m_library.FindShader("particle"));
    ASSERT_NE(material, nullptr);
    material->SetTexture(0, white, false);
    material->SetColor(0, V4{1.0f, 0.0f, 0.0f, 1.0f});
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    m_root->AddChild(emitter);
    emitter->AddTemplate(material);
    emitter->SetParticleCount(4);
    emitter->particleSize = V2{10.0f, 10.0f};
    emitter->drawValues[0] = 0.0f; // grown from the start
    emitter->drawValues[1] = 0.0f; // no fade-out
    emitter->drawValue2 = 1.0f;
    emitter->spinMaximum = 0.0f;
    emitter->growthSpread = 0.0f;
    emitter->Emit(3);
    ASSERT_EQ(emitter->GetAliveCount(), 3u);
    // Known places and full size for the three live records.
    auto* records = const_cast<SParticleRecord*>(emitter->GetRecords());
    const V3 places[3] = {{-60.0f, 20.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {50.0f, -25.0f, 0.0f}};
    int placed = 0;
    for (uint32_t i = 0; i < emitter->GetEffectiveCount() && placed < 3; ++i)
        if (records[i].flags & kParticleRecordAlive)
        {
            records[i].position = places[placed++];
            records[i].scale.SetIdentity();
            records[i].life = 10.0f;
            records[i].age = 1.0f;
        }
    const uint64_t before = m_render->GetDrawCallCount();
    const std::vector<Rgb> picture = Frame();
    EXPECT_EQ(m_render->GetDrawCallCount() - before, 1u);
    for (const V3& p : places)
    {
        const Rgb& centre = At(picture, PixelX(p.x), PixelY(p.y));
        EXPECT_EQ(centre.r, 255) << p.x << "," << p.y;
        EXPECT_EQ(centre.g, 0);
        // 10 x 10 each: the pixel 6 to the side is outside.
        EXPECT_TRUE(At(picture, PixelX(p.x) + 6, PixelY(p.y)).Black());
    }
    EXPECT_EQ(LitPixels(picture), 300);
    material->Release();
}

TEST(RenderParticles, GrowthAndFadeScaleSizeAndOpacity)
{
    ZParticleEmitterSystem emitter;
    emitter.drawValues[0] = 1.0f; // grow time
    emitter.drawValues[1] = 0.5f; // fade-out time
    emitter.drawValue2 = 0.8f;    // base opacity
    struct Case
    {
        float age, life, scale, opacity;
    } cases[] = {
        {0.5f, 5.0f, 0.5f, 0.4f},
        {2.0f, 5.0f, 1.0f, 0.8f},
        {2.0f, 0.25f, 1.0f, 0.4f},
        {0.5f, 0.25f, 0.5f, 0.2f},
    };
    for (const Case& c : cases)
    {
        SParticleRecord particle;
        particle.flags = kParticleRecordAlive;
        particle.position = V3{1.0f, 2.0f, 3.0f};
        particle.age = c.age;
        particle.life = c.life;
        _M44 world;
        float opacity = 0.0f;
        ZRenderParticles::ParticleMatrix(emitter, particle, world, opacity);
        EXPECT_FLOAT_EQ(world.m[0][0], c.scale) << c.age << " " << c.life;
        EXPECT_FLOAT_EQ(world.m[1][1], c.scale);
        EXPECT_FLOAT_EQ(opacity, c.opacity);
        EXPECT_FLOAT_EQ(world.m[3][1], 2.0f);
    }
}

namespace
{
class OpenGLOverlay : public OpenGLDrawing
{
protected:
    bool Overlays() const override { return true; }
};
} // namespace

TEST_F(OpenGLOverlay, FrameRateGraphShowsInTheLowerRightWithItsSetting)
{
    ASSERT_NE(m_render->GetOverlay(), nullptr);
    EXPECT_TRUE(m_render->GetOverlay()->IsInitialised());
    // Any camera shows it; this one has nothing else to draw.
    m_root->AddChild(ZGroup::Create());
    // The setting being on, the graph shows from the start; its bit hides it.
    EXPECT_TRUE(m_render->TestStateC(kRenderOverlayPerCamera));
    m_render->DisableStateC(kRenderOverlayPerCamera);
    std::vector<Rgb> picture = Frame();
    EXPECT_EQ(LitPixels(picture), 0);
    m_render->EnableStateC(kRenderOverlayPerCamera);
    picture = Frame();
    // 128 x 64, 10 pixels from the right and bottom edges: the border and the grey inside blended
    // over black; nothing else.
    const int right = kWidth - 10, bottom = kHeight - 10;
    EXPECT_FALSE(At(picture, right - 1, bottom - 1).Black());
    EXPECT_FALSE(At(picture, right - 64, bottom - 20).Black());
    EXPECT_TRUE(At(picture, right, bottom - 20).Black());
    EXPECT_TRUE(At(picture, right - 64, bottom).Black());
    EXPECT_EQ(LitPixels(picture), std::min(128, kWidth - 10) * std::min(64, kHeight - 10));
}

namespace
{
class OpenGLDebug : public OpenGLDrawing
{
};
} // namespace

TEST_F(OpenGLDebug, DebugTextAndLinesShowOnlyWithTheirBits)
{
    ZRenderDebug* debug = m_render->GetDebugDrawer();
    ASSERT_NE(debug, nullptr);
    MakeResident(m_render->GetTextRenderer()->GetDefaultFontTexture());
    m_root->AddChild(ZGroup::Create());
    m_render->DebugPrintf("fps %d", 60);
    debug->AddLine(V3{-50.0f, -30.0f, 0.0f}, V3{50.0f, -30.0f, 0.0f}, 0x00FF00);
    EXPECT_EQ(LitPixels(Frame()), 0);
    // Dropped at the end of the frame it was queued in.
    EXPECT_TRUE(debug->GetTextQueue().empty());

    m_render->EnableStateC(kRenderDebugText | kRenderDebugShapes);
    m_render->DebugPrintf("fps %d", 60);
    debug->AddLine(V3{-50.0f, -30.0f, 0.0f}, V3{50.0f, -30.0f, 0.0f}, 0x00FF00);
    const std::vector<Rgb> picture = Frame();
    // The text sits at the top left corner, one font line high.
    int textPixels = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 60; ++x)
            textPixels += At(picture, x, y).Black() ? 0 : 1;
    EXPECT_GT(textPixels, 20);
    // Below it nothing down to the reference grids, which lie in the ground plane and so show as a
    // line through the centre of this screen camera.
    for (int y = 16; y < kHeight / 2 - 4; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_TRUE(At(picture, x, y).Black()) << x << "," << y;
    // The line lies across the middle, 30 below the centre.
    const Rgb& line = At(picture, kWidth / 2, PixelY(-30.0f));
    EXPECT_GT(line.g, 200);
    EXPECT_LT(line.r, 8);
}

TEST_F(OpenGLOverlay, GraphStepsOncePerFrameWhateverTheNumberOfCameras)
{
    ZCamera* second = ZCamera::Create("second", m_root, false, true);
    m_view->AddCamera(second);
    m_root->AddChild(ZGroup::Create());
    qvtest::TestClock clock;
    clock.timer.frameDelta = 0.1;
    Frame();
    // 0.1 s is 3.15 columns: one step and 0.15 kept, not 0.3 for two cameras.
    EXPECT_NEAR(m_render->GetOverlay()->GetAccumulator(), 0.15f, 1e-4f);
    delete second;
}
