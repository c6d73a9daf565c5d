// Resources, groups, kind groups, reference counting with parking, and resource paths.
#include <gtest/gtest.h>

#include <string>

#include "ResourceTestSupport.h"

using namespace restest;

namespace
{
// A kind named like the sound kind, so that the formatted lookup finds its group.
class ZSound : public ZMetaResourceType<ZSound>
{
    QV_TYPE_RECORD(ZSound, &ZResource::kTypeRecord)

public:
    explicit ZSound(const char* name) { SetName(name); }
    int LoadSync() override { return 0; }
    int UnloadData() override { return 0; }
    int64_t GetMemorySize() const override { return 0; }
};

class RecordingContext : public ZResourceContext
{
public:
    void OnResourceAdded(ZResource* resource) override { added.push_back(resource); }
    void OnResourceRemoved(ZResource* resource) override { removed.push_back(resource); }
    std::vector<ZResource*> added;
    std::vector<ZResource*> removed;
};
} // namespace

using ResourceBasics = ResourceTest;

TEST_F(ResourceBasics, ANewResourceStartsEmptyAndJoinsItsKindGroup)
{
    auto* a = new TestResource();
    auto* b = new TestResource("b");
    EXPECT_EQ(a->GetRefCount(), 0);
    EXPECT_EQ(a->GetFlags(), 0);
    EXPECT_EQ(a->GetNameId().Value(), ZNameId::kNone);
    EXPECT_EQ(a->GetContextId(), ZNameId::kNone);
    EXPECT_STREQ(a->GetName(), "");
    // Every construction takes the next serial (the kind's group, made with the first, took one too).
    auto* c = new TestResource("c");
    EXPECT_EQ(c->GetSerial(), b->GetSerial() + 1);

    // One group per kind, named after the kind, under "resources"; meta kinds under "meta".
    ZResourceGroup* kind = TestResource::GetKindGroup();
    ASSERT_NE(kind, nullptr);
    EXPECT_STREQ(kind->GetName(), "TestResource");
    EXPECT_EQ(kind->GetParent(), manager->GetResourcesGroup());
    EXPECT_EQ(a->GetParent(), kind);
    EXPECT_EQ(TestResource::Find("b"), b);
    EXPECT_EQ(manager->GetRootGroup()->FindById(ZNameId("b")), b);

    auto* m = new TestMetaResource("m");
    EXPECT_EQ(TestMetaResource::GetKindGroup()->GetParent(), manager->GetMetaGroup());
    EXPECT_EQ(TestMetaResource::Find("m"), m);
    EXPECT_EQ(TestResource::Find("m"), nullptr);
    EXPECT_EQ(manager->GetMetaGroup()->GetParent(), manager->GetRootGroup());
}

TEST_F(ResourceBasics, KindGroupsComeBackAfterTheManagerIsGone)
{
    new TestResource("x");
    ASSERT_NE(TestResource::GetKindGroup(), nullptr);
    ZResourceManager::DestroyInstance();
    EXPECT_EQ(TestResource::GetKindGroup(), nullptr);
    EXPECT_EQ(TestResource::Find("x"), nullptr);

    manager = ZResourceManager::GetInstance();
    auto* y = new TestResource("y");
    EXPECT_EQ(TestResource::Find("y"), y);
    EXPECT_EQ(TestResource::GetKindGroup()->GetParent(), manager->GetResourcesGroup());
}

TEST_F(ResourceBasics, RenamingKeepsMembershipAndRekeysTheMap)
{
    auto* r = new TestResource("first");
    ZResourceGroup* kind = TestResource::GetKindGroup();
    const uint32_t id = r->GetNameId().Value();

    r->SetName("first");
    EXPECT_EQ(r->GetNameId().Value(), id);
    EXPECT_EQ(kind->Find("first"), r);

    r->SetName("second");
    EXPECT_EQ(kind->Find("first"), nullptr);
    EXPECT_EQ(kind->Find("second"), r);

    // No name: out of the map, still a child.
    r->SetName(nullptr);
    EXPECT_EQ(r->GetNameId().Value(), ZNameId::kNone);
    EXPECT_EQ(kind->Find("second"), nullptr);
    ASSERT_EQ(kind->GetChildren().size(), 1u);
    EXPECT_EQ(kind->GetChildren()[0], r);
    EXPECT_EQ(r->GetParent(), kind);
}

