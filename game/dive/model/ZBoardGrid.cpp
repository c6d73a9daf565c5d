// The grid: building tiles from the board file, placing them with their first tokens, points and
// cells, and the quarter turns.
#include "game/dive/model/ZBoardGrid.h"

#include <cstdio>

#include "game/dive/model/IBoardHost.h"
#include "game/dive/model/ZArtifact.h"
#include "game/dive/model/ZToken.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
// Array steps of the link directions before any turn (y grows downwards in the array).
constexpr int32_t kOffsets[kDirCount][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
} // namespace

ZBoardGrid::ZBoardGrid() = default;

ZBoardGrid::~ZBoardGrid()
{
    releaseTiles();
}

int32_t ZBoardGrid::build(const char* boardFileName)
{
    releaseTiles();
    const int32_t result = m_loader.Load(boardFileName);
    if (result != ZLevelLoader::kLoadOk)
        return result;
    return buildFromLoader();
}

int32_t ZBoardGrid::buildFromLoader()
{
    releaseTiles();
    if (!m_loader.GetError().empty())
        return ZLevelLoader::kLoadMalformed;
    m_width = m_loader.GetWidth();
    m_height = m_loader.GetHeight();
    if (m_width <= 0 || m_height <= 0)
    {
        m_width = m_height = 0;
        return 0;
    }
    m_tiles = new ZTile*[size_t(m_width) * size_t(m_height)]();
    for (int32_t row = 0; row < m_height; ++row)
    {
        for (int32_t column = 0; column < m_width; ++column)
            makeTile(column, row);
    }

    // The pool always holds one token more than there are tiles.
    IBoardHost* host = GetBoardHost();
    const int32_t needed = getTileCount() + 1;
    while (host->tokenPoolSize() < needed)
    {
        const int32_t before = host->tokenPoolSize();
        host->createToken();
        if (host->tokenPoolSize() <= before)
            break;
    }

    const int32_t usedColumns = m_loader.GetUsedColumns();
    const int32_t usedRows = m_loader.GetUsedRows();
    m_usedWidth = m_cellWidth * float(usedColumns);
    m_usedHeight = m_cellHeight * float(usedRows);
    m_firstUsedColumn = m_loader.GetFirstUsedColumn();
    m_firstUsedRow = m_loader.GetFirstUsedRow();
    m_columnsRight = m_width - m_firstUsedColumn - usedColumns;
    m_rowsBelow = m_height - m_firstUsedRow - usedRows;
    m_halfWidth = m_usedWidth * 0.5f;
    m_negHalfHeight = -(m_usedHeight * 0.5f);
    m_builtHalfWidth = m_halfWidth;
    m_builtNegHalfHeight = m_negHalfHeight;
    return 0;
}

void ZBoardGrid::makeTile(int32_t column, int32_t row)
{
    const int8_t cell = m_loader.GetCellAt(column, row);
    const SCellMeaning meaning = ClassifyCell(cell);
    if (meaning.start == kCellNoTile)
        return;
    ZTile* tile = GetBoardHost()->acquireTile();
    if (!tile)
        return;
    m_tiles[size_t(row) * size_t(m_width) + size_t(column)] = tile;
    tile->setCell(char(cell));
    tile->setGridCell(column, row);
    tile->setKind(meaning.kind);
    setExitsFromCells(tile, column, row);
}

void ZBoardGrid::setExitsFromCells(ZTile* tile, int32_t column, int32_t row)
{
    // Cells above, below, left and right, in that order, and the side each gives.
    const int32_t cells[4][3] = {
        {column, row - 1, kDirUp}, {column, row + 1, kDirDown}, {column - 1, row, kDirLeft}, {column + 1, row, kDirRight}};
    for (const auto& [x, y, side] : cells)
    {
        tile->createExitSprites();
        if (m_loader.GetCellAt(x, y) == 'E')
        {
            if (!tile->isExitTile())
                GetBoardHost()->addExitTile(tile);
            tile->setExit(side, true);
            tile->attachExit(side, true);
        }
        else
        {
            tile->setExit(side, false);
            tile->attachExit(side, false);
        }
    }
}

