#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZRenderStateFlags.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/core/ZNameId.h"
#include "engine/core/ZUtil.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZRenderState.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/render/resources/ZTextureAtlas.h"

namespace
{
ZMaterial* s_pool = nullptr;
std::vector<ZMaterial*> s_free;

ZMaterial* AllocateForFile()
{
    return ZMaterial::Allocate();
}
ZMaterial* FindForFile(const char* name)
{
    return ZMaterial::Find(name);
}
ZSerializerRTTI<ZMaterial> s_materialSerializer(true, &AllocateForFile, &FindForFile);

// Below this the material counts as translucent (1 - 2^-13).
constexpr float kOpaqueThreshold = 0.9998779296875f;

bool ReadFloat(const char*& text, float& value)
{
    while (*text == ' ' || *text == ',' || *text == '\t')
        ++text;
    if (!*text)
        return false;
    const char* end = text + std::strlen(text);
    const char* begin = *text == '+' ? text + 1 : text;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc())
        return false;
    text = result.ptr;
    return true;
}
} // namespace

ZMaterial::ZMaterial()
{
    for (auto& matrix : m_textureMatrices)
        matrix.SetIdentity();
}

ZMaterial::~ZMaterial()
{
    for (int stage = 0; stage < kStages; ++stage)
    {
        if (m_stages[stage])
        {
            if (m_listening[stage])
                m_stages[stage]->RemoveListener(this);
            m_stages[stage]->Release();
        }
    }
    if (m_renderState)
        m_renderState->Destroy();
}

void ZMaterial::InitPool()
{
    if (s_pool)
        return;
    s_pool = new ZMaterial[kPoolSize];
    s_free.clear();
    s_free.reserve(kPoolSize);
    // The first material handed out is the pool's first.
    for (int i = kPoolSize - 1; i >= 0; --i)
    {
        ZMaterial& material = s_pool[i];
        material.m_inPool = true;
        material.m_free = true;
        material.SetFlags(kResourceFreeInPlace);
        s_free.push_back(&material);
    }
}

void ZMaterial::DestroyPool()
{
    delete[] s_pool;
    s_pool = nullptr;
    s_free.clear();
}

int ZMaterial::GetFreeCount()
{
    return int(s_free.size());
}

ZMaterial* ZMaterial::Allocate()
{
    if (!s_pool)
        InitPool();
    if (s_free.empty())
    {
        std::fprintf(stderr, "ZMaterial: all %d materials are in use\n", kPoolSize);
        return nullptr;
    }
    // The kind's group goes with its resource manager; the next material made brings a new one.
    if (!GetKindGroup())
        delete new ZMaterial();
    ZMaterial* material = s_free.back();
    s_free.pop_back();
    material->m_free = false;
    material->Clear();
    if (ZResourceGroup* group = GetKindGroup())
        group->Add(material);
    material->SetFlags(kPooledFlags);
    // A recycled material starts from a fresh state of the current renderer: the last user's flags
    // (or another renderer's state object) must not carry over.
    if (material->m_renderState)
    {
        material->m_renderState->Destroy();
        material->m_renderState = nullptr;
    }
    material->EnsureRenderState();
    return material;
}

void ZMaterial::Clear()
{
    for (int stage = 0; stage < kStages; ++stage)
        SetTexture(stage, nullptr, false);
    for (int i = 0; i < kSlots; ++i)
    {
        m_colors[i] = V4{};
        m_colorSet[i] = 0;
        m_floats[i] = 0.0f;
        m_floatSet[i] = 0;
        m_ints[i] = 0;
        m_intSet[i] = 0;
        m_vectors[i] = V4{};
        m_vectorSet[i] = 0;
    }
    for (int stage = 0; stage < kStages; ++stage)
    {
        m_textureMatrices[stage].SetIdentity();
        m_matrixSet[stage] = 0;
    }
    std::memset(m_switches, 0, sizeof(m_switches));
    std::memset(m_specified, 0, sizeof(m_specified));
    m_shader = nullptr;
    SetName(nullptr);
}

void ZMaterial::EnsureRenderState()
{
    if (!m_renderState && g_render)
        m_renderState = g_render->CreateRenderState();
}

void ZMaterial::FreeInPlace()
{
    ReturnToPool();
}

void ZMaterial::ReturnToPool()
{
    if (!m_inPool || m_free)
        return;
    ClearFlags(kResourceParked);
    if (ZResourceGroup* parent = GetParent())
        parent->Remove(this);
    // The shader may be gone already when the pool is emptied at shutdown.
    m_shader = nullptr;
    for (int stage = 0; stage < kStages; ++stage)
        SetTexture(stage, nullptr, false);
    m_free = true;
    s_free.push_back(this);
}

ZMaterial* ZMaterial::CreateForShader(const char* name, ZShaderBase* shader)
{
    ZMaterial* material = Allocate();
    if (!material)
        return nullptr;
    material->EnsureRenderState();
    material->SetName(name);
    material->m_shader = shader;
    if (shader)
        shader->InitMaterial(material);
    return material;
}

