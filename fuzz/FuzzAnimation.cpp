// Feeds arbitrary bytes to the animation file reader; what it makes is bounded by the input size.
#include <cstddef>
#include <cstdint>

#include "engine/fs/ZStream.h"
#include "engine/import/ZMatPosAnimationImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ZMemoryStream stream(const_cast<uint8_t*>(data), uint32_t(size));
    ZMatPosAnimationImport importer;
    if (importer.Import(&stream, "fuzz.anm") != 0)
        return 0;
    size_t keys = 0;
    for (const auto& track : importer.GetTracks())
        keys += track->KeyCount();
    if (keys * ZMatPosAnimationImport::kKeyRecordSize > size)
        __builtin_trap();
    return 0;
}
