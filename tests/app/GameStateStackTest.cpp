// The game-state stack driven through whole frames on a hand-driven clock: pushes, pops, clears,
// fades, waiting for loads, input blocking, layers and camera orders, the fader and picking.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZFader.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZGameState.h"
#include "engine/app/ZScreenHost.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/platform/ZPlatformThread.h"
#include "engine/platform/ZPlatformTime.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSceneTree.h"
#include "tests/support/ClockedScene.h"

extern bool g_engineStartingUp;

namespace
{
std::vector<std::string> g_log;

// A fade that only takes time.
class TestFade : public ZInterpolateBase
{
    QV_TYPE_RECORD(TestFade, &ZInterpolateBase::kTypeRecord)

public:
    explicit TestFade(double seconds) { SetDuration(seconds); }
    ZControllerBase* CreateInstance() override { return new TestFade(GetDuration()); }
    void ApplyValue(float) override {}
};

// A resource whose background load waits until the test opens the gate.
std::atomic<bool> g_gateOpen{true};
class GatedResource : public ZResourceType<GatedResource>
{
    QV_TYPE_RECORD(GatedResource, &ZResource::kTypeRecord)

public:
    GatedResource() { SetFlags(kResourceAsync); }
    int LoadData() override
    {
        while (!g_gateOpen.load())
            plat::Sleep(1);
        return 0;
    }
    int LoadSync() override { return 0; }
    int UnloadData() override
    {
        ++unloads;
        return 0;
    }
    int64_t GetMemorySize() const override { return 0; }
    int unloads = 0;
};

class TestState : public ZGameState
{
public:
    explicit TestState(const char* name, bool opaque = true) : m_name(name) { SetOpaque(opaque); }
    const char* GetName() const override { return m_name.c_str(); }
    int Build() override
    {
        Log("build");
        if (makeResource)
            resource = new GatedResource();
        return 0;
    }
    void Update(double) override
    {
        Log("update");
        if (onUpdate)
        {
            auto action = onUpdate;
            onUpdate = nullptr;
            action(this);
        }
    }
    void OnEnter() override { Log("enter"); }
    void OnLeave() override { Log("leave"); }
    void OnLoseFocus() override { Log("lose"); }
    void OnGainFocus() override { Log("gain"); }
    void OnShow() override { Log("show"); }
    void OnRemove() override { Log("remove"); }
    void OnRemoved() override { Log("removed"); }
    void OnFadeInDone() override { Log("fadeindone"); }

    void Log(const char* what) { g_log.push_back(m_name + ":" + what); }

    bool makeResource = false;
    GatedResource* resource = nullptr;
    void (*onUpdate)(TestState*) = nullptr;

private:
    std::string m_name;
};

class RecordingHost : public IScreenHost
{
public:
    void LockPointerInput(bool lock) override { locks += lock ? 1 : -1; }
    void SetInputEnabled(bool enabled) override { inputEnabled = enabled; }
    ZNode* CreateFadeSprite(float width, float height) override
    {
        spriteWidth = width;
        spriteHeight = height;
        return ZGroup::Create();
    }
    void SetFadeSpriteAlpha(ZNode*, float alpha) override { spriteAlpha = alpha; }

