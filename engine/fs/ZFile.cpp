#include "engine/fs/ZFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/fs/ZFileSystem.h"

bool ZFileSystemEntry::IsFolder() const
{
    return IsA(ZDir::kTypeRecord);
}

// ---------------------------------------------------------------------------------------
// ZDir

void ZDir::List(std::vector<ZFileSystemEntry*>& out, bool wantFiles, bool wantFolders) const
{
    std::string folder = m_path;
    for (char& c : folder)
    {
        if (c == '\\')
            c = '/';
    }
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = readdir(dir))
    {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        std::string child = m_path + "/" + entry->d_name;
        struct stat st;
        bool isFolder = stat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        if (isFolder && wantFolders)
            out.push_back(new ZDir(child));
        else if (!isFolder && wantFiles)
            out.push_back(new ZFile(child, FILE_READ));
    }
    closedir(dir);
}

// ---------------------------------------------------------------------------------------
// IFile

IFile::~IFile()
{
    if ((m_flags & FILE_TRACKED) && m_tracker)
        m_tracker->UntrackFile(this);
}

bool IFile::VPrintf(const char* format, va_list args)
{
    if (!format)
        return false;
    char text[2048];
    int length = std::vsnprintf(text, sizeof(text), format, args);
    if (length < 0)
        return false;
    // Longer text is cut at 2047 characters, as the buffer holds.
    size_t count =
        static_cast<size_t>(length) < sizeof(text) ? static_cast<size_t>(length) : sizeof(text) - 1;
    return Write(text, count);
}

bool IFile::Printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool result = VPrintf(format, args);
    va_end(args);
    return result;
}

