#pragma once
// The sized, textured rectangle of the scene: an unscaled size, a per-axis scale, a pivot, a
// material and an alpha (the material's opacity). Cameras cull and sort it by its pivot-placed
// rectangle; the pointer asks it for hits, optionally through the texture's alpha.
//
// Sprites and text nodes share two free functions: GetPivotOffset (where a rectangle's centre lies
// relative to its pivot) and SetChildrenAlpha (alpha on every visible sprite and text below a node).
#include <cstdint>

#include "engine/core/ZMath.h"
#include "engine/scene/ZGeom.h"

class ZMaterial;
class ZTextureResource;
class ZCamera;

// What sprites call on the renderer's materials and textures, gathered in one table that starts
// filled with the renderer's own operations; tests put stand-ins in its place. An empty slot gives
// the neutral answer (nothing referenced, opacity 1, no texture).
struct ZSpriteRenderCalls
{
    void (*AddRef)(ZMaterial* material) = nullptr;
    void (*Release)(ZMaterial* material) = nullptr;
    // ZMaterial::Allocate: a pool material, registered in the material group.
    ZMaterial* (*Allocate)() = nullptr;
    // ZMaterial::CloneFrom: the source's textures, colours, shader and state into the target.
    void (*CloneFrom)(ZMaterial* target, ZMaterial* source) = nullptr;
    ZMaterial* (*Find)(const char* name) = nullptr;
    float (*GetOpacity)(const ZMaterial* material) = nullptr;
    // ZMaterial::SetOpacity: clamps to [0, 1] and switches blending.
    void (*SetOpacity)(ZMaterial* material, float opacity) = nullptr;
    // ZMaterial::SetProperty for the material keys a sprite forwards.
    bool (*SetProperty)(ZMaterial* material, uint32_t id, const char* name, const char* value) = nullptr;
    // The stage-0 texture, or null.
    ZTextureResource* (*GetBaseTexture)(const ZMaterial* material) = nullptr;
    // The image's pixel width and height.
    void (*GetTextureSize)(const ZTextureResource* texture, int& width, int& height) = nullptr;
    // True when the texture keeps a pixel copy for alpha queries.
    bool (*KeepsPixelCopy)(const ZTextureResource* texture) = nullptr;
    // ZTextureResource::GetAlphaAt: x, y relative to the image centre, y up; -1 without alpha, 0
    // outside the image.
    int (*GetAlphaAt)(ZTextureResource* texture, float x, float y) = nullptr;
    // ZTexture::FindOrLoad(path, flags, mode).
    ZTextureResource* (*FindOrLoad)(const char* path, uint16_t flags, int mode) = nullptr;
    // Resource flag 8: the resource manager owns the texture.
    void (*SetManaged)(ZTextureResource* texture) = nullptr;
    // ZTextureResource::SetAlphaTexture.
    void (*SetAlphaTexture)(ZTextureResource* texture, ZTextureResource* alpha) = nullptr;
};

ZSpriteRenderCalls& SpriteRenderCalls();

// The centre of a w x h rectangle relative to its pivot, added to `point`; other codes add nothing.
void GetPivotOffset(V2& point, const V2& size, uint32_t pivot);

// Alpha on the sprites and text nodes below `node` (not on the node itself), walking the subtree
// depth-first past inactive or hidden nodes and their subtrees.
void SetChildrenAlpha(ZNode* node, float alpha);

class ZSprite : public ZGeom
{
    QV_TYPE_RECORD(ZSprite, &ZGeom::kTypeRecord)

public:
    ZSprite();
    ~ZSprite() override;

    static ZSprite* Create(float width, float height, uint32_t pivot = PIVOT_CENTER,
                           ZMaterial* material = nullptr);

    ZSerializerBase* GetSerializer() const override;
    void EnterPhase1() override;
    void CopyFrom(ZNode* source) override;
    ZNode* Clone() override;
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    // Applies a pending "alphatexture".
    void OnLoaded() override;
    void AccumulateBounds(ZBoundingBox& box) override;
    void* QueryGeometry() override { return m_material; }
    // Skipped without material or at alpha 0; otherwise the camera's sprite key for its rectangle.
    bool GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key) override;

    virtual void OnEnteredPhase1() {}
    virtual void SetSizeFromTexture(const ZTextureResource* texture);
    virtual void SetSize(const V2& size) { SetSize(size.x, size.y); }
    virtual void SetSize(int width, int height) { SetSize(float(width), float(height)); }
    virtual void SetSize(float width, float height);
    virtual void SetMaterial(ZMaterial* material);
    virtual void OnMaterialChanged() {}
    virtual void SetAlpha(float alpha);
    virtual float GetAlpha() const;
    // The texture's opacity at a sprite-local point, 0..1; 1 without a pixel copy.
    virtual float HitTest(const V2& local) const;

    void MakeOwnMaterial();
    V2 GetScaledSize() const { return {m_size.x * m_scale.x, m_size.y * m_scale.y}; }
    void GetBounds(V2& point) const { GetPivotOffset(point, GetScaledSize(), m_pivot); }
    void GetBoundsForSize(const V2& size, const V2& in, V2& out) const;
    // The scaled rectangle placed by the pivot holds the point, borders included.
    bool GetBoundsAt(const V2& local) const;
    // The world point, in the sprite's space, lies on a pixel that is not fully opaque.
    bool WorldToLocal2D(const V2& world) const;
    // The pivot-placed rectangle in the sprite's own space.
    Rectangle2D GetLocalRect() const;
    void ApplyAlphaTexture();

    const V2& GetSize() const { return m_size; }
    const V2& GetScale() const { return m_scale; }
    void SetSpriteScale(const V2& scale) { m_scale = scale; }
    uint32_t GetPivot() const { return m_pivot; }
    void SetPivot(uint32_t pivot) { m_pivot = pivot; }
    ZMaterial* GetMaterial() const { return m_material; }
    bool OwnsMaterial() const { return m_ownsMaterial; }
    uint32_t GetTextureFrame() const { return m_textureFrame; }
    void SetTextureFrame(uint32_t frame) { m_textureFrame = frame; }
    const char* GetPendingAlphaTexture() const { return m_pendingAlphaTexture; }

protected:
    V2 m_size{100.0f, 100.0f};
    V2 m_scale{1.0f, 1.0f};
    uint32_t m_pivot = PIVOT_CENTER;
    ZMaterial* m_material = nullptr;
    bool m_ownsMaterial = false;
    uint32_t m_textureFrame = 0;
    char* m_pendingAlphaTexture = nullptr;
};
