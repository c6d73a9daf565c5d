#pragma once
// The boosts: higher treasure values or a faster rotation charge for a while, and skipping the
// level.
#include "game/dive/abilities/ZAbility.h"

// Treasure is worth a quarter more for 60 seconds.
class ZAbilityTreasureBoost : public ZAbility
{
    QV_ABILITY(ZAbilityTreasureBoost, 19, "treasureboost", kTreasure, kTreasureEffect)
public:
    static constexpr float kSeconds = 60.0f;
    bool IsOneShot() const override { return false; }
    bool IsTimed() const override { return true; }
    int ModifyTreasureValue(int value) override { return int(float(value) * 1.25f); }
    void StartEffect() override { SetDuration(kSeconds); }
};

// Treasure is worth half more for 120 seconds.
class ZAbilityTreasureBoost2 : public ZAbility
{
    QV_ABILITY(ZAbilityTreasureBoost2, 20, "treasureboost2", kTreasure, kTreasureEffect)
public:
    static constexpr float kSeconds = 120.0f;
    bool IsOneShot() const override { return false; }
    bool IsTimed() const override { return true; }
    int ModifyTreasureValue(int value) override { return int(float(value) * 1.5f); }
    void StartEffect() override { SetDuration(kSeconds); }
};

// The rotation charges faster and turns quicker for 60 seconds.
class ZAbilityRotateBoost : public ZAbility
{
    QV_ABILITY(ZAbilityRotateBoost, 24, "rotateboost", kRotation, kRotationEffect)
public:
    static constexpr float kSeconds = 60.0f;
    static constexpr float kCharge = 0.166f;
    static constexpr float kSpeed = 0.8f;
    bool IsOneShot() const override { return false; }
    bool IsTimed() const override { return true; }
    void StartEffect() override;
    void EndEffect() override;
};

// The rotation charges much faster and turns at twice the speed for 80 seconds.
class ZAbilityRotateBoost2 : public ZAbility
{
    QV_ABILITY(ZAbilityRotateBoost2, 25, "rotateboost2", kRotation, kRotationEffect)
public:
    static constexpr float kSeconds = 80.0f;
    static constexpr float kCharge = 0.13f;
    static constexpr float kSpeed = 0.5f;
    bool IsOneShot() const override { return false; }
    bool IsTimed() const override { return true; }
    void StartEffect() override;
    void EndEffect() override;
};

// Ends the dive at once with a silver medal.
class ZAbilitySkipLevel : public ZAbility
{
    QV_ABILITY(ZAbilitySkipLevel, 26, "skiplevel", kLevel, 0)
public:
    bool Apply(ZTile* tile, ZTile* second, ZTileList& out) override;
};
