// The medal popup's three stages: swell in, lift, fade and shrink away.
#include "game/dive/hud/ZMedalPopup.h"

#include <algorithm>

#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"

namespace
{
V4 Mix(const V4& a, const V4& b, float u)
{
    return {a.x + (b.x - a.x) * u, a.y + (b.y - a.y) * u, a.z + (b.z - a.z) * u, 1.0f};
}
} // namespace

ZMedalPopup* ZMedalPopup::Create()
{
    auto* popup = new ZMedalPopup();
    popup->SetName("medalpopup");
    ZSceneTree::GetInstance()->AddChild(popup);
    popup->SetTarget(nullptr);
    return popup;
}

void ZMedalPopup::Reset()
{
    ZInterpolateBase::Reset();
    SetDuration(kDuration);
    m_stage = 0;
}

void ZMedalPopup::SetStartPosition(float x, float y)
{
    m_start = {x, y, -200.0f, 1.0f};
    m_targetPoint = {x, y + kLift, -200.0f, 1.0f};
    m_origin = {x, y + kRiseIn, -200.0f, 1.0f};
    m_end = {x, y + kLift + kRiseOut, -200.0f, 1.0f};
}

void ZMedalPopup::Start()
{
    ZInterpolateBase::Start();
    m_stage = 0;
    if (m_target)
    {
        m_target->SetActive(true);
        if (auto* sprite = ZEntityCast<ZSprite>(m_target))
            sprite->SetAlpha(0.0f);
    }
}

void ZMedalPopup::Stop()
{
    ZInterpolateBase::Stop();
    if (m_target)
        m_target->SetActive(false);
}

void ZMedalPopup::Place(const V4& p, float scale)
{
    auto* geom = ZEntityCast<ZGeom>(m_target);
    if (!geom)
        return;
    geom->SetPositionXYZ(p.x, p.y, p.z);
    geom->SetScale({scale, scale, 1.0f});
}

void ZMedalPopup::ApplyValue(float t)
{
    auto* sprite = ZEntityCast<ZSprite>(m_target);
    m_stage = t <= 0.15f ? 0 : (t <= 0.8f ? 1 : 2);
    if (m_stage == 0)
    {
        const float s = std::clamp(t / 0.15f, 0.0f, 1.0f);
        if (sprite)
            sprite->SetAlpha(std::clamp(t / 0.09f, 0.0f, 1.0f));
        Place(Mix(m_origin, m_start, s), s);
    }
    else if (m_stage == 1)
    {
        const float u = std::clamp((t - 0.15f) / 0.65f, 0.0f, 1.0f);
        if (sprite)
            sprite->SetAlpha(1.0f);
        Place(Mix(m_start, m_targetPoint, u), 1.0f + 0.15f * u);
    }
    else
    {
        const float u = std::clamp((t - 0.8f) / 0.2f, 0.0f, 1.0f);
        if (sprite)
            sprite->SetAlpha(1.0f - u);
        Place(Mix(m_targetPoint, m_end, u), 1.0f - 1.15f * u);
    }
    if (t >= 1.0f)
        SetActive(false);
}
