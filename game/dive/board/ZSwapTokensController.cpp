// The board's token movement controllers: the swap with its swap back, the artifact's flight to
// the completion bar and the hint's pulsing ring.
#include "game/dive/board/ZSwapTokensController.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/audio/ZSound.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSpline.h"
#include "engine/ui/ZGameSprite.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/model/ZTile.h"
#include "game/dive/model/ZToken.h"

namespace
{
float PlaneDistance(const V3& a, const V3& b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}
} // namespace

// ZSwapTokensController

ZSwapTokensController* ZSwapTokensController::Create(ZToken* a, ZToken* b, bool matchCheck, float duration)
{
    auto* swap = new ZSwapTokensController();
    swap->m_a = a;
    swap->m_b = b;
    swap->m_tileA = a->getTile();
    swap->m_tileB = b->getTile();
    swap->m_matchCheck = matchCheck;
    swap->SetTarget(a);
    ZSceneTree::GetInstance()->AddChild(swap);
    swap->SetReleaseSelfAtEnd(true);

    // A swap started while the tokens are still apart from their tiles takes its share of the time.
    const V3 tokenA = ZGeom::WorldPositionOf(a), tokenB = ZGeom::WorldPositionOf(b);
    const float tileDistance =
        PlaneDistance(ZGeom::WorldPositionOf(swap->m_tileA), ZGeom::WorldPositionOf(swap->m_tileB));
    double seconds = duration;
    if (tileDistance > 0.0f)
        seconds = double(duration) * PlaneDistance(tokenA, tokenB) / tileDistance;
    swap->SetDuration(seconds);
    swap->SetUpPaths(false);

    // Both tokens join one landing group, so their landings resolve together.
    a->joinMovementGroup(swap->m_tileB);
    b->joinMovementGroup(swap->m_tileA);
    for (ZToken* token : {a, b})
        token->setSwapController(swap);
    swap->SetActive(true);
    return swap;
}

ZSwapTokensController::~ZSwapTokensController()
{
    std::vector<ZInterpolateBaseListener*> listening;
    Progress::Deliver([&](ZInterpolateBaseListener* l) { listening.push_back(l); });
    for (ZToken* token : {m_a, m_b})
    {
        if (token && std::find(listening.begin(), listening.end(), token) != listening.end() &&
            token->getSwapController() == this)
            token->setSwapController(nullptr);
    }
}

void ZSwapTokensController::SetUpPaths(bool back)
{
    m_tilePosA = ZGeom::WorldPositionOf(m_tileA);
    m_tilePosB = ZGeom::WorldPositionOf(m_tileB);
    V3 liftedA = m_tilePosA, liftedB = m_tilePosB;
    liftedA.z -= 30.0f;
    liftedB.z -= 30.0f;
    ZTile* const tiles[2] = {m_tileA, m_tileB};
    ZToken* const tokens[2] = {m_a, m_b};
    // Token a travels from tile A to tile B (or back), token b the other way, a little in front.
    const V3 startA = back || !m_a ? m_tilePosA : ZGeom::WorldPositionOf(m_a);
    const V3 startB = back || !m_b ? m_tilePosB : ZGeom::WorldPositionOf(m_b);
    if (!back)
    {
        m_startA = {startA.x, startA.y, liftedA.z};
        m_endA = liftedB;
        m_startB = {startB.x, startB.y, liftedB.z - 5.0f};
        m_endB = {liftedA.x, liftedA.y, liftedA.z - 5.0f};
    }
    else
    {
        // Back from where each went: a from tile B to tile A, b from tile A to tile B.
        m_startA = {m_tilePosB.x, m_tilePosB.y, liftedB.z};
        m_endA = liftedA;
        m_startB = {m_tilePosA.x, m_tilePosA.y, liftedA.z - 5.0f};
        m_endB = liftedB;
    }
    for (int i = 0; i < 2; ++i)
    {
        ZToken* token = tokens[i];
        if (!token)
            continue;
        ZTile* from = back ? tiles[1 - i] : tiles[i];
        ZTile* to = back ? tiles[i] : tiles[1 - i];
        token->setState(kTokenSwapping);
        token->setPreviousTile(from);
        token->setTile(to);
        // No match is looked for through a tile while a token is on its way into it.
        to->setState(kTileIncoming);
        to->setIncomingToken(token);
    }
}

void ZSwapTokensController::ApplyValue(float t)
{
    if (m_a)
        PlaceAtWorldPoint(m_a, m_startA * (1.0f - t) + m_endA * t);
    if (m_b)
        PlaceAtWorldPoint(m_b, m_startB * (1.0f - t) + m_endB * t);
}

void ZSwapTokensController::Finish()
{
    bool matched = m_swappedBack || !m_matchCheck;
    if (!matched)
    {
        ZTileList runs, scratch;
        matched = (m_a && m_tileB->collectMatchRuns(m_tileB, m_a, runs, scratch) > 0) ||
                  (m_b && m_tileA->collectMatchRuns(m_tileA, m_b, runs, scratch) > 0);
    }
    if (matched)
    {
        ZInterpolateBase::Finish();
        return;
    }
    if (ZBoard* board = ZBoard::PeekInstance())
        board->play(board->falseMoveSound(), "falsemove");
    m_swappedBack = true;
    SetUpPaths(true);
    Begin();
    Apply(0.0f);
}

