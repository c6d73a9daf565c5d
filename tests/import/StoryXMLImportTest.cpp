// Story files: paragraphs with their texts, flags, pictures and event lists, linked by their ids;
// broken and misnested files fail with 1 and keep what was read before the fault.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/import/ZStoryXMLImport.h"
#include "engine/resource/ZResourcePath.h"

namespace
{
class StoryXMLTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_table.AddMount("teststory", QV_FIXTURES "/story");
        m_fileSystem = std::make_unique<ZFileSystem>(&m_table);
    }
    void TearDown() override { m_fileSystem.reset(); }

    int ImportFile(ZStoryXMLImport& import, const char* name)
    {
        ZResourcePath path(name);
        return import.ImportPath(&path);
    }
    static int ImportText(ZStoryXMLImport& import, const std::string& text)
    {
        return import.ImportBuffer(text.data(), text.size());
    }

    ZMountTable m_table;
    std::unique_ptr<ZFileSystem> m_fileSystem;
};

TEST_F(StoryXMLTest, ParagraphsReadAndLinked)
{
    ZStoryXMLImport import;
    ASSERT_EQ(ImportFile(import, "teststory:story.xml"), 0) << import.GetLastError();
    const auto& pages = import.GetParagraphs();
    ASSERT_EQ(pages.size(), 4u);
    const SStoryParagraph* intro = pages[0];
    const SStoryParagraph* ask = pages[1];
    const SStoryParagraph* deep = pages[2];
    const SStoryParagraph* shore = pages[3];

    // Element and attribute names in capitals read as in lower case; "|" is a line break.
    EXPECT_EQ(intro->id, "intro");
    EXPECT_EQ(intro->title, "The Reef");
    EXPECT_EQ(intro->text, "Below the waves\nthe reef waits.");
    EXPECT_EQ(intro->picturePath, "story:reef.jpg");
    EXPECT_TRUE(intro->required);
    EXPECT_FALSE(intro->question);
    EXPECT_FALSE(intro->once);

    // A CDATA section inside the paragraph replaces its text, trimmed; the text element changes no
    // nesting, so the picture and events after it belong to the paragraph.
    EXPECT_EQ(ask->text, "Will you dive\n        deeper?");
    EXPECT_EQ(ask->picturePath, "story:first.jpg");
    EXPECT_TRUE(ask->question);
    EXPECT_TRUE(ask->once); // present, whatever its value
    EXPECT_EQ(ask->quest, "find_pearl");
    EXPECT_FALSE(shore->required); // "yes" is neither "1..." nor "true"
    EXPECT_FALSE(shore->question);

    // Links, including the previous link of both branch targets.
    EXPECT_EQ(intro->next, ask);
    EXPECT_EQ(ask->previous, intro);
    EXPECT_EQ(ask->next, deep);
    EXPECT_EQ(ask->no, shore);
    EXPECT_EQ(deep->previous, ask);
    EXPECT_EQ(shore->previous, ask);
    EXPECT_EQ(deep->next, nullptr); // names no paragraph
    EXPECT_EQ(intro->previous, nullptr);
    EXPECT_EQ(shore->next, nullptr);
    EXPECT_EQ(shore->no, nullptr);
}

TEST_F(StoryXMLTest, EventsGoToTheirLists)
{
    ZStoryXMLImport import;
    ASSERT_EQ(ImportFile(import, "teststory:story.xml"), 0);
    const auto& pages = import.GetParagraphs();
    ASSERT_EQ(pages.size(), 4u);
    const SStoryParagraph* intro = pages[0];
    ASSERT_EQ(intro->events.size(), 1u);
    EXPECT_EQ(intro->events[0]->id, ZNameId("start_boat"));
    EXPECT_EQ(intro->events[0]->args.Count(), 0u);
    EXPECT_TRUE(intro->events[0]->active);
    EXPECT_EQ(intro->events[0]->time, 0.0);
    ASSERT_EQ(intro->onExitEvents.size(), 1u);
    EXPECT_EQ(intro->onExitEvents[0]->id, ZNameId("show_path"));

    const SStoryParagraph* ask = pages[1];
    EXPECT_TRUE(ask->events.empty());
    EXPECT_TRUE(ask->onExitEvents.empty());
    ASSERT_EQ(ask->onYesEvents.size(), 1u);
    const ZEvent& character = *ask->onYesEvents[0];
    EXPECT_EQ(character.id, ZNameId("character"));
    ASSERT_EQ(character.args.Count(), 3u); // name, value and onyes; never id
    EXPECT_STREQ(character.args.Find("name"), "mara");
    EXPECT_STREQ(character.args.Find("value"), "true");
    EXPECT_STREQ(character.args.Find("onyes"), "1");
    EXPECT_FALSE(character.args.Has("id"));
    ASSERT_EQ(ask->onNoEvents.size(), 1u);
    EXPECT_EQ(ask->onNoEvents[0]->id, ZNameId("hide_plot"));

    // An event below an unknown element still sits directly in the paragraph's read levels.
    const SStoryParagraph* deep = pages[2];
    ASSERT_EQ(deep->events.size(), 1u);
    EXPECT_STREQ(deep->events[0]->args.Find("level"), "2");
}

