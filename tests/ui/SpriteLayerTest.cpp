// 2D sprites (size model, texture mapping, materials, scene-file keys), the layer table on a game
// engine with its screen view and cameras, the fader drawn through the screen host, the screen
// sprite operations and the game sprite's timed fade.
#include <cstdlib>
#include <cstring>

#include "engine/app/ZFader.h"
#include "engine/app/ZScreenHost.h"
#include "engine/controllers/ZHaloController.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/ZView.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/ui/ZGameSprite.h"
#include "tests/support/UiTestSupport.h"

namespace
{
class SpriteLayerTest : public uitest::UiTest
{
protected:
    void TearDown() override
    {
        ZFader::DestroyInstance();
        UiTest::TearDown();
    }

    // A loaded texture whose image (w x h) lies in an allocation of tw x th.
    static ZTexture* Texture(const char* name, int w, int h, int tw, int th, bool loaded = true)
    {
        auto* texture = new ZTexture();
        texture->SetName(name);
        texture->StoreImage(static_cast<uint8_t*>(std::calloc(size_t(tw) * size_t(th) * 4, 1)), kPixelRGBA, w,
                            h, tw, th, false);
        if (loaded)
            texture->SetFlags(kResourceLoaded);
        return texture;
    }

    static bool Set(ZNode* node, const char* key, const char* value)
    {
        return node->SetProperty(ZNameId(key).Value(), key, value);
    }

    static bool Drawn(const char* name)
    {
        for (const std::string& entry : test::Log())
        {
            if (entry == std::string("draw ") + name)
                return true;
        }
        return false;
    }

    static bool InView(ZView* view, ZCamera* camera)
    {
        for (ZCamera* c : view->GetCameras())
        {
            if (c == camera)
                return true;
        }
        return false;
    }

    ZLayer2DManager* Layers()
    {
        EXPECT_EQ(engine->CreateLayers(), 0);
        return ZLayer2DManager::GetInstance();
    }
};

class Visitor : public ISaveVisitor
{
public:
    void Attribute(const char* name, const char* value) override
    {
        attributes.push_back(std::string(name) + "=" + value);
    }
    void BeginElement(const char*, const char*) override {}
    void CloseStartTag() override {}
    void EndElement(const char*, const char*) override {}
    std::vector<std::string> attributes;
};
} // namespace

TEST_F(SpriteLayerTest, ASpriteWithActualSizeShowsOnlyTheImagePartOfAPaddedTexture)
{
    ZTexture* texture = Texture("pad", 100, 60, 128, 64);
    ZSprite2D* sprite = ZSprite2D::CreateFromTexture(texture);
    ZSceneTree::GetInstance()->AddChild(sprite);
    EXPECT_TRUE(sprite->TestFlags(kNode2D));
    EXPECT_TRUE(sprite->TestFlags(kNodeSnapToPixels));
    EXPECT_EQ(sprite->GetSize(), (V2{100.0f, 60.0f}));
    ZMaterial* material = sprite->GetMaterial();
    ASSERT_NE(material, nullptr);
    EXPECT_STREQ(material->GetName(), "sprite2d=pad");
    EXPECT_TRUE(sprite->OwnsMaterial());
    EXPECT_EQ(material->GetTexture(0), texture);
    EXPECT_EQ(material->GetSwitch(ZMaterial::kSwitchTextureTransform), 1);
    EXPECT_FLOAT_EQ(material->GetTextureMatrix(0).m[0][0], 100.0f / 128.0f);
    EXPECT_FLOAT_EQ(material->GetTextureMatrix(0).m[1][1], 60.0f / 64.0f);

    // Any size model but "actual" stretches the texture over the quad, and the size stays.
    EXPECT_TRUE(Set(sprite, "sizemodel", "stretch"));
    EXPECT_FALSE(sprite->IsSizeModelActual());
    EXPECT_EQ(material->GetSwitch(ZMaterial::kSwitchTextureTransform), 0);
    EXPECT_TRUE(material->GetTextureMatrix(0).IsIdentity());
    Set(sprite, "width", "300");
    sprite->AttachTexture(texture);
    EXPECT_FLOAT_EQ(sprite->GetSize().x, 300.0f);

    EXPECT_TRUE(Set(sprite, "sizemodel", "actual"));
    EXPECT_EQ(material->GetSwitch(ZMaterial::kSwitchTextureTransform), 1);

    // An unpadded texture needs no transform.
    ZTexture* plain = Texture("plain", 64, 32, 64, 32);
    sprite->SetTexture(plain);
    EXPECT_EQ(sprite->GetSize(), (V2{64.0f, 32.0f}));
    EXPECT_EQ(material->GetSwitch(ZMaterial::kSwitchTextureTransform), 0);

    // "noatlas" marks the material's texture.
    EXPECT_TRUE(Set(sprite, "noatlas", "true"));
    EXPECT_TRUE(plain->GetTextureFlags() & kTextureNoAtlas);
}

