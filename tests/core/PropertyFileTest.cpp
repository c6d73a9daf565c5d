// Property text files: the line format, loading and applying, writing back only what differs, and
// a save that fails without touching the old file.
#include "engine/resource/ZPropertyFile.h"

#include <gtest/gtest.h>

#include "support/TestFiles.h"

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "engine/core/ZPropertyManager.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "tests/support/TestFiles.h"

namespace
{
// The settings of these tests live in a group of their own, so the engine's settings never show up
// in the files written here.
const uint32_t kGroup = ZNameId("cfgtest").Value();

ZPropertyInt s_width("cfgtest.width", "", "", ZProperty::kSaved, kGroup, 800, 4000, 640);
ZPropertyFloat s_volume("cfgtest.volume", "", "", ZProperty::kSaved, kGroup, 0.5f, 1.0f, 0.0f);
ZPropertyText s_name("cfgtest.name", "", "", ZProperty::kSaved, kGroup, std::string("nemo"));
ZPropertyBool s_flag("cfgtest.flag", "", "", ZProperty::kSaved, kGroup, false);
ZPropertyBool s_always("cfgtest.always", "", "", ZProperty::kSaved | ZProperty::kAlwaysWrite, kGroup, false);
ZPropertyInt s_unsaved("cfgtest.unsaved", "", "", 0, kGroup, 1, 100, 0);

class PropertyFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.empty());
        for (ZProperty* p :
             std::initializer_list<ZProperty*>{&s_width, &s_volume, &s_name, &s_flag, &s_always, &s_unsaved})
            p->Reset(false);
    }
    void TearDown() override
    {
        for (ZProperty* p :
             std::initializer_list<ZProperty*>{&s_width, &s_volume, &s_name, &s_flag, &s_always, &s_unsaved})
            p->Reset(false);
    }
    std::string Path(const char* name) const { return m_dir + "/" + name; }

    qvtest::TempDir m_temp{"qv_cfgtest"};
    std::string m_dir = m_temp.Path();
};

struct LineCase
{
    const char* line;
    SPropertyEntry entry;
    const char* written;
};

TEST(PropertyLine, ParseAndFormat)
{
    const LineCase cases[] = {
        {"render.width=1024", {"render.width", "1024", ""}, "render.width = 1024"},
        {"  # note = x", {"", "", "note = x"}, " # note = x"},
        {"language de", {"language", "de", ""}, "language = de"},
        {"engine.name = big # fish", {"engine.name", "big", "fish"}, "engine.name = big # fish"},
        {"\tkey\t=\tv w\t\r", {"key", "v w", ""}, "key = v w"},
        {"a.b = #", {"a.b", "", ""}, "a.b = "},
        {"a # b = c", {"", "", "b = c"}, " # b = c"},
        {"x = 1 # one # two", {"x", "1", "one # two"}, "x = 1 # one # two"},
        {"=orphan", {"", "orphan", ""}, ""},
        {"solo", {"solo", "", ""}, "solo = "},
        {"", {"", "", ""}, ""},
        {" \t \r", {"", "", ""}, ""},
    };
    for (const LineCase& c : cases)
    {
        SCOPED_TRACE(c.line);
        const SPropertyEntry entry = ParsePropertyLine(c.line);
        EXPECT_EQ(entry.key, c.entry.key);
        EXPECT_EQ(entry.value, c.entry.value);
        EXPECT_EQ(entry.comment, c.entry.comment);
        EXPECT_EQ(FormatPropertyLine(entry), c.written);
    }
}

