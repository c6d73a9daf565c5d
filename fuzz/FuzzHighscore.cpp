// Feeds arbitrary bytes to the high-score reader as the contents of "highscores.dat"; whatever it
// accepts must write back and read again to the same table.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/resource/ZHighscoreTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<SHighscoreEntry> entries;
    int32_t places = 0;
    const auto result =
        ZHighscoreTable::Parse(std::string_view(reinterpret_cast<const char*>(data), size), entries, places);
    if (result != ZHighscoreTable::LoadResult::Loaded)
        return 0;
    const std::string again = ZHighscoreTable::Serialize(entries);
    std::vector<SHighscoreEntry> reread;
    int32_t rereadPlaces = 0;
    if (ZHighscoreTable::Parse(again, reread, rereadPlaces) != ZHighscoreTable::LoadResult::Loaded ||
        reread != entries)
        __builtin_trap();
    return 0;
}
