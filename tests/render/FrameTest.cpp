#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/scene/ZCamera.h"
#include "tests/support/RecordingRender.h"

using test::RecordingCode;
using test::RecordingRender;

namespace
{
// Drawable test nodes; each draws at the list place its key gives it.
class KeyedNode : public ZGeom
{
public:
    bool GetDrawKey(const ZCamera&, const _M44&, uint32_t& key) override
    {
        key = order;
        return true;
    }
    uint32_t order = 0;
};

class TestGeomObject : public KeyedNode
{
    QV_TYPE_RECORD(TestGeomObject, &ZGeom::kTypeRecord)
public:
    std::vector<SDrawPart> parts;
};

class TestSprite : public KeyedNode
{
    QV_TYPE_RECORD(TestSprite, &ZGeom::kTypeRecord)
public:
    ZMaterial* material = nullptr;
};

class TestText : public KeyedNode
{
    QV_TYPE_RECORD(TestText, &ZGeom::kTypeRecord)
};

class TestParticles : public KeyedNode
{
    QV_TYPE_RECORD(TestParticles, &ZGeom::kTypeRecord)
};

class FrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ZRenderBase::RegisterDrawClass(
            {&TestGeomObject::kTypeRecord, EDrawKind::GeomObject,
             [](ZNode* node) { return uint32_t(static_cast<TestGeomObject*>(node)->parts.size()); },
             [](ZNode* node, uint32_t i) { return static_cast<TestGeomObject*>(node)->parts[i]; }, nullptr});
        ZRenderBase::RegisterDrawClass({&TestSprite::kTypeRecord, EDrawKind::Sprite, nullptr, nullptr,
                                        [](ZNode* node)
                                        { return static_cast<TestSprite*>(node)->material; }});
        ZRenderBase::RegisterDrawClass({&TestText::kTypeRecord, EDrawKind::Text, nullptr, nullptr, nullptr});
        ZRenderBase::RegisterDrawClass(
            {&TestParticles::kTypeRecord, EDrawKind::Particles, nullptr, nullptr, nullptr});
        render.Init(800, 600, true, nullptr);
        shader.SetCode(&code);
        root = new ZGroup();
        camera = ZCamera::Create("cam", root, false, true);
        view = ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 1.0f);
        view->AddCamera(camera);
        test::Log().clear();
    }
    void TearDown() override
    {
        for (ZMaterial* material : materials)
            material->ReturnToPool();
        for (ZTexture* texture : textures)
            delete texture;
        delete camera;
        delete root;
        for (const ZTypeRecord* type : {&TestGeomObject::kTypeRecord, &TestSprite::kTypeRecord,
                                        &TestText::kTypeRecord, &TestParticles::kTypeRecord})
            ZRenderBase::UnregisterDrawClass(type);
    }

    ZMaterial* Material(float opacity, ZTextureResource* texture = nullptr)
    {
        ZMaterial* material = ZMaterial::Allocate();
        materials.push_back(material);
        material->SetShader(&shader);
        material->SetOpacity(opacity);
        material->SetTexture(0, texture, false);
        return material;
    }
    template <class T> T* Add(const char* name, uint32_t order, bool flat = false)
    {
        T* node = new T();
        node->SetName(name);
        node->order = order;
        if (flat)
            node->SetFlags(kNode2D);
        root->AddChild(node);
        return node;
    }
    TestGeomObject* Geometry(const char* name, uint32_t order, ZMaterial* material, bool flat = false,
                             uint16_t stateWord = 1)
    {
        TestGeomObject* node = Add<TestGeomObject>(name, order, flat);
        node->parts.push_back(SDrawPart{nullptr, material, stateWord});
        return node;
    }
    TestSprite* Sprite(const char* name, uint32_t order, ZMaterial* material, bool flat = false)
    {
        TestSprite* node = Add<TestSprite>(name, order, flat);
        node->material = material;
        return node;
    }

    RecordingRender render;
    ZShaderBase shader{"s"};
    RecordingCode code{"c"};
    ZGroup* root = nullptr;
    ZCamera* camera = nullptr;
    ZView* view = nullptr;
    std::vector<ZMaterial*> materials;
    std::vector<ZTexture*> textures;
};
} // namespace

