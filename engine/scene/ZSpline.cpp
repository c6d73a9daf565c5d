#include "engine/scene/ZSpline.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

ZSerializerRTTI<ZSplineKnot> s_knotSerializer;
ZSerializerRTTI<ZSpline> s_splineSerializer;
ZSerializerRTTI<ZSplineNode> s_splineNodeSerializer;

constexpr ZNameId kIn{"in"};
constexpr ZNameId kOut{"out"};
constexpr ZNameId kSplineAttr{"spline"};
constexpr float kTolerance = 1.0f / 8192.0f;

} // namespace

ZSplineKnot* ZSplineKnot::Create(const V4& value)
{
    auto* knot = new ZSplineKnot();
    knot->position = {value.x, value.y, value.z};
    std::memcpy(&knot->extra, &value.w, sizeof(knot->extra));
    return knot;
}

bool ZSplineKnot::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    if (!value)
        return false;
    V3* target = nullptr;
    if (id == kIn.Value())
        target = &in;
    else if (id == kOut.Value())
        target = &out;
    else if (id == ZAttr::Position.Value())
        target = &position;
    if (!target)
        return false;
    const V3* v = SerializedChild<V3>(value);
    if (!v)
        return false;
    *target = *v;
    return true;
}

int32_t ParseSplineType(const char* text)
{
    if (!text)
        return kSplineLinear;
    if (std::strcmp(text, "hermite") == 0)
        return kSplineHermite;
    if (std::strcmp(text, "cardinal") == 0)
        return kSplineCardinal;
    if (std::strcmp(text, "catmullrom") == 0)
        return kSplineCatmullRom;
    return kSplineLinear;
}

ZSpline::~ZSpline()
{
    for (ZSplineKnot* knot : m_knots)
        delete knot;
    m_knots.clear();
    delete[] m_samples;
    m_samples = nullptr;
}

ZSpline* ZSpline::Copy() const
{
    auto* copy = new ZSpline();
    for (const ZSplineKnot* knot : m_knots)
    {
        auto* k = new ZSplineKnot();
        k->in = knot->in;
        k->out = knot->out;
        k->position = knot->position;
        k->extra = knot->extra;
        copy->m_knots.push_back(k);
    }
    copy->m_type = m_type;
    copy->m_length = m_length;
    return copy;
}

bool ZSpline::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    if (id == ZNameId::kNone)
    {
        if (!value)
            return false;
        auto* knot = ZEntityCast<ZSplineKnot>(const_cast<ZEntity*>(SerializedChild<ZEntity>(value)));
        if (!knot)
            return false;
        AddKnot(knot);
        return true;
    }
    if (id == ZAttr::Type.Value())
    {
        m_type = ParseSplineType(value);
        return true;
    }
    return false;
}

void ZSpline::AddKnot(ZSplineKnot* knot)
{
    if (knot && std::find(m_knots.begin(), m_knots.end(), knot) == m_knots.end())
        m_knots.push_back(knot);
}

bool ZSpline::Degenerate(V3& point) const
{
    if (m_knots.empty())
    {
        point = V3{};
        return true;
    }
    if (m_knots.size() == 1)
    {
        point = m_knots[0]->position;
        return true;
    }
    return false;
}

V3 ZSpline::GetPointHermite(float t) const
{
    V3 point;
    if (Degenerate(point))
        return point;
    const int n = int(m_knots.size());
    const float segments = float(n - 1);
    int i;
    float s;
    if (t < kTolerance)
    {
        i = 0;
        s = 0.0f;
    }
    else if (t > 1.0f - kTolerance)
    {
        i = n - 2;
        s = (t - float(n - 2) / segments) * segments;
    }
    else
    {
        i = std::clamp(int(t * segments), 0, n - 2);
        s = (t - float(i) / segments) / (float(i + 1) / segments - float(i) / segments);
    }
    const ZSplineKnot& a = *m_knots[size_t(i)];
    const ZSplineKnot& b = *m_knots[size_t(i + 1)];
    const float s2 = s * s;
    const float s3 = s2 * s;
    const float h00 = 2.0f * s3 - 3.0f * s2 + 1.0f;
    const float h01 = 3.0f * s2 - 2.0f * s3;
    const float h10 = s3 - 2.0f * s2 + s;
    const float h11 = s3 - s2;
    return a.position * h00 + b.position * h01 + a.out * h10 - b.in * h11;
}

