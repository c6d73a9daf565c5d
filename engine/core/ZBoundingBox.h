#pragma once

// Axis-aligned boxes and 2D rectangles.

#include <cstdint>

#include "engine/core/ZVector.h"

// Storage order: left, bottom, right, top.
struct Rectangle2D
{
    float left = 0.0f;
    float bottom = 0.0f;
    float right = 0.0f;
    float top = 0.0f;

    bool operator==(const Rectangle2D& o) const
    {
        return left == o.left && bottom == o.bottom && right == o.right && top == o.top;
    }
};

// Texture coordinates, laid out as Rectangle2D.
struct TextureRectangle2D
{
    float left = 0.0f;
    float bottom = 0.0f;
    float right = 0.0f;
    float top = 0.0f;

    bool operator==(const TextureRectangle2D& o) const
    {
        return left == o.left && bottom == o.bottom && right == o.right && top == o.top;
    }
};

// min.x <= p.x <= max.x and min.y <= p.y <= max.y, borders included.
bool PointInRect2D(const V3& min, const V3& point, const V3& max);

// A 3D box kept as centre, full size, maximum and minimum corners. The 2D operations use x and
// y only and keep the minimum corner in `max` and the maximum corner in `min` (the third and
// fourth fields); the two forms are not mixed on one box.
class ZBoundingBox
{
public:
    static constexpr float kEmptyExtent = 1e38f;

    V3 center;
    V3 size;
    V3 max = {-kEmptyExtent, -kEmptyExtent, -kEmptyExtent};
    V3 min = {kEmptyExtent, kEmptyExtent, kEmptyExtent};

    // A new box is empty: centre and size 0, corners inverted so the first point added sets them.
    void Reset() { *this = ZBoundingBox(); }

    void SetCenterSize(const V3& center, const V3& size);
    // Grows the box by the positions of a vertex array whose records start with three floats
    // and lie `stride` bytes apart (36 in the renderer's vertex format).
    void AddPoints(int count, const void* vertices, int stride = 36);
    void AddPoints(int count, const V3* points) { AddPoints(count, points, static_cast<int>(sizeof(V3))); }
    void Merge(const ZBoundingBox& other);
    // Size and centre again from the corners.
    void Recompute();
    // The point clamped into the box; a box of zero size on every axis gives its centre.
    void ClosestPoint(V3& point) const;
    // One generator draw per axis, x, y, z: t * max + (1 - t) * min.
    V3 RandomPoint() const;

    void SetCenterSize2D(const V2& center, const V2& size);
    // True when one of this box's corners lies in the other box, borders included. Crossing
    // boxes and a box that holds the other whole do not count.
    bool Overlaps2D(const ZBoundingBox& other) const;
};
