#include "engine/ui/ZDialog2D.h"

#include <cstdio>
#include <cstring>

#include "engine/app/ZEngine.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/scene/ZFontText.h"

namespace
{
ZSerializerRTTI<ZDialog2D> s_dialog2DSerializer;
// A layout's element makes a bare dialog: Create would import the name layout into it, which may
// itself hold the element.
ZSerializerRTTI<ZInputDialog2D> s_inputDialog2DSerializer(false, []() { return new ZInputDialog2D(); });

constexpr uint8_t kEnter = 13;
constexpr uint8_t kBackspace = 8;

ZButton2D* FindButton(ZNode* root, const char* name, const char* otherName)
{
    ZButton2D* button = ZEntityCast<ZButton2D>(root->FindNodeAnywhere(name));
    return button ? button : ZEntityCast<ZButton2D>(root->FindNodeAnywhere(otherName));
}

// Function keys reach keyboard listeners as key-downs whose character is their virtual-key code,
// which for F1 to F11 is a lower-case letter ("p" to "z"); they never type anything.
bool IsFunctionKey(uint32_t scanCode)
{
    return (scanCode >= 0x3B && scanCode <= 0x44) || scanCode == 0x57 || scanCode == 0x58;
}

ZInput* Input()
{
    return g_engine ? g_engine->GetInput() : nullptr;
}
} // namespace

ZDialog2D::~ZDialog2D()
{
    // The buttons it found lie below it; those still there must not call back into a dead dialog.
    ZButton2D::RemoveListenerBelow(this, this);
}

ZDialog2D* ZDialog2D::Create(const char* sceneFile)
{
    auto* dialog = new ZDialog2D();
    if (ImportSceneFile(ZResourcePath(sceneFile ? sceneFile : ""), dialog) != 0)
        std::fprintf(stderr, "Dialog layout %s could not be read\n", sceneFile ? sceneFile : "(none)");
    dialog->SetHidden(true);
    return dialog;
}

ZSerializerBase* ZDialog2D::GetSerializer() const
{
    return &s_dialog2DSerializer;
}

void ZDialog2D::EnterPhase2()
{
    ZGroup::EnterPhase2();
    FindParts();
}

void ZDialog2D::FindParts()
{
    if (m_partsFound)
        return;
    m_partsFound = true;
    m_text = FindNodeAnywhere("text");
    m_accept = FindButton(this, "button_ok", "button_continue");
    m_dismiss = FindButton(this, "button_cancel", "button_close");
}

void ZDialog2D::ListenToButtons(bool on)
{
    for (ZButton2D* button : {m_accept, m_dismiss})
    {
        if (!button)
            continue;
        if (on)
            button->AddListener(this);
        else
            button->RemoveListener(this);
    }
}

void ZDialog2D::SetMessage(const char* text)
{
    FindParts();
    if (auto* node = ZEntityCast<ZFontText>(m_text))
        node->SetText(text);
}

void ZDialog2D::Report(int32_t event)
{
    m_state = event;
    ZEventProducer<IDialog2DListener>::Deliver([this, event](IDialog2DListener* l)
                                               { l->OnDialogEvent(event, this); });
}

void ZDialog2D::Show()
{
    SetHidden(false);
    FindParts();
    ListenToButtons(true);
    Report(kShown);
}

void ZDialog2D::Hide()
{
    SetHidden(true);
    FindParts();
    ListenToButtons(false);
    if (m_state == kShown)
        Report(kHidden);
}

void ZDialog2D::Answer(int32_t event)
{
    Report(event);
    // No hidden event follows: the state is no longer "shown".
    if (m_hideOnAnswer)
        Hide();
}

void ZDialog2D::OnClicked(ZButton2D* button)
{
    if (!button)
        return;
    if (button == m_accept)
        Answer(kAccepted);
    else if (button == m_dismiss)
        Answer(kDismissed);
}

ZInputDialog2D::~ZInputDialog2D()
{
    ListenToKeyboard(false);
}

ZInputDialog2D* ZInputDialog2D::Create()
{
    auto* dialog = new ZInputDialog2D();
    if (ImportSceneFile(ZResourcePath(kLayout), dialog) != 0)
    {
        delete dialog;
        return nullptr;
    }
    dialog->SetHidden(true);
    return dialog;
}

ZSerializerBase* ZInputDialog2D::GetSerializer() const
{
    return &s_inputDialog2DSerializer;
}

void ZInputDialog2D::ListenToKeyboard(bool on)
{
    if (on == m_listening)
        return;
    ZInput* input = Input();
    if (!input)
        return;
    m_listening = on;
    if (on)
        input->AddKeyboardListener(this);
    else
        input->RemoveKeyboardListener(this);
}

void ZInputDialog2D::Show()
{
    ZDialog2D::Show();
    ListenToKeyboard(true);
}

void ZInputDialog2D::Hide()
{
    ZDialog2D::Hide();
    ListenToKeyboard(false);
}

void ZInputDialog2D::FindParts()
{
    ZDialog2D::FindParts();
    if (m_inputPartsFound)
        return;
    m_inputPartsFound = true;
    m_typeIn = ZEntityCast<ZFontText>(FindNodeAnywhere("typein"));
    // A typed name shows exactly as typed, blanks at either end included.
    if (m_typeIn)
        m_typeIn->SetTrim(false);
    m_cursor = FindNodeAnywhere("cursor");
    ShowTyped();
}

void ZInputDialog2D::SetText(const char* text)
{
    FindParts();
    std::memset(m_buffer, 0, sizeof(m_buffer));
    if (text)
        std::strncpy(m_buffer, text, kMaxText);
    m_length = uint8_t(std::strlen(m_buffer));
    ShowTyped();
}

void ZInputDialog2D::ShowTyped()
{
    if (m_typeIn)
        m_typeIn->SetText(m_buffer);
    PlaceCursor();
}

void ZInputDialog2D::PlaceCursor()
{
    auto* cursor = ZEntityCast<ZGeom>(m_cursor);
    if (!cursor || !m_typeIn)
        return;
    float lineHeight = 0.0f;
    if (ZFont* font = m_typeIn->GetFont(); font && TextFontCalls().GetLineHeight)
        lineHeight = float(TextFontCalls().GetLineHeight(font));
    // The point after the last character, half a line up, taken into the cursor's parent.
    V3 point = m_typeIn->Position();
    point.x += m_typeIn->GetMeasuredSize().x;
    point.y += lineHeight * 0.5f;
    if (auto* parent = ZEntityCast<ZGeom>(m_typeIn->GetParent()))
        parent->LocalToWorld(point);
    cursor->SetWorldPosition(point);
}

void ZInputDialog2D::OnKey(uint32_t scanCode, int32_t character)
{
    const auto key = uint8_t(character);
    if (key == kEnter)
    {
        if (m_length != 0)
            Answer(kAccepted);
        return;
    }
    if (key == kBackspace)
    {
        if (m_length != 0)
            m_buffer[--m_length] = 0;
        ShowTyped();
        return;
    }
    if (IsFunctionKey(scanCode) || key == 0)
        return;
    if (m_length >= kMaxText || int32_t(m_length) >= m_maxLength)
        return;
    if (m_allowed.find(char(key)) == std::string::npos)
        return;
    m_buffer[m_length++] = char(key);
    m_buffer[m_length] = 0;
    ShowTyped();
}
