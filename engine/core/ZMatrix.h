#pragma once

// Row-major matrices. A vector is a row vector multiplied from the left (v' = v x M), so the
// rows of an orientation are its axes and row 3 of a 4 x 4 matrix is the translation.

#include "engine/core/ZVector.h"

struct M33
{
    float m[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};

    void SetIdentity();
    void Set(const M33& o) { *this = o; }
    void Copy(const M33& o) { *this = o; }

    V3 GetRow(int i) const { return {m[i][0], m[i][1], m[i][2]}; }
    void SetRow(int i, const V3& v)
    {
        m[i][0] = v.x;
        m[i][1] = v.y;
        m[i][2] = v.z;
    }

    // Diagonal within 1/8192 of one and the rest within 1/8192 of zero, both ends included.
    bool IsIdentity() const;
    void Scale(float s);
    // out = a x b; out may be a or b.
    static void Multiply(const M33& a, const M33& b, M33& out);
    // b := a x b.
    static void MultiplyAssign(const M33& a, M33& b);
    // v := v x M.
    void Transform(V3& v) const;
    void SetRotationZ(float angle);
    // Axis (x, y, z; expected unit length) and angle w in radians.
    void SetAxisAngle(const V4& axisAngle);
    // Row 2 = direction, rows 0 and 1 built around the up vector; an up parallel to the
    // direction falls back to (0, 0, 1).
    void SetFromDirection(const V3& direction, const V3& up);
    void Orthonormalize();
    // Gauss-Jordan with partial pivoting. A singular matrix becomes the identity and false is
    // returned.
    bool Invert();
};

struct _M44
{
    float m[4][4] = {{1.0f, 0.0f, 0.0f, 0.0f},
                     {0.0f, 1.0f, 0.0f, 0.0f},
                     {0.0f, 0.0f, 1.0f, 0.0f},
                     {0.0f, 0.0f, 0.0f, 1.0f}};

    void SetIdentity();
    void Copy(const _M44& o) { *this = o; }
    // Exact, entry by entry; a NaN entry is never equal.
    bool Equals(const _M44& o) const;
    bool IsIdentity() const;
    void Scale(float s);

    V3 GetRow(int i) const { return {m[i][0], m[i][1], m[i][2]}; }

    // out = a x b; out may be a or b.
    static void Multiply(const _M44& a, const _M44& b, _M44& out);
    // b := a x b.
    static void MultiplyAssign(const _M44& a, _M44& b);
    // (x, y, z, w) x M, keeping x, y, z: w = 1 moves a point, w = 0 turns a direction.
    void TransformVector(V3& v, float w) const;
    // Rows 0-2 from M33::SetFromDirection (direction, up), row 3 = (0, 0, 0, 1).
    void SetOrientation(const V3& up, const V3& direction);
    // Left-handed view matrix looking from eye towards target.
    void SetLookAt(const V3& target, const V3& eye, const V3& up);
    // The view matrix of a camera placed by its world matrix: eye = row 3, looking along row 2
    // with row 1 up.
    void SetViewFromWorld(const _M44& world);
    // Left-handed projection; m23 = 1 and m33 = 0.
    void SetPerspective(float fieldOfView, float aspect, float nearZ, float farZ);
};
