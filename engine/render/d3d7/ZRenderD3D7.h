#pragma once
// The Direct3D 7 back end, written against the software display layer in engine/platform/d3d7:
// display and device set-up, the texture, render-target, vertex-buffer and quad slots, the render
// state object and the frame with its presentation.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/ZVector.h"
#include "engine/platform/d3d7/ZSoftDirect3D.h"
#include "engine/render/ZRenderBase.h"
#include "engine/render/resources/ZRenderStateFlags.h"

class ZRenderD3D7;
class ZRenderD3D7ShaderFFP;
class ZWorkerPool;
class ZRenderD3D7ShaderFFPSprite;

// The system's 36-byte vertex: position, normal, diffuse ARGB, one texture coordinate pair.
struct SD3D7Vertex
{
    float x, y, z;
    float nx, ny, nz;
    uint32_t diffuse;
    float u, v;
};
constexpr uint32_t kD3D7VertexFvf = 0x152;
constexpr uint32_t kD3D7VertexSize = 36;
// How many vertex-buffer, quad and texture slots the back end holds.
constexpr int kD3D7VertexSlots = 1024;
constexpr int kD3D7QuadSlots = 8192;
constexpr int kD3D7TextureSlots = 2048;

// Turns the flag word into device states, writing only what differs from the state applied before.
class ZRenderD3D7State final : public ZRenderState
{
public:
    explicit ZRenderD3D7State(ZRenderD3D7* owner) : m_owner(owner) {}
    ZRenderState* Apply(ZRenderState* previous) override;
    // The renderer's current state object mirrors the device: it takes the flags just applied.
    void AfterApply(ZRenderState* previous) override;
    // Device defaults, no flags, and an id that no material's state has: the next material applied
    // is compared with the defaults instead of being skipped as already current.
    void Reset() override;
    void SetFogEnabled(bool on) override;
    void Destroy() override { delete this; }

    uint32_t GetFlags() const { return m_flags; }
    void SetFlags(uint32_t flags) { m_flags = flags; }
    bool IsFogOff() const { return (m_fogWord & 1) != 0; }

    static constexpr uint32_t kNoStateId = 0xFFFFFFFFu;

private:
    ~ZRenderD3D7State() = default;
    // The device of the renderer now running (materials keep their state objects across renderers).
    ZSoftD3DDevice* Device() const;
    ZRenderD3D7* m_owner;
    uint32_t m_flags = 0;
    uint32_t m_fogWord = 0;
};

class ZRenderD3D7 : public ZRenderBase
{
public:
    ZRenderD3D7();
    // Uses the given display description in place of what SDL reports (tests, odd machines).
    explicit ZRenderD3D7(const SSoftDriverConfig& config);
    ~ZRenderD3D7() override;

    int Init(int width, int height, bool windowed, ZPlatformWindow* window) override;
    void RestoreDisplayMode() override;
    const char* GetDriverDescription() const override;
    void ReportCaps() override;
    // The pairs ReportCaps hands to the usage log, in order.
    std::vector<std::pair<std::string, std::string>> GetCapsReport() const;
    bool GetFreeTextureMemory(uint32_t& total, uint32_t& free) override;
    float GetTexelOffset() const override { return 0.5f; }
    ZRenderState* CreateRenderState() override { return new ZRenderD3D7State(this); }
    // States made by another back end are not applied.
    ZRenderState* ApplyRenderState(ZRenderState* state) override;
    ZShaderCodeBase* CreateShaderCode(const char* name) override;
    ZRenderD3D7ShaderFFP* GetStandardCode() const { return m_ffp; }
    ZRenderD3D7ShaderFFPSprite* GetSpriteCode() const { return m_ffpSprite; }
    int ResetDeviceState(bool restoreContents) override;
    void ReleaseDefaultQuad() override;
    int RestoreSurfaces() override;
    int RecreateBuffers() override;

