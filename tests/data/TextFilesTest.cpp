// The authored text files of the game folder: strings, settings, shader definitions, names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>

#include <expat.h>

#include "data/GameFolder.h"

namespace
{

using namespace qvtest;

struct Strings
{
    std::map<std::string, std::string> texts;
    std::vector<std::string> duplicates;
};

void OnElement(void* user, const XML_Char*, const XML_Char** attributes)
{
    auto* strings = static_cast<Strings*>(user);
    const char* key = nullptr;
    const char* value = nullptr;
    for (int i = 0; attributes[i]; i += 2)
    {
        if (std::string(attributes[i]) == "key")
            key = attributes[i + 1];
        else if (std::string(attributes[i]) == "value")
            value = attributes[i + 1];
    }
    if (key && value && !strings->texts.emplace(key, value).second)
        strings->duplicates.push_back(key);
}

// The printf conversions of a text, in order ("%%" is a literal percent sign).
std::string Conversions(const std::string& text)
{
    std::string found;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] != '%')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '%')
        {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < text.size() && std::strchr("-+ #0123456789.", text[j]))
            ++j;
        found += j < text.size() ? text[j] : '?';
        i = j;
    }
    return found;
}

TEST(Strings, ParseCompletelyWithUniqueKeysAndSafeFormats)
{
    const std::string xml = ArchiveText("localized/en/strings.xml");
    ASSERT_FALSE(xml.empty());
    Strings strings;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &strings);
    XML_SetStartElementHandler(parser, OnElement);
    ASSERT_EQ(XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1), XML_STATUS_OK)
        << XML_ErrorString(XML_GetErrorCode(parser));
    XML_ParserFree(parser);
    EXPECT_TRUE(strings.duplicates.empty()) << strings.duplicates.front();

    // Texts the code formats: exactly these conversions, anything else would be undefined.
    const std::map<std::string, std::string> formats = {
        {"tip.secsleft", "i"},  {"tip.closingin", "i"},    {"general.plusfxp", "i"},
        {"general.fxp", "i"},   {"crew.levelstring", "i"}, {"preview.title", "is"},
        {"preview.level", "i"}, {"shop.areyousure", "i"},  {"shop.unlock", "s"}};
    size_t total = 0;
    for (const auto& [key, text] : strings.texts)
    {
        total += key.size() + text.size() + 2;
        auto format = formats.find(key);
        std::string conversions = Conversions(text);
        std::replace(conversions.begin(), conversions.end(), 'd', 'i');
        // The bonus levels' intros ("ho<n>.<level>.intro") take the count to find.
        const bool intro = key.size() > 10 && key.compare(0, 2, "ho") == 0 && key[3] == '.' &&
                           key.compare(key.size() - 6, 6, ".intro") == 0;
        EXPECT_EQ(conversions, format != formats.end() ? format->second : (intro ? "i" : "")) << key << ": " << text;
    }
    for (const auto& [key, conversions] : formats)
        EXPECT_TRUE(strings.texts.count(key)) << key;
    EXPECT_LT(total, 200u * 1024u) << "the text pool holds 256 KiB, keys added at run time included";
    // The keys the engine and the first screens ask for.
    for (const char* key :
         {"system.resolution", "system.resolution.title", "tip.clicktoclose", "tip.movetoclose",
          "general.sure", "settings.restart", "general.player", "game.paused", "gameover.complete",
          "shop.shop0", "shop.shop1", "shop.shop2", "button.start", "button.continue"})
        EXPECT_TRUE(strings.texts.count(key)) << key;
}

// Property text as the engine reads it: "key = value [# comment]".
TEST(SystemConfig, EveryLineIsASettingOrACommentWithAPlainValue)
{
    const std::string text = ReadText(GameDir() / "system.cfg");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    std::map<std::string, std::string> settings;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
    {
        size_t hash = line.find('#'), eq = line.find('=');
        if (line.find_first_not_of(" \t") == std::string::npos || (hash != std::string::npos && hash < eq))
            continue;
        ASSERT_NE(eq, std::string::npos) << line;
        auto trim = [](std::string s)
        {
            s.erase(0, s.find_first_not_of(" \t"));
            s.erase(s.find_last_not_of(" \t") + 1);
            return s;
        };
        std::string key = trim(line.substr(0, eq));
        std::string value =
            trim(line.substr(eq + 1, hash == std::string::npos ? std::string::npos : hash - eq - 1));
        EXPECT_LE(value.size(), 127u) << key;
        EXPECT_TRUE(settings.emplace(key, value).second) << key << " given twice";
    }
    EXPECT_EQ(settings["engine.render.system"], "renderopengl");
    EXPECT_EQ(settings["engine.audio.system"], "directsound");
    EXPECT_EQ(settings["engine.input.system"], "windows");
    // The archive is shipped, so it must not be switched off.
    EXPECT_FALSE(settings.count("game.disableresourcefile"));
}

