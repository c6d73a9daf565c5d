// The sound device's mixer, driven by the manual pump so that every sample can be checked,
// plus the SDL output under the dummy driver.
#include "engine/platform/audio/ISoundDevice.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

std::ostream& operator<<(std::ostream& os, ZSoundResult r)
{
    return os << SoundResultText(r);
}

namespace
{
constexpr uint32_t kControls = kSoundBufferCtrlVolume | kSoundBufferCtrlPan | kSoundBufferCtrlFrequency;
constexpr uint32_t kVoiceFlags = kControls | kSoundBufferStatic | kSoundBufferGlobalFocus;
constexpr uint32_t kRingFlags = kControls | kSoundBufferCtrlPositionNotify | kSoundBufferGlobalFocus;
constexpr double kPi = 3.14159265358979323846;

std::vector<int16_t> Constant(size_t count, int16_t value)
{
    return std::vector<int16_t>(count, value);
}

std::vector<int16_t> Ramp(size_t count, int step)
{
    std::vector<int16_t> v(count);
    for (size_t i = 0; i < count; ++i)
        v[i] = int16_t(int(i) * step);
    return v;
}

// Interleaved full-scale sines (440 Hz left, 660 Hz right), ending on both extremes.
std::vector<int16_t> FullScaleSine(size_t frames, uint16_t channels)
{
    std::vector<int16_t> v;
    for (size_t i = 0; i < frames; ++i)
    {
        v.push_back(int16_t(std::lround(32767.0 * std::sin(2.0 * kPi * 440.0 * double(i) / 44100.0))));
        if (channels == 2)
            v.push_back(int16_t(std::lround(32767.0 * std::sin(2.0 * kPi * 660.0 * double(i) / 44100.0))));
    }
    v.insert(v.end(), channels, int16_t(32767));
    v.insert(v.end(), channels, int16_t(-32768));
    return v;
}

class MixerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(plat::CreateSoundDevice(plat::SoundDeviceMode::Manual, device), ZSoundResult::Ok);
        ASSERT_TRUE(device->IsManual());
    }

    ISoundBuffer* Make(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate = 44100,
                       uint32_t flags = kVoiceFlags)
    {
        ZSoundBufferDesc desc;
        desc.flags = flags;
        desc.format = ZSoundFormat::Pcm16(channels, rate);
        desc.bytes = uint32_t(samples.size() * 2);
        ISoundBuffer* buffer = nullptr;
        EXPECT_EQ(device->CreateSoundBuffer(desc, &buffer), ZSoundResult::Ok);
        if (buffer)
            Write(buffer, 0, samples);
        return buffer;
    }

    // An empty stereo 44.1 kHz stream ring of `bytes` bytes, as the music uses.
    ISoundBuffer* MakeRing(uint32_t bytes)
    {
        ZSoundBufferDesc desc;
        desc.flags = kRingFlags;
        desc.format = ZSoundFormat::Pcm16(2, 44100);
        desc.bytes = bytes;
        ISoundBuffer* ring = nullptr;
        EXPECT_EQ(device->CreateSoundBuffer(desc, &ring), ZSoundResult::Ok);
        return ring;
    }

    // Writes through Lock/Unlock, little-endian, following the regions across the wrap.
    static void Write(ISoundBuffer* buffer, uint32_t offset, const std::vector<int16_t>& samples)
    {
        void* p1 = nullptr;
        void* p2 = nullptr;
        uint32_t n1 = 0;
        uint32_t n2 = 0;
        ASSERT_EQ(buffer->Lock(offset, uint32_t(samples.size() * 2), &p1, &n1, &p2, &n2, 0),
                  ZSoundResult::Ok);
        ASSERT_EQ(n1 + n2, samples.size() * 2);
        std::vector<uint8_t> bytes;
        for (int16_t s : samples)
        {
            bytes.push_back(uint8_t(uint16_t(s) & 0xFF));
            bytes.push_back(uint8_t(uint16_t(s) >> 8));
        }
        std::memcpy(p1, bytes.data(), n1);
        if (n2)
            std::memcpy(p2, bytes.data() + n1, n2);
        ASSERT_EQ(buffer->Unlock(p1, n1, p2, n2), ZSoundResult::Ok);
    }

    std::vector<int16_t> Render(uint32_t frames)
    {
        std::vector<int16_t> out(frames * 2, int16_t(0x5A5A));
        EXPECT_EQ(device->Render(out.data(), frames), frames);
        return out;
    }

    static uint32_t Status(ISoundBuffer* b)
    {
        uint32_t s = 0xFFFF;
        EXPECT_EQ(b->GetStatus(&s), ZSoundResult::Ok);
        return s;
    }

    static uint32_t Cursor(ISoundBuffer* b)
    {
        uint32_t play = 0xFFFFFFFF;
        uint32_t write = 0xFFFFFFFF;
        EXPECT_EQ(b->GetCurrentPosition(&play, &write), ZSoundResult::Ok);
        EXPECT_EQ(play, write);
        return play;
    }

    std::unique_ptr<ISoundDevice> device;
};

