// The sea map on the real state stack with the shipped layouts, driven by the pointer: markers
// follow the campaign's progress, a press selects and a release opens the level card, the card's
// dive button hands the level to the campaign, which starts the dive; locked markers refuse; the
// boat sails marker by marker. The square drawer, the bonus grid for one or two extra levels, the
// time text and the boat's sway are checked as tables. Hostile input (a press on open water, a
// release alone, a level whose board file is missing, indexes far outside) changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZStatsLog.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZBoidGroup.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/ui/ZSprite2D.h"
#include "game/common/ZShellSettings.h"
#include "game/decoration/ZBoat.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZInventory.h"
#include "game/screens/ZLevelPreview.h"
#include "game/screens/ZNewStockDialog.h"
#include "game/screens/map/ZLevelMapDrawer.h"
#include "game/screens/map/ZMapScreen.h"
#include "tests/dive/campaign/CampaignTestSupport.h"

namespace
{
std::string Script(const std::vector<std::string>& levels)
{
    std::string text = "<levelcontrol>\n";
    for (size_t i = 0; i < levels.size(); ++i)
    {
        text += "  <levelstate name=\"map\"><levelproperty name=\"profile.showlevels\" value=\"" +
                std::to_string(i + 1) + "\" persistent=\"1\"/></levelstate>\n";
        text += "  <level name=\"" + levels[i] + "\"/>\n";
    }
    return text + "</levelcontrol>\n";
}

// Level names with board files, in campaign order: the six seas' eleven dives.
std::vector<std::string> BoardNames(size_t n)
{
    std::vector<std::string> names;
    for (const char* sea : {"sand", "coral", "shipwreck", "volcano", "deepwater", "sunkencity"})
        for (int i = 1; i <= 11 && names.size() < n; ++i)
        {
            char name[32];
            std::snprintf(name, sizeof(name), "%s_%02d", sea, i);
            names.push_back(name);
        }
    return names;
}

class MapScreenTest : public camptest::CampaignTest
{
protected:
    void SetUp() override
    {
        // The shipped layouts and the generated pictures, then the test's own fixtures.
        table.AddMount("resources", (std::string(QV_BINARY_DIR) + "/data/resources").c_str());
        table.AddMount("resources", (std::string(QV_SOURCE_DIR) + "/data").c_str());
        table.AddMount("localized", (std::string(QV_SOURCE_DIR) + "/data/localized/en").c_str());
        CampaignTest::SetUp();
        // The game's start-up list makes the templates' group; the map's list adds its own to it.
        if (!ZSceneTree::GetInstance()->FindNode("particletemplates"))
        {
            ZGroup* templates = ZGroup::CreateNamed("particletemplates");
            templates->SetHidden(true);
            ZSceneTree::GetInstance()->AddChild(templates);
        }
        g_profileShowLevels.SetValue(1);
        g_profileRelaxMode.SetValue(false);
        g_profileAirless.SetValue(0);
        g_cheatsUnlockAll.SetValue(false);
        preview = Own(new ZLevelPreview());
        map = Own(new ZMapScreen());
        map->SetLevelPreview(preview);
        game->RegisterState(map);
    }
    void TearDown() override
    {
        g_cheatsUnlockAll.SetValue(false);
        g_profileShowLevels.SetValue(1);
        CampaignTest::TearDown();
    }
    void Start(size_t levels)
    {
        ASSERT_EQ(campaign->LoadScriptText(Script(BoardNames(levels))), 0);
        PlayFromMainMenu();
        Step(3);
        ASSERT_EQ(Top(), map) << TopName();
    }
    // Lets the pictures the screens asked for finish loading, as the engine's frames do.
    void Settle()
    {
        if (ZResourceManager* resources = ZResourceManager::PeekInstance())
        {
            resources->WaitForPendingLoads();
            resources->ProcessFinished();
        }
        if (g_engine && g_engine->GetRender())
            g_engine->GetRender()->FlushUploadQueue();
        Step(2);
    }
    V3 MarkerAt(int i) { return map->GetMarkers()[size_t(i)]->GetWorldPosition(); }
    void PressAt(const V3& p)
    {
        MoveToLogical(p.x, p.y);
        Press();
        Frame();
    }
    void ReleaseHere()
    {
        Release();
        Step(3);
    }
    bool Shown(ZNode* node) { return node && node->IsActive() && !node->IsHidden(); }
    int ShownMarkers()
    {
        int n = 0;
        for (ZSprite2D* m : map->GetMarkers())
            n += Shown(m) ? 1 : 0;
        return n;
    }

