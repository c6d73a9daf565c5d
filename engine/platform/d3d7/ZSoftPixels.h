#pragma once
// Pixel layouts that software surfaces can hold, and the conversion of one pixel to and from a
// 32-bit ARGB word. 16-bit channels are widened by repeating their top bits, so that full scale
// stays full scale (0x1F -> 0xFF).
#include "engine/platform/d3d7/ZSoftD3D7Types.h"

namespace soft7
{
enum class PixelKind : uint8_t
{
    None,
    ARGB8888,
    XRGB8888,
    RGB565,
    XRGB1555,
    ARGB1555,
    ARGB4444,
    AL88,
    Depth, // depth and stencil are kept in their own planes, not as bytes
};

PixelKind KindFromFormat(const SSoftPixelFormat& format);
SSoftPixelFormat FormatFromKind(PixelKind kind);
inline uint32_t BytesPerPixel(PixelKind kind)
{
    switch (kind)
    {
    case PixelKind::None:
        return 0;
    case PixelKind::ARGB8888:
    case PixelKind::XRGB8888:
    case PixelKind::Depth:
        return 4;
    default:
        return 2;
    }
}
bool KindHasAlpha(PixelKind kind);

// Reads one pixel as ARGB; formats without alpha read alpha 255.
uint32_t DecodeARGB(PixelKind kind, const uint8_t* pixel);
// Writes one ARGB colour in the pixel's layout (channels truncated to the layout's width).
void EncodeARGB(PixelKind kind, uint32_t argb, uint8_t* pixel);
// The raw value of an ARGB colour in the layout (what a colour fill of that colour writes).
uint32_t RawFromARGB(PixelKind kind, uint32_t argb);
} // namespace soft7
