// The start-up screen on the real stack: image fades and holds, the listeners' calls, the music,
// the hand-over to the next screen with the global fade, and missing images skipped.
#include "engine/app/ZEngineSettings.h"
#include "engine/audio/IAudio.h"
#include "engine/render/ZView.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/ui/ZSplashScreen.h"
#include "tests/support/ScreenTestSupport.h"

namespace
{
class MusicLog : public IAudio
{
public:
    int Init() override { return 0; }
    void Update() override {}
    void PauseAll(bool) override {}
    bool HasPendingWork() const override { return false; }
    void IdleStep() override {}
    void PlayMusic(const char* name) override
    {
        played.push_back(name);
        on = true;
    }
    bool IsMusicOn() const override { return on; }
    std::vector<std::string> played;
    bool on = false;
};

class SplashLog : public ZSplashScreenListener
{
public:
    void OnSplashFinished(ZSplashScreen*) override { events.push_back("finished"); }
    void OnSplashStarted(ZSplashScreen*) override { events.push_back("started"); }
    void OnSplashImageShown(ZSplashScreen*) override { events.push_back("shown"); }
    std::vector<std::string> events;
};

class SplashScreenTest : public uitest::ScreenTest
{
protected:
    void SetUp() override
    {
        g_developer.Reset(false);
        ScreenTest::SetUp();
        audio = new MusicLog();
        engine->SetAudio(audio);
        splash = std::make_unique<ZSplashScreen>();
        splash->AddListener(&log);
    }
    void TearDown() override
    {
        splash.reset();
        engine->SetAudio(nullptr);
        delete audio;
        ScreenTest::TearDown();
        g_developer.Reset(false);
    }
    // A frame as the engine runs it, the renderer's upload pass included (the splash holds its
    // last image while anything is still loading).
    void Step()
    {
        Frames(1);
        if (!drain)
            return;
        if (ZResourceManager* resources = ZResourceManager::PeekInstance())
        {
            resources->WaitForPendingLoads();
            resources->ProcessFinished();
        }
        render->FlushUploadQueue();
    }
    bool drain = true;
    // Runs frames of dt until the splash leaves the stack (or the limit); returns the time taken.
    double RunUntilGone(double limit = 20.0)
    {
        double t = 0.0;
        while (t < limit && game->GetTopState() == splash.get())
        {
            Step();
            t += 0.02;
            if (splash->GetPhase() != lastPhase)
            {
                phases.push_back({splash->GetPhase(), splash->GetPhaseDuration()});
                lastPhase = splash->GetPhase();
            }
        }
        return t;
    }

