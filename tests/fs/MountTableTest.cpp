#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/fs/ZZipArchive.h"
#include "fs/FsTestSupport.h"

namespace
{
std::string Resolved(const ZMountTable& table, const char* name, bool writableOnly = false, int index = 0,
                     int* count = nullptr)
{
    std::string out = "stale";
    int n = ResolveMountPath(&table, out, name, writableOnly, index);
    if (count)
        *count = n;
    return out;
}

std::string ReadAllOf(IFile* file)
{
    if (!file || file->Open() != 0)
        return "<not opened>";
    std::string data(static_cast<size_t>(file->GetSize()), '\0');
    if (file->ReadAll(data.data()) != 0)
        return "<read failed>";
    return data;
}
} // namespace

TEST(MountTable, CountsPlacesPerAlias)
{
    ZMountTable table;
    table.AddMount("Res", "one");
    table.AddMount("other", "x");
    table.AddMount("res", "two", "", false);
    ASSERT_EQ(table.GetEntries().size(), 3u);
    EXPECT_EQ(table.GetEntries()[0].name, "res") << "aliases are stored in lower case";
    EXPECT_EQ(table.GetEntries()[0].count, 2u);
    EXPECT_EQ(table.GetEntries()[2].count, 2u);
    EXPECT_EQ(table.GetEntries()[1].count, 1u);
    EXPECT_EQ(table.GetMountCount("res"), 2);
    EXPECT_EQ(table.GetMountCount("none"), 0);
}

TEST(MountTable, ResolvesNamesThroughNestedAliases)
{
    ZMountTable table;
    table.AddMount("home", "/opt/Game Root");
    table.AddMount("bin", "home:bin/");
    table.AddMount("media", "home:media");
    table.AddMount("shaders", "media:shaders");
    table.AddMount("game", "media:Quorvane");
    table.AddMount("resources", "", "game:Resources.brn", false);
    table.AddMount("resources", "game:");
    table.AddMount("localized", "resources:localized/en");
    table.AddMount("flat", "");

    struct Case
    {
        const char* name;
        const char* expected;
        int count;
    };
    const Case cases[] = {
        // The part after the alias is lower-cased; the places keep their case.
        {"shaders:Basic.VSH", "/opt/Game Root/media/shaders/basic.vsh", 1},
        {"game:system.cfg", "/opt/Game Root/media/Quorvane/system.cfg", 1},
        {"bin:Tool", "/opt/Game Root/bin/tool", 1},
        {"home:/a//b\\C", "/opt/Game Root/a/b/c", 1},
        {"home:", "/opt/Game Root/", 1},
        {"flat:Just/A.txt", "just/a.txt", 1},
        // Archive places give "archive#member"; nested aliases take their first place.
        {"resources:MainMenu.xml", "/opt/Game Root/media/Quorvane/Resources.brn#mainmenu.xml", 2},
        {"localized:Strings.xml", "/opt/Game Root/media/Quorvane/Resources.brn#localized/en/strings.xml", 1},
        // Not aliases: left as they are.
        {"c:/Windows/x", "c:/Windows/x", 0},
        {"/tmp/A:b/File", "/tmp/A:b/File", 0},
        {"relative/Path.txt", "relative/Path.txt", 0},
        {"HOME:x", "HOME:x", 0},
        {"nosuch:X", "nosuch:x", 0},
        {"averyveryveryverylongaliasnamethatgoesbeyond:x", "averyveryveryverylongaliasnamethatgoesbeyond:x",
         0},
    };
    for (const Case& c : cases)
    {
        int count = -1;
        EXPECT_EQ(Resolved(table, c.name, false, 0, &count), c.expected) << c.name;
        EXPECT_EQ(count, c.count) << c.name;
    }

    int count = -1;
    EXPECT_EQ(Resolved(table, "resources:a.xml", false, 1, &count), "/opt/Game Root/media/Quorvane/a.xml");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Resolved(table, "resources:a.xml", false, 2, &count), "resources:a.xml")
        << "an index beyond the places leaves the name";
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Resolved(table, "resources:a.xml", true), "/opt/Game Root/media/Quorvane/a.xml")
        << "writing skips the archive";

    std::string raw;
    EXPECT_EQ(table.Resolve(raw, "home:Keep//Case"), 1);
    EXPECT_EQ(raw, "/opt/Game Root/Keep//Case") << "Resolve itself neither cleans nor lower-cases";
}

