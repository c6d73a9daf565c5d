#pragma once
// The game's settings screen: the engine's settings menu with the game's layout (which also binds
// the background's switches), the game's restart notice and a usage-statistics record when it
// closes.
#include "engine/ui/ZSettingsMenu.h"

class ZDialogGameState;

class ZGameSettingsMenu : public ZSettingsMenu
{
public:
    ZGameSettingsMenu();

    int Build() override;
    void OnEnter() override;
    void OnLeave() override;
    void OnClicked(ZButton2D* button) override;

    void SetRestartDialog(ZDialogGameState* dialog) { m_restartDialog = dialog; }

protected:
    bool OpenRestartDialog(const char* text) override;

private:
    ZDialogGameState* m_restartDialog = nullptr;
    ZButton2D* m_cancel = nullptr;
    bool m_cancelled = false;
    // The background switches the layout binds, as they were on entering: cancel puts them back.
    bool m_savedSwitches[3] = {};
};