TEST_F(ResourceBasics, TheLastAddedOfANameWinsAndTheOlderComesBack)
{
    auto* older = new TestResource("same");
    auto* newer = new TestResource("same");
    ZResourceGroup* kind = TestResource::GetKindGroup();
    EXPECT_EQ(kind->Find("same"), newer);
    kind->Remove(newer);
    EXPECT_EQ(newer->GetParent(), nullptr);
    EXPECT_EQ(kind->Find("same"), older);
    delete newer;
}

TEST_F(ResourceBasics, LookupSearchesOwnMapThenChildGroupsInOrder)
{
    ZResourceGroup* top = ZResourceGroup::CreateGroup("top", manager->GetRootGroup());
    ZResourceGroup* g1 = ZResourceGroup::CreateGroup("g1", top);
    ZResourceGroup* g2 = ZResourceGroup::CreateGroup("g2", top);
    auto* inG2 = new TestResource("item");
    g2->Add(inG2);
    EXPECT_EQ(top->Find("item"), inG2);
    auto* inG1 = new TestResource("item");
    g1->Add(inG1);
    EXPECT_EQ(top->Find("item"), inG1);
    auto* own = new TestResource("item");
    top->Add(own);
    EXPECT_EQ(top->Find("item"), own);
    EXPECT_EQ(top->Find("nothing"), nullptr);
    ASSERT_EQ(top->GetChildGroups().size(), 2u);
    EXPECT_EQ(top->GetChildGroups()[0], g1);
    // Moving a resource between groups takes it out of the first.
    g1->Add(own);
    EXPECT_EQ(own->GetParent(), g1);
    EXPECT_EQ(top->GetChildren().size(), 2u);
}

TEST_F(ResourceBasics, TheCurrentContextHearsOfItsResourcesButNotOfKindGroups)
{
    RecordingContext context;
    ASSERT_EQ(manager->PushContext(ZNameId("state"), &context), 0);
    auto* r = new TestResource("r");
    // The kind's group was made here too, but no state owns it.
    ASSERT_EQ(context.added.size(), 1u);
    EXPECT_EQ(context.added[0], r);
    delete r;
    ASSERT_EQ(context.removed.size(), 1u);
    EXPECT_EQ(context.removed[0], r);
    manager->PopContext();
    new TestResource("later");
    EXPECT_EQ(context.added.size(), 1u);
}

TEST_F(ResourceBasics, ReleaseToZeroParksAndAddRefRevivesWithoutReload)
{
    bool destroyed = false;
    auto* r = new TestResource("tex", kResourceManaged);
    r->destroyed = &destroyed;
    r->AddRef();
    ASSERT_EQ(r->Load(), 0);
    ASSERT_TRUE(r->IsLoaded());

    EXPECT_EQ(r->Release(), 0);
    EXPECT_TRUE(r->TestFlags(kResourceParked));
    EXPECT_EQ(manager->GetParkedCount(), 1u);
    // Taken again within the frame: out of the unload list, data kept.
    EXPECT_EQ(r->AddRef(), 1);
    EXPECT_FALSE(r->TestFlags(kResourceParked));
    manager->UnloadParked();
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(r->IsLoaded());
    EXPECT_EQ(r->unloads, 0);
    EXPECT_EQ(r->syncLoads, 1);

    // Released for good: unloaded and deleted at the end of the frame.
    r->Release();
    EXPECT_FALSE(destroyed);
    manager->UnloadParked();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(manager->GetParkedCount(), 0u);
    EXPECT_EQ(TestResource::Find("tex"), nullptr);
}

