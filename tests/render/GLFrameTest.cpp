// Pixels of whole frames on the OpenGL back end: scene nodes under a camera in a view, materials
// from shader definitions, drawn by the built-in shader codes through the frame driver and read
// back from the window. Needs a display (a virtual X server in CI); skipped without one.
#include <gtest/gtest.h>

#include "support/DisplayTestSupport.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/controllers/ZAnimateTexture2D.h"
#include "engine/core/ZAllocBase.h"
#include "engine/core/ZNameId.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/import/ZVertexBinImport.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZLight.h"
#include "engine/render/ZView.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/render/resources/ZAnimTexture.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPrimitive.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZGeomObject.h"
#include "engine/scene/ZSprite.h"
#include "support/TestFiles.h"
#include "support/VtxWriter.h"

namespace
{
constexpr int kSize = 64;

struct Rgb
{
    int r, g, b;
};

const char* const kShaders = "shaderdef sprite\n"
                             "shadercode sprite_ffp\n"
                             "color 0 basecolor FFFFFFFF\n"
                             "bool 18 texturemodulate true\n"
                             "end\n"
                             "shaderdef additive\n"
                             "shadercode sprite_ffp\n"
                             "color 0 basecolor FFFFFFFF\n"
                             "bool 18 texturemodulate true\n"
                             "bool 1 nodepthwrite true\n"
                             "bool 12 additive true\n"
                             "end\n"
                             "shaderdef addcolor\n"
                             "shadercode sprite_ffp\n"
                             "color 0 basecolor FF804000\n"
                             "bool 17 addfactor true\n"
                             "end\n"
                             "shaderdef lit\n"
                             "shadercode standard_ffp\n"
                             "color 0 basecolor FFFFFFFF\n"
                             "end\n"
                             "shaderdef standard\n"
                             "shadercode standard_ffp\n"
                             "color 0 basecolor FFFFFFFF\n"
                             "bool 15 unlit true\n"
                             "end\n"
                             "shaderdef geomflat\n"
                             "shadercode standard_ffp\n"
                             "color 0 basecolor FFFFFFFF\n"
                             "bool 15 unlit true\n"
                             "end\n";

class GLFrame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (std::string why; !qvtest::OpenRealDisplay(why))
            GTEST_SKIP() << why;
        m_video = true;
        m_pause = std::make_unique<qvtest::LeakCheckPause>();
        if (m_window.Create("Quorvane GL frame", kSize, kSize, true, ZPlatformWindow::kOpenGL) != 0)
            GTEST_SKIP() << "no GL window: " << plat::GetVideoError();
        ZMaterial::InitPool();
        m_manager = ZResourceManager::GetInstance();
        m_library = std::make_unique<ZShaderLibrary>();
        m_render = new ZRenderOpenGL();
        m_render->SetResourceManager(m_manager);
        if (m_render->Init(kSize, kSize, true, &m_window) != 0)
            GTEST_SKIP() << "no OpenGL with the required extensions";
        m_library->ParseDefinitions(kShaders);
        m_root = new ZGroup();
        m_camera = ZCamera::Create("glcam", m_root, false, true);
        m_view = ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 0.0f);
        ASSERT_NE(m_view, nullptr);
        m_view->AddCamera(m_camera);
        m_halfW = float(g_renderWidth.GetValue()) * 0.5f;
        m_halfH = float(g_renderHeight.GetValue()) * 0.5f;
    }
    void TearDown() override
    {
        qvtest::LeakCheckPause pause;
        delete m_camera;
        delete m_root;
        for (ZMaterial* material : m_materials)
            material->ReturnToPool();
        for (ZTexture* texture : m_textures)
            delete texture;
        delete m_render;
        m_library.reset();
        if (m_manager)
            ZResourceManager::DestroyInstance();
        m_window.Destroy();
        plat::ClearMessages();
        if (m_video)
            plat::ShutdownVideo();
        m_pause.reset();
    }

    ZMaterial* Material(const char* shader)
    {
        ZMaterial* material = ZMaterial::CreateForShader(shader, m_library->FindShader(shader));
        EXPECT_NE(material, nullptr);
        m_materials.push_back(material);
        return material;
    }

    // B, G, R, A bytes from R, G, B, A quadruples.
    static uint8_t* Pixels(const std::vector<uint32_t>& rgba)
    {
        auto* bytes = static_cast<uint8_t*>(std::malloc(rgba.size() * 4));
        for (size_t i = 0; i < rgba.size(); ++i)
        {
            const uint32_t p = rgba[i];
            bytes[i * 4 + 0] = uint8_t(p >> 8);
            bytes[i * 4 + 1] = uint8_t(p >> 16);
            bytes[i * 4 + 2] = uint8_t(p >> 24);
            bytes[i * 4 + 3] = uint8_t(p);
        }
        return bytes;
    }

    // Top left red, top right green, bottom left blue, bottom right white.
    ZTexture* Quadrants()
    {
        ZTexture* texture =
            ZTexture::CreateEmpty(Pixels({0xFF0000FF, 0x00FF00FF, 0x0000FFFF, 0xFFFFFFFF}), 2, 2, 0);
        m_textures.push_back(texture);
        return texture;
    }
    ZTexture* Solid(uint32_t rgba)
    {
        ZTexture* texture = ZTexture::CreateEmpty(Pixels({rgba}), 1, 1, 0);
        m_textures.push_back(texture);
        return texture;
    }

    // A 2D sprite of half the logical screen in each direction, centred at logical (x, y).
    ZSprite* Sprite(ZMaterial* material, ZTextureResource* texture, float x = 0.0f, float y = 0.0f)
    {
        if (texture)
            material->SetTexture(0, texture, false);
        ZSprite* sprite = ZSprite::Create(m_halfW, m_halfH, PIVOT_CENTER, material);
        sprite->SetFlags(kNode2D);
        sprite->SetPositionXYZ(x, y, 0.0f);
        m_root->AddChild(sprite);
        return sprite;
    }

    // White triangles of the "lit" material under the scene root, each corner on the z = 0 plane
    // with its normal along z; RemoveLit takes them away again.
    struct LitCorner
    {
        float x, y, nz;
    };
    struct LitGeometry
    {
        ZSubPrimitive* part = nullptr;
        ZPrimitive* primitive = nullptr;
        ZGeomObject* object = nullptr;
    };
    LitGeometry AddLit(const std::vector<LitCorner>& corners)
    {
        std::vector<uint8_t> bytes(corners.size() * 36, 0);
        const uint32_t white = 0xFFFFFFFF;
        for (size_t i = 0; i < corners.size(); ++i)
        {
            const float f[6] = {corners[i].x, corners[i].y, 0.0f, 0.0f, 0.0f, corners[i].nz};
            std::memcpy(bytes.data() + i * 36, f, sizeof f);
            std::memcpy(bytes.data() + i * 36 + 24, &white, 4);
        }
        LitGeometry lit;
        lit.part = ZSubPrimitive::Create(uint32_t(corners.size() / 3), bytes.data(), 4);
        if (!lit.part)
            return lit;
        lit.part->SetMaterial(Material("lit"));
        lit.primitive = ZPrimitive::Create();
        EXPECT_TRUE(lit.primitive->AddPart(lit.part));
        lit.object = new ZGeomObject();
        lit.object->SetPrimitive(lit.primitive);
        m_root->AddChild(lit.object);
        return lit;
    }
    void RemoveLit(const LitGeometry& lit)
    {
        m_root->RemoveChild(lit.object);
        delete lit.object;
        delete lit.primitive;
        delete lit.part;
    }
    // A directional light of that colour shining from the camera's side, in the renderer's list.
    void Shine(ZLight& light, const char* colour)
    {
        const auto set = [&light](const char* key, const char* value)
        { light.SetProperty(ZNameId(key).Value(), key, value); };
        set("type", "direction");
        set("color", colour);
        light.SetPositionXYZ(0.0f, 0.0f, -100.0f);
        m_render->GetLights().PushBack(&light);
    }

    // The frame as RenderFrame draws it, short of the swap: the back buffer keeps the pixels.
    // `draw` false only reads back what is on the back buffer.
    void Frame(bool draw = true)
    {
        qvtest::LeakCheckPause pause;
        if (draw)
        {
            m_render->FlushUploadQueue();
            m_render->RenderViews();
        }
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        uint32_t w = 0, h = 0;
        uint32_t* pixels = m_render->GrabScreen(w, h);
        ASSERT_NE(pixels, nullptr);
        ASSERT_EQ(w, uint32_t(kSize));
        ASSERT_EQ(h, uint32_t(kSize));
        m_frame.assign(pixels, pixels + size_t(w) * h);
        GetAllocHook()->Free(pixels);
    }

    // (x, y) in window pixels from the top-left.
    Rgb PixelAt(int x, int y) const
    {
        const uint32_t p = m_frame[size_t(y) * kSize + size_t(x)];
        return {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
    }

    static void ExpectNear(const Rgb& got, const Rgb& want, const char* where, int tolerance = 3)
    {
        EXPECT_NEAR(got.r, want.r, tolerance) << where;
        EXPECT_NEAR(got.g, want.g, tolerance) << where;
        EXPECT_NEAR(got.b, want.b, tolerance) << where;
    }

    ZPlatformWindow m_window;
    ZRenderOpenGL* m_render = nullptr;
    ZResourceManager* m_manager = nullptr;
    std::unique_ptr<ZShaderLibrary> m_library;
    ZGroup* m_root = nullptr;
    ZCamera* m_camera = nullptr;
    ZView* m_view = nullptr;
    float m_halfW = 400.0f;
    float m_halfH = 300.0f;
    std::vector<ZMaterial*> m_materials;
    std::vector<ZTexture*> m_textures;
    std::vector<uint32_t> m_frame;
    bool m_video = false;
    std::unique_ptr<qvtest::LeakCheckPause> m_pause;
};
} // namespace

