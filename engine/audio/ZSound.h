#pragma once
// Sound effects. A ZSoundResource is the data of one sound file and the voice slot the device
// layer gives it: a WAV file's 16-bit PCM, or an Ogg file's compressed bytes with the format its
// header gives (decoded into a voice when the sound first plays); a ZSound is one playable use of such a
// resource with its own voice, looping flag, volume, frequency factor and pan. Scenes declare
// sounds as "sound" elements; the game finds them by name.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/audio/IAudio.h"
#include "engine/resource/ZResource.h"
#include "engine/resource/ZResourcePath.h"

class ISaveVisitor;

class ZSoundResource : public ZResourceType<ZSoundResource>
{
    QV_TYPE_RECORD(ZSoundResource, &ZResource::kTypeRecord)

public:
    // kResourceDataReady means the sound holds a voice.
    static constexpr uint16_t kHasVoice = kResourceDataReady;

    // Named after its file ("audio:pop.ogg"); decoded on the loader thread, uploaded on the main
    // thread.
    explicit ZSoundResource(const char* name);
    ~ZSoundResource() override;

    // A new resource for the file name.
    static ZSoundResource* Get(const char* name);

    // Decoding through the audio object (loader thread); giving the voice back; the upload into
    // a voice once decoded. Each fails (1) without an audio object.
    int LoadData() override;
    int LoadSync() override { return 0; }
    int UnloadData() override;
    int PostLoad(bool now) override;
    int64_t GetMemorySize() const override { return (m_data ? m_dataSize : 0) + int64_t(m_encoded.size()); }
    int GetCost() override;

    // The file: opened unless open; closed (0 when none was open).
    int OpenSource() override;
    int CloseSource() override;
    IFile* GetSourceFile() override { return m_path.GetFile(); }
    // Bytes of the file, opening it for the query when needed; -1 when it cannot be opened.
    int32_t GetFileSize();
    const ZResourcePath& GetPath() const { return m_path; }

    bool HasFlags(uint16_t mask) const { return TestFlags(mask); }
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

    // The compressed file kept for a decode on first play, with the format and decoded size its
    // header announces (GetDataSize() reports that size until the decode).
    void SetEncoded(std::vector<uint8_t> bytes, int32_t pcmSize, uint32_t sampleRate, uint8_t channels);
    const std::vector<uint8_t>& GetEncoded() const { return m_encoded; }
    bool HasEncoded() const { return !m_encoded.empty(); }
    void FreeEncoded();

private:
    ZResourcePath m_path;
    int32_t m_voiceIndex = -1;
    uint32_t m_sampleRate = 0xFFFFFFFFu;
    uint8_t m_channels = 255;
    uint8_t m_bitsPerSample = 0;
    int32_t m_dataSize = -1;
    uint8_t* m_data = nullptr;
    std::vector<uint8_t> m_encoded;
    int32_t m_fileSize = -1;
    bool m_fileSizeKnown = false;
};

class ZSound : public ZMetaResourceType<ZSound>
{
    QV_TYPE_RECORD(ZSound, &ZResource::kTypeRecord)

public:
    explicit ZSound(ZSoundResource* resource = nullptr);
    ~ZSound() override;

    // A new sound for the resource with one reference taken; in the resource manager's immediate
    // mode the resource is loaded at once (its upload
    // into a voice follows in the frame step).
    static ZSound* Create(ZSoundResource* resource);
    // A new sound of "audio:inventory_equip.ogg", whose resource is found by name or made.
    static ZSound* CreateEquipSound();

    // Its name, or "Sound" when it has none.
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

    // Resource operations: a sound holds nothing of its own to load.
    int LoadSync() override { return 0; }
    int UnloadData() override { return 0; }
    int64_t GetMemorySize() const override { return 0; }

    // Scene attributes: "name", "path", "looping", "gain", "pan".
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor) { (void)visitor; }
    void OnLoaded() {}

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
