#pragma once
// The dive board's pictures (artifacts, exits, tile frames, edge glows); see ArtBoard.cpp.
#include <string>

#include "tools/common/Canvas.h"
#include "tools/common/ToolOptions.h"

namespace qvtool
{
// Draws the picture when the generator is one of the board's (handled set); false with an error
// for bad options.
bool DrawBoardArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error,
                  bool& handled);
} // namespace qvtool