TEST_F(StoryXMLTest, EventWithoutIdAndListPrecedence)
{
    ZStoryXMLImport import;
    ASSERT_EQ(ImportText(import, "<story><paragraph id='p'>"
                                 "<event ID='upper' onno='1' onyes='1'/><event/>"
                                 "</paragraph></story>"),
              0);
    const SStoryParagraph* p = import.GetParagraphs().at(0);
    ASSERT_EQ(p->onYesEvents.size(), 1u); // onyes is tested before onno
    EXPECT_EQ(p->onYesEvents[0]->id, ZNameId("upper"));
    EXPECT_STREQ(p->onYesEvents[0]->args.Find("ID"), "upper"); // only "id" itself is left out
    ASSERT_EQ(p->events.size(), 1u);
    EXPECT_EQ(uint32_t(p->events[0]->id), ZNameId::kNone);
}

TEST_F(StoryXMLTest, MalformedFilesFailCleanly)
{
    struct Case
    {
        const char* what;
        const char* text;
        int result;
        const char* ids; // the paragraphs kept, in order
    };
    const Case cases[] = {
        {"not xml", "this is not a story", 1, ""},
        {"empty", "", 1, ""},
        {"cut inside a paragraph", "<story><paragraph id='a'/><paragraph id='b' text='x'>", 1, "a"},
        {"mismatched end", "<story><paragraph id='a'></story></paragraph>", 1, ""},
        {"stray ends of ignored elements",
         "<story><text/><paragraph id='a'><paragraph id='b'/></paragraph></story>", 0, "a"},
        {"paragraph outside story", "<root><paragraph id='a'/></root>", 0, ""},
        {"event outside paragraph", "<story><event id='x'/><picture path='p'/></story>", 0, ""},
        {"second root", "<story/><story/>", 1, ""},
        {"paragraphs inside and after an element passed over", "<story><text><paragraph id='x'/></text><paragraph id='b'/>"
         "<paragraph id='c'/></story>", 0, "x,b,c"},
    };
    for (const Case& c : cases)
    {
        ZStoryXMLImport import;
        EXPECT_EQ(ImportText(import, c.text), c.result) << c.what;
        std::string ids;
        for (const SStoryParagraph* p : import.GetParagraphs())
        {
            ASSERT_NE(p, nullptr) << c.what;
            ids += (ids.empty() ? "" : ",") + p->id;
        }
        EXPECT_EQ(ids, c.ids) << c.what;
    }
}

// 40,000 nested elements are refused at once with a clear error instead of taking minutes; the
// paragraphs finished before stay.
TEST_F(StoryXMLTest, DeepNestingIsRefusedQuickly)
{
    std::string text = "<story><paragraph id='a'/>";
    for (int i = 0; i < 40000; ++i)
        text += "<x>";
    for (int i = 0; i < 40000; ++i)
        text += "</x>";
    text += "</story>";
    ZStoryXMLImport import;
    EXPECT_EQ(ImportText(import, text), 1);
    EXPECT_NE(import.GetLastError().find("nested deeper than 256"), std::string::npos) << import.GetLastError();
    ASSERT_EQ(import.GetParagraphs().size(), 1u);
    EXPECT_EQ(import.GetParagraphs()[0]->id, "a");
}

TEST_F(StoryXMLTest, NestedParagraphKeepsTheOuterOne)
{
    // A paragraph inside a paragraph is passed over; its end neither finishes the outer paragraph
    // nor leaves a null record, and events after it still go to the outer one.
    ZStoryXMLImport import;
    ASSERT_EQ(ImportText(import, "<story><paragraph id='outer'><paragraph id='inner'/>"
                                 "<event id='after'/></paragraph></story>"),
              0);
    ASSERT_EQ(import.GetParagraphs().size(), 1u);
    EXPECT_EQ(import.GetParagraphs()[0]->id, "outer");
    EXPECT_EQ(import.GetParagraphs()[0]->events.size(), 1u);
}

TEST_F(StoryXMLTest, TruncatedFileKeepsAndLinksFinishedParagraphs)
{
    ZStoryXMLImport import;
    EXPECT_EQ(ImportFile(import, "teststory:truncated.xml"), 1);
    EXPECT_FALSE(import.GetLastError().empty());
    const auto& pages = import.GetParagraphs();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0]->next, pages[1]);
    EXPECT_EQ(pages[1]->next, pages[0]);
    EXPECT_EQ(pages[1]->events.size(), 1u);

    ZStoryXMLImport missing;
    EXPECT_EQ(ImportFile(missing, "teststory:absent.xml"), 1);
    EXPECT_TRUE(missing.GetParagraphs().empty());
}
} // namespace
