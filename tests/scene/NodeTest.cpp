// Scene nodes: update order and the cursor, start-up phases, unique names, paths, flags and
// listeners, copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/controllers/ZControllerBase.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "scene/SceneTestSupport.h"

using Log = std::vector<std::string>;

namespace
{

class LogController : public ZControllerBase
{
public:
    explicit LogController(const char* name) { SetName(name); }
    void Update() override { SceneLog().push_back(GetName()); }
    ZControllerBase* CreateInstance() override { return nullptr; }
};

class CountingListener : public INodeStateListener
{
public:
    void FlagsChanged(ZNode*, uint32_t newFlags, uint32_t oldFlags) override
    {
        ++changes;
        lastNew = newFlags;
        lastOld = oldFlags;
        if (removeSelfFrom)
            removeSelfFrom->RemoveStateListener(this);
    }
    void NodeGone(ZNode*) override { ++gone; }
    int changes = 0;
    int gone = 0;
    uint32_t lastNew = 0;
    uint32_t lastOld = 0;
    ZNode* removeSelfFrom = nullptr;
};

class StartStopNode : public ZNode
{
public:
    void Start() override { SceneLog().push_back("start"); }
    void OnActivate() override { SceneLog().push_back("activate"); }
    void Stop() override { SceneLog().push_back("stop"); }
    void OnDeactivate() override { SceneLog().push_back("deactivate"); }
};

using NodeTest = SceneTest;

std::vector<ZNode*>& Removed()
{
    static std::vector<ZNode*> removed;
    return removed;
}

void RemoveFromParent(ZNode* node)
{
    node->GetParent()->RemoveChild(node);
    Removed().push_back(node);
}

} // namespace

TEST_F(NodeTest, UpdateIsDepthFirstAndRunsControllersInsideIt)
{
    auto* a = new LogNode("a");
    auto* b = new LogNode("b");
    tree->AddChild(a);
    tree->AddChild(b);
    a->AddChild(new LogNode("a1"));
    a->AddChild(new LogController("ctrl"));
    a->AddChild(new LogNode("a2"));
    auto* inactive = new LogNode("off");
    inactive->AddChild(new LogNode("below-off"));
    inactive->SetActive(false);
    a->AddChild(inactive);
    // A controller is made inactive; it runs once activated.
    a->GetFirstChild()->GetNextSibling()->SetActive(true);

    tree->Update();
    EXPECT_EQ(SceneLog(), (Log{"a", "a1", "ctrl", "a2", "b"}));
}

TEST_F(NodeTest, RemovingChildrenDuringTheWalkSkipsAndRepeatsNothing)
{
    struct Case
    {
        const char* what;
        void (*act)(LogNode*);
        Log expected;
    };
    const Case cases[] = {
        {"current child removes itself",
         [](LogNode* n)
         {
             if (std::string(n->GetName()) == "b")
                 RemoveFromParent(n);
         },
         {"b", "c", "d"}},
        {"current child removes its next sibling",
         [](LogNode* n)
         {
             if (std::string(n->GetName()) == "b")
                 RemoveFromParent(n->GetNextSibling());
         },
         {"b", "d"}},
        {"a child appended during the walk is visited in the same pass",
         [](LogNode* n)
         {
             if (std::string(n->GetName()) == "b")
                 n->GetParent()->AddChild(new LogNode("e"));
         },
         {"b", "c", "d", "e"}},
    };
    for (const Case& c : cases)
    {
        SceneLog().clear();
        ZNode parent;
        for (const char* name : {"b", "c", "d"})
        {
            auto* node = new LogNode(name);
            node->onUpdate = c.act;
            parent.AddChild(node);
        }
        parent.Update();
        EXPECT_EQ(SceneLog(), c.expected) << c.what;
        int count = 0;
        for (ZNode* n = parent.GetFirstChild(); n; n = n->GetNextSibling())
            ++count;
        EXPECT_EQ(uint32_t(count), parent.GetChildCount()) << c.what;
        for (ZNode* n : Removed())
            delete n;
        Removed().clear();
    }
}

