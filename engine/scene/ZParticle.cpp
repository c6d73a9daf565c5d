#include "engine/scene/ZParticle.h"

#include <cmath>

#include "engine/core/ZMath.h"

void QuaternionMultiply(ZQuaternion& a, const ZQuaternion& b)
{
    const ZQuaternion r{
        a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
        a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
    a = r;
}

void QuaternionNormalize(ZQuaternion& q)
{
    const float length = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    if (length <= 0.0f)
        return;
    q.w /= length;
    q.x /= length;
    q.y /= length;
    q.z /= length;
}

ZQuaternion QuaternionNlerp(const ZQuaternion& a, const ZQuaternion& b, float t)
{
    ZQuaternion r{a.w + t * (b.w - a.w), a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
    QuaternionNormalize(r);
    return r;
}

ZQuaternion QuaternionSlerp(const ZQuaternion& a, const ZQuaternion& b, float t)
{
    ZQuaternion to = b;
    float dot = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
    if (dot < 0.0f)
    {
        dot = -dot;
        to = {-b.w, -b.x, -b.y, -b.z};
    }
    if (dot >= 0.95f)
        return QuaternionNlerp(a, to, t);
    const float theta = std::acos(dot);
    const float s = std::sin(theta);
    const float fa = std::sin((1.0f - t) * theta) / s;
    const float fb = std::sin(t * theta) / s;
    return {fa * a.w + fb * to.w, fa * a.x + fb * to.x, fa * a.y + fb * to.y, fa * a.z + fb * to.z};
}

bool QuaternionIsIdentity(const ZQuaternion& q)
{
    return std::fabs(q.x) < kMathTolerance && std::fabs(q.y) < kMathTolerance &&
           std::fabs(q.z) < kMathTolerance && std::fabs(1.0f - q.w) < kMathTolerance;
}

void QuaternionToMatrix(const ZQuaternion& q, M33& out)
{
    const float w = q.w, x = q.x, y = q.y, z = q.z;
    out.m[0][0] = 1.0f - 2.0f * y * y - 2.0f * z * z;
    out.m[0][1] = 2.0f * x * y - 2.0f * w * z;
    out.m[0][2] = 2.0f * w * y + 2.0f * x * z;
    out.m[1][0] = 2.0f * x * y + 2.0f * w * z;
    out.m[1][1] = 1.0f - 2.0f * x * x - 2.0f * z * z;
    out.m[1][2] = 2.0f * y * z - 2.0f * w * x;
    out.m[2][0] = 2.0f * x * z - 2.0f * w * y;
    out.m[2][1] = 2.0f * w * x + 2.0f * y * z;
    out.m[2][2] = 1.0f - 2.0f * x * x - 2.0f * y * y;
}

ZQuaternion QuaternionFromMatrix(const M33& m)
{
    ZQuaternion q;
    const float trace = 1.0f + m.m[0][0] + m.m[1][1] + m.m[2][2];
    if (trace > kMathTolerance)
    {
        const float s = 0.5f / std::sqrt(trace);
        q.w = 0.25f / s;
        q.x = (m.m[2][1] - m.m[1][2]) * s;
        q.y = (m.m[0][2] - m.m[2][0]) * s;
        q.z = (m.m[1][0] - m.m[0][1]) * s;
    }
    else if (m.m[0][0] >= m.m[1][1] && m.m[0][0] >= m.m[2][2])
    {
        const float s = 2.0f * std::sqrt(std::fmax(0.0f, 1.0f + m.m[0][0] - m.m[1][1] - m.m[2][2]));
        q.w = (m.m[2][1] - m.m[1][2]) / s;
        q.x = 0.25f * s;
        q.y = (m.m[0][1] + m.m[1][0]) / s;
        q.z = (m.m[0][2] + m.m[2][0]) / s;
    }
    else if (m.m[1][1] >= m.m[2][2])
    {
        const float s = 2.0f * std::sqrt(std::fmax(0.0f, 1.0f + m.m[1][1] - m.m[0][0] - m.m[2][2]));
        q.w = (m.m[0][2] - m.m[2][0]) / s;
        q.x = (m.m[0][1] + m.m[1][0]) / s;
        q.y = 0.25f * s;
        q.z = (m.m[1][2] + m.m[2][1]) / s;
    }
    else
    {
        const float s = 2.0f * std::sqrt(std::fmax(0.0f, 1.0f + m.m[2][2] - m.m[0][0] - m.m[1][1]));
        q.w = (m.m[1][0] - m.m[0][1]) / s;
        q.x = (m.m[0][2] + m.m[2][0]) / s;
        q.y = (m.m[1][2] + m.m[2][1]) / s;
        q.z = 0.25f * s;
    }
    return q;
}

ZParticle* ZParticle::Clone() const
{
    return new ZParticle(*this);
}

void ZParticle::Step(double dt)
{
    if (!running)
        return;
    const float t = float(dt);
    if (flags & kParticleAccelerating)
        velocity += acceleration * t;
    if (flags & kParticleMoving)
        position += velocity * t;
    if (flags & kParticleSpinning)
        QuaternionMultiply(rotation, QuaternionSlerp(ZQuaternion{}, spin, t));
    if (flags & kParticleTimed)
    {
        timeout -= dt;
        if (timeout <= 0.0)
            running = false;
    }
}

void ZParticle::Reset()
{
    *this = ZParticle();
}

void ZParticle::SetVelocity(const V3& v)
{
    velocity = v;
    if (v.Length() >= kMathTolerance)
        flags |= kParticleMoving;
    else
        flags &= uint16_t(~kParticleMoving);
}

void ZParticle::SetAcceleration(const V3& a)
{
    acceleration = a;
    if (a.Length() >= kMathTolerance)
        flags |= kParticleAccelerating;
    else
        flags &= uint16_t(~kParticleAccelerating);
}

void ZParticle::SetSpin(const ZQuaternion& q)
{
    spin = q;
    if (QuaternionIsIdentity(q))
        flags &= uint16_t(~kParticleSpinning);
    else
        flags |= kParticleSpinning;
}

void ZParticle::SetTimeout(double seconds)
{
    flags |= kParticleTimed;
    timeout = seconds;
}

void ZParticle::SetRotationAngle(ZQuaternion& q, float x, float y, float z, float angle)
{
    const float s = std::sin(angle * 0.5f);
    q.w = std::cos(angle * 0.5f);
    q.x = x * s;
    q.y = y * s;
    q.z = z * s;
}

ZParticle* ZParticleEx::Clone() const
{
    return new ZParticleEx(*this);
}

void ZParticleEx::Step(double dt)
{
    if (!running)
        return;
    ZParticle::Step(dt);
    const float t = float(dt);
    if (flags & kParticleSizing)
    {
        size += sizeSpeed * t;
        if (size.x <= 0.0f || size.y <= 0.0f)
        {
            size.x = std::fmax(size.x, 0.0f);
            size.y = std::fmax(size.y, 0.0f);
            flags &= uint16_t(~kParticleSizing);
        }
    }
    if (flags & kParticleFading)
    {
        alpha += alphaSpeed * t;
        if (alpha < 0.0f || alpha > 1.0f)
        {
            flags &= uint16_t(~kParticleFading);
            alpha = std::fmin(std::fmax(alpha, 0.0f), 1.0f);
        }
    }
}

void ZParticleEx::Reset()
{
    *this = ZParticleEx();
}

void ZParticleEx::SetSizeSpeed(const V2& v)
{
    sizeSpeed = v;
    if (v.Length() >= kMathTolerance)
        flags |= kParticleSizing;
    else
        flags &= uint16_t(~kParticleSizing);
}

void ZParticleEx::SetAlphaSpeed(float s)
{
    alphaSpeed = s;
    if (std::fabs(s) >= kMathTolerance)
        flags |= kParticleFading;
    else
        flags &= uint16_t(~kParticleFading);
}
