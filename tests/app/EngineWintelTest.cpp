// The platform engine layer's window procedure and message pump, driven by posted messages (and
// by synthesized platform events under the window-less dummy video driver): input messages feed
// the input layer, the system keys, pausing on minimise and focus loss, the pointer leaving the
// game area, screenshots. Tests that need a real window skip without a display.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZEngineWintel.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZInput.h"
#include "engine/audio/IAudio.h"
#include "engine/core/ZAllocBase.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZPixelFormat.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/render/resources/ZTextureLoader.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZStringTable.h"
#include "platform/PlatformTestSupport.h"

namespace
{
using plat::Message;
using plat::MessageType;

std::vector<std::string> g_log;

class FakeRender : public IRender
{
public:
    int Init(int, int, bool, ZPlatformWindow*) override { return 0; }
    void SetResourceManager(ZResourceManager*) override {}
    void SetSize(int w, int h) override
    {
        g_log.push_back("size " + std::to_string(w) + "x" + std::to_string(h));
    }
    void SetWindowPosition(float x, float y) override
    {
        g_log.push_back("position " + std::to_string(int(x)) + "," + std::to_string(int(y)));
    }
    uint32_t GetFrameCount() const override { return frames; }
    int RenderFrame() override
    {
        ++frames;
        return 0;
    }
    void EnableStateA(uint16_t mask) override { stateA |= mask; }
    bool TestStateA(uint16_t mask) const override { return (stateA & mask) != 0; }
    void UploadOneQueued() override {}
    bool HasQueuedUploads() const override { return false; }
    int ResetMatrices() override { return 0; }
    void SetSystemCursorShown(bool shown) override
    {
        g_log.push_back(shown ? "cursor shown" : "cursor hidden");
    }
    void RequestDisplayReset() override { g_log.push_back("display reset"); }
    void ApplyState() override { g_log.push_back("apply state"); }
    void ApplyHardwareCursor(bool) override { g_log.push_back("hardware cursor"); }
    uint32_t* GrabScreen(uint32_t& width, uint32_t& height) override
    {
        if (!grabGivesPixels)
            return IRender::GrabScreen(width, height);
        width = 4;
        height = 2;
        auto* pixels = static_cast<uint32_t*>(GetAllocHook()->Alloc(width * height * 4));
        for (uint32_t i = 0; i < width * height; ++i)
            pixels[i] = 0xFF000000u | i;
        return pixels;
    }
    uint32_t frames = 0;
    uint16_t stateA = 0;
    bool grabGivesPixels = true;
};

class FakeAudio : public IAudio
{
public:
    int Init() override { return 0; }
    void Update() override {}
    void PauseAll(bool pause) override { g_log.push_back(pause ? "audio paused" : "audio resumed"); }
    bool HasPendingWork() const override { return false; }
    void IdleStep() override {}
};

class CountingInput : public ZInputWindows
{
public:
    void Reset() override { g_log.push_back("input reset"); }
};

// Ends the game after a number of frames, and remembers whether any frame ran while paused.
class FrameGame : public ZGame
{
public:
    void Update(double) override
    {
        ++frames;
        if (logFrames)
            g_log.push_back("frame " + std::to_string(frames));
        if (g_engine->TestFlags(kEnginePaused))
            ranWhilePaused = true;
        if (frames >= quitAfter)
            g_engine->SetFlags(kEngineQuit);
    }
    bool OnFocusLost() override { return takesFocus; }
    bool OnFocusGained() override { return takesFocus; }
    int frames = 0;
    int quitAfter = 3;
    bool ranWhilePaused = false;
    bool takesFocus = false;
    bool logFrames = false;
};

class PumpEngine : public ZEngineWintel
{
public:
    PumpEngine()
    {
        SetNames("Pump Test", "pumptest");
        CreateCoreObjects();
    }
    ~PumpEngine() override
    {
        delete m_game;
        m_game = nullptr;
    }
    bool CheckVersion() override { return true; }
    void Monitor() override
    {
        ZEngineWintel::Monitor();
        if (TestFlags(kEnginePaused))
            ++pausedPasses;
        if (onPass)
            onPass(*this);
    }
    void SetRedrawOnPaint(bool on) { m_redrawOnPaint = on; }

