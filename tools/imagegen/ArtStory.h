#pragma once
// The story's pictures and the story screen's book; see ArtStory.cpp.
#include <string>

#include "tools/common/Canvas.h"
#include "tools/common/ToolOptions.h"

namespace qvtool
{
// Draws the picture when the generator is one of the story's ("storypage" scene=harbour|chart|
// dive|coral|wreck|vents|trench|city|amulet keys=0..6|finale, "storybook", "storyframe",
// "storyrule"; handled set); false with an error for an unknown scene.
bool DrawStoryArt(const std::string& generator, const ToolOptions& options, Canvas& canvas,
                  std::string& error, bool& handled);
} // namespace qvtool
