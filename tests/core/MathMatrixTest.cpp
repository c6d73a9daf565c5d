#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/core/ZMatrix.h"

namespace
{

void ExpectNear(const V3& actual, const V3& expected, float tol = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tol);
    EXPECT_NEAR(actual.y, expected.y, tol);
    EXPECT_NEAR(actual.z, expected.z, tol);
}

M33 Rows(V3 r0, V3 r1, V3 r2)
{
    M33 m;
    m.SetRow(0, r0);
    m.SetRow(1, r1);
    m.SetRow(2, r2);
    return m;
}

TEST(M33, IsIdentityUsesTolerance)
{
    M33 m;
    EXPECT_TRUE(m.IsIdentity());
    m.m[1][1] = 1.0001f;
    EXPECT_TRUE(m.IsIdentity());
    m.m[1][1] = 1.0002f;
    EXPECT_FALSE(m.IsIdentity());
    m.m[1][1] = 1.0f;
    m.m[0][2] = 1.0f / 8192.0f;
    EXPECT_TRUE(m.IsIdentity());
    m.m[0][2] = -0.0002f;
    EXPECT_FALSE(m.IsIdentity());
}

TEST(M33, TransformIsRowVectorTimesMatrix)
{
    M33 rot;
    rot.SetRotationZ(kHalfPi);
    V3 v = {1.0f, 0.0f, 0.0f};
    rot.Transform(v);
    ExpectNear(v, {0.0f, 1.0f, 0.0f});

    // (v x A) x B == v x (A x B).
    const M33 a = Rows({1, 2, 0}, {0, 1, 3}, {4, 0, 1});
    const M33 b = Rows({2, 0, 1}, {1, 1, 0}, {0, 5, 2});
    M33 ab;
    M33::Multiply(a, b, ab);
    V3 p = {1.0f, -2.0f, 0.5f};
    V3 q = p;
    a.Transform(p);
    b.Transform(p);
    ab.Transform(q);
    ExpectNear(p, q);

    M33 target = b;
    M33::MultiplyAssign(a, target);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(target.m[i][j], ab.m[i][j]);

    M33 same = a;
    M33::Multiply(same, same, same);
    M33 square;
    M33::Multiply(a, a, square);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(same.m[i][j], square.m[i][j]);
}

TEST(M33, InvertGivesInverse)
{
    M33 rotation;
    rotation.SetRotationZ(0.7f);
    const M33 cases[] = {
        rotation,
        Rows({2, 0, 0}, {0, 4, 0}, {0, 0, 0.5f}),
        // Zero on the diagonal: needs a row swap.
        Rows({0, 1, 0}, {1, 0, 0}, {0, 0, 2}),
        Rows({1, 2, 3}, {0, 1, 4}, {5, 6, 0}),
        Rows({1e-3f, 5, 1}, {3, 1e-3f, 2}, {1, 1, 7}),
    };
    for (const M33& a : cases)
    {
        M33 inv = a;
        EXPECT_TRUE(inv.Invert());
        M33 product;
        M33::Multiply(a, inv, product);
        EXPECT_TRUE(product.IsIdentity());
    }
}

TEST(M33, InvertOfSingularMatrixIsIdentity)
{
    M33 zeroColumn = Rows({0, 1, 2}, {0, 3, 4}, {0, 5, 6});
    EXPECT_FALSE(zeroColumn.Invert());
    EXPECT_TRUE(zeroColumn.IsIdentity());

    M33 zero = Rows({0, 0, 0}, {0, 0, 0}, {0, 0, 0});
    EXPECT_FALSE(zero.Invert());
    EXPECT_TRUE(zero.IsIdentity());
}

TEST(M33, AxisAngleFollowsItsRowFormula)
{
    M33 m;
    m.SetAxisAngle({0.0f, 0.0f, 1.0f, 0.3f});
    M33 z;
    z.SetRotationZ(-0.3f);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(m.m[i][j], z.m[i][j], 1e-6f);

    m.SetAxisAngle({1.0f, 0.0f, 0.0f, kHalfPi});
    ExpectNear(m.GetRow(1), {0.0f, 0.0f, -1.0f});
    ExpectNear(m.GetRow(2), {0.0f, 1.0f, 0.0f});
}

