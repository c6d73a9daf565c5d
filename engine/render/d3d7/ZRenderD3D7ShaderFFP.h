#pragma once
// The two built-in shader codes of the Direct3D 7 back end. "standard_ffp" draws geometry parts
// (and sprites that reach it) with lights; "sprite_ffp" draws sprite quads with the material colour
// as the texture factor. Both turn a material's switches into the flag word of its render state
// object and bind its two texture stages with their texture matrices.
#include <cstdint>

#include "engine/render/ZRenderBase.h"
#include "engine/render/resources/ZShaderLibrary.h"

class ZRenderD3D7;
class ZSoftSurface;
class ZTexture;

class ZRenderD3D7ShaderFFP : public ZShaderCodeBase
{
public:
    ZRenderD3D7ShaderFFP(ZRenderD3D7* owner, const char* name = "standard_ffp");

    // The renderer goes away before the library that holds this code: nothing is drawn after it,
    // and the name is given up so that another back end's code of that name is the one found.
    void Detach()
    {
        m_owner = nullptr;
        m_name.clear();
        m_nameId = 0;
    }
    ZRenderD3D7* GetOwner() const { return m_owner; }

    void Activate() override { ClearCache(); }
    int Draw(ZCamera* camera, const DrawRecord& record) override;
    void SetTransforms(ZCamera* camera, const DrawRecord& record) override;
    void MaterialChanged(ZMaterial* material) override { UpdateState(material); }
    // Before the material's state is applied: its textures go to the device first, since where one
    // lands (its own surface or an atlas page, which needs the texture transform) decides the flags.
    void SetMaterial(ZMaterial* material) override;

    // Forgets what this code last wrote to the device (a new device, or another code drew).
    virtual void ClearCache();
    // The flag word of the material's render state, from its switches and textures.
    static uint32_t FlagsFor(const ZMaterial* material, uint32_t flags);
    void UpdateState(ZMaterial* material);
    // Binds both stages; false when stage 0 names a texture that is not on the device, which then
    // draws nothing rather than a blank shape.
    virtual bool BindTextures(ZMaterial* material, const DrawRecord& record);
    void SetLights(ZCamera* camera, const ZLightArray* lights);

protected:
    // The texture transform of a stage: the atlas transform, the material's own stage matrix, both
    // or none (false).
    static bool StageMatrix(const ZMaterial* material, const ZTexture* texture, int stage, _M44& out);
    // False when the stage names a texture that is not on the device.
    bool BindStage(ZMaterial* material, int stage);
    // The texture's surface, or null: a texture whose turn in the upload queue has not come yet is
    // uploaded now, and an atlas page that changed since its commit is committed before it is
    // sampled.
    ZSoftSurface* DeviceSurface(ZTexture* texture);

    ZRenderD3D7* m_owner;
    ZSoftSurface* m_boundSurface[2] = {nullptr, nullptr};
    bool m_cacheValid[2] = {false, false};
    uint32_t m_lastFactor = 0;
    bool m_factorValid = false;
    uint32_t m_enabledLights = 0;
};

class ZRenderD3D7ShaderFFPSprite final : public ZRenderD3D7ShaderFFP
{
public:
    explicit ZRenderD3D7ShaderFFPSprite(ZRenderD3D7* owner) : ZRenderD3D7ShaderFFP(owner, "sprite_ffp") {}

    int Draw(ZCamera* camera, const DrawRecord& record) override;
    void SetTransforms(ZCamera* camera, const DrawRecord& record) override;
    bool BindTextures(ZMaterial* material, const DrawRecord& record) override;
    // The material colour as ARGB, its alpha scaled by the record's alpha when that is below 1.
    static uint32_t TextureFactor(const ZMaterial* material, float recordAlpha);
    // What the sprite matrix step needs of the record's node.
    static SpritePlacement PlacementFor(ZCamera* camera, const DrawRecord& record, float texelOffset);
};
