#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/core/ZVector.h"

namespace
{

void ExpectNear(const V3& actual, const V3& expected, float tol = 1e-6f)
{
    EXPECT_NEAR(actual.x, expected.x, tol);
    EXPECT_NEAR(actual.y, expected.y, tol);
    EXPECT_NEAR(actual.z, expected.z, tol);
}

TEST(V2, NormalizeDropsVectorsBelowTolerance)
{
    V2 tiny = {0.0001f, 0.0f};
    tiny.Normalize();
    EXPECT_EQ(tiny, (V2{0.0f, 0.0f}));

    V2 v = {3.0f, 4.0f};
    EXPECT_FLOAT_EQ(v.Length(), 5.0f);
    EXPECT_FLOAT_EQ(V2::Distance({1.0f, 1.0f}, {4.0f, 5.0f}), 5.0f);
    v.Normalize();
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
}

TEST(V3, NormalizeKeepsAnyNonZeroLength)
{
    V3 tiny = {0.0001f, 0.0f, 0.0f};
    tiny.Normalize();
    ExpectNear(tiny, {1.0f, 0.0f, 0.0f});

    V3 zero;
    zero.Normalize();
    EXPECT_EQ(zero, (V3{0.0f, 0.0f, 0.0f}));

    EXPECT_FLOAT_EQ(V3::Distance({1.0f, 2.0f, 3.0f}, {3.0f, 5.0f, 9.0f}), 7.0f);
}

TEST(V3, RotateAxis)
{
    struct Case
    {
        V3 in;
        char axis;
        V3 expected;
    };
    const Case cases[] = {
        {{1.0f, 0.0f, 0.0f}, 'z', {0.0f, 1.0f, 0.0f}}, {{0.0f, 1.0f, 0.0f}, 'x', {0.0f, 0.0f, 1.0f}},
        {{0.0f, 0.0f, 1.0f}, 'y', {1.0f, 0.0f, 0.0f}}, {{1.0f, 2.0f, 3.0f}, 'q', {1.0f, 2.0f, 3.0f}},
        {{1.0f, 2.0f, 3.0f}, 'Z', {1.0f, 2.0f, 3.0f}},
    };
    for (const auto& c : cases)
    {
        V3 v = c.in;
        v.RotateAxis(kHalfPi, c.axis);
        ExpectNear(v, c.expected);
    }
}

TEST(V3, LerpWeightsFirstOperandAndClampOrder)
{
    const V3 a = {1.0f, 2.0f, 3.0f};
    const V3 b = {-5.0f, 10.0f, 0.5f};
    V3 out;
    V3::Lerp(a, b, 1.0f, out);
    EXPECT_EQ(out, a);
    V3::Lerp(a, b, 0.0f, out);
    EXPECT_EQ(out, b);
    V3::Lerp(a, b, 0.25f, out);
    ExpectNear(out, {-3.5f, 8.0f, 1.125f});
    EXPECT_EQ(V3::Lerp(a, b, 0.25f), out);

    // Raised to lo first, then lowered to hi: an inverted range ends at hi.
    V3 v = {-2.0f, 5.0f, 0.5f};
    v.Clamp({-1.0f, -1.0f, 1.0f}, {1.0f, 1.0f, 0.0f});
    EXPECT_EQ(v, (V3{-1.0f, 1.0f, 0.0f}));
}

TEST(V4, EqualityIsExactAndNaNNeverEqual)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE((V4{1, 2, 3, 4} == V4{1, 2, 3, 4}));
    EXPECT_FALSE((V4{1, 2, 3, 4} == V4{1, 2, 3, 4.0001f}));
    EXPECT_FALSE((V4{1, 2, nan, 4} == V4{1, 2, nan, 4}));
}

TEST(Color, ToARGBClampsAndTruncates)
{
    struct Case
    {
        V4 color;
        uint32_t expected;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {{2.0f, 0.5f, 0.0f, 1.0f}, 0xFFFF7F00u},
        {{1.0f, 1.0f, 1.0f, 0.25f}, 0x3FFFFFFFu}, // 0.25 * 255 = 63.75 truncates to 63
        {{0.0f, 0.0f, 0.0f, 0.0f}, 0x00000000u},
        // A negative channel must not borrow from its neighbours.
        {{-0.5f, 1.0f, -3.0f, 1.0f}, 0xFF00FF00u},
        {{1.0f, nan, 1.0f, -1.0f}, 0x00FF00FFu},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ColorToARGB(c.color), c.expected) << std::hex << c.expected;
}

TEST(Color, FromARGBSignedAndUnsignedAgree)
{
    const V4 c = ColorFromARGB(0x80FF0000u);
    EXPECT_EQ(c.x, 1.0f);
    EXPECT_EQ(c.y, 0.0f);
    EXPECT_EQ(c.z, 0.0f);
    EXPECT_FLOAT_EQ(c.w, 128.0f / 255.0f);
    EXPECT_TRUE(ColorFromARGB(static_cast<int32_t>(0x80FF0000u)) == c);

    const V4 d = ColorFromARGB(0x01020304u);
    EXPECT_FLOAT_EQ(d.x, 2.0f / 255.0f);
    EXPECT_FLOAT_EQ(d.y, 3.0f / 255.0f);
    EXPECT_FLOAT_EQ(d.z, 4.0f / 255.0f);
    EXPECT_FLOAT_EQ(d.w, 1.0f / 255.0f);
}

TEST(Color, EveryByteSurvivesUnpackAndPack)
{
    for (uint32_t b = 0; b < 256; ++b)
    {
        const uint32_t packed = (b << 24) | ((255 - b) << 16) | (b << 8) | (b ^ 0x5A);
        EXPECT_EQ(ColorToARGB(ColorFromARGB(packed)), packed) << b;
    }
}

TEST(AngleBetweenPoints, QuadrantsAndNearVertical)
{
    struct Case
    {
        V2 a, b;
        float expected;
    };
    const Case cases[] = {
        {{0.0f, 1.0f}, {0.0f, 0.0f}, kHalfPi},
        {{0.0f, -1.0f}, {0.0f, 0.0f}, -kHalfPi},
        {{-1.0f, 0.0f}, {0.0f, 0.0f}, -kPi},
        {{1.0f, 0.0f}, {0.0f, 0.0f}, 0.0f},
        {{2.0f, 2.0f}, {1.0f, 1.0f}, kPi / 4.0f},
        {{-1.0f, -1.0f}, {0.0f, 0.0f}, kPi / 4.0f - kPi},
        // Within 1/8192 of vertical with dx < 0: pi/2, then pi subtracted.
        {{-0.0001f, 1.0f}, {0.0f, 0.0f}, kHalfPi - kPi},
        {{0.0f, 0.0f}, {0.0f, 0.0f}, -kHalfPi},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(AngleBetweenPoints(c.a, c.b), c.expected, 1e-6f) << c.a.x << "," << c.a.y;
}

} // namespace
