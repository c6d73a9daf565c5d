// The shipped campaign: "levelcontrol.xml" and its boards hold together, and a player who wins
// every dive is led through the whole script, region by region, with every screen on the way.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "engine/import/ZStoryXMLImport.h"
#include "tests/dive/campaign/CampaignTestSupport.h"

using camptest::CampaignTest;

namespace
{
const char* const kThemes[] = {"sand", "coral", "shipwreck", "volcano", "deepwater", "sunkencity"};

std::string DataFile(const std::string& name)
{
    return qvtest::ReadWholeFile(std::string(QV_SOURCE_DIR) + "/data/" + name);
}

// The board rules the loader enforces, read the same way: property lines, grid rows, and cells
// that take an artifact letter.
struct BoardFacts
{
    std::map<std::string, std::string> keys;
    std::vector<std::string> rows;
    int artifactCells = 0;
    int exits = 0;
    int spawns = 0;
};

BoardFacts ReadBoard(const std::string& text)
{
    BoardFacts facts;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.rfind("//", 0) == 0 || line[0] == '#')
            continue;
        if (line[0] == '@')
        {
            const size_t colon = line.find(':');
            if (colon == std::string::npos)
                continue;
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(" \t"));
            value.erase(value.find_last_not_of(" \t") + 1);
            facts.keys[line.substr(1, colon - 1)] = value;
            continue;
        }
        facts.rows.push_back(line);
        for (char c : line)
        {
            if (c == 'E')
                ++facts.exits;
            else if (c == 's')
                ++facts.spawns;
            else if (c != ' ' && std::string("CZHLl0?Q12345").find(c) == std::string::npos)
                ++facts.artifactCells;
        }
    }
    return facts;
}

class ShippedCampaignTest : public CampaignTest
{
protected:
    void SetUp() override
    {
        CampaignTest::SetUp();
        ASSERT_EQ(campaign->LoadScriptText(DataFile("levelcontrol.xml")), 0);
    }
};
} // namespace

TEST_F(ShippedCampaignTest, SixRegionsOfRisingDifficultyWithAMapAfterEveryDive)
{
    const auto& levels = campaign->GetLevels();
    ASSERT_GE(levels.size(), 60u);
    std::map<int, int> perTheme;
    int lastTheme = 0;
    int lastDifficulty = 0;
    for (ZLevel* level : levels)
    {
        SCOPED_TRACE(level->GetBoardName());
        ++perTheme[level->theme];
        EXPECT_GE(level->theme, lastTheme) << "regions come one after another";
        lastTheme = level->theme;
        // Named after its region, so the model's starter boards never collide with it.
        EXPECT_EQ(level->GetBoardName().rfind(kThemes[level->theme], 0), 0u);

        const std::string text = DataFile("boards/" + level->GetBoardName());
        ASSERT_FALSE(text.empty()) << "no board file";
        BoardFacts board = ReadBoard(text);
        for (const char* key : {"complete", "bronze", "silver", "gold", "time", "tokens", "difficulty"})
            EXPECT_TRUE(board.keys.count(key)) << key;
        size_t artifacts = 0;
        for (const char* key : {"complete", "bronze", "silver", "gold"})
            artifacts += board.keys[key].size();
        EXPECT_GE(artifacts, 4u);
        EXPECT_LE(artifacts, 12u);
        EXPECT_LE(size_t(board.artifactCells), artifacts);
        // The board keeps as many artifacts in play as it starts with: none at the start, none ever.
        EXPECT_GE(board.artifactCells, 1);
        EXPECT_GT(board.exits, 0);
        EXPECT_GT(board.spawns, 0);
        int tokenNames = 1;
        for (char c : board.keys["tokens"])
            tokenNames += c == ',';
        EXPECT_GE(tokenNames, 5);
        EXPECT_GT(std::atof(board.keys["time"].c_str()), 60.0);
        const int difficulty = std::atoi(board.keys["difficulty"].c_str());
        EXPECT_GE(difficulty, 1);
        EXPECT_LE(difficulty, 5);
        EXPECT_GE(difficulty, lastDifficulty) << "difficulty never falls";
        lastDifficulty = difficulty;
        for (const std::string& row : board.rows)
            EXPECT_LE(row.size(), 127u);
    }
    EXPECT_EQ(lastDifficulty, 5);
    for (int theme = 0; theme < 6; ++theme)
        EXPECT_GE(perTheme[theme], 8) << kThemes[theme];

    // A map before the first dive and after every one; events only inside screen entries.
    const auto& entries = campaign->GetEntries();
    bool mapSinceLevel = false;
    for (ZLevelControlEntry* entry : entries)
    {
        EXPECT_EQ(ZEntityCast<ZLevelEvent>(entry), nullptr) << "an event outside a screen, entry " << entry->lci;
        if (entry->IsCheckpoint())
            mapSinceLevel = true;
        if (ZLevel* level = ZEntityCast<ZLevel>(entry))
        {
            EXPECT_TRUE(mapSinceLevel) << "no map before " << level->GetBoardName();
            mapSinceLevel = false;
        }
    }
    EXPECT_TRUE(entries.back()->IsCheckpoint());
}

