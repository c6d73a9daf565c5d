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
    // What each archive of the corpus gives: whether it opens and how many members come out whole.
    // An archive added to the corpus must be added here too. Names are only names to the reader,
    // so "dotdot" and "absolute" names read like any other.
    struct Expected
    {
        bool opens;
        size_t whole;
    };
    const std::map<std::string, Expected> expected = {
        {"valid.zip", {true, 3}},
        {"dotdot_name.zip", {true, 3}},
        {"absolute_name.zip", {true, 3}},
        {"bad_crc.zip", {true, 2}},
        {"bad_deflate_data.zip", {true, 2}},
        {"claims_more_than_it_holds.zip", {true, 2}},
        {"truncated_in_data.zip", {false, 0}},
        {"size_disagrees_with_local.zip", {true, 2}},
        {"unknown_method.zip", {true, 2}},
        {"local_offset_past_end.zip", {false, 0}},
        {"only_end_record.zip", {false, 0}},
        // The directory is found from the end record's place, not from its offset field.
        {"directory_offset_past_end.zip", {true, 3}},
        {"directory_size_huge.zip", {false, 0}},
        {"empty_file.zip", {false, 0}},
        {"entry_count_huge.zip", {false, 0}},
        {"name_length_past_end.zip", {false, 0}},
        {"truncated_end_record.zip", {false, 0}},
        {"truncated_in_directory.zip", {false, 0}},
    };
    int seen = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder))
    {
        const std::string name = file.path().filename().string();
        SCOPED_TRACE(name);
        ++seen;
        const Outcome out = ReadEverything(file.path().string());
        const auto known = expected.find(name);
        if (known == expected.end())
            ADD_FAILURE() << "an archive of the corpus without its expected outcome: opens " << out.opened
                          << ", members whole " << out.whole.size();
        else
        {
            EXPECT_EQ(out.opened, known->second.opens);
            EXPECT_EQ(out.whole.size(), known->second.whole);
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
    EXPECT_EQ(size_t(seen), expected.size()) << "the corpus is missing archives";

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
