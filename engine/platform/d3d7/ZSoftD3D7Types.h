#pragma once
// Shared vocabulary of the software display layer that stands in for DirectDraw 7 and Direct3D 7:
// result codes, state and argument enumerations, and the plain records passed through the calls
// of ZSoftDirectDraw, ZSoftSurface, ZSoftDirect3D and ZSoftD3DDevice.
//
// Conventions kept from the interface the renderer was written for:
// - matrices are row-major and multiply row vectors (v' = v * M), translation in row 3;
// - screen space has y downwards and pixel centres on integer coordinates;
// - clip-space depth runs from 0 (near) to w (far);
// - colours in states and vertices are 32-bit ARGB words (alpha in the top byte);
// - float-valued render states are passed as their bit pattern (soft7::FloatBits).
//
// Where the renderer's DirectDraw 7 / Direct3D 7 calls land:
// - creating the DirectDraw object: ZSoftDirectDraw::Create; asking it for Direct3D: QueryDirect3D;
// - the screen's size in millimetres and the desktop mode: GetPhysicalSize, GetDisplayMode/GetDesktopMode;
// - binding a clipper to the window: ZSoftClipper::SetWindow (the SDL window);
// - render states, texture-stage states, operations and arguments: soft7::RS, TSS, Top, kTa*;
// - primitive kinds keep their numbers (1 point list ... 6 triangle fan): soft7::Prim;
// - "surface lost", "out of video memory", "out of memory": kErrSurfaceLost, kErrOutOfVideoMemory,
//   kErrOutOfMemory;
// - the device description and pixel-format records: SSoftDeviceDesc, SSoftPixelFormat.
// Behaviour kept from the original interface: a stage without a texture reads opaque white; a vertex
// without a diffuse or specular colour reads 0xFFFFFFFF; lighting with no light enabled gives black
// (plus ambient and emissive); transformed vertices are not lit, get no texture transform, and take
// 1/rhw as their fog distance; textures are sampled at texel centres (half a texel in).
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct SDL_Window;

using SoftResult = int32_t;

