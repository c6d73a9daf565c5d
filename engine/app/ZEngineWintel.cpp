#include "engine/app/ZEngineWintel.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZInput.h"
#include "engine/audio/IAudio.h"
#include "engine/core/ZAllocBase.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZModule.h"
#include "engine/fs/ZFile.h"
#include "engine/platform/ZMessageBox.h"
#include "engine/platform/ZPlatformFolders.h"
#include "engine/platform/ZPlatformSystem.h"
#include "engine/platform/ZPlatformTime.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/platform/ZShellOpen.h"
#include "engine/platform/ZSingleInstanceLock.h"
#include "engine/render/resources/IRender.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZStringTable.h"

namespace
{
bool Is(const std::string& name, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (name == n)
            return true;
    return false;
}

// The folder that holds every game's data: base + "/Brannoch/" + [distributor "-"] + key name.
int GameDataFolder(std::string base, const char* keyName, const char* subfolder, const char* file,
                   std::string& out)
{
    std::string folder = base + "/Brannoch/";
    if (!g_engineDistributor.GetValue().empty())
        folder += g_engineDistributor.GetValue() + "-";
    folder += keyName ? keyName : "";
    folder += "/";
    if (subfolder && *subfolder)
    {
        folder += subfolder;
        if (folder.back() != '/')
            folder += "/";
    }
    if (!plat::CreateFolders(folder.substr(0, folder.size() - 1)))
        return 1;
    out = folder + (file ? file : "");
    return 0;
}
} // namespace

ZEngineWintel::ZEngineWintel() = default;

ZEngineWintel::~ZEngineWintel()
{
    m_instanceLock.reset();
    if (m_window)
        m_window->Destroy();
}

int ZEngineWintel::Init(const ZCommandLine& words)
{
    return ZEngine::Init(words) != 0 ? 1 : 0;
}

int ZEngineWintel::ParseCommandLine(const ZCommandLine& words)
{
    for (int i = 0; i < words.Count(); ++i)
    {
        const char* word = words.Word(i);
        if (std::strcmp(word, "-ping") == 0)
            std::exit(0);
        if (std::strcmp(word, "-scene") == 0)
        {
            if (i + 1 < words.Count())
                m_sceneFile = words.Word(++i);
        }
        else if (std::strcmp(word, "-export") == 0)
            return 1;
    }
    return 0;
}

int ZEngineWintel::TryRenderer(const char* className, int width, int height, bool windowed)
{
    IRender* render = CreateModuleObject<IRender>(className);
    if (!render)
    {
        std::fprintf(stderr, "Error: render module %s is not available\n", className);
        return 1;
    }
    m_render = render;
    if (InitRenderer(width, height, windowed) != 0)
    {
        delete m_render;
        m_render = nullptr;
        return 1;
    }
    return 0;
}

int ZEngineWintel::CreateRenderer(int width, int height, bool windowed)
{
    const std::string& name = m_renderModule;
    if (Is(name, {"opengl", "renderopengl"}))
        return TryRenderer("ZRenderOpenGL", width, height, windowed);
    if (Is(name, {"direct3d9", "direct3d", "renderd3d9", "renderd3d"}))
    {
        if (TryRenderer("ZRenderD3D9", width, height, windowed) == 0)
            return 0;
        if (Is(name, {"direct3d9", "renderd3d9"}))
            return 1;
    }
    if (Is(name, {"direct3d7", "direct3d", "renderd3d7", "renderd3d"}))
        return TryRenderer("ZRenderD3D7", width, height, windowed);
    // A typing error in a config file should say what was wrong, not just that start-up failed.
    std::fprintf(stderr, "Error: unknown render module \"%s\" (engine.render.system)\n", name.c_str());
    return 1;
}

int ZEngineWintel::CreateInput()
{
    if (m_inputModule == "directinput")
        m_input = CreateModuleObject<ZInput>("ZInputDX");
    else if (m_inputModule == "windows")
        m_input = CreateModuleObject<ZInput>("ZInputWindows");
    return 0;
}

int ZEngineWintel::CreateAudio()
{
    const char* className = "ZAudioNullSound";
    if (m_audioModule == "openal")
        className = "ZAudioOpenAL";
    else if (m_audioModule == "directsound")
        className = "ZAudioDirectSound";
    m_audio = CreateModuleObject<IAudio>(className);
    if (m_audio && m_audio->Init() == 0)
        return 0;
    delete m_audio;
    m_audio = nullptr;
    return 1;
}

