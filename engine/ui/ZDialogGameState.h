#pragma once
// Screens that show one dialog modally on top of the stack: a message or yes/no question
// (ZDialogGameState) or a name entry (ZInputDialogGameState). Both leave the stack when the dialog
// is answered and can send the game to a chosen screen for each answer.
#include <cstdint>
#include <string>

#include "engine/app/ZGameState.h"
#include "engine/core/ZEventProducer.h"
#include "engine/ui/ZDialog2D.h"

class ZDialogGameState;

class IDialogListener
{
public:
    virtual ~IDialogListener() = default;
    virtual void OnDialogDismissed(ZDialogGameState* state) { (void)state; }
    virtual void OnDialogAccepted(ZDialogGameState* state) { (void)state; }
};

class ZDialogGameState : public ZGameState, public IDialog2DListener, public ZEventProducer<IDialogListener>
{
public:
    ZDialogGameState();
    ~ZDialogGameState() override;

    // A state around a dialog made from the layout file; the state, not the dialog, closes it.
    static ZDialogGameState* Create(const char* dialogSource);

    const char* GetName() const override { return "ZDialogGameState"; }
    void OnEnter() override;
    void OnLeave() override;

    // Replaces the dialog (the old one leaves the root); the new one is named "dialog".
    void SetDialog(ZDialog2D* dialog);
    ZDialog2D* GetDialog() const { return m_dialog; }
    void SetText(const char* text);

    // Where each answer sends the game; null closes the dialog only.
    void SetAcceptTarget(ZGameState* state) { m_acceptTarget = state; }
    void SetDismissTarget(ZGameState* state) { m_dismissTarget = state; }
    ZGameState* GetAcceptTarget() const { return m_acceptTarget; }
    ZGameState* GetDismissTarget() const { return m_dismissTarget; }
    bool WasDismissed() const { return m_dismissed != 0; }

    void OnDialogEvent(int32_t event, ZDialog2D* dialog) override;

private:
    ZDialog2D* m_dialog = nullptr;
    ZGameState* m_acceptTarget = nullptr;
    ZGameState* m_dismissTarget = nullptr;
    uint8_t m_dismissed = 0;
};

class ZInputDialogGameState : public ZGameState, public IDialog2DListener
{
public:
    ZInputDialogGameState();
    ~ZInputDialogGameState() override;

    // A state around the name dialog; without a dialog when its layout cannot be read.
    static ZInputDialogGameState* Create();

    const char* GetName() const override { return "ZInputDialogGameState"; }
    void Init() override;
    void OnEnter() override;
    void OnLeave() override;

    void SetDialog(ZInputDialog2D* dialog);
    ZInputDialog2D* GetDialog() const { return m_dialog; }

    void SetAcceptTarget(ZGameState* state) { m_acceptTarget = state; }
    void SetDismissTarget(ZGameState* state) { m_dismissTarget = state; }
    // The text typed when the dialog was last accepted.
    const std::string& GetEnteredText() const { return m_enteredText; }
    void SetEnteredText(const char* text) { m_enteredText = text ? text : ""; }
    bool WasDismissed() const { return m_dismissed != 0; }
    void SetDismissed(bool on) { m_dismissed = on ? 1 : 0; }
    // Without cancel the lone accept button moves to the layout's "center" node.
    bool GetCancelAllowed() const { return m_cancelAllowed != 0; }
    void SetCancelAllowed(bool on) { m_cancelAllowed = on ? 1 : 0; }

    void OnDialogEvent(int32_t event, ZDialog2D* dialog) override;

private:
    ZInputDialog2D* m_dialog = nullptr;
    ZGameState* m_acceptTarget = nullptr;
    ZGameState* m_dismissTarget = nullptr;
    std::string m_enteredText;
    float m_acceptX = 0.0f, m_acceptY = 0.0f;
    float m_dismissX = 0.0f, m_dismissY = 0.0f;
    float m_centerX = 0.0f, m_centerY = 0.0f;
    uint8_t m_dismissed = 0;
    uint8_t m_cancelAllowed = 1;
};
