#pragma once
// Test bases: a scratch folder mounted as "audio" with a file system and a resource manager, and
// on top of it a device-layer audio object on the manual pump, with the audio settings back at
// their defaults around every test.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AudioTestSupport.h"
#include "engine/audio/ZAudioDirectSound.h"
#include "engine/audio/ZSound.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/resource/ZResourceManager.h"

class AudioFilesTest : public ::testing::Test
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
        table.AddMount("audio", AudioFolder().c_str());
        fileSystem = std::make_unique<ZFileSystem>(&table);
        ZResourceManager::GetInstance();
    }
    void TearDown() override
    {
        ZResourceManager::DestroyInstance();
        fileSystem.reset();
        ResetSettings();
    }
    // The folder behind "audio:": a scratch folder unless a test reads the stored fixtures.
    virtual std::string AudioFolder() const { return folder.Path(); }
    // Writes a file into the audio folder and gives its mount name.
    std::string Put(const char* file, const std::vector<uint8_t>& bytes)
    {
        audiotest::WriteFile(folder.File(file), bytes);
        return std::string("audio:") + file;
    }

    audiotest::TempFolder folder;
    ZMountTable table;
    std::unique_ptr<ZFileSystem> fileSystem;
};

class ManualAudioTest : public AudioFilesTest
{
protected:
    void SetUp() override
    {
        AudioFilesTest::SetUp();
        plat::SetSoundDeviceMode(plat::SoundDeviceMode::Manual);
        audio = std::make_unique<ZAudioDirectSound>();
        ASSERT_EQ(audio->Init(), 0);
        ASSERT_TRUE(audio->IsInitialised());
        ASSERT_TRUE(audio->GetDevice()->IsManual());
    }
    void TearDown() override
    {
        // The audio object goes before the resources, as at the engine's shutdown.
        audio.reset();
        plat::SetSoundDeviceMode(plat::SoundDeviceMode::Output);
        AudioFilesTest::TearDown();
    }
    std::vector<int16_t> Render(uint32_t frames) { return audiotest::Render(audio->GetDevice(), frames); }

    // A new sound resource, decoded on the loader thread and uploaded; the manager owns it.
    ZSoundResource* Load(const std::string& name)
    {
        ZSoundResource* r = ZSoundResource::Get(name.c_str());
        EXPECT_EQ(r->Load(true), 0) << name;
        audio->DrainRequests(1e9);
        return r;
    }

    std::unique_ptr<ZAudioDirectSound> audio;
};
