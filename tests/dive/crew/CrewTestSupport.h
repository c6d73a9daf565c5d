#pragma once
// The crew on the real state stack: the game's own layouts and crew file mounted as "resources",
// the ability manager and the inventory, a profile folder of its own, and the crew screen made and
// loaded as the game's start-up does (crew file, then the current profile loaded again).
#include <gtest/gtest.h>

#include <string>

#include "../abilities/AbilityTestSupport.h"
#include "engine/resource/ZStringTable.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/ui/ZDragController.h"
#include "engine/resource/ZProfileManager.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/crew/ZInventory.h"
#include "support/TestFiles.h"
#include "tests/support/ScreenTestSupport.h"

namespace crewtest
{
// Settings a test may change, back at their defaults.
inline void ResetCrewSettings()
{
    g_profileCharacter.Reset(false);
    g_profileCrewSize.Reset(false);
    g_profileNumSlots.Reset(false);
    g_profileToolBelt.Reset(false);
    g_profileLevel.Reset(false);
    g_cheatsUnlockAll.Reset(false);
    g_tipCharScreen.Reset(false);
    g_tipOvercharge.Reset(false);
    g_tipInventory.Reset(false);
    g_tipEmptyInventory.Reset(false);
    for (int i = 0; i < 5; ++i)
    {
        GetCrewSetting(i)->Reset(false);
        g_profileSlot[i].Reset(false);
    }
}

inline void AddTexts()
{
    ZStringTable* strings = ZStringTable::GetInstance();
    for (const auto& [key, text] :
         {std::pair{"crew.levelstring", "Level %i"}, std::pair{"crew.maxlevel", "Top level"},
          std::pair{"general.fxp", "%i XP"}, std::pair{"general.plusfxp", "+%i XP"}, std::pair{"finn.name", "Finn"},
          std::pair{"mira.name", "Mira"}, std::pair{"juno.name", "Juno"}, std::pair{"button.start", "Start"},
          std::pair{"button.continue", "Continue"}, std::pair{"general.treasure", "Treasure"},
          std::pair{"inventory.locked", "Not available yet."}, std::pair{"swap.name", "Swap"}})
        strings->Add(key, text, std::string(text).size());
}

// Records the popups the crew asks the game object for.
class CrewShell : public abilitytest::RecordingShell
{
public:
    void ShowPopup(const char* text, double duration, const V3& position) override
    {
        (void)duration, (void)position;
        popups.push_back(text ? text : "");
    }
    void HidePopups() override { ++popupsHidden; }
    int popupsHidden = 0;
};

class CrewScreenTest : public uitest::ScreenTest
{
protected:
    void SetUp() override
    {
        // The game's layouts and crew file, and the pictures the build draws for them.
        table.AddMount("resources", QV_SOURCE_DIR "/data");
        table.AddMount("resources", QV_BINARY_DIR "/data/resources");
        ScreenTest::SetUp();
        ResetCrewSettings();
        AddTexts();
        g_gameCurrentProfile.Reset(false);
        g_profileName.Reset(false);
        profiles = new ZProfileManager(dir.Path().c_str());
        ASSERT_TRUE(profiles->NewProfile("Ann"));
        SetGameShell(&shell);
        abilities = ZAbilityManager::GetInstance();
        inventory = ZInventory::GetInstance();
        crew = ZCharacterScreen::GetInstance();
        ASSERT_EQ(crew->LoadCharacters(), 0);
        profiles->LoadProfile();
    }
    void TearDown() override
    {
        game.reset();
        // The screens' nodes go now, while the resource manager can still take back the pictures
        // their layouts loaded (the picture pool outlives the engine of one test).
        std::vector<ZGroup*> roots{crew->GetRoot()};
        for (const auto& state : owned)
            roots.push_back(state->GetRoot());
        owned.clear();
        ZCharacterScreen::DestroyInstance();
        for (ZGroup* root : roots)
            root->Release();
        Frame();
        ZResourceManager::GetInstance()->UnloadParked();
        ZInventory::DestroyInstance();
        ZAbilityManager::DestroyInstance();
        ZProfileManager::DestroyInstance();
        SetGameShell(nullptr);
        ResetCrewSettings();
        g_gameCurrentProfile.Reset(false);
        g_profileName.Reset(false);
        ScreenTest::TearDown();
    }
    std::string ProfileFile() const { return profiles->GetCurrentFolder() + ZCharacterScreen::kProfileFile; }
    // The centre of a node in logical screen points.
    static V2 CentreOf(ZNode* node)
    {
        V3 p{};
        if (auto* geom = ZEntityCast<ZGeom>(node))
            geom->LocalToWorld(p);
        return {p.x, p.y};
    }
    void ClickOn(ZNode* node)
    {
        const V2 c = CentreOf(node);
        ClickAt(c.x, c.y);
        Frames(2);
    }
    // Presses on one node (`grab` away from its centre), moves over in steps and lets go on another.
    void DragOnto(ZNode* from, ZNode* to, V2 grab = {})
    {
        const V2 centre = CentreOf(from), b = CentreOf(to);
        const V2 a{centre.x + grab.x, centre.y + grab.y};
        MoveToLogical(a.x, a.y);
        Press();
        Frame();
        for (int s = 1; s <= 6; ++s)
            MoveToLogical(a.x + (b.x - a.x) * float(s) / 6.0f, a.y + (b.y - a.y) * float(s) / 6.0f);
        Release();
        Frames(2);
    }

    qvtest::TempDir dir{"qvcrew"};
    ZProfileManager* profiles = nullptr;
    CrewShell shell;
    ZAbilityManager* abilities = nullptr;
    ZInventory* inventory = nullptr;
    ZCharacterScreen* crew = nullptr;
};
} // namespace crewtest
