// The Direct3D 7 back end's resources: texture and render-target slots, uploads, screen grabs,
// vertex buffers, quads, and the text, particle and overlay drawers.
#include "engine/render/d3d7/ZRenderD3D7.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/ZAllocBase.h"
#include "engine/core/ZWorkerPool.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/platform/d3d7/ZSoftPixels.h"
#include "engine/render/ZRenderFont.h"
#include "engine/render/ZRenderOverlay.h"
#include "engine/render/ZRenderParticles.h"
#include "engine/render/ZView.h"
#include "engine/render/d3d7/ZRenderD3D7ShaderFFP.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPrimitive.h"
#include "engine/render/resources/ZRenderSettings.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/render/resources/ZTextureAtlas.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZParticleEmitterSystem.h"

using namespace soft7;

// Resources.

ZSoftSurface* ZRenderD3D7::GetTextureSurface(int id) const
{
    return (id >= 0 && id < kD3D7TextureSlots) ? m_textures[size_t(id)].surface : nullptr;
}

bool ZRenderD3D7::GetTextureSize(int id, int& width, int& height) const
{
    width = height = 0;
    ZSoftSurface* surface = GetTextureSurface(id);
    if (!surface)
        return false;
    width = int(surface->Width());
    height = int(surface->Height());
    return true;
}

int ZRenderD3D7::GetTextureSize(int id) const
{
    int width = 0, height = 0;
    return GetTextureSize(id, width, height) ? width * height * 4 : 0;
}

int ZRenderD3D7::LockTexture(int id, int& pitch, uint8_t*& bits)
{
    ZSoftSurface* surface = GetTextureSurface(id);
    if (!surface)
        return 1;
    SSoftSurfaceDesc desc;
    if (D3D7_CHECK("renderd3d7", surface->Lock(nullptr, desc, kLockWait)) < 0)
        return 1;
    if (surface->Kind() == PixelKind::ARGB8888)
    {
        pitch = desc.pitch;
        bits = static_cast<uint8_t*>(desc.surface);
        return 0;
    }
    // Callers write 32-bit B, G, R, A rows: they get a copy in that layout, written back on unlock.
    TextureSlot& slot = m_textures[size_t(id)];
    const uint32_t w = surface->Width(), h = surface->Height();
    slot.staging.resize(size_t(w) * h * 4);
    const uint32_t bytes = BytesPerPixel(surface->Kind());
    for (uint32_t y = 0; y < h; ++y)
    {
        const uint8_t* in = static_cast<const uint8_t*>(desc.surface) + size_t(y) * size_t(desc.pitch);
        uint8_t* out = slot.staging.data() + size_t(y) * w * 4;
        for (uint32_t x = 0; x < w; ++x, in += bytes, out += 4)
        {
            const uint32_t argb = DecodeARGB(surface->Kind(), in);
            out[0] = uint8_t(argb), out[1] = uint8_t(argb >> 8), out[2] = uint8_t(argb >> 16),
            out[3] = uint8_t(argb >> 24);
        }
    }
    surface->Unlock(nullptr);
    pitch = int(w * 4);
    bits = slot.staging.data();
    return 0;
}

int ZRenderD3D7::UnlockTexture(int id)
{
    ZSoftSurface* surface = GetTextureSurface(id);
    if (!surface)
        return 1;
    TextureSlot& slot = m_textures[size_t(id)];
    if (surface->Kind() != PixelKind::ARGB8888)
    {
        if (slot.staging.empty())
            return 1;
        WriteRows(surface, slot.staging.data(), int(surface->Width()), int(surface->Height()), 0, 0,
                  int(surface->Width()) * 4);
        slot.staging.clear();
        slot.staging.shrink_to_fit();
        return 0;
    }
    return D3D7_CHECK("renderd3d7", surface->Unlock(nullptr)) < 0 ? 1 : 0;
}

