// Abilities on the real board in a running dive, with the pointer: an item's icon dragged from its
// button onto a tile fires it there, a swap takes its first tile by the drop and its second by a
// click, a board-wide ability lights the edges and fires on any tile, the armed ability's preview
// lights what it would hit, and the ice spreads with the board's clock, breaks with a match and
// stops for a halt.
#include <gtest/gtest.h>

#include "DiveTestSupport.h"
#include "game/dive/abilities/IAbilityDive.h"
#include "game/dive/abilities/ZAbilityButton.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZInventory.h"
#include "game/dive/model/ZBoardEffects.h"
#include "game/dive/model/ZBoardGrid.h"

namespace
{
class AbilityDiveTest : public divetest::DiveTest
{
protected:
    void SetUp() override
    {
        DiveTest::SetUp();
        manager = ZAbilityManager::GetInstance();
        // A running game's scene is started: controllers made from now on join the pointer.
        ZSceneTree::GetInstance()->EnterPhase2();
        button = ZAbilityButton::Create();
        button->SetName("belt");
        button->SetPositionXYZ(-360.0f, -260.0f, 2.0f);
        dive->GetRoot()->AddChild(button);
        Sprite("idle", button, 0.0f, 0.0f, 1.0f, 60.0f, 60.0f);
        Sprite("icon", button, 0.0f, 0.0f, 0.0f, 40.0f, 40.0f)->ClearFlags(kNodePickable);
        button->SetProperty(ZNameId("idle").Value(), "idle", "idle");
        button->OnLoaded();
    }
    void TearDown() override
    {
        manager->StopAllAbilities();
        ZAbilityManager::DestroyInstance();
        DiveTest::TearDown();
    }
    // Drags the button's icon onto the tile and lets go there.
    void DropOn(const char* key, ZTile* tile)
    {
        const int id = ZAbilityManager::FindAbilityId(key);
        if (button->GetItem() != id)
            button->SetItem(id);
        MoveToLogical(-360.0f, -260.0f);
        Press();
        const V2 c = Centre(tile);
        for (int s = 1; s <= 4; ++s)
            MoveToLogical(-360.0f + (c.x + 360.0f) * float(s) / 4.0f, -260.0f + (c.y + 260.0f) * float(s) / 4.0f);
        Release();
        Frame();
    }
    int Frozen() { return boardeffects::CountFrozenTiles(board->grid()); }

    ZAbilityManager* manager = nullptr;
    ZAbilityButton* button = nullptr;
};
} // namespace

TEST_F(AbilityDiveTest, AnIconDroppedOnATileBreaksItAndTheButtonHoldsAFreshInstance)
{
    ASSERT_TRUE(Start("lshape"));
    button->SetItem(ZAbilityManager::FindAbilityId("breaktile"));
    ZToken* before = Tile(1, 1)->getToken();
    ZAbility* held = button->GetAbility();
    DropOn("breaktile", Tile(1, 1));
    EXPECT_EQ(manager->GetArmedAbility(), nullptr);
    EXPECT_NE(button->GetAbility(), held);
    EXPECT_TRUE(button->IsIconAtHome());
    // Without a sound of its own the board plays the breaking kind's sound.
    EXPECT_TRUE(SoundPlayed("abilityrow"));
    ASSERT_TRUE(Settle());
    EXPECT_NE(Tile(1, 1)->getToken(), before);
    EXPECT_NE(Tile(1, 1)->getToken(), nullptr) << "the hole refills";
}

// In the HUD the icon is in front of the button's face and catches the press itself.
TEST_F(AbilityDiveTest, APressOnTheIconAtHomePicksThePowerUpAndTheBoardLeavesItArmed)
{
    struct UseLog : ZAbilityListener
    {
        void OnAbilityUsed(bool success, ZAbility* ability) override
        {
            (void)ability;
            (success ? used : failed) += 1;
        }
        int used = 0;
        int failed = 0;
    } uses;
    ASSERT_TRUE(Start("lshape"));
    button->GetIcon()->SetFlags(kNodePickable);
    button->SetItem(ZAbilityManager::FindAbilityId("breaktile"));
    ZToken* before = Tile(1, 1)->getToken();
    MoveToLogical(-360.0f, -260.0f);
    Press();
    Frames(2);
    EXPECT_NE(manager->GetArmedAbility(), nullptr) << "the press on the icon picked the power up";
    EXPECT_TRUE(button->GetDragObject()->IsDragging());
    EXPECT_EQ(uses.failed, 0) << "the board took the press and cancelled the power";
    const V2 c = Centre(Tile(1, 1));
    for (int s = 1; s <= 4; ++s)
        MoveToLogical(-360.0f + (c.x + 360.0f) * float(s) / 4.0f, -260.0f + (c.y + 260.0f) * float(s) / 4.0f);
    Release();
    Frames(2);
    EXPECT_EQ(uses.used, 1);
    EXPECT_EQ(uses.failed, 0);
    EXPECT_TRUE(button->IsIconAtHome());
    ASSERT_TRUE(Settle());
    EXPECT_NE(Tile(1, 1)->getToken(), before);
}

