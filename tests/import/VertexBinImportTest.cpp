// Vertex files: chunks read back field by field into the mesh cache, damaged files refused with 1
// and without reading past the bytes, and the cache keyed by file name and chunk position.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/fs/ZStream.h"
#include "engine/import/ZVertexBinImport.h"
#include "support/TestFiles.h"
#include "support/VtxWriter.h"

namespace
{
using qvtest::VtxWriter;

int ImportBytes(std::string bytes, const char* name, ZVertexBinImport::ChunkHandler handler = nullptr)
{
    ZMemoryStream stream(bytes.data(), uint32_t(bytes.size()));
    ZVertexBinImport import(&stream, name);
    if (handler)
        import.SetChunkHandler(handler);
    return import.Import();
}

class VertexBinTest : public ::testing::Test
{
protected:
    void SetUp() override { ZVertexBinImport::ReleaseMeshCache(); }
    void TearDown() override { ZVertexBinImport::ReleaseMeshCache(); }
    ZMeshCache* Cache() { return ZVertexBinImport::GetMeshCache(); }
};

TEST_F(VertexBinTest, ChunksReadBackFieldByField)
{
    VtxWriter w;
    w.Header().Chunk(3, 4).Chunk(4, 5, 10);
    ASSERT_EQ(ImportBytes(w.bytes, "mesh.vtx"), 0);

    const auto blocks = Cache()->GetBlocks("mesh.vtx");
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0]->position, 12u);
    EXPECT_EQ(blocks[0]->word, 4u);
    EXPECT_EQ(blocks[0]->GetPrimitiveCount(), 1u);
    EXPECT_EQ(blocks[1]->position, 12u + 20u + 3u * 36u);
    EXPECT_EQ(blocks[1]->word, 5u);
    ASSERT_EQ(blocks[1]->GetVertexCount(), 4u);
    EXPECT_EQ(blocks[1]->GetPrimitiveCount(), 2u);

    const SVertexBinVertex& v = blocks[1]->vertices[2]; // vertex 12 of the pattern
    EXPECT_FLOAT_EQ(v.x, 12.0f);
    EXPECT_FLOAT_EQ(v.y, 12.5f);
    EXPECT_FLOAT_EQ(v.z, -12.0f);
    EXPECT_FLOAT_EQ(v.nx, 0.0f);
    EXPECT_FLOAT_EQ(v.ny, 1.0f);
    EXPECT_FLOAT_EQ(v.nz, 1.5f);
    EXPECT_EQ(v.colour, 0xFF00000Cu);
    EXPECT_FLOAT_EQ(v.u, 3.0f);
    EXPECT_FLOAT_EQ(v.v, 0.25f); // stored as 0.75
}

TEST_F(VertexBinTest, FixtureFileFromDisk)
{
    const std::string bytes = qvtest::ReadWholeFile(QV_FIXTURES "/vtx/twochunks.vtx");
    ASSERT_EQ(bytes.size(), 304u);
    ASSERT_EQ(ImportBytes(bytes, "twochunks.vtx"), 0);
    const SVertexBlock* tri = ZVertexBinImport::FindCachedMesh(Cache(), "twochunks.vtx", 12);
    ASSERT_NE(tri, nullptr);
    ASSERT_EQ(tri->GetVertexCount(), 3u);
    EXPECT_FLOAT_EQ(tri->vertices[0].v, 0.25f);
    EXPECT_FLOAT_EQ(tri->vertices[1].x, 1.0f);
    EXPECT_FLOAT_EQ(tri->vertices[1].nz, 1.0f);
    EXPECT_EQ(tri->vertices[1].colour, 0x80FFFFFFu);
    EXPECT_EQ(tri->vertices[0].colour, 0xFF112233u);
    const SVertexBlock* strip = ZVertexBinImport::FindCachedMesh(Cache(), "twochunks.vtx", 140);
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->word, 5u);
    EXPECT_EQ(strip->GetVertexCount(), 4u);
    EXPECT_FLOAT_EQ(strip->vertices[3].v, 0.0f);
}

TEST_F(VertexBinTest, PrimitiveCountsFollowTheKind)
{
    struct Case
    {
        uint32_t kind;
        int32_t vertices;
        uint32_t primitives;
    };
    const Case cases[] = {{4, 4, 1}, {4, 0, 0}, {1, 5, 5}, {2, 5, 2}, {3, 5, 4},
                          {3, 1, 0}, {5, 5, 3}, {6, 2, 0}, {99, 7, 2}};
    for (const Case& c : cases)
    {
        SVertexBlock block;
        block.word = c.kind;
        block.vertices.resize(size_t(c.vertices));
        EXPECT_EQ(block.GetPrimitiveCount(), c.primitives) << "kind " << c.kind << " n " << c.vertices;
    }
}

