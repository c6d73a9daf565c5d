#include "engine/platform/ZSingleInstanceLock.h"

#include "engine/platform/ZPlatformFolders.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

ZSingleInstanceLock::~ZSingleInstanceLock()
{
    Release();
}

ZSingleInstanceLock::Result ZSingleInstanceLock::Acquire(const std::string& folder,
                                                         const std::string& displayName)
{
    if (m_fd >= 0)
        return Result::Acquired;
    if (folder.empty() || displayName.empty() || !plat::CreateFolders(folder))
        return Result::Failed;
    std::string name = displayName;
    for (char& c : name)
        if (c == '/')
            c = '_';
    m_path = folder;
    if (m_path.back() != '/')
        m_path += '/';
    m_path += name + ".lock";

    // Close-on-exec: a program started from the game (the browser opened by a link) must not
    // inherit the lock and keep it after the game has ended.
    const int fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return Result::Failed;
    int rc;
    do
        rc = flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0)
    {
        const bool busy = errno == EWOULDBLOCK;
        close(fd);
        return busy ? Result::HeldByOther : Result::Failed;
    }
    m_fd = fd;
    // The holder's process id, for a person looking at the file; nothing reads it back.
    const std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(fd, 0) == 0)
    {
        const ssize_t written = pwrite(fd, pid.data(), pid.size(), 0);
        (void)written;
    }
    return Result::Acquired;
}

void ZSingleInstanceLock::Release()
{
    if (m_fd < 0)
        return;
    flock(m_fd, LOCK_UN);
    close(m_fd);
    m_fd = -1;
}
