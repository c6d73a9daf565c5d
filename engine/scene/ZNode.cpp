#include "engine/scene/ZNode.h"

#include <vector>
#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/ZAllocBase.h"
#include "engine/core/ZUtil.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"

bool g_nodeListenersMuted = false;
bool g_engineStartingUp = false;

namespace
{

ZSerializerRTTI<ZNode> s_nodeSerializer;

// Node names live in one pool of their own; when it is full, names come from the general heap.
ZAllocStaticArena<1024 * 1024>& NamePool()
{
    static auto* pool = new ZAllocStaticArena<1024 * 1024>();
    return *pool;
}

char* CopyName(const char* text)
{
    const size_t length = std::strlen(text) + 1;
    void* block = NamePool().Alloc(length);
    if (!block)
        block = EngineNew(length);
    std::memcpy(block, text, length);
    return static_cast<char*>(block);
}

void FreeName(char* name)
{
    if (!name)
        return;
    if (NamePool().Owns(name))
        NamePool().Free(name);
    else
        ::operator delete(name);
}

const char* NameOrClass(const ZNode* node)
{
    const char* name = node->GetName();
    return name ? name : node->GetTypeRecord()->name;
}

} // namespace

ZNode::ZNode() = default;

ZNode::~ZNode()
{
    if (m_listeners)
    {
        if (!g_nodeListenersMuted)
        {
            // Copied first: a listener may remove itself while told.
            std::vector<INodeStateListener*> copy = *m_listeners;
            for (INodeStateListener* l : copy)
            {
                if (m_listeners &&
                    std::find(m_listeners->begin(), m_listeners->end(), l) != m_listeners->end())
                    l->NodeGone(this);
            }
        }
    }
    if ((m_flags & kNodePendingDelete) != 0)
    {
        if (ZSceneTree* tree = ZSceneTree::PeekInstance())
            tree->ForgetDeferred(this);
    }
    if (m_parent)
        m_parent->RemoveChild(this);
    FreeName(m_name);
    m_name = nullptr;
    delete m_listeners;
    m_listeners = nullptr;
    DestroyChildren();
}

namespace
{
// How deep node destruction recurses (per thread). Past the limit a dying child hands its own
// children to the node above before it goes, so a tree of any depth is destroyed within a bounded
// stack; ordinary trees keep the usual order, each node seeing its children in its destructor.
thread_local int t_destroyDepth = 0;
constexpr int kRecursiveDestroyDepth = 64;
} // namespace

void ZNode::DestroyChildren()
{
    struct DepthGuard
    {
        DepthGuard() { ++t_destroyDepth; }
        ~DepthGuard() { --t_destroyDepth; }
    } guard;
    const bool flatten = t_destroyDepth > kRecursiveDestroyDepth;
    while (ZNode* child = m_firstChild)
    {
        if (flatten && child->m_firstChild && !child->TestFlags(kNodeRecycled))
        {
            // The grandchildren move to the end of this node's list, in their order.
            // Relinked by hand: the child is about to go, and the usual removal would walk each
            // grandchild's subtree.
            while (ZNode* grandchild = child->m_firstChild)
            {
                child->m_firstChild = grandchild->m_next;
                if (child->m_firstChild)
                    child->m_firstChild->m_prev = nullptr;
                else
                    child->m_lastChild = nullptr;
                --child->m_childCount;
                if (child->m_updateCursor == grandchild)
                    child->m_updateCursor = grandchild->m_next;
                grandchild->m_parent = this;
                grandchild->m_prev = m_lastChild;
                grandchild->m_next = nullptr;
                if (m_lastChild)
                    m_lastChild->m_next = grandchild;
                else
                    m_firstChild = grandchild;
                m_lastChild = grandchild;
                ++m_childCount;
            }
        }
        if (child->TestFlags(kNodeRecycled))
        {
            child->Recycle();
            // A Recycle that kept the node here would make this loop endless.
            if (m_firstChild == child)
                RemoveChild(child);
        }
        else
        {
            delete child;
        }
    }
    m_firstChild = m_lastChild = nullptr;
    m_childCount = 0;
}

