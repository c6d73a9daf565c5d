// Feeds arbitrary bytes to the scene XML importer under a group of the scene tree: whatever the
// document, a failed import attaches nothing and the group with what it took is destroyed cleanly.
#include <cstddef>
#include <cstdint>

#include "engine/import/ZSceneXMLImport2.h"
#include "engine/scene/ZSceneTree.h"

extern bool g_engineStartingUp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_engineStartingUp = false;
    ZSceneTree* tree = ZSceneTree::GetInstance();
    ZGroup* parent = ZGroup::CreateNamed("fuzz_parent");
    tree->AddChild(parent);
    {
        ZSceneXMLImport2 import;
        import.SetParentNode(parent);
        if (import.ImportBuffer(reinterpret_cast<const char*>(data), size) != 0 && parent->HasChildren())
            __builtin_trap();
    }
    delete parent;
    // References may have moved nodes of the tree itself: start each input from an empty tree.
    ZSceneTree::DestroyInstance();
    return 0;
}
