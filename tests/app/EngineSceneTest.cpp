// The engine and its scene: the tree made with the core objects, the main camera, the three
// start-up phases, the per-frame update with its deferred deletions, and the teardown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGame.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/render/ZRenderBase.h"
#include "engine/render/ZView.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSceneTree.h"

namespace
{

std::vector<std::string> g_sceneLog;

class PhaseNode : public ZGroup
{
public:
    explicit PhaseNode(const char* name) { SetName(name); }
    void EnterPhase1() override
    {
        Record("p1", kEngineScenePhase1);
        ZGroup::EnterPhase1();
    }
    void EnterPhase2() override
    {
        Record("p2", kEngineScenePhase2);
        ZGroup::EnterPhase2();
    }
    void EnterPhase3() override
    {
        Record("p3", kEngineScenePhase3);
        ZGroup::EnterPhase3();
    }
    void Update() override
    {
        g_sceneLog.push_back(std::string(GetName()) + ":update");
        ZGroup::Update();
    }

private:
    void Record(const char* phase, uint32_t flag)
    {
        const bool flagged = g_engine && g_engine->GetFlags() & flag;
        g_sceneLog.push_back(std::string(GetName()) + ":" + phase + (flagged ? "" : "(unflagged)"));
    }
};

class HookGame : public ZGame
{
public:
    void OnEngineStart() override { g_sceneLog.push_back("game-hook"); }
    void Update(double) override { g_sceneLog.push_back("game-update"); }
};

class SceneEngine : public ZEngine
{
public:
    int CreateRenderer(int, int, bool) override { return 0; }
    int CreateInput() override { return 0; }
    int CreateAudio() override { return 0; }
    bool CheckSingleInstance() override { return true; }
    bool CheckVersion() override { return true; }
    void PumpMessages() override
    {
        for (int i = 0; i < 2; ++i)
        {
            g_sceneLog.push_back("frame");
            Frame();
        }
    }
    ~SceneEngine() override
    {
        delete m_game;
        m_game = nullptr;
    }
    ZCamera* MainCamera() const { return m_mainCamera; }
};

class EngineSceneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_sceneLog.clear();
        g_engineEnableFpsLimit.SetFromText("false", false, false);
        engine = new SceneEngine();
        engine->CreateCoreObjects();
    }
    void TearDown() override
    {
        delete g_engine;
        g_engine = nullptr;
        g_engineEnableFpsLimit.SetFromText("true", false, false);
    }
    SceneEngine* engine = nullptr;
};

} // namespace

TEST_F(EngineSceneTest, TheCoreObjectsIncludeTheSceneTreeAndPostInitMakesTheMainCamera)
{
    ZSceneTree* tree = ZSceneTree::PeekInstance();
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(g_engineStartingUp);

    ASSERT_EQ(engine->PostInit(), 0);
    ZCamera* camera = engine->MainCamera();
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(tree->FindNode("maincamera"), camera);
    EXPECT_EQ(camera->Position(), (V3{0.0f, 100.0f, -500.0f}));
    EXPECT_FLOAT_EQ(camera->GetPriority(), 100.0f);
    EXPECT_FALSE(camera->GetOptions() & kCameraOrthographic);
    EXPECT_EQ(camera->GetRoot(), tree);
}

TEST_F(EngineSceneTest, PostInitPutsTheMainCameraInAFullScreenViewOfTheRenderer)
{
    struct ViewRender : ZRenderBase
    {
    } render;
    ASSERT_EQ(engine->PostInit(), 0);
    ASSERT_EQ(render.GetViewCount(), 1u);
    ZView* view = render.GetView(0);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetRectangle(), (V4{0.0f, 0.0f, 1.0f, 1.0f}));
    ASSERT_EQ(view->GetCameras().size(), 1u);
    ZCamera* camera = engine->MainCamera();
    EXPECT_EQ(view->GetCameras()[0], camera);
    EXPECT_EQ(camera->GetView(), view);
    EXPECT_TRUE(camera->GetOptions() & kCameraInView);
    // The camera goes first: the view must not keep it.
    delete g_engine;
    g_engine = nullptr;
    EXPECT_TRUE(view->GetCameras().empty());
}

TEST_F(EngineSceneTest, RunTakesTheTreeThroughItsPhasesAndUpdatesItEveryFrame)
{
    ZSceneTree* tree = ZSceneTree::PeekInstance();
    auto* screen = new PhaseNode("screen");
    tree->AddChild(screen);
    // While the engine starts up, sibling names stay unique.
    tree->AddChild(new PhaseNode("screen"));
    EXPECT_NE(tree->FindNode("screen#1"), nullptr);
    tree->FindNode("screen#1")->SetActive(false);
    engine->SetGame(new HookGame());

    ASSERT_EQ(engine->Run(), 0);
    EXPECT_FALSE(g_engineStartingUp);
    const std::vector<std::string> startUp(g_sceneLog.begin(), g_sceneLog.begin() + 7);
    EXPECT_EQ(startUp, (std::vector<std::string>{"game-hook", "screen:p1", "screen#1:p1", "screen:p2",
                                                 "screen#1:p2", "screen:p3", "screen#1:p3"}));
    const std::vector<std::string> frames(g_sceneLog.begin() + 7, g_sceneLog.end());
    EXPECT_EQ(frames, (std::vector<std::string>{"frame", "screen:update", "game-update", "frame",
                                                "screen:update", "game-update"}));

    // A subtree added after start-up catches up; a released one goes after the frame's update.
    g_sceneLog.clear();
    auto* late = new PhaseNode("late");
    screen->AddChild(late);
    EXPECT_EQ(g_sceneLog,
              (std::vector<std::string>{"late:p1(unflagged)", "late:p2(unflagged)", "late:p3(unflagged)"}));
    late->Release();
    engine->UpdateScene();
    EXPECT_EQ(screen->FindNode("late"), nullptr);
}

TEST_F(EngineSceneTest, ShutdownDeletesTheMainCameraAndTheTree)
{
    ASSERT_EQ(engine->PostInit(), 0);
    auto* node = ZGroup::CreateNamed("kept");
    ZSceneTree::GetInstance()->AddChild(node);
    node->Release(); // still queued when the engine goes
    delete g_engine;
    g_engine = nullptr;
    EXPECT_EQ(ZSceneTree::PeekInstance(), nullptr);
}
