#include "engine/core/ZMatrix.h"

#include <cmath>
#include <utility>

namespace
{

template <int N> bool IsIdentityN(const float (&m)[N][N])
{
    for (int i = 0; i < N; ++i)
    {
        for (int j = 0; j < N; ++j)
        {
            if (i == j ? !IsNearOne(m[i][j]) : !IsNearZero(m[i][j]))
                return false;
        }
    }
    return true;
}

template <int N> void MultiplyN(const float (&a)[N][N], const float (&b)[N][N], float (&out)[N][N])
{
    float r[N][N];
    for (int i = 0; i < N; ++i)
    {
        for (int j = 0; j < N; ++j)
        {
            float sum = 0.0f;
            for (int k = 0; k < N; ++k)
                sum += a[i][k] * b[k][j];
            r[i][j] = sum;
        }
    }
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j)
            out[i][j] = r[i][j];
}

} // namespace

void M33::SetIdentity()
{
    *this = M33();
}

bool M33::IsIdentity() const
{
    return IsIdentityN(m);
}

void M33::Scale(float s)
{
    for (auto& row : m)
        for (float& e : row)
            e *= s;
}

void M33::Multiply(const M33& a, const M33& b, M33& out)
{
    MultiplyN(a.m, b.m, out.m);
}

void M33::MultiplyAssign(const M33& a, M33& b)
{
    MultiplyN(a.m, b.m, b.m);
}

void M33::Transform(V3& v) const
{
    const V3 p = v;
    v.x = p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0];
    v.y = p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1];
    v.z = p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2];
}

void M33::SetRotationZ(float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    SetRow(0, {c, s, 0.0f});
    SetRow(1, {-s, c, 0.0f});
    SetRow(2, {0.0f, 0.0f, 1.0f});
}

void M33::SetAxisAngle(const V4& a)
{
    const float c = std::cos(a.w);
    const float s = std::sin(a.w);
    const float t = 1.0f - c;
    const float x = a.x, y = a.y, z = a.z;
    SetRow(0, {x * x * t + c, x * y * t - z * s, x * z * t + y * s});
    SetRow(1, {x * y * t + z * s, y * y * t + c, y * z * t - x * s});
    SetRow(2, {x * z * t - y * s, y * z * t + x * s, z * z * t + c});
}

void M33::SetFromDirection(const V3& direction, const V3& up)
{
    V3 forward = direction;
    forward.Normalize();
    const float d = std::fabs(V3::Dot(forward, up));
    V3 reference = {0.0f, 0.0f, 1.0f};
    if (d != 1.0f)
    {
        reference = up;
        reference.Normalize();
    }
    V3 right = V3::Cross(reference, forward);
    if (right.x == 0.0f && right.y == 0.0f && right.z == 0.0f)
    {
        // An up vector parallel to the direction but not of unit length (or a direction along
        // z itself) leaves no axis to build on; a zero row would collapse the node for good.
        reference = (forward.x == 0.0f && forward.y == 0.0f) ? V3{0.0f, 1.0f, 0.0f} : V3{0.0f, 0.0f, 1.0f};
        right = V3::Cross(reference, forward);
    }
    right.Normalize();
    SetRow(0, right);
    SetRow(1, V3::Cross(forward, right));
    SetRow(2, forward);
}

void M33::Orthonormalize()
{
    V3 r2 = V3::Cross(GetRow(0), GetRow(1));
    r2.Normalize();
    SetRow(2, r2);
    V3 r0 = V3::Cross(GetRow(1), r2);
    r0.Normalize();
    SetRow(0, r0);
    V3 r1 = V3::Cross(r2, r0);
    r1.Normalize();
    SetRow(1, r1);
}

