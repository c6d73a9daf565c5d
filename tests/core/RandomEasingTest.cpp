#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <random>

#include "engine/core/ZEasing.h"
#include "engine/core/ZRandom.h"

namespace
{

TEST(RandomDeathTest, UnseededGeneratorStartsWithDefaultSeed)
{
    // A fresh process, so that no other test has seeded the generator before.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(RandomNext() == 3499211612u ? 0 : 1), testing::ExitedWithCode(0), "");
}

TEST(Random, SeedReproducesReferenceSequence)
{
    // init_genrand is what std::mt19937 implements, so it serves as the reference here.
    for (uint32_t seed : {5489u, 0u, 1u, 0x12345678u, 0xFFFFFFFFu})
    {
        RandomSeed(seed);
        std::mt19937 reference(seed);
        for (int i = 0; i < 2000; ++i)
            ASSERT_EQ(RandomNext(), reference()) << "seed " << seed << " draw " << i;
    }
    RandomSeed(5489u);
    EXPECT_EQ(RandomNext(), 3499211612u);
}

TEST(Random, SeedByArrayMatchesReferenceImplementation)
{
    // The first outputs that the reference implementation prints for this key.
    const uint32_t key[4] = {0x123, 0x234, 0x345, 0x456};
    const uint32_t expected[] = {1067595299u, 955945823u,  477289528u, 4107218783u, 4228976476u,
                                 3344332714u, 3355579695u, 227628506u, 810200273u,  2591290167u};
    RandomSeedByArray(key);
    for (uint32_t e : expected)
        EXPECT_EQ(RandomNext(), e);

    // Reseeding repeats the run; the sequence crosses a state regeneration.
    RandomSeedByArray(key);
    uint32_t run[1500];
    for (uint32_t& v : run)
        v = RandomNext();
    RandomSeedByArray(key);
    for (uint32_t v : run)
        ASSERT_EQ(RandomNext(), v);
}

TEST(Random, FloatNeverReachesOne)
{
    RandomSeed(1234);
    for (int i = 0; i < 100000; ++i)
    {
        const float f = RandomFloat();
        ASSERT_GE(f, 0.0f);
        ASSERT_LT(f, 1.0f);
    }
}

// The first draw after this seed is at least 0xFFFFFF80, one of the draws that round up to
// 1.0f (found once by a search over std::mt19937, which shares RandomSeed's sequence).
constexpr uint32_t kSeedWithTopDraw = 14784396u;

TEST(Random, TopDrawsStayBelowOneAsIndex)
{
    std::mt19937 reference(kSeedWithTopDraw);
    ASSERT_GE(reference(), 0xFFFFFF80u);
    RandomSeed(kSeedWithTopDraw);
    const float f = RandomFloat();
    EXPECT_EQ(std::bit_cast<uint32_t>(f), 0x3F7FFFFFu);
    EXPECT_EQ(static_cast<int>(f * 5), 4);
}

TEST(Random, RangeSpansBounds)
{
    RandomSeed(99);
    std::mt19937 reference(99);
    for (int i = 0; i < 1000; ++i)
    {
        const float v = RandomRange(-3.0f, 5.0f);
        ASSERT_GE(v, -3.0f);
        ASSERT_LE(v, 5.0f);
        const double t = reference() / 4294967296.0;
        ASSERT_FLOAT_EQ(v, static_cast<float>(-3.0 + 8.0 * t));
    }
    EXPECT_EQ(RandomRange(2.0f, 2.0f), 2.0f);
}

TEST(Easing, EndpointsAndMidpoints)
{
    struct Case
    {
        const char* name;
        ZEaseFunction f;
        float at0, at1, atHalf;
    };
    const Case cases[] = {
        {"Linear", EaseLinear, 0.0f, 1.0f, 0.5f},
        {"Log", EaseLog, 0.0f, 1.0f, (std::log(0.5f) + 10.0f) / 10.0f},
        {"InQuad", EaseInQuad, 0.0f, 1.0f, 0.25f},
        {"OutQuad", EaseOutQuad, 0.0f, 1.0f, 0.75f},
        {"InCubic", EaseInCubic, 0.0f, 1.0f, 0.125f},
        {"OutCubic", EaseOutCubic, 0.0f, 1.0f, 0.875f},
        {"BumpQuartic", EaseBumpQuartic, 0.0f, 0.0f, 1.0f},
        {"OutCubicQuartic", EaseOutCubicQuartic, 0.0f, 1.0f, 1.0f - std::pow(0.875f, 4.0f)},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.f(0.0f), c.at0) << c.name;
        EXPECT_EQ(c.f(1.0f), c.at1) << c.name;
        EXPECT_FLOAT_EQ(c.f(0.5f), c.atHalf) << c.name;
    }
    EXPECT_LT(EaseLog(1e-5f), 0.0f);
}

TEST(Easing, InverseLerpClamped)
{
    struct Case
    {
        float a, b, x, expected;
    };
    const Case cases[] = {
        {2, 4, 5, 1}, {2, 4, 1, 0}, {2, 4, 3, 0.5f}, {4, 2, 3.5f, 0.25f},
        {2, 2, 2, 1}, {2, 2, 3, 1}, {2, 2, 1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InverseLerpClamped(c.a, c.b, c.x), c.expected) << c.a << " " << c.b << " " << c.x;
}

} // namespace
