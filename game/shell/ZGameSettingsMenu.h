#pragma once
// The game's settings screen: the engine's settings menu with the game's layout, the game's
// restart notice and a usage-statistics record when it closes.
#include "engine/ui/ZSettingsMenu.h"

class ZDialogGameState;

class ZGameSettingsMenu : public ZSettingsMenu
{
public:
    ZGameSettingsMenu();

    int Build() override;
    void OnEnter() override;
    void OnLeave() override;

    void SetRestartDialog(ZDialogGameState* dialog) { m_restartDialog = dialog; }

protected:
    bool OpenRestartDialog(const char* text) override;

private:
    ZDialogGameState* m_restartDialog = nullptr;
};
