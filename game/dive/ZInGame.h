#pragma once
// The dive's game state "ingame": one dive on the board framed by its HUD. It builds the HUD from
// "resources:ingame.xml" (air, level and menu button, score, treasure chest, completion bar, the
// amulet's rotation bar, the drop targets for dragged abilities), starts a level, runs the intro
// (board fade-in, level-start sound, music, the amulet's introduction on the level that brings it),
// pauses and resumes the dive, turns the board on the amulet's charge, and at the end hands the
// dive's results to the end-of-level screen through the game shell. The campaign starts it through
// IDiveStarter; the abilities reach it through IAbilityDive.
//
// The class spans two sources:
//   ZInGame.cpp     level start, the frame, pause, the end of the dive and the hand-over
//   ZInGameHud.cpp  building the HUD, its buttons, the rotation charge, the top bar and effects
#include <cstdint>
#include <string>
#include <vector>

#include "engine/app/ZGameState.h"
#include "engine/app/ZInput.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZVector.h"
#include "engine/ui/ZButton2D.h"
#include "game/dive/abilities/IAbilityDive.h"
#include "game/dive/campaign/ZLevelControlEntry.h"

class ZAbilityButton;
class ZAmuletIntro;
class ZCharacter;
class ZCharacterButton;
class ZFlicker;
class ZFontText;
class ZGroup;
class ZGuiDropTarget;
class ZHighlight2;
class ZLevelIndicator;
class ZNode;
class ZOxygenBar;
class ZParticleEmitterSystem;
class ZSound;
class ZSprite;
class ZToolBelt;

