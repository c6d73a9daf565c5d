#pragma once

// Plain vector value types. No heap state, no failure: degenerate input gives a defined value.

#include <cstdint>

#include "engine/core/ZMath.h"

struct V2
{
    float x = 0.0f;
    float y = 0.0f;

    float Length() const;
    static float Distance(const V2& a, const V2& b);
    // Vectors no longer than 1/8192 become (0, 0): their direction is noise.
    void Normalize();

    V2 operator+(const V2& o) const { return {x + o.x, y + o.y}; }
    V2 operator-(const V2& o) const { return {x - o.x, y - o.y}; }
    V2 operator*(float s) const { return {x * s, y * s}; }
    V2& operator+=(const V2& o)
    {
        x += o.x;
        y += o.y;
        return *this;
    }
    V2& operator-=(const V2& o)
    {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    bool operator==(const V2& o) const { return x == o.x && y == o.y; }
};

struct V3
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    float Length() const;
    static float Distance(const V3& a, const V3& b);
    // Any non-zero length is divided out; a zero vector stays zero.
    void Normalize();
    // Rotation by an angle (radians) about the axis 'x', 'y' or 'z'; other letters change nothing.
    void RotateAxis(float angle, char axis);
    // out = a*t + b*(1 - t): t weights the first operand.
    static void Lerp(const V3& a, const V3& b, float t, V3& out);
    static V3 Lerp(const V3& a, const V3& b, float t)
    {
        V3 out;
        Lerp(a, b, t, out);
        return out;
    }
    // Each component raised to lo's, then lowered to hi's.
    void Clamp(const V3& lo, const V3& hi);

    static float Dot(const V3& a, const V3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
    static V3 Cross(const V3& a, const V3& b)
    {
        return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    }

    V3 operator+(const V3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    V3 operator-(const V3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    V3 operator-() const { return {-x, -y, -z}; }
    V3 operator*(float s) const { return {x * s, y * s, z * s}; }
    V3& operator+=(const V3& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    V3& operator-=(const V3& o)
    {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    V3& operator*=(float s)
    {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    bool operator==(const V3& o) const { return x == o.x && y == o.y && z == o.z; }
};

// Also a colour (x red, y green, z blue, w alpha) and an axis-angle (axis x, y, z; angle w).
struct V4
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    // Exact on all four components, so a NaN component is never equal.
    bool operator==(const V4& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
};

struct I2
{
    int32_t x = 0;
    int32_t y = 0;

    bool operator==(const I2& o) const { return x == o.x && y == o.y; }
};

// Colour from 0xAARRGGBB, each byte / 255.
V4 ColorFromARGB(uint32_t argb);
V4 ColorFromARGB(int32_t argb);
// Colour to 0xAARRGGBB: each channel clamped to [0, 1] and scaled by 255, truncated. The lower
// clamp keeps a negative channel (from an overshooting fade) out of the neighbouring bytes.
uint32_t ColorToARGB(const V4& color);

// Angle (radians) of the direction from b to a, in (-3pi/2, pi/2]; a near-vertical direction
// (|dx| < 1/8192) gives +-pi/2.
float AngleBetweenPoints(const V2& a, const V2& b);
