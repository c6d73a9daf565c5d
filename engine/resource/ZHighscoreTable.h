#pragma once
// The machine's list of best scores, shared by every player, kept in "highscores.dat" in the
// user-data folder. The game inserts a finished game's score with the player's name; the
// high-score screen reads the entries, best first.
//
// "highscores.dat", little-endian, no header: u32 count, then per entry a u32-length name, the
// u32 bits of the signed score, a u8 new flag and a u32-length text (the crew member's name). The
// file is read with every field checked and written in full or not at all: a damaged or hostile
// file gives the default table and a message, never a crash.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/ZSingleton.h"

struct SHighscoreEntry
{
    std::string name = "Noone";
    int32_t score = 0;
    std::string text;
    uint8_t isNew = 0;

    bool operator==(const SHighscoreEntry&) const = default;
};

class ZHighscoreTable : public ZSingleton<ZHighscoreTable>
{
public:
    static constexpr int32_t kDefaultPlaces = 10;
    // Limits of what a file may hold; anything past them is a damaged file.
    static constexpr uint32_t kMaxEntries = 1000;
    static constexpr uint32_t kMaxTextLength = 256;

    enum class LoadResult
    {
        Loaded,    // the file was read whole
        Missing,   // no file: the default entries
        Truncated, // the file ended early: the whole entries before its end were kept
        Damaged,   // the file broke a limit or could not be read: the default entries
    };

    // On "highscores.dat" in the engine's user-data folder (no file at all without an engine).
    ZHighscoreTable();
    // On the given plain path.
    explicit ZHighscoreTable(const char* path);
    ~ZHighscoreTable();

    // True when the score entered the table. Without duplicates, an existing entry of the same name
    // is improved instead (and a score not above it is refused). Names and texts are cut to 256
    // bytes, so that every table written can be read back.
    bool Insert(const char* name, int32_t score, const char* text);
    // Writes the whole table through a temporary file that replaces the old one only when every
    // write succeeded. 0 when written (or nothing to write: an empty table), 1 on failure, and the
    // old file is then unchanged.
    int Save();
    // The number of places kept; entries are dropped only by the next insertion. Counts below 1
    // are ignored (a table with no places could never take a score again).
    void Resize(int32_t places);
    // Frees the table without writing it.
    static void Destroy() { DestroyInstance(); }

    const std::vector<SHighscoreEntry>& GetEntries() const { return m_entries; }
    std::vector<SHighscoreEntry>& GetEntries() { return m_entries; }
    int32_t GetPlaces() const { return m_places; }
    bool GetAllowDuplicateNames() const { return m_allowDuplicates != 0; }
    void SetAllowDuplicateNames(bool allow) { m_allowDuplicates = allow ? 1 : 0; }
    const std::string& GetPath() const { return m_path; }
    LoadResult GetLoadResult() const { return m_loadResult; }

    // The file's bytes for the entries, and the reverse; Parse fills `entries` and `places` and
    // tells how it went (Missing is never returned).
    static std::string Serialize(const std::vector<SHighscoreEntry>& entries);
    static LoadResult Parse(std::string_view data, std::vector<SHighscoreEntry>& entries, int32_t& places);

private:
    void Load();
    void InsertDefaults();
    void Sort();

    std::string m_path;
    std::vector<SHighscoreEntry> m_entries;
    int32_t m_places = kDefaultPlaces;
    uint8_t m_allowDuplicates = 0;
    LoadResult m_loadResult = LoadResult::Missing;
};
