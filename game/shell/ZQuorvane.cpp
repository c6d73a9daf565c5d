// The game object's life outside loading: start, the keyboard, focus, music, popups, spawned
// effects and the game's own dialogs.
#include "game/shell/ZQuorvane.h"

#include <cstdio>
#include <cstring>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/audio/IAudio.h"
#include "engine/audio/ZPlayList.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZAnimateGeom.h"
#include "engine/controllers/ZFadeIn.h"
#include "engine/controllers/ZHighlight2.h"
#include "engine/controllers/ZPopupTextController.h"
#include "engine/core/ZEasing.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/render/ZFont.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/resource/ZHighscoreTable.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSpriteParticle.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZDialogGameState.h"
#include "engine/ui/ZLayer2D.h"
#include "engine/ui/ZMousePointer.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/ZCrew.h"
#include "game/common/ZShellSettings.h"
#include "game/decoration/ZBackground.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/ZInGame.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "game/dive/crew/ZBonusEndOfLevel.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/crew/ZInventory.h"
#include "game/dive/crew/ZInventoryScreen.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZTokenType.h"
#include "game/hiddenobject/ZHiddenObjectGame.h"
#include "game/hiddenobject/ZHiddenObjectLevel.h"
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

// The end of level and the story screen.
#include "game/screens/ZGameEndOfLevel.h"
#include "game/screens/ZGameStoryScreen.h"

namespace
{
constexpr uint32_t kEscapeScanCode = 1;
constexpr uint32_t kPrintScreenScanCode = 0x37;
// How far a floating text rises over its life.
constexpr float kPopupRise = 40.0f;

const char* Localized(const char* key)
{
    ZStringTable* strings = ZStringTable::PeekInstance();
    return strings ? strings->GetText(key) : key;
}

void SetText(ZFontText* node, const char* key)
{
    if (node)
        node->SetText(Localized(key));
}

// An effect name the board and the abilities pass, mapped to the template that draws it.
const char* TemplateForEffect(const char* name)
{
    static const struct
    {
        const char* effect;
        const char* templ;
    } kMap[] = {
        {"dust", "dust_particle_template"},
        {"power_particle_squid", "power_octopus_particle_template"},
        {"power_particle_jelly", "power_jelly_particle_template"},
        {"power_particle_urchin", "power_urchin_particle_template"},
        {"yellowglowburst", "yellow_pulse_particle_template"},
    };
    for (const auto& entry : kMap)
        if (std::strcmp(entry.effect, name) == 0)
            return entry.templ;
    return name;
}
} // namespace

ZQuorvane::ZQuorvane()
{
    // Story files come from the language's folder first, then from the common one.
    if (ZFileSystem* fs = ZFileSystem::GetInstance())
        if (ZMountTable* table = fs->GetMountTable())
        {
            table->AddMount("story", "localized:story", "", false);
            table->AddMount("story", "resources:story", "", false);
        }
    ZEngine::TrackLowestFreeMemory();
    SetGameShell(this);
}

