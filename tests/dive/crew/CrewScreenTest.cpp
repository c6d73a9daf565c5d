// The crew screen, the inventory screen and the bonus prize dialog on the real state stack with the
// game's own layouts, driven by the pointer: choosing a crew member, experience and levels shown,
// availability; items dragged onto the belt within its slot count; the prize shown and granted.
#include <gtest/gtest.h>

#include "CrewTestSupport.h"
#include "engine/scene/ZFontText.h"
#include "game/dive/crew/ZBonusEndOfLevel.h"
#include "game/dive/crew/ZInventoryScreen.h"

using crewtest::CrewScreenTest;

namespace
{
class CharacterScreenTest : public CrewScreenTest
{
protected:
    void Open()
    {
        Go(crew);
        ASSERT_EQ(Top(), crew);
    }
    bool Shown(ZNode* node) { return node && !node->IsHidden(); }
};

class InventoryScreenTest : public CrewScreenTest
{
protected:
    void SetUp() override
    {
        CrewScreenTest::SetUp();
        screenState = Own(ZInventoryScreen::GetInstance());
    }

    ZNode* ItemIcon(const char* key)
    {
        ZInventoryButton* button = screenState->GetItemButton(ZAbilityManager::FindAbilityId(key));
        return button ? button->GetIcon() : nullptr;
    }
    ZNode* SlotNode(int i) { return screenState->GetSlot(i)->FindNode("slot"); }

    ZInventoryScreen* screenState = nullptr;
};

class BonusDialogTest : public CrewScreenTest, public IBonusDialogListener
{
protected:
    void SetUp() override
    {
        CrewScreenTest::SetUp();
        treasure = abilitytest::EnsureSetting<int32_t>("profile.treasure", 0, 2000000000, 0);
        treasure->Reset(false);
        dialog = Own(ZBonusEndOfLevel::GetInstance());
        dialog->SetListener(this);
        prize.title = "The reef";
        prize.intro = "Find seven shells";
        prize.wonText = "Well found!";
        prize.missedText = "Maybe next time";
        prize.item = ZAbilityManager::FindAbilityId("swap");
        prize.count = 2;
        prize.shop = 1;
        dialog->SetPrize(prize);
    }

    void OnBonusDialogClosed(bool atStart) override { closes.push_back(atStart); }

    ZPropertyInt* treasure = nullptr;
    ZBonusEndOfLevel* dialog = nullptr;
    SBonusPrize prize;
    std::vector<bool> closes;
};
} // namespace

TEST_F(CharacterScreenTest, AClickOnAPortraitChoosesThatMemberAndFillsTheCard)
{
    GetCrewSetting(1)->SetValue(true);
    g_profileCrewSize.SetValue(2);
    Open();
    EXPECT_EQ(crew->GetText("text/name"), "Finn");
    EXPECT_TRUE(Shown(crew->GetPortrait(0)));
    EXPECT_TRUE(Shown(crew->GetPortrait(1)));
    EXPECT_FALSE(Shown(crew->GetPortrait(2))) << "not on board yet";
    EXPECT_TRUE(Shown(crew->GetHalo(0)));

    ClickOn(crew->GetPortrait(1));
    EXPECT_EQ(g_profileCharacter.GetValue(), 1);
    EXPECT_EQ(crew->GetText("text/name"), "Mira");
    EXPECT_TRUE(Shown(crew->GetHalo(1)));
    EXPECT_FALSE(Shown(crew->GetHalo(0)));
    EXPECT_EQ(crew->GetClicks(), 1);
    // A member's first power is open at level 1, the rest show greyed until their level.
    ASSERT_NE(crew->GetAbilityIcon(0), nullptr);
    EXPECT_FLOAT_EQ(crew->GetAbilityIcon(0)->GetAlpha(), 1.0f);
    EXPECT_LT(crew->GetAbilityIcon(1)->GetAlpha(), 1.0f);

    // A click where no member stands changes nothing; continue goes back.
    ClickAt(0.0f, 10.0f);
    Frames(2);
    EXPECT_EQ(g_profileCharacter.GetValue(), 1);
    ClickOn(crew->GetContinueButton());
    Frames(3);
    EXPECT_EQ(Top(), &screen);
}

