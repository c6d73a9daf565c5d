#include "engine/render/opengl/ZRenderOpenGLDebug.h"

#include <GL/gl.h>

#include "engine/render/ZFont.h"
#include "engine/render/ZRenderFont.h"
#include "engine/render/opengl/ZRenderOpenGL.h"

ZRenderOpenGLDebug::ZRenderOpenGLDebug(ZRenderOpenGL* owner) : m_owner(owner)
{
    RebuildDeviceBuffers();
}

ZRenderOpenGLDebug::~ZRenderOpenGLDebug() = default;

void ZRenderOpenGLDebug::RebuildDeviceBuffers()
{
    m_vertices.clear();
    ZRenderFont* text = m_owner ? m_owner->GetTextRenderer() : nullptr;
    ZFont* font = text ? text->GetDefaultFont() : nullptr;
    SetFontLineHeight(font ? font->GetLineHeight() : 0);
}

void ZRenderOpenGLDebug::DrawShapes(ZCamera* camera)
{
    if (!m_owner || !m_owner->HasContext())
        return;
    if (!camera && m_owner->GetTextRenderer())
        camera = m_owner->GetTextRenderer()->GetScreenCamera();
    const std::vector<const ZRenderDebugEntryBase*> entries = GatherEntries();
    if (entries.empty())
        return;
    m_owner->LoadCameraMatrices(camera);
    m_owner->BindTexture(0, -1);
    glDisable(GL_LIGHTING);
    glLineWidth(2.0f);
    SDebugVertex vertices[ZRenderDebugEntryBase::kMaxVertices];
    for (const ZRenderDebugEntryBase* entry : entries)
    {
        uint32_t count = 0;
        entry->FillVertices(vertices, count);
        if (count == 0)
            continue;
        glBegin(GL_LINES);
        for (uint32_t i = 0; i < count && i < ZRenderDebugEntryBase::kMaxVertices; ++i)
        {
            const uint32_t c = vertices[i].color;
            glColor3f(float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f,
                      float(c & 0xFF) / 255.0f);
            glVertex3f(vertices[i].x, vertices[i].y, vertices[i].z);
        }
        glEnd();
        m_owner->CountDrawCall();
    }
    // The state object no longer knows what lighting and texturing are: its next apply writes all.
    m_owner->ResetDeviceState(false);
}

void ZRenderOpenGLDebug::DrawTextLine(const char* text, float x, float y, uint32_t color)
{
    ZRenderFont* renderer = m_owner ? m_owner->GetTextRenderer() : nullptr;
    if (!renderer || !text)
        return;
    const V4 rgba{float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
                  float(color & 0xFF) / 255.0f, float((color >> 24) & 0xFF) / 255.0f};
    renderer->DrawStringDefault(text, x, y, rgba);
}
