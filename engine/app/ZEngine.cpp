#include "engine/app/ZEngine.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/app/ZEngineServices.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZInput.h"
#include "engine/audio/IAudio.h"
#include "engine/core/ZAllocBase.h"
#include "engine/core/ZEventManager.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZModule.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZRandom.h"
#include "engine/core/ZSerializer.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/import/ZVertexBinImport.h"
#include "engine/platform/ZCriticalSection.h"
#include "engine/platform/ZPlatformSystem.h"
#include "engine/platform/ZPlatformTime.h"
#include "engine/render/ZView.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/resource/ZPropertyFile.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSpriteParticle.h"

ZEngine* g_engine = nullptr;

namespace
{
float g_lowestFreeMemoryMB = 1e38f;
}

ZEngine::ZEngine()
{
    g_engine = this;
    InstallEngineServices();
}

ZEngine::~ZEngine()
{
    m_flags |= kEngineShuttingDown | kEngineDestroying;
    g_nodeListenersMuted = true;
    g_engineRenderWindow.RemoveListener(this);
    g_renderWidescreen.RemoveListener(this);
    g_renderQuality.RemoveListener(this);
    delete m_mainCamera;
    m_mainCamera = nullptr;
    if (ZResourceManager* resources = ZResourceManager::PeekInstance())
        resources->RequestStop();
    // From here released nodes are left to the scene tree's own destruction.
    ZSceneTree::SetShutdownBegun(true);
    if (m_render)
        m_render->PrepareRelease();

    delete g_frameTimer;
    g_frameTimer = nullptr;
    ZSettingsManager::DestroyInstance();
    ZEventManager::DestroyInstance();
    ZPropertyManager::DestroyInstance();
    if (ZResourceManager* resources = ZResourceManager::PeekInstance())
        resources->ReleaseAll();

    delete m_render;
    m_render = nullptr;
    delete m_audio;
    m_audio = nullptr;
    delete m_input;
    m_input = nullptr;
    delete m_mainConfig;
    m_mainConfig = nullptr;
    // The primitives are gone with the resource manager's groups; nothing reads the blocks now.
    ZVertexBinImport::ReleaseMeshCache();
    delete ZFileSystem::GetInstance();
    delete ZShaderLibrary::GetInstance();
    ZSceneTree::DestroyInstance();
    ZResourceManager::DestroyInstance();
    ZStringTable::DestroyInstance();

    for (ZModuleBase* module : m_modules)
        delete module;
    m_modules.clear();
    if (g_engine == this)
    {
        g_engine = nullptr;
        RemoveEngineServices();
    }
}

void ZEngine::CreateCoreObjects()
{
    ZPropertyManager::GetInstance();
    ZSerializerBase::GetRegistry();
    // A new engine's scene starts live again after an earlier engine's shutdown.
    g_nodeListenersMuted = false;
    ZSceneTree::SetShutdownBegun(false);
    ZSceneTree::GetInstance();
    ZResourceManager::GetInstance();
    ZMaterial::InitPool();
    if (!ZShaderLibrary::GetInstance())
        new ZShaderLibrary();
    if (!g_frameTimer)
    {
        g_frameTimer = new ZFrameTimer();
        g_frameTimer->Reset();
    }
    if (!ZFileSystem::GetInstance())
    {
        auto* fileSystem = new ZFileSystem();
        fileSystem->MountDefaults(g_engineHome.GetValue().c_str());
    }
    ZSettingsManager::GetInstance();
    ZEventManager::GetInstance();
    if (!m_mainConfig)
        m_mainConfig = new ZConfigFile();
    m_lastStatsSample = g_frameTimer->now;
    ZSpriteParticle::InitPool();
    g_engineStartingUp = true;
    // Every run draws the same sequence until a caller reseeds (the level loader does).
    static const uint32_t kSeedKey[4] = {0x123, 0x234, 0x345, 0x456};
    RandomSeedByArray(kSeedKey);
}

