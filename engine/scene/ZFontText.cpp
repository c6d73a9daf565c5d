#include "engine/scene/ZFontText.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/ZUtil.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSprite.h"

namespace
{

ZSerializerRTTI<ZFontText> s_fontTextSerializer;

constexpr ZNameId kSid{"sid"};
constexpr ZNameId kAlign{"align"};
constexpr ZNameId kVertical{"vertical"};

ZTextFontCalls s_calls;

constexpr float kTwoPiF = 6.2831855f;

uint32_t AlignCode(const char* value)
{
    if (!value)
        return kAlignDefault;
    if (std::strcmp(value, "left") == 0)
        return kAlignLeft;
    if (std::strcmp(value, "right") == 0)
        return kAlignRight;
    if (std::strcmp(value, "justify") == 0)
        return kAlignJustify;
    if (std::strcmp(value, "center") == 0)
        return kAlignCenter;
    return kAlignDefault;
}

uint32_t VerticalCode(const char* value)
{
    if (!value)
        return kVerticalLineHeight;
    if (std::strcmp(value, "xheight") == 0)
        return kVerticalXHeight;
    if (std::strcmp(value, "actual") == 0)
        return kVerticalActual;
    if (std::strcmp(value, "baseline") == 0)
        return kVerticalBaseline;
    return kVerticalLineHeight;
}

} // namespace

ZTextFontCalls& TextFontCalls()
{
    return s_calls;
}