int ZEngineWintel::InitRenderer(int width, int height, bool windowed)
{
    if (!m_render)
        return 1;
    if (g_debugEnable.GetValue())
        m_render->EnableStateA(0x10);
    if (g_engineRenderOverlays.GetValue())
        m_render->EnableStateA(0x20);
    int w = width, h = height;
    if (CreateGameWindow(w, h, windowed) != 0)
        return 1;
    return m_render->Init(width, height, windowed, m_window.get());
}

int ZEngineWintel::CreateGameWindow(int& width, int& height, bool windowed)
{
    std::string title =
        g_engineName.GetValue().empty() ? std::string(m_displayName) : g_engineName.GetValue();
    if (title.size() > 511)
        title.resize(511);
    if (!m_window)
    {
        if (plat::InitVideo() != 0)
        {
            std::fprintf(stderr, "Error: cannot open the display: %s\n", plat::GetVideoError().c_str());
            return 1;
        }
        m_window = std::make_unique<ZPlatformWindow>();
        const uint32_t flags = Is(m_renderModule, {"opengl", "renderopengl"}) ? ZPlatformWindow::kOpenGL : 0;
        if (m_window->Create(title, width, height, windowed, flags) != 0)
        {
            std::fprintf(stderr, "Error: cannot create the game window: %s\n", plat::GetVideoError().c_str());
            m_window.reset();
            return 1;
        }
    }
    else if (m_window->SetWindowed(windowed, width, height) != 0)
        return 1;
    if (m_render)
        m_render->OnWindowReady();
    m_window->CenterOnDisplay(width, height);
    ClipCursor(TestFlags(kEngineCursorClipped));
    return 0;
}

void ZEngineWintel::PumpMessages()
{
    if (g_frameTimer)
        g_frameTimer->Reset();
    if (m_render && m_render->HasPreLoopWork())
    {
        m_render->PreLoop();
        return;
    }
    if (m_window)
        m_window->Show();
    plat::Message message;
    for (;;)
    {
        if (TestFlags(kEngineQuit))
            break;
        Monitor();
        if (plat::PeekMessage(message))
        {
            if (message.type == plat::MessageType::Quit)
                break;
            WindowProc(message);
            continue;
        }
        if (TestFlags(kEnginePaused))
        {
            // While paused, block on the message queue instead of spinning a core.
            if (plat::WaitMessage(message, 100))
            {
                if (message.type == plat::MessageType::Quit)
                    break;
                WindowProc(message);
            }
            continue;
        }
        if (!Frame())
        {
            // Under the frame-rate limit: sleep until the next frame is due instead of spinning.
            const double period = 1.0 / double(g_engineFpsLimit.GetValue());
            const double wait = period - m_fpsAccumulator;
            if (wait > 0.002)
                plat::Sleep(uint32_t(wait * 1000.0) - 1);
            else
                plat::Yield();
        }
    }
}

namespace
{
// The pointer is outside the game area and the system cursor is shown for it.
bool g_systemCursorShown = false;
// Set while the window is destroyed only to be made again: its destruction must not end the
// game. Nothing in this system recreates the window.
bool g_recreatingWindow = false;
ZScreenshotWriter g_screenshotWriter = nullptr;

void ShowSystemCursor()
{
    while (plat::ShowCursor(true) < 0)
    {
    }
}

void HideSystemCursor()
{
    while (plat::ShowCursor(false) >= 0)
    {
    }
}

// Keys whose key-down message is queued: Ctrl, F1-F10, Num Lock, the cursor and editing
// block, F11, F12. Every other key comes down as its character.
bool IsQueuedKeyDown(uint32_t scanCode)
{
    switch (scanCode)
    {
    case 0x1D:
    case 0x45:
    case 0x47:
    case 0x48:
    case 0x49:
    case 0x4B:
    case 0x4D:
    case 0x57:
    case 0x58:
        return true;
    default:
        return (scanCode >= 0x3B && scanCode <= 0x44) || (scanCode >= 0x4F && scanCode <= 0x53);
    }
}

// The player's language when the text table has the key; the plain English text otherwise (the
// table is not loaded yet, or the game's texts lack the key), never the bare key.
const char* LocalizedText(const char* key, const char* fallback)
{
    ZStringTable* table = ZStringTable::PeekInstance();
    const char* text = table ? table->Find(key) : nullptr;
    return text ? text : fallback;
}

constexpr uint32_t kVirtualKeyEnter = 0x0D;
constexpr uint32_t kVirtualKeyEscape = 0x1B;
constexpr uint32_t kVirtualKeyF4 = 0x73;
} // namespace

