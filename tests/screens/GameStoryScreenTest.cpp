// The game's story screen on the real state stack with the game's story, layout and pictures:
// a campaign story opens at its page with its picture, pages turn with the buttons, question pages
// answer with yes and no, skip goes to the next required page, the story's flag is kept with the
// profile (and flags of pages the story lacks are only reported), a story without its page ends at
// once, and the game's own events pick crew members and bonus games within their ranges.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "dive/crew/CrewTestSupport.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/import/ZStoryXMLImport.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZSprite2D.h"
#include "game/dive/ZDiveSettings.h"
#include "game/screens/ZGameStoryScreen.h"

namespace
{
class GameStoryScreenTest : public crewtest::CrewScreenTest
{
protected:
    void SetUp() override
    {
        table.AddMount("localized", QV_SOURCE_DIR "/data/localized/en");
        table.AddMount("localized", QV_BINARY_DIR "/data/resources/localized/en");
        table.AddMount("story", QV_BINARY_DIR "/data/resources/story");
        CrewScreenTest::SetUp();
        introFlag = abilitytest::EnsureSetting<bool>("story.intro", false);
        introFlag->Reset(false);
        visits = ZPropertyManager::GetInstance()->FindTyped<int32_t>("zelk.tip.storyscreen");
        ASSERT_NE(visits, nullptr);
        visits->Reset(false);
        story = Own(ZGameStoryScreen::GetInstance());
    }
    void TearDown() override
    {
        introFlag->Reset(false);
        visits->Reset(false);
        CrewScreenTest::TearDown();
    }
    void Open(const char* page)
    {
        story->SetStartPage(page);
        Go(story);
    }
    std::string Page() const { return story->GetCurrentPage() ? story->GetCurrentPage()->id : ""; }
    bool Shown(ZButton2D* button) const { return button && !button->IsHidden(); }
    static ZEvent Event(const char* id, const char* key, const char* value)
    {
        ZEvent event;
        event.id = ZNameId(id);
        event.args.Set(key, value);
        return event;
    }

