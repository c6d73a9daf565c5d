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
    // A new run: the end of the last one may never have been seen (its owner hid the target at
    // the end), and taking it now would stop this run without telling anyone.
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
    // A new run: the end of the last one may never have been seen (its owner hid the target at
    // the end), and taking it now would stop this run without telling anyone.
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
