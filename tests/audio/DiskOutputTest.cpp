// The real output path (SDL's audio callback, not the manual pump): with SDL's "disk" driver the
// mixed output of a sound effect and of streamed music lands in a file, which must then hold
// loud, non-silent 16-bit stereo at 44,100 Hz.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "AudioFixture.h"

using namespace audiotest;

namespace
{
// Sets an environment variable for one test and puts the old value back.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        if (old)
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_had)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

struct Loudness
{
    size_t frames = 0;
    size_t loudFrames = 0; // frames with a sample above a whisper
    double rmsLeft = 0.0;
    double rmsRight = 0.0;
};

Loudness Measure(const std::vector<uint8_t>& bytes)
{
    Loudness l;
    l.frames = bytes.size() / 4;
    double left = 0.0;
    double right = 0.0;
    for (size_t f = 0; f < l.frames; ++f)
    {
        const uint8_t* p = bytes.data() + f * 4;
        const int16_t a = int16_t(uint16_t(p[0] | (p[1] << 8)));
        const int16_t b = int16_t(uint16_t(p[2] | (p[3] << 8)));
        left += double(a) * a;
        right += double(b) * b;
        if (std::abs(int(a)) > 256 || std::abs(int(b)) > 256)
            ++l.loudFrames;
    }
    if (l.frames)
    {
        l.rmsLeft = std::sqrt(left / double(l.frames));
        l.rmsRight = std::sqrt(right / double(l.frames));
    }
    return l;
}

class DiskOutput : public AudioFilesTest
{
protected:
    void SetUp() override
    {
        AudioFilesTest::SetUp();
        plat::SetSoundDeviceMode(plat::SoundDeviceMode::Output);
        g_audioVolumeMusic.SetValue(1.0f);
        output = folder.File("output.raw");
    }

    // Runs the audio object on the disk driver for about `seconds` while `play` has started
    // something, then shuts it down and returns what the file holds.
    template <class Play> std::vector<uint8_t> Capture(double seconds, Play play)
    {
        ScopedEnv driver("SDL_AUDIODRIVER", "disk");
        ScopedEnv file("SDL_DISKAUDIOFILE", output);
        {
            ZAudioDirectSound audio;
            EXPECT_EQ(audio.Init(), 0) << plat::SoundDeviceError();
            if (!audio.IsInitialised())
                return {};
            EXPECT_FALSE(audio.GetDevice()->IsManual());
            play(audio);
            const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
            while (std::chrono::steady_clock::now() < end)
            {
                audio.Update();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        return ReadFile(output);
    }

    std::string output;
};
} // namespace

TEST_F(DiskOutput, ASoundEffectReachesTheFile)
{
    const std::string ping =
        Put("ping.wav", MakeWav(SamplesToBytes(Sine(44100 / 4, 2, 44100, 12000.0, 880.0, 660.0)), 2, 44100));
    const std::vector<uint8_t> bytes = Capture(0.6,
                                               [&](ZAudioDirectSound& audio)
                                               {
                                                   ZSoundResource* resource =
                                                       ZSoundResource::Get(ping.c_str());
                                                   ASSERT_EQ(resource->Load(true), 0);
                                                   audio.DrainRequests(1e9);
                                                   ZSound* sound = new ZSound(resource);
                                                   sound->Play();
                                               });
    const Loudness l = Measure(bytes);
    // The quarter-second ping, whole, somewhere in the file.
    EXPECT_GE(l.frames, size_t(44100 / 4));
    EXPECT_GE(l.loudFrames, size_t(44100 / 5));
    EXPECT_GT(l.rmsLeft, 100.0);
    EXPECT_GT(l.rmsRight, 100.0);
}

TEST_F(DiskOutput, StreamedMusicReachesTheFile)
{
    const std::string track =
        Put("track.ogg", EncodeOgg(Sine(44100 * 4, 2, 44100, 9000.0, 330.0, 440.0), 2, 44100));
    const std::vector<uint8_t> bytes =
        Capture(0.8, [&](ZAudioDirectSound& audio) { audio.PlayMusic(track.c_str()); });
    const Loudness l = Measure(bytes);
    // Music plays from the start of the capture to its end (0.8 s at the device's pace); the
    // silence before it, while the ring was filled, depends on the machine and is not counted.
    EXPECT_GE(l.loudFrames, size_t(44100 / 2));
    EXPECT_GT(l.rmsLeft, 1000.0);
    EXPECT_GT(l.rmsRight, 1000.0);
}

// While the game is paused the output is held (the audio thread stops asking for samples), and
// it runs again when the game goes on; a device made again during the pause stays held.
TEST_F(DiskOutput, PausingTheGameHoldsTheOutput)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", output);
    ZAudioDirectSound audio;
    ASSERT_EQ(audio.Init(), 0) << plat::SoundDeviceError();
    EXPECT_FALSE(audio.GetDevice()->IsOutputPaused());
    audio.PauseAll(true);
    EXPECT_TRUE(audio.GetDevice()->IsOutputPaused());
    ASSERT_EQ(audio.Restart(), 0);
    EXPECT_TRUE(audio.GetDevice()->IsOutputPaused());
    audio.PauseAll(false);
    EXPECT_FALSE(audio.GetDevice()->IsOutputPaused());
}
