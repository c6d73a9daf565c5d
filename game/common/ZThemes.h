#pragma once
// The six board themes by index. Tiles take their surface pictures and materials from the theme
// name ("tile_<name>..."), the background and the map colour their scenes by the index, and the
// campaign names a level's theme by its name.
#include <cstdint>

inline constexpr int32_t kThemeCount = 6;
inline constexpr const char* kThemeNames[kThemeCount] = {"sand", "coral", "shipwreck", "volcano", "deepwater",
                                                         "sunkencity"};

// The index of the theme of that name, -1 for none (case-sensitive).
int32_t FindThemeIndex(const char* name);
