#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/render/ZRenderBase.h"
#include "engine/render/ZRenderDebug.h"
#include "engine/render/resources/IRender.h"

namespace
{
class LogDebug : public ZRenderDebug
{
public:
    void DrawShapes(ZCamera*) override
    {
        for (const ZRenderDebugEntryBase* entry : GatherEntries())
        {
            SDebugVertex vertices[ZRenderDebugEntryBase::kMaxVertices];
            uint32_t count = 0;
            entry->FillVertices(vertices, count);
            shapeVertices.push_back(count);
        }
    }
    void DrawTextLine(const char* text, float x, float y, uint32_t color) override
    {
        drawn.push_back(std::string(text) + "@" + std::to_string(int(x)) + "," + std::to_string(int(y)));
        lastColor = color;
    }
    std::vector<uint32_t> shapeVertices;
    std::vector<std::string> drawn;
    uint32_t lastColor = 0;
};

class RenderDebugTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        width = g_renderWidth.GetValue();
        height = g_renderHeight.GetValue();
        g_renderWidth.SetValue(800);
        g_renderHeight.SetValue(600);
    }
    void TearDown() override
    {
        g_renderWidth.SetValue(width);
        g_renderHeight.SetValue(height);
    }
    int width = 0, height = 0;
    LogDebug debug;
};

TEST_F(RenderDebugTest, VertexCountsOfEachShape)
{
    debug.AddLine(V3{0, 0, 0}, V3{1, 1, 1});
    debug.AddBox(V3{0, 0, 0}, V3{1, 2, 3});
    debug.AddMatrix(V3{}, M33());
    debug.AddSphere(V3{}, 5.0f);
    debug.AddCone(V3{}, V3{0, 0, 1}, 0.5f);
    debug.AddGrid(V4{-1, 0, -1, 0}, V4{1, 0, 1, 0});
    debug.EndFrame(nullptr, kRenderDebugShapes);
    // Gathered boxes, grids, lines, cones, spheres, matrices.
    EXPECT_EQ(debug.shapeVertices, (std::vector<uint32_t>{24, 44, 2, 62, 186, 6}));
    EXPECT_TRUE(debug.GatherEntries().empty());
}

TEST_F(RenderDebugTest, BoxEdgesAndAxesColours)
{
    ZRenderDebugEntryBox box;
    box.a = V3{0, 0, 0};
    box.b = V3{1, 1, 1};
    SDebugVertex v[ZRenderDebugEntryBase::kMaxVertices];
    uint32_t count = 0;
    box.FillVertices(v, count);
    // Every edge has length 1 along one axis.
    for (uint32_t i = 0; i < count; i += 2)
    {
        const float d =
            std::abs(v[i].x - v[i + 1].x) + std::abs(v[i].y - v[i + 1].y) + std::abs(v[i].z - v[i + 1].z);
        EXPECT_FLOAT_EQ(d, 1.0f);
    }
    ZRenderDebugEntryMatrix axes;
    axes.position = V3{1, 2, 3};
    axes.FillVertices(v, count);
    ASSERT_EQ(count, 6u);
    EXPECT_EQ(v[1].color, 0xFF0000u);
    EXPECT_FLOAT_EQ(v[1].x, 51.0f);
    EXPECT_EQ(v[3].color, 0x00FF00u);
    EXPECT_FLOAT_EQ(v[3].y, 52.0f);
    EXPECT_EQ(v[5].color, 0x0000FFu);
    EXPECT_FLOAT_EQ(v[5].z, 53.0f);
}

TEST_F(RenderDebugTest, PoolsHoldAHundredAndShapesAreDiscardedWithoutTheBit)
{
    for (int i = 0; i < 100; ++i)
        ASSERT_NE(debug.AddGrid(V4{}, V4{1, 0, 1, 0}), nullptr);
    EXPECT_EQ(debug.AddGrid(V4{}, V4{1, 0, 1, 0}), nullptr);
    EXPECT_NE(debug.AddLine(V3{}, V3{}), nullptr);
    debug.EndFrame(nullptr, 0);
    EXPECT_TRUE(debug.shapeVertices.empty());
    // The next frame has room again.
    debug.AddReferenceGrids();
    EXPECT_EQ(debug.GatherEntries().size(), 3u);
}

TEST_F(RenderDebugTest, PrintedLinesGoDownFromTheTopLeft)
{
    debug.DebugPrintf("no font %d", 1);
    EXPECT_TRUE(debug.GetTextQueue().empty());
    EXPECT_EQ(debug.GetLineCount(), 0u);

    debug.SetFontLineHeight(16);
    debug.DebugPrintf("a%d", 1);
    debug.DebugPrintf("b");
    debug.DebugPrintf("c");
    debug.AddText("free", 5.0f, 6.0f);
    debug.EndFrame(nullptr, kRenderDebugText);
    EXPECT_EQ(debug.drawn, (std::vector<std::string>{"a1@-400,300", "b@-400,284", "c@-400,268", "free@5,6"}));
    EXPECT_EQ(debug.lastColor, 0xFF000000u | uint32_t(g_debugTextColor.GetValue()));
    EXPECT_EQ(debug.GetLineCount(), 0u);

    // Without the bit the queue is only emptied.
    debug.drawn.clear();
    debug.DebugPrintf("%s", std::string(600, 'x').c_str());
    ASSERT_EQ(debug.GetTextQueue().size(), 1u);
    EXPECT_EQ(debug.GetTextQueue()[0].text.size(), 511u);
    debug.EndFrame(nullptr, kRenderDebugShapes);
    EXPECT_TRUE(debug.drawn.empty());
    EXPECT_TRUE(debug.GetTextQueue().empty());
}

TEST_F(RenderDebugTest, OneObjectAtATime)
{
    EXPECT_EQ(ZRenderDebug::GetInstance(), &debug);
    {
        LogDebug other;
        EXPECT_EQ(ZRenderDebug::GetInstance(), &other);
    }
    EXPECT_EQ(ZRenderDebug::GetInstance(), nullptr);
}
} // namespace
