#pragma once
// How a surface is drawn: up to two texture stages, a base colour whose alpha is the opacity, a
// shader definition, the back end's render state and an array of render switches. Materials come
// from a pool made at start-up, so creating one never allocates; scene files set them up by
// properties, and callers clone and tint them at run time.
#include <cstdint>

#include "engine/core/ZMatrix.h"
#include "engine/core/ZSerializer.h"
#include "engine/core/ZVector.h"
#include "engine/resource/ZResource.h"

class ZTextureResource;
class ZShaderBase;
class ZRenderState;

class ZMaterial : public ZMetaResourceType<ZMaterial>, public ZResourceListener
{
    QV_TYPE_RECORD(ZMaterial, &ZResource::kTypeRecord)

public:
    static constexpr int kPoolSize = 8192;
    static constexpr int kSwitches = 30;
    static constexpr int kStages = 2;
    static constexpr int kSlots = 4;
    // Switch indices that properties set.
    enum : int
    {
        kSwitchFilter = 0,
        kSwitchStencilOff = 3,
        kSwitchNoBlend = 6,
        kSwitchStencil8 = 8,
        kSwitchUseStencil = 9,
        kSwitchStencil10 = 10,
        kSwitchBlendAdd = 12,
        kSwitchBlendShadow = 13,
        kSwitchTextureModulate = 18,
        kSwitchTextureTransform = 20,
    };
    // Pool materials are parked at a count of 0 and go back to the pool instead of being deleted.
    static constexpr uint16_t kPooledFlags = kResourceManaged | kResourceFreeInPlace;

    ZMaterial();
    ~ZMaterial() override;

    // Builds the pool once (the resource manager must exist).
    static void InitPool();
    static void DestroyPool();
    static int GetFreeCount();
    // A reset material from the pool; null when all 8192 are in use.
    static ZMaterial* Allocate();
    static ZMaterial* CreateForShader(const char* name, ZShaderBase* shader);
    static ZMaterial* Find(const char* name);
    // "default_material", made on first use for the shader "standard".
    static ZMaterial* GetDefault();

    int LoadSync() override { return 0; }
    int UnloadData() override { return 0; }
    int64_t GetMemorySize() const override { return int64_t(sizeof(ZMaterial)); }
    void FreeInPlace() override;
    void OnResourceLoaded(ZResource* resource) override;

    // Back to the free stack: leaves the group, drops its textures.
    void ReturnToPool();
    void CloneFrom(const ZMaterial* source);
    void SetTexture(int stage, ZTextureResource* texture, bool listen);
    ZTextureResource* GetTexture(int stage) const
    {
        return stage >= 0 && stage < kStages ? m_stages[stage] : nullptr;
    }
    void SetOpacity(float value);
    float GetOpacity() const { return m_colors[0].w; }
    void SetSwitch(int index, uint8_t value);
    uint8_t GetSwitch(int index) const { return index >= 0 && index < kSwitches ? m_switches[index] : 0; }
    bool IsSwitchSpecified(int index) const
    {
        return index >= 0 && index < kSwitches && m_specified[index] != 0;
    }
    // The render-state flag word (engine/render/ZRenderStateFlags.h) of the material's switches and
    // textured stages, for both back ends. `current` is the word the state object had: its switch
    // flags are dropped first (a pool material's earlier use must not leave any), the others kept.
    // The texture-transform flag is each back end's own: their texture matrices differ.
    uint32_t GetStateFlags(uint32_t current) const;
    void SetFilter(bool on) { SetSwitch(kSwitchFilter, on ? 1 : 0); }
    void SetBlendAdd(bool on) { SetSwitch(kSwitchBlendAdd, on ? 1 : 0); }
    void SetBoolFlag(bool on) { SetSwitch(kSwitchTextureModulate, on ? 1 : 0); }
    void SetColor(int index, const V4& color);
    const V4& GetColor(int index) const { return m_colors[index & 3]; }
    bool IsColorSet(int index) const { return m_colorSet[index & 3] != 0; }
    void SetFloat(int index, float value);
    float GetFloat(int index) const { return m_floats[index & 3]; }
    void SetInt(int index, int32_t value);
    int32_t GetInt(int index) const { return m_ints[index & 3]; }
    void SetVector(int index, const V4& value);
    const V4& GetVector(int index) const { return m_vectors[index & 3]; }
    void SetTextureMatrix(int stage, const _M44& matrix);
    const _M44& GetTextureMatrix(int stage) const { return m_textureMatrices[stage & 1]; }
    bool IsTextureMatrixSet(int stage) const { return m_matrixSet[stage & 1] != 0; }
    void SetShader(ZShaderBase* shader) { m_shader = shader; }
    ZShaderBase* GetShader() const { return m_shader; }
    ZRenderState* GetRenderState() const { return m_renderState; }
    bool IsReady() const;
    bool NeedsTextureMatrix() const;

    // Scene-file properties; every key of the material answers handled.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor) { (void)visitor; }
    void OnLoaded() {}
    ZSerializerBase* GetSerializer() const;

    // Colour text: "r,g,b[,a]" (or blanks between) as fractions, or hexadecimal 0xAARRGGBB /
    // #RRGGBB (alpha 255 when six digits are given).
    static V4 ParseColor(const char* text);

private:
    void Clear();
    void EnsureRenderState();
    void Changed();

    ZTextureResource* m_stages[kStages] = {nullptr, nullptr};
    bool m_listening[kStages] = {false, false};
    V4 m_colors[kSlots];
    uint8_t m_colorSet[kSlots] = {};
    float m_floats[kSlots] = {};
    uint8_t m_floatSet[kSlots] = {};
    int32_t m_ints[kSlots] = {};
    uint8_t m_intSet[kSlots] = {};
    V4 m_vectors[kSlots];
    uint8_t m_vectorSet[kSlots] = {};
    _M44 m_textureMatrices[kStages];
    uint8_t m_matrixSet[kStages] = {};
    uint8_t m_switches[kSwitches] = {};
    uint8_t m_specified[kSwitches] = {};
    ZShaderBase* m_shader = nullptr;
    ZRenderState* m_renderState = nullptr;
    bool m_inPool = false;
    bool m_free = false;
};
