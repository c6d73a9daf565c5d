#include "engine/render/ZFont.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/core/ZMath.h"
#include "engine/fs/ZFile.h"
#include "engine/render/IRender.h"
#include "engine/render/ZTexture.h"
#include "engine/scene/ZFontText.h"

namespace
{
ZFont* AllocateForFile()
{
    return ZFont::Create();
}
ZFont* FindForFile(const char* name)
{
    return ZFont::Find(name);
}
ZSerializerRTTI<ZFont> s_fontSerializer(true, &AllocateForFile, &FindForFile);

// Descriptors bigger than this are not fonts.
constexpr int64_t kMaxDescriptorBytes = 16 * 1024 * 1024;
constexpr int kMaxTokens = 64;

bool IsSeparator(char c)
{
    return c == ' ' || c == '=' || c == ',' || c == '\t' || c == '\n' || c == '\r';
}

bool EqualNoCase(const char* a, size_t aLength, const char* b)
{
    size_t i = 0;
    for (; i < aLength && b[i]; ++i)
    {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return i == aLength && b[i] == 0;
}

struct Token
{
    const char* text;
    size_t length;
};

struct Line
{
    Token tokens[kMaxTokens];
    int count = 0;

    bool Is(const char* tag) const { return count > 0 && EqualNoCase(tokens[0].text, tokens[0].length, tag); }

    // Decimal with optional sign; reading stops at the first non-digit. The value is clamped to the
    // 32-bit range so that a long run of digits cannot overflow.
    static int32_t ToInt(const Token& token)
    {
        size_t i = 0;
        bool negative = false;
        if (i < token.length && (token.text[i] == '-' || token.text[i] == '+'))
            negative = token.text[i++] == '-';
        int64_t value = 0;
        for (; i < token.length && token.text[i] >= '0' && token.text[i] <= '9'; ++i)
            value = std::min<int64_t>(value * 10 + (token.text[i] - '0'), int64_t(1) << 31);
        value = negative ? -value : value;
        return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    }

    // The `index`-th value after the key; 0 when the key or the value is missing.
    int32_t Value(const char* key, int index = 0) const
    {
        for (int i = 1; i < count; ++i)
        {
            if (EqualNoCase(tokens[i].text, tokens[i].length, key))
                return i + 1 + index < count ? ToInt(tokens[i + 1 + index]) : 0;
        }
        return 0;
    }
};

void Tokenize(const char* begin, const char* end, Line& line)
{
    line.count = 0;
    const char* p = begin;
    while (p < end && line.count < kMaxTokens)
    {
        while (p < end && IsSeparator(*p))
            ++p;
        if (p >= end)
            break;
        const char* start = p;
        while (p < end && !IsSeparator(*p))
            ++p;
        line.tokens[line.count++] = {start, size_t(p - start)};
    }
}
} // namespace

ZFont::ZFont() : m_map(kMapSize, int16_t(-1)) {}

ZFont::~ZFont()
{
    m_texts.clear();
    ReleaseGlyphQuads();
    DropTexture();
}

ZFont* ZFont::Create()
{
    return new ZFont();
}

ZFont* ZFont::CreateFromTable(int count, const SGlyph* glyphs, ZTexture* texture)
{
    auto* font = new ZFont();
    font->m_hasDescriptor = false;
    for (int i = 0; glyphs && i < count; ++i)
    {
        SGlyph glyph = glyphs[i];
        glyph.quadId = -1;
        font->m_glyphs.push_back(glyph);
    }
    font->BuildMap();
    font->m_descriptorRead = true;
    font->m_texture = texture;
    if (texture)
        texture->AddListener(static_cast<ZResourceListener*>(font));
    font->Load();
    return font;
}

ZFont* ZFont::Find(const char* name)
{
    ZResourceGroup* group = GetKindGroup();
    if (!group)
        return nullptr;
    return static_cast<ZFont*>(group->FindById(ZNameId(name)));
}

const char* ZFont::GetName() const
{
    if (HasName())
        return ZResource::GetName();
    return m_texturePath.GetFileName().c_str();
}

ZSerializerBase* ZFont::GetSerializer() const
{
    return &s_fontSerializer;
}

bool ZFont::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    const auto is = [id](const char* key) { return id == ZNameId(key).Value(); };
    if (is("name"))
    {
        SetName(value);
        return true;
    }
    if (is("path"))
    {
        SetDescriptorPath(value);
        LoadDescriptor();
        return true;
    }
    if (is("texture"))
    {
        SetTexturePath(value);
        return true;
    }
    if (is("letterspacing"))
    {
        m_letterSpacing = value ? ParseFloatWithPi(value) : 0.0f;
        return true;
    }
    return false;
}

