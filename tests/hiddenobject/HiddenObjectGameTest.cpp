// The bonus game on the real state stack, driven by the pointer: a click finds an object only on
// its own opaque pixels; groups count down and tick their line when complete; a container finds
// and hides what it holds; the hint recharges; the arrows scroll; a level ends won or given up
// with its prize. Level files with cycles, unknown objects, too many entries or cut short are
// trimmed or refused with a log line, never hang. Generated levels repeat for the same seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/ZProperty.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZRandom.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZGameMenu.h"
#include "engine/ui/ZSprite2D.h"
#include "game/common/IGameShell.h"
#include "game/hiddenobject/ZHiddenObject.h"
#include "game/hiddenobject/ZHiddenObjectGame.h"
#include "game/hiddenobject/ZHiddenObjectLevel.h"
#include "support/TestFiles.h"
#include "tests/support/ScreenTestSupport.h"

namespace
{
// The settings the game reads by key, for a run without the shell that owns them. Where the shell
// is linked in, its own settings of these names are the ones found.
ZPropertyInt s_treasure("profile.treasure", "", "", ZProperty::kSaved, ZProperty::kNoGroup, 0, 2000000000, 0);
ZPropertyBool s_relax("profile.relaxmode", "", "", ZProperty::kSaved, ZProperty::kNoGroup, false);
ZPropertyFloat s_hintCharge("zelk.hintcharge", "", "", 0, ZProperty::kNoGroup, 30.0f, 100.0f, 0.1f);

ZPropertyInt* Treasure()
{
    return ZPropertyManager::GetInstance()->FindTyped<int32_t>("profile.treasure");
}
ZPropertyBool* ToolBelt()
{
    return ZPropertyManager::GetInstance()->FindTyped<bool>("profile.toolbelt");
}

// A shell with a small item table and an inventory, and a prize dialog that only records.
class PrizeShell : public IGameShell
{
public:
    int FindItemId(const char* name) override
    {
        for (const auto& [id, item] : items)
            if (item.name == name)
                return id;
        return -1;
    }
    const char* GetItemName(int id) override { return items.count(id) ? items[id].name.c_str() : nullptr; }
    int GetItemPrice(int id) override { return items.count(id) ? items[id].price : 0; }
    int PickAffordableItem(int budget, int* price) override
    {
        for (const auto& [id, item] : items)
            if (item.price <= budget && id != lastPicked)
            {
                lastPicked = id;
                if (price)
                    *price = item.price;
                return id;
            }
        if (price)
            *price = 0;
        return -1;
    }
    void AddInventoryItems(int id, int count) override { inventory[id] = std::min(inventory[id] + count, 99); }
    bool ShowBonusPrize(IBonusPrize* prize, bool startPage, bool won) override
    {
        if (!dialog)
            return false;
        pages.push_back(std::string(startPage ? "start" : (won ? "won" : "missed")));
        shown = prize;
        return true;
    }

    struct Item
    {
        std::string name;
        int price;
    };
    std::map<int, Item> items{{1, {"swap", 500}}, {16, {"air", 300}}, {5, {"breaktile", 400}}};
    std::map<int, int> inventory;
    std::vector<std::string> pages;
    IBonusPrize* shown = nullptr;
    bool dialog = false;
    int lastPicked = -1;
};

class HiddenObjectTest : public uitest::ScreenTest
{
protected:
    void SetUp() override
    {
        table.AddMount("resources", (std::string(QV_FIXTURES) + "/hiddenobject").c_str());
        ScreenTest::SetUp();
        SetGameShell(&shell);
        ZStringTable* strings = ZStringTable::GetInstance();
        for (const auto& [key, text] : {std::pair{"hidden.cup.name", "Cup"}, std::pair{"hidden.cup.plural", "Cups"},
                                        std::pair{"hidden.ho1_coins.name", "Coin"},
                                        std::pair{"hidden.ho1_coins.plural", "Coins"},
                                        std::pair{"hidden.box.name", "Box"}, std::pair{"hidden.pearl.name", "Pearl"},
                                        std::pair{"ho1.cups.intro", "Find %i cups"}})
            strings->Add(key, text, std::strlen(text));
        Treasure()->SetValue(0);
        if (ToolBelt())
            ToolBelt()->SetValue(false);
        ZPropertyManager::GetInstance()->FindTyped<bool>("profile.relaxmode")->SetValue(false);
        RandomSeed(1234);
    }
    void TearDown() override
    {
        SetGameShell(nullptr);
        game.reset();
        ZHiddenObjectGame::ReleaseAll();
        ScreenTest::TearDown();
    }

