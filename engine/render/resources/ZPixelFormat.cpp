#include "engine/render/resources/ZPixelFormat.h"

#include <cstdlib>
#include <cstring>

int PixelFormatBytes(int32_t format)
{
    switch (format)
    {
    case kPixelOneChannel:
    case kPixelGrey:
        return 1;
    case kPixelRGB:
    case kPixelBGR:
        return 3;
    case kPixelFourNoAlpha:
    case kPixelRGBA:
    case kPixelABGR:
    case kPixelBGRA:
        return 4;
    case kPixel4444:
    case kPixel1555:
        return 2;
    default:
        return 0;
    }
}

int PixelFormatAlphaByte(int32_t format)
{
    switch (format)
    {
    case kPixelOneChannel:
    case kPixelGrey:
    case kPixelABGR:
        return 0;
    case kPixelRGBA:
    case kPixelBGRA:
        return 3;
    default:
        return -1;
    }
}

namespace pixel
{
namespace
{
template <int In, int Out, class F>
void ForEach(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch, F f)
{
    for (int y = 0; y < height; ++y)
    {
        const uint8_t* s = src + size_t(y) * size_t(width) * In;
        uint8_t* d = dst + size_t(y) * dstPitch;
        for (int x = 0; x < width; ++x, s += In, d += Out)
            f(s, d);
    }
}
} // namespace

void CopyRows4(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch)
{
    for (int y = 0; y < height; ++y)
        std::memcpy(dst + size_t(y) * dstPitch, src + size_t(y) * size_t(width) * 4, size_t(width) * 4);
}

void Expand3To4(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch)
{
    ForEach<3, 4>(src, dst, width, height, dstPitch,
                  [](const uint8_t* s, uint8_t* d) { d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255; });
}

void Expand3To4Swapped(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch)
{
    ForEach<3, 4>(src, dst, width, height, dstPitch,
                  [](const uint8_t* s, uint8_t* d) { d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 255; });
}

void Expand3To4AlphaFirst(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch)
{
    ForEach<3, 4>(src, dst, width, height, dstPitch,
                  [](const uint8_t* s, uint8_t* d) { d[0] = 255, d[1] = s[2], d[2] = s[1], d[3] = s[0]; });
}

void SwapRB4(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch)
{
    ForEach<4, 4>(src, dst, width, height, dstPitch,
                  [](const uint8_t* s, uint8_t* d)
                  {
                      const uint8_t r = s[0], b = s[2];
                      d[0] = b, d[1] = s[1], d[2] = r, d[3] = s[3];
                  });
}

void SwapRB3(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch)
{
    ForEach<3, 3>(src, dst, width, height, dstPitch,
                  [](const uint8_t* s, uint8_t* d)
                  {
                      const uint8_t r = s[0], b = s[2];
                      d[0] = b, d[1] = s[1], d[2] = r;
                  });
}

void GreyTo4(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch)
{
    ForEach<1, 4>(src, dst, width, height, dstPitch,
                  [](const uint8_t* s, uint8_t* d) { d[0] = d[1] = d[2] = s[0], d[3] = 255; });
}

void Reverse4(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch)
{
    ForEach<4, 4>(src, dst, width, height, dstPitch,
                  [](const uint8_t* s, uint8_t* d)
                  {
                      const uint8_t a = s[0], b = s[1], c = s[2], e = s[3];
                      d[0] = e, d[1] = c, d[2] = b, d[3] = a;
                  });
}

// 16-bit values are stored little-endian.
void To4444(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch, bool fromBGRA)
{
    ForEach<4, 2>(src, dst, width, height, dstPitch,
                  [fromBGRA](const uint8_t* s, uint8_t* d)
                  {
                      const uint8_t r = fromBGRA ? s[2] : s[0];
                      const uint8_t b = fromBGRA ? s[0] : s[2];
                      const uint16_t a = fromBGRA ? uint16_t(s[3] >> 4) : 15;
                      const uint16_t v = uint16_t(a << 12 | (r >> 4) << 8 | (s[1] >> 4) << 4 | (b >> 4));
                      d[0] = uint8_t(v), d[1] = uint8_t(v >> 8);
                  });
}

void To1555(const uint8_t* src, uint8_t* dst, int width, int height, size_t dstPitch, bool fromBGRA)
{
    ForEach<4, 2>(src, dst, width, height, dstPitch,
                  [fromBGRA](const uint8_t* s, uint8_t* d)
                  {
                      const uint8_t r = fromBGRA ? s[2] : s[0];
                      const uint8_t b = fromBGRA ? s[0] : s[2];
                      const uint16_t a = fromBGRA ? uint16_t(s[3] >> 7) : 1;
                      const uint16_t v = uint16_t(a << 15 | (r >> 3) << 10 | (s[1] >> 3) << 5 | (b >> 3));
                      d[0] = uint8_t(v), d[1] = uint8_t(v >> 8);
                  });
}
} // namespace pixel