bool Utf8ToUtf16(const char* text, std::u16string& out, size_t capacity)
{
    out.clear();
    if (!text)
        return true;
    std::u16string result;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p)
    {
        uint32_t cp = 0;
        int extra = 0;
        uint32_t min = 0;
        if (*p < 0x80)
            cp = *p;
        else if ((*p & 0xE0) == 0xC0)
            cp = *p & 0x1F, extra = 1, min = 0x80;
        else if ((*p & 0xF0) == 0xE0)
            cp = *p & 0x0F, extra = 2, min = 0x800;
        else if ((*p & 0xF8) == 0xF0)
            cp = *p & 0x07, extra = 3, min = 0x10000;
        else
            return false;
        ++p;
        for (int i = 0; i < extra; ++i, ++p)
        {
            if ((*p & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (*p & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp >= 0x10000)
        {
            cp -= 0x10000;
            result.push_back(char16_t(0xD800 + (cp >> 10)));
            result.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        }
        else
        {
            result.push_back(char16_t(cp));
        }
        // The terminator needs the last unit.
        if (result.size() + 1 > capacity)
            return false;
    }
    out = std::move(result);
    return true;
}

// Modifiers.

void ZModifierV2::Start(float time)
{
    m_running = true;
    m_startTime = time;
    Reset();
}

void ZVarCharModifier::Apply(V2& position, float time, float frameDelta, int index, V2& scale, float& alpha)
{
    if (m_running)
        ApplyAt(position, time - m_startTime, frameDelta, index, scale, alpha);
}

void ZCharModifierTypeWriter::Reset()
{
    lastShown = -1;
    cursor.x = 0.0f;
    cursor.y = 0.0f;
}

void ZCharModifierTypeWriter::ApplyAt(V2& position, float elapsed, float frameDelta, int index, V2& scale,
                                      float& alpha)
{
    (void)frameDelta, (void)scale;
    alpha = 0.0f;
    // A rate of 0 or less shows everything at once once the delay has passed.
    const float due = rate > 0 ? float(index) / float(rate) : 0.0f;
    if (elapsed - delay - due <= 0.0f)
        return;
    alpha = 1.0f;
    if (index > lastShown)
    {
        lastShown = index;
        cursor.x = position.x;
        cursor.y = position.y;
    }
    if (m_count > 0 && lastShown >= int(m_count) - 1)
        m_running = false;
}

void ZCharModifierWave::Apply(V2& position, float time, float frameDelta, int index, V2& scale, float& alpha)
{
    (void)frameDelta, (void)scale, (void)alpha;
    position.y += std::sin(phaseStep * float(index) + frequency * time * kTwoPiF) * amplitude;
}

void ZCharModifierSpring::Reset()
{
    for (int i = 0; i < kMaxCharacters; ++i)
    {
        offset[i] = dropHeight;
        velocity[i] = 0.0f;
        acceleration[i] = 0.0f;
    }
}

void ZCharModifierSpring::ApplyAt(V2& position, float elapsed, float frameDelta, int index, V2& scale,
                                  float& alpha)
{
    (void)scale;
    if (index < 0 || index >= kMaxCharacters)
        return;
    const float t = rate > 0 ? elapsed - float(index) / float(rate) : elapsed;
    if (t < 0.0f)
    {
        position.y += dropHeight;
        if (fadeTime > 0.0f)
            alpha = 0.0f;
        return;
    }
    const float m = mass != 0.0f ? mass : 1.0f;
    acceleration[index] = offset[index] * (-stiffness / m) - (damping / m) * velocity[index];
    velocity[index] += frameDelta * acceleration[index];
    offset[index] += velocity[index] * frameDelta;
    position.y += offset[index];
    // Without a drop there is nothing to fade in.
    alpha = dropHeight != 0.0f ? ClampFloat((dropHeight - offset[index]) / dropHeight, 0.0f, 1.0f) : 1.0f;
    const int last = int(std::min<uint32_t>(m_count, kMaxCharacters)) - 1;
    if (offset[index] <= kMathTolerance && velocity[index] < kMathTolerance &&
        acceleration[index] < kMathTolerance && index == last)
        m_running = false;
}

// The text node.

ZFontText::ZFontText()
{
    ResetLayout();
}

ZFontText::~ZFontText()
{
    delete m_modifier;
    m_modifier = nullptr;
    std::free(m_glyphs);
    m_glyphs = nullptr;
    DropFont();
}

void ZFontText::ResetLayout()
{
    m_pivot = PIVOT_TOPLEFT;
    m_measured = {};
    m_box = {};
    m_textScale = {1.0f, 1.0f};
    m_fixedBox = {-1.0f, -1.0f, 0.0f, 0.0f};
    m_dirty = true;
    m_trim = true;
    m_lineHeight = kFontLineHeight;
    m_spacing = 0.0f;
    m_vertical = kVerticalXHeight;
    m_verticalOffset = 0.0f;
    m_align = kAlignDefault;
    m_color = {1.0f, 1.0f, 1.0f, 1.0f};
}

ZFontText* ZFontText::Create(ZFont* font)
{
    auto* text = new ZFontText();
    text->SetFont(font);
    return text;
}

ZSerializerBase* ZFontText::GetSerializer() const
{
    return &s_fontTextSerializer;
}

void ZFontText::DropFont()
{
    if (!m_font)
        return;
    if (s_calls.RemoveText)
        s_calls.RemoveText(m_font, this);
    if (s_calls.Release)
        s_calls.Release(m_font);
    m_font = nullptr;
}

void ZFontText::SetFont(ZFont* font)
{
    if (font != m_font)
    {
        DropFont();
        m_font = font;
        if (font)
        {
            if (s_calls.AddRef)
                s_calls.AddRef(font);
            if (s_calls.AddText)
                s_calls.AddText(font, this);
        }
    }
    m_dirty = true;
    const std::string text = m_text;
    SetText(text.c_str());
}

void ZFontText::SetText(const char* text)
{
    m_text = text ? (m_trim ? TrimString(text) : std::string(text)) : std::string();
    if (!text || !Utf8ToUtf16(m_text.c_str(), m_wide, kWideCapacity))
        m_wide.clear();
    m_dirty = true;
    if (m_font)
    {
        Layout();
        PrepareGlyphs();
    }
}

void ZFontText::SetTextF(const char* format, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format ? format : "", args);
    va_end(args);
    SetText(buffer);
}

void ZFontText::SetColor(float r, float g, float b, float a)
{
    m_color = {r, g, b, a};
}

void ZFontText::SetVertical(uint32_t mode)
{
    m_vertical = mode;
    Layout();
    m_dirty = true;
}

void ZFontText::SetBoxSize(float width, float height)
{
    m_fixedBox.x = width;
    m_fixedBox.y = height;
    m_dirty = true;
    Layout();
}

void ZFontText::SetSpacing(float spacing)
{
    m_spacing = spacing;
    m_dirty = true;
    Layout();
}

void ZFontText::GetBounds(const V2& size, V2& point) const
{
    point.y += m_verticalOffset;
    GetPivotOffset(point, {size.x * m_textScale.x, size.y * m_textScale.y}, m_pivot);
}

void ZFontText::PrepareGlyphs()
{
    const auto bytes = int32_t(m_text.size());
    if (!m_glyphs || m_glyphCapacity < bytes)
    {
        std::free(m_glyphs);
        m_glyphs = std::calloc(size_t(std::max(bytes, 1)), kGlyphRecordSize);
        m_glyphCapacity = m_glyphs ? bytes : 0;
    }
    m_dirty = true;
}

void ZFontText::Layout()
{
    if (!m_font)
        return;
    float width = 0.0f, height = 0.0f, top = 0.0f;
    if (s_calls.MeasureText)
        s_calls.MeasureText(m_font, m_wide.c_str(), width, height, top, -1, 0.0f);
    m_measured = {width, height};
    if (m_fixedBox.x > -1.0f)
    {
        m_box = m_fixedBox;
        m_verticalOffset = 0.0f;
        return;
    }
    const float lineHeight = float(s_calls.GetLineHeight ? s_calls.GetLineHeight(m_font) : 0);
    const float base = float(s_calls.GetBase ? s_calls.GetBase(m_font) : 0);
    const float xHeight = s_calls.GetXHeight ? s_calls.GetXHeight(m_font) : 0.0f;
    switch (m_vertical)
    {
    case kVerticalXHeight:
        m_verticalOffset = (base - height * 0.5f) - xHeight * 0.5f;
        m_box.y = xHeight;
        break;
    case kVerticalActual:
        m_verticalOffset = top;
        m_box.y = height;
        break;
    case kVerticalBaseline:
        m_verticalOffset = base - height * 0.5f;
        m_box.y = xHeight;
        break;
    default:
        m_verticalOffset = lineHeight * 0.5f - height * 0.5f;
        m_box.y = lineHeight;
        break;
    }
    m_box.x = width;
    // Glyphs advance per character, so the spacing counts characters, not UTF-8 bytes.
    if (!m_wide.empty())
        m_box.x += float(m_wide.size() - 1) * m_spacing;
}

void ZFontText::SetModifier(ZModifierV2* modifier)
{
    if (modifier == m_modifier)
        return;
    delete m_modifier;
    m_modifier = modifier;
}

void ZFontText::CopyFrom(ZNode* source)
{
    ZGeom::CopyFrom(source);
    auto* other = ZEntityCast<ZFontText>(source);
    if (!other || other == this)
        return;
    // Each node frees its own modifier, so a copy starts without one.
    m_pivot = other->m_pivot;
    m_measured = other->m_measured;
    m_measuredExtra = other->m_measuredExtra;
    m_textScale = other->m_textScale;
    m_textScaleExtra = other->m_textScaleExtra;
    m_color = other->m_color;
    m_trim = other->m_trim;
    // The text goes in after the settings that shape its layout.
    m_vertical = other->m_vertical;
    m_fixedBox = other->m_fixedBox;
    m_align = other->m_align;
    m_spacing = other->m_spacing;
    m_lineHeight = other->m_lineHeight;
    m_text = other->m_text;
    SetFont(other->m_font);
    m_verticalOffset = other->m_verticalOffset;
    m_box = other->m_box;
    m_dirty = true;
}

ZNode* ZFontText::Clone()
{
    auto* copy = new ZFontText();
    copy->CopyFrom(this);
    return copy;
}

bool ZFontText::SetProperty(uint32_t id, const char* name, const char* value)
{
    if (id == ZAttr::Text.Value())
    {
        SetText(value);
        return true;
    }
    if (id == ZAttr::Pivot.Value())
    {
        m_pivot = ParseAlignment(value);
        return true;
    }
    if (id == ZAttr::Width.Value())
    {
        SetBoxSize(ParseFloatWithPi(value), m_fixedBox.y);
        return true;
    }
    if (id == ZAttr::Height.Value())
    {
        SetBoxSize(m_fixedBox.x, ParseFloatWithPi(value));
        return true;
    }
    if (id == ZAttr::Font.Value())
    {
        if (ZFont* font = s_calls.Find && value ? s_calls.Find(value) : nullptr)
            SetFont(font);
        return true;
    }
    if (id == kSid.Value())
    {
        SetText(value ? ZStringTable::GetInstance()->GetText(value) : nullptr);
        return true;
    }
    if (id == ZAttr::Color.Value())
    {
        const uint32_t argb = ParseHexColor(value);
        SetColor(float((argb >> 16) & 0xFF) / 255.0f, float((argb >> 8) & 0xFF) / 255.0f,
                 float(argb & 0xFF) / 255.0f, float(argb >> 24) / 255.0f);
        return true;
    }
    if (id == kAlign.Value())
    {
        m_align = AlignCode(value);
        m_dirty = true;
        return true;
    }
    if (id == kVertical.Value())
    {
        SetVertical(VerticalCode(value));
        return true;
    }
    return ZGeom::SetProperty(id, name, value);
}

void ZFontText::SetPositionXYZ(float x, float y, float z)
{
    m_position = {x, y, z};
    Invalidate();
}

void ZFontText::SetPosition(const V3& position)
{
    m_position = position;
    Invalidate();
}

void ZFontText::SetMatPos(const _M44& matrix)
{
    M33 rows;
    for (int r = 0; r < 3; ++r)
        rows.SetRow(r, {matrix.m[r][0], matrix.m[r][1], matrix.m[r][2]});
    SetOrientation(rows);
    SetPosition(V3{matrix.m[3][0], matrix.m[3][1], matrix.m[3][2]});
}

void ZFontText::SetOrientation(const M33& rows)
{
    m_orientation = rows;
    InvalidateAndNotify();
    m_dirty = true;
}

bool ZFontText::GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key)
{
    (void)camera;
    const uint8_t id = m_font && s_calls.GetId ? s_calls.GetId(m_font) : 0;
    key = ZCamera::TextKey(world, id);
    return true;
}

void ZFontText::OnResourceLoaded(ZResource* resource)
{
    (void)resource;
    m_dirty = true;
    PrepareGlyphs();
    Layout();
}
