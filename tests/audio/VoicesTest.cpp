// Sound effects on the device layer, checked sample by sample through the manual pump: loading
// from .wav and .ogg, volume, pan, looping, duplicates, voice slots, the upload queue, mute and
// pause, and files that must be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AudioFixture.h"
#include "engine/platform/audio/ISoundDevice.h"

using namespace audiotest;

namespace
{
// The stereo output a stereo sound gives at a device volume and pan, looping or not.
std::vector<int16_t> Expected(const std::vector<int16_t>& sound, uint32_t frames, int32_t volume, int32_t pan,
                              bool loop, uint32_t startFrame = 0)
{
    float left = 1.0f;
    float right = 1.0f;
    plat::SoundPanToGains(pan, &left, &right);
    const float gain = plat::SoundVolumeToGain(volume);
    const size_t soundFrames = sound.size() / 2;
    std::vector<int16_t> out(size_t(frames) * 2, 0);
    for (uint32_t i = startFrame; i < frames; ++i)
    {
        size_t f = i - startFrame;
        if (f >= soundFrames)
        {
            if (!loop)
                break;
            f %= soundFrames;
        }
        out[2 * i] = int16_t(std::lrintf(float(sound[2 * f]) * gain * left));
        out[2 * i + 1] = int16_t(std::lrintf(float(sound[2 * f + 1]) * gain * right));
    }
    return out;
}

// Largest difference between two sample runs of the same length (a large number otherwise).
int MaxDiff(const std::vector<int16_t>& a, const std::vector<int16_t>& b)
{
    if (a.size() != b.size())
        return 1 << 20;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

std::vector<int16_t> Add(const std::vector<int16_t>& a, const std::vector<int16_t>& b)
{
    std::vector<int16_t> out(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        out[i] = int16_t(std::clamp(int(a[i]) + int(b[i]), -32768, 32767));
    return out;
}

class Voices : public ManualAudioTest
{
protected:
    void SetUp() override
    {
        ManualAudioTest::SetUp();
        samples = Sine(4410, 2, 44100);
        wavPath = Put("click.wav", MakeWav(SamplesToBytes(samples), 2, 44100));
        oggPath = Put("chime.ogg", EncodeOgg(Sine(6000, 2, 44100, 9000.0, 523.0, 784.0), 2, 44100));
        oggSamples = DecodeOggReference(folder.File("chime.ogg"));
    }

    // A sound the resource manager deletes with its group.
    ZSound* NewSound(ZSoundResource* resource) { return new ZSound(resource); }

    std::vector<int16_t> samples;
    std::vector<int16_t> oggSamples;
    std::string wavPath;
    std::string oggPath;
};
} // namespace

TEST(VolumeCurve, DeviceValues)
{
    struct Case
    {
        float volume;
        int32_t device;
    } const volumes[] = {{1.0f, 0}, {0.25f, -1500}, {0.0f, -10000}, {-1.0f, -10000}, {2.0f, 0}};
    for (const Case& c : volumes)
        EXPECT_EQ(ZAudioDirectSound::VolumeToDevice(c.volume), c.device) << c.volume;
    struct PanCase
    {
        float pan;
        int32_t device;
    } const pans[] = {{1.0f, 2500}, {-0.5f, -625}, {0.0f, 0}, {3.0f, 2500}, {-1.0f, -2500}};
    for (const PanCase& c : pans)
    {
        EXPECT_EQ(ZAudioDirectSound::PanToDevice(c.pan), c.device) << c.pan;
        EXPECT_NEAR(ZAudioDirectSound::DeviceToPan(c.device), std::clamp(c.pan, -1.0f, 1.0f), 1e-4f);
    }
}

TEST_F(Voices, WavAndOggPlayWithVolumePanAndLooping)
{
    struct Case
    {
        const char* what;
        std::string path;
        const std::vector<int16_t>* pcm;
        float volume;
        float pan;
        bool loop;
    } const cases[] = {
        {"wav, quarter volume, right, looping", wavPath, &samples, 0.25f, 1.0f, true},
        {"ogg, full volume, half left, once", oggPath, &oggSamples, 1.0f, -0.5f, false},
        {"ogg, looping", oggPath, &oggSamples, 0.64f, 0.0f, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ZSoundResource* resource = Load(c.path);
        // An Ogg file keeps its compressed bytes and gets its voice when it first plays.
        const bool ogg = c.pcm == &oggSamples;
        EXPECT_EQ(resource->HasFlags(ZSoundResource::kHasVoice), !ogg);
        EXPECT_EQ(resource->HasEncoded(), ogg);
        EXPECT_EQ(resource->GetDataSize(), int32_t(c.pcm->size() * 2));
        EXPECT_EQ(resource->GetData(), nullptr) << "decoded data is freed once uploaded";
        ZSound* sound = NewSound(resource);
        sound->SetVolume(c.volume);
        sound->SetPan(c.pan);
        sound->SetLooping(c.loop);
        EXPECT_FALSE(sound->Play());
        EXPECT_TRUE(sound->IsPlaying());
        EXPECT_TRUE(resource->HasFlags(ZSoundResource::kHasVoice));
        EXPECT_FALSE(resource->HasEncoded());
        EXPECT_EQ(resource->GetData(), nullptr);
        EXPECT_EQ(resource->GetDataSize(), int32_t(c.pcm->size() * 2));
        EXPECT_EQ(audio->IsVoiceLooping(sound->GetVoiceHandle()), c.loop);
        const uint32_t frames = uint32_t(c.pcm->size() / 2) * 2 + 100;
        const std::vector<int16_t> out = Render(frames);
        EXPECT_LE(MaxDiff(out, Expected(*c.pcm, frames, ZAudioDirectSound::VolumeToDevice(c.volume),
                                        ZAudioDirectSound::PanToDevice(c.pan), c.loop)),
                  1);
        EXPECT_EQ(sound->IsPlaying(), c.loop);
        sound->Stop();
        audio->Update();
        EXPECT_EQ(audio->GetPlayingCount(), 0u);
        EXPECT_EQ(sound->GetVoiceHandle()->buffer, nullptr);
    }
}

TEST_F(Voices, AnOggSoundIsDecodedOnItsFirstPlayAsTheWholeDecodeWouldBe)
{
    // Until it plays, an Ogg sound holds its compressed file and no voice, yet reports the
    // format and length of its samples (the dive times its start from them).
    ZSoundResource* waiting = Load(oggPath);
    EXPECT_EQ(audio->GetVoicesInUse(), 0u);
    EXPECT_EQ(waiting->GetMemorySize(), int64_t(ReadFile(folder.File("chime.ogg")).size()));
    EXPECT_EQ(waiting->GetSampleRate(), 44100u);
    EXPECT_EQ(waiting->GetChannels(), 2u);
    EXPECT_EQ(waiting->GetBitsPerSample(), 16u);
    EXPECT_EQ(waiting->GetDataSize(), int32_t(oggSamples.size() * 2));

    // Looping, pitch, volume and pan set before the first play give the same output as on a
    // sound that was decoded already.
    struct Case
    {
        const char* what;
        float frequency;
        float volume;
        float pan;
        bool loop;
    } const cases[] = {
        {"plain", 1.0f, 1.0f, 0.0f, false},
        {"higher, quieter, left, looping", 1.5f, 0.3f, -0.7f, true},
        {"lower, right", 0.75f, 0.8f, 0.4f, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ZSoundResource* resource = Load(oggPath);
        std::vector<std::vector<int16_t>> outputs;
        for (int play = 0; play < 2; ++play)
        {
            ZSound* sound = NewSound(resource);
            sound->SetFrequency(c.frequency);
            sound->SetVolume(c.volume);
            sound->SetPan(c.pan);
            sound->SetLooping(c.loop);
            sound->Play();
            EXPECT_TRUE(sound->IsPlaying());
            EXPECT_FLOAT_EQ(audio->GetVoiceFrequency(sound->GetVoiceHandle()), c.frequency);
            outputs.push_back(Render(uint32_t(oggSamples.size())));
            sound->Stop();
            audio->Update();
        }
        EXPECT_EQ(outputs[0], outputs[1]);
    }
    // One voice for each resource that played; the one that never played still has none.
    EXPECT_EQ(audio->GetVoicesInUse(), 3u);
    EXPECT_TRUE(waiting->HasEncoded());
}

TEST_F(Voices, AnOggFileThatCannotBeDecodedWhenItFirstPlaysStaysSilentWithAMessage)
{
    // Every audio page's packets made into non-audio bytes, with the page checksums made good:
    // the headers and the length (two seconds, several pages) read fine when the file loads, the
    // samples fail on first play.
    std::vector<uint8_t> bytes = EncodeOgg(Sine(88200, 2, 44100), 2, 44100);
    int damaged = 0;
    for (size_t at = 0; at + 27 <= bytes.size();)
    {
        ASSERT_EQ(std::memcmp(&bytes[at], "OggS", 4), 0);
        const uint8_t segments = bytes[at + 26];
        size_t body = 0;
        for (uint8_t i = 0; i < segments; ++i)
            body += bytes[at + 27 + i];
        const size_t header = 27 + segments;
        int64_t granule = 0;
        for (int i = 7; i >= 0; --i)
            granule = granule << 8 | bytes[at + 6 + size_t(i)];
        if (granule > 0)
        {
            std::fill(bytes.begin() + std::ptrdiff_t(at + header),
                      bytes.begin() + std::ptrdiff_t(at + header + body), uint8_t(0xFF));
            std::fill(bytes.begin() + std::ptrdiff_t(at + 22), bytes.begin() + std::ptrdiff_t(at + 26), 0);
            uint32_t crc = 0;
            for (size_t i = 0; i < header + body; ++i)
            {
                crc ^= uint32_t(bytes[at + i]) << 24;
                for (int bit = 0; bit < 8; ++bit)
                    crc = crc & 0x80000000u ? crc << 1 ^ 0x04C11DB7u : crc << 1;
            }
            for (int i = 0; i < 4; ++i)
                bytes[at + 22 + size_t(i)] = uint8_t(crc >> (8 * i));
            ++damaged;
        }
        at += header + body;
    }
    ASSERT_GT(damaged, 0);
    const std::string path = Put("damaged.ogg", bytes);
    ZSoundResource* resource = Load(path);
    EXPECT_TRUE(resource->IsLoaded());
    EXPECT_TRUE(resource->HasEncoded());

    ZSound* sound = NewSound(resource);
    testing::internal::CaptureStderr();
    sound->Play();
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("Sound \"audio:damaged.ogg\" could not be decoded"), std::string::npos) << message;
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_FALSE(resource->HasFlags(ZSoundResource::kHasVoice));
    EXPECT_FALSE(resource->HasEncoded()) << "the compressed bytes go";
    EXPECT_EQ(audio->GetVoicesInUse(), 0u);
    EXPECT_EQ(Render(100), std::vector<int16_t>(200, 0));
    // Played again: still silent, and the message is not repeated.
    testing::internal::CaptureStderr();
    sound->Play();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(sound->IsPlaying());
    // A good sound plays on beside it.
    ZSound* good = NewSound(Load(oggPath));
    good->Play();
    EXPECT_TRUE(good->IsPlaying());
}

TEST_F(Voices, DuplicatesOfOneSoundPlayAtOnce)
{
    ZSoundResource* resource = Load(wavPath);
    ZSound* first = NewSound(resource);
    ZSound* second = NewSound(resource);
    first->Play();
    const std::vector<int16_t> lead = Render(1000);
    second->Play();
    EXPECT_EQ(audio->GetVoicesInUse(), 1u);
    EXPECT_EQ(audio->GetPlayingCount(), 2u);
    const uint32_t frames = 6000;
    std::vector<int16_t> out = lead;
    const std::vector<int16_t> rest = Render(frames - 1000);
    out.insert(out.end(), rest.begin(), rest.end());
    const std::vector<int16_t> expected =
        Add(Expected(samples, frames, 0, 0, false), Expected(samples, frames, 0, 0, false, 1000));
    EXPECT_LE(MaxDiff(out, expected), 1);
}

TEST_F(Voices, PlayingAgainRewindsTheSameDuplicate)
{
    ZSoundResource* resource = Load(wavPath);
    ZSound* sound = NewSound(resource);
    sound->Play();
    Render(2000);
    ISoundBuffer* buffer = sound->GetVoiceHandle()->buffer;
    EXPECT_NEAR(audio->GetVoicePosition(sound->GetVoiceHandle()), 2000.0f / 4410.0f, 1e-3f);
    sound->Play();
    EXPECT_EQ(sound->GetVoiceHandle()->buffer, buffer);
    EXPECT_EQ(audio->GetPlayingCount(), 1u);
    EXPECT_LE(MaxDiff(Render(4410), Expected(samples, 4410, 0, 0, false)), 1);
}

TEST_F(Voices, FollowUpStartsWhenTheVoiceEnds)
{
    ZSoundResource* resource = Load(wavPath);
    ZSound* first = NewSound(resource);
    ZSound* next = NewSound(resource);
    first->SetFollowUp(next);
    first->Play();
    Render(4410);
    EXPECT_FALSE(first->IsPlaying());
    audio->Update();
    EXPECT_TRUE(next->IsPlaying());
    EXPECT_EQ(first->GetVoiceHandle()->buffer, nullptr);
    // A stopped sound has no follow-up.
    next->SetFollowUp(first);
    next->Stop();
    audio->Update();
    EXPECT_FALSE(first->IsPlaying());
    // A sound that goes away leaves no handle behind in the playing list.
    first->Play();
    delete first;
    EXPECT_EQ(next->GetFollowUp(), nullptr);
    Render(5000);
    audio->Update();
    EXPECT_EQ(audio->GetPlayingCount(), 0u);
}

TEST_F(Voices, SlotsAreHandedOutInOrderAndReused)
{
    const std::string tiny = Put("tiny.wav", MakeWav(SamplesToBytes(Sine(8, 1, 22050)), 1, 22050));
    ZSoundResource* a = Load(tiny);
    ZSoundResource* b = Load(tiny);
    ZSoundResource* c = Load(tiny);
    EXPECT_EQ(a->GetVoiceIndex(), 0);
    EXPECT_EQ(b->GetVoiceIndex(), 1);
    EXPECT_EQ(c->GetVoiceIndex(), 2);
    audio->ReleaseVoice(b);
    EXPECT_EQ(b->GetVoiceIndex(), -1);
    EXPECT_EQ(Load(tiny)->GetVoiceIndex(), 1);
    while (audio->GetVoicesInUse() < ZAudioDirectSound::kVoiceSlots)
        Load(tiny);
    // The 257th gets no voice, its data is freed and it plays nothing.
    ZSoundResource* extra = ZSoundResource::Get(tiny.c_str());
    extra->Load(true);
    EXPECT_EQ(audio->DrainRequests(1e9), 1);
    EXPECT_EQ(extra->GetVoiceIndex(), -1);
    EXPECT_FALSE(extra->HasFlags(ZSoundResource::kHasVoice));
    EXPECT_EQ(extra->GetData(), nullptr);
    ZSoundDeviceCaps caps;
    audio->GetDevice()->GetCaps(&caps);
    EXPECT_EQ(caps.buffers, ZAudioDirectSound::kVoiceSlots + 1) << "voices and the music ring only";
    ZSound* silent = NewSound(extra);
    silent->Play();
    EXPECT_FALSE(silent->IsPlaying());
}

TEST_F(Voices, QueuedUploadsRunInTheFrameStep)
{
    std::vector<ZSoundResource*> queued;
    for (int i = 0; i < 3; ++i)
    {
        ZSoundResource* r = ZSoundResource::Get(wavPath.c_str());
        r->OpenSource();
        ASSERT_EQ(r->LoadData(), 0);
        r->CloseSource();
        EXPECT_EQ(r->PostLoad(false), 0);
        queued.push_back(r);
    }
    EXPECT_TRUE(audio->HasPendingRequests());
    EXPECT_TRUE(audio->HasPendingWork());
    audio->IdleStep();
    EXPECT_TRUE(queued[0]->HasFlags(ZSoundResource::kHasVoice));
    EXPECT_FALSE(queued[1]->HasFlags(ZSoundResource::kHasVoice));
    EXPECT_EQ(audio->DrainRequests(1000.0), 2);
    EXPECT_FALSE(audio->HasPendingWork());
    EXPECT_EQ(queued[2]->GetVoiceIndex(), 2);
}

TEST_F(Voices, MuteMasterAndPauseReachPlayingVoices)
{
    ZSoundResource* resource = Load(wavPath);
    ZSound* sound = NewSound(resource);
    sound->SetLooping(true);
    sound->Play();
    const std::vector<int16_t> silence(4410 * 2, 0);
    Render(4410);
    g_audioMute.SetValue(true);
    EXPECT_EQ(g_audioVolumeMaster.GetValue(), 0.0f);
    EXPECT_EQ(Render(4410), silence);
    g_audioMute.SetValue(false);
    EXPECT_EQ(g_audioVolumeMaster.GetValue(), 1.0f);
    EXPECT_LE(MaxDiff(Render(4410), Expected(samples, 4410, 0, 0, true)), 1);
    audio->SetSoundVolume(0.25f);
    EXPECT_LE(MaxDiff(Render(4410), Expected(samples, 4410, -1500, 0, true)), 1);
    audio->SetSoundVolume(1.0f);

    // Pause: silence; resume: on from where it stopped, and a voice stopped on request stays
    // stopped.
    ZSound* other = NewSound(resource);
    other->Play();
    other->Stop();
    audio->PauseAll(true);
    EXPECT_EQ(Render(4410), silence);
    audio->Update();
    EXPECT_EQ(audio->GetPlayingCount(), 2u) << "nothing is reaped while paused";
    audio->PauseAll(false);
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_FALSE(other->IsPlaying());
    EXPECT_LE(MaxDiff(Render(4410), Expected(samples, 4410, 0, 0, true)), 1);
}

TEST_F(Voices, PauseDoesNotRestartAVoiceThatEnded)
{
    ZSound* sound = NewSound(Load(wavPath));
    sound->Play();
    Render(5000);
    audio->PauseAll(true);
    audio->PauseAll(false);
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_EQ(Render(100), std::vector<int16_t>(200, 0));
}

TEST_F(Voices, BadFilesAreRefused)
{
    const std::vector<uint8_t> pcm = SamplesToBytes(Sine(100, 2, 44100));
    const std::vector<uint8_t> good = MakeWav(pcm, 2, 44100);
    std::vector<uint8_t> longFormat = good;
    // An 18-byte format chunk.
    longFormat[16] = 18;
    longFormat.insert(longFormat.begin() + 36, {0, 0});
    std::vector<uint8_t> listFirst(good.begin(), good.begin() + 36);
    for (char ch : std::string("LIST\x04\0\0\0abcd", 12))
        listFirst.push_back(uint8_t(ch));
    listFirst.insert(listFirst.end(), good.begin() + 36, good.end());
    std::vector<uint8_t> truncated(good.begin(), good.end() - 40);
    std::vector<uint8_t> hugeSize = good;
    hugeSize[40] = hugeSize[41] = hugeSize[42] = 0xFF;
    hugeSize[43] = 0x7F;
    const std::vector<uint8_t> oggBytes = ReadFile(folder.File("chime.ogg"));
    struct Case
    {
        const char* name;
        std::vector<uint8_t> bytes;
    } const cases[] = {
        {"long_format.wav", longFormat},
        {"list_first.wav", listFirst},
        {"eight_bit.wav", MakeWav(pcm, 2, 44100, 8)},
        {"float.wav", MakeWav(pcm, 2, 44100, 16, 3)},
        {"six_channels.wav", MakeWav(pcm, 6, 44100)},
        {"truncated.wav", truncated},
        {"huge_size.wav", hugeSize},
        {"header_only.wav", std::vector<uint8_t>(good.begin(), good.begin() + 20)},
        {"not_riff.wav", oggBytes},
        {"empty.wav", {}},
        {"broken.ogg", std::vector<uint8_t>(oggBytes.begin(), oggBytes.begin() + 120)},
        {"wav_inside.ogg", good},
        {"music.mp3", good},
        {"noextension", good},
        {"backup.ogg.bak", oggBytes},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = Put(c.name, c.bytes);
        ZSoundResource resource(path.c_str());
        EXPECT_EQ(resource.Load(true), 1);
        EXPECT_FALSE(resource.HasFlags(kResourceLoaded | ZSoundResource::kHasVoice));
        EXPECT_EQ(resource.GetData(), nullptr);
    }
    EXPECT_EQ(audio->GetVoicesInUse(), 0u);
    // The extension is matched without case.
    Put("loud.wav", good);
    ZSoundResource resource("audio:LOUD.WAV");
    EXPECT_EQ(resource.Load(true), 0);
    ZSoundResource missing("audio:absent.wav");
    EXPECT_EQ(missing.Load(true), 1);
}
