#pragma once
// The render-state flag word both back ends share: the shader codes map a material onto it and each
// back end's render-state object turns it into device states.
#include <cstdint>

enum ERenderStateFlag : uint32_t
{
    kStateAdditive = 0x1,
    kStateNoCull = 0x2,
    kStateUnlit = 0x4,
    kStateAlphaTest = 0x8,
    kStateMaterialSource = 0x10,
    kStateTexTransform = 0x40,
    kStateStage0Textured = 0x80,
    kStateStage1Textured = 0x100,
    kStateModulateFactor = 0x200,
    kStateModulateVertex = 0x400,
    kStateAddFactor = 0x1000,
    kStateNoFog = 0x2000,
    kStateNoDepthTest = 0x4000,
    kStateNoBlend = 0x8000,
    kStateColorBlend = 0x10000,
    kStateStage1BlendAlpha = 0x20000,
    kStateStage1Modulate = 0x40000,
    kStateStage1Add = 0x80000,
    kStateNoDepthWrite = 0x100000,
    kStateLinearFilter = 0x200000,
    kStateNoColor = 0x400000,
    kStateStencilTest = 0x800000,
    kStateStencilWrite = 0x1000000,
    kStateStencilClear = 0x2000000,
    kStateMultiply = 0x4000000,
};

// Material switches (by index) and the flag each one writes when the material specifies it.
struct SMaterialSwitchFlag
{
    int switchIndex;
    uint32_t flag;
};

inline constexpr SMaterialSwitchFlag kMaterialSwitchFlags[] = {
    {0, kStateLinearFilter},    {1, kStateNoDepthWrite},    {2, kStateNoDepthTest}, {3, kStateAlphaTest},
    {4, kStateNoCull},          {5, kStateNoFog},           {6, kStateNoBlend},     {7, kStateColorBlend},
    {8, kStateNoColor},         {13, kStateMultiply},       {9, kStateStencilTest}, {10, kStateStencilWrite},
    {11, kStateStencilClear},   {12, kStateAdditive},       {15, kStateUnlit},      {17, kStateAddFactor},
    {18, kStateModulateFactor}, {19, kStateModulateVertex},
};
