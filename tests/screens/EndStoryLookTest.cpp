// The end-of-level screen over a real dive and the story screen, drawn on a real window for a person
// to look at: QV_EOL_SHOT and QV_STORY_SHOT name the PNG files to write (the test skips without
// them or a display). QV_STORY_PAGE picks the story page (default "intro").
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dive/board/DiveLookSupport.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/resource/ZStringTable.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/crew/ZInventory.h"
#include "game/screens/ZGameEndOfLevel.h"
#include "game/screens/ZGameStoryScreen.h"

namespace
{
class EndStoryLook : public divetest::DiveLook
{
protected:
    void BeforeGameGoes() override
    {
        ZGameEndOfLevel::DestroyInstance();
        ZGameStoryScreen::DestroyInstance();
        ZCharacterScreen::DestroyInstance();
        ZInventory::DestroyInstance();
        ZAbilityManager::DestroyInstance();
        g_profileCharacter.Reset(false);
    }
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
            Frame(0.02);
    }
    static void LoadStrings()
    {
        if (IFile* file = ZFileSystem::GetInstance()->Open("localized:strings.xml", FILE_READ))
        {
            if (file->Open() == 0)
            {
                ZStringTable::GetInstance()->LoadXml(file);
                file->Close();
            }
            delete file;
        }
    }
};
} // namespace

TEST_F(EndStoryLook, TheEndOfLevelOverADiveAndAStoryPageOnScreen)
{
    const char* eolShot = ShotFile("QV_EOL_SHOT");
    const char* storyShot = ShotFile("QV_STORY_SHOT");
    if (!eolShot && !storyShot)
        GTEST_SKIP() << "QV_EOL_SHOT and QV_STORY_SHOT name no file to write";
    std::string why;
    if (!Open("sand_01", why))
    {
        if (!why.empty())
            GTEST_SKIP() << why;
        return;
    }
    LoadStrings();
    ZMountTable* mounts = ZFileSystem::GetInstance()->GetMountTable();
    mounts->AddMount("localized", (std::string(QV_BINARY_DIR) + "/data/resources/localized/en").c_str(), "",
                     false);
    mounts->AddMount("story", "resources:story", "", false);
    ZAbilityManager::GetInstance();
    ZInventory::GetInstance();
    ZCharacterScreen* crew = ZCharacterScreen::GetInstance();
    ASSERT_EQ(crew->LoadCharacters(), 0);
    crew->OnProfileLoaded();
    crew->GetCharacter(0)->SetXP(2400);

    if (eolShot)
    {
        ZGameEndOfLevel* eol = ZGameEndOfLevel::GetInstance();
        SDiveResult result;
        result.treasure = 640;
        result.artifacts = 3;
        result.medal = 2;
        result.airLeft = 42.0f;
        result.profileTreasure = 1200;
        result.title = "4";
        eol->SetResult(result);
        ZGame::GotoState(eol);
        const double seconds = std::getenv("QV_EOL_SECONDS") ? std::atof(std::getenv("QV_EOL_SECONDS")) : 5.0;
        Frames(int(seconds / 0.02));
        Shot(eolShot);
    }
    if (storyShot)
    {
        ZGameStoryScreen* story = ZGameStoryScreen::GetInstance();
        story->SetStartPage(std::getenv("QV_STORY_PAGE") ? std::getenv("QV_STORY_PAGE") : "intro");
        ZGame::GotoState(story);
        Frames(200);
        Shot(storyShot);
    }
}
