// The Direct3D 7 back end's fixed-function shader codes: the flag word of a material's state, the
// texture stages with their uploads and matrices, lights, and the draw of parts and sprite quads.
#include "engine/render/d3d7/ZRenderD3D7ShaderFFP.h"

#include <cmath>

#include "engine/render/ZLight.h"
#include "engine/render/d3d7/ZRenderD3D7.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPrimitive.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/render/resources/ZTextureAtlas.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSprite.h"

using namespace soft7;

namespace
{
SSoftMatrix ToSoft(const _M44& m)
{
    SSoftMatrix out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out.m[r][c] = m.m[r][c];
    return out;
}

const ZTexture* StageTexture(const ZMaterial* material, int stage)
{
    return material ? ZEntityCast<ZTexture>(static_cast<const ZEntity*>(material->GetTexture(stage)))
                    : nullptr;
}

SSoftColorValue ColorValue(const V4& c)
{
    return {c.x, c.y, c.z, c.w};
}
} // namespace

ZRenderD3D7ShaderFFP::ZRenderD3D7ShaderFFP(ZRenderD3D7* owner, const char* name)
    : ZShaderCodeBase(name), m_owner(owner)
{
}

void ZRenderD3D7ShaderFFP::ClearCache()
{
    m_factorValid = false;
    m_lastFactor = 0;
}

uint32_t ZRenderD3D7ShaderFFP::FlagsFor(const ZMaterial* material, uint32_t flags)
{
    if (!material)
        return flags;
    flags = material->GetStateFlags(flags);
    _M44 unused;
    if (StageMatrix(material, StageTexture(material, 0), 0, unused))
        flags |= kStateTexTransform;
    else
        flags &= ~kStateTexTransform;
    return flags;
}

void ZRenderD3D7ShaderFFP::UpdateState(ZMaterial* material)
{
    // A material that still carries another back end's state object is left alone.
    auto* state = material ? dynamic_cast<ZRenderD3D7State*>(material->GetRenderState()) : nullptr;
    if (!state)
        return;
    const uint32_t flags = FlagsFor(material, state->GetFlags());
    state->SetFlags(flags);
    // Equal words apply equal device states, so the word itself tells states apart.
    state->SetId(flags);
}

bool ZRenderD3D7ShaderFFP::StageMatrix(const ZMaterial* material, const ZTexture* texture, int stage,
                                       _M44& out)
{
    const bool own = material && material->GetSwitch(ZMaterial::kSwitchTextureTransform) &&
                     material->IsTextureMatrixSet(stage);
    if (texture && texture->GetAtlasPage())
    {
        out = texture->GetAtlasTransform();
        if (own)
            _M44::Multiply(out, material->GetTextureMatrix(stage), out);
        return true;
    }
    if (own)
    {
        out = material->GetTextureMatrix(stage);
        return true;
    }
    return false;
}

ZSoftSurface* ZRenderD3D7ShaderFFP::DeviceSurface(ZTexture* texture)
{
    if (!texture || !m_owner)
        return nullptr;
    const uint16_t flags = texture->GetTextureFlags();
    if (!(flags & kTextureResident) && texture->IsLoaded() && texture->GetPixels() &&
        (flags & kTexturePixels) && !(flags & kTextureAlphaMap))
        m_owner->UploadTextureNow(texture);
    if (!(texture->GetTextureFlags() & kTextureResident))
        return nullptr;
    if (ZTextureAtlas* page = texture->GetAtlasPage())
        m_owner->CommitPageNow(page);
    return m_owner->GetTextureSurface(texture->GetRenderTextureId());
}

void ZRenderD3D7ShaderFFP::SetMaterial(ZMaterial* material)
{
    if (!m_owner || !material)
        return;
    for (int stage = 0; stage < 2; ++stage)
        DeviceSurface(ZEntityCast<ZTexture>(static_cast<ZEntity*>(material->GetTexture(stage))));
    UpdateState(material);
}

