// Feeds arbitrary bytes to the high-score reader as the contents of "highscores.dat": parsed
// directly, whatever it accepts must write back and read again to the same table; and loaded as a
// file by the table itself, which then takes a score and saves, and what it saved must read back as
// what it holds. The file lives in a folder of this process's own, emptied after each input and
// removed at exit.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/resource/ZHighscoreTable.h"

namespace
{
std::string g_folder;

void RemoveFolder()
{
    if (!g_folder.empty())
        rmdir(g_folder.c_str());
}

const std::string& Folder()
{
    if (g_folder.empty())
    {
        std::string pattern = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/qvfuzzhs_XXXXXX";
        if (mkdtemp(pattern.data()))
        {
            g_folder = pattern;
            std::atexit(&RemoveFolder);
        }
    }
    return g_folder;
}

void RemoveFiles()
{
    // The file and any temporary a save cut off left beside it.
    if (DIR* dir = opendir(Folder().c_str()))
    {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                std::remove((Folder() + "/" + entry->d_name).c_str());
        closedir(dir);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<SHighscoreEntry> entries;
    int32_t places = 0;
    const auto result =
        ZHighscoreTable::Parse(std::string_view(reinterpret_cast<const char*>(data), size), entries, places);
    if (result == ZHighscoreTable::LoadResult::Loaded)
    {
        const std::string again = ZHighscoreTable::Serialize(entries);
        std::vector<SHighscoreEntry> reread;
        int32_t rereadPlaces = 0;
        if (ZHighscoreTable::Parse(again, reread, rereadPlaces) != ZHighscoreTable::LoadResult::Loaded ||
            reread != entries)
            __builtin_trap();
    }

    if (Folder().empty())
        return 0;
    const std::string path = Folder() + "/highscores.dat";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    {
        ZHighscoreTable table(path.c_str());
        table.Insert("Fuzz", int32_t(size), "crew");
        if (table.Save() == 0 && !table.GetEntries().empty())
        {
            std::ifstream in(path, std::ios::binary);
            std::stringstream saved;
            saved << in.rdbuf();
            std::vector<SHighscoreEntry> reread;
            int32_t rereadPlaces = 0;
            if (ZHighscoreTable::Parse(saved.str(), reread, rereadPlaces) != ZHighscoreTable::LoadResult::Loaded ||
                reread != table.GetEntries())
                __builtin_trap();
        }
    }
    RemoveFiles();
    return 0;
}
