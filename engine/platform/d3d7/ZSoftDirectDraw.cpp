#include "engine/platform/d3d7/ZSoftDirectDraw.h"

#include "engine/platform/d3d7/ZSoftDirect3D.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>

using namespace soft7;

namespace
{
constexpr uint32_t kMaxSurfaceSide = 16384;
constexpr uint64_t kMaxSurfaceBytes = 256ull << 20;

SSoftDeviceDesc MakeDevice(DeviceKind kind, const char* name, const char* description, uint32_t devCaps)
{
    SSoftDeviceDesc d;
    d.kind = kind;
    d.name = name;
    d.description = description;
    d.devCaps = devCaps;
    d.textureCaps = kTexCapsPerspective | kTexCapsAlpha | kTexCapsTransparency | kTexCapsBorder;
    d.filterCaps = kFilterCapsMinPoint | kFilterCapsMinLinear | kFilterCapsMagPoint | kFilterCapsMagLinear;
    d.stencilCaps = 0xFF;
    return d;
}

void FillDefaults(SSoftDriverConfig& c, bool sdl)
{
    if (c.desktop.width == 0)
    {
        SDL_DisplayMode dm;
        if (sdl && SDL_GetDesktopDisplayMode(0, &dm) == 0 && dm.w > 0 && dm.h > 0)
            c.desktop = {uint32_t(dm.w), uint32_t(dm.h), 32, uint32_t(dm.refresh_rate)};
        else
            c.desktop = {1024, 768, 32, 60};
    }
    if (c.modes.empty())
    {
        std::vector<std::pair<uint32_t, uint32_t>> sizes;
        int count = sdl ? SDL_GetNumDisplayModes(0) : 0;
        for (int i = 0; i < count; ++i)
        {
            SDL_DisplayMode dm;
            if (SDL_GetDisplayMode(0, i, &dm) == 0 && dm.w > 0 && dm.h > 0)
                sizes.emplace_back(uint32_t(dm.w), uint32_t(dm.h));
        }
        if (sizes.empty())
            sizes = {{640, 480},   {800, 600},  {1024, 768}, {1280, 720}, {1280, 800},
                     {1280, 1024}, {1366, 768}, {1600, 900}, {1920, 1080}};
        sizes.emplace_back(c.desktop.width, c.desktop.height);
        std::sort(sizes.begin(), sizes.end());
        sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
        // Software surfaces can be shown at either depth, so every size is offered at both.
        for (uint32_t bpp : {16u, 32u})
            for (auto& s : sizes)
                c.modes.push_back({s.first, s.second, bpp, 0});
    }
    if (c.physicalWidthMm <= 0 || c.physicalHeightMm <= 0)
    {
        float hdpi = 0, vdpi = 0;
        if (!sdl || SDL_GetDisplayDPI(0, nullptr, &hdpi, &vdpi) != 0 || hdpi <= 1 || vdpi <= 1)
            hdpi = vdpi = 96.0f;
        c.physicalWidthMm = int(float(c.desktop.width) / hdpi * 25.4f);
        c.physicalHeightMm = int(float(c.desktop.height) / vdpi * 25.4f);
    }
    if (c.devices.empty())
    {
        const uint32_t common = kDevCapsFloatTLVertex | kDevCapsDrawPrimTLVertex | kDevCapsDrawPrimitives2 |
                                kDevCapsTLVertexSystemMemory;
        const uint32_t hal =
            common | kDevCapsTextureVideoMemory | kDevCapsDrawPrimitives2Ex | kDevCapsHwRasterization;
        c.devices.push_back(MakeDevice(DeviceKind::Rgb, "RGB Emulation", "Software emulation device",
                                       common | kDevCapsExecuteSystemMemory | kDevCapsTextureSystemMemory));
        c.devices.push_back(MakeDevice(DeviceKind::Hal, "Direct3D HAL", "Rasterising device", hal));
        c.devices.push_back(MakeDevice(DeviceKind::TnlHal, "Direct3D T&L HAL",
                                       "Transforming and rasterising device",
                                       hal | kDevCapsHwTransformAndLight));
    }
    if (c.textureFormats.empty())
        c.textureFormats = {FormatA8R8G8B8(), FormatX8R8G8B8(), FormatA1R5G5B5(), FormatA4R4G4B4(),
                            FormatR5G6B5(),   FormatX1R5G5B5(), FormatA8L8()};
    if (c.depthFormats.empty())
        c.depthFormats = {FormatDepth(16, 0), FormatDepth(15, 1), FormatDepth(24, 0), FormatDepth(24, 8),
                          FormatDepth(32, 0)};
}

SSoftPixelFormat DisplayFormat(uint32_t bpp)
{
    return bpp == 16 ? FormatR5G6B5() : FormatX8R8G8B8();
}

uint32_t SdlFormatOf(PixelKind kind)
{
    switch (kind)
    {
    case PixelKind::ARGB8888:
        return SDL_PIXELFORMAT_ARGB8888;
    case PixelKind::XRGB8888:
        return SDL_PIXELFORMAT_RGB888;
    case PixelKind::RGB565:
        return SDL_PIXELFORMAT_RGB565;
    case PixelKind::XRGB1555:
        return SDL_PIXELFORMAT_RGB555;
    case PixelKind::ARGB1555:
        return SDL_PIXELFORMAT_ARGB1555;
    case PixelKind::ARGB4444:
        return SDL_PIXELFORMAT_ARGB4444;
    default:
        return SDL_PIXELFORMAT_UNKNOWN;
    }
}

// Copies a rectangle of a surface into the window's client area (scaled to dst), then shows it.
void ShowRegion(SDL_Window* window, ZSoftSurface& src, const SSoftRect& s, const SSoftRect* d)
{
    uint32_t format = SdlFormatOf(src.Kind());
    SDL_Surface* target = SDL_GetWindowSurface(window);
    if (!target || format == SDL_PIXELFORMAT_UNKNOWN)
        return;
    SDL_Surface* from =
        SDL_CreateRGBSurfaceWithFormatFrom(src.Row(0), int(src.Width()), int(src.Height()),
                                           int(BytesPerPixel(src.Kind()) * 8), src.Pitch(), format);
    if (!from)
        return;
    SDL_SetSurfaceBlendMode(from, SDL_BLENDMODE_NONE);
    SDL_Rect sr{s.left, s.top, s.right - s.left, s.bottom - s.top};
    SDL_Rect dr = d ? SDL_Rect{d->left, d->top, d->right - d->left, d->bottom - d->top}
                    : SDL_Rect{0, 0, target->w, target->h};
    if (sr.w == dr.w && sr.h == dr.h)
        SDL_BlitSurface(from, &sr, target, &dr);
    else
        SDL_BlitScaled(from, &sr, target, &dr);
    SDL_FreeSurface(from);
    SDL_UpdateWindowSurface(window);
}

bool RectInside(const SSoftRect& r, uint32_t w, uint32_t h)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && uint32_t(r.right) <= w &&
           uint32_t(r.bottom) <= h;
}

