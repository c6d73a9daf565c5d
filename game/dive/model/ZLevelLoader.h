#pragma once
// The dive's board-file reader: the engine's grid text reader with the meaning of a board's cells
// and keys. After a file is read it checks it (a malformed board is refused with a log line that
// names the file and the line), reseeds the game's random generator with the hash of the file
// name, and analyses it: special-tile counts and features, medal thresholds, the level's artifact
// letters, air time, token names, texts and difficulty. The board keeps one loader; the level
// card makes its own.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/import/ZGameGridTextImport.h"

// What the board builder makes of one cell character.
enum ECellStart : int32_t
{
    kCellNoTile = 0,    // NUL, 'E', bytes of 128 and above
    kCellWaiting = 1,   // '0': empty, filled by refill
    kCellToken = 2,     // '1' to '5': token type 0 to 4
    kCellRandom = 3,    // '?', 'Q', 'C', 'H', 'Z': random creature
    kCellSpawn = 4,     // 's': random creature, artifact spawn point
    kCellArtifact = 5,  // every other character: the next artifact letter
    kCellNone = 6,      // 'L'/'l': a block that never gets a starting token
};

struct SCellMeaning
{
    int32_t start = kCellNoTile;
    int32_t kind = 0;      // tile kind (ZTile's kinds)
    int32_t tokenType = -1; // for kCellToken
};

// The meaning of one board-file character.
SCellMeaning ClassifyCell(int8_t cell);

// Board-file limits: the completion bar has 12 slots; rows are at most 127 characters.
inline constexpr int32_t kMaxArtifacts = 12;
inline constexpr int32_t kMaxRowLength = 127;
inline constexpr int32_t kMinTokenNames = 5;

class ZLevelLoader : public ZGameGridTextImport
{
public:
    // Results of Load.
    enum ELoadResult : int32_t
    {
        kLoadOk = 0,
        kLoadUnreadable = 1, // cannot be opened or read: the loader keeps what it held
        kLoadMalformed = 2,  // read but refused: see GetError
    };

    ZLevelLoader();
    ~ZLevelLoader() override = default;

    // Reads a board file (a plain path or a mount name such as "resources:boards/level01").
    // Unreadable files leave the loader as it was; a malformed one leaves it reset and empty.
    // Each failure writes one log line naming the file.
    virtual int32_t Load(const char* path);
    // The same over text in memory; `name` plays the file name (the random seed, the messages).
    int32_t LoadText(std::string_view text, const char* name);

    virtual void Reset();
    virtual void Analyse();

    // The problem of the last refused file ("" when none), and its 1-based line (0: the file as a
    // whole, such as a missing key).
    const std::string& GetError() const { return m_error; }
    int32_t GetErrorLine() const { return m_errorLine; }
    // Checks board text without keeping it: "" when it is a sound board, else the problem, with
    // its 1-based line (0 for the file as a whole) in *line.
    static std::string CheckText(std::string_view text, int32_t* line);

    // Grid (after a successful load): size in cells, the cell at (column, row) (NUL outside),
    // and the used area: the bounds of the cells other than 'E' and blank.
    int32_t GetWidth() const { return GetInfo()->width; }
    int32_t GetHeight() const { return GetInfo()->rows; }
    int8_t GetCellAt(int32_t column, int32_t row) const;
    int32_t GetFirstUsedColumn() const { return GetInfo()->left; }
    int32_t GetFirstUsedRow() const { return GetInfo()->top; }
    int32_t GetUsedColumns() const { return GetInfo()->contentWidth; }
    int32_t GetUsedRows() const { return GetInfo()->contentHeight; }

    // The level's artifact letters (one per artifact the level holds, gold-threshold many), in
    // the order the artifact cells and the completion bar use them.
    const std::vector<uint8_t>& GetArtifactLetters() const { return m_artifactLetters; }
    // The number of artifact cells on the board (never more than the letters).
    int32_t GetArtifactCellCount() const { return m_artifactCells; }

    // Medal thresholds, cumulative artifact counts: 0 complete, 1 bronze, 2 silver, 3 gold.
    int32_t GetThreshold(int32_t medal) const { return medal >= 0 && medal < 4 ? m_thresholds[medal] : 0; }
    const int32_t* GetThresholds() const { return m_thresholds; }
    // The highest medal whose own value is empty (0 when none is).
    int32_t GetLastEmptyMedal() const { return m_lastEmptyMedal; }

    float GetAirTime() const { return m_airTime; }
    const std::vector<std::string>& GetTokenNames() const { return m_tokenNames; }
    const std::string& GetTip() const { return m_tip; }
    const std::string& GetTip2() const { return m_tip2; }
    // The board's "@music" play list; empty when the file names none.
    const std::string& GetMusic() const { return m_music; }
    // The level's localized name and description (the keys themselves without a string table).
    const char* GetLevelName() const { return m_levelName.c_str(); }
    const char* GetLevelDescription() const { return m_levelDescription.c_str(); }
    int32_t GetDifficulty() const { return m_difficulty; }
    bool HasFreeze() const { return m_freeze; }
    int32_t GetChainCount() const { return m_chains; }
    int32_t GetDoubleChainCount() const { return m_doubleChains; }
    int32_t GetFreezeCount() const { return m_freezes; }
    int32_t GetHoleCount() const { return m_holes; }
    // Distinct features in byte order: "2xchain", "chain", "freeze", "hole".
    const std::vector<std::string>& GetFeatures() const { return m_features; }

    // "PI" forms and decimal numbers, as the "time" key reads them.
    static float ParseAirTime(const char* text);

protected:
    void BeginImport() override;

private:
    int32_t Refuse(const char* path, std::string problem, int32_t line);
    void PickTexts();
    void ComputeDifficulty();

    std::vector<std::string> m_features;
    std::vector<std::string> m_tokenNames;
    std::vector<uint8_t> m_artifactLetters;
    int32_t m_thresholds[4] = {};
    int32_t m_lastEmptyMedal = 0;
    int32_t m_difficulty = 2;
    float m_airTime = 0.0f;
    bool m_freeze = false;
    int32_t m_chains = 0;
    int32_t m_doubleChains = 0;
    int32_t m_freezes = 0;
    int32_t m_holes = 0;
    int32_t m_artifactCells = 0;
    std::string m_tip;
    std::string m_tip2;
    std::string m_music;
    std::string m_levelName;
    std::string m_levelDescription;
    std::string m_error;
    int32_t m_errorLine = 0;
};