int IFile::ReadAll(void* buffer)
{
    if (!IsOpen())
    {
        int status = Open();
        if (status != 0)
            return status;
    }
    int64_t size = GetSize();
    if (size < 0 || !buffer)
        return 1;
    // A read may deliver less than asked without being at the end.
    uint8_t* out = static_cast<uint8_t*>(buffer);
    size_t total = 0;
    while (total < static_cast<size_t>(size))
    {
        size_t got = Read(out + total, static_cast<size_t>(size) - total);
        if (got == 0)
            break;
        total += got;
    }
    return total < static_cast<size_t>(size) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// ZFile

ZFile::~ZFile()
{
    CloseStream();
}

const char* ZFile::ModeForFlags(uint32_t flags)
{
    if (flags & FILE_WRITE)
        return "wb+";
    if (flags & FILE_UPDATE)
        return "rb+";
    if (flags & FILE_APPEND)
        return "a+";
    return "rb";
}

int ZFile::Open()
{
    if (m_stream)
        return 0;
    if (m_path.empty())
        return 1;
    // Files are created with the default permissions of a per-user folder (umask), never
    // world-writable.
    m_stream = std::fopen(m_path.c_str(), ModeForFlags(m_flags));
    return m_stream ? 0 : 1;
}

int ZFile::CloseStream()
{
    if (!m_stream)
        return 0;
    int result = std::fclose(m_stream);
    m_stream = nullptr;
    return result == 0 ? 0 : 1;
}

int ZFile::Close()
{
    return CloseStream();
}

int64_t ZFile::GetSize()
{
    if (!m_stream)
        return -1;
    off_t here = ftello(m_stream);
    if (here < 0 || fseeko(m_stream, 0, SEEK_END) != 0)
        return -1;
    off_t size = ftello(m_stream);
    fseeko(m_stream, here, SEEK_SET);
    return size;
}

bool ZFile::Write(const void* buffer, size_t count)
{
    // A closed file reports failure: callers must not believe their data was saved.
    if (!m_stream)
        return false;
    if (count == 0)
        return true;
    if (!buffer)
        return false;
    return std::fwrite(buffer, 1, count, m_stream) == count;
}

size_t ZFile::Read(void* buffer, size_t count)
{
    if (!m_stream || !buffer || count == 0)
        return 0;
    return std::fread(buffer, 1, count, m_stream);
}

int64_t ZFile::Tell()
{
    if (!m_stream)
        return 0;
    off_t here = ftello(m_stream);
    return here < 0 ? 0 : here;
}

int ZFile::Seek(int64_t offset, int origin)
{
    int whence;
    switch (origin)
    {
    case SEEK_FROM_START:
        whence = SEEK_SET;
        break;
    case SEEK_FROM_CURRENT:
        whence = SEEK_CUR;
        break;
    case SEEK_FROM_END:
        whence = SEEK_END;
        break;
    default:
        return 1;
    }
    if (!m_stream)
        return 1;
    return fseeko(m_stream, static_cast<off_t>(offset), whence) == 0 ? 0 : 1;
}

bool ZFile::IsEof()
{
    if (!m_stream)
        return true;
    return std::feof(m_stream) != 0;
}

int ZFile::ReadLine(char* buffer, size_t capacity)
{
    if (!m_stream || !buffer || capacity < 2)
        return 1;
    int size = capacity > 0x7fffffff ? 0x7fffffff : static_cast<int>(capacity);
    return std::fgets(buffer, size, m_stream) ? 0 : 1;
}

int ZFile::ReadAll(void* buffer)
{
    if (!m_stream)
        return 1;
    if (Seek(0, SEEK_FROM_START) != 0)
        return 1;
    return IFile::ReadAll(buffer);
}

int ZFile::Flush()
{
    if (!m_stream)
        return 0;
    return std::fflush(m_stream) == 0 ? 0 : 1;
}

// ---------------------------------------------------------------------------------------
// ZRefCountFile

int ZRefCountFile::Open()
{
    if (!IsOpen())
    {
        int status = ZFile::Open();
        if (status != 0)
            return status;
    }
    AddRef();
    return 0;
}

int ZRefCountFile::Close()
{
    if (Release() > 0)
        return 0;
    return ZFile::Close();
}

// ---------------------------------------------------------------------------------------
// Free helpers

bool FileExists(const char* path)
{
    struct stat st;
    return path && *path && stat(path, &st) == 0;
}

void SplitPathAtLastSlash(const char* path, std::string& out)
{
    if (!path)
    {
        out.clear();
        return;
    }
    const char* slash = std::strrchr(path, '/');
    const char* backslash = std::strrchr(path, '\\');
    const char* last = slash > backslash ? slash : backslash;
    out = last ? last + 1 : path;
}

void NormalizeSlashes(std::string& path)
{
    for (char& c : path)
    {
        if (c == '\\')
            c = '/';
    }
    if (!path.empty() && path.back() == '/')
        path.pop_back();
}

void DeleteDirectoryTree(const char* path)
{
    if (!path || !*path)
        return;
    std::string clean = path;
    NormalizeSlashes(clean);
    if (clean.empty())
        clean = "/";
    struct stat st;
    if (lstat(clean.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    {
        // Files and symbolic links (to folders too) are removed as themselves.
        unlink(clean.c_str());
        return;
    }
    ZDir dir(clean);
    std::vector<ZFileSystemEntry*> files;
    std::vector<ZFileSystemEntry*> folders;
    dir.GetFiles(files);
    dir.GetFolders(folders);
    for (ZFileSystemEntry* entry : files)
        DeleteDirectoryTree(entry->GetPath());
    for (ZFileSystemEntry* entry : folders)
        DeleteDirectoryTree(entry->GetPath());
    for (ZFileSystemEntry* entry : files)
        delete entry;
    for (ZFileSystemEntry* entry : folders)
        delete entry;
    rmdir(clean.c_str());
}

bool CreateDirectoryTree(const char* path)
{
    if (!path || !*path)
        return false;
    std::string full = path;
    for (char& c : full)
    {
        if (c == '\\')
            c = '/';
    }
    std::string prefix;
    size_t start = 0;
    if (full[0] == '/')
    {
        prefix = "/";
        start = 1;
    }
    while (start <= full.size())
    {
        size_t end = full.find('/', start);
        if (end == std::string::npos)
            end = full.size();
        if (end > start)
        {
            prefix.append(full, start, end - start);
            mkdir(prefix.c_str(), 0777);
            prefix += '/';
        }
        start = end + 1;
    }
    // Success means the folder is there now, whoever made it; a file of the same name or a
    // folder that could not be made is a failure.
    struct stat st;
    return stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string GetTempFolder()
{
    const char* dir = std::getenv("TMPDIR");
    std::string folder = (dir && *dir) ? dir : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}
