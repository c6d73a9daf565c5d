// Scene XML: reading element and attribute names through the serializer registry, the reserved
// names, all-or-nothing imports, merges with their nesting limit, and the writer's round trip.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/fs/ZStream.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/import/ZXMLSaveVisitor.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "support/TestFiles.h"

extern bool g_engineStartingUp;

namespace
{
// "name(child,child)" for the subtree below a node, in child order.
std::string Shape(const ZNode* node)
{
    std::string out;
    for (const ZNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
    {
        if (!out.empty())
            out += ",";
        out += c->GetName() ? c->GetName() : "?";
        if (c->HasChildren())
            out += "(" + Shape(c) + ")";
    }
    return out;
}

// Writes a node as XML into a string.
std::string Save(ZNode* node, bool* failed = nullptr)
{
    std::vector<char> buffer(1 << 16);
    ZMemoryStream stream(buffer.data(), uint32_t(buffer.size()));
    ZXMLSaveVisitor visitor(&stream);
    node->SaveElement(&visitor);
    if (failed)
        *failed = visitor.HasFailed();
    return std::string(buffer.data(), size_t(stream.Tell()));
}

class SceneXMLTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_engineStartingUp = false;
        ZSceneTree::SetShutdownBegun(false);
        tree = ZSceneTree::GetInstance();
        parent = ZGroup::CreateNamed("parent");
        tree->AddChild(parent);
        m_table.AddMount("testxml", QV_FIXTURES "/scenexml");
        m_table.AddMount("scratch", m_temp.Path().c_str());
        m_fileSystem = std::make_unique<ZFileSystem>(&m_table);
        g_language.SetFromText("en", false, true);
    }
    void TearDown() override
    {
        ReleaseSceneImporter();
        m_fileSystem.reset();
        ZSceneTree::DestroyInstance();
        g_language.SetFromText("en", false, true);
    }

    int Import(const std::string& text, ZNode* under)
    {
        ZSceneXMLImport2 import;
        import.SetParentNode(under);
        const int result = import.ImportBuffer(text.data(), text.size());
        EXPECT_EQ(ZSceneXMLImport2::GetCurrent(), &import);
        return result;
    }

    ZSceneTree* tree = nullptr;
    ZGroup* parent = nullptr;
    qvtest::TempDir m_temp{"qvscenexml"};

private:
    ZMountTable m_table;
    std::unique_ptr<ZFileSystem> m_fileSystem;
};

TEST_F(SceneXMLTest, ElementsAreRegisteredLowerCaseNamesAndAttributesAreProperties)
{
    struct Case
    {
        const char* xml;
        const char* shape;
    } cases[] = {
        {"<scenetree><group name=\"a\"><group name=\"b\"/></group></scenetree>", "a(b)"},
        // Matched as written: "Group" and unregistered names make nothing; their children go to
        // the nearest element that made an object.
        {"<scenetree><group name=\"a\"><Group name=\"x\"><group "
         "name=\"c\"/></Group><widget/></group></scenetree>",
         "a(c)"},
        // Unknown attributes are passed over, the known ones still apply.
        {"<scenetree><group colour=\"red\" name=\"a\" sparkle=\"7\"/></scenetree>", "a"},
        // Transparent wrappers.
        {"<scene><scenetree><resources><group name=\"a\"/></resources></scenetree></scene>", "a"},
        // "r:scene" is no wrapper (and no serializer): nothing is made for it.
        {"<scenetree><r:scene><group name=\"a\"/></r:scene></scenetree>", "a"},
        // Character data and comments carry nothing.
        {"<scenetree>text<!-- note --><group name=\"a\">more</group></scenetree>", "a"},
        // Top-level elements outside "scenetree" are made but attached to nothing.
        {"<group name=\"loose\"/>", ""},
    };
    for (const Case& c : cases)
    {
        ZGroup* under = ZGroup::CreateNamed("under");
        parent->AddChild(under);
        EXPECT_EQ(Import(c.xml, under), 0) << c.xml;
        EXPECT_EQ(Shape(under), c.shape) << c.xml;
    }
}

TEST_F(SceneXMLTest, WithoutParentTheSceneTreeRootReceives)
{
    const std::string xml = "<scenetree><group name=\"atroot\"/></scenetree>";
    EXPECT_EQ(Import(xml, nullptr), 0);
    EXPECT_NE(tree->FindNode("atroot"), nullptr);
}

