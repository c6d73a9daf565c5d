// The divers (profile) screen of the game on the real state stack, driven by the pointer and the
// keyboard as a player drives it: Delete is offered exactly while there is a diver that can go
// (never the last one), and follows every new diver and every deletion.
#include <gtest/gtest.h>

#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZDialogGameState.h"
#include "game/shell/ZGameMainMenu.h"
#include "game/shell/ZGameProfileMenu.h"
#include "tests/shell/ShellTestSupport.h"

using shelltest::ShellTest;

namespace
{
constexpr uint32_t kEnterScanCode = 0x1C;
} // namespace

TEST_F(ShellTest, DeleteShowsWhileADiverCanGoAndFollowsNewAndDeletedDivers)
{
    MakePlayer("Ann");
    StartGame();
    Frames(40);
    ZGameProfileMenu* divers = quorvane->GetProfileMenu();
    ASSERT_NE(divers, nullptr);
    ZGame::GotoState(divers);
    Frames(30);
    ASSERT_EQ(Top(), State(divers));
    ZNode* root = divers->GetRoot();
    auto* remove = ZEntityCast<ZButton2D>(root->FindNode("delete_button"));
    auto* make = ZEntityCast<ZButton2D>(root->FindNode("new_button"));
    ASSERT_NE(remove, nullptr);
    ASSERT_NE(make, nullptr);
    // The only diver cannot be deleted.
    EXPECT_TRUE(remove->IsHidden());
    EXPECT_FALSE(make->IsHidden());

    // A second diver made here: Delete comes at once.
    ClickOn(make);
    Frames(30);
    ASSERT_EQ(Top(), State(quorvane->GetNameDialog()));
    for (char c : std::string("Bob"))
        Key(0x30, c);
    Key(kEnterScanCode, 13);
    Frames(30);
    ASSERT_EQ(Top(), State(divers));
    ASSERT_EQ(ZProfileManager::GetInstance()->GetProfileCount(), 2);
    EXPECT_FALSE(remove->IsHidden());
    // It stays when the screen is left and entered again.
    quorvane->PopState();
    Frames(30);
    ZGame::GotoState(divers);
    Frames(30);
    EXPECT_FALSE(remove->IsHidden());

    // The new diver is chosen and deleted after the question: one is left, and Delete goes.
    ClickOn(divers->GetRow(1));
    ClickOn(remove);
    Frames(30);
    ZDialogGameState* question = quorvane->GetOkCancelDialog();
    ASSERT_EQ(Top(), State(question));
    ClickOn(question->GetRoot()->FindNodeAnywhere("button_ok"));
    Frames(30);
    EXPECT_EQ(Top(), State(divers));
    EXPECT_EQ(ZProfileManager::GetInstance()->GetProfileCount(), 1);
    EXPECT_TRUE(remove->IsHidden());
}
