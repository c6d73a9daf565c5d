// qv_soundgen <output.ogg> <recipe> [key=value ...]
// Synthesises one sound (effect recipe or a music style) and encodes it as Ogg Vorbis.
// Declaration options of the sound list (gain, pan, decl) are accepted and ignored here.
#include <cstdio>
#include <string>

#include "tools/common/ToolOptions.h"
#include "tools/soundgen/OggWriter.h"
#include "tools/soundgen/Synth.h"

int main(int argc, char** argv)
{
    qvtool::ToolOptions options(argc, argv, 1, 2);
    if (options.PositionalCount() < 2)
    {
        std::fprintf(stderr, "usage: qv_soundgen <output.ogg> <recipe> [key=value ...]\n");
        return 2;
    }
    const std::string output = options.Positional(0);
    const std::string recipe = options.Positional(1);
    qvtool::Sound sound;
    std::string error;
    if (!qvtool::Synthesize(recipe, options, sound, error))
    {
        std::fprintf(stderr, "qv_soundgen: %s: %s\n", output.c_str(), error.c_str());
        return 1;
    }
    const float quality = static_cast<float>(options.Number("quality", recipe == "music" ? 0.3 : 0.4));
    for (const char* key : {"gain", "pan", "decl"})
        options.Has(key);
    for (const std::string& key : options.Unused())
    {
        std::fprintf(stderr, "qv_soundgen: %s: unknown option '%s' for recipe '%s'\n", output.c_str(),
                     key.c_str(), recipe.c_str());
        return 1;
    }
    std::string title = output.substr(output.find_last_of('/') + 1);
    if (!qvtool::WriteOggVorbis(output, sound.samples, sound.channels, sound.rate, quality,
                                static_cast<int>(qvtool::HashText(title) & 0x7FFFFFFF), title))
    {
        std::fprintf(stderr, "qv_soundgen: cannot encode %s\n", output.c_str());
        return 1;
    }
    return 0;
}
