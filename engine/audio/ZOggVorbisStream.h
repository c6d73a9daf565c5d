#pragma once
// An Ogg Vorbis file as a stream of 16-bit little-endian signed PCM, decoded by vorbisfile over
// the engine's own files. Music opens its file by name and streams it forward (a rewind reopens
// the file); a sound effect hands in its open file, which stays the caller's and may seek, or
// the file's bytes kept in memory (decoded when the sound first plays).
#include <cstdint>
#include <string>

#include <vorbis/vorbisfile.h>

#include "engine/fs/ZStream.h"
#include "engine/resource/ZResourcePath.h"

class IFile;

class ZOggVorbisStream : public ZStream
{
public:
    // The music path: opens the file itself, streamed forward only, and the decoder.
    explicit ZOggVorbisStream(const char* name);
    // The sound-effect path: over the caller's open file, seekable.
    explicit ZOggVorbisStream(IFile* file);
    // Over the caller's bytes of a whole file, seekable; the bytes must outlive the stream.
    ZOggVorbisStream(const uint8_t* bytes, size_t size);
    ~ZOggVorbisStream() override;
    ZOggVorbisStream(const ZOggVorbisStream&) = delete;
    ZOggVorbisStream& operator=(const ZOggVorbisStream&) = delete;

    // Opens, or rewinds: 0 on success, 1 when the file or the decoder cannot be opened.
    int Open() override;
    // Bytes of PCM given; 0 at the end of the stream or on a decoding error.
    size_t Read(void* buffer, size_t count) override;
    bool Write(const void* buffer, size_t count) override;
    int64_t GetSize() override;
    // A raw seek to a byte of the compressed data; 1 when the stream cannot seek.
    int Seek(int64_t offset) override;
    int64_t Tell() override;
    bool IsEof() override;

    bool IsDecoderOpen() const { return m_decoderOpen; }
    bool IsSeekable() const { return m_seekable; }
    // 0 when the stream has no information.
    uint32_t GetSampleRate() const { return m_info ? uint32_t(m_info->rate) : 0; }
    uint32_t GetChannels() const { return m_info ? uint32_t(m_info->channels) : 0; }
    // Bytes of the whole decoded stream; -1 when the decoder cannot tell.
    int64_t GetTotalPcmSize() const { return m_totalPcmSize; }
    // The resolved name of a file opened by name ("" for a caller's file).
    const std::string& GetFileName() const { return m_path.GetResolvedPath(); }
    IFile* GetFile() const { return m_file; }

private:
    static size_t ReadCallback(void* ptr, size_t size, size_t count, void* source);
    static int SeekCallback(void* source, ogg_int64_t offset, int whence);
    static int CloseCallback(void* source);
    static long TellCallback(void* source);

    void CloseDecoder();

    OggVorbis_File m_vorbis{};
    bool m_decoderOpen = false;
    IFile* m_file = nullptr;
    vorbis_info* m_info = nullptr;
    vorbis_comment* m_comment = nullptr;
    bool m_seekable = true;
    bool m_callerFile = false;
    // The in-memory source: its bytes, size and read position.
    const uint8_t* m_memory = nullptr;
    size_t m_memorySize = 0;
    size_t m_memoryPos = 0;
    ZResourcePath m_path; // of a file opened by name
    int64_t m_totalPcmSize = -1;
    uint32_t m_bytesPerSample = 2;
};
