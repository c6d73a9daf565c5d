#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "engine/core/ZNameId.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/render/ZLight.h"
#include "tests/support/RecordingRender.h"

using test::RecordingCode;
using test::RecordingRender;

namespace
{
class MaterialTest : public ::testing::Test
{
protected:
    MaterialTest() : fs(&table) { table.AddMount("shaders", (std::string(QV_FIXTURES) + "/render").c_str()); }
    void SetUp() override
    {
        ZMaterial::InitPool();
        render.Init(800, 600, true, nullptr);
        library.ParseDefinitions("shaderdef sprite\nshadercode sprite_code\ncolor 0 base 1,1,1,1\n"
                                 "bool 18 texturemodulate true\nend\n");
    }
    void TearDown() override
    {
        for (ZMaterial* material : taken)
            material->ReturnToPool();
    }
    ZMaterial* Take()
    {
        ZMaterial* material = ZMaterial::Allocate();
        if (material)
            taken.push_back(material);
        return material;
    }
    // A scene file's attribute, as the serializer hands it over.
    static bool Set(ZMaterial* material, const char* key, const char* value)
    {
        return material->SetProperty(ZNameId(key).Value(), key, value);
    }

    ZMountTable table;
    ZFileSystem fs;
    RecordingRender render;
    ZShaderLibrary library;
    std::vector<ZMaterial*> taken;
};

ZTexture* Pixels(const char* name, bool opaque)
{
    auto* texture = new ZTexture();
    texture->SetName(name);
    texture->StoreImage(static_cast<uint8_t*>(std::calloc(16, 1)), kPixelRGBA, 2, 2, 2, 2, opaque);
    return texture;
}
} // namespace

TEST_F(MaterialTest, APooledMaterialStartsEmptyAndInvisible)
{
    ZMaterial* material = Take();
    ASSERT_NE(material, nullptr);
    EXPECT_FLOAT_EQ(material->GetOpacity(), 0.0f);
    EXPECT_FALSE(material->IsColorSet(0));
    EXPECT_FALSE(material->IsSwitchSpecified(ZMaterial::kSwitchTextureModulate));
    EXPECT_EQ(material->GetShader(), nullptr);
    EXPECT_NE(material->GetRenderState(), nullptr);
    EXPECT_TRUE(material->TestFlags(kResourceManaged | kResourceFreeInPlace));
}

TEST_F(MaterialTest, PropertiesFromASceneFile)
{
    ZTexture* base = Pixels("resources:base.png", true);
    ZMaterial* material = Take();
    EXPECT_TRUE(Set(material, "name", "tile_blue"));
    EXPECT_TRUE(Set(material, "shader", "sprite"));
    EXPECT_TRUE(Set(material, "basetexturename", "resources:base.png"));
    EXPECT_TRUE(Set(material, "filter", "true"));
    EXPECT_TRUE(Set(material, "blendadd", "1"));
    EXPECT_TRUE(Set(material, "blendshadow", "false"));
    EXPECT_TRUE(Set(material, "drawstencil", "whatever"));
    EXPECT_TRUE(Set(material, "ambientcolor", "1,1,1")) << "accepted and ignored";
    EXPECT_TRUE(Set(material, "basecolor", "0.5, 0.25, 1, 0.75"));
    EXPECT_FALSE(Set(material, "nosuchkey", "1"));

    EXPECT_EQ(ZMaterial::Find("tile_blue"), material);
    EXPECT_EQ(material->GetShader(), library.FindShader("sprite"));
    EXPECT_EQ(material->GetTexture(0), base);
    EXPECT_EQ(material->GetSwitch(ZMaterial::kSwitchFilter), 1);
    EXPECT_EQ(material->GetSwitch(ZMaterial::kSwitchBlendAdd), 1);
    EXPECT_EQ(material->GetSwitch(ZMaterial::kSwitchBlendShadow), 0);
    EXPECT_TRUE(material->IsSwitchSpecified(ZMaterial::kSwitchBlendShadow));
    for (int on : {8, 9, 10})
        EXPECT_EQ(material->GetSwitch(on), 1) << on;
    EXPECT_EQ(material->GetSwitch(3), 0);
    EXPECT_TRUE(material->IsSwitchSpecified(3));
    EXPECT_FLOAT_EQ(material->GetColor(0).y, 0.25f);
    EXPECT_FLOAT_EQ(material->GetOpacity(), 0.75f);
    EXPECT_EQ(material->GetSwitch(ZMaterial::kSwitchTextureModulate), 1) << "from the shader's defaults";

    EXPECT_TRUE(Set(material, "basecolor", "#ff8000"));
    EXPECT_FLOAT_EQ(material->GetColor(0).x, 1.0f);
    EXPECT_FLOAT_EQ(material->GetOpacity(), 1.0f);
    // Eight digits alone are AARRGGBB, as the content writes colours.
    EXPECT_TRUE(Set(material, "basecolor", "80FF0000"));
    EXPECT_FLOAT_EQ(material->GetColor(0).x, 1.0f);
    EXPECT_FLOAT_EQ(material->GetColor(0).y, 0.0f);
    EXPECT_FLOAT_EQ(material->GetOpacity(), 128 / 255.0f);
    EXPECT_TRUE(Set(material, "shader", "absent"));
    EXPECT_EQ(material->GetShader(), library.FindShader("sprite")) << "an unknown shader changes nothing";
    material->ReturnToPool();
    taken.clear();
    EXPECT_EQ(ZMaterial::Find("tile_blue"), nullptr) << "a released material leaves the group";
    delete base;
}

