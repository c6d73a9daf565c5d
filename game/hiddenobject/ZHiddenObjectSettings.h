#pragma once
// The settings the bonus game reads and writes, found by key: the shell and the dive own them, and
// the bonus game sits below the one and beside the other. A key nobody registered reads as its
// default (and a write to it is lost), so the game also runs alone, as in its tests.
#include <cstdint>

namespace hiddenobject
{
// `zelk.hintcharge` (seconds to recharge the hint, default 30).
float HintChargeSeconds();
// `zelk.scrollaccel` (default 60) and `zelk.scrollspeed` (default 5).
float ScrollAcceleration();
float ScrollSpeed();
// `profile.toolbelt` and `profile.relaxmode`.
bool HasToolBelt();
bool IsRelaxMode();
// `profile.treasure` raised by the amount within its range, listeners told.
void AddTreasure(int64_t amount);
// A flag setting by key ("zelk.tip.hiddenobject"): its value, and set to true (listeners told).
bool GetFlag(const char* key);
void SetFlag(const char* key);
} // namespace hiddenobject
