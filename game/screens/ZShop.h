#pragma once
// The shops: three instances of one screen (shop ids 0..2, layouts "resources:shop1.xml" ..
// "resources:shop3.xml" over the shared "resources:shopui.xml") in which the player spends the
// treasure (`profile.treasure`) on items for the inventory and on upgrades. Each item is a
// ZShopButton ("shopbutton" in the layouts) named by its item or upgrade key; it shows, enables
// and signs itself (sold out, coming soon, new stock) from the level it needs, its unlock setting
// and the upgrade step the player owns. Buying asks for confirmation; a purchase adds to the
// inventory count or sets the upgrade setting, takes the price and is saved with the profile when
// the player leaves. Sources:
//   ZShop.cpp        the screen: loading, the visit, hovering, buying, the statistics record
//   ZShopButton.cpp  the item button
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/app/ZGameState.h"
#include "engine/app/ZInput.h"
#include "engine/core/ZProperty.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/ui/ZButton2D.h"

class ZBlink;
class ZFontText;
class ZPulsateController;
class ZShop;
class ZSound;
class ZSprite2D;
class ZTextureResource;

class ZShopButton : public ZButton2D, public IPropertyListener
{
    QV_TYPE_RECORD(ZShopButton, &ZButton2D::kTypeRecord)

public:
    // Where the sign sits on the button: in front of the pictures, and for the new-stock sign
    // moved to the top right corner.
    static constexpr float kIconDepth = -20.0f;
    static constexpr float kNewOffsetX = 17.0f;
    static constexpr float kNewOffsetY = 14.0f;
    static constexpr float kDisabledPictureAlpha = 0.45f;
    static constexpr float kSignSize = 30.0f;
    static constexpr float kSignOffset = 17.0f;
    // Sold out and coming soon drop only this far below the frame's middle, so the price printed
    // under the frame stays readable.
    static constexpr float kSignDrop = 6.0f;

    ZShopButton();
    ~ZShopButton() override;
    static ZShopButton* Create() { return new ZShopButton(); }
    ZSerializerBase* GetSerializer() const override;
    // "upgrade" (the int setting holding the step owned), "value" (the step sold), "price".
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    // Required level, item id and unlock setting from the button's name.
    void OnLoaded() override;

    // Shown, enabled, signed and explained from the level, the unlock setting, the upgrade owned,
    // `cheats.unlockall` and relaxed play.
    void UpdateState();
    // Null: the sign goes (unless the item is new, which shows the new-stock sign). A texture:
    // that sign on the button, moved to the corner with `offset`.
    void ShowIcon(ZTextureResource* texture, bool offset);
    void OnPropertyChanged(ZProperty* property) override;

    // What the shop fills in when it loads.
    void SetShop(ZShop* shop) { m_shop = shop; }
    ZShop* GetShop() const { return m_shop; }
    const std::string& GetItemId() const { return m_itemId; }
    void SetItemId(const char* id) { m_itemId = id ? id : ""; }
    int GetValue() const { return m_value; }
    ZPropertyInt* GetUpgradeSetting() const { return LiveUpgrade(); }
    ZPropertyBool* GetUnlockSetting() const { return m_unlock; }
    const char* GetReasonText() const { return m_reason; }
    int GetRequiredLevel() const { return m_requiredLevel; }
    const std::string& GetPriceAttribute() const { return m_priceAttribute; }
    int GetAbilityId() const { return m_abilityId; }
    ZSprite2D* GetIcon() const { return m_icon; }
    bool IsMarkedUnlocked() const { return m_markedUnlocked; }

    std::string name;
    std::string description;
    // -1: not for sale (the price text is missing or no positive decimal number).
    int price = -1;
    int shopId = 0;
    ZFontText* priceText = nullptr;
    // The item id in the ability manager, -1 for an upgrade.
    int itemIndex = -1;
    bool promptDisabled = false;
    // Unlocked since the player last saw the shop: shows the new-stock sign.
    bool isNew = false;

    // Stops listening to every setting (the shop does it while they all still exist).
    void Detach();
    // Enabled, shown and for sale.
    bool IsAvailable() const;
    // The new flag and the new-stock sign cleared.
    void ClearNew();

private:
    void BindUpgrade(const char* name);
    // The kept settings while they still exist.
    ZPropertyInt* LiveUpgrade() const;
    ZPropertyBool* LiveUnlock() const;
    void MarkUnlocked();

    int32_t m_value = 0;
    ZPropertyInt* m_upgrade = nullptr;
    ZPropertyBool* m_unlock = nullptr;
    std::string m_upgradeName;
    std::string m_unlockName;
    const char* m_reason = nullptr;
    std::string m_itemId;
    int32_t m_requiredLevel = -1;
    std::string m_priceAttribute;
    int32_t m_abilityId = -1;
    ZSprite2D* m_icon = nullptr;
    ZShop* m_shop = nullptr;
    ZPulsateController* m_pulse = nullptr;
    bool m_markedUnlocked = false;
    bool m_listensToLevel = false;
};

