#pragma once
// The DirectDraw-shaped half of the software display layer: the display object (modes, cooperative
// level, surfaces, video memory, lost surfaces), memory surfaces with Lock/Unlock, blits and flips,
// and the clipper that binds the primary surface to a window. Pixels reach the screen through
// SDL2's window surface when a window is bound; without one everything stays in memory.
//
// Object lifetime follows the interface it stands in for: every object is reference counted
// (AddRef/Release), and releasing the display object for the last time destroys every object made
// through it (surfaces, clippers, the Direct3D object, devices and vertex buffers) that is still alive.
#include "engine/platform/d3d7/ZSoftD3D7Types.h"
#include "engine/platform/d3d7/ZSoftPixels.h"

#include <functional>
#include <memory>

class ZSoftDirectDraw;
class ZSoftDirect3D;
class ZSoftD3DDevice;

namespace plat
{
class IParallelRunner;
}

class ZSoftObject
{
public:
    uint32_t AddRef() { return ++m_refs; }
    // Drops one reference; the object is destroyed when none is left. Returns the count left.
    uint32_t Release();

protected:
    explicit ZSoftObject(ZSoftDirectDraw* owner);
    virtual ~ZSoftObject();
    // Called on every live object before the display object destroys them all: forget pointers to
    // other objects without releasing them.
    virtual void DropLinks() {}
    ZSoftDirectDraw* m_owner;

private:
    friend class ZSoftDirectDraw;
    uint32_t m_refs = 1;
};

class ZSoftClipper : public ZSoftObject
{
public:
    // Binds the clipper to a window; blits to a primary surface carrying this clipper land in the
    // window's client area. A null window clips to the primary surface only.
    SoftResult SetWindow(SDL_Window* window);
    SDL_Window* GetWindow() const { return m_window; }

private:
    friend class ZSoftDirectDraw;
    explicit ZSoftClipper(ZSoftDirectDraw* owner) : ZSoftObject(owner) {}
    SDL_Window* m_window = nullptr;
};

class ZSoftSurface : public ZSoftObject
{
public:
    // Locks the whole surface (rect null) or a rectangle; desc.surface and desc.pitch give the
    // memory. Depth surfaces cannot be locked (kErrUnsupported): read them with ReadDepth/ReadStencil.
    SoftResult Lock(const SSoftRect* rect, SSoftSurfaceDesc& desc, uint32_t flags);
    SoftResult Unlock(const SSoftRect* rect);
    SoftResult GetSurfaceDesc(SSoftSurfaceDesc& desc) const;
    // caps kCapsBackBuffer: the back buffer of a flipping chain; kCapsZBuffer: the attached
    // depth surface. The surface returned carries one reference more.
    SoftResult GetAttachedSurface(uint32_t caps, ZSoftSurface** out);
    // Attaches a depth surface to a colour surface (one at most; kErrInvalidParams otherwise).
    SoftResult AddAttachedSurface(ZSoftSurface* depth);
    SoftResult DeleteAttachedSurface(ZSoftSurface* depth);
    SoftResult SetClipper(ZSoftClipper* clipper);
    // Copies (stretching with point sampling when the rectangles differ in size, converting
    // between pixel layouts) or, with kBltColorFill, fills dst with fillColor, a raw pixel value of
    // this surface's layout. Null rectangles mean the whole surface. Without a clipper the
    // rectangle must lie inside the surface (kErrInvalidRect); with one it is clipped.
    SoftResult Blt(const SSoftRect* dstRect, ZSoftSurface* src, const SSoftRect* srcRect, uint32_t flags,
                   uint32_t fillColor = 0);
    // Front of a flipping chain only: exchanges the pixels of front and back buffer and shows the
    // new front. Vertical sync is not waited for: there is no beam to wait for.
    SoftResult Flip(ZSoftSurface* target, uint32_t flags);
    SoftResult IsLost() const { return m_lost ? soft7::kErrSurfaceLost : soft7::kOk; }
    // Gives a lost surface its memory back (cleared to zero); kErrWrongMode while the display
    // object's cooperative level is not usable.
    SoftResult Restore();

    // Reading pixels without a lock (tests, screenshots): ARGB, depth in [0, 1], stencil.
    uint32_t ReadPixel(int x, int y) const;
    float ReadDepth(int x, int y) const;
    uint32_t ReadStencil(int x, int y) const;

    // Used by the device: layout, rows and the depth and stencil planes.
    soft7::PixelKind Kind() const { return m_kind; }
    uint32_t Width() const { return m_width; }
    uint32_t Height() const { return m_height; }
    uint32_t Caps() const { return m_caps; }
    int32_t Pitch() const { return m_pitch; }
    uint8_t* Row(int y) { return m_pixels.data() + size_t(y) * size_t(m_pitch); }
    const uint8_t* Row(int y) const { return m_pixels.data() + size_t(y) * size_t(m_pitch); }
    uint32_t* DepthPlane() { return m_depth.data(); }
    uint8_t* StencilPlane() { return m_stencil.data(); }
    uint32_t DepthBits() const { return m_format.zBits; }
    uint32_t StencilBits() const { return m_format.stencilBits; }
    ZSoftSurface* AttachedDepth() const { return m_zbuffer; }
    bool IsLostFlag() const { return m_lost; }
    bool IsLocked() const { return m_locked; }

private:
    friend class ZSoftDirectDraw;
    ZSoftSurface(ZSoftDirectDraw* owner, uint32_t width, uint32_t height, uint32_t caps,
                 const SSoftPixelFormat& format);
    ~ZSoftSurface() override;
    void DropLinks() override;
    void Allocate();
    void MarkLost();
    bool InVideoMemory() const { return (m_caps & soft7::kCapsVideoMemory) != 0; }
    // Shows this surface (a primary) in its window, when it has one.
    void ShowInWindow(const SSoftRect* screenRect);

