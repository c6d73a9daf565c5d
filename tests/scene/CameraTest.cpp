// Cameras: creation, projection, draw-list keys, culling, limits and order.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/scene/ZCamera.h"
#include "scene/SceneTestSupport.h"

namespace
{

using CameraTest = SceneTest;

// A drawable with a rectangle around its origin, keyed by the camera's sprite rules.
class TestSprite : public ZGeom
{
public:
    TestSprite(const char* name, float x, float y, float z, float halfSize = 10.0f)
    {
        SetName(name);
        SetIs2D(true);
        SetPositionXYZ(x, y, z);
        rect = {-halfSize, -halfSize, halfSize, halfSize};
    }
    bool GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key) override
    {
        return camera.SpriteKey(*this, world, rect, key);
    }
    Rectangle2D rect;
};

// A text-like drawable keyed by depth and font.
class TestText : public ZGeom
{
public:
    TestText(float z, uint8_t font) : font(font)
    {
        SetIs2D(true);
        SetPositionXYZ(0.0f, 0.0f, z);
    }
    bool GetDrawKey(const ZCamera&, const _M44& world, uint32_t& key) override
    {
        key = ZCamera::TextKey(world, font);
        return true;
    }
    uint8_t font;
};

class FakeView : public ICameraView
{
public:
    void RemoveCamera(ZCamera* camera) override { removed.push_back(camera); }
    std::vector<ZCamera*> removed;
};

std::vector<std::string> Names(const ZCamera& camera)
{
    std::vector<std::string> out;
    for (uint32_t i = 0; i < camera.GetEntryCount(); ++i)
        out.push_back(camera.GetEntries()[i].node->GetName());
    return out;
}

} // namespace

TEST_F(CameraTest, CreateSetsTheProjectionKind)
{
    ZCamera* flat = ZCamera::Create("flat", nullptr, false, true);
    EXPECT_STREQ(flat->GetName(), "flat");
    EXPECT_EQ(flat->GetOptions(), kCameraClearDepth | kCameraOrthographic);
    EXPECT_TRUE(flat->TestFlags(kNode2D));
    EXPECT_FLOAT_EQ(flat->GetNear(), -1.0f);
    EXPECT_FLOAT_EQ(flat->GetFar(), 1.0f);
    EXPECT_EQ(flat->GetRoot(), tree);
    EXPECT_TRUE(flat->GetProjection().IsIdentity()); // no view yet

    ZCamera* deep = ZCamera::Create("deep", flat, true, true);
    EXPECT_EQ(deep->GetOptions(), kCameraClearDepth);
    EXPECT_FALSE(deep->TestFlags(kNode2D));
    EXPECT_FLOAT_EQ(deep->GetNear(), 1.0f);
    EXPECT_EQ(deep->GetRoot(), flat);
    EXPECT_EQ(deep->GetRenderTarget(), -1);
    delete deep;
    delete flat;
}

TEST_F(CameraTest, AViewGivesTheProjectionAndIsLeftWhenTheCameraDies)
{
    FakeView view;
    ZCamera* camera = ZCamera::Create("ui", nullptr, false, true);
    camera->SetView(&view, {0.0f, 0.0f, 1.0f, 0.5f});
    EXPECT_TRUE(camera->GetOptions() & kCameraInView);
    const float width = float(g_renderWidth.GetValue());
    const float height = float(g_renderHeight.GetValue()) * 0.5f;
    EXPECT_FLOAT_EQ(camera->GetProjection().m[0][0], 2.0f / width);
    EXPECT_FLOAT_EQ(camera->GetProjection().m[1][1], 2.0f / height);
    EXPECT_FLOAT_EQ(camera->GetProjection().m[2][2], 0.5f);
    EXPECT_FLOAT_EQ(camera->GetProjection().m[3][2], 0.5f);
    EXPECT_FLOAT_EQ(camera->GetAspect(), height / width);

    ZCamera* copy = static_cast<ZCamera*>(camera->Clone());
    EXPECT_FALSE(copy->GetOptions() & kCameraInView);
    delete copy;
    EXPECT_TRUE(view.removed.empty());
    delete camera;
    ASSERT_EQ(view.removed.size(), 1u);
}