namespace soft7
{
// Result codes. Success is 0; failures are negative so that a caller may test "< 0".
constexpr SoftResult kOk = 0;
constexpr SoftResult kErrGeneric = static_cast<int32_t>(0x8A7D0001u);
constexpr SoftResult kErrInvalidParams = static_cast<int32_t>(0x8A7D0002u);
constexpr SoftResult kErrOutOfMemory = static_cast<int32_t>(0x8007000Eu);
constexpr SoftResult kErrOutOfVideoMemory = static_cast<int32_t>(0x8A7D0004u);
constexpr SoftResult kErrSurfaceLost = static_cast<int32_t>(0x8A7D0005u);
constexpr SoftResult kErrSurfaceBusy = static_cast<int32_t>(0x8A7D0006u);
constexpr SoftResult kErrNotLocked = static_cast<int32_t>(0x8A7D0007u);
constexpr SoftResult kErrInvalidRect = static_cast<int32_t>(0x8A7D0008u);
constexpr SoftResult kErrInvalidPixelFormat = static_cast<int32_t>(0x8A7D0009u);
constexpr SoftResult kErrInvalidMode = static_cast<int32_t>(0x8A7D000Au);
constexpr SoftResult kErrNoExclusiveMode = static_cast<int32_t>(0x8A7D000Bu);
constexpr SoftResult kErrExclusiveModeAlreadySet = static_cast<int32_t>(0x8A7D000Cu);
constexpr SoftResult kErrWrongMode = static_cast<int32_t>(0x8A7D000Du);
constexpr SoftResult kErrPrimaryExists = static_cast<int32_t>(0x8A7D000Eu);
constexpr SoftResult kErrNotFound = static_cast<int32_t>(0x8A7D000Fu);
constexpr SoftResult kErrNotFlippable = static_cast<int32_t>(0x8A7D0010u);
constexpr SoftResult kErrSceneInScene = static_cast<int32_t>(0x8A7D0011u);
constexpr SoftResult kErrSceneNotInScene = static_cast<int32_t>(0x8A7D0012u);
constexpr SoftResult kErrVertexBufferLocked = static_cast<int32_t>(0x8A7D0013u);
constexpr SoftResult kErrInvalidSurfaceType = static_cast<int32_t>(0x8A7D0014u);
constexpr SoftResult kErrUnsupported = static_cast<int32_t>(0x8A7D0015u);

// A short name for a result code ("ok", "surface lost", ...); "unknown" for any other value.
const char* ResultName(SoftResult result);

inline uint32_t FloatBits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}
inline float BitsFloat(uint32_t u)
{
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

enum class Prim : uint32_t
{
    PointList = 1,
    LineList,
    LineStrip,
    TriangleList,
    TriangleStrip,
    TriangleFan,
};

enum class RS : uint32_t
{
    ZEnable,                // bool, default on when the render target has a depth buffer
    ZWriteEnable,           // bool, default on
    ZFunc,                  // Cmp, default LessEqual
    AlphaTestEnable,        // bool, default off
    AlphaRef,               // 0..255, default 0
    AlphaFunc,              // Cmp, default Always
    AlphaBlendEnable,       // bool, default off
    SrcBlend,               // Blend, default One
    DestBlend,              // Blend, default Zero
    CullMode,               // Cull, default CCW
    ShadeMode,              // Shade, default Gouraud
    Lighting,               // bool, default on
    ColorVertex,            // bool, default on
    DiffuseMaterialSource,  // MaterialSource, default Color1
    SpecularMaterialSource, // default Color2
    AmbientMaterialSource,  // default Material
    EmissiveMaterialSource, // default Material
    Ambient,                // ARGB, default 0
    SpecularEnable,         // bool, default off
    FogEnable,              // bool, default off
    FogColor,               // ARGB, default 0
    FogMode,                // Fog, default None
    FogStart,               // float bits, default 0
    FogEnd,                 // float bits, default 1
    FogDensity,             // float bits, default 1
    StencilEnable,          // bool, default off
    StencilFunc,            // Cmp, default Always
    StencilRef,             // default 0
    StencilMask,            // default 0xFFFFFFFF
    StencilWriteMask,       // default 0xFFFFFFFF
    StencilFail,            // StencilOp, default Keep
    StencilZFail,           // default Keep
    StencilPass,            // default Keep
    TextureFactor,          // ARGB, default 0xFFFFFFFF
    Clipping,               // bool, default on
    Count
};

enum class TSS : uint32_t
{
    ColorOp,               // Top; stage 0 Modulate, others Disable
    ColorArg1,             // TA value, default Texture
    ColorArg2,             // default Current
    AlphaOp,               // stage 0 SelectArg1, others Disable
    AlphaArg1,             // default Texture
    AlphaArg2,             // default Current
    TexCoordIndex,         // default: the stage number
    AddressU,              // Address, default Wrap
    AddressV,              // default Wrap
    BorderColor,           // ARGB, default 0
    MagFilter,             // Filter, default Point
    MinFilter,             // default Point
    MipFilter,             // accepted and ignored: surfaces have one level
    TextureTransformFlags, // TexTransform, default Disable
    Count
};

enum class Top : uint32_t
{
    Disable = 1,
    SelectArg1,
    SelectArg2,
    Modulate,
    Modulate2x,
    Modulate4x,
    Add,
    AddSigned,
    AddSigned2x,
    Subtract,
    AddSmooth,
    BlendDiffuseAlpha,
    BlendTextureAlpha,
    BlendFactorAlpha,
    BlendTextureAlphaPM,
    BlendCurrentAlpha,
};

// Texture-stage arguments, optionally or-ed with a modifier.
constexpr uint32_t kTaDiffuse = 0;
constexpr uint32_t kTaCurrent = 1;
constexpr uint32_t kTaTexture = 2;
constexpr uint32_t kTaTFactor = 3;
constexpr uint32_t kTaSpecular = 4;
constexpr uint32_t kTaSelectMask = 0xF;
constexpr uint32_t kTaComplement = 0x10;
constexpr uint32_t kTaAlphaReplicate = 0x20;

enum class Blend : uint32_t
{
    Zero = 1,
    One,
    SrcColor,
    InvSrcColor,
    SrcAlpha,
    InvSrcAlpha,
    DestAlpha,
    InvDestAlpha,
    DestColor,
    InvDestColor,
    SrcAlphaSat,
};

enum class Cmp : uint32_t
{
    Never = 1,
    Less,
    Equal,
    LessEqual,
    Greater,
    NotEqual,
    GreaterEqual,
    Always,
};

enum class StencilOp : uint32_t
{
    Keep = 1,
    Zero,
    Replace,
    IncrSat,
    DecrSat,
    Invert,
    Incr,
    Decr,
};

enum class Cull : uint32_t
{
    None = 1,
    CW,  // triangles that appear clockwise on screen are dropped
    CCW, // triangles that appear counter-clockwise on screen are dropped
};

enum class Shade : uint32_t
{
    Flat = 1,
    Gouraud,
};

enum class Fog : uint32_t
{
    None = 0,
    Exp,
    Exp2,
    Linear,
};

enum class Filter : uint32_t
{
    None = 0,
    Point,
    Linear,
};

enum class Address : uint32_t
{
    Wrap = 1,
    Mirror,
    Clamp,
    Border,
};

enum class MaterialSource : uint32_t
{
    Material = 0,
    Color1, // the vertex diffuse colour
    Color2, // the vertex specular colour
};

// Texture transform flags: Count2 transforms (u, v, 1, 0) by the stage's matrix and keeps two results.
enum class TexTransform : uint32_t
{
    Disable = 0,
    Count1,
    Count2,
    Count3,
    Count4,
};

enum class Transform : uint32_t
{
    World = 0,
    View,
    Projection,
    Texture0 = 16, // Texture0 + stage for stages 0..7
};

enum class LightType : uint32_t
{
    Point = 1,
    Spot,
    Directional,
};

enum class DeviceKind : uint32_t
{
    Rgb = 0, // software emulation: surfaces in system memory
    Hal,     // rasterisation "in hardware": render targets in video memory
    TnlHal,  // as Hal, with transform and lighting
};

// Vertex formats (the flexible vertex format bits of the interface). A vertex holds, in this order:
// position (3 floats, or 4 with the reciprocal of w for transformed vertices), normal (3 floats),
// diffuse (ARGB), specular (ARGB), then TexCount pairs of floats.
constexpr uint32_t kFvfXyz = 0x002;
constexpr uint32_t kFvfXyzRhw = 0x004;
constexpr uint32_t kFvfPositionMask = 0x00E;
constexpr uint32_t kFvfNormal = 0x010;
constexpr uint32_t kFvfDiffuse = 0x040;
constexpr uint32_t kFvfSpecular = 0x080;
constexpr uint32_t kFvfTexCountMask = 0xF00;
constexpr uint32_t kFvfTexCountShift = 8;
constexpr uint32_t kFvfTex1 = 0x100;
constexpr uint32_t kFvfTex2 = 0x200;
// Bytes of one vertex of the format; 0 for a format without a position.
uint32_t FvfStride(uint32_t fvf);

// Surface capabilities.
constexpr uint32_t kCapsPrimary = 0x1;
constexpr uint32_t kCapsFlip = 0x2;
constexpr uint32_t kCapsComplex = 0x4;
constexpr uint32_t kCapsBackBuffer = 0x8;
constexpr uint32_t kCapsFrontBuffer = 0x10;
constexpr uint32_t kCapsOffscreenPlain = 0x20;
constexpr uint32_t kCapsTexture = 0x40;
constexpr uint32_t kCaps3DDevice = 0x80;
constexpr uint32_t kCapsZBuffer = 0x100;
constexpr uint32_t kCapsVideoMemory = 0x200;
constexpr uint32_t kCapsSystemMemory = 0x400;
constexpr uint32_t kCapsTextureManage = 0x800;

// Pixel-format flags.
constexpr uint32_t kPfAlphaPixels = 0x1;
constexpr uint32_t kPfRgb = 0x2;
constexpr uint32_t kPfLuminance = 0x4;
constexpr uint32_t kPfFourCC = 0x8;
constexpr uint32_t kPfBumpDuDv = 0x10;
constexpr uint32_t kPfZBuffer = 0x20;
constexpr uint32_t kPfStencilBuffer = 0x40;

// Cooperative levels.
constexpr uint32_t kCoopNormal = 0x1;
constexpr uint32_t kCoopExclusive = 0x2;
constexpr uint32_t kCoopFullscreen = 0x4;
constexpr uint32_t kCoopMultithreaded = 0x8;

// Lock, blit, flip and clear flags.
constexpr uint32_t kLockWait = 0x1;
constexpr uint32_t kLockReadOnly = 0x2;
constexpr uint32_t kLockWriteOnly = 0x4;
constexpr uint32_t kLockDiscardContents = 0x8;
constexpr uint32_t kLockNoOverwrite = 0x10;
constexpr uint32_t kBltWait = 0x1;
constexpr uint32_t kBltColorFill = 0x2;
constexpr uint32_t kFlipWait = 0x1;
constexpr uint32_t kFlipNoVSync = 0x2;
constexpr uint32_t kClearTarget = 0x1;
constexpr uint32_t kClearZBuffer = 0x2;
constexpr uint32_t kClearStencil = 0x4;

// Vertex-buffer capabilities.
constexpr uint32_t kVbWriteOnly = 0x1;
constexpr uint32_t kVbSystemMemory = 0x2;
constexpr uint32_t kVbDoNotClip = 0x4;

// Device capabilities (SSoftDeviceDesc::devCaps).
constexpr uint32_t kDevCapsFloatTLVertex = 0x1;
constexpr uint32_t kDevCapsExecuteSystemMemory = 0x2;
constexpr uint32_t kDevCapsTLVertexSystemMemory = 0x4;
constexpr uint32_t kDevCapsTextureSystemMemory = 0x8;
constexpr uint32_t kDevCapsTextureVideoMemory = 0x10;
constexpr uint32_t kDevCapsDrawPrimTLVertex = 0x20;
constexpr uint32_t kDevCapsDrawPrimitives2 = 0x40;
constexpr uint32_t kDevCapsDrawPrimitives2Ex = 0x80;
constexpr uint32_t kDevCapsHwRasterization = 0x100;
constexpr uint32_t kDevCapsHwTransformAndLight = 0x200;
constexpr uint32_t kDevCapsSeparateTextureMemories = 0x400;

// Triangle texture capabilities (SSoftDeviceDesc::textureCaps).
constexpr uint32_t kTexCapsPerspective = 0x1;
constexpr uint32_t kTexCapsPow2 = 0x2;
constexpr uint32_t kTexCapsAlpha = 0x4;
constexpr uint32_t kTexCapsSquareOnly = 0x20;
constexpr uint32_t kTexCapsNonPow2Conditional = 0x100;
constexpr uint32_t kTexCapsTransparency = 0x8;
constexpr uint32_t kTexCapsBorder = 0x10;

// Stencil capabilities: one bit per stencil operation, decrement-and-wrap the highest.
constexpr uint32_t kStencilCapsKeep = 0x1;
constexpr uint32_t kStencilCapsZero = 0x2;
constexpr uint32_t kStencilCapsReplace = 0x4;
constexpr uint32_t kStencilCapsIncrSat = 0x8;
constexpr uint32_t kStencilCapsDecrSat = 0x10;
constexpr uint32_t kStencilCapsInvert = 0x20;
constexpr uint32_t kStencilCapsIncr = 0x40;
constexpr uint32_t kStencilCapsDecr = 0x80;

// Texture filter capabilities (SSoftDeviceDesc::filterCaps).
constexpr uint32_t kFilterCapsMinPoint = 0x1;
constexpr uint32_t kFilterCapsMinLinear = 0x2;
constexpr uint32_t kFilterCapsMagPoint = 0x4;
constexpr uint32_t kFilterCapsMagLinear = 0x8;

constexpr int kMaxStages = 8;
constexpr int kMaxLights = 16;
} // namespace soft7

