// Start-up loading: the splash, the 32-step loader that makes every screen of the game once and
// in a fixed order, the play lists, the particle templates, the tool tips and slide transitions.
// Steps whose screens are not part of this build are passed over with one line each; no screen
// pointer is used before it is checked.
#include <cstdio>
#include <string>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/audio/ZPlayList.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZAnimateGeom.h"
#include "engine/controllers/ZAnimateTexture2D.h"
#include "engine/controllers/ZHighlight2.h"
#include "engine/controllers/ZInterpolate.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/ZFont.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZDialogGameState.h"
#include "engine/ui/ZLayer2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/ZShellSettings.h"
#include "game/decoration/ZBackground.h"
#include "game/dive/ZInGame.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "game/dive/crew/ZBonusEndOfLevel.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/crew/ZInventoryScreen.h"
#include "game/hiddenobject/ZHiddenObjectGame.h"
#include "game/screens/ZCredits.h"
#include "game/screens/ZGameHelpMenu.h"
#include "game/screens/ZLevelPreview.h"
#include "game/screens/ZNewStockDialog.h"
#include "game/screens/ZShop.h"
#include "game/screens/map/ZMapScreen.h"
#include "game/shell/ZGameHighscoreMenu.h"
#include "game/shell/ZGameMainMenu.h"
#include "game/shell/ZGameProfileMenu.h"
#include "game/shell/ZGameSettingsMenu.h"
#include "game/shell/ZInGameMenu.h"
#include "game/shell/ZQuorvane.h"
#include "game/shell/ZToolTipInterpolate.h"

// The end of level and the story screen.
#include "game/screens/ZGameEndOfLevel.h"
#include "game/screens/ZGameStoryScreen.h"

namespace
{
constexpr float kPopupDepth = 550.0f;
// The loading indicator's strip runs this fast while a switch waits.
constexpr float kLoadingFramesPerSecond = 3.0f * 10.0f / 3.0f;

void Import(const char* path, ZNode* parent)
{
    if (ImportSceneFile(ZResourcePath(path), parent) != 0)
        std::fprintf(stderr, "Loading: %s is missing or broken; going on without it\n", path);
}

const char* Localized(const char* key)
{
    ZStringTable* strings = ZStringTable::PeekInstance();
    return strings ? strings->GetText(key) : key;
}

void SetDepth(ZGameState* state, float z)
{
    if (ZGroup* root = state ? state->GetRoot() : nullptr)
    {
        const V3& p = root->Position();
        root->SetPositionXYZ(p.x, p.y, z);
    }
}

// A group with its own 2D camera at the given drawing order in the 2D view.
ZGroup* MakeScreenGroup(const char* name, const char* cameraName, float order)
{
    ZGroup* group = ZGroup::Create();
    group->SetName(name);
    group->SetIs2D(true);
    ZSceneTree::GetInstance()->AddChild(group);
    ZLayer2DManager* layers = ZLayer2DManager::GetInstance();
    if (ZCamera* camera = layers ? layers->CreateScreenCamera() : nullptr)
    {
        camera->SetName(cameraName);
        ZSceneTree::GetInstance()->AddChild(camera);
        camera->SetRoot(group);
        camera->SetPriority(order);
        camera->SetActive(true);
        layers->AddToScreenView(camera);
    }
    return group;
}
} // namespace

void ZQuorvane::Skip(int step, const char* what)
{
    m_skippedSteps.push_back(step);
    std::printf("Loading: step %i skipped: %s is not part of this build yet\n", step, what);
}

void ZQuorvane::Attach(ZGameState* state)
{
    // Every screen draws through its own 2D camera over its root, which stays where the state put
    // it; the state only needs to exist and be known to the stack.
    (void)state;
}

void ZQuorvane::ShowSplash()
{
    m_splash = nullptr;
    if (!g_zelkSplashScreen.GetValue())
        return;
    m_splash = new ZSplashScreen();
    const std::string& distributor = g_engineDistributor.GetValue();
    if (!distributor.empty())
    {
        char name[64];
        std::snprintf(name, sizeof(name), "game:splash_%s.jpg", distributor.c_str());
        m_splash->AddImage(name);
    }
    m_splash->AddImage("resources:splash_brn.png");
    m_splash->ZEventProducer<ZSplashScreenListener>::AddListener(this);
}