TEST_F(GLFrame, TexturedSpriteLandsWhereItsNodeIs)
{
    m_view->SetClearColor(V4{0.0f, 0.0f, 0.25f, 1.0f});
    // Moved right by a quarter of the logical screen: 16 window pixels.
    Sprite(Material("sprite"), Quadrants(), m_halfW * 0.5f, 0.0f);
    Frame();
    ExpectNear(PixelAt(40, 24), {255, 0, 0}, "top left texel");
    ExpectNear(PixelAt(56, 24), {0, 255, 0}, "top right texel");
    ExpectNear(PixelAt(40, 40), {0, 0, 255}, "bottom left texel");
    ExpectNear(PixelAt(56, 40), {255, 255, 255}, "bottom right texel");
    ExpectNear(PixelAt(20, 32), {0, 0, 64}, "left of the sprite: the view's background");
    ExpectNear(PixelAt(40, 8), {0, 0, 64}, "above the sprite");
}

TEST_F(GLFrame, TheScreenGrabbedAfterAFrameIsThatFrame)
{
    m_view->SetClearColor(V4{0.0f, 0.0f, 1.0f, 1.0f});
    Sprite(Material("sprite"), Quadrants());
    {
        qvtest::LeakCheckPause pause;
        ASSERT_EQ(m_render->RenderFrame(), 0);
    }
    uint32_t w = 0, h = 0;
    uint32_t* pixels = m_render->GrabScreen(w, h);
    ASSERT_NE(pixels, nullptr);
    ASSERT_EQ(w, uint32_t(kSize));
    // Top-down A, R, G, B words, opaque whatever the buffer's alpha.
    EXPECT_EQ(pixels[24 * kSize + 24], 0xFFFF0000u);
    EXPECT_EQ(pixels[40 * kSize + 24], 0xFF0000FFu);
    EXPECT_EQ(pixels[2 * kSize + 2], 0xFF0000FFu);
    GetAllocHook()->Free(pixels);
}

