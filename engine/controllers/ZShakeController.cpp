#include "engine/controllers/ZShakeController.h"

#include "engine/core/ZEasing.h"
#include "engine/core/ZRandom.h"
#include "engine/scene/ZGeom.h"

ZShakeController::ZShakeController()
{
    SetDefaults();
}

void ZShakeController::SetDefaults()
{
    amplitude = 40.0f;
    scaleAmplitude = 0.1f;
    m_duration = double(0.35f);
    m_easing = EaseLog;
}

ZShakeController* ZShakeController::Create(ZNode* target)
{
    auto* shake = new ZShakeController();
    shake->SetTarget(target);
    return shake;
}

void ZShakeController::Reset()
{
    ZInterpolateBase::Reset();
    SetDefaults();
}

void ZShakeController::Start()
{
    V3 p;
    if (auto* geom = ZEntityCast<ZGeom>(m_target))
        geom->GetPosition(p);
    basePosition = {p.x, p.y, p.z, 0.0f};
    ZInterpolateBase::Start();
}

void ZShakeController::ApplyValue(float t)
{
    auto* geom = ZEntityCast<ZGeom>(m_target);
    if (!geom)
        return;
    const float m = amplitude * (1.0f - t);
    // Both draws in this order on every call, so a fixed seed repeats a shake.
    const float u1 = float(double(RandomNext()) * 0x1p-32);
    const float u2 = float(double(RandomNext()) * 0x1p-32);
    const float x = basePosition.x + u1 * m - m / 2.0f;
    const float y = basePosition.y + u2 * m - m / 2.0f;
    if (scaleAmplitude > 0.0f)
    {
        const float s = 1.0f + scaleAmplitude * (1.0f - t);
        geom->SetScale({s, s, s});
    }
    geom->SetPositionXYZ(x, y, basePosition.z);
}

void ZShakeController::Stop()
{
    if (auto* geom = ZEntityCast<ZGeom>(m_target))
    {
        geom->SetPositionXYZ(basePosition.x, basePosition.y, basePosition.z);
        // A shake that never touched the scale leaves the target's own scale alone.
        if (scaleAmplitude > 0.0f)
            geom->SetScale({1.0f, 1.0f, 1.0f});
    }
    ZInterpolateBase::Stop();
}
