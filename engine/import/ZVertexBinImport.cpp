#include "engine/import/ZVertexBinImport.h"

#include <cstddef>
#include <cstring>

#include "engine/fs/ZStream.h"

namespace
{
std::unique_ptr<ZMeshCache> g_meshCache;
std::mutex g_meshCacheLock;

// Blocks go to the renderer as they lie in memory: the 36-byte records of its vertex layout.
static_assert(offsetof(SVertexBinVertex, nx) == 12 && offsetof(SVertexBinVertex, colour) == 24 &&
                  offsetof(SVertexBinVertex, u) == 28 && offsetof(SVertexBinVertex, v) == 32,
              "vertex records must match the renderer's layout");
static_assert(kVertexSize == ZVertexBinImport::kVertexSize);

// The file whose blocks GetBlock answers, per thread: primitives may load on the loader thread.
thread_local std::string t_parsedFile;

// Registered before anything can load a primitive; never deleted, so no primitive released late
// in the process can reach a dead source.
const bool g_blockSourceRegistered = (ZPrimitive::SetBlockSource(ZVertexBlockSource::GetInstance()), true);

uint32_t LoadU32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}
} // namespace

uint32_t SVertexBlock::GetPrimitiveCount() const
{
    const uint32_t n = GetVertexCount();
    switch (word)
    {
    case 1:
        return n;
    case 2:
        return n / 2;
    case 3:
        return n >= 2 ? n - 1 : 0;
    case 5:
    case 6:
        return n >= 3 ? n - 2 : 0;
    default:
        return n / 3;
    }
}

const ZMeshCache::FileEntry* ZMeshCache::FindEntry(const std::string& fileName) const
{
    for (const FileEntry& entry : m_files)
        if (entry.name == fileName)
            return &entry;
    return nullptr;
}

const SVertexBlock* ZMeshCache::Find(const std::string& fileName, uint32_t position) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (const FileEntry* entry = FindEntry(fileName))
        for (const auto& block : entry->blocks)
            if (block->position == position)
                return block.get();
    return nullptr;
}

const SVertexBlock* ZMeshCache::Add(const std::string& fileName, std::unique_ptr<SVertexBlock> block)
{
    if (!block)
        return nullptr;
    std::lock_guard<std::mutex> guard(m_lock);
    FileEntry* entry = const_cast<FileEntry*>(FindEntry(fileName));
    if (!entry)
    {
        m_files.push_back(FileEntry{fileName, {}});
        entry = &m_files.back();
    }
    for (const auto& kept : entry->blocks)
        if (kept->position == block->position)
            return kept.get();
    entry->blocks.push_back(std::move(block));
    return entry->blocks.back().get();
}

std::vector<const SVertexBlock*> ZMeshCache::GetBlocks(const std::string& fileName) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<const SVertexBlock*> out;
    if (const FileEntry* entry = FindEntry(fileName))
        for (const auto& block : entry->blocks)
            out.push_back(block.get());
    return out;
}

size_t ZMeshCache::GetFileCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_files.size();
}

void ZMeshCache::Remove(const std::string& fileName)
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto it = m_files.begin(); it != m_files.end(); ++it)
    {
        if (it->name == fileName)
        {
            m_files.erase(it);
            return;
        }
    }
}

void ZMeshCache::Clear()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_files.clear();
}

ZVertexBinImport::ZVertexBinImport(ZStream* stream, const char* fileName)
    : m_stream(stream), m_fileName(fileName ? fileName : "")
{
}

int ZVertexBinImport::Read(ZStream* stream, void* buffer, uint32_t count)
{
    if (!stream || (!buffer && count))
        return 1;
    return stream->Read(buffer, count) == count ? 0 : 1;
}

int ZVertexBinImport::ReadU32(uint32_t* value)
{
    uint8_t bytes[4];
    if (Read(m_stream, bytes, 4) != 0)
        return 1;
    *value = LoadU32(bytes);
    return 0;
}

int ZVertexBinImport::ReadF32(float* value)
{
    uint32_t bits = 0;
    if (ReadU32(&bits) != 0)
        return 1;
    std::memcpy(value, &bits, sizeof(bits));
    return 0;
}

