#include "engine/render/opengl/ZRenderOpenGLBatch.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "engine/render/ZFont.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZRenderStateFlags.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSprite.h"

namespace
{
// The placement the sprite shader code gives a sprite record: the record's world matrix, moved by
// the sprite's pivot, with the size (for the default quad) and the scale on its first two rows.
_M44 SpriteMatrix(ZRenderOpenGL* owner, ZCamera* camera, const DrawRecord& record, const ZSprite& sprite)
{
    _M44 world = owner->ComputeWorldMatrix(camera, record);
    V2 offset{0.0f, 0.0f};
    sprite.GetBounds(offset);
    for (int column = 0; column < 3; ++column)
        world.m[3][column] += offset.x * world.m[0][column] + offset.y * world.m[1][column];
    ZShaderCodeBase::SpritePlacement placement;
    placement.width = sprite.GetSize().x;
    placement.height = sprite.GetSize().y;
    placement.defaultQuad = record.quad < 0;
    placement.scaleX = sprite.GetScale().x;
    placement.scaleY = sprite.GetScale().y;
    placement.flatZ = sprite.TestFlags(kNode2D) && camera && (camera->GetOptions() & kCameraOrthographic);
    placement.snap = sprite.TestFlags(kNodeSnapToPixels);
    placement.texelOffset = 0.0f;
    return ZShaderCodeBase::SpriteWorldMatrix(world, placement);
}

// The material colour (white without one) with the record's opacity in its alpha; a material that
// does not modulate its texture shows the texture as it is.
void RecordColor(const DrawRecord& record, float color[4])
{
    if (record.material && !record.material->GetSwitch(ZMaterial::kSwitchTextureModulate))
    {
        color[0] = color[1] = color[2] = color[3] = 1.0f;
        return;
    }
    const V4 c = record.material && record.material->IsColorSet(0) ? record.material->GetColor(0)
                                                                   : V4{1.0f, 1.0f, 1.0f, 1.0f};
    color[0] = c.x;
    color[1] = c.y;
    color[2] = c.z;
    color[3] = c.w * record.alpha;
}

bool Linear(const ZMaterial* material)
{
    return material && material->GetSwitch(ZMaterial::kSwitchFilter) != 0;
}
} // namespace

bool BatchTextureId(ZMaterial* material, int& textureId)
{
    textureId = -1;
    if (!material)
        return false;
    if (material->IsTextureMatrixSet(0) || material->GetSwitch(ZMaterial::kSwitchTextureTransform))
        return false;
    ZTextureResource* resource = material->GetTexture(0);
    if (!resource)
        return true;
    auto* texture = ZEntityCast<ZTexture>(static_cast<ZEntity*>(resource));
    if (!texture || texture->GetAtlasPage())
        return false;
    if (texture->GetRenderTextureId() < 0 && g_render)
        g_render->RequestTextureUpload(texture, true);
    textureId = texture->GetRenderTextureId();
    // A texture not on the device yet draws nothing either way.
    return textureId >= 0;
}

// ---------------------------------------------------------------------------------------------
// The batch

void ZRenderOpenGLBatch::Begin(ZCamera* camera, ZMaterial* material, int textureId, bool linear)
{
    if (!m_vertices.empty() && camera == m_camera && material == m_material && textureId == m_texture &&
        linear == m_linear)
        return;
    Flush();
    m_camera = camera;
    m_material = material;
    m_texture = textureId;
    m_linear = linear;
    // The shader code brings the material's render state up to date for the run.
    if (material && material->GetShader())
        if (ZShaderCodeBase* code = material->GetShader()->GetCode())
            code->MaterialChanged(material);
}

