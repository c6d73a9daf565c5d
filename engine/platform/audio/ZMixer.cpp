#include "engine/platform/audio/ZMixer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace
{
constexpr uint64_t kOne = uint64_t(1) << 32; // one frame in 32.32 fixed point

bool IsOutputFormat(const ZSoundFormat& f)
{
    return f == ZSoundFormat::Pcm16(ZMixer::kOutputChannels, ZMixer::kOutputRate);
}

// A format the mixer can play, or why not.
ZSoundResult CheckFormat(const ZSoundFormat& f)
{
    if (f.bitsPerSample != 16 || f.channels < 1 || f.channels > 2)
        return ZSoundResult::BadFormat;
    if (f.blockAlign != f.channels * 2u || f.sampleRate < kSoundFrequencyMin ||
        f.sampleRate > kSoundFrequencyMax || f.bytesPerSecond != uint32_t(f.blockAlign) * f.sampleRate)
        return ZSoundResult::InvalidParam;
    return ZSoundResult::Ok;
}

inline float SampleAt(const uint8_t* p)
{
    // Little-endian whatever the host.
    return float(int16_t(uint16_t(p[0]) | uint16_t(uint16_t(p[1]) << 8)));
}

inline int16_t Clip(float v)
{
    if (v >= 32767.0f)
        return 32767;
    if (v <= -32768.0f)
        return -32768;
    return int16_t(std::lrintf(v));
}
} // namespace

// ---------------------------------------------------------------------------------------------
// ZMixerBuffer

ZMixerBuffer::ZMixerBuffer(ZMixer* mixer, uint32_t flags, const ZSoundFormat& format,
                           std::shared_ptr<uint8_t[]> samples, uint32_t bytes)
    : m_mixer(mixer), m_flags(flags), m_format(format), m_samples(std::move(samples)), m_bytes(bytes),
      m_frames(format.blockAlign ? bytes / format.blockAlign : 0), m_frequency(format.sampleRate)
{
    ApplyStep();
    ApplyGains();
}

bool ZMixerBuffer::IsPrimary() const
{
    return (m_flags & kSoundBufferPrimary) != 0;
}

void ZMixerBuffer::ApplyGains()
{
    const float volume = plat::SoundVolumeToGain(m_volume);
    float left = 1.0f;
    float right = 1.0f;
    plat::SoundPanToGains(m_pan, &left, &right);
    m_gainLeft = volume * left;
    m_gainRight = volume * right;
}

void ZMixerBuffer::ApplyStep()
{
    m_step = ((uint64_t(m_frequency) << 32) + ZMixer::kOutputRate / 2) / ZMixer::kOutputRate;
}

