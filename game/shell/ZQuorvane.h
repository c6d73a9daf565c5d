#pragma once
// The one top-level game object: the game-state stack of the whole game, the hub the screens plug
// into and the game shell that the floors below reach through IGameShell. Sources:
//   ZQuorvane.cpp        construction, start, keyboard, focus, popups, effects, music, dialogs
//   ZQuorvaneLoader.cpp  the splash, the start-up loader (every screen made once, in order), play
//                        lists, particle templates, tool-tip set-up and slide transitions
#include <cstdint>
#include <vector>

#include "engine/app/ZGame.h"
#include "engine/app/ZInput.h"
#include "engine/controllers/ZControllerBase.h"
#include "engine/controllers/ZInterpolate.h"
#include "engine/core/ZEventManager.h"
#include "engine/ui/ZSplashScreen.h"
#include "game/common/IGameShell.h"
#include "game/dive/crew/ZBonusEndOfLevel.h"

class ZCharModifierTypeWriter;
class ZCharacterScreen;
class ZHiddenObjectGame;
class ZInGame;
class ZPopupTextController;
class ZInventoryScreen;
class ZDialogGameState;
class ZFont;
class ZFontText;
class ZGameEndOfLevel;
class ZGameHighscoreMenu;
class ZGameStoryScreen;
class ZGameMainMenu;
class ZGameProfileMenu;
class ZGameSettingsMenu;
class ZGroup;
class ZInGameMenu;
class ZInputDialogGameState;
class ZPlayList;
class ZSound;
class ZShop;

