#pragma once
// Static geometry: a primitive is a named resource of up to 16 parts; each part holds one vertex
// buffer of the renderer, one primitive kind and one material. The vertex data comes from vertex
// files; the reader of those files hands each part its block of 36-byte vertices.
#include <cstdint>
#include <string>

#include "engine/core/ZBoundingBox.h"
#include "engine/core/ZSerializer.h"
#include "engine/core/ZStaticArray.h"
#include "engine/core/ZVector.h"
#include "engine/resource/ZResource.h"

class ZMaterial;

// The vertex shared by every vertex buffer: position, normal (3 floats each), ARGB colour, u, v.
constexpr uint32_t kVertexSize = 36;

enum EPrimitiveKind : uint32_t
{
    kPrimPointList = 1,
    kPrimLineList = 2,
    kPrimLineStrip = 3,
    kPrimTriangleList = 4,
    kPrimTriangleStrip = 5,
    kPrimTriangleFan = 6,
};

enum ESubPrimitiveFlags : uint16_t
{
    kSubPrimCreated = 0x1,
    kSubPrimBlended = 0x8, // some vertex colour has alpha below 0xFF
};

// Vertex count of `count` primitives of `kind`; 0 for an unknown kind.
uint32_t VertexCountFor(uint32_t kind, uint32_t count);

class ZSubPrimitive : public ZResourceType<ZSubPrimitive>
{
    QV_TYPE_RECORD(ZSubPrimitive, &ZResource::kTypeRecord)

public:
    ZSubPrimitive() = default;
    ~ZSubPrimitive() override;

    // `vertices` holds the vertex count (from kind and count) records of kVertexSize bytes. The
    // vertex buffer is made through the renderer; without one the box stays empty.
    static ZSubPrimitive* Create(uint32_t primitiveCount, const uint8_t* vertices, uint32_t kind);
    static ZSubPrimitive* CreateEmpty() { return new ZSubPrimitive(); }

    // Deletes the renderer's vertex buffer; 0 when there was none.
    virtual int ReleaseDeviceBuffer();
    // "offset" (decimal) and "material"; other names are not handled (false).
    virtual bool SetProperty(ZNameId name, const char* text);

    // The scene reader's side ("subprimitive" elements): "name", a "material" child element, and
    // the attributes above. A part finished without a material gets the default material.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor) { (void)visitor; }
    void OnLoaded();

    int LoadSync() override { return 0; }
    int UnloadData() override { return 0; }
    int64_t GetMemorySize() const override { return int64_t(m_vertexCount) * kVertexSize; }

    uint32_t GetVertexCount() const { return m_vertexCount; }
    uint32_t GetPrimitiveCount() const { return m_primitiveCount; }
    uint32_t GetKind() const { return m_kind; }
    ZMaterial* GetMaterial() const { return m_material; }
    void SetMaterial(ZMaterial* material) { m_material = material; }
    int32_t GetVertexBufferId() const { return m_vertexBuffer; }
    uint16_t GetPartFlags() const { return m_partFlags; }
    uint32_t GetOffset() const { return m_offset; }
    void SetOffset(uint32_t offset) { m_offset = offset; }
    const ZBoundingBox& GetBounds() const { return m_bounds; }

private:
    void Build(uint32_t primitiveCount, const uint8_t* vertices, uint32_t kind);

    uint32_t m_vertexCount = 0;
    uint32_t m_primitiveCount = 0;
    uint32_t m_kind = 0;
    ZMaterial* m_material = nullptr;
    int32_t m_vertexBuffer = -1;
    uint16_t m_partFlags = 0;
    uint32_t m_offset = 0;
    ZBoundingBox m_bounds;
};

// A vertex block handed out by the vertex-file reader: kind word, primitive count and vertices
// (VertexCountFor(kind, primitiveCount) records of kVertexSize bytes).
struct SPartBlock
{
    uint32_t kind = 0;
    uint32_t primitiveCount = 0;
    const uint8_t* vertices = nullptr;
};

// What a primitive's Load needs of the vertex-file reader: parse a whole file, then answer the
// block at a part's offset (false when there is none). The blocks stay valid until Finish.
class IVertexBlockSource
{
public:
    virtual ~IVertexBlockSource() = default;
    virtual bool Parse(const char* pathName, const uint8_t* data, size_t size) = 0;
    virtual bool GetBlock(uint32_t offset, SPartBlock& block) = 0;
    virtual void Finish() = 0;
    // The file's blocks are no longer wanted (its primitive was unloaded).
    virtual void Drop(const char* pathName) { (void)pathName; }
};

class ZPrimitive : public ZMetaResourceType<ZPrimitive>
{
    QV_TYPE_RECORD(ZPrimitive, &ZResource::kTypeRecord)

public:
    static constexpr size_t kMaxParts = 16;

    ZPrimitive() = default;
    // Drops what the reader keeps of its file.
    ~ZPrimitive() override;

    static ZPrimitive* Create() { return new ZPrimitive(); }

    // The renderer's ReleasePrimitiveBuffers; 1 without a renderer.
    virtual int ReleaseDeviceBuffers();
    // "path", "name"; "subprim" goes through AddPart.
    virtual bool SetProperty(ZNameId name, const char* text);

    // The scene reader's side ("primitive" elements): the attributes above, and "subprimitive"
    // child elements, which become parts in document order. A finished primitive is loaded.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor);
    void OnLoaded() { Load(); }
    // Appends a part and grows the box; false (nothing changes) for null or when 16 parts are held.
    bool AddPart(ZSubPrimitive* part);
    // Reads the vertex file and remakes every part from its block. A file that cannot be read, that
    // the reader refuses, or that does not match the primitive (no block at some part's offset, or a
    // block of an unknown kind) changes nothing and gives 1; 0 when every part was made.
    int Load();

    int LoadSync() override { return Load(); }
    // The reader forgets the file's blocks; the parts keep their geometry.
    int UnloadData() override;
    int64_t GetMemorySize() const override { return 0; }

    uint32_t GetPartCount() const { return uint32_t(m_parts.Size()); }
    ZSubPrimitive* GetPart(uint32_t index) const { return index < m_parts.Size() ? m_parts[index] : nullptr; }
    const ZBoundingBox& GetBounds() const { return m_bounds; }
    const std::string& GetPath() const { return m_path; }
    void SetPath(const char* path) { m_path = path ? path : ""; }

    // The reader of vertex files, registered by it; Load does nothing without one.
    static void SetBlockSource(IVertexBlockSource* source) { s_blockSource = source; }
    static IVertexBlockSource* GetBlockSource() { return s_blockSource; }

private:
    void DropFileBlocks();

    ZStaticArray<ZSubPrimitive*, kMaxParts> m_parts;
    ZBoundingBox m_bounds;
    std::string m_path;
    // The name the file was parsed under, while the reader may hold its blocks.
    std::string m_parsedName;
    static inline IVertexBlockSource* s_blockSource = nullptr;
};