TEST_F(PropertyFileTest, LoadAppliesKnownKeysInFileOrderAndKeepsEveryLine)
{
    ZPropertyFile file;
    file.SetGroup(kGroup);
    ASSERT_EQ(file.Load((std::string(QV_FIXTURES) + "/config/mixed.cfg").c_str(), true), 0);
    EXPECT_TRUE(file.IsLoaded());

    // CR LF reads like LF; the later of two lines wins; "key value" without '=' counts.
    EXPECT_EQ(s_width.GetValue(), 1280);
    EXPECT_EQ(s_name.GetValue(), "fish and chips");
    EXPECT_EQ(s_volume.GetValue(), 0.25f);
    EXPECT_TRUE(s_flag.GetValue()) << "a last line without LF counts";

    const std::vector<SPropertyEntry> expected = {
        {"", "", "Shipped defaults"},
        {"cfgtest.width", "1024", ""},
        {"", "", "note = x"},
        {"cfgtest.name", "fish and chips", ""},
        {"cfgtest.volume", "0.25", "quiet"},
        {"unknown.key", "kept", "for another build"},
        {"", "", ""},
        {"this", "line means nothing", ""},
        {"", "orphan value", ""},
        {"cfgtest.width", "1280", ""},
        {"cfgtest.flag", "true", ""},
    };
    EXPECT_EQ(file.GetEntries(), expected);
    ASSERT_NE(file.FindEntry("cfgtest.width"), nullptr);
    EXPECT_EQ(file.FindEntry("cfgtest.width")->value, "1024") << "the first entry of a key";
    EXPECT_EQ(file.FindEntry("CFGTEST.WIDTH"), nullptr);
}

TEST_F(PropertyFileTest, LoadStopsAtNulAndAMissingFileChangesNothing)
{
    qvtest::WriteWholeFile(Path("nul.cfg"), std::string("cfgtest.width = 1024\n\0cfgtest.width = 2000\n", 44));
    ZPropertyFile file;
    ASSERT_EQ(file.Load(Path("nul.cfg").c_str(), true), 0);
    EXPECT_EQ(s_width.GetValue(), 1024);
    EXPECT_EQ(file.GetEntries().size(), 1u) << "nothing follows a final LF";

    s_width.Reset(false);
    EXPECT_NE(file.Load(Path("missing.cfg").c_str(), true), 0);
    EXPECT_EQ(file.GetEntries().size(), 1u);
    EXPECT_TRUE(file.IsLoaded());
    EXPECT_EQ(s_width.GetValue(), 800);

    ZPropertyFile noPath;
    EXPECT_NE(noPath.Load(nullptr, true), 0);
    EXPECT_FALSE(noPath.IsLoaded());
    EXPECT_NE(noPath.Load("nowhere:x.cfg", true), 0) << "an alias with no place";
}

TEST_F(PropertyFileTest, SaveRebuildsFromTheSettingsAndRoundTrips)
{
    const std::string path = Path("main.cfg");
    qvtest::WriteWholeFile(path, "# mine\r\ncfgtest.width=1024 # wide\r\nunknown.key = kept\r\n\r\ncfgtest.name = dory\r\n"
                    "cfgtest.flag = false\r\n");
    ZPropertyFile file;
    file.SetGroup(kGroup);
    file.SetPath(path.c_str());
    ASSERT_EQ(file.Load(nullptr, true), 0);

    s_width.SetValue(1280);
    s_volume.SetValue(0.2f);
    s_unsaved.SetValue(50); // not a saved setting: never added
    const std::string longName(300, 'n');
    s_name.SetValue(longName);
    ASSERT_TRUE(file.NeedsSave());
    ASSERT_EQ(file.Save(nullptr, true), 0);

    // Known keys take the settings' text; a setting at its default that the file holds keeps its
    // line; saved settings the file lacks follow in name order, at their default only when always
    // written; long texts are written whole; LF only.
    const std::string expected =
        " # mine\ncfgtest.width = 1280 # wide\nunknown.key = kept\n\ncfgtest.name = " + longName +
        "\ncfgtest.flag = false\ncfgtest.always = false\ncfgtest.volume = 0.2\n";
    EXPECT_EQ(qvtest::ReadWholeFile(path), expected);
    EXPECT_EQ(file.GetText(), expected);
    EXPECT_EQ(qvtest::ListFileNames(m_dir), std::set<std::string>{"main.cfg"}) << "no temporary file is left";

    // What was written reads back to the same values.
    for (ZProperty* p : std::initializer_list<ZProperty*>{&s_width, &s_volume, &s_name})
        p->Reset(false);
    ZPropertyFile again;
    again.SetGroup(kGroup);
    ASSERT_EQ(again.Load(path.c_str(), true), 0);
    EXPECT_EQ(s_width.GetValue(), 1280);
    EXPECT_EQ(s_volume.GetValue(), 0.2f);
    EXPECT_EQ(s_name.GetValue(), longName);
    EXPECT_FALSE(again.NeedsSave());
}

