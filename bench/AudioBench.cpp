// Audio costs that bound the frame: decoding Ogg Vorbis (sound effects are decoded whole on the
// loader thread, music a segment at a time on the music thread) and uploading a decoded sound
// into a voice, which the frame step does within a tenth of a frame period.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
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
    for (auto _ : state)
    {
        ZOggVorbisStream stream(&file);
        bytes = stream.Read(pcm.data(), pcm.size());
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
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
} // namespace
