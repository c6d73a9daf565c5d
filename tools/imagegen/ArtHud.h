#pragma once
// The dive HUD's pictures (theme lights, air tube, chests, amulet, socket, glass, rotate arrows);
// see ArtHud.cpp.
#include <string>

#include "tools/common/Canvas.h"
#include "tools/common/ToolOptions.h"

namespace qvtool
{
// Draws the picture when the generator is one of the HUD's (handled set); false with an error for
// bad options.
bool DrawHudArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error,
                bool& handled);
} // namespace qvtool
