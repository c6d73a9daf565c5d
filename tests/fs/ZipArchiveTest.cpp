#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "engine/fs/ZZipArchive.h"
#include "fs/FsTestSupport.h"

using fstest::FixtureMembers;
using fstest::FixturePath;

namespace
{
// Reads a member through a member file; `chunk` 0 means ReadAll. Empty optional-like
// result: ok false when any step failed.
struct SReadResult
{
    bool ok = false;
    std::string data;
};

SReadResult ReadThroughMember(ZZipArchive& archive, const std::string& name, size_t chunk,
                              bool streamed = false)
{
    SReadResult result;
    std::unique_ptr<IFile> file(archive.OpenMember(name.c_str()));
    if (!file)
        return result;
    if (streamed)
        file->SetFlags(file->GetFlags() | FILE_STREAMED);
    if (file->Open() != 0)
        return result;
    int64_t size = file->GetSize();
    if (size < 0)
        return result;
    if (chunk == 0)
    {
        result.data.resize(static_cast<size_t>(size));
        result.ok = file->ReadAll(result.data.data()) == 0;
    }
    else
    {
        std::vector<char> buffer(chunk);
        size_t n;
        while ((n = file->Read(buffer.data(), chunk)) > 0)
            result.data.append(buffer.data(), n);
        result.ok = result.data.size() == static_cast<size_t>(size) && file->IsEof();
    }
    file->Close();
    return result;
}

SReadResult ReadThroughIndex(ZZipArchive& archive, const std::string& name)
{
    SReadResult result;
    int index = archive.FindMember(name.c_str());
    SZipEntry entry;
    if (index < 0 || !archive.GetEntry(index, entry))
        return result;
    result.data.resize(entry.size);
    result.ok = archive.ReadMember(index, result.data.data()) == 0;
    return result;
}

class ZipFixture : public ::testing::TestWithParam<const char*>
{
protected:
    std::string ArchivePath() const { return FixturePath(GetParam()); }
};

class ZipScratch : public fstest::ScratchTest
{
protected:
    std::string Save(const std::string& bytes, const char* name = "test.zip")
    {
        std::string path = Path(name);
        fstest::WriteWholeFile(path, bytes);
        return path;
    }
};
} // namespace

TEST_P(ZipFixture, ListsEveryMember)
{
    ZZipArchive archive(ArchivePath().c_str());
    ASSERT_EQ(archive.Open(), 0);
    std::set<std::string> names;
    for (int i = 0; i < archive.GetEntryCount(); ++i)
    {
        SZipEntry entry;
        ASSERT_TRUE(archive.GetEntry(i, entry));
        if (entry.name.back() != '/')
            names.insert(entry.name);
    }
    std::set<std::string> expected;
    for (const auto& [name, data] : FixtureMembers())
        expected.insert(name);
    EXPECT_EQ(names, expected);
    SZipEntry entry;
    EXPECT_FALSE(archive.GetEntry(archive.GetEntryCount(), entry));
    EXPECT_FALSE(archive.GetEntry(-1, entry));
    EXPECT_EQ(archive.Close(), 0);
}

TEST_P(ZipFixture, ReadsEveryMemberEveryWay)
{
    ZZipArchive archive(ArchivePath().c_str());
    ASSERT_EQ(archive.Open(), 0);
    for (const auto& [name, data] : FixtureMembers())
    {
        SCOPED_TRACE(name);
        SReadResult whole = ReadThroughMember(archive, name, 0);
        EXPECT_TRUE(whole.ok);
        EXPECT_TRUE(whole.data == data);
        // Small steps cross the 64 KB input refills of the big member many times.
        SReadResult chunks = ReadThroughMember(archive, name, 777);
        EXPECT_TRUE(chunks.ok);
        EXPECT_TRUE(chunks.data == data);
        SReadResult streamed = ReadThroughMember(archive, name, 4096, true);
        EXPECT_TRUE(streamed.ok);
        EXPECT_TRUE(streamed.data == data);
        SReadResult indexed = ReadThroughIndex(archive, name);
        EXPECT_TRUE(indexed.ok);
        EXPECT_TRUE(indexed.data == data);
    }
    EXPECT_EQ(archive.ReadMember(archive.GetEntryCount(), nullptr), 1);
    std::string buffer(16, '\0');
    EXPECT_EQ(archive.ReadMember(-1, buffer.data()), 1);
}