void ZBoardGrid::place()
{
    if (!m_tiles)
        return;
    IBoardHost* host = GetBoardHost();
    size_t artifactIndex = 0;
    for (int32_t row = 0; row < m_height; ++row)
    {
        for (int32_t column = 0; column < m_width; ++column)
        {
            ZTile* tile = tileAt(column, row);
            if (!tile)
                continue;
            tile->setLogicalCell(column, row);
            tile->setGridCell(column, row);
            tile->SetNameF("tile_%i_%i", column, row);
            for (int32_t d = 0; d < kDirCount; ++d)
                tile->setLink(d, tileAt(column + kOffsets[d][0], row + kOffsets[d][1]));
            tile->updateEdgeGlow();
            const V2 centre = cellCentre(column, row);
            tile->SetPositionXYZ(centre.x, centre.y, 20.0f + 0.25f * float(row * m_width + column));
            if (!tile->getToken() && tile->getKind() != kTileBlock)
                placeFirstToken(tile, artifactIndex);
            tile->updateExitLit();
            tile->updateExitVisuals();
        }
    }
    (void)host;
    for (int32_t row = 0; row < m_height; ++row)
    {
        for (int32_t column = 0; column < m_width; ++column)
        {
            ZTile* tile = tileAt(column, row);
            if (tile && tile->getKind() != kTileBlock && !tile->getToken() && tile->getCell() != '0')
                tile->chooseInitialToken();
        }
    }
    for (int32_t row = 0; row < m_height; ++row)
    {
        for (int32_t column = 0; column < m_width; ++column)
        {
            if (ZTile* tile = tileAt(column, row))
            {
                tile->addFrame();
                tile->updateExitVisuals();
                tile->tileChanged();
                tile->resetFade();
            }
        }
    }
}

void ZBoardGrid::placeFirstToken(ZTile* tile, size_t& artifactIndex)
{
    IBoardHost* host = GetBoardHost();
    const SCellMeaning meaning = ClassifyCell(int8_t(tile->getCell()));
    switch (meaning.start)
    {
    case kCellWaiting:
        tile->setState(kTileWaiting);
        break;
    case kCellToken:
        tile->createToken(meaning.tokenType);
        break;
    case kCellSpawn:
        tile->setSpawnsArtifacts(true);
        host->addArtifactSpawnTile(tile);
        break;
    case kCellArtifact:
    {
        // Cells past the level's letters (the reader refuses such boards) are left to the start fill.
        const std::vector<uint8_t>& letters = m_loader.GetArtifactLetters();
        if (artifactIndex >= letters.size())
            break;
        ZArtifact* record = ZArtifactRegistry::GetInstance()->FindById(letters[artifactIndex++]);
        if (!record)
            break;
        ZToken* token = host->acquireToken();
        if (!token)
            break;
        token->setType(kArtifactTokenType);
        token->SetAlpha(0.0f);
        tile->placeToken(token);
        token->setArtifact(record);
        tile->setSpawnsArtifacts(true);
        host->addArtifactSpawnTile(tile);
        break;
    }
    default:
        break;
    }
}

void ZBoardGrid::releaseTiles()
{
    if (m_tiles)
    {
        IBoardHost* host = GetBoardHost();
        const size_t count = size_t(m_width) * size_t(m_height);
        for (size_t i = 0; i < count; ++i)
        {
            if (m_tiles[i])
                host->releaseTile(m_tiles[i]);
        }
        delete[] m_tiles;
        m_tiles = nullptr;
    }
    m_width = m_height = 0;
}

ZTile* ZBoardGrid::tileAt(int32_t column, int32_t row) const
{
    if (!m_tiles || column < 0 || row < 0 || column >= m_width || row >= m_height)
        return nullptr;
    return m_tiles[size_t(row) * size_t(m_width) + size_t(column)];
}

V2 ZBoardGrid::cellCentre(int32_t column, int32_t row) const
{
    return {m_cellWidth * float(column - m_firstUsedColumn) + m_cellWidth * 0.5f - m_halfWidth,
            m_cellHeight * float(m_firstUsedRow - row) - m_cellHeight * 0.5f - m_negHalfHeight};
}

bool ZBoardGrid::cellAtPoint(const V3& point, int32_t& column, int32_t& row) const
{
    const float px = point.x + m_halfWidth;
    const float py = point.y + m_negHalfHeight;
    if (px < 0.0f || py > 0.0f || px > m_usedWidth || py < -(m_usedHeight + m_cellHeight))
        return false;
    if (m_cellWidth <= 0.0f || m_cellHeight <= 0.0f)
        return false;
    column = int32_t(px / m_cellWidth) + m_firstUsedColumn;
    row = int32_t(-py / m_cellHeight) + m_firstUsedRow;
    return true;
}

