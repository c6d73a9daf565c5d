#include "engine/render/ZRenderParticles.h"

#include <algorithm>

#include "engine/render/ZRenderBase.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSprite.h"

ZRenderParticles::ZRenderParticles()
{
    for (ZSprite*& sprite : m_sprites)
    {
        sprite = ZSprite::Create(32.0f, 32.0f);
        // Helper sprites: never part of a scene's draw list.
        sprite->SetFlags(kNode2D);
    }
}

ZRenderParticles::~ZRenderParticles()
{
    for (ZSprite*& sprite : m_sprites)
    {
        delete sprite;
        sprite = nullptr;
    }
}

void ZRenderParticles::ParticleMatrix(const ZParticleEmitterSystem& emitter, SParticleRecord& particle,
                                      _M44& world, float& opacity)
{
    if (particle.flags & kParticleRecordSpinning)
        M33::Multiply(particle.scale, particle.spin, particle.scale);
    world.SetIdentity();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            world.m[r][c] = particle.scale.m[r][c];
    const float growTime = emitter.drawValues[0];
    const float fadeTime = emitter.drawValues[1];
    opacity = emitter.drawValue2;
    if (particle.age < growTime && growTime > 0.0f)
    {
        const float grown = particle.age / growTime;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                world.m[r][c] *= grown;
        opacity *= grown;
    }
    if (particle.life < fadeTime && fadeTime > 0.0f)
        opacity *= std::max(0.0f, particle.life) / fadeTime;
    world.m[3][0] = particle.position.x;
    world.m[3][1] = particle.position.y;
    world.m[3][2] = particle.position.z;
    world.m[3][3] = 1.0f;
}

void ZRenderParticles::DrawEmitter(ZParticleEmitterSystem* emitter, ZCamera* camera, const DrawRecord& record)
{
    if (!emitter)
        return;
    const int materials = std::min<int>(int(emitter->GetTemplateCount()), kSprites);
    for (int i = 0; i < materials; ++i)
    {
        ZMaterial* material = emitter->GetTemplate(i);
        if (!material)
            continue;
        material->SetSwitch(ZMaterial::kSwitchTextureModulate, 1);
        if (ZShaderBase* shader = material->GetShader())
            if (ZShaderCodeBase* code = shader->GetCode())
                code->MaterialChanged(material);
        m_sprites[i]->SetMaterial(material);
    }
    ZMaterial* first = materials > 0 ? emitter->GetTemplate(0) : nullptr;
    ZShaderBase* shader = first ? first->GetShader() : nullptr;
    // Only the records the particle factor leaves to the emitter take part.
    const uint32_t count = emitter->GetEffectiveCount();
    if (!shader || count == 0)
        return;
    // The drawing applies each particle's spin: the records change here.
    auto* records = const_cast<SParticleRecord*>(emitter->GetRecords());
    if (!records)
        return;
    DrawRecord item = record;
    for (uint32_t i = 0; i < count; ++i)
    {
        SParticleRecord& particle = records[i];
        if (!(particle.flags & kParticleRecordAlive))
            continue;
        // A record whose material is not (or no longer) among the emitter's is skipped.
        const int index = particle.templateIndex;
        if (index >= materials || !emitter->GetTemplate(index))
            continue;
        ZSprite* sprite = m_sprites[index];
        sprite->SetSize(emitter->particleSize);
        item.node = sprite;
        item.part = nullptr;
        item.quad = -1;
        item.material = sprite->GetMaterial();
        item.shader = shader;
        ParticleMatrix(*emitter, particle, item.world, item.alpha);
        // The sprite stands where the particle is, for code that places sprites by their node.
        sprite->SetMatPos(item.world);
        DrawParticle(shader, camera, item);
    }
}

void ZRenderParticles::DrawParticle(ZShaderBase* shader, ZCamera* camera, const DrawRecord& record)
{
    shader->Draw(camera, record);
}