ZSerializerBase* ZNode::GetSerializer() const
{
    return &s_nodeSerializer;
}

void ZNode::Release()
{
    // After shutdown has begun the tree's own destruction deletes the nodes.
    if (TestFlags(kNodePendingDelete) || ZSceneTree::IsShutdownBegun())
        return;
    ZSceneTree::GetInstance()->DeferDelete(this);
}

void ZNode::EnterPhase1()
{
    SetFlags(kNodePhase1);
    for (ZNode* c = m_firstChild; c; c = c->m_next)
        c->EnterPhase1();
}

void ZNode::EnterPhase2()
{
    SetFlags(kNodePhase2);
    for (ZNode* c = m_firstChild; c; c = c->m_next)
        c->EnterPhase2();
}

void ZNode::EnterPhase3()
{
    SetFlags(kNodePhase3);
    for (ZNode* c = m_firstChild; c; c = c->m_next)
        c->EnterPhase3();
}

void ZNode::Update()
{
    if (!m_firstChild)
        return;
    m_updateCursor = m_firstChild;
    while (ZNode* node = m_updateCursor)
    {
        m_updateCursor = node->m_next;
        if (node->IsActive())
            node->Update();
    }
    m_updateCursor = nullptr;
}

void ZNode::CopyFrom(ZNode* source)
{
    if (!source || source == this)
        return;
    m_flags = (m_flags & kNodeRecycled) | (source->m_flags & ~uint32_t(kNodeRecycled));
    // The copy never inherits the source's place on the deferred-delete list.
    m_flags &= ~uint32_t(kNodePendingDelete);
    if (m_parent)
        m_parent->RemoveChild(this);
    if (source->m_parent)
        source->m_parent->AddChild(this);
    SetName(source->m_name);
    if (m_listeners)
    {
        std::vector<INodeStateListener*> copy = *m_listeners;
        for (INodeStateListener* l : copy)
            l->NodeCopied(this, source);
    }
}

ZNode* ZNode::Clone()
{
    auto* node = new ZNode();
    node->CopyFrom(this);
    return node;
}

void ZNode::SetParent(ZNode* parent)
{
    m_parent = parent;
    if (!TestFlags(kNodeOwnSubtreeValue))
        SetSubtreeValue(parent ? parent->m_subtreeValue : 0);
}

void ZNode::InvalidateLayout()
{
    for (ZNode* c = m_firstChild; c; c = c->m_next)
        c->InvalidateLayout();
}

void ZNode::SetHidden(bool hidden)
{
    if (hidden)
        SetFlags(kNodeHidden);
    else
        ClearFlags(kNodeHidden);
}

void ZNode::SetChanged(bool on, bool propagate)
{
    if (on)
        SetFlags(kNodeChanged);
    else
        ClearFlags(kNodeChanged);
    if (!propagate)
        return;
    if (m_parent)
        m_parent->SetChanged(on, true);
    if (!on)
    {
        for (ZNode* c = m_firstChild; c; c = c->m_next)
        {
            if (c->TestFlags(kNodeChanged))
                c->SetChangedDown();
        }
    }
}

void ZNode::SetChangedDown()
{
    // Clearing from an ancestor: this node and the children that still carry the bit.
    ClearFlags(kNodeChanged);
    for (ZNode* c = m_firstChild; c; c = c->m_next)
    {
        if (c->TestFlags(kNodeChanged))
            c->SetChangedDown();
    }
}

bool ZNode::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    if (id == ZAttr::Name.Value())
    {
        SetName(value);
        return true;
    }
    if (id == ZAttr::Active.Value())
    {
        SetActive(ParseBool(value));
        return true;
    }
    static constexpr ZNameId kHidden{"hidden"};
    if (id == kHidden.Value())
    {
        SetHidden(ParseBool(value));
        return true;
    }
    return false;
}

void ZNode::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    if (m_name)
        visitor->Attribute("name", m_name);
    if (!IsActive())
        visitor->Attribute("active", "false");
    if (IsHidden())
        visitor->Attribute("hidden", "true");
}

