// The shops inside the whole game: the start-up loader makes the three shops and the new-stock
// dialog, the campaign gets them (and hands over its tip) through the game object, a shop plays
// its own music, a purchase made with the pointer lands in the inventory, and the game object
// announces new stock only for items a shop sells. The item services the bonus game asks of the
// game object answer from the item table.
#include <gtest/gtest.h>

#include "engine/audio/ZPlayList.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/resource/ZStringTable.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/ZShellSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZInventory.h"
#include "game/screens/ZNewStockDialog.h"
#include "game/screens/ZShop.h"
#include "game/shell/ZQuorvane.h"
#include "tests/shell/ShellTestSupport.h"

namespace
{
class ShopGameTest : public shelltest::ShellTest
{
protected:
    void TearDown() override
    {
        g_profileTreasure.Reset(false);
        ShellTest::TearDown();
    }
    void ClickOn(ZNode* node)
    {
        ASSERT_NE(node, nullptr);
        V3 p{};
        if (auto* geom = ZEntityCast<ZGeom>(node))
            geom->LocalToWorld(p);
        MoveToLogical(p.x, p.y);
        Press();
        Release();
        Frames(3);
    }
};

TEST_F(ShopGameTest, TheGameMakesTheShopsAndABuyWithThePointerFillsTheInventory)
{
    MakePlayer("Ann");
    // The game's own texts, prices among them, as the engine reads them before the game starts.
    if (IFile* file = ZFileSystem::GetInstance()->Open("localized:strings.xml", FILE_READ))
    {
        if (file->Open() == 0)
        {
            ZStringTable::GetInstance()->LoadXml(file);
            file->Close();
        }
        delete file;
    }
    StartGame();
    Frames(40);
    const std::vector<int>& skipped = quorvane->GetSkippedSteps();
    for (int step : {14, 26})
        EXPECT_EQ(std::find(skipped.begin(), skipped.end(), step), skipped.end()) << step;
    for (int i = 0; i < 3; ++i)
    {
        ZShop* shop = quorvane->GetShop(i);
        ASSERT_NE(shop, nullptr);
        EXPECT_TRUE(shop->TestFlags(kStateLoaded)) << i;
        EXPECT_EQ(quorvane->GetCampaignScreen("shop", i), shop);
        EXPECT_FALSE(shop->GetItems().empty()) << i;
        // Every item of the game's own stock has a price.
        for (ZShopButton* item : shop->GetItems())
            EXPECT_GT(item->price, 0) << item->GetItemId();
    }
    EXPECT_EQ(quorvane->GetCampaignScreen("shop", 3), nullptr);
    EXPECT_EQ(quorvane->GetCampaignScreen("shop", -1), nullptr);
    ASSERT_NE(quorvane->GetNewStockDialog(), nullptr);
    EXPECT_TRUE(quorvane->GetNewStockDialog()->TestFlags(kStateLoaded));

    // The item services.
    const int swap = quorvane->FindItemId("swap");
    EXPECT_GE(swap, 0);
    EXPECT_STREQ(quorvane->GetItemName(swap), "swap");
    EXPECT_EQ(quorvane->GetItemPrice(swap), 150);
    EXPECT_EQ(quorvane->FindItemId("nosuchitem"), -1);
    int price = -1;
    const int pick = quorvane->PickAffordableItem(400, &price);
    ASSERT_GE(pick, 0);
    EXPECT_GT(price, 0);
    EXPECT_LE(price, 400);
    EXPECT_EQ(quorvane->GetItemPrice(pick), price);
    quorvane->AddInventoryItems(swap, 3);
    EXPECT_EQ(ZInventory::GetInstance()->GetCount(swap), 3);

    // The campaign opens the first shop with its tip.
    ZShop* shop = quorvane->GetShop(0);
    quorvane->PrepareCampaignScreen("shop", 0, "", "", "", "shopstock");
    EXPECT_EQ(shop->GetPendingTip(), "shopstock");
    // New stock is told over the sea chart only: over another screen the dialog would take the
    // campaign's next screen off the stack.
    ZPropertyManager::GetInstance()->FindTyped<bool>("unlock.breaktile")->SetValue(true);
    Frames(40);
    EXPECT_NE(Top(), quorvane->GetNewStockDialog());
    ZGame::GotoState(quorvane->GetMapScreen());
    Frames(40);
    ASSERT_EQ(Top(), quorvane->GetMapScreen());
    ZPropertyManager::GetInstance()->FindTyped<bool>("profile.toolbelt")->SetValue(true);
    ZPropertyManager::GetInstance()->FindTyped<bool>("unlock.breakrow")->SetValue(true);
    Frames(40);
    ASSERT_EQ(Top(), quorvane->GetNewStockDialog());
    ClickOn(quorvane->GetNewStockDialog()->GetRoot()->FindNodeAnywhere("button_ok"));
    Frames(40);
    g_profileTreasure.SetValue(400);
    ZGame::GotoState(shop);
    // The tip opens a second after the shop does.
    Frames(70);
    ASSERT_EQ(Top(), shop);
    EXPECT_TRUE(shop->GetPendingTip().empty());
    // Its own music.
    ZPlayList* music = quorvane->FindPlayList("shop1");
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(audio->playing.GetListId(), music->GetListId());
    // The campaign's tip is read; a click on it would only close it.
    ZToolTipManager::GetInstance()->HideNow();
    Frames(5);
    ClickOn(shop->FindItem("breaktile"));
    ASSERT_TRUE(shop->IsPromptOpen());
    ClickOn(shop->GetButton("button_yes"));
    EXPECT_EQ(ZInventory::GetInstance()->GetCount(ZAbilityManager::FindAbilityId("breaktile")), 1);
    EXPECT_EQ(g_profileTreasure.GetValue(), 250);

    // Treasure boosts are sold nowhere: the game object announces nothing.
    ClickOn(shop->GetButton("button_finish"));
    Frames(40);
    ZGameState* before = Top();
    quorvane->ShowNewStock("treasureboost");
    quorvane->ShowNewStock(nullptr);
    Frames(10);
    EXPECT_EQ(Top(), before);
}
} // namespace