bool ZEngineWintel::IsSystemCursorShown()
{
    return g_systemCursorShown;
}

int ZEngineWintel::WritePng(const char* path, const uint32_t* pixels, uint32_t width, uint32_t height)
{
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    if (!manager || !pixels || width == 0 || height == 0 || width > 65535 || height > 65535)
        return 1;
    return manager->SaveImage(path, reinterpret_cast<const uint8_t*>(pixels), int(width), int(height));
}

void ZEngineWintel::SetScreenshotWriter(ZScreenshotWriter writer)
{
    g_screenshotWriter = writer;
}

long ZEngineWintel::WindowProc(const plat::Message& message)
{
    if (auto* input = ZEntityCast<ZInputWindows>(m_input))
    {
        long result = 0;
        if (InputMessage(*input, message, result))
            return result;
    }
    return WindowMessage(message);
}

bool ZEngineWintel::InputMessage(ZInputWindows& input, const plat::Message& message, long& result)
{
    using plat::MessageType;
    const bool windowed = g_engineRenderWindow.GetValue();
    switch (message.type)
    {
    case MessageType::ButtonDown:
    case MessageType::ButtonUp:
    {
        const bool down = message.type == MessageType::ButtonDown;
        if (windowed)
            plat::SetCapture(down);
        if (message.button >= 0)
        {
            if (down)
                input.QueueButtonDown(uint32_t(message.button));
            else
                input.QueueButtonUp(uint32_t(message.button));
        }
        return false;
    }
    case MessageType::MouseMove:
    {
        // Both coordinates are signed: a captured pointer left of or above the window is at a
        // negative position, not at the far side.
        const int x = message.x, y = message.y;
        input.QueueMouseMove(float(x), float(y));
        if (windowed)
        {
            const bool outside =
                x < 0 || y < 0 || x >= g_renderWidth.GetValue() || y >= g_renderHeight.GetValue();
            if (outside && !g_systemCursorShown)
            {
                ShowSystemCursor();
                if (m_render)
                    m_render->SetSystemCursorShown(true);
                g_systemCursorShown = true;
            }
            else if (!outside && g_systemCursorShown)
            {
                HideSystemCursor();
                if (m_render)
                    m_render->SetSystemCursorShown(false);
                g_systemCursorShown = false;
            }
        }
        result = 1;
        return true;
    }
    case MessageType::MouseLeave:
        if (!g_systemCursorShown)
        {
            g_systemCursorShown = true;
            if (m_render)
                m_render->SetSystemCursorShown(true);
            ShowSystemCursor();
        }
        result = 1;
        return true;
    case MessageType::MouseEnter:
        // The pointer is over the game area again: its cursor is set anew, as the system asks a
        // window to do whenever the pointer comes over it.
        if (m_render && m_render->TestStateA(4))
        {
            m_render->RequestDisplayReset();
            m_render->ApplyState();
        }
        result = 1;
        return true;
    case MessageType::KeyDown:
        if (IsQueuedKeyDown(message.ScanCode()))
            input.QueueKeyDown(message.wParam, message.lParam);
        return false;
    case MessageType::KeyUp:
        input.QueueKeyUp(message.wParam, message.lParam);
        return false;
    case MessageType::Char:
        if (message.lParam & plat::kKeyTransitionUp)
            input.QueueKeyUp(message.wParam, message.lParam);
        else
            input.QueueKeyDown(message.wParam, message.lParam);
        return false;
    case MessageType::SysKeyDown:
    case MessageType::SysKeyUp:
        if (message.type == MessageType::SysKeyDown)
        {
            if (message.wParam == kVirtualKeyF4)
                SetFlags(kEngineQuit);
            // A held Alt+Enter repeats its key-down; only the first press switches, or the
            // display would flicker between the two modes.
            else if (message.wParam == kVirtualKeyEnter && !message.IsRepeat())
                g_engineRenderWindow.SetValue(!g_engineRenderWindow.GetValue());
        }
        if (m_render && m_render->TestStateA(1))
            return false;
        result = 1;
        return true;
    default:
        return false;
    }
}