TEST_F(FrameTest, BucketsDrawOpaqueForwardThenBlendedAndFlatBackwards)
{
    auto* translucent = new ZTexture();
    textures.push_back(translucent);
    translucent->StoreImage(static_cast<uint8_t*>(std::calloc(16, 1)), kPixelRGBA, 2, 2, 2, 2, false);
    Geometry("o1", 1, Material(1.0f));
    Sprite("b1", 2, Material(0.5f));
    Geometry("o2", 3, Material(1.0f));
    Geometry("b2", 4, Material(1.0f, translucent));
    Sprite("hidden", 5, Material(0.0f));
    Sprite("f1", 6, Material(1.0f), true);
    Add<TestText>("t1", 7, true);
    Geometry("f2", 8, Material(1.0f), true);
    Add<TestParticles>("p1", 9);
    Geometry("b3", 10, Material(1.0f), false, 0x8);

    render.RenderViews();
    EXPECT_EQ(test::Log(), (std::vector<std::string>{"viewport 0", "clear cds", "clear ds", "camera cam",
                                                     "draw o1", "draw o2", "draw b3", "draw b2", "draw b1",
                                                     "flag 1 off", "particles p1", "draw f2", "text t1",
                                                     "draw f1", "flag 1 on", "target -1"}));
}

TEST_F(FrameTest, AnEmptyFlatBucketLeavesTheStateFlagAlone)
{
    Geometry("o1", 1, Material(1.0f));
    render.RenderViews();
    for (const std::string& line : test::Log())
        EXPECT_EQ(line.rfind("flag", 0), std::string::npos) << line;
}

TEST_F(FrameTest, CamerasDrawingToATargetAreLeftToTheTargetPass)
{
    Geometry("o1", 1, Material(1.0f));
    camera->SetRenderTarget(3);
    render.RenderViews();
    EXPECT_EQ(test::Log(), (std::vector<std::string>{"viewport 0", "clear cds", "target -1"}))
        << "the view is still cleared";

    test::Log().clear();
    render.RenderTargetViews();
    EXPECT_EQ(test::Log(), (std::vector<std::string>{"target 3", "viewport 0", "clear cds", "camera cam",
                                                     "draw o1", "target -1"}));
}

TEST_F(FrameTest, InactiveCamerasDrawNothing)
{
    Geometry("o1", 1, Material(1.0f));
    camera->SetActive(false);
    render.RenderViews();
    EXPECT_EQ(test::Log(), (std::vector<std::string>{"viewport 0", "clear cds", "target -1"}));
}

TEST_F(FrameTest, ViewMatrixIsSentOnlyWhenItChanges)
{
    struct Render : RecordingRender
    {
        void SetViewMatrix(const _M44&) override { ++views; }
        int views = 0;
    } counting;
    counting.SendViewMatrix(camera);
    counting.SendViewMatrix(camera);
    EXPECT_EQ(counting.views, 1);
    camera->SetPositionXYZ(10.0f, 0.0f, 0.0f);
    counting.SendViewMatrix(camera);
    EXPECT_EQ(counting.views, 2);
}

TEST_F(FrameTest, RecordMatrixOfAFlatNodeHasNoDepth)
{
    TestGeomObject* node = Geometry("f", 1, Material(1.0f), true);
    DrawRecord record;
    record.node = node;
    record.world.m[3][2] = 40.0f;
    EXPECT_EQ(render.GetRecordWorldMatrix(record).m[3][2], 0.0f);
    node->ClearFlags(kNode2D);
    EXPECT_EQ(render.GetRecordWorldMatrix(record).m[3][2], 40.0f);
}

TEST_F(FrameTest, ViewsSortTheirCamerasByPriority)
{
    ZCamera* a = ZCamera::Create("a", root, false, true);
    ZCamera* b = ZCamera::Create("b", root, false, true);
    a->SetPriority(20.0f);
    b->SetPriority(40.0f);
    camera->SetPriority(0.0f);
    view->RemoveCamera(camera);
    view->AddCamera(a);
    view->AddCamera(b);
    view->AddCamera(camera);
    ASSERT_EQ(view->GetCameras().size(), 3u);
    EXPECT_EQ(view->GetCameras()[0], camera);
    EXPECT_EQ(view->GetCameras()[1], a);
    EXPECT_EQ(view->GetCameras()[2], b);
    EXPECT_TRUE(a->GetOptions() & kCameraInView);
    delete a;
    EXPECT_EQ(view->GetCameras().size(), 2u) << "a camera leaves its view when it goes";
    delete b;
}
