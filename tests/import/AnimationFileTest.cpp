// Keyframed animation files: files written field by field here are read, bound to a node
// hierarchy and played (stepping, looping, interpolating, chaining); damaged files are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/controllers/ZAnimationSet.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMath.h"
#include "engine/core/ZNameId.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/fs/ZStream.h"
#include "engine/import/ZMatPosAnimationImport.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "support/TestFiles.h"
#include "tests/support/ClockedScene.h"

extern bool g_engineStartingUp;

namespace
{

struct KeySpec
{
    float time;
    float x;
    float angle = 0.0f; // about z
    uint16_t flags = 0;
};

struct TrackSpec
{
    std::string name;
    std::vector<KeySpec> keys;
};

void PutU32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}

void PutF32(std::string& out, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(out, bits);
}

void PutKey(std::string& out, const KeySpec& k)
{
    const float c = std::cos(k.angle), s = std::sin(k.angle);
    const float m[9] = {c, s, 0, -s, c, 0, 0, 0, 1};
    for (float v : m)
        PutF32(out, v);
    PutF32(out, k.x);
    PutF32(out, 2.0f * k.x);
    PutF32(out, 0.0f);
    PutF32(out, k.time);
    out.push_back(char(k.flags & 0xFF));
    out.push_back(char(k.flags >> 8));
    out.append(2, '\0');
}

// Keys from offset 0, then the track table, then the trailer.
std::string BuildFile(const std::vector<TrackSpec>& tracks)
{
    std::string keys;
    std::string table;
    for (const TrackSpec& t : tracks)
    {
        const uint32_t begin = uint32_t(keys.size());
        for (const KeySpec& k : t.keys)
            PutKey(keys, k);
        std::string name = t.name;
        name.resize(128, '\0');
        table += name;
        PutU32(table, begin);
        PutU32(table, uint32_t(keys.size()));
    }
    std::string file = keys + table;
    PutU32(file, 0x616E696D);
    PutU32(file, uint32_t(tracks.size()));
    return file;
}

int ImportBytes(ZMatPosAnimationImport& importer, std::string bytes)
{
    ZMemoryStream stream(bytes.data(), uint32_t(bytes.size()));
    return importer.Import(&stream, "test.anm");
}

TEST(AnimationFile, ReadsTracksAndKeysFieldByField)
{
    const std::string name127(127, 'n');
    const std::string bytes = BuildFile({{"body", {{0.5f, 1.0f, 0.25f, 1}, {1.0f, 3.0f}}}, {name127, {}}});
    ZMatPosAnimationImport importer;
    ASSERT_EQ(ImportBytes(importer, bytes), 0);
    const auto& tracks = importer.GetTracks();
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0]->name, "body");
    ASSERT_EQ(tracks[0]->KeyCount(), 2u);
    const ZAnimKey& k = tracks[0]->keys[0];
    EXPECT_EQ(k.time, 0.5);
    EXPECT_EQ(k.flags, 1);
    EXPECT_FLOAT_EQ(k.pose.m[0][1], std::sin(0.25f));
    EXPECT_FLOAT_EQ(k.pose.m[1][0], -std::sin(0.25f));
    EXPECT_EQ(k.pose.m[3][0], 1.0f);
    EXPECT_EQ(k.pose.m[3][1], 2.0f);
    EXPECT_EQ(tracks[0]->keys[1].pose.m[3][0], 3.0f);
    EXPECT_EQ(tracks[1]->name, name127);
    EXPECT_EQ(tracks[1]->KeyCount(), 0u);
}

