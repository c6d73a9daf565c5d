#pragma once
// Boid flocks: a group whose children swim as a flock. Every child has a boid that steers by
// separation, alignment, cohesion, a goal and a random wander; the group moves the boids, keeps
// them inside its box (wrapping or bouncing) and places and turns each child after its boid.
//
// The particle state that boids share with sprite particles is not part of the engine yet: until
// it is, ZParticleBoid carries the few particle fields a boid uses (position, velocity, running,
// radius) and its own Step. When the shared state lands, it becomes the boid's base and these
// fields and Step go.
#include <cstdint>
#include <map>
#include <vector>

#include "engine/core/ZBoundingBox.h"
#include "engine/core/ZVector.h"
#include "engine/scene/ZGeom.h"

class ZParticleBoid
{
public:
    ZParticleBoid() = default;
    ZParticleBoid(const ZParticleBoid& source) = default;
    ZParticleBoid& operator=(const ZParticleBoid& source) = default;
    virtual ~ZParticleBoid() = default;

    virtual ZParticleBoid* Clone() const { return new ZParticleBoid(*this); }
    // Every field back to its default.
    virtual void Reset() { *this = ZParticleBoid(); }
    // The new velocity from the other boids of the flock, while running.
    virtual void Steer(const std::vector<ZParticleBoid*>& boids);
    // Position moves by the velocity over dt seconds.
    virtual void Step(float dt);

    // `b` counts as a neighbour: always inside the near radius, never beyond the far radius, and
    // between them only ahead of the heading (by the view cosine).
    bool IsNeighbour(const ZParticleBoid& b) const;

    // Particle fields (see the header comment).
    V3 position;
    V3 velocity;
    bool running = true;
    float radius = 0.0f;

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
