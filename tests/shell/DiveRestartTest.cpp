// The dive started by board name, on the real state stack with the game's own screens: the dive
// ends, the end of level counts it and its continue starts the same board again. The new dive
// starts with an empty chest and an empty completion bar, its exits keep their pictures, and the
// score board shows the score the last dive earned. A dive whose air runs out ends in the
// game-over dialog. The running dive holds its air while the window is away, and no floating text
// stays over the end of level.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/app/ZEngineSettings.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZDialogGameState.h"
#include "game/decoration/ZBackground.h"
#include "game/dive/ZInGame.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterButton.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/hud/ZScoreBoard.h"
#include "game/dive/hud/ZTreasureBar.h"
#include "game/screens/ZGameEndOfLevel.h"
#include "tests/shell/ShellTestSupport.h"

using namespace shelltest;

namespace
{
class DiveRestartTest : public ShellTest
{
protected:
    // The exit arrows and glows under the board, and how many of them lack their picture.
    static void CountExits(ZNode* node, int& exits, int& bare)
    {
        for (ZNode* child = node->GetFirstChild(); child; child = child->GetNextSibling())
        {
            const char* name = child->GetName();
            if (auto* sprite = ZEntityCast<ZSprite>(child);
                sprite && name && std::strncmp(name, "exit_", 5) == 0)
            {
                ++exits;
                ZMaterial* material = sprite->GetMaterial();
                if (!material || !material->GetTexture(0))
                    ++bare;
            }
            CountExits(child, exits, bare);
        }
    }
};
} // namespace