// Shader definitions: blocks the reader accepts, with the base colour set and indices in range.
TEST(ShaderDefinitions, DefineTheRequiredShadersWithinTheMaterialRanges)
{
    const std::string text = ReadText(GameDir() / "shaders.def");
    std::istringstream in(text);
    std::string line, current;
    std::map<std::string, std::set<std::string>> shaders; // name -> "code", "color0"
    const std::map<std::string, int> limits = {{"bool", 30}, {"int", 4},        {"float", 4}, {"vector", 4},
                                               {"color", 4}, {"texturemap", 2}, {"matrix", 2}};
    while (std::getline(in, line))
    {
        std::vector<std::string> tokens;
        std::string token;
        for (char c : line + " ")
        {
            if (c == ' ' || c == ',' || c == '\t' || c == '\r')
            {
                if (!token.empty())
                    tokens.push_back(token);
                token.clear();
            }
            else
                token += c;
        }
        if (tokens.empty() || tokens[0].rfind("//", 0) == 0)
            continue;
        EXPECT_LE(line.size(), 1023u);
        if (tokens[0] == "shaderdef")
        {
            EXPECT_TRUE(current.empty()) << "nested shaderdef " << tokens[1];
            ASSERT_GE(tokens.size(), 2u);
            current = tokens[1];
            EXPECT_FALSE(shaders.count(current)) << current << " defined twice";
            shaders[current];
            continue;
        }
        ASSERT_FALSE(current.empty()) << "line outside a shaderdef block: " << line;
        if (tokens[0] == "end")
        {
            EXPECT_TRUE(shaders[current].count("code")) << current << " has no shadercode";
            EXPECT_TRUE(shaders[current].count("color0")) << current << " leaves colour 0 (opacity) unset";
            current.clear();
            continue;
        }
        if (tokens[0] == "shadercode")
        {
            ASSERT_GE(tokens.size(), 2u);
            EXPECT_TRUE(tokens[1] == "sprite_ffp" || tokens[1] == "standard_ffp") << tokens[1];
            shaders[current].insert("code");
            continue;
        }
        ASSERT_GE(tokens.size(), 4u) << line;
        auto limit = limits.find(tokens[0]);
        ASSERT_NE(limit, limits.end()) << "unknown parameter type: " << line;
        int index = std::stoi(tokens[1]);
        EXPECT_GE(index, 0) << line;
        EXPECT_LT(index, limit->second) << line;
        if (tokens[0] == "bool")
        {
            EXPECT_TRUE(tokens[3] == "true" || tokens[3] == "false") << line;
        }
        if (tokens[0] == "color")
        {
            EXPECT_EQ(tokens[3].size(), 8u) << line;
            EXPECT_EQ(tokens[3].find_first_not_of("0123456789abcdefABCDEF"), std::string::npos) << line;
            if (index == 0)
                shaders[current].insert("color0");
        }
    }
    EXPECT_TRUE(current.empty()) << "unterminated block " << current;
    for (const char* required : {"sprite", "font", "standard"})
        EXPECT_TRUE(shaders.count(required)) << required;
}

TEST(GameFolder, EveryNameIsLowerCaseAscii)
{
    auto check = [](const std::string& name, const std::string& where)
    {
        for (char c : name)
            EXPECT_TRUE(std::islower(static_cast<unsigned char>(c)) ||
                        std::isdigit(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-' ||
                        c == '/')
                << where << ": " << name;
    };
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(GameHome()))
    {
        check(fs::relative(entry.path(), GameHome()).string(), "game folder");
        ++files;
    }
    EXPECT_GT(files, 80);
    ZipReader zip(GameDir() / "resources.brn");
    ASSERT_TRUE(zip.Ok()) << zip.Error();
    for (const ZipEntry& entry : zip.Entries())
        check(entry.name, "archive");
}

} // namespace
