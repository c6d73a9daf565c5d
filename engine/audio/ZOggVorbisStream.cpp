#include "engine/audio/ZOggVorbisStream.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/fs/ZFile.h"

namespace
{
constexpr int kMaxInvalidCalls = 26;
} // namespace

ZOggVorbisStream::ZOggVorbisStream(const char* name) : m_seekable(false), m_path(name ? name : "")
{
    Open();
}

ZOggVorbisStream::ZOggVorbisStream(IFile* file) : m_file(file), m_seekable(true), m_callerFile(true)
{
    Open();
}

ZOggVorbisStream::ZOggVorbisStream(const uint8_t* bytes, size_t size)
    : m_seekable(true), m_callerFile(true), m_memory(bytes), m_memorySize(bytes ? size : 0)
{
    Open();
}

ZOggVorbisStream::~ZOggVorbisStream()
{
    CloseDecoder();
    // A file opened by name goes with the path.
    m_file = nullptr;
}

void ZOggVorbisStream::CloseDecoder()
{
    if (m_decoderOpen)
        ov_clear(&m_vorbis);
    m_decoderOpen = false;
    m_info = nullptr;
    m_comment = nullptr;
    m_totalPcmSize = -1;
}

int ZOggVorbisStream::Open()
{
    CloseDecoder();
    if (m_memory)
        m_memoryPos = 0;
    else if (!m_callerFile)
    {
        // Our own file streams forward only (a zip member inflates straight into the decoder's
        // buffer), so opening again is also how it rewinds.
        m_file = nullptr;
        if (m_path.Open() != 0)
            return 1;
        m_file = m_path.GetFile();
        m_file->SetFlags(m_file->GetFlags() | FILE_STREAMED);
    }
    else if (!m_file)
        return 1;
    else if (m_file->IsOpen())
    {
        if (m_file->Seek(0, SEEK_FROM_START) != 0)
            return 1;
    }
    else if (m_file->Open() != 0)
        return 1;

    const ov_callbacks callbacks = {&ReadCallback, &SeekCallback, &CloseCallback, &TellCallback};
    if (ov_open_callbacks(this, &m_vorbis, nullptr, 0, callbacks) != 0)
    {
        // vorbisfile leaves the file to us when it fails.
        if (!m_callerFile)
        {
            m_path.Close();
            m_file = nullptr;
        }
        return 1;
    }
    m_decoderOpen = true;
    m_info = ov_info(&m_vorbis, -1);
    m_comment = ov_comment(&m_vorbis, -1);
    const ogg_int64_t samples = ov_pcm_total(&m_vorbis, -1);
    m_totalPcmSize = samples < 0 || !m_info ? -1 : int64_t(samples) * m_info->channels * m_bytesPerSample;
    return 0;
}

size_t ZOggVorbisStream::Read(void* buffer, size_t count)
{
    if (!buffer || count < 1 || !m_decoderOpen)
        return 0;
    char* out = static_cast<char*>(buffer);
    size_t done = 0;
    int invalidCalls = 0;
    while (done < count)
    {
        int bitstream = 0;
        const int want = int(std::min<size_t>(count - done, INT_MAX));
        const long result = ov_read(&m_vorbis, out + done, want, 0, 2, 1, &bitstream);
        if (result > 0)
            done += size_t(result);
        else if (result == 0)
            return done;
        else if (result == OV_HOLE)
            continue;
        else if (result == OV_EINVAL)
        {
            // What was decoded so far is the answer once the decoder keeps refusing.
            if (++invalidCalls > kMaxInvalidCalls)
                return done;
        }
        else
            return 0;
    }
    return done;
}

bool ZOggVorbisStream::Write(const void*, size_t)
{
    // Not supported: nothing was written.
    return false;
}

int64_t ZOggVorbisStream::GetSize()
{
    if (m_memory)
        return int64_t(m_memorySize);
    return m_file ? m_file->GetSize() : -1;
}

int ZOggVorbisStream::Seek(int64_t offset)
{
    if (!m_decoderOpen || !ov_seekable(&m_vorbis))
        return 1;
    return ov_raw_seek(&m_vorbis, ogg_int64_t(offset)) == 0 ? 0 : 1;
}

int64_t ZOggVorbisStream::Tell()
{
    if (m_memory)
        return int64_t(m_memoryPos);
    return m_file ? m_file->Tell() : 0;
}

bool ZOggVorbisStream::IsEof()
{
    if (m_memory)
        return m_memoryPos >= m_memorySize;
    return m_file ? m_file->IsEof() : true;
}

size_t ZOggVorbisStream::ReadCallback(void* ptr, size_t size, size_t count, void* source)
{
    auto* self = static_cast<ZOggVorbisStream*>(source);
    if (self->m_memory && size > 0)
    {
        const size_t items = std::min(count, (self->m_memorySize - self->m_memoryPos) / size);
        std::memcpy(ptr, self->m_memory + self->m_memoryPos, items * size);
        self->m_memoryPos += items * size;
        return items;
    }
    if (!self->m_file || size == 0)
        return 0;
    return self->m_file->Read(ptr, size * count) / size;
}

int ZOggVorbisStream::SeekCallback(void* source, ogg_int64_t offset, int whence)
{
    auto* self = static_cast<ZOggVorbisStream*>(source);
    if (self->m_memory)
    {
        int64_t base = 0;
        if (whence == SEEK_CUR)
            base = int64_t(self->m_memoryPos);
        else if (whence == SEEK_END)
            base = int64_t(self->m_memorySize);
        const int64_t target = base + int64_t(offset);
        if (target < 0 || target > int64_t(self->m_memorySize))
            return -1;
        self->m_memoryPos = size_t(target);
        return 0;
    }
    if (!self->m_seekable || !self->m_file)
        return -1;
    int origin = SEEK_FROM_START;
    if (whence == SEEK_CUR)
        origin = SEEK_FROM_CURRENT;
    else if (whence == SEEK_END)
        origin = SEEK_FROM_END;
    return self->m_file->Seek(int64_t(offset), origin) == 0 ? 0 : -1;
}

int ZOggVorbisStream::CloseCallback(void* source)
{
    auto* self = static_cast<ZOggVorbisStream*>(source);
    // A caller's file stays open for the caller to close.
    if (!self->m_callerFile && self->m_file && self->m_file->IsOpen())
        self->m_file->Close();
    return 0;
}

long ZOggVorbisStream::TellCallback(void* source)
{
    auto* self = static_cast<ZOggVorbisStream*>(source);
    if (self->m_memory)
        return long(self->m_memoryPos);
    if (!self->m_seekable || !self->m_file)
        return -1;
    return long(self->m_file->Tell());
}
