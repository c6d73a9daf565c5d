// Spatial nodes: the point transforms against the matrices, the identity flag, scale and the
// properties of scene files.
#include <gtest/gtest.h>

#include "support/TestSerializer.h"

#include <cmath>
#include <random>
#include <string>

#include "engine/core/ZMath.h"
#include "engine/scene/ZGeom.h"
#include "scene/SceneTestSupport.h"

namespace
{

using GeomTest = SceneTest;

void ExpectNear(const V3& a, const V3& b, float tolerance, const std::string& what)
{
    EXPECT_NEAR(a.x, b.x, tolerance) << what;
    EXPECT_NEAR(a.y, b.y, tolerance) << what;
    EXPECT_NEAR(a.z, b.z, tolerance) << what;
}

// A random orientation: a rotation about a random axis, then a random scale per axis.
void RandomTransform(std::mt19937& rng, ZGeom& node)
{
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<float> scale(0.25f, 3.0f);
    std::uniform_real_distribution<float> offset(-200.0f, 200.0f);
    std::uniform_int_distribution<int> kind(0, 3);
    node.SetPositionXYZ(offset(rng), offset(rng), offset(rng));
    const int k = kind(rng);
    if (k == 0)
        return; // translated only
    V3 axis{unit(rng), unit(rng), unit(rng)};
    axis.Normalize();
    if (axis.Length() == 0.0f)
        axis = {0.0f, 0.0f, 1.0f};
    M33 rotation;
    rotation.SetAxisAngle({axis.x, axis.y, axis.z, unit(rng) * kPi});
    node.SetOrientation(rotation);
    if (k >= 2)
        node.SetScale({scale(rng), scale(rng), scale(rng)});
    if (k == 3)
        node.SetRotationZ(unit(rng) * kPi); // rotation written after a scale
}

} // namespace

TEST_F(GeomTest, WorldToLocalUndoesLocalToWorldAndAgreesWithTheWorldMatrix)
{
    std::mt19937 rng(20261210);
    for (int round = 0; round < 300; ++round)
    {
        ZGroup root;
        auto* middle = new ZGroup();
        auto* plain = new ZNode(); // adds nothing to the chain
        auto* leaf = new ZGeom();
        root.AddChild(middle);
        middle->AddChild(plain);
        plain->AddChild(leaf);
        RandomTransform(rng, root);
        RandomTransform(rng, *middle);
        RandomTransform(rng, *leaf);

        std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
        const V3 local{coordinate(rng), coordinate(rng), coordinate(rng)};
        const std::string what = "round " + std::to_string(round);

        V3 world = local;
        leaf->LocalToWorld(world);
        _M44 matrix;
        leaf->GetWorldMatrix(matrix);
        V3 byMatrix = local;
        matrix.TransformVector(byMatrix, 1.0f);
        ExpectNear(world, byMatrix, 0.05f, what + " matrix");

        V3 back = world;
        leaf->WorldToLocal(back);
        ExpectNear(back, local, 0.02f, what + " round trip");

        V3 direction{1.0f, -2.0f, 0.5f};
        V3 turned = direction;
        leaf->LocalToWorldDirection(turned);
        leaf->WorldToLocalDirection(turned);
        ExpectNear(turned, direction, 0.002f, what + " direction");

        // The flag always tells the truth about the rows.
        for (ZGeom* g : {static_cast<ZGeom*>(&root), static_cast<ZGeom*>(middle), leaf})
            EXPECT_EQ(g->TestFlags(kNodeIdentityOrientation), g->Orientation().IsIdentity()) << what;
    }
}

TEST_F(GeomTest, TheIdentityFlagFollowsEveryWriteOfTheRows)
{
    ZGeom node;
    EXPECT_TRUE(node.TestFlags(kNodeIdentityOrientation));

    M33 almost;
    almost.m[0][1] = 1.0f / 8192.0f;
    node.SetOrientation(almost);
    EXPECT_TRUE(node.TestFlags(kNodeIdentityOrientation));

    node.SetScale({2.0f, 2.0f, 2.0f});
    EXPECT_FALSE(node.TestFlags(kNodeIdentityOrientation));
    V3 p{1.0f, 0.0f, 0.0f};
    node.LocalToWorld(p);
    EXPECT_FLOAT_EQ(p.x, 2.0f);

    node.SetScale({1.0f, 1.0f, 1.0f});
    EXPECT_TRUE(node.TestFlags(kNodeIdentityOrientation));

    M33 doubled;
    doubled.Scale(2.0f);
    EXPECT_TRUE(qvtest::HandChildTo("m33", &doubled,
                                    [&](const char* v) { return node.SetProperty(ZNameId("matrix"), "matrix", v); }));
    EXPECT_FALSE(node.TestFlags(kNodeIdentityOrientation));
}