TEST_P(ZipFixture, FindsMembersWithoutCaseButNotWithBackslashes)
{
    ZZipArchive archive(ArchivePath().c_str());
    ASSERT_EQ(archive.Open(), 0);
    int index = archive.FindMember("Data/Mixed Case.TXT");
    EXPECT_GE(index, 0);
    EXPECT_EQ(archive.FindMember("data/mixed case.txt"), index);
    EXPECT_EQ(archive.FindMember("DATA/MIXED CASE.TXT"), index);
    EXPECT_EQ(archive.FindMember("data\\mixed case.txt"), -1);
    EXPECT_EQ(archive.FindMember("nothing.txt"), -1);
    EXPECT_EQ(archive.OpenMember("nothing.txt"), nullptr);
    SReadResult lower = ReadThroughMember(archive, "data/mixed case.txt", 0);
    EXPECT_TRUE(lower.ok);
    EXPECT_TRUE(lower.data == FixtureMembers().at("Data/Mixed Case.TXT"));
}

TEST_P(ZipFixture, SeeksInsideAMember)
{
    ZZipArchive archive(ArchivePath().c_str());
    const std::string& big = FixtureMembers().at("big.txt");
    for (const char* name : {"big.txt", "stored.bin"})
    {
        SCOPED_TRACE(name);
        const std::string& data = FixtureMembers().at(name);
        std::unique_ptr<IFile> file(archive.OpenMember(name));
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(file->Open(), 0);
        const int64_t size = static_cast<int64_t>(data.size());
        char c = 0;
        EXPECT_EQ(file->Seek(-1, SEEK_FROM_END), 0);
        ASSERT_EQ(file->Read(&c, 1), 1u);
        EXPECT_EQ(c, data.back());
        EXPECT_TRUE(file->IsEof());
        EXPECT_EQ(file->Seek(size, SEEK_FROM_START), 0) << "the end is a position";
        EXPECT_EQ(file->Read(&c, 1), 0u);
        EXPECT_EQ(file->Seek(size + 1, SEEK_FROM_START), 1);
        EXPECT_EQ(file->Seek(-1, SEEK_FROM_START), 1);
        EXPECT_EQ(file->Seek(5, 48), 1);
        EXPECT_EQ(file->Tell(), size) << "a refused seek does not move";
        EXPECT_EQ(file->Seek(100, SEEK_FROM_START), 0);
        EXPECT_EQ(file->Seek(-40, SEEK_FROM_CURRENT), 0) << "counts from the current position";
        char buffer[10];
        ASSERT_EQ(file->Read(buffer, 10), 10u);
        EXPECT_EQ(std::string(buffer, 10), data.substr(60, 10));
        EXPECT_EQ(file->Tell(), 70);
    }
    // Closing and opening again starts from the beginning; a closed member is neutral.
    std::unique_ptr<IFile> file(archive.OpenMember("big.txt"));
    ASSERT_EQ(file->Open(), 0);
    char buffer[8];
    file->Seek(1000, SEEK_FROM_START);
    file->Read(buffer, 8);
    EXPECT_EQ(file->Close(), 0);
    EXPECT_FALSE(file->IsOpen());
    EXPECT_EQ(file->GetSize(), -1);
    EXPECT_EQ(file->Tell(), 0);
    EXPECT_TRUE(file->IsEof());
    EXPECT_EQ(file->Read(buffer, 8), 0u);
    EXPECT_EQ(file->Seek(0, SEEK_FROM_START), 1);
    ASSERT_EQ(file->Open(), 0);
    ASSERT_EQ(file->Read(buffer, 8), 8u);
    EXPECT_EQ(std::string(buffer, 8), big.substr(0, 8));
    EXPECT_FALSE(file->Write("x", 1));
    EXPECT_FALSE(file->Printf("x"));
    EXPECT_EQ(file->ReadLine(buffer, 8), 1);
    EXPECT_EQ(std::string(file->GetPath()), ArchivePath() + "#big.txt");

    file->SetFlags(FILE_READ | FILE_STREAMED);
    EXPECT_EQ(file->Seek(0, SEEK_FROM_START), 1) << "a streamed member cannot seek";
}

