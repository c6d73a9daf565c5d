#include "engine/scene/ZSceneTree.h"

#include <algorithm>

ZSceneTree::ZSceneTree()
{
    m_deferred.clear();
    SetName("scenetree");
    SetFlags(kNodeSceneRoot);
    m_controllers = ZGroup::Create();
    m_controllers->SetName("controllers");
    ZNode::AddChild(m_controllers);
}

ZSceneTree::~ZSceneTree()
{
    // The children go while the list still exists: a queued node that dies leaves it.
    DestroyChildren();
    m_controllers = nullptr;
    m_deferred.clear();
}

void ZSceneTree::Update()
{
    ZNode::Update();
    DrainDeferred();
}

void ZSceneTree::DrainDeferred()
{
    // By index: destructors may release further nodes, which are drained in the same pass.
    for (size_t i = 0; i < m_deferred.size(); ++i)
    {
        ZNode* node = m_deferred[i];
        if (!node)
            continue;
        m_deferred[i] = nullptr;
        if (node->TestFlags(kNodeRecycled))
            node->Recycle();
        else
            delete node;
    }
    m_deferred.clear();
}

void ZSceneTree::AddChild(ZNode* node)
{
    // By the record's id: controllers live a floor above the scene.
    static constexpr ZTypeRecord kControllerBase{"ZControllerBase", nullptr};
    if (node && node->IsA(kControllerBase) && m_controllers)
        m_controllers->AddChild(node);
    else
        ZNode::AddChild(node);
}

void ZSceneTree::DeferDelete(ZNode* node)
{
    if (!node || s_shutdownBegun)
        return;
    if (std::find(m_deferred.begin(), m_deferred.end(), node) != m_deferred.end())
        return;
    node->OrFlagsRecursive(kNodePendingDelete);
    m_deferred.push_back(node);
}

void ZSceneTree::ForgetDeferred(ZNode* node)
{
    std::replace(m_deferred.begin(), m_deferred.end(), node, static_cast<ZNode*>(nullptr));
}

size_t ZSceneTree::DeferredCount() const
{
    return size_t(std::count_if(m_deferred.begin(), m_deferred.end(), [](ZNode* n) { return n != nullptr; }));
}

void ZSceneTree::CountNodes(int& all, int& active, int& hidden) const
{
    all = active = hidden = 0;
    ZNodeChildIterator it(const_cast<ZSceneTree*>(this), false, false);
    while (ZNode* node = it.Next())
    {
        ++all;
        if (node->IsActive())
            ++active;
        if (node->IsHidden())
            ++hidden;
    }
}
