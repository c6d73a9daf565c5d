#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/import/ZVertexBinImport.h"
#include "engine/render/resources/ZPrimitive.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/TestFiles.h"

using test::RecordingRender;
using test::VertexRender;

namespace
{

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}
void PutFloat(std::vector<uint8_t>& out, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(out, bits);
}

struct Vtx
{
    float x, y, z;
    uint32_t argb = 0xFFFFFFFF;
};

// 36-byte records: position, normal, colour, u, v.
std::vector<uint8_t> Records(const std::vector<Vtx>& vertices)
{
    std::vector<uint8_t> out;
    for (const Vtx& v : vertices)
    {
        PutFloat(out, v.x);
        PutFloat(out, v.y);
        PutFloat(out, v.z);
        for (int i = 0; i < 3; ++i)
            PutFloat(out, 0.0f);
        PutU32(out, v.argb);
        PutFloat(out, 0.0f);
        PutFloat(out, 0.0f);
    }
    return out;
}

std::vector<Vtx> Fill(size_t count, float scale = 1.0f)
{
    std::vector<Vtx> out;
    for (size_t i = 0; i < count; ++i)
        out.push_back({float(i) * scale, -float(i) * scale, 0.5f * scale});
    return out;
}

class PrimitiveTest : public ::testing::Test
{
protected:
    void SetUp() override { render.Init(800, 600, true, nullptr); }
    VertexRender render;
};

TEST_F(PrimitiveTest, VertexCountFollowsTheKind)
{
    struct Case
    {
        uint32_t kind, count, vertices;
    } cases[] = {{kPrimPointList, 10, 10},
                 {kPrimLineList, 10, 20},
                 {kPrimLineStrip, 10, 11},
                 {kPrimTriangleList, 10, 30},
                 {kPrimTriangleStrip, 10, 12},
                 {kPrimTriangleFan, 10, 12},
                 {7, 10, 0}};
    for (const Case& c : cases)
    {
        const auto data = Records(Fill(c.vertices ? c.vertices : 1));
        ZSubPrimitive* part = ZSubPrimitive::Create(c.count, data.data(), c.kind);
        EXPECT_EQ(part->GetVertexCount(), c.vertices) << c.kind;
        EXPECT_EQ(part->GetVertexBufferId() >= 0, c.vertices != 0) << c.kind;
        if (c.vertices)
        {
            EXPECT_EQ(render.buffers[part->GetVertexBufferId()].size(), c.vertices * kVertexSize);
        }
        delete part;
    }
    EXPECT_TRUE(render.buffers.empty());
}

TEST_F(PrimitiveTest, BoxAndBlendFlagComeFromTheRecords)
{
    auto vertices = Fill(6, 2.0f);
    ZSubPrimitive* opaque = ZSubPrimitive::Create(2, Records(vertices).data(), kPrimTriangleList);
    EXPECT_EQ(opaque->GetPartFlags(), kSubPrimCreated);
    EXPECT_FLOAT_EQ(opaque->GetBounds().min.x, 0.0f);
    EXPECT_FLOAT_EQ(opaque->GetBounds().max.x, 10.0f);
    EXPECT_FLOAT_EQ(opaque->GetBounds().min.y, -10.0f);
    EXPECT_FLOAT_EQ(opaque->GetBounds().max.y, 0.0f);
    EXPECT_FLOAT_EQ(opaque->GetBounds().max.z, 1.0f);

    vertices[4].argb = 0x80FFFFFF;
    ZSubPrimitive* blended = ZSubPrimitive::Create(2, Records(vertices).data(), kPrimTriangleList);
    EXPECT_TRUE(blended->GetPartFlags() & kSubPrimBlended);
    delete opaque;
    delete blended;
}

