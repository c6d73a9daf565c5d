// The crew-name lookup.
#include "game/common/ZCrew.h"

#include <cstring>

int32_t ParseCrewName(const char* name)
{
    if (!name)
        return -1;
    for (int32_t i = 0; i < kCrewCount; ++i)
    {
        if (std::strcmp(kCrewNames[i], name) == 0)
            return i;
    }
    return -1;
}
