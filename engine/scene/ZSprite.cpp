#include "engine/scene/ZSprite.h"

#include <cstdlib>
#include <cstring>

#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"

namespace
{

ZSerializerRTTI<ZSprite> s_spriteSerializer;

constexpr ZNameId kAlphaTexture{"alphatexture"};
constexpr ZNameId kAlpha{"alpha"};
constexpr ZNameId kSide{"side"};

ZSpriteRenderCalls RendererCalls()
{
    ZSpriteRenderCalls c;
    c.AddRef = [](ZMaterial* m) { m->AddRef(); };
    c.Release = [](ZMaterial* m) { m->Release(); };
    c.Allocate = []() { return ZMaterial::Allocate(); };
    c.CloneFrom = [](ZMaterial* target, ZMaterial* source) { target->CloneFrom(source); };
    c.Find = [](const char* name) { return ZMaterial::Find(name); };
    c.GetOpacity = [](const ZMaterial* m) { return m->GetOpacity(); };
    c.SetOpacity = [](ZMaterial* m, float opacity) { m->SetOpacity(opacity); };
    c.SetProperty = [](ZMaterial* m, uint32_t id, const char* name, const char* value)
    { return m->SetProperty(id, name, value); };
    c.GetBaseTexture = [](const ZMaterial* m) { return m->GetTexture(0); };
    c.GetTextureSize = [](const ZTextureResource* t, int& width, int& height)
    {
        width = t->GetImageWidth();
        height = t->GetImageHeight();
    };
    c.KeepsPixelCopy = [](const ZTextureResource* t)
    { return (t->GetTextureFlags() & (kTexturePixels | kTextureKeepAlpha | kTextureAlphaMap)) != 0; };
    c.GetAlphaAt = [](ZTextureResource* t, float x, float y) { return t->GetAlphaAt(x, y); };
    c.FindOrLoad = [](const char* path, uint16_t flags, int mode) -> ZTextureResource*
    { return ZTexture::FindOrLoad(path, flags, mode); };
    c.SetManaged = [](ZTextureResource* t) { t->SetFlags(kResourceManaged); };
    c.SetAlphaTexture = [](ZTextureResource* t, ZTextureResource* alpha) { t->SetAlphaTexture(alpha); };
    return c;
}

ZSpriteRenderCalls s_calls = RendererCalls();

void AddRefMaterial(ZMaterial* material)
{
    if (material && s_calls.AddRef)
        s_calls.AddRef(material);
}

void ReleaseMaterial(ZMaterial* material)
{
    if (material && s_calls.Release)
        s_calls.Release(material);
}

ZTextureResource* BaseTexture(const ZMaterial* material)
{
    return material && s_calls.GetBaseTexture ? s_calls.GetBaseTexture(material) : nullptr;
}

bool TextureSize(const ZTextureResource* texture, int& width, int& height)
{
    width = height = 0;
    if (!texture || !s_calls.GetTextureSize)
        return false;
    s_calls.GetTextureSize(texture, width, height);
    return true;
}

} // namespace

ZSpriteRenderCalls& SpriteRenderCalls()
{
    return s_calls;
}

void GetPivotOffset(V2& point, const V2& size, uint32_t pivot)
{
    const float hw = size.x * 0.5f;
    const float hh = size.y * 0.5f;
    switch (pivot)
    {
    case PIVOT_TOPLEFT:
        point += V2{hw, -hh};
        break;
    case PIVOT_TOPRIGHT:
        point += V2{-hw, -hh};
        break;
    case PIVOT_BOTTOMLEFT:
        point += V2{hw, hh};
        break;
    case PIVOT_BOTTOMRIGHT:
        point += V2{-hw, hh};
        break;
    case PIVOT_MIDDLELEFT:
        point.x += hw;
        break;
    case PIVOT_MIDDLERIGHT:
        point.x -= hw;
        break;
    case PIVOT_TOPCENTER:
        point.y -= hh;
        break;
    case PIVOT_BOTTOMCENTER:
        point.y += hh;
        break;
    default:
        break;
    }
}

namespace
{

void SetNodeAlpha(ZNode* node, float alpha)
{
    if (auto* sprite = ZEntityCast<ZSprite>(node))
        sprite->SetAlpha(alpha);
    else if (auto* text = ZEntityCast<ZFontText>(node))
        text->SetAlphaField(alpha);
}

} // namespace

