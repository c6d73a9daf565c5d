#include "engine/core/ZVector.h"

#include <cmath>

float V2::Length() const
{
    return std::sqrt(x * x + y * y);
}

float V2::Distance(const V2& a, const V2& b)
{
    return (b - a).Length();
}

void V2::Normalize()
{
    const float length = Length();
    if (length > kMathTolerance)
    {
        const float inv = 1.0f / length;
        x *= inv;
        y *= inv;
    }
    else
    {
        x = 0.0f;
        y = 0.0f;
    }
}

float V3::Length() const
{
    return std::sqrt(x * x + y * y + z * z);
}

float V3::Distance(const V3& a, const V3& b)
{
    return (b - a).Length();
}

void V3::Normalize()
{
    const float length = Length();
    if (length > 0.0f)
    {
        const float inv = 1.0f / length;
        x *= inv;
        y *= inv;
        z *= inv;
    }
}

void V3::RotateAxis(float angle, char axis)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const V3 v = *this;
    switch (axis)
    {
    case 'x':
        y = v.y * c - v.z * s;
        z = v.z * c + v.y * s;
        break;
    case 'y':
        x = v.x * c + v.z * s;
        z = v.z * c - v.x * s;
        break;
    case 'z':
        x = v.x * c - v.y * s;
        y = v.y * c + v.x * s;
        break;
    default:
        break;
    }
}

void V3::Lerp(const V3& a, const V3& b, float t, V3& out)
{
    const float u = 1.0f - t;
    out = {a.x * t + b.x * u, a.y * t + b.y * u, a.z * t + b.z * u};
}

void V3::Clamp(const V3& lo, const V3& hi)
{
    if (x < lo.x)
        x = lo.x;
    if (y < lo.y)
        y = lo.y;
    if (z < lo.z)
        z = lo.z;
    if (x > hi.x)
        x = hi.x;
    if (y > hi.y)
        y = hi.y;
    if (z > hi.z)
        z = hi.z;
}

V4 ColorFromARGB(uint32_t argb)
{
    return {static_cast<float>((argb >> 16) & 0xFF) / 255.0f, static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
            static_cast<float>(argb & 0xFF) / 255.0f, static_cast<float>((argb >> 24) & 0xFF) / 255.0f};
}

V4 ColorFromARGB(int32_t argb)
{
    return ColorFromARGB(static_cast<uint32_t>(argb));
}

namespace
{

uint32_t ChannelByte(float c)
{
    // Written so that NaN falls to 0 as well.
    if (!(c > 0.0f))
        return 0;
    if (c > 1.0f)
        c = 1.0f;
    return static_cast<uint32_t>(c * 255.0f);
}

} // namespace

uint32_t ColorToARGB(const V4& color)
{
    return (ChannelByte(color.w) << 24) | (ChannelByte(color.x) << 16) | (ChannelByte(color.y) << 8) |
           ChannelByte(color.z);
}

float AngleBetweenPoints(const V2& a, const V2& b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    float angle;
    if (std::fabs(dx) < kMathTolerance)
        angle = dy > 0.0f ? kHalfPi : -kHalfPi;
    else
        angle = std::atan(dy / dx);
    if (dx < 0.0f)
        angle -= kPi;
    return angle;
}
