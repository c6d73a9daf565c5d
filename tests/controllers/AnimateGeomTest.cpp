// Frame-node animation and the z rotation controller.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/controllers/ZAnimateGeom.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMath.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "tests/support/ClockedScene.h"

extern bool g_engineStartingUp;

namespace
{

class AnimateGeomTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_engineStartingUp = false;
        ZSceneTree::SetShutdownBegun(false);
        tree = ZSceneTree::GetInstance();
        timer.frameDelta = 0.1;
        root = ZGroup::Create();
        tree->AddChild(root);
        for (ZGroup*& f : frames)
        {
            f = ZGroup::Create();
            root->AddChild(f);
        }
    }
    void TearDown() override
    {
        ZSceneTree::DestroyInstance();
    }
    int Shown() const
    {
        int shown = -1, count = 0;
        for (int i = 0; i < 3; ++i)
        {
            if (frames[i]->IsActive())
            {
                shown = i;
                ++count;
            }
        }
        return count == 1 ? shown : -1 - count;
    }

    ZSceneTree* tree = nullptr;
    ZGroup* root = nullptr;
    ZGroup* frames[3] = {};
    qvtest::TestClock clock;
    ZFrameTimer& timer = clock.timer;
};

TEST_F(AnimateGeomTest, ShowsExactlyOneFrameAtATimeAndLoops)
{
    ZAnimateGeom* anim = ZAnimateGeom::Create(root);
    EXPECT_EQ(anim->GetParent(), tree->GetControllersGroup());
    EXPECT_FALSE(anim->IsActive());
    for (ZGroup* f : frames)
        anim->AddFrame(f);
    anim->frameRate = 10.0f;
    anim->SetActive(true);
    EXPECT_EQ(Shown(), 0);
    std::vector<int> shown;
    for (int i = 0; i < 7; ++i)
    {
        tree->Update();
        shown.push_back(Shown());
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 0, 1, 2, 0, 1}));
}

TEST_F(AnimateGeomTest, StopsAfterItsPassesAndShowsTheFirstFrame)
{
    ZAnimateGeom* anim = ZAnimateGeom::Create(root);
    for (ZGroup* f : frames)
        anim->AddFrame(f);
    anim->frameRate = 10.0f;
    anim->stopAt = 1.0f;
    anim->SetActive(true);
    tree->Update();
    tree->Update();
    EXPECT_TRUE(anim->IsActive());
    EXPECT_EQ(Shown(), 2);
    tree->Update();
    EXPECT_FALSE(anim->IsActive());
    EXPECT_EQ(Shown(), 0);
}

TEST_F(AnimateGeomTest, NullAndDeletedFramesAreNeverShown)
{
    ZAnimateGeom* anim = ZAnimateGeom::Create(root);
    anim->AddFrame(frames[0]);
    anim->AddFrame(nullptr);
    anim->AddFrame(frames[2]);
    anim->frameRate = 10.0f;
    anim->SetActive(true);
    tree->Update();
    EXPECT_FALSE(frames[0]->IsActive());
    EXPECT_FALSE(frames[2]->IsActive());
    delete frames[2];
    frames[2] = nullptr;
    EXPECT_EQ(anim->GetFrames()[2], nullptr);
    for (int i = 0; i < 5; ++i)
        tree->Update();
}

TEST_F(AnimateGeomTest, EmptyFrameListDoesNothing)
{
    ZAnimateGeom* anim = ZAnimateGeom::Create(root);
    anim->SetActive(true);
    tree->Update();
    EXPECT_TRUE(anim->IsActive());
    EXPECT_EQ(anim->position, 0.0f);
}

TEST_F(AnimateGeomTest, RotationTurnsAFullCircleInTwoSecondsAtSpeedPi)
{
    ZSprite2DRotate* rotate = ZSprite2DRotate::Create(root);
    EXPECT_EQ(rotate->GetParent(), root);
    EXPECT_TRUE(rotate->IsActive());
    rotate->angularSpeed = kPi;
    for (int i = 0; i < 5; ++i)
        tree->Update();
    EXPECT_NEAR(root->Orientation().m[0][0], std::cos(kPi / 2.0f), 1e-5f);
    for (int i = 0; i < 15; ++i)
    {
        tree->Update();
        EXPECT_LT(std::fabs(rotate->angle), kTwoPi);
    }
    EXPECT_NEAR(std::fabs(std::sin(rotate->angle)), 0.0f, 1e-4f);
    EXPECT_NEAR(root->Orientation().m[0][0], 1.0f, 1e-4f);
}

} // namespace
