#include "engine/platform/audio/ISoundDevice.h"

#include "engine/platform/audio/ZMixer.h"

#include <atomic>
#include <cmath>
#include <new>
#include <string>

const char* SoundResultText(ZSoundResult result)
{
    switch (result)
    {
    case ZSoundResult::Ok:
        return "ok";
    case ZSoundResult::InvalidParam:
        return "invalid parameter";
    case ZSoundResult::InvalidCall:
        return "invalid call";
    case ZSoundResult::ControlUnavailable:
        return "control unavailable";
    case ZSoundResult::BadFormat:
        return "bad format";
    case ZSoundResult::OutOfMemory:
        return "out of memory";
    case ZSoundResult::NoDevice:
        return "no sound device";
    case ZSoundResult::BufferLost:
        return "buffer lost";
    }
    return "unknown sound result";
}

namespace plat
{
namespace
{
std::atomic<SoundDeviceMode>& Mode()
{
    static std::atomic<SoundDeviceMode> mode{SoundDeviceMode::Output};
    return mode;
}

std::string& LastError()
{
    thread_local std::string error;
    return error;
}
} // namespace

void SetSoundDeviceMode(SoundDeviceMode mode)
{
    Mode().store(mode);
}

SoundDeviceMode GetSoundDeviceMode()
{
    return Mode().load();
}

ZSoundResult CreateSoundDevice(std::unique_ptr<ISoundDevice>& out)
{
    return CreateSoundDevice(GetSoundDeviceMode(), out);
}

ZSoundResult CreateSoundDevice(SoundDeviceMode mode, std::unique_ptr<ISoundDevice>& out)
{
    out.reset();
    std::unique_ptr<ZMixer> mixer(new (std::nothrow) ZMixer(mode));
    if (!mixer)
    {
        LastError() = "out of memory";
        return ZSoundResult::OutOfMemory;
    }
    std::string error;
    const ZSoundResult result = mixer->Open(error);
    if (!SoundSucceeded(result))
    {
        LastError() = error;
        return result;
    }
    LastError().clear();
    out = std::move(mixer);
    return ZSoundResult::Ok;
}

const char* SoundDeviceError()
{
    return LastError().c_str();
}

float SoundVolumeToGain(int32_t volume)
{
    if (volume <= kSoundVolumeMin)
        return 0.0f;
    if (volume >= kSoundVolumeMax)
        return 1.0f;
    return float(std::pow(10.0, double(volume) / 2000.0));
}

void SoundPanToGains(int32_t pan, float* left, float* right)
{
    // Only the far side is attenuated, so a centred sound plays at full level on both sides.
    const float l = pan > 0 ? SoundVolumeToGain(-pan) : 1.0f;
    const float r = pan < 0 ? SoundVolumeToGain(pan) : 1.0f;
    if (left)
        *left = l;
    if (right)
        *right = r;
}
} // namespace plat
