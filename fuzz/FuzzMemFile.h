#pragma once
// Fuzz inputs that the engine reads by path: an anonymous in-memory file reached as
// "/proc/self/fd/<n>", so no harness leaves anything in a shared temporary folder.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz
{
class MemFile
{
public:
    MemFile(const uint8_t* data, size_t size)
    {
        m_fd = memfd_create("qvfuzz", MFD_CLOEXEC);
        if (m_fd < 0)
            return;
        size_t done = 0;
        while (done < size)
        {
            const ssize_t n = write(m_fd, data + done, size - done);
            if (n <= 0)
                break;
            done += size_t(n);
        }
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    ~MemFile()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;
    bool Ok() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};
} // namespace fuzz