TEST_F(PrimitiveTest, WithoutADeviceBufferTheBoxStaysEmpty)
{
    RecordingRender plain; // makes no vertex buffers
    const auto data = Records(Fill(3));
    ZSubPrimitive* part = ZSubPrimitive::Create(1, data.data(), kPrimTriangleList);
    EXPECT_EQ(part->GetVertexBufferId(), -1);
    EXPECT_TRUE(part->GetBounds().min.x > part->GetBounds().max.x);
    EXPECT_EQ(part->ReleaseDeviceBuffer(), 0);
    delete part;
}

TEST_F(PrimitiveTest, SixteenPartsAndNoMore)
{
    ZPrimitive* primitive = ZPrimitive::Create();
    std::vector<ZSubPrimitive*> parts;
    for (int i = 0; i < 17; ++i)
        parts.push_back(ZSubPrimitive::Create(1, Records(Fill(3, float(i + 1))).data(), kPrimTriangleList));
    // The first copies its box; one lying inside it changes nothing.
    ASSERT_TRUE(primitive->AddPart(parts[1]));
    EXPECT_FLOAT_EQ(primitive->GetBounds().max.x, 4.0f);
    ASSERT_TRUE(primitive->AddPart(parts[0]));
    EXPECT_FLOAT_EQ(primitive->GetBounds().max.x, 4.0f);
    EXPECT_FLOAT_EQ(primitive->GetBounds().min.y, -4.0f);
    for (int i = 2; i < 16; ++i)
        ASSERT_TRUE(primitive->AddPart(parts[i]));
    EXPECT_FLOAT_EQ(primitive->GetBounds().max.x, 32.0f);
    EXPECT_FALSE(primitive->AddPart(parts[16]));
    EXPECT_FALSE(primitive->AddPart(nullptr));
    EXPECT_EQ(primitive->GetPartCount(), 16u);
    EXPECT_FLOAT_EQ(primitive->GetBounds().max.x, 32.0f);
    for (ZSubPrimitive* part : parts)
        delete part;
    delete primitive;
}

TEST_F(PrimitiveTest, PropertiesOfScenes)
{
    ZSubPrimitive* part = ZSubPrimitive::CreateEmpty();
    part->SetName("prim_test_part");
    EXPECT_TRUE(part->SetProperty(ZNameId("offset"), "4096"));
    EXPECT_EQ(part->GetOffset(), 4096u);
    EXPECT_TRUE(part->SetProperty(ZNameId("offset"), "junk"));
    EXPECT_EQ(part->GetOffset(), 4096u);
    EXPECT_FALSE(part->SetProperty(ZNameId("colour"), "1"));

    ZPrimitive* primitive = ZPrimitive::Create();
    EXPECT_TRUE(primitive->SetProperty(ZNameId("name"), "prim_test"));
    EXPECT_TRUE(primitive->SetProperty(ZNameId("path"), "game:meshes/rock.vtx"));
    EXPECT_TRUE(primitive->SetProperty(ZNameId("subprim"), "prim_test_part"));
    EXPECT_FALSE(primitive->SetProperty(ZNameId("subprim"), "no_such_part"));
    EXPECT_EQ(primitive->GetPartCount(), 1u);
    EXPECT_EQ(ZPrimitive::Find("prim_test"), primitive);
    EXPECT_EQ(primitive->GetPath(), "game:meshes/rock.vtx");
    delete primitive;
    delete part;
}

// Stands in for the vertex-file reader: blocks by offset, checked against the file's bytes.
class BlockSource : public IVertexBlockSource
{
public:
    bool Parse(const char* pathName, const uint8_t* data, size_t size) override
    {
        parsedName = pathName;
        parsed.assign(data, data + size);
        return true;
    }
    bool GetBlock(uint32_t offset, SPartBlock& block) override
    {
        auto at = blocks.find(offset);
        if (at == blocks.end())
            return false;
        block = {kPrimTriangleList, uint32_t(at->second.size() / kVertexSize / 3), at->second.data()};
        return true;
    }
    void Finish() override { ++finished; }
    std::map<uint32_t, std::vector<uint8_t>> blocks;
    std::string parsedName;
    std::vector<uint8_t> parsed;
    int finished = 0;
};

