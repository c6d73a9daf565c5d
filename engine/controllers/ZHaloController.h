#pragma once
// A halo: up to four sprites that turn around a node, fading in over 0.2 s after the start and out
// over 0.5 s after an end time. The sprites are children of the target only while the halo runs;
// the size source (often the target itself) gives the place and size.
#include <cstdint>

#include "engine/controllers/ZControllerBase.h"
#include "engine/controllers/ZTurningSprites.h"
#include "engine/core/ZVector.h"

class ZSprite;
class ZTextureResource;

// Makes a halo sprite that shows a texture at its own size. The 2D sprite widget's
// CreateFromTexture is meant to fill it in; until the widget exists a plain sprite sized from the
// texture stands in. Tests and the widget may replace it.
extern ZSprite* (*g_makeHaloSprite)(ZTextureResource* texture);

class ZHaloController : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZHaloController, &ZControllerNodeBase::kTypeRecord)

public:
    static constexpr int kMaxSprites = ZTurningSprites::kMax;

    ZHaloController() = default;
    ~ZHaloController() override;

    // The target is `target` when given, else the size source; not started.
    static ZHaloController* Create(ZNode* sizeSource, ZNode* target = nullptr);

    // One more halo sprite (at most four; null beyond): scaled, lifted to z = its index + 1, turning
    // at `speed` radians per second and shown at `alpha` once faded in.
    ZSprite* CreateHaloSprite(ZTextureResource* texture, float speed, float scale, float alpha);

    void Start() override;
    void Update() override;
    void Stop() override;
    void NodeGone(ZNode* node) override;
    ZControllerBase* CreateInstance() override { return new ZHaloController(); }

    // Watched: its deletion leaves the halo around the target's origin at the default size.
    void SetSizeSource(ZNode* node);
    ZNode* GetSizeSource() const { return m_sizeSource; }
    int GetSpriteCount() const { return m_sprites.GetCount(); }
    ZSprite* GetSprite(int i) const { return m_sprites.Get(i); }
    float GetTimer() const { return m_timer; }

    // Timer value after which the halo fades out; -1 or less: never.
    float endTime = -1.0f;
    bool releaseSelfOnStop = false;
    // Ends the halo in the next update, without a fade.
    bool stopNow = false;
    V2 size{100.0f, 100.0f};

private:
    ZTurningSprites m_sprites;
    float m_alphas[kMaxSprites] = {};
    float m_timer = 0.0f;
    ZNode* m_sizeSource = nullptr;
};
