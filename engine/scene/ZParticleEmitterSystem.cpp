#include "engine/scene/ZParticleEmitterSystem.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZRandom.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"

ZPropertyTempl<float> g_particlesFactor("particles.factor", "Particle System Multiplier",
                                        "Multiply particle counts with this factor", 0, ZProperty::kNoGroup,
                                        1.0f, 1.0f, 0.001f);

namespace
{

ZSerializerRTTI<ZParticleEmitterSystem> s_emitterSerializer;

// Free-list entries are 16-bit indices.
constexpr uint32_t kMaxRecords = 65536;

float U()
{
    return RandomFloat();
}

bool IsEndless(float duration)
{
    return duration < 0.0f;
}

// The area sprite's opacity at a point of its own space; false when it has no textured material,
// which makes the pick count as failed.
bool SampleAreaAlpha(ZGeom* area, const V3& point, float& alpha)
{
    alpha = 0.0f;
    auto* sprite = ZEntityCast<ZSprite>(area);
    ZMaterial* material = sprite ? sprite->GetMaterial() : nullptr;
    if (!material || !material->GetTexture(0))
        return false;
    alpha = sprite->HitTest(V2{point.x, point.y});
    return true;
}

} // namespace

ZParticleEmitterSystem::ZParticleEmitterSystem()
{
    SetRandomDirections(0.0f, 0.0f);
}

ZParticleEmitterSystem::~ZParticleEmitterSystem()
{
    // With listeners muted (shutdown) the area node may be gone without having told us.
    if (m_areaNode && !g_nodeListenersMuted && !ZSceneTree::IsShutdownBegun())
        m_areaNode->RemoveStateListener(this);
    m_areaNode = nullptr;
    ClearTemplates();
    FreeArrays();
}

ZParticleEmitterSystem* ZParticleEmitterSystem::Create()
{
    auto* emitter = new (std::nothrow) ZParticleEmitterSystem();
    if (emitter)
        emitter->Prewarm();
    return emitter;
}

ZSerializerBase* ZParticleEmitterSystem::GetSerializer() const
{
    return &s_emitterSerializer;
}

void ZParticleEmitterSystem::FreeArrays()
{
    delete[] m_records;
    delete[] m_freeList;
    m_records = nullptr;
    m_freeList = nullptr;
    m_capacity = m_liveCount = m_freeCount = m_effective = 0;
}

void ZParticleEmitterSystem::SetCapacity(uint32_t n)
{
    n = std::min(n, kMaxRecords);
    FreeArrays();
    if (n > 0)
    {
        m_records = new SParticleRecord[n];
        m_freeList = new uint16_t[n];
    }
    m_capacity = m_liveCount = n;
    ResetParticles();
}

void ZParticleEmitterSystem::ResetParticles()
{
    for (uint32_t i = 0; i < m_capacity; ++i)
    {
        SParticleRecord& r = m_records[i];
        r.position = V3();
        r.velocity = V3();
        r.spin.SetIdentity();
        r.templateIndex = 255;
        r.flags = 0;
    }
    m_effective = uint32_t(float(m_liveCount) * g_particlesFactor.GetValue());
    m_effective = std::min(m_effective, m_liveCount);
    RebuildFreeList();
}

void ZParticleEmitterSystem::RebuildFreeList()
{
    // Highest index first, so the lowest free index is taken first.
    m_freeCount = 0;
    for (uint32_t i = m_effective; i-- > 0;)
    {
        if (m_records[i].flags == 0)
            m_freeList[m_freeCount++] = uint16_t(i);
    }
}

void ZParticleEmitterSystem::SyncEffectiveCount()
{
    uint32_t effective = uint32_t(float(m_liveCount) * g_particlesFactor.GetValue());
    effective = std::min(effective, m_liveCount);
    if (effective == m_effective)
        return;
    for (uint32_t i = effective; i < m_effective; ++i)
        m_records[i].flags = 0;
    m_effective = effective;
    RebuildFreeList();
}

void ZParticleEmitterSystem::SetParticleCount(uint32_t n)
{
    if (n > m_capacity)
    {
        SetCapacity(n);
        return;
    }
    for (uint32_t i = n; i < m_liveCount; ++i)
        m_records[i].flags = 0;
    m_liveCount = n;
    // Records beyond the old range may have been freed above: always rebuild.
    m_effective = std::min(m_effective, n);
    RebuildFreeList();
    SyncEffectiveCount();
}