TEST(AnimationFile, RemainderOfAKeyRangeIsIgnoredAndAnEmptyFileHasNoTracks)
{
    std::string bytes = BuildFile({{"a", {{1.0f, 1.0f}}}});
    // End offset 56 + 30: the 30 bytes are no key.
    const size_t endField = bytes.size() - 8 - 4;
    std::string patched = bytes.substr(0, endField);
    PutU32(patched, 56 + 30);
    patched += bytes.substr(endField + 4);
    ZMatPosAnimationImport importer;
    ASSERT_EQ(ImportBytes(importer, std::string(30, '\0') + BuildFile({})), 0);
    EXPECT_TRUE(importer.GetTracks().empty());
    // The 30 bytes are inside the file before the table once the key block grows.
    std::string withPad = bytes.substr(0, 56) + std::string(30, '\0') + bytes.substr(56);
    const size_t endField2 = withPad.size() - 8 - 4;
    std::string fixed = withPad.substr(0, endField2);
    PutU32(fixed, 56 + 30);
    fixed += withPad.substr(endField2 + 4);
    ASSERT_EQ(ImportBytes(importer, fixed), 0);
    EXPECT_EQ(importer.GetTracks()[0]->KeyCount(), 1u);
}

TEST(AnimationFile, DamagedFilesAreRefused)
{
    const std::string good = BuildFile({{"a", {{0.5f, 1.0f}, {1.0f, 2.0f}}}});
    const size_t trailer = good.size() - 8;
    const size_t table = trailer - 136;
    auto withU32 = [](std::string s, size_t at, uint32_t v)
    {
        std::string field;
        PutU32(field, v);
        s.replace(at, 4, field);
        return s;
    };
    struct Case
    {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"shorter than the trailer", good.substr(good.size() - 5)},
        {"bad magic", withU32(good, trailer, 0x6D696E61)},
        {"huge track count", withU32(good, trailer + 4, 0xFFFFFFFFu)},
        {"track count one too many", withU32(good, trailer + 4, 2)},
        {"end below begin", withU32(good, table + 128, 168)},
        {"end inside the table", withU32(good, table + 132, uint32_t(table + 56))},
        {"begin past the file", withU32(withU32(good, table + 128, 0xFFFFFF00u), table + 132, 0xFFFFFFFFu)},
        {"truncated at the front", good.substr(57)},
        {"truncated at the end", good.substr(0, good.size() - 1)},
    };
    for (const Case& c : cases)
    {
        ZMatPosAnimationImport importer;
        EXPECT_EQ(ImportBytes(importer, c.bytes), 1) << c.what;
        EXPECT_TRUE(importer.GetTracks().empty()) << c.what;
    }
    ZMatPosAnimationImport importer;
    EXPECT_EQ(importer.Import(nullptr, "none"), 1);
    EXPECT_EQ(ImportBytes(importer, good), 0);
}

// Every track of a file may name the same key range; what the file makes is bounded by its key
// area, so a small file cannot ask for gigabytes. Disjoint ranges that fill the area are read.
TEST(AnimationFile, KeyRangesBeyondTheFilesKeyAreaAreRefused)
{
    std::vector<TrackSpec> tracks;
    for (int i = 0; i < 3; ++i)
        tracks.push_back({"t" + std::to_string(i), {{0.5f, 1.0f}, {1.0f, 2.0f}}});
    const std::string disjoint = BuildFile(tracks);
    ZMatPosAnimationImport importer;
    ASSERT_EQ(ImportBytes(importer, disjoint), 0);
    EXPECT_EQ(importer.GetTracks().size(), 3u);

    // The same file with every track pointing at all the keys: three times the key area.
    const size_t keyArea = disjoint.size() - 8 - 3 * 136;
    std::string shared = disjoint;
    for (int i = 0; i < 3; ++i)
    {
        std::string range;
        PutU32(range, 0);
        PutU32(range, uint32_t(keyArea));
        shared.replace(keyArea + size_t(i) * 136 + 128, 8, range);
    }
    EXPECT_EQ(ImportBytes(importer, shared), 1);
    EXPECT_TRUE(importer.GetTracks().empty());
}

class AnimationPlayTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_engineStartingUp = false;
        ZSceneTree::SetShutdownBegun(false);
        g_nodeListenersMuted = false;
        m_fileSystem = new ZFileSystem();
        tree = ZSceneTree::GetInstance();
        timer.frameDelta = 0.25;
        root = ZGroup::CreateNamed("creature");
        tree->AddChild(root);
        body = ZGroup::CreateNamed("body");
        root->AddChild(body);
        arm = ZGroup::CreateNamed("arm");
        body->AddChild(arm);
        plain = new ZNode();
        plain->SetName("plain");
        root->AddChild(plain);
    }
    void TearDown() override
    {
        ZSceneTree::DestroyInstance();
        ReleaseSceneImporter();
        delete m_fileSystem;
    }
    ZAnimation* Load(const std::vector<TrackSpec>& tracks, const char* animationName = "swim")
    {
        const std::string path = dir / (std::string(animationName) + ".anm");
        EXPECT_TRUE(qvtest::WriteWholeFile(path, BuildFile(tracks)));
        ZAnimation* animation = nullptr;
        ZMatPosAnimationImport importer;
        EXPECT_EQ(importer.ImportFile(animation, root, ZNameId(animationName).Value(), path.c_str()), 0);
        return animation;
    }
    ZAnimationSet* BodySet() const { return ZEntityCast<ZAnimationSet>(body->FindChildAnimationSet()); }
    static ZMatPosAnimController* ControllerOf(ZNode* node)
    {
        for (ZNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
        {
            if (auto* ctrl = ZEntityCast<ZMatPosAnimController>(c))
                return ctrl;
        }
        return nullptr;
    }

    qvtest::TempDir dir{"qvanim"};
    ZSceneTree* tree = nullptr;
    ZGroup* root = nullptr;
    ZGroup* body = nullptr;
    ZGroup* arm = nullptr;
    ZNode* plain = nullptr;
    qvtest::TestClock clock;
    ZFrameTimer& timer = clock.timer;

private:
    ZFileSystem* m_fileSystem = nullptr;
};

TEST_F(AnimationPlayTest, BindsTracksToGeometryNodesAndNamesTheAnimationOnTopLevelNodes)
{
    ZAnimation* animation = Load(
        {{"body", {{1.0f, 1.0f}}}, {"body/arm", {{1.0f, 2.0f}}}, {"plain", {{1.0f, 3.0f}}}, {"ghost", {}}});
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(animation->tracks.size(), 2u);
    EXPECT_TRUE(animation->tracks.count(body));
    EXPECT_TRUE(animation->tracks.count(arm));
    ASSERT_NE(BodySet(), nullptr);
    EXPECT_EQ(BodySet()->FindAnimation(ZNameId("swim").Value()), animation);
    EXPECT_EQ(arm->FindChildAnimationSet(), nullptr);
    // A keyless track on a top-level node still names the animation there, but binds nothing.
    ZAnimation* idle = Load({{"body", {}}}, "idle");
    EXPECT_TRUE(idle->tracks.empty());
    EXPECT_EQ(BodySet()->FindAnimation(ZNameId("idle").Value()), idle);
    EXPECT_EQ(BodySet()->GetAnimationCount(), 2u);
    ZAnimationSet::PlayAnimation(idle);
    EXPECT_EQ(ControllerOf(body), nullptr);
}

TEST_F(AnimationPlayTest, MissingOrUnreadableFilesMakeNoAnimation)
{
    ZAnimation* animation = nullptr;
    ZMatPosAnimationImport importer;
    EXPECT_EQ(importer.ImportFile(animation, root, 1, (dir / "absent.anm").c_str()), 1);
    EXPECT_EQ(importer.ImportFile(animation, root, 1, ""), 1);
    ASSERT_TRUE(qvtest::WriteWholeFile(dir / "bad.anm", "not an animation"));
    EXPECT_EQ(importer.ImportFile(animation, root, 1, (dir / "bad.anm").c_str()), 1);
    EXPECT_EQ(animation, nullptr);
    EXPECT_EQ(BodySet(), nullptr);
}

