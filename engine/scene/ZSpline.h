#pragma once
// Curves through a list of knots, evaluated as a Hermite curve with per-knot tangents or as a
// uniform Catmull-Rom curve through the knot positions, and resampled by arc length into a table
// of 256 points so that movers travel along them at an even speed. Spline nodes hold one; spline
// interpolators move a node along it.
#include <cstdint>
#include <vector>

#include "engine/core/ZEntity.h"
#include "engine/core/ZSerializer.h"
#include "engine/core/ZVector.h"
#include "engine/scene/ZGeom.h"

class ZSplineKnot : public ZEntity
{
    QV_TYPE_RECORD(ZSplineKnot, &ZEntity::kTypeRecord)

public:
    ZSplineKnot() = default;
    static ZSplineKnot* Create() { return new ZSplineKnot(); }
    // x, y, z as the position; w into the fourth word.
    static ZSplineKnot* Create(const V4& value);

    // "in", "out" and "position", each a v3 object.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor*) {}
    void SaveChildren(ISaveVisitor*) {}
    void OnLoaded() {}

    // Stored pointing back along the curve: the curve arrives at the knot along -in.
    V3 in;
    V3 out;
    V3 position;
    uint32_t extra = 0;
};

enum ESplineType : int32_t
{
    kSplineLinear = 0,
    kSplineHermite = 1,
    kSplineCardinal = 2,
    kSplineCatmullRom = 3,
};

// "linear", "hermite", "cardinal", "catmullrom" as written; any other text is linear.
int32_t ParseSplineType(const char* text);

class ZSpline : public ZEntity
{
    QV_TYPE_RECORD(ZSpline, &ZEntity::kTypeRecord)

public:
    static constexpr int kSampleCount = 256;

    ZSpline() = default;
    ~ZSpline() override;
    ZSpline(const ZSpline&) = delete;
    ZSpline& operator=(const ZSpline&) = delete;

    static ZSpline* Create() { return new ZSpline(); }
    // Copies of every knot, the same type and length, no table.
    ZSpline* Copy() const;

    // A child object without a property name is appended as a knot; "type" as text.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor*) {}
    void SaveChildren(ISaveVisitor*) {}
    void OnLoaded() {}

    // Takes ownership.
    void AddKnot(ZSplineKnot* knot);
    size_t KnotCount() const { return m_knots.size(); }
    ZSplineKnot* GetKnot(size_t i) const { return i < m_knots.size() ? m_knots[i] : nullptr; }
    int32_t GetType() const { return m_type; }
    void SetType(int32_t type) { m_type = type; }
    float GetLength() const { return m_length; }
    int GetSampleCount() const { return m_sampleCount; }
    float GetSampleStep() const { return m_sampleStep; }
    float GetSampleSpacing() const { return m_sampleSpacing; }
    const V4* GetSamples() const { return m_samples; }

    // With no knots the curve is the origin; with one, that knot's position.
    V3 GetPointHermite(float t) const;
    V3 GetPointCatmullRom(float t) const;
    // Hermite for the hermite type, Catmull-Rom for every other.
    V3 GetPoint(float t) const;
    float ComputeLength(int steps);
    void BuildSampleTable();
    // The arc-length sampled point; builds the table on first use.
    V3 Evaluate(float t);

private:
    bool Degenerate(V3& point) const;

    std::vector<ZSplineKnot*> m_knots;
    int32_t m_type = kSplineCatmullRom;
    float m_length = -1.0f;
    V4* m_samples = nullptr;
    int m_sampleCount = 0;
    float m_sampleStep = 0.0f;
    float m_sampleSpacing = 0.0f;
};

// A geometric node that owns one spline.
class ZSplineNode : public ZGeom
{
    QV_TYPE_RECORD(ZSplineNode, &ZGeom::kTypeRecord)

public:
    ZSplineNode() = default;
    ~ZSplineNode() override;

    static ZSplineNode* Create() { return new ZSplineNode(); }

    ZSerializerBase* GetSerializer() const override;
    void CopyFrom(ZNode* source) override;
    ZNode* Clone() override;
    // "spline": the spline object read from the scene file.
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    void SaveAttributes(ISaveVisitor*) override {}
    void SaveChildren(ISaveVisitor*) override {}

    // Takes ownership; the old spline is deleted.
    void SetSpline(ZSpline* spline);
    ZSpline* GetSpline() const { return m_spline; }
    // The arc-length point at t in world space; the node's origin without a spline.
    V3 GetPointAt(float t);

private:
    ZSpline* m_spline = nullptr;
};