    MusicLog* audio = nullptr;
    SplashLog log;
    std::unique_ptr<ZSplashScreen> splash;
    std::vector<std::pair<int32_t, double>> phases;
    int32_t lastPhase = -1;
};

TEST_F(SplashScreenTest, MissingImagesAreSkipped)
{
    splash->AddImage("resources:splash_a.png");
    splash->AddImage("resources:nothere.png");
    splash->AddImage("");
    EXPECT_EQ(splash->GetImageCount(), 1);
}

TEST_F(SplashScreenTest, TwoImagesFadeFasterThanOneAndEachIsShownOnce)
{
    struct Case
    {
        int images;
        bool developer;
        double fade;
    };
    for (Case c : {Case{1, false, 1.0}, Case{2, false, 0.5}, Case{2, true, 0.1}})
    {
        SCOPED_TRACE(std::to_string(c.images) + (c.developer ? " developer" : ""));
        g_developer.SetValue(c.developer);
        splash = std::make_unique<ZSplashScreen>();
        log.events.clear();
        phases.clear();
        lastPhase = -1;
        splash->AddListener(&log);
        splash->AddImage("resources:splash_a.png");
        if (c.images > 1)
            splash->AddImage("resources:splash_b.png");
        ZGame::GotoState(splash.get());
        const double took = RunUntilGone();
        EXPECT_LT(took, 20.0);
        EXPECT_NE(game->GetTopState(), splash.get());
        ASSERT_FALSE(phases.empty());
        EXPECT_EQ(phases[0].first, ZSplashScreen::kFadeIn);
        EXPECT_DOUBLE_EQ(phases[0].second, c.fade);
        std::vector<std::string> expected{"started"};
        for (int i = 0; i < c.images; ++i)
            expected.push_back("shown");
        expected.push_back("finished");
        EXPECT_EQ(log.events, expected);
        EXPECT_FLOAT_EQ(splash->GetScreenFade(), 1.0f);
        EXPECT_FALSE(ZMousePointer::GetInstance()->IsLocked());
        // The music starts once and is not restarted.
        EXPECT_EQ(audio->played, std::vector<std::string>{"audio:music_main.ogg"});
        Frames(2);
    }
}

TEST_F(SplashScreenTest, HandsOverToTheNextScreenWithAGlobalFade)
{
    uitest::ScreenState next{"next"};
    splash->SetNextState(&next);
    splash->AddImage("resources:splash_a.png");
    ZGame::GotoState(splash.get());
    bool sawFinalFade = false;
    float midFade = -1.0f;
    for (int i = 0; i < 1000 && game->GetTopState() == splash.get(); ++i)
    {
        Step();
        if (splash->GetPhase() == ZSplashScreen::kFinalFade && game->GetTopState() == splash.get())
        {
            if (!sawFinalFade)
            {
                EXPECT_DOUBLE_EQ(splash->GetPhaseDuration(), 2.0);
                EXPECT_TRUE(next.IsActive()); // already running beneath the splash
            }
            sawFinalFade = true;
            midFade = splash->GetScreenFade();
        }
    }
    EXPECT_TRUE(sawFinalFade);
    EXPECT_GT(midFade, 0.0f);
    EXPECT_EQ(game->GetTopState(), &next);
    EXPECT_FLOAT_EQ(splash->GetScreenFade(), 1.0f);
    EXPECT_EQ(log.events.back(), "finished");
}

TEST_F(SplashScreenTest, TheLastImageStaysUpUntilLoadingEnds)
{
    splash->AddImage("resources:splash_a.png");
    ZGame::GotoState(splash.get());
    if (!engine->IsLoading())
        GTEST_SKIP() << "nothing is loading";
    drain = false;
    for (int i = 0; i < 300; ++i)
        Step();
    EXPECT_EQ(splash->GetPhase(), ZSplashScreen::kShow);
    EXPECT_EQ(game->GetTopState(), splash.get());
    drain = true;
    Step(); // the loader finishes after this frame's update
    Step();
    EXPECT_EQ(splash->GetPhase(), ZSplashScreen::kFadeOut);
    EXPECT_LT(RunUntilGone(), 2.0);
    EXPECT_EQ(log.events.back(), "finished");
}

TEST_F(SplashScreenTest, WithoutImagesTheSplashLeavesAtOnceAndItsLayoutPartsStayHidden)
{
    ZGame::GotoState(splash.get());
    const double took = RunUntilGone();
    EXPECT_LT(took, 1.0);
    EXPECT_EQ(game->GetTopState(), &screen);
    EXPECT_EQ(log.events, (std::vector<std::string>{"started", "finished"}));
}
} // namespace

// The white backdrop keeps its size when its texture's loaded event comes (as an atlas page sends
// it), and the screens after the splash get the 2D view's own clear colour back.
TEST_F(SplashScreenTest, BackdropKeepsItsSizeAndTheClearColourComesBack)
{
    ZTexture* texture = ZTexture::Find("splash_bg_texture");
    ASSERT_NE(texture, nullptr);
    ZSprite2D* backdrop = nullptr;
    for (ZNode* child = splash->GetRoot()->GetFirstChild(); child; child = child->GetNextSibling())
        if (auto* sprite = ZEntityCast<ZSprite2D>(static_cast<ZEntity*>(child));
            sprite && sprite->GetMaterial() && sprite->GetMaterial()->GetTexture(0) == texture)
            backdrop = sprite;
    ASSERT_NE(backdrop, nullptr);
    texture->FireLoaded();
    EXPECT_FLOAT_EQ(backdrop->GetSize().x, 810.0f);
    EXPECT_FLOAT_EQ(backdrop->GetSize().y, 610.0f);

    ZView* view = ZLayer2DManager::GetInstance()->GetScreenView();
    ASSERT_NE(view, nullptr);
    const V4 own{0.2f, 0.3f, 0.4f, 1.0f};
    view->SetClearColor(own);
    uitest::ScreenState next{"next"};
    splash->SetNextState(&next);
    splash->AddImage("resources:splash_a.png");
    ZGame::GotoState(splash.get());
    Step();
    EXPECT_FLOAT_EQ(view->GetClearColor().x, 1.0f) << "white while the splash shows";
    RunUntilGone();
    ASSERT_EQ(game->GetTopState(), &next);
    EXPECT_FLOAT_EQ(view->GetClearColor().x, own.x);
    EXPECT_FLOAT_EQ(view->GetClearColor().y, own.y);
    EXPECT_FLOAT_EQ(view->GetClearColor().z, own.z);
}