void ZNode::SaveChildren(ISaveVisitor* visitor)
{
    for (ZNode* c = m_firstChild; c; c = c->m_next)
        c->SaveElement(visitor);
}

bool ZNode::IsInLineage(const ZNode* node) const
{
    for (const ZNode* n = this; n; n = n->m_parent)
    {
        if (n == node)
            return true;
    }
    return false;
}

void ZNode::AddChild(ZNode* child)
{
    if (!child || IsInLineage(child))
        return;
    if (child->m_parent)
        child->m_parent->RemoveChild(child);
    if (g_engineStartingUp)
        MakeUniqueName(child);
    child->m_prev = m_lastChild;
    child->m_next = nullptr;
    if (m_lastChild)
        m_lastChild->m_next = child;
    else
        m_firstChild = child;
    m_lastChild = child;
    child->SetParent(this);
    ++m_childCount;
    // A subtree added late passes through every start-up phase the tree has passed, in order.
    if (TestFlags(kNodePhase1) && !child->TestFlags(kNodePhase1))
        child->EnterPhase1();
    if (TestFlags(kNodePhase2) && !child->TestFlags(kNodePhase2))
        child->EnterPhase2();
    if (TestFlags(kNodePhase3) && !child->TestFlags(kNodePhase3))
        child->EnterPhase3();
}

void ZNode::RemoveChild(ZNode* child)
{
    if (!child || child->m_parent != this)
        return;
    if (m_updateCursor == child)
        m_updateCursor = child->m_next;
    if (child->m_prev)
        child->m_prev->m_next = child->m_next;
    else
        m_firstChild = child->m_next;
    if (child->m_next)
        child->m_next->m_prev = child->m_prev;
    else
        m_lastChild = child->m_prev;
    child->m_next = nullptr;
    child->m_prev = nullptr;
    child->SetParent(nullptr);
    --m_childCount;
}

void ZNode::SetActiveAll(bool on)
{
    for (ZNode* c = m_firstChild; c;)
    {
        ZNode* next = c->m_next;
        c->SetActiveAll(on);
        c = next;
    }
    SetActive(on);
}

void ZNode::SetSubtreeValue(intptr_t value)
{
    if (value == m_subtreeValue)
        return;
    m_subtreeValue = value;
    for (ZNode* c = m_firstChild; c; c = c->m_next)
    {
        if (c->m_firstChild && c->TestFlags(kNodeOwnSubtreeValue))
            continue;
        c->SetSubtreeValue(value);
    }
}

void ZNode::SetActive(bool on)
{
    const uint32_t old = m_flags;
    m_flags = on ? (old | kNodeActive) : (old & ~uint32_t(kNodeActive));
    NotifyFlagsChanged(m_flags, old);
    const bool wasActive = (old & kNodeActive) != 0;
    if (on && !wasActive)
    {
        Start();
        OnActivate();
    }
    else if (!on && wasActive)
    {
        Stop();
        OnDeactivate();
    }
}

void ZNode::SetFlags(uint32_t bits)
{
    const uint32_t old = m_flags;
    m_flags |= bits;
    NotifyFlagsChanged(m_flags, old);
}

void ZNode::ClearFlags(uint32_t bits)
{
    const uint32_t old = m_flags;
    m_flags &= ~bits;
    NotifyFlagsChanged(m_flags, old);
}

void ZNode::SetName(const char* name)
{
    if (name == m_name)
        return;
    char* copy = name ? CopyName(name) : nullptr;
    FreeName(m_name);
    m_name = copy;
}

void ZNode::SetNameF(const char* format, ...)
{
    char buffer[64];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    buffer[63] = 0;
    SetName(buffer);
}

void ZNode::GetPath(std::string& out) const
{
    if (!m_parent)
        return;
    if (m_parent->m_parent)
    {
        m_parent->GetPath(out);
        out += "/";
    }
    out += m_name ? m_name : "[no name]";
}

