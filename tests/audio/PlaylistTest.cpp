// Play lists: the track order with one-shot tracks, and the track element's attributes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/audio/ZPlayList.h"
#include "engine/core/ZSerializer.h"

namespace
{
ZPlayListData MakeList(std::initializer_list<std::pair<const char*, uint32_t>> tracks, uint32_t index)
{
    ZPlayListData list;
    for (const auto& t : tracks)
        list.AddTrack(t.first, t.second);
    list.SetIndex(index);
    return list;
}

constexpr uint32_t kStay = ZPlayListTrack::kStays;
constexpr uint32_t kOnce = ZPlayListTrack::kRemove;
} // namespace

TEST(PlayList, NextTrackSteps)
{
    struct Case
    {
        const char* what;
        ZPlayListData list;
        std::vector<std::string> expected; // results of successive NextTrack calls
    };
    Case cases[] = {
        {"three stays from the last wrap to the first",
         MakeList({{"a", kStay}, {"b", kStay}, {"c", kStay}}, 2),
         {"a", "b", "c", "a"}},
        {"a lone one-shot track is played once", MakeList({{"a", kOnce}}, 0), {"", ""}},
        {"removing the last current track wraps to 0", MakeList({{"a", kStay}, {"b", kOnce}}, 1), {"a", "a"}},
        {"a one-shot in the middle leaves, the next one follows",
         MakeList({{"a", kStay}, {"b", kOnce}, {"c", kStay}}, 1),
         {"c", "a", "c"}},
        {"an empty list stays empty", MakeList({}, 0), {"", ""}},
    };
    for (Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<std::string> got;
        for (size_t i = 0; i < c.expected.size(); ++i)
            got.push_back(c.list.NextTrack());
        EXPECT_EQ(got, c.expected);
    }
}

TEST(PlayList, CopyKeepsOneShotTracksInTheOriginal)
{
    ZPlayList original;
    original.SetListName("story_lowkey");
    original.AddTrack("audio:intro.ogg", kOnce);
    original.AddTrack("audio:loop.ogg", kStay);
    ZPlayListData copy;
    copy.CopyTracksFrom(original);
    EXPECT_EQ(copy.GetListId(), ZNameId("story_lowkey").Value());
    EXPECT_STREQ(copy.CurrentTrack(), "audio:intro.ogg");
    EXPECT_STREQ(copy.NextTrack(), "audio:loop.ogg");
    EXPECT_EQ(copy.GetTrackCount(), 1u);
    EXPECT_EQ(original.GetTrackCount(), 2u);
    EXPECT_EQ(ZPlayListData().GetListId(), ZNameId::kNone);
}

TEST(PlayList, ShuffleKeepsEveryTrack)
{
    ZPlayListData list;
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i)
    {
        names.push_back("t" + std::to_string(i));
        list.AddTrack(names.back().c_str(), kStay);
    }
    list.Shuffle();
    std::vector<std::string> after;
    for (const ZPlayListTrack& t : list.GetTracks())
        after.push_back(t.GetName());
    EXPECT_NE(after, names);
    std::sort(after.begin(), after.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(after, names);
}

TEST(PlayList, TrackElementAttributes)
{
    ZSerializerBase* serializer = ZSerializerBase::FindByName("playlisttrack");
    ASSERT_NE(serializer, nullptr);
    struct Case
    {
        const char* type;
        uint32_t expected;
    } const cases[] = {{"remove", kOnce}, {"stay", kStay}, {"Remove", kStay}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.type);
        ZSerializerState* state = serializer->CreateNew();
        ASSERT_NE(state, nullptr);
        EXPECT_TRUE(state->SetAttribute(ZNameId("path"), "path", "audio:music_main.ogg"));
        EXPECT_TRUE(state->SetAttribute(ZNameId("type"), "type", c.type));
        EXPECT_FALSE(state->SetAttribute(ZNameId("gain"), "gain", "1"));
        const auto* track = static_cast<const ZPlayListTrack*>(state->object);
        EXPECT_EQ(track->GetName(), "audio:music_main.ogg");
        EXPECT_EQ(track->GetType(), c.expected);
        ZSerializerState::Release(state);
    }
}