    int pausedPasses = 0;
    std::function<void(PumpEngine&)> onPass;
};

Message Make(MessageType type, uint32_t wParam = 0, uint32_t lParam = 0, int x = 0, int y = 0,
             int button = -1)
{
    Message m;
    m.type = type;
    m.wParam = wParam;
    m.lParam = lParam;
    m.x = x;
    m.y = y;
    m.button = button;
    return m;
}

uint32_t KeyWord(uint32_t scan, bool up = false, bool repeat = false)
{
    return 1u | (scan << 16) | (up ? 0xC0000000u : 0u) | (repeat ? plat::kKeyPreviousDown : 0u);
}
uint32_t AltWord(uint32_t scan, bool repeat = false)
{
    return KeyWord(scan, false, repeat) | plat::kKeyAltContext;
}

const Message kAltF4 = Make(MessageType::SysKeyDown, 0x73, AltWord(0x3E));
const Message kEsc = Make(MessageType::KeyDown, 0x1B, KeyWord(0x01));
const Message kMarker = Make(MessageType::Move, 0, 0, 12, 34);

class LogListener : public IInputMouseListener, public IInputKeyboardListener
{
public:
    void OnButtonDown(uint32_t b) override { g_log.push_back("down " + std::to_string(b)); }
    void OnButtonUp(uint32_t b) override { g_log.push_back("up " + std::to_string(b)); }
    void OnMove(const SInputMouseEvent& e) override
    {
        g_log.push_back("move " + std::to_string(int(e.x)) + "," + std::to_string(int(e.y)));
    }
    void OnKey(uint32_t s, int32_t c) override
    {
        g_log.push_back("key " + std::to_string(s) + " " + std::to_string(c));
    }
    void OnKeyUp(uint32_t s, int32_t c) override
    {
        g_log.push_back("keyup " + std::to_string(s) + " " + std::to_string(c));
    }
};

class WintelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_log.clear();
        ZInputRecorder::DestroyInstance();
        ASSERT_EQ(plat::InitVideo(), 0) << plat::GetVideoError();
        plat::ClearMessages();
        g_engineEnableFpsLimit.SetFromText("false", false, false);
        g_enginePauseOnBlur.SetFromText("true", false, false);
        g_engineRenderWindow.SetFromText("true", false, false);
        g_renderWidth.SetFromText("800", false, false);
        g_renderHeight.SetFromText("600", false, false);
        MakeEngine();
    }
    void MakeEngine()
    {
        engine = new PumpEngine();
        render = new FakeRender();
        audio = new FakeAudio();
        game = new FrameGame();
        engine->SetRender(render);
        engine->SetAudio(audio);
        engine->SetGame(game);
        UseInput(new CountingInput());
    }
    void TearDown() override
    {
        if (engine)
        {
            // The pointer back inside the game area: the next test starts with the cursor hidden.
            g_engineRenderWindow.SetFromText("true", false, false);
            UseInput(new ZInputWindows());
            Send(Make(MessageType::MouseMove, 0, 0, 1, 1));
        }
        delete engine;
        plat::ClearMessages();
        plat::ShutdownVideo();
        for (ZProperty* p :
             std::initializer_list<ZProperty*>{&g_engineEnableFpsLimit, &g_enginePauseOnBlur,
                                               &g_engineRenderWindow, &g_renderWidth, &g_renderHeight})
            p->Reset(false);
        while (plat::GetCursorShowCount() < 0)
            plat::ShowCursor(true);
        while (plat::GetCursorShowCount() > 0)
            plat::ShowCursor(false);
    }

    // Replaces the input module; a ZInputWindows gets the listener.
    void UseInput(ZInput* input)
    {
        delete engine->GetInput();
        engine->SetInput(input);
        input->Init();
        if (auto* windows = ZEntityCast<ZInputWindows>(input))
        {
            windows->AddMouseListener(&listener);
            windows->AddKeyboardListener(&listener);
        }
    }
    void Post(const Message& m) { plat::PostMessage(m); }
    void Send(const Message& m) { engine->WindowProc(m); }
    std::vector<Message> Waiting()
    {
        std::vector<Message> out;
        Message m;
        while (plat::PeekMessage(m))
            out.push_back(m);
        return out;
    }
    void DispatchInput()
    {
        g_log.clear();
        engine->GetInput()->Update();
        engine->GetInput()->EndFrame();
    }

    qvtest::ScopedEnv m_driver{"SDL_VIDEODRIVER", "dummy"};
    PumpEngine* engine = nullptr;
    FakeRender* render = nullptr;
    FakeAudio* audio = nullptr;
    FrameGame* game = nullptr;
    LogListener listener;
};

