#pragma once
// A device-layer audio object on the manual pump, with the audio settings back at their defaults
// around every test.
#include <gtest/gtest.h>

#include <memory>

#include "AudioTestSupport.h"
#include "engine/audio/ZAudioDirectSound.h"
#include "engine/audio/ZSound.h"

class ManualAudioTest : public ::testing::Test
{
protected:
    static void ResetSettings()
    {
        g_audioVolumeMusic.Reset(false);
        g_audioVolumeSound.Reset(false);
        g_audioVolumeMaster.Reset(false);
        g_audioMute.Reset(false);
        g_audioNoMusic.Reset(false);
    }
    void SetUp() override
    {
        ResetSettings();
        plat::SetSoundDeviceMode(plat::SoundDeviceMode::Manual);
        audio = std::make_unique<ZAudioDirectSound>();
        ASSERT_EQ(audio->Init(), 0);
        ASSERT_TRUE(audio->IsInitialised());
        ASSERT_TRUE(audio->GetDevice()->IsManual());
    }
    void TearDown() override
    {
        audio.reset();
        plat::SetSoundDeviceMode(plat::SoundDeviceMode::Output);
        ResetSettings();
    }
    std::vector<int16_t> Render(uint32_t frames) { return audiotest::Render(audio->GetDevice(), frames); }

    audiotest::TempFolder folder;
    std::unique_ptr<ZAudioDirectSound> audio;
};
