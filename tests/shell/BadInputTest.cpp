// The real game meets bad files: a main.cfg full of garbage, a profile folder full of junk, a
// layout cut short. It says which file is wrong, keeps safe values, loses no player and ends
// cleanly when asked to.
#include <gtest/gtest.h>

#include <string>

#include "tests/shell/SessionSupport.h"

using namespace shelltest;

namespace
{
constexpr float kStep = 1.0f / 80.0f;
const std::string kArgs = "play --engine.fixedstep=0.0125 --engine.randomseed=3 --zelk.splashscreen=false";

// Waits on the main menu, then Escape quits.
void WriteQuitSession(const fs::path& data)
{
    fs::create_directories(data / "sessions");
    SessionWriter session((data / "sessions" / "session.dat").string());
    ASSERT_TRUE(session.Ok());
    session.Idle(int(3.0f / kStep));
    session.Key(27, 0x01);
    session.Idle(int(2.0f / kStep));
}

void Write(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}
} // namespace

TEST(BadInput, GarbageConfigurationAndJunkProfilesKeepThePlayerAndEndCleanly)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
    const fs::path home = MakeHome();
    const fs::path data = home / "Brannoch" / "quorvane";
    Write(data / "main.cfg", std::string("engine.fpslimit = banana\nrender.width = -5\n\x01\x02 no equals here\n"
                                         "engine.audio.volume.music = 7e99\n\xff\xfe\n",
                                         90));
    Write(data / "profiles" / "profile_0" / "profile.txt", "profile.name = Bo\nprofile.treasure = 100\n");
    Write(data / "profiles" / "profile_1" / "profile.txt", std::string("\x00\x01\x02garbage\n=\n==\n", 16));
    Write(data / "profiles" / "junk.bin", std::string(64, '\x7f'));
    Write(data / "profiles" / "profile_9", "a file where a folder should be");
    WriteQuitSession(data);

    const int code = RunGame(home.string(), kArgs);
    const std::string out = Slurp(home / "out.txt");
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("main.cfg: \"engine.fpslimit = banana\" is not a valid value"), std::string::npos) << out;
    // The player and everything that was not the game's stay as they were.
    const std::string profile = Slurp(data / "profiles" / "profile_0" / "profile.txt");
    EXPECT_NE(profile.find("profile.name = Bo"), std::string::npos) << profile;
    EXPECT_NE(profile.find("profile.treasure = 100"), std::string::npos) << profile;
    EXPECT_TRUE(fs::exists(data / "profiles" / "junk.bin"));
    EXPECT_TRUE(fs::is_regular_file(data / "profiles" / "profile_9"));
    fs::remove_all(home);
}