TEST_F(SpriteLayerTest, ATextureThatLoadsLaterSizesTheSpriteWhenItArrives)
{
    ZTexture* texture = Texture("late", 40, 20, 64, 32, false);
    ZSprite2D* sprite = ZSprite2D::CreateFromTexture(texture);
    ZSceneTree::GetInstance()->AddChild(sprite);
    EXPECT_EQ(sprite->GetSize(), (V2{100.0f, 100.0f}));
    EXPECT_EQ(sprite->GetTexture(), texture);

    // Another texture's event only refreshes the mapping.
    ZTexture* other = Texture("other", 8, 8, 8, 8);
    sprite->OnResourceLoaded(other);
    EXPECT_EQ(sprite->GetSize(), (V2{100.0f, 100.0f}));

    texture->SetFlags(kResourceLoaded);
    texture->FireLoaded();
    EXPECT_EQ(sprite->GetSize(), (V2{40.0f, 20.0f}));
    EXPECT_EQ(sprite->GetMaterial()->GetSwitch(ZMaterial::kSwitchTextureTransform), 1);

    // A sprite gone before its texture leaves no listener behind.
    sprite->Release();
    Frame();
    texture->FireLoaded();
}

TEST_F(SpriteLayerTest, ALayoutsSizeStaysWhetherItsPictureHadLoadedOrLoadsLater)
{
    // A layout names the picture, then gives a width (and here no height): the sprite must come
    // out the same whether the loader had finished the picture or finishes it afterwards.
    ZTexture* early = Texture("early", 40, 20, 64, 32);
    ZTexture* late = Texture("late", 40, 20, 64, 32, false);
    ZSprite2D* sprites[2] = {ZSprite2D::Create(), ZSprite2D::Create()};
    ZTexture* textures[2] = {early, late};
    for (int i = 0; i < 2; ++i)
    {
        ZSceneTree::GetInstance()->AddChild(sprites[i]);
        sprites[i]->SetTexture(textures[i]);
        EXPECT_TRUE(Set(sprites[i], "width", "120"));
    }
    late->SetFlags(kResourceLoaded);
    late->FireLoaded();
    for (ZSprite2D* sprite : sprites)
    {
        EXPECT_EQ(sprite->GetSize(), (V2{120.0f, 20.0f}));
        EXPECT_EQ(sprite->GetMaterial()->GetSwitch(ZMaterial::kSwitchTextureTransform), 1);
    }

    // Naming another picture gives the size back to the picture.
    ZTexture* other = Texture("other", 8, 6, 8, 6);
    sprites[1]->SetTexture(other);
    EXPECT_EQ(sprites[1]->GetSize(), (V2{8.0f, 6.0f}));
    // A copy of a sized sprite keeps the layout's size.
    ZSprite2D* copy = ZSprite2D::Create();
    copy->CopyFrom(sprites[0]);
    EXPECT_EQ(copy->GetSize(), (V2{120.0f, 20.0f}));
    copy->Release();
}

