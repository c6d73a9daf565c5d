#pragma once
// Sound effects. A ZSoundResource is the decoded data of one sound file (16-bit PCM, rate,
// channels) and the voice slot the device layer gives it; a ZSound is one playable use of such a
// resource with its own voice, looping flag, volume, frequency factor and pan.
#include <cstdint>
#include <string>

#include "engine/audio/IAudio.h"
#include "engine/core/ZEntity.h"

class IFile;

class ZSoundResource : public ZEntity
{
    QV_TYPE_RECORD(ZSoundResource, &ZEntity::kTypeRecord)

public:
    // Resource flag bits used by the audio layers.
    enum : uint16_t
    {
        kLoaded = 0x1,
        kNeverUnload = 0x40,
        kQueued = 0x80,
        kHasVoice = 0x800,
    };

    explicit ZSoundResource(const char* name);
    ~ZSoundResource() override;
    ZSoundResource(const ZSoundResource&) = delete;
    ZSoundResource& operator=(const ZSoundResource&) = delete;

    // A new resource for the file name.
    static ZSoundResource* Get(const char* name);

    // The resource name: the file name as given.
    const char* GetName() const override { return m_name.c_str(); }

    // Resource operations: decoding through the audio object, giving the voice back, and the
    // upload into a voice once decoded. Each fails (1) without an audio object.
    int LoadData();
    int UnloadData();
    int PostLoad(bool now);
    // Loads at once: decode, then upload.
    int Load();

    // The file stream: opened unless open (0 on success); closed and deleted (0 when none was
    // open).
    int OpenSource();
    int CloseSource();
    IFile* GetSourceFile() const { return m_file; }
    // Bytes of the file, opening it for the query when needed; -1 when it cannot be opened.
    int32_t GetFileSize();

    uint16_t GetFlags() const { return m_flags; }
    void SetFlags(uint16_t flags) { m_flags = flags; }
    bool HasFlags(uint16_t flags) const { return (m_flags & flags) != 0; }

    int32_t GetVoiceIndex() const { return m_voiceIndex; }
    void SetVoiceIndex(int32_t index) { m_voiceIndex = index; }
    uint32_t GetSampleRate() const { return m_sampleRate; }
    uint8_t GetChannels() const { return m_channels; }
    uint8_t GetBitsPerSample() const { return m_bitsPerSample; }
    void SetBitsPerSample(uint8_t bits) { m_bitsPerSample = bits; }
    int32_t GetDataSize() const { return m_dataSize; }
    const uint8_t* GetData() const { return m_data; }
    // Takes ownership of `data` (allocated with new[]), replacing any held data.
    void SetData(uint8_t* data, int32_t size, uint32_t sampleRate, uint8_t channels);
    // Frees the decoded data once the device layer has copied it.
    void FreeData();

private:
    std::string m_name;
    IFile* m_file = nullptr;
    uint16_t m_flags = 0x700;
    int32_t m_voiceIndex = -1;
    uint32_t m_sampleRate = 0xFFFFFFFFu;
    uint8_t m_channels = 255;
    uint8_t m_bitsPerSample = 0;
    int32_t m_dataSize = -1;
    uint8_t* m_data = nullptr;
    int32_t m_fileSize = -1;
    bool m_fileSizeKnown = false;
};

class ZSound : public ZEntity
{
    QV_TYPE_RECORD(ZSound, &ZEntity::kTypeRecord)

public:
    explicit ZSound(ZSoundResource* resource = nullptr);
    ~ZSound() override;
    ZSound(const ZSound&) = delete;
    ZSound& operator=(const ZSound&) = delete;

    // The resource name, or "Sound" without a resource.
    const char* GetName() const override;

    // Plays on the sound's voice; false without an audio object.
    bool Play();
    // Clears the follow-up sound, then stops the voice.
    void Stop();
    bool IsPlaying();
    void SetVolume(float volume);
    // Clamped to [-1, 1].
    void SetPan(float pan);
    // Used at the next Play.
    void SetLooping(bool loop);
    void SetFrequency(float factor);

    int32_t GetDataSize() const;

    SVoiceHandle* GetVoiceHandle() const { return m_handle; }
    ZSoundResource* GetResource() const { return m_resource; }
    void SetResource(ZSoundResource* resource) { m_resource = resource; }
    bool IsLooping() const { return m_looping; }
    bool GetRestart() const { return m_restart; }
    void SetRestart(bool restart) { m_restart = restart; }
    float GetFrequency() const { return m_frequency; }
    float GetPan() const { return m_pan; }
    // The device volume: the product of the two volume factors.
    float GetVolume() const { return m_volumeBase * m_volume; }
    ZSound* GetFollowUp() const { return m_followUp; }
    void SetFollowUp(ZSound* sound) { m_followUp = sound; }

private:
    SVoiceHandle* m_handle;
    uint32_t m_word = 1;
    ZSoundResource* m_resource = nullptr;
    bool m_looping = false;
    bool m_restart = true;
    float m_frequency = 1.0f;
    float m_pan = 0.0f;
    float m_volumeBase = 1.0f;
    float m_volume = 1.0f;
    ZSound* m_followUp = nullptr;
};
