// The game object on the real state stack: start-up and the loader, the keyboard's Escape table,
// focus loss, music, spawned effects, and timed against relaxed play.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "engine/import/ZStoryXMLImport.h"
#include "engine/render/resources/ZAnimTexture.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZDialogGameState.h"
#include "game/common/ZCrew.h"
#include "game/dive/ZInGame.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/screens/ZGameEndOfLevel.h"
#include "game/screens/ZGameStoryScreen.h"
#include "game/screens/ZLevelPreview.h"
#include "game/screens/map/ZMapScreen.h"
#include "game/shell/ZGameHighscoreMenu.h"
#include "game/shell/ZGameMainMenu.h"
#include "game/shell/ZGameProfileMenu.h"
#include "game/shell/ZGameSettingsMenu.h"
#include "game/shell/ZInGameMenu.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/WidgetTestSupport.h"

using shelltest::ShellTest;

namespace
{
constexpr uint32_t kEscape = 1;

int CountChildren(ZNode* node)
{
    int n = 0;
    for (ZNode* c = node ? node->GetFirstChild() : nullptr; c; c = c->GetNextSibling())
        ++n;
    return n;
}
} // namespace

TEST_F(ShellTest, AFirstStartBuildsTheScreensShowsTheMenuAndAsksForAName)
{
    StartGame();
    EXPECT_TRUE(quorvane->HasLoaded());
    EXPECT_TRUE(quorvane->TransitionsEnabled());
    for (ZGameState* screen : {State(quorvane->GetMainMenu()), State(quorvane->GetSettingsMenu()),
                               State(quorvane->GetInGameMenu()), State(quorvane->GetProfileMenu()),
                               State(quorvane->GetHighscoreMenu()), State(quorvane->GetNameDialog()),
                               State(quorvane->GetOkCancelDialog()), State(quorvane->GetRestartDialog()),
                               State(quorvane->GetGameOverDialog())})
        EXPECT_NE(screen, nullptr);
    // Every step of the loader makes its screen: none is passed over.
    const std::vector<int>& skipped = quorvane->GetSkippedSteps();
    EXPECT_TRUE(skipped.empty()) << skipped.size() << " steps skipped, the first " << skipped.front();
    EXPECT_NE(quorvane->GetInventoryScreen(), nullptr);
    EXPECT_NE(quorvane->GetBonusDialog(), nullptr);
    EXPECT_NE(quorvane->GetCharacterScreen(), nullptr);
    for (int i = 0; i < ZQuorvane::kBonusGames; ++i)
        EXPECT_NE(quorvane->GetBonusGame(i), nullptr) << i;
    // The story screen (step 10) and the end of level (step 20).
    ASSERT_NE(quorvane->GetStoryScreen(), nullptr);
    ASSERT_NE(quorvane->GetEndOfLevel(), nullptr);
    // The campaign's story entries open the story screen at their page; a won dive hands its
    // results to the end of level, a lost one leaves the game-over dialog to go on.
    EXPECT_EQ(quorvane->GetCampaignScreen("story", 0), State(quorvane->GetStoryScreen()));
    quorvane->PrepareCampaignScreen("story", 0, "arrive_coral", "", "", "");
    EXPECT_EQ(quorvane->GetStoryScreen()->GetStartPage(), "arrive_coral");
    SDiveResult dive;
    dive.treasure = 12;
    EXPECT_EQ(quorvane->PrepareEndOfLevel(dive), State(quorvane->GetEndOfLevel()));
    EXPECT_EQ(quorvane->GetEndOfLevel()->GetResult().treasure, 12u);
    dive.lost = true;
    EXPECT_EQ(quorvane->PrepareEndOfLevel(dive), nullptr);
    EXPECT_NE(quorvane->GetInGame(), nullptr);
    EXPECT_NE(quorvane->GetCampaign(), nullptr);
    EXPECT_NE(quorvane->GetCredits(), nullptr);
    EXPECT_NE(quorvane->GetHelpMenu(), nullptr);
    for (int i = 0; i < ZQuorvane::kTemplateCount; ++i)
        EXPECT_NE(quorvane->GetTemplate(i), nullptr) << ZQuorvane::kTemplateNames[i];
    for (int i = 0; i < ZQuorvane::kThemeCount; ++i)
        EXPECT_NE(quorvane->GetThemePlayList(i), nullptr) << ZQuorvane::kThemes[i];
    // The loading indicator is the eight-frame bubble strip, at rest and out of sight until a
    // switch waits for loading.
    auto* loading = ZEntityCast<ZSprite>(quorvane->GetLoadingNode());
    ASSERT_NE(loading, nullptr);
    ASSERT_NE(loading->GetMaterial(), nullptr);
    auto* strip = ZEntityCast<ZAnimTexture>(loading->GetMaterial()->GetTexture(0));
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->GetFrameCount(), 8);
    EXPECT_TRUE(loading->IsHidden());
    ZNode* spin = loading->FindNodeAnywhere("loading_anim");
    ASSERT_NE(spin, nullptr);
    EXPECT_FALSE(spin->IsActive());

    // No player yet: the name entry opens over the menu, which stays in view beneath it.
    Frames(40);
    EXPECT_EQ(Top(), State(quorvane->GetNameDialog()));
    EXPECT_TRUE(quorvane->GetMainMenu()->IsActive());
    EXPECT_FALSE(quorvane->GetMainMenu()->GetRoot()->IsHidden());
    // Escape belongs to the dialog while it asks.
    Key(kEscape, 27);
    EXPECT_EQ(Top(), State(quorvane->GetNameDialog()));
    EXPECT_FALSE(engine->TestFlags(kEngineQuit));
}

