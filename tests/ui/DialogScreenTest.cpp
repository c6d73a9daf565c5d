// Dialog screens pushed over the top screen and answered with the pointer: closing or clearing
// the stack to a target, telling their listeners, and the name entry's lone centred accept button
// and kept text.
#include <string>

#include "engine/ui/ZDialogGameState.h"
#include "tests/support/ScreenTestSupport.h"

namespace
{
class AnswerLog : public IDialogListener
{
public:
    void OnDialogDismissed(ZDialogGameState*) override { events += "dismissed "; }
    void OnDialogAccepted(ZDialogGameState*) override { events += "accepted "; }
    std::string events;
};

using DialogScreenTest = uitest::ScreenTest;
} // namespace

TEST_F(DialogScreenTest, AnswersCloseTheDialogOrClearTheStackToTheirTarget)
{
    ZDialogGameState* dialog = Own(ZDialogGameState::Create("resources:dialog_yesno.xml"));
    ASSERT_NE(dialog->GetDialog(), nullptr);
    EXPECT_STREQ(dialog->GetRoot()->GetName(), "dialoggamestate");
    EXPECT_EQ(dialog->GetRoot()->FindNode("dialog"), dialog->GetDialog());
    AnswerLog log;
    dialog->AddListener(&log);
    dialog->SetText("Quit the dive?");

    Go(dialog);
    ASSERT_EQ(Top(), dialog);
    EXPECT_FALSE(dialog->GetDialog()->IsHidden());
    ClickAt(-60.0f, -60.0f);
    Frames(3);
    EXPECT_EQ(Top(), &screen) << "no accept target: the dialog only closes";
    EXPECT_TRUE(dialog->GetDialog()->IsHidden());
    EXPECT_EQ(log.events, "accepted ");

    uitest::ScreenState* target = Own(new uitest::ScreenState("target"));
    dialog->SetDismissTarget(target);
    Go(dialog);
    ClickAt(60.0f, -60.0f);
    Frames(3);
    EXPECT_EQ(game->GetStack(), (std::deque<ZGameState*>{target}));
    EXPECT_TRUE(dialog->WasDismissed());
    EXPECT_EQ(log.events, "accepted dismissed ");

    // Muted, the answer still closes the dialog but nobody is told.
    dialog->SetDismissTarget(nullptr);
    dialog->SetMuted(true);
    Go(dialog);
    ClickAt(60.0f, -60.0f);
    Frames(3);
    EXPECT_EQ(Top(), target);
    EXPECT_EQ(log.events, "accepted dismissed ");
}

TEST_F(DialogScreenTest, NameEntryWithoutCancelCentresItsAcceptButtonAndKeepsTheText)
{
    ZInputDialogGameState* entry = Own(ZInputDialogGameState::Create());
    ASSERT_NE(entry->GetDialog(), nullptr);
    EXPECT_STREQ(entry->GetRoot()->GetName(), "inputdialoggamestate");
    entry->SetCancelAllowed(false);
    Go(entry);
    ZButton2D* accept = entry->GetDialog()->GetAcceptButton();
    ZButton2D* dismiss = entry->GetDialog()->GetDismissButton();
    ASSERT_TRUE(accept && dismiss);
    EXPECT_FALSE(entry->GetRoot()->IsHidden());
    EXPECT_TRUE(dismiss->IsHidden());
    EXPECT_FLOAT_EQ(accept->Position().x, 0.0f);
    EXPECT_FLOAT_EQ(accept->Position().y, -60.0f);

    Key('A');
    Key('n');
    Key('n');
    ClickAt(0.0f, -60.0f);
    Frames(3);
    EXPECT_EQ(Top(), &screen);
    EXPECT_EQ(entry->GetEnteredText(), "Ann");
    EXPECT_FALSE(entry->WasDismissed());

    // With cancel allowed again, both buttons sit where the layout put them.
    entry->SetCancelAllowed(true);
    Go(entry);
    EXPECT_FALSE(dismiss->IsHidden());
    EXPECT_FLOAT_EQ(accept->Position().x, -60.0f);
    ClickAt(60.0f, -60.0f);
    Frames(3);
    EXPECT_EQ(Top(), &screen);
    EXPECT_TRUE(entry->WasDismissed());
    EXPECT_EQ(entry->GetEnteredText(), "Ann");
}