TEST_F(AbilityDiveTest, AnAimedAbilityDroppedOffTheBoardIsDisarmedAndKept)
{
    ASSERT_TRUE(Start("lshape"));
    button->SetItem(ZAbilityManager::FindAbilityId("break3x3"));
    ZAbility* held = button->GetAbility();
    MoveToLogical(-360.0f, -260.0f);
    Press();
    MoveToLogical(300.0f, -250.0f);
    Release();
    Frame();
    EXPECT_EQ(manager->GetArmedAbility(), nullptr);
    EXPECT_FALSE(button->GetDragObject()->IsDragging());
    EXPECT_TRUE(button->IsIconAtHome());
    EXPECT_EQ(button->GetAbility(), held);
    EXPECT_FALSE(held->IsSpent());
}

TEST_F(AbilityDiveTest, TheSwapTakesItsFirstTileByTheDropAndItsSecondByADrag)
{
    ASSERT_TRUE(Start("lshape"));
    ZToken* a = Tile(0, 0)->getToken();
    ZToken* b = Tile(1, 0)->getToken();
    DropOn("swap", Tile(0, 0));
    ZAbility* swap = manager->GetArmedAbility();
    ASSERT_NE(swap, nullptr);
    EXPECT_EQ(board->firstTarget(), Tile(0, 0));
    EXPECT_FALSE(button->IsIconAtHome()) << "the icon waits on the first tile";
    // The token on the first tile dragged onto its neighbour completes the pair.
    Drag(Tile(0, 0), 38.0f, 0.0f);
    EXPECT_EQ(manager->GetArmedAbility(), nullptr);
    EXPECT_TRUE(button->IsIconAtHome());
    ASSERT_TRUE(Settle());
    // A swap that makes no match stands.
    EXPECT_EQ(Tile(0, 0)->getToken(), b);
    EXPECT_EQ(Tile(1, 0)->getToken(), a);
}

TEST_F(AbilityDiveTest, ABoardWideAbilityLightsTheEdgesAndBreaksEveryChainOnAnyTile)
{
    ASSERT_TRUE(Start("chains"));
    ASSERT_EQ(Tile(1, 1)->getKind(), kTileChain);
    ASSERT_EQ(Tile(3, 1)->getKind(), kTileDoubleChain);
    button->SetItem(ZAbilityManager::FindAbilityId("breakallchains"));
    MoveToLogical(-360.0f, -260.0f);
    Press();
    MoveToLogical(-200.0f, -100.0f);
    size_t glowing = 0;
    for (ZTile* tile : board->edgeTiles())
        glowing += tile->isEdgeGlowOn() ? 1 : 0;
    EXPECT_EQ(glowing, board->edgeTiles().size());
    EXPECT_FALSE(board->edgeTiles().empty());
    const V2 c = Centre(Tile(2, 2));
    MoveToLogical(c.x, c.y);
    Release();
    Frame();
    for (ZTile* tile : board->edgeTiles())
        EXPECT_FALSE(tile->isEdgeGlowOn());
    EXPECT_EQ(Tile(1, 1)->getKind(), kTilePlain);
    EXPECT_EQ(Tile(3, 1)->getKind(), kTilePlain);
    EXPECT_EQ(Tile(0, 3)->getKind(), kTilePlain);
}

TEST_F(AbilityDiveTest, AnArmedAbilityPreviewsTheTilesItWouldBreak)
{
    ASSERT_TRUE(Start("lshape"));
    ZAbility* ability = manager->ArmAbilityById(ZAbilityManager::FindAbilityId("breakrow"));
    ASSERT_NE(ability, nullptr);
    board->showPreview(Tile(1, 2));
    size_t lit = 0;
    for (ZGameSprite* sprite : board->highlightSprites())
        lit += sprite->IsActive() ? 1 : 0;
    // The tile under the pointer, and the four tiles of its row that the ability would break.
    EXPECT_EQ(lit, 5u);
    manager->DisarmAbility();
    board->showPreview(Tile(1, 2));
    lit = 0;
    for (ZGameSprite* sprite : board->highlightSprites())
        lit += sprite->IsActive() ? 1 : 0;
    EXPECT_EQ(lit, 1u);
}

