#include "engine/render/ZRenderFont.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZProperty.h"
#include "engine/render/ZFont.h"
#include "engine/render/ZRenderBase.h"
#include "engine/render/ZView.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSprite.h"

static_assert(sizeof(ZRenderFont::SGlyphSlot) == ZFontText::kGlyphRecordSize);

namespace
{
// Glyphs smaller than this (2^-13) in either direction are not drawn.
constexpr float kTinyGlyph = 0.00012207031f;

struct LineAligner
{
    ZRenderFont::SGlyphSlot* slots;
    uint32_t mode;

    // Moves the slots [first, last] of one line within a box of `box` width.
    void Align(int first, int last, float lineWidth, bool wrapped, float box) const
    {
        if (last < first)
            return;
        switch (mode)
        {
        case kAlignRight:
            for (int i = first; i <= last; ++i)
                slots[i].x += box - lineWidth;
            break;
        case kAlignJustify:
        {
            if (!wrapped || last == first)
                break;
            const float gap = (box - lineWidth) / float(last - first);
            for (int i = first; i <= last; ++i)
                slots[i].x += float(i - first) * gap;
            break;
        }
        case kAlignCenter:
        {
            const float shift = std::floor((box - lineWidth) * 0.5f);
            for (int i = first; i <= last; ++i)
                slots[i].x += shift;
            break;
        }
        default:
            break;
        }
    }
};
} // namespace

ZRenderFont::ZRenderFont()
{
    m_view = new ZView(0.0f, 0.0f, 1.0f, 1.0f);
    m_camera = ZCamera::Create("renderfontcamera", nullptr, false, true);
    m_view->AddCamera(m_camera);
}

ZRenderFont::~ZRenderFont()
{
    ReleaseDefaultFont();
    delete m_carrier;
    // The view first: it lets go of its camera, which at shutdown no longer leaves views itself.
    delete m_view;
    delete m_camera;
}

void ZRenderFont::ReleaseDefaultFont()
{
    ZFont* font = m_defaultFont;
    m_defaultFont = nullptr;
    // Fonts and pages live in the manager's groups: once the manager is gone, so are they.
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    if (!manager)
    {
        m_defaultFontTexture = nullptr;
        return;
    }
    if (!font)
        return;
    font->ClearFlags(kResourceKeep);
    font->Unload();
    font->Release();
    // A font someone else still holds stays with the manager, which deletes it at its end.
    manager->FreeResource(font);
}

int ZRenderFont::Init()
{
    ReleaseDefaultFont();
    m_defaultFont = BuildDefaultFont(m_defaultFontTexture);
    m_material = nullptr;
    if (ZShaderLibrary* library = ZShaderLibrary::GetInstance())
    {
        if (ZShaderBase* shader = library->FindShader("font"))
            m_material = ZMaterial::CreateForShader("defaultfontmaterial", shader);
    }
    if (!m_carrier)
    {
        m_carrier = ZSprite::Create(100.0f, 100.0f);
        // A helper sprite: never part of a scene's draw list.
        m_carrier->SetFlags(kNode2D);
    }
    return 0;
}

ZRenderFont::SGlyphSlot* ZRenderFont::GetSlots(const ZFontText& node)
{
    return static_cast<SGlyphSlot*>(node.GetGlyphs());
}

V2 ZRenderFont::ComputeStart(const ZFontText& node)
{
    const V2 fixed = node.GetFixedBox();
    const V2 box = fixed.x > -1.0f ? fixed : node.GetMeasuredSize();
    const V2& scale = node.GetTextScale();
    V2 start{-(box.x * 0.5f) * scale.x, (box.y * 0.5f) * scale.y};
    node.GetBounds(box, start);
    return {std::floor(start.x), std::floor(start.y)};
}

