#include "engine/render/shaders/ZShaderPreProcessor.h"

#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>

namespace
{

using ::testing::HasSubstr;

// The table the OpenGL back end hands to the preprocessor.
const ZShaderExternal kOpenGLExternals[] = {
    {"float4x4", "mWorldViewProjTranspose", 0x1},
    {"float4x4", "mWorld", 0x2},
    {"float4x4", "mWorldViewProjBillboard", 0x4},
    {"float4x4", "mWorldViewProjBillboardXZ", 0x8},
    {"float4", "vViewPosition", 0x10},
    {"float4", "LightDirectionalColor", 0x20},
    {"float4", "LightPointSpotColor", 0x40},
    {"float", "fFrameTime", 0x80},
    {nullptr, nullptr, 0},
};

const std::string kFixtureDir = std::string(QV_FIXTURES) + "/shaders";

bool ReadDiskFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

std::string FixtureText(const std::string& name)
{
    std::string text;
    EXPECT_TRUE(ReadDiskFile(kFixtureDir + "/" + name, text)) << name;
    return text;
}

// Files held in memory under "shaders:" names, as the file system's mount
// aliases would give them.
ZShaderSourceReader MemoryReader(const std::map<std::string, std::string>& files)
{
    return [files](const std::string& path, std::string& text)
    {
        auto it = files.find(path);
        if (it == files.end())
            return false;
        text = it->second;
        return true;
    };
}

struct PreprocessCase
{
    const char* label;
    std::map<std::string, std::string> files; // "main.gls" is processed
    std::vector<std::string> defines;
    bool succeeds;
    std::string expected; // the output on success, a part of the error text on failure
    std::vector<uint32_t> externs = {};
};

// Test listings show the case's label, not the bytes of the record.
void PrintTo(const PreprocessCase& c, std::ostream* os) { *os << c.label; }

std::map<std::string, std::string> Main(const std::string& text, std::map<std::string, std::string> more = {})
{
    more["shaders:main.gls"] = text;
    return more;
}

const PreprocessCase kCases[] = {
    {"code text, comments, strings and foreign directives pass through",
     Main("#version 110\n#define SCALE 1.5\nvec2 v = vec2(1.5, -2e3); // note\n"
          "/* two\n lines */ s = \"q\\\"x\"; c = 'y';\n#pragma x\n#elif\n@`$ a<b\n"),
     {},
     true,
     "#version 110\n#define SCALE 1.5\nvec2 v = vec2(1.5, -2e3); // note\n"
     "/* two\n lines */ s = \"q\\\"x\"; c = 'y';\n#pragma x\n#elif\n@`$ a<b\n"},
    {"ifdef keeps the first branch when defined, in any case",
     Main("#ifdef fog\nA\n#else\nB\n#endif\nC\n"),
     {"FOG"},
     true,
     "A\n\nC\n"},
    {"ifdef takes the else branch when not defined",
     Main("#ifdef fog\nA\n#else\nB\n#endif\nC\n"),
     {"OTHER"},
     true,
     "\nB\n\nC\n"},
    {"ifndef keeps only the branch after else when defined",
     Main("#ifndef FOG\nA\n#else\nB\n#endif\n"),
     {"FOG"},
     true,
     "\nB\n\n"},
    {"ifndef without else when not defined", Main("#ifndef FOG\nA\n#endif\n"), {}, true, "A\n\n"},
    {"conditional inside a bracket group",
     Main("f(\n#ifdef A\nx\n#else\ny\n#endif\n);\n"),
     {},
     true,
     "f(\n\ny\n\n);\n"},
    {"extern declarations keep one space between their words",
     Main("extern  float4x4\t mWorld;\n#extern float4 vViewPosition ;\n"),
     {},
     true,
     "extern float4x4 mWorld;\n#extern float4 vViewPosition ;\n",
     {0x2, 0x10}},
    {"extern pairs match without regard to case",
     Main("extern FLOAT4X4 mworld;\n"),
     {},
     true,
     "extern FLOAT4X4 mworld;\n",
     {0x2}},
    {"extern of a known name with another type records nothing",
     Main("extern float4 mWorld;\n"),
     {},
     true,
     "extern float4 mWorld;\n",
     {}},
    {"a file included twice is emitted twice",
     Main("#include \"a.inc\"\n#include  \"a.inc\"\n", {{"shaders:a.inc", "x\n"}}),
     {},
     true,
     "x\n\nx\n\n"},
    {"includes nest",
     Main("1\n#include \"a.inc\"\n4\n",
          {{"shaders:a.inc", "2\n#include \"b.inc\"\n"}, {"shaders:b.inc", "3"}}),
     {},
     true,
     "1\n2\n3\n\n4\n"},
    {"an empty file gives empty text", Main(""), {}, true, ""},
    {"a carriage return before a line feed is dropped", Main("a\r\nb\r\n"), {}, true, "a\nb\n"},

    {"unterminated conditional", Main("#ifdef A\nx\n"), {}, false, "shaders:main.gls:"},
    {"else without a conditional", Main("x\n#else\n"), {}, false, "shaders:main.gls:2:"},
    {"endif without a conditional", Main("#endif\n"), {}, false, "shaders:main.gls:1:"},
    {"include inside a branch",
     Main("#ifdef A\n#include \"a.inc\"\n#endif\n", {{"shaders:a.inc", "x"}}),
     {},
     false,
     "shaders:main.gls:2:"},
    {"conditional directly inside a branch",
     Main("#ifdef A\n#ifdef B\n#endif\n#endif\n"),
     {"A", "B"},
     false,
     "shaders:main.gls:2:"},
    {"extern inside a branch",
     Main("#ifdef A\nextern float fFrameTime;\n#endif\n"),
     {"A"},
     false,
     "shaders:main.gls:2:"},
    {"text after the conditional's name",
     Main("#ifdef A // why\nx\n#endif\n"),
     {},
     false,
     "shaders:main.gls:1:"},
    {"unclosed bracket group", Main("f(x;\n"), {}, false, "shaders:main.gls:"},
    {"closing bracket without an opening one", Main("x);\n"), {}, false, "shaders:main.gls:1:"},
    {"include without a quoted name",
     Main("#include a.inc\n", {{"shaders:a.inc", "x"}}),
     {},
     false,
     "shaders:main.gls:1:"},
    {"missing include file",
     Main("#include \"nowhere.inc\"\n"),
     {},
     false,
     "Can not open inlude file nowhere.inc"},
    {"syntax error in an included file names that file",
     Main("x\n#include \"a.inc\"\n", {{"shaders:a.inc", "y\n\n#endif\n"}}),
     {},
     false,
     "shaders:a.inc:3:"},
    {"a file that includes itself", Main("#include \"main.gls\"\n"), {}, false, "nested deeper than 16"},
};

class PreprocessTable : public ::testing::TestWithParam<PreprocessCase>
{
};

TEST_P(PreprocessTable, ExpandsOrFails)
{
    const PreprocessCase& c = GetParam();
    ZShaderPreProcessor pp;
    for (const std::string& define : c.defines)
        pp.AddDefine(define);
    pp.SetExternTable(kOpenGLExternals);
    pp.SetSourceReader(MemoryReader(c.files));

    bool ok = false;
    EXPECT_NO_THROW(ok = pp.Process("shaders:", "main.gls"));
    ASSERT_EQ(ok, c.succeeds) << pp.GetErrorText();
    if (c.succeeds)
    {
        EXPECT_EQ(pp.GetOutput(), c.expected);
        EXPECT_EQ(pp.GetUsedExterns(), c.externs);
        EXPECT_TRUE(pp.GetErrorText().empty());
        EXPECT_TRUE(pp.GetWarnings().empty());
    }
    else
    {
        EXPECT_THAT(pp.GetErrorText(), HasSubstr(c.expected));
        // Half-expanded text must not reach the compiler.
        EXPECT_TRUE(pp.GetOutput().empty());
        EXPECT_TRUE(pp.GetUsedExterns().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PreprocessTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PreprocessCase>& info)
                         {
                             std::string name;
                             for (const char* p = info.param.label; *p != '\0'; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(ZShaderPreProcessor, ExpandsFixtureShaderWithNestedIncludesAndExterns)
{
    ZShaderPreProcessor pp;
    pp.AddDefine("FOG");
    pp.SetExternTable(kOpenGLExternals);
    pp.SetSourceReader(ReadDiskFile);

    ASSERT_TRUE(pp.Process(kFixtureDir, "sprite.gls")) << pp.GetErrorText();
    EXPECT_EQ(pp.GetOutput(), FixtureText("sprite_fog.expected"));
    EXPECT_EQ(pp.GetUsedExterns(), (std::vector<uint32_t>{0x2, 0x80}));
    EXPECT_EQ(pp.GetUsedExternMask(), 0x82u);
}

TEST(ZShaderPreProcessor, WithoutExternTableRecordsNothingButKeepsText)
{
    ZShaderPreProcessor pp;
    pp.SetSourceReader(ReadDiskFile);

    ASSERT_TRUE(pp.Process(kFixtureDir + "/", "sprite.gls")) << pp.GetErrorText();
    EXPECT_THAT(pp.GetOutput(), HasSubstr("extern float4x4 mWorld;\n#extern float fFrameTime;\n"));
    EXPECT_THAT(pp.GetOutput(), HasSubstr("// no fog\n"));
    EXPECT_TRUE(pp.GetUsedExterns().empty());
}

TEST(ZShaderPreProcessor, FixtureFailuresAreReportedWithoutEscaping)
{
    const std::pair<const char*, const char*> failures[] = {
        {"self.inc", "nested deeper than 16"},
        {"loop_a.inc", "nested deeper than 16"},
        {"includes_missing.gls", "Can not open inlude file nowhere.inc"},
        {"includes_broken.gls", "broken.inc:2:"},
    };
    for (const auto& [file, message] : failures)
    {
        SCOPED_TRACE(file);
        ZShaderPreProcessor pp;
        pp.SetSourceReader(ReadDiskFile);
        bool ok = true;
        EXPECT_NO_THROW(ok = pp.Process(kFixtureDir, file));
        EXPECT_FALSE(ok);
        EXPECT_THAT(pp.GetErrorText(), HasSubstr(message));
        EXPECT_TRUE(pp.GetOutput().empty());
    }
}

TEST(ZShaderPreProcessor, ReadsThroughTheFileSystemByDefault)
{
    ZMountTable table;
    table.AddMount("shaders", kFixtureDir.c_str());
    ZFileSystem fs(&table);

    ZShaderPreProcessor pp;
    pp.AddDefine("FOG");
    pp.SetExternTable(kOpenGLExternals);
    ASSERT_TRUE(pp.Process("shaders:", "sprite.gls")) << pp.GetErrorText();
    EXPECT_EQ(pp.GetOutput(), FixtureText("sprite_fog.expected"));
    EXPECT_EQ(pp.GetUsedExternMask(), 0x82u);

    EXPECT_FALSE(pp.Process("shaders:", "includes_missing.gls"));
    EXPECT_EQ(pp.GetErrorText(), "Can not open inlude file nowhere.inc");
    EXPECT_FALSE(pp.Process("shaders:", "absent.gls"));
    EXPECT_EQ(pp.GetErrorText(), "ZShaderPreProcessor : Could not open file shaders:absent.gls");
    EXPECT_EQ(fs.GetOpenFileCount(), 0u) << "every file read is closed and deleted";
}

TEST(ZShaderPreProcessor, MissingSourceFileNamesThePath)
{
    ZShaderPreProcessor pp;
    pp.SetSourceReader(ReadDiskFile);
    EXPECT_FALSE(pp.Process(kFixtureDir, "absent.gls"));
    EXPECT_EQ(pp.GetErrorText(), "ZShaderPreProcessor : Could not open file " + kFixtureDir + "/absent.gls");

    ZShaderPreProcessor withoutFileSystem;
    EXPECT_FALSE(withoutFileSystem.Process("shaders:", "sprite.gls"));
    EXPECT_EQ(withoutFileSystem.GetErrorText(),
              "ZShaderPreProcessor : Could not open file shaders:sprite.gls");
}

TEST(ZShaderPreProcessor, IncludeDepthIsBoundedAtSixteen)
{
    // f0 includes f1 ... includes f<levels>: <levels> nested includes.
    auto chain = [](int levels)
    {
        std::map<std::string, std::string> files;
        for (int i = 0; i < levels; ++i)
            files["shaders:f" + std::to_string(i)] = "#include \"f" + std::to_string(i + 1) + "\"\n";
        files["shaders:f" + std::to_string(levels)] = "end";
        return files;
    };

    ZShaderPreProcessor deepest;
    deepest.SetSourceReader(MemoryReader(chain(ZShaderPreProcessor::kMaxIncludeDepth)));
    ASSERT_TRUE(deepest.Process("shaders:", "f0")) << deepest.GetErrorText();
    EXPECT_EQ(deepest.GetOutput(), "end" + std::string(ZShaderPreProcessor::kMaxIncludeDepth, '\n'));

    ZShaderPreProcessor tooDeep;
    tooDeep.SetSourceReader(MemoryReader(chain(ZShaderPreProcessor::kMaxIncludeDepth + 1)));
    EXPECT_FALSE(tooDeep.Process("shaders:", "f0"));
    EXPECT_THAT(tooDeep.GetErrorText(), HasSubstr("nested deeper than 16 at f17"));
}

TEST(ZShaderPreProcessor, BracketNestingIsBounded)
{
    const int limit = ZShaderPreProcessor::kMaxGroupDepth;
    const std::string deepest = std::string(limit, '(') + std::string(limit, ')');
    const std::string tooDeep = "x\n" + std::string(100000, '[') + std::string(100000, ']');

    ZShaderPreProcessor pp;
    pp.SetSourceReader(MemoryReader({{"shaders:ok.gls", deepest}, {"shaders:deep.gls", tooDeep}}));
    ASSERT_TRUE(pp.Process("shaders:", "ok.gls")) << pp.GetErrorText();
    EXPECT_EQ(pp.GetOutput(), deepest);

    EXPECT_FALSE(pp.Process("shaders:", "deep.gls"));
    EXPECT_THAT(pp.GetErrorText(), HasSubstr("shaders:deep.gls:2:257: brackets nested deeper than 256"));
}

TEST(ZShaderPreProcessor, LexicalErrorsAreReportedAndSkipped)
{
    const struct
    {
        const char* source;
        const char* output;
        const char* where;
    } cases[] = {
        {"a // caf\xC3\xA9\nb\n", "a // caf\nb\n", "shaders:main.gls:1:"},
        {"a\rb\n", "ab\n", "shaders:main.gls:1:2:"},
        {"x\n\"open", "x\n\"open", "shaders:main.gls:2:6:"},
        {"x /* open", "x /* open", "shaders:main.gls:1:10:"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.source);
        ZShaderPreProcessor pp;
        pp.SetSourceReader(MemoryReader(Main(c.source)));
        ASSERT_TRUE(pp.Process("shaders:", "main.gls")) << pp.GetErrorText();
        EXPECT_EQ(pp.GetOutput(), c.output);
        ASSERT_FALSE(pp.GetWarnings().empty());
        EXPECT_THAT(pp.GetWarnings().front(), HasSubstr(c.where));
    }
}

TEST(ZShaderPreProcessor, ProcessStartsAfreshEachTime)
{
    ZShaderPreProcessor pp;
    pp.SetExternTable(kOpenGLExternals);
    pp.SetSourceReader(
        MemoryReader({{"shaders:good.gls", "extern float fFrameTime;\n"}, {"shaders:bad.gls", "#endif\n"}}));

    EXPECT_FALSE(pp.Process("shaders:", "bad.gls"));
    ASSERT_TRUE(pp.Process("shaders:", "good.gls"));
    EXPECT_EQ(pp.GetOutput(), "extern float fFrameTime;\n");
    EXPECT_EQ(pp.GetUsedExterns(), (std::vector<uint32_t>{0x80}));
    EXPECT_TRUE(pp.GetErrorText().empty());
}

} // namespace
