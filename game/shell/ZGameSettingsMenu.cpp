// The game's settings screen over the engine's settings menu.
#include "game/shell/ZGameSettingsMenu.h"

#include <cstdio>

#include "engine/app/ZGame.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/ui/ZDialogGameState.h"
#include "game/common/ZShellSettings.h"
#include "game/shell/ZQuorvane.h"
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
    ZQuorvane::HideBackdrop(this);
    const int result = ZSettingsMenu::Build();
    m_cancel = ZEntityCast<ZButton2D>(GetRoot()->FindNode("cancel_button"));
    return result;
}

namespace
{
ZPropertyBool* const kSwitches[3] = {&g_zelkDisableBubbles, &g_zelkDisableFish, &g_zelkDisableWhale};
}

void ZGameSettingsMenu::OnEnter()
{
    ZSettingsMenu::OnEnter();
    m_cancelled = false;
    for (int i = 0; i < 3; ++i)
        m_savedSwitches[i] = kSwitches[i]->GetValue();
}

void ZGameSettingsMenu::OnClicked(ZButton2D* button)
{
    if (button && button == m_cancel)
        m_cancelled = true;
    ZSettingsMenu::OnClicked(button);
}

void ZGameSettingsMenu::OnLeave()
{
    ZSettingsMenu::OnLeave();
    if (m_cancelled)
        for (int i = 0; i < 3; ++i)
            if (kSwitches[i]->GetValue() != m_savedSwitches[i])
                kSwitches[i]->SetValue(m_savedSwitches[i]);
    m_cancelled = false;
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
