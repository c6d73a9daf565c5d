// The shops and the new-stock dialog on the real state stack with the game's own layouts, driven
// by the pointer and the keyboard: buying with and without the treasure to pay, the prompt that
// holds everything else, upgrades and their signs, the purchase saved with the profile and read
// back, prices that are missing or no numbers, and new stock announced once, only for items a
// shop sells.
#include <gtest/gtest.h>

#include <string>

#include "engine/core/ZPropertyManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZSprite2D.h"
#include "game/common/ZShellSettings.h"
#include "game/screens/ZNewStockDialog.h"
#include "game/screens/ZShop.h"
#include "tests/dive/crew/CrewTestSupport.h"

namespace
{
// The shell the screens below reach: new stock goes to the dialog, as the game object does it.
class ShopShell : public crewtest::CrewShell
{
public:
    void ShowNewStock(const char* key) override
    {
        newStock.push_back(key ? key : "");
        if (ZNewStockDialog* dialog = ZNewStockDialog::PeekInstance())
            dialog->Announce(key);
    }
};

ZPropertyInt* IntSetting(const char* name)
{
    return ZPropertyManager::GetInstance()->FindTyped<int32_t>(name);
}

ZPropertyBool* BoolSetting(const char* name)
{
    return ZPropertyManager::GetInstance()->FindTyped<bool>(name);
}

class ShopTest : public crewtest::CrewScreenTest
{
protected:
    void SetUp() override
    {
        CrewScreenTest::SetUp();
        SetGameShell(&shopShell);
        ZStringTable* strings = ZStringTable::GetInstance();
        for (const auto& [key, text] :
             {std::pair{"breaktile.price", "150"}, std::pair{"breakrow.price", "450"},
              std::pair{"swap.price", "150"}, std::pair{"breakmetal.price", "350"},
              std::pair{"chest2.price", "800"}, std::pair{"chest3.price", "1600"},
              std::pair{"chest4.price", "3200"}, std::pair{"breaktile.name", "Shell Cracker"},
              std::pair{"breaktile.description", "Breaks one tile."},
              std::pair{"shop.areyousure", "Buy this for $%i?"},
              std::pair{"shop.havealook", "Have a look around!"},
              std::pair{"shop.needsmaller", "You need the smaller one first."},
              std::pair{"shop.alreadyown", "You already own this."},
              std::pair{"shop.unlock", "New stock at %s!"}, std::pair{"shop.shop0", "the Harbour Shop"},
              std::pair{"shop.shop2", "the Deep Bazaar"}, std::pair{"airless.name", "Better Lungs"}})
            strings->Add(key, text, std::string(text).size());
        g_profileTreasure.Reset(false);
        BoolSetting("zelk.tip.equip")->Reset(false);
        for (const char* key : {"breaktile", "breakrow", "swap", "chest2", "chest3", "chest4"})
            Unlock(key);
        IntSetting("profile.chest")->SetValue(0);
        shop = Own(ZShop::Create("resources:shop1.xml", 0));
    }
    void TearDown() override
    {
        // The stack goes before the dialog it may still hold.
        game.reset();
        ZNewStockDialog::DestroyInstance();
        for (ZGroup* root : dialogRoots)
            root->Release();
        g_profileTreasure.Reset(false);
        BoolSetting("zelk.tip.equip")->Reset(false);
        IntSetting("profile.chest")->Reset(false);
        for (int id = 0; id < ZAbilityManager::kItemCount; ++id)
            if (ZPropertyBool* unlock = abilities->GetUnlockSetting(id))
                unlock->Reset(false);
        for (int row = 0; row < ZAbilityManager::kUpgradeCount; ++row)
            abilities->GetUpgradeUnlockSetting(row)->Reset(false);
        CrewScreenTest::TearDown();
    }
    void Unlock(const char* key)
    {
        char name[64];
        std::snprintf(name, sizeof name, "unlock.%s", key);
        BoolSetting(name)->SetValue(true);
    }
    ZShopButton* Item(const char* key)
    {
        ZShopButton* item = shop->FindItem(key);
        EXPECT_NE(item, nullptr) << key;
        return item;
    }
    void Click(ZNode* node)
    {
        ASSERT_NE(node, nullptr);
        const V2 c = CentreOf(node);
        ClickAt(c.x, c.y);
        Frames(2);
    }
    void Hover(ZNode* node)
    {
        const V2 c = CentreOf(node);
        MoveToLogical(c.x, c.y);
        Frames(2);
    }
    std::string Text(const char* name) { return shop->GetText(name) ? shop->GetText(name)->GetText() : "?"; }
    ZNewStockDialog* MakeDialog()
    {
        ZNewStockDialog* dialog = ZNewStockDialog::GetInstance();
        dialogRoots.push_back(dialog->GetRoot());
        EXPECT_EQ(dialog->Load(), 0);
        return dialog;
    }

