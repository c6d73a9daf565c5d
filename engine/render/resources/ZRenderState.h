#pragma once
// What one draw is made of, shared by the renderer and the materials and shader codes it draws
// with: a camera's draw record and a back end's render state object.
#include <cstdint>

#include "engine/core/ZMatrix.h"
#include "engine/core/ZStaticArray.h"

class ZLight;
class ZMaterial;
class ZNode;
class ZShaderBase;
class ZSubPrimitive;

using ZLightArray = ZStaticArray<ZLight*, 12>;

// One entry of a camera's draw buckets.
struct DrawRecord
{
    ZSubPrimitive* part = nullptr; // null for sprites, text and particle systems
    ZNode* node = nullptr;
    ZLightArray* lights = nullptr;
    ZShaderBase* shader = nullptr; // null for text and particle systems
    ZMaterial* material = nullptr; // the material the shader draws with
    _M44 world;
    float alpha = 1.0f;
    // The quad a sprite code draws: -1 for the renderer's default sprite quad, which the sprite's
    // size scales; a glyph quad already has its size.
    int32_t quad = -1;
};

// The render state object of a back end. No virtual destructor: each back end deletes its own.
class ZRenderState
{
public:
    ZRenderState* ApplyFrom(ZRenderState* previous)
    {
        ZRenderState* result = Apply(previous);
        AfterApply(previous);
        return result;
    }
    virtual ZRenderState* Apply(ZRenderState* previous) = 0;
    virtual void AfterApply(ZRenderState* previous) { (void)previous; }
    virtual void Reset() = 0;
    virtual void SetFogEnabled(bool on) = 0;
    // The back end deletes the object through this (it has no virtual destructor).
    virtual void Destroy() = 0;

    uint32_t GetId() const { return m_id; }
    void SetId(uint32_t id) { m_id = id; }
    // The two settings a material clone copies from its source's state.
    uint32_t m_words[2] = {0, 0};

protected:
    ~ZRenderState() = default;
    uint32_t m_id = 0;
};