ZQuorvane::~ZQuorvane()
{
    SetGameShell(nullptr);
    if (ZEngine* engine = ZEngine::PeekInstance())
        if (ZInput* input = engine->GetInput())
            input->RemoveKeyboardListener(this);
    ZGame::RemoveListener(this);
    // The game's screens give back their fonts and button sounds now: the engine releases its
    // resources before it deletes the scene, and one still held then would never be freed.
    if (ZSceneTree* tree = ZSceneTree::PeekInstance())
        ReleaseSceneResources(tree);
    // Spawned effects still in the popup layer go with the scene; the list only forgets them.
    m_effects.clear();
    // Screens made here, in the order they were made. Their roots stay in the scene tree, which
    // the engine deletes after the game.
    delete m_splash;
    ZInGame::DestroyInstance();
    m_inGame = nullptr;
    // The hints and the bar keep pointers into the dive's scene, which goes with the engine; the
    // shared token and tile pictures are given back before the engine releases its resources.
    ZBoardHints::DestroyInstance();
    ZCompletionBar::DestroyInstance();
    ZArtifactRegistry::DestroyInstance();
    ReleaseTokenTypeTextures();
    ZTile::releaseSharedVisuals();
    // The map listens to the campaign's story flags, so it goes first.
    ZMapScreen::DestroyInstance();
    m_mapScreen = nullptr;
    ZLevelPreview::DestroyInstance();
    m_levelPreview = nullptr;
    ZLevelControl::DestroyInstance();
    m_campaign = nullptr;
    ZBackground::DestroyInstance();
    // The crew's screens and the bonus games; the games listen to the ok/cancel question, so they
    // go before it.
    m_prizeRelay.prize = nullptr;
    if (m_bonusDialog)
        m_bonusDialog->SetListener(nullptr);
    ZHiddenObjectGame::ReleaseAll();
    for (ZHiddenObjectGame*& game : m_hiddenGames)
        game = nullptr;
    ZBonusEndOfLevel::DestroyInstance();
    m_bonusDialog = nullptr;
    ZInventoryScreen::DestroyInstance();
    m_inventoryScreen = nullptr;
    ZCharacterScreen::DestroyInstance();
    m_characterScreen = nullptr;
    delete m_mainMenu;
    delete m_settingsMenu;
    delete m_inGameMenu;
    delete m_profileMenu;
    delete m_highscoreMenu;
    delete m_okCancelDialog;
    delete m_restartDialog;
    delete m_gameOverDialog;
    delete m_nameDialog;
    ZCredits::DestroyInstance();
    m_credits = nullptr;
    ZGameHelpMenu::DestroyInstance();
    m_helpMenu = nullptr;
    // The shops and the new-stock dialog.
    for (ZShop*& shop : m_shops)
    {
        delete shop;
        shop = nullptr;
    }
    ZNewStockDialog::DestroyInstance();
    m_newStock = nullptr;
    ZGameStoryScreen::DestroyInstance();
    m_storyScreen = nullptr;
    ZGameEndOfLevel::DestroyInstance();
    m_endOfLevel = nullptr;
    // Play lists belong to the resource manager: the game gives back the references it took and
    // deletes none of them (deleting them here freed them a second time at shutdown).
    ReleasePlayLists();
    for (ZFont* font : {m_fontPopup, m_fontPopupBlue})
        if (font)
            font->Release();
    ZInventory::DestroyInstance();
    ZAbilityManager::DestroyInstance();
    if (ZHighscoreTable* table = ZHighscoreTable::PeekInstance())
    {
        table->Save();
        ZHighscoreTable::Destroy();
    }
    // The tool tips' typewriter belongs to their text node, which deletes it with the scene.
}

void ZQuorvane::ReleaseSceneResources(ZNode* node)
{
    for (ZNode* child = node->GetFirstChild(); child; child = child->GetNextSibling())
    {
        if (auto* text = ZEntityCast<ZFontText>(child))
            text->SetFont(nullptr);
        if (auto* button = ZEntityCast<ZButton2D>(child))
            for (int32_t state = 0; state < ZButton2D::kStateCount; ++state)
                button->SetStateSound(state, nullptr);
        ReleaseSceneResources(child);
    }
}

double ZQuorvane::Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

ZGameState* ZQuorvane::GetTop()
{
    ZGame* game = ZGame::PeekInstance();
    return game ? game->GetTopState() : nullptr;
}