TEST_F(CharacterScreenTest, ExperienceFromADiveRaisesTheLevelShownAndTheMarkGoesOnceSeen)
{
    Open();
    EXPECT_EQ(crew->GetText("text/level"), "Level 2");
    EXPECT_EQ(crew->GetText("text/current_xp"), "500 XP");
    ClickOn(crew->GetContinueButton());
    Frames(3);

    // The board's experience for the dive, with its floating text.
    crew->AddCrewExperience(2600, V3{10.0f, 20.0f, 0.0f});
    ASSERT_FALSE(shell.popups.empty());
    EXPECT_EQ(shell.popups.back(), "+2600 XP");
    EXPECT_EQ(crew->GetSelected()->GetLevel(), 2);

    Open();
    EXPECT_EQ(crew->GetText("text/level"), "Level 3");
    EXPECT_EQ(crew->GetText("text/level_headline"), "Level 4");
    EXPECT_EQ(crew->GetText("text/xp_low"), "3000");
    EXPECT_EQ(crew->GetText("text/xp_high"), "6000");
    EXPECT_TRUE(Shown(crew->GetLevelUpMark(0)));
    EXPECT_TRUE(Shown(crew->GetNewMark(1))) << "the power level 2 opened is new";
    EXPECT_FALSE(Shown(crew->GetNewMark(2)));
    ClickOn(crew->GetContinueButton());
    Frames(3);
    Open();
    EXPECT_FALSE(Shown(crew->GetLevelUpMark(0)));
    EXPECT_FALSE(Shown(crew->GetNewMark(1)));

    crew->GetSelected()->SetXP(20000);
    crew->SelectCharacter(0, false);
    EXPECT_EQ(crew->GetText("text/level_headline"), "Top level");
}

TEST_F(CharacterScreenTest, AMemberLeavingTheCrewHandsTheChoiceBackToTheFirst)
{
    GetCrewSetting(4)->SetValue(true);
    Open();
    crew->SelectCharacter(4, false);
    EXPECT_EQ(g_profileCharacter.GetValue(), 4);
    GetCrewSetting(4)->SetValue(false);
    Frames(1);
    EXPECT_EQ(g_profileCharacter.GetValue(), 0);
    EXPECT_FALSE(Shown(crew->GetPortrait(4)));
    crew->SelectCharacter(9, false);
    EXPECT_EQ(g_profileCharacter.GetValue(), 4) << "clamped";
    // Unlock-all brings everyone on board with every power open.
    g_cheatsUnlockAll.SetValue(true);
    for (int i = 0; i < kCrewCount; ++i)
    {
        EXPECT_TRUE(crew->IsAvailable(i)) << i;
        EXPECT_EQ(crew->GetCharacter(i)->GetOpenCharges(), 6) << i;
    }
}

TEST_F(InventoryScreenTest, DraggingItemsOntoTheBeltFillsAndExchangesSlots)
{
    g_profileToolBelt.SetValue(true);
    g_profileNumSlots.SetValue(4);
    inventory->SetCount(ZAbilityManager::FindAbilityId("swap"), 3);
    inventory->SetCount(ZAbilityManager::FindAbilityId("breaktile"), 2);
    Go(screenState);
    ASSERT_EQ(Top(), screenState);
    EXPECT_FALSE(screenState->GetSlot(3)->IsHidden());
    EXPECT_TRUE(screenState->GetSlot(4)->IsHidden()) << "only the belt's slots show";

    const V2 iconHome = CentreOf(ItemIcon("swap")), slotPlace = CentreOf(SlotNode(1));
    DragOnto(ItemIcon("swap"), SlotNode(1));
    EXPECT_EQ(g_profileSlot[1].GetValue(), "swap");
    EXPECT_EQ(screenState->GetEquips(), 1);
    // The icon is back on its button, and the slot's picture the drop landed on stays in place.
    EXPECT_EQ(CentreOf(ItemIcon("swap")), iconHome);
    EXPECT_EQ(CentreOf(SlotNode(1)), slotPlace);
    EXPECT_EQ(CentreOf(screenState->GetSlot(1)->GetIcon()), slotPlace);
    DragOnto(ItemIcon("breaktile"), SlotNode(3));
    EXPECT_EQ(g_profileSlot[3].GetValue(), "breaktile");
    // The item in slot 1 dropped on slot 3: the two slots exchange.
    DragOnto(ItemIcon("swap"), SlotNode(3));
    EXPECT_EQ(g_profileSlot[3].GetValue(), "swap");
    EXPECT_EQ(g_profileSlot[1].GetValue(), "breaktile");
    // A slot's own icon dragged onto another slot moves it there the same way.
    DragOnto(screenState->GetSlot(3)->GetIcon(), SlotNode(0));
    EXPECT_EQ(g_profileSlot[0].GetValue(), "swap");
    EXPECT_EQ(g_profileSlot[3].GetValue(), "");
    // A drop beside every slot changes nothing, and the icon, picked up off its centre, goes home.
    const V2 breaktileHome = CentreOf(ItemIcon("breaktile"));
    DragOnto(ItemIcon("breaktile"), screenState->GetContinueButton(), V2{14.0f, -12.0f});
    EXPECT_EQ(g_profileSlot[1].GetValue(), "breaktile");
    EXPECT_EQ(g_profileSlot[2].GetValue(), "");
    EXPECT_EQ(CentreOf(ItemIcon("breaktile")), breaktileHome);

    ClickOn(screenState->GetContinueButton());
    Frames(3);
    EXPECT_EQ(Top(), &screen);
}

