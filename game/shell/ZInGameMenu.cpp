// The dive's pause menu over the engine's game menu.
#include "game/shell/ZInGameMenu.h"

#include <cstdio>

#include "engine/app/ZEngine.h"
#include "engine/app/ZGame.h"
#include "engine/audio/IAudio.h"
#include "engine/audio/ZSound.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/ui/ZMousePointer.h"
#include "game/common/IGameShell.h"
#include "game/shell/ZShellStats.h"

ZInGameMenu::ZInGameMenu()
{
    SetFlags(kStateDims);
    m_openSound = ZSound::Find("menu_open");
}

int ZInGameMenu::Build()
{
    if (ImportSceneFile(ZResourcePath("resources:ingamemenu.xml"), GetRoot()) != 0)
        std::fprintf(stderr, "Pause menu: resources:ingamemenu.xml is missing or broken\n");
    return ZGameMenu::Build();
}

void ZInGameMenu::OnEnter()
{
    ZGameMenu::OnEnter();
    if (g_engine && g_engine->GetAudio())
        g_engine->GetAudio()->PauseMusic(true);
    if (!m_openSound)
        m_openSound = ZSound::Find("menu_open");
    if (m_openSound)
        m_openSound->Play();
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        pointer->ResetLock();
}

void ZInGameMenu::OnLeave()
{
    if (g_engine && g_engine->GetAudio())
        g_engine->GetAudio()->PauseMusic(false);
    ZGameMenu::OnLeave();
    WriteScreenRecord(this, "ingamemenu", "time", false);
}

void ZInGameMenu::OnSettings()
{
    if (m_settingsTarget)
        ZGame::GotoState(m_settingsTarget);
}

void ZInGameMenu::OnHelp()
{
    if (m_helpTarget)
        ZGame::GotoState(m_helpTarget);
}

void ZInGameMenu::OnMainMenu()
{
    GetGameShell()->ShowConfirmDialog(m_leaveTarget);
}