TEST_F(MixerTest, FullScaleSineAtZeroDbIsBitExact)
{
    for (uint16_t channels : {uint16_t(1), uint16_t(2)})
    {
        SCOPED_TRACE(channels);
        const std::vector<int16_t> sine = FullScaleSine(3000, channels);
        const uint32_t frames = uint32_t(sine.size() / channels);
        ISoundBuffer* b = Make(sine, channels);
        ASSERT_EQ(b->SetVolume(0), ZSoundResult::Ok);
        ASSERT_EQ(b->SetPan(0), ZSoundResult::Ok);
        ASSERT_EQ(b->Play(false), ZSoundResult::Ok);
        const std::vector<int16_t> out = Render(frames);
        for (uint32_t i = 0; i < frames; ++i)
        {
            ASSERT_EQ(out[2 * i], sine[i * channels]) << "frame " << i;
            ASSERT_EQ(out[2 * i + 1], sine[i * channels + channels - 1]) << "frame " << i;
        }
        b->Release();
    }
}

// Expected gains written out from 10^(hundredths of dB / 2000).
struct GainCase
{
    int32_t value;
    double left;
    double right;
};

TEST_F(MixerTest, VolumeScalesByTheDecibelLaw)
{
    const GainCase cases[] = {
        {0, 1.0, 1.0},
        {-600, 0.5011872, 0.5011872},
        {-1500, 0.1778279, 0.1778279},
        {-3000, 0.0316228, 0.0316228},
        {-9999, 0.00001001, 0.00001001},
        {-10000, 0.0, 0.0},
    };
    const std::vector<int16_t> source = {20000, -20000, 32767, -32768, 12345, 1};
    for (const GainCase& c : cases)
    {
        SCOPED_TRACE(c.value);
        ISoundBuffer* b = Make(source, 1);
        ASSERT_EQ(b->SetVolume(c.value), ZSoundResult::Ok);
        int32_t read = 1;
        ASSERT_EQ(b->GetVolume(&read), ZSoundResult::Ok);
        EXPECT_EQ(read, c.value);
        b->Play(false);
        const std::vector<int16_t> out = Render(uint32_t(source.size()));
        for (size_t i = 0; i < source.size(); ++i)
        {
            EXPECT_NEAR(out[2 * i], source[i] * c.left, 0.51) << "sample " << i;
            EXPECT_NEAR(out[2 * i + 1], source[i] * c.right, 0.51) << "sample " << i;
        }
        b->Release();
    }
}

TEST_F(MixerTest, PanAttenuatesTheFarChannelOnly)
{
    const GainCase cases[] = {
        {-10000, 1.0, 0.0},    {-2500, 1.0, 0.0562341}, {-600, 1.0, 0.5011872},  {0, 1.0, 1.0},
        {625, 0.4869675, 1.0}, {2500, 0.0562341, 1.0},  {9999, 0.00001001, 1.0}, {10000, 0.0, 1.0},
    };
    const std::vector<int16_t> source = Constant(8, 30000);
    for (const GainCase& c : cases)
    {
        SCOPED_TRACE(c.value);
        ISoundBuffer* b = Make(source, 1);
        ASSERT_EQ(b->SetPan(c.value), ZSoundResult::Ok);
        int32_t read = 1;
        ASSERT_EQ(b->GetPan(&read), ZSoundResult::Ok);
        EXPECT_EQ(read, c.value);
        b->Play(false);
        const std::vector<int16_t> out = Render(8);
        for (size_t i = 0; i < 8; ++i)
        {
            EXPECT_NEAR(out[2 * i], 30000 * c.left, 0.51);
            EXPECT_NEAR(out[2 * i + 1], 30000 * c.right, 0.51);
        }
        b->Release();
    }
}

