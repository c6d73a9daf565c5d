#include "engine/fs/ZZipArchive.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"

namespace
{
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;

// General-purpose flag bits.
constexpr uint16_t kFlagEncrypted = 0x1;
constexpr uint16_t kFlagDataDescriptor = 0x8;

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::string LowerAscii(const char* text, size_t length)
{
    std::string out(text, length);
    for (char& c : out)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

uint32_t Crc(uint32_t crc, const uint8_t* data, uint64_t length)
{
    while (length > 0)
    {
        uInt step = length > 0x40000000 ? 0x40000000 : static_cast<uInt>(length);
        crc = static_cast<uint32_t>(crc32(crc, data, step));
        data += step;
        length -= step;
    }
    return crc;
}
} // namespace

// ---------------------------------------------------------------------------------------
// ZZipArchive

ZZipArchive::ZZipArchive()
{
    m_flags = FILE_READ;
}

ZZipArchive::ZZipArchive(const char* path)
{
    m_flags = FILE_READ;
    SetPath(path);
}

ZZipArchive::~ZZipArchive()
{
    std::vector<ZZipFile*> members;
    {
        ZCriticalSectionGuard guard(m_lock);
        members.swap(m_members);
    }
    for (ZZipFile* member : members)
    {
        member->Close();
        member->m_archive = nullptr;
        delete member;
    }
    ZCriticalSectionGuard guard(m_lock);
    ForgetDirectory();
    CloseStream();
}

std::string ZZipArchive::GetFilePath()
{
    ZCriticalSectionGuard guard(m_lock);
    return m_filePath;
}

int ZZipArchive::Open()
{
    ZCriticalSectionGuard guard(m_lock);
    if (!m_stream)
    {
        if (m_path.empty())
            return 1;
        m_filePath = m_path;
        if (HasMountAlias(m_path.c_str()))
            ResolveMountPath(ZFileSystem::GetCurrentMountTable(), m_filePath, m_path.c_str());
        m_stream = std::fopen(m_filePath.c_str(), "rb");
        if (!m_stream)
            return 1;
    }
    AddRef();
    if (m_loaded)
        return 0;
    if (ReadDirectory() != 0)
    {
        // A file that is no readable archive is not kept open.
        if (Release() == 0)
            CloseStream();
        return 1;
    }
    return 0;
}

int ZZipArchive::Open(const char* path)
{
    ZCriticalSectionGuard guard(m_lock);
    SetPath(path);
    return Open();
}

int ZZipArchive::Close()
{
    ZCriticalSectionGuard guard(m_lock);
    if (Release() > 0)
        return 0;
    return CloseStream();
}

int ZZipArchive::Unload()
{
    ZCriticalSectionGuard guard(m_lock);
    CloseStream();
    m_refCount = 0;
    ForgetDirectory();
    return 0;
}

void ZZipArchive::ForgetDirectory()
{
    m_entries.clear();
    m_names.clear();
    m_loaded = false;
    m_directoryStart = 0;
}

int ZZipArchive::ReadDirectory()
{
    ForgetDirectory();
    int64_t size = GetSize();
    if (size < static_cast<int64_t>(kEndSize))
        return 1;
    // The end record must be the last 22 bytes: archives with a comment are not read.
    if (Seek(size - static_cast<int64_t>(kEndSize), SEEK_FROM_START) != 0 ||
        Read(m_endRecord, kEndSize) != kEndSize || U32(m_endRecord) != kEndSignature)
        return 1;
    const uint32_t entryCount = U16(m_endRecord + 8);
    const uint64_t directorySize = U32(m_endRecord + 12);
    if (directorySize > static_cast<uint64_t>(size) - kEndSize)
        return 1;
    // The directory ends where the end record begins.
    const uint64_t directoryStart = static_cast<uint64_t>(size) - kEndSize - directorySize;
    std::vector<uint8_t> directory(directorySize);
    if (Seek(static_cast<int64_t>(directoryStart), SEEK_FROM_START) != 0 ||
        Read(directory.data(), directory.size()) != directory.size())
        return 1;

    std::vector<SZipEntry> entries;
    std::map<std::string, int> names;
    entries.reserve(entryCount);
    size_t pos = 0;
    for (uint32_t i = 0; i < entryCount; ++i)
    {
        if (directory.size() - pos < kCentralSize)
            return 1;
        const uint8_t* record = directory.data() + pos;
        if (U32(record) != kCentralSignature)
            return 1;
        const size_t nameLength = U16(record + 28);
        const size_t variable = nameLength + U16(record + 30) + U16(record + 32);
        if (directory.size() - pos - kCentralSize < variable)
            return 1;
        SZipEntry entry;
        entry.flags = U16(record + 8);
        entry.method = U16(record + 10);
        entry.crc = U32(record + 16);
        entry.compressedSize = U32(record + 20);
        entry.size = U32(record + 24);
        entry.localOffset = U32(record + 42);
        const char* name = reinterpret_cast<const char*>(record + kCentralSize);
        entry.name.assign(name, nameLength);
        // Local headers lie before the directory.
        if (static_cast<uint64_t>(entry.localOffset) + kLocalSize > directoryStart)
            return 1;
        names[LowerAscii(name, nameLength)] = static_cast<int>(i);
        entries.push_back(std::move(entry));
        pos += kCentralSize + variable;
    }
    m_entries.swap(entries);
    m_names.swap(names);
    m_directoryStart = directoryStart;
    m_loaded = true;
    return 0;
}

int ZZipArchive::FindMember(const char* name)
{
    if (!name)
        return -1;
    ZCriticalSectionGuard guard(m_lock);
    auto it = m_names.find(LowerAscii(name, std::strlen(name)));
    return it == m_names.end() ? -1 : it->second;
}

int ZZipArchive::GetEntryCount()
{
    ZCriticalSectionGuard guard(m_lock);
    return static_cast<int>(m_entries.size());
}

bool ZZipArchive::GetEntry(int index, SZipEntry& out)
{
    ZCriticalSectionGuard guard(m_lock);
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        return false;
    out = m_entries[index];
    return true;
}

bool ZZipArchive::ReadLocalHeader(ZFile& file, const SZipEntry& entry, uint64_t& dataOffset) const
{
    uint8_t header[kLocalSize];
    if (file.Seek(entry.localOffset, SEEK_FROM_START) != 0 || file.Read(header, kLocalSize) != kLocalSize ||
        U32(header) != kLocalSignature)
        return false;
    const uint16_t flags = U16(header + 6);
    const uint16_t method = U16(header + 8);
    if ((flags & kFlagEncrypted) || (entry.flags & kFlagEncrypted))
        return false;
    if ((method != 0 && method != 8) || method != entry.method)
        return false;
    // The local header and the directory must tell the same story; a member written with a
    // trailing data descriptor leaves the local fields empty and is taken from the directory.
    if (!(flags & kFlagDataDescriptor))
    {
        if (U32(header + 14) != entry.crc || U32(header + 18) != entry.compressedSize ||
            U32(header + 22) != entry.size)
            return false;
    }
    // 0xffffffff marks zip64 sizes, which are not read; members stay below 2 GB.
    if (entry.size > 0x7fffffffu || entry.compressedSize > 0x7fffffffu)
        return false;
    if (method == 0 && entry.compressedSize != entry.size)
        return false;
    if (method == 8 && entry.size > static_cast<uint64_t>(entry.compressedSize) * kMaxDeflateRatio + 1024)
        return false;
    if (entry.size == 0 && entry.crc != 0)
        return false;
    dataOffset = static_cast<uint64_t>(entry.localOffset) + kLocalSize + U16(header + 26) + U16(header + 28);
    ZCriticalSectionGuard guard(m_lock);
    return dataOffset + entry.compressedSize <= m_directoryStart;
}

IFile* ZZipArchive::OpenMember(const char* name)
{
    if (!name)
        return nullptr;
    ZCriticalSectionGuard guard(m_lock);
    if (!m_stream && Open() != 0)
        return nullptr;
    if (FindMember(name) < 0)
        return nullptr;
    // Always a new member file: two users asking for one member must not share an object
    // that either of them may delete.
    ZZipFile* member = new ZZipFile(name, this);
    m_members.push_back(member);
    return member;
}

void ZZipArchive::RemoveMember(ZZipFile* member)
{
    ZCriticalSectionGuard guard(m_lock);
    auto it = std::find(m_members.begin(), m_members.end(), member);
    if (it != m_members.end())
        m_members.erase(it);
}

int ZZipArchive::ReadMember(int index, void* buffer)
{
    ZCriticalSectionGuard guard(m_lock);
    if (index < 0 || index >= static_cast<int>(m_entries.size()) || !buffer || !m_stream)
        return 1;
    const SZipEntry entry = m_entries[index];
    uint64_t dataOffset = 0;
    if (!ReadLocalHeader(*this, entry, dataOffset) ||
        Seek(static_cast<int64_t>(dataOffset), SEEK_FROM_START) != 0)
        return 1;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    if (entry.method == 0)
    {
        if (Read(out, entry.size) != entry.size)
            return 1;
        return Crc(0, out, entry.size) == entry.crc ? 0 : 1;
    }

    uint8_t* packed = new (std::nothrow) uint8_t[entry.compressedSize ? entry.compressedSize : 1]();
    if (!packed)
        return 1;
    int status = 1;
    if (Read(packed, entry.compressedSize) == entry.compressedSize)
    {
        z_stream stream = {};
        stream.next_in = packed;
        stream.avail_in = entry.compressedSize;
        stream.next_out = out;
        stream.avail_out = entry.size;
        if (inflateInit2(&stream, -MAX_WBITS) == Z_OK)
        {
            int result = inflate(&stream, Z_FINISH);
            if (result == Z_STREAM_END && stream.total_out == entry.size &&
                Crc(0, out, entry.size) == entry.crc)
                status = 0;
            inflateEnd(&stream);
        }
    }
    delete[] packed;
    return status;
}

// ---------------------------------------------------------------------------------------
// ZZipFile

ZZipFile::ZZipFile(const char* memberName, ZZipArchive* archive) : m_archive(archive)
{
    m_flags = FILE_READ;
    SetPath(memberName);
}

ZZipFile::~ZZipFile()
{
    Close();
    if (m_archive)
        m_archive->RemoveMember(this);
}

void ZZipFile::SetPath(const char* name)
{
    m_memberName = name ? name : "";
    m_fullName =
        (m_archive ? std::string(m_archive->ZRefCountFile::GetPath()) : std::string()) + "#" + m_memberName;
}

void ZZipFile::Release()
{
    if (m_zstreamReady)
    {
        inflateEnd(&m_zstream);
        m_zstreamReady = false;
    }
    m_zstream = {};
    if (m_file)
    {
        m_file->Close();
        delete m_file;
        m_file = nullptr;
    }
    if (m_holdsArchive)
    {
        m_holdsArchive = false;
        if (m_archive)
            m_archive->Close();
    }
    delete[] m_input;
    m_input = nullptr;
    delete[] m_output;
    m_output = nullptr;
    m_entry = -1;
    m_position = 0;
    m_inflated = 0;
    m_compressedLeft = 0;
    m_streamEnded = false;
    m_broken = false;
    m_readMode = EReadMode::None;
    m_crc = 0;
    m_crcLength = 0;
    m_filePosition = 0;
}

int ZZipFile::Close()
{
    Release();
    return 0;
}

int ZZipFile::Open(const char* name)
{
    // Opening again starts over from the beginning.
    Release();
    SetPath(name);
    if (!m_archive || m_archive->Open() != 0)
        return 1;
    m_holdsArchive = true;
    m_file = new ZFile(m_archive->GetFilePath(), FILE_READ);
    int entry = m_file->Open() == 0 ? m_archive->FindMember(m_memberName.c_str()) : -1;
    if (entry < 0 || !m_archive->GetEntry(entry, m_info) ||
        !m_archive->ReadLocalHeader(*m_file, m_info, m_dataOffset))
    {
        Release();
        return 1;
    }
    m_input = new (std::nothrow) uint8_t[kInputSize];
    if (!m_input || m_file->Seek(static_cast<int64_t>(m_dataOffset), SEEK_FROM_START) != 0)
    {
        Release();
        return 1;
    }
    m_filePosition = m_dataOffset;
    m_compressedLeft = m_info.compressedSize;
    if (m_info.method == 8)
    {
        m_zstream = {};
        if (inflateInit2(&m_zstream, -MAX_WBITS) != Z_OK)
        {
            Release();
            return 1;
        }
        m_zstreamReady = true;
        FillInput();
    }
    m_entry = entry;
    return 0;
}

int64_t ZZipFile::GetSize()
{
    return m_entry >= 0 ? static_cast<int64_t>(m_info.size) : -1;
}

size_t ZZipFile::FillInput()
{
    size_t want = m_compressedLeft < kInputSize ? m_compressedLeft : kInputSize;
    size_t got = want ? m_file->Read(m_input, want) : 0;
    m_compressedLeft -= static_cast<uint32_t>(got);
    m_zstream.next_in = m_input;
    m_zstream.avail_in = static_cast<uInt>(got);
    return got;
}

bool ZZipFile::InflateTo(uint64_t target)
{
    if (target > m_info.size)
        target = m_info.size;
    while (m_zstream.total_out < target)
    {
        if (m_streamEnded)
            return false; // the data ended before the size it claims
        if (m_zstream.avail_in == 0 && m_compressedLeft > 0 && FillInput() == 0)
            return false;
        int result = inflate(&m_zstream, Z_SYNC_FLUSH);
        if (result == Z_STREAM_END)
        {
            m_streamEnded = true;
            continue;
        }
        // Z_BUF_ERROR here means no progress is possible: the compressed data ran out.
        if (result != Z_OK)
            return false;
    }
    return true;
}

// Called whenever output was produced: once the whole member is out, its CRC decides.
bool ZZipFile::CheckComplete(uint64_t produced)
{
    if (produced < m_info.size)
        return true;
    return m_crc == m_info.crc;
}

size_t ZZipFile::ReadStored(void* buffer, size_t count)
{
    uint64_t left = m_info.size - static_cast<uint64_t>(m_position);
    size_t n = count < left ? count : static_cast<size_t>(left);
    if (n == 0)
        return 0;
    uint64_t where = m_dataOffset + static_cast<uint64_t>(m_position);
    if (m_filePosition != where)
    {
        if (m_file->Seek(static_cast<int64_t>(where), SEEK_FROM_START) != 0)
            return 0;
        m_filePosition = where;
    }
    size_t got = m_file->Read(buffer, n);
    m_filePosition += got;
    // The CRC follows the reads that continue the checked prefix; a member read to its end
    // in order is verified.
    const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
    uint64_t start = static_cast<uint64_t>(m_position);
    if (start <= m_crcLength && start + got > m_crcLength)
    {
        uint64_t skip = m_crcLength - start;
        m_crc = Crc(m_crc, bytes + skip, got - skip);
        m_crcLength = start + got;
        if (!CheckComplete(m_crcLength))
        {
            m_broken = true;
            return 0;
        }
    }
    m_position += static_cast<int64_t>(got);
    return got;
}

size_t ZZipFile::ReadBuffered(void* buffer, size_t count)
{
    uint64_t left = m_info.size - static_cast<uint64_t>(m_position);
    size_t n = count < left ? count : static_cast<size_t>(left);
    if (n == 0)
        return 0;
    if (!m_output)
    {
        m_output = new (std::nothrow) uint8_t[m_info.size];
        if (!m_output)
        {
            m_broken = true;
            return 0;
        }
        m_zstream.next_out = m_output;
        m_zstream.avail_out = m_info.size;
    }
    uint64_t end = static_cast<uint64_t>(m_position) + n;
    if (end > m_inflated)
    {
        bool ok = InflateTo(end);
        uint64_t produced = m_zstream.total_out;
        m_crc = Crc(m_crc, m_output + m_inflated, produced - m_inflated);
        m_inflated = produced;
        if (!ok || !CheckComplete(m_inflated))
        {
            m_broken = true;
            return 0;
        }
    }
    std::memcpy(buffer, m_output + m_position, n);
    m_position += static_cast<int64_t>(n);
    return n;
}

size_t ZZipFile::ReadStreamed(void* buffer, size_t count)
{
    uint64_t before = m_zstream.total_out;
    uint64_t left = m_info.size - before;
    size_t n = count < left ? count : static_cast<size_t>(left);
    if (n == 0)
        return 0;
    m_zstream.next_out = static_cast<Bytef*>(buffer);
    m_zstream.avail_out = static_cast<uInt>(n);
    bool ok = InflateTo(before + n);
    uint64_t produced = m_zstream.total_out - before;
    m_crc = Crc(m_crc, static_cast<const uint8_t*>(buffer), produced);
    m_position = static_cast<int64_t>(m_zstream.total_out);
    if (!ok || !CheckComplete(m_zstream.total_out))
    {
        m_broken = true;
        return 0;
    }
    return static_cast<size_t>(produced);
}

size_t ZZipFile::Read(void* buffer, size_t count)
{
    if (m_entry < 0 || m_broken || !buffer || count == 0)
        return 0;
    if (m_info.method == 0)
        return ReadStored(buffer, count);
    if (count > 0x40000000)
        count = 0x40000000;
    const EReadMode mode = (m_flags & FILE_STREAMED) ? EReadMode::Streamed : EReadMode::Buffered;
    if (m_readMode == EReadMode::None)
        m_readMode = mode;
    else if (m_readMode != mode)
        return 0;
    return mode == EReadMode::Streamed ? ReadStreamed(buffer, count) : ReadBuffered(buffer, count);
}

int ZZipFile::Seek(int64_t offset, int origin)
{
    if (m_entry < 0 || (m_flags & FILE_STREAMED))
        return 1;
    int64_t target;
    switch (origin)
    {
    case SEEK_FROM_START:
        target = offset;
        break;
    case SEEK_FROM_CURRENT:
        target = m_position + offset;
        break;
    case SEEK_FROM_END:
        target = static_cast<int64_t>(m_info.size) + offset;
        break;
    default:
        return 1;
    }
    if (target < 0 || target > static_cast<int64_t>(m_info.size))
        return 1;
    m_position = target;
    return 0;
}
