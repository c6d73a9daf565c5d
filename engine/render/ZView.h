#pragma once
// A rectangle of the screen into which a list of cameras draws. The renderer keeps the views in
// priority order and owns them; a view keeps its cameras (not owned) sorted by their priority.
#include <cstdint>
#include <vector>

#include "engine/core/ZVector.h"
#include "engine/scene/ZCamera.h"

class ZView : public ICameraView
{
public:
    enum : uint16_t
    {
        // Colour, depth and stencil are cleared before the view's cameras draw.
        kViewClear = 0x1,
        // Only depth and stencil are cleared: the view draws over what the views before it drew
        // this frame (the 2D screen over the main view). The frame's first view starts from a
        // clean picture all the same.
        kViewClearDepth = 0x2,
    };

    // The rectangle is x, y, width, height as fractions of the screen.
    ZView(float x, float y, float width, float height);
    ~ZView() override;
    ZView(const ZView&) = delete;
    ZView& operator=(const ZView&) = delete;

    // Makes a view and hands it to the renderer (which owns it from then on) at `priority`; null
    // when the renderer has no room for another view.
    static ZView* Create(const V4& rectangle, float priority);

    virtual void Refresh();

    // A null camera is ignored; the same camera twice is listed twice.
    void AddCamera(ZCamera* camera);
    void SortCameras();
    // Removes the camera's entries (all of them: a camera added twice leaves once, when it dies);
    // nothing when absent.
    void RemoveCamera(ZCamera* camera) override;

    const std::vector<ZCamera*>& GetCameras() const { return m_cameras; }
    V4 GetRectangle() const { return {m_x, m_y, m_width, m_height}; }
    float GetX() const { return m_x; }
    float GetY() const { return m_y; }
    float GetWidth() const { return m_width; }
    float GetHeight() const { return m_height; }
    void SetTextureOffsets(float u, float v)
    {
        m_offsetU = u;
        m_offsetV = v;
    }
    float GetOffsetU() const { return m_offsetU; }
    float GetOffsetV() const { return m_offsetV; }
    // The background the view is cleared to (its alpha is not used).
    const V4& GetClearColor() const { return m_clearColor; }
    void SetClearColor(const V4& color) { m_clearColor = color; }
    uint16_t GetFlags() const { return m_flags; }
    void SetFlags(uint16_t flags) { m_flags = flags; }

private:
    float m_x, m_y, m_width, m_height;
    float m_offsetU = 0.0f;
    float m_offsetV = 0.0f;
    std::vector<ZCamera*> m_cameras;
    uint16_t m_flags = kViewClear;
    V4 m_clearColor{0.0f, 0.0f, 0.0f, 1.0f};
};
