// The ring highlight on a hand-set frame clock: its sprite counts, intro, thinning to alternate
// sprites, the fade-out when its node hides or goes, and the depth floor.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/controllers/ZHighlight2.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/scene/ZSprite.h"
#include "scene/RenderDoubles.h"
#include "scene/SceneTestSupport.h"
#include "tests/support/ClockedScene.h"

namespace
{

using namespace doubles;

Renderer* g_render = nullptr;

// Ring sprites with a material of their own, so that their alpha can be read back.
ZSprite* MakeTestRingSprite(ZMaterial*)
{
    return ZSprite::Create(16.0f, 16.0f, PIVOT_CENTER, M(g_render->NewMaterial("ring")));
}

class Highlight2Test : public qvtest::ClockedSceneTest
{
protected:
    void SetUp() override
    {
        ClockedSceneTest::SetUp();
        m_timer.now = 10.0;
        g_render = &render;
        m_savedFactory = g_makeRingSprite;
        g_makeRingSprite = MakeTestRingSprite;
    }
    void TearDown() override
    {
        ClockedSceneTest::TearDown();
        g_makeRingSprite = m_savedFactory;
        g_render = nullptr;
    }
    ZSprite* AddSprite(float w, float h)
    {
        ZSprite* s = ZSprite::Create(w, h);
        tree->AddChild(s);
        return s;
    }