void ZRenderOpenGLBatch::AddQuad(const _M44& world, float width, float height, const float uv[4],
                                 const float color[4])
{
    const float w = width * 0.5f, h = height * 0.5f;
    // The corners in the order of the device's sprite quads (a strip with the diagonal from the top
    // left to the bottom right), as two triangles of the same winding.
    const float corners[4][4] = {
        {-w, -h, uv[0], uv[3]}, {-w, h, uv[0], uv[1]}, {w, -h, uv[2], uv[3]}, {w, h, uv[2], uv[1]}};
    Vertex v[4];
    for (int i = 0; i < 4; ++i)
    {
        const float x = corners[i][0], y = corners[i][1];
        v[i].x = x * world.m[0][0] + y * world.m[1][0] + world.m[3][0];
        v[i].y = x * world.m[0][1] + y * world.m[1][1] + world.m[3][1];
        v[i].z = x * world.m[0][2] + y * world.m[1][2] + world.m[3][2];
        v[i].r = color[0];
        v[i].g = color[1];
        v[i].b = color[2];
        v[i].a = color[3];
        v[i].u = corners[i][2];
        v[i].v = corners[i][3];
    }
    // Indices are 16 bits wide: a full run is drawn and the quad starts the next one.
    if (m_vertices.size() + 4 > 0x10000)
    {
        ZCamera* camera = m_camera;
        ZMaterial* material = m_material;
        const int texture = m_texture;
        const bool linear = m_linear;
        Flush();
        m_camera = camera;
        m_material = material;
        m_texture = texture;
        m_linear = linear;
    }
    const uint16_t first = uint16_t(m_vertices.size());
    const uint16_t triangles[6] = {first, uint16_t(first + 1), uint16_t(first + 2),
                                   uint16_t(first + 2), uint16_t(first + 1), uint16_t(first + 3)};
    m_vertices.insert(m_vertices.end(), v, v + 4);
    m_indices.insert(m_indices.end(), triangles, triangles + 6);
}

bool ZRenderOpenGLBatch::AddSprite(ZCamera* camera, const DrawRecord& record)
{
    auto* sprite = ZEntityCast<ZSprite>(static_cast<ZEntity*>(record.node));
    ZShaderCodeBase* code = record.shader ? record.shader->GetCode() : nullptr;
    ZMaterial* material = record.material;
    // The sprite code shows the texture alone, or the texture times the material colour (the
    // record's opacity in its alpha): the run gives the same as texture times vertex colour. A
    // material that adds its colour, takes it from the vertices, uses the second stage or moves
    // its texture keeps its shader's path, and so does an untextured sprite.
    const auto* state = material ? dynamic_cast<const ZRenderOpenGLState*>(material->GetRenderState()) : nullptr;
    constexpr uint32_t kOwnPath =
        kStateAddFactor | kStateModulateVertex | kStateStage1Textured | kStateTexTransform | kStateMaterialSource;
    if (!state || (state->GetFlags() & kOwnPath))
        return false;
    const bool modulate = (state->GetFlags() & kStateModulateFactor) != 0;
    if (modulate && !material->IsColorSet(0))
        return false;
    int texture = -1;
    float width = 0.0f, height = 0.0f, uv[4];
    if (!m_owner || !sprite || !dynamic_cast<ZRenderOpenGLShaderFFPSprite*>(code) ||
        !BatchTextureId(material, texture) || texture < 0 ||
        !m_owner->GetQuadCorners(record.quad, width, height, uv))
        return false;
    Begin(camera, material, texture, Linear(material));
    if (m_vertices.empty())
    {
        m_spriteRun = true;
        m_loneSprite = record;
    }
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    if (modulate)
    {
        const V4& c = material->GetColor(0);
        color[0] = c.x;
        color[1] = c.y;
        color[2] = c.z;
        color[3] = c.w * record.alpha;
    }
    AddQuad(SpriteMatrix(m_owner, camera, record, *sprite), width, height, uv, color);
    return true;
}