void ZBoardGrid::setRotation(int32_t rotation)
{
    m_rotation = ((rotation % 4) + 4) % 4;
}

void ZBoardGrid::updateGravity()
{
    static constexpr int32_t kGravityOfRotation[4] = {kDirDown, kDirRight, kDirUp, kDirLeft};
    m_gravity = kGravityOfRotation[m_rotation & 3];
    SetGravityDirection(m_gravity);
}

void ZBoardGrid::rotateVector(int32_t& x, int32_t& y) const
{
    const int32_t ox = x;
    const int32_t oy = y;
    switch (m_rotation & 3)
    {
    case 1:
        x = oy;
        y = -ox;
        break;
    case 2:
        x = -ox;
        y = -oy;
        break;
    case 3:
        x = -oy;
        y = ox;
        break;
    default:
        break;
    }
}

void ZBoardGrid::rotateVector(V2& v) const
{
    const V2 o = v;
    switch (m_rotation & 3)
    {
    case 1:
        v = {o.y, -o.x};
        break;
    case 2:
        v = {-o.x, -o.y};
        break;
    case 3:
        v = {-o.y, o.x};
        break;
    default:
        break;
    }
}

void ZBoardGrid::directionOffset(int32_t direction, int32_t& dx, int32_t& dy) const
{
    if (direction < 0 || direction >= kDirCount)
    {
        dx = dy = 0;
        return;
    }
    dx = kOffsets[direction][0];
    dy = kOffsets[direction][1];
    rotateVector(dx, dy);
}

void ZBoardGrid::wrapCell(int32_t& column, int32_t& row) const
{
    const bool even = (m_rotation & 1) == 0;
    const int32_t columnSize = even ? m_width : m_height;
    const int32_t rowSize = even ? m_height : m_width;
    if (column < 0 && columnSize > 0)
        column = ((column + columnSize) % columnSize + columnSize) % columnSize;
    if (row < 0 && rowSize > 0)
        row = ((row + rowSize) % rowSize + rowSize) % rowSize;
}

void ZBoardGrid::applyRotation()
{
    for (int32_t row = 0; row < m_height; ++row)
    {
        for (int32_t column = 0; column < m_width; ++column)
        {
            ZTile* tile = tileAt(column, row);
            if (!tile)
                continue;
            int32_t lc = column;
            int32_t lr = row;
            switch (m_rotation & 3)
            {
            case 1:
                lc = -row;
                lr = column;
                break;
            case 2:
                lc = -column;
                lr = -row;
                break;
            case 3:
                lc = row;
                lr = -column;
                break;
            default:
                break;
            }
            wrapCell(lc, lr);
            tile->setLogicalCell(lc, lr);
            for (int32_t d = 0; d < kDirCount; ++d)
            {
                int32_t dx = 0;
                int32_t dy = 0;
                directionOffset(d, dx, dy);
                tile->setLink(d, tileAt(column + dx, row + dy));
            }
        }
    }
    for (int32_t row = 0; row < m_height; ++row)
    {
        for (int32_t column = 0; column < m_width; ++column)
        {
            if (ZTile* tile = tileAt(column, row))
            {
                tile->updateExitLit();
                tile->updateExitVisuals();
            }
        }
    }
}

void ZBoardGrid::clearLinks()
{
    for (int32_t row = 0; row < m_height; ++row)
    {
        for (int32_t column = 0; column < m_width; ++column)
        {
            if (ZTile* tile = tileAt(column, row))
                tile->clearLinks();
        }
    }
}

V2 ZBoardGrid::averagePosition(const ZTileList& tiles) const
{
    V2 sum;
    int32_t count = 0;
    for (const ZTile* tile : tiles)
    {
        if (!tile)
            continue;
        V3 centre;
        tile->LocalToWorld(centre);
        sum.x += centre.x;
        sum.y += centre.y;
        ++count;
    }
    if (count == 0)
        return {};
    return {sum.x / float(count), sum.y / float(count)};
}

void ZBoardGrid::collectTiles(ZTileList& out) const
{
    for (int32_t row = 0; row < m_height; ++row)
    {
        for (int32_t column = 0; column < m_width; ++column)
        {
            if (ZTile* tile = tileAt(column, row))
                out.push_back(tile);
        }
    }
}

int32_t ZBoardGrid::getTileCount() const
{
    int32_t count = 0;
    if (m_tiles)
    {
        for (size_t i = 0; i < size_t(m_width) * size_t(m_height); ++i)
            count += m_tiles[i] ? 1 : 0;
    }
    return count;
}