    uint32_t m_width;
    uint32_t m_height;
    uint32_t m_caps;
    SSoftPixelFormat m_format;
    soft7::PixelKind m_kind;
    int32_t m_pitch = 0;
    std::vector<uint8_t> m_pixels;
    std::vector<uint32_t> m_depth;
    std::vector<uint8_t> m_stencil;
    bool m_lost = false;
    bool m_locked = false;
    ZSoftSurface* m_zbuffer = nullptr;    // attached depth surface (one reference)
    ZSoftSurface* m_backBuffer = nullptr; // flipping chain: the front owns the back (one reference)
    ZSoftSurface* m_front = nullptr;      // flipping chain: the back's front (no reference)
    ZSoftClipper* m_clipper = nullptr;    // one reference
};

class ZSoftDirectDraw
{
public:
    // Makes the display object. config null: what SDL reports (or a virtual display when SDL video
    // is not initialised).
    static SoftResult Create(const SSoftDriverConfig* config, ZSoftDirectDraw** out);

    uint32_t AddRef() { return ++m_refs; }
    uint32_t Release();

    // Every mode of the display, each size once per depth (16 and 32 bits), smallest first.
    // The callback returns false to stop.
    SoftResult EnumDisplayModes(const std::function<bool(const SSoftDisplayMode&)>& callback) const;
    // The current mode (the desktop's until SetDisplayMode).
    SoftResult GetDisplayMode(SSoftDisplayMode& mode) const;
    SSoftDisplayMode GetDesktopMode() const { return m_config.desktop; }
    // Physical size of the display in millimetres.
    void GetPhysicalSize(int& widthMm, int& heightMm) const;

    // kCoopNormal, or kCoopExclusive | kCoopFullscreen; kCoopMultithreaded is accepted.
    SoftResult SetCooperativeLevel(SDL_Window* window, uint32_t flags);
    // Exclusive level only; the mode must be one of the enumerated modes (refresh 0 = any). A change
    // of mode loses every surface in video memory.
    SoftResult SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t refreshRate,
                              uint32_t flags);
    SoftResult RestoreDisplayMode();

    SoftResult CreateSurface(const SSoftSurfaceDesc& desc, ZSoftSurface** out);
    SoftResult CreateClipper(uint32_t flags, ZSoftClipper** out);
    SoftResult GetAvailableVidMem(uint32_t caps, uint64_t* total, uint64_t* free) const;
    SoftResult GetDeviceIdentifier(SSoftDeviceIdentifier& out) const;
    // kOk while the cooperative level can be used; kErrNoExclusiveMode while the exclusive display
    // is taken away (the full-screen window lost the focus), kErrExclusiveModeAlreadySet for a
    // windowed object in that time.
    SoftResult TestCooperativeLevel() const;
    SoftResult RestoreAllSurfaces();
    // The Direct3D object of this display (one per display object; one reference more each call).
    SoftResult QueryDirect3D(ZSoftDirect3D** out);

    // Loss of the display, as when the full-screen window is switched away from: every surface in
    // video memory is lost and the cooperative level is unusable until RegainDisplay. Called by the
    // window-event watch in exclusive mode, and by tests.
    void LoseDisplay();
    void RegainDisplay();

    // Drawing is carried out in this many bands of rows, on the runner's threads when one is given
    // (it must outlive the display object or be taken back first). 1, or no runner and 1, draws in
    // one piece on the calling thread; the pixels are the same either way.
    void SetParallelRunner(plat::IParallelRunner* runner, int bands);
    plat::IParallelRunner* ParallelRunner() const { return m_runner; }
    int RasterBands() const { return m_bands; }
    // The span loop of flat triangles (on by default); tests compare it with the general loop.
    void SetSpanLoop(bool on) { m_spanLoop = on; }
    bool SpanLoop() const { return m_spanLoop; }
    // Carries out the drawing every device has recorded. Every access to a surface's pixels does
    // this first.
    void FlushDrawing();

    const SSoftDriverConfig& Config() const { return m_config; }
    SDL_Window* CooperativeWindow() const { return m_window; }
    bool IsExclusive() const { return m_exclusive; }

private:
    friend class ZSoftObject;
    friend class ZSoftSurface;
    friend class ZSoftDirect3D;
    friend class ZSoftD3DDevice;
    ZSoftDirectDraw() = default;
    ~ZSoftDirectDraw();
    void Register(ZSoftObject* object) { m_objects.push_back(object); }
    void Unregister(ZSoftObject* object);
    void LoseVideoSurfaces();
    bool UseSdl() const;

    uint32_t m_refs = 1;
    SSoftDriverConfig m_config;
    SSoftDisplayMode m_mode;
    SDL_Window* m_window = nullptr;
    bool m_exclusive = false;
    bool m_displayTaken = false;
    bool m_watching = false;
    bool m_tearingDown = false;
    uint64_t m_videoUsed = 0;
    ZSoftSurface* m_primary = nullptr; // no reference
    ZSoftDirect3D* m_d3d = nullptr;    // no reference
    std::vector<ZSoftObject*> m_objects;
    std::vector<ZSoftD3DDevice*> m_devices; // no reference
    plat::IParallelRunner* m_runner = nullptr;
    int m_bands = 1;
    bool m_spanLoop = true;
};