TEST_F(GLFrame, TheSceneDrawsTheSameAfterAWindowModeSwitch)
{
    Sprite(Material("sprite"), Quadrants());
    Frame();
    ExpectNear(PixelAt(24, 24), {255, 0, 0}, "before the switch");
    for (bool windowed : {false, true})
    {
        qvtest::LeakCheckPause pause;
        ASSERT_EQ(m_window.SetWindowed(windowed, kSize, kSize), 0);
        ASSERT_EQ(m_render->Init(kSize, kSize, windowed, &m_window), 0);
        m_render->ResetMatrices();
    }
    Frame();
    ExpectNear(PixelAt(24, 24), {255, 0, 0}, "top left texel after the switch");
    ExpectNear(PixelAt(40, 40), {255, 255, 255}, "bottom right texel after the switch");
    ExpectNear(PixelAt(4, 4), {0, 0, 0}, "outside after the switch");
}

TEST_F(GLFrame, PivotPlacesTheRectangle)
{
    ZSprite* sprite = Sprite(Material("sprite"), Solid(0xFFFFFFFF));
    sprite->SetPivot(PIVOT_TOPLEFT);
    Frame();
    // The node's origin is the rectangle's top-left corner: the screen centre.
    ExpectNear(PixelAt(40, 40), {255, 255, 255}, "below right of the origin");
    ExpectNear(PixelAt(24, 24), {0, 0, 0}, "above left of the origin");
    ExpectNear(PixelAt(24, 40), {0, 0, 0}, "left of the origin");
}

