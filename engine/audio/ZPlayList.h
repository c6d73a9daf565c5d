#pragma once
// Music play lists: an ordered sequence of track file names under "audio:". A one-shot track
// leaves the sequence once it has been played. Scenes declare play lists; the audio object plays
// a copy of one, track after track, so that one-shot tracks leave only the copy.
#include <cstdint>
#include <deque>
#include <string>

#include "engine/core/ZNameId.h"
#include "engine/resource/ZResource.h"

class ISaveVisitor;

class ZPlayListTrack
{
public:
    enum : uint32_t
    {
        kStays = 0,
        kRemove = 1, // one-shot
    };

    ZPlayListTrack() = default;
    ZPlayListTrack(const char* name, uint32_t type) : m_name(name ? name : ""), m_type(type) {}

    const std::string& GetName() const { return m_name; }
    void SetName(const char* name) { m_name = name ? name : ""; }
    uint32_t GetType() const { return m_type; }
    void SetType(uint32_t type) { m_type = type; }

private:
    std::string m_name;
    uint32_t m_type = kStays;
};

// "path" is the file name; "type" "remove" makes the track one-shot, any other value type 0.
bool SetValueAttribute(ZPlayListTrack& track, uint32_t id, const char* name, const char* text);
void WriteValueAttributes(const ZPlayListTrack& track, ISaveVisitor& visitor);

// The tracks with the current index and the list's identity (the name id of the list's name,
// 65535 for none): what the audio object keeps of the list it plays.
class ZPlayListData
{
public:
    void AddTrack(const char* name, uint32_t type);
    // The current track's file name; the empty text when the list is empty.
    const char* CurrentTrack() const;
    // Steps to the following track (removing the current one first when it is one-shot) and
    // returns its file name, or the empty text when no track is left.
    const char* NextTrack();
    // Shuffles the whole sequence in place, driven by the C runtime's rand().
    void Shuffle();

    // Copies tracks, index, name and identity.
    void CopyTracksFrom(const ZPlayListData& other);

    const std::deque<ZPlayListTrack>& GetTracks() const { return m_tracks; }
    size_t GetTrackCount() const { return m_tracks.size(); }
    bool IsEmpty() const { return m_tracks.empty(); }
    uint32_t GetIndex() const { return m_index; }
    void SetIndex(uint32_t index) { m_index = index; }
    const std::string& GetListName() const { return m_listName; }
    uint32_t GetListId() const { return m_listId; }
    void SetListName(const char* name);
    void Clear();

protected:
    std::deque<ZPlayListTrack> m_tracks;
    uint32_t m_index = 0;
    std::string m_listName;
    uint32_t m_listId = ZNameId::kNone;
};

// A named play list resource; scenes declare it as a "playlist" element with "track" children.
class ZPlayList : public ZResourceType<ZPlayList>, public ZPlayListData
{
    QV_TYPE_RECORD(ZPlayList, &ZResource::kTypeRecord)

public:
    ZPlayList();

    // The resource name and the list's identity together.
    void Rename(const char* name);

    int LoadSync() override { return 0; }
    int UnloadData() override { return 0; }
    int64_t GetMemorySize() const override { return 0; }

    // Scene attributes: "name", and "track" with a play-list track handed over, which is copied.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor);
    void OnLoaded() {}
};
