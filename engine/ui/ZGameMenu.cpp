#include "engine/ui/ZGameMenu.h"

#include <cstdio>

#include "engine/app/ZGame.h"
#include "engine/resource/ZHighscoreTable.h"
#include "engine/scene/ZFontText.h"

ZGameMenu::ZGameMenu()
{
    GetRoot()->SetName("gamemenu");
}

int ZGameMenu::Build()
{
    m_widgets.Clear();
    m_resume = m_widgets.FindButton(GetRoot(), "button_resume");
    m_settings = m_widgets.FindButton(GetRoot(), "button_settings");
    m_mainMenu = m_widgets.FindButton(GetRoot(), "button_mainmenu");
    m_help = m_widgets.FindButton(GetRoot(), "button_help");
    return 0;
}

void ZGameMenu::OnEnter()
{
    m_widgets.OnEnter();
}

void ZGameMenu::OnLeave()
{
    m_widgets.OnLeave();
}

void ZGameMenu::OnClicked(ZButton2D* button)
{
    if (!button)
        return;
    if (button == m_resume)
        OnResume();
    else if (button == m_settings)
        OnSettings();
    else if (button == m_mainMenu)
        OnMainMenu();
    else if (button == m_help)
        OnHelp();
}

void ZGameMenu::ClearTo(ZGameState* target)
{
    ZGame* game = ZGame::PeekInstance();
    if (!game)
        return;
    if (target)
        game->ClearStates(target);
    game->PopState();
}

void ZGameMenu::Open(ZGameState* screen)
{
    ZGame* game = ZGame::PeekInstance();
    if (!game)
        return;
    // The menu leaves first: a pop issued after the push would run once the screen's switch
    // completes and take the new screen off again, so the screen would never be seen.
    game->PopState();
    if (screen)
        ZGame::GotoState(screen);
}

void ZGameMenu::OnResume()
{
    ClearTo(m_resumeTarget);
}

void ZGameMenu::OnSettings()
{
    Open(m_settingsScreen);
}

void ZGameMenu::OnMainMenu()
{
    ClearTo(m_mainMenuTarget);
}

void ZGameMenu::OnHelp()
{
    Open(m_helpScreen);
}

ZMainMenu::ZMainMenu()
{
    GetRoot()->SetName("mainmenu");
}

void ZMainMenu::Init()
{
    ZGameState::Init();
    GetRoot()->SetHidden(true);
}

void ZMainMenu::ShowRoot()
{
    GetRoot()->SetHidden(false);
}

void ZMainMenu::HideRoot()
{
    GetRoot()->SetHidden(true);
}

ZHighscoreMenu::ZHighscoreMenu()
{
    GetRoot()->SetName("highscoremenu");
    SetFlags(kStateResourcesWhileStacked);
}

ZHighscoreMenu::~ZHighscoreMenu() = default;

int ZHighscoreMenu::Build()
{
    m_widgets.Clear();
    m_close = m_widgets.FindButton(GetRoot(), "close_button");
    FindRows();
    return 0;
}

void ZHighscoreMenu::FindRows()
{
    m_rowCount = 0;
    for (int32_t i = 0; i < kMaxRows; ++i)
    {
        char name[32];
        char score[32];
        std::snprintf(name, sizeof(name), "name_%i", int(i));
        std::snprintf(score, sizeof(score), "score_%i", int(i));
        auto* nameNode = FindWidget<ZFontText>(GetRoot(), name);
        auto* scoreNode = FindWidget<ZFontText>(GetRoot(), score);
        if (!nameNode || !scoreNode)
            break;
        m_names[i] = nameNode;
        m_scores[i] = scoreNode;
        m_rowCount = i + 1;
    }
    // A layout without rows leaves the table alone: no places would mean no scores kept at all.
    if (m_rowCount > 0)
        if (ZHighscoreTable* table = ZHighscoreTable::PeekInstance())
            table->Resize(m_rowCount);
}

void ZHighscoreMenu::FillRows()
{
    ZHighscoreTable* table = ZHighscoreTable::PeekInstance();
    if (!table)
        return;
    int32_t row = 0;
    for (const SHighscoreEntry& entry : table->GetEntries())
    {
        if (row >= m_rowCount)
            break;
        m_names[row]->SetText(entry.name.c_str());
        char score[32];
        std::snprintf(score, sizeof(score), "%i", int(entry.score));
        m_scores[row]->SetText(score);
        ++row;
    }
    OnScoresShown(table);
}

void ZHighscoreMenu::OnEnter()
{
    // Subscribed only while entered, like the other screens: a listener left on the button would
    // outlive the menu.
    m_widgets.OnEnter();
    FillRows();
}

void ZHighscoreMenu::OnLeave()
{
    m_widgets.OnLeave();
}

void ZHighscoreMenu::OnClicked(ZButton2D* button)
{
    if (button && button == m_close)
        if (ZGame* game = ZGame::PeekInstance())
            game->PopState();
}
