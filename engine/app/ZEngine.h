#pragma once
// The engine object: owns the program's life from start-up through the frame loop to shutdown.
// ZEngineWintel adds the window and platform services, ZGameEngine the game's modules and mounts,
// and the game's own subclass the game object and its services.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/ZEventProducer.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZUtil.h"
#include "engine/scene/ZNode.h"

class IRender;
class IAudio;
class ZInput;
class ZGame;
class ZModuleBase;
class ZConfigFile;
class ZCamera;
class ZFrameTimer;

class ZFrameListener
{
public:
    virtual ~ZFrameListener() = default;
    virtual void OnFrame() {}
};

// Engine state flags word.
enum EEngineFlags : uint32_t
{
    kEngineScenePhase1 = 0x4,
    kEngineScenePhase2 = 0x8,
    kEngineScenePhase3 = 0x10,
    kEngineRunning = 0x20,
    kEngineDebug = 0x40,
    kEngineEscQuits = 0x80,
    kEngineQuit = 0x100,
    kEngineInitialized = 0x200,
    kEngineHardwareCursor = 0x400,
    kEngineCursorClipped = 0x800,
    kEngineDestroying = 0x1000,
    kEngineWindowedStart = 0x4000,
    kEnginePaused = 0x8000,
    kEngineServicesStarting = 0x20000,
    kEngineStateLoading = 0x40000,
    kEngineShuttingDown = 0x80000,
    kEngineDisplayReset = 0x100000,
};

// g_engineStartingUp (set while the core objects exist and ZEngine::Run has not begun) is the
// scene's: engine/scene/ZNode.h.

class ZEngine : public ZSingleton<ZEngine>, public IPropertyListener, public ZEventProducer<ZFrameListener>
{
public:
    ZEngine();
    ~ZEngine() override;

    void OnPropertyChanged(ZProperty* property) override;
    // "particles.factor" from "render.quality" (0.25 at the lowest quality, 1 at the highest).
    static void ApplyRenderQuality();

    virtual int Init(const ZCommandLine& words);
    virtual int PreInitCheck() { return 0; }
    virtual int CreateGame() { return 0; }
    virtual int CreateSubsystems();
    virtual int RefreshResourceContexts() { return 0; }
    virtual int StartScenePhases();
    virtual int CreateRenderer(int width, int height, bool windowed) = 0;
    virtual int CreateInput() = 0;
    virtual int CreateAudio() = 0;
    virtual int CreatePhysics() { return 0; }
    virtual int PostInit();
    virtual int LoadShaderDefs();
    virtual std::string GetShaderDefsPath() const { return "media:shaders/shaders.def"; }
    virtual int Run();
    virtual int StartServices() { return 0; }
    virtual void PumpMessages() {}
    virtual int StopServices();
    // False when the frame-rate limit skipped the frame.
    virtual bool Frame();
    virtual void Monitor();
    virtual int MountResources();
    virtual int MountGamePaths() { return 0; }
    virtual int EarlyInit() { return 0; }
    virtual int RegisterModules() { return 0; }
    virtual int InitRenderer(int width, int height, bool windowed)
    {
        (void)width, (void)height, (void)windowed;
        return 1;
    }
    virtual void UpdateFrameDelta() {}
    virtual void UpdateScene();
    virtual void UpdateGame();
    virtual int GetUserDataFolder(std::string& out, const char* subfolder, const char* file)
    {
        (void)out, (void)subfolder, (void)file;
        return 1;
    }
    virtual int GetDesktopFolder(std::string& out, const char* subfolder, const char* file)
    {
        (void)out, (void)subfolder, (void)file;
        return 1;
    }
    virtual int OpenInShell(const char* target)
    {
        (void)target;
        return 0;
    }
    [[noreturn]] virtual void FatalError(const char* text);
    [[noreturn]] void OutOfMemory();
    virtual bool CheckSingleInstance() = 0;
    virtual void ClipCursor(bool on) { (void)on; }
    virtual bool CheckResolution(int width, int height)
    {
        (void)width, (void)height;
        return false;
    }
    virtual void IdleUnderFpsLimit();
    virtual void TakeScreenshot() {}
    virtual bool IsLowMemory() { return false; }
    virtual bool CheckVersion() = 0;

