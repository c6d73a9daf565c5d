#include "engine/controllers/ZFlicker.h"

#include <algorithm>
#include <cmath>

#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMath.h"
#include "engine/core/ZRandom.h"
#include "engine/core/ZUtil.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"

namespace
{

float FrameDelta()
{
    return float(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
}

// Active flag on, with Start and OnActivate when it was off (SetActive does exactly that).
void Activate(ZNode* node)
{
    if (node)
        node->SetActive(true);
}

void UnitScale(ZNode* node)
{
    if (auto* geom = ZEntityCast<ZGeom>(node))
        geom->SetScale({1.0f, 1.0f, 1.0f});
}

V4 WorldOrigin(ZNode* node)
{
    V3 p;
    if (auto* geom = ZEntityCast<ZGeom>(node))
        geom->LocalToWorld(p);
    return {p.x, p.y, p.z, 0.0f};
}

} // namespace

// ZFlicker

ZFlicker* ZFlicker::Create(ZNode* target)
{
    auto* flicker = new ZFlicker();
    flicker->SetTarget(target);
    flicker->savedHidden = target && target->IsHidden();
    return flicker;
}

void ZFlicker::ApplyValue(float t)
{
    if (m_target)
        m_target->SetHidden((RandomNext() & 1u) != 0);
    if (t == 1.0f)
        SetActive(false);
}

void ZFlicker::Stop()
{
    // The final step stops the run itself, after the base has marked it over; its end actions
    // would be lost, so they run here.
    const bool ranToEnd = m_endPending;
    ZInterpolateBase::Stop();
    if (m_target)
        m_target->SetHidden(savedHidden);
    if (ranToEnd)
    {
        m_endPending = false;
        RunEndActions();
    }
}

// ZBlink

ZBlink* ZBlink::Create(ZNode* target)
{
    auto* blink = new ZBlink();
    blink->SetTarget(target);
    ZSceneTree::GetInstance()->AddChild(blink);
    Activate(blink);
    return blink;
}

void ZBlink::ShowTarget()
{
    if (!m_target)
        return;
    if (toggleActive)
        m_target->SetActive(true);
    else
        m_target->SetHidden(false);
}

void ZBlink::Start()
{
    remaining = interval;
    ShowTarget();
}

void ZBlink::Stop()
{
    ShowTarget();
}

void ZBlink::Update()
{
    remaining -= FrameDelta();
    if (remaining > 0.0f)
        return;
    remaining += interval;
    if (!m_target)
        return;
    if (toggleActive)
        m_target->SetActive(!m_target->IsActive());
    else
        m_target->SetHidden(!m_target->IsHidden());
}

// Scale effects

ZScaleEffectBase::~ZScaleEffectBase()
{
    if (m_watchedOther)
        m_watchedOther->RemoveStateListener(this);
}

void ZScaleEffectBase::NodeGone(ZNode* node)
{
    if (node == m_watchedOther)
    {
        m_watchedOther = nullptr;
        if (static_cast<ZNode*>(otherNode) == node)
            otherNode = nullptr;
    }
    ZInterpolateBase::NodeGone(node);
}

void ZScaleEffectBase::WatchOther()
{
    if (otherNode == m_watchedOther)
        return;
    if (m_watchedOther)
        m_watchedOther->RemoveStateListener(this);
    m_watchedOther = otherNode;
    if (m_watchedOther)
        m_watchedOther->AddStateListener(this);
}

V2 ZScaleEffectBase::MatchScale()
{
    V2 scale{1.0f, 1.0f};
    auto* geom = ZEntityCast<ZGeom>(m_target);
    if (!geom || !otherNode)
        return scale;
    ZBoundingBox box;
    box.Reset();
    geom->AccumulateBounds(box);
    const V2 shown = otherNode->GetScaledSize();
    // An empty or flat box has no size to match on that axis.
    if (box.size.x > kMathTolerance)
        scale.x = shown.x / box.size.x;
    if (box.size.y > kMathTolerance)
        scale.y = shown.y / box.size.y;
    return scale;
}

void ZScaleEffectBase::ApplyScaleAndPosition(float sx, float sy, float t)
{
    auto* geom = ZEntityCast<ZGeom>(m_target);
    if (!geom)
        return;
    M33 rows;
    rows.SetRow(0, {sx, 0.0f, 0.0f});
    rows.SetRow(1, {0.0f, sy, 0.0f});
    rows.SetRow(2, {0.0f, 0.0f, 1.0f});
    geom->SetOrientation(rows);
    geom->InvalidateAndNotify();
    const float u = 1.0f - t;
    PlaceAtWorldPoint(geom, {startPosition.x * u + endPosition.x * t, startPosition.y * u + endPosition.y * t,
                             startPosition.z * u + endPosition.z * t});
}

void ZScaleEffectBase::PlaceAt(const V4& position)
{
    PlaceAtWorldPoint(m_target, {position.x, position.y, position.z});
}

// ZScaleInto

ZScaleInto* ZScaleInto::Create(ZNode* target)
{
    auto* effect = new ZScaleInto();
    effect->SetTarget(target);
    effect->otherNode = nullptr;
    return effect;
}

void ZScaleInto::Reset()
{
    ZInterpolateBase::Reset();
    startPosition = {};
    endPosition = {};
    m_duration = 0.6;
    fadeFraction = 0.2f;
    m_easing = &EaseOutCubicQuartic;
}

void ZScaleInto::Start()
{
    Activate(m_target);
    WatchOther();
    endScale = MatchScale();
    startPosition = WorldOrigin(m_target);
    endPosition = otherNode ? WorldOrigin(otherNode) : startPosition;
    endPosition.z = startPosition.z;
    ZInterpolateBase::Start();
}

void ZScaleInto::ApplyValue(float t)
{
    if (!m_target)
        return;
    ApplyScaleAndPosition(endScale.x + (1.0f - endScale.x) * (1.0f - t),
                          endScale.y + (1.0f - endScale.y) * (1.0f - t), t);
    // The last step is exactly transparent (cameras skip alpha 0), whatever the rounding.
    float f = 1.0f;
    if (t < 1.0f && fadeFraction > 0.0f)
        f = ClampFloat(ClampFloat(t - (1.0f - fadeFraction), 0.0f, 1.0f) / fadeFraction, 0.0f, 1.0f);
    else if (t < 1.0f)
        f = 0.0f;
    SetChildrenAlpha(m_target, 1.0f - f);
}

void ZScaleInto::Stop()
{
    ZInterpolateBase::Stop();
    if (!m_target)
        return;
    PlaceAt(startPosition);
    m_target->SetActive(false);
    UnitScale(m_target);
}

// ZScaleOutFrom

ZScaleOutFrom* ZScaleOutFrom::Create(ZNode* target)
{
    auto* effect = new ZScaleOutFrom();
    effect->SetTarget(target);
    effect->otherNode = nullptr;
    return effect;
}

void ZScaleOutFrom::Reset()
{
    ZInterpolateBase::Reset();
    startPosition = {};
    endPosition = {};
    m_duration = 0.6;
    fadeFraction = 0.4f;
    m_easing = &EaseOutCubicQuartic;
}

void ZScaleOutFrom::Start()
{
    Activate(m_target);
    WatchOther();
    startScale = MatchScale();
    endPosition = WorldOrigin(m_target);
    startPosition = otherNode ? WorldOrigin(otherNode) : endPosition;
    startPosition.z = endPosition.z;
    ZInterpolateBase::Start();
}

void ZScaleOutFrom::ApplyValue(float t)
{
    if (!m_target)
        return;
    ApplyScaleAndPosition(startScale.x + (1.0f - startScale.x) * t, startScale.y + (1.0f - startScale.y) * t,
                          t);
    const float a = fadeFraction > 0.0f ? ClampFloat(t / fadeFraction, 0.0f, 1.0f) : 1.0f;
    SetChildrenAlpha(m_target, a);
}

void ZScaleOutFrom::Stop()
{
    ZInterpolateBase::Stop();
    if (!m_target)
        return;
    UnitScale(m_target);
    PlaceAt(endPosition);
}

// ZPulsateController

ZPulsateController* ZPulsateController::Create(ZSprite* target)
{
    auto* pulsate = new ZPulsateController();
    if (target)
        target->AddChild(pulsate);
    pulsate->SetTarget(target);
    Activate(pulsate);
    return pulsate;
}

void ZPulsateController::Start()
{
    elapsed = 0.0f;
    scalePhase = 0.0f;
    alphaPhase = 0.0f;
}

void ZPulsateController::Stop()
{
    if (m_target)
        UnitScale(m_target);
}

namespace
{

void BlendToward(float& value, float target, float dt, float blendTime)
{
    if (value == target)
        return;
    value += (target - value) * dt / blendTime;
    if (std::fabs(target - value) < kMathTolerance)
        value = target;
}

} // namespace

void ZPulsateController::Update()
{
    const float dt = FrameDelta();
    elapsed += dt;
    scalePhase += scaleSpeed * dt;
    alphaPhase += alphaSpeed * dt;
    BlendToward(scaleOffset, scaleOffsetTarget, dt, offsetBlendTime);
    BlendToward(alphaOffset, alphaOffsetTarget, dt, offsetBlendTime);
    auto* geom = ZEntityCast<ZGeom>(m_target);
    if (!geom)
        return;
    const float s = std::sin(scalePhase + scaleOffset) * scaleAmplitude + scaleBase;
    geom->SetScale({s, s, s});
    if (fadeTime > 0.0f)
        fadeRemaining = std::max(fadeRemaining - dt, 0.0f);
    // A fade needs a length; fadeRemaining alone would divide by nothing.
    const bool fading = fadeRemaining >= 0.0f && fadeTime > 0.0f;
    if (alphaAmplitude > 0.0f || fading)
    {
        float a = ClampFloat(std::sin(alphaPhase + alphaOffset) * alphaAmplitude + alphaBase, 0.0f, 1.0f) *
                  alphaFactor;
        if (fading)
            a *= fadeRemaining / fadeTime;
        if (auto* sprite = ZEntityCast<ZSprite>(m_target))
            sprite->SetAlpha(a);
    }
}

// ZPulseController

ZPulseController* ZPulseController::Create(ZNode* target)
{
    auto* pulse = new ZPulseController();
    ZSceneTree::GetInstance()->AddChild(pulse);
    pulse->SetTarget(target);
    return pulse;
}

void ZPulseController::SetTarget(ZNode* node)
{
    SetActive(false);
    ZTransientController::SetTarget(node);
}

void ZPulseController::Start()
{
    ZTransientController::Start();
    velocity = kick;
    displacement = 0.0f;
    acceleration = 0.0f;
    elapsed = 0.0f;
}

void ZPulseController::Stop()
{
    if (m_target)
        UnitScale(m_target);
}

void ZPulseController::Update()
{
    const float dt = FrameDelta();
    elapsed += dt;
    // The time limit is checked first but acted on after the step, so that Stop's scale 1 is the
    // last one written.
    const bool timedOut = elapsed >= maxDuration;
    const float h = std::min(dt, maxStep);
    acceleration = -(stiffness / mass) * displacement - (damping / mass) * velocity;
    velocity += acceleration * h;
    displacement += velocity * h;
    const float s = 1.0f + displacement;
    if (auto* geom = ZEntityCast<ZGeom>(m_target))
        geom->SetScale({s, s, s});
    if (timedOut || (std::fabs(displacement) <= kMathTolerance && std::fabs(velocity) < kMathTolerance &&
                     std::fabs(acceleration) < kMathTolerance))
        SetActive(false);
}

// ZFlash

ZFlash::ZFlash()
{
    SetUpEmitter();
}

ZFlash::~ZFlash()
{
    DeleteEmitter();
}

void ZFlash::DeleteEmitter()
{
    if (!emitter)
        return;
    emitter->RemoveStateListener(this);
    // Detached first: the parent it was drawn under must not keep a pointer to it.
    if (emitter->GetParent())
        emitter->GetParent()->RemoveChild(emitter);
    delete emitter;
    emitter = nullptr;
}

void ZFlash::SetUpEmitter()
{
    DeleteEmitter();
    emitter = ZParticleEmitterSystem::Create();
    if (!emitter)
        return;
    emitter->SetActive(false);
    emitter->SetParticleCount(350);
    emitter->drag = 0.03f;
    emitter->speedMinimum = 0.0f;
    emitter->speedMaximum = 100.0f;
    emitter->growthBase = -0.5f;
    emitter->growthSpread = -0.05f;
    emitter->gravity = V3();
    emitter->drawValues[1] = 0.05f;
    emitter->duration = 0.4f * lifetime;
    emitter->lifeMinimum = lifetime;
    emitter->lifeMaximum = 1.3f * lifetime;
    emitter->meanLife = 1.15f * lifetime;
    emitter->pickByAlpha = true;
    emitter->strictPick = false;
    // Its parent (the target's) may delete it: the flash hears of that and forgets it.
    emitter->AddStateListener(this);
}

ZFlash* ZFlash::Create(ZSprite* target, ZMaterial* particleTemplate)
{
    auto* flash = new ZFlash();
    flash->SetTarget(target);
    flash->fadeIn = false;
    if (flash->emitter && particleTemplate)
        flash->emitter->AddTemplate(particleTemplate);
    ZSceneTree::GetInstance()->AddChild(flash);
    Activate(flash);
    return flash;
}

void ZFlash::Reset()
{
    ZTransientController::Reset();
    fadeIn = false;
    lifetime = 0.4f;
    fadeTime = 0.25f;
    done = false;
    releaseWhenStopped = false;
    SetUpEmitter();
}

void ZFlash::NodeGone(ZNode* node)
{
    ZTransientController::NodeGone(node);
    if (node == emitter)
        emitter = nullptr;
}

void ZFlash::Start()
{
    ZTransientController::Start();
    done = false;
    auto* sprite = ZEntityCast<ZSprite>(m_target);
    if (emitter)
    {
        emitter->SetActive(false);
        emitter->SetTemplateNode(ZEntityCast<ZGeom>(m_target));
    }
    if (m_target && fadeIn)
        m_target->SetActive(true);
    if (sprite)
        sprite->SetAlpha(fadeIn ? 0.0f : 1.0f);
    // Beside the target, not below it, so the burst is not faded with it. A target without a
    // parent gets no burst.
    ZNode* parent = m_target ? m_target->GetParent() : nullptr;
    if (emitter && parent)
    {
        emitter->SetActive(true);
        if (emitter->GetParent() != parent)
            parent->AddChild(emitter);
    }
    startTime = float(g_frameTimer ? g_frameTimer->now : 0.0);
}

void ZFlash::Update()
{
    const float now = float(g_frameTimer ? g_frameTimer->now : 0.0);
    const float e = now - float(startTime);
    auto* sprite = ZEntityCast<ZSprite>(m_target);
    const bool burstOver = !emitter || !emitter->IsActive();
    if (fadeIn)
    {
        // Up to full alpha at the fade's end, also when a frame steps past it.
        if (sprite)
            sprite->SetAlpha(fadeTime > 0.0f ? std::clamp(e / fadeTime, 0.0f, 1.0f) : 1.0f);
        if (e >= fadeTime && burstOver)
            SetActive(false);
        return;
    }
    const float fadeStart = lifetime - fadeTime;
    if (sprite && e > fadeStart)
        sprite->SetAlpha(fadeTime > 0.0f ? 1.0f - std::clamp((e - fadeStart) / fadeTime, 0.0f, 1.0f) : 0.0f);
    if (burstOver)
        SetActive(false);
}

void ZFlash::Stop()
{
    if (emitter && emitter->GetParent())
        emitter->GetParent()->RemoveChild(emitter);
    if (m_target)
    {
        m_target->SetActive(fadeIn);
        if (auto* sprite = ZEntityCast<ZSprite>(m_target))
            sprite->SetAlpha(1.0f);
    }
    if (releaseWhenStopped)
        ReleaseSelf();
}