class ZInGame : public ZGameState,
                public ZSingleton<ZInGame>,
                public IDiveStarter,
                public IAbilityDive,
                public IInputKeyboardListener,
                public IButtonListener,
                public IPropertyListener,
                public IGameProgressBarTimerListener,
                public ZInterpolateBaseListener
{
    QV_TYPE_RECORD(ZInGame, &ZGameState::kTypeRecord)

public:
    // Dive phases.
    static constexpr int kNew = 0;
    static constexpr int kIntro = 1;
    static constexpr int kAmuletIntro = 2;
    static constexpr int kPlaying = 3;
    static constexpr int kEnding = 4;
    static constexpr int kFinishing = 6;
    static constexpr int kFinished = 7;

    static constexpr int kEffects = 3;
    static constexpr int kDropTargets = 4;
    static constexpr int kAmuletKeys = 5;
    static constexpr int kCrewButtons = 3;
    static constexpr int kThemes = 6;

    // Tables chosen by the profile's upgrades (each index is brought into its table's range).
    static float RotationChargeSeconds(int rotateLevel);
    static float AmuletChargeFactor(int amulet);
    static float BoardRotationSeconds(int amulet);
    // The air factor of `profile.airless`: 1.0, 0.88, 0.76, and 0.64 for the fourth step the
    // setting allows.
    static float AirFactor(int airless);
    // The dive's air time: the board's air over the air factor, over the crew member's air factor
    // (a factor of 0 or less counts as 1.0).
    static double DiveAirSeconds(double boardAir, int airless, float crewAirFactor);
    // The medal of a completion value against the four thresholds: -1 none (also for a value of 0),
    // 0 complete, 1 bronze, 2 silver, 3 gold.
    static int MedalFor(int value, const int thresholds[4]);
    // The intro's progress after `elapsed` seconds for a level-start sound of `soundSeconds`
    // (0 or less: no usable sound, the intro takes 2 s).
    static double IntroProgress(double elapsed, double soundSeconds);

    ZInGame();
    ~ZInGame() override;

    const char* GetName() const override { return "ZInGame"; }
    // Builds the HUD (ZInGameHud.cpp).
    int Build() override;
    void Update(double dt) override;
    // A switch to the dive begins: the tool belt, the crew display, the amulet keys and, on the
    // level that introduces it, the amulet's introduction.
    void OnShow() override;
    // A menu or dialog came over the dive: pause.
    void OnLoseFocus() override;
    // The dive is the focused top state again: resume.
    void OnGainFocus() override;
    // The stack removes the dive.
    void OnRemove() override;

    // Sets up a dive on the named board file ("resources:boards/" + name); levelNumber is the
    // campaign's (1 for the first level), bestMedal the player's best so far (-1 none). False when
    // the board cannot be played (it is then left empty and the dive does not start).
    bool StartLevel(const char* boardName, int levelNumber, int bestMedal);
    // IDiveStarter: the campaign's level, with its theme; returns this state.
    ZGameState* StartLevel(ZLevel* level) override;
    float GetDiveSeconds() const override { return float(m_frameTime); }

    // Pauses or resumes the dive (byMenu: the in-game menu asked, the board hides under the label).
    void SetPaused(bool paused, bool byMenu);
    // The end of the dive: phase "ending", the board takes no more input, the air stops.
    void BeginEndDive();
    // The dive is over: medal, hand-over to the end-of-level screen (through the game shell).
    void Finish();
    // A group of n tokens popped at the centre (world point): praise for more than 3.
    void ShowPraise(int n, const V3& centre);
    // The end-dive button shows (flashing when it appears) or hides.
    void ShowEndDiveButton(bool show, bool flash);
    // The completion bar reached a new medal level (-1 none, 0 to 3).
    void OnMedalLevel(int medal);
    // The amulet's introduction ended: the top bar slides in and the rotate buttons fly home.
    void RevealTopBar();
    // The diving crew member's portrait shows in the crew panel (nobody's without a selected member),
    // and the member's powers go onto the crew buttons, one shown per open slot.
    void ShowCrewMember();
    // The crew buttons let go of the member (the dive is over); they keep their look.
    void ReleaseCrewMember();
    // Crew charge button i shows exactly when i < n.
    void SetCrewChargeCount(int n);
    // Effect emitter 1 follows the node (the treasure chest).
    void SetTreasureEmitterTarget(ZNode* node);
    // Rotation boosts: the charge factor times / over f (never below 1.0), the charge kept.
    void BoostRotationCharge(float factor);
    void EndRotationBoost(float factor);
    // Developer actions: the rotation charged at once.
    void ChargeRotationNow();
    // Turns the board a quarter (-1 anticlockwise, +1 clockwise) and starts the new charge.
    void RotateBoard(int direction);

    // IAbilityDive.
    void AddEffectValue(unsigned flag, float value) override;
    void AddAirTime(float seconds) override;
    void SetAirWarnings(bool on) override;
    void BeginRotationBoost(float chargeFactor, float speedFactor) override;
    void EndRotationBoost(float chargeFactor, float speedFactor) override;
    void SkipLevel() override;

    // Listeners.
    void OnKey(uint32_t scanCode, int32_t character) override;
    void OnClicked(ZButton2D* button) override;
    void OnPropertyChanged(ZProperty* property) override;
    void OnTimerExpired(ZProgressBarTimer* timer) override;
    void OnStopped(ZInterpolateBase* interpolator) override;

    int GetPhase() const { return m_phase; }
    void SetPhase(int phase) { m_phase = phase; }
    bool IsPlaying() const { return m_phase == kPlaying; }
    bool IsPaused() const { return m_paused; }
    bool IsEnding() const { return m_ending; }
    bool IsLost() const { return m_lost; }
    void SetLost(bool lost) { m_lost = lost; }
    bool IsEndDiveButtonShown() const { return m_endDiveShown; }
    int GetMedalShown() const { return m_medalShown; }
    int GetLevelNumber() const { return m_levelNumber; }
    const std::string& GetLevelName() const { return m_levelName; }
    ZLevel* GetLevel() const { return m_level; }
    int GetMedalOverride() const { return m_medalOverride; }
    void SetMedalOverride(int medal) { m_medalOverride = medal; }
    bool GetSkipEndScreen() const { return m_skipEndScreen; }
    void SetSkipEndScreen(bool on) { m_skipEndScreen = on; }
    bool IsPlayerEnded() const { return m_playerEnded; }
    bool IsMusicStarted() const { return m_musicStarted; }
    // The medal the dive ended with (Finish), -1 before.
    int GetFinalMedal() const { return m_finalMedal; }

    ZProgressBarTimer* GetAirTimer() const;
    ZOxygenBar* GetOxygenBar() const { return m_air; }
    // Seconds: the air of the whole dive, the air left and the air used so far.
    double GetAirTotal() const;
    double GetAirRemaining() const;
    double GetAirRunningTime() const { return GetAirTotal() - GetAirRemaining(); }
    // Where delivered artifacts fly to.
    ZNode* GetArtifactDrop() const { return m_artifactDrop; }
    ZSound* GetGameOverSound() const { return m_gameOverSound; }
    ZLevelIndicator* GetLevelIndicator() const { return m_levelIndicator; }
    ZGuiDropTarget* GetDropTarget(int i) const { return i >= 0 && i < kDropTargets ? m_dropTargets[i] : nullptr; }
    ZAmuletIntro* GetAmuletIntro() const { return m_amuletIntro; }
    ZNode* GetTopBar() const { return m_topBar; }
    ZButton2D* GetEndDiveButton() const { return m_endDiveButton; }
    ZButton2D* GetRotateButton(int i) const { return i == 0 ? m_rotateLeft : (i == 1 ? m_rotateRight : nullptr); }
    ZProgressBarTimer* GetRotationCharge() const { return m_rotationCharge; }
    float GetRotationChargeFactor() const { return m_chargeFactor; }
    float GetRotationSpeedFactor() const { return m_speedFactor; }
    ZFontText* GetPausedLabel() const { return m_pausedLabel; }
    ZParticleEmitterSystem* GetEffectEmitter(int i) const { return i >= 0 && i < kEffects ? m_effects[i] : nullptr; }
    float GetEffectValue(int i) const { return i >= 0 && i < kEffects ? m_effectValues[i] : 0.0f; }
    ZNode* GetThemeLight(int i) const { return i >= 0 && i < kThemes ? m_themeLights[i] : nullptr; }
    ZNode* GetAmuletKey(int i) const { return i >= 0 && i < kAmuletKeys ? m_amuletKeys[i] : nullptr; }
    ZCharacterButton* GetCrewButton(int i) const
    {
        return i >= 0 && i < kCrewButtons ? m_crewButtons[i] : nullptr;
    }
    // The crew member whose powers the crew buttons offer in this dive, or null.
    ZCharacter* GetCrewMember() const { return m_crewMember; }
    // Seconds the intro's fade takes from the level-start sound (0 without a usable one).
    double GetLevelStartSeconds() const;

private:
    // ZInGameHud.cpp
    void LoadHud();
    void FindHudNodes(ZGroup* root);
    void MakeEffectEmitters();
    void RegisterToolTips();
    void ConnectDropTargets();
    void ShowTopBar(bool on);
    void ShowAmuletKeys();
    void EnableRotateButtons(bool on);
    void ResetRotationCharge();
    void SetEffect(int i, float value);
    void StartMusic();

    void StartPlay();
    bool ReadyToFinish() const;
    void UpdateIntro(double dt);

    int m_phase = kNew;
    ZLevel* m_level = nullptr;
    int m_levelNumber = 0;
    std::string m_levelName;
    int m_bestMedal = -1;
    int m_theme = -1;
    bool m_paused = false;
    bool m_ending = false;
    bool m_lost = false;
    bool m_skipEndScreen = false;
    bool m_levelStarted = false;
    bool m_playerEnded = false;
    bool m_musicStarted = false;
    bool m_endDiveShown = false;
    bool m_hudLoaded = false;
    bool m_pointerLockedByIntro = false;
    int m_medalShown = -1;
    int m_medalOverride = -1;
    int m_finalMedal = -1;
    double m_introStamp = -1.0e38;

    // Frame statistics.
    double m_frameTime = 0.0;
    uint32_t m_frames = 0;
    float m_lowestFps = 1000.0f;
    float m_highestFps = 0.0f;

    // HUD.
    ZOxygenBar* m_air = nullptr;
    ZNode* m_artifactDrop = nullptr;
    ZLevelIndicator* m_levelIndicator = nullptr;
    ZNode* m_topBar = nullptr;
    ZNode* m_amulet = nullptr;
    ZNode* m_themeLights[kThemes] = {};
    ZGuiDropTarget* m_dropTargets[kDropTargets] = {};
    ZNode* m_amuletKeys[kAmuletKeys] = {};
    ZNode* m_flashNode = nullptr;
    ZFlicker* m_flash = nullptr;
    ZButton2D* m_endDiveButton = nullptr;
    ZHighlight2* m_endDiveHighlight = nullptr;
    ZButton2D* m_rotateLeft = nullptr;
    ZButton2D* m_rotateRight = nullptr;
    V3 m_rotateHome[2];
    ZCharacterButton* m_crewButtons[kCrewButtons] = {};
    ZCharacter* m_crewMember = nullptr;
    ZProgressBarTimer* m_rotationCharge = nullptr;
    float m_chargeFactor = 1.0f;
    float m_speedFactor = 1.0f;
    ZInterpolateLocalPos* m_topBarSlide = nullptr;
    ZInterpolateLocalPos* m_rotateFlights[2] = {};
    ZParticleEmitterSystem* m_effects[kEffects] = {};
    float m_effectValues[kEffects] = {};
    ZFontText* m_pausedLabel = nullptr;
    ZAmuletIntro* m_amuletIntro = nullptr;
    std::vector<ZAbilityButton*> m_abilityButtons;
    ZToolBelt* m_ownBelt = nullptr;

    // Sounds.
    ZSound* m_levelStart = nullptr;
    ZSound* m_chargingSound = nullptr;
    ZSound* m_hoverSound = nullptr;
    ZSound* m_chargedSound = nullptr;
    ZSound* m_gameOverSound = nullptr;

    const char* m_praise[4] = {};
    bool m_praiseLooked = false;
    ZProperty* m_rotationSetting = nullptr;
    ZProperty* m_amuletSetting = nullptr;
};
