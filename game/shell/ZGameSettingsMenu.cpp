// The game's settings screen over the engine's settings menu.
#include "game/shell/ZGameSettingsMenu.h"

#include <cstdio>

#include "engine/app/ZGame.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/ui/ZDialogGameState.h"
#include "game/shell/ZShellStats.h"

ZGameSettingsMenu::ZGameSettingsMenu()
{
    GetRoot()->SetName("settingsmenu");
    SetFlags(kStateResourcesWhileStacked);
}

int ZGameSettingsMenu::Build()
{
    if (ImportSceneFile(ZResourcePath("resources:settingsmenu.xml"), GetRoot()) != 0)
        std::fprintf(stderr, "Settings menu: resources:settingsmenu.xml is missing or broken\n");
    return ZSettingsMenu::Build();
}

void ZGameSettingsMenu::OnEnter()
{
    ZSettingsMenu::OnEnter();
}

void ZGameSettingsMenu::OnLeave()
{
    ZSettingsMenu::OnLeave();
    WriteScreenRecord(this, "settingsmenu", "time-spent", true);
}

bool ZGameSettingsMenu::OpenRestartDialog(const char* text)
{
    if (!m_restartDialog)
        return false;
    m_restartDialog->SetText(text);
    ZGame::GotoState(m_restartDialog);
    return true;
}