    ZGameStoryScreen* story = nullptr;
    ZPropertyBool* introFlag = nullptr;
    ZPropertyInt* visits = nullptr;
};

TEST_F(GameStoryScreenTest, TheIntroPagesTurnWithTheirPicturesAndTheQuestionTakesItsAnswer)
{
    Open("intro");
    ASSERT_EQ(Top(), story);
    EXPECT_EQ(Page(), "intro");
    EXPECT_EQ(story->GetTitleNode()->GetText(), "Port Selkie");
    ZSprite2D* picture = story->GetPicture();
    ASSERT_NE(picture, nullptr);
    EXPECT_STREQ(picture->GetName(), "storyscreenpicture");
    ASSERT_NE(picture->GetTexture(), nullptr);
    // The first page has nothing behind it; the yes and no buttons wait for a question.
    EXPECT_FALSE(Shown(story->GetPrevButton()));
    EXPECT_TRUE(Shown(story->GetNextButton()));
    EXPECT_FALSE(Shown(story->GetYesButton()));
    EXPECT_FALSE(Shown(story->GetNoButton()));
    EXPECT_TRUE(introFlag->GetValue());

    ClickOn(story->GetNextButton());
    EXPECT_EQ(Page(), "intro_2");
    EXPECT_TRUE(Shown(story->GetPrevButton()));
    ClickOn(story->GetPrevButton());
    EXPECT_EQ(Page(), "intro");
    ClickOn(story->GetNextButton());
    ClickOn(story->GetNextButton());
    EXPECT_EQ(Page(), "intro_3");
    EXPECT_FALSE(Shown(story->GetNextButton()));
    EXPECT_FALSE(Shown(story->GetSkipButton()));
    EXPECT_TRUE(Shown(story->GetYesButton()));
    EXPECT_TRUE(Shown(story->GetNoButton()));
    EXPECT_GE(story->GetPagesTurned(), 4);

    // "No" takes the other road; both meet at the page that makes Finn available.
    crew->ShowCharacter(0, false, false);
    ClickOn(story->GetNoButton());
    EXPECT_EQ(Page(), "intro_wait");
    ClickOn(story->GetNextButton());
    EXPECT_EQ(Page(), "intro_4");
    EXPECT_TRUE(crew->IsAvailable(0));
    EXPECT_EQ(g_profileCharacter.GetValue(), 0);
    ClickOn(story->GetNextButton());
    EXPECT_EQ(Top(), &screen);
}

TEST_F(GameStoryScreenTest, SkipGoesToTheNextRequiredPage)
{
    Open("intro");
    ASSERT_TRUE(Shown(story->GetSkipButton()));
    ClickOn(story->GetSkipButton());
    EXPECT_EQ(Page(), "intro_4");
    ClickOn(story->GetNextButton());
    EXPECT_EQ(Top(), &screen);
}

TEST_F(GameStoryScreenTest, EveryCampaignStoryAndMapPlaceHasItsPageWithAPicture)
{
    Open("intro");
    for (const char* page : {"intro",          "arrive_coral",      "amulet",
                             "amulet_key2",    "arrive_shipwreck",  "amulet_key3",
                             "arrive_volcano", "amulet_key4",       "arrive_deepwater",
                             "amulet_key5",    "arrive_sunkencity", "finale",
                             "info_harbour",   "info_lagoon",       "info_reef",
                             "info_wreck",     "info_vents",        "info_trench",
                             "info_ruins",     "info_abyss"})
    {
        SCOPED_TRACE(page);
        ASSERT_TRUE(story->HasPage(page));
        story->ShowPageByName(page);
        EXPECT_EQ(Page(), page);
        EXPECT_FALSE(story->GetCurrentPage()->picturePath.empty());
        ASSERT_NE(story->GetPicture(), nullptr);
        EXPECT_NE(story->GetPicture()->GetTexture(), nullptr);
    }
}

TEST_F(GameStoryScreenTest, StoryFlagsAreKeptWithTheProfileAndUnknownOnesAreOnlyReported)
{
    Open("intro");
    ASSERT_TRUE(introFlag->GetValue());
    ASSERT_EQ(profiles->SaveProfile(), 0);
    introFlag->SetValue(false);
    profiles->LoadProfile();
    EXPECT_TRUE(introFlag->GetValue());

    // A flag whose page the story lacks is reported and otherwise left alone.
    ZPropertyBool* stray = abilitytest::EnsureSetting<bool>("story.no_such_page", false);
    const int before = story->CheckStoryFlags();
    EXPECT_GE(before, 1);
    EXPECT_FALSE(stray->GetValue());
    // A profile that names such a flag, or one no setting has, loads without harm.
    {
        std::ofstream file(profiles->GetCurrentFolder() + "profile.txt", std::ios::app);
        file << "story.no_such_page = true\nstory.never_heard_of = true\n";
    }
    profiles->LoadProfile();
    EXPECT_TRUE(introFlag->GetValue());
    EXPECT_EQ(ZPropertyManager::GetInstance()->Find("story.never_heard_of"), nullptr);
    EXPECT_EQ(story->CheckStoryFlags(), before);
}

TEST_F(GameStoryScreenTest, AStoryWithoutItsPageEndsAtOnce)
{
    Open("no_such_story");
    Frames(3);
    EXPECT_EQ(Top(), &screen);
    Open("");
    Frames(3);
    EXPECT_EQ(Top(), &screen);
}

TEST_F(GameStoryScreenTest, BonusLevelEventsPickOnlyOneOfTheThreeGamesAndCrewEventsOnlyCrew)
{
    Open("intro");
    const struct
    {
        const char* level;
        int expected;
    } cases[] = {{"0", 0}, {"2", 2}, {"1", 1},  {"3", 1},          {"-1", 1},
                 {"x", 1}, {"", 1},  {"2x", 1}, {"99999999999", 1}};
    for (const auto& c : cases)
    {
        story->OnStoryEvent(Event("bonuslevel", "level", c.level));
        EXPECT_EQ(story->GetBonusGameIndex(), c.expected) << c.level;
    }

    crew->ShowCharacter(2, false, false);
    const int selected = g_profileCharacter.GetValue();
    ZEvent stranger = Event("character", "name", "captain");
    stranger.args.Set("value", "true");
    story->OnStoryEvent(stranger);
    EXPECT_FALSE(crew->IsAvailable(2));
    EXPECT_EQ(g_profileCharacter.GetValue(), selected);
    ZEvent oskar = Event("character", "name", "oskar");
    oskar.args.Set("value", "1yes");
    story->OnStoryEvent(oskar);
    EXPECT_TRUE(crew->IsAvailable(2));
    oskar.args.Set("value", "True");
    story->OnStoryEvent(oskar);
    EXPECT_FALSE(crew->IsAvailable(2));
}

TEST_F(GameStoryScreenTest, TheStoryTipShowsOnTheSecondVisitOnlyAfterASecond)
{
    Open("intro_4");
    EXPECT_EQ(visits->GetValue(), 1);
    Frames(60);
    EXPECT_EQ(visits->GetValue(), 1);
    ClickOn(story->GetNextButton());
    ASSERT_EQ(Top(), &screen);

    Open("intro_4");
    EXPECT_EQ(visits->GetValue(), 2);
    Frames(20);
    EXPECT_EQ(visits->GetValue(), 2);
    Frames(40);
    EXPECT_EQ(visits->GetValue(), 3);
}
} // namespace
