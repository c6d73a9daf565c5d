// The high-score table: the default table, insertion rules, the file's exact layout, safe saving,
// and a table of damaged and hostile files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "PlayerDataTestSupport.h"
#include "engine/resource/ZHighscoreTable.h"

namespace
{
using playerdata::ReadWholeFile;
using playerdata::WriteWholeFile;
using Result = ZHighscoreTable::LoadResult;

std::string U32(uint32_t v)
{
    return std::string{char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char(v >> 24)};
}

std::string Entry(const std::string& name, uint32_t score, uint8_t isNew, const std::string& text)
{
    return U32(uint32_t(name.size())) + name + U32(score) + char(isNew) + U32(uint32_t(text.size())) + text;
}

std::vector<int32_t> Scores(const ZHighscoreTable& table)
{
    std::vector<int32_t> scores;
    for (const SHighscoreEntry& e : table.GetEntries())
        scores.push_back(e.score);
    return scores;
}

class HighscoreTest : public playerdata::ScratchFolder
{
protected:
    std::string File() const { return Path("highscores.dat"); }
};
} // namespace

TEST_F(HighscoreTest, AFirstRunShowsTenDefaultEntriesAndWritesNothing)
{
    ZHighscoreTable table(File().c_str());
    EXPECT_EQ(table.GetLoadResult(), Result::Missing);
    EXPECT_EQ(table.GetPlaces(), 10);
    EXPECT_EQ(Scores(table), (std::vector<int32_t>{2700000, 1810000, 1786000, 1332000, 1310000, 1290000,
                                                   1244000, 1227000, 605000, 573000}));
    EXPECT_FALSE(FileExists(File().c_str()));
}

TEST_F(HighscoreTest, InsertionRules)
{
    ZHighscoreTable table(File().c_str());
    EXPECT_TRUE(table.Insert("Ada", 600000, "Tess"));
    EXPECT_EQ(table.GetEntries().size(), 10u);
    EXPECT_EQ(table.GetEntries()[9].name, "Ada");
    EXPECT_EQ(table.GetEntries()[9].text, "Tess");
    EXPECT_EQ(table.GetEntries()[9].isNew, 1);
    EXPECT_EQ(table.GetEntries()[8].score, 605000);
    EXPECT_FALSE(table.Insert("Bea", 573000, nullptr)) << "equal to the last kept place";
    EXPECT_FALSE(table.Insert("Bea", 600000, nullptr)) << "equal to the last place, which is Ada's";

    EXPECT_FALSE(table.Insert("Ada", 599999, nullptr)) << "below her own entry";
    EXPECT_TRUE(table.Insert("Ada", 1300000, nullptr));
    int count = 0;
    for (const SHighscoreEntry& e : table.GetEntries())
        count += e.name == "Ada";
    EXPECT_EQ(count, 1) << "improved in place, not added twice";
    EXPECT_EQ(table.GetEntries()[5].name, "Ada");
    EXPECT_EQ(table.GetEntries()[5].text, "") << "a null text empties the text";

    table.SetAllowDuplicateNames(true);
    EXPECT_TRUE(table.Insert("Ada", 1400000, nullptr));
    count = 0;
    for (const SHighscoreEntry& e : table.GetEntries())
        count += e.name == "Ada";
    EXPECT_EQ(count, 2);
}

TEST_F(HighscoreTest, TheFileHoldsEachFieldLittleEndianInTableOrder)
{
    ZHighscoreTable table(File().c_str());
    table.Resize(2);
    table.GetEntries().clear();
    ASSERT_TRUE(table.Insert("Zo", -5, nullptr));
    ASSERT_TRUE(table.Insert("Ily", 0x01020304, "Tess"));
    ASSERT_EQ(table.Save(), 0);
    EXPECT_EQ(ReadWholeFile(File()),
              U32(2) + Entry("Ily", 0x01020304, 1, "Tess") + Entry("Zo", 0xfffffffbu, 1, ""));
}

TEST_F(HighscoreTest, SaveThenLoadGivesTheSameTableAndItsPlaces)
{
    std::vector<SHighscoreEntry> saved;
    {
        ZHighscoreTable table(File().c_str());
        table.Resize(12);
        ASSERT_TRUE(table.Insert("Ada", 350000, "Tess"));
        ASSERT_TRUE(table.Insert("Bo", 100, nullptr));
        ASSERT_EQ(table.GetEntries().size(), 12u);
        table.GetEntries()[0].isNew = 0;
        ASSERT_EQ(table.Save(), 0);
        saved = table.GetEntries();
    }
    ZHighscoreTable again(File().c_str());
    EXPECT_EQ(again.GetLoadResult(), Result::Loaded);
    EXPECT_EQ(again.GetPlaces(), 12);
    EXPECT_EQ(again.GetEntries(), saved);
}

TEST_F(HighscoreTest, ANameOrTextTooLongForTheFileIsCutSoTheTableReadsBack)
{
    const std::string longName(1000, 'n');
    {
        ZHighscoreTable table(File().c_str());
        ASSERT_TRUE(table.Insert(longName.c_str(), 9000000, longName.c_str()));
        ASSERT_EQ(table.Save(), 0);
    }
    ZHighscoreTable again(File().c_str());
    ASSERT_EQ(again.GetLoadResult(), Result::Loaded);
    EXPECT_EQ(again.GetEntries()[0].name, std::string(256, 'n'));
    EXPECT_EQ(again.GetEntries()[0].text, std::string(256, 'n'));
}