TEST_F(VertexBinTest, DamagedFilesFailCleanly)
{
    struct Case
    {
        const char* what;
        std::string bytes;
        int result;
        size_t blocksKept;
    };
    auto file = [](auto build)
    {
        VtxWriter w;
        build(w);
        return w.bytes;
    };
    const Case cases[] = {
        {"empty", "", 1, 0},
        {"short header", std::string(8, '\0'), 1, 0},
        {"header only", file([](VtxWriter& w) { w.Header(); }), 0, 0},
        {"zero vertices", file([](VtxWriter& w) { w.Header().Chunk(0, 4); }), 0, 1},
        {"chunk header cut off",
         file([](VtxWriter& w) { w.Header().Chunk(3, 4).U32(ZVertexBinImport::kChunkTag); }), 1, 1},
        {"bad tag",
         file([](VtxWriter& w) { w.Header().ChunkHeader(3, 4, 0x58585858).Vertex(0).Vertex(1).Vertex(2); }),
         1, 0},
        {"bad tag after a good chunk",
         file([](VtxWriter& w) { w.Header().Chunk(3, 4).ChunkHeader(0, 4, 0); }), 1, 1},
        {"negative count", file([](VtxWriter& w) { w.Header().ChunkHeader(-3, 4).Vertex(0); }), 1, 0},
        {"huge count", file([](VtxWriter& w) { w.Header().ChunkHeader(0x7FFFFFFF, 4).Vertex(0); }), 1, 0},
        {"count wraps 36 x n", file([](VtxWriter& w) { w.Header().ChunkHeader(0x071C71C8, 4).Vertex(0); }), 1,
         0},
        {"chunk past the end", file([](VtxWriter& w) { w.Header().ChunkHeader(3, 4).Vertex(0).Vertex(1); }),
         1, 0},
        {"vertex cut off",
         file([](VtxWriter& w) { w.Header().Chunk(3, 4).ChunkHeader(3, 4).Vertex(0).Vertex(1).U32(7); }), 1,
         1},
    };
    int index = 0;
    for (const Case& c : cases)
    {
        const std::string name = "damaged" + std::to_string(index++) + ".vtx";
        EXPECT_EQ(ImportBytes(c.bytes, name.c_str()), c.result) << c.what;
        EXPECT_EQ(Cache()->GetBlocks(name).size(), c.blocksKept) << c.what;
    }
}

TEST_F(VertexBinTest, NoStreamFails)
{
    ZVertexBinImport import(nullptr, "none.vtx");
    EXPECT_EQ(import.Import(), 1);
}

TEST_F(VertexBinTest, SameNameGivesTheSameGeometryOnce)
{
    VtxWriter a;
    a.Header().Chunk(3, 4).Chunk(6, 4, 3);
    int firstCalls = 0;
    std::vector<const SVertexBlock*> seen;
    ASSERT_EQ(ImportBytes(a.bytes, "media/rock.vtx",
                          [&](const SVertexBlock& b)
                          {
                              ++firstCalls;
                              seen.push_back(&b);
                          }),
              0);
    // A second import of the same name, even with other bytes, finds every chunk in the cache.
    VtxWriter changed;
    changed.Header().Chunk(3, 4, 50).Chunk(6, 4, 60);
    std::vector<const SVertexBlock*> again;
    ASSERT_EQ(
        ImportBytes(changed.bytes, "media/rock.vtx", [&](const SVertexBlock& b) { again.push_back(&b); }), 0);
    EXPECT_EQ(firstCalls, 2);
    EXPECT_EQ(again, seen);
    EXPECT_FLOAT_EQ(again[0]->vertices[0].x, 0.0f);
    EXPECT_EQ(Cache()->GetBlocks("media/rock.vtx").size(), 2u);

    // Another file with chunks at the same positions is kept apart; names compare exactly.
    ASSERT_EQ(ImportBytes(changed.bytes, "media/Rock.vtx"), 0);
    const SVertexBlock* other = ZVertexBinImport::FindCachedMesh(Cache(), "media/Rock.vtx", 12);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, seen[0]);
    EXPECT_FLOAT_EQ(other->vertices[0].x, 50.0f);
    EXPECT_EQ(Cache()->GetFileCount(), 2u);
    EXPECT_EQ(ZVertexBinImport::FindCachedMesh(Cache(), "media/rock.vtx", 13), nullptr);
    EXPECT_EQ(ZVertexBinImport::FindCachedMesh(Cache(), "media/rock.vt", 12), nullptr);
}

TEST_F(VertexBinTest, ImporterFindsItsBlocksByOffset)
{
    VtxWriter w;
    w.Header().Chunk(3, 4).Chunk(3, 6, 3);
    ZMemoryStream stream(w.bytes.data(), uint32_t(w.bytes.size()));
    ZVertexBinImport import(&stream, "parts.vtx");
    ASSERT_EQ(import.Import(), 0);
    const SVertexBlock* second = import.FindBlock(12 + 20 + 3 * 36);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->word, 6u);
    EXPECT_FLOAT_EQ(second->vertices[0].x, 3.0f);
    EXPECT_EQ(import.FindBlock(20), nullptr); // inside a chunk, not a chunk
}
} // namespace
