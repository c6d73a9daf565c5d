// Geometry objects: a scene file declares a primitive over a vertex file and objects that show it;
// the frame driver sorts each part into the opaque, blended or 2D bucket; a damaged vertex file or
// a primitive nobody declared leaves the object drawing nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/controllers/ZAnimateTexture2D.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/fs/ZStream.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/import/ZVertexBinImport.h"
#include "engine/import/ZXMLSaveVisitor.h"
#include "engine/render/ZView.h"
#include "engine/render/resources/ZPrimitive.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZGeomObject.h"
#include "support/TestFiles.h"
#include "support/VtxWriter.h"
#include "tests/support/RecordingRender.h"

using test::RecordingRender;
using test::VertexRender;

namespace
{

const char* const kShaders = "shaderdef standard\nshadercode standard_code\nend\n"
                             "shaderdef geomflat\nshadercode standard_code\nend\n";

class GeomObjectTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ZVertexBinImport::ReleaseMeshCache();
        ZMaterial::InitPool();
        render.Init(800, 600, true, nullptr);
        library = std::make_unique<ZShaderLibrary>();
        library->ParseDefinitions(kShaders);
        table.AddMount("shaders", (std::string(QV_FIXTURES) + "/render").c_str());
        table.AddMount("geomtest", dir.Path().c_str());
        table.AddMount("geomfix", (std::string(QV_FIXTURES) + "/geom").c_str());
        flat = Material("geomtest_flat");
        root = new ZGroup();
        camera = ZCamera::Create("cam", root, false, true);
        view = ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 1.0f);
        view->AddCamera(camera);
    }
    void TearDown() override
    {
        delete camera;
        delete root;
        for (ZMaterial* material : materials)
            material->ReturnToPool();
        for (ZTexture* texture : textures)
            delete texture;
        // The primitives and parts live in their resource groups.
        ZResourceManager::DestroyInstance();
        ZVertexBinImport::ReleaseMeshCache();
    }

    // The left panel (red) and the right panel (green) of the fixture's vertex file.
    void WritePanels(std::string bytes = {})
    {
        if (bytes.empty())
        {
            qvtest::VtxWriter file;
            file.Header();
            EXPECT_EQ(file.Rectangle(-400.0f, -300.0f, 0.0f, 300.0f, 0xFFFF0000), 12u);
            EXPECT_EQ(file.Rectangle(0.0f, -300.0f, 400.0f, 300.0f, 0xFF00FF00, 5.0f), 248u);
            bytes = file.bytes;
        }
        ASSERT_TRUE(qvtest::WriteWholeFile(dir / "panels.vtx", bytes));
    }
    void Import()
    {
        ASSERT_EQ(ImportSceneFile(ZResourcePath("geomfix:panels.xml"), root, nullptr, &importer), 0);
    }
    ZMaterial* Material(const char* name)
    {
        ZMaterial* material = ZMaterial::CreateForShader(name, library->FindShader("geomflat"));
        EXPECT_NE(material, nullptr);
        materials.push_back(material);
        return material;
    }
    ZGeomObject* Object(const char* path) { return ZEntityCast<ZGeomObject>(root->FindNode(path)); }

    struct Buckets
    {
        std::vector<DrawRecord> opaque, blended, flat;
    };
    Buckets Sort()
    {
        Buckets out;
        std::vector<DrawRecord> a(ZRenderBase::kBucketSize), b(ZRenderBase::kBucketSize),
            c(ZRenderBase::kBucketSize);
        uint32_t na = 0, nb = 0, nc = 0;
        camera->BuildDrawList();
        render.BuildDrawList(camera, a.data(), na, b.data(), nb, c.data(), nc);
        out.opaque.assign(a.begin(), a.begin() + na);
        out.blended.assign(b.begin(), b.begin() + nb);
        out.flat.assign(c.begin(), c.begin() + nc);
        return out;
    }

    qvtest::TempDir dir;
    ZMountTable table;
    ZFileSystem fs{&table};
    VertexRender render;
    std::unique_ptr<ZShaderLibrary> library;
    SSceneImporterHolder importer;
    ZMaterial* flat = nullptr;
    ZGroup* root = nullptr;
    ZCamera* camera = nullptr;
    ZView* view = nullptr;
    std::vector<ZMaterial*> materials;
    std::vector<ZTexture*> textures;