TEST_F(GeomTest, AnAxisScaledToZeroGrowsBackWithItsDirection)
{
    ZGeom node;
    node.SetRotationZ(kHalfPi);
    node.SetScale({0.0f, 1.0f, 1.0f});
    EXPECT_EQ(node.Orientation().GetRow(0), (V3{0.0f, 0.0f, 0.0f}));
    node.SetScale({1.0f, 1.0f, 1.0f});
    ExpectNear(node.Orientation().GetRow(0), V3{0.0f, 1.0f, 0.0f}, 1e-5f, "x axis back");

    node.SetScale({0.0f, 0.0f, 0.0f});
    node.SetScale({3.0f, 3.0f, 3.0f});
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(node.Orientation().GetRow(i).Length(), 3.0f, 1e-5f) << i;
}

TEST_F(GeomTest, ChangesMarkTheNodeAndItsAncestors)
{
    ZGroup root;
    auto* child = new ZGeom();
    root.AddChild(child);
    root.SetChanged(false, true);
    child->SetPositionXYZ(1.0f, 2.0f, 3.0f);
    EXPECT_TRUE(root.TestFlags(kNodeChanged));
    EXPECT_TRUE(child->TestFlags(kNodeChanged));
    EXPECT_FALSE(child->IsWorldMatrixCached());
}

TEST_F(GeomTest, SceneFilePropertiesAndTheirWriting)
{
    ZGeom node;
    V4 position{1.0f, 2.0f, 3.0f, 9.0f};
    EXPECT_TRUE(qvtest::HandChildTo(
        "v4", &position, [&](const char* v) { return node.SetProperty(ZNameId("position"), "position", v); }));
    EXPECT_EQ(node.Position(), (V3{1.0f, 2.0f, 3.0f}));
    // The same property written as text is refused, never read as an object.
    EXPECT_FALSE(node.SetProperty(ZNameId("position"), "position", "1 2 3"));
    EXPECT_FALSE(node.SetProperty(ZNameId("matpos"), "matpos", "1"));
    V2 tooSmall{1.0f, 2.0f};
    EXPECT_FALSE(qvtest::HandChildTo(
        "v2", &tooSmall, [&](const char* v) { return node.SetProperty(ZNameId("position"), "position", v); }));
    EXPECT_EQ(node.Position(), (V3{1.0f, 2.0f, 3.0f}));
    EXPECT_TRUE(node.SetProperty(ZNameId("scale"), "scale", "PI"));
    EXPECT_NEAR(node.Orientation().GetRow(1).Length(), kPi, 1e-5f);
    EXPECT_TRUE(node.SetProperty(ZNameId("is2d"), "is2d", "true"));
    EXPECT_TRUE(node.TestFlags(kNode2D));
    V4 axisAngle{0.0f, 0.0f, 2.0f, kHalfPi}; // the axis need not be of unit length
    EXPECT_TRUE(qvtest::HandChildTo("v4", &axisAngle, [&](const char* v) {
        return node.SetProperty(ZNameId("orientation"), "orientation", v);
    }));
    M33 expected;
    expected.SetAxisAngle({0.0f, 0.0f, 1.0f, kHalfPi});
    for (int i = 0; i < 3; ++i)
        ExpectNear(node.Orientation().GetRow(i), expected.GetRow(i), 1e-6f, "quarter turn about z");
    EXPECT_FALSE(node.SetProperty(ZNameId("position"), "position", nullptr));

    struct Recorder : ISaveVisitor
    {
        void Attribute(const char* name, const char*) override { out += std::string(" ") + name; }
        void BeginElement(const char* property, const char* element) override
        {
            out += std::string("<") + element + (property ? std::string("@") + property : "");
        }
        void CloseStartTag() override { out += ">"; }
        void EndElement(const char*, const char* element) override
        {
            out += std::string("</") + element + ">";
        }
        std::string out;
    };
    Recorder recorder;
    node.SaveElement(&recorder);
    EXPECT_EQ(recorder.out,
              "<geom><v3@position x y z></v3><m33@matrix m00 m01 m02 m10 m11 m12 m20 m21 m22></m33></geom>");

    ZGeom plain;
    Recorder bare;
    plain.SaveElement(&bare);
    EXPECT_EQ(bare.out, "<geom></geom>");
}

TEST_F(GeomTest, MovingOntoAnotherNodeAndSettingWorldPlaces)
{
    ZGroup root;
    root.SetPositionXYZ(100.0f, 0.0f, 0.0f);
    root.SetScale({2.0f, 2.0f, 2.0f});
    auto* a = new ZGeom();
    auto* b = new ZGroup();
    auto* bChild = new ZGeom();
    root.AddChild(a);
    root.AddChild(b);
    b->AddChild(bChild);
    b->SetPositionXYZ(10.0f, 0.0f, 0.0f);
    a->SetPositionXYZ(5.0f, 5.0f, 0.0f);

    bChild->MoveToNode(a);
    V3 world;
    bChild->LocalToWorld(world);
    V3 aWorld;
    a->LocalToWorld(aWorld);
    ExpectNear(world, aWorld, 1e-4f, "same world place");

    bChild->MoveToNode2D(a, 7.0f);
    V3 p;
    bChild->LocalToWorld(p);
    EXPECT_NEAR(p.z, 7.0f, 1e-4f);

    bChild->SetWorldPosition({0.0f, 0.0f, 0.0f});
    V3 origin;
    bChild->LocalToWorld(origin);
    ExpectNear(origin, V3{}, 1e-4f, "world origin");
}
