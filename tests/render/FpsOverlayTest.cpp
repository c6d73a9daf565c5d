#include <gtest/gtest.h>

#include <vector>

#include "engine/render/ZRenderOverlay.h"

namespace
{
using O = ZRenderOverlay;

// The top row of the bar in column 126 (the first non-background row of the inner area).
int BarTop(const ZRenderOverlay& overlay)
{
    for (int y = 1; y < O::kHeight - 1; ++y)
        if (overlay.GetPixel(O::kWidth - 2, y) == O::kBar)
            return y;
    return -1;
}

TEST(FpsOverlayTest, StartsGreyAndStepsAtThirtyOnePointFiveColumnsASecond)
{
    ZRenderOverlay overlay;
    EXPECT_EQ(overlay.GetPixel(0, 0), O::kBackground);
    EXPECT_EQ(overlay.GetPixel(127, 63), O::kBackground);
    // 1/63 s is half a column: the first frame only accumulates.
    EXPECT_FALSE(overlay.Step(1.0 / 63.0));
    EXPECT_EQ(overlay.GetPixel(126, 40), O::kBackground);
    EXPECT_TRUE(overlay.Step(1.0 / 63.0));
    EXPECT_NEAR(overlay.GetAccumulator(), 0.0f, 1e-4f);
    // A long frame still moves only one column.
    EXPECT_TRUE(overlay.Step(0.1));
    EXPECT_NEAR(overlay.GetAccumulator(), 0.15f, 1e-4f);
}

TEST(FpsOverlayTest, BarTopFollowsTheFrameRate)
{
    struct Case
    {
        double fps;
        int top;
    } cases[] = {{62.0, 31}, {80.0, 22}, {64.0, 30}, {30.0, 47}, {200.0, 1}, {10.0, 57}, {1.0, 61}};
    // Each rate in a fresh overlay, with one frame long enough to move a column.
    for (const Case& c : cases)
    {
        ZRenderOverlay overlay;
        for (int i = 0; i < 64 && !overlay.Step(1.0 / c.fps); ++i)
        {
        }
        EXPECT_EQ(BarTop(overlay), c.top) << c.fps;
        for (int y = BarTop(overlay); y < 63; ++y)
            EXPECT_TRUE(overlay.GetPixel(126, y) == O::kBar || y == 32) << c.fps << " row " << y;
        // The 60 line runs along row 32 over the whole width, borders included.
        EXPECT_EQ(overlay.GetPixel(0, 32), O::kSixtyLine);
        EXPECT_EQ(overlay.GetPixel(127, 32), O::kSixtyLine);
        EXPECT_EQ(overlay.GetPixel(64, 0), O::kBorder);
        EXPECT_EQ(overlay.GetPixel(64, 63), O::kBorder);
    }
}

TEST(FpsOverlayTest, ScrollMovesTheInnerAreaLeft)
{
    std::vector<uint32_t> image(size_t(O::kWidth) * O::kHeight, 0);
    for (int y = 0; y < O::kHeight; ++y)
        for (int x = 0; x < O::kWidth; ++x)
            image[size_t(y) * O::kWidth + size_t(x)] = uint32_t(y * 1000 + x);
    ZRenderOverlay::ScrollGraphImage(image.data());
    EXPECT_EQ(image[5 * 128 + 1], 5002u);
    EXPECT_EQ(image[5 * 128 + 125], 5126u);
    EXPECT_EQ(image[5 * 128 + 126], O::kBackground);
    // The border rows and columns stay.
    EXPECT_EQ(image[5 * 128 + 0], 5000u);
    EXPECT_EQ(image[5 * 128 + 127], 5127u);
    EXPECT_EQ(image[0 * 128 + 5], 5u);
    EXPECT_EQ(image[63 * 128 + 5], 63005u);
}

TEST(FpsOverlayTest, LinesStepAlongTheLongerAxis)
{
    std::vector<uint32_t> image(size_t(O::kWidth) * O::kHeight, 0);
    ZRenderOverlay::DrawGraphLine(0, 0, image.data(), 7, 4, 2);
    // Midpoint stepping: (0,0) (1,0)... the short coordinate steps when the error is 0 or more.
    std::vector<std::pair<int, int>> set;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            if (image[size_t(y) * O::kWidth + size_t(x)] == 7)
                set.push_back({x, y});
    EXPECT_EQ(set, (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));
    ZRenderOverlay::DrawGraphLine(10, 5, image.data(), 9, 10, 1);
    for (int y = 1; y <= 5; ++y)
        EXPECT_EQ(image[size_t(y) * O::kWidth + 10], 9u);
}
} // namespace
