#pragma once
// The one renderer interface. The engine and the renderer's own resources (textures, atlas pages,
// materials) reach the renderer only through these operations; the back ends (OpenGL, Direct3D 7)
// and their shared base implement them. IRenderHost below is what the renderer is told of the
// engine above it.
#include <cstdint>

class ZResourceManager;
class ZPlatformWindow;
class ZTexture;
class ZTextureAtlas;
class ZTextureResource;
class ZView;
class ZCamera;
class ZPrimitive;
class ZSprite;
class ZShaderBase;
class ZShaderCodeBase;
class ZRenderState;
class ZRenderFont;
struct ZShaderExternal;

// Renderer state word A.
enum ERenderStateA : uint16_t
{
    kRenderWindowed = 0x1,     // set or cleared by Init: the game runs in a window
    kRenderScreenSprite = 0x4, // the screen sprite is in use
    kRenderScreenOwnTexture = 0x8,
    kRenderDebug = 0x10,    // debug.enable was on when the renderer started
    kRenderOverlays = 0x20, // engine.render.overlays was on: Init makes the overlay
};

// Renderer state word B: what the back end can do.
enum ERenderStateB : uint16_t
{
    kRenderCompilesShaderCode = 0x1,
    kRenderHardwareCursor = 0x2,
    kRenderNonPowerOfTwo = 0x4,
};

// Renderer state word C.
enum ERenderStateC : uint16_t
{
    kRenderDebugShapes = 0x8,
    kRenderStartBit = 0x20,
    kRenderScreenSpriteShown = 0x40,
    kRenderScreenSpriteOverlay = 0x80,
    kRenderDebugText = 0x100,
    kRenderOverlayPerCamera = 0x200,
};

class IRender
{
public:
    virtual ~IRender() = default;

    // Size as asked for (not the window size the window step worked out); `window` is the platform
    // window the back end draws into (null for back ends that need none). 0 on success.
    virtual int Init(int width, int height, bool windowed, ZPlatformWindow* window) = 0;
    // The OpenGL back end's primitive pass; 0 elsewhere.
    virtual int RenderPrimitivePass() { return 0; }
    virtual void SetSize(int width, int height) = 0;
    virtual int GetWidth() const { return 0; }
    virtual int GetHeight() const { return 0; }
    virtual void SetOutputScale(float /*x*/, float /*y*/) {}
    virtual void RestoreDisplayMode() {}
    virtual uint32_t GetFrameCount() const = 0;
    virtual const char* GetDriverDescription() const { return nullptr; }
    // Device capabilities for the usage log.
    virtual void ReportCaps() {}
    // Total and free texture memory in bytes; false when the back end cannot tell.
    virtual bool GetFreeTextureMemory(uint32_t& total, uint32_t& free)
    {
        total = free = 0;
        return false;
    }
    virtual bool HasDisplayMode(int /*width*/, int /*height*/) const { return false; }
    virtual void AddDisplayMode(int /*width*/, int /*height*/) {}
    virtual void SetResourceManager(ZResourceManager* manager) = 0;
    virtual void WaitForVerticalSync() {}
    virtual void OnOutOfVideoMemory() {}

    virtual void SetStateA(uint16_t /*value*/) {}
    virtual void EnableStateA(uint16_t mask) = 0;
    virtual void DisableStateA(uint16_t /*mask*/) {}
    virtual uint16_t GetStateA() const { return 0; }
    virtual bool TestStateA(uint16_t mask) const = 0;
    virtual uint16_t GetStateB() const { return 0; }
    virtual bool TestStateB(uint16_t /*mask*/) const { return false; }
    virtual void SetStateC(uint16_t /*value*/) {}
    virtual void EnableStateC(uint16_t /*mask*/) {}
    virtual void DisableStateC(uint16_t /*mask*/) {}
    virtual uint16_t GetStateC() const { return 0; }
    virtual bool TestStateC(uint16_t /*mask*/) const { return false; }

    virtual int RenderFrame() = 0;
    virtual void SetStateId(uint32_t /*id*/) {}
    virtual ZRenderState* ApplyRenderState(ZRenderState* /*state*/) { return nullptr; }
    virtual void AddView(ZView* /*view*/, float /*priority*/) {}
    virtual ZView* GetView(uint32_t /*index*/) const { return nullptr; }
    virtual void UpdateViews() {}

    virtual void* LockVertexBuffer(int /*id*/) { return nullptr; }
    virtual int UnlockVertexBuffer(int /*id*/) { return 0; }
    // 0 on success, 1 for id -1 or a failed lock.
    virtual int LockTexture(int /*id*/, int& /*pitch*/, uint8_t*& /*bits*/) { return 1; }
    virtual int UnlockTexture(int /*id*/) { return 0; }
    // True when unloading a texture also frees its pixel copy.
    virtual bool FreesPixelsOnUnload() const { return false; }
    virtual float GetTexelOffset() const { return 0.0f; }

    virtual ZShaderBase* CreateShaderDef(const char* /*name*/) { return nullptr; }
    virtual ZShaderCodeBase* CreateShaderCode(const char* /*name*/) { return nullptr; }
    virtual ZRenderState* CreateRenderState() { return nullptr; }
    // The external declarations shader code may name; null when the back end has none.
    virtual const ZShaderExternal* GetShaderExternals() const { return nullptr; }
    // A four-vertex sprite quad; its id from the quad pool, -1 when none could be made.
    virtual int CreateQuad(float /*width*/, float /*height*/, float /*u0*/, float /*v0*/, float /*u1*/,
                           float /*v1*/)
    {
        return -1;
    }
    virtual ZRenderFont* GetTextRenderer() const { return nullptr; }

