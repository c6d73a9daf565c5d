// Small scenes drawn through the Direct3D 7 back end and its fixed-function shader codes on the
// software display, compared exactly with reference pictures (QV_UPDATE_GOLDEN=1 rewrites them);
// the same scenes through the OpenGL back end in a window agree with them within a tolerance.
#include <cmath>

#include "D3D7SceneSupport.h"
#include "engine/render/ZFont.h"
#include "engine/scene/ZFontText.h"

using namespace d3d7test;
using namespace soft7;

namespace
{
uint32_t Checker(int x, int y)
{
    static const uint32_t colours[4] = {0xFFE04030u, 0xFF30A0E0u, 0xFFF0D020u, 0xFF40C060u};
    return colours[((x + y) & 1) * 2 + ((x / 2 + y / 2) & 1)];
}

uint32_t Disc(int x, int y)
{
    const float dx = float(x) - 31.5f, dy = float(y) - 31.5f;
    return dx * dx + dy * dy < 28.0f * 28.0f ? 0xFFFFFFFFu : 0x00FFFFFFu;
}

std::vector<uint32_t> TexturedSprites(SceneTest& t)
{
    ZTexture* checker = t.Texture(8, 8, Checker);
    ZTexture* ramp = t.Texture(16, 1, [](int x, int) { return uint32_t(x * 17) << 24 | 0xFFFFFFu; });
    t.Sprite(t.Material("sprite", checker), -150.0f, 90.0f, 5.0f, 160.0f, 120.0f);
    ZMaterial* smooth = t.Material("sprite", checker);
    smooth->SetFilter(true);
    smooth->SetOpacity(0.75f);
    ZSprite* turned = t.Sprite(smooth, 120.0f, 20.0f, 4.0f, 200.0f, 100.0f);
    turned->SetRotationZ(0.5f);
    ZMaterial* tinted = t.Material("sprite", ramp);
    // The colour tints while the texture-modulate switch stays on (an opacity of 1 would turn it off).
    tinted->SetColor(0, V4{1.0f, 0.5f, 0.25f, 1.0f});
    t.Sprite(tinted, 0.0f, -170.0f, 3.0f, 512.0f, 64.0f);
    // On the software display this one lies on an atlas page and is drawn through its transform.
    ZTexture* packed = t.Texture(8, 8, Checker, true);
    if (t.render)
    {
        EXPECT_NE(packed->GetAtlasPage(), nullptr);
    }
    t.Sprite(t.Material("sprite", packed), -220.0f, -60.0f, 2.0f, 96.0f, 96.0f);
    return t.Frame();
}

std::vector<uint32_t> BlendedQuads(SceneTest& t)
{
    // Colour quads on a white texel: untextured sprites are not drawn alike by the two back ends.
    ZTexture* white = t.Texture(1, 1, [](int, int) { return 0xFFFFFFFFu; });
    ZMaterial* back = t.Material("sprite", white);
    back->SetColor(0, V4{0.2f, 0.4f, 0.8f, 1.0f});
    t.Sprite(back, 0.0f, 0.0f, 10.0f, 600.0f, 200.0f);
    const struct
    {
        const char* key;
        V4 colour;
        float x, y;
    } quads[] = {
        {nullptr, {1.0f, 0.0f, 0.0f, 0.5f}, -200.0f, 0.0f},
        {"blendadd", {0.0f, 1.0f, 0.0f, 0.8f}, 0.0f, 0.0f},
        {"blendshadow", {1.0f, 1.0f, 0.0f, 1.0f}, 200.0f, 0.0f},
        {"blendadd", {1.0f, 0.3f, 0.0f, 1.0f}, -60.0f, 130.0f},
        {"blendadd", {0.0f, 0.3f, 1.0f, 1.0f}, 60.0f, 150.0f},
    };
    float z = 5.0f;
    for (const auto& q : quads)
    {
        ZMaterial* material = t.Material("sprite", white);
        material->SetColor(0, q.colour);
        if (q.key)
            t.Property(material, q.key, "true");
        t.Sprite(material, q.x, q.y, z, 160.0f, 140.0f);
        z -= 0.5f;
    }
    return t.Frame();
}

std::vector<uint32_t> StencilMask(SceneTest& t)
{
    ZTexture* disc = t.Texture(64, 64, Disc);
    ZTexture* checker = t.Texture(8, 8, Checker);
    ZMaterial* mask = t.Material("sprite", disc);
    t.Property(mask, "drawstencil", "1");
    t.Sprite(mask, 0.0f, 0.0f, 10.0f, 256.0f, 256.0f);
    ZMaterial* masked = t.Material("sprite", checker);
    t.Property(masked, "usestencil", "1");
    t.Sprite(masked, 0.0f, 0.0f, 5.0f, 400.0f, 300.0f);
    ZMaterial* free = t.Material("sprite");
    free->SetColor(0, V4{1.0f, 0.2f, 0.2f, 1.0f});
    t.Sprite(free, 250.0f, 180.0f, 1.0f, 80.0f, 60.0f);
    return t.Frame();
}

std::vector<uint32_t> LinearFogOverDepth(SceneTest& t)
{
    ZCamera* perspective = ZCamera::Create("perspective", t.root, true, false);
    t.view->AddCamera(perspective);
    t.camera->SetActive(false);
    SCameraFog fog;
    fog.kind = 1;
    fog.start = 100.0f;
    fog.end = 900.0f;
    fog.color = V4{0.5f, 0.1f, 0.1f, 1.0f};
    perspective->SetFog(fog);
    ZTexture* checker = t.Texture(8, 8, Checker);
    for (int i = 0; i < 5; ++i)
    {
        ZSprite* sprite = ZSprite::Create(120.0f, 120.0f, PIVOT_CENTER, t.Material("sprite", checker));
        sprite->SetPositionXYZ(-240.0f + float(i) * 120.0f, 0.0f, 150.0f + float(i) * 180.0f);
        t.root->AddChild(sprite);
    }
    const std::vector<uint32_t> frame = t.Frame();
    delete perspective;
    return frame;
}

std::vector<uint32_t> VertexColouredGeometry(SceneTest& t)
{
    std::vector<uint8_t> fan;
    PutVertex(fan, -100.0f, 0.0f, 0.5f, 0xFFFFFFFFu);
    for (int i = 0; i <= 6; ++i)
    {
        const float a = float(i) * 0.5235988f;
        PutVertex(fan, -100.0f + 150.0f * std::cos(a), 150.0f * std::sin(a), 0.5f,
                  i % 2 ? 0xFFFF2020u : 0xFF2040FFu);
    }
    t.Mesh(t.Material("standard"), 6, 6, fan, 1);
    std::vector<uint8_t> lines;
    for (int i = 0; i < 8; ++i)
    {
        PutVertex(lines, 100.0f, -150.0f + float(i) * 40.0f, 0.5f, 0xFF20FF20u);
        PutVertex(lines, 280.0f, -130.0f + float(i) * 40.0f, 0.5f, 0xFFFFFF20u);
    }
    t.Mesh(t.Material("standard"), 2, 8, lines, 2);
    return t.Frame();
}

std::vector<uint32_t> Text(SceneTest& t)
{
    ZFont* font = ZFont::Find("defaultfont");
    EXPECT_NE(font, nullptr);
    if (!font)
        return t.Frame();
    ZFontText* line = ZFontText::Create(font);
    line->SetText("Quorvane 0123 AaGg (_x!)");
    line->SetPosition(V3{-120.0f, 100.0f, 0.0f});
    t.root->AddChild(line);
    ZFontText* big = ZFontText::Create(font);
    big->SetText("Dive!");
    big->SetTextScale(V2{3.0f, 3.0f});
    big->SetPosition(V3{60.0f, -60.0f, 0.0f});
    t.root->AddChild(big);
    return t.Frame();
}

struct Scene
{
    const char* name;
    std::vector<uint32_t> (*draw)(SceneTest&);
};

const Scene kScenes[] = {
    {"d3d7_textured_sprites", TexturedSprites},
    {"d3d7_blended_quads", BlendedQuads},
    {"d3d7_stencil_mask", StencilMask},
    {"d3d7_fog_linear", LinearFogOverDepth},
    {"d3d7_vertex_geometry", VertexColouredGeometry},
    {"d3d7_text", Text},
};

class D3D7Golden : public SceneTest, public ::testing::WithParamInterface<Scene>
{
};

class D3D7GLGolden : public D3D7Golden
{
public:
    bool UsesOpenGL() const override { return true; }
};

std::string SceneName(const ::testing::TestParamInfo<Scene>& info)
{
    return info.param.name;
}
} // namespace