ZNode* ZNode::FindChildNamed(const char* name, size_t length, bool withChildren) const
{
    for (ZNode* c = m_firstChild; c; c = c->m_next)
    {
        if (!c->m_name || (withChildren && !c->m_firstChild))
            continue;
        if (std::strlen(c->m_name) == length && std::memcmp(c->m_name, name, length) == 0)
            return c;
    }
    return nullptr;
}

ZNode* ZNode::FindNode(const char* path)
{
    if (!path)
        return nullptr;
    const char* slash = std::strchr(path, '/');
    if (!slash)
        return FindChildNamed(path, std::strlen(path), false);
    // The first child of that name with children is the only one searched.
    ZNode* head = FindChildNamed(path, size_t(slash - path), true);
    return head ? head->FindNode(slash + 1) : nullptr;
}

ZNode* ZNode::FindNodeAnywhere(const char* name)
{
    if (ZNode* hit = FindNode(name))
        return hit;
    for (ZNode* c = m_firstChild; c; c = c->m_next)
    {
        if (!c->m_firstChild)
            continue;
        if (ZNode* hit = c->FindNodeAnywhere(name))
            return hit;
    }
    return nullptr;
}

namespace
{
thread_local std::vector<ZNode*> t_findScopes;
} // namespace

void ZNode::PushFindScope(ZNode* root)
{
    t_findScopes.push_back(root);
}

void ZNode::PopFindScope()
{
    if (!t_findScopes.empty())
        t_findScopes.pop_back();
}

ZNode* ZNode::Find(const char* text)
{
    if (!text)
        return nullptr;
    for (auto it = t_findScopes.rbegin(); it != t_findScopes.rend(); ++it)
    {
        if (!*it)
            continue;
        if (ZNode* found = text[0] == '@' ? (*it)->FindNodeAnywhere(text + 1) : (*it)->FindNode(text))
            return found;
    }
    ZSceneTree* root = ZSceneTree::GetInstance();
    if (text[0] == '@')
        return root->FindNodeAnywhere(text + 1);
    return root->FindNode(text);
}

bool ZNode::IsActiveInHierarchy() const
{
    for (const ZNode* n = this; n; n = n->m_parent)
    {
        if (!n->IsActive())
            return false;
    }
    return true;
}

bool ZNode::IsDescendantOf(const ZNode* ancestor) const
{
    if (!ancestor || !ancestor->m_firstChild)
        return false;
    for (const ZNode* n = m_parent; n; n = n->m_parent)
    {
        if (n == ancestor)
            return true;
    }
    return false;
}

ZNode* ZNode::FindGeomParent() const
{
    for (ZNode* n = m_parent; n; n = n->m_parent)
    {
        if (n->IsA<ZGeom>())
            return n;
    }
    return nullptr;
}

ZNode* ZNode::FindChildAnimationSet() const
{
    // By the record's id: the animation classes build on the scene, not the other way round.
    static constexpr ZTypeRecord kAnimationSet{"ZAnimationSet", nullptr};
    for (ZNode* c = m_firstChild; c; c = c->m_next)
    {
        if (c->IsA(kAnimationSet))
            return c;
    }
    return nullptr;
}

void ZNode::OrFlagsRecursive(uint32_t bits)
{
    for (ZNode* c = m_firstChild; c; c = c->m_next)
        c->OrFlagsRecursive(bits);
    SetFlags(bits);
}

int ZNode::AddStateListener(INodeStateListener* listener)
{
    if (!listener)
        return 0;
    if (!m_listeners)
        m_listeners = new std::vector<INodeStateListener*>();
    if (std::find(m_listeners->begin(), m_listeners->end(), listener) == m_listeners->end())
        m_listeners->push_back(listener);
    return 0;
}

int ZNode::RemoveStateListener(INodeStateListener* listener)
{
    if (!m_listeners)
        return 1;
    auto it = std::find(m_listeners->begin(), m_listeners->end(), listener);
    if (it == m_listeners->end())
        return 1;
    m_listeners->erase(it);
    return 0;
}

