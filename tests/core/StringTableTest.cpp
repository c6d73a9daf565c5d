// The localized text table: both XML forms, lookups that add absent keys, formatted keys, and files
// that are cut off or broken.
#include "engine/resource/ZStringTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/fs/ZFile.h"

namespace
{
std::string Fixture(const char* name)
{
    return std::string(QV_FIXTURES) + "/strings/" + name;
}

uint32_t Load(ZStringTable& table, const char* name)
{
    ZFile file(Fixture(name), FILE_READ);
    return table.LoadXml(&file);
}

std::string Text(const char* text)
{
    return text ? text : "(null)";
}

struct TextCase
{
    const char* key;
    const char* text; // null: no entry
};

const TextCase kGoodFile[] = {
    {"menu.play", "Play"},
    {"menu.quit", "Quit & leave"},
    {"menu.later", "Later"}, // "value" before "key"
    {"menu.empty", ""},
    {"menu.twice", "Second"},
    {"tip.closingin", "Closing in %d\xE2\x80\xA6"},
    {"tip.markup", "Use <b>bold</b> & \"quotes\""},
    {"help.page", "First line\nSecond line\n  Third, indented"}, // every piece of the section
    {"help.wrapped", "Inside a child"},
    {"menu.content", nullptr}, // plain element content is no text
    {"crab.name", "Crab"},
    {"crab.same", "Crab"},
    {"umlaut", "Gr\xC3\xB6\xC3\x9F"
               "e"},
    {"Menu.Play", nullptr}, // keys keep their case
};

TEST(StringTable, LoadsAttributeAndCDataForms)
{
    ZStringTable table;
    ASSERT_EQ(Load(table, "strings.xml"), 0u) << table.GetLastError();
    for (const TextCase& c : kGoodFile)
    {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(Text(table.Find(c.key)), Text(c.text));
    }
    EXPECT_EQ(table.GetCount(), 12u) << "the element with a value and no key is skipped";
    EXPECT_EQ(ZStringTable::PeekInstance(), &table);
}

TEST(StringTable, AbsentKeysAndPooledTexts)
{
    {
        ZStringTable table;
        EXPECT_EQ(table.Find("missing"), nullptr);
        EXPECT_EQ(table.GetCount(), 0u) << "Find adds nothing";

        const char* shown = table.GetText("missing");
        EXPECT_STREQ(shown, "missing");
        EXPECT_EQ(table.Find("missing"), shown) << "the key is added with itself as text";
        EXPECT_EQ(table.FindWithDefault("missing"), shown);
        EXPECT_EQ(table.FindWithDefault(nullptr), nullptr);
        EXPECT_EQ(table.GetText(nullptr), nullptr);
        EXPECT_EQ(table.Find(nullptr), nullptr);

        EXPECT_EQ(table.AddText(nullptr), nullptr);
        char source[] = "profile.crew.octopus";
        const char* kept = table.AddText(source);
        source[0] = 'X';
        EXPECT_STREQ(kept, "profile.crew.octopus");
        EXPECT_EQ(table.GetCount(), 1u) << "AddText files no key";

        // Add copies the given length, stopping early at a 0 byte.
        EXPECT_STREQ(table.Add("cut", "abcdef", 3), "abc");
        EXPECT_STREQ(table.Add("short", "ab\0cd", 5), "ab");
    }
    EXPECT_EQ(ZStringTable::PeekInstance(), nullptr) << "the destructor clears the global pointer";
}

TEST(StringTable, FormattedKeysAreCutTo47Characters)
{
    ZStringTable table;
    table.Add("crab.name", "Crab", 4);
    EXPECT_STREQ(table.FindFormat("%s.name", "crab"), "Crab");
    EXPECT_EQ(table.FindFormat("%s.name", "squid"), nullptr);
    EXPECT_STREQ(table.GetTextFormat("tip.%s.title", "squid"), "tip.squid.title");

    const std::string fifty = std::string(40, 'k') + ".123456789";
    ASSERT_EQ(fifty.size(), 50u);
    const std::string first47 = fifty.substr(0, 47);
    table.Add(fifty.c_str(), "whole", 5);
    EXPECT_EQ(table.FindFormat("%s", fifty.c_str()), nullptr) << "looked up as its first 47 characters";
    table.Add(first47.c_str(), "cut", 3);
    EXPECT_STREQ(table.FindFormat("%s", fifty.c_str()), "cut");
    EXPECT_STREQ(table.GetTextFormat("%s", fifty.c_str()), "cut");
    EXPECT_EQ(Text(table.GetTextFormat("%s", std::string(60, 'z').c_str())), std::string(47, 'z'));
}

TEST(StringTable, BrokenFilesFailAndLeaveTheTableAsItWas)
{
    ZStringTable table;
    ASSERT_EQ(Load(table, "other.xml"), 0u);
    const char* added = table.GetText("added.at.run.time");
    const size_t count = table.GetCount();

    // Cut inside an element, without its closing root tag, badly nested, not UTF-8, empty, absent.
    for (const char* name :
         {"truncated.xml", "unclosed.xml", "mismatched.xml", "badbytes.xml", "empty.xml", "missing.xml"})
    {
        SCOPED_TRACE(name);
        EXPECT_EQ(Load(table, name), 1u);
        EXPECT_FALSE(table.GetLastError().empty());
        EXPECT_EQ(table.GetCount(), count) << "nothing of the broken file is kept";
        EXPECT_EQ(table.Find("menu.play"), nullptr);
        EXPECT_EQ(table.Find("bad.one"), nullptr);
        EXPECT_STREQ(table.Find("other.only"), "Other");
        EXPECT_EQ(table.Find("added.at.run.time"), added);
    }
    EXPECT_EQ(table.LoadXml(nullptr), 1u);
}

TEST(StringTable, AnotherLoadReplacesTheEntriesAndKeepsHandedOutTexts)
{
    ZStringTable table;
    ASSERT_EQ(Load(table, "strings.xml"), 0u);
    const char* play = table.Find("menu.play");
    const char* kept = table.AddText("a run-time setting name");
    ASSERT_EQ(Load(table, "other.xml"), 0u);
    EXPECT_EQ(table.Find("menu.play"), nullptr);
    EXPECT_STREQ(table.Find("other.only"), "Other");
    EXPECT_EQ(table.GetCount(), 1u);
    // Settings made at run time keep names from the pool: a reload must not overwrite them.
    EXPECT_STREQ(play, "Play");
    EXPECT_STREQ(kept, "a run-time setting name");
}

TEST(StringTable, TextsBeyondOnePoolBlockStayIntact)
{
    ZStringTable table;
    std::vector<const char*> copies;
    const std::string piece(1000, 'p');
    for (int i = 0; i < 600; ++i) // more than two blocks' worth
        copies.push_back(table.Add(("k" + std::to_string(i)).c_str(), piece.c_str(), piece.size()));
    const std::string huge(ZStringTable::kPoolSize + 10, 'h');
    const char* big = table.Add("huge", huge.c_str(), huge.size());
    const char* after = table.Add("after", "small", 5);

    for (int i = 0; i < 600; ++i)
    {
        ASSERT_NE(copies[size_t(i)], nullptr);
        ASSERT_EQ(std::strlen(copies[size_t(i)]), piece.size()) << i;
        ASSERT_EQ(table.Find(("k" + std::to_string(i)).c_str()), copies[size_t(i)]);
    }
    EXPECT_EQ(std::string(big), huge);
    EXPECT_STREQ(after, "small");
}

TEST(StringTable, ThreadsAskingForTheSameKeysAllGetTheKeyText)
{
    ZStringTable table;
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back(
            [&table, &wrong, t]
            {
                for (int i = 0; i < 500; ++i)
                {
                    const std::string key = "shared." + std::to_string(i % 50);
                    const char* text = table.GetText(key.c_str());
                    if (!text || key != text)
                        ++wrong[size_t(t)];
                }
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
    EXPECT_EQ(table.GetCount(), 50u);
}
} // namespace