int ZVertexBinImport::Import()
{
    if (!m_stream)
        return 1;
    uint8_t header[kFileHeaderSize];
    if (Read(m_stream, header, kFileHeaderSize) != 0)
        return 1;
    ZMeshCache* cache = GetMeshCache();
    const int64_t size = m_stream->GetSize();
    while (!m_stream->IsEof())
    {
        const int64_t at = m_stream->Tell();
        if (at < 0 || at > int64_t(UINT32_MAX))
            return 1;
        const uint32_t position = uint32_t(at);
        // A chunk has no length field, so a header cut short or a tag that is not "VTXH" leaves no
        // way to find the next chunk: the file is damaged, and saying so beats reading garbage.
        uint8_t chunk[kChunkHeaderSize];
        if (Read(m_stream, chunk, kChunkHeaderSize) != 0)
            return 1;
        if (LoadU32(chunk) != kChunkTag)
            return 1;
        const int32_t count = int32_t(LoadU32(chunk + 8));
        const uint32_t word = LoadU32(chunk + 12);
        // The count comes from the file: never trust it for an allocation larger than the bytes
        // that are actually left.
        const int64_t left = size - m_stream->Tell();
        if (count < 0 || int64_t(count) * kVertexSize > left)
            return 1;

        auto block = std::make_unique<SVertexBlock>();
        block->position = position;
        block->word = word;
        block->vertices.resize(size_t(count));
        for (SVertexBinVertex& vertex : block->vertices)
        {
            float storedV = 0.0f;
            if (ReadF32(&vertex.x) || ReadF32(&vertex.y) || ReadF32(&vertex.z) || ReadF32(&vertex.nx) ||
                ReadF32(&vertex.ny) || ReadF32(&vertex.nz) || ReadU32(&vertex.colour) || ReadF32(&vertex.u) ||
                ReadF32(&storedV))
                return 1;
            // Files hold v flipped.
            vertex.v = 1.0f - storedV;
        }
        // The first import of a file at this position wins; later imports find its block.
        const SVertexBlock* kept = FindCachedMesh(cache, m_fileName, position);
        if (!kept)
            kept = AddCachedMesh(cache, m_fileName, std::move(block));
        if (m_chunkHandler && kept)
            m_chunkHandler(*kept);
    }
    return 0;
}

const SVertexBlock* ZVertexBinImport::FindBlock(uint32_t position) const
{
    return FindCachedMesh(GetMeshCache(), m_fileName, position);
}

ZMeshCache* ZVertexBinImport::GetMeshCache()
{
    std::lock_guard<std::mutex> guard(g_meshCacheLock);
    if (!g_meshCache)
        g_meshCache = std::make_unique<ZMeshCache>();
    return g_meshCache.get();
}

void ZVertexBinImport::ReleaseMeshCache()
{
    std::lock_guard<std::mutex> guard(g_meshCacheLock);
    g_meshCache.reset();
}

const SVertexBlock* ZVertexBinImport::FindCachedMesh(ZMeshCache* cache, const std::string& fileName,
                                                     uint32_t position)
{
    return cache ? cache->Find(fileName, position) : nullptr;
}

const SVertexBlock* ZVertexBinImport::AddCachedMesh(ZMeshCache* cache, const std::string& fileName,
                                                    std::unique_ptr<SVertexBlock> block)
{
    return cache ? cache->Add(fileName, std::move(block)) : nullptr;
}

ZVertexBlockSource* ZVertexBlockSource::GetInstance()
{
    static ZVertexBlockSource* const instance = new ZVertexBlockSource();
    return instance;
}

bool ZVertexBlockSource::Parse(const char* pathName, const uint8_t* data, size_t size)
{
    t_parsedFile.clear();
    if (!pathName || (!data && size) || size > UINT32_MAX)
        return false;
    ZMemoryStream stream(const_cast<uint8_t*>(data), uint32_t(size));
    ZVertexBinImport import(&stream, pathName);
    if (import.Import() != 0)
    {
        // Half a file is no geometry: nothing of it stays to be handed out later.
        ZVertexBinImport::GetMeshCache()->Remove(pathName);
        return false;
    }
    t_parsedFile = pathName;
    return true;
}

bool ZVertexBlockSource::GetBlock(uint32_t offset, SPartBlock& block)
{
    if (t_parsedFile.empty())
        return false;
    const SVertexBlock* kept = ZVertexBinImport::GetMeshCache()->Find(t_parsedFile, offset);
    if (!kept)
        return false;
    block.kind = kept->word;
    block.primitiveCount = kept->GetPrimitiveCount();
    block.vertices =
        kept->vertices.empty() ? nullptr : reinterpret_cast<const uint8_t*>(kept->vertices.data());
    return true;
}

void ZVertexBlockSource::Finish()
{
    t_parsedFile.clear();
}

void ZVertexBlockSource::Drop(const char* pathName)
{
    if (pathName)
        ZVertexBinImport::GetMeshCache()->Remove(pathName);
}
