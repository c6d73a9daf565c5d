#include "engine/core/ZProperty.h"
#include "engine/core/ZUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
struct HexCase
{
    const char* text;
    uint32_t value;
    int digits;
};

TEST(Util, ParseHexColor)
{
    const HexCase cases[] = {{"ff", 0xff, 2},
                             {"FF8000", 0xff8000, 6},
                             {"80FF8000", 0x80ff8000, 8},
                             {"12345678AB", 0x12345678, 8},
                             {"G1", 0, 0},
                             {"1:", 1, 1},
                             {"#ff", 0, 0},
                             {"0x10", 0, 1},
                             {"", 0, 0}};
    for (const HexCase& c : cases)
    {
        SCOPED_TRACE(c.text);
        int digits = -1;
        EXPECT_EQ(ParseHexColor(c.text, &digits), c.value);
        EXPECT_EQ(digits, c.digits);
    }
    int digits = -1;
    EXPECT_EQ(ParseHexColor(nullptr, &digits), 0u);
    EXPECT_EQ(digits, 0);
}

std::vector<std::string> Split(std::string line, int maxWords = 64)
{
    std::vector<char*> slots(size_t(maxWords) + 1, nullptr);
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    const int n = SplitCommandLine(buffer.data(), slots.data(), maxWords);
    EXPECT_EQ(slots[size_t(maxWords)], nullptr); // never written past the given room
    return std::vector<std::string>(slots.begin(), slots.begin() + n);
}

TEST(Util, SplitCommandLineKeepsQuotedBlanks)
{
    EXPECT_EQ(Split("-scene 'my level.xml' record"),
              (std::vector<std::string>{"-scene", "'my level.xml'", "record"}));
    EXPECT_EQ(Split("a --engine.strings=\"x y\"   b"),
              (std::vector<std::string>{"a", "--engine.strings=\"x y\"", "b"}));
    EXPECT_EQ(Split("'quoted first' second"), (std::vector<std::string>{"'quoted first'", "second"}));
    EXPECT_EQ(Split("it's a 'b"), (std::vector<std::string>{"it's a 'b"})); // quote opened, never closed
    EXPECT_EQ(Split("  lead  trail  "), (std::vector<std::string>{"lead", "trail"}));
    EXPECT_TRUE(Split("").empty());
    EXPECT_TRUE(Split("   ").empty());
    EXPECT_EQ(SplitCommandLine(nullptr, nullptr, 4), 0);
}

TEST(Util, SplitCommandLineStopsAtItsWordLimit)
{
    const std::vector<std::string> words = Split("a b c d e f", 4);
    EXPECT_EQ(words, (std::vector<std::string>{"a", "b", "c", "d"})); // the last kept word is terminated
}

TEST(Util, CommandLineOver64WordsOr2048BytesIsCutSafely)
{
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "w" + std::to_string(i) + " ";
    ZCommandLine line;
    EXPECT_EQ(line.Set(many.c_str()), 64);
    EXPECT_STREQ(line.Word(0), "w0");
    EXPECT_STREQ(line.Word(63), "w63");
    EXPECT_EQ(line.Word(64), nullptr);

    const std::string huge = "first " + std::string(5000, 'x');
    EXPECT_EQ(line.Set(huge.c_str()), 2);
    EXPECT_EQ(std::string(line.Word(1)), std::string(2047 - 6, 'x')); // cut, still terminated

    std::vector<std::string> args(100, "--a=1");
    args[3] = std::string(1500, 'y');
    args[5] = std::string(600, 'z'); // does not fit whole any more
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    EXPECT_EQ(line.SetWords(int(argv.size()), argv.data()), 5);
    EXPECT_EQ(std::string(line.Word(3)), args[3]);
    EXPECT_STREQ(line.Word(4), "--a=1");

    std::vector<const char*> short_(100, "--b");
    EXPECT_EQ(line.SetWords(100, short_.data()), 64);
    EXPECT_EQ(line.Set(nullptr), 0);
}

