#pragma once
// The completion bar: the column of the dive's display that counts the artifacts brought off the
// board. One slot per artifact of the level fills from the bottom as artifacts arrive; four medal
// sliders stand beside the slots at the thresholds. It works out the medal the dive has reached,
// tells the dive when that changes, and after the dive makes the missed medals vanish one by one.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZVector.h"

class ZInterpolateWorldPos;
class ZNode;
class ZParticleEmitterSystem;
class ZSound;
class ZTextureResource;

class ZCompletionBar : public ZSingleton<ZCompletionBar>, public ZTransientListener
{
public:
    static constexpr int kMaxSlots = 12;
    static constexpr float kSlotScale = 0.6f;

    // Makes the bar on the dive display's "completionwidget" node (null: a bar without nodes).
    static ZCompletionBar* Create(ZNode* displayRoot);

    ZCompletionBar();
    ~ZCompletionBar() override;

    // A new level: the artifact letters to come, the artifacts already collected (their letters),
    // the four thresholds and the player's best medal for the level so far. False when the level
    // asks for more artifacts than the display has slots (the extra ones are then not shown).
    bool SetupForLevel(const std::string& letters, const std::string& collected, int complete, int bronze,
                       int silver, int gold, int bestMedal);
    // An artifact's flight ended: the next slot shows its picture and drops into place.
    void FillSlot(char shorthand, ZTextureResource* texture);
    // The end-of-dive vanish, one step per frame once StartVanish was called; IsVanishDone polls it.
    // Each missed medal says "no experience" as it goes only when the dive earned none: a dive whose
    // medals give experience shows that on the results, and the message would contradict it.
    void StartVanish(bool earnedExperience);
    void Update();
    bool IsVanishDone() const { return m_vanishDone != 0; }
    void HideMedal(int medal);
    void HideAllMedals();
    // Slots past the given count lose both their nodes (the board's win hides the unused ones).
    void HideSlotsFrom(int count);
    // The player ended the dive early (the skip-level ability); nothing reads it yet.
    void SetPlayerEnded() { m_playerEnded = true; }

    // ZTransientListener: a slot's drop ended.
    void Ended(ZControllerBase* controller) override;

    int GetMedalLevel() const { return m_medal; }
    int GetFilledCount() const { return m_filled; }
    int GetRemaining() const { return m_remaining; }
    int GetSlotCount() const { return int(m_letters.size()); }
    int GetSlotNodeCount() const { return int(m_slots.size()); }
    int GetThreshold(int medal) const { return medal >= 0 && medal < 4 ? m_thresholds[medal] : 0; }
    int GetSlidesInFlight() const { return m_slidesInFlight; }
    bool IsMedalShown(int medal) const { return medal >= 0 && medal < 4 && m_medalShown[medal]; }
    bool IsSlotFilled(int i) const { return i >= 0 && i < int(m_slots.size()) && m_slots[i].filled; }
    char GetSlotShorthand(int i) const { return i >= 0 && i < int(m_slots.size()) ? m_slots[i].shorthand : 0; }
    ZNode* GetSlotNode(int i) const { return i >= 0 && i < int(m_slots.size()) ? m_slots[i].node : nullptr; }
    ZNode* GetSlider(int medal, int part) const;
    const std::string& GetCollected() const { return m_collected; }
    ZInterpolateWorldPos* GetSlotDrop(int i) const { return i >= 0 && i < int(m_slots.size()) ? m_slots[i].drop : nullptr; }
    int GetVanishMedal() const { return m_vanishMedal; }
    bool VanishSaysNoExperience() const { return m_vanishSaysNoExperience; }

private:
    struct Slot
    {
        char shorthand = 0;
        ZNode* node = nullptr;
        bool filled = false;
        V3 rest;
        ZInterpolateWorldPos* drop = nullptr;
    };

    void Init(ZNode* displayRoot);
    void Recount();
    void PlaceSliders();
    void ShowSliders(int medal, bool on);

    std::vector<Slot> m_slots;
    ZNode* m_sliders[4][4] = {};
    std::string m_letters;
    std::string m_collected;
    int m_remaining = 0;
    int m_thresholds[4] = {0, 0, 0, 0};
    int m_bestMedal = -1;
    int m_filled = 0;
    int m_medal = -1;
    int m_reported = -1;
    bool m_medalShown[4] = {false, false, false, false};
    int m_slidesInFlight = 0;
    double m_vanishStart = 0.0;
    int m_vanishMedal = -1;
    uint8_t m_vanishDone = 1;
    bool m_vanishSaysNoExperience = true;
    bool m_playerEnded = false;
    ZParticleEmitterSystem* m_sparkles = nullptr;
    ZSound* m_vanishSound = nullptr;
    ZSound* m_slideSound = nullptr;
    ZSound* m_slideEndSound = nullptr;
};
