#include "engine/scene/ZCamera.h"

#include <algorithm>
#include <cmath>

#include "engine/render/resources/ZRenderSettings.h"
#include "engine/scene/ZSceneTree.h"

ZPropertyBool g_cameraDumpCache("camera.dumpcache", "", "", 0, ZProperty::kNoGroup, false);

namespace
{

// Distances beyond this share the last key rather than overflowing into the sign bit.
constexpr float kMaxDistanceKey = 16777215.0f;

} // namespace

ZCamera::ZCamera() = default;

ZCamera::~ZCamera()
{
    // At shutdown the views go with the renderer before the scene tree deletes its cameras.
    if (m_view && (m_options & kCameraInView) && !ZSceneTree::IsShutdownBegun())
        m_view->RemoveCamera(this);
    m_view = nullptr;
    delete[] m_entries;
    m_entries = nullptr;
    delete[] m_spareEntries;
    m_spareEntries = nullptr;
    delete[] m_sortKeys;
    m_sortKeys = nullptr;
}

ZCamera* ZCamera::Create(const char* name, ZNode* root, bool perspective, bool is2D)
{
    auto* camera = new ZCamera();
    camera->SetName(name);
    if (!perspective)
    {
        camera->m_options |= kCameraOrthographic;
        if (is2D)
        {
            camera->SetFlags(kNode2D);
            camera->m_near = -1.0f;
            camera->m_far = 1.0f;
        }
    }
    camera->UpdateProjection();
    camera->m_root = root ? root : ZSceneTree::GetInstance();
    camera->SetChanged(true, false);
    return camera;
}

void ZCamera::CopyFrom(ZNode* source)
{
    ZGeom::CopyFrom(source);
    auto* other = ZEntityCast<ZCamera>(source);
    if (!other || other == this)
        return;
    // The copy is in no view's list until a view takes it.
    m_options = uint16_t(other->m_options & ~kCameraInView);
    m_projection = other->m_projection;
    m_orientationMatrix = other->m_orientationMatrix;
    m_near = other->m_near;
    m_far = other->m_far;
    m_fieldOfView = other->m_fieldOfView;
    m_aspect = other->m_aspect;
    m_root = other->m_root;
    m_viewport = other->m_viewport;
    m_priority = other->m_priority;
    m_renderTarget = other->m_renderTarget;
    m_fog = other->m_fog;
}

ZNode* ZCamera::Clone()
{
    auto* camera = new ZCamera();
    camera->CopyFrom(this);
    return camera;
}

void ZCamera::SetView(ICameraView* view, const V4& viewport)
{
    m_view = view;
    m_viewport = viewport;
    if (view)
        m_options |= kCameraInView;
    UpdateProjection();
}

void ZCamera::UpdateProjection()
{
    m_projection.SetIdentity();
    if (!m_view)
    {
        m_options &= uint16_t(~kCameraInView);
        return;
    }
    const float screenWidth = float(g_renderWidth.GetValue());
    const float screenHeight = float(g_renderHeight.GetValue());
    const float viewWidth = m_viewport.z;
    const float viewHeight = m_viewport.w;
    const float denominator = viewWidth * screenWidth;
    m_aspect = denominator != 0.0f ? (viewHeight * screenHeight) / denominator : 1.0f;
    if (m_options & kCameraOrthographic)
    {
        // The logical screen size; the renderer scales the back buffer to it.
        const float width = viewWidth * screenWidth;
        const float height = viewHeight * screenHeight;
        if (width != 0.0f)
            m_projection.m[0][0] = 2.0f / width;
        if (height != 0.0f)
            m_projection.m[1][1] = 2.0f / height;
        if (m_far != m_near)
        {
            m_projection.m[2][2] = 1.0f / (m_far - m_near);
            m_projection.m[3][2] = m_near / (m_near - m_far);
        }
        return;
    }
    m_projection.SetPerspective(m_fieldOfView, m_aspect, m_near, m_far);
}

void ZCamera::UpdateViewMatrix()
{
    GetWorldMatrix(m_cameraWorld);
    m_orientationMatrix.SetOrientation(m_cameraWorld.GetRow(1), m_cameraWorld.GetRow(2));
}

bool ZCamera::BuildDrawList()
{
    if (!m_root || !m_root->IsActive())
        return false;
    if (!m_entries)
        m_entries = new SDrawEntry[kMaxEntries];
    m_entryCount = 0;
    m_full = false;
    m_worldPosition = V3{};
    LocalToWorld(m_worldPosition);
    UpdateViewMatrix();
    _M44 identity;
    Collect(m_root, identity);
    SortEntries();
    return m_entryCount != 0;
}

