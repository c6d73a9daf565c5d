#include <gtest/gtest.h>

#include "engine/app/ZEngineSettings.h"
#include "tests/support/RecordingRender.h"

using test::RecordingRender;

TEST(RenderIdPools, HandOutInOrderReuseTheLastReleasedAndRunOut)
{
    RecordingRender render;
    EXPECT_EQ(render.AllocVertexBufferId(), 0);
    EXPECT_EQ(render.AllocVertexBufferId(), 1);
    EXPECT_EQ(render.AllocVertexBufferId(), 2);
    EXPECT_TRUE(render.FreeVertexBufferId(1));
    EXPECT_EQ(render.AllocVertexBufferId(), 1);

    for (int i = 3; i < 1024; ++i)
        ASSERT_EQ(render.AllocVertexBufferId(), i);
    EXPECT_EQ(render.AllocVertexBufferId(), -1) << "the 1025th id without release";

    // Releases that would hand one id to two owners are refused.
    EXPECT_FALSE(render.FreeVertexBufferId(-1));
    EXPECT_FALSE(render.FreeVertexBufferId(1024));
    EXPECT_TRUE(render.FreeVertexBufferId(7));
    EXPECT_FALSE(render.FreeVertexBufferId(7));
    EXPECT_EQ(render.AllocVertexBufferId(), 7);
    EXPECT_EQ(render.AllocVertexBufferId(), -1);
}

TEST(RenderIdPools, EachPoolHasItsOwnSize)
{
    RecordingRender render;
    int quads = 0;
    while (render.AllocQuadId() >= 0)
        ++quads;
    int textures = 0;
    while (render.AllocTextureId() >= 0)
        ++textures;
    EXPECT_EQ(quads, 8192);
    EXPECT_EQ(textures, 2048);
    EXPECT_EQ(render.AllocVertexBufferId(), 0) << "pools do not share ids";
}

TEST(RenderBase, SetsAndClearsTheGlobalRenderer)
{
    {
        RecordingRender render;
        EXPECT_EQ(g_render, &render);
    }
    EXPECT_EQ(g_render, nullptr);
}

TEST(RenderBase, StateWords)
{
    RecordingRender render;
    EXPECT_EQ(render.GetStateA(), 0);
    EXPECT_EQ(render.GetStateC(), 0x20) << "word C starts with 0x20";

    render.EnableStateA(0x10 | 0x20);
    render.DisableStateA(0x10);
    EXPECT_EQ(render.GetStateA(), 0x20);
    EXPECT_TRUE(render.TestStateA(0x21)) << "test is true when any given bit is set";
    EXPECT_FALSE(render.TestStateA(0x1));
    render.SetStateA(0x4);
    EXPECT_EQ(render.GetStateA(), 0x4);

    render.SetScreenSpriteShown(true);
    EXPECT_TRUE(render.TestStateC(kRenderScreenSpriteShown));
    render.SetScreenSpriteOverlay(true);
    render.SetScreenSpriteShown(false);
    EXPECT_EQ(render.GetStateC(), 0x20 | kRenderScreenSpriteOverlay);

    render.SetScreenSpriteMode(true);
    EXPECT_TRUE(render.IsScreenSpriteMode());
    EXPECT_TRUE(render.TestStateA(kRenderScreenSprite));

    render.SetStateB(kRenderNonPowerOfTwo);
    EXPECT_TRUE(render.TestStateB(kRenderNonPowerOfTwo));
    EXPECT_FALSE(render.TestStateB(kRenderHardwareCursor));
}

TEST(RenderBase, InitStoresSizeAndWindowModeAndMakesTheRenderState)
{
    RecordingRender render;
    EXPECT_EQ(render.GetWidth(), 1024);
    EXPECT_EQ(render.GetHeight(), 768);
    ASSERT_EQ(render.Init(800, 600, true, nullptr), 0);
    EXPECT_EQ(render.GetWidth(), 800);
    EXPECT_EQ(render.GetHeight(), 600);
    EXPECT_TRUE(render.TestStateA(kRenderWindowed));
    ASSERT_NE(render.GetRenderState(), nullptr);
    ASSERT_EQ(render.Init(800, 600, false, nullptr), 0);
    EXPECT_FALSE(render.TestStateA(kRenderWindowed));
}