// ---------------------------------------------------------------------------------------
// System keys

TEST_F(WintelTest, AltF4EndsThePumpAfterTheCurrentPass)
{
    Post(kAltF4);
    Post(kMarker);
    engine->PumpMessages();
    EXPECT_TRUE(engine->TestFlags(kEngineQuit));
    EXPECT_EQ(game->frames, 0);
    // The next message was never taken, and full screen consumed the key: no close follows.
    const auto rest = Waiting();
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].type, MessageType::Move);
}

TEST_F(WintelTest, AltF4WithoutTheWindowInputLayerStillClosesTheGame)
{
    UseInput(new ZInput());
    Post(kAltF4);
    engine->PumpMessages(); // ends through the close and quit messages the key leads to
    EXPECT_FALSE(engine->TestFlags(kEngineQuit));
    EXPECT_EQ(game->frames, 0);
}

struct EscCase
{
    bool windowInput;
    bool escQuits;
};

class EscTest : public WintelTest, public ::testing::WithParamInterface<EscCase>
{
};

TEST_P(EscTest, EscQuitsOnlyWhileTheFlagIsSet)
{
    if (!GetParam().windowInput)
        UseInput(new ZInput());
    if (!GetParam().escQuits)
        engine->ClearFlags(kEngineEscQuits);
    Post(kEsc);
    engine->PumpMessages();
    // Quitting by Esc ends the pump before any frame; otherwise the game ends it after three.
    EXPECT_EQ(game->frames, GetParam().escQuits ? 0 : 3);
}

INSTANTIATE_TEST_SUITE_P(Cases, EscTest,
                         ::testing::Values(EscCase{true, true}, EscCase{true, false}, EscCase{false, true},
                                           EscCase{false, false}));

TEST_F(WintelTest, AltEnterSwitchesTheWindowModeOncePerPress)
{
    Send(Make(MessageType::SysKeyDown, 0x0D, AltWord(0x1C)));
    EXPECT_FALSE(g_engineRenderWindow.GetValue());
    Send(Make(MessageType::SysKeyDown, 0x0D, AltWord(0x1C, true))); // auto-repeat
    EXPECT_FALSE(g_engineRenderWindow.GetValue());
    Send(Make(MessageType::SysKeyUp, 0x0D, AltWord(0x1C) | 0xC0000000u));
    Send(Make(MessageType::SysKeyDown, 0x0D, AltWord(0x1C)));
    EXPECT_TRUE(g_engineRenderWindow.GetValue());

    // The system keys belong to the window input layer.
    UseInput(new ZInput());
    Send(Make(MessageType::SysKeyDown, 0x0D, AltWord(0x1C)));
    EXPECT_TRUE(g_engineRenderWindow.GetValue());
}

TEST_F(WintelTest, SystemKeysAreConsumedInFullScreenAndGoOnInAWindow)
{
    EXPECT_EQ(engine->WindowProc(Make(MessageType::SysKeyDown, 0x12, AltWord(0x38))), 1);
    render->stateA = 1; // in a window
    EXPECT_EQ(engine->WindowProc(Make(MessageType::SysKeyDown, 0x12, AltWord(0x38))), 0);
    // Let through in a window, Alt+F4 also closes the window, as the system would.
    engine->WindowProc(kAltF4);
    EXPECT_TRUE(engine->TestFlags(kEngineQuit));
    const auto waiting = Waiting();
    ASSERT_EQ(waiting.size(), 1u);
    EXPECT_EQ(waiting[0].type, MessageType::Close);
}

// ---------------------------------------------------------------------------------------
// Pausing

struct PauseCase
{
    const char* name;
    Message pause;
    Message resume;
};

class PauseTest : public WintelTest, public ::testing::WithParamInterface<PauseCase>
{
};

TEST_P(PauseTest, PausesTheEngineAndItsAudioWithoutRunningFramesUntilResumed)
{
    render->frames = 1; // focus loss before the first frame is ignored; see below
    game->quitAfter = 2;
    bool resumed = false;
    engine->onPass = [&resumed](PumpEngine& e)
    {
        // After two passes spent paused, the window comes back.
        if (e.pausedPasses == 2 && !resumed)
        {
            resumed = true;
            plat::PostMessage(GetParam().resume);
        }
    };
    Post(GetParam().pause);
    engine->PumpMessages();
    EXPECT_GE(engine->pausedPasses, 2);
    EXPECT_FALSE(game->ranWhilePaused);
    EXPECT_EQ(game->frames, 2);
    ASSERT_GE(g_log.size(), 2u);
    EXPECT_EQ(g_log[0], "audio paused");
    EXPECT_EQ(g_log[1], "audio resumed");
}

