#include "engine/import/ZSceneXMLImport2.h"

#include <iterator>
#include <expat.h>

#include <cstring>

#include "engine/core/ZSerializer.h"
#include "engine/resource/ZResourceSettings.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZNode.h"
#include "engine/scene/ZSceneTree.h"

SSceneImporterHolder g_sceneImporter;

namespace
{
constexpr ZNameId kSceneElement{"scene"};
constexpr ZNameId kResourcesElement{"resources"};
constexpr ZNameId kLangAttribute{"lang"};
constexpr ZNameId kPropertyAttribute{"property"};

// Wrapper elements that make nothing: their children read as if they stood in their place. The
// whole element name's id is compared, so "r:scene" is not a wrapper.
bool IsWrapper(const char* name)
{
    const uint32_t id = ZNameId(name).Value();
    return id == kSceneElement.Value() || id == kResourcesElement.Value();
}

// The serializer of an element name, with "r:" dropped and noted.
ZSerializerBase* SerializerOf(const char* name, bool& reference)
{
    reference = name && name[0] == 'r' && name[1] == ':';
    return ZSerializerBase::FindByName(reference ? name + 2 : name);
}

ZNode* NodeOf(const ZSerializerState* state)
{
    if (!state || !state->serializer || !state->serializer->IsObjectSerializer())
        return nullptr;
    return ZEntityCast<ZNode>(state->Entity());
}

ZNode* SceneRoot()
{
    return ZSceneTree::GetInstance();
}

// "scenetree": stands for the node the running import fills.
class ZSceneTreeHandler : public ZSerializerBase
{
public:
    ZSceneTreeHandler() : ZSerializerBase("scenetree") {}

    bool IsObjectSerializer() const override { return true; }
    bool FindsByName() const override { return false; }
    void FreeState(ZSerializerState*) override {}
    ZSerializerState* StateForObject(void* object) override { return ZSerializerState::Create(object, this); }
    ZSerializerState* CreateNew() override
    {
        ZSceneXMLImport2* current = ZSceneXMLImport2::GetCurrent();
        ZNode* node = current ? current->GetTargetNode() : SceneRoot();
        return ZSerializerState::Create(static_cast<void*>(static_cast<ZEntity*>(node)), this);
    }
    ZSerializerState* StateByName(const char*) override { return CreateNew(); }
    bool SetAttribute(ZSerializerState*, uint32_t, const char*, const char*) override { return false; }
    void Write(ZSerializerState*, ISaveVisitor*) override {}
    void WriteChildren(ZSerializerState*, ISaveVisitor*) override {}
    void Finish(ZSerializerState*) override {}
};

// "merge": its "path" (or "name") imports another scene file in place.
class ZMergeHandler : public ZSerializerBase
{
public:
    ZMergeHandler() : ZSerializerBase("merge") {}

    bool IsObjectSerializer() const override { return false; }
    bool FindsByName() const override { return false; }
    void FreeState(ZSerializerState*) override {}
    ZSerializerState* StateForObject(void* object) override { return ZSerializerState::Create(object, this); }
    ZSerializerState* CreateNew() override { return ZSerializerState::Create(nullptr, this); }
    ZSerializerState* StateByName(const char*) override { return CreateNew(); }
    bool SetAttribute(ZSerializerState*, uint32_t id, const char*, const char* value) override
    {
        if (id != ZAttr::Name.Value() && id != ZAttr::Path.Value())
            return false;
        ZSceneXMLImport2* current = ZSceneXMLImport2::GetCurrent();
        if (current)
            return current->Merge(value);
        ZSceneXMLImport2 fresh;
        const bool ok = ImportSceneFile(ZResourcePath(value ? value : ""), nullptr, &fresh) == 0;
        ZSceneXMLImport2::SetCurrent(nullptr);
        return ok;
    }
    void Write(ZSerializerState*, ISaveVisitor*) override {}
    void WriteChildren(ZSerializerState*, ISaveVisitor*) override {}
    void Finish(ZSerializerState*) override {}
};

ZSceneTreeHandler s_sceneTreeHandler;
ZMergeHandler s_mergeHandler;
} // namespace

