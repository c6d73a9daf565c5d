// The ability factories and the manager: pooling, the item table, arming and firing, lasting
// abilities with their countdowns and folded modifiers, the first-use tip, prices, "give" and the
// unlock watch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "AbilityTestSupport.h"
#include "engine/resource/ZProfileManager.h"
#include "game/dive/abilities/ZAbilityAir.h"
#include "game/dive/abilities/ZAbilityBoost.h"

using abilitytest::AbilityFixture;

namespace
{
constexpr int kNoAir = 14, kLessAir = 15, kLessAir2 = 16, kAir = 17, kAir2 = 18;
constexpr int kTreasureBoost = 19, kTreasureBoost2 = 20, kRotateBoost = 24, kRotateBoost2 = 25, kSkipLevel = 26;

class AbilityManagerTest : public AbilityFixture
{
};
} // namespace

TEST_F(AbilityManagerTest, AFactoryReusesTheLastReleasedInstanceResetAndMakesNewOnesWhenEmpty)
{
    ZAbilityFactoryBase* factory = manager->GetFactory(kLessAir2);
    ASSERT_NE(factory, nullptr);
    ZAbility* a = factory->Create();
    ZAbility* b = factory->Create();
    EXPECT_NE(a, b);
    EXPECT_EQ(a->GetFactory(), factory);
    EXPECT_EQ(a->GetFlags(), ZAbility::kAirEffect);

    b->StartEffect();
    b->SetProgress(0.5f);
    b->SetSpent(true);
    b->SetRunning(true);
    const size_t pooled = factory->GetPoolSize();
    factory->Release(a);
    factory->Release(b);
    // A second release of the same instance must not give it two future owners.
    factory->Release(b);
    EXPECT_EQ(factory->GetPoolSize(), pooled + 2);

    ZAbility* again = factory->Create();
    EXPECT_EQ(again, b);
    EXPECT_FALSE(again->IsRunning());
    EXPECT_FALSE(again->IsSpent());
    EXPECT_EQ(again->GetProgress(), 0.0f);
    EXPECT_EQ(again->GetRemaining(), 0.0f);
    EXPECT_EQ(again->GetDuration(), 0.0f);
    EXPECT_EQ(factory->Create(), a);
    factory->Release(a);
    factory->Release(again);
}

TEST_F(AbilityManagerTest, ItemIdsComeFromTheFactoriesAndUnknownNamesGiveMinusOne)
{
    EXPECT_EQ(ZAbilityManager::FindAbilityId("lessair2"), kLessAir2);
    EXPECT_EQ(ZAbilityManager::FindAbilityId("skiplevel"), kSkipLevel);
    EXPECT_EQ(ZAbilityManager::FindAbilityId("treasureboost2"), kTreasureBoost2);
    EXPECT_EQ(ZAbilityManager::FindAbilityId("treasureboost"), kTreasureBoost);
    EXPECT_EQ(ZAbilityManager::FindAbilityId("nosuchthing"), -1);
    EXPECT_EQ(ZAbilityManager::FindAbilityId(""), -1);
    EXPECT_EQ(ZAbilityManager::FindAbilityId(nullptr), -1);
    EXPECT_EQ(manager->GetItemName(-1), nullptr);
    EXPECT_EQ(manager->GetItemName(28), nullptr);
    EXPECT_EQ(manager->GetFactory(1000), nullptr);
    EXPECT_EQ(manager->ArmAbilityById(-1), nullptr);
}

TEST_F(AbilityManagerTest, CapsAndColourGroupsAreSafeForEveryIdIncludingUnknownOnes)
{
    EXPECT_EQ(ZAbilityManager::GetItemCap(0), 10);
    EXPECT_EQ(ZAbilityManager::GetItemCap(12), 1);
    EXPECT_EQ(ZAbilityManager::GetItemCap(27), 1);
    EXPECT_EQ(ZAbilityManager::GetItemCap(-1), 0);
    EXPECT_EQ(ZAbilityManager::GetItemCap(28), 0);
    EXPECT_EQ(ZAbilityManager::GetColourGroup(3), 1);
    EXPECT_EQ(ZAbilityManager::GetColourGroup(kAir), 2);
    EXPECT_EQ(ZAbilityManager::GetColourGroup(kSkipLevel), -1);
    // A crew slot naming an unknown ability has id -1: its colour is none, never a table read.
    EXPECT_EQ(ZAbilityManager::GetColourGroup(-1), -1);
    EXPECT_EQ(ZAbilityManager::GetColourGroup(99), -1);
}

