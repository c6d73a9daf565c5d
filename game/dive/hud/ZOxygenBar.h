#pragma once
// The dive's air: a bar on the HUD that empties as the air runs down, a minutes:seconds read-out,
// low-air warnings in the last minute and the air-leak effect (bubbles and a hiss while the bar
// drains to empty) that the end-of-level screen plays. When the air runs out the bar tells its
// listeners once; the board listens and ends the dive. In relax mode the air never runs down and
// the read-out is hidden.
#include "engine/controllers/ZProgressBar.h"

class ZFontText;
class ZGeom;
class ZNode;
class ZParticleEmitterSystem;
class ZSound;
class ZSprite;

class ZOxygenBar : public ZProgressBarTimer
{
    QV_TYPE_RECORD(ZOxygenBar, &ZProgressBarTimer::kTypeRecord)

public:
    static constexpr double kWarningTime = 60.0;
    static constexpr double kWarningPeriod = 12.0;
    static constexpr double kWarningSoundPeriod = 20.0;
    static constexpr double kLeakSeconds = 3.0;

    // The bar of the HUD's air widget: its bar sprite ("airbar_progress", may be null), read-out
    // ("airtime", may be null) and the widget node the bubbles and warnings sit on (may be null).
    // Made stopped, full, with the given air time; it lives under the scene tree's controllers.
    static ZOxygenBar* Create(ZSprite* bar, ZFontText* readout, ZNode* widget, double seconds);

    ZOxygenBar() = default;
    ~ZOxygenBar() override;
    ZControllerBase* CreateInstance() override { return new ZOxygenBar(); }

    void Update() override;
    // Running and updated each frame / not running, sounds silenced, the bar keeps its picture
    // (the timer's start and stop: the node's own Start and Stop are its activation hooks).
    void StartAir();
    void StopAir();
    void Resume() override { StartAir(); }
    void Pause() override { StopAir(); }
    // A new dive: full air, warnings on and due at once, nothing consumed, running flag set but the
    // controller left as it is (the dive starts it when play begins).
    void Reset();
    void Restart() override { Reset(); }

    // The end-of-level screen's leak: the bar drains to empty in 3 s with bubbles and a hiss.
    void StartLeak();
    void StopLeak();
    float GetLeakProgress() const { return m_leakProgress; }
    bool IsLeaking() const { return m_leaking; }

    // Warnings off: no popup and no sound until the next Reset (or until switched on again).
    void SetWarningsOff(bool off);
    bool AreWarningsOff() const { return m_warningsOff; }
    float GetDisplayedFraction() const { return m_displayed; }
    double GetAirConsumed() const { return m_consumed; }
    // Counts of warnings given since the bar was made (popups and sounds).
    int GetWarningCount() const { return m_warnings; }
    int GetWarningSoundCount() const { return m_warningSounds; }
    ZFontText* GetReadout() const { return m_readout; }
    ZParticleEmitterSystem* GetBubbles() const { return m_bubbles; }
    // The read-out text for an air time (the format the HUD shows: "%2.f:%02.f").
    static void FormatTime(double remaining, char* out, size_t size);

private:
    void Load(ZNode* widget);
    void RefreshReadout();
    void GiveWarnings();
    void StopSounds();

    ZSound* m_warningSound = nullptr;
    ZSound* m_leakSound = nullptr;
    bool m_warningsOff = false;
    double m_lastWarning = -1.0e38;
    double m_lastWarningSound = -1.0e38;
    float m_displayed = 1.0f;
    double m_consumed = 0.0;
    ZParticleEmitterSystem* m_bubbles = nullptr;
    ZFontText* m_readout = nullptr;
    ZNode* m_widget = nullptr;
    ZGeom* m_warningAnchor = nullptr;
    float m_leakProgress = 0.0f;
    bool m_leaking = false;
    int m_warnings = 0;
    int m_warningSounds = 0;
};
