#pragma once
// Medal levels of a dive, by index: -1 none, 0 complete, 1 bronze, 2 silver, 3 gold. Their names
// form node names ("sliders/completion_<name>"), texts and pictures ("medal_<name>").
#include <cstdint>

inline constexpr int32_t kMedalNone = -1;
inline constexpr int32_t kMedalCount = 4;
inline constexpr const char* kMedalNames[kMedalCount] = {"complete", "bronze", "silver", "gold"};

// The name of a medal level; null outside 0..3.
inline const char* MedalName(int32_t medal)
{
    return medal >= 0 && medal < kMedalCount ? kMedalNames[medal] : nullptr;
}
