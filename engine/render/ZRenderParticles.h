#pragma once
// The renderer's particle drawer: every live particle of an emitter is one draw of a pooled sprite
// that carries the particle's material, with the particle's matrix and an opacity that fades in
// while the particle grows and out before it dies. Sixteen sprites serve every emitter, so nothing
// is allocated per particle or per frame.
#include <cstdint>

#include "engine/core/ZMatrix.h"

class ZCamera;
class ZParticleEmitterSystem;
class ZShaderBase;
class ZSprite;
struct DrawRecord;
struct SParticleRecord;

class ZRenderParticles
{
public:
    static constexpr int kSprites = 16;

    ZRenderParticles();
    virtual ~ZRenderParticles();
    ZRenderParticles(const ZRenderParticles&) = delete;
    ZRenderParticles& operator=(const ZRenderParticles&) = delete;

    virtual void DrawEmitter(ZParticleEmitterSystem* emitter, ZCamera* camera, const DrawRecord& record);

    // The world matrix and opacity of one live particle; a spinning particle takes its turn (the
    // spin is applied to its orientation once per draw).
    static void ParticleMatrix(const ZParticleEmitterSystem& emitter, SParticleRecord& particle, _M44& world,
                               float& opacity);

    ZSprite* GetSprite(int index) const
    {
        return index >= 0 && index < kSprites ? m_sprites[index] : nullptr;
    }

protected:
    // One particle: the record names its sprite, matrix and opacity.
    virtual void DrawParticle(ZShaderBase* shader, ZCamera* camera, const DrawRecord& record);

    ZSprite* m_sprites[kSprites] = {};
};
