// The real game from start to exit: a session recorded with the engine's own recorder (splash,
// name entry, main menu, settings and back, high scores and back, a screenshot, exit) is played
// back by the real executable with the fixed-step test settings, so every run ends the same.
#include <gtest/gtest.h>

#include <IL/il.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/wait.h>

#include "tests/shell/SessionSupport.h"

namespace fs = std::filesystem;

using namespace shelltest;

namespace
{
constexpr float kStep = 1.0f / 80.0f;
} // namespace

TEST(EndToEnd, SplashNameEntryMenusAndExitFromARecordedSession)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display (run under xvfb-run)";
    char pattern[] = "/tmp/quorvane-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path home = pattern;
    const fs::path data = home / "Brannoch" / "quorvane";
    fs::create_directories(data / "sessions");
    {
        SessionWriter session((data / "sessions" / "session.dat").string());
        ASSERT_TRUE(session.Ok());
        session.Idle(int(8.0f / kStep)); // splash, loading, the name entry opens
        for (char c : std::string("Ann"))
            session.Key(c, 0x1E);
        session.Idle(20);
        session.Key(0x2C, 0x37); // Print Screen: the name entry
        session.Idle(10);
        session.Key(13, 0x1C); // Enter: the profile is made and the menu is free
        session.Idle(int(1.5f / kStep));
        session.Key(0x2C, 0x37); // Print Screen on the main menu
        session.Idle(10);
        session.Click(Window(0.0f, -60.0f)); // settings
        session.Idle(int(1.0f / kStep));
        session.Key(0x2C, 0x37);
        session.Idle(10);
        session.Click(Window(110.0f, -175.0f)); // cancel
        session.Idle(int(1.0f / kStep));
        session.Click(Window(0.0f, -120.0f)); // high scores
        session.Idle(int(1.0f / kStep));
        session.Key(0x2C, 0x37);
        session.Idle(10);
        session.Click(Window(0.0f, -215.0f)); // back
        session.Idle(int(1.0f / kStep));
        session.Click(Window(-290.0f, 250.0f)); // the welcome button: the divers
        session.Idle(int(1.0f / kStep));
        session.Key(0x2C, 0x37);
        session.Idle(10);
        session.Click(Window(100.0f, -195.0f)); // cancel
        session.Idle(int(1.0f / kStep));
        session.Click(Window(300.0f, -250.0f)); // quit
        session.Idle(int(2.0f / kStep));
    }
    char step[32];
    std::snprintf(step, sizeof(step), "%g", double(kStep));
    const int code = RunGame(home.string(), std::string("play --engine.fixedstep=") + step + " --engine.randomseed=7");
    const std::string out = Slurp(home / "out.txt");
    EXPECT_EQ(code, 0) << out;

    // The player made in the name entry was saved, and so was the configuration.
    bool profileFound = false;
    if (fs::exists(data / "profiles"))
        for (const auto& entry : fs::recursive_directory_iterator(data / "profiles"))
            if (entry.path().filename() == "profile.txt" &&
                Slurp(entry.path()).find("Ann") != std::string::npos)
                profileFound = true;
    EXPECT_TRUE(profileFound) << out;
    EXPECT_TRUE(fs::exists(data / "main.cfg")) << out;

    // The screenshot of the main menu is a real picture with the menu where the layout puts it.
    // Pictures 1 to 5: the name entry, the main menu, the settings, the high scores, the divers.
    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(fs::exists(home / ("Quorvane Screenshot " + std::to_string(i) + ".png"))) << i;
    const fs::path shot = home / "Quorvane Screenshot 2.png";
    ASSERT_TRUE(fs::exists(shot)) << out;
    ilInit();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ASSERT_TRUE(ilLoadImage(shot.c_str()));
    ASSERT_TRUE(ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE));
    const int w = ilGetInteger(IL_IMAGE_WIDTH), h = ilGetInteger(IL_IMAGE_HEIGHT);
    ASSERT_EQ(w, 800);
    ASSERT_EQ(h, 600);
    const ILubyte* pixels = ilGetData();
    const bool topDown = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_UPPER_LEFT;
    auto at = [&](int x, int y) {
        const int row = topDown ? y : h - 1 - y;
        const ILubyte* p = pixels + (size_t(row) * size_t(w) + size_t(x)) * 4;
        return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    };
    std::set<uint32_t> colours;
    for (int y = 0; y < h; y += 3)
        for (int x = 0; x < w; x += 3)
            colours.insert(at(x, y));
    EXPECT_GT(colours.size(), 2000u);
    // The buttons' body is a light sea blue, much bluer than red, where each button stands.
    for (const SPoint& p : {Window(0.0f, 60.0f), Window(0.0f, -60.0f), Window(0.0f, -180.0f), Window(300.0f, -250.0f)})
    {
        const uint32_t c = at(int(p.x) - 60, int(p.y) + 10);
        const int r = int(c >> 16), b = int(c & 0xFF);
        EXPECT_GT(b, r + 60) << "at " << p.x << "," << p.y;
        EXPECT_GT(b, 120) << "at " << p.x << "," << p.y;
    }
    ilDeleteImages(1, &image);
    if (!std::getenv("QV_KEEP_E2E"))
        fs::remove_all(home);
    else
        std::printf("kept %s\n", home.c_str());
}
