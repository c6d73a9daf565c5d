// The pop sprite's flight: a launch by group size, a simple integrator, and the hand-back.
#include "game/dive/board/ZTokenPopController.h"

#include <algorithm>
#include <cmath>

#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMath.h"
#include "engine/core/ZRandom.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZGameSprite.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/board/ZBoardHints.h"

ZTokenPopController* ZTokenPopController::create(ZGameSprite* sprite, int groupSize)
{
    auto* controller = new ZTokenPopController();
    // Kept under the controllers group, not under the sprite, so that a sprite someone else
    // deactivates still lets its controller see that on the next update.
    controller->SetTarget(sprite);
    ZSceneTree::GetInstance()->AddChild(controller);
    controller->Launch(groupSize);
    controller->SetActive(true);
    return controller;
}

ZTokenPopController::~ZTokenPopController()
{
    if (auto* sprite = ZEntityCast<ZGameSprite>(m_target))
    {
        if (ZBoardHints* hints = ZBoardHints::PeekInstance())
            hints->ReturnPopSprite(sprite);
    }
}

void ZTokenPopController::Launch(int groupSize)
{
    auto* sprite = ZEntityCast<ZGameSprite>(m_target);
    if (!sprite)
        return;
    V3 start;
    sprite->GetPosition(start);
    if (auto* parent = static_cast<ZGeom*>(sprite->FindGeomParent()))
        parent->LocalToWorld(start);
    m_motion.position = start;

    // From -30 to +72 degrees, a bigger group a further 30 degrees up; mirrored half the time.
    const float r = RandomFloat();
    float angle = r * 1.2566371f - (1.0f - r) * 0.5235988f;
    if (groupSize > 3)
        angle += 0.5235988f;
    V3 direction = {std::cos(angle), std::sin(angle), 0.0f};
    const bool mirrored = (RandomNext() & 2) == 0;
    if (mirrored)
        direction = direction * -1.0f;

    const float r2 = RandomFloat();
    float speed = (1.0f - r2) * 100.0f + r2 * 300.0f;
    if (groupSize > 3)
        speed += speed * float(std::min(groupSize, 5) - 3) * g_matchMultiplier.GetValue();
    m_launchSpeed = speed;
    m_motion.SetVelocity(direction * speed);
    m_motion.SetAcceleration({0.0f, -1000.0f, 0.0f});
    m_motion.running = true;

    const float r3 = RandomFloat();
    m_spinSpeed = (2.0f * r3 + 1.0f) * kPi * (mirrored ? 1.0f : -1.0f);
    m_angle = 0.0f;

    sprite->SetFadeSpeed(1.0f);
    sprite->StartFadeOut();
    sprite->SetAlpha(1.0f);
    sprite->SetSpriteScale({0.75f, 0.75f});
}

void ZTokenPopController::Update()
{
    if (m_finished)
        return;
    auto* sprite = ZEntityCast<ZGameSprite>(m_target);
    if (!sprite || !sprite->IsActive() || sprite->GetFadeState() == ZGameSprite::kFadeNone)
    {
        Finish();
        return;
    }
    const double dt = g_frameTimer ? g_frameTimer->frameDelta : 0.0;
    m_motion.Step(dt);
    m_angle += m_spinSpeed * float(dt);
    PlaceAtWorldPoint(sprite, m_motion.position);
    sprite->SetRotationZ(m_angle);
}

void ZTokenPopController::Stop()
{
    Finish();
}

void ZTokenPopController::Finish()
{
    if (m_finished)
        return;
    m_finished = true;
    Release();
}