TEST_F(AbilityManagerTest, ALastingAbilityFiredAgainKeepsItsCountdownAndOneListEntry)
{
    ZAbility* ability = manager->GetFactory(kLessAir2)->Create();
    manager->ArmAbility(ability);
    ASSERT_TRUE(manager->fireArmedAbility(nullptr, nullptr, tiles));
    EXPECT_TRUE(ability->IsSpent());
    EXPECT_TRUE(ability->IsRunning());
    EXPECT_FLOAT_EQ(ability->GetRemaining(), 30.0f);
    manager->updateCooldowns(10.0f);

    manager->ArmAbility(ability);
    ASSERT_TRUE(manager->fireArmedAbility(nullptr, nullptr, tiles));
    EXPECT_FLOAT_EQ(ability->GetRemaining(), 20.0f);
    EXPECT_EQ(manager->GetRunning().size(), 1u);
    EXPECT_EQ(manager->GetUses(kLessAir2), 1);
    // Applied once, not twice.
    EXPECT_FLOAT_EQ(manager->ModifyAirRate(1.0f), 0.5f);

    manager->StopAllAbilities();
    EXPECT_TRUE(manager->GetRunning().empty());
    EXPECT_FLOAT_EQ(manager->ModifyAirRate(1.0f), 1.0f);
}

TEST_F(AbilityManagerTest, RunningAirAbilitiesFoldTheirRatesInFiringOrder)
{
    ASSERT_TRUE(Fire(kLessAir));
    ASSERT_TRUE(Fire(kLessAir2));
    EXPECT_FLOAT_EQ(manager->ModifyAirRate(2.0f), 2.0f * 0.75f * 0.5f);
    ASSERT_TRUE(Fire(kNoAir));
    EXPECT_FLOAT_EQ(manager->ModifyAirRate(2.0f), 0.0f);
    EXPECT_EQ(dive.warnings, std::vector<bool>{false});
    manager->StopAllAbilities();
    EXPECT_EQ(dive.warnings, (std::vector<bool>{false, true}));
    EXPECT_FLOAT_EQ(manager->ModifyAirRate(2.0f), 2.0f);
}

TEST_F(AbilityManagerTest, TheManagerCountsTimedAbilitiesDownAndFinishesThemAtZero)
{
    ASSERT_TRUE(Fire(kLessAir2));
    ASSERT_TRUE(Fire(kNoAir));
    ZAbility* timed = manager->GetRunning()[0];
    const size_t pooled = manager->GetFactory(kLessAir2)->GetPoolSize();

    manager->updateCooldowns(15.0f);
    EXPECT_FLOAT_EQ(timed->GetRemaining(), 15.0f);
    EXPECT_FLOAT_EQ(timed->GetProgress(), 0.5f);
    // The indicator of air effects gets 1 - progress; "noair" is not timed and feeds nothing here.
    ASSERT_EQ(dive.effects.size(), 1u);
    EXPECT_EQ(dive.effects[0].flag, ZAbility::kAirEffect);
    EXPECT_FLOAT_EQ(dive.effects[0].value, 0.5f);

    manager->updateCooldowns(14.9f);
    EXPECT_TRUE(manager->IsRunning(kLessAir2));
    manager->updateCooldowns(0.2f);
    EXPECT_FALSE(manager->IsRunning(kLessAir2));
    EXPECT_EQ(manager->GetFactory(kLessAir2)->GetPoolSize(), pooled + 1);
    // "noair" lasts until the dive ends.
    manager->updateCooldowns(1000.0f);
    EXPECT_TRUE(manager->IsRunning(kNoAir));
    EXPECT_FLOAT_EQ(manager->ModifyAirRate(1.0f), 0.0f);
    manager->StopAllAbilities();
}

TEST_F(AbilityManagerTest, TreasureBoostsRaiseValuesWhileTheyRun)
{
    ASSERT_TRUE(Fire(kTreasureBoost));
    EXPECT_EQ(manager->ModifyTreasureValue(25), 31);
    manager->StopAllAbilities();
    ASSERT_TRUE(Fire(kTreasureBoost2));
    EXPECT_EQ(manager->ModifyTreasureValue(25), 37);
    manager->updateCooldowns(119.0f);
    EXPECT_EQ(manager->ModifyTreasureValue(25), 37);
    manager->updateCooldowns(1.0f);
    EXPECT_EQ(manager->ModifyTreasureValue(25), 25);
}

TEST_F(AbilityManagerTest, RotationBoostsChangeTheRotationForTheirTimeAndRestoreIt)
{
    ASSERT_TRUE(Fire(kRotateBoost));
    EXPECT_FLOAT_EQ(dive.chargeFactor, 0.166f);
    EXPECT_FLOAT_EQ(dive.speedFactor, 0.8f);
    ASSERT_TRUE(Fire(kRotateBoost2));
    manager->updateCooldowns(60.0f);
    EXPECT_FALSE(manager->IsRunning(kRotateBoost));
    EXPECT_FLOAT_EQ(dive.chargeFactor, 0.13f);
    EXPECT_FLOAT_EQ(dive.speedFactor, 0.5f);
    manager->updateCooldowns(20.0f);
    EXPECT_FLOAT_EQ(dive.chargeFactor, 1.0f);
    EXPECT_FLOAT_EQ(dive.speedFactor, 1.0f);
    // The rotation indicator was fed while they ran.
    ASSERT_FALSE(dive.effects.empty());
    EXPECT_EQ(dive.effects.back().flag, ZAbility::kRotationEffect);
}