void ZParticleEmitterSystem::SetIntensity(float v)
{
    intensity = std::clamp(v, 0.0f, 1.0f);
    SetParticleCount(uint32_t(float(m_capacity) * countFactor * intensity));
}

bool ZParticleEmitterSystem::AddTemplate(ZMaterial* material)
{
    if (m_templateCount >= uint32_t(kMaxTemplates))
        return false;
    ZMaterial*& slot = m_templates[m_templateCount];
    if (slot)
        slot->Release();
    slot = material;
    if (material)
        material->AddRef();
    ++m_templateCount;
    return true;
}

void ZParticleEmitterSystem::ClearTemplates()
{
    for (ZMaterial*& t : m_templates)
    {
        if (t)
            t->Release();
        t = nullptr;
    }
    m_templateCount = 0;
}

void ZParticleEmitterSystem::SetEmitterSegment(const V3& minimumVelocity, const V3& maximumVelocity)
{
    velocityMinimum = minimumVelocity;
    velocityMaximum = maximumVelocity;
    velocitySpread = maximumVelocity - minimumVelocity;
}

void ZParticleEmitterSystem::SetRandomDirections(float a, float b)
{
    spinMinimum = a;
    spinMaximum = b;
    for (M33& entry : m_spinTable)
    {
        const float angle = (a + U() * (b - a)) * 0.016666668f;
        const float c = std::cos(angle), s = std::sin(angle);
        entry.SetIdentity();
        entry.m[0][0] = c;
        entry.m[0][1] = s;
        entry.m[1][0] = -s;
        entry.m[1][1] = c;
    }
}

void ZParticleEmitterSystem::SetForceY(float y)
{
    gravity = V3{0.0f, y, 0.0f};
}

void ZParticleEmitterSystem::SetTemplateNode(ZGeom* node)
{
    if (m_areaNode == node)
        return;
    if (m_areaNode)
        m_areaNode->RemoveStateListener(this);
    m_areaNode = node;
    // Always listened to, so a deleted area node is forgotten before the next emit reads it.
    if (node)
        node->AddStateListener(this);
}

void ZParticleEmitterSystem::FlagsChanged(ZNode* node, uint32_t newFlags, uint32_t oldFlags)
{
    if (node != m_areaNode || !followAreaNode)
        return;
    const bool was = (oldFlags & kNodeActive) != 0;
    const bool is = (newFlags & kNodeActive) != 0;
    if (was && !is)
    {
        emitting = false;
    }
    else if (!was && is && !emitting)
    {
        emitting = true;
        Activate();
    }
}

void ZParticleEmitterSystem::NodeGone(ZNode* node)
{
    if (node != m_areaNode)
        return;
    if (followAreaNode)
        emitting = false;
    m_areaNode = nullptr;
}

void ZParticleEmitterSystem::Activate()
{
    if (!IsActive())
        SetActive(true);
}

void ZParticleEmitterSystem::Deactivate()
{
    if (IsActive())
        SetActive(false);
}

void ZParticleEmitterSystem::Start()
{
    emitting = true;
    age = 0.0f;
    emitRemainder = 0.0f;
    m_emitted = 0;
    const uint32_t live = std::min(uint32_t(float(m_capacity) * intensity * countFactor), m_capacity);
    for (uint32_t i = live; i < m_liveCount; ++i)
        m_records[i].flags = 0;
    m_liveCount = live;
    m_effective = std::min(m_effective, live);
    RebuildFreeList();
    SyncEffectiveCount();
    lastEmitPoint = V3();
    Prewarm();
}

void ZParticleEmitterSystem::Stop()
{
    if (releaseOnStop)
        Release();
}

void ZParticleEmitterSystem::Prewarm()
{
    if (!(prewarmTime > 0.0f) || !(prewarmStep > 0.0f))
        return;
    SyncEffectiveCount();
    const float d = prewarmStep / prewarmTime;
    for (float t = 0.0f; t < prewarmTime; t += prewarmStep)
    {
        EmitForTime(d);
        Advance(d);
    }
}

