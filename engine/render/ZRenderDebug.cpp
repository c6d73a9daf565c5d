#include "engine/render/ZRenderDebug.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "engine/render/ZRenderBase.h"
#include "engine/render/resources/ZRenderSettings.h"

namespace
{

void Put(SDebugVertex* out, uint32_t& count, const V3& p, uint32_t color)
{
    if (count >= ZRenderDebugEntryBase::kMaxVertices)
        return;
    out[count++] = {p.x, p.y, p.z, color & 0xFFFFFFu};
}

void Segment(SDebugVertex* out, uint32_t& count, const V3& a, const V3& b, uint32_t color)
{
    Put(out, count, a, color);
    Put(out, count, b, color);
}

// `points` points at `step` radians apart, consecutive ones joined. Plane 0: xy, 1: yz, 2: xz.
void Circle(SDebugVertex* out, uint32_t& count, const V3& c, float r, int plane, int points, float step,
            uint32_t color)
{
    auto at = [&](int i)
    {
        const float s = std::sin(step * float(i)) * r;
        const float k = std::cos(step * float(i)) * r;
        if (plane == 0)
            return V3{c.x + k, c.y + s, c.z};
        if (plane == 1)
            return V3{c.x, c.y + k, c.z + s};
        return V3{c.x + k, c.y, c.z + s};
    };
    for (int i = 0; i + 1 < points; ++i)
        Segment(out, count, at(i), at(i + 1), color);
}
} // namespace

void ZRenderDebugEntryLine::FillVertices(SDebugVertex* out, uint32_t& count) const
{
    count = 0;
    Segment(out, count, start, end, color);
}

void ZRenderDebugEntryBox::FillVertices(SDebugVertex* out, uint32_t& count) const
{
    count = 0;
    auto corner = [&](int i) { return V3{(i & 1) ? b.x : a.x, (i & 2) ? b.y : a.y, (i & 4) ? b.z : a.z}; };
    // Corners that differ in exactly one coordinate bit share an edge.
    for (int i = 0; i < 8; ++i)
        for (int bit = 1; bit < 8; bit <<= 1)
            if (!(i & bit))
                Segment(out, count, corner(i), corner(i | bit), color);
}

