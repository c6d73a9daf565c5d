// The OpenGL back end on a real window and context (a virtual X server in CI).
#include <gtest/gtest.h>

#include "support/DisplayTestSupport.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "engine/core/ZAllocBase.h"
#include "engine/core/ZNameId.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/d3d7/ZRenderD3D7ShaderFFP.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"

TEST(OpenGLExtensions, OnlyWholeWordsCount)
{
    const char* list = "GL_ARB_multitexture GL_EXT_bgra_extra GL_ARB_texture_env_add";
    struct Case
    {
        const char* name;
        bool found;
    } cases[] = {
        {"GL_ARB_multitexture", true},
        {"GL_ARB_texture_env_add", true},
        {"GL_EXT_bgra", false},
        {"GL_ARB_multi", false},
        {"", false},
        {"GL_ARB_multitexture GL", false},
        {"texture_env_add", false},
        {"GL_EXT_bgra_extra", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZRenderOpenGL::HasExtension(list, c.name), c.found) << c.name;
    EXPECT_FALSE(ZRenderOpenGL::HasExtension(nullptr, "GL_EXT_bgra"));
}

TEST(OpenGLTextureMatrix, TranslationMovesToTheFourthRow)
{
    _M44 m;
    m.m[0][0] = 0.5f;
    m.m[2][0] = 0.25f;
    m.m[2][1] = 0.75f;
    float out[16];
    ZRenderOpenGL::ToGLTextureMatrix(m, out);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    EXPECT_FLOAT_EQ(out[12], 0.25f);
    EXPECT_FLOAT_EQ(out[13], 0.75f);
    EXPECT_FLOAT_EQ(out[8], 0.0f);
    EXPECT_FLOAT_EQ(out[9], 0.0f);
    EXPECT_FLOAT_EQ(out[15], 1.0f);
}

// Both back ends turn one material into one flag word, whatever word the state held before.
TEST(MaterialFlagsOnBothBackEnds, TheSameMaterialGivesTheSameWord)
{
    ZMaterial::InitPool();
    uint8_t* pixels = static_cast<uint8_t*>(std::calloc(4, 1));
    ZTexture* texture = ZTexture::CreateEmpty(pixels, 1, 1, kTextureNoAtlas);
    const struct
    {
        const char* label;
        std::vector<std::pair<int, uint8_t>> switches;
        bool textured;
    } cases[] = {
        {"nothing specified", {}, false},
        {"additive, no cull", {{12, 1}, {4, 1}}, false},
        {"switched off", {{12, 0}, {3, 0}, {1, 0}}, true},
        {"stencil drawing", {{9, 1}, {10, 1}, {8, 1}}, false},
        {"every switch", {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1},
                          {9, 1}, {10, 1}, {11, 1}, {12, 1}, {13, 1}, {15, 1}, {17, 1}, {18, 1}, {19, 1}},
         true},
    };
    const uint32_t before[] = {0u, kStateAdditive | kStateNoCull | kStateAlphaTest, 0xFFFFFFFFu};
    for (const auto& c : cases)
        for (uint32_t word : before)
        {
            SCOPED_TRACE(std::string(c.label) + " over " + std::to_string(word));
            ZMaterial* material = ZMaterial::Allocate();
            ASSERT_NE(material, nullptr);
            for (const auto& [index, value] : c.switches)
                material->SetSwitch(index, value);
            if (c.textured)
                material->SetTexture(0, texture, false);
            EXPECT_EQ(ZRenderOpenGLShaderCode::MaterialFlags(material, word),
                      ZRenderD3D7ShaderFFP::FlagsFor(material, word));
            material->ReturnToPool();
        }
}