    Renderer render;
    ZSprite* (*m_savedFactory)(ZMaterial*) = nullptr;
    ZFrameTimer& m_timer = clock.timer;
};

TEST_F(Highlight2Test, SpriteCountFollowsTheSizeSource)
{
    struct Case
    {
        float w, h;
        int count;
    };
    // 520 / 40 = 13 pairs -> 26, up to 28; 5 x 5 counts as 10 x 10: 4 pairs, raised to 8;
    // 600 / 40 = 15 pairs -> 30, up to 32.
    const Case cases[] = {{100, 100, 28}, {5, 5, 16}, {5000, 5000, 128}, {200, 40, 32}};
    for (const Case& c : cases)
    {
        ZSprite* node = AddSprite(c.w, c.h);
        ZHighlight2* h = ZHighlight2::Create(node, nullptr, 40.0f, nullptr);
        EXPECT_EQ(h->GetParent(), node);
        EXPECT_EQ(h->GetSpriteCount(), c.count) << c.w;
        for (int i = 0; i < c.count; ++i)
        {
            ASSERT_NE(h->GetSprite(i), nullptr);
            EXPECT_FALSE(h->GetSprite(i)->TestFlags(kNodeSnapToPixels));
        }
        EXPECT_EQ(h->GetSprite(c.count), nullptr);
        node->Release();
    }

    // A node that is no sprite gives no ring.
    ZGroup* group = ZGroup::CreateNamed("group");
    tree->AddChild(group);
    ZHighlight2* h = ZHighlight2::Create(group, nullptr, 40.0f, nullptr);
    EXPECT_EQ(h->GetSpriteCount(), 0);
    EXPECT_EQ(h->GetSizeSource(), nullptr);

    // A smaller count deletes the sprites beyond it.
    ZSprite* node = AddSprite(100, 100);
    h->Attach(node);
    EXPECT_EQ(h->GetSpriteCount(), 28);
    h->SetSpriteCount(10);
    EXPECT_EQ(h->GetSpriteCount(), 12);
    EXPECT_EQ(h->GetSprite(12), nullptr);
}

TEST_F(Highlight2Test, IntroThinsTheRingToAlternateSprites)
{
    ZSprite* node = AddSprite(100, 100);
    ZHighlight2* h = ZHighlight2::Create(node, nullptr, 40.0f, nullptr);
    h->SetActive(true);
    const int n = h->GetSpriteCount();
    ASSERT_EQ(n, 28);
    for (int i = 0; i < n; ++i)
    {
        EXPECT_EQ(h->GetSprite(i)->GetParent(), node);
        EXPECT_FLOAT_EQ(h->GetSprite(i)->GetAlpha(), 0.0f);
    }

    // A first tiny frame: nearly the whole intro radius outside the ring (ring half size 80).
    Frame(1e-4);
    const V3 p = h->GetSprite(0)->Position();
    const float r = std::hypot(p.x, p.y);
    EXPECT_NEAR(r, 80.0f + 650.0f + 8.0f, 1.0f);
    EXPECT_FLOAT_EQ(p.z, -900.0f);
    // A deeper ring stops at the floor.
    h->depth = -2000.0f;
    Frame(1e-4);
    EXPECT_FLOAT_EQ(h->GetSprite(0)->Position().z, -995.0f);
    h->depth = -900.0f;

    for (int i = 0; i < 30; ++i)
        Frame(0.05);
    // Past the intro: the even sprites are out, the odd ones alternate large and small.
    for (int i = 0; i < n; ++i)
    {
        ZSprite* s = h->GetSprite(i);
        if (i % 2 == 0)
        {
            EXPECT_FALSE(s->IsActive()) << i;
            EXPECT_FLOAT_EQ(s->GetAlpha(), 0.0f);
        }
        else
        {
            EXPECT_TRUE(s->IsActive()) << i;
            EXPECT_FLOAT_EQ(s->GetAlpha(), 1.0f);
            EXPECT_FLOAT_EQ(s->GetScale().x, i % 4 == 1 ? 0.8f : 0.4f);
            const V3 q = s->Position();
            EXPECT_NEAR(std::hypot(q.x, q.y), 80.0f, 8.0f + 1e-3f) << i;
        }
    }
    // With no end time and a visible node it never fades.
    for (int i = 0; i < 100; ++i)
        Frame(0.1);
    EXPECT_FLOAT_EQ(h->GetSprite(1)->GetAlpha(), 1.0f);
    EXPECT_TRUE(h->IsActive());

    h->SetActive(false);
    EXPECT_EQ(h->GetSprite(1)->GetParent(), nullptr);
}

TEST_F(Highlight2Test, HidingOrDeletingTheNodeFadesTheRingOut)
{
    for (const bool deleteNode : {false, true})
    {
        ZGroup* layer = ZGroup::CreateNamed("layer");
        tree->AddChild(layer);
        ZSprite* node = AddSprite(100, 100);
        ZHighlight2* h = ZHighlight2::Create(node, nullptr, 40.0f, layer);
        EXPECT_EQ(h->GetParent(), layer);
        h->SetActive(true);
        for (int i = 0; i < 30; ++i)
            Frame(0.05);
        ZSprite* s = h->GetSprite(1);
        EXPECT_FLOAT_EQ(s->GetAlpha(), 1.0f);

        if (deleteNode)
            delete node;
        else
            node->SetHidden(true);
        EXPECT_GT(h->GetStopTime(), 0.0);
        Frame(0.15);
        // Half the fade-out time: f = 0.25.
        EXPECT_NEAR(s->GetAlpha(), 0.75f, 1e-3f) << deleteNode;
        EXPECT_NEAR(s->GetScale().x, 0.8f * 0.75f, 1e-3f);
        Frame(0.15);
        Frame(0.05);
        EXPECT_FALSE(s->IsActive()) << deleteNode;
        // The ring's owner ends it.
        EXPECT_TRUE(h->IsActive());
        // Deleting the layer takes the highlight and its sprites, each once.
        delete layer;
        if (!deleteNode)
            node->Release();
    }
}

TEST_F(Highlight2Test, EndTimeFadesAndCopiesKeepSettings)
{
    ZSprite* node = AddSprite(100, 100);
    ZHighlight2* templ = ZHighlight2::Create(nullptr, nullptr, 40.0f, nullptr);
    templ->endTime = 2.0f;
    templ->introTime = 0.5f;
    ZHighlight2* h = ZHighlight2::CreateDefault(templ);
    EXPECT_FLOAT_EQ(h->endTime, 2.0f);
    h->Attach(node);
    EXPECT_EQ(h->GetSpriteCount(), 28);
    h->SetActive(true);
    for (int i = 0; i < 20; ++i)
        Frame(0.1);
    // Timer 2.0: the fade has run its full 0.3 s.
    EXPECT_FALSE(h->GetSprite(1)->IsActive());
    delete templ;
}

} // namespace