void ZFont::SaveAttributes(ISaveVisitor* visitor)
{
    if (HasName())
        visitor->Attribute("name", ZResource::GetName());
    if (!m_descriptorPath.GetName().empty())
        visitor->Attribute("path", m_descriptorPath.GetName().c_str());
    if (!m_texturePath.GetName().empty())
        visitor->Attribute("texture", m_texturePath.GetName().c_str());
    if (m_letterSpacing != 0.0f)
        visitor->Attribute("letterspacing", std::to_string(m_letterSpacing).c_str());
}

void ZFont::SetDescriptorPath(const char* path)
{
    m_descriptorPath.Parse(path ? path : "");
    m_lineHeight = 0;
    m_descriptorRead = false;
}

void ZFont::DropTexture()
{
    if (!m_texture)
        return;
    m_texture->RemoveListener(static_cast<ZResourceListener*>(this));
    if (m_textureReferenced)
        m_texture->Release();
    m_textureReferenced = false;
    m_texture = nullptr;
}

void ZFont::SetTexturePath(const char* path)
{
    // The previous page is shared through the texture group: stop using it, never delete it.
    ReleaseGlyphQuads();
    DropTexture();
    m_texturePath.Parse(path ? path : "");
    if (!path || !*path)
        return;
    m_texture = ZTexture::FindOrLoad(path, 0, kTextureLoadNowToo);
    if (m_texture)
        m_texture->AddListener(static_cast<ZResourceListener*>(this));
}

void ZFont::SetTexture(ZTexture* texture)
{
    if (texture == m_texture)
        return;
    ReleaseGlyphQuads();
    DropTexture();
    m_texture = texture;
    if (m_texture)
        m_texture->AddListener(static_cast<ZResourceListener*>(this));
}

void ZFont::ClearGlyphs()
{
    ReleaseGlyphQuads();
    m_glyphs.clear();
    std::fill(m_map.begin(), m_map.end(), int16_t(-1));
    m_kerning.clear();
    m_kerningSide = 0;
    m_kerningCount = 0;
}

int ZFont::LoadDescriptor()
{
    if (m_descriptorRead)
        return 0;
    if (m_descriptorPath.Open() != 0)
        return 1;
    IFile* file = m_descriptorPath.GetFile();
    const int64_t size = file ? file->GetSize() : -1;
    if (size < 0 || size > kMaxDescriptorBytes)
    {
        m_descriptorPath.Close();
        return 1;
    }
    std::string text(size_t(size), '\0');
    const size_t got = size ? file->Read(text.data(), size_t(size)) : 0;
    m_descriptorPath.Close();
    if (got != size_t(size))
    {
        ClearGlyphs();
        DirtyTexts();
        return 1;
    }
    return ParseDescriptor(text.data(), text.size());
}

int ZFont::ParseDescriptor(const char* text, size_t size)
{
    DirtyTexts();
    ClearGlyphs();
    m_descriptorRead = false;
    bool sawCommon = false;
    const char* p = text;
    const char* end = text + size;
    Line line;
    while (p < end)
    {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            lineEnd = end;
        // Embedded NULs end the text as a C string would.
        const char* nul = static_cast<const char*>(std::memchr(p, '\0', size_t(lineEnd - p)));
        if (nul)
            end = lineEnd = nul;
        if (lineEnd == p)
            break; // an empty line ends the descriptor
        Tokenize(p, lineEnd, line);
        p = lineEnd < end ? lineEnd + 1 : end;
        if (line.Is("info"))
        {
            m_padding[3] = float(line.Value("padding", 0));
            m_padding[2] = float(line.Value("padding", 1));
            m_padding[1] = float(line.Value("padding", 2));
            m_padding[0] = float(line.Value("padding", 3));
            m_spacingHV[0] = float(line.Value("spacing", 0));
            m_spacingHV[1] = float(line.Value("spacing", 1));
        }
        else if (line.Is("common"))
        {
            m_lineHeight = line.Value("lineHeight");
            m_base = line.Value("base");
            sawCommon = true;
        }
        else if (line.Is("char"))
        {
            SGlyph glyph;
            glyph.id = line.Value("id");
            glyph.x = line.Value("x");
            glyph.y = line.Value("y");
            glyph.width = line.Value("width");
            glyph.height = line.Value("height");
            glyph.xoffset = line.Value("xoffset");
            glyph.yoffset = line.Value("yoffset");
            glyph.xadvance = line.Value("xadvance");
            glyph.page = line.Value("page");
            glyph.quadId = -1;
            // The map holds 16-bit indices.
            if (m_glyphs.size() < size_t(INT16_MAX))
                m_glyphs.push_back(glyph);
        }
        else if (line.Is("kernings"))
        {
            m_kerningCount = line.Value("count");
            if (m_kerningCount > 0)
            {
                BuildMap();
                const size_t n = m_glyphs.size();
                if (m_kerning.empty() && n * n < kKerningLimit)
                {
                    m_kerning.assign(n * n, 0);
                    m_kerningSide = n;
                }
            }
        }
        else if (line.Is("kerning"))
        {
            if (!m_kerning.empty())
                SetKerning(uint32_t(line.Value("first")), uint32_t(line.Value("second")),
                           line.Value("amount"));
        }
    }
    BuildMap();
    // A text without a "common" line is not a font descriptor (a truncated or foreign file).
    if (!sawCommon)
    {
        ClearGlyphs();
        m_lineHeight = m_base = 0;
        return 1;
    }
    m_descriptorRead = true;
    return 0;
}

