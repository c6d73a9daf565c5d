#include "engine/scene/ZSpriteParticle.h"

#include <new>

#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMath.h"
#include "engine/core/ZUtil.h"
#include "engine/scene/ZSceneTree.h"

namespace
{

ZSerializerRTTI<ZSpriteParticle> s_spriteParticleSerializer;

constexpr ZNameId kDeleteOnTimeout{"deleteontimeout"};
constexpr ZNameId kInactiveOnTimeout{"inactiveontimeout"};
constexpr ZNameId kHideOnTimeout{"hideontimeout"};
constexpr ZNameId kDeleteOnInactive{"deleteoninactive"};
constexpr ZNameId kAlphaSpeed{"alphaspeed"};
constexpr ZNameId kScaleSpeed{"scalespeed"};
constexpr ZNameId kTimeout{"timeout"};
constexpr ZNameId kRotation{"rotation"};
constexpr ZNameId kAcceleration{"acceleration"};
constexpr ZNameId kVelocity{"velocity"};
constexpr ZNameId kAlpha{"alpha"};

// The pooled objects live in one static block, constructed once and never destroyed.
alignas(ZSpriteParticle) unsigned char s_block[ZSpriteParticle::kPoolSize][sizeof(ZSpriteParticle)];
ZSpriteParticle* s_stack[ZSpriteParticle::kPoolSize];
int s_count = 0;
bool s_built = false;

} // namespace

ZSpriteParticle::ZSpriteParticle() = default;

ZSpriteParticle::~ZSpriteParticle()
{
    delete m_state;
    m_state = nullptr;
}

void ZSpriteParticle::InitPool()
{
    if (s_built)
        return;
    s_built = true;
    s_count = 0;
    for (int i = 0; i < kPoolSize; ++i)
    {
        auto* particle = new (s_block[i]) ZSpriteParticle();
        particle->m_fromPool = true;
        particle->SetFlags(kNodeRecycled);
        particle->ReturnToPool();
    }
}

int ZSpriteParticle::GetPoolFreeCount()
{
    return s_count;
}

ZSpriteParticle* ZSpriteParticle::Allocate()
{
    if (s_count == 0)
        return nullptr;
    ZSpriteParticle* particle = s_stack[--s_count];
    particle->m_pooled = false;
    particle->deleteOnTimeout = particle->hideOnTimeout = false;
    particle->inactiveOnTimeout = particle->deleteOnInactive = false;
    particle->spare = 0;
    particle->SetState(nullptr);
    particle->SetFlags(kNodeRecycled);
    particle->SetActive(true);
    return particle;
}

ZSpriteParticle* ZSpriteParticle::Create()
{
    auto* particle = new (std::nothrow) ZSpriteParticle();
    if (particle)
        particle->m_state = new ZParticleEx();
    return particle;
}

void ZSpriteParticle::ReturnToPool()
{
    // Twice on the stack would hand one object to two owners.
    if (m_pooled || !m_fromPool)
        return;
    m_pooled = true;
    s_stack[s_count++] = this;
    EnterPooledState();
}

void ZSpriteParticle::EnterPooledState()
{
    // Its controllers and other children go with it: they watch a node that is being emptied.
    DestroyChildren();
    if (ZNode* parent = GetParent())
        parent->RemoveChild(this);
    SetMaterial(nullptr);
    SetState(nullptr);
    // Only the recycle bit and the start-up phases survive: a pending-delete, hidden or changed
    // bit kept from the last use would refuse the next release or hide the next use.
    const uint32_t old = GetFlags();
    SetFlagWord(old & (kNodeRecycled | kNodePhase1 | kNodePhase2 | kNodePhase3));
    NotifyFlagsChanged(GetFlags(), old);
}

ZSerializerBase* ZSpriteParticle::GetSerializer() const
{
    return &s_spriteParticleSerializer;
}

void ZSpriteParticle::SetState(ZParticleEx* state)
{
    if (state == m_state)
        return;
    delete m_state;
    m_state = state;
}

