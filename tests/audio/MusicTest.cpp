// Play-list music streamed by the music thread into the ring, checked through the manual pump:
// the rendered PCM equals the decoded tracks back to back; lists loop, one-shot lists end in
// silence, fades move the ring's volume, and the thread stops and is joined at shutdown.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "AudioFixture.h"
#include "engine/audio/ZAudioNullSound.h"
#include "engine/audio/ZOggVorbisStream.h"

using namespace audiotest;

namespace
{
class Music : public ManualAudioTest
{
protected:
    void SetUp() override
    {
        ManualAudioTest::SetUp();
        // Full music volume, so that the ring's samples reach the output unchanged.
        g_audioVolumeMusic.SetValue(1.0f);
        first = Put("first.ogg", EncodeOgg(Sine(44100 * 5 / 2, 2, 44100, 10000.0, 330.0, 440.0), 2, 44100));
        second = Put("second.ogg", EncodeOgg(Sine(44100 * 3 / 2, 2, 44100, 8000.0, 550.0, 220.0), 2, 44100));
        firstPcm = DecodeOggReference(folder.File("first.ogg"));
        secondPcm = DecodeOggReference(folder.File("second.ogg"));
    }

    // Lets the music thread take two steps, so that it has seen everything rendered so far.
    void WaitForThread()
    {
        ZAudioThread& thread = audio->GetMusicThread();
        ASSERT_TRUE(thread.IsRunning());
        const uint32_t start = thread.GetStepCount();
        for (int i = 0; i < 1000 && thread.GetStepCount() < start + 2; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_GE(thread.GetStepCount(), start + 2) << "the music thread stalled";
    }

    // Renders `seconds` of output in half seconds, letting the thread refill in between.
    std::vector<int16_t> Play(double seconds)
    {
        std::vector<int16_t> out;
        const uint32_t chunk = 44100 / 2;
        for (uint32_t done = 0; done < uint32_t(seconds * 44100.0); done += chunk)
        {
            const std::vector<int16_t> part = Render(chunk);
            out.insert(out.end(), part.begin(), part.end());
            WaitForThread();
        }
        return out;
    }

    static std::vector<int16_t> Concat(std::initializer_list<const std::vector<int16_t>*> parts,
                                       size_t samples)
    {
        std::vector<int16_t> out;
        while (out.size() < samples)
            for (const std::vector<int16_t>* p : parts)
                out.insert(out.end(), p->begin(), p->end());
        out.resize(samples);
        return out;
    }

    std::string first;
    std::string second;
    std::vector<int16_t> firstPcm;
    std::vector<int16_t> secondPcm;
};

size_t FirstDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b)
{
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            return i;
    return a.size() == b.size() ? size_t(-1) : std::min(a.size(), b.size());
}
} // namespace

TEST_F(Music, PlayListStreamsOnTheMusicThreadWithoutGaps)
{
    ZPlayList list;
    list.SetListName("sand_tracks");
    list.AddTrack(first.c_str(), ZPlayListTrack::kStays);
    list.AddTrack(second.c_str(), ZPlayListTrack::kStays);
    EXPECT_FALSE(audio->GetMusicThread().IsRunning());
    audio->PlayPlayList(&list);
    EXPECT_TRUE(audio->IsMusicOn());
    EXPECT_EQ(audio->GetMusicThread().GetName(), "music_thread");
    EXPECT_EQ(audio->GetMusicThread().GetPeriod(), 80u);
    EXPECT_EQ(audio->GetPlayList()->GetListId(), ZNameId("sand_tracks").Value());
    // Two rounds of the list: 8 seconds, more than twice the ring.
    const std::vector<int16_t> out = Play(9.0);
    const std::vector<int16_t> expected = Concat({&firstPcm, &secondPcm}, out.size());
    EXPECT_EQ(FirstDifference(out, expected), size_t(-1));
    EXPECT_TRUE(audio->IsMusicOn());
}

TEST_F(Music, OneShotListEndsInSilenceAndStops)
{
    ZPlayList list;
    list.AddTrack(second.c_str(), ZPlayListTrack::kRemove);
    audio->PlayPlayList(&list);
    const std::vector<int16_t> out = Play(4.0);
    std::vector<int16_t> expected = secondPcm;
    expected.resize(out.size(), 0);
    EXPECT_EQ(FirstDifference(out, expected), size_t(-1));
    EXPECT_FALSE(audio->IsMusicOn());
    uint32_t status = 0;
    audio->GetMusicBuffer()->GetStatus(&status);
    EXPECT_EQ(status & kSoundStatusPlaying, 0u);
    // The list kept by the resource still has its track; the copy has none.
    EXPECT_EQ(list.GetTrackCount(), 1u);
    EXPECT_EQ(audio->GetPlayList()->GetTrackCount(), 0u);
}