struct SSoftRect
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct SSoftPixelFormat
{
    uint32_t flags = 0;  // soft7::kPf*
    uint32_t fourCC = 0; // with kPfFourCC
    uint32_t bitCount = 0;
    uint32_t rMask = 0; // luminance mask for kPfLuminance formats
    uint32_t gMask = 0;
    uint32_t bMask = 0;
    uint32_t aMask = 0;
    uint32_t zBits = 0; // depth formats: bits of depth and of stencil
    uint32_t stencilBits = 0;

    bool operator==(const SSoftPixelFormat&) const = default;
};

namespace soft7
{
// The formats this layer can hold in a surface.
SSoftPixelFormat FormatA8R8G8B8();
SSoftPixelFormat FormatX8R8G8B8();
SSoftPixelFormat FormatR5G6B5();
SSoftPixelFormat FormatX1R5G5B5();
SSoftPixelFormat FormatA1R5G5B5();
SSoftPixelFormat FormatA4R4G4B4();
SSoftPixelFormat FormatA8L8();
// Depth formats: depth bits and stencil bits.
SSoftPixelFormat FormatDepth(uint32_t zBits, uint32_t stencilBits);
} // namespace soft7

struct SSoftSurfaceDesc
{
    uint32_t width = 0; // 0 for the primary surface: the display mode's size
    uint32_t height = 0;
    int32_t pitch = 0; // out: bytes from one row to the next
    uint32_t caps = 0; // soft7::kCaps*
    uint32_t backBufferCount = 0;
    bool hasPixelFormat = false; // false: the display's format (colour) or the first depth format (z)
    SSoftPixelFormat pixelFormat;
    void* surface = nullptr; // out of Lock: the first byte of the locked rectangle
};

