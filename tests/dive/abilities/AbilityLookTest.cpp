// What the abilities look like in a dive: a belt of ability buttons with their icons beside a
// board with ice, an armed area break previewing the tiles it would hit, drawn by the OpenGL back
// end from the game's generated pictures and written as a PNG for a person to look at. Runs only
// when QV_ABILITY_SHOT names the file to write (and a display is there).
#include "engine/core/ZNameId.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/ui/ZSprite2D.h"
#include "game/dive/abilities/ZAbilityButton.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/model/ZBoardGrid.h"
#include "tests/dive/board/DiveLookSupport.h"

namespace
{
class AbilityLook : public divetest::DiveLook
{
protected:
    void BeforeGameGoes() override { ZAbilityManager::DestroyInstance(); }
};
} // namespace

TEST_F(AbilityLook, ABeltAndAnArmedAbilityOnABoardWithIce)
{
    const char* shot = ShotFile("QV_ABILITY_SHOT");
    if (!shot)
        GTEST_SKIP() << "QV_ABILITY_SHOT names no file to write";
    std::string why;
    if (!Open("volcano01", why))
    {
        if (!why.empty())
            GTEST_SKIP() << why;
        return;
    }
    ZAbilityManager* manager = ZAbilityManager::GetInstance();
    // A belt of five items down the left edge, each button a panel with its icon.
    const char* items[5] = {"break3x3", "swap", "air", "haltfreeze", "breakallchains"};
    for (int i = 0; i < 5; ++i)
    {
        ZAbilityButton* button = ZAbilityButton::Create();
        button->SetPositionXYZ(-350.0f, 160.0f - 80.0f * float(i), -50.0f);
        dive->GetRoot()->AddChild(button);
        ZSprite2D* back = ZSprite2D::Create();
        back->SetName("idle");
        back->SetTexture(ZTexture::FindOrLoad("resources:button_round_idle.png", 0, 1), true);
        back->SetSize(72.0f, 72.0f);
        button->AddChild(back);
        ZSprite2D* icon = ZSprite2D::Create();
        icon->SetName("icon");
        icon->SetSize(56.0f, 56.0f);
        icon->SetPositionXYZ(0.0f, 0.0f, -1.0f);
        button->AddChild(icon);
        button->SetProperty(ZNameId("idle").Value(), "idle", "idle");
        button->OnLoaded();
        button->SetItem(ZAbilityManager::FindAbilityId(items[i]));
        button->SetEnabled(i != 4);
    }
    // The area break armed and previewed at the board's centre tile.
    manager->ArmAbilityById(ZAbilityManager::FindAbilityId("break3x3"));
    ZBoardGrid& grid = board->grid();
    board->setHoverTile(grid.tileAt(grid.getWidth() / 2, grid.getHeight() / 2));
    for (int i = 0; i < 30; ++i)
        Frame(0.02);
    Shot(shot);
    manager->DisarmAbility();
}