INSTANTIATE_TEST_SUITE_P(
    Messages, PauseTest,
    ::testing::Values(PauseCase{"Minimise", Make(MessageType::Size, plat::kSizeMinimised),
                                Make(MessageType::Size, plat::kSizeRestored, 0, 640, 480)},
                      PauseCase{"Focus", Make(MessageType::Activate, 0), Make(MessageType::Activate, 1)}),
    [](const ::testing::TestParamInfo<PauseCase>& info) { return info.param.name; });

TEST_F(WintelTest, FocusLossPausesOnlyAfterTheFirstFrameAndWhenTheGameLetsIt)
{
    Send(Make(MessageType::Activate, 0));
    EXPECT_FALSE(engine->TestFlags(kEnginePaused)) << "no frame drawn yet";

    render->frames = 1;
    game->takesFocus = true;
    Send(Make(MessageType::Activate, 0));
    EXPECT_FALSE(engine->TestFlags(kEnginePaused)) << "the game handles focus itself";
    Send(Make(MessageType::Activate, 1));
    EXPECT_TRUE(g_log.empty());

    game->takesFocus = false;
    g_enginePauseOnBlur.SetFromText("false", false, false);
    Send(Make(MessageType::Activate, 0));
    EXPECT_FALSE(engine->TestFlags(kEnginePaused)) << "engine.pauseonblur is off";

    g_enginePauseOnBlur.SetFromText("true", false, false);
    Send(Make(MessageType::Activate, 0));
    EXPECT_TRUE(engine->TestFlags(kEnginePaused));
    g_log.clear();
    Send(Make(MessageType::Activate, 1));
    EXPECT_FALSE(engine->TestFlags(kEnginePaused));
    EXPECT_EQ(g_log, (std::vector<std::string>{"audio resumed", "input reset", "hardware cursor"}));
}

// ---------------------------------------------------------------------------------------
// Input messages

TEST_F(WintelTest, MouseMessagesReachTheListenersAtTheNextFrame)
{
    Post(Make(MessageType::MouseMove, 0, 0, 40, 30));
    Post(Make(MessageType::ButtonDown, 0, 0, 40, 30, 1));
    Post(Make(MessageType::MouseMove, 0, 0, -3, 31)); // captured, left of the window
    Post(Make(MessageType::ButtonUp, 0, 0, -3, 31, 1));
    game->quitAfter = 1;
    engine->PumpMessages();
    // The cursor is shown as the pointer leaves; the events are delivered at the frame.
    EXPECT_EQ(g_log,
              (std::vector<std::string>{"cursor shown", "move 40,30", "down 1", "move -3,31", "up 1"}));
    EXPECT_FLOAT_EQ(engine->GetInput()->GetMouseX(), -3.0f);
}

TEST_F(WintelTest, OnlyTheWindowInputLayerIsFed)
{
    auto* plain = new ZInput();
    UseInput(plain);
    plain->SetMouseEnabled(true);
    Send(Make(MessageType::ButtonDown, 0, 0, 1, 1, 0));
    EXPECT_EQ(plain->GetMouseEventCount(), 0);
}

TEST_F(WintelTest, TheSystemCursorShowsOutsideTheGameAreaInAWindowOnly)
{
    Send(Make(MessageType::MouseMove, 0, 0, 100, 100));
    EXPECT_FALSE(ZEngineWintel::IsSystemCursorShown());
    Send(Make(MessageType::MouseMove, 0, 0, 800, 100)); // one past the right edge
    EXPECT_TRUE(ZEngineWintel::IsSystemCursorShown());
    EXPECT_GE(plat::GetCursorShowCount(), 0);
    Send(Make(MessageType::MouseMove, 0, 0, 799, 599));
    EXPECT_FALSE(ZEngineWintel::IsSystemCursorShown());
    EXPECT_LT(plat::GetCursorShowCount(), 0);
    Send(Make(MessageType::MouseLeave));
    EXPECT_TRUE(ZEngineWintel::IsSystemCursorShown());
    EXPECT_GE(plat::GetCursorShowCount(), 0);
    Send(Make(MessageType::MouseMove, 0, 0, 10, 10));
    EXPECT_EQ(g_log,
              (std::vector<std::string>{"cursor shown", "cursor hidden", "cursor shown", "cursor hidden"}));

    g_log.clear();
    g_engineRenderWindow.SetFromText("false", false, false);
    Send(Make(MessageType::MouseMove, 0, 0, -50, -50));
    EXPECT_FALSE(ZEngineWintel::IsSystemCursorShown()) << "full screen has no outside";
    EXPECT_TRUE(g_log.empty());
}

