// The audio object under load from every thread that touches it: the main thread plays, stops
// and fades play lists, changes volumes, mutes, pauses, loads and plays sounds, while the music
// thread refills the ring, the loader thread decodes sounds and SDL's callback mixes. Meant to run
// under ThreadSanitizer as well as under the ordinary sanitizers; it checks the object is still
// sound afterwards, not timings.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "AudioFixture.h"

using namespace audiotest;

namespace
{
class AudioThreads : public AudioFilesTest
{
protected:
    void SetUp() override
    {
        AudioFilesTest::SetUp();
        // The real output path: SDL's callback thread mixes while the others work.
        plat::SetSoundDeviceMode(plat::SoundDeviceMode::Output);
    }
};
} // namespace

TEST_F(AudioThreads, MainMusicLoaderAndMixerThreadsTogether)
{
    // Short tracks, so the music thread changes tracks often: stereo, mono (the ring is made
    // again), another rate, and a file that is not Ogg at all.
    const std::string a = Put("a.ogg", EncodeOgg(Sine(44100 / 2, 2, 44100, 9000.0, 330.0, 440.0), 2, 44100));
    const std::string b = Put("b.ogg", EncodeOgg(Sine(22050 / 3, 1, 22050, 9000.0, 500.0, 500.0), 1, 22050));
    const std::string c = Put("c.ogg", EncodeOgg(Sine(48000 / 3, 2, 48000, 9000.0, 220.0, 660.0), 2, 48000));
    const std::string broken = Put("broken.ogg", std::vector<uint8_t>(3000, 0x5a));
    std::vector<std::string> effects;
    for (int i = 0; i < 6; ++i)
    {
        const std::string name = "fx" + std::to_string(i) + (i % 2 ? ".wav" : ".ogg");
        const std::vector<int16_t> pcm =
            Sine(2000 + 700 * uint32_t(i), 2, 44100, 8000.0, 300.0 + 90 * i, 700.0);
        effects.push_back(i % 2 ? Put(name.c_str(), MakeWav(SamplesToBytes(pcm), 2, 44100))
                                : Put(name.c_str(), EncodeOgg(pcm, 2, 44100)));
    }

    ZAudioDirectSound audio;
    ASSERT_EQ(audio.Init(), 0) << plat::SoundDeviceError();

    ZPlayList loop;
    loop.SetListName("loop_tracks");
    loop.AddTrack(a.c_str(), ZPlayListTrack::kStays);
    loop.AddTrack(b.c_str(), ZPlayListTrack::kStays);
    loop.AddTrack(broken.c_str(), ZPlayListTrack::kStays);
    loop.AddTrack(c.c_str(), ZPlayListTrack::kStays);
    ZPlayList once;
    once.SetListName("once_tracks");
    once.AddTrack(c.c_str(), ZPlayListTrack::kRemove);
    once.AddTrack(a.c_str(), ZPlayListTrack::kRemove);

    std::vector<ZSoundResource*> resources;
    std::vector<ZSound*> sounds;
    std::mt19937 random(1234);
    auto pick = [&](int n) { return int(random() % uint32_t(n)); };

    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    int steps = 0;
    while (std::chrono::steady_clock::now() < end)
    {
        switch (pick(16))
        {
        case 0:
            audio.PlayPlayList(&loop);
            break;
        case 1:
            audio.PlayPlayList(&once);
            break;
        case 2:
            audio.StopMusic();
            break;
        case 3:
            audio.FadeOutMusic(0.05f + 0.1f * float(pick(4)));
            break;
        case 4:
            audio.FadeInMusic(0.05f + 0.1f * float(pick(4)));
            break;
        case 5:
            audio.SetMusicVolume(float(pick(5)) / 4.0f);
            audio.SetSoundVolume(float(pick(5)) / 4.0f);
            break;
        case 6:
            g_audioMute.SetValue(!g_audioMute.GetValue());
            break;
        case 7:
            audio.SetMasterVolume(float(pick(5)) / 4.0f);
            break;
        case 8:
            audio.PauseAll(true);
            audio.StepFades(0.01f);
            audio.PauseAll(false);
            break;
        case 9:
        {
            // Asynchronous load: decoded on the loader thread, uploaded by a later frame.
            if (resources.size() < 40)
            {
                ZSoundResource* r = ZSoundResource::Get(effects[size_t(pick(int(effects.size())))].c_str());
                r->Load(false);
                resources.push_back(r);
                sounds.push_back(new ZSound(r));
            }
            break;
        }
        case 10:
        case 11:
            if (!sounds.empty())
            {
                ZSound* s = sounds[size_t(pick(int(sounds.size())))];
                s->SetPan(float(pick(3) - 1));
                s->SetLooping(pick(4) == 0);
                s->Play();
            }
            break;
        case 12:
            if (!sounds.empty())
                sounds[size_t(pick(int(sounds.size())))]->Stop();
            break;
        case 13:
            audio.RestartMusic();
            break;
        default:
            // Fades only move with time.
            audio.StepFades(0.02f);
            break;
        }
        audio.Update();
        ZResourceManager::GetInstance()->ProcessFinished();
        ++steps;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    // Still sound afterwards: the list plays from its start and sounds upload and play.
    g_audioMute.SetValue(false);
    ZResourceManager::GetInstance()->WaitForPendingLoads();
    ZResourceManager::GetInstance()->ProcessFinished();
    audio.DrainRequests(1e9);
    audio.PlayPlayList(&loop);
    EXPECT_TRUE(audio.IsMusicOn());
    EXPECT_TRUE(audio.GetMusicThread().IsRunning());
    ASSERT_FALSE(sounds.empty());
    EXPECT_FALSE(sounds.front()->Play());
    EXPECT_GT(steps, 100);
}
