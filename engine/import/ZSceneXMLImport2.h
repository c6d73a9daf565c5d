#pragma once
// The scene reader: XML whose element names are registered serializer names and whose attributes
// are properties of the object an element makes (see ZSerializer.h). "scenetree" stands for the
// node the import was asked to fill, "merge" imports another scene file in place, "scene" and
// "resources" are transparent wrappers, "r:" refers to an existing object by name and "lang"
// keeps an element only for one language.
//
// An import is all or nothing for the scene: what "scenetree" receives is built under a detached
// staging group and moved under the real parent only when the whole document (merges included)
// was read. A malformed or cut-off file reports 1 and leaves the parent as it was.
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "engine/import/ZXMLImport.h"
#include "engine/resource/ZResourcePath.h"

class ZNode;
class ZGroup;
struct ZSerializerState;

class ISceneImport : public IImport
{
public:
    virtual int Import(IFile* file) = 0;
    // The node under which "scenetree" places its children; null means the scene tree root.
    virtual void SetParentNode(ZNode* node) = 0;
    // Stored only; the import itself does not read it.
    virtual void SetImportName(const char* name) = 0;
};

class ZSceneXMLImport2 : public ZXMLImport, public ISceneImport
{
public:
    // Merges nest at most this deep; a deeper one fails the whole import (a file that merges
    // itself would otherwise recurse without end).
    static constexpr int kMaxMergeDepth = 16;
    // Elements open at once; a deeper document is refused (the scene's walks are recursive).
    static constexpr size_t kMaxElementDepth = 256;

    // The new importer becomes the current import.
    ZSceneXMLImport2();
    ~ZSceneXMLImport2() override;

    void ResetImport() override;
    int Import(IFile* file) override;
    int ImportPath(ZResourcePath* path) override;
    int Parse() override;
    void SetupParser(XML_ParserStruct* parser) override;
    void SetParentNode(ZNode* node) override { m_parentNode = node; }
    void SetImportName(const char* name) override { m_importName = name ? name : ""; }

    // Reads a scene document held in memory under the parent node; 0 on success.
    int ImportBuffer(const char* data, size_t size);

    ZNode* GetParentNode() const { return m_parentNode; }
    const std::string& GetImportName() const { return m_importName; }
    // Where "scenetree" children go while the import runs: the staging group, or the parent
    // node (the scene tree root when none is set) outside an import.
    ZNode* GetTargetNode() const;

    // The import whose parse is running (null when none).
    static ZSceneXMLImport2* GetCurrent() { return s_current; }
    static void SetCurrent(ZSceneXMLImport2* import) { s_current = import; }

    // Called by the merge handler: imports the named scene under this import's target.
    bool Merge(const char* resourceName);

private:
    struct Element
    {
        ZSerializerState* state = nullptr;
        // Made by this element (not found by name): an orphan at the end is deleted.
        bool created = false;
    };

    int RunStaged(const char* data, size_t size, bool fromBuffer);
    void OnStart(const char* name, const char** attributes);
    void OnEnd(const char* name);
    void DropOrphan(const Element& element, bool taken);
    void ClearStack();
    void Rollback();

    static void StartHandler(void* user, const char* name, const char** attributes);
    static void EndHandler(void* user, const char* name);

    std::deque<Element> m_stack;
    std::string m_importName;
    std::string m_secondName;
    ZResourcePath m_path;
    ZNode* m_parentNode = nullptr;
    ZGroup* m_staging = nullptr;
    // Nodes that "r:" elements moved, with the parent each had, for a failed import to undo.
    std::vector<std::pair<ZNode*, ZNode*>> m_moved;
    bool m_failed = false;
    // The merge nesting limit was passed somewhere below this import.
    bool m_failedTooDeep = false;

    static inline ZSceneXMLImport2* s_current = nullptr;
    static inline int s_mergeDepth = 0;
};

// The shared importer: made on first use, reused for every import, deleted at engine teardown.
struct SSceneImporterHolder
{
    ISceneImport* importer = nullptr;
};
extern SSceneImporterHolder g_sceneImporter;

// Fills the holder with a new ZSceneXMLImport2 (the holder stays empty when none can be made).
void CreateSceneImporter(SSceneImporterHolder* holder = &g_sceneImporter);
// Deletes the holder's importer and empties it.
void ReleaseSceneImporter(SSceneImporterHolder* holder = &g_sceneImporter);

// Imports the scene file under the parent node with the importer given, or the shared one.
// 0 on success; 1 for an empty path, a file that cannot be opened or a malformed document.
int ImportSceneFile(ZResourcePath path, ZNode* parent, ISceneImport* importer = nullptr,
                    SSceneImporterHolder* holder = &g_sceneImporter);
// Reads a document of objects that are no scene (a save file, a script) from memory, naming it
// `source` in messages. Scene nodes the document may carry are made under a group of their own and
// deleted with it, so such a file adds nothing to the scene; the current import is as it was
// afterwards. 0 on success; 1 with the parser's reason in `error` otherwise.
int ImportDetachedBuffer(const std::string& text, const char* source, std::string& error);
// A new group of that name holding the imported scene, added to the parent on success; null (and
// nothing attached) on failure.
ZGroup* LoadSceneAsGroup(const char* name, ZResourcePath path, ZNode* parent,
                         ISceneImport* importer = nullptr);