TEST(MountTable, SetMountRepointsLaterResolutions)
{
    ZMountTable table;
    table.AddMount("shaders", "/a");
    std::string before = Resolved(table, "shaders:x");
    table.SetMount("Shaders", "/b");
    EXPECT_EQ(table.GetEntries().size(), 1u);
    EXPECT_EQ(before, "/a/x");
    EXPECT_EQ(Resolved(table, "shaders:x"), "/b/x");
    table.SetMount("audio", "/c");
    ASSERT_EQ(table.GetEntries().size(), 2u);
    EXPECT_TRUE(table.GetEntries()[1].writable);
    EXPECT_EQ(Resolved(table, "audio:y"), "/c/y");
}

TEST(MountTable, CyclesEndWithoutResolving)
{
    ZMountTable table;
    table.AddMount("aa", "bb:x");
    table.AddMount("bb", "aa:y");
    table.AddMount("self", "self:z");
    int count = -1;
    EXPECT_EQ(Resolved(table, "aa:file", false, 0, &count), "aa:file");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Resolved(table, "self:file"), "self:file");
}

TEST(MountTable, NormalizePathKeepsTheRoot)
{
    const std::pair<const char*, const char*> cases[] = {
        {"\\\\a//b\\\\c/", "/a/b/c/"},
        {"rel//x", "rel/x"},
        {"", ""},
    };
    for (const auto& [in, expected] : cases)
    {
        std::string text = in;
        ZMountTable::NormalizePath(text);
        EXPECT_EQ(text, expected) << in;
    }
}

class FileSystemTest : public fstest::ScratchTest
{
protected:
    void SetUp() override
    {
        fstest::ScratchTest::SetUp();
        ASSERT_TRUE(CreateDirectoryTree(Path("Root/media/quorvane").c_str()));
        m_table.AddMount("home", Path("Root").c_str());
        m_table.AddMount("media", "home:media");
        m_table.AddMount("game", "media:quorvane");
        fstest::SBuiltZip zip =
            fstest::BuildZip({{"inarchive.xml", "from the archive", 8}, {"both.xml", "archive copy", 0}});
        fstest::WriteWholeFile(Path("Root/media/quorvane/resources.brn"), zip.bytes);
        fstest::WriteWholeFile(Path("Root/media/quorvane/both.xml"), "loose copy");
        fstest::WriteWholeFile(Path("Root/media/quorvane/loose.xml"), "loose only");
    }

    ZMountTable m_table;
};

TEST_F(FileSystemTest, ArchiveFirstThenFolder)
{
    EXPECT_EQ(ZFileSystem::GetInstance(), nullptr) << "a request never makes one";
    ZFileSystem fs(&m_table);
    EXPECT_EQ(ZFileSystem::GetInstance(), &fs);
    EXPECT_EQ(ZFileSystem::PeekInstance(), &fs);
    ZZipArchive archive("game:resources.brn");
    fs.MountResourceArchive(&archive);
    m_table.AddMount("resources", "game:");
    EXPECT_EQ(fs.FindArchive("game:resources.brn"), &archive);

    std::unique_ptr<IFile> member(fs.Open("resources:InArchive.xml", FILE_READ));
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(ReadAllOf(member.get()), "from the archive");
    member->Close();
    std::unique_ptr<IFile> both(fs.Open("resources:both.xml", FILE_READ));
    EXPECT_EQ(ReadAllOf(both.get()), "archive copy") << "the archive is the first place";
    both->Close();
    std::unique_ptr<IFile> loose(fs.Open("resources:loose.xml", FILE_READ));
    EXPECT_EQ(ReadAllOf(loose.get()), "loose only")
        << "a member missing from the archive falls to the folder";

    std::unique_ptr<IFile> written(fs.Open("resources:both.xml", FILE_UPDATE));
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(std::string(written->GetPath()), Path("Root/media/quorvane/both.xml"))
        << "writing skips the archive";
    EXPECT_EQ(fs.GetOpenFileCount(), 2u) << "plain files are tracked, members are not";
    written.reset();
    EXPECT_EQ(fs.GetOpenFileCount(), 1u) << "deleting a file takes it out of the list";

    std::unique_ptr<IFile> nowhere(fs.Open("resources:missing.xml", FILE_READ));
    ASSERT_NE(nowhere, nullptr) << "the last place is handed out";
    EXPECT_EQ(nowhere->Open(), 1);
    EXPECT_EQ(fs.Open("unknown:x.xml", FILE_READ), nullptr);
    EXPECT_EQ(fs.Open(Path("missing.txt").c_str(), FILE_READ), nullptr);
    EXPECT_EQ(fs.Open("", FILE_READ), nullptr);

    // Files the caller forgets are deleted with the file system (LeakSanitizer watches).
    fs.Open(Path("Root/media/quorvane/loose.xml").c_str(), FILE_READ)->Open();
    loose.release();
}