TEST_F(MixerTest, VolumeAndPanMultiplyOnAStereoSource)
{
    ISoundBuffer* b = Make({20000, 30000, -20000, -30000}, 2);
    ASSERT_EQ(b->SetVolume(-600), ZSoundResult::Ok);
    ASSERT_EQ(b->SetPan(-2500), ZSoundResult::Ok);
    b->Play(false);
    const std::vector<int16_t> out = Render(2);
    EXPECT_NEAR(out[0], 20000 * 0.5011872, 0.51);
    EXPECT_NEAR(out[1], 30000 * 0.5011872 * 0.0562341, 0.51);
    EXPECT_NEAR(out[2], -20000 * 0.5011872, 0.51);
    EXPECT_NEAR(out[3], -30000 * 0.5011872 * 0.0562341, 0.51);
}

TEST_F(MixerTest, ControlsNeedTheirFlagAndARange)
{
    ISoundBuffer* plain = Make(Constant(4, 0), 1, 44100, kSoundBufferStatic);
    EXPECT_EQ(plain->SetVolume(-100), ZSoundResult::ControlUnavailable);
    EXPECT_EQ(plain->SetPan(100), ZSoundResult::ControlUnavailable);
    EXPECT_EQ(plain->SetFrequency(22050), ZSoundResult::ControlUnavailable);

    ISoundBuffer* b = Make(Constant(4, 0), 1, 22050);
    EXPECT_EQ(b->SetVolume(-10001), ZSoundResult::InvalidParam);
    EXPECT_EQ(b->SetVolume(1), ZSoundResult::InvalidParam);
    EXPECT_EQ(b->SetPan(10001), ZSoundResult::InvalidParam);
    EXPECT_EQ(b->SetPan(-10001), ZSoundResult::InvalidParam);
    EXPECT_EQ(b->SetFrequency(99), ZSoundResult::InvalidParam);
    EXPECT_EQ(b->SetFrequency(200001), ZSoundResult::InvalidParam);
    uint32_t hz = 0;
    ASSERT_EQ(b->SetFrequency(30000), ZSoundResult::Ok);
    ASSERT_EQ(b->GetFrequency(&hz), ZSoundResult::Ok);
    EXPECT_EQ(hz, 30000u);
    ASSERT_EQ(b->SetFrequency(kSoundFrequencyOriginal), ZSoundResult::Ok);
    ASSERT_EQ(b->GetFrequency(&hz), ZSoundResult::Ok);
    EXPECT_EQ(hz, 22050u);
}

TEST_F(MixerTest, BufferCreationChecksTheFormat)
{
    struct Case
    {
        const char* what;
        ZSoundFormat format;
        uint32_t bytes;
        ZSoundResult expected;
    };
    ZSoundFormat eightBit = ZSoundFormat::Pcm16(1, 22050);
    eightBit.bitsPerSample = 8;
    eightBit.blockAlign = 1;
    eightBit.bytesPerSecond = 22050;
    ZSoundFormat badAlign = ZSoundFormat::Pcm16(2, 44100);
    badAlign.blockAlign = 2;
    ZSoundFormat badRate = ZSoundFormat::Pcm16(2, 44100);
    badRate.bytesPerSecond = 44100;
    const Case cases[] = {
        {"mono 11025", ZSoundFormat::Pcm16(1, 11025), 2, ZSoundResult::Ok},
        {"stereo 48000", ZSoundFormat::Pcm16(2, 48000), 400, ZSoundResult::Ok},
        {"8-bit", eightBit, 100, ZSoundResult::BadFormat},
        {"three channels", ZSoundFormat::Pcm16(3, 44100), 600, ZSoundResult::BadFormat},
        {"block alignment", badAlign, 400, ZSoundResult::InvalidParam},
        {"byte rate", badRate, 400, ZSoundResult::InvalidParam},
        {"rate too low", ZSoundFormat::Pcm16(2, 99), 400, ZSoundResult::InvalidParam},
        {"rate too high", ZSoundFormat::Pcm16(1, 200001), 400, ZSoundResult::InvalidParam},
        {"empty", ZSoundFormat::Pcm16(2, 44100), 0, ZSoundResult::InvalidParam},
        {"less than a frame", ZSoundFormat::Pcm16(2, 44100), 3, ZSoundResult::InvalidParam},
        {"too large", ZSoundFormat::Pcm16(2, 44100), kSoundBufferMaxBytes + 1, ZSoundResult::InvalidParam},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ZSoundBufferDesc desc;
        desc.flags = kVoiceFlags;
        desc.format = c.format;
        desc.bytes = c.bytes;
        ISoundBuffer* b = reinterpret_cast<ISoundBuffer*>(uintptr_t(1));
        EXPECT_EQ(device->CreateSoundBuffer(desc, &b), c.expected);
        EXPECT_EQ(b == nullptr, c.expected != ZSoundResult::Ok);
    }
    EXPECT_EQ(device->CreateSoundBuffer(ZSoundBufferDesc{}, nullptr), ZSoundResult::InvalidParam);
}

