// The engine started with `engine.render.system` naming the Direct3D 7 back end: a real window
// (under Xvfb), a small scene file loaded into the scene tree, and frames presented into the
// window. Skips without a display.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGameEngine.h"
#include "engine/core/ZUtil.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZView.h"
#include "engine/render/d3d7/ZRenderD3D7.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"

namespace
{
class D3D7Engine : public ZGameEngine
{
public:
    D3D7Engine()
    {
        SetNames("Quorvane D3D7 Test", "qvd3d7test");
        CreateCoreObjects();
    }
    bool CheckSingleInstance() override { return true; }
};

const char kScene[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<scene>
  <scenetree>
    <group name="stage">
      <sprite name="box" material="d3d7window_box" width="200" height="100">
        <v3 property="position" x="0" y="0" z="5"/>
      </sprite>
    </group>
  </scenetree>
</scene>
)";

class D3D7EngineWindow : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            GTEST_SKIP() << "no display";
        if (const char* driver = std::getenv("SDL_VIDEODRIVER"))
            m_driver = driver;
        unsetenv("SDL_VIDEODRIVER");
        g_engineRenderSystem.SetValue(GetParam());
        g_engineRenderWindow.SetFromText("true", false, false);
        g_engineEnableFpsLimit.SetFromText("false", false, false);
        g_renderWidth.SetValue(800);
        g_renderHeight.SetValue(600);
    }
    void TearDown() override
    {
        if (!m_driver.empty())
            setenv("SDL_VIDEODRIVER", m_driver.c_str(), 1);
        for (ZProperty* p :
             std::initializer_list<ZProperty*>{&g_engineRenderSystem, &g_engineRenderWindow,
                                               &g_engineEnableFpsLimit, &g_renderWidth, &g_renderHeight})
            p->Reset(false);
    }
    std::string m_driver;
};
} // namespace

TEST_P(D3D7EngineWindow, RunsASceneAndPresentsFrames)
{
    auto* engine = new D3D7Engine();
    ASSERT_EQ(engine->RegisterModules(), 0);
    ZCommandLine words;
    ASSERT_EQ(engine->Init(words), 0);
    auto* render = dynamic_cast<ZRenderD3D7*>(engine->GetRender());
    ASSERT_NE(render, nullptr) << GetParam() << " did not start the Direct3D 7 back end";
    ASSERT_NE(render->GetDevice(), nullptr);

    ZShaderLibrary::GetInstance()->ParseDefinitions(
        "shaderdef flat\nshadercode sprite_ffp\n"
        "color 0 base 1,1,1,1\nbool 18 texturemodulate true\nend\n");
    ZMaterial* material =
        ZMaterial::CreateForShader("d3d7window_box", ZShaderLibrary::GetInstance()->FindShader("flat"));
    ASSERT_NE(material, nullptr);
    material->SetColor(0, V4{1.0f, 0.5f, 0.0f, 1.0f});

    ZSceneTree* tree = ZSceneTree::GetInstance();
    {
        ZSceneXMLImport2 importer;
        importer.SetParentNode(tree);
        ASSERT_EQ(importer.ImportBuffer(kScene, sizeof kScene - 1), 0);
    }
    ZNode* box = tree->FindNode("stage/box");
    ASSERT_NE(box, nullptr);
    box->SetFlags(kNode2D);
    ZCamera* camera = ZCamera::Create("d3d7window_camera", nullptr, false, true);
    tree->AddChild(camera);
    ZView* view = ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 1.0f);
    ASSERT_NE(view, nullptr);
    view->AddCamera(camera);

    for (int i = 0; i < 5; ++i)
        engine->Frame();
    EXPECT_GE(render->GetFrameCount(), 5u);
    // The picture in the render target and in the window.
    ZSoftSurface* target = render->GetDefaultRenderTarget();
    EXPECT_EQ(target->ReadPixel(400, 300) & 0xFFFFFFu, 0xFF7F00u);
    EXPECT_EQ(target->ReadPixel(250, 300) & 0xFFFFFFu, 0u);
    SDL_Window* window = engine->GetWindow()->GetSDLWindow();
    SDL_Surface* shown = SDL_GetWindowSurface(window);
    ASSERT_NE(shown, nullptr);
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    ASSERT_GT(w, 0);
    uint32_t pixel = 0;
    SDL_LockSurface(shown);
    std::memcpy(&pixel,
                static_cast<uint8_t*>(shown->pixels) + (h / 2) * shown->pitch +
                    (w / 2) * shown->format->BytesPerPixel,
                4);
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(pixel, shown->format, &r, &g, &b);
    SDL_UnlockSurface(shown);
    EXPECT_EQ(r * 65536 + g * 256 + b, 0xFF7F00);

    // The camera stays in the scene tree, which the engine takes down with it.
    material->ReturnToPool();
    delete engine;
    // The process goes on after this engine: its scene is live again for the tests that follow.
    ZSceneTree::SetShutdownBegun(false);
}

INSTANTIATE_TEST_SUITE_P(Names, D3D7EngineWindow, ::testing::Values("renderd3d7", "direct3d"));