TEST_F(GLFrame, SpriteFacesAPerspectiveCamera)
{
    // As the main camera sees the scene: from behind, looking along z.
    ZCamera* eye = ZCamera::Create("eye", m_root, true, false);
    eye->SetPositionXYZ(0.0f, 0.0f, -500.0f);
    m_view->RemoveCamera(m_camera);
    m_view->AddCamera(eye);
    ZSprite* sprite = ZSprite::Create(200.0f, 200.0f, PIVOT_CENTER, Material("sprite"));
    sprite->GetMaterial()->SetTexture(0, Quadrants(), false);
    m_root->AddChild(sprite);
    Frame();
    ExpectNear(PixelAt(28, 28), {255, 0, 0}, "top left texel");
    ExpectNear(PixelAt(36, 28), {0, 255, 0}, "top right texel");
    ExpectNear(PixelAt(28, 36), {0, 0, 255}, "bottom left texel");
    ExpectNear(PixelAt(36, 36), {255, 255, 255}, "bottom right texel");
    ExpectNear(PixelAt(2, 2), {0, 0, 0}, "outside");
    m_view->RemoveCamera(eye);
    delete eye;
}

TEST_F(GLFrame, MaterialColourModulatesAndAddsAndAdditiveBlendAddsToTheBackground)
{
    m_view->SetClearColor(V4{0.0f, 0.0f, 0.5f, 1.0f});
    // Left: white texel times the material colour.
    ZMaterial* modulate = Material("sprite");
    modulate->SetColor(0, V4{1.0f, 0.5f, 0.25f, 1.0f});
    Sprite(modulate, Solid(0xFFFFFFFF), -m_halfW * 0.5f, m_halfH * 0.5f);
    // Right: texel plus the material colour (FF804000 is red 0.5, green 0.25).
    Sprite(Material("addcolor"), Solid(0x202020FF), m_halfW * 0.5f, m_halfH * 0.5f);
    // Bottom: opaque red added onto the blue background.
    Sprite(Material("additive"), Solid(0xFF0000FF), 0.0f, -m_halfH * 0.5f);
    Frame();
    ExpectNear(PixelAt(16, 16), {255, 128, 64}, "modulated by the material colour");
    ExpectNear(PixelAt(48, 16), {160, 96, 32}, "material colour added to the texel");
    ExpectNear(PixelAt(32, 48), {255, 0, 128}, "additive onto the background");
    ExpectNear(PixelAt(4, 48), {0, 0, 128}, "background beside the additive sprite");
}

