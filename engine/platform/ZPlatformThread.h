#pragma once
// Thread services below ZThread: ids, names as tools show them, advisory priorities, and the
// interface through which the engine lends its worker threads to the layer.
#include <cstdint>
#include <functional>
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

// Runs a number of independent jobs at once on threads the engine made, the calling thread taking
// part, and returns when every job is done. The layer itself starts no threads: the engine hands
// it an implementation.
class IParallelRunner
{
public:
    // Threads that take jobs, the calling one included.
    virtual int GetThreadCount() const = 0;
    // Calls job(0) .. job(count - 1), each once, in any order and on any of the threads.
    virtual void Run(int count, const std::function<void(int)>& job) = 0;

protected:
    ~IParallelRunner() = default;
};
} // namespace plat
