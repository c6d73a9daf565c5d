#pragma once
// Vertex files: a 12-byte header, then "VTXH" chunks, each a 20-byte header (tag, spare word, vertex
// count, the chunk's word, spare word) followed by 36-byte vertices. The importer turns each chunk
// into a block of vertices in memory and keeps it in the process-wide mesh cache, keyed by the file
// name and the chunk's byte position, so a file used by several primitives is read into blocks only
// once. The cache holds vertex data only, never device geometry: whoever builds geometry copies
// from a block, and a primitive reloaded after its parts were released finds its blocks again.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/render/resources/ZPrimitive.h"

class ZStream;

// One vertex in the renderer's 36-byte layout.
struct SVertexBinVertex
{
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float nx = 0.0f, ny = 0.0f, nz = 0.0f;
    uint32_t colour = 0; // 0xAARRGGBB
    float u = 0.0f, v = 0.0f;
};
static_assert(sizeof(SVertexBinVertex) == 36, "the renderer's vertex layout is 36 bytes");

// The vertices of one chunk.
struct SVertexBlock
{
    uint32_t position = 0; // byte position of the chunk header in its file
    uint32_t word = 0;     // the chunk's word: the primitive kind of the geometry made from it
    std::vector<SVertexBinVertex> vertices;

    uint32_t GetVertexCount() const { return uint32_t(vertices.size()); }
    // Primitives the vertices make for the block's kind (1 points, 2 lines, 3 line strip,
    // 4 triangles, 5 triangle strip, 6 triangle fan); never more than the vertices can carry, and
    // n / 3 (rounded down) for any other kind.
    uint32_t GetPrimitiveCount() const;
};

// File name -> (chunk position -> block). Entries live for the run, or until Clear.
class ZMeshCache
{
public:
    // The block recorded for the file at that position, or null. Names compare by length and bytes.
    const SVertexBlock* Find(const std::string& fileName, uint32_t position) const;
    // Records the block unless the position already has one; returns the block kept for it.
    const SVertexBlock* Add(const std::string& fileName, std::unique_ptr<SVertexBlock> block);
    // Every block recorded for a file, in the order they were added.
    std::vector<const SVertexBlock*> GetBlocks(const std::string& fileName) const;
    // Forgets the file's entry and its blocks (pointers to them die).
    void Remove(const std::string& fileName);
    size_t GetFileCount() const;
    void Clear();

private:
    struct FileEntry
    {
        std::string name;
        std::vector<std::unique_ptr<SVertexBlock>> blocks;
    };
    const FileEntry* FindEntry(const std::string& fileName) const;

    mutable std::mutex m_lock;
    std::vector<FileEntry> m_files;
};

class ZVertexBinImport
{
public:
    static constexpr uint32_t kChunkTag = 0x48585456; // "VTXH"
    static constexpr uint32_t kFileHeaderSize = 12;
    static constexpr uint32_t kChunkHeaderSize = 20;
    static constexpr uint32_t kVertexSize = 36;

    // Told of every chunk read (also of chunks already cached), with the block kept in the cache.
    using ChunkHandler = std::function<void(const SVertexBlock& block)>;

    // The stream (a memory stream over the whole file, owned by the caller) and the file's name,
    // which keys the cache.
    ZVertexBinImport(ZStream* stream, const char* fileName);
    virtual ~ZVertexBinImport() = default;
    ZVertexBinImport(const ZVertexBinImport&) = delete;
    ZVertexBinImport& operator=(const ZVertexBinImport&) = delete;

    // Reads exactly `count` bytes: 0, or 1 when fewer were available.
    virtual int Read(ZStream* stream, void* buffer, uint32_t count);

    // Reads every chunk into the cache. 0 when the file ends cleanly after its header or after a
    // chunk; 1 when there is no stream, the header is short, a chunk tag is not "VTXH", a chunk
    // header is cut off, or a chunk's vertex count is negative or runs past the end of the file.
    // Blocks of chunks read before a failure stay in the cache.
    int Import();

    // The block of this file's chunk at that byte position, or null.
    const SVertexBlock* FindBlock(uint32_t position) const;

    void SetChunkHandler(ChunkHandler handler) { m_chunkHandler = std::move(handler); }
    const std::string& GetFileName() const { return m_fileName; }

    // The process-wide cache, made on first use; ReleaseMeshCache forgets it (engine shutdown).
    static ZMeshCache* GetMeshCache();
    static void ReleaseMeshCache();
    static const SVertexBlock* FindCachedMesh(ZMeshCache* cache, const std::string& fileName,
                                              uint32_t position);
    static const SVertexBlock* AddCachedMesh(ZMeshCache* cache, const std::string& fileName,
                                             std::unique_ptr<SVertexBlock> block);

private:
    int ReadU32(uint32_t* value);
    int ReadF32(float* value);

    ZStream* m_stream;
    std::string m_fileName;
    ChunkHandler m_chunkHandler;
};

// The reader as the primitives' source of geometry: a primitive's Load parses its file through it
// and takes each part's block from the mesh cache by the part's offset (the chunk's byte position).
// The cache keeps the blocks until the primitive is unloaded or deleted, or the engine shuts down.
// Registered with ZPrimitive at start-up.
class ZVertexBlockSource : public IVertexBlockSource
{
public:
    // Imports the file; a file the reader refuses leaves nothing in the cache and gives false.
    bool Parse(const char* pathName, const uint8_t* data, size_t size) override;
    // The cached block at that position of the file last parsed on this thread.
    bool GetBlock(uint32_t offset, SPartBlock& block) override;
    void Finish() override;
    void Drop(const char* pathName) override;

    // The instance registered with ZPrimitive.
    static ZVertexBlockSource* GetInstance();
};
