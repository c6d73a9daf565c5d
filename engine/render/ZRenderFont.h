#pragma once
// The renderer's text drawer. A text node's characters are laid out into the node's glyph records
// (words, wrapping at the box width, newlines, alignment, kerning and letter spacing) only when the
// node is marked dirty (or always with render.disablefontcache); every frame each record is drawn as
// the glyph's prebuilt quad through one shared carrier sprite and one material.
#include <cstdint>

#include "engine/core/ZMatrix.h"
#include "engine/core/ZVector.h"

class ZCamera;
class ZFont;
class ZTexture;
class ZView;
class ZFontText;
class ZMaterial;
class ZSprite;
struct DrawRecord;

class ZRenderFont
{
public:
    // One glyph record of a text node, twelve 32-bit fields; the drawer uses five of them.
    struct SGlyphSlot
    {
        uint32_t quadId;
        uint32_t reserved1[3];
        float x;
        float y;
        uint32_t reserved2[2];
        float width;
        float height;
        uint32_t reserved3[2];
    };
    static constexpr uint32_t kNoGlyph = 0xFFFFFFFFu;
    static constexpr uint32_t kEndOfText = 0xFFFFFFFEu;

    ZRenderFont();
    virtual ~ZRenderFont();
    ZRenderFont(const ZRenderFont&) = delete;
    ZRenderFont& operator=(const ZRenderFont&) = delete;

    // After the device exists (again): the built-in font (made anew), the material for the shader
    // "font" and the carrier sprite.
    virtual int Init();
    virtual void DrawTextNode(ZFontText* node, ZCamera* camera, const DrawRecord& record);
    // An 8-bit string at once, without kerning, spacing or newlines.
    virtual void DrawString(const char* text, const M33& orientation, const V3& position, const V2& scale,
                            const V4& color, ZFont* font, ZCamera* camera);
    // Unturned, unscaled, into this drawer's own screen camera (origin at the screen centre, y up).
    virtual void DrawStringAt(const char* text, float x, float y, const V4& color, ZFont* font);
    // Unturned, unscaled, with the built-in font into the given camera.
    virtual void DrawStringInto(ZCamera* camera, const char* text, const V3& position, const V4& color);
    virtual void DrawStringDefault(const char* text, float x, float y, const V4& color);

    // Top-left corner of the node's text in node units (rounded down to whole units).
    static V2 ComputeStart(const ZFontText& node);
    // Rebuilds the node's glyph records from `start`; clears the node's dirty mark.
    static void LayoutNode(ZFontText& node, const V2& start);
    static SGlyphSlot* GetSlots(const ZFontText& node);

    ZFont* GetDefaultFont() const { return m_defaultFont; }
    ZTexture* GetDefaultFontTexture() const { return m_defaultFontTexture; }
    ZCamera* GetScreenCamera() const { return m_camera; }
    ZMaterial* GetMaterial() const { return m_material; }
    ZSprite* GetCarrier() const { return m_carrier; }
    // Quad id of the glyph being drawn, for the back end's sprite code.
    int GetCurrentQuad() const { return m_currentQuad; }
    // How many times a node was laid out (the cache's effect shows in it).
    uint32_t GetLayoutCount() const { return m_layoutCount; }

protected:
    // Hands one glyph (the carrier sprite with its size and quad) to the material's shader.
    virtual void DrawGlyph(ZCamera* camera, const DrawRecord& record);

    void ReleaseDefaultFont();

    ZFont* m_defaultFont = nullptr;
    ZMaterial* m_material = nullptr;
    ZSprite* m_carrier = nullptr;
    ZTexture* m_defaultFontTexture = nullptr;
    ZView* m_view = nullptr;
    ZCamera* m_camera = nullptr;
    int m_currentQuad = -1;
    uint32_t m_layoutCount = 0;
};