TEST_F(AbilityDiveTest, TheIceSpreadsOnTheBoardsClockAndAMatchThroughItBreaksIt)
{
    ASSERT_TRUE(Start("ice"));
    Frames(2);
    EXPECT_EQ(Frozen(), 2) << "the first update of play spreads";
    EXPECT_FALSE(board->freeze().IsWarning());
    Run(21.0);
    EXPECT_TRUE(board->freeze().IsWarning());
    Run(5.0);
    EXPECT_FALSE(board->freeze().IsWarning());
    EXPECT_GE(Frozen(), 3);

    // A line of three through the frozen tile: its token pops and the ice breaks.
    ASSERT_TRUE(Settle());
    board->freeze().StartLevel(false);
    ZTileList tiles;
    board->grid().collectTiles(tiles);
    for (ZTile* t : tiles)
        if (t != Tile(1, 1) && t->getKind() == kTileFreeze)
            t->setKind(kTilePlain);
    ASSERT_EQ(Tile(1, 1)->getKind(), kTileFreeze);
    Tile(1, 1)->getToken()->setType(3);
    Tile(2, 1)->getToken()->setType(3);
    Tile(3, 0)->getToken()->setType(3);
    Tile(3, 1)->getToken()->setType(0);
    Drag(Tile(3, 0), 0.0f, -38.0f);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Tile(1, 1)->getKind(), kTilePlain);
    EXPECT_TRUE(SoundPlayed("tilebreakice"));
}

TEST_F(AbilityDiveTest, AHaltFromTheBeltStopsTheIceUntilItRunsOut)
{
    ASSERT_TRUE(Start("ice"));
    Frames(2);
    const int frozen = Frozen();
    DropOn("haltfreeze", Tile(0, 3));
    ASSERT_TRUE(board->freeze().IsHalted());
    EXPECT_TRUE(manager->IsRunning(ZAbilityManager::FindAbilityId("haltfreeze")));
    // The dive counts the halt down with its frames.
    Run(50.0);
    EXPECT_EQ(Frozen(), frozen);
    EXPECT_FALSE(board->freeze().IsWarning());
    EXPECT_TRUE(board->freeze().IsHalted());
    Run(11.0);
    EXPECT_FALSE(board->freeze().IsHalted());
    EXPECT_FALSE(manager->IsRunning(ZAbilityManager::FindAbilityId("haltfreeze")));
    Run(26.0);
    EXPECT_GT(Frozen(), frozen);
}

TEST_F(AbilityDiveTest, TheEndOfADiveStopsEveryRunningAbility)
{
    ASSERT_TRUE(Start("ice"));
    Frames(2);
    DropOn("haltfreeze2", Tile(0, 3));
    ASSERT_TRUE(board->freeze().IsHalted());
    Run(100.0);
    EXPECT_TRUE(board->freeze().IsHalted()) << "lasts to the end of the dive";
    dive->BeginEndDive();
    EXPECT_TRUE(manager->GetRunning().empty());
    EXPECT_FALSE(board->freeze().IsHalted());
}

TEST_F(AbilityDiveTest, RunningAirAbilitiesSlowOrStopTheAirAndAirItemsAddToIt)
{
    ASSERT_TRUE(Start("lshape"));
    ZProgressBarTimer* air = dive->GetAirTimer();
    ASSERT_NE(air, nullptr);
    auto fire = [this](const char* key)
    {
        manager->ArmAbilityById(ZAbilityManager::FindAbilityId(key));
        ZTileList none;
        return manager->fireArmedAbility(nullptr, nullptr, none);
    };
    Run(10.0);
    double before = air->GetRemaining();
    ASSERT_TRUE(fire("lessair2"));
    Run(10.0);
    EXPECT_NEAR(before - air->GetRemaining(), 5.0, 0.1);
    before = air->GetRemaining();
    ASSERT_TRUE(fire("noair"));
    Run(10.0);
    EXPECT_NEAR(before - air->GetRemaining(), 0.0, 0.1);
    manager->StopAllAbilities();
    before = air->GetRemaining();
    ASSERT_TRUE(fire("air"));
    EXPECT_NEAR(air->GetRemaining() - before, std::min(60.0, air->GetDuration() - before), 0.01);
}
