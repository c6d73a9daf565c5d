#pragma once
// Boid flocks: a group whose children swim as a flock. Every child has a boid that steers by
// separation, alignment, cohesion, a goal and a random wander; the group moves the boids, keeps
// them inside its box (wrapping or bouncing) and places and turns each child after its boid.
//
// A boid is a particle state (ZParticleEx) with steering fields: the group integrates it with the
// particle's own Step, so boids also size and fade like sprite particles.
#include <cstdint>
#include <map>
#include <vector>

#include "engine/core/ZBoundingBox.h"
#include "engine/core/ZVector.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZParticle.h"

class ZParticleBoid : public ZParticleEx
{
public:
    // A new boid runs: it swims from the frame it joins a flock.
    ZParticleBoid() { running = true; }
    ZParticleBoid(const ZParticleBoid& source) = default;
    ZParticleBoid& operator=(const ZParticleBoid& source) = default;

    ZParticleBoid* Clone() const override { return new ZParticleBoid(*this); }
    // Every particle and boid field back to its default.
    void Reset() override { *this = ZParticleBoid(); }
    // The new velocity from the other boids of the flock, while running.
    virtual void Steer(const std::vector<ZParticleBoid*>& boids);

    // `b` counts as a neighbour: always inside the near radius, never beyond the far radius, and
    // between them only ahead of the heading (by the view cosine).
    bool IsNeighbour(const ZParticleBoid& b) const;

    // The boid's size in the flock: the first spare particle field (a sprite child's width).
    float GetRadius() const { return extra[0]; }
    void SetRadius(float r) { extra[0] = r; }

    float nearRadius = 50.0f;
    float farRadius = 100.0f;
    float viewCosine = -0.5f;
    float separationWeight = 2.0f;
    float alignmentWeight = 0.5f;
    float cohesionWeight = 1.0f;
    float goalWeight = 0.0f;
    float wanderWeight = 0.0f;
    float inertia = 1.0f;
    float maximumSpeed = 80.0f;
    float spare[2] = {0.0f, 0.0f};
    V3 goal;
};

class ZBoidGroup : public ZGroup
{
    QV_TYPE_RECORD(ZBoidGroup, &ZGroup::kTypeRecord)

public:
    ZBoidGroup();
    ~ZBoidGroup() override;

    // An empty flock named "boidgroup", bounds and wrap on.
    static ZBoidGroup* Create();

    // The node joins the flock with a boid of the defaults, running when the node is active.
    virtual void AddNode(ZNode* node);
    // The node joins with the given boid (the group owns it); a sprite gives the boid its width.
    virtual void AddBoid(ZNode* node, ZParticleBoid* boid);
    // Box = centre +- size / 2.
    virtual void SetBox(const V3& centre, const V3& size);
    void SetGoal(const V3& point);

    void Update() override;
    // The node's boid leaves the flock and is freed.
    void RemoveChild(ZNode* child) override;

    ZParticleBoid* FindBoid(ZNode* node) const;
    const std::vector<ZParticleBoid*>& GetBoids() const { return m_boids; }
    const ZBoundingBox& GetBox() const { return m_box; }

    bool boundsEnabled = true;
    bool wrap = true;

private:
    void KeepInBox(ZParticleBoid& boid) const;

    std::vector<ZParticleBoid*> m_boids;
    std::map<ZNode*, ZParticleBoid*> m_map;
    ZBoundingBox m_box;
};