TEST_F(DiveRestartTest, ADiveStartedAgainAfterItsEndOfLevelStartsEmptyAndShowsTheNewScore)
{
    ZInGame* dive = StartDive("sand_01", true);
    ASSERT_NE(dive, nullptr);
    ZTreasureBar* chest = ZTreasureBar::PeekInstance();
    ZCompletionBar* bar = ZCompletionBar::PeekInstance();
    ZScoreBoard* score = ZScoreBoard::PeekInstance();
    ASSERT_NE(chest, nullptr);
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(score, nullptr);
    ASSERT_NE(score->GetText(), nullptr);
    EXPECT_EQ(score->GetText()->GetText(), "00000");
    // The crew panel shows the diving member's portrait, and under it one crew button per power the
    // member has open, each with its kind's face.
    ZCharacterScreen* crew = ZCharacterScreen::PeekInstance();
    ZCharacter* member = crew ? crew->GetSelected() : nullptr;
    for (int i = 0; i < ZInGame::kCrewButtons; ++i)
    {
        ZCharacterButton* button = dive->GetCrewButton(i);
        ASSERT_NE(button, nullptr) << i;
        const bool open = member && i < member->GetOpenCharges();
        EXPECT_EQ(button->IsHidden(), !open) << "crew button " << i;
        if (open)
        {
            EXPECT_EQ(button->GetMember(), member);
            auto* face = ZEntityCast<ZSprite>(button->FindNode("face"));
            ASSERT_NE(face, nullptr);
            EXPECT_NE(face->GetMaterial()->GetTexture(0), nullptr);
        }
    }
    if (member)
    {
        const std::string path = std::string("leftbar/characters/") + member->GetName();
        ZNode* shown = dive->GetRoot()->FindNode(path.c_str());
        ASSERT_NE(shown, nullptr) << path;
        EXPECT_FALSE(shown->IsHidden());
        auto* portrait =
            ZEntityCast<ZSprite>(shown->FindNode((std::string(member->GetName()) + "_portrait").c_str()));
        ASSERT_NE(portrait, nullptr);
        EXPECT_NE(portrait->GetMaterial()->GetTexture(0), nullptr);
    }

    // Treasure in the chest and two crowns on the bar, then the dive ends.
    chest->AddTreasure(60);
    ZTextureResource* crown = ZTexture::FindOrLoad("resources:artifact_c.png", 0, 1);
    bar->FillSlot('C', crown);
    bar->FillSlot('C', crown);
    Frames(120);
    ASSERT_EQ(bar->GetFilledCount(), 2);
    dive->BeginEndDive();
    ZGameEndOfLevel* end = quorvane->GetEndOfLevel();
    ASSERT_TRUE(RunUntilTop(end, 300));
    // The end of level lifts the crowns off the bar on their way to the money.
    for (int i = 0; i < 1200 && end->GetStep() < ZGameEndOfLevel::kStepAir; ++i)
        Frames(1);
    ASSERT_GE(end->GetStep(), ZGameEndOfLevel::kStepAir);
    EXPECT_TRUE(bar->GetSlotNode(0)->IsHidden());
    // Continue in the middle of the air's count: the dive is counted in full all the same. The
    // sea is put away meanwhile, as the chart and the crew screen leave it before a dive.
    ZBackground* sea = ZBackground::PeekInstance();
    ASSERT_NE(sea, nullptr);
    sea->Show(false);
    ClickOn(end->GetContinueButton());
    ASSERT_TRUE(RunUntilTop(dive, 400));
    Frames(10);
    EXPECT_TRUE(sea->IsShown()) << "the board is played over the sea";
    EXPECT_EQ(sea->GetTheme(), 0) << "sand_01 dives in the sand";
    EXPECT_FALSE(sea->GetThemePicture()->IsHidden());

    EXPECT_EQ(chest->GetContent(), 0u) << "the last dive's treasure stays in the chest";
    EXPECT_EQ(bar->GetFilledCount(), 0);
    for (int i = 0; i < bar->GetSlotNodeCount(); ++i)
    {
        EXPECT_FALSE(bar->IsSlotFilled(i)) << "slot " << i;
        EXPECT_FALSE(bar->GetSlotNode(i)->IsActive())
            << "slot " << i << " still shows the last dive's artifact";
    }
    // The score counted at the end of level: treasure, 100 per artifact and twice the air left.
    const int earned = g_profileScore.GetValue();
    EXPECT_GT(earned, 60 + 200);
    char shown[16];
    std::snprintf(shown, sizeof shown, "%05i", earned);
    EXPECT_EQ(score->GetText()->GetText(), shown);

    // The new board's exits keep their pictures: a bare exit sprite draws as a dark box over the
    // bottom row.
    int exits = 0, bare = 0;
    CountExits(ZBoard::PeekInstance(), exits, bare);
    EXPECT_GT(exits, 0);
    EXPECT_EQ(bare, 0) << "of " << exits << " exit sprites";

    // An artifact brought out in the new dive shows on the bar again.
    bar->FillSlot('C', crown);
    EXPECT_TRUE(bar->GetSlotNode(0)->IsActive());
    EXPECT_FALSE(bar->GetSlotNode(0)->IsHidden()) << "the slot the end of level emptied stays hidden";
}

TEST_F(DiveRestartTest, ADiveWhoseAirRunsOutEndsInTheGameOverDialogOverTheDive)
{
    ZInGame* dive = StartDive();
    ASSERT_NE(dive, nullptr);
    ZProgressBarTimer* air = dive->GetAirTimer();
    ASSERT_NE(air, nullptr);
    ASSERT_GT(air->GetRemaining(), 60.0);
    // The last second of air.
    air->SetDuration(1.0);
    air->Restart();
    ZGameState* gameOver = State(quorvane->GetGameOverDialog());
    ASSERT_NE(gameOver, nullptr);
    ASSERT_TRUE(RunUntilTop(gameOver, 300));
    EXPECT_TRUE(dive->IsLost());
}

