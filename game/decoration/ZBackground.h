#pragma once
// The underwater scene behind every screen: a group under the scene root drawn by a camera of its
// own before all others. It shows the plain sea (a base picture, three layers with bubble columns,
// a school of fish, a whale on its paths, light beams from the surface and drifting caustics) or,
// during a dive, one of the six theme pictures. The settings "zelk.disablebubbles",
// "zelk.disablefish" and "zelk.disablewhale" switch their parts off.
//
// ZSurfaceLight (the fan of light beams) and ZBubbles (one bubble column) are its decoration.
// Sources: ZBackground.cpp (build, themes, settings, fish), ZBackgroundDecor.cpp (beams, bubbles).
#include <cstdint>
#include <vector>

#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/scene/ZGeom.h"
#include "game/decoration/ZWhaleMover.h"

class ZAnimateTexture2D;
class ZBoidGroup;
class ZCamera;
class ZParticleBoid;
class ZParticleEmitterSystem;
class ZSprite;
class ZTexture;
class ZTextureResource;

// A fan of 64 light beams turning slowly about the light's origin; the beams near the aiming
// direction show, flickering with the surface's waves, and a beam too faint to see is hidden.
// Sprites are drawn turned by their own orientation only (their parents place them), so each beam
// also carries the fan's whole turn.
class ZSurfaceLight : public ZGroup
{
    QV_TYPE_RECORD(ZSurfaceLight, &ZGroup::kTypeRecord)

public:
    static constexpr int kBeams = 64;
    // Beams fainter than this (at most five steps of 255 added to what lies beneath) are hidden.
    static constexpr float kFaintestBeam = 0.02f;

    void Build();
    // The number of texel columns, the same at both sides so that a quad keeps its centre, in which
    // every texel of the picture adds no light (all its colour channels 0), less the two next to the
    // light that filtering still reads; 0 without a copy of the pixels.
    static int DarkBorderColumns(const ZTextureResource* picture);
    // Narrows the sprite's quad and its texture mapping by that many columns at each side of the
    // picture: the pixels it no longer covers would have had nothing added, so the picture on screen
    // stays the same while far fewer pixels are filled. Returns false (and leaves the sprite) when
    // there is nothing to take off.
    static bool TrimDarkBorders(ZSprite* sprite, const ZTextureResource* picture, int columns);
    // The direction from the light to the point (in the plane) becomes its x axis.
    void AimAt(float x, float y);
    void Update() override;

    ZGroup* GetBeamsGroup() const { return m_beams; }
    ZSprite* GetBeam(int i) const { return i >= 0 && i < kBeams ? m_sprites[i] : nullptr; }
    float GetAngle() const { return m_angle; }

private:
    // Once the picture has loaded (on the loader thread), the beams are trimmed to its lit columns.
    void TrimOnceLoaded();

    ZGroup* m_beams = nullptr;
    ZTexture* m_picture = nullptr;
    bool m_trimmed = false;
    ZSprite* m_sprites[kBeams] = {};
    // Each beam's own turn within the fan.
    float m_turns[kBeams] = {};
    float m_angle = 0.0f;
    float m_aimAngle = 0.0f;
    V3 m_aim{1.0f, 0.0f, 0.0f};
};

// One column of four large bubbles wobbling up through the water, with a trail of small ones.
// Columns are recycled through a pool, since the layers may be rebuilt.
class ZBubbles : public ZGroup
{
    QV_TYPE_RECORD(ZBubbles, &ZGroup::kTypeRecord)

public:
    static constexpr int kSprites = 4;
    static constexpr size_t kPoolSize = 32;

    // A column from the pool (its sprites back at the origin) or a new one.
    static ZBubbles* Acquire();
    // Takes the column off its parent and keeps it for later (deletes it when the pool is full).
    static void Recycle(ZBubbles* column);
    static void ClearPool();

    // depth: 0.2 front, 0.6 middle, 0.8 back; nearness = 1 - depth scales everything.
    void Build(float depth);
    void Respawn(int i);
    void Update() override;

    bool IsBuilt() const { return m_built; }
    float GetDepth() const { return m_depth; }
    ZSprite* GetSprite(int i) const { return i >= 0 && i < kSprites ? m_sprites[i] : nullptr; }
    float GetSpeed(int i) const { return i >= 0 && i < kSprites ? m_speeds[i] : 0.0f; }
    ZParticleEmitterSystem* GetEmitter() const { return m_emitter; }

private:
    bool m_built = false;
    ZSprite* m_sprites[kSprites] = {};
    ZAnimateTexture2D* m_frames[kSprites] = {};
    float m_speeds[kSprites] = {};
    float m_baseX[kSprites] = {};
    ZParticleEmitterSystem* m_emitter = nullptr;
    float m_depth = 0.6f;
    float m_nearness = 0.4f;
};

