#pragma once
// The software mixer behind ISoundDevice: every playing buffer is resampled to 44100 Hz,
// scaled by its volume and pan, summed and clipped into 16-bit stereo, either in SDL's audio
// callback or on demand through Render (manual pump).
//
// Locking: one mutex guards the buffer table, the shared samples and every buffer's playing
// state; the audio callback holds it only while it mixes one period and never allocates.
// Staging memory for Lock is guarded by a per-buffer mutex, so that copying into the shared
// samples is the only write the mixer ever waits for.
#include "engine/platform/audio/ISoundDevice.h"

#include <array>
#include <mutex>
#include <string>
#include <vector>

class ZMixer;

class ZMixerBuffer final : public ISoundBuffer
{
public:
    ZMixerBuffer(ZMixer* mixer, uint32_t flags, const ZSoundFormat& format,
                 std::shared_ptr<uint8_t[]> samples, uint32_t bytes);
    ~ZMixerBuffer() = default;

    ZSoundResult SetFormat(const ZSoundFormat& format) override;
    ZSoundResult GetFormat(ZSoundFormat* format) override;
    ZSoundResult Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* bytes1, void** region2,
                      uint32_t* bytes2, uint32_t flags) override;
    ZSoundResult Unlock(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2) override;
    ZSoundResult Play(bool looping) override;
    ZSoundResult Stop() override;
    ZSoundResult GetStatus(uint32_t* status) override;
    ZSoundResult GetCurrentPosition(uint32_t* playCursor, uint32_t* writeCursor) override;
    ZSoundResult SetCurrentPosition(uint32_t bytes) override;
    ZSoundResult SetVolume(int32_t volume) override;
    ZSoundResult GetVolume(int32_t* volume) override;
    ZSoundResult SetPan(int32_t pan) override;
    ZSoundResult GetPan(int32_t* pan) override;
    ZSoundResult SetFrequency(uint32_t hz) override;
    ZSoundResult GetFrequency(uint32_t* hz) override;
    ZSoundResult Restore() override;
    void Release() override;

private:
    friend class ZMixer;

    bool IsPrimary() const;
    // Both with the mixer's mutex held.
    void ApplyGains();
    void ApplyStep();

    ZMixer* const m_mixer;
    const uint32_t m_flags;
    ZSoundFormat m_format;

    // Shared by a buffer and its duplicates; written only under the mixer's mutex.
    std::shared_ptr<uint8_t[]> m_samples;
    const uint32_t m_bytes;
    const uint32_t m_frames;

    // Playing state, under the mixer's mutex.
    bool m_playing = false;
    bool m_looping = false;
    uint64_t m_position = 0; // frames, 32.32 fixed point
    uint64_t m_step = 0;     // source frames per output frame, 32.32 fixed point
    int32_t m_volume = 0;
    int32_t m_pan = 0;
    uint32_t m_frequency = 0;
    float m_gainLeft = 1.0f;
    float m_gainRight = 1.0f;

    // Lock state, under m_lockMutex.
    std::mutex m_lockMutex;
    std::unique_ptr<uint8_t[]> m_staging;
    bool m_locked = false;
    uint32_t m_lockOffset = 0;
    uint32_t m_lockBytes1 = 0;
    uint32_t m_lockBytes2 = 0;
};

class ZMixer final : public ISoundDevice
{
public:
    static constexpr uint32_t kOutputRate = 44100;
    static constexpr uint16_t kOutputChannels = 2;
    // Frames mixed per pass; also the period asked of the SDL output.
    static constexpr uint32_t kMixFrames = 1024;

    explicit ZMixer(plat::SoundDeviceMode mode);
    ~ZMixer() override;

    // Starts the SDL output in output mode (nothing to do in manual mode). On failure
    // `error` says why and the mixer holds no output.
    ZSoundResult Open(std::string& error);

    ZSoundResult GetCaps(ZSoundDeviceCaps* caps) override;
    ZSoundResult CreateSoundBuffer(const ZSoundBufferDesc& desc, ISoundBuffer** buffer) override;
    ZSoundResult DuplicateSoundBuffer(ISoundBuffer* original, ISoundBuffer** duplicate) override;
    uint32_t Render(int16_t* out, uint32_t frames) override;
    bool IsManual() const override { return m_mode == plat::SoundDeviceMode::Manual; }
    void PauseOutput(bool paused) override;
    bool IsOutputPaused() const override;

private:
    friend class ZMixerBuffer;

    static void AudioCallback(void* self, uint8_t* stream, int bytes);
    // With m_mutex held.
    void MixLocked(int16_t* out, uint32_t frames);
    void MixBuffer(ZMixerBuffer& buffer, float* mix, uint32_t frames);
    ZMixerBuffer* FindLocked(ISoundBuffer* buffer);
    ZSoundResult AddBuffer(std::unique_ptr<ZMixerBuffer> buffer, ISoundBuffer** out);
    void ReleaseBuffer(ZMixerBuffer* buffer);

    const plat::SoundDeviceMode m_mode;
    uint32_t m_output = 0; // SDL audio device id, 0 when none
    bool m_audioStarted = false;
    bool m_outputPaused = false;

    std::mutex m_mutex;
    std::vector<std::unique_ptr<ZMixerBuffer>> m_buffers;
    std::array<float, kMixFrames * kOutputChannels> m_mix{};
};