void ZFont::BuildMap()
{
    std::fill(m_map.begin(), m_map.end(), int16_t(-1));
    for (size_t i = 0; i < m_glyphs.size(); ++i)
    {
        const int32_t id = m_glyphs[i].id;
        if (id >= 0 && id < kMapSize)
            m_map[size_t(id)] = int16_t(i);
    }
}

int ZFont::GetGlyph(uint32_t code, SGlyphInfo& out) const
{
    if (!m_descriptorRead || !m_quadsMade || code >= kMapSize)
        return 1;
    const int index = m_map[code];
    if (index < 0 || size_t(index) >= m_glyphs.size())
        return 1;
    const SGlyph& glyph = m_glyphs[size_t(index)];
    if (uint32_t(glyph.id) != code || glyph.quadId == -1)
        return 1;
    out.quadId = glyph.quadId;
    out.width = float(glyph.width);
    out.height = float(glyph.height);
    out.xoffset = float(glyph.xoffset);
    out.yoffset = float(glyph.yoffset);
    out.xadvance = float(glyph.xadvance);
    return 0;
}

int ZFont::GetKerning(uint32_t first, uint32_t second) const
{
    if (m_kerning.empty())
        return 0;
    const int a = GetGlyphIndex(first), b = GetGlyphIndex(second);
    // Glyphs added after the table was sized have no kerning.
    if (a < 0 || b < 0 || size_t(a) >= m_kerningSide || size_t(b) >= m_kerningSide)
        return 0;
    return m_kerning[size_t(b) * m_kerningSide + size_t(a)];
}

void ZFont::SetKerning(uint32_t first, uint32_t second, int amount)
{
    const int a = GetGlyphIndex(first), b = GetGlyphIndex(second);
    if (m_kerning.empty() || a < 0 || b < 0 || size_t(a) >= m_kerningSide || size_t(b) >= m_kerningSide)
        return;
    m_kerning[size_t(b) * m_kerningSide + size_t(a)] = int8_t(uint8_t(amount & 0xFF));
}

void ZFont::MeasureText(const char16_t* text, float& width, float& height, float& top, int length,
                        float extra) const
{
    if (length == 0 || !text)
        return;
    if (length < 0)
    {
        length = 0;
        while (text[length])
            ++length;
    }
    width = height = 0.0f;
    top = kNoTop;
    float pen = 0.0f, widest = 0.0f, newlines = 0.0f;
    const float spacing = m_letterSpacing + extra;
    for (int i = 0; i < length; ++i)
    {
        const char16_t c = text[i];
        if (c == u'\n')
        {
            pen = 0.0f;
            newlines += float(m_lineHeight);
            continue;
        }
        SGlyphInfo glyph;
        if (GetGlyph(c, glyph) != 0)
            continue;
        if (i >= 1)
            pen += float(GetKerning(text[i - 1], c));
        top = std::min(top, glyph.yoffset);
        pen += glyph.xadvance;
        widest = std::max(widest, pen);
        if (i != length - 1)
            pen += spacing;
        height = std::max(height, glyph.yoffset + glyph.height);
    }
    if (top != kNoTop)
        height -= top;
    width = widest;
    height += newlines;
}