TEST_F(MixerTest, PrimaryBufferTakesOnlyTheOutputFormat)
{
    ZSoundBufferDesc desc;
    desc.flags = kSoundBufferPrimary;
    ISoundBuffer* primary = nullptr;
    ASSERT_EQ(device->CreateSoundBuffer(desc, &primary), ZSoundResult::Ok);
    EXPECT_EQ(primary->SetFormat(ZSoundFormat::Pcm16(2, 44100)), ZSoundResult::Ok);
    ZSoundFormat f;
    ASSERT_EQ(primary->GetFormat(&f), ZSoundResult::Ok);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.sampleRate, 44100u);
    EXPECT_EQ(f.bytesPerSecond, 176400u);
    EXPECT_EQ(f.blockAlign, 4);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(primary->SetFormat(ZSoundFormat::Pcm16(2, 22050)), ZSoundResult::BadFormat);
    EXPECT_EQ(primary->SetFormat(ZSoundFormat::Pcm16(1, 44100)), ZSoundResult::BadFormat);

    void* p = nullptr;
    uint32_t n = 0;
    EXPECT_EQ(primary->Lock(0, 4, &p, &n, nullptr, nullptr, kSoundLockEntireBuffer),
              ZSoundResult::InvalidCall);
    EXPECT_EQ(primary->Play(true), ZSoundResult::InvalidCall);
    ISoundBuffer* dup = nullptr;
    EXPECT_EQ(device->DuplicateSoundBuffer(primary, &dup), ZSoundResult::InvalidCall);
    EXPECT_EQ(dup, nullptr);
    primary->Release();

    desc.bytes = 4;
    EXPECT_EQ(device->CreateSoundBuffer(desc, &primary), ZSoundResult::InvalidParam);

    // A secondary buffer has no format to set.
    ISoundBuffer* b = Make(Constant(4, 0), 2);
    EXPECT_EQ(b->SetFormat(ZSoundFormat::Pcm16(2, 44100)), ZSoundResult::InvalidCall);
}

