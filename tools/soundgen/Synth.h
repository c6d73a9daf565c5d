#pragma once

#include <string>
#include <vector>

#include "tools/common/ToolOptions.h"

namespace qvtool
{

// A rendered sound: interleaved samples in [-1, 1].
struct Sound
{
    int rate = 44100;
    int channels = 1;
    std::vector<float> samples;
};

// Renders the recipe with its options. Returns false (with a message) for an unknown recipe.
bool Synthesize(const std::string& recipe, const ToolOptions& options, Sound& sound, std::string& error);

} // namespace qvtool
