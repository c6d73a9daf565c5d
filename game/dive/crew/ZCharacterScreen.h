#pragma once
// The crew screen "ZCharacterScreen" (the campaign's screen "characters"): the portraits of the five
// crew members, a detail panel for the selected one (name, description, level, experience, air and
// treasure bars, the six power icons with "new" marks) and a continue button. It owns the crew for
// the whole run and is the way the rest of the game reaches it:
//   ZCharacterScreen.cpp      the screen: layout, selection, detail panel, tips, statistics
//   ZCharacterScreenFile.cpp  the crew files
//
// The crew files are scene XML: a root "characterscreen" with one "character" element per member.
// "resources:characters.xml" is the game's crew (names, powers, charge speeds, air and treasure
// factors, starting experience); the profile's "characters.xml" keeps the player's progress
// ("name", "xp", "air", "charge0".."charge5", "lastviewlevel"). The profile file is written whole
// through a temporary file, and read all or nothing: a file that does not read completely leaves the
// crew at the game's values and is moved aside as "characters.xml.damaged"; members it names that
// are not crew, and values out of range, are reported and left out.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/ZGameState.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZVector.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZMousePointer.h"
#include "game/common/ZCrew.h"
#include "game/dive/crew/ZCrewDiveServices.h"

class ISaveVisitor;
class ZCharacter;
class ZFontText;
class ZProgressBar;
class ZPulseController;
class ZSound;
class ZSprite;

class ZCharacterScreen : public ZGameState,
                         public IMousePointerListener,
                         public IPropertyListener,
                         public IButtonListener,
                         public ZProfileListener,
                         public ZSingleton<ZCharacterScreen>
{
    QV_TYPE_RECORD(ZCharacterScreen, &ZGameState::kTypeRecord)

public:
    static constexpr const char* kDataPath = "resources:characters.xml";
    static constexpr const char* kProfileFile = "characters.xml";
    // A crew file larger than this is not a crew file (a real one is under a kilobyte).
    static constexpr int64_t kMaxFileBytes = 4 * 1024 * 1024;
    static constexpr int kAbilitySlots = 6;

    ZCharacterScreen();
    ~ZCharacterScreen() override;

    const char* GetName() const override { return "ZCharacterScreen"; }
    // Reads "resources:characterscreen.xml" and "resources:characterscreen_resources.xml" and finds
    // the widgets; the importer's error otherwise.
    int Build() override;
    void Update(double dt) override;
    void OnEnter() override;
    void OnLeave() override;

    // Reads the game's crew file (once, at start-up); 0 on success, else the reader's error (then
    // nothing is set up). Then follows the availability settings and selects `profile.character`.
    int LoadCharacters(const char* path = kDataPath);
    bool AreCharactersLoaded() const { return m_charactersLoaded; }

    // The member at the crew index, or null.
    ZCharacter* GetCharacter(int index) const;
    // The member `profile.character` names, or null.
    ZCharacter* GetSelected() const;
    int GetSelectedIndex() const;
    // Makes the member (clamped to 0..4) the selected one; `effect` pulses its portrait.
    void SelectCharacter(int index, bool effect);
    // Sets a member's availability (its setting "profile.crew.<name>"); an unavailable selected
    // member gives the selection to member 0.
    void ShowCharacter(int index, bool available, bool select);
    bool IsAvailable(int index) const;
    // Portraits below n are enabled, the others disabled.
    void SetCrewSize(int n);
    // The selected member gains experience, shown as "+<n> XP" at the screen point.
    void AddCrewExperience(int amount, const V3& position);
    // The tip the campaign asks this screen to open on its next visit.
    void SetPendingTip(const char* tip) { m_pendingTip = tip ? tip : ""; }
    const std::string& GetPendingTip() const { return m_pendingTip; }
    float GetMaxAir() const { return m_maxAir; }
    float GetMaxTreasure() const { return m_maxTreasure; }
    bool WasViewed(int index) const { return index >= 0 && index < kCrewCount && m_viewed[size_t(index)]; }
    int GetClicks() const { return m_clicks; }

    // The crew file (ZCharacterScreenFile.cpp).
    // The player's progress as it would be written.
    std::string WriteProfileText();
    // Progress from text: all or nothing; 1 (nothing changed) when it does not read as a whole.
    int ReadProfileText(const std::string& text);
    // To and from the current profile's "characters.xml"; 0 on success. A missing file is a new
    // player and counts as success; an unreadable one is moved aside and gives 1.
    int SaveProfileFile();
    int LoadProfileFile();

    // ZProfileListener: the crew is read after a profile loaded and written after it was saved.
    int OnProfileLoaded() override;
    int OnProfileSaved() override;
    // IMousePointerListener: a press on a portrait selects that member.
    void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled) override;
    // IPropertyListener: availability, crew size, selection and `cheats.unlockall`.
    void OnPropertyChanged(ZProperty* property) override;
    // IButtonListener: continue.
    void OnClicked(ZButton2D* button) override;

    // What the reader calls while a crew file is read into the crew.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor) { (void)visitor; }
    void SaveChildren(ISaveVisitor* visitor);
    void OnLoaded();
    // The screen a read binds its root element to, or null outside a read.
    static ZCharacterScreen* GetImporting();
    // The member a "character" element names: while the game's file is read the crew member of
    // that name (made on first mention); while a profile file is read a staging copy. Null for a
    // name that is no crew name.
    static ZCharacter* FindImportedCharacter(const char* name);

    // Widgets, for the tests and the dive's look.
    ZSprite* GetPortrait(int index) const { return InCrew(index) ? m_portrait[size_t(index)] : nullptr; }
    ZNode* GetHalo(int index) const { return InCrew(index) ? m_halo[size_t(index)] : nullptr; }
    ZNode* GetLevelUpMark(int index) const { return InCrew(index) ? m_levelUp[size_t(index)] : nullptr; }
    ZSprite* GetAbilityIcon(int slot) const
    {
        return slot >= 0 && slot < kAbilitySlots ? m_abilityIcon[size_t(slot)] : nullptr;
    }
    ZNode* GetNewMark(int slot) const { return slot >= 0 && slot < kAbilitySlots ? m_newMark[size_t(slot)] : nullptr; }
    ZButton2D* GetContinueButton() const { return m_continue; }
    ZProgressBar* GetXpBar() const { return m_xpBar; }
    ZProgressBar* GetAirBar() const { return m_airBar; }
    ZProgressBar* GetTreasureBar() const { return m_treasureBar; }
    std::string GetText(const char* path) const;

