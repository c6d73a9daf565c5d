#include "engine/controllers/ZHaloController.h"

#include <algorithm>
#include <cmath>

#include "engine/core/ZFrameTimer.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSprite.h"

namespace
{

ZSprite* MakePlainHaloSprite(ZTextureResource* texture)
{
    ZSprite* sprite = ZSprite::Create(100.0f, 100.0f);
    if (texture)
        sprite->SetSizeFromTexture(texture);
    return sprite;
}

float Clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}

} // namespace

ZSprite* (*g_makeHaloSprite)(ZTextureResource* texture) = MakePlainHaloSprite;

ZHaloController::~ZHaloController()
{
    for (int i = 0; i < m_count; ++i)
    {
        if (!m_sprites[i])
            continue;
        m_sprites[i]->RemoveStateListener(this);
        // A sprite still under the target leaves it as it dies.
        delete m_sprites[i];
        m_sprites[i] = nullptr;
    }
    if (m_sizeSource && m_sizeSource != m_target)
        m_sizeSource->RemoveStateListener(this);
    m_sizeSource = nullptr;
}

ZHaloController* ZHaloController::Create(ZNode* sizeSource, ZNode* target)
{
    auto* halo = new ZHaloController();
    halo->SetSizeSource(sizeSource);
    halo->SetTarget(target ? target : sizeSource);
    return halo;
}

void ZHaloController::SetSizeSource(ZNode* node)
{
    if (m_sizeSource && m_sizeSource != m_target)
        m_sizeSource->RemoveStateListener(this);
    m_sizeSource = node;
    if (!node)
        return;
    node->AddStateListener(this);
    // The sprite size stands in for the 2D widget's size model.
    if (auto* sprite = ZEntityCast<ZSprite>(node))
        size = sprite->GetSize();
}

void ZHaloController::NodeGone(ZNode* node)
{
    ZControllerNodeBase::NodeGone(node);
    if (node == m_sizeSource)
        m_sizeSource = nullptr;
    for (ZSprite*& sprite : m_sprites)
    {
        if (sprite == node)
            sprite = nullptr;
    }
}

ZSprite* ZHaloController::CreateHaloSprite(ZTextureResource* texture, float speed, float scale, float alpha)
{
    if (m_count >= kMaxSprites || !g_makeHaloSprite)
        return nullptr;
    ZSprite* sprite = g_makeHaloSprite(texture);
    if (!sprite)
        return nullptr;
    // The sprite's own scale, so that turning it (its orientation) keeps the size.
    sprite->SetSpriteScale({scale, scale});
    sprite->MoveBy(0.0f, 0.0f, float(m_count + 1));
    sprite->AddStateListener(this);
    m_sprites[m_count] = sprite;
    m_speeds[m_count] = speed;
    m_alphas[m_count] = alpha;
    ++m_count;
    return sprite;
}

void ZHaloController::Start()
{
    V3 centre;
    const bool placed = m_target && m_sizeSource && m_sizeSource != m_target;
    if (placed)
    {
        if (auto* source = ZEntityCast<ZGeom>(m_sizeSource))
            source->LocalToWorld(centre);
        if (auto* target = ZEntityCast<ZGeom>(m_target))
            target->WorldToLocal(centre);
    }
    for (int i = 0; i < m_count; ++i)
    {
        ZSprite* sprite = m_sprites[i];
        if (!sprite || !m_target)
            continue;
        if (sprite->GetParent() != m_target)
            m_target->AddChild(sprite);
        sprite->SetAlpha(0.0f);
        if (placed)
        {
            sprite->SetPositionXYZ(centre.x, centre.y, centre.z);
            sprite->MoveBy(0.0f, 0.0f, 2.0f);
        }
    }
    m_timer = 0.0f;
    stopNow = false;
}

void ZHaloController::Update()
{
    const double delta = g_frameTimer ? g_frameTimer->frameDelta : 0.0;
    const double now = g_frameTimer ? g_frameTimer->now : 0.0;
    m_timer += float(delta);

    const bool hasEnd = endTime > -1.0f;
    float f = 1.0f;
    if (!stopNow && hasEnd && m_timer > endTime)
        f *= Clamp01((endTime + 0.5f - m_timer) / 0.5f);
    // Applied every frame, not only up to 0.2 s: a frame that steps past 0.2 s must still end
    // fully faded in.
    f *= Clamp01(m_timer / 0.2f);
    for (int i = 0; i < m_count; ++i)
    {
        if (m_sprites[i])
            m_sprites[i]->SetAlpha(m_alphas[i] * f);
    }

    // Without an end time only stop-now (or the owner) ends the halo.
    if (stopNow || (hasEnd && m_timer > endTime + 0.5f))
    {
        SetActive(false);
        return;
    }

    for (int i = 0; i < m_count; ++i)
    {
        if (m_sprites[i])
            m_sprites[i]->SetRotationZ(float(double(m_speeds[i]) * now));
    }
}

void ZHaloController::Stop()
{
    for (int i = 0; i < m_count; ++i)
    {
        ZSprite* sprite = m_sprites[i];
        if (sprite && sprite->GetParent())
            sprite->GetParent()->RemoveChild(sprite);
    }
    if (releaseSelfOnStop)
        ReleaseSelf();
}