bool ZRenderD3D7ShaderFFP::BindStage(ZMaterial* material, int stage)
{
    ZSoftD3DDevice* device = m_owner->GetDevice();
    ZTexture* texture =
        material ? ZEntityCast<ZTexture>(static_cast<ZEntity*>(material->GetTexture(stage))) : nullptr;
    ZSoftSurface* surface = DeviceSurface(texture);
    if (device->State().stages[stage].texture != surface)
        ZRenderD3D7::Report("renderd3d7shaderfixedfunction", __LINE__,
                            "m_pD3DDevice->SetTexture( iStage, pSurface )",
                            device->SetTexture(uint32_t(stage), surface));
    // The device holds the pixels now; a texture that must keep its copy (alpha picking) keeps it.
    if (surface && texture->GetPixels())
        texture->AfterUpload();
    _M44 matrix;
    const bool transformed = StageMatrix(material, texture, stage, matrix);
    if (transformed)
        device->SetTransform(Transform(uint32_t(Transform::Texture0) + uint32_t(stage)), ToSoft(matrix));
    if (stage == 0)
    {
        // Switched with the matrix itself, not only through the state's flag: a texture that went
        // into an atlas page after its material's state was made (text and particles do not pass
        // through SetMaterial) needs its rectangle all the same.
        const uint32_t mode = uint32_t(transformed ? TexTransform::Count2 : TexTransform::Disable);
        if (device->State().Get(0, TSS::TextureTransformFlags) != mode)
            device->SetTextureStageState(0, TSS::TextureTransformFlags, mode);
    }
    return !texture || surface;
}

bool ZRenderD3D7ShaderFFP::BindTextures(ZMaterial* material, const DrawRecord& record)
{
    (void)record;
    const bool ready = BindStage(material, 0);
    BindStage(material, 1);
    return ready;
}

void ZRenderD3D7ShaderFFP::SetTransforms(ZCamera* camera, const DrawRecord& record)
{
    if (!m_owner)
        return;
    m_owner->SendWorldMatrix(camera, record);
    m_owner->SendViewMatrix(camera);
    m_owner->SendProjectionMatrix(camera);
}

void ZRenderD3D7ShaderFFP::SetLights(ZCamera* camera, const ZLightArray* lights)
{
    (void)camera;
    ZSoftD3DDevice* device = m_owner->GetDevice();
    uint32_t count = 0;
    if (lights)
    {
        for (size_t i = 0; i < lights->Size(); ++i)
        {
            const ZLight* light = (*lights)[i];
            if (!light)
                continue;
            SSoftLight out;
            out.type = light->GetType() == ZLight::kDirection ? LightType::Directional
                       : light->GetType() == ZLight::kSpot    ? LightType::Spot
                                                              : LightType::Point;
            out.diffuse = ColorValue(light->GetColor());
            out.specular = out.diffuse;
            out.ambient = SSoftColorValue{0, 0, 0, 0};
            _M44 world;
            light->GetWorldMatrix(world);
            out.position[0] = world.m[3][0];
            out.position[1] = world.m[3][1];
            out.position[2] = world.m[3][2];
            // (0, 1, 0) turned by the light's orientation: its second row.
            float dx = world.m[1][0], dy = world.m[1][1], dz = world.m[1][2];
            const float length = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (length > 0.0f)
            {
                dx /= length, dy /= length, dz /= length;
            }
            else
                dx = 0.0f, dy = 1.0f, dz = 0.0f;
            out.direction[0] = dx;
            out.direction[1] = dy;
            out.direction[2] = dz;
            out.range = light->GetRange();
            out.attenuation0 = light->GetAttenuation(0);
            out.attenuation1 = light->GetAttenuation(1);
            out.attenuation2 = light->GetAttenuation(2);
            out.theta = light->GetHotspotAngle();
            out.phi = light->GetFalloffAngle();
            out.falloff = 0.1f;
            device->SetLight(count, out);
            device->LightEnable(count, true);
            ++count;
        }
    }
    // Lights this code switched on for an earlier item go out when the list got shorter.
    for (uint32_t i = count; i < m_enabledLights; ++i)
        device->LightEnable(i, false);
    m_enabledLights = count;
}

