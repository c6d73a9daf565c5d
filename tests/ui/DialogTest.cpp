// Dialogs from layout files, answered through the real pointer and keyboard: the shown, hidden,
// accepted and dismissed events, hiding on an answer, the alternative button names and the typed
// text of the input dialog with its limits.
#include <string>

#include "engine/scene/ZFontText.h"
#include "engine/ui/ZDialog2D.h"
#include "tests/support/WidgetTestSupport.h"

namespace
{
class DialogLog : public IDialog2DListener
{
public:
    void OnDialogEvent(int32_t event, ZDialog2D*) override { events.push_back(event); }
    std::vector<int32_t> events;
};

class DialogTest : public uitest::WidgetTest
{
protected:
    void SetUp() override
    {
        table.AddMount("resources", (std::string(QV_FIXTURES) + "/widgets").c_str());
        WidgetTest::SetUp();
        input->SetKeyboardEnabled(true);
    }

    // The dialog joins the screen and gets its second stage, as a loaded screen's widgets do.
    template <class T> T* Place(T* dialog)
    {
        if (!dialog)
            return nullptr;
        Root()->AddChild(dialog);
        dialog->EnterPhase2();
        dialog->AddListener(&log);
        Frame();
        return dialog;
    }
    // One key as the window layer queues it: a character with the key's scan code.
    void Key(int character, uint32_t scanCode = 0x1E)
    {
        input->QueueKeyDown(uint32_t(character) & 0xFF, scanCode << 16);
        input->QueueKeyUp(uint32_t(character) & 0xFF, scanCode << 16);
        input->Update();
    }
    void Type(const char* text)
    {
        for (const char* c = text; *c; ++c)
            Key(*c);
    }

    DialogLog log;
};
} // namespace

