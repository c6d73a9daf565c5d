// The theme-name lookup.
#include "game/common/ZThemes.h"

#include <cstring>

int32_t FindThemeIndex(const char* name)
{
    if (!name)
        return -1;
    for (int32_t i = 0; i < kThemeCount; ++i)
    {
        if (std::strcmp(kThemeNames[i], name) == 0)
            return i;
    }
    return -1;
}
