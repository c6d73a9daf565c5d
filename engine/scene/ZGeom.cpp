#include "engine/scene/ZGeom.h"

#include <cmath>
#include <vector>

#include "engine/core/ZMath.h"
#include "engine/core/ZUtil.h"
#include "engine/core/ZValueSerializer.h"

namespace
{

ZSerializerRTTI<ZGeom> s_geomSerializer;
ZSerializerRTTI<ZGroup> s_groupSerializer;

constexpr ZNameId kMatrix{"matrix"};
constexpr ZNameId kMatPos{"matpos"};
constexpr ZNameId kIs2D{"is2d"};
constexpr ZNameId kScale{"scale"};
constexpr ZNameId kScaleV3{"scalev3"};
constexpr ZNameId kOrientation{"orientation"};

ZGeom* GeomParentOf(const ZNode* node)
{
    return static_cast<ZGeom*>(node->FindGeomParent());
}

bool IsZeroRow(const V3& v)
{
    return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f;
}

V3 IdentityAxis(int i)
{
    V3 axis;
    (i == 0 ? axis.x : i == 1 ? axis.y : axis.z) = 1.0f;
    return axis;
}

// Every childless geometric node of the active subtrees below `node` adds its extent.
void AccumulateLeafBounds(ZNode* node, ZBoundingBox& box)
{
    for (ZNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
    {
        if (!c->IsActive())
            continue;
        if (c->HasChildren())
            AccumulateLeafBounds(c, box);
        else if (auto* geom = ZEntityCast<ZGeom>(c))
            geom->AccumulateBounds(box);
    }
}

template <class T>
void WriteValueElement(ISaveVisitor* visitor, const char* property, const char* element, const T& value)
{
    visitor->BeginElement(property, element);
    WriteValueAttributes(value, *visitor);
    visitor->CloseStartTag();
    visitor->EndElement(property, element);
}

} // namespace

ZGeom::ZGeom()
{
    SetFlags(kNodeIdentityOrientation);
}

ZSerializerBase* ZGeom::GetSerializer() const
{
    return &s_geomSerializer;
}

void ZGeom::CopyFrom(ZNode* source)
{
    ZNode::CopyFrom(source);
    if (auto* geom = ZEntityCast<ZGeom>(source); geom && geom != this)
    {
        m_position = geom->m_position;
        m_orientation = geom->m_orientation;
        m_worldCached = false;
        RefreshIdentityFlag();
    }
}

ZNode* ZGeom::Clone()
{
    auto* geom = new ZGeom();
    geom->CopyFrom(this);
    return geom;
}

bool ZGeom::SetProperty(uint32_t id, const char* name, const char* value)
{
    // Value-type properties receive the value object that the child element made.
    if (id == ZAttr::Position.Value())
    {
        if (!value)
            return false;
        // Only x, y and z are read, so both a "v3" and a "v4" serve.
        const V3* v = SerializedChild<V3>(value);
        if (!v)
            return false;
        m_position = *v;
        return true;
    }
    if (id == kMatrix.Value())
    {
        if (!value)
            return false;
        const M33* m = SerializedChild<M33>(value);
        if (!m)
            return false;
        m_orientation = *m;
        InvalidateAndNotify();
        return true;
    }
    if (id == kMatPos.Value())
    {
        if (!value)
            return false;
        const _M44* m = SerializedChild<_M44>(value);
        if (!m)
            return false;
        SetMatPos(*m);
        return true;
    }
    if (id == kIs2D.Value())
    {
        SetIs2D(ParseBool(value));
        return true;
    }
    if (id == kScale.Value())
    {
        const float s = ParseFloatWithPi(value);
        SetScale({s, s, s});
        return true;
    }
    if (id == kScaleV3.Value())
    {
        if (!value)
            return false;
        const V3* v = SerializedChild<V3>(value);
        if (!v)
            return false;
        SetScale(*v);
        return true;
    }
    if (id == kOrientation.Value())
    {
        if (!value)
            return false;
        const V4* child = SerializedChild<V4>(value);
        if (!child)
            return false;
        V4 axisAngle = *child;
        V3 axis{axisAngle.x, axisAngle.y, axisAngle.z};
        axis.Normalize();
        if (IsZeroRow(axis))
            axis.z = 1.0f;
        axisAngle.x = axis.x;
        axisAngle.y = axis.y;
        axisAngle.z = axis.z;
        m_orientation.SetAxisAngle(axisAngle);
        InvalidateAndNotify();
        return true;
    }
    return ZNode::SetProperty(id, name, value);
}

void ZGeom::SaveChildren(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    if (!(m_position == V3{}))
        WriteValueElement(visitor, "position", "v3", m_position);
    if (!m_orientation.IsIdentity())
        WriteValueElement(visitor, "matrix", "m33", m_orientation);
    ZNode::SaveChildren(visitor);
}

void ZGeom::MoveToNode2D(ZNode* node, float z)
{
    auto* other = ZEntityCast<ZGeom>(node);
    if (!other)
        return;
    V3 p;
    other->LocalToWorld(p);
    p.z = z;
    if (ZGeom* parent = GeomParentOf(this))
        parent->WorldToLocal(p);
    SetPosition(p);
}

void ZGeom::MoveToNode(ZNode* node)
{
    auto* other = ZEntityCast<ZGeom>(node);
    if (!other)
        return;
    if (other->GetParent() == GetParent())
    {
        SetPosition(other->m_position);
        return;
    }
    V3 p;
    other->LocalToWorld(p);
    if (ZGeom* parent = GeomParentOf(this))
        parent->WorldToLocal(p);
    SetPosition(p);
}

void ZGeom::SetPositionXYZ(float x, float y, float z)
{
    m_position = {x, y, z};
    Invalidate();
}

void ZGeom::SetPosition2D(const V2& position)
{
    m_position = {position.x, position.y, 0.0f};
    Invalidate();
}

void ZGeom::SetPosition(const V3& position)
{
    m_position = position;
    Invalidate();
}

void ZGeom::MoveBy2D(const V2& delta)
{
    MoveBy(delta.x, delta.y, 0.0f);
}

void ZGeom::MoveByV3(const V3& delta)
{
    MoveBy(delta.x, delta.y, delta.z);
}

void ZGeom::MoveBy(float dx, float dy, float dz)
{
    m_position += V3{dx, dy, dz};
    Invalidate();
}

void ZGeom::SetMatPos(const _M44& matrix)
{
    for (int i = 0; i < 3; ++i)
        m_orientation.SetRow(i, matrix.GetRow(i));
    InvalidateAndNotify();
    m_position = matrix.GetRow(3);
    Invalidate();
}

void ZGeom::AccumulateBounds(ZBoundingBox& box)
{
    AccumulateLeafBounds(this, box);
}

void ZGeom::Invalidate()
{
    m_worldCached = false;
    SetChanged(true, true);
}

void ZGeom::InvalidateAndNotify()
{
    m_worldCached = false;
    RefreshIdentityFlag();
    SetChanged(true, true);
}

bool ZGeom::GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key)
{
    (void)camera, (void)world, (void)key;
    return false;
}

