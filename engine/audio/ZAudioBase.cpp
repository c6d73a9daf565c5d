#include "engine/audio/ZAudioBase.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

#include "engine/audio/ZOggVorbisStream.h"
#include "engine/audio/ZSound.h"
#include "engine/resource/ZResourcePath.h"

IAudio* g_audio = nullptr;

namespace
{
constexpr uint32_t kNone = ZProperty::kNoGroup;
constexpr uint32_t kSaved = ZProperty::kSaved;

// The music volume is multiplied by it; fades move it.
float s_fadeFactor = 1.0f;

// Mutes a setting's notification for one scope.
class MuteNotification
{
public:
    explicit MuteNotification(ZProperty& property) : m_property(property), m_was(property.IsMuted())
    {
        m_property.SetMuted(true);
    }
    ~MuteNotification() { m_property.SetMuted(m_was); }

private:
    ZProperty& m_property;
    bool m_was;
};
} // namespace

ZPropertyFloat g_audioVolumeMusic("engine.audio.volume.music", "Music Volume", "The main music volume",
                                  kSaved, kNone, 0.8f, 1.0f, 0.0f);
ZPropertyFloat g_audioVolumeSound("engine.audio.volume.sound", "Sound Volume", "The main sound volume",
                                  kSaved, kNone, 1.0f, 1.0f, 0.0f);
ZPropertyFloat g_audioVolumeMaster("engine.audio.volume.master", "Master Volume", "The master volume", kSaved,
                                   kNone, 1.0f, 1.0f, 0.0f);
ZPropertyBool g_audioMute("engine.audio.mute", "Mute sound", "Mute sound", kSaved, kNone, false);
ZPropertyBool g_audioNoMusic("engine.audio.nomusic", "Disable music", "Whether to disable music playing",
                             kSaved, kNone, false);

// ---------------------------------------------------------------------------------------------

ZAudioThread::ZAudioThread(ZAudioBase* audio) : ZThread("music_thread"), m_audio(audio)
{
    SetPeriod(kPeriodMs);
}

ZAudioThread::~ZAudioThread()
{
    // Run must not be called once this part of the object is gone.
    Stop();
}

void ZAudioThread::Run()
{
    if (m_audio && m_audio->IsInitialised())
        m_audio->RefillMusicStream();
    m_steps.fetch_add(1, std::memory_order_acq_rel);
}

// ---------------------------------------------------------------------------------------------

ZAudioBase::ZAudioBase() : m_thread(this)
{
    g_audio = this;
}

ZAudioBase::~ZAudioBase()
{
    {
        ZCriticalSectionGuard guard(m_lock);
        m_paused = true;
    }
    StopMusicThread();
    {
        ZCriticalSectionGuard guard(m_lock);
        m_stream.reset();
    }
    if (m_listening)
    {
        g_audioMute.RemoveListener(this);
        g_audioVolumeMaster.RemoveListener(this);
        g_audioVolumeMusic.RemoveListener(this);
        g_audioVolumeSound.RemoveListener(this);
    }
    if (g_audio == this)
        g_audio = nullptr;
}

void ZAudioBase::StopMusicThread()
{
    // Cooperative: the thread ends after its current step and is joined; never killed, since
    // it may hold the audio lock or sit inside the decoder.
    m_thread.Stop();
}

void ZAudioBase::AddSound(ZSoundResource* resource)
{
    if (resource && std::find(m_sounds.begin(), m_sounds.end(), resource) == m_sounds.end())
        m_sounds.push_back(resource);
}

void ZAudioBase::RemoveSound(ZSoundResource* resource)
{
    auto it = std::find(m_sounds.begin(), m_sounds.end(), resource);
    if (it != m_sounds.end())
        m_sounds.erase(it);
}

int ZAudioBase::Init()
{
    if (!m_listening)
    {
        g_audioMute.AddListener(this);
        g_audioVolumeMaster.AddListener(this);
        g_audioVolumeMusic.AddListener(this);
        g_audioVolumeSound.AddListener(this);
        m_listening = true;
    }
    if (g_audioMute.GetValue())
        g_audioVolumeMaster.SetValue(0.0f);
    return 0;
}

