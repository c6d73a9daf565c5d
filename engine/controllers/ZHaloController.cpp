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
    m_sprites.DeleteAll(this);
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
    m_sprites.Forget(node);
}

ZSprite* ZHaloController::CreateHaloSprite(ZTextureResource* texture, float speed, float scale, float alpha)
{
    if (m_sprites.IsFull() || !g_makeHaloSprite)
        return nullptr;
    ZSprite* sprite = g_makeHaloSprite(texture);
    if (!sprite)
        return nullptr;
    // The sprite's own scale, so that turning it (its orientation) keeps the size.
    sprite->SetSpriteScale({scale, scale});
    const int index = m_sprites.GetCount();
    sprite->MoveBy(0.0f, 0.0f, float(index + 1));
    m_sprites.Add(sprite, speed, this);
    m_alphas[index] = alpha;
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
    m_sprites.Attach(m_target, placed, centre);
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
    m_sprites.SetAlpha(f, m_alphas);

    // Without an end time only stop-now (or the owner) ends the halo.
    if (stopNow || (hasEnd && m_timer > endTime + 0.5f))
    {
        SetActive(false);
        return;
    }

    m_sprites.Turn(now);
}

void ZHaloController::Stop()
{
    m_sprites.Detach();
    if (releaseSelfOnStop)
        ReleaseSelf();
}
