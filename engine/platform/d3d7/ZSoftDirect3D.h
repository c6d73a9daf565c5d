#pragma once
// The Direct3D-shaped half of the software display layer: the Direct3D object (device, depth-format
// and vertex-buffer creation), vertex buffers with Lock/Unlock, and the device with its render
// states, texture-stage states, transforms, lights and drawing calls. Drawing and clears are
// recorded (ZSoftDrawQueue) and carried out by a deterministic software rasteriser into the render
// target's memory at the end of the scene, or sooner when anything reads or changes a surface's
// pixels; so every caller sees the pixels exactly as if each call had drawn at once.
#include "engine/platform/d3d7/ZSoftDirectDraw.h"

class ZSoftD3DDevice;
class ZSoftDrawQueue;
struct SSoftVtx;

class ZSoftVertexBuffer : public ZSoftObject
{
public:
    // Returns the vertex memory and its size in bytes. kLockWait is implied: nothing draws behind.
    SoftResult Lock(uint32_t flags, void** data, uint32_t* size);
    SoftResult Unlock();
    SoftResult GetVertexBufferDesc(SSoftVertexBufferDesc& desc) const;

    const uint8_t* Data() const { return m_data.data(); }
    bool IsLocked() const { return m_locked; }

private:
    friend class ZSoftDirect3D;
    ZSoftVertexBuffer(ZSoftDirectDraw* owner, const SSoftVertexBufferDesc& desc);
    SSoftVertexBufferDesc m_desc;
    std::vector<uint8_t> m_data;
    bool m_locked = false;
};

class ZSoftDirect3D : public ZSoftObject
{
public:
    // The devices in the order a driver offers them: software emulation, hardware rasterisation,
    // hardware transform and lighting (or the configured list). The callback returns false to stop.
    SoftResult EnumDevices(const std::function<bool(const SSoftDeviceDesc&)>& callback) const;
    // Depth formats of a device: 16, 15+1 stencil, 24, 24+8 stencil, 32 bits (or the configured list).
    SoftResult EnumZBufferFormats(soft7::DeviceKind device,
                                  const std::function<bool(const SSoftPixelFormat&)>& callback) const;
    // The render target must be a 3D-device surface, in video memory for the hardware devices
    // and in system memory for the software one (kErrInvalidSurfaceType otherwise).
    SoftResult CreateDevice(soft7::DeviceKind device, ZSoftSurface* renderTarget, ZSoftD3DDevice** out);
    SoftResult CreateVertexBuffer(const SSoftVertexBufferDesc& desc, ZSoftVertexBuffer** out, uint32_t flags);

    const SSoftDeviceDesc* FindDevice(soft7::DeviceKind device) const;

private:
    friend class ZSoftDirectDraw;
    explicit ZSoftDirect3D(ZSoftDirectDraw* owner);
    ~ZSoftDirect3D() override;
};

// Everything the rasteriser reads; the device's current state.
struct SSoftStageState
{
    uint32_t tss[uint32_t(soft7::TSS::Count)] = {};
    ZSoftSurface* texture = nullptr; // one reference held by the device
    SSoftMatrix matrix;
};

struct SSoftPipelineState
{
    uint32_t rs[uint32_t(soft7::RS::Count)] = {};
    SSoftStageState stages[soft7::kMaxStages];
    SSoftMatrix world;
    SSoftMatrix view;
    SSoftMatrix projection;
    SSoftMaterial material;
    SSoftLight lights[soft7::kMaxLights];
    bool lightEnabled[soft7::kMaxLights] = {};
    SSoftViewport viewport;
    ZSoftSurface* target = nullptr; // one reference held by the device

    uint32_t Get(soft7::RS s) const { return rs[uint32_t(s)]; }
    uint32_t Get(int stage, soft7::TSS s) const { return stages[stage].tss[uint32_t(s)]; }
};

class ZSoftD3DDevice : public ZSoftObject
{
public:
    SoftResult GetCaps(SSoftDeviceDesc& desc) const;
    // Texture formats: A8R8G8B8, X8R8G8B8, A1R5G5B5, A4R4G4B4, R5G6B5, X1R5G5B5, A8L8 (or the
    // configured list). The callback returns false to stop.
    SoftResult EnumTextureFormats(const std::function<bool(const SSoftPixelFormat&)>& callback) const;