TEST(OpenGLMaterialFlags, OverridesWriteTheirFlagsAndTheRestStays)
{
    ZMaterial::InitPool();
    ZMaterial* material = ZMaterial::Allocate();
    ASSERT_NE(material, nullptr);
    // Nothing specified: the switch flags an earlier use of the pool material left go.
    EXPECT_EQ(ZRenderOpenGLShaderCode::MaterialFlags(material, kStateAdditive | kStateNoCull), 0u);
    const struct
    {
        int index;
        uint32_t flag;
    } switches[] = {{0, kStateLinearFilter}, {1, kStateNoDepthWrite},    {2, kStateNoDepthTest},
                    {3, kStateAlphaTest},    {4, kStateNoCull},          {5, kStateNoFog},
                    {6, kStateNoBlend},      {7, kStateColorBlend},      {8, kStateNoColor},
                    {9, kStateStencilTest},  {10, kStateStencilWrite},   {11, kStateStencilClear},
                    {12, kStateAdditive},    {13, kStateMultiply},       {15, kStateUnlit},
                    {17, kStateAddFactor},   {18, kStateModulateFactor}, {19, kStateModulateVertex}};
    for (const auto& s : switches)
    {
        material->SetSwitch(s.index, 1);
        EXPECT_EQ(ZRenderOpenGLShaderCode::MaterialFlags(material, 0), s.flag) << s.index;
        material->SetSwitch(s.index, 0);
        EXPECT_EQ(ZRenderOpenGLShaderCode::MaterialFlags(material, s.flag), 0u) << s.index;
    }
    material->ReturnToPool();

    // "drawstencil": stencil test and write, no colour, no alpha test of its own.
    material = ZMaterial::Allocate();
    material->SetProperty(ZNameId("drawstencil").Value(), "drawstencil", "true");
    EXPECT_EQ(ZRenderOpenGLShaderCode::MaterialFlags(material, kStateAlphaTest),
              kStateStencilTest | kStateStencilWrite | kStateNoColor);

    // Textures and the texture matrix.
    uint8_t* pixels = static_cast<uint8_t*>(std::calloc(4, 1));
    ZTexture* texture = ZTexture::CreateEmpty(pixels, 1, 1, 0);
    material->SetTexture(0, texture, false);
    EXPECT_EQ(ZRenderOpenGLShaderCode::MaterialFlags(material, 0) &
                  (kStateStage0Textured | kStateTexTransform),
              kStateStage0Textured);
    _M44 frame;
    frame.m[0][0] = 0.25f;
    material->SetTextureMatrix(0, frame);
    EXPECT_FALSE(ZRenderOpenGLShaderCode::MaterialFlags(material, 0) & kStateTexTransform)
        << "the matrix counts only with the texture-transform switch";
    material->SetSwitch(ZMaterial::kSwitchTextureTransform, 1);
    EXPECT_TRUE(ZRenderOpenGLShaderCode::MaterialFlags(material, 0) & kStateTexTransform);
    material->SetTextureMatrix(0, _M44());
    EXPECT_FALSE(ZRenderOpenGLShaderCode::MaterialFlags(material, 0) & kStateTexTransform)
        << "an identity matrix transforms nothing";
    material->ReturnToPool();
    delete texture;
}

