// The bonus game's view: scrolling by the edges, by dragging and by the arrows; the hint and its
// recharge; the fade of the items when the game loses the focus.
#include <algorithm>
#include <cmath>

#include "engine/core/ZFrameTimer.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZRandom.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZSprite2D.h"
#include "game/hiddenobject/ZHiddenObject.h"
#include "game/hiddenobject/ZHiddenObjectGame.h"
#include "game/hiddenobject/ZHiddenObjectLevel.h"
#include "game/hiddenobject/ZHiddenObjectSettings.h"

namespace
{
constexpr float kEpsilon = 1.0f / 8192.0f;

double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

float Length(const V2& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y);
}
} // namespace

void ZHiddenObjectGame::ResetScrolling()
{
    m_edgeScroll = false;
    m_velocity = {0.0f, 0.0f};
    float w, h;
    ScreenSize(w, h);
    m_usableW = w - kSidebarWidth;
    m_usableH = h;
    m_fadeStart = -1e38;
}

void ZHiddenObjectGame::PlacePicture()
{
    if (m_picture)
        m_picture->SetPositionXYZ(m_view.x, m_view.y, m_view.z);
}

void ZHiddenObjectGame::ClampView()
{
    m_view.x = std::clamp(m_view.x, std::min(m_viewMin.x, m_viewMax.x), std::max(m_viewMin.x, m_viewMax.x));
    m_view.y = std::clamp(m_view.y, std::min(m_viewMin.y, m_viewMax.y), std::max(m_viewMin.y, m_viewMax.y));
}

void ZHiddenObjectGame::RefreshArrows()
{
    auto show = [](ZNode* arrow, bool on)
    {
        if (arrow && arrow->IsActive() != on)
            arrow->SetActive(on);
    };
    show(m_arrows[kArrowLeft], m_canScrollX && m_view.x < m_viewMax.x - kEpsilon);
    show(m_arrows[kArrowRight], m_canScrollX && m_view.x > m_viewMin.x + kEpsilon);
    show(m_arrows[kArrowDown], m_canScrollY && m_view.y < m_viewMax.y - kEpsilon);
    show(m_arrows[kArrowUp], m_canScrollY && m_view.y > m_viewMin.y + kEpsilon);
}

void ZHiddenObjectGame::ScrollBy(int dx, int dy)
{
    if (!m_canScrollX)
        dx = 0;
    if (!m_canScrollY)
        dy = 0;
    if (dx == 0 && dy == 0)
        return;
    hiddenobject::SetFlag("zelk.tip.hiddenobjectscroll");
    m_stepX = std::clamp(m_stepX + dx, -1, 1);
    m_stepY = std::clamp(m_stepY + dy, -1, 1);
    float w, h;
    ScreenSize(w, h);
    const V3 start = GetStartPosition();
    m_target.x = start.x - float(m_stepX) * ((m_pictureW - w) + kSidebarWidth) / 2.0f;
    m_target.y = start.y - float(m_stepY) * (m_pictureH - h) / 2.0f;
    m_target.z = m_view.z;
    m_returning = true;
}

void ZHiddenObjectGame::OnMouseMove(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)target, (void)handled;
    float w, h;
    ScreenSize(w, h);
    if (!IsTop() || m_returning || state.x > w / 2.0f - kSidebarWidth)
        return;
    m_edgeScroll = false;
    const float dt = float(g_frameTimer ? g_frameTimer->frameDelta : 0.02);
    const float push = dt * hiddenobject::ScrollAcceleration();
    const float left = -w / 2.0f, right = w / 2.0f - kSidebarWidth, top = h / 2.0f, bottom = -h / 2.0f;
    // Near an edge the picture slides to show more of that side, faster the deeper the pointer is
    // in the band.
    if (state.x < left + kEdgeBand)
    {
        m_velocity.x += push * std::clamp((left + kEdgeBand - state.x) / kEdgeBand, 0.0f, 1.0f);
        m_edgeScroll = true;
    }
    else if (state.x > right - kEdgeBand)
    {
        m_velocity.x -= push * std::clamp((state.x - (right - kEdgeBand)) / kEdgeBand, 0.0f, 1.0f);
        m_edgeScroll = true;
    }
    if (state.x < right - kEdgeBandSidebarGap)
    {
        if (state.y > top - kEdgeBand)
        {
            m_velocity.y -= push * std::clamp((state.y - (top - kEdgeBand)) / kEdgeBand, 0.0f, 1.0f);
            m_edgeScroll = true;
        }
        else if (state.y < bottom + kEdgeBand)
        {
            m_velocity.y += push * std::clamp((bottom + kEdgeBand - state.y) / kEdgeBand, 0.0f, 1.0f);
            m_edgeScroll = true;
        }
    }
    if (!m_canScrollX)
        m_velocity.x = 0.0f;
    if (!m_canScrollY)
        m_velocity.y = 0.0f;
}

void ZHiddenObjectGame::OnRightDown(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)target, (void)handled;
    if (!IsTop())
        return;
    m_dragging = true;
    m_returning = false;
    m_dragStart = {state.x, state.y};
    m_dragView = m_view;
}

void ZHiddenObjectGame::OnRightUp(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)target, (void)handled;
    if (!m_dragging)
        return;
    m_dragging = false;
    m_velocity = {m_canScrollX ? state.dx : 0.0f, m_canScrollY ? state.dy : 0.0f};
}