TEST_F(FileSystemTest, FolderFirstAndAnUnreadableArchive)
{
    ZFileSystem fs(&m_table);
    m_table.AddMount("resources", "game:");
    ZZipArchive archive("game:resources.brn");
    fs.MountResourceArchive(&archive);
    std::unique_ptr<IFile> both(fs.Open("resources:both.xml", FILE_READ));
    EXPECT_EQ(ReadAllOf(both.get()), "loose copy");
    std::unique_ptr<IFile> member(fs.Open("resources:inarchive.xml", FILE_READ));
    EXPECT_EQ(ReadAllOf(member.get()), "from the archive");
    member->Close();

    // An archive place that cannot be opened passes the request to the next place.
    ZMountTable table;
    table.AddMount("home", Path("Root").c_str());
    table.AddMount("data", "", "home:broken.brn", false);
    table.AddMount("data", "home:media/quorvane");
    fstest::WriteWholeFile(Path("Root/broken.brn"), "not a zip");
    ZFileSystem second(&table);
    ZZipArchive broken("home:broken.brn");
    second.AddArchive(&broken);
    std::unique_ptr<IFile> fallback(second.Open("data:loose.xml", FILE_READ));
    EXPECT_EQ(ReadAllOf(fallback.get()), "loose only");
}

TEST_F(FileSystemTest, PlainNamesAndWriting)
{
    ZFileSystem fs(&m_table);
    std::unique_ptr<IFile> created(fs.Open("game:New.txt", FILE_WRITE));
    ASSERT_NE(created, nullptr);
    ASSERT_EQ(created->Open(), 0);
    EXPECT_TRUE(created->Write("x", 1));
    created->Close();
    EXPECT_TRUE(FileExists(Path("Root/media/quorvane/new.txt").c_str()));
    std::unique_ptr<IFile> plain(fs.Open(Path("Root/media/quorvane/new.txt").c_str(), FILE_READ));
    EXPECT_EQ(ReadAllOf(plain.get()), "x");
    std::unique_ptr<IFile> toCreate(fs.Open(Path("other.txt").c_str(), FILE_WRITE));
    EXPECT_NE(toCreate, nullptr) << "a plain name for writing need not exist";
}

TEST(FileSystemDefaults, HomeComesFromTheEnvironmentFirst)
{
    struct Case
    {
        const char* root;
        const char* home;
        const char* bin;
        const char* expectedHome;
        const char* expectedBin;
    };
    const Case cases[] = {
        {"/r", "/h", "/b", "/r/x", "/b/x"},
        {"", "/h", nullptr, "/h/x", "/h/bin/x"},
        {nullptr, nullptr, nullptr, "./x", "./bin/x"},
    };
    for (const Case& c : cases)
    {
        auto set = [](const char* name, const char* value)
        {
            if (value)
                setenv(name, value, 1);
            else
                unsetenv(name);
        };
        set("engineroot", c.root);
        set("enginehome", c.home);
        set("enginebin", c.bin);
        ZMountTable table;
        ZFileSystem fs(&table);
        fs.MountDefaults("./");
        EXPECT_EQ(Resolved(table, "home:X"), c.expectedHome);
        EXPECT_EQ(Resolved(table, "bin:x"), c.expectedBin);
        EXPECT_EQ(Resolved(table, "shaders:a.gls"),
                  std::string(c.expectedHome).substr(0, std::string(c.expectedHome).size() - 1) +
                      "media/shaders/a.gls");
    }
    unsetenv("engineroot");
    unsetenv("enginehome");
    unsetenv("enginebin");
}
