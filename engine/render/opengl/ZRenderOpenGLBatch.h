#pragma once
// Runs of textured, tinted quads drawn from one client-side vertex array: the OpenGL back end's
// sprites, text, particles and frame-rate overlay go through it. A run keeps one material, texture and
// filter; a quad that needs another flushes the run first, so quads are drawn in the order given
// and the picture is the one a draw per quad would give, with one GL draw per run.
#include <cstdint>
#include <vector>

#include "engine/core/ZMatrix.h"
#include "engine/render/ZRenderBase.h"
#include "engine/render/ZRenderFont.h"
#include "engine/render/ZRenderOverlay.h"
#include "engine/render/ZRenderParticles.h"

class ZCamera;
class ZFont;
class ZMaterial;
class ZRenderOpenGL;

class ZRenderOpenGLBatch
{
public:
    explicit ZRenderOpenGLBatch(ZRenderOpenGL* owner) : m_owner(owner) {}

    // Continues the run when the camera, material, texture and filter are those of the run; else
    // the run is drawn and a new one begins.
    void Begin(ZCamera* camera, ZMaterial* material, int textureId, bool linear);
    // A quad centred on the matrix's origin, `width` x `height` along its first two rows, with the
    // texture corners left, top, right, bottom and a colour (r, g, b, a).
    void AddQuad(const _M44& world, float width, float height, const float uv[4], const float color[4]);
    // A sprite record of the sprite code with a texture of its own on the device: added to the run
    // (false, nothing done, for any other record: it is drawn through its shader).
    bool AddSprite(ZCamera* camera, const DrawRecord& record);
    // Draws the run (one GL draw) and empties it.
    void Flush();
    uint32_t GetRunCount() const { return m_runs; }

private:
    struct Vertex
    {
        float x, y, z;
        float r, g, b, a;
        float u, v;
    };
    ZRenderOpenGL* m_owner = nullptr;
    // Four corners per quad and the six indices of its two triangles.
    std::vector<Vertex> m_vertices;
    std::vector<uint16_t> m_indices;
    ZCamera* m_camera = nullptr;
    ZMaterial* m_material = nullptr;
    int m_texture = -1;
    bool m_linear = false;
    uint32_t m_runs = 0;
    // A run begun by a sprite, and that sprite's record: a run that stays at one sprite is drawn
    // through its shader.
    bool m_spriteRun = false;
    DrawRecord m_loneSprite;
};

// Text through the batch: the glyphs of consecutive text nodes of one font (or of a string) become
// one run of glyph quads.
class ZRenderOpenGLFont final : public ZRenderFont
{
public:
    explicit ZRenderOpenGLFont(ZRenderOpenGL* owner) : m_owner(owner) {}
    void DrawTextNode(ZFontText* node, ZCamera* camera, const DrawRecord& record) override;
    void DrawString(const char* text, const M33& orientation, const V3& position, const V2& scale,
                    const V4& color, ZFont* font, ZCamera* camera) override;
    // Off: every glyph goes to the material's shader on its own (the reference path).
    void SetBatching(bool on) { m_batching = on; }

protected:
    void DrawGlyph(ZCamera* camera, const DrawRecord& record) override;

private:
    // Draws the pending run when text in `font` cannot join it.
    void FlushForFont(const ZFont* font);
    // Texture corners of the glyph drawn with quad `quadId` in `font`; false when none has it.
    bool GlyphCorners(const ZFont* font, int quadId, float uv[4]);

    ZRenderOpenGL* m_owner = nullptr;
    ZFont* m_font = nullptr;
    bool m_batching = true;
    // Quad id -> glyph index of the font last looked at.
    const ZFont* m_indexedFont = nullptr;
    size_t m_indexedGlyphs = 0;
    std::vector<int32_t> m_glyphOfQuad;
};

// Particles through the batch: consecutive particles of one material share a run.
class ZRenderOpenGLParticles final : public ZRenderParticles
{
public:
    explicit ZRenderOpenGLParticles(ZRenderOpenGL* owner) : m_owner(owner) {}
    void DrawEmitter(ZParticleEmitterSystem* emitter, ZCamera* camera, const DrawRecord& record) override;
    void SetBatching(bool on) { m_batching = on; }

protected:
    void DrawParticle(ZShaderBase* shader, ZCamera* camera, const DrawRecord& record) override;

private:
    ZRenderOpenGL* m_owner = nullptr;
    bool m_batching = true;
};

// The frame-rate overlay: its texture is written to the device on every refresh and drawn as one
// quad.
class ZRenderOpenGLOverlay final : public ZRenderOverlay
{
public:
    explicit ZRenderOpenGLOverlay(ZRenderOpenGL* owner) : m_owner(owner) {}

protected:
    void RefreshTexture() override;
    void DrawSprite(ZCamera* camera, const DrawRecord& record) override;

private:
    ZRenderOpenGL* m_owner = nullptr;
};

// Whether a material's stage-0 texture can be drawn by the batch: on its own device texture, not on
// an atlas page and without a texture matrix (those take the shader's path).
bool BatchTextureId(ZMaterial* material, int& textureId);
