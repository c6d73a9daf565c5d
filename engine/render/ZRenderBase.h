#pragma once
// What both back ends share: screen size, state words, the pools of renderer-side ids, display
// modes and the mode chooser, the views, the lights, the auxiliary renderers, the screen sprite, the
// texture upload queue, the atlas pages and the per-frame drawing of views. Device work is left to
// the back ends as virtual operations.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "engine/core/ZMatrix.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSpinLock.h"
#include "engine/core/ZStaticArray.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZRenderState.h"
#include "engine/resource/ZResourceManager.h"

class ZLight;
class ZNode;
class ZMaterial;
class ZSubPrimitive;
class ZTextureAtlas;
class ZRenderDebug;
class ZRenderParticles;
class ZRenderOverlay;
struct ZTypeRecord;

// A stack of free ids 0 .. N-1: a fresh pool hands out 0, 1, 2, ...; a released id is the next one
// handed out. An exhausted pool gives -1 (no id).
template <int N> class ZIdPool
{
public:
    ZIdPool() { Reset(); }
    void Reset()
    {
        for (int i = 0; i < N; ++i)
        {
            m_free[i] = N - 1 - i;
            m_out[i] = false;
        }
        m_freeCount = N;
    }
    int32_t Alloc()
    {
        if (m_freeCount == 0)
            return -1;
        const int32_t id = m_free[--m_freeCount];
        m_out[id] = true;
        return id;
    }
    // -1, ids outside the pool and ids that are not out are refused (false): a double release
    // would hand one id to two owners.
    bool Free(int32_t id)
    {
        if (id < 0 || id >= N || !m_out[id])
            return false;
        m_out[id] = false;
        m_free[m_freeCount++] = id;
        return true;
    }
    int Used() const { return N - m_freeCount; }
    static constexpr int Size() { return N; }

private:
    int32_t m_free[N];
    bool m_out[N];
    int m_freeCount = 0;
};

// How the frame driver sorts a class of drawable nodes. The owning subsystem registers one entry per
// class (ZRenderBase::RegisterDrawClass); the driver tests them in the order of their kinds.
enum class EDrawKind : uint8_t
{
    GeomObject = 0,
    Sprite = 1,
    Text = 2,
    Particles = 3,
};

struct SDrawPart
{
    ZSubPrimitive* part = nullptr;
    ZMaterial* material = nullptr;
    uint16_t stateWord = 1;
};

struct SDrawClass
{
    const ZTypeRecord* type = nullptr;
    EDrawKind kind = EDrawKind::GeomObject;
    // GeomObject: the number of parts, and part `index`.
    uint32_t (*partCount)(ZNode* node) = nullptr;
    SDrawPart (*getPart)(ZNode* node, uint32_t index) = nullptr;
    // Sprite: its material.
    ZMaterial* (*material)(ZNode* node) = nullptr;
};

extern ZPropertyBool g_engineRenderForcePow2;
extern ZPropertyBool g_engineRenderVsync;
extern ZPropertyBool g_renderAtlas;
extern ZPropertyInt g_renderAtlasIndex;
extern ZPropertyFloat g_renderAtlasScale;
extern ZPropertyText g_renderCamera;
extern ZPropertyBool g_renderDisableFontCache;
extern ZPropertyInt g_debugTextColor;
extern ZPropertyInt g_renderShowTexture;
extern ZPropertyInt g_renderScreenDumpTexture;
extern ZPropertyBool g_renderOpaqueScreenDump;

class ZRenderBase : public IRender, public ZResourceContextListener, public IPropertyListener
{
public:
    static constexpr int kMaxViews = 5;
    // Each bucket holds as many records as a camera's draw list can.
    static constexpr uint32_t kBucketSize = 4096;

    ZRenderBase();
    ~ZRenderBase() override;

    int Init(int width, int height, bool windowed, ZPlatformWindow* window) override;
    void SetSize(int width, int height) override;
    int GetWidth() const override { return m_width; }
    int GetHeight() const override { return m_height; }
    void SetOutputScale(float x, float y) override;
    float GetOutputScaleX() const { return m_outputScaleX; }
    float GetOutputScaleY() const { return m_outputScaleY; }
    uint32_t GetFrameCount() const override { return m_frameCount; }
    const char* GetDriverDescription() const override { return m_driverDescription.c_str(); }
    bool HasDisplayMode(int width, int height) const override;
    void AddDisplayMode(int width, int height) override;
    // Also registers the texture decoders with the manager (JPEG 2000 first: DevIL takes any file).
    void SetResourceManager(ZResourceManager* manager) override;
    ZResourceManager* GetResourceManager() const { return m_resourceManager; }
    void OnOutOfVideoMemory() override;

