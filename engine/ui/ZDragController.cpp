#include "engine/ui/ZDragController.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZDropTarget2D.h"

namespace
{
ZDragController* s_runningDrag = nullptr;
// Every live controller, so that a drop target that goes away can leave them all.
std::vector<ZDragController*> s_controllers;

V3 WorldPosition(ZGeom* geom)
{
    _M44 world;
    geom->GetWorldMatrix(world);
    return {world.m[3][0], world.m[3][1], world.m[3][2]};
}
} // namespace

ZDragController::ZDragController()
{
    s_controllers.push_back(this);
}

ZDragController::~ZDragController()
{
    if (m_listening)
    {
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
    }
    // During the engine's teardown nodes stop reporting their end, so the target may be gone.
    if (m_dragging && m_target && !g_nodeListenersMuted && !ZSceneTree::IsShutdownBegun())
        m_target->SetFlags(kNodePickable);
    if (s_runningDrag == this)
        s_runningDrag = nullptr;
    s_controllers.erase(std::remove(s_controllers.begin(), s_controllers.end(), this), s_controllers.end());
}

ZDragController* ZDragController::Create(ZNode* node)
{
    auto* controller = new ZDragController();
    controller->SetTarget(node);
    if (ZSceneTree* tree = ZSceneTree::PeekInstance())
        tree->AddChild(controller);
    controller->SetActive(true);
    return controller;
}

ZDragController* ZDragController::GetRunningDrag()
{
    return s_runningDrag;
}

void ZDragController::ForgetDropTarget(ZDropTarget2D* target)
{
    for (ZDragController* controller : s_controllers)
    {
        controller->RemoveListener(target);
        if (controller->m_dropTarget == target)
            controller->m_dropTarget = nullptr;
    }
}

void ZDragController::EnterPhase2()
{
    ZControllerNodeBase::EnterPhase2();
    ZMousePointer::GetInstance()->AddListener(this);
    m_listening = true;
}

void ZDragController::OnTargetSet(ZNode* node)
{
    if (node)
        node->SetFlags(kNodePickable);
}

void ZDragController::NodeGone(ZNode* node)
{
    // A node destroyed mid-drag must not leave the whole program's dragging held.
    if (node == m_target)
        EndDrag();
    ZControllerNodeBase::NodeGone(node);
}

bool ZDragController::OtherDragRuns() const
{
    return s_runningDrag && s_runningDrag != this;
}

bool ZDragController::IsOnTarget(ZNode* node) const
{
    if (!node || !m_target)
        return false;
    if (node == m_target)
        return true;
    if (!ZEntityCast<ZGroup>(m_target) || !node->IsDescendantOf(m_target))
        return false;
    for (ZNode* n = node; n && n != m_target; n = n->GetParent())
    {
        if (!n->IsActive())
            return false;
    }
    return true;
}

float ZDragController::DistanceFromPress(const SPointerState& state) const
{
    return V2::Distance(V2{state.x, state.y}, m_pressPoint);
}

void ZDragController::EndDrag()
{
    m_dragging = false;
    m_startedByPress = false;
    m_dropTarget = nullptr;
    if (m_clickMode)
    {
        m_pickedUpByMotion = false;
        m_pressCount = 0;
        m_releaseCount = 0;
    }
    if (s_runningDrag == this)
        s_runningDrag = nullptr;
}

void ZDragController::BeginDrag(const SPointerState& state, bool atOnce)
{
    auto* geom = ZEntityCast<ZGeom>(m_target);
    if (OtherDragRuns() || !m_enabled || !geom)
        return;
    m_dragging = true;
    s_runningDrag = this;
    // A target left over from an earlier drag would take this drop without any overlap.
    m_dropTarget = nullptr;
    m_startedByPress = !atOnce;
    if (!atOnce)
        m_pressPoint = {state.x, state.y};
    m_start = WorldPosition(geom);
    m_grab = {m_start.x - state.x, m_start.y - state.y};
    // Not pickable while dragged, so the pointer sees what lies beneath it.
    geom->ClearFlags(kNodePickable);
    Deliver([&](IDragListener* l) { l->OnDragStart(m_target, this); });
}