ZMaterial* ZMaterial::Find(const char* name)
{
    if (!name)
        return nullptr;
    return ZResourceKind<ZMaterial, true>::Find(name);
}

ZMaterial* ZMaterial::GetDefault()
{
    if (ZMaterial* material = Find("default_material"))
        return material;
    ZShaderLibrary* library = ZShaderLibrary::GetInstance();
    ZMaterial* material =
        CreateForShader("default_material", library ? library->FindShader("standard") : nullptr);
    // It lives for the whole run.
    if (material)
        material->AddRef();
    return material;
}

void ZMaterial::CloneFrom(const ZMaterial* source)
{
    if (!source || source == this)
        return;
    char name[256];
    std::snprintf(name, sizeof(name), "%s_clone", source->GetName());
    SetName(name);
    m_shader = source->m_shader;
    EnsureRenderState();
    if (m_renderState && source->m_renderState)
    {
        m_renderState->m_words[0] = source->m_renderState->m_words[0];
        m_renderState->m_words[1] = source->m_renderState->m_words[1];
    }
    for (int stage = 0; stage < kStages; ++stage)
        SetTexture(stage, source->m_stages[stage], source->m_stages[stage] != nullptr);
    for (int i = 0; i < kSlots; ++i)
    {
        m_colors[i] = source->m_colors[i];
        m_colorSet[i] = source->m_colorSet[i];
        m_floats[i] = source->m_floats[i];
        m_floatSet[i] = source->m_floatSet[i];
        m_ints[i] = source->m_ints[i];
        m_intSet[i] = source->m_intSet[i];
        m_vectors[i] = source->m_vectors[i];
        m_vectorSet[i] = source->m_vectorSet[i];
    }
    for (int stage = 0; stage < kStages; ++stage)
    {
        m_textureMatrices[stage] = source->m_textureMatrices[stage];
        m_matrixSet[stage] = source->m_matrixSet[stage];
    }
    std::memcpy(m_switches, source->m_switches, sizeof(m_switches));
    std::memcpy(m_specified, source->m_specified, sizeof(m_specified));
    Changed();
}

void ZMaterial::Changed()
{
    if (m_shader && m_shader->GetCode())
        m_shader->GetCode()->MaterialChanged(this);
}

void ZMaterial::SetTexture(int stage, ZTextureResource* texture, bool listen)
{
    if (stage < 0 || stage >= kStages)
        return;
    ZTextureResource* old = m_stages[stage];
    if (old == texture && texture)
    {
        if (listen && !m_listening[stage])
        {
            texture->AddListener(this);
            m_listening[stage] = true;
        }
        return;
    }
    if (old)
    {
        if (m_listening[stage])
            old->RemoveListener(this);
        old->Release();
    }
    m_stages[stage] = texture;
    m_listening[stage] = false;
    if (texture)
    {
        if (listen)
        {
            texture->AddListener(this);
            m_listening[stage] = true;
        }
        texture->AddRef();
    }
    if (old || texture)
        Changed();
}

void ZMaterial::OnResourceLoaded(ZResource* resource)
{
    (void)resource;
    Changed();
}

void ZMaterial::SetOpacity(float value)
{
    value = std::isnan(value) ? 0.0f : value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value;
    m_colors[0].w = value;
    m_colorSet[0] = 1;
    if (!m_specified[kSwitchTextureModulate])
        return;
    const uint8_t wanted = value < kOpaqueThreshold ? 1 : 0;
    if (m_switches[kSwitchTextureModulate] != wanted)
    {
        m_switches[kSwitchTextureModulate] = wanted;
        Changed();
    }
}

void ZMaterial::SetSwitch(int index, uint8_t value)
{
    if (index < 0 || index >= kSwitches)
        return;
    m_switches[index] = value;
    m_specified[index] = 1;
    Changed();
}

void ZMaterial::SetColor(int index, const V4& color)
{
    m_colors[index & 3] = color;
    m_colorSet[index & 3] = 1;
}

void ZMaterial::SetFloat(int index, float value)
{
    m_floats[index & 3] = value;
    m_floatSet[index & 3] = 1;
}

void ZMaterial::SetInt(int index, int32_t value)
{
    m_ints[index & 3] = value;
    m_intSet[index & 3] = 1;
}

void ZMaterial::SetVector(int index, const V4& value)
{
    m_vectors[index & 3] = value;
    m_vectorSet[index & 3] = 1;
}

void ZMaterial::SetTextureMatrix(int stage, const _M44& matrix)
{
    m_textureMatrices[stage & 1] = matrix;
    m_matrixSet[stage & 1] = 1;
}

bool ZMaterial::IsReady() const
{
    for (ZTextureResource* texture : m_stages)
    {
        if (texture && !texture->IsLoaded())
            return false;
    }
    return true;
}

