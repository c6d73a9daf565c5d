#pragma once
// Single-instance check: an exclusive lock on a file named after the game's display name.
// The lock lives as long as the object (the engine keeps it for the process's life); the
// system drops it when the process ends, however it ends.
#include <string>

class ZSingleInstanceLock
{
public:
    enum class Result
    {
        Acquired,    // this is the only instance
        HeldByOther, // another running instance holds the lock: this one should end
        Failed       // the lock file could not be made; the caller decides (the engine starts)
    };

    ZSingleInstanceLock() = default;
    ~ZSingleInstanceLock();
    ZSingleInstanceLock(const ZSingleInstanceLock&) = delete;
    ZSingleInstanceLock& operator=(const ZSingleInstanceLock&) = delete;

    // Takes the lock on folder/<displayName>.lock, creating the folder when missing.
    // Calling it again while holding the lock returns Acquired.
    Result Acquire(const std::string& folder, const std::string& displayName);
    void Release();
    bool IsHeld() const { return m_fd >= 0; }
    const std::string& GetPath() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};
