#include "D3D7SceneSupport.h"

#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/lsan_interface.h>)
#include <sanitizer/lsan_interface.h>
#define QV_PAUSE_LEAK_CHECK 1
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "GoldenImage.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/core/ZAllocBase.h"
#include "engine/core/ZNameId.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/render/ZRenderFont.h"
#include "engine/resource/ZResourceManager.h"
#include "tests/platform/SoftD3D7TestSupport.h"

using namespace soft7;

namespace d3d7test
{
const char* const kShaderDefinitions = R"(
shaderdef sprite
shadercode sprite_ffp
color 0 base 1,1,1,1
bool 18 texturemodulate true
bool 4 nocull true
end

shaderdef font
shadercode sprite_ffp
color 0 base 1,1,1,1
bool 18 texturemodulate true
end

shaderdef standard
shadercode standard_ffp
color 0 base 1,1,1,1
bool 4 nocull true
bool 15 unlit true
bool 19 vertexcolor true
end
)";

namespace
{
SSoftDriverConfig VirtualMachine()
{
    return softd3d7_test::VirtualMachine({{640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 32, 60}});
}
} // namespace

void PutVertex(std::vector<uint8_t>& out, float x, float y, float z, uint32_t argb, float u, float v)
{
    const float floats[6] = {x, y, z, 0.0f, 0.0f, -1.0f};
    for (float f : floats)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        for (int i = 0; i < 4; ++i)
            out.push_back(uint8_t(bits >> (8 * i)));
    }
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(argb >> (8 * i)));
    for (float f : {u, v})
    {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        for (int i = 0; i < 4; ++i)
            out.push_back(uint8_t(bits >> (8 * i)));
    }
}

void SceneTest::SetUp()
{
    g_renderDesktopResolution.SetValue(true);
    g_renderWidth.SetValue(width);
    g_renderHeight.SetValue(height);
    if (UsesOpenGL())
    {
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0))
            GTEST_SKIP() << "no display: SDL_VIDEODRIVER=" << driver;
        if (!plat::HasDisplay() || plat::InitVideo() != 0)
            GTEST_SKIP() << "no display";
        video = true;
#ifdef QV_PAUSE_LEAK_CHECK
        // The GL driver keeps blocks of its own for the life of the process once a context exists.
        __lsan_disable();
#endif
        if (window.Create("Quorvane golden", width, height, true, ZPlatformWindow::kOpenGL) != 0)
            GTEST_SKIP() << "no GL window: " << plat::GetVideoError();
    }
    library = new ZShaderLibrary();
    if (UsesOpenGL())
    {
        gl = new ZRenderOpenGL();
        base = gl;
        if (gl->Init(width, height, true, &window) != 0)
            GTEST_SKIP() << "no OpenGL with the required extensions";
    }
    else
    {
        // The codes exist from construction: the definitions can name them before the device
        // starts, so that the text drawer finds its "font" shader when Init makes it.
        render = new ZRenderD3D7(VirtualMachine());
        base = render;
        library->ParseDefinitions(kShaderDefinitions);
        ASSERT_EQ(render->Init(width, height, true, nullptr), 0);
    }
    if (gl)
    {
        library->ParseDefinitions(kShaderDefinitions);
        // The text drawer takes its material from the "font" shader, defined only now.
        if (ZRenderFont* text = gl->GetTextRenderer())
            text->Init();
    }
    ASSERT_NE(library->FindShader("sprite"), nullptr);
    if (render)
    {
        ASSERT_EQ(library->FindShader("sprite")->GetCode(),
                  static_cast<ZShaderCodeBase*>(render->GetSpriteCode()));
    }
    ZRenderBase::RegisterDrawClass({&TestMesh::kTypeRecord, EDrawKind::GeomObject,
                                    [](ZNode* node)
                                    { return uint32_t(static_cast<TestMesh*>(node)->parts.size()); },
                                    [](ZNode* node, uint32_t i)
                                    {
                                        ZSubPrimitive* part = static_cast<TestMesh*>(node)->parts[i];
                                        return SDrawPart{part, part->GetMaterial(), 1};
                                    },
                                    nullptr});
    root = new ZGroup();
    camera = ZCamera::Create("camera", root, false, true);
    view = ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 1.0f);
    ASSERT_NE(view, nullptr);
    view->AddCamera(camera);
}

void SceneTest::TearDown()
{
    delete camera;
    delete root;
    camera = nullptr;
    root = nullptr;
    for (ZSubPrimitive* part : parts)
        delete part;
    for (ZMaterial* material : materials)
        material->ReturnToPool();
    for (ZTexture* texture : textures)
        delete texture;
    ZRenderBase::UnregisterDrawClass(&TestMesh::kTypeRecord);
    // What the renderer's drawers left in the resource manager (the built-in font and its page)
    // goes with the manager, in the order the engine keeps at shutdown: drawers, resources,
    // renderer. A later test in this process then finds no texture that points into a page gone
    // with this renderer.
    if (render)
    {
        render->PrepareRelease();
        ZResourceManager::DestroyInstance();
        delete base;
    }
    else
    {
        delete base;
        ZResourceManager::DestroyInstance();
    }
    base = nullptr, render = nullptr, gl = nullptr;
    delete library;
    library = nullptr;
    window.Destroy();
    if (video)
    {
        plat::ClearMessages();
        plat::ShutdownVideo();
#ifdef QV_PAUSE_LEAK_CHECK
        __lsan_enable();
#endif
    }
    video = false;
    g_renderWidth.Reset(false);
    g_renderHeight.Reset(false);
}