void ZDragController::Drop(ZNode* nodeUnder)
{
    if (!m_dragging || OtherDragRuns())
        return;
    ZNode* node = m_target;
    if (m_hideOnDrop && node)
        node->SetHidden(true);
    m_dragging = false;
    m_startedByPress = false;
    if (node)
        node->SetFlags(kNodePickable);
    s_runningDrag = nullptr;
    if (auto* geom = ZEntityCast<ZGeom>(node))
        geom->SetWorldPosition(WorldPosition(geom));
    Deliver([&](IDragListener* l) { l->OnDragEnd(m_target, this); });

    if (m_returnOrDrop)
    {
        ZDropTarget2D* target = m_dropTarget;
        if (!target || !target->Accepts(nodeUnder, this))
        {
            if (auto* geom = ZEntityCast<ZGeom>(m_target))
                geom->SetWorldPosition(m_start);
        }
        else
        {
            target->Drop(nodeUnder, this);
        }
    }
    m_dropTarget = nullptr;
    if (m_pickedUpByMotion)
    {
        m_pressCount = 0;
        m_releaseCount = 0;
        m_pickedUpByMotion = false;
    }
}

void ZDragController::ResetDrag()
{
    if (m_dragging && m_target)
        m_target->SetFlags(kNodePickable);
    m_dragging = false;
    m_dropTarget = nullptr;
    if (m_clickMode)
    {
        m_pickedUpByMotion = false;
        m_pressCount = 0;
        m_releaseCount = 0;
    }
    if (s_runningDrag == this)
        s_runningDrag = nullptr;
}

void ZDragController::SetDragBounds(const V2& a, const V2& b)
{
    m_clamp = true;
    m_min = {std::min(a.x, b.x), std::min(a.y, b.y)};
    m_max = {std::max(a.x, b.x), std::max(a.y, b.y)};
}

void ZDragController::OnLeftDown(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)handled;
    if (OtherDragRuns() || !m_enabled)
        return;
    ZMousePointer* pointer = ZMousePointer::PeekInstance();
    const uint32_t serial = pointer ? pointer->GetSerial() : 0;
    if (pointer && serial == m_lastSerial)
        return;
    m_lastSerial = serial;

    m_pressPoint = {state.x, state.y};
    const bool onTarget = IsOnTarget(target);
    if (m_dragging && m_pressCount == 1)
    {
        // A second click drops what the first picked up.
        Drop(target);
        return;
    }
    if (onTarget)
        ++m_pressCount;
    if (!m_clickMode || m_pickedUpByMotion || m_pressCount == 1)
    {
        if (onTarget)
            BeginDrag(state, true);
    }
    else if ((m_pressCount == 2 || m_pressCount == 0) && onTarget)
    {
        Drop(target);
    }
}

void ZDragController::OnLeftUp(const SPointerState& state, ZNode* target, bool* handled)
{
    if (OtherDragRuns())
        return;
    ZMousePointer* pointer = ZMousePointer::PeekInstance();
    const uint32_t serial = pointer ? pointer->GetSerial() : 0;
    if (pointer && serial == m_lastSerial)
        return;
    m_lastSerial = serial;

    if (m_pressCount > 0)
    {
        if (++m_releaseCount == 2)
        {
            m_pressCount = 0;
            m_releaseCount = 0;
        }
    }
    if (!m_dragging)
        return;
    if (m_clickMode && m_startedByPress && DistanceFromPress(state) < kClickDistance)
    {
        m_startedByPress = false;
        return;
    }
    if (m_clickMode && !m_pickedUpByMotion && m_releaseCount == 1)
    {
        if (handled)
            *handled = true;
        return;
    }
    Drop(target);
}

void ZDragController::OnMouseMove(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)target, (void)handled;
    if (OtherDragRuns() || !m_enabled)
        return;
    if (m_clickMode && !m_pickedUpByMotion && m_pressCount == 1 && m_releaseCount == 0 &&
        DistanceFromPress(state) > kClickDistance)
    {
        // The click has become a press-drag-release.
        m_pickedUpByMotion = true;
    }
    auto* geom = ZEntityCast<ZGeom>(m_target);
    if (!m_dragging || !geom)
        return;
    const V3 current = WorldPosition(geom);
    V3 position{state.x + m_grab.x, state.y + m_grab.y, m_start.z + m_zOffset};
    if (m_keepX)
        position.x = current.x;
    if (m_keepY)
        position.y = current.y;
    if (m_clamp)
    {
        position.x = std::clamp(position.x, m_min.x, m_max.x);
        position.y = std::clamp(position.y, m_min.y, m_max.y);
    }
    geom->SetWorldPosition(position);
    Deliver([&](IDragListener* l) { l->OnDragMove(m_target, this); });
}
