#pragma once
// The OpenGL back end: draws through OpenGL 1.x fixed function on the game window's GL context.
// Textures live in GL texture names, sprite quads in GL buffer objects, general vertex buffers as
// CPU copies drawn in immediate mode.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/ZMatrix.h"
#include "engine/platform/ZGLContext.h"
#include "engine/render/ZRenderBase.h"
#include "engine/render/resources/ZRenderStateFlags.h"
#include "engine/render/resources/ZShaderLibrary.h"

class ZRenderOpenGL;
class ZRenderOpenGLBatch;

// The render-state object: the state flag word and the fog bit, applied as GL states. The renderer's
// own state object mirrors the flags last applied, so each apply writes only what changed.
class ZRenderOpenGLState final : public ZRenderState
{
public:
    // The id of a state nothing was applied from yet: it equals no material's id.
    static constexpr uint32_t kNoStateId = 0xFFFFFFFFu;
    // Material state ids: the flag word with this bit, so that an id is never 0.
    static constexpr uint32_t kMaterialIdBit = 0x80000000u;

    ZRenderOpenGLState() = default;
    ZRenderState* Apply(ZRenderState* previous) override;
    void AfterApply(ZRenderState* previous) override;
    void Reset() override;
    void SetFogEnabled(bool on) override;
    void Destroy() override { delete this; }

    uint32_t GetFlags() const { return m_words[0]; }
    void SetFlags(uint32_t flags) { m_words[0] = flags; }
    bool IsFogOff() const { return (m_words[1] & 1u) != 0; }

private:
    ~ZRenderOpenGLState() = default;
};

// The base of this back end's shader codes: the drawing of quads and vertex buffers.
class ZRenderOpenGLShaderCode : public ZShaderCodeBase
{
public:
    explicit ZRenderOpenGLShaderCode(const char* name);
    int Draw(ZCamera* camera, const DrawRecord& record) override;
    void SetMaterial(ZMaterial* material) override;
    void SetTransforms(ZCamera* camera, const DrawRecord& record) override;
    void MaterialChanged(ZMaterial* material) override;

    // The flag word of a material; the overrides it leaves unspecified keep `current`'s bits.
    static uint32_t MaterialFlags(const ZMaterial* material, uint32_t current);

protected:
    virtual void UpdateState(ZMaterial* material);
    // The flag word this code gives a material's state: the material's own by default.
    virtual uint32_t StateFlags(const ZMaterial* material, uint32_t current) const
    {
        return MaterialFlags(material, current);
    }
    virtual void BindTextures(ZMaterial* material, const DrawRecord& record);
    virtual void SetLights(ZCamera* camera, const DrawRecord& record) { (void)camera, (void)record; }
    // The world matrix sent for the record.
    virtual _M44 WorldMatrix(ZCamera* camera, const DrawRecord& record);
    ZMaterial* m_material = nullptr;
};

// "standard_ffp": geometry parts with lights, sprites without a part as quads.
class ZRenderOpenGLShaderFFP final : public ZRenderOpenGLShaderCode
{
public:
    ZRenderOpenGLShaderFFP() : ZRenderOpenGLShaderCode("standard_ffp") {}

protected:
    void SetLights(ZCamera* camera, const DrawRecord& record) override;
};

// "sprite_ffp": sprites and glyphs as quads tinted by the material colour and the record's opacity,
// never lit.
class ZRenderOpenGLShaderFFPSprite final : public ZRenderOpenGLShaderCode
{
public:
    ZRenderOpenGLShaderFFPSprite() : ZRenderOpenGLShaderCode("sprite_ffp") {}
    int Draw(ZCamera* camera, const DrawRecord& record) override;

protected:
    uint32_t StateFlags(const ZMaterial* material, uint32_t current) const override;
    void BindTextures(ZMaterial* material, const DrawRecord& record) override;
    _M44 WorldMatrix(ZCamera* camera, const DrawRecord& record) override;
};

class ZRenderOpenGL : public ZRenderBase
{
public:
    static constexpr int kVertexSize = 36;
    // Primitive kinds of a vertex buffer draw.
    enum EPrimitive : int
    {
        kPoints = 1,
        kLines = 2,
        kTriangles = 4,
        kTriangleStrip = 5,
        kTriangleFan = 6,
    };

    ZRenderOpenGL();
    ~ZRenderOpenGL() override;

