// The crew buttons of the dive's own HUD on the real state stack: the diving member's open powers
// on the buttons beside the portrait, in the pictures of their kinds; a pop's charge flying to its
// kind's meter; the full meter making the button ready; the ready power dragged onto the board.
#include <cstring>
#include <string>

#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZDragController.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterButton.h"
#include "game/dive/crew/ZCharacterCharge.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/crew/ZInventory.h"
#include "tests/dive/abilities/AbilityTestSupport.h"
#include "tests/dive/hud/HudTestSupport.h"

namespace
{
constexpr const char* kKinds[3] = {"break", "move", "time"};


class CrewButtonsTest : public hudtest::HudTest
{
protected:
    void SetUp() override
    {
        HudTest::SetUp();
        g_profileCharacter.Reset(false);
        crew = ZCharacterScreen::GetInstance();
        ASSERT_EQ(crew->LoadCharacters(), 0);
        crew->OnProfileLoaded();
        member = crew->GetSelected();
        ASSERT_NE(member, nullptr);
    }
    void TearDown() override
    {
        if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance())
            abilities->StopAllAbilities();
        game->ClearStates(&screen);
        Frames(3);
        ZInventory::DestroyInstance();
        ZCharacterScreen::DestroyInstance();
        g_profileCharacter.Reset(false);
        HudTest::TearDown();
    }
    // The dive entered again with the member at that experience.
    void Dive(int32_t xp)
    {
        game->ClearStates(&screen);
        Frames(3);
        member->SetXP(xp);
        ZGame::GotoState(dive);
        Frames(3);
    }
    // The texture a part of a crew button shows, by file name ("" for none).
    static std::string Picture(ZNode* button, const char* part)
    {
        auto* sprite = ZEntityCast<ZSprite>(button->FindNode(part));
        ZMaterial* material = sprite ? sprite->GetMaterial() : nullptr;
        ZTextureResource* texture = material ? material->GetTexture(0) : nullptr;
        return texture && texture->GetName() ? texture->GetName() : "";
    }
    static V2 Where(ZGeom* node)
    {
        V3 p{};
        node->LocalToWorld(p);
        return {p.x, p.y};
    }

    ZCharacterScreen* crew = nullptr;
    ZCharacter* member = nullptr;
};
} // namespace

TEST_F(CrewButtonsTest, TheDiveOffersTheMembersOpenPowersInTheirKindsPictures)
{
    for (int32_t open = 0; open <= 3; ++open)
    {
        Dive(ZCharacter::kXpThresholds[open]);
        ASSERT_EQ(member->GetOpenCharges(), open);
        EXPECT_EQ(dive->GetCrewMember(), member);
        for (int i = 0; i < ZInGame::kCrewButtons; ++i)
        {
            ZCharacterButton* button = dive->GetCrewButton(i);
            ASSERT_NE(button, nullptr) << i;
            EXPECT_EQ(button->IsHidden(), i >= open) << "open " << open << ", button " << i;
            const int kind = member->GetColour(i);
            ASSERT_GE(kind, 0);
            EXPECT_EQ(member->GetButton(kind), button);
            EXPECT_EQ(button->GetMember(), member);
            EXPECT_EQ(button->GetSlot(), i);
            EXPECT_EQ(button->GetItem(), member->GetAbility(i));
            // Every part shows a picture of the button's kind: no bare boxes.
            for (const char* part : {"face", "face2", "fill", "fill2"})
            {
                const std::string expected = std::string("hud_crew_") + part + "_" + kKinds[kind] + ".png";
                EXPECT_NE(Picture(button, part).find(expected), std::string::npos)
                    << part << " of button " << i << ": " << Picture(button, part);
            }
            EXPECT_NE(Picture(button, "progress"), "") << "the meter's trough";
            EXPECT_NE(Picture(button, "idle"), "");
            // An opened power starts full: ready, its icon up, the overcharge meter out of sight.
            if (i < open)
            {
                EXPECT_TRUE(button->IsEnabled()) << i;
                EXPECT_FALSE(button->GetIcon()->IsHidden()) << i;
                EXPECT_TRUE(button->GetFill2()->IsHidden()) << i;
            }
        }
    }
    // Out of the dive the buttons let the member go; coming back binds them again.
    game->ClearStates(&screen);
    Frames(3);
    EXPECT_EQ(dive->GetCrewMember(), nullptr);
    for (int kind = 0; kind < ZCharacter::kKindCount; ++kind)
        EXPECT_EQ(member->GetButton(kind), nullptr) << kind;
    EXPECT_EQ(dive->GetCrewButton(0)->GetMember(), nullptr);
    ZGame::GotoState(dive);
    Frames(3);
    EXPECT_EQ(dive->GetCrewButton(0)->GetMember(), member);
}

