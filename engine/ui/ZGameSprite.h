#pragma once
// A 2D sprite with a timed fade (in or out over a fixed speed), a flag telling whether it shows an
// animated texture, and a tool-tip key. The dive game's tokens derive from it.
#include <cstdint>

#include "engine/ui/ZSprite2D.h"

class ZGameSprite : public ZSprite2D
{
    QV_TYPE_RECORD(ZGameSprite, &ZSprite2D::kTypeRecord)

public:
    enum EFadeState : uint32_t
    {
        kFadeNone = 0,
        kFadingIn = 1,
        kFadingOut = 2,
    };
    // Fade units per second: a full fade takes 0.15 s.
    static constexpr float kDefaultFadeSpeed = 6.6666665f;

    ZGameSprite() = default;
    ~ZGameSprite() override = default;

    // With its own "sprite2d_material", managed.
    static ZGameSprite* Create();
    // Material named after the texture, and that texture.
    static ZGameSprite* CreateFromTexture(ZTextureResource* texture);
    // Finds or loads the texture at the path (at once).
    static ZGameSprite* CreateFromTextureObject(const char* path);
    // A private copy of the material.
    static ZGameSprite* CreateWithOwnMaterial(ZMaterial* material);

    ZSerializerBase* GetSerializer() const override;
    ZNode* Clone() override;
    void CopyFrom(ZNode* source) override;
    // The children, then the fade.
    void Update() override;
    // "tip" registers the value as this sprite's tool tip; other keys go to the 2D sprite.
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    void SetTexture(ZTextureResource* texture, bool keepSize = false) override;

    virtual void UpdateFade();
    virtual void OnFadedIn() {}
    virtual void OnFadedOut() {}

    void StartFadeIn();
    void StartFadeOut();
    void Rewind();

    uint32_t GetFadeState() const { return m_fadeState; }
    float GetFadeValue() const { return m_fadeValue; }
    float GetFadeSpeed() const { return m_fadeSpeed; }
    void SetFadeSpeed(float speed) { m_fadeSpeed = speed; }
    bool HasAnimatedTexture() const { return m_animatedTexture; }

private:
    uint32_t m_fadeState = kFadeNone;
    float m_fadeValue = 0.0f;
    float m_fadeSpeed = kDefaultFadeSpeed;
    bool m_animatedTexture = false;
};

// The tool tips register a sprite's "tip" key through this hook while a tool-tip manager exists
// (key, sprite); null while there is none, and the key is then taken without effect.
extern void (*g_registerSpriteToolTip)(const char* key, ZNode* node);
