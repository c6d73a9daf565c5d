// What the bonus game looks like: a location with its shipped pictures, layout, levels and texts
// drawn by the OpenGL back end, with a few objects found and the hint showing, written as a PNG for
// a person to look at. Runs only when QV_HIDDEN_SHOT names the file to write (and a display is
// there); QV_HIDDEN_LOCATION picks the location (1..3, default 1).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "engine/core/ZFrameTimer.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZGameEngine.h"
#include "engine/app/ZInput.h"
#include "engine/core/ZAllocBase.h"
#include "engine/resource/ZStringTable.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZLayer2D.h"
#include "engine/ui/ZMousePointer.h"
#include "game/hiddenobject/ZHiddenObject.h"
#include "game/hiddenobject/ZHiddenObjectGame.h"
#include "game/hiddenobject/ZHiddenObjectLevel.h"
#include "support/DisplayTestSupport.h"
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

class HiddenObjectLook : public ::testing::Test
{
protected:
    bool Open(std::string& why)
    {
        if (!qvtest::OpenRealDisplay(why))
            return false;
        m_pause = std::make_unique<qvtest::LeakCheckPause>();
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
        m_engine->SetInput(new ZInputWindows());
        if (m_engine->CreateLayers() != 0)
            return Fail(why, "no 2D layers");
        if (IFile* file = ZFileSystem::GetInstance()->Open("localized:strings.xml", FILE_READ))
        {
            if (file->Open() == 0)
                ZStringTable::GetInstance()->LoadXml(file);
            delete file;
        }
        ImportSceneFile(ZResourcePath("resources:resources.xml"), ZSceneTree::GetInstance());
        ZResourceManager::GetInstance()->LoadAllResources();
        ZMousePointer* pointer = ZMousePointer::GetInstance();
        pointer->EnterPhase2();
        pointer->SetLayerCamera(ZLayer2DManager::GetInstance()->GetDefaultLayer()->camera);
        g_frameTimer->now = 10.0;
        m_game = std::make_unique<ZGame>();
        return true;
    }

    void Frame(double dt)
    {
        g_frameTimer->now += dt;
        g_frameTimer->frameDelta = dt;
        ZResourceManager::GetInstance()->ProcessFinished();
        ZSceneTree::GetInstance()->Update();
        m_game->Update(dt);
    }

    void Shot(const char* file)
    {
        // The big pictures come from the loader thread, as in the game's own frame loop.
        ZResourceManager::GetInstance()->WaitForPendingLoads();
        ZResourceManager::GetInstance()->ProcessFinished();
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
        m_game.reset();
        ZHiddenObjectGame::ReleaseAll();
        delete m_engine;
        m_window.Destroy();
        plat::ClearMessages();
        plat::ShutdownVideo();
    }

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

TEST_F(HiddenObjectLook, ALocationOnScreen)
{
    const char* shot = std::getenv("QV_HIDDEN_SHOT");
    if (!shot)
        GTEST_SKIP() << "QV_HIDDEN_SHOT names no file to write";
    std::string why;
    if (!Open(why))
    {
        if (!why.empty())
            GTEST_SKIP() << why;
        return;
    }
    const char* chosen = std::getenv("QV_HIDDEN_LOCATION");
    const int n = chosen ? std::clamp(std::atoi(chosen), 1, 3) : 1;
    char name[16], picture[64], levels[64];
    std::snprintf(name, sizeof(name), "hidden%i", n);
    std::snprintf(picture, sizeof(picture), "resources:hiddenobject%i.xml", n);
    std::snprintf(levels, sizeof(levels), "resources:hiddenobjectlevels%i.xml", n);
    ZHiddenObjectGame* game = ZHiddenObjectGame::Get(name);
    game->Setup(n - 1, picture, levels);
    ASSERT_EQ(game->Load(), 0);
    ASSERT_FALSE(game->GetLevels().empty());
    game->StartLevel(game->GetLevels()[1]);
    ZGame::GotoState(game);
    for (int i = 0; i < 60; ++i)
        Frame(0.02);
    ASSERT_EQ(game->GetPhase(), ZHiddenObjectGame::kPhasePlaying);
    // Two objects found, then a hint once it has recharged.
    ZHiddenObjectLevel* level = game->GetCurrentLevel();
    for (int i = 0; i < 2 && !level->GetRemaining().empty(); ++i)
    {
        ZHiddenObject* object = level->GetRemaining().front();
        if (object->IsGroup())
            object = object->GetMembers().front();
        level->OnObjectFound(object);
        if (object->GetNode())
            object->GetNode()->SetActive(false);
    }
    for (int i = 0; i < int(31.0 / 0.02); ++i)
        Frame(0.02);
    game->UseHint();
    for (int i = 0; i < 30; ++i)
        Frame(0.02);
    Shot(shot);
}
} // namespace
