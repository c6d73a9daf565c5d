#include "engine/core/ZFrameTimer.h"

#include "engine/platform/ZPlatformTime.h"

ZFrameTimer* g_frameTimer = nullptr;

ZPropertyBool g_engineEnableFpsLimit("engine.enablefpslimit", "Enable FPSLimit", "Enable FPSLimit", 2,
                                     ZProperty::kNoGroup, true);
ZPropertyFloat g_engineFpsLimit("engine.fpslimit", "Set fpslimit", "Set fpslimit", 2, ZProperty::kNoGroup,
                                80.0f, 9999.0f, 1.0f);

// Never saved, never shown to players.
ZPropertyFloat g_engineFixedStep("engine.fixedstep", "Fixed frame step",
                                 "Seconds the clock advances each frame; 0 follows real time", 0, ZProperty::kNoGroup,
                                 0.0f, 1.0f, 0.0f);

ZFrameTimer::ZFrameTimer()
{
    lastTick = plat::GetTickCount();
}

void ZFrameTimer::Reset()
{
    lastTick = plat::GetTickCount();
    now = previousFrameTime = tickDelta = frameDelta = 0.0;
}

void ZFrameTimer::Resync()
{
    lastTick = plat::GetTickCount();
}

void ZFrameTimer::Tick()
{
    const uint32_t ticks = plat::GetTickCount();
    // The difference is taken as a signed 32-bit value; a negative one means the counter wrapped.
    int64_t diff = int32_t(ticks - lastTick);
    if (diff < 0)
        diff += int64_t(1) << 32;
    double delta = double(diff) / 1000.0;
    if (g_engineFixedStep.GetValue() > 0.0f)
        delta = double(g_engineFixedStep.GetValue());
    const double maxStep = double(0.1f);
    if (delta > maxStep)
        delta = maxStep;
    tickDelta = delta;
    now += delta;
    lastTick = ticks;
}

void ZFrameTimer::UpdateFrameDelta()
{
    frameDelta = now - previousFrameTime;
    previousFrameTime = now;
}
