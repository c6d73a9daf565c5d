#include "engine/core/ZBoundingBox.h"

#include <cstring>

#include "engine/core/ZRandom.h"

bool PointInRect2D(const V3& min, const V3& point, const V3& max)
{
    return min.x <= point.x && min.y <= point.y && point.x <= max.x && point.y <= max.y;
}

void ZBoundingBox::SetCenterSize(const V3& c, const V3& s)
{
    center = c;
    size = s;
    max = c + s * 0.5f;
    min = c - s * 0.5f;
}

void ZBoundingBox::AddPoints(int count, const void* vertices, int stride)
{
    if (!vertices || count <= 0)
        return;
    const auto* bytes = static_cast<const unsigned char*>(vertices);
    for (int i = 0; i < count; ++i)
    {
        float p[3];
        std::memcpy(p, bytes + static_cast<size_t>(i) * static_cast<size_t>(stride), sizeof(p));
        if (p[0] < min.x)
            min.x = p[0];
        if (p[1] < min.y)
            min.y = p[1];
        if (p[2] < min.z)
            min.z = p[2];
        if (p[0] > max.x)
            max.x = p[0];
        if (p[1] > max.y)
            max.y = p[1];
        if (p[2] > max.z)
            max.z = p[2];
    }
    Recompute();
}

void ZBoundingBox::Merge(const ZBoundingBox& other)
{
    if (other.max.x > max.x)
        max.x = other.max.x;
    if (other.max.y > max.y)
        max.y = other.max.y;
    if (other.max.z > max.z)
        max.z = other.max.z;
    if (other.min.x < min.x)
        min.x = other.min.x;
    if (other.min.y < min.y)
        min.y = other.min.y;
    if (other.min.z < min.z)
        min.z = other.min.z;
    Recompute();
}

void ZBoundingBox::Recompute()
{
    size = max - min;
    center = min + size * 0.5f;
}

void ZBoundingBox::ClosestPoint(V3& point) const
{
    if (size.x == 0.0f && size.y == 0.0f && size.z == 0.0f)
    {
        point = center;
        return;
    }
    point.Clamp(min, max);
}

V3 ZBoundingBox::RandomPoint() const
{
    constexpr double scale = 1.0 / 4294967296.0;
    V3 p;
    float t = static_cast<float>(RandomNext() * scale);
    p.x = t * max.x + (1.0f - t) * min.x;
    t = static_cast<float>(RandomNext() * scale);
    p.y = t * max.y + (1.0f - t) * min.y;
    t = static_cast<float>(RandomNext() * scale);
    p.z = t * max.z + (1.0f - t) * min.z;
    return p;
}

void ZBoundingBox::SetCenterSize2D(const V2& c, const V2& s)
{
    // 2D form: the minimum corner in the third field, the maximum corner in the fourth.
    max.x = c.x - s.x * 0.5f;
    max.y = c.y - s.y * 0.5f;
    min.x = c.x + s.x * 0.5f;
    min.y = c.y + s.y * 0.5f;
}

bool ZBoundingBox::Overlaps2D(const ZBoundingBox& other) const
{
    const V3& lo = max;
    const V3& hi = min;
    const V3 corners[4] = {{lo.x, lo.y, 0.0f}, {hi.x, hi.y, 0.0f}, {lo.x, hi.y, 0.0f}, {hi.x, lo.y, 0.0f}};
    for (const V3& c : corners)
    {
        if (PointInRect2D(other.max, c, other.min))
            return true;
    }
    return false;
}