SSoftRect Intersect(const SSoftRect& a, const SSoftRect& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

int EventWatch(void* userdata, SDL_Event* event)
{
    auto* dd = static_cast<ZSoftDirectDraw*>(userdata);
    if (event->type != SDL_WINDOWEVENT || !dd->IsExclusive() || !dd->CooperativeWindow())
        return 0;
    if (SDL_GetWindowFromID(event->window.windowID) != dd->CooperativeWindow())
        return 0;
    switch (event->window.event)
    {
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_MINIMIZED:
        dd->LoseDisplay();
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_RESTORED:
        dd->RegainDisplay();
        break;
    default:
        break;
    }
    return 0;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// ZSoftObject

ZSoftObject::ZSoftObject(ZSoftDirectDraw* owner) : m_owner(owner)
{
    m_owner->Register(this);
}

ZSoftObject::~ZSoftObject()
{
    if (!m_owner->m_tearingDown)
        m_owner->Unregister(this);
}

uint32_t ZSoftObject::Release()
{
    uint32_t left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

SoftResult ZSoftClipper::SetWindow(SDL_Window* window)
{
    m_window = window;
    return kOk;
}

// ---------------------------------------------------------------------------------------------
// ZSoftDirectDraw

SoftResult ZSoftDirectDraw::Create(const SSoftDriverConfig* config, ZSoftDirectDraw** out)
{
    if (!out)
        return kErrInvalidParams;
    auto* dd = new ZSoftDirectDraw();
    if (config)
        dd->m_config = *config;
    FillDefaults(dd->m_config, dd->UseSdl());
    dd->m_mode = dd->m_config.desktop;
    *out = dd;
    return kOk;
}

uint32_t ZSoftDirectDraw::Release()
{
    uint32_t left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

ZSoftDirectDraw::~ZSoftDirectDraw()
{
    m_tearingDown = true;
    if (m_watching)
        SDL_DelEventWatch(EventWatch, this);
    for (ZSoftObject* o : m_objects)
        o->DropLinks();
    std::vector<ZSoftObject*> objects;
    objects.swap(m_objects);
    for (ZSoftObject* o : objects)
        delete o;
}

void ZSoftDirectDraw::Unregister(ZSoftObject* object)
{
    auto it = std::find(m_objects.begin(), m_objects.end(), object);
    if (it != m_objects.end())
        m_objects.erase(it);
}

void ZSoftDirectDraw::SetParallelRunner(plat::IParallelRunner* runner, int bands)
{
    FlushDrawing();
    m_runner = runner;
    m_bands = std::max(1, bands);
}

void ZSoftDirectDraw::FlushDrawing()
{
    if (m_tearingDown)
        return;
    for (ZSoftD3DDevice* device : m_devices)
        device->FlushDrawing();
}

bool ZSoftDirectDraw::UseSdl() const
{
    return m_config.useSdl && SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

SoftResult
ZSoftDirectDraw::EnumDisplayModes(const std::function<bool(const SSoftDisplayMode&)>& callback) const
{
    if (!callback)
        return kErrInvalidParams;
    for (const SSoftDisplayMode& m : m_config.modes)
        if (!callback(m))
            break;
    return kOk;
}

SoftResult ZSoftDirectDraw::GetDisplayMode(SSoftDisplayMode& mode) const
{
    mode = m_mode;
    return kOk;
}

void ZSoftDirectDraw::GetPhysicalSize(int& widthMm, int& heightMm) const
{
    widthMm = m_config.physicalWidthMm;
    heightMm = m_config.physicalHeightMm;
}

SoftResult ZSoftDirectDraw::SetCooperativeLevel(SDL_Window* window, uint32_t flags)
{
    const bool exclusive = (flags & kCoopExclusive) != 0;
    if (exclusive != ((flags & kCoopFullscreen) != 0))
        return kErrInvalidParams;
    if (exclusive == ((flags & kCoopNormal) != 0))
        return kErrInvalidParams;
    if (exclusive && m_displayTaken)
        return kErrNoExclusiveMode;
    m_window = window;
    m_exclusive = exclusive;
    if (exclusive && window && UseSdl() && !m_watching)
    {
        SDL_AddEventWatch(EventWatch, this);
        m_watching = true;
    }
    return kOk;
}

SoftResult ZSoftDirectDraw::SetDisplayMode(uint32_t width, uint32_t height, uint32_t bpp, uint32_t refresh,
                                           uint32_t)
{
    if (!m_exclusive)
        return kErrNoExclusiveMode;
    if (m_displayTaken)
        return kErrNoExclusiveMode;
    auto it = std::find_if(m_config.modes.begin(), m_config.modes.end(),
                           [&](const SSoftDisplayMode& m)
                           {
                               return m.width == width && m.height == height && m.bitsPerPixel == bpp &&
                                      (refresh == 0 || m.refreshRate == 0 || m.refreshRate == refresh);
                           });
    if (it == m_config.modes.end())
        return kErrInvalidMode;
    SSoftDisplayMode mode{width, height, bpp, refresh};
    if (mode.width != m_mode.width || mode.height != m_mode.height ||
        mode.bitsPerPixel != m_mode.bitsPerPixel)
        LoseVideoSurfaces();
    m_mode = mode;
    if (m_window && UseSdl())
    {
        // The desktop's own size needs no mode switch: the window just covers the display.
        const bool desktopSize = width == m_config.desktop.width && height == m_config.desktop.height;
        SDL_DisplayMode dm{SDL_PIXELFORMAT_RGB888, int(width), int(height), int(refresh), nullptr};
        if (!desktopSize && SDL_SetWindowDisplayMode(m_window, &dm) != 0)
            return kErrGeneric;
        if (SDL_SetWindowFullscreen(m_window,
                                    desktopSize ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_FULLSCREEN) != 0)
            return kErrGeneric;
    }
    return kOk;
}

SoftResult ZSoftDirectDraw::RestoreDisplayMode()
{
    const SSoftDisplayMode& d = m_config.desktop;
    if (d.width != m_mode.width || d.height != m_mode.height || d.bitsPerPixel != m_mode.bitsPerPixel)
    {
        LoseVideoSurfaces();
        if (m_window && UseSdl() && (SDL_GetWindowFlags(m_window) & SDL_WINDOW_FULLSCREEN))
            SDL_SetWindowFullscreen(m_window, 0);
    }
    m_mode = d;
    return kOk;
}

SoftResult ZSoftDirectDraw::CreateSurface(const SSoftSurfaceDesc& desc, ZSoftSurface** out)
{
    if (!out)
        return kErrInvalidParams;
    *out = nullptr;
    uint32_t caps = desc.caps;
    if (caps & kCapsPrimary)
    {
        if (m_primary)
            return kErrPrimaryExists;
        const bool flipping = (caps & kCapsFlip) != 0;
        if (flipping && (!m_exclusive || !(caps & kCapsComplex)))
            return m_exclusive ? kErrInvalidParams : kErrNoExclusiveMode;
        if (flipping && desc.backBufferCount != 1)
            return kErrInvalidParams;
        if (m_displayTaken && m_exclusive)
            return kErrNoExclusiveMode;
        SSoftPixelFormat format = DisplayFormat(m_mode.bitsPerPixel);
        uint64_t bytes = uint64_t(m_mode.width) * m_mode.height * BytesPerPixel(KindFromFormat(format));
        if (m_videoUsed + bytes * (flipping ? 2 : 1) > m_config.videoMemoryBytes)
            return kErrOutOfVideoMemory;
        uint32_t frontCaps =
            (caps & ~kCapsSystemMemory) | kCapsVideoMemory | (flipping ? kCapsFrontBuffer : 0);
        auto* front = new ZSoftSurface(this, m_mode.width, m_mode.height, frontCaps, format);
        if (flipping)
        {
            uint32_t backCaps =
                kCapsBackBuffer | kCapsFlip | kCapsComplex | kCapsVideoMemory | (caps & kCaps3DDevice);
            auto* back = new ZSoftSurface(this, m_mode.width, m_mode.height, backCaps, format);
            front->m_backBuffer = back;
            back->m_front = front;
        }
        m_primary = front;
        *out = front;
        return kOk;
    }
    if (desc.width == 0 || desc.height == 0 || desc.width > kMaxSurfaceSide || desc.height > kMaxSurfaceSide)
        return kErrInvalidParams;
    if (caps & (kCapsFlip | kCapsBackBuffer | kCapsFrontBuffer))
        return kErrInvalidParams;
    SSoftPixelFormat format;
    if (caps & kCapsZBuffer)
    {
        format = desc.hasPixelFormat ? desc.pixelFormat : m_config.depthFormats.front();
        if (KindFromFormat(format) != PixelKind::Depth)
            return kErrInvalidPixelFormat;
    }
    else
    {
        format = desc.hasPixelFormat ? desc.pixelFormat : DisplayFormat(m_mode.bitsPerPixel);
        PixelKind kind = KindFromFormat(format);
        if (kind == PixelKind::None || kind == PixelKind::Depth)
            return kErrInvalidPixelFormat;
        if ((caps & kCaps3DDevice) && kind == PixelKind::AL88)
            return kErrInvalidPixelFormat;
    }
    if ((caps & kCapsTextureManage) && (caps & (kCapsVideoMemory | kCapsSystemMemory)))
        return kErrInvalidParams;
    uint64_t bytes = uint64_t(desc.width) * desc.height * BytesPerPixel(KindFromFormat(format));
    if (bytes > kMaxSurfaceBytes)
        return kErrOutOfMemory;
    if (caps & kCapsTextureManage)
        caps |= kCapsTexture;
    else if (!(caps & (kCapsVideoMemory | kCapsSystemMemory)))
        caps |= (m_videoUsed + bytes <= m_config.videoMemoryBytes) ? kCapsVideoMemory : kCapsSystemMemory;
    if ((caps & kCapsVideoMemory) && m_videoUsed + bytes > m_config.videoMemoryBytes)
        return kErrOutOfVideoMemory;
    *out = new ZSoftSurface(this, desc.width, desc.height, caps, format);
    return kOk;
}

SoftResult ZSoftDirectDraw::CreateClipper(uint32_t, ZSoftClipper** out)
{
    if (!out)
        return kErrInvalidParams;
    *out = new ZSoftClipper(this);
    return kOk;
}

SoftResult ZSoftDirectDraw::GetAvailableVidMem(uint32_t, uint64_t* total, uint64_t* free) const
{
    if (total)
        *total = m_config.videoMemoryBytes;
    if (free)
        *free = m_config.videoMemoryBytes - std::min(m_videoUsed, m_config.videoMemoryBytes);
    return kOk;
}

SoftResult ZSoftDirectDraw::GetDeviceIdentifier(SSoftDeviceIdentifier& out) const
{
    out.driver = "qvsoft7";
    out.description = "Quorvane software rasteriser";
    out.driverVersion = (uint64_t(1) << 48) | 1;
    out.whqlLevel = 0;
    return kOk;
}

SoftResult ZSoftDirectDraw::TestCooperativeLevel() const
{
    if (m_displayTaken)
        return m_exclusive ? kErrNoExclusiveMode : kErrExclusiveModeAlreadySet;
    return kOk;
}

SoftResult ZSoftDirectDraw::RestoreAllSurfaces()
{
    SoftResult r = TestCooperativeLevel();
    if (r != kOk)
        return kErrWrongMode;
    for (ZSoftObject* o : m_objects)
        if (auto* s = dynamic_cast<ZSoftSurface*>(o))
            s->Restore();
    return kOk;
}

SoftResult ZSoftDirectDraw::QueryDirect3D(ZSoftDirect3D** out)
{
    if (!out)
        return kErrInvalidParams;
    if (m_d3d)
        m_d3d->AddRef();
    else
        m_d3d = new ZSoftDirect3D(this);
    *out = m_d3d;
    return kOk;
}

void ZSoftDirectDraw::LoseDisplay()
{
    m_displayTaken = true;
    LoseVideoSurfaces();
}

void ZSoftDirectDraw::RegainDisplay()
{
    m_displayTaken = false;
}

void ZSoftDirectDraw::LoseVideoSurfaces()
{
    for (ZSoftObject* o : m_objects)
        if (auto* s = dynamic_cast<ZSoftSurface*>(o); s && s->InVideoMemory())
            s->MarkLost();
}

// ---------------------------------------------------------------------------------------------
// ZSoftSurface

ZSoftSurface::ZSoftSurface(ZSoftDirectDraw* owner, uint32_t width, uint32_t height, uint32_t caps,
                           const SSoftPixelFormat& format)
    : ZSoftObject(owner), m_width(width), m_height(height), m_caps(caps), m_format(format),
      m_kind(KindFromFormat(format))
{
    Allocate();
    if (InVideoMemory())
        m_owner->m_videoUsed += uint64_t(m_width) * m_height * BytesPerPixel(m_kind);
}

ZSoftSurface::~ZSoftSurface()
{
    if (m_owner->m_tearingDown)
        return;
    m_owner->FlushDrawing();
    if (InVideoMemory())
        m_owner->m_videoUsed -=
            std::min(m_owner->m_videoUsed, uint64_t(m_width) * m_height * BytesPerPixel(m_kind));
    if (m_owner->m_primary == this)
        m_owner->m_primary = nullptr;
    if (m_backBuffer)
    {
        m_backBuffer->m_front = nullptr;
        m_backBuffer->Release();
    }
    if (m_zbuffer)
        m_zbuffer->Release();
    if (m_clipper)
        m_clipper->Release();
}

void ZSoftSurface::DropLinks()
{
    m_backBuffer = nullptr;
    m_front = nullptr;
    m_zbuffer = nullptr;
    m_clipper = nullptr;
}

void ZSoftSurface::Allocate()
{
    if (m_kind == PixelKind::Depth)
    {
        m_pitch = int32_t(m_width * 4);
        m_depth.assign(size_t(m_width) * m_height, 0);
        m_stencil.assign(size_t(m_width) * m_height, 0);
        return;
    }
    m_pitch = int32_t((m_width * BytesPerPixel(m_kind) + 3) & ~3u);
    m_pixels.assign(size_t(m_pitch) * m_height, 0);
}

void ZSoftSurface::MarkLost()
{
    m_lost = true;
    m_locked = false;
}

SoftResult ZSoftSurface::Restore()
{
    m_owner->FlushDrawing();
    if (m_backBuffer && m_backBuffer->m_lost)
    {
        // A flipping chain comes back as a whole.
        if (SoftResult r = m_backBuffer->Restore(); r != kOk)
            return r;
    }
    if (!m_lost)
        return kOk;
    if (m_owner->TestCooperativeLevel() != kOk)
        return kErrWrongMode;
    // The memory came back, its contents did not.
    std::fill(m_pixels.begin(), m_pixels.end(), uint8_t(0));
    std::fill(m_depth.begin(), m_depth.end(), 0u);
    std::fill(m_stencil.begin(), m_stencil.end(), uint8_t(0));
    m_lost = false;
    return kOk;
}

SoftResult ZSoftSurface::Lock(const SSoftRect* rect, SSoftSurfaceDesc& desc, uint32_t)
{
    m_owner->FlushDrawing();
    if (m_lost)
        return kErrSurfaceLost;
    if (m_locked)
        return kErrSurfaceBusy;
    if (m_kind == PixelKind::Depth)
        return kErrUnsupported;
    SSoftRect r{0, 0, int32_t(m_width), int32_t(m_height)};
    if (rect)
    {
        if (!RectInside(*rect, m_width, m_height))
            return kErrInvalidRect;
        r = *rect;
    }
    GetSurfaceDesc(desc);
    desc.surface = Row(r.top) + size_t(r.left) * BytesPerPixel(m_kind);
    m_locked = true;
    return kOk;
}

SoftResult ZSoftSurface::Unlock(const SSoftRect*)
{
    if (!m_locked)
        return m_lost ? kErrSurfaceLost : kErrNotLocked;
    m_locked = false;
    if (m_caps & kCapsPrimary)
        ShowInWindow(nullptr);
    return kOk;
}

SoftResult ZSoftSurface::GetSurfaceDesc(SSoftSurfaceDesc& desc) const
{
    desc = SSoftSurfaceDesc{};
    desc.width = m_width;
    desc.height = m_height;
    desc.pitch = m_pitch;
    desc.caps = m_caps;
    desc.backBufferCount = m_backBuffer ? 1 : 0;
    desc.hasPixelFormat = true;
    desc.pixelFormat = m_format;
    return kOk;
}

SoftResult ZSoftSurface::GetAttachedSurface(uint32_t caps, ZSoftSurface** out)
{
    if (!out)
        return kErrInvalidParams;
    *out = nullptr;
    ZSoftSurface* found = nullptr;
    if (caps & kCapsBackBuffer)
        found = m_backBuffer;
    else if (caps & kCapsZBuffer)
        found = m_zbuffer;
    if (!found)
        return kErrNotFound;
    found->AddRef();
    *out = found;
    return kOk;
}

SoftResult ZSoftSurface::AddAttachedSurface(ZSoftSurface* depth)
{
    if (!depth || depth->m_kind != PixelKind::Depth || m_kind == PixelKind::Depth || m_zbuffer)
        return kErrInvalidParams;
    if (depth->m_width != m_width || depth->m_height != m_height)
        return kErrInvalidParams;
    depth->AddRef();
    m_zbuffer = depth;
    return kOk;
}

SoftResult ZSoftSurface::DeleteAttachedSurface(ZSoftSurface* depth)
{
    if (!m_zbuffer || (depth && depth != m_zbuffer))
        return kErrNotFound;
    m_zbuffer->Release();
    m_zbuffer = nullptr;
    return kOk;
}

SoftResult ZSoftSurface::SetClipper(ZSoftClipper* clipper)
{
    if (clipper)
        clipper->AddRef();
    if (m_clipper)
        m_clipper->Release();
    m_clipper = clipper;
    return kOk;
}

SoftResult ZSoftSurface::Blt(const SSoftRect* dstRect, ZSoftSurface* src, const SSoftRect* srcRect,
                             uint32_t flags, uint32_t fillColor)
{
    m_owner->FlushDrawing();
    if (m_lost || (src && src->m_lost))
        return kErrSurfaceLost;
    if (m_locked || (src && src->m_locked))
        return kErrSurfaceBusy;
    if (m_kind == PixelKind::Depth || (src && src->m_kind == PixelKind::Depth))
        return kErrUnsupported;
    const bool fill = (flags & kBltColorFill) != 0;
    if (!fill && !src)
        return kErrInvalidParams;

    const SSoftRect whole{0, 0, int32_t(m_width), int32_t(m_height)};
    SSoftRect dst = dstRect ? *dstRect : whole;
    // Rectangles far beyond any screen are refused, which keeps the coordinate arithmetic exact.
    constexpr int32_t kLimit = 1 << 24;
    if (dst.left >= dst.right || dst.top >= dst.bottom || dst.left < -kLimit || dst.top < -kLimit ||
        dst.right > kLimit || dst.bottom > kLimit)
        return kErrInvalidRect;
    SSoftRect s{};
    if (!fill)
    {
        s = srcRect ? *srcRect : SSoftRect{0, 0, int32_t(src->m_width), int32_t(src->m_height)};
        if (!RectInside(s, src->m_width, src->m_height))
            return kErrInvalidRect;
    }

    // A primary with a clipper stands for the screen: the rectangle is in screen coordinates and is
    // cut to the window's client area; the window itself receives the picture.
    SDL_Window* window = (m_caps & kCapsPrimary) && m_clipper ? m_clipper->GetWindow() : nullptr;
    SSoftRect clip = whole;
    if (m_clipper)
    {
        if (window && m_owner->UseSdl())
        {
            int wx = 0, wy = 0, ww = 0, wh = 0;
            SDL_GetWindowPosition(window, &wx, &wy);
            SDL_GetWindowSize(window, &ww, &wh);
            clip = Intersect(clip, {wx, wy, wx + ww, wy + wh});
        }
    }
    else if (!RectInside(dst, m_width, m_height))
        return kErrInvalidRect;
    SSoftRect area = Intersect(dst, clip);

    const uint32_t bpp = BytesPerPixel(m_kind);
    if (area.left < area.right && area.top < area.bottom)
    {
        if (fill)
        {
            uint8_t raw[4] = {uint8_t(fillColor), uint8_t(fillColor >> 8), uint8_t(fillColor >> 16),
                              uint8_t(fillColor >> 24)};
            for (int y = area.top; y < area.bottom; ++y)
            {
                uint8_t* p = Row(y) + size_t(area.left) * bpp;
                for (int x = area.left; x < area.right; ++x, p += bpp)
                    std::memcpy(p, raw, bpp);
            }
        }
        else
        {
            // Reading from a copy keeps overlapping blits within one surface correct.
            std::vector<uint8_t> copy;
            const ZSoftSurface* from = src;
            if (src == this)
                copy = m_pixels;
            auto srcRow = [&](int y) -> const uint8_t*
            { return src == this ? copy.data() + size_t(y) * size_t(m_pitch) : from->Row(y); };
            const int dw = dst.right - dst.left, dh = dst.bottom - dst.top;
            const int sw = s.right - s.left, sh = s.bottom - s.top;
            const uint32_t sbpp = BytesPerPixel(src->m_kind);
            const bool sameKind = src->m_kind == m_kind;
            const int width = area.right - area.left;
            // Source column of each destination column, the nearest sample of the pixel's centre:
            // s.left + ((2 k + 1) sw) / (2 dw), stepped without a division per column.
            std::vector<int> columns;
            if (!(sameKind && dw == sw))
            {
                columns.resize(size_t(width));
                const int64_t den = 2 * int64_t(dw), step = 2 * int64_t(sw);
                const int64_t first = (2 * (int64_t(area.left) - dst.left) + 1) * sw;
                int64_t q = first / den, r = first % den;
                for (int i = 0; i < width; ++i)
                {
                    columns[size_t(i)] = s.left + int(q);
                    r += step;
                    while (r >= den)
                    {
                        r -= den;
                        ++q;
                    }
                }
            }
            int lastSy = -1;
            const uint8_t* lastRow = nullptr;
            for (int y = area.top; y < area.bottom; ++y)
            {
                int sy = s.top + int(((2 * (int64_t(y) - dst.top) + 1) * sh) / (2 * int64_t(dh)));
                uint8_t* p = Row(y) + size_t(area.left) * bpp;
                // Rows that repeat a source row (stretching upwards) repeat the row just made.
                if (sy == lastSy && lastRow && src != this)
                {
                    std::memcpy(p, lastRow, size_t(width) * bpp);
                    continue;
                }
                const uint8_t* srow = srcRow(sy);
                lastSy = sy;
                lastRow = p;
                if (sameKind && dw == sw)
                {
                    std::memcpy(p, srow + size_t(s.left + (area.left - dst.left)) * sbpp, size_t(width) * bpp);
                    continue;
                }
                if (sameKind && bpp == 4)
                {
                    for (int i = 0; i < width; ++i, p += 4)
                        std::memcpy(p, srow + size_t(columns[size_t(i)]) * 4, 4);
                    continue;
                }
                for (int i = 0; i < width; ++i, p += bpp)
                {
                    const uint8_t* sp = srow + size_t(columns[size_t(i)]) * sbpp;
                    if (sameKind)
                        std::memcpy(p, sp, bpp);
                    else
                        EncodeARGB(m_kind, DecodeARGB(src->m_kind, sp), p);
                }
            }
        }
    }

    if (m_caps & kCapsPrimary)
    {
        if (window && m_owner->UseSdl())
        {
            int wx = 0, wy = 0;
            SDL_GetWindowPosition(window, &wx, &wy);
            SSoftRect local{dst.left - wx, dst.top - wy, dst.right - wx, dst.bottom - wy};
            if (fill)
            {
                SSoftRect from = Intersect(dst, whole);
                local = {from.left - wx, from.top - wy, from.right - wx, from.bottom - wy};
                if (from.left < from.right && from.top < from.bottom)
                    ShowRegion(window, *this, from, &local);
            }
            else
                ShowRegion(window, *src, s, &local);
        }
        else if (!m_clipper)
            ShowInWindow(nullptr);
    }
    return kOk;
}

SoftResult ZSoftSurface::Flip(ZSoftSurface*, uint32_t)
{
    m_owner->FlushDrawing();
    if (!m_backBuffer)
        return kErrNotFlippable;
    if (m_lost || m_backBuffer->m_lost)
        return kErrSurfaceLost;
    if (m_locked || m_backBuffer->m_locked)
        return kErrSurfaceBusy;
    m_pixels.swap(m_backBuffer->m_pixels);
    ShowInWindow(nullptr);
    return kOk;
}

void ZSoftSurface::ShowInWindow(const SSoftRect*)
{
    if (!(m_caps & kCapsPrimary) || !m_owner->UseSdl())
        return;
    SDL_Window* window = m_owner->IsExclusive() ? m_owner->CooperativeWindow() : nullptr;
    if (!window)
        return;
    ShowRegion(window, *this, {0, 0, int32_t(m_width), int32_t(m_height)}, nullptr);
}

uint32_t ZSoftSurface::ReadPixel(int x, int y) const
{
    m_owner->FlushDrawing();
    if (x < 0 || y < 0 || uint32_t(x) >= m_width || uint32_t(y) >= m_height || m_kind == PixelKind::Depth)
        return 0;
    return DecodeARGB(m_kind, Row(y) + size_t(x) * BytesPerPixel(m_kind));
}

float ZSoftSurface::ReadDepth(int x, int y) const
{
    m_owner->FlushDrawing();
    if (x < 0 || y < 0 || uint32_t(x) >= m_width || uint32_t(y) >= m_height || m_kind != PixelKind::Depth)
        return 0;
    double maxZ = double((uint64_t(1) << m_format.zBits) - 1);
    return float(double(m_depth[size_t(y) * m_width + size_t(x)]) / maxZ);
}

uint32_t ZSoftSurface::ReadStencil(int x, int y) const
{
    m_owner->FlushDrawing();
    if (x < 0 || y < 0 || uint32_t(x) >= m_width || uint32_t(y) >= m_height || m_kind != PixelKind::Depth)
        return 0;
    return m_stencil[size_t(y) * m_width + size_t(x)];
}
