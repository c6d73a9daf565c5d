#include "engine/core/ZPropertyManager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{
// A static setting, made before any registry exists: the registry must find it on the chain.
ZPropertyInt g_staticSetting("test.static", "Static", "A setting made by a static initializer",
                             ZProperty::kSaved, ZProperty::kNoGroup, 7, 100, 0);

// Every test gets a fresh registry and leaves none behind.
class PropertyTest : public ::testing::Test
{
protected:
    void SetUp() override { ZPropertyManager::DestroyInstance(); }
    void TearDown() override { ZPropertyManager::DestroyInstance(); }
};

std::string Text(const ZProperty& p)
{
    char buffer[128];
    p.GetText(buffer, sizeof buffer);
    return buffer;
}

struct FloatCase
{
    float value;
    const char* text;
};

TEST_F(PropertyTest, FloatTextForms)
{
    const FloatCase cases[] = {{2.5f, "2.5"},        {0.3f, "0.3"},          {3.0f, "3.0"},   {1.0f, "1.0"},
                               {0.7f, "0.69999999"}, {0.125f, "0.12500000"}, {-2.5f, "-2.5"}, {0.0f, "0.0"},
                               {80.0f, "80.0"},      {-0.7f, "-0.69999999"}};
    ZPropertyFloat f("test.float", "", "", 0, ZProperty::kNoGroup, 0.0f, 1000.0f, -1000.0f);
    for (const FloatCase& c : cases)
    {
        SCOPED_TRACE(c.text);
        f.SetValue(c.value);
        EXPECT_EQ(Text(f), c.text);
        // What is written reads back to the same f32.
        ZPropertyFloat copy("test.float.copy", "", "", 0, ZProperty::kNoGroup, 5.0f, 1000.0f, -1000.0f);
        EXPECT_TRUE(copy.SetFromText(c.text, false, false));
        EXPECT_EQ(copy.GetValue(), c.value);
        EXPECT_TRUE(f.EqualsText(c.text));
    }
}

TEST_F(PropertyTest, BoolAndIntTextForms)
{
    ZPropertyBool b("test.bool", "", "", 0, ZProperty::kNoGroup, true);
    EXPECT_EQ(Text(b), "true");
    for (const char* notTrue : {"True", "1", "yes", "", " true"})
    {
        b.SetValue(true);
        EXPECT_TRUE(b.SetFromText(notTrue, false, false));
        EXPECT_FALSE(b.GetValue()) << notTrue;
    }
    EXPECT_EQ(Text(b), "false");
    b.SetFromText("true", false, false);
    EXPECT_TRUE(b.GetValue());
    EXPECT_TRUE(b.EqualsText("true"));
    EXPECT_FALSE(b.EqualsText("false"));

    ZPropertyInt i("test.int", "", "", 0, ZProperty::kNoGroup, -7, 1000, -1000);
    EXPECT_EQ(Text(i), "-7");
    char small[3];
    i.GetText(small, sizeof small); // cut, still terminated
    EXPECT_STREQ(small, "-7");
    i.SetValue(1234);
    i.GetText(small, sizeof small);
    EXPECT_STREQ(small, "10");
}

struct IntCase
{
    const char* text;
    int32_t expected;
};

TEST_F(PropertyTest, IntParsingDecimalAndHex)
{
    const IntCase wide[] = {
        {"0x1F", 31},
        {"0x1f", 31},
        {"Zx10", 16},
        {"0xFFFFFFFF", -1},
        {"0x123456789", 0x12345678},
        {"  -12", -12},
        {"+5", 5},
        {"12abc", 12},
        {"", 0},
        {"2147483647", 2147483647},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
    };
    ZPropertyInt i("test.int", "", "", 0, ZProperty::kNoGroup, 3, 2147483647, -2147483647 - 1);
    for (const IntCase& c : wide)
    {
        SCOPED_TRACE(c.text);
        i.SetValue(3);
        EXPECT_TRUE(i.SetFromText(c.text, false, false));
        EXPECT_EQ(i.GetValue(), c.expected);
    }
}

