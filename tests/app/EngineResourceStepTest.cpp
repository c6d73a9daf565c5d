// The engine and the resource manager: the manager among the core objects, the renderer's texture-size
// capability handed over at start-up, the end-of-frame step (take over finished loads, then unload
// parked resources), the loading test, stopping the loader with the services, and teardown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZInput.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/fs/ZStream.h"
#include "engine/import/ZVertexBinImport.h"
#include "engine/render/resources/IRender.h"
#include "engine/resource/ZResourceManager.h"

namespace
{
std::vector<std::string> g_steps;

class StepRender : public IRender
{
public:
    int Init(int, int, bool, ZPlatformWindow*) override { return 0; }
    void SetResourceManager(ZResourceManager*) override {}
    void SetSize(int, int) override {}
    uint32_t GetFrameCount() const override { return 0; }
    int RenderFrame() override
    {
        g_steps.push_back("render");
        return 0;
    }
    void EnableStateA(uint16_t) override {}
    bool TestStateA(uint16_t) const override { return false; }
    bool TestStateB(uint16_t mask) const override { return mask == 4 && s_nonPowerOfTwo; }
    void UploadOneQueued() override {}
    bool HasQueuedUploads() const override { return false; }
    int ResetMatrices() override { return 0; }
    static inline bool s_nonPowerOfTwo = false;
};

class StepInput : public ZInput
{
public:
    void EndFrame() override { g_steps.push_back("input-end"); }
};

class StepEngine : public ZEngine
{
public:
    int CreateRenderer(int, int, bool) override
    {
        m_render = new StepRender();
        return 0;
    }
    int CreateInput() override
    {
        m_input = new StepInput();
        return 0;
    }
    int CreateAudio() override { return 1; }
    bool CheckSingleInstance() override { return true; }
    bool CheckVersion() override { return true; }
    void UpdateFrameDelta() override { g_frameTimer->UpdateFrameDelta(); }
};

class StepResource : public ZResourceType<StepResource>
{
    QV_TYPE_RECORD(StepResource, &ZResource::kTypeRecord)

public:
    StepResource(const char* name, uint16_t flags, bool* destroyed = nullptr) : m_destroyed(destroyed)
    {
        SetName(name);
        SetFlags(flags);
    }
    ~StepResource() override
    {
        if (m_destroyed)
            *m_destroyed = true;
    }
    int LoadSync() override { return 0; }
    int UnloadData() override
    {
        g_steps.push_back(std::string("unload ") + GetName());
        return 0;
    }
    int64_t GetMemorySize() const override { return 0; }

private:
    bool* m_destroyed;
};

class StepListener : public ZResourceListener
{
public:
    void OnResourceLoaded(ZResource* resource) override
    {
        g_steps.push_back(std::string("loaded ") + resource->GetName());
    }
};

class EngineResourceStep : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_steps.clear();
        g_engineEnableFpsLimit.SetFromText("false", false, false);
        engine = new StepEngine();
        engine->CreateCoreObjects();
    }
    void TearDown() override
    {
        delete engine;
        g_engineEnableFpsLimit.SetFromText("true", false, false);
        StepRender::s_nonPowerOfTwo = false;
    }
    StepEngine* engine = nullptr;
};
} // namespace

TEST_F(EngineResourceStep, TheManagerComesWithTheCoreObjectsAndGoesWithTheEngine)
{
    ASSERT_NE(ZResourceManager::PeekInstance(), nullptr);
    // A vertex file's blocks in the mesh cache: a header and one empty triangle chunk.
    std::string mesh(12, '\0');
    mesh += std::string("VTXH") + std::string(4, '\0') + std::string(4, '\0') + std::string("\4\0\0\0", 4) +
            std::string(4, '\0');
    ZMemoryStream stream(mesh.data(), uint32_t(mesh.size()));
    ZVertexBinImport import(&stream, "engine-test.vtx");
    ASSERT_EQ(import.Import(), 0);
    ASSERT_EQ(ZVertexBinImport::GetMeshCache()->GetFileCount(), 1u);

    delete engine;
    engine = nullptr;
    EXPECT_EQ(ZResourceManager::PeekInstance(), nullptr);
    // The engine took the cache with it.
    EXPECT_EQ(ZVertexBinImport::GetMeshCache()->GetFileCount(), 0u);
    ZVertexBinImport::ReleaseMeshCache();
}

TEST_F(EngineResourceStep, InitTellsTheManagerWhetherTexturesNeedPowerOfTwoSizes)
{
    struct Case
    {
        bool nonPowerOfTwo;
        uint8_t option;
    } const cases[] = {{false, 1}, {true, 0}};
    for (const Case& c : cases)
    {
        StepRender::s_nonPowerOfTwo = c.nonPowerOfTwo;
        delete engine;
        engine = new StepEngine();
        engine->CreateCoreObjects();
        ASSERT_EQ(engine->Init(ZCommandLine{}), 0);
        EXPECT_EQ(ZResourceManager::PeekInstance()->GetDecoderOption(), c.option);
    }
}

TEST_F(EngineResourceStep, StepElevenTakesOverLoadsThenUnloadsParkedResources)
{
    ASSERT_EQ(engine->Init(ZCommandLine{}), 0);
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    StepListener listener;
    auto* background = new StepResource("background", kResourceAsync);
    background->AddListener(&listener);
    bool parkedGone = false;
    auto* parked = new StepResource("parked", kResourceManaged, &parkedGone);
    parked->AddRef();
    ASSERT_EQ(parked->Load(), 0);

    ASSERT_EQ(background->Load(), 0);
    EXPECT_TRUE(engine->IsLoading());
    manager->WaitForPendingLoads();
    // Finished on the loader, not yet taken over: the engine still counts it as loading.
    EXPECT_TRUE(engine->IsLoading());
    parked->Release();
    g_steps.clear();

    ASSERT_TRUE(engine->Frame());
    EXPECT_EQ(g_steps,
              (std::vector<std::string>{"render", "input-end", "loaded background", "unload parked"}));
    EXPECT_TRUE(background->IsLoaded());
    EXPECT_TRUE(parkedGone);
    EXPECT_FALSE(engine->IsLoading());
}

TEST_F(EngineResourceStep, StoppingTheServicesStopsTheLoader)
{
    auto* r = new StepResource("r", kResourceAsync);
    ASSERT_EQ(r->Load(true), 0);
    ZResourceLoaderThread* loader = ZResourceManager::PeekInstance()->GetLoaderThread();
    ASSERT_NE(loader, nullptr);
    EXPECT_TRUE(loader->IsRunning());
    engine->StopServices();
    EXPECT_FALSE(loader->IsRunning());
}
