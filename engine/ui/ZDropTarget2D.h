#pragma once
// A widget that lights up while an acceptable node is dragged ("ondrag"), shows a hover picture
// while the dragged node overlaps its hit zone ("onhover") and receives the drop. Its parts are
// child nodes named by the layout's attributes. It hears drags by being added as a drag listener
// to the controllers of the nodes it may take (the code that sets up both does that).
#include <string>

#include "engine/core/ZEventProducer.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZDragController.h"

class ZDropTarget2D : public ZGroup,
                      public IDragListener,
                      public ZEventProducer<IDropListener>,
                      public INodeStateListener
{
    QV_TYPE_RECORD(ZDropTarget2D, &ZGroup::kTypeRecord)

public:
    ZDropTarget2D() = default;
    // Leaves every drag controller, so none holds it after it is gone.
    ~ZDropTarget2D() override;

    static ZDropTarget2D* Create() { return new ZDropTarget2D(); }

    ZSerializerBase* GetSerializer() const override;
    // "onhover", "ondrag" (hidden at once) and "hitzone" (made pickable) name child nodes; a part
    // named before its child exists is found once the layout has loaded.
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    void SaveAttributes(ISaveVisitor* visitor) override;
    void OnLoaded() override;
    // The group's copy, then the same parts found by name in the copied children.
    void CopyFrom(ZNode* source) override;
    ZNode* Clone() override;

    // True when no drop listener refuses the node.
    virtual bool Accepts(ZNode* node, ZDragController* controller);
    // Every drop listener hears OnDrop.
    virtual void Drop(ZNode* node, ZDragController* controller);

    // IDragListener
    void OnDragStart(ZNode* node, ZDragController* controller) override;
    void OnDragEnd(ZNode* node, ZDragController* controller) override;
    void OnDragMove(ZNode* node, ZDragController* controller) override;

    // INodeStateListener: a part that is destroyed is forgotten.
    void NodeGone(ZNode* node) override;

    using ZEventProducer<IDropListener>::AddListener;
    using ZEventProducer<IDropListener>::RemoveListener;
    using ZNode::Release;

    bool IsArmed() const { return m_armed; }
    ZNode* GetHoverNode() const { return m_onHover; }
    ZNode* GetDragNode() const { return m_onDrag; }
    ZNode* GetHitZone() const { return m_hitZone; }

private:
    enum EPart
    {
        kHover,
        kDrag,
        kHit,
        kPartCount
    };
    void ResolvePart(int part);
    // The dragged node's area overlaps the hit zone (false without one).
    bool Overlaps(ZNode* dragged) const;
    void SetPart(int part, ZNode* node);

    ZNode* m_onHover = nullptr;
    ZNode* m_onDrag = nullptr;
    ZNode* m_hitZone = nullptr;
    bool m_armed = false;
    std::string m_partNames[kPartCount];
};
