// The boat on the sea map: legs from marker to marker at constant speed, the last one easing
// out; the start, sailing and stop sounds; the route trail of particles and the route reveals.
#include <algorithm>

#include "engine/audio/ZSound.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZSprite2D.h"
#include "game/common/IGameShell.h"
#include "game/screens/map/ZMapScreen.h"

namespace
{
enum ESound
{
    kBoat = 3,
    kBoatStart = 4,
    kBoatStop = 5,
    kShowMap = 6,
};
constexpr double kTrailStep = 0.05;
constexpr double kTrailPause = 8.0;
} // namespace

V3 ZMapScreen::GetPathPoint(int index) const
{
    if (m_chartMarkers <= 0)
        return V3{0.0f, 0.0f, 0.0f};
    const int i = std::clamp(index, 0, m_chartMarkers - 1);
    return m_markers[size_t(i)]->GetWorldPosition();
}

void ZMapScreen::SailTo(int to, int from, bool animate)
{
    if (to < 0 || to >= m_chartMarkers)
        return;
    // A leg under way ends first, so its arrival is not taken for this one's.
    if (m_boatMove && m_boatMove->IsLegRunning())
        m_boatMove->SetActive(false);
    m_boatFrom = from;
    m_boatTo = to;
    if (from < 0 || from >= m_chartMarkers || !m_carrier)
        return;
    // The boat keeps its own depth above the chart (the markers lie on the chart itself).
    const float depth = m_carrier->GetWorldPosition().z;
    m_legStart = GetPathPoint(from);
    m_legStart.z = depth;
    m_carrier->SetWorldPosition(m_legStart);
    if (to == from)
        return;
    m_legEnd = GetPathPoint(to);
    m_legEnd.z = depth;
    m_sailing = animate;
    if (!m_boatMove)
        return;
    m_boatMove->SetLeg(m_legStart, m_legEnd, GetPathPoint(to + 1));
    if (animate)
    {
        m_boatMove->SetActive(false);
        m_boatMove->SetActive(true);
    }
    else
    {
        m_boatMove->Apply(0.0f);
    }
}

void ZMapScreen::SailOn()
{
    if (m_sailing || m_selected == m_boatFrom || m_selected >= m_chartMarkers || !m_boatMove)
        return;
    if (m_boatMove->IsLegRunning())
        return;
    const bool above = m_selected > m_boatFrom;
    m_boatMove->easeIn = false;
    m_boatMove->easeOut = std::abs(m_selected - m_boatFrom) == 1;
    SailTo(above ? m_boatFrom + 1 : m_boatFrom - 1, m_boatFrom, true);
}

void ZMapScreen::OnBoatLegStarted(ZBoatMoveController* boat)
{
    (void)boat;
    StartBoatSounds();
}

void ZMapScreen::OnBoatLegEnded(ZBoatMoveController* boat)
{
    m_boatFrom = m_boatTo;
    m_sailing = false;
    if (boat && boat->easeOut)
        StopBoatSounds(false);
}

void ZMapScreen::StartBoatSounds()
{
    if (m_boatSoundsRunning)
        return;
    m_boatSoundsRunning = true;
    ZSound* start = m_sounds[kBoatStart];
    ZSound* loop = m_sounds[kBoat];
    if (loop && loop->IsPlaying())
        loop->Stop();
    if (start && start->IsPlaying())
        start->Stop();
    if (start)
    {
        start->SetFollowUp(loop);
        start->Play();
    }
    else if (loop)
    {
        loop->Play();
    }
}

void ZMapScreen::StopBoatSounds(bool silent)
{
    if (!m_boatSoundsRunning)
        return;
    m_boatSoundsRunning = false;
    if (ZSound* start = m_sounds[kBoatStart])
    {
        start->SetFollowUp(nullptr);
        start->Stop();
    }
    if (ZSound* loop = m_sounds[kBoat])
        loop->Stop();
    if (ZSound* stop = m_sounds[kBoatStop])
    {
        if (silent)
            stop->Stop();
        else
            stop->Play();
    }
}

void ZMapScreen::StartPathTrail(double delay)
{
    m_trailTimer = delay;
    m_trailNext = 1;
    m_trailLast = 10;
}

void ZMapScreen::UpdateTrail(double dt)
{
    if (m_trailTimer < 0.0)
        return;
    m_trailTimer -= dt;
    if (m_trailTimer >= 0.0)
        return;
    const int last = std::min(m_trailLast, m_chartMarkers - 1);
    if (last < 1)
    {
        m_trailTimer = -1.0;
        return;
    }
    GetGameShell()->SpawnParticleEffect("mappath_particle_template", GetPathPoint(m_trailNext));
    ++m_trailNext;
    if (m_trailNext > last)
    {
        m_trailNext = 2;
        m_trailTimer = kTrailPause;
    }
    else
    {
        m_trailTimer = kTrailStep;
    }
}