    ZMapScreen* map = nullptr;
    ZLevelPreview* preview = nullptr;
};

TEST_F(MapScreenTest, MarkersFollowTheCampaignAndItsMedals)
{
    Start(5);
    EXPECT_EQ(map->GetChartMarkerCount(), 60);
    EXPECT_EQ(ShownMarkers(), 1);
    g_profileShowLevels.SetValue(3);
    EXPECT_EQ(ShownMarkers(), 3);
    // Markers past the campaign's levels never show, whatever the setting says.
    g_profileShowLevels.SetValue(40);
    EXPECT_EQ(ShownMarkers(), 5);
    g_profileShowLevels.SetValue(1);
    g_cheatsUnlockAll.SetValue(true);
    EXPECT_EQ(ShownMarkers(), 5);
    g_cheatsUnlockAll.SetValue(false);

    // Medal -1 shows "none", 0 "complete", 3 "gold".
    campaign->GetLevels()[0]->medal = 0;
    campaign->GetLevels()[1]->medal = 3;
    map->Refresh(false);
    auto look = [&](int marker) { return map->GetMarkers()[size_t(marker)]->GetMaterial()->GetTexture(0); };
    EXPECT_EQ(look(0), map->GetLookMaterial(1)->GetTexture(0));
    EXPECT_EQ(look(1), map->GetLookMaterial(4)->GetTexture(0));
    EXPECT_EQ(look(2), map->GetLookMaterial(0)->GetTexture(0));
    EXPECT_NE(map->GetLookMaterial(0)->GetTexture(0), map->GetLookMaterial(4)->GetTexture(0));
}

TEST_F(MapScreenTest, ChoosingAMarkerOpensItsCardAndTheCardStartsTheDive)
{
    Start(3);
    PressAt(MarkerAt(0));
    EXPECT_EQ(map->GetSelectedIndex(), 0);
    ReleaseHere();
    ASSERT_EQ(Top(), preview) << TopName();
    ASSERT_EQ(preview->GetLevel(), campaign->GetLevels()[0]);
    // sand_01: 130 s of air; its board drawn square by square.
    EXPECT_EQ(preview->GetTimeText(), " 2:10");
    EXPECT_GT(preview->GetDrawer().GetSquares().size(), 20u);

    auto* play = ZEntityCast<ZButton2D>(preview->GetRoot()->FindNode("button_play"));
    ASSERT_NE(play, nullptr);
    const V3 p = play->GetWorldPosition();
    ClickAt(p.x, p.y);
    Settle();
    Step(4);
    ASSERT_FALSE(dive->started.empty())
        << TopName() << " entry " << campaign->GetEntryIndex() << " pending "
        << (campaign->GetPendingEntry() ? campaign->GetPendingEntry()->GetName() : "-") << " loading "
        << (g_engine && g_engine->IsLoading()) << " flags " << std::hex << campaign->GetFlags()
        << " pendingstate " << game->GetPendingState() << " next " << game->GetNextState();
    EXPECT_EQ(dive->started.back(), "sand_01");
}

TEST_F(MapScreenTest, TheCardClosesBesideItAndWithItsButton)
{
    Start(2);
    map->OpenPreview(0);
    Step(3);
    ASSERT_EQ(Top(), preview);
    // A click on the card itself keeps it.
    ClickAt(-100.0f, 150.0f);
    Step(2);
    EXPECT_EQ(Top(), preview);
    // A click beside it closes it.
    ClickAt(-390.0f, -290.0f);
    Step(4);
    EXPECT_EQ(Top(), map) << TopName();

    map->OpenPreview(0);
    Step(3);
    auto* close = ZEntityCast<ZButton2D>(preview->GetRoot()->FindNode("button_close"));
    ASSERT_NE(close, nullptr);
    const V3 p = close->GetWorldPosition();
    ClickAt(p.x, p.y);
    Step(4);
    EXPECT_EQ(Top(), map) << TopName();
}

TEST_F(MapScreenTest, ALockedMarkerRefusesAndSelectsTheFurthestLevel)
{
    Start(4);
    g_profileShowLevels.SetValue(4);
    for (int i = 0; i < 6; ++i)
    {
        PressAt(MarkerAt(3));
        ReleaseHere();
        ASSERT_EQ(Top(), map) << "press " << i << " opened " << TopName();
    }
    EXPECT_EQ(map->GetRefusedClicks(), 6);
    EXPECT_EQ(map->GetSelectedIndex(), 0);
}

TEST_F(MapScreenTest, TheBoatSailsMarkerByMarkerToTheSelection)
{
    Start(4);
    g_cheatsUnlockAll.SetValue(true);
    ASSERT_EQ(map->GetBoatMarker(), 0);
    ASSERT_TRUE(map->SelectLevel(2));
    bool soundsRan = false;
    int visitedOne = 0;
    for (int i = 0; i < 600 && map->GetBoatMarker() != 2; ++i)
    {
        Step(1);
        soundsRan = soundsRan || map->AreBoatSoundsRunning();
        visitedOne += map->GetBoatMarker() == 1 ? 1 : 0;
    }
    EXPECT_EQ(map->GetBoatMarker(), 2);
    EXPECT_GT(visitedOne, 0);
    EXPECT_TRUE(soundsRan);
    Step(3);
    EXPECT_FALSE(map->IsSailing());
    EXPECT_FALSE(map->AreBoatSoundsRunning());
    const V3 boat =
        map->GetBoatCarrier() ? static_cast<ZGeom*>(map->GetBoatCarrier())->GetWorldPosition() : V3{};
    EXPECT_NEAR(boat.x, MarkerAt(2).x, 0.5f);
    EXPECT_NEAR(boat.y, MarkerAt(2).y, 0.5f);
}

TEST_F(MapScreenTest, OnEnteringTheBoatSailsOnToTheNextLevelAboveTheChart)
{
    // Thirteen levels won: the boat comes from the thirteenth marker to the fourteenth, at 20
    // units a second, and stays over the chart's places and under the small card all the way.
    ASSERT_EQ(campaign->LoadScriptText(Script(BoardNames(20))), 0);
    for (int i = 0; i < 13; ++i)
        campaign->GetLevels()[size_t(i)]->medal = 1;
    g_profileShowLevels.SetValue(14);
    PlayFromMainMenu();
    Step(3);
    ASSERT_EQ(Top(), map) << TopName();
    ASSERT_EQ(map->GetSelectedIndex(), 13);
    const float leg = std::hypot(MarkerAt(13).x - MarkerAt(12).x, MarkerAt(13).y - MarkerAt(12).y);
    const int frames = int(std::ceil(leg / ZBoatMoveController::kSpeed / 0.02f)) + 60;
    auto* carrier = static_cast<ZGeom*>(map->GetBoatCarrier());
    for (int i = 0; i < frames && map->GetBoatMarker() != 13; ++i)
    {
        Step(1);
        // Over the places and palms (up to 100 in front of the chart), under the small card (250).
        ASSERT_LT(carrier->GetWorldPosition().z, MarkerAt(12).z - 100.0f) << "frame " << i;
        ASSERT_GT(carrier->GetWorldPosition().z, MarkerAt(12).z - 250.0f) << "frame " << i;
    }
    EXPECT_EQ(map->GetBoatMarker(), 13);
    EXPECT_NEAR(carrier->GetWorldPosition().x, MarkerAt(13).x, 0.5f);
    EXPECT_NEAR(carrier->GetWorldPosition().y, MarkerAt(13).y, 0.5f);
}

TEST_F(MapScreenTest, TheChartLivesWhileItShows)
{
    Start(12);
    Step(40);
    // Sparkles glint and the volcano smokes from the first frame.
    ASSERT_NE(map->GetSparkles(), nullptr);
    ASSERT_NE(map->GetVolcanoSmoke(), nullptr);
    EXPECT_GT(map->GetSparkles()->GetAliveCount(), 0u);
    EXPECT_TRUE(map->GetVolcanoSmoke()->IsActive());
    EXPECT_GT(map->GetVolcanoSmoke()->GetAliveCount(), 0u);
    // A puff grows by its spin's scale on every drawn frame: over a whole life at 80 frames a
    // second it must stay a puff over the crater, never a fog over the chart.
    {
        const ZParticleEmitterSystem* smoke = map->GetVolcanoSmoke();
        const SParticleRecord* records = smoke->GetRecords();
        for (uint32_t i = 0; i < smoke->GetEffectiveCount(); ++i)
        {
            if (!(records[i].flags & kParticleRecordAlive))
                continue;
            const M33& spin = records[i].spin;
            const float perFrame = std::hypot(spin.m[0][0], spin.m[0][1], spin.m[0][2]);
            const float scale = std::hypot(records[i].scale.m[0][0], records[i].scale.m[0][1]);
            const float drawn =
                smoke->particleSize.x * scale * std::pow(perFrame, 80.0f * smoke->lifeMaximum);
            EXPECT_LT(drawn, 100.0f) << "a smoke puff grows to " << drawn << " pixels";
        }
    }

    // The trail of lights waits four seconds after the fade-in, then runs marker by marker from
    // the third to the eleventh and rests eight seconds before it runs again.
    ASSERT_GT(map->GetRouteSegmentCount(), 1);
    ASSERT_GE(map->GetTrailTimer(), 0.0);
    EXPECT_EQ(map->GetTrailNext(), 2);
    int steps = 0;
    while (map->GetTrailNext() == 2 && steps < 300)
        Step(1), ++steps;
    EXPECT_GT(steps, 150) << "the trail started early";
    EXPECT_LT(steps, 220) << "the trail started late";
    while (map->GetTrailNext() != 2 && steps < 600)
        Step(1), ++steps;
    EXPECT_EQ(map->GetTrailNext(), 2);
    EXPECT_GT(map->GetTrailTimer(), 7.5);

    // The school keeps together inside the chart's water and follows its path round.
    ZBoidGroup* flock = map->GetFlock();
    ASSERT_NE(flock, nullptr);
    ASSERT_EQ(flock->GetBoids().size(), size_t(ZMapScreen::kFlockSize));
    auto centre = [&]
    {
        V3 c{0.0f, 0.0f, 0.0f};
        for (ZParticleBoid* b : flock->GetBoids())
            c = c + b->position * (1.0f / float(ZMapScreen::kFlockSize));
        return c;
    };
    const V3 before = centre();
    Step(1500);
    const V3 after = centre();
    EXPECT_GT(std::hypot(after.x - before.x, after.y - before.y), 40.0f) << "the school stood still";
    for (ZParticleBoid* b : flock->GetBoids())
    {
        EXPECT_LE(std::fabs(b->position.x), 281.0f);
        EXPECT_LE(std::fabs(b->position.y), 221.0f);
    }
}

TEST_F(MapScreenTest, LeavingTheChartWritesHowLongItShowed)
{
    qvtest::TempDir dir{"qvmapstats"};
    g_engineStats.SetValue(true);
    auto* log = new ZStatsLog((dir.Path() + "/stats.txt").c_str(), nullptr);
    Start(2);
    Step(100);
    game->ClearStates(mainMenu);
    Step(3);
    const SStatsRecord* found = nullptr;
    const auto records = log->GetQueuedRecords();
    for (const SStatsRecord& r : records)
        if (r.name == "mapscreen")
            found = &r;
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(found->fields.count("time-spent"), 1u);
    EXPECT_GT(std::stod(found->fields.at("time-spent")), 1.9);
    EXPECT_EQ(found->fields.count("fps"), 1u);
    ZStatsLog::DestroyInstance();
    g_engineStats.Reset(false);
}

// New stock and the tool belt: the item shops and the inventory on the real stack.
class MapStockTest : public MapScreenTest
{
protected:
    // The chart with the item table and the inventory made once it shows.
    void StartWithItems()
    {
        Start(2);
        abilities = ZAbilityManager::GetInstance();
        inventory = ZInventory::GetInstance();
        g_profileToolBelt.SetValue(true);
        g_zelkNoPopups.SetValue(false);
    }
    void TearDown() override
    {
        g_profileToolBelt.Reset(false);
        g_zelkNoPopups.Reset(false);
        g_profileRelaxMode.SetValue(false);
        g_profileNumSlots.Reset(false);
        for (ZPropertyText& slot : g_profileSlot)
            slot.Reset(false);
        MapScreenTest::TearDown();
        ZInventory::DestroyInstance();
        ZAbilityManager::DestroyInstance();
    }
    ZAbilityManager* abilities = nullptr;
    ZInventory* inventory = nullptr;
};

TEST_F(MapStockTest, NewStockIsToldOnceOverTheChartAndLightsItsShop)
{
    auto* dialog = Own(new ZNewStockDialog());
    StartWithItems();
    ASSERT_EQ(dialog->Load(), 0);
    g_profileShopLevel.SetValue(3);
    // A power sold in the first shop, and an air item (ids 14 to 18) of the third.
    const std::string power = abilities->GetItemName(0);
    const std::string air = abilities->GetItemName(14);
    ASSERT_EQ(ZNewStockDialog::ShopOf(power.c_str()), 0);
    struct Case
    {
        const char* what;
        bool noPopups, belt, relaxed;
        const std::string& key;
        bool told;
    };
    for (const Case& c : {Case{"pop-ups off", true, true, false, power, false},
                          Case{"no tool belt", false, false, false, power, false},
                          Case{"air in relaxed play", false, true, true, air, false},
                          Case{"a power in relaxed play", false, true, true, power, true},
                          Case{"the same power again", false, true, false, power, false}})
    {
        g_zelkNoPopups.SetValue(c.noPopups);
        g_profileToolBelt.SetValue(c.belt);
        g_profileRelaxMode.SetValue(c.relaxed);
        const int alerts = dialog->GetAlertSounds();
        EXPECT_EQ(map->ShowNewStockDialog(map, c.key.c_str()), c.told) << c.what;
        Step(3);
        EXPECT_EQ(Top() == dialog, c.told) << c.what << ": " << TopName();
        // The dialog rings its alert once as it opens.
        EXPECT_EQ(dialog->GetAlertSounds(), alerts + (c.told ? 1 : 0)) << c.what;
        if (Top() == dialog)
        {
            EXPECT_TRUE(Shown(map->GetNewStockBadge(0))) << "the first shop's badge";
            EXPECT_FALSE(Shown(map->GetNewStockBadge(2)));
            game->PopState();
            Step(30);
        }
    }
    // Not over another screen: with the level card on top the news waits for no one.
    map->OpenPreview(0);
    Step(3);
    g_profileRelaxMode.SetValue(false);
    EXPECT_FALSE(map->ShowNewStockDialog(map, abilities->GetItemName(1)));
}

TEST_F(MapStockTest, AnEmptyBeltSlotBlinksItsCountOnTheCard)
{
    StartWithItems();
    const int empty = 0, stocked = 1;
    inventory->SetCount(empty, 0);
    inventory->SetCount(stocked, 2);
    g_profileNumSlots.SetValue(2);
    g_profileSlot[0].SetValue(abilities->GetItemName(empty));
    g_profileSlot[1].SetValue(abilities->GetItemName(stocked));
    map->OpenPreview(0);
    Step(3);
    ASSERT_EQ(Top(), preview) << TopName();
    auto* count0 = ZEntityCast<ZFontText>(preview->GetRoot()->FindNode("equipment/rings/count_0"));
    auto* count1 = ZEntityCast<ZFontText>(preview->GetRoot()->FindNode("equipment/rings/count_1"));
    ASSERT_NE(count0, nullptr);
    ASSERT_NE(count1, nullptr);
    EXPECT_TRUE(preview->IsCountBlinking(0));
    EXPECT_FALSE(preview->IsCountBlinking(1));
    // Three quarters of a second on, three quarters off; the stocked slot stays.
    int toggles = 0;
    bool was = count0->IsHidden();
    for (int i = 0; i < 150; ++i)
    {
        Step(1);
        toggles += count0->IsHidden() != was ? 1 : 0;
        was = count0->IsHidden();
        ASSERT_FALSE(count1->IsHidden()) << "frame " << i;
    }
    EXPECT_GE(toggles, 3);
    EXPECT_LE(toggles, 5);
    // Another item in the slot: the blink stops and the count shows.
    g_profileSlot[0].SetValue(abilities->GetItemName(stocked));
    Step(1);
    EXPECT_FALSE(preview->IsCountBlinking(0));
    EXPECT_FALSE(count0->IsHidden());
    Step(100);
    EXPECT_FALSE(count0->IsHidden());
}

TEST_F(MapScreenTest, HostileInputChangesNothing)
{
    // A level whose board file does not exist: its card opens empty, without a crash.
    ASSERT_EQ(campaign->LoadScriptText(Script({"sand_01", "no_such_board"})), 0);
    PlayFromMainMenu();
    Step(3);
    ASSERT_EQ(Top(), map);
    map->OpenPreview(1);
    Step(3);
    EXPECT_EQ(Top(), preview);
    EXPECT_TRUE(preview->GetDrawer().GetSquares().empty());
    game->PopState();
    Step(3);

    // Presses on open water and releases without a press open nothing.
    PressAt(V3{380.0f, -200.0f, 0.0f});
    ReleaseHere();
    Release();
    Step(2);
    EXPECT_EQ(Top(), map);
    // Indexes far outside.
    EXPECT_FALSE(map->SelectLevel(1000));
    map->SelectLevel(-7);
    EXPECT_EQ(map->GetSelectedIndex(), 0);
    map->SailTo(500, 0, true);
    map->SailTo(1, -3, true);
    map->OpenPreview(99);
    Step(3);
    EXPECT_EQ(Top(), preview);
    EXPECT_EQ(preview->GetLevel(), nullptr);
}

TEST_F(MapScreenTest, OneOrTwoExtraLevelsLieInTheBonusPanel)
{
    // 60 chart markers: one and two levels more go into the bonus grid at finite places.
    for (size_t extra : {1u, 2u})
    {
        ASSERT_EQ(campaign->LoadScriptText(Script(BoardNames(60 + extra))), 0);
        auto* local = Own(new ZMapScreen());
        ASSERT_EQ(local->Load(), 0);
        ASSERT_EQ(local->GetMarkers().size(), 60 + extra);
        for (size_t i = 60; i < local->GetMarkers().size(); ++i)
        {
            const V3 p = local->GetMarkers()[i]->GetWorldPosition();
            EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y)) << extra << " extra, marker " << i;
            EXPECT_LT(std::fabs(p.x), 400.0f);
            EXPECT_LT(std::fabs(p.y), 300.0f);
        }
    }
}

