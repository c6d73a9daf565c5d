#pragma once
// File-system entries and plain files: the engine's one way to touch the disk. Names given
// here are plain paths; mount aliases and zip members are resolved by ZFileSystem first.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/core/ZEntity.h"
#include "engine/fs/ZReferenceCount.h"

// Open-flags word of IFile. The mode test runs in the order write, update, append: the
// first bit set wins; with none of them the file is opened for reading.
enum EFileFlags : uint32_t
{
    FILE_READ = 0x1,      // "rb"
    FILE_WRITE = 0x2,     // "wb+": create or truncate
    FILE_UPDATE = 0x4,    // "rb+": read and write an existing file
    FILE_APPEND = 0x8,    // "a+"
    FILE_STREAMED = 0x80, // zip member inflates straight into the reader's buffer; no Seek
    FILE_TRACKED = 0x100, // listed in the file system's open-file list
};
constexpr uint32_t FILE_WRITABLE_MASK = FILE_WRITE | FILE_UPDATE | FILE_APPEND;

// Seek origins of IFile::Seek.
enum ESeekOrigin : int
{
    SEEK_FROM_START = 16,
    SEEK_FROM_CURRENT = 32,
    SEEK_FROM_END = 64,
};

class ZFileSystemEntry
{
public:
    static constexpr ZTypeRecord kTypeRecord{"ZFileSystemEntry", nullptr};

    ZFileSystemEntry() = default;
    explicit ZFileSystemEntry(std::string path) : m_path(std::move(path)) {}
    virtual const ZTypeRecord* GetTypeRecord() const { return &kTypeRecord; }
    virtual ~ZFileSystemEntry() = default;
    ZFileSystemEntry(const ZFileSystemEntry&) = delete;
    ZFileSystemEntry& operator=(const ZFileSystemEntry&) = delete;

    bool IsA(const ZTypeRecord& type) const { return GetTypeRecord()->IsA(type); }
    // A ZDir, as a listing makes for folders.
    bool IsFolder() const;
    virtual const char* GetPath() const { return m_path.c_str(); }
    virtual void SetPath(const char* path) { m_path = path ? path : ""; }

protected:
    std::string m_path;
};

// A folder, as found by a listing or named by the caller.
class ZDir : public ZFileSystemEntry
{
    QV_TYPE_RECORD(ZDir, &ZFileSystemEntry::kTypeRecord)

public:
    explicit ZDir(const char* path) : ZFileSystemEntry(path ? path : "") {}
    explicit ZDir(const std::string& path) : ZFileSystemEntry(path) {}

    // Appends one new entry per file (a closed ZFile for reading) and/or folder (a ZDir);
    // "." and ".." never appear; not recursive; the caller deletes the entries. A missing
    // folder adds nothing.
    void List(std::vector<ZFileSystemEntry*>& out, bool wantFiles, bool wantFolders) const;
    void GetFiles(std::vector<ZFileSystemEntry*>& out) const { List(out, true, false); }
    void GetFolders(std::vector<ZFileSystemEntry*>& out) const { List(out, false, true); }
};

// The file interface shared by plain files and zip members. Status results are 0 for
// success and 1 for failure; queries on a closed file return neutral values (size -1,
// position 0, end of file true).
class ZFileSystem;

class IFile : public ZFileSystemEntry
{
    QV_TYPE_RECORD(IFile, &ZFileSystemEntry::kTypeRecord)

public:
    IFile() = default;
    IFile(std::string path, uint32_t flags) : ZFileSystemEntry(std::move(path)), m_flags(flags) {}
    // Leaves the file system's open-file list when the file is tracked.
    ~IFile() override;

    virtual int Open(const char* path)
    {
        SetPath(path);
        return Open();
    }
    virtual int Open() = 0;
    virtual int Close() = 0;
    virtual int64_t GetSize() = 0;
    // True when all bytes were written.
    virtual bool Write(const void* buffer, size_t count) = 0;
    // Returns the number of bytes read.
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual int64_t Tell() = 0;
    virtual int Seek(int64_t offset, int origin) = 0;
    virtual bool IsOpen() const = 0;
    virtual bool IsEof() { return Tell() >= GetSize(); }
    // Formats at most 2047 characters and writes them; true when all were written.
    virtual bool Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Reads one line (newline kept) into a buffer of `capacity` bytes; 1 at end of file.
    virtual int ReadLine(char* buffer, size_t capacity) = 0;
    // Reads the whole file into a buffer of at least GetSize() bytes, opening it first
    // when needed; 1 when fewer bytes arrive.
    virtual int ReadAll(void* buffer);
    virtual bool IsWritable() const { return (m_flags & FILE_WRITABLE_MASK) != 0; }
    virtual int Flush() { return 0; }

    uint32_t GetFlags() const { return m_flags; }
    void SetFlags(uint32_t flags) { m_flags = flags; }

protected:
    friend class ZFileSystem;

    bool VPrintf(const char* format, va_list args);

    uint32_t m_flags = FILE_READ;
    // The file system whose open-file list holds this file (with FILE_TRACKED).
    ZFileSystem* m_tracker = nullptr;
};

// A plain file on disk through the C runtime's buffered streams in binary modes.
class ZFile : public IFile
{
    QV_TYPE_RECORD(ZFile, &IFile::kTypeRecord)

public:
    ZFile() = default;
    ZFile(const char* path, uint32_t flags) : IFile(path ? path : "", flags) {}
    ZFile(const std::string& path, uint32_t flags) : IFile(path, flags) {}
    ~ZFile() override;

    using IFile::Open;
    int Open() override;
    int Close() override;
    int64_t GetSize() override;
    bool Write(const void* buffer, size_t count) override;
    size_t Read(void* buffer, size_t count) override;
    int64_t Tell() override;
    int Seek(int64_t offset, int origin) override;
    bool IsOpen() const override { return m_stream != nullptr; }
    bool IsEof() override;
    int ReadLine(char* buffer, size_t capacity) override;
    int ReadAll(void* buffer) override;
    int Flush() override;

    // The stdio mode the flags select.
    static const char* ModeForFlags(uint32_t flags);

protected:
    int CloseStream();

    FILE* m_stream = nullptr;
};

// A file shared by several users: each Open adds a reference, each Close drops one and the
// last closes the stream.
class ZRefCountFile : public ZReferenceCount, public ZFile
{
    QV_TYPE_RECORD(ZRefCountFile, &ZFile::kTypeRecord)

public:
    ZRefCountFile() = default;

    using ZFile::Open;
    int Open() override;
    int Close() override;
};

// Free helpers.
// True when the path names an existing file or folder.
bool FileExists(const char* path);
// `out` receives the text after the last '/' or '\\'; the whole path when there is none.
void SplitPathAtLastSlash(const char* path, std::string& out);
// Every '\\' becomes '/'; then one trailing '/' is removed.
void NormalizeSlashes(std::string& path);
// Deletes a file, or a folder with everything beneath it. Symbolic links are removed as
// links and never followed, so a link inside a profile folder cannot reach other files.
void DeleteDirectoryTree(const char* path);
// Creates every folder along the path (default permissions); true when the whole path
// exists as a folder afterwards.
bool CreateDirectoryTree(const char* path);
// The system's temporary folder, without a trailing slash.
std::string GetTempFolder();