void ZEngine::InitSession(const ZCommandLine& words)
{
    int32_t mode = ZInputRecorder::kOff;
    for (int i = 0; i < words.Count() && mode == ZInputRecorder::kOff; ++i)
    {
        if (!words.Word(i))
            continue;
        if (std::strcmp(words.Word(i), "record") == 0)
            mode = ZInputRecorder::kRecord;
        else if (std::strcmp(words.Word(i), "play") == 0)
            mode = ZInputRecorder::kPlay;
    }
    ZInputRecorder* recorder = ZInputRecorder::CreateInstance();
    recorder->SetMode(mode);
    if (mode == ZInputRecorder::kOff)
    {
        // A plain start touches no session file and makes no session folder.
        recorder->Close();
        return;
    }
    std::string path;
    if (GetUserDataFolder(path, "sessions/", "session.dat") != 0)
    {
        std::fprintf(stderr, "Input %s: no user-data folder for the session file\n",
                     mode == ZInputRecorder::kRecord ? "recording" : "playback");
        recorder->SetMode(ZInputRecorder::kOff);
        recorder->Close();
        return;
    }
    recorder->Open(path.c_str());
}

int ZEngine::Init(const ZCommandLine& words)
{
    // Setting words of the command line win over both configuration files.
    ZPropertyManager::GetInstance()->ApplyCommandLine(words.Words(), words.Count());
    ReadModuleSettings();
    if (g_engineRandomSeed.GetValue() >= 0)
    {
        RandomSeed(uint32_t(g_engineRandomSeed.GetValue()));
        std::srand(unsigned(g_engineRandomSeed.GetValue()));
    }
    LoadShaderDefs();
    m_windowSeen = g_engineRenderWindow.GetValue();
    m_widescreenSeen = g_renderWidescreen.GetValue();

    const int result = CreateSubsystems();
    if (result != 0)
        return result;

    // Without non-power-of-two textures the decoders round texture sizes up.
    if (m_render)
        ZResourceManager::GetInstance()->SetDecoderOption(!m_render->TestStateB(kRenderNonPowerOfTwo));
    m_flags |= kEngineInitialized;
    if (g_inputMouseSpeed.GetValue() > 0.0f && m_input)
        m_input->SetMouseSpeed(g_inputMouseSpeed.GetValue());
    if (g_engineRenderHardwareMouse.GetValue() && m_render && m_render->TestStateB(kRenderHardwareCursor))
        m_flags |= kEngineHardwareCursor;
    if (m_render)
        m_render->UseHardwareCursor((m_flags & kEngineHardwareCursor) != 0);
    g_engineRenderWindow.AddListener(this);
    g_renderWidescreen.AddListener(this);
    g_frameTimer->Resync();
    return 0;
}

void ZEngine::ReadModuleSettings()
{
    if (m_sceneFile.empty() && !g_engineScene.GetValue().empty())
        m_sceneFile = g_engineScene.GetValue();
    m_renderModule = g_engineRenderSystem.GetValue();
    m_audioModule = g_engineAudioSystem.GetValue();
    m_inputModule = g_engineInputSystem.GetValue();
    if (g_engineRenderWindow.GetValue())
        m_flags |= kEngineWindowedStart;
    if (g_debugEnable.GetValue())
        m_flags |= kEngineDebug;
}

int ZEngine::LoadShaderDefs()
{
    // The back end reads the definitions once its device exists; the engine only names the file.
    if (ZShaderLibrary* library = ZShaderLibrary::GetInstance())
        library->SetDefinitionsPath(GetShaderDefsPath());
    return 0;
}

int ZEngine::CreateSubsystems()
{
    if ((m_flags & kEngineWindowedStart) &&
        CheckResolution(g_renderWidth.GetValue(), g_renderHeight.GetValue()))
    {
        m_flags &= ~kEngineWindowedStart;
        g_engineRenderWindow.SetFromText("false", false, false);
    }
    if (CreateRenderer(g_renderWidth.GetValue(), g_renderHeight.GetValue(),
                       (m_flags & kEngineWindowedStart) != 0) != 0)
        return 1;
    if (CreateInput() != 0)
        return 1;
    if (m_input)
    {
        const int result = m_input->Init();
        if (result != 0)
            return result;
    }
    if (CreateAudio() != 0)
    {
        // Sound is not worth failing start-up for: the game runs silent.
        if (ZModuleBase* silent = FindModule("ZAudioNullSound"))
            m_audio = static_cast<IAudio*>(silent->Create());
    }
    return CreatePhysics();
}

int ZEngine::PostInit()
{
    // The main view covers the screen; the renderer owns it. Without a renderer there is no view
    // and the camera is only a scene node.
    ZView* view = ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 100.0f);
    m_mainCamera = ZCamera::Create("maincamera", nullptr, true, false);
    ZSceneTree::GetInstance()->AddChild(m_mainCamera);
    m_mainCamera->SetPositionXYZ(0.0f, 100.0f, -500.0f);
    m_mainCamera->SetPriority(100.0f);
    if (view)
        view->AddCamera(m_mainCamera);
    return 0;
}