private:
    struct SImport;

    static bool InCrew(int index) { return index >= 0 && index < kCrewCount; }
    int Import(const std::string& text, bool profile, const char* source);
    int ReadDataFile(const char* path);
    void ResetCrew();
    void FillDetails(ZCharacter* member);
    void UpdateLevelUpMarks();
    void RecomputeMaxima();
    void SetText(const char* path, const char* text);
    void Follow(ZProperty* property);
    void Unfollow();

    std::array<ZCharacter*, kCrewCount> m_characters{};
    std::array<bool, kCrewCount> m_viewed{};
    std::array<ZSprite*, kCrewCount> m_portrait{};
    std::array<ZNode*, kCrewCount> m_halo{};
    std::array<ZNode*, kCrewCount> m_levelUp{};
    std::array<ZSprite*, kAbilitySlots> m_abilityIcon{};
    std::array<ZNode*, kAbilitySlots> m_newMark{};
    std::array<std::string, kAbilitySlots> m_iconTips;
    ZButton2D* m_continue = nullptr;
    ZProgressBar* m_xpBar = nullptr;
    ZProgressBar* m_airBar = nullptr;
    ZProgressBar* m_treasureBar = nullptr;
    ZSound* m_selectSound = nullptr;
    ZPulseController* m_selectPulse = nullptr;
    float m_maxAir = 1.0f;
    float m_maxTreasure = 1.0f;
    double m_enterTime = 0.0;
    uint32_t m_enterFrame = 0;
    int m_enterCharacter = 0;
    int m_clicks = 0;
    bool m_tipShown = false;
    std::string m_pendingTip;
    bool m_loaded = false;
    bool m_charactersLoaded = false;
    bool m_listeningPointer = false;
    bool m_showing = false; // ShowCharacter runs: its own setting changes come back here
    std::string m_dataPath = kDataPath;
    std::vector<ZProperty*> m_followed;
    ZCrewDiveServices m_services;

    static SImport* s_import;
};
