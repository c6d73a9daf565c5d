#pragma once
// A small scene drawn through the Direct3D 7 back end on the software display (or, for comparison,
// through the OpenGL back end in a window): a shader library with the two fixed-function codes, a
// 2D camera in one full-screen view, sprites and vertex-buffer geometry with their materials and
// textures, and the frame's picture read back.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZView.h"
#include "engine/render/d3d7/ZRenderD3D7.h"
#include "engine/render/d3d7/ZRenderD3D7ShaderFFP.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPrimitive.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSprite.h"

namespace d3d7test
{
// The definitions the scenes draw with: sprites and untextured colour quads through "sprite_ffp",
// vertex-coloured geometry through "standard_ffp".
extern const char* const kShaderDefinitions;

// A geometry node of the tests: its parts are drawn in list order by "standard_ffp".
class TestMesh : public ZGeom
{
    QV_TYPE_RECORD(TestMesh, &ZGeom::kTypeRecord)

public:
    bool GetDrawKey(const ZCamera&, const _M44&, uint32_t& key) override
    {
        key = order;
        return true;
    }
    std::vector<ZSubPrimitive*> parts;
    uint32_t order = 0;
};

// One vertex of the system's 36-byte layout.
void PutVertex(std::vector<uint8_t>& out, float x, float y, float z, uint32_t argb, float u = 0.0f,
               float v = 0.0f);

// A rectangle of pixels (left, top, right, bottom) left out of a comparison.
struct Skip
{
    int left = 0, top = 0, right = 0, bottom = 0;
};

class SceneTest : public ::testing::Test
{
public:
    void SetUp() override;
    void TearDown() override;
    // The OpenGL back end in a real window instead of the software display.
    virtual bool UsesOpenGL() const { return false; }

    // A texture of B, G, R, A pixels made resident on its own surface (or on an atlas page).
    ZTexture* Texture(int width, int height, const std::function<uint32_t(int x, int y)>& argb,
                      bool atlas = false, uint16_t flags = 0);
    ZMaterial* Material(const char* shader, ZTexture* texture = nullptr);
    // A 2D sprite at (x, y) in screen units from the centre, y up; smaller z lies in front.
    ZSprite* Sprite(ZMaterial* material, float x, float y, float z, float w, float h);
    TestMesh* Mesh(ZMaterial* material, uint32_t kind, uint32_t primitives,
                   const std::vector<uint8_t>& vertices, uint32_t order);
    void Property(ZMaterial* material, const char* key, const char* value);
    // Draws one frame; the default render target's pixels as ARGB.
    std::vector<uint32_t> Frame();
    uint32_t PixelAt(const std::vector<uint32_t>& frame, int x, int y) const
    {
        return frame[size_t(y) * size_t(width) + size_t(x)] & 0xFFFFFFu;
    }
    // Compares the frame with the reference PNG (or writes it when references are being made).
    void ExpectGolden(const std::string& name, const std::vector<uint32_t>& frame);
    // Compares with the reference allowing `tolerance` per channel on all but `share` of the pixels.
    // Pixels inside `skip` are not compared.
    void ExpectNearGolden(const std::string& name, const std::vector<uint32_t>& frame, int tolerance,
                          double share, const Skip& skip = Skip());

    const int width = 640;
    const int height = 480;
    ZShaderLibrary* library = nullptr;
    ZRenderD3D7* render = nullptr; // null on OpenGL
    ZRenderOpenGL* gl = nullptr;
    ZRenderBase* base = nullptr;
    ZPlatformWindow window;
    bool video = false;
    ZGroup* root = nullptr;
    ZCamera* camera = nullptr;
    ZView* view = nullptr;
    std::vector<ZMaterial*> materials;
    std::vector<ZTexture*> textures;
    std::vector<ZSubPrimitive*> parts;
};
} // namespace d3d7test
