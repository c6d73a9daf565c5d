#include "engine/render/resources/ZPrimitive.h"

#include <charconv>
#include <cstring>
#include <vector>

#include "engine/fs/ZFile.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/resource/ZResourcePath.h"

namespace
{
const ZNameId kOffset("offset");
const ZNameId kMaterial("material");
const ZNameId kPath("path");
const ZNameId kName("name");
const ZNameId kSubprim("subprim");

ZSerializerRTTI<ZSubPrimitive> s_subPrimitiveSerializer(false, &ZSubPrimitive::CreateEmpty);
ZSerializerRTTI<ZPrimitive> s_primitiveSerializer;

// An object or value handed by the scene reader in place of text, or null for plain text.
const ZEntity* HandedEntity(const char* value)
{
    return SerializedChild<ZEntity>(value);
}

bool IsHanded(const char* value)
{
    return HandedChildObject(value, true, 0) || HandedChildObject(value, false, 0);
}
} // namespace

uint32_t VertexCountFor(uint32_t kind, uint32_t n)
{
    switch (kind)
    {
    case kPrimPointList:
        return n;
    case kPrimLineList:
        return 2 * n;
    case kPrimLineStrip:
        return n + 1;
    case kPrimTriangleList:
        return 3 * n;
    case kPrimTriangleStrip:
    case kPrimTriangleFan:
        return n + 2;
    default:
        return 0;
    }
}

ZSubPrimitive::~ZSubPrimitive()
{
    ReleaseDeviceBuffer();
}

ZSubPrimitive* ZSubPrimitive::Create(uint32_t primitiveCount, const uint8_t* vertices, uint32_t kind)
{
    ZSubPrimitive* part = new ZSubPrimitive();
    part->Build(primitiveCount, vertices, kind);
    return part;
}

void ZSubPrimitive::Build(uint32_t primitiveCount, const uint8_t* vertices, uint32_t kind)
{
    m_kind = kind;
    m_primitiveCount = primitiveCount;
    m_vertexCount = VertexCountFor(kind, primitiveCount);
    m_partFlags |= kSubPrimCreated;
    m_bounds.Reset();
    if (!g_render || !vertices || m_vertexCount == 0)
        return;
    m_vertexBuffer = g_render->CreateVertexBuffer(vertices, m_vertexCount, false);
    if (m_vertexBuffer < 0)
    {
        m_vertexBuffer = -1;
        return;
    }
    const uint8_t* locked = static_cast<const uint8_t*>(g_render->LockVertexBuffer(m_vertexBuffer));
    if (!locked)
        return;
    m_bounds.AddPoints(int(m_vertexCount), locked, int(kVertexSize));
    m_bounds.Recompute();
    for (uint32_t i = 0; i < m_vertexCount; ++i)
    {
        // The colour word is little-endian ARGB: alpha is its last byte.
        if (locked[size_t(i) * kVertexSize + 27] < 0xFF)
        {
            m_partFlags |= kSubPrimBlended;
            break;
        }
    }
    g_render->UnlockVertexBuffer(m_vertexBuffer);
}

int ZSubPrimitive::ReleaseDeviceBuffer()
{
    if (m_vertexBuffer < 0)
        return 0;
    if (g_render)
        g_render->DeleteVertexBuffer(m_vertexBuffer);
    m_vertexBuffer = -1;
    return 1;
}

bool ZSubPrimitive::SetProperty(ZNameId name, const char* text)
{
    if (!text)
        return false;
    if (name == kOffset)
    {
        uint32_t value = 0;
        const char* end = text + std::strlen(text);
        if (std::from_chars(text, end, value).ec == std::errc())
            m_offset = value;
        return true;
    }
    if (name == kMaterial)
    {
        ZMaterial* material = ZMaterial::Find(text);
        if (!material)
            material = ZMaterial::CreateForShader(text, nullptr);
        m_material = material;
        return true;
    }
    return false;
}

bool ZSubPrimitive::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    if (const ZEntity* child = HandedEntity(value))
    {
        auto* material = ZEntityCast<ZMaterial>(const_cast<ZEntity*>(child));
        if (!material)
            return false;
        m_material = material;
        return true;
    }
    if (!value || IsHanded(value))
        return false;
    if (id == kName.Value())
    {
        SetName(value);
        return true;
    }
    return SetProperty(ZNameId::FromValue(id), value);
}