    ZHiddenObjectGame* Make(const char* levels = "resources:hiddenobjectlevels1.xml",
                            const char* picture = "resources:hiddenobject1.xml")
    {
        ZHiddenObjectGame* h = ZHiddenObjectGame::Get("hidden1");
        h->Setup(0, picture, levels);
        return h;
    }
    ZHiddenObjectLevel* Level(const char* name) { return ZHiddenObjectLevel::Find(name); }

    // Gives the item a picture whose left half is opaque and right half clear, so the click test
    // has pixels to read.
    void HalfOpaque(ZHiddenObjectGame* h, const char* item)
    {
        auto* sprite = ZEntityCast<ZSprite2D>(h->GetItemsNode()->FindNode(item));
        ASSERT_NE(sprite, nullptr);
        const int w = 40, hgt = 40;
        auto* pixels = static_cast<uint8_t*>(std::malloc(size_t(w * hgt * 4)));
        for (int y = 0; y < hgt; ++y)
            for (int x = 0; x < w; ++x)
            {
                uint8_t* p = pixels + (y * w + x) * 4;
                p[0] = p[1] = p[2] = 200;
                p[3] = x < w / 2 ? 255 : 0;
            }
        auto* texture = new ZTexture();
        texture->StoreImage(pixels, kPixelBGRA, w, hgt, w, hgt, false);
        texture->AddTextureFlags(kTexturePixels | kTextureKeepAlpha);
        if (!sprite->GetMaterial())
            sprite->SetTextureMaterial(item);
        sprite->SetTexture(texture, true);
    }

    // Starts the level and puts the screen on the stack until play begins.
    void Play(ZHiddenObjectGame* h, const char* level)
    {
        h->StartLevel(Level(level));
        ASSERT_EQ(h->GetCurrentLevel(), Level(level));
        Go(h);
        Frames(2);
        ASSERT_EQ(Top(), h);
        ASSERT_EQ(h->GetPhase(), ZHiddenObjectGame::kPhasePlaying);
    }

    // Where an item of the picture is on the screen now.
    V2 ScreenOf(ZHiddenObjectGame* h, const char* item)
    {
        auto* node = ZEntityCast<ZGeom>(h->GetItemsNode()->FindNode(item));
        const V3 p = node->GetWorldPosition();
        return {p.x, p.y};
    }
    std::string SlotText(ZHiddenObjectGame* h, int slot)
    {
        ZFontText* text = h->GetSlotText(slot);
        return text ? text->GetText() : "<none>";
    }
    int SlotOf(ZHiddenObjectGame* h, const char* key)
    {
        (void)h;
        return ZHiddenObject::Find(key)->GetSlot();
    }
    bool Ticked(ZHiddenObjectGame* h, const char* key)
    {
        ZNode* mark = h->GetCheckmark(SlotOf(h, key));
        return mark && mark->IsActive();
    }

