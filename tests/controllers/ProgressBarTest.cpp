// Fraction and countdown bars on a hand-set frame clock: what the sprite shows frame by frame,
// clamping, gliding and the countdown's single end event.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/scene/ZSprite.h"
#include "scene/SceneTestSupport.h"
#include "tests/support/ClockedScene.h"

namespace
{

class Expiry : public IGameProgressBarTimerListener
{
public:
    void OnTimerExpired(ZProgressBarTimer* timer) override
    {
        fired.push_back(timer);
        if (removeSelf)
            timer->RemoveListener(this);
    }
    std::vector<ZProgressBarTimer*> fired;
    bool removeSelf = false;
};

class ProgressBarTest : public qvtest::ClockedSceneTest
{
protected:
    void SetUp() override
    {
        ClockedSceneTest::SetUp();
        sprite = ZSprite::Create(200.0f, 20.0f);
        tree->AddChild(sprite);
    }
    void TearDown() override
    {
        sprite->Release();
        ClockedSceneTest::TearDown();
    }

    ZSprite* sprite = nullptr;
    ZFrameTimer& m_timer = clock.timer;
};

TEST_F(ProgressBarTest, SetValueClampsScalesAndHides)
{
    ZProgressBar* bar = ZProgressBar::Create(sprite);
    EXPECT_EQ(bar->GetParent(), sprite);
    EXPECT_TRUE(bar->IsActive());

    struct Case
    {
        float in;
        V2 full;
        float value, sx, sy;
        bool hidden;
    };
    const Case cases[] = {
        {-0.5f, {1, 1}, 0.0f, 0.0001f, 0.0001f, true},
        {1.7f, {1, 1}, 1.0f, 1.0f, 1.0f, false},
        {0.5f, {1, 1}, 0.5f, 0.5f, 1.0f, false},
        {0.99995f, {1, 1}, 0.99995f, 1.0f, 1.0f, false},
        {0.0001f, {1, 1}, 0.0001f, 0.0001f, 0.0001f, true},
        {NAN, {1, 1}, 0.0f, 0.0001f, 0.0001f, true},
        // A full scale above 1 fills to 1 at half and stays there.
        {0.25f, {2, 1}, 0.25f, 0.5f, 1.0f, false},
        {0.5f, {2, 1}, 0.5f, 1.0f, 1.0f, false},
        {0.8f, {2, 1}, 0.8f, 1.0f, 1.0f, false},
    };
    for (const Case& c : cases)
    {
        bar->fullScale = c.full;
        bar->SetValue(c.in);
        EXPECT_FLOAT_EQ(bar->GetValue(), c.value) << c.in;
        EXPECT_FLOAT_EQ(sprite->GetScale().x, c.sx) << c.in;
        EXPECT_FLOAT_EQ(sprite->GetScale().y, c.sy) << c.in;
        EXPECT_EQ(sprite->IsHidden(), c.hidden) << c.in;
    }

    // Without scale fill only the visibility follows the fraction.
    bar->scaleFill = false;
    bar->fullScale = {1, 1};
    bar->SetValue(0.5f);
    sprite->SetSpriteScale({0.3f, 0.7f});
    bar->SetValue(0.9f);
    EXPECT_FLOAT_EQ(sprite->GetScale().x, 0.3f);
    EXPECT_FALSE(sprite->IsHidden());
}

TEST_F(ProgressBarTest, GlideReachesItsTargetWithoutOvershoot)
{
    ZProgressBar* bar = ZProgressBar::Create(sprite);
    bar->SetValue(0.2f);
    // Nothing happens before a glide is asked for.
    Frame(0.1);
    EXPECT_FLOAT_EQ(bar->GetValue(), 0.2f);

    bar->AnimateTo(0.6f);
    int frames = 0;
    float last = bar->GetValue();
    while (bar->animating && frames < 100)
    {
        Frame(0.1);
        ++frames;
        EXPECT_GE(bar->GetValue(), last);
        EXPECT_LE(bar->GetValue(), 0.6f);
        last = bar->GetValue();
    }
    // 0.4 at 0.2 per second: 2 s of 0.1 s frames.
    EXPECT_EQ(frames, 20);
    EXPECT_FLOAT_EQ(bar->GetValue(), 0.6f);

    // Downward, with a frame far longer than the way left.
    bar->AnimateTo(0.5f);
    Frame(5.0);
    EXPECT_FLOAT_EQ(bar->GetValue(), 0.5f);
    EXPECT_FALSE(bar->animating);

    // A glide to the current value does nothing.
    bar->AnimateTo(0.5f);
    Frame(0.1);
    EXPECT_FLOAT_EQ(bar->GetValue(), 0.5f);
}

TEST_F(ProgressBarTest, CountdownShowsEachFrameAndExpiresOnce)
{
    ZProgressBarTimer* timer = ZProgressBarTimer::Create(sprite, 10.0);
    Expiry expiry;
    timer->AddListener(&expiry);
    // Made paused and full.
    EXPECT_FALSE(timer->IsRunning());
    EXPECT_DOUBLE_EQ(timer->GetRemaining(), 10.0);
    Frame(0.1);
    EXPECT_DOUBLE_EQ(timer->GetRemaining(), 10.0);

    // Fractions are exact in binary steps of 1/8 s over 10 s: 80 frames.
    timer->Resume();
    std::vector<float> shown;
    for (int i = 0; i < 82; ++i)
    {
        Frame(0.125);
        shown.push_back(timer->GetValue());
        if (i < 80)
        {
            EXPECT_TRUE(expiry.fired.empty()) << i;
        }
    }
    // The shown fraction lags one frame behind the count: frame i shows i / 80.
    for (int i = 0; i <= 80; ++i)
        EXPECT_FLOAT_EQ(shown[size_t(i)], float(i) / 80.0f) << i;
    // The event comes in the first update after remaining reached 0, and only once.
    ASSERT_EQ(expiry.fired.size(), 1u);
    EXPECT_EQ(expiry.fired[0], timer);
    EXPECT_TRUE(timer->IsExpired());
    EXPECT_FALSE(timer->IsRunning());
    EXPECT_DOUBLE_EQ(timer->GetRemaining(), 0.0);
    EXPECT_FLOAT_EQ(timer->GetValue(), 1.0f);
    for (int i = 0; i < 10; ++i)
        Frame(0.125);
    EXPECT_EQ(expiry.fired.size(), 1u);
}

TEST_F(ProgressBarTest, RemainingModeDrainsAndFrameTableOfTenthSeconds)
{
    ZProgressBarTimer* timer = ZProgressBarTimer::Create(sprite, 1.0);
    timer->showRemaining = 1;
    timer->Restart();
    const float expected[] = {1.0f, 0.9f, 0.8f, 0.7f, 0.6f};
    for (float e : expected)
    {
        Frame(0.1);
        EXPECT_NEAR(timer->GetValue(), e, 1e-6f);
        EXPECT_NEAR(sprite->GetScale().x, e, 1e-6f);
    }
}

TEST_F(ProgressBarTest, TimeChangesAndFinish)
{
    ZProgressBarTimer* timer = ZProgressBarTimer::Create(sprite, 10.0);
    Expiry expiry;
    expiry.removeSelf = true;
    timer->AddListener(&expiry);

    // Added time stops at the full duration.
    timer->AddTime(-4.0);
    timer->AddTime(60.0);
    EXPECT_DOUBLE_EQ(timer->GetRemaining(), 10.0);

    // Keeping the fraction over a doubled duration doubles the remaining time.
    timer->AddTime(-7.5);
    EXPECT_FLOAT_EQ(timer->GetDisplayValue(), 0.75f);
    timer->AddTime(5.0);
    EXPECT_FLOAT_EQ(timer->GetDisplayValue(), 0.25f);
    timer->SetDurationKeepFraction(20.0);
    EXPECT_FLOAT_EQ(timer->GetDisplayValue(), 0.25f);
    EXPECT_DOUBLE_EQ(timer->GetRemaining(), 15.0);

    // A shorter duration lowers the remaining time.
    timer->SetDuration(5.0);
    EXPECT_DOUBLE_EQ(timer->GetRemaining(), 5.0);

    // Emptied by added time: the event follows in the next update while running.
    timer->AddTime(-100.0);
    EXPECT_DOUBLE_EQ(timer->GetRemaining(), 0.0);
    EXPECT_TRUE(expiry.fired.empty());
    timer->Resume();
    Frame(0.1);
    EXPECT_EQ(expiry.fired.size(), 1u);
    EXPECT_FALSE(timer->HasListeners());

    // Finish: shown as full in both modes, no event.
    Expiry second;
    timer->AddListener(&second);
    for (uint32_t mode : {0u, 1u})
    {
        timer->showRemaining = mode;
        timer->Restart();
        timer->Finish();
        EXPECT_TRUE(timer->IsExpired());
        EXPECT_FALSE(timer->IsRunning());
        EXPECT_FLOAT_EQ(timer->GetDisplayValue(), 1.0f) << mode;
    }
    Frame(0.1);
    EXPECT_TRUE(second.fired.empty());
}

TEST_F(ProgressBarTest, MutedTimerAndZeroDuration)
{
    ZProgressBarTimer* timer = ZProgressBarTimer::Create(sprite, 0.0);
    Expiry expiry;
    timer->AddListener(&expiry);
    // No duration: nothing to divide by, the bar shows the time as run out.
    EXPECT_FLOAT_EQ(timer->GetDisplayValue(), 1.0f);
    timer->showRemaining = 1;
    EXPECT_FLOAT_EQ(timer->GetDisplayValue(), 0.0f);
    timer->showRemaining = 0;

    timer->SetListenersMuted(true);
    timer->Resume();
    Frame(0.1);
    EXPECT_TRUE(timer->IsExpired());
    EXPECT_TRUE(expiry.fired.empty());
    EXPECT_FALSE(std::isnan(sprite->GetScale().x));

    // Resuming an expired timer runs it into a second expiry.
    timer->SetListenersMuted(false);
    timer->Resume();
    Frame(0.1);
    EXPECT_EQ(expiry.fired.size(), 1u);

    // An inactive bar does nothing.
    timer->SetDuration(1.0);
    timer->Restart();
    timer->SetActive(false);
    Frame(0.5);
    EXPECT_DOUBLE_EQ(timer->GetRemaining(), 1.0);
}

} // namespace
