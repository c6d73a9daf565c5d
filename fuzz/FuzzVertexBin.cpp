// Feeds arbitrary bytes to the vertex-file reader as a whole file held in memory, then looks up
// every block it kept. The cache is emptied after each input so it cannot grow without bound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/fs/ZStream.h"
#include "engine/import/ZVertexBinImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (16u << 20))
        return 0;
    std::vector<uint8_t> bytes(data, data + size);
    ZMemoryStream stream(bytes.data(), uint32_t(bytes.size()));
    ZVertexBinImport import(&stream, "fuzz:mesh.vtx");
    uint32_t seen = 0;
    import.SetChunkHandler([&seen](const SVertexBlock& block) { seen += block.GetPrimitiveCount();
});
import.Import();
for (const SVertexBlock* block : ZVertexBinImport::GetMeshCache()->GetBlocks("fuzz:mesh.vtx"))
{
    if (import.FindBlock(block->position) != block)
        __builtin_trap();
    for (const SVertexBinVertex& vertex : block->vertices)
        seen += vertex.colour;
}
ZVertexBinImport::ReleaseMeshCache();
return seen == 0xFFFFFFFFu ? 1 : 0;
}