TEST_F(ShellTest, EscapeClosesTheMenusAndQuitsFromTheMainMenu)
{
    MakePlayer("Ann");
    StartGame();
    Frames(40);
    ASSERT_EQ(Top(), State(quorvane->GetMainMenu()));
    EXPECT_EQ(quorvane->GetMainMenu()->GetPlayerText()->GetText(), "Ann");

    for (ZGameState* menu : {State(quorvane->GetSettingsMenu()), State(quorvane->GetHighscoreMenu()),
                             State(quorvane->GetInGameMenu())})
    {
        ZGame::GotoState(menu);
        Frames(30);
        ASSERT_EQ(Top(), menu) << menu->GetName();
        Key(kEscape, 27);
        Frames(30);
        EXPECT_EQ(Top(), State(quorvane->GetMainMenu())) << menu->GetName();
    }
    // The profile menu is not on the Escape table.
    ZGame::GotoState(quorvane->GetProfileMenu());
    Frames(30);
    Key(kEscape, 27);
    Frames(30);
    EXPECT_EQ(Top(), State(quorvane->GetProfileMenu()));
    quorvane->PopState();
    Frames(30);

    ASSERT_EQ(Top(), State(quorvane->GetMainMenu()));
    EXPECT_FALSE(engine->TestFlags(kEngineQuit));
    Key(kEscape, 27);
    EXPECT_TRUE(engine->TestFlags(kEngineQuit));
}

TEST_F(ShellTest, FocusLossHoldsTheGameAndTheMusicUntilFocusReturns)
{
    MakePlayer("Ann");
    StartGame();
    g_enginePauseOnBlur.SetValue(true);
    // The game handles the loss itself ...
    EXPECT_TRUE(quorvane->OnFocusLost());
    EXPECT_TRUE(quorvane->IsMusicHeld());
    EXPECT_TRUE(audio->paused);
    quorvane->Update(0.02);
    EXPECT_TRUE(engine->TestFlags(kEnginePaused));
    // ... and lets the engine resume on the gain: answering true would keep it paused for good.
    EXPECT_FALSE(quorvane->OnFocusGained());
    EXPECT_FALSE(quorvane->IsMusicHeld());
    EXPECT_FALSE(audio->paused);
    engine->ClearFlags(kEnginePaused); // what the engine does on a false answer
    quorvane->Update(0.02);
    EXPECT_FALSE(engine->TestFlags(kEnginePaused));

    // Without pause-on-blur the engine keeps running and nothing is held.
    g_enginePauseOnBlur.SetValue(false);
    EXPECT_FALSE(quorvane->OnFocusLost());
    quorvane->Update(0.02);
    EXPECT_FALSE(quorvane->IsMusicHeld());
    EXPECT_FALSE(engine->TestFlags(kEnginePaused));
}

