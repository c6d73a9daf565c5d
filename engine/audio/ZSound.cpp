#include "engine/audio/ZSound.h"

#include <algorithm>

#include "engine/audio/ZOggVorbisStream.h"
#include "engine/fs/ZFile.h"

ZSoundResource::ZSoundResource(const char* name) : m_name(name ? name : "") {}

ZSoundResource::~ZSoundResource()
{
    if (g_audio && (m_flags & kHasVoice))
        g_audio->ReleaseVoice(this);
    if (g_audio)
        g_audio->RemoveSound(this);
    CloseSource();
    FreeData();
}

ZSoundResource* ZSoundResource::Get(const char* name)
{
    return new ZSoundResource(name);
}

int ZSoundResource::LoadData()
{
    return g_audio ? g_audio->LoadSoundData(this) : 1;
}

int ZSoundResource::UnloadData()
{
    return g_audio ? g_audio->ReleaseVoice(this) : 1;
}

int ZSoundResource::PostLoad(bool now)
{
    return g_audio ? g_audio->QueueRequest(this, now) : 1;
}

int ZSoundResource::Load()
{
    if (m_flags & kLoaded)
        return 0;
    // The file is opened around the decode, as the loader thread does it.
    OpenSource();
    const int result = LoadData();
    CloseSource();
    if (result != 0)
    {
        m_flags &= uint16_t(~kLoaded);
        return 1;
    }
    m_flags |= kLoaded;
    PostLoad(true);
    return 0;
}

int ZSoundResource::OpenSource()
{
    if (m_file && m_file->IsOpen())
        return 0;
    delete m_file;
    m_file = OpenEngineFile(m_name.c_str(), FILE_READ);
    return m_file ? 0 : 1;
}

int ZSoundResource::CloseSource()
{
    if (!m_file)
        return 0;
    const int result = m_file->IsOpen() ? m_file->Close() : 0;
    delete m_file;
    m_file = nullptr;
    return result;
}

int32_t ZSoundResource::GetFileSize()
{
    if (m_fileSizeKnown)
        return m_fileSize;
    const bool wasOpen = m_file && m_file->IsOpen();
    if (!wasOpen && OpenSource() != 0)
        return -1;
    const int64_t size = m_file->GetSize();
    if (!wasOpen)
        CloseSource();
    m_fileSize = size < 0 || size > INT32_MAX ? -1 : int32_t(size);
    m_fileSizeKnown = m_fileSize >= 0;
    return m_fileSize;
}

void ZSoundResource::SetData(uint8_t* data, int32_t size, uint32_t sampleRate, uint8_t channels)
{
    FreeData();
    m_data = data;
    m_dataSize = size;
    m_sampleRate = sampleRate;
    m_channels = channels;
    m_bitsPerSample = 16;
}

void ZSoundResource::FreeData()
{
    delete[] m_data;
    m_data = nullptr;
}

// ---------------------------------------------------------------------------------------------

ZSound::ZSound(ZSoundResource* resource) : m_handle(new SVoiceHandle()), m_resource(resource)
{
    m_handle->owner = this;
}

ZSound::~ZSound()
{
    // The device layer's playing list must not keep a handle that is about to go.
    if (g_audio)
        g_audio->DropVoice(m_handle);
    delete m_handle;
}

const char* ZSound::GetName() const
{
    return m_resource ? m_resource->GetName() : "Sound";
}

bool ZSound::Play()
{
    return g_audio ? g_audio->PlaySound(m_handle, m_looping) : false;
}

void ZSound::Stop()
{
    m_followUp = nullptr;
    if (g_audio)
        g_audio->StopVoice(m_handle);
}

bool ZSound::IsPlaying()
{
    return g_audio ? g_audio->IsVoicePlaying(m_handle) : false;
}

void ZSound::SetVolume(float volume)
{
    m_volume = volume;
    if (g_audio)
        g_audio->SetVoiceVolume(m_handle, GetVolume());
}

void ZSound::SetPan(float pan)
{
    m_pan = std::clamp(pan, -1.0f, 1.0f);
    if (g_audio)
        g_audio->SetVoicePan(m_handle, m_pan);
}

void ZSound::SetLooping(bool loop)
{
    m_looping = loop;
    if (g_audio)
        g_audio->SetVoiceLooping(m_handle, loop);
}

void ZSound::SetFrequency(float factor)
{
    m_frequency = factor;
    if (g_audio)
        g_audio->SetVoiceFrequency(m_handle, factor);
}

int32_t ZSound::GetDataSize() const
{
    return m_resource ? m_resource->GetDataSize() : 0;
}
