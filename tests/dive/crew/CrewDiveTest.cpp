// The crew in a dive, on the real board and state stack with the pointer: creature pops send charge
// flights to the crew button of their colour, a full charge makes the button ready (once with its
// sound), the power dragged from the button onto the board fires there and empties the charge.
#include <gtest/gtest.h>

#include "../board/DiveTestSupport.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/resource/ZStringTable.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterButton.h"
#include "game/dive/crew/ZCharacterCharge.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/crew/ZInventory.h"
#include "tests/dive/abilities/AbilityTestSupport.h"

namespace
{

class CrewDiveTest : public divetest::DiveTest
{
protected:
    void SetUp() override
    {
        table.AddMount("resources", QV_SOURCE_DIR "/data");
        DiveTest::SetUp();
        g_profileCharacter.Reset(false);
        crew = ZCharacterScreen::GetInstance();
        ASSERT_EQ(crew->LoadCharacters(), 0);
        // The game's start-up reloads the profile once the crew exists: a fresh crew here.
        crew->OnProfileLoaded();
        abilities = ZAbilityManager::GetInstance();
        inventory = ZInventory::GetInstance();
        finn = crew->GetCharacter(0);
        ASSERT_NE(finn, nullptr);
        finn->SetXP(3000); // two powers open: red and green
        for (int i = 0; i < 3; ++i)
            buttons[i] = MakeButton(i);
        finn->BindButtons(buttons);
    }
    void TearDown() override
    {
        abilities->StopAllAbilities();
        ZInventory::DestroyInstance();
        ZAbilityManager::DestroyInstance();
        ZCharacterScreen::DestroyInstance();
        g_profileCharacter.Reset(false);
        DiveTest::TearDown();
    }
    // A crew button as the HUD lays it out: a face that takes the press, the icon, the meter.
    ZCharacterButton* MakeButton(int i)
    {
        ZCharacterButton* button = ZCharacterButton::Create();
        char name[16];
        std::snprintf(name, sizeof name, "button_%i", i);
        button->SetName(name);
        button->SetPositionXYZ(-340.0f, 120.0f - 90.0f * float(i), -100.0f);
        button->SetStatePicture(ZButton2D::kIdle, Sprite("face", button, 0.0f, 0.0f, 0.0f, 64.0f, 64.0f));
        Sprite("icon", button, 0.0f, 0.0f, -5.0f, 48.0f, 48.0f);
        Sprite("progress", button, -32.0f, -40.0f, -1.0f, 64.0f, 8.0f);
        Sprite("fill", button, 0.0f, -40.0f, 0.0f, 66.0f, 10.0f);
        Sprite("fill2", button, 0.0f, -40.0f, 0.0f, 66.0f, 10.0f);
        dive->GetRoot()->AddChild(button);
        button->OnLoaded();
        return button;
    }
    int ColourAt(int column, int row) { return board->levelTokenType(Type(column, row))->colourGroup; }

    ZCharacterScreen* crew = nullptr;
    ZAbilityManager* abilities = nullptr;
    ZInventory* inventory = nullptr;
    ZCharacter* finn = nullptr;
    ZCharacterButton* buttons[3] = {};
};
} // namespace

