#include <csignal>
#include <cstdio>
#include <cstring>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/fs/ZStream.h"
#include "fs/FsTestSupport.h"
#include "tests/resource/PlayerDataTestSupport.h"

using fstest::ReadWholeFile;
using fstest::WriteWholeFile;

namespace
{
class FileTest : public fstest::ScratchTest
{
protected:
    std::vector<std::string> ListNames(const std::string& folder, bool files, bool folders)
    {
        std::vector<ZFileSystemEntry*> entries;
        ZDir(folder).List(entries, files, folders);
        std::vector<std::string> names;
        for (ZFileSystemEntry* e : entries)
        {
            std::string name;
            SplitPathAtLastSlash(e->GetPath(), name);
            names.push_back(name + (e->IsFolder() ? "/" : ""));
            delete e;
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};
} // namespace

TEST(FileModes, FirstWritingBitWins)
{
    struct Case
    {
        uint32_t flags;
        const char* mode;
    };
    const Case cases[] = {
        {0, "rb"},
        {FILE_READ, "rb"},
        {FILE_WRITE, "wb+"},
        {FILE_WRITE | FILE_UPDATE, "wb+"},
        {FILE_UPDATE, "rb+"},
        {FILE_UPDATE | FILE_APPEND, "rb+"},
        {FILE_APPEND, "a+"},
        {FILE_READ | FILE_STREAMED, "rb"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(ZFile::ModeForFlags(c.flags), c.mode) << c.flags;
}

TEST_F(FileTest, ClosedFileGivesNeutralValuesAndRefusesWork)
{
    ZFile file(Path("never.txt"), FILE_WRITE);
    char buffer[8] = {};
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetSize(), -1);
    EXPECT_EQ(file.Tell(), 0);
    EXPECT_TRUE(file.IsEof());
    EXPECT_EQ(file.Read(buffer, sizeof(buffer)), 0u);
    EXPECT_FALSE(file.Write("x", 1)) << "a write to a closed file must not report success";
    EXPECT_FALSE(file.Printf("%d", 5));
    EXPECT_EQ(file.Seek(0, SEEK_FROM_START), 1);
    EXPECT_EQ(file.ReadLine(buffer, sizeof(buffer)), 1);
    EXPECT_EQ(file.ReadAll(buffer), 1);
    EXPECT_EQ(file.Close(), 0);
    EXPECT_FALSE(FileExists(Path("never.txt").c_str()));

    ZFile unnamed("", FILE_WRITE);
    EXPECT_EQ(unnamed.Open(), 1);
}

TEST_F(FileTest, WritesReadsSeeksAndKeepsAnOpenStream)
{
    const std::string path = Path("data.bin");
    {
        ZFile file(path, FILE_WRITE);
        ASSERT_EQ(file.Open(), 0);
        EXPECT_TRUE(file.IsWritable());
        EXPECT_TRUE(file.Write("0123456789", 10));
        EXPECT_TRUE(file.Printf("|%s|%d", "ab", 42));
        EXPECT_EQ(file.Flush(), 0);
        EXPECT_EQ(file.GetSize(), 16);
        EXPECT_EQ(file.Close(), 0);
    }
    ZFile file(path, FILE_READ);
    ASSERT_EQ(file.Open(), 0);
    EXPECT_FALSE(file.IsWritable());
    char buffer[32] = {};
    ASSERT_EQ(file.Read(buffer, 3), 3u);
    // A second Open keeps the stream and its position.
    EXPECT_EQ(file.Open(), 0);
    EXPECT_EQ(file.Tell(), 3);

    struct Case
    {
        int64_t offset;
        int origin;
        int status;
        int64_t position;
    };
    const Case cases[] = {
        {4, SEEK_FROM_START, 0, 4},
        {2, SEEK_FROM_CURRENT, 0, 6},
        {-1, SEEK_FROM_END, 0, 15},
        {1, 0, 1, 15},
        {1, 48, 1, 15},
        {0, SEEK_FROM_START, 0, 0},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(file.Seek(c.offset, c.origin), c.status) << c.origin;
        EXPECT_EQ(file.Tell(), c.position) << c.origin;
    }
    EXPECT_EQ(file.ReadAll(buffer), 0);
    EXPECT_EQ(std::string(buffer, 16), "0123456789|ab|42");
    EXPECT_EQ(file.Read(buffer, 1), 0u);
    EXPECT_TRUE(file.IsEof());
}

TEST_F(FileTest, PrintfCutsLongTextAt2047Characters)
{
    ZFile file(Path("long.txt"), FILE_WRITE);
    ASSERT_EQ(file.Open(), 0);
    std::string text(3000, 'q');
    EXPECT_TRUE(file.Printf("%s", text.c_str()));
    EXPECT_EQ(file.GetSize(), 2047);
}

TEST_F(FileTest, ReadLineReadsLinesUntilTheEnd)
{
    WriteWholeFile(Path("lines.txt"), "first\nsecond line\nlast");
    ZFile file(Path("lines.txt"), FILE_READ);
    ASSERT_EQ(file.Open(), 0);
    char line[64];
    ASSERT_EQ(file.ReadLine(line, sizeof(line)), 0);
    EXPECT_STREQ(line, "first\n");
    ASSERT_EQ(file.ReadLine(line, sizeof(line)), 0);
    EXPECT_STREQ(line, "second line\n");
    ASSERT_EQ(file.ReadLine(line, sizeof(line)), 0);
    EXPECT_STREQ(line, "last");
    EXPECT_EQ(file.ReadLine(line, sizeof(line)), 1);
}

TEST_F(FileTest, RefCountFileClosesOnItsLastClose)
{
    WriteWholeFile(Path("shared.bin"), "abc");
    ZRefCountFile file;
    EXPECT_EQ(file.GetRefCount(), 0);
    EXPECT_EQ(file.Open(), 1) << "empty path";
    EXPECT_EQ(file.GetRefCount(), 0) << "a failed open adds no reference";
    file.SetPath(Path("shared.bin").c_str());
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(file.Open(), 0);
    EXPECT_EQ(file.GetRefCount(), 3);
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(file.Close(), 0);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Close(), 0);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(file.GetRefCount(), 0);
}

TEST_F(FileTest, ListingGivesFilesAndFoldersWithoutDotEntries)
{
    ASSERT_TRUE(CreateDirectoryTree(Path("list/sub/deeper").c_str()));
    WriteWholeFile(Path("list/a.txt"), "a");
    WriteWholeFile(Path("list/B.TXT"), "b");
    EXPECT_EQ(ListNames(Path("list"), true, true), (std::vector<std::string>{"B.TXT", "a.txt", "sub/"}));
    EXPECT_EQ(ListNames(Path("list"), true, false), (std::vector<std::string>{"B.TXT", "a.txt"}));
    EXPECT_EQ(ListNames(Path("list"), false, true), (std::vector<std::string>{"sub/"}));
    EXPECT_TRUE(ListNames(Path("missing"), true, true).empty());

    std::vector<ZFileSystemEntry*> entries;
    ZDir(Path("list")).GetFiles(entries);
    ZDir(Path("list")).GetFolders(entries);
    EXPECT_EQ(entries.size(), 3u) << "both calls append";
    for (ZFileSystemEntry* e : entries)
        delete e;
}

TEST(PathHelpers, SplitAndNormalize)
{
    const std::pair<const char*, const char*> splits[] = {
        {"a/b\\c.txt", "c.txt"}, {"a\\b/c.txt", "c.txt"}, {"plain.txt", "plain.txt"}, {"dir/", ""}, {"", ""},
    };
    for (const auto& [path, expected] : splits)
    {
        std::string out = "old";
        SplitPathAtLastSlash(path, out);
        EXPECT_EQ(out, expected) << path;
    }
    const std::pair<const char*, const char*> normals[] = {
        {"a\\b\\c\\", "a/b/c"}, {"a/b//", "a/b/"}, {"a/b", "a/b"}, {"", ""}, {"\\", ""},
    };
    for (const auto& [path, expected] : normals)
    {
        std::string text = path;
        NormalizeSlashes(text);
        EXPECT_EQ(text, expected) << path;
    }
}

TEST_F(FileTest, CreateDirectoryTreeMakesEveryFolder)
{
    EXPECT_TRUE(CreateDirectoryTree(Path("x\\y/z").c_str()));
    struct stat st;
    EXPECT_EQ(stat(Path("x/y/z").c_str(), &st), 0);
    EXPECT_TRUE(CreateDirectoryTree(Path("x/y/z").c_str())) << "existing folders are success";
    WriteWholeFile(Path("x/file"), "f");
    EXPECT_FALSE(CreateDirectoryTree(Path("x/file/sub").c_str()));
    EXPECT_FALSE(CreateDirectoryTree(Path("x/file").c_str())) << "a file is not a folder";
}

TEST_F(FileTest, DeleteDirectoryTreeNeverFollowsLinks)
{
    ASSERT_TRUE(CreateDirectoryTree(Path("victim/a/b").c_str()));
    WriteWholeFile(Path("outside.txt"), "keep me");
    ASSERT_TRUE(CreateDirectoryTree(Path("elsewhere").c_str()));
    WriteWholeFile(Path("elsewhere/precious.txt"), "keep me too");
    WriteWholeFile(Path("victim/a/b/f.txt"), "x");
    ASSERT_EQ(symlink(Path("elsewhere").c_str(), Path("victim/a/link").c_str()), 0);
    ASSERT_EQ(symlink(Path("outside.txt").c_str(), Path("victim/filelink").c_str()), 0);

    DeleteDirectoryTree((Path("victim") + "\\").c_str());
    EXPECT_FALSE(FileExists(Path("victim").c_str()));
    EXPECT_EQ(ReadWholeFile(Path("outside.txt")), "keep me");
    EXPECT_EQ(ReadWholeFile(Path("elsewhere/precious.txt")), "keep me too");

    DeleteDirectoryTree(Path("outside.txt").c_str());
    EXPECT_FALSE(FileExists(Path("outside.txt").c_str()));
    DeleteDirectoryTree(Path("missing").c_str());
}

TEST_F(FileTest, FileStreamsAndSaveGames)
{
    const std::string path = Path("stream.bin");
    {
        ZFileStream out(path.c_str(), true);
        ASSERT_TRUE(out.ZFile::IsOpen());
        ZStream& stream = out;
        EXPECT_TRUE(stream.Write("hello", 5));
        EXPECT_EQ(stream.Seek(1), 0);
        EXPECT_EQ(stream.Tell(), 1);
        EXPECT_EQ(stream.GetSize(), 5);
    }
    {
        ZFileStream in(path.c_str());
        ZStream& stream = in;
        char buffer[8] = {};
        EXPECT_EQ(stream.Read(buffer, 8), 5u);
        EXPECT_TRUE(stream.IsEof());
        EXPECT_STREQ(buffer, "hello");
    }
    ZFileStream later(true);
    EXPECT_FALSE(later.ZFile::IsOpen());
    EXPECT_EQ(static_cast<ZStream&>(later).Open(), 1) << "no path yet";

    ZSaveGame missing(Path("scores.dat").c_str());
    EXPECT_EQ(missing.GetFlags(), FILE_WRITE);
    EXPECT_FALSE(missing.ZFile::IsOpen());
    EXPECT_EQ(missing.GetUserWord(), 0u);
    ASSERT_EQ(static_cast<ZStream&>(missing).Open(), 0);
    EXPECT_TRUE(missing.ZFile::Write("new", 3));

    ZSaveGame existing(path.c_str());
    EXPECT_EQ(existing.GetFlags(), FILE_UPDATE);
    ASSERT_TRUE(existing.ZFile::IsOpen());
    EXPECT_FALSE(existing.ZFile::Write("x", 1)) << "opened for reading first";
    ASSERT_EQ(existing.ZFile::Close(), 0);
    ASSERT_EQ(existing.ZFile::Open(), 0);
    EXPECT_TRUE(existing.ZFile::Write("J", 1));
    existing.ZFile::Close();
    EXPECT_EQ(ReadWholeFile(path), "Jello") << "updated in place, not truncated";
}

TEST(MemoryStream, NeverMovesPastItsBlock)
{
    char block[8] = "abcdefg";
    ZMemoryStream stream(block, 7);
    char buffer[16] = {};
    EXPECT_EQ(stream.Read(buffer, 4), 4u);
    EXPECT_EQ(stream.Read(buffer, 10), 3u) << "a read is cut at the end";
    EXPECT_EQ(stream.Read(buffer, 1), 0u);
    EXPECT_TRUE(stream.IsEof());
    EXPECT_EQ(stream.Seek(8), 1);
    EXPECT_EQ(stream.Tell(), 7);
    EXPECT_EQ(stream.Seek(5), 0);
    EXPECT_FALSE(stream.Write("XYZ", 3)) << "only two bytes fit";
    EXPECT_EQ(std::string(block, 7), "abcdeXY");
    EXPECT_EQ(stream.GetSize(), 7);
    EXPECT_EQ(stream.Open(), 0);
    EXPECT_EQ(stream.GetSize(), 0);
    EXPECT_EQ(stream.Read(buffer, 1), 0u);
    EXPECT_FALSE(stream.Write("a", 1));
}

TEST_F(FileTest, SafeWriteReplacesWholeOrNotAtAll)
{
    const std::string path = Path("main.cfg");
    WriteWholeFile(path, "old = 1\n");

    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(WriteFileAtomic(path.c_str(), std::string("new = 2\n")), 0);
    EXPECT_EQ(ReadWholeFile(path), "new = 2\n");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "a private file stays private";
    EXPECT_EQ(WriteFileAtomic(Path("fresh.cfg").c_str(), std::string()), 0);
    EXPECT_TRUE(FileExists(Path("fresh.cfg").c_str()));

    {
        ZSafeFileStream file(path.c_str());
        ASSERT_EQ(file.Open(), 0);
        EXPECT_TRUE(file.Printf("half"));
        EXPECT_TRUE(FileExists(file.GetTempPath()));
    }
    EXPECT_EQ(ReadWholeFile(path), "new = 2\n") << "dropped without Close: nothing replaced";

    EXPECT_EQ(WriteFileAtomic(Path("no/such/folder/x.cfg").c_str(), std::string("x")), 1);
    ASSERT_TRUE(CreateDirectoryTree(Path("taken").c_str()));
    WriteWholeFile(Path("taken/inside"), "i");
    EXPECT_EQ(WriteFileAtomic(Path("taken").c_str(), std::string("x")), 1) << "a folder is in the way";

    std::set<std::string> names;
    std::vector<ZFileSystemEntry*> entries;
    ZDir(m_dir).GetFiles(entries);
    for (ZFileSystemEntry* e : entries)
    {
        std::string name;
        SplitPathAtLastSlash(e->GetPath(), name);
        names.insert(name);
        delete e;
    }
    EXPECT_EQ(names, (std::set<std::string>{"fresh.cfg", "main.cfg"})) << "no temporary file is left";
}

// The temporary file of a save cut off by a process that is gone is removed by the next save of
// that file; one of a running process (this one) and files of other targets stay.
TEST_F(FileTest, SafeWriteRemovesTemporariesOfSavesCutOff)
{
    const std::string path = Path("main.cfg");
    WriteWholeFile(path, "old = 1\n");
    long maxPid = 4194304;
    if (FILE* f = std::fopen("/proc/sys/kernel/pid_max", "r"))
    {
        if (std::fscanf(f, "%ld", &maxPid) != 1)
            maxPid = 4194304;
        std::fclose(f);
    }
    // No process ever has a number above the largest.
    const std::string gone = path + ".tmp" + std::to_string(maxPid + 1) + "_3";
    const std::string running = path + ".tmp" + std::to_string(getpid()) + "_999999";
    const std::string other = Path("other.cfg.tmp") + std::to_string(maxPid + 1) + "_0";
    const std::string unlike = path + ".tmpnotanumber";
    for (const std::string& p : {gone, running, other, unlike})
        WriteWholeFile(p, "half");
    EXPECT_EQ(WriteFileAtomic(path.c_str(), std::string("new = 2\n")), 0);
    EXPECT_EQ(ReadWholeFile(path), "new = 2\n");
    EXPECT_FALSE(FileExists(gone.c_str()));
    EXPECT_TRUE(FileExists(running.c_str()));
    EXPECT_TRUE(FileExists(other.c_str()));
    EXPECT_TRUE(FileExists(unlike.c_str()));
}

TEST_F(FileTest, SafeWriteReportsAFullDiskAndKeepsTheOldFile)
{
    const std::string path = Path("profile.txt");
    const std::string old = fstest::Content(3, 3000);
    WriteWholeFile(path, old);

    int status = 0;
    playerdata::WithFileSizeLimit(1024, [&]
                                  { status = WriteFileAtomic(path.c_str(), fstest::Content(4, 200000)); });

    EXPECT_EQ(status, 1);
    EXPECT_EQ(ReadWholeFile(path), old);
    std::vector<ZFileSystemEntry*> entries;
    ZDir(m_dir).GetFiles(entries);
    EXPECT_EQ(entries.size(), 1u) << "the temporary file is removed";
    for (ZFileSystemEntry* e : entries)
        delete e;
}

// Each way a save can stop is told apart, so that every save file can report it in its own words;
// none of them touches the old file or leaves a temporary one.
TEST_F(FileTest, SafeCommitTellsWhereASaveStopped)
{
    using ECommit = ZSafeFileStream::ECommit;
    const std::string path = Path("crew.xml");
    WriteWholeFile(path, "old");
    ASSERT_TRUE(CreateDirectoryTree(Path("taken").c_str()));
    WriteWholeFile(Path("taken/inside"), "i");

    {
        ZSafeFileStream file(Path("no/such/folder/x.xml").c_str());
        EXPECT_NE(file.Open(), 0);
        EXPECT_EQ(file.Commit(std::string("x")), ECommit::NotOpen);
        ZSafeFileStream unopened(path.c_str());
        EXPECT_EQ(unopened.Commit(std::string("x")), ECommit::NotOpen) << "nothing is written before Open";
    }
    {
        ZSafeFileStream file(path.c_str());
        ASSERT_EQ(file.Open(), 0);
        ECommit stage = ECommit::Done;
        playerdata::WithFileSizeLimit(1024, [&] { stage = file.Commit(fstest::Content(5, 200000)); });
        EXPECT_EQ(stage, ECommit::WriteFailed);
        EXPECT_FALSE(file.IsOpen());
    }
    {
        ZSafeFileStream file(Path("taken").c_str());
        ASSERT_EQ(file.Open(), 0);
        EXPECT_EQ(file.Commit(std::string("x")), ECommit::NotPutInPlace) << "a folder is in the way";
    }
    EXPECT_EQ(ReadWholeFile(path), "old");
    EXPECT_EQ(ListNames(m_dir, true, true), (std::vector<std::string>{"crew.xml", "taken/"}));

    ZSafeFileStream file(path.c_str());
    ASSERT_EQ(file.Open(), 0);
    EXPECT_EQ(file.Commit(std::string("new")), ECommit::Done);
    EXPECT_EQ(ReadWholeFile(path), "new");
}

TEST_F(FileTest, SafeWriteResolvesMountNamesToWritablePlaces)
{
    ZMountTable table;
    table.AddMount("home", m_dir.c_str());
    table.AddMount("data", "", "home:pack.zip", false);
    table.AddMount("data", "home:Data");
    ZFileSystem fs(&table);
    ASSERT_TRUE(CreateDirectoryTree(Path("Data").c_str()));

    EXPECT_EQ(WriteFileAtomic("data:Scores.DAT", std::string("s")), 0);
    EXPECT_EQ(ReadWholeFile(Path("Data/scores.dat")), "s");
    EXPECT_EQ(WriteFileAtomic("nowhere:x", std::string("s")), 1);
}
