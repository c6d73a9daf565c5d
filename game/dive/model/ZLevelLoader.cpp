// Board files: the check that refuses malformed ones, the cell table and the analysis.
#include "game/dive/model/ZLevelLoader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "engine/core/ZNameId.h"
#include "engine/core/ZRandom.h"
#include "engine/core/ZUtil.h"
#include "engine/fs/ZFile.h"
#include "engine/resource/ZStringTable.h"
#include "game/dive/model/ZArtifact.h"

namespace
{
constexpr const char* kRequiredKeys[] = {"complete", "bronze", "silver", "gold", "time", "tokens"};
constexpr const char* kMedalKeys[] = {"complete", "bronze", "silver", "gold"};
// A grid taller than this is no board (and would make a huge tile array).
constexpr int32_t kMaxRows = 127;

// Token names of a "tokens" value: split at ",", empty pieces skipped.
std::vector<std::string> SplitNames(std::string_view value)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= value.size())
    {
        const size_t comma = std::min(value.find(',', start), value.size());
        if (comma > start)
            names.emplace_back(value.substr(start, comma - start));
        start = comma + 1;
    }
    return names;
}

// Localized text of a key; the key itself without a string table.
std::string LocalText(const std::string& key)
{
    if (ZStringTable* table = ZStringTable::PeekInstance())
    {
        const char* text = table->GetText(key.c_str());
        return text ? text : key;
    }
    return key;
}

bool HasText(const std::string& key)
{
    ZStringTable* table = ZStringTable::PeekInstance();
    return table && table->Find(key.c_str());
}
} // namespace

SCellMeaning ClassifyCell(int8_t cell)
{
    SCellMeaning meaning;
    if (cell <= 0 || cell == 'E' || cell == ' ')
        return meaning;
    switch (cell)
    {
    case 'C':
        return {kCellRandom, 4, -1};
    case 'Z':
        return {kCellRandom, 5, -1};
    case 'H':
        return {kCellRandom, 6, -1};
    case 'L':
    case 'l':
        return {kCellNone, 1, -1};
    case 'M':
    case 'm':
        return {kCellArtifact, 2, -1};
    case 'N':
    case 'n':
        return {kCellArtifact, 3, -1};
    case '0':
        return {kCellWaiting, 0, -1};
    case '?':
    case 'Q':
        return {kCellRandom, 0, -1};
    case 's':
        return {kCellSpawn, 0, -1};
    default:
        break;
    }
    if (cell >= '1' && cell <= '5')
        return {kCellToken, 0, cell - '1'};
    return {kCellArtifact, 0, -1};
}

ZLevelLoader::ZLevelLoader()
{
    Reset();
}

void ZLevelLoader::Reset()
{
    m_features.clear();
    m_tokenNames.clear();
    m_artifactLetters.clear();
    std::fill(std::begin(m_thresholds), std::end(m_thresholds), 0);
    m_lastEmptyMedal = 0;
    m_difficulty = 2;
    m_airTime = 0.0f;
    m_freeze = false;
    m_chains = m_doubleChains = m_freezes = m_holes = 0;
    m_artifactCells = 0;
    m_tip.clear();
    m_tip2.clear();
    m_music.clear();
    m_levelName.clear();
    m_levelDescription.clear();
    ClearGrid();
    SetEmptyCells(" E");
}

void ZLevelLoader::BeginImport()
{
    Reset();
}

int8_t ZLevelLoader::GetCellAt(int32_t column, int32_t row) const
{
    return GetCell(column, row);
}