void ZCamera::SortEntries()
{
    // Keys compare by their signed difference; equal keys keep their collection order (the order
    // field breaks the tie), so the result is one fixed order whatever the sort moves.
    const auto before = [](const SSortKey& a, const SSortKey& b)
    {
        if (a.key != b.key)
            return int32_t(a.key - b.key) < 0;
        return a.order < b.order;
    };
    const uint32_t n = m_entryCount;
    if (n < 2)
        return;
    if (!m_sortKeys)
        m_sortKeys = new SSortKey[2 * size_t(kMaxEntries)];
    bool sorted = true;
    uint32_t highest = 0;
    for (uint32_t i = 0; i < n; ++i)
    {
        m_sortKeys[i] = {m_entries[i].key, i};
        highest = std::max(highest, m_entries[i].key);
        if (i > 0 && before(m_sortKeys[i], m_sortKeys[i - 1]))
            sorted = false;
    }
    // Screens mostly come out of the walk in depth order already.
    if (sorted)
        return;
    const SSortKey* order = m_sortKeys;
    if (highest < 0x80000000u)
    {
        // With every key below 2^31 the signed difference orders keys as plain numbers, and a
        // stable sort by key alone keeps equal keys in collection order: a byte-wise radix sort,
        // one pass per byte the largest key uses (depth keys use three).
        SSortKey* from = m_sortKeys;
        SSortKey* to = m_sortKeys + kMaxEntries;
        for (uint32_t shift = 0; shift < 32 && (highest >> shift) != 0; shift += 8)
        {
            uint32_t count[257] = {};
            for (uint32_t i = 0; i < n; ++i)
                ++count[((from[i].key >> shift) & 0xFF) + 1];
            for (int b = 0; b < 256; ++b)
                count[b + 1] += count[b];
            for (uint32_t i = 0; i < n; ++i)
                to[count[(from[i].key >> shift) & 0xFF]++] = from[i];
            std::swap(from, to);
        }
        order = from;
    }
    else
        std::sort(m_sortKeys, m_sortKeys + n, before);
    if (!m_spareEntries)
        m_spareEntries = new SDrawEntry[kMaxEntries];
    for (uint32_t i = 0; i < n; ++i)
        m_spareEntries[i] = m_entries[order[i].order];
    std::swap(m_entries, m_spareEntries);
}

void ZCamera::Collect(ZNode* node, const _M44& parent)
{
    _M44 world = parent;
    if (auto* geom = ZEntityCast<ZGeom>(node); geom && node->HasChildren())
    {
        _M44 local;
        geom->GetLocalMatrix(local);
        _M44::Multiply(local, parent, world);
        geom->SetCachedWorldMatrix(world);
    }
    for (ZNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
    {
        if (m_full || m_entryCount >= kMaxEntries)
        {
            m_full = true;
            return;
        }
        if (!c->IsActive())
            continue;
        auto* geom = ZEntityCast<ZGeom>(c);
        if (geom && c->IsHidden())
            continue;
        if (c->HasChildren() && !c->TestFlags(kNodeChildrenNotDrawn))
        {
            Collect(c, world);
            if (m_full || m_entryCount >= kMaxEntries)
            {
                m_full = true;
                return;
            }
        }
        if (!geom || c->IsA<ZCamera>())
            continue;
        _M44 local;
        geom->GetLocalMatrix(local);
        _M44 childWorld;
        _M44::Multiply(local, world, childWorld);
        uint32_t key = 0;
        if (!geom->GetDrawKey(*this, childWorld, key))
            continue;
        SDrawEntry& entry = m_entries[m_entryCount];
        entry.node = c;
        entry.key = key;
        entry.order = m_entryCount;
        entry.world = childWorld;
        ++m_entryCount;
    }
}

uint32_t ZCamera::DepthKey(float z)
{
    // NaN reads as the far end rather than an undefined conversion.
    if (!(z >= -1000.0f))
        z = -1000.0f;
    if (z > 1000.0f)
        z = 1000.0f;
    const float depth = ((z + 1000.0f) / 2000.0f) * 65535.0f;
    return uint32_t(depth) << 8;
}

uint32_t ZCamera::DistanceKey(ZGeom& node, const _M44& world) const
{
    ZBoundingBox box;
    box.Reset();
    node.AccumulateBounds(box);
    _M44 inverse;
    ZGeom::InvertAffine(world, inverse);
    V3 p = m_worldPosition;
    inverse.TransformVector(p, 1.0f);
    box.ClosestPoint(p);
    world.TransformVector(p, 1.0f);
    float distance = V3::Distance(p, m_worldPosition);
    if (!(distance >= 0.0f))
        distance = kMaxDistanceKey;
    distance = std::min(distance, kMaxDistanceKey);
    return uint32_t(distance) << 8;
}

uint32_t ZCamera::GeometryKey(ZGeom& node, const _M44& world) const
{
    if (TestFlags(kNode2D) && node.TestFlags(kNode2D))
        return DepthKey(world.m[3][2]);
    return DistanceKey(node, world);
}

bool ZCamera::SpriteKey(ZGeom& node, const _M44& world, const Rectangle2D& local, uint32_t& key) const
{
    if (!(TestFlags(kNode2D) && node.TestFlags(kNode2D)))
    {
        key = DistanceKey(node, world);
        return true;
    }
    // The four corners in world space, then relative to the camera.
    const float xs[2] = {local.left, local.right};
    const float ys[2] = {local.bottom, local.top};
    float minX = 1e38f, maxX = -1e38f, minY = 1e38f, maxY = -1e38f;
    for (float x : xs)
    {
        for (float y : ys)
        {
            V3 corner{x, y, 0.0f};
            world.TransformVector(corner, 1.0f);
            minX = std::min(minX, corner.x);
            maxX = std::max(maxX, corner.x);
            minY = std::min(minY, corner.y);
            maxY = std::max(maxY, corner.y);
        }
    }
    minX -= m_worldPosition.x;
    maxX -= m_worldPosition.x;
    minY -= m_worldPosition.y;
    maxY -= m_worldPosition.y;
    const float halfWidth = float(g_renderWidth.GetValue()) * 0.5f;
    const float halfHeight = float(g_renderHeight.GetValue()) * 0.5f;
    if (maxX < -halfWidth || minX > halfWidth || maxY < -halfHeight || minY > halfHeight)
        return false;
    key = DepthKey(world.m[3][2]);
    return true;
}
