// What a dive in its whole HUD looks like: a shipped board in the in-game state's layout, drawn by
// the OpenGL back end from the game's generated pictures over the sea behind it, written as a PNG
// for a person to look at. Runs only when QV_HUD_SHOT names the file to write (and a display is
// there).
#include "engine/core/ZPropertyManager.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZSprite2D.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/crew/ZInventory.h"
#include "game/dive/hud/ZTreasureBar.h"
#include "tests/dive/board/DiveLookSupport.h"

using DiveLook = divetest::DiveLook;

TEST_F(DiveLook, TheDiveInItsWholeHud)
{
    const char* shot = ShotFile("QV_HUD_SHOT");
    if (!shot)
        GTEST_SKIP() << "QV_HUD_SHOT names no file to write";
    std::string why;
    if (!Open("sand01", why))
    {
        if (!why.empty())
            GTEST_SKIP() << why;
        return;
    }
    // The game's texts, as the engine loads them at start-up.
    ZResourcePath strings("localized:strings.xml");
    if (strings.Open() == 0)
    {
        ZStringTable::GetInstance()->LoadXml(strings.GetFile());
        strings.Close();
    }
    // The layout was read before them: its captions take their texts again.
    const char* const captions[][2] = {{"rightbar/levelwidget/level_caption", "game.level"},
                                       {"rightbar/scorewidget/score_caption", "game.score"},
                                       {"rightbar/end_dive_button/caption", "game.enddive"}};
    for (const auto& caption : captions)
    {
        if (auto* text = ZEntityCast<ZFontText>(dive->GetRoot()->FindNode(caption[0])))
            text->SetText(ZStringTable::GetInstance()->GetText(caption[1]));
    }
    dive->StartLevel("sand01", 1, -1);
    for (int i = 0; i < 150; ++i)
        Frame(0.02);
    board = ZBoard::GetInstance();
    // The sea the game's background draws behind every screen.
    ZSprite2D* sea = ZSprite2D::CreateFromTexture(ZTexture::FindOrLoad("resources:theme_background_sand_0.jpg", 0, 1));
    sea->SetName("sea");
    sea->SetSize(800.0f, 600.0f);
    sea->SetPositionXYZ(0.0f, 0.0f, 90.0f);
    dive->GetRoot()->AddChild(sea);
    if (ZNode* light = dive->GetThemeLight(0))
        light->SetHidden(false);
    // A dive under way: a full tool belt, some treasure, a score, a medal reached, the rotation bar.
    // The item counts are the inventory's settings: without it they do not exist and the belt
    // shows every tool dimmed with no count.
    const bool ownInventory = !ZInventory::PeekInstance();
    ZInventory::GetInstance();
    g_profileNumSlots.SetValue(5);
    const char* const tools[5] = {"break3x3", "air2", "swap", "breakrow", "breaktile"};
    for (int i = 0; i < 5; ++i)
    {
        const std::string count = std::string("profile.inventory.") + tools[i];
        ZPropertyManager::GetInstance()->SetByName(count, "3", false);
        g_profileSlot[i].SetValue(tools[i]);
    }
    g_profileScore.SetValue(12450);
    if (ZTreasureBar* chest = ZTreasureBar::PeekInstance())
        chest->SetValue(640);
    if (ZNode* top = dive->GetTopBar())
        top->SetHidden(false);
    g_profileAmulet.SetValue(3);
    ZCompletionBar::PeekInstance()->FillSlot('D', nullptr);
    dive->ShowEndDiveButton(true, false);
    for (int i = 0; i < 60; ++i)
        Frame(0.02);
    Shot(shot);
    g_profileAmulet.SetValue(0);
    g_profileScore.SetValue(0);
    for (ZPropertyText& slot : g_profileSlot)
        slot.SetValue(std::string());
    g_profileNumSlots.SetValue(0);
    if (ownInventory)
        ZInventory::DestroyInstance();
}
