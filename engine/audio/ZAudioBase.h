#pragma once
// The device-independent part of the audio object: the sounds that hold voices, the play list
// being played, music fades, the volumes and mute (kept in settings), the music thread and the
// lock that guards the music state. The device layers derive from it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/audio/IAudio.h"
#include "engine/audio/ZPlayList.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZThread.h"
#include "engine/platform/ZCriticalSection.h"

class ZAudioBase;
class ZOggVorbisStream;

extern ZPropertyFloat g_audioVolumeMusic;
extern ZPropertyFloat g_audioVolumeSound;
extern ZPropertyFloat g_audioVolumeMaster;
extern ZPropertyBool g_audioMute;
extern ZPropertyBool g_audioNoMusic;

// The music thread: every 80 ms it lets the audio object refill its music ring.
class ZAudioThread : public ZThread
{
public:
    static constexpr uint32_t kPeriodMs = 80;

    explicit ZAudioThread(ZAudioBase* audio);
    ~ZAudioThread() override;

    // Steps taken since the thread was made.
    uint32_t GetStepCount() const { return m_steps.load(std::memory_order_acquire); }

protected:
    void Run() override;

private:
    ZAudioBase* m_audio;
    std::atomic<uint32_t> m_steps{0};
};

class ZAudioBase : public IAudio, public IPropertyListener
{
public:
    ZAudioBase();
    ~ZAudioBase() override;
    ZAudioBase(const ZAudioBase&) = delete;
    ZAudioBase& operator=(const ZAudioBase&) = delete;

    void AddSound(ZSoundResource* resource) override;
    void RemoveSound(ZSoundResource* resource) override;
    // Listens to the audio settings; applies mute.
    int Init() override;
    bool IsInitialised() const override { return m_initialised; }
    void PauseAll(bool pause) override;
    int LoadSoundData(ZSoundResource* resource) override;
    void ReloadSounds(int argument) override;

    void PlayMusic(const char* name) override;
    void PlayPlayList(ZPlayListData* list) override;
    ZPlayListData* GetPlayList() override { return &m_playList; }
    void FadeOutMusic(float seconds) override;
    void FadeInMusic(float seconds) override;
    bool IsMusicOn() const override { return m_musicOn; }

    float GetSoundVolume() const override;
    void SetSoundVolume(float volume) override;
    float GetMusicVolume() const override;
    void SetMusicVolume(float volume) override;
    void SetMasterVolume(float volume) override;

    bool HasPendingWork() const override { return HasPendingRequests(); }
    void IdleStep() override { ProcessOneRequest(); }

    // Layer operations.
    virtual int SetMusicSampleRate(int hz);
    virtual int SetMusicChannels(int channels);
    // Init again and reload every sound; 1 when Init fails.
    virtual int Restart();
    virtual int DecodeOgg(ZSoundResource* resource);
    virtual int LoadWav(ZSoundResource* resource);
    // The music thread's step.
    virtual void RefillMusicStream() {}
    // Opens the play list's next track; false only when the list has no track left.
    virtual bool NextTrack();
    virtual void OpenMusicTrack(const char* name);

    void OnPropertyChanged(ZProperty* property) override;

    // The fade step, with the frame's time step in seconds.
    void StepFades(float dt);
    // The music volume's fade factor, 0 to 1.
    static float GetFadeFactor();

    bool IsPaused() const { return m_paused; }
    ZAudioThread& GetMusicThread() { return m_thread; }
    ZOggVorbisStream* GetMusicStream() const { return m_stream.get(); }
    const std::vector<ZSoundResource*>& GetSounds() const { return m_sounds; }
    float GetFadeInRemaining() const { return m_fadeInRemaining; }
    float GetFadeOutRemaining() const { return m_fadeOutRemaining; }

protected:
    // Stops the music thread and waits for it; layers call it first in their destructor, since
    // the thread's step runs layer code.
    void StopMusicThread();

    // Flags read by both threads; changed under the audio lock where the music state moves.
    std::atomic<bool> m_initialised{false};
    std::atomic<bool> m_musicOn{false};
    std::unique_ptr<ZOggVorbisStream> m_stream;
    std::atomic<bool> m_paused{false};
    ZPlayListData m_playList;
    ZCriticalSection m_lock;
    ZAudioThread m_thread;
    std::vector<ZSoundResource*> m_sounds;
    float m_fadeInRemaining = -1.0f;
    float m_fadeOutRemaining = -1.0f;
    float m_fadeInDuration = 0.0f;
    float m_fadeOutDuration = 0.0f;
    bool m_listening = false;
};
