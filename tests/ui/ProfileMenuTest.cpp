// The profile screen on the real stack with a real profile manager in a scratch folder: pages of
// rows, selecting, ok and cancel, creating, renaming and deleting through the dialogs' events.
#include <cstdlib>
#include <filesystem>

#include "engine/resource/ZProfileManager.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZProfileMenu.h"
#include "tests/support/ScreenTestSupport.h"
#include "tests/support/TestFiles.h"

namespace
{
// Stands in for the game's dialog screens: records what the menu asks of them.
class TestProfileMenu : public uitest::LaidOutScreen<ZProfileMenu>
{
public:
    using LaidOutScreen::LaidOutScreen;
    bool OpenNameDialog(const char* text, bool cancelAllowed) override
    {
        opened.push_back(std::string("name:") + (text ? text : "(kept)") +
                         (cancelAllowed ? "" : ":nocancel"));
        return true;
    }
    bool OpenConfirmDialog(const char* text) override
    {
        opened.push_back(std::string("confirm:") + text);
        return withConfirm;
    }
    bool OpenMessageDialog(const char* text) override
    {
        opened.push_back(std::string("message:") + text);
        return true;
    }
    bool HasNameDialog() const override { return true; }

    std::vector<std::string> opened;
    bool withConfirm = true;
};

class ProfileMenuTest : public uitest::ScreenTest
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(folder.empty());
        g_gameCurrentProfile.Reset(false);
        ScreenTest::SetUp();
        profiles = new ZProfileManager((folder + "/profiles/").c_str());
        profiles->ScanProfiles(false);
    }
    void TearDown() override
    {
        ScreenTest::TearDown();
        ZProfileManager::DestroyInstance();
        g_gameCurrentProfile.Reset(false);
    }
    void MakeProfiles(int n)
    {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(profiles->NewProfile(("P" + std::to_string(i)).c_str()));
    }
    void Accept(const char* typed)
    {
        ZInputDialog2D dialog;
        dialog.SetText(typed);
        menu.OnDialogEvent(ZProfileMenu::kDialogAccepted, &dialog);
    }
    std::string PageText() { return ZEntityCast<ZFontText>(menu.GetRoot()->FindNode("page"))->GetText(); }
    int ShownRows()
    {
        int shown = 0;
        for (int i = 0; i < menu.GetRowCount(); ++i)
            shown += menu.GetRow(i)->IsHidden() ? 0 : 1;
        return shown;
    }
    ZNode* Find(const char* path) { return menu.GetRoot()->FindNode(path); }
    static float RowY(int i) { return 250.0f - 40.0f * float(i); }
    void Click(const char* button)
    {
        static const std::pair<const char*, float> xs[] = {
            {"ok_button", -330.0f},  {"cancel_button", -220.0f}, {"new_button", -110.0f},
            {"delete_button", 0.0f}, {"rename_button", 110.0f},  {"button_prev", 220.0f},
            {"button_next", 330.0f}};
        for (const auto& [name, x] : xs)
            if (std::string(name) == button)
                ClickAt(x, -250.0f);
    }

    qvtest::TempDir temp{"qv_profilemenu"};
    std::string folder = temp.Path();
    ZProfileManager* profiles = nullptr;
    TestProfileMenu menu{"resources:profilemenu.xml"};
};

TEST_F(ProfileMenuTest, PagesOfRowsWrapBothWays)
{
    MakeProfiles(23);
    g_gameCurrentProfile.SetValue(0);
    Open(&menu);
    ASSERT_TRUE(menu.IsActive());
    EXPECT_EQ(std::string(menu.GetRoot()->GetName()), "profilemenu");
    EXPECT_EQ(menu.GetRowCount(), 10);
    EXPECT_EQ(PageText(), "1/3");
    EXPECT_EQ(ShownRows(), 10);
    EXPECT_FALSE(Find("delete_button")->IsHidden());

    Click("button_prev");
    EXPECT_EQ(PageText(), "3/3");
    EXPECT_EQ(ShownRows(), 3);
    EXPECT_TRUE(Find("select_marker")->IsHidden()); // the selection lies on page 1
    Click("button_next");
    EXPECT_EQ(PageText(), "1/3");
    EXPECT_FALSE(Find("select_marker")->IsHidden());

    // A row on the last page selects its profile; ok makes it current and closes the menu.
    Click("button_prev");
    ClickAt(-200.0f, RowY(2));
    EXPECT_EQ(menu.GetSelected(), 22);
    Click("ok_button");
    Frames(3);
    EXPECT_FALSE(menu.IsActive());
    EXPECT_EQ(profiles->GetCurrentIndex(), 22);
    EXPECT_EQ(g_gameCurrentProfile.GetValue(), 22);
}

TEST_F(ProfileMenuTest, OneProfileHasNoDeleteButton)
{
    MakeProfiles(1);
    Open(&menu);
    EXPECT_EQ(PageText(), "1/1");
    EXPECT_TRUE(Find("delete_button")->IsHidden());
    EXPECT_EQ(ShownRows(), 1);
}

