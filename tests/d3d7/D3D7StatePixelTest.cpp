// What each material switch does to a pixel, through both fixed-function codes: a quad of one
// texel colour T (alpha a) drawn with the switch over a background B, and the pixel compared with
// the blend the switch stands for.
#include <algorithm>
#include <functional>

#include "D3D7SceneSupport.h"

using namespace d3d7test;
using namespace soft7;

namespace
{
struct Rgb
{
    int r, g, b;
};

const Rgb kBack{63, 127, 191}; // (0.25, 0.5, 0.75) packed by truncation
const Rgb kTexel{200, 100, 50};

int Clamp(int v)
{
    return std::clamp(v, 0, 255);
}

Rgb Mix(const Rgb& s, int sa, const Rgb& d, int da)
{
    // Channels weighted by 0..255 factors.
    return {Clamp((s.r * sa + d.r * da) / 255), Clamp((s.g * sa + d.g * da) / 255),
            Clamp((s.b * sa + d.b * da) / 255)};
}

Rgb Product(const Rgb& a, const Rgb& b)
{
    return {a.r * b.r / 255, a.g * b.g / 255, a.b * b.b / 255};
}

Rgb Sum(const Rgb& a, const Rgb& b)
{
    return {Clamp(a.r + b.r), Clamp(a.g + b.g), Clamp(a.b + b.b)};
}

struct Case
{
    const char* name;
    int alpha;                                     // the texel's alpha
    std::vector<std::pair<int, uint8_t>> switches; // material switches set on top of the shader's
    std::function<Rgb(const Rgb& src, int a)> expected;
};

const Rgb kFactorAdd{51, 51, 51}; // colour (0.2, 0.2, 0.2) for the add-factor case

std::vector<Case> Cases()
{
    const auto over = [](const Rgb& s, int a) { return Mix(s, a, kBack, 255 - a); };
    return {
        {"alpha blend", 128, {}, over},
        {"no blend still blends", 128, {{6, 1}}, over},
        {"additive", 128, {{12, 1}}, [](const Rgb& s, int a) { return Mix(s, a, kBack, 255); }},
        {"additive wins over multiply",
         128,
         {{12, 1}, {13, 1}},
         [](const Rgb& s, int a) { return Mix(s, a, kBack, 255); }},
        {"colour blend",
         255,
         {{7, 1}},
         [](const Rgb& s, int) { return Sum(Product(s, s), Product(kBack, kBack)); }},
        {"no colour", 255, {{8, 1}}, [](const Rgb&, int) { return kBack; }},
        {"multiply", 255, {{13, 1}}, [](const Rgb& s, int) { return Product(kBack, s); }},
        {"colour blend at alpha 0",
         0,
         {{7, 1}},
         [](const Rgb& s, int) { return Sum(Product(s, s), Product(kBack, kBack)); }},
        {"alpha test drops alpha 0", 0, {{7, 1}, {3, 1}}, [](const Rgb&, int) { return kBack; }},
        {"stencil test against a clear stencil", 255, {{9, 1}}, [](const Rgb&, int) { return kBack; }},
        {"stencil write draws no colour",
         255,
         {{9, 1}, {10, 1}, {8, 1}, {3, 0}},
         [](const Rgb&, int) { return kBack; }},
    };
}

class D3D7StatePixels : public SceneTest
{
protected:
    // Draws the case's quad over the background and returns the centre pixel.
    Rgb Draw(const Case& c, bool sprite)
    {
        ZTexture* texel = Texture(1, 1,
                                  [&](int, int)
                                  {
                                      return uint32_t(c.alpha) << 24 | uint32_t(kTexel.r) << 16 |
                                             uint32_t(kTexel.g) << 8 | uint32_t(kTexel.b);
                                  });
        ZMaterial* material = Material(sprite ? "sprite" : "standard", texel);
        for (const auto& [index, value] : c.switches)
            material->SetSwitch(index, value);
        if (sprite)
        {
            ZMaterial* back = Material("sprite");
            back->SetColor(0, V4{0.25f, 0.5f, 0.75f, 1.0f});
            Sprite(back, 0.0f, 0.0f, 10.0f, 200.0f, 200.0f);
            Sprite(material, 0.0f, 0.0f, 5.0f, 100.0f, 100.0f);
        }
        else
        {
            // The 2D bucket is drawn last key first: the background takes the larger key.
            Mesh(Material("standard"), 5, 2, Quad(100.0f, 0.5f, 0xFF3F7FBFu), 2);
            Mesh(material, 5, 2, Quad(50.0f, 0.5f, 0xFFFFFFFFu), 1);
        }
        const std::vector<uint32_t> frame = Frame();
        const uint32_t p = PixelAt(frame, width / 2, height / 2);
        return {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
    }

    static std::vector<uint8_t> Quad(float half, float z, uint32_t argb)
    {
        std::vector<uint8_t> out;
        PutVertex(out, -half, -half, z, argb, 0.0f, 1.0f);
        PutVertex(out, -half, half, z, argb, 0.0f, 0.0f);
        PutVertex(out, half, -half, z, argb, 1.0f, 1.0f);
        PutVertex(out, half, half, z, argb, 1.0f, 0.0f);
        return out;
    }

    void Check(const Case& c, bool sprite)
    {
        const Rgb got = Draw(c, sprite);
        const Rgb want = c.expected(kTexel, c.alpha);
        const auto near = [](int a, int b) { return std::abs(a - b) <= 2; };
        EXPECT_TRUE(near(got.r, want.r) && near(got.g, want.g) && near(got.b, want.b))
            << (sprite ? "sprite_ffp " : "standard_ffp ") << c.name << ": got " << got.r << "," << got.g
            << "," << got.b << " want " << want.r << "," << want.g << "," << want.b;
    }
};
} // namespace

TEST_F(D3D7StatePixels, EachSwitchThroughTheSpriteCode)
{
    for (const Case& c : Cases())
    {
        Check(c, true);
        // Each case draws on a scene of its own.
        TearDown();
        materials.clear(), textures.clear(), parts.clear();
        SetUp();
    }
}

TEST_F(D3D7StatePixels, EachSwitchThroughTheStandardCode)
{
    for (const Case& c : Cases())
    {
        Check(c, false);
        TearDown();
        materials.clear(), textures.clear(), parts.clear();
        SetUp();
    }
}

// The texture factor is the material colour with the record's alpha; packing truncates.
TEST_F(D3D7StatePixels, SpriteFactorTakesTheRecordAlphaAndTruncates)
{
    ZMaterial* material = Material("sprite");
    material->SetColor(0, V4{1.0f, 0.5f, 0.25f, 0.5f});
    EXPECT_EQ(ZRenderD3D7ShaderFFPSprite::TextureFactor(material, 0.5f), 0x3FFF7F3Fu);
    EXPECT_EQ(ZRenderD3D7ShaderFFPSprite::TextureFactor(material, 1.0f), 0x7FFF7F3Fu);
}

// Add factor: texture plus the material colour; modulate factor: texture times it. The texture
// modulate switch that the sprite shader sets is turned off for the add case (it would win).
TEST_F(D3D7StatePixels, FactorOperations)
{
    ZTexture* texel = Texture(1, 1, [](int, int) { return 0xFFC86432u; });
    ZMaterial* add = Material("sprite", texel);
    add->SetSwitch(18, 0);
    add->SetSwitch(17, 1);
    add->SetColor(0, V4{0.2f, 0.2f, 0.2f, 1.0f});
    ZMaterial* modulate = Material("sprite", texel);
    modulate->SetColor(0, V4{0.5f, 1.0f, 1.0f, 1.0f});
    Sprite(add, -100.0f, 0.0f, 5.0f, 50.0f, 50.0f);
    Sprite(modulate, 100.0f, 0.0f, 5.0f, 50.0f, 50.0f);
    const std::vector<uint32_t> frame = Frame();
    EXPECT_EQ(PixelAt(frame, 220, 240), 0xFB9765u);
    const uint32_t m = PixelAt(frame, 420, 240);
    EXPECT_NEAR(int(m >> 16), 200 * 127 / 255, 1);
    EXPECT_EQ(m & 0xFFFF, 0x6432u);
}

// Flags that the material gives through its textures, and those that stay with it across uses.
TEST_F(D3D7StatePixels, MaterialFlagsFollowSwitchesAndTextures)
{
    ZTexture* texel = Texture(1, 1, [](int, int) { return 0xFFFFFFFFu; });
    ZMaterial* material = Material("sprite", texel);
    auto* state = dynamic_cast<ZRenderD3D7State*>(material->GetRenderState());
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->GetFlags(), kStateModulateFactor | kStateNoCull | kStateStage0Textured);
    EXPECT_EQ(state->GetId(), state->GetFlags());
    Property(material, "drawstencil", "1");
    EXPECT_EQ(state->GetFlags() & (kStateStencilTest | kStateStencilWrite | kStateNoColor | kStateAlphaTest),
              kStateStencilTest | kStateStencilWrite | kStateNoColor);
    material->SetTexture(0, nullptr, false);
    EXPECT_EQ(state->GetFlags() & kStateStage0Textured, 0u);
    // Back in the pool and handed out again: nothing of the stencil use is left.
    material->ReturnToPool();
    materials.pop_back();
    ZMaterial* again = Material("sprite");
    ASSERT_EQ(again, material);
    state = dynamic_cast<ZRenderD3D7State*>(again->GetRenderState());
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->GetFlags(), kStateModulateFactor | kStateNoCull);
    // An atlas page gives stage 0 a texture transform.
    ZTexture* packed = Texture(
        4, 4, [](int, int) { return 0xFFFFFFFFu; }, true);
    again->SetTexture(0, packed, false);
    EXPECT_NE(state->GetFlags() & kStateTexTransform, 0u);
}
