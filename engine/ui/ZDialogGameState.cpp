#include "engine/ui/ZDialogGameState.h"

#include "engine/app/ZGame.h"
#include "engine/scene/ZFontText.h"

namespace
{
// Either the answer's target replaces the whole stack, or the dialog state just leaves it.
void CloseTo(ZGameState* target)
{
    ZGame* game = ZGame::PeekInstance();
    if (!game)
        return;
    if (target)
        game->ClearStates(target);
    else
        game->PopState();
}
} // namespace

ZDialogGameState::ZDialogGameState()
{
    GetRoot()->SetName("dialoggamestate");
    SetFlags(kStateDims);
}

ZDialogGameState::~ZDialogGameState()
{
    if (m_dialog)
        m_dialog->ZEventProducer<IDialog2DListener>::RemoveListener(this);
}

ZDialogGameState* ZDialogGameState::Create(const char* dialogSource)
{
    auto* state = new ZDialogGameState();
    ZDialog2D* dialog = ZDialog2D::Create(dialogSource);
    state->SetDialog(dialog);
    dialog->SetHideOnAnswer(false);
    return state;
}

void ZDialogGameState::SetDialog(ZDialog2D* dialog)
{
    if (m_dialog)
    {
        m_dialog->ZEventProducer<IDialog2DListener>::RemoveListener(this);
        GetRoot()->RemoveChild(m_dialog);
    }
    m_dialog = dialog;
    if (!dialog)
        return;
    dialog->SetName("dialog");
    dialog->ZEventProducer<IDialog2DListener>::AddListener(this);
    GetRoot()->AddChild(dialog);
}

void ZDialogGameState::SetText(const char* text)
{
    if (!m_dialog)
        return;
    m_dialog->FindParts();
    if (m_dialog->GetTextNode())
        m_dialog->SetMessage(text);
}

void ZDialogGameState::OnEnter()
{
    if (m_dialog)
        m_dialog->Show();
    m_dismissed = 0;
}

void ZDialogGameState::OnLeave()
{
    if (m_dialog)
        m_dialog->Hide();
}

void ZDialogGameState::OnDialogEvent(int32_t event, ZDialog2D* dialog)
{
    (void)dialog;
    if (event == ZDialog2D::kDismissed)
    {
        m_dismissed = 1;
        CloseTo(m_dismissTarget);
        ZEventProducer<IDialogListener>::Deliver([this](IDialogListener* l) { l->OnDialogDismissed(this); });
    }
    else if (event == ZDialog2D::kAccepted)
    {
        CloseTo(m_acceptTarget);
        ZEventProducer<IDialogListener>::Deliver([this](IDialogListener* l) { l->OnDialogAccepted(this); });
    }
}

ZInputDialogGameState::ZInputDialogGameState()
{
    GetRoot()->SetName("inputdialoggamestate");
    SetFlags(kStateDims);
}

ZInputDialogGameState::~ZInputDialogGameState()
{
    if (m_dialog)
        m_dialog->ZEventProducer<IDialog2DListener>::RemoveListener(this);
}

ZInputDialogGameState* ZInputDialogGameState::Create()
{
    auto* state = new ZInputDialogGameState();
    if (ZInputDialog2D* dialog = ZInputDialog2D::Create())
        state->SetDialog(dialog);
    return state;
}

void ZInputDialogGameState::SetDialog(ZInputDialog2D* dialog)
{
    if (m_dialog)
    {
        m_dialog->ZEventProducer<IDialog2DListener>::RemoveListener(this);
        GetRoot()->RemoveChild(m_dialog);
    }
    m_dialog = dialog;
    if (!dialog)
        return;
    dialog->ZEventProducer<IDialog2DListener>::AddListener(this);
    GetRoot()->AddChild(dialog);
    dialog->SetHideOnAnswer(false);
}

void ZInputDialogGameState::Init()
{
    ZGameState::Init();
    // Hidden until entered: OnEnter shows it again, or the dialog would never be seen.
    GetRoot()->SetHidden(true);
    m_centerX = m_centerY = 0.0f;
    if (!m_dialog)
        return;
    m_dialog->FindParts();
    if (ZButton2D* dismiss = m_dialog->GetDismissButton())
    {
        m_dismissX = dismiss->Position().x;
        m_dismissY = dismiss->Position().y;
    }
    ZButton2D* accept = m_dialog->GetAcceptButton();
    if (!accept)
        return;
    m_acceptX = accept->Position().x;
    m_acceptY = accept->Position().y;
    ZNode* center = GetRoot()->FindNodeAnywhere("center");
    if (center && center->IsA<ZGeom>())
    {
        const V3& c = static_cast<ZGeom*>(center)->Position();
        V3 caption{};
        if (ZFontText* node = accept->GetCaptionNode())
            caption = node->Position();
        m_centerX = c.x - caption.x;
        m_centerY = c.y - caption.y;
    }
}

void ZInputDialogGameState::OnEnter()
{
    GetRoot()->SetHidden(false);
    if (m_dialog)
    {
        m_dialog->FindParts();
        if (ZButton2D* dismiss = m_dialog->GetDismissButton())
            dismiss->SetHidden(!m_cancelAllowed);
        if (ZButton2D* accept = m_dialog->GetAcceptButton())
        {
            float x = m_acceptX, y = m_acceptY;
            if (!m_cancelAllowed)
                x += m_centerX, y += m_centerY;
            accept->SetPositionXYZ(x, y, 0.0f);
        }
        m_dialog->Show();
    }
    m_dismissed = 0;
}

void ZInputDialogGameState::OnLeave()
{
    if (m_dialog)
        m_dialog->Hide();
}

void ZInputDialogGameState::OnDialogEvent(int32_t event, ZDialog2D* dialog)
{
    (void)dialog;
    ZGame* game = ZGame::PeekInstance();
    if (event == ZDialog2D::kDismissed)
    {
        m_dismissed = 1;
        if (game && m_dismissTarget)
            game->ClearStates(m_dismissTarget);
        if (game)
            game->PopState();
    }
    else if (event == ZDialog2D::kAccepted)
    {
        if (m_dialog)
            m_enteredText = m_dialog->GetText();
        if (game && m_acceptTarget)
            game->ClearStates(m_acceptTarget);
        if (game)
            game->PopState();
    }
}