std::string ZLevelLoader::CheckText(std::string_view text, int32_t* line)
{
    int32_t dummy = 0;
    if (!line)
        line = &dummy;
    *line = 0;
    std::set<std::string, std::less<>> keys;
    int32_t tokensLine = 0;
    std::string tokensValue;
    std::string medalValues[4];
    int32_t lastMedalLine = 0;
    int32_t rows = 0;
    int32_t artifactCells = 0;
    // The first artifact cell past the letters is reported once the gold total is known.
    std::vector<std::pair<int32_t, int32_t>> artifactLines; // (line, count so far)

    if (text.starts_with("\xEF\xBB\xBF"))
    {
        *line = 1;
        return "a byte-order mark at the start (save the board as plain ASCII text)";
    }
    int32_t number = 0;
    size_t position = 0;
    while (position < text.size())
    {
        size_t end = text.find_first_of("\r\n", position);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view current = text.substr(position, end - position);
        ++number;
        position = end + 1;
        if (end < text.size() && text[end] == '\r' && position < text.size() && text[position] == '\n')
            ++position;
        if (current.find('\0') != std::string_view::npos)
        {
            *line = number;
            return "binary data (a NUL byte) in a text file";
        }
        if (current.empty() || current.starts_with("//") || current.starts_with("#"))
            continue;
        if (current[0] == '@')
        {
            for (unsigned char c : current)
            {
                if (c < 0x20 && c != '\t')
                {
                    *line = number;
                    return FormatShort("control character 0x%02x in a property line", c);
                }
            }
            size_t start = 1;
            while (start < current.size() && (current[start] == ' ' || current[start] == '\t'))
                ++start;
            const size_t colon = current.find(':', start);
            if (colon == std::string_view::npos)
                continue;
            std::string key(current.substr(start, colon - start));
            std::string_view value = current.substr(colon + 1);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
                value.remove_prefix(1);
            while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
                value.remove_suffix(1);
            if (key == "tokens")
            {
                tokensLine = number;
                tokensValue = value;
            }
            for (int32_t m = 0; m < 4; ++m)
            {
                if (key == kMedalKeys[m])
                {
                    medalValues[m] = value;
                    lastMedalLine = std::max(lastMedalLine, number);
                }
            }
            keys.insert(std::move(key));
            continue;
        }
        // A grid row; trailing blanks do not count.
        std::string_view row = current;
        while (!row.empty() && row.back() == ' ')
            row.remove_suffix(1);
        if (int32_t(row.size()) > kMaxRowLength)
        {
            *line = number;
            return FormatShort("row of %zu characters (at most %d)", row.size(), kMaxRowLength);
        }
        for (size_t i = 0; i < row.size(); ++i)
        {
            const unsigned char c = static_cast<unsigned char>(row[i]);
            if (c < 0x20 || c > 0x7e)
            {
                *line = number;
                return FormatShort("unknown cell character 0x%02x in column %zu", c, i + 1);
            }
            if (ClassifyCell(int8_t(c)).start == kCellArtifact)
            {
                ++artifactCells;
                artifactLines.emplace_back(number, artifactCells);
            }
        }
        if (++rows > kMaxRows)
        {
            *line = number;
            return FormatShort("more than %d grid rows", kMaxRows);
        }
    }
    for (const char* key : kRequiredKeys)
    {
        if (!keys.contains(key))
            return FormatShort("missing key \"@%s\"", key);
    }
    if (rows == 0)
        return "no grid rows";
    if (int32_t(SplitNames(tokensValue).size()) < kMinTokenNames)
    {
        *line = tokensLine;
        return FormatShort("\"@tokens\" names %zu token types (at least %d)", SplitNames(tokensValue).size(),
                           kMinTokenNames);
    }
    size_t gold = 0;
    for (const std::string& value : medalValues)
        gold += value.size();
    if (gold > size_t(kMaxArtifacts))
    {
        *line = lastMedalLine;
        return FormatShort("the medal values hold %zu artifacts (at most %d)", gold, kMaxArtifacts);
    }
    for (const auto& [artifactLine, count] : artifactLines)
    {
        if (size_t(count) > gold)
        {
            *line = artifactLine;
            return FormatShort("artifact cell %d of a level with %zu artifact letters", count, gold);
        }
    }
    return {};
}

int32_t ZLevelLoader::Refuse(const char* path, std::string problem, int32_t line)
{
    Reset();
    m_error = std::move(problem);
    m_errorLine = line;
    if (line > 0)
        std::fprintf(stderr, "Board %s:%d: %s; the level is refused\n", path, line, m_error.c_str());
    else
        std::fprintf(stderr, "Board %s: %s; the level is refused\n", path, m_error.c_str());
    return kLoadMalformed;
}

int32_t ZLevelLoader::Load(const char* path)
{
    std::string text;
    if (ReadFileText(path, text) != 0)
    {
        std::fprintf(stderr, "Board %s: cannot be read\n", path ? path : "(none)");
        return kLoadUnreadable;
    }
    return LoadText(text, path);
}

int32_t ZLevelLoader::LoadText(std::string_view text, const char* name)
{
    const char* shown = name ? name : "(none)";
    int32_t line = 0;
    std::string problem = CheckText(text, &line);
    if (!problem.empty())
        return Refuse(shown, std::move(problem), line);
    m_error.clear();
    m_errorLine = 0;
    ImportText(text);
    SetFileNameFromPath(shown);
    Analyse();
    if (m_artifactCells > int32_t(m_artifactLetters.size()))
        return Refuse(shown, "more artifact cells than artifact letters", 0);
    return kLoadOk;
}

float ZLevelLoader::ParseAirTime(const char* text)
{
    if (!text)
        return 0.0f;
    if (std::strncmp(text, "PI", 2) != 0)
        return float(std::atof(text));
    const char* rest = text + 2;
    if (*rest == 0)
        return 3.1415927f;
    if (rest[0] == '2' && rest[1] == 0)
        return 6.2831855f;
    if (rest[0] == '/' && rest[1] >= '1' && rest[1] <= '9' && rest[2] == 0)
        return float(double(3.1415927f) / double(rest[1] - '0'));
    // Other "PI" forms (and "PI/0", which would divide by zero) read as 0.
    return 0.0f;
}