TEST(M33, SetFromDirection)
{
    M33 m;
    m.SetFromDirection({0.0f, 0.0f, 5.0f}, {0.0f, 1.0f, 0.0f});
    EXPECT_TRUE(m.IsIdentity());

    // |dot| exactly 1: the reference up is (0, 0, 1).
    m.SetFromDirection({0.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    ExpectNear(m.GetRow(0), {-1.0f, 0.0f, 0.0f});
    ExpectNear(m.GetRow(1), {0.0f, 0.0f, 1.0f});
    ExpectNear(m.GetRow(2), {0.0f, 1.0f, 0.0f});

    // Parallel but not unit length, and a direction along the fallback axis itself: still a
    // full orthonormal basis, never a zero row.
    const V3 degenerate[][2] = {{{0.0f, 1.0f, 0.0f}, {0.0f, 2.0f, 0.0f}},
                                {{0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f}},
                                {{0.0f, 0.0f, -3.0f}, {0.0f, 0.0f, 0.5f}}};
    for (const auto& d : degenerate)
    {
        m.SetFromDirection(d[0], d[1]);
        EXPECT_NEAR(m.GetRow(0).Length(), 1.0f, 1e-6f);
        EXPECT_NEAR(m.GetRow(1).Length(), 1.0f, 1e-6f);
        EXPECT_NEAR(V3::Dot(m.GetRow(0), m.GetRow(2)), 0.0f, 1e-6f);
        EXPECT_NEAR(V3::Dot(m.GetRow(1), m.GetRow(2)), 0.0f, 1e-6f);
    }
}

TEST(M33, OrthonormalizeRepairsDrift)
{
    M33 m = Rows({1.01f, 0.02f, 0.0f}, {0.0f, 0.98f, 0.03f}, {0.0f, 0.0f, 1.0f});
    m.Orthonormalize();
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_NEAR(m.GetRow(i).Length(), 1.0f, 1e-6f);
        EXPECT_NEAR(V3::Dot(m.GetRow(i), m.GetRow((i + 1) % 3)), 0.0f, 1e-6f);
    }
    ExpectNear(m.GetRow(2), V3::Cross(m.GetRow(0), m.GetRow(1)));
}

_M44 WorldMatrix(const V3& position, const V3& direction, const V3& up)
{
    _M44 w;
    w.SetOrientation(up, direction);
    w.m[3][0] = position.x;
    w.m[3][1] = position.y;
    w.m[3][2] = position.z;
    return w;
}

TEST(M44, TransformVectorPointAndDirection)
{
    const _M44 w = WorldMatrix({10.0f, 20.0f, 30.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f});
    V3 p = {1.0f, 2.0f, 3.0f};
    w.TransformVector(p, 1.0f);
    ExpectNear(p, {11.0f, 22.0f, 33.0f});
    V3 d = {1.0f, 2.0f, 3.0f};
    w.TransformVector(d, 0.0f);
    ExpectNear(d, {1.0f, 2.0f, 3.0f});
}

TEST(M44, SetOrientationMatchesM33FromDirection)
{
    const V3 dir = {1.0f, 2.0f, -0.5f};
    const V3 up = {0.0f, 1.0f, 0.0f};
    _M44 m;
    m.SetOrientation(up, dir);
    M33 r;
    r.SetFromDirection(dir, up);
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(m.m[i][j], r.m[i][j]);
        EXPECT_EQ(m.m[i][3], 0.0f);
    }
    EXPECT_EQ(m.GetRow(3), (V3{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(m.m[3][3], 1.0f);
}

TEST(M44, LookAtMovesEyeToOrigin)
{
    _M44 view;
    view.SetLookAt({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -10.0f}, {0.0f, 1.0f, 0.0f});
    V3 origin = {0.0f, 0.0f, 0.0f};
    view.TransformVector(origin, 1.0f);
    ExpectNear(origin, {0.0f, 0.0f, 10.0f});
    V3 eye = {0.0f, 0.0f, -10.0f};
    view.TransformVector(eye, 1.0f);
    ExpectNear(eye, {0.0f, 0.0f, 0.0f});
    EXPECT_EQ(view.m[0][3], 0.0f);
    EXPECT_EQ(view.m[3][3], 1.0f);
}

TEST(M44, ViewFromWorldUndoesTheCameraPlacement)
{
    const V3 positions[] = {{0, 0, -10}, {3, -4, 5}, {100, 200, -300}};
    const V3 directions[] = {{0, 0, 1}, {1, 1, 0}, {-0.3f, 0.2f, 0.9f}};
    for (int i = 0; i < 3; ++i)
    {
        const _M44 world = WorldMatrix(positions[i], directions[i], {0.0f, 1.0f, 0.0f});
        _M44 view;
        view.SetViewFromWorld(world);
        _M44 product;
        _M44::Multiply(world, view, product);
        EXPECT_TRUE(product.IsIdentity()) << i;

        _M44 same = world;
        same.SetViewFromWorld(same);
        EXPECT_TRUE(same.Equals(view));
    }
}

TEST(M44, MultiplyAssignIntoSecondOperand)
{
    const _M44 a = WorldMatrix({1, 2, 3}, {0, 1, 1}, {0, 0, 1});
    const _M44 b = WorldMatrix({-4, 0, 2}, {1, 0, 0}, {0, 1, 0});
    _M44 ab;
    _M44::Multiply(a, b, ab);
    _M44 target = b;
    _M44::MultiplyAssign(a, target);
    EXPECT_TRUE(target.Equals(ab));
    EXPECT_FALSE(target.Equals(a));
}

TEST(M44, PerspectiveEntries)
{
    _M44 p;
    p.SetPerspective(kHalfPi, 0.75f, 1.0f, 101.0f);
    EXPECT_NEAR(p.m[0][0], 0.75f, 1e-6f);
    EXPECT_NEAR(p.m[1][1], 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(p.m[2][2], 101.0f / 100.0f);
    EXPECT_EQ(p.m[2][3], 1.0f);
    EXPECT_FLOAT_EQ(p.m[3][2], -101.0f / 100.0f);
    EXPECT_EQ(p.m[3][3], 0.0f);
    EXPECT_EQ(p.m[0][1], 0.0f);
    EXPECT_EQ(p.m[3][0], 0.0f);
}

TEST(M44, EqualsScaleAndIdentity)
{
    _M44 a;
    EXPECT_TRUE(a.IsIdentity());
    _M44 b;
    b.m[2][1] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(b.Equals(b));
    EXPECT_FALSE(b.IsIdentity());
    a.Scale(2.0f);
    EXPECT_EQ(a.m[3][3], 2.0f);
    EXPECT_FALSE(a.IsIdentity());
    _M44 c;
    c.Copy(a);
    EXPECT_TRUE(c.Equals(a));
}

} // namespace
