#pragma once
// The air abilities: more air at once, or a slower drain for a while or for the rest of the dive.
#include "game/dive/abilities/ZAbility.h"

// Adds 60 seconds of air.
class ZAbilityAir : public ZAbility
{
    QV_ABILITY(ZAbilityAir, 17, "air", kAir, 0)
public:
    static constexpr float kSeconds = 60.0f;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};

// Adds 120 seconds of air.
class ZAbilityAir2 : public ZAbility
{
    QV_ABILITY(ZAbilityAir2, 18, "air2", kAir, 0)
public:
    static constexpr float kSeconds = 120.0f;
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};

// No air is used for the rest of the dive, and the low-air warnings keep quiet.
class ZAbilityNoAir : public ZAbility
{
    QV_ABILITY(ZAbilityNoAir, 14, "noair", kAir, kAirEffect)
public:
    bool IsOneShot() const override { return false; }
    float ModifyAirRate(float rate) override;
    void StartEffect() override;
    void EndEffect() override;
};

// Air drains at three quarters of its rate for 30 seconds.
class ZAbilityLessAir : public ZAbility
{
    QV_ABILITY(ZAbilityLessAir, 15, "lessair", kAir, kAirEffect)
public:
    static constexpr float kSeconds = 30.0f;
    bool IsOneShot() const override { return false; }
    bool IsTimed() const override { return true; }
    float ModifyAirRate(float rate) override { return rate * 0.75f; }
    void StartEffect() override { SetDuration(kSeconds); }
};

// Air drains at half its rate for 30 seconds.
class ZAbilityLessAir2 : public ZAbility
{
    QV_ABILITY(ZAbilityLessAir2, 16, "lessair2", kAir, kAirEffect)
public:
    static constexpr float kSeconds = 30.0f;
    bool IsOneShot() const override { return false; }
    bool IsTimed() const override { return true; }
    float ModifyAirRate(float rate) override { return rate * 0.5f; }
    void StartEffect() override { SetDuration(kSeconds); }
};
