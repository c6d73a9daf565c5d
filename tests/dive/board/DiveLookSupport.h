#pragma once
// A dive on a real window for the look tests: the engine's core objects, the OpenGL back end on an
// 800 x 600 window, the game's pictures, materials and shaders, and the in-game state with a
// shipped board started and settled; Shot draws the frame and writes it as a PNG for a person to
// look at. Open skips the test when QV_* names no file to write or no display is there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "engine/app/ZGame.h"
#include "engine/app/ZGameEngine.h"
#include "engine/app/ZInput.h"
#include "engine/core/ZAllocBase.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZRenderFont.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/scene/ZSceneTree.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZTokenType.h"
#include "support/DisplayTestSupport.h"
#include "support/PngShot.h"

extern bool g_engineStartingUp;

namespace divetest
{
class DiveLook : public ::testing::Test
{
protected:
    class LookEngine : public ZGameEngine
    {
    public:
        LookEngine() { SetNames("Quorvane", "quorvane"); }
        bool CheckSingleInstance() override { return true; }
    };

    // The file named by the variable, or null (the caller skips).
    static const char* ShotFile(const char* variable) { return std::getenv(variable); }

    // Brings the engine up on a real display and starts the board (QV_DIVE_BOARD, else the given
    // one). False with the reason in `why` when no display can be had (the test skips), false
    // with a failure added when anything else does not come up.
    bool Open(const char* defaultBoard, std::string& why)
    {
        if (!qvtest::OpenRealDisplay(why))
            return false;
        m_pause = std::make_unique<qvtest::LeakCheckPause>();
        const char* boardName = std::getenv("QV_DIVE_BOARD") ? std::getenv("QV_DIVE_BOARD") : defaultBoard;
        m_table.AddMount("resources", (std::string(QV_BINARY_DIR) + "/data/resources").c_str());
        m_table.AddMount("resources", (std::string(QV_SOURCE_DIR) + "/data").c_str());
        m_table.AddMount("localized", (std::string(QV_SOURCE_DIR) + "/data/localized/en").c_str());
        new ZFileSystem(&m_table);
        m_engine = new LookEngine();
        m_engine->CreateCoreObjects();
        g_engineStartingUp = false;
        if (m_window.Create("Quorvane", 800, 600, true, ZPlatformWindow::kOpenGL) != 0)
            return Fail(why, "no window");
        m_render = new ZRenderOpenGL();
        m_render->SetResourceManager(ZResourceManager::GetInstance());
        if (m_render->Init(800, 600, true, &m_window) != 0)
            return Fail(why, "no OpenGL renderer");
        m_engine->SetRender(m_render);
        std::ifstream defs(std::string(QV_SOURCE_DIR) + "/data/shaders.def");
        std::stringstream text;
        text << defs.rdbuf();
        ZShaderLibrary::GetInstance()->ParseDefinitions(text.str().c_str());
        // The text drawing takes its "font" shader, defined only now, when it starts again.
        if (ZRenderFont* fonts = m_render->GetTextRenderer())
            fonts->Init();
        m_engine->SetInput(new ZInputWindows());
        if (m_engine->CreateLayers() != 0)
            return Fail(why, "no 2D layers");
        ImportSceneFile(ZResourcePath("resources:resources.xml"), ZSceneTree::GetInstance());
        g_frameTimer->now = 10.0;
        m_game = std::make_unique<ZGame>();
        dive = ZInGame::GetInstance();
        ZGame::GotoState(dive);
        for (int i = 0; i < 3; ++i)
            Frame(0.02);
        if (!dive->StartLevel(boardName, 1, -1))
            return Fail(why, std::string("board ") + boardName + " does not start");
        for (int i = 0; i < 150; ++i)
            Frame(0.02);
        board = ZBoard::GetInstance();
        return true;
    }

    void Frame(double dt)
    {
        g_frameTimer->now += dt;
        g_frameTimer->frameDelta = dt;
        ZSceneTree::GetInstance()->Update();
        m_game->Update(dt);
    }

    // Draws the current frame and writes it to the file.
    void Shot(const char* file)
    {
        m_render->FlushUploadQueue();
        m_render->RenderViews();
        uint32_t w = 0, h = 0;
        uint32_t* pixels = m_render->GrabScreen(w, h);
        ASSERT_NE(pixels, nullptr);
        qvtest::WritePng(file, pixels, w, h);
        GetAllocHook()->Free(pixels);
    }

    void TearDown() override
    {
        if (!m_engine)
            return;
        if (m_game)
        {
            ZInGame::DestroyInstance();
            BeforeGameGoes();
            m_game.reset();
        }
        ZBoardHints::DestroyInstance();
        ZCompletionBar::DestroyInstance();
        ZArtifactRegistry::DestroyInstance();
        ReleaseTokenTypeTextures();
        ZTile::releaseSharedVisuals();
        delete m_engine;
        m_window.Destroy();
        plat::ClearMessages();
        plat::ShutdownVideo();
    }

    // What a test made beside the dive goes here, after the in-game state and before the stack.
    virtual void BeforeGameGoes() {}

    ZInGame* dive = nullptr;
    ZBoard* board = nullptr;

private:
    static bool Fail(std::string& why, const std::string& reason)
    {
        why.clear();
        ADD_FAILURE() << reason;
        return false;
    }

    std::unique_ptr<qvtest::LeakCheckPause> m_pause;
    ZMountTable m_table;
    LookEngine* m_engine = nullptr;
    ZPlatformWindow m_window;
    ZRenderOpenGL* m_render = nullptr;
    std::unique_ptr<ZGame> m_game;
};
} // namespace divetest