TEST_F(AbilityManagerTest, OneShotAirAndSkipAbilitiesActAtOnceAndGoBackToTheirPools)
{
    const size_t pooled = manager->GetFactory(kAir)->GetPoolSize();
    ASSERT_TRUE(Fire(kAir));
    ASSERT_TRUE(Fire(kAir2));
    EXPECT_FLOAT_EQ(dive.airAdded, 180.0f);
    EXPECT_EQ(manager->GetFactory(kAir)->GetPoolSize(), std::max<size_t>(pooled, 1));
    EXPECT_TRUE(manager->GetRunning().empty());
    ASSERT_TRUE(Fire(kSkipLevel));
    EXPECT_EQ(dive.skips, 1);
    EXPECT_EQ(manager->GetArmedAbility(), nullptr);
}

TEST_F(AbilityManagerTest, FiringWithNothingArmedDoesNothing)
{
    EXPECT_FALSE(manager->fireArmedAbility(nullptr, nullptr, tiles));
    EXPECT_FALSE(manager->SelectTarget(nullptr));
    EXPECT_FALSE(manager->TrySwapWithAbility(nullptr, nullptr, tiles));
}

namespace
{
class UsedListener : public ZAbilityListener
{
public:
    void OnAbilityUsed(bool success, ZAbility* ability) override
    {
        results.push_back(success);
        last = ability;
    }
    std::vector<bool> results;
    ZAbility* last = nullptr;
};
} // namespace

TEST_F(AbilityManagerTest, ListenersHearFiringsAndDisarmsButNotSilentFirings)
{
    UsedListener listener;
    ASSERT_TRUE(Fire(kAir));
    const size_t pooled = manager->GetFactory(kAir2)->GetPoolSize();
    ZAbility* armed = manager->ArmAbilityById(kAir2);
    ASSERT_NE(armed, nullptr);
    EXPECT_TRUE(armed->IsSpent());
    manager->DisarmAbility();
    EXPECT_FALSE(armed->IsArmed());
    EXPECT_GE(dive.previewClears, 1);
    // The manager made that one itself, so it gives it back.
    EXPECT_EQ(manager->GetFactory(kAir2)->GetPoolSize(), std::max<size_t>(pooled, 1));
    armed = manager->ArmAbilityById(kAir2);
    manager->SetSilent(true);
    EXPECT_TRUE(manager->fireArmedAbility(nullptr, nullptr, tiles));
    EXPECT_EQ(listener.results, (std::vector<bool>{true, false}));
}

TEST_F(AbilityManagerTest, TheFirstSuccessfulFiringOfAProfileTurnsTheAbilityTipOn)
{
    ZPropertyBool* tip = abilitytest::AbilityTip();
    ASSERT_FALSE(tip->GetValue());
    int changes = 0;
    struct Counter : IPropertyListener
    {
        int* n;
        void OnPropertyChanged(ZProperty*) override { ++*n; }
    } counter;
    counter.n = &changes;
    tip->AddListener(&counter);
    ASSERT_TRUE(Fire(kAir));
    EXPECT_TRUE(tip->GetValue());
    ASSERT_TRUE(Fire(kAir));
    EXPECT_EQ(changes, 1);
    tip->RemoveListener(&counter);
}

TEST_F(AbilityManagerTest, APopupTextIsShownForTwoSecondsWhenTheItemHasOne)
{
    ZStringTable* strings = ZStringTable::GetInstance();
    strings->Add("skiplevel.popuptext", "Level skipped!", 14);
    ASSERT_TRUE(Fire(kSkipLevel));
    ASSERT_TRUE(Fire(kAir2));
    ASSERT_EQ(shell.popups, std::vector<std::string>{"Level skipped!"});
    EXPECT_DOUBLE_EQ(shell.popupDuration, 2.0);
}

TEST_F(AbilityManagerTest, PricesAreReadFromTheTextsAndAMissingOrBrokenPriceIsNotForSale)
{
    ZStringTable* strings = ZStringTable::GetInstance();
    strings->Add("air.price", "350", 3);
    strings->Add("air2.price", "cheap", 5);
    EXPECT_EQ(manager->GetItemPrice(kAir), 350);
    testing::internal::CaptureStderr();
    EXPECT_EQ(manager->GetItemPrice(kAir2), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("air2.price"), std::string::npos);
    EXPECT_EQ(manager->GetItemPrice(-3), 0);
    // Asked again once the text is right.
    strings->Add("air2.price", "700", 3);
    EXPECT_EQ(manager->GetItemPrice(kAir2), 700);
}

