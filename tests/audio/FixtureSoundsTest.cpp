// The stored sound files under "audio:": effects in both formats and at another rate, played
// through the manual pump, and the damaged files refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AudioFixture.h"

using namespace audiotest;

namespace
{
class FixtureSounds : public ManualAudioTest
{
protected:
    std::string AudioFolder() const override { return std::string(QV_FIXTURES) + "/audio"; }

    // The samples after the 44-byte header of a canonical WAV file.
    static std::vector<int16_t> WavSamples(const char* name)
    {
        const std::vector<uint8_t> bytes = ReadFile(std::string(QV_FIXTURES) + "/audio/" + name);
        std::vector<int16_t> out;
        for (size_t i = 44; i + 1 < bytes.size(); i += 2)
            out.push_back(int16_t(uint16_t(bytes[i] | (bytes[i + 1] << 8))));
        return out;
    }
};
} // namespace

TEST_F(FixtureSounds, StoredEffectsPlayAsDecoded)
{
    struct Case
    {
        const char* name;
        std::vector<int16_t> pcm;
    } const cases[] = {
        {"audio:pop.wav", WavSamples("pop.wav")},
        {"audio:chime.ogg", DecodeOggReference(std::string(QV_FIXTURES) + "/audio/chime.ogg")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.pcm.empty());
        ZSound* sound = new ZSound(Load(c.name));
        EXPECT_EQ(sound->GetDataSize(), int32_t(c.pcm.size() * 2));
        sound->Play();
        std::vector<int16_t> expected = c.pcm;
        expected.resize(expected.size() + 200, 0);
        EXPECT_EQ(Render(uint32_t(expected.size() / 2)), expected);
    }
}

TEST_F(FixtureSounds, MonoAtAnotherRateFollowsTheFrequencyFactor)
{
    const std::vector<int16_t> pcm = WavSamples("hum_mono_22k.wav");
    ZSoundResource* resource = Load("audio:hum_mono_22k.wav");
    EXPECT_EQ(resource->GetChannels(), 1u);
    EXPECT_EQ(resource->GetSampleRate(), 22050u);
    ZSound* sound = new ZSound(resource);
    // Twice the rate plays the samples one per output frame, on both sides.
    sound->SetFrequency(2.0f);
    sound->Play();
    EXPECT_FLOAT_EQ(audio->GetVoiceFrequency(sound->GetVoiceHandle()), 2.0f);
    const std::vector<int16_t> out = Render(uint32_t(pcm.size()) + 10);
    for (size_t i = 0; i < pcm.size(); ++i)
    {
        ASSERT_EQ(out[2 * i], pcm[i]) << i;
        ASSERT_EQ(out[2 * i + 1], pcm[i]) << i;
    }
    EXPECT_EQ(out[2 * pcm.size()], 0);
}

TEST_F(FixtureSounds, DamagedAndUnsupportedFilesAreRefused)
{
    for (const char* name : {"audio:truncated.ogg", "audio:truncated.wav", "audio:eightbit.wav"})
    {
        SCOPED_TRACE(name);
        ZSoundResource* resource = ZSoundResource::Get(name);
        EXPECT_EQ(resource->Load(true), 1);
        EXPECT_FALSE(resource->IsLoaded());
        EXPECT_EQ(resource->GetData(), nullptr);
    }
    EXPECT_FALSE(audio->HasPendingWork());
    EXPECT_EQ(audio->GetVoicesInUse(), 0u);
}
