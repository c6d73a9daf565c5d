// The inventory: count settings under their full names, saved and loaded with the player's
// profile with the unlock flags, bad profile values clamped or ignored with a log line, and the
// tool-belt rules (validation, the random pick, the first slot that comes with the belt).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "../abilities/AbilityTestSupport.h"
#include "engine/resource/ZProfileManager.h"
#include "support/TestFiles.h"

using abilitytest::AbilityFixture;
using abilitytest::NumSlots;
using abilitytest::Slot;

namespace
{
constexpr int kSwap = 3, kBreakColumn2 = 12, kLessAir = 15, kLessAir2 = 16, kAir = 17, kAir2 = 18;
constexpr int kTreasureBoost = 19, kTreasureBoost2 = 20, kSkipLevel = 26, kBreakAllChains = 27;

class InventoryTest : public AbilityFixture
{
};

// A profile folder of its own, with the profile manager made on it before the inventory (as the
// game does) and the current profile loaded again once the inventory exists.
class InventoryProfileTest : public AbilityFixture
{
protected:
    void SetUp() override
    {
        ZPropertyManager::GetInstance();
        g_gameCurrentProfile.Reset(false);
        g_profileName.Reset(false);
        profiles = new ZProfileManager(dir.Path().c_str());
        AbilityFixture::SetUp();
    }
    void TearDown() override
    {
        AbilityFixture::TearDown();
        ZProfileManager::DestroyInstance();
        g_gameCurrentProfile.Reset(false);
        g_profileName.Reset(false);
    }
    // Writes a profile by hand, as an older version of the game or a player's editor left it.
    void WriteProfile(const std::string& text)
    {
        std::filesystem::create_directories(dir / "profile_0");
        ASSERT_TRUE(qvtest::WriteWholeFile(dir / "profile_0/profile.txt", "profile.name = Ann\n" + text));
        profiles->ScanProfiles(false);
        profiles->LoadProfile();
    }

    qvtest::TempDir dir{"qvinventory"};
    ZProfileManager* profiles = nullptr;
};
} // namespace

TEST_F(InventoryTest, EveryItemHasItsOwnCountSettingUnderItsWholeName)
{
    std::set<const ZProperty*> distinct;
    for (int id = 0; id < ZInventory::kItemCount; ++id)
    {
        const char* key = manager->GetItemName(id);
        if (!key)
            continue;
        ZPropertyInt* count = inventory->GetCountSetting(id);
        ASSERT_NE(count, nullptr) << key;
        EXPECT_EQ(std::string(count->GetName()), std::string("profile.inventory.") + key);
        EXPECT_EQ(ZPropertyManager::GetInstance()->Find(count->GetName()), count);
        EXPECT_EQ(count->GetMaximum(), 99);
        EXPECT_EQ(count->GetMinimum(), 0);
        distinct.insert(count);
    }
    // Longer than 31 characters, and sharing their first 31 with another item.
    ASSERT_NE(inventory->GetCountSetting(kTreasureBoost2), nullptr);
    EXPECT_STREQ(inventory->GetCountSetting(kTreasureBoost2)->GetName(), "profile.inventory.treasureboost2");
    EXPECT_NE(inventory->GetCountSetting(kTreasureBoost2), inventory->GetCountSetting(kTreasureBoost));
    inventory->SetCount(kTreasureBoost2, 4);
    EXPECT_EQ(inventory->GetCount(kTreasureBoost), 0);
    EXPECT_EQ(inventory->GetCountSetting(-1), nullptr);
    EXPECT_EQ(inventory->GetCount(28), 0);
    inventory->SetCount(99, 5);
}

TEST_F(InventoryTest, CountsAreClampedAndTheCheatFillsEveryItem)
{
    inventory->SetCount(kAir, -4);
    EXPECT_EQ(inventory->GetCount(kAir), 0);
    inventory->SetCount(kAir, 1000);
    EXPECT_EQ(inventory->GetCount(kAir), 99);
    EXPECT_TRUE(inventory->AddItem("air"));
    EXPECT_EQ(inventory->GetCount(kAir), 99);
    EXPECT_FALSE(inventory->AddItem("nothing"));
    EXPECT_FALSE(inventory->AddItem(nullptr));

    abilitytest::UnlockAll()->SetValue(true);
    inventory->SetAllCounts();
    EXPECT_EQ(inventory->GetCount(kLessAir), 99);
    abilitytest::UnlockAll()->SetValue(false);
    inventory->SetAllCounts();
    EXPECT_EQ(inventory->GetCount(kLessAir), 0);
}