void ZRenderOpenGLBatch::Flush()
{
    if (m_vertices.empty())
        return;
    const bool loneSprite = m_spriteRun && m_vertices.size() == 4;
    m_spriteRun = false;
    if (loneSprite && m_loneSprite.shader)
    {
        // A run of one sprite costs less through its own shader and quad buffer, which draw the
        // same picture.
        m_vertices.clear();
        m_indices.clear();
        m_loneSprite.shader->Draw(m_camera, m_loneSprite);
        return;
    }
    if (m_owner && m_owner->HasContext())
    {
        if (m_material && m_material->GetRenderState())
            m_owner->ApplyRenderState(m_material->GetRenderState());
        m_owner->LoadCameraMatrices(m_camera);
        m_owner->BindTexture(0, m_texture);
        if (m_texture >= 0)
            ZRenderOpenGL::SetTextureFilter(m_linear);
        m_owner->DrawTriangleArray(&m_vertices[0].x, int(m_vertices.size()), m_indices.data(),
                                   int(m_indices.size()));
        ++m_runs;
    }
    m_vertices.clear();
    m_indices.clear();
}

// ---------------------------------------------------------------------------------------------
// Text

bool ZRenderOpenGLFont::GlyphCorners(const ZFont* font, int quadId, float uv[4])
{
    if (!font || quadId < 0 || !font->GetTexture())
        return false;
    const std::vector<ZFont::SGlyph>& glyphs = font->GetGlyphs();
    if (font != m_indexedFont || glyphs.size() != m_indexedGlyphs || size_t(quadId) >= m_glyphOfQuad.size() ||
        m_glyphOfQuad[size_t(quadId)] < 0 || glyphs[size_t(m_glyphOfQuad[size_t(quadId)])].quadId != quadId)
    {
        // Glyph quads are made once per page load: the index is rebuilt when the font or its quads
        // changed.
        m_glyphOfQuad.assign(m_glyphOfQuad.size(), -1);
        for (size_t i = 0; i < glyphs.size(); ++i)
        {
            const int id = glyphs[i].quadId;
            if (id < 0)
                continue;
            if (size_t(id) >= m_glyphOfQuad.size())
                m_glyphOfQuad.resize(size_t(id) + 1, -1);
            m_glyphOfQuad[size_t(id)] = int32_t(i);
        }
        m_indexedFont = font;
        m_indexedGlyphs = glyphs.size();
        if (size_t(quadId) >= m_glyphOfQuad.size() || m_glyphOfQuad[size_t(quadId)] < 0)
            return false;
    }
    const ZFont::SGlyph& glyph = glyphs[size_t(m_glyphOfQuad[size_t(quadId)])];
    // The same corners the font gave the glyph's quad.
    const float o = m_owner ? m_owner->GetTexelOffset() : 0.0f;
    const float w = float(font->GetTexture()->GetTextureWidth());
    const float h = float(font->GetTexture()->GetTextureHeight());
    uv[0] = (float(glyph.x) + o) / w;
    uv[1] = (float(glyph.y) + o) / h;
    uv[2] = float(glyph.x + glyph.width + o) / w;
    uv[3] = float(glyph.y + glyph.height + o) / h;
    return true;
}

void ZRenderOpenGLFont::FlushForFont(const ZFont* font)
{
    // Every text shares one material whose page is set to the font's: a new page changes the
    // material, so the run drawn with the old one goes first. With the same page only the colour
    // changes, and each glyph carries it in its vertices: the run goes on.
    ZRenderOpenGLBatch* batch = m_owner ? m_owner->GetBatch() : nullptr;
    if (batch && (!font || !m_material || m_material->GetTexture(0) != font->GetTexture()))
        batch->Flush();
}

void ZRenderOpenGLFont::DrawTextNode(ZFontText* node, ZCamera* camera, const DrawRecord& record)
{
    // The run is left pending: the frame driver draws it before anything that cannot join it, and
    // consecutive text nodes of one font become one draw.
    m_font = node ? node->GetFont() : nullptr;
    FlushForFont(m_font);
    ZRenderFont::DrawTextNode(node, camera, record);
    m_font = nullptr;
}

void ZRenderOpenGLFont::DrawString(const char* text, const M33& orientation, const V3& position,
                                   const V2& scale, const V4& color, ZFont* font, ZCamera* camera)
{
    m_font = font;
    FlushForFont(font);
    ZRenderFont::DrawString(text, orientation, position, scale, color, font, camera);
    if (m_owner && m_owner->GetBatch())
        m_owner->GetBatch()->Flush();
    m_font = nullptr;
}

