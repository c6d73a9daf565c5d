#pragma once
// A ring of sprites running around a node: they fly in from far outside, settle on a ring a margin
// outside the node's size, breathe, and widen and fade away once the node hides, deactivates or
// goes. The ring never ends itself; its owner deactivates it.
#include <cstdint>

#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZVector.h"

class ZMaterial;
class ZSprite;

// Makes one ring sprite drawing `material` (may be null). The 2D sprite widget is meant to fill it
// in (its Create, then its texture attached from the material); until the widget exists a plain
// sprite with the material stands in. Tests and the widget may replace it.
extern ZSprite* (*g_makeRingSprite)(ZMaterial* material);

class ZHighlight2 : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZHighlight2, &ZControllerNodeBase::kTypeRecord)

public:
    static constexpr int kMaxSprites = 128;

    ZHighlight2() = default;
    ~ZHighlight2() override;

    // Runs on `target` (or on `node` when null) around `node`; not started.
    static ZHighlight2* Create(ZNode* node, ZMaterial* material, float spacing, ZNode* target);
    // A highlight with the template's settings (and ring sprites of its look).
    static ZHighlight2* CreateDefault(ZHighlight2* source);

    void CopySettings(ZHighlight2* source);
    // Runs on the node; it is also the size source when it is a sprite.
    void Attach(ZNode* node);
    // Sets the size source (the ring's place and size) and sizes the ring for it.
    void SetSizeSource(ZNode* node);
    // Rounded up to a multiple of four, at most 128; sprites beyond the count are deleted.
    void SetSpriteCount(int count);
    void SetMaterial(ZMaterial* material);

    void Start() override;
    void Update() override;
    void Stop() override;
    void FlagsChanged(ZNode* node, uint32_t newFlags, uint32_t oldFlags) override;
    void NodeGone(ZNode* node) override;
    ZControllerBase* CreateInstance() override { return new ZHighlight2(); }

    int GetSpriteCount() const { return m_spriteCount; }
    ZSprite* GetSprite(int i) const { return i >= 0 && i < kMaxSprites ? m_sprites[i] : nullptr; }
    ZNode* GetSizeSource() const { return m_sizeSource; }
    float GetTimer() const { return m_timer; }
    double GetStopTime() const { return m_stopTime; }

    float endTime = -1.0f;
    bool releaseSelfOnStop = false;
    float slowRingSpeed = 700.0f;
    float fastRingSpeed = 1000.0f;
    float depth = -900.0f;
    V2 size{100.0f, 100.0f};
    V2 minimumSize{10.0f, 10.0f};
    V2 margin{30.0f, 30.0f};
    V2 smallScale{0.4f, 0.4f};
    V2 largeScale{0.8f, 0.8f};
    float breathingAmplitude = 8.0f;
    float breathingSpeed = 4.712389f;
    int32_t minimumCount = 8;
    float spacing = 40.0f;
    float introTime = 1.3f;
    float speedChangeTime = 5.0f;
    float fadeOutTime = 0.3f;
    float introRadius = 650.0f;
    float fadeInTime = 0.15f;
    float fadeOutGrowth = 0.6f;

private:
    void ForgetSizeSource();
    ZSprite* NewRingSprite(ZMaterial* material);

    ZSprite* m_sprites[kMaxSprites] = {};
    float m_timer = 0.0f;
    float m_ringAngle = 0.0f;
    V2 m_ringSize;
    double m_stopTime = -1.0e38;
    float m_breathingPhase = 0.0f;
    ZMaterial* m_material = nullptr;
    int32_t m_spriteCount = 0;
    ZNode* m_sizeSource = nullptr;
};
