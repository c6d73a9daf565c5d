// Sprites: pivot placement, containment and bounds, the camera's draw list, alpha hit tests,
// shared and owned materials, sizing from the texture, properties, and children alpha.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPixelFormat.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSprite.h"
#include "scene/RenderDoubles.h"
#include "scene/SceneTestSupport.h"

namespace
{

using namespace doubles;

class SpriteTest : public SceneTest
{
protected:
    Renderer render;
};

bool Set(ZNode* node, const char* key, const char* value)
{
    return node->SetProperty(ZNameId(key), key, value);
}

TEST_F(SpriteTest, PivotCodesPlaceTheRectangle)
{
    // 100 x 50: where the centre lies relative to the origin, and a point just inside each far
    // corner and one just outside the near edge.
    struct Case
    {
        uint32_t pivot;
        V2 centre;
    };
    const Case cases[] = {
        {PIVOT_CENTER, {0, 0}},         {PIVOT_TOPLEFT, {50, -25}},
        {PIVOT_TOPRIGHT, {-50, -25}},   {PIVOT_BOTTOMLEFT, {50, 25}},
        {PIVOT_BOTTOMRIGHT, {-50, 25}}, {PIVOT_MIDDLELEFT, {50, 0}},
        {PIVOT_MIDDLERIGHT, {-50, 0}},  {PIVOT_TOPCENTER, {0, -25}},
        {PIVOT_BOTTOMCENTER, {0, 25}},  {9, {0, 0}},
    };
    for (const Case& c : cases)
    {
        V2 offset{1.0f, 2.0f};
        GetPivotOffset(offset, {100.0f, 50.0f}, c.pivot);
        EXPECT_EQ(offset, (V2{c.centre.x + 1.0f, c.centre.y + 2.0f})) << "pivot " << c.pivot;

        ZSprite* sprite = ZSprite::Create(100.0f, 50.0f, c.pivot);
        const V2 centre = c.centre;
        EXPECT_TRUE(sprite->GetBoundsAt(centre)) << c.pivot;
        EXPECT_TRUE(sprite->GetBoundsAt({centre.x + 50.0f, centre.y + 25.0f})) << "corner, pivot " << c.pivot;
        EXPECT_TRUE(sprite->GetBoundsAt({centre.x - 50.0f, centre.y - 25.0f})) << "corner, pivot " << c.pivot;
        EXPECT_FALSE(sprite->GetBoundsAt({centre.x - 51.0f, centre.y})) << "outside, pivot " << c.pivot;
        EXPECT_FALSE(sprite->GetBoundsAt({centre.x, centre.y + 26.0f})) << "outside, pivot " << c.pivot;
        delete sprite;
    }
}

TEST_F(SpriteTest, TopLeftSpriteBoundsAndScale)
{
    ZSprite* sprite = ZSprite::Create(100.0f, 50.0f, PIVOT_TOPLEFT);
    EXPECT_TRUE(sprite->GetBoundsAt({0.0f, 0.0f}));
    EXPECT_TRUE(sprite->GetBoundsAt({100.0f, -50.0f}));
    EXPECT_FALSE(sprite->GetBoundsAt({-1.0f, 0.0f}));

    ZBoundingBox box;
    sprite->AccumulateBounds(box);
    EXPECT_EQ(box.min, (V3{0.0f, -50.0f, 0.0f}));
    EXPECT_EQ(box.max, (V3{100.0f, 0.0f, 0.0f}));

    // The scale stretches the rectangle away from the pivot.
    sprite->SetSpriteScale({2.0f, 0.5f});
    EXPECT_EQ(sprite->GetScaledSize(), (V2{200.0f, 25.0f}));
    EXPECT_TRUE(sprite->GetBoundsAt({200.0f, -25.0f}));
    EXPECT_FALSE(sprite->GetBoundsAt({100.0f, -26.0f}));
    V2 out;
    sprite->GetBoundsForSize({10.0f, 10.0f}, {1.0f, 1.0f}, out);
    EXPECT_EQ(out, (V2{11.0f, -1.5f}));
    delete sprite;
}

TEST_F(SpriteTest, JoinsTheDrawListWithMaterialAndAlpha)
{
    Material* material = render.NewMaterial("m");
    ZCamera* camera = ZCamera::Create("ui", nullptr, false, true);
    tree->AddChild(camera);

    ZSprite* shown = ZSprite::Create(20.0f, 20.0f, PIVOT_CENTER, M(material));
    shown->SetName("shown");
    shown->SetIs2D(true);
    shown->SetPositionXYZ(0.0f, 0.0f, 0.0f);
    tree->AddChild(shown);

    ZSprite* bare = ZSprite::Create(20.0f, 20.0f);
    bare->SetIs2D(true);
    tree->AddChild(bare);

    Material* clear = render.NewMaterial("clear");
    clear->opacity = 0.0f;
    ZSprite* invisible = ZSprite::Create(20.0f, 20.0f, PIVOT_CENTER, M(clear));
    invisible->SetIs2D(true);
    tree->AddChild(invisible);

    // Culled by its pivot-placed rectangle: its origin is off screen, its body reaches in.
    const float edge = float(g_renderWidth.GetValue()) * 0.5f;
    ZSprite* reaching = ZSprite::Create(100.0f, 20.0f, PIVOT_MIDDLERIGHT, M(material));
    reaching->SetName("reaching");
    reaching->SetIs2D(true);
    reaching->SetPositionXYZ(edge + 50.0f, 0.0f, 500.0f);
    tree->AddChild(reaching);
    ZSprite* outside = ZSprite::Create(100.0f, 20.0f, PIVOT_MIDDLELEFT, M(material));
    outside->SetIs2D(true);
    outside->SetPositionXYZ(edge + 50.0f, 0.0f, 0.0f);
    tree->AddChild(outside);

    ASSERT_TRUE(camera->BuildDrawList());
    ASSERT_EQ(camera->GetEntryCount(), 2u);
    EXPECT_EQ(camera->GetEntries()[0].node, shown);
    EXPECT_EQ(camera->GetEntries()[0].key, ZCamera::DepthKey(0.0f));
    EXPECT_EQ(camera->GetEntries()[1].node, reaching);
    EXPECT_EQ(camera->GetEntries()[1].key, ZCamera::DepthKey(500.0f));

    // Alpha back above 0 brings a sprite back.
    invisible->SetAlpha(0.5f);
    camera->BuildDrawList();
    EXPECT_EQ(camera->GetEntryCount(), 3u);
}

TEST_F(SpriteTest, HitTestReadsTheTexelUnderThePoint)
{
    Texture* texture = render.NewTexture(64, 32, true);
    Material* material = render.NewMaterial("m", texture);
    ZSprite* sprite = ZSprite::Create(64.0f, 32.0f, PIVOT_CENTER, M(material));

    texture->alpha = 0;
    EXPECT_FLOAT_EQ(sprite->HitTest({3.0f, -4.0f}), 0.0f);
    texture->alpha = 51;
    EXPECT_FLOAT_EQ(sprite->HitTest({3.0f, -4.0f}), 0.2f);
    // Without an alpha channel the texture answers -1: fully opaque.
    texture->alpha = -1;
    EXPECT_FLOAT_EQ(sprite->HitTest({3.0f, -4.0f}), 1.0f);
    ASSERT_EQ(texture->queries.size(), 3u);
    EXPECT_EQ(texture->queries[0], (std::pair<float, float>{3, -4}));

    // Pivot, scale and a size other than the image's map onto the same texel: the sprite's
    // top-left corner is the image's top-left corner whatever the placement.
    texture->queries.clear();
    sprite->SetPivot(PIVOT_TOPLEFT);
    sprite->SetSize(128.0f, 64.0f);
    sprite->SetSpriteScale({2.0f, 2.0f});
    texture->alpha = 255;
    EXPECT_FLOAT_EQ(sprite->HitTest({0.0f, 0.0f}), 1.0f);
    EXPECT_FLOAT_EQ(sprite->HitTest({256.0f, -128.0f}), 1.0f);
    EXPECT_FLOAT_EQ(sprite->HitTest({128.0f, -64.0f}), 1.0f);
    ASSERT_EQ(texture->queries.size(), 3u);
    EXPECT_EQ(texture->queries[0], (std::pair<float, float>{-32, 16}));
    EXPECT_EQ(texture->queries[1], (std::pair<float, float>{32, -16}));
    EXPECT_EQ(texture->queries[2], (std::pair<float, float>{0, 0}));

    // WorldToLocal2D: true where the pixel is not fully opaque.
    sprite->SetPositionXYZ(1000.0f, 0.0f, 0.0f);
    texture->alpha = 10;
    EXPECT_TRUE(sprite->WorldToLocal2D({1001.0f, -1.0f}));
    texture->alpha = 255;
    EXPECT_FALSE(sprite->WorldToLocal2D({1001.0f, -1.0f}));
    delete sprite;
}

TEST_F(SpriteTest, HitTestIsOpaqueWithoutAPixelCopy)
{
    ZSprite* bare = ZSprite::Create(10.0f, 10.0f);
    EXPECT_FLOAT_EQ(bare->HitTest({0.0f, 0.0f}), 1.0f);
    EXPECT_FALSE(bare->WorldToLocal2D({0.0f, 0.0f}));

    Texture* texture = render.NewTexture(8, 8, false);
    texture->alpha = 0;
    ZSprite* plain = ZSprite::Create(10.0f, 10.0f, PIVOT_CENTER, M(render.NewMaterial("m", texture)));
    EXPECT_FLOAT_EQ(plain->HitTest({0.0f, 0.0f}), 1.0f);
    EXPECT_TRUE(texture->queries.empty());
    delete bare;
    delete plain;
}

TEST_F(SpriteTest, SharedAndOwnedMaterials)
{
    Material* shared = render.NewMaterial("shared");
    ZSprite* a = ZSprite::Create(10.0f, 10.0f, PIVOT_CENTER, M(shared));
    EXPECT_EQ(shared->refs, 1);

    // A copy of a sharing sprite shares too: alpha on either changes both.
    auto* b = static_cast<ZSprite*>(a->Clone());
    EXPECT_EQ(b->GetMaterial(), M(shared));
    EXPECT_EQ(shared->refs, 2);
    b->SetAlpha(0.25f);
    EXPECT_FLOAT_EQ(a->GetAlpha(), 0.25f);

    // Owning: a pool copy replaces the shared reference.
    a->MakeOwnMaterial();
    EXPECT_TRUE(a->OwnsMaterial());
    Material* own = M(a->GetMaterial());
    EXPECT_NE(own, shared);
    EXPECT_EQ(own->clonedFrom, "shared");
    EXPECT_EQ(own->refs, 1);
    EXPECT_EQ(shared->refs, 1);
    a->SetAlpha(1.0f);
    EXPECT_FLOAT_EQ(b->GetAlpha(), 0.25f);

    // Setting a material on an owning sprite copies it into the sprite's own object.
    Material* other = render.NewMaterial("other");
    a->SetMaterial(M(other));
    EXPECT_EQ(a->GetMaterial(), M(own));
    EXPECT_EQ(own->clonedFrom, "other");
    EXPECT_EQ(other->refs, 0);

    // Copying an owning sprite gives the copy its own material.
    auto* c = static_cast<ZSprite*>(a->Clone());
    EXPECT_TRUE(c->OwnsMaterial());
    EXPECT_NE(c->GetMaterial(), a->GetMaterial());
    EXPECT_NE(c->GetMaterial(), M(other));

    // Clearing gives the reference back; destruction gives back what is left.
    a->SetMaterial(nullptr);
    EXPECT_EQ(own->refs, 0);
    EXPECT_EQ(a->GetMaterial(), nullptr);
    Material* copyOwn = M(c->GetMaterial());
    delete a;
    delete b;
    delete c;
    EXPECT_EQ(shared->refs, 0);
    EXPECT_EQ(copyOwn->refs, 0);
}

TEST_F(SpriteTest, AZeroWidthSpriteTakesItsTextureSizeAtPhaseOne)
{
    Texture* texture = render.NewTexture(64, 32);
    Material* material = render.NewMaterial("m", texture);
    ZSprite* zero = ZSprite::Create(0.0f, 0.0f, PIVOT_CENTER, M(material));
    ZSprite* one = ZSprite::Create(1.0f, 5.0f, PIVOT_CENTER, M(material));
    ZSprite* bare = ZSprite::Create(0.0f, 5.0f);
    tree->AddChild(zero);
    tree->AddChild(one);
    tree->AddChild(bare);
    tree->EnterPhase1();
    EXPECT_EQ(zero->GetSize(), (V2{64.0f, 32.0f}));
    EXPECT_EQ(one->GetSize(), (V2{1.0f, 5.0f}));
    EXPECT_EQ(bare->GetSize(), (V2{0.0f, 5.0f}));
}

TEST_F(SpriteTest, Properties)
{
    Texture* base = render.NewTexture(16, 16);
    render.NewMaterial("known", base);
    ZSprite* sprite = ZSprite::Create(1.0f, 1.0f);

    EXPECT_TRUE(Set(sprite, "side", "10"));
    EXPECT_EQ(sprite->GetSize(), (V2{10.0f, 10.0f}));
    EXPECT_TRUE(Set(sprite, "width", "4"));
    EXPECT_EQ(sprite->GetSize(), (V2{4.0f, 10.0f}));
    EXPECT_TRUE(Set(sprite, "height", "PI"));
    EXPECT_FLOAT_EQ(sprite->GetSize().y, 3.1415927f);
    EXPECT_TRUE(Set(sprite, "pivot", "BottomRight"));
    EXPECT_EQ(sprite->GetPivot(), uint32_t(PIVOT_BOTTOMRIGHT));

    // Material keys need a material.
    EXPECT_FALSE(Set(sprite, "blendadd", "true"));
    EXPECT_TRUE(Set(sprite, "material", "unknown"));
    EXPECT_EQ(sprite->GetMaterial(), nullptr);
    EXPECT_TRUE(Set(sprite, "material", "known"));
    ASSERT_NE(sprite->GetMaterial(), nullptr);
    EXPECT_TRUE(Set(sprite, "filter", "1"));
    EXPECT_EQ(M(sprite->GetMaterial())->properties, std::vector<std::string>{"filter=1"});
    EXPECT_TRUE(Set(sprite, "alpha", "0.5"));
    EXPECT_FLOAT_EQ(sprite->GetAlpha(), 0.5f);

    // The alpha texture waits for the end of the element, then joins the base texture.
    EXPECT_TRUE(Set(sprite, "alphatexture", "mask.png"));
    EXPECT_STREQ(sprite->GetPendingAlphaTexture(), "mask.png");
    EXPECT_EQ(base->alphaTexture, nullptr);
    sprite->OnLoaded();
    ASSERT_NE(base->alphaTexture, nullptr);
    EXPECT_EQ(base->alphaTexture->path, "mask.png");
    EXPECT_TRUE(base->alphaTexture->managed);
    EXPECT_EQ(sprite->GetPendingAlphaTexture(), nullptr);

    EXPECT_TRUE(Set(sprite, "name", "named"));
    EXPECT_STREQ(sprite->GetName(), "named");
    delete sprite;
    ZStringTable::DestroyInstance();
}

TEST_F(SpriteTest, ChildrenAlphaReachesVisibleSpritesAndTextsOnly)
{
    Material* mRoot = render.NewMaterial("root");
    Material* mShown = render.NewMaterial("shown");
    Material* mDeep = render.NewMaterial("deep");
    Material* mHidden = render.NewMaterial("hidden");
    Material* mUnderHidden = render.NewMaterial("under-hidden");

    ZSprite* root = ZSprite::Create(1, 1, PIVOT_CENTER, M(mRoot));
    ZSprite* shown = ZSprite::Create(1, 1, PIVOT_CENTER, M(mShown));
    ZGroup* group = ZGroup::Create();
    ZSprite* deep = ZSprite::Create(1, 1, PIVOT_CENTER, M(mDeep));
    ZSprite* hidden = ZSprite::Create(1, 1, PIVOT_CENTER, M(mHidden));
    ZSprite* underHidden = ZSprite::Create(1, 1, PIVOT_CENTER, M(mUnderHidden));
    ZFontText* text = ZFontText::Create(nullptr);
    ZFontText* inactiveText = ZFontText::Create(nullptr);
    root->AddChild(shown);
    root->AddChild(group);
    group->AddChild(deep);
    group->AddChild(text);
    root->AddChild(hidden);
    hidden->AddChild(underHidden);
    hidden->SetHidden(true);
    root->AddChild(inactiveText);
    inactiveText->SetActive(false);

    SetChildrenAlpha(root, 0.25f);
    EXPECT_FLOAT_EQ(mRoot->opacity, 1.0f);
    EXPECT_FLOAT_EQ(mShown->opacity, 0.25f);
    EXPECT_FLOAT_EQ(mDeep->opacity, 0.25f);
    EXPECT_FLOAT_EQ(text->GetAlpha(), 0.25f);
    EXPECT_FLOAT_EQ(mHidden->opacity, 1.0f);
    EXPECT_FLOAT_EQ(mUnderHidden->opacity, 1.0f);
    EXPECT_FLOAT_EQ(inactiveText->GetAlpha(), 1.0f);
    delete root;
}

} // namespace