TEST_F(CameraTest, DepthKeysOfTwoDimensionalNodes)
{
    struct Case
    {
        float z;
        uint32_t key;
    };
    const Case cases[] = {
        {-1000.0f, 0u},         {1000.0f, 65535u << 8}, {0.0f, 32767u << 8}, // the half step is truncated
        {-5000.0f, 0u},                                                      // clamped
        {5000.0f, 65535u << 8}, {500.0f, 49151u << 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZCamera::DepthKey(c.z), c.key) << c.z;

    _M44 world;
    world.m[3][2] = 2000.0f; // texts are clamped too
    EXPECT_EQ(ZCamera::TextKey(world, 7), (65535u << 8) + 7u);
}

TEST_F(CameraTest, TheListIsSortedByKeyAndEqualKeysKeepTheirOrder)
{
    ZCamera* camera = ZCamera::Create("ui", nullptr, false, true);
    tree->AddChild(camera);
    tree->AddChild(new TestSprite("back", 0.0f, 0.0f, -500.0f));
    tree->AddChild(new TestSprite("front-1", 0.0f, 0.0f, 500.0f));
    auto* group = ZGroup::CreateNamed("group");
    group->SetIs2D(true);
    group->SetPositionXYZ(0.0f, 0.0f, 100.0f);
    group->AddChild(new TestSprite("front-2", 0.0f, 0.0f, 400.0f)); // world z 500
    tree->AddChild(group);
    tree->AddChild(new TestSprite("front-3", 0.0f, 0.0f, 500.0f));
    tree->AddChild(new TestSprite("middle", 0.0f, 0.0f, 0.0f));

    for (int frame = 0; frame < 3; ++frame)
    {
        ASSERT_TRUE(camera->BuildDrawList());
        EXPECT_EQ(Names(*camera),
                  (std::vector<std::string>{"back", "middle", "front-1", "front-2", "front-3"}));
    }
    EXPECT_EQ(camera->GetEntries()[2].key, ZCamera::DepthKey(500.0f));
    EXPECT_FLOAT_EQ(camera->GetEntries()[3].world.m[3][2], 500.0f);
}

// A drawable with a key of its own choosing.
class KeyedNode : public ZGeom
{
public:
    explicit KeyedNode(uint32_t key) : key(key) {}
    bool GetDrawKey(const ZCamera&, const _M44&, uint32_t& out) override
    {
        out = key;
        return true;
    }
    uint32_t key;
};

TEST_F(CameraTest, LargeListsSortByTheSignedKeyDifferenceKeepingEqualKeysInOrder)
{
    // Depth-sized keys with many repeats, and keys on both sides of 2^31 (within one half-turn,
    // where the signed difference is a proper order).
    struct Case
    {
        const char* what;
        uint32_t base, spread;
    } cases[] = {{"depth keys", 0, 1u << 16}, {"keys across 2^31", 0x7FFF0000u, 1u << 17}};
    for (const Case& c : cases)
    {
        ZCamera* camera = ZCamera::Create("keys", nullptr, false, true);
        tree->AddChild(camera);
        auto* group = ZGroup::CreateNamed("keys");
        tree->AddChild(group);
        std::vector<KeyedNode*> nodes;
        uint32_t seed = 99;
        for (int i = 0; i < 3000; ++i)
        {
            seed = seed * 1664525u + 1013904223u;
            nodes.push_back(new KeyedNode(c.base + ((seed >> 8) % c.spread) * 256u));
            group->AddChild(nodes.back());
        }
        std::vector<KeyedNode*> expected = nodes;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const KeyedNode* a, const KeyedNode* b) { return int32_t(a->key - b->key) < 0; });
        for (int frame = 0; frame < 2; ++frame)
        {
            ASSERT_TRUE(camera->BuildDrawList());
            ASSERT_EQ(camera->GetEntryCount(), 3000u) << c.what;
            bool same = true;
            for (uint32_t i = 0; i < 3000; ++i)
                same = same && camera->GetEntries()[i].node == expected[i];
            EXPECT_TRUE(same) << c.what << " frame " << frame;
        }
        group->Release();
        camera->Release();
        tree->Update();
    }
}

