// Crew charge flights: the pooled controllers, their swinging path and the charge on arrival.
#include "game/dive/crew/ZCharacterCharge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/core/ZRandom.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSpline.h"
#include "game/dive/crew/ZCharacter.h"

namespace
{
constexpr const char* kKindNames[3] = {"break", "move", "time"};
ZMaterial* s_templates[3][2] = {};

// The kinds' templates, found again at each reset: flights outlive the resources of one engine
// (a lookup by name is cheap next to a flight).
void LookUpTemplates()
{
    char name[48];
    for (int kind = 0; kind < 3; ++kind)
    {
        for (int i = 0; i < 2; ++i)
        {
            std::snprintf(name, sizeof name, "particle_charge_%s_%i", kKindNames[kind], i);
            s_templates[kind][i] = ZMaterial::Find(name);
            // Kept loaded: never parked for unloading while no flight holds it.
            if (s_templates[kind][i])
                s_templates[kind][i]->ClearFlags(kResourceManaged);
        }
    }
}

// A uniform number in [0, 1) from the game's one generator.
float Uniform()
{
    return float(double(RandomNext()) / 4294967296.0);
}

ZParticleEmitterSystem* MakeEmitter()
{
    ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
    if (!emitter)
        return nullptr;
    emitter->SetCapacity(40);
    emitter->SetRandomDirections(-3.1415927f, 3.1415927f);
    emitter->speedMinimum = 5.0f;
    emitter->speedMaximum = 25.0f;
    emitter->sizeMinimum = 0.35f;
    emitter->sizeMaximum = 0.8f;
    emitter->lifeMinimum = 0.25f;
    emitter->lifeMaximum = 0.6f;
    emitter->meanLife = 0.4f;
    emitter->growthBase = -0.9f;
    emitter->gravity = {0.0f, 0.0f, 0.0f};
    emitter->SetActive(false);
    return emitter;
}
} // namespace

std::vector<ZCharacterCharge*>& ZCharacterCharge::FreeList()
{
    static std::vector<ZCharacterCharge*> list = [] {
        std::vector<ZCharacterCharge*> made;
        made.reserve(kPoolReserve);
        return made;
    }();
    return list;
}

size_t ZCharacterCharge::GetFreeCount()
{
    return FreeList().size();
}

ZCharacterCharge::~ZCharacterCharge()
{
    auto& list = FreeList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    ReleasePath();
    // An emitter that never joined a layer has no one else to free it.
    if (m_emitter && !m_emitter->GetParent())
    {
        ZParticleEmitterSystem* emitter = m_emitter;
        SetTarget(nullptr);
        m_emitter = nullptr;
        delete emitter;
    }
}

ZCharacterCharge* ZCharacterCharge::Create()
{
    auto* flight = new ZCharacterCharge();
    flight->m_emitter = MakeEmitter();
    flight->SetTarget(flight->m_emitter);
    flight->SetDuration(kFlightSeconds);
    ZSceneTree::GetInstance()->AddChild(flight);
    flight->ResetFlight();
    return flight;
}

ZCharacterCharge* ZCharacterCharge::Acquire()
{
    auto& list = FreeList();
    if (list.empty())
        return Create();
    ZCharacterCharge* flight = list.back();
    list.pop_back();
    flight->m_free = false;
    if (flight->IsActive())
        flight->SetActive(false);
    flight->ResetFlight();
    // A layer that went away took the emitter with it: a new one.
    if (!flight->m_emitter || flight->GetTarget() != flight->m_emitter)
    {
        flight->m_emitter = MakeEmitter();
        flight->SetTarget(flight->m_emitter);
        ZSceneTree::GetInstance()->AddChild(flight);
    }
    return flight;
}

void ZCharacterCharge::ReleasePath()
{
    SetSpline(nullptr);
    delete m_path;
    m_path = nullptr;
}

void ZCharacterCharge::ResetFlight()
{
    LookUpTemplates();
    ReleasePath();
    kind = -1;
    amount = 1.0f;
    factor = 1.0f;
    groupSize = 0;
    member = nullptr;
    m_flying = false;
    if (m_emitter && GetTarget() == m_emitter)
    {
        m_emitter->ClearTemplates();
        m_emitter->ResetParticles();
        if (m_emitter->IsActive())
            m_emitter->SetActive(false);
    }
}

void ZCharacterCharge::SetKind(int k)
{
    kind = k;
    if (!m_emitter || GetTarget() != m_emitter)
        return;
    m_emitter->ClearTemplates();
    if (k < 0 || k > 2)
        return;
    for (ZMaterial* material : s_templates[k])
    {
        if (material)
            m_emitter->AddTemplate(material);
    }
}

void ZCharacterCharge::SetPath(const V3& start, const V3& end)
{
    ReleasePath();
    m_start = start;
    m_end = end;
    // Across the line, in the screen plane.
    V3 across{-(end.y - start.y), end.x - start.x, 0.0f};
    const float length = std::sqrt(across.x * across.x + across.y * across.y);
    if (length > 0.0001f)
        across = across * (1.0f / length);
    else
        across = V3{0.0f, 1.0f, 0.0f};
    const float s1 = -(20.0f + 20.0f * Uniform());
    const float s2 = 20.0f + 20.0f * Uniform();
    m_inner[0] = start * 0.66f + end * 0.34f + across * s1;
    m_inner[1] = start * 0.33f + end * 0.67f + across * s2;
    auto* spline = ZSpline::Create();
    spline->SetType(kSplineCatmullRom);
    for (const V3& p : {m_start, m_inner[0], m_inner[1], m_end})
        spline->AddKnot(ZSplineKnot::Create(V4{p.x, p.y, p.z, 0.0f}));
    m_path = ZSplineNode::Create();
    m_path->SetSpline(spline);
    SetSpline(m_path);
}

void ZCharacterCharge::Launch(ZNode* parent)
{
    if (m_emitter && GetTarget() == m_emitter && parent && m_emitter->GetParent() != parent)
        parent->AddChild(m_emitter);
    m_flying = true;
    if (IsActive())
        SetActive(false);
    SetActive(true);
}

void ZCharacterCharge::Start()
{
    const float a = std::clamp(float(groupSize - 3) * 0.25f, 0.0f, 1.0f);
    m_intensity = 0.3f + 0.7f * a;
    if (m_emitter && GetTarget() == m_emitter)
    {
        m_emitter->SetActive(false);
        m_emitter->SetIntensity(m_intensity);
        m_emitter->SetActive(true);
    }
    ZInterpolateSpline::Start();
}

void ZCharacterCharge::NodeGone(ZNode* node)
{
    if (node == m_emitter)
        m_emitter = nullptr;
    ZInterpolateSpline::NodeGone(node);
}

void ZCharacterCharge::FireEnded()
{
    ZCharacter* receiver = member;
    const int colour = kind;
    const float carried = amount;
    const float scale = factor;
    ZInterpolateSpline::FireEnded();
    if (!m_flying)
        return;
    m_flying = false;
    if (receiver)
        receiver->Charge(colour, carried, scale);
    if (m_emitter && GetTarget() == m_emitter)
        m_emitter->SetActive(false);
    if (!m_free)
    {
        m_free = true;
        FreeList().push_back(this);
    }
}