TEST_F(ResourceBasics, ReleaseNeverWrapsBelowZero)
{
    auto* plain = new TestResource("plain");
    EXPECT_EQ(plain->Release(), 0);
    EXPECT_EQ(plain->GetRefCount(), 0);
    auto* managed = new TestResource("managed", kResourceManaged);
    EXPECT_EQ(managed->Release(), 0);
    EXPECT_EQ(managed->GetRefCount(), 0);
    EXPECT_FALSE(managed->TestFlags(kResourceParked));
}

TEST_F(ResourceBasics, FreeingOneParkedResourceParksWhatItHeldForTheNextFrame)
{
    bool texDestroyed = false;
    bool matDestroyed = false;
    auto* texture = new TestResource("texture", kResourceManaged);
    texture->destroyed = &texDestroyed;
    texture->AddRef();
    auto* material = new TestResource("material", kResourceManaged);
    material->destroyed = &matDestroyed;
    material->heldOnUnload = texture;
    material->AddRef();

    material->Release();
    manager->UnloadParked();
    EXPECT_TRUE(matDestroyed);
    EXPECT_FALSE(texDestroyed);
    EXPECT_TRUE(texture->TestFlags(kResourceParked));
    manager->UnloadParked();
    EXPECT_TRUE(texDestroyed);
}

TEST_F(ResourceBasics, FreeResourceRulesAndFreeingInPlace)
{
    auto* referenced = new TestResource("ref");
    referenced->AddRef();
    EXPECT_EQ(manager->FreeResource(referenced), 1);
    auto* queued = new TestResource("queued", kResourceQueued);
    EXPECT_EQ(manager->FreeResource(queued), 1);
    queued->ClearFlags(kResourceQueued);

    auto* pooled = new TestResource("pooled", kResourceFreeInPlace);
    EXPECT_EQ(manager->FreeResource(pooled), 0);
    EXPECT_EQ(pooled->freedInPlace, 1);
    EXPECT_EQ(pooled->GetParent(), nullptr);
    EXPECT_EQ(TestResource::Find("pooled"), nullptr);
    delete pooled;
    referenced->Release();
}

TEST_F(ResourceBasics, UnloadRespectsQueuedAndKeptResources)
{
    struct Case
    {
        uint16_t flags;
        int result;
        bool unloaded;
    } const cases[] = {
        {kResourceLoaded | kResourceDataReady, 0, true},
        {kResourceLoaded | kResourceQueued, 1, false},
        {kResourceLoaded | kResourceKeep, 0, false},
        {0, 0, false},
    };
    for (const Case& c : cases)
    {
        auto* r = new TestResource("u", c.flags);
        EXPECT_EQ(r->Unload(), c.result);
        EXPECT_EQ(r->unloads, c.unloaded ? 1 : 0);
        if (c.unloaded)
        {
            EXPECT_FALSE(r->TestFlags(kResourceLoaded | kResourceDataReady));
        }
        r->ClearFlags(kResourceQueued);
    }
}

TEST_F(ResourceBasics, GroupUnloadPassesOverQueuedAndKeptChildren)
{
    ZResourceGroup* group = ZResourceGroup::CreateGroup("level", manager->GetRootGroup());
    ZResourceGroup* inner = ZResourceGroup::CreateGroup("inner", group);
    auto* plain = new TestResource("plain", kResourceLoaded | kResourceDataReady);
    auto* kept = new TestResource("kept", kResourceLoaded | kResourceKeep);
    auto* queued = new TestResource("queued", kResourceLoaded | kResourceQueued);
    auto* deep = new TestResource("deep", kResourceLoaded);
    group->Add(plain);
    group->Add(kept);
    group->Add(queued);
    inner->Add(deep);
    EXPECT_EQ(group->UnloadData(), 0);
    EXPECT_EQ(plain->GetFlags() & (kResourceLoaded | kResourceDataReady), 0);
    EXPECT_TRUE(kept->IsLoaded());
    EXPECT_TRUE(queued->IsLoaded());
    EXPECT_FALSE(deep->IsLoaded());
    queued->ClearFlags(kResourceQueued);
}

