// What the sea map looks like: the shipped chart, markers, places and bar with a campaign some
// way along, and a level card over it, drawn by the OpenGL back end and written as PNGs for a
// person to look at. Runs only when QV_MAP_SHOT names the file to write (and a display is there);
// QV_MAP_CARD_SHOT names the card's picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/ZPropertyManager.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/ui/ZLayer2D.h"
#include "engine/ui/ZMousePointer.h"
#include "game/common/ZShellSettings.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "game/screens/ZLevelPreview.h"
#include "game/screens/map/ZMapScreen.h"
#include "support/LookDisplay.h"

namespace
{
class MapLook : public qvtest::LookDisplay
{
protected:
    // The shared display, with every picture loaded and the pointer over the 2D layer, as the map
    // hovers its markers.
    bool Open(std::string& why)
    {
        if (!OpenDisplay(why))
            return false;
        ZResourceManager::GetInstance()->LoadAllResources();
        ZMousePointer* pointer = ZMousePointer::GetInstance();
        pointer->EnterPhase2();
        pointer->SetLayerCamera(ZLayer2DManager::GetInstance()->GetDefaultLayer()->camera);
        return true;
    }

    void TearDown() override
    {
        if (!IsOpen())
            return;
        CloseGame();
        // The map listens to the campaign's story flags: it goes before the campaign.
        while (!m_owned.empty())
            m_owned.pop_back();
        CloseDisplay();
    }

    std::vector<std::unique_ptr<ZGameState>> m_owned;
};

TEST_F(MapLook, TheChartAndALevelCard)
{
    const char* shot = std::getenv("QV_MAP_SHOT");
    if (!shot)
        GTEST_SKIP() << "QV_MAP_SHOT names the file to write (the card goes to QV_MAP_CARD_SHOT)";
    std::string why;
    if (!Open(why))
    {
        if (!why.empty())
            GTEST_SKIP() << why;
        return;
    }
    auto* campaign = new ZLevelControl();
    m_owned.emplace_back(campaign);
    ASSERT_EQ(campaign->LoadScript(), 0);
    // A player some way into the second sea: medals behind, shops and a bonus game open.
    const auto& levels = campaign->GetLevels();
    for (size_t i = 0; i < 14 && i < levels.size(); ++i)
        levels[i]->medal = int32_t(i % 4);
    g_profileShowLevels.SetValue(15);
    g_profileShopLevel.SetValue(2);
    g_profileBonusLevel.SetValue(1);
    g_profileCrewButton.SetValue(true);
    g_profileEquipButton.SetValue(true);
    g_profileRotation.SetValue(true);
    g_profileAmulet.SetValue(2);
    for (int i = 0; i < 3; ++i)
        if (ZPropertyBool* place = FindPlaceInfoSetting(i))
            place->SetValue(true);
    if (ZPropertyBool* story = ZPropertyManager::GetInstance()->FindTyped<bool>("story.arrive_coral"))
        story->SetValue(true);
    auto* preview = new ZLevelPreview();
    m_owned.emplace_back(preview);
    auto* map = new ZMapScreen();
    m_owned.emplace_back(map);
    map->SetLevelPreview(preview);
    ZGame::GotoState(map);
    for (int i = 0; i < 400; ++i)
        Frame(0.02);
    Shot(shot);
    if (const char* card = std::getenv("QV_MAP_CARD_SHOT"))
    {
        map->OpenPreview(12);
        for (int i = 0; i < 60; ++i)
            Frame(0.02);
        Shot(card);
    }
}
} // namespace