TEST_P(D3D7Golden, MatchesItsReferenceExactly)
{
    ExpectGolden(GetParam().name, GetParam().draw(*this));
}

// Where the two rasterisers may differ: the pixels along edges (sample positions and fill rules),
// bilinear weights and fog. The rest of each picture must agree.
TEST_P(D3D7GLGolden, OpenGLAgreesWithTheReference)
{
    Skip skip;
    // The OpenGL back end does not multiply by the source colour for "blendshadow" yet (it draws
    // the source colour itself): that quad is left out until it does.
    if (std::string(GetParam().name) == "d3d7_blended_quads")
        skip = {440, 170, 600, 310};
    ExpectNearGolden(GetParam().name, GetParam().draw(*this), 12, 0.02, skip);
}

INSTANTIATE_TEST_SUITE_P(Scenes, D3D7Golden, ::testing::ValuesIn(kScenes), SceneName);
INSTANTIATE_TEST_SUITE_P(Scenes, D3D7GLGolden, ::testing::ValuesIn(kScenes), SceneName);

class D3D7Scene : public SceneTest
{
};

// The stencil scene's mask writes no colour: the checker shows only inside the disc.
TEST_F(D3D7Scene, StencilMaskShowsOnlyInsideTheDisc)
{
    const std::vector<uint32_t> frame = StencilMask(*this);
    EXPECT_NE(PixelAt(frame, 320, 240), 0u);
    EXPECT_EQ(PixelAt(frame, 320 - 180, 240), 0u);
}