bool IsConversionSupported(int32_t from, int32_t to)
{
    switch (from)
    {
    case kPixelRGB:
        return to == kPixelRGBA || to == kPixelABGR || to == kPixelBGRA;
    case kPixelRGBA:
        return to == kPixelFourNoAlpha || to == kPixelABGR || to == kPixelBGRA || to == kPixel4444 ||
               to == kPixel1555;
    case kPixelBGR:
        return to == kPixelRGB || to == kPixelBGRA;
    case kPixelBGRA:
        return to == kPixelRGBA || to == kPixel4444 || to == kPixel1555;
    case kPixelGrey:
        return to == kPixelBGRA;
    default:
        return false;
    }
}

uint8_t* ConvertPixels(const uint8_t* src, int32_t from, int32_t to, int width, int height)
{
    if (!src || width <= 0 || height <= 0 || !IsConversionSupported(from, to))
        return nullptr;
    const int bytes = PixelFormatBytes(to);
    const size_t pitch = size_t(width) * size_t(bytes);
    uint8_t* dst = static_cast<uint8_t*>(std::malloc(pitch * size_t(height)));
    if (!dst)
        return nullptr;
    switch (from * 16 + to)
    {
    case kPixelRGB * 16 + kPixelRGBA:
    case kPixelBGR * 16 + kPixelBGRA:
        pixel::Expand3To4(src, dst, width, height, pitch);
        break;
    case kPixelRGB * 16 + kPixelBGRA:
        pixel::Expand3To4Swapped(src, dst, width, height, pitch);
        break;
    case kPixelRGB * 16 + kPixelABGR:
        pixel::Expand3To4AlphaFirst(src, dst, width, height, pitch);
        break;
    case kPixelRGBA * 16 + kPixelFourNoAlpha:
        pixel::CopyRows4(src, dst, width, height, pitch);
        break;
    case kPixelRGBA * 16 + kPixelABGR:
        // Alpha first, as format 4 is read (alpha at byte 0) and saved (full reversal to R, G, B, A).
        pixel::Reverse4(src, dst, width, height, pitch);
        break;
    case kPixelRGBA * 16 + kPixelBGRA:
    case kPixelBGRA * 16 + kPixelRGBA:
        pixel::SwapRB4(src, dst, width, height, pitch);
        break;
    case kPixelRGBA * 16 + kPixel4444:
        pixel::To4444(src, dst, width, height, pitch, false);
        break;
    case kPixelBGRA * 16 + kPixel4444:
        pixel::To4444(src, dst, width, height, pitch, true);
        break;
    case kPixelRGBA * 16 + kPixel1555:
        pixel::To1555(src, dst, width, height, pitch, false);
        break;
    case kPixelBGRA * 16 + kPixel1555:
        pixel::To1555(src, dst, width, height, pitch, true);
        break;
    case kPixelBGR * 16 + kPixelRGB:
        pixel::SwapRB3(src, dst, width, height, pitch);
        break;
    case kPixelGrey * 16 + kPixelBGRA:
        pixel::GreyTo4(src, dst, width, height, pitch);
        break;
    default:
        std::free(dst);
        return nullptr;
    }
    return dst;
}