TEST_F(SpriteLayerTest, MaterialsAreNamedAfterTheirTexturesAndNeedTheSpriteShader)
{
    ZSprite2D* plain = ZSprite2D::Create();
    ZSceneTree::GetInstance()->AddChild(plain);
    ASSERT_NE(plain->GetMaterial(), nullptr);
    EXPECT_STREQ(plain->GetMaterial()->GetName(), "sprite2d_material");
    EXPECT_STREQ(plain->GetMaterial()->GetShader()->GetName(), "sprite");
    EXPECT_TRUE(plain->GetMaterial()->TestFlags(kResourceManaged));
    EXPECT_FLOAT_EQ(plain->GetAlpha(), 1.0f);

    plain->SetTextureMaterial("resources:tile.png");
    EXPECT_STREQ(plain->GetMaterial()->GetName(), "sprite2d=resources:tile.png");
    plain->SetTextureMaterial(nullptr);
    EXPECT_STREQ(plain->GetMaterial()->GetName(), "sprite2d_material");

    ZMaterial* given =
        ZMaterial::CreateForShader("given", ZShaderLibrary::GetInstance()->FindShader("sprite"));
    ZSprite2D* owner = ZSprite2D::CreateWithMaterial(given);
    ZSceneTree::GetInstance()->AddChild(owner);
    EXPECT_EQ(owner->GetMaterial(), given);
    EXPECT_TRUE(owner->OwnsMaterial());

    // A copy keeps the size model and gets a material of its own.
    owner->SetSizeModelActual(false);
    auto* copy = static_cast<ZSprite2D*>(owner->Clone());
    ZSceneTree::GetInstance()->AddChild(copy);
    EXPECT_TRUE(copy->IsA<ZSprite2D>());
    EXPECT_FALSE(copy->IsSizeModelActual());
    EXPECT_NE(copy->GetMaterial(), given);
    EXPECT_TRUE(copy->OwnsMaterial());

    // Without the shader a sprite gets no material.
    delete ZShaderLibrary::GetInstance();
    new ZShaderLibrary();
    ZSprite2D* bare = ZSprite2D::Create();
    ZSceneTree::GetInstance()->AddChild(bare);
    EXPECT_EQ(bare->GetMaterial(), nullptr);
}

TEST_F(SpriteLayerTest, SceneFilesMakeSprite2DElementsAndSavingMarksNonFlatOnes)
{
    ZSerializerBase* serializer = ZSerializerBase::FindByName("sprite2d");
    ASSERT_NE(serializer, nullptr);
    ASSERT_NE(ZSerializerBase::FindByName("gamesprite"), nullptr);
    ZSerializerState* state = serializer->CreateNew();
    auto* sprite = ZEntityCast<ZSprite2D>(state->Entity());
    ASSERT_NE(sprite, nullptr);
    ZSceneTree::GetInstance()->AddChild(sprite);
    EXPECT_EQ(sprite->GetSerializer(), serializer);
    EXPECT_NE(sprite->GetMaterial(), nullptr);
    ZSerializerState::Release(state);

    Visitor flat;
    sprite->SaveAttributes(&flat);
    EXPECT_TRUE(flat.attributes.empty() || flat.attributes.front() != "is2d=false");
    EXPECT_TRUE(Set(sprite, "is2d", "false"));
    Visitor raised;
    sprite->SetName("raised");
    sprite->SaveAttributes(&raised);
    ASSERT_FALSE(raised.attributes.empty());
    EXPECT_EQ(raised.attributes.front(), "is2d=false");
    EXPECT_EQ(raised.attributes[1], "name=raised");
}

