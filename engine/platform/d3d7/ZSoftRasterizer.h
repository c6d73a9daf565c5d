#pragma once
// The software rasteriser behind ZSoftD3DDevice: clipping, the top-left fill rule on integer pixel
// centres, perspective-correct interpolation, texture sampling, the texture-stage combiner, fog,
// alpha test, stencil and depth, blending, and the write into the render target.
//
// Determinism: vertex positions are snapped to 1/256 pixel and coverage is decided with exact
// integer edge functions; colours are 8-bit integers between stages, with products rounded the
// same way everywhere (a * b / 255, to nearest).
#include "engine/platform/d3d7/ZSoftDirect3D.h"

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

class ZSoftRasterizer
{
public:
    // Takes the state for the following primitives; false when there is nothing to draw into.
    bool Begin(const SSoftPipelineState& state);

    // Clip-space primitives: clipped, projected through the viewport and drawn.
    void ClipTriangle(const SSoftVtx& v0, const SSoftVtx& v1, const SSoftVtx& v2);
    void ClipLine(const SSoftVtx& v0, const SSoftVtx& v1);
    void ClipPoint(const SSoftVtx& v);

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
    struct Pixel
    {
        soft7::Color8 diffuse;
        soft7::Color8 specular;
        float tex[2 * soft7::kMaxStages];
        float rho2[soft7::kMaxStages]; // squared texel steps per pixel, > 1 when minifying
        float eye;
    };

    SSoftVtx Project(const SSoftVtx& v) const;
    void ShadeAndWrite(int x, int y, float z, Pixel& p);
    bool DepthStencil(int x, int y, float z, bool& writeDepth);

    const SSoftPipelineState* m_state = nullptr;
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
