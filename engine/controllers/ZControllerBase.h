#pragma once
// Controllers: nodes that change another node over time. A controller lives as a child of the
// node it drives (or under the scene tree's "controllers" group), so the parent's update runs it,
// its deletion follows the node's, and activating or deactivating it starts or stops it.
//   ZControllerBase      counted, copyable, self-releasing
//   ZControllerNodeBase  adds the target node, whose destruction it hears of
//   ZTransientController adds a finished flag and Started/Ended events
#include <cstdint>

#include "engine/core/ZEventProducer.h"
#include "engine/scene/ZNode.h"

// Controllers constructed and not yet destroyed, and those between OnActivate and OnDeactivate;
// the debug statistics read them.
extern int32_t g_controllersAlive;
extern int32_t g_controllersActive;

class ZControllerBase : public ZNode
{
    QV_TYPE_RECORD(ZControllerBase, &ZNode::kTypeRecord)

public:
    // Made inactive.
    ZControllerBase();
    ~ZControllerBase() override;

    void EnterPhase1() override {}
    void EnterPhase2() override {}
    void EnterPhase3() override {}
    void Update() override {}
    // Controllers are not cloned with their node.
    ZNode* Clone() override { return nullptr; }
    void OnActivate() override;
    void OnDeactivate() override;

    virtual void CopySettingsFrom(ZControllerBase* other);
    // Kept for subclasses; the base does nothing and answers false.
    virtual void Poll() {}
    virtual bool Query(int a, int b, int c) const
    {
        (void)a, (void)b, (void)c;
        return false;
    }
    virtual void ReleaseSelf() { Release(); }
    // A new controller of the same class, inactive, without parent or target.
    virtual ZControllerBase* CreateInstance() = 0;
};

class ZControllerNodeBase : public ZControllerBase, public INodeStateListener
{
    QV_TYPE_RECORD(ZControllerNodeBase, &ZControllerBase::kTypeRecord)

public:
    // The controller becomes a child of the target (when one is given).
    explicit ZControllerNodeBase(ZNode* target = nullptr);
    ~ZControllerNodeBase() override;

    // Also takes the other's target (when it is a node controller), without becoming its child.
    void CopySettingsFrom(ZControllerBase* other) override;
    // Stores the target, tells OnTargetSet, then becomes the target's child.
    virtual void SetTarget(ZNode* node);
    virtual void OnTargetSet(ZNode* node) { (void)node; }

    void NodeGone(ZNode* node) override;

    ZNode* GetTarget() const { return m_target; }

protected:
    // Moves the registration as the target's state listener from the old target to the new one.
    void Watch(ZNode* node);

    ZNode* m_target = nullptr;
};

// Empty default bodies.
class ZTransientListener
{
public:
    virtual ~ZTransientListener() = default;
    virtual void Started(ZControllerBase* controller) { (void)controller; }
    virtual void Ended(ZControllerBase* controller) { (void)controller; }
};

class ZTransientController : public ZControllerNodeBase, public ZEventProducer<ZTransientListener>
{
    QV_TYPE_RECORD(ZTransientController, &ZControllerNodeBase::kTypeRecord)

public:
    explicit ZTransientController(ZNode* target = nullptr) : ZControllerNodeBase(target) {}

    // finished = false, then FireStarted.
    void Start() override;
    ZControllerBase* CreateInstance() override { return new ZTransientController(); }

    virtual void CopyFinishedFrom(ZTransientController* other);
    virtual void Reset() { m_finished = false; }
    virtual void FireStarted();
    virtual bool IsFinished() const { return m_finished; }
    // Sets finished (also when muted), then tells the listeners unless muted.
    virtual void FireEnded();
    virtual void Idle() {}
    virtual void Deactivate() { SetActive(false); }

    // The node's Release, not the listener list's.
    using ZNode::Release;
    using ZEventProducer<ZTransientListener>::AddListener;
    using ZEventProducer<ZTransientListener>::RemoveListener;

protected:
    bool m_finished = false;
};