TEST_F(SpriteLayerTest, CreateLayersGivesTheEngineItsLayerTableInTheScreenView)
{
    ZLayer2DManager* layers = Layers();
    ASSERT_NE(layers, nullptr);
    ASSERT_EQ(layers->GetLayerCount(), 2u);
    ZLayer2D* first = layers->GetLayer(0);
    EXPECT_EQ(first->name, "default");
    EXPECT_EQ(layers->GetDefaultLayer(), first);
    ZLayer2D* second = layers->GetLayer(1);
    EXPECT_EQ(second->name, ZGameEngine::kSecondLayerName);
    EXPECT_EQ(layers->GetCurrentLayer(), second);
    EXPECT_FLOAT_EQ(second->camera->GetPriority(), 200.0f);
    EXPECT_STREQ(first->camera->GetName(), "screen2d_camera_default");
    EXPECT_FLOAT_EQ(first->camera->GetPriority(), 100.0f);
    EXPECT_TRUE(first->camera->TestFlags(kNode2D));
    EXPECT_EQ(first->camera->GetRoot(), first->group);
    EXPECT_TRUE(first->group->IsHidden());
    EXPECT_EQ(first->group->GetParent(), ZSceneTree::GetInstance());
    EXPECT_EQ(layers->GetWidth(), 800);
    EXPECT_EQ(layers->GetHeight(), 600);
    ZView* view = layers->GetScreenView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(render->GetView(0), view);
    EXPECT_TRUE(InView(view, first->camera));
    ZGroup* item = ZGroup::CreateNamed("item");
    first->AddChild(item);
    EXPECT_EQ(item->GetParent(), first->group);

    EXPECT_FLOAT_EQ(layers->AddLayer("popup")->camera->GetPriority(), 300.0f);
    EXPECT_FLOAT_EQ(layers->AddLayer("tips", 950.0f)->camera->GetPriority(), 950.0f);
    EXPECT_EQ(layers->GetCurrentLayer()->name, "tips");
    EXPECT_EQ(layers->GetDefaultLayer(), first);
    for (int i = 4; i < 8; ++i)
        EXPECT_NE(layers->AddLayer("more"), nullptr);
    EXPECT_EQ(layers->AddLayer("ninth"), nullptr);
    EXPECT_EQ(layers->GetLayerCount(), 8u);

    ZCamera* tipCamera = layers->CreateToolTipCamera();
    ASSERT_NE(tipCamera, nullptr);
    EXPECT_STREQ(tipCamera->GetName(), "tooltip_cam");
    EXPECT_TRUE(InView(view, tipCamera));
    delete tipCamera;

    // The screen edges from the view's extent.
    EXPECT_FLOAT_EQ(HalfHeightMinus2D(100.0f), 200.0f);
    EXPECT_FLOAT_EQ(HeightMinusHalfHeight2D(), 300.0f);
    EXPECT_FLOAT_EQ(HalfWidthMinus2D(50.0f), 350.0f);
    EXPECT_FLOAT_EQ(MinusHalfWidth2D(50.0f), -350.0f);

    // Game states get 2D cameras in the screen view through the host.
    ZCamera* stateCamera = GetScreenHost()->CreateScreenCamera();
    ASSERT_NE(stateCamera, nullptr);
    EXPECT_TRUE(stateCamera->TestFlags(kNode2D));
    EXPECT_TRUE(stateCamera->GetOptions() & kCameraOrthographic);
    GetScreenHost()->AddToScreenView(stateCamera);
    EXPECT_TRUE(InView(view, stateCamera));
    delete stateCamera;

    // The effects get their sprites from the 2D widget while the layers exist.
    ZTexture* texture = Texture("halo", 30, 30, 32, 32);
    ZSprite* halo = g_makeHaloSprite(texture);
    ZSceneTree::GetInstance()->AddChild(halo);
    EXPECT_TRUE(halo->IsA<ZSprite2D>());
    EXPECT_EQ(halo->GetSize(), (V2{30.0f, 30.0f}));

    // The engine takes its layers along when it goes, and the plain host returns.
    delete engine;
    engine = nullptr;
    EXPECT_EQ(ZLayer2DManager::GetInstance(), nullptr);
    EXPECT_EQ(GetScreenHost()->CreateFadeSprite(800.0f, 600.0f), nullptr);
    ZSprite* plainHalo = g_makeHaloSprite(nullptr);
    EXPECT_FALSE(plainHalo->IsA<ZSprite2D>());
    delete plainHalo;
}

