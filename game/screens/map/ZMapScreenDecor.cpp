// The sea map's living decoration: sparkles glinting on the chart, the turning glows under the go
// button, the pulsing badges, the smoke over the volcano and the school of fish that follows its
// path round the chart, each fish turned to where it swims.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/controllers/ZAnimateGeom.h"
#include "engine/controllers/ZAnimateTexture2D.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/core/ZRandom.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZBoidGroup.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSpline.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZSprite2D.h"
#include "game/screens/map/ZMapScreen.h"

namespace
{
constexpr float kFullTurn = 6.28318530717958647692f;

ZPulsateController* Pulsate(ZNode* node, float alphaBase, float alphaAmplitude, float scaleAmplitude,
                            float speed)
{
    auto* sprite = ZEntityCast<ZSprite>(node);
    if (!sprite)
        return nullptr;
    ZPulsateController* pulse = ZPulsateController::Create(sprite);
    if (!pulse)
        return nullptr;
    pulse->scaleBase = 1.0f;
    pulse->scaleAmplitude = scaleAmplitude;
    pulse->scaleSpeed = speed;
    pulse->alphaBase = alphaBase;
    pulse->alphaAmplitude = alphaAmplitude;
    pulse->alphaSpeed = speed;
    return pulse;
}
// The chart's school: a flock whose fish lie flat on the chart. The flock turns each member
// towards its heading in space, which would stand a flat picture on its edge; the fish show
// their heading by their picture's frame instead.
class ZMapFlock : public ZBoidGroup
{
public:
    void Update() override
    {
        ZBoidGroup::Update();
        M33 flat;
        flat.SetIdentity();
        for (ZNode* child = GetFirstChild(); child; child = child->GetNextSibling())
            if (auto* geom = ZEntityCast<ZGeom>(child))
                geom->SetOrientation(flat);
    }
};
} // namespace

void ZMapScreen::BuildSparkles()
{
    // Glints that come and go all over the chart's water.
    ZMaterial* material = ZMaterial::Find("sprinklyparticlematerial");
    auto* chart = ZEntityCast<ZGeom>(m_background ? m_background->FindNode("chart") : nullptr);
    if (!material || !m_background || !chart)
        return;
    m_sparkles = ZParticleEmitterSystem::Create();
    m_sparkles->SetName("chart_sparkles");
    m_sparkles->AddTemplate(material);
    m_sparkles->ApplyPresetC(40);
    m_sparkles->particleSize = V2{26.0f, 26.0f};
    m_sparkles->sizeMinimum = 0.25f;
    m_sparkles->sizeMaximum = 0.7f;
    m_sparkles->lifeMinimum = 0.4f;
    m_sparkles->lifeMaximum = 1.4f;
    m_sparkles->meanLife = 0.9f;
    // Each glint swells in and fades out again.
    m_sparkles->drawValues[0] = 0.35f;
    m_sparkles->drawValues[1] = 0.5f;
    m_sparkles->drawValue2 = 0.8f;
    m_sparkles->pickByAlpha = false;
    m_sparkles->prewarmTime = 1.5f;
    m_sparkles->prewarmStep = 0.1f;
    m_sparkles->SetTemplateNode(chart);
    m_sparkles->SetIs2D(true);
    m_sparkles->MoveBy(0.0f, 0.0f, -2.0f);
    m_background->AddChild(m_sparkles);
    m_sparkles->Activate();
    m_sparkles->Prewarm();
}

void ZMapScreen::BuildContinueGlows()
{
    // Two soft glows turn slowly against each other behind the go button.
    const char* names[2] = {"ui/glow_0", "ui/glow_1"};
    const float turn[2] = {-0.314f, 0.785f};
    for (int i = 0; i < 2; ++i)
    {
        auto* glow = ZEntityCast<ZSprite2D>(GetRoot()->FindNode(names[i]));
        if (!glow)
            continue;
        Pulsate(glow, 0.5f, 0.25f, 0.06f, 1.9f + 0.7f * float(i));
        if (ZSprite2DRotate* rotate = ZSprite2DRotate::Create(glow))
            rotate->angularSpeed = turn[i];
    }
}

void ZMapScreen::PulsateBadges()
{
    // The crew badge's glow breathes from nothing to full; the new-stock badges and the bonus
    // games' buttons beat gently so the eye finds them.
    if (m_crewBadge)
        Pulsate(m_crewBadge->FindNode("level_up_glow"), 0.5f, 0.5f, 0.1f, 4.712f);
    for (int i = 0; i < 3; ++i)
    {
        if (m_newStock[i])
            for (ZNode* part = m_newStock[i]->GetFirstChild(); part; part = part->GetNextSibling())
                Pulsate(part, 0.8f, 0.2f, 0.05f * 4.0f, 4.712f);
        if (m_bonusButtons[i])
            Pulsate(m_bonusButtons[i]->GetStatePicture(ZButton2D::kIdle), 1.0f, 0.0f, 0.05f, 4.712f);
    }
}

