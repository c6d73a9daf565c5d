#pragma once
// The software rasteriser behind ZSoftD3DDevice: clipping, the top-left fill rule on integer pixel
// centres, perspective-correct interpolation, texture sampling, the texture-stage combiner, fog,
// alpha test, stencil and depth, blending, and the write into the render target.
//
// Drawing is recorded first (ZSoftDrawQueue: the device's state condensed once per run of
// primitives, clipped and projected vertices, clears) and carried out when anything looks at the
// pixels. The recorded work is carried out in horizontal bands, each band on its own thread when
// the display object was given a parallel runner. A pixel belongs to exactly one band and every
// band replays the whole record in order, so the picture does not depend on the number of bands.
// Files: ZSoftRasterizer.cpp (pixels, with the span loop of flat screen-space triangles) and
// ZSoftRasterizerQueue.cpp (recording, clipping and the bands).
//
// Determinism: vertex positions are snapped to 1/256 pixel and coverage is decided with exact
// integer edge functions; colours are 8-bit integers between stages, with products rounded the
// same way everywhere (a * b / 255, to nearest).
#include "engine/platform/d3d7/ZSoftDirect3D.h"

#include <vector>

namespace soft7
{
// Slots of a processed vertex.
constexpr int kVtxX = 0; // clip x, or screen x after projection
constexpr int kVtxY = 1;
constexpr int kVtxZ = 2;
constexpr int kVtxW = 3;        // clip w, or 1/w after projection
constexpr int kVtxEye = 4;      // distance along the view axis, for fog
constexpr int kVtxDiffuse = 5;  // r, g, b, a in 0..255
constexpr int kVtxSpecular = 9; // r, g, b, a in 0..255
constexpr int kVtxTex = 13;     // u, v of stage 0..7
constexpr int kVtxCount = kVtxTex + 2 * kMaxStages;

// Integer colour, channels 0..255.
struct Color8
{
    int r = 0;
    int g = 0;
    int b = 0;
    int a = 0;
};
Color8 ToColor8(uint32_t argb);
uint32_t ToARGB(const Color8& c);
// a * b / 255, rounded to nearest, for a and b in 0..255.
// Depth in 0..1 to integer steps 0..max, rounded to nearest; anything not a number gives 0.
inline uint32_t QuantizeDepth(double z, double max)
{
    if (!(z > 0.0))
        return 0;
    if (z >= 1.0)
        return uint32_t(max);
    return uint32_t(z * max + 0.5);
}
inline int Mul8(int a, int b)
{
    int t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}
} // namespace soft7

struct SSoftVtx
{
    float a[soft7::kVtxCount] = {};
};

namespace plat
{
class IParallelRunner;
}

inline SSoftVtx LerpVtx(const SSoftVtx& a, const SSoftVtx& b, float t)
{
    SSoftVtx r;
    for (int i = 0; i < soft7::kVtxCount; ++i)
        r.a[i] = a.a[i] + (b.a[i] - a.a[i]) * t;
    return r;
}

// What the rasteriser takes from the device's state for a run of primitives.
struct SSoftRasterSetup
{
    struct Stage
    {
        soft7::Top colorOp;
        uint32_t colorArg1, colorArg2;
        soft7::Top alphaOp;
        uint32_t alphaArg1, alphaArg2;
        const ZSoftSurface* texture;
        soft7::Filter minFilter, magFilter;
        soft7::Address addressU, addressV;
        uint32_t border;
    };

    ZSoftSurface* m_target = nullptr;
    ZSoftSurface* m_depth = nullptr;
    int m_clipL = 0, m_clipT = 0, m_clipR = 0, m_clipB = 0;
    bool m_zEnable = false, m_zWrite = false;
    soft7::Cmp m_zFunc = soft7::Cmp::LessEqual;
    double m_zMax = 0;
    bool m_stencil = false;
    soft7::Cmp m_stencilFunc = soft7::Cmp::Always;
    uint32_t m_stencilRef = 0, m_stencilMask = 0, m_stencilWriteMask = 0, m_stencilMax = 0;
    soft7::StencilOp m_stencilFail{}, m_stencilZFail{}, m_stencilPass{};
    bool m_alphaTest = false;
    soft7::Cmp m_alphaFunc = soft7::Cmp::Always;
    int m_alphaRef = 0;
    bool m_blend = false;
    soft7::Blend m_srcBlend{}, m_destBlend{};
    soft7::Cull m_cull = soft7::Cull::CCW;
    bool m_flat = false;
    bool m_specularAdd = false;
    soft7::Fog m_fog = soft7::Fog::None;
    float m_fogStart = 0, m_fogEnd = 1, m_fogDensity = 1;
    soft7::Color8 m_fogColor;
    soft7::Color8 m_factor;
    int m_stageCount = 0;
    Stage m_stages[soft7::kMaxStages];
    bool m_needDerivatives = false;
};

// Draws screen-space primitives at once with one setup, inside a band of rows.
class ZSoftRasterizer : private SSoftRasterSetup
{
public:
    // The setup for the device's state; false when there is nothing to draw into.
    static bool MakeSetup(const SSoftPipelineState& state, SSoftRasterSetup& out);
    // Takes a setup for the following primitives, drawing only rows top to bottom - 1; false
    // when nothing of the setup's area lies in them.
    bool Load(const SSoftRasterSetup& setup, int top, int bottom);
    // The span loop of flat screen-space triangles is used where it applies (tests turn it off
    // to compare it with the general loop).
    void SetSpanLoop(bool on) { m_spanLoop = on; }

    // Screen-space primitives (x, y in pixels, z in 0..1, slot kVtxW holding 1/w).
    void Triangle(const SSoftVtx& v0, const SSoftVtx& v1, const SSoftVtx& v2);
    void Line(const SSoftVtx& v0, const SSoftVtx& v1);
    void Point(const SSoftVtx& v);

