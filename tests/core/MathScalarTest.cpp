#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <regex>

#include "engine/core/ZMath.h"

namespace
{

struct FloatCase
{
    const char* text;
    float expected;
};

TEST(ParseFloatWithPi, ReadsPiFormsAndLeadingNumbers)
{
    const FloatCase cases[] = {
        {"PI", 3.1415927f},
        {"PI/2", 1.5707964f},
        {"PI/4", 0.78539819f},
        {"PI/29", 1.5707964f},
        {"PI2", 6.2831855f},
        {"PI2abc", 6.2831855f},
        {"2.5", 2.5f},
        {"  -1.5e2abc", -150.0f},
        {"+3", 3.0f},
        {".5", 0.5f},
        {"7.", 7.0f},
        {"12px", 12.0f},
        {"PIx", 0.0f},
        {"pi", 0.0f},
        {"", 0.0f},
        {"abc", 0.0f},
        {"--1", 0.0f},
        {"0", 0.0f},
    };
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(ParseFloatWithPi(c.text), c.expected) << '"' << c.text << '"';
}

TEST(ParseFloatWithPi, UnsafeTextReadsAsZero)
{
    // Each of these would otherwise put an infinite or undefined value into a transform.
    const char* cases[] = {"PI/0", "PI/x", "PI/", "inf", "-infinity", "nan", "1e39", "-1e300"};
    for (const char* text : cases)
        EXPECT_EQ(ParseFloatWithPi(text), 0.0f) << '"' << text << '"';
    EXPECT_EQ(ParseFloatWithPi(nullptr), 0.0f);
}

TEST(ParseInt, FollowsAtoiWithoutOverflow)
{
    struct Case
    {
        const char* text;
        int32_t expected;
    };
    const Case cases[] = {{"42", 42},
                          {" \t-7x", -7},
                          {"+3", 3},
                          {"abc", 0},
                          {"", 0},
                          {"3.9", 3},
                          {"2147483647", INT32_MAX},
                          {"99999999999", INT32_MAX},
                          {"-2147483648", INT32_MIN},
                          {"-99999999999999999999", INT32_MIN}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseInt(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(ParseInt(nullptr), 0);
}

TEST(ParseAlignment, NamesAnyCaseElseCenter)
{
    struct Case
    {
        const char* text;
        uint32_t expected;
    };
    const Case cases[] = {{"Center", PIVOT_CENTER},
                          {"topleft", PIVOT_TOPLEFT},
                          {"TOPRIGHT", PIVOT_TOPRIGHT},
                          {"BottomLeft", PIVOT_BOTTOMLEFT},
                          {"BottomRight", PIVOT_BOTTOMRIGHT},
                          {"MiddleLeft", PIVOT_MIDDLELEFT},
                          {"middleright", PIVOT_MIDDLERIGHT},
                          {"TopCenter", PIVOT_TOPCENTER},
                          {"BottomCenter", PIVOT_BOTTOMCENTER},
                          {"Top", PIVOT_CENTER},
                          {"TopLeftX", PIVOT_CENTER},
                          {"", PIVOT_CENTER}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseAlignment(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(ParseAlignment(nullptr), PIVOT_CENTER);
}

TEST(NextPowerOfTwo, TextureSizes)
{
    struct Case
    {
        uint32_t n;
        uint16_t expected;
    };
    const Case cases[] = {{0, 0},     {1, 0},      {2, 2},       {3, 4},         {4, 4},
                          {5, 8},     {600, 1024}, {1024, 1024}, {16385, 32768}, {32768, 32768},
                          {32769, 0}, {40000, 0},  {65536, 0},   {66000, 0},     {0xFFFFFFFFu, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(NextPowerOfTwo(c.n), c.expected) << c.n;
}

TEST(Tolerance, NearOneAndZeroIncludeBothEnds)
{
    EXPECT_TRUE(IsNearOne(0.9998779296875f));
    EXPECT_TRUE(IsNearOne(1.0001220703125f));
    EXPECT_FALSE(IsNearOne(std::nextafter(0.9998779296875f, 0.0f)));
    EXPECT_FALSE(IsNearOne(std::nextafter(1.0001220703125f, 2.0f)));
    EXPECT_TRUE(IsNearZero(-1.0f / 8192.0f));
    EXPECT_TRUE(IsNearZero(1.0f / 8192.0f));
    EXPECT_FALSE(IsNearZero(std::nextafter(1.0f / 8192.0f, 1.0f)));
}

TEST(GetDateTimeString, AsctimeFormWithoutLineBreak)
{
    const std::string text = GetDateTimeString();
    EXPECT_EQ(text.size(), 24u);
    EXPECT_TRUE(std::regex_match(
        text, std::regex("[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}")))
        << text;
}

} // namespace
