#pragma once
// Progress bars: controllers that show a fraction on a sprite by scaling it between an empty and
// a full scale (the sprite hides at a fraction of about 0). ZProgressBarTimer turns the bar into a
// countdown on the frame clock and tells its listeners once when the time has run out.
#include <cstdint>

#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZEventProducer.h"
#include "engine/core/ZVector.h"

class ZSprite;
class ZProgressBarTimer;

class ZProgressBar : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZProgressBar, &ZControllerNodeBase::kTypeRecord)

public:
    // A new, active bar, a child of the sprite.
    static ZProgressBar* Create(ZSprite* target);

    void Update() override;
    ZControllerBase* CreateInstance() override { return new ZProgressBar(); }

    // Clamps to [0, 1], scales the sprite and hides it at (nearly) 0.
    void SetValue(float fraction);
    float GetValue() const { return value; }
    // Glides toward `target` at animSpeed fractions per second from the next update on.
    void AnimateTo(float target)
    {
        animTarget = target;
        animating = true;
    }

    float value = 0.0f;
    // Only read while animating; whoever sets animating sets it too.
    float animTarget = 0.0f;
    V2 emptyScale{0.0f, 1.0f};
    V2 fullScale{1.0f, 1.0f};
    bool scaleFill = true;
    bool animating = false;
    float animSpeed = 0.2f;

    // Free for subclasses in the game.
    uint32_t userWord = 0;
    V2 userPair{0.0f, 0.0f};
    uint32_t userCount = 6;
};

// Empty default body.
class IGameProgressBarTimerListener
{
public:
    virtual ~IGameProgressBarTimerListener() = default;
    virtual void OnTimerExpired(ZProgressBarTimer* timer) { (void)timer; }
};

class ZProgressBarTimer : public ZProgressBar, public ZEventProducer<IGameProgressBarTimerListener>
{
    QV_TYPE_RECORD(ZProgressBarTimer, &ZProgressBar::kTypeRecord)

public:
    using Listeners = ZEventProducer<IGameProgressBarTimerListener>;

    // A new, active timer bar on the sprite, paused with the whole duration remaining.
    static ZProgressBarTimer* Create(ZSprite* target, double duration);

    ~ZProgressBarTimer() override;
    void Update() override;
    ZControllerBase* CreateInstance() override { return new ZProgressBarTimer(); }

    // remaining / duration when showing the remaining time, else 1 - that; a duration of 0 or less
    // counts as run out (1 elapsed, 0 remaining).
    float GetDisplayValue() const;

    // Clears expired, lowers remaining to the new duration when larger, shows the fraction.
    virtual void SetDuration(double seconds);
    // The shown fraction stays as it was; remaining scales with the duration.
    virtual void SetDurationKeepFraction(double seconds);
    virtual void Resume() { running = true; }
    virtual void Pause() { running = false; }
    // Full time, running, not expired.
    virtual void Restart();
    // Remaining time changes by `seconds`, kept within [0, duration].
    virtual void AddTime(double seconds);
    // Stops as expired without an event; the sprite keeps its look until the next SetValue.
    virtual void Finish();

    // The node's Release, not the listener list's.
    using Listeners::AddListener;
    using Listeners::RemoveListener;
    using ZNode::Release;

    void SetListenersMuted(bool muted) { Listeners::SetMuted(muted); }
    bool IsRunning() const { return running; }
    bool IsExpired() const { return expired; }
    double GetRemaining() const { return remaining; }
    double GetDuration() const { return duration; }

    uint32_t showRemaining = 0;
    double remaining = 0.0;
    double duration = 0.0;
    // Cleared by Restart; for subclasses.
    double elapsedSpare = 0.0;
    bool running = false;
    bool expired = false;
};