bool M33::Invert()
{
    M33 a = *this;
    M33 inv;
    for (int k = 0; k < 3; ++k)
    {
        int pivotRow = k;
        for (int i = k + 1; i < 3; ++i)
        {
            if (std::fabs(a.m[i][k]) > std::fabs(a.m[pivotRow][k]))
                pivotRow = i;
        }
        const float pivot = a.m[pivotRow][k];
        if (pivot == 0.0f)
        {
            SetIdentity();
            return false;
        }
        if (pivotRow != k)
        {
            for (int j = 0; j < 3; ++j)
            {
                std::swap(a.m[k][j], a.m[pivotRow][j]);
                std::swap(inv.m[k][j], inv.m[pivotRow][j]);
            }
        }
        for (int j = 0; j < 3; ++j)
        {
            a.m[k][j] /= pivot;
            inv.m[k][j] /= pivot;
        }
        for (int i = 0; i < 3; ++i)
        {
            if (i == k)
                continue;
            const float f = a.m[i][k];
            for (int j = 0; j < 3; ++j)
            {
                a.m[i][j] -= f * a.m[k][j];
                inv.m[i][j] -= f * inv.m[k][j];
            }
        }
    }
    *this = inv;
    return true;
}

void _M44::SetIdentity()
{
    *this = _M44();
}

bool _M44::Equals(const _M44& o) const
{
    for (int i = 0; i < 4; ++i)
    {
        const V4 a = {m[i][0], m[i][1], m[i][2], m[i][3]};
        const V4 b = {o.m[i][0], o.m[i][1], o.m[i][2], o.m[i][3]};
        if (!(a == b))
            return false;
    }
    return true;
}

bool _M44::IsIdentity() const
{
    return IsIdentityN(m);
}

void _M44::Scale(float s)
{
    for (auto& row : m)
        for (float& e : row)
            e *= s;
}

void _M44::Multiply(const _M44& a, const _M44& b, _M44& out)
{
    MultiplyN(a.m, b.m, out.m);
}

void _M44::MultiplyAssign(const _M44& a, _M44& b)
{
    MultiplyN(a.m, b.m, b.m);
}

void _M44::TransformVector(V3& v, float w) const
{
    const V3 p = v;
    v.x = p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + w * m[3][0];
    v.y = p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + w * m[3][1];
    v.z = p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + w * m[3][2];
}

void _M44::SetOrientation(const V3& up, const V3& direction)
{
    M33 r;
    r.SetFromDirection(direction, up);
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
            m[i][j] = r.m[i][j];
        m[i][3] = 0.0f;
    }
    m[3][0] = m[3][1] = m[3][2] = 0.0f;
    m[3][3] = 1.0f;
}

void _M44::SetLookAt(const V3& target, const V3& eye, const V3& up)
{
    V3 z = target - eye;
    z.Normalize();
    V3 x = V3::Cross(up, z);
    x.Normalize();
    const V3 y = V3::Cross(z, x);
    const V3 axes[3] = {x, y, z};
    for (int j = 0; j < 3; ++j)
    {
        m[0][j] = axes[j].x;
        m[1][j] = axes[j].y;
        m[2][j] = axes[j].z;
        m[3][j] = -V3::Dot(axes[j], eye);
    }
    m[0][3] = m[1][3] = m[2][3] = 0.0f;
    m[3][3] = 1.0f;
}

void _M44::SetViewFromWorld(const _M44& world)
{
    const V3 eye = world.GetRow(3);
    const V3 target = eye + world.GetRow(2);
    const V3 up = world.GetRow(1);
    SetLookAt(target, eye, up);
}

void _M44::SetPerspective(float fieldOfView, float aspect, float nearZ, float farZ)
{
    const float h = std::cos(fieldOfView * 0.5f) / std::sin(fieldOfView * 0.5f);
    const float q = farZ / (farZ - nearZ);
    for (auto& row : m)
        for (float& e : row)
            e = 0.0f;
    m[0][0] = h * aspect;
    m[1][1] = h;
    m[2][2] = q;
    m[2][3] = 1.0f;
    m[3][2] = -(farZ * nearZ) / (farZ - nearZ);
}
