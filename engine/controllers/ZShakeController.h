#pragma once
// A shake: the target jumps around its rest position by a random offset that shrinks to nothing
// over the run (and optionally swells its scale); the end of the run, or a stop, puts it back at
// its rest position exactly.
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZVector.h"

class ZShakeController : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZShakeController, &ZInterpolateBase::kTypeRecord)

public:
    ZShakeController();

    // A child of the target, with the defaults, not started.
    static ZShakeController* Create(ZNode* target);

    void Start() override;
    void Stop() override;
    void Reset() override;
    ZControllerBase* CreateInstance() override { return new ZShakeController(); }
    void ApplyValue(float t) override;

    // The target's position when the shake started.
    V4 basePosition;
    float amplitude = 40.0f;
    float scaleAmplitude = 0.1f;

private:
    void SetDefaults();
};
