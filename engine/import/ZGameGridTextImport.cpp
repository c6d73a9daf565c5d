#include "engine/import/ZGameGridTextImport.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/core/ZUtil.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"

namespace
{
bool IsBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// An unopened file for the name: through the live file system (mount names), else plain.
std::unique_ptr<IFile> MakeFile(const char* name)
{
    if (ZFileSystem* fs = ZFileSystem::GetInstance())
        return std::unique_ptr<IFile>(fs->Open(name, FILE_READ));
    return std::make_unique<ZFile>(name, FILE_READ);
}
} // namespace

int ZTextLineImport::ReadFileText(const char* name, std::string& text)
{
    if (!name || !*name)
        return 1;
    std::unique_ptr<IFile> file = MakeFile(name);
    if (!file || file->Open() != 0)
        return 1;
    const int64_t size = file->GetSize();
    if (size < 0 || size > kMaxFileSize)
    {
        file->Close();
        return 1;
    }
    std::string data(size_t(size), '\0');
    if (size > 0 && file->Read(data.data(), data.size()) != data.size())
    {
        file->Close();
        return 1;
    }
    if (file->IsOpen())
        file->Close();
    text = std::move(data);
    return 0;
}

int ZTextLineImport::ImportPath(const char* name)
{
    std::string text;
    if (ReadFileText(name, text) != 0)
        return 1;
    SplitPathAtLastSlash(name, m_fileName);
    return ImportText(text);
}

void ZTextLineImport::SetFileNameFromPath(const char* path)
{
    SplitPathAtLastSlash(path, m_fileName);
}

int ZTextLineImport::ImportText(std::string_view text)
{
    text = text.substr(0, std::min(text.size(), text.find('\0')));
    BeginImport();
    size_t position = 0;
    while (position < text.size())
    {
        const size_t end = std::min(text.find_first_of("\r\n", position), text.size());
        const std::string_view token = text.substr(position, end - position);
        position = end + 1;
        if (token.empty())
            continue;
        std::string line = m_trimLines ? TrimString(std::string(token).c_str()) : std::string(token);
        if (m_skipComments && (line.starts_with("//") || line.starts_with("#")))
            continue;
        if (line.empty())
            continue;
        if (ParseLine(std::move(line)) != 0)
            break;
    }
    EndImport();
    return 0;
}

ZGameGridTextImport::ZGameGridTextImport()
{
    m_trimLines = false;
    m_skipComments = true;
    ClearGrid();
}

void ZGameGridTextImport::ClearGrid()
{
    m_rows.clear();
    m_properties.clear();
    m_info = SGridInfo{};
    m_info.left = 9999999;
    m_blankRow = false;
}

int ZGameGridTextImport::ParseLine(std::string line)
{
    std::string_view view = line;
    view = view.substr(0, std::min(view.size(), view.find_first_of("\r\n")));
    if (!view.empty() && view[0] == '@')
        ParseProperty(view);
    else
        ParseRow(view);
    return 0;
}

void ZGameGridTextImport::ParseProperty(std::string_view line)
{
    size_t start = 0;
    while (start < line.size() && (line[start] == '@' || IsBlankOrTab(line[start])))
        ++start;
    const size_t colon = line.find(':', start);
    // A property line without ':' names no key.
    if (colon == std::string_view::npos)
        return;
    std::string key(line.substr(start, colon - start));
    size_t valueStart = colon + 1;
    while (valueStart < line.size() && IsBlankOrTab(line[valueStart]))
        ++valueStart;
    m_properties[std::move(key)] = TrimString(std::string(line.substr(valueStart)).c_str());
}

void ZGameGridTextImport::ParseRow(std::string_view line)
{
    const size_t lastSolid = line.find_last_not_of(' ');
    const int32_t length = lastSolid == std::string_view::npos ? 0 : int32_t(lastSolid + 1);
    const size_t lastContent = line.find_last_not_of(m_emptyCells);
    const int32_t end = lastContent == std::string_view::npos ? 0 : int32_t(lastContent + 1);
    m_info.width = std::max(m_info.width, length);
    m_info.contentWidth = std::max(m_info.contentWidth, end);

    const size_t firstSolid = line.find_first_not_of(' ');
    const int32_t lead = firstSolid == std::string_view::npos ? 0 : int32_t(firstSolid);
    const size_t first = line.find_first_not_of(m_emptyCells);

    SRow row;
    row.length = length;
    row.lead = lead;
    row.cells.reserve(size_t(std::max(0, length - lead)));
    for (int32_t i = lead; i < length; ++i)
        row.cells.push_back(line[size_t(i)] == ' ' ? 0 : uint8_t(line[size_t(i)]));
    m_rows.push_back(std::move(row));

    if (first != std::string_view::npos)
    {
        // A run of rows without content between rows with content counts as one row, however long.
        if (m_blankRow && m_info.contentHeight > 0)
            ++m_info.contentHeight;
        m_blankRow = false;
        m_info.left = std::min(m_info.left, int32_t(first));
        if (m_info.contentHeight == 0)
            m_info.top = m_info.rows;
        ++m_info.contentHeight;
    }
    else
        m_blankRow = true;
    ++m_info.rows;
}

void ZGameGridTextImport::FinishGrid()
{
    if (m_rows.empty() || m_info.contentHeight == 0)
    {
        // Without content there are no bounds to speak of: report an empty box at the origin.
        int32_t common = 0;
        if (!m_rows.empty())
        {
            common = m_rows[0].lead;
            for (const SRow& row : m_rows)
                common = std::min(common, row.lead);
        }
        for (SRow& row : m_rows)
        {
            row.length -= common;
            row.lead -= common;
        }
        m_info.width = std::max(0, m_info.width - common);
        m_info.left = 0;
        m_info.contentWidth = 0;
        return;
    }
    int32_t common = m_rows[0].lead;
    for (const SRow& row : m_rows)
        common = std::min(common, row.lead);
    for (SRow& row : m_rows)
    {
        row.length -= common;
        row.lead -= common;
    }
    m_info.left -= common;
    m_info.width -= common;
    m_info.contentWidth -= common + m_info.left;
}

int8_t ZGameGridTextImport::GetCell(int32_t column, int32_t row) const
{
    if (row < 0 || row >= int32_t(m_rows.size()))
        return int8_t(m_outsideValue);
    const SRow& r = m_rows[size_t(row)];
    if (column < 0 || column >= r.length)
        return int8_t(m_outsideValue);
    if (column < r.lead)
        return 0;
    return int8_t(r.cells[size_t(column - r.lead)]);
}

void ZGameGridTextImport::GetCells(uint8_t* buffer, int32_t width, int32_t height, int32_t unused) const
{
    (void)unused;
    if (!buffer || width <= 0 || height <= 0)
        return;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            buffer[size_t(y) * size_t(width) + size_t(x)] = uint8_t(GetCell(x, y));
}

const char* ZGameGridTextImport::FindProperty(const PropertyMap& properties, std::string_view key)
{
    const auto it = properties.find(key);
    return it == properties.end() ? nullptr : it->second.c_str();
}