struct SSoftDisplayMode
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0;
    uint32_t refreshRate = 0;

    bool operator==(const SSoftDisplayMode&) const = default;
};

struct SSoftDeviceDesc
{
    soft7::DeviceKind kind = soft7::DeviceKind::Rgb;
    std::string name;
    std::string description;
    uint32_t devCaps = 0;
    uint32_t textureCaps = 0;
    uint32_t filterCaps = 0;
    uint32_t stencilCaps = 0;
    uint32_t minTextureWidth = 1;
    uint32_t minTextureHeight = 1;
    uint32_t maxTextureWidth = 4096;
    uint32_t maxTextureHeight = 4096;
    uint32_t maxTextureRepeat = 8192;
    uint32_t maxTextureAspectRatio = 4096;
    uint32_t maxTextureBlendStages = 8;
    uint32_t maxSimultaneousTextures = 8;
    uint32_t maxActiveLights = 16;
};

struct SSoftDeviceIdentifier
{
    std::string driver;
    std::string description;
    uint64_t driverVersion = 0;
    uint32_t whqlLevel = 0;
};

struct SSoftMatrix
{
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    static SSoftMatrix Identity() { return {}; }
    SSoftMatrix operator*(const SSoftMatrix& b) const
    {
        SSoftMatrix r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                r.m[i][j] =
                    m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j] + m[i][3] * b.m[3][j];
        return r;
    }
};

