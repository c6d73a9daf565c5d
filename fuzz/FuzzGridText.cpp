// Feeds arbitrary text to the board grid reader, then reads back every cell of the grid it made
// (and a ring of cells outside it) and copies the cells out, as the level loader does.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/import/ZGameGridTextImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ZGameGridTextImport grid;
    grid.SetOutsideValue(0x7F);
    grid.ImportText(std::string_view(reinterpret_cast<const char*>(data), size));
    const SGridInfo* info = grid.GetInfo();
    if (!info || info->width < 0 || info->rows < 0 || info->width > 4096 || info->rows > 4096)
        return 0;
    int sum = 0;
    for (int32_t row = -1; row <= info->rows; ++row)
        for (int32_t column = -1; column <= info->width; ++column)
            sum += grid.GetCell(column, row);
    if (info->width > 0 && info->rows > 0)
    {
        std::vector<uint8_t> cells(size_t(info->width) * size_t(info->rows));
        grid.GetCells(cells.data(), info->width, info->rows);
    }
    for (const auto& [key, value] : grid.GetProperties())
        sum += int(grid.GetProperty(key) != nullptr) + int(value.size());
    return sum == 0x7FFFFFFF ? 1 : 0;
}