TEST(Util, HasExtensionAndTrim)
{
    EXPECT_TRUE(HasExtension("audio:music_main.OGG", ".ogg"));
    EXPECT_FALSE(HasExtension("audio:music_main.OGG", "ogg"));
    EXPECT_TRUE(HasExtension("archive.tar.gz", ".gz"));
    EXPECT_FALSE(HasExtension("archive.tar.gz", ".tar.gz"));
    EXPECT_FALSE(HasExtension("noextension", ".ogg"));
    EXPECT_FALSE(HasExtension("a.ogg", ".og"));
    EXPECT_FALSE(HasExtension(nullptr, ".ogg"));

    EXPECT_EQ(TrimString("\ta b\n"), "a b");
    EXPECT_EQ(TrimString(" \r\n\t "), "");
    EXPECT_EQ(TrimString(""), "");
    EXPECT_EQ(TrimString("x"), "x");
    EXPECT_EQ(TrimString(nullptr), "");
}

TEST(Util, ParseBoolAndClampFloat)
{
    for (const char* yes : {"1", "true", "10", "1abc"})
        EXPECT_TRUE(ParseBool(yes)) << yes;
    for (const char* no : {"0", "True", "false", "", " 1", "yes"})
        EXPECT_FALSE(ParseBool(no)) << no;
    EXPECT_FALSE(ParseBool(nullptr));

    EXPECT_EQ(ClampFloat(5.0f, 0.0f, 1.0f), 1.0f);
    EXPECT_EQ(ClampFloat(-5.0f, 0.0f, 1.0f), 0.0f);
    EXPECT_EQ(ClampFloat(0.5f, 0.0f, 1.0f), 0.5f);
    EXPECT_EQ(ClampFloat(std::nanf(""), -1.0f, 1.0f), -1.0f);
}

// Attribute values of scene files: a number at the start, "+" allowed, the rest not read; a value
// that is no number (or too large for the type) leaves the field as it was.
TEST(Util, ParseNumberReadsTheLeadingNumberOrLeavesTheValue)
{
    struct Case
    {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"12", true, 12},     {"+12", true, 12}, {"-3", true, -3},
        {"7px", true, 7},     {"", false, 99},   {" 5", false, 99},
        {"x1", false, 99},    {"+", false, 99},  {"99999999999", false, 99},
        {nullptr, false, 99},
    };
    for (const Case& c : cases)
    {
        int value = 99;
        EXPECT_EQ(ParseNumber(c.text, value), c.ok) << (c.text ? c.text : "null");
        EXPECT_EQ(value, c.value) << (c.text ? c.text : "null");
    }
    float f = 0.0f;
    EXPECT_TRUE(ParseNumber("+2.5e1", f));
    EXPECT_EQ(f, 25.0f);
}

TEST(Util, FormatShortCutsAt255Characters)
{
    EXPECT_EQ(FormatShort("row of %zu characters (at most %d)", size_t(40), 32),
              "row of 40 characters (at most 32)");
    const std::string longText(400, 'a');
    EXPECT_EQ(FormatShort("%s!", longText.c_str()), std::string(255, 'a'));
}

TEST(Util, OSNameFitsItsBufferAndAdminTestAgreesWithTheUser)
{
    char name[136];
    std::memset(name, '#', sizeof name);
    GetOSName(name);
    const std::string text(name);
    EXPECT_LT(text.size(), 128u);
    EXPECT_EQ(name[128], '#'); // nothing written past 128 bytes
    EXPECT_NE(text.find(" ("), std::string::npos) << text;
    EXPECT_EQ(IsUserAdmin(), geteuid() == 0);
}

TEST(Util, ValueToStringFitsIn128Bytes)
{
    ZPropertyFloat f("test.util.float", "", "", 0, ZProperty::kNoGroup, 0.7f, 1.0f, 0.0f);
    char text[128];
    ValueToString(&f, text);
    EXPECT_STREQ(text, "0.69999999");
    ValueToString(nullptr, text);
    EXPECT_STREQ(text, "");

    const std::string longText(300, 'k');
    ZPropertyText t("test.util.text", "", "", 0, ZProperty::kNoGroup, longText);
    char guarded[130];
    guarded[128] = '#';
    ValueToString(&t, guarded);
    EXPECT_EQ(std::string(guarded), std::string(127, 'k'));
    EXPECT_EQ(guarded[128], '#');
    EXPECT_EQ(ValueToString(t), longText);
}
} // namespace
