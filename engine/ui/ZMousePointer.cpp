#include "engine/ui/ZMousePointer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGame.h"
#include "engine/controllers/ZInterpolate.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/render/ZRenderBase.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZLayer2D.h"
#include "engine/ui/ZSprite2D.h"

ZPropertyFloat g_mouseHoverTime("mouse.hover.time", "Elapsed time before hover event", "", 0,
                                ZProperty::kNoGroup, 0.65f, 999.0f, 0.1f);
ZPropertyFloat g_mouseHoverTolerance("mouse.hover.tolerance", "",
                                     "Pixels to move mouse before hover ends. -1 for mouseout.", 0,
                                     ZProperty::kNoGroup, -1.0f, 1000.0f, -1.0f);
ZPropertyBool g_mouseAlwaysMove("mouse.alwaysmove", "Always Mouse Move", "Calls OnMouseMove every frame", 0,
                                ZProperty::kNoGroup, false);
ZPropertyBool g_mouseShowTargets("mouse.showtargets", "Print current targets", "Print current targets", 0,
                                 ZProperty::kNoGroup, false);
ZPropertyBool g_mouseShowAll("mouse.showall", "Print all objects under pointer",
                             "Print all objects under pointer", 0, ZProperty::kNoGroup, false);

bool g_pickEverything = false;

namespace
{
// Movement up to this many pixels is no movement.
constexpr float kStillDistance = 1.0f / 8192.0f;

bool Contains(const std::vector<ZNode*>& list, const ZNode* node)
{
    return std::find(list.begin(), list.end(), node) != list.end();
}

float WorldZ(ZNode* node)
{
    auto* geom = ZEntityCast<ZGeom>(node);
    if (!geom)
        return 0.0f;
    _M44 world;
    geom->GetWorldMatrix(world);
    return world.m[3][2];
}

ZRenderBase* Renderer()
{
    return dynamic_cast<ZRenderBase*>(g_render);
}

void LockThroughPointer(bool lock)
{
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        pointer->LockInput(lock);
}
} // namespace