TEST_P(ZipFixture, TwoThreadsReadOneArchiveAtOnce)
{
    ZZipArchive archive(ArchivePath().c_str());
    ASSERT_EQ(archive.Open(), 0);
    auto worker = [&archive](std::vector<std::string> names, int rounds, int* failures)
    {
        for (int round = 0; round < rounds; ++round)
        {
            for (const std::string& name : names)
            {
                SReadResult r = ReadThroughMember(archive, name, 1000 + 97 * round);
                if (!r.ok || r.data != FixtureMembers().at(name))
                    ++*failures;
            }
        }
    };
    int failuresA = 0;
    int failuresB = 0;
    std::thread a(worker, std::vector<std::string>{"big.txt", "readme.txt"}, 6, &failuresA);
    std::thread b(worker, std::vector<std::string>{"stored.bin", "Data/Mixed Case.TXT", "big.txt"}, 6,
                  &failuresB);
    a.join();
    b.join();
    EXPECT_EQ(failuresA, 0);
    EXPECT_EQ(failuresB, 0);
    EXPECT_EQ(archive.Close(), 0);
}

INSTANTIATE_TEST_SUITE_P(MadeByTools, ZipFixture, ::testing::Values("zip_tool.zip", "python.zip"),
                         [](const auto& info)
                         { return std::string(info.param).substr(0, info.param[0] == 'z' ? 3 : 6); });

TEST_F(ZipScratch, ArchiveReferencesAndUnload)
{
    fstest::SBuiltZip zip = fstest::BuildZip({{"a.txt", "alpha", 8}});
    ZZipArchive archive(Save(zip.bytes).c_str());
    EXPECT_FALSE(archive.IsOpen()) << "nothing is read before the first Open";
    ASSERT_EQ(archive.Open(), 0);
    ASSERT_EQ(archive.Open(), 0);
    EXPECT_EQ(archive.GetRefCount(), 2);
    std::unique_ptr<IFile> member(archive.OpenMember("a.txt"));
    ASSERT_EQ(member->Open(), 0);
    EXPECT_EQ(archive.GetRefCount(), 3) << "an open member holds the archive";
    member->Close();
    EXPECT_EQ(archive.Close(), 0);
    EXPECT_TRUE(archive.IsOpen());
    EXPECT_EQ(archive.Close(), 0);
    EXPECT_FALSE(archive.IsOpen());
    EXPECT_EQ(archive.FindMember("a.txt"), 0) << "the directory stays loaded";
    EXPECT_EQ(archive.Unload(), 0);
    EXPECT_EQ(archive.FindMember("a.txt"), -1);

    // Each request makes a member file of its own; members left alive die with the archive.
    IFile* first = archive.OpenMember("a.txt");
    IFile* second = archive.OpenMember("a.txt");
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    ASSERT_EQ(first->Open(), 0);
}

TEST_F(ZipScratch, ManyEntriesAreAllRead)
{
    std::vector<fstest::SBuildMember> members;
    for (int i = 0; i < 40000; ++i)
        members.push_back({"f" + std::to_string(i), "", 0});
    members.back().data = "last";
    fstest::SBuiltZip zip = fstest::BuildZip(members);
    ZZipArchive archive(Save(zip.bytes).c_str());
    ASSERT_EQ(archive.Open(), 0);
    EXPECT_EQ(archive.GetEntryCount(), 40000);
    SReadResult last = ReadThroughMember(archive, "f39999", 0);
    EXPECT_TRUE(last.ok);
    EXPECT_EQ(last.data, "last");
}

