#include "engine/render/resources/ZTexture.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/ZMath.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZValueSerializer.h"
#include "engine/fs/ZFile.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZTextureAtlas.h"
#include "engine/resource/ZResourceManager.h"

namespace
{
ZSerializerRTTI<ZTexture> s_textureSerializer(true);
} // namespace

ZTextureResource::ZTextureResource()
{
    SetFlags(kResourceAsync | kResourceFileBacked | kResourcePostLoad);
}

ZTextureResource::~ZTextureResource()
{
    if (m_alphaTexture)
    {
        m_alphaTexture->RemoveListener(this);
        m_alphaTexture->Release();
    }
    std::free(m_pixels);
}

void ZTextureResource::SetPath(const char* path)
{
    m_path.Parse(path ? path : "");
}

int ZTextureResource::OpenSource()
{
    return m_path.Open();
}

int ZTextureResource::CloseSource()
{
    m_path.Close();
    return 0;
}

int ZTextureResource::GetCost()
{
    if (!m_fileSizeKnown)
    {
        // A path of its own, made from the name: the loader thread may be opening or closing the
        // resource's own file at this moment.
        ZResourcePath path(m_path.GetName());
        if (path.Open() == 0)
        {
            const int64_t size = path.GetFile()->GetSize();
            path.Close();
            m_fileSize = size < 0 || size > INT32_MAX ? -1 : int32_t(size);
            m_fileSizeKnown = m_fileSize >= 0;
        }
    }
    return m_fileSize > 0 ? m_fileSize : 1;
}

int ZTextureResource::LoadData()
{
    // A texture made from pixels has nothing to decode.
    if (m_pixels)
        return 0;
    if (g_render)
        return g_render->ReconvertTexture(this);
    return Decode(kPixelBGRA);
}

int ZTextureResource::Decode(int32_t format)
{
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    if (!manager)
        return 1;
    return manager->DecodeTexture(this, m_path, format);
}

void ZTextureResource::StoreImage(uint8_t* pixels, int32_t format, int imageWidth, int imageHeight,
                                  int textureWidth, int textureHeight, bool opaque)
{
    ZSpinLockGuard guard(GetExchangeLock());
    std::free(m_pixels);
    m_pixels = pixels;
    m_format = format;
    m_imageWidth = imageWidth;
    m_imageHeight = imageHeight;
    m_textureWidth = textureWidth;
    m_textureHeight = textureHeight;
    m_bytesPerPixel = PixelFormatBytes(format);
    m_opaque = opaque ? 1 : 0;
    if (m_pixels)
        m_textureFlags = uint16_t((m_textureFlags | kTexturePixels) & ~kTextureAlphaMap);
}

void ZTextureResource::SetPixels(uint8_t* pixels)
{
    std::free(m_pixels);
    m_pixels = pixels;
    if (m_pixels)
        m_textureFlags |= kTexturePixels;
    else
        m_textureFlags &= uint16_t(~(kTexturePixels | kTextureAlphaMap));
}

int ZTextureResource::UnloadData()
{
    SetPixels(nullptr);
    ClearTextureFlags(kTextureResident);
    return 0;
}

int64_t ZTextureResource::GetMemorySize() const
{
    return m_pixels ? int64_t(m_imageWidth) * m_imageHeight * m_bytesPerPixel : 0;
}

int ZTextureResource::PostLoad(bool flag)
{
    (void)flag;
    if (ZTexture* texture = ZEntityCast<ZTexture>(static_cast<ZEntity*>(this)))
        texture->RequestUpload(false);
    return 0;
}

void ZTextureResource::OnResourceLoaded(ZResource* resource)
{
    if (resource == m_alphaTexture)
        MergeAlphaTexture(m_alphaTexture);
}

void ZTextureResource::ResetResource()
{
    SetPixels(nullptr);
    m_textureWidth = m_textureHeight = 0;
    m_imageWidth = m_imageHeight = 0;
    m_format = kPixelNone;
    m_opaque = 1;
    m_bytesPerPixel = 0;
    if (m_alphaTexture)
    {
        m_alphaTexture->RemoveListener(this);
        m_alphaTexture->Release();
        m_alphaTexture = nullptr;
    }
}