// Delivery loops walk a copy of the list they deliver over, since a listener may change the
// pointer's lists (or destroy a node outright); the pointer nulls destroyed nodes in every live
// copy. Copies nest (a listener may lock the pointer, which delivers again), and their buffers are
// kept from frame to frame.
class ZMousePointer::Snapshot
{
public:
    Snapshot(ZMousePointer& owner, const std::vector<ZNode*>& source)
        : m_owner(owner), m_next(owner.m_snapshots), nodes(Buffer(owner))
    {
        nodes.assign(source.begin(), source.end());
        owner.m_snapshots = this;
    }
    ~Snapshot()
    {
        m_owner.m_snapshots = m_next;
        --m_owner.m_snapshotDepth;
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    void Forget(ZNode* node)
    {
        for (Snapshot* s = this; s; s = s->m_next)
            std::replace(s->nodes.begin(), s->nodes.end(), node, static_cast<ZNode*>(nullptr));
    }

private:
    static std::vector<ZNode*>& Buffer(ZMousePointer& owner)
    {
        if (owner.m_snapshotDepth >= owner.m_snapshotBuffers.size())
            owner.m_snapshotBuffers.emplace_back().reserve(32);
        return owner.m_snapshotBuffers[owner.m_snapshotDepth++];
    }

    ZMousePointer& m_owner;
    Snapshot* m_next;

public:
    std::vector<ZNode*>& nodes;
};

ZMousePointer::ZMousePointer()
{
    m_over.reserve(32);
    m_targets.reserve(32);
    m_scratch.reserve(32);
    m_depth.reserve(32);
    m_stateRoots.reserve(kMaxRoots);
    m_watched.reserve(64);
    SetName("mousepointer");
    SetActive(true);
    ZSceneTree::GetInstance()->AddChild(this);
    // Interpolators that block the pointer lock it through this hook.
    g_pointerInputLock = &LockThroughPointer;
}

ZMousePointer::~ZMousePointer()
{
    if (g_pointerInputLock == &LockThroughPointer)
        g_pointerInputLock = nullptr;
    // At shutdown the input module and many watched nodes are gone before the scene tree deletes the
    // pointer; nothing may be touched then.
    const bool shuttingDown = ZSceneTree::IsShutdownBegun() || g_nodeListenersMuted;
    if (!shuttingDown)
    {
        if (m_input && g_engine && g_engine->GetInput() == m_input)
            m_input->RemoveMouseListener(this);
        for (ZNode* node : m_watched)
            node->RemoveStateListener(this);
        if (ZRenderBase* renderer = Renderer())
        {
            for (ZSprite* image : m_images)
            {
                if (image && renderer->GetCursorSprite() == image)
                    renderer->SetCursorSprite(nullptr);
            }
        }
    }
    m_watched.clear();
}

double ZMousePointer::Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

ZInput* ZMousePointer::Input()
{
    return g_engine ? g_engine->GetInput() : nullptr;
}

void ZMousePointer::EnterPhase2()
{
    StartInput();
}

void ZMousePointer::StartInput()
{
    ZInput* input = Input();
    m_normalizedX = 0.5f;
    m_normalizedY = 0.5f;
    // Until the first move the pointer rests at the centre rather than jumping in from a corner.
    if (!m_input)
    {
        m_state.device[0] = 0.5f * float(g_renderWidthActual.GetValue());
        m_state.device[1] = 0.5f * float(g_renderHeightActual.GetValue());
    }
    if (input && input != m_input)
    {
        input->AddMouseListener(this);
        m_input = input;
    }
    UpdateScale();
}

void ZMousePointer::UpdateScale()
{
    const float width = float(g_renderWidth.GetValue());
    const float height = float(g_renderHeight.GetValue());
    const float actualWidth = float(g_renderWidthActual.GetValue());
    const float actualHeight = float(g_renderHeightActual.GetValue());
    m_scaleX = actualWidth > 0.0f && actualWidth < width ? width / actualWidth : 1.0f;
    m_scaleY = actualHeight > 0.0f && actualHeight < height ? height / actualHeight : 1.0f;
}

void ZMousePointer::UpdatePosition()
{
    // The display may have been re-created with another actual size since the last frame.
    UpdateScale();
    const float actualWidth = float(g_renderWidthActual.GetValue());
    const float actualHeight = float(g_renderHeightActual.GetValue());
    if (actualWidth > 0.0f)
        m_normalizedX = std::clamp(m_state.device[0] / actualWidth, -0.5f, 1.5f);
    if (actualHeight > 0.0f)
        m_normalizedY = std::clamp(1.0f - m_state.device[1] / actualHeight, -0.5f, 1.5f);
    const float previousX = m_state.x;
    const float previousY = m_state.y;
    m_state.x = m_scaleX * actualWidth * (m_normalizedX - 0.5f);
    m_state.y = m_scaleY * (m_normalizedY - 0.5f) * actualHeight;
    m_state.dx = m_state.x - previousX;
    m_state.dy = m_state.y - previousY;
    if (ZRenderBase* renderer = Renderer())
    {
        if (ZSprite* cursor = renderer->GetCursorSprite())
            cursor->SetPositionXYZ(m_state.x, m_state.y, 0.0f);
    }
}

void ZMousePointer::Pick(std::vector<ZNode*>& out, bool collectAll)
{
    out.clear();
    ZNode* roots[kMaxRoots];
    int count = 0;
    // A hidden root hides its subtree: nothing of a closed tip box may catch the pointer.
    for (ZNode* node : m_pointerTargets)
    {
        if (node && node->IsActive() && !node->IsHidden() && count < kMaxRoots)
            roots[count++] = node;
    }
    if (ZGame* game = ZGame::PeekInstance())
    {
        m_stateRoots.clear();
        game->CollectPickRoots(m_stateRoots);
        // Beyond the fixed capacity further roots are ignored.
        for (ZNode* root : m_stateRoots)
        {
            if (count < kMaxRoots)
                roots[count++] = root;
        }
    }
    int firstHitRoot = count == 1 ? 0 : -1;
    if (count == 0)
    {
        if (!m_layerCamera || !m_layerCamera->GetRoot())
            return;
        roots[count++] = m_layerCamera->GetRoot();
        firstHitRoot = 0;
    }
    const bool everything = collectAll || g_pickEverything;
    const V3 pointer{m_state.x, m_state.y, 0.0f};
    for (int i = 0; i < count; ++i)
    {
        ZNodeChildIterator it(roots[i], true, true);
        while (ZNode* node = it.Next())
        {
            if (!node->IsActive() || node->IsHidden() || !node->IsA<ZGeom>())
                continue;
            if (!everything && !node->TestFlags(kNodePickable))
                continue;
            auto* sprite = ZEntityCast<ZSprite>(node);
            if (!sprite || !node->TestFlags(kNode2D))
                continue;
            V3 local = pointer;
            sprite->WorldToLocal(local);
            if (!sprite->GetBoundsAt({local.x, local.y}))
                continue;
            if (out.empty())
                firstHitRoot = i;
            out.push_back(node);
        }
    }
    // Nearest first. Insertion keeps hits of equal depth in walk order.
    std::vector<float>& depth = m_depth;
    depth.clear();
    for (ZNode* node : out)
        depth.push_back(WorldZ(node));
    for (size_t i = 1; i < out.size(); ++i)
    {
        ZNode* node = out[i];
        const float z = depth[i];
        size_t j = i;
        while (j > 0 && depth[j - 1] > z)
        {
            out[j] = out[j - 1];
            depth[j] = depth[j - 1];
            --j;
        }
        out[j] = node;
        depth[j] = z;
    }
    if (!collectAll)
        m_firstHitUnderFirstRoot = firstHitRoot == 0;
}

bool ZMousePointer::DeliverOnce(EventFunction function, ZNode* const& target)
{
    bool handled = false;
    m_stop = false;
    auto cursor = BeginIteration();
    while (IMousePointerListener* listener = cursor.Next())
    {
        (listener->*function)(m_state, target, &handled);
        if (handled || m_stop)
            return true;
    }
    return false;
}

void ZMousePointer::DeliverToTargets(EventFunction function)
{
    if (DeliverOnce(function, m_topTarget))
        return;
    Snapshot targets(*this, m_targets);
    ZNode* const top = m_topTarget;
    for (ZNode*& node : targets.nodes)
    {
        if (!node || node == top)
            continue;
        if (DeliverOnce(function, node))
            return;
    }
}

void ZMousePointer::DeliverMove()
{
    ++m_serial;
    m_stop = false;
    bool handled = false;
    Snapshot targets(*this, m_targets);
    auto cursor = BeginIteration();
    while (IMousePointerListener* listener = cursor.Next())
    {
        if (!listener->WantsAllTargets())
            listener->OnMouseMove(m_state, m_topTarget, &handled);
        else if (targets.nodes.empty())
            listener->OnMouseMove(m_state, nullptr, &handled);
        else
        {
            for (ZNode*& node : targets.nodes)
            {
                if (!node)
                    continue;
                listener->OnMouseMove(m_state, node, &handled);
                if (handled || m_stop)
                    break;
            }
        }
        if (handled || m_stop)
            return;
    }
}

void ZMousePointer::HoverStartCheck()
{
    if (m_hoverStamp == -1.0 || !(float(Now() - m_hoverStamp) > g_mouseHoverTime.GetValue()))
        return;
    m_hoverStamp = -1.0;
    m_hoverNode = m_hoverCandidate;
    // The node may be destroyed by a listener; every call reads the field afresh.
    auto cursor = BeginIteration();
    while (IMousePointerListener* listener = cursor.Next())
        listener->OnHoverStart(m_state, m_hoverNode);
    m_hoverCandidate = nullptr;
}

void ZMousePointer::HoverEndCheck(float distance)
{
    m_hoverDistance += distance;
    const float tolerance = g_mouseHoverTolerance.GetValue();
    const bool moved = tolerance > -1.0f && m_hoverDistance > tolerance;
    const bool left = tolerance == -1.0f && m_topTarget != m_hoverNode;
    if (!moved && !left)
        return;
    m_hoverStamp = double(float(Now()));
    auto cursor = BeginIteration();
    while (IMousePointerListener* listener = cursor.Next())
        listener->OnHoverEnd(m_state, m_hoverNode);
    m_hoverNode = nullptr;
    m_hoverDistance = 0.0f;
}

void ZMousePointer::Update()
{
    ZInput* input = Input();
    if (!input || !g_engine->GetRender())
        return;
    if (m_input != input)
        StartInput();
    m_topTarget = nullptr;
    // Without a layer camera nothing is under the pointer: last frame's hits would linger as
    // "over" for good.
    if (!m_layerCamera)
        m_targets.clear();
    if (m_layerCamera)
    {
        UpdatePosition();
        Pick(m_targets, false);
        m_topTarget = m_targets.empty() ? nullptr : m_targets.front();
        SyncWatches();
    }

    bool hand = m_topTarget && m_topTarget->TestFlags(kNodeHandPointer) && m_firstHitUnderFirstRoot;
    if (hand && m_scope)
        hand = m_topTarget == m_scope || m_topTarget->IsDescendantOf(m_scope);
    ShowPointerImage(hand ? kHand : kArrow);

    const float distance = std::sqrt(m_state.dx * m_state.dx + m_state.dy * m_state.dy);
    if (distance > kStillDistance || g_mouseAlwaysMove.GetValue())
    {
        DeliverMove();
        HoverEndCheck(distance);
    }
    else
        HoverStartCheck();

    bool held = false;
    for (int button = 0; button < ZInput::kButtonCount; ++button)
        held = held || input->IsButtonDown(button);

    {
        Snapshot over(*this, m_over);
        for (ZNode*& node : over.nodes)
        {
            if (!node || Contains(m_targets, node))
                continue;
            ++m_serial;
            DeliverOnce(&IMousePointerListener::OnMouseOut, node);
            if (!node)
                continue;
            if (node == m_hoverCandidate)
                m_hoverCandidate = nullptr;
            std::erase(m_over, node);
        }
    }
    {
        Snapshot targets(*this, m_targets);
        for (ZNode*& node : targets.nodes)
        {
            if (!node || Contains(m_over, node))
                continue;
            ++m_serial;
            DeliverOnce(&IMousePointerListener::OnMouseOver, node);
            if (!node)
                continue;
            m_over.push_back(node);
            if (!held && !m_hoverCandidate)
                m_hoverCandidate = node;
        }
    }
    m_previousTop = m_topTarget;
    HoverStartCheck();
    PrintDiagnostics();
    SyncWatches();
}

void ZMousePointer::PrintDiagnostics()
{
    ZRenderBase* renderer = Renderer();
    if (!renderer)
        return;
    std::string path;
    if (g_mouseShowTargets.GetValue())
    {
        for (ZNode* node : m_targets)
        {
            path.clear();
            node->GetPath(path);
            V3 p;
            if (auto* geom = ZEntityCast<ZGeom>(node))
                geom->LocalToWorld(p);
            renderer->DebugPrintf("target %s at %.1f %.1f %.1f", path.c_str(), p.x, p.y, p.z);
        }
    }
    if (g_mouseShowAll.GetValue())
    {
        std::vector<ZNode*> all;
        Pick(all, true);
        for (ZNode* node : all)
        {
            auto* sprite = ZEntityCast<ZSprite>(node);
            if (!sprite)
                continue;
            path.clear();
            node->GetPath(path);
            V3 p;
            sprite->LocalToWorld(p);
            V3 local{m_state.x, m_state.y, 0.0f};
            sprite->WorldToLocal(local);
            renderer->DebugPrintf("under pointer %s at %.1f %.1f %.1f, pointer %.1f %.1f", path.c_str(), p.x,
                                  p.y, p.z, local.x, local.y);
        }
    }
}

void ZMousePointer::OnButtonDown(uint32_t button)
{
    if (button > 1)
        return;
    m_hoverStamp = double(float(Now()));
    if (m_lockCount != 0)
        return;
    ++m_serial;
    m_pressed = m_topTarget;
    DeliverToTargets(button == 0 ? &IMousePointerListener::OnLeftDown : &IMousePointerListener::OnRightDown);
    ++m_serial;
    DeliverToTargets(button == 0 ? &IMousePointerListener::OnLeftDownAfter
                                 : &IMousePointerListener::OnRightDownAfter);
    SyncWatches();
}

void ZMousePointer::OnButtonUp(uint32_t button)
{
    if (button > 1)
        return;
    m_hoverStamp = double(float(Now()));
    if (m_lockCount != 0)
        return;
    ++m_serial;
    DeliverToTargets(button == 0 ? &IMousePointerListener::OnLeftUp : &IMousePointerListener::OnRightUp);
}

void ZMousePointer::OnMove(const SInputMouseEvent& event)
{
    m_state.device[0] = event.x;
    m_state.device[1] = event.y;
    m_state.device[2] = event.dx;
    m_state.device[3] = event.dy;
}

void ZMousePointer::LockInput(bool lock)
{
    m_lockCount += lock ? 1 : -1;
    if (m_lockCount < 0)
        m_lockCount = 0;
    ZInput* input = Input();
    if (lock && m_lockCount == 1 && m_releaseOnLock && input && input->IsButtonDown(0))
    {
        ++m_serial;
        DeliverOnce(&IMousePointerListener::OnLeftUp, m_topTarget);
    }
}

bool ZMousePointer::IsUnderPointer(ZNode* node, float tolerance) const
{
    if (!node || !Contains(m_targets, node) || !node->IsA<ZSprite2D>())
        return false;
    if (tolerance == -1.0f)
        return true;
    auto* sprite = ZEntityCast<ZSprite>(node);
    V3 local{m_state.x, m_state.y, 0.0f};
    sprite->WorldToLocal(local);
    return sprite->HitTest({local.x, local.y}) < tolerance;
}

void ZMousePointer::SetPointerImage(int index, ZSprite* sprite)
{
    if (index < 0 || index > 1)
        return;
    m_images[index] = sprite;
    if (index == m_shownImage)
    {
        if (ZRenderBase* renderer = Renderer())
            renderer->SetCursorSprite(sprite);
    }
    else if (sprite)
        sprite->SetHidden(true);
    SyncWatches();
}

void ZMousePointer::ShowPointerImage(int index)
{
    if (index < 0 || index > 1 || index == m_shownImage)
        return;
    if (ZSprite* old = m_images[m_shownImage])
        old->SetHidden(true);
    m_shownImage = index;
    ZSprite* image = m_images[index];
    if (image)
    {
        if (!image->IsActive())
            image->SetActive(true);
        image->SetHidden(false);
        image->SetPositionXYZ(m_state.x, m_state.y, 0.0f);
    }
    if (ZRenderBase* renderer = Renderer())
        renderer->SetCursorSprite(image);
}

void ZMousePointer::CreatePointerSprites(const char* imageFile, int index)
{
    ZLayer2DManager* manager = ZLayer2DManager::GetInstance();
    ZLayer2D* layer = manager ? manager->GetDefaultLayer() : nullptr;
    if (!layer || !layer->group || !imageFile || index < 0 || index > 1)
        return;
    ZTexture* texture = ZTexture::FindOrLoad(imageFile, 0, kTextureLoadNow);
    ZSprite2D* sprite = ZSprite2D::CreateFromTexture(texture);
    if (!sprite)
        return;
    sprite->SetPivot(PIVOT_TOPLEFT);
    char name[32];
    std::snprintf(name, sizeof(name), "mousepointer_sprite_%i", index);
    sprite->SetName(name);
    SetLayerCamera(layer->camera);
    ZGroup* group = manager->GetPointerGroup();
    if (!group)
        group = manager->CreatePointerCamera();
    if (group)
        group->AddChild(sprite);
    else
        layer->group->AddChild(sprite);
    manager->HoldPointer(this);
    SetPointerImage(index, sprite);
}

void ZMousePointer::SetLayerCamera(ZCamera* camera)
{
    m_layerCamera = camera;
    SyncWatches();
}

void ZMousePointer::SetScopeNode(ZNode* node)
{
    m_scope = node;
    SyncWatches();
}

void ZMousePointer::AddPointerTarget(ZNode* node)
{
    if (!node || Contains(m_pointerTargets, node))
        return;
    m_pointerTargets.push_back(node);
    SyncWatches();
}

void ZMousePointer::RemovePointerTarget(ZNode* node)
{
    std::erase(m_pointerTargets, node);
    SyncWatches();
}

void ZMousePointer::ForgetNode(ZNode* node)
{
    if (!node)
        return;
    std::erase(m_over, node);
    std::erase(m_targets, node);
    std::erase(m_pointerTargets, node);
    for (ZNode** field :
         {&m_topTarget, &m_hoverCandidate, &m_previousTop, &m_pressed, &m_hoverNode, &m_scope})
    {
        if (*field == node)
            *field = nullptr;
    }
    if (node == static_cast<ZNode*>(m_layerCamera))
        m_layerCamera = nullptr;
    for (int i = 0; i < 2; ++i)
    {
        if (m_images[i] && static_cast<ZNode*>(m_images[i]) == node)
        {
            if (ZRenderBase* renderer = Renderer(); renderer && renderer->GetCursorSprite() == m_images[i])
                renderer->SetCursorSprite(nullptr);
            m_images[i] = nullptr;
        }
    }
    if (m_snapshots)
        m_snapshots->Forget(node);
}

void ZMousePointer::NodeGone(ZNode* node)
{
    ForgetNode(node);
    std::erase(m_watched, node);
}

void ZMousePointer::SyncWatches()
{
    m_scratch.clear();
    auto hold = [this](ZNode* node)
    {
        if (node && node != this && !Contains(m_scratch, node))
            m_scratch.push_back(node);
    };
    for (ZNode* node : m_over)
        hold(node);
    for (ZNode* node : m_targets)
        hold(node);
    for (ZNode* node : m_pointerTargets)
        hold(node);
    for (ZNode* node : {m_topTarget, m_hoverCandidate, m_previousTop, m_pressed, m_hoverNode, m_scope})
        hold(node);
    hold(m_layerCamera);
    hold(m_images[0]);
    hold(m_images[1]);
    for (ZNode* node : m_watched)
    {
        if (!Contains(m_scratch, node))
            node->RemoveStateListener(this);
    }
    for (ZNode* node : m_scratch)
    {
        if (!Contains(m_watched, node))
            node->AddStateListener(this);
    }
    m_watched.swap(m_scratch);
}
