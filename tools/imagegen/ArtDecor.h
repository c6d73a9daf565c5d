#pragma once

#include <string>

#include "tools/common/Canvas.h"
#include "tools/common/ToolOptions.h"

namespace qvtool
{

// Pictures of the underwater decoration: the background whale's parts and the main menu's
// creatures (tube creatures, anemone, crab), each part a picture of its own so that the scene
// can move it. False for a generator that is not one of these (handled = false) or bad options.
bool DrawDecorArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error,
                  bool& handled);

} // namespace qvtool