    // Bilinear and point sampling of one texture with an address mode (exposed for tests).
    static soft7::Color8 Sample(const ZSoftSurface* texture, float u, float v, soft7::Filter filter,
                                soft7::Address addressU, soft7::Address addressV, uint32_t border);
    // One stage operation on two arguments (colour channels or alpha), exposed for tests.
    static int Combine(soft7::Top op, int arg1, int arg2, int diffuseA, int textureA, int factorA,
                       int currentA);

private:
    struct Pixel
    {
        soft7::Color8 diffuse;
        soft7::Color8 specular;
        float tex[2 * soft7::kMaxStages];
        float rho2[soft7::kMaxStages]; // squared texel steps per pixel, > 1 when minifying
        float eye;
    };
    struct Plane
    {
        double c, dx, dy;
    };
    // Everything a span of a flat triangle needs besides its row.
    struct FlatSpan
    {
        double fx0, fy0, q;
        Plane z;
        Plane tex[2 * soft7::kMaxStages];
        soft7::Color8 diffuse, specular;
    };

    bool Setup(const SSoftPipelineState& state);
    void ShadeAndWrite(int x, int y, float z, Pixel& p);
    // The stages, specular, fog and alpha test: false when the pixel is dropped.
    bool ShadePixel(const Pixel& p, const soft7::Color8* textures, soft7::Color8& out) const;
    void Write(int x, int y, const soft7::Color8& colour);
    bool DepthStencil(int x, int y, float z, bool& writeDepth);
    // One row of a triangle without perspective, colour change or fog.
    // Everything it calls is compiled into it: the per-pixel steps then cost no calls.
    [[gnu::flatten]] void FlatRow(const FlatSpan& span, int y, int xl, int xr);

    // The sprite kernel: one textured stage of selects and products, at most a plain blend, no
    // depth or stencil; the common case of 2D drawing, with the state's choices made once.
    enum class SpriteBlend : uint8_t
    {
        None,
        Over,  // source alpha, one minus source alpha
        Add,   // source alpha, one
        Other, // any other pair of factors
    };
    bool SpriteKernelApplies() const;
    template <bool Linear, SpriteBlend Mode>
    void SpriteRow(const FlatSpan& span, int y, int xl, int xr);

    bool m_spanLoop = true;
    bool m_spriteKernel = false;
};

// The recorded drawing of one device.
class ZSoftDrawQueue
{
public:
    // Takes the device's state for the following primitives; false when there is nothing to draw
    // into. The state must stay alive until the next Begin (the viewport projects the vertices).
    bool Begin(const SSoftPipelineState& state);

    // Clip-space primitives: clipped, projected through the viewport and recorded.
    void ClipTriangle(const SSoftVtx& v0, const SSoftVtx& v1, const SSoftVtx& v2);
    void ClipLine(const SSoftVtx& v0, const SSoftVtx& v1);
    void ClipPoint(const SSoftVtx& v);
    // Screen-space primitives, recorded as they are.
    void Triangle(const SSoftVtx& v0, const SSoftVtx& v1, const SSoftVtx& v2);
    void Line(const SSoftVtx& v0, const SSoftVtx& v1);
    void Point(const SSoftVtx& v);
    // A clear of one rectangle (already cut to the viewport): colour as a raw pixel of the
    // target's layout, depth as a stored depth value, stencil; each when its flag is given.
    void Clear(ZSoftSurface* target, ZSoftSurface* depth, const SSoftRect& rect, uint32_t flags,
               const uint8_t raw[4], uint32_t depthValue, uint8_t stencil);

    bool IsEmpty() const { return m_commands.empty(); }
    // Carries out everything recorded, in bands on the runner's threads when one is given, and
    // forgets it. bands <= 1 draws the whole at once on the calling thread.
    void Execute(plat::IParallelRunner* runner, int bands, bool spanLoop = true);
    // Forgets the record without drawing it (the surfaces it names are going away).
    void Discard();

private:
    enum class Kind : uint8_t
    {
        Triangle,
        Line,
        Point,
        Clear,
    };
    struct Command
    {
        Kind kind;
        uint32_t setup;
        uint32_t first; // first vertex, or the clear record
        int top, bottom; // rows the command may touch, bottom included
    };
    struct ClearRecord
    {
        ZSoftSurface* target;
        ZSoftSurface* depth;
        SSoftRect rect;
        uint32_t flags;
        uint8_t raw[4];
        uint32_t depthValue;
        uint8_t stencil;
    };

    SSoftVtx Project(const SSoftVtx& v) const;
    void Record(Kind kind, const SSoftVtx* const* v, int count);
    void NoteSurfaces(const SSoftRasterSetup& setup);
    void RunBand(int top, int bottom, bool spanLoop) const;
    static void RunClear(const ClearRecord& c, int top, int bottom);

    const SSoftPipelineState* m_state = nullptr;
    bool m_setupValid = false;
    std::vector<SSoftRasterSetup> m_setups;
    std::vector<SSoftVtx> m_vertices;
    std::vector<Command> m_commands;
    std::vector<ClearRecord> m_clears;
    // Surfaces drawn into and sampled by the record; one surface in both sets keeps the record
    // on one thread, since a band could then read what another band is writing.
    std::vector<const ZSoftSurface*> m_targets;
    std::vector<const ZSoftSurface*> m_textures;
    bool m_serial = false;
    int m_height = 0; // tallest target in the record
    // Rows that primitives span, summed: a record with little drawing (a clear and a few
    // glyphs) costs less on the calling thread than waking the others.
    int64_t m_rows = 0;
};