TEST_F(AnimationPlayTest, SteppingShowsEachKeyForItsIntervalThenStopsAndChainsTheNext)
{
    ZAnimation* swim = Load({{"body", {{0.5f, 1.0f}, {1.0f, 2.0f, 0.0f, 1}, {1.5f, 3.0f}}}});
    ZAnimation* rest = Load({{"body/arm", {{1.0f, 9.0f}, {2.0f, 8.0f}}}}, "rest");
    swim->loop = false;
    swim->next = rest;
    BodySet()->Play(swim);
    ZMatPosAnimController* ctrl = ControllerOf(body);
    ASSERT_NE(ctrl, nullptr);
    EXPECT_TRUE(ctrl->IsActive());
    std::vector<float> xs;
    std::vector<bool> hidden;
    for (int i = 0; i < 6; ++i)
    {
        tree->Update();
        xs.push_back(body->Position().x);
        hidden.push_back(body->IsHidden());
    }
    // 0.25 and 0.5 show key 0, 0.75 and 1.0 key 1 (hidden), 1.25 and 1.5 key 2.
    EXPECT_EQ(xs, (std::vector<float>{1, 1, 2, 2, 3, 3}));
    EXPECT_EQ(hidden, (std::vector<bool>{false, false, true, true, false, false}));
    EXPECT_TRUE(ctrl->IsActive());
    tree->Update();
    EXPECT_FALSE(ctrl->IsActive());
    EXPECT_TRUE(swim->finished);
    EXPECT_EQ(body->Position().x, 3.0f);
    // The next animation runs on its own node.
    ZMatPosAnimController* armCtrl = ControllerOf(arm);
    ASSERT_NE(armCtrl, nullptr);
    EXPECT_TRUE(armCtrl->IsActive());
    EXPECT_EQ(armCtrl->animation, rest);
    tree->Update();
    EXPECT_EQ(arm->Position().x, 9.0f);
}

TEST_F(AnimationPlayTest, NextAnimationOnTheSameNodeTakesTheControllerOver)
{
    ZAnimation* a = Load({{
                              "body",
                              {{0.25f, 1.0f}},
                          },
                          {"body/arm", {{0.25f, 1.0f}}}},
                         "a");
    ZAnimation* b = Load({{"body", {{0.5f, 5.0f}, {1.0f, 6.0f}}}}, "b");
    a->loop = false;
    a->next = b;
    ZAnimationSet::PlayAnimation(a);
    // One-key tracks show their key at start and stop at once.
    EXPECT_EQ(body->Position().x, 1.0f);
    EXPECT_FALSE(ControllerOf(body)->IsActive());
    ZAnimationSet::PlayAnimation(b);
    ZMatPosAnimController* ctrl = ControllerOf(body);
    EXPECT_EQ(ctrl->animation, b);
    EXPECT_TRUE(ctrl->IsActive());
    int controllers = 0;
    for (ZNode* c = body->GetFirstChild(); c; c = c->GetNextSibling())
        controllers += c->IsA<ZMatPosAnimController>() ? 1 : 0;
    EXPECT_EQ(controllers, 1);
}

TEST_F(AnimationPlayTest, LoopingRestartsAtTheFirstKey)
{
    ZAnimation* swim = Load({{"body", {{0.5f, 1.0f}, {1.0f, 2.0f}, {1.5f, 3.0f}}}});
    BodySet()->Play(swim);
    std::vector<float> xs;
    for (int i = 0; i < 10; ++i)
    {
        tree->Update();
        xs.push_back(body->Position().x);
    }
    // Past the last key the time restarts at 0 (the overshoot is dropped).
    EXPECT_EQ(xs, (std::vector<float>{1, 1, 2, 2, 3, 3, 1, 1, 1, 2}));
    EXPECT_TRUE(ControllerOf(body)->IsActive());
    EXPECT_FALSE(swim->finished);
}

