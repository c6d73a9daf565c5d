// Splines: evaluation at the knots and between them, the arc-length table and scene-file input.
#include <gtest/gtest.h>

#include "support/TestSerializer.h"

#include <cmath>

#include "engine/scene/ZSpline.h"
#include "scene/SceneTestSupport.h"

namespace
{

ZSpline* Line(int type, std::initializer_list<V3> points)
{
    auto* spline = ZSpline::Create();
    spline->SetType(type);
    for (const V3& p : points)
        spline->AddKnot(ZSplineKnot::Create(V4{p.x, p.y, p.z, 0.0f}));
    return spline;
}

void ExpectNear(const V3& a, const V3& b, float tolerance)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

using SplineTest = SceneTest;

} // namespace

TEST_F(SplineTest, TypeNamesAreMatchedAsWritten)
{
    EXPECT_EQ(ParseSplineType("linear"), kSplineLinear);
    EXPECT_EQ(ParseSplineType("hermite"), kSplineHermite);
    EXPECT_EQ(ParseSplineType("cardinal"), kSplineCardinal);
    EXPECT_EQ(ParseSplineType("catmullrom"), kSplineCatmullRom);
    EXPECT_EQ(ParseSplineType("Hermite"), kSplineLinear);
    EXPECT_EQ(ParseSplineType(nullptr), kSplineLinear);
}

TEST_F(SplineTest, CurvesPassThroughTheirKnots)
{
    for (int type : {kSplineHermite, kSplineCatmullRom, kSplineLinear})
    {
        ZSpline* spline = Line(type, {{0, 0, 0}, {10, 5, 0}, {20, 0, 3}, {30, 10, 0}});
        for (int k = 0; k < 4; ++k)
        {
            const float t = float(k) / 3.0f;
            ExpectNear(spline->GetPoint(t), spline->GetKnot(size_t(k))->position, 1e-3f);
        }
        delete spline;
    }
}

TEST_F(SplineTest, PointsBetweenTheKnots)
{
    ZSpline* hermite = Line(kSplineHermite, {{0, 0, 0}, {10, 0, 0}});
    ExpectNear(hermite->GetPointHermite(0.5f), V3{5, 0, 0}, 1e-5f);
    // Tangents bend the curve: out leaves the first knot upwards, in arrives at the second
    // from above (stored pointing back along the curve).
    hermite->GetKnot(0)->out = {0, 8, 0};
    hermite->GetKnot(1)->in = {0, 8, 0};
    const V3 bent = hermite->GetPointHermite(0.5f);
    EXPECT_NEAR(bent.x, 5.0f, 1e-5f);
    EXPECT_NEAR(bent.y, 8.0f * 0.125f + 8.0f * 0.125f, 1e-5f);
    delete hermite;

    ZSpline* straight = Line(kSplineCatmullRom, {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}});
    ExpectNear(straight->GetPointCatmullRom(0.5f), V3{10, 0, 0}, 1e-5f);
    ExpectNear(straight->GetPointCatmullRom(0.0f), V3{0, 0, 0}, 1e-5f);
    ExpectNear(straight->GetPointCatmullRom(0.25f), V3{5, 0, 0}, 1e-4f);
    EXPECT_NEAR(straight->ComputeLength(256), 20.0f, 1e-3f);
    delete straight;
}

TEST_F(SplineTest, TheArcLengthTableSpacesItsSamplesEvenly)
{
    // Uneven segments: a walk by parameter would crowd the short one.
    ZSpline* spline = Line(kSplineCatmullRom, {{0, 0, 0}, {30, 10, 0}, {100, 0, 0}});
    const V3 atOne = spline->Evaluate(1.0f);
    ASSERT_EQ(spline->GetSampleCount(), 256);
    const V4& last = spline->GetSamples()[255];
    ExpectNear(atOne, V3{last.x, last.y, last.z}, 0.0f);
    ExpectNear(spline->Evaluate(-3.0f), spline->Evaluate(0.0f), 0.0f);
    const float spacing = spline->GetSampleSpacing();
    EXPECT_NEAR(spacing, spline->GetLength() / 256.0f, 1e-5f);
    // Sample k lies about (k + 1) spacings along the curve, so the last ones meet its end.
    for (int k = 1; k < 250; ++k)
    {
        const V4& a = spline->GetSamples()[k - 1];
        const V4& b = spline->GetSamples()[k];
        EXPECT_NEAR(V3::Distance({a.x, a.y, a.z}, {b.x, b.y, b.z}), spacing, spacing * 0.15f) << k;
    }
    // Between samples the point is interpolated.
    const V3 mid = spline->Evaluate(0.5f + 0.5f / 256.0f);
    const V4& s128 = spline->GetSamples()[128];
    const V4& s129 = spline->GetSamples()[129];
    EXPECT_NEAR(mid.x, (s128.x + s129.x) * 0.5f, 1e-3f);
    delete spline;
}