TEST_F(Music, BrokenTracksAreSkipped)
{
    const std::string broken = Put("broken.ogg", std::vector<uint8_t>(50, 'x'));
    ZPlayList list;
    list.AddTrack(broken.c_str(), ZPlayListTrack::kStays);
    list.AddTrack(second.c_str(), ZPlayListTrack::kStays);
    list.AddTrack("audio:absent.ogg", ZPlayListTrack::kStays);
    audio->PlayPlayList(&list);
    const std::vector<int16_t> out = Play(3.5);
    EXPECT_EQ(FirstDifference(out, Concat({&secondPcm}, out.size())), size_t(-1));
}

TEST_F(Music, ListOfOnlyBrokenTracksPlaysSilence)
{
    const std::string broken = Put("broken.ogg", std::vector<uint8_t>(50, 'x'));
    ZPlayList list;
    list.AddTrack(broken.c_str(), ZPlayListTrack::kStays);
    audio->PlayPlayList(&list);
    EXPECT_EQ(Play(1.0), std::vector<int16_t>(44100 * 2, 0));
}

TEST_F(Music, PlayMusicRewindsTheSameFileAndNoMusicKeepsWhatPlays)
{
    audio->PlayMusic(first.c_str());
    std::vector<int16_t> out = Play(0.5);
    ZOggVorbisStream* stream = audio->GetMusicStream();
    audio->PlayMusic(first.c_str());
    EXPECT_EQ(audio->GetMusicStream(), stream) << "the same file is rewound, not reopened";
    out = Play(1.0);
    EXPECT_EQ(FirstDifference(out, Concat({&firstPcm}, out.size())), size_t(-1));

    g_audioNoMusic.SetValue(true);
    audio->PlayMusic(second.c_str());
    EXPECT_TRUE(audio->IsMusicOn());
    EXPECT_STREQ(audio->GetPlayList()->CurrentTrack(), first.c_str());
}

TEST_F(Music, MonoMusicGetsAOneChannelRing)
{
    const std::string mono = Put("mono.ogg", EncodeOgg(Sine(44100, 1, 44100), 1, 44100));
    const std::vector<int16_t> pcm = DecodeOggReference(folder.File("mono.ogg"));
    audio->PlayMusic(mono.c_str());
    EXPECT_EQ(audio->GetMusicChannels(), 1);
    ZSoundFormat format;
    audio->GetMusicBuffer()->GetFormat(&format);
    EXPECT_EQ(format.channels, 1u);
    const std::vector<int16_t> out = Play(0.75);
    for (size_t i = 0; i < out.size() / 2; ++i)
    {
        ASSERT_EQ(out[2 * i], pcm[i]) << i;
        ASSERT_EQ(out[2 * i + 1], pcm[i]) << i;
    }
}

TEST_F(Music, ATrackOfAnotherFormatFollowsOnceThePreviousOneHasPlayed)
{
    // Stereo 44,100 Hz, then mono at the same rate, then stereo at 22,050 Hz: the ring changes
    // format between them, and neither the end of a track nor the next one may be lost.
    const std::string mono = Put("mono.ogg", EncodeOgg(Sine(44100, 1, 44100, 9000.0, 610.0), 1, 44100));
    const std::vector<int16_t> monoPcm = DecodeOggReference(folder.File("mono.ogg"));
    const std::string slow =
        Put("slow.ogg", EncodeOgg(Sine(22050, 2, 22050, 9000.0, 300.0, 200.0), 2, 22050));
    ZPlayList list;
    list.AddTrack(first.c_str(), ZPlayListTrack::kRemove);
    list.AddTrack(mono.c_str(), ZPlayListTrack::kRemove);
    list.AddTrack(slow.c_str(), ZPlayListTrack::kRemove);
    audio->PlayPlayList(&list);
    const std::vector<int16_t> out = Play(6.0);
    ASSERT_GT(out.size(), firstPcm.size());
    EXPECT_EQ(FirstDifference(
                  std::vector<int16_t>(out.begin(), out.begin() + std::ptrdiff_t(firstPcm.size())), firstPcm),
              size_t(-1));
    // The mono track, both channels alike, after at most a short pause.
    std::vector<int16_t> monoStereo;
    for (int16_t s : monoPcm)
        monoStereo.insert(monoStereo.end(), {s, s});
    size_t found = size_t(-1);
    for (size_t at = firstPcm.size(); at + monoStereo.size() <= out.size() && at < firstPcm.size() + 44100;
         at += 2)
    {
        if (std::equal(monoStereo.begin(), monoStereo.end(), out.begin() + std::ptrdiff_t(at)))
        {
            found = at;
            break;
        }
    }
    ASSERT_NE(found, size_t(-1)) << "the mono track did not follow";
    // Then the slow track plays (at its own rate), and the list ends in silence.
    const size_t slowStart = found + monoStereo.size();
    size_t loud = 0;
    for (size_t i = slowStart; i < std::min(out.size(), slowStart + 44100 * 2); ++i)
        loud += std::abs(int(out[i])) > 1000;
    EXPECT_GT(loud, size_t(44100));
    EXPECT_EQ(audio->GetMusicSampleRate(), 22050);
    EXPECT_EQ(audio->GetMusicChannels(), 2);
    EXPECT_FALSE(audio->IsMusicOn());
}