void ZAudioBase::PauseAll(bool pause)
{
    ZCriticalSectionGuard guard(m_lock);
    m_paused = pause;
}

int ZAudioBase::LoadSoundData(ZSoundResource* resource)
{
    if (!resource)
        return 1;
    const char* name = resource->GetName();
    const char* dot = std::strrchr(name, '.');
    const char* extension = dot ? dot : name;
    if (strcasecmp(extension, ".ogg") == 0)
        return DecodeOgg(resource);
    if (strcasecmp(extension, ".wav") == 0)
        return LoadWav(resource);
    return 1;
}

void ZAudioBase::ReloadSounds(int argument)
{
    // Uploading adds the sound to the array again, so walk a copy.
    const std::vector<ZSoundResource*> sounds = m_sounds;
    for (ZSoundResource* sound : sounds)
    {
        const uint16_t flags = sound->GetFlags();
        if ((flags & kResourceLoaded) && !(flags & (kResourceKeep | kResourceQueued)))
        {
            if (sound->UnloadData() == 0)
                sound->ClearFlags(kResourceLoaded | ZSoundResource::kHasVoice);
        }
        sound->Load(argument != 0);
    }
}

void ZAudioBase::PlayMusic(const char* name)
{
    ZPlayListData list;
    list.AddTrack(name, ZPlayListTrack::kStays);
    PlayPlayList(&list);
}

void ZAudioBase::PlayPlayList(ZPlayListData* list)
{
    if (g_audioNoMusic.GetValue())
        return;
    m_fadeInRemaining = -1.0f;
    m_fadeOutRemaining = -1.0f;
    // A cancelled fade must not leave the new music at the level it had reached.
    s_fadeFactor = 1.0f;
    StopMusic();
    if (list && list != &m_playList)
    {
        ZCriticalSectionGuard guard(m_lock);
        m_playList.CopyTracksFrom(*list);
    }
    StartMusic();
    if (!m_thread.IsRunning())
        m_thread.Start();
}

void ZAudioBase::OpenMusicTrack(const char* name)
{
    if (!name || !*name)
        return;
    const std::string resolved = ZResourcePath(name).GetResolvedPath();
    {
        ZCriticalSectionGuard guard(m_lock);
        if (m_stream && strcasecmp(m_stream->GetFileName().c_str(), resolved.c_str()) == 0)
        {
            m_stream->Open();
            return;
        }
    }
    uint32_t rate = 0;
    uint32_t channels = 0;
    {
        ZCriticalSectionGuard guard(m_lock);
        m_stream.reset();
        m_stream = std::make_unique<ZOggVorbisStream>(name);
        rate = m_stream->GetSampleRate();
        channels = m_stream->GetChannels();
    }
    // A stream without a format keeps the ring as it is.
    if (rate != 0)
        SetMusicSampleRate(int(rate));
    if (channels != 0)
        SetMusicChannels(int(channels));
}

bool ZAudioBase::NextTrack()
{
    const char* name = m_playList.NextTrack();
    if (!name || !*name)
        return false;
    // A track that cannot be opened reads as empty, and the caller goes on to the next one.
    OpenMusicTrack(name);
    return true;
}

void ZAudioBase::FadeInMusic(float seconds)
{
    m_fadeInRemaining = seconds;
    m_fadeInDuration = seconds;
    float level = 0.0f;
    if (m_fadeOutRemaining >= 0.0f)
    {
        // Continue from the level the fade-out reached, at once and without a dip.
        level =
            m_fadeOutDuration > 0.0f ? std::clamp(m_fadeOutRemaining / m_fadeOutDuration, 0.0f, 1.0f) : 0.0f;
        m_fadeOutRemaining = -1.0f;
        m_fadeInRemaining = seconds - level * seconds;
    }
    s_fadeFactor = level;
    SetMusicVolume(GetMusicVolume());
    StartMusic();
}

