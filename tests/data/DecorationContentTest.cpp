// The decoration's real content as the game reads it: the main menu's creatures load with the
// animations and the nodes the menu looks up, their animation files are well formed, and the
// underwater background builds from its layouts with both whale paths, its bubble columns and its
// fish school.
#include <gtest/gtest.h>

#include <string>

#include "engine/controllers/ZAnimationSet.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/fs/ZStream.h"
#include "engine/import/ZMatPosAnimationImport.h"
#include "engine/scene/ZBoidGroup.h"
#include "game/decoration/ZBackground.h"
#include "tests/data/GameFolder.h"
#include "tests/support/UiTestSupport.h"

namespace
{
ZPropertyBool g_contentDisableBubbles("zelk.disablebubbles", "", "", 0, ZProperty::kNoGroup, false);
ZPropertyBool g_contentDisableFish("zelk.disablefish", "", "", 0, ZProperty::kNoGroup, false);
ZPropertyBool g_contentDisableWhale("zelk.disablewhale", "", "", 0, ZProperty::kNoGroup, false);

class DecorationContentTest : public uitest::UiTest
{
protected:
    void SetUp() override
    {
        // The generated files first, then the authored ones, as the archive holds them both.
        table.AddMount("resources", (qvtest::BinaryDir() / "data" / "resources").string().c_str());
        table.AddMount("resources", (qvtest::SourceDir() / "data").string().c_str());
        UiTest::SetUp();
    }
    ZAnimationSet* SetOf(ZNode* node)
    {
        return node ? ZEntityCast<ZAnimationSet>(node->FindChildAnimationSet()) : nullptr;
    }
    size_t TracksOf(ZAnimationSet* set, const char* name)
    {
        ZAnimation* animation = set ? set->FindAnimation(ZNameId(name).Value()) : nullptr;
        return animation ? animation->tracks.size() : 0;
    }
};

TEST_F(DecorationContentTest, CreaturesCarryTheAnimationsAndNodesTheMenuLooksUp)
{
    const char* const towerNames[] = {"idle", "open", "close"};
    const char* const towerFiles[] = {"resources:towermone_idle.anm", "resources:towermone_open.anm",
                                      "resources:towermone_close.anm"};
    ZGroup* tower = ZAnimationSet::Load("resources:towermone.xml", "towermone_0", 3, towerNames, towerFiles, nullptr);
    ZSceneTree::GetInstance()->AddChild(tower);
    ZAnimationSet* towerSet = SetOf(tower->FindNode("towermone"));
    ASSERT_NE(towerSet, nullptr);
    for (const char* name : towerNames)
        EXPECT_EQ(TracksOf(towerSet, name), 2u) << name;

    const char* const anemoneNames[] = {"idle"};
    const char* const anemoneFiles[] = {"resources:anemone_idle_loop.anm"};
    ZGroup* anemone =
        ZAnimationSet::Load("resources:anemone.xml", "anemone_group", 1, anemoneNames, anemoneFiles, nullptr);
    ZSceneTree::GetInstance()->AddChild(anemone);
    EXPECT_EQ(TracksOf(SetOf(anemone->FindNode("anemone")), "idle"), 9u);

    const char* const crabNames[] = {"enter", "idle"};
    const char* const crabFiles[] = {"resources:menu_crab.anm", "resources:menu_crab_idle.anm"};
    ZGroup* crabGroup =
        ZAnimationSet::Load("resources:menu_crab.xml", "menu_crab_group", 2, crabNames, crabFiles, nullptr);
    ZSceneTree::GetInstance()->AddChild(crabGroup);
    ZNode* crab = crabGroup->FindNode("menu_crab");
    ASSERT_NE(crab, nullptr);
    ZAnimationSet* crabSet = SetOf(crab);
    EXPECT_EQ(TracksOf(crabSet, "enter"), 4u);
    EXPECT_EQ(TracksOf(crabSet, "idle"), 4u);
    for (const char* path :
         {"body/eyestalk_L/eyestalk_L01/eyelid_L", "body/eyestalk_L/eyestalk_L01/eyelidClosed_L",
          "body/eyestalk_L/eyestalk_L01/eyePupil_L", "body/eyestalk_R/eyestalk_L02/eyelid_R",
          "body/eyestalk_R/eyestalk_L02/eyelidClosed_R", "body/eyestalk_R/eyestalk_L02/eyePupil_R"})
        EXPECT_NE(crab->FindNode(path), nullptr) << path;
    // The closing lid's frames are its children.
    EXPECT_EQ(crab->FindNode("body/eyestalk_L/eyestalk_L01/eyelidClosed_L")->GetChildCount(), 2u);
}

TEST_F(DecorationContentTest, AnimationFilesHaveRisingKeysFromAfterTheStart)
{
    for (const char* name : {"towermone_idle.anm", "towermone_open.anm", "towermone_close.anm",
                             "anemone_idle_loop.anm", "menu_crab.anm", "menu_crab_idle.anm"})
    {
        SCOPED_TRACE(name);
        std::vector<uint8_t> bytes = qvtest::ReadBytes(qvtest::BinaryDir() / "data" / "resources" / name);
        ASSERT_FALSE(bytes.empty());
        ZMemoryStream stream(bytes.data(), uint32_t(bytes.size()));
        ZMatPosAnimationImport importer;
        ASSERT_EQ(importer.Import(&stream, name), 0);
        size_t keyed = 0;
        for (const auto& track : importer.GetTracks())
        {
            double previous = 0.0;
            for (const ZAnimKey& key : track->keys)
            {
                EXPECT_GT(key.time, previous) << track->name;
                previous = key.time;
            }
            keyed += track->keys.empty() ? 0 : 1;
        }
        // One track without keys names the node that carries the set; the others move.
        EXPECT_EQ(importer.GetTracks().size(), keyed + 1);
    }
}

TEST_F(DecorationContentTest, TheBackgroundBuildsFromItsLayoutsWithWhaleFishAndBubbles)
{
    ZGroup* templates = ZGroup::CreateNamed("particletemplates");
    templates->SetHidden(true);
    ZSceneTree::GetInstance()->AddChild(templates);
    ZBackground* background = ZBackground::GetInstance();
    ASSERT_EQ(background->Build(), 0);
    ASSERT_NE(background->GetWhaleMover(), nullptr);
    EXPECT_TRUE(background->GetWhaleMover()->IsBuilt());
    EXPECT_EQ(background->GetWhaleMover()->GetPathCount(), 2u);
    ASSERT_NE(background->GetBoidGroup(), nullptr);
    EXPECT_EQ(background->GetBoidGroup()->GetBoids().size(), size_t(ZBackground::kFish));
    EXPECT_GE(background->GetColumnCount(), 3u);
    for (int t = -1; t < ZBackground::kThemes; ++t)
        background->SetTheme(t);
    EXPECT_EQ(background->GetTheme(), 5);
}
} // namespace
