#pragma once
// The results screen after a won dive, over the dive's display: the medal the dive earned, the
// experience its new medals give the selected crew member (flights into the experience bar, with
// level-ups), the treasure chest poured into the money counter along its coin stream, one flight of
// 100 per delivered artifact and, outside relaxed play, the air left turned into money. Continue
// takes the player back to the campaign; leaving writes treasure, score, experience and the level's
// medal and score.
#include <cstdint>
#include <vector>

#include "engine/app/ZGameState.h"
#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZVector.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZScreenWidgets.h"
#include "game/common/IGameShell.h"

class ZCharacter;
class ZFontText;
class ZProgressBar;
class ZSound;
class ZSplineNode;
class ZSprite2D;

class ZGameEndOfLevel : public ZGameState, public ZSingleton<ZGameEndOfLevel>, public IButtonListener
{
public:
    static constexpr int32_t kMedalXp[4] = {100, 200, 300, 400};
    static constexpr int32_t kArtifactCash = 100;
    static constexpr double kCountSeconds = 3.0;
    static constexpr int32_t kMaxTreasure = 2000000000;
    static constexpr int32_t kMaxScore = 1000000000;

    enum EStep
    {
        kStepWait = 0,
        kStepMedalBar = 1,
        kStepMedalXp = 2,
        kStepTreasure = 3,
        kStepArtifacts = 4,
        kStepAir = 5,
        kStepDone = 6,
    };

    ZGameEndOfLevel();
    ~ZGameEndOfLevel() override;

    const char* GetName() const override { return "ZGameEndOfLevel"; }
    // "resources:endoflevel_overlay.xml", then "resources:endoflevel.xml"; the sounds.
    int Build() override;
    void Update(double dt) override;
    void OnEnter() override;
    // The commit: the results go into the profile, the crew and the campaign's level.
    void OnLeaving() override;
    void OnLeave() override;

    void OnClicked(ZButton2D* button) override;
    // A flight arrived ("xp" or "artifact"); anything else is the state's own fade.
    void Ended(ZControllerBase* controller) override;

    // The dive's results, before the screen is pushed.
    void SetResult(const SDiveResult& result);

    // The experience the medals newly reached give: each medal above the level's old one (or, on
    // a level without one, from `medalFloor` + 1 up, all of them when the floor is 0 or none).
    static int32_t MedalXpFor(int32_t oldMedal, int32_t newMedal, int32_t medalFloor);
    // Units per second that count `amount` in about three seconds: at least 1 for any positive
    // amount, so a treasure of 1 or 2 still reaches its target.
    static int32_t CountRate(int64_t amount);
    // The sum, cut to 0..limit.
    static int32_t ClampedSum(int64_t a, int64_t b, int64_t c, int64_t d, int32_t limit);

    int GetStep() const { return m_step; }
    int32_t GetCounter() const { return m_counter; }
    int32_t GetTarget() const { return m_target; }
    int32_t GetRate() const { return m_rate; }
    int32_t GetMedalXp() const { return m_medalXp; }
    int32_t GetXpGained() const { return m_xpGained; }
    int32_t GetLevelsShown() const { return m_levelsShown; }
    int32_t GetLevelUps() const { return m_levelUps; }
    int32_t GetXpFlightsLanded() const { return m_xpLanded; }
    int32_t GetArtifactsLanded() const { return m_artifactsLanded; }
    float GetBarFraction() const { return m_lastFraction; }
    const SDiveResult& GetResult() const { return m_result; }
    ZButton2D* GetContinueButton() const { return m_continue; }
    ZFontText* GetScoreText() const { return m_score; }
    bool IsCommitted() const { return m_committed; }

private:
    void ShowMedal(int32_t medal);
    void ShowLevelTexts(int32_t level);
    void SetStep(int step);
    void UpdateSteps(double now);
    void UpdateMedalFlights(double now);
    void StartXpFlight(int32_t medal, double now);
    void StartArtifactFlight(int index, double now);
    void StartTreasureCount(double now);
    void StartAirCount(double now);
    void UpdateCounter(double dt);
    void OnXpLanded(const V3& at);
    void OnArtifactLanded(const V3& at);
    ZSprite2D* MakeFlight(const char* texture, const V3& from, const V3& to, double seconds, const char* tag);
    void ClearFlights();
    void Play(ZSound* sound);
    static void Stop(ZSound* sound);
    ZCharacter* Member() const;
    V3 XpBarMiddle() const;
    V3 XpBarEnd(float fraction) const;
    V3 MoneyPosition() const;

    SDiveResult m_result;
    int32_t m_medalFloor = -1;
    int32_t m_diveTreasure = 0;
    int32_t m_startTreasure = 0;
    int32_t m_startScore = 0;
    int32_t m_artifactCash = 0;
    int32_t m_airCash = 0;
    int32_t m_oldMedal = -1;

    int m_step = kStepWait;
    double m_stepTime = 0.0;
    double m_countStart = 0.0;
    int32_t m_counter = 0;
    int32_t m_target = 0;
    int32_t m_rate = 0;
    float m_carry = 0.0f;
    int32_t m_medalXp = 0;
    int32_t m_shownMedal = -1;
    int32_t m_xpLanded = 0;
    int32_t m_xpGained = 0;
    int32_t m_levelsShown = 0;
    int32_t m_levelUps = 0;
    int32_t m_startXp = 0;
    float m_lastFraction = -1.0f;
    int32_t m_pendingArtifacts = 0;
    int32_t m_artifactsInFlight = 0;
    int32_t m_artifactsLanded = 0;
    double m_lastArtifactTime = 0.0;
    bool m_triumphPlayed = false;
    bool m_committed = false;
    bool m_airCounting = false;

    ZScreenWidgets m_widgets{this};
    ZButton2D* m_continue = nullptr;
    ZFontText* m_level = nullptr;
    ZFontText* m_score = nullptr;
    ZFontText* m_lowLevel = nullptr;
    ZFontText* m_highLevel = nullptr;
    ZNode* m_medals[4] = {};
    ZNode* m_glow = nullptr;
    ZNode* m_moneyPos = nullptr;
    ZSprite2D* m_portrait = nullptr;
    ZSprite2D* m_xpSprite = nullptr;
    ZProgressBar* m_xpBar = nullptr;
    ZNode* m_xpEmitter = nullptr;
    ZSplineNode* m_airPath = nullptr;
    ZSplineNode* m_chestPath = nullptr;
    ZSound* m_triumph = nullptr;
    ZSound* m_artifactSound = nullptr;
    ZSound* m_medalSound = nullptr;
    ZSound* m_levelUpSound = nullptr;
    ZSound* m_countUp = nullptr;
    ZNameId m_xpTag{"xp"};
    ZNameId m_artifactTag{"artifact"};
    std::vector<ZControllerBase*> m_flights;
};