TEST(MapGridTest, BonusGridShapes)
{
    struct Case
    {
        int extra, columns, rows;
        float dx, dy, x0, y0;
    };
    for (const Case& c :
         {Case{1, 1, 1, 0, 0, 100, 50}, Case{2, 2, 1, 200, 0, 0, 50}, Case{3, 2, 2, 200, 100, 0, 0},
          Case{12, 4, 3, 200.0f / 3, 50, 0, 0}, Case{0, 0, 0, 0, 0, 0, 0}})
    {
        const ZMapScreen::SGrid g = ZMapScreen::BonusGrid(c.extra, 200.0f, 100.0f);
        EXPECT_EQ(g.columns, c.columns) << c.extra;
        EXPECT_EQ(g.rows, c.rows) << c.extra;
        EXPECT_FLOAT_EQ(g.dx, c.dx) << c.extra;
        EXPECT_FLOAT_EQ(g.dy, c.dy) << c.extra;
        EXPECT_FLOAT_EQ(g.x0, c.x0) << c.extra;
        EXPECT_FLOAT_EQ(g.y0, c.y0) << c.extra;
    }
}

TEST(MapGridTest, MarkerScaleByHeight)
{
    EXPECT_FLOAT_EQ(ZMapScreen::MarkerScale(-300.0f, 600.0f), 1.2f);
    EXPECT_FLOAT_EQ(ZMapScreen::MarkerScale(300.0f, 600.0f), 0.8f);
    EXPECT_FLOAT_EQ(ZMapScreen::MarkerScale(0.0f, 600.0f), 1.0f);
    EXPECT_FLOAT_EQ(ZMapScreen::MarkerScale(900.0f, 600.0f), 0.8f);
}

