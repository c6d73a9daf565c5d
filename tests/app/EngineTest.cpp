// The engine object: clock, frame-rate limiter, frame order, start-up order and shutdown,
// driven with a hand-set tick counter and recording doubles of the layers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineMain.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZInput.h"
#include "engine/audio/IAudio.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/platform/ZPlatformTime.h"
#include "engine/render/resources/IRender.h"
#include "tests/support/ClockedScene.h"

namespace
{

std::vector<std::string> g_log;

using ManualClock = qvtest::ManualTicks;

class LogRender : public IRender
{
public:
    int Init(int, int, bool, ZPlatformWindow*) override { return 0; }
    void SetResourceManager(ZResourceManager*) override {}
    void SetSize(int, int) override {}
    uint32_t GetFrameCount() const override { return frames; }
    int RenderFrame() override
    {
        ++frames;
        g_log.push_back("render");
        return 0;
    }
    void EnableStateA(uint16_t mask) override { stateA |= mask; }
    bool TestStateA(uint16_t mask) const override { return (stateA & mask) != 0; }
    void UploadOneQueued() override { g_log.push_back("upload-one"); }
    bool HasQueuedUploads() const override { return false; }
    int ResetMatrices() override { return 0; }
    void CommitDefaultAtlasPages() override { g_log.push_back("atlas-pass"); }
    void OnServicesStarted() override { g_log.push_back("services-hook"); }
    uint32_t frames = 0;
    uint16_t stateA = 0;
};

class LogAudio : public IAudio
{
public:
    int Init() override { return 0; }
    void Update() override { g_log.push_back("audio"); }
    void PauseAll(bool) override {}
    bool HasPendingWork() const override { return false; }
    void IdleStep() override { g_log.push_back("audio-idle"); }
};

class LogInput : public ZInput
{
public:
    void Update() override { g_log.push_back("input"); }
    void EndFrame() override { g_log.push_back("input-end"); }
};

class LogGame : public ZGame
{
public:
    void OnEngineStart() override { g_log.push_back("game-start-hook"); }
    void Update(double) override { g_log.push_back("game"); }
};

class LogFrameListener : public ZFrameListener
{
public:
    void OnFrame() override { g_log.push_back("frame-listener"); }
};

// An engine whose layers are recording doubles; start-up steps log their names.
class TestEngine : public ZEngine
{
public:
    int CreateRenderer(int, int, bool) override
    {
        g_log.push_back("create-renderer");
        if (failRenderer)
            return 1;
        m_render = new LogRender();
        return 0;
    }
    int CreateInput() override
    {
        g_log.push_back("create-input");
        m_input = new LogInput();
        return 0;
    }
    int CreateAudio() override
    {
        g_log.push_back("create-audio");
        m_audio = new LogAudio();
        return 0;
    }
    bool CheckSingleInstance() override { return true; }
    bool CheckVersion() override { return true; }
    int EarlyInit() override { return Step("early-init"); }
    int MountGamePaths() override { return Step("mount-game-paths"); }
    int MountResources() override { return Step("mount-resources"); }
    int RegisterModules() override { return Step("register-modules"); }
    int PreInitCheck() override { return Step("pre-init-check"); }
    int PostInit() override { return Step("post-init"); }
    int CreateGame() override
    {
        Step("create-game");
        m_game = new LogGame();
        return stopAt == "create-game" ? 1 : 0;
    }
    int StartServices() override { return Step("start-services"); }
    int StopServices() override { return Step("stop-services"); }
    void PumpMessages() override
    {
        g_log.push_back("pump");
        // Three frames, as the pump's idle passes would run them.
        for (int i = 0; i < 3; ++i)
        {
            clock->Advance(20);
            Frame();
        }
    }
    void UpdateFrameDelta() override { g_frameTimer->UpdateFrameDelta(); }
    ~TestEngine() override
    {
        g_log.push_back("destroy");
        delete m_game;
        m_game = nullptr;
    }

    int Step(const char* name)
    {
        g_log.push_back(name);
        return stopAt == name ? 1 : 0;
    }

