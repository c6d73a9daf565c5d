#include "engine/controllers/ZInterpolateBase.h"

#include "engine/core/ZFrameTimer.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSpline.h"

namespace
{

constexpr double kFinishTolerance = 1.0 / 8192.0;

template <class I> I* CreateUnderControllers(ZNode* target)
{
    auto* interpolator = new I();
    interpolator->SetTarget(target);
    ZSceneTree::GetInstance()->AddChild(interpolator);
    return interpolator;
}

} // namespace

double EngineClockNow()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

void PlaceAtWorldPoint(ZNode* target, const V3& world)
{
    auto* geom = ZEntityCast<ZGeom>(target);
    if (!geom)
        return;
    V3 p = world;
    if (auto* parent = static_cast<ZGeom*>(geom->FindGeomParent()))
        parent->WorldToLocal(p);
    geom->SetPosition(p);
}

void ZInterpolateBase::Begin()
{
    SetActive(true);
    m_startTime = EngineClockNow();
    m_endPending = false;
    m_running = true;
    Progress::Deliver([this](ZInterpolateBaseListener* l) { l->OnStarted(this); });
}

void ZInterpolateBase::Start()
{
    m_finished = false;
    Begin();
    Apply(0.0f);
    if (m_duration == 0.0)
    {
        SetActive(false);
        return;
    }
    Begin();
}

void ZInterpolateBase::Stop()
{
    Progress::Deliver([this](ZInterpolateBaseListener* l) { l->OnStopped(this); });
    if (m_running)
    {
        // Once per run, whether it ended or was cut short.
        m_running = false;
        RunEndActions();
    }
}

void ZInterpolateBase::ResetFields()
{
    m_t = 0.0f;
    m_duration = 1.0;
    m_running = false;
    m_endPending = false;
    m_releaseSelfAtEnd = false;
    m_releaseTargetAtEnd = false;
    m_deactivateTargetAtEnd = false;
    m_finishAtOne = true;
    m_startTime = double(-1e38f);
    m_easing = nullptr;
}

void ZInterpolateBase::Reset()
{
    ZTransientController::Reset();
    ResetFields();
}

void ZInterpolateBase::Update()
{
    if (TestFlags(kNodePendingDelete))
    {
        m_endPending = true;
        Apply(1.0f);
        return;
    }
    if (m_endPending)
    {
        m_running = false;
        SetActive(false);
        m_endPending = false;
        RunEndActions();
        return;
    }
    const float elapsed = float(EngineClockNow() - m_startTime);
    float t = elapsed / float(m_duration);
    if (t < 0.0f || t != t)
        t = 0.0f;
    if (t > 1.0f)
        t = 1.0f;
    if (m_easing)
        t = m_easing(t);
    Apply(t);
    if (m_finishAtOne && 1.0 - double(t) <= kFinishTolerance)
        Finish();
}

void ZInterpolateBase::Finish()
{
    m_endPending = true;
    FireEnded();
    m_running = false;
    Apply(1.0f);
}

void ZInterpolateBase::RunEndActions()
{
    if (m_deactivateTargetAtEnd && m_target)
        m_target->SetActive(false);
    if (m_releaseTargetAtEnd && m_target)
        m_target->Release();
    if (m_releaseSelfAtEnd)
        ReleaseSelf();
}

void ZInterpolateBase::Apply(float t)
{
    m_t = t;
    ApplyValue(t);
    // Progress reaches listeners even while muted.
    const bool muted = Progress::IsMuted();
    Progress::SetMuted(false);
    Progress::Deliver([this, t](ZInterpolateBaseListener* l) { l->OnProgress(t, this); });
    Progress::SetMuted(muted);
}

ZInterpolateLocalPos* ZInterpolateLocalPos::Create(ZNode* target)
{
    return CreateUnderControllers<ZInterpolateLocalPos>(target);
}

void ZInterpolateLocalPos::ApplyValue(float t)
{
    auto* geom = ZEntityCast<ZGeom>(m_target);
    if (!geom)
        return;
    geom->SetPosition(start * (1.0f - t) + end * t);
}

ZInterpolateWorldPos* ZInterpolateWorldPos::Create(ZNode* target)
{
    return CreateUnderControllers<ZInterpolateWorldPos>(target);
}

void ZInterpolateWorldPos::ApplyValue(float t)
{
    PlaceAtWorldPoint(m_target, start * (1.0f - t) + end * t);
}

void ZInterpolateSpline::ApplyValue(float t)
{
    if (!m_spline || !m_target)
        return;
    PlaceAtWorldPoint(m_target, m_spline->GetPointAt(t));
}

void ZInterpolateSpline::Reset()
{
    m_spline = nullptr;
}

void ZInterpolateDelayBase::Start()
{
    m_delayPassed = false;
    m_remaining = m_delay;
    ZInterpolateBase::Start();
}

void ZInterpolateDelayBase::Update()
{
    if (!m_delayPassed)
    {
        m_remaining -= float(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
        if (m_remaining > 0.0f)
            return;
        m_delayPassed = true;
        m_startTime = EngineClockNow();
    }
    ZInterpolateBase::Update();
}