TEST_F(PrimitiveTest, LoadRemakesEachPartFromItsBlockOrNone)
{
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::WriteWholeFile(dir.Path() + "/rock.vtx", "VTXH-data"));
    ZMountTable table;
    ZFileSystem fs(&table);
    table.AddMount("meshes", dir.Path().c_str());

    BlockSource source;
    source.blocks[0] = Records(Fill(3, 1.0f));
    source.blocks[108] = Records(Fill(6, 5.0f));
    IVertexBlockSource* const saved = ZPrimitive::GetBlockSource();
    ZPrimitive::SetBlockSource(&source);

    ZPrimitive* primitive = ZPrimitive::Create();
    primitive->SetPath("meshes:rock.vtx");
    ZSubPrimitive* a = ZSubPrimitive::CreateEmpty();
    ZSubPrimitive* b = ZSubPrimitive::CreateEmpty();
    ZSubPrimitive* missing = ZSubPrimitive::CreateEmpty();
    b->SetOffset(108);
    missing->SetOffset(7);
    primitive->AddPart(a);
    primitive->AddPart(b);
    primitive->AddPart(missing);

    // One part without a block: the file does not belong to this primitive, and nothing changes.
    EXPECT_EQ(primitive->Load(), 1);
    EXPECT_EQ(source.parsed, std::vector<uint8_t>({'V', 'T', 'X', 'H', '-', 'd', 'a', 't', 'a'}));
    EXPECT_EQ(source.finished, 1);
    EXPECT_EQ(primitive->GetPart(0), a);
    EXPECT_EQ(primitive->GetPart(1), b);
    EXPECT_EQ(primitive->GetPart(2), missing);

    source.blocks[7] = Records(Fill(3, 2.0f));
    EXPECT_EQ(primitive->Load(), 0);
    EXPECT_EQ(source.finished, 2);
    EXPECT_NE(primitive->GetPart(0), a);
    EXPECT_EQ(primitive->GetPart(0)->GetVertexCount(), 3u);
    EXPECT_EQ(primitive->GetPart(1)->GetVertexCount(), 6u);
    EXPECT_EQ(primitive->GetPart(1)->GetOffset(), 108u);
    EXPECT_EQ(primitive->GetPart(2)->GetOffset(), 7u);
    EXPECT_FLOAT_EQ(primitive->GetBounds().max.x, 25.0f);

    // A file that is not there leaves the parts alone.
    ZSubPrimitive* kept = primitive->GetPart(0);
    primitive->SetPath("meshes:none.vtx");
    EXPECT_EQ(primitive->Load(), 1);
    EXPECT_EQ(primitive->GetPart(0), kept);

    for (uint32_t i = 0; i < 3; ++i)
        delete primitive->GetPart(i);
    delete a;
    delete b;
    delete missing;
    delete primitive;
    ZPrimitive::SetBlockSource(saved);
}

// Vertex files written field by field, as the exporter does: a 12-byte header, then chunks of a
// 20-byte header (tag, spare, vertex count, kind, spare) and 36-byte vertices holding 1 - v.
class VtxFile
{
public:
    VtxFile() { bytes.assign(12, 0x5A); }
    // Returns the chunk's byte position: the offset its part names.
    uint32_t Chunk(uint32_t kind, int32_t count, float base, int32_t claimed = -1)
    {
        const uint32_t at = uint32_t(bytes.size());
        PutU32(bytes, ZVertexBinImport::kChunkTag);
        PutU32(bytes, 0);
        PutU32(bytes, uint32_t(claimed >= 0 ? claimed : count));
        PutU32(bytes, kind);
        PutU32(bytes, 0);
        for (int32_t i = 0; i < count; ++i)
        {
            PutFloat(bytes, base + float(i));
            PutFloat(bytes, -base);
            PutFloat(bytes, 0.0f);
            for (int n = 0; n < 3; ++n)
                PutFloat(bytes, 0.0f);
            PutU32(bytes, 0xFF102030);
            PutFloat(bytes, 0.5f);
            PutFloat(bytes, 0.25f);
        }
        return at;
    }
    std::vector<uint8_t> bytes;
};

