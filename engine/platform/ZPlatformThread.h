#pragma once
// Thread services below ZThread: ids, names as tools show them, and advisory priorities.
#include <cstdint>
#include <string>

namespace plat
{
// The kernel's id of the calling thread.
uint32_t GetCurrentThreadId();

// Names the calling thread; the system keeps the first 15 bytes.
bool SetCurrentThreadName(const std::string& name);
std::string GetCurrentThreadName();

// Engine thread priorities 0 idle, 1 below normal, 2 normal, 3 above normal, as a change of
// the nice value against the process's own; any other priority counts as normal.
int ThreadPriorityNiceOffset(int priority);
// Applies a priority to a thread of this process. Advisory: raising a priority above the
// process's needs privileges, and is then quietly not done (false).
bool SetThreadPriority(uint32_t threadId, int priority);
} // namespace plat