ZSoftSurface* ZRenderD3D7::MakeTextureSurface(int width, int height, bool renderTarget)
{
    if (!m_ddraw || width <= 0 || height <= 0)
        return nullptr;
    SSoftSurfaceDesc desc;
    desc.width = uint32_t(width);
    desc.height = uint32_t(height);
    desc.caps = kCapsTexture;
    const bool hardware = m_deviceDesc.kind != DeviceKind::Rgb;
    if (renderTarget)
        desc.caps |= kCaps3DDevice | (hardware ? kCapsVideoMemory : kCapsSystemMemory);
    else
        desc.caps |= hardware ? kCapsTextureManage : kCapsSystemMemory;
    if (m_deviceDesc.textureCaps & kTexCapsSquareOnly)
        desc.width = desc.height = std::max(desc.width, desc.height);
    desc.hasPixelFormat = true;
    desc.pixelFormat = m_textureFormat;
    if (renderTarget && m_back)
    {
        SSoftSurfaceDesc backDesc;
        if (m_back->GetSurfaceDesc(backDesc) >= 0)
            desc.pixelFormat = backDesc.pixelFormat;
    }
    ZSoftSurface* surface = nullptr;
    const SoftResult result = D3D7_CHECK("renderd3d7", m_ddraw->CreateSurface(desc, &surface));
    if (result == kErrOutOfVideoMemory)
        OnOutOfVideoMemory();
    return result < 0 ? nullptr : surface;
}

void ZRenderD3D7::OnOutOfVideoMemory()
{
    std::fprintf(stderr,
                 "The game ran out of video memory. Try closing some applications and starting again.\n");
}

int ZRenderD3D7::CreateTexture(int width, int height, const uint8_t* pixels, int format, bool renderTarget)
{
    (void)format;
    const int id = AllocTextureId();
    if (id < 0)
        return -1;
    ZSoftSurface* surface = MakeTextureSurface(width, height, renderTarget);
    if (!surface)
    {
        FreeTextureId(id);
        return -1;
    }
    TextureSlot& slot = m_textures[size_t(id)];
    slot.surface = surface;
    slot.owner = 0;
    slot.texture = nullptr;
    slot.renderTarget = renderTarget;
    m_textureMemory += surface->Width() * surface->Height() * 4;
    m_textureMemoryPeak = std::max(m_textureMemoryPeak, m_textureMemory);
    if (pixels)
        WriteRows(surface, pixels, width, height, 0, 0, width * 4);
    return id;
}

void ZRenderD3D7::WriteRows(ZSoftSurface* surface, const uint8_t* pixels, int width, int rows, int x0, int y0,
                            int srcPitch)
{
    SSoftSurfaceDesc desc;
    if (D3D7_CHECK("renderd3d7", surface->Lock(nullptr, desc, kLockWait | kLockWriteOnly)) < 0)
        return;
    const PixelKind kind = surface->Kind();
    const uint32_t bytes = BytesPerPixel(kind);
    const int cols = std::min(width, int(surface->Width()) - x0);
    rows = std::min(rows, int(surface->Height()) - y0);
    for (int y = 0; y < rows && cols > 0; ++y)
    {
        uint8_t* out =
            static_cast<uint8_t*>(desc.surface) + size_t(y + y0) * size_t(desc.pitch) + size_t(x0) * bytes;
        const uint8_t* in = pixels + size_t(y) * size_t(srcPitch);
        if (kind == PixelKind::ARGB8888)
        {
            std::memcpy(out, in, size_t(cols) * 4);
            continue;
        }
        // B, G, R, A bytes are one little-endian ARGB word.
        for (int x = 0; x < cols; ++x, in += 4, out += bytes)
            EncodeARGB(kind,
                       uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24,
                       out);
    }
    surface->Unlock(nullptr);
}

void ZRenderD3D7::DeleteTexture(int id)
{
    ZSoftSurface* surface = GetTextureSurface(id);
    if (!surface)
        return;
    if (ZTexture* shown = m_textures[size_t(id)].texture; shown && m_textures[size_t(id)].renderTarget)
    {
        m_textures[size_t(id)].texture = nullptr;
        // Deleted by id while its texture lives: the texture goes too, nothing may draw it after.
        if (shown->GetRenderTextureId() == id)
        {
            shown->SetRenderTextureId(-1);
            shown->ClearTextureFlags(kTextureResident);
            shown->ClearFlags(kResourceKeep);
            if (ZResourceManager* manager = ZResourceManager::PeekInstance())
                manager->FreeResource(shown);
        }
    }
    m_textureMemory -= std::min(m_textureMemory, surface->Width() * surface->Height() * 4);
    if (m_device)
    {
        for (uint32_t stage = 0; stage < 2; ++stage)
            if (m_device->State().stages[stage].texture == surface)
                m_device->SetTexture(stage, nullptr);
        if (m_currentTarget == surface)
        {
            m_device->SetRenderTarget(m_target, 0);
            m_currentTarget = m_target;
        }
    }
    surface->Release();
    m_textures[size_t(id)] = TextureSlot();
    FreeTextureId(id);
}