TEST_F(SceneXMLTest, LanguageSkipsTheElementWithItsAttributesAndDetachesItsChildren)
{
    const std::string xml = "<scenetree><group name=\"a\" lang=\"de\"><group name=\"kid\"/></group>"
                            "<group name=\"b\" lang=\"en\"/></scenetree>";
    EXPECT_EQ(Import(xml, parent), 0);
    EXPECT_EQ(Shape(parent), "b");

    g_language.SetFromText("de", false, true);
    ZGroup* other = ZGroup::CreateNamed("other");
    tree->AddChild(other);
    EXPECT_EQ(Import(xml, other), 0);
    EXPECT_EQ(Shape(other), "a(kid)");
    // Same length and same bytes only.
    g_language.SetFromText("d", false, true);
    ZGroup* third = ZGroup::CreateNamed("third");
    tree->AddChild(third);
    EXPECT_EQ(Import(xml, third), 0);
    EXPECT_EQ(Shape(third), "");
}

TEST_F(SceneXMLTest, PropertyHandsTheChildValueToTheEnclosingObject)
{
    const std::string xml =
        "<scenetree><group name=\"a\"><v3 property=\"position\" x=\"1.5\" y=\"-2\" z=\"3\"/>"
        "</group></scenetree>";
    ASSERT_EQ(Import(xml, parent), 0);
    auto* a = ZEntityCast<ZGeom>(parent->FindNode("a"));
    ASSERT_NE(a, nullptr);
    EXPECT_FLOAT_EQ(a->Position().x, 1.5f);
    EXPECT_FLOAT_EQ(a->Position().y, -2.0f);
    EXPECT_FLOAT_EQ(a->Position().z, 3.0f);
}

TEST_F(SceneXMLTest, ReferenceMovesAnExistingNodeAndAMissingOneIsIgnored)
{
    ZGroup* target = ZGroup::CreateNamed("target");
    tree->AddChild(target);
    const std::string xml = "<scenetree><group name=\"holder\"><r:group name=\"target\" active=\"false\"/>"
                            "<r:group name=\"@nobody\"/></group></scenetree>";
    ASSERT_EQ(Import(xml, parent), 0);
    EXPECT_EQ(Shape(parent), "holder(target)");
    EXPECT_FALSE(target->IsActive());
}

// A node made by the import that nothing takes is dropped, but nodes that references moved under
// it existed before: they go back where they were (the scene tree's root too) instead of dying with
// it.
TEST_F(SceneXMLTest, ADroppedNodeGivesBackWhatReferencesMovedUnderIt)
{
    ZGroup* target = ZGroup::CreateNamed("target");
    tree->AddChild(target);
    struct Gone : INodeStateListener
    {
        void NodeGone(ZNode*) override { gone = true; }
        bool gone = false;
    } watch;
    target->AddStateListener(&watch);
    for (const char* xml : {"<group name=\"g\"><r:group name=\"target\"/></group>",
                            "<button2d><r:group name=\"target\"/></button2d>", "<button2d><scenetree/></button2d>",
                            "<group><group><scenetree/></group></group>"})
    {
        SCOPED_TRACE(xml);
        Import(xml, parent);
        EXPECT_FALSE(watch.gone);
        EXPECT_EQ(target->GetParent(), tree);
        EXPECT_EQ(tree->GetParent(), nullptr);
        EXPECT_EQ(ZSceneTree::PeekInstance(), tree);
    }
    target->RemoveStateListener(&watch);
}

// A reference finds a node made earlier in the same file, or by a file it merged, although the
// import builds away from the tree; a failed import still attaches nothing.
TEST_F(SceneXMLTest, ReferencesFindNodesMadeEarlierInTheFileAndItsMerges)
{
    ASSERT_EQ(Import("<scenetree><group name=\"early\"/><group name=\"holder\">"
                     "<r:group name=\"early\" active=\"false\"/></group></scenetree>",
                     parent),
              0);
    EXPECT_EQ(Shape(parent), "holder(early)");
    ASSERT_NE(parent->FindNode("holder/early"), nullptr);
    EXPECT_FALSE(parent->FindNode("holder/early")->IsActive());

    ZGroup* second = ZGroup::CreateNamed("second");
    tree->AddChild(second);
    ASSERT_EQ(Import("<scenetree><merge path=\"testxml:merged.xml\"/><group name=\"box\">"
                     "<r:group name=\"from_merge/inner\"/></group></scenetree>",
                     second),
              0);
    EXPECT_EQ(Shape(second), "from_merge,box(inner)");

    ZGroup* third = ZGroup::CreateNamed("third");
    tree->AddChild(third);
    EXPECT_EQ(Import("<scenetree><group name=\"early\"/><group name=\"holder\">"
                     "<r:group name=\"early\"/></group><broken",
                     third),
              1);
    EXPECT_EQ(Shape(third), "");
    EXPECT_EQ(tree->FindNode("early"), nullptr);
}