namespace
{
constexpr int kSize = 64;

int InitDevice(ZRenderOpenGL& render, bool windowed, ZPlatformWindow* window)
{
    qvtest::LeakCheckPause pause;
    return render.Init(kSize, kSize, windowed, window);
}

struct Rgba
{
    int r, g, b, a;
};

class OpenGLRender : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (std::string why; !qvtest::OpenRealDisplay(why))
            GTEST_SKIP() << why;
        m_video = true;
        // llvmpipe keeps compiled programs and state blocks of its own across contexts; they are
        // not this back end's, so the leak checker looks away while a device is in use. The
        // device-free cases above run under it.
        m_pause = std::make_unique<qvtest::LeakCheckPause>();
        if (m_window.Create("Quorvane GL", kSize, kSize, true, ZPlatformWindow::kOpenGL) != 0)
            GTEST_SKIP() << "no GL window: " << plat::GetVideoError();
        m_render = new ZRenderOpenGL();
        if (InitDevice(*m_render, true, &m_window) != 0)
            GTEST_SKIP() << "no OpenGL with the required extensions";
    }
    void TearDown() override
    {
        qvtest::LeakCheckPause pause;
        delete m_render;
        m_window.Destroy();
        plat::ClearMessages();
        if (m_video)
            plat::ShutdownVideo();
        m_pause.reset();
    }

    // Pixels x = -50 .. 50 and y = -50 .. 50 fill the window.
    void SetupFrame(float clearR, float clearG, float clearB)
    {
        glViewport(0, 0, kSize, kSize);
        _M44 projection;
        projection.m[0][0] = 1.0f / 50.0f;
        projection.m[1][1] = 1.0f / 50.0f;
        m_render->SetProjectionMatrix(projection);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(clearR, clearG, clearB, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // (x, y) from the window's top-left.
    Rgba PixelAt(int x, int y)
    {
        uint32_t w = 0, h = 0;
        uint32_t* pixels = m_render->GrabScreen(w, h);
        EXPECT_EQ(w, uint32_t(kSize));
        EXPECT_EQ(h, uint32_t(kSize));
        if (!pixels)
            return {-1, -1, -1, -1};
        const uint32_t p = pixels[size_t(y) * w + size_t(x)];
        GetAllocHook()->Free(pixels);
        return {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF), int(p >> 24)};
    }

    // Left column red, right column green; top row opaque, bottom row half transparent.
    int MakeTexture()
    {
        const uint8_t pixels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 255, 0, 0, 128, 0, 255, 0, 128};
        return m_render->CreateTexture(2, 2, pixels, 3, false);
    }

    // The driver compiles its fixed-function programs on the first draws and keeps them.
    void Draw(int quad, int texture, const float color[4], float alpha)
    {
        qvtest::LeakCheckPause pause;
        m_render->DrawQuad(quad, texture, color, alpha);
    }

    static void ExpectNear(const Rgba& got, const Rgba& want, const char* where)
    {
        EXPECT_NEAR(got.r, want.r, 3) << where;
        EXPECT_NEAR(got.g, want.g, 3) << where;
        EXPECT_NEAR(got.b, want.b, 3) << where;
    }

    ZPlatformWindow m_window;
    ZRenderOpenGL* m_render = nullptr;
    bool m_video = false;
    std::unique_ptr<qvtest::LeakCheckPause> m_pause;
};
} // namespace