void ZSubPrimitive::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    const char* name = GetName();
    if (name && *name)
        visitor->Attribute("name", name);
    char offset[16];
    auto [end, ec] = std::to_chars(offset, offset + sizeof(offset) - 1, m_offset);
    *end = '\0';
    visitor->Attribute("offset", offset);
    const char* material = m_material ? m_material->GetName() : nullptr;
    if (material && *material)
        visitor->Attribute("material", material);
}

void ZSubPrimitive::OnLoaded()
{
    if (!m_material)
        m_material = ZMaterial::GetDefault();
}

bool ZPrimitive::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    if (const ZEntity* child = HandedEntity(value))
    {
        // A part written inside its primitive, with or without property="subprim".
        if (id != ZNameId::kNone && id != kSubprim.Value())
            return false;
        return AddPart(ZEntityCast<ZSubPrimitive>(const_cast<ZEntity*>(child)));
    }
    if (!value || IsHanded(value))
        return false;
    return SetProperty(ZNameId::FromValue(id), value);
}

void ZPrimitive::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    const char* name = GetName();
    if (name && *name)
        visitor->Attribute("name", name);
    if (!m_path.empty())
        visitor->Attribute("path", m_path.c_str());
}

void ZPrimitive::SaveChildren(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    for (uint32_t i = 0; i < m_parts.Size(); ++i)
    {
        if (!m_parts[i])
            continue;
        visitor->BeginElement(nullptr, "subprimitive");
        m_parts[i]->SaveAttributes(visitor);
        visitor->CloseStartTag();
        visitor->EndElement(nullptr, "subprimitive");
    }
}

int ZPrimitive::ReleaseDeviceBuffers()
{
    if (!g_render)
        return 1;
    return g_render->ReleasePrimitiveBuffers(this);
}

bool ZPrimitive::SetProperty(ZNameId name, const char* text)
{
    if (name == kPath)
    {
        SetPath(text);
        return true;
    }
    if (name == kName)
    {
        SetName(text);
        return true;
    }
    if (name == kSubprim)
        return AddPart(ZSubPrimitive::Find(text));
    return false;
}

bool ZPrimitive::AddPart(ZSubPrimitive* part)
{
    if (!part || !m_parts.PushBack(part))
        return false;
    if (m_parts.Size() == 1)
        m_bounds = part->GetBounds();
    else
        m_bounds.Merge(part->GetBounds());
    return true;
}

ZPrimitive::~ZPrimitive()
{
    DropFileBlocks();
}

int ZPrimitive::UnloadData()
{
    DropFileBlocks();
    return 0;
}

void ZPrimitive::DropFileBlocks()
{
    if (s_blockSource && !m_parsedName.empty())
        s_blockSource->Drop(m_parsedName.c_str());
    m_parsedName.clear();
}

int ZPrimitive::Load()
{
    if (!s_blockSource || m_path.empty())
        return 1;
    ZResourcePath path(m_path);
    if (path.Open() != 0)
        return 1;
    IFile* file = path.GetFile();
    const int64_t size = file->GetSize();
    if (size <= 0)
    {
        path.Close();
        return 1;
    }
    std::vector<uint8_t> buffer(static_cast<size_t>(size));
    const size_t got = file->Read(buffer.data(), buffer.size());
    path.Close();
    if (got != buffer.size())
        return 1;
    const std::string name = path.GetName();
    if (!s_blockSource->Parse(name.c_str(), buffer.data(), got))
    {
        s_blockSource->Finish();
        return 1;
    }
    m_parsedName = name;
    // Every part must find a block of a kind that makes geometry before any part changes: a file
    // that does not belong to this primitive leaves it as it was.
    SPartBlock blocks[kMaxParts];
    for (uint32_t i = 0; i < m_parts.Size(); ++i)
    {
        const ZSubPrimitive* old = m_parts[i];
        if (!old || !s_blockSource->GetBlock(old->GetOffset(), blocks[i]) ||
            (blocks[i].primitiveCount && VertexCountFor(blocks[i].kind, blocks[i].primitiveCount) == 0))
        {
            s_blockSource->Finish();
            return 1;
        }
    }
    for (uint32_t i = 0; i < m_parts.Size(); ++i)
    {
        ZSubPrimitive* old = m_parts[i];
        const SPartBlock& block = blocks[i];
        ZSubPrimitive* part = ZSubPrimitive::Create(block.primitiveCount, block.vertices, block.kind);
        part->SetMaterial(old->GetMaterial());
        part->SetOffset(old->GetOffset());
        m_parts[i] = part;
        if (i == 0)
            m_bounds = part->GetBounds();
        else
            m_bounds.Merge(part->GetBounds());
    }
    s_blockSource->Finish();
    return 0;
}