    int locks = 0;
    bool inputEnabled = true;
    float spriteWidth = 0, spriteHeight = 0, spriteAlpha = -1;
};

class Listener : public ZGameStateListener
{
public:
    void OnStateSwitched(ZGameState* current, ZGameState*) override
    {
        g_log.push_back(std::string("switched:") + (current ? current->GetName() : "-"));
    }
    void OnSwitchPending(ZGameState* s) override { g_log.push_back(std::string("pending:") + s->GetName()); }
    void OnStillWaiting(ZGameState* s) override { g_log.push_back(std::string("waiting:") + s->GetName()); }
    void OnPendingSwitchStarted(ZGameState* s) override
    {
        g_log.push_back(std::string("started:") + s->GetName());
    }
};

class StackTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        g_log.clear();
        g_gateOpen = true;
        g_engineStartingUp = false;
        ZSceneTree::SetShutdownBegun(false);
        m_timer.Reset();
        SetScreenHost(&host);
        tree = ZSceneTree::GetInstance();
        game = std::make_unique<ZGame>();
        game->AddListener(&listener);
    }
    void TearDown() override
    {
        game.reset();
        states.clear();
        ZFader::DestroyInstance();
        ZResourceManager::DestroyInstance();
        ZSceneTree::DestroyInstance();
        SetScreenHost(nullptr);
        g_developer.SetFromText("false", false, true);
    }

    TestState* Make(const char* name, bool opaque = true, double fadeIn = 0, double fadeOut = 0)
    {
        states.push_back(std::make_unique<TestState>(name, opaque));
        TestState* s = states.back().get();
        TestFade* in = fadeIn > 0 ? new TestFade(fadeIn) : nullptr;
        TestFade* out = fadeOut > 0 ? new TestFade(fadeOut) : nullptr;
        for (TestFade* f : {in, out})
            if (f)
                tree->AddChild(f);
        s->SetFadeControllers(in, out);
        return s;
    }

    // One frame of the engine's order: clock, scene (controllers), game, finished loads.
    void Frame(uint32_t ms = 20)
    {
        m_ticks.Advance(ms);
        m_timer.Tick();
        m_timer.UpdateFrameDelta();
        tree->Update();
        game->Update(m_timer.frameDelta);
        if (ZResourceManager* m = ZResourceManager::PeekInstance())
            m->ProcessFinished();
    }
    void Frames(int n, uint32_t ms = 20)
    {
        for (int i = 0; i < n; ++i)
            Frame(ms);
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> out;
        for (ZGameState* s : game->GetStack())
            out.push_back(s->GetName());
        return out;
    }
    std::vector<float> Orders() const
    {
        std::vector<float> out;
        for (ZGameState* s : game->GetStack())
            out.push_back(s->GetCamera() ? s->GetCamera()->GetPriority() : -1.0f);
        return out;
    }
    size_t Count(const std::string& entry) const
    {
        size_t n = 0;
        for (const std::string& e : g_log)
            n += e == entry;
        return n;
    }

    RecordingHost host;
    Listener listener;
    ZSceneTree* tree = nullptr;
    std::unique_ptr<ZGame> game;
    std::vector<std::unique_ptr<TestState>> states;

private:
    qvtest::ManualTicks m_ticks{1000};
    qvtest::TestClock m_clock;
    ZFrameTimer& m_timer = m_clock.timer;
};

using Strings = std::vector<std::string>;

TEST_F(StackTest, PushesSetLayersCameraOrdersAndNames)
{
    TestState* a = Make("ZMainMenu");
    TestState* b = Make("ZMapScreen");
    TestState* c = Make("ZInGame");
    for (TestState* s : {a, b, c})
    {
        ZGame::GotoState(s);
        Frame();
    }
    EXPECT_EQ(Names(), (Strings{"ZMainMenu", "ZMapScreen", "ZInGame"}));
    EXPECT_EQ(Orders(), (std::vector<float>{0.0f, 20.0f, 500.0f}));
    EXPECT_EQ(c->GetLayer(), 2);
    ASSERT_NE(c->GetCamera(), nullptr);
    EXPECT_STREQ(c->GetCamera()->GetName(), "camera_ZInGame");
    EXPECT_EQ(c->GetCamera()->GetRoot(), c->GetRoot());
    EXPECT_EQ(game->FindState("ingame"), c);
    EXPECT_EQ(game->FindStateByRoot(c->GetRoot()), c);
    // Opaque states hide those beneath: only the top is active and updated.
    EXPECT_FALSE(a->IsActive());
    EXPECT_FALSE(b->IsActive());
    EXPECT_TRUE(c->IsActive());
    EXPECT_TRUE(c->GetRoot()->IsActive());
    EXPECT_FALSE(a->GetRoot()->IsActive());

    g_log.clear();
    EXPECT_EQ(game->PopState(), b);
    EXPECT_EQ(Names(), (Strings{"ZMainMenu", "ZMapScreen"}));
    EXPECT_EQ(Orders(), (std::vector<float>{0.0f, 500.0f}));
    EXPECT_EQ(c->GetLayer(), -1);
    EXPECT_FALSE(c->IsInPlay());
    EXPECT_EQ(g_log, (Strings{"ZInGame:remove", "ZInGame:lose", "ZInGame:leave", "ZInGame:removed",
                              "ZMapScreen:enter", "ZMapScreen:gain", "ZMapScreen:fadeindone",
                              "ZMapScreen:update", "switched:ZMapScreen"}));
    // A popped state comes back without being built again.
    ZGame::GotoState(c);
    Frame();
    EXPECT_EQ(Count("ZInGame:build"), 0u);
    EXPECT_EQ(Count("ZInGame:show"), 1u);
    // The last state is never popped.
    game->ClearStates(a);
    EXPECT_EQ(game->PopState(), nullptr);
    EXPECT_EQ(Names(), (Strings{"ZMainMenu"}));
}

