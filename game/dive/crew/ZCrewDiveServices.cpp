// The crew's answers to the board: charge flights, experience and the treasure factor.
#include "game/dive/crew/ZCrewDiveServices.h"

#include "engine/scene/ZGeom.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterButton.h"
#include "game/dive/crew/ZCharacterCharge.h"
#include "game/dive/crew/ZCharacterScreen.h"

bool ZCrewDiveServices::ChargeCrew(int colourGroup, float value, int count, const V3& from)
{
    ZCharacterScreen* screen = ZCharacterScreen::PeekInstance();
    ZCharacter* member = screen ? screen->GetSelected() : nullptr;
    if (!member || member->SlotForColour(colourGroup) < 0)
        return false;
    const float factor = float(count) / kTokensPerFactor;
    ZCharacterButton* button = member->GetButton(colourGroup);
    ZNode* layer = button ? button->GetParent() : nullptr;
    if (!button || !layer || button->IsHidden())
        return member->Charge(colourGroup, value, factor);
    // The board gives the group's centre in its own space.
    V3 start = from;
    if (ZBoard* board = ZBoard::PeekInstance())
        board->LocalToWorld(start);
    V3 end{};
    button->LocalToWorld(end);
    // The trail flies just in front of the button.
    start.z = end.z = end.z - 50.0f;
    ZCharacterCharge* flight = ZCharacterCharge::Acquire();
    flight->SetKind(colourGroup);
    flight->SetPath(start, end);
    flight->member = member;
    flight->amount = value;
    flight->factor = factor;
    flight->groupSize = count;
    flight->Launch(layer);
    return true;
}

void ZCrewDiveServices::AddCrewExperience(int experience, const V3& at)
{
    if (ZCharacterScreen* screen = ZCharacterScreen::PeekInstance())
        screen->AddCrewExperience(experience, at);
}

float ZCrewDiveServices::GetTreasureFactor()
{
    ZCharacterScreen* screen = ZCharacterScreen::PeekInstance();
    ZCharacter* member = screen ? screen->GetSelected() : nullptr;
    return member && member->GetTreasure() > 0.0f ? member->GetTreasure() : 1.0f;
}
