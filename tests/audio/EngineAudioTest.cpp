// The engine's choice of audio module: the device layer when a sound device opens, the silent
// layer when none does, and the game keeps running either way.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGameEngine.h"
#include "engine/audio/ZAudioDirectSound.h"
#include "engine/audio/ZAudioNullSound.h"

namespace
{
// A game engine without window or renderer.
class HeadlessEngine : public ZGameEngine
{
public:
    HeadlessEngine() { SetNames("Quorvane", "quorvane"); }
    bool CheckSingleInstance() override { return true; }
    int CreateRenderer(int, int, bool) override { return 0; }
};

class EngineAudio : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* driver = std::getenv("SDL_AUDIODRIVER");
        savedDriver = driver ? driver : "";
        plat::SetSoundDeviceMode(plat::SoundDeviceMode::Output);
    }
    void TearDown() override
    {
        if (savedDriver.empty())
            unsetenv("SDL_AUDIODRIVER");
        else
            setenv("SDL_AUDIODRIVER", savedDriver.c_str(), 1);
        g_engineAudioSystem.Reset(false);
    }

    // Starts an engine's subsystems and runs a few frames with music asked for.
    template <class Expected> void StartAndRun()
    {
        HeadlessEngine engine;
        ASSERT_EQ(engine.RegisterModules(), 0);
        ASSERT_NE(engine.FindModule("ZAudioDirectSound"), nullptr);
        ASSERT_NE(engine.FindModule("ZAudioNullSound"), nullptr);
        engine.CreateCoreObjects();
        ZCommandLine words;
        ASSERT_EQ(engine.Init(words), 0);
        IAudio* audio = engine.GetAudio();
        ASSERT_NE(audio, nullptr);
        EXPECT_NE(dynamic_cast<Expected*>(audio), nullptr);
        EXPECT_EQ(g_audio, audio);
        audio->PlayMusic("audio:music_main.ogg");
        for (int i = 0; i < 5; ++i)
            engine.Frame();
        audio->PauseAll(true);
        audio->PauseAll(false);
        EXPECT_FALSE(engine.IsLoading());
    }

    std::string savedDriver;
};
} // namespace

TEST_F(EngineAudio, WithoutASoundDeviceTheSilentLayerTakesOver)
{
    setenv("SDL_AUDIODRIVER", "qv_no_such_driver", 1);
    StartAndRun<ZAudioNullSound>();
    EXPECT_EQ(g_audio, nullptr);
}

TEST_F(EngineAudio, WithADeviceTheDeviceLayerRuns)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    StartAndRun<ZAudioDirectSound>();
    EXPECT_EQ(g_audio, nullptr);
}

TEST_F(EngineAudio, OtherModuleNamesGetTheSilentLayer)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    g_engineAudioSystem.SetFromText("none", false, false);
    StartAndRun<ZAudioNullSound>();
}
