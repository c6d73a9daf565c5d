#include "engine/core/ZEasing.h"

#include <cmath>

float EaseLinear(float t)
{
    return t;
}

float EaseLog(float t)
{
    if (t == 0.0f)
        return 0.0f;
    return (std::log(t) + 10.0f) / 10.0f;
}

float EaseInQuad(float t)
{
    const float u = 10.0f * t;
    return u * u / 100.0f;
}

float EaseOutQuad(float t)
{
    const float u = t - 1.0f;
    return 1.0f - u * u;
}

float EaseInCubic(float t)
{
    const float u = 10.0f * t;
    return u * u * u / 1000.0f;
}

float EaseOutCubic(float t)
{
    const float u = 1.0f - t;
    return 1.0f - u * u * u;
}

float EaseBumpQuartic(float t)
{
    const float u = 2.0f * t - 1.0f;
    const float u2 = u * u;
    return 1.0f - u2 * u2;
}

float EaseOutCubicQuartic(float t)
{
    const float u = 1.0f - t * t * t;
    const float u2 = u * u;
    return 1.0f - u2 * u2;
}

float InverseLerpClamped(float a, float b, float x)
{
    if (a == b)
        return x >= a ? 1.0f : 0.0f;
    const float t = (x - a) / (b - a);
    if (t < 0.0f)
        return 0.0f;
    if (t > 1.0f)
        return 1.0f;
    return t;
}
