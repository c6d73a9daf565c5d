// Feeds arbitrary bytes to the WAV decoder of the audio layer (on the manual sound device, so no
// sound hardware is needed) as a sound file; what it accepts must describe its own samples.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "FuzzMemFile.h"
#include "engine/audio/ZAudioDirectSound.h"
#include "engine/audio/ZSound.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/platform/audio/ISoundDevice.h"

namespace
{
ZAudioDirectSound* Audio()
{
    static ZAudioDirectSound* audio = []
    {
        // Sound files are opened through the file system; a plain path needs no mount.
        new ZFileSystem();
        plat::SetSoundDeviceMode(plat::SoundDeviceMode::Manual);
        auto* made = new ZAudioDirectSound();
        if (made->Init() != 0)
            __builtin_trap();
        return made;
    }();
    return audio;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ZAudioDirectSound* audio = Audio();
    fuzz::MemFile memory(data, size);
    if (!memory.Ok())
        return 0;
    auto* sound = new ZSoundResource(memory.Path().c_str());
    if (audio->LoadWav(sound) == 0)
    {
        const uint32_t frameBytes = uint32_t(sound->GetChannels()) * 2u;
        if (sound->GetDataSize() < 0 || (sound->GetDataSize() > 0 && !sound->GetData()) ||
            (frameBytes > 0 && uint32_t(sound->GetDataSize()) > size))
            __builtin_trap();
    }
    sound->FreeData();
    delete sound;
    return 0;
}
