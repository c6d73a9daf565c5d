// Pixels of whole frames on the Direct3D 7 back end, drawn as the game draws them: 2D sprites under
// a camera in a view, materials from shader definitions, textures that reach the device through the
// upload queue and the atlas pages. Each case expects what the OpenGL back end shows for the same
// scene (see GLFrameTest), since the game must look the same on both.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/core/ZAllocBase.h"
#include "engine/render/ZView.h"
#include "engine/render/d3d7/ZRenderD3D7.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/render/resources/ZTextureAtlas.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSprite.h"
#include "tests/platform/SoftD3D7TestSupport.h"

using namespace soft7;

namespace
{
// A machine without SDL: the picture is drawn into memory surfaces only.
SSoftDriverConfig VirtualMachine()
{
    return softd3d7_test::VirtualMachine({{800, 600, 32, 60}, {1024, 768, 32, 60}});
}

const char* const kShaders = "shaderdef sprite\n"
                             "shadercode sprite_ffp\n"
                             "color 0 basecolor FFFFFFFF\n"
                             "bool 18 texturemodulate true\n"
                             "end\n";

// The view's clear colour, blue 0.25.
constexpr uint32_t kBackground = 0x00003Fu;
constexpr uint32_t kRed = 0xFF0000u, kGreen = 0x00FF00u, kBlue = 0x0000FFu, kWhite = 0xFFFFFFu;

// The engine while a screen loads: atlas pages changed meanwhile queue no commit.
struct LoadingHost final : IRenderHost
{
    bool IsLoading() override { return true; }
};

class D3D7SceneFrame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_renderDesktopResolution.SetValue(true);
        g_renderScreenDumpTexture.SetValue(-1);
        ZMaterial::InitPool();
        m_manager = ZResourceManager::GetInstance();
        // The back end registers its shader codes with the library that exists when it is made.
        m_library = std::make_unique<ZShaderLibrary>();
        m_render = new ZRenderD3D7(VirtualMachine());
        m_render->SetResourceManager(m_manager);
        ASSERT_EQ(m_render->Init(800, 600, true, nullptr), 0);
        m_library->ParseDefinitions(kShaders);
        m_root = new ZGroup();
        m_camera = ZCamera::Create("d3d7cam", m_root, false, true);
        m_view = ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 0.0f);
        ASSERT_NE(m_view, nullptr);
        m_view->AddCamera(m_camera);
        m_view->SetClearColor(V4{0.0f, 0.0f, 0.25f, 1.0f});
        m_width = int(m_render->GetDefaultRenderTarget()->Width());
        m_height = int(m_render->GetDefaultRenderTarget()->Height());
    }
    void TearDown() override
    {
        SetRenderHost(nullptr);
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
    }

    ZMaterial* Material()
    {
        ZMaterial* material = ZMaterial::CreateForShader("sprite", m_library->FindShader("sprite"));
        EXPECT_NE(material, nullptr);
        m_materials.push_back(material);
        return material;
    }

    // w x h B, G, R, A pixels of one colour (0xRRGGBB), or 2 x 2 quadrants red, green / blue, white.
    static uint8_t* Pixels(int w, int h, uint32_t rgb, bool quadrants = false)
    {
        auto* bytes = static_cast<uint8_t*>(std::malloc(size_t(w) * size_t(h) * 4));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                const uint32_t c =
                    quadrants ? (y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kWhite))
                              : rgb;
                uint8_t* p = bytes + (size_t(y) * size_t(w) + size_t(x)) * 4;
                p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16), p[3] = 255;
            }
        return bytes;
    }
    // A texture made from pixels, waiting in the upload queue as a loaded texture does.
    ZTexture* Queued(int w, int h, uint32_t rgb, bool quadrants = false)
    {
        ZTexture* texture = ZTexture::CreateEmpty(Pixels(w, h, rgb, quadrants), w, h, 0);
        m_textures.push_back(texture);
        return texture;
    }
    // A loaded texture that never went through the queue (its turn not come, or taken by a frame
    // that has already begun drawing).
    ZTexture* NotQueued(int w, int h, uint32_t rgb, bool quadrants = false)
    {
        auto* texture = new ZTexture();
        texture->StoreImage(Pixels(w, h, rgb, quadrants), kPixelBGRA, w, h, w, h, true);
        texture->AddTextureFlags(kTexturePixels);
        texture->SetFlags(kResourceLoaded);
        m_textures.push_back(texture);
        return texture;
    }

    // A 2D sprite of a quarter of the picture (half its width and height), centred at logical
    // (x, y) from the picture's centre, y upwards. The texture is given to the material as the game
    // gives a button its icon: without listening to it.
    ZSprite* Sprite(ZMaterial* material, ZTextureResource* texture, float x, float y)
    {
        if (texture)
            material->SetTexture(0, texture, false);
        ZSprite* sprite =
            ZSprite::Create(float(m_width) * 0.5f, float(m_height) * 0.5f, PIVOT_CENTER, material);
        sprite->SetFlags(kNode2D);
        sprite->SetPositionXYZ(x, y, 0.0f);
        m_root->AddChild(sprite);
        return sprite;
    }

    // A whole frame: the atlas commits, the views and the presentation. How many queued textures
    // the frame's own upload step takes depends on the machine's speed (a share of the frame
    // period): every one is taken first here.
    void Frame()
    {
        m_render->FlushUploadQueue();
        ASSERT_EQ(m_render->RenderFrame(), 0);
        Grab();
    }
    // Only the views, in a scene of their own: whatever the frame's upload step would have taken
    // is still waiting.
    void ViewsOnly()
    {
        ZSoftD3DDevice* device = m_render->GetDevice();
        ASSERT_EQ(device->BeginScene(), kOk);
        m_render->RenderViews();
        ASSERT_EQ(device->EndScene(), kOk);
        g_renderScreenDumpTexture.SetValue(-3);
        Grab();
        g_renderScreenDumpTexture.SetValue(-1);
    }
    void Grab()
    {
        uint32_t w = 0, h = 0;
        uint32_t* pixels = m_render->GrabScreen(w, h);
        ASSERT_NE(pixels, nullptr);
        ASSERT_EQ(int(w), m_width);
        ASSERT_EQ(int(h), m_height);
        m_frame.assign(pixels, pixels + size_t(w) * h);
        GetAllocHook()->Free(pixels);
    }
    // The colour (0xRRGGBB) at logical (x, y) from the picture's centre, y upwards.
    uint32_t At(float x, float y) const
    {
        const int px = m_width / 2 + int(x), py = m_height / 2 - int(y);
        return m_frame[size_t(py) * size_t(m_width) + size_t(px)] & 0xFFFFFFu;
    }
    static void ExpectNear(uint32_t got, uint32_t want, const char* what)
    {
        for (int shift : {16, 8, 0})
            EXPECT_NEAR(int((got >> shift) & 0xFF), int((want >> shift) & 0xFF), 3) << what;
    }
    // The four quadrant colours of a sprite centred at (x, y).
    void ExpectQuadrants(float x, float y, const char* what) const
    {
        const float dx = float(m_width) / 8.0f, dy = float(m_height) / 8.0f;
        EXPECT_EQ(At(x - dx, y + dy), kRed) << what << ": top left";
        EXPECT_EQ(At(x + dx, y + dy), kGreen) << what << ": top right";
        EXPECT_EQ(At(x - dx, y - dy), kBlue) << what << ": bottom left";
        EXPECT_EQ(At(x + dx, y - dy), kWhite) << what << ": bottom right";
    }

    ZRenderD3D7* m_render = nullptr;
    ZResourceManager* m_manager = nullptr;
    std::unique_ptr<ZShaderLibrary> m_library;
    ZGroup* m_root = nullptr;
    ZCamera* m_camera = nullptr;
    ZView* m_view = nullptr;
    int m_width = 0;
    int m_height = 0;
    std::vector<ZMaterial*> m_materials;
    std::vector<ZTexture*> m_textures;
    std::vector<uint32_t> m_frame;
};
} // namespace