    static inline std::string stopAt;
    static inline bool failRenderer = false;
    static inline ManualClock* clock = nullptr;
};

class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_log.clear();
        TestEngine::stopAt.clear();
        TestEngine::failRenderer = false;
        g_engineEnableFpsLimit.SetFromText("true", false, false);
        g_engineFpsLimit.SetFromText("80", false, false);
    }
    void TearDown() override
    {
        delete g_engine;
        g_engine = nullptr;
    }
    TestEngine* MakeEngine()
    {
        auto* engine = new TestEngine();
        engine->CreateCoreObjects();
        return engine;
    }
};

ZEngineFactory TestFactory()
{
    return {[](const ZCommandLine& words) {
                auto* engine = new TestEngine();
                engine->commandLine = words;
                engine->CreateCoreObjects();
            },
            [] {
                delete g_engine;
                g_engine = nullptr;
            }};
}

size_t IndexOf(const std::string& entry)
{
    for (size_t i = 0; i < g_log.size(); ++i)
        if (g_log[i] == entry)
            return i;
    return size_t(-1);
}
} // namespace

TEST(FrameTimer, WrapOfTheTickCounterGivesTheTrueSmallDelta)
{
    ManualClock clock(0xFFFFFFF0u);
    ZFrameTimer timer;
    timer.Reset();
    clock.Advance(0x20); // crosses 2^32
    timer.Tick();
    EXPECT_DOUBLE_EQ(timer.tickDelta, 0.032);
    EXPECT_DOUBLE_EQ(timer.now, 0.032);
}

TEST(FrameTimer, ALongStallBecomesOneStepOfATenthOfASecond)
{
    ManualClock clock(1000);
    ZFrameTimer timer;
    timer.Reset();
    clock.Advance(3000);
    timer.Tick();
    EXPECT_EQ(timer.tickDelta, double(0.1f));
    clock.Advance(16);
    timer.Tick();
    EXPECT_DOUBLE_EQ(timer.tickDelta, 0.016);
    EXPECT_DOUBLE_EQ(timer.now, double(0.1f) + 0.016);
}

TEST_F(EngineTest, FrameLimiterAt80FpsWithTenMillisecondPasses)
{
    ManualClock clock(5000);
    TestEngine* engine = MakeEngine();
    g_frameTimer->Reset();

    // Pass 1: 0.010 < 0.0125, skipped. Pass 2: 0.020 runs, keeps 0.0075. Pass 3: 0.0175 runs, keeps 0.005.
    struct Step
    {
        bool runs;
        double kept;
    } const steps[] = {{false, 0.010}, {true, 0.0075}, {true, 0.005}};
    for (const Step& step : steps)
    {
        clock.Advance(10);
        EXPECT_EQ(engine->Frame(), step.runs);
        EXPECT_NEAR(engine->GetFpsAccumulator(), step.kept, 1e-6);
    }
}

TEST_F(EngineTest, WithoutTheLimitEveryPassRunsAFrame)
{
    ManualClock clock(0);
    TestEngine* engine = MakeEngine();
    g_frameTimer->Reset();
    g_engineEnableFpsLimit.SetFromText("false", false, false);
    for (int i = 0; i < 5; ++i)
    {
        clock.Advance(1);
        EXPECT_TRUE(engine->Frame());
    }
}

TEST_F(EngineTest, ASkippedFrameRunsOnlyTheIdleSteps)
{
    ManualClock clock(0);
    TestEngine* engine = MakeEngine();
    ASSERT_EQ(engine->Init(ZCommandLine{}), 0);
    g_log.clear();
    clock.Advance(5);
    EXPECT_FALSE(engine->Frame());
    EXPECT_EQ(g_log, (std::vector<std::string>{"upload-one", "audio-idle"}));
}

TEST_F(EngineTest, FrameStepsRunInOrder)
{
    ManualClock clock(0);
    TestEngine* engine = MakeEngine();
    ASSERT_EQ(engine->Init(ZCommandLine{}), 0);
    engine->SetGame(new LogGame());
    LogFrameListener listener;
    engine->AddListener(&listener);
    g_log.clear();
    clock.Advance(20);
    ASSERT_TRUE(engine->Frame());
    EXPECT_EQ(g_log, (std::vector<std::string>{"input", "frame-listener", "game", "audio", "render", "input-end"}));
    EXPECT_DOUBLE_EQ(g_frameTimer->frameDelta, 0.020);

    // A muted list delivers nothing.
    engine->SetMuted(true);
    g_log.clear();
    clock.Advance(20);
    ASSERT_TRUE(engine->Frame());
    EXPECT_EQ(IndexOf("frame-listener"), size_t(-1));
    engine->RemoveListener(&listener);
}

