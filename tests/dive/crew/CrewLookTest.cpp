// The crew and inventory screens and the bonus prize dialog drawn on a real window for a person to
// look at: QV_CREW_SHOT, QV_INVENTORY_SHOT and QV_BONUS_SHOT name the PNG files to write (the test
// skips without them or a display).
#include <gtest/gtest.h>

#include <string>

#include "../board/DiveLookSupport.h"
#include "engine/resource/ZStringTable.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZBonusEndOfLevel.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/crew/ZInventory.h"
#include "game/dive/crew/ZInventoryScreen.h"

namespace
{
class CrewLook : public divetest::DiveLook
{
protected:
    void BeforeGameGoes() override
    {
        ZBonusEndOfLevel::DestroyInstance();
        ZInventoryScreen::DestroyInstance();
        ZCharacterScreen::DestroyInstance();
        ZInventory::DestroyInstance();
        ZAbilityManager::DestroyInstance();
        g_profileCharacter.Reset(false);
        g_profileNumSlots.Reset(false);
        g_profileToolBelt.Reset(false);
        for (int i = 0; i < 5; ++i)
        {
            GetCrewSetting(i)->Reset(false);
            g_profileSlot[i].Reset(false);
        }
    }
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
            Frame(0.02);
    }
};
} // namespace

TEST_F(CrewLook, TheCrewAndTheInventoryOnScreen)
{
    const char* crewShot = ShotFile("QV_CREW_SHOT");
    const char* inventoryShot = ShotFile("QV_INVENTORY_SHOT");
    const char* bonusShot = ShotFile("QV_BONUS_SHOT");
    if (!crewShot && !inventoryShot && !bonusShot)
        GTEST_SKIP() << "QV_CREW_SHOT, QV_INVENTORY_SHOT and QV_BONUS_SHOT name no file to write";
    std::string why;
    if (!Open("sand_01", why))
    {
        if (!why.empty())
            GTEST_SKIP() << why;
        return;
    }
    ZAbilityManager::GetInstance();
    ZInventory* inventory = ZInventory::GetInstance();
    ZCharacterScreen* crew = ZCharacterScreen::GetInstance();
    ASSERT_EQ(crew->LoadCharacters(), 0);
    crew->OnProfileLoaded();
    for (int i = 0; i < 4; ++i)
        GetCrewSetting(i)->SetValue(true);
    g_profileCrewSize.SetValue(4);
    crew->GetCharacter(1)->SetXP(7200);
    ZGame::GotoState(crew);
    Frames(60);
    crew->SelectCharacter(1, true);
    Frames(60);
    if (crewShot)
        Shot(crewShot);

    g_profileNumSlots.SetValue(3);
    for (const char* key : {"breaktile", "swap", "air", "break3x3", "haltfreeze", "treasureboost"})
        inventory->SetCount(ZAbilityManager::FindAbilityId(key), 4);
    g_profileSlot[0].SetValue("swap");
    ZInventoryScreen* screen = ZInventoryScreen::GetInstance();
    ZGame::GotoState(screen);
    Frames(60);
    screen->ShowItemInfo(ZAbilityManager::FindAbilityId("break3x3"), -1);
    Frames(5);
    Settle(100);
    if (inventoryShot)
        Shot(inventoryShot);

    // The bonus prize dialog's start page, an item prize with the second shop's keeper.
    g_profileToolBelt.SetValue(true);
    ZStringTable* strings = ZStringTable::GetInstance();
    SBonusPrize prize;
    prize.title = strings->GetText("crew.title");
    prize.intro = strings->GetText("inventory.description");
    prize.item = ZAbilityManager::FindAbilityId("break3x3");
    prize.count = 2;
    prize.shop = 1;
    ZBonusEndOfLevel* bonus = ZBonusEndOfLevel::GetInstance();
    bonus->SetPrize(prize);
    ZGame::GotoState(bonus);
    Frames(5);
    bonus->ShowStart();
    Settle(100);
    if (bonusShot)
        Shot(bonusShot);
}
