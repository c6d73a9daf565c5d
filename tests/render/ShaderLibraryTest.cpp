#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "tests/support/RecordingRender.h"

using test::RecordingCode;
using test::RecordingRender;

namespace
{
const std::string kFixtures = std::string(QV_FIXTURES) + "/render";

class ShaderLibraryTest : public ::testing::Test
{
protected:
    ShaderLibraryTest() : fs(&table)
    {
        table.AddMount("shaders", kFixtures.c_str());
        table.AddMount("media", kFixtures.c_str());
    }
    ZMountTable table;
    ZFileSystem fs;
    RecordingRender render;
    ZShaderLibrary library;
};

const ZShaderParam* FindParam(const ZShaderBase* shader, const char* name)
{
    for (const ZShaderParam& p : shader->GetParameters())
    {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}
} // namespace

TEST_F(ShaderLibraryTest, ReadsTheDefinitionFile)
{
    ASSERT_EQ(library.LoadDefinitions("shaders:shaders.def"), 0);
    ASSERT_EQ(library.GetShaders().size(), 2u);
    EXPECT_EQ(library.FindShader("commented_out"), nullptr);

    ZShaderBase* sprite = library.FindShader("sprite");
    ASSERT_NE(sprite, nullptr) << "a trailing // note does not change the name";
    ASSERT_NE(sprite->GetCode(), nullptr) << "the second code file is taken when the first fails";
    EXPECT_STREQ(sprite->GetCode()->GetName(), "sprite_code");
    const std::string& spriteText = static_cast<RecordingCode*>(sprite->GetCode())->compiled;
    EXPECT_THAT(spriteText, ::testing::StartsWith("sprite code\n")) << "compiled from the expanded file";
    EXPECT_THAT(spriteText, ::testing::Not(::testing::HasSubstr("with fog"))) << "FOG is defined only later";

    const ZShaderParam* glow = FindParam(sprite, "glow");
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->type, kShaderParamFloat);
    EXPECT_EQ(glow->index, 2);
    EXPECT_FLOAT_EQ(glow->values[0], 0.5f);
    EXPECT_TRUE(FindParam(sprite, "texturemodulate")->boolValue);

    ZShaderBase* standard = library.FindShader("standard");
    ASSERT_NE(standard, nullptr);
    const ZShaderParam* base = FindParam(standard, "base");
    ASSERT_NE(base, nullptr) << "commas separate tokens as blanks do";
    EXPECT_EQ(base->type, kShaderParamColor);
    EXPECT_FLOAT_EQ(base->values[0], 0.5f);
    EXPECT_FLOAT_EQ(base->values[3], 1.0f) << "three colour values give an opaque colour";
    const ZShaderParam* wave = FindParam(standard, "wave");
    const ZShaderParam* commas = FindParam(standard, "wavecommas");
    ASSERT_TRUE(wave && commas);
    for (int i = 0; i < 4; ++i)
        EXPECT_FLOAT_EQ(wave->values[i], commas->values[i]);
    EXPECT_EQ(FindParam(standard, "passes")->intValue, 3);
    EXPECT_EQ(FindParam(standard, "detail")->text, "detail.png");
    EXPECT_FLOAT_EQ(FindParam(standard, "transform")->values[5], 1.0f) << "a matrix starts as the identity";
    EXPECT_EQ(standard->GetParameters().size(), 6u) << "renderstate lines keep nothing";
    EXPECT_EQ(library.GetDefines(), std::vector<std::string>{"FOG"});
}

TEST_F(ShaderLibraryTest, MissingFileIsAFailure)
{
    EXPECT_EQ(library.LoadDefinitions("shaders:absent.def"), 1);
    EXPECT_TRUE(library.GetShaders().empty());
}

TEST_F(ShaderLibraryTest, ParameterLines)
{
    library.ParseDefinitions("shaderdef s\n"
                             "bool 1 upper TRUE\n"
                             "bool 2 lower true\n"
                             "float 2\n"
                             "float 9 outside 1.0\n"
                             "bool 30 outside 1\n"
                             "texturemap 2 outside x.png\n"
                             "nonsense 1 x 2\n"
                             "end\n"
                             "float 0 loose 1.0\n"
                             "end\n");
    ZShaderBase* shader = library.FindShader("s");
    ASSERT_NE(shader, nullptr);
    ASSERT_EQ(shader->GetParameters().size(), 2u);
    EXPECT_FALSE(FindParam(shader, "upper")->boolValue) << "only the exact word true is true";
    EXPECT_TRUE(FindParam(shader, "lower")->boolValue);
    // Short lines, indices past the material's arrays, unknown types and lines outside a shader.
    EXPECT_EQ(library.GetWarnings().size(), 7u);
}

