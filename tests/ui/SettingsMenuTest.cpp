// The settings screen on the real stack: its widgets bound to the engine's settings, cancel
// putting back what was in force on entry (quality included), save keeping the changes.
#include "engine/app/ZEngineSettings.h"
#include "engine/audio/ZAudioBase.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/ui/ZCheckBox2D.h"
#include "engine/ui/ZSettingsMenu.h"
#include "engine/ui/ZSlider2D.h"
#include "tests/support/ScreenTestSupport.h"

namespace
{
class CountingListener : public IPropertyListener
{
public:
    void OnPropertyChanged(ZProperty*) override { ++count; }
    int count = 0;
};

class TestSettingsMenu : public uitest::LaidOutScreen<ZSettingsMenu>
{
public:
    using LaidOutScreen::LaidOutScreen;
    bool OpenRestartDialog(const char* text) override
    {
        restartTexts.push_back(text);
        return true;
    }
    std::vector<std::string> restartTexts;
};

// Every setting the menu touches, back at its default between tests.
void ResetSettings()
{
    for (ZProperty* p : std::initializer_list<ZProperty*>{
             &g_audioMute, &g_engineRenderWindow, &g_renderWidescreen, &g_audioVolumeMusic,
             &g_audioVolumeSound, &g_renderQuality, &g_particlesFactor, &g_renderWindowHotswitch})
        p->Reset(false);
}

class SettingsMenuTest : public uitest::ScreenTest
{
protected:
    void SetUp() override
    {
        ResetSettings();
        ScreenTest::SetUp();
    }
    void TearDown() override
    {
        ScreenTest::TearDown();
        ResetSettings();
    }
    TestSettingsMenu menu{"resources:settingsmenu.xml"};
};

TEST_F(SettingsMenuTest, BuildingBindsEveryWidgetToItsSetting)
{
    g_audioVolumeMusic.SetValue(0.8f);
    Open(&menu);
    ASSERT_TRUE(menu.IsActive());
    ASSERT_TRUE(menu.GetMusicSlider() && menu.GetEffectsSlider() && menu.GetSoundSlider());
    ASSERT_TRUE(menu.GetMuteBox() && menu.GetWindowBox() && menu.GetWidescreenBox());
    EXPECT_EQ(menu.GetMusicSlider()->GetReadout()->GetText(), "80");
    EXPECT_EQ(menu.GetSoundSlider()->GetReadout()->GetText(), "100");
    g_audioVolumeMusic.SetValue(0.05f);
    EXPECT_EQ(menu.GetMusicSlider()->GetReadout()->GetText(), "05");
    EXPECT_TRUE(menu.GetWidescreenBox()->IsTicked());
    EXPECT_FALSE(menu.GetWindowBox()->IsTicked());

    // The window box is the setting as it stands, not inverted.
    ClickAt(-200.0f, 90.0f);
    EXPECT_TRUE(g_engineRenderWindow.GetValue());
    EXPECT_TRUE(menu.GetWindowBox()->IsTicked());
}

TEST_F(SettingsMenuTest, QualityDrivesTheParticleFactor)
{
    Open(&menu);
    struct Case
    {
        float quality, factor;
    };
    for (Case c : {Case{0.0f, 0.25f}, Case{1.0f, 1.0f}, Case{0.5f, 0.625f}})
    {
        g_renderQuality.SetValue(c.quality);
        EXPECT_FLOAT_EQ(g_particlesFactor.GetValue(), c.factor) << c.quality;
    }
}

TEST_F(SettingsMenuTest, CancelPutsBackWhatWasInForceOnEntry)
{
    g_audioVolumeMusic.SetValue(0.3f);
    Open(&menu);
    CountingListener window, wide;
    g_engineRenderWindow.AddListener(&window);
    g_renderWidescreen.AddListener(&wide);

    ClickAt(-200.0f, 90.0f);  // window mode on
    ClickAt(-200.0f, 150.0f); // mute
    g_audioVolumeMusic.SetValue(0.9f);
    g_renderQuality.SetValue(0.0f);
    ASSERT_TRUE(g_engineRenderWindow.GetValue());
    ASSERT_TRUE(g_audioMute.GetValue());
    window.count = 0;

    ClickAt(100.0f, -200.0f);
    Frames(3);
    EXPECT_FALSE(menu.IsActive());
    EXPECT_TRUE(screen.IsActive());
    EXPECT_FALSE(g_engineRenderWindow.GetValue());
    EXPECT_EQ(window.count, 1);
    EXPECT_EQ(wide.count, 0); // unchanged, so not re-notified
    EXPECT_FALSE(g_audioMute.GetValue());
    EXPECT_FLOAT_EQ(g_audioVolumeMusic.GetValue(), 0.3f);
    EXPECT_FLOAT_EQ(g_renderQuality.GetValue(), 1.0f);
    EXPECT_FLOAT_EQ(g_particlesFactor.GetValue(), 1.0f);
    g_engineRenderWindow.RemoveListener(&window);
    g_renderWidescreen.RemoveListener(&wide);
}

TEST_F(SettingsMenuTest, SaveKeepsTheChangesAndTheSnapshotIsRetakenOnEntry)
{
    Open(&menu);
    ClickAt(-200.0f, 150.0f);
    ClickAt(-100.0f, -200.0f);
    Frames(3);
    EXPECT_FALSE(menu.IsActive());
    EXPECT_TRUE(g_audioMute.GetValue());

    // Entered again: cancel goes back to the saved choice, not to the first entry's.
    Open(&menu);
    ClickAt(-200.0f, 150.0f);
    EXPECT_FALSE(g_audioMute.GetValue());
    ClickAt(100.0f, -200.0f);
    Frames(3);
    EXPECT_TRUE(g_audioMute.GetValue());
    // Save and cancel are heard once however often the menu is entered.
    ZButton2D* cancel = ZEntityCast<ZButton2D>(menu.GetRoot()->FindNode("cancel_button"));
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->ListenerCount(), 1u);
}

TEST_F(SettingsMenuTest, SavingAWindowModeChangeAsksForARestartOnlyWithoutLiveSwitching)
{
    struct Case
    {
        bool hotswitch, toggleWindow;
        size_t dialogs;
    };
    for (Case c : {Case{false, true, 1}, Case{true, true, 0}, Case{false, false, 0}})
    {
        SCOPED_TRACE(std::to_string(c.hotswitch) + std::to_string(c.toggleWindow));
        g_renderWindowHotswitch.SetValue(c.hotswitch);
        menu.restartTexts.clear();
        Open(&menu);
        if (c.toggleWindow)
            ClickAt(-200.0f, 90.0f);
        ClickAt(-100.0f, -200.0f);
        Frames(3);
        EXPECT_FALSE(menu.IsActive());
        ASSERT_EQ(menu.restartTexts.size(), c.dialogs);
        if (c.dialogs)
        {
            EXPECT_EQ(menu.restartTexts[0], "settings.restart");
        }
    }
}

TEST_F(SettingsMenuTest, ALayoutWithoutItsWidgetsStillWorks)
{
    uitest::LaidOutScreen<ZSettingsMenu> bare{"resources:settingsmenu_bare.xml"};
    Open(&bare);
    ASSERT_TRUE(bare.IsActive());
    EXPECT_EQ(bare.GetMusicSlider(), nullptr);
    g_audioVolumeSound.SetValue(0.2f);
    ClickAt(100.0f, -200.0f);
    Frames(3);
    EXPECT_FALSE(bare.IsActive());
    EXPECT_FLOAT_EQ(g_audioVolumeSound.GetValue(), 1.0f);
}
} // namespace