TEST_F(ResourceBasics, ADestroyedGroupDeletesTheUnreferencedAndCutsTheRestLoose)
{
    bool freeDestroyed = false;
    ZResourceGroup* group = ZResourceGroup::CreateGroup("doomed", nullptr);
    auto* loose = new TestResource("free");
    loose->destroyed = &freeDestroyed;
    auto* held = new TestResource("held");
    held->AddRef();
    group->Add(loose);
    group->Add(held);
    delete group;
    EXPECT_TRUE(freeDestroyed);
    EXPECT_EQ(held->GetParent(), nullptr);
    held->Release();
    delete held;
}

TEST_F(ResourceBasics, FormattedLookupFindsSoundsByTheFirst63Characters)
{
    auto* pop = new ZSound("pop3_2");
    EXPECT_EQ(FindResourceByFormat("pop%i_%i", 3, 2), pop);
    EXPECT_EQ(FindResourceByFormat("pop%i_%i", 3, 9), nullptr);
    const std::string longName(63, 'a');
    auto* longSound = new ZSound(longName.c_str());
    EXPECT_EQ(FindResourceByFormat("%s%s", longName.c_str(), "tail"), longSound);
}

TEST_F(ResourceBasics, FormattedLookupWithoutTheSoundKindIsNull)
{
    EXPECT_EQ(FindResourceByFormat("pop%i", 1), nullptr);
}

// Resource paths

using ResourcePathTest = ResourceTest;

TEST_F(ResourcePathTest, ParsingLowersTheNameAndTakesTheFileName)
{
    struct Case
    {
        const char* name;
        const char* lowered;
        const char* fileName;
        const char* extension;
    } const cases[] = {
        {"TestRes:Textures/Wave.PNG", "testres:textures/wave.png", "wave.png", "png"},
        {"audio:music_main.ogg", "audio:music_main.ogg", "music_main.ogg", "ogg"},
        {"plainname", "plainname", "plainname", ""},
        {"res:dir.v2/file", "res:dir.v2/file", "file", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ZResourcePath path(c.name);
        EXPECT_EQ(path.GetName(), c.lowered);
        EXPECT_EQ(path.GetFileName(), c.fileName);
        EXPECT_EQ(path.GetExtension(), c.extension);
    }
    ZResourcePath path("testres:payload.txt");
    EXPECT_EQ(path.GetResolvedPath(), FixtureFolder() + "/payload.txt");
    path.Parse("game:other.jpg");
    EXPECT_EQ(path.GetFileName(), "other.jpg");
}

TEST_F(ResourcePathTest, OpenAndCloseThroughTheFileSystem)
{
    ZResourcePath path("testres:payload.txt");
    ASSERT_EQ(path.Open(), 0);
    ASSERT_TRUE(path.IsOpen());
    EXPECT_EQ(path.GetFile()->GetSize(), 28);
    // Opening again replaces the held file.
    ASSERT_EQ(path.Open(), 0);
    EXPECT_EQ(path.Close(), 0);
    EXPECT_EQ(path.GetFile(), nullptr);
    EXPECT_EQ(path.Close(), 1);

    ZResourcePath missing("testres:missing.png");
    EXPECT_EQ(missing.Open(), 1);
    EXPECT_EQ(missing.GetFile(), nullptr);
}

TEST_F(ResourcePathTest, ACopyNeverSharesTheOpenFile)
{
    ZResourcePath path("testres:payload.txt");
    ASSERT_EQ(path.Open(), 0);
    ZResourcePath copy(path);
    ASSERT_NE(copy.GetFile(), nullptr);
    EXPECT_NE(copy.GetFile(), path.GetFile());
    EXPECT_FALSE(copy.IsOpen());
    EXPECT_STREQ(copy.GetFile()->GetPath(), path.GetFile()->GetPath());
    EXPECT_EQ(copy.GetFileName(), "payload.txt");
    copy = copy;
    EXPECT_EQ(copy.GetFileName(), "payload.txt");
    ASSERT_EQ(copy.Open(), 0);
    EXPECT_EQ(path.Close(), 0);
    EXPECT_EQ(copy.Close(), 0);
}
