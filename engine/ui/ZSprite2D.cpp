#include "engine/ui/ZSprite2D.h"

#include <cstdio>
#include <cstring>

#include "engine/core/ZUtil.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZResourceManager.h"

namespace
{
ZSerializerRTTI<ZSprite2D> s_sprite2DSerializer;

constexpr ZNameId kNoAtlas{"noatlas"};
constexpr ZNameId kSizeModel{"sizemodel"};
constexpr const char* kDefaultMaterial = "sprite2d_material";
constexpr const char* kBeamsFile = "resources:beams.jpg";

const char* TextureName(const ZTextureResource* texture)
{
    const char* name = texture ? texture->GetName() : nullptr;
    return name && name[0] ? name : nullptr;
}
} // namespace

ZSprite2D::ZSprite2D()
{
    SetFlags(kNode2D);
    SetFlags(kNodeSnapToPixels);
}

ZSprite2D::~ZSprite2D()
{
    DropTexture();
}

void ZSprite2D::DropTexture()
{
    if (!m_texture)
        return;
    m_texture->RemoveListener(this);
    m_texture->Release();
    m_texture = nullptr;
}

ZSprite2D* ZSprite2D::Create()
{
    auto* sprite = new ZSprite2D();
    sprite->SetMaterialByName(kDefaultMaterial);
    return sprite;
}

ZSprite2D* ZSprite2D::CreateWithMaterial(ZMaterial* material)
{
    auto* sprite = new ZSprite2D();
    sprite->SetMaterial(material);
    sprite->m_ownsMaterial = material != nullptr;
    return sprite;
}

ZSprite2D* ZSprite2D::CreateFromTexture(ZTextureResource* texture)
{
    auto* sprite = new ZSprite2D();
    sprite->SetTextureMaterial(TextureName(texture));
    sprite->m_sizeActual = true;
    sprite->UpdateTextureMapping();
    sprite->SetTexture(texture);
    return sprite;
}

ZSprite2D* ZSprite2D::CreateFromFile()
{
    auto* sprite = new ZSprite2D();
    sprite->SetTextureMaterial(kBeamsFile);
    ZTexture* texture = ZTexture::FindOrLoad(kBeamsFile, 0, kTextureLoadNow);
    if (texture && texture->IsLoaded())
    {
        sprite->SetTexture(texture, true);
        sprite->AttachTexture(texture);
    }
    return sprite;
}

ZSerializerBase* ZSprite2D::GetSerializer() const
{
    return &s_sprite2DSerializer;
}

ZNode* ZSprite2D::Clone()
{
    auto* copy = new ZSprite2D();
    copy->CopyFrom(this);
    return copy;
}

void ZSprite2D::CopyFrom(ZNode* source)
{
    ZSprite::CopyFrom(source);
    auto* other = ZEntityCast<ZSprite2D>(source);
    if (!other || other == this)
        return;
    m_sizeActual = other->m_sizeActual;
    m_sizeGiven = other->m_sizeGiven;
    if (other->m_textureAttached && other->m_texture)
        AttachTexture(other->m_texture);
}

void ZSprite2D::SetMaterialByName(const char* name)
{
    ZShaderLibrary* library = ZShaderLibrary::GetInstance();
    ZShaderBase* shader = library ? library->FindShader("sprite") : nullptr;
    ZMaterial* material = shader ? ZMaterial::CreateForShader(name, shader) : nullptr;
    if (material)
        material->SetFlags(kResourceManaged);
    // The old material is given back, not overwritten: the new one replaces it.
    m_ownsMaterial = false;
    SetMaterial(material);
    m_ownsMaterial = material != nullptr;
}

void ZSprite2D::SetTextureMaterial(const char* textureName)
{
    if (!textureName || !textureName[0])
    {
        SetMaterialByName(kDefaultMaterial);
        return;
    }
    char name[256];
    std::snprintf(name, sizeof(name), "sprite2d=%s", textureName);
    SetMaterialByName(name);
}

void ZSprite2D::SetTexture(ZTextureResource* texture, bool keepSize)
{
    if (!keepSize && texture != m_texture)
        m_sizeGiven = 0;
    m_textureAttached = !keepSize;
    if (ZMaterial* material = GetMaterial())
        material->SetTexture(0, texture, false);
    if (m_textureAttached && texture)
        AttachTexture(texture);
    else if (m_sizeActual)
        UpdateTextureMapping();
}

void ZSprite2D::AttachTexture(ZTextureResource* texture)
{
    m_textureAttached = true;
    if (texture != m_texture)
    {
        DropTexture();
        m_texture = texture;
        if (texture)
        {
            texture->AddListener(this);
            texture->AddRef();
        }
    }
    if (!texture || !texture->IsLoaded())
        return;
    // A stretched sprite keeps the size its layout gave it; only "actual" follows the image.
    if (m_sizeActual)
        SetSize((m_sizeGiven & 1) ? GetSize().x : float(texture->GetImageWidth()),
                (m_sizeGiven & 2) ? GetSize().y : float(texture->GetImageHeight()));
    UpdateTextureMapping();
}

void ZSprite2D::OnResourceLoaded(ZResource* resource)
{
    if (m_textureAttached && resource && resource == static_cast<ZResource*>(m_texture))
        AttachTexture(m_texture);
    UpdateTextureMapping();
}

void ZSprite2D::OnMaterialChanged()
{
    ZMaterial* material = GetMaterial();
    if (m_textureAttached && material && material->GetTexture(0))
        SetTexture(material->GetTexture(0), false);
}

void ZSprite2D::SetSizeModelActual(bool actual)
{
    m_sizeActual = actual;
    UpdateTextureMapping();
}

void ZSprite2D::UpdateTextureMapping()
{
    ZMaterial* material = GetMaterial();
    if (!material)
        return;
    const ZTextureResource* texture = material->GetTexture(0);
    const bool padded = m_sizeActual && texture && texture->GetTextureWidth() > 0 &&
                        texture->GetTextureHeight() > 0 &&
                        (texture->GetImageWidth() != texture->GetTextureWidth() ||
                         texture->GetImageHeight() != texture->GetTextureHeight());
    material->SetTextureMatrix(0, padded ? texture->GetTextureMatrix() : _M44());
    material->SetSwitch(ZMaterial::kSwitchTextureTransform, padded ? 1 : 0);
}

bool ZSprite2D::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (id == ZAttr::Path.Value())
    {
        if (!value || !value[0])
            return true;
        // Inside a screen's resource context the texture loads with the screen's other resources.
        ZResourceManager* manager = ZResourceManager::PeekInstance();
        const int mode = manager && manager->GetContextDepth() > 0 ? kTextureLoadLater : kTextureLoadNow;
        SetTexture(ZTexture::FindOrLoad(value, 0, mode));
        return true;
    }
    if (id == kNoAtlas.Value())
    {
        ZMaterial* material = GetMaterial();
        if (ZTextureResource* texture = material ? material->GetTexture(0) : nullptr)
            texture->AddTextureFlags(kTextureNoAtlas);
        return true;
    }
    if (id == ZAttr::Width.Value())
        m_sizeGiven |= 1;
    if (id == ZAttr::Height.Value())
        m_sizeGiven |= 2;
    if (id == kSizeModel.Value())
    {
        SetSizeModelActual(value && std::strcmp(value, "actual") == 0);
        return true;
    }
    return ZSprite::SetProperty(id, name, value);
}

void ZSprite2D::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    if (!TestFlags(kNode2D))
        visitor->Attribute("is2d", "false");
    ZSprite::SaveAttributes(visitor);
}
