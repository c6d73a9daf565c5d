// Small scenes drawn through the Direct3D 7 back end and its fixed-function shader codes on the
// software display, compared exactly with reference pictures (QV_UPDATE_GOLDEN=1 rewrites them),
// and the pixel effect of each material switch through both codes.
#include <cmath>

#include "D3D7SceneSupport.h"

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

class Golden : public SceneTest
{
};
} // namespace

TEST_F(Golden, TexturedSprites)
{
    ZTexture* checker = Texture(8, 8, Checker);
    ZTexture* ramp = Texture(16, 1, [](int x, int) { return uint32_t(x * 17) << 24 | 0xFFFFFFu; });
    Sprite(Material("sprite", checker), -150.0f, 90.0f, 5.0f, 160.0f, 120.0f);
    ZMaterial* smooth = Material("sprite", checker);
    smooth->SetFilter(true);
    smooth->SetOpacity(0.75f);
    ZSprite* turned = Sprite(smooth, 120.0f, 20.0f, 4.0f, 200.0f, 100.0f);
    turned->SetRotationZ(0.5f);
    ZMaterial* tinted = Material("sprite", ramp);
    // The colour tints while the texture-modulate switch stays on (an opacity of 1 would turn it off).
    tinted->SetColor(0, V4{1.0f, 0.5f, 0.25f, 1.0f});
    Sprite(tinted, 0.0f, -170.0f, 3.0f, 512.0f, 64.0f);
    // An atlas page places the texture with a texture transform.
    ZTexture* packed = Texture(8, 8, Checker, true);
    ASSERT_NE(packed->GetAtlasPage(), nullptr);
    Sprite(Material("sprite", packed), -220.0f, -60.0f, 2.0f, 96.0f, 96.0f);
    ExpectGolden("d3d7_textured_sprites", Frame());
}

TEST_F(Golden, BlendedQuads)
{
    ZMaterial* back = Material("sprite");
    back->SetColor(0, V4{0.2f, 0.4f, 0.8f, 1.0f});
    Sprite(back, 0.0f, 0.0f, 10.0f, 600.0f, 200.0f);
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
        ZMaterial* material = Material("sprite");
        material->SetColor(0, q.colour);
        if (q.key)
            Property(material, q.key, "true");
        Sprite(material, q.x, q.y, z, 160.0f, 140.0f);
        z -= 0.5f;
    }
    ExpectGolden("d3d7_blended_quads", Frame());
}

TEST_F(Golden, StencilMask)
{
    ZTexture* disc = Texture(64, 64, Disc);
    ZTexture* checker = Texture(8, 8, Checker);
    ZMaterial* mask = Material("sprite", disc);
    Property(mask, "drawstencil", "1");
    Sprite(mask, 0.0f, 0.0f, 10.0f, 256.0f, 256.0f);
    ZMaterial* masked = Material("sprite", checker);
    Property(masked, "usestencil", "1");
    Sprite(masked, 0.0f, 0.0f, 5.0f, 400.0f, 300.0f);
    ZMaterial* free = Material("sprite");
    free->SetColor(0, V4{1.0f, 0.2f, 0.2f, 1.0f});
    Sprite(free, 250.0f, 180.0f, 1.0f, 80.0f, 60.0f);
    const std::vector<uint32_t> frame = Frame();
    // The mask writes no colour; the checker shows only inside the disc.
    EXPECT_EQ(PixelAt(frame, 320, 240) != 0, true);
    EXPECT_EQ(PixelAt(frame, 320 - 180, 240), 0u);
    ExpectGolden("d3d7_stencil_mask", frame);
}

TEST_F(Golden, LinearFogOverDepth)
{
    ZCamera* perspective = ZCamera::Create("perspective", root, true, false);
    view->AddCamera(perspective);
    camera->SetActive(false);
    SD3D7CameraFog fog;
    fog.kind = 1;
    fog.start = 100.0f;
    fog.end = 900.0f;
    fog.color = V4{0.5f, 0.1f, 0.1f, 1.0f};
    render->SetCameraFog(perspective, fog);
    ZTexture* checker = Texture(8, 8, Checker);
    for (int i = 0; i < 5; ++i)
    {
        ZSprite* sprite = ZSprite::Create(120.0f, 120.0f, PIVOT_CENTER, Material("sprite", checker));
        sprite->SetPositionXYZ(-240.0f + float(i) * 120.0f, 0.0f, 150.0f + float(i) * 180.0f);
        root->AddChild(sprite);
    }
    const std::vector<uint32_t> frame = Frame();
    delete perspective;
    ExpectGolden("d3d7_fog_linear", frame);
}

TEST_F(Golden, VertexColouredGeometry)
{
    std::vector<uint8_t> fan;
    PutVertex(fan, -100.0f, 0.0f, 0.5f, 0xFFFFFFFFu);
    for (int i = 0; i <= 6; ++i)
    {
        const float a = float(i) * 0.5235988f;
        PutVertex(fan, -100.0f + 150.0f * std::cos(a), 150.0f * std::sin(a), 0.5f,
                  i % 2 ? 0xFFFF2020u : 0xFF2040FFu);
    }
    Mesh(Material("standard"), 6, 6, fan, 1);
    std::vector<uint8_t> lines;
    for (int i = 0; i < 8; ++i)
    {
        PutVertex(lines, 100.0f, -150.0f + float(i) * 40.0f, 0.5f, 0xFF20FF20u);
        PutVertex(lines, 280.0f, -130.0f + float(i) * 40.0f, 0.5f, 0xFFFFFF20u);
    }
    Mesh(Material("standard"), 2, 8, lines, 2);
    ExpectGolden("d3d7_vertex_geometry", Frame());
}
