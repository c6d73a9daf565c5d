#include "engine/controllers/ZHighlight.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/core/ZFrameTimer.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSprite.h"

namespace
{

float Clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}

void Detach(ZNode* node)
{
    if (node && node->GetParent())
        node->GetParent()->RemoveChild(node);
}

} // namespace

ZHighlight::~ZHighlight()
{
    DeleteEmitters();
    m_sprites.DeleteAll(this);
    if (m_sizeSource && m_sizeSource != m_target)
        m_sizeSource->RemoveStateListener(this);
    m_sizeSource = nullptr;
}

void ZHighlight::DeleteEmitters()
{
    for (ZParticleEmitterSystem*& emitter : m_emitters)
    {
        if (!emitter)
            continue;
        emitter->RemoveStateListener(this);
        delete emitter;
        emitter = nullptr;
    }
}

ZHighlight* ZHighlight::Create(ZNode* target)
{
    auto* highlight = new ZHighlight();
    highlight->SetTarget(target);
    highlight->SetSizeSource(target);
    highlight->emission = 50;
    highlight->MakeEmitters();
    return highlight;
}

void ZHighlight::MakeEmitters()
{
    DeleteEmitters();
    for (int i = 0; i < kEmitterCount; ++i)
    {
        ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
        if (!emitter)
            continue;
        char name[32];
        std::snprintf(name, sizeof(name), "highlight_emitter_%i", i);
        emitter->SetName(name);
        emitter->SetActive(false);
        // A short-lived trail of sparks behind each orbiting emitter.
        emitter->SetParticleCount(uint32_t(std::max(emission, 0)));
        emitter->duration = -1.0f;
        emitter->lifeMinimum = 0.3f;
        emitter->lifeMaximum = 0.8f;
        emitter->meanLife = 0.55f;
        emitter->speedMinimum = 0.0f;
        emitter->speedMaximum = 30.0f;
        emitter->gravity = V3();
        emitter->drag = 0.05f;
        emitter->growthBase = -0.5f;
        emitter->particleSize = {16.0f, 16.0f};
        emitter->AddStateListener(this);
        m_emitters[i] = emitter;
    }
}

void ZHighlight::AddTemplateToEmitters(ZMaterial* material)
{
    for (ZParticleEmitterSystem* emitter : m_emitters)
    {
        if (emitter)
            emitter->AddTemplate(material);
    }
}

bool ZHighlight::AddSprite(ZSprite* sprite, float speed)
{
    return m_sprites.Add(sprite, speed, this);
}

void ZHighlight::SetSizeSource(ZNode* node)
{
    if (m_sizeSource && m_sizeSource != m_target)
        m_sizeSource->RemoveStateListener(this);
    m_sizeSource = node;
    if (node)
        node->AddStateListener(this);
}

void ZHighlight::NodeGone(ZNode* node)
{
    ZControllerNodeBase::NodeGone(node);
    if (node == m_sizeSource)
        m_sizeSource = nullptr;
    // Emitters and sprites die with the target while they are its children.
    for (ZParticleEmitterSystem*& emitter : m_emitters)
    {
        if (emitter == node)
            emitter = nullptr;
    }
    m_sprites.Forget(node);
}

V3 ZHighlight::Centre() const
{
    V3 centre;
    if (!m_target || !m_sizeSource || m_sizeSource == m_target)
        return centre;
    if (auto* source = ZEntityCast<ZGeom>(m_sizeSource))
        source->LocalToWorld(centre);
    if (auto* target = ZEntityCast<ZGeom>(m_target))
        target->WorldToLocal(centre);
    return centre;
}

V2 ZHighlight::CurrentSize() const
{
    if (auto* sprite = ZEntityCast<ZSprite>(m_sizeSource))
        return sprite->GetSize();
    return size;
}

void ZHighlight::Start()
{
    const bool placed = m_target && m_sizeSource && m_sizeSource != m_target;
    const V3 centre = Centre();
    for (ZParticleEmitterSystem* emitter : m_emitters)
    {
        if (!emitter || !m_target)
            continue;
        if (emitter->GetParent() != m_target)
            m_target->AddChild(emitter);
        if (emitter->IsActive())
            emitter->Start();
        else
            emitter->SetActive(true);
        if (placed)
            emitter->SetPositionXYZ(centre.x, centre.y, centre.z - 2.0f);
    }
    m_sprites.Attach(m_target, placed, centre);
    m_timer = 0.0f;
    stopNow = false;
}

void ZHighlight::Update()
{
    const double delta = g_frameTimer ? g_frameTimer->frameDelta : 0.0;
    const double now = g_frameTimer ? g_frameTimer->now : 0.0;
    m_timer += float(delta);

    const bool hasEnd = endTime > -1.0f;
    const bool ending = stopNow || (hasEnd && m_timer > endTime);
    float f = 1.0f;
    if (ending)
    {
        for (ZParticleEmitterSystem* emitter : m_emitters)
        {
            if (emitter)
                emitter->emitting = false;
        }
        if (!stopNow)
            f = Clamp01((endTime + 0.5f - m_timer) / 0.5f);
    }
    // Every frame, not only up to 0.2 s: a frame that steps past 0.2 s still ends fully faded in.
    f *= Clamp01(m_timer / 0.2f);
    m_sprites.SetAlpha(f);

    bool emittersDone = true;
    for (ZParticleEmitterSystem* emitter : m_emitters)
    {
        if (emitter && emitter->IsActive())
            emittersDone = false;
    }
    // The particles already out finish their lives before the highlight ends.
    if (emittersDone && (stopNow || (hasEnd && m_timer > endTime + 0.5f)))
    {
        SetActive(false);
        return;
    }

    const V2 s = CurrentSize();
    const float wobble = wobbleAmplitude > 0.0f ? wobbleAmplitude * float(std::sin(now * 15.0)) : 0.0f;
    const bool placed = m_target && m_sizeSource && m_sizeSource != m_target;
    const V3 centre = Centre();
    for (int i = 0; i < kEmitterCount; ++i)
    {
        ZParticleEmitterSystem* emitter = m_emitters[i];
        if (!emitter)
            continue;
        const double angle = double(i) * 2.0943952 + now * double(orbitSpeed);
        const float x = (radiusFactor * s.x + wobble) * float(std::cos(angle));
        const float y = (radiusFactor * s.y + wobble) * float(std::sin(angle));
        if (placed)
            emitter->SetPositionXYZ(centre.x + x, centre.y + y, centre.z - 2.0f);
        else
            emitter->SetPositionXYZ(x, y, 0.0f);
    }
    m_sprites.Turn(now);
}

void ZHighlight::Stop()
{
    for (ZParticleEmitterSystem* emitter : m_emitters)
    {
        if (!emitter)
            continue;
        emitter->SetActive(false);
        Detach(emitter);
    }
    m_sprites.Detach();
    if (releaseSelfOnStop)
        ReleaseSelf();
}
