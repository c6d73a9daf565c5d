#pragma once
// Textures. ZTextureResource keeps the decoded pixel copy and its geometry; ZTexture adds the
// renderer-side id, the place in an atlas page, an optional separate alpha texture and the
// scene-file properties. Decoding may run on the resource loader thread; the device upload goes
// through the renderer's upload queue on the main thread.
#include <cstdint>
#include <string>

#include "engine/core/ZMatrix.h"
#include "engine/core/ZSerializer.h"
#include "engine/render/resources/ZPixelFormat.h"
#include "engine/resource/ZResource.h"
#include "engine/resource/ZResourcePath.h"

class ZTextureAtlas;

// Texture flags word (separate from the resource flags).
enum ETextureFlags : uint16_t
{
    kTextureResident = 0x1,
    kTexturePixels = 0x2,
    kTextureKeepPixels = 0x4,
    kTextureNoAtlas = 0x8,
    kTextureAlphaOnly = 0x10, // keeps only an alpha map and is never uploaded
    kTextureKeepAlpha = 0x20,
    kTextureAlphaMap = 0x40,
    kTextureRenderTarget = 0x80, // the renderer's render-target surface, drawn into by a camera
};

// 1 and 3 load at once; 0 at once only while the resource manager is in immediate mode; 2 not yet.
enum TextureLoadMode : int
{
    kTextureLoadDeferred = 0,
    kTextureLoadNow = 1,
    kTextureLoadLater = 2,
    kTextureLoadNowToo = 3,
};

class ZTextureResource : public ZResourceType<ZTextureResource>, public ZResourceListener
{
    QV_TYPE_RECORD(ZTextureResource, &ZResource::kTypeRecord)

public:
    ZTextureResource();
    ~ZTextureResource() override;

    int LoadData() override;
    int LoadSync() override { return 0; }
    int UnloadData() override;
    int64_t GetMemorySize() const override;
    int GetCost() override;
    int OpenSource() override;
    int CloseSource() override;
    IFile* GetSourceFile() override { return m_path.GetFile(); }
    int PostLoad(bool flag) override;
    void OnResourceLoaded(ZResource* resource) override;

    void SetPath(const char* path);
    const ZResourcePath& GetPath() const { return m_path; }
    // Decodes the file into the pixel copy in `format` through the resource manager's decoders.
    int Decode(int32_t format);
    // Stores a decoded image (takes the buffer, malloc'd) under the exchange lock.
    void StoreImage(uint8_t* pixels, int32_t format, int imageWidth, int imageHeight, int textureWidth,
                    int textureHeight, bool opaque);

    void SetAlphaTexture(ZTextureResource* alpha);
    ZTextureResource* GetAlphaTexture() const { return m_alphaTexture; }
    _M44 GetTextureMatrix() const;
    // Alpha at a point measured from the image centre, y upwards; -1 without alpha data.
    int GetAlphaAt(float x, float y) const;
    // 0 on success, 1 when the pair is not supported.
    int ConvertPixelFormat(int32_t target);
    // Writes the alpha texture's first byte of each pixel into this texture's alpha byte. 0 done.
    int MergeAlphaTexture(ZTextureResource* alpha);
    // Keeps or frees the pixel copy after the texture became resident.
    void AfterUpload();
    // Replaces the pixel copy with a buffer (malloc'd, owned from now on); null frees it.
    void SetPixels(uint8_t* pixels);

    uint16_t GetTextureFlags() const { return m_textureFlags; }
    void SetTextureFlags(uint16_t flags) { m_textureFlags = flags; }
    void AddTextureFlags(uint16_t flags) { m_textureFlags |= flags; }
    void ClearTextureFlags(uint16_t flags) { m_textureFlags &= uint16_t(~flags); }
    const uint8_t* GetPixels() const { return m_pixels; }
    uint8_t* GetPixels() { return m_pixels; }
    int GetTextureWidth() const { return m_textureWidth; }
    int GetTextureHeight() const { return m_textureHeight; }
    void SetTextureSize(int width, int height)
    {
        m_textureWidth = width;
        m_textureHeight = height;
    }
    int GetImageWidth() const { return m_imageWidth; }
    int GetImageHeight() const { return m_imageHeight; }
    int32_t GetPixelFormat() const { return m_format; }
    bool IsOpaque() const { return m_opaque != 0; }
    int GetBytesPerPixel() const { return m_bytesPerPixel; }

protected:
    // The resource part back to empty: no pixels, sizes 0, format -1, opaque, no alpha texture.
    void ResetResource();

    uint16_t m_textureFlags = 0;
    uint8_t* m_pixels = nullptr;
    ZTextureResource* m_alphaTexture = nullptr;
    int32_t m_textureWidth = 0;
    int32_t m_textureHeight = 0;
    int32_t m_imageWidth = 0;
    int32_t m_imageHeight = 0;
    int32_t m_format = kPixelNone;
    uint8_t m_opaque = 1;
    int32_t m_bytesPerPixel = 0;
    int32_t m_fileSize = -1;
    bool m_fileSizeKnown = false;
    ZResourcePath m_path;
};

class ZTexture : public ZTextureResource
{
    QV_TYPE_RECORD(ZTexture, &ZTextureResource::kTypeRecord)

public:
    ZTexture();
    ~ZTexture() override;

    static ZTexture* Find(const char* name);
    static ZTexture* FindOrLoad(const char* path, uint16_t flags, int mode);
    // A texture of B, G, R, A pixels (owned from now on) without a file.
    static ZTexture* CreateEmpty(uint8_t* pixels, int width, int height, uint16_t flags);
    // Loads by the load-mode rule.
    static void LoadByMode(ZTexture* texture, int mode);

    int UnloadData() override;
    ZSerializerBase* GetSerializer() const;
    // "path", "flags", "atlastransform", "atlasrect", "noatlas"; true when handled.
    virtual bool SetProperty(uint32_t id, const char* name, const char* value);
    virtual void SaveAttributes(ISaveVisitor* visitor);
    virtual void SaveChildren(ISaveVisitor* visitor);
    virtual void OnLoaded() {}

    // Hands the texture to the renderer's upload queue (at once with `now`).
    int RequestUpload(bool now);
    // After the texture became resident: merges its alpha texture and rewrites the device copy.
    int ApplyAlphaTexture(ZTextureResource* alpha);
    void Reset();

    int32_t GetRenderTextureId() const { return m_renderTextureId; }
    void SetRenderTextureId(int32_t id) { m_renderTextureId = id; }
    const _M44& GetAtlasTransform() const { return m_atlasTransform; }
    void SetAtlasTransform(const _M44& matrix) { m_atlasTransform = matrix; }
    // The packing node's rectangle: left, bottom, right, top (y grows downwards).
    const float* GetAtlasRect() const { return m_atlasRect; }
    void SetAtlasRect(float x0, float y1, float x1, float y0)
    {
        m_atlasRect[0] = x0, m_atlasRect[1] = y1, m_atlasRect[2] = x1, m_atlasRect[3] = y0;
    }
    ZTextureAtlas* GetAtlasPage() const { return m_atlasPage; }
    void SetAtlasPage(ZTextureAtlas* page) { m_atlasPage = page; }

protected:
    int32_t m_renderTextureId = -1;
    _M44 m_atlasTransform;
    float m_atlasRect[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    ZTextureAtlas* m_atlasPage = nullptr;
};
