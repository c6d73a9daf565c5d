#include "engine/audio/ZAudioDirectSound.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine/audio/ZOggVorbisStream.h"
#include "engine/audio/ZSound.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/fs/ZFile.h"
#include "engine/platform/ZPlatformTime.h"
#include "engine/resource/ZResourcePath.h"

namespace
{
bool ReadBytes(IFile* file, void* out, size_t count)
{
    return file->Read(out, count) == count;
}

bool ReadU16(IFile* file, uint16_t& value)
{
    uint8_t b[2];
    if (!ReadBytes(file, b, 2))
        return false;
    value = uint16_t(b[0] | (b[1] << 8));
    return true;
}

bool ReadU32(IFile* file, uint32_t& value)
{
    uint8_t b[4];
    if (!ReadBytes(file, b, 4))
        return false;
    value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool ReadTag(IFile* file, const char* tag)
{
    char b[4];
    return ReadBytes(file, b, 4) && std::memcmp(b, tag, 4) == 0;
}

// L < B <= C going forward around the ring.
bool Crossed(uint32_t last, uint32_t boundary, uint32_t cursor)
{
    if (cursor >= last)
        return last < boundary && boundary <= cursor;
    return boundary > last || boundary <= cursor;
}
} // namespace

ZAudioDirectSound::ZAudioDirectSound()
{
    // The first slots handed out are 0, 1, 2, ...
    for (uint32_t i = 0; i < kVoiceSlots; ++i)
        m_freeVoices[i] = kVoiceSlots - 1 - i;
}

ZAudioDirectSound::~ZAudioDirectSound()
{
    StopMusicThread();
    {
        ZCriticalSectionGuard guard(m_lock);
        m_musicOn = false;
    }
    ReleaseDevice();
    {
        ZSpinLockGuard guard(m_requestLock);
        m_requests.clear();
    }
}

void ZAudioDirectSound::ReleaseDevice()
{
    for (SPlaying& entry : m_playing)
    {
        if (entry.handle)
            entry.handle->buffer = nullptr;
        if (entry.buffer)
            entry.buffer->Release();
    }
    m_playing.clear();
    for (uint32_t i = 0; i < kVoiceSlots; ++i)
    {
        if (m_voices[i])
            m_voices[i]->Release();
        m_voices[i] = nullptr;
    }
    for (ZSoundResource* sound : m_sounds)
    {
        sound->SetVoiceIndex(-1);
        sound->ClearFlags(ZSoundResource::kHasVoice);
    }
    for (uint32_t i = 0; i < kVoiceSlots; ++i)
        m_freeVoices[i] = kVoiceSlots - 1 - i;
    m_voicesUsed = 0;
    {
        ZCriticalSectionGuard guard(m_lock);
        if (m_musicBuffer)
            m_musicBuffer->Release();
        m_musicBuffer = nullptr;
        // The ring is gone, so a restarted device starts the music afresh.
        m_musicOn = false;
        m_musicDraining = false;
        m_device.reset();
    }
    m_initialised = false;
}

int ZAudioDirectSound::Init()
{
    ZAudioBase::Init();
    if (m_device)
        ReleaseDevice();

    std::unique_ptr<ISoundDevice> device;
    if (!SoundSucceeded(plat::CreateSoundDevice(device)) || !device)
        return 1;
    if (!SoundSucceeded(device->GetCaps(&m_caps)))
        return 1;

    ZSoundBufferDesc primaryDesc;
    primaryDesc.flags = kSoundBufferPrimary;
    ISoundBuffer* primary = nullptr;
    if (!SoundSucceeded(device->CreateSoundBuffer(primaryDesc, &primary)) || !primary)
        return 1;
    const ZSoundResult format = primary->SetFormat(ZSoundFormat::Pcm16(2, 44100));
    primary->Release();
    if (!SoundSucceeded(format))
        return 1;

    // A device made again while the game is paused stays quiet until the game goes on.
    if (IsPaused())
        device->PauseOutput(true);
    {
        ZCriticalSectionGuard guard(m_lock);
        m_device = std::move(device);
    }
    m_musicRate = 44100;
    if (CreateMusicBuffer() != 0)
    {
        ReleaseDevice();
        return 1;
    }
    if (!m_staging)
    {
        m_staging.reset(new (std::nothrow) uint8_t[kMusicBufferBytes]);
        if (!m_staging)
        {
            ReleaseDevice();
            return 1;
        }
    }
    m_initialised = true;
    return 0;
}

int ZAudioDirectSound::CreateMusicBuffer()
{
    ZCriticalSectionGuard guard(m_lock);
    if (!m_device)
        return 1;
    if (m_musicBuffer)
        m_musicBuffer->Release();
    m_musicBuffer = nullptr;
    ZSoundBufferDesc desc;
    desc.flags = kMusicBufferFlags;
    desc.bytes = kMusicBufferBytes;
    desc.format = ZSoundFormat::Pcm16(uint16_t(m_musicChannels), uint32_t(m_musicRate));
    ISoundBuffer* buffer = nullptr;
    if (!SoundSucceeded(m_device->CreateSoundBuffer(desc, &buffer)) || !buffer)
        return 1;
    m_musicBuffer = buffer;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Volumes

int32_t ZAudioDirectSound::VolumeToDevice(float volume)
{
    const float a = std::clamp(1.0f - std::sqrt(std::max(volume, 0.0f)), 0.0f, 1.0f);
    if (a >= 1.0f)
        return kSoundVolumeMin;
    return int32_t(a * -3000.0f);
}

int32_t ZAudioDirectSound::PanToDevice(float pan)
{
    pan = std::clamp(pan, -1.0f, 1.0f);
    const float half = 0.5f * pan;
    const float magnitude = half * half * 10000.0f;
    return int32_t(pan < 0.0f ? -magnitude : magnitude);
}

float ZAudioDirectSound::DeviceToPan(int32_t pan)
{
    const float magnitude = 2.0f * std::sqrt(float(std::abs(pan)) / 10000.0f);
    return pan < 0 ? -magnitude : magnitude;
}

void ZAudioDirectSound::ApplyMusicVolume()
{
    float v = 0.0f;
    if (!g_audioMute.GetValue() && !g_audioNoMusic.GetValue())
        v = GetMusicVolume() * g_audioVolumeMaster.GetValue() * GetFadeFactor();
    ZCriticalSectionGuard guard(m_lock);
    m_musicDeviceVolume = VolumeToDevice(v);
    if (m_musicBuffer)
        m_musicBuffer->SetVolume(m_musicDeviceVolume);
}

void ZAudioDirectSound::SetMusicVolume(float volume)
{
    ZAudioBase::SetMusicVolume(volume);
    ApplyMusicVolume();
}

void ZAudioDirectSound::SetSoundVolume(float volume)
{
    ZAudioBase::SetSoundVolume(volume);
    // Voices already playing follow the new level, so mute and the master volume reach looping
    // sounds too.
    for (SPlaying& entry : m_playing)
    {
        if (entry.handle && entry.handle->owner)
            SetVoiceVolume(entry.handle, entry.handle->owner->GetVolume());
    }
}

// ---------------------------------------------------------------------------------------------
// Upload requests

int ZAudioDirectSound::QueueRequest(ZSoundResource* resource, bool now)
{
    if (!resource)
        return 1;
    if (now)
        return Upload(resource);
    m_failedTries += m_requestLock.Lock();
    m_requests.push_back(resource);
    m_requestLock.Unlock();
    return 0;
}

bool ZAudioDirectSound::HasPendingRequests() const
{
    m_failedTries += m_requestLock.Lock();
    const bool pending = !m_requests.empty();
    m_requestLock.Unlock();
    return pending;
}

void ZAudioDirectSound::ProcessOneRequest()
{
    DrainRequests(0.0);
}

int ZAudioDirectSound::DrainRequests(double budget)
{
    int uploads = 0;
    double elapsed = 0.0;
    do
    {
        const uint32_t start = plat::GetTickCount();
        m_failedTries += m_requestLock.Lock();
        ZSoundResource* resource = nullptr;
        if (!m_requests.empty())
        {
            resource = m_requests.front();
            m_requests.pop_front();
        }
        m_requestLock.Unlock();
        if (!resource)
            break;
        Upload(resource);
        ++uploads;
        const uint32_t end = plat::GetTickCount();
        elapsed += double(end) / 1000.0 - double(start) / 1000.0;
    } while (budget > elapsed);
    return uploads;
}

int ZAudioDirectSound::Upload(ZSoundResource* resource)
{
    if (resource->HasFlags(ZSoundResource::kHasVoice) && resource->GetVoiceIndex() != -1)
        return 0;
    // Compressed data waits for the sound's first play.
    if (!resource->GetData() && resource->HasEncoded())
        return 0;
    int result = 1;
    // A full slot table is checked first, so no buffer is made that nothing could hold.
    if (m_initialised && m_device && m_voicesUsed < kVoiceSlots && resource->GetData() &&
        resource->GetDataSize() > 0 && resource->GetChannels() >= 1 && resource->GetChannels() <= 2)
    {
        ZSoundBufferDesc desc;
        desc.flags = kVoiceBufferFlags;
        desc.bytes = uint32_t(resource->GetDataSize());
        desc.format = ZSoundFormat::Pcm16(resource->GetChannels(), resource->GetSampleRate());
        ISoundBuffer* buffer = nullptr;
        if (SoundSucceeded(m_device->CreateSoundBuffer(desc, &buffer)) && buffer)
        {
            void* region = nullptr;
            uint32_t bytes = 0;
            const ZSoundResult locked =
                buffer->Lock(0, 0, &region, &bytes, nullptr, nullptr, kSoundLockEntireBuffer);
            if (SoundSucceeded(locked))
            {
                std::memcpy(region, resource->GetData(), std::min<uint32_t>(bytes, desc.bytes));
                buffer->Unlock(region, bytes, nullptr, 0);
                const uint32_t slot = m_freeVoices[kVoiceSlots - 1 - m_voicesUsed];
                ++m_voicesUsed;
                m_voices[slot] = buffer;
                resource->SetFlags(ZSoundResource::kHasVoice);
                resource->SetVoiceIndex(int32_t(slot));
                resource->SetBitsPerSample(16);
                AddSound(resource);
                result = 0;
            }
            else
            {
                OnBufferFailure(buffer, locked);
                buffer->Release();
            }
        }
    }
    resource->FreeData();
    return result;
}

void ZAudioDirectSound::RemoveSound(ZSoundResource* resource)
{
    ZAudioBase::RemoveSound(resource);
    // A resource that goes must not stay in the upload queue.
    m_failedTries += m_requestLock.Lock();
    for (auto it = m_requests.begin(); it != m_requests.end();)
        it = *it == resource ? m_requests.erase(it) : it + 1;
    m_requestLock.Unlock();
}

int ZAudioDirectSound::ReleaseVoice(ZSoundResource* resource)
{
    if (!resource)
        return 0;
    const int32_t slot = resource->GetVoiceIndex();
    if (slot >= 0 && uint32_t(slot) < kVoiceSlots && m_voices[slot])
    {
        m_voices[slot]->Release();
        m_voices[slot] = nullptr;
        --m_voicesUsed;
        m_freeVoices[kVoiceSlots - 1 - m_voicesUsed] = uint32_t(slot);
    }
    resource->SetVoiceIndex(-1);
    resource->ClearFlags(ZSoundResource::kHasVoice);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Voices

ZSound* ZAudioDirectSound::PlaySoundResource(ZSoundResource* resource, bool loop)
{
    if (!m_initialised || !resource)
        return nullptr;
    ZSound* sound = ZSound::Create(resource);
    sound->SetLooping(loop);
    PlaySound(sound->GetVoiceHandle(), loop);
    return sound;
}

ZAudioDirectSound::SPlaying* ZAudioDirectSound::FindPlaying(SVoiceHandle* handle)
{
    for (SPlaying& entry : m_playing)
    {
        if (entry.handle == handle)
            return &entry;
    }
    return nullptr;
}

ISoundBuffer* ZAudioDirectSound::VoiceBuffer(SVoiceHandle* handle) const
{
    if (!m_initialised || !handle || !handle->buffer || !handle->owner)
        return nullptr;
    const ZSoundResource* resource = handle->owner->GetResource();
    if (!resource || !resource->HasFlags(kResourceLoaded | ZSoundResource::kHasVoice))
        return nullptr;
    return handle->buffer;
}

void ZAudioDirectSound::OnBufferFailure(ISoundBuffer* buffer, ZSoundResult result)
{
    if (result != ZSoundResult::BufferLost || !buffer)
        return;
    uint32_t status = 0;
    if (!SoundSucceeded(buffer->GetStatus(&status)))
    {
        Restart();
        return;
    }
    if (!(status & kSoundStatusBufferLost))
        return;
    for (;;)
    {
        if (buffer->Restore() == ZSoundResult::BufferLost)
            plat::Sleep(10);
        if (buffer->Restore() != ZSoundResult::BufferLost)
            break;
    }
}

bool ZAudioDirectSound::PlaySound(SVoiceHandle* handle, bool loop)
{
    if (!m_initialised || !handle || !handle->owner)
        return false;
    ZSound* sound = handle->owner;
    ZSoundResource* resource = sound->GetResource();
    if (!resource || !resource->HasFlags(kResourceLoaded | ZSoundResource::kHasVoice))
        return false;
    // The first play of a compressed sound decodes it into its voice.
    if (resource->GetVoiceIndex() == -1 && resource->HasEncoded() &&
        (DecodeEncoded(resource) != 0 || Upload(resource) != 0))
        return false;
    const int32_t slot = resource->GetVoiceIndex();
    if (slot < 0 || uint32_t(slot) >= kVoiceSlots || !m_voices[slot])
        return false;

    SPlaying* entry = FindPlaying(handle);
    if (!entry || !entry->buffer)
    {
        ISoundBuffer* duplicate = nullptr;
        const ZSoundResult result = m_device->DuplicateSoundBuffer(m_voices[slot], &duplicate);
        if (!SoundSucceeded(result) || !duplicate)
        {
            OnBufferFailure(m_voices[slot], result);
            return false;
        }
        if (entry)
            entry->buffer = duplicate;
        else
        {
            m_playing.push_back(SPlaying{duplicate, handle, false, false});
            entry = &m_playing.back();
        }
    }
    entry->stoppedOnRequest = false;
    ISoundBuffer* buffer = entry->buffer;
    bool failed = false;
    if (sound->GetRestart())
    {
        ZSoundResult result = buffer->Stop();
        if (SoundSucceeded(result))
            result = buffer->SetCurrentPosition(0);
        if (!SoundSucceeded(result))
        {
            OnBufferFailure(buffer, result);
            failed = true;
        }
    }
    handle->buffer = buffer;
    SetVoiceVolume(handle, sound->GetVolume());
    SetVoiceFrequency(handle, sound->GetFrequency());
    SetVoicePan(handle, sound->GetPan());
    const ZSoundResult played = buffer->Play(loop);
    if (!SoundSucceeded(played))
    {
        OnBufferFailure(buffer, played);
        failed = true;
    }
    return failed;
}

void ZAudioDirectSound::StopVoice(SVoiceHandle* handle)
{
    SPlaying* entry = FindPlaying(handle);
    if (!entry || !entry->buffer)
        return;
    entry->buffer->Stop();
    entry->stoppedOnRequest = true;
    entry->resumeOnUnpause = false;
}

bool ZAudioDirectSound::RestartVoice(SVoiceHandle* handle)
{
    SPlaying* entry = FindPlaying(handle);
    if (!entry || !entry->buffer)
        return false;
    const ZSoundResult result = entry->buffer->Play(false);
    if (!SoundSucceeded(result))
    {
        OnBufferFailure(entry->buffer, result);
        return false;
    }
    entry->stoppedOnRequest = false;
    return true;
}

void ZAudioDirectSound::DropVoice(SVoiceHandle* handle)
{
    if (!handle)
        return;
    for (auto it = m_playing.begin(); it != m_playing.end(); ++it)
    {
        if (it->handle != handle)
            continue;
        if (it->buffer)
            it->buffer->Release();
        m_playing.erase(it);
        break;
    }
    // A sound that is going may still be some other sound's follow-up.
    for (SPlaying& entry : m_playing)
    {
        if (entry.handle && entry.handle->owner && entry.handle->owner->GetFollowUp() == handle->owner)
            entry.handle->owner->SetFollowUp(nullptr);
    }
    handle->buffer = nullptr;
}

bool ZAudioDirectSound::IsVoicePlaying(SVoiceHandle* handle)
{
    ISoundBuffer* buffer = VoiceBuffer(handle);
    uint32_t status = 0;
    return buffer && SoundSucceeded(buffer->GetStatus(&status)) && (status & kSoundStatusPlaying);
}

bool ZAudioDirectSound::IsVoiceLooping(SVoiceHandle* handle)
{
    ISoundBuffer* buffer = VoiceBuffer(handle);
    uint32_t status = 0;
    return buffer && SoundSucceeded(buffer->GetStatus(&status)) && (status & kSoundStatusLooping);
}

bool ZAudioDirectSound::SetVoiceLooping(SVoiceHandle* handle, bool loop)
{
    (void)handle;
    (void)loop;
    return false;
}

bool ZAudioDirectSound::SetVoiceVolume(SVoiceHandle* handle, float volume)
{
    ISoundBuffer* buffer = VoiceBuffer(handle);
    if (!buffer)
        return false;
    const float level = g_audioMute.GetValue() ? 0.0f : GetSoundVolume() * g_audioVolumeMaster.GetValue();
    const ZSoundResult result = buffer->SetVolume(VolumeToDevice(volume * level));
    if (!SoundSucceeded(result))
    {
        OnBufferFailure(buffer, result);
        return false;
    }
    return true;
}

float ZAudioDirectSound::GetVoiceVolume(SVoiceHandle* handle)
{
    ISoundBuffer* buffer = VoiceBuffer(handle);
    if (!buffer || GetSoundVolume() <= 1.0f / 8192.0f)
        return 0.0f;
    int32_t volume = 0;
    if (!SoundSucceeded(buffer->GetVolume(&volume)) || volume <= kSoundVolumeMin)
        return 0.0f;
    // The linear level the device runs at, the inverse of the volume curve.
    const float root = 1.0f - float(volume) / -3000.0f;
    return root * root;
}

float ZAudioDirectSound::GetVoicePosition(SVoiceHandle* handle)
{
    ISoundBuffer* buffer = VoiceBuffer(handle);
    if (!buffer)
        return 0.0f;
    uint32_t cursor = 0;
    if (!SoundSucceeded(buffer->GetCurrentPosition(&cursor, nullptr)))
        return -1.0f;
    const int32_t size = handle->owner->GetResource()->GetDataSize();
    if (size <= 0)
        return 0.0f;
    return std::clamp(float(cursor) / float(size), 0.0f, 1.0f);
}

bool ZAudioDirectSound::SetVoiceFrequency(SVoiceHandle* handle, float factor)
{
    ISoundBuffer* buffer = VoiceBuffer(handle);
    if (!buffer)
        return false;
    const int32_t slot = handle->owner->GetResource()->GetVoiceIndex();
    uint32_t base = 0;
    if (slot < 0 || uint32_t(slot) >= kVoiceSlots || !m_voices[slot] ||
        !SoundSucceeded(m_voices[slot]->GetFrequency(&base)))
        return false;
    const double hz = std::clamp(std::round(double(base) * double(factor)), double(kSoundFrequencyMin),
                                 double(kSoundFrequencyMax));
    return SoundSucceeded(buffer->SetFrequency(uint32_t(hz)));
}

float ZAudioDirectSound::GetVoiceFrequency(SVoiceHandle* handle)
{
    ISoundBuffer* buffer = VoiceBuffer(handle);
    if (!buffer)
        return 0.0f;
    const int32_t slot = handle->owner->GetResource()->GetVoiceIndex();
    uint32_t base = 0;
    uint32_t hz = 0;
    if (slot < 0 || uint32_t(slot) >= kVoiceSlots || !m_voices[slot] ||
        !SoundSucceeded(m_voices[slot]->GetFrequency(&base)) || base == 0 ||
        !SoundSucceeded(buffer->GetFrequency(&hz)))
        return 0.0f;
    return float(hz) / float(base);
}

bool ZAudioDirectSound::SetVoicePan(SVoiceHandle* handle, float pan)
{
    ISoundBuffer* buffer = VoiceBuffer(handle);
    if (!buffer)
        return false;
    const ZSoundResult result = buffer->SetPan(PanToDevice(pan));
    if (!SoundSucceeded(result))
    {
        OnBufferFailure(buffer, result);
        return false;
    }
    return true;
}

float ZAudioDirectSound::GetVoicePan(SVoiceHandle* handle)
{
    ISoundBuffer* buffer = VoiceBuffer(handle);
    int32_t pan = 0;
    if (!buffer || !SoundSucceeded(buffer->GetPan(&pan)))
        return 0.0f;
    return DeviceToPan(pan);
}

// ---------------------------------------------------------------------------------------------
// Frame step and pause

void ZAudioDirectSound::Update()
{
    if (m_paused || !m_initialised)
        return;
    StepFades(g_frameTimer ? float(g_frameTimer->frameDelta) : 0.0f);

    // Voices that ended: their duplicates go, and a follow-up sound starts.
    for (size_t i = 0; i < m_playing.size();)
    {
        uint32_t status = 0;
        ISoundBuffer* buffer = m_playing[i].buffer;
        if (!buffer || !SoundSucceeded(buffer->GetStatus(&status)) || (status & kSoundStatusPlaying))
        {
            ++i;
            continue;
        }
        SVoiceHandle* handle = m_playing[i].handle;
        m_playing.erase(m_playing.begin() + std::ptrdiff_t(i));
        buffer->Release();
        if (handle)
        {
            handle->buffer = nullptr;
            handle->word = 0;
            ZSound* followUp = handle->owner ? handle->owner->GetFollowUp() : nullptr;
            // Appends to the list, behind the walk.
            if (followUp && g_audio)
                PlaySound(followUp->GetVoiceHandle(), followUp->IsLooping());
        }
    }

    DrainRequests(0.1 / double(g_engineFpsLimit.GetValue()));
}

void ZAudioDirectSound::PauseAll(bool pause)
{
    ZAudioBase::PauseAll(pause);
    if (!m_initialised)
        return;
    // The output runs again before the voices do, so that none of them loses its first samples.
    if (!pause && m_device)
        m_device->PauseOutput(false);
    for (SPlaying& entry : m_playing)
    {
        if (!entry.buffer)
            continue;
        ZSoundResult result = ZSoundResult::Ok;
        if (pause)
        {
            // Only what was sounding resumes: a voice that ended meanwhile must not start over.
            uint32_t status = 0;
            entry.resumeOnUnpause = !entry.stoppedOnRequest &&
                                    SoundSucceeded(entry.buffer->GetStatus(&status)) &&
                                    (status & kSoundStatusPlaying);
            result = entry.buffer->Stop();
        }
        else if (entry.resumeOnUnpause && !entry.stoppedOnRequest)
        {
            const bool loop = entry.handle && entry.handle->owner && entry.handle->owner->IsLooping();
            result = entry.buffer->Play(loop);
            entry.resumeOnUnpause = false;
        }
        if (!SoundSucceeded(result))
            OnBufferFailure(entry.buffer, result);
    }
    PauseMusic(pause);
    // A paused game costs nothing but its sleep: the output stops asking for samples to mix.
    if (pause && m_device)
        m_device->PauseOutput(true);
}

// ---------------------------------------------------------------------------------------------
// Music

int ZAudioDirectSound::SetMusicSampleRate(int hz)
{
    if (hz <= 0)
        return 1;
    ZCriticalSectionGuard guard(m_lock);
    if (m_musicFilling)
    {
        // The ring still holds the previous track: changing its rate now would replay that at
        // the wrong pitch. The change waits until it has played.
        if (hz != m_musicRate)
        {
            m_pendingRate = hz;
            m_musicFormatPending = true;
        }
        return 0;
    }
    m_musicRate = hz;
    uint32_t current = 0;
    if (m_musicBuffer && SoundSucceeded(m_musicBuffer->GetFrequency(&current)) && current != uint32_t(hz))
        return SoundSucceeded(m_musicBuffer->SetFrequency(uint32_t(hz))) ? 0 : 1;
    return 0;
}

int ZAudioDirectSound::SetMusicChannels(int channels)
{
    if (channels < 1 || channels > 2)
        return 1;
    ZCriticalSectionGuard guard(m_lock);
    if (m_musicFilling)
    {
        // A new ring now would drop the previous track's end and would not be playing.
        if (channels != m_musicChannels)
        {
            m_pendingChannels = channels;
            m_musicFormatPending = true;
        }
        return 0;
    }
    if (channels == m_musicChannels)
        return 0;
    m_musicChannels = channels;
    if (!m_device)
        return 0;
    return CreateMusicBuffer();
}

void ZAudioDirectSound::FillMusicSegment()
{
    if (!m_musicBuffer || !m_staging)
        return;
    uint8_t* staging = m_staging.get();
    uint32_t got = 0;
    // Tracks follow each other inside one segment, so the ring never holds a gap; a list of
    // broken tracks is tried once round, not forever.
    size_t attempts = 0;
    while (got < kMusicSegmentBytes && !m_musicDraining)
    {
        const size_t n = m_stream ? m_stream->Read(staging + got, kMusicSegmentBytes - got) : 0;
        if (n > 0)
        {
            got += uint32_t(n);
            continue;
        }
        m_musicFilling = true;
        const bool next = attempts++ <= m_playList.GetTrackCount() && NextTrack();
        m_musicFilling = false;
        if (!next || m_musicFormatPending)
        {
            // The list has ended, or the next track needs another ring: either way the ring
            // plays out what it holds, followed by silence.
            m_musicDraining = true;
            m_musicEnd = (m_musicWrite + got) % kMusicBufferBytes;
        }
    }
    // After the last data, silence: the ring must not play old music again.
    std::memset(staging + got, 0, kMusicSegmentBytes - got);
    got = kMusicSegmentBytes;

    void* region1 = nullptr;
    void* region2 = nullptr;
    uint32_t bytes1 = 0;
    uint32_t bytes2 = 0;
    ZSoundResult result = m_musicBuffer->Lock(m_musicWrite, got, &region1, &bytes1, &region2, &bytes2, 0);
    if (result == ZSoundResult::BufferLost)
    {
        m_musicBuffer->Restore();
        result = m_musicBuffer->Lock(m_musicWrite, got, &region1, &bytes1, &region2, &bytes2, 0);
    }
    if (!SoundSucceeded(result))
        return;
    std::memcpy(region1, staging, bytes1);
    if (region2 && bytes2)
        std::memcpy(region2, staging + bytes1, bytes2);
    m_musicBuffer->Unlock(region1, bytes1, region2, bytes2);
    m_musicWrite = (m_musicWrite + got) % kMusicBufferBytes;
    m_musicBoundary = (m_musicBoundary + got) % kMusicBufferBytes;
}

void ZAudioDirectSound::StartMusic()
{
    if (!m_initialised || m_musicOn || m_playList.IsEmpty())
        return;
    {
        ZCriticalSectionGuard guard(m_lock);
        m_musicOn = false;
        m_musicFormatPending = false;
        m_pendingRate = 0;
        m_pendingChannels = 0;
    }
    OpenMusicTrack(m_playList.CurrentTrack());
    ZCriticalSectionGuard guard(m_lock);
    SetMusicVolume(GetMusicVolume());
    SetSoundVolume(GetSoundVolume());
    PrefillAndPlayMusic();
    // Music counts as on while paused too, so that resuming starts it.
    if (m_musicBuffer)
        m_musicOn = true;
}

void ZAudioDirectSound::PrefillAndPlayMusic()
{
    m_musicWrite = 0;
    m_musicBoundary = 0;
    m_musicLastCursor = 0;
    m_musicDraining = false;
    m_musicEnd = 0;
    for (int i = 0; i < 3; ++i)
        FillMusicSegment();
    m_musicBoundary = kMusicSegmentBytes;
    if (!m_musicBuffer)
        return;
    m_musicBuffer->SetCurrentPosition(0);
    if (!m_paused)
        m_musicBuffer->Play(true);
}

void ZAudioDirectSound::SwitchMusicFormat()
{
    m_musicFormatPending = false;
    if (m_musicBuffer)
        m_musicBuffer->Stop();
    if (m_pendingRate > 0)
        m_musicRate = m_pendingRate;
    if (m_pendingChannels > 0)
        m_musicChannels = m_pendingChannels;
    m_pendingRate = 0;
    m_pendingChannels = 0;
    if (CreateMusicBuffer() != 0 || !m_musicBuffer)
    {
        m_musicOn = false;
        return;
    }
    m_musicBuffer->SetVolume(m_musicDeviceVolume);
    PrefillAndPlayMusic();
}

void ZAudioDirectSound::StopMusic()
{
    ZCriticalSectionGuard guard(m_lock);
    m_musicOn = false;
    m_musicDraining = false;
    m_musicFormatPending = false;
    m_pendingRate = 0;
    m_pendingChannels = 0;
    if (m_musicBuffer)
        m_musicBuffer->Stop();
}

void ZAudioDirectSound::PauseMusic(bool pause)
{
    if (!m_musicOn)
        return;
    ZCriticalSectionGuard guard(m_lock);
    if (!m_musicBuffer)
        return;
    if (pause)
        m_musicBuffer->Stop();
    else
    {
        m_musicBuffer->Play(true);
        SetMusicVolume(GetMusicVolume());
        SetSoundVolume(GetSoundVolume());
    }
}

void ZAudioDirectSound::RestartMusic()
{
    StopMusic();
    {
        ZCriticalSectionGuard guard(m_lock);
        if (m_stream)
            m_stream->Open();
    }
    StartMusic();
}

void ZAudioDirectSound::RefillMusicStream()
{
    if (!m_initialised)
        return;
    ZCriticalSectionGuard guard(m_lock);
    if (!m_musicBuffer || m_paused || !m_musicOn)
        return;
    uint32_t status = 0;
    if (!SoundSucceeded(m_musicBuffer->GetStatus(&status)) || !(status & kSoundStatusPlaying))
        return;
    uint32_t cursor = 0;
    if (!SoundSucceeded(m_musicBuffer->GetCurrentPosition(&cursor, nullptr)))
        return;
    if (m_musicDraining && Crossed(m_musicLastCursor, m_musicEnd, cursor))
    {
        if (m_musicFormatPending)
        {
            // The previous track has played: the next one starts on a ring of its format.
            SwitchMusicFormat();
            return;
        }
        // The last data has played: what follows is silence.
        m_musicBuffer->Stop();
        m_musicOn = false;
        m_musicDraining = false;
    }
    else if (Crossed(m_musicLastCursor, m_musicBoundary, cursor))
        FillMusicSegment();
    m_musicLastCursor = cursor;
}

// ---------------------------------------------------------------------------------------------
// Decoding

int ZAudioDirectSound::LoadWav(ZSoundResource* resource)
{
    if (!m_initialised || !resource)
        return 1;
    // The file by its path, apart from the one the loader holds open.
    ZResourcePath path(resource->GetPath());
    if (path.Open() != 0)
        return 1;
    // The path closes the file on every way out.
    IFile* file = path.GetFile();
    uint32_t riffSize = 0;
    if (!ReadTag(file, "RIFF") || !ReadU32(file, riffSize) || !ReadTag(file, "WAVE"))
        return 1;
    uint32_t chunkSize = 0;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    // The format chunk must be exactly 16 bytes and come first, with "data" right after it.
    if (!ReadTag(file, "fmt ") || !ReadU32(file, chunkSize) || !ReadU16(file, formatTag) ||
        !ReadU16(file, channels) || !ReadU32(file, rate) || !ReadU32(file, byteRate) ||
        !ReadU16(file, blockAlign) || !ReadU16(file, bits))
        return 1;
    if (chunkSize != 16)
        return 1;
    uint32_t dataSize = 0;
    if (!ReadTag(file, "data") || !ReadU32(file, dataSize))
        return 1;
    // Only what the device plays: 16-bit PCM, mono or stereo. Other sample formats would play
    // as noise.
    if (formatTag != 1 || bits != 16 || channels < 1 || channels > 2 || rate < kSoundFrequencyMin ||
        rate > kSoundFrequencyMax)
        return 1;
    // The size field is not trusted: the samples must be in the file.
    const int64_t size = file->GetSize();
    const int64_t remaining = size - file->Tell();
    if (dataSize == 0 || remaining < int64_t(dataSize) || dataSize > kSoundBufferMaxBytes)
        return 1;
    dataSize -= dataSize % (uint32_t(channels) * 2u);
    if (dataSize == 0)
        return 1;
    uint8_t* data = new (std::nothrow) uint8_t[dataSize];
    if (!data)
        return 1;
    if (file->Read(data, dataSize) != dataSize)
    {
        delete[] data;
        return 1;
    }
    resource->SetData(data, int32_t(dataSize), rate, uint8_t(channels));
    return 0;
}

int ZAudioDirectSound::DecodeOgg(ZSoundResource* resource)
{
    if (!m_initialised || !resource || !resource->GetSourceFile() || !resource->GetSourceFile()->IsOpen())
        return 1;
    // Only the compressed file is kept (about a tenth of the samples); the samples are made when
    // the sound first plays, so sounds that never play cost neither the memory nor the time.
    IFile* file = resource->GetSourceFile();
    const int64_t fileSize = file->GetSize();
    if (fileSize <= 0 || fileSize > int64_t(kSoundBufferMaxBytes) || file->Seek(0, SEEK_FROM_START) != 0)
        return 1;
    std::vector<uint8_t> bytes;
    try
    {
        bytes.resize(size_t(fileSize));
    }
    catch (const std::bad_alloc&)
    {
        return 1;
    }
    if (file->Read(bytes.data(), bytes.size()) != bytes.size())
        return 1;
    // The header is checked now, so a file that is not a sound is refused when it loads.
    ZOggVorbisStream ogg(bytes.data(), bytes.size());
    if (!ogg.IsDecoderOpen())
        return 1;
    const int64_t total = ogg.GetTotalPcmSize();
    const uint32_t channels = ogg.GetChannels();
    const uint32_t rate = ogg.GetSampleRate();
    // An unknown or absurd length is refused rather than trusted for an allocation.
    if (total <= 0 || total > int64_t(kSoundBufferMaxBytes) || channels < 1 || channels > 2 ||
        rate < kSoundFrequencyMin || rate > kSoundFrequencyMax)
        return 1;
    resource->SetEncoded(std::move(bytes), int32_t(total - total % int64_t(channels * 2u)), rate,
                         uint8_t(channels));
    return 0;
}

int ZAudioDirectSound::DecodeEncoded(ZSoundResource* resource)
{
    ZOggVorbisStream ogg(resource->GetEncoded().data(), resource->GetEncoded().size());
    const uint32_t channels = resource->GetChannels();
    const int32_t total = resource->GetDataSize();
    uint8_t* data = ogg.IsDecoderOpen() && total > 0 ? new (std::nothrow) uint8_t[size_t(total)] : nullptr;
    size_t got = data ? ogg.Read(data, size_t(total)) : 0;
    got -= got % (channels * 2u);
    // Tried once: a file that cannot be decoded is dropped and the sound stays silent.
    resource->FreeEncoded();
    if (got == 0)
    {
        delete[] data;
        std::fprintf(stderr, "Sound \"%s\" could not be decoded; it stays silent\n", resource->GetName());
        return 1;
    }
    resource->SetData(data, int32_t(got), resource->GetSampleRate(), uint8_t(channels));
    return 0;
}