TEST_F(ProfileMenuTest, CancelAfterSelectingAnotherKeepsTheEntryProfile)
{
    MakeProfiles(3);
    profiles->SelectProfile(1, "", true);
    Open(&menu);
    ClickAt(-200.0f, RowY(2));
    EXPECT_EQ(menu.GetSelected(), 2);
    Click("cancel_button");
    Frames(3);
    EXPECT_FALSE(menu.IsActive());
    EXPECT_EQ(profiles->GetCurrentIndex(), 1);
    EXPECT_EQ(g_gameCurrentProfile.GetValue(), 1);
}

TEST_F(ProfileMenuTest, CreatingProfilesThroughTheNameDialog)
{
    Open(&menu);
    EXPECT_EQ(ShownRows(), 0);
    menu.OpenDialog();
    Accept("Ann");
    ASSERT_EQ(profiles->GetProfileCount(), 1);
    EXPECT_EQ(profiles->GetCurrentIndex(), 0); // the first profile is current at once
    EXPECT_EQ(ShownRows(), 1);

    Click("new_button");
    Accept("Ann"); // taken: the message, then the name dialog again
    EXPECT_EQ(profiles->GetProfileCount(), 1);
    menu.OnDialogEvent(ZProfileMenu::kDialogAccepted, nullptr);
    Accept(""); // an empty name becomes the localized player name
    ASSERT_EQ(profiles->GetProfileCount(), 2);
    EXPECT_EQ(menu.GetSelected(), 1);
    EXPECT_EQ(profiles->GetProfile(1)->GetName(), "general.player");
    const std::vector<std::string> expected = {"name::nocancel", "name:", "message:profile.exists",
                                               "name:(kept)"};
    EXPECT_EQ(menu.opened, expected);

    // Cancel still returns to the profile current on entry.
    Click("cancel_button");
    Frames(3);
    EXPECT_EQ(profiles->GetCurrentIndex(), 0);
}

TEST_F(ProfileMenuTest, RenamingTheSelectedProfile)
{
    MakeProfiles(2);
    Open(&menu);
    ClickAt(-200.0f, RowY(1));
    Click("rename_button");
    ASSERT_EQ(menu.opened.back(), "name:P1");
    Accept("Zed");
    EXPECT_EQ(profiles->GetProfile(1)->GetName(), "Zed");
    EXPECT_EQ(profiles->GetProfileCount(), 2);
}

TEST_F(ProfileMenuTest, DeletingKeepsTheRightProfileCurrent)
{
    struct Case
    {
        int current, deleted, currentAfter;
        const char* currentName;
    };
    // Deleting below the current shifts it; deleting the current one loads profile 0, also when
    // that was profile 0 itself.
    for (Case c : {Case{2, 0, 1, "P2"}, Case{1, 1, 0, "P0"}, Case{0, 0, 0, "P1"}, Case{0, 2, 0, "P0"}})
    {
        SCOPED_TRACE(std::to_string(c.current) + " delete " + std::to_string(c.deleted));
        MakeProfiles(3);
        profiles->SelectProfile(c.current, "", true);
        Open(&menu);
        ClickAt(-200.0f, RowY(c.deleted));
        Click("delete_button");
        EXPECT_EQ(menu.opened.back(), "confirm:profile.delete");
        menu.OnDialogEvent(ZProfileMenu::kDialogAccepted, nullptr);
        ASSERT_EQ(profiles->GetProfileCount(), 2);
        EXPECT_EQ(profiles->GetCurrentIndex(), c.currentAfter);
        ASSERT_NE(profiles->GetCurrent(), nullptr);
        EXPECT_EQ(profiles->GetCurrent()->GetName(), c.currentName);
        EXPECT_EQ(g_gameCurrentProfile.GetValue(), c.currentAfter);
        EXPECT_EQ(ShownRows(), 2);
        // Cancel keeps what the deletion left current.
        Click("cancel_button");
        Frames(3);
        EXPECT_EQ(profiles->GetCurrentIndex(), c.currentAfter);
        for (int i = profiles->GetProfileCount() - 1; i >= 0; --i)
            profiles->DeleteProfile(i);
        profiles->ScanProfiles(false);
        menu.opened.clear();
    }
}

TEST_F(ProfileMenuTest, EnteredTwiceHearsEachButtonOnceAndSmallLayoutsWork)
{
    MakeProfiles(4);
    Open(&menu);
    Click("ok_button");
    Frames(3);
    Open(&menu);
    EXPECT_EQ(ZEntityCast<ZButton2D>(Find("ok_button"))->ListenerCount(), 1u);

    TestProfileMenu small{"resources:profilemenu_small.xml"};
    Click("ok_button");
    Frames(3);
    profiles->SelectProfile(0, "", true);
    Open(&small);
    EXPECT_EQ(small.GetRowCount(), 3);
    EXPECT_EQ(small.GetPageCount(), 2u);
    ClickAt(-200.0f, RowY(1)); // no marker in this layout
    EXPECT_EQ(small.GetSelected(), 1);
    ClickAt(-330.0f, -250.0f);
    Frames(3);
    EXPECT_FALSE(small.IsActive());
    EXPECT_EQ(profiles->GetCurrentIndex(), 1);
}
} // namespace
