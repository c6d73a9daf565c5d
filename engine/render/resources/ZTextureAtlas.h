#pragma once
// Atlas pages: small textures packed into a shared device texture. Each page keeps an RGBA copy in
// system memory, packs rectangles with a binary-tree packer (4-texel gutters, filled half by each
// neighbour's replicated border), and uploads itself when it has changed. When memory is low an
// uploaded page parks its copy in a cache file and reads it back before it next needs it.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/ZEntity.h"
#include "engine/core/ZSerializer.h"

class ZTexture;
class IRender;

class ZTextureAtlas : public ZEntity
{
    QV_TYPE_RECORD(ZTextureAtlas, &ZEntity::kTypeRecord)

public:
    static constexpr int kGutter = 4;
    static constexpr int kBorder = 2;

    struct Node
    {
        Node* parent = nullptr;
        ZTextureAtlas* page = nullptr;
        Node* first = nullptr;
        Node* second = nullptr;
        // Left, bottom, right, top; y grows downwards, so height = y1 - y0.
        float x0 = 0.0f, y1 = 0.0f, x1 = 0.0f, y0 = 0.0f;
        ZTexture* occupant = nullptr;
        // Set for a placed rectangle (the occupant may be null in tests of the packer).
        bool used = false;
    };

    ZTextureAtlas(IRender* renderer, uint32_t context, int index);
    ~ZTextureAtlas() override;
    ZTextureAtlas(const ZTextureAtlas&) = delete;
    ZTextureAtlas& operator=(const ZTextureAtlas&) = delete;

    const char* GetName() const override { return "ZTextureAtlas"; }

    // The packing tree, a zeroed system copy and the device texture; 0 on success.
    int Allocate(int width, int height);
    // Places the texture's pixels (image size, RGBA, rows packed); the node or null.
    Node* Insert(ZTexture* texture);
    // The packer over a raw image (w x h RGBA bytes) for an occupant that may be null.
    Node* InsertImage(const uint8_t* pixels, int width, int height, ZTexture* occupant);
    // 0 when placed (the texture is then listed), 1 when it does not fit.
    int Place(ZTexture* texture);
    // The texture leaves; the whole page is given up when its last texture left.
    void Remove(ZTexture* texture);
    // Uploads the system copy to the device texture.
    void Commit();
    // Parks the system copy in the cache file when memory is low.
    void SwapOut();
    // Writes the cache file and frees the copy, whatever the memory; false (copy kept) on failure.
    bool SwapOutNow();
    // Reads the copy back; false when the file is gone or short (the copy is then rebuilt empty).
    bool SwapIn();
    // Copies an image into the system copy at the node's rectangle with its replicated border.
    void CopyPixels(const uint8_t* pixels, int width, int height, const Node& node);

    uint32_t GetContext() const { return m_context; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int GetIndex() const { return m_index; }
    int32_t GetRenderTextureId() const { return m_renderTextureId; }
    const std::vector<ZTexture*>& GetTextures() const { return m_textures; }
    ZTextureAtlas* GetNext() const { return m_next; }
    void SetNext(ZTextureAtlas* next) { m_next = next; }
    const uint8_t* GetPixels() const { return m_pixels; }
    uint8_t* GetPixels() { return m_pixels; }
    bool HasPixels() const { return m_pixels != nullptr; }
    bool IsSwappedOut() const { return m_swappedOut; }
    bool IsDirty() const { return m_dirty; }
    bool IsAllocated() const { return m_root != nullptr; }
    const Node* GetRoot() const { return m_root; }
    const std::string& GetCachePath() const { return m_cachePath; }
    // The cache file's name for this page: "<cache folder>/atlas_id<context>_<index>.dat".
    std::string MakeCachePath() const;
    // The private folder of cache pages (created 0700 on first use); empty when it cannot be made.
    static std::string GetCacheFolder();
    static void SetCacheFolder(const std::string& folder);

    // Scene files: made through the renderer's page list.
    static ZTextureAtlas* Create();
    // "contextid", "width", "height" (decimal) and a child "texture" per placed texture.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor);
    void OnLoaded() {}
    ZSerializerBase* GetSerializer() const;

    // Serializer fields.
    void SetContext(uint32_t context) { m_context = context; }
    void SetSize(int width, int height)
    {
        m_width = width;
        m_height = height;
    }
    void AppendTexture(ZTexture* texture) { m_textures.push_back(texture); }

private:
    Node* InsertAt(Node* node, const uint8_t* pixels, int width, int height, ZTexture* occupant);
    // Frees the node holding the texture and merges free siblings; true when found.
    bool FreeNode(Node* node, ZTexture* texture);
    static bool IsOccupied(const Node* node);
    static void DeleteTree(Node* node);
    void EnsurePixels();
    void Release();
    void MarkDirty();
    // After a lost cache file: copies back every placed texture that still holds its pixels.
    void RebuildFromTextures();

    uint32_t m_context;
    int m_width = 0;
    int m_height = 0;
    std::string m_cachePath;
    std::vector<ZTexture*> m_textures;
    int32_t m_renderTextureId = -1;
    int m_index;
    ZTextureAtlas* m_next = nullptr;
    uint8_t* m_pixels = nullptr;
    size_t m_pixelBytes = 0;
    IRender* m_renderer;
    Node* m_root = nullptr;
    bool m_swappedOut = false;
    bool m_dirty = true;
};
