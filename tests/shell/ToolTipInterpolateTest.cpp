// The tool-tip box's slide: in from below, out again, and a change of mind half way.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "game/shell/ZToolTipInterpolate.h"
#include "tests/support/UiTestSupport.h"

namespace
{
class ToolTipSlide : public uitest::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        tip = ZGroup::Create();
        ZSceneTree::GetInstance()->AddChild(tip);
        tip->SetPositionXYZ(100.0f, 50.0f, 0.0f);
        show = ZToolTipInterpolate::Create(tip, true);
        hide = ZToolTipInterpolate::Create(tip, false);
        show->SetPartner(hide);
        hide->SetPartner(show);
    }
    float Y() const { return tip->Position().y; }
    void Run(double seconds)
    {
        for (double t = 0.0; t < seconds; t += 0.01)
            Frame(0.01);
    }

    ZGroup* tip = nullptr;
    ZToolTipInterpolate* show = nullptr;
    ZToolTipInterpolate* hide = nullptr;
};
} // namespace

TEST_F(ToolTipSlide, ShowRisesIntoPlaceAndHideSinksAndComesBack)
{
    show->SetActive(true);
    EXPECT_FLOAT_EQ(Y(), 50.0f + ZToolTipInterpolate::kRestOffsetY);
    EXPECT_NEAR(show->GetDuration(), 0.15, 1e-6);
    Run(0.3);
    EXPECT_FLOAT_EQ(Y(), 50.0f);
    EXPECT_FLOAT_EQ(tip->Position().x, 100.0f);

    hide->SetActive(true);
    Run(0.3);
    // The hide ends with the box back at its place, so the next show starts from there.
    EXPECT_FLOAT_EQ(Y(), 50.0f);
    EXPECT_TRUE(hide->IsIdle());
}

TEST_F(ToolTipSlide, AShowThatInterruptsAHideStartsWhereTheBoxIs)
{
    show->SetActive(true);
    Run(0.3);
    hide->SetActive(true);
    Run(0.06);
    const float y = Y();
    ASSERT_LT(y, 50.0f);
    ASSERT_GT(y, 50.0f + ZToolTipInterpolate::kRestOffsetY);
    show->SetActive(true);
    EXPECT_FALSE(hide->IsActive());
    // No jump back to the resting place, and less time for less way.
    EXPECT_NEAR(Y(), y, 0.5f);
    EXPECT_LT(show->GetDuration(), 0.15);
    EXPECT_NEAR(show->GetDuration(), double(50.0f - y) * double(ZToolTipInterpolate::kSecondsPerUnit), 1e-3);
    Run(0.3);
    EXPECT_FLOAT_EQ(Y(), 50.0f);
}