TEST_F(PropertyTest, RangeClampsAndUnparsableTextLeavesTheSettingUnchanged)
{
    const IntCase cases[] = {{"10000", 4000}, {"0x10", 640}, {"", 640}, {"1024", 1024}, {"-5", 640}};
    ZPropertyInt width("test.width", "", "", 0, ZProperty::kNoGroup, 800, 4000, 640);
    for (const IntCase& c : cases)
    {
        SCOPED_TRACE(c.text);
        width.SetValue(800);
        EXPECT_TRUE(width.SetFromText(c.text, false, false));
        EXPECT_EQ(width.GetValue(), c.expected);
    }
    int notified = 0;
    struct Counter : IPropertyListener
    {
        int* n;
        void OnPropertyChanged(ZProperty*) override { ++*n; }
    } counter;
    counter.n = &notified;
    width.AddListener(&counter);
    width.SetValue(1024);
    notified = 0;
    for (const char* junk : {"abc", "0xZZ", "-", "  ", "x"})
    {
        EXPECT_FALSE(width.SetFromText(junk, true, true)) << junk;
        EXPECT_EQ(width.GetValue(), 1024) << junk;
        EXPECT_FALSE(width.EqualsText(junk)) << junk;
    }
    EXPECT_EQ(notified, 0);
    EXPECT_EQ(width.GetDefault(), 800);
    width.RemoveListener(&counter);

    ZPropertyFloat f("test.float", "", "", 0, ZProperty::kNoGroup, 0.5f, 1.0f, 0.001f);
    for (const char* junk : {"abc", "nan", "-nan", ",5"})
    {
        EXPECT_FALSE(f.SetFromText(junk, false, false)) << junk;
        EXPECT_EQ(f.GetValue(), 0.5f) << junk;
    }
    f.SetFromText("1e999", false, false);
    EXPECT_EQ(f.GetValue(), 1.0f);
    f.SetFromText("-1e999", false, false);
    EXPECT_EQ(f.GetValue(), 0.001f);
    f.SetFromText("  0.25xyz", false, false);
    EXPECT_EQ(f.GetValue(), 0.25f);
    f.SetFromText("0,75", false, false); // the decimal separator is always '.'
    EXPECT_EQ(f.GetValue(), 0.001f);

    // Without the clamp flag values are stored as given.
    f.SetClamp(false);
    f.SetValue(5.0f);
    EXPECT_EQ(f.GetValue(), 5.0f);
}

TEST_F(PropertyTest, AlsoDefaultNotifyAndReset)
{
    ZPropertyInt p("test.int", "", "", 0, ZProperty::kNoGroup, 10, 100, 0);
    struct Seen : IPropertyListener
    {
        std::vector<std::pair<int, int>> calls; // current, default at the time of the call
        void OnPropertyChanged(ZProperty* property) override
        {
            auto* i = static_cast<ZPropertyInt*>(property);
            calls.emplace_back(i->GetValue(), i->GetDefault());
        }
    } seen;
    p.AddListener(&seen);
    p.SetFromText("20", false, false);
    EXPECT_TRUE(seen.calls.empty());
    EXPECT_FALSE(p.IsDefault());
    p.SetFromText("30", true, true);
    ASSERT_EQ(seen.calls.size(), 1u);
    EXPECT_EQ(seen.calls[0], std::make_pair(30, 10)); // listeners still see the old default
    EXPECT_TRUE(p.IsDefault());
    p.SetValue(40);
    p.Reset(true);
    EXPECT_EQ(p.GetValue(), 30);
    EXPECT_EQ(seen.calls.size(), 3u);
    p.SetMuted(true);
    p.SetValue(50);
    EXPECT_EQ(seen.calls.size(), 3u);
    p.RemoveListener(&seen);
}

TEST_F(PropertyTest, ListenerRemovingItselfDuringNotification)
{
    ZPropertyBool p("test.bool", "", "", 0, ZProperty::kNoGroup, false);
    std::vector<std::string> log;
    struct L : IPropertyListener
    {
        std::string name;
        std::vector<std::string>* log;
        bool leave = false;
        void OnPropertyChanged(ZProperty* property) override
        {
            log->push_back(name);
            if (leave)
                property->RemoveListener(this);
        }
    } a, b, c;
    a.name = "a";
    b.name = "b";
    c.name = "c";
    a.log = b.log = c.log = &log;
    a.leave = true;
    p.AddListener(&a);
    p.AddListener(&b);
    p.AddListener(&c);
    p.SetValue(true);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
    log.clear();
    p.SetValue(false);
    EXPECT_EQ(log, (std::vector<std::string>{"b", "c"}));
    p.RemoveListener(&b);
    p.RemoveListener(&c);
    EXPECT_FALSE(p.HasListeners());
}