TEST_F(GLFrame, SpriteFadedToHalfShowsHalfOfItsColour)
{
    m_view->SetClearColor(V4{0.0f, 0.0f, 1.0f, 1.0f});
    ZSprite* sprite = Sprite(Material("sprite"), Solid(0xFF0000FF));
    sprite->SetAlpha(0.5f);
    Frame();
    ExpectNear(PixelAt(32, 32), {128, 0, 127}, "half red over blue");
    // Opacity 0 leaves the sprite out of the frame altogether.
    sprite->SetAlpha(0.0f);
    Frame();
    ExpectNear(PixelAt(32, 32), {0, 0, 255}, "faded out");
}

TEST_F(GLFrame, ARecordsOwnOpacityFadesTheSprite)
{
    // Particles and text hand their opacity in the draw record, not in the material.
    m_view->SetClearColor(V4{0.0f, 0.0f, 1.0f, 1.0f});
    ZSprite* sprite = Sprite(Material("sprite"), Solid(0xFF0000FF));
    m_root->RemoveChild(sprite);
    Frame();
    DrawRecord record;
    record.node = sprite;
    record.material = sprite->GetMaterial();
    record.shader = record.material->GetShader();
    sprite->GetWorldMatrix(record.world);
    record.alpha = 0.5f;
    {
        qvtest::LeakCheckPause pause;
        m_render->SetRenderStateFlag(1, false);
        ASSERT_EQ(record.shader->Draw(m_camera, record), 0);
    }
    Frame(false);
    ExpectNear(PixelAt(32, 32), {128, 0, 127}, "half red over blue");
    delete sprite;
}

// Sprites show their material colour and opacity unlit, as on the Direct3D 7 back end
// (D3D7FrameTest): without a texture the colour alone (the screen fader and the dimmers), with one
// the texel times the colour. Neither takes light, not even from a light that lit geometry drawn
// before them left switched on.
TEST_F(GLFrame, SpritesShowTheirMaterialColourAndOpacityUnlit)
{
    struct Case
    {
        const char* what;
        V4 colour;
        bool textured;
        int x, y; // window pixel inside the sprite
        Rgb want; // over the background (0, 0, 64)
    };
    const Case cases[] = {
        {"untextured, opaque", {1.0f, 0.5f, 0.25f, 1.0f}, false, 16, 16, {255, 128, 64}},
        {"untextured, half transparent", {1.0f, 1.0f, 1.0f, 0.5f}, false, 48, 16, {128, 128, 160}},
        {"textured, half transparent", {1.0f, 0.5f, 0.25f, 0.5f}, true, 16, 48, {128, 64, 64}},
    };
    m_view->SetClearColor(V4{0.0f, 0.0f, 0.25f, 1.0f});
    for (const Case& c : cases)
    {
        ZMaterial* material = Material("sprite");
        material->SetColor(0, c.colour);
        const float x = c.x < kSize / 2 ? -0.5f : 0.5f, y = c.y < kSize / 2 ? 0.5f : -0.5f;
        Sprite(material, c.textured ? Solid(0xFFFFFFFF) : nullptr, x * m_halfW, y * m_halfH);
    }
    Frame();
    for (const Case& c : cases)
        ExpectNear(PixelAt(c.x, c.y), c.want, c.what);

    // A lit square in the free bottom right quarter, under a white light: drawn before the 2D
    // sprites, it leaves lighting and its light switched on.
    const float w = m_halfW, h = m_halfH;
    std::vector<LitCorner> corners;
    for (const auto& [x, y] : {std::pair{0.0f, -h}, std::pair{0.0f, 0.0f}, std::pair{w, -h}, std::pair{w, -h},
                               std::pair{0.0f, 0.0f}, std::pair{w, 0.0f}})
        corners.push_back({x, y, -1.0f});
    const LitGeometry lit = AddLit(corners);
    ASSERT_NE(lit.object, nullptr);
    ZLight light;
    Shine(light, "1, 1, 1, 1");
    Frame();
    m_render->GetLights().Clear();
    // Diffuse 0.8 plus ambient 0.2 plus the scene ambient 0.2 x 0.2: the light does reach it.
    ExpectNear(PixelAt(48, 48), {255, 255, 255}, "the lit square");
    for (const Case& c : cases)
        ExpectNear(PixelAt(c.x, c.y), c.want, (std::string(c.what) + ", after lit geometry").c_str());
    RemoveLit(lit);
}

