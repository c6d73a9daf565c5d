// The generated pictures decode with the engine's image library at the sizes the lists ask for.
#include <gtest/gtest.h>

#include <set>

#include <IL/il.h>

#include "data/GameFolder.h"

namespace
{

using namespace qvtest;

struct Picture
{
    bool ok = false;
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

Picture Decode(const std::vector<uint8_t>& bytes, ILenum type = IL_TYPE_UNKNOWN)
{
    Picture p;
    ILuint image = ilGenImage();
    ilBindImage(image);
    if (ilLoadL(type, bytes.data(), static_cast<ILuint>(bytes.size())) &&
        ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE))
    {
        p.width = ilGetInteger(IL_IMAGE_WIDTH);
        p.height = ilGetInteger(IL_IMAGE_HEIGHT);
        const ILubyte* data = ilGetData();
        p.rgba.assign(data, data + size_t(p.width) * p.height * 4);
        p.ok = true;
    }
    ilDeleteImage(image);
    return p;
}

class Images : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ilInit();
        ilEnable(IL_ORIGIN_SET);
        ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
    }
    static void TearDownTestSuite() { ilShutDown(); }
};

TEST_F(Images, EveryListedPictureDecodesAtItsSizeAndIsNotFlat)
{
    ZipReader zip(GameDir() / "resources.brn");
    ASSERT_TRUE(zip.Ok()) << zip.Error();
    int checked = 0;
    for (const ListLine& line : ReadList("images.list"))
    {
        const std::string path = line.words[0];
        SCOPED_TRACE(path);
        std::vector<uint8_t> bytes;
        if (line.options.count("place"))
            bytes = ReadBytes(GameDir() / path);
        else
        {
            const ZipEntry* entry = zip.Find(path);
            ASSERT_NE(entry, nullptr);
            std::string error;
            ASSERT_TRUE(zip.Read(*entry, bytes, error)) << error;
        }
        const bool icon = path.size() > 4 && path.substr(path.size() - 4) == ".ico";
        Picture p = Decode(bytes, icon ? IL_ICO : IL_TYPE_UNKNOWN);
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.width, std::stoi(line.words[2]));
        EXPECT_EQ(p.height, std::stoi(line.words[3]));
        // Not a flat fill: a failed draw leaves one or two colours.
        std::set<uint32_t> colours;
        for (size_t i = 0; i < p.rgba.size() && colours.size() < 64; i += 4)
            colours.insert(p.rgba[i] | (p.rgba[i + 1] << 8) | (p.rgba[i + 2] << 16) |
                           (uint32_t(p.rgba[i + 3]) << 24));
        EXPECT_GE(colours.size(), 4u);
        ++checked;
    }
    EXPECT_GT(checked, 150);
}

TEST_F(Images, TokensAndPointersHaveTransparentSurroundings)
{
    ZipReader zip(GameDir() / "resources.brn");
    ASSERT_TRUE(zip.Ok()) << zip.Error();
    for (const char* path :
         {"token_red_crab.png", "token_blue_seahorse_good.png", "token_treasure_gold_2.png", "pointer.png",
          "pointer_down.png", "particle_glow.png", "localized/en/medal_gold.png"})
    {
        SCOPED_TRACE(path);
        const ZipEntry* entry = zip.Find(path);
        ASSERT_NE(entry, nullptr);
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(zip.Read(*entry, bytes, error)) << error;
        Picture p = Decode(bytes);
        ASSERT_TRUE(p.ok);
        // Bottom-right corner clear (the pointer's hot spot is its top-left corner, which it fills).
        EXPECT_EQ(p.rgba[(size_t(p.height - 1) * p.width + (p.width - 1)) * 4 + 3], 0);
        // Something solid near the middle.
        int opaque = 0;
        for (int y = p.height / 4; y < p.height * 3 / 4; ++y)
            for (int x = p.width / 4; x < p.width * 3 / 4; ++x)
                opaque += p.rgba[(size_t(y) * p.width + x) * 4 + 3] > 200;
        EXPECT_GT(opaque, 0);
    }
}

TEST_F(Images, WindowIconIsASixtyFourPixelIcon)
{
    std::vector<uint8_t> bytes = ReadBytes(GameDir() / "localized" / "en" / "quorvane.ico");
    ASSERT_GE(bytes.size(), 22u);
    EXPECT_EQ(U16(&bytes[0]), 0u);
    EXPECT_EQ(U16(&bytes[2]), 1u);
    Picture p = Decode(bytes, IL_ICO);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.width, 64);
    EXPECT_EQ(p.height, 64);
}

} // namespace
