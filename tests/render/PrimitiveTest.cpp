#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/render/ZPrimitive.h"
#include "tests/render/RecordingRender.h"
#include "tests/support/TestFiles.h"

using test::RecordingRender;

namespace
{
// A back end whose vertex buffers are plain copies.
class VertexRender : public RecordingRender
{
public:
    int CreateVertexBuffer(const void* vertices, uint32_t count, bool) override
    {
        const int id = AllocVertexBufferId();
        if (id < 0)
            return -1;
        const auto* bytes = static_cast<const uint8_t*>(vertices);
        buffers[id].assign(bytes, bytes + size_t(count) * kVertexSize);
        return id;
    }
    void DeleteVertexBuffer(int id) override
    {
        buffers.erase(id);
        FreeVertexBufferId(id);
    }
    void* LockVertexBuffer(int id) override
    {
        auto at = buffers.find(id);
        return at == buffers.end() ? nullptr : at->second.data();
    }
    std::map<int, std::vector<uint8_t>> buffers;
};

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
    bool GetBlock(uint32_t offset, SVertexBlock& block) override
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

TEST_F(PrimitiveTest, LoadRemakesEachPartFromItsBlock)
{
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::WriteWholeFile(dir.Path() + "/rock.vtx", "VTXH-data"));
    ZMountTable table;
    ZFileSystem fs(&table);
    table.AddMount("meshes", dir.Path().c_str());

    BlockSource source;
    source.blocks[0] = Records(Fill(3, 1.0f));
    source.blocks[108] = Records(Fill(6, 5.0f));
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

    EXPECT_EQ(primitive->Load(), 1); // one part had no block
    EXPECT_EQ(source.parsed, std::vector<uint8_t>({'V', 'T', 'X', 'H', '-', 'd', 'a', 't', 'a'}));
    EXPECT_EQ(source.finished, 1);
    EXPECT_NE(primitive->GetPart(0), a);
    EXPECT_EQ(primitive->GetPart(0)->GetVertexCount(), 3u);
    EXPECT_EQ(primitive->GetPart(1)->GetVertexCount(), 6u);
    EXPECT_EQ(primitive->GetPart(1)->GetOffset(), 108u);
    EXPECT_EQ(primitive->GetPart(2), missing);
    EXPECT_FLOAT_EQ(primitive->GetBounds().max.x, 25.0f);

    // A file that is not there leaves the parts alone.
    ZSubPrimitive* kept = primitive->GetPart(0);
    primitive->SetPath("meshes:none.vtx");
    EXPECT_EQ(primitive->Load(), 1);
    EXPECT_EQ(primitive->GetPart(0), kept);

    ZPrimitive::SetBlockSource(nullptr);
    for (uint32_t i = 0; i < 2; ++i)
        delete primitive->GetPart(i);
    delete a;
    delete b;
    delete missing;
    delete primitive;
}
} // namespace
