// The credits and help screens on the real state stack, driven by the pointer: the credits fade
// in and close at a click, during the fade too; the help pages take their texts from the text
// table, follow their buttons with the marker and close with their button. Both show the shared
// underwater background while they are up.
#include <gtest/gtest.h>

#include <string>

#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZSprite2D.h"
#include "game/decoration/ZBackground.h"
#include "game/screens/ZCredits.h"
#include "game/screens/ZGameHelpMenu.h"
#include "tests/support/ScreenTestSupport.h"

namespace
{
class GameScreenTest : public uitest::ScreenTest
{
protected:
    void SetUp() override
    {
        table.AddMount("resources", (std::string(QV_FIXTURES) + "/gamescreens").c_str());
        ScreenTest::SetUp();
        background = ZBackground::GetInstance();
    }
    // Runs frames until the clock has moved on by the given seconds.
    void Wait(double seconds)
    {
        const int frames = int(seconds / 0.02 + 0.5);
        Frames(frames);
    }

    ZBackground* background = nullptr;
};

TEST_F(GameScreenTest, CreditsFadeInTheirTextsAndPicturesThenCloseAtAClick)
{
    ZCredits* credits = Own(ZCredits::GetInstance());
    EXPECT_TRUE(credits->TestFlags(kStateDims | kStateResourcesWhileStacked));
    Go(credits);
    ASSERT_EQ(Top(), credits);
    auto* title = ZEntityCast<ZFontText>(credits->GetRoot()->FindNode("title"));
    auto* picture = ZEntityCast<ZSprite2D>(credits->GetRoot()->FindNode("picture"));
    auto* note = ZEntityCast<ZFontText>(credits->GetRoot()->FindNode("nested/note"));
    ASSERT_TRUE(title && picture && note);
    ASSERT_NE(picture->GetMaterial(), nullptr);
    EXPECT_TRUE(background->IsShown());
    EXPECT_TRUE(credits->IsFading());
    EXPECT_LT(title->GetAlpha(), 0.1f);
    EXPECT_LT(picture->GetAlpha(), 0.1f);
    // Only the page's own texts and pictures fade; one inside a group keeps its alpha.
    EXPECT_FLOAT_EQ(note->GetAlpha(), 1.0f);

    Wait(0.7);
    EXPECT_NEAR(title->GetAlpha(), 0.5f, 0.06f);
    EXPECT_NEAR(picture->GetAlpha(), 0.5f, 0.06f);
    Wait(1.0);
    EXPECT_FALSE(credits->IsFading());
    EXPECT_FLOAT_EQ(title->GetAlpha(), 1.0f);
    EXPECT_FLOAT_EQ(picture->GetAlpha(), 1.0f);

    ClickAt(300.0f, -250.0f);
    Frames(4);
    EXPECT_EQ(Top(), &screen);
    EXPECT_FALSE(background->IsShown());
    // Closed, the page no longer listens: a click on the screen below leaves it alone.
    ClickAt(300.0f, -250.0f);
    Frames(2);
    EXPECT_EQ(Top(), &screen);
}

TEST_F(GameScreenTest, CreditsCloseAtAClickDuringTheFadeAndFadeAgainWhenReopened)
{
    ZCredits* credits = Own(ZCredits::GetInstance());
    Go(credits);
    Wait(0.3);
    ASSERT_TRUE(credits->IsFading());
    ClickAt(0.0f, 0.0f);
    Frames(4);
    EXPECT_EQ(Top(), &screen);

    Go(credits);
    ASSERT_EQ(Top(), credits);
    auto* title = ZEntityCast<ZFontText>(credits->GetRoot()->FindNode("title"));
    EXPECT_TRUE(credits->IsFading());
    EXPECT_LT(title->GetAlpha(), 0.1f);
}

class HelpTest : public GameScreenTest
{
protected:
    void SetUp() override
    {
        GameScreenTest::SetUp();
        ZStringTable* strings = ZStringTable::GetInstance();
        for (const auto& [key, text] : {std::pair{"help.tab_0.title", "Diving"}, std::pair{"help.tab_0.body", "Swap pieces"},
                                        std::pair{"help.tab_1.title", "Artifacts"}})
            strings->Add(key, text, std::string(text).size());
        help = Own(ZGameHelpMenu::GetInstance());
        Go(help);
        ASSERT_EQ(Top(), help);
    }
    std::string Text(const char* path)
    {
        auto* text = ZEntityCast<ZFontText>(help->GetRoot()->FindNode(path));
        return text ? text->GetText() : "<none>";
    }
    V3 MarkerAt() { return static_cast<ZGeom*>(help->GetMarker())->Position(); }

    ZGameHelpMenu* help = nullptr;
};

TEST_F(HelpTest, PagesShowTheirTextsByPageAndTextNameAndMissingOnesSayError)
{
    EXPECT_STREQ(help->GetRoot()->GetName(), "helpmenu");
    EXPECT_EQ(Text("tabs/tab_0/title"), "Diving");
    EXPECT_EQ(Text("tabs/tab_0/body"), "Swap pieces");
    EXPECT_EQ(Text("tabs/tab_1/title"), "Artifacts");
    // A missing text shows the marker text literally, percent signs and all.
    EXPECT_EQ(Text("tabs/tab_2/title"), "%%ERROR%%");
    // Only a page's own texts are filled.
    EXPECT_EQ(Text("tabs/tab_0/box/deep"), "kept");
    EXPECT_TRUE(background->IsShown());
}

TEST_F(HelpTest, ButtonsChooseTheirPageAndMoveTheMarkerAndCloseLeaves)
{
    EXPECT_EQ(help->GetSelectedTab(), 0);
    EXPECT_TRUE(help->GetTab(0)->IsActive());
    EXPECT_FALSE(help->GetTab(1)->IsActive());
    EXPECT_FLOAT_EQ(MarkerAt().x, -200.0f);
    EXPECT_FLOAT_EQ(MarkerAt().y, 100.0f);
    EXPECT_EQ(help->GetButton(2), nullptr);
    EXPECT_EQ(help->GetTab(3), nullptr);

    ClickAt(-200.0f, 40.0f);
    Frames(2);
    EXPECT_EQ(help->GetSelectedTab(), 1);
    EXPECT_FALSE(help->GetTab(0)->IsActive());
    EXPECT_TRUE(help->GetTab(1)->IsActive());
    EXPECT_FALSE(help->GetTab(2)->IsActive());
    EXPECT_FLOAT_EQ(MarkerAt().y, 40.0f);
    // The marker keeps its own depth.
    EXPECT_FLOAT_EQ(MarkerAt().z, 5.0f);

    // A page without a button: the page changes, the marker stays where it was.
    help->SelectTab(2);
    EXPECT_TRUE(help->GetTab(2)->IsActive());
    EXPECT_FALSE(help->GetTab(1)->IsActive());
    EXPECT_FLOAT_EQ(MarkerAt().y, 40.0f);

    ClickAt(250.0f, 200.0f);
    Frames(4);
    EXPECT_EQ(Top(), &screen);
}
} // namespace