ZSceneXMLImport2::ZSceneXMLImport2()
{
    s_current = this;
}

ZSceneXMLImport2::~ZSceneXMLImport2()
{
    ClearStack();
    if (s_current == this)
        s_current = nullptr;
}

ZNode* ZSceneXMLImport2::GetTargetNode() const
{
    if (m_staging)
        return m_staging;
    return m_parentNode ? m_parentNode : SceneRoot();
}

void ZSceneXMLImport2::ResetImport()
{
    ZXMLImport::ResetImport();
    s_current = this;
    ClearStack();
}

int ZSceneXMLImport2::Import(IFile* file)
{
    ClearStack();
    return ZXMLImport::Import(file);
}

int ZSceneXMLImport2::ImportPath(ZResourcePath* path)
{
    if (path)
        m_path = *path;
    return ZXMLImport::ImportPath(path);
}

int ZSceneXMLImport2::Parse()
{
    return RunStaged(nullptr, 0, false);
}

int ZSceneXMLImport2::ImportBuffer(const char* data, size_t size)
{
    ClearStack();
    return RunStaged(data, size, true);
}

void ZSceneXMLImport2::SetupParser(XML_ParserStruct* parser)
{
    ZXMLImport::SetupParser(parser);
    XML_SetElementHandler(parser, &StartHandler, &EndHandler);
}

int ZSceneXMLImport2::RunStaged(const char* data, size_t size, bool fromBuffer)
{
    ZSceneXMLImport2* previous = s_current;
    s_current = this;
    ZGroup* outerStaging = m_staging;
    std::vector<std::pair<ZNode*, ZNode*>> outerMoved;
    outerMoved.swap(m_moved);
    const bool outerFailed = m_failed;
    m_failed = false;
    m_failedTooDeep = false;
    ZNode* target = m_parentNode ? m_parentNode : SceneRoot();
    m_staging = new ZGroup();
    // References find what this file (and the files it merged) made so far, before the tree.
    ZNode::PushFindScope(m_staging);
    int result = fromBuffer ? ParseBuffer(data, size) : ZXMLImport::Parse();
    ZNode::PopFindScope();
    if (m_failed || !m_stack.empty())
        result = 1;

    if (result == 0)
    {
        while (ZNode* child = m_staging->GetFirstChild())
        {
            target->AddChild(child);
            if (child->GetParent() != m_staging)
                continue;
            // The target refused it (the node is the target or one of its ancestors): a moved
            // node goes back where it came from, anything else made here is dropped.
            m_staging->RemoveChild(child);
            bool restored = false;
            for (const auto& [node, oldParent] : m_moved)
            {
                if (node == child && oldParent)
                {
                    oldParent->AddChild(child);
                    restored = true;
                    break;
                }
            }
            if (!restored)
                delete child;
        }
    }
    else
    {
        // Moved nodes go home first: an open element deleted below must not take them along.
        Rollback();
        ClearStack();
    }
    delete m_staging;
    m_staging = outerStaging;
    m_moved.swap(outerMoved);
    m_failed = outerFailed;
    s_current = previous;
    return result;
}

void ZSceneXMLImport2::Rollback()
{
    // Newest first, so a node moved twice ends where it started.
    for (auto it = m_moved.rbegin(); it != m_moved.rend(); ++it)
    {
        if (it->second)
            it->second->AddChild(it->first);
        else if (ZNode* parent = it->first->GetParent())
            parent->RemoveChild(it->first);
    }
    m_moved.clear();
}

