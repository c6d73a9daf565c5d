#pragma once
// The node of the retained scene tree and the root class of every scene object, widget and
// controller. Controllers are ordinary children of the node they drive, so one depth-first update
// of the tree runs both the scene and its animation. Nodes are never deleted while the tree is
// walked: Release hands them to the scene tree, which deletes them after its update.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/ZEntity.h"
#include "engine/core/ZSerializer.h"

class ZNode;

// Node flag word.
enum ENodeFlags : uint32_t
{
    kNodeActive = 0x1,
    kNodeSceneRoot = 0x4,
    kNodeHidden = 0x8,
    kNodePickable = 0x20,
    kNode2D = 0x40,
    kNodeChanged = 0x100,
    kNodeIdentityOrientation = 0x200,
    kNodeSnapToPixels = 0x2000,
    kNodeRecycled = 0x4000,
    kNodeOwnSubtreeValue = 0x8000,
    kNodePendingDelete = 0x10000,
    kNodeHandPointer = 0x20000,
    kNodeChildrenNotDrawn = 0x40000,
    kNodeToken = 0x80000,
    kNodePhase1 = 0x20000000,
    kNodePhase2 = 0x40000000,
    kNodePhase3 = 0x80000000,
};

// Every operation has an empty default body.
class INodeStateListener
{
public:
    virtual ~INodeStateListener() = default;
    virtual void FlagsChanged(ZNode* node, uint32_t newFlags, uint32_t oldFlags)
    {
        (void)node, (void)newFlags, (void)oldFlags;
    }
    // The node is being destroyed.
    virtual void NodeGone(ZNode* node) { (void)node; }
    // CopyFrom made `copy` from `source`.
    virtual void NodeCopied(ZNode* copy, ZNode* source) { (void)copy, (void)source; }
};

// Silences FlagsChanged and NodeGone for every node; the engine sets it when it shuts down, since
// listeners (views, widgets) may be gone before the nodes they watched.
extern bool g_nodeListenersMuted;

// Set while the engine's core objects exist and its frame loop has not begun: nodes added then get
// unique names (scene files loaded at start-up may repeat one).
extern bool g_engineStartingUp;

class ZNode : public ZEntity
{
    QV_TYPE_RECORD(ZNode, &ZEntity::kTypeRecord)

public:
    ZNode();
    ~ZNode() override;
    ZNode(const ZNode&) = delete;
    ZNode& operator=(const ZNode&) = delete;

    // Null when unnamed.
    const char* GetName() const override { return m_name; }
    virtual ZSerializerBase* GetSerializer() const;
    // Queues the node on the scene tree's deferred-delete list (once).
    virtual void Release();
    virtual void EnterPhase1();
    virtual void EnterPhase2();
    virtual void EnterPhase3();
    // Updates the active children in order; see the cursor rules in RemoveChild.
    virtual void Update();
    virtual void CopyFrom(ZNode* source);
    virtual ZNode* Clone();
    // Runs in place of the destructor for nodes with kNodeRecycled; it must take the node off its
    // parent's child list.
    virtual void Recycle() {}
    virtual void SetParent(ZNode* parent);
    virtual void Start() {}
    virtual void Stop() {}
    virtual void OnActivate() {}
    virtual void OnDeactivate() {}
    virtual void InvalidateLayout();
    virtual void SetHidden(bool hidden);
    virtual void SetChanged(bool on, bool propagate);
    // "name", "active", "hidden"; true when handled.
    virtual bool SetProperty(uint32_t id, const char* name, const char* value);
    virtual void SaveAttributes(ISaveVisitor* visitor);
    virtual void SaveChildren(ISaveVisitor* visitor);
    virtual void OnLoaded() {}
    virtual bool IsWorldMatrixCached() const { return false; }
    // Refuses null, this node and its ancestors (a cycle would make every walk endless).
    virtual void AddChild(ZNode* child);
    // The caller passes a child of this node; anything else is ignored.
    virtual void RemoveChild(ZNode* child);
    virtual void SetActiveAll(bool on);
    virtual void SetSubtreeValue(intptr_t value);

