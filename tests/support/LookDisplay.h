#pragma once
// The game's engine on a real display for the look tests: the core objects, the OpenGL back end on
// an 800 x 600 window, the game's shaders, text drawing, 2D layers, resources and strings, and the
// state stack. Settle runs frames with their pictures loaded; Shot draws the frame and writes it as
// a PNG for a person to look at. A fixture
// derives from LookDisplay, opens it in its test and closes the game's own objects in TearDown
// before calling CloseDisplay.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "engine/app/ZGame.h"
#include "engine/app/ZGameEngine.h"
#include "engine/app/ZInput.h"
#include "engine/core/ZAllocBase.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZRenderFont.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZSceneTree.h"
#include "support/DisplayTestSupport.h"
#include "support/PngShot.h"

extern bool g_engineStartingUp;

namespace qvtest
{
class LookDisplay : public ::testing::Test
{
protected:
    class LookEngine : public ZGameEngine
    {
    public:
        LookEngine() { SetNames("Quorvane", "quorvane"); }
        bool CheckSingleInstance() override { return true; }
    };

    // Brings the engine up on a real display with the game's data and an empty state stack. False
    // with the reason in `why` when no display can be had (the test skips), false with a failure
    // added and `why` empty when anything else does not come up.
    bool OpenDisplay(std::string& why)
    {
        if (!OpenRealDisplay(why))
            return false;
        m_pause = std::make_unique<LeakCheckPause>();
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
        // The text drawing takes its "font" shader, defined only now, when it starts again:
        // without this every text node draws nothing.
        if (ZRenderFont* fonts = m_render->GetTextRenderer())
            fonts->Init();
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
        g_frameTimer->now = 10.0;
        m_game = std::make_unique<ZGame>();
        return true;
    }

    // One frame of the game's loop, without drawing.
    void Frame(double dt)
    {
        g_frameTimer->now += dt;
        g_frameTimer->frameDelta = dt;
        ZResourceManager::GetInstance()->ProcessFinished();
        ZSceneTree::GetInstance()->Update();
        m_game->Update(dt);
    }

    // Frames of 20 ms, each followed by the pictures it asked for being decoded: a screen just
    // stacked asks for its pictures as it starts, and a backdrop not yet loaded would show black.
    void Settle(int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            Frame(0.02);
            ZResourceManager::GetInstance()->WaitForPendingLoads();
        }
    }

    // Draws the current frame and writes it to the file. Pictures still on the loader thread are
    // waited for first, as the game's own frame would show them a moment later.
    void Shot(const char* file)
    {
        ZResourceManager::GetInstance()->WaitForPendingLoads();
        ZResourceManager::GetInstance()->ProcessFinished();
        m_render->FlushUploadQueue();
        m_render->RenderViews();
        uint32_t w = 0, h = 0;
        uint32_t* pixels = m_render->GrabScreen(w, h);
        ASSERT_NE(pixels, nullptr);
        WritePng(file, pixels, w, h);
        GetAllocHook()->Free(pixels);
    }

    bool IsOpen() const { return m_engine != nullptr; }
    bool HasGame() const { return m_game != nullptr; }
    // The state stack goes (after the states the test made, before the engine).
    void CloseGame() { m_game.reset(); }

    // Takes the engine and the window down; the test's own objects must be gone already.
    void CloseDisplay()
    {
        if (!m_engine)
            return;
        m_game.reset();
        delete m_engine;
        m_engine = nullptr;
        m_window.Destroy();
        plat::ClearMessages();
        plat::ShutdownVideo();
    }

private:
    static bool Fail(std::string& why, const std::string& reason)
    {
        why.clear();
        ADD_FAILURE() << reason;
        return false;
    }

    std::unique_ptr<LeakCheckPause> m_pause;
    ZMountTable m_table;
    LookEngine* m_engine = nullptr;
    ZPlatformWindow m_window;
    ZRenderOpenGL* m_render = nullptr;
    std::unique_ptr<ZGame> m_game;
};
} // namespace qvtest