bool ZSceneXMLImport2::Merge(const char* resourceName)
{
    if (s_mergeDepth >= kMaxMergeDepth)
    {
        m_failed = true;
        m_failedTooDeep = true;
        AbortParse("merges nested too deep");
        return false;
    }
    ++s_mergeDepth;
    ZSceneXMLImport2* fresh = new ZSceneXMLImport2();
    const int result =
        ImportSceneFile(ZResourcePath(resourceName ? resourceName : ""), GetTargetNode(), fresh);
    const bool tooDeep = fresh->m_failedTooDeep;
    delete fresh;
    s_current = this;
    --s_mergeDepth;
    if (tooDeep)
    {
        // The limit fails every import on the way out, so nothing of the recursion is kept.
        m_failed = true;
        m_failedTooDeep = true;
        AbortParse("merges nested too deep");
    }
    return result == 0;
}

void ZSceneXMLImport2::StartHandler(void* user, const char* name, const char** attributes)
{
    static_cast<ZSceneXMLImport2*>(user)->OnStart(name, attributes);
}

void ZSceneXMLImport2::EndHandler(void* user, const char* name)
{
    static_cast<ZSceneXMLImport2*>(user)->OnEnd(name);
}

void ZSceneXMLImport2::OnStart(const char* name, const char** attributes)
{
    if (IsWrapper(name))
        return;
    bool reference = false;
    ZSerializerBase* serializer = SerializerOf(name, reference);
    if (!serializer)
        return;
    if (m_stack.size() >= kMaxElementDepth)
    {
        m_failed = true;
        AbortParse("elements nested deeper than 256");
        // An empty entry, so that an end still delivered pops its own.
        m_stack.push_back(Element());
        return;
    }

    Element element;
    const char* objectName = nullptr;
    if (reference || serializer->FindsByName())
    {
        // A reference takes the first "name", a class found by name the last.
        for (const char** a = attributes; a && a[0]; a += 2)
        {
            if (ZNameId(a[0]).Value() != ZAttr::Name.Value())
                continue;
            objectName = a[1];
            if (reference)
                break;
        }
        element.state = serializer->StateByName(objectName);
        // A declaration ("font", "texture", ...) of a name that does not exist yet makes it; only a
        // reference must find what it names.
        if (!reference && element.state && !element.state->object)
        {
            ZSerializerState::Release(element.state);
            element.state = serializer->CreateNew();
            element.created = element.state && element.state->object;
        }
    }
    else
    {
        element.state = serializer->CreateNew();
        element.created = serializer != &s_sceneTreeHandler;
    }
    if (!element.state)
    {
        // Pushed all the same, so that the end of the element pops its own entry.
        m_stack.push_back(element);
        return;
    }

    const std::string& language = g_language.GetValue();
    for (const char** a = attributes; a && a[0]; a += 2)
    {
        if (ZNameId(a[0]).Value() == kLangAttribute.Value() && language != a[1])
        {
            element.state->skipped = 1;
            m_stack.push_back(element);
            return;
        }
    }
    for (const char** a = attributes; a && a[0]; a += 2)
    {
        const uint32_t id = ZNameId(a[0]).Value();
        // A reference's "name" picks the node ("@name", "a/b"): it does not rename it.
        if (reference && a[1] == objectName && id == ZAttr::Name.Value())
            continue;
        if (id == kPropertyAttribute.Value())
            element.state->name = a[1];
        else
            serializer->SetAttribute(element.state, id, a[0], a[1]);
        if (m_failed)
            break;
    }
    m_stack.push_back(element);
}

void ZSceneXMLImport2::OnEnd(const char* name)
{
    if (IsWrapper(name))
        return;
    bool reference = false;
    if (!SerializerOf(name, reference) || m_stack.empty())
        return;

    Element element = m_stack.back();
    m_stack.pop_back();
    ZSerializerState* state = element.state;
    if (!state)
        return;
    bool taken = false;
    if (!state->skipped)
    {
        state->serializer->Finish(state);
        if (!m_stack.empty() && state->serializer && state->object)
        {
            ZSerializerState* parent = m_stack.back().state;
            if (parent && !parent->skipped && parent->serializer && parent->object)
            {
                taken = ZSerializerState::HandChild(parent, state);
                ZNode* parentNode = NodeOf(parent);
                ZNode* childNode = NodeOf(state);
                if (parentNode && childNode && !childNode->TestFlags(kNodePendingDelete))
                {
                    ZNode* oldParent = childNode->GetParent();
                    if (!element.created && oldParent != parentNode)
                        m_moved.emplace_back(childNode, oldParent);
                    parentNode->AddChild(childNode);
                }
            }
        }
    }
    DropOrphan(element, taken);
    ZSerializerState::Release(state);
}

