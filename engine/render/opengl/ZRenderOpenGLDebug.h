#pragma once
// The OpenGL back end's debug drawer: shapes as GL line lists, text with the built-in font through
// the text drawer's screen camera.
#include "engine/render/ZRenderDebug.h"

class ZRenderOpenGL;

class ZRenderOpenGLDebug final : public ZRenderDebug
{
public:
    explicit ZRenderOpenGLDebug(ZRenderOpenGL* owner);
    ~ZRenderOpenGLDebug() override;

    // Every used entry as lines of width 2 in its colours, for the camera (the text drawer's screen
    // camera when none is given).
    void DrawShapes(ZCamera* camera) override;
    // The device is made again: the built-in font's line height is taken again.
    void RebuildDeviceBuffers() override;

protected:
    void DrawTextLine(const char* text, float x, float y, uint32_t color) override;

private:
    ZRenderOpenGL* m_owner = nullptr;
    std::vector<SDebugVertex> m_vertices;
};
