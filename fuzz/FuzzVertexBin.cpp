// Feeds arbitrary bytes to the vertex-file reader twice: through the importer over the file held
// in memory, looking up every block it kept, and through the block source the primitives use in
// production (parse, hand out blocks by offset, drop). The cache is emptied after each input so it
// cannot grow without bound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/fs/ZStream.h"
#include "engine/import/ZVertexBinImport.h"
#include "engine/render/resources/ZPrimitive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (16u << 20))
        return 0;
    std::vector<uint8_t> bytes(data, data + size);
    uint32_t seen = 0;
    {
        ZMemoryStream stream(bytes.data(), uint32_t(bytes.size()));
        ZVertexBinImport import(&stream, "fuzz:mesh.vtx");
        import.SetChunkHandler([&seen](const SVertexBlock& block) { seen += block.GetPrimitiveCount(); });
        import.Import();
        for (const SVertexBlock* block : ZVertexBinImport::GetMeshCache()->GetBlocks("fuzz:mesh.vtx"))
        {
            if (import.FindBlock(block->position) != block)
                __builtin_trap();
            for (const SVertexBinVertex& vertex : block->vertices)
                seen += vertex.colour;
        }
        ZVertexBinImport::ReleaseMeshCache();
    }
    ZVertexBlockSource* source = ZVertexBlockSource::GetInstance();
    if (source->Parse("fuzz:production.vtx", bytes.data(), bytes.size()))
    {
        std::vector<uint32_t> positions;
        for (const SVertexBlock* block : ZVertexBinImport::GetMeshCache()->GetBlocks("fuzz:production.vtx"))
            positions.push_back(block->position);
        for (uint32_t offset : positions)
        {
            SPartBlock block;
            if (!source->GetBlock(offset, block))
                __builtin_trap();
        }
        SPartBlock none;
        (void)source->GetBlock(uint32_t(size) + 1, none);
        source->Finish();
    }
    source->Drop("fuzz:production.vtx");
    ZVertexBinImport::ReleaseMeshCache();
    return seen == 0xFFFFFFFFu ? 1 : 0;
}