void ZGeom::RefreshIdentityFlag()
{
    if (m_orientation.IsIdentity())
        SetFlags(kNodeIdentityOrientation);
    else
        ClearFlags(kNodeIdentityOrientation);
}

void ZGeom::LocalToWorld(V3& point) const
{
    for (const ZGeom* g = this; g; g = GeomParentOf(g))
    {
        if (!g->TestFlags(kNodeIdentityOrientation))
            g->m_orientation.Transform(point);
        point += g->m_position;
    }
}

void ZGeom::WorldToLocal(V3& point) const
{
    if (ZGeom* parent = GeomParentOf(this))
        parent->WorldToLocal(point);
    point -= m_position;
    if (!TestFlags(kNodeIdentityOrientation))
    {
        M33 inverse = m_orientation;
        // A collapsed node (scale 0) has no inverse; the point then stays at the node's origin offset.
        if (inverse.Invert())
            inverse.Transform(point);
    }
}

void ZGeom::LocalToWorldDirection(V3& vector) const
{
    for (const ZGeom* g = this; g; g = GeomParentOf(g))
    {
        if (!g->TestFlags(kNodeIdentityOrientation))
            g->m_orientation.Transform(vector);
    }
}

void ZGeom::WorldToLocalDirection(V3& vector) const
{
    if (ZGeom* parent = GeomParentOf(this))
        parent->WorldToLocalDirection(vector);
    if (!TestFlags(kNodeIdentityOrientation))
    {
        M33 inverse = m_orientation;
        if (inverse.Invert())
            inverse.Transform(vector);
    }
}

void ZGeom::GetLocalMatrix(_M44& out) const
{
    out.SetIdentity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[i][j] = m_orientation.m[i][j];
    out.m[3][0] = m_position.x;
    out.m[3][1] = m_position.y;
    out.m[3][2] = m_position.z;
}

void ZGeom::GetWorldMatrix(_M44& out) const
{
    GetLocalMatrix(out);
    if (ZGeom* parent = GeomParentOf(this))
    {
        _M44 parentWorld;
        parent->GetWorldMatrix(parentWorld);
        _M44::Multiply(out, parentWorld, out);
    }
}

bool ZGeom::InvertAffine(const _M44& matrix, _M44& out)
{
    M33 rotation;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            rotation.m[i][j] = matrix.m[i][j];
    const bool ok = rotation.Invert();
    V3 t = matrix.GetRow(3);
    rotation.Transform(t);
    out.SetIdentity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[i][j] = rotation.m[i][j];
    out.m[3][0] = -t.x;
    out.m[3][1] = -t.y;
    out.m[3][2] = -t.z;
    return ok;
}