TEST_F(MixerTest, DuplicatesShareSamplesAndPlayIndependently)
{
    const std::vector<int16_t> ramp = Ramp(1000, 10);
    ISoundBuffer* original = Make(ramp, 1);
    ASSERT_EQ(original->SetVolume(-600), ZSoundResult::Ok);
    ISoundBuffer* dup = nullptr;
    ASSERT_EQ(device->DuplicateSoundBuffer(original, &dup), ZSoundResult::Ok);
    ASSERT_NE(dup, original);
    int32_t volume = 1;
    ASSERT_EQ(dup->GetVolume(&volume), ZSoundResult::Ok);
    EXPECT_EQ(volume, -600) << "a duplicate starts with the original's settings";
    ASSERT_EQ(dup->SetVolume(0), ZSoundResult::Ok);
    ASSERT_EQ(original->SetVolume(0), ZSoundResult::Ok);
    ASSERT_EQ(dup->SetPan(10000), ZSoundResult::Ok);
    int32_t pan = 1;
    ASSERT_EQ(original->GetPan(&pan), ZSoundResult::Ok);
    EXPECT_EQ(pan, 0);
    ASSERT_EQ(dup->SetPan(0), ZSoundResult::Ok);

    original->Play(false);
    std::vector<int16_t> out = Render(100);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(out[2 * i], ramp[i]);
    EXPECT_EQ(Status(dup), 0u);

    dup->Play(false);
    out = Render(100);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(out[2 * i], ramp[100 + i] + ramp[i]);

    original->Stop();
    out = Render(100);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(out[2 * i], ramp[100 + i]);
    EXPECT_EQ(Status(original), 0u);
    EXPECT_EQ(Cursor(original), 400u) << "stop keeps the position";
    EXPECT_EQ(Status(dup), kSoundStatusPlaying);
    EXPECT_EQ(Cursor(dup), 400u);

    // The samples outlive the buffer they were written into.
    original->Release();
    out = Render(900);
    for (int i = 0; i < 800; ++i)
        ASSERT_EQ(out[2 * i], ramp[200 + i]);
    for (int i = 800; i < 900; ++i)
        ASSERT_EQ(out[2 * i], 0);
    EXPECT_EQ(Status(dup), 0u);
}

TEST_F(MixerTest, ReplayingAStoppedBufferResumesAndRestartRewinds)
{
    const std::vector<int16_t> ramp = Ramp(100, 3);
    ISoundBuffer* b = Make(ramp, 1);
    b->Play(false);
    Render(30);
    b->Stop();
    b->Play(false);
    std::vector<int16_t> out = Render(10);
    EXPECT_EQ(out[0], ramp[30]);
    ASSERT_EQ(b->SetCurrentPosition(2 * 50 + 1), ZSoundResult::Ok);
    EXPECT_EQ(Cursor(b), 100u) << "rounded down to a whole frame";
    out = Render(1);
    EXPECT_EQ(out[0], ramp[50]);
    EXPECT_EQ(b->SetCurrentPosition(200), ZSoundResult::InvalidParam);
}

TEST_F(MixerTest, LoopingBufferWraps)
{
    std::vector<int16_t> stereo;
    for (int i = 0; i < 100; ++i)
    {
        stereo.push_back(int16_t(i * 7));
        stereo.push_back(int16_t(-i * 7));
    }
    ISoundBuffer* b = Make(stereo, 2);
    ASSERT_EQ(b->Play(true), ZSoundResult::Ok);
    const std::vector<int16_t> out = Render(250);
    for (int i = 0; i < 250; ++i)
    {
        ASSERT_EQ(out[2 * i], stereo[2 * (i % 100)]) << i;
        ASSERT_EQ(out[2 * i + 1], stereo[2 * (i % 100) + 1]) << i;
    }
    EXPECT_EQ(Status(b), kSoundStatusPlaying | kSoundStatusLooping);
    EXPECT_EQ(Cursor(b), 50u * 4u);
    b->Stop();
    EXPECT_EQ(Status(b), 0u);
}

TEST_F(MixerTest, OneShotStopsAtItsEndAndRewinds)
{
    const std::vector<int16_t> ramp = Ramp(100, 11);
    ISoundBuffer* b = Make(ramp, 1);
    b->Play(false);
    EXPECT_EQ(Status(b), kSoundStatusPlaying);
    std::vector<int16_t> out = Render(150);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(out[2 * i], ramp[i]);
    for (int i = 100; i < 150; ++i)
        ASSERT_EQ(out[2 * i], 0);
    EXPECT_EQ(Status(b), 0u);
    EXPECT_EQ(Cursor(b), 0u);

    b->Play(false);
    out = Render(5);
    EXPECT_EQ(out[2 * 4], ramp[4]);
}

