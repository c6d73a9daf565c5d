#include "engine/core/ZValueSerializer.h"

#include <charconv>

#include "engine/core/ZMath.h"

namespace
{

constexpr int kTextSize = 64;

void WriteFloat(ISaveVisitor& visitor, const char* name, float value)
{
    // "%f" in the "C" locale, whatever the process locale says.
    char text[kTextSize];
    auto [end, ec] =
        std::to_chars(text, text + kTextSize - 1, static_cast<double>(value), std::chars_format::fixed, 6);
    *(ec == std::errc() ? end : text) = '\0';
    visitor.Attribute(name, text);
}

void WriteInt(ISaveVisitor& visitor, const char* name, int32_t value)
{
    char text[kTextSize];
    auto [end, ec] = std::to_chars(text, text + kTextSize - 1, value);
    *(ec == std::errc() ? end : text) = '\0';
    visitor.Attribute(name, text);
}

// Component index from the first character of the name among `letters`, or -1.
int ComponentIndex(const char* name, const char* letters)
{
    for (int i = 0; letters[i]; ++i)
    {
        if (name[0] == letters[i])
            return i;
    }
    return -1;
}

template <int N> bool SetMatrixEntry(float (&m)[N][N], const char* name, const char* text)
{
    if (name[0] != 'm' || name[1] < '0' || name[1] >= '0' + N || name[2] < '0' || name[2] >= '0' + N)
        return false;
    m[name[1] - '0'][name[2] - '0'] = ParseFloatWithPi(text);
    return true;
}

template <int N> void WriteMatrix(const float (&m)[N][N], ISaveVisitor& visitor)
{
    char name[4] = {'m', '0', '0', '\0'};
    for (int i = 0; i < N; ++i)
    {
        for (int j = 0; j < N; ++j)
        {
            name[1] = static_cast<char>('0' + i);
            name[2] = static_cast<char>('0' + j);
            WriteFloat(visitor, name, m[i][j]);
        }
    }
}

template <class R> bool SetRectangleSide(R& r, uint32_t id, const char* text)
{
    static constexpr ZNameId left{"left"}, top{"top"}, right{"right"}, bottom{"bottom"};
    float* side = nullptr;
    if (id == left.Value())
        side = &r.left;
    else if (id == top.Value())
        side = &r.top;
    else if (id == right.Value())
        side = &r.right;
    else if (id == bottom.Value())
        side = &r.bottom;
    if (!side)
        return false;
    *side = ParseFloatWithPi(text);
    return true;
}

template <class R> void WriteRectangle(const R& r, ISaveVisitor& visitor)
{
    WriteFloat(visitor, "left", r.left);
    WriteFloat(visitor, "top", r.top);
    WriteFloat(visitor, "bottom", r.bottom);
    WriteFloat(visitor, "right", r.right);
}

} // namespace

bool SetValueAttribute(V2& v, uint32_t, const char* name, const char* text)
{
    float* const c[] = {&v.x, &v.y};
    const int i = ComponentIndex(name, "xy");
    if (i < 0)
        return false;
    *c[i] = ParseFloatWithPi(text);
    return true;
}

bool SetValueAttribute(V3& v, uint32_t, const char* name, const char* text)
{
    float* const c[] = {&v.x, &v.y, &v.z};
    const int i = ComponentIndex(name, "xyz");
    if (i < 0)
        return false;
    *c[i] = ParseFloatWithPi(text);
    return true;
}

bool SetValueAttribute(V4& v, uint32_t, const char* name, const char* text)
{
    float* const c[] = {&v.x, &v.y, &v.z, &v.w};
    const int i = ComponentIndex(name, "xyzw");
    if (i < 0)
        return false;
    *c[i] = ParseFloatWithPi(text);
    return true;
}

bool SetValueAttribute(I2& v, uint32_t, const char* name, const char* text)
{
    int32_t* const c[] = {&v.x, &v.y};
    const int i = ComponentIndex(name, "xy");
    if (i < 0)
        return false;
    *c[i] = ParseInt(text);
    return true;
}

bool SetValueAttribute(M33& v, uint32_t, const char* name, const char* text)
{
    return SetMatrixEntry(v.m, name, text);
}

bool SetValueAttribute(_M44& v, uint32_t, const char* name, const char* text)
{
    return SetMatrixEntry(v.m, name, text);
}

bool SetValueAttribute(Rectangle2D& v, uint32_t id, const char*, const char* text)
{
    return SetRectangleSide(v, id, text);
}

bool SetValueAttribute(TextureRectangle2D& v, uint32_t id, const char*, const char* text)
{
    return SetRectangleSide(v, id, text);
}

void WriteValueAttributes(const V2& v, ISaveVisitor& visitor)
{
    WriteFloat(visitor, "x", v.x);
    WriteFloat(visitor, "y", v.y);
}

void WriteValueAttributes(const V3& v, ISaveVisitor& visitor)
{
    WriteFloat(visitor, "x", v.x);
    WriteFloat(visitor, "y", v.y);
    WriteFloat(visitor, "z", v.z);
}

void WriteValueAttributes(const V4& v, ISaveVisitor& visitor)
{
    WriteFloat(visitor, "x", v.x);
    WriteFloat(visitor, "y", v.y);
    WriteFloat(visitor, "z", v.z);
    WriteFloat(visitor, "w", v.w);
}

void WriteValueAttributes(const I2& v, ISaveVisitor& visitor)
{
    WriteInt(visitor, "x", v.x);
    WriteInt(visitor, "y", v.y);
}

void WriteValueAttributes(const M33& v, ISaveVisitor& visitor)
{
    WriteMatrix(v.m, visitor);
}

void WriteValueAttributes(const _M44& v, ISaveVisitor& visitor)
{
    WriteMatrix(v.m, visitor);
}

void WriteValueAttributes(const Rectangle2D& v, ISaveVisitor& visitor)
{
    WriteRectangle(v, visitor);
}

void WriteValueAttributes(const TextureRectangle2D& v, ISaveVisitor& visitor)
{
    WriteRectangle(v, visitor);
}

void LinkValueSerializers()
{
    // Made on the registry's first request rather than as globals: linking a global into a chain
    // that already holds another file's globals would touch that file's objects during static
    // initialization, and the program would depend on the order of files.
    static ZSerializer<V2> v2("v2");
    static ZSerializer<V3> v3("v3");
    static ZSerializer<V4> v4("v4");
    static ZSerializer<I2> i2("i2");
    static ZSerializer<M33> m33("m33");
    static ZSerializer<_M44> m44("m44");
    static ZSerializer<Rectangle2D> rectangle("rectangle2d");
    static ZSerializer<TextureRectangle2D> textureRectangle("texturerectangle2d");
}