TEST_F(MaterialTest, TheSerializerKnowsTheElement)
{
    ZSerializerBase* serializer = ZSerializerBase::FindByName("material");
    ASSERT_NE(serializer, nullptr);
    EXPECT_EQ(ZSerializerBase::FindByName("light"), ZLight().GetSerializer());
}

struct OpacityCase
{
    float value;
    bool specified;
    uint8_t before;
    float stored;
    uint8_t after;
};

TEST_F(MaterialTest, OpacityClampsAndSwitchesModulation)
{
    const OpacityCase cases[] = {
        {1.5f, true, 1, 1.0f, 0},         {-2.0f, true, 0, 0.0f, 1}, {0.99990f, true, 1, 0.99990f, 0},
        {0.99985f, true, 0, 0.99985f, 1}, {0.5f, false, 0, 0.5f, 0},
    };
    for (const OpacityCase& c : cases)
    {
        ZMaterial* material = Take();
        if (c.specified)
            material->SetSwitch(ZMaterial::kSwitchTextureModulate, c.before);
        material->SetOpacity(c.value);
        EXPECT_FLOAT_EQ(material->GetOpacity(), c.stored) << c.value;
        EXPECT_EQ(material->GetSwitch(ZMaterial::kSwitchTextureModulate), c.after) << c.value;
        EXPECT_EQ(material->IsSwitchSpecified(ZMaterial::kSwitchTextureModulate), c.specified) << c.value;
    }
}

TEST_F(MaterialTest, ChangesReachTheShaderCode)
{
    ZMaterial* material = ZMaterial::CreateForShader("m", library.FindShader("sprite"));
    taken.push_back(material);
    auto* code = static_cast<RecordingCode*>(library.FindShader("sprite")->GetCode());
    ASSERT_NE(code, nullptr);
    const int before = code->changes;
    material->SetOpacity(1.0f);
    material->SetFilter(true);
    material->SetOpacity(1.0f);
    material->SetColor(1, V4{1.0f, 0.0f, 0.0f, 1.0f});
    EXPECT_EQ(code->changes, before + 2) << "an opacity change that leaves the switch alone says nothing";
}

TEST_F(MaterialTest, CloneTakesNameShaderTexturesAndSwitches)
{
    ZTexture* texture = Pixels("shared.png", true);
    ZMaterial* source = ZMaterial::CreateForShader("gem", library.FindShader("sprite"));
    taken.push_back(source);
    source->SetTexture(0, texture, true);
    source->SetBlendAdd(true);
    const int references = texture->GetRefCount();

    ZMaterial* clone = Take();
    clone->CloneFrom(source);
    EXPECT_STREQ(clone->GetName(), "gem_clone");
    EXPECT_EQ(clone->GetShader(), source->GetShader());
    EXPECT_EQ(clone->GetTexture(0), texture);
    EXPECT_EQ(texture->GetRefCount(), references + 1);
    EXPECT_EQ(clone->GetSwitch(ZMaterial::kSwitchBlendAdd), 1);
    EXPECT_FLOAT_EQ(clone->GetOpacity(), 1.0f);

    clone->ReturnToPool();
    source->ReturnToPool();
    taken.clear();
    EXPECT_EQ(texture->GetRefCount(), references - 1);
    delete texture;
}