TEST_F(AnimationPlayTest, InterpolationBlendsPositionAndRotation)
{
    ZAnimation* turn = Load({{"body", {{1.0f, 0.0f, 0.0f}, {2.0f, 4.0f, 1.0f}, {2.0f, 8.0f, 1.0f}}}});
    turn->loop = false;
    BodySet()->Play(turn);
    ZMatPosAnimController* ctrl = ControllerOf(body);
    ctrl->interpolate = true;
    // 0.5 s into the first interval: halfway from key 0 to key 1.
    tree->Update();
    tree->Update();
    EXPECT_FLOAT_EQ(body->Position().x, 2.0f);
    EXPECT_FLOAT_EQ(body->Position().y, 4.0f);
    EXPECT_NEAR(body->Orientation().m[0][0], std::cos(0.5f), 1e-5f);
    EXPECT_NEAR(std::fabs(body->Orientation().m[0][1]), std::sin(0.5f), 1e-5f);
    // Into the interval of key 1 and then past key 2, whose interval has no length: no NaN.
    for (int i = 0; i < 8; ++i)
    {
        tree->Update();
        EXPECT_FALSE(std::isnan(body->Position().x));
        EXPECT_FALSE(std::isnan(body->Orientation().m[0][0]));
    }
    EXPECT_FALSE(ctrl->IsActive());
}

TEST_F(AnimationPlayTest, RateIsCopiedOnlyWhenSet)
{
    ZAnimation* swim = Load({{"body", {{0.5f, 1.0f}, {1.0f, 2.0f}}}});
    BodySet()->Play(swim);
    EXPECT_EQ(ControllerOf(body)->rate, 30.0f);
    BodySet()->SetRateForAll(12.0f);
    BodySet()->Play(swim);
    EXPECT_EQ(ControllerOf(body)->rate, 12.0f);
}

// A drawn node: its geometry is its material.
class DrawnNode : public ZGroup
{
public:
    void* QueryGeometry() override { return material; }
    ZMaterial* material = nullptr;
};

TEST_F(AnimationPlayTest, StartingOnADrawnNodeMarksItsMaterialAsKeyframed)
{
    ZResourceManager::GetInstance();
    {
        ZMaterial material;
        auto* fin = new DrawnNode();
        fin->SetName("fin");
        fin->material = &material;
        root->AddChild(fin);
        ZAnimation* wave = Load({{"fin", {{0.5f, 1.0f}, {1.0f, 2.0f}}}});
        ZAnimationSet::PlayAnimation(wave);
        EXPECT_EQ(material.GetSwitch(22), 1);
        EXPECT_EQ(material.GetSwitch(23), 1);
        delete fin;
    }
    ZResourceManager::DestroyInstance();
}

TEST_F(AnimationPlayTest, LoadBuildsTheGroupWithItsAnimations)
{
    const std::string scene = dir / "creature.xml";
    ASSERT_TRUE(qvtest::WriteWholeFile(
        scene, "<scenetree><group name=\"body\"><group name=\"arm\"/></group></scenetree>"));
    const std::string anim = dir / "wave.anm";
    ASSERT_TRUE(
        qvtest::WriteWholeFile(anim, BuildFile({{"body/arm", {{0.5f, 1.0f}, {1.0f, 2.0f}}}, {"body", {}}})));
    CreateSceneImporter();
    const char* names[] = {"wave", "missing"};
    const std::string absent = dir / "absent.anm";
    const char* files[] = {anim.c_str(), absent.c_str()};
    ZFileSystem::GetCurrentMountTable()->AddMount("animtest", dir.Path().c_str());
    ZGroup* group = ZAnimationSet::Load("animtest:creature.xml", "crab", 2, names, files, "wave");
    ASSERT_NE(group, nullptr);
    EXPECT_STREQ(group->GetName(), "crab");
    ZNode* loadedBody = group->FindNode("body");
    ASSERT_NE(loadedBody, nullptr);
    auto* set = ZEntityCast<ZAnimationSet>(loadedBody->FindChildAnimationSet());
    ASSERT_NE(set, nullptr);
    ZAnimation* wave = set->FindAnimation(ZNameId("wave").Value());
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->tracks.size(), 1u);
    EXPECT_EQ(set->FindAnimation(ZNameId("missing").Value()), nullptr);
    delete group;

    ZGroup* empty = ZAnimationSet::Load((dir / "nothing.xml").c_str(), "none", 1, names, files, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetChildCount(), 0u);
    delete empty;
}

} // namespace
