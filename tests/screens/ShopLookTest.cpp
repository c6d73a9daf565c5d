// The shops and the new-stock dialog drawn on a real window for a person to look at:
// QV_SHOP_SHOT names the PNG file of the first shop; the other shops, the prompt and the dialog go
// next to it with "_2", "_3", "_prompt" and "_newstock" before the extension (the test skips
// without the variable or a display).
#include <gtest/gtest.h>

#include <string>

#include "dive/board/DiveLookSupport.h"
#include "engine/app/ZFader.h"
#include "engine/core/ZPropertyManager.h"
#include "game/common/ZShellSettings.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZInventory.h"
#include "game/screens/ZNewStockDialog.h"
#include "game/screens/ZShop.h"

namespace
{
class ShopLook : public divetest::DiveLook
{
protected:
    void BeforeGameGoes() override
    {
        for (ZShop*& shop : shops)
        {
            delete shop;
            shop = nullptr;
        }
        ZNewStockDialog::DestroyInstance();
        ZInventory::DestroyInstance();
        ZAbilityManager::DestroyInstance();
        g_profileTreasure.Reset(false);
        // The dimming dialog made the fader, whose camera goes with this test's scene.
        ZFader::DestroyInstance();
    }
    static std::string Beside(const char* file, const char* suffix)
    {
        std::string name = file;
        const size_t dot = name.rfind('.');
        return dot == std::string::npos ? name + suffix : name.substr(0, dot) + suffix + name.substr(dot);
    }

    ZShop* shops[3] = {};
};
} // namespace

TEST_F(ShopLook, TheShopsOnScreen)
{
    const char* shot = ShotFile("QV_SHOP_SHOT");
    if (!shot)
        GTEST_SKIP() << "QV_SHOP_SHOT names no file to write";
    std::string why;
    if (!Open("sand_01", why))
    {
        if (!why.empty())
            GTEST_SKIP() << why;
        return;
    }
    ZAbilityManager* abilities = ZAbilityManager::GetInstance();
    ZInventory::GetInstance();
    const int fresh = ZAbilityManager::FindAbilityId("breakdiagonal");
    for (int id = 0; id < ZAbilityManager::kItemCount; ++id)
        if (ZPropertyBool* unlock = abilities->GetUnlockSetting(id))
            unlock->SetValue(id != fresh);
    for (int row = 0; row < ZAbilityManager::kUpgradeCount; ++row)
        abilities->GetUpgradeUnlockSetting(row)->SetValue(true);
    ZPropertyManager::GetInstance()->FindTyped<int32_t>("profile.chest")->SetValue(1);
    g_profileTreasure.SetValue(2750);
    for (int i = 0; i < 3; ++i)
    {
        char layout[32];
        std::snprintf(layout, sizeof layout, "resources:shop%i.xml", i + 1);
        shops[i] = ZShop::Create(layout, i);
    }
    // An item comes in while the first shop is closed: it wears the new-stock sign.
    ASSERT_EQ(shops[0]->Load(), 0);
    abilities->GetUnlockSetting(fresh)->SetValue(true);
    ZGame::GotoState(shops[0]);
    Settle(40);
    Shot(shot);
    for (int i = 1; i < 3; ++i)
    {
        ZGame::PeekInstance()->PopState();
        ZGame::GotoState(shops[i]);
        Settle(40);
        Shot(Beside(shot, i == 1 ? "_2" : "_3").c_str());
    }
    ZNewStockDialog* dialog = ZNewStockDialog::GetInstance();
    ASSERT_EQ(dialog->Load(), 0);
    dialog->Announce("breakrandom");
    Settle(40);
    Shot(Beside(shot, "_newstock").c_str());
}
