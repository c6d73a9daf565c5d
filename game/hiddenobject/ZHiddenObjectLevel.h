#pragma once
// One bonus-game level: which objects of a location's picture the player must find and how many
// of each, what it pays and the texts that introduce it. Designed levels come from the location's
// level file; generated ones are made by the game (ZHiddenObjectGame::GenerateLevel). Levels live
// in a registry by name id for the whole run (GetHiddenObjectLevel).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/core/ZEntity.h"
#include "engine/core/ZNameId.h"
#include "game/common/IGameShell.h"

class ISaveVisitor;
class ZHiddenObject;
class ZHiddenObjectGame;

class ZHiddenObjectLevel : public ZEntity, public IBonusPrize
{
    QV_TYPE_RECORD(ZHiddenObjectLevel, &ZEntity::kTypeRecord)

public:
    static constexpr size_t kMaxLevels = 1024;
    // A level takes at most this many entries from its file; the screen lists fewer (its slots).
    static constexpr size_t kMaxEntries = 128;

    struct SEntry
    {
        ZHiddenObject* object = nullptr;
        int needed = 1;
        int visible = 1;
    };

    ZHiddenObjectLevel() = default;

    // The registry: get or create by name; null for a null name or a full registry.
    static ZHiddenObjectLevel* Find(const char* name);
    static void ReleaseAll();

    const char* GetName() const override { return m_name.c_str(); }
    uint32_t GetId() const { return m_id; }
    void SetName(const char* name);

    // Level-file attributes (name, time, award, needed, awardcount, type) and object entries.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor);
    void OnLoaded() {}

    // Adds an entry unless the level already holds the object through a group; the entry count.
    int AddObject(ZHiddenObject* object, int needed, int visible);
    // Drops an entry (an object that cannot be found, or one beyond the sidebar).
    void RemoveObject(ZHiddenObject* object);
    // The object is a kind of (or a member of) one of the entries.
    bool Contains(const ZHiddenObject* object) const;
    // The object is an entry, is contained in one or is a direct member of one.
    bool Uses(const ZHiddenObject* object) const;
    // Looks up the texts with the key (the level's name when null).
    void InitTexts(const char* key = nullptr);
    // Ready for play: the groups take their entry counts, the remaining list is shuffled.
    void Reset();
    // A click found the object (see the source); the sidebar slots follow through the game.
    void OnObjectFound(ZHiddenObject* object);
    bool IsComplete() const;

    // The sum of the entries' needed counts.
    int GetAwardCount() const;
    // The prize item: the award's id, or in relax mode a substitute that is no air item; -1 none.
    int GetAwardItem();
    // "treasure" without the tool belt; the substitute's name in relax mode; else the award.
    std::string GetAwardName();

    // IBonusPrize: what the prize dialog shows.
    const char* GetPrizeTitle() const override { return m_title; }
    const char* GetPrizeIntro() const override { return m_intro.c_str(); }
    const char* GetPrizeWonText() const override { return m_success; }
    const char* GetPrizeMissedText() const override { return m_failure; }
    int GetPrizeItem() override;
    int GetPrizeCount() const override;
    int GetPrizeLocation() const override { return m_location; }
    void OnPrizeDialogButton(bool startPage) override;

    void SetGame(ZHiddenObjectGame* game, int location)
    {
        m_game = game;
        m_location = location;
    }
    ZHiddenObjectGame* GetGame() const { return m_game; }
    int GetLocation() const { return m_location; }
    const std::map<uint32_t, SEntry>& GetEntries() const { return m_entries; }
    const std::vector<ZHiddenObject*>& GetFoundList() const { return m_found; }
    const std::vector<ZHiddenObject*>& GetRemaining() const { return m_remaining; }
    int GetFoundCount() const { return m_foundCount; }
    int GetNeeded() const { return m_needed; }
    void SetNeeded(int needed) { m_needed = needed; }
    float GetTime() const { return m_time; }
    void SetTime(float time) { m_time = time; }
    const std::string& GetAward() const { return m_award; }
    bool IsAwardItem() const { return m_awardIsItem; }
    void SetAward(const char* award);
    int GetAwardCountSetting() const { return m_awardCount; }
    void SetAwardCountSetting(int count) { m_awardCount = count; }
    bool IsClass() const { return m_class; }
    const char* GetIntroText() const { return m_introText; }
    const char* GetTitle() const { return m_title; }
    const char* GetLabel() const { return m_label; }

private:
    // The entry is complete: out of the remaining list, into the found list, its slot ticked.
    void Complete(ZHiddenObject* entry);
    void FindObject(ZHiddenObject* object, int depth);

    ZHiddenObjectGame* m_game = nullptr;
    int m_location = 0;
    std::map<uint32_t, SEntry> m_entries;
    std::vector<ZHiddenObject*> m_found;
    std::vector<ZHiddenObject*> m_remaining;
    float m_time = 0.0f;
    int m_needed = -1;
    int m_foundCount = 0;
    std::string m_name;
    uint32_t m_id = ZNameId::kNone;
    bool m_complete = false;
    bool m_class = false;
    std::string m_award = "treasure";
    bool m_awardIsItem = false;
    int m_awardCount = 1;
    std::string m_intro;
    const char* m_introText = nullptr;
    const char* m_failure = nullptr;
    const char* m_success = nullptr;
    const char* m_title = nullptr;
    const char* m_label = nullptr;
    int m_awardItem = -1;
    int m_substituteItem = -1;
    bool m_tooManyTold = false;
};

ZHiddenObjectLevel* GetHiddenObjectLevel(const char* name);
