#pragma once

#include <string>

#include "tools/common/Canvas.h"
#include "tools/common/ToolOptions.h"

namespace qvtool
{

// Lettering: a word or two set with FreeType, centred and fitted into the canvas, with a
// gradient fill, an outline, a soft glow and an optional wave. '_' in the text is a blank.
bool DrawTitle(const ToolOptions& options, Canvas& canvas, std::string& error);

} // namespace qvtool