    SoftResult BeginScene();
    SoftResult EndScene();
    bool InScene() const { return m_inScene; }

    // Makes another 3D-device surface the target; its attached depth surface (if any) comes with
    // it. The viewport becomes the whole new target.
    SoftResult SetRenderTarget(ZSoftSurface* target, uint32_t flags);
    SoftResult GetRenderTarget(ZSoftSurface** out);
    SoftResult SetViewport(const SSoftViewport& viewport);
    SoftResult GetViewport(SSoftViewport& viewport) const;
    // Clears the rectangles (all of the viewport when count is 0), each cut to the viewport:
    // colour (ARGB), depth (0..1) and stencil, each when its flag is given.
    SoftResult Clear(uint32_t count, const SSoftRect* rects, uint32_t flags, uint32_t color, float z,
                     uint32_t stencil);

    SoftResult SetRenderState(soft7::RS state, uint32_t value);
    SoftResult GetRenderState(soft7::RS state, uint32_t* value) const;
    SoftResult SetTextureStageState(uint32_t stage, soft7::TSS state, uint32_t value);
    SoftResult GetTextureStageState(uint32_t stage, soft7::TSS state, uint32_t* value) const;
    // Binds a texture surface (kCapsTexture) to a stage; null unbinds. A stage without a texture
    // reads opaque white where its operation asks for the texture.
    SoftResult SetTexture(uint32_t stage, ZSoftSurface* texture);
    // One reference more on the surface returned (null when none is bound).
    SoftResult GetTexture(uint32_t stage, ZSoftSurface** out);
    SoftResult SetTransform(soft7::Transform kind, const SSoftMatrix& matrix);
    SoftResult GetTransform(soft7::Transform kind, SSoftMatrix& matrix) const;
    SoftResult SetMaterial(const SSoftMaterial& material);
    SoftResult GetMaterial(SSoftMaterial& material) const;
    SoftResult SetLight(uint32_t index, const SSoftLight& light);
    SoftResult GetLight(uint32_t index, SSoftLight& light) const;
    SoftResult LightEnable(uint32_t index, bool enable);
    SoftResult GetLightEnable(uint32_t index, bool* enable) const;

    // Drawing, inside BeginScene/EndScene only. Vertices are in the layout of fvf (soft7::kFvf*).
    SoftResult DrawPrimitive(soft7::Prim type, uint32_t fvf, const void* vertices, uint32_t count,
                             uint32_t flags);
    SoftResult DrawIndexedPrimitive(soft7::Prim type, uint32_t fvf, const void* vertices,
                                    uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                                    uint32_t flags);
    SoftResult DrawPrimitiveVB(soft7::Prim type, ZSoftVertexBuffer* buffer, uint32_t startVertex,
                               uint32_t count, uint32_t flags);
    SoftResult DrawIndexedPrimitiveVB(soft7::Prim type, ZSoftVertexBuffer* buffer, uint32_t startVertex,
                                      uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                                      uint32_t flags);
    // Texture residency hint; nothing to move in memory here.
    SoftResult PreLoad(ZSoftSurface* texture);

    const SSoftPipelineState& State() const { return m_state; }
    // Carries out the drawing recorded so far.
    void FlushDrawing();

private:
    friend class ZSoftDirect3D;
    ZSoftD3DDevice(ZSoftDirectDraw* owner, const SSoftDeviceDesc& desc, ZSoftSurface* target);
    ~ZSoftD3DDevice() override;
    void DropLinks() override;
    void SetDefaults();
    SoftResult CheckDraw() const;
    SoftResult Draw(soft7::Prim type, uint32_t fvf, const uint8_t* vertices, uint32_t vertexCount,
                    const uint16_t* indices, uint32_t indexCount);

    SSoftDeviceDesc m_desc;
    SSoftPipelineState m_state;
    bool m_inScene = false;
    std::unique_ptr<ZSoftDrawQueue> m_queue;
    std::vector<SSoftVtx> m_vertices;
};