TEST(MapGridTest, BoatSwayStaysBelowAndLeftOfItsBase)
{
    for (int i = 0; i < 2000; ++i)
    {
        const V2 d = ZBoatSwayController::Offset(float(i) * 0.137f);
        EXPECT_LE(d.x, 0.0f);
        EXPECT_GE(d.x, -8.0f);
        EXPECT_LE(d.y, 0.0f);
        EXPECT_GE(d.y, -8.0f);
    }
}

TEST(LevelTimeTest, TimeText)
{
    EXPECT_EQ(FormatLevelTime(90.0f, false, 0, 1.0f, "unlimited"), " 1:30");
    EXPECT_EQ(FormatLevelTime(90.0f, true, 0, 1.0f, "unlimited"), "unlimited");
    // A crew factor of 0 counts as 1.0, and the fourth airless step has a factor of its own.
    EXPECT_EQ(FormatLevelTime(90.0f, false, 0, 0.0f, "unlimited"), " 1:30");
    EXPECT_NE(FormatLevelTime(90.0f, false, 3, 1.0f, "unlimited"),
              FormatLevelTime(90.0f, false, 2, 1.0f, "u"));
    EXPECT_EQ(FormatLevelTime(90.0f, false, 99, 1.0f, "unlimited").size(), 5u);
    EXPECT_EQ(FormatLevelTime(1e9f, false, 0, 1.0f, "unlimited").rfind("9999:", 0), 0u);
}

