#include "engine/fs/ZStream.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"

// ---------------------------------------------------------------------------------------
// ZFileStream

ZFileStream::ZFileStream(const char* path) : ZFile(path, FILE_READ)
{
    ZFile::Open();
}

ZFileStream::ZFileStream(const char* path, bool write) : ZFile(path, write ? FILE_WRITE : FILE_READ)
{
    ZFile::Open();
}

ZFileStream::ZFileStream(bool write) : ZFile("", write ? FILE_WRITE : FILE_READ) {}

// ---------------------------------------------------------------------------------------
// ZSaveGame

ZSaveGame::ZSaveGame(const char* path) : ZFileStream(path)
{
    // Decided by what the constructor found: an existing file is updated in place, a
    // missing one is created by the next Open.
    m_flags = FileExists(path) ? FILE_UPDATE : FILE_WRITE;
}

// ---------------------------------------------------------------------------------------
// ZMemoryStream

int ZMemoryStream::Open()
{
    m_data = nullptr;
    m_position = 0;
    m_size = 0;
    return 0;
}

size_t ZMemoryStream::Read(void* buffer, size_t count)
{
    if (!m_data || !buffer || m_position >= m_size)
        return 0;
    size_t left = m_size - m_position;
    size_t n = count < left ? count : left;
    std::memcpy(buffer, m_data + m_position, n);
    m_position += static_cast<uint32_t>(n);
    return n;
}

bool ZMemoryStream::Write(const void* buffer, size_t count)
{
    if (count == 0)
        return true;
    if (!m_data || !buffer || m_position >= m_size)
        return false;
    size_t left = m_size - m_position;
    size_t n = count < left ? count : left;
    std::memcpy(m_data + m_position, buffer, n);
    m_position += static_cast<uint32_t>(n);
    return n == count;
}

int ZMemoryStream::Seek(int64_t offset)
{
    if (offset < 0 || offset > static_cast<int64_t>(m_size))
        return 1;
    m_position = static_cast<uint32_t>(offset);
    return 0;
}

// ---------------------------------------------------------------------------------------
// ZSafeFileStream

namespace
{
std::string ResolveForWriting(const char* path)
{
    if (!path)
        return std::string();
    if (!HasMountAlias(path))
        return path;
    std::string resolved;
    ResolveMountPath(nullptr, resolved, path, true);
    // A name whose alias is unknown cannot be written anywhere.
    if (HasMountAlias(resolved.c_str()))
        return std::string();
    return resolved;
}

std::atomic<unsigned> s_tempCounter{0};

// A save cut off (the game killed, the machine off) leaves its "<target>.tmp<pid>_<n>" behind.
// Those of processes that no longer run are removed when the target is next saved; a running
// process (this one included) may still be writing its own.
void RemoveStaleTemporaries(const std::string& target)
{
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp";
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* entry = readdir(dir))
    {
        const char* name = entry->d_name;
        if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name + prefix.size(), &end, 10);
        if (pid <= 0 || end == name + prefix.size() || *end != '_')
            continue;
        if (pid != long(getpid()) && kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            unlink((folder + name).c_str());
    }
    closedir(dir);
}
} // namespace

ZSafeFileStream::ZSafeFileStream(const char* path) : ZFileStream(false)
{
    m_path = ResolveForWriting(path);
    m_flags = FILE_WRITE;
}

ZSafeFileStream::~ZSafeFileStream()
{
    Discard();
}

int ZSafeFileStream::Open()
{
    if (m_stream)
        return 0;
    m_failed = false;
    if (m_path.empty() || m_path.back() == '/')
    {
        m_failed = true;
        return 1;
    }
    RemoveStaleTemporaries(m_path);
    // A fresh name in the target's own folder, so that the rename never crosses file systems.
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        m_tempPath = m_path + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(s_tempCounter++);
        int fd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
        {
            if (errno == EEXIST)
                continue;
            break;
        }
        // The replacement keeps the permissions of the file it replaces.
        struct stat old;
        if (stat(m_path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
            fchmod(fd, old.st_mode & 07777);
        m_stream = fdopen(fd, "wb");
        if (!m_stream)
        {
            ::close(fd);
            unlink(m_tempPath.c_str());
            break;
        }
        return 0;
    }
    m_tempPath.clear();
    m_failed = true;
    return 1;
}

bool ZSafeFileStream::Write(const void* buffer, size_t count)
{
    bool ok = ZFile::Write(buffer, count);
    if (!ok)
        m_failed = true;
    return ok;
}

int ZSafeFileStream::Close()
{
    if (!m_stream)
    {
        // An Open that failed is still a failed save.
        int status = m_failed ? 1 : 0;
        m_failed = false;
        return status;
    }
    bool ok = !m_failed;
    ok = std::fflush(m_stream) == 0 && ok;
    ok = fsync(fileno(m_stream)) == 0 && ok;
    ok = std::fclose(m_stream) == 0 && ok;
    m_stream = nullptr;
    m_failed = false;
    if (ok && std::rename(m_tempPath.c_str(), m_path.c_str()) != 0)
        ok = false;
    if (!ok)
    {
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
        return 1;
    }
    m_tempPath.clear();
    // Make the rename itself durable; a folder that cannot be synced does not undo the save.
    std::string folder = m_path;
    size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? std::string(".")
                                        : (slash == 0 ? std::string("/") : folder.substr(0, slash));
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0)
    {
        fsync(dirFd);
        ::close(dirFd);
    }
    return 0;
}

void ZSafeFileStream::Discard()
{
    if (m_stream)
    {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    if (!m_tempPath.empty())
    {
        unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
    m_failed = false;
}

ZSafeFileStream::ECommit ZSafeFileStream::Commit(const void* data, size_t size)
{
    if (!IsOpen())
        return ECommit::NotOpen;
    if (!Write(data, size))
    {
        Discard();
        return ECommit::WriteFailed;
    }
    return Close() == 0 ? ECommit::Done : ECommit::NotPutInPlace;
}

int WriteFileAtomic(const char* path, const void* data, size_t size)
{
    ZSafeFileStream file(path);
    file.Open();
    return file.Commit(data, size) == ZSafeFileStream::ECommit::Done ? 0 : 1;
}

int WriteFileAtomic(const char* path, const std::string& text)
{
    return WriteFileAtomic(path, text.data(), text.size());
}

std::string KeepFileAside(const std::string& path)
{
    for (int i = 1; i <= 99; ++i)
    {
        const std::string name = path + ".damaged" + (i == 1 ? std::string() : "-" + std::to_string(i));
        if (FileExists(name.c_str()))
            continue;
        return std::rename(path.c_str(), name.c_str()) == 0 ? name : std::string();
    }
    return std::string();
}
