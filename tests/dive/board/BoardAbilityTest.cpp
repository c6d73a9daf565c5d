// The board's side of an armed ability: a tile ability fired by the aiming click breaks the tile
// and refills it, a swap ability takes a pair that is no neighbours and never goes back, and the
// board answers a used ability with its sound and shake.
#include "engine/controllers/ZShakeController.h"
#include "game/dive/ZDiveServices.h"
#include "tests/dive/board/DiveTestSupport.h"

namespace
{
// An armed ability as the board sees it: a tile breaker (category 2) or a swap of any two tiles.
class ArmedAbility : public IDiveServices
{
public:
    bool HasArmedAbility() override { return armed; }
    void DisarmAbility() override { armed = false; }
    int GetArmedCategory() override { return category; }
    const char* GetArmedKey() override { return "breaktile"; }
    bool TrySwapWithAbility(ZTile* target, ZTile* selected, std::vector<ZTile*>& changed) override
    {
        (void)target, (void)selected, (void)changed;
        return armed && swaps;
    }
    bool FireArmedAbility(ZTile* tile, ZTile* first, std::vector<ZTile*>& changed) override
    {
        (void)first;
        if (!armed || !tile)
            return false;
        changed.push_back(tile);
        armed = false;
        return true;
    }
    void AddCrewExperience(int experience, const V3& at) override
    {
        (void)at;
        this->experience += experience;
    }
    bool armed = true;
    bool swaps = false;
    int category = 2;
    int experience = 0;
};

class BoardAbilityTest : public divetest::DiveTest
{
protected:
    void TearDown() override
    {
        SetDiveServices(nullptr);
        DiveTest::TearDown();
    }
    ArmedAbility ability;
};
} // namespace

TEST_F(BoardAbilityTest, TheAimingClickBreaksTheTileUnderThePointer)
{
    SetDiveServices(&ability);
    ASSERT_TRUE(Start("swap3"));
    // A level starts with nothing armed; the player arms the tile breaker.
    EXPECT_FALSE(ability.armed);
    ability.armed = true;
    const uint32_t popped = board->poppedTokens();
    ZToken* broken = Tile(2, 2)->getToken();
    const V2 c = Centre(Tile(2, 2));
    MoveToLogical(c.x, c.y);
    board->OnDragEnded();
    EXPECT_FALSE(ability.armed);
    ASSERT_TRUE(Settle());
    // The broken tile was refilled from above.
    EXPECT_NE(Tile(2, 2)->getToken(), nullptr);
    EXPECT_NE(Tile(2, 2)->getToken(), broken);
    EXPECT_NE(Tile(2, 0)->getToken(), nullptr);
    EXPECT_EQ(board->activeTokens().size(), board->gridTiles().size());
    // Breaking is no pop; the crew earned the ability's experience.
    EXPECT_EQ(board->poppedTokens(), popped);
    EXPECT_GE(ability.experience, 0);
}

TEST_F(BoardAbilityTest, AnArmedSwapTakesAnyPairAndNeverGoesBack)
{
    SetDiveServices(&ability);
    ability.swaps = true;
    ASSERT_TRUE(Start("swap3"));
    ability.armed = true;
    ZToken* a = Tile(0, 0)->getToken();
    ZToken* b = Tile(3, 3)->getToken();
    Click(Tile(0, 0));
    Click(Tile(3, 3));
    Run(1.0);
    EXPECT_FALSE(SoundPlayed("falsemove"));
    EXPECT_EQ(a->getTile(), Tile(3, 3));
    EXPECT_EQ(b->getTile(), Tile(0, 0));
}

TEST_F(BoardAbilityTest, AUsedAbilitySoundsAndShakesByItsKind)
{
    ASSERT_TRUE(Start("swap3"));
    board->OnAbilityUsed(false, 0, nullptr);
    EXPECT_TRUE(SoundPlayed("falsemove"));
    board->OnAbilityUsed(true, 7, nullptr);
    EXPECT_TRUE(SoundPlayed("abilityrow"));
    EXPECT_TRUE(board->shakeController()->IsActive());
    EXPECT_DOUBLE_EQ(board->shakeController()->GetDuration(), double(0.8f));
    EXPECT_FLOAT_EQ(board->shakeController()->amplitude, 50.0f);
    EXPECT_FLOAT_EQ(board->shakeController()->scaleAmplitude, 0.3f);
    board->OnAbilityUsed(true, 3, nullptr);
    EXPECT_TRUE(SoundPlayed("abilityswap"));
}