class ZShop : public ZGameState,
              public IButtonListener,
              public IPropertyListener,
              public ZProfileListener,
              public IInputKeyboardListener
{
    QV_TYPE_RECORD(ZShop, &ZGameState::kTypeRecord)

public:
    static constexpr int kShopCount = 3;
    static constexpr int kItemCount = 28;
    static constexpr double kBlinkInterval = 0.18;
    static constexpr double kBlinkTime = 1.5;
    static constexpr double kTipDelay = 1.0;
    static constexpr float kTipSeconds = 3.0f;
    // The highest price a shop takes: the treasure's own limit.
    static constexpr int kMaxPrice = 2000000000;

    // A shop with its id (0..2) and layout file ("resources:shop%i.xml" with i = id + 1).
    static ZShop* Create(const char* layout, int id);
    ~ZShop() override;

    const char* GetName() const override { return m_stateName.c_str(); }
    int Build() override;
    void OnEnter() override;
    void Update(double dt) override;
    void OnLeave() override;
    // The bell rings once the shop is the current state.
    void OnGainFocus() override;
    // Off the stack: the map's new-stock badge of this shop and every item's new flag go.
    void OnRemoved() override;

    void OnMouseOver(ZButton2D* button) override;
    void OnMouseOut(ZButton2D* button) override;
    void OnClicked(ZButton2D* button) override;
    void OnPropertyChanged(ZProperty* property) override;
    int OnProfileLoaded() override;
    int OnProfileSaved() override;
    void OnKey(uint32_t scanCode, int32_t character) override;

    // A price text as the shops read it: decimal digits only, 1 .. kMaxPrice; else -1.
    static int ParsePrice(const char* text);
    // An inventory item whose count is at its setting's maximum: buying it would add nothing.
    static bool IsStockFull(const ZShopButton* item);

    int GetId() const { return m_id; }
    const std::string& GetLayout() const { return m_layout; }
    // The campaign's tip, shown a second after entering.
    void SetPendingTip(const char* tip) { m_pendingTip = tip ? tip : ""; }
    const std::string& GetPendingTip() const { return m_pendingTip; }
    bool IsPromptOpen() const { return m_promptOpen; }
    ZShopButton* FindItem(const char* id) const;
    const std::vector<ZShopButton*>& GetItems() const { return m_items; }
    ZButton2D* GetButton(const char* name) const;
    ZFontText* GetText(const char* name) const;
    ZNode* GetPrompt() const { return m_prompt; }
    bool IsCashBlinking() const { return m_blinkStart > -1e37; }
    int GetBoughtCount(int item) const { return item >= 0 && item < kItemCount ? m_bought[size_t(item)] : 0; }
    const std::vector<std::string>& GetUpgradesBought() const { return m_upgradesBought; }
    // How often each shop sound was asked for (kept for the statistics and the tests).
    int GetBuySounds() const { return m_buySounds; }
    int GetNoBuySounds() const { return m_noBuySounds; }
    int GetBellSounds() const { return m_bellSounds; }
    ZTextureResource* GetSignTexture(int sign) const;
    enum ESign
    {
        kSoldOut = 0,
        kComingSoon = 1,
        kNewStock = 2
    };

private:
    ZShop(const char* layout, int id);
    void OpenPrompt();
    void ClosePrompt();
    void Buy();
    void ResetInfo();
    void SetCashText();
    void ShowNode(ZNode* node, bool shown);
    void Play(ZSound* sound, int& counter);
    void WriteStatistics();
    void ClearNewFlags();

    int m_id = 0;
    std::string m_layout;
    std::string m_stateName;
    ZSound* m_bell = nullptr;
    ZShopButton* m_hovered = nullptr;
    ZShopButton* m_selected = nullptr;
    ZBlink* m_cashBlink = nullptr;
    double m_blinkStart = -1e38;
    ZNode* m_prompt = nullptr;
    ZFontText* m_promptText = nullptr;
    ZNode* m_itemsNode = nullptr;
    ZFontText* m_name = nullptr;
    ZFontText* m_description = nullptr;
    ZFontText* m_maxCount = nullptr;
    ZFontText* m_maxText = nullptr;
    ZFontText* m_cash = nullptr;
    ZButton2D* m_yes = nullptr;
    ZButton2D* m_no = nullptr;
    ZButton2D* m_finish = nullptr;
    ZButton2D* m_inventory = nullptr;
    std::array<ZTextureResource*, 3> m_signs{};
    std::vector<ZShopButton*> m_items;
    bool m_reenableItems = false;
    bool m_promptOpen = false;
    bool m_bellDue = false;
    bool m_listening = false;
    double m_enterTime = 0.0;
    int m_enterTreasure = 0;
    uint32_t m_enterFrame = 0;
    std::array<int, kItemCount> m_bought{};
    std::vector<std::string> m_upgradesBought;
    std::string m_pendingTip;
    int m_buySounds = 0;
    int m_noBuySounds = 0;
    int m_bellSounds = 0;
};