TEST_F(MixerTest, ResamplesLinearlyAndTheCursorFollowsTheSource)
{
    const std::vector<int16_t> ramp = Ramp(10, 100);
    ISoundBuffer* b = Make(ramp, 1, 22050);
    b->Play(false);
    std::vector<int16_t> out = Render(8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(out[2 * i], i * 50) << i;
    EXPECT_EQ(Cursor(b), 4u * 2u);

    // Twice the rate skips every other frame.
    ASSERT_EQ(b->SetFrequency(88200), ZSoundResult::Ok);
    out = Render(2);
    EXPECT_EQ(out[0], 400);
    EXPECT_EQ(out[2], 600);

    // Back at half speed: past the last frame a one-shot fades towards silence, then stops.
    ASSERT_EQ(b->SetFrequency(kSoundFrequencyOriginal), ZSoundResult::Ok);
    out = Render(6);
    EXPECT_EQ(out[2 * 0], 800);
    EXPECT_EQ(out[2 * 1], 850);
    EXPECT_EQ(out[2 * 2], 900);
    EXPECT_EQ(out[2 * 3], 450);
    EXPECT_EQ(out[2 * 4], 0);
    EXPECT_EQ(Status(b), 0u);

    // A looping buffer interpolates across the wrap towards its first frame.
    ISoundBuffer* loop = Make({1000, 3000}, 1, 22050);
    loop->Play(true);
    out = Render(5);
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(out[2], 2000);
    EXPECT_EQ(out[4], 3000);
    EXPECT_EQ(out[6], 2000);
    EXPECT_EQ(out[8], 1000);
}

TEST_F(MixerTest, SumClipsAtTheSixteenBitLimits)
{
    ISoundBuffer* a = Make({30000, -30000, 10000}, 1);
    ISoundBuffer* b = Make({30000, -30000, 12000}, 1);
    ISoundBuffer* c = Make({30000, -30000, -1000}, 1);
    a->Play(false);
    b->Play(false);
    c->Play(false);
    const std::vector<int16_t> out = Render(3);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], 32767);
    EXPECT_EQ(out[2], -32768);
    EXPECT_EQ(out[3], -32768);
    EXPECT_EQ(out[4], 21000);
}

TEST_F(MixerTest, StreamingRingLocksAcrossTheWrap)
{
    // 1000 frames of 44100 Hz stereo: 4000 bytes.
    ISoundBuffer* ring = MakeRing(4000);
    ASSERT_NE(ring, nullptr);

    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0;
    uint32_t n2 = 0;
    ASSERT_EQ(ring->Lock(3200, 1600, &p1, &n1, &p2, &n2, 0), ZSoundResult::Ok);
    EXPECT_EQ(n1, 800u);
    EXPECT_EQ(n2, 800u);
    ASSERT_NE(p2, nullptr);
    std::vector<int16_t> first(800);
    for (int i = 0; i < 800; ++i)
        first[i] = int16_t(i + 1);
    std::memcpy(p1, first.data(), 800);
    std::memcpy(p2, first.data() + 400, 800);
    ASSERT_EQ(ring->Unlock(p1, n1, p2, n2), ZSoundResult::Ok);

    ASSERT_EQ(ring->SetCurrentPosition(3200), ZSoundResult::Ok);
    ASSERT_EQ(ring->Play(true), ZSoundResult::Ok);
    std::vector<int16_t> out = Render(400);
    EXPECT_EQ(out, first);
    EXPECT_EQ(Cursor(ring), 800u);

    // Refilling the part just played while the ring plays on.
    std::vector<int16_t> second(800);
    for (int i = 0; i < 800; ++i)
        second[i] = int16_t(-i - 1);
    Write(ring, 2400, Ramp(400, 5));
    Write(ring, 3200, std::vector<int16_t>(second.begin(), second.begin() + 400));
    Write(ring, 0, std::vector<int16_t>(second.begin() + 400, second.end()));
    out = Render(1537);
    EXPECT_EQ(Cursor(ring), (800u + 1537u * 4u) % 4000u);
    const std::vector<int16_t> ramp = Ramp(400, 5);
    EXPECT_EQ(std::vector<int16_t>(out.begin() + 2 * 400, out.begin() + 2 * 600), ramp);
    EXPECT_EQ(std::vector<int16_t>(out.begin() + 2 * 600, out.begin() + 2 * 1000), second);
    EXPECT_EQ(Status(ring), kSoundStatusPlaying | kSoundStatusLooping);
}