void ZParticleEmitterSystem::Update()
{
    ZGeom::Update();
    SyncEffectiveCount();
    const float dt = float(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
    age += dt;
    if (emitting)
    {
        EmitForTime(dt);
    }
    else if (GetAliveCount() == 0)
    {
        Deactivate();
    }
    Advance(dt);
    // Also ends a timed emitter whose scaled count is 0: no particle ever dies to end it.
    if (!IsEndless(duration) && GetAliveCount() == 0 && m_emitted >= m_effective)
        Deactivate();
}

void ZParticleEmitterSystem::EmitForTime(float dt)
{
    const uint32_t divisor = rateDivisor > 0 ? uint32_t(rateDivisor) : 1u;
    const uint32_t n = m_effective / divisor;
    if (duration == 0.0f)
    {
        Emit(n);
        return;
    }
    float rate = 0.0f;
    if (IsEndless(duration))
        rate = meanLife > 0.0f ? float(n) / meanLife : 0.0f;
    else
        rate = float(n) / duration;
    const float a = rate * dt + emitRemainder;
    if (!(a >= 0.0f) || a > float(kMaxRecords))
    {
        emitRemainder = 0.0f;
        Emit(a > 0.0f ? kMaxRecords : 0);
        return;
    }
    const float whole = std::trunc(a);
    emitRemainder = a - whole;
    Emit(uint32_t(whole));
}

bool ZParticleEmitterSystem::PickEmitPoint(V3& out)
{
    if (!m_areaNode)
    {
        out = V3();
        LocalToWorld(out);
        return true;
    }
    ZBoundingBox box;
    box.Reset();
    m_areaNode->AccumulateBounds(box);
    bool ok = true;
    V3 p;
    // A node without drawable leaves gives an empty box: its origin stands in.
    if (box.min.x <= box.max.x && box.min.y <= box.max.y && box.min.z <= box.max.z)
    {
        p = box.RandomPoint();
        if (pickByAlpha)
        {
            float alpha = 0.0f;
            if (!SampleAreaAlpha(m_areaNode, p, alpha))
            {
                ok = false;
            }
            else
            {
                for (int32_t tries = 0; alpha < alphaThreshold && tries < pickAttempts; ++tries)
                {
                    p = box.RandomPoint();
                    SampleAreaAlpha(m_areaNode, p, alpha);
                }
            }
        }
    }
    m_areaNode->LocalToWorld(p);
    out = p;
    return ok;
}

void ZParticleEmitterSystem::Emit(uint32_t n)
{
    // A finite emitter never passes its (scaled) count in total.
    if (!IsEndless(duration))
        n = std::min(n, m_effective > m_emitted ? m_effective - m_emitted : 0u);
    V3 p;
    const bool picked = PickEmitPoint(p);
    if (m_emitted == 0)
        lastEmitPoint = p;
    if (n == 1)
    {
        if (picked || !strictPick)
            SpawnAt(p);
    }
    else if (n > 1 && !m_areaNode)
    {
        // A moving emitter leaves an even trail from where it was to where it is.
        const V3 delta = p - lastEmitPoint;
        for (uint32_t i = 0; i < n; ++i)
            SpawnAt(lastEmitPoint + delta * (float(i) / float(n)));
    }
    else if (n > 1)
    {
        for (uint32_t i = 0; i < n; ++i)
        {
            V3 q;
            if (PickEmitPoint(q) || !strictPick)
                SpawnAt(q);
        }
    }
    m_emitted += n;
}

void ZParticleEmitterSystem::SpawnAt(const V3& point)
{
    if (m_freeCount == 0)
        return;
    const uint32_t index = m_freeList[--m_freeCount];
    SParticleRecord& r = m_records[index];
    r.flags = kParticleRecordAlive;
    V3 velocity = velocityMinimum;
    r.size = sizeMinimum + U() * (sizeMaximum - sizeMinimum);
    const float speedPick = sizeToSpeed == 0.0f ? U() : r.size * sizeToSpeed;
    if (velocitySpread.x > 0.0f)
        velocity.x += velocitySpread.x * U();
    if (velocitySpread.y > 0.0f)
        velocity.y += velocitySpread.y * U();
    if (velocitySpread.z > 0.0f)
        velocity.z += velocitySpread.z * U();
    if (speedMaximum > 0.0f)
    {
        velocity.Normalize();
        velocity *= speedMinimum + speedPick * (speedMaximum - speedMinimum);
    }
    r.scale.SetIdentity();
    r.scale.Scale(r.size);
    if (spinMaximum > 0.0f || growthSpread > 0.0f)
    {
        r.spin = m_spinTable[RandomNext() % kSpinTableSize];
        r.growth = growthSpread > 0.0f ? growthBase + growthSpread * U() : 0.0f;
        r.spin.Scale(1.0f + 0.1f * r.growth);
        r.flags |= kParticleRecordSpinning;
    }
    else
    {
        // A record keeps nothing of the particle it held before.
        r.spin.SetIdentity();
        r.growth = 0.0f;
    }
    r.position = point;
    if (jitterX > 0.0f)
        r.position.x += jitterX * (U() - 0.5f);
    if (jitterY > 0.0f)
        r.position.y += jitterY * (U() - 0.5f);
    r.acceleration = gravity;
    if (gravity.Length() != 0.0f)
        r.flags |= kParticleRecordAccelerated;
    r.age = 0.0f;
    r.life = lifeMinimum + U() * (lifeMaximum - lifeMinimum);
    r.templateIndex = m_templateCount >= 2 ? uint8_t(RandomNext() % m_templateCount) : 0;
    LocalToWorldDirection(velocity);
    r.velocity = velocity;
}

void ZParticleEmitterSystem::FreeRecord(uint32_t index)
{
    m_records[index].flags = 0;
    m_freeList[m_freeCount++] = uint16_t(index);
}

void ZParticleEmitterSystem::Advance(float dt)
{
    for (uint32_t i = 0; i < m_effective; ++i)
    {
        SParticleRecord& r = m_records[i];
        if (!(r.flags & kParticleRecordAlive))
            continue;
        r.life -= dt;
        r.age += dt;
        if (r.life < 0.0f)
        {
            FreeRecord(i);
            // A timed emitter is done once its whole count went out and the last one died.
            if (!IsEndless(duration) && GetAliveCount() == 0 && m_emitted >= m_effective)
                Deactivate();
            continue;
        }
        r.position += r.velocity * dt;
        r.velocity += r.acceleration * dt;
        if (drag != 0.0f)
        {
            const float f = std::max(dt * -drag * r.velocity.Length() * 0.1f, -1.0f);
            r.velocity += r.velocity * f;
        }
        r.size = std::max(0.0f, r.size + r.growth * dt);
    }
    V3 origin;
    LocalToWorld(origin);
    lastEmitPoint = origin;
}

void ZParticleEmitterSystem::ApplyPresetA(uint32_t count)
{
    SetParticleCount(count);
    sizeMinimum = 0.1f;
    sizeMaximum = 0.9f;
    lifeMinimum = 0.1f;
    lifeMaximum = 1.5f;
    meanLife = 0.8f;
    drag = 0.1f;
    growthBase = -0.3f;
    growthSpread = -0.05f;
    gravity = V3{0.0f, 600.0f, 0.0f};
    speedMinimum = 0.0f;
    speedMaximum = 0.0f;
    duration = -1.0f;
    drawValues[0] = 0.2f;
}

void ZParticleEmitterSystem::ApplyPresetB(uint32_t count)
{
    SetParticleCount(count);
    speedMinimum = 900.0f;
    speedMaximum = 1900.0f;
    particleSize = V2{64.0f, 64.0f};
    lifeMinimum = 0.8f;
    lifeMaximum = 1.5f;
    meanLife = 1.15f;
    rateDivisor = 10;
    drag = 0.25f;
    sizeMinimum = 0.3f;
    sizeMaximum = 1.0f;
    gravity = V3();
    duration = 0.0f;
}

void ZParticleEmitterSystem::ApplyPresetC(uint32_t count)
{
    SetParticleCount(count);
    sizeMinimum = 0.1f;
    sizeMaximum = 0.3f;
    meanLife = 0.3f;
    gravity = V3();
    speedMinimum = 0.0f;
    speedMaximum = 0.0f;
    growthBase = -0.3f;
    growthSpread = -0.05f;
    pickAttempts = 3;
    lifeMinimum = 0.1f;
    lifeMaximum = 0.5f;
    duration = -1.0f;
    drawValues[0] = 0.1f;
}

bool ZParticleEmitterSystem::GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key)
{
    (void)camera;
    key = ZCamera::ParticleKey(world);
    return true;
}
