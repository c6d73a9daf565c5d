#pragma once
// Stand-ins for the renderer's materials, textures and fonts in the sprite and text call tables:
// plain records handed to the scene as opaque pointers, with reference counts and call logs to
// check against. Install() fills the tables; the destructor puts the previous calls back.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSprite.h"

namespace doubles
{

struct Texture
{
    int width = 64;
    int height = 32;
    bool pixelCopy = false;
    // Answered by every alpha query; the queried texels are logged.
    int alpha = 255;
    std::vector<std::pair<float, float>> queries;
    Texture* alphaTexture = nullptr;
    bool managed = false;
    std::string path;
};

struct Material
{
    int refs = 0;
    float opacity = 1.0f;
    Texture* texture = nullptr;
    std::string name;
    // Name of the material this one was cloned from.
    std::string clonedFrom;
    std::vector<std::string> properties;
};

struct Font
{
    int refs = 0;
    int lineHeight = 32;
    int base = 24;
    float xHeight = 10.0f;
    // Measurements: width per UTF-16 unit plus spacing, and a fixed height and top.
    float unitWidth = 10.0f;
    float height = 20.0f;
    float top = 3.0f;
    uint8_t id = 7;
    std::string name;
    std::vector<ZFontText*> users;
};

inline ZMaterial* M(Material* m)
{
    return reinterpret_cast<ZMaterial*>(m);
}
inline Material* M(const ZMaterial* m)
{
    return reinterpret_cast<Material*>(const_cast<ZMaterial*>(m));
}
inline ZTextureResource* T(Texture* t)
{
    return reinterpret_cast<ZTextureResource*>(t);
}
inline Texture* T(const ZTextureResource* t)
{
    return reinterpret_cast<Texture*>(const_cast<ZTextureResource*>(t));
}
inline ZFont* F(Font* f)
{
    return reinterpret_cast<ZFont*>(f);
}
inline Font* F(const ZFont* f)
{
    return reinterpret_cast<Font*>(const_cast<ZFont*>(f));
}

class Renderer
{
public:
    Renderer() : m_savedSprite(SpriteRenderCalls()), m_savedFont(TextFontCalls())
    {
        s_current = this;
        Install();
    }
    ~Renderer()
    {
        SpriteRenderCalls() = m_savedSprite;
        TextFontCalls() = m_savedFont;
        s_current = nullptr;
    }

    Material* NewMaterial(const char* name, Texture* texture = nullptr)
    {
        materials.push_back(std::make_unique<Material>());
        materials.back()->name = name;
        materials.back()->texture = texture;
        return materials.back().get();
    }
    Texture* NewTexture(int width, int height, bool pixelCopy = false, const char* path = "")
    {
        textures.push_back(std::make_unique<Texture>());
        Texture* t = textures.back().get();
        t->width = width;
        t->height = height;
        t->pixelCopy = pixelCopy;
        t->path = path;
        return t;
    }
    Font* NewFont(const char* name)
    {
        fonts.push_back(std::make_unique<Font>());
        fonts.back()->name = name;
        return fonts.back().get();
    }

    std::vector<std::unique_ptr<Material>> materials;
    std::vector<std::unique_ptr<Texture>> textures;
    std::vector<std::unique_ptr<Font>> fonts;
    int allocated = 0;

private:
    ZSpriteRenderCalls m_savedSprite;
    ZTextFontCalls m_savedFont;

    static Renderer& R() { return *s_current; }

    static void Install()
    {
        ZSpriteRenderCalls& s = SpriteRenderCalls();
        s.AddRef = [](ZMaterial* m) { ++M(m)->refs; };
        s.Release = [](ZMaterial* m) { --M(m)->refs; };
        s.Allocate = []() -> ZMaterial*
        {
            ++R().allocated;
            return M(R().NewMaterial("pool"));
        };
        s.CloneFrom = [](ZMaterial* target, ZMaterial* source)
        {
            M(target)->texture = M(source)->texture;
            M(target)->opacity = M(source)->opacity;
            M(target)->clonedFrom = M(source)->name;
        };
        s.Find = [](const char* name) -> ZMaterial*
        {
            for (auto& m : R().materials)
            {
                if (m->name == name)
                    return M(m.get());
            }
            return nullptr;
        };
        s.GetOpacity = [](const ZMaterial* m) { return M(m)->opacity; };
        s.SetOpacity = [](ZMaterial* m, float v) { M(m)->opacity = std::clamp(v, 0.0f, 1.0f); };
        s.SetProperty = [](ZMaterial* m, uint32_t, const char* name, const char* value)
        {
            M(m)->properties.push_back(std::string(name) + "=" + value);
            return true;
        };
        s.GetBaseTexture = [](const ZMaterial* m) { return T(M(m)->texture); };
        s.GetTextureSize = [](const ZTextureResource* t, int& w, int& h)
        {
            w = T(t)->width;
            h = T(t)->height;
        };
        s.KeepsPixelCopy = [](const ZTextureResource* t) { return T(t)->pixelCopy; };
        s.GetAlphaAt = [](ZTextureResource* t, float x, float y)
        {
            T(t)->queries.emplace_back(x, y);
            return T(t)->alpha;
        };
        s.FindOrLoad = [](const char* path, uint16_t, int) { return T(R().NewTexture(16, 16, false, path)); };
        s.SetManaged = [](ZTextureResource* t) { T(t)->managed = true; };
        s.SetAlphaTexture = [](ZTextureResource* t, ZTextureResource* alpha)
        { T(t)->alphaTexture = T(alpha); };

        ZTextFontCalls& f = TextFontCalls();
        f.AddRef = [](ZFont* font) { ++F(font)->refs; };
        f.Release = [](ZFont* font) { --F(font)->refs; };
        f.AddText = [](ZFont* font, ZFontText* text) { F(font)->users.push_back(text); };
        f.RemoveText = [](ZFont* font, ZFontText* text) { std::erase(F(font)->users, text); };
        f.Find = [](const char* name) -> ZFont*
        {
            for (auto& font : R().fonts)
            {
                if (font->name == name)
                    return F(font.get());
            }
            return nullptr;
        };
        f.MeasureText =
            [](ZFont* font, const char16_t* text, float& w, float& h, float& top, int length, float spacing)
        {
            size_t n = std::char_traits<char16_t>::length(text);
            if (length >= 0)
                n = std::min(n, size_t(length));
            w = float(n) * (F(font)->unitWidth + spacing);
            h = n ? F(font)->height : 0.0f;
            top = F(font)->top;
        };
        f.GetLineHeight = [](const ZFont* font) { return F(font)->lineHeight; };
        f.GetBase = [](const ZFont* font) { return F(font)->base; };
        f.GetXHeight = [](const ZFont* font) { return F(font)->xHeight; };
        f.GetId = [](const ZFont* font) { return F(font)->id; };
    }

    static inline Renderer* s_current = nullptr;
};

} // namespace doubles
