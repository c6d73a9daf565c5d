// Particle state integration and the quaternion toolkit.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/ZMath.h"
#include "engine/scene/ZParticle.h"

namespace
{

void StepFor(ZParticle& p, double seconds, double dt = 0.01)
{
    for (double t = 0.0; t < seconds - 1e-9; t += dt)
        p.Step(dt);
}

TEST(ParticleState, FadingStopsAtZeroAndStaysThere)
{
    ZParticleEx p;
    p.running = true;
    p.SetAlphaSpeed(-2.0f);
    StepFor(p, 0.49);
    EXPECT_GT(p.alpha, 0.0f);
    EXPECT_TRUE(p.flags & kParticleFading);
    StepFor(p, 0.03);
    EXPECT_EQ(p.alpha, 0.0f);
    EXPECT_FALSE(p.flags & kParticleFading);
    StepFor(p, 1.0);
    EXPECT_EQ(p.alpha, 0.0f);
}

TEST(ParticleState, ShrinkingStopsAtZeroSize)
{
    ZParticleEx p;
    p.running = true;
    p.SetSizeSpeed({-1.0f, -1.0f});
    StepFor(p, 1.01);
    EXPECT_EQ(p.size.x, 0.0f);
    EXPECT_EQ(p.size.y, 0.0f);
    EXPECT_FALSE(p.flags & kParticleSizing);
}

TEST(ParticleState, MotionFlagsFollowTheSetters)
{
    ZParticleEx p;
    p.running = true;
    p.SetVelocity({1e-5f, 0.0f, 0.0f});
    EXPECT_FALSE(p.flags & kParticleMoving);
    p.Step(1.0);
    EXPECT_EQ(p.position.x, 0.0f);
    p.SetVelocity({10.0f, 0.0f, 0.0f});
    p.SetAcceleration({0.0f, -10.0f, 0.0f});
    p.Step(0.5);
    // Velocity first, then position with the new velocity.
    EXPECT_FLOAT_EQ(p.velocity.y, -5.0f);
    EXPECT_FLOAT_EQ(p.position.x, 5.0f);
    EXPECT_FLOAT_EQ(p.position.y, -2.5f);
    p.SetSpin(ZQuaternion{});
    EXPECT_FALSE(p.flags & kParticleSpinning);
}

TEST(ParticleState, TimeoutStopsRunningAndFreezesTheState)
{
    ZParticleEx p;
    p.running = true;
    p.SetTimeout(1.5);
    p.SetVelocity({1.0f, 0.0f, 0.0f});
    StepFor(p, 1.4, 0.1);
    EXPECT_TRUE(p.running);
    StepFor(p, 0.2, 0.1);
    EXPECT_FALSE(p.running);
    const float x = p.position.x;
    p.Step(1.0);
    EXPECT_EQ(p.position.x, x);
}

TEST(ParticleState, SpinTurnsAtItsRatePerSecond)
{
    ZParticle p;
    p.running = true;
    ZQuaternion spin;
    ZParticle::SetRotationAngle(spin, 0.0f, 0.0f, 1.0f, kHalfPi);
    p.SetSpin(spin);
    StepFor(p, 1.0, 0.05);
    EXPECT_NEAR(p.rotation.w, std::cos(kHalfPi / 2.0f), 1e-4f);
    EXPECT_NEAR(p.rotation.z, std::sin(kHalfPi / 2.0f), 1e-4f);
}

TEST(ParticleState, CloneKeepsTheExtendedState)
{
    ZParticleEx p;
    p.alpha = 0.25f;
    p.size = {3.0f, 4.0f};
    ZParticle* copy = p.Clone();
    auto* ex = dynamic_cast<ZParticleEx*>(copy);
    ASSERT_NE(ex, nullptr);
    EXPECT_EQ(ex->alpha, 0.25f);
    EXPECT_EQ(ex->size.y, 4.0f);
    ex->Reset();
    EXPECT_EQ(ex->alpha, 1.0f);
    EXPECT_EQ(ex->flags, kParticleMoving);
    delete copy;
}

TEST(Quaternion, SlerpOfNearQuaternionsTakesTheNormalizedLinearPath)
{
    // dot 0.99 with the identity.
    ZQuaternion b{0.99f, std::sqrt(1.0f - 0.99f * 0.99f), 0.0f, 0.0f};
    const ZQuaternion r = QuaternionSlerp(ZQuaternion{}, b, 0.5f);
    const float lw = 0.995f, lx = b.x * 0.5f;
    const float length = std::sqrt(lw * lw + lx * lx);
    EXPECT_NEAR(r.w, lw / length, 1e-6f);
    EXPECT_NEAR(r.x, lx / length, 1e-6f);
}

TEST(Quaternion, SlerpTakesTheShorterArc)
{
    ZQuaternion a;
    ZQuaternion b;
    ZParticle::SetRotationAngle(b, 0.0f, 0.0f, 1.0f, kHalfPi);
    b = {-b.w, -b.x, -b.y, -b.z};
    const ZQuaternion r = QuaternionSlerp(a, b, 0.5f);
    EXPECT_NEAR(r.w, std::cos(kPi / 8.0f), 1e-5f);
    EXPECT_NEAR(r.z, std::sin(kPi / 8.0f), 1e-5f);
}

TEST(Quaternion, MatrixRoundTripOnEveryBranch)
{
    struct Case
    {
        float x, y, z, angle;
    };
    // Small angles take the trace branch; half turns about each axis take the diagonal ones.
    for (const Case& c : {Case{0, 0, 1, 0.3f}, Case{1, 0, 0, kPi}, Case{0, 1, 0, kPi}, Case{0, 0, 1, kPi},
                          Case{0.6f, 0.8f, 0.0f, 2.5f}})
    {
        ZQuaternion q;
        ZParticle::SetRotationAngle(q, c.x, c.y, c.z, c.angle);
        M33 m;
        QuaternionToMatrix(q, m);
        ZQuaternion back = QuaternionFromMatrix(m);
        if (back.w * q.w + back.x * q.x + back.y * q.y + back.z * q.z < 0.0f)
            back = {-back.w, -back.x, -back.y, -back.z};
        EXPECT_NEAR(back.w, q.w, 1e-5f);
        EXPECT_NEAR(back.x, q.x, 1e-5f);
        EXPECT_NEAR(back.y, q.y, 1e-5f);
        EXPECT_NEAR(back.z, q.z, 1e-5f);
    }
}

TEST(Quaternion, MultiplyComposesRotations)
{
    ZQuaternion a;
    ZQuaternion b;
    ZParticle::SetRotationAngle(a, 0.0f, 0.0f, 1.0f, 0.5f);
    ZParticle::SetRotationAngle(b, 0.0f, 0.0f, 1.0f, 0.7f);
    QuaternionMultiply(a, b);
    EXPECT_NEAR(a.w, std::cos(0.6f), 1e-6f);
    EXPECT_NEAR(a.z, std::sin(0.6f), 1e-6f);
    EXPECT_TRUE(QuaternionIsIdentity(ZQuaternion{}));
    EXPECT_FALSE(QuaternionIsIdentity(a));
}

} // namespace
