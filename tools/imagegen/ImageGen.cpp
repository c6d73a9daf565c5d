// qv_imagegen <output> <generator> <width> <height> [key=value ...]
// Draws one procedural picture and writes it as PNG, JPEG or ICO (by extension).
// qv_imagegen --hidden-object-layout <location> prints the item sprites of that bonus-game
// location and their image-list lines, for its content files.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/common/ImageFile.h"
#include "tools/common/ToolOptions.h"
#include "tools/imagegen/Art.h"
#include "tools/imagegen/ArtHiddenObject.h"

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--hidden-object-layout") == 0)
    {
        std::fputs(qvtool::HiddenObjectLayout(std::atoi(argv[2])).c_str(), stdout);
        return 0;
    }
    qvtool::ToolOptions options(argc, argv, 1, 4);
    if (options.PositionalCount() < 4)
    {
        std::fprintf(stderr, "usage: qv_imagegen <output> <generator> <width> <height> [key=value ...]\n");
        return 2;
    }
    const std::string output = options.Positional(0);
    const std::string generator = options.Positional(1);
    double width = 0, height = 0;
    if (!qvtool::ParseDouble(options.Positional(2), width) ||
        !qvtool::ParseDouble(options.Positional(3), height) || width < 1 || height < 1 || width > 4096 ||
        height > 4096)
    {
        std::fprintf(stderr, "qv_imagegen: %s: bad size %s x %s\n", output.c_str(),
                     options.Positional(2).c_str(), options.Positional(3).c_str());
        return 2;
    }
    qvtool::Canvas canvas(static_cast<int>(width), static_cast<int>(height));
    std::string error;
    if (!qvtool::DrawArt(generator, options, canvas, error))
    {
        std::fprintf(stderr, "qv_imagegen: %s: %s\n", output.c_str(), error.c_str());
        return 1;
    }
    options.Has("place");   // consumed by the build, not by the painter
    options.Has("fontdir"); // given by the build to every lettering generator
    int quality = options.Integer("quality", 90);
    for (const std::string& key : options.Unused())
    {
        std::fprintf(stderr, "qv_imagegen: %s: unknown option '%s' for generator '%s'\n", output.c_str(),
                     key.c_str(), generator.c_str());
        return 1;
    }
    if (!qvtool::WriteImage(output, canvas.ToImage(), quality))
    {
        std::fprintf(stderr, "qv_imagegen: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