class ZBackground : public ZGroup, public ZSingleton<ZBackground>, public IPropertyListener
{
    QV_TYPE_RECORD(ZBackground, &ZGroup::kTypeRecord)

public:
    static constexpr int kThemes = 6;
    static constexpr int kPicturesPerTheme = 2;
    static constexpr int kMaxPictures = 4;
    static constexpr int kMaxColumns = 16;
    static constexpr int kFish = 75;
    // The camera draws before every other camera of the main view.
    static constexpr float kCameraPriority = -250.0f;
    // Fish heading frames: frame 0 heads along (1, -1), each further one this many radians on.
    static constexpr float kFishFrameStep = 0.2827433f;

    // Joins the scene root as "background", not shown until asked.
    ZBackground();
    ~ZBackground() override;

    // Reads the layouts and makes the decoration; 0, or the error of the layout that failed (the
    // background then stays empty).
    int Build();
    // -1: the plain sea; 0..5 the theme picture ("sand", "coral", "shipwreck", "volcano",
    // "deepwater", "sunkencity"). Fish and whale swim only in the plain sea and the last three
    // themes, and only while their settings allow.
    void SetTheme(int theme);
    void ShowBubbles(bool show);
    // Shown: drawn and updated; hidden: neither.
    void Show(bool show) { SetActive(show); }
    bool IsShown() const { return IsActive(); }
    // The screen the background stands behind (the main menu gives its root); kept for the
    // screens that ask.
    void SetReference(ZNode* node) { m_reference = node; }
    ZNode* GetReference() const { return m_reference; }

    void Update() override;
    void OnPropertyChanged(ZProperty* property) override;

    // The fish frame for a heading: the angle between the heading (x and y) and (1, -1), in steps
    // of kFishFrameStep; beyond the fourth step frame 0.
    static int FishFrameForHeading(const V3& velocity);
    // The theme's index by name, -1 for none.
    static int FindTheme(const char* name);
    static const char* GetThemeName(int theme);

    int GetTheme() const { return m_theme; }
    int GetPictureIndex() const { return m_picture; }
    ZCamera* GetCamera() const { return m_camera; }
    ZWhaleMover* GetWhaleMover() const { return m_whale; }
    ZNode* GetWhaleNode() const { return m_whaleNode; }
    ZBoidGroup* GetBoidGroup() const { return m_boids; }
    ZSurfaceLight* GetSurfaceLight() const { return m_light; }
    ZNode* GetRipple() const { return m_ripple; }
    ZSprite* GetThemePicture() const { return m_themePicture; }
    ZNode* GetBasePicture() const { return m_basePicture; }
    ZNode* GetLayer(int i) const { return i >= 0 && i < 3 ? m_layers[i] : nullptr; }
    ZTextureResource* GetThemeTexture(int theme, int i) const;
    size_t GetColumnCount() const;
    ZBubbles* GetColumn(size_t i) const;
    ZSprite* GetFish(int i) const { return i >= 0 && i < kFish ? m_fish[i] : nullptr; }

private:
    void BuildFish();
    void BuildColumns();
    void BuildWhale();
    void UpdateFish();
    // The three switches, found by name (the shell defines them).
    static ZPropertyBool* FindSwitch(const char* key);
    bool SwitchOn(ZPropertyBool* setting) const { return setting && setting->GetValue(); }
    bool ThemeHasSwimmers() const { return m_theme < 0 || m_theme > 2; }
    void ApplySwimmers();

    ZCamera* m_camera = nullptr;
    int m_pictureCount[kThemes] = {};
    ZTextureResource* m_pictures[kThemes][kMaxPictures] = {};
    ZSprite* m_themePicture = nullptr;
    ZNode* m_basePicture = nullptr;
    ZNode* m_sealife = nullptr;
    // back, middle, front
    ZNode* m_layers[3] = {};
    ZNode* m_ripple = nullptr;
    std::vector<ZBubbles*> m_columns[3];
    ZWhaleMover* m_whale = nullptr;
    ZNode* m_whaleNode = nullptr;
    ZBoidGroup* m_boids = nullptr;
    ZSprite* m_fish[kFish] = {};
    ZAnimateTexture2D* m_fishFrames[kFish] = {};
    ZParticleBoid* m_fishBoids[kFish] = {};
    ZSurfaceLight* m_light = nullptr;
    ZNode* m_reference = nullptr;
    ZPropertyBool* m_disableBubbles = nullptr;
    ZPropertyBool* m_disableFish = nullptr;
    ZPropertyBool* m_disableWhale = nullptr;
    int m_theme = -1;
    int m_picture = 0;
};
