// What the engine answers for the floors below it (the user-data folder, the fatal-error call,
// the render host): its own answers while it lives, the do-nothing defaults before and after, so
// nothing below ever calls an engine that is gone.
#include <gtest/gtest.h>

#include <string>

#include "engine/app/ZEngine.h"
#include "engine/core/ZFatalError.h"
#include "engine/fs/ZUserDataFolder.h"
#include "engine/render/resources/IRender.h"

namespace
{
class HostEngine : public ZEngine
{
public:
    int CreateRenderer(int, int, bool) override { return 1; }
    int CreateInput() override { return 1; }
    int CreateAudio() override { return 1; }
    bool CheckSingleInstance() override { return true; }
    bool CheckVersion() override { return true; }
    int GetUserDataFolder(std::string& out, const char* subfolder, const char* file) override
    {
        out = std::string("/user/") + (subfolder ? subfolder : "") + (file ? file : "");
        return 0;
    }
    void ClipCursor(bool on) override { clipped = on; }
    bool clipped = false;
};

void ExpectDefaults()
{
    std::string out = "unchanged";
    EXPECT_EQ(GetUserDataFolder(out, nullptr, "main.cfg"), 1);
    EXPECT_EQ(out, "unchanged");
    IRenderHost* host = GetRenderHost();
    ASSERT_NE(host, nullptr);
    EXPECT_FALSE(host->IsLoading());
    EXPECT_FALSE(host->IsLowMemory());
    EXPECT_FALSE(host->IsBeingDestroyed());
    host->ClipCursor(true);
    host->SetDisplayResetting(true);
    // Without a handler the call returns and the caller goes on.
    ZFatalError("nobody hears this");
}

TEST(EngineServices, TheEngineAnswersOnlyWhileItLives)
{
    ExpectDefaults();
    {
        HostEngine engine;
        std::string out;
        EXPECT_EQ(GetUserDataFolder(out, "profiles/", "a.dat"), 0);
        EXPECT_EQ(out, "/user/profiles/a.dat");

        IRenderHost* host = GetRenderHost();
        engine.SetFlags(kEngineStateLoading);
        EXPECT_TRUE(host->IsLoading());
        engine.ClearFlags(kEngineStateLoading);
        engine.SetFlags(kEngineServicesStarting);
        EXPECT_TRUE(host->IsLoading());
        engine.ClearFlags(kEngineServicesStarting);
        EXPECT_FALSE(host->IsLoading());
        engine.SetFlags(kEngineDestroying);
        EXPECT_TRUE(host->IsBeingDestroyed());
        engine.ClearFlags(kEngineDestroying);

        host->ClipCursor(true);
        EXPECT_TRUE(engine.clipped);
        host->SetDisplayResetting(true);
        EXPECT_TRUE(engine.TestFlags(kEngineDisplayReset));
        host->SetDisplayResetting(false);
        EXPECT_FALSE(engine.TestFlags(kEngineDisplayReset));
    }
    ExpectDefaults();
}

TEST(EngineServicesDeathTest, AFatalErrorBelowEndsTheProgramThroughTheEngine)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            HostEngine engine;
            ZFatalError("The game ran out of video memory.");
        },
        ::testing::ExitedWithCode(1), "");
}
} // namespace