TEST_F(GLFrame, AnimatedTextureShowsTheChosenFrame)
{
    // Four 2 x 2 frames side by side: red, green, blue, white.
    std::vector<uint32_t> strip;
    const uint32_t colours[4] = {0xFF0000FF, 0x00FF00FF, 0x0000FFFF, 0xFFFFFFFF};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x)
            strip.push_back(colours[x / 2]);
    auto* animated = new ZAnimTexture();
    m_textures.push_back(animated);
    animated->StoreImage(Pixels(strip), kPixelBGRA, 8, 2, 8, 2, false);
    ASSERT_TRUE(animated->SetFrameSize(2, 2));
    ZMaterial* material = Material("sprite");
    ZSprite* sprite = Sprite(material, animated);
    ZAnimateTexture2D* controller = ZAnimateTexture2D::Create(sprite, false);
    ASSERT_EQ(controller->material, material);
    ASSERT_EQ(controller->animTexture, animated);
    EXPECT_EQ(animated->GetFrameCount(), 4);
    controller->ApplyFrame(2);
    Frame();
    ExpectNear(PixelAt(32, 32), {0, 0, 255}, "frame 2");
    ExpectNear(PixelAt(20, 20), {0, 0, 255}, "frame 2, near a corner");
    controller->ApplyFrame(1);
    Frame();
    ExpectNear(PixelAt(32, 32), {0, 255, 0}, "frame 1");
}

TEST_F(GLFrame, CameraFogMixesTheFogColourIn)
{
    Sprite(Material("sprite"), Solid(0xFF0000FF));
    // Linear fog over eye distances -1 .. 1: at distance 0 half the fog colour.
    SCameraFog fog;
    fog.kind = 1;
    fog.start = -1.0f;
    fog.end = 1.0f;
    fog.color = V4{0.0f, 1.0f, 0.0f, 1.0f};
    m_camera->SetFog(fog);
    Frame();
    ExpectNear(PixelAt(32, 32), {128, 128, 0}, "half fogged", 4);
    // Kind 0 is no fog.
    m_camera->SetFog(SCameraFog{});
    Frame();
    ExpectNear(PixelAt(32, 32), {255, 0, 0}, "no fog");
}

TEST_F(GLFrame, LitPrimitiveIsBrightWhereItFacesTheLight)
{
    // Two squares side by side: the left one faces the camera and the light, the right one away.
    const float w = m_halfW * 0.5f, h = m_halfH * 0.5f;
    std::vector<LitCorner> corners;
    for (int side = 0; side < 2; ++side)
    {
        const float x0 = side == 0 ? -2.0f * w : 0.0f, x1 = x0 + 2.0f * w;
        const float nz = side == 0 ? -1.0f : 1.0f;
        // Clockwise on screen, as front faces are.
        for (const auto& [x, y] : {std::pair{x0, -h}, std::pair{x0, h}, std::pair{x1, -h}, std::pair{x1, -h},
                                   std::pair{x0, h}, std::pair{x1, h}})
            corners.push_back({x, y, nz});
    }
    const LitGeometry lit = AddLit(corners);
    ASSERT_NE(lit.object, nullptr);
    ASSERT_GE(lit.part->GetVertexBufferId(), 0);

    // A grey directional light from the camera's side.
    ZLight light;
    Shine(light, "0.5, 0.5, 0.5, 1");
    Frame();
    // Diffuse 0.8 x 0.5 plus ambient 0.2 x 0.5 plus the scene ambient 0.2 x 0.2.
    ExpectNear(PixelAt(24, 32), {138, 138, 138}, "facing the light", 4);
    // Ambient only.
    ExpectNear(PixelAt(40, 32), {36, 36, 36}, "facing away", 4);
    m_render->GetLights().Clear();
    RemoveLit(lit);
}