class VertexFileTest : public PrimitiveTest
{
protected:
    void SetUp() override
    {
        PrimitiveTest::SetUp();
        ZVertexBinImport::ReleaseMeshCache();
        table.AddMount("meshes", dir.Path().c_str());
    }
    void TearDown() override
    {
        for (ZSubPrimitive* part : made)
            delete part;
        ZVertexBinImport::ReleaseMeshCache();
    }
    void Write(const char* name, const std::vector<uint8_t>& bytes)
    {
        ASSERT_TRUE(qvtest::WriteWholeFile(dir.Path() + "/" + name, std::string(bytes.begin(), bytes.end())));
    }
    ZPrimitive* Make(const char* path, std::initializer_list<uint32_t> offsets)
    {
        ZPrimitive* primitive = ZPrimitive::Create();
        primitive->SetPath(path);
        for (uint32_t offset : offsets)
        {
            ZSubPrimitive* part = ZSubPrimitive::CreateEmpty();
            part->SetOffset(offset);
            made.push_back(part);
            EXPECT_TRUE(primitive->AddPart(part));
        }
        return primitive;
    }
    // The parts a load made are the primitive's to give back here.
    void Forget(ZPrimitive* primitive)
    {
        for (uint32_t i = 0; i < primitive->GetPartCount(); ++i)
            if (std::find(made.begin(), made.end(), primitive->GetPart(i)) == made.end())
                made.push_back(primitive->GetPart(i));
        delete primitive;
    }
    size_t CachedBlocks(const char* name) { return ZVertexBinImport::GetMeshCache()->GetBlocks(name).size(); }

    qvtest::TempDir dir;
    ZMountTable table;
    ZFileSystem fs{&table};
    std::vector<ZSubPrimitive*> made;
};

TEST_F(VertexFileTest, TheCacheGivesEachPrimitiveItsGeometry)
{
    ASSERT_EQ(ZPrimitive::GetBlockSource(), ZVertexBlockSource::GetInstance());
    VtxFile file;
    const uint32_t triangles = file.Chunk(kPrimTriangleList, 3, 1.0f);
    const uint32_t strip = file.Chunk(kPrimTriangleStrip, 4, 10.0f);
    Write("rock.vtx", file.bytes);

    ZPrimitive* rock = Make("meshes:rock.vtx", {triangles, strip});
    ZPrimitive* shard = Make("meshes:rock.vtx", {strip});
    ASSERT_EQ(rock->Load(), 0);
    ASSERT_EQ(shard->Load(), 0);
    // The cache knows the file by its resource name.
    const char* cachedName = "meshes:rock.vtx";
    EXPECT_EQ(CachedBlocks(cachedName), 2u);

    ZSubPrimitive* part = rock->GetPart(0);
    EXPECT_EQ(part->GetKind(), uint32_t(kPrimTriangleList));
    EXPECT_EQ(part->GetPrimitiveCount(), 1u);
    ASSERT_GE(part->GetVertexBufferId(), 0);
    const std::vector<uint8_t>& vb = render.buffers[part->GetVertexBufferId()];
    ASSERT_EQ(vb.size(), 3 * kVertexSize);
    float v = 0.0f;
    std::memcpy(&v, vb.data() + 32, 4);
    EXPECT_FLOAT_EQ(v, 0.75f); // files hold 1 - v
    EXPECT_EQ(vb[27], 0xFF);   // colour alpha, little-endian ARGB
    EXPECT_FALSE(part->GetPartFlags() & kSubPrimBlended);
    EXPECT_FLOAT_EQ(rock->GetBounds().max.x, 13.0f);
    EXPECT_FLOAT_EQ(rock->GetBounds().min.y, -10.0f);

    // Both primitives of the file got the strip: two triangles from four vertices.
    for (ZPrimitive* p : {rock, shard})
    {
        ZSubPrimitive* s = p->GetPart(p->GetPartCount() - 1);
        EXPECT_EQ(s->GetKind(), uint32_t(kPrimTriangleStrip));
        EXPECT_EQ(s->GetPrimitiveCount(), 2u);
        EXPECT_EQ(s->GetVertexCount(), 4u);
    }

    // Unloading drops the file's entry; the geometry stays with the parts, and a later load finds
    // the file again.
    EXPECT_EQ(rock->UnloadData(), 0);
    EXPECT_EQ(CachedBlocks(cachedName), 0u);
    EXPECT_EQ(rock->GetPart(0)->GetVertexCount(), 3u);
    ZSubPrimitive* before = shard->GetPart(0);
    made.push_back(before);
    ASSERT_EQ(shard->Load(), 0);
    EXPECT_NE(shard->GetPart(0), before);
    EXPECT_EQ(CachedBlocks(cachedName), 2u);
    // So does deleting a loaded primitive.
    Forget(shard);
    EXPECT_EQ(CachedBlocks(cachedName), 0u);
    Forget(rock);
}

