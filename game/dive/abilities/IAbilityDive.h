#pragma once
// What the abilities ask of the running dive: the in-game state's effect indicators, air timer and
// rotation charge, the end of the dive by skipping the level, and the board's edge glow and target
// preview. The abilities and their manager sit beside the in-game state and the board and are built
// and tested without them, so they reach them only through this interface: the dive installs its
// own, and until then the default forwards to the board and the in-game state when they exist
// (air time, the end of the dive) and answers the rest by doing nothing. Never null.
class ZBoardGrid;

class IAbilityDive
{
public:
    virtual ~IAbilityDive() = default;

    // The in-game display's effect indicators: `flag` is one of the ability effect flags (air,
    // treasure, rotation); the indicator shows while the sum of a frame's values is above 0.
    virtual void AddEffectValue(unsigned flag, float value) { (void)flag, (void)value; }
    // Adds seconds of air to the oxygen bar (never past a full bar).
    virtual void AddAirTime(float seconds);
    // The oxygen bar's low-air warnings on or off; either way their timers restart and, when
    // switched off, a warning sound that plays stops.
    virtual void SetAirWarnings(bool on) { (void)on; }
    // A rotation boost begins: the rotation charge factor times `chargeFactor`, the rotation speed
    // factor times `speedFactor`; the end divides them back (the charge factor never below 1.0).
    virtual void BeginRotationBoost(float chargeFactor, float speedFactor) { (void)chargeFactor, (void)speedFactor; }
    virtual void EndRotationBoost(float chargeFactor, float speedFactor) { (void)chargeFactor, (void)speedFactor; }
    // Ends the dive as skipped: silver medal, the end of the dive without its end screen skipped,
    // the completion bar told the player ended, the board's current move stopped.
    virtual void SkipLevel();

    // The board's edge tiles glow while a board-wide ability is armed.
    virtual void HighlightBoardEdges(bool on, bool force);
    // The board forgets the armed ability's target preview.
    virtual void ClearBoardPreview();
    // The board's grid, for the abilities that choose tiles over the whole board; null without one.
    virtual ZBoardGrid* GetBoardGrid();
    // The board breaks every chain on it (a double chain twice).
    virtual void BreakAllChains();
    // The ice's spreading: halted while at least one halt runs.
    virtual bool IsFreezeHalted();
    virtual void BeginFreezeHalt();
    virtual void EndFreezeHalt();
};

// The installed dive, or the default one.
IAbilityDive* GetAbilityDive();
// Null restores the default. Not owned.
void SetAbilityDive(IAbilityDive* dive);