    PrizeShell shell;
};

TEST_F(HiddenObjectTest, AClickFindsAnObjectOnlyOnItsOwnOpaquePixels)
{
    ZHiddenObjectGame* h = Make();
    Play(h, "cups");
    HalfOpaque(h, "cup");
    EXPECT_EQ(SlotText(h, SlotOf(h, "ho1_cup")), "Cup");

    // The clear right half of the cup's rectangle: no find, and no wrong-click either.
    const V2 cup = ScreenOf(h, "cup");
    ClickAt(cup.x + 12.0f, cup.y);
    Frames(2);
    EXPECT_FALSE(Ticked(h, "ho1_cup"));
    EXPECT_TRUE(h->GetItemsNode()->FindNode("cup")->TestFlags(kNodePickable));

    // Its opaque left half.
    ClickAt(cup.x - 12.0f, cup.y);
    Frames(2);
    EXPECT_TRUE(Ticked(h, "ho1_cup"));
    EXPECT_FALSE(h->GetItemsNode()->FindNode("cup")->TestFlags(kNodePickable));
    EXPECT_EQ(h->GetCurrentLevel()->GetFoundCount(), 1);

    // A second click on it changes nothing.
    ClickAt(cup.x - 12.0f, cup.y);
    Frames(2);
    EXPECT_EQ(h->GetCurrentLevel()->GetFoundCount(), 1);

    // An object that is not on this level's list is a wrong click: nothing is found.
    const V2 plate = ScreenOf(h, "plate");
    ClickAt(plate.x, plate.y);
    Frames(2);
    EXPECT_EQ(h->GetCurrentLevel()->GetFoundCount(), 1);
    EXPECT_EQ(h->FindObjectByKey("ho1_plate")->GetSlot(), -1);
}

TEST_F(HiddenObjectTest, AGroupCountsDownAndAContainerFindsWhatItHolds)
{
    ZHiddenObjectGame* h = Make();
    Play(h, "coins");
    const int coins = SlotOf(h, "ho1_coins");
    EXPECT_EQ(SlotText(h, coins), "2 Coins");
    // Visible 3: all three coins are in the picture, two of them needed.
    for (const char* coin : {"coin_a", "coin_b", "coin_c"})
        EXPECT_TRUE(h->GetItemsNode()->FindNode(coin)->IsActive()) << coin;

    V2 p = ScreenOf(h, "coin_b");
    ClickAt(p.x, p.y);
    Frames(2);
    EXPECT_EQ(SlotText(h, coins), "Coin");
    EXPECT_FALSE(Ticked(h, "ho1_coins"));
    p = ScreenOf(h, "coin_c");
    ClickAt(p.x, p.y);
    Frames(2);
    EXPECT_TRUE(Ticked(h, "ho1_coins"));

    // The box holds the pearl: finding the box finds the pearl too and takes it off the picture.
    p = ScreenOf(h, "box");
    ClickAt(p.x, p.y);
    Frames(2);
    EXPECT_TRUE(Ticked(h, "ho1_box"));
    EXPECT_TRUE(Ticked(h, "ho1_pearl"));
    EXPECT_FALSE(h->GetItemsNode()->FindNode("pearl")->IsActive());
    EXPECT_TRUE(h->GetCurrentLevel()->IsComplete());
    EXPECT_EQ(h->GetPhase(), ZHiddenObjectGame::kPhaseAllFound);
}

TEST_F(HiddenObjectTest, AWonLevelPaysItsPrizeAfterAMomentAndShowsTheResultPage)
{
    ZHiddenObjectGame* h = Make();
    shell.dialog = true;
    h->StartLevel(Level("cups"));
    Go(h);
    Frames(2);
    ASSERT_EQ(shell.pages, std::vector<std::string>{"start"});
    ASSERT_EQ(shell.shown, Level("cups"));
    EXPECT_STREQ(Level("cups")->GetPrizeIntro(), "Find 2 cups");
    // An intro with a conversion it is not given shows as it stands.
    ZStringTable::GetInstance()->Add("ho1.cups.intro", "Find %i %s", 10);
    Level("cups")->InitTexts();
    EXPECT_STREQ(Level("cups")->GetPrizeIntro(), "Find %i %s");
    EXPECT_EQ(h->GetPhase(), ZHiddenObjectGame::kPhaseIdle);
    shell.shown->OnPrizeDialogButton(true);
    EXPECT_EQ(h->GetPhase(), ZHiddenObjectGame::kPhasePlaying);

    for (const char* item : {"cup", "far"})
    {
        // The far one lies off screen: the arrows bring it in.
        V2 p = ScreenOf(h, item);
        if (p.x > 230.0f || p.y > 280.0f)
        {
            h->ScrollBy(1, 1);
            Frames(80);
            p = ScreenOf(h, item);
        }
        ClickAt(p.x, p.y);
        Frames(2);
    }
    EXPECT_EQ(h->GetPhase(), ZHiddenObjectGame::kPhaseAllFound);
    EXPECT_EQ(Treasure()->GetValue(), 0);
    Frames(60);
    EXPECT_EQ(h->GetPhase(), ZHiddenObjectGame::kPhaseEnded);
    // Without the tool belt the prize is treasure: 100 for each object found.
    EXPECT_EQ(Treasure()->GetValue(), 200);
    EXPECT_EQ(shell.pages, (std::vector<std::string>{"start", "won"}));
}

TEST_F(HiddenObjectTest, WithTheToolBeltAnItemAwardGoesToTheInventory)
{
    if (!ToolBelt())
        GTEST_SKIP() << "no tool belt setting";
    ToolBelt()->SetValue(true);
    ZHiddenObjectGame* h = Make();
    Play(h, "coins");
    EXPECT_EQ(Level("coins")->GetPrizeItem(), 1);
    EXPECT_EQ(Level("coins")->GetPrizeCount(), 2);
    h->SetPhase(ZHiddenObjectGame::kPhaseEnded);
    h->EndLevel(true);
    EXPECT_EQ(shell.inventory[1], 2);
    EXPECT_EQ(Treasure()->GetValue(), 0);
}

TEST_F(HiddenObjectTest, LeavingAsksOnlyOnceSomethingIsFoundAndGivingUpPaysNothing)
{
    std::unique_ptr<ZDialogGameState> dialog(ZDialogGameState::Create("resources:dialog_yesno.xml"));
    ASSERT_NE(dialog, nullptr);
    ZHiddenObjectGame* h = Make();
    h->SetConfirmDialog(dialog.get());
    Play(h, "coins");
    h->OnClicked(h->GetLeaveButton());
    Frames(4);
    EXPECT_EQ(Top(), &screen);

    Play(h, "coins");
    const V2 p = ScreenOf(h, "box");
    ClickAt(p.x, p.y);
    Frames(2);
    h->OnClicked(h->GetLeaveButton());
    Frames(4);
    ASSERT_EQ(Top(), dialog.get());
    EXPECT_EQ(h->GetPhase(), ZHiddenObjectGame::kPhasePlaying);
    // Yes: the question closes and the level is given up, which leaves the screen as well.
    dialog->OnDialogEvent(ZDialog2D::kAccepted, dialog->GetDialog());
    Frames(6);
    EXPECT_EQ(Top(), &screen);
    EXPECT_EQ(h->GetPhase(), ZHiddenObjectGame::kPhaseIdle);
    EXPECT_EQ(Treasure()->GetValue(), 0);
    h->SetConfirmDialog(nullptr);
    game.reset();
}

TEST_F(HiddenObjectTest, TheMenuButtonOpensThePauseMenuOverTheGame)
{
    // The game object's in-game menu is a pause menu that keeps the pause menu's state name.
    ZGameMenu menu;
    menu.Init();
    ZHiddenObjectGame* h = Make();
    Play(h, "coins");
    h->OnClicked(h->GetMenuButton());
    Frames(4);
    EXPECT_EQ(Top(), &menu);
    game->PopState();
    Frames(4);
    EXPECT_EQ(Top(), h);
    game.reset();
}

TEST_F(HiddenObjectTest, TheHintMarksAnObjectToFindAndRecharges)
{
    ZHiddenObjectGame* h = Make();
    Play(h, "coins");
    EXPECT_NEAR(h->GetHintCharge(), 0.0f, 0.01f);
    EXPECT_FALSE(h->GetHintButton()->IsEnabled());
    // A full charge takes zelk.hintcharge seconds.
    Frames(int(30.0 / 0.02) + 2);
    EXPECT_FLOAT_EQ(h->GetHintCharge(), 1.0f);
    EXPECT_TRUE(h->GetHintButton()->IsEnabled());

    h->OnClicked(h->GetHintButton());
    EXPECT_EQ(h->GetHintsUsed(), 1);
    ASSERT_TRUE(h->GetHintMarker()->IsActive());
    // The marker sits on one of the objects still to find (a coin, the box or the pearl).
    const V3 marker = h->GetHintMarker()->Position();
    // Within 15 % of its own size of the object's centre, either way.
    const float spread = 0.15f * h->GetHintMarker()->GetScaledSize().x + 0.5f;
    bool onOne = false;
    for (const char* item : {"coin_a", "coin_b", "coin_c", "box", "pearl"})
    {
        const V3 at = static_cast<ZGeom*>(h->GetItemsNode()->FindNode(item))->Position();
        onOne = onOne || (std::fabs(at.x - marker.x) <= spread && std::fabs(at.y - marker.y) <= spread);
    }
    EXPECT_TRUE(onOne) << marker.x << ", " << marker.y;
    EXPECT_FALSE(h->GetHintButton()->IsEnabled());
    EXPECT_NEAR(h->GetHintCharge(), 0.0f, 0.01f);
    Frames(80);
    EXPECT_FALSE(h->GetHintMarker()->IsActive());
}

TEST_F(HiddenObjectTest, TheArrowsScrollToTheEdgesOfThePictureAndShowWhereMoreIs)
{
    ZHiddenObjectGame* h = Make();
    Play(h, "cups");
    ASSERT_TRUE(h->CanScrollX() && h->CanScrollY());
    EXPECT_FLOAT_EQ(h->GetViewPosition().x, -59.0f);
    // Right arrow: to the picture's right edge, x = -(1200 - 800) / 2 - 118.
    const V3 right = static_cast<ZGeom*>(h->GetArrow(ZHiddenObjectGame::kArrowRight))->GetWorldPosition();
    ClickAt(right.x, right.y);
    Frames(150);
    EXPECT_FLOAT_EQ(h->GetViewPosition().x, -318.0f);
    EXPECT_FALSE(h->GetArrow(ZHiddenObjectGame::kArrowRight)->IsActive());
    EXPECT_TRUE(h->GetArrow(ZHiddenObjectGame::kArrowLeft)->IsActive());
    h->ScrollBy(0, -1);
    Frames(150);
    EXPECT_FLOAT_EQ(h->GetViewPosition().y, 150.0f);
    EXPECT_FALSE(h->GetArrow(ZHiddenObjectGame::kArrowDown)->IsActive());
}

TEST_F(HiddenObjectTest, ThePointerAtAnEdgeSlidesThePictureThatWayUpToItsBorder)
{
    ZHiddenObjectGame* h = Make();
    Play(h, "cups");
    // The picture is 1200 x 900: the view x runs from -318 to 200 and y from -150 to 150.
    struct Case
    {
        const char* edge;
        float x, y;  // where the pointer rests
        float viewX; // where the view ends up on the axis that scrolls (0: the other axis)
        float viewY;
    };
    const Case cases[] = {
        {"left", -395.0f, 0.0f, 200.0f, 0.0f},
        {"right", 400.0f - 118.0f - 5.0f, 0.0f, -318.0f, 0.0f},
        {"top", -100.0f, 295.0f, 0.0f, -150.0f},
        {"bottom", -100.0f, -295.0f, 0.0f, 150.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.edge);
        // The pointer wobbles by a unit in the band, as a resting hand does.
        for (int i = 0; i < 300; ++i)
        {
            MoveToLogical(c.x + float(i % 2), c.y);
            Frames(1);
        }
        const V3 after = h->GetViewPosition();
        if (c.viewX != 0.0f)
        {
            EXPECT_FLOAT_EQ(after.x, c.viewX);
        }
        if (c.viewY != 0.0f)
        {
            EXPECT_FLOAT_EQ(after.y, c.viewY);
        }
        // Back in the middle the picture comes to rest where it is.
        MoveToLogical(-100.0f, 0.0f);
        Frames(100);
        const V3 rest = h->GetViewPosition();
        Frames(20);
        EXPECT_FLOAT_EQ(h->GetViewPosition().x, rest.x);
        EXPECT_FLOAT_EQ(h->GetViewPosition().y, rest.y);
    }
}

TEST_F(HiddenObjectTest, APictureThatFitsShowsNoArrowsAndIgnoresSteps)
{
    ZHiddenObjectGame* h = Make("resources:hiddenobjectlevels1.xml", "resources:hiddenobject_small.xml");
    ASSERT_EQ(h->Load(), 0);
    EXPECT_FALSE(h->CanScrollX());
    EXPECT_FALSE(h->CanScrollY());
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(h->GetArrow(i)->IsActive());
    h->ScrollBy(1, 1);
    EXPECT_FLOAT_EQ(h->GetViewTarget().x, -59.0f);
    EXPECT_FLOAT_EQ(h->GetViewTarget().y, 0.0f);
}

TEST_F(HiddenObjectTest, AGeneratedLevelRepeatsForItsSeed)
{
    ZHiddenObjectGame* h = Make();
    ASSERT_EQ(h->Load(), 0);
    auto entries = [](ZHiddenObjectLevel* level)
    {
        std::vector<std::string> out;
        for (const auto& [id, e] : level->GetEntries())
            out.push_back(std::string(e.object->GetName()) + ":" + std::to_string(e.needed) + "/" +
                          std::to_string(e.visible));
        return out;
    };
    std::vector<std::vector<std::string>> runs;
    std::vector<std::string> awards;
    for (uint32_t seed : {77u, 77u, 78u})
    {
        RandomSeed(seed);
        shell.lastPicked = -1;
        ZHiddenObjectLevel* level = h->GenerateLevel(4);
        ASSERT_NE(level, nullptr);
        EXPECT_FALSE(level->GetEntries().empty());
        EXPECT_LE(level->GetAwardCount(), 4 + 1);
        runs.push_back(entries(level));
        awards.push_back(level->GetAward());
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_EQ(awards[0], awards[1]);
    EXPECT_NE(Level("ho0_autogenerated_0"), Level("ho0_autogenerated_1"));
    EXPECT_EQ(h->GetGeneratedCount(), 3);
}

TEST_F(HiddenObjectTest, PickingAlwaysStartsALevelTheSidebarCanHold)
{
    ZHiddenObjectGame* h = Make();
    for (int i = 0; i < 20; ++i)
    {
        h->PickLevel();
        ZHiddenObjectLevel* level = h->GetCurrentLevel();
        ASSERT_NE(level, nullptr);
        EXPECT_LE(int(level->GetRemaining().size()), h->GetSlotCount());
        EXPECT_FALSE(level->GetRemaining().empty());
    }
}

TEST_F(HiddenObjectTest, AMissionNamingALevelWithNothingToFindStartsAPickedOneInstead)
{
    ZHiddenObjectGame* h = Make();
    // The campaign gets or creates the level by the mission's name before the screen loads.
    ZHiddenObjectLevel* unknown = ZHiddenObjectLevel::Find("no_such_mission");
    h->StartLevel(unknown);
    ZHiddenObjectLevel* level = h->GetCurrentLevel();
    ASSERT_NE(level, nullptr);
    EXPECT_NE(level, unknown);
    EXPECT_FALSE(level->GetRemaining().empty());
    EXPECT_TRUE(h->IsLevelStarted());
}

TEST_F(HiddenObjectTest, CyclesInTemplatesContainersAndGroupsEnd)
{
    ZHiddenObjectGame* h = Make("resources:hiddenobjectlevels_cycle.xml");
    ASSERT_EQ(h->Load(), 0);
    ZHiddenObject* cup = h->FindObjectByKey("ho1_cup");
    ASSERT_NE(cup, nullptr);
    cup->UpdateLabel();
    Play(h, "loops");
    // The box holds the pearl, which holds the box: one click ends.
    const V2 p = ScreenOf(h, "box");
    ClickAt(p.x, p.y);
    Frames(2);
    EXPECT_TRUE(Ticked(h, "ho1_box"));
    EXPECT_FALSE(h->GetItemsNode()->FindNode("pearl")->IsActive());
    // Groups that hold each other: the hint and the finds end too.
    h->UseHint();
    for (const char* coin : {"coin_a", "coin_b"})
    {
        const V2 c = ScreenOf(h, coin);
        ClickAt(c.x, c.y);
        Frames(2);
    }
    SUCCEED();
}

TEST_F(HiddenObjectTest, BadLevelFilesAreTrimmedOrRefusedWithALogLine)
{
    // Objects that are not in the picture: the level that names only those goes.
    {
        ZHiddenObjectGame* h = Make();
        testing::internal::CaptureStderr();
        ASSERT_EQ(h->Load(), 0);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find("\"ghosts\" has nothing to find"), std::string::npos) << log;
        EXPECT_NE(log.find("ho1_ghost"), std::string::npos) << log;
        EXPECT_EQ(h->GetLevels().size(), 2u);
        ZHiddenObjectGame::ReleaseAll();
    }
    // Cut short: refused, and nothing of it is played.
    {
        ZHiddenObjectGame* h = Make("resources:hiddenobjectlevels_cut.xml");
        testing::internal::CaptureStderr();
        EXPECT_NE(h->Load(), 0);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find("cannot be read"), std::string::npos) << log;
        EXPECT_TRUE(h->GetLevels().empty());
        h->PickLevel();
        EXPECT_EQ(h->GetCurrentLevel(), nullptr);
        ZHiddenObjectGame::ReleaseAll();
    }
    // Thousands of entries: the level keeps as many as the sidebar has lines.
    {
        qvtest::TempDir dir("qvhidden");
        std::ofstream out(dir / "many.xml");
        out << "<hiddenobjectgame name=\"hidden1\"><hiddenobjectlevel name=\"many\">\n";
        for (int i = 0; i < 5000; ++i)
            out << "<hiddenobject name=\"ho1_thing" << i << "\"/>\n";
        for (const char* item : {"cup", "plate", "box", "pearl", "far", "coin_a", "coin_b", "coin_c"})
            out << "<hiddenobject name=\"ho1_" << item << "\"/>\n";
        out << "</hiddenobjectlevel></hiddenobjectgame>\n";
        out.close();
        table.AddMount("scratch", dir.Path().c_str());
        ZHiddenObjectGame* h = Make("scratch:many.xml");
        testing::internal::CaptureStderr();
        ASSERT_EQ(h->Load(), 0);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find("\"many\""), std::string::npos) << log;
        ZHiddenObjectLevel* many = Level("many");
        EXPECT_LE(int(many->GetEntries().size()), h->GetSlotCount());
        EXPECT_LE(ZHiddenObject::GetCount(), ZHiddenObject::kMaxObjects);
        h->StartLevel(many);
        EXPECT_LE(int(many->GetRemaining().size()), h->GetSlotCount());
    }
}

