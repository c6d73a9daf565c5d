#pragma once
// The frame-rate overlay: a 128 x 64 graph scrolled one column every 1/31.5 s. Its image is drawn
// in place in its own buffer; the back end shows it as a sprite in the lower right of the screen.
#include <cstdint>
#include <memory>

class ZCamera;
class ZMaterial;
class ZSprite;
class ZTexture;
struct DrawRecord;

class ZRenderOverlay
{
public:
    static constexpr int kWidth = 128;
    static constexpr int kHeight = 64;
    static constexpr uint32_t kBorder = 0xA0A0A0A0u;
    static constexpr uint32_t kBackground = 0x80808080u;
    static constexpr uint32_t kBar = 0xFFFFFFFFu;
    static constexpr uint32_t kSixtyLine = 0xFFFFFF80u;
    static constexpr float kColumnsPerSecond = 31.5f;

    // Distance of the graph from the right and bottom edges of the screen, in pixels.
    static constexpr float kMargin = 10.0f;

    ZRenderOverlay();
    virtual ~ZRenderOverlay();
    ZRenderOverlay(const ZRenderOverlay&) = delete;
    ZRenderOverlay& operator=(const ZRenderOverlay&) = delete;

    // Once the device exists: the material "render_fps_overlay" for the shader "sprite" (none
    // without that shader), the texture "render_fps_overlay_texture" and the sprite. 0 on success.
    virtual int InitFpsOverlay();
    // One view pass: steps the graph by the frame time, refreshes the texture and draws the graph in
    // the lower right of the screen. Nothing before InitFpsOverlay or without the material.
    virtual void DrawFpsOverlay(ZCamera* camera);
    bool IsInitialised() const { return m_sprite != nullptr; }
    ZMaterial* GetMaterial() const { return m_material; }
    ZTexture* GetTexture() const { return m_texture; }
    ZSprite* GetSprite() const { return m_sprite; }

    // Advances by one frame of `frameTime` seconds; true when the graph moved one column.
    bool Step(double frameTime);

    uint32_t* GetPixels() { return m_pixels.get(); }
    const uint32_t* GetPixels() const { return m_pixels.get(); }
    uint32_t GetPixel(int x, int y) const { return m_pixels[size_t(y) * kWidth + size_t(x)]; }
    float GetAccumulator() const { return m_accumulator; }

    // Graph image operations on a kWidth x kHeight image; the caller keeps points inside it.
    static void DrawGraphLine(int x0, int y0, uint32_t* image, uint32_t color, int x1, int y1);
    static void ClearGraphBorder(uint32_t* image);
    static void ScrollGraphImage(uint32_t* image);

protected:
    // The texture takes the graph image; the back end's copy is brought up to date here.
    virtual void RefreshTexture();
    virtual void DrawSprite(ZCamera* camera, const DrawRecord& record);

    ZSprite* m_sprite = nullptr;
    ZMaterial* m_material = nullptr;
    ZTexture* m_texture = nullptr;
    bool m_stepped = false;
    uint32_t m_steppedFrame = 0;

private:
    std::unique_ptr<uint32_t[]> m_pixels;
    float m_accumulator = 0.0f;
};