TEST_F(PropertyFileTest, NothingIsWrittenWhenNothingDiffers)
{
    const std::string path = Path("main.cfg");
    // Hand-written forms: a rewrite would show as " = " around the '='.
    const std::string handWritten = "cfgtest.width=1024 # mine\ncfgtest.volume=0.50\ncfgtest.always=false\n";
    qvtest::WriteWholeFile(path, handWritten);
    ZPropertyFile file;
    file.SetGroup(kGroup);
    ASSERT_EQ(file.Load(path.c_str(), true), 0);
    EXPECT_FALSE(file.NeedsSave()) << "a setting away from its default that the file already holds";
    EXPECT_EQ(file.Save(path.c_str(), true), 0);
    EXPECT_EQ(qvtest::ReadWholeFile(path), handWritten);

    // Once a change has been saved, the next save has nothing to do.
    s_flag.SetValue(true);
    EXPECT_TRUE(file.NeedsSave());
    ASSERT_EQ(file.Save(path.c_str(), true), 0);
    EXPECT_EQ(qvtest::ReadWholeFile(path), "cfgtest.width = 1024 # mine\ncfgtest.volume = 0.50\ncfgtest.always = false\n"
                              "cfgtest.flag = true\n");
    qvtest::WriteWholeFile(path, "sentinel\n");
    EXPECT_EQ(file.Save(path.c_str(), true), 0);
    EXPECT_EQ(qvtest::ReadWholeFile(path), "sentinel\n");
}

TEST_F(PropertyFileTest, NumbersStayInTheCFormsUnderADecimalCommaLocale)
{
    // A German numeric locale, made for this test, writes 0,25 and reads "0.25" as 0.
    const std::string command = "localedef -i de_DE -f UTF-8 -c " + Path("de_DE.UTF-8") + " >/dev/null 2>&1";
    (void)std::system(command.c_str());
    setenv("LOCPATH", m_dir.c_str(), 1);
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
    {
        unsetenv("LOCPATH");
        GTEST_SKIP() << "no decimal-comma locale can be made here";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 0.25);

    const std::string path = Path("main.cfg");
    qvtest::WriteWholeFile(path, "cfgtest.volume = 0.25\ncfgtest.width = 0x400\ncfgtest.always = false\n");
    ZPropertyFile file;
    file.SetGroup(kGroup);
    const int loaded = file.Load(path.c_str(), true);
    const float volume = s_volume.GetValue();
    const int width = s_width.GetValue();
    s_volume.SetValue(0.7f);
    const int saved = file.Save(path.c_str(), true);

    std::setlocale(LC_NUMERIC, before.c_str());
    unsetenv("LOCPATH");
    ASSERT_STREQ(probe, "0,25") << "the locale is in effect";
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(volume, 0.25f);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(qvtest::ReadWholeFile(path), "cfgtest.volume = 0.69999999\ncfgtest.width = 1024\ncfgtest.always = false\n");
}