TEST(RenderBase, ApplyRenderStateOnlyWhenTheIdDiffers)
{
    RecordingRender render;
    render.Init(800, 600, true, nullptr);
    test::Log().clear();
    ZRenderState* state = render.CreateRenderState();
    state->SetId(5);
    render.ApplyRenderState(state);
    render.ApplyRenderState(state);
    EXPECT_EQ(test::Log(), std::vector<std::string>{"apply-state 5"});
    EXPECT_EQ(render.GetRenderState()->GetId(), 5u);
    state->Destroy();
}

TEST(RenderBase, ResetMatricesSendsIdentityProjection)
{
    struct Render : RecordingRender
    {
        void SetProjectionMatrix(const _M44& matrix) override { sent = matrix.IsIdentity() ? 1 : 2; }
        int sent = 0;
    } render;
    EXPECT_EQ(render.ResetMatrices(), 0);
    EXPECT_EQ(render.sent, 1);
}

TEST(RenderViews, KeptInPriorityOrderEqualPrioritiesBehind)
{
    RecordingRender render;
    ZView* first = ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 2.0f);
    ZView* second = ZView::Create(V4{0.1f, 0.0f, 1.0f, 1.0f}, 1.0f);
    ZView* third = ZView::Create(V4{0.2f, 0.0f, 1.0f, 1.0f}, 2.0f);
    ASSERT_EQ(render.GetViewCount(), 3u);
    EXPECT_EQ(render.GetView(0), second);
    EXPECT_EQ(render.GetView(1), first);
    EXPECT_EQ(render.GetView(2), third);
    EXPECT_EQ(render.GetView(3), nullptr);

    test::Log().clear();
    render.RenderViews();
    EXPECT_EQ(test::Log(), (std::vector<std::string>{"viewport 10", "clear cds", "viewport 0", "clear cds",
                                                     "viewport 20", "clear cds", "target -1"}))
        << "views without cameras are still cleared";
}

TEST(RenderViews, ASixthViewIsRefused)
{
    RecordingRender render;
    for (int i = 0; i < 5; ++i)
        ASSERT_NE(ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, float(i)), nullptr);
    EXPECT_EQ(ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 9.0f), nullptr);
    EXPECT_EQ(render.GetViewCount(), 5u);
}

struct ModeCase
{
    const char* label;
    std::vector<std::pair<int, int>> modes;
    int width, height;
    float aspect;
    bool found;
    int outWidth, outHeight;
};

TEST(RenderDisplayModes, ChooserWorkedExamples)
{
    const bool desktop = g_renderDesktopResolution.GetValue();
    g_renderDesktopResolution.SetValue(false);
    const ModeCase cases[] = {
        {"empty list keeps the request", {}, 800, 600, 4.0f / 3.0f, false, 800, 600},
        {"nearest larger of the aspect",
         {{640, 480}, {1024, 768}, {1280, 1024}},
         800,
         600,
         4.0f / 3.0f,
         true,
         1024,
         768},
        {"only another aspect: the first pass finds nothing",
         {{1280, 1024}},
         800,
         600,
         4.0f / 3.0f,
         false,
         800,
         600},
        {"an exact mode ends the search", {{1280, 1024}, {800, 600}}, 800, 600, 4.0f / 3.0f, true, 800, 600},
        {"any aspect takes the smallest larger mode",
         {{1920, 1080}, {1280, 1024}, {640, 480}},
         800,
         600,
         -1.0f,
         true,
         1280,
         1024},
        {"a fit much taller than asked widens the aspect tolerance",
         {{1600, 1200}, {1280, 720}},
         800,
         600,
         4.0f / 3.0f,
         true,
         1280,
         720},
    };
    for (const ModeCase& c : cases)
    {
        RecordingRender render;
        for (const auto& mode : c.modes)
            render.AddDisplayMode(mode.first, mode.second);
        int w = c.width, h = c.height;
        EXPECT_EQ(render.ChooseDisplayMode(w, h, c.aspect), c.found) << c.label;
        EXPECT_EQ(w, c.outWidth) << c.label;
        EXPECT_EQ(h, c.outHeight) << c.label;
    }
    g_renderDesktopResolution.SetValue(desktop);
}

TEST(RenderDisplayModes, AddedOnceInOrder)
{
    RecordingRender render;
    render.AddDisplayMode(800, 600);
    render.AddDisplayMode(640, 480);
    render.AddDisplayMode(800, 600);
    EXPECT_EQ(render.GetDisplayModes(), (std::vector<std::pair<int, int>>{{800, 600}, {640, 480}}));
    EXPECT_TRUE(render.HasDisplayMode(640, 480));
    EXPECT_FALSE(render.HasDisplayMode(600, 800));
}
