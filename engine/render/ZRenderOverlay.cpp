#include "engine/render/ZRenderOverlay.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZProperty.h"
#include "engine/render/ZRenderBase.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZRenderSettings.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZSprite.h"

ZRenderOverlay::ZRenderOverlay() : m_pixels(new uint32_t[size_t(kWidth) * kHeight])
{
    std::memset(m_pixels.get(), 0x80, sizeof(uint32_t) * size_t(kWidth) * kHeight);
}

ZRenderOverlay::~ZRenderOverlay()
{
    delete m_sprite;
    // The texture lives in the manager's texture group: once the manager is gone, so is it.
    if (m_texture)
        if (ZResourceManager* manager = ZResourceManager::PeekInstance())
        {
            m_texture->ClearFlags(kResourceKeep);
            m_texture->Unload();
            manager->FreeResource(m_texture);
        }
}

int ZRenderOverlay::InitFpsOverlay()
{
    if (m_sprite)
        return 0;
    m_material = nullptr;
    if (ZShaderLibrary* library = ZShaderLibrary::GetInstance())
        if (ZShaderBase* shader = library->FindShader("sprite"))
            m_material = ZMaterial::CreateForShader("render_fps_overlay", shader);
    const size_t bytes = sizeof(uint32_t) * size_t(kWidth) * kHeight;
    auto* copy = static_cast<uint8_t*>(std::malloc(bytes));
    if (!copy)
        return 1;
    std::memcpy(copy, m_pixels.get(), bytes);
    // The pixel copy is kept: every refresh writes the graph into it.
    m_texture = ZTexture::CreateEmpty(copy, kWidth, kHeight, kTextureKeepPixels | kTextureNoAtlas);
    m_texture->SetName("render_fps_overlay_texture");
    if (m_material)
        m_material->SetTexture(0, m_texture, false);
    // Anchored at its lower right corner so that the margin holds at any screen size.
    m_sprite = ZSprite::Create(float(kWidth), float(kHeight), PIVOT_BOTTOMRIGHT);
    m_sprite->SetFlags(kNode2D);
    m_sprite->SetFlags(kNodeSnapToPixels);
    return 0;
}

void ZRenderOverlay::DrawFpsOverlay(ZCamera* camera)
{
    if (!m_sprite || !m_material)
        return;
    // Drawn after every camera, stepped once a frame: a frame's time counts once, however many
    // cameras the screen has.
    const uint32_t frame = g_render ? g_render->GetFrameCount() : 0;
    if (!m_stepped || frame != m_steppedFrame)
    {
        Step(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
        RefreshTexture();
        m_stepped = true;
        m_steppedFrame = frame;
    }
    // The lower right corner; the sprite's pivot puts the graph to its upper left.
    const V2 corner{float(g_renderWidth.GetValue()) * 0.5f - kMargin,
                    kMargin - float(g_renderHeight.GetValue()) * 0.5f};
    DrawRecord record;
    record.node = m_sprite;
    record.material = m_material;
    record.shader = m_material->GetShader();
    record.world.SetIdentity();
    record.world.m[3][0] = corner.x;
    record.world.m[3][1] = corner.y;
    record.alpha = 1.0f;
    m_sprite->SetMatPos(record.world);
    DrawSprite(camera, record);
}

void ZRenderOverlay::RefreshTexture()
{
    if (m_texture && m_texture->GetPixels())
        std::memcpy(m_texture->GetPixels(), m_pixels.get(), sizeof(uint32_t) * size_t(kWidth) * kHeight);
}

void ZRenderOverlay::DrawSprite(ZCamera* camera, const DrawRecord& record)
{
    if (!record.shader)
        return;
    if (ZShaderCodeBase* code = record.shader->GetCode())
        code->MaterialChanged(record.material);
    if (g_render && record.material->GetRenderState())
        g_render->ApplyRenderState(record.material->GetRenderState());
    record.shader->Draw(camera, record);
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
