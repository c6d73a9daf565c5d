// Every archive of the broken-archive corpus (tests/fixtures/fs/make_corpus.py) opens with an error
// or reads short; none crashes or reads out of bounds (the suite runs under AddressSanitizer).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/fs/ZFile.h"
#include "engine/fs/ZZipArchive.h"

namespace
{
struct Outcome
{
    bool opened = false;
    int members = 0;
    // Members read to their end both ways (member file and ReadMember), by name.
    std::map<std::string, std::string> whole;
};

Outcome ReadEverything(const std::string& path)
{
    Outcome out;
    ZZipArchive archive(path.c_str());
    if (archive.Open() != 0)
        return out;
    out.opened = true;
    const int count = archive.GetEntryCount();
    for (int i = 0; i < count; ++i)
    {
        SZipEntry entry;
        if (!archive.GetEntry(i, entry))
            continue;
        ++out.members;
        std::string streamed;
        bool streamedOk = false;
        std::unique_ptr<IFile> member(archive.OpenMember(entry.name.c_str()));
        if (member && member->Open() == 0)
        {
            std::vector<char> buffer(4096);
            while (size_t n = member->Read(buffer.data(), buffer.size()))
                streamed.append(buffer.data(), n);
            streamedOk = streamed.size() == entry.size;
            member->Close();
        }
        std::vector<char> whole(size_t(entry.size) + 1);
        const bool direct = entry.size < (1u << 20) && archive.ReadMember(i, whole.data()) == 0;
        if (streamedOk && direct && std::string(whole.data(), entry.size) == streamed)
            out.whole[entry.name] = streamed;
    }
    archive.Close();
    return out;
}
} // namespace

TEST(ZipCorpus, BrokenArchivesNeverPassOffDamagedData)
{
    const std::string folder = std::string(QV_FIXTURES) + "/fs/corpus";
    const Outcome valid = ReadEverything(folder + "/valid.zip");
    ASSERT_EQ(valid.whole.size(), 3u);
    // Archives whose damage leaves them readable: names are only names to the reader.
    const std::vector<std::string> readable = {"valid.zip", "dotdot_name.zip", "absolute_name.zip"};
    int seen = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder))
    {
        const std::string name = file.path().filename().string();
        SCOPED_TRACE(name);
        ++seen;
        const Outcome out = ReadEverything(file.path().string());
        if (std::find(readable.begin(), readable.end(), name) != readable.end())
        {
            EXPECT_TRUE(out.opened);
            EXPECT_EQ(out.whole.size(), 3u);
        }
        // Whatever a damaged archive still gives must be the member's true bytes.
        for (const auto& [member, bytes] : out.whole)
        {
            const auto it = valid.whole.find(member);
            if (it != valid.whole.end())
                EXPECT_EQ(bytes, it->second) << member;
            else
                EXPECT_EQ(bytes, valid.whole.at("sub/inner.txt")) << member; // the renamed member
        }
    }
    EXPECT_GE(seen, 10) << "the corpus is missing";

    // Members whose bytes cannot be trusted are never handed out whole.
    const std::pair<const char*, const char*> unverifiable[] = {
        {"bad_crc.zip", "stored.txt"},
        {"bad_deflate_data.zip", "deflated.txt"},
        {"claims_more_than_it_holds.zip", "stored.txt"},
        {"truncated_in_data.zip", "stored.txt"},
        {"size_disagrees_with_local.zip", "stored.txt"},
    };
    for (const auto& [archive, member] : unverifiable)
    {
        SCOPED_TRACE(archive);
        EXPECT_EQ(ReadEverything(folder + "/" + archive).whole.count(member), 0u);
    }
}