ZTexture* SceneTest::Texture(int w, int h, const std::function<uint32_t(int, int)>& argb, bool atlas,
                             uint16_t flags)
{
    auto* pixels = static_cast<uint8_t*>(std::malloc(size_t(w) * size_t(h) * 4));
    bool opaque = true;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const uint32_t c = argb(x, y);
            uint8_t* p = pixels + (size_t(y) * size_t(w) + size_t(x)) * 4;
            p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16), p[3] = uint8_t(c >> 24);
            opaque &= (c >> 24) == 0xFF;
        }
    auto* texture = new ZTexture();
    texture->StoreImage(pixels, kPixelBGRA, w, h, w, h, opaque);
    texture->AddTextureFlags(uint16_t(flags | kTexturePixels | (atlas ? 0 : kTextureNoAtlas)));
    textures.push_back(texture);
    EXPECT_EQ(base->MakeTextureResident(texture), 0);
    return texture;
}

ZMaterial* SceneTest::Material(const char* shader, ZTexture* texture)
{
    ZMaterial* material = ZMaterial::CreateForShader(shader, library->FindShader(shader));
    materials.push_back(material);
    if (texture)
        material->SetTexture(0, texture, false);
    return material;
}

void SceneTest::Property(ZMaterial* material, const char* key, const char* value)
{
    material->SetProperty(ZNameId(key).Value(), key, value);
}

ZSprite* SceneTest::Sprite(ZMaterial* material, float x, float y, float z, float w, float h)
{
    ZSprite* sprite = ZSprite::Create(w, h, PIVOT_CENTER, material);
    sprite->SetFlags(kNode2D);
    sprite->SetPositionXYZ(x, y, z);
    root->AddChild(sprite);
    return sprite;
}

TestMesh* SceneTest::Mesh(ZMaterial* material, uint32_t kind, uint32_t primitives,
                          const std::vector<uint8_t>& vertices, uint32_t order)
{
    ZSubPrimitive* part = ZSubPrimitive::Create(primitives, vertices.data(), kind);
    part->SetMaterial(material);
    parts.push_back(part);
    auto* mesh = new TestMesh();
    mesh->parts.push_back(part);
    mesh->order = order;
    mesh->SetFlags(kNode2D);
    root->AddChild(mesh);
    return mesh;
}

std::vector<uint32_t> SceneTest::Frame()
{
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    if (gl)
    {
        // The frame short of the swap: the back buffer keeps the picture.
        gl->FlushUploadQueue();
        gl->RenderViews();
        uint32_t w = 0, h = 0;
        uint32_t* grabbed = gl->GrabScreen(w, h);
        EXPECT_TRUE(grabbed && w == uint32_t(width) && h == uint32_t(height));
        if (grabbed && w == uint32_t(width) && h == uint32_t(height))
            std::memcpy(pixels.data(), grabbed, pixels.size() * 4);
        GetAllocHook()->Free(grabbed);
        return pixels;
    }
    render->FlushUploadQueue();
    EXPECT_EQ(render->RenderFrame(), 0);
    ZSoftSurface* target = render->GetDefaultRenderTarget();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[size_t(y) * size_t(width) + size_t(x)] = target->ReadPixel(x, y);
    return pixels;
}

void SceneTest::ExpectNearGolden(const std::string& name, const std::vector<uint32_t>& frame, int tolerance,
                                 double share, const Skip& skip)
{
    golden::Image image = golden::FromArgb(frame.data(), width, height);
    const std::string path = golden::Folder() + "/" + name + ".png";
    golden::Image reference;
    ASSERT_TRUE(golden::ReadPng(path, reference)) << "no reference " << path;
    ASSERT_EQ(reference.width * 10000 + reference.height, width * 10000 + height);
    for (int y = std::max(skip.top, 0); y < std::min(skip.bottom, height); ++y)
        for (int x = std::max(skip.left, 0); x < std::min(skip.right, width); ++x)
            for (int c = 0; c < 3; ++c)
                image.rgb[(size_t(y) * size_t(width) + size_t(x)) * 3 + size_t(c)] =
                    reference.rgb[(size_t(y) * size_t(width) + size_t(x)) * 3 + size_t(c)];
    const golden::Difference difference = golden::Compare(image, reference, tolerance);
    const int allowed = int(share * double(width) * double(height));
    EXPECT_LE(difference.count, allowed)
        << name << ": first pixel off by more than " << tolerance << " at " << difference.first;
    if (difference.count > allowed)
        golden::WritePng(std::string(QV_BINARY_DIR) + "/" + name + ".gl.png", image);
}

void SceneTest::ExpectGolden(const std::string& name, const std::vector<uint32_t>& frame)
{
    const golden::Image image = golden::FromArgb(frame.data(), width, height);
    const std::string path = golden::Folder() + "/" + name + ".png";
    if (golden::Updating())
    {
        std::filesystem::create_directories(golden::Folder());
        ASSERT_TRUE(golden::WritePng(path, image)) << path;
        return;
    }
    golden::Image reference;
    ASSERT_TRUE(golden::ReadPng(path, reference))
        << "no reference " << path << " (QV_UPDATE_GOLDEN=1 writes it)";
    const golden::Difference difference = golden::Compare(image, reference, 0);
    EXPECT_EQ(difference.count, 0) << name << ": first differing pixel at " << difference.first;
    if (difference.count != 0)
        golden::WritePng(std::string(QV_BINARY_DIR) + "/" + name + ".actual.png", image);
}
} // namespace d3d7test