public:
    ~GeomObjectTest() override { ReleaseSceneImporter(&importer); }
};

TEST_F(GeomObjectTest, SceneFileDeclaresThePrimitiveAndTheObjectShowsIt)
{
    WritePanels();
    Import();
    ZPrimitive* primitive = ZPrimitive::Find("geomtest_panels");
    ASSERT_NE(primitive, nullptr);
    ASSERT_EQ(primitive->GetPartCount(), 2u);
    const ZSubPrimitive* left = primitive->GetPart(0);
    const ZSubPrimitive* right = primitive->GetPart(1);
    EXPECT_EQ(left->GetOffset(), 12u);
    EXPECT_EQ(right->GetOffset(), 248u);
    EXPECT_EQ(left->GetKind(), uint32_t(kPrimTriangleList));
    EXPECT_EQ(left->GetPrimitiveCount(), 2u);
    EXPECT_GE(left->GetVertexBufferId(), 0);
    EXPECT_GE(right->GetVertexBufferId(), 0);
    EXPECT_EQ(left->GetMaterial(), flat);
    // A part declared without a material draws with the default one.
    ASSERT_NE(right->GetMaterial(), nullptr);
    EXPECT_EQ(right->GetMaterial(), ZMaterial::GetDefault());
    EXPECT_STREQ(right->GetMaterial()->GetName(), "default_material");

    ZGeomObject* panels = Object("layer/panels");
    ASSERT_NE(panels, nullptr);
    EXPECT_TRUE(panels->TestFlags(kNode2D));
    EXPECT_EQ(panels->GetPrimitive(), primitive);
    EXPECT_TRUE(panels->HasGeometry());
    // Controllers that animate a material reach the first part's.
    EXPECT_EQ(panels->QueryGeometry(), flat);

    // The box of both panels, in the object's space.
    panels->SetPositionXYZ(1000.0f, 0.0f, 0.0f);
    ZBoundingBox box;
    box.Reset();
    panels->AccumulateBounds(box);
    EXPECT_FLOAT_EQ(box.min.x, -400.0f);
    EXPECT_FLOAT_EQ(box.max.x, 400.0f);
    EXPECT_FLOAT_EQ(box.min.y, -300.0f);
    EXPECT_FLOAT_EQ(box.max.z, 5.0f);
    // Groups gather it through their leaves.
    ZBoundingBox layer;
    layer.Reset();
    static_cast<ZGeom*>(root->FindNode("layer"))->AccumulateBounds(layer);
    EXPECT_FLOAT_EQ(layer.max.x, 400.0f);

    // A copy shares the primitive.
    auto* copy = static_cast<ZGeomObject*>(panels->Clone());
    EXPECT_EQ(copy->GetPrimitive(), primitive);
    EXPECT_FLOAT_EQ(copy->Position().x, 1000.0f);
    delete copy;
}

