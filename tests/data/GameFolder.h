#pragma once

// Helpers for the tests of the content pipeline: where the assembled game folder lies,
// reading the list files, running the generators, and an independent zip reader.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "support/TestFiles.h"

namespace qvtest
{

namespace fs = std::filesystem;

inline fs::path SourceDir()
{
    return QV_SOURCE_DIR;
}

inline fs::path BinaryDir()
{
    return QV_BINARY_DIR;
}

inline fs::path GameHome()
{
    return BinaryDir() / "home";
}

inline fs::path GameDir()
{
    return GameHome() / "media" / "quorvane";
}

inline fs::path ListDir()
{
    return SourceDir() / "data" / "lists";
}

inline fs::path ToolPath(const std::string& tool)
{
    return BinaryDir() / "tools" / tool / ("qv_" + tool);
}

inline std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const fs::path& path)
{
    std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// One line of a list file: its words, split at blanks (no quoting is used in the lists).
struct ListLine
{
    std::vector<std::string> words;
    std::map<std::string, std::string> options; // key=value words (and bare flags as "1")
};

inline std::vector<ListLine> ReadList(const std::string& name)
{
    std::vector<ListLine> lines;
    std::istringstream in(ReadText(ListDir() / name));
    std::string line;
    while (std::getline(in, line))
    {
        std::istringstream words(line);
        ListLine entry;
        std::string word;
        while (words >> word)
            entry.words.push_back(word);
        if (entry.words.empty() || entry.words[0][0] == '#')
            continue;
        for (size_t i = 1; i < entry.words.size(); ++i)
        {
            size_t eq = entry.words[i].find('=');
            if (eq != std::string::npos)
                entry.options[entry.words[i].substr(0, eq)] = entry.words[i].substr(eq + 1);
            else
                entry.options[entry.words[i]] = "1";
        }
        lines.push_back(entry);
    }
    return lines;
}

// Runs a program with arguments (no shell word splitting surprises: arguments are quoted).
inline int RunTool(const fs::path& program, const std::vector<std::string>& args)
{
    std::string command = "'" + program.string() + "'";
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    command += " >/dev/null 2>&1";
    return std::system(command.c_str());
}

inline uint32_t U16(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
}

inline uint32_t U32(const uint8_t* p)
{
    return U16(p) | (U16(p + 2) << 16);
}

// Reads a zip archive the way the engine does: the end record must be the last 22 bytes,
// the directory ends where the end record begins, sizes come from the local headers.
struct ZipEntry
{
    std::string name;
    uint32_t localOffset = 0;
    uint16_t method = 0;
    uint16_t flags = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
};

class ZipReader
{
public:
    explicit ZipReader(const fs::path& path) : data_(ReadBytes(path)) { ok_ = Parse(); }

    bool Ok() const { return ok_; }
    const std::string& Error() const { return error_; }
    const std::vector<ZipEntry>& Entries() const { return entries_; }

    const ZipEntry* Find(const std::string& name) const
    {
        for (const ZipEntry& e : entries_)
            if (e.name == name)
                return &e;
        return nullptr;
    }

    // Inflates a member from its local header; false on any inconsistency.
    bool Read(const ZipEntry& entry, std::vector<uint8_t>& out, std::string& error) const
    {
        const size_t at = entry.localOffset;
        if (at + 30 > data_.size() || U32(&data_[at]) != 0x04034b50)
        {
            error = entry.name + ": bad local header";
            return false;
        }
        const uint8_t* h = &data_[at];
        uint32_t method = U16(h + 8), flags = U16(h + 6);
        uint32_t packed = U32(h + 18), size = U32(h + 22);
        uint32_t nameLength = U16(h + 26), extraLength = U16(h + 28);
        if (flags & 0x8)
        {
            error = entry.name + ": data descriptor (sizes not in the local header)";
            return false;
        }
        if (packed != entry.compressedSize || size != entry.size)
        {
            error = entry.name + ": local sizes differ from the directory";
            return false;
        }
        size_t start = at + 30 + nameLength + extraLength;
        if (start + packed > data_.size())
        {
            error = entry.name + ": data runs past the end";
            return false;
        }
        out.assign(size, 0);
        if (method == 0)
        {
            if (packed != size)
            {
                error = entry.name + ": stored sizes differ";
                return false;
            }
            std::memcpy(out.data(), &data_[start], size);
        }
        else if (method == 8)
        {
            z_stream stream{};
            if (inflateInit2(&stream, -15) != Z_OK)
                return false;
            stream.next_in = const_cast<uint8_t*>(&data_[start]);
            stream.avail_in = packed;
            stream.next_out = out.data();
            stream.avail_out = size;
            int result = inflate(&stream, Z_FINISH);
            inflateEnd(&stream);
            if (result != Z_STREAM_END || stream.total_out != size)
            {
                error = entry.name + ": does not inflate";
                return false;
            }
        }
        else
        {
            error = entry.name + ": method " + std::to_string(method) + " (only 0 and 8 are read)";
            return false;
        }
        if (crc32(0, out.data(), static_cast<uInt>(out.size())) != entry.crc)
        {
            error = entry.name + ": CRC mismatch";
            return false;
        }
        return true;
    }

private:
    bool Parse()
    {
        if (data_.size() < 22)
            return Fail("too short");
        const size_t endAt = data_.size() - 22;
        const uint8_t* end = &data_[endAt];
        if (U32(end) != 0x06054b50)
            return Fail("the end record is not the last 22 bytes (comment or trailing data)");
        uint32_t count = U16(end + 8);
        uint32_t dirSize = U32(end + 12);
        uint32_t dirOffset = U32(end + 16);
        if (count >= 32768)
            return Fail("too many entries for a signed 16-bit count");
        if (dirSize > endAt || endAt - dirSize != dirOffset)
            return Fail("the directory does not end where the end record begins");
        size_t pos = dirOffset;
        for (uint32_t i = 0; i < count; ++i)
        {
            if (pos + 46 > endAt || U32(&data_[pos]) != 0x02014b50)
                return Fail("bad central directory record");
            const uint8_t* c = &data_[pos];
            ZipEntry e;
            e.flags = static_cast<uint16_t>(U16(c + 8));
            e.method = static_cast<uint16_t>(U16(c + 10));
            e.crc = U32(c + 16);
            e.compressedSize = U32(c + 20);
            e.size = U32(c + 24);
            uint32_t nameLength = U16(c + 28), extra = U16(c + 30), comment = U16(c + 32);
            e.localOffset = U32(c + 42);
            if (pos + 46 + nameLength > endAt)
                return Fail("name runs past the directory");
            e.name.assign(reinterpret_cast<const char*>(c + 46), nameLength);
            entries_.push_back(e);
            pos += 46 + nameLength + extra + comment;
        }
        if (pos != endAt)
            return Fail("directory size does not match its records");
        return true;
    }

    bool Fail(const std::string& message)
    {
        error_ = message;
        return false;
    }

    std::vector<uint8_t> data_;
    std::vector<ZipEntry> entries_;
    bool ok_ = false;
    std::string error_;
};

// Reads a member of the built archive as text ("" when missing).
inline std::string ArchiveText(const std::string& member)
{
    ZipReader zip(GameDir() / "resources.brn");
    const ZipEntry* entry = zip.Ok() ? zip.Find(member) : nullptr;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!entry || !zip.Read(*entry, bytes, error))
        return "";
    return std::string(bytes.begin(), bytes.end());
}

} // namespace qvtest
