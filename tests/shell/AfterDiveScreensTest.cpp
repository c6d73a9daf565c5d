// The screens around a dive with the game's own screens on the real state stack: the end of level
// over a real dive says "no experience" only when the dive earned none, and counts the chest in
// the time its rate gives for every amount; the level card, the new-stock dialog and the crew
// screen draw pictures that another screen's layout named first (the crew portraits, the power
// icons) loaded, not as black squares.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSprite.h"
#include "game/dive/ZInGame.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/hud/ZTreasureBar.h"
#include "game/screens/ZGameEndOfLevel.h"
#include "game/screens/ZLevelPreview.h"
#include "game/screens/ZNewStockDialog.h"
#include "game/screens/map/ZMapScreen.h"
#include "game/shell/ZGameMainMenu.h"
#include "tests/shell/ShellTestSupport.h"

using namespace shelltest;

namespace
{
class AfterDiveTest : public ShellTest
{
protected:
    // The dive started by board name (the game's texts mounted), the board in play.
    ZInGame* StartDive()
    {
        engine->MountResources();
        return ShellTest::StartDive();
    }
    // Ends the dive with `treasure` in the chest and `crowns` artifacts on the bar; the end of
    // level on top.
    ZGameEndOfLevel* EndDive(ZInGame* dive, uint32_t treasure, int crowns)
    {
        if (treasure > 0)
            ZTreasureBar::PeekInstance()->AddTreasure(treasure);
        ZTextureResource* crown = ZTexture::FindOrLoad("resources:artifact_c.png", 0, 1);
        for (int i = 0; i < crowns; ++i)
            ZCompletionBar::PeekInstance()->FillSlot('C', crown);
        Frames(120);
        dive->BeginEndDive();
        ZGameEndOfLevel* end = quorvane->GetEndOfLevel();
        return RunUntilTop(end, 300) ? end : nullptr;
    }
    // The texts of the popups showing now.
    void CollectPopups(std::set<std::string>& seen)
    {
        for (ZNode* child = quorvane->GetPopupLayer()->GetFirstChild(); child;
             child = child->GetNextSibling())
            if (auto* text = ZEntityCast<ZFontText>(child); text && !text->IsHidden())
                seen.insert(text->GetText());
    }
    static bool Loaded(ZNode* node)
    {
        auto* sprite = ZEntityCast<ZSprite>(node);
        ZMaterial* material = sprite ? sprite->GetMaterial() : nullptr;
        ZTextureResource* texture = material ? material->GetTexture(0) : nullptr;
        return texture && texture->IsLoaded();
    }
};
} // namespace

TEST_F(AfterDiveTest, NoExperienceIsSaidOnlyWhenTheDiveEarnedNone)
{
    ZInGame* dive = StartDive();
    ASSERT_NE(dive, nullptr);
    const std::string none = ZStringTable::GetInstance()->GetText("game.zeroxp");
    ASSERT_EQ(none, "No experience from this dive");
    // One crown: the level complete, 100 experience, while bronze, silver and gold vanish.
    // Then a dive that brings nothing home: every medal vanishes and no experience comes.
    const struct
    {
        int crowns;
        int32_t xp;
        bool saysNone;
    } dives[] = {{1, 100, false}, {0, 0, true}};
    for (const auto& c : dives)
    {
        SCOPED_TRACE(c.crowns);
        ZGameEndOfLevel* end = EndDive(dive, 50, c.crowns);
        ASSERT_NE(end, nullptr);
        EXPECT_EQ(end->GetMedalXp(), c.xp);
        std::set<std::string> seen;
        for (int i = 0; i < 600 && end->GetStep() < ZGameEndOfLevel::kStepTreasure; ++i)
        {
            Frames(1);
            CollectPopups(seen);
        }
        ASSERT_GE(end->GetStep(), ZGameEndOfLevel::kStepTreasure);
        EXPECT_EQ(seen.count(none), c.saysNone ? 1u : 0u);
        EXPECT_EQ(seen.count("+100 XP"), c.xp > 0 ? 1u : 0u);
        ClickOn(end->GetContinueButton());
        ASSERT_TRUE(RunUntilTop(dive, 400));
        Frames(250);
    }
}