TEST_F(SceneXMLTest, BrokenDocumentsFailAndAttachNothing)
{
    ZGroup* target = ZGroup::CreateNamed("target");
    tree->AddChild(target);
    const char* cases[] = {
        "",
        "<scenetree><group name=\"a\"><group name=\"b\"/>",
        "<scenetree><group name=\"a\"></scenetree>",
        "<scenetree><group name=\"a\"/></scenetree><scenetree>",
        "<scenetree><group name=\"a&\"/></scenetree>",
        "<scenetree><group name=\"a\"/><group name=b/></scenetree>",
        // A reference moved before the error goes back where it was.
        "<scenetree><group name=\"h\"><r:group name=\"target\"/></group><broken",
        "<scenetree><r:group name=\"target\"/><group name=\"x\">",
    };
    for (const char* xml : cases)
    {
        EXPECT_EQ(Import(xml, parent), 1) << xml;
        EXPECT_EQ(Shape(parent), "") << xml;
        EXPECT_EQ(target->GetParent(), tree) << xml;
    }
}

// A save file or script read from memory keeps whatever scene nodes it carries out of the scene,
// and an import it runs inside of stays the current one.
TEST_F(SceneXMLTest, DetachedBuffersAddNothingToTheSceneAndLeaveTheCurrentImport)
{
    ZSceneXMLImport2 outer;
    ZSceneXMLImport2::SetCurrent(&outer);
    const std::string before = Shape(tree);
    struct Case
    {
        const char* xml;
        int result;
    } cases[] = {
        {"<scenetree><group name=\"smuggled\"><group name=\"inner\"/></group></scenetree>", 0},
        {"<group name=\"loose\"/>", 0},
        {"<scenetree><group name=\"half\">", 1},
    };
    for (const Case& c : cases)
    {
        std::string error = "stale";
        EXPECT_EQ(ImportDetachedBuffer(c.xml, "crew.xml", error), c.result) << c.xml;
        EXPECT_EQ(Shape(tree), before) << c.xml;
        EXPECT_EQ(ZSceneXMLImport2::GetCurrent(), &outer) << c.xml;
        if (c.result == 0)
            EXPECT_EQ(error, "") << c.xml;
        else
            EXPECT_EQ(error.rfind("crew.xml: ", 0), 0u) << error;
    }
    ZSceneXMLImport2::SetCurrent(nullptr);
}

// A hostile file of 80,000 nested groups is refused with a clear error and attaches nothing; a
// document at the limit still imports. A tree that deep made in code is destroyed without running
// out of stack.
TEST_F(SceneXMLTest, NestingBeyondTheLimitIsRefusedAndDeepTreesAreDestroyed)
{
    const auto nested = [](size_t depth)
    {
        std::string xml = "<scenetree>";
        for (size_t i = 0; i < depth; ++i)
            xml += "<group>";
        for (size_t i = 0; i < depth; ++i)
            xml += "</group>";
        return xml + "</scenetree>";
    };
    {
        ZSceneXMLImport2 import;
        import.SetParentNode(parent);
        const std::string xml = nested(80000);
        EXPECT_EQ(import.ImportBuffer(xml.data(), xml.size()), 1);
        EXPECT_NE(import.GetLastError().find("nested deeper than 256"), std::string::npos)
            << import.GetLastError();
    }
    EXPECT_EQ(Shape(parent), "");
    EXPECT_EQ(Import(nested(ZSceneXMLImport2::kMaxElementDepth - 1), parent), 0);
    size_t depth = 0;
    for (const ZNode* n = parent->GetFirstChild(); n; n = n->GetFirstChild())
        ++depth;
    EXPECT_EQ(depth, ZSceneXMLImport2::kMaxElementDepth - 1);

    // Built in code (bottom up, so that each addition is quick): every node down the chain is
    // destroyed, the deepest one's listener told.
    struct Gone : INodeStateListener
    {
        void NodeGone(ZNode*) override { told = true; }
        bool told = false;
    } gone;
    ZNode* top = ZGroup::Create();
    top->AddStateListener(&gone);
    for (int i = 0; i < 200000; ++i)
    {
        ZGroup* above = ZGroup::Create();
        above->AddChild(top);
        top = above;
    }
    delete top;
    EXPECT_TRUE(gone.told);
}