void ZQuorvane::Start()
{
    if (m_started)
        return;
    m_started = 1;
    // 1. Every player gets a second set of progress for relaxed play.
    ZProfileManager* profiles = ZProfileManager::GetInstance();
    profiles->AddSubProfileName(kRelaxSubProfile);
    profiles->ScanProfiles(true);
    // 2. Keyboard; Escape is the game's to handle, never the engine's quit.
    if (g_engine)
    {
        if (ZInput* input = g_engine->GetInput())
            input->AddKeyboardListener(this);
        g_engine->ClearFlags(kEngineEscQuits);
    }
    // 3. Singletons the screens use. The ability manager comes before the inventory, whose
    // item counts are the manager's items. The campaign plays its levels on the dive screen,
    // which installs itself as the campaign's dive starter when the loader makes it.
    ZHighscoreTable::GetInstance();
    ZAbilityManager::GetInstance();
    ZInventory::GetInstance();
    m_campaign = ZLevelControl::GetInstance();
    // 4. Own state events and the demo event.
    ZGame::AddListener(this);
    m_gameDemoId = ZNameId("gamedemo").Value();
    ZEventManager::GetInstance()->AddListener(this, ZNameId("gamedemo"));
    // 5. Pointer images in the first layer, renamed "game"; a second layer is hidden.
    if (ZLayer2DManager* layers = ZLayer2DManager::GetInstance())
    {
        if (ZLayer2D* first = layers->GetLayer(0))
            first->name = "game";
        if (ZLayer2D* second = layers->GetLayer(1); second && second->group)
            second->group->SetHidden(true);
    }
    ZMousePointer* pointer = ZMousePointer::GetInstance();
    pointer->CreatePointerSprites("resources:pointer.png", 0);
    pointer->CreatePointerSprites("resources:pointer_down.png", 1);
    // 6. A test board goes straight to play: no splash.
    if (!g_zelkBoard.GetValue().empty())
        g_zelkSplashScreen.SetValue(false);
    // 7, 8. The splash loads the game from its load point; without it the loader runs now.
    ShowSplash();
    if (!m_splash)
        LoadGame();
    else
        ZGame::GotoState(m_splash);
    // 9. Everything queued so far is in before the first frame.
    if (ZResourceManager* resources = ZResourceManager::PeekInstance())
        resources->WaitForPendingLoads();
    if (g_engine && g_engine->GetRender())
        g_engine->GetRender()->FlushUploadQueue();
    // 10.
    m_transitionsEnabled = 1;
    SetWaitForLoading(true);
}

void ZQuorvane::Update(double dt)
{
    ZGame::Update(dt);
    // The campaign steps after the screens, so an entry sees the switch its screen asked for.
    if (m_campaign)
        ZLevelControl::GetInstance()->Update();
    // The wheel turns exactly while a switch waits for loading.
    ShowLoading(GetPendingState() != nullptr);
    OpenNameEntryWhenReady();
    UpdateEffects();
    // Focus loss holds the game paused until focus comes back.
    if (m_musicHeld && g_engine && !g_engine->RedrawOnPaint())
    {
        g_engine->SetFlags(kEnginePaused);
        if (IAudio* audio = g_engine->GetAudio())
            audio->PauseAll(true);
    }
}

bool ZQuorvane::OnFocusLost()
{
    if (!g_enginePauseOnBlur.GetValue())
        return false;
    m_musicHeld = 1;
    if (g_engine && g_engine->GetAudio())
        g_engine->GetAudio()->PauseAll(true);
    // The running dive pauses as from its menu: its air stops and the board hides under the
    // paused label, so nothing runs out or can be studied while the player is away.
    if (ZInGame* dive = TopDive(); dive && !dive->IsPaused())
        dive->SetPaused(true, true);
    if (ZHiddenObjectGame* game = TopBonusGame())
        game->Pause(true);
    return true;
}

bool ZQuorvane::OnFocusGained()
{
    if (!g_enginePauseOnBlur.GetValue())
        return false;
    m_musicHeld = 0;
    if (g_engine && g_engine->GetAudio())
        g_engine->GetAudio()->PauseAll(false);
    if (ZInGame* dive = TopDive(); dive && dive->IsPaused())
        dive->SetPaused(false, true);
    if (ZHiddenObjectGame* game = TopBonusGame())
        game->Pause(false);
    // False lets the engine leave its paused state; answering true here would keep the game
    // paused for good, since nothing else clears the engine's pause.
    return false;
}

