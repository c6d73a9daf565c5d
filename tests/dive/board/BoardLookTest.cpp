// What a dive looks like: the in-game state with a shipped board drawn by the OpenGL back end
// from the game's generated pictures, written as a PNG for a person to look at. Runs only when
// QV_DIVE_SHOT names the file to write (and a display is there).
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

extern bool g_engineStartingUp;

namespace
{
class LookEngine : public ZGameEngine
{
public:
    LookEngine() { SetNames("Quorvane", "quorvane"); }
    bool CheckSingleInstance() override { return true; }
};

void WritePng(const std::string& path, const uint32_t* argb, uint32_t w, uint32_t h)
{
    std::string raw;
    for (uint32_t y = 0; y < h; ++y)
    {
        raw.push_back('\0');
        for (uint32_t x = 0; x < w; ++x)
        {
            const uint32_t p = argb[size_t(y) * w + x];
            raw.push_back(char((p >> 16) & 0xFF));
            raw.push_back(char((p >> 8) & 0xFF));
            raw.push_back(char(p & 0xFF));
        }
    }
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<Bytef> packed(size);
    compress(packed.data(), &size, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    std::ofstream out(path, std::ios::binary);
    auto be = [&](uint32_t v)
    {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        out.write(b, 4);
    };
    auto chunk = [&](const char* type, const std::string& data)
    {
        be(uint32_t(data.size()));
        std::string all = std::string(type, 4) + data;
        out.write(all.data(), std::streamsize(all.size()));
        be(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(all.data()), uInt(all.size()))));
    };
    out.write("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    for (uint32_t v : {w, h})
        for (int s = 24; s >= 0; s -= 8)
            header.push_back(char(v >> s));
    header += std::string("\x08\x02\x00\x00\x00", 5);
    chunk("IHDR", header);
    chunk("IDAT", std::string(reinterpret_cast<const char*>(packed.data()), size));
    chunk("IEND", "");
}
} // namespace

TEST(DiveLook, ABoardOnScreen)
{
    const char* shot = std::getenv("QV_DIVE_SHOT");
    if (!shot)
        GTEST_SKIP() << "QV_DIVE_SHOT names no file to write";
    std::string why;
    if (!qvtest::OpenRealDisplay(why))
        GTEST_SKIP() << why;
    qvtest::LeakCheckPause pause;
    const char* boardName = std::getenv("QV_DIVE_BOARD") ? std::getenv("QV_DIVE_BOARD") : "sand01";

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
        std::vector<std::pair<ZTile*, ZTile*>> candidates;
        ZBoardHints::CollectHintCandidates(candidates);
        if (!candidates.empty())
        {
            board->selectTile(candidates[0].first);
            board->trySwap(candidates[0].second);
        }
        for (int i = 0; i < 30; ++i)
            frame(0.02);
        render->FlushUploadQueue();
        render->RenderViews();
        uint32_t w = 0, h = 0;
        uint32_t* pixels = render->GrabScreen(w, h);
        ASSERT_NE(pixels, nullptr);
        WritePng(shot, pixels, w, h);
        GetAllocHook()->Free(pixels);
        ZInGame::DestroyInstance();
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