TEST_F(PropertyTest, TextSettings)
{
    ZPropertyText t("test.text", "", "", 0, ZProperty::kNoGroup, "renderd3d7");
    EXPECT_EQ(Text(t), "renderd3d7");
    t.SetFromText("renderopengl", false, false);
    EXPECT_EQ(t.GetValue(), "renderopengl");
    EXPECT_EQ(t.DefaultToText(), "renderd3d7");
    EXPECT_TRUE(t.EqualsText("renderopengl"));
    EXPECT_FALSE(t.EqualsText("RenderOpenGL"));
    const std::string longText(300, 'q');
    t.SetFromText(longText.c_str(), false, false);
    EXPECT_EQ(t.ToText(), longText); // the whole text, not a 128-byte cut
    t.SetFromText(nullptr, false, false);
    EXPECT_EQ(t.GetValue(), "");
}

// --- registry --------------------------------------------------------------------------------------

TEST_F(PropertyTest, RegistrySweepsTheChainAndTakesLaterSettings)
{
    EXPECT_FALSE(ZPropertyManager::HasInstance());
    ZPropertyInt early("test.early", "", "", 0, ZProperty::kNoGroup, 1, 10, 0);
    ZPropertyManager* m = ZPropertyManager::GetInstance();
    EXPECT_EQ(m->Find("test.static"), &g_staticSetting);
    EXPECT_EQ(m->Find("test.early"), &early);
    {
        ZPropertyInt late("test.late", "", "", 0, ZProperty::kNoGroup, 1, 10, 0);
        EXPECT_EQ(m->Find("test.late"), &late);
    }
    EXPECT_EQ(m->Find("test.late"), nullptr); // a dead setting leaves the registry
    EXPECT_EQ(m->FindTyped<int32_t>("test.early"), &early);
    EXPECT_EQ(m->FindTyped<float>("test.early"), nullptr);
}

TEST_F(PropertyTest, FirstSettingOfANameKeepsItEvenWhenTheSecondDies)
{
    ZPropertyManager* m = ZPropertyManager::GetInstance();
    ZPropertyInt first("test.same", "", "", 0, ZProperty::kNoGroup, 1, 10, 0);
    {
        ZPropertyInt second("test.same", "", "", 0, ZProperty::kNoGroup, 2, 10, 0);
        EXPECT_EQ(m->Find("test.same"), &first);
        EXPECT_FALSE(m->Add(&second));
    }
    EXPECT_EQ(m->Find("test.same"), &first);
}

TEST_F(PropertyTest, SetByNameAndCollectGroup)
{
    ZPropertyManager* m = ZPropertyManager::GetInstance();
    // A group of its own: the program holds the game's real "profile" settings too.
    const ZNameId profile("proptest");
    ZPropertyInt level("proptest.level", "", "", ZProperty::kSaved, profile, 1, 99, 1);
    ZPropertyInt score("proptest.score", "", "", ZProperty::kSaved | ZProperty::kAlwaysWrite, profile, 0,
                       1000000, 0);
    ZPropertyInt unsaved("proptest.temp", "", "", 0, profile, 0, 10, 0);
    ZPropertyBool mainCfg("test.saved", "", "", ZProperty::kSaved, ZProperty::kNoGroup, false);

    EXPECT_TRUE(m->SetByName("proptest.level", "12", false));
    EXPECT_EQ(level.GetValue(), 12);
    EXPECT_FALSE(m->SetByName("no.such.setting", "12", false));

    const ZPropertyManager::NameMap group = m->CollectGroup(profile);
    std::vector<std::string> names;
    for (const auto& [name, property] : group)
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"proptest.level", "proptest.score"}));
    const ZPropertyManager::NameMap mainGroup = m->CollectGroup(ZProperty::kNoGroup);
    EXPECT_TRUE(mainGroup.count("test.saved"));
    EXPECT_TRUE(mainGroup.count("test.static"));
}

struct CommandLineCase
{
    const char* word;
    const char* setting;
    const char* expected; // current value as text afterwards
};