TEST_F(SplineTest, TooFewKnotsEvaluateSafely)
{
    ZSpline empty;
    ExpectNear(empty.Evaluate(0.5f), V3{}, 0.0f);
    ExpectNear(empty.GetPointHermite(0.5f), V3{}, 0.0f);
    EXPECT_EQ(empty.ComputeLength(10), 0.0f);
    ZSpline* one = Line(kSplineHermite, {{3, 4, 5}});
    ExpectNear(one->Evaluate(0.7f), V3{3, 4, 5}, 0.0f);
    ExpectNear(one->GetPointCatmullRom(0.2f), V3{3, 4, 5}, 0.0f);
    EXPECT_EQ(one->GetSamples(), nullptr);
    delete one;
}

TEST_F(SplineTest, SceneFileInputAndCopies)
{
    auto* knot = ZSplineKnot::Create();
    V3 position{1, 2, 3};
    EXPECT_TRUE(qvtest::HandChildTo(
        "v3", &position, [&](const char* v) { return knot->SetProperty(ZNameId("position"), "position", v); }));
    EXPECT_FALSE(knot->SetProperty(ZNameId("position"), "position", nullptr));
    EXPECT_FALSE(knot->SetProperty(ZNameId("speed"), "speed", reinterpret_cast<const char*>(&position)));
    EXPECT_EQ(knot->position, position);
    EXPECT_EQ(knot->in, V3{});
    EXPECT_EQ(knot->out, V3{});

    auto* spline = ZSpline::Create();
    EXPECT_EQ(spline->GetType(), kSplineCatmullRom);
    EXPECT_FLOAT_EQ(spline->GetLength(), -1.0f);
    EXPECT_TRUE(spline->SetProperty(ZNameId("type"), "type", "hermite"));
    EXPECT_EQ(spline->GetType(), kSplineHermite);
    const ZEntity* asEntity = knot;
    EXPECT_TRUE(qvtest::HandChildTo("splineknot", asEntity,
                                    [&](const char* v) { return spline->SetProperty(ZNameId::kNone, nullptr, v); }));
    ZSplineKnot* other = ZSplineKnot::Create(V4{4, 5, 6, 0});
    const ZEntity* otherEntity = other;
    EXPECT_TRUE(qvtest::HandChildTo("splineknot", otherEntity,
                                    [&](const char* v) { return spline->SetProperty(ZNameId::kNone, nullptr, v); }));
    ZSpline notAKnot;
    const ZEntity* wrong = &notAKnot;
    EXPECT_FALSE(qvtest::HandChildTo("spline", wrong,
                                     [&](const char* v) { return spline->SetProperty(ZNameId::kNone, nullptr, v); }));
    ASSERT_EQ(spline->KnotCount(), 2u);

    ZSplineNode node;
    node.SetPositionXYZ(100, 0, 0);
    const ZEntity* splineEntity = spline;
    EXPECT_TRUE(qvtest::HandChildTo(
        "spline", splineEntity, [&](const char* v) { return node.SetProperty(ZNameId("spline"), "spline", v); }));
    ExpectNear(node.GetPointAt(1.0f), V3{104, 5, 6}, 1e-3f);

    auto* copy = static_cast<ZSplineNode*>(node.Clone());
    ASSERT_NE(copy->GetSpline(), nullptr);
    EXPECT_NE(copy->GetSpline(), spline);
    EXPECT_EQ(copy->GetSpline()->KnotCount(), 2u);
    EXPECT_EQ(copy->GetSpline()->GetType(), kSplineHermite);
    EXPECT_EQ(copy->GetSpline()->GetSamples(), nullptr);
    delete copy;
}