TEST_F(NodeTest, ASubtreeAddedLateCatchesUpOnEveryPhaseInOrder)
{
    tree->EnterPhase1();
    tree->EnterPhase2();
    tree->EnterPhase3();
    EXPECT_TRUE(tree->GetControllersGroup()->TestFlags(kNodePhase3));

    auto* late = new LogNode("late");
    late->AddChild(new LogNode("inner"));
    tree->AddChild(late);
    EXPECT_EQ(SceneLog(), (Log{"late:p1", "inner:p1", "late:p2", "inner:p2", "late:p3", "inner:p3"}));

    SceneLog().clear();
    auto* partial = new LogNode("partial");
    partial->SetFlags(kNodePhase2);
    tree->AddChild(partial);
    EXPECT_EQ(SceneLog(), (Log{"partial:p1", "partial:p3"}));
}

TEST_F(NodeTest, SiblingNamesStayUniqueOnlyWhileTheEngineStartsUp)
{
    ZNode parent;
    g_engineStartingUp = true;
    for (int i = 0; i < 3; ++i)
    {
        auto* icon = new ZNode();
        icon->SetName("icon");
        parent.AddChild(icon);
    }
    auto* group = ZGroup::Create();
    parent.AddChild(group);
    auto* taken = new ZNode();
    taken->SetName("button#4");
    parent.AddChild(taken);
    auto* again = new ZNode();
    again->SetName("button");
    parent.AddChild(again);

    g_engineStartingUp = false;
    auto* late = new ZNode();
    late->SetName("icon");
    parent.AddChild(late);

    Log names;
    for (ZNode* n = parent.GetFirstChild(); n; n = n->GetNextSibling())
        names.push_back(n->GetName());
    EXPECT_EQ(names, (Log{"icon", "icon#1", "icon#2", "ZGroup#0", "button#4", "button#5", "icon"}));
}

