#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "engine/render/resources/ZPixelFormat.h"

namespace
{
std::vector<uint8_t> Convert(const std::vector<uint8_t>& src, int32_t from, int32_t to, int width, int height)
{
    uint8_t* out = ConvertPixels(src.data(), from, to, width, height);
    if (!out)
        return {};
    std::vector<uint8_t> result(out, out + size_t(width) * size_t(height) * size_t(PixelFormatBytes(to)));
    std::free(out);
    return result;
}
} // namespace

struct ConversionCase
{
    const char* label;
    int32_t from, to;
    std::vector<uint8_t> in, out;
};

TEST(PixelFormat, ConvertsOnePixelOfEverySupportedPair)
{
    const ConversionCase cases[] = {
        {"RGB to RGBA", kPixelRGB, kPixelRGBA, {1, 2, 3}, {1, 2, 3, 255}},
        {"RGB to BGRA", kPixelRGB, kPixelBGRA, {1, 2, 3}, {3, 2, 1, 255}},
        {"RGB to alpha-first ABGR", kPixelRGB, kPixelABGR, {1, 2, 3}, {255, 3, 2, 1}},
        {"RGBA to BGRA", kPixelRGBA, kPixelBGRA, {1, 2, 3, 4}, {3, 2, 1, 4}},
        {"RGBA to ABGR", kPixelRGBA, kPixelABGR, {1, 2, 3, 4}, {4, 3, 2, 1}},
        {"RGBA to four channels keeps the bytes", kPixelRGBA, kPixelFourNoAlpha, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"BGRA to RGBA", kPixelBGRA, kPixelRGBA, {1, 2, 3, 4}, {3, 2, 1, 4}},
        {"BGR to RGB", kPixelBGR, kPixelRGB, {1, 2, 3}, {3, 2, 1}},
        {"BGR to BGRA", kPixelBGR, kPixelBGRA, {1, 2, 3}, {1, 2, 3, 255}},
        {"grey to BGRA", kPixelGrey, kPixelBGRA, {77}, {77, 77, 77, 255}},
        // 0xF (alpha) F (red 0xF0) 8 (green 0x80) 1 (blue 0x10), little-endian.
        {"RGBA to 4444 has a full alpha nibble",
         kPixelRGBA,
         kPixel4444,
         {0xF0, 0x80, 0x10, 0x00},
         {0x81, 0xFF}},
        {"BGRA to 4444 keeps the alpha's top bits",
         kPixelBGRA,
         kPixel4444,
         {0x10, 0x80, 0xF0, 0x70},
         {0x81, 0x7F}},
        // alpha 1, red 31, green 16, blue 2: 1 11111 10000 00010.
        {"RGBA to 1555 sets the alpha bit", kPixelRGBA, kPixel1555, {0xF8, 0x80, 0x10, 0x00}, {0x02, 0xFE}},
        {"BGRA to 1555 takes the alpha's top bit",
         kPixelBGRA,
         kPixel1555,
         {0x10, 0x80, 0xF8, 0x7F},
         {0x02, 0x7E}},
    };
    for (const ConversionCase& c : cases)
        EXPECT_EQ(Convert(c.in, c.from, c.to, 1, 1), c.out) << c.label;
}

TEST(PixelFormat, UnsupportedPairsGiveNothing)
{
    const std::vector<uint8_t> pixel{1, 2, 3, 4};
    EXPECT_TRUE(Convert(pixel, kPixelBGRA, kPixelABGR, 1, 1).empty());
    EXPECT_TRUE(Convert(pixel, kPixelGrey, kPixelRGBA, 1, 1).empty());
    EXPECT_TRUE(Convert(pixel, kPixelNone, kPixelRGBA, 1, 1).empty());
    EXPECT_EQ(ConvertPixels(nullptr, kPixelRGB, kPixelRGBA, 1, 1), nullptr);
}

TEST(PixelFormat, RowsOfSeveralPixelsStayInOrder)
{
    // Two rows of two RGB pixels.
    const std::vector<uint8_t> in{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(Convert(in, kPixelRGB, kPixelBGRA, 2, 2),
              (std::vector<uint8_t>{3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255, 12, 11, 10, 255}));
}

TEST(PixelFormat, ConvertersWriteAtTheDestinationPitch)
{
    const uint8_t in[] = {1, 2, 3, 4, 5, 6};
    uint8_t out[2 * 12] = {};
    pixel::Expand3To4(in, out, 1, 2, 12);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[3], 255);
    EXPECT_EQ(out[4], 0) << "the gap of the pitch is left alone";
    EXPECT_EQ(out[12], 4);
    EXPECT_EQ(out[15], 255);
}

TEST(PixelFormat, AlphaBytes)
{
    EXPECT_EQ(PixelFormatAlphaByte(kPixelRGBA), 3);
    EXPECT_EQ(PixelFormatAlphaByte(kPixelBGRA), 3);
    EXPECT_EQ(PixelFormatAlphaByte(kPixelABGR), 0);
    EXPECT_EQ(PixelFormatAlphaByte(kPixelGrey), 0);
    EXPECT_EQ(PixelFormatAlphaByte(kPixelRGB), -1);
    EXPECT_EQ(PixelFormatBytes(kPixel4444), 2);
    EXPECT_EQ(PixelFormatBytes(kPixelNone), 0);
}