    ShopShell shopShell;
    ZShop* shop = nullptr;
    std::vector<ZGroup*> dialogRoots;
};

TEST_F(ShopTest, BuyingWithJustEnoughTreasureFillsTheInventoryAndIsSavedWithTheProfile)
{
    g_profileTreasure.SetValue(150);
    Go(shop);
    ASSERT_EQ(Top(), shop);
    EXPECT_EQ(Text("cash"), "$150");
    EXPECT_EQ(Text("name"), "Have a look around!");
    EXPECT_EQ(shop->GetBellSounds(), 1);
    ZShopButton* tile = Item("breaktile");
    ASSERT_TRUE(tile->IsAvailable());
    EXPECT_EQ(tile->price, 150);
    ASSERT_NE(tile->priceText, nullptr);
    EXPECT_EQ(tile->priceText->GetText(), "$150");

    // Pointing at it tells what it is and how many a belt slot holds.
    Hover(tile);
    EXPECT_EQ(Text("name"), "Shell Cracker");
    EXPECT_EQ(Text("description"), "Breaks one tile.");
    EXPECT_EQ(Text("max_count"), std::to_string(ZAbilityManager::GetItemCap(0)));
    EXPECT_FALSE(shop->GetText("max_count")->IsHidden());

    Click(tile);
    ASSERT_TRUE(shop->IsPromptOpen());
    EXPECT_FALSE(shop->GetPrompt()->IsHidden());
    EXPECT_EQ(shop->GetText("text")->GetText(), "Buy this for $150?");
    Click(shop->GetButton("button_yes"));
    EXPECT_FALSE(shop->IsPromptOpen());
    EXPECT_EQ(inventory->GetCount(0), 1);
    EXPECT_EQ(g_profileTreasure.GetValue(), 0);
    EXPECT_EQ(Text("cash"), "$0");
    EXPECT_EQ(shop->GetBuySounds(), 1);
    EXPECT_EQ(shop->GetBoughtCount(0), 1);
    // The first purchase teaches where the item went.
    EXPECT_TRUE(BoolSetting("zelk.tip.equip")->GetValue());

    // Leaving saves the profile; a changed game state is put back from it.
    Frames(2);
    Click(shop->GetButton("button_finish"));
    Frames(20);
    EXPECT_EQ(Top(), &screen);
    inventory->SetCount(0, 7);
    g_profileTreasure.SetValue(999);
    profiles->LoadProfile();
    EXPECT_EQ(inventory->GetCount(0), 1);
    EXPECT_EQ(g_profileTreasure.GetValue(), 0);
}

TEST_F(ShopTest, WithoutEnoughTreasureTheCashBlinksAndNothingIsBought)
{
    g_profileTreasure.SetValue(149);
    Go(shop);
    Click(Item("breaktile"));
    EXPECT_FALSE(shop->IsPromptOpen());
    EXPECT_EQ(shop->GetNoBuySounds(), 1);
    EXPECT_TRUE(shop->IsCashBlinking());
    EXPECT_EQ(g_profileTreasure.GetValue(), 149);
    EXPECT_EQ(inventory->GetCount(0), 0);
    Frames(85);
    EXPECT_FALSE(shop->IsCashBlinking());
    EXPECT_FALSE(shop->GetText("cash")->IsHidden());
}

TEST_F(ShopTest, WhileThePromptIsOpenOnlyYesNoAndTheirKeysAct)
{
    g_profileTreasure.SetValue(1000);
    Go(shop);
    Click(Item("breaktile"));
    ASSERT_TRUE(shop->IsPromptOpen());
    // Another item, the finish button: ignored.
    Hover(Item("swap"));
    EXPECT_EQ(Text("name"), "Shell Cracker");
    Click(shop->GetButton("button_finish"));
    EXPECT_EQ(Top(), shop);
    EXPECT_TRUE(shop->IsPromptOpen());
    Key('n');
    Frames(2);
    EXPECT_FALSE(shop->IsPromptOpen());
    EXPECT_EQ(g_profileTreasure.GetValue(), 1000);
    // Open again and buy with the key.
    Click(Item("breaktile"));
    ASSERT_TRUE(shop->IsPromptOpen());
    Key('y');
    Frames(2);
    EXPECT_EQ(inventory->GetCount(0), 1);
    EXPECT_EQ(g_profileTreasure.GetValue(), 850);
    // A full stock is sold out: no charge.
    inventory->SetCount(0, ZInventory::kMaxCount);
    Click(Item("breaktile"));
    EXPECT_FALSE(shop->IsPromptOpen());
    EXPECT_EQ(g_profileTreasure.GetValue(), 850);
    EXPECT_EQ(inventory->GetCount(0), ZInventory::kMaxCount);
}

TEST_F(ShopTest, UpgradesAreSoldStepByStepWithTheirSigns)
{
    g_profileTreasure.SetValue(5000);
    Go(shop);
    ZShopButton* chest2 = Item("chest2");
    ZShopButton* chest3 = Item("chest3");
    ZShopButton* chest4 = Item("chest4");
    EXPECT_TRUE(chest2->IsAvailable());
    EXPECT_FALSE(chest3->IsAvailable());
    EXPECT_STREQ(chest3->GetReasonText(), "You need the smaller one first.");
    ASSERT_NE(shop->GetSignTexture(ZShop::kComingSoon), nullptr);
    EXPECT_EQ(chest3->GetIcon()->GetTexture(), shop->GetSignTexture(ZShop::kComingSoon));
    EXPECT_FALSE(chest3->GetIcon()->IsHidden());
    // The reason shows in place of the description.
    Hover(chest3);
    EXPECT_EQ(Text("description"), "You need the smaller one first.");
    EXPECT_TRUE(shop->GetText("max_count")->IsHidden());

    Click(chest2);
    Click(shop->GetButton("button_yes"));
    EXPECT_EQ(IntSetting("profile.chest")->GetValue(), 1);
    EXPECT_EQ(g_profileTreasure.GetValue(), 4200);
    ASSERT_EQ(shop->GetUpgradesBought().size(), 1u);
    EXPECT_EQ(shop->GetUpgradesBought()[0], "chest2");
    // Sold out now; the next step is for sale, the one after still waits. Upgrades fill no belt.
    EXPECT_FALSE(chest2->IsAvailable());
    EXPECT_STREQ(chest2->GetReasonText(), "You already own this.");
    EXPECT_EQ(chest2->GetIcon()->GetTexture(), shop->GetSignTexture(ZShop::kSoldOut));
    EXPECT_TRUE(chest3->IsAvailable());
    EXPECT_FALSE(chest4->IsAvailable());
    EXPECT_FALSE(BoolSetting("zelk.tip.equip")->GetValue());
    Frames(2);
    Click(chest2);
    EXPECT_FALSE(shop->IsPromptOpen());
}

TEST_F(ShopTest, PricesMissingOrNotNumbersAreNotForSale)
{
    struct Case
    {
        const char* text;
        int price;
    };
    for (const Case& c : {Case{"150", 150}, Case{"", -1}, Case{"abc", -1}, Case{"-5", -1}, Case{"12x", -1},
                          Case{"1 5", -1}, Case{"0", -1}, Case{"99999999999", -1}, Case{"2000000001", -1},
                          Case{"2000000000", 2000000000}, Case{"%n%s", -1}})
        EXPECT_EQ(ZShop::ParsePrice(c.text), c.price) << "\"" << c.text << "\"";
    EXPECT_EQ(ZShop::ParsePrice(nullptr), -1);

    // In the shop: a hostile price hides the item, a missing one too; the rest goes on.
    ZStringTable* strings = ZStringTable::GetInstance();
    strings->Add("breakrow.price", "%n%n%s", 6);
    strings->Add("swap.price", "lots", 4);
    g_profileTreasure.SetValue(10000);
    Go(shop);
    for (const char* key : {"breakrow", "swap"})
    {
        ZShopButton* item = Item(key);
        EXPECT_EQ(item->price, -1) << key;
        EXPECT_FALSE(item->IsAvailable()) << key;
        EXPECT_TRUE(item->IsHidden()) << key;
        Click(item);
        EXPECT_FALSE(shop->IsPromptOpen()) << key;
    }
    EXPECT_EQ(g_profileTreasure.GetValue(), 10000);
    EXPECT_TRUE(Item("breaktile")->IsAvailable());
}

TEST_F(ShopTest, NewStockIsAnnouncedOnceAndOnlyForItemsAShopSells)
{
    ZNewStockDialog* dialog = MakeDialog();
    EXPECT_EQ(ZNewStockDialog::ShopOf("breaktile"), 0);
    EXPECT_EQ(ZNewStockDialog::ShopOf("noair"), 2);
    EXPECT_EQ(ZNewStockDialog::ShopOf("airless"), 2);
    EXPECT_EQ(ZNewStockDialog::ShopOf("chest2"), 0);
    EXPECT_EQ(ZNewStockDialog::ShopOf("treasureboost"), -1);
    EXPECT_EQ(ZNewStockDialog::ShopOf("nosuchthing"), -1);

    // Unlocked before the dialog knew (the profile had it): no news.
    EXPECT_FALSE(dialog->Announce("breaktile"));
    // A treasure boost is sold nowhere: never announced.
    Unlock("treasureboost");
    Frames(3);
    EXPECT_EQ(Top(), &screen);

    // An item of the third shop: only its picture, its name in the line.
    Unlock("noair");
    Frames(40);
    ASSERT_EQ(Top(), dialog);
    EXPECT_EQ(dialog->GetShop(), 2);
    EXPECT_EQ(dialog->GetAlertSounds(), 1);
    EXPECT_EQ(dialog->GetTextNode("body")->GetText(), "New stock at the Deep Bazaar!");
    ZNode* root = dialog->GetRoot();
    EXPECT_FALSE(root->FindNodeAnywhere("shop0")->IsActive());
    EXPECT_FALSE(root->FindNodeAnywhere("shop1")->IsActive());
    EXPECT_TRUE(root->FindNodeAnywhere("shop2")->IsActive());
    auto* icon = ZEntityCast<ZSprite2D>(root->FindNodeAnywhere("icon_pos"));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->GetTexture(), abilities->GetPowerIcon(ZAbilityManager::FindAbilityId("noair")));