TEST_F(Music, FadesMoveTheRingVolume)
{
    audio->PlayMusic(first.c_str());
    auto ringVolume = [this]
    {
        int32_t v = 0;
        audio->GetMusicBuffer()->GetVolume(&v);
        return v;
    };
    EXPECT_EQ(ringVolume(), 0);
    audio->FadeOutMusic(2.0f);
    audio->StepFades(0.5f);
    EXPECT_FLOAT_EQ(ZAudioBase::GetFadeFactor(), 0.75f);
    EXPECT_EQ(ringVolume(), ZAudioDirectSound::VolumeToDevice(0.75f));
    // Half-way through the fade-out a fade-in of the same length continues from the level
    // reached, with no dip.
    audio->StepFades(0.5f);
    audio->FadeInMusic(2.0f);
    EXPECT_FLOAT_EQ(ZAudioBase::GetFadeFactor(), 0.5f);
    EXPECT_EQ(ringVolume(), ZAudioDirectSound::VolumeToDevice(0.5f));
    EXPECT_FLOAT_EQ(audio->GetFadeInRemaining(), 1.0f);
    audio->StepFades(0.5f);
    EXPECT_FLOAT_EQ(ZAudioBase::GetFadeFactor(), 0.75f);
    audio->StepFades(1.0f);
    EXPECT_FLOAT_EQ(ZAudioBase::GetFadeFactor(), 1.0f);
    EXPECT_EQ(audio->GetFadeInRemaining(), -1.0f);
    // A fade-out that runs out stops the music and leaves the factor at 1.
    audio->FadeOutMusic(1.0f);
    audio->StepFades(0.6f);
    EXPECT_TRUE(audio->IsMusicOn());
    audio->StepFades(0.6f);
    EXPECT_FALSE(audio->IsMusicOn());
    EXPECT_FLOAT_EQ(ZAudioBase::GetFadeFactor(), 1.0f);
    audio->PlayMusic(first.c_str());
    EXPECT_EQ(ringVolume(), 0);
    // A play list started during a fade plays at full level.
    audio->FadeOutMusic(1.0f);
    audio->StepFades(0.5f);
    audio->PlayMusic(second.c_str());
    EXPECT_EQ(ringVolume(), 0);
    EXPECT_EQ(audio->GetFadeOutRemaining(), -1.0f);
    // The music and master volumes and mute reach the ring.
    audio->SetMusicVolume(0.25f);
    EXPECT_EQ(ringVolume(), -1500);
    audio->SetMasterVolume(0.0f);
    EXPECT_EQ(ringVolume(), -10000);
    g_audioMute.SetValue(true);
    g_audioMute.SetValue(false);
    EXPECT_EQ(g_audioVolumeMaster.GetValue(), 1.0f);
    EXPECT_EQ(ringVolume(), -1500);
}

TEST_F(Music, PauseHoldsTheRing)
{
    audio->PlayMusic(first.c_str());
    std::vector<int16_t> out = Play(0.5);
    audio->PauseAll(true);
    EXPECT_EQ(Render(4410), std::vector<int16_t>(4410 * 2, 0));
    WaitForThread();
    audio->PauseAll(false);
    const std::vector<int16_t> rest = Play(2.0);
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_EQ(FirstDifference(out, Concat({&firstPcm}, out.size())), size_t(-1));
}

TEST_F(Music, ThreadStopsAndIsJoinedAtShutdown)
{
    audio->PlayMusic(first.c_str());
    Play(0.25);
    const uint32_t tid = audio->GetMusicThread().GetThreadId();
    ASSERT_NE(tid, 0u);
    const std::string task = "/proc/self/task/" + std::to_string(tid);
    struct stat st;
    EXPECT_EQ(stat(task.c_str(), &st), 0);
    audio.reset();
    EXPECT_EQ(g_audio, nullptr);
    EXPECT_NE(stat(task.c_str(), &st), 0) << "the music thread still exists";
}

TEST_F(AudioFilesTest, SilentAudioIsHarmless)
{
    const std::string click = Put("click.wav", MakeWav(SamplesToBytes(Sine(100, 2, 44100)), 2, 44100));
    ZAudioNullSound audio;
    EXPECT_EQ(g_audio, &audio);
    EXPECT_EQ(audio.Init(), 0);
    EXPECT_FALSE(audio.IsInitialised());
    audio.PlayMusic("audio:music_main.ogg");
    audio.FadeInMusic(1.0f);
    audio.Update();
    audio.PauseAll(true);
    audio.PauseAll(false);
    EXPECT_FALSE(audio.IsMusicOn());
    ZSoundResource resource(click.c_str());
    EXPECT_EQ(resource.Load(true), 0) << "sounds count as loaded without data";
    EXPECT_EQ(resource.GetData(), nullptr);
    ZSound sound(&resource);
    EXPECT_FALSE(sound.Play());
    EXPECT_FALSE(sound.IsPlaying());
    EXPECT_EQ(audio.PlaySoundResource(&resource, false), nullptr);
    EXPECT_FALSE(audio.HasPendingWork());
    audio.IdleStep();
}