    // Frame.
    int RenderFrame() override;
    // Seconds of texture uploads allowed per frame: 0.15 of one frame period.
    static float UploadBudget();
    void SetWorldMatrix(const _M44& matrix) override;
    void SetViewMatrix(const _M44& matrix) override;
    void SetProjectionMatrix(const _M44& matrix) override;
    void SetRenderStateFlag(uint32_t state, bool on) override;
    void SetViewport(ZView* view) override;
    void Clear(ZView* view, bool color, bool depth, bool stencil) override;
    // The device's fog from the camera's fog block.
    void SetupCamera(ZCamera* camera) override;
    // After the display was made again (window mode or widescreen switched): the surfaces that were
    // lost come back with their pixels, the buffers are made again, the scene is told.
    int ResetMatrices() override;
    void BeginRenderTargetScene() override;
    void EndRenderTargetScene() override;

    // Resources.
    void* LockVertexBuffer(int id) override;
    int UnlockVertexBuffer(int id) override;
    int LockTexture(int id, int& pitch, uint8_t*& bits) override;
    int UnlockTexture(int id) override;
    int CreateQuad(float width, float height, float u0, float v0, float u1, float v1) override;
    void DeleteQuad(int id) override;
    int ReconvertTexture(ZTextureResource* texture) override;
    void DeleteTexture(int id) override;
    int CreateVertexBuffer(const void* vertices, uint32_t count, bool dynamic) override;
    void DeleteVertexBuffer(int id) override;
    int ReleasePrimitiveBuffers(ZPrimitive* primitive) override;
    int CreateTexture(int width, int height, const uint8_t* pixels, int format, bool renderTarget) override;
    // A render-target surface with its z-buffer and the texture "rendertarget_texture" that shows
    // it (GetRenderTargetTexture); the texture lives until DeleteTexture or its own release.
    int CreateTextureOfSize(int width, int height) override;
    ZTexture* GetRenderTargetTexture(int id) override;
    int SetRenderTarget(int id) override;
    int MakeTextureResident(ZTexture* texture) override;
    int PreloadTexture(ZTexture* texture) override;
    // The last finished frame (render.screendumptexture -1), or the named surface or texture.
    uint32_t* GrabScreen(uint32_t& width, uint32_t& height) override;
    int GetTextureSize(int id) const override;
    bool GetTextureSize(int id, int& width, int& height) const;
    void OnOutOfVideoMemory() override;

    // Draws a quad buffer as a 4-vertex triangle strip with the current states; 0 on success.
    int DrawQuadBuffer(int id);
    int DrawVertexBuffer(int id, soft7::Prim kind);
    int GetDefaultQuad();

    ZSoftDirectDraw* GetDirectDraw() const { return m_ddraw; }
    ZSoftD3DDevice* GetDevice() const { return m_device; }
    ZSoftSurface* GetFrontBuffer() const { return m_front; }
    ZSoftSurface* GetDefaultRenderTarget() const { return m_target; }
    ZSoftSurface* GetTextureSurface(int id) const;
    const SSoftDeviceDesc& GetDeviceDesc() const { return m_deviceDesc; }
    const SSoftPixelFormat& GetTextureFormat() const { return m_textureFormat; }
    bool AreSurfacesLost() const { return m_surfacesLost; }
    uint32_t GetTextureBytes() const { return m_textureMemory; }
    // Reports a failed call; returns the result unchanged.
    static SoftResult Report(const char* source, int line, const char* call, SoftResult result);

    // Selection rules, public so that they can be checked on their own.
    static bool PreferDevice(const SSoftDeviceDesc& chosen, const SSoftDeviceDesc& candidate);
    static bool PreferTextureFormat(const SSoftPixelFormat* kept, const SSoftPixelFormat& candidate);

