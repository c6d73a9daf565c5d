// The sea map's boat: the leg-by-leg move with its heading frames, and the sway.
#include "game/decoration/ZBoat.h"

#include <cmath>

#include "engine/controllers/ZAnimateTexture2D.h"
#include "engine/core/ZEasing.h"
#include "engine/scene/ZGeom.h"

namespace
{
constexpr float kFullTurn = 6.28318530717958647692f;
}

ZBoatMoveController::ZBoatMoveController()
{
    SetDuration(1.0);
}

ZBoatMoveController* ZBoatMoveController::Create(ZNode* carrier, ZAnimateTexture2D* frames,
                                                 IBoatListener* listener)
{
    if (!carrier)
        return nullptr;
    auto* controller = new ZBoatMoveController();
    controller->m_frames = frames;
    controller->m_listener = listener;
    controller->SetEasing(EaseOutCubicQuartic);
    controller->SetTarget(carrier);
    controller->SetActive(false);
    return controller;
}

void ZBoatMoveController::SetLeg(const V3& from, const V3& to, const V3& next)
{
    start = from;
    end = to;
    lookAhead = next;
    const float dx = to.x - from.x, dy = to.y - from.y, dz = to.z - from.z;
    SetDuration(double(std::sqrt(dx * dx + dy * dy + dz * dz) / kSpeed));
}

float ZBoatMoveController::GetHeading() const
{
    float angle = AngleBetweenPoints(V2{start.x, start.y}, V2{end.x, end.y});
    if (angle < 0.0f)
        angle += kFullTurn;
    return angle;
}

void ZBoatMoveController::Start()
{
    m_finished = false;
    m_legRunning = true;
    ZInterpolateBase::Start();
    if (m_listener)
        m_listener->OnBoatLegStarted(this);
    if (easeIn && easeOut)
        SetEasing(EaseOutCubicQuartic);
    else if (easeIn)
        SetEasing(EaseInQuad);
    else if (easeOut)
        SetEasing(EaseOutQuad);
    else
        SetEasing(EaseLinear);
    if (m_frames)
        m_frames->SetActive(false);
}

void ZBoatMoveController::Stop()
{
    // The listener hears of the arrival before the base reports the end.
    const bool ended = m_legRunning;
    m_legRunning = false;
    // A leg cut short ends where the map now thinks the boat is.
    if (ended)
        ApplyValue(1.0f);
    if (ended && m_listener)
        m_listener->OnBoatLegEnded(this);
    ZInterpolateBase::Stop();
}

void ZBoatMoveController::SetActiveAll(bool on)
{
    if (!on)
        SetActive(false);
}

void ZBoatMoveController::ApplyValue(float t)
{
    auto* carrier = ZEntityCast<ZGeom>(GetTarget());
    if (!carrier)
        return;
    V3 p{start.x * (1.0f - t) + end.x * t, start.y * (1.0f - t) + end.y * t,
         start.z * (1.0f - t) + end.z * t};
    if (auto* parent = ZEntityCast<ZGeom>(carrier->GetParent()))
        parent->WorldToLocal(p);
    carrier->SetPositionXYZ(p.x, p.y, p.z);
    if (m_frames)
    {
        // Set again each time: resizing the sprite resets its picture's mapping.
        m_frames->lastFrame = -1;
        m_frames->SetPosition(GetHeading() / kFullTurn);
    }
}

// ---- sway ----

ZBoatSwayController* ZBoatSwayController::Create(ZNode* boat)
{
    auto* geom = ZEntityCast<ZGeom>(boat);
    if (!geom)
        return nullptr;
    auto* controller = new ZBoatSwayController();
    controller->base = geom->Position();
    controller->SetTarget(boat);
    controller->SetActive(true);
    return controller;
}

void ZBoatSwayController::Start()
{
    startTime = EngineClockNow();
}

V2 ZBoatSwayController::Offset(float t)
{
    return V2{2.0f * std::sin(2.0f * t) + 2.0f * std::sin(t / 5.0f) - 4.0f,
              2.0f * std::sin(1.6f * t) + 2.0f * std::sin(t / 3.0f) - 4.0f};
}

void ZBoatSwayController::Update()
{
    auto* boat = ZEntityCast<ZGeom>(GetTarget());
    if (!boat)
        return;
    const V2 d = Offset(float(EngineClockNow() - startTime));
    boat->SetPositionXYZ(base.x + d.x, base.y + d.y, base.z);
}