void SetChildrenAlpha(ZNode* node, float alpha)
{
    if (!node || !node->GetFirstChild())
        return;
    // The first child is taken as it is; the walk after it passes over inactive and hidden nodes.
    ZNode* first = node->GetFirstChild();
    SetNodeAlpha(first, alpha);
    ZNodeChildIterator it(node, true, true);
    for (ZNode* n = it.Next(); n; n = it.Next())
    {
        if (n != first)
            SetNodeAlpha(n, alpha);
    }
}

ZSprite::ZSprite() = default;

ZSprite::~ZSprite()
{
    ReleaseMaterial(m_material);
    m_material = nullptr;
    std::free(m_pendingAlphaTexture);
}

ZSprite* ZSprite::Create(float width, float height, uint32_t pivot, ZMaterial* material)
{
    auto* sprite = new ZSprite();
    sprite->m_size = {width, height};
    sprite->m_pivot = pivot;
    sprite->SetMaterial(material);
    return sprite;
}

ZSerializerBase* ZSprite::GetSerializer() const
{
    return &s_spriteSerializer;
}

void ZSprite::EnterPhase1()
{
    ZGeom::EnterPhase1();
    // A sprite declared with width 0 takes its texture's size.
    if (m_size.x < 1.0f)
    {
        int w = 0, h = 0;
        if (TextureSize(BaseTexture(m_material), w, h))
            SetSize(float(w), float(h));
    }
    OnEnteredPhase1();
}

void ZSprite::CopyFrom(ZNode* source)
{
    ZGeom::CopyFrom(source);
    auto* other = ZEntityCast<ZSprite>(source);
    if (!other)
        return;
    m_pivot = other->m_pivot;
    m_textureFrame = other->m_textureFrame;
    SetSize(other->m_size.x, other->m_size.y);
    m_scale = other->m_scale;
    if (other->m_ownsMaterial && !m_ownsMaterial)
        MakeOwnMaterial();
    SetMaterial(other->m_material);
}

ZNode* ZSprite::Clone()
{
    auto* copy = new ZSprite();
    copy->CopyFrom(this);
    return copy;
}

bool ZSprite::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (id == ZAttr::Pivot.Value())
    {
        m_pivot = ParseAlignment(value);
        return true;
    }
    if (id == ZAttr::Material.Value())
    {
        SetMaterial(s_calls.Find && value ? s_calls.Find(value) : nullptr);
        return true;
    }
    if (id == ZAttr::Width.Value())
    {
        SetSize(ParseFloatWithPi(value), m_size.y);
        return true;
    }
    if (id == ZAttr::Height.Value())
    {
        SetSize(m_size.x, ParseFloatWithPi(value));
        return true;
    }
    if (id == kAlphaTexture.Value())
    {
        const char* text = value ? ZStringTable::GetInstance()->GetText(value) : nullptr;
        std::free(m_pendingAlphaTexture);
        m_pendingAlphaTexture = text ? strdup(text) : nullptr;
        return true;
    }
    if (id == kAlpha.Value())
    {
        SetAlpha(ParseFloatWithPi(value));
        return true;
    }
    if (id == ZAttr::Filter.Value() || id == ZAttr::UseStencil.Value() || id == ZAttr::DrawStencil.Value() ||
        id == ZAttr::BlendAdd.Value() || id == ZAttr::BlendShadow.Value())
    {
        if (!m_material || !s_calls.SetProperty)
            return false;
        return s_calls.SetProperty(m_material, id, name, value);
    }
    if (id == kSide.Value())
    {
        const float side = ParseFloatWithPi(value);
        SetSize(side, side);
        return true;
    }
    return ZGeom::SetProperty(id, name, value);
}

void ZSprite::OnLoaded()
{
    ApplyAlphaTexture();
}

void ZSprite::ApplyAlphaTexture()
{
    if (m_pendingAlphaTexture && m_pendingAlphaTexture[0] && s_calls.FindOrLoad)
    {
        if (ZTextureResource* alpha = s_calls.FindOrLoad(m_pendingAlphaTexture, 0, 0))
        {
            if (s_calls.SetManaged)
                s_calls.SetManaged(alpha);
            if (ZTextureResource* base = BaseTexture(m_material); base && s_calls.SetAlphaTexture)
                s_calls.SetAlphaTexture(base, alpha);
        }
    }
    std::free(m_pendingAlphaTexture);
    m_pendingAlphaTexture = nullptr;
}

Rectangle2D ZSprite::GetLocalRect() const
{
    const V2 s = GetScaledSize();
    V2 c;
    GetPivotOffset(c, s, m_pivot);
    Rectangle2D r;
    r.left = c.x - s.x * 0.5f;
    r.right = c.x + s.x * 0.5f;
    r.bottom = c.y - s.y * 0.5f;
    r.top = c.y + s.y * 0.5f;
    return r;
}

