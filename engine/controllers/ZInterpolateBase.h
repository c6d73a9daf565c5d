#pragma once
// Interpolators: transient controllers that drive a value from 0 to 1 over a duration of engine
// clock time, optionally through an easing curve, and apply it to their target each frame. A run
// ends when the value comes within 1/8192 of 1: Ended is fired and 1 applied in that frame; the
// interpolator deactivates and runs its end actions (deactivate or release the target, release
// itself) in the next.
#include <cstdint>

#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZEasing.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZVector.h"

class ZInterpolateBase;
class ZSplineNode;

// Empty default bodies.
class ZInterpolateBaseListener
{
public:
    virtual ~ZInterpolateBaseListener() = default;
    virtual void OnProgress(float t, ZInterpolateBase* interpolator) { (void)t, (void)interpolator; }
    virtual void OnStopped(ZInterpolateBase* interpolator) { (void)interpolator; }
    virtual void OnStarted(ZInterpolateBase* interpolator) { (void)interpolator; }
};

// The engine clock's current time (0 before the clock exists).
double EngineClockNow();

class ZInterpolateBase : public ZTransientController, public ZEventProducer<ZInterpolateBaseListener>
{
    QV_TYPE_RECORD(ZInterpolateBase, &ZTransientController::kTypeRecord)

public:
    using Progress = ZEventProducer<ZInterpolateBaseListener>;
    using Transient = ZEventProducer<ZTransientListener>;

    ZInterpolateBase() = default;

    void Update() override;
    // Runs when activated: Apply(0), then the run begins. A duration of exactly 0 deactivates at
    // once: the end actions run, Ended is not fired and 1 is never applied.
    void Start() override;
    // Tells OnStopped; a run cut short runs its end actions.
    void Stop() override;
    void Reset() override;
    // Interpolators begin their run here instead of sending Started.
    void FireStarted() override { Begin(); }

    virtual void Finish();
    virtual void RunEndActions();
    // Stores t, puts the value into the target and tells OnProgress (also while muted).
    virtual void Apply(float t);
    virtual void ApplyValue(float t) = 0;

    void Begin();

    // The node's Release, not the listener list's.
    using Progress::AddListener;
    using Progress::RemoveListener;
    using Transient::AddListener;
    using Transient::RemoveListener;
    using ZNode::Release;

    float GetT() const { return m_t; }
    double GetDuration() const { return m_duration; }
    void SetDuration(double seconds) { m_duration = seconds; }
    bool IsRunning() const { return m_running; }
    bool IsEndPending() const { return m_endPending; }
    double GetStartTime() const { return m_startTime; }
    void SetEasing(ZEaseFunction easing) { m_easing = easing; }
    ZEaseFunction GetEasing() const { return m_easing; }
    void SetReleaseSelfAtEnd(bool on) { m_releaseSelfAtEnd = on; }
    void SetReleaseTargetAtEnd(bool on) { m_releaseTargetAtEnd = on; }
    void SetDeactivateTargetAtEnd(bool on) { m_deactivateTargetAtEnd = on; }
    void SetFinishAtOne(bool on) { m_finishAtOne = on; }
    ZNameId GetTag() const { return m_tag; }
    void SetTag(ZNameId tag) { m_tag = tag; }

protected:
    void ResetFields();

    float m_t = 0.0f;
    double m_duration = 1.0;
    bool m_running = false;
    bool m_endPending = false;
    bool m_releaseSelfAtEnd = false;
    bool m_releaseTargetAtEnd = false;
    bool m_deactivateTargetAtEnd = false;
    bool m_finishAtOne = true;
    double m_startTime = double(-1e38f);
    ZEaseFunction m_easing = nullptr;
    ZNameId m_tag;
};

// Moves the target between two points of its parent's space.
class ZInterpolateLocalPos : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZInterpolateLocalPos, &ZInterpolateBase::kTypeRecord)

public:
    // Targets the node and lives under the scene tree's "controllers" group; the caller sets the
    // points, the duration and the end actions and activates it.
    static ZInterpolateLocalPos* Create(ZNode* target);
    ZControllerBase* CreateInstance() override { return new ZInterpolateLocalPos(); }
    void ApplyValue(float t) override;

    V3 start;
    V3 end;
};

// Moves the target between two world points.
class ZInterpolateWorldPos : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZInterpolateWorldPos, &ZInterpolateBase::kTypeRecord)

public:
    static ZInterpolateWorldPos* Create(ZNode* target);
    ZControllerBase* CreateInstance() override { return new ZInterpolateWorldPos(); }
    void ApplyValue(float t) override;

    V3 start;
    V3 end;
};

// Moves the target along a spline node's curve (a world-space path).
class ZInterpolateSpline : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZInterpolateSpline, &ZInterpolateBase::kTypeRecord)

public:
    ZControllerBase* CreateInstance() override { return new ZInterpolateSpline(); }
    void ApplyValue(float t) override;
    void Reset() override;

    void SetSpline(ZSplineNode* spline) { m_spline = spline; }
    ZSplineNode* GetSpline() const { return m_spline; }

private:
    ZSplineNode* m_spline = nullptr;
};

// An interpolator whose run begins after a delay of frame time.
class ZInterpolateDelayBase : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZInterpolateDelayBase, &ZInterpolateBase::kTypeRecord)

public:
    void Start() override;
    void Update() override;

    void SetDelay(float seconds) { m_delay = seconds; }
    float GetDelay() const { return m_delay; }
    bool IsDelayPassed() const { return m_delayPassed; }

protected:
    float m_delay = 0.0f;
    float m_remaining = 0.0f;
    bool m_delayPassed = false;
};

// Sets a position on a geometric node: a world point is taken into its parent's space.
void PlaceAtWorldPoint(ZNode* target, const V3& world);