void ZTextureResource::SetAlphaTexture(ZTextureResource* alpha)
{
    if (alpha == m_alphaTexture)
        return;
    if (m_alphaTexture)
    {
        m_alphaTexture->RemoveListener(this);
        m_alphaTexture->Release();
    }
    m_alphaTexture = alpha;
    m_fileSizeKnown = false;
    if (!alpha)
        return;
    alpha->AddRef();
    alpha->AddListener(this);
    MergeAlphaTexture(alpha);
    if (!alpha->IsLoaded() && !alpha->TestFlags(kResourceQueued))
        alpha->Load();
}

_M44 ZTextureResource::GetTextureMatrix() const
{
    _M44 matrix;
    if (m_textureWidth == m_imageWidth && m_textureHeight == m_imageHeight)
        return matrix;
    if (m_textureWidth <= 0 || m_textureHeight <= 0)
        return matrix;
    const float tw = float(m_textureWidth);
    const float th = float(m_textureHeight);
    matrix.m[0][0] = float(m_imageWidth) / tw;
    matrix.m[1][1] = float(m_imageHeight) / th;
    matrix.m[2][0] = float((m_textureWidth - m_imageWidth) / 2) / tw;
    matrix.m[2][1] = float((m_textureHeight - m_imageHeight) / 2) / th;
    return matrix;
}

int ZTextureResource::GetAlphaAt(float x, float y) const
{
    if (!m_pixels || m_opaque)
        return -1;
    const int alphaByte = m_bytesPerPixel == 1 ? 0 : PixelFormatAlphaByte(m_format);
    if (alphaByte < 0)
        return -1;
    const float halfW = float(m_imageWidth) / 2.0f;
    const float halfH = float(m_imageHeight) / 2.0f;
    if (!(x > -halfW && x < halfW && y > -halfH && y < halfH))
        return 0;
    const int row = int(halfH - y);
    const int column = int(halfW + x);
    if (row < 0 || row >= m_imageHeight || column < 0 || column >= m_imageWidth)
        return 0;
    return m_pixels[(size_t(row) * size_t(m_imageWidth) + size_t(column)) * size_t(m_bytesPerPixel) +
                    size_t(alphaByte)];
}

int ZTextureResource::ConvertPixelFormat(int32_t target)
{
    if (!m_pixels || !IsConversionSupported(m_format, target))
        return 1;
    // The copy is packed at the image size.
    uint8_t* converted = ConvertPixels(m_pixels, m_format, target, m_imageWidth, m_imageHeight);
    if (!converted)
        return 1;
    std::free(m_pixels);
    m_pixels = converted;
    m_format = target;
    m_bytesPerPixel = PixelFormatBytes(target);
    return 0;
}

int ZTextureResource::MergeAlphaTexture(ZTextureResource* alpha)
{
    if (!alpha || !m_pixels || !alpha->IsLoaded() || !alpha->m_pixels)
        return 1;
    const int alphaByte = PixelFormatAlphaByte(m_format);
    // Merging reads the alpha image pixel by pixel over this image: a smaller one would be read
    // past its end.
    if (alphaByte < 0 || m_bytesPerPixel <= 0 || alpha->m_bytesPerPixel <= 0 ||
        alpha->m_imageWidth != m_imageWidth || alpha->m_imageHeight != m_imageHeight)
        return 1;
    const size_t count = size_t(m_imageWidth) * size_t(m_imageHeight);
    for (size_t i = 0; i < count; ++i)
        m_pixels[i * size_t(m_bytesPerPixel) + size_t(alphaByte)] =
            alpha->m_pixels[i * size_t(alpha->m_bytesPerPixel)];
    m_opaque = 0;
    return 0;
}

void ZTextureResource::AfterUpload()
{
    const uint16_t flags = m_textureFlags;
    if ((flags & (kTextureAlphaOnly | kTextureKeepAlpha)) && !(flags & kTextureAlphaMap) &&
        !(flags & kTextureKeepPixels) && (flags & kTexturePixels) && m_pixels)
    {
        const int alphaByte = PixelFormatAlphaByte(m_format);
        const size_t count = size_t(m_imageWidth) * size_t(m_imageHeight);
        uint8_t* map = static_cast<uint8_t*>(std::malloc(count ? count : 1));
        for (size_t i = 0; i < count; ++i)
            map[i] = alphaByte < 0 ? 255 : m_pixels[i * size_t(m_bytesPerPixel) + size_t(alphaByte)];
        std::free(m_pixels);
        m_pixels = map;
        m_textureFlags = uint16_t((m_textureFlags & ~kTexturePixels) | kTextureAlphaMap);
        m_bytesPerPixel = 1;
    }
    if (!(m_textureFlags & (kTextureKeepPixels | kTextureKeepAlpha)))
    {
        std::free(m_pixels);
        m_pixels = nullptr;
        m_textureFlags &= uint16_t(~(kTexturePixels | kTextureAlphaMap));
    }
}

