// Feeds arbitrary text to the dive's board-file reader: its check, the analysis of what it accepts
// and the grid it sizes (with no board to hand out tiles), reading every cell's meaning.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "game/dive/model/ZBoardGrid.h"
#include "game/dive/model/ZLevelLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ZBoardGrid grid;
    int sum = 0;
    if (grid.loader().LoadText(text, "fuzz") == ZLevelLoader::kLoadOk)
    {
        const ZLevelLoader& loader = grid.loader();
        for (int32_t row = -1; row <= loader.GetHeight(); ++row)
            for (int32_t column = -1; column <= loader.GetWidth(); ++column)
                sum += ClassifyCell(loader.GetCellAt(column, row)).start;
        sum += int(loader.GetArtifactLetters().size()) + loader.GetDifficulty() + int(loader.GetTokenNames().size());
        sum += grid.buildFromLoader();
        grid.place();
    }
    else
        sum += int(grid.loader().GetError().size()) + grid.loader().GetErrorLine();
    return sum == 0x7FFFFFFF ? 1 : 0;
}