TEST_F(HiddenObjectTest, LabelsCountDownAndShowUnknownWithoutTexts)
{
    ZHiddenObject* group = ZHiddenObject::Find("ho1_coins");
    for (const char* m : {"ho1_x1", "ho1_x2", "ho1_x3"})
        group->AddMember(ZHiddenObject::Find(m));
    group->SetNeeded(3);
    EXPECT_EQ(group->GetLabel(), "3 Coins");
    ZHiddenObject* found = nullptr;
    group->SetVisibleCount(3);
    EXPECT_TRUE(group->TryFind(ZHiddenObject::Find("ho1_x1"), found));
    EXPECT_EQ(found, group);
    EXPECT_EQ(group->GetLabel(), "2 Coins");
    EXPECT_TRUE(group->TryFind(ZHiddenObject::Find("ho1_x2"), found));
    EXPECT_EQ(group->GetLabel(), "Coin");
    EXPECT_EQ(ZHiddenObject::Find("ho1_nameless")->GetLabel(), "[ unknown ]");
}
// The shipped locations, made as the game object makes them, over the shipped data and texts.
class ShippedHiddenObjectTest : public HiddenObjectTest
{
protected:
    void SetUp() override
    {
        table.AddMount("resources", (std::string(QV_BINARY_DIR) + "/data/resources").c_str());
        table.AddMount("resources", (std::string(QV_SOURCE_DIR) + "/data").c_str());
        table.AddMount("localized", (std::string(QV_SOURCE_DIR) + "/data/localized/en").c_str());
        HiddenObjectTest::SetUp();
        if (IFile* strings = ZFileSystem::GetInstance()->Open("localized:strings.xml", FILE_READ))
        {
            if (strings->Open() == 0)
                ZStringTable::GetInstance()->LoadXml(strings);
            delete strings;
        }
    }
};

