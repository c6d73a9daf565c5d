#pragma once
// A node with a transform: a position and a 3 x 3 orientation whose rows carry the scale. Every
// drawable and placeable object derives from it. A node's world transform is the chain of its
// geometric ancestors' transforms; plain nodes in between (controllers) add nothing.
//
// Vectors are rows: a point p is transformed as p x M, so the orientation's rows are the node's
// axes in its parent's space. Flag kNodeIdentityOrientation is kept true to the rows by every
// operation that writes them, so the point transforms (which skip the rows while it is set) agree
// with the matrices the camera draws with.
#include "engine/core/ZBoundingBox.h"
#include "engine/core/ZMatrix.h"
#include "engine/core/ZVector.h"
#include "engine/scene/ZNode.h"

class ZCamera;

class ZGeom : public ZNode
{
    QV_TYPE_RECORD(ZGeom, &ZNode::kTypeRecord)

public:
    ZGeom();
    ~ZGeom() override = default;

    static ZGeom* Create() { return new ZGeom(); }

    ZSerializerBase* GetSerializer() const override;
    void CopyFrom(ZNode* source) override;
    ZNode* Clone() override;
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    void SaveChildren(ISaveVisitor* visitor) override;
    bool IsWorldMatrixCached() const override { return m_worldCached; }

    virtual void GetPosition(V3& out) const { out = m_position; }
    virtual V3* GetPositionPointer() { return &m_position; }
    // Over the other node's origin, at the given z.
    virtual void MoveToNode2D(ZNode* node, float z);
    virtual void MoveToNode(ZNode* node);
    virtual void SetPositionXYZ(float x, float y, float z);
    virtual void SetPosition2D(const V2& position);
    virtual void SetPosition(const V3& position);
    virtual void MoveBy2D(const V2& delta);
    virtual void MoveByV3(const V3& delta);
    virtual void MoveBy(float dx, float dy, float dz);
    // Orientation from the first three rows, position from the fourth.
    virtual void SetMatPos(const _M44& matrix);
    // Grows the box by the node's extent: the base asks every childless geometric descendant of
    // its active subtrees; drawables add their own shape.
    virtual void AccumulateBounds(ZBoundingBox& box);
    // Geometry the renderer draws for this node; null for the base.
    virtual void* QueryGeometry() { return nullptr; }
    virtual void Invalidate();
    // Invalidate, and refresh the identity flag from the rows.
    virtual void InvalidateAndNotify();
    // The node's draw-list key under the camera, `world` being its world matrix; false when the
    // node makes no entry (the base, and every kind that does not draw). Drawable kinds override it
    // with the camera's key rules (ZCamera::DepthKey, SpriteKey2D, DistanceKey).
    virtual bool GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key);

    void LocalToWorld(V3& point) const;
    void WorldToLocal(V3& point) const;
    void LocalToWorldDirection(V3& vector) const;
    void WorldToLocalDirection(V3& vector) const;
    void GetLocalMatrix(_M44& out) const;
    void GetWorldMatrix(_M44& out) const;
    // A world transform turned into this node's space.
    void WorldToLocalMatrix(_M44& matrix) const;
    void WorldToLocalTransform(V3& position, M33& orientation) const;
    V3 GetWorldPosition() const;
    // The world position of any node: a spatial node's, the origin for any other or none.
    static V3 WorldPositionOf(ZNode* node);
    void SetWorldPosition(const V3& position);
    void SetWorldTransform(const V3& position, const M33& orientation);
    void SetWorldMatPos(const _M44& matrix);
    void SetOrientation(const M33& orientation);
    // Rotation as a quaternion (x, y, z, w).
    void SetOrientationQuat(const V4& rotation);
    void SetRotationZ(float angle);
    // Each axis keeps its direction and takes the given length. An axis scaled to 0 regains its
    // direction (from the other two axes, else the identity axis) when scaled up again.
    void SetScale(const V3& scale);
    void SetIs2D(bool on);

    const V3& Position() const { return m_position; }
    const M33& Orientation() const { return m_orientation; }
    const _M44& CachedWorldMatrix() const { return m_worldMatrix; }
    void SetCachedWorldMatrix(const _M44& matrix)
    {
        m_worldMatrix = matrix;
        m_worldCached = true;
    }

    // The inverse of an affine matrix (rotation and scale in the upper 3 x 3, translation in row
    // 3); false (and the identity) when it is singular.
    static bool InvertAffine(const _M44& matrix, _M44& out);

protected:
    // Sets or clears kNodeIdentityOrientation from the rows, with notification.
    void RefreshIdentityFlag();

    V3 m_position;
    M33 m_orientation;
    _M44 m_worldMatrix;
    bool m_worldCached = false;
};

// Geometric node without fields of its own: the grouping node of scenes and layers.
class ZGroup : public ZGeom
{
    QV_TYPE_RECORD(ZGroup, &ZGeom::kTypeRecord)

public:
    ZGroup() = default;

    static ZGroup* Create() { return new ZGroup(); }
    static ZGroup* CreateNamed(const char* name, ZNode* child = nullptr);

    ZSerializerBase* GetSerializer() const override;
    // A full copy of the source's subtree replaces this group's children. Children that cannot
    // be cloned (controllers) are left out.
    void CopyFrom(ZNode* source) override;
    ZNode* Clone() override;
};