ZSoundResult ZMixerBuffer::SetFormat(const ZSoundFormat& format)
{
    if (!IsPrimary())
        return ZSoundResult::InvalidCall;
    if (!IsOutputFormat(format))
        return ZSoundResult::BadFormat;
    std::lock_guard guard(m_mixer->m_mutex);
    m_format = format;
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::GetFormat(ZSoundFormat* format)
{
    if (!format)
        return ZSoundResult::InvalidParam;
    std::lock_guard guard(m_mixer->m_mutex);
    *format = m_format;
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* bytes1,
                                void** region2, uint32_t* bytes2, uint32_t flags)
{
    if (IsPrimary())
        return ZSoundResult::InvalidCall;
    if (!region1 || !bytes1)
        return ZSoundResult::InvalidParam;
    if (flags & kSoundLockEntireBuffer)
    {
        offset = 0;
        bytes = m_bytes;
    }
    if (offset >= m_bytes || bytes == 0 || bytes > m_bytes)
        return ZSoundResult::InvalidParam;
    const uint32_t first = std::min(bytes, m_bytes - offset);
    const uint32_t second = bytes - first;
    if (second && (!region2 || !bytes2))
        return ZSoundResult::InvalidParam;

    std::lock_guard lockGuard(m_lockMutex);
    if (m_locked)
        return ZSoundResult::InvalidCall;
    if (!m_staging)
    {
        m_staging.reset(new (std::nothrow) uint8_t[m_bytes]);
        if (!m_staging)
            return ZSoundResult::OutOfMemory;
    }
    {
        std::lock_guard guard(m_mixer->m_mutex);
        std::memcpy(m_staging.get() + offset, m_samples.get() + offset, first);
        std::memcpy(m_staging.get(), m_samples.get(), second);
    }
    m_locked = true;
    m_lockOffset = offset;
    m_lockBytes1 = first;
    m_lockBytes2 = second;
    *region1 = m_staging.get() + offset;
    *bytes1 = first;
    if (region2)
        *region2 = second ? m_staging.get() : nullptr;
    if (bytes2)
        *bytes2 = second;
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::Unlock(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2)
{
    std::unique_ptr<uint8_t[]> freed;
    {
        std::lock_guard lockGuard(m_lockMutex);
        if (!m_locked)
            return ZSoundResult::InvalidCall;
        if (region1 != m_staging.get() + m_lockOffset || bytes1 > m_lockBytes1)
            return ZSoundResult::InvalidParam;
        if (bytes2 && (region2 != m_staging.get() || bytes2 > m_lockBytes2))
            return ZSoundResult::InvalidParam;
        {
            std::lock_guard guard(m_mixer->m_mutex);
            std::memcpy(m_samples.get() + m_lockOffset, m_staging.get() + m_lockOffset, bytes1);
            std::memcpy(m_samples.get(), m_staging.get(), bytes2);
        }
        m_locked = false;
        // A static buffer is written once: do not keep a second copy of its samples.
        if (m_flags & kSoundBufferStatic)
            freed = std::move(m_staging);
    }
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::Play(bool looping)
{
    if (IsPrimary())
        return ZSoundResult::InvalidCall;
    std::lock_guard guard(m_mixer->m_mutex);
    m_playing = true;
    m_looping = looping;
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::Stop()
{
    if (IsPrimary())
        return ZSoundResult::InvalidCall;
    std::lock_guard guard(m_mixer->m_mutex);
    m_playing = false;
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::GetStatus(uint32_t* status)
{
    if (!status)
        return ZSoundResult::InvalidParam;
    std::lock_guard guard(m_mixer->m_mutex);
    *status = 0;
    if (m_playing)
        *status = kSoundStatusPlaying | (m_looping ? kSoundStatusLooping : 0u);
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::GetCurrentPosition(uint32_t* playCursor, uint32_t* writeCursor)
{
    if (IsPrimary())
        return ZSoundResult::InvalidCall;
    std::lock_guard guard(m_mixer->m_mutex);
    const uint32_t bytes = uint32_t(m_position >> 32) * m_format.blockAlign;
    if (playCursor)
        *playCursor = bytes;
    if (writeCursor)
        *writeCursor = bytes;
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::SetCurrentPosition(uint32_t bytes)
{
    if (IsPrimary())
        return ZSoundResult::InvalidCall;
    const uint32_t frame = bytes / m_format.blockAlign;
    if (frame >= m_frames)
        return ZSoundResult::InvalidParam;
    std::lock_guard guard(m_mixer->m_mutex);
    m_position = uint64_t(frame) << 32;
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::SetVolume(int32_t volume)
{
    if (IsPrimary() || !(m_flags & kSoundBufferCtrlVolume))
        return ZSoundResult::ControlUnavailable;
    if (volume < kSoundVolumeMin || volume > kSoundVolumeMax)
        return ZSoundResult::InvalidParam;
    std::lock_guard guard(m_mixer->m_mutex);
    m_volume = volume;
    ApplyGains();
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::GetVolume(int32_t* volume)
{
    if (IsPrimary() || !(m_flags & kSoundBufferCtrlVolume))
        return ZSoundResult::ControlUnavailable;
    if (!volume)
        return ZSoundResult::InvalidParam;
    std::lock_guard guard(m_mixer->m_mutex);
    *volume = m_volume;
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::SetPan(int32_t pan)
{
    if (IsPrimary() || !(m_flags & kSoundBufferCtrlPan))
        return ZSoundResult::ControlUnavailable;
    if (pan < kSoundPanLeft || pan > kSoundPanRight)
        return ZSoundResult::InvalidParam;
    std::lock_guard guard(m_mixer->m_mutex);
    m_pan = pan;
    ApplyGains();
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::GetPan(int32_t* pan)
{
    if (IsPrimary() || !(m_flags & kSoundBufferCtrlPan))
        return ZSoundResult::ControlUnavailable;
    if (!pan)
        return ZSoundResult::InvalidParam;
    std::lock_guard guard(m_mixer->m_mutex);
    *pan = m_pan;
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::SetFrequency(uint32_t hz)
{
    if (IsPrimary() || !(m_flags & kSoundBufferCtrlFrequency))
        return ZSoundResult::ControlUnavailable;
    if (hz == kSoundFrequencyOriginal)
        hz = m_format.sampleRate;
    if (hz < kSoundFrequencyMin || hz > kSoundFrequencyMax)
        return ZSoundResult::InvalidParam;
    std::lock_guard guard(m_mixer->m_mutex);
    m_frequency = hz;
    ApplyStep();
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::GetFrequency(uint32_t* hz)
{
    if (IsPrimary() || !(m_flags & kSoundBufferCtrlFrequency))
        return ZSoundResult::ControlUnavailable;
    if (!hz)
        return ZSoundResult::InvalidParam;
    std::lock_guard guard(m_mixer->m_mutex);
    *hz = m_frequency;
    return ZSoundResult::Ok;
}

ZSoundResult ZMixerBuffer::Restore()
{
    return ZSoundResult::Ok;
}

void ZMixerBuffer::Release()
{
    m_mixer->ReleaseBuffer(this);
}

// ---------------------------------------------------------------------------------------------
// ZMixer

ZMixer::ZMixer(plat::SoundDeviceMode mode) : m_mode(mode) {}

ZMixer::~ZMixer()
{
    // Closing waits for the callback to return, so the buffers can go afterwards.
    if (m_output)
        SDL_CloseAudioDevice(m_output);
    if (m_audioStarted)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

ZSoundResult ZMixer::Open(std::string& error)
{
    if (m_mode == plat::SoundDeviceMode::Manual)
        return ZSoundResult::Ok;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
    {
        error = std::string("cannot start audio: ") + SDL_GetError();
        return ZSoundResult::NoDevice;
    }
    m_audioStarted = true;

    SDL_AudioSpec want{};
    want.freq = int(kOutputRate);
    want.format = AUDIO_S16SYS;
    want.channels = uint8_t(kOutputChannels);
    want.samples = uint16_t(kMixFrames);
    want.callback = &ZMixer::AudioCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to whatever the hardware takes, so the callback always
    // sees 44100 Hz 16-bit stereo.
    m_output = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!m_output)
    {
        error = std::string("cannot open the audio output: ") + SDL_GetError();
        return ZSoundResult::NoDevice;
    }
    SDL_PauseAudioDevice(m_output, 0);
    return ZSoundResult::Ok;
}

void ZMixer::PauseOutput(bool paused)
{
    m_outputPaused = paused;
    if (m_output)
        SDL_PauseAudioDevice(m_output, paused ? 1 : 0);
}

bool ZMixer::IsOutputPaused() const
{
    if (m_output)
        return SDL_GetAudioDeviceStatus(m_output) == SDL_AUDIO_PAUSED;
    return m_outputPaused;
}

void ZMixer::AudioCallback(void* self, uint8_t* stream, int bytes)
{
    auto* mixer = static_cast<ZMixer*>(self);
    std::lock_guard guard(mixer->m_mutex);
    mixer->MixLocked(reinterpret_cast<int16_t*>(stream), uint32_t(bytes) / (kOutputChannels * 2u));
}

uint32_t ZMixer::Render(int16_t* out, uint32_t frames)
{
    if (!IsManual() || !out)
        return 0;
    std::lock_guard guard(m_mutex);
    MixLocked(out, frames);
    return frames;
}

void ZMixer::MixLocked(int16_t* out, uint32_t frames)
{
    while (frames > 0)
    {
        const uint32_t n = std::min(frames, kMixFrames);
        float* mix = m_mix.data();
        std::fill(mix, mix + n * kOutputChannels, 0.0f);
        for (auto& buffer : m_buffers)
        {
            if (buffer->m_playing)
                MixBuffer(*buffer, mix, n);
        }
        for (uint32_t i = 0; i < n * kOutputChannels; ++i)
            out[i] = Clip(mix[i]);
        out += n * kOutputChannels;
        frames -= n;
    }
}

void ZMixer::MixBuffer(ZMixerBuffer& b, float* mix, uint32_t frames)
{
    const uint8_t* data = b.m_samples.get();
    const uint64_t count = b.m_frames;
    const uint64_t end = count << 32;
    const uint32_t align = b.m_format.blockAlign;
    const bool stereo = b.m_format.channels == 2;
    const float gainLeft = b.m_gainLeft;
    const float gainRight = b.m_gainRight;
    const uint64_t step = b.m_step;
    uint64_t position = b.m_position;

    for (uint32_t i = 0; i < frames; ++i)
    {
        const uint64_t index = position >> 32;
        const uint32_t fraction = uint32_t(position);
        const uint8_t* p = data + index * align;
        float left = SampleAt(p);
        float right = stereo ? SampleAt(p + 2) : left;
        if (fraction != 0)
        {
            // Linear interpolation towards the next frame: the first one again when looping,
            // silence after the last one otherwise.
            float nextLeft = 0.0f;
            float nextRight = 0.0f;
            if (index + 1 < count || b.m_looping)
            {
                const uint8_t* q = data + (index + 1 < count ? index + 1 : 0) * align;
                nextLeft = SampleAt(q);
                nextRight = stereo ? SampleAt(q + 2) : nextLeft;
            }
            const float t = float(fraction) * (1.0f / 4294967296.0f);
            left += (nextLeft - left) * t;
            right += (nextRight - right) * t;
        }
        mix[2 * i] += left * gainLeft;
        mix[2 * i + 1] += right * gainRight;

        position += step;
        if (position >= end)
        {
            if (!b.m_looping)
            {
                b.m_playing = false;
                position = 0;
                break;
            }
            position %= end;
        }
    }
    b.m_position = position;
}

ZSoundResult ZMixer::GetCaps(ZSoundDeviceCaps* caps)
{
    if (!caps)
        return ZSoundResult::InvalidParam;
    std::lock_guard guard(m_mutex);
    caps->outputRate = kOutputRate;
    caps->outputChannels = kOutputChannels;
    caps->outputBits = 16;
    caps->minBufferRate = kSoundFrequencyMin;
    caps->maxBufferRate = kSoundFrequencyMax;
    caps->buffers = uint32_t(m_buffers.size());
    return ZSoundResult::Ok;
}

ZSoundResult ZMixer::CreateSoundBuffer(const ZSoundBufferDesc& desc, ISoundBuffer** buffer)
{
    if (!buffer)
        return ZSoundResult::InvalidParam;
    *buffer = nullptr;

    if (desc.flags & kSoundBufferPrimary)
    {
        if (desc.bytes != 0 ||
            (desc.flags & (kSoundBufferStatic | kSoundBufferCtrlFrequency | kSoundBufferCtrlPositionNotify)))
            return ZSoundResult::InvalidParam;
        const ZSoundFormat output = ZSoundFormat::Pcm16(kOutputChannels, kOutputRate);
        std::unique_ptr<ZMixerBuffer> primary(new (std::nothrow)
                                                  ZMixerBuffer(this, desc.flags, output, nullptr, 0));
        if (!primary)
            return ZSoundResult::OutOfMemory;
        return AddBuffer(std::move(primary), buffer);
    }

    const ZSoundResult format = CheckFormat(desc.format);
    if (!SoundSucceeded(format))
        return format;
    if (desc.bytes < desc.format.blockAlign || desc.bytes > kSoundBufferMaxBytes)
        return ZSoundResult::InvalidParam;

    // New buffers hold silence.
    std::shared_ptr<uint8_t[]> samples(new (std::nothrow) uint8_t[desc.bytes]());
    if (!samples)
        return ZSoundResult::OutOfMemory;
    std::unique_ptr<ZMixerBuffer> created(
        new (std::nothrow) ZMixerBuffer(this, desc.flags, desc.format, std::move(samples), desc.bytes));
    if (!created)
        return ZSoundResult::OutOfMemory;
    return AddBuffer(std::move(created), buffer);
}

ZSoundResult ZMixer::DuplicateSoundBuffer(ISoundBuffer* original, ISoundBuffer** duplicate)
{
    if (!duplicate)
        return ZSoundResult::InvalidParam;
    *duplicate = nullptr;

    std::unique_ptr<ZMixerBuffer> copy;
    {
        std::lock_guard guard(m_mutex);
        ZMixerBuffer* source = FindLocked(original);
        if (!source)
            return ZSoundResult::InvalidParam;
        if (source->IsPrimary())
            return ZSoundResult::InvalidCall;
        copy.reset(new (std::nothrow) ZMixerBuffer(this, source->m_flags, source->m_format, source->m_samples,
                                                   source->m_bytes));
        if (!copy)
            return ZSoundResult::OutOfMemory;
        copy->m_volume = source->m_volume;
        copy->m_pan = source->m_pan;
        copy->m_frequency = source->m_frequency;
        copy->ApplyGains();
        copy->ApplyStep();
    }
    return AddBuffer(std::move(copy), duplicate);
}

ZMixerBuffer* ZMixer::FindLocked(ISoundBuffer* buffer)
{
    if (!buffer)
        return nullptr;
    for (auto& b : m_buffers)
    {
        if (b.get() == buffer)
            return b.get();
    }
    return nullptr;
}

ZSoundResult ZMixer::AddBuffer(std::unique_ptr<ZMixerBuffer> buffer, ISoundBuffer** out)
{
    std::lock_guard guard(m_mutex);
    m_buffers.push_back(std::move(buffer));
    *out = m_buffers.back().get();
    return ZSoundResult::Ok;
}

void ZMixer::ReleaseBuffer(ZMixerBuffer* buffer)
{
    std::unique_ptr<ZMixerBuffer> released;
    {
        std::lock_guard guard(m_mutex);
        auto it =
            std::find_if(m_buffers.begin(), m_buffers.end(),
                         [buffer](const std::unique_ptr<ZMixerBuffer>& b) { return b.get() == buffer; });
        if (it == m_buffers.end())
            return;
        released = std::move(*it);
        m_buffers.erase(it);
    }
    // Freed outside the lock so the callback never waits for it.
}
