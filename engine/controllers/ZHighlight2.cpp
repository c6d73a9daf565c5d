#include "engine/controllers/ZHighlight2.h"

#include <algorithm>
#include <cmath>

#include "engine/core/ZFrameTimer.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSprite.h"

namespace
{

ZSprite* MakePlainRingSprite(ZMaterial* material)
{
    return ZSprite::Create(100.0f, 100.0f, PIVOT_CENTER, material);
}

float Clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}

double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

// A world point set as the position of a node under its geometric parent.
void PlaceAtWorld(ZSprite* sprite, V3 p)
{
    if (auto* parent = ZEntityCast<ZGeom>(sprite->FindGeomParent()))
        parent->WorldToLocal(p);
    sprite->SetPosition(p);
}

} // namespace

ZSprite* (*g_makeRingSprite)(ZMaterial* material) = MakePlainRingSprite;

ZHighlight2::~ZHighlight2()
{
    for (ZSprite*& sprite : m_sprites)
    {
        delete sprite;
        sprite = nullptr;
    }
    ForgetSizeSource();
}

ZSprite* ZHighlight2::NewRingSprite(ZMaterial* material)
{
    ZSprite* sprite = g_makeRingSprite ? g_makeRingSprite(material) : nullptr;
    // Heard of when the target deletes it with its other children.
    if (sprite)
        sprite->AddStateListener(this);
    return sprite;
}

ZHighlight2* ZHighlight2::Create(ZNode* node, ZMaterial* material, float spacing, ZNode* target)
{
    auto* h = new ZHighlight2();
    h->endTime = -1.0f;
    h->spacing = spacing;
    h->SetMaterial(material);
    h->SetTarget(target ? target : node);
    h->SetSizeSource(node);
    return h;
}

ZHighlight2* ZHighlight2::CreateDefault(ZHighlight2* source)
{
    auto* h = new ZHighlight2();
    if (source)
        h->CopySettings(source);
    return h;
}

void ZHighlight2::CopySettings(ZHighlight2* source)
{
    if (!source || source == this)
        return;
    for (int i = 0; i < kMaxSprites; ++i)
    {
        ZSprite* from = source->m_sprites[i];
        if (!from)
        {
            delete m_sprites[i];
            m_sprites[i] = nullptr;
            continue;
        }
        if (!m_sprites[i])
            m_sprites[i] = NewRingSprite(nullptr);
        if (!m_sprites[i])
            continue;
        m_sprites[i]->SetMaterial(from->GetMaterial());
        m_sprites[i]->SetSize(from->GetSize());
        m_sprites[i]->SetSpriteScale(from->GetScale());
    }
    endTime = source->endTime;
    releaseSelfOnStop = source->releaseSelfOnStop;
    slowRingSpeed = source->slowRingSpeed;
    fastRingSpeed = source->fastRingSpeed;
    depth = source->depth;
    size = source->size;
    minimumSize = source->minimumSize;
    margin = source->margin;
    smallScale = source->smallScale;
    largeScale = source->largeScale;
    breathingAmplitude = source->breathingAmplitude;
    breathingSpeed = source->breathingSpeed;
    minimumCount = source->minimumCount;
    spacing = source->spacing;
    introTime = source->introTime;
    speedChangeTime = source->speedChangeTime;
    fadeOutTime = source->fadeOutTime;
    introRadius = source->introRadius;
    fadeInTime = source->fadeInTime;
    fadeOutGrowth = source->fadeOutGrowth;
    m_timer = source->m_timer;
    m_material = source->m_material;
    m_spriteCount = source->m_spriteCount;
}

void ZHighlight2::ForgetSizeSource()
{
    if (m_sizeSource && m_sizeSource != m_target)
        m_sizeSource->RemoveStateListener(this);
    m_sizeSource = nullptr;
}

void ZHighlight2::Attach(ZNode* node)
{
    SetTarget(node);
    if (ZEntityCast<ZSprite>(node))
        SetSizeSource(node);
    else
        ForgetSizeSource();
}

