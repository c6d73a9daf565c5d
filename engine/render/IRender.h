#pragma once
// The one renderer interface. The engine reaches the renderer only through these operations;
// the back ends (OpenGL, Direct3D 7) and their shared base implement them.
#include <cstdint>

class ZResourceManager;

class IRender
{
public:
    virtual ~IRender() = default;

    // Size as asked for (not the window size the window step worked out); 0 on success.
    virtual int Init(int width, int height, bool fullscreen) = 0;
    virtual void SetResourceManager(ZResourceManager* manager) = 0;
    virtual void OnWindowReady() {}
    virtual void SetSize(int width, int height) = 0;
    virtual void SetWindowPosition(float x, float y) { (void)x, (void)y; }

    virtual uint32_t GetFrameCount() const = 0;
    virtual int RenderFrame() = 0;

    // Renderer state word A: 0x1 full screen, 0x10 debug, 0x20 overlays.
    virtual void EnableStateA(uint16_t mask) = 0;
    virtual bool TestStateA(uint16_t mask) const = 0;
    // Capabilities: 2 hardware cursor available, 4 see the resource manager's device test.
    virtual bool TestCapability(uint32_t mask) const = 0;
    virtual int UseHardwareCursor(bool on) { (void)on; return 0; }
    virtual void ApplyHardwareCursor(bool on) { (void)on; }
    virtual void RequestDisplayReset() {}
    virtual void ApplyState() {}
    virtual void SetSystemCursorShown(bool shown) { (void)shown; }
    virtual bool HasPreLoopWork() const { return false; }
    virtual void PreLoop() {}

    virtual void UploadOneQueued() = 0;
    virtual bool HasQueuedUploads() const = 0;
    virtual void RunAtlasPass() {}
    virtual void OnServicesStarted() {}
    virtual int ResetMatrices() = 0;
    virtual void PrepareRelease() {}

    // 32-bit pixels of the screen, allocated through the allocator hook (the caller frees them).
    virtual uint32_t* GrabScreen(uint32_t& width, uint32_t& height) { width = height = 0; return nullptr; }
};

// Set by the renderer's constructor, cleared by its destructor.
extern IRender* g_render;
