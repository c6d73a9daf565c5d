#include "PlatformTestSupport.h"
#include "engine/platform/ZPlatformFolders.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace
{
using qvtest::ScopedEnv;
using qvtest::TempDir;

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

TEST(Folders, UserDataBaseFollowsXdgDataHome)
{
    TempDir home;
    ScopedEnv homeVar("HOME", home.Path().c_str());
    std::string out;
    {
        ScopedEnv data("XDG_DATA_HOME", "/srv/data/");
        ASSERT_TRUE(plat::GetUserDataBase(out));
        EXPECT_EQ(out, "/srv/data");
    }
    for (const char* ignored : {"", "relative/data"})
    {
        SCOPED_TRACE(ignored);
        ScopedEnv data("XDG_DATA_HOME", ignored);
        ASSERT_TRUE(plat::GetUserDataBase(out));
        EXPECT_EQ(out, home.Path() + "/.local/share");
    }
    ScopedEnv data("XDG_DATA_HOME", nullptr);
    ASSERT_TRUE(plat::GetUserDataBase(out));
    EXPECT_EQ(out, home.Path() + "/.local/share");
}

TEST(Folders, HomeFallsBackToThePasswordEntry)
{
    ScopedEnv homeVar("HOME", nullptr);
    std::string home;
    ASSERT_TRUE(plat::GetHomeFolder(home));
    EXPECT_FALSE(home.empty());
    EXPECT_EQ(home[0], '/');
}

TEST(Folders, DesktopFromTheUserDirsFile)
{
    TempDir home;
    ScopedEnv homeVar("HOME", home.Path().c_str());
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    ASSERT_TRUE(plat::CreateFolders(home / ".config"));

    struct Case
    {
        const char* label;
        std::string file;
        std::string expected;
    };
    const Case cases[] = {
        {"relative to home", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", home / "Schreibtisch"},
        {"comments and other entries",
         "# set by the tool\nXDG_DOWNLOAD_DIR=\"$HOME/dl\"\n  XDG_DESKTOP_DIR = \"$HOME/Bureau\"\n",
         home / "Bureau"},
        {"absolute path with an escaped quote", "XDG_DESKTOP_DIR=\"" + (home / "my \\\"desk\\\"") + "\"\n",
         home / "my \"desk\""},
        {"the last entry wins", "XDG_DESKTOP_DIR=\"$HOME/one\"\nXDG_DESKTOP_DIR=\"$HOME/two\"\n",
         home / "two"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        WriteFile(home / ".config/user-dirs.dirs", c.file);
        std::string out;
        ASSERT_TRUE(plat::GetDesktopFolder(out));
        EXPECT_EQ(out, c.expected);
        EXPECT_TRUE(plat::FolderExists(out)); // created on request, as the desktop query does
    }
}

TEST(Folders, DesktopFallsBackToHomeDesktopThenHome)
{
    TempDir home;
    TempDir config;
    ScopedEnv homeVar("HOME", home.Path().c_str());
    ScopedEnv configVar("XDG_CONFIG_HOME", config.Path().c_str());
    std::string out;

    // Entries that cannot be used: relative, unquoted, unterminated, $HOMEX.
    WriteFile(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"Desktop\"\nXDG_DESKTOP_DIR=$HOME/"
                                         "x\nXDG_DESKTOP_DIR=\"$HOME/y\nXDG_DESKTOP_DIR=\"$HOMEX\"\n");
    ASSERT_TRUE(plat::GetDesktopFolder(out));
    EXPECT_EQ(out, home.Path());

    ASSERT_TRUE(plat::CreateFolders(home / "Desktop"));
    ASSERT_TRUE(plat::GetDesktopFolder(out));
    EXPECT_EQ(out, home / "Desktop");

    // The configuration folder from XDG_CONFIG_HOME is the one read.
    WriteFile(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Pulpit\"\n");
    ASSERT_TRUE(plat::GetDesktopFolder(out));
    EXPECT_EQ(out, home / "Pulpit");
}

TEST(Folders, TempFolderEndsWithASeparator)
{
    {
        ScopedEnv tmp("TMPDIR", "/var/tmp/");
        EXPECT_EQ(plat::GetTempFolder(), "/var/tmp/");
    }
    {
        ScopedEnv tmp("TMPDIR", "/scratch");
        EXPECT_EQ(plat::GetTempFolder(), "/scratch/");
    }
    ScopedEnv tmp("TMPDIR", "");
    EXPECT_EQ(plat::GetTempFolder(), "/tmp/");
}

TEST(Folders, CreateFoldersMakesEveryParent)
{
    TempDir dir;
    const std::string deep = dir / "Brannoch/quorvane/profiles/profile_1";
    EXPECT_TRUE(plat::CreateFolders(deep));
    EXPECT_TRUE(plat::FolderExists(deep));
    EXPECT_TRUE(plat::CreateFolders(deep + "/")); // existing, with a trailing separator
    EXPECT_TRUE(plat::CreateFolders(dir / "a//b"));
    EXPECT_TRUE(plat::FolderExists(dir / "a/b"));

    // Default permissions: the umask decides, nothing is made writable by others.
    struct stat st
    {
    };
    ASSERT_EQ(stat(deep.c_str(), &st), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0777 & ~mask);

    WriteFile(dir / "file", "x");
    EXPECT_FALSE(plat::CreateFolders(dir / "file"));
    EXPECT_FALSE(plat::CreateFolders(dir / "file/below"));
    EXPECT_FALSE(plat::CreateFolders(""));
    EXPECT_TRUE(plat::FileExists(dir / "file"));
    EXPECT_FALSE(plat::FileExists(deep));
}

TEST(Folders, EnvironmentVariables)
{
    ScopedEnv set("QV_PLATFORM_TEST_VAR", "value with spaces");
    ScopedEnv empty("QV_PLATFORM_TEST_EMPTY", "");
    ScopedEnv unset("QV_PLATFORM_TEST_UNSET", nullptr);
    std::string out = "old";
    ASSERT_TRUE(plat::GetEnv("QV_PLATFORM_TEST_VAR", out));
    EXPECT_EQ(out, "value with spaces");
    ASSERT_TRUE(plat::GetEnv("QV_PLATFORM_TEST_EMPTY", out));
    EXPECT_EQ(out, "");
    out = "old";
    EXPECT_FALSE(plat::GetEnv("QV_PLATFORM_TEST_UNSET", out));
    EXPECT_EQ(out, "old");
    EXPECT_FALSE(plat::GetEnv(nullptr, out));
}
} // namespace