TEST_F(CrewDiveTest, PopsFlyToTheButtonOfTheirColourAndAFullChargeFiresOnTheBoard)
{
    ASSERT_TRUE(Start("swap3"));
    const int colour = ColourAt(0, 0);
    const int slot = finn->SlotForColour(colour);
    ASSERT_GE(slot, 0) << "the fixture's first row pops a colour finn has open";
    ZCharacterButton* button = finn->GetButton(colour);
    ASSERT_NE(button, nullptr);
    finn->SetSlotCharges(slot, 0.9f, 0.0f);
    EXPECT_FALSE(button->IsEnabled());
    EXPECT_TRUE(button->GetIcon()->IsHidden());
    EXPECT_TRUE(buttons[2]->IsHidden()) << "the third power is not open at level 2";

    // The swap makes three in a row: their charge flies to the button, then arrives.
    Click(Tile(1, 1));
    Click(Tile(1, 0));
    for (int i = 0; i < 30 && board->poppedTokens() == 0; ++i)
        Frames(1);
    ASSERT_EQ(board->poppedTokens(), 3u);
    EXPECT_FLOAT_EQ(finn->GetCharge(slot), 0.9f) << "the charge is still on its way";
    Run(ZCharacterCharge::kFlightSeconds + 0.2);
    EXPECT_FLOAT_EQ(finn->GetCharge(slot), 1.0f);
    EXPECT_TRUE(button->IsEnabled());
    EXPECT_FALSE(button->GetIcon()->IsHidden());
    EXPECT_EQ(button->GetChargedSounds(), 1);
    EXPECT_EQ(ZCharacterCharge::GetFreeCount(), 1u) << "the flight waits for the next pop";
    ASSERT_TRUE(Settle());

    // The power dragged from the button onto the board breaks a tile there.
    abilitytest::UseLog uses;
    ZTile* target = Tile(2, 2);
    const V2 from = {-340.0f, 120.0f - 90.0f * float(slot)};
    const V2 to = Centre(target);
    MoveToLogical(from.x, from.y);
    Press();
    for (int s = 1; s <= 6; ++s)
        MoveToLogical(from.x + (to.x - from.x) * float(s) / 6.0f, from.y + (to.y - from.y) * float(s) / 6.0f);
    ASSERT_TRUE(abilities->HasArmedAbility()) << "the press on the charged button picked the power up";
    ASSERT_TRUE(button->GetDragObject()->IsDragging());
    Release();
    EXPECT_FALSE(button->GetDragObject()->IsDragging()) << "the release dropped the power";
    Frames(3);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(uses.used, 1);
    EXPECT_EQ(uses.failed, 0);
    EXPECT_FLOAT_EQ(finn->GetCharge(slot), 0.0f);
    EXPECT_FALSE(button->IsEnabled());
    EXPECT_EQ(button->GetItem(), finn->GetAbility(slot));
    EXPECT_FLOAT_EQ(button->GetBar()->GetValue(), 0.0f);
}

TEST_F(CrewDiveTest, TheMeterShowsTheOverchargeOnlyWhenItsSlotIsOpen)
{
    ZCharacterButton* button = buttons[0];
    finn->SetSlotCharges(0, 1.0f, 0.6f);
    EXPECT_TRUE(button->GetFill2()->IsHidden()) << "level 2: no overcharge";
    EXPECT_FLOAT_EQ(button->GetBar()->GetValue(), 1.0f);
    finn->SetXP(11000);
    finn->SetSlotCharges(0, 1.0f, 0.6f);
    EXPECT_FALSE(button->GetFill2()->IsHidden());
    EXPECT_FLOAT_EQ(button->GetBar()->GetValue(), 0.6f);
    finn->SetSlotCharges(0, 1.0f, 1.0f);
    EXPECT_EQ(button->GetItem(), finn->GetAbility(3)) << "the stronger power is offered";
    button->OnAbilityConsumed();
    EXPECT_FLOAT_EQ(finn->GetCharge(0), 0.0f);
    EXPECT_FLOAT_EQ(finn->GetCharge(3), 0.0f);
    EXPECT_EQ(button->GetItem(), finn->GetAbility(0));
    EXPECT_TRUE(button->GetFill2()->IsHidden());
}

TEST_F(CrewDiveTest, FlightsGlowByGroupSizeAndSwingDifferentWays)
{
    struct
    {
        int group;
        float intensity;
    } cases[] = {{3, 0.3f}, {5, 0.65f}, {7, 1.0f}, {12, 1.0f}};
    for (const auto& c : cases)
    {
        ZCharacterCharge* flight = ZCharacterCharge::Acquire();
        flight->SetKind(0);
        flight->SetPath(V3{0.0f, 0.0f, 0.0f}, V3{-300.0f, 100.0f, 0.0f});
        flight->groupSize = c.group;
        flight->Launch(dive->GetRoot());
        EXPECT_NEAR(flight->GetIntensity(), c.intensity, 1e-5) << c.group;
        Run(ZCharacterCharge::kFlightSeconds + 0.1);
    }
    ZCharacterCharge* a = ZCharacterCharge::Acquire();
    ZCharacterCharge* b = ZCharacterCharge::Acquire();
    const V3 s{0.0f, 0.0f, 0.0f}, e{200.0f, 0.0f, 0.0f};
    a->SetPath(s, e);
    b->SetPath(s, e);
    // First inner point below the line, second above, 20 to 40 units out; the two differ.
    for (ZCharacterCharge* f : {a, b})
    {
        EXPECT_LE(f->GetInnerPoint(0).y, -20.0f);
        EXPECT_GE(f->GetInnerPoint(0).y, -40.0f);
        EXPECT_GE(f->GetInnerPoint(1).y, 20.0f);
        EXPECT_LE(f->GetInnerPoint(1).y, 40.0f);
    }
    EXPECT_NE(a->GetInnerPoint(0).y, b->GetInnerPoint(0).y);
}
