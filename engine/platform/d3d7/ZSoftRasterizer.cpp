#include "engine/platform/d3d7/ZSoftRasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// What sampling reads of a texture, in locals: loops that write pixels through byte pointers
// would otherwise read it from the surface again after every write.
struct TexView
{
    const uint8_t* pixels;
    size_t pitch;
    uint32_t width, height;
    PixelKind kind;
    uint32_t bytes;
};

inline TexView ViewOf(const ZSoftSurface* t)
{
    return {t->Row(0), size_t(t->Pitch()), t->Width(), t->Height(), t->Kind(), BytesPerPixel(t->Kind())};
}

inline uint32_t Texel(const TexView& t, int x, int y)
{
    const uint8_t* p = t.pixels + size_t(y) * t.pitch + size_t(x) * t.bytes;
    if (t.kind == PixelKind::ARGB8888)
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    return DecodeARGB(t.kind, p);
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

} // namespace

// ---------------------------------------------------------------------------------------------
// Set-up

bool ZSoftRasterizer::MakeSetup(const SSoftPipelineState& state, SSoftRasterSetup& out)
{
    ZSoftRasterizer r;
    // Every byte defined, padding and unused stages included: setups are compared byte by byte.
    std::memset(static_cast<void*>(static_cast<SSoftRasterSetup*>(&r)), 0, sizeof(SSoftRasterSetup));
    if (!r.Setup(state))
        return false;
    std::memcpy(static_cast<void*>(&out), static_cast<const SSoftRasterSetup*>(&r), sizeof out);
    return true;
}

bool ZSoftRasterizer::Load(const SSoftRasterSetup& setup, int top, int bottom)
{
    static_cast<SSoftRasterSetup&>(*this) = setup;
    m_clipT = std::max(m_clipT, top);
    m_clipB = std::min(m_clipB, bottom);
    m_spriteKernel = SpriteKernelApplies();
    return m_clipT < m_clipB;
}