TEST_F(SpriteLayerTest, PointerSpritesLiveInTheirOwnGroupAndCamera)
{
    ZLayer2DManager* layers = Layers();
    ZMousePointer* pointer = ZMousePointer::GetInstance();
    pointer->CreatePointerSprites("resources:pointer.png", 0);
    pointer->CreatePointerSprites("resources:pointer_down.png", 1);
    ZGroup* group = layers->GetPointerGroup();
    ASSERT_NE(group, nullptr);
    EXPECT_STREQ(group->GetName(), "mousepointer_group");
    EXPECT_EQ(group->GetParent(), layers->GetDefaultLayer()->group);
    ZCamera* camera = layers->GetPointerCamera();
    ASSERT_NE(camera, nullptr);
    EXPECT_STREQ(camera->GetName(), "mousepointer_camera");
    EXPECT_FLOAT_EQ(camera->GetPriority(), 1000.0f);
    EXPECT_EQ(camera->GetRoot(), group);
    EXPECT_TRUE(InView(layers->GetScreenView(), camera));
    EXPECT_EQ(pointer->GetLayerCamera(), layers->GetDefaultLayer()->camera);
    ZSprite* arrow = pointer->GetPointerImage(0);
    ZSprite* hand = pointer->GetPointerImage(1);
    ASSERT_TRUE(arrow && hand);
    EXPECT_STREQ(arrow->GetName(), "mousepointer_sprite_0");
    EXPECT_STREQ(hand->GetName(), "mousepointer_sprite_1");
    EXPECT_EQ(arrow->GetParent(), group);
    EXPECT_EQ(arrow->GetPivot(), uint32_t(PIVOT_TOPLEFT));
    EXPECT_EQ(render->GetCursorSprite(), arrow);
    EXPECT_TRUE(hand->IsHidden());
}

TEST_F(SpriteLayerTest, TheFaderDrawsItsSpriteThroughTheHostAndItsAlphaFollowsTheFade)
{
    Layers();
    ZFader* fader = ZFader::GetInstance();
    auto* sprite = ZEntityCast<ZSprite2D>(fader->GetSprite());
    ASSERT_NE(sprite, nullptr);
    EXPECT_STREQ(sprite->GetName(), "fade_sprite");
    EXPECT_EQ(sprite->GetSize(), (V2{800.0f, 600.0f}));
    ZMaterial* material = sprite->GetMaterial();
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->GetColor(0).x, 0.0f);
    ASSERT_NE(material->GetTexture(0), nullptr);
    EXPECT_STREQ(material->GetTexture(0)->GetName(), "fade_texture");
    EXPECT_EQ(material->GetTexture(0)->GetImageWidth(), 4);
    EXPECT_TRUE(InView(ZLayer2DManager::GetInstance()->GetScreenView(), fader->GetCamera()));

    // Clear: nothing is drawn.
    render->RenderViews();
    EXPECT_FALSE(Drawn("fade_sprite"));

    fader->SetDark(true);
    test::Log().clear();
    render->RenderViews();
    EXPECT_TRUE(Drawn("fade_sprite"));
    EXPECT_FLOAT_EQ(sprite->GetAlpha(), 0.4f);

    fader->SetDark(false);
    test::Log().clear();
    render->RenderViews();
    EXPECT_FALSE(Drawn("fade_sprite"));

    // Darkening eases out: a quarter second in, (1 - (0.5 - 1)^2) x 0.4.
    fader->Fade(true);
    EXPECT_FLOAT_EQ(sprite->GetAlpha(), 0.0f);
    g_frameTimer->now += 0.25;
    fader->Update();
    EXPECT_FLOAT_EQ(sprite->GetAlpha(), 0.3f);
    g_frameTimer->now += 0.25;
    fader->Update();
    EXPECT_FLOAT_EQ(sprite->GetAlpha(), 0.4f);
    EXPECT_EQ(fader->GetPhase(), ZFader::kDark);
    fader->Fade(false);
    g_frameTimer->now += 0.5;
    fader->Update();
    EXPECT_FLOAT_EQ(sprite->GetAlpha(), 0.0f);
    EXPECT_FALSE(fader->IsActive());
}

