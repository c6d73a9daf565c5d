#pragma once
// The game object's services as seen from below the shell. The dive, the hidden-object game and
// the screens reach the game object only through this interface, so they build and test without
// it: the game object installs itself at start-up, and until then (and in tests) the default
// shell answers every call by doing nothing.
#include <cstdint>
#include <string>

#include "engine/core/ZVector.h"

class IBonusPrize;
class ZGameState;
class ZLevel;
class ZHighlight2;
class ZNode;
class ZPlayList;

// What a finished dive hands to the end-of-level screen.
struct SDiveResult
{
    int32_t artifacts = 0;      // artifacts delivered (the board's result and the completion value)
    int32_t medal = -1;         // -1 none, 0 complete, 1 bronze, 2 silver, 3 gold
    uint32_t treasure = 0;      // the treasure chest's content
    int32_t profileTreasure = 0;
    int32_t profileScore = 0;
    int32_t completionPoints = 0; // the completion value x 100
    float airLeft = 0.0f;       // seconds of air left
    int32_t airBonus = 0;       // the air left x 2, truncated
    bool lost = false;          // the air ran out below the thresholds
    bool playerEnded = false;   // the player pressed the end-dive button
    ZLevel* level = nullptr;    // the campaign's level (null for a dive started by name)
    int32_t levelNumber = 0;
    std::string title;          // "%i" with the level's number
};

class IGameShell
{
public:
    virtual ~IGameShell() = default;

    // Music: a play list by name (formatted by the caller), null when there is none; playing the
    // list that already plays only brings its volume back up.
    virtual ZPlayList* FindPlayList(const char* name) { (void)name; return nullptr; }
    virtual void PlayPlayList(ZPlayList* list) { (void)list; }

    // Dialogs of the game object.
    virtual void ShowGameOver(bool completed) { (void)completed; }
    // The end of a dive: the end-of-level screen takes the results and is returned for the dive to
    // push; null when the game has none (the dive then goes back to the campaign itself).
    virtual ZGameState* PrepareEndOfLevel(const SDiveResult& result) { (void)result; return nullptr; }
    // The diver ran out of air (told as the end-of-level screen opens).
    virtual void OnDiverOutOfAir() {}
    virtual void ShowConfirmDialog(ZGameState* next) { (void)next; }

    // A short-lived effect made from the named particle template at a 2D position.
    virtual void SpawnParticleEffect(const char* name, const V3& position) { (void)name, (void)position; }
    // A particle template kept by the game object ("coin_particle_template", ...); null if absent.
    virtual ZNode* FindParticleTemplate(const char* name) { (void)name; return nullptr; }

    // Popup texts in the popup layer (parent null) or under a parent node.
    virtual void ShowPopupAt(const char* text, bool exclusive, double duration, ZNode* parent)
    {
        (void)text, (void)exclusive, (void)duration, (void)parent;
    }
    virtual void ShowPopup(const char* text, double duration, const V3& position)
    {
        (void)text, (void)duration, (void)position;
    }
    virtual void ShowExclusivePopup(const char* text, double duration, const V3& position)
    {
        (void)text, (void)duration, (void)position;
    }
    virtual void HidePopups() {}
    // The 2D group that popups and particle effects go into; null without a game object.
    virtual ZNode* GetPopupLayer() { return nullptr; }

    // Screen decoration shared by the screens.
    virtual void AttachSlideTransitions(ZGameState* state) { (void)state; }
    virtual ZHighlight2* CreateSmallHighlight(ZNode* target) { (void)target; return nullptr; }

    // The campaign's screens. Kind is "story", "map", "characters", "bonus" or "shop"; number picks
    // one of the bonus games or shops (0-based). Null when the game has no such screen (yet): the
    // campaign then looks the screen up by state name, and passes the entry when that fails too.
    virtual ZGameState* GetCampaignScreen(const char* kind, int number) { (void)kind, (void)number; return nullptr; }
    // What a campaign screen entry carries, handed over just before the screen is shown: the story
    // page to open, the hidden-object mission (empty: a random pick), the crew member's name and
    // the tip to show. Any text may be empty.
    virtual void PrepareCampaignScreen(const char* kind, int number, const char* story, const char* mission,
                                       const char* value, const char* tip)
    {
        (void)kind, (void)number, (void)story, (void)mission, (void)value, (void)tip;
    }
    // The campaign changed what the sea map shows: kMapReset (back at the start: the map forgets
    // its selection, path and sailing), kMapRefresh (progress moved outside play) or
    // kMapSelectLevel (the marker of level index `level`, 0-based, becomes the selected one).
    enum ECampaignMapChange
    {
        kMapReset,
        kMapRefresh,
        kMapSelectLevel
    };
    virtual void OnCampaignMapChange(ECampaignMapChange change, int level) { (void)change, (void)level; }
    // An item or upgrade (by key name) was unlocked: the map screen announces the new stock.
    virtual void ShowNewStock(const char* key) { (void)key; }

    // The item table and the inventory, for the bonus game's prizes (which cannot reach the dive):
    // an item's id by key name (-1 when unknown), its key name (null when unknown), its price (0
    // when unknown), a random item whose price fits the budget (-1 when none; its price in *price)
    // and `count` more of an item in the inventory, each one kept within the item's count range.
    virtual int FindItemId(const char* name) { (void)name; return -1; }
    virtual const char* GetItemName(int id) { (void)id; return nullptr; }
    virtual int GetItemPrice(int id) { (void)id; return 0; }
    virtual int PickAffordableItem(int budget, int* price)
    {
        (void)budget;
        if (price)
            *price = 0;
        return -1;
    }
    virtual void AddInventoryItems(int id, int count) { (void)id, (void)count; }

    // The bonus prize dialog over a bonus game: its start page (the level's intro) or its result
    // page (won or missed). False when there is no dialog: the bonus game then goes on by itself.
    // The dialog tells the prize's owner when its button is pressed, then closes.
    virtual bool ShowBonusPrize(IBonusPrize* prize, bool startPage, bool won)
    {
        (void)prize, (void)startPage, (void)won;
        return false;
    }
};

// What the bonus prize dialog shows of a bonus level and whom it tells about its button. Texts may
// be null.
class IBonusPrize
{
public:
    virtual ~IBonusPrize() = default;
    virtual const char* GetPrizeTitle() const = 0;
    virtual const char* GetPrizeIntro() const = 0;
    virtual const char* GetPrizeWonText() const = 0;
    virtual const char* GetPrizeMissedText() const = 0;
    // The prize item's id, -1 for treasure or none (with the tool belt only; drawn once per level).
    virtual int GetPrizeItem() = 0;
    // The count the dialog shows as "x %i" when the prize is won: the items paid with the tool
    // belt, else the treasure.
    virtual int GetPrizeCount() const = 0;
    // 0..2: which of the three bonus games (and of the dialog's portraits).
    virtual int GetPrizeLocation() const = 0;
    // The dialog's button was pressed on the start page (true) or on the result page (false). The
    // dialog then closes; after the result page it takes the bonus game off the stack too.
    virtual void OnPrizeDialogButton(bool startPage) = 0;
};

// Never null: the installed shell, or the default one that does nothing.
IGameShell* GetGameShell();
// Null restores the default shell. The shell is not owned.
void SetGameShell(IGameShell* shell);