void ZQuorvane::OnKey(uint32_t scanCode, int32_t character)
{
    // Print Screen saves the picture on the desktop, whatever shows.
    if (scanCode == kPrintScreenScanCode)
    {
        if (g_engine)
            g_engine->TakeScreenshot();
        return;
    }
    ZGameState* top = GetTop();
    if (!top || (m_nameDialog && top == static_cast<ZGameState*>(m_nameDialog)))
        return;
    if (scanCode == kEscapeScanCode)
    {
        if (top == static_cast<ZGameState*>(m_mainMenu))
        {
            if (g_engine)
                g_engine->SetFlags(kEngineQuit);
        }
        else if (m_inGame && top == m_inGame)
        {
            // The dive's own pause menu comes with the dive; nothing opens it before then.
        }
        else if ((m_inGameMenu && top == static_cast<ZGameState*>(m_inGameMenu)) ||
                 (m_settingsMenu && top == static_cast<ZGameState*>(m_settingsMenu)) ||
                 (m_highscoreMenu && top == static_cast<ZGameState*>(m_highscoreMenu)) ||
                 (m_helpMenu && top == m_helpMenu))
        {
            PopState();
        }
        return;
    }
    (void)character;
}

void ZQuorvane::OnStarted(const V3& position, ZInterpolate* tween)
{
    (void)position, (void)tween;
    if (m_transitionSound)
        m_transitionSound->Play();
}

void ZQuorvane::Ended(ZControllerBase* controller)
{
    if (controller && controller == m_exclusivePopup)
        m_exclusivePopup = nullptr;
}

void ZQuorvane::OnSplashFinished(ZSplashScreen* splash)
{
    (void)splash;
    OnSplashDone();
}

void ZQuorvane::OnSplashDone()
{
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    if (profiles && profiles->GetProfileCount() > 0)
        return;
    // Asked once the main menu is in place, so the menu shows dimmed behind the dialog.
    m_nameEntryDue = 1;
}

void ZQuorvane::OpenNameEntryWhenReady()
{
    if (!m_nameEntryDue || !m_mainMenu || GetPendingState() || GetNextState())
        return;
    ZGameState* top = GetTopState();
    if (top != static_cast<ZGameState*>(m_mainMenu) || top->IsInTransition() || !top->IsActive())
        return;
    m_nameEntryDue = 0;
    if (m_profileMenu)
        m_profileMenu->OpenDialog();
}

void ZQuorvane::OnSplashImageShown(ZSplashScreen* splash)
{
    (void)splash;
    LoadGame();
}

void ZQuorvane::OnSwitchPending(ZGameState* state)
{
    (void)state;
    ShowLoading(true);
}

void ZQuorvane::OnPendingSwitchStarted(ZGameState* state)
{
    (void)state;
    ShowLoading(false);
}

void ZQuorvane::ShowLoading(bool on)
{
    if (m_loadingShown == uint8_t(on ? 1 : 0))
        return;
    m_loadingShown = on ? 1 : 0;
    if (m_loadingNode)
        m_loadingNode->SetHidden(!on);
    if (ZNode* spin = m_loadingNode ? m_loadingNode->FindNodeAnywhere("loading_anim") : nullptr)
        spin->SetActive(on);
}

void ZQuorvane::OnEvent(const ZEvent& event)
{
    if (event.id.Value() != m_gameDemoId)
        return;
    PlayPlayList(ZPlayList::Find("theme"));
}

ZPlayList* ZQuorvane::FindPlayList(const char* name)
{
    return name ? ZPlayList::Find(name) : nullptr;
}

void ZQuorvane::PlayPlayList(ZPlayList* list)
{
    IAudio* audio = g_engine ? g_engine->GetAudio() : nullptr;
    if (!audio || !list)
        return;
    // Lists are told apart by the name id: the list that already plays only comes back up.
    ZPlayListData* playing = audio->GetPlayList();
    if (audio->IsMusicOn() && playing && playing->GetListId() == list->GetListId() &&
        list->GetListId() != ZNameId::kNone)
    {
        audio->FadeInMusic(1.0f);
        return;
    }
    audio->PlayPlayList(list);
}