bool ZMaterial::NeedsTextureMatrix() const
{
    for (int stage = 0; stage < kStages; ++stage)
    {
        const ZTexture* texture = ZEntityCast<ZTexture>(static_cast<const ZEntity*>(m_stages[stage]));
        if (texture && texture->GetAtlasPage())
            return true;
    }
    if (!m_switches[kSwitchTextureTransform])
        return false;
    for (int stage = 0; stage < kStages; ++stage)
    {
        if (m_stages[stage] && m_matrixSet[stage] && !m_textureMatrices[stage].IsIdentity())
            return true;
    }
    return false;
}

V4 ZMaterial::ParseColor(const char* text)
{
    V4 color{0.0f, 0.0f, 0.0f, 1.0f};
    if (!text)
        return color;
    while (*text == ' ' || *text == '\t')
        ++text;
    // Eight hexadecimal digits alone are AARRGGBB, as the content writes colours.
    int bare = 0;
    ParseHexColor(text, &bare);
    if (bare == 8 && (text[8] == '\0' || text[8] == ' ' || text[8] == '\t'))
        return ColorFromARGB(ParseHexColor(text));
    const bool hex = text[0] == '#' || (text[0] == '0' && (text[1] == 'x' || text[1] == 'X'));
    if (hex)
    {
        const char* digitsStart = text[0] == '#' ? text + 1 : text + 2;
        int digits = 0;
        uint32_t value = ParseHexColor(digitsStart, &digits);
        if (digits <= 6)
            value |= 0xff000000u;
        return ColorFromARGB(value);
    }
    float values[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (int i = 0; i < 4; ++i)
    {
        if (!ReadFloat(text, values[i]))
            break;
    }
    return V4{values[0], values[1], values[2], values[3]};
}

bool ZMaterial::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    const auto is = [id](const char* key) { return id == ZNameId(key).Value(); };
    if (is("name"))
    {
        SetName(value);
        return true;
    }
    if (is("basetexture") || is("texture2"))
    {
        const int stage = is("basetexture") ? 0 : 1;
        SetTexture(stage, value ? ZTexture::FindOrLoad(value, 0, kTextureLoadNowToo) : nullptr, true);
        return true;
    }
    if (is("basetexturename"))
    {
        SetTexture(0, ZTexture::Find(value), false);
        return true;
    }
    if (is("basetextureobject"))
    {
        const ZTexture* texture = SerializedChild<ZTexture>(value);
        if (!texture)
            return false;
        SetTexture(0, const_cast<ZTexture*>(texture), false);
        return true;
    }
    if (is("shader"))
    {
        ZShaderLibrary* library = ZShaderLibrary::GetInstance();
        if (ZShaderBase* shader = library ? library->FindShader(value) : nullptr)
        {
            m_shader = shader;
            shader->InitMaterial(this);
        }
        return true;
    }
    if (is("texturemodulate"))
    {
        SetSwitch(kSwitchTextureModulate, ParseBool(value) ? 1 : 0);
        return true;
    }
    if (is("texturefactor") || is("basecolor"))
    {
        SetColor(0, ParseColor(value));
        Changed();
        return true;
    }
    if (is("ambientcolor") || is("specularcolor") || is("emissivecolor") || is("shinyness"))
        return true;
    if (is("filter"))
    {
        SetSwitch(kSwitchFilter, ParseBool(value) ? 1 : 0);
        return true;
    }
    if (is("blendadd"))
    {
        SetSwitch(kSwitchBlendAdd, ParseBool(value) ? 1 : 0);
        return true;
    }
    if (is("blendshadow"))
    {
        SetSwitch(kSwitchBlendShadow, ParseBool(value) ? 1 : 0);
        return true;
    }
    if (is("usestencil"))
    {
        SetSwitch(kSwitchUseStencil, 1);
        return true;
    }
    if (is("drawstencil"))
    {
        SetSwitch(kSwitchUseStencil, 1);
        SetSwitch(kSwitchStencil10, 1);
        SetSwitch(kSwitchStencil8, 1);
        SetSwitch(kSwitchStencilOff, 0);
        return true;
    }
    return false;
}

void ZMaterial::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    if (HasName())
        visitor->Attribute("name", GetName());
    if (m_shader)
        visitor->Attribute("shader", m_shader->GetName());
}

ZSerializerBase* ZMaterial::GetSerializer() const
{
    return &s_materialSerializer;
}

uint32_t ZMaterial::GetStateFlags(uint32_t current) const
{
    uint32_t flags = current;
    for (const SMaterialSwitchFlag& entry : kMaterialSwitchFlags)
        flags &= ~entry.flag;
    for (const SMaterialSwitchFlag& entry : kMaterialSwitchFlags)
        if (IsSwitchSpecified(entry.switchIndex) && GetSwitch(entry.switchIndex))
            flags |= entry.flag;
    flags = GetTexture(0) ? (flags | kStateStage0Textured) : (flags & ~kStateStage0Textured);
    flags = GetTexture(1) ? (flags | kStateStage1Textured) : (flags & ~kStateStage1Textured);
    return flags;
}
