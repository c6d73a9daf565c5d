#include "engine/controllers/ZInterpolate.h"

#include <map>

#include "engine/controllers/ZInterpolateBase.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"

ZPointerLockFunction g_pointerInputLock = nullptr;

namespace
{

constexpr double kFinishTolerance = 1.0 / 8192.0;

std::map<uint32_t, int>& Channels()
{
    static auto* table = new std::map<uint32_t, int>();
    return *table;
}

V3 Xyz(const V4& v)
{
    return {v.x, v.y, v.z};
}

} // namespace

int ZInterpolate::ChannelCount(ZNameId channel)
{
    auto it = Channels().find(channel.Value());
    return it == Channels().end() ? 0 : it->second;
}

ZInterpolate::~ZInterpolate()
{
    ReleaseRunState();
}

void ZInterpolate::ReleaseRunState()
{
    if (m_holdsLock)
    {
        m_holdsLock = false;
        if (g_pointerInputLock)
            g_pointerInputLock(false);
    }
    if (m_countedOnChannel)
    {
        m_countedOnChannel = false;
        int& count = Channels()[ownChannel.Value()];
        if (count > 0)
            --count;
    }
}

ZInterpolate* ZInterpolate::Create(ZNode* target, const V3& start, const V3& end, float duration)
{
    auto* tween = new ZInterpolate();
    tween->startPosition = {start.x, start.y, start.z, 0.0f};
    tween->endPosition = {end.x, end.y, end.z, 0.0f};
    tween->duration = duration;
    tween->SetTarget(target);
    ZSceneTree::GetInstance()->AddChild(tween);
    tween->SetActive(true);
    return tween;
}

void ZInterpolate::OnTargetSet(ZNode* node)
{
    m_geom = ZEntityCast<ZGeom>(node);
}

void ZInterpolate::NodeGone(ZNode* node)
{
    if (node == m_target)
        m_geom = nullptr;
    ZTransientController::NodeGone(node);
}

bool ZInterpolate::WaitChannelBusy() const
{
    if (waitChannel.IsNone())
        return false;
    int count = ChannelCount(waitChannel);
    // Its own run does not make it wait for itself.
    if (m_countedOnChannel && waitChannel == ownChannel)
        --count;
    return count != 0;
}

void ZInterpolate::Start()
{
    if (!ownChannel.IsNone() && !m_countedOnChannel)
    {
        ++Channels()[ownChannel.Value()];
        m_countedOnChannel = true;
    }
    Apply(0.0f);
    if (duration == 0.0f)
    {
        SetActive(false);
        return;
    }
    if (WaitChannelBusy())
    {
        m_waiting = true;
        return;
    }
    Begin();
}

void ZInterpolate::Begin()
{
    SetActive(true);
    m_startTime = EngineClockNow();
    m_endPending = false;
    if (blocksPointer && !m_holdsLock)
    {
        m_holdsLock = true;
        if (g_pointerInputLock)
            g_pointerInputLock(true);
    }
    const V3 start = Xyz(startPosition);
    Progress::Deliver([this, &start](ZInterpolateListener* l) { l->OnStarted(start, this); });
}

void ZInterpolate::Stop()
{
    // Only what this run took is given back, so another party's lock is never released.
    ReleaseRunState();
    m_waiting = false;
    const V3 end = Xyz(endPosition);
    Progress::Deliver([this, &end](ZInterpolateListener* l) { l->OnStopped(end, this); });
}

void ZInterpolate::Update()
{
    if (TestFlags(kNodePendingDelete))
    {
        m_endPending = true;
        Apply(1.0f);
        return;
    }
    if (m_waiting)
    {
        if (WaitChannelBusy())
            return;
        Begin();
        m_waiting = false;
    }
    if (m_endPending)
    {
        m_finished = true;
        SetActive(false);
        m_endPending = false;
        if (deactivateTargetAtEnd && m_target)
            m_target->SetActive(false);
        if (releaseSelfAtEnd)
            ReleaseSelf();
        return;
    }
    const float elapsed = float(EngineClockNow() - m_startTime);
    float t = duration != 0.0f ? elapsed / duration : 1.0f;
    if (t < 0.0f || t != t)
        t = 0.0f;
    if (t > 1.0f)
        t = 1.0f;
    if (easing)
        t = easing(t);
    Apply(t);
    if (1.0 - double(t) <= kFinishTolerance)
        Finish();
}

void ZInterpolate::Reset()
{
    ZTransientController::Reset();
    // A run in progress gives back what it took before its flags are forgotten.
    ReleaseRunState();
    m_endPending = false;
    releaseSelfAtEnd = false;
    m_waiting = false;
    m_t = 0.0f;
    endPosition = {};
    startPosition = {};
    startScale = {1.0f, 1.0f, 1.0f, 0.0f};
    endScale = startScale;
    duration = 1.0f;
    deactivateTargetAtEnd = false;
    blocksPointer = false;
    worldSpace = false;
    channels = kScale | kPosition;
    m_startTime = -1.0;
    easing = nullptr;
}

void ZInterpolate::Finish()
{
    m_endPending = true;
    FireEnded();
    Apply(1.0f);
}

void ZInterpolate::ApplyScale(float t)
{
    if (!m_geom)
        return;
    m_geom->SetScale(Xyz(startScale) * (1.0f - t) + Xyz(endScale) * t);
}

void ZInterpolate::ApplyPosition(float t)
{
    if (!m_geom)
        return;
    const V3 p = Xyz(startPosition) * (1.0f - t) + Xyz(endPosition) * t;
    if (worldSpace)
        PlaceAtWorldPoint(m_geom, p);
    else
        m_geom->SetPosition(p);
}

void ZInterpolate::Apply(float t)
{
    m_t = t;
    if (channels & kScale)
        ApplyScale(t);
    if (channels & kPosition)
        ApplyPosition(t);
    V3 position;
    if (m_geom)
        m_geom->GetPosition(position);
    const bool muted = Progress::IsMuted();
    Progress::SetMuted(false);
    Progress::Deliver([this, t, &position](ZInterpolateListener* l) { l->OnProgress(t, position, this); });
    Progress::SetMuted(muted);
}