    // Non-virtual steps of start-up.
    void CreateCoreObjects();
    void ReadModuleSettings();
    int LoadSystemConfig();
    int LoadMainConfig();
    void InitSession(const ZCommandLine& words);
    bool IsLoading() const;
    // Finishes every queued load, upload and sound upload now (the fixed-step test mode).
    void SettleLoads();
    ZModuleBase* FindModule(const char* className) const;
    void AddModule(ZModuleBase* module) { m_modules.push_back(module); }

    // Statistics queries.
    static std::string GetBuildStamp();
    static std::string GetCpuName();
    static float GetPhysicalMemoryMB();
    static std::string GetPhysicalMemoryText();
    static float TrackLowestFreeMemory();

    uint32_t GetFlags() const { return m_flags; }
    bool TestFlags(uint32_t mask) const { return (m_flags & mask) != 0; }
    void SetFlags(uint32_t mask) { m_flags |= mask; }
    void ClearFlags(uint32_t mask) { m_flags &= ~mask; }

    IRender* GetRender() const { return m_render; }
    IAudio* GetAudio() const { return m_audio; }
    ZInput* GetInput() const { return m_input; }
    ZGame* GetGame() const { return m_game; }
    void SetGame(ZGame* game) { m_game = game; }
    const std::string& GetSceneFile() const { return m_sceneFile; }
    void SetSceneFile(const std::string& file) { m_sceneFile = file; }
    const char* GetDisplayName() const { return m_displayName; }
    const char* GetKeyName() const { return m_keyName; }
    void SetNames(const char* displayName, const char* keyName)
    {
        m_displayName = displayName;
        m_keyName = keyName;
    }
    float GetStartupSeconds() const { return m_startupSeconds; }
    double GetFpsAccumulator() const { return m_fpsAccumulator; }
    ZConfigFile* GetMainConfig() const { return m_mainConfig; }
    bool RedrawOnPaint() const { return m_redrawOnPaint; }

    // The renderer, audio and input as chosen module objects.
    void SetRender(IRender* render) { m_render = render; }
    void SetAudio(IAudio* audio) { m_audio = audio; }
    void SetInput(ZInput* input) { m_input = input; }

    const std::string& GetRenderModuleName() const { return m_renderModule; }
    const std::string& GetAudioModuleName() const { return m_audioModule; }
    const std::string& GetInputModuleName() const { return m_inputModule; }

    // Kept by the factory for the whole start-up: setting words of the command line apply twice.
    ZCommandLine commandLine;

protected:
    void NotifyFrameListeners();

    std::string m_sceneFile;
    IRender* m_render = nullptr;
    IAudio* m_audio = nullptr;
    ZInput* m_input = nullptr;
    std::string m_renderModule = "direct3d";
    std::string m_audioModule = "directsound";
    std::string m_inputModule = "windows";
    ZCamera* m_mainCamera = nullptr;
    // Nothing in the engine turns this on; while off, paint messages do not redraw and the
    // game's pause request pauses the engine.
    bool m_redrawOnPaint = false;
    bool m_windowSeen = false;
    bool m_widescreenSeen = false;
    ZGame* m_game = nullptr;
    double m_fpsAccumulator = 0.0;
    uint32_t m_flags = kEngineEscQuits;
    float m_startupSeconds = -1.0f;
    ZConfigFile* m_mainConfig = nullptr;
    std::vector<ZModuleBase*> m_modules;
    double m_lastStatsSample = -1e38;
    const char* m_displayName = "";
    const char* m_keyName = "";
    uint64_t m_lastAllocationCount = 0;
    uint64_t m_lastLockCount = 0;
};

extern ZEngine* g_engine;