void ZRenderOpenGLFont::DrawGlyph(ZCamera* camera, const DrawRecord& record)
{
    ZRenderOpenGLBatch* batch = m_owner ? m_owner->GetBatch() : nullptr;
    int texture = -1;
    float uv[4];
    auto* sprite = ZEntityCast<ZSprite>(static_cast<ZEntity*>(record.node));
    if (!m_batching || !batch || !sprite || !BatchTextureId(record.material, texture) ||
        !GlyphCorners(m_font, record.quad, uv))
    {
        if (batch)
            batch->Flush();
        ZRenderFont::DrawGlyph(camera, record);
        return;
    }
    batch->Begin(camera, record.material, texture, Linear(record.material));
    float color[4];
    RecordColor(record, color);
    const _M44 world = SpriteMatrix(m_owner, camera, record, *sprite);
    batch->AddQuad(world, sprite->GetSize().x, sprite->GetSize().y, uv, color);
}

// ---------------------------------------------------------------------------------------------
// Particles

void ZRenderOpenGLParticles::DrawEmitter(ZParticleEmitterSystem* emitter, ZCamera* camera,
                                         const DrawRecord& record)
{
    ZRenderParticles::DrawEmitter(emitter, camera, record);
    if (m_owner && m_owner->GetBatch())
        m_owner->GetBatch()->Flush();
}

void ZRenderOpenGLParticles::DrawParticle(ZShaderBase* shader, ZCamera* camera, const DrawRecord& record)
{
    ZRenderOpenGLBatch* batch = m_owner ? m_owner->GetBatch() : nullptr;
    int texture = -1;
    auto* sprite = ZEntityCast<ZSprite>(static_cast<ZEntity*>(record.node));
    if (!m_batching || !batch || !sprite || !BatchTextureId(record.material, texture))
    {
        if (batch)
            batch->Flush();
        ZRenderParticles::DrawParticle(shader, camera, record);
        return;
    }
    batch->Begin(camera, record.material, texture, Linear(record.material));
    float color[4];
    RecordColor(record, color);
    static const float kWhole[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    // Drawn with the device's default 100 x 100 quad, which the sprite's size scales.
    const _M44 world = SpriteMatrix(m_owner, camera, record, *sprite);
    batch->AddQuad(world, 100.0f, 100.0f, kWhole, color);
}

// ---------------------------------------------------------------------------------------------
// Frame-rate overlay

void ZRenderOpenGLOverlay::RefreshTexture()
{
    ZRenderOverlay::RefreshTexture();
    if (!m_owner || !m_owner->HasContext() || !m_texture || !m_texture->GetPixels())
        return;
    int id = m_texture->GetRenderTextureId();
    if (id < 0)
    {
        id = m_owner->CreateTexture(kWidth, kHeight, nullptr, kPixelBGRA, false);
        if (id < 0)
            return;
        m_texture->SetRenderTextureId(id);
        m_texture->AddTextureFlags(kTextureResident);
    }
    m_owner->UpdateTexturePixels(id, kWidth, kHeight, m_texture->GetPixels(), true);
}

void ZRenderOpenGLOverlay::DrawSprite(ZCamera* camera, const DrawRecord& record)
{
    ZRenderOpenGLBatch* batch = m_owner ? m_owner->GetBatch() : nullptr;
    int texture = -1;
    if (!batch || !m_sprite || !BatchTextureId(record.material, texture))
    {
        ZRenderOverlay::DrawSprite(camera, record);
        return;
    }
    batch->Begin(camera, record.material, texture, Linear(record.material));
    float color[4];
    RecordColor(record, color);
    static const float kWhole[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    batch->AddQuad(SpriteMatrix(m_owner, camera, record, *m_sprite), 100.0f, 100.0f, kWhole, color);
    batch->Flush();
}
