#pragma once
// The game's main menu: play (timed or relaxed), settings, profiles, high scores, help, credits
// and exit over a living sea floor: six tube creatures that close when the pointer comes near, an
// anemone, and a crab that walks in, blinks and follows the pointer with its eyes.
#include <cstdint>

#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZVector.h"
#include "engine/ui/ZGameMenu.h"
#include "engine/ui/ZMousePointer.h"

class ZAnimationSet;
class ZFontText;
class ZGeom;

class ZGameMainMenu : public ZMainMenu,
                      public IPropertyListener,
                      public IMousePointerListener,
                      public ZSingleton<ZGameMainMenu>
{
public:
    static constexpr int kMaxCreatures = 12;
    static constexpr int kCreatureCount = 6;
    static constexpr float kCreatureReach = 60.0f;
    static constexpr double kCrabIdleWithin = 30.0;

    struct SCreature
    {
        ZGeom* node = nullptr;
        ZAnimationSet* set = nullptr;
        V3 position;
        double closedAt = -1.0e38;
        bool closed = false;
        float reopenDelay = 0.0f;
    };

    struct SEyes
    {
        ZGeom* crab = nullptr;
        ZGeom* stalkL = nullptr;
        ZNode* lid[2] = {};
        ZNode* lidClosed[2] = {};
        ZGeom* pupil[2] = {};
        V3 pupilRest[2];
        double nextBlink = 0.0;
        double nextGaze = -1.0e38;
        double gazeChanged = 0.0;
        V2 gaze;
        V2 nextGazePoint;
        float blinkFactor = 0.7f;
    };

    using ZSingleton<ZGameMainMenu>::GetInstance;
    using ZSingleton<ZGameMainMenu>::PeekInstance;

    ZGameMainMenu();
    ~ZGameMainMenu() override;

    const char* GetName() const override { return "ZMainMenu"; }
    int Build() override;
    void Update(double dt) override;
    void OnEnter() override;
    // Back on top after a screen above it (the credits hide the sea when they go).
    void OnGainFocus() override;
    void OnLeave() override;
    void Refresh();

    void OnClicked(ZButton2D* button) override;
    void OnPropertyChanged(ZProperty* property) override;
    void OnLeftDownAfter(const SPointerState& state, ZNode* target, bool* handled) override;

    // The screens the buttons open; the game object sets them once they exist.
    void SetScreens(ZGameState* settings, ZGameState* profiles, ZGameState* highscores, ZGameState* help,
                    ZGameState* credits, ZGameState* campaign)
    {
        m_settings = settings, m_profiles = profiles, m_highscores = highscores;
        m_help = help, m_credits = credits, m_campaign = campaign;
    }
    void SetCredits(ZGameState* credits) { m_credits = credits; }
    void SetHelp(ZGameState* help) { m_help = help; }

    int GetCreatureCount() const { return m_creatureCount; }
    const SCreature& GetCreature(int i) const { return m_creatures[i]; }
    ZFontText* GetPlayerText() const { return m_player; }
    ZButton2D* FindMenuButton(const char* name) const;
    const SEyes& GetEyes() const { return m_eyes; }

    // Timed or relaxed play: the right profile (or its relaxed sub-profile) becomes current.
    void StartPlay(bool relaxed);

private:
    // The living sea behind the menu: the plain sea, with the menu as its reference.
    void ShowBackground();
    void BuildCreatures();
    void BuildCrabAndAnemone();
    void AttachEyes();
    void UpdateCreatures();
    void UpdateEyes();
    void Listen(bool on);
    static double Now();

    ZButton2D* m_buttons[7] = {};
    ZFontText* m_player = nullptr;
    ZNode* m_logo = nullptr;
    ZAnimationSet* m_crabSet = nullptr;
    ZAnimationSet* m_anemoneSet = nullptr;
    SEyes m_eyes;
    double m_lastShown = -1.0e38;
    SCreature m_creatures[kMaxCreatures];
    int m_creatureCount = 0;
    bool m_listensToName = false;
    bool m_pointerListener = false;

    ZGameState* m_settings = nullptr;
    ZGameState* m_profiles = nullptr;
    ZGameState* m_highscores = nullptr;
    ZGameState* m_help = nullptr;
    ZGameState* m_credits = nullptr;
    ZGameState* m_campaign = nullptr;
};