void ZNode::NotifyFlagsChanged(uint32_t newFlags, uint32_t oldFlags)
{
    if (!m_listeners || g_nodeListenersMuted)
        return;
    // Over a copy: a listener may remove itself (or another) while told; one removed before its
    // turn is not called. Moving nodes notify on every change, so the usual few listeners are
    // copied to the stack rather than to the heap.
    constexpr size_t kLocal = 8;
    INodeStateListener* local[kLocal];
    std::vector<INodeStateListener*> heap;
    const size_t count = m_listeners->size();
    INodeStateListener* const* copy = local;
    if (count <= kLocal)
        std::copy(m_listeners->begin(), m_listeners->end(), local);
    else
    {
        heap = *m_listeners;
        copy = heap.data();
    }
    for (size_t i = 0; i < count; ++i)
    {
        if (!m_listeners)
            return;
        INodeStateListener* l = copy[i];
        if (std::find(m_listeners->begin(), m_listeners->end(), l) != m_listeners->end())
            l->FlagsChanged(this, newFlags, oldFlags);
    }
}

void ZNode::SaveElement(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    ZSerializerBase* serializer = GetSerializer();
    if (!serializer)
        return;
    std::string element = serializer->GetElementName();
    for (char& c : element)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    ZSerializerState* state = serializer->StateForEntity(this);
    visitor->BeginElement(nullptr, element.c_str());
    serializer->Write(state, visitor);
    visitor->CloseStartTag();
    serializer->WriteChildren(state, visitor);
    visitor->EndElement(nullptr, element.c_str());
    ZSerializerState::Release(state);
}

void ZNode::MakeUniqueName(ZNode* child)
{
    if (!child)
        return;
    std::string base = NameOrClass(child);
    if (const size_t hash = base.rfind('#'); hash != std::string::npos)
        base.resize(hash);
    int n = 0;
    for (ZNode* c = m_firstChild; c; c = c->m_next)
    {
        if (c == child)
            continue;
        std::string name = NameOrClass(c);
        int k = 1;
        if (const size_t hash = name.rfind('#'); hash != std::string::npos)
        {
            int m = 0;
            if (std::sscanf(name.c_str() + hash + 1, "%i", &m) == 1)
            {
                name.resize(hash);
                k = m + 1;
            }
        }
        if (name == base && k >= n)
            n = k;
    }
    if (n == 0 && child->m_name)
        return;
    char suffix[32];
    std::snprintf(suffix, sizeof(suffix), "%s%i", "#", n);
    child->SetName((base + suffix).c_str());
}

ZNodeChildIterator::ZNodeChildIterator(ZNode* root, bool onlyActive, bool skipHidden)
    : m_root(root), m_onlyActive(onlyActive), m_skipHidden(skipHidden)
{
}

bool ZNodeChildIterator::Accept(const ZNode* node) const
{
    if (m_onlyActive && !node->IsActive())
        return false;
    if (m_skipHidden && node->IsHidden())
        return false;
    return true;
}

ZNode* ZNodeChildIterator::Next()
{
    if (!m_root)
        return nullptr;
    ZNode* candidate;
    if (!m_started)
    {
        m_started = true;
        candidate = m_root->GetFirstChild();
    }
    else if (!m_current)
    {
        return nullptr;
    }
    else if (m_current->GetFirstChild())
    {
        candidate = m_current->GetFirstChild();
    }
    else
    {
        candidate = nullptr;
        for (ZNode* n = m_current; n && n != m_root; n = n->GetParent())
        {
            if (n->GetNextSibling())
            {
                candidate = n->GetNextSibling();
                break;
            }
        }
    }
    // Pass over refused nodes and their subtrees.
    while (candidate && !Accept(candidate))
    {
        ZNode* next = nullptr;
        for (ZNode* n = candidate; n && n != m_root; n = n->GetParent())
        {
            if (n->GetNextSibling())
            {
                next = n->GetNextSibling();
                break;
            }
        }
        candidate = next;
    }
    m_current = candidate;
    return candidate;
}