void ZLevelLoader::Analyse()
{
    const std::string& fileName = GetFileName();
    RandomSeed(ZNameHash(int32_t(fileName.size()), fileName.c_str()));

    const int32_t width = GetWidth();
    const int32_t height = GetHeight();
    const int32_t left = GetFirstUsedColumn();
    const int32_t top = GetFirstUsedRow();
    auto solid = [this](int32_t x, int32_t y)
    {
        const int8_t c = GetCell(x, y);
        return c != 0 && c != 'E';
    };
    std::set<std::string> features;
    m_chains = m_doubleChains = m_freezes = m_holes = 0;
    m_artifactCells = 0;
    for (int32_t y = 0; y < height; ++y)
    {
        for (int32_t x = 0; x < width; ++x)
        {
            const int8_t c = GetCell(x, y);
            if (ClassifyCell(c).start == kCellArtifact)
                ++m_artifactCells;
            if (c == 'C')
            {
                ++m_chains;
                features.insert("chain");
            }
            else if (c == 'Z')
            {
                ++m_doubleChains;
                features.insert("2xchain");
            }
            else if (c == 'H')
            {
                ++m_freezes;
                features.insert("freeze");
                m_freeze = true;
            }
            else if (c == 0)
            {
                bool solidRight = false;
                for (int32_t r = x + 1; r < width && !solidRight; ++r)
                    solidRight = solid(r, y);
                if (solidRight && x > left && y != height - 1 && y > top && x < width - 1 && solid(x + 1, y) &&
                    solid(x, y - 1))
                {
                    ++m_holes;
                    features.insert("hole");
                }
            }
        }
    }
    m_features.assign(features.begin(), features.end());

    size_t lengths[4] = {};
    for (int32_t m = 0; m < 4; ++m)
    {
        const char* value = GetProperty(kMedalKeys[m]);
        lengths[m] = value ? std::strlen(value) : 0;
    }
    m_thresholds[0] = int32_t(lengths[0]);
    for (int32_t m = 1; m < 4; ++m)
        m_thresholds[m] = m_thresholds[m - 1] + int32_t(lengths[m]);
    m_lastEmptyMedal = 0;
    for (int32_t m = 1; m < 4; ++m)
    {
        if (m_thresholds[m] == m_thresholds[m - 1])
            m_lastEmptyMedal = m;
    }

    if (const char* tip = GetProperty("tip"))
        m_tip = tip;
    if (const char* tip2 = GetProperty("tip2"))
        m_tip2 = tip2;
    if (const char* music = GetProperty("music"))
        m_music = music;

    m_artifactLetters.clear();
    for (int32_t i = 0; i < m_thresholds[3]; ++i)
        m_artifactLetters.push_back(uint8_t(kArtifactDrawLetters[RandomNext() & 7u]));

    m_airTime = ParseAirTime(GetProperty("time"));

    m_tokenNames.clear();
    if (const char* tokens = GetProperty("tokens"))
        m_tokenNames = SplitNames(tokens);

    PickTexts();
    ComputeDifficulty();
}

void ZLevelLoader::PickTexts()
{
    std::string nameKey;
    std::string descKey;
    const char* type = GetProperty("type");
    if (type && HasText(std::string("dive.") + type + ".desc") && HasText(std::string("dive.") + type + ".name"))
    {
        nameKey = std::string("dive.") + type + ".name";
        descKey = std::string("dive.") + type + ".desc";
    }
    else
    {
        const char* kind = "default";
        if (m_freeze)
            kind = m_chains == 0 && m_doubleChains == 0 ? "cold" : "blandet";
        else if (m_chains == 0 && m_doubleChains == 0)
            kind = "default";
        else if (m_doubleChains == 0 && m_chains <= 8)
            kind = "chains";
        else
            kind = "morechains";
        nameKey = std::string("dive.") + kind + ".name";
        descKey = std::string("dive.") + kind + ".desc";
    }
    m_levelName = LocalText(nameKey);
    m_levelDescription = LocalText(descKey);
    if (const char* name = GetProperty("name"))
        m_levelName = LocalText(name);
    if (const char* desc = GetProperty("desc"))
        m_levelDescription = LocalText(desc);
}

void ZLevelLoader::ComputeDifficulty()
{
    if (const char* difficulty = GetProperty("difficulty"))
    {
        m_difficulty = std::atoi(difficulty);
        return;
    }
    const int32_t base = std::clamp(int32_t(m_artifactLetters.size()) / 3, 0, 5);
    float bonus = 0.0f;
    if (m_freezes > 0)
        bonus += 0.5f;
    if (m_freezes > 2)
        bonus += 0.5f;
    if (m_chains > 0)
        bonus += 0.25f;
    if (m_chains > 6)
        bonus += 0.25f;
    if (m_chains > 10)
        bonus += 0.25f;
    if (m_doubleChains > 0)
        bonus += 0.25f;
    if (m_doubleChains > 6)
        bonus += 0.25f;
    if (m_holes > 4)
        bonus += 0.25f;
    if (m_holes > 8)
        bonus += 0.25f;
    m_difficulty = std::clamp(int32_t(bonus) + base, 1, 5);
}
