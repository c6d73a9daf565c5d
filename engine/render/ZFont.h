#pragma once
// A bitmap font: glyph rectangles on one page texture, read from a BMFont text descriptor, with a
// flat character map (one index per UTF-16 unit), an optional kerning matrix and the metrics text
// layout needs. The page image is the texture named by the font element's "texture" attribute; the
// descriptor's own "page" line is never followed. When the texture has loaded the font asks the
// renderer for one quad per glyph and tells its text users to lay out again.
#include <cstdint>
#include <vector>

#include "engine/core/ZSerializer.h"
#include "engine/resource/ZResource.h"
#include "engine/resource/ZResourcePath.h"

class ZTexture;
class ZFontText;

class ZFont : public ZMetaResourceType<ZFont>, private ZResourceListener
{
    QV_TYPE_RECORD(ZFont, &ZResource::kTypeRecord)

public:
    struct SGlyph
    {
        int32_t id = 0;
        int32_t x = 0;
        int32_t y = 0;
        int32_t width = 0;
        int32_t height = 0;
        int32_t xoffset = 0;
        int32_t yoffset = 0;
        int32_t xadvance = 0;
        int32_t page = 0;
        int32_t quadId = -1;
    };
    struct SGlyphInfo
    {
        int quadId = -1;
        float width = 0.0f;
        float height = 0.0f;
        float xoffset = 0.0f;
        float yoffset = 0.0f;
        float xadvance = 0.0f;
    };

    static constexpr int kMapSize = 65536;
    // A kerning matrix of this many bytes or more is not made.
    static constexpr size_t kKerningLimit = 0x400000;
    static constexpr float kNoTop = 9999.0f;

    ZFont();
    ~ZFont() override;

    static ZFont* Create();
    static ZFont* CreateFromTable(int count, const SGlyph* glyphs, ZTexture* texture);
    static ZFont* Find(const char* name);

    const char* GetName() const override;
    int LoadSync() override;
    int UnloadData() override;
    int64_t GetMemorySize() const override;

    // Serialization.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor*) {}
    void OnLoaded() {}
    ZSerializerBase* GetSerializer() const;

    void SetDescriptorPath(const char* path);
    // Replaces the page texture (found or created by name).
    void SetTexturePath(const char* path);
    // Uses a texture made elsewhere (already named and owned by its group) as the page.
    void SetTexture(ZTexture* texture);
    // Reads the descriptor once; 0 on success, 1 when it cannot be opened or read or is malformed.
    int LoadDescriptor();
    // Parses descriptor text already in memory (replaces the glyphs); 0 on success.
    int ParseDescriptor(const char* text, size_t size);

    // 0 and the glyph's data, or 1 when the code has no usable glyph.
    int GetGlyph(uint32_t code, SGlyphInfo& out) const;
    int GetKerning(uint32_t first, uint32_t second) const;
    void SetKerning(uint32_t first, uint32_t second, int amount);
    // Size of the first `length` units (-1: up to the terminator) and the top of the highest glyph.
    void MeasureText(const char16_t* text, float& width, float& height, float& top, int length,
                     float extra) const;

    void AddText(ZFontText* text);
    // Every occurrence of the node leaves the text users.
    void RemoveText(ZFontText* text);
    void DirtyTexts();

    int CreateGlyphQuads();
    int ReleaseGlyphQuads();
    void UpdateXHeight();

    int32_t GetLineHeight() const { return m_lineHeight; }
    void SetLineHeight(int32_t height) { m_lineHeight = height; }
    int32_t GetBase() const { return m_base; }
    float GetXHeight() const { return m_xHeight; }
    float GetLetterSpacing() const { return m_letterSpacing; }
    void SetLetterSpacing(float spacing) { m_letterSpacing = spacing; }
    // Low 8 bits of the resource serial; text draw keys carry it.
    uint8_t GetId() const { return uint8_t(GetSerial() & 0xFF); }
    ZTexture* GetTexture() const { return m_texture; }
    const std::vector<SGlyph>& GetGlyphs() const { return m_glyphs; }
    int32_t GetKerningCount() const { return m_kerningCount; }
    bool HasKerningTable() const { return !m_kerning.empty(); }
    bool IsDescriptorRead() const { return m_descriptorRead; }
    bool HasQuads() const { return m_quadsMade; }
    const float* GetPadding() const { return m_padding; }
    const float* GetSpacing() const { return m_spacingHV; }
    const std::vector<ZFontText*>& GetTexts() const { return m_texts; }
    int GetGlyphIndex(uint32_t code) const { return code < kMapSize ? m_map[code] : -1; }

private:
    void OnResourceLoaded(ZResource* resource) override;
    void BuildMap();
    void ClearGlyphs();
    void DropTexture();

    ZResourcePath m_descriptorPath;
    ZResourcePath m_texturePath;
    ZTexture* m_texture = nullptr;
    bool m_textureReferenced = false;
    int32_t m_lineHeight = 0;
    int32_t m_base = 0;
    float m_xHeight = 0.0f;
    // left, bottom, right, top
    float m_padding[4] = {};
    float m_spacingHV[2] = {};
    int32_t m_kerningCount = 0;
    std::vector<int8_t> m_kerning;
    size_t m_kerningSide = 0;
    float m_letterSpacing = 0.0f;
    std::vector<ZFontText*> m_texts;
    bool m_descriptorRead = false;
    bool m_hasDescriptor = true;
    bool m_quadsMade = false;
    std::vector<SGlyph> m_glyphs;
    std::vector<int16_t> m_map;
};

// Builds the built-in font "defaultfont" (referenced once; the caller owns it) over the page in
// `slot`, making the page "defaultfonttexture" first when the slot is empty. Null when the page
// cannot be made.
ZFont* BuildDefaultFont(ZTexture*& slot);
