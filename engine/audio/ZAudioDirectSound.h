#pragma once
// The audio layer on the sound device: each sound is uploaded once into a static buffer held in
// one of 256 voice slots (an Ogg file when it first plays, decoded from the compressed bytes its
// resource keeps), every play runs on a duplicate of that buffer, and music
// streams through one looping ring that the music thread refills segment by segment.
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "engine/audio/ZAudioBase.h"
#include "engine/core/ZSpinLock.h"
#include "engine/platform/audio/ISoundDevice.h"

class ZAudioDirectSound : public ZAudioBase
{
public:
    static constexpr uint32_t kVoiceSlots = 256;
    static constexpr uint32_t kMusicBufferBytes = 529200;
    static constexpr uint32_t kMusicSegmentBytes = 176400;
    // Voice buffers: global focus, volume, pan and frequency control, static.
    static constexpr uint32_t kVoiceBufferFlags = kSoundBufferGlobalFocus | kSoundBufferCtrlVolume |
                                                  kSoundBufferCtrlPan | kSoundBufferCtrlFrequency |
                                                  kSoundBufferStatic;
    static constexpr uint32_t kMusicBufferFlags = kSoundBufferGlobalFocus | kSoundBufferCtrlVolume |
                                                  kSoundBufferCtrlPan | kSoundBufferCtrlFrequency |
                                                  kSoundBufferCtrlPositionNotify;

    ZAudioDirectSound();
    ~ZAudioDirectSound() override;

    int Init() override;
    void Update() override;
    void PauseAll(bool pause) override;
    void RemoveSound(ZSoundResource* resource) override;
    int ReleaseVoice(ZSoundResource* resource) override;
    ZSound* PlaySoundResource(ZSoundResource* resource, bool loop) override;
    int QueueRequest(ZSoundResource* resource, bool now) override;
    bool HasPendingRequests() const override;
    void ProcessOneRequest() override;

    void StartMusic() override;
    void StopMusic() override;
    void PauseMusic(bool pause) override;
    void RestartMusic() override;
    void SetMusicVolume(float volume) override;
    void SetSoundVolume(float volume) override;

    bool PlaySound(SVoiceHandle* handle, bool loop) override;
    void StopVoice(SVoiceHandle* handle) override;
    bool RestartVoice(SVoiceHandle* handle) override;
    void DropVoice(SVoiceHandle* handle) override;
    bool IsVoicePlaying(SVoiceHandle* handle) override;
    bool IsVoiceLooping(SVoiceHandle* handle) override;
    bool SetVoiceLooping(SVoiceHandle* handle, bool loop) override;
    bool SetVoiceVolume(SVoiceHandle* handle, float volume) override;
    float GetVoiceVolume(SVoiceHandle* handle) override;
    float GetVoicePosition(SVoiceHandle* handle) override;
    bool SetVoiceFrequency(SVoiceHandle* handle, float factor) override;
    float GetVoiceFrequency(SVoiceHandle* handle) override;
    bool SetVoicePan(SVoiceHandle* handle, float pan) override;
    float GetVoicePan(SVoiceHandle* handle) override;

    int SetMusicSampleRate(int hz) override;
    int SetMusicChannels(int channels) override;
    int DecodeOgg(ZSoundResource* resource) override;
    int LoadWav(ZSoundResource* resource) override;
    void RefillMusicStream() override;

    // The device volume (hundredths of a dB) for a linear volume: full volume 0, anything above
    // silence at most 30 dB down, silence -10000.
    static int32_t VolumeToDevice(float volume);
    // The device pan for -1..1: sign x (p / 2)^2 x 10000.
    static int32_t PanToDevice(float pan);
    static float DeviceToPan(int32_t pan);

    // Uploads queued sounds until `budget` seconds have passed (at least one when any is queued);
    // returns the number uploaded.
    int DrainRequests(double budget);

    ISoundDevice* GetDevice() const { return m_device.get(); }
    ISoundBuffer* GetVoiceSlot(uint32_t slot) const { return slot < kVoiceSlots ? m_voices[slot] : nullptr; }
    uint32_t GetVoicesInUse() const { return m_voicesUsed; }
    size_t GetPlayingCount() const { return m_playing.size(); }
    ISoundBuffer* GetMusicBuffer() const { return m_musicBuffer; }
    int GetMusicChannels() const { return m_musicChannels; }
    int GetMusicSampleRate() const { return m_musicRate; }

private:
    struct SPlaying
    {
        ISoundBuffer* buffer = nullptr; // a duplicate of the voice slot's buffer
        SVoiceHandle* handle = nullptr;
        bool stoppedOnRequest = false;
        bool resumeOnUnpause = false;
    };

    // Uploads one resource's decoded data into a voice; 0 on success, and 0 without a voice for
    // compressed data, which waits for the first play.
    int Upload(ZSoundResource* resource);
    // Decodes a resource's compressed data into its samples (once: the compressed data goes
    // either way); 1 with a message on the error output when nothing could be decoded.
    int DecodeEncoded(ZSoundResource* resource);
    SPlaying* FindPlaying(SVoiceHandle* handle);
    // The handle's playing buffer, when its sound's resource holds data or a voice.
    ISoundBuffer* VoiceBuffer(SVoiceHandle* handle) const;
    // A failed buffer call: restores a lost buffer, or restarts the device when even its status
    // cannot be read.
    void OnBufferFailure(ISoundBuffer* buffer, ZSoundResult result);
    int CreateMusicBuffer();
    void ApplyMusicVolume();
    // With the audio lock held.
    void FillMusicSegment();
    // With the audio lock held: the ring from its start (three segments), playing unless paused.
    void PrefillAndPlayMusic();
    // With the audio lock held: gives the ring the pending format and plays on from the track
    // that asked for it.
    void SwitchMusicFormat();
    void ReleaseDevice();

    std::unique_ptr<ISoundDevice> m_device;
    ZSoundDeviceCaps m_caps{};
    int m_musicChannels = 2;
    int m_musicRate = 44100;
    ISoundBuffer* m_voices[kVoiceSlots] = {};
    uint32_t m_freeVoices[kVoiceSlots] = {};
    uint32_t m_voicesUsed = 0;
    std::vector<SPlaying> m_playing;
    ISoundBuffer* m_musicBuffer = nullptr;
    uint32_t m_musicWrite = 0;
    uint32_t m_musicBoundary = 0;
    uint32_t m_musicLastCursor = 0;
    // Once the play list has no track left: silence follows the last data, and the ring stops
    // when the play cursor reaches the end of that data.
    bool m_musicDraining = false;
    uint32_t m_musicEnd = 0;
    // A track of another format (rate or channels) opened while the ring still holds the
    // previous one: the ring plays out first, then it takes the new format and starts again.
    // All under the audio lock.
    bool m_musicFilling = false;
    bool m_musicFormatPending = false;
    int m_pendingRate = 0;
    int m_pendingChannels = 0;
    // The ring's device volume as last applied, for a ring made again on the music thread.
    int32_t m_musicDeviceVolume = 0;
    std::unique_ptr<uint8_t[]> m_staging;
    std::deque<ZSoundResource*> m_requests;
    mutable ZSpinLock m_requestLock;
    mutable uint32_t m_failedTries = 0;
};