ZTexture::ZTexture() = default;

ZTexture::~ZTexture()
{
    if (IRender* renderer = g_render)
    {
        // A texture that goes away must not stay in the upload queue or its atlas page.
        renderer->ForgetQueuedTexture(this);
        if (m_atlasPage)
            m_atlasPage->Remove(this);
        else if (m_renderTextureId >= 0)
        {
            // The renderer sees by the cleared id that the texture itself is going.
            const int32_t id = m_renderTextureId;
            m_renderTextureId = -1;
            renderer->DeleteTexture(id);
        }
    }
}

ZTexture* ZTexture::Find(const char* name)
{
    if (!name)
        return nullptr;
    return ZEntityCast<ZTexture>(static_cast<ZEntity*>(ZTextureResource::Find(name)));
}

void ZTexture::LoadByMode(ZTexture* texture, int mode)
{
    if (!texture)
        return;
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    const bool now = mode == kTextureLoadNow || mode == kTextureLoadNowToo ||
                     (mode == kTextureLoadDeferred && manager && manager->GetLoadMode() == 1);
    if (now)
        texture->Load();
}

ZTexture* ZTexture::FindOrLoad(const char* path, uint16_t flags, int mode)
{
    if (!path)
        return nullptr;
    if (ZTexture* existing = Find(path))
    {
        // A layout of a screen not shown yet names its pictures without loading them; whoever
        // finds one by path asking for it now must not get it unloaded (it would draw black).
        if (!existing->IsLoaded() && !existing->TestFlags(kResourceQueued))
            LoadByMode(existing, mode);
        // Another screen's layout made it, and that screen may show only later: the screen being
        // built lists it too, so that showing this one loads it.
        ZResourceManager* manager = ZResourceManager::PeekInstance();
        if (ZResourceContext* context = manager ? manager->GetCurrentContext() : nullptr)
            context->OnResourceAdded(existing);
        return existing;
    }
    ZTexture* texture = new ZTexture();
    texture->AddTextureFlags(flags);
    texture->SetPath(path);
    texture->SetName(path);
    LoadByMode(texture, mode);
    return texture;
}

ZTexture* ZTexture::CreateEmpty(uint8_t* pixels, int width, int height, uint16_t flags)
{
    ZTexture* texture = new ZTexture();
    // Made from pixels: there is no file to open, and nothing could load it again.
    texture->ClearFlags(kResourceFileBacked | kResourceAsync);
    texture->SetFlags(kResourceKeep | kResourcePostLoad);
    texture->StoreImage(pixels, kPixelBGRA, width, height, width, height, true);
    texture->AddTextureFlags(uint16_t(flags | kTexturePixels));
    if (texture->Load() == 0)
        texture->PostLoad(false);
    return texture;
}

int ZTexture::UnloadData()
{
    IRender* renderer = g_render;
    bool released = false;
    if (m_atlasPage)
    {
        m_atlasPage->Remove(this);
        m_atlasPage = nullptr;
        m_atlasTransform.SetIdentity();
        SetAtlasRect(0.0f, 0.0f, 0.0f, 0.0f);
        released = true;
    }
    else if (renderer && m_renderTextureId >= 0)
    {
        renderer->DeleteTexture(m_renderTextureId);
        released = true;
        if (renderer->FreesPixelsOnUnload())
            SetPixels(nullptr);
    }
    if (renderer)
        renderer->ForgetQueuedTexture(this);
    m_renderTextureId = -1;
    if (released)
        ClearTextureFlags(kTextureResident);
    // A texture with a file is decoded again on its next load; one made from pixels keeps them.
    if (TestFlags(kResourceFileBacked))
        SetPixels(nullptr);
    return 0;
}

int ZTexture::RequestUpload(bool now)
{
    if (g_render)
        return g_render->RequestTextureUpload(this, now);
    return 0;
}

