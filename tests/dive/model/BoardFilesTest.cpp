// The board check over every board file the game ships (data/boards): each passes the reader's
// check (keys, token names, artifact cells, medal values, row length, cell characters) or fails
// with its file and line; each loads into a settled grid without a waiting match, the same for
// the same name; levels with artifacts have exits; together the boards use every cell kind.
#include <filesystem>
#include <set>
#include <string>

#include "tests/support/BoardModelFixture.h"
#include "tests/support/TestFiles.h"

using boardtest::BoardModelTest;

namespace
{
std::vector<std::string> BoardFiles()
{
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(QV_SOURCE_DIR) + "/data/boards", ec))
    {
        if (entry.is_regular_file())
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool HasWaitingMatch(const ZBoardGrid& grid)
{
    for (int32_t y = 0; y < grid.getHeight(); ++y)
    {
        for (int32_t x = 0; x < grid.getWidth(); ++x)
        {
            ZTile* tile = grid.tileAt(x, y);
            ZTileList out, scratch;
            if (tile && tile->isMatchable() && tile->collectMatchRuns(tile, tile->getToken(), out, scratch) > 0)
                return true;
        }
    }
    return false;
}
} // namespace

TEST(BoardFiles, EveryShippedBoardPassesTheCheck)
{
    const std::vector<std::string> files = BoardFiles();
    ASSERT_FALSE(files.empty()) << "no board files in data/boards";
    for (const std::string& path : files)
    {
        int32_t line = 0;
        const std::string problem = ZLevelLoader::CheckText(qvtest::ReadWholeFile(path), &line);
        if (!problem.empty())
            ADD_FAILURE() << path << ":" << line << ": " << problem;
    }
}

TEST(BoardFiles, TheStarterSetUsesEveryCellKind)
{
    std::set<char> used;
    for (const std::string& path : BoardFiles())
    {
        ZLevelLoader loader;
        if (loader.Load(path.c_str()) != 0)
            continue;
        for (int32_t y = 0; y < loader.GetHeight(); ++y)
        {
            for (int32_t x = 0; x < loader.GetWidth(); ++x)
            {
                const int8_t c = loader.GetCellAt(x, y);
                used.insert(ClassifyCell(c).start == kCellArtifact && c != 'M' && c != 'm' && c != 'N' && c != 'n'
                                ? 'A'
                                : c == 0 ? ' ' : char(c));
            }
        }
        if (loader.GetHoleCount() > 0)
            used.insert('_');
    }
    for (char kind : std::string("ECZHLlMmNn012345?QsA_"))
        EXPECT_TRUE(used.contains(kind)) << "no board uses the cell '" << kind << "'";
}

TEST_F(BoardModelTest, EveryShippedBoardBuildsASettledGridWithoutWaitingMatches)
{
    for (const char* letter : {"D", "T", "S", "F", "O", "P", "Q"})
    {
        ZArtifact* record = ZArtifact::Create();
        record->SetProperty(ZNameId("name").Value(), "name", "artifact");
        record->SetProperty(ZNameId("shorthand").Value(), "shorthand", letter);
    }
    for (const std::string& path : BoardFiles())
    {
        const std::string name = std::filesystem::path(path).filename().string();
        std::vector<std::string> first;
        for (int run = 0; run < 2; ++run)
        {
            delete grid;
            grid = new ZBoardGrid();
            ASSERT_EQ(grid->build(path.c_str()), 0) << path << ": " << grid->loader().GetError();
            grid->place();
            EXPECT_FALSE(HasWaitingMatch(*grid)) << path;
            // Every artifact cell holds an artifact (all seven letters have records here).
            int32_t artifacts = 0;
            for (const std::string& row : Types())
                artifacts += int32_t(std::count(row.begin(), row.end(), 'A'));
            EXPECT_EQ(artifacts, grid->loader().GetArtifactCellCount()) << path;

            if (run == 0)
                first = Types();
            else
                EXPECT_EQ(Types(), first) << path << ": the same level must build the same grid";
            FadeIn();
            EXPECT_TRUE(Settle()) << path;
            EXPECT_EQ(grid->loader().GetTokenNames().size() >= 5, true) << path;
            if (!grid->loader().GetArtifactLetters().empty())
            {
                EXPECT_FALSE(host->exitTiles.empty()) << path << ": artifacts but no exit";
            }
            host->exitTiles.clear();
            host->tokens.releaseAll();
            host->tiles.releaseAll();
        }
        (void)name;
    }
}