    void SetStateA(uint16_t value) override { m_stateA = value; }
    void EnableStateA(uint16_t mask) override { m_stateA |= mask; }
    void DisableStateA(uint16_t mask) override { m_stateA &= uint16_t(~mask); }
    uint16_t GetStateA() const override { return m_stateA; }
    bool TestStateA(uint16_t mask) const override { return (m_stateA & mask) != 0; }
    uint16_t GetStateB() const override { return m_stateB; }
    bool TestStateB(uint16_t mask) const override { return (m_stateB & mask) != 0; }
    virtual void SetStateB(uint16_t value) { m_stateB = value; }
    void SetStateC(uint16_t value) override { m_stateC = value; }
    void EnableStateC(uint16_t mask) override { m_stateC |= mask; }
    void DisableStateC(uint16_t mask) override { m_stateC &= uint16_t(~mask); }
    uint16_t GetStateC() const override { return m_stateC; }
    bool TestStateC(uint16_t mask) const override { return (m_stateC & mask) != 0; }

    // The pre-frame step; each back end's frame calls it first.
    int RenderFrame() override;
    void SetStateId(uint32_t id) override;
    ZRenderState* ApplyRenderState(ZRenderState* state) override;
    ZRenderState* GetRenderState() const { return m_renderState; }
    // A sixth view is refused (the view is not taken).
    void AddView(ZView* view, float priority) override;
    ZView* GetView(uint32_t index) const override;
    uint32_t GetViewCount() const { return m_viewCount; }
    void UpdateViews() override;

    ZShaderBase* CreateShaderDef(const char* name) override;
    ZRenderFont* GetTextRenderer() const override { return m_textRenderer; }
    // The drawers hold fonts and textures that the engine frees next: they go first.
    void PrepareRelease() override { DeleteAuxiliary(); }

    void SetScreenSpriteMode(bool on) override;
    bool IsScreenSpriteMode() const override { return TestStateA(kRenderScreenSprite); }
    void SetScreenSpriteShown(bool on) override;
    void SetScreenFade(float value) override;
    void SetScreenSprite(ZSprite* sprite) override;
    ZSprite* GetScreenSprite() const override { return m_screenSprite; }
    int SetScreenTexture(ZTexture* texture) override;
    void ApplyScreenSprite() override;
    void SetScreenSpriteOverlay(bool on) override;
    void SetCursorSprite(ZSprite* sprite) { m_cursorSprite = sprite; }
    ZSprite* GetCursorSprite() const { return m_cursorSprite; }
    void CommitDefaultAtlasPages() override;

    void DeleteTextureObject(int id) override { DeleteTexture(id); }
    int CreateTextureOfSize(int width, int height) override;
    int ResetRenderTarget() override { return SetRenderTarget(-1); }

    void UploadOneQueued() override { ProcessUploadQueue(0.0f); }
    bool HasQueuedUploads() const override;
    void FlushUploadQueue() override;
    int MakeTextureResident(ZTexture* texture) override
    {
        (void)texture;
        return 1;
    }
    int RequestTextureUpload(ZTexture* texture, bool now) override;
    // A texture about to be drawn before its turn in the queue came: it goes to the device at once
    // (with its alpha texture step) and leaves the queue. 0 when it is on the device now.
    int UploadTextureNow(ZTexture* texture);
    // Takes textures from the queue until `budget` seconds are spent (at least one); the number taken.
    uint32_t ProcessUploadQueue(float budget);
    // A texture that goes away leaves the queue.
    void ForgetQueuedTexture(ZTexture* texture) override;
    size_t GetQueuedUploadCount() const;
    uint32_t GetUploadContention() const { return m_uploadContention; }

    int ResetDeviceState(bool restoreContents) override;
    int ResetMatrices() override;
    float GetTextureMemoryMiB() const override { return float(m_textureMemory) * (1.0f / 1048576.0f); }
    float GetPeakTextureMemoryMiB() const override
    {
        return float(m_textureMemoryPeak) * (1.0f / 1048576.0f);
    }

    // Allocate the auxiliary renderers; the back ends give the concrete ones.
    virtual ZRenderFont* CreateTextRenderer() { return nullptr; }
    virtual ZRenderOverlay* CreateOverlay() { return nullptr; }
    virtual ZRenderParticles* CreateParticleRenderer() { return nullptr; }
    virtual int ReloadResources();
    virtual int RestoreSurfaces();
    virtual int RecreateBuffers() { return 0; }