void ZHighlight2::SetSizeSource(ZNode* node)
{
    ForgetSizeSource();
    auto* sprite = ZEntityCast<ZSprite>(node);
    if (!sprite)
        return;
    m_sizeSource = node;
    node->AddStateListener(this);
    size = sprite->GetSize();
    if (size.x * size.y < minimumSize.x * minimumSize.y)
        size = minimumSize;
    int n = spacing > 0.0f
                ? int((2.0f * size.x + 2.0f * size.y + 2.0f * margin.x + 2.0f * margin.y) / spacing)
                : minimumCount;
    n = std::max(n, int(minimumCount));
    SetSpriteCount(2 * n);
}

void ZHighlight2::SetSpriteCount(int count)
{
    int c = std::max(0, count);
    c = std::min((c + 3) / 4 * 4, kMaxSprites);
    // Sprites beyond the new count would stay on the target, frozen: they go.
    for (int i = c; i < kMaxSprites; ++i)
    {
        delete m_sprites[i];
        m_sprites[i] = nullptr;
    }
    m_spriteCount = c;
    for (int i = 0; i < c; ++i)
    {
        if (!m_sprites[i])
        {
            m_sprites[i] = NewRingSprite(m_material);
            if (!m_sprites[i])
                continue;
            if (m_material)
                m_sprites[i]->SetMaterial(m_material);
        }
        ZSprite* s = m_sprites[i];
        const uint32_t old = s->GetFlags();
        if (old & kNodeSnapToPixels)
        {
            s->ClearFlags(kNodeSnapToPixels);
            s->NotifyFlagsChanged(s->GetFlags(), old);
        }
        s->MoveBy(0.0f, 0.0f, depth);
    }
}

void ZHighlight2::SetMaterial(ZMaterial* material)
{
    m_material = material;
    for (ZSprite* s : m_sprites)
    {
        if (s)
            s->SetMaterial(material);
    }
}

void ZHighlight2::Start()
{
    m_stopTime = double(-1.0e38f);
    m_ringSize = {size.x + 2.0f * margin.x, size.y + 2.0f * margin.y};
    m_breathingPhase = 0.0f;
    m_ringAngle = 0.0f;
    for (int i = 0; i < m_spriteCount; ++i)
    {
        ZSprite* s = m_sprites[i];
        if (!s)
            continue;
        if (m_target && s->GetParent() != m_target)
            m_target->AddChild(s);
        s->SetAlpha(0.0f);
        s->SetSpriteScale(smallScale);
        s->SetActive(true);
    }
    if (m_target != m_sizeSource)
    {
        V3 origin;
        if (auto* source = ZEntityCast<ZGeom>(m_sizeSource))
            source->LocalToWorld(origin);
        for (int i = 0; i < m_spriteCount; ++i)
        {
            if (!m_sprites[i])
                continue;
            PlaceAtWorld(m_sprites[i], origin);
            m_sprites[i]->MoveBy(0.0f, 0.0f, depth);
        }
    }
    m_timer = 0.0f;
}