V3 ZSpline::GetPointCatmullRom(float t) const
{
    V3 point;
    if (Degenerate(point))
        return point;
    const int n = int(m_knots.size());
    if (t < kTolerance)
        return m_knots.front()->position;
    if (t > 1.0f - kTolerance)
        return m_knots.back()->position;
    const float u = t * float(n - 1);
    const int i = std::clamp(int(u), 0, n - 2);
    const float s = u - float(i);
    const V3 p1 = m_knots[size_t(i)]->position;
    const V3 p2 = m_knots[size_t(i + 1)]->position;
    const V3 p0 = i > 0 ? m_knots[size_t(i - 1)]->position : p1 * 2.0f - p2;
    const V3 p3 = i + 2 < n ? m_knots[size_t(i + 2)]->position : p2 * 2.0f - p1;
    const float s2 = s * s;
    const float s3 = s2 * s;
    return (p1 * 2.0f + (p2 - p0) * s + (p0 * 2.0f - p1 * 5.0f + p2 * 4.0f - p3) * s2 +
            (p1 * 3.0f - p0 - p2 * 3.0f + p3) * s3) *
           0.5f;
}

V3 ZSpline::GetPoint(float t) const
{
    return m_type == kSplineHermite ? GetPointHermite(t) : GetPointCatmullRom(t);
}

float ZSpline::ComputeLength(int steps)
{
    float length = 0.0f;
    if (m_knots.size() >= 2 && steps > 0)
    {
        V3 previous = GetPoint(0.0f);
        for (int k = 1; k <= steps; ++k)
        {
            const V3 p = GetPoint(float(k) / float(steps));
            length += V3::Distance(p, previous);
            previous = p;
        }
    }
    m_length = length;
    return length;
}

void ZSpline::BuildSampleTable()
{
    if (m_sampleCount < kSampleCount || !m_samples)
    {
        delete[] m_samples;
        m_samples = new V4[kSampleCount];
    }
    m_sampleCount = kSampleCount;
    const float length = ComputeLength(kSampleCount);
    const float d = length * 0.00390625f;
    V3 previous = GetPoint(0.0f);
    float best = 1e38f;
    V3 candidate = previous;
    int k = 0;
    // Past t = 1 the points stay at the curve's end, so the loop ends; the bound only guards
    // against a curve that never settles.
    for (int j = 1; k < kSampleCount && j < 2560 * 8; ++j)
    {
        const V3 p = GetPoint(std::min(float(j) / 2560.0f, 1.0f));
        const float e = std::fabs(V3::Distance(p, previous) - d);
        if (best > e)
        {
            candidate = p;
            best = e;
        }
        else
        {
            m_samples[k] = {candidate.x, candidate.y, candidate.z, 0.0f};
            previous = candidate;
            best = 1e38f;
            ++k;
        }
    }
    const V3 end = GetPoint(1.0f);
    for (; k < kSampleCount; ++k)
        m_samples[k] = {end.x, end.y, end.z, 0.0f};
    m_sampleStep = 1.0f / float(kSampleCount);
    m_sampleSpacing = length / float(kSampleCount);
}

V3 ZSpline::Evaluate(float t)
{
    V3 point;
    if (Degenerate(point))
        return point;
    if (!(t >= 0.0f))
        t = 0.0f;
    if (t > 1.0f)
        t = 1.0f;
    if (!m_samples)
        BuildSampleTable();
    const float f = t / m_sampleStep;
    const int i = int(f);
    if (i >= m_sampleCount - 1)
    {
        const V4& last = m_samples[m_sampleCount - 1];
        return {last.x, last.y, last.z};
    }
    const float w = f - float(i);
    const V4& a = m_samples[i];
    const V4& b = m_samples[i + 1];
    return {a.x * (1.0f - w) + b.x * w, a.y * (1.0f - w) + b.y * w, a.z * (1.0f - w) + b.z * w};
}

ZSplineNode::~ZSplineNode()
{
    delete m_spline;
    m_spline = nullptr;
}

ZSerializerBase* ZSplineNode::GetSerializer() const
{
    return &s_splineNodeSerializer;
}

void ZSplineNode::CopyFrom(ZNode* source)
{
    ZGeom::CopyFrom(source);
    auto* other = ZEntityCast<ZSplineNode>(source);
    if (!other || other == this)
        return;
    SetSpline(other->m_spline ? other->m_spline->Copy() : nullptr);
}

ZNode* ZSplineNode::Clone()
{
    auto* node = new ZSplineNode();
    node->CopyFrom(this);
    return node;
}

bool ZSplineNode::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (id == kSplineAttr.Value())
    {
        if (!value)
            return false;
        auto* spline = ZEntityCast<ZSpline>(const_cast<ZEntity*>(SerializedChild<ZEntity>(value)));
        if (!spline)
            return false;
        SetSpline(spline);
        return true;
    }
    return ZGeom::SetProperty(id, name, value);
}

void ZSplineNode::SetSpline(ZSpline* spline)
{
    if (spline == m_spline)
        return;
    delete m_spline;
    m_spline = spline;
}

V3 ZSplineNode::GetPointAt(float t)
{
    V3 p = m_spline ? m_spline->Evaluate(t) : V3{};
    LocalToWorld(p);
    return p;
}
