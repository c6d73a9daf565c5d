#include "engine/audio/ZPlayList.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "engine/core/ZSerializer.h"

namespace
{
constexpr ZNameId kAttrType{"type"};
} // namespace

bool SetValueAttribute(ZPlayListTrack& track, uint32_t id, const char* name, const char* text)
{
    (void)name;
    if (!text)
        return false;
    if (id == ZAttr::Path.Value())
    {
        track.SetName(text);
        return true;
    }
    if (id == kAttrType.Value())
    {
        track.SetType(std::strcmp(text, "remove") == 0 ? ZPlayListTrack::kRemove : ZPlayListTrack::kStays);
        return true;
    }
    return false;
}

void WriteValueAttributes(const ZPlayListTrack& track, ISaveVisitor& visitor)
{
    visitor.Attribute("path", track.GetName().c_str());
    if (track.GetType() == ZPlayListTrack::kRemove)
        visitor.Attribute("type", "remove");
}

namespace
{
constexpr ZNameId kAttrTrack{"track"};

// Handed to a play list's "track" key, which copies it.
ZSerializer<ZPlayListTrack> s_trackSerializer("playlisttrack");
ZSerializerRTTI<ZPlayList> s_playListSerializer;
} // namespace

ZPlayList::ZPlayList()
{
    SetFlags(kResourceManaged);
}

void ZPlayList::Rename(const char* name)
{
    SetName(name);
    SetListName(name);
}

bool ZPlayList::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    if (!value)
        return false;
    if (id == ZAttr::Name.Value())
    {
        Rename(value);
        return true;
    }
    if (id == kAttrTrack.Value())
    {
        const ZPlayListTrack* track = SerializedChild<ZPlayListTrack>(value);
        AddTrack(track->GetName().c_str(), track->GetType());
        return true;
    }
    return false;
}

void ZPlayList::SaveAttributes(ISaveVisitor* visitor)
{
    if (visitor && HasName())
        visitor->Attribute("name", ZResource::GetName());
}

void ZPlayList::SaveChildren(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    for (const ZPlayListTrack& track : m_tracks)
    {
        visitor->BeginElement("track", "playlisttrack");
        WriteValueAttributes(track, *visitor);
        visitor->CloseStartTag();
        visitor->EndElement("track", "playlisttrack");
    }
}

void ZPlayListData::AddTrack(const char* name, uint32_t type)
{
    m_tracks.emplace_back(name, type);
}

const char* ZPlayListData::CurrentTrack() const
{
    if (m_index >= m_tracks.size())
        return "";
    return m_tracks[m_index].GetName().c_str();
}

const char* ZPlayListData::NextTrack()
{
    if (m_index < m_tracks.size() && m_tracks[m_index].GetType() == ZPlayListTrack::kRemove)
    {
        m_tracks.erase(m_tracks.begin() + m_index);
        if (m_index >= m_tracks.size())
            m_index = 0;
    }
    else if (!m_tracks.empty() && m_index + 1 < m_tracks.size())
        ++m_index;
    else
        m_index = 0;
    return CurrentTrack();
}

void ZPlayListData::Shuffle()
{
    for (size_t i = m_tracks.size(); i > 1; --i)
    {
        const size_t j = size_t(std::rand()) % i;
        std::swap(m_tracks[i - 1], m_tracks[j]);
    }
}

void ZPlayListData::CopyTracksFrom(const ZPlayListData& other)
{
    if (&other == this)
        return;
    m_tracks = other.m_tracks;
    m_index = other.m_index;
    m_listName = other.m_listName;
    m_listId = other.m_listId;
}

void ZPlayListData::SetListName(const char* name)
{
    m_listName = name ? name : "";
    m_listId = ZNameId(name).Value();
}

void ZPlayListData::Clear()
{
    m_tracks.clear();
    m_index = 0;
    m_listName.clear();
    m_listId = ZNameId::kNone;
}