TEST_F(StackTest, DialogOverScreenKeepsBothActiveAndPickingFollowsTheFlags)
{
    TestState* screen = Make("ZScreen");
    TestState* dialog = Make("ZDialog", false);
    ZGame::GotoState(screen);
    Frame();
    ZGame::GotoState(dialog);
    g_log.clear();
    Frame();
    EXPECT_TRUE(screen->IsActive());
    EXPECT_TRUE(screen->TestFlags(kStateCovered));
    EXPECT_EQ(g_log, (Strings{"ZDialog:update", "ZScreen:update"}));

    std::vector<ZNode*> roots;
    game->CollectPickRoots(roots);
    EXPECT_EQ(roots, (std::vector<ZNode*>{dialog->GetRoot()}));
    screen->SetFlags(kStatePickedWhileCovered);
    roots.clear();
    game->CollectPickRoots(roots);
    EXPECT_EQ(roots, (std::vector<ZNode*>{dialog->GetRoot(), screen->GetRoot()}));
    // A dialog that takes no pointer input lets the first pickable state beneath be picked.
    dialog->ClearFlags(kStatePickable);
    roots.clear();
    game->CollectPickRoots(roots);
    EXPECT_EQ(roots, (std::vector<ZNode*>{screen->GetRoot()}));

    // Popping the dialog gives the screen its focus back.
    g_log.clear();
    game->PopState();
    EXPECT_FALSE(dialog->IsActive());
    EXPECT_FALSE(screen->TestFlags(kStateCovered));
    EXPECT_EQ(Count("ZScreen:gain"), 1u);
    EXPECT_EQ(Count("ZScreen:enter"), 0u);
}

TEST_F(StackTest, SwitchWaitsForTheFadeOutWithInputBlocked)
{
    TestState* a = Make("ZA", true, 0.0, 0.3);
    TestState* b = Make("ZB", true, 0.2, 0.0);
    ZGame::GotoState(a);
    Frame();
    EXPECT_EQ(host.locks, 0);
    ZGame::GotoState(b);
    EXPECT_EQ(game->GetNextState(), b);
    EXPECT_EQ(game->GetCurrentState(), a);
    // The incoming state draws on top while the outgoing one fades.
    EXPECT_FLOAT_EQ(b->GetCamera()->GetPriority(), 500.0f);
    EXPECT_FLOAT_EQ(a->GetCamera()->GetPriority(), 0.0f);
    Frame();
    EXPECT_EQ(host.locks, 1);
    EXPECT_FALSE(host.inputEnabled);
    EXPECT_FALSE(b->IsActive());
    Frames(15);
    EXPECT_EQ(game->GetCurrentState(), b);
    EXPECT_TRUE(b->IsActive());
    EXPECT_FALSE(a->GetRoot()->IsActive());
    Frames(20);
    EXPECT_FALSE(b->TestFlags(kStateFadingIn));
    EXPECT_EQ(Count("ZB:fadeindone"), 1u);
    EXPECT_EQ(host.locks, 0);
    EXPECT_TRUE(host.inputEnabled);
}

TEST_F(StackTest, PopsDuringASwitchRunInOrderWhenItCompletes)
{
    TestState* a = Make("ZA");
    TestState* b = Make("ZB");
    TestState* c = Make("ZC", true, 0.0, 0.2);
    TestState* d = Make("ZD");
    for (TestState* s : {a, b, c})
    {
        ZGame::GotoState(s);
        Frame();
    }
    ZGame::GotoState(d);
    game->PopState();
    game->PopState();
    EXPECT_EQ(game->GetDeferredPops(), 2u);
    Frames(20);
    EXPECT_EQ(game->GetDeferredPops(), 0u);
    EXPECT_EQ(Names(), (Strings{"ZA", "ZB"}));
    EXPECT_EQ(game->GetCurrentState(), b);
    EXPECT_EQ(Count("ZD:removed"), 1u);
    EXPECT_EQ(Count("ZC:removed"), 1u);
}

