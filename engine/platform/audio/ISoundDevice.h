#pragma once
// The sound device beneath the audio module: a device that hands out PCM buffers, and the
// buffers themselves (static voice buffers, duplicates that share one buffer's samples, and
// looping streaming buffers refilled through Lock/Unlock). Volumes and pans are given in
// hundredths of a decibel, positions in bytes of the buffer's own format.
//
// Threads: every call may come from any thread (the main thread plays voices, the music
// thread refills its ring); the device serialises them against its mixer. A buffer pointer is
// valid until its Release or until the device is destroyed, whichever comes first.
#include <cstdint>
#include <memory>

enum class ZSoundResult : int
{
    Ok = 0,
    InvalidParam,       // an argument is out of range or does not match the buffer
    InvalidCall,        // the call is not allowed on this buffer or in this state
    ControlUnavailable, // the buffer was created without the control this call needs
    BadFormat,          // a sample format the device cannot take
    OutOfMemory,
    NoDevice,   // no audio output could be opened
    BufferLost, // kept for callers' lost-buffer paths; the mixer never loses a buffer
};

inline bool SoundSucceeded(ZSoundResult result)
{
    return result == ZSoundResult::Ok;
}
// A short English text for diagnostics ("ok", "invalid parameter", ...).
const char* SoundResultText(ZSoundResult result);

// Uncompressed PCM: only 16-bit signed little-endian samples, 1 or 2 interleaved channels.
struct ZSoundFormat
{
    uint16_t channels = 2;
    uint32_t sampleRate = 44100;
    uint32_t bytesPerSecond = 176400; // must equal blockAlign x sampleRate
    uint16_t blockAlign = 4;          // must equal channels x bitsPerSample / 8
    uint16_t bitsPerSample = 16;

    static ZSoundFormat Pcm16(uint16_t channels, uint32_t sampleRate)
    {
        ZSoundFormat f;
        f.channels = channels;
        f.sampleRate = sampleRate;
        f.blockAlign = uint16_t(channels * 2u);
        f.bytesPerSecond = f.blockAlign * sampleRate;
        f.bitsPerSample = 16;
        return f;
    }
    bool operator==(const ZSoundFormat&) const = default;
};

// Buffer creation flags.
enum : uint32_t
{
    kSoundBufferPrimary = 0x0001,            // the output itself: only its format can be set
    kSoundBufferStatic = 0x0002,             // written once, played many times (voice buffers)
    kSoundBufferCtrlFrequency = 0x0004,      // SetFrequency allowed
    kSoundBufferCtrlPan = 0x0008,            // SetPan allowed
    kSoundBufferCtrlVolume = 0x0010,         // SetVolume allowed
    kSoundBufferCtrlPositionNotify = 0x0020, // accepted; the device has no notifications, poll the cursor
    kSoundBufferGlobalFocus = 0x0040,        // accepted; every buffer plays whatever window has focus
};

// GetStatus bits.
enum : uint32_t
{
    kSoundStatusPlaying = 0x1,
    kSoundStatusBufferLost = 0x2, // never set by the mixer
    kSoundStatusLooping = 0x4,    // set only together with kSoundStatusPlaying
};

// Lock flags.
enum : uint32_t
{
    kSoundLockEntireBuffer = 0x1, // offset and byte count are ignored
};

// Volume and pan ranges, hundredths of a decibel.
constexpr int32_t kSoundVolumeMax = 0;
constexpr int32_t kSoundVolumeMin = -10000; // silence
constexpr int32_t kSoundPanLeft = -10000;   // right channel silent
constexpr int32_t kSoundPanCenter = 0;
constexpr int32_t kSoundPanRight = 10000; // left channel silent
// Frequency range of a buffer, Hz; SetFrequency(kSoundFrequencyOriginal) restores the buffer's own rate.
constexpr uint32_t kSoundFrequencyOriginal = 0;
constexpr uint32_t kSoundFrequencyMin = 100;
constexpr uint32_t kSoundFrequencyMax = 200000;
// Largest buffer in bytes.
constexpr uint32_t kSoundBufferMaxBytes = 0x0FFFFFFF;

struct ZSoundBufferDesc
{
    uint32_t flags = 0;
    uint32_t bytes = 0;  // 0 for the primary buffer
    ZSoundFormat format; // ignored for the primary buffer
};

struct ZSoundDeviceCaps
{
    uint32_t outputRate = 0; // what the mixer produces
    uint16_t outputChannels = 0;
    uint16_t outputBits = 0;
    uint32_t minBufferRate = 0; // range of buffer sample rates and frequencies
    uint32_t maxBufferRate = 0;
    uint32_t buffers = 0; // buffers alive now, primary ones included
};

class ISoundBuffer
{
public:
    // Primary buffer only: the format asked of the output. The mixer always produces 44100 Hz
    // 16-bit stereo, so that is the one format it accepts (BadFormat otherwise).
    virtual ZSoundResult SetFormat(const ZSoundFormat& format) = 0;
    virtual ZSoundResult GetFormat(ZSoundFormat* format) = 0;

