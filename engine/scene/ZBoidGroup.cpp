#include "engine/scene/ZBoidGroup.h"

#include <algorithm>
#include <cmath>

#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMatrix.h"
#include "engine/core/ZRandom.h"
#include "engine/scene/ZSprite.h"

namespace
{

constexpr float kZero = 1.0f / 8192.0f;

float Draw()
{
    return float(double(RandomNext()) * 0x1p-32);
}

V3 Normalized(V3 v)
{
    v.Normalize();
    return v;
}

float LengthSquared(const V3& v)
{
    return V3::Dot(v, v);
}

} // namespace

// ZParticleBoid

bool ZParticleBoid::IsNeighbour(const ZParticleBoid& b) const
{
    const V3 d = b.position - position;
    const float d2 = LengthSquared(d);
    if (d2 < nearRadius * nearRadius)
        return true;
    if (d2 > farRadius * farRadius)
        return false;
    return V3::Dot(Normalized(velocity), Normalized(d)) > viewCosine;
}

void ZParticleBoid::Steer(const std::vector<ZParticleBoid*>& boids)
{
    if (!running)
        return;
    std::vector<const ZParticleBoid*> near;
    for (const ZParticleBoid* b : boids)
    {
        if (b && b != this && IsNeighbour(*b))
            near.push_back(b);
    }
    const float c = float(near.size());
    V3 v = velocity * inertia;

    if (separationWeight > kZero)
    {
        V3 sum;
        for (const ZParticleBoid* b : near)
        {
            const V3 d = position - b->position;
            const float d2 = LengthSquared(d);
            if (d2 <= kZero)
            {
                // Two boids on one point: a push in a random direction parts them.
                const float x = Draw();
                const float y = Draw();
                const float z = Draw();
                sum += Normalized({x, y, z}) * 1000.0f;
            }
            else
                sum += d * (1.0f / d2);
        }
        if (c > 0.0f)
            sum *= 1.0f / c;
        v += Normalized(sum) * separationWeight;
    }
    if (alignmentWeight > kZero)
    {
        V3 s;
        for (const ZParticleBoid* b : near)
            s += b->velocity;
        if (c > 1.0f)
            s *= 1.0f / c - 1.0f;
        v += Normalized(s) * alignmentWeight;
    }
    if (cohesionWeight > kZero)
    {
        V3 p;
        for (const ZParticleBoid* b : near)
            p += b->position;
        if (c > 1.0f)
            p *= 1.0f / c - 1.0f;
        v += Normalized(-p) * cohesionWeight;
    }
    if (goalWeight > kZero)
        v += ((goal - position) - velocity) * goalWeight;
    if (wanderWeight > kZero)
    {
        const float u = Draw();
        V3 w = Normalized(velocity);
        w.RotateAxis(u * kPi - (1.0f - u) * kPi, 'z');
        v += w * wanderWeight;
    }
    if (v.Length() > maximumSpeed)
        v = Normalized(v) * maximumSpeed;
    velocity = v;
}

// ZBoidGroup

ZBoidGroup::ZBoidGroup() = default;

ZBoidGroup::~ZBoidGroup()
{
    for (ZParticleBoid* b : m_boids)
        delete b;
    m_boids.clear();
    m_map.clear();
}

ZBoidGroup* ZBoidGroup::Create()
{
    auto* group = new ZBoidGroup();
    group->SetName("boidgroup");
    return group;
}

void ZBoidGroup::AddNode(ZNode* node)
{
    if (!node)
        return;
    auto* boid = new ZParticleBoid();
    boid->running = node->IsActive();
    AddBoid(node, boid);
}

void ZBoidGroup::AddBoid(ZNode* node, ZParticleBoid* boid)
{
    if (!node || !boid)
    {
        delete boid;
        return;
    }
    if (auto* sprite = ZEntityCast<ZSprite>(node))
        boid->SetRadius(sprite->GetSize().x);
    // A node that joins again keeps one boid: the new one.
    if (ZParticleBoid* old = FindBoid(node))
    {
        m_boids.erase(std::find(m_boids.begin(), m_boids.end(), old));
        delete old;
    }
    m_boids.push_back(boid);
    m_map[node] = boid;
    if (node->GetParent() != this)
        AddChild(node);
}

void ZBoidGroup::SetBox(const V3& centre, const V3& size)
{
    m_box.SetCenterSize(centre, size);
}

void ZBoidGroup::SetGoal(const V3& point)
{
    for (ZParticleBoid* b : m_boids)
        b->goal = point;
}

ZParticleBoid* ZBoidGroup::FindBoid(ZNode* node) const
{
    auto it = m_map.find(node);
    return it == m_map.end() ? nullptr : it->second;
}

void ZBoidGroup::RemoveChild(ZNode* child)
{
    ZGroup::RemoveChild(child);
    auto it = m_map.find(child);
    if (it == m_map.end())
        return;
    ZParticleBoid* boid = it->second;
    m_map.erase(it);
    m_boids.erase(std::find(m_boids.begin(), m_boids.end(), boid));
    delete boid;
}

void ZBoidGroup::KeepInBox(ZParticleBoid& boid) const
{
    // No box set yet: nothing to keep the flock in.
    if (m_box.max.x < m_box.min.x || m_box.max.y < m_box.min.y || m_box.max.z < m_box.min.z)
        return;
    V3& p = boid.position;
    const bool outside = p.x > m_box.max.x || p.y > m_box.max.y || p.z > m_box.max.z || p.x < m_box.min.x ||
                         p.y < m_box.min.y || p.z < m_box.min.z;
    if (!outside)
        return;
    const V3 centre = (m_box.max + m_box.min) * 0.5f;
    const V3 half = (m_box.max - m_box.min) * 0.5f;
    float* o[3] = {&p.x, &p.y, &p.z};
    float* vel[3] = {&boid.velocity.x, &boid.velocity.y, &boid.velocity.z};
    const float c[3] = {centre.x, centre.y, centre.z};
    const float e[3] = {half.x, half.y, half.z};
    for (int axis = 0; axis < 3; ++axis)
    {
        float off = *o[axis] - c[axis];
        // A flat axis has nowhere to wrap to.
        const bool wraps = wrap && axis < 2 && e[axis] > 0.0f;
        if (off > e[axis])
        {
            if (wraps)
                // A boid far beyond the box (a long frame) wraps to inside too.
                off = std::fmod(off + e[axis], 2.0f * e[axis]) - e[axis];
            else
            {
                off = e[axis];
                *vel[axis] = -*vel[axis];
            }
        }
        else if (off < -e[axis])
        {
            if (wraps)
                off = e[axis] - std::fmod(e[axis] - off, 2.0f * e[axis]);
            else
            {
                off = -e[axis];
                *vel[axis] = -*vel[axis];
            }
        }
        *o[axis] = c[axis] + off;
    }
}

void ZBoidGroup::Update()
{
    ZGroup::Update();
    for (ZParticleBoid* b : m_boids)
        b->Steer(m_boids);
    const float dt = float(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
    for (auto& [node, boid] : m_map)
    {
        boid->Step(dt);
        if (boundsEnabled)
            KeepInBox(*boid);
        auto* geom = ZEntityCast<ZGeom>(node);
        if (!geom)
            continue;
        geom->SetPosition(boid->position);
        const V3 n = Normalized(boid->velocity);
        M33 orientation;
        orientation.SetFromDirection({-n.y, n.x, -n.z}, {0.0f, 0.0f, 1.0f});
        geom->SetOrientation(orientation);
    }
}
