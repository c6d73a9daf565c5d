#include "engine/audio/ZSound.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

#include "engine/core/ZMath.h"
#include "engine/core/ZSerializer.h"
#include "engine/core/ZUtil.h"
#include "engine/fs/ZFile.h"
#include "engine/resource/ZResourceManager.h"

namespace
{
constexpr ZNameId kAttrLooping{"looping"};
constexpr ZNameId kAttrGain{"gain"};
constexpr ZNameId kAttrPan{"pan"};

ZSerializerRTTI<ZSound> s_soundSerializer;
} // namespace

ZSoundResource::ZSoundResource(const char* name) : m_path(name ? name : "")
{
    SetFlags(kResourceAsync | kResourceFileBacked | kResourcePostLoad);
    SetName(name);
}

ZSoundResource::~ZSoundResource()
{
    if (g_audio)
    {
        if (m_voiceIndex != -1)
            g_audio->ReleaseVoice(this);
        g_audio->RemoveSound(this);
    }
    CloseSource();
    FreeData();
    FreeEncoded();
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
    // Decoded data that never reached a voice goes too, and compressed data not yet decoded.
    FreeData();
    FreeEncoded();
    return g_audio ? g_audio->ReleaseVoice(this) : 1;
}

int ZSoundResource::PostLoad(bool now)
{
    return g_audio ? g_audio->QueueRequest(this, now) : 1;
}

int ZSoundResource::GetCost()
{
    return std::max(GetFileSize(), 0);
}

int ZSoundResource::OpenSource()
{
    if (m_path.IsOpen())
        return 0;
    return m_path.Open();
}

int ZSoundResource::CloseSource()
{
    if (!m_path.IsOpen())
    {
        m_path.Close();
        return 0;
    }
    return m_path.Close();
}

int32_t ZSoundResource::GetFileSize()
{
    if (m_fileSizeKnown)
        return m_fileSize;
    // A copy of the path, so that the loader's open file is never touched from here.
    ZResourcePath path(m_path);
    if (path.Open() != 0)
        return -1;
    const int64_t size = path.GetFile()->GetSize();
    path.Close();
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

void ZSoundResource::SetEncoded(std::vector<uint8_t> bytes, int32_t pcmSize, uint32_t sampleRate,
                                uint8_t channels)
{
    FreeData();
    m_encoded = std::move(bytes);
    m_dataSize = pcmSize;
    m_sampleRate = sampleRate;
    m_channels = channels;
    m_bitsPerSample = 16;
}

void ZSoundResource::FreeEncoded()
{
    std::vector<uint8_t>().swap(m_encoded);
}

// ---------------------------------------------------------------------------------------------

ZSound::ZSound(ZSoundResource* resource) : m_handle(new SVoiceHandle()), m_resource(resource)
{
    SetFlags(kResourceManaged);
    m_handle->owner = this;
}

ZSound::~ZSound()
{
    // The device layer's playing list must not keep a handle that is about to go.
    if (g_audio)
        g_audio->DropVoice(m_handle);
    delete m_handle;
}

ZSound* ZSound::Create(ZSoundResource* resource)
{
    ZSound* sound = new ZSound(resource);
    sound->AddRef();
    ZResourceManager* manager = ZResourceManager::GetInstance();
    if (resource && manager && manager->GetLoadMode() == 1)
        resource->Load(true);
    return sound;
}

ZSound* ZSound::CreateEquipSound()
{
    static const char* const kName = "audio:inventory_equip.ogg";
    ZSoundResource* resource = ZSoundResource::Find(kName);
    if (!resource)
        resource = ZSoundResource::Get(kName);
    return Create(resource);
}

const char* ZSound::GetName() const
{
    return HasName() ? ZResource::GetName() : "Sound";
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

bool ZSound::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    if (!value)
        return false;
    if (id == ZAttr::Name.Value())
    {
        SetName(value);
        return true;
    }
    if (id == ZAttr::Path.Value())
    {
        ZSoundResource* resource = ZSoundResource::Get(value);
        resource->Load(true);
        m_resource = resource;
        return true;
    }
    if (id == kAttrLooping.Value())
    {
        SetLooping(ParseBool(value));
        return true;
    }
    if (id == kAttrGain.Value())
    {
        SetVolume(ParseFloatWithPi(value));
        return true;
    }
    if (id == kAttrPan.Value())
    {
        SetPan(ParseFloatWithPi(value));
        return true;
    }
    return false;
}

void ZSound::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    if (HasName())
        visitor->Attribute("name", ZResource::GetName());
    if (m_resource)
        visitor->Attribute("path", m_resource->GetName());
    visitor->Attribute("looping", m_looping ? "true" : "false");
    char text[32];
    std::snprintf(text, sizeof(text), "%f", double(m_volume));
    visitor->Attribute("gain", text);
    std::snprintf(text, sizeof(text), "%f", double(m_pan));
    visitor->Attribute("pan", text);
}