void ZAudioBase::FadeOutMusic(float seconds)
{
    m_fadeOutRemaining = seconds;
    m_fadeOutDuration = seconds;
    if (m_fadeInRemaining >= 0.0f)
    {
        const float ratio = m_fadeInDuration > 0.0f ? m_fadeInRemaining / m_fadeInDuration : 0.0f;
        m_fadeInRemaining = -1.0f;
        m_fadeOutRemaining = seconds - seconds * ratio;
    }
}

void ZAudioBase::StepFades(float dt)
{
    if (m_fadeInRemaining >= 0.0f)
    {
        m_fadeInRemaining -= dt;
        if (m_fadeInRemaining < 0.0f)
        {
            m_fadeInRemaining = -1.0f;
            s_fadeFactor = 1.0f;
        }
        else
            s_fadeFactor = m_fadeInDuration > 0.0f
                               ? std::clamp(1.0f - m_fadeInRemaining / m_fadeInDuration, 0.0f, 1.0f)
                               : 1.0f;
        SetMusicVolume(GetMusicVolume());
    }
    if (m_fadeOutRemaining >= 0.0f)
    {
        m_fadeOutRemaining -= dt;
        if (m_fadeOutRemaining < 0.0f)
        {
            StopMusic();
            m_fadeOutRemaining = -1.0f;
            s_fadeFactor = 1.0f;
        }
        else
            s_fadeFactor = m_fadeOutDuration > 0.0f
                               ? std::clamp(m_fadeOutRemaining / m_fadeOutDuration, 0.0f, 1.0f)
                               : 0.0f;
        SetMusicVolume(GetMusicVolume());
    }
}

float ZAudioBase::GetFadeFactor()
{
    return s_fadeFactor;
}

float ZAudioBase::GetSoundVolume() const
{
    return g_audioVolumeSound.GetValue();
}

void ZAudioBase::SetSoundVolume(float volume)
{
    g_audioVolumeSound.SetValue(volume);
}

float ZAudioBase::GetMusicVolume() const
{
    return g_audioVolumeMusic.GetValue();
}

void ZAudioBase::SetMusicVolume(float volume)
{
    g_audioVolumeMusic.SetValue(volume);
}

void ZAudioBase::SetMasterVolume(float volume)
{
    g_audioVolumeMaster.SetValue(volume);
    SetMusicVolume(GetMusicVolume());
    SetSoundVolume(GetSoundVolume());
}

void ZAudioBase::OnPropertyChanged(ZProperty* property)
{
    if (property == &g_audioMute)
    {
        MuteNotification mute(g_audioVolumeMaster);
        SetMasterVolume(g_audioMute.GetValue() ? 0.0f : 1.0f);
    }
    else if (property == &g_audioVolumeMusic)
    {
        MuteNotification mute(g_audioVolumeMusic);
        SetMusicVolume(g_audioVolumeMusic.GetValue());
    }
    else if (property == &g_audioVolumeSound)
    {
        MuteNotification mute(g_audioVolumeSound);
        SetSoundVolume(g_audioVolumeSound.GetValue());
    }
    else if (property == &g_audioVolumeMaster)
    {
        MuteNotification mute(g_audioVolumeMaster);
        SetMasterVolume(g_audioVolumeMaster.GetValue());
    }
}

int ZAudioBase::SetMusicSampleRate(int hz)
{
    (void)hz;
    return 1;
}

int ZAudioBase::SetMusicChannels(int channels)
{
    (void)channels;
    return 1;
}

int ZAudioBase::Restart()
{
    const bool music = m_musicOn;
    if (Init() != 0)
        return 1;
    ReloadSounds(0);
    // The new device has a new ring: the music that played goes on from its track's start.
    if (music)
        StartMusic();
    return 0;
}

int ZAudioBase::DecodeOgg(ZSoundResource* resource)
{
    (void)resource;
    return 1;
}

int ZAudioBase::LoadWav(ZSoundResource* resource)
{
    (void)resource;
    return 1;
}