TEST_F(ShellTest, PlayingTheListThatPlaysOnlyBringsItBackUp)
{
    MakePlayer("Ann");
    StartGame();
    ZPlayList* sand = quorvane->GetThemePlayList(0);
    ZPlayList* coral = quorvane->GetThemePlayList(1);
    ASSERT_TRUE(sand && coral);
    quorvane->PlayPlayList(sand);
    EXPECT_EQ(audio->plays, 1);
    quorvane->PlayPlayList(sand);
    EXPECT_EQ(audio->plays, 1);
    EXPECT_EQ(audio->fadeIns, 1);
    quorvane->PlayPlayList(coral);
    EXPECT_EQ(audio->plays, 2);
    EXPECT_EQ(audio->playing.GetListId(), coral->GetListId());
    quorvane->PlayPlayList(nullptr);
    EXPECT_EQ(audio->plays, 2);
}

TEST_F(ShellTest, SpawnedEffectsAreClonesThatLeaveThePopupLayerAgain)
{
    MakePlayer("Ann");
    StartGame();
    ZNode* layer = quorvane->GetPopupLayer();
    ASSERT_NE(layer, nullptr);
    const int before = CountChildren(layer);
    for (int i = 0; i < 30; ++i)
        quorvane->SpawnParticleEffect(i % 2 ? "dust" : "power_particle_squid", V3{10.0f, 20.0f, -60.0f});
    EXPECT_EQ(CountChildren(layer), before + 30);
    EXPECT_EQ(quorvane->GetLiveEffectCount(), 30u);
    // A name without a template makes nothing.
    quorvane->SpawnParticleEffect("no_such_effect", V3{});
    EXPECT_EQ(quorvane->GetLiveEffectCount(), 30u);
    Frames(int(ZQuorvane::kEffectLifetime / 0.02) + 5);
    EXPECT_EQ(quorvane->GetLiveEffectCount(), 0u);
    EXPECT_EQ(CountChildren(layer), before);
}

TEST_F(ShellTest, TimedPlayAfterRelaxedPlayGoesBackToTheTimedProgress)
{
    MakePlayer("Ann");
    StartGame();
    Frames(40);
    uitest::ScreenState campaign("ZLevelControl");
    ZGameMainMenu* menu = quorvane->GetMainMenu();
    menu->SetScreens(quorvane->GetSettingsMenu(), quorvane->GetProfileMenu(), quorvane->GetHighscoreMenu(), nullptr,
                     nullptr, &campaign);
    ZProfileManager* profiles = ZProfileManager::PeekInstance();

    menu->StartPlay(true);
    Frames(30);
    EXPECT_EQ(profiles->GetCurrentSubProfileName(), kRelaxSubProfile);
    EXPECT_TRUE(g_profileRelaxMode.GetValue());
    EXPECT_EQ(Top(), &campaign);

    quorvane->ClearStates(menu);
    Frames(30);
    menu->StartPlay(false);
    Frames(30);
    EXPECT_EQ(profiles->GetCurrentSubProfileName(), "");
    EXPECT_FALSE(g_profileRelaxMode.GetValue());
    EXPECT_EQ(profiles->GetCurrentIndex(), 0);
    quorvane->ClearStates(menu);
    Frames(30);
}