void ZHighlight2::Update()
{
    const float delta = float(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
    const double now = Now();
    m_timer += delta;

    const float u = speedChangeTime > 0.0f ? Clamp01(m_timer / speedChangeTime) : 1.0f;
    const float g = 1.0f - (1.0f - u) * (1.0f - u);

    float f = 0.0f;
    if (endTime > -1.0f && endTime - m_timer < fadeOutTime)
    {
        const float v = fadeOutTime > 0.0f ? (fadeOutTime - (endTime - m_timer)) / fadeOutTime : 1.0f;
        f = Clamp01(v) * Clamp01(v);
    }
    else if (m_stopTime > 0.0)
    {
        const float v = fadeOutTime > 0.0f ? float((now - m_stopTime) / double(fadeOutTime)) : 1.0f;
        f = Clamp01(v) * Clamp01(v);
    }

    const float a = introTime > 0.0f ? Clamp01(m_timer / introTime) : 1.0f;
    const float a3 = 1.0f - a * a * a;
    const float intro = 1.0f - a3 * a3 * a3 * a3;
    const float introOffset = (1.0f - intro) * introRadius;
    const float c = fadeInTime > 0.0f ? Clamp01(m_timer / fadeInTime) : 1.0f;

    m_breathingPhase += breathingSpeed * delta;
    float breathing = breathingAmplitude * std::cos(m_breathingPhase);

    V2 growth;
    float m = 1.0f;
    if (f > 0.0f)
    {
        growth = {fadeOutGrowth * f * m_ringSize.x, fadeOutGrowth * f * m_ringSize.y};
        m = 1.0f - f;
        breathing *= 1.0f - f;
    }

    const float perimeter = 2.0f * m_ringSize.x + 2.0f * m_ringSize.y;
    if (perimeter > 0.0f)
        m_ringAngle += delta * (fastRingSpeed * (1.0f - g) + slowRingSpeed * g) / perimeter;

    // Without a size source (or after it went) the ring circles the target's origin.
    V3 centre;
    if (m_sizeSource && m_target != m_sizeSource)
    {
        if (auto* source = ZEntityCast<ZGeom>(m_sizeSource))
            source->LocalToWorld(centre);
    }
    else if (!m_sizeSource && m_target)
    {
        if (auto* target = ZEntityCast<ZGeom>(m_target))
            target->LocalToWorld(centre);
    }
    const bool local = m_sizeSource && m_target == m_sizeSource;

    for (int i = 0; i < m_spriteCount; ++i)
    {
        ZSprite* s = m_sprites[i];
        if (!s || !s->IsActive())
            continue;
        const V2& scale = (i % 4 == 3) ? smallScale : largeScale;
        s->SetSpriteScale({scale.x * m, scale.y * m});

        float alpha = c * (1.0f - f);
        if (i % 2 == 0 && intro >= 0.7f)
            alpha *= 1.0f - Clamp01((intro - 0.7f) / 0.3f);
        s->SetAlpha(alpha);
        if (alpha <= 0.0f)
            s->SetActive(false);

        const float b = m_ringAngle + float(i) * 6.2831855f / float(m_spriteCount);
        s->SetRotationZ(1.5707964f - b);
        const float x = centre.x + (0.5f * m_ringSize.x + growth.x + introOffset + breathing) * std::cos(b);
        const float y = centre.y + (0.5f * m_ringSize.y + growth.y + introOffset + breathing) * std::sin(b);
        float z = centre.z + depth;
        if (!(z > -995.0f))
            z = -995.0f;
        if (local)
            s->SetPositionXYZ(x, y, z);
        else
            PlaceAtWorld(s, {x, y, z});
    }
}

void ZHighlight2::Stop()
{
    for (int i = 0; i < m_spriteCount; ++i)
    {
        if (m_sprites[i] && m_sprites[i]->GetParent())
            m_sprites[i]->GetParent()->RemoveChild(m_sprites[i]);
    }
    if (releaseSelfOnStop)
        ReleaseSelf();
}

void ZHighlight2::FlagsChanged(ZNode* node, uint32_t newFlags, uint32_t oldFlags)
{
    (void)oldFlags;
    if (node == m_sizeSource && ((newFlags & kNodeHidden) || !(newFlags & kNodeActive)))
        m_stopTime = double(float(Now()));
}

void ZHighlight2::NodeGone(ZNode* node)
{
    ZControllerNodeBase::NodeGone(node);
    if (node == m_sizeSource)
    {
        // The ring fades out as if its node had been hidden.
        m_sizeSource = nullptr;
        m_stopTime = double(float(Now()));
    }
    for (ZSprite*& sprite : m_sprites)
    {
        if (sprite == node)
            sprite = nullptr;
    }
}