int ZEngine::StartScenePhases()
{
    if (m_game)
        m_game->OnEngineStart();
    ZSceneTree* tree = ZSceneTree::GetInstance();
    m_flags |= kEngineScenePhase1;
    tree->EnterPhase1();
    m_flags = (m_flags & ~kEngineScenePhase1) | kEngineScenePhase2;
    tree->EnterPhase2();
    m_flags = (m_flags & ~kEngineScenePhase2) | kEngineScenePhase3;
    tree->EnterPhase3();
    return 0;
}

int ZEngine::Run()
{
    StartScenePhases();
    m_flags = (m_flags & ~kEngineScenePhase3) | kEngineRunning;
    g_engineStartingUp = false;

    const uint32_t t0 = plat::GetTickCount();
    m_flags |= kEngineServicesStarting;
    StartServices();
    m_flags &= ~kEngineServicesStarting;
    if (m_render)
        m_render->CommitDefaultAtlasPages();
    const uint32_t t1 = plat::GetTickCount();
    if (m_render)
        m_render->OnServicesStarted();
    m_startupSeconds = float(t1) / 1000.0f - float(t0) / 1000.0f;

    PumpMessages();
    StopServices();
    if (m_render)
        m_render->OnServicesStarted();
    return 0;
}

int ZEngine::StopServices()
{
    if (ZResourceManager* resources = ZResourceManager::PeekInstance())
        resources->StopLoader();
    return 0;
}

void ZEngine::IdleUnderFpsLimit()
{
    if (m_render)
        m_render->UploadOneQueued();
    if (m_audio)
        m_audio->IdleStep();
}

bool ZEngine::Frame()
{
    g_frameTimer->Tick();
    const bool fixedStep = g_engineFixedStep.GetValue() > 0.0f;
    if (g_engineEnableFpsLimit.GetValue() && !fixedStep)
    {
        m_fpsAccumulator += g_frameTimer->tickDelta;
        const float period = 1.0f / g_engineFpsLimit.GetValue();
        if (double(period) > m_fpsAccumulator)
        {
            IdleUnderFpsLimit();
            return false;
        }
        m_fpsAccumulator = double(std::fmod(float(m_fpsAccumulator) - period, period));
    }
    UpdateFrameDelta();
    if (m_input)
        m_input->Update();
    UpdateScene();
    NotifyFrameListeners();
    UpdateGame();
    if (m_audio)
        m_audio->Update();
    if (m_render)
        m_render->RenderFrame();
    if (m_input)
        m_input->EndFrame();
    if (ZResourceManager* resources = ZResourceManager::PeekInstance())
    {
        resources->ProcessFinished();
        resources->UnloadParked();
    }
    if (fixedStep)
        SettleLoads();
    return true;
}

void ZEngine::SettleLoads()
{
    // Whatever this frame queued is done before the next one begins, so a screen that waits for
    // loading waits the same number of frames on every run, whatever the machine's speed.
    ZResourceManager* resources = ZResourceManager::PeekInstance();
    for (int pass = 0; pass < 64 && IsLoading(); ++pass)
    {
        if (resources)
        {
            resources->WaitForPendingLoads();
            resources->ProcessFinished();
        }
        if (m_render)
            m_render->FlushUploadQueue();
        for (int step = 0; step < 4096 && m_audio && m_audio->HasPendingWork(); ++step)
            m_audio->IdleStep();
    }
}

void ZEngine::NotifyFrameListeners()
{
    ZEventProducer<ZFrameListener>::Deliver([](ZFrameListener* l) { l->OnFrame(); });
}

void ZEngine::UpdateScene()
{
    if (ZSceneTree* tree = ZSceneTree::PeekInstance())
        tree->Update();
}

