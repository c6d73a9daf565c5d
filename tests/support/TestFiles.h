#pragma once
// File helpers shared by the test programs: scratch folders that clean up after themselves and
// whole-file reads and writes for checking what the code under test left on disk.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

namespace qvtest
{
// A fresh folder under the temporary folder, removed with everything in it at the end of scope.
class TempDir
{
public:
    explicit TempDir(const char* prefix = "qvtest")
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// The file's bytes; empty when it cannot be read.
inline std::string ReadWholeFile(const std::string& path)
{
    std::string data;
    if (FILE* f = std::fopen(path.c_str(), "rb"))
    {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
            data.append(buffer, n);
        std::fclose(f);
    }
    return data;
}

// Replaces the file with the bytes; false when it cannot be written whole.
inline bool WriteWholeFile(const std::string& path, const std::string& data)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

// Names of the plain files directly in the folder.
inline std::set<std::string> ListFileNames(const std::string& folder)
{
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_regular_file())
            names.insert(entry.path().filename().string());
    return names;
}
} // namespace qvtest