TEST_F(HighscoreTest, DamagedAndHostileFiles)
{
    const std::string good = Entry("Ada", 500, 1, "Tess");
    struct Case
    {
        const char* name;
        std::string data;
        Result result;
        size_t entries; // entries kept
        int32_t places;
    };
    const Case cases[] = {
        {"empty file", "", Result::Damaged, 10, 10},
        {"two bytes", "\x01\x00", Result::Damaged, 10, 10},
        {"count zero", U32(0), Result::Damaged, 10, 10},
        {"count 2^32-1 with one entry", U32(0xffffffffu) + good, Result::Damaged, 10, 10},
        {"count past the limit", U32(1001) + good, Result::Damaged, 10, 10},
        {"name length 2^32-1", U32(1) + U32(0xffffffffu) + "Ada", Result::Damaged, 10, 10},
        {"name length past the limit", U32(1) + U32(257) + std::string(257, 'x') + U32(1) + '\0' + U32(0),
         Result::Damaged, 10, 10},
        {"text length 2^31", U32(1) + U32(3) + "Ada" + U32(5) + '\1' + U32(0x80000000u), Result::Damaged, 10,
         10},
        {"count says 3, two entries", U32(3) + good + good, Result::Truncated, 2, 3},
        {"cut inside the second entry", U32(2) + good + good.substr(0, 9), Result::Truncated, 1, 2},
        {"name runs past the end", U32(2) + good + U32(200) + "Bea", Result::Truncated, 1, 2},
        {"cut inside the first entry", U32(1) + good.substr(0, 6), Result::Damaged, 10, 10},
        {"count of one with trailing bytes", U32(1) + good + "junk", Result::Loaded, 1, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        WriteWholeFile(File(), c.data);
        ZHighscoreTable table(File().c_str());
        EXPECT_EQ(table.GetLoadResult(), c.result);
        EXPECT_EQ(table.GetEntries().size(), c.entries);
        EXPECT_EQ(table.GetPlaces(), c.places);
        if (c.result == Result::Damaged)
            EXPECT_EQ(table.GetEntries()[0].score, 2700000) << "the default table";
        else
            EXPECT_EQ(table.GetEntries()[0].name, "Ada");
        // A file that was not read whole is kept aside with its bytes, so the next save loses nothing.
        const std::string aside = File() + ".damaged";
        if (c.result == Result::Loaded)
        {
            EXPECT_FALSE(FileExists(aside.c_str()));
        }
        else
        {
            EXPECT_FALSE(FileExists(File().c_str()));
            EXPECT_EQ(ReadWholeFile(aside), c.data);
            std::remove(aside.c_str());
        }
        // Whatever was read, the table keeps working.
        EXPECT_TRUE(table.Insert("Late", 2000000000, nullptr));
        EXPECT_EQ(table.GetEntries()[0].name, "Late");
    }
}

TEST_F(HighscoreTest, ASecondDamagedFileDoesNotReplaceTheOneKeptBefore)
{
    WriteWholeFile(File(), "first");
    {
        ZHighscoreTable table(File().c_str());
    }
    WriteWholeFile(File(), "second");
    {
        ZHighscoreTable table(File().c_str());
    }
    EXPECT_EQ(ReadWholeFile(File() + ".damaged"), "first");
    EXPECT_EQ(ReadWholeFile(File() + ".damaged-2"), "second");
}

TEST_F(HighscoreTest, ATableWithNoPlacesIsRefused)
{
    ZHighscoreTable table(File().c_str());
    table.Resize(0);
    table.Resize(-3);
    EXPECT_EQ(table.GetPlaces(), 10);
    EXPECT_TRUE(table.Insert("Ada", 3000000, nullptr));
}

TEST_F(HighscoreTest, AFailedSaveKeepsThePreviousFile)
{
    ZHighscoreTable table(File().c_str());
    ASSERT_EQ(table.Save(), 0);
    const std::string before = ReadWholeFile(File());
    ASSERT_TRUE(table.Insert(std::string(200, 'x').c_str(), 9000000, std::string(200, 'y').c_str()));

    int status = 0;
    playerdata::WithFileSizeLimit(64, [&] { status = table.Save(); });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ReadWholeFile(File()), before);

    EXPECT_TRUE(playerdata::KilledMidway(64, [&] { table.Save(); }));
    EXPECT_EQ(ReadWholeFile(File()), before) << "a writer killed midway leaves the old file";
    ZHighscoreTable again(File().c_str());
    EXPECT_EQ(again.GetLoadResult(), Result::Loaded);
    EXPECT_EQ(again.GetEntries()[0].score, 2700000);

    ASSERT_EQ(table.Save(), 0);
    ZHighscoreTable saved(File().c_str());
    EXPECT_EQ(saved.GetEntries()[0].score, 9000000);
}

TEST_F(HighscoreTest, AnEmptyTableWritesNothingAndAMissingFolderFails)
{
    {
        ZHighscoreTable table(File().c_str());
        table.GetEntries().clear();
        EXPECT_EQ(table.Save(), 0);
        EXPECT_FALSE(FileExists(File().c_str()));
    }
    ZHighscoreTable nowhere(Path("missing/folder/highscores.dat").c_str());
    EXPECT_EQ(nowhere.Save(), 1);
}
