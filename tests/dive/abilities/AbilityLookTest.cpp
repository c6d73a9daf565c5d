// What the abilities look like in a dive: a belt of ability buttons with their icons beside a
// board with ice, an armed area break previewing the tiles it would hit, drawn by the OpenGL back
// end from the game's generated pictures and written as a PNG for a person to look at. Runs only
// when QV_ABILITY_SHOT names the file to write (and a display is there).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZFrameTimer.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZGameEngine.h"
#include "engine/app/ZInput.h"
#include "engine/core/ZAllocBase.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZShaderLibrary.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZGameSprite.h"
#include "engine/ui/ZMousePointer.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZTokenType.h"
#include "support/DisplayTestSupport.h"

#include "engine/render/ZTexture.h"
#include "engine/ui/ZSprite2D.h"
#include "game/dive/model/ZBoardGrid.h"
#include "game/dive/abilities/ZAbilityButton.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "support/PngShot.h"

extern bool g_engineStartingUp;

namespace
{
class LookEngine : public ZGameEngine
{
public:
    LookEngine() { SetNames("Quorvane", "quorvane"); }
    bool CheckSingleInstance() override { return true; }
};
} // namespace

TEST(AbilityLook, ABeltAndAnArmedAbilityOnABoardWithIce)
{
    const char* shot = std::getenv("QV_ABILITY_SHOT");
    if (!shot)
        GTEST_SKIP() << "QV_ABILITY_SHOT names no file to write";
    std::string why;
    if (!qvtest::OpenRealDisplay(why))
        GTEST_SKIP() << why;
    qvtest::LeakCheckPause pause;
    const char* boardName = std::getenv("QV_DIVE_BOARD") ? std::getenv("QV_DIVE_BOARD") : "volcano01";
    ZMountTable table;
    table.AddMount("resources", (std::string(QV_BINARY_DIR) + "/data/resources").c_str());
    table.AddMount("resources", (std::string(QV_SOURCE_DIR) + "/data").c_str());
    table.AddMount("localized", (std::string(QV_SOURCE_DIR) + "/data/localized/en").c_str());
    new ZFileSystem(&table);
    auto* engine = new LookEngine();
    engine->CreateCoreObjects();
    g_engineStartingUp = false;
    ZPlatformWindow window;
    ASSERT_EQ(window.Create("Quorvane", 800, 600, true, ZPlatformWindow::kOpenGL), 0);
    auto* render = new ZRenderOpenGL();
    render->SetResourceManager(ZResourceManager::GetInstance());
    ASSERT_EQ(render->Init(800, 600, true, &window), 0);
    engine->SetRender(render);
    std::ifstream defs(std::string(QV_SOURCE_DIR) + "/data/shaders.def");
    std::stringstream text;
    text << defs.rdbuf();
    ZShaderLibrary::GetInstance()->ParseDefinitions(text.str().c_str());
    auto* input = new ZInputWindows();
    engine->SetInput(input);
    ASSERT_EQ(engine->CreateLayers(), 0);
    ImportSceneFile(ZResourcePath("resources:resources.xml"), ZSceneTree::GetInstance());
    g_frameTimer->now = 10.0;
    {
        ZGame game;
        ZInGame* dive = ZInGame::GetInstance();
        ZGame::GotoState(dive);
        auto frame = [&](double dt)
        {
            g_frameTimer->now += dt;
            g_frameTimer->frameDelta = dt;
            ZSceneTree::GetInstance()->Update();
            game.Update(dt);
        };
        for (int i = 0; i < 3; ++i)
            frame(0.02);
        ASSERT_TRUE(dive->StartLevel(boardName, 1, -1));
        for (int i = 0; i < 150; ++i)
            frame(0.02);
        ZBoard* board = ZBoard::GetInstance();
        ZAbilityManager* manager = ZAbilityManager::GetInstance();
        // A belt of five items down the left edge, each button a panel with its icon.
        const char* items[5] = {"break3x3", "swap", "air", "haltfreeze", "breakallchains"};
        for (int i = 0; i < 5; ++i)
        {
            ZAbilityButton* button = ZAbilityButton::Create();
            button->SetPositionXYZ(-350.0f, 160.0f - 80.0f * float(i), -50.0f);
            dive->GetRoot()->AddChild(button);
            ZSprite2D* back = ZSprite2D::Create();
            back->SetName("idle");
            back->SetTexture(ZTexture::FindOrLoad("resources:button_round_idle.png", 0, 1), true);
            back->SetSize(72.0f, 72.0f);
            button->AddChild(back);
            ZSprite2D* icon = ZSprite2D::Create();
            icon->SetName("icon");
            icon->SetSize(56.0f, 56.0f);
            icon->SetPositionXYZ(0.0f, 0.0f, -1.0f);
            button->AddChild(icon);
            button->SetProperty(ZNameId("idle").Value(), "idle", "idle");
            button->OnLoaded();
            button->SetItem(ZAbilityManager::FindAbilityId(items[i]));
            button->SetEnabled(i != 4);
        }
        // The area break armed and previewed at the board's centre tile.
        manager->ArmAbilityById(ZAbilityManager::FindAbilityId("break3x3"));
        ZBoardGrid& grid = board->grid();
        board->setHoverTile(grid.tileAt(grid.getWidth() / 2, grid.getHeight() / 2));
        for (int i = 0; i < 30; ++i)
            frame(0.02);
        render->FlushUploadQueue();
        render->RenderViews();
        uint32_t w = 0, h = 0;
        uint32_t* pixels = render->GrabScreen(w, h);
        ASSERT_NE(pixels, nullptr);
        qvtest::WritePng(shot, pixels, w, h);
        GetAllocHook()->Free(pixels);
        manager->DisarmAbility();
        ZInGame::DestroyInstance();
        ZAbilityManager::DestroyInstance();
    }
    ZBoardHints::DestroyInstance();
    ZCompletionBar::DestroyInstance();
    ZArtifactRegistry::DestroyInstance();
    ReleaseTokenTypeTextures();
    ZTile::releaseSharedVisuals();
    delete engine;
    window.Destroy();
    plat::ClearMessages();
    plat::ShutdownVideo();
}
