// The story screen on the real stack, paged with the pointer: which buttons each page offers,
// yes and no on question pages, skipping to required pages, where the story ends, events passed
// on to the game, "hide_until", and refused pages in a cycle.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/import/ZStoryXMLImport.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZStoryScreen.h"
#include "tests/support/ScreenTestSupport.h"

namespace
{
// As the game's subclass: its answer buttons, and pages it refuses.
class Story : public ZStoryScreen
{
public:
    Story()
    {
        SetStoryFile("resources:story.xml");
        SetLayoutFile("resources:storyscreen.xml");
    }
    int Build() override
    {
        const int result = ZStoryScreen::Build();
        SetAnswerButtons(ZEntityCast<ZButton2D>(GetRoot()->FindNode("button_yes")),
                         ZEntityCast<ZButton2D>(GetRoot()->FindNode("button_no")));
        return result;
    }
    bool ShowPage(SStoryParagraph* page) override
    {
        if (page && refused.count(page->id))
            return false;
        return ZStoryScreen::ShowPage(page);
    }
    void OnStoryPageDone() override { ++pagesDone; }

    std::set<std::string> refused;
    int pagesDone = 0;
};

class EventLog : public IEventListener
{
public:
    void OnEvent(const ZEvent& event) override
    {
        std::string arg;
        for (const auto& [name, value] : event.args.GetAll())
            arg += " " + name + "=" + value;
        seen.push_back(names.count(event.id.Value()) ? names[event.id.Value()] + arg : "?");
    }
    void Listen(ZEventManager& manager, const char* name)
    {
        names[ZNameId(name).Value()] = name;
        manager.AddListener(this, ZNameId(name));
    }
    std::map<uint32_t, std::string> names;
    std::vector<std::string> seen;
};

class StoryScreenTest : public uitest::ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        if (!ZEventManager::PeekInstance())
            events = std::make_unique<ZEventManager>();
        for (const char* name :
             {"start_boat", "left_one", "said_yes", "said_no", "hide_until", "boat_arrived"})
            log.Listen(*ZEventManager::PeekInstance(), name);
        story = Own(new Story());
    }
    void TearDown() override
    {
        // Listeners stay registered for the manager's life: it goes first.
        events.reset();
        ScreenTest::TearDown();
    }
    void Open(const char* page)
    {
        Go(story);
        ASSERT_EQ(Top(), story);
        story->ShowPageByName(page);
    }
    void Click(ZButton2D* button)
    {
        ASSERT_NE(button, nullptr);
        ASSERT_FALSE(button->IsHidden());
        ClickAt(button->Position().x, button->Position().y);
        Frames(3);
    }
    std::string Page() { return story->GetCurrentPage() ? story->GetCurrentPage()->id : ""; }
    // Which of prev, next, skip, yes and no are shown.
    std::string Offered()
    {
        std::string out;
        for (ZButton2D* b : {story->GetPrevButton(), story->GetNextButton(), story->GetSkipButton(),
                             story->GetYesButton(), story->GetNoButton()})
            if (b && !b->IsHidden())
                out += std::string(out.empty() ? "" : " ") + (b->GetName() + 7);
        return out;
    }

    std::unique_ptr<ZEventManager> events;
    EventLog log;
    Story* story = nullptr;
    uitest::ScreenState after{"after"};
};
} // namespace