long ZEngineWintel::WindowMessage(const plat::Message& message)
{
    using plat::MessageType;
    switch (message.type)
    {
    case MessageType::Paint:
        if (TestFlags(kEngineRunning) && m_redrawOnPaint && m_render)
            m_render->RenderFrame();
        return 0;
    case MessageType::Destroy:
        if (!g_recreatingWindow)
            plat::PostQuitMessage(0);
        return 0;
    case MessageType::Move:
        if (m_render)
            m_render->SetWindowPosition(float(message.x), float(message.y));
        return 0;
    case MessageType::Size:
        if (message.wParam == plat::kSizeMinimised)
            SetPaused(true);
        else
        {
            SetPaused(false);
            ResizeStep();
        }
        return 0;
    case MessageType::Activate:
        if (message.wParam)
            OnActivate();
        else
            OnDeactivate();
        return 0;
    case MessageType::Close:
        if (m_window && m_window->IsOpen())
            m_window->Destroy(); // its destroy message ends the game
        else
            plat::PostQuitMessage(0);
        return 0;
    case MessageType::KeyDown:
        if (message.wParam == kVirtualKeyEscape && TestFlags(kEngineEscQuits))
            plat::PostQuitMessage(0);
        return 0;
    default:
        return DefaultWindowProc(message);
    }
}

long ZEngineWintel::DefaultWindowProc(const plat::Message& message)
{
    // Alt+F4 that the engine lets through closes the window, as the system's default does.
    if (message.type == plat::MessageType::SysKeyDown && message.wParam == kVirtualKeyF4)
    {
        plat::Message close;
        close.type = plat::MessageType::Close;
        close.windowId = message.windowId;
        plat::PostMessage(close);
    }
    return 0;
}

void ZEngineWintel::SetPaused(bool paused)
{
    if (paused)
        SetFlags(kEnginePaused);
    else
        ClearFlags(kEnginePaused);
    if (m_audio)
        m_audio->PauseAll(paused);
}

void ZEngineWintel::ResizeStep()
{
    if (!m_render || !m_render->TestStateA(1) || !m_window || !m_window->IsOpen())
        return;
    plat::Rect client;
    if (!m_window->GetClientRect(client))
        return;
    m_render->SetSize(client.w, client.h);
    m_render->SetWindowPosition(float(client.x), float(client.y));
}

void ZEngineWintel::OnDeactivate()
{
    if (!m_render || m_render->GetFrameCount() == 0)
        return;
    if (m_game && m_game->OnFocusLost())
        return;
    if (g_enginePauseOnBlur.GetValue())
        SetPaused(true);
}

void ZEngineWintel::OnActivate()
{
    if (m_game && m_game->OnFocusGained())
        return;
    if (g_enginePauseOnBlur.GetValue())
        SetPaused(false);
    if (m_input)
        m_input->Reset();
    if (m_render)
    {
        if (TestFlags(kEngineHardwareCursor))
            m_render->RequestDisplayReset();
        m_render->ApplyHardwareCursor(m_render->TestStateA(4));
    }
}

void ZEngineWintel::UpdateFrameDelta()
{
    if (g_frameTimer)
        g_frameTimer->UpdateFrameDelta();
}

void ZEngineWintel::ClipCursor(bool on)
{
    if (!on)
    {
        plat::SetCapture(false);
        ClearFlags(kEngineCursorClipped);
        if (m_window)
            m_window->ClipCursor(nullptr);
        return;
    }
    plat::SetCapture(true);
    SetFlags(kEngineCursorClipped);
    plat::Rect rect;
    if (!m_window || !m_window->GetWindowRect(rect))
        return;
    const int dw = g_renderWidthActual.GetValue() - g_renderWidth.GetValue();
    const int dh = g_renderHeightActual.GetValue() - g_renderHeight.GetValue();
    if (dw > 0)
    {
        rect.x += dw / 2;
        rect.w -= dw;
    }
    if (dh > 0)
    {
        rect.y += dh / 2;
        rect.h -= dh;
    }
    const int shift = rect.w > 3 ? 3 : rect.w;
    rect.x += shift;
    rect.w -= shift;
    m_window->ClipCursor(&rect);
}