TEST_F(ZipScratch, BrokenArchivesFailToOpen)
{
    const fstest::SBuiltZip good =
        fstest::BuildZip({{"a.txt", fstest::Content(5, 2000), 8}, {"b.txt", "bee", 0}});
    struct Case
    {
        const char* what;
        std::string bytes;
    };
    std::vector<Case> cases;
    cases.push_back(
        {"comment after the end record", fstest::BuildZip({{"a.txt", "alpha", 8}}, "hello").bytes});
    cases.push_back({"empty file", ""});
    cases.push_back({"shorter than an end record", good.bytes.substr(good.bytes.size() - 21)});
    {
        std::string b = good.bytes;
        fstest::Put32(b, good.endOffset + 12, static_cast<uint32_t>(b.size()));
        cases.push_back({"directory larger than the file", b});
    }
    {
        std::string b = good.bytes;
        fstest::Put16(b, good.endOffset + 8, 3);
        cases.push_back({"more entries than records", b});
    }
    {
        std::string b = good.bytes;
        fstest::Put16(b, good.centralOffsets[1] + 28, 0xffff);
        cases.push_back({"name runs past the directory", b});
    }
    {
        std::string b = good.bytes;
        fstest::Put16(b, good.centralOffsets[0] + 30, 0x8000);
        cases.push_back({"extra field runs past the directory", b});
    }
    {
        std::string b = good.bytes;
        fstest::Put32(b, good.centralOffsets[1], 0x12345678);
        cases.push_back({"bad record signature", b});
    }
    {
        std::string b = good.bytes;
        fstest::Put32(b, good.centralOffsets[0] + 42, static_cast<uint32_t>(good.centralOffsets[0]));
        cases.push_back({"local header inside the directory", b});
    }
    {
        std::string b = good.bytes;
        fstest::Put32(b, good.centralOffsets[0] + 42, 0xfffffff0u);
        cases.push_back({"local header beyond the file", b});
    }
    for (const Case& c : cases)
    {
        ZZipArchive archive(Save(c.bytes).c_str());
        EXPECT_EQ(archive.Open(), 1) << c.what;
        EXPECT_FALSE(archive.IsOpen()) << c.what;
        EXPECT_EQ(archive.OpenMember("a.txt"), nullptr) << c.what;
    }
    ZZipArchive missing(Path("missing.zip").c_str());
    EXPECT_EQ(missing.Open(), 1);
    ZZipArchive unnamed;
    EXPECT_EQ(unnamed.Open(), 1);
}

