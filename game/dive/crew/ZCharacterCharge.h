#pragma once
// The flight of one crew charge: when creatures pop, a glowing trail of the charge kind's particles
// flies from the popped group to the crew member's button of that colour, swinging to one side and
// then the other; on arrival the member takes the charge (ZCharacter::Charge) and the button's meter
// rises. Flights and their emitters are pooled for the run: a finished flight waits on the free list
// and the next pop takes it again.
#include <vector>

#include "engine/controllers/ZInterpolateBase.h"

class ZCharacter;
class ZParticleEmitterSystem;
class ZSplineNode;

class ZCharacterCharge : public ZInterpolateSpline
{
    QV_TYPE_RECORD(ZCharacterCharge, &ZInterpolateSpline::kTypeRecord)

public:
    static constexpr double kFlightSeconds = 0.9;
    static constexpr int kPoolReserve = 32;

    ZCharacterCharge() = default;
    // Leaves the free list; the emitter and the path go with it.
    ~ZCharacterCharge() override;

    // A flight from the free list (reset), or a new one when the list is empty.
    static ZCharacterCharge* Acquire();
    // A new flight with its emitter, under the scene tree's controllers.
    static ZCharacterCharge* Create();
    // Flights that wait on the free list.
    static size_t GetFreeCount();

    // The kind's two particle templates ("particle_charge_<break|move|time>_<0|1>").
    void SetKind(int kind);
    // The path from start to end (world points): two inner points, the first pushed 20 to 40 units
    // to one side of the line, the second 20 to 40 to the other.
    void SetPath(const V3& start, const V3& end);
    // Puts the emitter under `parent` (the layer the trail draws in) and flies: the intensity
    // grows with the group, 0.3 for three tokens up to 1.0 for seven and more.
    void Launch(ZNode* parent);

    ZControllerBase* CreateInstance() override { return new ZCharacterCharge(); }
    void Start() override;
    // Arrival: the member takes the charge; the flight goes back to the free list.
    void FireEnded() override;
    // The emitter went with the layer it flew in; the next flight makes a new one.
    void NodeGone(ZNode* node) override;

    ZParticleEmitterSystem* GetEmitter() const { return m_emitter; }
    const V3& GetInnerPoint(int i) const { return m_inner[i != 0 ? 1 : 0]; }
    float GetIntensity() const { return m_intensity; }
    bool IsFlying() const { return m_flying; }

    ZCharacter* member = nullptr;
    int kind = -1;
    // The charge carried (the token type's value) and its factor (from the group's size).
    float amount = 1.0f;
    float factor = 1.0f;
    int groupSize = 0;

private:
    void ResetFlight();
    void ReleasePath();

    ZParticleEmitterSystem* m_emitter = nullptr;
    ZSplineNode* m_path = nullptr;
    V3 m_start;
    V3 m_end;
    V3 m_inner[2];
    float m_intensity = 0.0f;
    bool m_flying = false;
    bool m_free = false;

    static std::vector<ZCharacterCharge*>& FreeList();
};