int ZRenderD3D7::CreateTextureOfSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return -1;
    const int requestedWidth = width, requestedHeight = height;
    if (!TestStateB(kRenderNonPowerOfTwo))
    {
        auto pow2 = [](int v)
        {
            int p = 1;
            while (p < v)
                p <<= 1;
            return p;
        };
        width = pow2(width);
        height = pow2(height);
    }
    const int id = CreateTexture(width, height, nullptr, kPixelBGRA, true);
    if (id < 0)
        return -1;
    if (AttachZBuffer(m_textures[size_t(id)].surface) != 0)
    {
        DeleteTexture(id);
        return -1;
    }
    m_renderTargets.push_back(id);
    // The texture a sprite shows the drawing with: no file and no pixels of its own.
    auto* texture = new ZTexture();
    texture->ClearFlags(kResourceFileBacked | kResourceAsync);
    texture->SetFlags(kResourceKeep | kResourceLoaded);
    texture->SetName("rendertarget_texture");
    texture->StoreImage(nullptr, kPixelBGRA, requestedWidth, requestedHeight, width, height, true);
    texture->SetTextureFlags(kTextureRenderTarget | kTextureNoAtlas | kTextureResident);
    texture->SetRenderTextureId(id);
    m_textures[size_t(id)].texture = texture;
    return id;
}

ZTexture* ZRenderD3D7::GetRenderTargetTexture(int id)
{
    if (id < 0 || size_t(id) >= m_textures.size() || !m_textures[size_t(id)].renderTarget)
        return nullptr;
    return m_textures[size_t(id)].texture;
}

int ZRenderD3D7::SetRenderTarget(int id)
{
    if (!m_device)
        return 1;
    ZSoftSurface* surface = id < 0 ? m_target : GetTextureSurface(id);
    if (!surface)
        return 1;
    if (surface == m_currentTarget)
        return 0;
    if (D3D7_CHECK("renderd3d7", m_device->SetRenderTarget(surface, 0)) < 0)
        return 1;
    m_currentTarget = surface;
    return 0;
}

int ZRenderD3D7::UploadPixels(ZSoftSurface* surface, ZTexture* texture)
{
    const uint8_t* pixels = texture->GetPixels();
    if (!pixels || texture->GetBytesPerPixel() != 4)
        return 1;
    const int imageW = texture->GetImageWidth() > 0 ? texture->GetImageWidth() : texture->GetTextureWidth();
    const int imageH =
        texture->GetImageHeight() > 0 ? texture->GetImageHeight() : texture->GetTextureHeight();
    const int surfaceW = int(surface->Width()), surfaceH = int(surface->Height());
    // The pixel copy has the texture's surface size, or the image's size when that differs: an image
    // smaller than its surface goes in centred.
    const bool padded = imageW != texture->GetTextureWidth() || imageH != texture->GetTextureHeight();
    const int srcW = padded ? imageW : texture->GetTextureWidth();
    const int srcH = padded ? imageH : texture->GetTextureHeight();
    const int x0 = std::max(0, (surfaceW - srcW) / 2), y0 = std::max(0, (surfaceH - srcH) / 2);
    if (surface->IsLost() < 0)
        return 1;
    WriteRows(surface, pixels, srcW, srcH, x0, y0, srcW * 4);
    return 0;
}

int ZRenderD3D7::ReconvertTexture(ZTextureResource* texture)
{
    if (!texture)
        return 1;
    // The surfaces hold A8R8G8B8, which is B, G, R, A in memory.
    return texture->Decode(kPixelBGRA);
}