// Whole sequences; each ends on a stack that is sound, with every removed state finished once.
TEST_F(StackTest, SequencesOfPushPopSwitchAndClear)
{
    struct Case
    {
        const char* name;
        void (*run)(StackTest&, TestState**);
        Strings stack;
        const char* current;
    } cases[] = {
        {"push then pop",
         [](StackTest& t, TestState** s)
         {
             ZGame::GotoState(s[1]);
             t.game->PopState();
         },
         {"ZA"},
         "ZA"},
        {"clear then pop",
         [](StackTest& t, TestState** s)
         {
             t.game->ClearStates(s[2]);
             t.game->PopState();
         },
         {"ZC"},
         "ZC"},
        {"push, push, clear",
         [](StackTest& t, TestState** s)
         {
             ZGame::GotoState(s[1]);
             ZGame::GotoState(s[2]);
             t.game->ClearStates(s[3]);
         },
         {"ZD"},
         "ZD"},
        {"pop from a state's own update",
         [](StackTest& t, TestState** s)
         {
             ZGame::GotoState(s[1]);
             t.Frames(40);
             s[1]->onUpdate = [](TestState*) { ZGame::PeekInstance()->PopState(); };
         },
         {"ZA"},
         "ZA"},
        {"behind the top",
         [](StackTest& t, TestState** s)
         {
             t.game->PushStateBehind(s[1], true);
             t.game->PopState();
         },
         {"ZB"},
         "ZB"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        TestState* s[4] = {Make("ZA", true, 0.1, 0.25), Make("ZB", true, 0.15, 0.1),
                           Make("ZC", true, 0.0, 0.3), Make("ZD", false, 0.2, 0.2)};
        ZGame::GotoState(s[0]);
        Frames(20);
        c.run(*this, s);
        Frames(60);
        EXPECT_EQ(Names(), c.stack);
        ASSERT_NE(game->GetCurrentState(), nullptr);
        EXPECT_STREQ(game->GetCurrentState()->GetName(), c.current);
        EXPECT_EQ(game->GetNextState(), nullptr);
        EXPECT_EQ(host.locks, 0);
        for (TestState* st : s)
        {
            const bool stacked = game->GetCurrentState() == st;
            EXPECT_EQ(st->IsActive(), stacked) << st->GetName();
            EXPECT_EQ(st->GetRoot()->IsActive(), stacked) << st->GetName();
            EXPECT_LE(Count(std::string(st->GetName()) + ":removed"),
                      Count(std::string(st->GetName()) + ":remove"));
        }
        EXPECT_FLOAT_EQ(game->GetCurrentState()->GetCamera()->GetPriority(), 500.0f);
    }
}

TEST_F(StackTest, StateLeftDuringItsFadeInDoesNotBlockTheStack)
{
    TestState* a = Make("ZA");
    TestState* b = Make("ZB", true, 1.0, 0.0);
    TestState* c = Make("ZC");
    ZGame::GotoState(a);
    Frame();
    ZGame::GotoState(b);
    Frames(3);
    ASSERT_TRUE(b->TestFlags(kStateFadingIn));
    ZGame::GotoState(c);
    Frames(3);
    EXPECT_FALSE(b->TestFlags(kStateFadingIn));
    EXPECT_EQ(game->GetCurrentState(), c);
    EXPECT_EQ(host.locks, 0);
}

TEST_F(StackTest, SwitchWaitsWhileResourcesLoad)
{
    ZResourceManager::GetInstance();
    game->SetWaitForLoading(true);
    TestState* a = Make("ZA");
    TestState* b = Make("ZB");
    b->makeResource = true;
    ZGame::GotoState(a);
    Frame();
    g_gateOpen = false;
    g_log.clear();
    ZGame::GotoState(b);
    EXPECT_EQ(game->GetPendingState(), b);
    EXPECT_TRUE(b->TestFlags(kStateWaiting));
    EXPECT_EQ(host.locks, 1);
    // A second request while one waits is dropped; a pop waits for the switch.
    TestState* c = Make("ZC");
    ZGame::GotoState(c);
    Frames(3);
    EXPECT_EQ(game->GetPendingState(), b);
    EXPECT_EQ(Count("waiting:ZB"), 3u);
    EXPECT_EQ(Count("ZA:update"), 0u);
    g_gateOpen = true;
    for (int i = 0; i < 500 && game->GetPendingState(); ++i)
    {
        plat::Sleep(1);
        Frame();
    }
    EXPECT_EQ(game->GetCurrentState(), b);
    EXPECT_FALSE(b->TestFlags(kStateWaiting));
    EXPECT_EQ(host.locks, 0);
    EXPECT_EQ(Count("pending:ZB"), 1u);
    EXPECT_EQ(Count("started:ZB"), 1u);
    EXPECT_EQ(Names(), (Strings{"ZA", "ZB"}));
    ASSERT_NE(b->resource, nullptr);
    EXPECT_TRUE(b->resource->IsLoaded());
    EXPECT_EQ(b->GetResources().size(), 1u);
}

// A pop or a clear that arrives while a switch waits for loading loses no state.
TEST_F(StackTest, PopAndClearWhileASwitchWaitsForLoading)
{
    ZResourceManager::GetInstance();
    game->SetWaitForLoading(true);
    TestState* a = Make("ZA");
    TestState* b = Make("ZB");
    TestState* c = Make("ZC");
    b->makeResource = true;
    ZGame::GotoState(a);
    Frame();
    g_gateOpen = false;
    ZGame::GotoState(b);
    ASSERT_EQ(game->GetPendingState(), b);
    game->PopState();
    EXPECT_EQ(Names(), (Strings{"ZA"}));
    g_gateOpen = true;
    for (int i = 0; i < 500 && (game->GetPendingState() || game->GetCurrentState() != a); ++i)
    {
        plat::Sleep(1);
        Frame();
    }
    EXPECT_EQ(Names(), (Strings{"ZA"}));
    EXPECT_EQ(game->GetCurrentState(), a);
    EXPECT_EQ(Count("ZB:removed"), 1u);

    // A clear replaces the waiting switch.
    TestState* d = Make("ZD");
    d->makeResource = true;
    g_gateOpen = false;
    ZGame::GotoState(d);
    ASSERT_EQ(game->GetPendingState(), d);
    game->ClearStates(c);
    EXPECT_FALSE(d->TestFlags(kStateWaiting));
    // Loading still runs, so the clear's own switch is the one that waits now.
    EXPECT_EQ(game->GetPendingState(), c);
    EXPECT_EQ(host.locks, 1);
    g_gateOpen = true;
    for (int i = 0; i < 500 && game->GetCurrentState() != c; ++i)
    {
        plat::Sleep(1);
        Frame();
    }
    Frames(3);
    EXPECT_EQ(Names(), (Strings{"ZC"}));
    EXPECT_EQ(host.locks, 0);
}

TEST_F(StackTest, FaderDimsBeneathADialogAndClearsWhenItGoes)
{
    TestState* a = Make("ZA");
    TestState* b = Make("ZB");
    TestState* dialog = Make("ZDialog", false);
    dialog->SetFlags(kStateDims);
    ZGame::GotoState(a);
    Frame();
    ZGame::GotoState(b);
    Frame();
    ZGame::GotoState(dialog);
    ZFader* fader = ZFader::PeekInstance();
    ASSERT_NE(fader, nullptr);
    EXPECT_EQ(host.spriteWidth, float(g_renderWidth.GetValue()));
    EXPECT_EQ(host.spriteHeight, float(g_renderHeight.GetValue()));
    EXPECT_STREQ(fader->GetCamera()->GetName(), "fade_camera");
    EXPECT_STREQ(fader->GetSprite()->GetName(), "fade_sprite");
    EXPECT_FLOAT_EQ(fader->GetCamera()->GetPriority(), 35.0f);
    EXPECT_EQ(fader->GetPhase(), ZFader::kDarkening);
    EXPECT_TRUE(fader->GetGroup()->IsActive());
    Frames(25);
    EXPECT_EQ(fader->GetPhase(), ZFader::kDark);
    EXPECT_FLOAT_EQ(fader->GetAlpha(), 0.4f);
    EXPECT_FLOAT_EQ(host.spriteAlpha, 0.4f);

    game->PopState();
    EXPECT_FLOAT_EQ(fader->GetCamera()->GetPriority(), 505.0f);
    EXPECT_EQ(fader->GetPhase(), ZFader::kClearing);
    Frame();
    EXPECT_GT(fader->GetAlpha(), 0.0f);
    EXPECT_LT(fader->GetAlpha(), 0.4f);
    Frames(30);
    EXPECT_EQ(fader->GetPhase(), ZFader::kClear);
    EXPECT_FALSE(fader->IsActive());
    EXPECT_FALSE(fader->GetCamera()->IsActive());
}

TEST_F(StackTest, FaderPhasesDoNotRestartTowardsTheSameSide)
{
    ZFader* fader = ZFader::GetInstance();
    fader->SetDark(true);
    fader->Fade(true);
    EXPECT_EQ(fader->GetPhase(), ZFader::kDark);
    EXPECT_FLOAT_EQ(fader->GetAlpha(), 0.4f);
    fader->Fade(false);
    Frames(5);
    const float clearing = fader->GetAlpha();
    fader->Fade(false);
    EXPECT_EQ(fader->GetPhase(), ZFader::kClearing);
    // Darkening again starts from 0.
    fader->Fade(true);
    EXPECT_EQ(fader->GetPhase(), ZFader::kDarkening);
    EXPECT_FLOAT_EQ(fader->GetAlpha(), 0.0f);
    EXPECT_GT(clearing, 0.0f);
    // Half a second after darkening began the alpha is at its maximum.
    for (int i = 0; i < 25; ++i)
    {
        Frame();
        fader->Update();
    }
    EXPECT_FLOAT_EQ(fader->GetAlpha(), 0.4f);
    fader->SetDark(false);
    fader->Fade(false);
    EXPECT_EQ(fader->GetPhase(), ZFader::kClear);
    EXPECT_FALSE(fader->IsActive());
}

TEST_F(StackTest, StateActivationCameraAndResourceRelease)
{
    TestState* s = Make("ZInGame");
    s->SetLayer(3);
    s->Init();
    ASSERT_NE(s->GetCamera(), nullptr);
    EXPECT_FLOAT_EQ(s->GetCamera()->GetPriority(), 60.0f);
    EXPECT_STREQ(s->GetRoot()->GetName(), "ZInGame");
    EXPECT_EQ(s->GetRoot()->GetSubtreeValue(), reinterpret_cast<intptr_t>(s->GetRoot()));

    // A second activation with the same value only moves the focus.
    s->SetActive(true, nullptr);
    g_log.clear();
    s->SetActive(true, nullptr);
    s->SetActive(false, nullptr);
    s->SetActive(false, nullptr);
    EXPECT_EQ(g_log, (Strings{"ZInGame:gain", "ZInGame:lose", "ZInGame:leave", "ZInGame:lose"}));

    // Resources held only while stacked go on removal only when memory is short or developing.
    ZResourceManager::GetInstance();
    TestState* r = Make("ZShop");
    r->SetFlags(kStateResourcesWhileStacked);
    r->makeResource = true;
    ZGame::GotoState(r);
    for (int i = 0; i < 500 && !(r->resource && r->resource->IsLoaded()); ++i)
    {
        plat::Sleep(1);
        Frame();
    }
    ASSERT_TRUE(r->resource->IsLoaded());
    const bool shortOfMemory = ZGameState::ShouldReleaseOnRemoval();
    r->SetFlags(kStateRemoving);
    r->FinishRemoval();
    EXPECT_EQ(r->resource->IsLoaded(), !shortOfMemory);
    g_developer.SetFromText("true", false, true);
    r->AcquireResources();
    for (int i = 0; i < 500 && !r->resource->IsLoaded(); ++i)
    {
        plat::Sleep(1);
        Frame();
    }
    r->FinishRemoval();
    EXPECT_FALSE(r->resource->IsLoaded());
}
} // namespace
