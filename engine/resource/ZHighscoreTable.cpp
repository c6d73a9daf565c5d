#include "engine/resource/ZHighscoreTable.h"

#include <algorithm>
#include <cstdio>

#include "engine/fs/ZFile.h"
#include "engine/fs/ZStream.h"
#include "engine/fs/ZUserDataFolder.h"

namespace
{
struct SDefaultScore
{
    const char* name;
    int32_t score;
};

// The scores a first run shows, best first.
constexpr SDefaultScore kDefaultScores[] = {
    {"Marisol", 2700000}, {"Tobin", 1810000}, {"Wrenna", 1786000}, {"Caspian", 1332000}, {"Ilse", 1310000},
    {"Dario", 1290000},   {"Nerys", 1244000}, {"Oswin", 1227000},  {"Perla", 605000},    {"Anselm", 573000},
    {"Liesel", 503000},   {"Halden", 489000}, {"Coral", 352000},
};

// A whole file of the largest table allowed is about half a megabyte.
constexpr int64_t kMaxFileSize = 4 + int64_t(ZHighscoreTable::kMaxEntries) * (13 + 2 * 256);

void PutU32(std::string& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((value >> (8 * i)) & 0xff));
}

class Reader
{
public:
    explicit Reader(std::string_view data) : m_data(data) {}
    bool U32(uint32_t& value)
    {
        if (m_data.size() - m_position < 4)
            return false;
        value = 0;
        for (int i = 0; i < 4; ++i)
            value |= uint32_t(uint8_t(m_data[m_position + size_t(i)])) << (8 * i);
        m_position += 4;
        return true;
    }
    bool U8(uint8_t& value)
    {
        if (m_position >= m_data.size())
            return false;
        value = uint8_t(m_data[m_position++]);
        return true;
    }
    bool Bytes(size_t count, std::string& out)
    {
        if (m_data.size() - m_position < count)
            return false;
        out.assign(m_data.substr(m_position, count));
        m_position += count;
        return true;
    }
    size_t Remaining() const { return m_data.size() - m_position; }

private:
    std::string_view m_data;
    size_t m_position = 0;
};

std::string Cut(const char* text)
{
    std::string out = text ? text : "";
    if (out.size() > ZHighscoreTable::kMaxTextLength)
        out.resize(ZHighscoreTable::kMaxTextLength);
    return out;
}
} // namespace

ZHighscoreTable::ZHighscoreTable()
{
    GetUserDataFolder(m_path, nullptr, "highscores.dat");
    m_entries.reserve(size_t(kDefaultPlaces));
    Load();
}

ZHighscoreTable::ZHighscoreTable(const char* path) : m_path(path ? path : "")
{
    m_entries.reserve(size_t(kDefaultPlaces));
    Load();
}

ZHighscoreTable::~ZHighscoreTable() = default;

std::string ZHighscoreTable::Serialize(const std::vector<SHighscoreEntry>& entries)
{
    std::string out;
    PutU32(out, uint32_t(entries.size()));
    for (const SHighscoreEntry& entry : entries)
    {
        PutU32(out, uint32_t(entry.name.size()));
        out += entry.name;
        PutU32(out, uint32_t(entry.score));
        out.push_back(char(entry.isNew));
        PutU32(out, uint32_t(entry.text.size()));
        out += entry.text;
    }
    return out;
}

ZHighscoreTable::LoadResult ZHighscoreTable::Parse(std::string_view data,
                                                   std::vector<SHighscoreEntry>& entries, int32_t& places)
{
    Reader reader(data);
    uint32_t count = 0;
    if (!reader.U32(count) || count == 0 || count > kMaxEntries)
        return LoadResult::Damaged;
    std::vector<SHighscoreEntry> read;
    read.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
    {
        SHighscoreEntry entry;
        uint32_t length = 0;
        uint32_t score = 0;
        // A length beyond the limit is damage whether or not the bytes are there; a length that
        // runs past the end is a file cut short.
        if (!reader.U32(length))
            break;
        if (length > kMaxTextLength)
            return LoadResult::Damaged;
        if (!reader.Bytes(length, entry.name) || !reader.U32(score) || !reader.U8(entry.isNew) ||
            !reader.U32(length))
            break;
        if (length > kMaxTextLength)
            return LoadResult::Damaged;
        if (!reader.Bytes(length, entry.text))
            break;
        entry.score = int32_t(score);
        read.push_back(std::move(entry));
    }
    if (read.empty())
        return LoadResult::Damaged;
    const bool whole = read.size() == count;
    entries = std::move(read);
    places = int32_t(count);
    return whole ? LoadResult::Loaded : LoadResult::Truncated;
}

void ZHighscoreTable::Load()
{
    m_loadResult = LoadResult::Missing;
    if (!m_path.empty() && FileExists(m_path.c_str()))
    {
        m_loadResult = LoadResult::Damaged;
        ZFile file(m_path, FILE_READ);
        if (file.Open() == 0)
        {
            const int64_t size = file.GetSize();
            if (size >= 0 && size <= kMaxFileSize)
            {
                std::string data(size_t(size), '\0');
                if (file.Read(data.data(), data.size()) == data.size())
                    m_loadResult = Parse(data, m_entries, m_places);
            }
            file.Close();
        }
        if (m_loadResult == LoadResult::Damaged || m_loadResult == LoadResult::Truncated)
        {
            // The next save would replace the file: what it held stays beside it for the player.
            const std::string aside = KeepFileAside(m_path);
            if (m_loadResult == LoadResult::Damaged)
                std::fprintf(stderr,
                             "High scores: \"%s\" is damaged; the default table is used (kept as \"%s\")\n",
                             m_path.c_str(), aside.c_str());
            else
                std::fprintf(stderr,
                             "High scores: \"%s\" ends early; %zu entries were kept (the file as \"%s\")\n",
                             m_path.c_str(), m_entries.size(), aside.c_str());
        }
    }
    if (m_entries.empty())
    {
        m_places = kDefaultPlaces;
        InsertDefaults();
    }
}

void ZHighscoreTable::InsertDefaults()
{
    const size_t count = std::min(size_t(m_places), std::size(kDefaultScores));
    for (size_t i = 0; i < count; ++i)
        Insert(kDefaultScores[i].name, kDefaultScores[i].score, nullptr);
}

void ZHighscoreTable::Sort()
{
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const SHighscoreEntry& a, const SHighscoreEntry& b) { return a.score > b.score; });
}

bool ZHighscoreTable::Insert(const char* name, int32_t score, const char* text)
{
    if (int32_t(m_entries.size()) >= m_places && score <= m_entries[size_t(m_places - 1)].score)
        return false;
    const std::string entryName = Cut(name);
    if (!m_allowDuplicates)
    {
        for (SHighscoreEntry& entry : m_entries)
        {
            if (entry.name != entryName)
                continue;
            if (score <= entry.score)
                return false;
            entry.score = score;
            entry.isNew = 1;
            entry.text = Cut(text);
            Sort();
            return true;
        }
    }
    m_entries.push_back(SHighscoreEntry{entryName, score, Cut(text), 1});
    Sort();
    if (int32_t(m_entries.size()) > m_places)
        m_entries.resize(size_t(m_places));
    return true;
}

int ZHighscoreTable::Save()
{
    if (m_entries.empty())
        return 0;
    if (m_path.empty())
        return 1;
    return WriteFileAtomic(m_path.c_str(), Serialize(m_entries));
}

void ZHighscoreTable::Resize(int32_t places)
{
    if (places < 1)
        return;
    m_places = std::min(places, int32_t(kMaxEntries));
    m_entries.reserve(size_t(m_places));
}