void ZQuorvane::LoadGame()
{
    if (m_loaderRan)
        return;
    m_loaderRan = 1;
    ZResourceManager* resources = ZResourceManager::GetInstance();

    // 1. Global lists.
    Import("resources:resources.xml", ZSceneTree::GetInstance());
    Import("resources:soundtrack.xml", ZSceneTree::GetInstance());
    m_transitionSound = ZSound::Find("transition");

    // 2. Popup layer and the particle templates.
    m_popupLayer = MakeScreenGroup("particles", "particles_cam", kPopupDepth);
    LoadParticleTemplates();

    // 3. Background.
    if (g_zelkEnableBackground.GetValue())
    {
        // Without its layouts the screens keep their own painted sea.
        if (ZBackground::GetInstance()->Build() != 0)
        {
            std::fprintf(stderr, "Loading: the underwater background could not be built; the screens show their own sea\n");
            ZBackground::DestroyInstance();
        }
        // The sea is drawn in the main view, whose perspective camera would otherwise draw every
        // screen a second time, larger, over it: the game has no world of its own to show there.
        else if (auto* main = ZEntityCast<ZCamera>(ZSceneTree::GetInstance()->FindNode("maincamera")))
            main->SetActive(false);
    }

    // 4. Tool tips, before any screen registers one.
    SetupToolTips();

    // 5. Fonts.
    // Kept for the whole run, so the game holds a reference on each.
    m_fontPopup = ZFont::Find("font_popup");
    m_fontPopupBlue = ZFont::Find("font_popup_blue");
    for (ZFont* font : {m_fontPopup, m_fontPopupBlue})
        if (font)
            font->AddRef();

    // 6. Dive.
    Import("resources:ingame_resources.xml", ZSceneTree::GetInstance());
    m_inGame = ZInGame::GetInstance();

    // 7.
    LoadPlaylists();

    // 8. Main menu.
    m_mainMenu = ZGameMainMenu::GetInstance();
    Attach(static_cast<ZGameState*>(m_mainMenu));
    if (m_splash)
        m_splash->SetNextState(m_mainMenu);

    // 9. Loading indicator: shown while a switch waits for loading.
    m_loadingGroup = MakeScreenGroup("loading", "loading_cam", kPopupDepth);
    Import("resources:loading.xml", m_loadingGroup);
    m_loadingNode = m_loadingGroup->FindNode("loading");
    if (m_loadingNode)
        m_loadingNode->SetHidden(true);
    // The strip steps round at the loader's speed of 10/3 over its own pace of three frames a
    // second, stopped on its first frame until a switch waits.
    if (auto* geom = ZEntityCast<ZGeom>(m_loadingNode))
        if (ZAnimateTexture2D* strip = ZAnimateTexture2D::Create(geom, false))
        {
            strip->SetName("loading_anim");
            strip->frameRate = kLoadingFramesPerSecond;
            strip->SetActive(false);
            strip->ApplyFrame(0);
        }

    // 10. Story screen.
    m_storyScreen = ZGameStoryScreen::GetInstance();
    AttachFaders(m_storyScreen);

    // 11. Settings menu.
    m_settingsMenu = new ZGameSettingsMenu();
    AttachSlideTransitions(m_settingsMenu);

    // 12. Pause menu of the dive.
    m_inGameMenu = ZInGameMenu::GetInstance();
    // Registered now: the dive and the hidden-object game find it by name before it first shows.
    m_inGameMenu->Init();
    m_inGameMenu->SetOpaque(false);
    SetDepth(m_inGameMenu, -200.0f);
    AttachFaders(m_inGameMenu);

    // 13. Profile menu.
    m_profileMenu = new ZGameProfileMenu();
    AttachSlideTransitions(m_profileMenu);

    // 14. New-stock dialog, credits.
    {
        ZNewStockDialog* newStock = ZNewStockDialog::GetInstance();
        SetDepth(newStock, -220.0f);
        if (newStock->Load() != 0)
            std::fprintf(stderr,
                         "Loading: the new-stock dialog could not be made; new stock is not announced\n");
        m_newStock = newStock;
    }
    m_credits = ZCredits::GetInstance();

    // 15. The ok/cancel question.
    m_okCancelDialog = ZDialogGameState::Create("resources:dialog_okcancel.xml");
    if (m_okCancelDialog)
    {
        m_okCancelDialog->GetRoot()->SetName("okcanceldialog");
        m_okCancelDialog->SetText(Localized("general.sure"));
        m_okCancelDialog->SetOpaque(false);
        SetDepth(m_okCancelDialog, -250.0f);
        AttachFaders(m_okCancelDialog);
        if (ZDialog2D* dialog = m_okCancelDialog->GetDialog())
        {
            const V3& p = dialog->Position();
            dialog->SetPositionXYZ(p.x, p.y, -50.0f);
        }
    }

    // 16. Map, inventory.
    {
        // The sea map and its level card; the card is loaded when it first shows a level.
        ZLevelPreview* preview = ZLevelPreview::GetInstance();
        preview->GetRoot()->SetName("levelpreview");
        SetDepth(preview, -150.0f);
        AttachFaders(preview);
        m_levelPreview = preview;
        ZMapScreen* map = ZMapScreen::GetInstance();
        map->SetLevelPreview(preview);
        AttachFaders(map);
        m_mapScreen = map;
    }
    m_inventoryScreen = ZInventoryScreen::GetInstance();
    Attach(m_inventoryScreen);

    // 17. The restart notice.
    m_restartDialog = ZDialogGameState::Create("resources:dialog_restart.xml");
    if (m_restartDialog)
    {
        m_restartDialog->GetRoot()->SetName("restartdialog");
        m_restartDialog->SetOpaque(false);
        m_restartDialog->Load();
        m_restartDialog->SetText(Localized("settings.restart"));
        AttachFaders(m_restartDialog);
        m_settingsMenu->SetRestartDialog(m_restartDialog);
    }

    // 18. High scores.
    m_highscoreMenu = new ZGameHighscoreMenu();

    // 19. Game over.
    m_gameOverDialog = ZDialogGameState::Create("resources:gameover.xml");
    if (m_gameOverDialog)
    {
        m_gameOverDialog->GetRoot()->SetName("gameover");
        m_gameOverDialog->SetOpaque(false);
        ZGroup* root = m_gameOverDialog->GetRoot();
        m_gameOverCompletedNode = root->FindNodeAnywhere("completed");
        m_gameOverNode = root->FindNodeAnywhere("gameover");
        m_gameOverHeadline = ZEntityCast<ZFontText>(root->FindNodeAnywhere("treasure_headline"));
        m_gameOverTip = ZEntityCast<ZFontText>(root->FindNodeAnywhere("tip"));
        if (m_gameOverTip)
            m_gameOverTip->SetText(Localized("tip.air.text"));
        AttachFaders(m_gameOverDialog);
    }

    // 20. End of level: over the dive, which shows beneath it.
    m_endOfLevel = ZGameEndOfLevel::GetInstance();
    SetDepth(m_endOfLevel, -150.0f);
    AttachFaders(m_endOfLevel);

    // 21. A test board goes straight to play once the campaign control exists.
    if (!g_zelkBoard.GetValue().empty())
    {
        if (m_campaign && m_inGame)
        {
            // Leaving the test board's dive through the pause menu goes to the main menu.
            m_inGameMenu->SetScreens(m_settingsMenu, nullptr, m_mainMenu);
            m_inGame->Load();
            resources->WaitForPendingLoads();
            if (g_engine && g_engine->GetRender())
                g_engine->GetRender()->FlushUploadQueue();
            ClearStates(m_campaign);
            return;
        }
        std::printf("Loading: zelk.board is set, but the dive and the campaign control are not part of this build "
                    "yet; starting normally\n");
    }

    // 22. Name entry.
    m_nameDialog = ZInputDialogGameState::Create();
    if (m_nameDialog)
    {
        if (!m_nameDialog->GetDialog())
            std::fprintf(stderr, "Loading: %s is missing or broken; no name entry\n", ZInputDialog2D::kLayout);
        // Dialogs are drawn over the screen that asks; it shows dimmed beneath.
        m_nameDialog->SetOpaque(false);
        SetDepth(m_nameDialog, -50.0f);
        AttachFaders(m_nameDialog);
    }
    m_profileMenu->SetDialogs(m_nameDialog && m_nameDialog->GetDialog() ? m_nameDialog : nullptr, m_okCancelDialog,
                              m_restartDialog);

    // 23. Bonus end of level.
    m_bonusDialog = ZBonusEndOfLevel::GetInstance();
    Attach(m_bonusDialog);

    // 24. Help.
    m_helpMenu = ZGameHelpMenu::GetInstance();
    m_helpMenu->GetRoot()->SetName("helpmenu");
    {
        m_helpMenu->SetOpaque(false);
        AttachFaders(m_helpMenu);
    }

    // 25-28.
    // 25. The bonus games, one per location; each asks the shared question before a level is given up.
    for (int i = 0; i < kBonusGames; ++i)
    {
        char name[16], location[48], levels[48];
        std::snprintf(name, sizeof(name), "hidden%i", i + 1);
        std::snprintf(location, sizeof(location), "resources:hiddenobject%i.xml", i + 1);
        std::snprintf(levels, sizeof(levels), "resources:hiddenobjectlevels%i.xml", i + 1);
        m_hiddenGames[i] = ::GetHiddenObjectGame(name);
        if (!m_hiddenGames[i])
            continue;
        m_hiddenGames[i]->Setup(i, location, levels);
        m_hiddenGames[i]->SetConfirmDialog(m_okCancelDialog);
        Attach(m_hiddenGames[i]);
    }
    // 26. Shops.
    for (int i = 0; i < 3; ++i)
    {
        char layout[32];
        std::snprintf(layout, sizeof layout, "resources:shop%i.xml", i + 1);
        m_shops[i] = ZShop::Create(layout, i);
        if (m_shops[i]->Load() != 0)
            std::fprintf(stderr, "Loading: shop %i could not be made\n", i + 1);
        AttachSlideTransitions(m_shops[i]);
    }
    // 27. The crew: the game's crew file is read now; the player's progress on it comes with the
    // profile, which is read again below once every profile setting exists.
    m_characterScreen = ZCharacterScreen::GetInstance();
    Attach(m_characterScreen);
    if (m_characterScreen->LoadCharacters() != 0)
        std::fprintf(stderr, "Loading: %s is missing or broken; the crew screen stays empty\n",
                     ZCharacterScreen::kDataPath);
    // 28. The level preview was made with the map (step 16).

    // 29. Campaign control: reads the campaign script.
    if (m_campaign)
        m_campaign->Load();

    // The menus know each other.
    m_mainMenu->SetScreens(m_settingsMenu, m_profileMenu, m_highscoreMenu, m_helpMenu, m_credits, m_campaign);
    m_inGameMenu->SetScreens(m_settingsMenu, m_helpMenu, m_campaign ? m_campaign : m_mainMenu);
    if (ZMapScreen* map = ZMapScreen::PeekInstance())
    {
        SMapScreens screens;
        screens.mainMenu = m_mainMenu;
        screens.crew = ZCharacterScreen::PeekInstance();
        screens.inventory = ZInventoryScreen::PeekInstance();
        screens.story = m_storyScreen;
        for (int i = 0; i < 3; ++i)
        {
            screens.shops[i] = m_shops[i];
            screens.bonusGames[i] = i < kBonusGames ? m_hiddenGames[i] : nullptr;
        }
        map->SetScreens(screens);
    }

    // 30. Preloads.
    if (m_inGame)
        m_inGame->Load();
    m_mainMenu->Load();
    for (ZGameState* state :
         {static_cast<ZGameState*>(m_characterScreen), static_cast<ZGameState*>(m_bonusDialog)})
        if (state && state->Load() != 0)
            std::fprintf(stderr, "Loading: the layout of %s is missing or broken\n", state->GetName());

    // Every profile setting exists now: the current profile is read again, or its first save would
    // write defaults over what the player has.
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance(); profiles && profiles->GetProfileCount() > 0)
        profiles->LoadProfile();

    // 31. Without a splash the menu shows now.
    if (!m_splash)
    {
        GotoState(m_mainMenu);
        OnSplashDone();
    }

    // 32. Highlights for the tool tips.
    if (ZMaterial* material = ZMaterial::Find("highlightmaterial"))
        if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
            if (ZHighlight2* prototype = ZHighlight2::Create(m_popupLayer, material, 40.0f, nullptr))
            {
                prototype->SetActive(false);
                for (int i = 0; i < ZToolTipManager::kHighlights; ++i)
                    if (ZHighlight2* highlight = ZHighlight2::CreateDefault(prototype))
                    {
                        highlight->SetActive(false);
                        tips->SetHighlight(i, highlight);
                    }
            }
}