// Without a texture the sprite shader's texture times colour is the colour alone, with its opacity:
// the screen fader is such a sprite.
TEST_F(D3D7SceneFrame, AnUntexturedSpriteShowsItsMaterialColour)
{
    ZMaterial* tinted = Material();
    tinted->SetColor(0, V4{1.0f, 0.5f, 0.25f, 1.0f});
    Sprite(tinted, nullptr, -200.0f, 0.0f);
    ZMaterial* faded = Material();
    faded->SetColor(0, V4{1.0f, 1.0f, 1.0f, 0.5f});
    Sprite(faded, nullptr, 200.0f, 0.0f);
    Frame();
    ExpectNear(At(-200.0f, 0.0f), 0xFF8040u, "the material colour");
    ExpectNear(At(200.0f, 0.0f), 0x8080A0u, "half of white over the background");
}

// A texture that is drawn before its turn in the upload queue came goes to the device on first use
// (on OpenGL too): it is not drawn as a blank white shape.
TEST_F(D3D7SceneFrame, ATextureDrawnBeforeItsUploadShowsItsPixels)
{
    ZTexture* queued = Queued(2, 2, 0, true);
    ZTexture* never = NotQueued(2, 2, 0, true);
    Sprite(Material(), queued, -200.0f, 0.0f);
    Sprite(Material(), never, 200.0f, 0.0f);
    const size_t waiting = m_render->GetQueuedUploadCount();
    ViewsOnly();
    ExpectQuadrants(-200.0f, 0.0f, "a texture still in the queue");
    ExpectQuadrants(200.0f, 0.0f, "a texture never queued");
    EXPECT_EQ(m_render->GetQueuedUploadCount(), waiting - 1) << "the one drawn left the queue";
    // The next frame's upload step finds nothing more to do, and the pictures stay.
    Frame();
    ExpectQuadrants(-200.0f, 0.0f, "the next frame");
    ExpectQuadrants(200.0f, 0.0f, "the next frame");
}