TEST_F(ShippedCampaignTest, ShopsBonusGamesCrewAndUnlocksAppearAlongTheWay)
{
    std::set<int> shops, bonusGames;
    std::set<std::string> crew, stories, settings;
    int amulet = 0;
    for (ZLevelControlEntry* entry : campaign->GetEntries())
    {
        ZLevelState* screen = ZEntityCast<ZLevelState>(entry);
        if (!screen)
            continue;
        EXPECT_NE(screen->kind, ZLevelState::kNone);
        EXPECT_NE(screen->kind, ZLevelState::kBigStory);
        if (screen->kind == ZLevelState::kShop)
            shops.insert(screen->level);
        if (screen->kind == ZLevelState::kBonus)
            bonusGames.insert(screen->level);
        if (screen->kind == ZLevelState::kCharacters)
            crew.insert(screen->value);
        if (screen->kind == ZLevelState::kStory)
            stories.insert(screen->story);
        for (const auto& child : screen->GetChildren())
        {
            if (ZLevelProperty* property = ZEntityCast<ZLevelProperty>(child.get()))
            {
                settings.insert(property->name);
                if (property->name == "profile.amulet")
                    amulet = std::max(amulet, std::atoi(property->value.c_str()));
            }
        }
    }
    // Every story entry opens a page of the story file, and so does every place the map learns about.
    const std::string storyText = DataFile("localized/en/story.xml");
    std::set<std::string> pages;
    std::set<std::string> next;
    const std::regex idPattern("<paragraph\\s+id=\"([a-z0-9_]+)\""), nextPattern("\\bnext=\"([a-z0-9_]+)\"");
    for (auto it = std::sregex_iterator(storyText.begin(), storyText.end(), idPattern); it != std::sregex_iterator(); ++it)
        pages.insert((*it)[1]);
    for (auto it = std::sregex_iterator(storyText.begin(), storyText.end(), nextPattern); it != std::sregex_iterator();
         ++it)
        next.insert((*it)[1]);
    for (const std::string& story : stories)
        EXPECT_TRUE(pages.count(story)) << "no story page " << story;
    for (const std::string& name : settings)
    {
        if (name.rfind("profile.", 0) == 0 && name.size() > 13 && name.compare(name.size() - 5, 5, ".info") == 0)
        {
            EXPECT_TRUE(pages.count("info_" + name.substr(8, name.size() - 13))) << name;
        }
    }
    for (const std::string& id : next)
        EXPECT_TRUE(pages.count(id)) << "a page leads to the missing page " << id;
    ZStoryXMLImport storyImport;
    ASSERT_EQ(storyImport.ImportBuffer(storyText.data(), storyText.size()), 0);
    EXPECT_EQ(storyImport.GetParagraphs().size(), pages.size());

    EXPECT_EQ(shops, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(bonusGames, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(crew.size(), 5u);
    EXPECT_GE(stories.size(), 6u);
    EXPECT_EQ(amulet, 5);
    for (const char* name : {"profile.rotation", "profile.introduceamulet", "profile.toolbelt", "profile.shoplevel",
                             "profile.bonuslevel", "profile.crewsize", "profile.showlevels", "zelk.theme",
                             "unlock.breaktile", "unlock.skiplevel", "zelk.shop1_unlock_rotate"})
        EXPECT_TRUE(settings.count(name)) << name;
}

TEST_F(ShippedCampaignTest, APlayerWhoWinsEveryDiveIsLedThroughTheWholeCampaign)
{
    // Stand-ins for every screen the script names.
    std::vector<ZGameState*> screens;
    for (const char* name : {"ZMapScreen", "ZGameStoryScreen", "ZCharacterScreen", "ZShop0", "ZShop1", "ZShop2",
                             "ZHiddenObjectGame0", "ZHiddenObjectGame1", "ZHiddenObjectGame2"})
        screens.push_back(Own(new uitest::ScreenState(name)));
    for (ZGameState* s : screens)
        s->Init();
    PlayFromMainMenu();

    std::map<std::string, int> shown;
    for (int guard = 0; guard < 2000 && dive->started.size() < campaign->GetLevels().size() + 1; ++guard)
    {
        const std::string top = TopName();
        ++shown[top];
        if (top == "ZMapScreen")
        {
            if (campaign->GetEntryIndex() == int(campaign->GetEntries().size()) - 1)
                break;
            campaign->SelectLevel(campaign->GetFurthestLevelIndex());
            ReturnToCampaign();
        }
        else if (top == "ZInGame")
        {
            campaign->GetLastLevel()->medal = kMedalGold;
            ReturnToCampaign();
        }
        else
        {
            game->PopState();
            Step(3);
        }
    }
    const auto& levels = campaign->GetLevels();
    for (size_t i = 0; i < dive->started.size(); ++i)
        if (i >= levels.size() || dive->started[i] != levels[i]->GetBoardName())
            ADD_FAILURE() << "dive " << i << " " << dive->started[i];
    ASSERT_EQ(dive->started.size(), levels.size());
    for (size_t i = 0; i < levels.size(); ++i)
    {
        EXPECT_EQ(dive->started[i], levels[i]->GetBoardName());
        EXPECT_EQ(levels[i]->medal, kMedalGold);
    }
    EXPECT_EQ(campaign->GetEntryIndex(), int(campaign->GetEntries().size()) - 1);
    EXPECT_EQ(shown["ZMapScreen"], int(levels.size()) + 1);
    EXPECT_EQ(shown["ZShop0"] + shown["ZShop1"] + shown["ZShop2"], 3);
    EXPECT_EQ(shown["ZHiddenObjectGame0"] + shown["ZHiddenObjectGame1"] + shown["ZHiddenObjectGame2"], 3);
    EXPECT_EQ(shown["ZCharacterScreen"], 5);
    EXPECT_GE(shown["ZGameStoryScreen"], 6);
    EXPECT_EQ(SettingText("zelk.theme"), "sunkencity");
}
