#pragma once
// The game object on the real state stack with the game's own layouts: the authored files of data/
// and the generated pictures and lists of the build mounted as "resources", a recording renderer,
// the input fed by the test, a private user-data folder, and frames that run the input, the scene
// and the game's update as the engine does. The splash is off, so the loader runs at start.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/app/ZEngine.h"
#include "engine/app/ZFader.h"
#include "engine/audio/ZAudioNullSound.h"
#include "engine/audio/ZPlayList.h"
#include "engine/resource/ZHighscoreTable.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/ZShellSettings.h"
#include "game/dive/ZInGame.h"
#include "game/shell/ZQuorvane.h"
#include "tests/support/UiTestSupport.h"

namespace shelltest
{
// Audio that remembers what the game asked of the music.
class MusicLog : public ZAudioNullSound
{
public:
    void PlayPlayList(ZPlayListData* list) override
    {
        ++plays;
        playing.CopyTracksFrom(*list);
        on = true;
    }
    ZPlayListData* GetPlayList() override { return &playing; }
    bool IsMusicOn() const override { return on; }
    void FadeInMusic(float seconds) override
    {
        ++fadeIns;
        (void)seconds;
    }
    void PauseAll(bool pause) override { paused = pause; }
    void PauseMusic(bool pause) override { musicPaused = pause; }

    ZPlayListData playing;
    int plays = 0;
    int fadeIns = 0;
    bool on = false;
    bool paused = false;
    bool musicPaused = false;
};

class ShellTest : public uitest::UiTest
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/qv_shell_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home = pattern;
        setenv("XDG_DATA_HOME", home.c_str(), 1);
        // Files a test puts here are read before the game's own.
        std::filesystem::create_directories(home + "/override");
        table.AddMount("resources", (home + "/override").c_str());
        table.AddMount("resources", (std::string(QV_SOURCE_DIR) + "/data").c_str());
        table.AddMount("resources", (std::string(QV_BINARY_DIR) + "/data/resources").c_str());
        table.AddMount("localized", (std::string(QV_SOURCE_DIR) + "/data/localized/en").c_str());
        UiTest::SetUp();
        ASSERT_EQ(engine->CreateLayers(), 0);
        ZLayer2D* layer = ZLayer2DManager::GetInstance()->GetCurrentLayer();
        pointer = ZMousePointer::GetInstance();
        pointer->EnterPhase2();
        pointer->SetLayerCamera(layer->camera);
        audio = new MusicLog();
        engine->SetAudio(audio);
        g_zelkSplashScreen.SetValue(false);
        g_zelkEnableBackground.SetValue(false);
        engine->ClearFlags(kEngineQuit | kEnginePaused);
    }
    void TearDown() override
    {
        g_zelkBoard.SetValue(std::string());
        delete quorvane;
        quorvane = nullptr;
        engine->SetGame(nullptr);
        ZProfileManager::DestroyInstance();
        ZHighscoreTable::DestroyInstance();
        ZToolTipManager::DestroyInstance();
        // Dimming screens make the fader, whose camera lives in this test's scene.
        ZFader::DestroyInstance();
        g_zelkSplashScreen.Reset(false);
        g_zelkEnableBackground.Reset(false);
        g_profileRelaxMode.Reset(false);
        g_enginePauseOnBlur.Reset(false);
        UiTest::TearDown();
        std::error_code error;
        std::filesystem::remove_all(home, error);
    }
    // A file of the game's resources replaced for this test.
    void Override(const char* name, const std::string& bytes)
    {
        std::ofstream(home + "/override/" + name, std::ios::binary) << bytes;
    }
    // A player before start, as a returning player has.
    void MakePlayer(const char* name)
    {
        ZProfileManager* profiles = ZProfileManager::GetInstance();
        ASSERT_TRUE(profiles->NewProfile(name));
    }
    void StartGame()
    {
        quorvane = new ZQuorvane();
        engine->SetGame(quorvane);
        quorvane->Start();
        Frames(10);
    }
    void Frames(int n, double step = 0.02)
    {
        for (int i = 0; i < n; ++i)
        {
            Frame(step);
            quorvane->Update(step);
            // Loads finish within the frame, as in the engine's fixed-step test mode, and what
            // nothing holds any more is freed at its end, as the engine does.
            engine->SettleLoads();
            if (ZResourceManager* resources = ZResourceManager::PeekInstance())
                resources->UnloadParked();
        }
    }
    void Key(uint32_t scanCode, int character = 0)
    {
        input->QueueKeyDown(uint32_t(character) & 0xFF, scanCode << 16);
        input->QueueKeyUp(uint32_t(character) & 0xFF, scanCode << 16);
        input->Update();
        Frames(3);
    }
    // A click with the pointer on the middle of a node, as a player makes it.
    void ClickOn(ZNode* node)
    {
        V3 p{};
        if (auto* geom = ZEntityCast<ZGeom>(node))
            geom->LocalToWorld(p);
        MoveToLogical(p.x, p.y);
        Press();
        Release();
        Frames(3);
    }
    ZGameState* Top() { return quorvane->GetTopState(); }
    // Frames until the state is on top (at most `limit`).
    bool RunUntilTop(ZGameState* state, int limit)
    {
        for (int i = 0; i < limit && Top() != state; ++i)
            Frames(1);
        return Top() == state;
    }
    // A new player's game started on a board by name, until its board has faded in and the air
    // runs; null when the dive never came on top. The sea stands behind the screens only when asked.
    ZInGame* StartDive(const char* board = "sand_01", bool withSea = false)
    {
        g_zelkEnableBackground.SetValue(withSea);
        MakePlayer("Ann");
        g_zelkBoard.SetValue(board);
        StartGame();
        auto* dive = static_cast<ZInGame*>(quorvane->GetInGame());
        if (!RunUntilTop(dive, 400))
            return nullptr;
        Frames(250);
        return dive;
    }
    template <class T> ZGameState* State(T* screen) { return static_cast<ZGameState*>(screen); }

    std::string home;
    ZMousePointer* pointer = nullptr;
    MusicLog* audio = nullptr;
    ZQuorvane* quorvane = nullptr;
};
} // namespace shelltest
