#pragma once
// The flight of one pop sprite: when a group pops, each popped token throws off a small copy of
// itself that flies out on a ballistic arc, spins and fades out over a second; then the
// controller releases itself and the sprite goes back to the board hints' pool.
#include "engine/controllers/ZControllerBase.h"
#include "engine/scene/ZParticle.h"

class ZGameSprite;

class ZTokenPopController : public ZControllerNodeBase
{
    QV_TYPE_RECORD(ZTokenPopController, &ZControllerNodeBase::kTypeRecord)

public:
    // Launches the sprite from where it stands; a bigger group throws higher and faster. The
    // controller updates under the scene tree's controllers.
    static ZTokenPopController* create(ZGameSprite* sprite, int groupSize);

    ZTokenPopController() = default;
    ~ZTokenPopController() override;

    void Update() override;
    void Stop() override;
    ZControllerBase* CreateInstance() override { return new ZTokenPopController(); }

    const ZParticle& GetMotion() const { return m_motion; }
    float GetSpinSpeed() const { return m_spinSpeed; }
    float GetLaunchSpeed() const { return m_launchSpeed; }

private:
    void Launch(int groupSize);
    void Finish();

    ZParticle m_motion;
    float m_angle = 0.0f;
    float m_spinSpeed = 0.0f;
    float m_launchSpeed = 0.0f;
    uint16_t m_flag = 1;
    bool m_finished = false;
};