void ZFont::AddText(ZFontText* text)
{
    if (!text)
        return;
    m_texts.push_back(text);
    AddListener(text);
}

void ZFont::RemoveText(ZFontText* text)
{
    m_texts.erase(std::remove(m_texts.begin(), m_texts.end(), text), m_texts.end());
    RemoveListener(text);
}

void ZFont::DirtyTexts()
{
    for (ZFontText* text : m_texts)
        text->InvalidateLayout();
}

int ZFont::CreateGlyphQuads()
{
    if (!m_texture || m_texture->GetTextureWidth() == 0 || m_texture->GetTextureHeight() == 0)
        return 1;
    if (m_quadsMade)
        return 0;
    if (!g_render)
        return 1;
    const float o = g_render->GetTexelOffset();
    const float w = float(m_texture->GetTextureWidth());
    const float h = float(m_texture->GetTextureHeight());
    for (SGlyph& glyph : m_glyphs)
    {
        const int id = g_render->CreateQuad(float(glyph.width), float(glyph.height), (float(glyph.x) + o) / w,
                                            (float(glyph.y) + o) / h, float(glyph.x + glyph.width + o) / w,
                                            float(glyph.y + glyph.height + o) / h);
        if (id == -1)
        {
            ReleaseGlyphQuads();
            return 1;
        }
        glyph.quadId = id;
    }
    m_quadsMade = true;
    return 0;
}

int ZFont::ReleaseGlyphQuads()
{
    if (!g_render)
    {
        for (SGlyph& glyph : m_glyphs)
            glyph.quadId = -1;
        m_quadsMade = false;
        return 1;
    }
    for (SGlyph& glyph : m_glyphs)
    {
        if (glyph.quadId != -1)
            g_render->DeleteQuad(glyph.quadId);
        glyph.quadId = -1;
    }
    m_quadsMade = false;
    return 0;
}

void ZFont::UpdateXHeight()
{
    SGlyphInfo glyph;
    m_xHeight = GetGlyph('x', glyph) == 0 ? glyph.height - (m_padding[3] + m_padding[1]) : 0.0f;
}

int ZFont::LoadSync()
{
    if (m_hasDescriptor && LoadDescriptor() != 0)
        return 1;
    if (!m_texture)
        return 1;
    if (m_texture->IsLoaded())
        OnResourceLoaded(m_texture);
    else if (!m_texture->TestFlags(kResourceQueued))
    {
        const int result = m_texture->Load();
        if (result != 0)
            return result;
    }
    if (!m_textureReferenced)
    {
        m_texture->AddRef();
        m_textureReferenced = true;
    }
    return 0;
}

int ZFont::UnloadData()
{
    DirtyTexts();
    if (m_texture && m_textureReferenced)
    {
        m_texture->Release();
        m_textureReferenced = false;
    }
    return ReleaseGlyphQuads();
}

int64_t ZFont::GetMemorySize() const
{
    return int64_t(sizeof(ZFont) + m_glyphs.size() * sizeof(SGlyph) + m_map.size() * sizeof(int16_t) +
                   m_kerning.size());
}

void ZFont::OnResourceLoaded(ZResource* resource)
{
    if (!resource || resource != m_texture)
        return;
    if (CreateGlyphQuads() != 0)
        return;
    UpdateXHeight();
    DirtyTexts();
    FireLoaded();
}

namespace
{
// The text nodes reach fonts through this table (the scene library does not see the renderer).
struct FontCallsInstaller
{
    FontCallsInstaller()
    {
        ZTextFontCalls& calls = TextFontCalls();
        calls.AddRef = [](ZFont* font) { font->AddRef(); };
        calls.Release = [](ZFont* font) { font->Release(); };
        calls.AddText = [](ZFont* font, ZFontText* text) { font->AddText(text); };
        calls.RemoveText = [](ZFont* font, ZFontText* text) { font->RemoveText(text); };
        calls.Find = [](const char* name) { return ZFont::Find(name); };
        calls.MeasureText = [](ZFont* font, const char16_t* text, float& width, float& height, float& top,
                               int length, float spacing)
        { font->MeasureText(text, width, height, top, length, spacing); };
        calls.GetLineHeight = [](const ZFont* font) { return int(font->GetLineHeight()); };
        calls.GetBase = [](const ZFont* font) { return int(font->GetBase()); };
        calls.GetXHeight = [](const ZFont* font) { return font->GetXHeight(); };
        calls.GetId = [](const ZFont* font) { return font->GetId(); };
    }
} s_fontCallsInstaller;
} // namespace
