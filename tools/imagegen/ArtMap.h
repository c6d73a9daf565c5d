#pragma once
// The sea map's pictures (the chart, marker looks, places, shops, bonus games, palms, board
// squares of the level cards); see ArtMap.cpp.
#include <string>

#include "tools/common/Canvas.h"
#include "tools/common/ToolOptions.h"

namespace qvtool
{
// Draws the picture when the generator is one of the map's (handled set); false with an error for
// bad options.
bool DrawMapArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error,
                bool& handled);
} // namespace qvtool