TEST_F(OpenGLRender, InitSetsUpTheDevice)
{
    EXPECT_TRUE(m_render->HasContext());
    EXPECT_TRUE(m_render->TestStateA(kRenderWindowed));
    // Mesa takes textures of any size: loaders must not pad them.
    EXPECT_TRUE(m_render->TestStateB(kRenderNonPowerOfTwo));
    EXPECT_GE(m_render->GetDefaultQuad(), 0);
    EXPECT_NE(std::strstr(m_render->GetDriverDescription(), "OpenGL"), nullptr);
    EXPECT_NE(m_render->GetRenderState(), nullptr);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(OpenGLRender, AMissingExtensionFailsInit)
{
    for (const char* name : ZRenderOpenGL::kRequiredExtensions)
    {
        ZRenderOpenGL other;
        other.SetHiddenExtension(name);
        EXPECT_EQ(InitDevice(other, true, &m_window), 1) << name;
        EXPECT_FALSE(other.HasContext()) << name;
    }
    ZRenderOpenGL noWindow;
    EXPECT_EQ(noWindow.Init(kSize, kSize, true, nullptr), 1);
}

TEST_F(OpenGLRender, TexturesAreUploadedReadBackAndDeleted)
{
    const int id = MakeTexture();
    ASSERT_GE(id, 0);
    const uint32_t name = m_render->GetGLTexture(id);
    EXPECT_NE(name, 0u);
    EXPECT_TRUE(glIsTexture(name));
    EXPECT_EQ(m_render->GetTextureSize(id), 16);

    int pitch = 0;
    uint8_t* bits = nullptr;
    ASSERT_EQ(m_render->LockTexture(id, pitch, bits), 0);
    EXPECT_EQ(pitch, 8);
    EXPECT_EQ(bits[0], 255);
    EXPECT_EQ(bits[5], 255);
    EXPECT_EQ(bits[11], 128);
    // One read-back buffer serves all: a second lock waits for the unlock.
    int pitch2 = 0;
    uint8_t* bits2 = nullptr;
    EXPECT_EQ(m_render->LockTexture(id, pitch2, bits2), 1);
    bits[0] = 0;
    bits[2] = 255; // top-left turns blue
    EXPECT_EQ(m_render->UnlockTexture(id), 0);
    EXPECT_EQ(m_render->UnlockTexture(id), 1);
    ASSERT_EQ(m_render->LockTexture(id, pitch, bits), 0);
    EXPECT_EQ(bits[0], 0);
    EXPECT_EQ(bits[2], 255);
    EXPECT_EQ(m_render->UnlockTexture(id), 0);
    EXPECT_EQ(m_render->LockTexture(-1, pitch, bits), 1);

    const uint32_t current = m_render->GetGLTexture(id);
    m_render->DeleteTexture(id);
    EXPECT_FALSE(glIsTexture(current));
    EXPECT_EQ(m_render->GetGLTexture(id), 0u);
    EXPECT_EQ(m_render->GetTextureSize(id), 0);
    // The id goes back to the pool.
    EXPECT_EQ(MakeTexture(), id);
}

TEST_F(OpenGLRender, SpriteQuadIsDrawnWithBlending)
{
    const int texture = MakeTexture();
    ASSERT_GE(texture, 0);
    SetupFrame(0.0f, 0.0f, 1.0f);
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    Draw(-1, texture, white, 1.0f);
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // Texture row 0 is at the top of the screen.
    ExpectNear(PixelAt(16, 16), {255, 0, 0, 255}, "top left");
    ExpectNear(PixelAt(48, 16), {0, 255, 0, 255}, "top right");
    // Half-transparent texels over the blue background.
    ExpectNear(PixelAt(16, 48), {128, 0, 127, 255}, "bottom left");
    ExpectNear(PixelAt(48, 48), {0, 128, 127, 255}, "bottom right");
}

TEST_F(OpenGLRender, RecordAlphaAndColourTintTheQuad)
{
    const int texture = MakeTexture();
    SetupFrame(0.0f, 0.0f, 0.0f);
    const float tint[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    Draw(-1, texture, tint, 0.5f);
    ExpectNear(PixelAt(16, 16), {128, 0, 0, 255}, "opaque texel at half opacity");
    ExpectNear(PixelAt(16, 48), {64, 0, 0, 255}, "half texel at half opacity");
    // An untextured quad draws the colour itself.
    SetupFrame(0.0f, 0.0f, 0.0f);
    const float yellow[4] = {1.0f, 1.0f, 0.0f, 1.0f};
    Draw(-1, -1, yellow, 1.0f);
    ExpectNear(PixelAt(32, 32), {255, 255, 0, 255}, "untextured");
}

TEST_F(OpenGLRender, OwnQuadsDrawTheirTextureRectangle)
{
    const int texture = MakeTexture();
    // A quad over the right texel column only, half the default size, as a glyph would be.
    const int quad = m_render->CreateQuad(50.0f, 50.0f, 0.5f, 0.0f, 1.0f, 0.5f);
    ASSERT_GE(quad, 0);
    EXPECT_NE(quad, m_render->GetDefaultQuad());
    SetupFrame(0.0f, 0.0f, 0.0f);
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    Draw(quad, texture, white, 1.0f);
    ExpectNear(PixelAt(26, 26), {0, 255, 0, 255}, "inside the glyph quad");
    ExpectNear(PixelAt(38, 38), {0, 255, 0, 255}, "inside the glyph quad");
    ExpectNear(PixelAt(4, 4), {0, 0, 0, 255}, "outside the glyph quad");
    m_render->DeleteQuad(quad);
    EXPECT_EQ(m_render->CreateQuad(10.0f, 10.0f, 0.0f, 0.0f, 1.0f, 1.0f), quad);
}

TEST_F(OpenGLRender, TextureMatrixTranslationMovesTheImage)
{
    const int texture = MakeTexture();
    glBindTexture(GL_TEXTURE_2D, m_render->GetGLTexture(texture));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    _M44 scroll;
    scroll.m[2][0] = 0.5f; // UV scroll by half the texture: red and green swap places
    ZRenderOpenGL::LoadTextureMatrix(scroll);
    SetupFrame(0.0f, 0.0f, 0.0f);
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    Draw(-1, texture, white, 1.0f);
    ExpectNear(PixelAt(16, 16), {0, 255, 0, 255}, "left shows the right column");
    ExpectNear(PixelAt(48, 16), {255, 0, 0, 255}, "right shows the left column");
    ZRenderOpenGL::LoadTextureMatrix(_M44());
}

TEST_F(OpenGLRender, StripsAndFansAreDrawn)
{
    struct Vertex
    {
        float x, y, z, nx, ny, nz;
        uint32_t argb;
        float u, v;
    };
    static_assert(sizeof(Vertex) == 36);
    const uint32_t cyan = 0xFF00FFFF;
    // A square over the whole window, as a strip and as a fan.
    const std::vector<Vertex> strip = {{-50, -50, 0, 0, 0, 1, cyan, 0, 0},
                                       {-50, 50, 0, 0, 0, 1, cyan, 0, 0},
                                       {50, -50, 0, 0, 0, 1, cyan, 0, 0},
                                       {50, 50, 0, 0, 0, 1, cyan, 0, 0}};
    const std::vector<Vertex> fan = {{-50, -50, 0, 0, 0, 1, cyan, 0, 0},
                                     {-50, 50, 0, 0, 0, 1, cyan, 0, 0},
                                     {50, 50, 0, 0, 0, 1, cyan, 0, 0},
                                     {50, -50, 0, 0, 0, 1, cyan, 0, 0}};
    for (const auto& [vertices, kind] : {std::pair{strip, int(ZRenderOpenGL::kTriangleStrip)},
                                         std::pair{fan, int(ZRenderOpenGL::kTriangleFan)}})
    {
        std::vector<uint8_t> bytes(vertices.size() * 36);
        for (size_t i = 0; i < vertices.size(); ++i)
        {
            const Vertex& v = vertices[i];
            const float f[6] = {v.x, v.y, v.z, v.nx, v.ny, v.nz};
            std::memcpy(bytes.data() + i * 36, f, 24);
            std::memcpy(bytes.data() + i * 36 + 24, &v.argb, 4);
            std::memcpy(bytes.data() + i * 36 + 28, &v.u, 4);
            std::memcpy(bytes.data() + i * 36 + 32, &v.v, 4);
        }
        const int id = m_render->CreateVertexBuffer(bytes.data(), uint32_t(vertices.size()), false);
        ASSERT_GE(id, 0);
        EXPECT_NE(m_render->LockVertexBuffer(id), nullptr);
        SetupFrame(0.0f, 0.0f, 0.0f);
        m_render->BindTexture(0, -1);
        glDisable(GL_CULL_FACE);
        {
            qvtest::LeakCheckPause pause;
            m_render->DrawVertexBuffer(id, kind);
        }
        ExpectNear(PixelAt(8, 8), {0, 255, 255, 255}, kind == ZRenderOpenGL::kTriangleFan ? "fan" : "strip");
        ExpectNear(PixelAt(56, 56), {0, 255, 255, 255},
                   kind == ZRenderOpenGL::kTriangleFan ? "fan" : "strip");
        m_render->DeleteVertexBuffer(id);
        EXPECT_EQ(m_render->LockVertexBuffer(id), nullptr);
    }
}

TEST_F(OpenGLRender, RenderStateFlagsReachGL)
{
    m_render->SetRenderStateFlag(1, true);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    m_render->SetRenderStateFlag(4, true);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    m_render->SetRenderStateFlag(1 | 4, false);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(OpenGLRender, StateFlagsReachGLAsDifferences)
{
    auto* current = static_cast<ZRenderOpenGLState*>(m_render->GetRenderState());
    ASSERT_NE(current, nullptr);
    current->Reset();
    // The defaults: fog on and depth test off, blending source alpha over the rest.
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));

    auto* state = static_cast<ZRenderOpenGLState*>(m_render->CreateRenderState());
    const auto apply = [&](uint32_t flags)
    {
        state->SetFlags(flags);
        state->SetId(flags | ZRenderOpenGLState::kMaterialIdBit);
        m_render->ApplyRenderState(state);
        // The renderer's own state object now stands for the device.
        EXPECT_EQ(current->GetFlags(), flags);
    };
    const auto blend = []
    {
        GLint src = 0, dst = 0;
        glGetIntegerv(GL_BLEND_SRC, &src);
        glGetIntegerv(GL_BLEND_DST, &dst);
        return std::pair<GLint, GLint>{src, dst};
    };
    apply(kStateNoBlend | kStateNoCull | kStateStencilWrite | kStateStencilTest | kStateNoDepthWrite);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    // Stencil writing leaves fully transparent texels out.
    EXPECT_TRUE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_FALSE);
    apply(kStateMultiply);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(depthWrites, GL_TRUE);
    EXPECT_EQ(blend(), (std::pair<GLint, GLint>{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}));
    apply(kStateAdditive | kStateMultiply);
    EXPECT_EQ(blend(), (std::pair<GLint, GLint>{GL_SRC_ALPHA, GL_ONE}));
    apply(kStateColorBlend);
    EXPECT_EQ(blend(), (std::pair<GLint, GLint>{GL_SRC_COLOR, GL_DST_COLOR}));
    apply(kStateNoDepthTest | kStateNoFog | kStateUnlit);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    apply(0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    // Fog comes back with the flag, unless the camera switched it off.
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    apply(kStateNoFog);
    current->SetFogEnabled(false);
    apply(0);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    current->SetFogEnabled(true);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    // While the frame driver holds the depth test off, a material does not turn it on.
    apply(kStateNoDepthTest);
    m_render->SetRenderStateFlag(1, false);
    apply(0);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    m_render->SetRenderStateFlag(1, true);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    // The same id again writes nothing.
    glDisable(GL_CULL_FACE);
    m_render->ApplyRenderState(state);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    state->Destroy();
}

TEST_F(OpenGLRender, WindowModeSwitchKeepsTexturesAndQuads)
{
    const int texture = MakeTexture();
    ASSERT_GE(texture, 0);
    const int quad = m_render->CreateQuad(50.0f, 50.0f, 0.5f, 0.0f, 1.0f, 0.5f);
    ASSERT_GE(quad, 0);
    ASSERT_EQ(m_window.SetWindowed(false, kSize, kSize), 0);
    ASSERT_EQ(InitDevice(*m_render, false, &m_window), 0);
    EXPECT_FALSE(m_render->TestStateA(kRenderWindowed));
    ASSERT_EQ(m_window.SetWindowed(true, kSize, kSize), 0);
    ASSERT_EQ(InitDevice(*m_render, true, &m_window), 0);
    EXPECT_TRUE(m_render->TestStateA(kRenderWindowed));
    // The same ids draw the same pixels on the new device.
    EXPECT_NE(m_render->GetGLTexture(texture), 0u);
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    SetupFrame(0.0f, 0.0f, 1.0f);
    Draw(-1, texture, white, 1.0f);
    ExpectNear(PixelAt(16, 16), {255, 0, 0, 255}, "opaque texel after the switch");
    ExpectNear(PixelAt(48, 48), {0, 128, 127, 255}, "half-transparent texel after the switch");
    SetupFrame(0.0f, 0.0f, 0.0f);
    Draw(quad, texture, white, 1.0f);
    ExpectNear(PixelAt(32, 32), {0, 255, 0, 255}, "own quad after the switch");
    ExpectNear(PixelAt(4, 4), {0, 0, 0, 255}, "outside the own quad");
    const int again = MakeTexture();
    EXPECT_NE(again, texture);
    EXPECT_EQ(m_render->RenderFrame(), 0);
    EXPECT_EQ(m_render->GetFrameCount(), 1u);
}