void ZRenderFont::LayoutNode(ZFontText& node, const V2& start)
{
    ZFont* font = node.GetFont();
    const std::u16string& text = node.GetWideText();
    const int length = int(text.size());
    if (!font || node.GetGlyphCapacity() < length || !node.GetGlyphs())
        node.PrepareGlyphs();
    SGlyphSlot* slots = GetSlots(node);
    const int capacity = node.GetGlyphCapacity();
    if (!font || !slots || capacity < length)
    {
        node.ClearDirty();
        return;
    }

    const float lineHeight = node.GetLineHeight() != ZFontText::kFontLineHeight
                                 ? node.GetLineHeight()
                                 : float(font->GetLineHeight());
    const float spacing = font->GetLetterSpacing() + node.GetSpacing();
    const V2 fixed = node.GetFixedBox();
    const bool wrap = fixed.x > -1.0f;
    const float wrapWidth = fixed.x;
    const V2& scale = node.GetTextScale();
    const float offsetX = scale.x != 0.0f ? start.x / scale.x : 0.0f;
    const float offsetY = scale.y != 0.0f ? start.y / scale.y : 0.0f;
    uint32_t mode = node.GetAlign();
    if (mode == kAlignDefault)
        mode = wrap ? kAlignLeft : kAlignCenter;
    const LineAligner aligner{slots, mode};
    const float unwrappedBox = node.GetMeasuredSize().x;

    float penX = 0.0f, penY = 0.0f, lineWidth = 0.0f;
    int lineStart = 0;
    int i = 0;
    while (i < length)
    {
        const int wordStart = i;
        while (i < length && text[size_t(i)] != u' ' && text[size_t(i)] != u'\t')
            ++i;
        if (i < length && text[size_t(i)] == u' ')
            ++i;
        const int wordEnd = i;
        if (i < length && text[size_t(i)] == u'\t')
        {
            slots[i].quadId = kNoGlyph;
            ++i;
        }
        const int n = wordEnd - wordStart;
        if (n == 0)
            continue;

        if (wrap)
        {
            float width = 0.0f, height = 0.0f, top = 0.0f;
            font->MeasureText(text.data() + wordStart, width, height, top, n, node.GetSpacing());
            if (float(n - 1) * spacing + width + penX > wrapWidth)
            {
                penY -= lineHeight;
                penX = 0.0f;
                aligner.Align(lineStart, wordStart - 1, lineWidth, true, wrapWidth);
                lineStart = wordStart;
                lineWidth = 0.0f;
            }
        }

        for (int k = wordStart; k < wordEnd; ++k)
        {
            SGlyphSlot& slot = slots[k];
            slot.quadId = kNoGlyph;
            const char16_t c = text[size_t(k)];
            if (c == u'\n')
            {
                penX = 0.0f;
                penY -= lineHeight;
                aligner.Align(lineStart, k - 1, lineWidth, false, wrap ? wrapWidth : unwrappedBox);
                lineStart = k + 1;
                lineWidth = 0.0f;
                continue;
            }
            ZFont::SGlyphInfo glyph;
            if (font->GetGlyph(c, glyph) != 0)
                continue;
            slot.quadId = uint32_t(glyph.quadId);
            slot.width = glyph.width;
            slot.height = glyph.height;
            slot.x = penX + glyph.xoffset + glyph.width * 0.5f + offsetX;
            slot.y = penY - glyph.yoffset - glyph.height * 0.5f + offsetY;
            const char16_t next = k + 1 < length ? text[size_t(k + 1)] : u'\0';
            const float advance = glyph.xadvance + spacing + float(font->GetKerning(c, next));
            penX += advance;
            lineWidth += advance;
        }
    }
    // The last line is aligned like every other: without a box, within the measured width (a
    // centred or right-aligned multi-line text would otherwise leave its last line at the left).
    aligner.Align(lineStart, length - 1, lineWidth, false, wrap ? wrapWidth : unwrappedBox);
    if (length < capacity)
        slots[length].quadId = kEndOfText;
    node.ClearDirty();
}

