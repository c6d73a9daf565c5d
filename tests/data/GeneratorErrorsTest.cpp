// A mistake in a list line must stop the build, not quietly produce default content.
#include <gtest/gtest.h>

#include "data/GameFolder.h"

namespace
{

using namespace qvtest;

TEST(Generators, RefuseBadListLinesAndWriteNothing)
{
    TempDir scratch("qv-content");
    const fs::path dir = scratch.Path();
    const std::string font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    struct Case
    {
        const char* tool;
        std::vector<std::string> args; // after the output path(s)
        const char* what;
    } cases[] = {
        {"imagegen", {"button", "64", "32", "colur=ff0000"}, "misspelt option"},
        {"imagegen", {"nosuchthing", "64", "32"}, "unknown generator"},
        {"imagegen", {"creature", "64", "64", "kind=shark"}, "unknown creature"},
        {"imagegen", {"button", "0", "32"}, "empty size"},
        {"imagegen",
         {"caustics", "128", "64", "framewidth=128", "frameheight=64", "frames=16"},
         "sheet too small"},
        {"soundgen", {"kazoo"}, "unknown recipe"},
        {"soundgen", {"pop", "sise=3"}, "misspelt option"},
        {"soundgen", {"music", "style=polka"}, "unknown music style"},
        {"fontgen", {"/nonexistent/font.ttf"}, "missing font file"},
        {"fontgen", {font, "size=0"}, "size out of range"},
        {"fontgen", {font, "outlin=2"}, "misspelt option"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        fs::path out = dir / (std::string(c.tool) + ".out");
        std::vector<std::string> args = {out.string()};
        if (std::string(c.tool) == "fontgen")
            args.push_back((dir / "page.png").string());
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_NE(RunTool(ToolPath(c.tool), args), 0);
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists(dir / "page.png"));
    }
}

} // namespace
