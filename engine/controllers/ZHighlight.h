#pragma once
// A highlight: three particle emitters circling a node a little outside its size, with a slight
// wobble, and optional extra sprites that turn on the spot, fading in over 0.2 s after the start
// and out over 0.5 s after an end time. Emitters and sprites are children of the target only
// while the highlight runs; the size source (often the target itself) gives the place and size.
#include <cstdint>

#include "engine/controllers/ZControllerBase.h"
#include "engine/controllers/ZTurningSprites.h"
#include "engine/core/ZVector.h"

class ZMaterial;
class ZParticleEmitterSystem;
class ZSprite;

class ZHighlight : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZHighlight, &ZControllerNodeBase::kTypeRecord)

public:
    static constexpr int kEmitterCount = 3;
    static constexpr int kMaxSprites = ZTurningSprites::kMax;

    ZHighlight() = default;
    ~ZHighlight() override;

    // A highlight of `target`, which is also its size source, with emission 50 and its three
    // emitters made; not started.
    static ZHighlight* Create(ZNode* target);

    // Every emitter draws its particles with the material too (16 at most per emitter).
    void AddTemplateToEmitters(ZMaterial* material);
    // One more sprite that turns at `speed` radians per second (owned; at most four; false beyond).
    bool AddSprite(ZSprite* sprite, float speed);

    void Start() override;
    void Update() override;
    void Stop() override;
    void NodeGone(ZNode* node) override;
    ZControllerBase* CreateInstance() override { return new ZHighlight(); }

    // Watched: its deletion leaves the highlight circling the target's origin at the default size.
    void SetSizeSource(ZNode* node);
    ZNode* GetSizeSource() const { return m_sizeSource; }
    // (Re)makes the three emitters, named "highlight_emitter_0" to "_2", for `emission` particles
    // each; the templates of the old ones are not kept.
    void MakeEmitters();
    ZParticleEmitterSystem* GetEmitter(int i) const
    {
        return i >= 0 && i < kEmitterCount ? m_emitters[i] : nullptr;
    }
    int GetSpriteCount() const { return m_sprites.GetCount(); }
    ZSprite* GetSprite(int i) const { return m_sprites.Get(i); }
    float GetTimer() const { return m_timer; }

    // Timer value after which the emitters stop and the sprites fade out; -1 or less: never.
    float endTime = -1.0f;
    bool releaseSelfOnStop = false;
    // Stops the emitters at the next update; the highlight ends once their particles are gone.
    bool stopNow = false;
    // Radians per second around the size source.
    float orbitSpeed = 2.5f;
    // The orbit's half-axes as a share of the size.
    float radiusFactor = 0.699999988079071f;
    // Amplitude of the orbit's wobble (15 radians per second); 0 for none.
    float wobbleAmplitude = 5.0f;
    // Used when there is no sprite as size source.
    V2 size{100.0f, 100.0f};
    // Particles per emitter.
    int32_t emission = 100;
    // Kept for tuning code; the emitters do not read it.
    float spareValue = 10000.0f;

private:
    // The size source's origin in the target's space (the origin when the target is the source).
    V3 Centre() const;
    V2 CurrentSize() const;
    void DeleteEmitters();

    ZParticleEmitterSystem* m_emitters[kEmitterCount] = {};
    ZTurningSprites m_sprites;
    float m_timer = 0.0f;
    ZNode* m_sizeSource = nullptr;
};
