// The whale's chain of parts: built once from the layout, then laid along the current path each
// frame from the tail's end forwards, so that every part keeps its own length behind the one ahead.
#include "game/decoration/ZWhaleMover.h"

#include <cmath>
#include <cstdio>

#include "engine/core/ZMath.h"
#include "engine/core/ZRandom.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSpline.h"
#include "engine/scene/ZSprite.h"

namespace
{
constexpr float kTiny = 1.0f / 8192.0f;
// Tail beat and fluke turn: 0.08 pi and 0.07 pi radians at most, 0.3 beats a second.
constexpr float kTailSwing = 0.25132742524147034f;
constexpr float kFlukeSwing = 0.21991148591041565f;
constexpr double kBeatsPerSecond = 0.3;

V3 WorldOrigin(const ZGeom* node)
{
    V3 p{0.0f, 0.0f, 0.0f};
    node->LocalToWorld(p);
    return p;
}

// A rotation about z whose x axis points along the direction (in the plane); the identity for a
// direction too short to tell.
M33 RotationAlong(const V3& direction)
{
    M33 m;
    m.SetIdentity();
    const float length = std::sqrt(direction.x * direction.x + direction.y * direction.y);
    if (length < kTiny)
        return m;
    const float c = direction.x / length, s = direction.y / length;
    m.SetRow(0, {c, s, 0.0f});
    m.SetRow(1, {-s, c, 0.0f});
    m.SetRow(2, {0.0f, 0.0f, 1.0f});
    return m;
}
} // namespace

void ZWhaleMover::SetNodes(ZGeom* root, ZNode* tailParent)
{
    m_root = root;
    m_tailParent = tailParent;
}

void ZWhaleMover::AddPath(ZSplineNode* path)
{
    if (!path || !path->GetSpline())
        return;
    path->GetSpline()->BuildSampleTable();
    m_paths.push_back(path);
}

int ZWhaleMover::Build()
{
    m_built = false;
    if (!m_root)
        return 1;
    ZNode* tailParent = m_tailParent ? m_tailParent : m_root;
    // Everything is looked up first: a layout missing a part leaves the whale out whole.
    ZSprite* parts[kParts] = {};
    ZGeom* pivots[kParts + 1] = {};
    char name[32];
    for (int k = 1; k <= kParts + 1; ++k)
    {
        std::snprintf(name, sizeof(name), "center_%i", k);
        pivots[k - 1] = ZEntityCast<ZGeom>(m_root->FindNodeAnywhere(name));
        if (k <= kParts)
        {
            std::snprintf(name, sizeof(name), "whale_%i", k);
            parts[k - 1] = ZEntityCast<ZSprite>(m_root->FindNodeAnywhere(name));
        }
        if (!pivots[k - 1] || (k <= kParts && !parts[k - 1]))
        {
            std::fprintf(stderr, "Whale: the layout has no \"%s\"; the whale stays out\n", name);
            return 1;
        }
    }
    V3 previous;
    for (int k = 1; k <= kParts; ++k)
    {
        ZGeom* pivot = pivots[k - 1];
        ZSprite* part = parts[k - 1];
        pivot->SetHidden(true);
        const V3 at = WorldOrigin(pivot);
        if (k >= 2)
            m_lengths[k - 2] = V3::Distance(at, previous);
        previous = at;

        ZGroup* joint = ZGroup::CreateNamed(part->GetName());
        (k < kParts ? static_cast<ZNode*>(m_root) : tailParent)->AddChild(joint);
        joint->SetWorldTransform(at, M33{});
        // The part keeps its place relative to the pivot, so turning the joint turns the part
        // about the pivot.
        _M44 world;
        part->GetWorldMatrix(world);
        if (ZNode* parent = part->GetParent())
            parent->RemoveChild(part);
        joint->AddChild(part);
        part->SetWorldMatPos(world);
        const V3& p = part->Position();
        part->SetPositionXYZ(p.x, p.y, float(k - 1));
        if (ZMaterial* material = part->GetMaterial())
            material->SetBoolFlag(true);
        m_joints[k - 1] = joint;
        m_parts[k - 1] = part;
    }
    m_lengths[kParts - 1] = V3::Distance(WorldOrigin(pivots[kParts]), previous);
    pivots[kParts]->SetHidden(true);
    m_built = true;
    return 0;
}

void ZWhaleMover::DrawNextPath()
{
    if (m_paths.empty())
        return;
    m_current = int((RandomNext() / 2u) % uint32_t(m_paths.size()));
}

void ZWhaleMover::Start(double now)
{
    m_start = now;
    DrawNextPath();
}

V4 ZWhaleMover::BlendColour(const V4& a, const V4& b, float f)
{
    return {a.x * (1.0f - f) + b.x * f, a.y * (1.0f - f) + b.y * f, a.z * (1.0f - f) + b.z * f,
            a.w * (1.0f - f) + b.w * f};
}

void ZWhaleMover::Update(double now)
{
    // Without a chain or a path there is nothing to swim (and no path to draw among).
    if (!m_built || m_paths.empty())
        return;
    const double u = (now - m_start) / kSwimSeconds;
    if (u > 1.0)
    {
        m_start = now + 3.0 + 15.0 * double(RandomFloat());
        DrawNextPath();
        return;
    }
    if (u < 0.0)
        return;
    ZSplineNode* path = m_paths[size_t(m_current) < m_paths.size() ? size_t(m_current) : 0];
    const float length = path->GetSpline()->GetLength();
    const float t0 = float(u);
    m_tint = BlendColour(ColorFromARGB(kTintStart), ColorFromARGB(kTintEnd), t0);

    // From the tail's end forwards: each part lies its own length ahead of the one behind it, on
    // the arc-length parameter of the path, and faces away from it.
    V3 points[kParts];
    M33 turns[kParts];
    V3 behind = path->GetPointAt(t0);
    float along = 0.0f;
    const double beat = 2.0 * kPi * kBeatsPerSecond * now;
    for (int i = kParts - 1; i >= 0; --i)
    {
        along += m_lengths[i];
        const float t = length > kTiny ? t0 + along / length : t0;
        points[i] = path->GetPointAt(t);
        M33 turn = RotationAlong(behind - points[i]);
        float extra = 0.0f;
        if (i == kParts - 2)
            extra = kTailSwing * float(std::sin(beat));
        else if (i == kParts - 1)
            extra = kFlukeSwing * float(std::sin(beat - kPi / 2.0));
        if (extra != 0.0f)
        {
            M33 swing;
            swing.SetRotationZ(extra);
            M33::Multiply(swing, turn, turn);
        }
        turns[i] = turn;
        behind = points[i];
    }
    // Parents first: the fluke's joint hangs below the tail's. A sprite is drawn turned by its own
    // orientation only, so each part carries its joint's turn as well; the fluke's joint is put on
    // its point too, since the tail part's own turn would otherwise carry it a second time.
    for (int i = 0; i < kParts; ++i)
    {
        ZGroup* joint = m_joints[i];
        const float depth = joint->Position().z;
        joint->SetWorldTransform(points[i], turns[i]);
        if (i < kParts - 1)
        {
            const V3& p = joint->Position();
            joint->SetPositionXYZ(p.x, p.y, depth);
        }
        if (ZSprite* part = m_parts[i])
        {
            part->SetOrientation(turns[i]);
            if (ZMaterial* material = part->GetMaterial())
                material->SetColor(0, m_tint);
        }
    }
}
