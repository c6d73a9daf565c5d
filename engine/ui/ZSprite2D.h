#pragma once
// The textured screen-space quad every 2D widget, token and game sprite is built from: a sprite with
// the 2D node flag and pixel snapping, its own material named after its texture, and a size model.
// With the "actual" size model the sprite takes its image's own pixel size and shows only the image
// part of a texture padded to a larger allocation; with "stretched" the texture fills the quad
// whatever its size.
//
// The sprite listens to the texture it holds (and holds a reference on it), so a texture that
// finishes loading later still sizes and maps the sprite.
#include "engine/resource/ZResource.h"
#include "engine/scene/ZSprite.h"

class ZMaterial;
class ZTextureResource;

class ZSprite2D : public ZSprite, public ZResourceListener
{
    QV_TYPE_RECORD(ZSprite2D, &ZSprite::kTypeRecord)

public:
    // Flags kNode2D and kNodeSnapToPixels; no material.
    ZSprite2D();
    ~ZSprite2D() override;

    // With its own material "sprite2d_material".
    static ZSprite2D* Create();
    // Using the given material, which it then owns.
    static ZSprite2D* CreateWithMaterial(ZMaterial* material);
    // Material "sprite2d=<texture name>", size model actual, sized and mapped to the texture.
    static ZSprite2D* CreateFromTexture(ZTextureResource* texture);
    // The light beams' sprite: "resources:beams.jpg", loaded at once; untextured when it fails.
    static ZSprite2D* CreateFromFile();

    ZSerializerBase* GetSerializer() const override;
    ZNode* Clone() override;
    void CopyFrom(ZNode* source) override;
    // "path", "noatlas", "sizemodel", then the sprite's keys.
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    // A sprite without the 2D flag writes is2d="false" first.
    void SaveAttributes(ISaveVisitor* visitor) override;
    void OnMaterialChanged() override;

    // The texture becomes the material's stage 0; unless keepSize, the sprite attaches it (listens
    // to it and takes its size by the size model).
    virtual void SetTexture(ZTextureResource* texture, bool keepSize = false);
    virtual void AttachTexture(ZTextureResource* texture);
    // ZResourceListener: the held texture finished loading.
    void OnResourceLoaded(ZResource* resource) override;

    // A new material for the shader "sprite" under the name, owned by the sprite; none when the
    // shader is missing.
    void SetMaterialByName(const char* name);
    // "sprite2d=<name>", or "sprite2d_material" without a name.
    void SetTextureMaterial(const char* textureName);
    // The material's texture transform for the size model (see the header comment).
    void UpdateTextureMapping();

    bool IsSizeModelActual() const { return m_sizeActual; }
    void SetSizeModelActual(bool actual);
    bool IsTextureAttached() const { return m_textureAttached; }
    ZTextureResource* GetTexture() const { return m_texture; }

protected:
    // Gives up the held texture (listener and reference).
    void DropTexture();

    bool m_sizeActual = true;
    // The width and height the layout gave after naming the picture (bits 1 and 2). They stay when
    // the picture loads later, as they do when it was loaded already: the sprite's size must not
    // depend on how far the loader has got. Naming another picture gives the size back to the size
    // model.
    uint8_t m_sizeGiven = 0;
    bool m_textureAttached = false;
    ZTextureResource* m_texture = nullptr;
};