void ZSpriteParticle::Update()
{
    ZSprite::Update();
    if (!m_state)
        return;
    if (m_state->running)
        m_state->Step(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
    if (!m_state->running)
    {
        if (hideOnTimeout)
        {
            if (!IsHidden())
                SetHidden(true);
        }
        else if (inactiveOnTimeout)
        {
            if (IsActive())
                SetActive(false);
        }
        else if (deleteOnTimeout)
        {
            Release();
        }
        return;
    }
    V3 position = m_state->position;
    if (auto* parent = static_cast<ZGeom*>(FindGeomParent()))
        parent->WorldToLocal(position);
    m_position = position;
    Invalidate();
    const ZQuaternion& q = m_state->rotation;
    SetOrientationQuat(V4{q.x, q.y, q.z, q.w});
    if (m_state->size.x < kMathTolerance || m_state->size.y < kMathTolerance)
    {
        if (!IsHidden())
            SetHidden(true);
    }
    else
    {
        SetSpriteScale(m_state->size);
    }
    ZSprite::SetAlpha(m_state->alpha);
}

void ZSpriteParticle::CopyFrom(ZNode* source)
{
    ZSprite::CopyFrom(source);
    auto* other = ZEntityCast<ZSpriteParticle>(source);
    if (!other || other == this)
        return;
    SetState(other->m_state ? static_cast<ZParticleEx*>(other->m_state->Clone()) : nullptr);
    deleteOnTimeout = other->deleteOnTimeout;
    hideOnTimeout = other->hideOnTimeout;
    inactiveOnTimeout = other->inactiveOnTimeout;
    deleteOnInactive = other->deleteOnInactive;
    if (m_state)
        m_state->size = other->GetScale();
    SetSpriteScale(other->GetScale());
}

ZNode* ZSpriteParticle::Clone()
{
    auto* copy = new ZSpriteParticle();
    copy->CopyFrom(this);
    return copy;
}

void ZSpriteParticle::Start()
{
    if (m_state)
        m_state->running = true;
}

void ZSpriteParticle::Stop()
{
    if (m_state)
        m_state->running = false;
    if (deleteOnInactive)
        Release();
}

void ZSpriteParticle::SetPositionXYZ(float x, float y, float z)
{
    ZSprite::SetPositionXYZ(x, y, z);
    if (m_state)
        m_state->position = V3{x, y, z};
}

void ZSpriteParticle::SetPosition(const V3& position)
{
    ZSprite::SetPosition(position);
    if (m_state)
        m_state->position = position;
}

void ZSpriteParticle::SetAlpha(float alpha)
{
    if (m_state)
        m_state->alpha = alpha;
    ZSprite::SetAlpha(alpha);
}

float ZSpriteParticle::GetAlpha() const
{
    return m_state ? m_state->alpha : ZSprite::GetAlpha();
}

void ZSpriteParticle::SetVelocity(const V3& v)
{
    if (m_state)
        m_state->SetVelocity(v);
}

void ZSpriteParticle::SetAcceleration(const V3& a)
{
    if (m_state)
        m_state->SetAcceleration(a);
}

void ZSpriteParticle::SetSpin(const ZQuaternion& q)
{
    if (m_state)
        m_state->SetSpin(q);
}

bool ZSpriteParticle::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (id == kDeleteOnTimeout.Value())
        deleteOnTimeout = ParseBool(value);
    else if (id == kInactiveOnTimeout.Value())
        inactiveOnTimeout = ParseBool(value);
    else if (id == kHideOnTimeout.Value())
        hideOnTimeout = ParseBool(value);
    else if (id == kDeleteOnInactive.Value())
        deleteOnInactive = ParseBool(value);
    else if (id == kAlphaSpeed.Value())
    {
        if (m_state)
            m_state->SetAlphaSpeed(ParseFloatWithPi(value));
    }
    else if (id == kScaleSpeed.Value())
    {
        const float s = ParseFloatWithPi(value);
        if (m_state)
            m_state->SetSizeSpeed(V2{s, s});
    }
    else if (id == kTimeout.Value())
    {
        if (m_state)
            m_state->SetTimeout(ParseFloatWithPi(value));
    }
    else if (id == kRotation.Value())
    {
        if (!value)
            return false;
        const V4* axisAngle = SerializedChild<V4>(value);
        ZQuaternion q;
        ZParticle::SetRotationAngle(q, axisAngle->x, axisAngle->y, axisAngle->z, axisAngle->w);
        SetSpin(q);
    }
    else if (id == kAcceleration.Value())
    {
        if (!value)
            return false;
        SetAcceleration(*SerializedChild<V3>(value));
    }
    else if (id == kVelocity.Value())
    {
        if (!value)
            return false;
        SetVelocity(*SerializedChild<V3>(value));
    }
    else if (id == kAlpha.Value())
        SetAlpha(ParseFloatWithPi(value));
    else
        return ZSprite::SetProperty(id, name, value);
    return true;
}