struct SSoftViewport
{
    int32_t x = 0;
    int32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    float minZ = 0.0f;
    float maxZ = 1.0f;
};

struct SSoftColorValue
{
    float r = 0;
    float g = 0;
    float b = 0;
    float a = 0;
};

struct SSoftMaterial
{
    SSoftColorValue diffuse{1, 1, 1, 1};
    SSoftColorValue ambient{0, 0, 0, 0};
    SSoftColorValue specular{0, 0, 0, 0};
    SSoftColorValue emissive{0, 0, 0, 0};
    float power = 0;
};

struct SSoftLight
{
    soft7::LightType type = soft7::LightType::Directional;
    SSoftColorValue diffuse{1, 1, 1, 1};
    SSoftColorValue specular{0, 0, 0, 0};
    SSoftColorValue ambient{0, 0, 0, 0};
    float position[3] = {0, 0, 0};
    float direction[3] = {0, 0, 1};
    float range = 1e30f;
    float falloff = 1;
    float attenuation0 = 1;
    float attenuation1 = 0;
    float attenuation2 = 0;
    float theta = 0; // inner cone angle, radians
    float phi = 0;   // outer cone angle, radians
};

struct SSoftVertexBufferDesc
{
    uint32_t caps = 0; // soft7::kVb*
    uint32_t fvf = 0;
    uint32_t numVertices = 0;
};

// What the layer pretends the machine offers. A default-constructed record describes the
// machine found through SDL (or a fixed virtual display when SDL video is not running).
struct SSoftDriverConfig
{
    std::vector<SSoftDisplayMode> modes; // empty: taken from SDL or the virtual display
    SSoftDisplayMode desktop;            // width 0: taken from SDL or the virtual display
    int physicalWidthMm = 0;             // 0: derived from the display's DPI, else 96 DPI
    int physicalHeightMm = 0;
    uint64_t videoMemoryBytes = 128ull << 20;     // pool of video-memory surfaces
    std::vector<SSoftDeviceDesc> devices;         // empty: the three standard devices
    std::vector<SSoftPixelFormat> textureFormats; // empty: the standard list
    std::vector<SSoftPixelFormat> depthFormats;   // empty: the standard list
    bool useSdl = true; // false: never touch SDL, even when its video is running (tests)
};