class SquareDrawerTest : public uitest::ScreenTest
{
};

TEST_F(SquareDrawerTest, SquaresSpanTheAreaAndAreReused)
{
    ZGroup* group = ZGroup::CreateNamed("map_group");
    ZSceneTree::GetInstance()->AddChild(group);
    ZLevelMapDrawer drawer;
    drawer.SetGroup(group);
    drawer.SetArea(140.0f, 140.0f);
    // 15 x 15 in 140 x 140: side 10, from (-70, 70) in steps of 10; 'E' and no cell leave gaps,
    // 'F', 'C', 'Z' and 'H' take the special picture.
    auto cell = [](int c, int r) {
        return (c == 3 && r == 2) ? 'E' : (c == 4 && r == 2) ? 0 : (c == 5 ? 'F' : '?');
    };
    drawer.Draw(15, 15, 0, 0, cell);
    ASSERT_EQ(drawer.GetSquares().size(), 15u * 15u - 2u);
    const ZSprite2D* first = drawer.GetSquares().front();
    EXPECT_FLOAT_EQ(first->Position().x, -70.0f);
    EXPECT_FLOAT_EQ(first->Position().y, 70.0f);
    EXPECT_FLOAT_EQ(first->GetSize().x, 10.0f);
    EXPECT_FLOAT_EQ(drawer.GetSquares()[1]->Position().x, -60.0f);
    EXPECT_TRUE(ZLevelMapDrawer::IsSpecialCell('H'));
    EXPECT_FALSE(ZLevelMapDrawer::IsSpecialCell('?'));

    // A second, smaller board: only its squares are in the group, the rest wait as spares; a
    // third board of the first size makes no new squares.
    std::vector<ZSprite2D*> made(drawer.GetSquares().begin(), drawer.GetSquares().end());
    drawer.Draw(3, 2, 0, 0, [](int, int) { return int('?'); });
    EXPECT_EQ(drawer.GetSquares().size(), 6u);
    EXPECT_EQ(drawer.GetSpares().size(), made.size() - 6u);
    int children = 0;
    for (ZNode* n = group->GetFirstChild(); n; n = n->GetNextSibling())
        ++children;
    EXPECT_EQ(children, 6);
    drawer.Draw(15, 15, 0, 0, cell);
    for (ZSprite2D* square : drawer.GetSquares())
        EXPECT_NE(std::find(made.begin(), made.end(), square), made.end());
    drawer.Draw(0, 0, 0, 0, cell);
    EXPECT_TRUE(drawer.GetSquares().empty());
}
} // namespace