TEST_F(InventoryTest, ValidateToolBeltRefillsEmptyAndUsedUpSlotsAndKeepsStockedOnes)
{
    NumSlots()->SetValue(5);
    Slot(0)->SetValue("air");
    Slot(1)->SetValue("lessair");
    Slot(2)->SetValue("");
    // With nothing in stock every slot naming an item is emptied.
    EXPECT_FALSE(inventory->ValidateToolBelt());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Slot(i)->GetValue(), "") << i;

    inventory->SetCount(kAir, 3);
    inventory->SetCount(kLessAir2, 1);
    Slot(0)->SetValue("lessair2");
    EXPECT_TRUE(inventory->ValidateToolBelt());
    EXPECT_EQ(Slot(0)->GetValue(), "lessair2");
    // Slot 1 got the only other stocked item; the rest stay empty.
    EXPECT_EQ(Slot(1)->GetValue(), "air");
    EXPECT_EQ(Slot(2)->GetValue(), "");
}

TEST_F(InventoryTest, ASlotOffersTheSmallerOfItsCapAndTheCount)
{
    inventory->SetCount(kAir, 12);
    EXPECT_EQ(inventory->GetOfferedCount(kAir), 5);
    inventory->SetCount(kAir, 2);
    EXPECT_EQ(inventory->GetOfferedCount(kAir), 2);
    EXPECT_EQ(inventory->GetOfferedCount(-1), 0);
}

TEST_F(InventoryTest, ThePickSkipsItemsOnUsableSlotsOnly)
{
    inventory->SetCount(kAir, 1);
    Slot(0)->SetValue("air");
    NumSlots()->SetValue(0);
    // No usable slot: the belt is not consulted.
    EXPECT_FALSE(ZInventory::IsOnBelt("air"));
    EXPECT_EQ(inventory->PickStockedItemNotOnBelt(), "air");
    NumSlots()->SetValue(1);
    EXPECT_TRUE(ZInventory::IsOnBelt("air"));
    EXPECT_EQ(inventory->PickStockedItemNotOnBelt(), "");
    inventory->SetCount(kAir2, 2);
    EXPECT_EQ(inventory->PickStockedItemNotOnBelt(), "air2");
}

TEST_F(InventoryTest, GettingTheToolBeltGivesTheFirstSlotButNeverTakesSlots)
{
    abilitytest::ToolBelt()->SetValue(true);
    EXPECT_EQ(NumSlots()->GetValue(), 1);
    abilitytest::ToolBelt()->SetValue(false);
    NumSlots()->SetValue(3);
    abilitytest::ToolBelt()->SetValue(true);
    EXPECT_EQ(NumSlots()->GetValue(), 3);
}

TEST_F(InventoryTest, FillForTestingStocksEveryItemButSkipLevelAndFillsTheBelt)
{
    NumSlots()->SetValue(2);
    inventory->FillForTesting();
    EXPECT_EQ(inventory->GetCount(kAir), 10);
    EXPECT_EQ(inventory->GetCount(kSkipLevel), 0);
    EXPECT_NE(Slot(0)->GetValue(), "");
    EXPECT_NE(Slot(1)->GetValue(), "");
    EXPECT_NE(Slot(0)->GetValue(), Slot(1)->GetValue());
    EXPECT_NE(Slot(0)->GetValue(), "skiplevel");
}