void ZRenderDebugEntryMatrix::FillVertices(SDebugVertex* out, uint32_t& count) const
{
    count = 0;
    const uint32_t colors[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    for (int row = 0; row < 3; ++row)
    {
        const V3 end{position.x + orientation.m[row][0] * 50.0f, position.y + orientation.m[row][1] * 50.0f,
                     position.z + orientation.m[row][2] * 50.0f};
        Segment(out, count, position, end, colors[row]);
    }
}

void ZRenderDebugEntrySphere::FillVertices(SDebugVertex* out, uint32_t& count) const
{
    count = 0;
    for (int plane = 0; plane < 3; ++plane)
        Circle(out, count, center, radius, plane, 32, 2.0f * kPi / 30.0f, color);
}

void ZRenderDebugEntryCone::FillVertices(SDebugVertex* out, uint32_t& count) const
{
    count = 0;
    V3 axis = direction;
    axis.Normalize();
    if (axis.x == 0.0f && axis.y == 0.0f && axis.z == 0.0f)
        axis = V3{0.0f, 0.0f, 1.0f};
    // The base lies one unit along the axis; its radius follows the half angle.
    const float radius = std::tan(angle);
    const V3 base{apex.x + axis.x, apex.y + axis.y, apex.z + axis.z};
    // Two directions across the axis.
    V3 helper = std::fabs(axis.y) < 0.9f ? V3{0.0f, 1.0f, 0.0f} : V3{1.0f, 0.0f, 0.0f};
    V3 u{axis.y * helper.z - axis.z * helper.y, axis.z * helper.x - axis.x * helper.z,
         axis.x * helper.y - axis.y * helper.x};
    u.Normalize();
    const V3 v{axis.y * u.z - axis.z * u.y, axis.z * u.x - axis.x * u.z, axis.x * u.y - axis.y * u.x};
    auto rim = [&](float t)
    {
        const float c = std::cos(t) * radius;
        const float s = std::sin(t) * radius;
        return V3{base.x + u.x * c + v.x * s, base.y + u.y * c + v.y * s, base.z + u.z * c + v.z * s};
    };
    for (int i = 0; i < 21; ++i)
        Segment(out, count, rim(kPi / 10.0f * float(i)), rim(kPi / 10.0f * float(i + 1)), color);
    for (int i = 0; i < 10; ++i)
    {
        Put(out, count, apex, 0xFFFFFFFF);
        Put(out, count, rim(2.0f * kPi / 10.0f * float(i)), color);
    }
}

void ZRenderDebugEntryGrid::FillVertices(SDebugVertex* out, uint32_t& count) const
{
    count = 0;
    // The two axes other than the letter: index pairs into (x, y, z).
    int first = 0, second = 2;
    if (axis == 'x')
        first = 1, second = 2;
    else if (axis == 'z')
        first = 0, second = 1;
    const float lo[3] = {a.x, a.y, a.z};
    const float hi[3] = {b.x, b.y, b.z};
    const uint32_t steps = divisions == 0 ? 1 : divisions;
    for (int pass = 0; pass < 2; ++pass)
    {
        const int along = pass == 0 ? first : second;
        const int across = pass == 0 ? second : first;
        for (uint32_t i = 0; i <= steps; ++i)
        {
            float p[3] = {lo[0], lo[1], lo[2]};
            float q[3] = {lo[0], lo[1], lo[2]};
            const float at = lo[across] + (hi[across] - lo[across]) * float(i) / float(steps);
            p[across] = q[across] = at;
            p[along] = lo[along];
            q[along] = hi[along];
            Segment(out, count, V3{p[0], p[1], p[2]}, V3{q[0], q[1], q[2]}, color);
        }
    }
}

ZRenderDebug::ZRenderDebug()
{
    s_instance = this;
}

ZRenderDebug::~ZRenderDebug()
{
    if (s_instance == this)
        s_instance = nullptr;
}

void ZRenderDebug::DrawText(const char* text, float x, float y)
{
    if (!text)
        return;
    DrawTextLine(text, x, y, 0xFF000000u | (uint32_t(g_debugTextColor.GetValue()) & 0xFFFFFFu));
}

void ZRenderDebug::Flush()
{
    for (const STextLine& line : m_text)
        DrawText(line.text.c_str(), line.x, line.y);
    ClearText();
}

void ZRenderDebug::ClearText()
{
    m_text.clear();
    m_lineCount = 0;
}

void ZRenderDebug::DebugPrintf(const char* format, ...)
{
    if (m_fontLineHeight <= 0 || !format)
        return;
    char text[kMaxText + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    const int width = g_renderWidth.GetValue();
    const int height = g_renderHeight.GetValue();
    AddText(text, float(-(width / 2)), float(height / 2 - int(m_lineCount) * m_fontLineHeight));
    ++m_lineCount;
}

void ZRenderDebug::AddText(const char* text, float x, float y)
{
    if (!text)
        return;
    m_text.push_back({x, y, std::string(text)});
}

void ZRenderDebug::EndFrame(ZCamera* camera, uint16_t stateC)
{
    if (stateC & kRenderDebugShapes)
        DrawShapes(camera);
    ClearShapes();
    if (stateC & kRenderDebugText)
        Flush();
    else
        ClearText();
}

ZRenderDebugEntryGrid* ZRenderDebug::AddGrid(const V4& a, const V4& b)
{
    ZRenderDebugEntryGrid* entry = m_grids.Take();
    if (!entry)
        return nullptr;
    entry->color = 0x808080;
    entry->a = a;
    entry->b = b;
    entry->divisions = 10;
    entry->axis = 'y';
    return entry;
}

void ZRenderDebug::AddReferenceGrids()
{
    for (float size : {100.0f, 1000.0f, 10000.0f})
        AddGrid(V4{-size, 0.0f, -size, 0.0f}, V4{size, 0.0f, size, 0.0f});
}

ZRenderDebugEntryBox* ZRenderDebug::AddBox(const V3& a, const V3& b, uint32_t color)
{
    ZRenderDebugEntryBox* entry = m_boxes.Take();
    if (entry)
        entry->a = a, entry->b = b, entry->color = color;
    return entry;
}

ZRenderDebugEntryLine* ZRenderDebug::AddLine(const V3& start, const V3& end, uint32_t color)
{
    ZRenderDebugEntryLine* entry = m_lines.Take();
    if (entry)
        entry->start = start, entry->end = end, entry->color = color;
    return entry;
}

ZRenderDebugEntryCone* ZRenderDebug::AddCone(const V3& apex, const V3& direction, float angle)
{
    ZRenderDebugEntryCone* entry = m_cones.Take();
    if (entry)
        entry->apex = apex, entry->direction = direction, entry->angle = angle;
    return entry;
}

ZRenderDebugEntrySphere* ZRenderDebug::AddSphere(const V3& center, float radius)
{
    ZRenderDebugEntrySphere* entry = m_spheres.Take();
    if (entry)
        entry->center = center, entry->radius = radius;
    return entry;
}

ZRenderDebugEntryMatrix* ZRenderDebug::AddMatrix(const V3& position, const M33& orientation)
{
    ZRenderDebugEntryMatrix* entry = m_matrices.Take();
    if (entry)
        entry->position = position, entry->orientation = orientation;
    return entry;
}

void ZRenderDebug::ClearShapes()
{
    m_boxes.used = m_grids.used = m_lines.used = 0;
    m_cones.used = m_spheres.used = m_matrices.used = 0;
}

std::vector<const ZRenderDebugEntryBase*> ZRenderDebug::GatherEntries() const
{
    std::vector<const ZRenderDebugEntryBase*> out;
    for (uint32_t i = 0; i < m_boxes.used; ++i)
        out.push_back(&m_boxes.entries[i]);
    for (uint32_t i = 0; i < m_grids.used; ++i)
        out.push_back(&m_grids.entries[i]);
    for (uint32_t i = 0; i < m_lines.used; ++i)
        out.push_back(&m_lines.entries[i]);
    for (uint32_t i = 0; i < m_cones.used; ++i)
        out.push_back(&m_cones.entries[i]);
    for (uint32_t i = 0; i < m_spheres.used; ++i)
        out.push_back(&m_spheres.entries[i]);
    for (uint32_t i = 0; i < m_matrices.used; ++i)
        out.push_back(&m_matrices.entries[i]);
    return out;
}