    int Init(int width, int height, bool windowed, ZPlatformWindow* window) override;
    int RenderFrame() override;
    void* LockVertexBuffer(int id) override;
    int LockTexture(int id, int& pitch, uint8_t*& bits) override;
    int UnlockTexture(int id) override;
    float GetTexelOffset() const override { return 0.0f; }
    ZRenderState* CreateRenderState() override;
    ZShaderCodeBase* CreateShaderCode(const char* name) override;
    // Makes the device texture from the pixel copy at once. Nothing waits for a budgeted upload
    // here: each frame first takes everything the loader queued.
    int MakeTextureResident(ZTexture* texture) override;
    int CreateQuad(float width, float height, float u0, float v0, float u1, float v1) override;
    int ReconvertTexture(ZTextureResource* texture) override;
    void DeleteTexture(int id) override;
    int CreateVertexBuffer(const void* vertices, uint32_t count, bool dynamic) override;
    void DeleteVertexBuffer(int id) override;
    void DeleteQuad(int id) override;
    void ReleaseDefaultQuad() override;
    int CreateTexture(int width, int height, const uint8_t* pixels, int format, bool renderTarget) override;
    int GetTextureSize(int id) const override;
    uint32_t* GrabScreen(uint32_t& width, uint32_t& height) override;
    int ResetDeviceState(bool restoreContents) override;

    void SetWorldMatrix(const _M44& matrix) override;
    void SetViewMatrix(const _M44& matrix) override;
    void SetProjectionMatrix(const _M44& matrix) override;
    void SetRenderStateFlag(uint32_t state, bool on) override;
    void SetViewport(ZView* view) override;
    void Clear(ZView* view, bool color, bool depth, bool stencil) override;
    void SetupCamera(ZCamera* camera) override;

    // Drawing helpers of the shader codes.
    // Draws quad `quadId` (-1: the default quad) with texture `textureId` (-1: untextured), tinted
    // by `color` whose alpha is multiplied by the record's `alpha`.
    void DrawQuad(int quadId, int textureId, const float color[4], float alpha);
    // Draws quad `quadId` (-1: the default quad) with the states as they are.
    void DrawQuadBuffer(int quadId);
    // Draws a vertex buffer's CPU copy as the given primitive kind.
    void DrawVertexBuffer(int id, int kind);
    void BindTexture(int unit, int textureId);
    // Minification and magnification of the texture bound on the active unit.
    static void SetTextureFilter(bool linear);
    void ActiveTexture(int unit);
    // The renderer the shader codes draw with (the last one started); null when none.
    static ZRenderOpenGL* GetActive() { return s_active; }
    // False while render state flag 1 is off: materials then leave the depth test off too.
    bool IsDepthTestAllowed() const { return m_depthTestAllowed; }
    // Loads a texture matrix whose 2D translation sits in the third row.
    static void LoadTextureMatrix(const _M44& matrix);
    static void ToGLTextureMatrix(const _M44& matrix, float out[16]);

    // Whole-word search of an extension string.
    static bool HasExtension(const char* extensions, const char* name);
    // The extensions every Init needs.
    static const char* const kRequiredExtensions[5];
    // Test hook: a name listed here counts as missing.
    void SetHiddenExtension(const std::string& name) { m_hiddenExtension = name; }

    // Text, particles, the frame-rate overlay and debug drawing. Each is drawn in runs of quads that
    // share a material: one vertex array per run instead of one draw per glyph or particle.
    ZRenderFont* CreateTextRenderer() override;
    ZRenderOverlay* CreateOverlay() override;
    ZRenderParticles* CreateParticleRenderer() override;
    // The debug drawer, made once the context exists.
    virtual ZRenderDebug* CreateDebugDrawer();
    ZRenderDebug* GetDebugDrawer() const { return m_debugDraw; }
    ZRenderParticles* GetParticleRenderer() const { return m_particleRenderer; }
    ZRenderOverlay* GetOverlay() const { return m_overlay; }
    ZRenderOpenGLBatch* GetBatch() const { return m_batch; }
    // Off: every sprite is drawn through its shader on its own (the reference path).
    void SetSpriteBatching(bool on) { m_spriteBatching = on; }
    // The size and texture corners (left, top, right, bottom) of a quad buffer; -1 is the default
    // quad. False when there is no such quad.
    bool GetQuadCorners(int quadId, float& width, float& height, float uv[4]) const;
    // The batch's device steps: the camera's view and projection on a fresh model-view matrix;
    // `count` vertices of position (3 floats),
    // colour (4 floats) and texture coordinates (2 floats) drawn as triangles on texture unit 0,
    // tinting the texture; a texture's pixels written again (B, G, R, A order when `bgra`).
    void LoadCameraMatrices(ZCamera* camera);
    // Triangles of vertices in client memory (position, colour, texture coordinates: 9 floats),
    // taken by the indices when given (each vertex shaded once however often it is named).
    void DrawTriangleArray(const float* vertices, int count, const uint16_t* indices = nullptr,
                           int indexCount = 0);
    void UpdateTexturePixels(int id, int width, int height, const uint8_t* pixels, bool bgra);
    // GL draw calls issued since the device started (a debug counter for profiling).
    void CountDrawCall() { ++m_drawCalls; }
    uint64_t GetDrawCallCount() const { return m_drawCalls; }

