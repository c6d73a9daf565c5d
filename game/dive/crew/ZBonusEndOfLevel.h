#pragma once
// The bonus prize dialog "ZBonusEndOfLevel" (layout "resources:bonusendoflevel.xml"): pushed over the
// hidden-object bonus game before the search, to announce the level's prize (an item, or treasure
// for a player without the tool belt) with the portrait of the shopkeeper who offers it, and after
// the search, to show whether it was won. Its one button closes it (after the result, the bonus game
// as well). GrantPrize pays a prize into the player's profile.
#include <array>
#include <string>

#include "engine/app/ZGameState.h"
#include "engine/core/ZSingleton.h"
#include "engine/ui/ZButton2D.h"

class ZFontText;
class ZSprite;

// What a bonus level offers, as the bonus game fills it in.
struct SBonusPrize
{
    std::string title;
    std::string intro;
    std::string wonText;
    std::string missedText;
    // The item won (-1: the prize is treasure) and how many; treasure pays 100 per count to a
    // player without the tool belt, the count itself to one with it.
    int item = -1;
    int count = 1;
    // Whose prize it is: 0 to 2, the three shops' keepers.
    int shop = 0;
};

// Told when the dialog's button closes it: at the start page (the search begins) or the result.
class IBonusDialogListener
{
public:
    virtual ~IBonusDialogListener() = default;
    virtual void OnBonusDialogClosed(bool atStart) { (void)atStart; }
};

class ZBonusEndOfLevel : public ZGameState, public IButtonListener, public ZSingleton<ZBonusEndOfLevel>
{
    QV_TYPE_RECORD(ZBonusEndOfLevel, &ZGameState::kTypeRecord)

public:
    ZBonusEndOfLevel();
    ~ZBonusEndOfLevel() override;

    const char* GetName() const override { return "ZBonusEndOfLevel"; }
    int Build() override;

    void SetPrize(const SBonusPrize& prize) { m_prize = prize; }
    const SBonusPrize& GetPrize() const { return m_prize; }
    void SetListener(IBonusDialogListener* listener) { m_listener = listener; }
    // Shows exactly the portrait of that shop (0..2).
    void ShowPortrait(int index);
    // The page before the search: "button.start", the title, the introduction and the prize.
    void ShowStart();
    // The page after it: "button.continue", the won or missed text and the prize (count 0 if missed).
    void ShowResult(bool won);
    // Pays the prize into the profile: one more of the item per count (tool belt on and an item
    // prize), else the treasure; counts and treasure stay within their settings' ranges.
    static void GrantPrize(const SBonusPrize& prize);
    // The count the prize shows: 100 x the count without the tool belt.
    static int PrizeCount(const SBonusPrize& prize);

    // IButtonListener: closes the dialog (at the result, the bonus game below it too).
    void OnClicked(ZButton2D* button) override;

    bool IsBeforeSearch() const { return m_beforeSearch; }
    ZButton2D* GetButton() const { return m_button; }
    ZSprite* GetItemSprite() const { return m_item; }
    ZNode* GetPortrait(int i) const { return i >= 0 && i < 3 ? m_portraits[size_t(i)] : nullptr; }
    std::string GetText(const char* path) const;

private:
    void ShowPrizeItem();
    void SetText(const char* path, const char* text);

    SBonusPrize m_prize;
    IBonusDialogListener* m_listener = nullptr;
    ZButton2D* m_button = nullptr;
    ZSprite* m_item = nullptr;
    std::array<ZNode*, 3> m_portraits{};
    bool m_beforeSearch = true;
};