void ZGeom::WorldToLocalMatrix(_M44& matrix) const
{
    _M44 world;
    GetWorldMatrix(world);
    _M44 inverse;
    InvertAffine(world, inverse);
    _M44::Multiply(matrix, inverse, matrix);
}

void ZGeom::WorldToLocalTransform(V3& position, M33& orientation) const
{
    WorldToLocal(position);
    for (int i = 0; i < 3; ++i)
    {
        V3 row = orientation.GetRow(i);
        WorldToLocalDirection(row);
        orientation.SetRow(i, row);
    }
}

V3 ZGeom::GetWorldPosition() const
{
    V3 p;
    GetPosition(p);
    if (ZGeom* parent = GeomParentOf(this))
        parent->LocalToWorld(p);
    return p;
}

V3 ZGeom::WorldPositionOf(ZNode* node)
{
    auto* geom = ZEntityCast<ZGeom>(node);
    return geom ? geom->GetWorldPosition() : V3{};
}

void ZGeom::SetWorldPosition(const V3& position)
{
    V3 p = position;
    if (ZGeom* parent = GeomParentOf(this))
        parent->WorldToLocal(p);
    SetPosition(p);
}

void ZGeom::SetWorldTransform(const V3& position, const M33& orientation)
{
    V3 p = position;
    M33 o = orientation;
    if (ZGeom* parent = GeomParentOf(this))
        parent->WorldToLocalTransform(p, o);
    m_orientation = o;
    InvalidateAndNotify();
    SetPosition(p);
}

void ZGeom::SetWorldMatPos(const _M44& matrix)
{
    _M44 m = matrix;
    if (ZGeom* parent = GeomParentOf(this))
        parent->WorldToLocalMatrix(m);
    SetMatPos(m);
}

void ZGeom::SetOrientation(const M33& orientation)
{
    m_orientation = orientation;
    InvalidateAndNotify();
}

void ZGeom::SetOrientationQuat(const V4& q)
{
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    // Row-vector form: each row is the rotated unit axis.
    M33 m;
    m.m[0][0] = 1.0f - 2.0f * (y * y + z * z);
    m.m[0][1] = 2.0f * (x * y + z * w);
    m.m[0][2] = 2.0f * (x * z - y * w);
    m.m[1][0] = 2.0f * (x * y - z * w);
    m.m[1][1] = 1.0f - 2.0f * (x * x + z * z);
    m.m[1][2] = 2.0f * (y * z + x * w);
    m.m[2][0] = 2.0f * (x * z + y * w);
    m.m[2][1] = 2.0f * (y * z - x * w);
    m.m[2][2] = 1.0f - 2.0f * (x * x + y * y);
    SetOrientation(m);
}

void ZGeom::SetRotationZ(float angle)
{
    m_orientation.SetRotationZ(angle);
    InvalidateAndNotify();
}

void ZGeom::SetScale(const V3& scale)
{
    V3 rows[3];
    for (int i = 0; i < 3; ++i)
    {
        rows[i] = m_orientation.GetRow(i);
        rows[i].Normalize();
    }
    // A row scaled to 0 earlier has lost its direction: rebuild it so the node can grow again.
    for (int i = 0; i < 3; ++i)
    {
        if (!IsZeroRow(rows[i]))
            continue;
        const V3& a = rows[(i + 1) % 3];
        const V3& b = rows[(i + 2) % 3];
        V3 rebuilt = IsZeroRow(a) || IsZeroRow(b) ? V3{} : V3::Cross(a, b);
        rebuilt.Normalize();
        rows[i] = IsZeroRow(rebuilt) ? IdentityAxis(i) : rebuilt;
    }
    const float s[3] = {scale.x, scale.y, scale.z};
    for (int i = 0; i < 3; ++i)
        m_orientation.SetRow(i, rows[i] * s[i]);
    InvalidateAndNotify();
}

void ZGeom::SetIs2D(bool on)
{
    if (on)
        SetFlags(kNode2D);
    else
        ClearFlags(kNode2D);
}

ZGroup* ZGroup::CreateNamed(const char* name, ZNode* child)
{
    auto* group = new ZGroup();
    group->SetName(name);
    if (child)
        group->AddChild(child);
    return group;
}

ZSerializerBase* ZGroup::GetSerializer() const
{
    return &s_groupSerializer;
}

void ZGroup::CopyFrom(ZNode* source)
{
    ZGeom::CopyFrom(source);
    auto* group = ZEntityCast<ZGroup>(source);
    // Copying from inside itself would delete the source.
    if (!group || group == this || group->IsDescendantOf(this))
        return;
    DestroyChildren();
    std::vector<ZNode*> children;
    for (ZNode* c = group->GetFirstChild(); c; c = c->GetNextSibling())
        children.push_back(c);
    for (ZNode* c : children)
    {
        // A clone lands beside its source first; AddChild moves it here.
        if (ZNode* copy = c->Clone())
            AddChild(copy);
    }
}

ZNode* ZGroup::Clone()
{
    auto* group = new ZGroup();
    group->CopyFrom(this);
    return group;
}
