#include "engine/controllers/ZProgressBar.h"

#include <cmath>

#include "engine/core/ZFrameTimer.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"

namespace
{

constexpr float kZero = 1.0f / 8192.0f;

double FrameDelta()
{
    return g_frameTimer ? g_frameTimer->frameDelta : 0.0;
}

// The bar never shows a scale beyond 1, and one within 1/8192 of it is exactly 1.
float SnapToOne(float s)
{
    return std::fabs(s) > 1.0f - kZero ? 1.0f : s;
}

} // namespace

// ZProgressBar

ZProgressBar* ZProgressBar::Create(ZSprite* target)
{
    auto* bar = new ZProgressBar();
    bar->userWord = 0;
    ZSceneTree::GetInstance()->AddChild(bar);
    bar->SetTarget(target);
    bar->SetActive(true);
    return bar;
}

void ZProgressBar::SetValue(float fraction)
{
    // NaN lands on 0 too: the comparisons below must never see it.
    float v = fraction > 0.0f ? fraction : 0.0f;
    if (v > 1.0f)
        v = 1.0f;
    value = v;

    auto* sprite = ZEntityCast<ZSprite>(m_target);
    if (sprite)
    {
        if (v <= kZero)
            sprite->SetSpriteScale({0.0001f, 0.0001f});
        else if (scaleFill)
        {
            const float sx = emptyScale.x * (1.0f - v) + fullScale.x * v;
            const float sy = emptyScale.y * (1.0f - v) + fullScale.y * v;
            sprite->SetSpriteScale({SnapToOne(sx), SnapToOne(sy)});
        }
    }
    if (m_target)
    {
        if (value < kZero && !m_target->IsHidden())
            m_target->SetHidden(true);
        else if (value > kZero && m_target->IsHidden())
            m_target->SetHidden(false);
    }
}

void ZProgressBar::Update()
{
    if (!animating || animTarget == value)
        return;
    const float d = animTarget - value;
    float step = (d > 0.0f ? 1.0f : -1.0f) * animSpeed * float(FrameDelta());
    if (std::fabs(step) > std::fabs(d))
        step = d;
    SetValue(value + step);
    if (std::fabs(animTarget - value) < kZero)
    {
        SetValue(animTarget);
        animating = false;
    }
}

// ZProgressBarTimer

ZProgressBarTimer* ZProgressBarTimer::Create(ZSprite* target, double seconds)
{
    auto* timer = new ZProgressBarTimer();
    ZSceneTree::GetInstance()->AddChild(timer);
    timer->SetTarget(target);
    timer->SetDuration(seconds);
    timer->Restart();
    timer->showRemaining = 0;
    timer->Pause();
    timer->SetActive(true);
    return timer;
}

ZProgressBarTimer::~ZProgressBarTimer() = default;

float ZProgressBarTimer::GetDisplayValue() const
{
    // Without a duration there is no time to count: the bar shows the time as run out rather
    // than pass a NaN on to the sprite's scale.
    if (!(duration > 0.0))
        return showRemaining ? 0.0f : 1.0f;
    const double r = remaining / duration;
    return float(showRemaining ? r : 1.0 - r);
}

void ZProgressBarTimer::Update()
{
    if (!running)
        return;
    if (remaining > 0.0)
    {
        SetValue(GetDisplayValue());
        remaining -= FrameDelta();
        return;
    }
    remaining = 0.0;
    running = false;
    expired = true;
    SetValue(GetDisplayValue());
    Listeners::Deliver([this](IGameProgressBarTimerListener* l) { l->OnTimerExpired(this); });
}

void ZProgressBarTimer::SetDuration(double seconds)
{
    expired = false;
    duration = seconds;
    if (remaining > duration)
        remaining = duration;
    SetValue(GetDisplayValue());
}

void ZProgressBarTimer::SetDurationKeepFraction(double seconds)
{
    const float f = GetDisplayValue();
    SetDuration(seconds);
    remaining = (showRemaining ? double(f) : 1.0 - double(f)) * duration;
}

void ZProgressBarTimer::Restart()
{
    running = true;
    remaining = duration;
    expired = false;
    elapsedSpare = 0.0;
}

void ZProgressBarTimer::AddTime(double seconds)
{
    double r = remaining + seconds;
    if (r > duration)
        r = duration;
    if (r < 0.0)
        r = 0.0;
    remaining = r;
}

void ZProgressBarTimer::Finish()
{
    running = false;
    expired = true;
    remaining = showRemaining ? duration : 0.0;
}