TEST_F(EngineTest, StartUpRunsEveryStepInOrderAndShutsDown)
{
    ManualClock clock(0);
    TestEngine::clock = &clock;
    const char* argv[] = {"--engine.fpslimit=40"};
    EXPECT_EQ(RunEngine(1, argv, TestFactory()), 0);
    const std::vector<std::string> expected = {
        "early-init",   "mount-game-paths", "mount-resources", "register-modules", "pre-init-check",
        "create-renderer", "create-input",  "create-audio",    "post-init",        "create-game",
        "game-start-hook", "start-services", "atlas-pass",     "services-hook",    "pump"};
    ASSERT_GE(g_log.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(g_log.begin(), g_log.begin() + long(expected.size())), expected);
    // Frames ran inside the pump; then the services stopped and the engine was deleted.
    EXPECT_NE(IndexOf("render"), size_t(-1));
    const size_t stop = IndexOf("stop-services");
    ASSERT_NE(stop, size_t(-1));
    EXPECT_EQ(g_log[stop + 1], "services-hook");
    EXPECT_EQ(g_log.back(), "destroy");
    EXPECT_EQ(g_engine, nullptr);
    // The command line's setting word was applied.
    EXPECT_FLOAT_EQ(g_engineFpsLimit.GetValue(), 40.0f);
    g_engineFpsLimit.SetFromText("80", true, false);
    TestEngine::clock = nullptr;
}

TEST_F(EngineTest, EachStoppingStepSkipsToShutdown)
{
    struct Case
    {
        const char* stopAt;
        bool failRenderer;
        int exitCode;
        const char* lastStep;
    } const cases[] = {
        {"pre-init-check", false, 1, "pre-init-check"},
        {"", true, 1, "create-renderer"},
        {"create-game", false, 1, "create-game"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.stopAt);
        g_log.clear();
        TestEngine::stopAt = c.stopAt;
        TestEngine::failRenderer = c.failRenderer;
        EXPECT_EQ(RunEngine(0, nullptr, TestFactory()), c.exitCode);
        ASSERT_GE(g_log.size(), 2u);
        EXPECT_EQ(g_log[g_log.size() - 2], c.lastStep);
        EXPECT_EQ(g_log.back(), "destroy");
        EXPECT_EQ(IndexOf("pump"), size_t(-1));
    }
}

TEST_F(EngineTest, NoEngineFromTheFactoryExitsWithMinusOne)
{
    ZEngineFactory none{[](const ZCommandLine&) {}, [] {}};
    EXPECT_EQ(RunEngine(0, nullptr, none), -1);
}

TEST(CommandLine, WordsPastTheLimitsAreCutSafely)
{
    std::vector<std::string> storage(100, "word");
    std::vector<const char*> argv;
    for (auto& s : storage)
        argv.push_back(s.c_str());
    ZCommandLine line;
    line.SetWords(int(argv.size()), argv.data());
    EXPECT_EQ(line.Count(), ZCommandLine::kMaxWords);

    const std::string big(3000, 'x');
    const char* one[] = {"-scene", big.c_str(), "-export"};
    line.SetWords(3, one);
    ASSERT_EQ(line.Count(), 1);
    EXPECT_STREQ(line.Word(0), "-scene");

    const std::string almost(2040, 'y');
    const char* fits[] = {almost.c_str(), "ab", "abcdefgh"};
    line.SetWords(3, fits);
    ASSERT_EQ(line.Count(), 2);
    EXPECT_STREQ(line.Word(1), "ab");

    // A copy keeps its own words when the original goes.
    ZCommandLine copy;
    {
        ZCommandLine original;
        const char* two[] = {"-scene", "reef.xml"};
        original.SetWords(2, two);
        copy = original;
    }
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_STREQ(copy.Word(1), "reef.xml");
}
