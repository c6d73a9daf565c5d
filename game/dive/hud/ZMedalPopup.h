#pragma once
// The short presentation of a medal on the board: the medal swells in, lifts a little, then fades
// and shrinks away and its node hides. The board's hint layer makes one on the medal's sprite.
#include "engine/controllers/ZInterpolateBase.h"

class ZMedalPopup : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZMedalPopup, &ZInterpolateBase::kTypeRecord)

public:
    static constexpr double kDuration = 1.35;
    // How far the medal rises to its target point, and where it comes from and goes to.
    static constexpr float kLift = 18.0f;
    static constexpr float kRiseIn = -30.0f;
    static constexpr float kRiseOut = 60.0f;

    // A popup without a target, under the scene tree's controllers; not started.
    static ZMedalPopup* Create();
    ZMedalPopup() { Reset(); }
    ZControllerBase* CreateInstance() override { return new ZMedalPopup(); }

    // Start point (x, y, -200); target point 18 units above it; the origin (where it swells in
    // from) a little below and the end point (where it fades away to) above.
    void SetStartPosition(float x, float y);
    void Start() override;
    void Stop() override;
    void Reset() override;
    void ApplyValue(float t) override;

    int GetStage() const { return m_stage; }
    const V4& GetStartPoint() const { return m_start; }
    const V4& GetTargetPoint() const { return m_targetPoint; }

private:
    void Place(const V4& p, float scale);

    int m_stage = 0;
    V4 m_origin;
    V4 m_start;
    V4 m_targetPoint;
    V4 m_end;
};
