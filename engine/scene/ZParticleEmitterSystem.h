#pragma once
// A scene node that emits and moves a pool of light-weight particles (bubbles, sparkles, dust).
// The particles are plain records in one array with an index free list, so spawning and dying
// cost no allocation; the renderer's particle drawing reads the records and the templates.
//
// Counts: the live count is the number of records the emitter may use; the global setting
// "particles.factor" scales it once into the effective count, and only the first effective-count
// records take part in emission, movement and the free list. Records beyond it are always free.
#include <cstdint>

#include "engine/core/ZBoundingBox.h"
#include "engine/core/ZMatrix.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZVector.h"
#include "engine/scene/ZGeom.h"

class ZMaterial;

// "particles.factor": scales every emitter's particle count (0.001 to 1.0).
extern ZPropertyTempl<float> g_particlesFactor;

enum EParticleRecordFlags : uint16_t
{
    kParticleRecordAlive = 0x1,
    kParticleRecordSpinning = 0x2,
    kParticleRecordAccelerated = 0x4,
};

struct SParticleRecord
{
    V3 position;
    float positionW = 1.0f;
    M33 scale;
    V3 velocity;
    V3 acceleration;
    // Per-frame rotation and growth, applied by the particle drawing.
    M33 spin;
    float life = 0.0f;
    float age = 0.0f;
    float size = 0.0f;
    float growth = 0.0f;
    uint16_t flags = 0;
    uint8_t templateIndex = 255;
    uint8_t drawState[13] = {};
};

class ZParticleEmitterSystem : public ZGeom, public INodeStateListener
{
    QV_TYPE_RECORD(ZParticleEmitterSystem, &ZGeom::kTypeRecord)

public:
    static constexpr int kMaxTemplates = 16;
    static constexpr int kSpinTableSize = 10;

    ZParticleEmitterSystem();
    ~ZParticleEmitterSystem() override;

    // Constructed with the defaults and prewarmed.
    static ZParticleEmitterSystem* Create();

    ZSerializerBase* GetSerializer() const override;
    void Update() override;
    void Start() override;
    void Stop() override;
    // Emitters are not copied with their node.
    ZNode* Clone() override { return nullptr; }

    // Every emitter takes part in its camera's draw list; its particles are drawn by the renderer.
    bool GetDrawKey(const ZCamera& camera, const _M44& world, uint32_t& key) override;
    void FlagsChanged(ZNode* node, uint32_t newFlags, uint32_t oldFlags) override;
    void NodeGone(ZNode* node) override;

    void SetCapacity(uint32_t n);
    void ResetParticles();
    void SetParticleCount(uint32_t n);
    // Clamped to [0, 1].
    void SetIntensity(float v);
    // Takes a reference; a template beyond the 16th is refused (false).
    bool AddTemplate(ZMaterial* material);
    void ClearTemplates();
    void SetEmitterSegment(const V3& minimumVelocity, const V3& maximumVelocity);
    void SetRandomDirections(float spinMinimum, float spinMaximum);
    void SetForceY(float y);
    // The node particles start from; the emitter always hears of its deletion.
    void SetTemplateNode(ZGeom* node);
    void Activate();
    void Prewarm();
    void EmitForTime(float dt);
    void Emit(uint32_t n);
    void Advance(float dt);

    void ApplyPresetA(uint32_t count);
    void ApplyPresetB(uint32_t count);
    void ApplyPresetC(uint32_t count);

    // Records in the scaled range [0, effective count).
    uint32_t GetEffectiveCount() const { return m_effective; }
    uint32_t GetAliveCount() const { return m_effective - m_freeCount; }
    uint32_t GetFreeCount() const { return m_freeCount; }
    uint32_t GetCapacity() const { return m_capacity; }
    uint32_t GetLiveCount() const { return m_liveCount; }
    uint32_t GetEmitted() const { return m_emitted; }
    const SParticleRecord* GetRecords() const { return m_records; }
    const uint16_t* GetFreeList() const { return m_freeList; }
    ZMaterial* GetTemplate(int i) const { return i >= 0 && i < kMaxTemplates ? m_templates[i] : nullptr; }
    uint32_t GetTemplateCount() const { return m_templateCount; }
    const M33& GetSpinEntry(int i) const { return m_spinTable[i]; }
    ZGeom* GetTemplateNode() const { return m_areaNode; }

    // Parameters, set by the owner after Create; the names follow the presets.
    V2 particleSize = {32.0f, 32.0f};
    float particleSizeExtra[2] = {0.0f, 0.0f};
    V3 gravity = {0.0f, 160.0f, 0.0f};
    V3 lastEmitPoint;
    float lifeMinimum = 0.2f;
    float lifeMaximum = 1.2f;
    float meanLife = 0.7f;
    float emitRemainder = 0.0f;
    float sizeToSpeed = 0.0f;
    float growthBase = -0.5f;
    float growthSpread = 0.0f;
    float drawValues[2] = {0.3f, 0.0f};
    float spinMinimum = 0.0f;
    float spinMaximum = 0.0f;
    float drag = 0.0f;
    // -1 endless, 0 one burst, otherwise seconds over which the count is emitted.
    float duration = -1.0f;
    float age = 0.0f;
    float countFactor = 1.0f;
    float intensity = 1.0f;
    float jitterX = 0.0f;
    float jitterY = 0.0f;
    float speedMinimum = 0.0f;
    float speedMaximum = 100.0f;
    V3 velocityMaximum;
    V3 velocityMinimum;
    V3 velocitySpread;
    float sizeMinimum = 0.1f;
    float sizeMaximum = 1.0f;
    float drawValue2 = 1.0f;
    int32_t rateDivisor = 1;
    float prewarmTime = 0.0f;
    float prewarmStep = 1.0f;
    bool releaseOnStop = false;
    bool pickByAlpha = true;
    bool followAreaNode = false;
    bool strictPick = false;
    float alphaThreshold = 0.5f;
    int32_t pickAttempts = 3;
    bool emitting = true;

private:
    // The effective count from the live count and the current factor; a change frees the records
    // beyond the new range and rebuilds the free list.
    void SyncEffectiveCount();
    void RebuildFreeList();
    void FreeRecord(uint32_t index);
    // Point in world space; false when an alpha pick failed.
    bool PickEmitPoint(V3& out);
    void SpawnAt(const V3& point);
    void Deactivate();
    void FreeArrays();

    ZMaterial* m_templates[kMaxTemplates] = {};
    uint32_t m_templateCount = 0;
    SParticleRecord* m_records = nullptr;
    uint32_t m_capacity = 0;
    uint32_t m_liveCount = 0;
    uint16_t* m_freeList = nullptr;
    uint32_t m_freeCount = 0;
    uint32_t m_effective = 0;
    uint32_t m_emitted = 0;
    M33 m_spinTable[kSpinTableSize];
    ZGeom* m_areaNode = nullptr;
};
