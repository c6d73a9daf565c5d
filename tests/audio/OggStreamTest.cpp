// Ogg Vorbis streams over the engine's files: decoding equals vorbisfile's own, rewinding,
// seeking, and broken or truncated files failing cleanly.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AudioFixture.h"
#include "engine/audio/ZOggVorbisStream.h"
#include "engine/fs/ZFile.h"

using namespace audiotest;

namespace
{
class OggStream : public AudioFilesTest
{
protected:
    void SetUp() override
    {
        AudioFilesTest::SetUp();
        name = Put("tone.ogg", EncodeOgg(Sine(44100, 2, 44100), 2, 44100));
        path = folder.File("tone.ogg");
        reference = DecodeOggReference(path);
        ASSERT_FALSE(reference.empty());
    }

    std::vector<int16_t> ReadAll(ZOggVorbisStream& stream, size_t chunk)
    {
        std::vector<int16_t> out;
        std::vector<uint8_t> buffer(chunk);
        for (;;)
        {
            const size_t n = stream.Read(buffer.data(), buffer.size());
            if (n == 0)
                break;
            for (size_t i = 0; i + 1 < n; i += 2)
                out.push_back(int16_t(uint16_t(buffer[i] | (buffer[i + 1] << 8))));
        }
        return out;
    }

    std::string name;
    std::string path;
    std::vector<int16_t> reference;
};
} // namespace

TEST_F(OggStream, CallerFileDecodesAsVorbisfileDoes)
{
    ZFile file(path, FILE_READ);
    ASSERT_EQ(file.Open(), 0);
    ZOggVorbisStream stream(&file);
    ASSERT_TRUE(stream.IsDecoderOpen());
    EXPECT_TRUE(stream.IsSeekable());
    EXPECT_EQ(stream.GetSampleRate(), 44100u);
    EXPECT_EQ(stream.GetChannels(), 2u);
    EXPECT_EQ(stream.GetTotalPcmSize(), int64_t(reference.size() * 2));
    EXPECT_EQ(ReadAll(stream, 3000), reference);
    // The caller's file stays the caller's, open.
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(stream.Seek(0), 0);
    EXPECT_EQ(ReadAll(stream, 65536), reference);
}

TEST_F(OggStream, BytesInMemoryDecodeAsVorbisfileDoesAndSeek)
{
    const std::vector<uint8_t> bytes = ReadFile(path);
    ZOggVorbisStream stream(bytes.data(), bytes.size());
    ASSERT_TRUE(stream.IsDecoderOpen());
    EXPECT_TRUE(stream.IsSeekable());
    EXPECT_EQ(stream.GetSize(), int64_t(bytes.size()));
    EXPECT_EQ(stream.GetTotalPcmSize(), int64_t(reference.size() * 2));
    EXPECT_EQ(ReadAll(stream, 3000), reference);
    EXPECT_EQ(stream.Seek(0), 0);
    EXPECT_EQ(ReadAll(stream, 65536), reference);
    // Opening again starts over, part way through as at the end.
    ASSERT_EQ(stream.Open(), 0);
    std::vector<uint8_t> part(1000);
    EXPECT_EQ(stream.Read(part.data(), part.size()), part.size());
    ASSERT_EQ(stream.Open(), 0);
    EXPECT_EQ(ReadAll(stream, 4096), reference);
}

TEST_F(OggStream, ByNameStreamsForwardAndRewindsByReopening)
{
    ZOggVorbisStream stream(name.c_str());
    ASSERT_TRUE(stream.IsDecoderOpen());
    EXPECT_FALSE(stream.IsSeekable());
    EXPECT_EQ(stream.GetFileName(), path);
    ASSERT_NE(stream.GetFile(), nullptr);
    EXPECT_TRUE(stream.GetFile()->GetFlags() & FILE_STREAMED);
    // Without seeking the decoder cannot tell the length.
    EXPECT_EQ(stream.GetTotalPcmSize(), -1);
    EXPECT_EQ(stream.Seek(0), 1);
    std::vector<uint8_t> half(reference.size());
    EXPECT_EQ(stream.Read(half.data(), half.size()), half.size());
    ASSERT_EQ(stream.Open(), 0);
    EXPECT_EQ(ReadAll(stream, 4096), reference);
}

TEST_F(OggStream, BrokenOrTruncatedFilesFailCleanly)
{
    const std::vector<uint8_t> good = ReadFile(path);
    ASSERT_GT(good.size(), 200u);
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> garbage = good;
    for (size_t i = 0; i < garbage.size(); i += 7)
        garbage[i] ^= 0x5A;
    const Case cases[] = {
        {"empty", {}},
        {"headers cut", std::vector<uint8_t>(good.begin(), good.begin() + 100)},
        {"scrambled", garbage},
        {"not ogg at all", MakeWav(SamplesToBytes(Sine(100, 1, 44100)), 1, 44100)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::string brokenName = Put("broken.ogg", c.bytes);
        const std::string broken = folder.File("broken.ogg");
        ZOggVorbisStream byName(brokenName.c_str());
        EXPECT_FALSE(byName.IsDecoderOpen());
        char buffer[256];
        EXPECT_EQ(byName.Read(buffer, sizeof(buffer)), 0u);
        EXPECT_EQ(byName.GetSampleRate(), 0u);
        ZFile file(broken, FILE_READ);
        ASSERT_EQ(file.Open(), 0);
        ZOggVorbisStream byFile(&file);
        EXPECT_FALSE(byFile.IsDecoderOpen());
        EXPECT_EQ(byFile.Read(buffer, sizeof(buffer)), 0u);
        ZOggVorbisStream inMemory(c.bytes.data(), c.bytes.size());
        EXPECT_FALSE(inMemory.IsDecoderOpen());
        EXPECT_EQ(inMemory.Read(buffer, sizeof(buffer)), 0u);
    }
    // Cut in the middle of the audio: what is there decodes, and it is the start of the music.
    const std::string longer = folder.File("long.ogg");
    WriteFile(longer, EncodeOgg(Sine(44100 * 6, 2, 44100), 2, 44100));
    const std::vector<int16_t> full = DecodeOggReference(longer);
    const std::vector<uint8_t> bytes = ReadFile(longer);
    const std::string cut =
        Put("cut.ogg",
            std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(bytes.size() * 6 / 10)));
    ZOggVorbisStream stream(cut.c_str());
    ASSERT_TRUE(stream.IsDecoderOpen());
    const std::vector<int16_t> decoded = ReadAll(stream, 4096);
    EXPECT_LT(decoded.size(), full.size());
    ASSERT_GT(decoded.size(), 44100u);
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.begin() + 44100, full.begin()));
}

TEST_F(OggStream, MissingFileGivesNoStream)
{
    ZOggVorbisStream stream("audio:absent.ogg");
    EXPECT_FALSE(stream.IsDecoderOpen());
    EXPECT_EQ(stream.Open(), 1);
}