TEST_F(GeomObjectTest, AWrittenSceneReadsBackTheSamePrimitiveAndObject)
{
    WritePanels();
    Import();
    std::vector<char> buffer(1 << 16);
    ZMemoryStream stream(buffer.data(), uint32_t(buffer.size()));
    ZXMLSaveVisitor visitor(&stream);
    visitor.BeginElement(nullptr, "scene");
    visitor.CloseStartTag();
    ZSerializerBase* serializer = ZSerializerBase::FindByName("primitive");
    ASSERT_NE(serializer, nullptr);
    ZSerializerState* state = serializer->StateForEntity(ZPrimitive::Find("geomtest_panels"));
    visitor.BeginElement(nullptr, "primitive");
    serializer->Write(state, &visitor);
    visitor.CloseStartTag();
    serializer->WriteChildren(state, &visitor);
    visitor.EndElement(nullptr, "primitive");
    ZSerializerState::Release(state);
    visitor.BeginElement(nullptr, "scenetree");
    visitor.CloseStartTag();
    root->FindNode("layer")->SaveElement(&visitor);
    visitor.EndElement(nullptr, "scenetree");
    visitor.EndElement(nullptr, "scene");
    ASSERT_FALSE(visitor.HasFailed());
    const std::string text(buffer.data(), size_t(stream.Tell()));

    delete root->FindNode("layer");
    delete ZPrimitive::Find("geomtest_panels");
    ASSERT_EQ(ZPrimitive::Find("geomtest_panels"), nullptr);
    ZSceneXMLImport2 reader;
    reader.SetParentNode(root);
    ASSERT_EQ(reader.ImportBuffer(text.data(), text.size()), 0) << text;
    ZPrimitive* primitive = ZPrimitive::Find("geomtest_panels");
    ASSERT_NE(primitive, nullptr) << text;
    ASSERT_EQ(primitive->GetPartCount(), 2u) << text;
    EXPECT_EQ(primitive->GetPart(0)->GetOffset(), 12u);
    EXPECT_EQ(primitive->GetPart(1)->GetOffset(), 248u);
    EXPECT_EQ(primitive->GetPart(0)->GetMaterial(), flat);
    EXPECT_EQ(primitive->GetPart(1)->GetMaterial(), ZMaterial::GetDefault());
    EXPECT_GE(primitive->GetPart(1)->GetVertexBufferId(), 0);
    ZGeomObject* panels = Object("layer/panels");
    ASSERT_NE(panels, nullptr) << text;
    EXPECT_EQ(panels->GetPrimitive(), primitive);
    ZGeomObject* ghost = Object("layer/ghost");
    ASSERT_NE(ghost, nullptr) << text;
    EXPECT_EQ(ghost->GetPrimitive(), nullptr);
    // It still asks for the primitive it named.
    EXPECT_EQ(ghost->GetPrimitiveId(), ZNameId("geomtest_absent"));
}

TEST_F(GeomObjectTest, ObjectDeclaredBeforeItsPrimitiveFindsItLater)
{
    auto* object = new ZGeomObject();
    root->AddChild(object);
    ASSERT_TRUE(object->SetProperty(ZNameId("primid").Value(), "primid", "geomtest_panels"));
    EXPECT_EQ(object->GetPrimitive(), nullptr);
    EXPECT_EQ(object->QueryGeometry(), nullptr);
    WritePanels();
    Import();
    EXPECT_EQ(object->GetPrimitive(), ZPrimitive::Find("geomtest_panels"));
    EXPECT_TRUE(object->HasGeometry());
}

TEST_F(GeomObjectTest, UVScrollDrivesTheMaterialOfAOnePartObjectOnly)
{
    WritePanels();
    Import();
    ZGeomObject* panels = Object("layer/panels");
    ASSERT_NE(panels, nullptr);
    ASSERT_EQ(panels->GetPartCount(), 2u);
    ZTextureUVScroll* both = ZTextureUVScroll::Create(panels);
    EXPECT_EQ(both->material, nullptr);

    ZPrimitive* single = ZPrimitive::Create();
    single->AddPart(ZPrimitive::Find("geomtest_panels")->GetPart(0));
    auto* object = new ZGeomObject();
    object->SetPrimitive(single);
    root->AddChild(object);
    ZTextureUVScroll* one = ZTextureUVScroll::Create(object);
    EXPECT_EQ(one->material, flat);
    EXPECT_EQ(flat->GetSwitch(ZMaterial::kSwitchTextureTransform), 0);
    delete both;
    delete one;
}