TEST_F(PropertyTest, CommandLineSettingWords)
{
    ZPropertyManager* m = ZPropertyManager::GetInstance();
    ZPropertyInt width("test.width", "", "", 0, ZProperty::kNoGroup, 800, 4000, 640);
    ZPropertyText text("test.text", "", "", 0, ZProperty::kNoGroup, "start");
    ZPropertyBool flag("test.flag", "", "", 0, ZProperty::kNoGroup, true);
    const CommandLineCase cases[] = {
        {"--test.width=1024", "test.width", "1024"},
        {"--test.width=99999", "test.width", "4000"},
        {"--test.width", "test.width", "640"},  // no value: 0, brought into range
        {"--test.width=", "test.width", "800"}, // "test.width=" names no setting
        {"--test.text", "test.text", ""},       // no value: empty text
        {"--test.text='two words'", "test.text", "two words"},
        {"--test.text=\"a 'b' c\"", "test.text", "a 'b' c"},
        {"--test.text='open", "test.text", "open"}, // a single quote runs to the end
        {"--test.text=x'y'", "test.text", "x'y'"},  // quotes only count right after '='
        {"--test.text=a=b", "test.text", "a=b"},
        {"--test.flag", "test.flag", "false"},
        {"-test.flag=false", "test.flag", "true"}, // one dash: not a setting word
        {"test.flag=false", "test.flag", "true"},
    };
    for (const CommandLineCase& c : cases)
    {
        SCOPED_TRACE(c.word);
        width.SetFromText("800", true, false);
        text.SetFromText("start", true, false);
        flag.SetFromText("true", true, false);
        const char* words[] = {"quorvane", c.word};
        m->ApplyCommandLine(words, 2);
        ZProperty* p = m->Find(c.setting);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->ToText(), c.expected);
        EXPECT_TRUE(p->IsDefault()); // command-line values become the defaults too
    }
}

// --- the command setting ---------------------------------------------------------------------------

struct GiveHandler : ICommandListener
{
    std::vector<std::vector<std::string>> runs;
    std::string command;
    void Execute(const char* name, const std::vector<std::string>& arguments) override
    {
        command = name;
        runs.push_back(arguments);
    }
    bool IsDefault() const override { return false; }
    bool EqualsText(const char* text) const override { return std::strcmp(text, "same") == 0; }
    void GetCurrentText(char* buffer, size_t size) const override
    {
        std::snprintf(buffer, size, "%s", "now");
    }
};

TEST_F(PropertyTest, GiveCommandSplitsItsTextAndForwardsQueries)
{
    ZPropertyManager* m = ZPropertyManager::GetInstance();
    GiveHandler handler;
    ZPropertyCommand* give = m->AddCommand(&handler);
    ASSERT_NE(give, nullptr);
    EXPECT_EQ(m->Find("give"), give);
    EXPECT_EQ(m->AddCommand(&handler), nullptr);

    m->SetByName("give", "coins \t 100", false);
    m->SetByName("give", "", false);
    std::string longText;
    for (int i = 0; i < 60; ++i)
        longText += "item ";
    m->SetByName("give", longText.c_str(), false); // 300 characters, only the first 256 count
    ASSERT_EQ(handler.runs.size(), 3u);
    EXPECT_EQ(handler.command, "give");
    EXPECT_EQ(handler.runs[0], (std::vector<std::string>{"coins", "100"}));
    EXPECT_TRUE(handler.runs[1].empty());
    EXPECT_EQ(handler.runs[2].size(), 52u); // 51 whole words and the "i" cut at character 256
    EXPECT_EQ(handler.runs[2].back(), "i");

    EXPECT_EQ(give->ToText(), "now");
    EXPECT_EQ(give->DefaultToText(), "");
    EXPECT_TRUE(give->EqualsText("same"));
    EXPECT_FALSE(give->IsDefault());
    EXPECT_TRUE(give->HasFlags(ZProperty::kCommand));
    // The registry deletes it (a leak or double delete shows in sanitizer builds).
}

TEST(StaticArray, FixedCapacityAndOrderedErase)
{
    ZSettingsManager* settings = ZSettingsManager::GetInstance();
    EXPECT_EQ(settings->Capacity(), 32u);
    EXPECT_EQ(settings->Size(), 0u);
    for (int i = 0; i < 32; ++i)
        EXPECT_TRUE(settings->PushBack({std::to_string(i), "x"}));
    EXPECT_FALSE(settings->PushBack({"33rd", "x"}));
    EXPECT_EQ(settings->Size(), 32u);
    EXPECT_TRUE(settings->Erase(31));
    EXPECT_EQ(settings->Size(), 31u);
    EXPECT_TRUE(settings->Erase(1));
    EXPECT_EQ((*settings)[0].name, "0");
    EXPECT_EQ((*settings)[1].name, "2");
    EXPECT_EQ((*settings)[29].name, "30");
    EXPECT_FALSE(settings->Erase(30));
    settings->Clear();
    settings->PopBack();
    EXPECT_EQ(settings->Size(), 0u);
    ZSettingsManager::DestroyInstance();
}
} // namespace
