#pragma once
// The campaign control: runs the campaign script "resources:levelcontrol.xml", an ordered list of
// entries (levels, screens, delays, events, setting changes; ZLevelControlEntry.h), one at a time.
// It keeps the index of the entry being played, steps the current entry every frame, moves on
// when the entry is done, lets the map jump to a level, rewinds to the last map checkpoint when a
// level ends without a medal, restores the profile settings that belong to each point of the
// script, and keeps the player's progress in the profile file "levels.xml".
//   ZLevelControl.cpp          script loading, linking, stepping and advancing
//   ZLevelControlProgress.cpp  the progress file: reading (all or nothing) and safe writing
//   ZLevelControlEntry.cpp     the entries
// The game object calls Update() every frame after the game-state stack has updated.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/ZGameState.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/ui/ZDialogGameState.h"
#include "game/dive/campaign/ZLevelControlEntry.h"

class ZLevelControl : public ZGameState,
                      public ZSingleton<ZLevelControl>,
                      public ZProfileListener,
                      public IDialogListener,
                      public IPropertyListener
{
    QV_TYPE_RECORD(ZLevelControl, &ZGameState::kTypeRecord)

public:
    static constexpr const char* kScriptPath = "resources:levelcontrol.xml";
    static constexpr const char* kProgressFile = "levels.xml";
    // A progress file larger than this is not read (a real one is a few kilobytes).
    static constexpr int64_t kMaxProgressBytes = 4 * 1024 * 1024;

    ZLevelControl();
    ~ZLevelControl() override;

    const char* GetName() const override { return "ZLevelControl"; }
    // The base set-up, then the script.
    void Init() override;
    // The campaign state became current again: the next Update advances.
    void OnFadeInDone() override;
    // The campaign state was left: the profile is saved (which writes the progress).
    void OnLeave() override;
    using ZGameState::Update;

    // Reads the script file; 0 on success. A missing or broken script leaves an empty campaign.
    int LoadScript(const char* path = kScriptPath);
    // The same from text in memory.
    int LoadScriptText(const std::string& text);

    // The per-frame step (frame delta from the engine's clock).
    void Update();
    void Advance();
    // The map's choice: level index i (clamped) runs on the next advance.
    void SelectLevel(int index);
    // Developer keys: one entry forward (a level there gets gold) or back.
    void NextEntry();
    void PreviousEntry();
    // The index of the level after the last one with a medal (the last level at most); 0 when
    // none has a medal.
    int GetFurthestLevelIndex() const;
    bool RewindToCheckpoint();
    // The settings of the entry at the index (the first entry before the start).
    void ApplyCurrentSettings();
    void AddPersistent(ZProperty* property);
    void ResetProgress();
    // The post-load pass: each entry's settings snapshot.
    void LinkEntries();

    // ZProfileListener: read after a profile was loaded, write after it was saved.
    int OnProfileLoaded() override;
    int OnProfileSaved() override;
    // Progress to and from the current profile's "levels.xml"; 0 on success. A missing file is
    // a campaign at its start and counts as success.
    int SaveProgress();
    int LoadProgress();
    // Progress from text (what LoadProgress reads from the file). All or nothing: a document that
    // is cut off or malformed changes nothing and gives 1.
    int ReadProgress(const std::string& text);
    // The progress document as it would be written.
    std::string WriteProgress() const;

    // IDialogListener: the confirm dialog (leave the dive) was accepted.
    void OnDialogAccepted(ZDialogGameState* state) override;

    // The level of that name, or null; never creates one.
    ZLevel* FindLevel(const char* name) const;
    int GetEntryIndex() const { return m_index; }
    // Sets the index as read (clamped to [-1, entries - 1]).
    void SetEntryIndex(int index);
    const std::vector<ZLevelControlEntry*>& GetEntries() const { return m_entries; }
    const std::vector<ZLevel*>& GetLevels() const { return m_levels; }
    ZLevelControlEntry* GetCurrentEntry() const { return m_current; }
    ZLevelControlEntry* GetPendingEntry() const { return m_pending; }
    ZLevel* GetLastLevel() const { return m_lastLevel; }
    ZLevel* GetTestLevel() const { return m_testLevel.get(); }
    bool IsHolding() const { return m_hold; }
    bool HasJumped() const { return m_jumped; }
    bool IsScriptLoaded() const { return m_scriptLoaded; }
    const std::vector<ZProperty*>& GetPersistent() const { return m_persistent; }

    // What the XML reader calls while a script or progress file is read into this object.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor);
    void OnLoaded();
    // The object being read into, or null outside a read.
    static ZLevelControl* GetImporting();
    // True while a progress file is read (entries read then are temporary).
    static bool IsReadingProgress();
    // Entries made by the reader belong to it until someone takes them: a screen entry its
    // children, the campaign its script entries. Null when the reader does not hold the entry.
    static std::unique_ptr<ZLevelControlEntry> AdoptImported(ZLevelControlEntry* entry);
    // Hands a new entry to the running read, which frees it unless someone adopts it; outside a
    // read, or past the read's limit, the entry is deleted and null returned.
    static ZLevelControlEntry* TrackImported(ZLevelControlEntry* entry);
    // The level an element names: while the script loads the campaign's own (made on first
    // mention); while progress is read a temporary copy, and null for a name the script lacks.
    static ZLevel* FindImportedLevel(const char* name);
    // The bool setting "story.<name>" in the profile group, made when missing and kept as long as
    // the campaign.
    ZProperty* GetOrCreateStoryFlag(const std::string& story);

private:
    // What one read of a script or progress file holds while it runs.
    struct SImport
    {
        ZLevelControl* control = nullptr;
        bool progress = false;
        // Every entry the reader made; those still here when the read ends are freed.
        std::vector<std::unique_ptr<ZLevelControlEntry>> made;
        // At most this many entries are made, so a hostile file cannot grow memory without bound.
        size_t limit = 0;
        size_t refused = 0;
        // Progress only: what the file said, applied once the whole document was read.
        bool hasProgress = false;
        bool badProgress = false;
        int32_t progressValue = -1;
        std::vector<ZLevelControlEntry*> staged;
        size_t unknownLevels = 0;
        bool sawRoot = false;
    };

    int Import(const std::string& text, bool progress, SImport& session);
    void AddScriptEntry(ZLevelControlEntry* entry);
    ZLevel* GetOrCreateLevel(const char* name);
    void ClearScript();
    void ResetEntries();
    void RunCurrent(bool setHold);
    bool PreviousWas(const char* const* names) const;
    void GoToMainMenu();

    int32_t m_index = -1;
    std::vector<ZLevel*> m_levels;
    std::vector<ZLevelControlEntry*> m_entries;
    ZLevelControlEntry* m_current = nullptr;
    ZLevelControlEntry* m_pending = nullptr;
    ZLevel* m_lastLevel = nullptr;
    bool m_hold = false;
    bool m_scriptLoaded = false;
    bool m_firstFinish = true;
    bool m_jumped = false;
    bool m_advanceRequested = false;
    ZGameState* m_previousState = nullptr;
    std::vector<ZProperty*> m_persistent;
    std::unique_ptr<ZLevel> m_testLevel;

    // Ownership: levels by name id, the other script entries in a list.
    std::map<uint32_t, std::unique_ptr<ZLevel>> m_levelsByName;
    std::vector<std::unique_ptr<ZLevelControlEntry>> m_ownedEntries;
    // Story flags made at run time, with their names (a setting does not copy its name).
    std::deque<std::string> m_flagNames;
    std::vector<std::unique_ptr<ZPropertyBool>> m_flags;

    static SImport* s_import;
};