bool ZSoftRasterizer::Setup(const SSoftPipelineState& s)
{
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

    // Without perspective (1/w the same at every corner), colour change, fog or a choice between
    // two filters, every pixel is the same few sums: the span loop draws such triangles.
    const bool flat = m_spanLoop && wPlane.dx == 0.0 && wPlane.dy == 0.0 && constantColors &&
                      m_fog == Fog::None && !m_needDerivatives;
    FlatSpan span;
    if (flat)
    {
        span.fx0 = fx0;
        span.fy0 = fy0;
        span.q = wPlane.c != 0.0 ? 1.0 / wPlane.c : 0.0;
        span.z = zPlane;
        for (int k = 0; k < count; ++k)
            if (slots[k] >= kVtxTex)
                span.tex[slots[k] - kVtxTex] = planes[k];
        span.diffuse = px.diffuse;
        span.specular = px.specular;
    }

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
        if (flat)
        {
            if (spanL <= spanR)
                FlatRow(span, y, int(spanL), int(spanR));
            continue;
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
        SSoftVtx v = LerpVtx(a, b, tb);
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

namespace
{
// The bilinear weighting of four texels (ARGB words) with weights in 1/256 steps.
inline Color8 MixBilinear(uint32_t c00, uint32_t c10, uint32_t c01, uint32_t c11, int wx, int wy)
{
    const uint64_t k00 = uint64_t((256 - wx) * (256 - wy)), k10 = uint64_t(wx * (256 - wy)),
                   k01 = uint64_t((256 - wx) * wy), k11 = uint64_t(wx * wy);
    // Two channels weighted at once, 32 bits apart: each weighted sum stays below 2^25, so the
    // lanes never spill into each other and every channel comes out as (sum + 32768) >> 16.
    auto red = [](uint32_t c) { return (uint64_t((c >> 16) & 0xFF) << 32) | (c & 0xFF); };
    auto green = [](uint32_t c) { return (uint64_t(c >> 24) << 32) | ((c >> 8) & 0xFF); };
    constexpr uint64_t kRound = (uint64_t(32768) << 32) | 32768;
    const uint64_t rb = red(c00) * k00 + red(c10) * k10 + red(c01) * k01 + red(c11) * k11 + kRound;
    const uint64_t ga = green(c00) * k00 + green(c10) * k10 + green(c01) * k01 + green(c11) * k11 + kRound;
    return {int(rb >> 48), int((ga & 0xFFFFFFFFu) >> 16), int((rb & 0xFFFFFFFFu) >> 16), int(ga >> 48)};
}

inline Color8 SampleView(const TexView& t, float u, float v, Filter filter, Address addressU, Address addressV,
                         uint32_t border)
{
    const int w = int(t.width), h = int(t.height);
    const double tu = TexelCoord(u, t.width), tv = TexelCoord(v, t.height);
    if (filter != Filter::Linear)
    {
        const int x = AddressIndex(FastFloor(tu), w, addressU);
        const int y = AddressIndex(FastFloor(tv), h, addressV);
        return ToColor8(x < 0 || y < 0 ? border : Texel(t, x, y));
    }
    // Texel centres lie half a texel in; weights are kept in 1/256 steps.
    const int64_t fu = FastFloor((tu - 0.5) * 256.0);
    const int64_t fv = FastFloor((tv - 0.5) * 256.0);
    // Whole texels and 1/256 weights: the floor of a division by 256 and its remainder.
    const int64_t iu = fu >> 8, iv = fv >> 8;
    const int wx = int(fu & 255), wy = int(fv & 255);
    const int xa = AddressIndex(iu, w, addressU), xb = AddressIndex(iu + 1, w, addressU);
    const int ya = AddressIndex(iv, h, addressV), yb = AddressIndex(iv + 1, h, addressV);
    auto fetch = [&](int x, int y) { return x < 0 || y < 0 ? border : Texel(t, x, y); };
    return MixBilinear(fetch(xa, ya), fetch(xb, ya), fetch(xa, yb), fetch(xb, yb), wx, wy);
}

// Sampling along a row of pixels that all have the same v (a sprite that is not turned): what
// depends on v is worked out once, the rest as SampleView does it, with the same arithmetic.
class RowSampler
{
public:
    RowSampler(const TexView& t, float v, Filter filter, Address addressU, Address addressV, uint32_t border)
        : m_t(t), m_addressU(addressU), m_border(border), m_linear(filter == Filter::Linear)
    {
        const int h = int(t.height);
        const double tv = TexelCoord(v, t.height);
        auto row = [&](int y) { return y < 0 ? nullptr : t.pixels + size_t(y) * t.pitch; };
        if (!m_linear)
        {
            m_rowA = row(AddressIndex(FastFloor(tv), h, addressV));
            return;
        }
        const int64_t fv = FastFloor((tv - 0.5) * 256.0);
        const int64_t iv = fv >> 8;
        m_wy = int(fv & 255);
        m_rowA = row(AddressIndex(iv, h, addressV));
        m_rowB = row(AddressIndex(iv + 1, h, addressV));
    }

    Color8 At(float u) const
    {
        const int w = int(m_t.width);
        const double tu = TexelCoord(u, m_t.width);
        if (!m_linear)
            return ToColor8(Fetch(m_rowA, AddressIndex(FastFloor(tu), w, m_addressU)));
        const int64_t fu = FastFloor((tu - 0.5) * 256.0);
        const int64_t iu = fu >> 8;
        const int wx = int(fu & 255);
        const int xa = AddressIndex(iu, w, m_addressU), xb = AddressIndex(iu + 1, w, m_addressU);
        return MixBilinear(Fetch(m_rowA, xa), Fetch(m_rowA, xb), Fetch(m_rowB, xa), Fetch(m_rowB, xb), wx, m_wy);
    }

private:
    uint32_t Fetch(const uint8_t* row, int x) const
    {
        if (!row || x < 0)
            return m_border;
        const uint8_t* p = row + size_t(x) * m_t.bytes;
        if (m_t.kind == PixelKind::ARGB8888)
            return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
        return DecodeARGB(m_t.kind, p);
    }

    const TexView& m_t;
    Address m_addressU;
    uint32_t m_border;
    bool m_linear;
    const uint8_t* m_rowA = nullptr;
    const uint8_t* m_rowB = nullptr;
    int m_wy = 0;
};

inline Color8 SampleTexture(const ZSoftSurface* t, float u, float v, Filter filter, Address addressU,
                            Address addressV, uint32_t border)
{
    if (!t)
        return {255, 255, 255, 255};
    return SampleView(ViewOf(t), u, v, filter, addressU, addressV, border);
}
} // namespace

Color8 ZSoftRasterizer::Sample(const ZSoftSurface* t, float u, float v, Filter filter, Address addressU,
                               Address addressV, uint32_t border)
{
    return SampleTexture(t, u, v, filter, addressU, addressV, border);
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
    Color8 textures[kMaxStages];
    for (int s = 0; s < m_stageCount; ++s)
    {
        const Stage& st = m_stages[s];
        if (st.texture)
        {
            const Filter f = p.rho2[s] > 1.0f ? st.minFilter : st.magFilter;
            textures[s] =
                SampleTexture(st.texture, p.tex[2 * s], p.tex[2 * s + 1], f, st.addressU, st.addressV, st.border);
        }
        else
            textures[s] = {255, 255, 255, 255};
    }
    Color8 current;
    if (!ShadePixel(p, textures, current))
        return;
    bool writeDepth;
    if ((m_zEnable || m_stencil) && !DepthStencil(x, y, z, writeDepth))
        return;
    Write(x, y, current);
}

bool ZSoftRasterizer::ShadePixel(const Pixel& p, const Color8* textures, Color8& out) const
{
    // Texture stages: current starts as the diffuse colour.
    Color8 current = p.diffuse;
    for (int s = 0; s < m_stageCount; ++s)
    {
        const Stage& st = m_stages[s];
        const Color8& tex = textures[s];
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
        return false;
    out = current;
    return true;
}

void ZSoftRasterizer::Write(int x, int y, const Color8& colour)
{
    Color8 current = colour;
    uint8_t* dst = m_target->Row(y) + size_t(x) * BytesPerPixel(m_target->Kind());
    if (m_blend)
    {
        const PixelKind kind = m_target->Kind();
        const Color8 d = kind == PixelKind::XRGB8888   ? Color8{dst[2], dst[1], dst[0], 255}
                         : kind == PixelKind::ARGB8888 ? Color8{dst[2], dst[1], dst[0], dst[3]}
                                                       : ToColor8(DecodeARGB(kind, dst));
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

// ---------------------------------------------------------------------------------------------
// The span loop

bool ZSoftRasterizer::SpriteKernelApplies() const
{
    if (m_stageCount != 1 || m_zEnable || m_stencil || m_fog != Fog::None)
        return false;
    const PixelKind target = m_target->Kind();
    if (target != PixelKind::ARGB8888 && target != PixelKind::XRGB8888)
        return false;
    const Stage& st = m_stages[0];
    if (!st.texture || st.texture->Kind() != PixelKind::ARGB8888 || st.minFilter != st.magFilter)
        return false;
    auto plainArg = [](uint32_t arg)
    {
        const uint32_t select = arg & kTaSelectMask;
        return (arg & ~kTaSelectMask) == 0 && (select == kTaDiffuse || select == kTaCurrent ||
                                                select == kTaTexture || select == kTaTFactor ||
                                                select == kTaSpecular);
    };
    auto plainOp = [](Top op) { return op == Top::SelectArg1 || op == Top::SelectArg2 || op == Top::Modulate; };
    return plainOp(st.colorOp) && (st.alphaOp == Top::Disable || plainOp(st.alphaOp)) &&
           plainArg(st.colorArg1) && plainArg(st.colorArg2) && plainArg(st.alphaArg1) && plainArg(st.alphaArg2);
}

template <bool Linear, ZSoftRasterizer::SpriteBlend Mode>
void ZSoftRasterizer::SpriteRow(const FlatSpan& span, int y, int xl, int xr)
{
    // The general loop's arithmetic, step by step, with the state's choices taken out of the
    // loop: an argument is the texture's colour or one that is the same for the whole triangle
    // (stage 0's current colour is the diffuse colour).
    const Stage& st = m_stages[0];
    auto constant = [&](uint32_t arg)
    {
        switch (arg & kTaSelectMask)
        {
        case kTaTFactor:
            return m_factor;
        case kTaSpecular:
            return span.specular;
        default:
            return span.diffuse;
        }
    };
    const bool c1Tex = (st.colorArg1 & kTaSelectMask) == kTaTexture;
    const bool c2Tex = (st.colorArg2 & kTaSelectMask) == kTaTexture;
    const bool a1Tex = (st.alphaArg1 & kTaSelectMask) == kTaTexture;
    const bool a2Tex = (st.alphaArg2 & kTaSelectMask) == kTaTexture;
    const Color8 c1k = constant(st.colorArg1), c2k = constant(st.colorArg2);
    const int a1k = constant(st.alphaArg1).a, a2k = constant(st.alphaArg2).a;
    const Top colorOp = st.colorOp, alphaOp = st.alphaOp;
    const bool xrgb = m_target->Kind() == PixelKind::XRGB8888;
    const Filter filter = Linear ? Filter::Linear : Filter::Point;
    const TexView texture = ViewOf(st.texture);
    const Address addressU = st.addressU, addressV = st.addressV;
    const uint32_t border = st.border;
    const Color8 diffuse = span.diffuse, specular = span.specular;
    const bool specularAdd = m_specularAdd, alphaTest = m_alphaTest;
    const Cmp alphaFunc = m_alphaFunc;
    const uint32_t alphaRef = uint32_t(m_alphaRef);
    const double fx0 = span.fx0, q = span.q;
    const Plane pu = span.tex[0], pv = span.tex[1];
    const double ry = double(y) - span.fy0;
    // With v the same all along the row (pv.dx is 0, so pv.dx * rx adds nothing), its part of the
    // sampling is done once for the row.
    const bool rowV = pv.dx == 0.0;
    const RowSampler row(texture, float((pv.c + pv.dx * (double(xl) - fx0) + pv.dy * ry) * q), filter, addressU,
                         addressV, border);
    uint8_t* dst = m_target->Row(y) + size_t(xl) * 4;
    for (int x = xl; x <= xr; ++x, dst += 4)
    {
        const double rx = double(x) - fx0;
        const float u = float((pu.c + pu.dx * rx + pu.dy * ry) * q);
        Color8 tex;
        if (rowV)
            tex = row.At(u);
        else
            tex = SampleView(texture, u, float((pv.c + pv.dx * rx + pv.dy * ry) * q), filter, addressU, addressV,
                             border);
        const Color8& c1 = c1Tex ? tex : c1k;
        const Color8& c2 = c2Tex ? tex : c2k;
        Color8 c;
        if (colorOp == Top::SelectArg1)
            c = {c1.r, c1.g, c1.b, diffuse.a};
        else if (colorOp == Top::SelectArg2)
            c = {c2.r, c2.g, c2.b, diffuse.a};
        else
            c = {Mul8(c1.r, c2.r), Mul8(c1.g, c2.g), Mul8(c1.b, c2.b), diffuse.a};
        if (alphaOp != Top::Disable)
        {
            const int a1 = a1Tex ? tex.a : a1k, a2 = a2Tex ? tex.a : a2k;
            c.a = alphaOp == Top::SelectArg1 ? a1 : (alphaOp == Top::SelectArg2 ? a2 : Mul8(a1, a2));
        }
        if (specularAdd)
        {
            c.r = Clamp255(c.r + specular.r);
            c.g = Clamp255(c.g + specular.g);
            c.b = Clamp255(c.b + specular.b);
        }
        if (alphaTest && !Compare(alphaFunc, uint32_t(c.a), alphaRef))
            continue;
        // No alpha leaves the destination as it is, exactly as the sums below would, since
        // (255 d + 127) / 255 is d; whole alpha over it gives the source, (255 s + 127) / 255.
        if constexpr (Mode == SpriteBlend::Over || Mode == SpriteBlend::Add)
        {
            if (c.a == 0)
            {
                if (xrgb)
                    dst[3] = 0;
                continue;
            }
        }
        if constexpr (Mode == SpriteBlend::Over)
        {
            if (c.a == 255)
            {
                dst[0] = uint8_t(c.b);
                dst[1] = uint8_t(c.g);
                dst[2] = uint8_t(c.r);
                dst[3] = xrgb ? 0 : 255;
                continue;
            }
        }
        if constexpr (Mode == SpriteBlend::Over || Mode == SpriteBlend::Add)
        {
            const int da = xrgb ? 255 : dst[3];
            const int fd = Mode == SpriteBlend::Over ? 255 - c.a : 255;
            auto mix = [&](int s, int d) { return std::min(255, (s * c.a + d * fd + 127) / 255); };
            c = {mix(c.r, dst[2]), mix(c.g, dst[1]), mix(c.b, dst[0]), mix(c.a, da)};
        }
        else if constexpr (Mode == SpriteBlend::Other)
        {
            Write(x, y, c);
            continue;
        }
        dst[0] = uint8_t(c.b);
        dst[1] = uint8_t(c.g);
        dst[2] = uint8_t(c.r);
        dst[3] = xrgb ? 0 : uint8_t(c.a);
    }
}

void ZSoftRasterizer::FlatRow(const FlatSpan& span, int y, int xl, int xr)
{
    if (m_spriteKernel)
    {
        const bool linear = m_stages[0].magFilter == Filter::Linear;
        SpriteBlend mode = SpriteBlend::Other;
        if (!m_blend)
            mode = SpriteBlend::None;
        else if (m_srcBlend == Blend::SrcAlpha && m_destBlend == Blend::InvSrcAlpha)
            mode = SpriteBlend::Over;
        else if (m_srcBlend == Blend::SrcAlpha && m_destBlend == Blend::One)
            mode = SpriteBlend::Add;
        switch (mode)
        {
        case SpriteBlend::None:
            return linear ? SpriteRow<true, SpriteBlend::None>(span, y, xl, xr)
                          : SpriteRow<false, SpriteBlend::None>(span, y, xl, xr);
        case SpriteBlend::Over:
            return linear ? SpriteRow<true, SpriteBlend::Over>(span, y, xl, xr)
                          : SpriteRow<false, SpriteBlend::Over>(span, y, xl, xr);
        case SpriteBlend::Add:
            return linear ? SpriteRow<true, SpriteBlend::Add>(span, y, xl, xr)
                          : SpriteRow<false, SpriteBlend::Add>(span, y, xl, xr);
        default:
            return linear ? SpriteRow<true, SpriteBlend::Other>(span, y, xl, xr)
                          : SpriteRow<false, SpriteBlend::Other>(span, y, xl, xr);
        }
    }
    // The same sums as the general loop, in the same order, so that every pixel comes out the
    // same: only what cannot change along the row is left out.
    const double ry = double(y) - span.fy0;
    const bool earlyDepth = m_zEnable && !m_stencil;
    const bool depthStencil = m_zEnable || m_stencil;
    Pixel px;
    px.diffuse = span.diffuse;
    px.specular = span.specular;
    px.eye = 0.0f;
    Color8 textures[kMaxStages];
    for (int s = 0; s < m_stageCount; ++s)
        textures[s] = {255, 255, 255, 255};
    for (int x = xl; x <= xr; ++x)
    {
        const double rx = double(x) - span.fx0;
        const float z = float(span.z.c + span.z.dx * rx + span.z.dy * ry);
        if (earlyDepth)
        {
            const uint32_t zq = QuantizeDepth(z, m_zMax);
            if (!Compare(m_zFunc, zq, m_depth->DepthPlane()[size_t(y) * m_depth->Width() + size_t(x)]))
                continue;
        }
        for (int s = 0; s < m_stageCount; ++s)
        {
            const Stage& st = m_stages[s];
            if (!st.texture)
                continue;
            const Plane& pu = span.tex[2 * s];
            const Plane& pv = span.tex[2 * s + 1];
            const float u = float((pu.c + pu.dx * rx + pu.dy * ry) * span.q);
            const float v = float((pv.c + pv.dx * rx + pv.dy * ry) * span.q);
            textures[s] = SampleTexture(st.texture, u, v, st.magFilter, st.addressU, st.addressV, st.border);
        }
        Color8 current;
        if (!ShadePixel(px, textures, current))
            continue;
        bool writeDepth;
        if (depthStencil && !DepthStencil(x, y, z, writeDepth))
            continue;
        Write(x, y, current);
    }
}
