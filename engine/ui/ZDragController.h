#pragma once
// Makes a scene node draggable with the pointer: press-drag-release, or in click mode a click to
// pick the node up and a second click to drop it. Only one drag runs in the whole program at a
// time. Drop targets (ZDropTarget2D) listen to the controllers of the nodes they may take; with the
// return-or-drop option a node that no accepting target takes goes back to where its drag began.
#include <cstdint>

#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZEventProducer.h"
#include "engine/core/ZVector.h"
#include "engine/ui/ZMousePointer.h"

class ZDragController;
class ZDropTarget2D;
class ZEntity;

// Every operation has an empty default body.
class IDragListener
{
public:
    virtual ~IDragListener() = default;
    virtual void OnDragStart(ZNode* node, ZDragController* controller) { (void)node, (void)controller; }
    virtual void OnDragEnd(ZNode* node, ZDragController* controller) { (void)node, (void)controller; }
    virtual void OnDragMove(ZNode* node, ZDragController* controller) { (void)node, (void)controller; }
};

class IDropListener
{
public:
    virtual ~IDropListener() = default;
    virtual void OnDrop(ZNode* node, ZDragController* controller, ZDropTarget2D* target)
    {
        (void)node, (void)controller, (void)target;
    }
    virtual void OnDragEnter(ZNode* node, ZDragController* controller, ZDropTarget2D* target)
    {
        (void)node, (void)controller, (void)target;
    }
    virtual bool Accepts(ZNode* node, ZDragController* controller, ZDropTarget2D* target)
    {
        (void)node, (void)controller, (void)target;
        return true;
    }
};

class ZDragController : public ZControllerNodeBase,
                        public IMousePointerListener,
                        public ZEventProducer<IDragListener>
{
    QV_TYPE_RECORD(ZDragController, &ZControllerNodeBase::kTypeRecord)

public:
    // Within this many pixels of the press point a release is still a click.
    static constexpr float kClickDistance = 10.0f;

    ZDragController();
    // Leaves the pointer's listeners and ends a drag it runs, so no input stays caught.
    ~ZDragController() override;

    // A controller for the node (made pickable), under the scene tree and active.
    static ZDragController* Create(ZNode* node);
    // The controller whose drag is running, or null.
    static ZDragController* GetRunningDrag();

    // Second start-up stage: listens to the pointer.
    void EnterPhase2() override;
    ZControllerBase* CreateInstance() override { return new ZDragController(); }
    void OnTargetSet(ZNode* node) override;
    void NodeGone(ZNode* node) override;

    // Starts dragging the target from the pointer state. With atOnce false the drag counts as begun
    // by a press at the state's position (a release close to it keeps the node picked up in click
    // mode). Nothing while another drag runs, while disabled or without a geometric target.
    void BeginDrag(const SPointerState& state, bool atOnce);
    // Ends this controller's drag over `nodeUnder` (the node under the pointer): listeners hear of
    // the end, and with return-or-drop the node goes to the accepting drop target or back to its
    // start.
    void Drop(ZNode* nodeUnder);
    // Ends dragging without events.
    void ResetDrag();
    // Clamp on; bounds are the corners' component-wise minimum and maximum.
    void SetDragBounds(const V2& a, const V2& b);

    // IMousePointerListener
    void OnMouseMove(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftUp(const SPointerState& state, ZNode* target, bool* handled) override;

    using ZEventProducer<IDragListener>::AddListener;
    using ZEventProducer<IDragListener>::RemoveListener;
    using ZNode::Release;

    bool IsDragging() const { return m_dragging; }
    bool IsEnabled() const { return m_enabled; }
    void SetEnabled(bool on) { m_enabled = on; }
    void SetKeepX(bool on) { m_keepX = on; }
    void SetKeepY(bool on) { m_keepY = on; }
    void SetClamp(bool on) { m_clamp = on; }
    void SetReturnOrDrop(bool on) { m_returnOrDrop = on; }
    bool GetReturnOrDrop() const { return m_returnOrDrop; }
    void SetHideOnDrop(bool on) { m_hideOnDrop = on; }
    void SetClickMode(bool on) { m_clickMode = on; }
    bool GetClickMode() const { return m_clickMode; }
    void SetZOffset(float z) { m_zOffset = z; }
    float GetZOffset() const { return m_zOffset; }
    void SetPayload(void* payload) { m_payload = payload; }
    void* GetPayload() const { return m_payload; }
    ZDropTarget2D* GetCurrentDropTarget() const { return m_dropTarget; }
    void SetCurrentDropTarget(ZDropTarget2D* target) { m_dropTarget = target; }
    const V3& GetStartWorldPosition() const { return m_start; }
    const V2& GetGrabOffset() const { return m_grab; }
    // For code that starts a drag and then puts the node elsewhere under the pointer (an icon that
    // jumps to the pointer): the node keeps this offset from the pointer while the start position,
    // where a refused drop returns, stays where the drag began.
    void SetGrabOffset(const V2& grab) { m_grab = grab; }
    int32_t GetPressCount() const { return m_pressCount; }
    int32_t GetReleaseCount() const { return m_releaseCount; }
    bool IsPickedUpByMotion() const { return m_pickedUpByMotion; }
    bool IsStartedByPress() const { return m_startedByPress; }

    // Called by a drop target that is going away: it is forgotten by every controller.
    static void ForgetDropTarget(ZDropTarget2D* target);

private:
    bool OtherDragRuns() const;
    bool IsOnTarget(ZNode* node) const;
    float DistanceFromPress(const SPointerState& state) const;
    void EndDrag();

    bool m_dragging = false;
    bool m_keepX = false;
    bool m_keepY = false;
    bool m_clamp = false;
    bool m_returnOrDrop = false;
    bool m_enabled = true;
    bool m_hideOnDrop = false;
    bool m_startedByPress = false;
    V2 m_grab;
    V2 m_min;
    V2 m_max;
    V3 m_start;
    V2 m_pressPoint;
    void* m_payload = nullptr;
    ZDropTarget2D* m_dropTarget = nullptr;
    uint32_t m_lastSerial = 0;
    bool m_clickMode = false;
    bool m_pickedUpByMotion = false;
    int32_t m_pressCount = 0;
    int32_t m_releaseCount = 0;
    float m_zOffset = 0.0f;
    bool m_listening = false;
};
