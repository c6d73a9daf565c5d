#pragma once
// The engine clock: advances by real milliseconds from the tick counter, survives the 32-bit
// counter's wrap and never steps more than 0.1 s at once, so a stall becomes one short frame.
#include <cstdint>

#include "engine/core/ZProperty.h"

class ZFrameTimer
{
public:
    ZFrameTimer();

    // All times to 0 and the last tick to the counter now.
    void Reset();
    // Reads the counter and advances the clock by the (clamped) time since the last read.
    void Tick();
    // Forgets the time between the last read and now (used when the frame loop starts).
    void Resync();
    void UpdateFrameDelta();

    uint32_t lastTick = 0;
    double now = 0.0;
    double previousFrameTime = 0.0;
    double tickDelta = 0.0;
    double frameDelta = 0.0;
};

extern ZFrameTimer* g_frameTimer;

// The frame loop waits out the rest of each frame to stay under engine.fpslimit frames a second,
// 1 to 9999 (80), while engine.enablefpslimit is on (on). The mixer and the software device pace
// their own waits by it too.
extern ZPropertyBool g_engineEnableFpsLimit;
extern ZPropertyFloat g_engineFpsLimit;
// For tests and benchmarks only ("engine.fixedstep", 0 to 1 s, 0 = real time): the clock advances
// by this many seconds each frame, so a recorded session replays to the same end every run.
extern ZPropertyFloat g_engineFixedStep;