int ZRenderD3D7::MakeTextureResident(ZTexture* texture)
{
    if (!texture)
        return 1;
    // Already given its own surface (drawn before its turn in the upload queue came): a second
    // surface would leave the first one behind in its slot.
    if (const int id = texture->GetRenderTextureId(); (texture->GetTextureFlags() & kTextureResident) &&
                                                      !texture->GetAtlasPage() && GetTextureSurface(id) &&
                                                      m_textures[size_t(id)].texture == texture)
        return 0;
    const bool atlasOk = !TestStateB(kRenderNonPowerOfTwo) ||
                         (texture->GetTextureWidth() <= 1024 && texture->GetTextureHeight() <= 1024);
    if (atlasOk && !(texture->GetTextureFlags() & kTextureNoAtlas))
    {
        if (texture->GetAtlasPage())
            return 1;
        if (PlaceInAtlas(texture) == 0)
        {
            texture->AddTextureFlags(kTextureResident);
            return 0;
        }
    }
    const int id = CreateTexture(texture->GetTextureWidth(), texture->GetTextureHeight(), nullptr,
                                 texture->GetPixelFormat(), false);
    if (id < 0)
        return 1;
    if (UploadPixels(m_textures[size_t(id)].surface, texture) != 0)
    {
        DeleteTexture(id);
        return 1;
    }
    m_textures[size_t(id)].texture = texture;
    texture->SetRenderTextureId(id);
    texture->AddTextureFlags(kTextureResident);
    texture->AfterUpload();
    return 0;
}

int ZRenderD3D7::PreloadTexture(ZTexture* texture)
{
    if (!texture || !(texture->GetTextureFlags() & kTextureResident))
        return 0;
    if (ZSoftSurface* surface = GetTextureSurface(texture->GetRenderTextureId()))
        if (m_device)
            m_device->PreLoad(surface);
    return 0;
}

uint32_t* ZRenderD3D7::GrabScreen(uint32_t& width, uint32_t& height)
{
    width = height = 0;
    const int which = g_renderScreenDumpTexture.GetValue();
    if (which == -1 && !m_shown.empty())
    {
        // The frame as it was finished and shown, whatever the surfaces hold by now: the front
        // may be lost and cleared, or already hold the next frame's first drawing.
        const bool opaque = m_shownOpaque && g_renderOpaqueScreenDump.GetValue();
        auto* pixels = static_cast<uint32_t*>(GetAllocHook()->Alloc(m_shown.size() * 4));
        if (!pixels)
            return nullptr;
        for (size_t i = 0; i < m_shown.size(); ++i)
            pixels[i] = opaque ? (m_shown[i] | 0xFF000000u) : m_shown[i];
        width = m_shownWidth;
        height = m_shownHeight;
        return pixels;
    }
    ZSoftSurface* surface = which == -1   ? m_front
                            : which == -2 ? m_back
                            : which == -3 ? m_target
                                          : GetTextureSurface(which);
    if (!surface || (surface->Kind() != PixelKind::ARGB8888 && surface->Kind() != PixelKind::XRGB8888))
        return nullptr;
    const bool opaque = surface->Kind() == PixelKind::XRGB8888 && g_renderOpaqueScreenDump.GetValue();
    // The caller gives the pixels back through the allocator, as for every back end.
    auto* pixels =
        static_cast<uint32_t*>(GetAllocHook()->Alloc(size_t(surface->Width()) * surface->Height() * 4));
    if (!pixels)
        return nullptr;
    for (uint32_t y = 0; y < surface->Height(); ++y)
        for (uint32_t x = 0; x < surface->Width(); ++x)
        {
            uint32_t p = surface->ReadPixel(int(x), int(y));
            pixels[size_t(y) * surface->Width() + x] = opaque ? (p | 0xFF000000u) : p;
        }
    width = surface->Width();
    height = surface->Height();
    return pixels;
}

int ZRenderD3D7::FillBuffer(BufferSlot& slot)
{
    if (!m_d3d)
        return 1;
    if (!slot.buffer)
    {
        SSoftVertexBufferDesc desc;
        desc.caps = kVbWriteOnly;
        desc.fvf = kD3D7VertexFvf;
        desc.numVertices = slot.count;
        if (D3D7_CHECK("renderd3d7", m_d3d->CreateVertexBuffer(desc, &slot.buffer, 0)) < 0)
        {
            slot.buffer = nullptr;
            return 1;
        }
    }
    void* data = nullptr;
    uint32_t size = 0;
    if (D3D7_CHECK("renderd3d7", slot.buffer->Lock(kLockWait | kLockWriteOnly, &data, &size)) < 0)
        return 1;
    std::memcpy(data, slot.copy.data(), std::min<size_t>(size, slot.copy.size()));
    slot.buffer->Unlock();
    return 0;
}

