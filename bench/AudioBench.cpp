// Audio costs that bound the frame: decoding Ogg Vorbis (a sound effect is decoded whole on the
// main thread when it first plays, music a segment at a time on the music thread), uploading a decoded sound
// into a voice, which the frame step does within a tenth of a frame period, and mixing many voices, which the
// sound device's callback does all the time. The mixing and music figures are given as the time they take per
// second of audio on one core ("time_per_audio_second"; 20 ms would be 2 %).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/audio/ZAudioDirectSound.h"
#include "engine/audio/ZOggVorbisStream.h"
#include "engine/audio/ZSound.h"
#include "engine/fs/ZFile.h"
#include "engine/resource/ZResourceManager.h"

namespace
{
std::string FixturePath(const char* name)
{
    std::string here = __FILE__;
    return here.substr(0, here.find_last_of('/')) + "/../tests/fixtures/audio/" + name;
}

// A file of the game folder that the build assembled next to this program (<build>/home).
std::string GameFile(const char* name)
{
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return {};
    std::string path(exe, size_t(n));
    path = path.substr(0, path.find_last_of('/')); // <build>/bench
    path = path.substr(0, path.find_last_of('/')); // <build>
    return path + "/home/media/quorvane/" + name;
}

// Seconds of work per second of audio: the share of one core the work needs.
benchmark::Counter TimePerAudioSecond(double audioSecondsPerIteration)
{
    return benchmark::Counter(audioSecondsPerIteration,
                              benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_OggDecodeWhole(benchmark::State& state)
{
    ZFile file(FixturePath("chime.ogg"), FILE_READ);
    if (file.Open() != 0)
    {
        state.SkipWithError("fixture missing");
        return;
    }
    std::vector<uint8_t> pcm(1 << 20);
    size_t bytes = 0;
    uint32_t bytesPerSecond = 0;
    for (auto _ : state)
    {
        ZOggVorbisStream stream(&file);
        bytes = stream.Read(pcm.data(), pcm.size());
        bytesPerSecond = stream.GetSampleRate() * stream.GetChannels() * 2u;
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
    // What a sound's first play costs the main thread per second of its length.
    if (bytesPerSecond > 0)
        state.counters["time_per_audio_second"] = TimePerAudioSecond(double(bytes) / double(bytesPerSecond));
}
BENCHMARK(BM_OggDecodeWhole);

void BM_VoiceUpload(benchmark::State& state)
{
    plat::SetSoundDeviceMode(plat::SoundDeviceMode::Manual);
    ZResourceManager::GetInstance();
    {
        ZAudioDirectSound audio;
        if (audio.Init() != 0)
        {
            state.SkipWithError("no sound device");
            return;
        }
        // Half a second of stereo, a long effect.
        const int32_t bytes = 44100 * 2;
        ZSoundResource resource("bench.wav");
        for (auto _ : state)
        {
            resource.SetData(new uint8_t[size_t(bytes)](), bytes, 44100, 2);
            benchmark::DoNotOptimize(audio.QueueRequest(&resource, true));
            audio.ReleaseVoice(&resource);
        }
        state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
    }
    ZResourceManager::DestroyInstance();
    plat::SetSoundDeviceMode(plat::SoundDeviceMode::Output);
}
BENCHMARK(BM_VoiceUpload);

// 64 voices at once, as a busy board makes them: mono and stereo sounds at 22,050, 44,100 and
// 48,000 Hz (so most are resampled), some pitched by a frequency factor, at assorted volumes
// and pans, all looping; 10 seconds of output mixed in the callback's periods.
void BM_Mix64Voices(benchmark::State& state)
{
    plat::SetSoundDeviceMode(plat::SoundDeviceMode::Manual);
    std::unique_ptr<ISoundDevice> device;
    if (!SoundSucceeded(plat::CreateSoundDevice(device)) || !device)
    {
        state.SkipWithError("no sound device");
        return;
    }
    std::vector<ISoundBuffer*> voices;
    const uint32_t rates[] = {22050, 44100, 48000};
    for (int i = 0; i < 64; ++i)
    {
        const uint16_t channels = uint16_t(1 + i % 2);
        const uint32_t rate = rates[i % 3];
        const uint32_t frames = rate / 2 + uint32_t(i) * 97;
        ZSoundBufferDesc desc;
        desc.flags = ZAudioDirectSound::kVoiceBufferFlags;
        desc.bytes = frames * channels * 2u;
        desc.format = ZSoundFormat::Pcm16(channels, rate);
        ISoundBuffer* buffer = nullptr;
        if (!SoundSucceeded(device->CreateSoundBuffer(desc, &buffer)))
        {
            state.SkipWithError("cannot make a voice");
            return;
        }
        void* region = nullptr;
        uint32_t bytes = 0;
        buffer->Lock(0, 0, &region, &bytes, nullptr, nullptr, kSoundLockEntireBuffer);
        auto* samples = static_cast<uint8_t*>(region);
        for (uint32_t s = 0; s < bytes / 2; ++s)
        {
            const auto v = int16_t(6000.0 * std::sin(double(s) * 0.01 * (1 + i % 7)));
            samples[2 * s] = uint8_t(uint16_t(v) & 0xff);
            samples[2 * s + 1] = uint8_t(uint16_t(v) >> 8);
        }
        buffer->Unlock(region, bytes, nullptr, 0);
        ISoundBuffer* voice = nullptr;
        device->DuplicateSoundBuffer(buffer, &voice);
        buffer->Release();
        voice->SetVolume(ZAudioDirectSound::VolumeToDevice(0.2f + 0.8f * float(i % 5) / 4.0f));
        voice->SetPan(ZAudioDirectSound::PanToDevice(float(i % 3) - 1.0f));
        if (i % 4 == 0)
            voice->SetFrequency(uint32_t(std::lround(rate * 1.12)));
        voice->Play(true);
        voices.push_back(voice);
    }
    constexpr uint32_t kSeconds = 10;
    constexpr uint32_t kPeriod = 1024;
    std::vector<int16_t> out(kPeriod * 2);
    for (auto _ : state)
    {
        for (uint32_t done = 0; done < kSeconds * 44100; done += kPeriod)
            device->Render(out.data(), kPeriod);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["time_per_audio_second"] = TimePerAudioSecond(kSeconds);
    for (ISoundBuffer* voice : voices)
        voice->Release();
    device.reset();
    plat::SetSoundDeviceMode(plat::SoundDeviceMode::Output);
}
BENCHMARK(BM_Mix64Voices)->Unit(benchmark::kMillisecond);

// The music thread's work: a whole music track of the game, decoded in the ring's 176,400-byte
// segments.
void BM_MusicDecodeSegments(benchmark::State& state)
{
    std::string path = GameFile("audio/music_underwater.ogg");
    ZFile file(path, FILE_READ);
    if (path.empty() || file.Open() != 0)
    {
        state.SkipWithError("build the game folder first (audio/music_underwater.ogg)");
        return;
    }
    std::vector<uint8_t> segment(ZAudioDirectSound::kMusicSegmentBytes);
    double seconds = 0.0;
    for (auto _ : state)
    {
        ZOggVorbisStream stream(&file);
        size_t total = 0;
        for (size_t n; (n = stream.Read(segment.data(), segment.size())) > 0;)
            total += n;
        seconds = double(total) / (double(stream.GetSampleRate()) * stream.GetChannels() * 2.0);
        benchmark::DoNotOptimize(total);
    }
    state.counters["track_seconds"] = seconds;
    state.counters["time_per_audio_second"] = TimePerAudioSecond(seconds);
}
BENCHMARK(BM_MusicDecodeSegments)->Unit(benchmark::kMillisecond);
} // namespace