    void SetActive(bool on);
    bool IsActive() const { return (m_flags & kNodeActive) != 0; }
    bool IsHidden() const { return (m_flags & kNodeHidden) != 0; }
    void SetName(const char* name);
    void SetNameF(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Appends the path from below the topmost root: "a/b/c"; unnamed nodes show "[no name]".
    void GetPath(std::string& out) const;
    // "/"-separated names below this node; see the rules in the source.
    ZNode* FindNode(const char* path);
    ZNode* FindNodeAnywhere(const char* name);
    // From the scene tree's root: "@name" anywhere, else a path as GetPath writes it.
    static ZNode* Find(const char* text);
    // Subtrees that Find searches before the scene tree, the last pushed first (per thread): a
    // scene import builds detached from the tree, and a reference to a node made earlier in the
    // same file must still find it. Pops must match pushes.
    static void PushFindScope(ZNode* root);
    static void PopFindScope();
    bool IsActiveInHierarchy() const;
    bool IsDescendantOf(const ZNode* ancestor) const;
    ZNode* FindGeomParent() const;
    // The first child whose type chain holds ZAnimationSet, or null.
    ZNode* FindChildAnimationSet() const;
    void OrFlagsRecursive(uint32_t bits);
    int AddStateListener(INodeStateListener* listener);
    // 1 when the listener was not there.
    int RemoveStateListener(INodeStateListener* listener);
    void NotifyFlagsChanged(uint32_t newFlags, uint32_t oldFlags);
    void SaveElement(ISaveVisitor* visitor);
    // Renames the child so that its name differs from its siblings' ("icon", "icon#1", ...).
    void MakeUniqueName(ZNode* child);

    uint32_t GetFlags() const { return m_flags; }
    bool TestFlags(uint32_t mask) const { return (m_flags & mask) != 0; }
    // Sets or clears bits and notifies (also when nothing changed).
    void SetFlags(uint32_t bits);
    void ClearFlags(uint32_t bits);
    ZNode* GetParent() const { return m_parent; }
    ZNode* GetFirstChild() const { return m_firstChild; }
    ZNode* GetLastChild() const { return m_lastChild; }
    ZNode* GetNextSibling() const { return m_next; }
    ZNode* GetPrevSibling() const { return m_prev; }
    uint32_t GetChildCount() const { return m_childCount; }
    bool HasChildren() const { return m_firstChild != nullptr; }
    intptr_t GetSubtreeValue() const { return m_subtreeValue; }

protected:
    // Deletes (or recycles) every child; used by destructors that must drop the children before
    // their own members go.
    void DestroyChildren();
    void SetFlagWord(uint32_t flags) { m_flags = flags; }
    ZNode* FindChildNamed(const char* name, size_t length, bool withChildren) const;

private:
    bool IsInLineage(const ZNode* node) const;
    void SetChangedDown();

    ZNode* m_firstChild = nullptr;
    ZNode* m_lastChild = nullptr;
    uint32_t m_childCount = 0;
    ZNode* m_updateCursor = nullptr;
    uint32_t m_flags = kNodeActive;
    char* m_name = nullptr;
    ZNode* m_parent = nullptr;
    ZNode* m_next = nullptr;
    ZNode* m_prev = nullptr;
    std::vector<INodeStateListener*>* m_listeners = nullptr;
    intptr_t m_subtreeValue = 0;
};

// Depth-first walk of a subtree (the root itself excluded), optionally passing over inactive or
// hidden nodes and their subtrees.
class ZNodeChildIterator
{
public:
    ZNodeChildIterator(ZNode* root, bool onlyActive, bool skipHidden);
    // The next node, or null at the end.
    ZNode* Next();

private:
    bool Accept(const ZNode* node) const;
    ZNode* m_root;
    ZNode* m_current = nullptr;
    bool m_started = false;
    bool m_onlyActive;
    bool m_skipHidden;
};
