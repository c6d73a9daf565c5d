#include "engine/scene/ZGeomObject.h"

#include "engine/render/resources/ZPrimitive.h"
#include "engine/scene/ZCamera.h"

namespace
{
ZSerializerRTTI<ZGeomObject> s_geomObjectSerializer;

constexpr ZNameId kPrimId{"primid"};
} // namespace

ZSerializerBase* ZGeomObject::GetSerializer() const
{
    return &s_geomObjectSerializer;
}

void ZGeomObject::CopyFrom(ZNode* source)
{
    ZGeom::CopyFrom(source);
    if (auto* other = ZEntityCast<ZGeomObject>(source); other && other != this)
    {
        m_primitive = other->m_primitive;
        m_primitiveId = other->m_primitiveId;
        m_primitiveName = other->m_primitiveName;
    }
}

ZNode* ZGeomObject::Clone()
{
    auto* copy = new ZGeomObject();
    copy->CopyFrom(this);
    return copy;
}

bool ZGeomObject::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (id == kPrimId.Value())
    {
        // An object or value element handed where a name belongs is no primitive name.
        if (!value || HandedChildObject(value, true, 0) || HandedChildObject(value, false, 0))
            return false;
        SetPrimitiveName(value);
        return true;
    }
    return ZGeom::SetProperty(id, name, value);
}

void ZGeomObject::SaveAttributes(ISaveVisitor* visitor)
{
    ZGeom::SaveAttributes(visitor);
    if (!visitor)
        return;
    const ZPrimitive* primitive = GetPrimitive();
    const char* name = !m_primitiveName.empty() ? m_primitiveName.c_str()
                       : primitive              ? primitive->GetName()
                                                : nullptr;
    if (name && *name)
        visitor->Attribute("primid", name);
}

ZPrimitive* ZGeomObject::GetPrimitive() const
{
    if (!m_primitiveId.IsNone())
        return ZPrimitive::FindById(m_primitiveId);
    return m_primitive;
}

void ZGeomObject::SetPrimitive(ZPrimitive* primitive)
{
    m_primitive = primitive;
    m_primitiveId = ZNameId();
    m_primitiveName.clear();
}

void ZGeomObject::SetPrimitiveName(const char* name)
{
    m_primitive = nullptr;
    m_primitiveId = ZNameId(name);
    m_primitiveName = name ? name : "";
}

ZPrimitive* ZGeomObject::CreatePrimitive()
{
    SetPrimitive(ZPrimitive::Create());
    return m_primitive;
}

void ZGeomObject::DeletePrimitive()
{
    delete GetPrimitive();
    SetPrimitive(nullptr);
}

uint32_t ZGeomObject::GetPartCount() const
{
    const ZPrimitive* primitive = GetPrimitive();
    return primitive ? primitive->GetPartCount() : 0;
}

ZSubPrimitive* ZGeomObject::GetPart(uint32_t index) const
{
    const ZPrimitive* primitive = GetPrimitive();
    return primitive ? primitive->GetPart(index) : nullptr;
}

void ZGeomObject::AccumulateBounds(ZBoundingBox& box)
{
    const ZPrimitive* primitive = GetPrimitive();
    if (!primitive)
        return;
    const ZBoundingBox& own = primitive->GetBounds();
    // An empty box (no geometry yet) has its corners inverted: it adds nothing.
    if (own.min.x > own.max.x || own.min.y > own.max.y || own.min.z > own.max.z)
        return;
    const V3 corners[2] = {own.min, own.max};
    box.AddPoints(2, corners);
    box.Recompute();
}

void* ZGeomObject::QueryGeometry()
{
    const ZSubPrimitive* first = GetPart(0);
    if (!first || first->GetVertexBufferId() < 0)
        return nullptr;
    return first->GetMaterial();
}

bool ZGeomObject::HasGeometry() const
{
    const ZPrimitive* primitive = GetPrimitive();
    const uint32_t count = primitive ? primitive->GetPartCount() : 0;
    for (uint32_t i = 0; i < count; ++i)
    {
        const ZSubPrimitive* part = primitive->GetPart(i);
        if (part && part->GetVertexBufferId() >= 0)
            return true;
    }
    return false;
}

bool ZGeomObject::GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key)
{
    // A primitive that is missing, or whose vertex file could not be read, has nothing to show.
    if (IsHidden() || !HasGeometry())
        return false;
    key = camera.GeometryKey(*this, world);
    return true;
}