TEST_F(GLFrame, GeometryObjectFromASceneFileDrawsItsParts)
{
    qvtest::TempDir dir;
    ZMountTable table;
    ZFileSystem fs(&table);
    table.AddMount("geomtest", dir.Path().c_str());
    table.AddMount("geomfix", (std::string(QV_FIXTURES) + "/geom").c_str());
    // Left half red in the scene's own material; the top right quarter green in the default one.
    qvtest::VtxWriter file;
    file.Header();
    ASSERT_EQ(file.Rectangle(-m_halfW, -m_halfH, 0.0f, m_halfH, 0xFFFF0000), 12u);
    ASSERT_EQ(file.Rectangle(m_halfW * 0.5f, 0.0f, m_halfW, m_halfH, 0xFF00FF00), 248u);
    ASSERT_TRUE(qvtest::WriteWholeFile(dir / "panels.vtx", file.bytes));
    Material("geomflat")->SetName("geomtest_flat");
    m_view->SetClearColor(V4{0.0f, 0.0f, 0.25f, 1.0f});
    SSceneImporterHolder importer;
    ASSERT_EQ(ImportSceneFile(ZResourcePath("geomfix:panels.xml"), m_root, nullptr, &importer), 0);
    ReleaseSceneImporter(&importer);
    Frame();
    ExpectNear(PixelAt(16, 32), {255, 0, 0}, "left panel");
    ExpectNear(PixelAt(56, 8), {0, 255, 0}, "top right quarter");
    ExpectNear(PixelAt(40, 8), {0, 0, 64}, "beside the green quarter");
    ExpectNear(PixelAt(48, 48), {0, 0, 64}, "below the green quarter");

    // A vertex file that breaks off in its second chunk: the reload draws nothing at all, and the
    // object that names no declared primitive never did.
    ZNode* layer = m_root->FindNode("layer");
    ASSERT_NE(layer, nullptr);
    delete layer;
    delete ZPrimitive::Find("geomtest_panels");
    file.bytes.resize(file.bytes.size() - 40);
    ASSERT_TRUE(qvtest::WriteWholeFile(dir / "panels.vtx", file.bytes));
    ASSERT_EQ(ImportSceneFile(ZResourcePath("geomfix:panels.xml"), m_root, nullptr, &importer), 0);
    ReleaseSceneImporter(&importer);
    ZVertexBinImport::ReleaseMeshCache();
    Frame();
    ExpectNear(PixelAt(16, 32), {0, 0, 64}, "left panel of a damaged file");
    ExpectNear(PixelAt(56, 8), {0, 0, 64}, "right panel of a damaged file");
}

// As on the Direct3D 7 back end (D3D7FrameTest): a texture drawn before its turn in the upload queue
// came is uploaded on first use.
TEST_F(GLFrame, ATextureDrawnBeforeItsUploadShowsItsPixels)
{
    Sprite(Material("sprite"), Quadrants());
    {
        qvtest::LeakCheckPause pause;
        m_render->RenderViews();
    }
    Frame(false);
    ExpectNear(PixelAt(24, 24), {255, 0, 0}, "top left texel");
    ExpectNear(PixelAt(40, 40), {255, 255, 255}, "bottom right texel");
}
