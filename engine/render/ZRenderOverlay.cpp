#include "engine/render/ZRenderOverlay.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

ZRenderOverlay::ZRenderOverlay() : m_pixels(new uint32_t[size_t(kWidth) * kHeight])
{
    std::memset(m_pixels.get(), 0x80, sizeof(uint32_t) * size_t(kWidth) * kHeight);
}

bool ZRenderOverlay::Step(double frameTime)
{
    m_accumulator += float(frameTime) * kColumnsPerSecond;
    const float whole = std::floor(m_accumulator);
    m_accumulator -= whole;
    if (whole <= 0.0f)
        return false;
    uint32_t* image = m_pixels.get();
    ClearGraphBorder(image);
    ScrollGraphImage(image);
    // 60 frames a second sits at row 32; each 2 frames a second more lift the bar one row.
    const double fps = frameTime > 0.0 ? 1.0 / frameTime : 0.0;
    const double v = std::trunc((fps - 60.0) * 0.5);
    const int top = v > 32.0 ? 0 : 32 - int(v);
    DrawGraphLine(kWidth - 2, top, image, kBar, kWidth - 2, kHeight - 2);
    DrawGraphLine(kWidth - 1, 32, image, kSixtyLine, 0, 32);
    return true;
}

void ZRenderOverlay::DrawGraphLine(int x0, int y0, uint32_t* image, uint32_t color, int x1, int y1)
{
    const int dx = std::abs(x1 - x0);
    const int dy = std::abs(y1 - y0);
    const int sx = x1 >= x0 ? 1 : -1;
    const int sy = y1 >= y0 ? 1 : -1;
    const bool alongX = dx >= dy;
    const int steps = alongX ? dx : dy;
    const int longer = steps;
    const int shorter = alongX ? dy : dx;
    int error = 2 * shorter - longer;
    int x = x0;
    int y = y0;
    for (int i = 0; i <= steps; ++i)
    {
        if (x >= 0 && x < kWidth && y >= 0 && y < kHeight)
            image[size_t(y) * kWidth + size_t(x)] = color;
        if (error >= 0)
        {
            if (alongX)
                y += sy;
            else
                x += sx;
            error -= 2 * longer;
        }
        error += 2 * shorter;
        if (alongX)
            x += sx;
        else
            y += sy;
    }
}

void ZRenderOverlay::ClearGraphBorder(uint32_t* image)
{
    for (int x = 0; x < kWidth; ++x)
    {
        image[x] = kBorder;
        image[size_t(kHeight - 1) * kWidth + size_t(x)] = kBorder;
    }
    for (int y = 0; y < kHeight; ++y)
    {
        image[size_t(y) * kWidth] = kBorder;
        image[size_t(y) * kWidth + kWidth - 1] = kBorder;
    }
}

void ZRenderOverlay::ScrollGraphImage(uint32_t* image)
{
    for (int y = 1; y < kHeight - 1; ++y)
    {
        uint32_t* row = image + size_t(y) * kWidth;
        std::memmove(row + 1, row + 2, sizeof(uint32_t) * (kWidth - 3));
        row[kWidth - 2] = kBackground;
    }
}