void ZSceneXMLImport2::DropOrphan(const Element& element, bool taken)
{
    // A node made here that nothing took (top level, under a skipped or unknown parent, or left
    // open by a broken document) would otherwise be lost memory.
    if (!element.created || taken)
        return;
    ZNode* node = NodeOf(element.state);
    if (!node || node->GetParent() || node == m_staging || node->TestFlags(kNodePendingDelete))
        return;
    if (ZSceneTree::PeekInstance() == node)
        return;
    // Nodes that references moved under it were there before this import: they go back where they
    // were instead of going with it (the scene tree's root among them).
    for (auto it = m_moved.rbegin(); it != m_moved.rend();)
    {
        bool below = false;
        for (ZNode* n = it->first->GetParent(); n && !below; n = n->GetParent())
            below = n == node;
        if (below)
        {
            if (it->second)
                it->second->AddChild(it->first);
            else if (ZNode* parent = it->first->GetParent())
                parent->RemoveChild(it->first);
            it = decltype(it)(m_moved.erase(std::next(it).base()));
        }
        else
            ++it;
    }
    delete node;
    element.state->object = nullptr;
}

void ZSceneXMLImport2::ClearStack()
{
    while (!m_stack.empty())
    {
        Element element = m_stack.back();
        m_stack.pop_back();
        if (!element.state)
            continue;
        DropOrphan(element, false);
        ZSerializerState::Release(element.state);
    }
}

void CreateSceneImporter(SSceneImporterHolder* holder)
{
    if (!holder)
        return;
    // Making an importer makes it current; the shared one becomes current only while it runs.
    ZSceneXMLImport2* previous = ZSceneXMLImport2::GetCurrent();
    holder->importer = new ZSceneXMLImport2();
    ZSceneXMLImport2::SetCurrent(previous);
}

void ReleaseSceneImporter(SSceneImporterHolder* holder)
{
    if (!holder)
        return;
    delete holder->importer;
    holder->importer = nullptr;
}

int ImportSceneFile(ZResourcePath path, ZNode* parent, ISceneImport* importer, SSceneImporterHolder* holder)
{
    if (path.GetName().empty())
        return 1;
    if (!importer)
    {
        if (!holder)
            return 1;
        if (!holder->importer)
            CreateSceneImporter(holder);
        importer = holder->importer;
        if (!importer)
            return 1;
    }
    importer->SetParentNode(parent);
    return importer->ImportPath(&path);
}

int ImportDetachedBuffer(const std::string& text, const char* source, std::string& error)
{
    ZSceneXMLImport2* outer = ZSceneXMLImport2::GetCurrent();
    int result = 1;
    {
        ZGroup scratch;
        ZSceneXMLImport2 importer;
        importer.SetParentNode(&scratch);
        importer.SetSourceName(source ? source : "");
        result = importer.ImportBuffer(text.data(), text.size());
        error = result != 0 ? importer.GetLastError() : std::string();
        while (ZNode* child = scratch.GetFirstChild())
        {
            scratch.RemoveChild(child);
            delete child;
        }
    }
    ZSceneXMLImport2::SetCurrent(outer);
    return result;
}

ZGroup* LoadSceneAsGroup(const char* name, ZResourcePath path, ZNode* parent, ISceneImport* importer)
{
    ZGroup* group = ZGroup::Create();
    group->SetName(name);
    if (ImportSceneFile(std::move(path), group, importer) != 0)
    {
        delete group;
        return nullptr;
    }
    if (parent)
        parent->AddChild(group);
    return group;
}