TEST_F(ShaderLibraryTest, ColourLinesTakeColourTextOrValues)
{
    library.ParseDefinitions("shaderdef s\n"
                             "color 0 hex FF804020\n"
                             "color 1 values 0.5,0.25,1\n"
                             "color 2 web #00ff00\n"
                             "color 3 translucent 80FFFFFF\n"
                             "end\n");
    ZShaderBase* shader = library.FindShader("s");
    ASSERT_NE(shader, nullptr);
    const struct
    {
        const char* name;
        float r, g, b, a;
    } cases[] = {{"hex", 128 / 255.0f, 64 / 255.0f, 32 / 255.0f, 1.0f},
                 {"values", 0.5f, 0.25f, 1.0f, 1.0f},
                 {"web", 0.0f, 1.0f, 0.0f, 1.0f},
                 {"translucent", 1.0f, 1.0f, 1.0f, 128 / 255.0f}};
    for (const auto& c : cases)
    {
        const ZShaderParam* p = FindParam(shader, c.name);
        ASSERT_NE(p, nullptr) << c.name;
        EXPECT_FLOAT_EQ(p->values[0], c.r) << c.name;
        EXPECT_FLOAT_EQ(p->values[1], c.g) << c.name;
        EXPECT_FLOAT_EQ(p->values[2], c.b) << c.name;
        EXPECT_FLOAT_EQ(p->values[3], c.a) << c.name;
    }
}

TEST_F(ShaderLibraryTest, CodeIsCompiledOnlyByBackEndsThatCompile)
{
    render.SetStateBits(0);
    EXPECT_EQ(library.LoadShaderCode("standard_code"), nullptr);
    render.SetStateBits(kRenderCompilesShaderCode);
    ZShaderCodeBase* code = library.LoadShaderCode("standard_code");
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->GetNameId(), ZNameId("standard_code").Value());
    EXPECT_EQ(library.LoadShaderCode("standard_code"), code) << "an existing valid object is reused";
    EXPECT_EQ(library.FindShaderCodeById(ZNameId("standard_code").Value()), code);
}

TEST_F(ShaderLibraryTest, DefinesReachThePreprocessor)
{
    library.ParseDefinitions("shaderdefine FOG\nshaderdef s\nshadercode sprite_code\nend\n");
    ZShaderBase* shader = library.FindShader("s");
    ASSERT_TRUE(shader && shader->GetCode());
    EXPECT_THAT(static_cast<RecordingCode*>(shader->GetCode())->compiled, ::testing::HasSubstr("with fog\n"));
}

TEST_F(ShaderLibraryTest, ReloadReadsTheFilesAgain)
{
    ASSERT_EQ(library.LoadDefinitions("shaders:shaders.def"), 0);
    library.Reload();
    EXPECT_EQ(library.GetShaders().size(), 2u);
    EXPECT_NE(library.FindShader("sprite")->GetCode(), nullptr);
}

TEST_F(ShaderLibraryTest, EngineAndGameFilesAreReadOnce)
{
    library.SetDefinitionsPath("media:shaders.def");
    EXPECT_EQ(library.LoadAllDefinitions(), 0) << "the engine's own file is absent, the game's is read";
    EXPECT_EQ(library.GetShaders().size(), 2u);
}

TEST_F(ShaderLibraryTest, ShaderDefaultsGoIntoTheMaterial)
{
    library.ParseDefinitions("shaderdef s\nshadercode sprite_code\ncolor 0 base 1,1,1,1\n"
                             "bool 18 texturemodulate true\nfloat 2 glow 0.5\nend\n");
    ZShaderBase* shader = library.FindShader("s");
    ZMaterial* material = ZMaterial::CreateForShader("m", shader);
    ASSERT_NE(material, nullptr);
    EXPECT_FLOAT_EQ(material->GetOpacity(), 1.0f);
    EXPECT_EQ(material->GetSwitch(18), 1);
    EXPECT_TRUE(material->IsSwitchSpecified(18));
    EXPECT_FLOAT_EQ(material->GetFloat(2), 0.5f);
    EXPECT_GT(static_cast<RecordingCode*>(shader->GetCode())->changes, 0) << "the code hears of the change";
    material->ReturnToPool();
}

TEST(SpriteWorldMatrix, SizeScaleDepthAndPixelSnap)
{
    _M44 world;
    world.m[3][0] = 10.7f;
    world.m[3][1] = -3.2f;
    world.m[3][2] = 5.0f;
    ZShaderCodeBase::SpritePlacement sprite;
    sprite.width = 50.0f;
    sprite.height = 200.0f;
    sprite.scaleX = 2.0f;
    _M44 m = ZShaderCodeBase::SpriteWorldMatrix(world, sprite);
    EXPECT_FLOAT_EQ(m.m[0][0], 1.0f) << "50 / 100 x 2 on the default quad";
    EXPECT_FLOAT_EQ(m.m[1][1], 2.0f);
    EXPECT_FLOAT_EQ(m.m[3][2], 5.0f);

    sprite.defaultQuad = false;
    sprite.flatZ = true;
    sprite.snap = true;
    sprite.texelOffset = 0.5f;
    m = ZShaderCodeBase::SpriteWorldMatrix(world, sprite);
    EXPECT_FLOAT_EQ(m.m[0][0], 2.0f) << "an own quad already has its size";
    EXPECT_FLOAT_EQ(m.m[1][1], 1.0f);
    EXPECT_FLOAT_EQ(m.m[3][2], 0.0f);
    EXPECT_FLOAT_EQ(m.m[3][0], 10.0f - 0.5f);
    EXPECT_FLOAT_EQ(m.m[3][1], -4.0f + 0.5f);
}