    int GetDefaultQuad() const { return m_defaultQuad; }
    uint32_t GetGLTexture(int id) const;
    bool HasContext() const { return m_context.IsCreated(); }

protected:
    void DrawTextNode(ZNode* node, ZCamera* camera, const DrawRecord& record) override;
    void DrawParticleSystem(ZNode* node, ZCamera* camera, const DrawRecord& record) override;
    // Consecutive sprites of one material, texture and filter in one vertex array (the batch).
    void DrawSpriteRecord(ZCamera* camera, const DrawRecord& record) override;
    void FlushSprites() override;
    // Consecutive text nodes of one font share a run (ZRenderOpenGLFont::DrawTextNode).
    bool TextJoinsRuns() const override { return m_textRenderer != nullptr; }
    void DrawOverlay(ZCamera* camera) override;
    void DeleteAuxiliary() override;
    void DeleteParticleRenderer() override;
    void AddDebugGrids() override;
    void AddDebugText(float x, float y, const char* text) override;
    void DrawDebugText() override;

private:
    // The drawers' device side, once the context exists.
    void InitAuxiliary();
    int CreateContext();
    // Keeps the pixels of every texture and quad so that a new device can take them back.
    void KeepDeviceContents();
    void RestoreDeviceContents();
    void ReleaseDevice(bool keepContents);
    void AddShaderCodes();
    int MakeGLTexture(int id, int width, int height, const uint8_t* pixels, uint32_t layout);
    static ZRenderOpenGL* s_active;

    struct VertexBuffer
    {
        std::vector<uint8_t> bytes;
        uint32_t count = 0;
        bool used = false;
    };
    struct TextureSlot
    {
        uint32_t name = 0;
        int width = 0;
        int height = 0;
        // Pixels read back before the device goes (window-mode switch), uploaded to the next.
        std::vector<uint8_t> kept;
    };
    struct QuadSlot
    {
        uint32_t name = 0;
        std::vector<uint8_t> vertices;
    };

    ZPlatformWindow* m_window = nullptr;
    ZGLContext m_context;
    std::vector<TextureSlot> m_textures;
    std::vector<VertexBuffer> m_vertexBuffers;
    std::vector<QuadSlot> m_quads;
    int m_defaultQuad = -1;
    int m_lockedTexture = -1;
    std::vector<uint8_t> m_lockBuffer;
    int m_lockWidth = 0;
    int m_lockHeight = 0;
    std::string m_hiddenExtension;
    ZRenderOpenGLBatch* m_batch = nullptr;
    bool m_spriteBatching = true;
    uint64_t m_drawCalls = 0;
    bool m_cursorHidden = false;
    // The last frame was presented: GrabScreen draws it again before reading it back.
    bool m_frameShown = false;
    bool m_depthTestAllowed = true;

    void (*m_activeTexture)(unsigned) = nullptr;
    void (*m_clientActiveTexture)(unsigned) = nullptr;
    void (*m_multiTexCoord2f)(unsigned, float, float) = nullptr;
    void (*m_bindBuffer)(unsigned, unsigned) = nullptr;
    void (*m_genBuffers)(int, unsigned*) = nullptr;
    void (*m_bufferData)(unsigned, std::ptrdiff_t, const void*, unsigned) = nullptr;
    void (*m_deleteBuffers)(int, const unsigned*) = nullptr;
};
