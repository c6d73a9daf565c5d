#pragma once
// A line or block of text in a bitmap font. The node keeps its text as UTF-8 and as UTF-16 (the
// form that is measured and drawn), measures it and computes the box that cameras cull and sort.
// The renderer's text drawing turns the text into glyph records whenever the node is marked dirty,
// and each frame runs the optional character modifier over every character.
//
// Character modifiers animate the characters one by one:
//   ZModifierV2 -> ZCharModifier -> ZVarCharModifier (time-driven) -> ZCharModifierTypeWriter,
//                                                                     ZCharModifierSpring
//                                -> ZCharModifierSinus -> ZCharModifierWave
#include <cstdint>
#include <string>

#include "engine/core/ZMath.h"
#include "engine/resource/ZResource.h"
#include "engine/scene/ZGeom.h"

class ZFont;
class ZFontText;

// What text nodes call on the renderer's fonts. The renderer fills the slots in when its fonts
// start; an empty slot gives the neutral answer (nothing referenced, nothing measured).
struct ZTextFontCalls
{
    void (*AddRef)(ZFont* font) = nullptr;
    void (*Release)(ZFont* font) = nullptr;
    // The node joins the font's text users, whose layout the font marks dirty when it (re)loads.
    void (*AddText)(ZFont* font, ZFontText* text) = nullptr;
    // Every occurrence of the node leaves the font's text users.
    void (*RemoveText)(ZFont* font, ZFontText* text) = nullptr;
    ZFont* (*Find)(const char* name) = nullptr;
    // ZFont::MeasureText: width and height of the first `length` units (-1: all), the top of the
    // highest glyph; `spacing` is added per character.
    void (*MeasureText)(ZFont* font, const char16_t* text, float& width, float& height, float& top,
                        int length, float spacing) = nullptr;
    int (*GetLineHeight)(const ZFont* font) = nullptr;
    int (*GetBase)(const ZFont* font) = nullptr;
    float (*GetXHeight)(const ZFont* font) = nullptr;
    // The font's 8-bit id, added to text draw keys.
    uint8_t (*GetId)(const ZFont* font) = nullptr;
};

ZTextFontCalls& TextFontCalls();

class ZModifierV2
{
public:
    virtual ~ZModifierV2() = default;
    // Running from `time` on (the engine clock's time).
    virtual void Start(float time);
    virtual bool IsRunning() const { return m_running; }
    // One character: position, scale and alpha in and out.
    virtual void Apply(V2& position, float time, float frameDelta, int index, V2& scale, float& alpha) = 0;
    virtual void SetCount(uint32_t count) { m_count = count; }
    virtual void Reset() {}

    uint32_t GetCount() const { return m_count; }
    float GetStartTime() const { return m_startTime; }
    void Stop() { m_running = false; }

protected:
    uint32_t m_count = 0;
    float m_startTime = 0.0f;
    bool m_running = false;
};

class ZCharModifier : public ZModifierV2
{
};

// Driven by the time since Start.
class ZVarCharModifier : public ZCharModifier
{
public:
    // While running: ApplyAt with the time since Start.
    void Apply(V2& position, float time, float frameDelta, int index, V2& scale, float& alpha) override;
    virtual void ApplyAt(V2& position, float elapsed, float frameDelta, int index, V2& scale,
                         float& alpha) = 0;
};

// Reveals the characters in turn, `rate` per second after `delay`.
class ZCharModifierTypeWriter : public ZVarCharModifier
{
public:
    void Reset() override;
    void ApplyAt(V2& position, float elapsed, float frameDelta, int index, V2& scale, float& alpha) override;

    int32_t rate = 50;
    float delay = 1.0f;
    int32_t lastShown = -1;
    // The position of the last character shown.
    V4 cursor;
};

class ZCharModifierSinus : public ZCharModifier
{
public:
    bool IsRunning() const override { return false; }
};

// Moves the characters on a sine wave; it never ends.
class ZCharModifierWave : public ZCharModifierSinus
{
public:
    void Apply(V2& position, float time, float frameDelta, int index, V2& scale, float& alpha) override;

    float phaseStep = 2.0f;
    float amplitude = 2.0f;
    float unused[2] = {};
    float frequency = 1.0f;
};

// Drops the characters in, `rate` per second, on damped springs.
class ZCharModifierSpring : public ZVarCharModifier
{
public:
    static constexpr int kMaxCharacters = 255;

    // Every slot back to rest at the drop height.
    void Reset() override;
    // Characters beyond kMaxCharacters are drawn in place.
    void ApplyAt(V2& position, float elapsed, float frameDelta, int index, V2& scale, float& alpha) override;

    float dropHeight = 0.0f;
    int32_t rate = 25;
    float offset[kMaxCharacters] = {};
    float velocity[kMaxCharacters] = {};
    float acceleration[kMaxCharacters] = {};
    float stiffness = 150.0f;
    float damping = 14.0f;
    float mass = 1.0f;
    float fadeTime = 0.3f;
};

