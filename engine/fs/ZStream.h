#pragma once
// Sequential streams: over a file, over a caller's memory block, and the save-file forms.
#include <cstdint>
#include <string>

#include "engine/fs/ZFile.h"

class ZStream
{
public:
    virtual ~ZStream() = default;
    virtual int Open() = 0;
    // Returns the number of bytes read.
    virtual size_t Read(void* buffer, size_t count) = 0;
    // True when all bytes were written.
    virtual bool Write(const void* buffer, size_t count) = 0;
    virtual int64_t GetSize() = 0;
    // Absolute position; status.
    virtual int Seek(int64_t offset) = 0;
    virtual int64_t Tell() = 0;
    virtual bool IsEof() = 0;
};

class ZFileStream : public ZStream, public ZFile
{
public:
    // Opened at once for reading.
    explicit ZFileStream(const char* path);
    // Opened at once, for writing (create or truncate) or reading.
    ZFileStream(const char* path, bool write);
    // Empty path, not opened; the path is set later.
    explicit ZFileStream(bool write);

    int Open() override { return ZFile::Open(); }
    using ZFile::Open;
    size_t Read(void* buffer, size_t count) override { return ZFile::Read(buffer, count); }
    bool Write(const void* buffer, size_t count) override { return ZFile::Write(buffer, count); }
    int64_t GetSize() override { return ZFile::GetSize(); }
    int Seek(int64_t offset) override { return ZFile::Seek(offset, SEEK_FROM_START); }
    using ZFile::Seek;
    int64_t Tell() override { return ZFile::Tell(); }
    bool IsEof() override { return ZFile::IsEof(); }
};

// The file of a saved table: opened for reading when it exists; the next Open after a Close
// then updates the existing file ("rb+") or creates a new one ("wb+").
class ZSaveGame : public ZFileStream
{
public:
    explicit ZSaveGame(const char* path);

    uint32_t GetUserWord() const { return m_userWord; }
    void SetUserWord(uint32_t word) { m_userWord = word; }

private:
    uint32_t m_userWord = 0;
};

// A stream over a memory block the creator owns. Reads and writes never pass the block's
// size: they move what fits and report it.
class ZMemoryStream : public ZStream
{
public:
    ZMemoryStream() = default;
    ZMemoryStream(void* data, uint32_t size) : m_data(static_cast<uint8_t*>(data)), m_size(data ? size : 0) {}

    void SetBuffer(void* data, uint32_t size)
    {
        m_data = static_cast<uint8_t*>(data);
        m_size = data ? size : 0;
        m_position = 0;
    }
    void* GetBuffer() const { return m_data; }

    // Forgets the block.
    int Open() override;
    size_t Read(void* buffer, size_t count) override;
    // Writes what fits; true only when all of it did.
    bool Write(const void* buffer, size_t count) override;
    int64_t GetSize() override { return m_size; }
    // A position beyond the end is refused (1).
    int Seek(int64_t offset) override;
    int64_t Tell() override { return m_position; }
    bool IsEof() override { return m_position >= m_size; }

private:
    uint8_t* m_data = nullptr;
    uint32_t m_position = 0;
    uint32_t m_size = 0;
};

// A file written in full or not at all. Open() creates a temporary file in the target's
// folder; writes go there; Close() flushes it to disk (fsync), closes it and renames it
// over the target. Any failed write, flush, close or rename makes Close() return 1 and
// leaves the old file untouched. Destroying the stream without Close() discards the
// temporary file. Save files of player data (configuration, profiles, high scores) are
// written through this.
class ZSafeFileStream : public ZFileStream
{
public:
    // `path` is a plain path, or a mount name resolved through the writable places.
    explicit ZSafeFileStream(const char* path);
    ~ZSafeFileStream() override;

    using ZFileStream::Open;
    int Open() override;
    bool Write(const void* buffer, size_t count) override;
    int Close() override;
    // Drops the temporary file; the target stays as it was.
    void Discard();

    // Where a whole-content save ended, so that each save file can say in its own words what
    // went wrong.
    enum class ECommit : uint8_t
    {
        Done,
        NotOpen,      // the temporary file could not be made; nothing was written
        WriteFailed,  // a write failed; the temporary file is discarded
        NotPutInPlace // the flush, close or rename failed; the temporary file is removed
    };
    // Writes all of `size` bytes to this opened stream and puts the file in place. On any
    // failure the old file stays as it was.
    ECommit Commit(const void* data, size_t size);
    ECommit Commit(const std::string& text) { return Commit(text.data(), text.size()); }

    const char* GetTempPath() const { return m_tempPath.c_str(); }

private:
    std::string m_tempPath;
    bool m_failed = false;
};

// Writes `size` bytes to `path` through ZSafeFileStream; 0 when the new content is safely
// in place, 1 on any failure (the old file is then unchanged).
int WriteFileAtomic(const char* path, const void* data, size_t size);
int WriteFileAtomic(const char* path, const std::string& text);

// Moves a file that could not be read whole to the first free "<path>.damaged[-N]" beside it, so a
// later save cannot overwrite what it held. Answers the new name, or "" when it could not be moved
// (the file then stays where it was).
std::string KeepFileAside(const std::string& path);