TEST_F(MixerTest, LockRejectsBadRangesAndMismatchedUnlocks)
{
    ISoundBuffer* ring = MakeRing(400);
    ASSERT_NE(ring, nullptr);
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0;
    uint32_t n2 = 0;
    EXPECT_EQ(ring->Lock(400, 4, &p1, &n1, &p2, &n2, 0), ZSoundResult::InvalidParam);
    EXPECT_EQ(ring->Lock(0, 401, &p1, &n1, &p2, &n2, 0), ZSoundResult::InvalidParam);
    EXPECT_EQ(ring->Lock(0, 0, &p1, &n1, &p2, &n2, 0), ZSoundResult::InvalidParam);
    EXPECT_EQ(ring->Lock(300, 200, &p1, &n1, nullptr, nullptr, 0), ZSoundResult::InvalidParam)
        << "a wrapping range needs the second region";
    EXPECT_EQ(ring->Unlock(p1, 0, nullptr, 0), ZSoundResult::InvalidCall);

    ASSERT_EQ(ring->Lock(123, 7, &p1, &n1, &p2, &n2, kSoundLockEntireBuffer), ZSoundResult::Ok);
    EXPECT_EQ(n1, 400u);
    EXPECT_EQ(n2, 0u);
    EXPECT_EQ(p2, nullptr);
    void* q = nullptr;
    uint32_t m = 0;
    EXPECT_EQ(ring->Lock(0, 4, &q, &m, nullptr, nullptr, 0), ZSoundResult::InvalidCall);
    EXPECT_EQ(ring->Unlock(static_cast<uint8_t*>(p1) + 4, 4, nullptr, 0), ZSoundResult::InvalidParam);
    EXPECT_EQ(ring->Unlock(p1, 401, nullptr, 0), ZSoundResult::InvalidParam);

    // Only the bytes reported as written reach the buffer.
    std::memset(p1, 0x11, 400);
    ASSERT_EQ(ring->Unlock(p1, 8, nullptr, 0), ZSoundResult::Ok);
    ring->Play(false);
    const std::vector<int16_t> out = Render(3);
    EXPECT_EQ(out[0], 0x1111);
    EXPECT_EQ(out[3], 0x1111);
    EXPECT_EQ(out[4], 0);

    // A lock shows what the buffer holds.
    ASSERT_EQ(ring->Lock(0, 8, &p1, &n1, &p2, &n2, 0), ZSoundResult::Ok);
    EXPECT_EQ(static_cast<uint8_t*>(p1)[7], 0x11);
    ASSERT_EQ(ring->Unlock(p1, 0, nullptr, 0), ZSoundResult::Ok);
}

TEST_F(MixerTest, AWriteReachesThePlayingRingAllAtOnce)
{
    // The music thread refills while the mixer runs: no mixing pass may see half a write.
    ISoundBuffer* ring = MakeRing(4096 * 4);
    ASSERT_NE(ring, nullptr);
    ring->Play(true);

    std::atomic<bool> done{false};
    std::thread writer(
        [&]
        {
            for (int i = 1; i <= 2000; ++i)
            {
                void* p1 = nullptr;
                uint32_t n1 = 0;
                if (ring->Lock(0, 0, &p1, &n1, nullptr, nullptr, kSoundLockEntireBuffer) != ZSoundResult::Ok)
                    break;
                auto* samples = static_cast<int16_t*>(p1);
                for (uint32_t k = 0; k < n1 / 2; ++k)
                    samples[k] = int16_t(i);
                ring->Unlock(p1, n1, nullptr, 0);
                ring->SetVolume(0);
            }
            done = true;
        });
    int passes = 0;
    int torn = 0;
    while (!done || passes < 10)
    {
        const std::vector<int16_t> out = Render(3001);
        for (int16_t s : out)
        {
            if (s != out[0])
            {
                ++torn;
                break;
            }
        }
        ++passes;
    }
    writer.join();
    EXPECT_EQ(torn, 0) << "of " << passes << " passes";
}

