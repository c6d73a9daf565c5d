#include "engine/ui/ZDropTarget2D.h"

#include "engine/scene/ZSprite.h"
#include "engine/ui/ZSprite2D.h"

namespace
{
ZSerializerRTTI<ZDropTarget2D> s_dropTargetSerializer;

constexpr ZNameId kOnHover{"onhover"};
constexpr ZNameId kOnDrag{"ondrag"};
constexpr ZNameId kHitZone{"hitzone"};
constexpr const char* kPartAttributes[] = {"onhover", "ondrag", "hitzone"};

struct Area
{
    float left = 0.0f, right = 0.0f, bottom = 0.0f, top = 0.0f;
};

// The rectangle a node covers on screen: its world position (moved to the centre its pivot gives a
// sprite) with its size times its scale.
Area AreaOf(ZNode* node, ZSprite* sprite)
{
    Area area;
    auto* geom = ZEntityCast<ZGeom>(sprite ? sprite : node);
    if (!geom)
        return area;
    _M44 world;
    geom->GetWorldMatrix(world);
    V2 centre{world.m[3][0], world.m[3][1]};
    V2 size;
    if (sprite)
    {
        size = sprite->GetScaledSize();
        GetPivotOffset(centre, size, sprite->GetPivot());
    }
    area.left = centre.x - size.x * 0.5f;
    area.right = centre.x + size.x * 0.5f;
    area.bottom = centre.y - size.y * 0.5f;
    area.top = centre.y + size.y * 0.5f;
    return area;
}

// A dragged group is measured by the last 2D sprite of its active subtree.
Area DraggedArea(ZNode* node)
{
    if (auto* sprite = ZEntityCast<ZSprite2D>(node))
        return AreaOf(node, sprite);
    ZSprite* last = nullptr;
    if (ZEntityCast<ZGroup>(node))
    {
        ZNodeChildIterator it(node, true, false);
        while (ZNode* n = it.Next())
        {
            if (auto* sprite = ZEntityCast<ZSprite2D>(n))
                last = sprite;
        }
    }
    return AreaOf(node, last);
}

bool Overlap(const Area& a, const Area& b)
{
    return a.left <= b.right && b.left <= a.right && a.bottom <= b.top && b.bottom <= a.top;
}

void Show(ZNode* node, bool on)
{
    if (node)
        node->SetHidden(!on);
}
} // namespace

ZDropTarget2D::~ZDropTarget2D()
{
    ZDragController::ForgetDropTarget(this);
    for (ZNode* part : {m_onHover, m_onDrag, m_hitZone})
    {
        if (part)
            part->RemoveStateListener(this);
    }
    // The parts are children; they go before this object's members do.
    DestroyChildren();
}

ZSerializerBase* ZDropTarget2D::GetSerializer() const
{
    return &s_dropTargetSerializer;
}

void ZDropTarget2D::SetPart(int part, ZNode* node)
{
    ZNode** slot = part == kHover ? &m_onHover : part == kDrag ? &m_onDrag : &m_hitZone;
    if (*slot == node)
        return;
    ZNode* old = *slot;
    *slot = node;
    // One node may fill two parts: it stays watched while it fills any.
    if (old && old != m_onHover && old != m_onDrag && old != m_hitZone)
        old->RemoveStateListener(this);
    if (!node)
        return;
    node->AddStateListener(this);
    if (part == kHit)
        node->SetFlags(kNodePickable);
    else
        node->SetHidden(true);
}

void ZDropTarget2D::ResolvePart(int part)
{
    const std::string& name = m_partNames[part];
    SetPart(part, name.empty() ? nullptr : FindNode(name.c_str()));
}

bool ZDropTarget2D::SetProperty(uint32_t id, const char* name, const char* value)
{
    for (int part = 0; part < kPartCount; ++part)
    {
        const ZNameId key = part == kHover ? kOnHover : part == kDrag ? kOnDrag : kHitZone;
        if (id != key.Value())
            continue;
        m_partNames[part] = value ? value : "";
        ResolvePart(part);
        return true;
    }
    return ZGroup::SetProperty(id, name, value);
}

void ZDropTarget2D::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    ZGroup::SaveAttributes(visitor);
    for (int part = 0; part < kPartCount; ++part)
    {
        if (!m_partNames[part].empty())
            visitor->Attribute(kPartAttributes[part], m_partNames[part].c_str());
    }
}

void ZDropTarget2D::OnLoaded()
{
    ZGroup::OnLoaded();
    for (int part = 0; part < kPartCount; ++part)
    {
        if (!m_partNames[part].empty())
            ResolvePart(part);
    }
}

void ZDropTarget2D::CopyFrom(ZNode* source)
{
    ZGroup::CopyFrom(source);
    auto* other = ZEntityCast<ZDropTarget2D>(source);
    if (!other || other == this)
        return;
    for (int part = 0; part < kPartCount; ++part)
    {
        m_partNames[part] = other->m_partNames[part];
        ResolvePart(part);
    }
}

ZNode* ZDropTarget2D::Clone()
{
    auto* copy = new ZDropTarget2D();
    copy->CopyFrom(this);
    return copy;
}

void ZDropTarget2D::NodeGone(ZNode* node)
{
    if (node == m_onHover)
        m_onHover = nullptr;
    if (node == m_onDrag)
        m_onDrag = nullptr;
    if (node == m_hitZone)
        m_hitZone = nullptr;
}

bool ZDropTarget2D::Accepts(ZNode* node, ZDragController* controller)
{
    bool accepts = true;
    Deliver(
        [&](IDropListener* l)
        {
            if (accepts && !l->Accepts(node, controller, this))
                accepts = false;
        });
    return accepts;
}

void ZDropTarget2D::Drop(ZNode* node, ZDragController* controller)
{
    Deliver([&](IDropListener* l) { l->OnDrop(node, controller, this); });
}

void ZDropTarget2D::OnDragStart(ZNode* node, ZDragController* controller)
{
    if (!Accepts(node, controller))
        return;
    m_armed = true;
    Show(m_onDrag, true);
}

void ZDropTarget2D::OnDragEnd(ZNode* node, ZDragController* controller)
{
    (void)node, (void)controller;
    m_armed = false;
    Show(m_onDrag, false);
    Show(m_onHover, false);
}

bool ZDropTarget2D::Overlaps(ZNode* dragged) const
{
    return m_hitZone && Overlap(DraggedArea(dragged), AreaOf(m_hitZone, ZEntityCast<ZSprite>(m_hitZone)));
}

void ZDropTarget2D::OnDragMove(ZNode* node, ZDragController* controller)
{
    if (!m_armed || !controller)
        return;
    if (!Overlaps(node))
    {
        Show(m_onHover, false);
        if (controller->GetCurrentDropTarget() == this)
            controller->SetCurrentDropTarget(nullptr);
        return;
    }
    // A current target that the node has left in this very move (one that hears the move after this
    // one) gives way; else the node, flung from it straight onto this one, would end on neither.
    ZDropTarget2D* current = controller->GetCurrentDropTarget();
    if (current == this || (current && current->Overlaps(node)))
        return;
    if (current)
        Show(current->m_onHover, false);
    Show(m_onHover, true);
    controller->SetCurrentDropTarget(this);
    Deliver([&](IDropListener* l) { l->OnDragEnter(node, controller, this); });
}
