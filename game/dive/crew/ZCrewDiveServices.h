#pragma once
// The crew's answers to the board, beside the abilities' (which it keeps by deriving from them):
// a creature pop sends a charge flight from the group to the selected member's crew button of that
// colour (or charges the member at once when no button is bound), an ability's use earns the
// member experience, and the member's treasure factor scales treasure pops. The crew screen
// installs it when it is made and takes it out when it goes.
#include "game/dive/abilities/ZAbilityDiveServices.h"

class ZCrewDiveServices : public ZAbilityDiveServices
{
public:
    // A group of `count` tokens: the charge carried is the token's value, its factor count / 8, so a
    // member with charge speed 1 fills a slot from about 24 creatures of its colour.
    static constexpr float kTokensPerFactor = 8.0f;

    bool ChargeCrew(int colourGroup, float value, int count, const V3& from) override;
    void AddCrewExperience(int experience, const V3& at) override;
    float GetTreasureFactor() override;
};