bool ZEngineWintel::CheckSingleInstance()
{
    std::string base;
    if (!plat::GetUserDataBase(base))
        return true;
    m_instanceLock = std::make_unique<ZSingleInstanceLock>();
    const auto result = m_instanceLock->Acquire(base + "/Brannoch", m_displayName);
    // A lock file that cannot be made is no reason to refuse to run.
    return result != ZSingleInstanceLock::Result::HeldByOther;
}

int ZEngineWintel::GetUserDataFolder(std::string& out, const char* subfolder, const char* file)
{
    std::string base;
    if (!plat::GetUserDataBase(base))
        return 1;
    return GameDataFolder(base, m_keyName, subfolder, file, out);
}

int ZEngineWintel::GetDesktopFolder(std::string& out, const char* subfolder, const char* file)
{
    std::string folder;
    if (!plat::GetDesktopFolder(folder))
        return 1;
    folder += "/";
    if (subfolder && *subfolder)
    {
        folder += subfolder;
        if (!plat::CreateFolders(folder))
            return 1;
        if (folder.back() != '/')
            folder += "/";
    }
    out = folder + (file ? file : "");
    return 0;
}

int ZEngineWintel::OpenInShell(const char* target)
{
    std::string text = target ? target : "";
    if (text.size() > 259)
        text.resize(259);
    plat::ShellOpen(text);
    return 0;
}

void ZEngineWintel::FatalError(const char* text)
{
    while (plat::IsVideoInitialised() && plat::ShowCursor(true) < 0)
    {
    }
    plat::ShowMessageBox(plat::MessageBoxKind::Stop, "Unrecoverable Error", text ? text : "", m_window.get());
    std::exit(10);
}

bool ZEngineWintel::CheckResolution(int width, int height)
{
    // The desktop is read before the game window exists, so video is taken for the question only.
    if (plat::InitVideo() != 0)
        return false;
    plat::DisplayMode mode;
    bool fullScreen = false;
    if (plat::GetPrimaryDesktopMode(mode) &&
        !(uint32_t(width) < uint32_t(mode.width) && uint32_t(height) < uint32_t(mode.height)))
    {
        const char* text =
            LocalizedText("system.resolution",
                          "The game window does not fit on this display. Play in full screen instead?");
        const char* title = LocalizedText("system.resolution.title", "Display resolution");
        fullScreen = plat::ShowMessageBox(plat::MessageBoxKind::YesNo, title, text, m_window.get()) ==
                     plat::MessageBoxAnswer::Yes;
    }
    plat::ShutdownVideo();
    return fullScreen;
}

void ZEngineWintel::TakeScreenshot()
{
    std::string folder;
    if (GetDesktopFolder(folder, nullptr, nullptr) != 0)
        return;
    // Numbered from 1; the first number not on the desktop yet is taken. The bound only stops
    // a folder that reports every name as taken.
    std::string name;
    bool found = false;
    for (int i = 1; i <= 100000 && !found; ++i)
    {
        char number[16];
        std::snprintf(number, sizeof(number), "%i", i);
        name = folder + m_displayName + " Screenshot " + number + ".png";
        found = !FileExists(name.c_str());
    }
    if (!found || !m_render)
        return;
    uint32_t width = 0, height = 0;
    uint32_t* pixels = m_render->GrabScreen(width, height);
    if (!pixels)
        return;
    // The grabbed words are A, R, G, B: in memory B, G, R, A bytes, which the image writer saves
    // as PNG through the resource manager's decoders.
    const ZScreenshotWriter writer = g_screenshotWriter ? g_screenshotWriter : &WritePng;
    if (writer(name.c_str(), pixels, width, height) != 0)
        std::fprintf(stderr, "Screenshot not saved: cannot write \"%s\"\n", name.c_str());
    GetAllocHook()->Free(pixels);
}

bool ZEngineWintel::IsLowMemory()
{
    return g_engineForceLowMem.GetValue() || GetPhysicalMemoryMB() < 500.0f;
}
