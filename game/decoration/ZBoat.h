#pragma once
// The boat of the sea map: its move controller carries the boat's carrier from one point to the
// next at a set duration, turning the boat's picture towards its heading (a strip of frames over a
// full turn), and tells its listener when a leg starts and ends; its sway controller rocks the boat
// gently about its base, never above or to the right of it.
#include "engine/controllers/ZControllerBase.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZVector.h"

class ZAnimateTexture2D;
class ZBoatMoveController;

// Who sails the boat: the map screen, which plays the boat's sounds and counts the legs.
class IBoatListener
{
public:
    virtual ~IBoatListener() = default;
    virtual void OnBoatLegStarted(ZBoatMoveController* boat) { (void)boat; }
    virtual void OnBoatLegEnded(ZBoatMoveController* boat) { (void)boat; }
};

class ZBoatMoveController : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZBoatMoveController, &ZInterpolateBase::kTypeRecord)

public:
    // The boat sails this many units per second.
    static constexpr float kSpeed = 20.0f;

    ZBoatMoveController();
    // Stopped, on the carrier, turning the animator's frames.
    static ZBoatMoveController* Create(ZNode* carrier, ZAnimateTexture2D* frames, IBoatListener* listener);

    ZControllerBase* CreateInstance() override { return new ZTransientController(); }
    void Start() override;
    void Stop() override;
    void ApplyValue(float t) override;
    // A leg starts only when the map activates the controller itself: waking the boat's carrier
    // with everything in it must not set off the leg that waits there (and stopping it again
    // would report an arrival that never happened). Putting the carrier to sleep stops a leg.
    void SetActiveAll(bool on) override;

    // The leg from start to end (world positions); the duration follows from the distance.
    void SetLeg(const V3& start, const V3& end, const V3& lookAhead);
    // The heading (radians, 0..2 pi) from the start point to the end point.
    float GetHeading() const;
    bool IsLegRunning() const { return m_legRunning; }

    V3 start;
    V3 end;
    V3 lookAhead;
    bool easeIn = false;
    bool easeOut = false;

private:
    ZAnimateTexture2D* m_frames = nullptr;
    IBoatListener* m_listener = nullptr;
    bool m_legRunning = false;
};

class ZBoatSwayController : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZBoatSwayController, &ZControllerNodeBase::kTypeRecord)

public:
    ZBoatSwayController() = default;
    // Active on the boat, its base the boat's position now.
    static ZBoatSwayController* Create(ZNode* boat);

    ZControllerBase* CreateInstance() override { return new ZBoatSwayController(); }
    void Start() override;
    void Update() override;
    // The sway's offset from the base after t seconds: within [-8, 0] in x and in y.
    static V2 Offset(float t);

    V3 base;
    double startTime = 0.0;
};