ZPlayList* ZQuorvane::TakePlayList(const char* name)
{
    ZPlayList* list = ZPlayList::Find(name);
    if (list)
        list->AddRef();
    return list;
}

void ZQuorvane::ReleasePlayLists()
{
    auto give = [](ZPlayList*& list) {
        if (list)
            list->Release();
        list = nullptr;
    };
    for (ZPlayList*& list : m_themeLists)
        give(list);
    for (ZPlayList*& list : m_shopLists)
        give(list);
    for (ZPlayList*& list : m_bonusLists)
        give(list);
    give(m_storyLowkey);
}

void ZQuorvane::LoadPlaylists()
{
    char name[64];
    for (int i = 0; i < kThemeCount; ++i)
    {
        std::snprintf(name, sizeof(name), "%s_tracks", kThemes[i]);
        m_themeLists[i] = TakePlayList(name);
    }
    for (int i = 0; i < 3; ++i)
    {
        std::snprintf(name, sizeof(name), "shop%i", i + 1);
        m_shopLists[i] = TakePlayList(name);
        std::snprintf(name, sizeof(name), "bonus%i", i + 1);
        m_bonusLists[i] = TakePlayList(name);
    }
    m_storyLowkey = TakePlayList("story_lowkey");
}

void ZQuorvane::LoadParticleTemplates()
{
    ZNode* group = ZSceneTree::GetInstance()->FindNode("particletemplates");
    if (!group)
    {
        std::fprintf(stderr, "Loading: no \"particletemplates\" node after resources:resources.xml\n");
        return;
    }
    for (int i = 0; i < kTemplateCount; ++i)
    {
        m_templates[i] = group->FindNode(kTemplateNames[i]);
        if (!m_templates[i])
            std::fprintf(stderr, "Loading: particle template \"%s\" is missing\n", kTemplateNames[i]);
    }
}

