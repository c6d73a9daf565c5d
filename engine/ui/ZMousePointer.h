#pragma once
// The one pointer of the program. It hears raw mouse input from the input module, finds every node
// under the pointer once a frame (picking) and re-publishes the input as pointer events to its
// listeners: moves, presses and releases, over and out of nodes, hover start and end. Widgets,
// screens, the board and the tool tips listen to it. It owns the pointer images (arrow and hand)
// and can be locked against presses by nested callers.
//
// Positions are logical pixels with the origin at the centre of the screen and y upwards. Every
// node the pointer keeps between frames is watched: a node that is destroyed leaves every list and
// field at once, so no listener is ever handed a dead node.
#include <cstdint>
#include <deque>
#include <vector>

#include "engine/app/ZInput.h"
#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZEventProducer.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"

class ZCamera;
class ZSprite;

// The record handed to every listener call; owned by the pointer and valid only during the call.
struct SPointerState
{
    // Logical pixels, origin at the screen centre, y upwards; z and w stay 0.
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;
    // Movement since the previous frame; the last two words travel along unused.
    float dx = 0.0f, dy = 0.0f, dz = 0.0f, dw = 0.0f;
    // The last raw move: window pixels x and y (y downwards), then the move's own deltas.
    float device[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// Every operation has an empty default body. Event operations may set *handled to end the delivery
// of that event to further listeners (ZMousePointer::StopDelivery does the same).
class IMousePointerListener
{
public:
    virtual ~IMousePointerListener() = default;
    virtual void OnMouseMove(const SPointerState& state, ZNode* target, bool* handled)
    {
        (void)state, (void)target, (void)handled;
    }
    virtual void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled)
    {
        (void)state, (void)target, (void)handled;
    }
    virtual void OnLeftUp(const SPointerState& state, ZNode* target, bool* handled)
    {
        (void)state, (void)target, (void)handled;
    }
    virtual void OnMouseOver(const SPointerState& state, ZNode* node, bool* handled)
    {
        (void)state, (void)node, (void)handled;
    }
    virtual void OnMouseOut(const SPointerState& state, ZNode* node, bool* handled)
    {
        (void)state, (void)node, (void)handled;
    }
    // A second pass after every press, whether or not the first was handled.
    virtual void OnLeftDownAfter(const SPointerState& state, ZNode* target, bool* handled)
    {
        (void)state, (void)target, (void)handled;
    }
    virtual void OnRightDownAfter(const SPointerState& state, ZNode* target, bool* handled)
    {
        (void)state, (void)target, (void)handled;
    }
    virtual void OnRightDown(const SPointerState& state, ZNode* target, bool* handled)
    {
        (void)state, (void)target, (void)handled;
    }
    virtual void OnRightUp(const SPointerState& state, ZNode* target, bool* handled)
    {
        (void)state, (void)target, (void)handled;
    }
    virtual void OnHoverStart(const SPointerState& state, ZNode* node) { (void)state, (void)node; }
    // node may be null.
    virtual void OnHoverEnd(const SPointerState& state, ZNode* node) { (void)state, (void)node; }
    // True: moves are delivered once per node under the pointer instead of once with the top one.
    virtual bool WantsAllTargets() { return false; }
};

extern ZPropertyFloat g_mouseHoverTime;
extern ZPropertyFloat g_mouseHoverTolerance;
extern ZPropertyBool g_mouseAlwaysMove;
extern ZPropertyBool g_mouseShowTargets;
extern ZPropertyBool g_mouseShowAll;

// Program-wide: every geometric node counts as pickable, not only those with kNodePickable.
extern bool g_pickEverything;

class ZMousePointer : public ZControllerBase,
                      public IInputMouseListener,
                      public ZEventProducer<IMousePointerListener>,
                      public ZSingleton<ZMousePointer>,
                      public INodeStateListener
{
    QV_TYPE_RECORD(ZMousePointer, &ZControllerBase::kTypeRecord)

public:
    static constexpr int kMaxRoots = 84;
    static constexpr int kArrow = 0;
    static constexpr int kHand = 1;

    // Shown, and added to the scene tree so that it is updated every frame.
    ZMousePointer();
    ~ZMousePointer() override;

    // The second start-up stage: centres the pointer, registers with the input module and takes the
    // scale of the logical screen to the actual one.
    void EnterPhase2() override;
    void Update() override;
    using ZNode::Release;
    using ZEventProducer<IMousePointerListener>::AddListener;
    using ZEventProducer<IMousePointerListener>::RemoveListener;

    // One pointer per program: it makes no copies.
    ZControllerBase* CreateInstance() override { return nullptr; }

    // IInputMouseListener: button 0 left, 1 right; other buttons are not pointer events.
    void OnButtonDown(uint32_t button) override;
    void OnButtonUp(uint32_t button) override;
    void OnMove(const SInputMouseEvent& event) override;

    // INodeStateListener: a destroyed node leaves every list and field.
    void NodeGone(ZNode* node) override;

    // One more lock (true) or one fewer (false), never below 0. The first lock while the left button
    // is held sends one left release, so that a widget pressed at that moment lets go.
    void LockInput(bool lock);
    // Clears every lock at once.
    void ResetLock() { m_lockCount = 0; }
    int32_t GetLockCount() const { return m_lockCount; }
    bool IsLocked() const { return m_lockCount != 0; }
    void SetReleaseOnLock(bool on) { m_releaseOnLock = on; }

    // The node is among this frame's targets and is a 2D sprite; with a tolerance other than -1 the
    // pointer must also lie where the sprite's alpha test answers below the tolerance.
    bool IsUnderPointer(ZNode* node, float tolerance = -1.0f) const;

    // Image 0 is the arrow, 1 the hand.
    void SetPointerImage(int index, ZSprite* sprite);
    void ShowPointerImage(int index);
    int GetShownImage() const { return m_shownImage; }
    ZSprite* GetPointerImage(int index) const { return index >= 0 && index < 2 ? m_images[index] : nullptr; }
    // Builds the pointer image `index` from an image file, in the current 2D layer; on the first call
    // also the pointer's own camera "mousepointer_camera" and group "mousepointer_group".
    void CreatePointerSprites(const char* imageFile, int index);

    // Picking and positions run only once the pointer has the camera of a 2D layer.
    void SetLayerCamera(ZCamera* camera);
    ZCamera* GetLayerCamera() const { return m_layerCamera; }
    // The hand shows only over targets inside this subtree (null: anywhere).
    void SetScopeNode(ZNode* node);
    ZNode* GetScopeNode() const { return m_scope; }
    // Roots picked before any screen's.
    void AddPointerTarget(ZNode* node);
    void RemovePointerTarget(ZNode* node);

    // Any listener may end the current delivery; same effect as reporting it handled.
    void StopDelivery() { m_stop = true; }

    // The nodes under the pointer, nearest first, made afresh into `out`; `collectAll` counts every
    // geometric node as pickable.
    void Pick(std::vector<ZNode*>& out, bool collectAll);

    const SPointerState& GetState() const { return m_state; }
    float GetX() const { return m_state.x; }
    float GetY() const { return m_state.y; }
    const std::vector<ZNode*>& GetTargets() const { return m_targets; }
    const std::vector<ZNode*>& GetOverList() const { return m_over; }
    ZNode* GetTopTarget() const { return m_topTarget; }
    ZNode* GetPressedTarget() const { return m_pressed; }
    ZNode* GetHoverNode() const { return m_hoverNode; }
    ZNode* GetHoverCandidate() const { return m_hoverCandidate; }
    uint32_t GetSerial() const { return m_serial; }
    bool IsFirstHitUnderFirstRoot() const { return m_firstHitUnderFirstRoot; }
    float GetScaleX() const { return m_scaleX; }
    float GetScaleY() const { return m_scaleY; }

private:
    using EventFunction = void (IMousePointerListener::*)(const SPointerState&, ZNode*, bool*);

    // A copy of a node list taken for one delivery loop; destroyed nodes in it turn null.
    class Snapshot;

    void StartInput();
    void UpdatePosition();
    void UpdateScale();
    // One pass over every listener with one target; true when handled or stopped.
    bool DeliverOnce(EventFunction function, ZNode* const& target);
    // The top target first, then (when nobody handled it) each other target.
    void DeliverToTargets(EventFunction function);
    void DeliverMove();
    void HoverStartCheck();
    void HoverEndCheck(float distance);
    void PrintDiagnostics();
    void ForgetNode(ZNode* node);
    // Watches every node now held and stops watching those dropped.
    void SyncWatches();
    static double Now();
    static ZInput* Input();

    float m_normalizedX = 0.5f;
    float m_normalizedY = 0.5f;
    SPointerState m_state;
    bool m_firstHitUnderFirstRoot = false;
    int32_t m_lockCount = 0;
    bool m_releaseOnLock = true;
    float m_scaleX = 1.0f;
    float m_scaleY = 1.0f;
    ZNode* m_scope = nullptr;
    std::vector<ZNode*> m_pointerTargets;
    ZCamera* m_layerCamera = nullptr;
    bool m_stop = false;
    uint32_t m_serial = 100;
    ZSprite* m_images[2] = {nullptr, nullptr};
    int32_t m_shownImage = kArrow;
    ZNode* m_topTarget = nullptr;
    ZNode* m_hoverCandidate = nullptr;
    ZNode* m_previousTop = nullptr;
    ZNode* m_pressed = nullptr;
    std::vector<ZNode*> m_over;
    std::vector<ZNode*> m_targets;
    double m_hoverStamp = -1e38;
    ZNode* m_hoverNode = nullptr;
    float m_hoverDistance = 0.0f;

    ZInput* m_input = nullptr;
    std::vector<ZNode*> m_stateRoots;
    std::vector<ZNode*> m_watched;
    std::vector<ZNode*> m_scratch;
    std::vector<float> m_depth;
    Snapshot* m_snapshots = nullptr;
    // Stable addresses: an inner delivery may add a buffer while outer ones are in use.
    std::deque<std::vector<ZNode*>> m_snapshotBuffers;
    size_t m_snapshotDepth = 0;
};
