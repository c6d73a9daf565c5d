#include "engine/platform/d3d7/ZSoftDirect3D.h"

#include "engine/platform/d3d7/ZSoftRasterizer.h"

#include <algorithm>
#include <cmath>

using namespace soft7;

namespace
{
// As many vertices as one call or buffer of the original interface takes.
constexpr uint32_t kMaxVertices = 0xFFFF;

struct V3
{
    float x = 0, y = 0, z = 0;
};
inline V3 operator-(V3 a, V3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator+(V3 a, V3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline float Dot(V3 a, V3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 Normalize(V3 a)
{
    const float l = std::sqrt(Dot(a, a));
    return l > 0 ? V3{a.x / l, a.y / l, a.z / l} : a;
}
inline V3 TransformPoint(const float p[3], const SSoftMatrix& m)
{
    return {p[0] * m.m[0][0] + p[1] * m.m[1][0] + p[2] * m.m[2][0] + m.m[3][0],
            p[0] * m.m[0][1] + p[1] * m.m[1][1] + p[2] * m.m[2][1] + m.m[3][1],
            p[0] * m.m[0][2] + p[1] * m.m[1][2] + p[2] * m.m[2][2] + m.m[3][2]};
}
inline V3 TransformVector(const float p[3], const SSoftMatrix& m)
{
    return {p[0] * m.m[0][0] + p[1] * m.m[1][0] + p[2] * m.m[2][0],
            p[0] * m.m[0][1] + p[1] * m.m[1][1] + p[2] * m.m[2][1],
            p[0] * m.m[0][2] + p[1] * m.m[1][2] + p[2] * m.m[2][2]};
}

SSoftColorValue FromARGB(uint32_t c)
{
    return {float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f, float(c & 0xFF) / 255.0f,
            float(c >> 24) / 255.0f};
}

void StoreColor(float* slot, uint32_t argb)
{
    slot[0] = float((argb >> 16) & 0xFF);
    slot[1] = float((argb >> 8) & 0xFF);
    slot[2] = float(argb & 0xFF);
    slot[3] = float(argb >> 24);
}

void StoreColor(float* slot, const SSoftColorValue& c)
{
    slot[0] = std::clamp(c.r, 0.0f, 1.0f) * 255.0f;
    slot[1] = std::clamp(c.g, 0.0f, 1.0f) * 255.0f;
    slot[2] = std::clamp(c.b, 0.0f, 1.0f) * 255.0f;
    slot[3] = std::clamp(c.a, 0.0f, 1.0f) * 255.0f;
}

struct ViewLight
{
    const SSoftLight* light;
    V3 position;
    V3 direction; // normalised, pointing where the light shines
};
} // namespace

// ---------------------------------------------------------------------------------------------
// ZSoftVertexBuffer

ZSoftVertexBuffer::ZSoftVertexBuffer(ZSoftDirectDraw* owner, const SSoftVertexBufferDesc& desc)
    : ZSoftObject(owner), m_desc(desc), m_data(size_t(FvfStride(desc.fvf)) * desc.numVertices, 0)
{
}

SoftResult ZSoftVertexBuffer::Lock(uint32_t, void** data, uint32_t* size)
{
    if (!data)
        return kErrInvalidParams;
    if (m_locked)
        return kErrVertexBufferLocked;
    m_locked = true;
    *data = m_data.data();
    if (size)
        *size = uint32_t(m_data.size());
    return kOk;
}

SoftResult ZSoftVertexBuffer::Unlock()
{
    if (!m_locked)
        return kErrNotLocked;
    m_locked = false;
    return kOk;
}

SoftResult ZSoftVertexBuffer::GetVertexBufferDesc(SSoftVertexBufferDesc& desc) const
{
    desc = m_desc;
    return kOk;
}

// ---------------------------------------------------------------------------------------------
// ZSoftDirect3D

ZSoftDirect3D::ZSoftDirect3D(ZSoftDirectDraw* owner) : ZSoftObject(owner) {}

ZSoftDirect3D::~ZSoftDirect3D()
{
    if (!m_owner->m_tearingDown && m_owner->m_d3d == this)
        m_owner->m_d3d = nullptr;
}

SoftResult ZSoftDirect3D::EnumDevices(const std::function<bool(const SSoftDeviceDesc&)>& callback) const
{
    if (!callback)
        return kErrInvalidParams;
    for (const SSoftDeviceDesc& d : m_owner->Config().devices)
        if (!callback(d))
            break;
    return kOk;
}

SoftResult
ZSoftDirect3D::EnumZBufferFormats(DeviceKind device,
                                  const std::function<bool(const SSoftPixelFormat&)>& callback) const
{
    if (!callback)
        return kErrInvalidParams;
    if (!FindDevice(device))
        return kErrNotFound;
    for (const SSoftPixelFormat& f : m_owner->Config().depthFormats)
        if (!callback(f))
            break;
    return kOk;
}

const SSoftDeviceDesc* ZSoftDirect3D::FindDevice(DeviceKind device) const
{
    for (const SSoftDeviceDesc& d : m_owner->Config().devices)
        if (d.kind == device)
            return &d;
    return nullptr;
}

SoftResult ZSoftDirect3D::CreateDevice(DeviceKind device, ZSoftSurface* target, ZSoftD3DDevice** out)
{
    if (!out || !target)
        return kErrInvalidParams;
    *out = nullptr;
    const SSoftDeviceDesc* desc = FindDevice(device);
    if (!desc)
        return kErrNotFound;
    if (!(target->Caps() & kCaps3DDevice) || target->Kind() == PixelKind::Depth)
        return kErrInvalidSurfaceType;
    const bool hardware = device != DeviceKind::Rgb;
    if (hardware != ((target->Caps() & kCapsVideoMemory) != 0))
        return kErrInvalidSurfaceType;
    if (target->IsLostFlag())
        return kErrSurfaceLost;
    *out = new ZSoftD3DDevice(m_owner, *desc, target);
    return kOk;
}

SoftResult ZSoftDirect3D::CreateVertexBuffer(const SSoftVertexBufferDesc& desc, ZSoftVertexBuffer** out,
                                             uint32_t)
{
    if (!out)
        return kErrInvalidParams;
    *out = nullptr;
    if (FvfStride(desc.fvf) == 0 || desc.numVertices == 0 || desc.numVertices > kMaxVertices)
        return kErrInvalidParams;
    *out = new ZSoftVertexBuffer(m_owner, desc);
    return kOk;
}

// ---------------------------------------------------------------------------------------------
// ZSoftD3DDevice

ZSoftD3DDevice::ZSoftD3DDevice(ZSoftDirectDraw* owner, const SSoftDeviceDesc& desc, ZSoftSurface* target)
    : ZSoftObject(owner), m_desc(desc), m_queue(std::make_unique<ZSoftDrawQueue>())
{
    m_owner->m_devices.push_back(this);
    target->AddRef();
    m_state.target = target;
    SetDefaults();
}

ZSoftD3DDevice::~ZSoftD3DDevice()
{
    if (m_owner->m_tearingDown)
        return;
    // What was drawn lands before the surfaces are let go.
    FlushDrawing();
    auto& devices = m_owner->m_devices;
    devices.erase(std::remove(devices.begin(), devices.end(), this), devices.end());
    for (SSoftStageState& s : m_state.stages)
        if (s.texture)
            s.texture->Release();
    if (m_state.target)
        m_state.target->Release();
}

void ZSoftD3DDevice::FlushDrawing()
{
    if (m_queue->IsEmpty())
        return;
    m_queue->Execute(m_owner->ParallelRunner(), m_owner->RasterBands(), m_owner->SpanLoop());
}

void ZSoftD3DDevice::DropLinks()
{
    m_queue->Discard();
    for (SSoftStageState& s : m_state.stages)
        s.texture = nullptr;
    m_state.target = nullptr;
}

void ZSoftD3DDevice::SetDefaults()
{
    auto set = [&](RS s, uint32_t v) { m_state.rs[uint32_t(s)] = v; };
    set(RS::ZEnable, m_state.target->AttachedDepth() ? 1 : 0);
    set(RS::ZWriteEnable, 1);
    set(RS::ZFunc, uint32_t(Cmp::LessEqual));
    set(RS::AlphaTestEnable, 0);
    set(RS::AlphaRef, 0);
    set(RS::AlphaFunc, uint32_t(Cmp::Always));
    set(RS::AlphaBlendEnable, 0);
    set(RS::SrcBlend, uint32_t(Blend::One));
    set(RS::DestBlend, uint32_t(Blend::Zero));
    set(RS::CullMode, uint32_t(Cull::CCW));
    set(RS::ShadeMode, uint32_t(Shade::Gouraud));
    set(RS::Lighting, 1);
    set(RS::ColorVertex, 1);
    set(RS::DiffuseMaterialSource, uint32_t(MaterialSource::Color1));
    set(RS::SpecularMaterialSource, uint32_t(MaterialSource::Color2));
    set(RS::AmbientMaterialSource, uint32_t(MaterialSource::Material));
    set(RS::EmissiveMaterialSource, uint32_t(MaterialSource::Material));
    set(RS::Ambient, 0);
    set(RS::SpecularEnable, 0);
    set(RS::FogEnable, 0);
    set(RS::FogColor, 0);
    set(RS::FogMode, uint32_t(Fog::None));
    set(RS::FogStart, FloatBits(0.0f));
    set(RS::FogEnd, FloatBits(1.0f));
    set(RS::FogDensity, FloatBits(1.0f));
    set(RS::StencilEnable, 0);
    set(RS::StencilFunc, uint32_t(Cmp::Always));
    set(RS::StencilRef, 0);
    set(RS::StencilMask, 0xFFFFFFFFu);
    set(RS::StencilWriteMask, 0xFFFFFFFFu);
    set(RS::StencilFail, uint32_t(StencilOp::Keep));
    set(RS::StencilZFail, uint32_t(StencilOp::Keep));
    set(RS::StencilPass, uint32_t(StencilOp::Keep));
    set(RS::TextureFactor, 0xFFFFFFFFu);
    set(RS::Clipping, 1);
    for (int i = 0; i < kMaxStages; ++i)
    {
        auto& t = m_state.stages[i].tss;
        t[uint32_t(TSS::ColorOp)] = uint32_t(i == 0 ? Top::Modulate : Top::Disable);
        t[uint32_t(TSS::ColorArg1)] = kTaTexture;
        t[uint32_t(TSS::ColorArg2)] = kTaCurrent;
        t[uint32_t(TSS::AlphaOp)] = uint32_t(i == 0 ? Top::SelectArg1 : Top::Disable);
        t[uint32_t(TSS::AlphaArg1)] = kTaTexture;
        t[uint32_t(TSS::AlphaArg2)] = kTaCurrent;
        t[uint32_t(TSS::TexCoordIndex)] = uint32_t(i);
        t[uint32_t(TSS::AddressU)] = uint32_t(Address::Wrap);
        t[uint32_t(TSS::AddressV)] = uint32_t(Address::Wrap);
        t[uint32_t(TSS::BorderColor)] = 0;
        t[uint32_t(TSS::MagFilter)] = uint32_t(Filter::Point);
        t[uint32_t(TSS::MinFilter)] = uint32_t(Filter::Point);
        t[uint32_t(TSS::MipFilter)] = uint32_t(Filter::None);
        t[uint32_t(TSS::TextureTransformFlags)] = uint32_t(TexTransform::Disable);
    }
    m_state.viewport = {0, 0, m_state.target->Width(), m_state.target->Height(), 0.0f, 1.0f};
}

SoftResult ZSoftD3DDevice::GetCaps(SSoftDeviceDesc& desc) const
{
    desc = m_desc;
    return kOk;
}

SoftResult
ZSoftD3DDevice::EnumTextureFormats(const std::function<bool(const SSoftPixelFormat&)>& callback) const
{
    if (!callback)
        return kErrInvalidParams;
    for (const SSoftPixelFormat& f : m_owner->Config().textureFormats)
        if (!callback(f))
            break;
    return kOk;
}

SoftResult ZSoftD3DDevice::BeginScene()
{
    if (m_inScene)
        return kErrSceneInScene;
    if (!m_state.target || m_state.target->IsLostFlag())
        return kErrSurfaceLost;
    m_inScene = true;
    return kOk;
}

SoftResult ZSoftD3DDevice::EndScene()
{
    if (!m_inScene)
        return kErrSceneNotInScene;
    m_inScene = false;
    FlushDrawing();
    return kOk;
}

SoftResult ZSoftD3DDevice::SetRenderTarget(ZSoftSurface* target, uint32_t)
{
    if (!target || !(target->Caps() & kCaps3DDevice) || target->Kind() == PixelKind::Depth)
        return kErrInvalidParams;
    if (target->IsLostFlag())
        return kErrSurfaceLost;
    target->AddRef();
    if (m_state.target)
        m_state.target->Release();
    m_state.target = target;
    m_state.viewport = {0, 0, target->Width(), target->Height(), 0.0f, 1.0f};
    return kOk;
}

SoftResult ZSoftD3DDevice::GetRenderTarget(ZSoftSurface** out)
{
    if (!out)
        return kErrInvalidParams;
    *out = m_state.target;
    if (*out)
        (*out)->AddRef();
    return kOk;
}

SoftResult ZSoftD3DDevice::SetViewport(const SSoftViewport& vp)
{
    if (vp.x < 0 || vp.y < 0 || vp.width == 0 || vp.height == 0 ||
        int64_t(vp.x) + vp.width > int64_t(m_state.target->Width()) ||
        int64_t(vp.y) + vp.height > int64_t(m_state.target->Height()) || !(vp.minZ >= 0.0f) ||
        !(vp.maxZ <= 1.0f) || vp.minZ > vp.maxZ)
        return kErrInvalidParams;
    m_state.viewport = vp;
    return kOk;
}

SoftResult ZSoftD3DDevice::GetViewport(SSoftViewport& vp) const
{
    vp = m_state.viewport;
    return kOk;
}

SoftResult ZSoftD3DDevice::Clear(uint32_t count, const SSoftRect* rects, uint32_t flags, uint32_t color,
                                 float z, uint32_t stencil)
{
    ZSoftSurface* target = m_state.target;
    if (target->IsLostFlag())
        return kErrSurfaceLost;
    if (count > 0 && !rects)
        return kErrInvalidParams;
    ZSoftSurface* depth = target->AttachedDepth();
    if ((flags & (kClearZBuffer | kClearStencil)) && !depth)
        return kErrInvalidParams;
    if ((flags & kClearStencil) && depth->StencilBits() == 0)
        return kErrInvalidParams;
    if (depth && depth->IsLostFlag() && (flags & (kClearZBuffer | kClearStencil)))
        return kErrSurfaceLost;
    const SSoftViewport& vp = m_state.viewport;
    const SSoftRect view{vp.x, vp.y, int32_t(vp.x + vp.width), int32_t(vp.y + vp.height)};
    uint8_t raw[4] = {};
    EncodeARGB(target->Kind(), color, raw);
    const uint32_t zq = depth ? QuantizeDepth(z, double((uint64_t(1) << depth->DepthBits()) - 1)) : 0;
    const uint8_t s = depth ? uint8_t(stencil & ((1u << depth->StencilBits()) - 1)) : 0;
    const uint32_t n = count ? count : 1;
    for (uint32_t i = 0; i < n; ++i)
    {
        const SSoftRect r = count ? rects[i] : view;
        const SSoftRect cut{std::max(r.left, view.left), std::max(r.top, view.top), std::min(r.right, view.right),
                            std::min(r.bottom, view.bottom)};
        m_queue->Clear(target, depth, cut, flags, raw, zq, s);
    }
    return kOk;
}

SoftResult ZSoftD3DDevice::SetRenderState(RS state, uint32_t value)
{
    if (uint32_t(state) >= uint32_t(RS::Count))
        return kErrInvalidParams;
    m_state.rs[uint32_t(state)] = value;
    return kOk;
}

SoftResult ZSoftD3DDevice::GetRenderState(RS state, uint32_t* value) const
{
    if (uint32_t(state) >= uint32_t(RS::Count) || !value)
        return kErrInvalidParams;
    *value = m_state.rs[uint32_t(state)];
    return kOk;
}

SoftResult ZSoftD3DDevice::SetTextureStageState(uint32_t stage, TSS state, uint32_t value)
{
    if (stage >= uint32_t(kMaxStages) || uint32_t(state) >= uint32_t(TSS::Count))
        return kErrInvalidParams;
    m_state.stages[stage].tss[uint32_t(state)] = value;
    return kOk;
}

SoftResult ZSoftD3DDevice::GetTextureStageState(uint32_t stage, TSS state, uint32_t* value) const
{
    if (stage >= uint32_t(kMaxStages) || uint32_t(state) >= uint32_t(TSS::Count) || !value)
        return kErrInvalidParams;
    *value = m_state.stages[stage].tss[uint32_t(state)];
    return kOk;
}

SoftResult ZSoftD3DDevice::SetTexture(uint32_t stage, ZSoftSurface* texture)
{
    if (stage >= uint32_t(kMaxStages))
        return kErrInvalidParams;
    if (texture && (!(texture->Caps() & kCapsTexture) || texture->Kind() == PixelKind::Depth))
        return kErrInvalidParams;
    if (texture)
        texture->AddRef();
    if (m_state.stages[stage].texture)
        m_state.stages[stage].texture->Release();
    m_state.stages[stage].texture = texture;
    return kOk;
}

SoftResult ZSoftD3DDevice::GetTexture(uint32_t stage, ZSoftSurface** out)
{
    if (stage >= uint32_t(kMaxStages) || !out)
        return kErrInvalidParams;
    *out = m_state.stages[stage].texture;
    if (*out)
        (*out)->AddRef();
    return kOk;
}

SoftResult ZSoftD3DDevice::SetTransform(Transform kind, const SSoftMatrix& matrix)
{
    const uint32_t k = uint32_t(kind);
    if (kind == Transform::World)
        m_state.world = matrix;
    else if (kind == Transform::View)
        m_state.view = matrix;
    else if (kind == Transform::Projection)
        m_state.projection = matrix;
    else if (k >= uint32_t(Transform::Texture0) && k < uint32_t(Transform::Texture0) + kMaxStages)
        m_state.stages[k - uint32_t(Transform::Texture0)].matrix = matrix;
    else
        return kErrInvalidParams;
    return kOk;
}

SoftResult ZSoftD3DDevice::GetTransform(Transform kind, SSoftMatrix& matrix) const
{
    const uint32_t k = uint32_t(kind);
    if (kind == Transform::World)
        matrix = m_state.world;
    else if (kind == Transform::View)
        matrix = m_state.view;
    else if (kind == Transform::Projection)
        matrix = m_state.projection;
    else if (k >= uint32_t(Transform::Texture0) && k < uint32_t(Transform::Texture0) + kMaxStages)
        matrix = m_state.stages[k - uint32_t(Transform::Texture0)].matrix;
    else
        return kErrInvalidParams;
    return kOk;
}

SoftResult ZSoftD3DDevice::SetMaterial(const SSoftMaterial& material)
{
    m_state.material = material;
    return kOk;
}

SoftResult ZSoftD3DDevice::GetMaterial(SSoftMaterial& material) const
{
    material = m_state.material;
    return kOk;
}

SoftResult ZSoftD3DDevice::SetLight(uint32_t index, const SSoftLight& light)
{
    if (index >= uint32_t(kMaxLights))
        return kErrInvalidParams;
    if (light.type != LightType::Point && light.type != LightType::Spot &&
        light.type != LightType::Directional)
        return kErrInvalidParams;
    m_state.lights[index] = light;
    return kOk;
}

SoftResult ZSoftD3DDevice::GetLight(uint32_t index, SSoftLight& light) const
{
    if (index >= uint32_t(kMaxLights))
        return kErrInvalidParams;
    light = m_state.lights[index];
    return kOk;
}

SoftResult ZSoftD3DDevice::LightEnable(uint32_t index, bool enable)
{
    if (index >= uint32_t(kMaxLights))
        return kErrInvalidParams;
    m_state.lightEnabled[index] = enable;
    return kOk;
}

SoftResult ZSoftD3DDevice::GetLightEnable(uint32_t index, bool* enable) const
{
    if (index >= uint32_t(kMaxLights) || !enable)
        return kErrInvalidParams;
    *enable = m_state.lightEnabled[index];
    return kOk;
}

SoftResult ZSoftD3DDevice::PreLoad(ZSoftSurface* texture)
{
    if (!texture || !(texture->Caps() & kCapsTexture))
        return kErrInvalidParams;
    return texture->IsLost();
}

SoftResult ZSoftD3DDevice::CheckDraw() const
{
    if (!m_inScene)
        return kErrSceneNotInScene;
    if (!m_state.target || m_state.target->IsLostFlag())
        return kErrSurfaceLost;
    return kOk;
}

SoftResult ZSoftD3DDevice::DrawPrimitive(Prim type, uint32_t fvf, const void* vertices, uint32_t count,
                                         uint32_t)
{
    if (SoftResult r = CheckDraw(); r != kOk)
        return r;
    if (!vertices && count)
        return kErrInvalidParams;
    return Draw(type, fvf, static_cast<const uint8_t*>(vertices), count, nullptr, 0);
}

SoftResult ZSoftD3DDevice::DrawIndexedPrimitive(Prim type, uint32_t fvf, const void* vertices,
                                                uint32_t vertexCount, const uint16_t* indices,
                                                uint32_t indexCount, uint32_t)
{
    if (SoftResult r = CheckDraw(); r != kOk)
        return r;
    if ((!vertices && vertexCount) || (!indices && indexCount))
        return kErrInvalidParams;
    return Draw(type, fvf, static_cast<const uint8_t*>(vertices), vertexCount, indices, indexCount);
}

SoftResult ZSoftD3DDevice::DrawPrimitiveVB(Prim type, ZSoftVertexBuffer* buffer, uint32_t start,
                                           uint32_t count, uint32_t)
{
    if (SoftResult r = CheckDraw(); r != kOk)
        return r;
    if (!buffer)
        return kErrInvalidParams;
    if (buffer->IsLocked())
        return kErrVertexBufferLocked;
    SSoftVertexBufferDesc desc;
    buffer->GetVertexBufferDesc(desc);
    if (uint64_t(start) + count > desc.numVertices)
        return kErrInvalidParams;
    return Draw(type, desc.fvf, buffer->Data() + size_t(start) * FvfStride(desc.fvf), count, nullptr, 0);
}

SoftResult ZSoftD3DDevice::DrawIndexedPrimitiveVB(Prim type, ZSoftVertexBuffer* buffer, uint32_t start,
                                                  uint32_t vertexCount, const uint16_t* indices,
                                                  uint32_t indexCount, uint32_t)
{
    if (SoftResult r = CheckDraw(); r != kOk)
        return r;
    if (!buffer || (!indices && indexCount))
        return kErrInvalidParams;
    if (buffer->IsLocked())
        return kErrVertexBufferLocked;
    SSoftVertexBufferDesc desc;
    buffer->GetVertexBufferDesc(desc);
    if (uint64_t(start) + vertexCount > desc.numVertices)
        return kErrInvalidParams;
    return Draw(type, desc.fvf, buffer->Data() + size_t(start) * FvfStride(desc.fvf), vertexCount, indices,
                indexCount);
}

SoftResult ZSoftD3DDevice::Draw(Prim type, uint32_t fvf, const uint8_t* data, uint32_t vertexCount,
                                const uint16_t* indices, uint32_t indexCount)
{
    const uint32_t stride = FvfStride(fvf);
    if (stride == 0 || vertexCount > kMaxVertices)
        return kErrInvalidParams;
    if (type < Prim::PointList || type > Prim::TriangleFan)
        return kErrInvalidParams;
    for (uint32_t i = 0; i < indexCount; ++i)
        if (indices[i] >= vertexCount)
            return kErrInvalidParams;
    if (vertexCount == 0 || !m_queue->Begin(m_state))
        return kOk;

    // Vertex processing.
    const bool transformed = (fvf & kFvfPositionMask) == kFvfXyzRhw;
    const bool hasNormal = (fvf & kFvfNormal) != 0;
    const bool hasDiffuse = (fvf & kFvfDiffuse) != 0;
    const bool hasSpecular = (fvf & kFvfSpecular) != 0;
    const uint32_t texSets = (fvf & kFvfTexCountMask) >> kFvfTexCountShift;
    const uint32_t normalOffset = transformed ? 16 : 12;
    const uint32_t diffuseOffset = normalOffset + (hasNormal ? 12 : 0);
    const uint32_t specularOffset = diffuseOffset + (hasDiffuse ? 4 : 0);
    const uint32_t texOffset = specularOffset + (hasSpecular ? 4 : 0);
    const SSoftMatrix worldView = m_state.world * m_state.view;
    const SSoftMatrix worldViewProj = worldView * m_state.projection;
    const bool lighting = !transformed && m_state.Get(RS::Lighting) != 0;
    const bool specularOn = m_state.Get(RS::SpecularEnable) != 0;
    const bool colorVertex = m_state.Get(RS::ColorVertex) != 0;

    std::vector<ViewLight> lights;
    if (lighting)
        for (int i = 0; i < kMaxLights; ++i)
            if (m_state.lightEnabled[i])
            {
                const SSoftLight& l = m_state.lights[i];
                lights.push_back({&l, TransformPoint(l.position, m_state.view),
                                  Normalize(TransformVector(l.direction, m_state.view))});
            }
    const SSoftColorValue ambientLight = FromARGB(m_state.Get(RS::Ambient));

    int stageCount = 0;
    while (stageCount < kMaxStages && Top(m_state.Get(stageCount, TSS::ColorOp)) != Top::Disable)
        ++stageCount;

    // Kept between draws: most draws are a handful of vertices, and a fresh buffer each time costs more.
    std::vector<SSoftVtx>& out = m_vertices;
    out.assign(vertexCount, SSoftVtx{});
    for (uint32_t i = 0; i < vertexCount; ++i)
    {
        const uint8_t* src = data + size_t(i) * stride;
        SSoftVtx& v = out[i];
        float pos[4] = {0, 0, 0, 1};
        std::memcpy(pos, src, transformed ? 16 : 12);
        uint32_t diffuse = 0xFFFFFFFFu, specular = 0xFFFFFFFFu;
        if (hasDiffuse)
            std::memcpy(&diffuse, src + diffuseOffset, 4);
        if (hasSpecular)
            std::memcpy(&specular, src + specularOffset, 4);
        if (transformed)
        {
            const float rhw = (pos[3] > 0.0f && std::isfinite(pos[3])) ? pos[3] : 1.0f;
            v.a[kVtxX] = pos[0];
            v.a[kVtxY] = pos[1];
            v.a[kVtxZ] = pos[2];
            v.a[kVtxW] = rhw;
            v.a[kVtxEye] = 1.0f / rhw;
        }
        else
        {
            const float p4[4] = {pos[0], pos[1], pos[2], 1.0f};
            for (int c = 0; c < 4; ++c)
                v.a[kVtxX + c] = p4[0] * worldViewProj.m[0][c] + p4[1] * worldViewProj.m[1][c] +
                                 p4[2] * worldViewProj.m[2][c] + worldViewProj.m[3][c];
            v.a[kVtxEye] = TransformPoint(pos, worldView).z;
        }
        if (lighting)
        {
            auto source = [&](RS state, const SSoftColorValue& fallback)
            {
                const MaterialSource s = MaterialSource(m_state.Get(state));
                if (colorVertex && s == MaterialSource::Color1 && hasDiffuse)
                    return FromARGB(diffuse);
                if (colorVertex && s == MaterialSource::Color2 && hasSpecular)
                    return FromARGB(specular);
                return fallback;
            };
            const SSoftMaterial& m = m_state.material;
            const SSoftColorValue md = source(RS::DiffuseMaterialSource, m.diffuse);
            const SSoftColorValue ma = source(RS::AmbientMaterialSource, m.ambient);
            const SSoftColorValue ms = source(RS::SpecularMaterialSource, m.specular);
            const SSoftColorValue me = source(RS::EmissiveMaterialSource, m.emissive);
            const V3 p = TransformPoint(pos, worldView);
            V3 n{};
            if (hasNormal)
            {
                float nrm[3];
                std::memcpy(nrm, src + normalOffset, 12);
                n = Normalize(TransformVector(nrm, worldView));
            }
            SSoftColorValue amb = ambientLight, dif{}, spe{};
            for (const ViewLight& vl : lights)
            {
                const SSoftLight& l = *vl.light;
                V3 toLight;
                float atten = 1.0f;
                if (l.type == LightType::Directional)
                    toLight = {-vl.direction.x, -vl.direction.y, -vl.direction.z};
                else
                {
                    const V3 d = vl.position - p;
                    const float dist = std::sqrt(Dot(d, d));
                    if (dist > l.range)
                        continue;
                    toLight = Normalize(d);
                    const float k = l.attenuation0 + l.attenuation1 * dist + l.attenuation2 * dist * dist;
                    atten = k > 0 ? 1.0f / k : 1.0f;
                    if (l.type == LightType::Spot)
                    {
                        const float rho = -Dot(toLight, vl.direction);
                        const float cosTheta = std::cos(l.theta * 0.5f), cosPhi = std::cos(l.phi * 0.5f);
                        if (rho <= cosPhi)
                            continue;
                        if (rho < cosTheta && cosTheta > cosPhi)
                            atten *= std::pow((rho - cosPhi) / (cosTheta - cosPhi), l.falloff);
                    }
                }
                amb.r += l.ambient.r * atten;
                amb.g += l.ambient.g * atten;
                amb.b += l.ambient.b * atten;
                const float ndl = std::max(0.0f, Dot(n, toLight)) * atten;
                dif.r += l.diffuse.r * ndl;
                dif.g += l.diffuse.g * ndl;
                dif.b += l.diffuse.b * ndl;
                if (specularOn && ndl > 0)
                {
                    const V3 h = Normalize(toLight + Normalize(V3{-p.x, -p.y, -p.z}));
                    const float s = std::pow(std::max(0.0f, Dot(n, h)), m.power) * atten;
                    spe.r += l.specular.r * s;
                    spe.g += l.specular.g * s;
                    spe.b += l.specular.b * s;
                }
            }
            StoreColor(v.a + kVtxDiffuse,
                       SSoftColorValue{me.r + amb.r * ma.r + dif.r * md.r, me.g + amb.g * ma.g + dif.g * md.g,
                                       me.b + amb.b * ma.b + dif.b * md.b, md.a});
            StoreColor(v.a + kVtxSpecular,
                       specularOn ? SSoftColorValue{spe.r * ms.r, spe.g * ms.g, spe.b * ms.b, 0.0f}
                                  : SSoftColorValue{});
        }
        else
        {
            StoreColor(v.a + kVtxDiffuse, diffuse);
            StoreColor(v.a + kVtxSpecular, specular);
        }
        for (int s = 0; s < stageCount; ++s)
        {
            const uint32_t set = m_state.Get(s, TSS::TexCoordIndex) & 7;
            float uv[2] = {0, 0};
            if (set < texSets)
                std::memcpy(uv, src + texOffset + 8 * set, 8);
            if (!transformed &&
                TexTransform(m_state.Get(s, TSS::TextureTransformFlags)) != TexTransform::Disable)
            {
                // Two coordinates are transformed as (u, v, 1, 0): the third row carries the shift.
                const SSoftMatrix& t = m_state.stages[s].matrix;
                const float u = uv[0], w = uv[1];
                uv[0] = u * t.m[0][0] + w * t.m[1][0] + t.m[2][0];
                uv[1] = u * t.m[0][1] + w * t.m[1][1] + t.m[2][1];
            }
            v.a[kVtxTex + 2 * s] = uv[0];
            v.a[kVtxTex + 2 * s + 1] = uv[1];
        }
    }

    // Assembly.
    const uint32_t n = indices ? indexCount : vertexCount;
    auto at = [&](uint32_t k) -> const SSoftVtx& { return out[indices ? indices[k] : k]; };
    auto tri = [&](const SSoftVtx& a, const SSoftVtx& b, const SSoftVtx& c)
    {
        if (transformed)
            m_queue->Triangle(a, b, c);
        else
            m_queue->ClipTriangle(a, b, c);
    };
    auto line = [&](const SSoftVtx& a, const SSoftVtx& b)
    {
        if (transformed)
            m_queue->Line(a, b);
        else
            m_queue->ClipLine(a, b);
    };
    switch (type)
    {
    case Prim::PointList:
        for (uint32_t k = 0; k < n; ++k)
        {
            if (transformed)
                m_queue->Point(at(k));
            else
                m_queue->ClipPoint(at(k));
        }
        break;
    case Prim::LineList:
        for (uint32_t k = 0; k + 1 < n; k += 2)
            line(at(k), at(k + 1));
        break;
    case Prim::LineStrip:
        for (uint32_t k = 0; k + 1 < n; ++k)
            line(at(k), at(k + 1));
        break;
    case Prim::TriangleList:
        for (uint32_t k = 0; k + 2 < n; k += 3)
            tri(at(k), at(k + 1), at(k + 2));
        break;
    case Prim::TriangleStrip:
        // Every second triangle is taken in reverse so that the whole strip keeps one winding.
        for (uint32_t k = 0; k + 2 < n; ++k)
        {
            if (k & 1)
                tri(at(k + 1), at(k), at(k + 2));
            else
                tri(at(k), at(k + 1), at(k + 2));
        }
        break;
    case Prim::TriangleFan:
        for (uint32_t k = 1; k + 1 < n; ++k)
            tri(at(0), at(k), at(k + 1));
        break;
    }
    return kOk;
}