int ZRenderD3D7::CreateVertexBuffer(const void* vertices, uint32_t count, bool dynamic)
{
    (void)dynamic;
    if (!vertices || count == 0)
        return -1;
    const int id = AllocVertexBufferId();
    if (id < 0)
        return -1;
    BufferSlot& slot = m_vertexBuffers[size_t(id)];
    slot.count = count;
    slot.copy.assign(static_cast<const uint8_t*>(vertices),
                     static_cast<const uint8_t*>(vertices) + size_t(count) * kD3D7VertexSize);
    if (FillBuffer(slot) != 0)
    {
        DeleteVertexBuffer(id);
        return -1;
    }
    return id;
}

void ZRenderD3D7::DeleteVertexBuffer(int id)
{
    if (id < 0 || id >= kD3D7VertexSlots)
        return;
    BufferSlot& slot = m_vertexBuffers[size_t(id)];
    if (slot.buffer)
        slot.buffer->Release();
    slot = BufferSlot();
    FreeVertexBufferId(id);
}

int ZRenderD3D7::ReleasePrimitiveBuffers(ZPrimitive* primitive)
{
    if (!primitive)
        return 0;
    int result = 0;
    for (uint32_t i = 0; i < primitive->GetPartCount(); ++i)
    {
        ZSubPrimitive* part = primitive->GetPart(i);
        const int id = part ? part->GetVertexBufferId() : -1;
        if (id < 0)
            continue;
        if (id >= kD3D7VertexSlots ||
            (!m_vertexBuffers[size_t(id)].buffer && m_vertexBuffers[size_t(id)].copy.empty()))
            result = 1;
        // The part forgets its id through the renderer's delete.
        part->ReleaseDeviceBuffer();
    }
    return result;
}

void* ZRenderD3D7::LockVertexBuffer(int id)
{
    if (id < 0 || id >= kD3D7VertexSlots || !m_vertexBuffers[size_t(id)].buffer)
        return nullptr;
    void* data = nullptr;
    uint32_t size = 0;
    if (D3D7_CHECK("renderd3d7", m_vertexBuffers[size_t(id)].buffer->Lock(kLockWait, &data, &size)) < 0)
        return nullptr;
    return data;
}

int ZRenderD3D7::UnlockVertexBuffer(int id)
{
    if (id < 0 || id >= kD3D7VertexSlots || !m_vertexBuffers[size_t(id)].buffer)
        return 1;
    BufferSlot& slot = m_vertexBuffers[size_t(id)];
    void* data = nullptr;
    uint32_t size = 0;
    // What was written through the lock becomes the copy a lost device is refilled from.
    if (slot.buffer->IsLocked())
    {
        slot.buffer->Unlock();
        if (slot.buffer->Lock(kLockReadOnly, &data, &size) >= 0)
        {
            std::memcpy(slot.copy.data(), data, std::min<size_t>(size, slot.copy.size()));
            slot.buffer->Unlock();
        }
        return 0;
    }
    return 1;
}