void ZSwapTokensController::RunEndActions()
{
    for (ZToken* token : {m_a, m_b})
    {
        if (token && token->getSwapController() == this)
            token->setSwapController(nullptr);
    }
    ZInterpolateBase::RunEndActions();
}

void ZSwapTokensController::ForgetToken(ZToken* token)
{
    if (!token)
        return;
    ZInterpolateBase::Progress::RemoveListener(token);
    if (token->getSwapController() == this)
        token->setSwapController(nullptr);
    if (m_a == token)
        m_a = nullptr;
    if (m_b == token)
        m_b = nullptr;
    if (!m_a && !m_b && IsActive())
    {
        m_running = false;
        SetActive(false);
        Release();
    }
}

// ZArtifactExitController

ZArtifactExitController::ZArtifactExitController() = default;

ZArtifactExitController::~ZArtifactExitController()
{
    if (m_path)
        m_path->Release();
    if (m_group)
        m_group->Release();
}

ZArtifactExitController* ZArtifactExitController::Create(ZToken* token, ZNode* target, ZArtifact* record)
{
    auto* flight = new ZArtifactExitController();
    flight->m_record = record;
    V3 s = target ? ZGeom::WorldPositionOf(target) : V3{};
    V3 e = ZGeom::WorldPositionOf(token);
    s.z -= 200.0f;
    e.z -= 200.0f;
    flight->m_from = {e.x, e.y, e.z, 1.0f};
    flight->m_to = {s.x, s.y, s.z, 1.0f};
    flight->m_group = ZGroup::Create();
    flight->m_group->SetName("artifactflight");
    flight->m_sprite = ZGameSprite::CreateFromTexture(token->GetTexture());
    flight->m_sprite->SetSize(ZToken::kSize, ZToken::kSize);
    flight->m_group->AddChild(flight->m_sprite);
    flight->m_shorthand = char(token->getArtifactId());
    flight->SetTarget(flight->m_group);
    ZSceneTree::GetInstance()->AddChild(flight);
    flight->SetDuration(1.0);
    flight->SetReleaseSelfAtEnd(true);
    return flight;
}

void ZArtifactExitController::Start()
{
    if (!m_path && m_group)
    {
        // E, a little up and right of it, the middle, a little down and left of S, S.
        const V4 e = m_from, s = m_to;
        const V4 knots[5] = {e,
                             {e.x + 20.0f, e.y - 40.0f, e.z, e.w},
                             {(s.x + e.x) * 0.5f, (s.y + e.y) * 0.5f, (s.z + e.z) * 0.5f, (s.w + e.w) * 0.5f},
                             {s.x - 60.0f, s.y + 80.0f, s.z, s.w},
                             s};
        ZSpline* spline = ZSpline::Create();
        for (const V4& k : knots)
            spline->AddKnot(ZSplineKnot::Create(k));
        m_path = ZSplineNode::Create();
        m_path->SetSpline(spline);
        if (ZNode* parent = m_group->GetParent())
            parent->AddChild(m_path);
    }
    ZInterpolateBase::Start();
}

void ZArtifactExitController::ApplyValue(float t)
{
    if (m_path && m_group)
        PlaceAtWorldPoint(m_group, m_path->GetPointAt(t));
    if (m_sprite)
    {
        const float k = ZCompletionBar::kSlotScale;
        const float s = (1.0f - t) + t * k;
        m_sprite->SetSpriteScale({s, s});
    }
}

void ZArtifactExitController::Finish()
{
    ZInterpolateBase::Finish();
    if (m_delivered)
        return;
    m_delivered = true;
    if (m_sprite)
        m_sprite->SetActive(false);
    if (ZCompletionBar* bar = ZCompletionBar::PeekInstance())
        bar->FillSlot(m_shorthand, m_sprite ? m_sprite->GetTexture() : nullptr);
}

// ZTokenHighlightController

ZTokenHighlightController* ZTokenHighlightController::Create(ZToken* token, float duration, ZSprite* sprite)
{
    auto* pulse = new ZTokenHighlightController();
    pulse->m_sprite = sprite;
    pulse->SetTarget(token);
    ZSceneTree::GetInstance()->AddChild(pulse);
    pulse->SetDuration(duration);
    pulse->SetReleaseSelfAtEnd(true);
    if (sprite)
        sprite->SetActive(true);
    pulse->SetActive(true);
    return pulse;
}

ZTokenHighlightController::~ZTokenHighlightController()
{
    if (m_sprite)
        m_sprite->SetActive(false);
}

float ZTokenHighlightController::PulseSize(float t)
{
    if (t < 0.25f)
        return 1.5f * 4.0f * t + 0.2f * (1.0f - 4.0f * t);
    if (t > 0.75f)
    {
        const float u = 4.0f * (1.0f - t);
        return 1.5f * u + 0.2f * (1.0f - u);
    }
    return 1.5f;
}

void ZTokenHighlightController::ApplyValue(float t)
{
    if (!m_sprite)
        return;
    if (m_target)
    {
        V3 at = ZGeom::WorldPositionOf(m_target);
        at.z -= 10.0f;
        PlaceAtWorldPoint(m_sprite, at);
    }
    const float s = PulseSize(t) * sizeFactor;
    m_sprite->SetSpriteScale({s, s});
    m_angle += float(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
    m_sprite->SetRotationZ(m_angle);
    m_sprite->SetAlpha(1.0f - t);
}
