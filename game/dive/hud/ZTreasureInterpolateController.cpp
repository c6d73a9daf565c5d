// Treasure flying from the board to the chest, and artifacts flying to the end-of-level screen.
#include "game/dive/hud/ZTreasureInterpolateController.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/core/ZEasing.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSpline.h"
#include "engine/ui/ZSprite2D.h"
#include "game/common/IGameShell.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/hud/ZTreasureBar.h"

namespace
{
constexpr float kTreasureSpriteSize = 40.0f;

// The flights' own generator (xorshift): the swings vary from flight to flight and from run to run
// the same way, without touching the game's generator.
float FlightRandom()
{
    static uint32_t state = 0x9E3779B9u;
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return float(state >> 8) / 16777216.0f;
}
} // namespace

void ZTreasureInterpolateController::ApplyValue(float t)
{
    ZInterpolateSpline::ApplyValue(t);
    auto* group = ZEntityCast<ZGeom>(GetTarget());
    if (!group)
        return;
    // The newest position first; each trail sprite sits where the treasure was two frames earlier
    // than the one before it, placed relative to the moving group.
    const V3 now = group->GetWorldPosition();
    for (int i = kTrail * 2 - 1; i > 0; --i)
        m_history[i] = m_history[i - 1];
    m_history[0] = now;
    m_historyCount = std::min(m_historyCount + 1, kTrail * 2);
    for (int i = 0; i < kTrail; ++i)
    {
        ZSprite2D* dot = m_trail[i];
        if (!dot)
            continue;
        const int back = std::min(2 * i + 1, m_historyCount - 1);
        const V3& was = m_history[back];
        dot->SetPositionXYZ(was.x - now.x, was.y - now.y, 1.0f + float(i));
        dot->SetHidden(back <= 0);
    }
}

void ZTreasureInterpolateController::PathKnots(const V3& start, const V3& end, float r1, float r2, V3 out[4])
{
    V3 d{end.x - start.x, end.y - start.y, 0.0f};
    const float length = std::sqrt(d.x * d.x + d.y * d.y);
    // The unit vector across the flight in the screen plane.
    V3 across = length > 0.0f ? V3{-d.y / length, d.x / length, 0.0f} : V3{0.0f, 1.0f, 0.0f};
    const float first = r1 * -100.0f - (1.0f - r1) * 50.0f;
    const float second = r2 * 100.0f + (1.0f - r2) * 50.0f;
    out[0] = start;
    out[1] = {start.x * 0.66f + end.x * 0.34f + across.x * first, start.y * 0.66f + end.y * 0.34f + across.y * first,
              start.z * 0.66f + end.z * 0.34f};
    out[2] = {start.x * 0.33f + end.x * 0.67f + across.x * second,
              start.y * 0.33f + end.y * 0.67f + across.y * second, start.z * 0.33f + end.z * 0.67f};
    out[3] = end;
}

ZTreasureInterpolateController* ZTreasureInterpolateController::Launch(int value, const char* materialName,
                                                                       const V3& start, const V3& end,
                                                                       ZTextureResource* texture, double duration,
                                                                       ZNode* layer)
{
    ZSprite2D* sprite = nullptr;
    if (texture)
        sprite = ZSprite2D::CreateFromTexture(texture);
    else if (ZMaterial* material = ZMaterial::Find(materialName))
        sprite = ZSprite2D::CreateWithMaterial(material);
    else
        sprite = ZSprite2D::Create();
    sprite->SetName("treasureflight");
    sprite->SetSize(kTreasureSpriteSize, kTreasureSpriteSize);
    ZGroup* group = ZGroup::Create();
    group->SetName("treasureflightgroup");
    group->AddChild(sprite);
    if (layer)
        layer->AddChild(group);
    else
        ZSceneTree::GetInstance()->AddChild(group);

    auto* flight = new ZTreasureInterpolateController();
    flight->SetName("treasureflightcontroller");
    ZSceneTree::GetInstance()->AddChild(flight);
    // A trail of sparkles behind the treasure, smaller and fainter the further back.
    ZMaterial* sparkle = ZMaterial::Find("sprinklyparticlematerial");
    for (int i = 0; i < kTrail; ++i)
    {
        ZSprite2D* dot = sparkle ? ZSprite2D::CreateWithMaterial(sparkle) : ZSprite2D::Create();
        dot->SetName("treasuresparkle");
        const float size = 22.0f - 2.5f * float(i);
        dot->SetSize(size, size);
        dot->SetAlpha(0.8f - 0.12f * float(i));
        dot->SetPositionXYZ(0.0f, 0.0f, 1.0f + float(i));
        dot->SetHidden(true);
        group->AddChild(dot);
        flight->m_trail[i] = dot;
    }

    flight->SetTarget(group);
    flight->m_start = start;
    flight->m_end = end;
    flight->SetDuration(duration);
    flight->SetEasing(EaseOutQuad);
    flight->BuildPath();
    flight->m_value = value;
    flight->SetReleaseSelfAtEnd(true);
    flight->SetReleaseTargetAtEnd(true);
    PlaceAtWorldPoint(group, start);
    flight->SetActive(true);
    return flight;
}

