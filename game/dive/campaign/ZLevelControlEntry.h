#pragma once
// The entries of the campaign script, read from "resources:levelcontrol.xml" and run one at a
// time by the campaign control (ZLevelControl.h):
//   ZLevelControlEntry  the base: its index in the script ("lci") and the profile settings that
//                       hold when the campaign reaches it;
//   ZLevel              one dive on a board file;
//   ZLevelState         a screen (story, map, crew, bonus game, shop) with child entries run while
//                       it shows;
//   ZLevelDelay         a wait;
//   ZLevelEvent         a named event with arguments for the screen of its parent entry;
//   ZLevelProperty      a setting change, optionally remembered for every later entry.
// The same classes read the player's progress file, whose elements carry the state of an entry.
// Also here: the two seams the entries call through, ILevelEventTarget (a screen that takes
// campaign events) and IDiveStarter (the dive screen, which starts a level).
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/ZEntity.h"
#include "engine/core/ZEventManager.h"
#include "engine/core/ZSerializer.h"
#include "game/common/ZMedals.h"

class ZGameState;
class ZLevel;
class ZProperty;

// A screen that takes the events of the campaign script (the map: "tip", "flash_continue", ...).
class ILevelEventTarget
{
public:
    virtual ~ILevelEventTarget() = default;
    virtual void OnLevelEvent(const ZEvent& event) = 0;
};

// The dive screen as the campaign sees it. The dive installs itself; until it exists, levels are
// passed with a log line.
class IDiveStarter
{
public:
    virtual ~IDiveStarter() = default;
    // Sets up a dive on the level's board and returns the dive's state, which the campaign then
    // makes the only state on the stack; null when the dive cannot start.
    virtual ZGameState* StartLevel(ZLevel* level) = 0;
    // Seconds the current dive has run (for the "level-abort" statistics record).
    virtual float GetDiveSeconds() const { return 0.0f; }
};
IDiveStarter* GetDiveStarter();
// Null removes it. Not owned.
void SetDiveStarter(IDiveStarter* starter);

// Medal values of a level (none is kMedalNone, -1; MedalName gives their texts).
inline constexpr int32_t kMedalComplete = 0;
inline constexpr int32_t kMedalBronze = 1;
inline constexpr int32_t kMedalSilver = 2;
inline constexpr int32_t kMedalGold = 3;
// The medal of a text; -1 for any other text (null included).
int32_t ParseMedalName(const char* text);
// "sand" 0, "coral" 1, "shipwreck" 2, "volcano" 3, "deepwater" 4, "sunkencity" 5, "random" a random
// one of those; -1 for anything else.
int32_t ParseThemeName(const char* text);

using SettingAssignments = std::vector<std::pair<std::string, std::string>>;

class ZLevelControlEntry : public ZEntity
{
    QV_TYPE_RECORD(ZLevelControlEntry, &ZEntity::kTypeRecord)

public:
    ZLevelControlEntry() = default;
    ~ZLevelControlEntry() override = default;

    virtual void Reset() {}
    virtual bool HasMoreSteps() const { return false; }
    virtual void Update(double dt) { (void)dt; }
    virtual void Run() {}
    virtual bool IsDone() const { return true; }
    // Sets every setting of the assignment list whose value differs, telling its listeners.
    virtual void ApplySettings();
    // Takes the saved state of an entry of the same class read from the progress file.
    virtual void CopyFrom(const ZLevelControlEntry& other) { (void)other; }
    virtual bool IsCheckpoint() const { return false; }
    // An attribute read from a file; a child element arrives with the id 65535 and its object in
    // place of the text (see SerializedChild). False when not taken.
    virtual bool SetAttribute(uint32_t id, const char* name, const char* value);
    // The end of the entry's element.
    virtual void OnLoaded() {}
    // The attributes of the entry's element in the progress file.
    virtual void WriteAttributes(ISaveVisitor* visitor) const;
    // The element name in files.
    virtual const char* GetElementName() const { return "levelcontrolentry"; }
    // True when the last Run put a screen on the stack: the campaign then waits until it comes
    // back to the campaign state. An entry that shows nothing is followed at once.
    virtual bool ShowedScreen() const { return false; }

    // The serializer's interface.
    bool SetProperty(uint32_t id, const char* name, const char* value) { return SetAttribute(id, name, value); }
    void SaveAttributes(ISaveVisitor* visitor) { WriteAttributes(visitor); }
    void SaveChildren(ISaveVisitor* visitor) { (void)visitor; }

    // Replaces the value of the named setting in the assignment list, or adds it.
    void SetAssignment(const std::string& name, const std::string& value);
    // The assigned value of the named setting, or null.
    const std::string* FindAssignment(const std::string& name) const;

    int32_t lci = -1;
    SettingAssignments settings;
};

class ZLevel : public ZLevelControlEntry
{
    QV_TYPE_RECORD(ZLevel, &ZLevelControlEntry::kTypeRecord)

public:
    static constexpr int32_t kTestLevelNumber = 666;

