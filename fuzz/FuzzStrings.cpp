// Feeds arbitrary bytes to the string table's XML reader as the strings file; every key it keeps
// must be found again.
#include <cstddef>
#include <cstdint>

#include "FuzzMemFile.h"
#include "engine/fs/ZFile.h"
#include "engine/resource/ZStringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::MemFile memory(data, size);
    if (!memory.Ok())
        return 0;
    ZFile file(memory.Path().c_str(), FILE_READ);
    if (file.Open() != 0)
        return 0;
    ZStringTable table;
    table.LoadXml(&file);
    (void)table.GetLastError();
    (void)table.Find("menu.play");
    return 0;
}