int ZRenderD3D7ShaderFFP::Draw(ZCamera* camera, const DrawRecord& record)
{
    if (!m_owner || !m_owner->GetDevice())
        return 1;
    if (!BindTextures(record.material, record))
        return 0;
    SetLights(camera, record.lights);
    if (!record.part)
    {
        if (record.node && record.node->IsA(ZSprite::kTypeRecord))
            return m_owner->DrawQuadBuffer(m_owner->GetDefaultQuad());
        return 0;
    }
    const int id = record.part->GetVertexBufferId();
    if (id < 0)
        return 0;
    Prim kind = Prim::PointList;
    switch (record.part->GetKind())
    {
    case 2:
        kind = Prim::LineList;
        break;
    case 4:
        kind = Prim::TriangleList;
        break;
    case 5:
        kind = Prim::TriangleStrip;
        break;
    case 6:
        kind = Prim::TriangleFan;
        break;
    default:
        break;
    }
    return m_owner->DrawVertexBuffer(id, kind);
}

// Sprites.

uint32_t ZRenderD3D7ShaderFFPSprite::TextureFactor(const ZMaterial* material, float recordAlpha)
{
    V4 color = material ? material->GetColor(0) : V4{1.0f, 1.0f, 1.0f, 1.0f};
    if (recordAlpha < 1.0f)
        color.w *= recordAlpha;
    return ColorToARGB(color);
}

ZShaderCodeBase::SpritePlacement
ZRenderD3D7ShaderFFPSprite::PlacementFor(ZCamera* camera, const DrawRecord& record, float texelOffset)
{
    SpritePlacement placement;
    if (const ZSprite* sprite = ZEntityCast<ZSprite>(static_cast<ZEntity*>(record.node)))
    {
        placement.width = sprite->GetSize().x;
        placement.height = sprite->GetSize().y;
        placement.scaleX = sprite->GetScale().x;
        placement.scaleY = sprite->GetScale().y;
    }
    if (record.node)
    {
        placement.flatZ =
            record.node->TestFlags(kNode2D) && camera && (camera->GetOptions() & kCameraOrthographic) != 0;
        placement.snap = record.node->TestFlags(kNodeSnapToPixels);
    }
    // A record with a quad of its own (a glyph) is already at its size.
    placement.defaultQuad = record.quad < 0;
    placement.texelOffset = texelOffset;
    return placement;
}

void ZRenderD3D7ShaderFFPSprite::SetTransforms(ZCamera* camera, const DrawRecord& record)
{
    if (!m_owner)
        return;
    _M44 world = record.world;
    // The default quad is centred on the origin; a sprite held by another point of its rectangle
    // is moved so that its pivot stays where the node is.
    if (const ZSprite* sprite = ZEntityCast<ZSprite>(static_cast<ZEntity*>(record.node)))
    {
        V2 centre{0.0f, 0.0f};
        GetPivotOffset(centre, sprite->GetScaledSize(), sprite->GetPivot());
        for (int c = 0; c < 3; ++c)
            world.m[3][c] += centre.x * world.m[0][c] + centre.y * world.m[1][c];
    }
    m_owner->SetWorldMatrix(
        SpriteWorldMatrix(world, PlacementFor(camera, record, m_owner->GetTexelOffset())));
    m_owner->SendViewMatrix(camera);
    m_owner->SendProjectionMatrix(camera);
}

bool ZRenderD3D7ShaderFFPSprite::BindTextures(ZMaterial* material, const DrawRecord& record)
{
    const bool ready = ZRenderD3D7ShaderFFP::BindTextures(material, record);
    const uint32_t factor = TextureFactor(material, record.alpha);
    ZSoftD3DDevice* device = m_owner->GetDevice();
    if (!m_factorValid || factor != m_lastFactor || device->State().Get(RS::TextureFactor) != factor)
    {
        device->SetRenderState(RS::TextureFactor, factor);
        m_lastFactor = factor;
        m_factorValid = true;
    }
    return ready;
}

int ZRenderD3D7ShaderFFPSprite::Draw(ZCamera* camera, const DrawRecord& record)
{
    (void)camera;
    if (!m_owner || !m_owner->GetDevice())
        return 1;
    if (!BindTextures(record.material, record))
        return 0;
    // Without a quad of its own a sprite draws the renderer's 100 x 100 quad, which the sprite
    // matrix scales to its size.
    const int quad = record.quad >= 0 ? record.quad : m_owner->GetDefaultQuad();
    if (quad < 0)
        return 0;
    return m_owner->DrawQuadBuffer(quad);
}