int ZRenderD3D7::CreateQuad(float width, float height, float u0, float v0, float u1, float v1)
{
    const int id = AllocQuadId();
    if (id < 0)
        return -1;
    const float hw = width * 0.5f, hh = height * 0.5f;
    // y grows upwards in the scene while v grows downwards in the image: the top-left texture
    // corner goes to the top-left of the quad, or every picture would stand on its head.
    const SD3D7Vertex vertices[4] = {
        {-hw, -hh, 0, 0, 0, 1, 0xFFFFFFFFu, u0, v1},
        {-hw, hh, 0, 0, 0, 1, 0xFFFFFFFFu, u0, v0},
        {hw, -hh, 0, 0, 0, 1, 0xFFFFFFFFu, u1, v1},
        {hw, hh, 0, 0, 0, 1, 0xFFFFFFFFu, u1, v0},
    };
    static_assert(sizeof(SD3D7Vertex) == kD3D7VertexSize);
    BufferSlot& slot = m_quads[size_t(id)];
    slot.count = 4;
    slot.copy.resize(sizeof vertices);
    // Field by field: the copy is the device's vertex layout, not this struct's.
    uint8_t* out = slot.copy.data();
    for (const SD3D7Vertex& v : vertices)
    {
        const float floats[6] = {v.x, v.y, v.z, v.nx, v.ny, v.nz};
        std::memcpy(out, floats, sizeof floats);
        std::memcpy(out + 24, &v.diffuse, 4);
        std::memcpy(out + 28, &v.u, 4);
        std::memcpy(out + 32, &v.v, 4);
        out += kD3D7VertexSize;
    }
    if (FillBuffer(slot) != 0)
    {
        DeleteQuad(id);
        return -1;
    }
    return id;
}

void ZRenderD3D7::DeleteQuad(int id)
{
    if (id < 0 || id >= kD3D7QuadSlots)
        return;
    BufferSlot& slot = m_quads[size_t(id)];
    if (slot.buffer)
        slot.buffer->Release();
    slot = BufferSlot();
    FreeQuadId(id);
    if (id == m_defaultQuad)
        m_defaultQuad = -1;
}

int ZRenderD3D7::GetDefaultQuad()
{
    if (m_defaultQuad < 0)
        m_defaultQuad = CreateQuad(100.0f, 100.0f, 0.0f, 0.0f, 1.0f, 1.0f);
    return m_defaultQuad;
}

int ZRenderD3D7::DrawQuadBuffer(int id)
{
    if (!m_device || id < 0 || id >= kD3D7QuadSlots || !m_quads[size_t(id)].buffer)
        return 1;
    return D3D7_CHECK("renderd3d7shaderfixedfunction",
                      m_device->DrawPrimitiveVB(Prim::TriangleStrip, m_quads[size_t(id)].buffer, 0, 4, 0)) < 0
               ? 1
               : 0;
}

int ZRenderD3D7::DrawVertexBuffer(int id, Prim kind)
{
    if (!m_device || id < 0 || id >= kD3D7VertexSlots || !m_vertexBuffers[size_t(id)].buffer)
        return 1;
    const BufferSlot& slot = m_vertexBuffers[size_t(id)];
    return D3D7_CHECK("renderd3d7shaderfixedfunction",
                      m_device->DrawPrimitiveVB(kind, slot.buffer, 0, slot.count, 0)) < 0
               ? 1
               : 0;
}

// ---------------------------------------------------------------------------------------------
// Text, particles and the frame-rate overlay

ZRenderFont* ZRenderD3D7::CreateTextRenderer()
{
    return new ZRenderFont();
}

ZRenderOverlay* ZRenderD3D7::CreateOverlay()
{
    return new ZRenderOverlay();
}

ZRenderParticles* ZRenderD3D7::CreateParticleRenderer()
{
    return new ZRenderParticles();
}

void ZRenderD3D7::DrawTextNode(ZNode* node, ZCamera* camera, const DrawRecord& record)
{
    if (m_textRenderer)
        m_textRenderer->DrawTextNode(static_cast<ZFontText*>(node), camera, record);
}

void ZRenderD3D7::DrawParticleSystem(ZNode* node, ZCamera* camera, const DrawRecord& record)
{
    auto* emitter = ZEntityCast<ZParticleEmitterSystem>(static_cast<ZEntity*>(node));
    if (m_particleRenderer && emitter)
        m_particleRenderer->DrawEmitter(emitter, camera, record);
}

void ZRenderD3D7::DrawOverlay(ZCamera* camera)
{
    if (m_overlay)
        m_overlay->DrawFpsOverlay(camera);
}

void ZRenderD3D7::DeleteParticleRenderer()
{
    delete m_particleRenderer;
    m_particleRenderer = nullptr;
}

void ZRenderD3D7::DeleteAuxiliary()
{
    DeleteParticleRenderer();
    delete m_overlay;
    m_overlay = nullptr;
    delete m_textRenderer;
    m_textRenderer = nullptr;
}
