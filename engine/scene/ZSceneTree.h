#pragma once
// The one root of the scene: a group named "scenetree" that holds every game state's root group,
// the engine's camera and a group "controllers" for controllers without another home. It runs
// the whole scene once a frame and deletes released nodes after the walk, so no node is deleted
// while the tree is being walked.
#include <vector>

#include "engine/core/ZSingleton.h"
#include "engine/scene/ZGeom.h"

class ZSceneTree : public ZGroup, public ZSingleton<ZSceneTree>
{
    QV_TYPE_RECORD(ZSceneTree, &ZGroup::kTypeRecord)

public:
    ZSceneTree();
    ~ZSceneTree() override;

    // Once per frame: the active children with their subtrees and controllers, then every node
    // released so far (also those released while the drain runs) is deleted or recycled.
    void Update() override;
    // The scene tree cannot be copied.
    ZNode* Clone() override { return nullptr; }
    // Controllers go under the "controllers" group.
    void AddChild(ZNode* node) override;

    // Flags the node's subtree pending delete and queues the node once. Does nothing after
    // shutdown has begun: the tree's own destruction deletes the nodes then.
    void DeferDelete(ZNode* node);
    // A queued node destroyed another way leaves the list (called by the node's destructor).
    void ForgetDeferred(ZNode* node);
    size_t DeferredCount() const;
    void CountNodes(int& all, int& active, int& hidden) const;

    ZGroup* GetControllersGroup() const { return m_controllers; }

    // Set by the engine when its destructor begins.
    static void SetShutdownBegun(bool begun) { s_shutdownBegun = begun; }
    static bool IsShutdownBegun() { return s_shutdownBegun; }

private:
    void DrainDeferred();

    std::vector<ZNode*> m_deferred;
    ZGroup* m_controllers = nullptr;
    static inline bool s_shutdownBegun = false;
};