void ZRenderFont::DrawTextNode(ZFontText* node, ZCamera* camera, const DrawRecord& record)
{
    if (!node)
        return;
    ZFont* font = node->GetFont();
    if (!font)
        return;
    const V2 start = ComputeStart(*node);
    const std::u16string& text = node->GetWideText();
    if ((node->IsDirty() && !text.empty()) || g_renderDisableFontCache.GetValue())
    {
        LayoutNode(*node, start);
        ++m_layoutCount;
    }
    if (!m_material || !m_carrier)
        return;
    m_material->SetTexture(0, font->GetTexture(), false);
    m_material->SetColor(0, node->GetColor());

    SGlyphSlot* slots = GetSlots(*node);
    if (!slots)
        return;
    const int length = std::min<int>(int(text.size()), node->GetGlyphCapacity());
    const float now = g_frameTimer ? float(g_frameTimer->now) : 0.0f;
    const float delta = g_frameTimer ? float(g_frameTimer->frameDelta) : 0.0f;
    ZModifierV2* modifier = node->GetModifier();
    if (modifier)
        modifier->SetCount(uint32_t(text.size()));
    V2 scale{1.0f, 1.0f};
    m_carrier->SetSpriteScale(scale);
    _M44 world;
    node->GetWorldMatrix(world);
    for (int i = 0; i < length; ++i)
    {
        const SGlyphSlot& slot = slots[i];
        if (slot.quadId == kEndOfText)
            break;
        if (slot.quadId == kNoGlyph || slot.width < kTinyGlyph || slot.height < kTinyGlyph)
            continue;
        m_carrier->SetSize(slot.width, slot.height);
        m_currentQuad = int(slot.quadId);
        V2 position{slot.x, slot.y};
        float alpha = 1.0f;
        if (modifier)
        {
            modifier->Apply(position, now, delta, i, scale, alpha);
            m_carrier->SetSpriteScale(scale);
        }
        V3 point{position.x, position.y, 0.0f};
        world.TransformVector(point, 1.0f);
        DrawRecord glyph = record;
        glyph.node = m_carrier;
        // Each glyph draws its own quad: its own rectangle of the page, at its own size.
        glyph.quad = int32_t(slot.quadId);
        glyph.material = m_material;
        glyph.shader = m_material->GetShader();
        glyph.world = world;
        glyph.world.m[3][0] = point.x;
        glyph.world.m[3][1] = point.y;
        glyph.world.m[3][2] = point.z;
        glyph.alpha = alpha * record.alpha;
        // The carrier stands where the glyph is, for code that places sprites by their node.
        m_carrier->SetMatPos(glyph.world);
        // Unrotated, unscaled text is drawn unfiltered so that it stays sharp.
        m_material->SetSwitch(ZMaterial::kSwitchFilter,
                              (node->GetFlags() & kNodeIdentityOrientation) ? 0 : 1);
        DrawGlyph(camera, glyph);
    }
    m_currentQuad = -1;
}

void ZRenderFont::DrawGlyph(ZCamera* camera, const DrawRecord& record)
{
    ZShaderBase* shader = record.shader;
    if (!shader)
        return;
    if (ZShaderCodeBase* code = shader->GetCode())
        code->MaterialChanged(record.material);
    if (g_render && record.material->GetRenderState())
        g_render->ApplyRenderState(record.material->GetRenderState());
    shader->Draw(camera, record);
}

void ZRenderFont::DrawString(const char* text, const M33& orientation, const V3& position, const V2& scale,
                             const V4& color, ZFont* font, ZCamera* camera)
{
    if (!text || !font || !m_material || !m_carrier)
        return;
    m_material->SetTexture(0, font->GetTexture(), false);
    m_material->SetColor(0, color);
    m_carrier->SetSpriteScale(scale);
    V3 pen = position;
    _M44 turn;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            turn.m[r][c] = orientation.m[r][c];
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
    {
        ZFont::SGlyphInfo glyph;
        if (font->GetGlyph(*p, glyph) != 0)
            continue;
        if (glyph.width > kTinyGlyph && glyph.height > kTinyGlyph)
        {
            m_carrier->SetSize(glyph.width, glyph.height);
            // The glyph's box hangs from the pen by its offsets; the carrier is placed by its centre.
            const V2 corner{pen.x + glyph.xoffset, pen.y - glyph.yoffset};
            const V2 centre{corner.x + glyph.width * scale.x * 0.5f,
                            corner.y - glyph.height * scale.y * 0.5f};
            m_carrier->SetPosition(V3{centre.x, centre.y, 0.0f});
            m_carrier->SetOrientation(orientation);
            m_currentQuad = glyph.quadId;
            DrawRecord record;
            record.node = m_carrier;
            record.quad = glyph.quadId;
            record.material = m_material;
            record.shader = m_material->GetShader();
            m_carrier->GetWorldMatrix(record.world);
            DrawGlyph(camera, record);
        }
        V3 step{scale.x * glyph.xadvance, 0.0f, 0.0f};
        turn.TransformVector(step, 0.0f);
        pen.x += step.x;
        pen.y += step.y;
        pen.z += step.z;
    }
    m_currentQuad = -1;
}

void ZRenderFont::DrawStringAt(const char* text, float x, float y, const V4& color, ZFont* font)
{
    if (!m_camera)
        return;
    // The screen size may have changed since the last string.
    m_camera->UpdateProjection();
    M33 identity;
    DrawString(text, identity, V3{x, y, 0.0f}, V2{1.0f, 1.0f}, color, font, m_camera);
}

void ZRenderFont::DrawStringInto(ZCamera* camera, const char* text, const V3& position, const V4& color)
{
    M33 identity;
    DrawString(text, identity, position, V2{1.0f, 1.0f}, color, m_defaultFont, camera);
}

void ZRenderFont::DrawStringDefault(const char* text, float x, float y, const V4& color)
{
    DrawStringAt(text, x, y, color, m_defaultFont);
}
