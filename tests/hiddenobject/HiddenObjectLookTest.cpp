// What the bonus game looks like: a location with its shipped pictures, layout, levels and texts
// drawn by the OpenGL back end, with a few objects found and the hint showing, written as a PNG for
// a person to look at. Runs only when QV_HIDDEN_SHOT names the file to write (and a display is
// there); QV_HIDDEN_LOCATION picks the location (1..3, default 1).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/resource/ZResourceManager.h"
#include "engine/ui/ZLayer2D.h"
#include "engine/ui/ZMousePointer.h"
#include "game/common/IGameShell.h"
#include "game/dive/crew/ZBonusEndOfLevel.h"
#include "game/hiddenobject/ZHiddenObject.h"
#include "game/hiddenobject/ZHiddenObjectGame.h"
#include "game/hiddenobject/ZHiddenObjectLevel.h"
#include "support/LookDisplay.h"

namespace
{
// The game object's part for these pictures: the bonus prize dialog over the bonus game, telling
// the level when its button is pressed.
class PrizeDialogShell : public IGameShell, public IBonusDialogListener
{
public:
    bool ShowBonusPrize(IBonusPrize* prize, bool startPage, bool won) override
    {
        ZBonusEndOfLevel* dialog = ZBonusEndOfLevel::GetInstance();
        SBonusPrize shown;
        shown.title = prize->GetPrizeTitle() ? prize->GetPrizeTitle() : "";
        shown.intro = prize->GetPrizeIntro() ? prize->GetPrizeIntro() : "";
        shown.wonText = prize->GetPrizeWonText() ? prize->GetPrizeWonText() : "";
        shown.missedText = prize->GetPrizeMissedText() ? prize->GetPrizeMissedText() : "";
        shown.item = prize->GetPrizeItem();
        // The level gives the count as shown; the dialog shows 100 a count without the tool belt.
        const bool belt = ZBonusEndOfLevel::PrizeCount(SBonusPrize{}) == 1;
        shown.count = belt ? prize->GetPrizeCount() : prize->GetPrizeCount() / 100;
        shown.shop = prize->GetPrizeLocation();
        dialog->SetPrize(shown);
        dialog->SetListener(this);
        m_prize = prize;
        ZGame::GotoState(dialog);
        if (startPage)
            dialog->ShowStart();
        else
            dialog->ShowResult(won);
        return true;
    }
    void OnBonusDialogClosed(bool atStart) override
    {
        if (m_prize)
            m_prize->OnPrizeDialogButton(atStart);
    }

private:
    IBonusPrize* m_prize = nullptr;
};

// The shot's file name with a suffix before ".png".
std::string ShotName(const char* shot, const char* suffix)
{
    std::string name = shot;
    const size_t dot = name.rfind(".png");
    return (dot == std::string::npos ? name : name.substr(0, dot)) + suffix + ".png";
}

class HiddenObjectLook : public qvtest::LookDisplay
{
protected:
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

    // Finds the next object of the list as a click would (for a group, its next member to find);
    // false when nothing is left.
    bool FindNext(ZHiddenObjectLevel* level)
    {
        if (level->GetRemaining().empty())
            return false;
        ZHiddenObject* object = level->GetRemaining().front();
        if (object->IsGroup())
        {
            ZHiddenObject* member = nullptr;
            for (ZHiddenObject* m : object->GetMembers())
                if (m->GetNode() && m->GetNode()->TestFlags(kNodePickable) && m->GetNode()->IsActive())
                {
                    member = m;
                    break;
                }
            if (!member)
                return false;
            object = member;
        }
        if (object->GetNode())
        {
            object->GetNode()->ClearFlags(kNodePickable);
            object->GetNode()->SetActive(false);
        }
        level->OnObjectFound(object);
        return true;
    }

    void TearDown() override
    {
        if (!IsOpen())
            return;
        SetGameShell(nullptr);
        CloseGame();
        ZBonusEndOfLevel::DestroyInstance();
        ZHiddenObjectGame::ReleaseAll();
        CloseDisplay();
    }
};

TEST_F(HiddenObjectLook, ALocationOnScreen)
{
    const char* shot = std::getenv("QV_HIDDEN_SHOT");
    if (!shot)
        GTEST_SKIP() << "QV_HIDDEN_SHOT names no file to write";
    std::string why;
    if (!Open(why))
    {
        if (!why.empty())
            GTEST_SKIP() << why;
        return;
    }
    const char* chosen = std::getenv("QV_HIDDEN_LOCATION");
    const int n = chosen ? std::clamp(std::atoi(chosen), 1, 3) : 1;
    char name[16], picture[64], levels[64];
    std::snprintf(name, sizeof(name), "hidden%i", n);
    std::snprintf(picture, sizeof(picture), "resources:hiddenobject%i.xml", n);
    std::snprintf(levels, sizeof(levels), "resources:hiddenobjectlevels%i.xml", n);
    PrizeDialogShell shell;
    SetGameShell(&shell);
    ZHiddenObjectGame* game = ZHiddenObjectGame::Get(name);
    game->Setup(n - 1, picture, levels);
    ASSERT_EQ(game->Load(), 0);
    ASSERT_FALSE(game->GetLevels().empty());
    game->StartLevel(game->GetLevels()[1]);
    ZGame::GotoState(game);
    for (int i = 0; i < 60; ++i)
        Frame(0.02);
    // The prize dialog's start page over the location, then its button starts the search.
    ZBonusEndOfLevel* dialog = ZBonusEndOfLevel::PeekInstance();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(ZGame::PeekInstance()->GetTopState(), dialog);
    Shot(ShotName(shot, "-start").c_str());
    dialog->OnClicked(dialog->GetButton());
    for (int i = 0; i < 30; ++i)
        Frame(0.02);
    ASSERT_EQ(game->GetPhase(), ZHiddenObjectGame::kPhasePlaying);
    // Two objects found, then a hint once it has recharged.
    ZHiddenObjectLevel* level = game->GetCurrentLevel();
    FindNext(level);
    FindNext(level);
    for (int i = 0; i < int(31.0 / 0.02); ++i)
        Frame(0.02);
    game->UseHint();
    for (int i = 0; i < 30; ++i)
        Frame(0.02);
    Shot(shot);

    // Everything found: a moment later the result page with the prize won.
    while (!level->IsComplete() && FindNext(level))
    {
    }
    game->SetPhase(ZHiddenObjectGame::kPhaseAllFound);
    for (int i = 0; i < 80; ++i)
        Frame(0.02);
    ASSERT_EQ(ZGame::PeekInstance()->GetTopState(), dialog);
    Shot(ShotName(shot, "-result").c_str());
}
} // namespace