void ZQuorvane::ShowGameOver(bool completed)
{
    if (!m_gameOverDialog)
        return;
    if (m_gameOverCompletedNode)
        m_gameOverCompletedNode->SetHidden(!completed);
    if (m_gameOverNode)
        m_gameOverNode->SetHidden(completed);
    m_gameOverDialog->SetAcceptTarget(completed ? nullptr : m_campaign);
    SetText(m_gameOverTip, completed ? "gameover.completetext" : "tip.air.text");
    SetText(m_gameOverHeadline, completed ? "gameover.complete" : "gameover.surface");
    GotoState(m_gameOverDialog);
}

void ZQuorvane::ShowConfirmDialog(ZGameState* next)
{
    if (!m_okCancelDialog)
        return;
    if (m_confirmText.empty())
        m_confirmText = Localized("general.sure");
    m_okCancelDialog->SetText(m_confirmText.c_str());
    m_okCancelDialog->SetAcceptTarget(next);
    m_okCancelDialog->SetDismissTarget(nullptr);
    GotoState(m_okCancelDialog);
}

ZNode* ZQuorvane::FindParticleTemplate(const char* name)
{
    if (!name)
        return nullptr;
    for (int i = 0; i < kTemplateCount; ++i)
        if (std::strcmp(kTemplateNames[i], name) == 0)
            return m_templates[i];
    return nullptr;
}

void ZQuorvane::SpawnParticleEffect(const char* name, const V3& position)
{
    if (!name || !m_popupLayer)
        return;
    ZNode* source = FindParticleTemplate(TemplateForEffect(name));
    if (!source)
        return;
    ZNode* effect = source->Clone();
    if (!effect)
        return;
    // The game takes the effect out itself after its lifetime; a particle that deleted itself as
    // well would be released twice.
    if (auto* particle = ZEntityCast<ZSpriteParticle>(effect))
    {
        particle->deleteOnTimeout = false;
        particle->deleteOnInactive = false;
        particle->hideOnTimeout = true;
    }
    effect->SetName(name);
    m_popupLayer->AddChild(effect);
    if (auto* geom = ZEntityCast<ZGeom>(effect))
    {
        geom->SetPosition(position);
        geom->SetIs2D(true);
    }
    effect->SetHidden(false);
    effect->SetActive(true);
    m_effects.push_back({effect, Now() + kEffectLifetime});
}

void ZQuorvane::UpdateEffects()
{
    const double now = Now();
    for (size_t i = 0; i < m_effects.size();)
    {
        if (m_effects[i].endTime <= now)
        {
            m_effects[i].node->Release();
            m_effects[i] = m_effects.back();
            m_effects.pop_back();
        }
        else
            ++i;
    }
}

ZPopupTextController* ZQuorvane::SpawnPopup(const char* text, ZNode* parent, const V3& at, double duration)
{
    // The text rises a little while it shrinks and fades, then releases itself: a controller left
    // inactive would leave its text standing over everything that comes after.
    V3 end = at;
    end.y += kPopupRise;
    ZPopupTextController* popup = ZPopupTextController::Create(text, m_fontPopup, parent, &at, &end, 1.0f,
                                                               0.25f, 0.9f, 0.0f, EaseInCubic, duration);
    if (popup)
        popup->SetActive(true);
    return popup;
}

void ZQuorvane::ShowPopupAt(const char* text, bool exclusive, double duration, ZNode* parent)
{
    if (!text || (exclusive && m_exclusivePopup))
        return;
    ZNode* into = parent ? parent : m_popupLayer;
    if (!into)
        return;
    // Over its parent's place; in the popup layer that is the middle of the screen.
    V3 at{};
    if (auto* geom = ZEntityCast<ZGeom>(parent))
        at = geom->GetWorldPosition();
    ZPopupTextController* popup = SpawnPopup(text, into, at, duration);
    if (popup && exclusive)
    {
        m_exclusivePopup = popup;
        popup->ZEventProducer<ZTransientListener>::AddListener(this);
    }
}