TEST_F(ZipScratch, MembersThatLieFailClearly)
{
    const std::string text = fstest::Content(9, 200000);
    const fstest::SBuiltZip good =
        fstest::BuildZip({{"deflated.txt", text, 8}, {"stored.txt", text.substr(0, 3000), 0}});
    struct Patch
    {
        size_t member;
        size_t field; // offset inside both headers' matching field: 0 crc, 4 compressed, 8 size
        uint32_t value;
        bool localOnly;
    };
    // Offsets of crc / compressed size / size: local 14/18/22, central 16/20/24.
    auto apply = [&good](const Patch& p)
    {
        std::string b = good.bytes;
        fstest::Put32(b, good.localOffsets[p.member] + 14 + p.field, p.value);
        if (!p.localOnly)
            fstest::Put32(b, good.centralOffsets[p.member] + 16 + p.field, p.value);
        return b;
    };
    struct Case
    {
        const char* what;
        const char* name;
        Patch patch;
        bool opens;
    };
    const Case cases[] = {
        {"deflated crc wrong", "deflated.txt", {0, 0, 0xdeadbeef, false}, true},
        {"stored crc wrong", "stored.txt", {1, 0, 0xdeadbeef, false}, true},
        {"deflated size larger than the data", "deflated.txt", {0, 8, 200100, false}, true},
        {"deflated size smaller than the data", "deflated.txt", {0, 8, 199000, false}, true},
        {"deflated compressed size too small", "deflated.txt", {0, 4, 1000, false}, true},
        {"compressed size past the directory", "deflated.txt", {0, 4, 0x7fff0000, false}, false},
        {"size beyond any deflate ratio", "deflated.txt", {0, 8, 0x7ffffff0, false}, false},
        {"zip64 marker", "deflated.txt", {0, 8, 0xffffffffu, false}, false},
        {"stored sizes disagree", "stored.txt", {1, 8, 2000, false}, false},
        {"local header disagrees with the directory", "deflated.txt", {0, 8, 5, true}, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::string path = Save(apply(c.patch));
        ZZipArchive archive(path.c_str());
        ASSERT_EQ(archive.Open(), 0);
        std::unique_ptr<IFile> member(archive.OpenMember(c.name));
        ASSERT_NE(member, nullptr);
        if (!c.opens)
        {
            EXPECT_EQ(member->Open(), 1);
            EXPECT_FALSE(member->IsOpen());
            EXPECT_EQ(member->Close(), 0);
            std::string buffer(256, '\0');
            EXPECT_EQ(archive.ReadMember(archive.FindMember(c.name), buffer.data()), 1);
            continue;
        }
        ASSERT_EQ(member->Open(), 0);
        std::string buffer(static_cast<size_t>(member->GetSize()), '\0');
        EXPECT_EQ(member->ReadAll(buffer.data()), 1);
        member->Close();
        EXPECT_FALSE(ReadThroughMember(archive, c.name, 3333).ok);
        EXPECT_FALSE(ReadThroughMember(archive, c.name, 3333, true).ok);
        EXPECT_EQ(archive.ReadMember(archive.FindMember(c.name), buffer.data()), 1);
    }
    // The untouched archive reads correctly, so the failures above are the patches' doing.
    ZZipArchive archive(Save(good.bytes).c_str());
    EXPECT_TRUE(ReadThroughMember(archive, "deflated.txt", 3333).ok);
    EXPECT_TRUE(ReadThroughMember(archive, "stored.txt", 0).ok);
}

TEST_F(ZipScratch, UnsupportedMembersAreRefused)
{
    fstest::SBuiltZip zip = fstest::BuildZip({{"m.txt", "method", 8}, {"e.txt", "encrypted", 0}});
    fstest::Put16(zip.bytes, zip.localOffsets[0] + 8, 12);
    fstest::Put16(zip.bytes, zip.centralOffsets[0] + 10, 12);
    fstest::Put16(zip.bytes, zip.localOffsets[1] + 6, 1);
    fstest::Put16(zip.bytes, zip.centralOffsets[1] + 8, 1);
    ZZipArchive archive(Save(zip.bytes).c_str());
    for (const char* name : {"m.txt", "e.txt"})
    {
        std::unique_ptr<IFile> member(archive.OpenMember(name));
        ASSERT_NE(member, nullptr) << name;
        EXPECT_EQ(member->Open(), 1) << name;
    }
}

// Truncated and damaged copies of a real archive: every outcome is a clean failure or the
// true bytes; AddressSanitizer sees any read outside a buffer.
TEST_F(ZipScratch, DamagedCopiesNeverCrashOrLie)
{
    const std::string original = fstest::ReadWholeFile(FixturePath("zip_tool.zip"));
    ASSERT_GT(original.size(), 100000u);
    std::mt19937 random(20261210);
    std::vector<std::string> copies;
    for (size_t cut = 0; cut < original.size(); cut += original.size() / 20)
        copies.push_back(original.substr(0, cut));
    for (size_t back = 1; back < 600; back += 29)
        copies.push_back(original.substr(0, original.size() - back));
    const size_t directory = original.size() - 600;
    for (int i = 0; i < 120; ++i)
    {
        std::string copy = original;
        int flips = 1 + static_cast<int>(random() % 3);
        for (int f = 0; f < flips; ++f)
        {
            // Mostly the headers and the directory, where the sizes and offsets live.
            size_t at;
            switch (random() % 4)
            {
            case 0:
                at = random() % copy.size();
                break;
            case 1:
                at = random() % 200;
                break;
            default:
                at = directory + random() % 600;
                break;
            }
            copy[at] = static_cast<char>(copy[at] ^ (1 + random() % 255));
        }
        copies.push_back(copy);
    }

    int readable = 0;
    for (size_t i = 0; i < copies.size(); ++i)
    {
        SCOPED_TRACE(i);
        std::string path = Save(copies[i], "damaged.zip");
        ZZipArchive archive(path.c_str());
        if (archive.Open() != 0)
            continue;
        for (const auto& [name, data] : FixtureMembers())
        {
            // Whole reads through a member file and through the index; every other copy
            // reads the member streamed in chunks instead.
            for (int way = 0; way < 2; ++way)
            {
                SReadResult r = way == 1  ? ReadThroughIndex(archive, name)
                                : (i % 2) ? ReadThroughMember(archive, name, 5000, true)
                                          : ReadThroughMember(archive, name, 0);
                if (r.ok)
                {
                    ++readable;
                    EXPECT_TRUE(r.data == data) << name << " read " << way;
                }
            }
        }
        archive.Close();
    }
    EXPECT_GT(readable, 0) << "some damage leaves members intact";
}

TEST(FileTypes, RecordsFollowTheClassTree)
{
    ZZipArchive archive(FixturePath("python.zip").c_str());
    std::unique_ptr<IFile> member(archive.OpenMember("readme.txt"));
    ASSERT_NE(member, nullptr);
    ZDir dir("x");
    ZFile file("x", FILE_READ);
    EXPECT_STREQ(archive.GetTypeRecord()->name, "ZZipArchive");
    EXPECT_STREQ(member->GetTypeRecord()->name, "ZZipFile");
    EXPECT_TRUE(archive.IsA(ZResourceFile::kTypeRecord));
    EXPECT_TRUE(archive.IsA(ZRefCountFile::kTypeRecord));
    EXPECT_TRUE(archive.IsA(ZFile::kTypeRecord));
    EXPECT_TRUE(member->IsA(IFile::kTypeRecord));
    EXPECT_FALSE(member->IsA(ZFile::kTypeRecord));
    EXPECT_TRUE(dir.IsFolder());
    EXPECT_FALSE(file.IsFolder());
    EXPECT_TRUE(file.IsA(ZFileSystemEntry::kTypeRecord));
}

TEST_F(ZipScratch, OneMemberNeverMixesBufferedAndStreamedReads)
{
    const std::string text = fstest::Content(11, 100000);
    ZZipArchive archive(Save(fstest::BuildZip({{"m.txt", text, 8}}).bytes).c_str());
    std::vector<char> buffer(70000);
    for (bool streamedFirst : {false, true})
    {
        std::unique_ptr<IFile> file(archive.OpenMember("m.txt"));
        file->SetFlags(streamedFirst ? FILE_READ | FILE_STREAMED : FILE_READ);
        ASSERT_EQ(file->Open(), 0);
        ASSERT_EQ(file->Read(buffer.data(), 1000), 1000u);
        EXPECT_EQ(std::string(buffer.data(), 1000), text.substr(0, 1000));
        file->SetFlags(streamedFirst ? FILE_READ : FILE_READ | FILE_STREAMED);
        EXPECT_EQ(file->Read(buffer.data(), buffer.size()), 0u);
        // Opening again chooses afresh.
        ASSERT_EQ(file->Open(), 0);
        ASSERT_EQ(file->Read(buffer.data(), buffer.size()), buffer.size());
        EXPECT_TRUE(std::string(buffer.data(), buffer.size()) == text.substr(0, buffer.size()));
    }
}
