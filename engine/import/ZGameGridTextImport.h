#pragma once
// Board files: small text files in which each line is a property or one row of a grid of
// one-character cells.
//
//     // comment            (also a line whose first character is '#')
//     @name: First Board    (property: key up to the first ':', value trimmed)
//       ab                  (a row: one cell per character, a blank is an empty cell)
//
// LF and CR both end lines, in any mix; empty lines vanish before anything sees them. The reader
// only turns the text into rows of cell characters and a table of properties; what a cell or a
// property means is the business of the level reader that derives from ZGameGridTextImport.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Reads a text file line by line and hands each line to ParseLine.
class ZTextLineImport
{
public:
    // Board files are a few hundred bytes; anything this big is not one.
    static constexpr int64_t kMaxFileSize = 4 * 1024 * 1024;

    virtual ~ZTextLineImport() = default;

    // Reads the file (a plain path or a mount name). 1 when it cannot be opened or read (the
    // previous contents then stay), 0 otherwise.
    virtual int ImportPath(const char* name);
    // The whole file (a plain path or a mount name) as ImportPath reads it: 1 when it cannot be
    // opened or read, or is larger than kMaxFileSize (text is then left alone), 0 otherwise.
    static int ReadFileText(const char* name, std::string& text);
    // The same loop over text already in memory; the text ends at its first NUL byte. Always 0.
    int ImportText(std::string_view text);

    // One line, without its end; 0 to go on, any other value stops the loop.
    virtual int ParseLine(std::string line) = 0;

    bool GetSkipComments() const { return m_skipComments; }
    void SetSkipComments(bool on) { m_skipComments = on; }
    bool GetTrimLines() const { return m_trimLines; }
    void SetTrimLines(bool on) { m_trimLines = on; }
    // The file-name part of the last path given to ImportPath (the level reader seeds its random
    // sequence with it).
    const std::string& GetFileName() const { return m_fileName; }
    // Keeps the file-name part of the path, as ImportPath does (for text read by other means).
    void SetFileNameFromPath(const char* path);

protected:
    // Called before the first line and after the last one of each import.
    virtual void BeginImport() {}
    virtual void EndImport() {}

    bool m_skipComments = true;
    bool m_trimLines = true;
    std::string m_fileName;
};

// Width, rows, content width, content height, left and top of the grid last read.
struct SGridInfo
{
    int32_t width = 0;
    int32_t rows = 0;
    int32_t contentWidth = 0;
    int32_t contentHeight = 0;
    int32_t left = 0;
    int32_t top = 0;
};

class IGameGridImport : public ZTextLineImport
{
public:
    virtual void ClearGrid() {}
    virtual void FinishGrid() {}
    virtual void SetOutsideValue(uint8_t value) = 0;
    virtual const SGridInfo* GetInfo() const = 0;
    virtual int8_t GetCell(int32_t column, int32_t row) const = 0;
    // Fills width x height bytes, row after row, through GetCell.
    virtual void GetCells(uint8_t* buffer, int32_t width, int32_t height, int32_t unused = 0) const = 0;

protected:
    void BeginImport() override { ClearGrid(); }
    void EndImport() override { FinishGrid(); }
};

class ZGameGridTextImport : public IGameGridImport
{
public:
    using PropertyMap = std::map<std::string, std::string, std::less<>>;

    ZGameGridTextImport();

    // Always 0: a line that is neither comment nor property is a row.
    int ParseLine(std::string line) override;
    void ClearGrid() override;
    // Removes the lead that every row shares, so column 0 is the left edge of the file's rows.
    void FinishGrid() override;
    void SetOutsideValue(uint8_t value) override { m_outsideValue = value; }
    const SGridInfo* GetInfo() const override { return &m_info; }
    // The outside value beyond the grid (row outside 0..rows-1, column below 0 or past the row's
    // length); 0 before the row's lead; else the cell's character (0 for a blank).
    int8_t GetCell(int32_t column, int32_t row) const override;
    void GetCells(uint8_t* buffer, int32_t width, int32_t height, int32_t unused = 0) const override;

    // The value of the key, or null when the file had none; valid until the next ClearGrid.
    const char* GetProperty(std::string_view key) const { return FindProperty(m_properties, key); }
    static const char* FindProperty(const PropertyMap& properties, std::string_view key);
    const PropertyMap& GetProperties() const { return m_properties; }

    // Characters that count as empty for the content bounds (default a single blank).
    void SetEmptyCells(std::string characters) { m_emptyCells = std::move(characters); }
    const std::string& GetEmptyCells() const { return m_emptyCells; }

protected:
    // One grid row. Length and lead are kept as full integers: a row of any length stays
    // consistent with its cells.
    struct SRow
    {
        int32_t length = 0;
        int32_t lead = 0;
        std::vector<uint8_t> cells; // columns lead .. length - 1
    };

    void ParseProperty(std::string_view line);
    void ParseRow(std::string_view line);

    std::vector<SRow> m_rows;
    PropertyMap m_properties;
    SGridInfo m_info;
    std::string m_emptyCells = " ";
    uint8_t m_outsideValue = 0;
    bool m_blankRow = false;
};