TEST_F(DialogTest, AnAnswerReportsAndHidesAndAHideWithoutAnswerReportsOnce)
{
    ZDialog2D* dialog = Place(ZDialog2D::Create("resources:dialog_okcancel.xml"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->IsHidden());
    ASSERT_TRUE(dialog->GetAcceptButton() && dialog->GetDismissButton() && dialog->GetTextNode());
    dialog->SetMessage("Delete this player?");
    EXPECT_EQ(static_cast<ZFontText*>(dialog->GetTextNode())->GetText(), "Delete this player?");

    // Hidden, its buttons are out of reach.
    ClickAt(-60.0f, -60.0f);
    EXPECT_TRUE(log.events.empty());

    dialog->Show();
    Frame();
    ClickAt(-60.0f, -60.0f);
    EXPECT_EQ(log.events, (std::vector<int32_t>{ZDialog2D::kShown, ZDialog2D::kAccepted}));
    EXPECT_TRUE(dialog->IsHidden());
    EXPECT_EQ(dialog->GetState(), ZDialog2D::kAccepted);
    dialog->Hide();
    EXPECT_EQ(log.events.size(), 2u) << "no hidden event after an answer";

    log.events.clear();
    dialog->Show();
    dialog->Hide();
    dialog->Hide();
    EXPECT_EQ(log.events, (std::vector<int32_t>{ZDialog2D::kShown, ZDialog2D::kHidden}));

    // Kept open by its host: the answer is reported and the dialog stays.
    log.events.clear();
    dialog->SetHideOnAnswer(false);
    dialog->Show();
    Frame();
    ClickAt(60.0f, -60.0f);
    EXPECT_EQ(log.events, (std::vector<int32_t>{ZDialog2D::kShown, ZDialog2D::kDismissed}));
    EXPECT_FALSE(dialog->IsHidden());
}

TEST_F(DialogTest, ContinueAndCloseStandInForOkAndCancel)
{
    ZDialog2D* dialog = Place(ZDialog2D::Create("resources:dialog_continue.xml"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_STREQ(dialog->GetAcceptButton()->GetName(), "button_continue");
    EXPECT_STREQ(dialog->GetDismissButton()->GetName(), "button_close");
    EXPECT_EQ(dialog->GetTextNode(), nullptr);
    dialog->SetMessage("nowhere to show it");
    dialog->Show();
    Frame();
    ClickAt(60.0f, -60.0f);
    EXPECT_EQ(log.events, (std::vector<int32_t>{ZDialog2D::kShown, ZDialog2D::kDismissed}));

    // A layout that cannot be read leaves a dialog that only Hide closes.
    ZDialog2D* empty = Place(ZDialog2D::Create("resources:no_such_dialog.xml"));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetAcceptButton(), nullptr);
    empty->Show();
    empty->Hide();
    EXPECT_EQ(empty->GetState(), ZDialog2D::kHidden);
}

TEST_F(DialogTest, TypingKeepsToTheAllowedCharactersAndTheLengthLimits)
{
    ZInputDialog2D* dialog = Place(ZInputDialog2D::Create());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->GetTypeIn() && dialog->GetCursor());
    EXPECT_STREQ(dialog->GetAcceptButton()->GetName(), "button_ok");

    Type("Ab");
    EXPECT_STREQ(dialog->GetText(), "") << "the keyboard is heard only while shown";
    dialog->Show();

    Key(8);
    EXPECT_STREQ(dialog->GetText(), "") << "backspace on nothing";
    Key(13);
    EXPECT_EQ(log.events, std::vector<int32_t>{ZDialog2D::kShown}) << "enter with nothing typed";

    Type("Ab-.!c d_9");
    EXPECT_STREQ(dialog->GetText(), "Abc d_9");
    // A function key comes with its key code as character ("p" for F1): it types nothing.
    Key('p', 0x3B);
    Type("xyz");
    EXPECT_STREQ(dialog->GetText(), "Abc d_9x") << "eight characters at most by default";
    EXPECT_EQ(dialog->GetTypeIn()->GetText(), "Abc d_9x");
    Key(8);
    EXPECT_STREQ(dialog->GetText(), "Abc d_9");

    // Whatever the maximum, the buffer holds twenty.
    dialog->SetMaxLength(64);
    Type("0123456789012345678");
    EXPECT_EQ(std::string(dialog->GetText()), "Abc d_90123456789012");
    dialog->SetText("a name far longer than twenty bytes");
    EXPECT_EQ(std::string(dialog->GetText()), "a name far longer th");
    EXPECT_EQ(dialog->GetLength(), 20u);

    // Nothing is allowed with an empty set.
    dialog->SetText("");
    dialog->SetAllowed("");
    Type("abc");
    EXPECT_STREQ(dialog->GetText(), "");
}

TEST_F(DialogTest, EnterAcceptsATypedNameAndTheDialogLetsGoOfTheKeyboard)
{
    ZInputDialog2D* dialog = Place(ZInputDialog2D::Create());
    ASSERT_NE(dialog, nullptr);
    dialog->Show();
    Type("A");
    // The cursor sits after the typed text, in the typein's line.
    V3 cursor, typein;
    static_cast<ZGeom*>(dialog->GetCursor())->LocalToWorld(cursor);
    dialog->GetTypeIn()->LocalToWorld(typein);
    EXPECT_FLOAT_EQ(cursor.x, typein.x + dialog->GetTypeIn()->GetMeasuredSize().x);
    EXPECT_FLOAT_EQ(cursor.y, typein.y);

    Key(13);
    EXPECT_EQ(log.events, (std::vector<int32_t>{ZDialog2D::kShown, ZDialog2D::kAccepted}));
    EXPECT_TRUE(dialog->IsHidden());
    Type("B");
    EXPECT_STREQ(dialog->GetText(), "A") << "the host reads the text after the answer";

    // The cancel button dismisses; the text stays as typed.
    log.events.clear();
    dialog->Show();
    Frame();
    ClickAt(60.0f, -60.0f);
    EXPECT_EQ(log.events, (std::vector<int32_t>{ZDialog2D::kShown, ZDialog2D::kDismissed}));
    EXPECT_STREQ(dialog->GetText(), "A");
}
