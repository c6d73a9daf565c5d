#pragma once
// The pause menu of a dive: resume, settings and help open over it (it stays beneath), and the
// way back to the main screens asks first. The music pauses while it shows.
#include "engine/core/ZSingleton.h"
#include "engine/ui/ZGameMenu.h"

class ZSound;

class ZInGameMenu : public ZGameMenu, public ZSingleton<ZInGameMenu>
{
public:
    ZInGameMenu();

    // Found by the dive and the hidden-object game as "ingamemenu".
    const char* GetName() const override { return "ZInGameMenu"; }
    int Build() override;
    void OnEnter() override;
    void OnLeave() override;

    void OnSettings() override;
    void OnMainMenu() override;
    void OnHelp() override;

    // Where the settings and help buttons go, and what accepting "main menu" makes current.
    void SetScreens(ZGameState* settings, ZGameState* help, ZGameState* leaveTarget)
    {
        m_settingsTarget = settings, m_helpTarget = help, m_leaveTarget = leaveTarget;
    }

private:
    ZSound* m_openSound = nullptr;
    ZGameState* m_settingsTarget = nullptr;
    ZGameState* m_helpTarget = nullptr;
    ZGameState* m_leaveTarget = nullptr;
};