    ZLevel() = default;
    const char* GetName() const override { return m_name.c_str(); }

    void Reset() override;
    void Run() override;
    // A level is left from the campaign's return (end of the dive or a map choice); only a level
    // that could not be played (no dive screen) is done by itself.
    bool IsDone() const override { return m_passed; }
    bool SetAttribute(uint32_t id, const char* name, const char* value) override;
    void WriteAttributes(ISaveVisitor* visitor) const override;
    const char* GetElementName() const override { return "level"; }
    bool ShowedScreen() const override { return m_started; }

    void SetBoardName(const char* name);
    const std::string& GetBoardName() const { return m_name; }
    const std::string& GetBoardPath() const { return m_boardPath; }
    // True when the last Run found no dive to start.
    bool WasPassed() const { return m_passed; }

    int32_t score = 0;
    int32_t medal = kMedalNone;
    int32_t number = 0;
    int32_t theme = 0;
    int32_t key = -1;

private:
    std::string m_name;
    std::string m_boardPath;
    bool m_passed = false;
    bool m_started = false;
};

class ZLevelState : public ZLevelControlEntry
{
    QV_TYPE_RECORD(ZLevelState, &ZLevelControlEntry::kTypeRecord)

public:
    enum EKind : int32_t
    {
        kNone = -1,
        kStory = 1,
        kBigStory = 2,
        kMap = 3,
        kCharacters = 4,
        kBonus = 5,
        kShop = 6,
    };

    ZLevelState() = default;
    ~ZLevelState() override;

    void Reset() override;
    bool HasMoreSteps() const override;
    void Update(double dt) override;
    void Run() override;
    bool IsDone() const override;
    void ApplySettings() override;
    void CopyFrom(const ZLevelControlEntry& other) override;
    bool IsCheckpoint() const override { return kind == kMap; }
    bool SetAttribute(uint32_t id, const char* name, const char* value) override;
    void OnLoaded() override;
    void WriteAttributes(ISaveVisitor* visitor) const override;
    const char* GetElementName() const override { return "levelstate"; }
    bool ShowedScreen() const override { return m_shown; }

    // "story", "bigstory", "map", "characters", "bonus", "shop"; "" for none.
    static const char* KindName(int32_t kind);
    static int32_t ParseKind(const char* text);

    // The screen of this entry: the game's own, else the state of the conventional name; null
    // when neither exists (and always for "bigstory").
    ZGameState* ResolveTarget() const;
    ZGameState* GetTarget() const { return m_target; }
    const std::vector<std::unique_ptr<ZLevelControlEntry>>& GetChildren() const { return m_children; }
    ZLevelControlEntry* GetCurrentChild() const { return m_current; }
    // The story flag ("story.<story>"), made by the campaign when the script loads; may be null.
    ZProperty* GetStoryFlag() const { return m_storyFlag; }

    int32_t kind = kNone;
    int32_t level = 0;
    int32_t ssi = 0;
    std::string story;
    std::string mission;
    std::string value;
    std::string tip;

private:
    void StartNextChild();

    std::vector<std::unique_ptr<ZLevelControlEntry>> m_children;
    ZLevelControlEntry* m_current = nullptr;
    ZGameState* m_target = nullptr;
    ZProperty* m_storyFlag = nullptr;
    bool m_firstLoad = true;
    bool m_shown = false;
};

class ZLevelDelay : public ZLevelControlEntry
{
    QV_TYPE_RECORD(ZLevelDelay, &ZLevelControlEntry::kTypeRecord)

public:
    void Reset() override { elapsed = 0.0f; }
    void Run() override { elapsed = 0.0f; }
    void Update(double dt) override { elapsed += float(dt); }
    bool IsDone() const override { return duration <= elapsed; }
    void CopyFrom(const ZLevelControlEntry& other) override;
    bool SetAttribute(uint32_t id, const char* name, const char* value) override;
    const char* GetElementName() const override { return "leveldelay"; }

    float duration = 0.0f;
    float elapsed = 0.0f;
};

class ZLevelEvent : public ZLevelControlEntry
{
    QV_TYPE_RECORD(ZLevelEvent, &ZLevelControlEntry::kTypeRecord)

public:
    void Run() override;
    bool SetAttribute(uint32_t id, const char* name, const char* value) override;
    const char* GetElementName() const override { return "levelevent"; }

    std::string eventName;
    ZNameId eventId;
    ZArgMap args;
    // Set by the screen entry that holds the event, when it runs.
    ZGameState* target = nullptr;
};

class ZLevelProperty : public ZLevelControlEntry
{
    QV_TYPE_RECORD(ZLevelProperty, &ZLevelControlEntry::kTypeRecord)

public:
    void Run() override;
    bool SetAttribute(uint32_t id, const char* name, const char* value) override;
    void OnLoaded() override;
    const char* GetElementName() const override { return "levelproperty"; }

    std::string name;
    std::string value;
    bool persistent = false;
    ZProperty* property = nullptr;

private:
    bool m_resolved = false;
};