TEST_F(MaterialTest, TextureMatrixNeeds)
{
    ZTexture* texture = Pixels("plain.png", true);
    ZMaterial* material = Take();
    material->SetTexture(0, texture, false);
    EXPECT_FALSE(material->NeedsTextureMatrix());
    _M44 scroll;
    scroll.m[2][0] = 0.5f;
    material->SetTextureMatrix(0, scroll);
    EXPECT_FALSE(material->NeedsTextureMatrix()) << "switch 20 is off";
    material->SetSwitch(ZMaterial::kSwitchTextureTransform, 1);
    EXPECT_TRUE(material->NeedsTextureMatrix());
    material->ReturnToPool();
    taken.clear();
    delete texture;
}

TEST_F(MaterialTest, ARecycledMaterialForgetsTheLastUsersRenderState)
{
    ZMaterial* first = ZMaterial::Allocate();
    ASSERT_NE(first, nullptr);
    first->GetRenderState()->m_words[0] = 0x1; // additive, say
    first->GetRenderState()->SetId(0x80000001u);
    first->ReturnToPool();
    ZMaterial* again = Take();
    ASSERT_EQ(again, first) << "the pool hands the last returned material out first";
    ASSERT_NE(again->GetRenderState(), nullptr);
    EXPECT_EQ(again->GetRenderState()->m_words[0], 0u);
    EXPECT_EQ(again->GetRenderState()->GetId(), 0u);
}

TEST_F(MaterialTest, ThePoolRunsOutAndRefills)
{
    const int free = ZMaterial::GetFreeCount();
    std::vector<ZMaterial*> all;
    while (ZMaterial* material = ZMaterial::Allocate())
        all.push_back(material);
    EXPECT_EQ(int(all.size()), free);
    EXPECT_EQ(ZMaterial::GetFreeCount(), 0);
    EXPECT_EQ(ZMaterial::Allocate(), nullptr) << "an empty pool refuses";
    for (ZMaterial* material : all)
        material->ReturnToPool();
    EXPECT_EQ(ZMaterial::GetFreeCount(), free);
}

TEST_F(MaterialTest, ReleasedByTheManagerWhenNobodyHoldsIt)
{
    ZMaterial* material = Take();
    taken.clear();
    const int free = ZMaterial::GetFreeCount();
    material->AddRef();
    material->Release();
    ZResourceManager::GetInstance()->UnloadParked();
    EXPECT_EQ(ZMaterial::GetFreeCount(), free + 1) << "parked at 0 and put back in the pool, not deleted";
}

TEST(Light, DefaultsAndSceneProperties)
{
    ZLight* light = ZLight::Create();
    EXPECT_STREQ(light->GetName(), "light");
    EXPECT_FLOAT_EQ(light->GetRange(), 500.0f);
    EXPECT_FLOAT_EQ(light->GetMultiplier(), 1.0f);
    EXPECT_FLOAT_EQ(light->GetAttenuation(0), 1.0f);
    EXPECT_FLOAT_EQ(light->GetAttenuation(1), 0.0f);
    const auto set = [light](const char* key, const char* value)
    { return light->SetProperty(ZNameId(key).Value(), key, value); };
    EXPECT_TRUE(set("type", "spot"));
    EXPECT_EQ(light->GetType(), ZLight::kSpot);
    EXPECT_TRUE(set("type", "Spot"));
    EXPECT_EQ(light->GetType(), ZLight::kOmni) << "the comparison is exact";
    EXPECT_TRUE(set("type", "direction"));
    EXPECT_EQ(light->GetType(), ZLight::kDirection);
    EXPECT_TRUE(set("range", "120.5"));
    EXPECT_TRUE(set("attenuation2", "0.25"));
    EXPECT_TRUE(set("color", "1,0.5,0"));
    EXPECT_TRUE(set("hotspotangle", "0.3"));
    EXPECT_FLOAT_EQ(light->GetRange(), 120.5f);
    EXPECT_FLOAT_EQ(light->GetAttenuation(2), 0.25f);
    EXPECT_FLOAT_EQ(light->GetColor().y, 0.5f);
    EXPECT_FLOAT_EQ(light->GetHotspotAngle(), 0.3f);
    delete light;

    RecordingRender render;
    ZLight lights[13];
    for (ZLight& l : lights)
        render.GetLights().PushBack(&l);
    EXPECT_EQ(render.GetLights().Size(), 12u) << "the thirteenth light is refused";
}