    // Text, particles and the frame-rate overlay: the renderer's own drawers, which hand each glyph
    // and particle to the shader codes. This back end has no debug drawer.
    ZRenderFont* CreateTextRenderer() override;
    // Before the engine releases every resource: the drawers give back the textures and materials
    // they hold while those still exist (deleted later, they would reach into freed resources).
    ZRenderOverlay* CreateOverlay() override;
    ZRenderParticles* CreateParticleRenderer() override;

protected:
    void DrawTextNode(ZNode* node, ZCamera* camera, const DrawRecord& record) override;
    void DrawParticleSystem(ZNode* node, ZCamera* camera, const DrawRecord& record) override;
    void DrawOverlay(ZCamera* camera) override;
    void DeleteAuxiliary() override;
    void DeleteParticleRenderer() override;

private:
    struct BufferSlot
    {
        ZSoftVertexBuffer* buffer = nullptr;
        std::vector<uint8_t> copy;
        uint32_t count = 0;
    };
    struct TextureSlot
    {
        uint32_t owner = 0;
        ZSoftSurface* surface = nullptr;
        ZTexture* texture = nullptr;
        bool renderTarget = false;
        // A lock of a surface that is not 32-bit hands out 32-bit B, G, R, A rows; the unlock
        // writes them back in the surface's layout.
        std::vector<uint8_t> staging;
        // The surface lost its contents (seen before the restore gave its memory back).
        bool lost = false;
    };

    int SetupDisplay(bool fullscreen);
    int ChooseDevice();
    int CreateSurfaces(bool fullscreen);
    int ChooseTextureFormat();
    int AttachZBuffer(ZSoftSurface* surface);
    ZSoftSurface* MakeTextureSurface(int width, int height, bool renderTarget);
    int FillBuffer(BufferSlot& slot);
    int UploadPixels(ZSoftSurface* surface, ZTexture* texture);
    // Writes rows of B, G, R, A pixels into a surface of any colour layout at (x0, y0).
    static void WriteRows(ZSoftSurface* surface, const uint8_t* pixels, int width, int rows, int x0, int y0,
                          int srcPitch);
    // A texture surface that lost its contents gets them again: from the texture's pixel copy, or
    // from its file when the copy was given up. 0 on success.
    int RestoreTextureSlot(int id);
    void RegisterShaderCode();
    void SetCursorForMode();
    bool RestoreDevice();
    void Present();
    // Copies the finished frame, the picture Print Screen saves (see GrabScreen).
    void KeepShownFrame();
    void DrawLetterbox();
    void ReleaseSurfaces();
    void ReleaseAll();

    SSoftDriverConfig m_config;
    bool m_hasConfig = false;
    ZPlatformWindow* m_window = nullptr;
    SDL_Window* m_sdlWindow = nullptr;
    float m_physicalAspect = 4.0f / 3.0f;
    ZSoftDirectDraw* m_ddraw = nullptr;
    ZSoftDirect3D* m_d3d = nullptr;
    ZSoftD3DDevice* m_device = nullptr;
    ZSoftSurface* m_front = nullptr;
    ZSoftSurface* m_back = nullptr;
    ZSoftSurface* m_target = nullptr;
    ZSoftSurface* m_zbuffer = nullptr;
    ZSoftSurface* m_currentTarget = nullptr;
    SSoftDeviceDesc m_deviceDesc;
    bool m_hasDevice = false;
    SSoftPixelFormat m_textureFormat;
    bool m_surfacesLost = false;
    // The last finished frame, ARGB words top row first: the surfaces themselves may already hold
    // the next frame's first drawing, or nothing at all once the display was taken away.
    std::vector<uint32_t> m_shown;
    uint32_t m_shownWidth = 0;
    uint32_t m_shownHeight = 0;
    bool m_shownOpaque = false;
    std::vector<BufferSlot> m_vertexBuffers;
    std::vector<BufferSlot> m_quads;
    std::vector<TextureSlot> m_textures;
    std::vector<int> m_renderTargets;
    int m_defaultQuad = -1;
    mutable std::string m_description;
    ZRenderD3D7ShaderFFP* m_ffp = nullptr;
    ZRenderD3D7ShaderFFPSprite* m_ffpSprite = nullptr;
    bool m_definitionsLoaded = false;
    // The threads that draw the software display's bands of rows; outlives the display object.
    std::unique_ptr<ZWorkerPool> m_workers;
};

// Reports a failed call of the software device with its source, line and call text.
#define D3D7_CHECK(source, call) ZRenderD3D7::Report(source, __LINE__, #call, (call))