void ZMapScreen::BuildVolcanoSmoke()
{
    // Smoke rises from the crater and drifts off with the wind.
    auto* anchor = ZEntityCast<ZGeom>(GetRoot()->FindNode("volcano_smoke"));
    ZMaterial* material = ZMaterial::Find("mapsmokematerial");
    if (!anchor || !material)
        return;
    m_smoke = ZParticleEmitterSystem::Create();
    m_smoke->SetName("volcano_smoke_emitter");
    m_smoke->AddTemplate(material);
    m_smoke->SetParticleCount(36);
    m_smoke->particleSize = V2{40.0f, 40.0f};
    m_smoke->sizeMinimum = 0.4f;
    m_smoke->sizeMaximum = 0.7f;
    m_smoke->lifeMinimum = 2.6f;
    m_smoke->lifeMaximum = 4.2f;
    m_smoke->meanLife = 3.4f;
    m_smoke->velocityMinimum = V3{-0.3f, 1.0f, 0.0f};
    m_smoke->velocitySpread = V3{0.6f, 0.0f, 0.0f};
    m_smoke->speedMinimum = 6.0f;
    m_smoke->speedMaximum = 11.0f;
    m_smoke->gravity = V3{4.0f, 3.0f, 0.0f};
    // Growth compounds on every drawn frame (the spin matrix is scaled by 1 + growth / 10 each
    // draw), so it must stay tiny: these puffs about double over a life at 80 frames a second,
    // where 0.35 blew each one up past the whole chart within two seconds.
    m_smoke->growthBase = 0.02f;
    m_smoke->growthSpread = 0.012f;
    m_smoke->spinMinimum = -0.01f;
    m_smoke->spinMaximum = 0.01f;
    m_smoke->SetRandomDirections(-0.01f, 0.01f);
    m_smoke->jitterX = 5.0f;
    m_smoke->drawValues[0] = 0.6f;
    m_smoke->drawValues[1] = 1.8f;
    m_smoke->drawValue2 = 0.7f;
    m_smoke->prewarmTime = 4.0f;
    m_smoke->prewarmStep = 0.1f;
    m_smoke->SetIs2D(true);
    GetRoot()->AddChild(m_smoke);
    const V3 p = anchor->GetWorldPosition();
    m_smoke->SetWorldPosition(V3{p.x, p.y + 3.0f, p.z + kSmokeDepth});
}

void ZMapScreen::BuildFlock()
{
    auto* fishTemplate =
        ZEntityCast<ZSprite>(ZSceneTree::GetInstance()->FindNode("particletemplates/mapboidtemplate"));
    m_flockPath = ZEntityCast<ZSplineNode>(GetRoot()->FindNode("boidpath"));
    if (!fishTemplate || !m_flockPath || !m_flockPath->GetSpline())
    {
        std::fprintf(stderr, "Map: no \"particletemplates/mapboidtemplate\" or \"boidpath\"; no fish\n");
        return;
    }
    m_flockPath->SetHidden(true);
    m_flock = new ZMapFlock();
    m_flock->SetName("mapboids");
    m_flock->SetIs2D(true);
    // The school keeps to the open water of the chart, turning back at its edges.
    m_flock->SetBox(V3{0.0f, 0.0f, 0.0f}, V3{2.0f * 280.0f, 2.0f * 220.0f, 2.0f * 10.0f});
    m_flock->wrap = false;
    m_flock->SetPositionXYZ(0.0f, 0.0f, 60.0f);
    GetRoot()->AddChild(m_flock);

    ZParticleBoid prototype;
    prototype.Reset();
    // Steering is per frame: the goal only leans on the school, so it swims as a loose group
    // rather than gathering on one point.
    prototype.maximumSpeed = 28.0f;
    prototype.nearRadius = 26.0f;
    prototype.farRadius = 80.0f;
    prototype.separationWeight = 4.0f;
    prototype.alignmentWeight = 1.0f;
    prototype.cohesionWeight = 1.2f;
    prototype.goalWeight = 0.02f;
    prototype.wanderWeight = 1.5f;
    prototype.inertia = 1.0f;
    prototype.running = true;
    const V3 start = m_flockPath->GetPointAt(0.0f);
    for (int i = 0; i < kFlockSize; ++i)
    {
        ZNode* copy = fishTemplate->Clone();
        auto* fish = ZEntityCast<ZSprite>(copy);
        if (!fish)
        {
            if (copy)
                copy->Release();
            continue;
        }
        fish->SetNameF("mapfish_%i", i);
        fish->SetIs2D(true);
        // Each fish shows its own heading.
        fish->MakeOwnMaterial();
        fish->SetActive(true);
        fish->SetHidden(false);
        const float s = 0.75f + 0.35f * RandomFloat();
        fish->SetSpriteScale(V2{s, s});
        auto* boid = prototype.Clone();
        boid->position = {start.x + RandomRange(0.0f, 90.0f), start.y + RandomRange(-18.0f, 18.0f), 0.0f};
        boid->velocity = {RandomRange(14.0f, 22.0f), RandomRange(-6.0f, 6.0f), 0.0f};
        m_flock->AddBoid(fish, static_cast<ZParticleBoid*>(boid));
        ZAnimateTexture2D* frames = ZAnimateTexture2D::Create(fish, false);
        frames->frameRate = 0.0f;
        frames->SetActive(true);
        m_fishFrames.push_back(frames);
    }
    UpdateFlock(0.0);
}

void ZMapScreen::UpdateFlock(double dt)
{
    if (!m_flock || !m_flockPath)
        return;
    m_flockPhase = std::fmod(m_flockPhase + kFlockPathSpeed * float(dt), 1.0f);
    V3 goal = m_flockPath->GetPointAt(m_flockPhase);
    m_flock->WorldToLocal(goal);
    m_flock->SetGoal(V3{goal.x, goal.y, 0.0f});
    // Each fish's picture turns with its heading: the strip runs once round from east.
    const auto& boids = m_flock->GetBoids();
    for (size_t i = 0; i < boids.size() && i < m_fishFrames.size(); ++i)
    {
        const V3 v = boids[i]->velocity;
        if (v.x == 0.0f && v.y == 0.0f)
            continue;
        float angle = std::atan2(v.y, v.x);
        if (angle < 0.0f)
            angle += kFullTurn;
        m_fishFrames[i]->lastFrame = -1;
        m_fishFrames[i]->SetPosition(angle / kFullTurn);
    }
}
