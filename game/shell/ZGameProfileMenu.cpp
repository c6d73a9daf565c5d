// The game's profile screen over the engine's profile menu.
#include "game/shell/ZGameProfileMenu.h"

#include <cstdio>

#include "engine/app/ZGame.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/ui/ZDialogGameState.h"
#include "game/shell/ZQuorvane.h"

ZGameProfileMenu::ZGameProfileMenu()
{
    SetFlags(kStateResourcesWhileStacked);
}

int ZGameProfileMenu::Build()
{
    if (ImportSceneFile(ZResourcePath("resources:profilemenu.xml"), GetRoot()) != 0)
        std::fprintf(stderr, "Profile menu: resources:profilemenu.xml is missing or broken\n");
    ZQuorvane::HideBackdrop(this);
    return ZProfileMenu::Build();
}

void ZGameProfileMenu::ListenTo(ZDialog2D* dialog)
{
    if (m_listening == dialog)
        return;
    if (m_listening)
        m_listening->ZEventProducer<IDialog2DListener>::RemoveListener(this);
    m_listening = dialog;
    if (dialog)
        dialog->ZEventProducer<IDialog2DListener>::AddListener(this);
}

bool ZGameProfileMenu::OpenNameDialog(const char* text, bool cancelAllowed)
{
    if (!m_nameDialog || !m_nameDialog->GetDialog())
        return false;
    ZInputDialog2D* dialog = m_nameDialog->GetDialog();
    if (text)
        dialog->SetText(text);
    m_nameDialog->SetCancelAllowed(cancelAllowed);
    ListenTo(dialog);
    ZGame::GotoState(m_nameDialog);
    return true;
}

bool ZGameProfileMenu::OpenConfirmDialog(const char* text)
{
    if (!m_confirmDialog || !m_confirmDialog->GetDialog())
        return false;
    m_confirmDialog->SetText(text);
    m_confirmDialog->SetAcceptTarget(nullptr);
    m_confirmDialog->SetDismissTarget(nullptr);
    ListenTo(m_confirmDialog->GetDialog());
    ZGame::GotoState(m_confirmDialog);
    return true;
}

bool ZGameProfileMenu::OpenMessageDialog(const char* text)
{
    if (!m_messageDialog || !m_messageDialog->GetDialog())
        return false;
    m_messageDialog->SetText(text);
    ListenTo(m_messageDialog->GetDialog());
    ZGame::GotoState(m_messageDialog);
    return true;
}
