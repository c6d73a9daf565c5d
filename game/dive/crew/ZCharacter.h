#pragma once
// One crew member: experience and level, six ability slots (the first three one per colour group,
// the last three their overcharge), each with a charge of 0 to 1 and a charge speed, an air factor,
// a treasure factor and the last level the player looked at on the crew screen. Members live in a
// small pool keyed by name for the whole run; the crew screen reads the game's crew file into them,
// overlays the player's progress and writes that back ("character" elements, ZCharacterScreen.h).
// In a dive, creature pops of a colour charge the slot of that colour; a full slot makes the
// member's crew button (ZCharacterButton) ready.
#include <array>
#include <cstdint>
#include <string>

#include "engine/core/ZEntity.h"

class ISaveVisitor;
class ZCharacterButton;
class ZNode;
class ZTexture;

class ZCharacter : public ZEntity
{
    QV_TYPE_RECORD(ZCharacter, &ZEntity::kTypeRecord)

public:
    static constexpr int kSlotCount = 6;
    static constexpr int kKindCount = 3;
    static constexpr int kLevelCount = 7;
    static constexpr int32_t kXpThresholds[kLevelCount] = {0, 500, 3000, 6000, 11000, 20000, 40000};
    // Experience is kept within this, so adding to it can never overflow.
    static constexpr int32_t kMaxXp = 99999999;
    // The pool holds at most this many members (the crew is five).
    static constexpr int kPoolLimit = 16;

    ZCharacter();
    ~ZCharacter() override;

    // The member of that name, made on first request; null for an empty name or once the pool is
    // full (with a log line).
    static ZCharacter* GetOrCreate(const char* name);
    // The member of that name, or null: never makes one.
    static ZCharacter* Find(const char* name);

    const char* GetName() const override { return m_name.c_str(); }

    // Experience (clamped to 0..kMaxXp): level, bounds and newly opened slots (full) follow.
    void SetXP(int32_t xp);
    // The level (0..5) and the fraction within it for an experience below 40000; 6 and 1.0 above.
    static void GetLevelProgress(int32_t xp, int32_t& level, float& fraction);
    // Opens slots up to `count` (0..6) with full charges; a lower count only lowers the number.
    void SetOpenCharges(int32_t count);
    // A new player's member: experience 0, panel hidden, not in the dive, charges 0..2 full and
    // 3..5 empty, last viewed level 0, no slot open.
    void Reset();

    // A creature pop of the colour group (0..2): the slot of that colour takes
    // (amount / 3) x its charge speed x factor; once full, its overcharge slot (when open) the same.
    // False when no open slot has that colour.
    bool Charge(int32_t colour, float amount, float factor);
    // The first open slot (0..2) whose ability has the colour, or -1.
    int32_t SlotForColour(int32_t colour) const;
    void AddChargeToAll(float amount);
    void FillAll();
    // The three crew buttons of the dive: button i serves slot i's colour group, shows its charges
    // and offers its ability. Null buttons unbind.
    void BindButtons(ZCharacterButton* const buttons[kKindCount]);
    // The button bound for a colour group, or null.
    ZCharacterButton* GetButton(int32_t colour) const;
    // Sets both charges of slot kind (0..2) and kind + 3, clamped to 0..1, and shows them.
    void SetSlotCharges(int32_t kind, float first, float second);
    // Shows the charges of every bound button.
    void UpdateChargeMeters(bool notify);

    // The crew file's attributes (see ZCharacterScreen.h); unknown ones are not taken.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    // "name", "xp", "air", "charge0".."charge5", "lastviewlevel".
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor) { (void)visitor; }
    void OnLoaded() {}
    // Takes the values this member was given by a read (those its attributes named) from another.
    void TakeReadValues(const ZCharacter& from);
    // Which attributes a read set, one bit each (kRead...).
    uint32_t GetReadMask() const { return m_readMask; }
    void ClearReadMask() { m_readMask = 0; }

    void SetName(const char* name);
    int32_t GetLevel() const { return m_level; }
    int32_t GetXP() const { return m_xp; }
    int32_t GetXPLow() const { return m_xpLow; }
    int32_t GetXPHigh() const { return m_xpHigh; }
    int32_t GetOpenCharges() const { return m_openCharges; }
    float GetCharge(int slot) const { return InSlot(slot) ? m_charge[size_t(slot)] : 0.0f; }
    void SetCharge(int slot, float value);
    float GetChargeSpeed(int slot) const { return InSlot(slot) ? m_chargeSpeed[size_t(slot)] : 0.0f; }
    int32_t GetAbility(int slot) const { return InSlot(slot) ? m_ability[size_t(slot)] : -1; }
    // The ability id of a slot with its colour group (-1 for an id outside the item table).
    void SetAbility(int slot, int32_t id);
    int32_t GetColour(int slot) const { return InSlot(slot) ? m_colour[size_t(slot)] : -1; }
    // The air factor; one that is not above 0 counts as 1.0 (no dive gets endless air).
    float GetAirFactor() const { return m_air > 0.0f ? m_air : 1.0f; }
    float GetAir() const { return m_air; }
    float GetTreasure() const { return m_treasure; }
    int32_t GetLastViewLevel() const { return m_lastViewLevel; }
    void SetLastViewLevel(int32_t level) { m_lastViewLevel = level; }
    // The localized "<name>.name", "<name>.description" and "<name>.abilities", looked up in the
    // text table of the moment (members outlive a table that is loaded again).
    const char* GetNameText() const;
    const char* GetDescriptionText() const;
    const char* GetAbilitiesText() const;
    // "resources:portrait_<name>.png", found or loaded.
    ZTexture* GetPortrait();
    ZNode* GetPanel() const { return m_panel; }
    void SetPanel(ZNode* panel) { m_panel = panel; }
    bool IsSelected() const { return m_selected; }
    void SetSelected(bool on) { m_selected = on; }

    // Bits of GetReadMask.
    static constexpr uint32_t kReadXp = 1u << 0;
    static constexpr uint32_t kReadAir = 1u << 1;
    static constexpr uint32_t kReadTreasure = 1u << 2;
    static constexpr uint32_t kReadLastView = 1u << 3;
    static constexpr uint32_t kReadCharge0 = 1u << 4;       // six bits
    static constexpr uint32_t kReadChargeSpeed0 = 1u << 10; // six bits
    static constexpr uint32_t kReadAbility0 = 1u << 16;     // six bits

private:
    static bool InSlot(int slot) { return slot >= 0 && slot < kSlotCount; }
    void ShowOnButton(int32_t kind, bool notify);

    int32_t m_level = 0;
    int32_t m_xp = 0;
    int32_t m_xpLow = 0;
    int32_t m_xpHigh = kXpThresholds[1];
    std::string m_name;
    ZNode* m_panel = nullptr;
    float m_air = 1.0f;
    std::array<float, kSlotCount> m_charge{1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    std::array<float, kSlotCount> m_chargeSpeed{1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    bool m_selected = false;
    int32_t m_openCharges = 0;
    float m_treasure = 1.0f;
    std::array<ZCharacterButton*, kKindCount> m_buttons{};
    std::array<int32_t, kSlotCount> m_ability{-1, -1, -1, -1, -1, -1};
    std::array<int32_t, kSlotCount> m_colour{-1, -1, -1, -1, -1, -1};
    int32_t m_lastViewLevel = 0;
    uint32_t m_readMask = 0;
};
