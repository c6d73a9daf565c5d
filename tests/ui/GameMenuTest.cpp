// The pause menu, main menu frame and high-score list on the real stack, clicked with the pointer:
// where each pause-menu button sends the game, subscriptions only while entered, and the rows the
// layout offers filled from the high-score table, which keeps that many places.
#include <cstdio>
#include <string>

#include "engine/import/ZSceneXMLImport2.h"
#include "engine/resource/ZHighscoreTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZGameMenu.h"
#include "tests/support/ScreenTestSupport.h"

namespace
{
// As the game's subclasses do: the layout first, then the base finds its widgets.
template <class Base> class Laid : public Base
{
public:
    explicit Laid(std::string layout) : m_layout(std::move(layout)) {}
    int Build() override
    {
        if (ImportSceneFile(ZResourcePath(m_layout.c_str()), this->GetRoot()) != 0)
            return 1;
        return Base::Build();
    }
    ZHighscoreTable* shownWith = nullptr;

private:
    std::string m_layout;
};

class ShownMenu : public Laid<ZHighscoreMenu>
{
public:
    using Laid::Laid;
    void OnScoresShown(ZHighscoreTable* table) override { shownWith = table; }
};

class GameMenuTest : public uitest::ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        std::remove(scoresPath.c_str());
        scores = std::make_unique<ZHighscoreTable>(scoresPath.c_str());
    }
    void TearDown() override
    {
        ScreenTest::TearDown();
        scores.reset();
        std::remove(scoresPath.c_str());
    }
    // Opens the pause menu over an in-game screen.
    void Pause(ZGameMenu* menu)
    {
        Go(&play);
        Go(menu);
        ASSERT_EQ(Top(), menu);
        ASSERT_EQ(game->GetStack()[game->GetStack().size() - 2], &play);
    }
    void Click(float x, float y)
    {
        ClickAt(x, y);
        Frames(4);
    }

    std::string scoresPath = ::testing::TempDir() + "screens_highscores.dat";
    std::unique_ptr<ZHighscoreTable> scores;
    uitest::ScreenState play{"play"};
    uitest::ScreenState mainScreen{"mainscreen"};
    uitest::ScreenState settings{"settings"};
};
} // namespace

TEST_F(GameMenuTest, PauseMenuButtonsResumeOpenAndLeaveForTheirTargets)
{
    auto* menu = Own(new Laid<ZGameMenu>("resources:gamemenu.xml"));
    EXPECT_STREQ(menu->GetRoot()->GetName(), "gamemenu");

    // Resume without a target only closes the menu.
    Pause(menu);
    ASSERT_TRUE(menu->GetResumeButton() && menu->GetHelpButton());
    EXPECT_EQ(menu->GetResumeButton()->ListenerCount(), 1u);
    Click(-150.0f, 100.0f);
    EXPECT_EQ(game->GetStack(), (std::deque<ZGameState*>{&screen, &play}));
    EXPECT_EQ(menu->GetResumeButton()->ListenerCount(), 0u) << "left, the menu listens to nothing";

    // Main menu clears the stack to its target.
    menu->SetMainMenuTarget(&mainScreen);
    Go(menu);
    Click(50.0f, 100.0f);
    EXPECT_EQ(game->GetStack(), (std::deque<ZGameState*>{&mainScreen}));

    // Settings opens over the game, and the menu is gone from the stack.
    menu->SetSettingsScreen(&settings);
    Pause(menu);
    Click(-50.0f, 100.0f);
    EXPECT_EQ(Top(), &settings);
    for (ZGameState* s : game->GetStack())
        EXPECT_NE(s, menu);

    // Help without a screen only closes the menu.
    Go(menu);
    Click(150.0f, 100.0f);
    EXPECT_NE(Top(), menu);
}

TEST_F(GameMenuTest, PauseMenuWithoutHelpWorksWithThreeButtons)
{
    auto* menu = Own(new Laid<ZGameMenu>("resources:gamemenu_nohelp.xml"));
    Pause(menu);
    EXPECT_EQ(menu->GetHelpButton(), nullptr);
    Click(150.0f, 100.0f); // where help would be
    EXPECT_EQ(Top(), menu);
    // Entered twice, the menu is told of a click once.
    menu->OnEnter();
    EXPECT_EQ(menu->GetResumeButton()->ListenerCount(), 1u);
    Click(-150.0f, 100.0f);
    EXPECT_EQ(game->GetStack(), (std::deque<ZGameState*>{&screen, &play}));
}

TEST_F(GameMenuTest, MainMenuFrameStartsHidden)
{
    auto* menu = Own(new ZMainMenu());
    EXPECT_STREQ(menu->GetRoot()->GetName(), "mainmenu");
    Go(menu);
    EXPECT_TRUE(menu->GetRoot()->IsHidden());
    menu->ShowRoot();
    EXPECT_FALSE(menu->GetRoot()->IsHidden());
    menu->HideRoot();
    EXPECT_TRUE(menu->GetRoot()->IsHidden());
}

TEST_F(GameMenuTest, HighscoreRowsFollowTheLayoutAndTheTable)
{
    struct Case
    {
        const char* layout;
        int32_t rows;
        int32_t places;
    };
    const Case cases[] = {
        {"resources:highscores.xml", 5, 5},
        {"resources:highscores_25.xml", 20, 20},
        {"resources:highscores_gap.xml", 2, 2},
        // No rows at all: the table keeps its places rather than dropping every score.
        {"resources:highscores_norows.xml", 0, ZHighscoreTable::kDefaultPlaces},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.layout);
        scores = std::make_unique<ZHighscoreTable>(scoresPath.c_str());
        auto* menu = Own(new ShownMenu(c.layout));
        EXPECT_STREQ(menu->GetRoot()->GetName(), "highscoremenu");
        Go(menu);
        ASSERT_EQ(Top(), menu);
        EXPECT_EQ(menu->GetRowCount(), c.rows);
        EXPECT_EQ(scores->GetPlaces(), c.places);
        EXPECT_EQ(menu->shownWith, scores.get());
        const auto& entries = scores->GetEntries();
        for (int32_t i = 0; i < c.rows && size_t(i) < entries.size(); ++i)
        {
            EXPECT_EQ(menu->GetNameNode(i)->GetText(), entries[size_t(i)].name);
            EXPECT_EQ(menu->GetScoreNode(i)->GetText(), std::to_string(entries[size_t(i)].score));
        }
        Click(200.0f, -200.0f);
        EXPECT_EQ(Top(), &screen) << "close leaves the list";
    }
}

TEST_F(GameMenuTest, HighscoreListShowsANewScoreOnTheNextEntry)
{
    auto* menu = Own(new ShownMenu("resources:highscores.xml"));
    Go(menu);
    auto* close = ZEntityCast<ZButton2D>(menu->GetRoot()->FindNode("close_button"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->ListenerCount(), 1u);
    Click(200.0f, -200.0f);
    EXPECT_EQ(close->ListenerCount(), 0u) << "closed, the list listens to nothing";
    ASSERT_TRUE(scores->Insert("Zed", 99999999, nullptr));
    Go(menu);
    EXPECT_EQ(menu->GetNameNode(0)->GetText(), "Zed");
    EXPECT_EQ(menu->GetScoreNode(0)->GetText(), "99999999");
}