TEST_F(CameraTest, WhatEntersTheList)
{
    struct Case
    {
        const char* what;
        void (*build)(ZSceneTree*);
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"a sprite overlapping the screen by one unit enters; one wholly outside does not",
         [](ZSceneTree* t)
         {
             const float edge = float(g_renderWidth.GetValue()) * 0.5f;
             t->AddChild(new TestSprite("overlap", edge + 9.0f, 0.0f, 0.0f));
             t->AddChild(new TestSprite("outside", edge + 11.0f, 0.0f, 0.0f));
         },
         {"overlap"}},
        {"culling follows the pivot-placed rectangle, not the origin",
         [](ZSceneTree* t)
         {
             const float edge = float(g_renderWidth.GetValue()) * 0.5f;
             auto* s = new TestSprite("pivoted", -edge - 50.0f, 0.0f, 0.0f);
             s->rect = {0.0f, -10.0f, 100.0f, 10.0f}; // origin at its left edge
             t->AddChild(s);
         },
         {"pivoted"}},
        {"a hidden group hides its subtree",
         [](ZSceneTree* t)
         {
             auto* g = ZGroup::CreateNamed("hidden", new TestSprite("inside", 0, 0, 0));
             g->SetHidden(true);
             t->AddChild(g);
             t->AddChild(new TestSprite("shown", 0, 0, 0));
         },
         {"shown"}},
        {"an inactive node and its subtree are passed over",
         [](ZSceneTree* t)
         {
             auto* s = new TestSprite("off", 0, 0, 0);
             s->AddChild(new TestSprite("below-off", 0, 0, 0));
             s->SetActive(false);
             t->AddChild(s);
         },
         {}},
        {"children-not-drawn lists the node but nothing below it",
         [](ZSceneTree* t)
         {
             auto* s = new TestSprite("parent", 0, 0, 0);
             s->AddChild(new TestSprite("child", 0, 0, 1));
             s->SetFlags(kNodeChildrenNotDrawn);
             t->AddChild(s);
         },
         {"parent"}},
        {"children enter before their parent at equal keys; plain groups make no entry",
         [](ZSceneTree* t)
         {
             auto* s = new TestSprite("parent", 0, 0, 0);
             s->AddChild(new TestSprite("child", 0, 0, 0));
             t->AddChild(s);
         },
         {"child", "parent"}},
    };
    for (const Case& c : cases)
    {
        ZSceneTree::DestroyInstance();
        ZSceneTree* t = ZSceneTree::GetInstance();
        ZCamera* camera = ZCamera::Create("ui", nullptr, false, true);
        t->AddChild(camera);
        c.build(t);
        const bool any = camera->BuildDrawList();
        EXPECT_EQ(any, !c.expected.empty()) << c.what;
        EXPECT_EQ(Names(*camera), c.expected) << c.what;
    }
}

TEST_F(CameraTest, AMovedTwoDimensionalCameraCullsInItsOwnSpace)
{
    ZCamera* camera = ZCamera::Create("ui", nullptr, false, true);
    tree->AddChild(camera);
    const float width = float(g_renderWidth.GetValue());
    tree->AddChild(new TestSprite("right", width, 0.0f, 0.0f));
    EXPECT_FALSE(camera->BuildDrawList());
    camera->SetPositionXYZ(width, 0.0f, 0.0f);
    EXPECT_TRUE(camera->BuildDrawList());
}

TEST_F(CameraTest, AtMost4096EntriesAndAnInactiveRootGivesNone)
{
    ZCamera* camera = ZCamera::Create("ui", nullptr, false, true);
    tree->AddChild(camera);
    for (int i = 0; i < 4200; ++i)
        tree->AddChild(new TestSprite("s", 0.0f, 0.0f, float(i % 100)));
    ASSERT_TRUE(camera->BuildDrawList());
    EXPECT_EQ(camera->GetEntryCount(), ZCamera::kMaxEntries);

    tree->SetActive(false);
    EXPECT_FALSE(camera->BuildDrawList());
    camera->SetRoot(nullptr);
    EXPECT_FALSE(camera->BuildDrawList());
}

TEST_F(CameraTest, ThreeDimensionalKeysMeasureTheDistanceToTheNodesBounds)
{
    struct Box : ZGeom
    {
        explicit Box(const char* name) { SetName(name); }
        void AccumulateBounds(ZBoundingBox& box) override
        {
            V3 corners[2] = {{-10.0f, -10.0f, -10.0f}, {10.0f, 10.0f, 10.0f}};
            box.AddPoints(2, corners);
        }
        bool GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key) override
        {
            key = camera.GeometryKey(*this, world);
            return true;
        }
    };
    ZCamera* camera = ZCamera::Create("eye", nullptr, true, false);
    tree->AddChild(camera);
    camera->SetPositionXYZ(0.0f, 0.0f, -100.0f);
    auto* nearBox = new Box("near");
    nearBox->SetPositionXYZ(0.0f, 0.0f, 0.0f);
    auto* farBox = new Box("far");
    farBox->SetPositionXYZ(0.0f, 0.0f, 200.0f);
    auto* point = new ZGeom(); // a kind that does not draw
    tree->AddChild(farBox);
    tree->AddChild(nearBox);
    tree->AddChild(point);
    ASSERT_TRUE(camera->BuildDrawList());
    EXPECT_EQ(Names(*camera), (std::vector<std::string>{"near", "far"}));
    EXPECT_EQ(camera->GetEntries()[0].key, 90u << 8);
    EXPECT_EQ(camera->GetEntries()[1].key, 290u << 8);
}