TEST_F(MixerTest, ReleasedBuffersLeaveTheDevice)
{
    ZSoundDeviceCaps caps;
    ASSERT_EQ(device->GetCaps(&caps), ZSoundResult::Ok);
    EXPECT_EQ(caps.outputRate, 44100u);
    EXPECT_EQ(caps.outputChannels, 2);
    EXPECT_EQ(caps.outputBits, 16);
    EXPECT_EQ(caps.buffers, 0u);
    ISoundBuffer* a = Make(Constant(100, 1000), 1);
    ISoundBuffer* b = nullptr;
    ASSERT_EQ(device->DuplicateSoundBuffer(a, &b), ZSoundResult::Ok);
    ASSERT_EQ(device->GetCaps(&caps), ZSoundResult::Ok);
    EXPECT_EQ(caps.buffers, 2u);
    a->Play(true);
    b->Play(true);
    a->Release();
    b->Release();
    ASSERT_EQ(device->GetCaps(&caps), ZSoundResult::Ok);
    EXPECT_EQ(caps.buffers, 0u);
    EXPECT_EQ(Render(4), std::vector<int16_t>(8, 0));

    ISoundBuffer* dup = nullptr;
    EXPECT_EQ(device->DuplicateSoundBuffer(nullptr, &dup), ZSoundResult::InvalidParam);
    // Buffers still alive when the device goes are freed with it (checked by the sanitizers).
    Make(Constant(100, 1000), 1)->Play(true);
}

// --- The SDL output ---------------------------------------------------------------------------

class ScopedAudioDriver
{
public:
    explicit ScopedAudioDriver(const char* driver)
    {
        if (const char* old = std::getenv("SDL_AUDIODRIVER"))
        {
            m_had = true;
            m_old = old;
        }
        setenv("SDL_AUDIODRIVER", driver, 1);
    }
    ~ScopedAudioDriver()
    {
        if (m_had)
            setenv("SDL_AUDIODRIVER", m_old.c_str(), 1);
        else
            unsetenv("SDL_AUDIODRIVER");
    }

private:
    bool m_had = false;
    std::string m_old;
};

TEST(SoundOutput, DummyDriverMixesInTheCallbackAndClosesCleanly)
{
    ScopedAudioDriver driver("dummy");
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round);
        std::unique_ptr<ISoundDevice> device;
        ASSERT_EQ(plat::CreateSoundDevice(plat::SoundDeviceMode::Output, device), ZSoundResult::Ok)
            << plat::SoundDeviceError();
        ASSERT_TRUE(device);
        EXPECT_FALSE(device->IsManual());
        EXPECT_STREQ(plat::SoundDeviceError(), "");
        int16_t untouched[4] = {7, 7, 7, 7};
        EXPECT_EQ(device->Render(untouched, 2), 0u) << "the callback owns the mixer";
        EXPECT_EQ(untouched[0], 7);

        ZSoundBufferDesc desc;
        desc.flags = kRingFlags;
        desc.format = ZSoundFormat::Pcm16(2, 44100);
        desc.bytes = 44100 * 4;
        ISoundBuffer* ring = nullptr;
        ASSERT_EQ(device->CreateSoundBuffer(desc, &ring), ZSoundResult::Ok);
        ASSERT_EQ(ring->Play(true), ZSoundResult::Ok);
        // Liveness only: the callback runs and moves the cursor (a generous bound, no speed check).
        uint32_t cursor = 0;
        for (int i = 0; i < 1000 && cursor == 0; ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ASSERT_EQ(ring->GetCurrentPosition(&cursor, nullptr), ZSoundResult::Ok);
        }
        EXPECT_GT(cursor, 0u);
        EXPECT_EQ(cursor % 4, 0u);
        device.reset();
        EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    }
}

TEST(SoundOutput, NoDeviceIsAClearFailure)
{
    ScopedAudioDriver driver("qv-no-such-driver");
    std::unique_ptr<ISoundDevice> device;
    EXPECT_EQ(plat::CreateSoundDevice(plat::SoundDeviceMode::Output, device), ZSoundResult::NoDevice);
    EXPECT_FALSE(device);
    EXPECT_STRNE(plat::SoundDeviceError(), "");
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

TEST(SoundOutput, ProcessWideModeChoosesTheManualPump)
{
    ScopedAudioDriver driver("qv-no-such-driver");
    plat::SetSoundDeviceMode(plat::SoundDeviceMode::Manual);
    std::unique_ptr<ISoundDevice> device;
    const ZSoundResult result = plat::CreateSoundDevice(device);
    plat::SetSoundDeviceMode(plat::SoundDeviceMode::Output);
    ASSERT_EQ(result, ZSoundResult::Ok);
    EXPECT_TRUE(device->IsManual());
    EXPECT_EQ(plat::GetSoundDeviceMode(), plat::SoundDeviceMode::Output);
}
} // namespace