TEST_F(VertexFileTest, AFileThatDoesNotMatchItsPrimitiveIsRefused)
{
    VtxFile good;
    const uint32_t first = good.Chunk(kPrimTriangleList, 3, 1.0f);
    good.Chunk(kPrimTriangleList, 3, 2.0f);
    Write("good.vtx", good.bytes);
    VtxFile oddKind;
    const uint32_t odd = oddKind.Chunk(9, 3, 1.0f);
    Write("odd.vtx", oddKind.bytes);
    VtxFile cut;
    const uint32_t claimed = cut.Chunk(kPrimTriangleList, 3, 1.0f, 1000); // claims more than it holds
    Write("cut.vtx", cut.bytes);
    Write("junk.vtx", std::vector<uint8_t>(64, 0xEE));

    struct Case
    {
        const char* path;
        uint32_t offset;
    } cases[] = {{"meshes:good.vtx", first + 1}, // a part offset inside a chunk
                 {"meshes:good.vtx", 99999},     {"meshes:odd.vtx", odd},  {"meshes:cut.vtx", claimed},
                 {"meshes:junk.vtx", 12},        {"meshes:absent.vtx", 12}};
    for (const Case& c : cases)
    {
        ZPrimitive* primitive = Make(c.path, {first, c.offset});
        ZSubPrimitive* a = primitive->GetPart(0);
        ZSubPrimitive* b = primitive->GetPart(1);
        EXPECT_EQ(primitive->Load(), 1) << c.path << " " << c.offset;
        EXPECT_EQ(primitive->GetPart(0), a) << c.path;
        EXPECT_EQ(primitive->GetPart(1), b) << c.path;
        delete primitive;
    }
    // Nothing of the damaged files stays behind.
    EXPECT_EQ(ZVertexBinImport::GetMeshCache()->GetFileCount(), 0u);

    // Sixteen parts and no more, also through the scene property.
    ZPrimitive* full = ZPrimitive::Create();
    for (int i = 0; i < 16; ++i)
    {
        ZSubPrimitive* part = ZSubPrimitive::CreateEmpty();
        made.push_back(part);
        ASSERT_TRUE(full->AddPart(part));
    }
    ZSubPrimitive* extra = ZSubPrimitive::CreateEmpty();
    extra->SetName("vertex_test_extra_part");
    made.push_back(extra);
    EXPECT_FALSE(full->SetProperty(ZNameId("subprim"), "vertex_test_extra_part"));
    EXPECT_EQ(full->GetPartCount(), 16u);
    delete full;
}
} // namespace