TEST_F(CrewButtonsTest, APopFillsItsKindsMeterAndTheReadyPowerIsDraggedOntoTheBoard)
{
    Dive(ZCharacter::kXpThresholds[2]);
    ASSERT_TRUE(Start("swap3"));
    // The swap below lines up three red crabs in the top row.
    const int colour = board->levelTokenType(Type(0, 0))->colourGroup;
    const int slot = member->SlotForColour(colour);
    ASSERT_GE(slot, 0);
    ZCharacterButton* button = dive->GetCrewButton(slot);
    ASSERT_EQ(member->GetButton(colour), button);
    member->SetSlotCharges(slot, 0.5f, 0.0f);
    EXPECT_FLOAT_EQ(button->GetBar()->GetValue(), 0.5f) << "the meter shows the charge";
    EXPECT_FALSE(button->IsEnabled());
    EXPECT_TRUE(button->GetIcon()->IsHidden());
    const float before = member->GetCharge(slot);

    Click(Tile(1, 1));
    Click(Tile(1, 0));
    for (int i = 0; i < 30 && board->poppedTokens() == 0; ++i)
        Frames(1);
    ASSERT_EQ(board->poppedTokens(), 3u);
    EXPECT_FLOAT_EQ(member->GetCharge(slot), before) << "the charge is still flying to the button";
    Run(ZCharacterCharge::kFlightSeconds + 0.2);
    const float after = member->GetCharge(slot);
    EXPECT_GT(after, before) << "the flight arrived";
    EXPECT_LT(after, 1.0f);
    EXPECT_FLOAT_EQ(button->GetBar()->GetValue(), after);
    EXPECT_FALSE(button->IsEnabled());
    ASSERT_TRUE(Settle());

    // Filled: ready, the icon up, the glow on, the charged sound asked for once.
    member->SetSlotCharges(slot, 0.99f, 0.0f);
    member->Charge(colour, 1.0f, 1.0f);
    EXPECT_FLOAT_EQ(button->GetBar()->GetValue(), 1.0f);
    EXPECT_TRUE(button->IsEnabled());
    EXPECT_FALSE(button->GetIcon()->IsHidden());
    EXPECT_TRUE(button->GetChargeEmitter()->IsActive());
    EXPECT_EQ(button->GetChargedSounds(), 1);

    // Dragged from the button beside the portrait onto a tile, the power fires there.
    abilitytest::UseLog uses;
    const V2 from = Where(button->GetIcon());
    const V2 to = Centre(Tile(2, 2));
    MoveToLogical(from.x, from.y);
    Press();
    for (int s = 1; s <= 8; ++s)
        MoveToLogical(from.x + (to.x - from.x) * float(s) / 8.0f, from.y + (to.y - from.y) * float(s) / 8.0f);
    EXPECT_TRUE(button->GetDragObject()->IsDragging()) << "the press on the ready button picked the power up";
    Release();
    Frames(3);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(uses.used, 1);
    EXPECT_EQ(uses.failed, 0);
    EXPECT_FLOAT_EQ(member->GetCharge(slot), 0.0f);
    EXPECT_FLOAT_EQ(button->GetBar()->GetValue(), 0.0f);
    EXPECT_FALSE(button->IsEnabled());
    EXPECT_TRUE(button->GetIcon()->IsHidden());
    EXPECT_EQ(button->GetItem(), member->GetAbility(slot));
}
