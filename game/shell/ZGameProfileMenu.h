#pragma once
// The player-profile screen with the game's layout and the game's dialogs: the name entry, the
// ok/cancel question (delete) and the message notice (a name already taken).
#include "engine/ui/ZProfileMenu.h"

class ZDialogGameState;
class ZInputDialogGameState;

class ZGameProfileMenu : public ZProfileMenu
{
public:
    ZGameProfileMenu();

    int Build() override;

    void SetDialogs(ZInputDialogGameState* name, ZDialogGameState* confirm, ZDialogGameState* message)
    {
        m_nameDialog = name, m_confirmDialog = confirm, m_messageDialog = message;
    }

protected:
    bool OpenNameDialog(const char* text, bool cancelAllowed) override;
    bool OpenConfirmDialog(const char* text) override;
    bool OpenMessageDialog(const char* text) override;
    bool HasNameDialog() const override { return m_nameDialog != nullptr; }

private:
    // The menu hears only the dialog it opened last.
    void ListenTo(ZDialog2D* dialog);

    ZInputDialogGameState* m_nameDialog = nullptr;
    ZDialogGameState* m_confirmDialog = nullptr;
    ZDialogGameState* m_messageDialog = nullptr;
    ZDialog2D* m_listening = nullptr;
};