TEST_F(ShippedHiddenObjectTest, EachLocationLoadsItsLevelsAndGoesBackToTheScreenThatOpenedIt)
{
    std::unique_ptr<ZDialogGameState> dialog(ZDialogGameState::Create("resources:dialog_yesno.xml"));
    ASSERT_NE(dialog, nullptr);
    for (int n = 1; n <= 3; ++n)
    {
        SCOPED_TRACE("location " + std::to_string(n));
        const std::string name = "hidden" + std::to_string(n);
        const std::string picture = "resources:hiddenobject" + std::to_string(n) + ".xml";
        const std::string levels = "resources:hiddenobjectlevels" + std::to_string(n) + ".xml";
        ZHiddenObjectGame* h = GetHiddenObjectGame(name.c_str());
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(GetHiddenObjectGame(name.c_str()), h);
        h->Setup(n - 1, picture.c_str(), levels.c_str());
        h->SetConfirmDialog(dialog.get());
        h->PickLevel();
        ASSERT_NE(h->GetCurrentLevel(), nullptr);
        // A picture larger than the screen with at least 20 objects, three designed levels that
        // all survived the check, and every listed line named, none alike in one level.
        EXPECT_GT(h->GetPictureSize().x, 800.0f);
        EXPECT_GT(h->GetPictureSize().y, 600.0f);
        EXPECT_GE(h->GetItems().size(), 20u);
        int designed = 0;
        for (ZHiddenObjectLevel* level : h->GetLevels())
        {
            if (std::strstr(level->GetName(), "autogenerated"))
                continue;
            ++designed;
            SCOPED_TRACE(level->GetName());
            EXPECT_STRNE(level->GetPrizeTitle() ? level->GetPrizeTitle() : "", "");
            std::vector<std::string> labels;
            for (const auto& [id, entry] : level->GetEntries())
            {
                entry.object->Reset();
                labels.push_back(entry.object->GetLabel());
                EXPECT_NE(labels.back(), "[ unknown ]");
            }
            std::sort(labels.begin(), labels.end());
            EXPECT_EQ(std::adjacent_find(labels.begin(), labels.end()), labels.end());
        }
        EXPECT_GE(designed, 3);

        // Opened over a screen and left before any find: back on that screen.
        h->StartLevel(h->GetLevels().front());
        Go(h);
        Frames(2);
        ASSERT_EQ(Top(), h);
        h->OnClicked(h->GetLeaveButton());
        Frames(4);
        EXPECT_EQ(Top(), &screen);
        h->SetConfirmDialog(nullptr);
    }
    game.reset();
}
} // namespace
