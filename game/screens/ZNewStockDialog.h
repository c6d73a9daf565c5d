#pragma once
// The new-stock dialog "ZNewStockDialog" (layout "resources:bigdialog.xml"): when an item or
// upgrade is unlocked it announces that one of the three shops now sells it, with the item's
// icon, name and description and the picture of that shop. It grows out of the map's button of
// that shop and shrinks back into it when the player presses OK. Items no shop sells (the two
// treasure boosts) are never announced, and each item is announced once: unlocks the player's
// profile already had when it was loaded are not news.
#include <deque>
#include <set>
#include <string>

#include "engine/app/ZGameState.h"
#include "engine/core/ZSingleton.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/ui/ZButton2D.h"

class ZFontText;
class ZScaleInto;
class ZScaleOutFrom;
class ZSound;
class ZSprite2D;

class ZNewStockDialog : public ZGameState,
                        public ZSingleton<ZNewStockDialog>,
                        public IButtonListener,
                        public ZProfileListener
{
    QV_TYPE_RECORD(ZNewStockDialog, &ZGameState::kTypeRecord)

public:
    static constexpr int kShopCount = 3;
    static constexpr int kItemCount = 28;
    // Which shop sells each item, by item id; -1: none.
    static constexpr int kShopOfItem[kItemCount] = {0, 1, 0, 0, 1, 1,  0,  1, 0, 1, 0, 0, 2, 1,
                                                    2, 1, 1, 0, 0, -1, -1, 1, 2, 0, 1, 2, 2, 2};

    ZNewStockDialog();
    ~ZNewStockDialog() override;

    const char* GetName() const override { return "ZNewStockDialog"; }
    int Build() override;
    void OnEnter() override;
    void OnClicked(ZButton2D* button) override;
    int OnProfileLoaded() override;

    // The shop (0..2) that sells the item or upgrade of that key; -1 for none or an unknown key.
    static int ShopOf(const char* key);
    // Fills the dialog for the item: name, description, icon, the shop's picture and the line that
    // names the shop. False (nothing changed) for an item no shop sells.
    bool Fill(const char* key);
    // Only the picture of that shop; the dialog grows from and shrinks into its map button.
    void ShowShop(int shop);
    // An unlock to announce: shown now, or after the one on screen. False when it is no news (no
    // shop sells it, or it was announced or owned before).
    bool Announce(const char* key);

    const std::string& GetKey() const { return m_key; }
    int GetShop() const { return m_shop; }
    size_t GetQueued() const { return m_queue.size(); }
    ZFontText* GetTextNode(const char* name) const;
    int GetAlertSounds() const { return m_alerts; }

private:
    // Every key whose unlock setting is already on counts as announced.
    void RememberUnlocked();
    void Show();

    ZButton2D* m_ok = nullptr;
    ZFontText* m_title = nullptr;
    ZFontText* m_name = nullptr;
    ZFontText* m_body = nullptr;
    ZFontText* m_description = nullptr;
    ZSprite2D* m_icon = nullptr;
    ZNode* m_shopPictures[kShopCount] = {};
    ZScaleOutFrom* m_appear = nullptr;
    ZScaleInto* m_disappear = nullptr;
    ZSound* m_alert = nullptr;
    std::string m_key;
    int m_shop = -1;
    int m_alerts = 0;
    std::set<std::string> m_announced;
    std::deque<std::string> m_queue;
    bool m_listening = false;
};