TEST_F(StoryScreenTest, PagesOfferTheirButtonsAndQuestionsBranch)
{
    Open("one");
    EXPECT_STREQ(story->GetRoot()->GetName(), "storyscreen");
    EXPECT_EQ(Page(), "one");
    EXPECT_EQ(story->GetTitleNode()->GetText(), "The Boat");
    EXPECT_EQ(story->GetTextNode()->GetText(), "We set out.");
    EXPECT_EQ(Offered(), "next") << "first page: no previous; a required next page: no skip";
    EXPECT_EQ(log.seen, (std::vector<std::string>{"start_boat boat=small"}));
    ASSERT_NE(story->GetTypeWriter(), nullptr);
    EXPECT_EQ(story->GetTypeWriter()->rate, 200);
    EXPECT_TRUE(story->GetRoot()->FindNode("position_picture")->IsHidden());

    Click(story->GetNextButton());
    EXPECT_EQ(Page(), "two");
    EXPECT_EQ(log.seen.back(), "left_one onexit=1");
    EXPECT_EQ(Offered(), "prev next skip");
    Click(story->GetPrevButton());
    EXPECT_EQ(Page(), "one");
    Click(story->GetNextButton());
    Click(story->GetNextButton());
    EXPECT_EQ(Page(), "three");
    EXPECT_EQ(Offered(), "yes no");
    Click(story->GetNoButton());
    EXPECT_EQ(Page(), "five");
    EXPECT_EQ(log.seen.back(), "said_no onno=1");
    // The first picture makes the sprite where the layout marks it; later ones reuse it.
    ZSprite2D* picture = story->GetPicture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(story->GetRoot()->FindNode("storyscreenpicture"), picture);
    EXPECT_FLOAT_EQ(picture->Position().y, 100.0f);

    story->ShowPageByName("three");
    story->ShowPageByName("no such page");
    EXPECT_EQ(Page(), "three");
    Click(story->GetYesButton());
    EXPECT_EQ(Page(), "four");
    EXPECT_EQ(log.seen.back(), "said_yes onyes=1");
    EXPECT_EQ(story->GetPicture(), picture);
    EXPECT_EQ(story->pagesDone, 6);

    // The last page's next ends the story: the screen leaves and the follow-up comes once.
    story->SetFollowUp(&after);
    Click(story->GetNextButton());
    EXPECT_EQ(Top(), &after);
    EXPECT_EQ(story->GetFollowUp(), nullptr);
    EXPECT_EQ(story->GetNextButton()->ListenerCount(), 0u) << "left, the screen listens to nothing";
}

TEST_F(StoryScreenTest, SkipGoesToTheNextRequiredPageOrEndsTheStory)
{
    Open("one");
    story->ShowPageByName("four");
    ASSERT_EQ(Offered(), "prev next skip");
    Click(story->GetSkipButton());
    EXPECT_EQ(Top(), &screen) << "nothing required after it: the story ends at once";

    // With an exit target the stack goes there and the follow-up does not run.
    uitest::ScreenState exit{"exit"};
    story->SetExitTarget(&exit);
    story->SetFollowUp(&after);
    Open("two");
    Click(story->GetSkipButton());
    EXPECT_EQ(game->GetStack(), (std::deque<ZGameState*>{&exit}));
    EXPECT_EQ(story->GetFollowUp(), &after);
}

TEST_F(StoryScreenTest, HideUntilWaitsForItsEventAndRefusedCyclesEnd)
{
    Open("wait");
    EXPECT_TRUE(story->GetRoot()->IsHidden());
    EXPECT_EQ(log.seen.back(), "hide_until until=boat_arrived") << "the game hears it too";
    ZEvent other;
    other.id = ZNameId("start_boat");
    ZEventManager::PeekInstance()->SendEvent(other);
    EXPECT_TRUE(story->GetRoot()->IsHidden());
    ZEvent arrived;
    arrived.id = ZNameId("boat_arrived");
    ZEventManager::PeekInstance()->SendEvent(arrived);
    EXPECT_FALSE(story->GetRoot()->IsHidden());

    // Every page of the loop refused: the walk ends the story instead of circling for ever.
    story->ShowPageByName("loop1");
    story->refused = {"loop2", "loop3"};
    Click(story->GetNextButton());
    EXPECT_EQ(Top(), &screen);
}

TEST_F(StoryScreenTest, AStoryThatCannotBeReadLoadsNoLayout)
{
    story->SetStoryFile("resources:no_story.xml");
    Go(story);
    EXPECT_EQ(story->GetNextButton(), nullptr);
    EXPECT_EQ(story->GetRoot()->FindNode("button_next"), nullptr);
    story->ShowPageByName("one");
    EXPECT_EQ(story->GetCurrentPage(), nullptr);
}