void ZQuorvane::ShowPopup(const char* text, double duration, const V3& position)
{
    if (!text || !m_popupLayer)
        return;
    SpawnPopup(text, m_popupLayer, position, duration);
}

void ZQuorvane::ShowExclusivePopup(const char* text, double duration, const V3& position)
{
    if (!text || !m_popupLayer || m_exclusivePopup)
        return;
    ZPopupTextController* popup = SpawnPopup(text, m_popupLayer, position, duration);
    if (popup)
    {
        m_exclusivePopup = popup;
        popup->ZEventProducer<ZTransientListener>::AddListener(this);
    }
}

void ZQuorvane::HidePopups()
{
    if (!m_popupLayer)
        return;
    for (ZNode* child = m_popupLayer->GetFirstChild(); child; child = child->GetNextSibling())
        child->SetHidden(true);
}

ZNode* ZQuorvane::GetPopupLayer()
{
    return m_popupLayer;
}

ZHighlight2* ZQuorvane::CreateSmallHighlight(ZNode* target)
{
    ZMaterial* material = ZMaterial::Find("highlight_small");
    if (!target || !material)
        return nullptr;
    ZHighlight2* highlight = ZHighlight2::Create(target, material, 40.0f, target);
    if (highlight)
        highlight->SetActive(false);
    return highlight;
}

void ZQuorvane::HideBackdrop(ZGameState* state)
{
    ZSceneTree* tree = ZSceneTree::PeekInstance();
    ZNode* backdrop = state && state->GetRoot() ? state->GetRoot()->FindNode("backdrop") : nullptr;
    if (backdrop && tree && tree->FindNode("background"))
        backdrop->SetHidden(true);
}

void ZQuorvane::AttachFaders(ZGameState* state)
{
    if (!state || !state->GetRoot())
        return;
    ZFadeIn* in = ZFadeIn::Create(state->GetRoot());
    ZFadeOut* out = ZFadeOut::Create(state->GetRoot());
    if (in)
        in->SetActive(false);
    if (out)
        out->SetActive(false);
    state->SetFadeControllers(in, out);
}

ZInGame* ZQuorvane::TopDive() const
{
    return m_inGame && GetTop() == m_inGame ? static_cast<ZInGame*>(m_inGame) : nullptr;
}

ZHiddenObjectGame* ZQuorvane::TopBonusGame() const
{
    ZGameState* top = GetTop();
    for (ZHiddenObjectGame* game : m_hiddenGames)
        if (game && top == game)
            return game;
    return nullptr;
}

ZGameState* ZQuorvane::PrepareEndOfLevel(const SDiveResult& result)
{
    // A lost dive has the game-over dialog, which goes back to the campaign itself.
    if (!m_endOfLevel || result.lost)
        return nullptr;
    m_endOfLevel->SetResult(result);
    return m_endOfLevel;
}

ZGameState* ZQuorvane::GetCampaignScreen(const char* kind, int number)
{
    if (!kind)
        return nullptr;
    if (std::strcmp(kind, "characters") == 0)
        return m_characterScreen;
    if (std::strcmp(kind, "bonus") == 0)
        return GetBonusGame(number);
    if (std::strcmp(kind, "shop") == 0)
        return number >= 0 && number < 3 ? m_shops[number] : nullptr;
    if (std::strcmp(kind, "story") == 0)
        return m_storyScreen;
    if (std::strcmp(kind, "map") == 0)
        return m_mapScreen;
    return nullptr;
}

