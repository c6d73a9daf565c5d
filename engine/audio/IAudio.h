#pragma once
// The one audio object as the rest of the program sees it: volumes and mute, sound effects on
// device voices, and play-list music. The engine creates it through its module factory, drives
// it each frame, and falls back to the silent layer when the chosen one fails to start.
//
// Every operation has a silent default, so an object that only serves the engine's frame (a
// test double, the null layer) overrides what it needs.
#include <cstdint>

class ISoundBuffer;
class ZSound;
class ZSoundResource;
class ZPlayListData;

// What a playable sound owns to reach its voice: the device's playing buffer (null while the
// sound has none), the sound that owns the record, and a word the device layer clears when the
// voice ends.
struct SVoiceHandle
{
    ISoundBuffer* buffer = nullptr;
    ZSound* owner = nullptr;
    uint32_t word = 0;
};

class IAudio
{
public:
    // The sound resources that hold a voice.
    virtual void AddSound(ZSoundResource* resource) { (void)resource; }
    virtual void RemoveSound(ZSoundResource* resource) { (void)resource; }
    virtual ~IAudio() = default;
    // 0 on success; on failure the engine deletes the object and falls back to silent audio.
    virtual int Init() = 0;
    // The per-frame step, after the game update and before drawing.
    virtual void Update() = 0;
    virtual bool IsInitialised() const { return false; }
    virtual void PauseAll(bool pause) = 0;

    // Decodes the resource's file (".ogg" or ".wav") into PCM; 0 on success.
    virtual int LoadSoundData(ZSoundResource* resource)
    {
        (void)resource;
        return 1;
    }
    // Gives the resource's voice slot back; 0.
    virtual int ReleaseVoice(ZSoundResource* resource)
    {
        (void)resource;
        return 0;
    }
    // Unloads and loads again every sound that holds a voice (after a device restart).
    virtual void ReloadSounds(int argument) { (void)argument; }
    // A new sound for the resource, playing; null when nothing can play.
    virtual ZSound* PlaySoundResource(ZSoundResource* resource, bool loop)
    {
        (void)resource;
        (void)loop;
        return nullptr;
    }
    // Copies the resource's decoded data into a voice now, or queues that for the frame step;
    // 0 when done or queued.
    virtual int QueueRequest(ZSoundResource* resource, bool now)
    {
        (void)resource;
        (void)now;
        return 1;
    }
    virtual bool HasPendingRequests() const { return false; }

    // Music.
    virtual void PlayMusic(const char* name) { (void)name; }
    virtual void PlayPlayList(ZPlayListData* list) { (void)list; }
    virtual ZPlayListData* GetPlayList() { return nullptr; }
    virtual void StartMusic() {}
    virtual void StopMusic() {}
    virtual void FadeOutMusic(float seconds) { (void)seconds; }
    virtual void FadeInMusic(float seconds) { (void)seconds; }
    virtual void PauseMusic(bool pause) { (void)pause; }
    virtual bool IsMusicOn() const { return false; }
    virtual void RestartMusic() {}

    // Volumes, 0 to 1, kept in the settings "engine.audio.volume.*".
    virtual float GetSoundVolume() const { return 0.0f; }
    virtual void SetSoundVolume(float volume) { (void)volume; }
    virtual float GetMusicVolume() const { return 0.0f; }
    virtual void SetMusicVolume(float volume) { (void)volume; }
    virtual void SetMasterVolume(float volume) { (void)volume; }

    // Voices. Each takes the sound's voice handle and does nothing (false or 0) when the handle
    // has no playing buffer. PlaySound answers true only when a device call failed.
    virtual bool PlaySound(SVoiceHandle* handle, bool loop)
    {
        (void)handle;
        (void)loop;
        return false;
    }
    virtual void StopVoice(SVoiceHandle* handle) { (void)handle; }
    virtual bool RestartVoice(SVoiceHandle* handle)
    {
        (void)handle;
        return false;
    }
    // The sound that owns the handle is going: its voice stops and the device forgets it.
    virtual void DropVoice(SVoiceHandle* handle) { (void)handle; }
    virtual bool IsVoicePlaying(SVoiceHandle* handle)
    {
        (void)handle;
        return false;
    }
    virtual bool IsVoiceLooping(SVoiceHandle* handle)
    {
        (void)handle;
        return false;
    }
    // The looping flag takes effect at the next PlaySound; a playing voice is left alone.
    virtual bool SetVoiceLooping(SVoiceHandle* handle, bool loop)
    {
        (void)handle;
        (void)loop;
        return false;
    }
    virtual bool SetVoiceVolume(SVoiceHandle* handle, float volume)
    {
        (void)handle;
        (void)volume;
        return false;
    }
    virtual float GetVoiceVolume(SVoiceHandle* handle)
    {
        (void)handle;
        return 0.0f;
    }
    // Play position as a fraction of the sound, 0 to 1; -1 when it cannot be read.
    virtual float GetVoicePosition(SVoiceHandle* handle)
    {
        (void)handle;
        return 0.0f;
    }
    virtual bool SetVoiceFrequency(SVoiceHandle* handle, float factor)
    {
        (void)handle;
        (void)factor;
        return false;
    }
    virtual float GetVoiceFrequency(SVoiceHandle* handle)
    {
        (void)handle;
        return 0.0f;
    }
    // -1 left to +1 right.
    virtual bool SetVoicePan(SVoiceHandle* handle, float pan)
    {
        (void)handle;
        (void)pan;
        return false;
    }
    virtual float GetVoicePan(SVoiceHandle* handle)
    {
        (void)handle;
        return 0.0f;
    }
    // Uploads exactly one queued sound, if any.
    virtual void ProcessOneRequest() {}

    // The engine's names for the request queue: its loading test and the step it runs when the
    // frame-rate limit skips a frame.
    virtual bool HasPendingWork() const = 0;
    virtual void IdleStep() = 0;
};

// The live audio object, set by its constructor and cleared by its destructor; test it for null
// before each use.
extern IAudio* g_audio;