TEST_F(InventoryProfileTest, CountsAndUnlockFlagsSurviveASaveAndAReload)
{
    ASSERT_TRUE(profiles->NewProfile("Ann"));
    inventory->SetCount(kAir, 7);
    inventory->SetCount(kTreasureBoost2, 2);
    inventory->SetCount(kSwap, 0);
    manager->GetUnlockSetting(kLessAir2)->SetValue(true);
    manager->GetUpgradeUnlockSetting(9)->SetValue(true);
    Slot(0)->SetValue("air");
    ASSERT_EQ(profiles->SaveProfile(), 0);

    const std::string text = qvtest::ReadWholeFile(profiles->GetCurrentFolder() + "profile.txt");
    EXPECT_NE(text.find("profile.inventory.treasureboost2 = 2"), std::string::npos) << text;
    EXPECT_NE(text.find("unlock.inventory4 = true"), std::string::npos) << text;

    inventory->SetCount(kAir, 1);
    inventory->SetCount(kTreasureBoost2, 0);
    manager->GetUnlockSetting(kLessAir2)->SetValue(false);
    manager->GetUpgradeUnlockSetting(9)->SetValue(false);
    Slot(0)->SetValue("");
    profiles->LoadProfile();
    EXPECT_EQ(inventory->GetCount(kAir), 7);
    EXPECT_EQ(inventory->GetCount(kTreasureBoost2), 2);
    EXPECT_EQ(inventory->GetCount(kTreasureBoost), 0);
    EXPECT_TRUE(manager->GetUnlockSetting(kLessAir2)->GetValue());
    EXPECT_TRUE(manager->GetUpgradeUnlockSetting(9)->GetValue());
    EXPECT_EQ(Slot(0)->GetValue(), "air");
}

TEST_F(InventoryProfileTest, AProfileSavedBeforeAnItemExistedLoadsThatItemAtItsDefault)
{
    inventory->SetCount(kBreakAllChains, 5);
    inventory->SetCount(kLessAir2, 5);
    WriteProfile("profile.inventory.air = 4\nunlock.air = true\n");
    EXPECT_EQ(inventory->GetCount(kAir), 4);
    EXPECT_TRUE(manager->GetUnlockSetting(kAir)->GetValue());
    // Loading an unlocked item is no news: the new-stock dialog is for unlocks during play.
    EXPECT_TRUE(shell.newStock.empty());
    EXPECT_EQ(inventory->GetCount(kLessAir2), 0);
    EXPECT_FALSE(manager->GetUnlockSetting(kLessAir2)->GetValue());
    EXPECT_EQ(inventory->GetCount(kBreakColumn2), 0);
    // Saving it writes every count, so the file now knows the new items too.
    ASSERT_EQ(profiles->SaveProfile(), 0);
    const std::string text = qvtest::ReadWholeFile(dir / "profile_0/profile.txt");
    EXPECT_NE(text.find("profile.inventory.lessair2 = 0"), std::string::npos) << text;
}

TEST_F(InventoryProfileTest, BadCountsAndUnknownNamesAreClampedOrIgnoredWithALogLine)
{
    testing::internal::CaptureStderr();
    WriteProfile("profile.inventory.air = -5\n"
                 "profile.inventory.air2 = 99999999999999\n"
                 "profile.inventory.lessair = lots\n"
                 "profile.inventory.lessair2 = 7\n"
                 "profile.inventory.fireworks = 3\n"
                 "profile.inventory. = 3\n"
                 "profile.slot0 = fireworks\n"
                 "profile.slot1 = lessair2\n"
                 "profile.numslots = 12\n");
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(inventory->GetCount(kAir), 0);
    EXPECT_EQ(inventory->GetCount(kAir2), 99);
    EXPECT_EQ(inventory->GetCount(kLessAir), 0);
    EXPECT_EQ(inventory->GetCount(kLessAir2), 7);
    EXPECT_EQ(Slot(0)->GetValue(), "");
    EXPECT_EQ(Slot(1)->GetValue(), "lessair2");
    EXPECT_EQ(NumSlots()->GetValue(), 5);
    EXPECT_NE(log.find("profile.inventory.air = -5"), std::string::npos) << log;
    EXPECT_NE(log.find("profile.inventory.air2 = 99999999999999"), std::string::npos) << log;
    EXPECT_NE(log.find("profile.inventory.lessair = lots"), std::string::npos) << log;
    EXPECT_NE(log.find("profile.inventory.fireworks"), std::string::npos) << log;
    EXPECT_NE(log.find("profile.slot0 = fireworks"), std::string::npos) << log;
    EXPECT_EQ(log.find("lessair2"), std::string::npos) << log;
    // The belt keeps working: the emptied slot is filled from stock.
    EXPECT_TRUE(inventory->ValidateToolBelt());
    EXPECT_EQ(Slot(0)->GetValue(), "air2");
}
