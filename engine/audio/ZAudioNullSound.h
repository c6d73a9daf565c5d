#pragma once
// The silent audio layer the engine falls back to when no sound device can be opened. It never
// becomes initialised, so every device operation is skipped; sounds count as loaded without data.
#include "engine/audio/ZAudioBase.h"

class ZAudioNullSound : public ZAudioBase
{
public:
    ZAudioNullSound() = default;
    ~ZAudioNullSound() override;

    void Update() override {}
    int ReleaseVoice(ZSoundResource*) override { return 0; }
    ZSound* PlaySoundResource(ZSoundResource*, bool) override { return nullptr; }
    int QueueRequest(ZSoundResource*, bool) override { return 1; }
    bool HasPendingRequests() const override { return false; }
    void StartMusic() override {}
    void StopMusic() override {}
    void PauseMusic(bool) override {}
    void RestartMusic() override {}
    void ProcessOneRequest() override {}
    int SetMusicSampleRate(int) override { return 1; }
    int SetMusicChannels(int) override { return 1; }
    int DecodeOgg(ZSoundResource*) override { return 0; }
    int LoadWav(ZSoundResource*) override { return 0; }
    void RefillMusicStream() override {}
};
