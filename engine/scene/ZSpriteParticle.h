#pragma once
// A sprite that flies on its own: it owns a particle state that integrates its motion each frame,
// and copies position, rotation, size and alpha from it. Most sprite particles come from a static
// pool of 2048 built at start-up and go back to it when the scene tree releases them, so effects
// that spawn many of them never allocate.
#include <cstdint>

#include "engine/scene/ZParticle.h"
#include "engine/scene/ZSprite.h"

class ZSpriteParticle : public ZSprite
{
    QV_TYPE_RECORD(ZSpriteParticle, &ZSprite::kTypeRecord)

public:
    static constexpr int kPoolSize = 2048;

    ZSpriteParticle();
    ~ZSpriteParticle() override;

    // Builds the pool once; later calls do nothing.
    static void InitPool();
    // A pooled particle, active, without state or flags; null when all 2048 are in use. The
    // caller gives it a state (usually by CopyFrom of a template) and a parent.
    static ZSpriteParticle* Allocate();
    static int GetPoolFreeCount();
    // A heap particle with a fresh state.
    static ZSpriteParticle* Create();

    // Back on the pool's stack, emptied: no parent, children, material, state or listeners'
    // interest, inactive. Reached through Recycle when the scene tree releases a pooled particle.
    void ReturnToPool();

    ZSerializerBase* GetSerializer() const override;
    void Update() override;
    void CopyFrom(ZNode* source) override;
    ZNode* Clone() override;
    void Recycle() override { ReturnToPool(); }
    void Start() override;
    void Stop() override;
    // "deleteontimeout", "inactiveontimeout", "hideontimeout", "deleteoninactive", "alphaspeed",
    // "scalespeed", "timeout", "rotation", "acceleration", "velocity", "alpha"; then the sprite's.
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    void SetPositionXYZ(float x, float y, float z) override;
    void SetPosition(const V3& position) override;
    void SetAlpha(float alpha) override;
    float GetAlpha() const override;

    void SetVelocity(const V3& v);
    void SetAcceleration(const V3& a);
    void SetSpin(const ZQuaternion& q);
    // Takes ownership; the previous state is destroyed.
    void SetState(ZParticleEx* state);
    ZParticleEx* GetState() const { return m_state; }
    bool IsPooled() const { return m_pooled; }

    bool deleteOnTimeout = false;
    bool hideOnTimeout = false;
    bool inactiveOnTimeout = false;
    bool deleteOnInactive = false;
    uint8_t spare = 0;

private:
    void EnterPooledState();

    ZParticleEx* m_state = nullptr;
    bool m_fromPool = false;
    bool m_pooled = false;
};