TEST_F(ShellTest, PlayGoesThroughTheCampaignToTheFirstDive)
{
    MakePlayer("Ann");
    StartGame();
    Frames(40);
    ZGameMainMenu* menu = quorvane->GetMainMenu();
    menu->StartPlay(false);
    // On the sea map the player opens the selected level's card and dives; the intro's story
    // pages are read with their buttons (the question answered yes), then the crew screen shows
    // the first crew member with the campaign's tip and waits for the player.
    ZGameStoryScreen* story = quorvane->GetStoryScreen();
    ZCharacterScreen* crew = quorvane->GetCharacterScreen();
    ASSERT_NE(crew, nullptr);
    int storyPages = 0;
    bool metCrew = false;
    for (int i = 0; i < 80 && Top() != quorvane->GetInGame(); ++i)
    {
        if (story && Top() == State(story) && story->GetCurrentPage() && !story->IsInTransition())
        {
            ZButton2D* button =
                story->GetCurrentPage()->question ? story->GetYesButton() : story->GetNextButton();
            ASSERT_NE(button, nullptr);
            const V3 at = ZGeom::WorldPositionOf(button);
            MoveToLogical(at.x, at.y);
            Press();
            Release();
            ++storyPages;
        }
        else if (Top() == quorvane->GetMapScreen())
            static_cast<ZMapScreen*>(quorvane->GetMapScreen())->OpenPreview(0);
        else if (Top() == quorvane->GetLevelPreview())
        {
            auto* card = static_cast<ZLevelPreview*>(quorvane->GetLevelPreview());
            card->OnClicked(ZEntityCast<ZButton2D>(card->GetRoot()->FindNode("button_play")));
        }
        else if (!metCrew && Top() == State(crew))
        {
            metCrew = true;
            EXPECT_EQ(crew->GetSelectedIndex(), ParseCrewName("finn"));
            EXPECT_EQ(crew->GetPendingTip(), "characterscreen");
            ASSERT_NE(crew->GetContinueButton(), nullptr);
            ClickOn(crew->GetContinueButton());
        }
        Frames(10);
    }
    EXPECT_GE(storyPages, 4);
    EXPECT_TRUE(metCrew);
    ASSERT_EQ(Top(), quorvane->GetInGame());
    auto* dive = static_cast<ZInGame*>(quorvane->GetInGame());
    const auto* level = ZEntityCast<ZLevel>(ZLevelControl::GetInstance()->GetCurrentEntry());
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(dive->GetLevelName(), level->GetBoardName());
    EXPECT_EQ(dive->GetLevelNumber(), 1);
    EXPECT_FALSE(g_profileRelaxMode.GetValue());
}

TEST_F(ShellTest, LayoutsCutShortOrEmptyAreNamedAndTheMenusStillWork)
{
    std::ifstream in(std::string(QV_SOURCE_DIR) + "/data/mainmenu.xml");
    const std::string layout{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Override("mainmenu.xml", layout.substr(0, layout.size() / 3));
    Override("settingsmenu.xml", "");
    Override("highscoremenu.xml", "<scenetree><fonttext name=\"name_0\"");
    MakePlayer("Ann");
    testing::internal::CaptureStderr();
    StartGame();
    Frames(40);
    ASSERT_EQ(Top(), State(quorvane->GetMainMenu()));
    for (ZGameState* menu : {State(quorvane->GetSettingsMenu()), State(quorvane->GetHighscoreMenu())})
    {
        ZGame::GotoState(menu);
        Frames(30);
        EXPECT_EQ(Top(), menu);
        Key(kEscape, 27);
        Frames(30);
        EXPECT_EQ(Top(), State(quorvane->GetMainMenu()));
    }
    const std::string err = testing::internal::GetCapturedStderr();
    for (const char* file : {"resources:mainmenu.xml", "resources:settingsmenu.xml", "resources:highscoremenu.xml"})
        EXPECT_NE(err.find(std::string(file) + " is missing or broken"), std::string::npos) << file << "\n" << err;
    // A high-score layout without rows leaves the table's ten places alone.
    EXPECT_EQ(ZHighscoreTable::PeekInstance()->GetPlaces(), 10);
    Key(kEscape, 27);
    EXPECT_TRUE(engine->TestFlags(kEngineQuit));
}

TEST_F(ShellTest, CancellingTheSettingsPutsTheBackgroundSwitchesBack)
{
    MakePlayer("Ann");
    StartGame();
    Frames(40);
    ZGameSettingsMenu* settings = quorvane->GetSettingsMenu();
    for (bool save : {false, true})
    {
        ZGame::GotoState(settings);
        Frames(30);
        ASSERT_EQ(Top(), State(settings));
        g_zelkDisableFish.SetValue(true);
        g_zelkDisableWhale.SetValue(true);
        auto* button = ZEntityCast<ZButton2D>(settings->GetRoot()->FindNode(save ? "save_button" : "cancel_button"));
        ASSERT_NE(button, nullptr);
        settings->OnClicked(button);
        Frames(30);
        EXPECT_EQ(Top(), State(quorvane->GetMainMenu()));
        EXPECT_EQ(g_zelkDisableFish.GetValue(), save);
        EXPECT_EQ(g_zelkDisableWhale.GetValue(), save);
        EXPECT_FALSE(g_zelkDisableBubbles.GetValue());
    }
    g_zelkDisableFish.Reset(false);
    g_zelkDisableWhale.Reset(false);
}