TEST_F(SpriteLayerTest, TheScreenSpriteShowsByItsSwitchesAndCarriesTheFade)
{
    ZSprite2D* screen = ZSprite2D::Create();
    ZSceneTree::GetInstance()->AddChild(screen);
    screen->SetHidden(true);
    render->SetScreenSprite(screen);
    render->SetScreenSpriteShown(true);
    EXPECT_FALSE(screen->IsHidden());
    render->SetScreenSpriteOverlay(true);
    render->SetScreenSpriteShown(false);
    EXPECT_FALSE(screen->IsHidden());
    render->SetScreenSpriteOverlay(false);
    EXPECT_TRUE(screen->IsHidden());

    render->SetScreenFade(0.25f);
    EXPECT_FLOAT_EQ(screen->GetAlpha(), 0.25f);

    ZTexture* target = Texture("target", 256, 128, 256, 128);
    render->SetScreenTexture(target);
    EXPECT_EQ(screen->GetMaterial()->GetTexture(0), target);
    EXPECT_EQ(screen->GetSize(), (V2{256.0f, 128.0f}));

    // In screen-sprite mode each frame applies the switches.
    render->SetScreenSpriteMode(true);
    render->EnableStateC(kRenderScreenSpriteShown);
    render->ZRenderBase::RenderFrame();
    EXPECT_FALSE(screen->IsHidden());

    // A sprite showing its own texture keeps it, takes its size and is shown at once.
    render->EnableStateA(kRenderScreenOwnTexture);
    ZSprite2D* own = ZSprite2D::CreateFromTexture(Texture("own", 64, 48, 64, 64));
    ZSceneTree::GetInstance()->AddChild(own);
    own->SetHidden(true);
    own->SetSize(1.0f, 1.0f);
    render->SetScreenSprite(own);
    EXPECT_FALSE(own->IsHidden());
    EXPECT_EQ(own->GetSize(), (V2{64.0f, 48.0f}));
    render->SetScreenTexture(target);
    EXPECT_STREQ(own->GetMaterial()->GetTexture(0)->GetName(), "own");
    render->SetScreenSprite(nullptr);
    render->SetStateA(0);
}

TEST_F(SpriteLayerTest, AGameSpriteFadesInAndOutAtItsSpeed)
{
    struct Counting : ZGameSprite
    {
        void OnFadedIn() override { ++in; }
        void OnFadedOut() override { ++out; }
        int in = 0, out = 0;
    };
    auto* sprite = new Counting();
    sprite->SetMaterialByName("sprite2d_material");
    ZSceneTree::GetInstance()->AddChild(sprite);

    sprite->StartFadeIn();
    EXPECT_FLOAT_EQ(sprite->GetAlpha(), 0.0f);
    Frame(0.05);
    Frame(0.05);
    EXPECT_NEAR(sprite->GetAlpha(), 2.0f / 3.0f, 1e-5f);
    EXPECT_EQ(sprite->in, 0);
    // A full fade takes 0.15 s.
    Frame(0.05);
    EXPECT_FLOAT_EQ(sprite->GetAlpha(), 1.0f);
    EXPECT_EQ(sprite->in, 1);
    EXPECT_EQ(sprite->GetFadeState(), uint32_t(ZGameSprite::kFadeNone));
    Frame(0.05);
    EXPECT_EQ(sprite->in, 1);

    sprite->StartFadeOut();
    EXPECT_FLOAT_EQ(sprite->GetAlpha(), 1.0f);
    Frame(0.1);
    EXPECT_NEAR(sprite->GetAlpha(), 1.0f / 3.0f, 1e-5f);
    Frame(0.1);
    EXPECT_FLOAT_EQ(sprite->GetAlpha(), 0.0f);
    EXPECT_EQ(sprite->out, 1);

    sprite->Rewind();
    EXPECT_EQ(sprite->GetFadeState(), uint32_t(ZGameSprite::kFadeNone));
    EXPECT_FLOAT_EQ(sprite->GetFadeValue(), 0.0f);

    ZGameSprite* plain = ZGameSprite::Create();
    ZSceneTree::GetInstance()->AddChild(plain);
    EXPECT_TRUE(plain->GetMaterial()->TestFlags(kResourceManaged));
    EXPECT_FALSE(plain->HasAnimatedTexture());
    EXPECT_TRUE(Set(plain, "tip", "pearl"));
}

