#pragma once
// The campaign on the real game-state stack: stand-in screens under the names the campaign looks
// for (map, story, shop, main menu), a dive stand-in that records the levels it is asked to start,
// the settings the campaign reads (made here only when no library defines them), a profiles folder
// of its own, and a step that runs a frame the way the game object does: the stack, then the
// campaign.
#include <memory>
#include <string>
#include <vector>

#include "engine/core/ZPropertyManager.h"
#include "engine/resource/ZProfileManager.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "tests/support/ScreenTestSupport.h"
#include "tests/support/TestFiles.h"

namespace camptest
{
class FakeDive : public uitest::ScreenState, public IDiveStarter
{
public:
    FakeDive() : ScreenState("ZInGame") {}
    ZGameState* StartLevel(ZLevel* level) override
    {
        started.push_back(level->GetBoardName());
        numbers.push_back(level->number);
        return this;
    }
    std::vector<std::string> started;
    std::vector<int> numbers;
};

// A screen that takes campaign events.
class EventScreen : public uitest::ScreenState, public ILevelEventTarget
{
public:
    explicit EventScreen(const char* name) : ScreenState(name) {}
    void OnLevelEvent(const ZEvent& event) override
    {
        const char* tip = event.args.Find("tip");
        events.push_back(std::to_string(event.id.Value()) + ":" + (tip ? tip : ""));
    }
    std::vector<std::string> events;
};

class CampaignTest : public uitest::ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        MakeSettingIfMissing<ZPropertyText>(theme, "zelk.theme", std::string("sand"));
        MakeSettingIfMissing<ZPropertyText>(board, "zelk.board", std::string());
        MakeSettingIfMissing<ZPropertyBool>(randomize, "profile.randomizelevels", false);
        MakeSettingIfMissing<ZPropertyBool>(unlockAll, "cheats.unlockall", false);
        if (!ZPropertyManager::GetInstance()->Find("profile.level"))
            levelSetting = std::make_unique<ZPropertyInt>("profile.level", "", "", ZProperty::kSaved,
                                                          ZNameId("profile").Value(), 0, 1000, 0);
        unlock = std::make_unique<ZPropertyBool>("campaigntest.unlock", "", "", ZProperty::kSaved,
                                                 ZNameId("profile").Value(), false);
        profiles = new ZProfileManager((folder.Path() + "/profiles").c_str());
        campaign = Own(new ZLevelControl());
        mainMenu = Own(new uitest::ScreenState("ZGameMainMenu"));
        dive = Own(new FakeDive());
        SetDiveStarter(dive);
    }
    void TearDown() override
    {
        SetDiveStarter(nullptr);
        ScreenTest::TearDown();
        ZProfileManager::DestroyInstance();
        for (ZProperty* p : {Setting("zelk.theme"), Setting("zelk.board"), Setting("profile.randomizelevels"),
                             Setting("cheats.unlockall"), Setting("profile.level")})
            if (p)
                p->Reset(false);
        theme.reset();
        board.reset();
        randomize.reset();
        unlockAll.reset();
        levelSetting.reset();
        unlock.reset();
    }

    template <class T, class V> void MakeSettingIfMissing(std::unique_ptr<T>& slot, const char* name, const V& value)
    {
        if (!ZPropertyManager::GetInstance()->Find(name))
            slot = std::make_unique<T>(name, "", "", 0, ZProperty::kNoGroup, value);
    }
    static ZProperty* Setting(const char* name) { return ZPropertyManager::GetInstance()->Find(name); }
    static std::string SettingText(const char* name)
    {
        ZProperty* p = Setting(name);
        return p ? p->ToText() : std::string("<none>");
    }

    // One frame as the game object runs it.
    void Step(int n = 1)
    {
        for (int i = 0; i < n; ++i)
        {
            Frames(1);
            campaign->Update();
        }
    }
    // Play from the main menu: the menu empties the stack in favour of the campaign.
    void PlayFromMainMenu()
    {
        game->ClearStates(mainMenu);
        Step(2);
        game->ClearStates(campaign);
        Step(3);
    }
    // What the end of a dive or the map's level card does: back to the campaign.
    void ReturnToCampaign()
    {
        game->ClearStates(campaign);
        Step(3);
    }
    const char* TopName() { return Top() ? Top()->GetName() : "none"; }

    qvtest::TempDir folder{"qvcampaign"};
    ZProfileManager* profiles = nullptr;
    ZLevelControl* campaign = nullptr;
    ZGameState* mainMenu = nullptr;
    FakeDive* dive = nullptr;
    std::unique_ptr<ZPropertyText> theme, board;
    std::unique_ptr<ZPropertyBool> randomize, unlockAll, unlock;
    std::unique_ptr<ZPropertyInt> levelSetting;
};
} // namespace camptest