TEST_F(SceneXMLTest, FileImportMergesUnderTheImportsParentAndSkipsOtherLanguages)
{
    ASSERT_EQ(ImportSceneFile(ZResourcePath("testxml:layout.xml"), parent), 0);
    // The merged scenetree's children go under the import's parent, not under the group, and
    // at once: the group joins the parent only when its element ends.
    EXPECT_EQ(Shape(parent), "from_merge(inner),panel(title)");
    auto* panel = ZEntityCast<ZGeom>(parent->FindNode("panel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_FLOAT_EQ(panel->Position().x, 10.0f);
    EXPECT_EQ(ZSceneXMLImport2::GetCurrent(), nullptr);
    // The shared importer was made and is reused.
    ISceneImport* shared = g_sceneImporter.importer;
    ASSERT_NE(shared, nullptr);
    ZGroup* second = ZGroup::CreateNamed("second");
    tree->AddChild(second);
    EXPECT_EQ(ImportSceneFile(ZResourcePath("testxml:merged.xml"), second), 0);
    EXPECT_EQ(g_sceneImporter.importer, shared);
    EXPECT_EQ(Shape(second), "from_merge(inner)");
}

TEST_F(SceneXMLTest, FailingFilesAndMerges)
{
    // A missing merged file is passed over; the outer import goes on.
    EXPECT_EQ(ImportSceneFile(ZResourcePath("testxml:missingmerge.xml"), parent), 0);
    EXPECT_EQ(Shape(parent), "kept");

    ZGroup* other = ZGroup::CreateNamed("other");
    tree->AddChild(other);
    // A file that merges itself stops at the nesting limit and fails as a whole.
    EXPECT_EQ(ImportSceneFile(ZResourcePath("testxml:selfmerge.xml"), other), 1);
    EXPECT_EQ(ImportSceneFile(ZResourcePath("testxml:truncated.xml"), other), 1);
    EXPECT_EQ(ImportSceneFile(ZResourcePath("testxml:absent.xml"), other), 1);
    EXPECT_EQ(ImportSceneFile(ZResourcePath(""), other), 1);
    EXPECT_EQ(Shape(other), "");
    EXPECT_EQ(ZSceneXMLImport2::GetCurrent(), nullptr);

    EXPECT_EQ(LoadSceneAsGroup("bad", ZResourcePath("testxml:truncated.xml"), other), nullptr);
    EXPECT_EQ(Shape(other), "");
    ZGroup* good = LoadSceneAsGroup("good", ZResourcePath("testxml:merged.xml"), other);
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(Shape(other), "good(from_merge(inner))");
}

TEST_F(SceneXMLTest, WriterFormsElementsAndTheSelfClosedForm)
{
    ZGroup* group = ZGroup::CreateNamed("g");
    group->AddChild(ZGroup::CreateNamed("child"));
    parent->AddChild(group);
    EXPECT_EQ(Save(group), "<group name=\"g\">\n<group name=\"child\">\n</group>\n</group>\n");

    std::vector<char> buffer(256);
    ZMemoryStream stream(buffer.data(), uint32_t(buffer.size()));
    ZXMLSaveVisitor visitor(&stream);
    visitor.BeginElement("levels", "level");
    visitor.Attribute("name", "a<b");
    visitor.EndElement("levels", "level");
    EXPECT_EQ(std::string(buffer.data(), size_t(stream.Tell())),
              "<level property=\"levels\" name=\"a&lt;b\" />\n");

    // A stream that cannot take everything is reported.
    char tiny[8];
    ZMemoryStream small(tiny, sizeof(tiny));
    ZXMLSaveVisitor cut(&small);
    cut.BeginElement(nullptr, "group");
    cut.Attribute("name", "longer than eight");
    EXPECT_TRUE(cut.HasFailed());
}

TEST_F(SceneXMLTest, ExportAndReimportGiveTheSameTree)
{
    const std::string longName(300, 'n');
    const char* names[] = {"plain", "a & b", "<tag>", "say \"hi\"", "it's", "tab\there", "line\nbreak"};
    ZGroup* root = ZGroup::CreateNamed("root");
    parent->AddChild(root);
    ZGroup* deep = ZGroup::CreateNamed(longName.c_str());
    root->AddChild(deep);
    for (const char* n : names)
        deep->AddChild(ZGroup::CreateNamed(n));
    deep->SetPositionXYZ(4.0f, 5.0f, 6.0f);
    root->GetFirstChild()->GetFirstChild()->SetActive(false);

    bool failed = true;
    const std::string saved = Save(root, &failed);
    ASSERT_FALSE(failed);
    EXPECT_NE(saved.find(longName), std::string::npos);

    const std::string document = "<scenetree>\n" + saved + "</scenetree>\n";
    ASSERT_TRUE(qvtest::WriteWholeFile(m_temp / "saved.xml", document));
    ZGroup* again = ZGroup::CreateNamed("again");
    tree->AddChild(again);
    ASSERT_EQ(ImportSceneFile(ZResourcePath("scratch:saved.xml"), again), 0);
    ASSERT_NE(again->GetFirstChild(), nullptr);
    EXPECT_EQ(Shape(again), Shape(parent));
    EXPECT_EQ(Save(again->GetFirstChild()), saved);
    EXPECT_FALSE(again->GetFirstChild()->GetFirstChild()->GetFirstChild()->IsActive());
}
} // namespace