void ZTreasureInterpolateController::BuildPath()
{
    if (m_path)
        return;
    V3 knots[4];
    const float r1 = FlightRandom();
    const float r2 = FlightRandom();
    PathKnots(m_start, m_end, r1, r2, knots);
    ZSpline* spline = ZSpline::Create();
    for (const V3& k : knots)
        spline->AddKnot(ZSplineKnot::Create(V4{k.x, k.y, k.z, 1.0f}));
    // The path is the controller's child, so it goes with it.
    m_path = ZSplineNode::Create();
    m_path->SetSpline(spline);
    AddChild(m_path);
    SetSpline(m_path);
}

void ZTreasureInterpolateController::Reset()
{
    ZInterpolateSpline::Reset();
    SetReleaseSelfAtEnd(true);
    SetReleaseTargetAtEnd(true);
    if (m_path)
    {
        m_path->Release();
        m_path = nullptr;
    }
    m_value = 0;
}

ZTreasureInterpolateController::~ZTreasureInterpolateController()
{
    // Paid also when the flight is cut short, so no treasure is lost with the screen.
    if (m_value != 0)
    {
        if (ZTreasureBar* bar = ZTreasureBar::PeekInstance())
        {
            --bar->m_flights;
            bar->AddTreasure(m_value);
        }
    }
    SetSpline(nullptr);
    // A flight cut short still holds its sprite (releasing twice is harmless).
    if (ZNode* carried = GetTarget())
        carried->Release();
}

// --- artifact to cash

ZArtifactToCash* ZArtifactToCash::Create(ZNode* parent, ZTextureResource* texture, const V3& start, const V3& end)
{
    auto* flight = new ZArtifactToCash();
    flight->SetName("artifacttocash");
    ZSceneTree::GetInstance()->AddChild(flight);
    flight->Reset();
    if (texture && flight->m_sprite)
        flight->m_sprite->SetTexture(texture, true);
    if (parent)
        parent->AddChild(flight->m_sprite);
    flight->start = start;
    flight->end = end;
    flight->SetActive(true);
    return flight;
}

void ZArtifactToCash::Reset()
{
    ZInterpolateWorldPos::Reset();
    SetDuration(kDuration);
    if (!m_sprite)
    {
        m_sprite = ZSprite2D::Create();
        m_sprite->SetName("artifactcash");
        m_sprite->SetSize(64.0f, 64.0f);
    }
    SetTarget(m_sprite);
    SetReleaseSelfAtEnd(true);
    SetReleaseTargetAtEnd(true);
    SetEasing(EaseOutCubicQuartic);
}

void ZArtifactToCash::ApplyValue(float t)
{
    ZInterpolateWorldPos::ApplyValue(t);
    // It leaves at the completion bar's slot size and lands at full size.
    const float s = ZCompletionBar::kSlotScale;
    const float scale = t + (1.0f - t) * s;
    if (m_sprite)
        m_sprite->SetScale({scale, scale, 1.0f});
}