TEST_F(InventoryScreenTest, ItemsNotYetOwnedOrLockedCannotBeEquipped)
{
    ZStringTable::GetInstance()->Add("swap.level", "5", 1);
    g_profileNumSlots.SetValue(2);
    inventory->SetCount(ZAbilityManager::FindAbilityId("swap"), 3);
    Go(screenState);
    ZInventoryButton* swap = screenState->GetItemButton(ZAbilityManager::FindAbilityId("swap"));
    ASSERT_NE(swap, nullptr);
    EXPECT_EQ(swap->GetState(), ZInventoryButton::kLocked);
    EXPECT_FALSE(swap->IsEnabled());
    DragOnto(swap->GetIcon(), SlotNode(0));
    EXPECT_EQ(g_profileSlot[0].GetValue(), "");
    screenState->OnMouseOver(swap);
    auto* description = ZEntityCast<ZFontText>(screenState->GetRoot()->FindNode("description"));
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(description->GetText(), "Not available yet.");
    ZInventoryButton* air = screenState->GetItemButton(ZAbilityManager::FindAbilityId("air"));
    ASSERT_NE(air, nullptr);
    EXPECT_TRUE(air->IsHidden()) << "none owned and not in the shops yet";

    g_profileLevel.SetValue(5);
    EXPECT_TRUE(swap->IsEnabled());
    DragOnto(swap->GetIcon(), SlotNode(0));
    EXPECT_EQ(g_profileSlot[0].GetValue(), "swap");
}

TEST_F(BonusDialogTest, WithoutTheBeltThePrizeIsTreasureAndTheButtonStartsTheSearch)
{
    Go(dialog);
    dialog->ShowStart();
    EXPECT_EQ(dialog->GetText("title"), "The reef");
    EXPECT_EQ(dialog->GetText("prize_name"), "Treasure");
    EXPECT_EQ(dialog->GetText("prize_count"), "x 200");
    EXPECT_EQ(dialog->GetButton()->GetText(), "Start");
    EXPECT_TRUE(dialog->GetPortrait(1) && !dialog->GetPortrait(1)->IsHidden());
    EXPECT_TRUE(dialog->GetPortrait(0)->IsHidden());
    ClickOn(dialog->GetButton());
    Frames(3);
    EXPECT_EQ(closes, std::vector<bool>{true});
    EXPECT_EQ(Top(), &screen);

    ZBonusEndOfLevel::GrantPrize(prize);
    EXPECT_EQ(treasure->GetValue(), 200);
}

TEST_F(BonusDialogTest, WithTheBeltTheItemIsShownAndGrantedAndAMissShowsNothingWon)
{
    g_profileToolBelt.SetValue(true);
    Go(dialog);
    dialog->ShowStart();
    EXPECT_EQ(dialog->GetText("prize_name"), "Swap");
    EXPECT_EQ(dialog->GetText("prize_count"), "x 2");
    dialog->ShowResult(false);
    EXPECT_EQ(dialog->GetText("prize_count"), "x 0");
    EXPECT_EQ(dialog->GetText("text"), "Maybe next time");
    dialog->ShowResult(true);
    EXPECT_EQ(dialog->GetText("prize_count"), "x 2");
    EXPECT_EQ(dialog->GetButton()->GetText(), "Continue");

    const int swap = ZAbilityManager::FindAbilityId("swap");
    inventory->SetCount(swap, 98);
    ZBonusEndOfLevel::GrantPrize(prize);
    EXPECT_EQ(inventory->GetCount(swap), 99) << "within the count's range";
    EXPECT_EQ(treasure->GetValue(), 0);
}