TEST_F(PropertyFileTest, ValuesTheFormatCannotHoldKeepTheFileLine)
{
    const std::string path = Path("main.cfg");
    qvtest::WriteWholeFile(path, "cfgtest.name = dory\ncfgtest.always = false\n");
    ZPropertyFile file;
    file.SetGroup(kGroup);
    ASSERT_EQ(file.Load(path.c_str(), true), 0);
    // Written out, '#' would start a comment and a line break a new line: they would read back as
    // another value, so the file keeps what it had.
    for (const char* text : {"a # b", "two\nlines"})
    {
        SCOPED_TRACE(text);
        s_name.SetValue(text);
        EXPECT_FALSE(file.NeedsSave());
        EXPECT_EQ(file.Save(nullptr, true), 0);
        EXPECT_EQ(qvtest::ReadWholeFile(path), "cfgtest.name = dory\ncfgtest.always = false\n");
    }
}

TEST_F(PropertyFileTest, AFailedWriteKeepsTheOldFileAndReportsIt)
{
    const std::string path = Path("main.cfg");
    const std::string old = "cfgtest.name = dory\n";
    qvtest::WriteWholeFile(path, old);
    ZPropertyFile file;
    file.SetGroup(kGroup);
    file.SetPath(path.c_str());
    ASSERT_EQ(file.Load(nullptr, true), 0);
    s_name.SetValue(std::string(200000, 'x'));

    // A file-size limit makes the writes fail the way a full disk does.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved;
    limit.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const int status = file.Save(nullptr, true);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(status, 1);
    EXPECT_EQ(qvtest::ReadWholeFile(path), old);
    EXPECT_EQ(qvtest::ListFileNames(m_dir), std::set<std::string>{"main.cfg"}) << "the temporary file is removed";

    // A folder that does not exist, and a folder in the place of the file.
    EXPECT_EQ(file.Save(Path("no/such/main.cfg").c_str(), true), 1);
    ASSERT_TRUE(CreateDirectoryTree(Path("taken").c_str()));
    EXPECT_EQ(file.Save(Path("taken").c_str(), true), 1);

    // The failed saves are not forgotten: the next one that can write does.
    EXPECT_EQ(file.Save(nullptr, true), 0);
    EXPECT_EQ(qvtest::ReadWholeFile(path), "cfgtest.name = " + std::string(200000, 'x') + "\ncfgtest.always = false\n");
}

TEST_F(PropertyFileTest, ProfileNameIsSetOrAppendedAndSaved)
{
    const std::string path = Path("profile.txt");
    qvtest::WriteWholeFile(path, "cfgtest.width = 1024\n");
    ZPropertyFile file;
    file.SetGroup(kGroup);
    file.SetPath(path.c_str());
    ASSERT_EQ(file.Load(nullptr, true), 0);
    file.SetProfileName("Marlin");
    ASSERT_EQ(file.Save(nullptr, false), 0);
    EXPECT_EQ(qvtest::ReadWholeFile(path), "cfgtest.width = 1024\nprofile.name = Marlin\n");
    file.SetProfileName("Coral");
    ASSERT_EQ(file.Save(nullptr, false), 0);
    EXPECT_EQ(qvtest::ReadWholeFile(path), "cfgtest.width = 1024\nprofile.name = Coral\n");
}

TEST_F(PropertyFileTest, ConfigFileWithoutEngineLivesAtHome)
{
    ZMountTable table;
    table.AddMount("home", m_dir.c_str());
    ZFileSystem fileSystem(&table);
    qvtest::WriteWholeFile(Path("main.cfg"), "cfgtest.width = 1111\n");

    ZConfigFile config;
    config.SetPath("ignored.cfg");
    ASSERT_EQ(config.Load(nullptr, true), 0);
    EXPECT_EQ(s_width.GetValue(), 1111);

    config.SetGroup(kGroup);
    s_width.SetValue(2222);
    ASSERT_EQ(config.Save(nullptr, true), 0);
    EXPECT_EQ(qvtest::ReadWholeFile(Path("main.cfg")), "cfgtest.width = 2222\ncfgtest.always = false\n");

    // A path given is used as it is.
    qvtest::WriteWholeFile(Path("other.cfg"), "cfgtest.width = 3333\n");
    ASSERT_EQ(config.Load("home:other.cfg", true), 0);
    EXPECT_EQ(s_width.GetValue(), 3333);
}
} // namespace
