// The tool-tip box's slide in and out.
#include "game/shell/ZToolTipInterpolate.h"

#include <cmath>

#include "engine/scene/ZGeom.h"

ZToolTipInterpolate* ZToolTipInterpolate::Create(ZNode* target, bool show)
{
    if (!target)
        return nullptr;
    auto* controller = new ZToolTipInterpolate();
    controller->m_show = show ? 1 : 0;
    controller->SetEasing(show ? EaseOutQuad : EaseInQuad);
    controller->SetTarget(target);
    target->AddChild(controller);
    controller->SetActive(false);
    return controller;
}

void ZToolTipInterpolate::Reset()
{
    ZInterpolateBase::Reset();
    m_partner = nullptr;
    m_idle = 1;
    m_start = m_end = m_current = m_place = V3{0.0f, 0.0f, 0.0f};
}

void ZToolTipInterpolate::Start()
{
    m_idle = 0;
    auto* target = ZEntityCast<ZGeom>(GetTarget());
    V3 world{0.0f, 0.0f, 0.0f};
    if (target)
        target->LocalToWorld(world);
    V3 moving{0.0f, kRestOffsetY, 0.0f};
    if (m_partner && m_partner->IsActive() && !m_partner->IsIdle())
    {
        // Take over where the other slide left the tip.
        const V3 there = m_partner->GetCurrent();
        m_place = m_partner->m_place;
        m_partner->SetActive(false);
        const float dx = there.x, dy = there.y, dz = there.z;
        if (std::sqrt(dx * dx + dy * dy + dz * dz) > 1.0f / 2048.0f)
            moving = there;
        else if (m_show)
            moving = V3{0.0f, 0.0f, 0.0f};
    }
    else
    {
        m_place = world;
        // A tip being hidden starts from its place; one being shown rises to where it stands now.
    }
    if (m_show)
    {
        m_start = moving;
        m_end = V3{0.0f, 0.0f, 0.0f};
    }
    else
    {
        m_start = (m_partner && moving.y != kRestOffsetY) ? moving : V3{0.0f, 0.0f, 0.0f};
        m_end = V3{0.0f, kRestOffsetY, 0.0f};
    }
    const float dx = m_end.x - m_start.x, dy = m_end.y - m_start.y, dz = m_end.z - m_start.z;
    SetDuration(double(std::sqrt(dx * dx + dy * dy + dz * dz) * kSecondsPerUnit));
    m_current = m_start;
    ZInterpolateBase::Start();
}

void ZToolTipInterpolate::Stop()
{
    m_idle = 1;
    ZInterpolateBase::Stop();
}

void ZToolTipInterpolate::ApplyValue(float t)
{
    if (m_idle)
        return;
    m_current = V3{m_start.x * (1.0f - t) + m_end.x * t, m_start.y * (1.0f - t) + m_end.y * t,
                   m_start.z * (1.0f - t) + m_end.z * t};
    auto* target = ZEntityCast<ZGeom>(GetTarget());
    if (!target)
        return;
    V3 position{m_place.x + m_current.x, m_place.y + m_current.y, m_place.z + m_current.z};
    if (ZNode* parent = target->GetParent(); parent && parent->IsA<ZGeom>())
        static_cast<ZGeom*>(parent)->WorldToLocal(position);
    target->SetPosition(position);
    if (t >= 1.0f)
    {
        // Back at its place when the hide is over, so the next show starts from there.
        if (!m_show)
        {
            V3 place = m_place;
            if (ZNode* parent = target->GetParent(); parent && parent->IsA<ZGeom>())
                static_cast<ZGeom*>(parent)->WorldToLocal(place);
            target->SetPosition(place);
        }
        m_idle = 1;
    }
}
