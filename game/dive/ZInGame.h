#pragma once
// The dive's game state "ingame", as far as the board and its bars need it today: the dive's
// phase, its pause and end, the air timer whose run-out ends the dive, the artifacts' delivery
// target and the popups the board asks for. The HUD, the intro with its music and amulet, the
// rotation charge and the hand-over to the end-of-level screen come with the in-game screen.
#include <cstdint>
#include <string>

#include "engine/app/ZGameState.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZVector.h"

class ZGroup;
class ZNode;
class ZProgressBarTimer;
class ZSound;

class ZInGame : public ZGameState, public ZSingleton<ZInGame>
{
    QV_TYPE_RECORD(ZInGame, &ZGameState::kTypeRecord)

public:
    // Dive phases.
    static constexpr int kNew = 0;
    static constexpr int kIntro = 1;
    static constexpr int kPlaying = 3;
    static constexpr int kEnding = 4;
    static constexpr int kFinishing = 6;

    ZInGame();
    ~ZInGame() override;

    const char* GetName() const override { return "ZInGame"; }
    // Makes the board with its hints and the completion bar under the state's root; reads the
    // layout "resources:ingame.xml" when there is one.
    int Build() override;
    void Update(double dt) override;

    // Sets up a dive on the named board file ("resources:boards/" + name); levelNumber is the
    // campaign's (1 for the first level), bestMedal the player's best so far (-1 none). False when
    // the board cannot be played (it is then left empty and the dive does not start).
    bool StartLevel(const char* boardName, int levelNumber, int bestMedal);
    // Pauses or resumes the dive: the board's selection, the pointer lock and the air timer.
    void SetPaused(bool paused, bool byMenu);
    // The end of the dive: phase "ending", the board takes no more input, the air stops.
    void BeginEndDive();
    // A group of n tokens popped at the centre (world point): praise for more than 3.
    void ShowPraise(int n, const V3& centre);
    // The end-dive button is offered (artifacts remain once a medal is reached); kept until the
    // HUD has its button.
    void ShowEndDiveButton(bool show, bool flash);
    // The completion bar reached a new medal level (-1 none, 0 to 3).
    void OnMedalLevel(int medal);

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

    ZProgressBarTimer* GetAirTimer() const { return m_air; }
    // Seconds: the air of the whole dive, the air left and the air used so far.
    double GetAirTotal() const;
    double GetAirRemaining() const;
    double GetAirRunningTime() const { return GetAirTotal() - GetAirRemaining(); }
    // Where delivered artifacts fly to.
    ZNode* GetArtifactDrop() const { return m_artifactDrop; }
    ZSound* GetGameOverSound() const { return m_gameOverSound; }

private:
    int m_phase = kNew;
    bool m_paused = false;
    bool m_ending = false;
    bool m_lost = false;
    bool m_endDiveShown = false;
    int m_medalShown = -1;
    int m_levelNumber = 0;
    std::string m_levelName;
    double m_introTime = 0.0;
    ZProgressBarTimer* m_air = nullptr;
    ZNode* m_artifactDrop = nullptr;
    ZSound* m_gameOverSound = nullptr;
    const char* m_praise[4] = {};
    bool m_praiseLooked = false;
};