    // Opens [offset, offset + bytes) for writing; a range that runs past the end wraps to the
    // start and comes back as a second region (second pointer null and size 0 otherwise). The
    // regions hold the buffer's current samples and reach the buffer, all at once, on Unlock,
    // so a buffer may be written while it plays. One lock at a time per buffer.
    virtual ZSoundResult Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* bytes1,
                              void** region2, uint32_t* bytes2, uint32_t flags) = 0;
    // Takes the regions of the last Lock back; the sizes say how much was written (at most
    // what Lock gave).
    virtual ZSoundResult Unlock(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2) = 0;

    // Plays from the current position; on an already playing buffer it only changes looping.
    // A buffer that is not looping stops at its end and its position returns to 0.
    virtual ZSoundResult Play(bool looping) = 0;
    // Stops and keeps the position, so Play resumes.
    virtual ZSoundResult Stop() = 0;
    virtual ZSoundResult GetStatus(uint32_t* status) = 0;
    // Play cursor: the byte of the next frame the mixer will take. The write cursor is the
    // same position (samples are taken at mixing time). Either pointer may be null.
    virtual ZSoundResult GetCurrentPosition(uint32_t* playCursor, uint32_t* writeCursor) = 0;
    // Rounded down to a whole frame; must lie inside the buffer.
    virtual ZSoundResult SetCurrentPosition(uint32_t bytes) = 0;

    // Attenuation in hundredths of a dB, kSoundVolumeMin..0: gain = 10^(volume / 2000),
    // exactly 0 at kSoundVolumeMin.
    virtual ZSoundResult SetVolume(int32_t volume) = 0;
    virtual ZSoundResult GetVolume(int32_t* volume) = 0;
    // kSoundPanLeft..kSoundPanRight: a positive pan attenuates the left channel by pan / 100 dB,
    // a negative one the right channel by -pan / 100 dB; the other channel keeps full gain.
    virtual ZSoundResult SetPan(int32_t pan) = 0;
    virtual ZSoundResult GetPan(int32_t* pan) = 0;
    // Playback rate in Hz (kSoundFrequencyMin..kSoundFrequencyMax, or kSoundFrequencyOriginal);
    // a rate other than the output's is resampled linearly.
    virtual ZSoundResult SetFrequency(uint32_t hz) = 0;
    virtual ZSoundResult GetFrequency(uint32_t* hz) = 0;

    // Nothing is ever lost here; succeeds.
    virtual ZSoundResult Restore() = 0;
    // Frees the buffer (stopping it). Duplicates keep the shared samples alive.
    virtual void Release() = 0;

protected:
    ~ISoundBuffer() = default;
};

class ISoundDevice
{
public:
    virtual ~ISoundDevice() = default; // closes the output and frees every buffer

    virtual ZSoundResult GetCaps(ZSoundDeviceCaps* caps) = 0;
    virtual ZSoundResult CreateSoundBuffer(const ZSoundBufferDesc& desc, ISoundBuffer** buffer) = 0;
    // A new buffer over the same samples, stopped at position 0, with the original's format,
    // flags, volume, pan and frequency, and from then on its own position and settings.
    virtual ZSoundResult DuplicateSoundBuffer(ISoundBuffer* original, ISoundBuffer** duplicate) = 0;

    // Manual pump only: mixes the next `frames` frames into `out` (44100 Hz, interleaved
    // stereo, 16-bit) and returns `frames`. A device driven by a real output returns 0 and
    // leaves `out` alone.
    virtual uint32_t Render(int16_t* out, uint32_t frames) = 0;
    virtual bool IsManual() const = 0;

    // Holds the output while the game is paused: the audio thread then stops asking for samples
    // and nothing is mixed. Buffers keep their state; resuming goes on where the output stopped.
    virtual void PauseOutput(bool paused) = 0;
    // Whether the output is held (for a real output, as the audio system itself reports it).
    virtual bool IsOutputPaused() const = 0;
};

namespace plat
{
enum class SoundDeviceMode
{
    Output, // SDL audio output, mixed in the audio callback
    Manual, // no output: the caller drives the mixer through Render
};

// What CreateSoundDevice(out) opens; Output until a test asks for Manual.
void SetSoundDeviceMode(SoundDeviceMode mode);
SoundDeviceMode GetSoundDeviceMode();

// Opens the default output (or a manual mixer). On failure `out` stays empty, the result is
// NoDevice (or OutOfMemory) and SoundDeviceError() says why; the engine then falls back to
// its silent audio module.
ZSoundResult CreateSoundDevice(std::unique_ptr<ISoundDevice>& out);
ZSoundResult CreateSoundDevice(SoundDeviceMode mode, std::unique_ptr<ISoundDevice>& out);
// Why the calling thread's last CreateSoundDevice failed; empty after a success.
const char* SoundDeviceError();

// The laws the mixer uses, for callers that want to show or test them.
float SoundVolumeToGain(int32_t volume);
void SoundPanToGains(int32_t pan, float* left, float* right);
} // namespace plat