TEST_F(GeomObjectTest, EachPartGoesToItsBucket)
{
    auto* translucent = new ZTexture();
    textures.push_back(translucent);
    translucent->StoreImage(static_cast<uint8_t*>(std::calloc(16, 1)), kPixelRGBA, 2, 2, 2, 2, false);

    enum Bucket
    {
        Opaque,
        Blended,
        Flat
    };
    struct Case
    {
        const char* what;
        bool is2D;
        uint32_t vertexAlpha;
        bool additive;
        bool seeThroughTexture;
        Bucket want;
    } cases[] = {
        {"plain", false, 0xFF, false, false, Opaque},
        {"see-through vertex colour", false, 0x80, false, false, Blended},
        {"additive state", false, 0xFF, true, false, Blended},
        {"translucent texture", false, 0xFF, false, true, Blended},
        {"2D", true, 0xFF, false, false, Flat},
        {"2D, see-through and additive", true, 0x80, true, false, Flat},
    };
    std::map<const ZSubPrimitive*, const Case*> byPart;
    std::vector<ZPrimitive*> primitives;
    for (const Case& c : cases)
    {
        qvtest::VtxWriter file;
        file.Header();
        file.Rectangle(-10.0f, -10.0f, 10.0f, 10.0f, (c.vertexAlpha << 24) | 0x00FFFFFF);
        const std::string& bytes = file.bytes;
        // The chunk's vertices as the renderer takes them.
        std::vector<uint8_t> records(bytes.begin() + 32, bytes.end());
        for (size_t v = 0; v < 6; ++v)
        {
            float stored = 0.0f;
            std::memcpy(&stored, records.data() + v * 36 + 32, 4);
            stored = 1.0f - stored;
            std::memcpy(records.data() + v * 36 + 32, &stored, 4);
        }
        ZSubPrimitive* part = ZSubPrimitive::Create(2, records.data(), kPrimTriangleList);
        ZMaterial* material = Material(c.what);
        if (c.additive)
            material->GetRenderState()->SetId(material->GetRenderState()->GetId() | 0x1);
        if (c.seeThroughTexture)
            material->SetTexture(0, translucent, false);
        part->SetMaterial(material);
        ZPrimitive* primitive = ZPrimitive::Create();
        primitive->AddPart(part);
        primitives.push_back(primitive);
        auto* object = new ZGeomObject();
        object->SetName(c.what);
        object->SetPrimitive(primitive);
        object->SetIs2D(c.is2D);
        root->AddChild(object);
        byPart[part] = &c;
    }
    const Buckets buckets = Sort();
    EXPECT_EQ(buckets.opaque.size() + buckets.blended.size() + buckets.flat.size(), std::size(cases));
    const std::pair<const std::vector<DrawRecord>*, Bucket> lists[] = {
        {&buckets.opaque, Opaque}, {&buckets.blended, Blended}, {&buckets.flat, Flat}};
    for (const auto& [list, bucket] : lists)
    {
        for (const DrawRecord& record : *list)
        {
            ASSERT_TRUE(byPart.count(record.part));
            const Case& c = *byPart[record.part];
            EXPECT_EQ(bucket, c.want) << c.what;
            EXPECT_EQ(record.node->GetName(), std::string(c.what));
            EXPECT_EQ(record.material, record.part->GetMaterial()) << c.what;
            EXPECT_EQ(record.shader, library->FindShader("geomflat")) << c.what;
        }
    }
}

TEST_F(GeomObjectTest, DamagedVertexFileOrMissingPrimitiveDrawsNothing)
{
    const std::string damaged[] = {
        // A chunk that claims more vertices than the file holds.
        qvtest::VtxWriter().Header().ChunkHeader(1000, 4).Point(0, 0, 0, 0xFFFFFFFF).bytes,
        // A chunk whose tag is not "VTXH".
        qvtest::VtxWriter().Header().ChunkHeader(3, 4, 0x12345678).Vertex(0).Vertex(1).Vertex(2).bytes,
        // Cut off inside the file header.
        std::string("\x11\x00\x00", 3),
    };
    for (const std::string& bytes : damaged)
    {
        WritePanels(bytes);
        Import();
        ZGeomObject* panels = Object("layer/panels");
        ASSERT_NE(panels, nullptr);
        EXPECT_FALSE(panels->HasGeometry());
        EXPECT_EQ(panels->QueryGeometry(), nullptr);
        ZBoundingBox box;
        box.Reset();
        panels->AccumulateBounds(box);
        EXPECT_GT(box.min.x, box.max.x) << "nothing added";
        const Buckets buckets = Sort();
        EXPECT_TRUE(buckets.opaque.empty() && buckets.blended.empty() && buckets.flat.empty());
        delete root->FindNode("layer");
        // The next round declares the primitive again.
        delete ZPrimitive::Find("geomtest_panels");
    }

    // No file at all, and an object whose primitive nobody declares.
    Import();
    ZGeomObject* ghost = Object("layer/ghost");
    ASSERT_NE(ghost, nullptr);
    EXPECT_EQ(ghost->GetPrimitive(), nullptr);
    EXPECT_EQ(ghost->GetPartCount(), 0u);
    EXPECT_EQ(ghost->QueryGeometry(), nullptr);
    EXPECT_FALSE(Object("layer/panels")->HasGeometry());
    const Buckets buckets = Sort();
    EXPECT_TRUE(buckets.opaque.empty() && buckets.blended.empty() && buckets.flat.empty());
}
} // namespace
