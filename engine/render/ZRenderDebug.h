#pragma once
// Debug shapes (lines in world space) and debug text lines gathered during a frame and drawn at its
// end over the scene. One object at a time; the back end that can draw lines gives the drawer.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/ZMatrix.h"
#include "engine/core/ZVector.h"

class ZCamera;

// One line vertex: position and colour 0x00RRGGBB.
struct SDebugVertex
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    uint32_t color = 0;
};

class ZRenderDebugEntryBase
{
public:
    virtual ~ZRenderDebugEntryBase() = default;
    // Writes two vertices per segment into `out` (room for kMaxVertices); the count goes to `count`.
    virtual void FillVertices(SDebugVertex* out, uint32_t& count) const = 0;

    static constexpr uint32_t kMaxVertices = 256;
    uint32_t color = 0xFFFFFFFF;
    double lifetime = -1.0; // -1: one frame
};

class ZRenderDebugEntryBox : public ZRenderDebugEntryBase
{
public:
    void FillVertices(SDebugVertex* out, uint32_t& count) const override;
    V3 a, b;
};

class ZRenderDebugEntryGrid : public ZRenderDebugEntryBase
{
public:
    void FillVertices(SDebugVertex* out, uint32_t& count) const override;
    V4 a, b;
    uint32_t divisions = 10;
    char axis = 'y';
};

class ZRenderDebugEntryLine : public ZRenderDebugEntryBase
{
public:
    void FillVertices(SDebugVertex* out, uint32_t& count) const override;
    V3 start, end;
};

class ZRenderDebugEntryCone : public ZRenderDebugEntryBase
{
public:
    void FillVertices(SDebugVertex* out, uint32_t& count) const override;
    V3 apex, direction;
    float angle = 0.0f;
};

class ZRenderDebugEntrySphere : public ZRenderDebugEntryBase
{
public:
    void FillVertices(SDebugVertex* out, uint32_t& count) const override;
    V3 center;
    float radius = 1.0f;
};

class ZRenderDebugEntryMatrix : public ZRenderDebugEntryBase
{
public:
    void FillVertices(SDebugVertex* out, uint32_t& count) const override;
    V3 position;
    M33 orientation;
};

// A fixed pool of one entry kind; a full pool ignores further requests.
template <class T> struct ZRenderDebugPool
{
    static constexpr uint32_t kSize = 100;
    T entries[kSize];
    uint32_t used = 0;
    T* Take()
    {
        if (used >= kSize)
            return nullptr;
        entries[used] = T();
        return &entries[used++];
    }
};

class ZRenderDebug
{
public:
    static constexpr size_t kMaxText = 511;

    ZRenderDebug();
    virtual ~ZRenderDebug();
    static ZRenderDebug* GetInstance() { return s_instance; }

    // Draws every used entry for the camera (the back end's line drawing).
    virtual void DrawShapes(ZCamera* camera) = 0;
    // One text line with the font at (x, y) in debug.textcolor, alpha 0xFF.
    virtual void DrawText(const char* text, float x, float y);
    // Draws the queued text lines in order, then clears them.
    virtual void Flush();
    virtual void ClearText();
    // With a font: a line of at most 511 characters below the previous one, from the top left.
    virtual void DebugPrintf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual void AddText(const char* text, float x, float y);
    virtual void RebuildDeviceBuffers() {}
    virtual void ReleaseDeviceBuffers() {}

    // The end of the frame: text drawn with word C's 0x100 and shapes with 0x8, else discarded.
    void EndFrame(ZCamera* camera, uint16_t stateC);

    ZRenderDebugEntryGrid* AddGrid(const V4& a, const V4& b);
    void AddReferenceGrids();
    ZRenderDebugEntryBox* AddBox(const V3& a, const V3& b, uint32_t color = 0xFFFFFFFF);
    ZRenderDebugEntryLine* AddLine(const V3& start, const V3& end, uint32_t color = 0xFFFFFFFF);
    ZRenderDebugEntryCone* AddCone(const V3& apex, const V3& direction, float angle);
    ZRenderDebugEntrySphere* AddSphere(const V3& center, float radius);
    ZRenderDebugEntryMatrix* AddMatrix(const V3& position, const M33& orientation);
    void ClearShapes();
    // Every used entry: boxes, grids, lines, cones, spheres, matrices, each pool in order.
    std::vector<const ZRenderDebugEntryBase*> GatherEntries() const;

    // The font's line height in pixels; 0 means no font (text calls do nothing).
    void SetFontLineHeight(int height) { m_fontLineHeight = height; }
    int GetFontLineHeight() const { return m_fontLineHeight; }

    struct STextLine
    {
        float x = 0.0f;
        float y = 0.0f;
        std::string text;
    };
    const std::vector<STextLine>& GetTextQueue() const { return m_text; }
    uint32_t GetLineCount() const { return m_lineCount; }

protected:
    // The device side of DrawText; colour is 0xAARRGGBB.
    virtual void DrawTextLine(const char* text, float x, float y, uint32_t color) = 0;

    ZRenderDebugPool<ZRenderDebugEntryBox> m_boxes;
    ZRenderDebugPool<ZRenderDebugEntryGrid> m_grids;
    ZRenderDebugPool<ZRenderDebugEntryLine> m_lines;
    ZRenderDebugPool<ZRenderDebugEntryCone> m_cones;
    ZRenderDebugPool<ZRenderDebugEntrySphere> m_spheres;
    ZRenderDebugPool<ZRenderDebugEntryMatrix> m_matrices;
    std::vector<STextLine> m_text;
    uint32_t m_lineCount = 0;
    int m_fontLineHeight = 0;

private:
    static inline ZRenderDebug* s_instance = nullptr;
};
