#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/ZBoundingBox.h"
#include "engine/core/ZRandom.h"

namespace
{

TEST(ZBoundingBox, StartsEmptyAndGrowsByVertexPositions)
{
    ZBoundingBox box;
    EXPECT_EQ(box.center, (V3{0, 0, 0}));
    EXPECT_EQ(box.size, (V3{0, 0, 0}));
    EXPECT_EQ(box.max.x, -1e38f);
    EXPECT_EQ(box.min.x, 1e38f);

    // Renderer vertex records: position, normal, packed colour, u, v = 36 bytes.
    unsigned char vertices[3 * 36];
    std::memset(vertices, 0x7F, sizeof(vertices));
    const float positions[3][3] = {{1, -2, 3}, {-4, 5, 0}, {2, 2, -6}};
    for (int i = 0; i < 3; ++i)
        std::memcpy(vertices + i * 36, positions[i], sizeof(positions[i]));
    box.AddPoints(3, vertices);
    EXPECT_EQ(box.min, (V3{-4, -2, -6}));
    EXPECT_EQ(box.max, (V3{2, 5, 3}));
    EXPECT_EQ(box.size, (V3{6, 7, 9}));
    EXPECT_EQ(box.center, (V3{-1, 1.5f, -1.5f}));

    const V3 corners[] = {{10, 0, 0}};
    box.AddPoints(1, corners);
    EXPECT_EQ(box.max.x, 10.0f);
    box.AddPoints(0, static_cast<const void*>(nullptr));
    EXPECT_EQ(box.max.x, 10.0f);
}

TEST(ZBoundingBox, SetCenterSizeAndMerge)
{
    ZBoundingBox a;
    a.SetCenterSize({0, 0, 0}, {2, 4, 6});
    EXPECT_EQ(a.max, (V3{1, 2, 3}));
    EXPECT_EQ(a.min, (V3{-1, -2, -3}));

    ZBoundingBox b;
    b.SetCenterSize({5, 0, 0}, {2, 2, 2});
    a.Merge(b);
    EXPECT_EQ(a.min, (V3{-1, -2, -3}));
    EXPECT_EQ(a.max, (V3{6, 2, 3}));
    EXPECT_EQ(a.center, (V3{2.5f, 0, 0}));

    ZBoundingBox empty;
    ZBoundingBox c = b;
    c.Merge(empty);
    EXPECT_EQ(c.min, b.min);
    EXPECT_EQ(c.max, b.max);
}

TEST(ZBoundingBox, ClosestPoint)
{
    ZBoundingBox box;
    box.SetCenterSize({0, 0, 0}, {2, 2, 2});
    struct Case
    {
        V3 in, expected;
    };
    const Case cases[] = {
        {{0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}},
        {{5, 0, 0}, {1, 0, 0}},
        {{-5, 9, -9}, {-1, 1, -1}},
        {{1, 1, 1}, {1, 1, 1}},
    };
    for (const auto& c : cases)
    {
        V3 p = c.in;
        box.ClosestPoint(p);
        EXPECT_EQ(p, c.expected);
    }

    ZBoundingBox point;
    point.SetCenterSize({3, 4, 5}, {0, 0, 0});
    V3 p = {100, -100, 7};
    point.ClosestPoint(p);
    EXPECT_EQ(p, (V3{3, 4, 5}));
}

TEST(ZBoundingBox, RandomPointStaysInsideAndRepeatsWithSeed)
{
    ZBoundingBox box;
    box.SetCenterSize({10, -20, 0}, {4, 8, 0});
    RandomSeed(42);
    V3 first[50];
    for (V3& p : first)
    {
        p = box.RandomPoint();
        EXPECT_GE(p.x, 8.0f);
        EXPECT_LE(p.x, 12.0f);
        EXPECT_GE(p.y, -24.0f);
        EXPECT_LE(p.y, -16.0f);
        EXPECT_EQ(p.z, 0.0f);
    }
    RandomSeed(42);
    for (const V3& p : first)
        EXPECT_EQ(box.RandomPoint(), p);

    // One draw per axis, x first: t * max + (1 - t) * min.
    RandomSeed(7);
    const float tx = static_cast<float>(RandomNext() / 4294967296.0);
    RandomNext();
    RandomNext();
    RandomSeed(7);
    EXPECT_FLOAT_EQ(box.RandomPoint().x, tx * 12.0f + (1.0f - tx) * 8.0f);
}

TEST(ZBoundingBox, Overlaps2DTestsCornersOnly)
{
    struct Case
    {
        V2 centerA, sizeA, centerB, sizeB;
        bool expected;
        const char* what;
    };
    const Case cases[] = {
        {{0, 0}, {2, 2}, {1, 1}, {2, 2}, true, "corner inside"},
        {{0, 0}, {2, 2}, {2, 2}, {2, 2}, true, "corners touch"},
        {{0, 0}, {2, 2}, {2, 0}, {2, 2}, true, "edges touch"},
        {{0, 0}, {2, 2}, {5, 0}, {2, 2}, false, "apart"},
        {{0, 0}, {1, 1}, {0, 0}, {4, 4}, true, "inside the other"},
        {{0, 0}, {4, 4}, {0, 0}, {1, 1}, false, "holds the other"},
        {{0, 0}, {6, 1}, {0, 0}, {1, 6}, false, "plus sign"},
    };
    for (const auto& c : cases)
    {
        ZBoundingBox a, b;
        a.SetCenterSize2D(c.centerA, c.sizeA);
        b.SetCenterSize2D(c.centerB, c.sizeB);
        EXPECT_EQ(a.Overlaps2D(b), c.expected) << c.what;
    }
}

TEST(PointInRect2D, BordersIncluded)
{
    const V3 lo = {0, 0, 0};
    const V3 hi = {2, 1, 0};
    EXPECT_TRUE(PointInRect2D(lo, {0, 0, 99}, hi));
    EXPECT_TRUE(PointInRect2D(lo, {2, 1, 0}, hi));
    EXPECT_FALSE(PointInRect2D(lo, {2.001f, 0.5f, 0}, hi));
    EXPECT_FALSE(PointInRect2D(lo, {1, -0.001f, 0}, hi));
}

} // namespace