    // A second unlock while it shows waits its turn: an upgrade, its shop from the upgrade table.
    Unlock("airless");
    EXPECT_EQ(dialog->GetQueued(), 1u);
    Click(root->FindNodeAnywhere("button_ok"));
    Frames(5);
    ASSERT_EQ(Top(), dialog);
    EXPECT_EQ(dialog->GetKey(), "airless");
    EXPECT_EQ(dialog->GetTextNode("name")->GetText(), "Better Lungs");
    EXPECT_EQ(icon->GetTexture(), abilities->FindUpgradeByName("airless")->icon);
    Click(root->FindNodeAnywhere("button_ok"));
    Frames(40);
    EXPECT_EQ(Top(), &screen);

    // The same unlock again (a campaign entry setting it once more) is no news.
    Unlock("noair");
    Frames(5);
    EXPECT_EQ(Top(), &screen);
    EXPECT_EQ(dialog->GetAlertSounds(), 2);
}

TEST_F(ShopTest, AnItemUnlockedWhileTheShopIsClosedWearsTheNewSignUntilTheShopIsLeft)
{
    g_profileTreasure.SetValue(1000);
    ASSERT_EQ(shop->Load(), 0);
    ZShopButton* metal = Item("breakmetal");
    EXPECT_TRUE(metal->IsHidden());
    Unlock("breakmetal");
    EXPECT_TRUE(metal->isNew);
    Go(shop);
    EXPECT_FALSE(metal->IsHidden());
    EXPECT_EQ(metal->GetIcon()->GetTexture(), shop->GetSignTexture(ZShop::kNewStock));
    EXPECT_FALSE(metal->GetIcon()->IsHidden());
    Click(shop->GetButton("button_finish"));
    Frames(30);
    EXPECT_FALSE(metal->isNew);
    EXPECT_TRUE(metal->GetIcon()->IsHidden());
}
} // namespace