void ZQuorvane::SetupToolTips()
{
    ZToolTipManager* tips = ZToolTipManager::GetInstance();
    if (tips->CreateLayer("resources:tooltip.xml") != 0)
        std::fprintf(stderr, "Loading: resources:tooltip.xml is missing or broken; tool tips stay plain\n");
    if (ZFontText* text = tips->GetTextNode())
    {
        m_typeWriter = new ZCharModifierTypeWriter();
        m_typeWriter->rate = 125;
        m_typeWriter->delay = 0.05f;
        text->SetModifier(m_typeWriter);
    }
    tips->AddLocation("top", V2{170.0f, 220.0f});
    tips->AddLocation("bottom", V2{170.0f, -220.0f});
    if (ZGroup* root = tips->GetGroup())
    {
        ZToolTipInterpolate* show = ZToolTipInterpolate::Create(root, true);
        ZToolTipInterpolate* hide = ZToolTipInterpolate::Create(root, false);
        show->SetPartner(hide);
        hide->SetPartner(show);
        tips->SetShowController(show);
        tips->SetHideController(hide);
    }
}

void ZQuorvane::AttachSlideTransitions(ZGameState* state)
{
    ZGroup* root = state ? state->GetRoot() : nullptr;
    if (!root)
        return;
    const V3 rest = root->Position();
    ZInterpolate* in = ZInterpolate::Create(root, V3{-1024.0f, rest.y, rest.z}, rest, 0.2f);
    ZInterpolate* out = ZInterpolate::Create(root, rest, V3{1024.0f, rest.y, rest.z}, 0.2f);
    if (!in || !out)
        return;
    in->easing = EaseOutCubic;
    out->easing = EaseInCubic;
    in->SetActive(false);
    out->SetActive(false);
    out->ZInterpolate::Progress::AddListener(this);
    state->SetFadeControllers(in, out);
}
