// The scene tree root: deferred deletion after the walk, controllers' home, shutdown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/controllers/ZControllerBase.h"
#include "engine/scene/ZSceneTree.h"
#include "scene/SceneTestSupport.h"

using Log = std::vector<std::string>;

namespace
{

using SceneTreeTest = SceneTest;

class GoneListener : public INodeStateListener
{
public:
    void NodeGone(ZNode* node) override { gone.push_back(node->GetName() ? node->GetName() : "?"); }
    Log gone;
};

// Releases its target (its parent) from inside its own update.
class ReleasingController : public ZControllerNodeBase
{
public:
    explicit ReleasingController(ZNode* target) : ZControllerNodeBase(target) { SetActive(true); }
    void Update() override
    {
        SceneLog().push_back("controller");
        if (GetTarget())
            GetTarget()->Release();
        Release();
    }
    ZControllerBase* CreateInstance() override { return nullptr; }
};

ZNode*& NodeToRelease()
{
    static ZNode* node = nullptr;
    return node;
}

} // namespace

TEST_F(SceneTreeTest, ARootNamedScenetreeWithAControllersGroup)
{
    EXPECT_STREQ(tree->GetName(), "scenetree");
    EXPECT_TRUE(tree->TestFlags(kNodeSceneRoot));
    ASSERT_NE(tree->GetControllersGroup(), nullptr);
    EXPECT_EQ(tree->FindNode("controllers"), tree->GetControllersGroup());
    EXPECT_EQ(tree->Clone(), nullptr);
}

TEST_F(SceneTreeTest, ANodeReleasedDuringTheWalkIsStillUpdatedAndDeletedAfterIt)
{
    GoneListener listener;
    auto* first = new LogNode("first");
    auto* victim = new LogNode("victim");
    victim->AddChild(new LogNode("below"));
    victim->AddStateListener(&listener);
    tree->AddChild(first);
    tree->AddChild(victim);
    NodeToRelease() = victim;
    first->onUpdate = [](LogNode*)
    {
        ZNode* v = NodeToRelease();
        v->Release();
        v->Release(); // queued once
        EXPECT_TRUE(v->GetFirstChild()->TestFlags(kNodePendingDelete));
        EXPECT_EQ(ZSceneTree::GetInstance()->DeferredCount(), 1u);
        EXPECT_TRUE(SceneLog().size() == 1);
    };

    tree->Update();
    EXPECT_EQ(SceneLog(), (Log{"first", "victim", "below"}));
    EXPECT_EQ(listener.gone, (Log{"victim"}));
    EXPECT_EQ(tree->FindNode("victim"), nullptr);
    EXPECT_EQ(tree->DeferredCount(), 0u);
}

TEST_F(SceneTreeTest, ANodeReleasedByItsOwnControllerIsSafe)
{
    auto* node = new LogNode("mover");
    tree->AddChild(node);
    new ReleasingController(node);
    tree->Update();
    EXPECT_EQ(SceneLog(), (Log{"mover", "controller"}));
    EXPECT_EQ(tree->FindNode("mover"), nullptr);
    tree->Update();
}

TEST_F(SceneTreeTest, AReleasedNodeDeletedAnotherWayBeforeTheDrainIsNotDeletedTwice)
{
    auto* parent = ZGroup::CreateNamed("parent");
    auto* child = ZGroup::CreateNamed("child");
    parent->AddChild(child);
    tree->AddChild(parent);
    child->Release();
    delete parent; // takes the child with it
    EXPECT_EQ(tree->DeferredCount(), 0u);
    tree->Update();
}

TEST_F(SceneTreeTest, NodesReleasedByDestructorsDuringTheDrainAreDrainedToo)
{
    struct Chain : ZGroup
    {
        ~Chain() override
        {
            if (next)
                next->Release();
        }
        ZNode* next = nullptr;
    };
    auto* a = new Chain();
    auto* b = new Chain();
    auto* c = ZGroup::CreateNamed("c");
    a->next = b;
    b->next = c;
    tree->AddChild(a);
    tree->AddChild(b);
    tree->AddChild(c);
    a->Release();
    tree->Update();
    EXPECT_EQ(tree->GetChildCount(), 1u); // only "controllers" is left
    EXPECT_EQ(tree->DeferredCount(), 0u);
}

TEST_F(SceneTreeTest, ControllersAddedToTheTreeGoUnderControllers)
{
    struct Plain : ZControllerBase
    {
        ZControllerBase* CreateInstance() override { return nullptr; }
    };
    auto* controller = new Plain();
    tree->AddChild(controller);
    EXPECT_EQ(controller->GetParent(), tree->GetControllersGroup());
    auto* group = ZGroup::Create();
    tree->AddChild(group);
    EXPECT_EQ(group->GetParent(), tree);
}

TEST_F(SceneTreeTest, AfterShutdownHasBegunAReleaseNeitherQueuesNorFlags)
{
    auto* node = ZGroup::CreateNamed("late");
    tree->AddChild(node);
    ZSceneTree::SetShutdownBegun(true);
    node->Release();
    EXPECT_FALSE(node->TestFlags(kNodePendingDelete));
    EXPECT_EQ(tree->DeferredCount(), 0u);
    // The tree's own destruction deletes it (the fixture destroys the tree).
}

TEST_F(SceneTreeTest, CountNodesCountsAllActiveAndHidden)
{
    auto* a = ZGroup::CreateNamed("a", ZGroup::CreateNamed("a1"));
    a->SetHidden(true);
    auto* b = ZGroup::CreateNamed("b");
    b->SetActive(false);
    tree->AddChild(a);
    tree->AddChild(b);
    int all = 0, active = 0, hidden = 0;
    tree->CountNodes(all, active, hidden);
    EXPECT_EQ(all, 4); // controllers, a, a1, b
    EXPECT_EQ(active, 3);
    EXPECT_EQ(hidden, 1);
}
