// The back end around its shader codes: lights and fog handed to the device, textures on a device
// whose texture format is 16-bit, a display made again (window mode switched), a lost device with
// textures that gave up or kept their pixels, and the release of a primitive's buffers.
#include <cstdlib>
#include <cstring>

#include "D3D7SceneSupport.h"
#include "GoldenImage.h"
#include "engine/core/ZNameId.h"
#include "engine/render/ZLight.h"

using namespace d3d7test;
using namespace soft7;

namespace
{
class D3D7BackEnd : public SceneTest
{
};

uint32_t Checker(int x, int y)
{
    return ((x + y) & 1) ? 0xFFF08020u : 0xFF2080F0u;
}
} // namespace

TEST_F(D3D7BackEnd, LightsAreSetAndEnabledInListOrderAndExtraOnesGoOut)
{
    ZLight* omni = ZLight::Create();
    omni->SetPositionXYZ(10.0f, 20.0f, 30.0f);
    ZLight* spot = ZLight::Create();
    spot->SetProperty(ZNameId("type").Value(), "type", "spot");
    spot->SetProperty(ZNameId("range").Value(), "range", "250");
    ZLightArray lights;
    lights.PushBack(omni);
    lights.PushBack(spot);
    ZRenderD3D7ShaderFFP* code = render->GetStandardCode();
    code->SetLights(camera, &lights);
    const SSoftPipelineState& state = render->GetDevice()->State();
    EXPECT_EQ(state.lights[0].type, LightType::Point);
    EXPECT_EQ(state.lights[0].position[2], 30.0f);
    EXPECT_EQ(state.lights[0].ambient.r, 0.0f);
    EXPECT_EQ(state.lights[0].falloff, 0.1f);
    EXPECT_EQ(state.lights[1].type, LightType::Spot);
    EXPECT_EQ(state.lights[1].range, 250.0f);
    EXPECT_EQ(state.lights[1].direction[1], 1.0f);
    EXPECT_TRUE(state.lightEnabled[0] && state.lightEnabled[1]);
    ZLightArray one;
    one.PushBack(spot);
    code->SetLights(camera, &one);
    EXPECT_EQ(state.lights[0].type, LightType::Spot);
    EXPECT_TRUE(state.lightEnabled[0]);
    EXPECT_FALSE(state.lightEnabled[1]);
    delete omni;
    delete spot;
}

TEST_F(D3D7BackEnd, CameraFogKindsSetTheirModes)
{
    const struct
    {
        int kind;
        Fog mode;
    } cases[] = {{1, Fog::Linear}, {2, Fog::Exp}, {3, Fog::Exp2}};
    const SSoftPipelineState& state = render->GetDevice()->State();
    for (const auto& c : cases)
    {
        SCameraFog fog;
        fog.kind = c.kind;
        fog.start = 5.0f;
        fog.end = 50.0f;
        fog.density = 0.25f;
        fog.color = V4{1.0f, 0.0f, 0.0f, 1.0f};
        camera->SetFog(fog);
        render->SetupCamera(camera);
        EXPECT_EQ(state.Get(RS::FogEnable), 1u) << c.kind;
        EXPECT_EQ(state.Get(RS::FogMode), uint32_t(c.mode)) << c.kind;
        EXPECT_EQ(state.Get(RS::FogColor), 0xFFFF0000u) << c.kind;
    }
    EXPECT_EQ(BitsFloat(state.Get(RS::FogDensity)), 0.25f);
    camera->SetFog(SCameraFog());
    render->SetupCamera(camera);
    EXPECT_EQ(state.Get(RS::FogEnable), 0u);
}