void ZSprite::AccumulateBounds(ZBoundingBox& box)
{
    const Rectangle2D r = GetLocalRect();
    const V3 corners[4] = {
        {r.left, r.top, 0.0f}, {r.right, r.top, 0.0f}, {r.left, r.bottom, 0.0f}, {r.right, r.bottom, 0.0f}};
    box.AddPoints(4, corners);
}

bool ZSprite::GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key)
{
    if (!m_material || GetAlpha() == 0.0f)
        return false;
    return camera.SpriteKey(*this, world, GetLocalRect(), key);
}

void ZSprite::SetSizeFromTexture(const ZTextureResource* texture)
{
    int w = 0, h = 0;
    if (TextureSize(texture, w, h))
        SetSize(float(w), float(h));
}

void ZSprite::SetSize(float width, float height)
{
    m_size = {width, height};
}

void ZSprite::SetMaterial(ZMaterial* material)
{
    if (!m_ownsMaterial)
    {
        if (material != m_material)
        {
            ZMaterial* old = m_material;
            m_material = material;
            AddRefMaterial(material);
            ReleaseMaterial(old);
        }
    }
    else if (m_material && material)
    {
        if (material != m_material && s_calls.CloneFrom)
            s_calls.CloneFrom(m_material, material);
    }
    else if (material)
    {
        ZMaterial* own = s_calls.Allocate ? s_calls.Allocate() : nullptr;
        if (own)
        {
            if (s_calls.CloneFrom)
                s_calls.CloneFrom(own, material);
            AddRefMaterial(own);
        }
        m_material = own;
    }
    else
    {
        ReleaseMaterial(m_material);
        m_material = nullptr;
    }
    OnMaterialChanged();
}

void ZSprite::MakeOwnMaterial()
{
    if (m_material && !m_ownsMaterial && s_calls.Allocate)
    {
        if (ZMaterial* own = s_calls.Allocate())
        {
            if (s_calls.CloneFrom)
                s_calls.CloneFrom(own, m_material);
            AddRefMaterial(own);
            ReleaseMaterial(m_material);
            m_material = own;
            OnMaterialChanged();
        }
    }
    m_ownsMaterial = true;
}

void ZSprite::SetAlpha(float alpha)
{
    if (m_material && s_calls.SetOpacity)
        s_calls.SetOpacity(m_material, alpha);
}

float ZSprite::GetAlpha() const
{
    if (m_material && s_calls.GetOpacity)
        return s_calls.GetOpacity(m_material);
    return 1.0f;
}

float ZSprite::HitTest(const V2& local) const
{
    ZTextureResource* texture = BaseTexture(m_material);
    if (!texture || !s_calls.KeepsPixelCopy || !s_calls.GetAlphaAt || !s_calls.KeepsPixelCopy(texture))
        return 1.0f;
    int imageW = 0, imageH = 0;
    TextureSize(texture, imageW, imageH);
    const V2 s = GetScaledSize();
    if (s.x == 0.0f || s.y == 0.0f)
        return 1.0f;
    V2 c;
    GetPivotOffset(c, s, m_pivot);
    // Sprite units to texels through the scaled size, so pivot, scale and a size that differs from
    // the image all map onto the right pixel. The texel position stays fractional: cutting it to an
    // integer here would move every point left of or below the centre onto its neighbour.
    const float x = (local.x - c.x) / s.x * float(imageW);
    const float y = (local.y - c.y) / s.y * float(imageH);
    const int alpha = s_calls.GetAlphaAt(texture, x, y);
    return float(uint8_t(alpha)) / 255.0f;
}

void ZSprite::GetBoundsForSize(const V2& size, const V2& in, V2& out) const
{
    out = in;
    GetPivotOffset(out, {size.x * m_scale.x, size.y * m_scale.y}, m_pivot);
}

bool ZSprite::GetBoundsAt(const V2& local) const
{
    const V2 s = GetScaledSize();
    V2 c;
    GetPivotOffset(c, s, m_pivot);
    const V2 q = local - c;
    return -s.x * 0.5f <= q.x && q.x <= s.x * 0.5f && -s.y * 0.5f <= q.y && q.y <= s.y * 0.5f;
}

bool ZSprite::WorldToLocal2D(const V2& world) const
{
    V3 p{world.x, world.y, 0.0f};
    WorldToLocal(p);
    return HitTest({p.x, p.y}) < 1.0f;
}