TEST_F(AbilityManagerTest, WithABudgetBelowEveryPriceTheTwentyFirstDrawIsTakenAtTheBudget)
{
    ZStringTable* strings = ZStringTable::GetInstance();
    for (int id = 0; id < ZAbilityManager::kItemCount; ++id)
        if (const char* name = manager->GetItemName(id))
            strings->Add((std::string(name) + ".price").c_str(), "500", 3);
    std::srand(7);
    int expected = 0;
    for (int i = 0; i < 21; ++i)
        expected = std::rand() % ZAbilityManager::kItemCount;
    std::srand(7);
    int price = -1;
    testing::internal::CaptureStderr();
    const int id = manager->PickAffordableItem(100, &price);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(id, expected);
    EXPECT_EQ(price, 100);
    EXPECT_EQ(manager->GetItemPrice(kAir), 500);
    const int affordable = manager->PickAffordableItem(100000, &price);
    if (manager->GetItemName(affordable))
    {
        EXPECT_EQ(price, 500);
    }
}

TEST_F(AbilityManagerTest, AirItemsAreTheOnlyAirItemsAndUnknownNamesCountAsNonAir)
{
    EXPECT_FALSE(manager->IsNonAirItem("noair"));
    EXPECT_FALSE(manager->IsNonAirItem("air2"));
    EXPECT_TRUE(manager->IsNonAirItem("treasureboost"));
    EXPECT_FALSE(manager->IsNonAirItem("airless"));
    EXPECT_TRUE(manager->IsNonAirItem("chest3"));
    EXPECT_TRUE(manager->IsNonAirItem("bogus"));
    EXPECT_TRUE(manager->IsNonAirItem(nullptr));
    ASSERT_NE(manager->FindUpgradeByName("rotateupgrade3"), nullptr);
    EXPECT_EQ(manager->FindUpgradeByName("Rotateupgrade3"), nullptr);
}

TEST_F(AbilityManagerTest, UnlockingAnItemAnnouncesItsNewStockExceptWhileAProfileLoads)
{
    ZPropertyBool* unlock = manager->GetUnlockSetting(kLessAir2);
    ASSERT_NE(unlock, nullptr);
    EXPECT_STREQ(unlock->GetName(), "unlock.lessair2");
    unlock->SetValue(true);
    manager->GetUpgradeUnlockSetting(4)->SetValue(true);
    unlock->SetValue(false);
    EXPECT_EQ(shell.newStock, (std::vector<std::string>{"lessair2", "chest4"}));
}

TEST_F(AbilityManagerTest, TheGiveCommandAddsOneOfAKnownItemUpToNinetyNine)
{
    ZProperty* give = ZPropertyManager::GetInstance()->Find("give");
    ASSERT_NE(give, nullptr);
    inventory->SetCount(kAir, 98);
    for (int i = 0; i < 3; ++i)
        give->SetFromText("air", false, true);
    EXPECT_EQ(inventory->GetCount(kAir), 99);
    testing::internal::CaptureStderr();
    give->SetFromText("nosuchitem", false, true);
    give->SetFromText("", false, true);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("nosuchitem"), std::string::npos);
}

TEST_F(AbilityManagerTest, EveryItemHasOneFactoryAndASecondRegistrationIsIgnored)
{
    for (int id = 0; id < ZAbilityManager::kItemCount; ++id)
    {
        ASSERT_NE(manager->GetFactory(id), nullptr) << id;
        EXPECT_EQ(manager->GetFactory(id)->GetId(), id);
        EXPECT_EQ(ZAbilityManager::FindAbilityId(manager->GetItemName(id)), id);
        ZAbility* ability = manager->GetFactory(id)->Create();
        EXPECT_EQ(ability->GetId(), id);
        EXPECT_STREQ(ability->GetName(), manager->GetItemName(id));
        manager->GetFactory(id)->Release(ability);
    }
    ZAbilityFactoryBase* air = manager->GetFactory(kAir);
    ZInventory::DestroyInstance();
    ZAbilityManager::DestroyInstance();
    {
        ZAbilityFactory<ZAbilityAir> second;
        testing::internal::CaptureStderr();
        manager = ZAbilityManager::GetInstance();
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find("\"air\" is registered twice"), std::string::npos) << log;
        EXPECT_EQ(manager->GetFactory(kAir), air);
        ZAbilityManager::DestroyInstance();
    }
    manager = ZAbilityManager::GetInstance();
    inventory = ZInventory::GetInstance();
}
