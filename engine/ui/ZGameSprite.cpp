#include "engine/ui/ZGameSprite.h"

#include <algorithm>

#include "engine/core/ZFrameTimer.h"
#include "engine/render/resources/ZAnimTexture.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"

void (*g_registerSpriteToolTip)(const char* key, ZNode* node) = nullptr;

namespace
{
ZSerializerRTTI<ZGameSprite> s_gameSpriteSerializer;

constexpr ZNameId kTip{"tip"};
// Like every timed interpolation, a fade within 1/8192 of its end is finished: a run of frames whose
// deltas add up to the fade's length must not leave it one frame short by rounding.
constexpr float kFinished = 1.0f / 8192.0f;

void SetManaged(ZMaterial* material)
{
    if (material)
        material->SetFlags(kResourceManaged);
}
} // namespace

ZGameSprite* ZGameSprite::Create()
{
    auto* sprite = new ZGameSprite();
    sprite->SetMaterialByName("sprite2d_material");
    SetManaged(sprite->GetMaterial());
    return sprite;
}

ZGameSprite* ZGameSprite::CreateFromTexture(ZTextureResource* texture)
{
    auto* sprite = new ZGameSprite();
    const char* name = texture ? texture->GetName() : nullptr;
    sprite->SetTextureMaterial(name && name[0] ? name : nullptr);
    sprite->SetTexture(texture);
    return sprite;
}

ZGameSprite* ZGameSprite::CreateFromTextureObject(const char* path)
{
    auto* sprite = new ZGameSprite();
    ZTexture* texture = path ? ZTexture::FindOrLoad(path, 0, kTextureLoadNowToo) : nullptr;
    sprite->SetTextureMaterial(path);
    SetManaged(sprite->GetMaterial());
    sprite->SetTexture(texture, false);
    return sprite;
}

ZGameSprite* ZGameSprite::CreateWithOwnMaterial(ZMaterial* material)
{
    auto* sprite = new ZGameSprite();
    sprite->SetMaterial(material);
    sprite->MakeOwnMaterial();
    SetManaged(sprite->GetMaterial());
    return sprite;
}

ZSerializerBase* ZGameSprite::GetSerializer() const
{
    return &s_gameSpriteSerializer;
}

ZNode* ZGameSprite::Clone()
{
    auto* copy = new ZGameSprite();
    copy->CopyFrom(this);
    return copy;
}

void ZGameSprite::CopyFrom(ZNode* source)
{
    ZSprite2D::CopyFrom(source);
    auto* other = ZEntityCast<ZGameSprite>(source);
    if (!other || other == this)
        return;
    m_fadeSpeed = other->m_fadeSpeed;
    m_animatedTexture = other->m_animatedTexture;
}

void ZGameSprite::Update()
{
    ZSprite2D::Update();
    UpdateFade();
}

void ZGameSprite::UpdateFade()
{
    if (m_fadeState == kFadeNone)
        return;
    const float step = float(g_frameTimer ? g_frameTimer->frameDelta : 0.0) * m_fadeSpeed;
    if (m_fadeState == kFadingIn)
    {
        m_fadeValue += step;
        const bool done = m_fadeValue >= 1.0f - kFinished;
        SetAlpha(done ? 1.0f : m_fadeValue);
        if (done)
        {
            m_fadeState = kFadeNone;
            OnFadedIn();
        }
    }
    else if (m_fadeState == kFadingOut)
    {
        m_fadeValue -= step;
        const bool done = m_fadeValue <= kFinished;
        SetAlpha(done ? 0.0f : m_fadeValue);
        if (done)
        {
            m_fadeState = kFadeNone;
            OnFadedOut();
        }
    }
}

void ZGameSprite::StartFadeIn()
{
    m_fadeState = kFadingIn;
    m_fadeValue = 0.0f;
    SetAlpha(0.0f);
}

void ZGameSprite::StartFadeOut()
{
    m_fadeState = kFadingOut;
    m_fadeValue = 1.0f;
    SetAlpha(1.0f);
}

void ZGameSprite::Rewind()
{
    m_fadeState = kFadeNone;
    m_fadeValue = 0.0f;
    SetAlpha(0.0f);
}

void ZGameSprite::SetTexture(ZTextureResource* texture, bool keepSize)
{
    ZSprite2D::SetTexture(texture, keepSize);
    m_animatedTexture = ZEntityCast<ZAnimTexture>(static_cast<ZEntity*>(texture)) != nullptr;
}

bool ZGameSprite::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (id == kTip.Value())
    {
        if (g_registerSpriteToolTip && value && value[0])
            g_registerSpriteToolTip(value, this);
        return true;
    }
    return ZSprite2D::SetProperty(id, name, value);
}
