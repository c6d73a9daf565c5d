#include "engine/platform/ZPlatformFolders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace plat
{
namespace
{
bool NonEmptyEnv(const char* name, std::string& out)
{
    return GetEnv(name, out) && !out.empty();
}

void StripTrailingSlashes(std::string& path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
}

// Reads XDG_DESKTOP_DIR from a user-dirs file. Values are "$HOME/rest" or an absolute path,
// in double quotes, with backslash escapes.
bool ReadDesktopEntry(const std::string& file, const std::string& home, std::string& out)
{
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        return false;
    bool found = false;
    char line[4096];
    while (std::fgets(line, sizeof line, f))
    {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        size_t p = text.find_first_not_of(" \t");
        if (p == std::string::npos || text[p] == '#')
            continue;
        static const std::string key = "XDG_DESKTOP_DIR";
        if (text.compare(p, key.size(), key) != 0)
            continue;
        p = text.find_first_not_of(" \t", p + key.size());
        if (p == std::string::npos || text[p] != '=')
            continue;
        p = text.find_first_not_of(" \t", p + 1);
        if (p == std::string::npos || text[p] != '"')
            continue;
        std::string value;
        bool closed = false;
        for (size_t i = p + 1; i < text.size(); ++i)
        {
            if (text[i] == '\\' && i + 1 < text.size())
                value += text[++i];
            else if (text[i] == '"')
            {
                closed = true;
                break;
            }
            else
                value += text[i];
        }
        if (!closed)
            continue;
        static const std::string homeVar = "$HOME";
        if (value.compare(0, homeVar.size(), homeVar) == 0 &&
            (value.size() == homeVar.size() || value[homeVar.size()] == '/'))
            value = home + value.substr(homeVar.size());
        else if (value.empty() || value[0] != '/')
            continue;
        StripTrailingSlashes(value);
        out = value;
        found = true; // the last valid line wins, as in the shell that sources this file
    }
    std::fclose(f);
    return found;
}
} // namespace

bool GetEnv(const char* name, std::string& out)
{
    const char* value = name ? std::getenv(name) : nullptr;
    if (!value)
        return false;
    out = value;
    return true;
}

bool GetHomeFolder(std::string& out)
{
    if (NonEmptyEnv("HOME", out))
    {
        StripTrailingSlashes(out);
        return true;
    }
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 || !result ||
        !result->pw_dir || !result->pw_dir[0])
        return false;
    out = result->pw_dir;
    StripTrailingSlashes(out);
    return true;
}

bool GetUserDataBase(std::string& out)
{
    std::string value;
    // The base-directory rules say a relative value is invalid and must be ignored.
    if (NonEmptyEnv("XDG_DATA_HOME", value) && value[0] == '/')
    {
        StripTrailingSlashes(value);
        out = value;
        return true;
    }
    std::string home;
    if (!GetHomeFolder(home))
        return false;
    out = home + "/.local/share";
    return true;
}

bool GetDesktopFolder(std::string& out)
{
    std::string home;
    if (!GetHomeFolder(home))
        return false;
    std::string config;
    if (!NonEmptyEnv("XDG_CONFIG_HOME", config) || config[0] != '/')
        config = home + "/.config";
    StripTrailingSlashes(config);
    std::string desktop;
    if (ReadDesktopEntry(config + "/user-dirs.dirs", home, desktop) && CreateFolders(desktop))
    {
        out = desktop;
        return true;
    }
    if (FolderExists(home + "/Desktop"))
    {
        out = home + "/Desktop";
        return true;
    }
    out = home;
    return true;
}

std::string GetTempFolder()
{
    std::string value;
    if (!NonEmptyEnv("TMPDIR", value))
        value = "/tmp";
    StripTrailingSlashes(value);
    if (value != "/")
        value += '/';
    return value;
}

bool FolderExists(const std::string& path)
{
    struct stat st
    {
    };
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path)
{
    struct stat st
    {
    };
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateFolders(const std::string& path)
{
    if (path.empty())
        return false;
    // Each prefix ending before a "/" is a parent; the whole path is the last one.
    for (size_t pos = 1; pos <= path.size(); ++pos)
    {
        if (pos != path.size() && path[pos] != '/')
            continue;
        if (path[pos - 1] == '/')
            continue; // doubled or trailing separator
        const std::string prefix = path.substr(0, pos);
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return FolderExists(path);
}
} // namespace plat
