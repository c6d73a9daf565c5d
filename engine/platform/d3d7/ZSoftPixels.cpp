#include "engine/platform/d3d7/ZSoftPixels.h"

namespace soft7
{
namespace
{
inline uint32_t Widen5(uint32_t v)
{
    return (v << 3) | (v >> 2);
}
inline uint32_t Widen6(uint32_t v)
{
    return (v << 2) | (v >> 4);
}
inline uint32_t Widen4(uint32_t v)
{
    return (v << 4) | v;
}
inline uint32_t Read16(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
}
inline void Write16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
} // namespace

const char* ResultName(SoftResult result)
{
    switch (result)
    {
    case kOk:
        return "ok";
    case kErrGeneric:
        return "generic failure";
    case kErrInvalidParams:
        return "invalid parameters";
    case kErrOutOfMemory:
        return "out of memory";
    case kErrOutOfVideoMemory:
        return "out of video memory";
    case kErrSurfaceLost:
        return "surface lost";
    case kErrSurfaceBusy:
        return "surface busy";
    case kErrNotLocked:
        return "not locked";
    case kErrInvalidRect:
        return "invalid rectangle";
    case kErrInvalidPixelFormat:
        return "invalid pixel format";
    case kErrInvalidMode:
        return "invalid display mode";
    case kErrNoExclusiveMode:
        return "no exclusive mode";
    case kErrExclusiveModeAlreadySet:
        return "exclusive mode already set";
    case kErrWrongMode:
        return "wrong mode";
    case kErrPrimaryExists:
        return "primary surface already exists";
    case kErrNotFound:
        return "not found";
    case kErrNotFlippable:
        return "not flippable";
    case kErrSceneInScene:
        return "scene already begun";
    case kErrSceneNotInScene:
        return "no scene begun";
    case kErrVertexBufferLocked:
        return "vertex buffer locked";
    case kErrInvalidSurfaceType:
        return "invalid surface type";
    case kErrUnsupported:
        return "unsupported";
    default:
        return "unknown";
    }
}

uint32_t FvfStride(uint32_t fvf)
{
    uint32_t size = 0;
    switch (fvf & kFvfPositionMask)
    {
    case kFvfXyz:
        size = 12;
        break;
    case kFvfXyzRhw:
        size = 16;
        break;
    default:
        return 0;
    }
    if (fvf & kFvfNormal)
        size += 12;
    if (fvf & kFvfDiffuse)
        size += 4;
    if (fvf & kFvfSpecular)
        size += 4;
    size += 8 * ((fvf & kFvfTexCountMask) >> kFvfTexCountShift);
    return size;
}

SSoftPixelFormat FormatA8R8G8B8()
{
    return {kPfRgb | kPfAlphaPixels, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 0, 0};
}
SSoftPixelFormat FormatX8R8G8B8()
{
    return {kPfRgb, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0, 0, 0};
}
SSoftPixelFormat FormatR5G6B5()
{
    return {kPfRgb, 0, 16, 0xF800, 0x07E0, 0x001F, 0, 0, 0};
}
SSoftPixelFormat FormatX1R5G5B5()
{
    return {kPfRgb, 0, 16, 0x7C00, 0x03E0, 0x001F, 0, 0, 0};
}
SSoftPixelFormat FormatA1R5G5B5()
{
    return {kPfRgb | kPfAlphaPixels, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000, 0, 0};
}
SSoftPixelFormat FormatA4R4G4B4()
{
    return {kPfRgb | kPfAlphaPixels, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000, 0, 0};
}
SSoftPixelFormat FormatA8L8()
{
    return {kPfLuminance | kPfAlphaPixels, 0, 16, 0x00FF, 0, 0, 0xFF00, 0, 0};
}
SSoftPixelFormat FormatDepth(uint32_t zBits, uint32_t stencilBits)
{
    SSoftPixelFormat f;
    f.flags = kPfZBuffer | (stencilBits ? kPfStencilBuffer : 0);
    f.bitCount = zBits + stencilBits <= 16 ? 16 : 32;
    f.zBits = zBits;
    f.stencilBits = stencilBits;
    return f;
}

PixelKind KindFromFormat(const SSoftPixelFormat& f)
{
    if (f.flags & kPfZBuffer)
        return (f.zBits >= 1 && f.zBits <= 32 && f.stencilBits <= 8) ? PixelKind::Depth : PixelKind::None;
    if (f.flags & (kPfFourCC | kPfBumpDuDv))
        return PixelKind::None;
    const PixelKind kinds[] = {PixelKind::ARGB8888, PixelKind::XRGB8888, PixelKind::RGB565,
                               PixelKind::XRGB1555, PixelKind::ARGB1555, PixelKind::ARGB4444,
                               PixelKind::AL88};
    for (PixelKind k : kinds)
    {
        SSoftPixelFormat g = FormatFromKind(k);
        if (g.bitCount == f.bitCount && g.rMask == f.rMask && g.gMask == f.gMask && g.bMask == f.bMask &&
            g.aMask == ((f.flags & kPfAlphaPixels) ? f.aMask : 0) &&
            (g.flags & kPfLuminance) == (f.flags & kPfLuminance))
            return k;
    }
    return PixelKind::None;
}

SSoftPixelFormat FormatFromKind(PixelKind kind)
{
    switch (kind)
    {
    case PixelKind::ARGB8888:
        return FormatA8R8G8B8();
    case PixelKind::XRGB8888:
        return FormatX8R8G8B8();
    case PixelKind::RGB565:
        return FormatR5G6B5();
    case PixelKind::XRGB1555:
        return FormatX1R5G5B5();
    case PixelKind::ARGB1555:
        return FormatA1R5G5B5();
    case PixelKind::ARGB4444:
        return FormatA4R4G4B4();
    case PixelKind::AL88:
        return FormatA8L8();
    default:
        return {};
    }
}

bool KindHasAlpha(PixelKind kind)
{
    return kind == PixelKind::ARGB8888 || kind == PixelKind::ARGB1555 || kind == PixelKind::ARGB4444 ||
           kind == PixelKind::AL88;
}

uint32_t DecodeARGB(PixelKind kind, const uint8_t* p)
{
    switch (kind)
    {
    case PixelKind::ARGB8888:
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    case PixelKind::XRGB8888:
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | 0xFF000000u;
    case PixelKind::RGB565:
    {
        uint32_t v = Read16(p);
        return 0xFF000000u | (Widen5(v >> 11) << 16) | (Widen6((v >> 5) & 0x3F) << 8) | Widen5(v & 0x1F);
    }
    case PixelKind::XRGB1555:
    case PixelKind::ARGB1555:
    {
        uint32_t v = Read16(p);
        uint32_t a = (kind == PixelKind::XRGB1555 || (v & 0x8000)) ? 0xFF : 0;
        return (a << 24) | (Widen5((v >> 10) & 0x1F) << 16) | (Widen5((v >> 5) & 0x1F) << 8) |
               Widen5(v & 0x1F);
    }
    case PixelKind::ARGB4444:
    {
        uint32_t v = Read16(p);
        return (Widen4(v >> 12) << 24) | (Widen4((v >> 8) & 0xF) << 16) | (Widen4((v >> 4) & 0xF) << 8) |
               Widen4(v & 0xF);
    }
    case PixelKind::AL88:
        return (uint32_t(p[1]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[0]) << 8) | p[0];
    default:
        return 0;
    }
}

uint32_t RawFromARGB(PixelKind kind, uint32_t c)
{
    uint32_t a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    switch (kind)
    {
    case PixelKind::ARGB8888:
        return c;
    case PixelKind::XRGB8888:
        return c & 0x00FFFFFFu;
    case PixelKind::RGB565:
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    case PixelKind::XRGB1555:
        return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case PixelKind::ARGB1555:
        return ((a >> 7) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case PixelKind::ARGB4444:
        return ((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4);
    case PixelKind::AL88:
        // Luminance from the usual weights, in integers so that grey stays grey exactly.
        return (a << 8) | ((r * 77 + g * 150 + b * 29 + 128) >> 8);
    default:
        return 0;
    }
}

void EncodeARGB(PixelKind kind, uint32_t argb, uint8_t* p)
{
    uint32_t raw = RawFromARGB(kind, argb);
    if (BytesPerPixel(kind) == 4)
    {
        p[0] = uint8_t(raw);
        p[1] = uint8_t(raw >> 8);
        p[2] = uint8_t(raw >> 16);
        p[3] = uint8_t(raw >> 24);
    }
    else if (BytesPerPixel(kind) == 2)
        Write16(p, raw);
}
} // namespace soft7