TEST_F(AfterDiveTest, TheChestIsCountedInAboutThreeSecondsForEveryAmount)
{
    ZInGame* dive = StartDive();
    ASSERT_NE(dive, nullptr);
    // Seconds from the start of the count to its end: the amount at a third of it per second
    // (rounded up, so 1 and 2 move too). The chest holds at most 1000.
    const struct
    {
        uint32_t treasure;
        double seconds;
    } counts[] = {{1, 1.0}, {2, 2.0}, {5, 2.5}, {400, 400.0 / 134.0}, {999, 3.0}};
    constexpr double kFrame = 0.02;
    for (const auto& c : counts)
    {
        SCOPED_TRACE(c.treasure);
        ZGameEndOfLevel* end = EndDive(dive, c.treasure, 1);
        ASSERT_NE(end, nullptr);
        ASSERT_EQ(end->GetResult().treasure, c.treasure);
        int frames = 0;
        for (; frames < 1000 && end->GetStep() < ZGameEndOfLevel::kStepTreasure; ++frames)
            Frames(1);
        ASSERT_EQ(end->GetStep(), ZGameEndOfLevel::kStepTreasure);
        const int32_t from = end->GetCounter();
        int counting = 0;
        for (; counting < 1000 && end->GetStep() == ZGameEndOfLevel::kStepTreasure; ++counting)
            Frames(1);
        EXPECT_NEAR(counting * kFrame, c.seconds, 2 * kFrame);
        EXPECT_GE(end->GetCounter(), from);
        EXPECT_EQ(end->GetCounter() - end->GetTarget(), 0);
        ClickOn(end->GetContinueButton());
        ASSERT_TRUE(RunUntilTop(dive, 400));
        Frames(250);
    }
}

TEST_F(AfterDiveTest, TheCardAndTheCrewScreenDrawTheirPicturesLoaded)
{
    MakePlayer("Ann");
    StartGame();
    Frames(40);
    quorvane->GetMainMenu()->StartPlay(false);
    auto* map = static_cast<ZMapScreen*>(quorvane->GetMapScreen());
    ASSERT_TRUE(RunUntilTop(map, 600));
    Frames(20);
    // The first level's card: the selected crew member's portrait is shown and drawn.
    map->OpenPreview(0);
    auto* card = static_cast<ZLevelPreview*>(quorvane->GetLevelPreview());
    ASSERT_TRUE(RunUntilTop(card, 100));
    Frames(10);
    ZCharacterScreen* crew = quorvane->GetCharacterScreen();
    ASSERT_NE(crew, nullptr);
    char path[64];
    std::snprintf(path, sizeof path, "portraits/character_%i", crew->GetSelectedIndex());
    ZNode* portrait = card->GetRoot()->FindNode(path);
    ASSERT_NE(portrait, nullptr);
    EXPECT_TRUE(portrait->IsActive() && !portrait->IsHidden());
    EXPECT_TRUE(Loaded(portrait));
    for (int i = 0; i < ZLevelPreview::kIcons; ++i)
    {
        std::snprintf(path, sizeof path, "tokens/token_%i", i);
        EXPECT_TRUE(Loaded(card->GetRoot()->FindNode(path))) << path;
    }
    // The new-stock dialog's icon, which the shops' layouts named first.
    auto* stock = static_cast<ZNewStockDialog*>(quorvane->GetNewStockDialog());
    ASSERT_NE(stock, nullptr);
    ASSERT_EQ(stock->Load(), 0);
    ASSERT_GE(ZNewStockDialog::ShopOf("breakcolumn"), 0);
    ASSERT_TRUE(stock->Fill("breakcolumn"));
    Frames(2);
    EXPECT_TRUE(Loaded(stock->GetRoot()->FindNodeAnywhere("icon_pos")));
    // The crew screen from the card: the open power and the five still to come, all drawn.
    ClickOn(card->GetRoot()->FindNode("button_characters"));
    if (Top() != State(crew))
        ZGame::GotoState(crew);
    ASSERT_TRUE(RunUntilTop(State(crew), 100));
    Frames(10);
    for (int i = 0; i < 6; ++i)
    {
        std::snprintf(path, sizeof path, "ability_icon_%i", i);
        ZNode* icon = crew->GetRoot()->FindNode(path);
        ASSERT_NE(icon, nullptr) << path;
        EXPECT_FALSE(icon->IsHidden()) << path;
        EXPECT_TRUE(Loaded(icon)) << path;
    }
}
