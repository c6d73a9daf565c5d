#pragma once
// Tick counter, sleep and yield. The tick source is replaceable so that tests can drive
// the engine's clock by hand (wrap-around included).
#include <cstdint>

namespace plat
{
using TickSource = uint32_t (*)();

// Milliseconds from a monotonic clock, as an unsigned 32-bit value that wraps.
uint32_t GetTickCount();
// Replaces the tick source; nullptr restores the monotonic clock.
void SetTickSource(TickSource source);

void Sleep(uint32_t milliseconds);
// Sleep(0): give the rest of the time slice to another thread.
void Yield();
} // namespace plat
