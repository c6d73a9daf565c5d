// Localized texts used as formats: only the conversions the caller gives are filled in; any other
// text, however many "%" it holds, is shown as it stands.
#include <gtest/gtest.h>

#include "engine/core/ZTextFormat.h"

TEST(TextFormat, FillsOnlyTheExpectedConversions)
{
    struct Case
    {
        const char* format;
        std::string expected;
    } const oneNumber[] = {
        {"%d seconds left", "3 seconds left"},
        {"Closing in %i", "Closing in 3"},
        {"100%% after %i", "100% after 3"},
        // Anything else is printed literally rather than read from arguments that are not there.
        {"%s seconds", "%s seconds"},
        {"%n%n%n", "%n%n%n"},
        {"%d of %d", "%d of %d"},
        {"no number", "no number"},
        {"%5d", "%5d"},
        {"cut off %", "cut off %"},
    };
    for (const Case& c : oneNumber)
        EXPECT_EQ(FormatChecked(c.format, {3}), c.expected) << c.format;
    EXPECT_EQ(FormatChecked("Level %i: %s", {4, "Reef"}), "Level 4: Reef");
    EXPECT_EQ(FormatChecked("Level %s: %i", {4, "Reef"}), "Level %s: %i");
    EXPECT_EQ(FormatChecked("Unlock %s?", {nullptr}), "Unlock ?");
    EXPECT_EQ(FormatChecked(nullptr, {1}), "");
    EXPECT_EQ(FormatChecked("%i", {int64_t(-2147483649)}), "-2147483649");
}