TEST_F(SpriteLayerTest, ALayoutMakesSpritesWithTheirOwnKeys)
{
    ZGroup* under = ZGroup::CreateNamed("under");
    ZSceneTree::GetInstance()->AddChild(under);
    const std::string xml = "<scenetree><group name=\"menu\">"
                            "<sprite2d name=\"bg\" sizemodel=\"stretched\" width=\"800\" height=\"600\"/>"
                            "<gamesprite name=\"gem\" tip=\"pearl\" side=\"40\"/>"
                            "</group></scenetree>";
    ZSceneXMLImport2 import;
    import.SetParentNode(under);
    ASSERT_EQ(import.ImportBuffer(xml.data(), xml.size()), 0);
    auto* bg = ZEntityCast<ZSprite2D>(under->FindNode("menu/bg"));
    ASSERT_NE(bg, nullptr);
    EXPECT_FALSE(bg->IsSizeModelActual());
    EXPECT_EQ(bg->GetSize(), (V2{800.0f, 600.0f}));
    EXPECT_TRUE(bg->TestFlags(kNode2D));
    EXPECT_STREQ(bg->GetMaterial()->GetName(), "sprite2d_material");
    auto* gem = ZEntityCast<ZGameSprite>(under->FindNode("menu/gem"));
    ASSERT_NE(gem, nullptr);
    EXPECT_EQ(gem->GetSize(), (V2{40.0f, 40.0f}));
}

// The game names its first layer "game" and hides the second; a layer added afterwards leaves the
// pointer sprites and the tool tips on the first layer, where the screens are.
TEST_F(SpriteLayerTest, AddedLayersLeaveThePointerAndTheTipsOnTheRenamedFirstLayer)
{
    ZLayer2DManager* layers = Layers();
    ZLayer2D* first = layers->GetDefaultLayer();
    ASSERT_NE(first, nullptr);
    first->SetName("game");
    EXPECT_EQ(layers->FindLayer("game"), first);
    EXPECT_EQ(layers->FindLayer("default"), nullptr);
    EXPECT_STREQ(first->group->GetName(), "game");
    EXPECT_STREQ(first->camera->GetName(), "screen2d_camera_game");
    ZLayer2D* added = layers->AddLayer("late");
    ASSERT_NE(added, nullptr);
    ASSERT_NE(added, first);

    ZMousePointer* pointer = ZMousePointer::GetInstance();
    pointer->CreatePointerSprites("resources:pointer.png", 0);
    ASSERT_NE(layers->GetPointerGroup(), nullptr);
    EXPECT_EQ(layers->GetPointerGroup()->GetParent(), first->group);
    EXPECT_EQ(pointer->GetLayerCamera(), first->camera);

    ZCamera* tipCamera = layers->CreateToolTipCamera();
    ASSERT_NE(tipCamera, nullptr);
    EXPECT_FLOAT_EQ(tipCamera->GetPriority(), first->camera->GetPriority());
    delete tipCamera;
}