    // Has the texture decoded and converted to the device's pixel format; 0 on success.
    virtual int ReconvertTexture(ZTextureResource* /*texture*/) { return 0; }
    virtual void DeleteTexture(int /*id*/) {}
    virtual int CreateVertexBuffer(const void* /*vertices*/, uint32_t /*count*/, bool /*dynamic*/)
    {
        return -1;
    }
    virtual void DeleteVertexBuffer(int /*id*/) {}
    virtual int ReleasePrimitiveBuffers(ZPrimitive* /*primitive*/) { return 0; }
    virtual void DeleteQuad(int /*id*/) {}

    virtual void SetScreenSpriteMode(bool /*on*/) {}
    virtual bool IsScreenSpriteMode() const { return false; }
    virtual void SetScreenSpriteShown(bool /*on*/) {}
    virtual void SetScreenFade(float /*value*/) {}
    virtual void SetScreenSprite(ZSprite* /*sprite*/) {}
    virtual ZSprite* GetScreenSprite() const { return nullptr; }
    virtual int SetScreenTexture(ZTexture* /*texture*/) { return 0; }
    virtual void ApplyScreenSprite() {}
    virtual void SetScreenSpriteOverlay(bool /*on*/) {}
    // The request is accepted and nothing acts on it.
    virtual void RequestDisplayReset() {}
    // Queues the dirty atlas pages of the default resource context for their commit.
    virtual void CommitDefaultAtlasPages() {}

    // A device texture; the id from the texture pool, -1 on failure. `pixels` (may be null) are
    // width x height x 4 bytes in the device's byte order.
    virtual int CreateTexture(int /*width*/, int /*height*/, const uint8_t* /*pixels*/, int /*format*/,
                              bool /*renderTarget*/)
    {
        return -1;
    }
    virtual void DeleteTextureObject(int /*id*/) {}
    // Atlas pages: the resource context every texture outside a group uses; a new page for a
    // context (0 x 0: the default size; null without atlas pages); a page whose pixels changed
    // and waits for its upload.
    static constexpr uint32_t kDefaultContext = 65535;
    virtual ZTextureAtlas* CreatePage(int /*width*/, int /*height*/, uint32_t /*context*/) { return nullptr; }
    virtual void QueueDirtyPage(ZTextureAtlas* /*page*/) {}
    // A texture that goes away leaves the upload queue.
    virtual void ForgetQueuedTexture(ZTexture* /*texture*/) {}
    virtual int CreateTextureOfSize(int /*width*/, int /*height*/) { return -1; }
    virtual ZTexture* GetRenderTargetTexture(int /*id*/) { return nullptr; }
    virtual int SetRenderTarget(int /*id*/) { return 0; }
    virtual int ResetRenderTarget() { return 0; }

    virtual void UploadOneQueued() = 0;
    virtual bool HasQueuedUploads() const = 0;
    virtual void FlushUploadQueue() {}
    // 0 when the texture is on the device afterwards.
    virtual int MakeTextureResident(ZTexture* /*texture*/) { return 0; }
    virtual int RequestTextureUpload(ZTexture* /*texture*/, bool /*now*/) { return 0; }
    virtual int PreloadTexture(ZTexture* texture)
    {
        (void)texture;
        return 0;
    }
    // 32-bit pixels of the screen, allocated through the allocator hook (the caller frees them).
    virtual uint32_t* GrabScreen(uint32_t& width, uint32_t& height)
    {
        width = height = 0;
        return nullptr;
    }
    virtual int GetTextureSize(int id) const
    {
        (void)id;
        return 0;
    }
    virtual int ResetDeviceState(bool /*restoreContents*/) { return 0; }
    virtual int ResetMatrices() = 0;
    virtual void ReleaseDefaultQuad() {}
    virtual float GetTextureMemoryMiB() const { return -1.0f; }
    virtual float GetPeakTextureMemoryMiB() const { return -1.0f; }

    // Platform steps the engine takes around the window; empty unless a back end needs them.
    virtual void OnWindowReady() {}
    virtual void SetWindowPosition(float x, float y) { (void)x, (void)y; }
    virtual int UseHardwareCursor(bool on)
    {
        (void)on;
        return 0;
    }
    virtual void ApplyHardwareCursor(bool on) { (void)on; }
    virtual void ApplyState() {}
    virtual void SetSystemCursorShown(bool shown) { (void)shown; }
    virtual bool HasPreLoopWork() const { return false; }
    virtual void PreLoop() {}
    virtual void OnServicesStarted() {}
    virtual void PrepareRelease() {}
};

// Set by the renderer's constructor, cleared by its destructor.
extern IRender* g_render;

// What the renderer asks of the engine above it: the engine installs itself as the host when it is
// made; the default host answers "not loading, not low on memory, not being destroyed" and does
// nothing, so renderers in tests and tools run without an engine.
class IRenderHost
{
public:
    virtual ~IRenderHost() = default;
    // Services are starting or a state is loading: dirty atlas pages wait for the commit that
    // follows instead of queueing one upload each.
    virtual bool IsLoading() { return false; }
    // The machine is short of memory: atlas pages give up their pixel copies.
    virtual bool IsLowMemory() { return false; }
    // The engine is being destroyed: resources went first, so pages stop tracking textures.
    virtual bool IsBeingDestroyed() { return false; }
    // Keeps the pointer inside the full-screen window (true) or lets it go.
    virtual void ClipCursor(bool on) { (void)on; }
    // The device is being reset (true) and is back (false).
    virtual void SetDisplayResetting(bool resetting) { (void)resetting; }
};

// Never null: the installed host, or the default one.
IRenderHost* GetRenderHost();
// Null restores the default host. The host is not owned.
void SetRenderHost(IRenderHost* host);
