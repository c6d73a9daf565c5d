// Recording of the software device's drawing and carrying it out in bands of rows.
#include "engine/platform/d3d7/ZSoftRasterizer.h"

#include "engine/platform/ZPlatformThread.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

using namespace soft7;

namespace
{
// Below this many rows of primitives the record is drawn on the calling thread alone.
constexpr int64_t kRowsWorthThreads = 600;
// Guard band for clipping, in viewport sizes on each side.
constexpr float kGuard = 4.0f;

// Clip-space planes: w > 0, 0 <= z <= w, and the guard band in x and y.
constexpr int kPlaneCount = 7;
inline float PlaneDistance(int plane, const SSoftVtx& v)
{
    const float x = v.a[kVtxX], y = v.a[kVtxY], z = v.a[kVtxZ], w = v.a[kVtxW];
    switch (plane)
    {
    case 0:
        return w - 1e-6f;
    case 1:
        return z;
    case 2:
        return w - z;
    case 3:
        return x + kGuard * w;
    case 4:
        return kGuard * w - x;
    case 5:
        return y + kGuard * w;
    default:
        return kGuard * w - y;
    }
}

uint32_t OutCode(const SSoftVtx& v)
{
    uint32_t code = 0;
    for (int p = 0; p < kPlaneCount; ++p)
        if (PlaneDistance(p, v) < 0)
            code |= 1u << p;
    return code;
}

// The rows a primitive may touch, one more on each side than its vertices reach; everything when
// a coordinate is not a usable number (the rasteriser refuses those itself).
void RowRange(const SSoftVtx* const* v, int count, int& top, int& bottom)
{
    float lo = v[0]->a[kVtxY], hi = lo;
    for (int i = 1; i < count; ++i)
    {
        lo = std::min(lo, v[i]->a[kVtxY]);
        hi = std::max(hi, v[i]->a[kVtxY]);
    }
    if (!(lo >= -1.0e8f && hi <= 1.0e8f))
    {
        top = INT_MIN;
        bottom = INT_MAX;
        return;
    }
    top = int(std::floor(lo)) - 1;
    bottom = int(std::ceil(hi)) + 1;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Recording

bool ZSoftDrawQueue::Begin(const SSoftPipelineState& state)
{
    m_state = &state;
    SSoftRasterSetup setup;
    m_setupValid = ZSoftRasterizer::MakeSetup(state, setup);
    if (!m_setupValid)
        return false;
    // Draws in a row with the same state share one setup: a band then loads it once.
    if (m_setups.empty() || std::memcmp(&m_setups.back(), &setup, sizeof setup) != 0)
    {
        m_setups.push_back(setup);
        NoteSurfaces(setup);
    }
    return true;
}

void ZSoftDrawQueue::NoteSurfaces(const SSoftRasterSetup& setup)
{
    auto note = [](std::vector<const ZSoftSurface*>& list, const ZSoftSurface* s)
    {
        if (s && std::find(list.begin(), list.end(), s) == list.end())
            list.push_back(s);
    };
    note(m_targets, setup.m_target);
    for (int i = 0; i < setup.m_stageCount; ++i)
        note(m_textures, setup.m_stages[i].texture);
    for (const ZSoftSurface* t : m_targets)
        if (std::find(m_textures.begin(), m_textures.end(), t) != m_textures.end())
            m_serial = true;
    if (setup.m_target)
        m_height = std::max(m_height, int(setup.m_target->Height()));
}

void ZSoftDrawQueue::Record(Kind kind, const SSoftVtx* const* v, int count)
{
    if (!m_setupValid)
        return;
    Command c;
    c.kind = kind;
    c.setup = uint32_t(m_setups.size() - 1);
    c.first = uint32_t(m_vertices.size());
    RowRange(v, count, c.top, c.bottom);
    m_rows += std::min<int64_t>(int64_t(c.bottom) - c.top + 1, m_height);
    for (int i = 0; i < count; ++i)
        m_vertices.push_back(*v[i]);
    m_commands.push_back(c);
}

void ZSoftDrawQueue::Triangle(const SSoftVtx& v0, const SSoftVtx& v1, const SSoftVtx& v2)
{
    const SSoftVtx* v[3] = {&v0, &v1, &v2};
    Record(Kind::Triangle, v, 3);
}

void ZSoftDrawQueue::Line(const SSoftVtx& v0, const SSoftVtx& v1)
{
    const SSoftVtx* v[2] = {&v0, &v1};
    Record(Kind::Line, v, 2);
}

void ZSoftDrawQueue::Point(const SSoftVtx& v0)
{
    const SSoftVtx* v[1] = {&v0};
    Record(Kind::Point, v, 1);
}

void ZSoftDrawQueue::Clear(ZSoftSurface* target, ZSoftSurface* depth, const SSoftRect& rect, uint32_t flags,
                           const uint8_t raw[4], uint32_t depthValue, uint8_t stencil)
{
    if (rect.left >= rect.right || rect.top >= rect.bottom)
        return;
    ClearRecord r{target, depth, rect, flags, {raw[0], raw[1], raw[2], raw[3]}, depthValue, stencil};
    Command c;
    c.kind = Kind::Clear;
    c.setup = 0;
    c.first = uint32_t(m_clears.size());
    c.top = rect.top;
    c.bottom = rect.bottom - 1;
    m_clears.push_back(r);
    m_commands.push_back(c);
    SSoftRasterSetup written;
    written.m_target = target;
    written.m_stageCount = 0;
    NoteSurfaces(written);
}

SSoftVtx ZSoftDrawQueue::Project(const SSoftVtx& v) const
{
    const SSoftViewport& vp = m_state->viewport;
    SSoftVtx r = v;
    const float rhw = 1.0f / v.a[kVtxW];
    r.a[kVtxX] = float(vp.x) + (v.a[kVtxX] * rhw + 1.0f) * float(vp.width) * 0.5f;
    r.a[kVtxY] = float(vp.y) + (1.0f - v.a[kVtxY] * rhw) * float(vp.height) * 0.5f;
    r.a[kVtxZ] = vp.minZ + v.a[kVtxZ] * rhw * (vp.maxZ - vp.minZ);
    r.a[kVtxW] = rhw;
    return r;
}

void ZSoftDrawQueue::ClipTriangle(const SSoftVtx& v0, const SSoftVtx& v1, const SSoftVtx& v2)
{
    const uint32_t c0 = OutCode(v0), c1 = OutCode(v1), c2 = OutCode(v2);
    if (c0 & c1 & c2)
        return;
    if ((c0 | c1 | c2) == 0)
    {
        Triangle(Project(v0), Project(v1), Project(v2));
        return;
    }
    SSoftVtx buf[2][3 + kPlaneCount];
    int count = 3;
    buf[0][0] = v0;
    buf[0][1] = v1;
    buf[0][2] = v2;
    int in = 0;
    const uint32_t any = c0 | c1 | c2;
    for (int p = 0; p < kPlaneCount && count >= 3; ++p)
    {
        if (!(any & (1u << p)))
            continue;
        int out = 0;
        for (int i = 0; i < count; ++i)
        {
            const SSoftVtx& a = buf[in][i];
            const SSoftVtx& b = buf[in][(i + 1) % count];
            const float da = PlaneDistance(p, a), db = PlaneDistance(p, b);
            if (da >= 0)
                buf[1 - in][out++] = a;
            if ((da >= 0) != (db >= 0))
                buf[1 - in][out++] = LerpVtx(a, b, da / (da - db));
        }
        count = out;
        in = 1 - in;
    }
    if (count < 3)
        return;
    SSoftVtx first = Project(buf[in][0]);
    SSoftVtx prev = Project(buf[in][1]);
    for (int i = 2; i < count; ++i)
    {
        SSoftVtx next = Project(buf[in][i]);
        Triangle(first, prev, next);
        prev = next;
    }
}

void ZSoftDrawQueue::ClipLine(const SSoftVtx& v0, const SSoftVtx& v1)
{
    SSoftVtx a = v0, b = v1;
    for (int p = 0; p < kPlaneCount; ++p)
    {
        const float da = PlaneDistance(p, a), db = PlaneDistance(p, b);
        if (da < 0 && db < 0)
            return;
        if (da < 0)
            a = LerpVtx(a, b, da / (da - db));
        else if (db < 0)
            b = LerpVtx(a, b, da / (da - db));
    }
    Line(Project(a), Project(b));
}

void ZSoftDrawQueue::ClipPoint(const SSoftVtx& v)
{
    if (OutCode(v) == 0)
        Point(Project(v));
}

// ---------------------------------------------------------------------------------------------
// Carrying out

void ZSoftDrawQueue::Execute(plat::IParallelRunner* runner, int bands, bool spanLoop)
{
    if (!m_commands.empty())
    {
        if (m_serial || bands <= 1 || m_height <= 1 || (runner && m_rows < kRowsWorthThreads))
            RunBand(INT_MIN, INT_MAX, spanLoop);
        else
        {
            const int count = std::min(bands, m_height);
            const int64_t height = m_height;
            auto band = [&](int b)
            { RunBand(int(height * b / count), int(height * (b + 1) / count), spanLoop); };
            if (runner)
                runner->Run(count, band);
            else
                for (int b = 0; b < count; ++b)
                    band(b);
        }
    }
    Discard();
}

void ZSoftDrawQueue::Discard()
{
    m_setups.clear();
    m_vertices.clear();
    m_commands.clear();
    m_clears.clear();
    m_targets.clear();
    m_textures.clear();
    m_serial = false;
    m_height = 0;
    m_rows = 0;
    m_setupValid = false;
}

void ZSoftDrawQueue::RunBand(int top, int bottom, bool spanLoop) const
{
    ZSoftRasterizer raster;
    raster.SetSpanLoop(spanLoop);
    uint32_t loaded = UINT32_MAX;
    bool usable = false;
    for (const Command& c : m_commands)
    {
        if (c.bottom < top || c.top >= bottom)
            continue;
        if (c.kind == Kind::Clear)
        {
            RunClear(m_clears[c.first], top, bottom);
            continue;
        }
        if (c.setup != loaded)
        {
            loaded = c.setup;
            usable = raster.Load(m_setups[c.setup], top, bottom);
        }
        if (!usable)
            continue;
        const SSoftVtx* v = m_vertices.data() + c.first;
        switch (c.kind)
        {
        case Kind::Triangle:
            raster.Triangle(v[0], v[1], v[2]);
            break;
        case Kind::Line:
            raster.Line(v[0], v[1]);
            break;
        default:
            raster.Point(v[0]);
            break;
        }
    }
}

void ZSoftDrawQueue::RunClear(const ClearRecord& c, int top, int bottom)
{
    const int t = std::max(c.rect.top, top), b = std::min(c.rect.bottom, bottom);
    const int l = c.rect.left, r = c.rect.right;
    const uint32_t bpp = BytesPerPixel(c.target->Kind());
    for (int y = t; y < b; ++y)
    {
        if (c.flags & kClearTarget)
        {
            uint8_t* p = c.target->Row(y) + size_t(l) * bpp;
            if (bpp == 4)
            {
                uint32_t word;
                std::memcpy(&word, c.raw, 4);
                for (int x = l; x < r; ++x, p += 4)
                    std::memcpy(p, &word, 4);
            }
            else
                for (int x = l; x < r; ++x, p += bpp)
                    std::memcpy(p, c.raw, bpp);
        }
        if (c.flags & (kClearZBuffer | kClearStencil))
        {
            const size_t row = size_t(y) * c.depth->Width();
            if (c.flags & kClearZBuffer)
                std::fill(c.depth->DepthPlane() + row + l, c.depth->DepthPlane() + row + r, c.depthValue);
            if (c.flags & kClearStencil)
                std::fill(c.depth->StencilPlane() + row + l, c.depth->StencilPlane() + row + r, c.stencil);
        }
    }
}
