// Sounds and play lists as resources: lookup by name in their kind groups, the scene attributes,
// loading through the loader thread, and reloading after a device restart.
#include <gtest/gtest.h>

#include <string>

#include "AudioFixture.h"
#include "engine/audio/ZPlayList.h"
#include "engine/core/ZSerializer.h"

using namespace audiotest;

namespace
{
class SoundResources : public ManualAudioTest
{
protected:
    void SetUp() override
    {
        ManualAudioTest::SetUp();
        click = Put("click.wav", MakeWav(SamplesToBytes(Sine(441, 2, 44100)), 2, 44100));
    }
    std::string click;
};

bool SetAttr(ZSerializerState* state, const char* name, const char* value)
{
    return state->SetAttribute(ZNameId(name), name, value);
}
} // namespace

TEST_F(AudioFilesTest, LookupsBeforeAnythingWasMadeFindNothing)
{
    EXPECT_EQ(ZSound::Find("falsemove"), nullptr);
    EXPECT_EQ(ZSound::Find(nullptr), nullptr);
    EXPECT_EQ(ZPlayList::Find("shop1"), nullptr);
    ZSound sound;
    EXPECT_STREQ(sound.GetName(), "Sound");
    EXPECT_FALSE(sound.Play()) << "no audio object";
    sound.SetPan(3.0f);
    EXPECT_EQ(sound.GetPan(), 1.0f);
    EXPECT_EQ(sound.GetDataSize(), 0);
}

TEST_F(SoundResources, SceneAttributesMakeAPlayableSound)
{
    ZSerializerBase* serializer = ZSerializerBase::FindByName("sound");
    ASSERT_NE(serializer, nullptr);
    ZSerializerState* state = serializer->CreateNew();
    ASSERT_NE(state, nullptr);
    EXPECT_TRUE(SetAttr(state, "name", "button_click"));
    EXPECT_TRUE(SetAttr(state, "path", click.c_str()));
    EXPECT_TRUE(SetAttr(state, "looping", "true"));
    EXPECT_TRUE(SetAttr(state, "gain", "0.25"));
    EXPECT_TRUE(SetAttr(state, "pan", "-3"));
    EXPECT_FALSE(SetAttr(state, "colour", "red"));
    ZSound* sound = ZEntityCast<ZSound>(state->Entity());
    ZSerializerState::Release(state);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(ZSound::Find("button_click"), sound);
    EXPECT_STREQ(sound->GetName(), "button_click");
    EXPECT_TRUE(sound->IsLooping());
    EXPECT_FLOAT_EQ(sound->GetVolume(), 0.25f);
    EXPECT_EQ(sound->GetPan(), -1.0f);
    ASSERT_NE(sound->GetResource(), nullptr);
    EXPECT_EQ(ZSoundResource::Find(click.c_str()), sound->GetResource());
    EXPECT_TRUE(sound->GetResource()->IsLoaded());
    // Decoded at once; the upload into a voice waits for the frame step.
    EXPECT_TRUE(audio->HasPendingWork());
    audio->Update();
    EXPECT_FALSE(audio->HasPendingWork());
    EXPECT_EQ(sound->GetDataSize(), 441 * 4);
    EXPECT_FALSE(sound->Play());
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_TRUE(audio->IsVoiceLooping(sound->GetVoiceHandle()));
}

TEST_F(SoundResources, PlayListElementCopiesItsTracks)
{
    ZSerializerState* list = ZSerializerBase::FindByName("playlist")->CreateNew();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(SetAttr(list, "name", "coral_tracks"));
    for (const char* type : {"remove", "stay"})
    {
        ZSerializerState* track = ZSerializerBase::FindByName("playlisttrack")->CreateNew();
        SetAttr(track, "path", type[0] == 'r' ? "audio:intro.ogg" : "audio:coral.ogg");
        SetAttr(track, "type", type);
        track->name = "track";
        EXPECT_TRUE(ZSerializerState::HandChild(list, track));
        ZSerializerState::Release(track);
    }
    ZPlayList* playList = ZEntityCast<ZPlayList>(list->Entity());
    ZSerializerState::Release(list);
    ASSERT_NE(playList, nullptr);
    EXPECT_EQ(ZPlayList::Find("coral_tracks"), playList);
    ASSERT_EQ(playList->GetTrackCount(), 2u);
    EXPECT_EQ(playList->GetTracks()[0].GetType(), ZPlayListTrack::kRemove);
    EXPECT_EQ(playList->GetTracks()[1].GetName(), "audio:coral.ogg");
    EXPECT_EQ(playList->GetListId(), ZNameId("coral_tracks").Value());
}

TEST_F(SoundResources, CreateLoadsAtOnceInImmediateMode)
{
    ZResourceManager::GetInstance()->SetLoadMode(1);
    ZSound* sound = ZSound::Create(ZSoundResource::Get(click.c_str()));
    EXPECT_EQ(sound->GetRefCount(), 1);
    audio->Update();
    EXPECT_TRUE(sound->GetResource()->IsLoaded());
    EXPECT_TRUE(sound->GetResource()->HasFlags(ZSoundResource::kHasVoice));
    sound->Release();

    Put("inventory_equip.ogg", EncodeOgg(Sine(4410, 2, 44100), 2, 44100));
    ZSound* equip = ZSound::CreateEquipSound();
    ZSound* again = ZSound::CreateEquipSound();
    EXPECT_EQ(equip->GetResource(), again->GetResource());
    audio->Update();
    EXPECT_FALSE(equip->Play());
    EXPECT_TRUE(equip->IsPlaying());
    equip->Release();
    again->Release();
}

TEST_F(SoundResources, RestartReloadsEverySound)
{
    ZSoundResource* resource = Load(click);
    ZSound* sound = new ZSound(resource);
    EXPECT_EQ(audio->GetSounds().size(), 1u);
    ASSERT_EQ(audio->Restart(), 0);
    // Reloading goes through the loader thread and the end-of-frame takeover.
    ZResourceManager::GetInstance()->WaitForPendingLoads();
    ZResourceManager::GetInstance()->ProcessFinished();
    audio->Update();
    EXPECT_TRUE(resource->HasFlags(ZSoundResource::kHasVoice));
    EXPECT_EQ(resource->GetVoiceIndex(), 0);
    EXPECT_EQ(audio->GetSounds().size(), 1u);
    EXPECT_FALSE(sound->Play());
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_NE(Render(100), std::vector<int16_t>(200, 0));
    // Music that played before the restart plays on the new ring.
    const std::string tune = Put("tune.ogg", EncodeOgg(Sine(44100, 2, 44100), 2, 44100));
    audio->PlayMusic(tune.c_str());
    ASSERT_EQ(audio->Restart(), 0);
    EXPECT_TRUE(audio->IsMusicOn());
    uint32_t status = 0;
    audio->GetMusicBuffer()->GetStatus(&status);
    EXPECT_TRUE(status & kSoundStatusPlaying);
}
