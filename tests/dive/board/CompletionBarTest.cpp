// The completion bar on the dive's display: medal levels by count, sliders by thresholds, the
// drop of a filled slot, and the end-of-dive vanish of the medals missed.
#include "tests/dive/board/DiveTestSupport.h"

using divetest::DiveTest;

namespace
{
float Alpha(ZNode* node)
{
    auto* sprite = ZEntityCast<ZSprite>(node);
    return sprite ? sprite->GetAlpha() : -1.0f;
}
} // namespace

TEST_F(DiveTest, MedalLevelsFollowTheFilledCountAndSharedSlidersHide)
{
    ASSERT_TRUE(bar->SetupForLevel("DTSFOP", "", 3, 5, 5, 6, -1));
    const int expected[] = {-1, -1, 0, 0, 2, 3};
    for (int i = 0; i < 6; ++i)
    {
        bar->FillSlot("DTSFOP"[i], nullptr);
        EXPECT_EQ(bar->GetMedalLevel(), expected[i]) << "after " << i + 1;
    }
    EXPECT_FALSE(bar->IsMedalShown(1));
    EXPECT_TRUE(bar->IsMedalShown(2));
    EXPECT_EQ(bar->GetCollected(), "DTSFOP");
    EXPECT_EQ(dive->GetMedalShown(), 3);
    EXPECT_EQ(hints->GetMedalShown(), 3);
}

TEST_F(DiveTest, ZeroThresholdsKeepOnlyGoldAndIndexNoSlotBeforeTheFirst)
{
    ASSERT_TRUE(bar->SetupForLevel("", "", 0, 0, 0, 0, -1));
    EXPECT_FALSE(bar->IsMedalShown(0));
    EXPECT_FALSE(bar->IsMedalShown(1));
    EXPECT_FALSE(bar->IsMedalShown(2));
    EXPECT_TRUE(bar->IsMedalShown(3));
    // Nothing delivered is no medal, even against thresholds of 0.
    EXPECT_EQ(bar->GetMedalLevel(), -1);
}

TEST_F(DiveTest, MedalsAlreadyHeldDrawFaint)
{
    ASSERT_TRUE(bar->SetupForLevel("DTSFOP", "", 2, 3, 4, 6, 1));
    EXPECT_FLOAT_EQ(Alpha(bar->GetSlider(0, 0)), 0.4f);
    EXPECT_FLOAT_EQ(Alpha(bar->GetSlider(1, 0)), 0.4f);
    EXPECT_FLOAT_EQ(Alpha(bar->GetSlider(2, 0)), 1.0f);
    EXPECT_FLOAT_EQ(Alpha(bar->GetSlider(3, 0)), 1.0f);
}

TEST_F(DiveTest, AFilledSlotDropsAtSixHundredUnitsASecond)
{
    ASSERT_TRUE(bar->SetupForLevel("DT", "", 1, 1, 1, 2, -1));
    ZNode* drop = dive->GetArtifactDrop();
    V3 slot;
    static_cast<ZGeom*>(bar->GetSlotNode(0))->LocalToWorld(slot);
    auto* dropGeom = static_cast<ZGeom*>(drop);
    V3 local = {slot.x, slot.y + 300.0f, 0.0f};
    if (auto* parent = static_cast<ZGeom*>(dropGeom->FindGeomParent()))
        parent->WorldToLocal(local);
    dropGeom->SetPosition(local);
    bar->FillSlot('D', nullptr);
    EXPECT_EQ(bar->GetSlidesInFlight(), 1);
    EXPECT_NEAR(bar->GetSlotDrop(0)->GetDuration(), 0.5, 1e-3);
    Run(0.6);
    EXPECT_EQ(bar->GetSlidesInFlight(), 0);
}

TEST_F(DiveTest, MoreArtifactsThanSlotsAreRefusedWithoutHarm)
{
    EXPECT_FALSE(bar->SetupForLevel("DTSFOPQTDTSF", "", 1, 2, 3, 12, -1));
    for (int i = 0; i < 12; ++i)
        bar->FillSlot('D', nullptr);
    EXPECT_EQ(bar->GetFilledCount(), bar->GetSlotNodeCount());
}

TEST_F(DiveTest, MissedMedalsVanishFromGoldDown)
{
    ASSERT_TRUE(bar->SetupForLevel("DTSF", "", 1, 2, 3, 4, -1));
    bar->FillSlot('D', nullptr);
    bar->FillSlot('T', nullptr);
    ASSERT_EQ(bar->GetMedalLevel(), 1);
    bar->StartVanish(false);
    bar->Update();
    EXPECT_FALSE(bar->IsVanishDone());
    for (int i = 0; i < 200 && !bar->IsVanishDone(); ++i)
    {
        Frames(1);
        bar->Update();
    }
    EXPECT_TRUE(bar->IsVanishDone());
    EXPECT_EQ(bar->GetVanishMedal(), 1);
    EXPECT_FALSE(bar->GetSlider(3, 0)->IsActive());
    EXPECT_FALSE(bar->GetSlider(2, 0)->IsActive());
    EXPECT_TRUE(bar->GetSlider(1, 0)->IsActive());
}