enum ETextAlign : uint32_t
{
    kAlignLeft = 0,
    kAlignRight = 1,
    kAlignJustify = 2,
    kAlignCenter = 3,
    kAlignDefault = 4,
};

enum ETextVertical : uint32_t
{
    kVerticalLineHeight = 0,
    kVerticalXHeight = 1,
    kVerticalActual = 2,
    kVerticalBaseline = 3,
};

class ZFontText : public ZGeom, public ZResourceListener
{
    QV_TYPE_RECORD(ZFontText, &ZGeom::kTypeRecord)

public:
    // Units of the UTF-16 conversion buffer, terminator included.
    static constexpr size_t kWideCapacity = 2048;
    static constexpr float kFontLineHeight = -9999.0f;
    // Bytes per glyph record of the text drawing.
    static constexpr size_t kGlyphRecordSize = 48;

    ZFontText();
    ~ZFontText() override;

    static ZFontText* Create(ZFont* font);

    ZSerializerBase* GetSerializer() const override;
    void CopyFrom(ZNode* source) override;
    ZNode* Clone() override;
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    void InvalidateLayout() override { m_dirty = true; }
    void SetPositionXYZ(float x, float y, float z) override;
    void SetPosition(const V3& position) override;
    void SetMatPos(const _M44& matrix) override;
    bool GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key) override;
    // The font (re)loaded: lay out again.
    void OnResourceLoaded(ZResource* resource) override;
    virtual void SetOrientation(const M33& rows);

    void SetText(const char* text);
    void SetTextF(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void SetFont(ZFont* font);
    void SetColor(float r, float g, float b, float a);
    void SetVertical(uint32_t mode);
    void SetBoxSize(float width, float height);
    // Adds the vertical offset and the pivot offset of the scaled size to the point.
    void GetBounds(const V2& size, V2& point) const;
    void PrepareGlyphs();
    void Layout();
    // The modifier becomes the node's (freed with it); the previous one is freed.
    void SetModifier(ZModifierV2* modifier);

    ZModifierV2* GetModifier() const { return m_modifier; }
    ZFont* GetFont() const { return m_font; }
    const std::string& GetText() const { return m_text; }
    const std::u16string& GetWideText() const { return m_wide; }
    uint32_t GetPivot() const { return m_pivot; }
    void SetPivot(uint32_t pivot) { m_pivot = pivot; }
    const V2& GetMeasuredSize() const { return m_measured; }
    // Width and height of the text's rectangle.
    V2 GetBoxSize() const { return {m_box.x, m_box.y}; }
    V2 GetFixedBox() const { return {m_fixedBox.x, m_fixedBox.y}; }
    const V2& GetTextScale() const { return m_textScale; }
    void SetTextScale(const V2& scale)
    {
        m_textScale = scale;
        m_dirty = true;
    }
    bool IsDirty() const { return m_dirty; }
    // The text drawing clears the mark once the glyph records are rebuilt.
    void ClearDirty() { m_dirty = false; }
    void SetTrim(bool on) { m_trim = on; }
    const V4& GetColor() const { return m_color; }
    float GetAlpha() const { return m_color.w; }
    // The alpha alone; the glyph records stay valid.
    void SetAlphaField(float alpha) { m_color.w = alpha; }
    float GetLineHeight() const { return m_lineHeight; }
    void SetLineHeight(float height)
    {
        m_lineHeight = height;
        m_dirty = true;
    }
    float GetSpacing() const { return m_spacing; }
    void SetSpacing(float spacing);
    uint32_t GetVertical() const { return m_vertical; }
    float GetVerticalOffset() const { return m_verticalOffset; }
    uint32_t GetAlign() const { return m_align; }
    void* GetGlyphs() const { return m_glyphs; }
    int32_t GetGlyphCapacity() const { return m_glyphCapacity; }

private:
    void ResetLayout();
    void DropFont();

    uint32_t m_pivot = PIVOT_TOPLEFT;
    V2 m_measured;
    V2 m_measuredExtra;
    V4 m_box;
    V2 m_textScale{1.0f, 1.0f};
    V2 m_textScaleExtra;
    V4 m_fixedBox{-1.0f, -1.0f, 0.0f, 0.0f};
    ZModifierV2* m_modifier = nullptr;
    void* m_glyphs = nullptr;
    int32_t m_glyphCapacity = 0;
    bool m_dirty = true;
    bool m_trim = true;
    V4 m_color{1.0f, 1.0f, 1.0f, 1.0f};
    ZFont* m_font = nullptr;
    std::string m_text;
    std::u16string m_wide;
    float m_lineHeight = kFontLineHeight;
    float m_spacing = 0.0f;
    uint32_t m_vertical = kVerticalXHeight;
    float m_verticalOffset = 0.0f;
    uint32_t m_align = kAlignDefault;
};

// UTF-8 to UTF-16 into at most `capacity` units, terminator included. False (and `out` empty) for
// malformed UTF-8 or a text that does not fit.
bool Utf8ToUtf16(const char* text, std::u16string& out, size_t capacity);
