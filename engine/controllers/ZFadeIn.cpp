#include "engine/controllers/ZFadeIn.h"

#include "engine/scene/ZSprite.h"

namespace
{

template <class F> F* CreateActive(ZNode* target)
{
    auto* fade = new F();
    fade->SetTarget(target);
    fade->SetActive(true);
    return fade;
}

} // namespace

ZFadeIn* ZFadeIn::Create(ZNode* target)
{
    return CreateActive<ZFadeIn>(target);
}

void ZFadeIn::Reset()
{
    ZInterpolateBase::Reset();
    // The single-precision 0.3 the fade has always run for.
    m_duration = double(0.3f);
    m_easing = &EaseOutCubicQuartic;
}

void ZFadeIn::Start()
{
    m_finished = false;
    // An end left pending by a run whose node went inactive before its next update would
    // otherwise stop this run at its first update without telling anyone it ended.
    m_endPending = false;
    SetChildrenAlpha(m_target, 0.0f);
}

void ZFadeIn::Stop()
{
    SetChildrenAlpha(m_target, 1.0f);
}

void ZFadeIn::ApplyValue(float t)
{
    SetChildrenAlpha(m_target, t);
}

ZFadeOut* ZFadeOut::Create(ZNode* target)
{
    return CreateActive<ZFadeOut>(target);
}

void ZFadeOut::Reset()
{
    ZInterpolateBase::Reset();
    m_duration = 0.5;
    m_easing = &EaseOutCubicQuartic;
}

void ZFadeOut::Start()
{
    m_finished = false;
    m_endPending = false;
    SetChildrenAlpha(m_target, 1.0f);
}

void ZFadeOut::Stop()
{
    SetChildrenAlpha(m_target, 1.0f);
}

void ZFadeOut::ApplyValue(float t)
{
    SetChildrenAlpha(m_target, 1.0f - t);
}
