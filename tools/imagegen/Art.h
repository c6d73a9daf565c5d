#pragma once

#include <string>

#include "tools/common/Canvas.h"
#include "tools/common/ToolOptions.h"

namespace qvtool
{

// Draws the picture that the generator name asks for into the canvas. Returns false for
// an unknown generator or bad options (with a message in error).
bool DrawArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error);

} // namespace qvtool