class ZQuorvane : public ZGame,
                  public IGameShell,
                  public IInputKeyboardListener,
                  public ZInterpolateListener,
                  public ZTransientListener,
                  public ZSplashScreenListener,
                  public ZGameStateListener,
                  public IEventListener,
                  public ZSingleton<ZQuorvane>
{
public:
    static constexpr int kThemeCount = 6;
    static constexpr int kTemplateCount = 20;
    static constexpr int kBonusGames = 3;
    static constexpr const char* kThemes[kThemeCount] = {"sand", "coral", "shipwreck", "volcano", "deepwater", "sunkencity"};
    static constexpr const char* kTemplateNames[kTemplateCount] = {
        "bubble_timeout_particle_template", "bubble_particle_template", "coin_particle_template",
        "sprinkly_particle_template", "dust_particle_template", "glimmer_particle_template",
        "yellow_pulse_particle_template", "rising_glow_particle_template", "magic_glimmer_particle_template",
        "fairy_dust_particle_template", "typewriter_particle_template", "power_octopus_particle_template",
        "power_puffer_particle_template", "power_urchin_particle_template", "power_crab_particle_template",
        "power_jelly_particle_template", "power_starfish_particle_template", "power_seahorse_particle_template",
        "equipment_speargun_particle_template", "equipment_piranha_particle_template"};
    // How long a spawned effect lives before it is taken out of the popup layer.
    static constexpr double kEffectLifetime = 2.0;

    using ZSingleton<ZQuorvane>::GetInstance;
    using ZSingleton<ZQuorvane>::PeekInstance;

    ZQuorvane();
    // Deletes the screens it made, gives back its play-list references, saves the high scores.
    ~ZQuorvane() override;

    // Once, from the engine's services start: profiles, keyboard, pointer, splash, then loading.
    void Start();
    // The loader: every screen once, in its fixed order; runs only once.
    void LoadGame();
    void ShowSplash();
    void LoadPlaylists();
    void LoadParticleTemplates();
    void SetupToolTips();
    void OnSplashDone();

    // ZGame.
    void Update(double dt) override;
    bool OnFocusLost() override;
    bool OnFocusGained() override;

    // IGameShell.
    ZPlayList* FindPlayList(const char* name) override;
    void PlayPlayList(ZPlayList* list) override;
    void ShowGameOver(bool completed) override;
    void ShowConfirmDialog(ZGameState* next) override;
    void SpawnParticleEffect(const char* name, const V3& position) override;
    ZNode* FindParticleTemplate(const char* name) override;
    void ShowPopupAt(const char* text, bool exclusive, double duration, ZNode* parent) override;
    void ShowPopup(const char* text, double duration, const V3& position) override;
    void ShowExclusivePopup(const char* text, double duration, const V3& position) override;
    void HidePopups() override;
    ZNode* GetPopupLayer() override;
    void AttachSlideTransitions(ZGameState* state) override;
    ZHighlight2* CreateSmallHighlight(ZNode* target) override;
    ZGameState* GetCampaignScreen(const char* kind, int number) override;
    void PrepareCampaignScreen(const char* kind, int number, const char* story, const char* mission,
                               const char* value, const char* tip) override;
    bool ShowBonusPrize(IBonusPrize* prize, bool startPage, bool won) override;
    // The shops' services: the new-stock dialog and the item table.
    void ShowNewStock(const char* key) override;
    int FindItemId(const char* name) override;
    const char* GetItemName(int id) override;
    int GetItemPrice(int id) override;
    int PickAffordableItem(int budget, int* price) override;
    void AddInventoryItems(int id, int count) override;
    ZShop* GetShop(int id) const { return id >= 0 && id < 3 ? m_shops[id] : nullptr; }
    ZGameState* GetNewStockDialog() const { return m_newStock; }
    ZGameState* PrepareEndOfLevel(const SDiveResult& result) override;
    void OnCampaignMapChange(ECampaignMapChange change, int level) override;

    // A fade-in and a fade-out on the state's root, both stopped, with the state listening.
    static void AttachFaders(ZGameState* state);
    // A screen's own sea picture ("backdrop") steps aside when the living background exists.
    static void HideBackdrop(ZGameState* state);

    // Listeners.
    void OnKey(uint32_t scanCode, int32_t character) override;
    void OnStarted(const V3& position, ZInterpolate* tween) override;
    void Ended(ZControllerBase* controller) override;
    void OnSplashFinished(ZSplashScreen* splash) override;
    void OnSplashImageShown(ZSplashScreen* splash) override;
    void OnSwitchPending(ZGameState* state) override;
    void OnPendingSwitchStarted(ZGameState* state) override;
    void OnEvent(const ZEvent& event) override;

    // The screens (null when this build has none of that kind or it could not be made).
    ZSplashScreen* GetSplash() const { return m_splash; }
    ZGameMainMenu* GetMainMenu() const { return m_mainMenu; }
    ZGameSettingsMenu* GetSettingsMenu() const { return m_settingsMenu; }
    ZInGameMenu* GetInGameMenu() const { return m_inGameMenu; }
    ZGameProfileMenu* GetProfileMenu() const { return m_profileMenu; }
    ZGameHighscoreMenu* GetHighscoreMenu() const { return m_highscoreMenu; }
    ZInputDialogGameState* GetNameDialog() const { return m_nameDialog; }
    ZDialogGameState* GetOkCancelDialog() const { return m_okCancelDialog; }
    ZDialogGameState* GetRestartDialog() const { return m_restartDialog; }
    ZDialogGameState* GetGameOverDialog() const { return m_gameOverDialog; }
    ZGameState* GetHelpMenu() const { return m_helpMenu; }
    ZGameState* GetCredits() const { return m_credits; }
    ZGameState* GetInGame() const { return m_inGame; }
    ZGameState* GetCampaign() const { return m_campaign; }
    // The crew's screens and the bonus games (null when not made).
    ZInventoryScreen* GetInventoryScreen() const { return m_inventoryScreen; }
    ZBonusEndOfLevel* GetBonusDialog() const { return m_bonusDialog; }
    ZCharacterScreen* GetCharacterScreen() const { return m_characterScreen; }
    ZHiddenObjectGame* GetBonusGame(int i) const
    {
        return i >= 0 && i < kBonusGames ? m_hiddenGames[i] : nullptr;
    }
    ZGameStoryScreen* GetStoryScreen() const { return m_storyScreen; }
    ZGameEndOfLevel* GetEndOfLevel() const { return m_endOfLevel; }
    ZGameState* GetMapScreen() const { return m_mapScreen; }
    ZGameState* GetLevelPreview() const { return m_levelPreview; }
    ZNode* GetLoadingNode() const { return m_loadingNode; }
    ZPlayList* GetThemePlayList(int theme) const
    {
        return theme >= 0 && theme < kThemeCount ? m_themeLists[theme] : nullptr;
    }
    ZNode* GetTemplate(int index) const { return index >= 0 && index < kTemplateCount ? m_templates[index] : nullptr; }
    size_t GetLiveEffectCount() const { return m_effects.size(); }
    bool HasLoaded() const { return m_loaderRan != 0; }
    bool IsMusicHeld() const { return m_musicHeld != 0; }
    bool TransitionsEnabled() const { return m_transitionsEnabled != 0; }
    bool IsNameEntryDue() const { return m_nameEntryDue != 0; }
    // The steps the loader passed over because their screens are not part of this build.
    const std::vector<int>& GetSkippedSteps() const { return m_skippedSteps; }

private:
    struct SEffect
    {
        ZNode* node = nullptr;
        double endTime = 0.0;
    };

    void Skip(int step, const char* what);
    void Attach(ZGameState* state);
    ZPlayList* TakePlayList(const char* name);
    void ReleasePlayLists();
    void UpdateEffects();
    void ShowLoading(bool on);
    void OpenNameEntryWhenReady();
    static double Now();
    static void ReleaseSceneResources(ZNode* node);
    static ZGameState* GetTop();
    // The bonus game on top of the stack, or null.
    ZHiddenObjectGame* TopBonusGame() const;
    // A floating text at a world point under the parent, started.
    ZPopupTextController* SpawnPopup(const char* text, ZNode* parent, const V3& at, double duration);
    // The dive when it is the top state, else null.
    ZInGame* TopDive() const;

    ZSplashScreen* m_splash = nullptr;
    ZGameMainMenu* m_mainMenu = nullptr;
    ZGameSettingsMenu* m_settingsMenu = nullptr;
    ZInGameMenu* m_inGameMenu = nullptr;
    ZGameProfileMenu* m_profileMenu = nullptr;
    ZGameHighscoreMenu* m_highscoreMenu = nullptr;
    ZInputDialogGameState* m_nameDialog = nullptr;
    ZDialogGameState* m_okCancelDialog = nullptr;
    ZDialogGameState* m_restartDialog = nullptr;
    ZDialogGameState* m_gameOverDialog = nullptr;
    // Screens other parts of the game provide; not owned here until they exist.
    ZGameState* m_helpMenu = nullptr;
    ZGameState* m_credits = nullptr;
    ZGameState* m_inGame = nullptr;
    ZGameState* m_campaign = nullptr;
    // The three shops and the new-stock dialog.
    ZShop* m_shops[3] = {};
    ZGameState* m_newStock = nullptr;

    // The crew's screens, the prize dialog and the bonus games (the games live in their own
    // registry, released with the game object).
    ZInventoryScreen* m_inventoryScreen = nullptr;
    ZBonusEndOfLevel* m_bonusDialog = nullptr;
    ZCharacterScreen* m_characterScreen = nullptr;
    ZHiddenObjectGame* m_hiddenGames[kBonusGames] = {};
    // Tells the bonus level whose prize the dialog shows when its button is pressed.
    struct SPrizeRelay : IBonusDialogListener
    {
        IBonusPrize* prize = nullptr;
        void OnBonusDialogClosed(bool atStart) override
        {
            IBonusPrize* told = prize;
            if (!atStart)
                prize = nullptr;
            if (told)
                told->OnPrizeDialogButton(atStart);
        }
    };
    SPrizeRelay m_prizeRelay;
    ZGameStoryScreen* m_storyScreen = nullptr;
    ZGameEndOfLevel* m_endOfLevel = nullptr;
    // The sea map and the level card (made by the loader; deleted with the game).
    ZGameState* m_mapScreen = nullptr;
    ZGameState* m_levelPreview = nullptr;

    ZFontText* m_gameOverCompleted = nullptr;
    ZFontText* m_gameOverText = nullptr;
    ZFontText* m_gameOverHeadline = nullptr;
    ZFontText* m_gameOverTip = nullptr;
    ZNode* m_gameOverCompletedNode = nullptr;
    ZNode* m_gameOverNode = nullptr;
    std::string m_confirmText;

    ZGroup* m_popupLayer = nullptr;
    ZControllerBase* m_exclusivePopup = nullptr;
    ZGroup* m_loadingGroup = nullptr;
    ZNode* m_loadingNode = nullptr;
    ZSound* m_transitionSound = nullptr;
    ZFont* m_fontPopup = nullptr;
    ZFont* m_fontPopupBlue = nullptr;
    // Owned by the tool tips' text node.
    ZCharModifierTypeWriter* m_typeWriter = nullptr;
    ZNode* m_templates[kTemplateCount] = {};
    std::vector<SEffect> m_effects;

    ZPlayList* m_themeLists[kThemeCount] = {};
    ZPlayList* m_shopLists[3] = {};
    ZPlayList* m_bonusLists[3] = {};
    ZPlayList* m_storyLowkey = nullptr;

    std::vector<int> m_skippedSteps;
    uint32_t m_gameDemoId = 0;
    uint8_t m_musicHeld = 0;
    uint8_t m_loaderRan = 0;
    uint8_t m_transitionsEnabled = 0;
    uint8_t m_started = 0;
    uint8_t m_loadingShown = 0;
    uint8_t m_nameEntryDue = 0;
};