TEST_F(WintelTest, ThePointerComingBackSetsTheCursorWhenTheRendererAsks)
{
    Send(Make(MessageType::MouseEnter));
    EXPECT_TRUE(g_log.empty());
    render->stateA = 4;
    Send(Make(MessageType::MouseEnter));
    EXPECT_EQ(g_log, (std::vector<std::string>{"display reset", "apply state"}));
}

// Keys typed on the (synthesized) keyboard, through the platform's translation and the pump.
class TypedKeys : public WintelTest
{
protected:
    static void PushKey(bool down, SDL_Scancode sc, SDL_Keycode sym, uint16_t mod = KMOD_NONE)
    {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = sc;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    static void PushText(const char* utf8)
    {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    void PumpAll()
    {
        Message m;
        while (plat::PeekMessage(m))
            engine->WindowProc(m);
    }
};

TEST_F(TypedKeys, ALetterComesDownAsItsCharacterAndUpAsItsKey)
{
    PushKey(true, SDL_SCANCODE_A, SDLK_a);
    PushText("a");
    PushKey(false, SDL_SCANCODE_A, SDLK_a);
    PumpAll();
    DispatchInput();
    EXPECT_EQ(g_log, (std::vector<std::string>{"key 30 97", "keyup 30 65"}));
}

TEST_F(TypedKeys, ShiftLeavesTheHeldKeysAsTheyWere)
{
    PushKey(true, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT);
    PumpAll();
    EXPECT_EQ(engine->GetInput()->GetHeldKeyCount(), 0);
    PushKey(false, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT);
    PumpAll();
    EXPECT_EQ(engine->GetInput()->GetHeldKeyCount(), 0);
    DispatchInput();
    EXPECT_EQ(g_log, (std::vector<std::string>{"keyup 42 16"}));
}

TEST_F(TypedKeys, FilteredKeysComeDownWithTheirVirtualKeyAndEscWithItsCharacter)
{
    engine->ClearFlags(kEngineEscQuits);
    PushKey(true, SDL_SCANCODE_F5, SDLK_F5);
    PushKey(true, SDL_SCANCODE_LEFT, SDLK_LEFT);
    PushKey(true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    PumpAll();
    EXPECT_TRUE(engine->GetInput()->IsKeyHeld(0x3F));
    EXPECT_TRUE(engine->GetInput()->IsKeyHeld(0x4B));
    DispatchInput();
    EXPECT_EQ(g_log, (std::vector<std::string>{"key 63 116", "key 75 37", "key 1 27"}));
}

// ---------------------------------------------------------------------------------------
// Screenshots and the resolution question

std::vector<std::string> g_written;
int RecordWrite(const char* path, const uint32_t* pixels, uint32_t w, uint32_t h)
{
    g_written.push_back(path);
    EXPECT_EQ(w * h, 8u);
    EXPECT_EQ(pixels[7], 0xFF000007u);
    return 0;
}

TEST_F(WintelTest, ScreenshotsTakeTheFirstFreeNumberOnTheDesktop)
{
    qvtest::TempDir home;
    qvtest::ScopedEnv homeVar("HOME", home.Path().c_str());
    qvtest::ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    std::filesystem::create_directories(home / "Desktop");
    std::ofstream(home / "Desktop/Pump Test Screenshot 1.png") << "x";
    std::ofstream(home / "Desktop/Pump Test Screenshot 3.png") << "x";

    g_written.clear();
    ZEngineWintel::SetScreenshotWriter(&RecordWrite);
    engine->TakeScreenshot();
    render->grabGivesPixels = false;
    engine->TakeScreenshot();
    ZEngineWintel::SetScreenshotWriter(nullptr);
    EXPECT_EQ(g_written, (std::vector<std::string>{home / "Desktop/Pump Test Screenshot 2.png"}));
}

TEST_F(WintelTest, TheDefaultScreenshotWriterSavesAPngThroughTheImageSaver)
{
    qvtest::TempDir home;
    qvtest::ScopedEnv homeVar("HOME", home.Path().c_str());
    qvtest::ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    std::filesystem::create_directories(home / "Desktop");
    const bool ownManager = ZResourceManager::PeekInstance() == nullptr;
    ZResourceManager* manager = ZResourceManager::GetInstance();
    if (manager->GetTextureLoaderCount() == 0)
        manager->AddTextureLoader(new ZTextureLoaderDevil());
    ZEngineWintel::SetScreenshotWriter(nullptr);
    engine->TakeScreenshot();
    const std::filesystem::path shot = home / "Desktop/Pump Test Screenshot 1.png";
    ASSERT_TRUE(std::filesystem::exists(shot));
    std::ifstream in(shot, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(std::memcmp(bytes.data(), "\x89PNG", 4), 0);
    // The grabbed words come back as they were: 4 x 2, pixel i = opaque blue i.
    ZTexture decoded;
    ZTextureLoaderDevil devil;
    ASSERT_EQ(devil.Init(), 0);
    ASSERT_EQ(devil.Load(&decoded, bytes.data(), bytes.size(), kPixelBGRA, false), 0);
    EXPECT_EQ(decoded.GetImageWidth(), 4);
    EXPECT_EQ(decoded.GetImageHeight(), 2);
    const uint8_t* p = decoded.GetPixels();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[7 * 4 + 0], 7);
    EXPECT_EQ(p[7 * 4 + 2], 0);
    EXPECT_EQ(p[7 * 4 + 3], 255);
    if (ownManager)
        ZResourceManager::DestroyInstance();
}

TEST_F(WintelTest, AWindowThatFitsOnTheDisplayAsksNothing)
{
    plat::DisplayMode mode;
    ASSERT_TRUE(plat::GetPrimaryDesktopMode(mode));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(engine->CheckResolution(mode.width - 1, mode.height - 1));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // Too large: the player is asked; without a display the answer is no.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(engine->CheckResolution(mode.width, 10));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("full screen"), std::string::npos);

    // In the player's language once the game's texts hold the question.
    ZStringTable* table = ZStringTable::GetInstance();
    table->Add("system.resolution", "Vollbild?", 9);
    table->Add("system.resolution.title", "Aufloesung", 10);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(engine->CheckResolution(10, mode.height));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Aufloesung: Vollbild?\n");
}

// ---------------------------------------------------------------------------------------
// Recording a session through the engine and playing it back

TEST_F(WintelTest, ASessionRecordedThroughTheEnginePlaysBackTheSameFrames)
{
    qvtest::TempDir data;
    qvtest::ScopedEnv dataVar("XDG_DATA_HOME", data.Path().c_str());
    // Live input spread over the frames: posted when the frame before it has run.
    const std::vector<std::vector<Message>> script = {
        {Make(MessageType::MouseMove, 0, 0, 50, 60), Make(MessageType::ButtonDown, 0, 0, 50, 60, 0)},
        {Make(MessageType::Char, 'q', KeyWord(0x10)), Make(MessageType::KeyDown, 0x74, KeyWord(0x3F))},
        {Make(MessageType::MouseMove, 0, 0, 55, 61), Make(MessageType::ButtonUp, 0, 0, 55, 61, 0)},
        {Make(MessageType::KeyUp, 'Q', KeyWord(0x10, true)),
         Make(MessageType::KeyUp, 0x74, KeyWord(0x3F, true))},
    };
    auto run = [&](const char* mode, bool live)
    {
        ZCommandLine words;
        const char* argv[] = {"game", mode};
        words.SetWords(2, argv);
        engine->InitSession(words);
        game->quitAfter = int(script.size()) + 1;
        game->logFrames = true;
        size_t posted = 0;
        engine->onPass = [&](PumpEngine&)
        {
            if (posted < script.size() && size_t(game->frames) == posted)
            {
                for (const Message& m : live ? script[posted] : std::vector<Message>{})
                    plat::PostMessage(m);
                // During playback live keys are ignored and live mouse events replaced.
                if (!live)
                    plat::PostMessage(Make(MessageType::Char, 'z', KeyWord(0x2C)));
                ++posted;
            }
        };
        g_log.clear();
        engine->PumpMessages();
        return g_log;
    };

    const auto recorded = run("record", true);
    ASSERT_EQ(ZInputRecorder::GetInstance()->GetMode(), ZInputRecorder::kRecord);
    EXPECT_EQ(recorded, (std::vector<std::string>{"move 50,60", "down 0", "frame 1", "key 16 113",
                                                  "key 63 116", "frame 2", "move 55,61", "up 0", "frame 3",
                                                  "keyup 16 81", "keyup 63 116", "frame 4", "frame 5"}));
    ZInputRecorder::DestroyInstance();
    delete engine;
    MakeEngine();

    const auto played = run("play", false);
    EXPECT_EQ(played, recorded);
    EXPECT_EQ(ZInputRecorder::GetInstance()->GetMode(), ZInputRecorder::kPlay);
}

// ---------------------------------------------------------------------------------------
// With a real window

class WindowTest : public WintelTest
{
protected:
    void SetUp() override
    {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            GTEST_SKIP() << "no display";
        m_realDriver.emplace("SDL_VIDEODRIVER", nullptr);
        WintelTest::SetUp();
    }
    std::optional<qvtest::ScopedEnv> m_realDriver;
};

TEST_F(WindowTest, ResizeTellsTheRendererAndClosingTheWindowEndsThePump)
{
    if (!plat::HasDisplay())
        GTEST_SKIP() << "no display";
    int w = 320, h = 200;
    ASSERT_EQ(engine->CreateGameWindow(w, h, true), 0);
    render->stateA = 1;
    Send(Make(MessageType::Size, plat::kSizeRestored));
    EXPECT_EQ(g_log, (std::vector<std::string>{"audio resumed", "size 320x200", "position 0,0"}));

    engine->ClipCursor(true);
    EXPECT_TRUE(engine->TestFlags(kEngineCursorClipped));
    engine->ClipCursor(false);
    EXPECT_FALSE(engine->TestFlags(kEngineCursorClipped));

    Post(Make(MessageType::Close));
    engine->PumpMessages();
    EXPECT_FALSE(engine->GetWindow()->IsOpen());
    EXPECT_EQ(game->frames, 0) << "the close ended the pump through the destroy and quit messages";
}

TEST_F(WindowTest, EventsOnTheGameWindowReachTheListenersWithPositionsKeysAndCharacters)
{
    if (!plat::HasDisplay())
        GTEST_SKIP() << "no display";
    int w = 320, h = 200;
    ASSERT_EQ(engine->CreateGameWindow(w, h, true), 0);
    const uint32_t id = engine->GetWindow()->GetId();
    // The X server's own pointer goes where the synthetic one will be, so its reports agree with ours;
    // whatever it told the new window before (exposure, focus, pointer) is not under test.
    SDL_WarpMouseInWindow(engine->GetWindow()->GetSDLWindow(), 120, 45);
    SDL_Delay(50);
    Waiting();

    auto push = [](SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); };
    SDL_Event move{};
    move.type = SDL_MOUSEMOTION;
    move.motion.windowID = id;
    move.motion.x = 120;
    move.motion.y = 45;
    push(move);
    SDL_Event press{};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.windowID = id;
    press.button.button = SDL_BUTTON_RIGHT;
    press.button.x = 120;
    press.button.y = 45;
    push(press);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = id;
    key.key.state = SDL_PRESSED;
    key.key.keysym.scancode = SDL_SCANCODE_Q;
    key.key.keysym.sym = SDLK_q;
    push(key);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = id;
    std::strncpy(text.text.text, "\xC3\xA9", sizeof text.text.text - 1); // é, one byte in the game's set
    push(text);
    key.type = SDL_KEYUP;
    key.key.state = SDL_RELEASED;
    push(key);

    g_log.clear();
    game->quitAfter = 1;
    engine->PumpMessages();
    std::vector<std::string> input;
    for (const std::string& line : g_log)
        if (line == "move 120,45" || line.rfind("down", 0) == 0 || line.rfind("key", 0) == 0)
            input.push_back(line);
    // Scan code 16 is Q in the PC set; the character is the Windows-1252 byte, sign-extended on key-down.
    EXPECT_EQ(input, (std::vector<std::string>{"move 120,45", "down 1", "key 16 -23", "keyup 16 81"}));
}
} // namespace
