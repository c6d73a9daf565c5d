// What the sea map looks like: the shipped chart, markers, places and bar with a campaign some
// way along, and a level card over it, drawn by the OpenGL back end and written as PNGs for a
// person to look at. Runs only when QV_MAP_SHOT names the file to write (and a display is there);
// QV_MAP_CARD_SHOT names the card's picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/app/ZGame.h"
#include "engine/app/ZGameEngine.h"
#include "engine/app/ZInput.h"
#include "engine/core/ZAllocBase.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZPropertyManager.h"
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
#include "engine/ui/ZLayer2D.h"
#include "engine/ui/ZMousePointer.h"
#include "game/common/ZShellSettings.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "game/screens/ZLevelPreview.h"
#include "game/screens/map/ZMapScreen.h"
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

class MapLook : public ::testing::Test
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
        // The text drawing takes its "font" shader, defined only now, when it starts again.
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
        // The map listens to the campaign's story flags: it goes before the campaign.
        while (!m_owned.empty())
            m_owned.pop_back();
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
    std::vector<std::unique_ptr<ZGameState>> m_owned;
};

TEST_F(MapLook, TheChartAndALevelCard)
{
    const char* shot = std::getenv("QV_MAP_SHOT");
    if (!shot)
        GTEST_SKIP() << "QV_MAP_SHOT names the file to write (the card goes to QV_MAP_CARD_SHOT)";
    std::string why;
    if (!Open(why))
    {
        if (!why.empty())
            GTEST_SKIP() << why;
        return;
    }
    auto* campaign = new ZLevelControl();
    m_owned.emplace_back(campaign);
    ASSERT_EQ(campaign->LoadScript(), 0);
    // A player some way into the second sea: medals behind, shops and a bonus game open.
    const auto& levels = campaign->GetLevels();
    for (size_t i = 0; i < 14 && i < levels.size(); ++i)
        levels[i]->medal = int32_t(i % 4);
    g_profileShowLevels.SetValue(15);
    g_profileShopLevel.SetValue(2);
    g_profileBonusLevel.SetValue(1);
    g_profileCrewButton.SetValue(true);
    g_profileEquipButton.SetValue(true);
    g_profileRotation.SetValue(true);
    g_profileAmulet.SetValue(2);
    for (int i = 0; i < 3; ++i)
        if (ZPropertyBool* place = FindPlaceInfoSetting(i))
            place->SetValue(true);
    if (ZPropertyBool* story = ZPropertyManager::GetInstance()->FindTyped<bool>("story.arrive_coral"))
        story->SetValue(true);
    auto* preview = new ZLevelPreview();
    m_owned.emplace_back(preview);
    auto* map = new ZMapScreen();
    m_owned.emplace_back(map);
    map->SetLevelPreview(preview);
    ZGame::GotoState(map);
    for (int i = 0; i < 400; ++i)
        Frame(0.02);
    Shot(shot);
    if (const char* card = std::getenv("QV_MAP_CARD_SHOT"))
    {
        map->OpenPreview(12);
        for (int i = 0; i < 60; ++i)
            Frame(0.02);
        Shot(card);
    }
}
} // namespace