TEST_F(DiveRestartTest, LosingTheFocusHoldsTheRunningDivesAirUntilTheFocusComesBack)
{
    MakePlayer("Ann");
    g_zelkBoard.SetValue("sand_01");
    StartGame();
    g_enginePauseOnBlur.SetValue(true);
    // The engine takes focus changes only once a frame is on the screen.
    render->SetFrameCount(1);
    auto* dive = static_cast<ZInGame*>(quorvane->GetInGame());
    ASSERT_TRUE(RunUntilTop(dive, 400));
    Frames(250);
    ASSERT_TRUE(dive->IsPlaying());
    const double start = dive->GetAirRemaining();
    Frames(50);
    ASSERT_LT(dive->GetAirRemaining(), start) << "the air does not run";

    // The window loses the focus, as the system tells the engine.
    auto focus = [this](bool on)
    {
        plat::Message message;
        message.type = plat::MessageType::Activate;
        message.wParam = on ? 1 : 0;
        engine->WindowProc(message);
    };
    focus(false);
    EXPECT_TRUE(dive->IsPaused());
    ZBoard* board = ZBoard::PeekInstance();
    ASSERT_NE(board, nullptr);
    EXPECT_TRUE(board->IsHidden()) << "the board stays open to study while the player is away";
    ASSERT_NE(dive->GetPausedLabel(), nullptr);
    EXPECT_FALSE(dive->GetPausedLabel()->IsHidden());
    quorvane->Update(0.02);
    EXPECT_TRUE(engine->TestFlags(kEnginePaused));
    // Whatever runs meanwhile, not a breath of air goes.
    const double held = dive->GetAirRemaining();
    Frames(100);
    EXPECT_EQ(dive->GetAirRemaining(), held);

    // Back: the engine runs again and so does the air.
    focus(true);
    EXPECT_FALSE(engine->TestFlags(kEnginePaused));
    EXPECT_FALSE(dive->IsPaused());
    EXPECT_FALSE(board->IsHidden());
    EXPECT_TRUE(dive->GetPausedLabel()->IsHidden());
    Frames(50);
    EXPECT_LT(dive->GetAirRemaining(), held);
    EXPECT_TRUE(dive->IsPlaying());
}

TEST_F(DiveRestartTest, FloatingTextsRiseAndGoAndNoneStaysOverTheEndOfLevel)
{
    ZInGame* dive = StartDive();
    ASSERT_NE(dive, nullptr);
    ZNode* layer = quorvane->GetPopupLayer();
    ASSERT_NE(layer, nullptr);
    auto find = [layer](const char* text) -> ZFontText*
    {
        for (ZNode* child = layer->GetFirstChild(); child; child = child->GetNextSibling())
            if (auto* node = ZEntityCast<ZFontText>(child); node && node->GetText() == text)
                return node;
        return nullptr;
    };
    auto shown = [layer]
    {
        int n = 0;
        for (ZNode* child = layer->GetFirstChild(); child; child = child->GetNextSibling())
            n += ZEntityCast<ZFontText>(child) && !child->IsHidden() ? 1 : 0;
        return n;
    };

    // A tool's word floats up from the middle of the screen and goes, which leaves the place for
    // the next one: a word that never started stood there for good and kept every later one out.
    quorvane->ShowPopupAt("Crack!", true, 2.0, nullptr);
    Frames(1);
    ZFontText* crack = find("Crack!");
    ASSERT_NE(crack, nullptr);
    const float low = crack->Position().y;
    Frames(40);
    EXPECT_GT(crack->Position().y, low + 5.0f) << "the word does not rise";
    Frames(80);
    EXPECT_EQ(find("Crack!"), nullptr) << "the word stays after its time";
    quorvane->ShowPopupAt("Crack!", true, 2.0, nullptr);
    EXPECT_NE(find("Crack!"), nullptr) << "the next word is kept out";

    // Praise, the tool's word and a long message are up when the dive ends: the end of level
    // opens clear of every one.
    dive->ShowPraise(6, V3{0.0f, -100.0f, 0.0f});
    quorvane->ShowPopup("Salvaged!", 60.0, V3{40.0f, 0.0f, 0.0f});
    ASSERT_GE(shown(), 3);
    dive->BeginEndDive();
    ZGameEndOfLevel* end = quorvane->GetEndOfLevel();
    ASSERT_TRUE(RunUntilTop(end, 300));
    EXPECT_EQ(shown(), 0);
}