    int32_t AllocVertexBufferId() { return m_vertexBufferIds.Alloc(); }
    bool FreeVertexBufferId(int32_t id) { return m_vertexBufferIds.Free(id); }
    int32_t AllocTextureId() { return m_textureIds.Alloc(); }
    bool FreeTextureId(int32_t id) { return m_textureIds.Free(id); }
    int32_t AllocQuadId() { return m_quadIds.Alloc(); }
    bool FreeQuadId(int32_t id) { return m_quadIds.Free(id); }
    void SetSmallParameter(int32_t value) { m_smallParameter = value; }
    int32_t GetSmallParameter() const { return m_smallParameter; }

    // Device steps of the frame driver.
    virtual void SetWorldMatrix(const _M44& matrix) { (void)matrix; }
    virtual void SetViewMatrix(const _M44& matrix) { (void)matrix; }
    virtual void SetProjectionMatrix(const _M44& matrix) { (void)matrix; }
    virtual void SetRenderStateFlag(uint32_t state, bool on) { (void)state, (void)on; }
    virtual void SetViewport(ZView* view) { (void)view; }
    virtual void Clear(ZView* view, bool color, bool depth, bool stencil)
    {
        (void)view, (void)color, (void)depth, (void)stencil;
    }
    virtual void SetupCamera(ZCamera* camera) { (void)camera; }
    virtual void RefreshViews();
    // The record's world matrix; a 2D node gets z translation 0.
    _M44 GetRecordWorldMatrix(const DrawRecord& record) const;
    virtual void BeginRenderTargetScene() {}
    virtual void EndRenderTargetScene() {}
    // Draws the debug-draw object's queued text when word C has 0x100, else discards it.
    virtual void DrawDebugText() {}
    void DebugPrintfAt(float x, float y, const char* format, ...) __attribute__((format(printf, 4, 5)));
    void DebugPrintf(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // True (with the mode written to width and height) when a listed mode suits the request.
    bool ChooseDisplayMode(int& width, int& height, float aspect) const;
    const std::vector<std::pair<int, int>>& GetDisplayModes() const { return m_displayModes; }

    ZLightArray& GetLights() { return m_lights; }

    // The frame driver.
    static void RegisterDrawClass(const SDrawClass& entry);
    static void UnregisterDrawClass(const ZTypeRecord* type);
    void RenderViews();
    void RenderTargetViews();
    // Sorts the camera's draw list into the three buckets; the counts are written out.
    void BuildDrawList(ZCamera* camera, DrawRecord* opaque, uint32_t& opaqueCount, DrawRecord* blended,
                       uint32_t& blendedCount, DrawRecord* flat, uint32_t& flatCount);
    void DrawBucket(ZCamera* camera, DrawRecord* records, uint32_t count, bool backwards);
    // Matrices for the shader code of the back ends.
    void SendWorldMatrix(ZCamera* camera, const DrawRecord& record);
    void SendViewMatrix(ZCamera* camera);
    // What SendWorldMatrix and SendViewMatrix send, for back ends that rebuild their matrices per item.
    _M44 ComputeWorldMatrix(ZCamera* camera, const DrawRecord& record) const;
    _M44 ComputeViewMatrix(ZCamera* camera) const;
    void SendProjectionMatrix(ZCamera* camera);

    // Atlas pages.
    ZTextureAtlas* CreatePage(int width, int height, uint32_t context) override;
    ZTextureAtlas* FindPage(uint32_t context) const;
    int PlaceInAtlas(ZTexture* texture);
    void CommitAtlasPages();
    // Uploads a page that changed since its last commit at once, before something samples it: a
    // texture placed in the middle of a frame (or while loading, which queues nothing) would
    // otherwise be drawn from what the page held before. It leaves the queue of dirty pages.
    void CommitPageNow(ZTextureAtlas* page);
    void QueueContextPages(uint32_t context);
    void QueueDirtyPage(ZTextureAtlas* page) override;
    size_t GetPageCount() const { return m_pages.size(); }
    ZTextureAtlas* GetPage(size_t index) const { return index < m_pages.size() ? m_pages[index] : nullptr; }
    size_t GetDirtyPageCount();

    void OnPropertyChanged(ZProperty* property) override;
    // A context ended: its dirty atlas pages are queued for their commit.
    void OnContextChanged(uint32_t previousId, uint32_t newId) override;

protected:
    // Milliseconds for the upload budget; a test back end may drive it.
    virtual uint32_t GetTicks() const;
    // Hand a text node or a particle system to the back end's auxiliary renderers.
    virtual void DrawTextNode(ZNode* node, ZCamera* camera, const DrawRecord& record)
    {
        (void)node, (void)camera, (void)record;
    }
    virtual void DrawParticleSystem(ZNode* node, ZCamera* camera, const DrawRecord& record)
    {
        (void)node, (void)camera, (void)record;
    }
    // The overlay object's drawing after a camera (word C 0x200).
    virtual void DrawOverlay(ZCamera* camera) { (void)camera; }
    // A sprite's record: drawn through its shader here; a back end may gather runs of sprites and
    // draw each run at once in FlushSprites, which the frame driver calls before it draws anything
    // that is not a sprite and at the end of every bucket.
    virtual void DrawSpriteRecord(ZCamera* camera, const DrawRecord& record);
    virtual void FlushSprites() {}
    // True where the text drawer adds its glyphs to the pending run itself (and draws the run first
    // when it cannot join it): the frame driver then leaves the run pending before a text node.
    virtual bool TextJoinsRuns() const { return false; }
    // Textures made resident get their alpha texture merged in.
    void AfterResident(ZTexture* texture);

    int32_t m_width = 1024;
    int32_t m_height = 768;
    float m_outputScaleX = 0.0f;
    float m_outputScaleY = 0.0f;
    int32_t m_smallParameter = 3;
    _M44 m_cachedView;
    _M44 m_cachedProjection;
    ZCamera* m_cachedCamera = nullptr;
    ZLightArray m_lights;
    ZIdPool<1024> m_vertexBufferIds;
    ZIdPool<8192> m_quadIds;
    ZIdPool<2048> m_textureIds;
    ZRenderState* m_renderState = nullptr;
    uint16_t m_stateA = 0;
    uint16_t m_stateC = kRenderStartBit;
    uint16_t m_stateB = 0;
    uint32_t m_frameCount = 0;
    ZRenderFont* m_textRenderer = nullptr;
    ZRenderDebug* m_debugDraw = nullptr;
    ZRenderParticles* m_particleRenderer = nullptr;
    ZRenderOverlay* m_overlay = nullptr;
    bool m_listenersRegistered = false;
    ZSprite* m_screenSprite = nullptr;
    ZSprite* m_cursorSprite = nullptr;
    std::vector<std::pair<int, int>> m_displayModes;
    ZResourceManager* m_resourceManager = nullptr;
    std::string m_driverDescription;
    uint32_t m_textureMemory = 0;
    uint32_t m_textureMemoryPeak = 0;

    // The auxiliary renderers (text, particles, overlay, debug drawing) are the back ends' types:
    // these hooks create, reset and delete them.
    virtual void DeleteAuxiliary() {}
    virtual void DeleteParticleRenderer() {}
    // A display or device reset: the scene tree rebuilds what it keeps on the device.
    virtual void OnDeviceReset();
    virtual void AddDebugGrids() {}
    // x and y are -1 for a line of the running text.
    virtual void AddDebugText(float x, float y, const char* text) { (void)x, (void)y, (void)text; }
    float m_screenFade = 1.0f;
    // Deletes the current render state object (the back end's type).
    void DeleteRenderState();

private:
    struct ViewEntry
    {
        int prev = -1;
        int next = -1;
        ZView* view = nullptr;
        float priority = 0.0f;
    };
    ViewEntry m_viewEntries[kMaxViews];
    int m_freeViewEntries[kMaxViews];
    uint32_t m_viewCount = 0;
    int m_firstView = -1;
    void ResetViewList();

    std::vector<ZTextureAtlas*> m_contextPages; // first page per context, sorted by context
    std::vector<ZTextureAtlas*> m_pages;        // every page, owned
    std::vector<ZTextureAtlas*> m_dirtyPages;
    ZSpinLock m_atlasLock;

    // The three buckets, made once: a frame allocates nothing.
    DrawRecord* m_opaque = nullptr;
    DrawRecord* m_blended = nullptr;
    DrawRecord* m_flat = nullptr;
    void DrawCamera(ZCamera* camera);

    std::deque<ZTexture*> m_uploadQueue;
    mutable ZSpinLock m_uploadLock;
    uint32_t m_uploadContention = 0;
};