void ZEngine::UpdateGame()
{
    if (m_game)
        m_game->Update(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
}

void ZEngine::Monitor()
{
    if (g_allocatorMonitor.GetValue())
    {
        const uint64_t count = uint64_t(GetAllocHook()->AllocationCount());
        if (count > m_lastAllocationCount)
            m_lastAllocationCount = count;
    }
    if (g_mutexMonitor.GetValue())
    {
        const uint64_t count = plat::LockCount();
        if (count > m_lastLockCount)
            m_lastLockCount = count;
    }
    if (g_frameTimer && g_frameTimer->now - m_lastStatsSample > double(g_statsInterval.GetValue()))
        m_lastStatsSample = g_frameTimer->now;
}

int ZEngine::MountResources()
{
    ZStringTable* table = ZStringTable::GetInstance();
    ZFileSystem* fileSystem = ZFileSystem::GetInstance();
    const std::string& name = g_engineStrings.GetValue();
    IFile* file = fileSystem && !name.empty() ? fileSystem->Open(name.c_str(), FILE_READ) : nullptr;
    if (!file)
        return 0;
    // Without its texts the game still runs and shows the keys; a broken file is worth a line for
    // whoever ships it.
    if (file->Open() == 0 && table->LoadXml(file) != 0)
        std::fprintf(stderr, "Error: %s: %s\n", name.c_str(), table->GetLastError().c_str());
    delete file;
    return 0;
}

int ZEngine::LoadSystemConfig()
{
    // The game's shipped defaults; a game without the file runs on the settings' own defaults.
    ZPropertyFile systemConfig;
    systemConfig.SetPath("game:system.cfg");
    systemConfig.Load(nullptr, true);
    return 0;
}

int ZEngine::LoadMainConfig()
{
    // Read after "game:system.cfg", so the user's own choices win.
    if (!m_mainConfig)
        m_mainConfig = new ZConfigFile();
    m_mainConfig->Load(nullptr, true);
    // The quality read from the configuration files counts from the start, not only once the
    // settings menu changes it; later changes follow through the listener.
    ApplyRenderQuality();
    g_renderQuality.RemoveListener(this);
    g_renderQuality.AddListener(this);
    return 0;
}

bool ZEngine::IsLoading() const
{
    if (ZResourceManager* resources = ZResourceManager::PeekInstance(); resources && resources->HasQueuedLoads())
        return true;
    if (m_render && m_render->HasQueuedUploads())
        return true;
    if (m_audio && m_audio->HasPendingWork())
        return true;
    return false;
}

ZModuleBase* ZEngine::FindModule(const char* className) const
{
    const uint32_t id = ZNameId(className).Value();
    for (ZModuleBase* module : m_modules)
        if (module->GetId() == id)
            return module;
    return nullptr;
}

void ZEngine::ApplyRenderQuality()
{
    g_particlesFactor.SetValue(g_renderQuality.GetValue() * 0.75f + 0.25f);
}

void ZEngine::OnPropertyChanged(ZProperty* property)
{
    if (property == &g_renderQuality)
    {
        ApplyRenderQuality();
        return;
    }
    if (!g_renderWindowHotswitch.GetValue())
        return;
    if (property == &g_engineRenderWindow)
    {
        if (g_engineRenderWindow.GetValue() == m_windowSeen)
            return;
        m_windowSeen = g_engineRenderWindow.GetValue();
    }
    else if (property == &g_renderWidescreen)
    {
        if (g_renderDesktopResolution.GetValue() || g_renderWidescreen.GetValue() == m_widescreenSeen)
            return;
        m_widescreenSeen = g_renderWidescreen.GetValue();
    }
    else
        return;
    if (InitRenderer(g_renderWidth.GetValue(), g_renderHeight.GetValue(), m_windowSeen) == 1)
        std::exit(1);
    if (m_render)
        m_render->ResetMatrices();
}

void ZEngine::FatalError(const char* text)
{
    (void)text;
    std::exit(1);
}

void ZEngine::OutOfMemory()
{
    FatalError("The game ran out of memory. Please try closing all applications and start the game again.");
    // An override that returned anyway must not let the caller go on without its memory.
    std::exit(10);
}

std::string ZEngine::GetBuildStamp()
{
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%s %s", __DATE__, __TIME__);
    return buffer;
}

std::string ZEngine::GetCpuName()
{
    std::string name = plat::GetCpuBrand();
    return name.empty() ? "[No CPU Info]" : name;
}

float ZEngine::GetPhysicalMemoryMB()
{
    plat::MemoryStatus status;
    if (!plat::GetMemoryStatus(status))
        return -1.0f;
    return float(double(status.totalPhysical) * (1.0 / 1048576.0));
}

std::string ZEngine::GetPhysicalMemoryText()
{
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.2f MB", double(GetPhysicalMemoryMB()));
    return buffer;
}

float ZEngine::TrackLowestFreeMemory()
{
    plat::MemoryStatus status;
    if (!plat::GetMemoryStatus(status))
        return -1.0f;
    const float mb = float(double(status.availablePhysical) * (1.0 / 1048576.0));
    if (mb < g_lowestFreeMemoryMB)
        g_lowestFreeMemoryMB = mb;
    return mb;
}
