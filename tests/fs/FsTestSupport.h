#pragma once
#include "support/TestFiles.h"
// Shared by the file-system tests: the member contents of the zip fixtures (the generator
// repeats tests/fixtures/fs/make_archives.py), a builder of hand-made archives, and a
// scratch folder per test.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>
#include <zlib.h>

#include <gtest/gtest.h>

#include "engine/fs/ZFile.h"
#include "tests/support/TestFiles.h"

namespace fstest
{
inline std::string FixturePath(const char* name)
{
    return std::string(QV_FIXTURES) + "/fs/" + name;
}

inline std::string Content(uint32_t seed, size_t length)
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 \n";
    uint32_t x = seed & 0x7fffffff;
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i)
    {
        x = (x * 1103515245u + 12345u) & 0x7fffffff;
        out.push_back(alphabet[(x >> 16) % 64]);
    }
    return out;
}

inline std::string Repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// Every file member of both fixture archives, by stored name.
inline const std::map<std::string, std::string>& FixtureMembers()
{
    static const std::map<std::string, std::string> members = {
        {"readme.txt", Repeat("Quorvane fixture archive.\n", 20)},
        {"Data/Mixed Case.TXT", Content(7, 3000)},
        {"big.txt", Content(1, 150000)},
        {"stored.bin", Content(2, 5000)},
        {"empty.txt", ""},
    };
    return members;
}

using qvtest::ReadWholeFile;

inline void WriteWholeFile(const std::string& path, const std::string& data)
{
    ASSERT_TRUE(qvtest::WriteWholeFile(path, data)) << path;
}

inline void Put16(std::string& s, size_t at, uint16_t v)
{
    s[at] = static_cast<char>(v & 0xff);
    s[at + 1] = static_cast<char>(v >> 8);
}

inline void Put32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

inline void Append16(std::string& s, uint16_t v)
{
    s.append(2, '\0');
    Put16(s, s.size() - 2, v);
}

inline void Append32(std::string& s, uint32_t v)
{
    s.append(4, '\0');
    Put32(s, s.size() - 4, v);
}

struct SBuildMember
{
    std::string name;
    std::string data;
    int method = 8;
};

// A built archive and where its records are, so that tests can damage chosen fields.
struct SBuiltZip
{
    std::string bytes;
    std::vector<size_t> localOffsets;
    std::vector<size_t> centralOffsets;
    size_t endOffset = 0;
};

inline std::string RawDeflate(const std::string& data)
{
    z_stream zs = {};
    deflateInit2(&zs, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, data.size()) + 16, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

inline SBuiltZip BuildZip(const std::vector<SBuildMember>& members, const std::string& comment = "")
{
    SBuiltZip zip;
    std::string central;
    for (const SBuildMember& m : members)
    {
        std::string packed = m.method == 8 ? RawDeflate(m.data) : m.data;
        uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
        size_t local = zip.bytes.size();
        zip.localOffsets.push_back(local);
        Append32(zip.bytes, 0x04034b50);
        Append16(zip.bytes, 20);
        Append16(zip.bytes, 0);
        Append16(zip.bytes, static_cast<uint16_t>(m.method));
        Append32(zip.bytes, 0);
        Append32(zip.bytes, crc);
        Append32(zip.bytes, static_cast<uint32_t>(packed.size()));
        Append32(zip.bytes, static_cast<uint32_t>(m.data.size()));
        Append16(zip.bytes, static_cast<uint16_t>(m.name.size()));
        Append16(zip.bytes, 0);
        zip.bytes += m.name;
        zip.bytes += packed;

        zip.centralOffsets.push_back(central.size());
        Append32(central, 0x02014b50);
        Append16(central, 20);
        Append16(central, 20);
        Append16(central, 0);
        Append16(central, static_cast<uint16_t>(m.method));
        Append32(central, 0);
        Append32(central, crc);
        Append32(central, static_cast<uint32_t>(packed.size()));
        Append32(central, static_cast<uint32_t>(m.data.size()));
        Append16(central, static_cast<uint16_t>(m.name.size()));
        Append16(central, 0);
        Append16(central, 0);
        Append16(central, 0);
        Append16(central, 0);
        Append32(central, 0);
        Append32(central, static_cast<uint32_t>(local));
        central += m.name;
    }
    size_t centralStart = zip.bytes.size();
    for (size_t& offset : zip.centralOffsets)
        offset += centralStart;
    zip.bytes += central;
    zip.endOffset = zip.bytes.size();
    Append32(zip.bytes, 0x06054b50);
    Append16(zip.bytes, 0);
    Append16(zip.bytes, 0);
    Append16(zip.bytes, static_cast<uint16_t>(members.size()));
    Append16(zip.bytes, static_cast<uint16_t>(members.size()));
    Append32(zip.bytes, static_cast<uint32_t>(central.size()));
    Append32(zip.bytes, static_cast<uint32_t>(centralStart));
    Append16(zip.bytes, static_cast<uint16_t>(comment.size()));
    zip.bytes += comment;
    return zip;
}

// A fresh folder under the temporary folder, deleted with everything in it afterwards.
class ScratchTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(m_dir.empty()); }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    qvtest::TempDir m_temp{"qvfs"};
    std::string m_dir = m_temp.Path();
};
} // namespace fstest