int ZTexture::ApplyAlphaTexture(ZTextureResource* alpha)
{
    if (MergeAlphaTexture(alpha) != 0)
        return 1;
    IRender* renderer = g_render;
    if (!renderer || m_renderTextureId < 0 || m_format < 0 || PixelFormatBytes(m_format) != 4)
        return 1;
    {
        ZSpinLockGuard guard(GetExchangeLock());
        int pitch = 0;
        uint8_t* bits = nullptr;
        if (renderer->LockTexture(m_renderTextureId, pitch, bits) == 0 && bits)
        {
            int x = 0, y = 0;
            if (m_atlasPage)
            {
                x = int(m_atlasRect[0]);
                y = int(m_atlasRect[3]);
            }
            else
            {
                // Padded images sit centred in their device texture, as the upload placed them.
                x = (m_textureWidth - m_imageWidth) / 2;
                y = (m_textureHeight - m_imageHeight) / 2;
            }
            for (int row = 0; row < m_imageHeight; ++row)
                std::memcpy(bits + size_t(y + row) * size_t(pitch) + size_t(x) * 4,
                            m_pixels + size_t(row) * size_t(m_imageWidth) * 4, size_t(m_imageWidth) * 4);
            renderer->UnlockTexture(m_renderTextureId);
        }
    }
    if (m_atlasPage && m_atlasPage->GetPixels())
    {
        uint8_t* page = m_atlasPage->GetPixels();
        const size_t pitch = size_t(m_atlasPage->GetWidth()) * 4;
        const int x = int(m_atlasRect[0]);
        const int y = int(m_atlasRect[3]);
        for (int row = 0; row < m_imageHeight; ++row)
            std::memcpy(page + size_t(y + row) * pitch + size_t(x) * 4,
                        m_pixels + size_t(row) * size_t(m_imageWidth) * 4, size_t(m_imageWidth) * 4);
        AfterUpload();
        alpha->AfterUpload();
    }
    return 0;
}

void ZTexture::Reset()
{
    m_renderTextureId = -1;
    m_textureFlags = 0;
    m_atlasTransform.SetIdentity();
    ResetResource();
}

ZSerializerBase* ZTexture::GetSerializer() const
{
    return &s_textureSerializer;
}

bool ZTexture::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    if (!value)
        return false;
    if (id == ZNameId("path").Value())
    {
        SetPath(value);
        if (!HasName())
            SetName(value);
        return true;
    }
    if (id == ZNameId("flags").Value())
    {
        int flags = 0;
        std::from_chars(value, value + std::strlen(value), flags);
        // Only the kind-specific bits come from files: the manager owns the others.
        ClearFlags(kResourceDataReady);
        SetFlags(uint16_t(flags) & kResourceDataReady);
        return true;
    }
    if (id == ZNameId("alphatexture").Value())
    {
        const ZTexture* alpha = SerializedChild<ZTexture>(value);
        if (!alpha)
            return false;
        SetAlphaTexture(const_cast<ZTexture*>(alpha));
        return true;
    }
    if (id == ZNameId("atlastransform").Value())
    {
        const _M44* m = SerializedChild<_M44>(value);
        if (!m)
            return false;
        m_atlasTransform = *m;
        return true;
    }
    if (id == ZNameId("atlasrect").Value())
    {
        const V4* rect = SerializedChild<V4>(value);
        if (!rect)
            return false;
        SetAtlasRect(rect->x, rect->y, rect->z, rect->w);
        return true;
    }
    if (id == ZNameId("noatlas").Value())
    {
        AddTextureFlags(kTextureNoAtlas);
        return true;
    }
    return false;
}

void ZTexture::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    visitor->Attribute("path", m_path.GetName().c_str());
    char text[16];
    std::snprintf(text, sizeof(text), "%i", int(GetFlags()));
    visitor->Attribute("flags", text);
}

void ZTexture::SaveChildren(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    if (m_atlasPage)
    {
        visitor->BeginElement("atlastransform", "m44");
        WriteValueAttributes(m_atlasTransform, *visitor);
        visitor->CloseStartTag();
        visitor->EndElement("atlastransform", "m44");
        const V4 rect{m_atlasRect[0], m_atlasRect[1], m_atlasRect[2], m_atlasRect[3]};
        visitor->BeginElement("atlasrect", "v4");
        WriteValueAttributes(rect, *visitor);
        visitor->CloseStartTag();
        visitor->EndElement("atlasrect", "v4");
    }
    if (ZTexture* alpha = ZEntityCast<ZTexture>(static_cast<ZEntity*>(m_alphaTexture)))
    {
        visitor->BeginElement("alphatexture", "texture");
        alpha->SaveAttributes(visitor);
        visitor->CloseStartTag();
        alpha->SaveChildren(visitor);
        visitor->EndElement("alphatexture", "texture");
    }
}
