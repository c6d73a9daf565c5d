#pragma once
// A self-contained tween of a geometric node's position and scale. Channels let one tween wait
// for others: a tween counts as busy on its own channel while it runs, and one with a wait
// channel starts only in the first frame in which nobody runs on that channel.
#include <cstdint>

#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZEasing.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZVector.h"

class ZGeom;
class ZInterpolate;

// Empty default bodies.
class ZInterpolateListener
{
public:
    virtual ~ZInterpolateListener() = default;
    virtual void OnProgress(float t, const V3& position, ZInterpolate* tween)
    {
        (void)t, (void)position, (void)tween;
    }
    virtual void OnStopped(const V3& position, ZInterpolate* tween) { (void)position, (void)tween; }
    virtual void OnStarted(const V3& position, ZInterpolate* tween) { (void)position, (void)tween; }
};

// The pointer's input lock: +1 with true, -1 with false. The user interface installs it when its
// pointer exists; until then locking does nothing.
using ZPointerLockFunction = void (*)(bool lock);
extern ZPointerLockFunction g_pointerInputLock;

class ZInterpolate : public ZTransientController, public ZEventProducer<ZInterpolateListener>
{
    QV_TYPE_RECORD(ZInterpolate, &ZTransientController::kTypeRecord)

public:
    enum EChannels : uint8_t
    {
        kScale = 0x1,
        kPosition = 0x2,
    };
    using Progress = ZEventProducer<ZInterpolateListener>;
    using Transient = ZEventProducer<ZTransientListener>;

    ZInterpolate() = default;
    // A tween deleted while it runs gives back its pointer lock and its channel count.
    ~ZInterpolate() override;

    // A running tween of the target from start to end, living under the scene tree's
    // "controllers" group.
    static ZInterpolate* Create(ZNode* target, const V3& start, const V3& end, float duration);

    ZControllerBase* CreateInstance() override { return new ZInterpolate(); }
    void Start() override;
    void Stop() override;
    void Update() override;
    // The defaults again, except the listeners and the two channels; clears finished.
    void Reset() override;
    void FireStarted() override { Begin(); }
    void OnTargetSet(ZNode* node) override;
    void NodeGone(ZNode* node) override;

    virtual void ApplyScale(float t);
    virtual void ApplyPosition(float t);
    virtual void Finish();
    virtual void Apply(float t);

    void Begin();

    // The node's Release, not the listener list's.
    using Progress::AddListener;
    using Progress::RemoveListener;
    using Transient::AddListener;
    using Transient::RemoveListener;
    using ZNode::Release;

    // Running tweens on a channel.
    static int ChannelCount(ZNameId channel);

    ZGeom* GetGeomTarget() const { return m_geom; }
    float GetT() const { return m_t; }
    bool IsWaiting() const { return m_waiting; }
    bool IsEndPending() const { return m_endPending; }
    bool HoldsPointerLock() const { return m_holdsLock; }
    double GetStartTime() const { return m_startTime; }

    V4 endPosition;
    V4 startPosition;
    V4 startScale{1.0f, 1.0f, 1.0f, 0.0f};
    V4 endScale{1.0f, 1.0f, 1.0f, 0.0f};
    float duration = 1.0f;
    bool releaseSelfAtEnd = false;
    bool deactivateTargetAtEnd = false;
    bool blocksPointer = false;
    bool worldSpace = false;
    uint8_t channels = kScale | kPosition;
    ZEaseFunction easing = nullptr;
    ZNameId ownChannel;
    ZNameId waitChannel;

private:
    bool WaitChannelBusy() const;
    void ReleaseRunState();

    bool m_endPending = false;
    bool m_waiting = false;
    ZGeom* m_geom = nullptr;
    float m_t = 0.0f;
    double m_startTime = -1.0;
    // What this run took and must give back.
    bool m_holdsLock = false;
    bool m_countedOnChannel = false;
};
