#pragma once
// Zip archives: the central directory is read once; members, stored or deflated (raw
// deflate through zlib), are read through the IFile interface. Every member file has its
// own stdio handle on the archive, so different threads may read different members at once;
// the archive's bookkeeping is guarded by its lock.
//
// Archive data is untrusted: every size, offset and name length is checked against the
// file before it is used, and a member whose data does not match its recorded sizes or
// CRC-32 reads as a failure, never as wrong bytes.
#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include <zlib.h>

#include "engine/fs/ZFile.h"
#include "engine/platform/ZCriticalSection.h"

// A shared file that hands out the files inside it.
class ZResourceFile : public ZRefCountFile
{
    QV_TYPE_RECORD(ZResourceFile, &ZRefCountFile::kTypeRecord)

public:
    using ZRefCountFile::Open;
    // Closes the file and forgets what was read from it; status.
    virtual int Unload() = 0;
    // A member file, not open yet (the caller calls its Open() and deletes it); null when
    // the archive cannot be opened or has no such member.
    virtual IFile* OpenMember(const char* name) = 0;
    // Reads a whole member into a buffer of its uncompressed size; status.
    virtual int ReadMember(int index, void* buffer) = 0;
};

class ZZipFile;

// What one central-directory record says about a member.
struct SZipEntry
{
    std::string name; // as stored
    uint32_t localOffset = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint32_t crc = 0;
    uint16_t method = 0;
    uint16_t flags = 0;
};

class ZZipArchive : public ZResourceFile
{
    QV_TYPE_RECORD(ZZipArchive, &ZResourceFile::kTypeRecord)

public:
    ZZipArchive();
    // Sets the path only; nothing is read until the first Open(). The path may be a mount
    // name ("game:resources.brn").
    explicit ZZipArchive(const char* path);
    // Deletes every member file still alive: none may outlive the archive.
    ~ZZipArchive() override;

    // Adds a reference; opens the file and reads the directory when needed.
    int Open() override;
    int Open(const char* path) override;
    // Drops a reference; the last one closes the file (the directory stays loaded).
    int Close() override;
    int Unload() override;
    IFile* OpenMember(const char* name) override;
    int ReadMember(int index, void* buffer) override;

    // Entry index of a member (names compared without case), or -1.
    int FindMember(const char* name);
    int GetEntryCount();
    // False for an index out of range.
    bool GetEntry(int index, SZipEntry& out);
    // The path the archive file is read from (the mount name resolved).
    std::string GetFilePath();

    // Largest compressed/uncompressed ratio deflate can reach; a member claiming more lies.
    static constexpr uint64_t kMaxDeflateRatio = 1032;

private:
    friend class ZZipFile;

    int ReadDirectory();
    void ForgetDirectory();
    void RemoveMember(ZZipFile* member);
    // Checks a member's local header against its directory record and the archive's
    // bounds; on success `dataOffset` is where its data begins.
    bool ReadLocalHeader(ZFile& file, const SZipEntry& entry, uint64_t& dataOffset) const;

    uint8_t m_endRecord[22] = {};
    std::vector<SZipEntry> m_entries;
    std::map<std::string, int> m_names;
    bool m_loaded = false;
    uint64_t m_directoryStart = 0;
    std::string m_filePath;
    std::vector<ZZipFile*> m_members;
    mutable ZCriticalSection m_lock;
};

// One member of a zip archive.
class ZZipFile : public IFile
{
    QV_TYPE_RECORD(ZZipFile, &IFile::kTypeRecord)

public:
    ZZipFile(const char* memberName, ZZipArchive* archive);
    // Closes the member if it is still open and leaves the archive's member list.
    ~ZZipFile() override;

    int Open(const char* name) override;
    int Open() override { return Open(m_memberName.c_str()); }
    int Close() override;
    // Uncompressed size; -1 while closed.
    int64_t GetSize() override;
    // Members are read-only: writing fails.
    bool Write(const void*, size_t) override { return false; }
    size_t Read(void* buffer, size_t count) override;
    int64_t Tell() override { return m_entry >= 0 ? m_position : 0; }
    // From the start, the current position or the end; the end itself is a valid position.
    // Streamed members cannot seek.
    int Seek(int64_t offset, int origin) override;
    // Archive path + "#" + member name.
    const char* GetPath() const override { return m_fullName.c_str(); }
    // Sets the member name.
    void SetPath(const char* name) override;
    bool IsOpen() const override { return m_entry >= 0; }
    bool Printf(const char*, ...) override { return false; }
    int ReadLine(char*, size_t) override { return 1; }

    const char* GetMemberName() const { return m_memberName.c_str(); }

private:
    friend class ZZipArchive;

    void Release();
    size_t FillInput();
    // Inflates until the output reaches `target` bytes; false on a zlib error, data that
    // ends early, or a CRC mismatch once the whole member is out.
    bool InflateTo(uint64_t target);
    bool CheckComplete(uint64_t produced);
    size_t ReadStored(void* buffer, size_t count);
    size_t ReadBuffered(void* buffer, size_t count);
    size_t ReadStreamed(void* buffer, size_t count);

    std::string m_memberName;
    std::string m_fullName;
    ZZipArchive* m_archive;
    ZFile* m_file = nullptr;
    bool m_holdsArchive = false;
    z_stream m_zstream = {};
    bool m_zstreamReady = false;
    bool m_streamEnded = false;
    SZipEntry m_info;
    uint64_t m_dataOffset = 0;
    int m_entry = -1;
    uint32_t m_compressedLeft = 0;
    uint8_t* m_input = nullptr;
    uint8_t* m_output = nullptr;
    int64_t m_position = 0;
    uint64_t m_inflated = 0;
    uint64_t m_filePosition = 0;
    uint32_t m_crc = 0;
    uint64_t m_crcLength = 0;
    bool m_broken = false;
    // Set by the first read of a deflated member: the output lives in the member's buffer
    // (buffered) or in the callers' buffers (streamed), and one member never mixes the two.
    enum class EReadMode : uint8_t
    {
        None,
        Buffered,
        Streamed,
    };
    EReadMode m_readMode = EReadMode::None;

    static constexpr size_t kInputSize = 65536;
};