// A texture that cannot reach the device (its pixels are not there) draws nothing, not a white box.
TEST_F(D3D7SceneFrame, ATextureWithoutPixelsDrawsNothing)
{
    auto* empty = new ZTexture();
    m_textures.push_back(empty);
    empty->SetName("not_decoded_yet");
    Sprite(Material(), empty, 0.0f, 0.0f);
    Frame();
    EXPECT_EQ(At(0.0f, 0.0f), kBackground);
}

// A button's icon is given to its material before the icon's upload placed it in an atlas page:
// the sprite must show the icon's own rectangle of the page, not the whole page shrunk.
TEST_F(D3D7SceneFrame, AnIconGivenBeforeItsUploadShowsOnlyItsRectangleOfThePage)
{
    Sprite(Material(), Queued(64, 64, kGreen), -200.0f, 0.0f);
    Frame();
    ZTexture* icon = Queued(2, 2, 0, true);
    Sprite(Material(), icon, 200.0f, 0.0f);
    ASSERT_EQ(icon->GetAtlasPage(), nullptr);
    Frame();
    ASSERT_NE(icon->GetAtlasPage(), nullptr) << "small textures share an atlas page";
    EXPECT_EQ(At(-200.0f, 0.0f), kGreen);
    ExpectQuadrants(200.0f, 0.0f, "the icon");
}

// A page that changes between two draws of one frame (a texture placed on its first use) is
// committed before the second draw samples it; the first draw keeps what it showed.
TEST_F(D3D7SceneFrame, APageChangedBetweenTwoDrawsOfAFrameIsCommittedBeforeTheSecond)
{
    ZTexture* first = Queued(8, 8, kBlue);
    Sprite(Material(), first, -200.0f, 0.0f);
    Frame();
    ZTexture* second = NotQueued(2, 2, 0, true);
    Sprite(Material(), second, 200.0f, 0.0f);
    Frame();
    ASSERT_EQ(second->GetAtlasPage(), first->GetAtlasPage());
    EXPECT_EQ(At(-200.0f, 0.0f), kBlue);
    ExpectQuadrants(200.0f, 0.0f, "the texture placed in the middle of the frame");
}

// While a screen loads, a changed page queues no commit. An icon placed then where another one was
// before must not show the old one's pixels.
TEST_F(D3D7SceneFrame, ATexturePlacedWhileLoadingWhereAnotherWasShowsItsOwnPixels)
{
    Sprite(Material(), Queued(8, 8, kGreen), -200.0f, 0.0f);
    ZTexture* old = Queued(2, 2, kBlue);
    ZMaterial* oldMaterial = Material();
    ZSprite* oldSprite = Sprite(oldMaterial, old, 200.0f, 0.0f);
    Frame();
    ASSERT_EQ(At(200.0f, 0.0f), kBlue);
    const float oldLeft = old->GetAtlasRect()[0], oldTop = old->GetAtlasRect()[3];
    oldSprite->SetHidden(true);
    old->UnloadData();

    LoadingHost loading;
    SetRenderHost(&loading);
    ZTexture* icon = Queued(2, 2, 0, true);
    Sprite(Material(), icon, 200.0f, 0.0f);
    Frame();
    ASSERT_NE(icon->GetAtlasPage(), nullptr);
    EXPECT_EQ(icon->GetAtlasRect()[0], oldLeft) << "the icon took the old one's place";
    EXPECT_EQ(icon->GetAtlasRect()[3], oldTop);
    EXPECT_EQ(At(-200.0f, 0.0f), kGreen);
    ExpectQuadrants(200.0f, 0.0f, "the icon");
}
