#pragma once

#include <string>

#include "tools/common/Canvas.h"
#include "tools/common/ToolOptions.h"

namespace qvtool
{

// The bonus game's three sea-floor locations, each painted as one scene with its findable objects
// in it: generator "hoscene" with location=1..3 and layer=background (the scene without the
// objects, the size of the whole picture) or layer=item item=<name> (that object as the scene shows
// it, cut out with its own alpha: what stands in front of it in the scene is taken out of its alpha,
// so the two layers put together give the painted scene). False for other generators (handled =
// false) or bad options.
bool DrawHiddenObjectArt(const std::string& generator, const ToolOptions& options, Canvas& canvas,
                         std::string& error, bool& handled);

// The location's item table as the lines of its picture file and of the image list, for the
// content files (qv_imagegen --hidden-object-layout <location>).
std::string HiddenObjectLayout(int location);

} // namespace qvtool
