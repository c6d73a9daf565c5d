#pragma once
// A node that shows one primitive of the renderer: static geometry of up to 16 parts, each drawn
// with its own material. The frame driver puts each part into the opaque, blended or 2D bucket.
//
// A primitive named in a scene file ("primid") is looked up by its name whenever it is needed, so
// an object may be declared before its primitive, and a primitive that goes away leaves the object
// drawing nothing instead of pointing at freed memory. A primitive made in code
// (CreatePrimitive) is held by pointer.
#include <cstdint>
#include <string>

#include "engine/core/ZNameId.h"
#include "engine/scene/ZGeom.h"

class ZCamera;
class ZPrimitive;
class ZSubPrimitive;

class ZGeomObject : public ZGeom
{
    QV_TYPE_RECORD(ZGeomObject, &ZGeom::kTypeRecord)

public:
    ZGeomObject() = default;
    // The primitive is not the object's: it stays.
    ~ZGeomObject() override = default;

    static ZGeomObject* Create() { return new ZGeomObject(); }

    ZSerializerBase* GetSerializer() const override;
    // The transform, and the same primitive (shared, not copied).
    void CopyFrom(ZNode* source) override;
    ZNode* Clone() override;
    // "primid": the primitive of that name; everything else is the transform's.
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    // Writes "primid" after the node's attributes: the name asked for (also while no primitive of
    // that name exists), else the name of the primitive set directly.
    void SaveAttributes(ISaveVisitor* visitor) override;
    // The primitive's box in the object's own space; nothing without a primitive or geometry.
    void AccumulateBounds(ZBoundingBox& box) override;
    // The material of the primitive's first part once that part holds geometry, else null.
    // Controllers that animate a node's material (texture animation, UV scroll) read it.
    void* QueryGeometry() override;
    // The camera's geometry key; no entry while there is nothing to draw (HasGeometry).
    bool GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key) override;

    // A new, empty primitive for this object (the previous one is left alone).
    virtual ZPrimitive* CreatePrimitive();
    // Deletes the object's primitive and forgets it.
    virtual void DeletePrimitive();

    // The primitive shown: the one named by "primid" (looked up now), else the one set directly.
    ZPrimitive* GetPrimitive() const;
    void SetPrimitive(ZPrimitive* primitive);
    // The name the object asks for; kNone when the primitive was set directly.
    ZNameId GetPrimitiveId() const { return m_primitiveId; }
    void SetPrimitiveName(const char* name);

    // True when some part of the primitive holds a vertex buffer.
    bool HasGeometry() const;
    // The parts the renderer draws: none without a primitive.
    uint32_t GetPartCount() const;
    ZSubPrimitive* GetPart(uint32_t index) const;

private:
    ZPrimitive* m_primitive = nullptr;
    ZNameId m_primitiveId;
    std::string m_primitiveName;
};
