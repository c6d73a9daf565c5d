#include "engine/platform/d3d7/ZSoftRasterizer.h"

#include <algorithm>
#include <cmath>

using namespace soft7;

namespace soft7
{
Color8 ToColor8(uint32_t c)
{
    return {int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF), int(c >> 24)};
}

uint32_t ToARGB(const Color8& c)
{
    return (uint32_t(c.a) << 24) | (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | uint32_t(c.b);
}
} // namespace soft7

namespace
{
constexpr int kSubBits = 8;
constexpr int64_t kSub = 1 << kSubBits;
// Screen coordinates beyond this many pixels are refused: the integer edge functions stay exact.
constexpr float kMaxScreen = 4.0e6f;
// Guard band for clipping, in viewport sizes on each side.
constexpr float kGuard = 4.0f;

inline int Clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
inline int ToByte(float v)
{
    if (!(v > 0.0f))
        return 0;
    if (v >= 255.0f)
        return 255;
    return int(v + 0.5f);
}

inline bool Compare(Cmp func, uint32_t a, uint32_t b)
{
    switch (func)
    {
    case Cmp::Never:
        return false;
    case Cmp::Less:
        return a < b;
    case Cmp::Equal:
        return a == b;
    case Cmp::LessEqual:
        return a <= b;
    case Cmp::Greater:
        return a > b;
    case Cmp::NotEqual:
        return a != b;
    case Cmp::GreaterEqual:
        return a >= b;
    default:
        return true;
    }
}

// floor() for values already bounded to a safe integer range; avoids a library call per texel.
inline int64_t FastFloor(double v)
{
    const int64_t i = int64_t(v);
    return double(i) > v ? i - 1 : i;
}

inline int64_t FloorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Texel index for an address mode; -1 marks the border.
inline int AddressIndex(int64_t i, int n, Address mode)
{
    switch (mode)
    {
    case Address::Mirror:
    {
        int64_t m = i % (2 * int64_t(n));
        if (m < 0)
            m += 2 * int64_t(n);
        return int(m < n ? m : 2 * int64_t(n) - 1 - m);
    }
    case Address::Clamp:
        return int(i < 0 ? 0 : (i >= n ? n - 1 : i));
    case Address::Border:
        return (i < 0 || i >= n) ? -1 : int(i);
    default:
    {
        if ((n & (n - 1)) == 0)
            return int(i & int64_t(n - 1));
        int64_t m = i % n;
        return int(m < 0 ? m + n : m);
    }
    }
}

// Texture coordinate in texels, bounded so that it converts to an integer safely.
inline double TexelCoord(float t, uint32_t size)
{
    double v = double(t) * double(size);
    if (!(v == v))
        return 0.0;
    return std::clamp(v, -1.0e9, 1.0e9);
}

inline uint32_t Texel(const ZSoftSurface* t, int x, int y)
{
    const uint8_t* p = t->Row(y) + size_t(x) * BytesPerPixel(t->Kind());
    if (t->Kind() == PixelKind::ARGB8888)
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    return DecodeARGB(t->Kind(), p);
}

inline Color8 Argument(uint32_t arg, const Color8& diffuse, const Color8& current, const Color8& texture,
                       const Color8& factor, const Color8& specular)
{
    Color8 c;
    switch (arg & kTaSelectMask)
    {
    case kTaDiffuse:
        c = diffuse;
        break;
    case kTaCurrent:
        c = current;
        break;
    case kTaTexture:
        c = texture;
        break;
    case kTaTFactor:
        c = factor;
        break;
    case kTaSpecular:
        c = specular;
        break;
    default:
        c = current;
        break;
    }
    if (arg & kTaComplement)
        c = {255 - c.r, 255 - c.g, 255 - c.b, 255 - c.a};
    if (arg & kTaAlphaReplicate)
        c.r = c.g = c.b = c.a;
    return c;
}

inline int BlendFactor(Blend f, int src, int srcA, int dst, int dstA, bool alphaChannel)
{
    switch (f)
    {
    case Blend::Zero:
        return 0;
    case Blend::One:
        return 255;
    case Blend::SrcColor:
        return src;
    case Blend::InvSrcColor:
        return 255 - src;
    case Blend::SrcAlpha:
        return srcA;
    case Blend::InvSrcAlpha:
        return 255 - srcA;
    case Blend::DestAlpha:
        return dstA;
    case Blend::InvDestAlpha:
        return 255 - dstA;
    case Blend::DestColor:
        return dst;
    case Blend::InvDestColor:
        return 255 - dst;
    case Blend::SrcAlphaSat:
        return alphaChannel ? 255 : std::min(srcA, 255 - dstA);
    default:
        return 0;
    }
}

void ApplyStencilOp(StencilOp op, uint8_t& value, uint32_t ref, uint32_t writeMask, uint32_t max)
{
    uint32_t v = value, n = v;
    switch (op)
    {
    case StencilOp::Zero:
        n = 0;
        break;
    case StencilOp::Replace:
        n = ref & max;
        break;
    case StencilOp::IncrSat:
        n = v < max ? v + 1 : max;
        break;
    case StencilOp::DecrSat:
        n = v > 0 ? v - 1 : 0;
        break;
    case StencilOp::Invert:
        n = ~v & max;
        break;
    case StencilOp::Incr:
        n = (v + 1) & max;
        break;
    case StencilOp::Decr:
        n = (v - 1) & max;
        break;
    default:
        return;
    }
    value = uint8_t((v & ~writeMask) | (n & writeMask & max));
}

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

SSoftVtx Lerp(const SSoftVtx& a, const SSoftVtx& b, float t)
{
    SSoftVtx r;
    for (int i = 0; i < kVtxCount; ++i)
        r.a[i] = a.a[i] + (b.a[i] - a.a[i]) * t;
    return r;
}

uint32_t OutCode(const SSoftVtx& v)
{
    uint32_t code = 0;
    for (int p = 0; p < kPlaneCount; ++p)
        if (PlaneDistance(p, v) < 0)
            code |= 1u << p;
    return code;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Set-up

bool ZSoftRasterizer::Begin(const SSoftPipelineState& s)
{
    m_state = &s;
    m_target = s.target;
    if (!m_target || m_target->IsLostFlag() || m_target->Kind() == PixelKind::Depth)
        return false;
    m_depth = m_target->AttachedDepth();
    if (m_depth && m_depth->IsLostFlag())
        m_depth = nullptr;
    const SSoftViewport& vp = s.viewport;
    m_clipL = std::max(0, vp.x);
    m_clipT = std::max(0, vp.y);
    m_clipR = int(std::min<int64_t>(m_target->Width(), int64_t(vp.x) + vp.width));
    m_clipB = int(std::min<int64_t>(m_target->Height(), int64_t(vp.y) + vp.height));
    if (m_clipL >= m_clipR || m_clipT >= m_clipB)
        return false;

    m_zEnable = s.Get(RS::ZEnable) != 0 && m_depth;
    m_zWrite = s.Get(RS::ZWriteEnable) != 0;
    m_zFunc = Cmp(s.Get(RS::ZFunc));
    m_zMax = m_depth ? double((uint64_t(1) << m_depth->DepthBits()) - 1) : 0.0;
    m_stencil = s.Get(RS::StencilEnable) != 0 && m_depth && m_depth->StencilBits() > 0;
    if (m_stencil)
    {
        m_stencilMax = (1u << m_depth->StencilBits()) - 1;
        m_stencilFunc = Cmp(s.Get(RS::StencilFunc));
        m_stencilRef = s.Get(RS::StencilRef);
        m_stencilMask = s.Get(RS::StencilMask);
        m_stencilWriteMask = s.Get(RS::StencilWriteMask);
        m_stencilFail = StencilOp(s.Get(RS::StencilFail));
        m_stencilZFail = StencilOp(s.Get(RS::StencilZFail));
        m_stencilPass = StencilOp(s.Get(RS::StencilPass));
    }
    m_alphaTest = s.Get(RS::AlphaTestEnable) != 0;
    m_alphaFunc = Cmp(s.Get(RS::AlphaFunc));
    m_alphaRef = int(s.Get(RS::AlphaRef) & 0xFF);
    m_blend = s.Get(RS::AlphaBlendEnable) != 0;
    m_srcBlend = Blend(s.Get(RS::SrcBlend));
    m_destBlend = Blend(s.Get(RS::DestBlend));
    m_cull = Cull(s.Get(RS::CullMode));
    m_flat = Shade(s.Get(RS::ShadeMode)) == Shade::Flat;
    m_specularAdd = s.Get(RS::SpecularEnable) != 0;
    m_fog = s.Get(RS::FogEnable) ? Fog(s.Get(RS::FogMode)) : Fog::None;
    m_fogStart = BitsFloat(s.Get(RS::FogStart));
    m_fogEnd = BitsFloat(s.Get(RS::FogEnd));
    m_fogDensity = BitsFloat(s.Get(RS::FogDensity));
    m_fogColor = ToColor8(s.Get(RS::FogColor));
    m_factor = ToColor8(s.Get(RS::TextureFactor));

    m_stageCount = 0;
    m_needDerivatives = false;
    for (int i = 0; i < kMaxStages; ++i)
    {
        Top op = Top(s.Get(i, TSS::ColorOp));
        if (op == Top::Disable)
            break;
        Stage& st = m_stages[i];
        st.colorOp = op;
        st.colorArg1 = s.Get(i, TSS::ColorArg1);
        st.colorArg2 = s.Get(i, TSS::ColorArg2);
        st.alphaOp = Top(s.Get(i, TSS::AlphaOp));
        st.alphaArg1 = s.Get(i, TSS::AlphaArg1);
        st.alphaArg2 = s.Get(i, TSS::AlphaArg2);
        st.texture = s.stages[i].texture;
        if (st.texture && (st.texture->Kind() == PixelKind::Depth || st.texture->Kind() == PixelKind::None ||
                           st.texture->IsLocked()))
            st.texture = nullptr;
        st.minFilter = Filter(s.Get(i, TSS::MinFilter));
        st.magFilter = Filter(s.Get(i, TSS::MagFilter));
        st.addressU = Address(s.Get(i, TSS::AddressU));
        st.addressV = Address(s.Get(i, TSS::AddressV));
        st.border = s.Get(i, TSS::BorderColor);
        if (st.texture && st.minFilter != st.magFilter)
            m_needDerivatives = true;
        m_stageCount = i + 1;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Clipping and projection

SSoftVtx ZSoftRasterizer::Project(const SSoftVtx& v) const
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

void ZSoftRasterizer::ClipTriangle(const SSoftVtx& v0, const SSoftVtx& v1, const SSoftVtx& v2)
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
                buf[1 - in][out++] = Lerp(a, b, da / (da - db));
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

void ZSoftRasterizer::ClipLine(const SSoftVtx& v0, const SSoftVtx& v1)
{
    SSoftVtx a = v0, b = v1;
    for (int p = 0; p < kPlaneCount; ++p)
    {
        const float da = PlaneDistance(p, a), db = PlaneDistance(p, b);
        if (da < 0 && db < 0)
            return;
        if (da < 0)
            a = Lerp(a, b, da / (da - db));
        else if (db < 0)
            b = Lerp(a, b, da / (da - db));
    }
    Line(Project(a), Project(b));
}

void ZSoftRasterizer::ClipPoint(const SSoftVtx& v)
{
    if (OutCode(v) == 0)
        Point(Project(v));
}

// ---------------------------------------------------------------------------------------------
// Triangles

void ZSoftRasterizer::Triangle(const SSoftVtx& in0, const SSoftVtx& in1, const SSoftVtx& in2)
{
    const SSoftVtx* v[3] = {&in0, &in1, &in2};
    for (const SSoftVtx* p : v)
        for (int i = 0; i < 4; ++i)
            if (!(std::fabs(p->a[i]) <= kMaxScreen))
                return;
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i)
    {
        X[i] = std::llround(double(v[i]->a[kVtxX]) * kSub);
        Y[i] = std::llround(double(v[i]->a[kVtxY]) * kSub);
    }
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0)
        return;
    // Positive area: clockwise as seen on screen (y grows downwards).
    if ((m_cull == Cull::CCW && area < 0) || (m_cull == Cull::CW && area > 0))
        return;
    const SSoftVtx* provoking = v[0];
    if (area < 0)
    {
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
        area = -area;
    }

    int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
    int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    int x0 = int(std::max<int64_t>(m_clipL, FloorDiv(minX + kSub - 1, kSub)));
    int x1 = int(std::min<int64_t>(m_clipR - 1, FloorDiv(maxX, kSub)));
    int y0 = int(std::max<int64_t>(m_clipT, FloorDiv(minY + kSub - 1, kSub)));
    int y1 = int(std::min<int64_t>(m_clipB - 1, FloorDiv(maxY, kSub)));
    if (x0 > x1 || y0 > y1)
        return;

    // Edge i runs from vertex (i + 1) to vertex (i + 2) and is zero at them; positive inside.
    int64_t edgeDx[3], edgeDy[3], bias[3];
    for (int i = 0; i < 3; ++i)
    {
        const int a = (i + 1) % 3, b = (i + 2) % 3;
        edgeDx[i] = X[b] - X[a];
        edgeDy[i] = Y[b] - Y[a];
        // Top edge (horizontal, walked rightwards) or left edge (walked upwards): samples exactly
        // on it belong to this triangle; on any other edge they belong to the neighbour.
        const bool topLeft = edgeDy[i] < 0 || (edgeDy[i] == 0 && edgeDx[i] > 0);
        bias[i] = topLeft ? 0 : -1;
    }
    auto edgeAt = [&](int i, int64_t px, int64_t py)
    {
        const int a = (i + 1) % 3;
        return edgeDx[i] * (py - Y[a]) - edgeDy[i] * (px - X[a]);
    };

    // Attribute planes: value(x, y) = c + dx * (x - x0) + dy * (y - y0) in pixels. Everything but
    // screen z and 1/w is interpolated divided by w, which makes it perspective-correct.
    const double fx0 = double(X[0]) / kSub, fy0 = double(Y[0]) / kSub;
    const double e1x = double(X[1] - X[0]) / kSub, e1y = double(Y[1] - Y[0]) / kSub;
    const double e2x = double(X[2] - X[0]) / kSub, e2y = double(Y[2] - Y[0]) / kSub;
    const double det = e1x * e2y - e2x * e1y;
    struct Plane
    {
        double c, dx, dy;
    };
    auto makePlane = [&](double f0, double f1, double f2)
    {
        const double d1 = f1 - f0, d2 = f2 - f0;
        return Plane{f0, (d1 * e2y - d2 * e1y) / det, (d2 * e1x - d1 * e2x) / det};
    };
    const double w0 = v[0]->a[kVtxW], w1 = v[1]->a[kVtxW], w2 = v[2]->a[kVtxW];
    const Plane zPlane = makePlane(v[0]->a[kVtxZ], v[1]->a[kVtxZ], v[2]->a[kVtxZ]);
    const Plane wPlane = makePlane(w0, w1, w2);
    int slots[kVtxCount];
    Plane planes[kVtxCount];
    int count = 0;
    float values[kVtxCount];
    bool colorsConstant = true;
    // A value equal at the three corners is that value everywhere: no plane needed. Sprites with
    // one colour are the common case.
    auto addSlot = [&](int slot)
    {
        const float a = v[0]->a[slot];
        if (a == v[1]->a[slot] && a == v[2]->a[slot] && slot < kVtxTex)
        {
            values[slot] = a;
            return;
        }
        if (slot >= kVtxDiffuse && slot < kVtxTex)
            colorsConstant = false;
        slots[count] = slot;
        planes[count++] = makePlane(v[0]->a[slot] * w0, v[1]->a[slot] * w1, v[2]->a[slot] * w2);
    };
    if (m_fog != Fog::None)
        addSlot(kVtxEye);
    const int colorSlots = m_flat ? 0 : 8;
    for (int i = 0; i < colorSlots; ++i)
        addSlot(kVtxDiffuse + i);
    for (int s = 0; s < m_stageCount; ++s)
        if (m_stages[s].texture)
        {
            addSlot(kVtxTex + 2 * s);
            addSlot(kVtxTex + 2 * s + 1);
        }

    Pixel px{};
    const float* constantColors = m_flat ? provoking->a : (colorsConstant ? values : nullptr);
    if (constantColors)
    {
        px.diffuse = {ToByte(constantColors[kVtxDiffuse]), ToByte(constantColors[kVtxDiffuse + 1]),
                      ToByte(constantColors[kVtxDiffuse + 2]), ToByte(constantColors[kVtxDiffuse + 3])};
        px.specular = {ToByte(constantColors[kVtxSpecular]), ToByte(constantColors[kVtxSpecular + 1]),
                       ToByte(constantColors[kVtxSpecular + 2]), ToByte(constantColors[kVtxSpecular + 3])};
    }
    const bool earlyDepth = m_zEnable && !m_stencil;

    for (int y = y0; y <= y1; ++y)
    {
        const int64_t py = int64_t(y) * kSub;
        // The covered span of this row, solved exactly from the three edge functions: each one is
        // c - d * x (x in whole pixels) and must stay at or above its bias.
        int64_t spanL = x0, spanR = x1;
        for (int i = 0; i < 3 && spanL <= spanR; ++i)
        {
            const int64_t c = edgeAt(i, 0, py) + bias[i];
            const int64_t d = edgeDy[i] * kSub;
            if (d == 0)
            {
                if (c < 0)
                    spanR = spanL - 1;
            }
            else if (d > 0)
                spanR = std::min(spanR, FloorDiv(c, d));
            else
                spanL = std::max(spanL, -FloorDiv(c, -d));
        }
        const double ry = double(y) - fy0;
        for (int x = int(spanL); x <= int(spanR); ++x)
        {
            const double rx = double(x) - fx0;
            const float z = float(zPlane.c + zPlane.dx * rx + zPlane.dy * ry);
            if (earlyDepth)
            {
                const uint32_t zq = QuantizeDepth(z, m_zMax);
                if (!Compare(m_zFunc, zq, m_depth->DepthPlane()[size_t(y) * m_depth->Width() + size_t(x)]))
                    continue;
            }
            const double wv = wPlane.c + wPlane.dx * rx + wPlane.dy * ry;
            const double q = wv != 0.0 ? 1.0 / wv : 0.0;
            for (int k = 0; k < count; ++k)
                values[slots[k]] = float((planes[k].c + planes[k].dx * rx + planes[k].dy * ry) * q);
            if (!constantColors)
            {
                px.diffuse = {ToByte(values[kVtxDiffuse]), ToByte(values[kVtxDiffuse + 1]),
                              ToByte(values[kVtxDiffuse + 2]), ToByte(values[kVtxDiffuse + 3])};
                px.specular = {ToByte(values[kVtxSpecular]), ToByte(values[kVtxSpecular + 1]),
                               ToByte(values[kVtxSpecular + 2]), ToByte(values[kVtxSpecular + 3])};
            }
            if (m_fog != Fog::None)
                px.eye = values[kVtxEye];
            for (int s = 0; s < m_stageCount; ++s)
            {
                const Stage& st = m_stages[s];
                if (!st.texture)
                    continue;
                const int su = kVtxTex + 2 * s;
                px.tex[2 * s] = values[su];
                px.tex[2 * s + 1] = values[su + 1];
                px.rho2[s] = 0.0f;
                if (m_needDerivatives && st.minFilter != st.magFilter)
                {
                    // d(u)/dx of u = U / W is (dU/dx - u dW/dx) / W.
                    int k = 0;
                    while (slots[k] != su)
                        ++k;
                    const double u = values[su], vv = values[su + 1];
                    const double tw = st.texture->Width(), th = st.texture->Height();
                    const double dudx = (planes[k].dx - u * wPlane.dx) * q * tw;
                    const double dudy = (planes[k].dy - u * wPlane.dy) * q * tw;
                    const double dvdx = (planes[k + 1].dx - vv * wPlane.dx) * q * th;
                    const double dvdy = (planes[k + 1].dy - vv * wPlane.dy) * q * th;
                    px.rho2[s] = float(std::max(dudx * dudx + dvdx * dvdx, dudy * dudy + dvdy * dvdy));
                }
            }
            ShadeAndWrite(x, y, z, px);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Lines and points

void ZSoftRasterizer::Line(const SSoftVtx& a, const SSoftVtx& b)
{
    for (const SSoftVtx* p : {&a, &b})
        for (int i = 0; i < 4; ++i)
            if (!(std::fabs(p->a[i]) <= kMaxScreen))
                return;
    const float dx = b.a[kVtxX] - a.a[kVtxX], dy = b.a[kVtxY] - a.a[kVtxY];
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const float len = xMajor ? dx : dy;
    if (len == 0.0f)
        return;
    // Pixels whose centre the major coordinate passes, the last one left to the next segment.
    const float start = xMajor ? a.a[kVtxX] : a.a[kVtxY];
    const float end = xMajor ? b.a[kVtxX] : b.a[kVtxY];
    int from = int(std::floor(std::min(start, end) + 0.5f));
    int to = int(std::floor(std::max(start, end) + 0.5f));
    if (len > 0)
        --to;
    else
        ++from;
    from = std::max(from, xMajor ? m_clipL : m_clipT);
    to = std::min(to, (xMajor ? m_clipR : m_clipB) - 1);
    Pixel px{};
    for (int m = from; m <= to; ++m)
    {
        const float t = (float(m) - start) / len;
        const float minor = xMajor ? a.a[kVtxY] + dy * t : a.a[kVtxX] + dx * t;
        const int n = int(std::floor(minor + 0.5f));
        const int x = xMajor ? m : n, y = xMajor ? n : m;
        if (x < m_clipL || x >= m_clipR || y < m_clipT || y >= m_clipB)
            continue;
        // Perspective-correct weight of b along the segment.
        const float wa = a.a[kVtxW] * (1 - t), wb = b.a[kVtxW] * t;
        const float tb = (wa + wb) != 0 ? wb / (wa + wb) : t;
        SSoftVtx v = Lerp(a, b, tb);
        px.diffuse = {ToByte(v.a[kVtxDiffuse]), ToByte(v.a[kVtxDiffuse + 1]), ToByte(v.a[kVtxDiffuse + 2]),
                      ToByte(v.a[kVtxDiffuse + 3])};
        px.specular = {ToByte(v.a[kVtxSpecular]), ToByte(v.a[kVtxSpecular + 1]),
                       ToByte(v.a[kVtxSpecular + 2]), ToByte(v.a[kVtxSpecular + 3])};
        px.eye = v.a[kVtxEye];
        for (int s = 0; s < kMaxStages; ++s)
        {
            px.tex[2 * s] = v.a[kVtxTex + 2 * s];
            px.tex[2 * s + 1] = v.a[kVtxTex + 2 * s + 1];
            px.rho2[s] = 0;
        }
        ShadeAndWrite(x, y, a.a[kVtxZ] + (b.a[kVtxZ] - a.a[kVtxZ]) * t, px);
    }
}

void ZSoftRasterizer::Point(const SSoftVtx& v)
{
    for (int i = 0; i < 4; ++i)
        if (!(std::fabs(v.a[i]) <= kMaxScreen))
            return;
    const int x = int(std::floor(v.a[kVtxX] + 0.5f)), y = int(std::floor(v.a[kVtxY] + 0.5f));
    if (x < m_clipL || x >= m_clipR || y < m_clipT || y >= m_clipB)
        return;
    Pixel px{};
    px.diffuse = {ToByte(v.a[kVtxDiffuse]), ToByte(v.a[kVtxDiffuse + 1]), ToByte(v.a[kVtxDiffuse + 2]),
                  ToByte(v.a[kVtxDiffuse + 3])};
    px.specular = {ToByte(v.a[kVtxSpecular]), ToByte(v.a[kVtxSpecular + 1]), ToByte(v.a[kVtxSpecular + 2]),
                   ToByte(v.a[kVtxSpecular + 3])};
    px.eye = v.a[kVtxEye];
    for (int s = 0; s < kMaxStages; ++s)
    {
        px.tex[2 * s] = v.a[kVtxTex + 2 * s];
        px.tex[2 * s + 1] = v.a[kVtxTex + 2 * s + 1];
    }
    ShadeAndWrite(x, y, v.a[kVtxZ], px);
}

// ---------------------------------------------------------------------------------------------
// Texturing and the combiner

Color8 ZSoftRasterizer::Sample(const ZSoftSurface* t, float u, float v, Filter filter, Address addressU,
                               Address addressV, uint32_t border)
{
    if (!t)
        return {255, 255, 255, 255};
    const int w = int(t->Width()), h = int(t->Height());
    const double tu = TexelCoord(u, t->Width()), tv = TexelCoord(v, t->Height());
    if (filter != Filter::Linear)
    {
        const int x = AddressIndex(FastFloor(tu), w, addressU);
        const int y = AddressIndex(FastFloor(tv), h, addressV);
        return ToColor8(x < 0 || y < 0 ? border : Texel(t, x, y));
    }
    // Texel centres lie half a texel in; weights are kept in 1/256 steps.
    const int64_t fu = FastFloor((tu - 0.5) * 256.0);
    const int64_t fv = FastFloor((tv - 0.5) * 256.0);
    const int64_t iu = FloorDiv(fu, 256), iv = FloorDiv(fv, 256);
    const int wx = int(fu - iu * 256), wy = int(fv - iv * 256);
    const int xa = AddressIndex(iu, w, addressU), xb = AddressIndex(iu + 1, w, addressU);
    const int ya = AddressIndex(iv, h, addressV), yb = AddressIndex(iv + 1, h, addressV);
    auto fetch = [&](int x, int y) { return ToColor8(x < 0 || y < 0 ? border : Texel(t, x, y)); };
    const Color8 c00 = fetch(xa, ya), c10 = fetch(xb, ya), c01 = fetch(xa, yb), c11 = fetch(xb, yb);
    const int k00 = (256 - wx) * (256 - wy), k10 = wx * (256 - wy), k01 = (256 - wx) * wy, k11 = wx * wy;
    auto mix = [&](int a, int b, int c, int d)
    { return (a * k00 + b * k10 + c * k01 + d * k11 + 32768) >> 16; };
    return {mix(c00.r, c10.r, c01.r, c11.r), mix(c00.g, c10.g, c01.g, c11.g), mix(c00.b, c10.b, c01.b, c11.b),
            mix(c00.a, c10.a, c01.a, c11.a)};
}

int ZSoftRasterizer::Combine(Top op, int a1, int a2, int diffuseA, int textureA, int factorA, int currentA)
{
    auto lerp = [](int a, int b, int f) { return (a * f + b * (255 - f) + 127) / 255; };
    switch (op)
    {
    case Top::SelectArg1:
        return a1;
    case Top::SelectArg2:
        return a2;
    case Top::Modulate:
        return Mul8(a1, a2);
    case Top::Modulate2x:
        return Clamp255(2 * Mul8(a1, a2));
    case Top::Modulate4x:
        return Clamp255(4 * Mul8(a1, a2));
    case Top::Add:
        return Clamp255(a1 + a2);
    case Top::AddSigned:
        return Clamp255(a1 + a2 - 128);
    case Top::AddSigned2x:
        return Clamp255(2 * (a1 + a2 - 128));
    case Top::Subtract:
        return Clamp255(a1 - a2);
    case Top::AddSmooth:
        return Clamp255(a1 + a2 - Mul8(a1, a2));
    case Top::BlendDiffuseAlpha:
        return lerp(a1, a2, diffuseA);
    case Top::BlendTextureAlpha:
        return lerp(a1, a2, textureA);
    case Top::BlendFactorAlpha:
        return lerp(a1, a2, factorA);
    case Top::BlendCurrentAlpha:
        return lerp(a1, a2, currentA);
    case Top::BlendTextureAlphaPM:
        return Clamp255(a1 + Mul8(a2, 255 - textureA));
    default:
        return a1;
    }
}

// ---------------------------------------------------------------------------------------------
// Per pixel

bool ZSoftRasterizer::DepthStencil(int x, int y, float z, bool& writeDepth)
{
    writeDepth = false;
    if (!m_zEnable && !m_stencil)
        return true;
    const size_t index = size_t(y) * m_depth->Width() + size_t(x);
    uint8_t* stencil = m_depth->StencilPlane() + index;
    if (m_stencil)
    {
        const uint32_t stored = *stencil & m_stencilMask, ref = m_stencilRef & m_stencilMask;
        if (!Compare(m_stencilFunc, ref, stored))
        {
            ApplyStencilOp(m_stencilFail, *stencil, m_stencilRef, m_stencilWriteMask, m_stencilMax);
            return false;
        }
    }
    if (m_zEnable)
    {
        const uint32_t zq = QuantizeDepth(z, m_zMax);
        uint32_t& stored = m_depth->DepthPlane()[index];
        if (!Compare(m_zFunc, zq, stored))
        {
            if (m_stencil)
                ApplyStencilOp(m_stencilZFail, *stencil, m_stencilRef, m_stencilWriteMask, m_stencilMax);
            return false;
        }
        if (m_zWrite)
            stored = zq;
    }
    if (m_stencil)
        ApplyStencilOp(m_stencilPass, *stencil, m_stencilRef, m_stencilWriteMask, m_stencilMax);
    return true;
}

void ZSoftRasterizer::ShadeAndWrite(int x, int y, float z, Pixel& p)
{
    // Texture stages: current starts as the diffuse colour.
    Color8 current = p.diffuse;
    for (int s = 0; s < m_stageCount; ++s)
    {
        const Stage& st = m_stages[s];
        Color8 tex{255, 255, 255, 255};
        if (st.texture)
        {
            const Filter f = p.rho2[s] > 1.0f ? st.minFilter : st.magFilter;
            tex = Sample(st.texture, p.tex[2 * s], p.tex[2 * s + 1], f, st.addressU, st.addressV, st.border);
        }
        const Color8 c1 = Argument(st.colorArg1, p.diffuse, current, tex, m_factor, p.specular);
        const Color8 c2 = Argument(st.colorArg2, p.diffuse, current, tex, m_factor, p.specular);
        Color8 next = current;
        // The operations the renderer uses most, with one dispatch for the three channels.
        switch (st.colorOp)
        {
        case Top::SelectArg1:
            next = {c1.r, c1.g, c1.b, current.a};
            break;
        case Top::SelectArg2:
            next = {c2.r, c2.g, c2.b, current.a};
            break;
        case Top::Modulate:
            next = {Mul8(c1.r, c2.r), Mul8(c1.g, c2.g), Mul8(c1.b, c2.b), current.a};
            break;
        case Top::Add:
            next = {Clamp255(c1.r + c2.r), Clamp255(c1.g + c2.g), Clamp255(c1.b + c2.b), current.a};
            break;
        default:
            next.r = Combine(st.colorOp, c1.r, c2.r, p.diffuse.a, tex.a, m_factor.a, current.a);
            next.g = Combine(st.colorOp, c1.g, c2.g, p.diffuse.a, tex.a, m_factor.a, current.a);
            next.b = Combine(st.colorOp, c1.b, c2.b, p.diffuse.a, tex.a, m_factor.a, current.a);
            break;
        }
        if (st.alphaOp != Top::Disable)
        {
            const Color8 a1 = Argument(st.alphaArg1, p.diffuse, current, tex, m_factor, p.specular);
            const Color8 a2 = Argument(st.alphaArg2, p.diffuse, current, tex, m_factor, p.specular);
            next.a = Combine(st.alphaOp, a1.a, a2.a, p.diffuse.a, tex.a, m_factor.a, current.a);
        }
        current = next;
    }
    if (m_specularAdd)
    {
        current.r = Clamp255(current.r + p.specular.r);
        current.g = Clamp255(current.g + p.specular.g);
        current.b = Clamp255(current.b + p.specular.b);
    }
    if (m_fog != Fog::None)
    {
        const float d = p.eye;
        float f = 1.0f;
        switch (m_fog)
        {
        case Fog::Linear:
            f = m_fogEnd != m_fogStart ? (m_fogEnd - d) / (m_fogEnd - m_fogStart) : 1.0f;
            break;
        case Fog::Exp:
            f = std::exp(-m_fogDensity * d);
            break;
        case Fog::Exp2:
            f = std::exp(-(m_fogDensity * d) * (m_fogDensity * d));
            break;
        default:
            break;
        }
        const int k = ToByte(std::clamp(f, 0.0f, 1.0f) * 255.0f);
        current.r = (current.r * k + m_fogColor.r * (255 - k) + 127) / 255;
        current.g = (current.g * k + m_fogColor.g * (255 - k) + 127) / 255;
        current.b = (current.b * k + m_fogColor.b * (255 - k) + 127) / 255;
    }
    if (m_alphaTest && !Compare(m_alphaFunc, uint32_t(current.a), uint32_t(m_alphaRef)))
        return;
    bool writeDepth;
    if ((m_zEnable || m_stencil) && !DepthStencil(x, y, z, writeDepth))
        return;

    uint8_t* dst = m_target->Row(y) + size_t(x) * BytesPerPixel(m_target->Kind());
    if (m_blend)
    {
        const Color8 d = ToColor8(DecodeARGB(m_target->Kind(), dst));
        auto mix = [&](int s, int dc, bool alpha)
        {
            const int fs = BlendFactor(m_srcBlend, s, current.a, dc, d.a, alpha);
            const int fd = BlendFactor(m_destBlend, s, current.a, dc, d.a, alpha);
            return std::min(255, (s * fs + dc * fd + 127) / 255);
        };
        // Factors that read the source colour use the channel of the same name.
        auto mixChannel = [&](int s, int dc)
        {
            const int fs = BlendFactor(m_srcBlend, s, current.a, dc, d.a, false);
            const int fd = BlendFactor(m_destBlend, s, current.a, dc, d.a, false);
            return std::min(255, (s * fs + dc * fd + 127) / 255);
        };
        current = {mixChannel(current.r, d.r), mixChannel(current.g, d.g), mixChannel(current.b, d.b),
                   mix(current.a, d.a, true)};
    }
    const uint32_t out = ToARGB(current);
    if (m_target->Kind() == PixelKind::ARGB8888 || m_target->Kind() == PixelKind::XRGB8888)
    {
        dst[0] = uint8_t(out);
        dst[1] = uint8_t(out >> 8);
        dst[2] = uint8_t(out >> 16);
        dst[3] = m_target->Kind() == PixelKind::ARGB8888 ? uint8_t(out >> 24) : 0;
    }
    else
        EncodeARGB(m_target->Kind(), out, dst);
}