namespace
{

// The renderer's own materials and textures behind the sprite.
class SpriteRendererTest : public SceneTest
{
protected:
    void TearDown() override
    {
        for (ZMaterial* material : taken)
            material->ReturnToPool();
        SceneTest::TearDown();
    }
    ZMaterial* Take()
    {
        ZMaterial* material = ZMaterial::Allocate();
        if (material)
            taken.push_back(material);
        return material;
    }
    std::vector<ZMaterial*> taken;
};

TEST_F(SpriteRendererTest, AlphaHitsAndSizeComeFromTheRealMaterialAndTexture)
{
    // 4 x 2 RGBA pixels, fully opaque except the top-left pixel (transparent) and the one right of
    // the centre on the bottom row (half alpha).
    auto* pixels = static_cast<uint8_t*>(std::calloc(4 * 2 * 4, 1));
    for (int i = 0; i < 8; ++i)
        pixels[i * 4 + 3] = 255;
    pixels[0 * 4 + 3] = 0;
    pixels[(4 + 2) * 4 + 3] = 128;
    auto* texture = new ZTexture();
    texture->SetName("sprite_test_pixels");
    texture->StoreImage(pixels, kPixelRGBA, 4, 2, 4, 2, false);
    texture->AddTextureFlags(kTexturePixels);
    ZMaterial* material = Take();
    ASSERT_NE(material, nullptr);
    material->SetTexture(0, texture, false);
    material->SetOpacity(1.0f);

    ZSprite* sprite = ZSprite::Create(0.0f, 0.0f, PIVOT_TOPLEFT, material);
    sprite->EnterPhase1();
    EXPECT_EQ(sprite->GetSize(), (V2{4.0f, 2.0f}));

    EXPECT_FLOAT_EQ(sprite->HitTest({0.5f, -0.5f}), 0.0f);
    EXPECT_FLOAT_EQ(sprite->HitTest({1.5f, -0.5f}), 1.0f);
    // Either side of the centre on the bottom row, each point reads its own pixel; cutting the texel
    // position to an integer would put the left one on its right neighbour.
    EXPECT_FLOAT_EQ(sprite->HitTest({2.5f, -1.5f}), 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(sprite->HitTest({1.9f, -1.5f}), 1.0f);
    EXPECT_TRUE(sprite->WorldToLocal2D({0.5f, -0.5f}));
    EXPECT_FALSE(sprite->WorldToLocal2D({3.5f, -0.5f}));

    sprite->SetAlpha(0.25f);
    EXPECT_FLOAT_EQ(material->GetOpacity(), 0.25f);
    sprite->SetAlpha(3.0f);
    EXPECT_FLOAT_EQ(sprite->GetAlpha(), 1.0f);
    delete sprite;
}

} // namespace

namespace
{

using SceneElementTest = SceneTest;

TEST_F(SceneElementTest, SpriteAndTextElementsMakeTheirNodes)
{
    doubles::Renderer render;
    render.NewMaterial("known", render.NewTexture(8, 8));
    struct Case
    {
        const char* element;
        const ZTypeRecord* type;
    };
    const Case cases[] = {{"sprite", &ZSprite::kTypeRecord}, {"fonttext", &ZFontText::kTypeRecord}};
    for (const Case& c : cases)
    {
        ZSerializerBase* serializer = ZSerializerBase::FindByName(c.element);
        ASSERT_NE(serializer, nullptr) << c.element;
        ZSerializerState* state = serializer->CreateNew();
        ASSERT_NE(state, nullptr);
        auto* node = static_cast<ZNode*>(static_cast<ZEntity*>(state->object));
        EXPECT_TRUE(node->IsA(*c.type)) << c.element;
        EXPECT_TRUE(serializer->SetAttribute(state, ZNameId("pivot"), "pivot", "BottomCenter"));
        serializer->Finish(state);
        delete node;
        state->object = nullptr;
        ZSerializerState::Release(state);
    }

    // A sprite element's alpha texture joins its material's texture when the element ends.
    ZSerializerBase* serializer = ZSerializerBase::FindByName("sprite");
    ZSerializerState* state = serializer->CreateNew();
    auto* sprite = static_cast<ZSprite*>(static_cast<ZEntity*>(state->object));
    serializer->SetAttribute(state, ZNameId("material"), "material", "known");
    serializer->SetAttribute(state, ZNameId("alphatexture"), "alphatexture", "mask.png");
    serializer->Finish(state);
    ASSERT_NE(doubles::M(sprite->GetMaterial())->texture->alphaTexture, nullptr);
    delete sprite;
    state->object = nullptr;
    ZSerializerState::Release(state);
    ZStringTable::DestroyInstance();
}

} // namespace