// A device offering only 16-bit textures: uploads, atlas pages (written through a lock in 32-bit
// rows) and drawing all go through the conversion.
TEST(D3D7SixteenBit, TexturesAreConvertedIntoTheChosenFormat)
{
    SSoftDriverConfig config;
    config.useSdl = false;
    config.desktop = {1024, 768, 32, 60};
    config.modes = {{640, 480, 32, 60}};
    config.textureFormats = {FormatR5G6B5(), FormatA1R5G5B5(), FormatA4R4G4B4()};
    ZRenderD3D7 render(config);
    ASSERT_EQ(render.Init(640, 480, true, nullptr), 0);
    EXPECT_EQ(render.GetTextureFormat(), FormatA4R4G4B4());
    const uint8_t pixels[8] = {0xF0, 0x40, 0x80, 0xFF, 0x00, 0x00, 0x00, 0x00}; // B, G, R, A
    const int id = render.CreateTexture(2, 1, pixels, kPixelBGRA, false);
    ASSERT_GE(id, 0);
    EXPECT_EQ(render.GetTextureSurface(id)->ReadPixel(0, 0), 0xFF8844FFu);
    EXPECT_EQ(render.GetTextureSurface(id)->ReadPixel(1, 0), 0u);
    int pitch = 0;
    uint8_t* bits = nullptr;
    ASSERT_EQ(render.LockTexture(id, pitch, bits), 0);
    EXPECT_EQ(pitch, 8);
    EXPECT_EQ(bits[3], 0xFF);
    bits[4] = 0xFF, bits[5] = 0xFF, bits[6] = 0xFF, bits[7] = 0xFF;
    EXPECT_EQ(render.UnlockTexture(id), 0);
    EXPECT_EQ(render.GetTextureSurface(id)->ReadPixel(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(render.GetTextureSurface(id)->ReadPixel(0, 0), 0xFF8844FFu);
    render.DeleteTexture(id);
}

TEST_F(D3D7BackEnd, PicturesStandUprightAndAtlasPagesDrawThroughTheirTransform)
{
    // Row 0 of each picture (the top) is blue-ish, row 1 orange.
    const auto rows = [](int, int y) { return y == 0 ? 0xFF2080F0u : 0xFFF08020u; };
    Sprite(Material("sprite", Texture(2, 2, rows)), -100.0f, 0.0f, 5.0f, 100.0f, 100.0f);
    Sprite(Material("sprite", Texture(2, 2, rows, true)), 100.0f, 0.0f, 5.0f, 100.0f, 100.0f);
    const std::vector<uint32_t> frame = Frame();
    for (int x : {220, 420})
    {
        EXPECT_EQ(PixelAt(frame, x, 215), 0x2080F0u) << x;
        EXPECT_EQ(PixelAt(frame, x, 265), 0xF08020u) << x;
    }
}

TEST_F(D3D7BackEnd, DisplayMadeAgainDrawsTheSameAndKeepsItsResources)
{
    ZTexture* checker = Texture(2, 2, Checker);
    Sprite(Material("sprite", checker), 0.0f, 0.0f, 5.0f, 200.0f, 200.0f);
    const int target = render->CreateTextureOfSize(64, 32);
    ASSERT_GE(target, 0);
    const size_t shaders = library->GetShaders().size();
    const std::vector<uint32_t> before = Frame();
    // What the engine does when the window mode or widescreen changes.
    ASSERT_EQ(render->Init(width, height, true, nullptr), 0);
    EXPECT_EQ(render->ResetMatrices(), 0);
    EXPECT_EQ(library->GetShaders().size(), shaders) << "definitions are read once";
    int w = 0, h = 0;
    ASSERT_TRUE(render->GetTextureSize(target, w, h));
    EXPECT_EQ(w * 1000 + h, 64032);
    EXPECT_EQ(render->SetRenderTarget(target), 0);
    EXPECT_EQ(render->ResetRenderTarget(), 0);
    const std::vector<uint32_t> after = Frame();
    EXPECT_EQ(before, after);
    render->DeleteTexture(target);
}

// A texture kept as an alpha map (for picking) is not a pixel copy: restoring after a lost device
// must neither read it as one nor lose it.
TEST_F(D3D7BackEnd, LostDeviceRestoreKeepsAlphaMapsAndPixelCopies)
{
    ZTexture* picked = Texture(
        4, 4, [](int x, int) { return x < 2 ? 0xFF102030u : 0x00102030u; }, false, kTextureKeepAlpha);
    ZTexture* kept = nullptr;
    {
        kept = new ZTexture();
        auto* pixels = static_cast<uint8_t*>(std::malloc(16 * 4));
        for (int i = 0; i < 16; ++i)
            std::memcpy(pixels + i * 4, "\x30\x20\x10\xFF", 4);
        kept->StoreImage(pixels, kPixelBGRA, 4, 4, 4, 4, true);
        kept->AddTextureFlags(kTexturePixels | kTextureNoAtlas | kTextureKeepPixels);
        textures.push_back(kept);
        ASSERT_EQ(render->MakeTextureResident(kept), 0);
    }
    ASSERT_TRUE(picked->GetTextureFlags() & kTextureAlphaMap);
    Sprite(Material("sprite", picked), -100.0f, 0.0f, 5.0f, 100.0f, 100.0f);
    Sprite(Material("sprite", kept), 100.0f, 0.0f, 5.0f, 100.0f, 100.0f);
    const std::vector<uint32_t> before = Frame();
    // Drawing leaves the copies that are flagged to stay.
    EXPECT_NE(kept->GetPixels(), nullptr);
    EXPECT_NE(picked->GetPixels(), nullptr);
    EXPECT_EQ(picked->GetAlphaAt(-1.0f, 0.0f), 255);

    render->GetDirectDraw()->LoseDisplay();
    render->RestoreSurfaces();
    EXPECT_EQ(render->RenderFrame(), 1);
    render->GetDirectDraw()->RegainDisplay();
    const std::vector<uint32_t> after = Frame();
    EXPECT_FALSE(render->AreSurfacesLost());
    EXPECT_EQ(before, after);
    EXPECT_EQ(picked->GetAlphaAt(1.0f, 0.0f), 0);
}

TEST_F(D3D7BackEnd, ReleasePrimitiveBuffersDeletesEachPartsBuffer)
{
    std::vector<uint8_t> vertices;
    for (int i = 0; i < 3; ++i)
        PutVertex(vertices, float(i), 0.0f, 0.0f, 0xFFFFFFFFu);
    ZPrimitive* primitive = ZPrimitive::Create();
    ZSubPrimitive* a = ZSubPrimitive::Create(1, vertices.data(), 4);
    ZSubPrimitive* b = ZSubPrimitive::Create(1, vertices.data(), 4);
    ASSERT_TRUE(primitive->AddPart(a) && primitive->AddPart(b));
    const int idA = a->GetVertexBufferId(), idB = b->GetVertexBufferId();
    ASSERT_GE(idA, 0);
    ASSERT_GE(idB, 0);
    EXPECT_EQ(render->ReleasePrimitiveBuffers(primitive), 0);
    EXPECT_EQ(a->GetVertexBufferId(), -1);
    EXPECT_EQ(b->GetVertexBufferId(), -1);
    EXPECT_EQ(render->LockVertexBuffer(idA), nullptr);
    EXPECT_EQ(render->ReleasePrimitiveBuffers(primitive), 0);
    EXPECT_EQ(render->ReleasePrimitiveBuffers(nullptr), 0);
    delete a;
    delete b;
    delete primitive;
}

// The library outlives the renderer: the codes stay in it (it owns them) but answer to no name and
// draw nothing, so that the next back end's codes of those names are the ones found.
TEST(D3D7ShaderCodes, OutliveTheirRendererWithoutTheirNames)
{
    ZShaderLibrary library;
    SSoftDriverConfig config;
    config.useSdl = false;
    config.desktop = {1024, 768, 32, 60};
    config.modes = {{640, 480, 32, 60}};
    auto* render = new ZRenderD3D7(config);
    ASSERT_EQ(render->Init(640, 480, true, nullptr), 0);
    ZShaderCodeBase* sprite = library.FindShaderCode("sprite_ffp");
    ASSERT_EQ(sprite, static_cast<ZShaderCodeBase*>(render->GetSpriteCode()));
    ASSERT_NE(library.FindShaderCode("standard_ffp"), nullptr);
    delete render;
    EXPECT_EQ(library.FindShaderCode("sprite_ffp"), nullptr);
    EXPECT_EQ(library.FindShaderCode("standard_ffp"), nullptr);
    DrawRecord record;
    EXPECT_EQ(sprite->Draw(nullptr, record), 1);
}

// A camera draws into a render target; its texture "rendertarget_texture" shows that drawing on a
// sprite of the screen in the same frame, and goes with the target.
TEST_F(D3D7BackEnd, RenderTargetTextureShowsWhatItsCameraDrew)
{
    const int target = render->CreateTextureOfSize(100, 60);
    ASSERT_GE(target, 0);
    ZTexture* shown = render->GetRenderTargetTexture(target);
    ASSERT_NE(shown, nullptr);
    EXPECT_STREQ(shown->GetName(), "rendertarget_texture");
    EXPECT_EQ(shown->GetRenderTextureId(), target);
    EXPECT_TRUE(shown->GetTextureFlags() & kTextureRenderTarget);
    EXPECT_TRUE(shown->GetTextureFlags() & kTextureNoAtlas);
    EXPECT_EQ(shown->GetImageWidth() * 1000 + shown->GetImageHeight(), 100060);
    EXPECT_EQ(render->GetRenderTargetTexture(-1), nullptr);
    EXPECT_EQ(render->GetRenderTargetTexture(target + 1), nullptr);

    // The target's scene: one red quad over the whole target.
    auto* targetRoot = new ZGroup();
    ZCamera* targetCamera = ZCamera::Create("target_camera", targetRoot, false, true);
    targetCamera->SetRenderTarget(target);
    view->AddCamera(targetCamera);
    ZSprite* red = ZSprite::Create(400.0f, 400.0f, PIVOT_CENTER,
                                   Material("sprite", Texture(2, 2, [](int, int) { return 0xFFFF0000u; })));
    red->SetFlags(kNode2D);
    red->SetPositionXYZ(0.0f, 0.0f, 5.0f);
    targetRoot->AddChild(red);
    // The screen shows the target's texture on a sprite.
    Sprite(Material("sprite", shown), 0.0f, 0.0f, 5.0f, 100.0f, 100.0f);

    const std::vector<uint32_t> frame = Frame();
    EXPECT_EQ(PixelAt(frame, width / 2, height / 2), 0xFF0000u);
    EXPECT_EQ(PixelAt(frame, 10, 10), 0u);

    delete targetCamera;
    delete targetRoot;
    render->DeleteTexture(target);
    EXPECT_EQ(render->GetRenderTargetTexture(target), nullptr);
}