TEST_F(NodeTest, PathsAndSearches)
{
    auto* screen = ZGroup::CreateNamed("screen");
    tree->AddChild(screen);
    auto* emptyA = ZGroup::CreateNamed("a");
    auto* fullA = ZGroup::CreateNamed("a", ZGroup::CreateNamed("c"));
    auto* laterA = ZGroup::CreateNamed("a", ZGroup::CreateNamed("b"));
    screen->AddChild(emptyA);
    screen->AddChild(fullA);
    screen->AddChild(laterA);
    auto* unnamed = new ZNode();
    fullA->AddChild(unnamed);

    struct Case
    {
        const char* path;
        ZNode* expected;
    };
    const Case cases[] = {
        {"a", emptyA}, // without a rest, the first of the name
        {"a/c", fullA->GetFirstChild()},
        {"a/b", nullptr}, // only the first "a" with children is searched
        {"missing", nullptr},
        {"a/", nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(screen->FindNode(c.path), c.expected) << c.path;

    EXPECT_EQ(ZNode::Find("screen/a/c"), fullA->GetFirstChild());
    EXPECT_EQ(ZNode::Find("@b"), laterA->GetFirstChild());
    EXPECT_EQ(ZNode::Find("@nothing"), nullptr);

    std::string path;
    fullA->GetFirstChild()->GetPath(path);
    EXPECT_EQ(path, "screen/a/c");
    path.clear();
    screen->GetPath(path);
    EXPECT_EQ(path, "screen");
    path.clear();
    unnamed->GetPath(path);
    EXPECT_EQ(path, "screen/a/[no name]");
}

TEST_F(NodeTest, ActivationStartsAndStopsOnlyOnARealChange)
{
    StartStopNode node;
    CountingListener listener;
    node.AddStateListener(&listener);
    node.SetActive(true);
    EXPECT_TRUE(SceneLog().empty());
    EXPECT_EQ(listener.changes, 1);
    node.SetActive(false);
    node.SetActive(true);
    EXPECT_EQ(SceneLog(), (Log{"stop", "deactivate", "start", "activate"}));
    EXPECT_EQ(listener.changes, 3);
    EXPECT_EQ(listener.lastOld, 0u);
    EXPECT_EQ(listener.lastNew, uint32_t(kNodeActive));
    node.RemoveStateListener(&listener);
}

TEST_F(NodeTest, ListenersMayLeaveWhileToldAndHearOfTheNodesEnd)
{
    CountingListener stays;
    CountingListener leaves;
    {
        ZNode node;
        leaves.removeSelfFrom = &node;
        EXPECT_EQ(node.AddStateListener(&leaves), 0);
        node.AddStateListener(&stays);
        node.AddStateListener(&stays);
        node.SetHidden(true);
        node.SetHidden(false);
        EXPECT_EQ(leaves.changes, 1);
        EXPECT_EQ(stays.changes, 2);
        EXPECT_EQ(node.RemoveStateListener(&leaves), 1);
    }
    EXPECT_EQ(stays.gone, 1);
    EXPECT_EQ(leaves.gone, 0);
}

TEST_F(NodeTest, ChangedMarksAncestorsAndClearsOnlyWhereTheBitLeads)
{
    ZNode root;
    auto* mid = new ZNode();
    auto* leaf = new ZNode();
    auto* other = new ZNode();
    root.AddChild(mid);
    mid->AddChild(leaf);
    root.AddChild(other);
    leaf->SetChanged(true, true);
    EXPECT_TRUE(root.TestFlags(kNodeChanged));
    EXPECT_TRUE(mid->TestFlags(kNodeChanged));
    EXPECT_FALSE(other->TestFlags(kNodeChanged));

    root.SetChanged(false, true);
    EXPECT_FALSE(leaf->TestFlags(kNodeChanged));

    // A marked node below an unmarked child keeps its mark.
    leaf->SetChanged(true, false);
    root.SetChanged(false, true);
    EXPECT_TRUE(leaf->TestFlags(kNodeChanged));
}

TEST_F(NodeTest, ACycleIsRefused)
{
    ZNode root;
    auto* child = new ZNode();
    auto* grandchild = new ZNode();
    root.AddChild(child);
    child->AddChild(grandchild);
    grandchild->AddChild(&root);
    child->AddChild(child);
    EXPECT_EQ(root.GetParent(), nullptr);
    EXPECT_EQ(child->GetParent(), &root);
    EXPECT_EQ(grandchild->GetChildCount(), 0u);
    EXPECT_TRUE(grandchild->IsDescendantOf(&root));
    EXPECT_FALSE(root.IsDescendantOf(&root));
}

TEST_F(NodeTest, ACloneJoinsTheSourcesParentAndAGroupCopiesItsSubtree)
{
    auto* source = ZGroup::CreateNamed("source");
    tree->AddChild(source);
    auto* child = ZGroup::CreateNamed("child", ZGroup::CreateNamed("grandchild"));
    source->AddChild(child);
    source->AddChild(new LogController("ctrl"));
    source->SetPositionXYZ(1.0f, 2.0f, 3.0f);
    source->SetHidden(true);

    auto* copy = static_cast<ZGroup*>(source->Clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetParent(), tree);
    EXPECT_EQ(tree->GetLastChild(), copy);
    EXPECT_STREQ(copy->GetName(), "source");
    EXPECT_TRUE(copy->IsHidden());
    EXPECT_EQ(copy->Position(), (V3{1.0f, 2.0f, 3.0f}));
    // The controller is not cloned; the group's own children are copies.
    EXPECT_EQ(copy->GetChildCount(), 1u);
    EXPECT_NE(copy->FindNode("child/grandchild"), nullptr);
    EXPECT_NE(copy->FindNode("child"), child);
    EXPECT_EQ(source->GetChildCount(), 2u);
    EXPECT_EQ(source->FindNode("child"), child);
}

TEST_F(NodeTest, ARecycledChildIsHandedBackInsteadOfDeleted)
{
    struct Pooled : ZNode
    {
        void Recycle() override
        {
            ++recycled;
            GetParent()->RemoveChild(this);
        }
        int recycled = 0;
    };
    Pooled pooled;
    pooled.SetFlags(kNodeRecycled);
    {
        ZNode parent;
        parent.AddChild(&pooled);
        parent.AddChild(new ZNode());
    }
    EXPECT_EQ(pooled.recycled, 1);
    EXPECT_EQ(pooled.GetParent(), nullptr);
}

TEST_F(NodeTest, TheChildIteratorPassesOverRefusedSubtrees)
{
    ZNode root;
    auto* a = ZGroup::CreateNamed("a", ZGroup::CreateNamed("a1"));
    auto* hidden = ZGroup::CreateNamed("h", ZGroup::CreateNamed("h1"));
    hidden->SetHidden(true);
    auto* off = ZGroup::CreateNamed("off", ZGroup::CreateNamed("off1"));
    off->SetActive(false);
    root.AddChild(a);
    root.AddChild(hidden);
    root.AddChild(off);
    root.AddChild(ZGroup::CreateNamed("z"));

    auto names = [&](bool onlyActive, bool skipHidden)
    {
        Log out;
        ZNodeChildIterator it(&root, onlyActive, skipHidden);
        while (ZNode* n = it.Next())
            out.push_back(n->GetName());
        return out;
    };
    EXPECT_EQ(names(false, false), (Log{"a", "a1", "h", "h1", "off", "off1", "z"}));
    EXPECT_EQ(names(true, true), (Log{"a", "a1", "z"}));
}

TEST_F(NodeTest, PropertiesAndTheirWriting)
{
    struct Recorder : ISaveVisitor
    {
        void Attribute(const char* name, const char* value) override
        {
            out += std::string(" ") + name + "=" + value;
        }
        void BeginElement(const char* property, const char* element) override
        {
            out += std::string("<") + element + (property ? std::string("@") + property : "");
        }
        void CloseStartTag() override { out += ">"; }
        void EndElement(const char*, const char* element) override
        {
            out += std::string("</") + element + ">";
        }
        std::string out;
    };
    ZNode node;
    EXPECT_TRUE(node.SetProperty(ZNameId("name"), "name", "knob"));
    EXPECT_TRUE(node.SetProperty(ZNameId("active"), "active", "false"));
    EXPECT_TRUE(node.SetProperty(ZNameId("hidden"), "hidden", "1"));
    EXPECT_FALSE(node.SetProperty(ZNameId("colour"), "colour", "red"));
    node.AddChild(ZGroup::CreateNamed("inner"));
    Recorder recorder;
    node.SaveElement(&recorder);
    EXPECT_EQ(recorder.out, "<node name=knob active=false hidden=true><group name=inner></group></node>");
}

namespace
{
// Stands in for the animation set: only its type record matters here.
class AnimationSetLike : public ZGroup
{
    QV_TYPE_RECORD(ZAnimationSet, &ZGroup::kTypeRecord)
};
class BoneSet : public AnimationSetLike
{
    QV_TYPE_RECORD(ZBoneSet, &AnimationSetLike::kTypeRecord)
};
} // namespace

TEST_F(NodeTest, TheFirstAnimationSetChildIsFoundByItsType)
{
    ZNode parent;
    parent.AddChild(ZGroup::Create());
    EXPECT_EQ(parent.FindChildAnimationSet(), nullptr);
    auto* set = new BoneSet();
    parent.AddChild(set);
    parent.AddChild(new AnimationSetLike());
    EXPECT_EQ(parent.FindChildAnimationSet(), set);
}
