#pragma once
// Texture pixel formats and the row converters between them. Every converter works row by row over
// a width and height, reading packed source rows and writing at a destination pitch.
#include <cstddef>
#include <cstdint>

enum EPixelFormat : int32_t
{
    kPixelNone = -1,
    kPixelOneChannel = 0, // 1 byte
    kPixelRGB = 1,        // R, G, B
    kPixelFourNoAlpha = 2,
    kPixelRGBA = 3, // R, G, B, A
    kPixelABGR = 4, // A, B, G, R (alpha first)
    kPixelBGR = 5,  // B, G, R
    kPixelBGRA = 6, // B, G, R, A
    kPixelGrey = 7, // 1 byte
    kPixel4444 = 8, // 16-bit, 4 bits per channel
    kPixel1555 = 9, // 16-bit, 5 bits per colour, alpha bit on top
};

// Bytes per pixel of a format; 0 for none.
int PixelFormatBytes(int32_t format);
// The byte offset of the alpha channel, -1 when the format has none.
int PixelFormatAlphaByte(int32_t format);

namespace pixel
{
// Each converts height rows of width pixels; source rows are packed, destination rows start
// `dstPitch` bytes apart.
void CopyRows4(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch);
void Expand3To4(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch);
void Expand3To4Swapped(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch);
void Expand3To4AlphaFirst(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch);
void SwapRB4(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch);
void SwapRB3(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch);
void GreyTo4(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch);
void Reverse4(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch);
// From format 3 (alpha nibble 15) or 6 (the alpha's top bits) to 4 bits per channel.
void To4444(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch, bool fromBGRA);
// From format 3 (alpha bit 1) or 6 (the alpha's top bit) to 5 bits per colour.
void To1555(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch, bool fromBGRA);
} // namespace pixel

// Converts a packed image between formats into a new buffer (malloc'd, packed rows). Null when the
// pair is not supported. Same-layout pairs (3 to 2) keep the bytes.
uint8_t* ConvertPixels(const uint8_t* src, int32_t from, int32_t to, int width, int height);
bool IsConversionSupported(int32_t from, int32_t to);
