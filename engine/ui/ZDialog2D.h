#pragma once
// Modal message boxes made of a scene layout: a text node, an accept and a dismiss button. The
// dialog reports shown, hidden, accepted and dismissed to its listeners and, by default, hides
// itself once answered. ZInputDialog2D adds a one-line text entry typed on the keyboard (a
// player's name).
#include <cstdint>
#include <string>

#include "engine/app/ZInput.h"
#include "engine/core/ZEventProducer.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZButton2D.h"

class ZDialog2D;
class ZFontText;

class IDialog2DListener
{
public:
    virtual ~IDialog2DListener() = default;
    // One of ZDialog2D's event codes.
    virtual void OnDialogEvent(int32_t event, ZDialog2D* dialog) { (void)event, (void)dialog; }
};

class ZDialog2D : public ZGroup, public IButtonListener, public ZEventProducer<IDialog2DListener>
{
    QV_TYPE_RECORD(ZDialog2D, &ZGroup::kTypeRecord)

public:
    enum EDialogEvent : int32_t
    {
        kNone = 0,
        kShown = 1,
        // Hidden while shown and not answered.
        kHidden = 2,
        kAccepted = 3,
        kDismissed = 4,
    };

    ZDialog2D() = default;
    ~ZDialog2D() override;

    // A hidden dialog holding the scene file's layout; it is made also when the file cannot be
    // read (it then has no parts and only Hide closes it).
    static ZDialog2D* Create(const char* sceneFile);
    static ZDialog2D* Create() { return new ZDialog2D(); }
    using ZNode::Release;

    ZSerializerBase* GetSerializer() const override;
    // The children's second stage, then the parts are found.
    void EnterPhase2() override;

    virtual void Show();
    virtual void Hide();
    // Once: "text"; accept "button_ok", else "button_continue"; dismiss "button_cancel", else
    // "button_close". Searched through the whole layout below the dialog.
    virtual void FindParts();

    // IButtonListener: an answer.
    void OnClicked(ZButton2D* button) override;

    int32_t GetState() const { return m_state; }
    ZButton2D* GetAcceptButton() const { return m_accept; }
    ZButton2D* GetDismissButton() const { return m_dismiss; }
    ZNode* GetTextNode() const { return m_text; }
    // The text node's text, when it is a text.
    void SetMessage(const char* text);
    bool GetHideOnAnswer() const { return m_hideOnAnswer; }
    void SetHideOnAnswer(bool on) { m_hideOnAnswer = on; }
    bool ArePartsFound() const { return m_partsFound; }

protected:
    // State := the event and listeners are told.
    void Report(int32_t event);
    // The accept button's click: also Enter in the input dialog.
    void Answer(int32_t event);

private:
    void ListenToButtons(bool on);

    ZButton2D* m_accept = nullptr;
    ZButton2D* m_dismiss = nullptr;
    ZNode* m_text = nullptr;
    int32_t m_state = kNone;
    bool m_partsFound = false;
    bool m_hideOnAnswer = true;
};

class ZInputDialog2D : public ZDialog2D, public IInputKeyboardListener
{
    QV_TYPE_RECORD(ZInputDialog2D, &ZDialog2D::kTypeRecord)

public:
    static constexpr size_t kBufferSize = 21;
    static constexpr size_t kMaxText = kBufferSize - 1;
    static constexpr const char* kDefaultAllowed =
        " _abcdefghijklmnopqrtsuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static constexpr const char* kLayout = "resources:inputname.xml";

    ZInputDialog2D() = default;
    ~ZInputDialog2D() override;

    // A hidden input dialog holding "resources:inputname.xml"; null when that cannot be read.
    static ZInputDialog2D* Create();

    ZSerializerBase* GetSerializer() const override;
    // With the keyboard while shown.
    void Show() override;
    void Hide() override;
    // The dialog's parts, then once "typein" (showing typed text as it is) and "cursor".
    void FindParts() override;

    // The first 20 bytes of the text become the typed text.
    void SetText(const char* text);
    // The typed text.
    const char* GetText() const { return m_buffer; }
    size_t GetLength() const { return m_length; }
    // Characters that may be typed; the empty text allows none.
    void SetAllowed(const char* characters) { m_allowed = characters ? characters : ""; }
    const std::string& GetAllowed() const { return m_allowed; }
    void SetMaxLength(int32_t length) { m_maxLength = length; }
    int32_t GetMaxLength() const { return m_maxLength; }
    ZFontText* GetTypeIn() const { return m_typeIn; }
    ZNode* GetCursor() const { return m_cursor; }

    // IInputKeyboardListener: Enter accepts a non-empty text, Backspace removes, allowed characters
    // are appended.
    void OnKey(uint32_t scanCode, int32_t character) override;

private:
    void ShowTyped();
    void PlaceCursor();
    void ListenToKeyboard(bool on);

    ZFontText* m_typeIn = nullptr;
    ZNode* m_cursor = nullptr;
    char m_buffer[kBufferSize] = {};
    uint8_t m_length = 0;
    std::string m_allowed = kDefaultAllowed;
    int32_t m_maxLength = 8;
    bool m_inputPartsFound = false;
    bool m_listening = false;
};
