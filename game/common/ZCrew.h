#pragma once
// The five crew members by index, 0 to 4. One table in crew-index order serves every use of a
// member's name: the "name" attribute of the crew files, the availability setting
// "profile.crew.<name>", the texts "<name>.name", "<name>.description" and "<name>.abilities", the
// portrait "resources:portrait_<name>.png", the dive's crew display and the campaign's crew entries.
// The availability settings are declared in the order 0, 1, 2, 4, 3 (the fourth declared member has
// index 4), which this one table also serves: a name always gives the same index.
#include <cstdint>

inline constexpr int32_t kCrewCount = 5;
inline constexpr const char* kCrewNames[kCrewCount] = {"finn", "mira", "oskar", "tess", "juno"};

// The crew index of the name (exact, case-sensitive), or -1 for none and for null.
int32_t ParseCrewName(const char* name);

// The name of a crew index; null outside 0..4.
inline const char* CrewName(int32_t index)
{
    return index >= 0 && index < kCrewCount ? kCrewNames[index] : nullptr;
}
