// Feeds arbitrary bytes to the configuration reader: line by line through the entry parser, and as
// a whole file loaded (without applying) and rebuilt against the settings.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzMemFile.h"
#include "engine/resource/ZPropertyFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= text.size())
    {
        const size_t end = text.find('\n', start);
        const std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        (void)ParsePropertyLine(line);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    fuzz::MemFile memory(data, size);
    if (!memory.Ok())
        return 0;
    ZPropertyFile file;
    if (file.Load(memory.Path().c_str(), false) == 0)
    {
        (void)file.NeedsSave();
        file.RebuildFromRegistry();
    }
    return 0;
}
