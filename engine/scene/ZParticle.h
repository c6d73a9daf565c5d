#pragma once
// Motion state of a free-flying object: sprite particles and boids keep one and let it integrate
// velocity, acceleration, spin, size and alpha each frame; the node then copies the result.
// Also the small quaternion toolkit the state's rotation is built on.
#include <cstdint>

#include "engine/core/ZEntity.h"
#include "engine/core/ZMatrix.h"
#include "engine/core/ZVector.h"

// Components in the order w, x, y, z; the default is the identity.
struct ZQuaternion
{
    float w = 1.0f;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// a := a x b (Hamilton product).
void QuaternionMultiply(ZQuaternion& a, const ZQuaternion& b);
// Takes the shorter arc; nearly parallel inputs (dot >= 0.95) blend linearly and renormalize.
ZQuaternion QuaternionSlerp(const ZQuaternion& a, const ZQuaternion& b, float t);
ZQuaternion QuaternionNlerp(const ZQuaternion& a, const ZQuaternion& b, float t);
// A zero quaternion stays as it is.
void QuaternionNormalize(ZQuaternion& q);
bool QuaternionIsIdentity(const ZQuaternion& q);
void QuaternionToMatrix(const ZQuaternion& q, M33& out);
ZQuaternion QuaternionFromMatrix(const M33& m);

// Particle state flags.
enum EParticleFlags : uint16_t
{
    kParticleMoving = 0x1,
    kParticleSpinning = 0x2,
    kParticleTimed = 0x4,
    kParticleAccelerating = 0x20,
    kParticleSizing = 0x1000,
    kParticleFading = 0x2000,
};

class ZParticle : public ZEntity
{
public:
    ZParticle() = default;
    ~ZParticle() override = default;

    virtual ZParticle* Clone() const;
    // Integrates one step of dt seconds; nothing while not running.
    virtual void Step(double dt);
    // Every field to its default.
    virtual void Reset();

    // Velocity and acceleration set their flag when at least 1/8192 long, and clear it otherwise.
    void SetVelocity(const V3& v);
    void SetAcceleration(const V3& a);
    // Spinning unless the quaternion is the identity.
    void SetSpin(const ZQuaternion& q);
    // Timed: running stops once the time has run out.
    void SetTimeout(double seconds);
    // q = rotation of `angle` radians about the axis (x, y, z).
    static void SetRotationAngle(ZQuaternion& q, float x, float y, float z, float angle);

    V3 position;
    float positionW = 0.0f;
    V3 velocity;
    V3 acceleration;
    ZQuaternion rotation;
    ZQuaternion spin;
    float extra[2] = {0.0f, 0.0f};
    bool running = false;
    double timeout = 0.0;
    uint16_t flags = kParticleMoving;
};

class ZParticleEx : public ZParticle
{
public:
    ZParticleEx() = default;

    ZParticle* Clone() const override;
    void Step(double dt) override;
    void Reset() override;

    void SetSizeSpeed(const V2& v);
    void SetAlphaSpeed(float s);

    V2 size = {1.0f, 1.0f};
    V2 sizeSpeed;
    float alpha = 1.0f;
    float alphaSpeed = 0.0f;
};