void ZQuorvane::PrepareCampaignScreen(const char* kind, int number, const char* story, const char* mission,
                                      const char* value, const char* tip)
{
    if (!kind)
        return;
    if (std::strcmp(kind, "characters") == 0 && m_characterScreen)
    {
        // The member the entry introduces is the one the screen opens on.
        m_characterScreen->Load();
        const int member = ParseCrewName(value);
        if (member >= 0)
            m_characterScreen->SelectCharacter(member, false);
        if (tip && *tip)
            m_characterScreen->SetPendingTip(tip);
    }
    else if (std::strcmp(kind, "bonus") == 0)
    {
        ZHiddenObjectGame* game = GetBonusGame(number);
        if (!game)
            return;
        // A named mission plays that level; none (or one the game does not have) a level of the
        // game's own choosing.
        ZHiddenObjectLevel* level = nullptr;
        if (mission && *mission)
        {
            game->Load();
            for (ZHiddenObjectLevel* candidate : game->GetLevels())
                if (candidate && std::strcmp(candidate->GetName(), mission) == 0)
                    level = candidate;
            if (!level)
                std::fprintf(stderr, "Campaign: bonus game %i has no level \"%s\"; playing another\n",
                             number + 1, mission);
        }
        if (level)
            game->StartLevel(level);
        else
            game->PickLevel();
    }
    else if (std::strcmp(kind, "shop") == 0 && number >= 0 && number < 3 && m_shops[number])
        m_shops[number]->SetPendingTip(tip);
    else if (std::strcmp(kind, "story") == 0 && m_storyScreen)
        m_storyScreen->SetStartPage(story);
}

bool ZQuorvane::ShowBonusPrize(IBonusPrize* prize, bool startPage, bool won)
{
    if (!prize || !m_bonusDialog || m_bonusDialog->Load() != 0)
        return false;
    auto text = [](const char* t) { return std::string(t ? t : ""); };
    SBonusPrize shown;
    shown.title = text(prize->GetPrizeTitle());
    shown.intro = text(prize->GetPrizeIntro());
    shown.wonText = text(prize->GetPrizeWonText());
    shown.missedText = text(prize->GetPrizeMissedText());
    shown.item = prize->GetPrizeItem();
    // The level counts treasure in coins for a player without the tool belt; the dialog counts
    // hundreds then.
    const int count = prize->GetPrizeCount();
    shown.count = g_profileToolBelt.GetValue() ? count : count / 100;
    shown.shop = prize->GetPrizeLocation();
    m_bonusDialog->SetPrize(shown);
    m_prizeRelay.prize = prize;
    m_bonusDialog->SetListener(&m_prizeRelay);
    if (startPage)
        m_bonusDialog->ShowStart();
    else
        m_bonusDialog->ShowResult(won);
    GotoState(m_bonusDialog);
    return true;
}

void ZQuorvane::ShowNewStock(const char* key)
{
    // New stock is told over the sea chart only, and only to a player with the tool belt: pushed
    // while the campaign switches screens, the dialog took the campaign's next screen off the
    // stack and left the player on the main menu.
    // The map decides (pop-ups allowed, the belt in use, relaxed play) and lights its shop's badge.
    ZMapScreen* map = ZMapScreen::PeekInstance();
    if (map && FindState("mapscreen") == map)
        map->ShowNewStockDialog(map, key);
}

int ZQuorvane::FindItemId(const char* name)
{
    return ZAbilityManager::FindAbilityId(name);
}

const char* ZQuorvane::GetItemName(int id)
{
    const ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
    return abilities ? abilities->GetItemName(id) : nullptr;
}

int ZQuorvane::GetItemPrice(int id)
{
    ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
    return abilities ? abilities->GetItemPrice(id) : 0;
}

int ZQuorvane::PickAffordableItem(int budget, int* price)
{
    if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance())
        return abilities->PickAffordableItem(budget, price);
    if (price)
        *price = 0;
    return -1;
}

void ZQuorvane::AddInventoryItems(int id, int count)
{
    if (ZInventory* inventory = ZInventory::PeekInstance())
        inventory->SetCount(id, inventory->GetCount(id) + count);
}

void ZQuorvane::OnCampaignMapChange(ECampaignMapChange change, int level)
{
    ZMapScreen* map = ZMapScreen::PeekInstance();
    if (!map)
        return;
    switch (change)
    {
    case kMapReset:
        map->ResetForNewGame();
        break;
    case kMapRefresh:
        if (map->TestFlags(kStateLoaded))
            map->Refresh(false);
        break;
    case kMapSelectLevel:
        if (map->TestFlags(kStateLoaded))
            map->SelectLevel(level);
        break;
    }
}