void ZHiddenObjectGame::UpdateScrolling(double dt)
{
    if (!m_picture)
        return;
    if (!m_edgeScroll && Length(m_velocity) > kEpsilon)
        m_velocity = {m_velocity.x * 0.9f, m_velocity.y * 0.9f};
    if (m_dragging)
    {
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        {
            m_view.x = m_dragView.x + (m_canScrollX ? pointer->GetX() - m_dragStart.x : 0.0f);
            m_view.y = m_dragView.y + (m_canScrollY ? pointer->GetY() - m_dragStart.y : 0.0f);
            ClampView();
            RefreshArrows();
        }
    }
    else if (!m_returning && Length(m_velocity) > kEpsilon)
    {
        const float speed = hiddenobject::ScrollSpeed();
        const float length = Length(m_velocity);
        if (length > speed && length > 0.0f)
            m_velocity = {m_velocity.x * speed / length, m_velocity.y * speed / length};
        m_view.x += m_velocity.x;
        m_view.y += m_velocity.y;
        ClampView();
        RefreshArrows();
    }
    else if (m_returning)
    {
        const float k = std::min(1.0f, float(5.0 * dt));
        m_view.x += (m_target.x - m_view.x) * k;
        m_view.y += (m_target.y - m_view.y) * k;
        const float remaining = std::hypot(m_target.x - m_view.x, m_target.y - m_view.y);
        if (remaining < 0.5f)
        {
            m_view.x = m_target.x;
            m_view.y = m_target.y;
            m_returning = false;
        }
        RefreshArrows();
    }
    PlacePicture();
}

// ------------------------------------------------------------------------------- the hint

float ZHiddenObjectGame::GetHintCharge() const
{
    return float(std::clamp((Now() - m_lastHint) / hiddenobject::HintChargeSeconds(), 0.0, 1.0));
}

void ZHiddenObjectGame::UseHint()
{
    ++m_hintsUsed;
    if (!m_level || m_level->GetRemaining().empty())
        return;
    const std::vector<ZHiddenObject*>& remaining = m_level->GetRemaining();
    ZHiddenObject* object = remaining[RandomNext() % remaining.size()];
    if (object->IsGroup())
        object = object->PickHintMember();
    ZGeom* node = object ? ZEntityCast<ZGeom>(object->GetNode()) : nullptr;
    if (!node)
        return;
    // Off screen: one arrow step toward it, two when it lies far out.
    const V3 p = node->GetWorldPosition();
    V2 size{0.0f, 0.0f};
    if (ZSprite* sprite = ZEntityCast<ZSprite>(node))
        size = sprite->GetScaledSize();
    float w, h;
    ScreenSize(w, h);
    const float centreX = -kSidebarWidth / 2.0f;
    const float sx = p.x - centreX;
    const bool outX = std::fabs(sx) + 0.3f * size.x > m_usableW / 2.0f;
    const bool outY = std::fabs(p.y) + 0.3f * size.y > h / 2.0f;
    if (outX || outY)
    {
        int dx = 0, dy = 0;
        if (outX)
        {
            dx = sx >= 0.0f ? 1 : -1;
            if (std::fabs(sx) > m_usableW / 4.0f)
                dx *= 2;
        }
        if (outY)
        {
            dy = p.y >= 0.0f ? 1 : -1;
            if (std::fabs(p.y) > h / 4.0f)
                dy *= 2;
        }
        ScrollBy(dx, dy);
    }
    if (m_hintMarker)
    {
        m_hintMarker->SetActive(true);
        const V2 marker = m_hintMarker->GetScaledSize();
        const float rx = marker.x * 0.3f * 0.5f, ry = marker.y * 0.3f * 0.5f;
        const V3 local = node->Position();
        m_hintMarker->SetPositionXYZ(RandomRange(local.x - rx, local.x + rx), RandomRange(local.y - ry, local.y + ry),
                                     -200.0f);
        if (m_hintController)
        {
            m_hintController->SetActive(false);
            m_hintController->SetActive(true);
        }
    }
    if (m_hintProgress)
        m_hintProgress->SetValue(0.0f);
    if (m_hintButton)
        m_hintButton->SetEnabled(false);
    m_lastHint = Now();
}

void ZHiddenObjectGame::UpdateHint()
{
    const float charge = GetHintCharge();
    if (m_hintProgress)
        m_hintProgress->SetValue(charge);
    if (charge >= 1.0f && m_hintButton && !m_hintButton->IsEnabled())
        m_hintButton->SetEnabled(true);
    if (m_hintMarker && m_hintMarker->IsActive() && Now() - m_lastHint > kHintShowSeconds)
        m_hintMarker->SetActive(false);
}

// ------------------------------------------------------------------------------- fading

void ZHiddenObjectGame::StartFade(bool out)
{
    m_fadedOut = out;
    if (m_hintMarker)
        m_hintMarker->SetHidden(out);
    const double now = Now();
    if (m_fadeStart > 0.0 && now - m_fadeStart <= 1.0)
        m_fadeStart = now - (1.0 - (now - m_fadeStart)); // a reversed fade goes on from where it is
    else
        m_fadeStart = now;
}

void ZHiddenObjectGame::UpdateFade()
{
    if (m_fadeStart <= 0.0 || !m_items)
        return;
    const double t = Now() - m_fadeStart;
    float alpha;
    if (t > 1.0)
    {
        alpha = m_fadedOut ? 0.0f : 1.0f;
        m_fadeStart = -1e38;
    }
    else
    {
        const float f = float(std::max(0.0, t));
        alpha = m_fadedOut ? 1.0f - f : f;
    }
    // Items already found have gone inactive with their flash: they stay gone.
    for (ZNode* child = m_items->GetFirstChild(); child; child = child->GetNextSibling())
        if (ZSprite* sprite = ZEntityCast<ZSprite>(child); sprite && sprite->IsActive())
            sprite->SetAlpha(alpha);
}
